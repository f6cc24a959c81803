// The measuring tool's geometry: line length, inside-point removal and the
// fan area.
#include "maps/calc.h"

#include "gps/geodesy.h"
#include "kit/draw.h"

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

bool SamePlace(GeoPointF a, GeoPointF b)
{
    return a.x == b.x && a.y == b.y;
}

// Removes every point that lies on an earlier one, from the front, while
// more than keep remain; true when none is left. Two points on one place
// leave a side of no length, whose angles mean nothing; the outline is the
// same with one of them.
bool RemoveRepeatedPoints(std::vector<GPS_POSITION>* points, size_t keep)
{
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
    for (size_t k = 1; k < order.size(); ++k)
        if (SamePlace(plane[order[k - 1]], plane[order[k]]))
            repeated.push_back(order[k]);
    std::sort(repeated.begin(), repeated.end());
    const size_t removable = points->size() > keep ? points->size() - keep : 0;
    const bool all = repeated.size() <= removable;
    repeated.resize(std::min(repeated.size(), removable));
    // Erased from the back so the earlier indices stay valid.
    for (auto it = repeated.rbegin(); it != repeated.rend(); ++it)
        points->erase(points->begin() + static_cast<std::ptrdiff_t>(*it));
    return all;
}

// A point of the enclosure test, in double: single precision rounds the
// points of a densely walked outline off its line, and a convex ring then
// has points that count as inside.
struct RING_POINT {
    double x;
    double y;
};

// The angle at b between a and c, from their sides' dot product; a side of
// no length gives 0.
double VertexAngle(RING_POINT a, RING_POINT b, RING_POINT c)
{
    const double ux = a.x - b.x, uy = a.y - b.y;
    const double vx = c.x - b.x, vy = c.y - b.y;
    if ((ux == 0.0 && uy == 0.0) || (vx == 0.0 && vy == 0.0))
        return 0.0;
    const double cosine = (ux * vx + uy * vy) / std::sqrt((ux * ux + uy * uy) * (vx * vx + vy * vy));
    return std::acos(cosine < -1.0 ? -1.0 : cosine > 1.0 ? 1.0 : cosine);
}

// The vertex angles at every point to the others' outline, kept up to date
// as points come and go. The outline is the ring 0, 1, ..., last, 0: for a
// point p its sum is over the ring's sides that do not touch p (sums_[p])
// plus the side that bridges over p (point 0 has none: its outline stays
// open). A point's ring sum is summed when a scan first reaches it; after
// an addition or a removal only the sides next to that point change, so
// every sum already known is corrected in constant time instead of being
// summed again.
class EnclosureSums {
public:
    // Describes points afresh; no sum is known yet.
    void Reset(const std::vector<GPS_POSITION>& points)
    {
        ring_.clear();
        for (const GPS_POSITION& p : points)
            ring_.push_back({p.x, p.y});
        sums_.assign(ring_.size(), 0.0);
        known_.assign(ring_.size(), false);
        clean_ = false;
        repeatFree_ = false;
    }

    // True when these sums are those of points.
    bool Describes(const std::vector<GPS_POSITION>& points) const
    {
        if (points.size() != ring_.size())
            return false;
        for (size_t i = 0; i < ring_.size(); ++i)
            if (points[i].x != ring_[i].x || points[i].y != ring_[i].y)
                return false;
        return true;
    }
    // No point of the ring lies inside the others', and none on another.
    bool Clean() const { return clean_ && repeatFree_; }
    bool RepeatFree() const { return repeatFree_; }
    void SetRepeatFree(bool free) { repeatFree_ = free; }

    // The first point that counts as enclosed, or the count for none; with
    // none the ring is clean.
    size_t FirstEnclosed()
    {
        for (size_t p = 0; p < ring_.size(); ++p)
            if (Sum(p) >= kEnclosedAngleSum)
                return p;
        clean_ = true;
        return ring_.size();
    }

    // Puts p after the last point: the closing side from the last point to
    // point 0 gives way to two sides through p.
    void Append(const GPS_POSITION& p)
    {
        const size_t n = ring_.size();
        ring_.push_back({p.x, p.y});
        sums_.push_back(0.0);
        known_.push_back(false);
        clean_ = false;
        if (n == 0)
            return;
        const size_t last = n - 1;
        for (size_t q = 0; q < n; ++q)
            if (known_[q])
                sums_[q] += Angle(last, q, n) + Angle(n, q, 0) - Angle(last, q, 0);
    }

    // Takes point r out of the ring: its two sides go, the bridge comes.
    void Remove(size_t r)
    {
        clean_ = false;
        const size_t n = ring_.size();
        const size_t previous = r == 0 ? n - 1 : r - 1;
        const size_t next = r == n - 1 ? 0 : r + 1;
        for (size_t q = 0; q < n; ++q) {
            if (q == r || !known_[q])
                continue;
            sums_[q] += Angle(previous, q, next) - Angle(previous, q, r) - Angle(r, q, next);
        }
        ring_.erase(ring_.begin() + static_cast<std::ptrdiff_t>(r));
        sums_.erase(sums_.begin() + static_cast<std::ptrdiff_t>(r));
        known_.erase(known_.begin() + static_cast<std::ptrdiff_t>(r));
    }

private:
    double Sum(size_t p)
    {
        const size_t n = ring_.size();
        if (!known_[p]) {
            double sum = 0.0;
            for (size_t j = 0; j + 1 < n; ++j)
                sum += Angle(j, p, j + 1);
            sums_[p] = sum + Angle(0, p, n - 1);
            known_[p] = true;
        }
        if (p == 0)
            return sums_[0];
        if (p == n - 1)
            return sums_[p] + Angle(n - 2, p, 0);
        return sums_[p] + Angle(p - 1, p, p + 1);
    }

    // The angle at point b between a and c; a side that starts at b has no
    // length and gives nothing.
    double Angle(size_t a, size_t b, size_t c) const
    {
        if (a == b || c == b)
            return 0.0;
        return VertexAngle(ring_[a], ring_[b], ring_[c]);
    }

    std::vector<RING_POINT> ring_;
    std::vector<double> sums_;
    std::vector<bool> known_;
    bool clean_ = false;        // the last scan found no enclosed point
    bool repeatFree_ = false;   // no point lies on another
};

// The sums of the list that the last clean-up left (the area screen's
// points, or the copy that "Measure!" cleared): the next addition to that
// list starts from them.
EnclosureSums KeptSums;

// Removes enclosed points, first to last and again from the first, while
// more than keep remain. Every pass removes a point or ends, so the loop
// ends for any input; the bound says so to the reader.
void RemoveEnclosedPoints(std::vector<GPS_POSITION>* points, size_t keep)
{
    for (size_t pass = 0, passes = points->size(); pass < passes && points->size() > keep; ++pass) {
        const size_t r = KeptSums.FirstEnclosed();
        if (r >= points->size())
            break;
        KeptSums.Remove(r);
        points->erase(points->begin() + static_cast<std::ptrdiff_t>(r));
    }
}

// True when the last of points lies on one of the points before it.
bool LiesOnEarlier(const std::vector<GPS_POSITION>& points)
{
    const GeoPointF last = Plane(points.back());
    for (size_t i = 0; i + 1 < points.size(); ++i)
        if (SamePlace(Plane(points[i]), last))
            return true;
    return false;
}

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
    if (points->size() <= keep)
        return;
    const bool repeatFree = RemoveRepeatedPoints(points, keep);
    if (!KeptSums.Describes(*points))
        KeptSums.Reset(*points);
    KeptSums.SetRepeatFree(repeatFree);
    if (points->size() > keep)
        RemoveEnclosedPoints(points, keep);
}

void AppendOutlinePoint(std::vector<GPS_POSITION>* points, const GPS_POSITION& point, size_t keep)
{
    if (!points)
        return;
    const bool kept = KeptSums.Describes(*points) && KeptSums.RepeatFree();
    points->push_back(point);
    keep = std::max<size_t>(keep, 2);
    if (!kept) {
        RemoveInteriorCalcPoints(points, keep);
        return;
    }
    // The list was clear of repeated points: only the new one can be one.
    const bool repeated = LiesOnEarlier(*points);
    if (repeated && points->size() > keep) {
        points->pop_back();
        return;
    }
    KeptSums.Append(point);
    KeptSums.SetRepeatFree(!repeated);
    if (points->size() > keep)
        RemoveEnclosedPoints(points, keep);
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
    constexpr double kSquareMetresPerSquareKm = 1000000.0;
    // The area screen's points are clean after every addition: measured as
    // they are, not cleared a second time.
    if (KeptSums.Describes(points) && KeptSums.Clean())
        return {CalcFanArea(points, false), CalcFanArea(points, true) * kSquareMetresPerSquareKm};
    std::vector<GPS_POSITION> outline = points;
    RemoveInteriorCalcPoints(&outline, 2);
    return {CalcFanArea(outline, false), CalcFanArea(outline, true) * kSquareMetresPerSquareKm};
}
