// The map painter on the pixels of a DIB section: grid lines and label
// colours, which points get markers and hit rectangles, the polar placement,
// the quick repaint, and pictures of the Map, Path and polar views written
// as PNG files beside the test for a person to look at.
#include <doctest.h>

#include "app/display.h"
#include "app/settings.h"
#include "gps/gps.h"
#include "maps/draw.h"
#include "maps/offline_maps.h"
#include "maps/painter.h"
#include "map_files.h"
#include "support/dib_canvas.h"
#include "support/gdi_count.h"
#include "support/test_support.h"
#include "tracks/tracks.h"
#include "view_fixture.h"

#include <cmath>
#include <vector>

using testsupport::DibCanvas;

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr int kMapScreen = 4;
constexpr int kPathScreen = 13;

int Screen = kMapScreen;
bool Quick = false;

GPS_POSITION At(double x, double y, uint32_t cell = 0)
{
    return GPS_POSITION{x, y, 0.0, cell};
}

void SetLive(double x, double y)
{
    LiveRecordGuard live(&GpsDevice);
    live->fix = 1;
    live->pos = At(x, y);
}

COLORREF Ok() { return SchemeColor(ColorRole::OK); }
COLORREF Err() { return SchemeColor(ColorRole::Err); }
COLORREF Info() { return SchemeColor(ColorRole::Info); }
COLORREF Gray() { return SchemeColor(ColorRole::Gray); }

POINT Centre(const RECT& r)
{
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// The settings at their defaults, day colours, a hidden window with the
// main window's 240 x 320 client whose paint goes into a white DIB.
struct PainterState : mapstest::ViewFixture {
    DibCanvas canvas{240, 320};
    HWND window = nullptr;
    std::vector<GPS_POSITION> points;
    std::vector<RECT> hits;

    PainterState()
    {
        mapstest::StartGdiplus();
        if (!FontSet.Base)
            CreateFontSet();
        window = CreateWindowExW(0, L"STATIC", L"map", WS_POPUP, 0, 0, 240, 320, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
        ColorScheme = 0;
        DistanceUnit = 0;
        MapGridEnabled = true;
        CompassOnMap = false;
        MapRotatesWithCourse = false;
        ShowCellIdsOnMap = true;
        DrawRecordedPath = true;
        PathSize = 3;
        OnlineMapsEnabled = false;
        OfflineMaps.clear();
        ReleaseMapImage();
        Screen = kMapScreen;
        Quick = false;
        MapPaintHooks = {&Screen, &Quick};
        DrawStateHooks.fixValid = [] { return true; };
        LiveRecordGuard live(&GpsDevice);
        *live.get() = GPS_CURRENT{};
        DrawnPath.clear();
        RecorderState.store(kRecorderIdle);
        canvas.Fill(kWhite);
    }
    ~PainterState()
    {
        {
            LiveRecordGuard live(&GpsDevice);
            DrawnPath.clear();
        }
        MapPaintHooks = {};
        DrawStateHooks = {};
        ReleaseMapImage();
        DestroyWindow(window);
    }

    void Paint(int type = kSeriesWaypoints)
    {
        hits.clear();
        DrawMapView(window, canvas.Dc(), &points, type, &hits, nullptr);
    }
    // Pixels of text in colour over white: the font may be smoothed, so a
    // thin stroke is the colour blended with white, white + a (colour -
    // white) with the same a (at least a quarter) in every channel.
    int TextPixels(const RECT& r, COLORREF colour) const
    {
        const int target[] = {GetRValue(colour), GetGValue(colour), GetBValue(colour)};
        int n = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) {
                const COLORREF p = canvas.Pixel(x, y);
                const int got[] = {GetRValue(p), GetGValue(p), GetBValue(p)};
                int k = 0;
                for (int c = 1; c < 3; ++c)
                    if (255 - target[c] > 255 - target[k])
                        k = c;
                const double a = (255.0 - got[k]) / (255.0 - target[k]);
                bool blend = a >= 0.25 && a <= 1.05;
                for (int c = 0; c < 3 && blend; ++c)
                    blend = std::abs(255.0 - a * (255 - target[c]) - got[c]) < 40;
                n += blend;
            }
        return n;
    }
    void SetPath(std::vector<GPS_POSITION> path)
    {
        LiveRecordGuard live(&GpsDevice);
        DrawnPath = std::move(path);
    }
};

}  // namespace

TEST_CASE_FIXTURE(PainterState, "The whole world in Cartesian form: 13 latitude lines, labels coloured by sign")
{
    REQUIRE(window);
    Paint();
    // Column 210 lies between the last two longitude lines, clear of the
    // labels and the scale bars: exactly the 13 latitude lines cross it.
    int lines = 0;
    for (int y = 0; y < 320; ++y)
        lines += canvas.Pixel(210, y) == Gray();
    CHECK(lines == 13);
    for (int i = 0; i <= 12; ++i)
        CHECK(canvas.Pixel(210, static_cast<int>(280.0f / 12 * i + 20)) == Gray());
    // "90.0000" at the top line, "0.0000" at the middle, "-90.0000" at the bottom.
    CHECK(TextPixels({0, 21, 60, 30}, Ok()) > 0);
    CHECK(TextPixels({0, 150, 60, 170}, Info()) > 0);
    CHECK(TextPixels({0, 290, 60, 310}, Err()) > 0);
    CHECK(TextPixels({0, 290, 60, 310}, Ok()) == 0);
    CHECK(MapViewport.latitudeStep == 15.0f);
    CHECK(MapViewport.longitudeStep == 30.0f);

    SUBCASE("without \"mug\" the labels stay and the lines go") {
        MapGridEnabled = false;
        canvas.Fill(kWhite);
        Paint();
        CHECK(canvas.Pixel(210, 160) == kWhite);
        CHECK(TextPixels({0, 150, 60, 170}, Info()) > 0);
    }
}

TEST_CASE_FIXTURE(PainterState, "Points on the window's edge are drawn, a hair outside are not")
{
    SetWindow(49, 10, 50, 11);
    SetLive(10.5, 49.5);
    points = {At(10, 50), At(11, 49), At(10.5, 50.000001)};
    Paint();
    REQUIRE(hits.size() == 3);
    CHECK(Centre(hits[0]).x == 20);
    CHECK(Centre(hits[0]).y == 20);
    CHECK(hits[0].right - hits[0].left == 8);
    CHECK(Centre(hits[1]).x == 220);
    CHECK(Centre(hits[1]).y == 300);
    CHECK(IsRectEmpty(&hits[2]));
    CHECK(canvas.Pixel(20, 20) == Ok());
    CHECK(canvas.Pixel(220, 300) == Ok());
    // The live position: a red square, its background kept for the quick repaint.
    CHECK(canvas.Pixel(120, 160) == Err());
    CHECK(canvas.Pixel(117, 157) == Err());

    SUBCASE("a quick repaint puts the background back and moves only the square") {
        const RECT sentinel{140, 60, 150, 70};
        const HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
        FillRect(canvas.Dc(), &sentinel, brush);
        DeleteObject(brush);
        SetLive(10.25, 49.25);
        Quick = true;
        Paint();
        CHECK_FALSE(Quick);
        CHECK(canvas.Pixel(120, 160) == Gray());   // a grid line crossing
        CHECK(canvas.Pixel(117, 157) == kWhite);
        CHECK(canvas.Pixel(70, 230) == Err());
        CHECK(canvas.Pixel(145, 65) == RGB(1, 2, 3));   // nothing else was drawn
    }
    SUBCASE("with no series the position is not drawn") {
        points.clear();
        canvas.Fill(kWhite);
        Paint();
        CHECK(canvas.Pixel(117, 157) == kWhite);
    }
}

TEST_CASE_FIXTURE(PainterState, "A drawn path replaces the waypoints; with 3 points only the position keeps a marker")
{
    SetWindow(49, 10, 50, 11);
    SetLive(10.7, 49.7);
    points = {At(10.9, 49.1)};
    // (10.1, 49.45) lands on (40, 174), (10.3, 49.45) on (80, 174).
    SetPath({At(10.1, 49.45), At(10.3, 49.45)});
    Paint();
    CHECK(hits.empty());
    CHECK(canvas.Pixel(40, 172) == Ok());
    CHECK(canvas.Pixel(80, 172) == Ok());
    CHECK(canvas.Pixel(60, 174) == Ok());   // the line between them
    CHECK(canvas.Pixel(160, 104) == Err());
    CHECK(canvas.Pixel(200, 272) != Ok());  // the waypoint is not drawn

    SetPath({At(10.1, 49.45), At(10.3, 49.45), At(10.5, 49.45)});
    canvas.Fill(kWhite);
    Paint();
    CHECK(canvas.Pixel(40, 172) != Ok());
    CHECK(canvas.Pixel(60, 174) == Ok());
    CHECK(canvas.Pixel(160, 104) == Err());

    SUBCASE("with \"vci\" a change of cell starts a run in the other colour") {
        SetPath({At(10.1, 49.45, 7), At(10.3, 49.45, 7), At(10.5, 49.45, 9)});
        canvas.Fill(kWhite);
        Paint();
        CHECK(canvas.Pixel(60, 174) == Ok());
        CHECK(canvas.Pixel(95, 174) == Info());
    }
}

TEST_CASE_FIXTURE(PainterState, "In polar form the origin is the centre and positive latitude lies to its right")
{
    MapViewport.polar = 1;
    SetLive(-90, 0);
    points = {At(0, 0), At(0, 45), At(180, 90)};
    Paint();
    REQUIRE(hits.size() == 3);
    CHECK(Centre(hits[0]).x == 120);
    CHECK(Centre(hits[0]).y == 160);
    CHECK(Centre(hits[1]).x == 120 + static_cast<int>(120 * 45 / std::sqrt(40500.0)));
    CHECK(Centre(hits[1]).y == 160);
    // The corner of the world lies on the outer ring, 120 pixels out.
    const POINT corner = Centre(hits[2]);
    CHECK(std::abs(std::hypot(corner.x - 120.0, corner.y - 160.0) - 120.0) < 1.5);
    CHECK(canvas.Pixel(120, 160) == Ok());
    CHECK(canvas.Pixel(2, 2) == kWhite);              // outside the disc
    CHECK(canvas.Pixel(60, 100) == SchemeColor(ColorRole::Bk));
}

TEST_CASE_FIXTURE(PainterState, "Pictures of the map, path and polar views; no GDI object is left behind")
{
    testsupport::TempDir dir;
    // A 2 x 2 checker of known colours as the map of the shown window.
    mapstest::Image image{64, 64, std::vector<uint32_t>(64 * 64)};
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            image.pixels[y * 64 + x] = (x < 32) == (y < 32) ? 0xC8E6C8 : 0xE6DCB4;
    REQUIRE(mapstest::WritePngImage(dir.File("23.5_38.1_23.9_37.8.png"), image));
    ScanOfflineMaps(dir.WPath().c_str());
    REQUIRE(OfflineMaps.size() == 1);
    SetWindow(37.8, 23.5, 38.1, 23.9);
    SetLive(23.65, 37.95);
    std::vector<GPS_POSITION> track;
    for (int i = 0; i <= 60; ++i)
        track.push_back(At(23.55 + i * 0.005, 37.85 + 0.1 * std::sin(i / 9.0), i < 30 ? 1 : 2));
    points = {At(23.6, 38.0), At(23.8, 37.9), At(23.7, 37.82)};
    const unsigned before = testsupport::GdiObjectCount();

    Paint();
    // The map's corner sits on the grid's corner, the image under the grid.
    CHECK(canvas.Pixel(28, 50) == RGB(0xC8, 0xE6, 0xC8));
    CHECK(canvas.Pixel(200, 50) == RGB(0xE6, 0xDC, 0xB4));
    CHECK(canvas.Pixel(200, 250) == RGB(0xC8, 0xE6, 0xC8));
    CHECK(canvas.SavePng("map_view.png"));

    SetPath(track);
    Screen = kPathScreen;
    canvas.Fill(SchemeColor(ColorRole::Bk));
    Paint();
    CHECK(canvas.SavePng("path_view.png"));

    SetPath({});
    Screen = kMapScreen;
    MapViewport.polar = 1;
    MapViewport.rotation = 30;
    canvas.Fill(SchemeColor(ColorRole::Bk));
    Paint();
    CHECK(canvas.SavePng("polar_grid.png"));

    CHECK(before > 0);
    for (int i = 0; i < 5; ++i)
        Paint();
    ReleaseScreenBuffer();
    ReleaseMapImage();
    CHECK(testsupport::GdiObjectCount() <= before);
}
