// The updater's hash list read from an XML document on disk.
#include <doctest.h>

#include "platform/handheld/handheld.h"
#include "support/test_support.h"

#include <windows.h>

#include <string>

using testsupport::TempDir;

namespace {

constexpr char kSha1[] = "A94A8FE5CCB19BA61C4C0873D391E987982FBBD3";

using testsupport::Wide;

std::wstring Read(const std::wstring& file, const wchar_t* key)
{
    wchar_t out[100] = L"untouched";
    ReadXmlProfileString(L"Hash", key, L"dflt", out, 100, file.c_str());
    return out;
}

}  // namespace

TEST_CASE("the hash list answers a key with the text of its element")
{
    TempDir dir;
    const std::wstring list = Wide(dir.File("RUP.INI"));
    REQUIRE(testsupport::WriteWholeFile(dir.File("RUP.INI"),
                                        std::string("<?xml version=\"1.0\"?>\r\n<h>\r\n<n1>") + kSha1 +
                                            "</n1>\r\n<n2>a&amp;b \xCE\xB1</n2>\r\n<n4/>\r\n<n5><x>1</x></n5>\r\n</h>\r\n"));

    SUBCASE("n1 and n2 answer keys 1 and 2, unescaped and as UTF-16; others the default") {
        CHECK(Read(list, L"1") == Wide(kSha1));
        CHECK(Read(list, L"2") == L"a&b \x03B1");
        CHECK(Read(list, L"3") == L"dflt");
        CHECK(Read(list, L"4") == L"dflt");          // no text
        CHECK(Read(list, L"5\\x") == L"dflt");       // a backslash would reach a grandchild
        CHECK(Read(list, std::wstring(3000, L'1').c_str()) == L"dflt");   // the name would not fit
    }
    SUBCASE("the output takes at most size - 1 units and a terminator") {
        wchar_t out[12];
        std::fill(std::begin(out), std::end(out), L'#');
        ReadXmlProfileString(L"Hash", L"1", L"", out, 5, list.c_str());
        CHECK(std::wstring(out) == Wide(std::string(kSha1, 4)));
        CHECK(out[5] == L'#');
        ReadXmlProfileString(L"Hash", L"9", L"a long default", out, 3, list.c_str());
        CHECK(std::wstring(out) == L"a ");
        ReadXmlProfileString(L"Hash", L"1", L"", out, 0, list.c_str());
        CHECK(out[0] == L'a');
    }
    SUBCASE("a missing, cut or foreign file gives the default") {
        CHECK(Read(Wide(dir.File("none.xml")), L"1") == L"dflt");
        REQUIRE(testsupport::WriteWholeFile(dir.File("cut.xml"), std::string("<h><n1>") + kSha1 + "</n1><n2>x"));
        CHECK(Read(Wide(dir.File("cut.xml")), L"1") == L"dflt");
        REQUIRE(testsupport::WriteWholeFile(dir.File("ini.xml"), std::string("[Hash]\r\n1=") + kSha1 + "\r\n"));
        CHECK(Read(Wide(dir.File("ini.xml")), L"1") == L"dflt");
    }
}

TEST_CASE("DeleteFileUtf8 deletes a file named in UTF-8")
{
    TempDir dir;
    const std::wstring name = dir.WPath() + L"\\\x03C7\x03AC\x03C1\x03C4\x03B7\x03C2.png";
    HANDLE f = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    REQUIRE(f != INVALID_HANDLE_VALUE);
    CloseHandle(f);
    const std::string utf8 = dir.Path() + "\\\xCF\x87\xCE\xAC\xCF\x81\xCF\x84\xCE\xB7\xCF\x82.png";
    CHECK(DeleteFileUtf8(utf8.c_str()));
    CHECK(GetFileAttributesW(name.c_str()) == INVALID_FILE_ATTRIBUTES);
    CHECK_FALSE(DeleteFileUtf8(utf8.c_str()));
}
