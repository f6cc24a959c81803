// Tests of the writer: byte-exact text, node placement, the four forms.
#include <doctest.h>

#include <windows.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "support/test_support.h"
#include "xml/xml.h"
#include "xmldoc_support.h"

using xmltest::Golden;
using xmltest::WriteToText;

namespace {

// The small tree: r a="1" with a comment c before its first child, a child
// s holding the text t, and an empty child e with b="2".
XMLElement* SmallTree()
{
    XMLElement* r = new XMLElement(nullptr, "<r a=\"1\">");
    r->AddComment("c", 0);
    XMLElement* s = new XMLElement(r, "s");
    r->AppendChild(s);
    s->AddTextNode("t", 0);
    r->AddChildFromTag("<e b=\"2\"/>");
    return r;
}

const auto ReadAll = testsupport::FileBytes;

}  // namespace

TEST_CASE("Writer: the small tree, byte for byte")
{
    std::unique_ptr<XMLElement> r(SmallTree());

    SUBCASE("one TAB per level, CR LF, the comment before the first child") {
        CHECK(WriteToText(r.get()) ==
              "<r a=\"1\">\r\n\t<!--c-->\r\n\t<s>\r\n\t\tt\r\n\t</s>\r\n\t<e b=\"2\"/>\r\n</r>\r\n");
    }
    SUBCASE("the one-line form puts a lone text on the tag's line") {
        XmlExportFormat oneLine{0, 1, 1};
        r->GetChild(0)->SetExportFormat(&oneLine);
        CHECK(WriteToText(r.get()) == "<r a=\"1\">\r\n\t<!--c-->\r\n\t<s>t</s>\r\n\t<e b=\"2\"/>\r\n</r>\r\n");
    }
    SUBCASE("three blanks per level") {
        XmlExportFormat blanks{1, 3, 0};
        r->SetExportFormat(&blanks);
        CHECK(WriteToText(r.get()) ==
              "<r a=\"1\">\r\n   <!--c-->\r\n   <s>\r\n      t\r\n   </s>\r\n   <e b=\"2\"/>\r\n</r>\r\n");
    }
    SUBCASE("an indent count beyond 50 is limited to 50") {
        XmlExportFormat wide{1, 80, 0};
        r->SetExportFormat(&wide);
        CHECK(r->GetChild(1)->GetExportFormat().indentCount == 50);
        CHECK(WriteToText(r->GetChild(1), 1) == std::string(50, ' ') + "<e b=\"2\"/>\r\n");
    }
    SUBCASE("the level indents the whole subtree") {
        CHECK(WriteToText(r->GetChild(0), 2) == "\t\t<s>\r\n\t\t\tt\r\n\t\t</s>\r\n");
    }
    SUBCASE("the memory form appends to the text already there") {
        std::vector<char> buffer(512, 0);
        std::strcpy(buffer.data(), "kept|");
        CHECK(XmlWriteElement(buffer.data(), r->GetChild(1), 0, 1, 1, XML_SAVE_MEMORY) == 1);
        CHECK(std::string(buffer.data()) == "kept|<e b=\"2\"/>\r\n");
    }
}

TEST_CASE("Writer: where text, comments and CDATA go")
{
    SUBCASE("an element without content closes itself") {
        XMLElement n(nullptr, "<n a=\"1\">");
        CHECK(WriteToText(&n) == "<n a=\"1\"/>\r\n");
    }
    SUBCASE("children left out make an element with only children empty") {
        XMLElement n(nullptr, "<n><a/><b/></n>");
        n.AddChildFromTag("a");
        CHECK(WriteToText(&n, 0, 0) == "<n/>\r\n");
    }
    SUBCASE("children left out still leave text, comments and CDATA") {
        XMLElement n(nullptr, "n");
        n.AddChildFromTag("a");
        n.AddTextNode("t", 1);
        n.AddComment("c", 0);
        CHECK(WriteToText(&n, 0, 0) == "<n>\r\n\t<!--c-->\r\n\tt\r\n</n>\r\n");
    }
    SUBCASE("one-line with two texts: texts bare, end tag indented") {
        XMLElement n(nullptr, "n");
        XmlExportFormat oneLine{0, 1, 1};
        n.SetExportFormat(&oneLine);
        n.AddTextNode("a", 0);
        n.AddTextNode("b", 0);
        CHECK(WriteToText(&n, 1) == "\t<n>\r\nab\t</n>\r\n");
    }
    SUBCASE("a text at the child count follows the last child") {
        XMLElement n(nullptr, "n");
        n.AddChildFromTag("a");
        n.AddTextNode("after", 1);
        CHECK(WriteToText(&n) == "<n>\r\n\t<a/>\r\n\tafter\r\n</n>\r\n");
    }
    SUBCASE("before a child: text first, then CDATA") {
        XMLElement n(nullptr, "n");
        n.AddChildFromTag("a");
        n.AddCData("d", 0);
        n.AddTextNode("t", 0);
        CHECK(WriteToText(&n) == "<n>\r\n\tt\r\n\t<![CDATA[d]]>\r\n\t<a/>\r\n</n>\r\n");
    }
    SUBCASE("without children: comments, then CDATA, then text") {
        XMLElement n(nullptr, "n");
        n.AddTextNode("t", 0);
        n.AddCData("d", 0);
        n.AddComment("c", 0);
        CHECK(WriteToText(&n) == "<n>\r\n\t<!--c-->\r\n\t<![CDATA[d]]>\r\n\tt\r\n</n>\r\n");
    }
    SUBCASE("raw 0 writes names, values and text unescaped; comments and CDATA as stored") {
        XMLElement n(nullptr, "n");
        n.AddAttribute("v", "a<b");
        n.AddTextNode("x & y", 0);
        n.AddComment("&amp;", 0);
        CHECK(WriteToText(&n, 0, 1, 1) == "<n v=\"a&lt;b\">\r\n\t<!--&amp;-->\r\n\tx &amp; y\r\n</n>\r\n");
        CHECK(WriteToText(&n, 0, 1, 0) == "<n v=\"a<b\">\r\n\t<!--&amp;-->\r\n\tx & y\r\n</n>\r\n");
    }
    SUBCASE("an unloaded (null) child slot is stepped over") {
        XMLElement n(nullptr, "n");
        n.AddChildFromTag("a");
        n.AddChildFromTag("b");
        testsupport::TempDir dir;
        xmltest::CurrentDir cd(dir.Path());
        REQUIRE(n.UnloadChild(0) == 1);
        DeleteFileA("0.xmltmp");   // lost: the slot cannot be filled again
        CHECK(WriteToText(&n) == "<n>\r\n\t<b/>\r\n</n>\r\n");
    }
}

TEST_CASE("Writer: deep trees need no deep stack")
{
    // Borrowed links keep the parents from freeing the chain recursively;
    // each element is freed on its own below.
    const int levels = 100000;
    std::vector<std::unique_ptr<XMLElement>> chain;
    chain.emplace_back(new XMLElement(nullptr, "e"));
    for (int i = 1; i < levels; ++i) {
        chain.emplace_back(new XMLElement(chain.back().get(), "e"));
        chain[size_t(i - 1)]->AddBorrowedChild(chain.back().get(), 0);
    }
    XmlExportFormat flat{0, 0, 0};
    chain.front()->SetExportFormat(&flat);
    std::vector<char> buffer(size_t(levels) * 12 + 64, 0);
    CHECK(XmlWriteElement(buffer.data(), chain.front().get(), 0, 1, 1, XML_SAVE_MEMORY) == 1);
    const std::string text = buffer.data();
    CHECK(text.size() == size_t(levels - 1) * 11 + 6);
    CHECK(text.compare(0, 10, "<e>\r\n<e>\r\n") == 0);
    while (!chain.empty())
        chain.pop_back();   // deepest first
}

TEST_CASE("Writer: golden documents")
{
    testsupport::TempDir dir;

    SUBCASE("a built tree saves as the golden file, in UTF-8 and UTF-16") {
        XMLDocument doc;
        doc.LoadFromText(nullptr);
        doc.SetRoot(SmallTree());
        REQUIRE(doc.Save(dir.File("tree.xml").c_str(), 1, XML_SAVE_FILE) == 1);
        CHECK(ReadAll(dir.File("tree.xml")) == Golden("tree.xml"));
        REQUIRE(doc.Save(dir.File("tree16.xml").c_str(), 1, XML_SAVE_FILE_UTF16) == 1);
        CHECK(ReadAll(dir.File("tree16.xml")) == Golden("tree-utf16.xml"));
    }
    SUBCASE("golden files load and save back unchanged") {
        for (const std::string name : {"tree.xml", "track.xml", "mixed.xml"}) {
            CAPTURE(name);
            const std::string golden = Golden(name);
            REQUIRE(!golden.empty());
            const std::string path = dir.File(name);
            REQUIRE(xmltest::WriteFileBytes(path, golden));
            XMLDocument doc(path.c_str(), XML_LOAD_FILE);
            CHECK(doc.GetParseStatus(nullptr) == XML_STATUS_OK);
            CHECK(xmltest::SaveToText(doc) == golden);
            CHECK(doc.Save(nullptr) == 1);
            CHECK(ReadAll(path) == golden);
        }
    }
    SUBCASE("a UTF-16 file loads and saves back as the same UTF-16 bytes") {
        const std::string path = dir.File("u16.xml");
        REQUIRE(xmltest::WriteFileBytes(path, Golden("tree-utf16.xml")));
        XMLDocument doc(path.c_str(), XML_LOAD_FILE);
        CHECK(doc.GetParseStatus(nullptr) == XML_STATUS_OK);
        CHECK(doc.Save(nullptr, 1, XML_SAVE_FILE_UTF16) == 1);
        CHECK(ReadAll(path) == Golden("tree-utf16.xml"));
    }
    SUBCASE("parse, write, parse: the trees are equal") {
        for (const std::string name : {"tree.xml", "track.xml", "mixed.xml"}) {
            CAPTURE(name);
            XMLDocument first;
            first.LoadFromText(Golden(name).c_str());
            const std::string text = xmltest::SaveToText(first);
            XMLDocument second;
            second.LoadFromText(text.c_str());
            std::string where;
            CHECK_MESSAGE(xmltest::SameTree(first.GetRoot(), second.GetRoot(), &where), where);
            CHECK(xmltest::SaveToText(second) == text);
        }
    }
    SUBCASE("the settings document: loaded elements indent by blanks, new ones by TABs") {
        XMLDocument doc;
        doc.LoadFromText("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\r\n"
                         "<root><cfg><pathvex agc=\"1\"/><gps port=\"COM5\"/></cfg></root>");
        XmlExportFormat settings{1, 1, 0};
        doc.SetExportFormat(&settings);
        doc.GetRoot()->GetChild(0)->AddChildFromTag("<track rci=\"1\"/>");
        CHECK(xmltest::SaveToText(doc) == Golden("settings-saved.xml"));
    }
}

#if defined(PATHVEX_DESKTOP)
namespace {

class TestKey {
public:
    TestKey()
    {
        name_ = "Software\\PathvexXmlTest-" + std::to_string(GetCurrentProcessId());
        RegCreateKeyExA(HKEY_CURRENT_USER, name_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_, nullptr);
    }
    ~TestKey()
    {
        if (key_)
            RegCloseKey(key_);
        RegDeleteTreeA(HKEY_CURRENT_USER, name_.c_str());
    }
    TestKey(const TestKey&) = delete;
    TestKey& operator=(const TestKey&) = delete;
    HKEY Key() const { return key_; }
    const std::string& Name() const { return name_; }

private:
    std::string name_;
    HKEY key_ = nullptr;
};

// A string value below the test key, or "(missing)".
std::string Value(const TestKey& k, const std::string& subkey, const std::string& value)
{
    char data[256] = {};
    DWORD size = sizeof data - 1;
    if (RegGetValueA(HKEY_CURRENT_USER, (k.Name() + "\\" + subkey).c_str(), value.c_str(), RRF_RT_REG_SZ, nullptr,
                     data, &size) != ERROR_SUCCESS)
        return "(missing)";
    return data;
}

bool KeyExists(const TestKey& k, const std::string& subkey)
{
    HKEY h = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, (k.Name() + "\\" + subkey).c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS)
        return false;
    RegCloseKey(h);
    return true;
}

}  // namespace

TEST_CASE("Writer: the registry form")
{
    TestKey key;
    REQUIRE(key.Key() != nullptr);
    XMLDocument doc;
    doc.LoadFromText("<?xml?><r a=\"1&amp;2\"><!--c-->text<![CDATA[cd]]><s x=\"2\"/><s/>tail</r>");

    SUBCASE("keys per element, values for attributes, comments, text and CDATA") {
        CHECK(doc.Export(key.Key(), 1, XML_SAVE_REGISTRY, doc.GetProlog(), nullptr, nullptr) == 1);
        CHECK(Value(key, "E0r", "Va") == "1&amp;2");
        CHECK(Value(key, "E0r", "C0") == "c");
        CHECK(Value(key, "E0r\\E0s", "Vx") == "2");
        CHECK(KeyExists(key, "E0r\\E1s"));
    }
    SUBCASE("text and CDATA are numbered together, so neither replaces the other") {
        CHECK(doc.Export(key.Key(), 1, XML_SAVE_REGISTRY, nullptr, nullptr, nullptr) == 1);
        CHECK(Value(key, "E0r", "D0") == "text");
        CHECK(Value(key, "E0r", "D1") == "cd");
        CHECK(Value(key, "E0r", "D2") == "tail");
    }
    SUBCASE("raw 0 stores unescaped values") {
        CHECK(doc.Export(key.Key(), 0, XML_SAVE_REGISTRY, nullptr, nullptr, nullptr) == 1);
        CHECK(Value(key, "E0r", "Va") == "1&2");
    }
    SUBCASE("failed registry calls are reported") {
        CHECK(XmlWriteElement(reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x7654)), doc.GetRoot(), 0, 1, 1,
                              XML_SAVE_REGISTRY) == 0);
        XMLElement odd(nullptr, "a\\b", XML_KIND_NAME);
        CHECK(XmlWriteElement(key.Key(), &odd, 0, 1, 1, XML_SAVE_REGISTRY) == 0);
        CHECK_FALSE(KeyExists(key, "E0a"));
    }
    SUBCASE("Save never writes the registry form") {
        CHECK(doc.Save(key.Key(), 1, XML_SAVE_REGISTRY) == 0);
    }
}
#endif
