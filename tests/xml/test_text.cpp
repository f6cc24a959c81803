// Tests of the text holder and the owning array.
#include <doctest.h>

#include <string>

#include "xml/autobuffer.h"
#include "xml/utf8text.h"

TEST_CASE("Utf8Text holds one text in three forms")
{
    SUBCASE("null and empty sources give the empty holder") {
        Utf8Text a(static_cast<const char*>(nullptr)), b(""), c(L"");
        for (const Utf8Text* t : {&a, &b, &c}) {
            CHECK((t->Utf8()[0] == 0 && t->Wide()[0] == 0));
            CHECK((!t->Utf8Buffer() && !t->WideBuffer() && !t->Bstr()));
        }
    }
    SUBCASE("a two-byte character counts two bytes and one unit") {
        Utf8Text t("\xC3\xA9");
        CHECK(t.Length() == 2);
        CHECK(std::wstring(t.Wide()) == L"\u00E9");
        CHECK(SysStringLen(t.Bstr()) == 1);
    }
    SUBCASE("three-byte characters from UTF-16 are held whole and terminated") {
        // 200 euro signs take 600 bytes: more than 2 x 200 + 20.
        const std::wstring euros(200, L'\u20AC');
        Utf8Text t(euros.c_str());
        std::string expected;
        for (int i = 0; i < 200; ++i)
            expected += "\xE2\x82\xAC";
        CHECK(std::string(t.Utf8()) == expected);
        CHECK(std::wstring(Utf8Text(t.Utf8()).Wide()) == euros);
    }
}

TEST_CASE("AutoBuffer is zero-filled and keeps its leading elements")
{
    AutoBuffer<char> empty(0);
    CHECK((empty.Count() == 1 && empty[0] == 0));
    AutoBuffer<int> b(3);
    b[0] = 1, b[1] = 2, b[2] = 3;
    const int* before = b.Data();
    b.Resize(3);
    CHECK(b.Data() == before);
    b.Resize(5);
    CHECK((b[2] == 3 && b[3] == 0 && b[4] == 0));
    b.Resize(2);
    CHECK((b.Count() == 2 && b[1] == 2));
    b.Resize(0);
    CHECK(b.Count() == 0);
}
