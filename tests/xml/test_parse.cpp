// Tests of the parser: what each kind of markup becomes in the tree.
#include <doctest.h>

#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "xml/xml.h"
#include "xmldoc_support.h"

using xmltest::Texts;

namespace {
// A document from text that carries a declaration, so status 0 means the
// elements themselves were read cleanly.
void Parse(XMLDocument& doc, const std::string& body)
{
    doc.LoadFromText(("<?xml version=\"1.0\"?>" + body).c_str());
}
}  // namespace

TEST_CASE("Parser: text nodes and their positions")
{
    XMLDocument doc;

    SUBCASE("white space alone between tags makes no text node; text is trimmed") {
        Parse(doc, "<r>\r\n\t <a/>\t\r\n<b/>  a b  </r>");
        XMLElement* r = doc.GetRoot();
        CHECK(doc.GetParseStatus(nullptr) == XML_STATUS_OK);
        CHECK(r->GetTextNodeCount() == 1);
        CHECK(Texts(r) == "a b");
        CHECK(r->GetTextNode(0)->GetPosition() == 2);
    }
    SUBCASE("text between children is numbered by the children before it") {
        Parse(doc, "<r>x<a/>y<b>in b</b>z</r>");
        XMLElement* r = doc.GetRoot();
        REQUIRE(r->GetTextNodeCount() == 3);
        CHECK(Texts(r) == "x|y|z");
        CHECK(r->GetTextNode(0)->GetPosition() == 0);
        CHECK(r->GetTextNode(1)->GetPosition() == 1);
        CHECK(r->GetTextNode(2)->GetPosition() == 2);
        CHECK(Texts(r->GetChild(1)) == "in b");
    }
    SUBCASE("character data stays escaped as written") {
        Parse(doc, "<r>a &amp; b &#65; &nbsp;</r>");
        CHECK(Texts(doc.GetRoot()) == "a &amp; b &#65; &nbsp;");
    }
}

TEST_CASE("Parser: comments, processing instructions and CDATA")
{
    XMLDocument doc;

    SUBCASE("comments before and after the root belong to the prolog") {
        Parse(doc, "<!--before--><r><!--first--><a/></r><!--after-->");
        XMLProlog* p = doc.GetProlog();
        REQUIRE(p->GetCommentCount() == 2);
        CHECK(std::string(p->GetComment(0)->GetText()) == "before");
        CHECK(p->GetComment(0)->GetPosition() == 0);
        CHECK(std::string(p->GetComment(1)->GetText()) == "after");
        CHECK(p->GetComment(1)->GetPosition() == 1);
        XMLElement* r = doc.GetRoot();
        REQUIRE(r->GetCommentCount() == 1);
        CHECK(std::string(r->GetComment(0)->GetText()) == "first");
        CHECK(r->GetComment(0)->GetPosition() == 0);
        CHECK(r->GetComment(0)->GetOwner() == r);
    }
    SUBCASE("a comment ends at \"-->\", whatever '>' and tags it holds") {
        Parse(doc, "<r><!-- a > b <x> </r> --><a/></r>");
        CHECK(doc.GetParseStatus(nullptr) == XML_STATUS_OK);
        XMLElement* r = doc.GetRoot();
        REQUIRE(r->GetCommentCount() == 1);
        CHECK(std::string(r->GetComment(0)->GetText()) == " a > b <x> </r> ");
        CHECK(r->GetTextNodeCount() == 0);
        REQUIRE(r->GetChildCount() == 1);
        CHECK(std::string(r->GetChild(0)->GetStoredName()) == "a");
    }
    SUBCASE("a comment quoting tags before the root leaves the document readable") {
        doc.LoadFromText("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
                         "<!-- Shows <Update> with <Create> --><kml><Document><Placemark><name>A</name>"
                         "</Placemark></Document></kml>\r\n");
        CHECK(doc.GetParseStatus(nullptr) == XML_STATUS_OK);
        CHECK(std::string(doc.GetRoot()->GetStoredName()) == "kml");
        REQUIRE(doc.GetProlog()->GetCommentCount() == 1);
        CHECK(std::string(doc.GetProlog()->GetComment(0)->GetText()) == " Shows <Update> with <Create> ");
        XMLElement* placemark = doc.GetRoot()->FindElementByPath("Document\\Placemark");
        REQUIRE(placemark != nullptr);
        CHECK(Texts(placemark->GetChild(0)) == "A");
    }
    SUBCASE("a processing instruction ends at \"?>\", becomes a comment and is written as one") {
        Parse(doc, "<r><?style href=\"a.css\" a>b?><a/></r>");
        XMLElement* r = doc.GetRoot();
        REQUIRE(r->GetCommentCount() == 1);
        CHECK(std::string(r->GetComment(0)->GetText()) == "style href=\"a.css\" a>b");
        CHECK(r->GetChildCount() == 1);
        CHECK(xmltest::WriteToText(r) == "<r>\r\n\t<!--style href=\"a.css\" a>b-->\r\n\t<a/>\r\n</r>\r\n");
    }
    SUBCASE("empty comments and instructions; their ends never overlap their starts") {
        Parse(doc, "<r><!----><?\?><a/></r>");
        XMLElement* r = doc.GetRoot();
        REQUIRE(r->GetCommentCount() == 2);
        for (uint32_t i = 0; i < 2; ++i)
            CHECK(std::string(r->GetComment(i)->GetText()).empty());
        CHECK(r->GetChildCount() == 1);
        Parse(doc, "<r><!--><a/>--><?>?><b/></r>");
        r = doc.GetRoot();
        REQUIRE(r->GetCommentCount() == 2);
        CHECK(std::string(r->GetComment(0)->GetText()) == "><a/>");
        CHECK(std::string(r->GetComment(1)->GetText()) == ">");
        CHECK(r->GetChildCount() == 1);
        Parse(doc, "<!---->x<?\?><r/>");
        CHECK(doc.GetProlog()->GetCommentCount() == 2);
        CHECK(std::string(doc.GetRoot()->GetStoredName()) == "r");
    }
    SUBCASE("CDATA keeps markup and takes the child count as position") {
        Parse(doc, "<r><a/><![CDATA[<b>x</b> & ]]></r>");
        XMLElement* r = doc.GetRoot();
        REQUIRE(r->GetCDataCount() == 1);
        CHECK(std::string(r->GetCDataNode(0)->GetText()) == "<b>x</b> & ");
        CHECK(r->GetCDataNode(0)->GetPosition() == 1);
        CHECK(r->GetChildCount() == 1);
    }
    SUBCASE("CDATA outside every element is dropped") {
        Parse(doc, "<![CDATA[x]]><r/><![CDATA[y]]>");
        CHECK(doc.GetParseStatus(nullptr) == XML_STATUS_OK);
        CHECK(std::string(doc.GetRoot()->GetStoredName()) == "r");
        CHECK(doc.GetRoot()->GetCDataCount() == 0);
    }
}

TEST_CASE("Parser: elements and start tags")
{
    XMLDocument doc;

    SUBCASE("attributes are stored as written; apostrophe values are not read") {
        Parse(doc, "<r a=\"1\" b = \"x &amp; y\" c='3'/>");
        XMLElement* r = doc.GetRoot();
        REQUIRE(r->GetAttributeCount() == 2);
        CHECK(std::string(r->GetAttribute(1)->GetStoredName()) == "b");
        CHECK(std::string(r->GetAttribute(1)->GetStoredValue()) == "x &amp; y");
    }
    SUBCASE("a '>' inside an attribute value cuts the start tag there") {
        Parse(doc, "<r><a v=\"1>2\">t</a></r>");
        XMLElement* a = doc.GetRoot()->GetChild(0);
        REQUIRE(a != nullptr);
        CHECK(a->GetAttributeCount() == 0);
        CHECK(Texts(a) == "2\">t");
    }
    SUBCASE("a slash inside a quoted value does not close the element") {
        Parse(doc, "<r><a href=\"http://x/\"><b/></a></r>");
        XMLElement* a = doc.GetRoot()->GetChild(0);
        CHECK(a->GetChildCount() == 1);
        CHECK(std::string(a->GetAttribute(0)->GetStoredValue()) == "http://x/");
    }
    SUBCASE("end tags close the innermost element whatever their name") {
        Parse(doc, "<r><a><b></x></y><c/></r>");
        XMLElement* r = doc.GetRoot();
        CHECK(doc.GetParseStatus(nullptr) == XML_STATUS_OK);
        REQUIRE(r->GetChildCount() == 2);
        CHECK(std::string(r->GetChild(0)->GetStoredName()) == "a");
        CHECK(r->GetChild(0)->GetChildCount() == 1);
        CHECK(std::string(r->GetChild(1)->GetStoredName()) == "c");
    }
    SUBCASE("children know their parent") {
        Parse(doc, "<r><a><b/></a></r>");
        XMLElement* a = doc.GetRoot()->GetChild(0);
        CHECK(a->GetParent() == doc.GetRoot());
        CHECK(a->GetChild(0)->GetParent() == a);
        CHECK(doc.GetRoot()->GetParent() == nullptr);
    }
}

TEST_CASE("Parser: attributes read from a file act as records from the first use on")
{
    XMLDocument doc;
    Parse(doc, "<r><p x=\"1\" y = \"a&amp;b\" z=\"\"/><q/></r>");
    XMLElement* p = doc.GetRoot()->GetChild(0);
    REQUIRE(p->GetAttributeCount() == 3);
    CHECK(p->GetAttributeCapacity() == 20);

    SUBCASE("lookups, values and estimates need no records, and agree with them") {
        XMLAttribute stranger("x", "1", 1);
        CHECK(p->GetAttributeIndex(&stranger) == -1);
        CHECK(p->FindAttributeIndex("y") == 1);
        CHECK(doc.GetAttributeByPath("p", "y", nullptr, 0) == 3);
        const size_t estimate = doc.GetMemoryUsage();
        XMLAttribute* y = p->GetAttribute(1);
        CHECK(doc.GetMemoryUsage() == estimate);
        CHECK(std::string(y->GetStoredValue()) == "a&amp;b");
        CHECK((y->GetOwner() == p && p->GetAttribute(1) == y && p->GetAttributes()[1] == y));
        CHECK((p->GetAttributeIndex(y) == 1 && p->FindAttributePointer(y) == y));
        CHECK(p->FindAttribute("z", 0, nullptr) == p->GetAttribute(2));
    }
    SUBCASE("edits after parsing") {
        p->GetAttribute(0)->SetValue("<2>", 0);
        CHECK(p->AddAttribute("w", "4") == 4);
        CHECK(p->GetAttributeCapacity() == 20);
        XMLAttribute* detached = nullptr;
        CHECK(p->DetachAttribute(1, &detached) == 3);
        REQUIRE(detached);
        CHECK((std::string(detached->GetStoredName()) == "y" && detached->GetOwner() == p));
        delete detached;
        CHECK(p->RemoveAttribute(1) == 2);
        CHECK(xmltest::WriteToText(p) == "<p x=\"&lt;2&gt;\" w=\"4\"/>\r\n");
        CHECK(p->SetName("n&m") == 7);
        CHECK(std::string(p->GetStoredName()) == "n&amp;m");
        p->RemoveAllAttributes();
        CHECK((p->GetAttributeCount() == 0 && p->FindAttributeIndex("x") == -1));
    }
    SUBCASE("a new start tag replaces the name and attributes read from the file") {
        p->ParseStartTag("<s k=\"v\">", XML_KIND_TAG);
        CHECK(std::string(p->GetStoredName()) == "s");
        REQUIRE(p->GetAttributeCount() == 1);
        CHECK(std::string(p->GetAttribute(0)->GetStoredValue()) == "v");
        p->ParseStartTag(p->GetStoredName(), XML_KIND_TAG);   // its own name as the text
        CHECK((std::string(p->GetStoredName()) == "s" && p->GetAttributeCount() == 0));
    }
    SUBCASE("compaction before the first use, then growth by the usual step") {
        doc.Compact();
        CHECK(p->GetAttributeCapacity() == 3);
        CHECK(std::string(p->GetAttribute(2)->GetStoredName()) == "z");
        CHECK(p->AddAttribute("w", "4") == 4);
        CHECK(p->GetAttributeCapacity() == 23);
    }
    SUBCASE("copies, comparisons, merges and sorting") {
        std::unique_ptr<XMLElement> copy(p->DeepCopy(nullptr));
        CHECK(copy->Compare(p) == 0);
        CHECK(copy->GetAttributeCapacity() == 20);
        XMLElement* q = doc.GetRoot()->GetChild(1);
        XMLElement::Merge(q, p, 0);
        CHECK(xmltest::WriteToText(q) == "<q x=\"1\" y=\"a&amp;b\" z=\"\"/>\r\n");
        p->SortAttributes([](const void* a, const void* b) {
            return -std::strcmp((*static_cast<XMLAttribute* const*>(a))->GetStoredName(),
                                (*static_cast<XMLAttribute* const*>(b))->GetStoredName());
        });
        CHECK(xmltest::WriteToText(p) == "<p z=\"\" y=\"a&amp;b\" x=\"1\"/>\r\n");
        CHECK(copy->Compare(p) == 1);
    }
    SUBCASE("readers on several threads at once get one set of records") {
        std::string body = "<r>";
        for (int i = 0; i < 2000; ++i)
            body += "<p a=\"1\" b=\"2\"/>";
        Parse(doc, body + "</r>");
        XMLElement* r = doc.GetRoot();
        std::vector<std::vector<XMLAttribute*>> seen(4);
        std::vector<std::thread> readers;
        for (auto& mine : seen)
            readers.emplace_back([r, &mine] {
                for (uint32_t i = 0; i < r->GetChildCount(); ++i)
                    mine.push_back(r->GetChild(i)->GetAttribute(1));
            });
        for (std::thread& t : readers)
            t.join();
        for (const auto& mine : seen)
            CHECK(mine == seen[0]);
        CHECK(r->GetChild(1999)->GetAttributeIndex(seen[0][1999]) == 1);
    }
}

TEST_CASE("Parser: which top-level element becomes the root")
{
    XMLDocument doc;

    SUBCASE("the last element with content") {
        Parse(doc, "<a>1</a><e/><b>2</b>");
        CHECK(std::string(doc.GetRoot()->GetStoredName()) == "b");
    }
    SUBCASE("the first empty one when none has content") {
        Parse(doc, "<e1/><e2/>");
        CHECK(std::string(doc.GetRoot()->GetStoredName()) == "e1");
    }
    SUBCASE("a stray end tag at the top closes nothing") {
        Parse(doc, "</x><r><a/></r></y>");
        CHECK(doc.GetParseStatus(nullptr) == XML_STATUS_OK);
        CHECK(doc.GetRoot()->GetChildCount() == 1);
    }
    SUBCASE("unterminated markup after the root ends the parse quietly") {
        Parse(doc, "<r/>text <b");
        CHECK(doc.GetParseStatus(nullptr) == XML_STATUS_OK);
        CHECK(std::string(doc.GetRoot()->GetStoredName()) == "r");
    }
}

TEST_CASE("Parser: failures")
{
    XMLDocument doc;

    SUBCASE("an unmatched start tag: status 2, the element is dropped") {
        Parse(doc, "<r><a></r>");
        CHECK(doc.GetParseStatus(nullptr) == XML_STATUS_NO_ELEMENT_END);
        CHECK(doc.GetRoot() == nullptr);
    }
    SUBCASE("an earlier complete top-level element stays the root") {
        Parse(doc, "<a>x</a><b><c/>");
        CHECK(doc.GetParseStatus(nullptr) == XML_STATUS_NO_ELEMENT_END);
        REQUIRE(doc.GetRoot() != nullptr);
        CHECK(std::string(doc.GetRoot()->GetStoredName()) == "a");
    }
    SUBCASE("a document type declaration reads as a start tag that never ends") {
        Parse(doc, "<!DOCTYPE r><r><a/></r>");
        CHECK(doc.GetParseStatus(nullptr) == XML_STATUS_NO_ELEMENT_END);
        CHECK(doc.GetRoot() == nullptr);
    }
}

TEST_CASE("Parser: nesting is capped at kXmlMaxDepth levels")
{
    auto nest = [](int levels, const std::string& inner) {
        std::string s;
        for (int i = 0; i < levels; ++i)
            s += "<e>";
        s += inner;
        for (int i = 0; i < levels; ++i)
            s += "</e>";
        return s;
    };
    XMLDocument doc;

    SUBCASE("exactly the cap is read whole") {
        Parse(doc, nest(kXmlMaxDepth - 1, "<leaf/>"));
        CHECK(doc.GetParseStatus(nullptr) == XML_STATUS_OK);
        CHECK(xmltest::TreeDepth(doc.GetRoot()) == kXmlMaxDepth);
    }
    SUBCASE("one level more: status 2, the rest of that element skipped, its siblings kept") {
        Parse(doc, "<r><before/>" + nest(kXmlMaxDepth - 1, "<deep/>text<more/>") + "<after/></r>");
        CHECK(doc.GetParseStatus(nullptr) == XML_STATUS_NO_ELEMENT_END);
        XMLElement* r = doc.GetRoot();
        REQUIRE(r != nullptr);
        CHECK(xmltest::TreeDepth(r) == kXmlMaxDepth);
        REQUIRE(r->GetChildCount() == 3);
        CHECK(std::string(r->GetChild(2)->GetStoredName()) == "after");
        XMLElement* e = r->GetChild(1);
        while (e->GetChildCount())
            e = e->GetChild(0);
        CHECK(e->GetTextNodeCount() == 0);   // "text" stood in the skipped content
    }
    SUBCASE("content elements and empty ones at the cap count alike") {
        Parse(doc, nest(kXmlMaxDepth + 1, ""));
        CHECK(doc.GetParseStatus(nullptr) == XML_STATUS_NO_ELEMENT_END);
        CHECK(xmltest::TreeDepth(doc.GetRoot()) == kXmlMaxDepth);
    }
}

TEST_CASE("XmlParse into a given parent")
{
    XMLDocument doc;
    doc.LoadFromText("<?xml?><p/>");
    XMLElement* p = doc.GetRoot();

    SUBCASE("elements, text and comments join the parent") {
        XMLElement* result = XmlParse(p, "<x/>text<y>1</y><!--c--></stray>", &doc);
        CHECK(doc.GetParseStatus(nullptr) == XML_STATUS_OK);
        REQUIRE(p->GetChildCount() == 2);
        CHECK(result == p->GetChild(1));   // the last element with content
        CHECK(Texts(p) == "text");
        CHECK(p->GetTextNode(0)->GetPosition() == 1);
        CHECK(p->GetCommentCount() == 1);
    }
    SUBCASE("an unmatched element is not added") {
        XMLElement* result = XmlParse(p, "<x/><y><z/>", &doc);
        CHECK(result == p->GetChild(0));
        CHECK(doc.GetParseStatus(nullptr) == XML_STATUS_NO_ELEMENT_END);
        CHECK(p->GetChildCount() == 1);
    }
    SUBCASE("null text and a null document are harmless") {
        CHECK(XmlParse(p, nullptr, &doc) == nullptr);
        XMLElement* result = XmlParse(p, "<x/><y>", nullptr);
        CHECK(result == p->GetChild(0));
        CHECK(p->GetChildCount() == 1);
    }
}
