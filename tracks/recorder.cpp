// The recorder's commands: the start with its options and the map zoomed
// to a walk, pause and resume, and the stop that writes the track. The
// recorder tick itself runs on the reader thread (gps/live_track.h).
#include "tracks/tracks.h"

#include "gps/geodesy.h"
#include "gps/gps.h"
#include "kit/display.h"
#include "kit/screen_state.h"
#include "maps/viewport.h"
#include "resources/resource.h"
#include "tracks/tracks_internal.h"
#include "xml/xml.h"

#include <string>
#include <vector>

namespace {

// The start of a recording zooms the map until its southern edge is a walk
// across: below 5 km (and above 10 m), in at most 20 steps.
constexpr double kStartWidthMaxKm = 5.0;
constexpr double kStartWidthMinKm = 0.01;
constexpr double kStartWidthGrowingKm = 1.0;
constexpr int kStartZoomSteps = 20;

void StopRouteTimer()
{
    if (MainWindow)
        KillTimer(MainWindow, TIMER_ROUTE);
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
    if (CurrentScreen != kScreenTracks)
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
    if (!ShowRecordOptionsDialog(window))
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

LRESULT TrackCommand(HWND window, WPARAM wParam)
{
    const WORD id = LOWORD(wParam);
    if (!tracksimpl::RunTableCommand(kTrackCommands, window, id))
        tracksimpl::RunRouteCommand(window, id);
    return 0;
}
