// The hooks through which tracks, the maps and the panes reach the shell
// and each other: what the track and waypoint commands and the recorder
// ask (the shell's window, screen and dialogs, the settings save, the
// questions and messages, the map's "mfp", the coordinate format, the web
// map pages, opening a written file, route following on the reader
// thread), the panes' turn search, the measuring tool's screen, dialog and
// picked waypoint, the map painter's screen, and the drawing functions'
// fix and recorder state.
#include "app/shell.h"

#include "app/options.h"
#include "app/settings.h"
#include "kit/dialogs.h"
#include "kit/draw.h"
#include "kit/outside.h"
#include "maps/calc.h"
#include "maps/online_maps.h"
#include "maps/painter.h"
#include "maps/viewport.h"
#include "maps/web_map.h"
#include "panes/panes.h"
#include "tracks/tracks.h"

static_assert(kTrackTextSize == kTextEntryBufferSize, "the text entry's buffer is the commands' text");

namespace {

HWND ShellMainWindow()
{
    return MainWindow;
}

int ShellCurrentScreen()
{
    return CurrentScreen;
}

bool CalcPickedWaypoint(GPS_POSITION* position)
{
    *position = PickedWaypoint.pos;
    return true;
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

// Written exports open maximised.
bool OpenWrittenFile(HWND window, const wchar_t* path)
{
    return OutsideSeams.openExternal(window, path, SW_SHOWMAXIMIZED);
}

bool LiveFixValid()
{
    LiveRecordGuard live(&GpsDevice);
    return live->fix == 1;
}

int CurrentRecorderState()
{
    return RecorderState.load();
}

void ViewFetchOnlineImage(HWND window)
{
    FetchOnlineMapImage(window);
}

}  // namespace

void InstallTrackSeams()
{
    TrackHooks.showWebMapPage = ShowWebMapPage;
    TrackHooks.webMapPageCommand = ShowItemOnMapCommand;
    TrackHooks.mainWindow = ShellMainWindow;
    TrackHooks.currentScreen = ShellCurrentScreen;
    TrackHooks.saveSettingsDocument = SaveSettingsDocument;
    TrackHooks.recordOptionsDialog = ShowRecordOptionsDialog;
    TrackHooks.playOptionsDialog = ShowPlayOptionsDialog;
    MapPaintHooks.currentScreen = &CurrentScreen;
    MapPaintHooks.quickRepaint = &QuickRepaint;

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

    CalcHooks.currentScreen = ShellCurrentScreen;
    CalcHooks.xyzDialog = ShowXyzDialog;
}

void InstallDrawingHooks()
{
    DrawStateHooks.fixValid = LiveFixValid;
    DrawStateHooks.recorderState = CurrentRecorderState;
    MapViewHooks.fetchOnlineImage = ViewFetchOnlineImage;
}
