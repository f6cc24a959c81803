// Route following: the reader thread's step along the route with its
// speed-limit and arrival sounds, and the UI thread's search for the next
// turn that arms the turn warning of timer 4.
//
// Both sides hold LiveRecordGuard while they read the route, its position
// and the options, so neither sees a position beyond the route: the
// commands replace the route only under the same lock.
#include "gps/live_track.h"

#include "gps/geodesy.h"
#include "gps/gps.h"
#include "kit/display.h"
#include "kit/outside.h"
#include "kit/screen_state.h"
#include "kit/settings.h"
#include "resources/resource.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

ROUTE_OPTIONS RouteOptions{15, 10, 3, 45, 300, 10};
std::atomic<bool> TurnArmed{false};

namespace {

constexpr wchar_t kSpeedMarkSound[] = L"SPD";
constexpr wchar_t kArrivalSound[] = L"OK";

constexpr uint32_t kDefaultReachedMetres = 15;
constexpr uint32_t kDefaultReachedSeconds = 10;
constexpr uint32_t kDefaultTurnAngle = 30;
constexpr int32_t kMinTurnWarnUnits = 10;
constexpr uint32_t kDefaultTurnWarnUnits = 300;
constexpr int32_t kMaxTurnWarnSeconds = 1000;
constexpr uint32_t kDefaultTurnWarnSeconds = 10;

// The look-ahead "muw" is in the distance unit's small unit: metres, inches
// of a statute mile, feet of a nautical mile.
constexpr double kMetresPerKm = 1000.0;
constexpr double kInchesPerStatuteMile = 63360.0;
constexpr double kFeetPerNauticalMile = 6076.0;
// A course beyond this is a garbled value and counts as north.
constexpr float kCourseLimit = 100000.0f;
constexpr float kPi = 3.14159265f;

// Only a known time counts: standing still anywhere on the last leg must
// not end the route (the distance test alone arrives while standing).
bool WithinSeconds(const GPS_CURRENT& live, double km, uint32_t limit)
{
    return !std::isnan(km) && CalcTimeToGo(&live, km) <= limit;
}

bool WithinMetres(double km, uint32_t limit)
{
    return km * kMetresPerKm <= double(limit);
}

int32_t SaturatedAdd(int32_t counter, double kmh)
{
    const double sum = double(counter) + std::trunc(kmh);
    if (!(sum < double(std::numeric_limits<int32_t>::max())))
        return std::numeric_limits<int32_t>::max();
    return int32_t(sum);
}

struct STEP_EFFECTS {
    bool speedMark;
    bool arrived;
};

// Moves on past the current point. When the point after the new one is
// already nearer than the one just passed was, the fix has skipped ahead
// (a recalculation, or a short cut): the nearest point of the whole route
// is taken instead, searched from the new position outwards.
void Advance(const GPS_CURRENT& live, const std::vector<GPS_CURRENT>& route, double nextKm)
{
    RouteProgress.currentKm = 0.0;
    RouteProgress.nextKm = 0.0;
    RouteProgress.advanceCounter = 0;
    RouteProgress.recalculate = false;
    ++RoutePosition;
    if (RoutePosition + 1 >= route.size())
        return;
    if (KmBetween(live, route[RoutePosition + 1]) > nextKm)
        return;
    RoutePosition = NearestRoutePointFrom(route, RouteIndex, live, RoutePosition);
}

// One step with the lock held; what it asks to be heard comes back.
STEP_EFFECTS StepRoute(const GPS_CURRENT& live)
{
    STEP_EFFECTS fx{};
    const std::vector<GPS_CURRENT>& route = ActiveTrack.points;
    if (RoutePosition >= route.size())
        return fx;   // an empty route
    const GPS_CURRENT& point = route[RoutePosition];
    const ROUTE_OPTIONS& options = RouteOptions;

    // Two points in a row with the same mark sound once.
    const int32_t mark = int32_t(std::min<uint32_t>(point.mark, uint32_t(std::numeric_limits<int32_t>::max())));
    if (mark != 0 && mark != HighSpeedLimit.load() && SpeedLimitWarning.load()) {
        HighSpeedLimit.store(mark);
        fx.speedMark = true;
    }

    if (RoutePosition + 1 == route.size()) {
        const double km = KmBetween(live, point);
        if (WithinMetres(km, options.reachedMetres) || WithinSeconds(live, km, options.reachedSeconds)) {
            RecorderState.store(kRecorderIdle);
            fx.arrived = true;
        }
        return fx;
    }
    // Standing still never advances (a speed that is no number neither).
    if (!(live.kmh > 0.0))
        return fx;

    const double current = KmBetween(live, point);
    const double next = KmBetween(live, route[RoutePosition + 1]);
    ROUTE_PROGRESS& progress = RouteProgress;
    if (progress.recalculate || next <= current || WithinMetres(current, options.reachedMetres) ||
        WithinSeconds(live, current, options.reachedSeconds)) {
        Advance(live, route, next);
        return fx;
    }
    if (progress.currentKm == 0.0 || progress.nextKm == 0.0) {
        progress.currentKm = current;
        progress.nextKm = next;
        progress.advanceCounter = 0;
        return fx;
    }
    // Leaving the current point towards the next one while it is still the
    // nearer: the point was passed aside. The speed is summed, so a fast
    // pass moves on sooner than a slow one.
    if (current > progress.currentKm && next < progress.nextKm) {
        progress.advanceCounter = SaturatedAdd(progress.advanceCounter, live.kmh);
        if (int64_t(progress.advanceCounter) > int64_t(options.recalculateSeconds))
            Advance(live, route, next);
        return fx;
    }
    progress.currentKm = 0.0;
    progress.nextKm = 0.0;
    progress.advanceCounter = 0;
    return fx;
}

// The look-ahead of the turn search in the distance unit.
double LookAheadInUnit(uint32_t units)
{
    switch (DistanceUnit) {
    case 0: return units / kMetresPerKm;
    case 1: return units / kInchesPerStatuteMile;
    case 2: return units / kFeetPerNauticalMile;
    default: return units;
    }
}

void RaiseTurnWarning()
{
    if (TurnArmed.exchange(true))
        return;
    // Timer 4's handler sounds "TURN" at once instead of up to a period later.
    if (MainWindow)
        PostMessageW(MainWindow, WM_TIMER, TIMER_ROUTE, 0);
}

}  // namespace

ROUTE_OPTIONS CurrentRouteOptions()
{
    // Stored values are read back as unsigned; what an older version wrote
    // negative is negative here too.
    auto signedValue = [](unsigned v) { return int32_t(v); };
    ROUTE_OPTIONS o{};
    o.reachedMetres = signedValue(WaypointReachedMetres) <= 0 ? kDefaultReachedMetres : WaypointReachedMetres;
    o.reachedSeconds = signedValue(WaypointReachedSeconds) <= 0 ? kDefaultReachedSeconds : WaypointReachedSeconds;
    o.recalculateSeconds = RecalculateSeconds;
    o.turnAngle = signedValue(TurnAngle) <= 0 ? kDefaultTurnAngle : TurnAngle;
    o.turnWarnUnits = signedValue(TurnWarnDistance) < kMinTurnWarnUnits ? kDefaultTurnWarnUnits : TurnWarnDistance;
    const int32_t seconds = signedValue(TurnWarnSeconds);
    o.turnWarnSeconds = seconds <= 0 || seconds >= kMaxTurnWarnSeconds ? kDefaultTurnWarnSeconds : TurnWarnSeconds;
    return o;
}

void FollowRoute(GpsPort* port)
{
    if (!port)
        return;
    STEP_EFFECTS fx{};
    {
        LiveRecordGuard live(port);
        if (live->fix != 1 || RecorderState.load() != kRecorderFollowing)
            return;
        fx = StepRoute(*live);
    }
    if (fx.speedMark)
        OutsideSeams.playSound(kSpeedMarkSound);
    if (!fx.arrived)
        return;
    // Timers belong to the UI thread: the window stops timer 4 itself.
    if (HWND window = port->Window())
        PostMessageW(window, WM_ROUTEARRIVED, 0, 0);
    OutsideSeams.playSound(kArrivalSound);
}

bool FindNextTurn(const GPS_CURRENT* live, double* angle, double* distance)
{
    LiveRecordGuard hold(&GpsDevice);
    RouteOptions = CurrentRouteOptions();
    const ROUTE_OPTIONS& options = RouteOptions;
    const std::vector<GPS_CURRENT>& route = ActiveTrack.points;
    const size_t start = RoutePosition;
    float firstAngle = 0.0f;
    if (live && RecorderState.load() == kRecorderFollowing && start < route.size()) {
        const double lookAhead = LookAheadInUnit(options.turnWarnUnits);
        const float turn = float(options.turnAngle) * kDegToRad;
        float course = float(live->course);
        if (course > kCourseLimit || course < -kCourseLimit)
            course = 0.0f;
        // The reference moves on only past legs of at least "wrm" metres, so
        // a point a few metres beside the last one does not turn the leg.
        int64_t reference = int64_t(start) - 1;
        double totalKm = 0.0;
        double sum = 0.0;
        for (size_t j = start; j < route.size(); ++j) {
            GPS_CURRENT from = j == start ? *live : route[reference >= 0 ? size_t(reference) : j - 1];
            from.course = course;
            const float f = from.BearingTo(&route[j]);
            if (j == start)
                firstAngle = f;
            const double km = KmBetween(from, route[j]);
            const double leg = KmToDistanceUnit(km, DistanceUnit);
            totalKm += km;
            sum += leg;
            if (double(options.reachedMetres) <= km * kMetresPerKm)
                ++reference;
            if (sum - leg > lookAhead && CalcTimeToGo(live, totalKm) > options.turnWarnSeconds)
                break;
            float u = std::fabs(f);
            if (u > kPi)
                u = 2.0f * kPi - u;
            if (u > turn) {
                RaiseTurnWarning();
                if (angle)
                    *angle = f;
                if (distance)
                    *distance = sum - leg;
                return true;
            }
        }
    }
    TurnArmed.store(false);
    if (angle)
        *angle = firstAngle;
    if (distance)
        *distance = 0.0;
    return false;
}

void OnRouteArrived(HWND window)
{
    // A route started since the arrival keeps its timer.
    if (window && RecorderState.load() != kRecorderFollowing)
        KillTimer(window, TIMER_ROUTE);
}
