// Map image files for the maps tests: GDI+ for the test's lifetime, and
// small images of known colours written as PNG (the test PNG writer) or as
// JPEG and GIF (GDI+'s own encoders).
#pragma once
#include "support/png_writer.h"

#include <windows.h>

#include <gdiplus.h>

#include <cstdint>
#include <cwchar>
#include <string>
#include <vector>

namespace mapstest {

// GDI+ started once for the whole test program, as the program does at
// start-up; nothing decodes without it.
inline void StartGdiplus()
{
    static ULONG_PTR token = [] {
        ULONG_PTR t = 0;
        Gdiplus::GdiplusStartupInput input;
        Gdiplus::GdiplusStartup(&t, &input, nullptr);
        return t;
    }();
    (void)token;
}

// Pixels as 0x00RRGGBB, rows top down.
struct Image {
    int width;
    int height;
    std::vector<uint32_t> pixels;
};

// Left half one colour, right half another (COLORREF values).
inline Image TwoColourImage(int width, int height, COLORREF left, COLORREF right)
{
    auto rgb = [](COLORREF c) {
        return (uint32_t{GetRValue(c)} << 16) | (uint32_t{GetGValue(c)} << 8) | GetBValue(c);
    };
    Image image{width, height, std::vector<uint32_t>(static_cast<size_t>(width) * height)};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.pixels[static_cast<size_t>(y) * width + x] = rgb(x < width / 2 ? left : right);
    return image;
}

inline bool WritePngImage(const std::string& path, const Image& image)
{
    return testsupport::WritePng(path, image.width, image.height, image.pixels.data());
}

// The image in GDI+'s own encoding: mime "image/jpeg" (from 32-bit pixels)
// or "image/gif" (from 8-bit palette indices: the encoder writes an empty
// picture from anything else). A GIF holds at most 256 colours.
inline bool WriteEncodedImage(const std::wstring& path, const Image& image, const wchar_t* mime)
{
    namespace gp = Gdiplus::DllExports;
    StartGdiplus();
    UINT count = 0, bytes = 0;
    if (gp::GdipGetImageEncodersSize(&count, &bytes) != Gdiplus::Ok || bytes == 0)
        return false;
    std::vector<unsigned char> store(bytes);
    auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(store.data());
    if (gp::GdipGetImageEncoders(count, bytes, codecs) != Gdiplus::Ok)
        return false;
    const CLSID* encoder = nullptr;
    for (UINT i = 0; i < count; ++i)
        if (std::wcscmp(codecs[i].MimeType, mime) == 0)
            encoder = &codecs[i].Clsid;
    if (!encoder)
        return false;

    const bool gif = std::wcscmp(mime, L"image/gif") == 0;
    std::vector<uint32_t> pixels = image.pixels;
    std::vector<BYTE> indices;
    struct {
        UINT flags;
        UINT count;
        Gdiplus::ARGB entries[256];
    } palette{};
    // GDI+ wants rows padded to four bytes.
    const int stride = gif ? (image.width + 3) & ~3 : image.width * 4;
    if (gif) {
        indices.assign(static_cast<size_t>(stride) * image.height, 0);
        for (size_t n = 0; n < image.pixels.size(); ++n) {
            const uint32_t p = image.pixels[n];
            UINT i = 0;
            while (i < palette.count && palette.entries[i] != (p | 0xFF000000u))
                ++i;
            if (i == palette.count) {
                if (i == 256)
                    return false;
                palette.entries[palette.count++] = p | 0xFF000000u;
            }
            indices[n / image.width * stride + n % image.width] = static_cast<BYTE>(i);
        }
    }
    Gdiplus::GpBitmap* bitmap = nullptr;
    const Gdiplus::GpStatus made =
        gif ? gp::GdipCreateBitmapFromScan0(image.width, image.height, stride, PixelFormat8bppIndexed,
                                            indices.data(), &bitmap)
            : gp::GdipCreateBitmapFromScan0(image.width, image.height, stride, PixelFormat32bppRGB,
                                            reinterpret_cast<BYTE*>(pixels.data()), &bitmap);
    if (made != Gdiplus::Ok)
        return false;
    bool saved = !gif || gp::GdipSetImagePalette(bitmap, reinterpret_cast<Gdiplus::ColorPalette*>(&palette)) ==
                             Gdiplus::Ok;
    saved = saved && gp::GdipSaveImageToFile(bitmap, path.c_str(), encoder, nullptr) == Gdiplus::Ok;
    gp::GdipDisposeImage(bitmap);
    return saved;
}

inline std::wstring Widen(const std::string& text)
{
    return std::wstring(text.begin(), text.end());
}

}  // namespace mapstest
