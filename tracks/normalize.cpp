// Track normalisation: interior points of tight clusters and of nearly
// straight runs are taken out, so a run route warns only where the way bends.
#include "tracks/tracks.h"

#include "gps/geodesy.h"
#include "tracks/tracks_internal.h"

#include <cmath>
#include <cstddef>
#include <vector>

using tracksimpl::KmBetween;

namespace {

// Bearings between the three must be absolute, not relative to a recorded
// course: the courses of all three become 0.
void ClearCourses(std::vector<GPS_CURRENT>& points, size_t k)
{
    points[k - 1].course = 0.0;
    points[k].course = 0.0;
    points[k + 1].course = 0.0;
}

bool InCluster(const std::vector<GPS_CURRENT>& points, size_t k, float thresholdKm)
{
    const GPS_CURRENT& a = points[k - 1];
    const GPS_CURRENT& b = points[k];
    const GPS_CURRENT& c = points[k + 1];
    if (a.cellId != b.cellId || b.cellId != c.cellId)
        return false;
    return double(thresholdKm) >= KmBetween(a, b) + KmBetween(b, c) + KmBetween(a, c);
}

// No fold across north: bearings of 0.01 and 6.27 differ by 6.26, so a
// run due north that straddles 0 keeps its points.
bool OnStraightRun(const std::vector<GPS_CURRENT>& points, size_t k, float thresholdRadians)
{
    const float b1 = points[k - 1].BearingTo(&points[k]);
    const float b2 = points[k].BearingTo(&points[k + 1]);
    const float b3 = points[k - 1].BearingTo(&points[k + 1]);
    return !(std::fabs(b2 - b1) > thresholdRadians) && !(std::fabs(b3 - b2) > thresholdRadians) &&
           !(std::fabs(b3 - b1) > thresholdRadians);
}

// One pass over the interior points. An erased point is not stepped past:
// the one that moves into its place is examined against the same
// predecessor. The test k + 1 < size keeps every count, even 0, in range.
template <class Removable>
void ThinInterior(std::vector<GPS_CURRENT>& points, Removable removable)
{
    size_t k = 1;
    while (k + 1 < points.size()) {
        ClearCourses(points, k);
        if (removable(points, k))
            points.erase(points.begin() + std::ptrdiff_t(k));
        else
            ++k;
    }
}

}  // namespace

void NormalizeTrack(TRACK* track)
{
    if (!track || track->points.size() < 3)
        return;
    const float clusterKm = float(NormalizationMetres) / 1000.0f;
    ThinInterior(track->points,
                 [clusterKm](const std::vector<GPS_CURRENT>& p, size_t k) { return InCluster(p, k, clusterKm); });
    const float straight = float(RecordAngleFilter) * kDegToRad;
    ThinInterior(track->points,
                 [straight](const std::vector<GPS_CURRENT>& p, size_t k) { return OnStraightRun(p, k, straight); });
}
