// ShellSeams filled at start-up: the other subsystems' painters, list
// fillers, commands, dialogs and timers, the web map, the reader thread's
// recorder tick, and the reach outside the program; with them the
// statistics' view of the shell, the cell-tower monitor (pathvex-wm) and
// the handheld services.
#include "app/shell.h"

#include "app/options.h"
#include "app/receiver_setup.h"
#include "app/settings.h"
#include "maps/calc.h"
#include "maps/offline_maps.h"
#include "maps/online_maps.h"
#include "maps/painter.h"
#include "maps/viewport.h"
#include "maps/web_map.h"
#include "panes/panes.h"
#include "panes/tracking.h"
#include "resources/resource.h"
#include "tracks/tracks.h"
#include "updater/updater.h"

namespace {

bool SetClock(const SYSTEMTIME* utc)
{
    return SetSystemTime(utc) != FALSE;
}

void ShellInternetTrackingTick(HWND window)
{
    InternetTrackingTick(window, InternetTrackingUrl);
}

// The trip distance counts each batch's fix before the recorder sees it.
void RecorderTickWithTripDistance(GpsPort* port, uint32_t mark)
{
    CountTravelledDistance(port);
    RunRecorderTick(port, mark);
}

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

bool ShellTurnArmed()
{
    return TurnArmed.load();
}

}  // namespace

void InstallSubsystemSeams()
{
    ShellSeams.setSystemTime = SetClock;
    ShellSeams.setZoomHotKeys = SetZoomHotKeys;
    ShellSeams.rebuildWaypointList = RebuildWaypointList;
    ShellSeams.scanOfflineMaps = ScanOfflineMaps;
    ShellSeams.drawMapView = PaintMapScreen;
    ShellSeams.fillMapList = FillMapList;
    ShellSeams.mapListCommand = MapListCommand;
    ShellSeams.recorderTick = RecorderTickWithTripDistance;
    ShellSeams.paintSatellitePane = PaintSatellitePane;
    ShellSeams.paintCompassPane = PaintCompassPane;
    ShellSeams.paintSunPane = PaintSunPane;
    ShellSeams.paintMoonPane = PaintMoonPane;
    ShellSeams.redrawSatellitePane = RedrawSatellitePane;
    ShellSeams.redrawCompassPane = RedrawCompassPane;
    ShellSeams.redrawSunPane = RedrawSunPane;
    ShellSeams.redrawMoonPane = RedrawMoonPane;
    ShellSeams.fillStatisticsList = FillStatisticsList;
    ShellSeams.refreshStatistics = RefreshStatisticsList;
    StatisticsHooks = {[] { return UpTimeSeconds; }, [] { return RunTimeSeconds; }, [] { return CurrentScreen; },
                       [] { return MainListView; }};
    InstallStatisticsRefresh();
    ShellSeams.showSettingsDialog = ShowOptionDialog;
    InstallReceiverSeams();
    ShellSeams.fetchOnlineMapImage = FetchOnlineMapImage;
    ShellSeams.internetTrackingTick = ShellInternetTrackingTick;
    ShellSeams.speedLimitDialog = ShowSpeedLimitDialog;
    ShellSeams.runSelfUpdate = RunSelfUpdate;
    ShellSeams.createWebMapWindow = CreateWebMapWindow;
    ShellSeams.destroyWebMapWindow = DestroyWebMapWindow;
    ShellSeams.resizeWebMapWindow = ResizeWebMapWindow;
    ShellSeams.showItemOnMapCommand = ShowItemOnMapCommand;

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
    InstallTrackSeams();

    ShellSeams.calcCommand = CalcCommand;
    ShellSeams.drawCalcView = DrawCalcView;
    ShellSeams.setCalcAxisMode = SetCalcAxisMode;
}
