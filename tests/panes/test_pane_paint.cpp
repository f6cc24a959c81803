// The GPS data screen and the drawing kit painted into 240 x 320 DIB
// sections: pixels at known places, GDI objects balanced around every paint,
// and PNGs of the screens left in the test's working folder to look at.
#include <doctest.h>

#include "gps/gps.h"
#include "kit/draw.h"
#include "kit/outside.h"
#include "pane_test_util.h"
#include "support/dib_canvas.h"
#include "support/gdi_count.h"
#include "support/png_writer.h"

#include <cmath>
#include <cstring>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

using namespace panetest;
using testsupport::DibCanvas;
using testsupport::GdiObjectCount;

namespace {

constexpr int kW = 240;
constexpr int kH = 320;

// The FontSet lives for the program's run; the tests build it once.
void EnsureFonts()
{
    static const bool built = (CreateFontSet(), true);
    (void)built;
}

std::vector<std::wstring> g_sounds;

COLORREF Role(ColorRole role) { return SchemeColor(role); }

// A moving fix near Zurich, heading east, with a waypoint nearby.
void FillLive(GPS_CURRENT* g)
{
    g->fix = 1;
    g->pos = {8.5417, 47.3769, 408.5, 0};
    g->kmh = 54.0;
    g->knots = 54.0 / 1.852;
    g->ms = 15.0;
    g->mph = 54.0 / 1.609344;
    g->course = 90.0;
    g->satsUsed = 8;
    g->pdop = 1.7f;
    g->local.wHour = 14;
    g->local.wMinute = 5;
    g->local.wSecond = 33;
    g->utc = g->local;
    g->nearestWaypoint = 1;
    g->nearestWaypointKm = 0.42;
}

// Everything one painting test needs: fresh globals, the fonts, the
// program's port with a live record (the text colour and the turn search
// read GpsDevice), sounds that are logged, and a canvas erased to the
// background as the main window erases it.
struct PaintFixture {
    GpsPort* port = &GpsDevice;
    DibCanvas canvas{kW, kH};
    const OUTSIDE_SEAMS outside = OutsideSeams;
    // The stored waypoints the screen names the nearest of.
    std::vector<WAYPOINT> waypoints = {NamedWaypoint("Station")};

    PaintFixture()
    {
        ResetPaneGlobals();
        EnsureFonts();
        g_sounds.clear();
        OutsideSeams.playSound = [](const wchar_t* name) { g_sounds.emplace_back(name); };
        TurnArmed = false;
        std::memset(port->LiveRecord(), 0, sizeof(GPS_CURRENT));
        FillLive(port->LiveRecord());
        REQUIRE(canvas.Valid());
        Erase();
    }
    ~PaintFixture()
    {
        OutsideSeams = outside;
        ResetPaneGlobals();
        TurnArmed = false;
        std::memset(port->LiveRecord(), 0, sizeof(GPS_CURRENT));
    }

    GPS_CURRENT& Live() { return *port->LiveRecord(); }
    void Erase() { canvas.Fill(Role(ColorRole::Bk)); }
    void Paint(int32_t mask = kRepaintAll)
    {
        PaintPositionScreen(port, canvas.Dc(), canvas.Rect(), mask, waypoints);
    }
    // A route heading north-east from a point due east of the live position
    // (which heads east): straight on, no turn within the look-ahead.
    void Follow(size_t points)
    {
        RecorderState = kRecorderFollowing;
        ActiveTrack.points.clear();
        for (size_t i = 0; i < points; ++i)
            ActiveTrack.points.push_back(PointAt(8.55 + 0.004 * i, 47.3769 + 0.002 * i));
        RoutePosition = 0;
    }
    // A route through points given in metres east and north of the live
    // position (near Zurich a degree of longitude is 75.4 km, one of
    // latitude 111.2 km).
    void FollowThrough(std::initializer_list<std::pair<double, double>> metres)
    {
        Follow(0);
        for (const auto& [east, north] : metres)
            ActiveTrack.points.push_back(
                PointAt(Live().pos.x + east / 75400.0, Live().pos.y + north / 111200.0));
    }
    // Straight on for 200 m, then south: a right turn 200 m ahead.
    void FollowToRightTurn() { FollowThrough({{200, 0}, {200, -300}, {200, -600}, {200, -900}}); }
    int BoldHeight() const
    {
        LOGFONTW lf{};
        GetObjectW(FontSet.Bold, sizeof lf, &lf);
        return std::abs(lf.lfHeight);
    }
    // The handheld variant's test writes its own set beside the desktop's.
    void Save(const std::string& name)
    {
#if defined(PATHVEX_WM)
        CHECK(canvas.SavePng("wm_" + name));
#else
        CHECK(canvas.SavePng(name));
#endif
    }
};

RECT CentreOf(const RECT& r, int half)
{
    const int cx = r.left + (r.right - r.left) / 2;
    const int cy = r.top + (r.bottom - r.top) / 2;
    return {cx - half, cy - half, cx + half, cy + half};
}

// The pixels of colour in region, row by row.
std::vector<bool> Pattern(const DibCanvas& c, const RECT& region, COLORREF colour)
{
    std::vector<bool> p;
    for (int y = region.top; y < region.bottom; ++y)
        for (int x = region.left; x < region.right; ++x)
            p.push_back(c.Pixel(x, y) == colour);
    return p;
}

// letter drawn alone, as the rose draws its letters, over the background.
std::vector<bool> LetterPattern(const wchar_t* letter, RECT box, const RECT& region)
{
    DibCanvas ref(kW, kH);
    ref.Fill(Role(ColorRole::Bk));
    SetBkMode(ref.Dc(), TRANSPARENT);
    SetTextColor(ref.Dc(), Role(ColorRole::Info));
    const HGDIOBJ old = SelectObject(ref.Dc(), FontSet.Bold);
    DrawTextW(ref.Dc(), letter, 1, &box, DT_CENTER);
    SelectObject(ref.Dc(), old);
    return Pattern(ref, region, Role(ColorRole::Info));
}

// True when letter, drawn alone into box moved by at most one pixel, gives
// the same pixels in region as the canvas: turned letter boxes come out of
// float arithmetic and may land a pixel off.
bool ShowsLetterNear(const DibCanvas& c, const wchar_t* letter, const RECT& box,
                     const RECT& region)
{
    const std::vector<bool> painted = Pattern(c, region, Role(ColorRole::Info));
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
            const RECT moved = {box.left + dx, box.top + dy, box.right + dx, box.bottom + dy};
            if (LetterPattern(letter, moved, region) == painted)
                return true;
        }
    return false;
}

// The pen, brush and font selected into dc.
std::vector<HGDIOBJ> Selected(HDC dc)
{
    return {GetCurrentObject(dc, OBJ_PEN), GetCurrentObject(dc, OBJ_BRUSH),
            GetCurrentObject(dc, OBJ_FONT)};
}

}  // namespace

TEST_CASE("a full paint of the GPS data screen")
{
    PaintFixture f;
    f.Paint();
    const int l = f.BoldHeight();
    REQUIRE(l > 0);
    const COLORREF info = Role(ColorRole::Info);
    const COLORREF bk = Role(ColorRole::Bk);

    SUBCASE("the separator runs under the text boxes from x 2 to W - 2") {
        const int y = 3 * l + 7;
        CHECK(f.canvas.Count({2, y, kW - 2, y + 1}, info) == kW - 4);
        CHECK(f.canvas.Pixel(1, y) == bk);
        CHECK(f.canvas.Pixel(kW - 2, y) == bk);
    }
    SUBCASE("hit rectangles follow the layout") {
        const POSITION_LAYOUT p = LayoutPositionScreen(kW, kH, l, 0);
        CHECK(SameRect(CoordinateRect, p.coordinates));
        CHECK(SpeedValueRect.left == 5);
        CHECK(SpeedValueRect.right > SpeedValueRect.left);
        CHECK(SpeedUnitRect.left == SpeedValueRect.right + 4);
        const ROSE_LAYOUT r = LayoutPositionRose(kW, kH, SpeedValueRect.bottom, SpeedValueRect,
                                                 kRecorderIdle, false);
        CHECK(SameRect(CompassRect, r.rose));
    }
    SUBCASE("the needle points along the course, east") {
        const RECT& r = CompassRect;
        const int cx = r.left + (r.right - r.left) / 2;
        const int cy = r.top + (r.bottom - r.top) / 2;
        const int q = (r.bottom - r.top) / 4;
        CHECK(f.canvas.Pixel(cx + q, cy) == info);      // toward the tip
        CHECK(f.canvas.Pixel(cx - q, cy) == bk);        // the notch behind the centre
        CHECK(f.canvas.Pixel(cx, cy - q) == bk);
        CHECK(f.canvas.Pixel(cx, cy + q) == bk);
    }
    SUBCASE("north is written at the top of the rose") {
        const RECT& r = CompassRect;
        const int cx = r.left + (r.right - r.left) / 2;
        const RECT glyph = {cx - 6, r.top + 7, cx + 6, r.top + 21};
        CHECK(ShowsLetterNear(f.canvas, L"N", {cx - 8, r.top + 6, cx + 8, r.top + 22}, glyph));
        CHECK(f.canvas.Count(glyph, info) > 5);
    }
    SUBCASE("the nearest waypoint is written on the bottom line") {
        const POSITION_LAYOUT p = LayoutPositionScreen(kW, kH, l, 0);
        CHECK(f.canvas.Count(p.waypoint, info) > 10);
    }
    f.Save("position_day.png");
}

TEST_CASE("the night scheme, other units, and the cell of pathvex-wm")
{
    PaintFixture f;
    ColorScheme = 1;
    CoordinateMode = 1;
    DistanceUnit = 1;
    SpeedUnit = 3;
    f.Live().cellId = 4711;
    f.Erase();
    f.Paint();
    const POSITION_LAYOUT p = LayoutPositionScreen(kW, kH, f.BoldHeight(), 0);
    CHECK(f.canvas.Pixel(120, p.separatorY) == ColorTable[4]);   // night labels are white
    CHECK(f.canvas.Count(p.x, ColorTable[1]) > 10);               // night text with a fix
    // Right of the Z text and left of the time box: only pathvex-wm writes
    // the current cell there.
    const int ink = f.canvas.Count({100, p.z.top, p.time.left - 2, p.z.bottom}, ColorTable[1]);
#if defined(PATHVEX_WM)
    CHECK(ink > 5);
#else
    CHECK(ink == 0);
#endif
    // Repainting the altitude row alone leaves the clock beside it whole.
    const int clock = f.canvas.Count(p.time, ColorTable[1]);
    f.Paint(kRepaintZ);
    CHECK(f.canvas.Count(p.time, ColorTable[1]) == clock);
    f.Save("position_night.png");
}

TEST_CASE("a partial paint redraws only the boxes of its mask")
{
    PaintFixture f;
    f.Paint();
    const int l = f.BoldHeight();
    const POSITION_LAYOUT p = LayoutPositionScreen(kW, kH, l, 0);
    const COLORREF ok = Role(ColorRole::OK);
    const COLORREF bk = Role(ColorRole::Bk);
    const int satInk = f.canvas.Count(p.satellites, ok);
    REQUIRE(satInk > 0);

    // Wipe the screen: whatever a partial paint leaves blank it did not draw.
    f.Erase();
    f.Live().pos.x = 8.6;
    f.Paint(PositionChangeMask(f.Live(), LastPaintedRecord));
    CHECK(f.canvas.Count(p.x, ok) > 0);
    CHECK(f.canvas.Count(p.satellites, ok) == 0);
    CHECK(f.canvas.Pixel(120, 3 * l + 7) == bk);           // no separator
    CHECK(f.canvas.Count(CompassRect, Role(ColorRole::Info)) == 0);   // no rose

    SUBCASE("without a fix the bottom line is left alone") {
        f.Live().fix = 0;
        f.Live().nearestWaypointKm = 0.5;
        f.Paint(kRepaintWaypoint);
        CHECK(f.canvas.Count(p.waypoint, Role(ColorRole::Info)) == 0);
    }
    SUBCASE("an index beyond the waypoints clears the line and writes nothing") {
        f.canvas.Fill(RGB(1, 2, 3));
        f.Live().nearestWaypoint = 5;
        f.Paint(kRepaintWaypoint);
        CHECK(f.canvas.Count(p.waypoint, bk) == (p.waypoint.right - p.waypoint.left) *
                                                   (p.waypoint.bottom - p.waypoint.top));
    }
}

TEST_CASE("GDI objects are balanced around every paint")
{
    PaintFixture f;
    const std::vector<HGDIOBJ> before = Selected(f.canvas.Dc());
    // Icons load once and stay shared: let each state's icon load first.
    for (int32_t state : {kRecorderIdle, kRecorderRecording, kRecorderPaused, kRecorderFollowing}) {
        RecorderState = state;
        f.Paint();
    }
    f.FollowToRightTurn();
    const unsigned count = GdiObjectCount();
    REQUIRE(count > 0);

    SUBCASE("the GPS data screen in every state and scheme") {
        for (int scheme : {0, 1, 2}) {
            ColorScheme = scheme;
            for (int32_t state : {kRecorderIdle, kRecorderRecording, kRecorderFollowing}) {
                RecorderState = state;
                f.Paint();
                f.Paint(kRepaintCourse | kRepaintSpeed);
            }
        }
        CHECK(GdiObjectCount() == count);
        CHECK(Selected(f.canvas.Dc()) == before);
    }
    SUBCASE("the kit pieces on their own") {
        const RECT r = {20, 20, 120, 120};
        DrawCompassRose(f.canvas.Dc(), 45.0f, r, true, 30.0f);
        DrawDirectionArrow(f.canvas.Dc(), r, 1.0f, RGB(9, 9, 9), 0.25, RGB(0, 0, 0));
        RECT speed = {0, 200, 240, 240};
        DrawSpeedBox(f.canvas.Dc(), f.Live(), &speed, kScreenPathView);
        DrawRouteInfoBox(f.canvas.Dc(), f.Live(), RECT{0, 0, 50, 20}, r, kScreenGps);
        DrawDistanceTimeBox(f.canvas.Dc(), r);
        DrawPointDetailBox(f.canvas.Dc(), &f.Live(), f.canvas.Rect());
        RecorderState = kRecorderRecording;
        DrawPointDetailBox(f.canvas.Dc(), &f.Live(), f.canvas.Rect());
        CHECK(GdiObjectCount() == count);
        CHECK(Selected(f.canvas.Dc()) == before);
    }
}

TEST_CASE("the speed box")
{
    PaintFixture f;
    const HDC dc = f.canvas.Dc();
    const COLORREF err = Role(ColorRole::Err);
    const COLORREF info = Role(ColorRole::Info);
    RECT box = {5, 40, kW, 90};

    SUBCASE("below the low limit in km/h turns the digits Err, shown in knots") {
        f.Live().kmh = 25.0;
        f.Live().knots = 25.0 / 1.852;
        SpeedUnit = 1;
        LowSpeedLimit = 30;
        SpeedLimitWarning = true;
        const int right = DrawSpeedBox(dc, f.Live(), &box, kScreenGps);
        CHECK(f.canvas.Count(SpeedValueRect, err) > 10);
        CHECK(f.canvas.Count(SpeedValueRect, info) == 0);
        CHECK(g_sounds == std::vector<std::wstring>{L"SPD"});
        CHECK(right == SpeedUnitRect.right);
        CHECK(box.left == SpeedValueRect.right + 4);
    }
    SUBCASE("without a warning setting it is Err but silent") {
        f.Live().kmh = 120.0;
        HighSpeedLimit = 100;
        DrawSpeedBox(dc, f.Live(), &box, kScreenGps);
        CHECK(f.canvas.Count(SpeedValueRect, err) > 10);
        CHECK(g_sounds.empty());
    }
    SUBCASE("both limits 0: never Err, never a sound") {
        SpeedLimitWarning = true;
        f.Live().kmh = 400.0;
        DrawSpeedBox(dc, f.Live(), &box, kScreenGps);
        CHECK(f.canvas.Count(SpeedValueRect, err) == 0);
        CHECK(f.canvas.Count(SpeedValueRect, info) > 10);
        CHECK(g_sounds.empty());
    }
    SUBCASE("following on the GPS data screen the label goes under the digits") {
        f.Follow(2);
        DrawSpeedBox(dc, f.Live(), &box, kScreenGps);
        CHECK(SpeedUnitRect.left == SpeedValueRect.left);
        CHECK(SpeedUnitRect.top == SpeedValueRect.bottom + 1);
        RECT again = {5, 40, kW, 90};
        DrawSpeedBox(dc, f.Live(), &again, kScreenPathView);   // not on the Path view
        CHECK(SpeedUnitRect.bottom == again.bottom);
    }
}

TEST_CASE("route boxes and the turn arrow")
{
    PaintFixture f;
    const HDC dc = f.canvas.Dc();
    const COLORREF mark = RGB(1, 2, 3);
    const RECT counter = {170, 300, 240, 320};
    const RECT distance = {100, 90, 200, 200};

    SUBCASE("an empty route draws no route box and keeps the ordinary rose") {
        f.Follow(0);
        f.canvas.Fill(mark);
        DrawRouteInfoBox(dc, f.Live(), counter, distance, kScreenGps);
        CHECK(f.canvas.Count(f.canvas.Rect(), mark) == kW * kH);
        TurnArmed = true;   // a turn search would clear it
        f.Paint();
        const ROSE_LAYOUT r = LayoutPositionRose(kW, kH, SpeedValueRect.bottom, SpeedValueRect,
                                                 kRecorderFollowing, false);
        CHECK(SameRect(CompassRect, r.rose));
        CHECK(TurnArmed);
    }
    SUBCASE("a position past the end of the route draws no route box") {
        f.Follow(3);
        RoutePosition = 3;
        f.canvas.Fill(mark);
        DrawRouteInfoBox(dc, f.Live(), counter, distance, kScreenGps);
        DrawRouteInfoBox(dc, f.Live(), counter, distance, kScreenPathView);
        CHECK(f.canvas.Count(f.canvas.Rect(), mark) == kW * kH);
        CHECK_FALSE(RouteBoxAlternate);
    }
    SUBCASE("the Path view shows next and end in turn") {
        f.Follow(3);
        DrawRouteInfoBox(dc, f.Live(), RECT{}, distance, kScreenPathView);
        CHECK(RouteBoxAlternate);
        DrawRouteInfoBox(dc, f.Live(), RECT{}, distance, kScreenPathView);
        CHECK_FALSE(RouteBoxAlternate);
        DrawRouteInfoBox(dc, f.Live(), counter, distance, kScreenGps);
        CHECK_FALSE(RouteBoxAlternate);
    }
    SUBCASE("following: turn circle left, arrow toward the turn, route boxes") {
        f.FollowToRightTurn();
        f.Paint();
        CHECK(TurnArmed);   // the search found the turn
        const ROSE_LAYOUT r = LayoutPositionRose(kW, kH, SpeedValueRect.bottom, SpeedValueRect,
                                                 kRecorderFollowing, true);
        REQUIRE(r.following);
        CHECK(SameRect(CompassRect, r.rose));
        const RECT& c = r.turnCircle;
        const int cx = c.left + (c.right - c.left) / 2;
        const int cy = c.top + (c.bottom - c.top) / 2;
        const COLORREF gray = Role(ColorRole::Gray);
        CHECK(f.canvas.Pixel(cx + 30, cy) == gray);   // the arrow's head, to the right
        CHECK(f.canvas.Pixel(cx, cy - 30) != gray);
        CHECK(f.canvas.Count(CentreOf(c, 20), Role(ColorRole::Info)) > 5);   // "200m"
        // The counter "1/4" is written at the bottom right.
        const POSITION_LAYOUT p = LayoutPositionScreen(kW, kH, f.BoldHeight(), 0);
        CHECK(f.canvas.Count(p.routeCounter, Role(ColorRole::OK)) > 5);
        f.Save("position_route_day.png");
    }
    SUBCASE("no turn ahead: the arrow keeps the search's angle and has no label") {
        f.Follow(4);
        ColorScheme = 1;
        f.Erase();
        f.Paint();
        CHECK_FALSE(TurnArmed);
        const ROSE_LAYOUT r = LayoutPositionRose(kW, kH, SpeedValueRect.bottom, SpeedValueRect,
                                                 kRecorderFollowing, true);
        const RECT& c = r.turnCircle;
        const int cx = c.left + (c.right - c.left) / 2;
        const int cy = c.top + (c.bottom - c.top) / 2;
        // The next point lies straight ahead, due east.
        CHECK(f.canvas.Pixel(cx, cy - 30) == Role(ColorRole::Gray));   // straight up
        CHECK(f.canvas.Count(CentreOf(c, 30), Role(ColorRole::Info)) == 0);   // no label
        f.Save("position_route_night.png");
    }
}

TEST_CASE("the compass rose's letters and needle")
{
    PaintFixture f;
    const HDC dc = f.canvas.Dc();
    const RECT r = {20, 20, 220, 220};
    const COLORREF info = Role(ColorRole::Info);
    const COLORREF bk = Role(ColorRole::Bk);
    const int cx = 120;
    // Course 45: the needle points to the upper right, clear of the letters.
    // Unshortened its tip lies 75 pixels from the centre (3h / 8), shortened
    // 67; this pixel on its axis lies 70.7 pixels out.
    const POINT nearTip = {cx + 50, 120 - 50};

    SUBCASE("no rotation, letters off: no letters, full-length needle") {
        ShowCompassLetters = false;
        DrawCompassRose(dc, 45.0f, r, false, kRoseNoRotation);
        CHECK(f.canvas.Count({cx - 8, r.top + 6, cx + 8, r.top + 22}, info) == 0);
        CHECK(f.canvas.Pixel(nearTip.x, nearTip.y) == info);
    }
    SUBCASE("no rotation, letters on: N on top, needle 8 pixels shorter") {
        DrawCompassRose(dc, 45.0f, r, false, kRoseNoRotation);
        const RECT glyph = {cx - 6, r.top + 7, cx + 6, r.top + 21};
        CHECK(ShowsLetterNear(f.canvas, L"N", {cx - 8, r.top + 6, cx + 8, r.top + 22}, glyph));
        CHECK(f.canvas.Pixel(nearTip.x, nearTip.y) == bk);
    }
    SUBCASE("rotated by 90 degrees north moves to the right") {
        ShowCompassLetters = false;   // a rotation draws letters anyway
        DrawCompassRose(dc, 0.0f, r, false, 90.0f);
        // The top letter box turned a quarter about the centre.
        const RECT box = {r.right - 22, 112, r.right - 6, 128};
        const RECT glyph = {r.right - 20, 114, r.right - 8, 126};
        CHECK(ShowsLetterNear(f.canvas, L"N", box, glyph));
        CHECK(f.canvas.Count(glyph, info) > 5);
        // And the top now carries W.
        CHECK(ShowsLetterNear(f.canvas, L"W", {cx - 8, r.top + 6, cx + 8, r.top + 22},
                              {cx - 6, r.top + 8, cx + 6, r.top + 20}));
    }
    SUBCASE("grayed and hollow on the Path view, needle filled by ics") {
        f.canvas.Fill(RGB(1, 2, 3));
        SolidCompass = false;
        DrawCompassRose(dc, 0.0f, r, true, kRoseNoRotation);
        CHECK(f.canvas.Count(r, info) == 0);   // grey replaces the labels' colour
        // Between the outer ring and the inner disc, between two ticks: the
        // outer disc is hollow, so the plot behind shows.
        CHECK(f.canvas.Pixel(157, 30) == RGB(1, 2, 3));
        CHECK(f.canvas.Pixel(cx, 120 - 40) == bk);   // needle filled with Bk
    }
}

TEST_CASE("the Path view's point detail box")
{
    PaintFixture f;
    ColorScheme = 1;
    f.Erase();
    const HDC dc = f.canvas.Dc();
    const RECT box = f.canvas.Rect();

    SUBCASE("returns the plot rectangle; recording shows the track box") {
        RecorderState = kRecorderRecording;
        TrackDistance = 1.25;
        TrackTimeSeconds = 754;
        const RECT plot = DrawPointDetailBox(dc, &f.Live(), box);
        // At least 40 from the top, and below the detail lines with room for
        // the grid's top labels.
        CHECK(SameRect(plot, {5, plot.top, kW - 5, kH - 40}));
        CHECK(plot.top >= 40);
        CHECK(f.canvas.Count({0, plot.top - 10, kW / 2, plot.top}, Role(ColorRole::Gray)) == 0);
        CHECK(f.canvas.Count({0, 1, kW / 2, plot.top - 10}, Role(ColorRole::Gray)) > 50);
        CHECK(f.canvas.Count({kW / 2, 2, kW, 202}, Role(ColorRole::OK)) > 10);
        f.Save("path_detail_recording_night.png");
    }
    SUBCASE("following shows the counter, the route box and the turn arrow") {
        // From point 1 on: straight on for 150 m, then north, a left turn.
        f.FollowThrough({{-100, 0}, {150, 0}, {150, 150}, {150, 300}, {150, 450}});
        RoutePosition = 1;
        DrawPointDetailBox(dc, &f.Live(), box);
        CHECK(TurnArmed);
        CHECK(RouteBoxAlternate);
        f.Save("path_detail_route_night.png");
    }
    SUBCASE("following an empty route: no counter, no box, no crash") {
        f.Follow(0);
        DrawPointDetailBox(dc, &f.Live(), box);
        CHECK_FALSE(RouteBoxAlternate);
    }
}

TEST_CASE("RedrawPositionScreen paints through the window's DC")
{
    PaintFixture f;
    const HWND window = CreateWindowExW(0, L"STATIC", L"panes", WS_POPUP, 0, 0, kW, kH, nullptr,
                                        nullptr, GetModuleHandleW(nullptr), nullptr);
    REQUIRE_MESSAGE(window != nullptr, "no window could be made (no display?)");
    RepaintAllPending = true;
    RedrawPositionScreen(window, f.port, f.waypoints);
    CHECK_FALSE(RepaintAllPending.load());
    CHECK(std::memcmp(&LastPaintedRecord, &f.Live(), sizeof LastPaintedRecord) == 0);
    CHECK(CompassRect.right > CompassRect.left);

    // No port: nothing happens, the pending erase stays for the next one.
    RepaintAllPending = true;
    RedrawPositionScreen(window, nullptr, f.waypoints);
    CHECK(RepaintAllPending.load());
    DestroyWindow(window);
}

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);

// A canvas filled white.
struct WhiteCanvas : DibCanvas {
    WhiteCanvas(int width, int height) : DibCanvas(width, height) { Fill(kWhite); }
};

// The live fix of GpsDevice and the recorder state, as the reader thread
// leaves them; idle and without a fix before and after.
struct StateFixture {
    StateFixture() { Set(0, kRecorderIdle); }
    ~StateFixture()
    {
        Set(0, kRecorderIdle);
        ColorScheme = 0;
    }
    static void Set(int fix, int32_t state)
    {
        LiveRecordGuard(&GpsDevice)->fix = fix;
        RecorderState = state;
    }
};

}  // namespace

TEST_CASE("SetSchemeTextColor follows the scheme and the live fix")
{
    StateFixture state;
    WhiteCanvas canvas(120, 40);
    struct Row {
        int scheme;
        bool fix;
        COLORREF colour;
    };
    const Row rows[] = {
        {0, true, 0xFF0000},        {0, false, 0x0000FF},        {1, true, 0xFFFF00},
        {1, false, 0x80FFFF},       {2, true, CustomColors[2]},  {2, false, CustomColors[3]},
    };
    for (const Row& row : rows) {
        ColorScheme = row.scheme;
        state.Set(row.fix ? 1 : 0, kRecorderIdle);
        SetTextColor(canvas.Dc(), 0x123456);
        SetSchemeTextColor(canvas.Dc());
        CHECK(GetTextColor(canvas.Dc()) == row.colour);
    }

    SUBCASE("a fix value other than 1 is no fix") {
        ColorScheme = 0;
        state.Set(2, kRecorderIdle);
        SetSchemeTextColor(canvas.Dc());
        CHECK(GetTextColor(canvas.Dc()) == 0x0000FF);
    }
    SUBCASE("text drawn after it has the colour on the pixels") {
        GdiSelectGuard font(canvas.Dc(),
                            CreateFontW(-24, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0,
                                        NONANTIALIASED_QUALITY, 0, L"Tahoma"));
        SetBkMode(canvas.Dc(), TRANSPARENT);
        ColorScheme = 1;
        state.Set(1, kRecorderIdle);
        SetSchemeTextColor(canvas.Dc());
        TextOutW(canvas.Dc(), 4, 4, L"MMMM", 4);
        CHECK(canvas.Count(0xFFFF00) > 20);
        CHECK(canvas.Count(0x80FFFF) == 0);
    }
}

TEST_CASE("DrawStateIcon shows the recorder state at the bottom left")
{
    StateFixture state;
    const RECT area = {0, 0, 64, 80};   // the icon's square: (0, 48) to (32, 80)

    SUBCASE("idle draws nothing") {
        WhiteCanvas canvas(64, 80);
        DrawStateIcon(canvas.Dc(), &area);
        CHECK(canvas.Count(kWhite) == 64 * 80);
    }
    SUBCASE("each state draws its own icon, only in its square") {
        const wchar_t* const names[] = {L"ICON_RECORD", L"ICON_PAUSE", L"ICON_PLAY"};
        for (int32_t s = kRecorderRecording; s <= kRecorderFollowing; ++s) {
            state.Set(0, s);
            WhiteCanvas canvas(64, 80);
            DrawStateIcon(canvas.Dc(), &area);
            WhiteCanvas reference(64, 80);
            DrawIcon(reference.Dc(), 0, 48, LoadIconW(GetModuleHandleW(nullptr), names[s - 1]));
            CHECK(canvas.Pixels() == reference.Pixels());
            int inside = 0, outside = 0;
            for (int y = 0; y < 80; ++y)
                for (int x = 0; x < 64; ++x)
                    (x < 32 && y >= 48 ? inside : outside) += canvas.Pixel(x, y) != kWhite;
            CHECK(inside > 50);
            CHECK(outside == 0);
        }
    }
    SUBCASE("drawing it again and again creates no GDI object") {
        WhiteCanvas canvas(64, 80);
        state.Set(0, kRecorderRecording);
        DrawStateIcon(canvas.Dc(), &area);
        const unsigned before = GdiObjectCount();
        CHECK(before != 0);
        for (int i = 0; i < 30; ++i) {
            state.Set(0, kRecorderRecording + i % 3);
            DrawStateIcon(canvas.Dc(), &area);
        }
        CHECK(GdiObjectCount() == before);
    }
}

TEST_CASE("the test PNG writer")
{
    CHECK(testsupport::Crc32("IEND", 4) == 0xAE426082u);       // every PNG's last CRC
    CHECK(testsupport::Crc32("123456789", 9) == 0xCBF43926u);  // the CRC-32 check value
    CHECK(testsupport::Adler32("Wikipedia", 9) == 0x11E60398u);
    CHECK(testsupport::EncodePng(0, 1, nullptr).empty());

    // 200 x 120 rows of filter byte and RGB make 72120 bytes: two stored
    // blocks, the first full and not final.
    std::vector<uint32_t> pixels(200 * 120, 0x123456);
    const std::string png = testsupport::EncodePng(200, 120, pixels.data());
    CHECK(png.compare(0, 8, std::string("\x89PNG\r\n\x1A\n", 8)) == 0);
    const size_t idat = png.find("IDAT");
    REQUIRE(idat != std::string::npos);
    const auto* z = reinterpret_cast<const unsigned char*>(png.data() + idat + 4);
    CHECK(((z[0] << 8) | z[1]) % 31 == 0);
    CHECK(z[2] == 0);
    CHECK((z[3] | (z[4] << 8)) == 65535);
    CHECK((z[7] == 0 && z[8] == 0x12 && z[9] == 0x34 && z[10] == 0x56));
    const unsigned char* second = z + 7 + 65535;
    CHECK(second[0] == 1);
    CHECK((second[1] | (second[2] << 8)) == 72120 - 65535);
}
