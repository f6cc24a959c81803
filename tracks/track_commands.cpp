// The route commands of the Tools menu (a route to a typed target,
// recalculation) and the commands of the track list: view, run, delete,
// length, rename, categories, normalise and move.
//
// The list's rows show the children of CurrentTrackElement by index; a
// command acts on a row only while it still shows that child, so a list
// left from another screen or another document changes nothing.
#include "tracks/tracks.h"

#include "gps/geodesy.h"
#include "gps/gps.h"
#include "kit/dialogs.h"
#include "kit/display.h"
#include "kit/screen_state.h"
#include "maps/viewport.h"
#include "resources/resource.h"
#include "tracks/tracks_internal.h"
#include "xml/utf8text.h"
#include "xml/xml.h"

#include <commctrl.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

using namespace tracksimpl;

namespace {

constexpr wchar_t kDeleteTracksQuestion[] = L"Delete selected tracks/categories?";
constexpr wchar_t kNormalizeBeforeRun[] = L"Normalize track before playback?";
constexpr wchar_t kNormalizeAgain[] = L"Track is already normalized.\r\nRetry normalization?";
constexpr wchar_t kRenameTitle[] = L"Track name";
constexpr wchar_t kRenamePrompt[] = L"Enter new name:";
constexpr wchar_t kLengthKm[] = L"%.2f Km";
constexpr wchar_t kLengthMiles[] = L"%.2f Mi";
constexpr wchar_t kLengthNautical[] = L"%.2f Nmi";
constexpr int kLengthColumn = 3;
constexpr char kNormalisedMark[] = "1";
// Depth of "tracks" below the document's root: a category deeper than it
// offers ".." to move an item up.
constexpr int kTracksDepth = 1;

// Every change is saved at once and the list shows the top level again.
void SaveAndRefill(HWND list)
{
    FillTrackList(kTrackListSave, nullptr, nullptr);
    FillTrackList(nullptr, list, nullptr);
}

std::vector<GPS_POSITION> Positions(const std::vector<GPS_CURRENT>& points)
{
    std::vector<GPS_POSITION> drawn;
    drawn.reserve(points.size());
    for (const GPS_CURRENT& p : points) {
        GPS_POSITION at = p.pos;
        at.cellId = p.cellId;
        drawn.push_back(at);
    }
    return drawn;
}

// ---------------------------------------------------------------------------
// Routes to a typed target (Tools menu).

void CmdEnterXy(HWND window)
{
    if (RecorderState.load() != kRecorderIdle)
        return;
    double x = 0.0;
    double y = 0.0;
    if (!ShowXyzDialog(window, &x, &y, nullptr) || !std::isfinite(x) || !std::isfinite(y))
        return;
    if (!ShowPlayOptionsDialog(window))
        return;
    StartRouteToTarget(window, GPS_POSITION{x, y, 0.0, 0}, kRouteTimerMs, true);
}

void CmdRecalculate(HWND)
{
    LiveRecordGuard hold(&GpsDevice);
    RouteProgress.recalculate = true;
}

void CmdDistanceFromHere(HWND window)
{
    if (RecorderState.load() != kRecorderIdle)
        return;
    const GPS_CURRENT live = GpsDevice.Snapshot();
    if (live.fix != 1 && !AskYesNo(window, kPositionNotValid, true))
        return;
    GeoPointF target{};
    if (!AskDistanceAndBearing(window, GeoPointF{float(live.pos.x), float(live.pos.y)}, &target))
        return;
    if (!ShowPlayOptionsDialog(window))
        return;
    StartRouteToTarget(window, GPS_POSITION{target.x, target.y, 0.0, 0}, kRouteTimerMs, true);
}

// ---------------------------------------------------------------------------
// The track list.

// The path drawn and the map screen fitted to it, the track document let go.
void ShowPathOnMap(HWND window, const std::vector<GPS_POSITION>& drawn)
{
    {
        LiveRecordGuard hold(&GpsDevice);
        DrawnPath = drawn;
    }
    FillTrackList(nullptr, nullptr, nullptr);
    SendMessageW(window, WM_COMMAND, IDM_SCREEN_MAP, 0);
    FitViewToPoints(window, &drawn);
}

void CmdViewInMap(HWND window)
{
    HWND list = CommandList(window);
    int row = -1;
    if (!SelectedTrack(list, &row))
        return;
    TRACK track{};
    ReadTrackPoints(uint32_t(row), &track, false);
    ShowPathOnMap(window, Positions(track.points));
}

void RunTrack(HWND window, bool reversed)
{
    if (RecorderState.load() != kRecorderIdle)
        return;
    HWND list = CommandList(window);
    int row = -1;
    if (!SelectedTrack(list, &row) || !ShowPlayOptionsDialog(window))
        return;
    TRACK route{};
    ReadTrackPoints(uint32_t(row), &route, reversed);
    if (route.points.empty())
        return;
    if (!route.normalised && AskYesNo(window, kNormalizeBeforeRun, false))
        NormalizeTrack(&route);
    std::vector<GPS_POSITION> drawn = Positions(route.points);
    ShowPathOnMap(window, drawn);
    // With a fix (or a simulation about to give one) the route is joined
    // where the user is; otherwise it starts at its first point.
    const GPS_CURRENT live = GpsDevice.Snapshot();
    const uint32_t start = live.fix == 1 || SimulationRuns() ? NearestRoutePoint(route.points, live) : 0;
    BeginRoute(window, std::move(route.points), start, std::move(drawn), kRouteTimerMs);
    RefreshWindow(window);
    SendMessageW(window, WM_COMMAND, IDM_SCREEN_PATH, 0);
}

void CmdRunStraight(HWND window)
{
    RunTrack(window, false);
}

void CmdRunReversed(HWND window)
{
    RunTrack(window, true);
}

void CmdDeleteTracks(HWND window)
{
    HWND list = CommandList(window);
    const std::vector<int> rows = SelectedRows(list);
    if (rows.empty() || CurrentScreen != kScreenTracks || !CurrentTrackElement)
        return;
    if (!AskYesNo(window, kDeleteTracksQuestion, true))
        return;
    DeleteRows(list, rows, CurrentTrackElement);
    SaveAndRefill(list);
}

void CmdCalculateLength(HWND window)
{
    HWND list = CommandList(window);
    int row = -1;
    if (!SelectedTrack(list, &row))
        return;
    const wchar_t* format = DistanceUnit == 0   ? kLengthKm
                            : DistanceUnit == 1 ? kLengthMiles
                            : DistanceUnit == 2 ? kLengthNautical
                                                : nullptr;
    if (!format)
        return;
    TRACK track{};
    ReadTrackPoints(uint32_t(row), &track, false);
    double length = 0.0;
    for (size_t i = 1; i < track.points.size(); ++i) {
        const GPS_POSITION& a = track.points[i - 1].pos;
        const GPS_POSITION& b = track.points[i].pos;
        length += CalcDistanceInUnit(float(a.x), float(a.y), float(b.x), float(b.y), DistanceUnit);
    }
    wchar_t text[64];
    std::swprintf(text, 64, format, length);
    SetRowText(list, row, kLengthColumn, text);
    SendMessageW(list, LVM_SETCOLUMNWIDTH, kLengthColumn, LVSCW_AUTOSIZE);
}

void CmdRename(HWND window)
{
    HWND list = CommandList(window);
    int row = -1;
    XMLElement* child = SelectedTrackChild(list, &row);
    if (!child)
        return;
    std::wstring name = Utf8ToWide(AttributeText(child, "n"));
    if (!EnterText(window, kRenameTitle, kRenamePrompt, &name))
        return;
    SetAttributeText(child, "n", WideToUtf8(name).c_str());
    SaveAndRefill(list);
}

void CmdAddTrackCategory(HWND window)
{
    if (!CurrentTrackElement)
        return;
    std::wstring name;
    if (!EnterText(window, kAddCategoryTitle, kNamePrompt, &name))
        return;
    AppendCategoryElement(CurrentTrackElement, WideToUtf8(name).c_str());
    SaveAndRefill(CommandList(window));
}

void CmdNormalize(HWND window)
{
    HWND list = CommandList(window);
    int row = -1;
    XMLElement* stored = SelectedTrack(list, &row);
    if (!stored)
        return;
    TRACK track{};
    ReadTrackPoints(uint32_t(row), &track, false);
    if (track.normalised && !AskYesNo(window, kNormalizeAgain, true))
        return;
    NormalizeTrack(&track);
    // Speed and time are not carried over: the points left stand for runs
    // of several fixes.
    stored->RemoveAllChildren();
    const unsigned fields = RecordCellIds.load() ? kPointCellId : 0u;
    for (const GPS_CURRENT& point : track.points)
        AppendTrackPoint(stored, point, fields);
    SetAttributeText(stored, "norm", kNormalisedMark);
    SaveAndRefill(list);
}

void CmdMoveTrack(HWND window)
{
    HWND list = CommandList(window);
    int row = -1;
    XMLElement* item = SelectedTrackChild(list, &row);
    if (!item)
        return;
    XMLElement* current = CurrentTrackElement;
    XMLElement* up = current->GetDepth() > kTracksDepth ? current->GetParent() : nullptr;
    if (MoveToChosenCategory(window, current, item, up))
        SaveAndRefill(list);
}

constexpr COMMAND_ENTRY kRouteCommands[] = {
    {IDM_TRACK_ENTER_XY, CmdEnterXy},
    {IDM_TRACK_RECALCULATE, CmdRecalculate},
    {IDM_TRACK_FROM_HERE, CmdDistanceFromHere},
    {IDM_TRACKLIST_VIEW, CmdViewInMap},
    {IDM_TRACKLIST_RUN, CmdRunStraight},
    {IDM_TRACKLIST_DELETE, CmdDeleteTracks},
    {IDM_TRACKLIST_LENGTH, CmdCalculateLength},
    {IDM_TRACKLIST_RUN_REVERSED, CmdRunReversed},
    {IDM_TRACKLIST_RENAME, CmdRename},
    {IDM_TRACKLIST_ADD_CATEGORY, CmdAddTrackCategory},
    {IDM_TRACKLIST_NORMALIZE, CmdNormalize},
    {IDM_TRACKLIST_MOVE, CmdMoveTrack},
};

}  // namespace

bool tracksimpl::RunRouteCommand(HWND window, WORD id)
{
    return RunTableCommand(kRouteCommands, window, id);
}
