// Tracks, waypoints and routes in the shell: the list screens' fillers and
// Back, the track and waypoint commands, picking a waypoint, route
// following on the reader thread, the turn search of the panes and the
// turn warning of timer 4, the KML and LOC exchange, and what the commands
// ask of the shell (its dialogs, questions and messages, the map's "mfp",
// the coordinate format and opening a written file).
#include "app/shell.h"

#include "app/settings.h"
#include "kit/dialogs.h"
#include "maps/calc.h"
#include "maps/viewport.h"
#include "panes/panes.h"
#include "resources/resource.h"
#include "tracks/tracks.h"

static_assert(kTrackTextSize == kTextEntryBufferSize, "the text entry's buffer is the commands' text");

namespace {

void ShellFillTrackList(HWND list)
{
    FillTrackList(nullptr, list, nullptr);
}

void ShellFillWaypointList(HWND list)
{
    FillWaypointList(nullptr, list, nullptr);
}

void ShellOpenWaypointElement(HWND list, XMLElement* element)
{
    FillWaypointList(nullptr, list, element);
}

// A list with a category open goes up one level. At the top of the track
// list the document is let go and the window returns to the GPS data
// screen.
bool ShellListBack(HWND, int screen)
{
    if (screen == kScreenTracks)
        return TrackListBack(MainListView);
    if (screen == kScreenWaypoints)
        return WaypointListBack(MainListView);
    return false;
}

bool ShellTakePickedItem(HWND, int)
{
    return TakePickedWaypoint(MainListView);
}

// "Center Waypoint" centres the map on the picked waypoint; a measuring
// screen adds it to its points.
void ShellFinishPick(HWND window, int purpose, int screen)
{
    if (purpose == IDM_CENTER_WAYPOINT)
        CenterViewOn(window, &PickedWaypoint.pos, 0);
    else
        FinishCalcPick(window, purpose, screen);
}

bool CalcPickedWaypoint(GPS_POSITION* position)
{
    *position = PickedWaypoint.pos;
    return true;
}

bool ShellTurnArmed()
{
    return TurnArmed.load();
}

bool PaneFindNextTurn(GPS_CURRENT* live, double* angle, double* distance)
{
    return FindNextTurn(live, angle, distance);
}

void FollowPositionOnMap()
{
    MapFollowsPosition = true;
}

int CoordinateFormat()
{
    return CoordinateMode;
}

void RefillWaypointList(HWND window)
{
    FillWaypointList(window, MainListView, nullptr);
}

// Written exports open maximised. Through the shell's seam at the time of the call, so that whoever owns
// "open" then (the program, or a test) gets it.
bool OpenWrittenFile(HWND window, const wchar_t* path)
{
    return ShellSeams.openExternal && ShellSeams.openExternal(window, path, SW_SHOWMAXIMIZED);
}

}  // namespace

void InstallTrackSeams()
{
    ShellSeams.fillTrackList = ShellFillTrackList;
    ShellSeams.fillWaypointList = ShellFillWaypointList;
    ShellSeams.openWaypointElement = ShellOpenWaypointElement;
    ShellSeams.listBack = ShellListBack;
    ShellSeams.takePickedItem = ShellTakePickedItem;
    ShellSeams.finishPick = ShellFinishPick;
    ShellSeams.trackCommand = TrackCommand;
    ShellSeams.waypointCommand = WaypointCommand;
    ShellSeams.exchangeCommand = ExchangeCommand;
    ShellSeams.turnArmed = ShellTurnArmed;
    PaneHooks.findNextTurn = PaneFindNextTurn;
    CalcHooks.pickedWaypoint = CalcPickedWaypoint;

    TrackHooks.followRoute = FollowRoute;
    TrackHooks.refillWaypointList = RefillWaypointList;
    TrackHooks.textEntryDialog = ShowTextEntryDialog;
    TrackHooks.xyzDialog = ShowXyzDialog;
    TrackHooks.selectDialog = ShowSelectDialog;
    TrackHooks.askYesNo = AskYesNo;
    TrackHooks.followPositionOnMap = FollowPositionOnMap;
    TrackHooks.coordinateFormat = CoordinateFormat;
    TrackHooks.messageBox = ProgramMessageBox;
    TrackHooks.openFile = OpenWrittenFile;
}
