// Track normalisation: interior points of tight clusters and of nearly
// straight runs are taken out, so a run route warns only where the way bends.
//
// Both rules look at a point between the last point kept and the next one,
// so each can decide a point as soon as its successor is known: the two run
// as stages of one walk over the track, the straight-run stage taking what
// the cluster stage keeps, and the kept records are moved down once at the
// end. A track of a million points costs a million steps, not a move of
// every later record per removal.
#include "tracks/tracks.h"

#include "gps/geodesy.h"
#include "tracks/tracks_internal.h"

#include <cmath>
#include <cstddef>
#include <vector>

namespace {

// Bearings between the three must be absolute, not relative to a recorded
// course: the courses of all three become 0.
void ClearCourses(GPS_CURRENT& a, GPS_CURRENT& b, GPS_CURRENT& c)
{
    a.course = 0.0;
    b.course = 0.0;
    c.course = 0.0;
}

bool InCluster(const GPS_CURRENT& a, const GPS_CURRENT& b, const GPS_CURRENT& c, float thresholdKm)
{
    if (a.cellId != b.cellId || b.cellId != c.cellId)
        return false;
    return double(thresholdKm) >= KmBetween(a, b) + KmBetween(b, c) + KmBetween(a, c);
}

// No fold across north: bearings of 0.01 and 6.27 differ by 6.26, so a
// run due north that straddles 0 keeps its points.
bool OnStraightRun(const GPS_CURRENT& a, const GPS_CURRENT& b, const GPS_CURRENT& c, float thresholdRadians)
{
    const float b1 = a.BearingTo(&b);
    const float b2 = b.BearingTo(&c);
    const float b3 = a.BearingTo(&c);
    return !(std::fabs(b2 - b1) > thresholdRadians) && !(std::fabs(b3 - b2) > thresholdRadians) &&
           !(std::fabs(b3 - b1) > thresholdRadians);
}

constexpr size_t kNone = static_cast<size_t>(-1);

// One thinning rule over the points offered in track order. A point waits
// until its successor is offered and is then judged between the last kept
// point and that successor: removed, the successor is judged next against
// the same kept point. The first and the last point always stay.
template <class Removable>
class Thinning {
public:
    Thinning(std::vector<GPS_CURRENT>& points, Removable removable) : points_(points), removable_(removable) {}

    // Offers point i; returns the point now known to stay, or kNone.
    size_t Offer(size_t i)
    {
        if (kept_ == kNone) {
            kept_ = i;
            return i;
        }
        if (waiting_ == kNone) {
            waiting_ = i;
            return kNone;
        }
        ClearCourses(points_[kept_], points_[waiting_], points_[i]);
        size_t stays = kNone;
        if (!removable_(points_[kept_], points_[waiting_], points_[i]))
            stays = kept_ = waiting_;
        waiting_ = i;
        return stays;
    }
    // After the last offer: the last point, or kNone.
    size_t Finish() const { return waiting_; }

private:
    std::vector<GPS_CURRENT>& points_;
    Removable removable_;
    size_t kept_ = kNone;
    size_t waiting_ = kNone;
};

}  // namespace

void NormalizeTrack(TRACK* track)
{
    if (!track || track->points.size() < 3)
        return;
    std::vector<GPS_CURRENT>& points = track->points;
    const float clusterKm = float(NormalizationMetres) / 1000.0f;
    const float straight = float(RecordAngleFilter) * kDegToRad;
    Thinning clusters(points, [clusterKm](const GPS_CURRENT& a, const GPS_CURRENT& b, const GPS_CURRENT& c) {
        return InCluster(a, b, c, clusterKm);
    });
    Thinning runs(points, [straight](const GPS_CURRENT& a, const GPS_CURRENT& b, const GPS_CURRENT& c) {
        return OnStraightRun(a, b, c, straight);
    });

    // Kept points in track order: each index is at or after its new place,
    // so moving them down in order overwrites only records already moved or
    // removed.
    size_t count = 0;
    auto keep = [&](size_t i) {
        if (i == kNone)
            return;
        if (i != count)
            points[count] = points[i];
        ++count;
    };
    auto offerToRuns = [&](size_t i) {
        if (i != kNone)
            keep(runs.Offer(i));
    };
    for (size_t i = 0; i < points.size(); ++i)
        offerToRuns(clusters.Offer(i));
    offerToRuns(clusters.Finish());
    keep(runs.Finish());
    points.resize(count);
}
