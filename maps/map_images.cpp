// Map image files decoded the way each build does: GDI+ on the desktop, the
// handheld shell's image loader in pathvex-ppc, the imaging object in
// pathvex-wm.
#include "maps/offline_maps.h"

#if defined(PATHVEX_HANDHELD)
#include "platform/handheld/handheld.h"
#else
#include <gdiplus.h>
#endif

#include <climits>

namespace {

int ClampSide(long long side)
{
    return side > INT_MAX ? INT_MAX : (side < 0 ? 0 : static_cast<int>(side));
}

#if defined(PATHVEX_DESKTOP)
namespace gp = Gdiplus::DllExports;

// Disposes a GDI+ image when it goes.
class GpImageHolder {
public:
    GpImageHolder() = default;
    ~GpImageHolder()
    {
        if (image_)
            gp::GdipDisposeImage(image_);
    }
    GpImageHolder(const GpImageHolder&) = delete;
    GpImageHolder& operator=(const GpImageHolder&) = delete;
    Gdiplus::GpImage** Out() { return &image_; }
    Gdiplus::GpImage* Get() const { return image_; }

private:
    Gdiplus::GpImage* image_ = nullptr;
};
#endif

}  // namespace

#if defined(PATHVEX_DESKTOP)

bool ReadMapImageSize(const wchar_t* path, int* width, int* height)
{
    *width = *height = 0;
    GpImageHolder image;
    if (!path || gp::GdipLoadImageFromFile(path, image.Out()) != Gdiplus::Ok || !image.Get())
        return false;
    UINT w = 0, h = 0;
    gp::GdipGetImageWidth(image.Get(), &w);
    gp::GdipGetImageHeight(image.Get(), &h);
    *width = ClampSide(w);
    *height = ClampSide(h);
    return true;
}

MapBitmap DecodeMapImageFile(const wchar_t* path)
{
    if (!path)
        return nullptr;
    Gdiplus::GpBitmap* bitmap = nullptr;
    if (gp::GdipCreateBitmapFromFile(path, &bitmap) != Gdiplus::Ok || !bitmap)
        return nullptr;
    HBITMAP result = nullptr;
    if (gp::GdipCreateHBITMAPFromBitmap(bitmap, &result, 0) != Gdiplus::Ok)
        result = nullptr;
    gp::GdipDisposeImage(bitmap);
    return result;
}

#elif defined(PATHVEX_PPC)

bool ReadMapImageSize(const wchar_t* path, int* width, int* height)
{
    *width = *height = 0;
    HBITMAP bitmap = HandheldShellLoadImage(path);
    if (!bitmap)
        return false;
    BITMAP info{};
    const bool read = GetObjectW(bitmap, sizeof info, &info) != 0;
    DeleteObject(bitmap);
    if (!read)
        return false;
    *width = ClampSide(info.bmWidth);
    *height = ClampSide(info.bmHeight < 0 ? -static_cast<long long>(info.bmHeight) : info.bmHeight);
    return true;
}

MapBitmap DecodeMapImageFile(const wchar_t* path)
{
    return HandheldShellLoadImage(path);
}

#else   // pathvex-wm

bool ReadMapImageSize(const wchar_t* path, int* width, int* height)
{
    *width = *height = 0;
    const ImagingFactory factory;
    const auto image = factory.CreateImageFromFile(path);
    if (!image)
        return false;
    // The size as the bitmap made from the image reports it.
    const auto bitmap = factory.CreateBitmapFromImage(*image);
    const SIZE size = bitmap ? bitmap->GetSize() : SIZE{};
    *width = ClampSide(size.cx);
    *height = ClampSide(size.cy);
    return bitmap != nullptr;
}

MapBitmap DecodeMapImageFile(const wchar_t* path)
{
    return ImagingFactory().CreateImageFromFile(path).release();
}

#endif

void DeleteMapBitmap(MapBitmap bitmap)
{
#if defined(PATHVEX_WM)
    delete bitmap;
#else
    if (bitmap)
        DeleteObject(bitmap);
#endif
}
