// The degree-to-pixel transforms: Cartesian and polar placement, rotation,
// visibility, and defined pixels for any input.
#include <doctest.h>

#include "kit/draw.h"
#include "maps/viewport.h"
#include "view_fixture.h"

#include <cmath>
#include <cstdlib>
#include <limits>

using mapstest::kStartViewport;

namespace {

// The Map screen of 240 x 320 with the margin of 20.
constexpr MAP_FRAME kMapFrame = {{0, 0, 240, 320}, {20, 20, 220, 300}};
// The same client in polar form: the centred square.
constexpr MAP_FRAME kPolarFrame = {{0, 0, 240, 320}, {0, 40, 240, 280}};

MAP_VIEWPORT WholeWorld()
{
    return kStartViewport;
}

MAP_VIEWPORT Window(double south, double west, double north, double east)
{
    MAP_VIEWPORT v = kStartViewport;
    v.minLatitude = south;
    v.minLongitude = west;
    v.maxLatitude = north;
    v.maxLongitude = east;
    return v;
}

double Distance(POINT a, double x, double y)
{
    return std::hypot(a.x - x, a.y - y);
}

bool Defined(POINT p)
{
    return std::abs(p.x) <= kPixelLimit && std::abs(p.y) <= kPixelLimit;
}

}  // namespace

TEST_CASE("Cartesian: the window fills the inner rectangle, north up")
{
    const MAP_VIEWPORT v = WholeWorld();
    const POINT northWest = CartesianToPixel(&v, &kMapFrame, -180.0, 90.0);
    const POINT southEast = CartesianToPixel(&v, &kMapFrame, 180.0, -90.0);
    const POINT centre = CartesianToPixel(&v, &kMapFrame, 0.0, 0.0);
    CHECK(northWest.x == 20);
    CHECK(northWest.y == 20);
    CHECK(southEast.x == 220);
    CHECK(southEast.y == 300);
    CHECK(centre.x == 120);
    CHECK(centre.y == 160);
}

TEST_CASE("Cartesian: pixel back to degrees lands within one pixel")
{
    // Inverse of the transform, written from the window's geometry: the
    // truncation to whole pixels may lose at most one pixel's worth.
    const MAP_VIEWPORT v = Window(37.0, 23.0, 38.0, 24.5);
    const RECT& in = kMapFrame.inner;
    const RECT& cl = kMapFrame.client;
    const double lonPerPixel = 1.5 / (in.right - in.left);
    const double latPerPixel = 1.0 / (in.bottom - in.top);
    for (int i = 0; i <= 20; ++i) {
        for (int j = 0; j <= 20; ++j) {
            const double x = 23.0 + 1.5 * i / 20.0 + 1e-7;
            const double y = 37.0 + 1.0 * j / 20.0 + 1e-7;
            POINT p{};
            CHECK(ProjectToPixel(&v, &kMapFrame, x, y, &p) == (i < 20 && j < 20));
            const double backX = v.minLongitude + (p.x - in.left) * lonPerPixel;
            const double backY = v.minLatitude + (cl.top + cl.bottom - p.y - in.top) * latPerPixel;
            CHECK(std::abs(backX - x) <= lonPerPixel);
            CHECK(std::abs(backY - y) <= latPerPixel);
        }
    }
}

TEST_CASE("Cartesian: the rotation turns the drawing clockwise about the client centre")
{
    MAP_VIEWPORT v = WholeWorld();

    SUBCASE("90 degrees puts the north edge's middle to the right of the centre") {
        v.rotation = 90;
        const POINT p = CartesianToPixel(&v, &kMapFrame, 0.0, 90.0);
        CHECK(Distance(p, 260.0, 160.0) <= 1.5);
    }
    SUBCASE("turning the pixel back returns the unturned pixel") {
        v = Window(37.0, 23.0, 38.0, 24.5);
        v.rotation = 37;
        MAP_VIEWPORT flat = v;
        flat.rotation = 0;
        const float back = kTwoPiF - 37.0f * kPiF / 180.0f;
        for (int i = 0; i <= 10; ++i) {
            const double x = 23.0 + 0.15 * i;
            const double y = 38.0 - 0.1 * i;
            const POINT turned = CartesianToPixel(&v, &kMapFrame, x, y);
            const POINT plain = CartesianToPixel(&flat, &kMapFrame, x, y);
            const FLOAT_POINT undone = RotatePointInRect(
                {static_cast<float>(turned.x), static_cast<float>(turned.y)},
                &kMapFrame.client, back);
            CHECK(Distance(plain, undone.x, undone.y) <= 2.0);
        }
    }
    SUBCASE("a corner turned out of the inner rectangle is not drawn") {
        v.rotation = 45;
        POINT p{};
        CHECK_FALSE(ProjectToPixel(&v, &kMapFrame, -180.0, 90.0, &p));
        CHECK(ProjectToPixel(&v, &kMapFrame, 0.0, 0.0, &p));
    }
}

TEST_CASE("Visibility: in the window and in the inner rectangle, edges included")
{
    const MAP_VIEWPORT v = Window(37.0, 23.0, 38.0, 24.0);
    POINT p{};
    CHECK(ProjectToPixel(&v, &kMapFrame, 23.0, 37.0, &p));
    CHECK(ProjectToPixel(&v, &kMapFrame, 24.0, 38.0, &p));
    CHECK(p.x == 220);
    CHECK(p.y == 20);
    CHECK_FALSE(ProjectToPixel(&v, &kMapFrame, 23.0 - 1e-9, 37.5, &p));
    CHECK_FALSE(ProjectToPixel(&v, &kMapFrame, 23.5, 38.0 + 1e-9, &p));
    CHECK(ViewWindowContains(&v, 23.5, 37.5));
    CHECK_FALSE(ViewWindowContains(&v, std::nan(""), 37.5));
    CHECK_FALSE(ViewWindowContains(nullptr, 23.5, 37.5));

    SUBCASE("the polar form tests the Cartesian window too") {
        MAP_VIEWPORT polar = Window(0.0, 0.0, 10.0, 10.0);
        polar.polar = 1;
        CHECK(ProjectToPixel(&polar, &kPolarFrame, 5.0, 5.0, &p));
        CHECK_FALSE(ProjectToPixel(&polar, &kPolarFrame, -5.0, 0.0, &p));
        // The pixel is written even when the point is not drawn.
        CHECK(p.y > 160);
    }
}

TEST_CASE("Every transform gives a defined pixel for any input")
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const double values[] = {nan, inf, -inf, 1e308, -1e308, 1e12, -1e12, 0.0};

    SUBCASE("huge, infinite and undefined degrees in both forms") {
        for (int form = 0; form < 2; ++form) {
            for (int rotation : {0, 45}) {
                MAP_VIEWPORT v = Window(37.0, 23.0, 38.0, 24.0);
                v.polar = static_cast<uint8_t>(form);
                v.rotation = rotation;
                const MAP_FRAME& frame = form ? kPolarFrame : kMapFrame;
                for (double x : values) {
                    for (double y : values) {
                        POINT p{123, 456};
                        const bool drawn = ProjectToPixel(&v, &frame, x, y, &p);
                        CHECK(Defined(p));
                        CHECK_FALSE(drawn);
                    }
                }
            }
        }
    }
    SUBCASE("a far point in a tiny window stops at the limit") {
        const MAP_VIEWPORT v = Window(0.0, 0.0, 1e-9, 1e-9);
        const POINT p = CartesianToPixel(&v, &kMapFrame, 10.0, -10.0);
        CHECK(p.x == kPixelLimit);
        CHECK(p.y == kPixelLimit);   // far south: far down, held at the limit
    }
    SUBCASE("a collapsed window maps its one spot to the middle") {
        const MAP_VIEWPORT v = Window(50.0, 10.0, 50.0, 10.0);
        POINT p{};
        CHECK(ProjectToPixel(&v, &kMapFrame, 10.0, 50.0, &p));
        CHECK(p.x == 120);
        CHECK(p.y == 160);
    }
    SUBCASE("a window whose edges are not numbers draws nothing") {
        MAP_VIEWPORT v = Window(nan, -inf, inf, nan);
        POINT p{};
        CHECK_FALSE(ProjectToPixel(&v, &kMapFrame, 0.0, 0.0, &p));
        CHECK(Defined(p));
        v.polar = 1;
        CHECK_FALSE(ProjectToPixel(&v, &kPolarFrame, 0.0, 0.0, &p));
        CHECK(Defined(p));
    }
}

TEST_CASE("Polar: distance from the centre, bearing clockwise from straight up")
{
    MAP_VIEWPORT v = WholeWorld();
    v.polar = 1;

    SUBCASE("the origin is the centre; (180, 90) lies on the outer circle") {
        const POINT origin = PolarToPixel(&v, &kPolarFrame, 0.0, 0.0);
        CHECK(origin.x == 120);
        CHECK(origin.y == 160);
        const POINT corner = PolarToPixel(&v, &kPolarFrame, 180.0, 90.0);
        CHECK(Distance(corner, 120.0, 160.0) == doctest::Approx(120.0).epsilon(0.02));
    }
    SUBCASE("the four axes at rotation 0") {
        // R = int(120 x 100 / sqrt(40500)) = 59 pixels.
        const POINT east = PolarToPixel(&v, &kPolarFrame, 100.0, 0.0);
        CHECK(east.x == 120);
        CHECK(east.y == 101);   // straight above the centre
        const POINT north = PolarToPixel(&v, &kPolarFrame, 0.0, 100.0);
        CHECK(Distance(north, 179.0, 160.0) <= 1.5);   // to the right
        const POINT west = PolarToPixel(&v, &kPolarFrame, -100.0, 0.0);
        CHECK(Distance(west, 120.0, 219.0) <= 1.5);    // below
        const POINT south = PolarToPixel(&v, &kPolarFrame, 0.0, -100.0);
        CHECK(Distance(south, 61.0, 160.0) <= 1.5);    // to the left
    }
    SUBCASE("rotation 90 turns the positive longitude axis to the right") {
        v.rotation = 90;
        const POINT east = PolarToPixel(&v, &kPolarFrame, 100.0, 0.0);
        CHECK(Distance(east, 179.0, 160.0) <= 1.5);
    }
    SUBCASE("whole degrees: 270 and 45 come out whole on a large square") {
        // At 894 pixels one degree is 15 pixels off the line.
        const MAP_FRAME big = {{0, 0, 2000, 2000}, {0, 0, 2000, 2000}};
        const POINT south = PolarToPixel(&v, &big, 0.0, -180.0);
        CHECK(std::abs(south.y - 1000) <= 1);
        CHECK(std::abs(south.x - (1000 - 894)) <= 1);
        const POINT diagonal = PolarToPixel(&v, &big, 100.0, 100.0);
        const double r = 702.0;   // int(1000 x sqrt(20000) / sqrt(40500))
        CHECK(Distance(diagonal, 1000 + r * std::sqrt(0.5), 1000 - r * std::sqrt(0.5)) <= 2.0);
    }
    SUBCASE("just below the positive longitude axis folds back to straight up") {
        const POINT p = PolarToPixel(&v, &kPolarFrame, 100.0, -1e-9);
        CHECK(p.x == 120);
        CHECK(p.y == 101);
    }
}
