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
    std::string out(size_t(XmlEscapeText(text.c_str(), nullptr)) + 10, '\0');
    out.resize(size_t(XmlEscapeText(text.c_str(), out.data())));
    return out;
}

std::string Unescape(const char* stored, size_t storedLength)
{
    std::string out(storedLength + 10, '\x7F');
    const int n = XmlUnescapeText(stored, out.data());
    CHECK(out[size_t(n)] == 0);
    out.resize(size_t(n));
    return out;
}

std::string Unescape(const std::string& stored)
{
    return Unescape(stored.c_str(), stored.size());
}

}  // namespace

TEST_CASE("escaping")
{
    CHECK(Escape("a&b") == "a&amp;b");
    CHECK(Escape("a&#38;b") == "a&#38;b");   // numeric references pass through
    CHECK(Escape("<\"'>") == "&lt;&quot;&apos;&gt;");
    CHECK(XmlEscapedLength("<\"'>") == 20);
    CHECK(Escape("&amp;") == "&amp;amp;");
    CHECK(XmlEscapeText(nullptr, nullptr) == 0);

    SUBCASE("all five special characters round-trip") {
        const std::string text = "x&y<z>\"q\"'s' && <<>>";
        CHECK(Unescape(Escape(text)) == text);
        CHECK(XmlEscapedLength(text.c_str()) == int(Escape(text).size()));
    }
}

TEST_CASE("unescaping")
{
    SUBCASE("numeric references") {
        CHECK(Unescape("&#65;&#x42;&#X43;") == "ABC");
        CHECK(Unescape("&#8364;") == "\xE2\x82\xAC");
        CHECK(Unescape("&#x20AC;") == "\xE2\x82\xAC");
        CHECK(Unescape("&#;") == "");
        CHECK(Unescape("&#0;x") == "x");
        CHECK(Unescape("&#65 x") == "Ax");   // the byte after the digits belongs to the reference
    }
    SUBCASE("named entities, unknown ones and bare ampersands") {
        CHECK(Unescape("&amp;&quot;&apos;&lt;&gt;") == "&\"'<>");
        CHECK(Unescape("&nbsp;") == "&nbsp;");
        CHECK(Unescape("AT&T") == "AT&T");
        CHECK(Unescape("&AMP;") == "&AMP;");
        CHECK(Unescape("&amp") == "&amp");
    }
    SUBCASE("a reference at the very end stops at the terminator") {
        const char stored[] = "x&#65\0Z";
        CHECK(Unescape(stored, 5) == "xA");
        const char hex[] = "&#x\0Z";
        CHECK(Unescape(hex, 3) == "");
        const char bare[] = "a&#\0Z";
        CHECK(Unescape(bare, 3) == "a");
    }
    SUBCASE("values that are no character give U+FFFD, long ones saturate") {
        CHECK(Unescape("&#99999999999999999999999;") == "\xEF\xBF\xBD");
        CHECK(Unescape("&#xFFFFFFFFFFFFFFFFFFFF;") == "\xEF\xBF\xBD");
        CHECK(Unescape("&#x110000;") == "\xEF\xBF\xBD");
        CHECK(Unescape("&#xD800;") == "\xEF\xBF\xBD");
        CHECK(Unescape("&#x1F600;") == "\xF0\x9F\x98\x80");
        CHECK(Unescape("&#00000000000065;") == "A");
    }
    SUBCASE("a null buffer gives the stored length") {
        CHECK(XmlUnescapeText("&lt;&#65;", nullptr) == 9);
        CHECK(XmlUnescapeText(nullptr, nullptr) == 0);
    }
}

TEST_CASE("IntPower saturates")
{
    CHECK(IntPower(10, 0) == 1);
    CHECK(IntPower(16, 3) == 4096);
    CHECK(IntPower(10, 10) == INT_MAX);
    CHECK(IntPower(-2, 31) == INT_MIN);
    CHECK(IntPower(2, -1) == 0);
    CHECK(IntPower(-1, 1000001) == -1);
}

TEST_CASE("WriteUtf8AsUtf16 writes bare UTF-16LE units")
{
    testsupport::TempDir dir;
    const std::string path = dir.File("w.txt");
    FILE* f = std::fopen(path.c_str(), "wb");
    REQUIRE(f);
    WriteUtf8AsUtf16(f, "A\xE2\x82\xAC");
    std::fclose(f);
    std::string bytes;
    REQUIRE(testsupport::ReadFile(path, &bytes));
    CHECK(bytes == std::string("A\0\xAC\x20", 4));
}
