// The nearest point of a followed route: the plain pass over every point,
// and the index that finds the same point after a skip without that pass.
//
// The index keeps two things, both made in one pass when the route starts:
// a grid of the points' places on the unit sphere, which answers a fix near
// the route from the few cells around it, and the way along the route to
// each point, by which a search that has to look farther passes over every
// stretch of the route too short to come back nearer.
//
// Both prune by lower bounds on the distance that the program computes,
// and that distance is single-precision great-circle arithmetic. Taken on
// the places it actually works with (each coordinate rounded as it rounds
// them), it is the true distance between those places up to a few parts in
// ten million, and a metre or so where a leg crosses 180 degrees of
// longitude; the bounds keep far more slack than that, so every point that
// might tie or win is compared, and the first of equal distances wins as in
// the plain pass.
#include "gps/live_track.h"

#include "gps/geodesy.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <utility>
#include <vector>

namespace {

// A point is passed over only when its lower bound exceeds the best
// distance by this part of the lengths involved and this many km.
constexpr double kSlack = 1e-4;
constexpr double kSlackKm = 0.005;
// Grid cells span about this many of the route's typical legs, and never
// less than kMinCell (about 12 m, which keeps a cell's three numbers, and
// those of the shells around it, within 21 bits each).
constexpr double kLegsPerCell = 4.0;
constexpr double kMinCell = 1.0 / (1 << 19);
constexpr int64_t kCellBias = 1 << 20;
// Shells of cells around the fix's cell looked at before the search goes
// along the route instead.
constexpr int kMaxShell = 3;
// Beyond this latitude the single-precision cosine loses the relative
// accuracy the bounds count on: a route or a fix there is searched whole.
constexpr double kMaxLatitude = 89.0;

struct UNIT {
    double x, y, z;
};

// The place on the unit sphere that the distance arithmetic works with:
// the coordinates in single precision, turned into radians in single
// precision.
UNIT UnitOf(const GPS_CURRENT& p)
{
    const double lat = double(float(p.pos.y) * kDegToRad);
    const double lon = double(float(p.pos.x) * kDegToRad);
    return {std::cos(lat) * std::cos(lon), std::cos(lat) * std::sin(lon), std::sin(lat)};
}

bool Indexable(const GPS_CURRENT& p)
{
    return std::isfinite(p.pos.x) && std::isfinite(p.pos.y) && std::fabs(float(p.pos.y)) <= kMaxLatitude;
}

int64_t CellOf(double v, double cell)
{
    return int64_t(std::floor(v / cell));
}

uint64_t Key(int64_t i, int64_t j, int64_t k)
{
    return (uint64_t(i + kCellBias) << 42) | (uint64_t(j + kCellBias) << 21) | uint64_t(k + kCellBias);
}

// Distance in km that no point of a place whose chord from the fix is at
// least chord can be nearer than (the arc is never shorter than the chord).
double KmBeyondChord(double chord)
{
    return chord * kEarthRadiusKm;
}

bool Beyond(double lowerKm, double bestKm)
{
    return lowerKm * (1.0 - kSlack) - kSlackKm > bestKm;
}

// The shortest chord from u to any place in cell (i, j, k).
double ChordToCell(const UNIT& u, int64_t i, int64_t j, int64_t k, double cell)
{
    auto gap = [cell](double v, int64_t c) {
        const double low = double(c) * cell;
        const double high = low + cell;
        return v < low ? low - v : v > high ? v - high : 0.0;
    };
    const double dx = gap(u.x, i), dy = gap(u.y, j), dz = gap(u.z, k);
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

// How far along the route from a point at km from the fix every point is
// still farther than bestKm; negative when not even the next one need be.
double Reach(double km, double bestKm)
{
    return (km * (1.0 - kSlack) - bestKm - kSlackKm) / (1.0 + kSlack);
}

class Search {
public:
    Search(const std::vector<GPS_CURRENT>& route, const ROUTE_INDEX& index, const GPS_CURRENT& at,
           size_t start)
        : route_(route), index_(index), at_(at), best_(start), bestKm_(KmBetween(at, route[start]))
    {
    }

    size_t Best() const { return best_; }

    // The cells around the fix, shell by shell: true when no point beyond
    // them can come nearer than the best one found.
    bool AroundTheFix()
    {
        const double cell = index_.cell;
        if (!(cell > 0.0))
            return false;
        const UNIT u = UnitOf(at_);
        const int64_t ci = CellOf(u.x, cell), cj = CellOf(u.y, cell), ck = CellOf(u.z, cell);
        for (int shell = 0; shell <= kMaxShell; ++shell) {
            // Every cell of this shell lies at least shell - 1 cells away.
            if (shell > 1 && Beyond(KmBeyondChord(double(shell - 1) * cell), bestKm_))
                return true;
            for (int di = -shell; di <= shell; ++di)
                for (int dj = -shell; dj <= shell; ++dj)
                    for (int dk = -shell; dk <= shell; ++dk) {
                        if (std::max({std::abs(di), std::abs(dj), std::abs(dk)}) != shell)
                            continue;
                        const int64_t i = ci + di, j = cj + dj, k = ck + dk;
                        if (!Beyond(KmBeyondChord(ChordToCell(u, i, j, k, cell)), bestKm_))
                            ConsiderCell(Key(i, j, k));
                    }
        }
        return Beyond(KmBeyondChord(double(kMaxShell) * cell), bestKm_);
    }

    // Forward from the best point so far, then back from it: a point is
    // looked at only when the way along the route from the last one looked
    // at is long enough for it to come nearer than the best.
    void AlongTheRoute()
    {
        const std::vector<double>& along = index_.alongKm;
        const size_t from = best_;
        for (size_t i = from + 1; i < route_.size();) {
            const double reach = Reach(Consider(i), bestKm_);
            i = size_t(std::lower_bound(along.begin() + std::ptrdiff_t(i) + 1, along.end(), along[i] + reach) -
                       along.begin());
        }
        for (size_t i = from; i-- > 0;) {
            const double reach = Reach(Consider(i), bestKm_);
            // Past the last point before i that lies at least reach back.
            i = size_t(std::upper_bound(along.begin(), along.begin() + std::ptrdiff_t(i), along[i] - reach) -
                       along.begin());
        }
    }

private:
    double Consider(size_t i)
    {
        const double km = KmBetween(at_, route_[i]);
        if (km < bestKm_ || (km == bestKm_ && i < best_)) {
            bestKm_ = km;
            best_ = i;
        }
        return km;
    }

    void ConsiderCell(uint64_t key)
    {
        const auto [first, last] = std::equal_range(index_.cellKeys.begin(), index_.cellKeys.end(), key);
        for (auto at = first; at != last; ++at)
            Consider(index_.cellPoints[size_t(at - index_.cellKeys.begin())]);
    }

    const std::vector<GPS_CURRENT>& route_;
    const ROUTE_INDEX& index_;
    const GPS_CURRENT& at_;
    size_t best_;
    double bestKm_;
};

// The grid: a cell edge of a few typical legs, and the points sorted by
// cell (and by index within one).
void BuildGrid(const std::vector<GPS_CURRENT>& route, ROUTE_INDEX* index)
{
    if (route.empty())
        return;
    std::vector<double> legs(route.size() - 1);
    for (size_t i = 0; i + 1 < route.size(); ++i)
        legs[i] = index->alongKm[i + 1] - index->alongKm[i];
    double typicalKm = 0.0;
    if (!legs.empty()) {
        std::nth_element(legs.begin(), legs.begin() + std::ptrdiff_t(legs.size() / 2), legs.end());
        typicalKm = legs[legs.size() / 2];
    }
    const double cell = std::max(kMinCell, kLegsPerCell * typicalKm / kEarthRadiusKm);
    std::vector<std::pair<uint64_t, uint32_t>> cells(route.size());
    for (size_t i = 0; i < route.size(); ++i) {
        const UNIT u = UnitOf(route[i]);
        cells[i] = {Key(CellOf(u.x, cell), CellOf(u.y, cell), CellOf(u.z, cell)), uint32_t(i)};
    }
    std::sort(cells.begin(), cells.end());
    index->cell = cell;
    index->cellKeys.resize(cells.size());
    index->cellPoints.resize(cells.size());
    for (size_t i = 0; i < cells.size(); ++i) {
        index->cellKeys[i] = cells[i].first;
        index->cellPoints[i] = cells[i].second;
    }
}

}  // namespace

uint32_t NearestRoutePoint(const std::vector<GPS_CURRENT>& route, const GPS_CURRENT& at)
{
    uint32_t nearest = 0;
    double nearestKm = std::numeric_limits<double>::infinity();
    for (size_t i = 0; i < route.size(); ++i) {
        const double km = KmBetween(at, route[i]);
        if (km < nearestKm) {
            nearestKm = km;
            nearest = uint32_t(i);
        }
    }
    return nearest;
}

ROUTE_INDEX RouteIndex;

ROUTE_INDEX IndexRoute(const std::vector<GPS_CURRENT>& route)
{
    ROUTE_INDEX index;
    index.route = route.data();
    index.size = route.size();
    index.alongKm.resize(route.size());
    for (size_t i = 1; i < route.size(); ++i)
        index.alongKm[i] = index.alongKm[i - 1] + KmBetween(route[i - 1], route[i]);
    // A position that is no number (a hand-edited file), or one near a pole,
    // is beyond what the bounds hold for: such a route is searched whole.
    if (!std::all_of(route.begin(), route.end(), Indexable) ||
        (!route.empty() && !std::isfinite(index.alongKm.back()))) {
        index.alongKm.clear();
        return index;
    }
    BuildGrid(route, &index);
    return index;
}

uint32_t NearestRoutePointFrom(const std::vector<GPS_CURRENT>& route, const ROUTE_INDEX& index,
                               const GPS_CURRENT& at, uint32_t start)
{
    if (index.route != route.data() || index.size != route.size() || index.alongKm.size() != route.size() ||
        route.empty() || !Indexable(at))
        return NearestRoutePoint(route, at);
    Search search(route, index, at, std::min<size_t>(start, route.size() - 1));
    if (!search.AroundTheFix())
        search.AlongTheRoute();
    return uint32_t(search.Best());
}
