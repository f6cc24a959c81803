// The recorder: start, the tick after every batch of receiver input with its
// speed and course filters, the stop that writes the track, and the
// recording commands.
#include "tracks/tracks.h"

#include "gps/geodesy.h"
#include "gps/gps.h"
#include "kit/display.h"
#include "maps/viewport.h"
#include "resources/resource.h"
#include "tracks/tracks_internal.h"
#include "xml/xml.h"

#include <cmath>
#include <string>
#include <vector>

namespace {

// Last course while no point of the recording is stored yet.
constexpr float kNoCourse = -1.0f;

// The recorder's memory between ticks. Under LiveRecordGuard.
float LastCourse = kNoCourse;       // course of the last stored point
uint32_t RememberedCellId = 0;      // cell id at the last stored point

// The start of a recording zooms the map until its southern edge is a walk
// across: below 5 km (and above 10 m), in at most 20 steps.
constexpr double kStartWidthMaxKm = 5.0;
constexpr double kStartWidthMinKm = 0.01;
constexpr double kStartWidthGrowingKm = 1.0;
constexpr int kStartZoomSteps = 20;

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
        TrackDistance += tracksimpl::KmBetween(ActiveTrack.points.back(), *fix);
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

void StopRouteTimer()
{
    HWND window = TrackHooks.mainWindow ? TrackHooks.mainWindow() : nullptr;
    if (window)
        KillTimer(window, TIMER_ROUTE);
}

void WriteRecording(const std::vector<GPS_CURRENT>& points)
{
    const bool opened = TrackDocument != nullptr;
    // A track list open on a category keeps it: the new track goes there.
    if (!opened && !OpenTrackDocument())
        return;
    if (!CurrentTrackElement)
        return;
    const std::string name = "Track " + std::to_string(CurrentTrackElement->GetChildCount() + 1);
    XMLElement* track = AppendTrackElement(CurrentTrackElement, name.c_str());
    track->ReserveChildren(uint32_t(points.size()));
    const unsigned fields = (RecordCellIds.load() ? kPointCellId : 0u) | (RecordSpeed ? kPointSpeed : 0u) |
                            (RecordTime ? kPointTime : 0u);
    for (const GPS_CURRENT& point : points)
        AppendTrackPoint(track, point, fields);
    FillTrackList(kTrackListSave, nullptr, nullptr);
    const int screen = TrackHooks.currentScreen ? TrackHooks.currentScreen() : 0;
    if (screen != kTrackListScreen)
        FillTrackList(nullptr, nullptr, nullptr);
}

// The map zoomed in about its centre until its southern edge measures a
// few km, so the new path shows at a useful scale.
void ZoomToRecordingStart(HWND window)
{
    double previous = 0.0;
    for (int step = 0;; ++step) {
        const MAP_VIEWPORT& v = MapViewport;
        const double width = CalcDistanceInUnit(float(v.minLongitude), float(v.minLatitude), float(v.maxLongitude),
                                                float(v.minLatitude), 0);
        if (width < kStartWidthMaxKm && width > kStartWidthMinKm)
            return;
        if (step > 0 && width > previous && previous > kStartWidthGrowingKm)
            return;
        if (step == kStartZoomSteps)
            return;
        ZoomIn(window, true, false, false);
        previous = width;
    }
}

// ---------------------------------------------------------------------------
// The recording commands.

// Only the given window: a null one would invalidate every window.
void Refresh(HWND window)
{
    if (window)
        RefreshWindow(window);
}

void CmdRefresh(HWND window)
{
    Refresh(window);
}

void CmdStartRecording(HWND window)
{
    if (RecorderState.load() != kRecorderIdle)
        return;
    if (TrackHooks.recordOptionsDialog && !TrackHooks.recordOptionsDialog(window))
        return;
    StartRecording();
    ZoomToRecordingStart(window);
    if (window)
        SendMessageW(window, WM_COMMAND, IDM_SCREEN_PATH, 0);
    Refresh(window);
}

// Only a recording pauses and only a pause resumes: idle, this would record
// onto the points of an old recording without its preparation.
void CmdPauseResume(HWND window)
{
    {
        LiveRecordGuard hold(&GpsDevice);
        const int32_t state = RecorderState.load();
        if (state == kRecorderRecording)
            RecorderState.store(kRecorderPaused);
        else if (state == kRecorderPaused)
            RecorderState.store(kRecorderRecording);
    }
    Refresh(window);
}

void CmdEndRecording(HWND window)
{
    StopRecording();
    Refresh(window);
}

constexpr tracksimpl::COMMAND_ENTRY kTrackCommands[] = {
    {IDM_TRACK_REFRESH, CmdRefresh},
    {IDM_TRACK_START, CmdStartRecording},
    {IDM_TRACK_PAUSE, CmdPauseResume},
    {IDM_TRACK_END, CmdEndRecording},
};

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
    const GpsHooks& hooks = port->Hooks();
    const uint32_t cellId = hooks.currentCellId ? hooks.currentCellId() : 0;
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
    if (follow && TrackHooks.followRoute)
        TrackHooks.followRoute(port);
}

void StopRecording()
{
    std::vector<GPS_CURRENT> points;
    int32_t previous;
    {
        LiveRecordGuard hold(&GpsDevice);
        previous = RecorderState.exchange(kRecorderIdle);
        if (previous == kRecorderRecording || previous == kRecorderPaused)
            points = ActiveTrack.points;
    }
    StopRouteTimer();
    // A followed route is not a recording, and an idle recorder holds the
    // last recording or route again: neither is written.
    if (points.empty())
        return;
    WriteRecording(points);
}

LRESULT TrackCommand(HWND window, UINT msg, WPARAM wParam)
{
    if (msg != WM_COMMAND)
        return 0;
    const WORD id = LOWORD(wParam);
    if (!tracksimpl::RunTableCommand(kTrackCommands, window, id))
        tracksimpl::RunRouteCommand(window, id);
    return 0;
}
