// Great-circle distances, destination points, vertex angles and bearings.
#include "gps/geodesy.h"

#include "gps/gps_record.h"
#include "kit/display.h"

#include <algorithm>
#include <atomic>
#include <cmath>

namespace {

constexpr float kPiF = 3.1415927f;
constexpr float kTwoPiF = 6.2831855f;

// Rounding can carry a sine or cosine a hair past +-1 (antipodal points,
// straight vertices); the inverse functions would then return NaN.
double ClampUnit(double v)
{
    if (std::isnan(v))
        return 0.0;
    return std::clamp(v, -1.0, 1.0);
}

}  // namespace

double CalcDistanceKm(float x1, float y1, float x2, float y2)
{
    const float lat1 = y1 * kDegToRad;
    const float lat2 = y2 * kDegToRad;
    const float dlat = y2 * kDegToRad - y1 * kDegToRad;
    const float dlon = x2 * kDegToRad - x1 * kDegToRad;
    const float sinHalfLon = std::sin(dlon / 2.0f);
    const float sinHalfLat = std::sin(dlat / 2.0f);
    const float a = std::cos(lat1) * std::cos(lat2) * sinHalfLon * sinHalfLon
                    + sinHalfLat * sinHalfLat;
    // a is a squared half-chord in [0, 1]; single precision can overshoot.
    const double ad = std::clamp(static_cast<double>(a), 0.0, 1.0);
    return 2.0 * kEarthRadiusKm * std::atan2(std::sqrt(ad), std::sqrt(1.0 - ad));
}

double KmToDistanceUnit(double km, int unit)
{
    switch (unit) {
    case 1: return km / kKmPerStatuteMile;
    case 2: return km / kKnotsToKmh;
    default: return km;
    }
}

double CalcDistanceInUnit(float x1, float y1, float x2, float y2, int unit)
{
    if (unit == -1)
        unit = std::atomic_ref<int>(DistanceUnit).load(std::memory_order_relaxed);
    if (unit < 0 || unit > 2)
        return 0.0;
    return KmToDistanceUnit(CalcDistanceKm(x1, y1, x2, y2), unit);
}

GeoPointF CalcDestinationPoint(GeoPointF start, float bearing, float km)
{
    const double d = km / kEarthRadiusKm;
    const float lat1 = start.y * kDegToRad;
    const float lon1 = start.x * kDegToRad;
    const float theta = bearing * kDegToRad;
    const float lat2 = static_cast<float>(std::asin(ClampUnit(
        std::sin(lat1) * std::cos(d) + std::cos(lat1) * std::sin(d) * std::cos(theta))));
    const float lon2 = static_cast<float>(
        lon1 + std::atan2(std::sin(theta) * std::sin(d) * std::cos(lat1),
                          std::cos(d) - std::sin(lat1) * std::sin(lat2)));
    return {lon2 / kDegToRad, lat2 / kDegToRad};
}

double OffsetEastWest(double x, double y, double km)
{
    const GeoPointF start{static_cast<float>(x), static_cast<float>(y)};
    const float bearing = km > 0 ? 90.0f : 270.0f;
    return CalcDestinationPoint(start, bearing, static_cast<float>(std::fabs(km))).x;
}

double OffsetNorthSouth(double x, double y, double km)
{
    const GeoPointF start{static_cast<float>(x), static_cast<float>(y)};
    const float bearing = km > 0 ? 180.0f : 0.0f;
    return CalcDestinationPoint(start, bearing, static_cast<float>(std::fabs(km))).y;
}

double CalcVertexAngle(GeoPointF a, GeoPointF b, GeoPointF c)
{
    // The squared sides are formed in double from the single-precision
    // points: in single precision the law of cosines loses half its digits
    // near 0 and pi, and three points on a line would span an area.
    const double abx = static_cast<double>(b.x) - a.x, aby = static_cast<double>(b.y) - a.y;
    const double bcx = static_cast<double>(c.x) - b.x, bcy = static_cast<double>(c.y) - b.y;
    const double acx = static_cast<double>(c.x) - a.x, acy = static_cast<double>(c.y) - a.y;
    const double p2 = abx * abx + aby * aby;
    const double q2 = bcx * bcx + bcy * bcy;
    const double r2 = acx * acx + acy * acy;
    // With b on a or c the angle has no meaning; the measuring tool adds
    // such points freely, so give 0 rather than NaN.
    if (p2 == 0.0 || q2 == 0.0)
        return 0.0;
    return std::acos(ClampUnit((q2 + p2 - r2) / (2.0 * std::sqrt(p2 * q2))));
}

double KmBetween(const GPS_CURRENT& a, const GPS_CURRENT& b)
{
    return CalcDistanceKm(float(a.pos.x), float(a.pos.y), float(b.pos.x), float(b.pos.y));
}

uint32_t CalcTimeToGo(const GPS_CURRENT* gps, double km)
{
    const double speed = gps ? gps->ms : 0.0;
    if (!(speed > 0.0))
        return 0xFFFFFFFFu;
    const double seconds = km * 1000.0 / speed;
    if (!(seconds >= 0.0))
        return 0;
    if (seconds >= 4294967295.0)
        return 0xFFFFFFFFu;
    return static_cast<uint32_t>(seconds);
}

float GPS_CURRENT::BearingTo(const GPS_CURRENT* other) const
{
    const float dx = static_cast<float>(other->pos.x) - static_cast<float>(pos.x);
    const float dy = static_cast<float>(other->pos.y) - static_cast<float>(pos.y);
    if (dx == 0.0f && dy == 0.0f)
        return 0.0f;
    const float t = dy == 0.0f ? kPiF / 2.0f : std::atan(std::fabs(dx) / std::fabs(dy));
    float angle;
    if (dx >= 0.0f)
        angle = dy >= 0.0f ? t : kPiF - t;
    else
        angle = dy < 0.0f ? kPiF + t : kTwoPiF - t;
    angle -= static_cast<float>(course) * kDegToRad;
    if (angle < 0.0f)
        angle += kTwoPiF;
    else if (angle >= kTwoPiF)
        angle -= kTwoPiF;
    // A course far outside 0..360 (a garbled sentence) needs more than the
    // one step above.
    if (!(angle >= 0.0f && angle < kTwoPiF)) {
        angle = std::fmod(angle, kTwoPiF);
        if (angle < 0.0f)
            angle += kTwoPiF;
        if (!(angle >= 0.0f && angle < kTwoPiF))
            angle = 0.0f;
    }
    return angle;
}

void SetSpeedFromKnots(GPS_CURRENT* record, float knots)
{
    const float kmh = knots * kKnotsToKmh;
    record->knots = knots;
    record->ms = knots * kKnotsToMs;
    record->kmh = kmh;
    record->mph = kmh / kKmPerStatuteMile;
}
