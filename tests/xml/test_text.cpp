// Tests of the text holder and the owning array.
#include <doctest.h>

#include <cstring>

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
            CHECK(t->Utf8() != nullptr);
            CHECK(t->Utf8()[0] == 0);
            CHECK(t->Wide() != nullptr);
            CHECK(t->Wide()[0] == 0);
            CHECK(t->Utf8Buffer() == nullptr);
            CHECK(t->WideBuffer() == nullptr);
            CHECK(t->Bstr() == nullptr);
        }
    }
}
