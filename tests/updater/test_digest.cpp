// SHA-1 and CRC-32 texts against the standards' vectors and against the
// system's own tools over the same files, and the hash list's INI read.
#include <doctest.h>

#include "update_test_support.h"

#include "support/test_support.h"
#include "updater/digest.h"

#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <string>

using namespace updtest;

namespace {

std::string Sha1Of(const std::string& bytes, int form = kSha1ReportHex)
{
    Sha1Hasher h;
    h.Update(bytes.data(), bytes.size());
    h.Final();
    char text[100] = {};
    h.Report(text, sizeof text, form);
    return text;
}

std::wstring FromUtf8(const std::string& s)
{
    std::wstring w(s.size(), L'\0');
    w.resize(size_t(MultiByteToWideChar(CP_UTF8, 0, s.data(), int(s.size()), w.data(), int(w.size()))));
    return w;
}

}  // namespace

TEST_CASE("SHA-1 and CRC-32 of the standards' test vectors")
{
    // FIPS 180-1, appendices A and B, and the million 'a' of appendix C.
    CHECK(Sha1Of("abc") == "A9993E364706816ABA3E25717850C26C9CD0D89D");
    CHECK(Sha1Of("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq") ==
          "84983E441C3BD26EBAAE4AA1F95129E5E54670F1");
    CHECK(Sha1Of(std::string(1000000, 'a')) == "34AA973CD4C4DAA4F61EEB2BDBAD27316534016F");
    CHECK(Sha1Of("") == "DA39A3EE5E6B4B0D3255BFEF95601890AFD80709");
    CHECK(Sha1Of("abc", kSha1ReportDecimal) ==
          "169 153 62 54 71 6 129 106 186 62 37 113 120 80 194 108 156 208 216 157");
    CHECK(Sha1Of("abc", 7) == "Error: Unknown report type!");

    SUBCASE("bytes fed in pieces hash as one message") {
        const std::string text(200, 'x');
        Sha1Hasher h;
        for (size_t at = 0; at < text.size(); at += 7)
            h.Update(text.data() + at, std::min<size_t>(7, text.size() - at));
        h.Final();
        uint8_t digest[20];
        h.GetDigest(digest);
        char cut[9] = {};
        h.Report(cut, sizeof cut, kSha1ReportHex);   // a short buffer is cut, never overrun
        CHECK(std::string(cut) == Sha1Of(text).substr(0, 8));
        CHECK(digest[0] == std::stoul(Sha1Of(text).substr(0, 2), nullptr, 16));
    }
    // The check value of CRC-32/ISO-HDLC in the CRC catalogue.
    CHECK(Crc32("123456789", 9) == 0xCBF43926u);
    CHECK(Crc32("", 0) == 0u);
}

TEST_CASE("file digests: missing files hash as empty input, and the text is appended")
{
    testsupport::TempDir dir;
    const std::wstring missing = dir.WPath() + L"\\missing.bin";
    char text[kSha1TextSize + 4] = "ab";
    CHECK(Sha1FileHex(missing.c_str(), text, sizeof text));
    CHECK(std::string(text) == "ab" + Sha1Of("").substr(0, 40));
    CHECK(Crc32OfFile(missing.c_str()) == 0u);
    REQUIRE(WriteBytes(dir.WPath() + L"\\empty.bin", ""));
    CHECK(Crc32OfFile((dir.WPath() + L"\\empty.bin").c_str()) == 0u);
}

TEST_CASE("the hash list read gives the default when the key is missing and cuts long values")
{
    testsupport::TempDir dir;
    const std::wstring ini = dir.WPath() + L"\\RUP.INI";
    REQUIRE(WriteBytes(ini, "[Hash]\r\n1=abc\r\n2=" + std::string(500, 'F') + "\r\n"));
    wchar_t out[100];
    ReadProfileString(L"Hash", L"1", L"", out, 100, ini.c_str());
    CHECK(std::wstring(out) == L"abc");
    ReadProfileString(L"Hash", L"2", L"", out, 100, ini.c_str());
    CHECK(std::wstring(out) == std::wstring(99, L'F'));
    ReadProfileString(L"Hash", L"3", L"none", out, 100, ini.c_str());
    CHECK(std::wstring(out) == L"none");
    ReadProfileString(L"Hash", L"1", L"", out, 100, (dir.WPath() + L"\\gone.ini").c_str());
    CHECK(std::wstring(out).empty());
}

// Run by digest_vs_system.sh, which makes the files (sizes around the
// 64-byte block, several megabytes, a folder named outside the code page, a
// path of over 300 bytes) and lists what sha1sum and Python's zlib.crc32
// say of each.
TEST_CASE("SHA-1 and CRC-32 texts of files agree with sha1sum and zlib.crc32")
{
    const char* folder = std::getenv("PATHVEX_DIGEST_DIR");
    if (!folder) {
        MESSAGE("PATHVEX_DIGEST_DIR not set: run through digest_vs_system.sh");
        return;
    }
    const std::wstring base = L"Z:" + FromUtf8(folder);
    std::istringstream list(ReadBytes(base + L"\\expected.txt"));
    std::string line;
    int files = 0;
    while (std::getline(list, line)) {
        std::istringstream fields(line);
        std::string sha, name;
        unsigned long crc = 0;
        fields >> sha >> crc;
        std::getline(fields >> std::ws, name);
        CAPTURE(name);
        std::wstring path = base + L"\\" + FromUtf8(name);
        for (wchar_t& c : path)
            c = c == L'/' ? L'\\' : c;
        char text[kSha1TextSize] = {};
        Sha1FileHex(path.c_str(), text, sizeof text);
        CHECK(Lower(text) == sha);
        CHECK(Crc32OfFile(path.c_str()) == crc);
        ++files;
    }
    CHECK(files >= 12);
}
