// Tests of the element records, start tags and the element-extent scanner.
#include <doctest.h>

#include <cstring>
#include <string>
#include <vector>

#include "xml/xml.h"
#include "xml_test_util.h"

using namespace xmltest;

namespace {

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
    CHECK((e.GetChildCapacity() == 20 && e.GetAttributeCapacity() == 20 && e.GetCommentCapacity() == 10));
    CHECK((e.GetTextNodeCapacity() == 4 && e.GetCDataCapacity() == 10));
    CHECK((e.GetBorrowedUsed() == 0 && e.GetBorrowedCapacity() == 1));
    CHECK(e.GetExportFormat().indentCount == 1);
}

TEST_CASE("names, values and text are stored escaped")
{
    XMLElement e(nullptr, "<e v=\"x&amp;y\">");
    CHECK(std::string(e.GetAttribute(0)->GetStoredValue()) == "x&amp;y");   // start tags are stored as written
    CHECK(Attr(e, "v") == "x&y");

    e.AddAttribute("w  ", "a<b");
    const XMLAttribute* w = e.GetAttribute(1);
    CHECK(std::string(w->GetStoredName()) == "w");   // trailing blanks go
    CHECK(std::string(w->GetStoredValue()) == "a&lt;b");
    CHECK(Attr(e, "w") == "a<b");
    CHECK(w->GetValue(nullptr, 0) == 6);              // the stored length sizes buffers

    CHECK(e.SetName("a&b") == 7);
    CHECK(Name(e) == "a&b");
    XMLElement named(nullptr, "a&b", XML_KIND_NAME);
    CHECK(std::string(named.GetStoredName()) == "a&b");

    e.AddTextNode("1 < 2", 0);
    e.AddComment("1 < 2", 0);
    CHECK(std::string(e.GetTextNode(0)->GetStoredText()) == "1 &lt; 2");
    CHECK(std::string(e.GetComment(0)->GetText()) == "1 < 2");
}

TEST_CASE("typed attribute values")
{
    XMLAttribute a("n", "", 0);
    a.SetFloatValue(1.5);
    CHECK(std::string(a.GetStoredValue()) == "1.500000");
    a.SetValue("12abc", 0);
    CHECK(a.GetIntValue() == 12);
    a.SetValue("abc", 0);
    CHECK(a.GetIntValue() == 0);

    std::vector<char> bytes(92), back(92);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = char(i * 37 + 5);
    CHECK(a.SetBinaryValue(bytes.data(), 92) == 126);   // 124 characters and one CR LF
    CHECK(a.GetBinaryValue(back.data()) == 92);
    CHECK(back == bytes);
    a.SetValue("", 0);
    CHECK(a.GetBinaryValue(back.data()) == 0);
}

TEST_CASE("ReplaceRoot hands over a root that outlives its document")
{
    XMLElement* old = nullptr;
    {
        XMLDocument doc;
        doc.SetRoot(new XMLElement(nullptr, "<r>"));
        doc.GetRoot()->AddChildFromTag("<c/>");
        old = doc.ReplaceRoot();
        CHECK(Name(*doc.GetRoot()) == "root");
        CHECK(doc.GetRoot()->GetChildCount() == 0);
    }
    CHECK(Name(*old) == "r");
    CHECK(old->GetChildCount() == 1);
    delete old;
}

TEST_CASE("start tags")
{
    XMLElement e(nullptr, "<a x=\"1\" y = \"2\"/>");
    CHECK(Name(e) == "a");
    CHECK((e.GetAttributeCount() == 2 && Attr(e, "y") == "2"));

    SUBCASE("no attribute without an equals sign or double quotes") {
        for (const char* tag : {"<a b>", "<a x='1'>", "<a x=\"1>", "<a x=1>", "<a =>"})
            CHECK(XMLElement(nullptr, tag).GetAttributeCount() == 0);
        CHECK(Name(XMLElement(nullptr, "<<a\tx=\"1\">")) == "a");
    }
    SUBCASE("a fresh start tag replaces attributes, children and comments only") {
        e.AddChildFromTag("<c/>");
        e.AddComment("c", 0);
        e.AddTextNode("t", 0);
        e.ParseStartTag("<b z=\"3\">", XML_KIND_TAG);
        CHECK(Name(e) == "b");
        CHECK(Attr(e, "z") == "3");
        CHECK(e.GetAttributeCount() + e.GetChildCount() + e.GetCommentCount() == 1);
        CHECK(e.GetTextNodeCount() == 1);
    }
}

TEST_CASE("FindElementEnd")
{
    SUBCASE("nesting, self-closed elements, CDATA and comments") {
        CHECK(EndOffset("<a><b/><c>x</c></a>tail") == 19);
        CHECK(EndOffset("<a/>rest") == 3);   // a lone self-closed element: its '>'
        CHECK(EndOffset("<a><a><a/></a></a>z") == 18);
        CHECK(EndOffset("<a><![CDATA[<b>]]></a>") == 22);
        CHECK(EndOffset("<a><!-- / --></a>.") == 17);
        CHECK(EndOffset("<a><?pi a/b?></a>.") == 17);
        CHECK(EndOffset("<a><!-- > </a> --></a>.") == 22);   // a comment ends at "-->"
        CHECK(EndOffset("<a><?pi > </a> ?></a>.") == 21);    // an instruction at "?>"
        CHECK(EndOffset("<a><!--></a>--></a>.") == 19);
        CHECK(EndOffset("<!-- <b> --><a/>") == 12);
        CHECK(EndOffset("<a><b>") == -1);
    }
    SUBCASE("a slash inside any attribute value ends nothing") {
        CHECK(EndOffset("<a href=\"x/y\">t</a>rest") == 19);
        CHECK(EndOffset("<a href='x/y'>t</a>rest") == 19);
        CHECK(EndOffset("<a href=x/y>t</a>rest") == 17);
        CHECK(EndOffset("<a href='/'/>rest") == 12);
    }
    SUBCASE("unterminated markup is not found") {
        for (const char* text : {"<a></a", "<a x=\"1", "<a><![CDATA[x]]", "<a><!-- x", "<", "</a>", ""})
            CHECK(EndOffset(text) == -1);
    }
}

TEST_CASE("XmlNextTag cuts markup as the parser does")
{
    struct Row {
        const char* text;
        int kind;
        long lt, gt;        // offsets, -1 for null
        const char* name;   // start tags: the name's bytes
        bool named;
    };
    const Row rows[] = {
        {"text <a x=\"1\">", XML_TAG_START, 5, 13, "a", true},
        {"<a/>", XML_TAG_EMPTY, 0, 3, "a", true},
        {"<a x=\"/\">", XML_TAG_START, 0, 8, "a", true},          // the byte before '>' decides
        {"<a x=b/>", XML_TAG_EMPTY, 0, 7, "a", true},
        {"<a x=\"b>c\"/>", XML_TAG_START, 0, 7, "a", true},       // cut at the first '>', quoted or not
        {"<P\nid=\"1\">", XML_TAG_START, 0, 9, "P\nid=", true},  // a line break ends no name
        {"</b c>", XML_TAG_END, 0, 5, nullptr, false},
        {"<!-- <a> > -->x", XML_TAG_COMMENT, 0, 13, nullptr, false},
        {"<!-->-->", XML_TAG_COMMENT, 0, 7, nullptr, false},      // "<!-->" ends nothing
        {"<?pi a>b?>", XML_TAG_COMMENT, 0, 9, nullptr, false},
        {"<![CDATA[<a>]]>", XML_TAG_CDATA, 0, 14, nullptr, false},
        {"< />", XML_TAG_EMPTY, 0, 3, "", false},
        {"<!DOCTYPE r>", XML_TAG_START, 0, 11, "!DOCTYPE", false},
        {"<<!--x>", XML_TAG_START, 0, 6, "<!--x", false},
        {"<?xml v", XML_TAG_NONE, 0, -1, nullptr, false},        // markup without its end
        {"<!-- x ->", XML_TAG_NONE, 0, -1, nullptr, false},
        {"x</a", XML_TAG_NONE, 1, -1, nullptr, false},
        {"no markup", XML_TAG_NONE, -1, -1, nullptr, false},
        {"", XML_TAG_NONE, -1, -1, nullptr, false},
    };
    auto offset = [](const char* text, const char* p) { return p ? long(p - text) : -1L; };
    for (const Row& row : rows) {
        CAPTURE(row.text);
        const XmlTag tag = XmlNextTag(row.text, row.text + std::strlen(row.text));
        CHECK(tag.kind == row.kind);
        CHECK(offset(row.text, tag.lt) == row.lt);
        CHECK(offset(row.text, tag.gt) == row.gt);
        CHECK((tag.name ? std::string(tag.name, tag.nameEnd) : "-") == (row.name ? row.name : "-"));
        CHECK(tag.named == row.named);
    }
    SUBCASE("nothing past end is read") {
        const char* text = "<a><b>";
        CHECK(XmlNextTag(text, text + 2).kind == XML_TAG_NONE);
        CHECK(XmlNextTag(text + 3, text + 6).lt == text + 3);
    }
}
