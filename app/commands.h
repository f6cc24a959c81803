// app/commands.h - command dispatch: the ids of the menus, keys and command
// line to the shell's own commands and to the handlers of the other
// subsystems, through ShellSeams.
#pragma once
#include "gps/gps_record.h"

#include <windows.h>

#include <cstdint>
#include <vector>

class GpsPort;
class XMLElement;

// WM_COMMAND: the command id in the low word of wParam; lParam kPickMarker
// opens a list for picking. An id nobody handles does nothing and gives 0.
LRESULT DispatchCommand(HWND window, WPARAM wParam, LPARAM lParam);

// ---------------------------------------------------------------------------
// Seams: what the other subsystems plug into the shell at start-up
// (InstallSubsystemSeams). Null members do nothing (a painter leaves the
// background, a list stays empty, a command does nothing and gives 0).

struct SHELL_SEAMS {
    // Start-up and shutdown.
    void (*rebuildWaypointList)();                  // the waypoint vector from the settings
    void (*scanOfflineMaps)(const wchar_t* folder); // the maps folder

    // Painted screens: everything on WM_PAINT, the changes on WM_GPSDATA.
    void (*paintSatellitePane)(HWND window, HDC dc);
    void (*paintCompassPane)(HWND window, HDC dc);
    void (*paintSunPane)(HWND window, HDC dc);
    void (*paintMoonPane)(HWND window, HDC dc);
    void (*redrawSatellitePane)(HWND window);
    void (*redrawCompassPane)(HWND window);
    void (*redrawSunPane)(HWND window);
    void (*redrawMoonPane)(HWND window);
    // Screens 4 and 13 with the waypoints' positions; fills labelRects and
    // clears QuickRepaint (the shell clears it while this is null).
    void (*drawMapView)(HWND window, HDC dc, const std::vector<GPS_POSITION>& waypoints,
                        std::vector<RECT>* labelRects);
    void (*drawCalcView)(HWND window, HDC dc);      // screens 21-23

    // Entering screens.
    void (*setZoomHotKeys)(HWND window, bool on);
    void (*fetchOnlineMapImage)(HWND window);       // before the Map screen's repaint
    void (*setCalcAxisMode)(int mode);              // 3 for 221 and 222, 6 for 223

    // List screens and the web map.
    void (*fillTrackList)(HWND list);
    void (*fillWaypointList)(HWND list);
    void (*fillStatisticsList)(HWND list, bool rebuild);
    void (*fillMapList)(HWND list);
    void (*createWebMapWindow)(HWND window);
    void (*destroyWebMapWindow)();
    void (*resizeWebMapWindow)(HWND window, int width, int height);
    // Back on a list with a category open: true when it went up one level
    // (and nothing else is to happen).
    bool (*listBack)(HWND window, int screen);
    // OK while picking: takes the selected item for purpose; false when none
    // is selected (the list stays open).
    bool (*takePickedItem)(HWND window, int purpose);
    // After picking ended and screen (the saved one) is shown again.
    void (*finishPick)(HWND window, int purpose, int screen);

    // Commands of other subsystems (window, WM_COMMAND, wParam); their
    // result is the window procedure's.
    LRESULT (*calcCommand)(HWND, UINT, WPARAM);        // 1101-1109
    LRESULT (*trackCommand)(HWND, UINT, WPARAM);       // 1201-1209, 1251-1260
    LRESULT (*waypointCommand)(HWND, UINT, WPARAM);    // 1240-1250
    LRESULT (*mapListCommand)(HWND, UINT, WPARAM);     // 1291-1299
    LRESULT (*exchangeCommand)(HWND, UINT, WPARAM);    // 1301-1399
    LRESULT (*showItemOnMapCommand)(HWND, UINT, WPARAM);   // 1400-1499, 1701-1799
    // Command 197 after the old update files are deleted: the update run's
    // result (99 closes the program).
    int (*runSelfUpdate)(const wchar_t* product, const wchar_t* productId);
    // Dialogs of other subsystems: 347 the calibrator, 1901-1908 the option
    // dialogs (app/options.h). 101, GPS setup, is the shell's own.
    void (*showSettingsDialog)(HWND window, int command);
    // Double-click on the speed digits: the speed-limit dialog, or with marks
    // (while recording) the speed-mark buttons, whose result (30-140, or 0)
    // is the mark.
    int (*speedLimitDialog)(HWND window, bool marks);
    LRESULT (*sirfCommand)(HWND window, int command);   // 400-500, not with the GPS driver
    void (*sendWaypointSentence)(GpsPort* port);        // 361, NMEA input only
    // Double-click or Enter on a waypoint category or a waypoint with
    // children: the waypoint list shows its content.
    void (*openWaypointElement)(HWND list, XMLElement* element);
    // Reaching outside the program. InstallSubsystemSeams plugs in the real
    // one (SetSystemTime); tests put their own.
    bool (*setSystemTime)(const SYSTEMTIME* utc);                // 104

    // Timers and the reader thread.
    void (*internetTrackingTick)(HWND window);      // timer 3 with "eit"
    bool (*turnArmed)();                            // timer 4: a turn of the route is due
    void (*recorderTick)(GpsPort* port, uint32_t mark);   // reader thread, once per batch
    void (*refreshStatistics)();                    // reader thread: a new maximum
};
extern SHELL_SEAMS ShellSeams;
