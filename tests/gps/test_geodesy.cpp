// Distances, destination points, vertex angles and bearings.
//
// Expected values: one degree of arc on a sphere of 6371 km is
// 6371 * pi / 180 = 111.19493 km; half the circumference is 20015.087 km.
// Everything is worked in single precision, hence the tolerances.
#include "gps_test_util.h"

#include "kit/display.h"

#include <doctest.h>

#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979;
constexpr double kKmPerDegree = 111.19493;

GPS_CURRENT At(double x, double y, double course = 0)
{
    GPS_CURRENT g{};
    g.pos.x = x;
    g.pos.y = y;
    g.course = course;
    return g;
}

}  // namespace

TEST_CASE("Great-circle distance")
{
    CHECK(CalcDistanceKm(11.5f, 48.1f, 11.5f, 48.1f) == 0.0);
    CHECK(CalcDistanceKm(0, 0, 1, 0) == doctest::Approx(kKmPerDegree).epsilon(1e-5));
    CHECK(CalcDistanceKm(0, 0, 0, 1) == doctest::Approx(kKmPerDegree).epsilon(1e-5));
    // Antipodes: the haversine term reaches 1, where rounding must not
    // produce the square root of a negative number. In single precision the
    // distance there is good to a few km only.
    const double half = CalcDistanceKm(0, 0, 180, 0);
    CHECK(std::isfinite(half));
    CHECK(half == doctest::Approx(20015.087).epsilon(1e-5));
    for (float y : {0.0f, 0.3f, 45.0f, 89.9f}) {
        CAPTURE(y);
        const double d = CalcDistanceKm(-10, y, 170, -y);
        CHECK(std::isfinite(d));
        CHECK(d == doctest::Approx(20015.087).epsilon(5e-4));
    }
}

TEST_CASE("Distance in the user's unit")
{
    CHECK(CalcDistanceInUnit(0, 0, 1, 0, 0) == doctest::Approx(kKmPerDegree).epsilon(1e-5));
    CHECK(CalcDistanceInUnit(0, 0, 1, 0, 1) == doctest::Approx(kKmPerDegree / 1.609344).epsilon(1e-5));
    CHECK(CalcDistanceInUnit(0, 0, 1, 0, 2) == doctest::Approx(kKmPerDegree / 1.852).epsilon(1e-5));
    CHECK(CalcDistanceInUnit(0, 0, 1, 0, 3) == 0.0);
    CHECK(CalcDistanceInUnit(0, 0, 1, 0, -2) == 0.0);
    const int old = DistanceUnit;
    DistanceUnit = 2;
    CHECK(CalcDistanceInUnit(0, 0, 1, 0, -1) == doctest::Approx(kKmPerDegree / 1.852).epsilon(1e-5));
    DistanceUnit = old;
}

TEST_CASE("Destination points and offsets")
{
    SUBCASE("one degree's worth of km due north") {
        const GeoPointF p = CalcDestinationPoint({0, 0}, 0, static_cast<float>(kKmPerDegree));
        CHECK(p.x == doctest::Approx(0.0));
        CHECK(p.y == doctest::Approx(1.0).epsilon(1e-5));
    }
    SUBCASE("across the antimeridian the longitude goes beyond 180") {
        const GeoPointF p = CalcDestinationPoint({179.9f, 0}, 90, 50);
        CHECK(p.x > 180.0f);
        CHECK(p.x == doctest::Approx(179.9 + 50 / kKmPerDegree).epsilon(1e-5));
        CHECK(p.y == doctest::Approx(0.0));
    }
    SUBCASE("positive km moves south, negative north") {
        CHECK(OffsetNorthSouth(10, 50, 1) == doctest::Approx(50 - 1 / kKmPerDegree).epsilon(1e-6));
        CHECK(OffsetNorthSouth(10, 50, -1) == doctest::Approx(50 + 1 / kKmPerDegree).epsilon(1e-6));
    }
    SUBCASE("positive km moves east, negative west; a degree is shorter at 60") {
        CHECK(OffsetEastWest(10, 0, 1) == doctest::Approx(10 + 1 / kKmPerDegree).epsilon(1e-6));
        CHECK(OffsetEastWest(10, 60, -1) == doctest::Approx(10 - 2 / kKmPerDegree).epsilon(1e-5));
    }
    SUBCASE("from a pole the asin argument may round past 1") {
        const GeoPointF p = CalcDestinationPoint({0, 90}, 0, 0);
        CHECK(std::isfinite(p.y));
        CHECK(p.y == doctest::Approx(90.0));
    }
}

TEST_CASE("Vertex angle")
{
    CHECK(CalcVertexAngle({0, 1}, {0, 0}, {1, 0}) == doctest::Approx(kPi / 2));
    CHECK(CalcVertexAngle({1, 1}, {0, 0}, {1, 0}) == doctest::Approx(kPi / 4));
    CHECK(CalcVertexAngle({-1, 0}, {0, 0}, {2, 0}) == doctest::Approx(kPi));
    SUBCASE("a straight line whose rounded cosine falls below -1") {
        // Found by search: the planar sides of these three collinear points
        // give a cosine of -1.0000001 without a clamp.
        const double angle = CalcVertexAngle({0.296000004f, 0.263999999f}, {1.39600003f, 2.56399989f},
                                             {2.16599989f, 4.17399979f});
        CHECK(std::isfinite(angle));
        CHECK(angle == doctest::Approx(kPi));
    }
    SUBCASE("a point on its neighbour gives 0, not NaN") {
        CHECK(CalcVertexAngle({1, 1}, {1, 1}, {2, 0}) == 0.0);
        CHECK(CalcVertexAngle({0, 0}, {1, 1}, {1, 1}) == 0.0);
    }
}

TEST_CASE("Bearing relative to the course")
{
    struct Row {
        const char* name;
        double course;
        double x, y;        // the other position; this one is (10, 50)
        double expected;    // radians
    };
    const Row rows[] = {
        {"due north, course 0", 0, 10, 51, 0},
        {"due east, course 0", 0, 11, 50, kPi / 2},
        {"due south", 0, 10, 49, kPi},
        {"due west", 0, 9, 50, 3 * kPi / 2},
        {"south-west", 0, 9, 49, 5 * kPi / 4},
        {"north-west", 0, 9, 51, 7 * kPi / 4},
        {"due north, course 90", 90, 10, 51, 3 * kPi / 2},
        {"due east, course 90", 90, 11, 50, 0},
        {"due north, course 270", 270, 10, 51, kPi / 2},
        {"a garbled course of 1000 degrees", 1000, 10, 51, 2 * kPi - std::fmod(1000 * kPi / 180, 2 * kPi)},
    };
    for (const Row& row : rows) {
        CAPTURE(row.name);
        const GPS_CURRENT here = At(10, 50, row.course);
        const GPS_CURRENT there = At(row.x, row.y);
        const float b = here.BearingTo(&there);
        CHECK(b >= 0.0f);
        CHECK(b < 6.2831855f);
        CHECK(b == doctest::Approx(row.expected).epsilon(1e-5));
    }
    SUBCASE("identical positions give 0, not NaN") {
        const GPS_CURRENT here = At(10, 50, 45);
        CHECK(here.BearingTo(&here) == 0.0f);
    }
}

TEST_CASE("Time to go")
{
    GPS_CURRENT g{};
    g.ms = 10;
    CHECK(CalcTimeToGo(&g, 1.0) == 100u);
    CHECK(CalcTimeToGo(&g, 0.01234) == 1u);   // truncated
    g.ms = 0;
    CHECK(CalcTimeToGo(&g, 1.0) == 0xFFFFFFFFu);
}
