// Tests of entity escaping and unescaping.
#include <doctest.h>

#include <climits>
#include <cstdio>
#include <string>

#include "tests/support/test_support.h"
#include "xml/xml.h"

namespace {

std::string Escape(const std::string& text)
{
    std::string out(size_t(XmlEscapedLength(text.c_str())) + 10, '\0');
    out.resize(size_t(XmlEscapeText(text.c_str(), out.data())));
    return out;
}

// Unescapes the first n bytes' text; what follows the terminator must stay unread.
std::string Unescape(const char* stored, size_t n)
{
    std::string out(n + 10, '\x7F');
    out.resize(size_t(XmlUnescapeText(stored, out.data())));
    return out;
}

std::string Unescape(const std::string& stored) { return Unescape(stored.c_str(), stored.size()); }

}  // namespace

TEST_CASE("escaping")
{
    CHECK(Escape("a&b") == "a&amp;b");
    CHECK(Escape("a&#38;b") == "a&#38;b");   // numeric references pass through
    CHECK(Escape("<\"'>") == "&lt;&quot;&apos;&gt;");
    CHECK(XmlEscapedLength("<\"'>") == 20);
    CHECK(XmlEscapeText(nullptr, nullptr) == 0);
    const std::string all = "x&y<z>\"q\"'s' && <<>>";
    CHECK(Unescape(Escape(all)) == all);
}

TEST_CASE("unescaping")
{
    SUBCASE("numeric references") {
        CHECK(Unescape("&#65;&#x42;&#X43;") == "ABC");
        CHECK(Unescape("&#8364;&#x20AC;") == "\xE2\x82\xAC\xE2\x82\xAC");
        CHECK(Unescape("&#;") == "");
        CHECK(Unescape("&#0;x") == "x");
        CHECK(Unescape("&#65 x") == "Ax");   // the byte after the digits belongs to the reference
    }
    SUBCASE("named entities, unknown ones and bare ampersands") {
        CHECK(Unescape("&amp;&quot;&apos;&lt;&gt;") == "&\"'<>");
        CHECK(Unescape("&nbsp; AT&T &AMP; &amp") == "&nbsp; AT&T &AMP; &amp");
        CHECK(XmlUnescapeText("&lt;&#65;", nullptr) == 9);
    }
    SUBCASE("a reference at the very end stops at the terminator") {
        CHECK(Unescape("x&#65\0Z", 5) == "xA");
        CHECK(Unescape("&#x\0Z", 3) == "");
        CHECK(Unescape("a&#\0Z", 3) == "a");
    }
    SUBCASE("values that are no character give U+FFFD, long ones saturate") {
        CHECK(Unescape("&#99999999999999999999999;") == "\xEF\xBF\xBD");
        CHECK(Unescape("&#x110000;&#xD800;") == "\xEF\xBF\xBD\xEF\xBF\xBD");
        CHECK(Unescape("&#x1F600;") == "\xF0\x9F\x98\x80");
        CHECK(Unescape("&#00000000000065;") == "A");
    }
    CHECK(IntPower(16, 3) == 4096);
    CHECK(IntPower(10, 10) == INT_MAX);
}

TEST_CASE("WriteUtf8AsUtf16 writes bare UTF-16LE units")
{
    testsupport::TempDir dir;
    FILE* f = std::fopen(dir.File("w").c_str(), "wb");
    REQUIRE(f);
    WriteUtf8AsUtf16(f, "A\xE2\x82\xAC");
    std::fclose(f);
    std::string bytes;
    REQUIRE(testsupport::ReadFile(dir.File("w"), &bytes));
    CHECK(bytes == std::string("A\0\xAC\x20", 4));
}
