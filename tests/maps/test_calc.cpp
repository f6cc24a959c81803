// The measuring tool's geometry: the line's length, the removal of inside
// points and the fan area, with the degenerate outlines users make.
#include <doctest.h>

#include "gps/geodesy.h"
#include "kit/screen_state.h"
#include "maps/calc.h"
#include "timing.h"

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

namespace {

using Points = std::vector<GPS_POSITION>;

constexpr double kPi = 3.14159265358979323846;
// One degree of a great circle on the 6371 km sphere: 6371 x pi / 180.
constexpr double kKmPerDegree = 111.19492664;

GPS_POSITION P(double x, double y) { return GPS_POSITION{x, y, 0.0, 0}; }

bool SameList(const Points& a, const Points& b)
{
    bool same = a.size() == b.size();
    for (size_t i = 0; same && i < a.size(); ++i)
        same = a[i].x == b[i].x && a[i].y == b[i].y;
    return same;
}

// The removal as the measuring screens describe it, every sum taken afresh
// on every pass: the reference for the sums the tool keeps up to date.
void ReferenceRemoval(Points* pts)
{
    auto sum = [&](size_t i) {
        const size_t last = pts->size() - 1;
        auto angle = [&](size_t j, size_t k) {
            auto at = [&](size_t n) { return GeoPointF{float((*pts)[n].x), float((*pts)[n].y)}; };
            return CalcVertexAngle(at(j), at(i), at(k));
        };
        double s = 0.0;
        for (size_t j = 0; j < last; ++j)
            if (j != i && j + 1 != i)
                s += angle(j, j + 1);
        if (i != 0 && i != last)
            s += angle(0, last) + angle(i - 1, i + 1);
        if (i == last)
            s += angle(0, last - 1);
        return s;
    };
    for (size_t i = 0; pts->size() > 3 && i < pts->size(); ++i)
        if (sum(i) >= double(6.283f)) {
            pts->erase(pts->begin() + static_cast<std::ptrdiff_t>(i));
            i = static_cast<size_t>(-1);   // start again from the first point
        }
}

// n points on a circle of radius r degrees round (x, y), in order.
Points Ring(size_t n, double x, double y, double r)
{
    Points ring;
    for (size_t i = 0; i < n; ++i) {
        const double a = 2 * kPi * static_cast<double>(i) / static_cast<double>(n);
        ring.push_back(P(x + r * std::cos(a), y + r * std::sin(a)));
    }
    return ring;
}

}  // namespace

TEST_CASE("the length of the line")
{
    const Points line{P(0, 0), P(1, 0), P(1, 0), P(1, 1)};
    const double km = CalcLineLength(line, 0, kCalcAxisXY);
    CHECK(km == doctest::Approx(2 * kKmPerDegree).epsilon(1e-5));
    CHECK(CalcLineLength(line, 1, kCalcAxisXY) == doctest::Approx(km / 1.609344));
    CHECK(CalcLineLength(line, 2, kCalcAxisXY) == doctest::Approx(km / 1.852));
    // No such unit, and the X-Z and Y-Z axes, give 0.
    CHECK(CalcLineLength(line, 3, kCalcAxisXY) == 0.0);
    CHECK(CalcLineLength(line, -1, kCalcAxisXY) == 0.0);
    CHECK(CalcLineLength(line, 0, kCalcAxisXZ) == 0.0);
    CHECK(CalcLineLength(line, 0, kCalcAxisYZ) == 0.0);
}

TEST_CASE("inside points and the area of the outline")
{
    SUBCASE("(0, 0), (1, 0), (0, 1) give 0.5 square degrees; X-Z and Y-Z give 0") {
        const Points triangle{P(0, 0), P(1, 0), P(0, 1)};
        const CALC_AREA a = CalcOutlineArea(triangle, kCalcAxisXY);
        CHECK(a.squareDegrees == doctest::Approx(0.5));
        // Great-circle sides from point 0, the planar right angle between them.
        CHECK(a.squareMetres == doctest::Approx(0.5 * kKmPerDegree * kKmPerDegree * 1e6).epsilon(1e-4));
        CHECK(CalcOutlineArea(triangle, kCalcAxisXZ).squareDegrees == 0.0);
        CHECK(CalcOutlineArea(triangle, kCalcAxisYZ).squareMetres == 0.0);
    }
    SUBCASE("a point inside or on a side goes; a corner outside stays") {
        Points pts{P(0, 0), P(1, 0), P(0, 1), P(0.2, 0.2)};
        RemoveInteriorCalcPoints(&pts);
        CHECK(SameList(pts, {P(0, 0), P(1, 0), P(0, 1)}));
        pts = {P(0, 0), P(2, 0), P(1, 0), P(0, 2)};
        RemoveInteriorCalcPoints(&pts);
        CHECK(SameList(pts, {P(0, 0), P(2, 0), P(0, 2)}));
        pts = {P(0, 0), P(1, 0), P(1, 1), P(0, 1)};
        RemoveInteriorCalcPoints(&pts);
        CHECK(CalcFanArea(pts, false) == doctest::Approx(1.0));
    }
    SUBCASE("the list keeps three points; a measured copy is cleared first") {
        Points pts{P(0, 0), P(1, 0), P(2, 0)};
        RemoveInteriorCalcPoints(&pts);
        CHECK(pts.size() == 3);
        CHECK(CalcOutlineArea(pts, kCalcAxisXY).squareDegrees == 0.0);
        // A line entered on the length screen keeps its inside points until
        // it is measured as an outline: they must not spoil the area.
        CHECK(CalcOutlineArea({P(0, 0), P(0.3, 0.3), P(1, 0), P(0, 1)}, kCalcAxisXY).squareDegrees ==
              doctest::Approx(0.5));
    }
}

TEST_CASE("equal and collinear points give finite areas")
{
    // The same place twice measures as once, wherever the copy stands.
    for (const Points& pts : {Points{P(0, 0), P(1, 0), P(1, 0), P(0, 1)}, Points{P(0, 0), P(1, 0), P(0, 1), P(1, 0)},
                              Points{P(0, 0), P(1, 0), P(0, 1), P(0, 0)},
                              Points{P(0, 0), P(0, 0), P(1, 0), P(0, 1), P(0, 1)}}) {
        CAPTURE(pts.size());
        CHECK(CalcOutlineArea(pts, kCalcAxisXY).squareDegrees == doctest::Approx(0.5));
        Points list = pts;
        RemoveInteriorCalcPoints(&list);
        CHECK(list.size() == 3);
    }
    Points twice{P(0, 0), P(2, 0), P(0, 2), P(0.5, 0.5), P(0.5, 0.5)};
    RemoveInteriorCalcPoints(&twice);
    CHECK(SameList(twice, {P(0, 0), P(2, 0), P(0, 2)}));

    const CALC_AREA same = CalcOutlineArea(Points(50, P(7.25, 49.5)), kCalcAxisXY);
    CHECK(same.squareDegrees == 0.0);
    CHECK(same.squareMetres == 0.0);
    Points line;
    for (int i = 0; i < 40; ++i)
        line.push_back(P(8.0 + 0.013 * i, 47.0 + 0.007 * i));
    const CALC_AREA flat = CalcOutlineArea(line, kCalcAxisXY);
    CHECK(std::fabs(flat.squareDegrees) < 1e-9);
    CHECK(std::fabs(flat.squareMetres) < 1.0);
}

TEST_CASE("the kept sums remove what the plain passes remove")
{
    std::mt19937 random(21);
    std::uniform_real_distribution<double> coordinate(-2.0, 2.0);
    std::uniform_int_distribution<int> count(4, 24);
    for (int round = 0; round < 200; ++round) {
        CAPTURE(round);
        Points pts(static_cast<size_t>(count(random)));
        for (GPS_POSITION& p : pts)
            p = P(coordinate(random), coordinate(random));
        Points expected = pts;
        ReferenceRemoval(&expected);
        Points cleared = pts;
        RemoveInteriorCalcPoints(&cleared);
        CHECK(SameList(cleared, expected));

        // The same points added one at a time, the sums corrected for each.
        Points added, plain;
        for (const GPS_POSITION& p : pts) {
            AppendOutlinePoint(&added, p);
            plain.push_back(p);
            ReferenceRemoval(&plain);
            CHECK(SameList(added, plain));
        }
    }
}

// Clearing an outline of every inside point has to look at every pair of
// points: eight times the points may cost 64 times as long, not 512 times
// as a cubic clean-up would. The few points are cleared 64 times over, so
// that both timings last about as long and a busy machine slows them alike.
TEST_CASE("scattered points are cleared in at most quadratic time with finite results")
{
    std::mt19937 random(10000);
    std::uniform_real_distribution<double> coordinate(10.0, 11.0);
    const auto scattered = [&](size_t n) {
        Points pts(n);
        for (GPS_POSITION& p : pts)
            p = P(coordinate(random), coordinate(random));
        return pts;
    };
    const Points few = scattered(625);
    const Points many = scattered(5000);
    CALC_AREA a{};
    const double fewMs = mapstest::FastestMs(1, [&] {
        for (int i = 0; i < 64; ++i)
            a = CalcOutlineArea(few, kCalcAxisXY);
    });
    const double manyMs = mapstest::FastestMs(1, [&] { a = CalcOutlineArea(many, kCalcAxisXY); });
    CHECK(std::isfinite(a.squareDegrees));
    CHECK(std::isfinite(a.squareMetres));
    CHECK(manyMs < 4 * std::max(fewMs, 1.0));

    // On a circle no point is inside: the area is the circle's.
    Points circle;
    for (int i = 0; i < 10000; ++i)
        circle.push_back(P(std::cos(2 * kPi * i / 10000), std::sin(2 * kPi * i / 10000)));
    RemoveInteriorCalcPoints(&circle);
    CHECK(circle.size() == 10000);
    CHECK(CalcFanArea(circle, false) == doctest::Approx(kPi).epsilon(1e-3));
}

// A field walked round with the receiver: 440 metres across, a point every
// 1.4 metres (a second at walking pace), finer than single precision's steps
// of 0.4 metres there. No point of a convex ring lies inside the others.
TEST_CASE("the area screen keeps every point of a dense convex ring")
{
    CurrentScreen = kScreenCalcArea;
    const Points ring = Ring(1001, 8.5417, 47.3769, 0.002);
    CalcPoints.assign(ring.begin(), ring.end() - 1);
    CHECK(AddCalcPoint(ring.back()));
    CHECK(CalcPoints.size() == 1001);
    CalcPoints.clear();
    CurrentScreen = kScreenGps;
}

// The outline's sums are kept from one addition to the next: an addition
// costs in proportion to the points, and "Measure!" on the clean outline
// does not clear it again.
TEST_CASE("adding a point and measuring the outline cost time in proportion to the points")
{
    CurrentScreen = kScreenCalcArea;
    const auto costs = [](size_t n, double* addMs, double* measureMs) {
        const Points ring = Ring(n + 40, 8.5, 47.3, 1.0);
        CalcPoints.assign(ring.begin(), ring.begin() + static_cast<std::ptrdiff_t>(n));
        AddCalcPoint(ring[n]);   // the first addition clears the whole list
        size_t next = n + 1;
        *addMs = mapstest::FastestMs(21, [&] { AddCalcPoint(ring[next++]); });
        *measureMs = mapstest::FastestMs(15, [] { CalcOutlineArea(CalcPoints, kCalcAxisXY); });
        CHECK(CalcPoints.size() == next);
    };
    double addFew = 0, measureFew = 0, addMany = 0, measureMany = 0;
    costs(1000, &addFew, &measureFew);
    costs(4000, &addMany, &measureMany);
    CAPTURE(addFew);
    CAPTURE(addMany);
    CAPTURE(measureFew);
    CAPTURE(measureMany);
    // Linear: about 4 times; the whole pass of old cost 16 times.
    CHECK(addMany < 8 * std::max(addFew, 0.01));
    CHECK(measureMany < 8 * std::max(measureFew, 0.01));
    CalcPoints.clear();
    CurrentScreen = kScreenGps;
}
