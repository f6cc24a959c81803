// The panes' texts, the GPS data screen's repaint mask and its layout: the
// plain rules behind the painters, kept apart from any device context.
#include "panes/panes.h"

#include "gps/geodesy.h"
#include "gps/live_track.h"
#include "kit/display.h"
#include "panes/pane_draw.h"
#include "xml/utf8text.h"

#include <climits>
#include <cmath>
#include <cstring>
#include <cwchar>

using panes_detail::FormatText;

namespace {

// Whole numbers of the texts truncate; values out of the unsigned range
// (a corrupt position, a speed near 0) saturate instead of wrapping.
unsigned TruncateUnsigned(double value)
{
    if (!(value > 0.0))
        return 0;
    if (value >= static_cast<double>(UINT_MAX))
        return UINT_MAX;
    return static_cast<unsigned>(value);
}

// How each distance unit writes a distance: small values in the small
// unit as a whole number, the rest with two decimals.
struct DistanceForm {
    double threshold;     // below it the small unit is used
    double smallFactor;   // small units per unit
    const wchar_t* small;
    const wchar_t* large;
};
constexpr DistanceForm kDistanceForms[3] = {
    {1.0, 1000.0, L"%um", L"%.2fKm"},    // km, metres
    {0.5, 63360.0, L"%ui", L"%.2fmi"},   // statute miles, inches
    {0.5, 6076.0, L"%uf", L"%.2fNmi"},   // nautical miles, feet
};

const DistanceForm& FormOf(int unit)
{
    return kDistanceForms[unit >= 0 && unit < 3 ? unit : 0];
}

// Appends text to what buffer already holds, cut to fit.
void Append(wchar_t* buffer, size_t size, const wchar_t* text)
{
    const size_t used = std::wcslen(buffer);
    if (used + 1 >= size)
        return;
    FormatText(buffer + used, size - used, L"%ls", text);
}

// The altitude in the distance unit's small measure.
void FormatAltitude(wchar_t* buffer, size_t size, double metres, int unit)
{
    switch (unit) {
    case 1: FormatText(buffer, size, L"%.2fi", metres * 39.37); return;
    case 2: FormatText(buffer, size, L"%.2ff", metres * 3.28); return;
    default: FormatText(buffer, size, L"%.2fm", metres); return;
    }
}

void FormatCoordinate(wchar_t* buffer, size_t size, const wchar_t* label, double value, int axis,
                      int mode)
{
    if (mode == 1) {
        FormatText(buffer, size, L"%ls: %.7f", label, value);
        return;
    }
    wchar_t dms[kCoordinateTextSize];
    FormatCoordinateDms(value, dms, kCoordinateTextSize, axis, nullptr, nullptr, nullptr,
                        nullptr, nullptr);
    FormatText(buffer, size, L"%ls: %ls", label, dms);
}

}  // namespace

// ---------------------------------------------------------------------------
// Repaint mask.

int32_t PositionChangeMask(const GPS_CURRENT& live, const GPS_CURRENT& last)
{
    // A coordinate of exactly 0 is what an empty field leaves behind, not a
    // place worth repainting for.
    int32_t mask = 0;
    if (live.pos.x != last.pos.x && live.pos.x != 0.0)
        mask |= kRepaintX;
    if (live.pos.y != last.pos.y && live.pos.y != 0.0)
        mask |= kRepaintY;
    if (live.pos.z != last.pos.z && live.pos.z != 0.0)
        mask |= kRepaintZ;
    if (live.knots != last.knots && live.fix == 1)
        mask |= kRepaintSpeed;
    if (live.course != last.course && live.fix == 1)
        mask |= kRepaintCourse;
    if (live.satsUsed != last.satsUsed || live.pdop != last.pdop)
        mask |= kRepaintSatellites;
    if (live.utc.wSecond != last.utc.wSecond)
        mask |= kRepaintTime;
    if (live.nearestWaypoint != last.nearestWaypoint ||
        live.nearestWaypointKm != last.nearestWaypointKm)
        mask |= kRepaintWaypoint;
    return mask;
}

int32_t PositionRepaintMask(const GPS_CURRENT& live, const GPS_CURRENT& last,
                            bool repaintAllPending)
{
    // A fix newly gained repaints everything; losing it does not.
    if (repaintAllPending || (live.fix == 1 && last.fix == 0))
        return kRepaintAll;
    return PositionChangeMask(live, last);
}

// ---------------------------------------------------------------------------
// Layout.

POSITION_LAYOUT LayoutPositionScreen(int width, int height, int l, int h14)
{
    const int W = width;
    const int H = height;
    const int half = W / 2;
    POSITION_LAYOUT p{};
    p.x = {2, 2, half + 20, l + 3};
    p.satellites = {half + 30, 2, W, l + 3};
    p.y = {2, l + 3, half + 20, 2 * l + 4};
    p.course = {half + 30, l + 3, W, 2 * l + 4};
    p.z = {2, 2 * l + 4, half + 20, 3 * l + 5};
    p.time = {half + 30, 2 * l + 4, W, 3 * l + 5};
    p.coordinates = {2, 2, half + 20, 3 * l + 5};
    p.separatorY = 3 * l + 7;
    p.speed = {5, 3 * l + 8, W, 3 * l + 10 + h14};
    p.waypoint = {2, H - 18, W, H - 1};
    p.routeCounter = {half + 50, H - 20, W, H};
    return p;
}

ROSE_LAYOUT LayoutPositionRose(int width, int height, int speedBottom, const RECT& speedValue,
                               int32_t recorderState, bool routeOnTrack)
{
    const int W = width;
    const int H = height;
    ROSE_LAYOUT r{};
    const int k = recorderState == kRecorderFollowing ? 2 : 3;
    const int byHeight = H - 20 - speedBottom;
    const int byWidth = W - W / k - CompassZ - 10;
    const int s = byHeight < byWidth ? byHeight : byWidth;
    const int m = (W - s) / 2;
    r.rose = {m + CompassX, H - 20 - s + CompassY, W - m + CompassX, H - 20 + CompassY};

    if (recorderState != kRecorderFollowing || !routeOnTrack)
        return r;
    r.following = true;
    r.rose = {W - 92, H - 110, W - 2, H - 20};
    r.turnCircle = {2, H - 110, 92, H - 20};
    // On a short window the circle would cover the speed digits: it goes
    // left of the rose instead.
    if (H - 110 < speedValue.bottom)
        r.turnCircle = {W - 184, H - 110, W - 94, H - 20};
    return r;
}

// ---------------------------------------------------------------------------
// Texts.

void FormatPositionBox(wchar_t* buffer, size_t size, PositionBox box, const GPS_CURRENT& gps,
                       int coordinateMode, int distanceUnit)
{
    switch (box) {
    case PositionBox::X:
        FormatCoordinate(buffer, size, L"X", gps.pos.x, 0, coordinateMode);
        return;
    case PositionBox::Y:
        FormatCoordinate(buffer, size, L"Y", gps.pos.y, 1, coordinateMode);
        return;
    case PositionBox::Satellites:
        FormatText(buffer, size, L"Sat: %u (%.2f)", static_cast<unsigned>(gps.satsUsed),
                   static_cast<double>(gps.pdop));
        return;
    case PositionBox::Course:
        FormatText(buffer, size, L"Crs: %.2f", gps.course);
        return;
    case PositionBox::Z: {
        wchar_t altitude[64];
        FormatAltitude(altitude, 64, gps.pos.z, distanceUnit);
        FormatText(buffer, size, L"Z: %ls", altitude);
        return;
    }
    case PositionBox::Time:
        FormatText(buffer, size, L"%02u:%02u:%02u", unsigned{gps.local.wHour},
                   unsigned{gps.local.wMinute}, unsigned{gps.local.wSecond});
        return;
    }
    FormatText(buffer, size, L"");
}

bool FormatNearestWaypoint(wchar_t* buffer, size_t size, const GPS_CURRENT& gps,
                           const std::vector<WAYPOINT>& waypoints)
{
    FormatText(buffer, size, L"");
    // The index is 1-based and the vector may have been rebuilt smaller
    // since the index was taken.
    const int32_t n = gps.nearestWaypoint;
    if (n < 1 || static_cast<size_t>(n - 1) >= waypoints.size())
        return false;
    const WAYPOINT& w = waypoints[static_cast<size_t>(n - 1)];
    // The name comes from the settings file: never read past its 100 bytes.
    const std::wstring name = Utf8ToWide({w.name, strnlen(w.name, sizeof w.name)});
    FormatText(buffer, size, L"%.2f Km %ls", gps.nearestWaypointKm, name.c_str());
    return true;
}

double SpeedInUnit(const GPS_CURRENT& gps, int unit)
{
    switch (unit) {
    case 1: return gps.knots;
    case 2: return gps.ms;
    case 3: return gps.mph;
    default: return gps.kmh;
    }
}

const wchar_t* SpeedUnitLabel(int unit)
{
    static constexpr const wchar_t* kLabels[4] = {L"Km/H", L"Knots", L"m/s", L"MpH"};
    return kLabels[unit >= 0 && unit < 4 ? unit : 0];
}

void FormatSpeedValue(wchar_t* buffer, size_t size, double speed)
{
    if (speed >= 100.0)
        FormatText(buffer, size, L"%.1f", speed);
    else if (speed >= 10.0)
        FormatText(buffer, size, L"%.2f", speed);
    else
        FormatText(buffer, size, L"%.3f", speed);
}

bool SpeedOutsideLimits(double kmh, int32_t low, int32_t high)
{
    return (low != 0 && kmh < low) || (high != 0 && kmh > high);
}

void FormatDistance(wchar_t* buffer, size_t size, double distance, int unit,
                    const wchar_t* secondLine)
{
    const DistanceForm& f = FormOf(unit);
    if (distance < f.threshold)
        FormatText(buffer, size, f.small, TruncateUnsigned(distance * f.smallFactor));
    else
        FormatText(buffer, size, f.large, distance);
    if (!secondLine)
        return;
    Append(buffer, size, L"\r\n");
    Append(buffer, size, secondLine);
}

void FormatTimeToGo(wchar_t* buffer, size_t size, double km, double ms)
{
    if (ms == 0.0) {
        FormatText(buffer, size, L"");
        return;
    }
    const unsigned s = TruncateUnsigned(km * 1000.0 / ms);
    FormatText(buffer, size, L"%02u:%02u:%02u", s / 3600, s % 3600 / 60, s % 60);
}

bool MeasureRoute(const GPS_CURRENT& live, const TRACK& route, uint32_t index, int unit,
                  ROUTE_DISTANCES* out)
{
    const std::vector<GPS_CURRENT>& points = route.points;
    if (index >= points.size())
        return false;
    const GPS_CURRENT& target = points[index];
    ROUTE_DISTANCES d{};
    d.nextKm = CalcDistanceKm(static_cast<float>(live.pos.x), static_cast<float>(live.pos.y),
                              static_cast<float>(target.pos.x), static_cast<float>(target.pos.y));
    d.next = KmToDistanceUnit(d.nextKm, unit);
    d.endKm = d.nextKm;
    d.end = d.next;
    // k + 1 < size rather than k <= size - 2: the count is unsigned.
    for (size_t k = index; k + 1 < points.size(); ++k) {
        const GPS_CURRENT& a = points[k];
        const GPS_CURRENT& b = points[k + 1];
        const double leg = CalcDistanceKm(static_cast<float>(a.pos.x), static_cast<float>(a.pos.y),
                                          static_cast<float>(b.pos.x), static_cast<float>(b.pos.y));
        d.endKm += leg;
        d.end += KmToDistanceUnit(leg, unit);
    }
    *out = d;
    return true;
}

void FormatRouteInfo(wchar_t* buffer, size_t size, const ROUTE_DISTANCES& d, double ms, int unit,
                     bool showNext, bool showEnd)
{
    FormatText(buffer, size, L"");
    wchar_t time[32];
    wchar_t part[kPaneTextSize];
    if (showNext) {
        FormatTimeToGo(time, 32, d.nextKm, ms);
        FormatDistance(part, kPaneTextSize, d.next, unit, time);
        Append(buffer, size, part);
    }
    if (showEnd) {
        FormatTimeToGo(time, 32, d.endKm, ms);
        FormatDistance(part, kPaneTextSize, d.end, unit, time);
        Append(buffer, size, L"\r\n");
        Append(buffer, size, part);
    }
}

void FormatPointDetail(wchar_t* buffer, size_t size, const GPS_CURRENT& gps, int coordinateMode,
                       uint32_t cellId)
{
    if (coordinateMode == 1) {
        FormatText(buffer, size, L"X: %.7f\r\nY: %.7f\r\nZ: %.2f\r\nC: %u", gps.pos.x, gps.pos.y,
                   gps.pos.z, cellId);
        return;
    }
    wchar_t x[kCoordinateTextSize];
    wchar_t y[kCoordinateTextSize];
    FormatCoordinateDms(gps.pos.x, x, kCoordinateTextSize, 0, nullptr, nullptr, nullptr, nullptr,
                        nullptr);
    FormatCoordinateDms(gps.pos.y, y, kCoordinateTextSize, 1, nullptr, nullptr, nullptr, nullptr,
                        nullptr);
    FormatText(buffer, size, L"X: %ls\r\nY: %ls\r\nZ: %.2f\r\nC: %u", x, y, gps.pos.z, cellId);
}
