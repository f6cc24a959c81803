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

// This process's CPU time in milliseconds: a bound on the work that does not
// move with the load of a shared machine.
ULONGLONG CpuMs()
{
    FILETIME create, exit, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &create, &exit, &kernel, &user);
    auto ms = [](const FILETIME& f) { return ((ULONGLONG(f.dwHighDateTime) << 32) | f.dwLowDateTime) / 10000; };
    return ms(kernel) + ms(user);
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
        RemoveInteriorCalcPoints(&pts);
        CHECK(SameList(pts, expected));
    }
}

TEST_CASE("ten thousand points end in time with finite results")
{
    std::mt19937 random(10000);
    std::uniform_real_distribution<double> coordinate(10.0, 11.0);
    Points scattered(10000);
    for (GPS_POSITION& p : scattered)
        p = P(coordinate(random), coordinate(random));
    Points circle;
    for (int i = 0; i < 10000; ++i)
        circle.push_back(P(std::cos(2 * kPi * i / 10000), std::sin(2 * kPi * i / 10000)));

    const ULONGLONG start = CpuMs();
    const CALC_AREA a = CalcOutlineArea(scattered, kCalcAxisXY);
    CHECK(std::isfinite(a.squareDegrees));
    CHECK(std::isfinite(a.squareMetres));
    // On a circle no point is inside: the area is the circle's.
    RemoveInteriorCalcPoints(&circle);
    CHECK(circle.size() > 9000);
    CHECK(CalcFanArea(circle, false) == doctest::Approx(kPi).epsilon(1e-3));
    CHECK(CpuMs() - start < 30000);
}
