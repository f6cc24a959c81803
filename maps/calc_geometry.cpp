// The measuring tool's geometry: line length, inside-point removal and the
// fan area.
#include "maps/calc.h"

#include "gps/geodesy.h"
#include "maps/draw.h"

#include <algorithm>
#include <cmath>

namespace {

// A point counts as enclosed when its vertex angles to the outline of the
// others reach a full turn. The float value is the threshold on purpose:
// a point on an edge sums to exactly 2 pi, and only rounding separates it.
constexpr double kEnclosedAngleSum = static_cast<double>(6.283f);

GeoPointF Plane(const GPS_POSITION& p)
{
    return {static_cast<float>(p.x), static_cast<float>(p.y)};
}

std::vector<GeoPointF> PlanePoints(const std::vector<GPS_POSITION>& points)
{
    std::vector<GeoPointF> plane(points.size());
    std::transform(points.begin(), points.end(), plane.begin(), Plane);
    return plane;
}

bool Finite(GeoPointF p)
{
    return std::isfinite(p.x) && std::isfinite(p.y);
}

// Removes every point that lies on an earlier one, from the front, while
// more than keep remain. Two points on one place leave a side of no length,
// whose angles mean nothing; the outline is the same with one of them.
void RemoveRepeatedPoints(std::vector<GPS_POSITION>* points, size_t keep)
{
    if (points->size() <= keep)
        return;
    const std::vector<GeoPointF> plane = PlanePoints(*points);
    std::vector<size_t> order;
    for (size_t i = 0; i < plane.size(); ++i)
        if (Finite(plane[i]))   // NaN would break the sort's ordering
            order.push_back(i);
    const auto before = [&](size_t a, size_t b) {
        if (plane[a].x != plane[b].x)
            return plane[a].x < plane[b].x;
        if (plane[a].y != plane[b].y)
            return plane[a].y < plane[b].y;
        return a < b;
    };
    std::sort(order.begin(), order.end(), before);
    std::vector<size_t> repeated;
    for (size_t k = 1; k < order.size(); ++k) {
        const GeoPointF a = plane[order[k - 1]];
        const GeoPointF b = plane[order[k]];
        if (a.x == b.x && a.y == b.y)
            repeated.push_back(order[k]);
    }
    std::sort(repeated.begin(), repeated.end());
    repeated.resize(std::min(repeated.size(), points->size() - keep));
    // Erased from the back so the earlier indices stay valid.
    for (auto it = repeated.rbegin(); it != repeated.rend(); ++it)
        points->erase(points->begin() + static_cast<std::ptrdiff_t>(*it));
}

// The vertex angles at every point to the others' outline, kept up to date
// as points go. The outline is the ring 0, 1, ..., last, 0: for a point p
// its sum is over the ring's sides that do not touch p (ring_[p]) plus the
// side that bridges over p (point 0 has none: its outline stays open).
// A point's ring sum is summed when the scan first reaches it; after a
// removal only the sides next to the removed point change, so every sum
// already known is corrected in constant time instead of being summed again.
// That keeps ten thousand points to seconds rather than hours.
class EnclosureSums {
public:
    explicit EnclosureSums(const std::vector<GPS_POSITION>& points)
        : plane_(PlanePoints(points)), ring_(plane_.size()), known_(plane_.size(), false) {}

    // The first point that counts as enclosed, or the count for none.
    size_t FirstEnclosed()
    {
        for (size_t p = 0; p < plane_.size(); ++p)
            if (Sum(p) >= kEnclosedAngleSum)
                return p;
        return plane_.size();
    }

    // Takes point r out of the ring: its two sides go, the bridge comes.
    void Remove(size_t r)
    {
        const size_t n = plane_.size();
        const size_t previous = r == 0 ? n - 1 : r - 1;
        const size_t next = r == n - 1 ? 0 : r + 1;
        for (size_t q = 0; q < n; ++q) {
            if (q == r || !known_[q])
                continue;
            ring_[q] += Angle(previous, q, next) - Angle(previous, q, r) - Angle(r, q, next);
        }
        plane_.erase(plane_.begin() + static_cast<std::ptrdiff_t>(r));
        ring_.erase(ring_.begin() + static_cast<std::ptrdiff_t>(r));
        known_.erase(known_.begin() + static_cast<std::ptrdiff_t>(r));
    }

private:
    double Sum(size_t p)
    {
        const size_t n = plane_.size();
        if (!known_[p]) {
            double sum = 0.0;
            for (size_t j = 0; j + 1 < n; ++j)
                sum += Angle(j, p, j + 1);
            ring_[p] = sum + Angle(0, p, n - 1);
            known_[p] = true;
        }
        if (p == 0)
            return ring_[0];
        if (p == n - 1)
            return ring_[p] + Angle(n - 2, p, 0);
        return ring_[p] + Angle(p - 1, p, p + 1);
    }

    // The angle at point b between a and c; a side that starts at b has no
    // length and gives nothing.
    double Angle(size_t a, size_t b, size_t c) const
    {
        if (a == b || c == b)
            return 0.0;
        return CalcVertexAngle(plane_[a], plane_[b], plane_[c]);
    }

    std::vector<GeoPointF> plane_;
    std::vector<double> ring_;
    std::vector<bool> known_;
};

}  // namespace

double CalcLineLength(const std::vector<GPS_POSITION>& points, int unit, int axisMode)
{
    if (axisMode != kCalcAxisXY)
        return 0.0;
    double length = 0.0;
    for (size_t i = 1; i < points.size(); ++i) {
        const GeoPointF a = Plane(points[i - 1]);
        const GeoPointF b = Plane(points[i]);
        // -1 would ask CalcDistanceInUnit for the current unit; here every
        // unit but 0, 1 and 2 measures 0.
        length += CalcDistanceInUnit(a.x, a.y, b.x, b.y, unit < 0 ? 3 : unit);
    }
    return length;
}

void RemoveInteriorCalcPoints(std::vector<GPS_POSITION>* points, size_t keep)
{
    if (!points)
        return;
    keep = std::max<size_t>(keep, 2);   // two points enclose nothing
    RemoveRepeatedPoints(points, keep);
    if (points->size() <= keep)
        return;
    EnclosureSums sums(*points);
    // Every pass removes a point or ends, so the loop ends for any input;
    // the bound says so to the reader.
    for (size_t pass = 0, passes = points->size(); pass < passes && points->size() > keep; ++pass) {
        const size_t r = sums.FirstEnclosed();
        if (r >= points->size())
            break;
        sums.Remove(r);
        points->erase(points->begin() + static_cast<std::ptrdiff_t>(r));
    }
}

double CalcFanArea(const std::vector<GPS_POSITION>& points, bool inKm)
{
    if (points.size() < 3)
        return 0.0;
    const std::vector<GeoPointF> plane = PlanePoints(points);
    const GeoPointF origin = plane[0];
    const auto weight = [&](GeoPointF p) {
        if (inKm)
            return CalcDistanceKm(origin.x, origin.y, p.x, p.y);
        return static_cast<double>(PlanarDistance({origin.x, origin.y}, {p.x, p.y}));
    };
    double area = 0.0;
    double w = weight(plane[1]);
    for (size_t j = 1; j + 1 < plane.size(); ++j) {
        const double next = weight(plane[j + 1]);
        // A side of no length has no angle: the triangle is empty.
        if (w > 0.0 && next > 0.0)
            area += 0.5 * w * next * std::sin(CalcVertexAngle(plane[j], origin, plane[j + 1]));
        w = next;
    }
    return area;
}

CALC_AREA CalcOutlineArea(const std::vector<GPS_POSITION>& points, int axisMode)
{
    if (points.size() < 3 || axisMode == kCalcAxisXZ || axisMode == kCalcAxisYZ)
        return {0.0, 0.0};
    std::vector<GPS_POSITION> outline = points;
    RemoveInteriorCalcPoints(&outline, 2);
    constexpr double kSquareMetresPerSquareKm = 1000000.0;
    return {CalcFanArea(outline, false), CalcFanArea(outline, true) * kSquareMetresPerSquareKm};
}
