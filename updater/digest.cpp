// SHA-1 and CRC-32 of files, and the INI read of the hash list.
#include "updater/digest.h"

#include "platform/handles.h"

#include <array>
#include <cstdio>
#include <cstring>

namespace {

constexpr size_t kFileBlockBytes = 8000;
constexpr char kUnknownReport[] = "Error: Unknown report type!";

// Other programs (and the update's own swap) may hold the file: share
// everything, we only read.
HANDLE OpenForReading(const wchar_t* path)
{
    if (!path)
        return INVALID_HANDLE_VALUE;
    return CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Calls take(bytes, count) for every block of the file; false when the file
// cannot be opened.
template <typename Take>
bool ReadFileBlocks(const wchar_t* path, Take take)
{
    FileHandle file(OpenForReading(path));
    if (!file.Valid())
        return false;
    uint8_t block[kFileBlockBytes];
    DWORD got = 0;
    while (ReadFile(file.Get(), block, sizeof block, &got, nullptr) && got > 0)
        take(block, got);
    return true;
}

uint32_t RotateLeft(uint32_t v, int n)
{
    return (v << n) | (v >> (32 - n));
}

uint32_t ReadBigEndian(const uint8_t* p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

// The table of the reflected polynomial, one entry per byte value.
constexpr std::array<uint32_t, 256> MakeCrcTable()
{
    std::array<uint32_t, 256> table{};
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t c = n;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}
constexpr std::array<uint32_t, 256> kCrcTable = MakeCrcTable();

// Continues a CRC kept in its complemented (register) form.
uint32_t CrcRegister(uint32_t reg, const uint8_t* p, size_t count)
{
    for (size_t i = 0; i < count; ++i)
        reg = kCrcTable[(reg ^ p[i]) & 0xFF] ^ (reg >> 8);
    return reg;
}

}  // namespace

void Sha1Hasher::Reset()
{
    state_[0] = 0x67452301;
    state_[1] = 0xEFCDAB89;
    state_[2] = 0x98BADCFE;
    state_[3] = 0x10325476;
    state_[4] = 0xC3D2E1F0;
    bitCount_ = 0;
    std::memset(block_, 0, sizeof block_);
    std::memset(digest_, 0, sizeof digest_);
}

void Sha1Hasher::Compress(const uint8_t block[64])
{
    uint32_t w[80];
    for (int t = 0; t < 16; ++t)
        w[t] = ReadBigEndian(block + 4 * t);
    for (int t = 16; t < 80; ++t)
        w[t] = RotateLeft(w[t - 3] ^ w[t - 8] ^ w[t - 14] ^ w[t - 16], 1);
    uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3], e = state_[4];
    for (int t = 0; t < 80; ++t) {
        uint32_t f, k;
        if (t < 20) {
            f = (b & c) | (~b & d);
            k = 0x5A827999;
        } else if (t < 40) {
            f = b ^ c ^ d;
            k = 0x6ED9EBA1;
        } else if (t < 60) {
            f = (b & c) | (b & d) | (c & d);
            k = 0x8F1BBCDC;
        } else {
            f = b ^ c ^ d;
            k = 0xCA62C1D6;
        }
        const uint32_t temp = RotateLeft(a, 5) + f + e + k + w[t];
        e = d;
        d = c;
        c = RotateLeft(b, 30);
        b = a;
        a = temp;
    }
    state_[0] += a;
    state_[1] += b;
    state_[2] += c;
    state_[3] += d;
    state_[4] += e;
}

void Sha1Hasher::Update(const void* bytes, size_t count)
{
    const auto* p = static_cast<const uint8_t*>(bytes);
    size_t used = size_t(bitCount_ / 8 % 64);
    bitCount_ += uint64_t(count) * 8;
    while (count > 0) {
        const size_t take = count < 64 - used ? count : 64 - used;
        std::memcpy(block_ + used, p, take);
        used += take;
        p += take;
        count -= take;
        if (used == 64) {
            Compress(block_);
            used = 0;
        }
    }
}

bool Sha1Hasher::HashFile(const wchar_t* path)
{
    return ReadFileBlocks(path, [this](const uint8_t* p, size_t n) { Update(p, n); });
}

void Sha1Hasher::Final()
{
    const uint64_t bits = bitCount_;
    const uint8_t one = 0x80;
    Update(&one, 1);
    const uint8_t zero = 0;
    while (bitCount_ / 8 % 64 != 56)
        Update(&zero, 1);
    uint8_t length[8];
    for (int i = 0; i < 8; ++i)
        length[i] = uint8_t(bits >> (56 - 8 * i));
    Update(length, 8);
    for (int i = 0; i < 20; ++i)
        digest_[i] = uint8_t(state_[i / 4] >> (24 - 8 * (i % 4)));
    // Nothing of the message stays behind in the object.
    std::memset(block_, 0, sizeof block_);
    std::memset(state_, 0, sizeof state_);
    bitCount_ = 0;
}

void Sha1Hasher::Report(char* out, size_t size, int form) const
{
    if (!out || size == 0)
        return;
    out[0] = '\0';
    if (form != kSha1ReportHex && form != kSha1ReportDecimal) {
        std::snprintf(out, size, "%s", kUnknownReport);
        return;
    }
    size_t used = 0;
    for (int i = 0; i < 20 && used + 1 < size; ++i) {
        const int n = form == kSha1ReportHex ? std::snprintf(out + used, size - used, "%02X", digest_[i])
                                             : std::snprintf(out + used, size - used, i ? " %u" : "%u", digest_[i]);
        if (n < 0)
            break;
        used += size_t(n);
    }
}

void Sha1Hasher::GetDigest(uint8_t out[20]) const
{
    std::memcpy(out, digest_, 20);
}

bool Sha1FileHex(const wchar_t* path, char* out, size_t size)
{
    Sha1Hasher hasher;
    hasher.HashFile(path);
    hasher.Final();
    const size_t used = out ? strnlen(out, size) : size;
    if (used < size)
        hasher.Report(out + used, size - used, kSha1ReportHex);
    return true;
}

uint32_t Crc32(const void* bytes, size_t count)
{
    return ~CrcRegister(0xFFFFFFFFu, static_cast<const uint8_t*>(bytes), count);
}

// Block by block rather than the whole file in memory: the same value, and a
// file larger than the free memory still gets its CRC.
uint32_t Crc32OfFile(const wchar_t* path)
{
    uint32_t reg = 0xFFFFFFFFu;
    if (!ReadFileBlocks(path, [&reg](const uint8_t* p, size_t n) { reg = CrcRegister(reg, p, n); }))
        return 0;
    return ~reg;
}

void ReadProfileString(const wchar_t* section, const wchar_t* key, const wchar_t* defaultText, wchar_t* out,
                       DWORD size, const wchar_t* file)
{
    if (!out || size == 0)
        return;
    GetPrivateProfileStringW(section, key, defaultText, out, size, file);
    out[size - 1] = L'\0';
}
