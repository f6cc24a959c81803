// Map image files for the maps tests: GDI+ for the test's lifetime, and
// two-colour images written as PNG (the test PNG writer) or as JPEG and GIF
// (GDI+'s own encoders).
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
    static const ULONG_PTR token = [] {
        ULONG_PTR t = 0;
        Gdiplus::GdiplusStartupInput input;
        Gdiplus::GdiplusStartup(&t, &input, nullptr);
        return t;
    }();
    (void)token;
}

// width x height pixels (0x00RRGGBB, rows top down): the left half left,
// the right half right (COLORREF values).
inline std::vector<uint32_t> TwoColours(int width, int height, COLORREF left, COLORREF right)
{
    auto rgb = [](COLORREF c) { return uint32_t{GetRValue(c)} << 16 | GetGValue(c) << 8 | GetBValue(c); };
    std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = rgb(static_cast<int>(i % width) < width / 2 ? left : right);
    return pixels;
}

inline bool WritePng(const std::string& path, int width, int height, COLORREF left, COLORREF right)
{
    return testsupport::WritePng(path, width, height, TwoColours(width, height, left, right).data());
}

// The two-colour image in GDI+'s encoding for mime ("image/jpeg" or
// "image/gif"), from 8-bit palette indices: the GIF encoder writes an empty
// picture from anything else. width must be a multiple of 4 (GDI+'s rows).
inline bool WriteEncoded(const std::wstring& path, int width, int height, COLORREF left,
                         COLORREF right, const wchar_t* mime)
{
    namespace gp = Gdiplus::DllExports;
    StartGdiplus();
    UINT count = 0, bytes = 0;
    gp::GdipGetImageEncodersSize(&count, &bytes);
    std::vector<unsigned char> store(bytes);
    auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(store.data());
    const CLSID* encoder = nullptr;
    if (bytes && gp::GdipGetImageEncoders(count, bytes, codecs) == Gdiplus::Ok)
        for (UINT i = 0; i < count; ++i)
            if (std::wcscmp(codecs[i].MimeType, mime) == 0)
                encoder = &codecs[i].Clsid;
    std::vector<BYTE> indices(static_cast<size_t>(width) * height);
    for (size_t i = 0; i < indices.size(); ++i)
        indices[i] = static_cast<int>(i % width) < width / 2 ? 0 : 1;
    struct {
        UINT flags, count;
        Gdiplus::ARGB entries[2];
    } palette{0, 2, {0xFF000000u | GetRValue(left) << 16 | GetGValue(left) << 8 | GetBValue(left),
                     0xFF000000u | GetRValue(right) << 16 | GetGValue(right) << 8 | GetBValue(right)}};
    Gdiplus::GpBitmap* bitmap = nullptr;
    if (!encoder || gp::GdipCreateBitmapFromScan0(width, height, width, PixelFormat8bppIndexed,
                                                  indices.data(), &bitmap) != Gdiplus::Ok)
        return false;
    const bool saved =
        gp::GdipSetImagePalette(bitmap, reinterpret_cast<Gdiplus::ColorPalette*>(&palette)) == Gdiplus::Ok &&
        gp::GdipSaveImageToFile(bitmap, path.c_str(), encoder, nullptr) == Gdiplus::Ok;
    gp::GdipDisposeImage(bitmap);
    return saved;
}

}  // namespace mapstest
