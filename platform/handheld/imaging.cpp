// The handheld image loaders: the shell's loader of pathvex-ppc and the
// imaging object of pathvex-wm, both decoding through the system's imaging
// codecs (WIC) into 32-bit DIB sections with premultiplied alpha.
#include "platform/handheld/handheld.h"
#include "platform/handles.h"
#include "platform/stretch.h"

#include <objbase.h>
#include <wincodec.h>

#include <cstdint>
#include <utility>

// The decoded pixels: a top-down 32-bit DIB section.
struct IMAGING_PIXELS {
    IMAGING_PIXELS(HBITMAP decoded, int w, int h) : dib(decoded), width(w), height(h) {}
    const BitmapHandle dib;
    const int width;
    const int height;
};

namespace {

// A side of an image that a file may claim; beyond it (and beyond a DIB the
// system can make) the file is not decoded.
constexpr UINT kMaxImageSide = 32767;
constexpr uint64_t kMaxImageBytes = 256ull << 20;

HBITMAP CreateTopDownDib(int width, int height, void** bits)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, bits, nullptr, 0);
}

// The first frame of the file as premultiplied 32-bit pixels in a new DIB
// section; null when the file cannot be opened, has no decoder, claims an
// absurd size or breaks off while its pixels are read.
HBITMAP DecodeDib(const wchar_t* file, int* width, int* height)
{
    if (!file || !*file)
        return nullptr;
    // The program's UI thread has COM already; a decoding thread without it
    // gets it for the call.
    ComScope com;
    ComRef<IWICImagingFactory> factory;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                reinterpret_cast<void**>(factory.Out()))))
        return nullptr;
    ComRef<IWICBitmapDecoder> decoder;
    ComRef<IWICBitmapFrameDecode> frame;
    ComRef<IWICBitmapSource> converted;
    if (FAILED(factory->CreateDecoderFromFilename(file, nullptr, GENERIC_READ, WICDecodeMetadataCacheOnDemand,
                                                  decoder.Out())) ||
        FAILED(decoder->GetFrame(0, frame.Out())) ||
        FAILED(WICConvertBitmapSource(GUID_WICPixelFormat32bppPBGRA, frame.Get(), converted.Out())))
        return nullptr;
    UINT w = 0, h = 0;
    if (FAILED(converted->GetSize(&w, &h)) || w == 0 || h == 0 || w > kMaxImageSide || h > kMaxImageSide)
        return nullptr;
    const uint64_t bytes = uint64_t{w} * h * 4;
    if (bytes > kMaxImageBytes)
        return nullptr;
    void* bits = nullptr;
    BitmapHandle dib(CreateTopDownDib(static_cast<int>(w), static_cast<int>(h), &bits));
    if (!bits || FAILED(converted->CopyPixels(nullptr, w * 4, static_cast<UINT>(bytes), static_cast<BYTE*>(bits))))
        return nullptr;
    *width = static_cast<int>(w);
    *height = static_cast<int>(h);
    return dib.Release();
}

}  // namespace

HBITMAP HandheldShellLoadImage(const wchar_t* file)
{
    int width = 0, height = 0;
    return DecodeDib(file, &width, &height);
}

ImagingBitmap::ImagingBitmap(std::shared_ptr<const IMAGING_PIXELS> pixels) : pixels_(std::move(pixels)) {}

SIZE ImagingBitmap::GetSize() const
{
    return pixels_ ? SIZE{pixels_->width, pixels_->height} : SIZE{};
}

ImagingImage::ImagingImage(std::shared_ptr<const IMAGING_PIXELS> pixels) : pixels_(std::move(pixels)) {}

SIZE ImagingImage::GetSize() const
{
    return pixels_ ? SIZE{pixels_->width, pixels_->height} : SIZE{};
}

bool ImagingImage::Draw(HDC dc, const RECT& to) const
{
    if (!dc || !pixels_)
        return false;
    RECT clip{};
    if (GetClipBox(dc, &clip) == ERROR)
        return false;
    MemoryDc memory(dc, pixels_->dib.Get());
    return memory.Get() && StretchVisiblePart(dc, memory.Get(), pixels_->width, pixels_->height, to, clip);
}

std::unique_ptr<ImagingImage> ImagingFactory::CreateImageFromFile(const wchar_t* file) const
{
    int width = 0, height = 0;
    HBITMAP dib = DecodeDib(file, &width, &height);
    if (!dib)
        return nullptr;
    return std::make_unique<ImagingImage>(std::make_shared<const IMAGING_PIXELS>(dib, width, height));
}

std::unique_ptr<ImagingBitmap> ImagingFactory::CreateBitmapFromImage(const ImagingImage& image) const
{
    return std::make_unique<ImagingBitmap>(image.pixels_);
}
