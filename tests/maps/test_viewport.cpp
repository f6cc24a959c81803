// The map viewport's operations: zoom, reset, moves, centring, fitting,
// rotation and the map view commands, with the refreshes they ask for.
#include <doctest.h>

#include "maps/viewport.h"
#include "resources/resource.h"
#include "view_fixture.h"

#include <climits>
#include <cmath>
#include <cstdlib>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

using mapstest::kStartViewport;
using mapstest::ViewFixture;

namespace {

GPS_POSITION At(double x, double y)
{
    return GPS_POSITION{x, y, 0.0, 0};
}

}  // namespace

TEST_CASE("The viewport starts as the whole world, Cartesian and unturned")
{
    CHECK(kStartViewport.minLatitude == -90.0);
    CHECK(kStartViewport.maxLatitude == 90.0);
    CHECK(kStartViewport.minLongitude == -180.0);
    CHECK(kStartViewport.maxLongitude == 180.0);
    CHECK(kStartViewport.latitudeLineCount == 12);
    CHECK(kStartViewport.longitudeLineCount == 12);
    CHECK(kStartViewport.polar == 0);
    CHECK(kStartViewport.polarLatitudeSpan == 90.0f);
    CHECK(kStartViewport.polarLongitudeSpan == 180.0f);
    CHECK(kStartViewport.polarRingCount == 4);
    CHECK(kStartViewport.polarAngleStep == 30);
    CHECK(kStartViewport.rotation == 0);
    CHECK(kStartViewport.margin == 20);
    // No grid has been painted yet, so a move has no distance.
    CHECK(kStartViewport.latitudeStep == 0.0f);
    CHECK(kStartViewport.longitudeStep == 0.0f);
}

TEST_CASE("Zooming in halves both spans about the centre")
{
    ViewFixture f;

    SUBCASE("the whole world becomes its middle quarter, then refreshes") {
        ZoomIn(nullptr, false, false, false);
        CHECK(f.View().minLatitude == -45.0);
        CHECK(f.View().maxLatitude == 45.0);
        CHECK(f.View().minLongitude == -90.0);
        CHECK(f.View().maxLongitude == 90.0);
        CHECK(f.Log() == "FP");   // the online image before the repaint
    }
    SUBCASE("line counts run 12, 10, 8, 6, 4, 2, 12") {
        const int expected[] = {10, 8, 6, 4, 2, 12, 10};
        for (int count : expected) {
            ZoomIn(nullptr, true, false, false);
            CHECK(f.View().latitudeLineCount == count);
            CHECK(f.View().longitudeLineCount == count);
        }
        CHECK(f.Log().empty());   // noRefresh
    }
    SUBCASE("the quarter span is rounded to float twice") {
        f.SetWindow(0.0, 0.0, 0.1, 0.1);
        ZoomIn(nullptr, true, false, false);
        // float(float(0.1 / 2) / 2) is float(0.025), not 0.025.
        const double d = static_cast<double>(0.025f);
        CHECK(f.View().minLatitude == d);
        CHECK(f.View().maxLatitude == 0.1 - d);
        CHECK(f.View().minLatitude != 0.025);
    }
    SUBCASE("keepLatitude holds the latitude edges") {
        ZoomIn(nullptr, false, true, false);
        CHECK(f.View().minLatitude == -90.0);
        CHECK(f.View().maxLatitude == 90.0);
        CHECK(f.View().minLongitude == -90.0);
        CHECK(f.View().maxLongitude == 90.0);
        CHECK(f.View().latitudeLineCount == 10);   // the counts step anyway
    }
    SUBCASE("keepLongitude holds the longitude edges") {
        ZoomIn(nullptr, false, false, true);
        CHECK(f.View().minLatitude == -45.0);
        CHECK(f.View().minLongitude == -180.0);
        CHECK(f.View().maxLongitude == 180.0);
    }
    SUBCASE("a collapsed window stays collapsed") {
        f.SetWindow(10.0, 20.0, 10.0, 20.0);
        ZoomIn(nullptr, true, false, false);
        CHECK(f.View().minLatitude == 10.0);
        CHECK(f.View().maxLatitude == 10.0);
    }
}

TEST_CASE("Zooming out doubles both spans and holds the window in the world")
{
    ViewFixture f;

    SUBCASE("line counts run 12, 2, 4, ..., 12, 2 away from the whole world") {
        f.SetWindow(0.0, 0.0, 1.0, 1.0);
        const int expected[] = {2, 4, 6, 8, 10, 12, 2};
        for (int count : expected) {
            ZoomOut(nullptr, true, false, false);
            CHECK(f.View().latitudeLineCount == count);
            CHECK(f.View().longitudeLineCount == count);
        }
        CHECK(f.View().minLatitude == -63.5);
        CHECK(f.View().maxLatitude == 64.5);
    }
    SUBCASE("a zoom-out that ends at the whole world gives 12 lines") {
        f.SetWindow(-63.5, -63.5, 64.5, 64.5);
        f.View().latitudeLineCount = f.View().longitudeLineCount = 2;
        ZoomOut(nullptr, true, false, false);
        CHECK(f.View().minLatitude == -90.0);
        CHECK(f.View().maxLatitude == 90.0);
        CHECK(f.View().minLongitude == -127.5);
        CHECK(f.View().latitudeLineCount == 4);
        ZoomOut(nullptr, true, false, false);
        CHECK(f.View().minLongitude == -180.0);
        CHECK(f.View().maxLongitude == 180.0);
        CHECK(f.View().latitudeLineCount == 12);
        CHECK(f.View().longitudeLineCount == 12);
    }
    SUBCASE("the whole world zoomed out stays the whole world with 12 lines") {
        ZoomOut(nullptr, false, false, false);
        CHECK(f.View().minLatitude == -90.0);
        CHECK(f.View().maxLongitude == 180.0);
        CHECK(f.View().latitudeLineCount == 12);
        CHECK(f.Log() == "FP");
    }
    SUBCASE("each edge is clamped by itself, not the window shifted") {
        f.SetWindow(80.0, 170.0, 90.0, 180.0);
        ZoomOut(nullptr, true, false, false);
        CHECK(f.View().minLatitude == 75.0);
        CHECK(f.View().maxLatitude == 90.0);
        CHECK(f.View().minLongitude == 165.0);
        CHECK(f.View().maxLongitude == 180.0);
    }
    SUBCASE("the keep flags hold one axis") {
        f.SetWindow(0.0, 0.0, 1.0, 1.0);
        ZoomOut(nullptr, true, true, false);
        CHECK(f.View().minLatitude == 0.0);
        CHECK(f.View().maxLatitude == 1.0);
        CHECK(f.View().minLongitude == -0.5);
        ZoomOut(nullptr, true, false, true);
        CHECK(f.View().minLatitude == -0.5);
        CHECK(f.View().minLongitude == -0.5);
    }
    SUBCASE("a zero span stays zero") {
        f.SetWindow(10.0, 20.0, 10.0, 20.0);
        ZoomOut(nullptr, true, false, false);
        CHECK(f.View().minLatitude == 10.0);
        CHECK(f.View().maxLatitude == 10.0);
        CHECK(f.View().minLongitude == 20.0);
        CHECK(f.View().maxLongitude == 20.0);
    }
}

TEST_CASE("Polar zooms change the caption spans and the rings, not the window")
{
    ViewFixture f;
    f.View().polar = 1;

    SUBCASE("zoom in: spans halve, rings count down 3, 2, 1, then 4") {
        const float lat[] = {45.0f, 22.5f, 11.25f, 5.625f};
        const float lon[] = {90.0f, 45.0f, 22.5f, 11.25f};
        const int rings[] = {3, 2, 1, 4};
        for (int i = 0; i < 4; ++i) {
            ZoomIn(nullptr, false, false, false);
            CHECK(f.View().polarLatitudeSpan == lat[i]);
            CHECK(f.View().polarLongitudeSpan == lon[i]);
            CHECK(f.View().polarRingCount == rings[i]);
        }
        CHECK(f.View().minLatitude == -90.0);
        CHECK(f.View().maxLongitude == 180.0);
        CHECK(f.View().latitudeLineCount == 12);
    }
    SUBCASE("the keep flags act crosswise") {
        ZoomIn(nullptr, true, true, false);
        CHECK(f.View().polarLongitudeSpan == 180.0f);
        CHECK(f.View().polarLatitudeSpan == 45.0f);
        CHECK(f.View().polarRingCount == 3);
        f.View().polarLatitudeSpan = 90.0f;
        f.View().polarRingCount = 4;
        ZoomIn(nullptr, true, false, true);
        CHECK(f.View().polarLongitudeSpan == 90.0f);
        CHECK(f.View().polarLatitudeSpan == 90.0f);
        CHECK(f.View().polarRingCount == 3);
    }
    SUBCASE("zoom in that leaves the full spans keeps 4 rings") {
        ZoomIn(nullptr, true, true, true);
        CHECK(f.View().polarRingCount == 4);
    }
    SUBCASE("zoom out: spans double to at most 90 and 180, rings count up and wrap to 1") {
        f.View().polarLatitudeSpan = 22.5f;
        f.View().polarLongitudeSpan = 45.0f;
        f.View().polarRingCount = 2;
        ZoomOut(nullptr, false, false, false);
        CHECK(f.View().polarLatitudeSpan == 45.0f);
        CHECK(f.View().polarLongitudeSpan == 90.0f);
        CHECK(f.View().polarRingCount == 3);
        ZoomOut(nullptr, false, false, false);
        CHECK(f.View().polarLatitudeSpan == 90.0f);
        CHECK(f.View().polarLongitudeSpan == 180.0f);
        CHECK(f.View().polarRingCount == 4);   // exactly the full spans
        f.View().polarLatitudeSpan = 10.0f;
        ZoomOut(nullptr, false, false, false);
        CHECK(f.View().polarLatitudeSpan == 20.0f);
        CHECK(f.View().polarLongitudeSpan == 180.0f);
        CHECK(f.View().polarRingCount == 1);
        CHECK(f.View().minLatitude == -90.0);
    }
    SUBCASE("zoom out keeps cross over too") {
        f.View().polarLatitudeSpan = 10.0f;
        f.View().polarLongitudeSpan = 20.0f;
        ZoomOut(nullptr, true, true, false);   // keepLatitude: longitude held
        CHECK(f.View().polarLatitudeSpan == 20.0f);
        CHECK(f.View().polarLongitudeSpan == 20.0f);
    }
}

TEST_CASE("Reset returns to the whole world and keeps the form")
{
    ViewFixture f;
    f.SetWindow(1.0, 2.0, 3.0, 4.0);
    f.View().rotation = 90;
    f.View().latitudeLineCount = 4;
    f.View().longitudeLineCount = 6;
    f.View().polarRingCount = 1;
    f.View().polarLatitudeSpan = 3.0f;
    f.View().polarLongitudeSpan = 7.0f;
    f.View().polar = 1;
    f.View().polarAngleStep = 10;

    ResetView(nullptr, true);
    CHECK(f.View().minLatitude == -90.0);
    CHECK(f.View().maxLatitude == 90.0);
    CHECK(f.View().minLongitude == -180.0);
    CHECK(f.View().maxLongitude == 180.0);
    CHECK(f.View().rotation == 0);
    CHECK(f.View().latitudeLineCount == 12);
    CHECK(f.View().longitudeLineCount == 12);
    CHECK(f.View().polarRingCount == 4);
    CHECK(f.View().polarLatitudeSpan == 90.0f);
    CHECK(f.View().polarLongitudeSpan == 180.0f);
    CHECK(f.View().polar == 1);
    CHECK(f.View().polarAngleStep == 10);
    CHECK(f.Log().empty());
    ResetView(nullptr, false);
    CHECK(f.Log() == "FP");
}

TEST_CASE("Moves go one grid step and stop at the world's edges")
{
    ViewFixture f;

    SUBCASE("before the first grid paint a move has no distance") {
        f.SetWindow(-45.0, -90.0, 45.0, 90.0);
        MoveViewUp(nullptr);
        CHECK(MoveViewRight(nullptr));
        CHECK(f.View().maxLatitude == 45.0);
        CHECK(f.View().maxLongitude == 90.0);
    }
    SUBCASE("the whole world cannot move") {
        UpdateGridSteps(&f.View());
        CHECK(f.View().latitudeStep == 15.0f);
        CHECK(f.View().longitudeStep == 30.0f);
        MoveViewUp(nullptr);
        MoveViewDown(nullptr);
        CHECK_FALSE(MoveViewRight(nullptr));
        CHECK_FALSE(MoveViewLeft(nullptr));
        CHECK(f.View().minLatitude == -90.0);
        CHECK(f.View().maxLongitude == 180.0);
        CHECK(f.Log().empty());   // no change, no refresh
    }
    SUBCASE("up and down shift both latitude edges") {
        ZoomIn(nullptr, true, false, false);
        UpdateGridSteps(&f.View());
        CHECK(f.View().latitudeStep == 9.0f);
        MoveViewUp(nullptr);
        CHECK(f.View().minLatitude == -36.0);
        CHECK(f.View().maxLatitude == 54.0);
        CHECK(f.Log() == "FP");
        MoveViewDown(nullptr);
        MoveViewDown(nullptr);
        CHECK(f.View().minLatitude == -54.0);
        CHECK(f.View().maxLatitude == 36.0);
    }
    SUBCASE("right moves until the east edge, then answers false unchanged") {
        ZoomIn(nullptr, true, false, false);
        UpdateGridSteps(&f.View());
        int moves = 0;
        while (moves < 100 && MoveViewRight(nullptr))
            ++moves;
        CHECK(moves == 5);
        CHECK(f.View().minLongitude == 0.0);
        CHECK(f.View().maxLongitude == 180.0);
        f.ClearLog();
        CHECK_FALSE(MoveViewRight(nullptr));
        CHECK(f.View().maxLongitude == 180.0);
        CHECK(f.Log().empty());
    }
    SUBCASE("left moves until the west edge") {
        ZoomIn(nullptr, true, false, false);
        UpdateGridSteps(&f.View());
        int moves = 0;
        while (moves < 100 && MoveViewLeft(nullptr))
            ++moves;
        CHECK(moves == 5);
        CHECK(f.View().minLongitude == -180.0);
    }
    SUBCASE("a step that would pass the pole changes nothing") {
        f.SetWindow(80.0, 0.0, 89.0, 10.0);
        f.View().latitudeStep = 2.0f;
        MoveViewUp(nullptr);
        CHECK(f.View().maxLatitude == 89.0);
        f.View().latitudeStep = 1.0f;
        MoveViewUp(nullptr);
        CHECK(f.View().maxLatitude == 90.0);   // at most 90 is allowed
    }
}

TEST_CASE("Polar moves change the caption spans and repaint without a fetch")
{
    ViewFixture f;
    f.View().polar = 1;
    f.View().longitudeStep = 30.0f;

    MoveViewUp(nullptr);
    CHECK(f.View().polarLatitudeSpan == 89.0f);
    MoveViewDown(nullptr);
    MoveViewDown(nullptr);
    CHECK(f.View().polarLatitudeSpan == 90.0f);   // clamped
    CHECK(MoveViewLeft(nullptr));
    CHECK(f.View().polarLongitudeSpan == 178.0f);
    CHECK(MoveViewRight(nullptr));
    CHECK(MoveViewRight(nullptr));
    CHECK(f.View().polarLongitudeSpan == 180.0f);
    CHECK(f.Log() == "PPPPPP");
    CHECK(f.View().maxLongitude == 180.0);   // the window never moves

    for (int i = 0; i < 100; ++i)
        MoveViewUp(nullptr);
    CHECK(f.View().polarLatitudeSpan == -10.0f);   // may go below 0
}

TEST_CASE("Centring moves the window onto a point")
{
    ViewFixture f;

    SUBCASE("-1 keeps the spans and the rotation") {
        f.SetWindow(-45.0, -90.0, 45.0, 90.0);
        f.View().rotation = 30;
        const GPS_POSITION p = At(10.0, 20.0);
        CenterViewOn(nullptr, &p, -1);
        CHECK(f.View().minLongitude == -80.0);
        CHECK(f.View().maxLongitude == 100.0);
        CHECK(f.View().minLatitude == -25.0);
        CHECK(f.View().maxLatitude == 65.0);
        CHECK(f.View().rotation == 30);
        CHECK(f.Log() == "FP");
    }
    SUBCASE("0 steps resets first and may pass the world's edges") {
        f.SetWindow(-1.0, -1.0, 1.0, 1.0);
        f.View().rotation = 30;
        const GPS_POSITION p = At(10.0, 20.0);
        CenterViewOn(nullptr, &p, 0);
        CHECK(f.View().minLongitude == -170.0);
        CHECK(f.View().maxLongitude == 190.0);
        CHECK(f.View().minLatitude == -70.0);
        CHECK(f.View().maxLatitude == 110.0);
        CHECK(f.View().rotation == 0);
        CHECK(f.View().latitudeLineCount == 12);
        CHECK(f.Log() == "FP");   // one refresh, not one per step
    }
    SUBCASE("10 steps zoom in ten times around the point, narrowed to float") {
        const GPS_POSITION p = At(23.7, 37.9);
        CenterViewOn(nullptr, &p, 10);
        CHECK(f.View().latitudeLineCount == 4);   // 10 8 6 4 2 12 10 8 6 4
        CHECK(f.View().maxLatitude - f.View().minLatitude == doctest::Approx(180.0 / 1024));
        CHECK(f.View().maxLongitude - f.View().minLongitude == doctest::Approx(360.0 / 1024));
        const double centreX = (f.View().minLongitude + f.View().maxLongitude) / 2;
        const double centreY = (f.View().minLatitude + f.View().maxLatitude) / 2;
        CHECK(centreX == doctest::Approx(static_cast<double>(23.7f)).epsilon(1e-12));
        CHECK(centreY == doctest::Approx(static_cast<double>(37.9f)).epsilon(1e-12));
        CHECK(f.Log() == "FP");
    }
    SUBCASE("in polar form the steps zoom the polar spans") {
        f.View().polar = 1;
        const GPS_POSITION p = At(10.0, 20.0);
        CenterViewOn(nullptr, &p, 2);
        CHECK(f.View().polarLongitudeSpan == 45.0f);
        CHECK(f.View().polarLatitudeSpan == 22.5f);
        CHECK(f.View().polarRingCount == 2);
        CHECK(f.View().minLongitude == -170.0);
    }
    SUBCASE("a position that is not a finite number leaves the view alone") {
        const double bad[] = {std::numeric_limits<double>::quiet_NaN(),
                              std::numeric_limits<double>::infinity(), 1e300};
        for (double v : bad) {
            const GPS_POSITION p = At(v, 0.0);
            CenterViewOn(nullptr, &p, -1);
            const GPS_POSITION q = At(0.0, -v);
            CenterViewOn(nullptr, &q, 3);
        }
        CenterViewOn(nullptr, nullptr, 0);
        CHECK(f.View().minLongitude == -180.0);
        CHECK(f.View().maxLatitude == 90.0);
        CHECK(f.View().latitudeLineCount == 12);
        CHECK(f.Log().empty());
    }
}

TEST_CASE("Fitting puts the points in the middle half of each span")
{
    ViewFixture f;
    f.View().rotation = 45;

    SUBCASE("no points: nothing happens") {
        const std::vector<GPS_POSITION> none;
        FitViewToPoints(nullptr, &none);
        FitViewToPoints(nullptr, nullptr);
        CHECK(f.View().rotation == 45);
        CHECK(f.View().minLatitude == -90.0);
        CHECK(f.Log().empty());
    }
    SUBCASE("the extremes are doubled about their centre, rotation 0") {
        const std::vector<GPS_POSITION> points = {At(10, 50), At(12, 54), At(11, 52)};
        FitViewToPoints(nullptr, &points);
        CHECK(f.View().minLongitude == 9.0);
        CHECK(f.View().maxLongitude == 13.0);
        CHECK(f.View().minLatitude == 48.0);
        CHECK(f.View().maxLatitude == 56.0);
        CHECK(f.View().rotation == 0);
        CHECK(f.View().latitudeLineCount == 2);   // 12 + 2 wraps to 2
        CHECK(f.Log() == "FFP");   // its own fetch, then the zoom-out's refresh
    }
    SUBCASE("one point still gives a window to divide by") {
        const std::vector<GPS_POSITION> one = {At(23.7, 37.9)};
        FitViewToPoints(nullptr, &one);
        const double lonSpan = f.View().maxLongitude - f.View().minLongitude;
        const double latSpan = f.View().maxLatitude - f.View().minLatitude;
        CHECK(lonSpan == doctest::Approx(2 * kMinimumFitSpan));
        CHECK(latSpan == doctest::Approx(2 * kMinimumFitSpan));
        CHECK(static_cast<float>(latSpan) > 0.0f);
        CHECK((f.View().minLongitude + f.View().maxLongitude) / 2 ==
              doctest::Approx(static_cast<double>(23.7f)).epsilon(1e-12));

        // The point is drawn in the middle of the grid.
        const MAP_FRAME frame = {{0, 0, 240, 320}, {20, 20, 220, 300}};
        POINT pixel{};
        CHECK(ProjectToPixel(&f.View(), &frame, 23.7, 37.9, &pixel));
        CHECK(std::abs(pixel.x - 120) <= 1);
        CHECK(std::abs(pixel.y - 160) <= 1);
    }
    SUBCASE("identical points behave as one") {
        const std::vector<GPS_POSITION> same(3, At(-5.0, 5.0));
        FitViewToPoints(nullptr, &same);
        CHECK(f.View().maxLongitude - f.View().minLongitude ==
              doctest::Approx(2 * kMinimumFitSpan));
        CHECK((f.View().minLatitude + f.View().maxLatitude) / 2 == doctest::Approx(5.0));
    }
    SUBCASE("points farther apart than the minimum keep their own span") {
        const std::vector<GPS_POSITION> points = {At(0.0, 0.0), At(0.01, 0.0)};
        FitViewToPoints(nullptr, &points);
        CHECK(f.View().maxLongitude - f.View().minLongitude == doctest::Approx(0.02));
        CHECK(f.View().maxLatitude - f.View().minLatitude ==
              doctest::Approx(2 * kMinimumFitSpan));
    }
    SUBCASE("the doubled window is clamped to the world") {
        const std::vector<GPS_POSITION> points = {At(-179.0, 0.0), At(179.0, 0.0)};
        FitViewToPoints(nullptr, &points);
        CHECK(f.View().minLongitude == -180.0);
        CHECK(f.View().maxLongitude == 180.0);
        CHECK(f.View().minLatitude == doctest::Approx(-kMinimumFitSpan));
    }
    SUBCASE("coordinates that are not finite numbers are skipped") {
        const double nan = std::numeric_limits<double>::quiet_NaN();
        const double inf = std::numeric_limits<double>::infinity();
        const std::vector<GPS_POSITION> points = {At(nan, 1.0), At(10, 50), At(inf, 0.0),
                                                  At(12, 54), At(0.0, -inf)};
        FitViewToPoints(nullptr, &points);
        CHECK(f.View().minLongitude == 9.0);
        CHECK(f.View().maxLatitude == 56.0);

        ResetView(nullptr, true);
        f.ClearLog();
        const std::vector<GPS_POSITION> onlyBad = {At(nan, nan), At(inf, 1.0)};
        FitViewToPoints(nullptr, &onlyBad);
        CHECK(f.View().minLongitude == -180.0);
        CHECK(f.Log().empty());
    }
}

TEST_CASE("Rotation folds by one step and only repaints")
{
    ViewFixture f;

    f.View().rotation = 350;
    RotateView(nullptr, 15);
    CHECK(f.View().rotation == 5);
    RotateView(nullptr, -15);
    CHECK(f.View().rotation == 350);
    f.View().rotation = 0;
    RotateView(nullptr, -15);
    CHECK(f.View().rotation == 345);
    CHECK(f.Log() == "PPP");
}

TEST_CASE("The map view commands")
{
    ViewFixture f;
    LRESULT result = -7;

    SUBCASE("ids of other subsystems are not ours") {
        CHECK_FALSE(MapViewCommand(nullptr, IDM_ROTATE_ENTER, &result));
        CHECK_FALSE(MapViewCommand(nullptr, IDM_SCREEN_MAP, &result));
        CHECK_FALSE(MapViewCommand(nullptr, IDM_NEXT_SCREEN, &result));
        CHECK(result == -7);
        CHECK(f.Log().empty());
    }
    SUBCASE("zoom commands and their keep flags") {
        CHECK(MapViewCommand(nullptr, IDM_ZOOM_IN, &result));
        CHECK(f.View().maxLatitude == 45.0);
        CHECK(MapViewCommand(nullptr, IDM_ZOOM_OUT, &result));
        CHECK(f.View().maxLatitude == 90.0);
        CHECK(result == 0);

        MapViewCommand(nullptr, IDM_HZOOM_IN, &result);   // longitude halves
        CHECK(f.View().maxLatitude == 90.0);
        CHECK(f.View().maxLongitude == 90.0);
        MapViewCommand(nullptr, IDM_HZOOM_OUT, &result);  // latitude halves
        CHECK(f.View().maxLatitude == 45.0);
        CHECK(f.View().maxLongitude == 90.0);
        MapViewCommand(nullptr, IDM_VZOOM_IN, &result);   // longitude doubles
        CHECK(f.View().maxLatitude == 45.0);
        CHECK(f.View().maxLongitude == 180.0);
        MapViewCommand(nullptr, IDM_VZOOM_OUT, &result);  // latitude doubles
        CHECK(f.View().maxLatitude == 90.0);
        CHECK(f.View().maxLongitude == 180.0);
    }
    SUBCASE("moves right and left answer whether they moved") {
        ZoomIn(nullptr, true, false, false);
        UpdateGridSteps(&f.View());
        CHECK(MapViewCommand(nullptr, IDM_MOVE_RIGHT, &result));
        CHECK(result == 1);
        f.SetWindow(-45.0, 0.0, 45.0, 180.0);
        CHECK(MapViewCommand(nullptr, IDM_MOVE_RIGHT, &result));
        CHECK(result == 0);
        CHECK(MapViewCommand(nullptr, IDM_MOVE_LEFT, &result));
        CHECK(result == 1);
        CHECK(f.View().minLongitude == -18.0);
        CHECK(MapViewCommand(nullptr, IDM_MOVE_UP, &result));
        CHECK(f.View().maxLatitude == 54.0);
        CHECK(MapViewCommand(nullptr, IDM_MOVE_DOWN, &result));
        CHECK(f.View().maxLatitude == 45.0);
    }
    SUBCASE("rotate right and left by half the polar angle step") {
        MapViewCommand(nullptr, IDM_ROTATE_RIGHT, &result);
        CHECK(f.View().rotation == 15);
        MapViewCommand(nullptr, IDM_ROTATE_LEFT, &result);
        MapViewCommand(nullptr, IDM_ROTATE_LEFT, &result);
        CHECK(f.View().rotation == 345);
        f.View().polarAngleStep = 5;   // 5 / -2 rounds toward zero
        MapViewCommand(nullptr, IDM_ROTATE_LEFT, &result);
        CHECK(f.View().rotation == 343);
        CHECK(f.Log() == "PPPP");
    }
    SUBCASE("Cartesian and Polar set the form and repaint") {
        MapViewCommand(nullptr, IDM_VIEW_POLAR, &result);
        CHECK(f.View().polar == 1);
        MapViewCommand(nullptr, IDM_VIEW_CARTESIAN, &result);
        CHECK(f.View().polar == 0);
        CHECK(f.Log() == "PP");
    }
    SUBCASE("More Lines and Less Lines act only in polar form") {
        MapViewCommand(nullptr, IDM_POLAR_MORE_LINES, &result);
        MapViewCommand(nullptr, IDM_POLAR_LESS_LINES, &result);
        CHECK(f.View().polarAngleStep == 30);
        CHECK(f.Log().empty());
    }
    SUBCASE("More Lines from 30 runs 20, 15, ..., 1 and stops at 1 degree") {
        f.View().polar = 1;
        const int expected[] = {20, 15, 12, 10, 8, 7, 6, 5, 4, 3, 2, 1};
        for (int step : expected) {
            MapViewCommand(nullptr, IDM_POLAR_MORE_LINES, &result);
            CHECK(f.View().polarAngleStep == step);
        }
        f.ClearLog();
        MapViewCommand(nullptr, IDM_POLAR_MORE_LINES, &result);
        CHECK(f.View().polarAngleStep == 1);   // 360 / 366 would be 0
        CHECK(f.Log().empty());
    }
    SUBCASE("Less Lines from 30 gives 60 and then refuses at six lines") {
        f.View().polar = 1;
        MapViewCommand(nullptr, IDM_POLAR_LESS_LINES, &result);
        CHECK(f.View().polarAngleStep == 60);
        MapViewCommand(nullptr, IDM_POLAR_LESS_LINES, &result);
        CHECK(f.View().polarAngleStep == 60);
        CHECK(f.Log() == "P");
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
        {L"-30", 330},  {L"800", 440},   {L"-10", 350},   {L"400", 40},
        {L"359", 359},  {L"360", 0},     {L" 45", 45},    {L"12xyz", 12},
        {L"abc", 0},    {L"", 0},        {nullptr, 0},
        // Beyond the range of long: saturated, then folded once.
        {L"99999999999", 2147483647 - 360},
        {L"-99999999999", -2147483647 - 1 + 360},
    };
    for (const Row& row : rows) {
        f.View().rotation = 123;
        SetRotationFromText(nullptr, row.text);
        CHECK(f.View().rotation == row.rotation);
    }
    CHECK(f.Log() == std::string(std::size(rows), 'P'));
}

TEST_CASE("Grid steps divide the spans by the line counts")
{
    MAP_VIEWPORT v = kStartViewport;
    v.minLatitude = 37.0;
    v.maxLatitude = 38.0;
    v.latitudeLineCount = 4;
    UpdateGridSteps(&v);
    CHECK(v.latitudeStep == 0.25f);
    CHECK(v.longitudeStep == 30.0f);
    v.longitudeLineCount = 0;   // never divided by
    UpdateGridSteps(&v);
    CHECK(v.longitudeStep == 0.0f);
    UpdateGridSteps(nullptr);
}
