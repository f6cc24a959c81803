// The measuring tool's geometry: the line's length, the removal of inside
// points and the fan area, with the degenerate outlines users make.
#include <doctest.h>

#include "gps/geodesy.h"
#include "maps/calc.h"

#include <windows.h>

#include <cmath>
#include <random>
#include <vector>

namespace {

using Points = std::vector<GPS_POSITION>;

constexpr double kPi = 3.14159265358979323846;

GPS_POSITION P(double x, double y)
{
    return GPS_POSITION{x, y, 0.0, 0};
}

// One degree of a great circle on the 6371 km sphere: 6371 x pi / 180.
constexpr double kKmPerDegree = 111.19492664;

// The removal exactly as the measuring screens describe it, summed afresh
// for every point on every pass: the reference the kept-up-to-date sums
// must agree with.
double ReferenceSum(const Points& pts, size_t i)
{
    const size_t n = pts.size(), last = n - 1;
    auto at = [&](size_t k) { return GeoPointF{float(pts[k].x), float(pts[k].y)}; };
    auto angle = [&](size_t j, size_t k) { return CalcVertexAngle(at(j), at(i), at(k)); };
    double sum = 0.0;
    for (size_t j = 0; j + 1 < n; ++j)
        if (j != i && j + 1 != i)
            sum += angle(j, j + 1);
    if (i != 0 && i != last)
        sum += angle(0, last) + angle(i - 1, i + 1);
    if (i == last)
        sum += angle(0, last - 1);
    return sum;
}

void ReferenceRemoval(Points* pts)
{
    for (bool removed = true; removed && pts->size() > 3;) {
        removed = false;
        for (size_t i = 0; i < pts->size(); ++i)
            if (ReferenceSum(*pts, i) >= double(6.283f)) {
                pts->erase(pts->begin() + static_cast<std::ptrdiff_t>(i));
                removed = true;
                break;
            }
    }
}

bool SameList(const Points& a, const Points& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i].x != b[i].x || a[i].y != b[i].y)
            return false;
    return true;
}

}  // namespace

TEST_CASE("the length of the line")
{
    const Points line{P(0, 0), P(1, 0), P(1, 1)};
    SUBCASE("legs are summed as great circles, in the unit asked for") {
        const double km = CalcLineLength(line, 0, kCalcAxisXY);
        CHECK(km == doctest::Approx(2 * kKmPerDegree).epsilon(1e-5));
        CHECK(CalcLineLength(line, 1, kCalcAxisXY) == doctest::Approx(km / 1.609344));
        CHECK(CalcLineLength(line, 2, kCalcAxisXY) == doctest::Approx(km / 1.852));
    }
    SUBCASE("no such unit, and the X-Z and Y-Z axes, give 0") {
        CHECK(CalcLineLength(line, 3, kCalcAxisXY) == 0.0);
        CHECK(CalcLineLength(line, -1, kCalcAxisXY) == 0.0);
        CHECK(CalcLineLength(line, 0, kCalcAxisXZ) == 0.0);
        CHECK(CalcLineLength(line, 0, kCalcAxisYZ) == 0.0);
    }
    SUBCASE("a point taken twice adds a leg of 0") {
        CHECK(CalcLineLength({P(0, 0), P(0, 0), P(1, 0), P(1, 0)}, 0, kCalcAxisXY) ==
              doctest::Approx(kKmPerDegree).epsilon(1e-5));
    }
}

TEST_CASE("inside points and the area of the outline")
{
    SUBCASE("(0, 0), (1, 0), (0, 1) give 0.5 square degrees") {
        const CALC_AREA a = CalcOutlineArea({P(0, 0), P(1, 0), P(0, 1)}, kCalcAxisXY);
        CHECK(a.squareDegrees == doctest::Approx(0.5));
        // Great-circle sides from point 0, the planar right angle between them.
        CHECK(a.squareMetres == doctest::Approx(0.5 * kKmPerDegree * kKmPerDegree * 1e6).epsilon(1e-4));
        CHECK(CalcOutlineArea({P(0, 0), P(1, 0), P(0, 1)}, kCalcAxisXZ).squareDegrees == 0.0);
        CHECK(CalcOutlineArea({P(0, 0), P(1, 0), P(0, 1)}, kCalcAxisYZ).squareMetres == 0.0);
    }
    SUBCASE("a fourth point inside the triangle goes; one outside stays") {
        Points pts{P(0, 0), P(1, 0), P(0, 1), P(0.2, 0.2)};
        RemoveInteriorCalcPoints(&pts);
        CHECK(SameList(pts, {P(0, 0), P(1, 0), P(0, 1)}));
        pts = {P(0, 0), P(1, 0), P(1, 1), P(0, 1)};
        RemoveInteriorCalcPoints(&pts);
        CHECK(pts.size() == 4);
        CHECK(CalcFanArea(pts, false) == doctest::Approx(1.0));
    }
    SUBCASE("a point on a side counts as inside") {
        Points pts{P(0, 0), P(2, 0), P(1, 0), P(0, 2)};
        RemoveInteriorCalcPoints(&pts);
        CHECK(SameList(pts, {P(0, 0), P(2, 0), P(0, 2)}));
    }
    SUBCASE("the list keeps three points; the measuring copy goes down to two") {
        Points pts{P(0, 0), P(1, 0), P(2, 0)};
        RemoveInteriorCalcPoints(&pts);
        CHECK(pts.size() == 3);
        CHECK(CalcOutlineArea(pts, kCalcAxisXY).squareDegrees == 0.0);
    }
    SUBCASE("outlines entered on another screen are cleared before they are measured") {
        // The list is shared by the three screens: a line entered on the
        // length screen keeps its inside points until measured as an area.
        const CALC_AREA a = CalcOutlineArea({P(0, 0), P(0.3, 0.3), P(1, 0), P(0, 1)}, kCalcAxisXY);
        CHECK(a.squareDegrees == doctest::Approx(0.5));
    }
}

TEST_CASE("equal and collinear points give finite areas")
{
    const double triangle = 0.5;
    SUBCASE("a point taken twice measures as one, wherever the copy is") {
        for (const Points& pts : {Points{P(0, 0), P(1, 0), P(1, 0), P(0, 1)},
                                  Points{P(0, 0), P(1, 0), P(0, 1), P(1, 0)},
                                  Points{P(0, 0), P(1, 0), P(0, 1), P(0, 0)},
                                  Points{P(0, 0), P(0, 0), P(1, 0), P(0, 1), P(0, 1)}}) {
            CAPTURE(pts.size());
            const CALC_AREA a = CalcOutlineArea(pts, kCalcAxisXY);
            CHECK(a.squareDegrees == doctest::Approx(triangle));
            Points list = pts;
            RemoveInteriorCalcPoints(&list);
            CHECK(list.size() == 3);
        }
    }
    SUBCASE("an inside point taken twice goes with its copy") {
        Points pts{P(0, 0), P(2, 0), P(0, 2), P(0.5, 0.5), P(0.5, 0.5)};
        RemoveInteriorCalcPoints(&pts);
        CHECK(SameList(pts, {P(0, 0), P(2, 0), P(0, 2)}));
    }
    SUBCASE("every point equal, and points on a line") {
        const CALC_AREA same = CalcOutlineArea(Points(50, P(7.25, 49.5)), kCalcAxisXY);
        CHECK(same.squareDegrees == 0.0);
        CHECK(same.squareMetres == 0.0);
        Points line;
        for (int i = 0; i < 40; ++i)
            line.push_back(P(8.0 + 0.013 * i, 47.0 + 0.007 * i));
        const CALC_AREA flat = CalcOutlineArea(line, kCalcAxisXY);
        CHECK(std::isfinite(flat.squareDegrees));
        CHECK(std::fabs(flat.squareDegrees) < 1e-6);
        CHECK(std::fabs(flat.squareMetres) < 1e4);
    }
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
        RemoveInteriorCalcPoints(&pts);
        CHECK(SameList(pts, expected));
    }
}

TEST_CASE("ten thousand points end in time with finite results")
{
    std::mt19937 random(10000);
    std::uniform_real_distribution<double> coordinate(10.0, 11.0);
    SUBCASE("scattered points: nearly all are inside") {
        Points pts(10000);
        for (GPS_POSITION& p : pts)
            p = P(coordinate(random), coordinate(random));
        const ULONGLONG start = GetTickCount64();
        const CALC_AREA a = CalcOutlineArea(pts, kCalcAxisXY);
        CHECK(GetTickCount64() - start < 30000);
        CHECK(std::isfinite(a.squareDegrees));
        CHECK(std::isfinite(a.squareMetres));
        CHECK(CalcLineLength(pts, 0, kCalcAxisXY) > 0.0);
    }
    SUBCASE("points on a circle: none is inside, the area is the circle's") {
        Points pts;
        for (int i = 0; i < 10000; ++i) {
            const double t = 2 * kPi * i / 10000;
            pts.push_back(P(std::cos(t), std::sin(t)));
        }
        const ULONGLONG start = GetTickCount64();
        Points kept = pts;
        RemoveInteriorCalcPoints(&kept);
        CHECK(GetTickCount64() - start < 30000);
        CHECK(kept.size() > 9000);
        CHECK(CalcFanArea(kept, false) == doctest::Approx(kPi).epsilon(1e-3));
    }
}
