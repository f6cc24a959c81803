// The GPS data screen's repaint mask and layout, and the panes' texts, as
// plain functions.
#include <doctest.h>

#include "gps/geodesy.h"
#include "pane_test_util.h"

#include <climits>
#include <limits>
#include <string>

using namespace panetest;

namespace {

std::wstring Box(PositionBox box, const GPS_CURRENT& g, int mode = 0, int unit = 0)
{
    wchar_t text[kPaneTextSize];
    FormatPositionBox(text, kPaneTextSize, box, g, mode, unit);
    return text;
}

std::wstring Distance(double d, int unit, const wchar_t* second = nullptr)
{
    wchar_t text[kPaneTextSize];
    FormatDistance(text, kPaneTextSize, d, unit, second);
    return text;
}

std::wstring Speed(double v)
{
    wchar_t text[64];
    FormatSpeedValue(text, 64, v);
    return text;
}

std::wstring TimeToGo(double km, double ms)
{
    wchar_t text[64];
    FormatTimeToGo(text, 64, km, ms);
    return text;
}

}  // namespace

TEST_CASE("the repaint mask names the boxes whose values changed")
{
    GPS_CURRENT last = PointAt(8.5, 47.25);
    last.fix = 1;
    last.pos.z = 400.0;
    last.knots = 10.0;
    last.course = 90.0;
    last.satsUsed = 6;
    last.pdop = 1.5f;
    last.utc.wSecond = 10;
    last.nearestWaypoint = 2;
    last.nearestWaypointKm = 1.25;
    GPS_CURRENT live = last;
    CHECK(PositionChangeMask(live, last) == 0);

    SUBCASE("each value sets its own bit") {
        const struct {
            void (*change)(GPS_CURRENT*);
            int32_t bit;
        } rows[] = {
            {[](GPS_CURRENT* g) { g->pos.x = 8.6; }, kRepaintX},
            {[](GPS_CURRENT* g) { g->pos.y = 47.3; }, kRepaintY},
            {[](GPS_CURRENT* g) { g->pos.z = 401.0; }, kRepaintZ},
            {[](GPS_CURRENT* g) { g->knots = 10.5; }, kRepaintSpeed},
            {[](GPS_CURRENT* g) { g->course = 91.0; }, kRepaintCourse},
            {[](GPS_CURRENT* g) { g->pdop = 1.6f; }, kRepaintSatellites},
            {[](GPS_CURRENT* g) { g->satsUsed = 7; }, kRepaintSatellites},
            {[](GPS_CURRENT* g) { g->utc.wSecond = 11; }, kRepaintTime},
            {[](GPS_CURRENT* g) { g->nearestWaypoint = 3; }, kRepaintWaypoint},
            {[](GPS_CURRENT* g) { g->nearestWaypointKm = 1.3; }, kRepaintWaypoint},
        };
        for (const auto& row : rows) {
            live = last;
            row.change(&live);
            CHECK(PositionChangeMask(live, last) == row.bit);
        }
    }
    SUBCASE("a coordinate of exactly 0 never sets its bit; a NaN always does") {
        live.pos = {0.0, 0.0, 0.0, 0};
        CHECK(PositionChangeMask(live, last) == 0);
        live.pos.x = last.pos.x = std::numeric_limits<double>::quiet_NaN();
        CHECK(PositionChangeMask(live, last) == kRepaintX);
    }
    SUBCASE("speed and course count only with a fix of exactly 1") {
        live.knots = 12.0;
        live.course = 180.0;
        live.fix = 0;
        CHECK(PositionChangeMask(live, last) == 0);
        live.fix = 2;
        CHECK(PositionChangeMask(live, last) == 0);
    }
    SUBCASE("a fix newly gained or an erase repaints everything; losing it does not") {
        last.fix = 0;
        CHECK(PositionRepaintMask(live, last, false) == kRepaintAll);
        last.fix = 1;
        live.fix = 0;
        live.utc.wSecond = 11;
        CHECK(PositionRepaintMask(live, last, false) == kRepaintTime);
        CHECK(PositionRepaintMask(live, last, true) == kRepaintAll);
    }
}

TEST_CASE("GPS data screen layout")
{
    ResetPaneGlobals();
    SUBCASE("240 x 320 with a 13-pixel bold font") {
        const POSITION_LAYOUT p = LayoutPositionScreen(240, 320, 13, 39);
        CHECK(SameRect(p.x, {2, 2, 140, 16}));
        CHECK(SameRect(p.satellites, {150, 2, 240, 16}));
        CHECK(SameRect(p.y, {2, 16, 140, 30}));
        CHECK(SameRect(p.course, {150, 16, 240, 30}));
        CHECK(SameRect(p.z, {2, 30, 140, 44}));
        CHECK(SameRect(p.time, {150, 30, 240, 44}));
        CHECK(SameRect(p.coordinates, {2, 2, 140, 44}));
        CHECK(p.separatorY == 46);
        CHECK(SameRect(p.speed, {5, 47, 240, 88}));
        CHECK(SameRect(p.waypoint, {2, 302, 240, 319}));
        CHECK(SameRect(p.routeCounter, {170, 300, 240, 320}));
    }

    const RECT value = {5, 47, 60, 88};
    SUBCASE("the rose fits under the speed box, less CompassZ, moved by CompassX and Y") {
        CHECK(SameRect(LayoutPositionRose(240, 320, 88, value, kRecorderIdle, false).rose,
                       {52, 165, 188, 300}));
        CHECK(SameRect(LayoutPositionRose(240, 200, 88, value, kRecorderIdle, false).rose,
                       {74, 88, 166, 180}));
        CompassX = 3;
        CompassY = -4;
        CompassZ = 25;
        CHECK(SameRect(LayoutPositionRose(240, 320, 88, value, kRecorderRecording, false).rose,
                       {60, 171, 186, 296}));
    }
    SUBCASE("following a route: rose right, turn circle left") {
        const ROSE_LAYOUT r = LayoutPositionRose(240, 320, 88, value, kRecorderFollowing, true);
        CHECK(r.following);
        CHECK(SameRect(r.rose, {148, 210, 238, 300}));
        CHECK(SameRect(r.turnCircle, {2, 210, 92, 300}));
    }
    SUBCASE("following in a short window: the circle moves left of the rose") {
        const ROSE_LAYOUT r = LayoutPositionRose(240, 180, 88, value, kRecorderFollowing, true);
        CHECK(SameRect(r.rose, {148, 70, 238, 160}));
        CHECK(SameRect(r.turnCircle, {56, 70, 146, 160}));
    }
    SUBCASE("a route position off the route keeps the ordinary rose, narrowed") {
        const ROSE_LAYOUT r = LayoutPositionRose(240, 320, 88, value, kRecorderFollowing, false);
        CHECK_FALSE(r.following);
        CHECK(SameRect(r.rose, {72, 205, 168, 300}));
    }
}

TEST_CASE("GPS data screen box texts")
{
    GPS_CURRENT g = PointAt(23.5, -0.5);
    g.pos.z = 100.0;
    g.satsUsed = 7;
    g.pdop = 1.5f;
    g.course = 123.456;
    g.local.wHour = 7;
    g.local.wMinute = 5;
    g.local.wSecond = 9;

    CHECK(Box(PositionBox::X, g) == L"X: 23 30' 0.000''E");
    CHECK(Box(PositionBox::Y, g) == L"Y: 0 30' 0.000''S");
    g.pos.x = 8.1234567;
    CHECK(Box(PositionBox::X, g, 1) == L"X: 8.1234567");
    CHECK(Box(PositionBox::Y, g, 1) == L"Y: -0.5000000");
    CHECK(Box(PositionBox::Satellites, g) == L"Sat: 7 (1.50)");
    CHECK(Box(PositionBox::Course, g) == L"Crs: 123.46");
    CHECK(Box(PositionBox::Time, g) == L"07:05:09");
    CHECK(Box(PositionBox::Z, g, 0, 0) == L"Z: 100.00m");
    CHECK(Box(PositionBox::Z, g, 0, 1) == L"Z: 3937.00i");
    CHECK(Box(PositionBox::Z, g, 0, 2) == L"Z: 328.00f");
    wchar_t small[6];
    FormatPositionBox(small, 6, PositionBox::Satellites, g, 0, 0);
    CHECK(std::wstring(small) == L"Sat: ");
}

TEST_CASE("the nearest waypoint line checks its index against the vector")
{
    const std::vector<WAYPOINT> list = {NamedWaypoint("Home"), NamedWaypoint("Caf\xC3\xA9")};
    GPS_CURRENT g = PointAt(0, 0);
    g.nearestWaypointKm = 1.234;
    wchar_t text[kPaneTextSize];

    g.nearestWaypoint = 2;
    CHECK(FormatNearestWaypoint(text, kPaneTextSize, g, list));
    CHECK(std::wstring(text) == L"1.23 Km Caf\u00E9");
    for (int32_t bad : {0, -1, 3}) {
        g.nearestWaypoint = bad;
        CHECK_FALSE(FormatNearestWaypoint(text, kPaneTextSize, g, list));
        CHECK(text[0] == L'\0');
    }
    SUBCASE("a name filling all 100 bytes is read no further") {
        WAYPOINT full{};
        std::memset(full.name, 'a', sizeof full.name);
        full.pos.x = 99.0;
        g.nearestWaypoint = 1;
        CHECK(FormatNearestWaypoint(text, kPaneTextSize, g, {full}));
        CHECK(std::wstring(text) == L"1.23 Km " + std::wstring(100, L'a'));
    }
}

TEST_CASE("speed digits and limits")
{
    CHECK(Speed(99.99) == L"99.99");
    CHECK(Speed(100.0) == L"100.0");
    CHECK(Speed(9.5) == L"9.500");
    CHECK(Speed(10.0) == L"10.00");
    CHECK(std::wstring(SpeedUnitLabel(3)) == L"MpH");
    CHECK(std::wstring(SpeedUnitLabel(9)) == L"Km/H");
    // Limits are km/h and 0 switches one off.
    CHECK(SpeedOutsideLimits(25.0, 30, 0));
    CHECK_FALSE(SpeedOutsideLimits(30.0, 30, 0));
    CHECK(SpeedOutsideLimits(50.5, 0, 50));
    CHECK_FALSE(SpeedOutsideLimits(500.0, 0, 0));
}

TEST_CASE("distance labels in the three units")
{
    CHECK(Distance(0.5, 0) == L"500m");
    CHECK(Distance(0.9999, 0) == L"999m");
    CHECK(Distance(1.0, 0) == L"1.00Km");
    CHECK(Distance(0.25, 1) == L"15840i");
    CHECK(Distance(0.5, 1) == L"0.50mi");
    CHECK(Distance(0.4, 2) == L"2430f");
    CHECK(Distance(1.0, 2) == L"1.00Nmi");
    CHECK(Distance(1.0, 0, L"00:01:00") == L"1.00Km\r\n00:01:00");
    CHECK(Distance(0.25, 1, L"") == L"15840i\r\n");
    CHECK(Distance(-3.0, 0) == L"0m");
    CHECK(Distance(2.0, 7) == L"2.00Km");
    CHECK(KmToDistanceUnit(1.609344, 1) == doctest::Approx(1.0));
    CHECK(KmToDistanceUnit(1.852, 2) == doctest::Approx(1.0));
}

TEST_CASE("time to go")
{
    CHECK(TimeToGo(1.0, 10.0) == L"00:01:40");
    CHECK(TimeToGo(3.6, 1.0) == L"01:00:00");
    CHECK(TimeToGo(1.0, 0.0) == L"");
    // Far beyond 32 bits of seconds: saturated, not wrapped.
    CHECK(TimeToGo(1e12, 1.0) == L"1193046:28:15");
    CHECK(TimeToGo(1.0, -5.0) == L"00:00:00");
}

TEST_CASE("route distances never read past the route")
{
    TRACK route{};
    const GPS_CURRENT live = PointAt(-0.01, 0.0);
    ROUTE_DISTANCES d{};
    auto km = [](const GPS_CURRENT& a, const GPS_CURRENT& b) {
        return CalcDistanceKm(static_cast<float>(a.pos.x), static_cast<float>(a.pos.y),
                              static_cast<float>(b.pos.x), static_cast<float>(b.pos.y));
    };

    CHECK_FALSE(MeasureRoute(live, route, 0, 0, &d));
    CHECK_FALSE(MeasureRoute(live, route, UINT_MAX, 0, &d));
    route.points = {PointAt(0.0, 0.0), PointAt(0.01, 0.0), PointAt(0.02, 0.0)};
    CHECK_FALSE(MeasureRoute(live, route, 3, 0, &d));

    REQUIRE(MeasureRoute(live, route, 1, 0, &d));
    CHECK(d.nextKm == doctest::Approx(km(live, route.points[1])));
    CHECK(d.endKm == doctest::Approx(d.nextKm + km(route.points[1], route.points[2])));
    REQUIRE(MeasureRoute(live, route, 2, 0, &d));
    CHECK(d.endKm == d.nextKm);
    // Statute miles: each leg converted as it is added.
    REQUIRE(MeasureRoute(live, route, 0, 1, &d));
    CHECK(d.next == doctest::Approx(d.nextKm / 1.609344));
    CHECK(d.end == doctest::Approx(d.endKm / 1.609344));
    route.points.resize(1);
    REQUIRE(MeasureRoute(live, route, 0, 0, &d));
    CHECK(d.endKm == d.nextKm);
}

TEST_CASE("route box and point detail texts")
{
    const ROUTE_DISTANCES d = {0.5, 0.5, 1.0, 1.0};
    wchar_t text[kPaneTextSize];
    FormatRouteInfo(text, kPaneTextSize, d, 10.0, 0, true, true);
    CHECK(std::wstring(text) == L"500m\r\n00:00:50\r\n1.00Km\r\n00:01:40");
    // Standing still the times are empty lines.
    FormatRouteInfo(text, kPaneTextSize, d, 0.0, 0, true, true);
    CHECK(std::wstring(text) == L"500m\r\n\r\n1.00Km\r\n");
    // The Path view shows one part at a time.
    FormatRouteInfo(text, kPaneTextSize, d, 0.0, 0, false, true);
    CHECK(std::wstring(text) == L"\r\n1.00Km\r\n");

    GPS_CURRENT g = PointAt(23.5, -0.5);
    g.pos.z = 12.5;
    FormatPointDetail(text, kPaneTextSize, g, 0, 0);
    CHECK(std::wstring(text) == L"X: 23 30' 0.000''E\r\nY: 0 30' 0.000''S\r\nZ: 12.50\r\nC: 0");
    FormatPointDetail(text, kPaneTextSize, g, 1, 77);
    CHECK(std::wstring(text) == L"X: 23.5000000\r\nY: -0.5000000\r\nZ: 12.50\r\nC: 77");
}

TEST_CASE("double clicks on the GPS data screen, in the main window's order")
{
    ResetPaneGlobals();
    CHECK(HitTestPositionScreen({0, 0}) == PositionHit::None);   // nothing painted yet
    CoordinateRect = {2, 2, 140, 44};
    SpeedUnitRect = {100, 40, 140, 50};
    SpeedValueRect = {5, 47, 100, 88};
    CompassRect = {52, 165, 188, 300};
    CHECK(HitTestPositionScreen({140, 44}) == PositionHit::SpeedUnit);   // edges count
    CHECK(HitTestPositionScreen({10, 10}) == PositionHit::Coordinate);
    CHECK(HitTestPositionScreen({5, 88}) == PositionHit::SpeedValue);
    CHECK(HitTestPositionScreen({188, 300}) == PositionHit::Compass);
    CHECK(HitTestPositionScreen({200, 10}) == PositionHit::None);
}
