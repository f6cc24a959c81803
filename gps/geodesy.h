// gps/geodesy.h - distances, directions and units.
//
// Free functions over points given as (x = longitude, y = latitude) in
// degrees, worked in single precision on a sphere of 6371 km. They allocate
// nothing and are safe on any thread. Degenerate input (equal points,
// rounding beyond +-1) gives a defined value, never NaN.
#pragma once
#include <cstdint>

struct GPS_CURRENT;

// A point as the geodesy works with it: single precision degrees.
struct GeoPointF {
    float x;   // longitude
    float y;   // latitude
};

inline constexpr float kDegToRad = 0.017453292f;
inline constexpr double kEarthRadiusKm = 6371.0;
// Speed and distance factors, held at single precision on purpose: the
// stored speeds and the distances shown are derived with exactly these.
inline constexpr float kKnotsToMs = 0.5144444f;
inline constexpr float kKnotsToKmh = 1.852f;        // also km per nautical mile
inline constexpr float kKmPerStatuteMile = 1.609344f;

// Sets the record's knots, m/s, km/h and mph from a speed in knots, each
// derived with the factors above, the way every receiver input does it.
void SetSpeedFromKnots(GPS_CURRENT* record, float knots);

// Great-circle (haversine) distance in km. Identical points give 0.
double CalcDistanceKm(float x1, float y1, float x2, float y2);
// CalcDistanceKm between two records' positions.
double KmBetween(const GPS_CURRENT& a, const GPS_CURRENT& b);
// km in distance unit 0 (km), 1 (statute miles), 2 (nautical miles); other
// units count as km.
double KmToDistanceUnit(double km, int unit);
// The distance divided for unit 0 km, 1 statute mi, 2 nmi, -1 the current
// DistanceUnit (kit/display.h); any other unit gives 0.
double CalcDistanceInUnit(float x1, float y1, float x2, float y2, int unit);
// The point reached from start along bearing (degrees clockwise from north)
// after km. The longitude is not folded back into -180..180.
GeoPointF CalcDestinationPoint(GeoPointF start, float bearing, float km);
// New x after moving |km| east (km > 0) or west.
double OffsetEastWest(double x, double y, double km);
// New y after moving |km| south (km > 0) or north: positive km moves south,
// and callers rely on that sign.
double OffsetNorthSouth(double x, double y, double km);
// Angle at b in radians, from planar side lengths in degrees; 0 when b
// coincides with a or c.
double CalcVertexAngle(GeoPointF a, GeoPointF b, GeoPointF c);
// Whole seconds to cover km at the record's speed in m/s; 0xFFFFFFFF when
// the speed is not above 0.
uint32_t CalcTimeToGo(const GPS_CURRENT* gps, double km);
