// The map painter on the pixels of a DIB section: grid lines and label
// colours, which points get markers and hit rectangles, the polar placement,
// the quick repaint, and pictures of the Map, Path and polar views written
// beside the test (map_view.png, path_view.png, polar_grid.png) for a
// person to look at.
#include <doctest.h>

#include "gps/gps.h"
#include "kit/display.h"
#include "kit/draw.h"
#include "kit/screen_state.h"
#include "kit/settings.h"
#include "map_files.h"
#include "maps/offline_maps.h"
#include "maps/painter.h"
#include "panes/panes.h"
#include "support/dib_canvas.h"
#include "support/gdi_count.h"
#include "support/test_support.h"
#include "tracks/tracks.h"
#include "view_fixture.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <string>
#include <vector>

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
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

COLORREF Role(ColorRole role) { return SchemeColor(role); }

POINT Centre(const RECT& r)
{
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// Default settings, day colours, unsmoothed label text (so its pixels have
// the label's colour), and a hidden window with the main window's 240 x 320
// client whose paints go into a white DIB.
struct PainterState : mapstest::ViewFixture {
    testsupport::DibCanvas canvas{240, 320};
    HWND window = CreateWindowExW(0, L"STATIC", L"map", WS_POPUP, 0, 0, 240, 320, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    std::vector<GPS_POSITION> points;
    std::vector<RECT> hits;

    PainterState()
    {
        mapstest::StartGdiplus();
        CreateFontSet();
        DeleteObject(FontSet.Minus2);
        FontSet.Minus2 = CreateFontW(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0,
                                     NONANTIALIASED_QUALITY, 0, L"Tahoma");
        ColorScheme = 0;
        DistanceUnit = 0;
        MapGridEnabled = true;
        CompassOnMap = MapRotatesWithCourse = OnlineMapsEnabled = false;
        ShowCellIdsOnMap = DrawRecordedPath = true;
        PathSize = 3;
        OfflineMaps.clear();
        CurrentScreen = kScreenMap;
        QuickRepaint = false;
        SetPath({});
        SetLive(-90, 0);
        canvas.Fill(kWhite);
    }
    ~PainterState()
    {
        SetPath({});
        CurrentScreen = kScreenGps;
        QuickRepaint = false;
        ReleaseMapImage();
        ReleaseScreenBuffer();
        DeleteFontSet();
        DestroyWindow(window);
    }
    void Paint()
    {
        hits.clear();
        DrawMapView(window, canvas.Dc(), &points, kSeriesWaypoints, &hits, nullptr);
    }
    static void SetPath(std::vector<GPS_POSITION> path)
    {
        LiveRecordGuard live(&GpsDevice);
        DrawnPath = std::move(path);
    }
};

// The first and last column (plus one) of colour's pixels in r.
struct InkColumns {
    int left;
    int right;
};
InkColumns Ink(const testsupport::DibCanvas& c, const RECT& r, COLORREF colour)
{
    InkColumns ink = {INT_MAX, 0};
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            if (c.Pixel(x, y) == colour) {
                ink.left = std::min(ink.left, x);
                ink.right = std::max(ink.right, x + 1);
            }
    return ink;
}

constexpr wchar_t kCounter[] = L"100/101";

}  // namespace

TEST_CASE_FIXTURE(PainterState, "The whole world in Cartesian form: 13 latitude lines, labels coloured by sign")
{
    REQUIRE(window);
    Paint();
    // Column 210 lies between the last two longitude lines, clear of the
    // labels and the scale bars: exactly the 13 latitude lines cross it.
    int lines = 0;
    for (int y = 0; y < 320; ++y)
        lines += canvas.Pixel(210, y) == Role(ColorRole::Gray);
    CHECK(lines == 13);
    for (int i = 0; i <= 12; ++i)
        CHECK(canvas.Pixel(210, static_cast<int>(280.0f / 12 * i + 20)) == Role(ColorRole::Gray));
    // "90.0000" on the top line, "0.0000" in the middle, "-90.0000" at the bottom.
    CHECK(canvas.Count({0, 21, 60, 30}, Role(ColorRole::OK)) > 0);
    CHECK(canvas.Count({0, 150, 60, 170}, Role(ColorRole::Info)) > 0);
    CHECK(canvas.Count({0, 290, 60, 310}, Role(ColorRole::Err)) > 0);
    CHECK(canvas.Count({0, 290, 60, 310}, Role(ColorRole::OK)) == 0);
    CHECK((MapViewport.latitudeStep == 15.0f && MapViewport.longitudeStep == 30.0f));
}

TEST_CASE_FIXTURE(PainterState, "Points on the window's edge are drawn, a hair outside are not")
{
    SetWindow(49, 10, 50, 11);
    SetLive(10.5, 49.5);
    points = {At(10, 50), At(11, 49), At(10.5, 50.000001)};
    Paint();
    REQUIRE(hits.size() == 3);
    const RECT corner{16, 16, 24, 24};
    CHECK(EqualRect(&hits[0], &corner));
    CHECK((Centre(hits[1]).x == 220 && Centre(hits[1]).y == 300));
    CHECK(IsRectEmpty(&hits[2]));
    CHECK(canvas.Pixel(20, 20) == Role(ColorRole::OK));
    CHECK(canvas.Pixel(220, 300) == Role(ColorRole::OK));
    CHECK(canvas.Pixel(117, 157) == Role(ColorRole::Err));   // the position's square

    SUBCASE("a quick repaint puts the background back and moves only the square") {
        const RECT sentinel{140, 60, 150, 70};
        const HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
        FillRect(canvas.Dc(), &sentinel, brush);
        DeleteObject(brush);
        SetLive(10.25, 49.25);
        QuickRepaint = true;
        Paint();
        CHECK_FALSE(QuickRepaint);
        CHECK(canvas.Pixel(117, 157) == kWhite);
        CHECK(canvas.Pixel(120, 160) == Role(ColorRole::Gray));   // grid lines crossing
        CHECK(canvas.Pixel(67, 227) == Role(ColorRole::Err));
        CHECK(canvas.Pixel(145, 65) == RGB(1, 2, 3));   // nothing else was drawn
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
    CHECK(canvas.Pixel(40, 172) == Role(ColorRole::OK));
    CHECK(canvas.Pixel(80, 172) == Role(ColorRole::OK));
    CHECK(canvas.Pixel(60, 174) == Role(ColorRole::OK));    // the line between them
    CHECK(canvas.Pixel(160, 104) == Role(ColorRole::Err));
    CHECK(canvas.Pixel(200, 272) != Role(ColorRole::OK));   // no waypoint

    // Cells 7, 7, 9 and the position's 0: a run per cell, colours alternating.
    SetPath({At(10.1, 49.45, 7), At(10.3, 49.45, 7), At(10.5, 49.45, 9)});
    canvas.Fill(kWhite);
    Paint();
    CHECK(canvas.Pixel(40, 172) != Role(ColorRole::OK));
    CHECK(canvas.Pixel(60, 174) == Role(ColorRole::OK));
    CHECK(canvas.Pixel(95, 174) == Role(ColorRole::Info));
    CHECK(canvas.Pixel(160, 104) == Role(ColorRole::Err));
}

TEST_CASE_FIXTURE(PainterState, "In polar form the origin is the centre and positive latitude lies to its right")
{
    MapViewport.polar = 1;
    points = {At(0, 0), At(0, 45), At(180, 90)};
    Paint();
    REQUIRE(hits.size() == 3);
    CHECK((Centre(hits[0]).x == 120 && Centre(hits[0]).y == 160));
    CHECK(Centre(hits[1]).x == 120 + static_cast<int>(120 * 45 / std::sqrt(40500.0)));
    CHECK(Centre(hits[1]).y == 160);
    // The corner of the world lies on the outer ring, 120 pixels out.
    const POINT corner = Centre(hits[2]);
    CHECK(std::abs(std::hypot(corner.x - 120.0, corner.y - 160.0) - 120.0) < 1.5);
    CHECK(canvas.Pixel(120, 160) == Role(ColorRole::OK));
    CHECK(canvas.Pixel(2, 2) == kWhite);   // outside the disc
    CHECK(canvas.Pixel(60, 100) == Role(ColorRole::Bk));
}

TEST_CASE_FIXTURE(PainterState, "Pictures of the map, path and polar views; no GDI object is left behind")
{
    testsupport::TempDir dir;
    REQUIRE(mapstest::WritePng(dir.File("23.5_38.1_23.9_37.8.png"), 64, 64, RGB(200, 230, 200),
                               RGB(230, 220, 180)));
    ScanOfflineMaps(dir.WPath().c_str());
    SetWindow(37.8, 23.5, 38.1, 23.9);
    SetLive(23.65, 37.95);
    points = {At(23.6, 38.0), At(23.8, 37.9), At(23.7, 37.82)};
    const unsigned before = testsupport::GdiObjectCount();

    Paint();
    // The map's corners sit on the grid's corners, under the grid.
    CHECK(canvas.Pixel(28, 50) == RGB(200, 230, 200));
    CHECK(canvas.Pixel(200, 250) == RGB(230, 220, 180));
    CHECK(canvas.SavePng("map_view.png"));

    std::vector<GPS_POSITION> track;
    for (int i = 0; i <= 60; ++i)
        track.push_back(At(23.55 + i * 0.005, 37.85 + 0.1 * std::sin(i / 9.0), i < 30 ? 1 : 2));
    SetPath(track);
    CurrentScreen = kScreenPathView;
    canvas.Fill(Role(ColorRole::Bk));
    Paint();
    CHECK(canvas.SavePng("path_view.png"));

    SetPath({});
    CurrentScreen = kScreenMap;
    MapViewport.polar = 1;
    MapViewport.rotation = 30;
    canvas.Fill(Role(ColorRole::Bk));
    Paint();
    CHECK(canvas.SavePng("polar_grid.png"));

    ReleaseScreenBuffer();
    ReleaseMapImage();
    CHECK(before > 0);
    CHECK(testsupport::GdiObjectCount() <= before);
}

// The Path screen while a route of 101 points is followed at its hundredth
// point, the speed in knots:
// the detail lines and the boxes round the plot each keep their own place,
// nothing is cut, and nothing is drawn beyond the window's client area. The
// canvas is wider and taller than the client; its spare columns and rows
// keep a colour no part uses.
TEST_CASE_FIXTURE(PainterState, "The Path screen's text stays whole and inside the window at 240 x 320 and 480 x 640")
{
    SetWindow(37.8, 23.5, 38.1, 23.9);
    std::vector<GPS_POSITION> track;
    for (int i = 0; i <= 100; ++i) {
        track.push_back(At(23.55 + i * 0.003, 37.85 + 0.1 * std::sin(i / 9.0)));
        GPS_CURRENT p{};
        p.pos = track.back();
        ActiveTrack.points.push_back(p);
    }
    SetPath(track);
    {
        LiveRecordGuard live(&GpsDevice);
        live->pos = track[6];
        live->knots = 66.69;
        live->kmh = 123.5;
        live->ms = 34.3;
        live->course = 75.0;
    }
    SpeedUnit = 1;   // "Knots": the widest label
    RecorderState = kRecorderFollowing;
    RoutePosition = 99;
    CurrentScreen = kScreenPathView;
    const COLORREF spare = RGB(1, 2, 3);
    for (const int w : {240, 480}) {
        CAPTURE(w);
        const int h = w * 4 / 3;
        const HWND path = CreateWindowExW(0, L"STATIC", L"path", WS_POPUP, 0, 0, w, h, nullptr, nullptr,
                                          GetModuleHandleW(nullptr), nullptr);
        REQUIRE(path);
        testsupport::DibCanvas c(w + 40, h + 40);
        c.Fill(spare);
        c.Fill({0, 0, w, h}, Role(ColorRole::Bk));
        DrawMapView(path, c.Dc(), &points, kSeriesWaypoints, nullptr, nullptr);
        CHECK(c.SavePng("path_route_" + std::to_string(w) + ".png"));
        DestroyWindow(path);
        CHECK(c.Count({w, 0, w + 40, h + 40}, spare) == 40 * (h + 40));
        CHECK(c.Count({0, h, w, h + 40}, spare) == 40 * w);

        // The detail lines as they look drawn alone: every pixel of their
        // box the same in the full paint (no label, line or box over them).
        testsupport::DibCanvas alone(w, h);
        alone.Fill(Role(ColorRole::Bk));
        wchar_t detail[200];
        FormatPointDetail(detail, 200, GpsDevice.Snapshot(), 0, 0);
        RECT lines = {2, 1, w - 1, h};
        SetBkMode(alone.Dc(), TRANSPARENT);
        SetTextColor(alone.Dc(), Role(ColorRole::Gray));
        DrawTextW(alone.Dc(), detail, -1, &lines, 0);
        DrawTextW(alone.Dc(), detail, -1, &lines, DT_CALCRECT);
        int differing = 0;
        for (int y = lines.top; y < lines.bottom; ++y)
            for (int x = lines.left; x < lines.right; ++x)
                differing += c.Pixel(x, y) != alone.Pixel(x, y);
        CHECK(differing == 0);

        // The counter "100/101": right of the speed unit with a gap, inside
        // the client, and whole: as wide as it is drawn alone in one of the
        // fonts it may take.
        const RECT band = {SpeedUnitRect.right, h - 43, w + 40, h - 1};
        const InkColumns counter = Ink(c, band, Role(ColorRole::Info));
        CHECK(counter.left > SpeedUnitRect.right + 1);
        CHECK(counter.right < w);
        bool whole = false;
        for (HFONT font : {FontSet.Plus10, FontSet.Plus5, FontSet.Base}) {
            testsupport::DibCanvas text(200, 60);
            text.Fill(Role(ColorRole::Bk));
            SetBkMode(text.Dc(), TRANSPARENT);
            SetTextColor(text.Dc(), Role(ColorRole::Info));
            const HGDIOBJ old = SelectObject(text.Dc(), font);
            RECT r = text.Rect();
            DrawTextW(text.Dc(), kCounter, -1, &r, DT_LEFT | DT_TOP | DT_SINGLELINE);
            SelectObject(text.Dc(), old);
            const InkColumns single = Ink(text, text.Rect(), Role(ColorRole::Info));
            whole = whole || single.right - single.left == counter.right - counter.left;
        }
        CHECK(whole);
    }
    SpeedUnit = 0;
    RecorderState = kRecorderIdle;
    ActiveTrack = TRACK{};
    RoutePosition = 0;
}
