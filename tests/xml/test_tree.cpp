// Tests of the element records, start tags and the element-extent scanner.
#include <doctest.h>

#include <cstring>
#include <string>
#include <vector>

#include "xml/xml.h"

namespace {

std::string Name(const XMLElement& e, int raw = 0)
{
    std::string s(size_t(e.GetName(nullptr, 1)) + 10, '\0');
    s.resize(size_t(e.GetName(s.data(), raw)));
    return s;
}

std::string Value(const XMLAttribute* a, int raw = 0)
{
    if (!a)
        return "<none>";
    std::string s(size_t(a->GetValue(nullptr, 1)) + 10, '\0');
    s.resize(size_t(a->GetValue(s.data(), raw)));
    return s;
}

std::string Attr(XMLElement& e, const char* name)
{
    return Value(e.FindAttribute(name, 0, nullptr));
}

// Offset of FindElementEnd's result in text, or -1 for null.
long EndOffset(const char* text)
{
    const char* end = FindElementEnd(text);
    return end ? long(end - text) : -1;
}

}  // namespace

TEST_CASE("a new element starts empty at its first capacities")
{
    XMLElement e(nullptr, "<a>");
    CHECK(e.GetChildCount() + e.GetAttributeCount() + e.GetCommentCount() + e.GetTextNodeCount() +
              e.GetCDataCount() == 0);
    CHECK(e.GetChildCapacity() == 20);
    CHECK(e.GetAttributeCapacity() == 20);
    CHECK(e.GetCommentCapacity() == 10);
    CHECK(e.GetTextNodeCapacity() == 4);
    CHECK(e.GetCDataCapacity() == 10);
    CHECK(e.GetBorrowedUsed() == 0);
    CHECK(e.GetBorrowedCapacity() == 1);
    CHECK(e.GetExportFormat().useBlanks == 0);
    CHECK(e.GetExportFormat().indentCount == 1);
    CHECK(e.GetExportFormat().oneLine == 0);
    CHECK(e.GetParent() == nullptr);
    CHECK(e.GetChild(0) == nullptr);
}

TEST_CASE("names, values and text are stored escaped")
{
    XMLElement e(nullptr, "e");

    SUBCASE("attribute values") {
        XMLAttribute a("v", "a<b", 0);
        CHECK(std::string(a.GetStoredValue()) == "a&lt;b");
        CHECK(Value(&a) == "a<b");
        CHECK(Value(&a, 1) == "a&lt;b");
        CHECK(a.GetValue(nullptr, 0) == 6);   // the stored length sizes buffers
        XMLAttribute raw("v", "a&lt;b", 1);
        CHECK(Value(&raw) == "a<b");
        XMLAttribute none("v", nullptr, 0);
        CHECK(Value(&none, 1) == "");
    }
    SUBCASE("attribute names lose trailing blanks") {
        XMLAttribute a("x  ", "1", 0);
        CHECK(std::string(a.GetStoredName()) == "x");
        XMLAttribute blank("   ", "1", 0);
        CHECK(std::string(blank.GetStoredName()) == "");
    }
    SUBCASE("element names") {
        CHECK(e.SetName("a&b") == 7);
        CHECK(std::string(e.GetStoredName()) == "a&amp;b");
        CHECK(Name(e) == "a&b");
        CHECK(e.SetName(nullptr) == 0);
        CHECK(Name(e) == "");
    }
    SUBCASE("text nodes escape, comments and CDATA keep their text") {
        e.AddTextNode("1 < 2", 0);
        e.AddComment("1 < 2", 0);
        e.AddCData("1 < 2", 0);
        CHECK(std::string(e.GetTextNode(0)->GetStoredText()) == "1 &lt; 2");
        std::string t(20, '\0');
        t.resize(size_t(e.GetTextNode(0)->GetText(t.data(), 0)));
        CHECK(t == "1 < 2");
        CHECK(std::string(e.GetComment(0)->GetText()) == "1 < 2");
        CHECK(std::string(e.GetCDataNode(0)->GetText()) == "1 < 2");
        CHECK(e.GetComment(0)->GetOwner() == &e);
    }
}

TEST_CASE("typed attribute values")
{
    XMLAttribute a("n", "", 0);
    a.SetFloatValue(1.5);
    CHECK(std::string(a.GetStoredValue()) == "1.500000");
    CHECK(a.GetFloatValue() == doctest::Approx(1.5));
    a.SetUIntValue(4294967295u);
    CHECK(std::string(a.GetStoredValue()) == "4294967295");
    CHECK(a.GetIntValue() == 2147483647);
    a.SetValue("12abc", 0);
    CHECK(a.GetIntValue() == 12);
    a.SetValue("abc", 0);
    CHECK(a.GetIntValue() == 0);
    a.SetValue("-7", 0);
    CHECK(a.GetIntValue() == -7);

    SUBCASE("byte blocks round-trip through Base64") {
        std::vector<char> bytes(92);
        for (size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = char(i * 37 + 5);
        CHECK(a.SetBinaryValue(bytes.data(), 92) == 126);   // 124 characters and one CR LF
        CHECK(std::string(a.GetStoredValue()).find("\r\n") == 72);
        CHECK(a.GetBinaryValue(nullptr) == 92);
        std::vector<char> back(92);
        CHECK(a.GetBinaryValue(back.data()) == 92);
        CHECK(back == bytes);
        a.SetValue("", 0);
        CHECK(a.GetBinaryValue(back.data()) == 0);
    }
}

TEST_CASE("documents own their root and prolog")
{
    XMLElement* old = nullptr;
    {
        XMLDocument doc;
        CHECK(doc.GetRoot() == nullptr);
        int second = 5;
        CHECK(doc.GetParseStatus(&second) == XML_STATUS_OK);
        CHECK(second == 0);
        doc.SetRoot(new XMLElement(nullptr, "<r><x/>"));
        doc.GetRoot()->AddChildFromTag("<c/>");
        doc.SetProlog(new XMLProlog("<?xml version=\"1.0\"?>"));
        old = doc.ReplaceRoot();
        CHECK(Name(*doc.GetRoot()) == "root");
        CHECK(doc.GetRoot()->GetChildCount() == 0);
    }
    // The replaced root outlives the document.
    CHECK(Name(*old) == "r");
    CHECK(old->GetChildCount() == 1);
    delete old;

    XmlLibraryVersion v{};
    XMLDocument::GetLibraryVersion(&v);
    CHECK(v.major == 1);
    CHECK(v.minor == 59);
    CHECK(std::string(v.date) == "23-12-2007");
}

TEST_CASE("start tags")
{
    SUBCASE("double-quoted attributes, blanks around the equals sign") {
        XMLElement e(nullptr, "<a x=\"1\" y = \"2\"/>");
        CHECK(Name(e) == "a");
        CHECK(e.GetAttributeCount() == 2);
        CHECK(Attr(e, "x") == "1");
        CHECK(Attr(e, "y") == "2");
        CHECK(e.GetAttribute(0)->GetOwner() == &e);
    }
    SUBCASE("no attributes") {
        XMLElement a(nullptr, "<a>");
        CHECK(Name(a) == "a");
        XMLElement b(nullptr, "<a b>");
        CHECK(Name(b) == "a");
        CHECK(b.GetAttributeCount() == 0);
        XMLElement apos(nullptr, "<a x='1'>");
        CHECK(apos.GetAttributeCount() == 0);
        XMLElement open(nullptr, "<a x=\"1>");
        CHECK(open.GetAttributeCount() == 0);
        XMLElement tabbed(nullptr, "<a\tx=\"1\">");
        CHECK(Name(tabbed) == "a");
        CHECK(Attr(tabbed, "x") == "1");
    }
    SUBCASE("stored forms stay as the text has them") {
        XMLElement e(nullptr, "<a v=\"x&amp;y\">");
        CHECK(std::string(e.GetAttribute(0)->GetStoredValue()) == "x&amp;y");
        CHECK(Attr(e, "v") == "x&y");
        XMLElement named(nullptr, "a&b", XML_KIND_NAME);
        CHECK(std::string(named.GetStoredName()) == "a&b");
        CHECK(named.GetKind() == XML_KIND_NAME);
    }
    SUBCASE("a fresh start tag replaces attributes, children and comments only") {
        XMLElement e(nullptr, "<a x=\"1\">");
        e.AddChildFromTag("<c/>");
        e.AddComment("c", 0);
        e.AddTextNode("t", 0);
        e.AddCData("d", 0);
        e.ParseStartTag("<b y=\"2\">", XML_KIND_TAG);
        CHECK(Name(e) == "b");
        CHECK(e.GetAttributeCount() == 1);
        CHECK(Attr(e, "y") == "2");
        CHECK(e.GetChildCount() == 0);
        CHECK(e.GetCommentCount() == 0);
        CHECK(e.GetTextNodeCount() == 1);
        CHECK(e.GetCDataCount() == 1);
    }
    SUBCASE("AddChildFromTag") {
        XMLElement e(nullptr, "p");
        CHECK(e.AddChildFromTag("<c n=\"1\"/>") == 1);
        CHECK(e.AddChildFromTag("d") == 2);
        CHECK(e.GetChild(0)->GetParent() == &e);
        CHECK(Attr(*e.GetChild(0), "n") == "1");
        CHECK(Name(*e.GetChild(1)) == "d");
    }
}

TEST_CASE("FindElementEnd")
{
    SUBCASE("nesting, self-closed elements, CDATA and comments") {
        CHECK(EndOffset("<a><b/><c>x</c></a>tail") == 19);
        CHECK(EndOffset("<a/>rest") == 3);   // a lone self-closed element: its '>'
        CHECK(EndOffset(" x <a></a>") == 10);
        CHECK(EndOffset("<a><a><a/></a></a>z") == 18);
        const char* cdata = "<a><![CDATA[<b>]]></a>";
        CHECK(EndOffset(cdata) == long(std::strlen(cdata)));
        CHECK(EndOffset("<a><!-- / --></a>.") == 17);
        CHECK(EndOffset("<a><?pi a/b?></a>.") == 17);
        CHECK(EndOffset("<a><b>") == -1);
    }
    SUBCASE("a slash inside any attribute value ends nothing") {
        CHECK(EndOffset("<a href=\"x/y\">t</a>rest") == 19);
        CHECK(EndOffset("<a href='x/y'>t</a>rest") == 19);
        CHECK(EndOffset("<a href=x/y>t</a>rest") == 17);
        CHECK(EndOffset("<a href='/'/>rest") == 12);
    }
    SUBCASE("unterminated markup is not found") {
        CHECK(EndOffset("<a></a") == -1);
        CHECK(EndOffset("<a x=\"1") == -1);
        CHECK(EndOffset("<a><![CDATA[x]]") == -1);
        CHECK(EndOffset("<a><!-- x") == -1);
        CHECK(EndOffset("<") == -1);
        CHECK(EndOffset("</a>") == -1);
        CHECK(EndOffset("") == -1);
        CHECK(FindElementEnd(static_cast<const char*>(nullptr)) == nullptr);
    }
}
