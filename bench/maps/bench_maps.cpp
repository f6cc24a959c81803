// Speed of the Map screen's full paint: a 2000 x 2000 map image of the maps
// folder under the grid, a drawn path of 100,000 points and 1,000 waypoints,
// painted 100 times into a 240 x 320 DIB section. Prints paints per second;
// the map should follow the receiver without lag (30 or more).
#include "gps/gps.h"
#include "kit/draw.h"
#include "maps/offline_maps.h"
#include "maps/painter.h"
#include "maps/viewport.h"
#include "tracks/tracks.h"

#include <windows.h>

#include <gdiplus.h>

#include <cmath>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

constexpr int kImageSide = 2000;
constexpr int kTrackPoints = 100000;
constexpr int kWaypoints = 1000;
constexpr int kPaints = 100;
constexpr int kWidth = 240;
constexpr int kHeight = 320;

namespace gp = Gdiplus::DllExports;

// A 2000 x 2000 PNG of coloured blocks, through GDI+'s own encoder.
bool WriteMapImage(const std::wstring& path)
{
    std::vector<uint32_t> pixels(static_cast<size_t>(kImageSide) * kImageSide);
    for (int y = 0; y < kImageSide; ++y)
        for (int x = 0; x < kImageSide; ++x)
            pixels[static_cast<size_t>(y) * kImageSide + x] =
                0xFF000000u | ((x / 100 * 11) & 0xFF) << 16 | ((y / 100 * 13) & 0xFF) << 8 | 0xA0;
    UINT count = 0, bytes = 0;
    gp::GdipGetImageEncodersSize(&count, &bytes);
    std::vector<unsigned char> store(bytes);
    auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(store.data());
    if (!bytes || gp::GdipGetImageEncoders(count, bytes, codecs) != Gdiplus::Ok)
        return false;
    const CLSID* png = nullptr;
    for (UINT i = 0; i < count; ++i)
        if (std::wcscmp(codecs[i].MimeType, L"image/png") == 0)
            png = &codecs[i].Clsid;
    Gdiplus::GpBitmap* bitmap = nullptr;
    if (!png || gp::GdipCreateBitmapFromScan0(kImageSide, kImageSide, kImageSide * 4, PixelFormat32bppRGB,
                                              reinterpret_cast<BYTE*>(pixels.data()), &bitmap) != Gdiplus::Ok)
        return false;
    const bool saved = gp::GdipSaveImageToFile(bitmap, path.c_str(), png, nullptr) == Gdiplus::Ok;
    gp::GdipDisposeImage(bitmap);
    return saved;
}

double Seconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to, const LARGE_INTEGER& frequency)
{
    return static_cast<double>(to.QuadPart - from.QuadPart) / frequency.QuadPart;
}

}  // namespace

int main()
{
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);

    // A track wandering around Athens, the waypoints spread over the same area.
    std::vector<GPS_POSITION> waypoints;
    {
        LiveRecordGuard live(&GpsDevice);
        DrawnPath.clear();
        for (int i = 0; i < kTrackPoints; ++i) {
            const double t = i * 0.001;
            DrawnPath.push_back({23.7 + 0.08 * std::sin(t) * std::cos(t * 0.07),
                                 37.95 + 0.06 * std::sin(t * 1.3), 0.0, 0});
        }
        for (int i = 0; i < kWaypoints; ++i)
            waypoints.push_back({23.62 + (i % 40) * 0.004, 37.89 + (i / 40) * 0.005, 0.0, 0});
        live->fix = 1;
        live->pos = DrawnPath.back();
        FitViewToPoints(nullptr, &DrawnPath);
    }

    // The map covers the fitted window exactly.
    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    std::wstring dir = std::wstring(folder) + L"pathvex-bench-maps";
    CreateDirectoryW(dir.c_str(), nullptr);
    wchar_t name[200];
    std::swprintf(name, 200, L"\\%f_%f_%f_%f.png", MapViewport.minLongitude, MapViewport.maxLatitude,
                  MapViewport.maxLongitude, MapViewport.minLatitude);
    const std::wstring file = dir + name;
    if (!WriteMapImage(file)) {
        std::printf("the map image could not be written\n");
        return 1;
    }
    ScanOfflineMaps(dir.c_str());

    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof bi.bmiHeader, kWidth, -kHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    const HDC dc = CreateCompatibleDC(nullptr);
    const HBITMAP target = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ previous = SelectObject(dc, target);
    // The main window's client when there is a display, else the same area
    // given as a rectangle (without the margin).
    const HWND window = CreateWindowExW(0, L"STATIC", L"bench", WS_POPUP, 0, 0, kWidth, kHeight, nullptr,
                                        nullptr, GetModuleHandleW(nullptr), nullptr);
    const RECT area{0, 0, kWidth, kHeight};
    std::vector<RECT> hits;

    LARGE_INTEGER frequency, t0, t1, t2;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&t0);
    DrawMapView(window, dc, &waypoints, kSeriesWaypoints, &hits, window ? nullptr : &area);
    QueryPerformanceCounter(&t1);
    for (int i = 0; i < kPaints; ++i) {
        hits.clear();
        DrawMapView(window, dc, &waypoints, kSeriesWaypoints, &hits, window ? nullptr : &area);
    }
    QueryPerformanceCounter(&t2);

    std::printf("map %d x %d (%d listed), path %d points, %d waypoints, %d x %d DIB%s\n", kImageSide,
                kImageSide, static_cast<int>(OfflineMaps.size()), kTrackPoints, kWaypoints, kWidth, kHeight,
                window ? "" : " (no window: explicit rectangle)");
    std::printf("map image %s\n", MapImage.bitmap ? "drawn" : "missing");
    std::printf("first paint (decodes the image) %.1f ms\n", Seconds(t0, t1, frequency) * 1000.0);
    std::printf("%d paints in %.3f s: %.1f paints/s\n", kPaints, Seconds(t1, t2, frequency),
                kPaints / Seconds(t1, t2, frequency));

    if (window)
        DestroyWindow(window);
    SelectObject(dc, previous);
    DeleteObject(target);
    DeleteDC(dc);
    ReleaseMapImage();
    ReleaseScreenBuffer();
    DeleteFileW(file.c_str());
    RemoveDirectoryW(dir.c_str());
    Gdiplus::GdiplusShutdown(token);
    return 0;
}
