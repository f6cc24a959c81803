// SHA-1 and CRC-32 texts against the standards' vectors and against the
// system's own tools over the same files, and the hash list's INI read.
#include <doctest.h>

#include "update_test_support.h"

#include <cstdlib>
#include <sstream>

using namespace updtest;

TEST_CASE("SHA-1 and CRC-32 of the standards' test vectors, and the report forms")
{
    // FIPS 180-1, appendices A to C.
    CHECK(Sha1Of("abc") == "A9993E364706816ABA3E25717850C26C9CD0D89D");
    CHECK(Sha1Of("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq") ==
          "84983E441C3BD26EBAAE4AA1F95129E5E54670F1");
    CHECK(Sha1Of(std::string(1000000, 'a')) == "34AA973CD4C4DAA4F61EEB2BDBAD27316534016F");
    CHECK(Sha1Of("") == "DA39A3EE5E6B4B0D3255BFEF95601890AFD80709");
    Sha1Hasher h;
    h.Update("abc", 3);
    h.Final();
    char text[100];
    h.Report(text, sizeof text, kSha1ReportDecimal);
    CHECK(std::string(text) == "169 153 62 54 71 6 129 106 186 62 37 113 120 80 194 108 156 208 216 157");
    h.Report(text, sizeof text, 7);
    CHECK(std::string(text) == "Error: Unknown report type!");
    h.Report(text, 9, kSha1ReportHex);   // a short buffer is cut, never overrun
    CHECK(std::string(text) == "A9993E36");
    // The check value of CRC-32/ISO-HDLC in the CRC catalogue.
    CHECK(Crc32("123456789", 9) == 0xCBF43926u);
    CHECK(Crc32("", 0) == 0u);
}

TEST_CASE("a missing file hashes as empty input; the SHA-1 text is appended; the INI read cuts")
{
    testsupport::TempDir dir;
    const std::wstring missing = dir.WPath() + L"\\missing.bin", ini = dir.WPath() + L"\\RUP.INI";
    char text[kSha1TextSize + 2] = "ab";
    CHECK(Sha1FileHex(missing.c_str(), text, sizeof text));
    CHECK(std::string(text) == "ab" + Sha1Of(""));
    CHECK(Crc32OfFile(missing.c_str()) == 0u);

    REQUIRE(WriteBytes(ini, "[Hash]\r\n1=abc\r\n2=" + std::string(500, 'F') + "\r\n"));
    wchar_t out[100];
    ReadProfileString(L"Hash", L"2", L"", out, 100, ini.c_str());
    CHECK(std::wstring(out) == std::wstring(99, L'F'));
    ReadProfileString(L"Hash", L"3", L"none", out, 100, ini.c_str());
    CHECK(std::wstring(out) == L"none");
    ReadProfileString(L"Hash", L"1", L"", out, 100, missing.c_str());
    CHECK(std::wstring(out).empty());
}

// Run by digest_vs_system.sh, which makes the files (sizes around the
// 64-byte block and the 8000-byte read, several megabytes, a folder named
// outside the code page, a path of over 300 bytes) and lists what sha1sum
// and Python's zlib.crc32 say of each.
TEST_CASE("SHA-1 and CRC-32 texts of files agree with sha1sum and zlib.crc32")
{
    const char* folder = std::getenv("PATHVEX_DIGEST_DIR");
    if (!folder) {
        MESSAGE("PATHVEX_DIGEST_DIR not set: run through digest_vs_system.sh");
        return;
    }
    auto fromUtf8 = [](const std::string& s) {
        std::wstring w(s.size(), L'\0');
        w.resize(size_t(MultiByteToWideChar(CP_UTF8, 0, s.data(), int(s.size()), w.data(), int(w.size()))));
        for (wchar_t& c : w)
            c = c == L'/' ? L'\\' : c;
        return w;
    };
    const std::wstring base = L"Z:" + fromUtf8(folder) + L"\\";
    std::istringstream list(ReadBytes(base + L"expected.txt"));
    std::string sha, name;
    unsigned long crc = 0;
    int files = 0;
    while (list >> sha >> crc && std::getline(list >> std::ws, name)) {
        CAPTURE(name);
        const std::wstring path = base + fromUtf8(name);
        char text[kSha1TextSize] = {};
        Sha1FileHex(path.c_str(), text, sizeof text);
        CHECK(Lower(text) == sha);
        CHECK(Crc32OfFile(path.c_str()) == crc);
        ++files;
    }
    CHECK(files == 12);
}
