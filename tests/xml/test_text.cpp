// Tests of the text holder and the owning array.
#include <doctest.h>

#include <cstring>
#include <string>

#include "xml/autobuffer.h"
#include "xml/utf8text.h"

TEST_CASE("Utf8Text holds one text in three forms")
{
    SUBCASE("null and empty sources give the empty holder") {
        Utf8Text a(static_cast<const char*>(nullptr));
        Utf8Text b("");
        Utf8Text c(static_cast<const wchar_t*>(nullptr));
        Utf8Text d(L"");
        for (const Utf8Text* t : {&a, &b, &c, &d}) {
            CHECK(t->Utf8()[0] == 0);
            CHECK(t->Wide()[0] == 0);
            CHECK(t->Utf8Buffer() == nullptr);
            CHECK(t->WideBuffer() == nullptr);
            CHECK(t->Bstr() == nullptr);
        }
    }
    SUBCASE("one ASCII character") {
        Utf8Text t("A");
        CHECK(t.Length() == 1);
        CHECK(std::wstring(t.Wide()) == L"A");
        CHECK(SysStringLen(t.Bstr()) == 1);
    }
    SUBCASE("a two-byte character counts two bytes and one unit") {
        Utf8Text t("\xC3\xA9");
        CHECK(t.Length() == 2);
        CHECK(std::wstring(t.Wide()) == L"\u00E9");
        CHECK(std::wstring(t.Bstr()) == L"\u00E9");
    }
    SUBCASE("three-byte characters from UTF-16 are held whole and terminated") {
        // 200 euro signs take 600 bytes: more than 2 x 200 + 20.
        const std::wstring euros(200, L'\u20AC');
        Utf8Text t(euros.c_str());
        CHECK(t.Length() == 200);
        std::string expected;
        for (int i = 0; i < 200; ++i)
            expected += "\xE2\x82\xAC";
        CHECK(std::string(t.Utf8()) == expected);
        Utf8Text back(t.Utf8());
        CHECK(std::wstring(back.Wide()) == euros);
        CHECK(back.Length() == 600);
    }
}

TEST_CASE("AutoBuffer is zero-filled and keeps its leading elements")
{
    AutoBuffer<char> empty(0);
    CHECK(empty.Count() == 1);
    CHECK(empty[0] == 0);

    AutoBuffer<int> b(3);
    b[0] = 1, b[1] = 2, b[2] = 3;
    SUBCASE("larger keeps the old and zero-fills the rest") {
        b.Resize(6);
        CHECK(b.Count() == 6);
        CHECK((b[0] == 1 && b[1] == 2 && b[2] == 3));
        CHECK((b[3] == 0 && b[4] == 0 && b[5] == 0));
    }
    SUBCASE("smaller keeps the leading elements") {
        b.Resize(2);
        CHECK(b.Count() == 2);
        CHECK((b[0] == 1 && b[1] == 2));
    }
    SUBCASE("the same count keeps the same array") {
        const int* before = b.Data();
        b.Resize(3);
        CHECK(b.Data() == before);
    }
    SUBCASE("resizing to nothing is allowed") {
        b.Resize(0);
        CHECK(b.Count() == 0);
        b.Resize(1);
        CHECK(b[0] == 0);
    }
}
