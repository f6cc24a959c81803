// PNG encoding with stored deflate blocks: a zlib stream whose blocks carry
// the filtered rows uncompressed (at most 65535 bytes each), followed by the
// Adler-32 of the rows; each chunk ends with the CRC-32 of its type and data.
#include "png_writer.h"

#include <array>
#include <cstdio>

namespace testsupport {
namespace {

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

void PutBigEndian(std::string* out, uint32_t v)
{
    out->push_back(static_cast<char>(v >> 24));
    out->push_back(static_cast<char>(v >> 16));
    out->push_back(static_cast<char>(v >> 8));
    out->push_back(static_cast<char>(v));
}

void PutChunk(std::string* out, const char type[4], const std::string& data)
{
    PutBigEndian(out, static_cast<uint32_t>(data.size()));
    std::string body(type, 4);
    body += data;
    out->append(body);
    PutBigEndian(out, Crc32(body.data(), body.size()));
}

}  // namespace

uint32_t Crc32(const void* data, size_t length, uint32_t previous)
{
    const auto* p = static_cast<const unsigned char*>(data);
    uint32_t c = ~previous;
    for (size_t i = 0; i < length; ++i)
        c = kCrcTable[(c ^ p[i]) & 0xFF] ^ (c >> 8);
    return ~c;
}

uint32_t Adler32(const void* data, size_t length)
{
    const auto* p = static_cast<const unsigned char*>(data);
    uint32_t a = 1;
    uint32_t b = 0;
    for (size_t i = 0; i < length; ++i) {
        a = (a + p[i]) % 65521;
        b = (b + a) % 65521;
    }
    return (b << 16) | a;
}

std::string EncodePng(int width, int height, const uint32_t* pixels)
{
    if (width <= 0 || height <= 0 || !pixels || width > 0x10000 || height > 0x10000)
        return {};
    // Rows with filter type 0 (none) in front of each.
    std::string rows;
    rows.reserve(static_cast<size_t>(height) * (1 + 3 * static_cast<size_t>(width)));
    for (int y = 0; y < height; ++y) {
        rows.push_back(0);
        for (int x = 0; x < width; ++x) {
            const uint32_t v = pixels[static_cast<size_t>(y) * width + x];
            rows.push_back(static_cast<char>(v >> 16));
            rows.push_back(static_cast<char>(v >> 8));
            rows.push_back(static_cast<char>(v));
        }
    }

    std::string z;
    z.push_back(0x78);   // deflate, 32 KiB window
    z.push_back(0x01);   // no preset dictionary; header check multiple of 31
    size_t at = 0;
    do {
        const size_t n = rows.size() - at < 65535 ? rows.size() - at : 65535;
        const bool last = at + n == rows.size();
        z.push_back(last ? 1 : 0);   // BFINAL, BTYPE 00 (stored)
        z.push_back(static_cast<char>(n & 0xFF));
        z.push_back(static_cast<char>(n >> 8));
        z.push_back(static_cast<char>(~n & 0xFF));
        z.push_back(static_cast<char>((~n >> 8) & 0xFF));
        z.append(rows, at, n);
        at += n;
    } while (at < rows.size());
    PutBigEndian(&z, Adler32(rows.data(), rows.size()));

    std::string header;
    PutBigEndian(&header, static_cast<uint32_t>(width));
    PutBigEndian(&header, static_cast<uint32_t>(height));
    header.push_back(8);   // bits per sample
    header.push_back(2);   // colour type: RGB
    header.push_back(0);   // deflate
    header.push_back(0);   // adaptive filtering
    header.push_back(0);   // no interlace

    std::string png("\x89PNG\r\n\x1A\n", 8);
    PutChunk(&png, "IHDR", header);
    PutChunk(&png, "IDAT", z);
    PutChunk(&png, "IEND", std::string());
    return png;
}

bool WritePng(const std::string& path, int width, int height, const uint32_t* pixels)
{
    const std::string png = EncodePng(width, height, pixels);
    if (png.empty())
        return false;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool ok = std::fwrite(png.data(), 1, png.size(), f) == png.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace testsupport
