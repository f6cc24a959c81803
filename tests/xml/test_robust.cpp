// Seeded random input against start tags, the extent scanner, escaping,
// unescaping, Base64 decoding and the text holder. Every text ends at the
// last byte of a page whose successor is inaccessible, so a read past the
// terminator or a write past a buffer's end faults at once.
#include <windows.h>

#include <doctest.h>

#include <cstring>
#include <random>
#include <string>

#include "xml/base64.h"
#include "xml/utf8text.h"
#include "xml/xml.h"

namespace {

// size bytes that end exactly where an inaccessible page begins; with a
// text, its copy, whose terminator is the last readable byte.
class GuardedBlock {
public:
    explicit GuardedBlock(size_t size, const std::string* text = nullptr)
    {
        SYSTEM_INFO si;
        GetSystemInfo(&si);
        const size_t page = si.dwPageSize;
        const size_t pages = (size + page - 1) / page + 1;
        base_ = static_cast<char*>(VirtualAlloc(nullptr, pages * page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        DWORD old = 0;
        VirtualProtect(base_ + (pages - 1) * page, page, PAGE_NOACCESS, &old);
        data_ = base_ + (pages - 1) * page - size;
        if (text)
            std::memcpy(data_, text->c_str(), size);
    }
    ~GuardedBlock() { VirtualFree(base_, 0, MEM_RELEASE); }
    GuardedBlock(const GuardedBlock&) = delete;
    GuardedBlock& operator=(const GuardedBlock&) = delete;
    char* Data() { return data_; }

private:
    char* base_ = nullptr;
    char* data_ = nullptr;
};

// Random text drawn mostly from the bytes that markup and entities are
// made of, with any other byte mixed in; now and then very long.
std::string RandomText(std::mt19937& rng)
{
    static const char kMarkup[] = "<>/\"'=&#;xX0123456789abAF \t\r\n![CDATA]?-";
    std::uniform_int_distribution<int> pick(0, 99);
    const size_t length = pick(rng) < 5 ? 2000 + size_t(pick(rng)) * 40 : size_t(pick(rng));
    std::string s;
    for (size_t i = 0; i < length; ++i) {
        const int r = pick(rng);
        if (r < 70)
            s += kMarkup[size_t(r) % (sizeof kMarkup - 1)];
        else
            s += char(1 + (rng() % 255));
    }
    return s;
}

constexpr unsigned kSeed = 20071223;
constexpr int kRounds = 3000;

}  // namespace

TEST_CASE("random start tags and extents stay inside their text")
{
    std::mt19937 rng(kSeed);
    for (int round = 0; round < kRounds; ++round) {
        const std::string text = RandomText(rng);
        GuardedBlock guarded(text.size() + 1, &text);
        XMLElement e(nullptr, guarded.Data());
        CHECK(std::strlen(e.GetStoredName()) <= text.size());
        for (uint32_t i = 0; i < e.GetAttributeCount(); ++i) {
            GuardedBlock out(size_t(e.GetAttribute(i)->GetValue(nullptr, 1)) + 1);
            CHECK(e.GetAttribute(i)->GetValue(out.Data(), 0) <= int(text.size()));
        }

        const char* end = FindElementEnd(guarded.Data());
        if (end) {
            const char* gt = std::strchr(std::strchr(guarded.Data(), '<'), '>');
            CHECK((gt && end >= gt && end <= guarded.Data() + text.size()));
        }
    }
}

TEST_CASE("random text escapes and unescapes within exact buffers")
{
    std::mt19937 rng(kSeed + 1);
    for (int round = 0; round < kRounds; ++round) {
        const std::string text = RandomText(rng);
        GuardedBlock in(text.size() + 1, &text);

        const int escapedLength = XmlEscapeText(in.Data(), nullptr);
        GuardedBlock escaped(size_t(escapedLength) + 1);
        CHECK(XmlEscapeText(in.Data(), escaped.Data()) == escapedLength);

        // Unescaping the escaped form gives the text back unless the text
        // holds a numeric reference, which escaping lets through. Buffers
        // are sized by the stored length, as callers do.
        GuardedBlock back(size_t(escapedLength) + 1);
        const int backLength = XmlUnescapeText(escaped.Data(), back.Data());
        if (text.find("&#") == std::string::npos)
            CHECK(std::string(back.Data(), size_t(backLength)) == text);

        // The text itself read as stored form never grows.
        GuardedBlock plain(text.size() + 1);
        const int n = XmlUnescapeText(in.Data(), plain.Data());
        CHECK(n <= int(text.size()));
        CHECK(std::strlen(plain.Data()) == size_t(n));
    }
}

TEST_CASE("random Base64 input decodes within three quarters of its length")
{
    std::mt19937 rng(kSeed + 2);
    static const char kBase64[] = "ABCXYZabcxyz0189+/=\r\n \t*";
    for (int round = 0; round < kRounds; ++round) {
        std::string text = RandomText(rng);
        for (char& c : text)
            if (rng() % 3)
                c = kBase64[rng() % (sizeof kBase64 - 1)];
        GuardedBlock in(text.size() + 1, &text);
        GuardedBlock out(text.size() / 4 * 3);
        Base64Decoder<const char*, char*> decoder;
        const char* p = decoder.process(out.Data(), in.Data(), in.Data() + text.size());
        p = decoder.flush(const_cast<char*>(p));
        CHECK(p - out.Data() <= long(text.size() / 4 * 3));

        Utf8Text holder(in.Data());
        CHECK(std::strlen(holder.Utf8()) == text.size());
        CHECK(holder.Wide() != nullptr);
    }
}
