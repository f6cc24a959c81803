// Hostile and broken input: every answer is a clear parse status, never a
// crash, a leak, a hang, or a write over the file that failed to load.
#include <doctest.h>

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "support/test_support.h"
#include "xml/xml.h"
#include "xmldoc_support.h"

using xmltest::Golden;
using xmltest::LiveAllocations;

namespace {

const auto ReadAll = testsupport::FileBytes;

// What must hold for any document, whatever it was loaded from.
void CheckSound(XMLDocument& doc)
{
    const int status = doc.GetParseStatus(nullptr);
    CHECK((status == XML_STATUS_OK || status == XML_STATUS_REPAIRED || status == XML_STATUS_NO_ELEMENT_END));
    if (status != XML_STATUS_NO_ELEMENT_END)
        CHECK(doc.GetRoot() != nullptr);
    CHECK(doc.CheckIntegrity() == (status != XML_STATUS_NO_ELEMENT_END));
    if (doc.GetRoot())
        CHECK(xmltest::TreeDepth(doc.GetRoot()) <= kXmlMaxDepth);
}

// Checks that work(8n) takes no more than a linear cost allows over work(n).
void CheckLinear(const char* what, const std::function<void(int n)>& work, int n)
{
    const double ratio = xmltest::GrowthRatio(work, n);
    INFO(what << ": 8n took " << ratio << " times as long as n");
    CHECK(ratio < xmltest::kLinearBound);
}

// A small deterministic generator (xorshift), so a failure can be replayed.
class Random {
public:
    explicit Random(uint32_t seed) : s_(seed ? seed : 1) {}
    uint32_t Next()
    {
        s_ ^= s_ << 13;
        s_ ^= s_ >> 17;
        s_ ^= s_ << 5;
        return s_;
    }
    uint32_t Below(uint32_t n) { return Next() % n; }

private:
    uint32_t s_;
};

}  // namespace

TEST_CASE("Dropped top-level elements and failed parses leak nothing")
{
    // Warm up whatever the library allocates once.
    {
        XMLDocument warm;
        warm.LoadFromText("<a/>");
    }
    const char* texts[] = {
        "<?xml?><a/><b/><c/>",                  // later empty top-level elements dropped
        "<?xml?><a>1</a><b>2</b><c>3</c>",      // earlier ones with content dropped
        "<?xml?><a/><b>x</b><c/><d><e/></d>",   // both kinds
        "<?xml?><r><a><b>",                     // unmatched: the partial tree goes
        "<?xml?><a>x</a><b><c/>",               // unmatched after a complete one
        "<?xml?><!DOCTYPE d [<!ENTITY e \"x\">]><d>&e;</d>",
    };
    for (const char* text : texts) {
        const std::string shown = text;
        CAPTURE(shown);
        const long long before = LiveAllocations();
        {
            XMLDocument doc;
            doc.LoadFromText(text);
        }
        CHECK(LiveAllocations() == before);
    }
    SUBCASE("the counter sees the library's allocations") {
        const long long before = LiveAllocations();
        XMLDocument doc;
        doc.LoadFromText("<?xml?><a/>");
        CHECK(LiveAllocations() > before);
    }
}

TEST_CASE("A large tree lives in few heap blocks, so freeing it is quick")
{
    // A recorded point is some twenty records and texts; freed one by one
    // through the heap, a million of them took seconds.
    const int points = 20000;
    const long long before = LiveAllocations();
    XMLDocument built;
    built.LoadFromText("<?xml?><root><tracks><t n=\"Track 1\"/></tracks></root>");
    XMLElement* track = built.GetRoot()->GetChild(0)->GetChild(0);
    for (int i = 0; i < points; ++i) {
        auto* p = new XMLElement(track, "p", XML_KIND_NAME);
        for (const char* name : {"x", "y", "z", "s", "c", "spd", "time"})
            p->AddAttribute(name, "12.345678");
        track->AppendChild(p);
    }
    CHECK(LiveAllocations() - before < points / 10);

    const long long beforeRead = LiveAllocations();
    XMLDocument read;
    read.LoadFromText(xmltest::SaveToText(built).c_str());
    XMLElement* copy = read.GetRoot()->GetChild(0)->GetChild(0);
    REQUIRE(copy->GetChildCount() == uint32_t(points));
    for (uint32_t i = 0; i < copy->GetChildCount(); ++i)
        CHECK(copy->GetChild(i)->GetAttribute(6) != nullptr);   // every record made
    CHECK(LiveAllocations() - beforeRead < points / 10);
}

TEST_CASE("A real document cut at every byte")
{
    const std::string full = Golden("track.xml");
    REQUIRE(full.size() > 100);
    testsupport::TempDir dir;
    const std::string path = dir.File("cut.xml");

    for (size_t n = 0; n <= full.size(); ++n) {
        const std::string cut = full.substr(0, n);
        CAPTURE(n);
        XMLDocument doc;
        doc.LoadFromText(cut.c_str());
        CheckSound(doc);
        // Cut anywhere before the root's end tag is complete, the root is
        // unmatched: status 2 and no root. From the declaration's end on.
        const size_t rootEnd = full.rfind("</root>") + 7;
        const size_t declEnd = full.find("?>") + 2;
        if (n > declEnd && n < rootEnd && cut.find('<', declEnd) != std::string::npos) {
            const bool onlyPartOfTag = cut.find('>', cut.find('<', declEnd)) == std::string::npos;
            if (!onlyPartOfTag)
                CHECK(doc.GetParseStatus(nullptr) == XML_STATUS_NO_ELEMENT_END);
        }
        if (n >= rootEnd)
            CHECK(doc.GetParseStatus(nullptr) == XML_STATUS_OK);
    }

    // From a file, with save-on-close: a cut file that did not load cleanly
    // is left exactly as it was.
    for (size_t n = 0; n < full.size(); n += 7) {
        const std::string cut = full.substr(0, n);
        CAPTURE(n);
        REQUIRE(xmltest::WriteFileBytes(path, cut));
        XMLDocument doc(path.c_str(), XML_LOAD_FILE);
        CheckSound(doc);
        const int status = doc.GetParseStatus(nullptr);
        doc.SetSaveOnClose(true);
        doc.Clear();
        if (status != XML_STATUS_OK)
            CHECK(ReadAll(path) == cut);
    }
}

TEST_CASE("Declarations of document types and entities")
{
    XMLDocument doc;

    SUBCASE("an entity-expansion bomb is not expanded") {
        std::string bomb = "<?xml version=\"1.0\"?>\r\n<!DOCTYPE lolz [\r\n<!ENTITY lol \"lol\">\r\n";
        for (int i = 1; i < 10; ++i)
            bomb += "<!ENTITY lol" + std::to_string(i) + " \"" + std::string(10, '&') + "\">\r\n";
        bomb += "]>\r\n<lolz>&lol9;</lolz>\r\n";
        const long long before = LiveAllocations();
        doc.LoadFromText(bomb.c_str());
        CHECK(doc.GetParseStatus(nullptr) == XML_STATUS_NO_ELEMENT_END);
        CHECK(doc.GetRoot() == nullptr);
        CHECK(LiveAllocations() - before < 100);
    }
    SUBCASE("entity references in content stay as written") {
        doc.LoadFromText("<?xml?><r>&lol9;&lol9;</r>");
        CHECK(doc.GetParseStatus(nullptr) == XML_STATUS_OK);
        CHECK(xmltest::Texts(doc.GetRoot()) == "&lol9;&lol9;");
    }
    SUBCASE("an internal subset with markup inside") {
        doc.LoadFromText("<?xml?><!DOCTYPE r [<!ELEMENT r (#PCDATA)><!ATTLIST r a CDATA \"x>y\">]><r/>");
        CheckSound(doc);
    }
}

TEST_CASE("A start tag without a name is a parse error")
{
    // Read as elements, these made "< />" an end tag on the next save and
    // "<<!--x" a comment: the settings around them moved or vanished.
    for (const char* body : {"<r>< /></r>", "<r><></r>", "<r><a><></><b/></a><c/></r>", "<r><<!--x--></r>",
                             "<r><<?x?></r>", "<r><<![CDATA[x]]></r>", "<r><a<b/></r>", "<r/>< />", "< /><r/>"}) {
        const std::string shown = body;
        CAPTURE(shown);
        XMLDocument doc;
        doc.LoadFromText((std::string("<?xml?>") + body).c_str());
        CHECK(doc.GetParseStatus(nullptr) == XML_STATUS_NO_ELEMENT_END);
        CHECK_FALSE(doc.CheckIntegrity());
    }
}

TEST_CASE("Hostile documents save and read back as the same tree")
{
    const std::string texts[] = {
        "<r>< /></r>",
        "<r><a><></><b/></a><c/></r>",
        "<r><<!--x--><b/></r>",
        "<r><<?x?></r>",
        "<r><<![CDATA[ x ]]></r>",
        "<r><a/></r>< />",
        "<!-- <Update> > --><r><!-- <x> > --><a/><?pi > <b> ?><![CDATA[ <c> > ]]></r><!-- > </r> -->",
        "<r><!--><a/>--><?>?><b x=\"1\"><!---->t</b></r>",
        "<r><a-b.c_d:e/><\xC3\xA9/><a x=\"/\" y=\"'\" z=\"&amp;&lt;\"/><a x\"y=\"1\" =\"2\"/><n\r\n/></r>",
        "<r>t<a>u</a>v<!--c--><![CDATA[d]]><b/></r>",
        "<r><a><b></r>",
        Golden("mixed.xml"),
        Golden("track.xml"),
    };
    for (const std::string& text : texts) {
        CAPTURE(text);
        XMLDocument first;
        first.LoadFromText((text.compare(0, 5, "<?xml") == 0 ? text : "<?xml?>" + text).c_str());
        if (!first.GetRoot())
            continue;   // nothing read: nothing to write
        const std::string saved = xmltest::SaveToText(first);
        CAPTURE(saved);
        XMLDocument second;
        second.LoadFromText(saved.c_str());
        CHECK(second.GetParseStatus(nullptr) == XML_STATUS_OK);
        std::string where;
        CHECK_MESSAGE(xmltest::SameTree(first.GetRoot(), second.GetRoot(), &where), where);
        CHECK(first.GetProlog()->Compare(second.GetProlog()) == 0);
    }
}

TEST_CASE("The writer never writes a name that would read back as something else")
{
    testsupport::TempDir dir;
    const std::string path = dir.File("s.xml");
    const std::string before = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\r\n<root/>\r\n";

    for (const char* name : {"", "!--x", "?x", "![CDATA[", "!DOCTYPE", "a b", "a\tb", "a/b", "/a", "a\"b", "a>b",
                             "<a", "a<b"}) {
        const std::string shown = name;
        CAPTURE(shown);
        REQUIRE(xmltest::WriteFileBytes(path, before));
        XMLDocument doc(path.c_str(), XML_LOAD_FILE);
        XMLElement* cfg = doc.GetRoot()->FindElement("cfg", 1, nullptr);
        cfg->AppendChild(new XMLElement(cfg, name, XML_KIND_NAME));   // stored as given
        cfg->AddAttribute("x", "8.5");
        CHECK(doc.Save(nullptr) == 0);
        CHECK(ReadAll(path) == before);
        std::vector<char> memory(4096, 0);
        CHECK(doc.Save(memory.data(), 1, XML_SAVE_MEMORY) == 0);
        CHECK(XmlWriteElement(memory.data(), cfg, 0, 1, 1, XML_SAVE_MEMORY) == 0);
        CHECK(XmlWriteElement(memory.data(), cfg, 0, 0, 1, XML_SAVE_MEMORY) == 1);   // children left out
    }
    SUBCASE("the unescaped form is judged when that is what is written") {
        XMLElement e(nullptr, "a&lt;b", XML_KIND_NAME);
        std::vector<char> memory(256, 0);
        CHECK(XmlWriteElement(memory.data(), &e, 0, 1, 1, XML_SAVE_MEMORY) == 1);
        CHECK(std::string(memory.data()) == "<a&lt;b/>\r\n");
        CHECK(XmlWriteElement(memory.data(), &e, 0, 1, 0, XML_SAVE_MEMORY) == 0);
        std::string text;
        CHECK(XmlWriteElementToText(&e, 0, 1, 0, &text) == 0);
    }
    SUBCASE("names the escaping setter stores are written") {
        XMLElement e(nullptr, "x", XML_KIND_NAME);
        e.SetName("a<b&c");
        std::vector<char> memory(256, 0);
        CHECK(XmlWriteElement(memory.data(), &e, 0, 1, 1, XML_SAVE_MEMORY) == 1);
        CHECK(std::string(memory.data()) == "<a&lt;b&amp;c/>\r\n");
    }
}

TEST_CASE("100,000 levels of nesting")
{
    const int levels = 100000;
    auto nested = [](int n, bool closed) {
        std::string text = "<?xml version=\"1.0\"?>";
        text.reserve(size_t(n) * 8 + 64);
        for (int i = 0; i < n; ++i)
            text += "<e>";
        for (int i = 0; closed && i < n; ++i)
            text += "</e>";
        return text;
    };
    testsupport::TempDir dir;
    const std::string path = dir.File("deep.xml");

    SUBCASE("complete: status 2, a tree cut at the cap") {
        const std::string text = nested(levels, true);
        REQUIRE(xmltest::WriteFileBytes(path, text));
        XMLDocument doc(path.c_str(), XML_LOAD_FILE);
        CHECK(doc.GetParseStatus(nullptr) == XML_STATUS_NO_ELEMENT_END);
        REQUIRE(doc.GetRoot() != nullptr);
        CHECK(xmltest::TreeDepth(doc.GetRoot()) == kXmlMaxDepth);
        CHECK(doc.Save(nullptr) == 0);
        CHECK(ReadAll(path).size() == text.size());
        std::vector<char> memory(8 * 1024 * 1024, 0);
        CHECK(doc.Save(memory.data(), 1, XML_SAVE_MEMORY) == 1);   // writing it is safe
    }
    SUBCASE("skipping what nests too deep is linear") {
        CheckLinear(
            "nesting",
            [&](int n) {
                XMLDocument doc;
                doc.LoadFromText(nested(n, true).c_str());
            },
            levels / 8);
    }
    SUBCASE("never closed: status 2, no root") {
        REQUIRE(xmltest::WriteFileBytes(path, nested(levels, false)));
        XMLDocument doc(path.c_str(), XML_LOAD_FILE);
        CHECK(doc.GetParseStatus(nullptr) == XML_STATUS_NO_ELEMENT_END);
        CHECK(doc.GetRoot() == nullptr);
    }
}

TEST_CASE("Wide elements parse in linear time")
{
    // Arrays that grow by a fixed step, filled one entry at a time, would
    // make each of these quadratic: minutes instead of milliseconds.
    const int count = 200000;
    auto repeated = [](const char* head, const char* piece, int n, const char* tail) {
        std::string text = head;
        for (int i = 0; i < n; ++i)
            text += piece;
        return text + tail;
    };
    auto parse = [&](const char* head, const char* piece, const char* tail) {
        return [=](int n) {
            XMLDocument doc;
            doc.LoadFromText(repeated(head, piece, n, tail).c_str());
        };
    };
    XMLDocument doc;

    SUBCASE("children") {
        doc.LoadFromText(repeated("<?xml?><r>", "<a/>", count, "</r>").c_str());
        CHECK(doc.GetRoot()->GetChildCount() == uint32_t(count));
        CheckLinear("children", parse("<?xml?><r>", "<a/>", "</r>"), count / 8);
    }
    SUBCASE("text and comments") {
        doc.LoadFromText(repeated("<?xml?><r>", "x<!---->", count, "</r>").c_str());
        CHECK(doc.GetRoot()->GetTextNodeCount() == uint32_t(count));
        CHECK(doc.GetRoot()->GetCommentCount() == uint32_t(count));
        CheckLinear("text and comments", parse("<?xml?><r>", "x<!---->", "</r>"), count / 8);
    }
    SUBCASE("comments before the root") {
        doc.LoadFromText(repeated("<?xml?>", "<!---->", count, "<r/>").c_str());
        CHECK(doc.GetProlog()->GetCommentCount() == uint32_t(count));
        CheckLinear("prolog comments", parse("<?xml?>", "<!---->", "<r/>"), count / 8);
    }
}

TEST_CASE("Appending one at a time is linear for every array")
{
    // Every caller adds one entry at a time (a recording its points, an
    // import its placemarks): no array may grow by a fixed step alone.
    const int n = 200000 / 8;
    auto adding = [](void (*add)(XMLElement&, int)) {
        return [add](int count) {
            XMLElement e(nullptr, "t", XML_KIND_NAME);
            for (int i = 0; i < count; ++i)
                add(e, i);
        };
    };
    CheckLinear("children",
                adding([](XMLElement& e, int) { e.AppendChild(new XMLElement(nullptr, "p", XML_KIND_NAME)); }), n);
    CheckLinear("attributes", adding([](XMLElement& e, int) { e.AddAttribute("a", "1"); }), n);
    CheckLinear("text nodes", adding([](XMLElement& e, int i) { e.AddTextNode("x", i); }), n);
    CheckLinear("comments", adding([](XMLElement& e, int i) { e.AddComment("c", i); }), n);
    CheckLinear("CDATA", adding([](XMLElement& e, int i) { e.AddCData("d", i); }), n);
    CheckLinear(
        "prolog comments",
        [](int count) {
            XMLProlog p("<?xml?>");
            for (int i = 0; i < count; ++i)
                p.AppendComment(new XMLCommentNode(nullptr, 0, "c"), 0);
        },
        n);
}

TEST_CASE("A start tag with 400,000 attributes reads in linear time")
{
    // Added one at a time in steps of 20, each step copying the array,
    // they would take a quarter of a minute; the capacity must still be
    // the one those steps give.
    const int count = 400000;
    auto startTag = [](int n) {
        std::string tag = "<r";
        for (int i = 0; i < n; ++i)
            tag += " a" + std::to_string(i) + "=\"" + std::to_string(i) + "\"";
        return tag + ">";
    };
    const std::string tag = startTag(count);

    XMLDocument doc;
    doc.LoadFromText(("<?xml?>" + tag + "</r>").c_str());
    XMLElement* root = doc.GetRoot();
    REQUIRE(root);
    CHECK(root->GetAttributeCount() == uint32_t(count));
    CHECK(root->GetAttributeCapacity() == uint32_t(count));
    CHECK(std::string(root->GetAttribute(count - 1)->GetStoredName()) == "a399999");
    XMLElement e(nullptr, tag.c_str());
    CHECK(e.GetAttributeCount() == uint32_t(count));
    CHECK(e.GetAttributeCapacity() == uint32_t(count));

    CheckLinear(
        "parsed",
        [&](int n) {
            XMLDocument d;
            d.LoadFromText(("<?xml?>" + startTag(n) + "</r>").c_str());
            d.GetRoot()->GetAttribute(0);   // the records as well
        },
        count / 8);
    CheckLinear("constructed", [&](int n) { XMLElement t(nullptr, startTag(n).c_str()); }, count / 8);

    for (const auto& [n, capacity] : {std::pair{0, 20}, {20, 20}, {21, 40}, {45, 60}}) {
        std::string t = "<r";
        for (int i = 0; i < n; ++i)
            t += " a=\"\"";
        XMLElement fromTag(nullptr, (t + ">").c_str());
        XMLDocument parsedDoc;
        parsedDoc.LoadFromText(("<?xml?>" + t + "/>").c_str());
        CHECK(fromTag.GetAttributeCapacity() == uint32_t(capacity));
        CHECK(parsedDoc.GetRoot()->GetAttributeCapacity() == uint32_t(capacity));
        CHECK(parsedDoc.GetRoot()->GetAttributeCount() == uint32_t(n));
    }
}

TEST_CASE("UTF-16 files, empty files, white space")
{
    testsupport::TempDir dir;
    const std::string path = dir.File("f.xml");
    auto load = [&](const std::string& bytes, XMLDocument& doc) {
        REQUIRE(xmltest::WriteFileBytes(path, bytes));
        doc.Load(path.c_str(), XML_LOAD_FILE);
        CheckSound(doc);
    };
    std::string u16 = Golden("tree-utf16.xml");
    REQUIRE(u16.size() > 10);

    SUBCASE("odd lengths: the odd byte is dropped") {
        for (size_t n : {size_t(1), size_t(2), size_t(3), size_t(7), u16.size() - 1, u16.size() + 1}) {
            CAPTURE(n);
            XMLDocument doc;
            std::string bytes = u16.substr(0, std::min(n, u16.size()));
            if (n > u16.size())
                bytes += 'x';
            load(bytes, doc);
        }
        XMLDocument whole;
        load(u16 + "\x41", whole);
        CHECK(whole.GetParseStatus(nullptr) == XML_STATUS_OK);
        CHECK(std::string(whole.GetRoot()->GetStoredName()) == "r");
    }
    SUBCASE("a zero unit ends the text") {
        XMLDocument doc;
        std::string bytes = u16;
        bytes.insert(bytes.size() - 4, std::string("\0\0<\0x\0>\0", 8));
        load(bytes, doc);
        CHECK(doc.GetParseStatus(nullptr) == XML_STATUS_OK);
        CHECK(std::string(doc.GetRoot()->GetStoredName()) == "r");
    }
    SUBCASE("unpaired surrogates and a mark alone") {
        XMLDocument doc;
        load(std::string("\xFF\xFE<\0r\0\x00\xD8/\0>\0", 12), doc);
        load("\xFF\xFE", doc);
        CHECK(doc.GetParseStatus(nullptr) == XML_STATUS_REPAIRED);
    }
    SUBCASE("an empty file: the default document, name kept") {
        XMLDocument doc;
        load("", doc);
        CHECK(doc.GetParseStatus(nullptr) == XML_STATUS_OK);
        CHECK(doc.Save(nullptr) == 1);
    }
    SUBCASE("white space only: repaired, and the file is left alone") {
        XMLDocument doc;
        load(" \r\n\t \r\n", doc);
        CHECK(doc.GetParseStatus(nullptr) == XML_STATUS_REPAIRED);
        CHECK(std::string(doc.GetRoot()->GetStoredName()) == "root");
        CHECK(doc.Save(nullptr) == 0);
        CHECK(ReadAll(path) == " \r\n\t \r\n");
    }
    SUBCASE("NUL bytes end a UTF-8 text") {
        XMLDocument doc;
        load(std::string("<?xml?><r/>\0<x>", 15), doc);
        CHECK(doc.GetParseStatus(nullptr) == XML_STATUS_OK);
    }
}

TEST_CASE("Seeded random input never breaks the parser")
{
    const std::string seedDoc = Golden("mixed.xml") + Golden("track.xml");
    REQUIRE(!seedDoc.empty());
    static const char* const kPieces[] = {"<",  ">",   "/",    "\"",  "'",        "=",  "<!--", "-->",
                                          "<?", "?>",  "<![CDATA[", "]]>", "</",  "/>", "&",    "&#x",
                                          ";",  "\r\n", " ",    "a",   "<a>",      "</a>", "<a/>", "\xEF\xBB\xBF"};
    int leaks = 0;
    for (uint32_t seed = 1; seed <= 600; ++seed) {
        CAPTURE(seed);
        Random rnd(seed);
        std::string text;
        if (seed % 3 == 0) {
            // Token soup.
            const uint32_t n = rnd.Below(200);
            for (uint32_t i = 0; i < n; ++i)
                text += kPieces[rnd.Below(sizeof kPieces / sizeof kPieces[0])];
        } else {
            // A real document with a few mutations.
            text = seedDoc;
            const uint32_t edits = 1 + rnd.Below(8);
            for (uint32_t i = 0; i < edits && !text.empty(); ++i) {
                const size_t at = rnd.Below(uint32_t(text.size()));
                switch (rnd.Below(4)) {
                case 0:
                    text[at] = char(rnd.Below(256));
                    break;
                case 1:
                    text.erase(at, 1 + rnd.Below(20));
                    break;
                case 2:
                    text.insert(at, kPieces[rnd.Below(sizeof kPieces / sizeof kPieces[0])]);
                    break;
                default:
                    text.resize(at);
                    break;
                }
            }
        }
        text.erase(std::find(text.begin(), text.end(), '\0'), text.end());

        // Loading and freeing alone, so nothing else allocates meanwhile.
        const long long mark = LiveAllocations();
        {
            XMLDocument doc;
            doc.LoadFromText(text.c_str());
        }
        if (LiveAllocations() != mark)
            ++leaks;

        XMLDocument doc;
        doc.LoadFromText(text.c_str());
        CheckSound(doc);
        if (doc.GetRoot()) {
            // What was read writes out and reads back without harm.
            XMLDocument again;
            again.LoadFromText(xmltest::SaveToText(doc).c_str());
            CheckSound(again);
        }
    }
    CHECK(leaks == 0);
}
