// Map image files decoded the way each build does: GDI+ on the desktop, the
// handheld shell's image loader in pathvex-ppc, the imaging object in
// pathvex-wm.
#include "maps/offline_maps.h"

#include "platform/handles.h"

#if defined(PATHVEX_HANDHELD)
#include "platform/handheld/handheld.h"
#else
#include <gdiplus.h>
#endif

#include <climits>
#include <memory>

namespace {

int ClampSide(long long side)
{
    return side > INT_MAX ? INT_MAX : (side < 0 ? 0 : static_cast<int>(side));
}

#if defined(PATHVEX_DESKTOP)
namespace gp = Gdiplus::DllExports;

// Disposes a GDI+ image (or bitmap) when it goes.
struct GpImageDisposer {
    void operator()(Gdiplus::GpImage* image) const { gp::GdipDisposeImage(image); }
};
using GpImagePtr = std::unique_ptr<Gdiplus::GpImage, GpImageDisposer>;
#endif

}  // namespace

#if defined(PATHVEX_DESKTOP)

bool ReadMapImageSize(const wchar_t* path, int* width, int* height)
{
    *width = *height = 0;
    Gdiplus::GpImage* loaded = nullptr;
    const bool opened = path && gp::GdipLoadImageFromFile(path, &loaded) == Gdiplus::Ok;
    const GpImagePtr image(loaded);
    if (!opened || !image)
        return false;
    UINT w = 0, h = 0;
    gp::GdipGetImageWidth(image.get(), &w);
    gp::GdipGetImageHeight(image.get(), &h);
    *width = ClampSide(w);
    *height = ClampSide(h);
    return true;
}

MapBitmap DecodeMapImageFile(const wchar_t* path)
{
    if (!path)
        return nullptr;
    Gdiplus::GpBitmap* bitmap = nullptr;
    const bool opened = gp::GdipCreateBitmapFromFile(path, &bitmap) == Gdiplus::Ok;
    const GpImagePtr image(bitmap);
    HBITMAP result = nullptr;
    if (!opened || !bitmap || gp::GdipCreateHBITMAPFromBitmap(bitmap, &result, 0) != Gdiplus::Ok)
        return nullptr;
    return result;
}

#elif defined(PATHVEX_PPC)

bool ReadMapImageSize(const wchar_t* path, int* width, int* height)
{
    *width = *height = 0;
    const BitmapHandle bitmap(HandheldShellLoadImage(path));
    BITMAP info{};
    if (!bitmap.Valid() || !GetObjectW(bitmap.Get(), sizeof info, &info))
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
