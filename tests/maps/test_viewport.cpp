// The map viewport's operations: zoom, reset, moves, centring, fitting,
// rotation and the map view commands, with the refreshes they ask for.
#include <doctest.h>

#include "maps/viewport.h"
#include "resources/resource.h"
#include "view_fixture.h"

#include <cmath>
#include <cstdlib>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

using mapstest::kStartViewport;
using ViewFixture = mapstest::LoggedViewFixture;

namespace {

GPS_POSITION At(double x, double y)
{
    return GPS_POSITION{x, y, 0.0, 0};
}

void Command(const ViewFixture& f, int id)
{
    LRESULT ignored = 0;
    MapViewCommand(f.Window(), id, &ignored);
}

}  // namespace

TEST_CASE("The viewport starts as the whole world, Cartesian and unturned")
{
    ViewFixture f;
    const MAP_VIEWPORT& v = kStartViewport;
    CHECK(f.Edges() == "-90 -180 90 180");
    CHECK(v.latitudeLineCount == 12);
    CHECK(v.longitudeLineCount == 12);
    CHECK(v.polar == 0);
    CHECK(v.polarLatitudeSpan == 90.0f);
    CHECK(v.polarLongitudeSpan == 180.0f);
    CHECK(v.polarRingCount == 4);
    CHECK(v.polarAngleStep == 30);
    CHECK(v.rotation == 0);
    CHECK(v.margin == 20);
    CHECK(v.latitudeStep == 0.0f);   // no grid painted yet: moves go nowhere
}

TEST_CASE("Cartesian zoom in halves the spans about the centre")
{
    ViewFixture f;

    SUBCASE("the whole world becomes its middle quarter, fetched then repainted") {
        ZoomIn(f.Window(), false, false, false);
        CHECK(f.Edges() == "-45 -90 45 90");
        CHECK(f.Log() == "FP");
    }
    SUBCASE("line counts run 12, 10, 8, 6, 4, 2, 12") {
        for (int count : {10, 8, 6, 4, 2, 12, 10}) {
            ZoomIn(f.Window(), true, false, false);
            CHECK(f.View().latitudeLineCount == count);
            CHECK(f.View().longitudeLineCount == count);
        }
        CHECK(f.Log().empty());   // noRefresh
    }
    SUBCASE("the quarter span is rounded to float twice") {
        f.SetWindow(0.0, 0.0, 0.1, 0.1);
        ZoomIn(f.Window(), true, false, false);
        const double d = static_cast<double>(0.025f);   // float(float(0.05) / 2)
        CHECK(f.View().minLatitude == d);
        CHECK(f.View().maxLatitude == 0.1 - d);
        CHECK(f.View().minLatitude != 0.025);
    }
}

TEST_CASE("Cartesian zoom out doubles the spans inside the world")
{
    ViewFixture f;

    SUBCASE("line counts run 12, 2, 4, ..., 12, 2 and are 12 at the whole world") {
        f.SetWindow(0.0, 0.0, 1.0, 1.0);
        for (int count : {2, 4, 6, 8, 10, 12, 2, 4, 12}) {
            ZoomOut(f.Window(), true, false, false);
            CHECK(f.View().latitudeLineCount == count);
            CHECK(f.View().longitudeLineCount == count);
        }
        CHECK(f.Edges() == "-90 -180 90 180");
        ZoomOut(f.Window(), false, false, false);
        CHECK(f.View().latitudeLineCount == 12);
        CHECK(f.Log() == "FP");
    }
    SUBCASE("each edge is clamped by itself, the window is not shifted") {
        f.SetWindow(80.0, 170.0, 90.0, 180.0);
        ZoomOut(f.Window(), true, false, false);
        CHECK(f.Edges() == "75 165 90 180");
    }
    SUBCASE("a zero span stays zero") {
        f.SetWindow(10.0, 20.0, 10.0, 20.0);
        ZoomOut(f.Window(), true, false, false);
        CHECK(f.Edges() == "10 20 10 20");
    }
}

TEST_CASE("Polar zooms change the caption spans and the rings, not the window")
{
    ViewFixture f;
    f.View().polar = 1;

    SUBCASE("zoom in: spans halve, rings count 3, 2, 1, then 4") {
        const float lat[] = {45.0f, 22.5f, 11.25f, 5.625f};
        const int rings[] = {3, 2, 1, 4};
        for (int i = 0; i < 4; ++i) {
            ZoomIn(f.Window(), false, false, false);
            CHECK(f.View().polarLatitudeSpan == lat[i]);
            CHECK(f.View().polarLongitudeSpan == 2 * lat[i]);
            CHECK(f.View().polarRingCount == rings[i]);
        }
        CHECK(f.Edges() == "-90 -180 90 180");
        CHECK(f.View().latitudeLineCount == 12);
    }
    SUBCASE("the keep flags act crosswise; full spans keep 4 rings") {
        ZoomIn(f.Window(), true, true, false);   // keepLatitude holds longitude
        CHECK(f.View().polarLongitudeSpan == 180.0f);
        CHECK(f.View().polarLatitudeSpan == 45.0f);
        ZoomOut(f.Window(), true, false, true);   // keepLongitude holds latitude
        CHECK(f.View().polarLatitudeSpan == 45.0f);
        ZoomIn(f.Window(), true, true, true);
        CHECK(f.View().polarRingCount == 3);
        ZoomOut(f.Window(), true, true, false);
        CHECK(f.View().polarLatitudeSpan == 90.0f);
        CHECK(f.View().polarRingCount == 4);   // exactly the full spans
        ZoomIn(f.Window(), true, true, true);
        CHECK(f.View().polarRingCount == 4);
    }
    SUBCASE("zoom out clamps to 90 and 180 and wraps the rings to 1") {
        f.View().polarLatitudeSpan = 10.0f;
        ZoomOut(f.Window(), true, false, false);
        CHECK(f.View().polarLatitudeSpan == 20.0f);
        CHECK(f.View().polarLongitudeSpan == 180.0f);
        CHECK(f.View().polarRingCount == 1);
    }
}

TEST_CASE("Reset returns to the whole world and keeps the form")
{
    ViewFixture f;
    f.SetWindow(1.0, 2.0, 3.0, 4.0);
    MAP_VIEWPORT& v = f.View();
    v.rotation = 90;
    v.latitudeLineCount = 4;
    v.polarRingCount = 1;
    v.polarLatitudeSpan = v.polarLongitudeSpan = 3.0f;
    v.polar = 1;
    v.polarAngleStep = 10;

    ResetView(f.Window(), true);
    CHECK(f.Edges() == "-90 -180 90 180");
    CHECK(v.rotation == 0);
    CHECK(v.latitudeLineCount == 12);
    CHECK(v.polarRingCount == 4);
    CHECK(v.polarLatitudeSpan == 90.0f);
    CHECK(v.polarLongitudeSpan == 180.0f);
    CHECK(v.polar == 1);
    CHECK(v.polarAngleStep == 10);
    CHECK(f.Log().empty());
    ResetView(f.Window(), false);
    CHECK(f.Log() == "FP");
}

TEST_CASE("Moves go one grid step and stop at the world's edges")
{
    ViewFixture f;

    SUBCASE("before the first grid paint a move has no distance") {
        f.SetWindow(-45.0, -90.0, 45.0, 90.0);
        MoveViewUp(f.Window());
        CHECK(MoveViewRight(f.Window()));
        CHECK(f.Edges() == "-45 -90 45 90");
    }
    SUBCASE("the whole world cannot move, and nothing is refreshed") {
        UpdateGridSteps(&f.View());
        CHECK(f.View().latitudeStep == 15.0f);
        CHECK(f.View().longitudeStep == 30.0f);
        MoveViewUp(f.Window());
        MoveViewDown(f.Window());
        CHECK_FALSE(MoveViewRight(f.Window()));
        CHECK_FALSE(MoveViewLeft(f.Window()));
        CHECK(f.Edges() == "-90 -180 90 180");
        CHECK(f.Log().empty());
    }
    SUBCASE("a zoomed window moves a step at a time until an edge") {
        ZoomIn(f.Window(), true, false, false);
        UpdateGridSteps(&f.View());   // 9 and 18 degrees
        MoveViewUp(f.Window());
        CHECK(f.Edges() == "-36 -90 54 90");
        CHECK(f.Log() == "FP");
        MoveViewDown(f.Window());
        MoveViewDown(f.Window());
        CHECK(f.Edges() == "-54 -90 36 90");
        int moves = 0;
        while (moves < 100 && MoveViewRight(f.Window()))
            ++moves;
        CHECK(moves == 5);
        CHECK(f.Edges() == "-54 0 36 180");
        f.Log();
        CHECK_FALSE(MoveViewRight(f.Window()));   // unchanged, not refreshed
        CHECK(f.Edges() == "-54 0 36 180");
        CHECK(f.Log().empty());
        while (moves < 100 && MoveViewLeft(f.Window()))
            ++moves;
        CHECK(moves == 15);
        CHECK(f.View().minLongitude == -180.0);
    }
    SUBCASE("the pole itself may be reached, not passed") {
        f.SetWindow(80.0, 0.0, 89.0, 10.0);
        f.View().latitudeStep = 2.0f;
        MoveViewUp(f.Window());
        CHECK(f.View().maxLatitude == 89.0);
        f.View().latitudeStep = 1.0f;
        MoveViewUp(f.Window());
        CHECK(f.View().maxLatitude == 90.0);
    }
    SUBCASE("polar moves change the caption spans and repaint without a fetch") {
        f.View().polar = 1;
        f.View().longitudeStep = 30.0f;
        MoveViewUp(f.Window());
        CHECK(f.View().polarLatitudeSpan == 89.0f);
        MoveViewDown(f.Window());
        MoveViewDown(f.Window());
        CHECK(f.View().polarLatitudeSpan == 90.0f);   // clamped
        CHECK(MoveViewLeft(f.Window()));
        CHECK(f.View().polarLongitudeSpan == 178.0f);
        CHECK(MoveViewRight(f.Window()));
        CHECK(MoveViewRight(f.Window()));
        CHECK(f.View().polarLongitudeSpan == 180.0f);
        CHECK(f.Log() == "PPPPPP");
        CHECK(f.Edges() == "-90 -180 90 180");
        for (int i = 0; i < 100; ++i)
            MoveViewUp(f.Window());
        CHECK(f.View().polarLatitudeSpan == -10.0f);   // may go below 0
    }
}

TEST_CASE("Centring moves the window onto a point")
{
    ViewFixture f;
    f.View().rotation = 30;

    SUBCASE("-1 keeps the spans and the rotation") {
        f.SetWindow(-45.0, -90.0, 45.0, 90.0);
        const GPS_POSITION p = At(10.0, 20.0);
        CenterViewOn(f.Window(), &p, -1);
        CHECK(f.Edges() == "-25 -80 65 100");
        CHECK(f.View().rotation == 30);
        CHECK(f.Log() == "FP");
    }
    SUBCASE("0 steps resets first and may pass the world's edges") {
        f.SetWindow(-1.0, -1.0, 1.0, 1.0);
        const GPS_POSITION p = At(10.0, 20.0);
        CenterViewOn(f.Window(), &p, 0);
        CHECK(f.Edges() == "-70 -170 110 190");
        CHECK(f.View().rotation == 0);
        CHECK(f.Log() == "FP");   // one refresh, not one per step
    }
    SUBCASE("10 steps zoom in ten times around the point narrowed to float") {
        const GPS_POSITION p = At(23.7, 37.9);
        CenterViewOn(f.Window(), &p, 10);
        const MAP_VIEWPORT& v = f.View();
        CHECK(v.latitudeLineCount == 4);   // 10 8 6 4 2 12 10 8 6 4
        CHECK(v.maxLatitude - v.minLatitude == doctest::Approx(180.0 / 1024));
        CHECK(v.maxLongitude - v.minLongitude == doctest::Approx(360.0 / 1024));
        CHECK((v.minLongitude + v.maxLongitude) / 2 ==
              doctest::Approx(static_cast<double>(23.7f)).epsilon(1e-12));
        CHECK((v.minLatitude + v.maxLatitude) / 2 ==
              doctest::Approx(static_cast<double>(37.9f)).epsilon(1e-12));
    }
    SUBCASE("a position that is not a finite number leaves the view alone") {
        for (double bad : {std::nan(""), std::numeric_limits<double>::infinity(), 1e300}) {
            const GPS_POSITION p = At(bad, 0.0);
            CenterViewOn(f.Window(), &p, -1);
            const GPS_POSITION q = At(0.0, -bad);
            CenterViewOn(f.Window(), &q, 3);
        }
        CenterViewOn(f.Window(), nullptr, 0);
        CHECK(f.Edges() == "-90 -180 90 180");
        CHECK(f.View().rotation == 30);
        CHECK(f.Log().empty());
    }
}

TEST_CASE("Fitting puts the points in the middle half of each span")
{
    ViewFixture f;
    f.View().rotation = 45;

    SUBCASE("no points: nothing happens") {
        const std::vector<GPS_POSITION> none;
        FitViewToPoints(f.Window(), &none);
        FitViewToPoints(f.Window(), nullptr);
        CHECK(f.View().rotation == 45);
        CHECK(f.Log().empty());
    }
    SUBCASE("the extremes are doubled about their centre, rotation 0") {
        const std::vector<GPS_POSITION> points = {At(10, 50), At(12, 54), At(11, 52)};
        FitViewToPoints(f.Window(), &points);
        CHECK(f.Edges() == "48 9 56 13");
        CHECK(f.View().rotation == 0);
        CHECK(f.View().latitudeLineCount == 2);
        CHECK(f.Log() == "FFP");   // its own fetch, then the zoom-out's refresh
    }
    SUBCASE("one point, or many on one spot, still gives a window to divide by") {
        const std::vector<GPS_POSITION> same(3, At(23.7, 37.9));
        FitViewToPoints(f.Window(), &same);
        const MAP_VIEWPORT& v = f.View();
        CHECK(v.maxLongitude - v.minLongitude == doctest::Approx(2 * kMinimumFitSpan));
        CHECK(v.maxLatitude - v.minLatitude == doctest::Approx(2 * kMinimumFitSpan));
        // The point is drawn in the middle of the grid.
        const MAP_FRAME frame = {{0, 0, 240, 320}, {20, 20, 220, 300}};
        POINT pixel{};
        CHECK(ProjectToPixel(&v, &frame, 23.7, 37.9, &pixel));
        CHECK(std::abs(pixel.x - 120) <= 1);
        CHECK(std::abs(pixel.y - 160) <= 1);
    }
    SUBCASE("the doubled window is clamped to the world") {
        const std::vector<GPS_POSITION> points = {At(-179.0, 0.0), At(179.0, 0.0)};
        FitViewToPoints(f.Window(), &points);
        CHECK(f.View().minLongitude == -180.0);
        CHECK(f.View().maxLongitude == 180.0);
        CHECK(f.View().minLatitude == doctest::Approx(-kMinimumFitSpan));
    }
    SUBCASE("coordinates that are not finite numbers are skipped") {
        const double nan = std::nan("");
        const double inf = std::numeric_limits<double>::infinity();
        const std::vector<GPS_POSITION> points = {At(nan, 1.0), At(10, 50), At(inf, 0.0),
                                                  At(12, 54), At(0.0, -inf)};
        FitViewToPoints(f.Window(), &points);
        CHECK(f.Edges() == "48 9 56 13");
        ResetView(f.Window(), true);
        f.Log();
        const std::vector<GPS_POSITION> onlyBad = {At(nan, nan), At(inf, 1.0)};
        FitViewToPoints(f.Window(), &onlyBad);
        CHECK(f.Edges() == "-90 -180 90 180");
        CHECK(f.Log().empty());
    }
}

TEST_CASE("The map view commands")
{
    ViewFixture f;
    LRESULT result = -7;

    SUBCASE("ids of other subsystems are not ours") {
        for (int id : {IDM_ROTATE_ENTER, IDM_SCREEN_MAP, IDM_NEXT_SCREEN, IDM_DRAW_TRACK})
            CHECK_FALSE(MapViewCommand(f.Window(), id, &result));
        CHECK(result == -7);
        CHECK(f.Log().empty());
    }
    SUBCASE("zooms, and the one-axis zooms with their keep flags") {
        Command(f, IDM_ZOOM_IN);
        CHECK(f.Edges() == "-45 -90 45 90");
        Command(f, IDM_ZOOM_OUT);
        CHECK(f.Edges() == "-90 -180 90 180");
        Command(f, IDM_HZOOM_IN);   // longitude span halves
        CHECK(f.Edges() == "-90 -90 90 90");
        Command(f, IDM_HZOOM_OUT);   // latitude span halves
        CHECK(f.Edges() == "-45 -90 45 90");
        Command(f, IDM_VZOOM_IN);   // longitude span doubles
        CHECK(f.Edges() == "-45 -180 45 180");
        Command(f, IDM_VZOOM_OUT);   // latitude span doubles
        CHECK(f.Edges() == "-90 -180 90 180");
    }
    SUBCASE("moves right and left answer whether they moved") {
        ZoomIn(f.Window(), true, false, false);
        UpdateGridSteps(&f.View());
        CHECK(MapViewCommand(f.Window(), IDM_MOVE_RIGHT, &result));
        CHECK(result == 1);
        f.SetWindow(-45.0, 0.0, 45.0, 180.0);
        CHECK(MapViewCommand(f.Window(), IDM_MOVE_RIGHT, &result));
        CHECK(result == 0);
        CHECK(MapViewCommand(f.Window(), IDM_MOVE_LEFT, &result));
        CHECK(result == 1);
        Command(f, IDM_MOVE_UP);
        CHECK(f.Edges() == "-36 -18 54 162");
        Command(f, IDM_MOVE_DOWN);
        CHECK(f.Edges() == "-45 -18 45 162");
    }
    SUBCASE("rotate by half the polar angle step, folded, repaint only") {
        Command(f, IDM_ROTATE_RIGHT);
        CHECK(f.View().rotation == 15);
        Command(f, IDM_ROTATE_LEFT);
        Command(f, IDM_ROTATE_LEFT);
        CHECK(f.View().rotation == 345);
        f.View().polarAngleStep = 5;   // 5 / -2 rounds toward zero
        Command(f, IDM_ROTATE_LEFT);
        CHECK(f.View().rotation == 343);
        f.View().rotation = 350;
        RotateView(f.Window(), 15);
        CHECK(f.View().rotation == 5);
        CHECK(f.Log() == "PPPPP");
    }
    SUBCASE("the form, and the polar lines only in polar form") {
        Command(f, IDM_POLAR_MORE_LINES);
        Command(f, IDM_POLAR_LESS_LINES);
        CHECK(f.View().polarAngleStep == 30);
        CHECK(f.Log().empty());
        Command(f, IDM_VIEW_POLAR);
        CHECK(f.View().polar == 1);
        CHECK(f.Log() == "P");

        Command(f, IDM_POLAR_LESS_LINES);
        CHECK(f.View().polarAngleStep == 60);
        Command(f, IDM_POLAR_LESS_LINES);   // six radial lines: refused
        CHECK(f.View().polarAngleStep == 60);
        Command(f, IDM_POLAR_MORE_LINES);
        CHECK(f.View().polarAngleStep == 30);
        for (int step : {20, 15, 12, 10, 8, 7, 6, 5, 4, 3, 2, 1, 1}) {
            Command(f, IDM_POLAR_MORE_LINES);
            CHECK(f.View().polarAngleStep == step);   // never 360 / 366 = 0
        }
        Command(f, IDM_VIEW_CARTESIAN);
        CHECK(f.View().polar == 0);
    }
}

TEST_CASE("A typed rotation is read like atol and folded once")
{
    ViewFixture f;
    struct Row {
        const wchar_t* text;
        int rotation;
    };
    const Row rows[] = {
        {L"-30", 330}, {L"800", 440}, {L"-10", 350}, {L"400", 40}, {L"360", 0},
        {L" 45", 45},  {L"12xyz", 12}, {L"abc", 0},  {L"", 0},     {nullptr, 0},
        // Beyond the range of long: saturated, then folded once.
        {L"99999999999", 2147483647 - 360},
        {L"-99999999999", -2147483647 - 1 + 360},
    };
    for (const Row& row : rows) {
        f.View().rotation = 123;
        SetRotationFromText(f.Window(), row.text);
        CHECK(f.View().rotation == row.rotation);
    }
    CHECK(f.Log() == std::string(std::size(rows), 'P'));
}
