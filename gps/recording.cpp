// The live track's state, the recorder tick with its speed and course
// filters, and the trip distance: what the reader thread runs after each
// batch of receiver input.
#include "gps/live_track.h"

#include "gps/geodesy.h"
#include "gps/gps.h"
#include "kit/settings.h"
#include "platform/handheld/cell_tower.h"

#include <cmath>
#include <vector>

std::atomic<int32_t> RecorderState{kRecorderIdle};
TRACK ActiveTrack{};
uint32_t RoutePosition = 0;
ROUTE_PROGRESS RouteProgress{};
std::vector<GPS_POSITION> DrawnPath;
std::atomic<int32_t> LowSpeedLimit{0};
std::atomic<int32_t> HighSpeedLimit{0};
double TrackDistance = 0.0;
uint64_t TrackTimeSeconds = 0;
double TotalDistance = 0.0;

namespace {

// Last course while no point of the recording is stored yet.
constexpr float kNoCourse = -1.0f;

// The recorder's memory between ticks. Under LiveRecordGuard.
float LastCourse = kNoCourse;       // course of the last stored point
uint32_t RememberedCellId = 0;      // cell id at the last stored point

// Fixes farther out than this are garbage and are not counted in the trip.
constexpr double kMaxLongitude = 360.0;
constexpr double kMaxLatitude = 90.0;

// The last point the trip distance counted from. Under the live record's lock.
struct ODOMETER {
    bool started;
    double x, y;
    double course;
};
ODOMETER Odometer = {};

// The course change from a to b in degrees, 0 to 180: the short way round,
// so a course that wobbles across north (359, then 1) has turned by 2.
double CourseChange(double a, double b)
{
    double d = std::fmod(std::fabs(b - a), 360.0);
    return d > 180.0 ? 360.0 - d : d;
}

bool FiniteFix(const GPS_CURRENT& fix)
{
    return std::isfinite(fix.pos.x) && std::isfinite(fix.pos.y) && std::isfinite(fix.pos.z);
}

// Whether the fix passes the speed and course filters. The first point of a
// recording, and with "rci" the first after a cell change, always passes.
bool PassesFilters(const GPS_CURRENT& fix, uint32_t mark, uint32_t cellId)
{
    if (LastCourse == kNoCourse || (RecordCellIds.load() && cellId != RememberedCellId))
        return true;
    // A speed-limit mark is kept whatever the course did.
    if (mark != 0)
        return double(ActiveTrack.speedThreshold) <= fix.kmh;
    return PassesLegFilters(fix, LastCourse, ActiveTrack.speedThreshold, ActiveTrack.angleThreshold);
}

void KeepPoint(GPS_CURRENT* fix, uint32_t mark, uint32_t cellId)
{
    // In km: the unit shown may change during the recording, the sum must
    // not mix units.
    if (!ActiveTrack.points.empty())
        TrackDistance += KmBetween(ActiveTrack.points.back(), *fix);
    fix->mark = mark;
    fix->cellId = cellId;
    ActiveTrack.points.push_back(*fix);
    if (DrawRecordedPath.load()) {
        GPS_POSITION drawn = fix->pos;
        drawn.cellId = cellId;   // the painter colours the path by cell
        DrawnPath.push_back(drawn);
    }
    LastCourse = float(fix->course);
    RememberedCellId = cellId;
}

}  // namespace

bool PassesLegFilters(const GPS_CURRENT& fix, double lastCourse, double speedThreshold,
                      double angleThreshold)
{
    // A speed equal to the threshold passes.
    if (speedThreshold > fix.kmh)
        return false;
    // Compared with the last kept course, not the previous fix: a slow curve
    // is kept once it has turned by more than the threshold.
    return CourseChange(lastCourse, fix.course) > angleThreshold;
}

void StartRecording()
{
    LiveRecordGuard hold(&GpsDevice);
    if (RecorderState.load() != kRecorderIdle)
        return;
    TrackTimeSeconds = 0;
    TrackDistance = 0.0;
    ActiveTrack.angleThreshold = float(RecordAngleFilter);
    ActiveTrack.speedThreshold = float(RecordSpeedFilter);
    if (DrawRecordedPath.load())
        DrawnPath.clear();
    ActiveTrack.points.clear();
    RouteProgress = ROUTE_PROGRESS{};
    RouteProgress.recalculate = true;
    LastCourse = kNoCourse;
    RecorderState.store(kRecorderRecording);
}

void RunRecorderTick(GpsPort* port, uint32_t mark)
{
    if (!port)
        return;
    const uint32_t cellId = GetCurrentCellId();
    bool follow = false;
    {
        LiveRecordGuard live(port);
        if (live->fix != 1)
            return;
        const int32_t state = RecorderState.load();
        follow = state == kRecorderFollowing;
        if (state == kRecorderRecording && FiniteFix(*live) && PassesFilters(*live, mark, cellId))
            KeepPoint(live.get(), mark, cellId);
    }
    // Route following plays sounds and talks to the main window: never
    // with the lock held.
    if (follow)
        FollowRoute(port);
}

void CountTravelledDistance(GpsPort* port)
{
    if (!port)
        return;
    // The filters are the recorder's settings, which the options dialog may
    // change meanwhile: one whole read of each.
    const double speed = std::atomic_ref<unsigned>(RecordSpeedFilter).load(std::memory_order_relaxed);
    const double angle = std::atomic_ref<unsigned>(RecordAngleFilter).load(std::memory_order_relaxed);
    LiveRecordGuard live(port);
    const GPS_CURRENT& fix = *live;
    if (fix.fix != 1 || !(std::fabs(fix.pos.x) <= kMaxLongitude) || !(std::fabs(fix.pos.y) <= kMaxLatitude))
        return;
    if (Odometer.started && !PassesLegFilters(fix, Odometer.course, speed, angle))
        return;
    if (Odometer.started)
        TotalDistance += CalcDistanceKm(static_cast<float>(Odometer.x), static_cast<float>(Odometer.y),
                                        static_cast<float>(fix.pos.x), static_cast<float>(fix.pos.y));
    Odometer = {true, fix.pos.x, fix.pos.y, fix.course};
}

void ResetTravelledDistance()
{
    LiveRecordGuard live(&GpsDevice);
    Odometer = ODOMETER{};
    TotalDistance = 0.0;
}

void RunBatchTick(GpsPort* port, uint32_t mark)
{
    // The trip distance counts each batch's fix before the recorder sees it.
    CountTravelledDistance(port);
    RunRecorderTick(port, mark);
}
