// app/shell.h - the application shell: start-up and shutdown, the main
// window with its screens, and command dispatch.
//
// RunApplication is the whole program: it prepares the process, makes sure
// one instance runs, opens the settings, creates the 240 x 320 main window
// with its timers and tray icon, acts on the command line, runs the message
// loop and, when the window is gone, saves the settings and releases what it
// holds. MainWndProc shows one screen at a time (painted, list or web map),
// dispatches the commands of the menus, keys and command line, takes every
// GPS sentence or frame from the reader thread (WM_GPSDATA) and decides what
// to repaint, runs the periodic timers, answers the tray icon, and asks
// before closing while a track is recorded, paused or followed.
//
// What later subsystems contribute (the other screens' painters, the list
// fillers, the web map, the recorder's and the other command handlers, the
// update run) is reached through ShellSeams; a null seam does nothing, and
// every seam left null is a feature not there yet.
//
// Threads: everything here runs on the UI thread, except the GpsHooks that
// the shell installs on GpsDevice, which run on the reader thread and only
// send to the main window or set its title. Nothing throws; failures are
// return values or message boxes with the program's fixed texts.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "gps/gps.h"
#include "kit/program.h"
#include "kit/screen_state.h"

class XMLElement;

// ---------------------------------------------------------------------------
// Start-up.

// The program: instance handle and the narrow command line (without the
// program's name); the process's argument vector is read as well. Returns 0
// in every case.
int RunApplication(HINSTANCE instance, const char* commandLine);

// Full path of the executable's folder, no trailing backslash.
extern wchar_t ProgramDirectory[MAX_PATH];

// Minutes; UTC = local + bias. The zone's daylight bias applies strictly
// between its two change days; a zone without changes (both months 0)
// always gets the standard bias.
int ComputeTimeZoneBias(const TIME_ZONE_INFORMATION& zone, const SYSTEMTIME& localNow);
// Day of the month on which a zone change falls in year: the wDay-th
// wDayOfWeek of wMonth (5 the last), or wDay itself for an absolute date
// (wYear not 0).
int ZoneChangeDay(const SYSTEMTIME& change, int year);
// 1 (night) for hours after 19 or before 6, else 0 (day).
int SchemeForLocalHour(int hour);
// The command id that leads a command line, as atol reads it (0 when it does
// not start with a number), saturated instead of overflowing.
long ParseCommandNumber(const char* text);

// Simulation lists from files: every line (CR and LF at its end removed,
// longer lines cut into pieces of kSimulationLineBytes) becomes one entry;
// an empty line an empty entry. False, and the list untouched, when the file
// cannot be opened. At most kMaxSimulationLines entries are taken.
inline constexpr size_t kSimulationLineBytes = 999;
inline constexpr size_t kMaxSimulationLines = 1u << 20;
bool ReadSimulationFile(const wchar_t* path, std::vector<std::string>* lines);
// ReadSimulationFile into SimulationList.
bool LoadSimulationFile(const wchar_t* path);

// ---------------------------------------------------------------------------
// The main window.

// The screen ids, MainWindow, MainListView, CurrentScreen, QuickRepaint and
// the timer's counters are in kit/screen_state.h.
extern int SavedScreen;          // where picking returns to
extern int PickPurpose;          // 337 centre the map, 388 simulate a track, else none
extern bool DisplayOff;          // command 105; Enter clears it
extern DWORD LastPathRepaintTick;
// Waypoint label rectangles of the last map paint, for the click hit test.
extern std::vector<RECT> WaypointLabelRects;
// Command 355 ("Draw Track"): the next left click on the Map screen is used up.
extern bool IgnoreNextMapClick;

// Registers the class "Pathvex CLASS" once; false when it cannot be made.
bool RegisterMainWindowClass(HINSTANCE instance);
// Creates the main window (desktop: 240 x 320 at the default place; the
// handheld builds: the device's work area above the menu bar), shows
// it and starts its timers. Sets MainWindow; null on failure.
HWND CreateMainWindow(HINSTANCE instance);
// The GpsHooks that connect GpsDevice (gps/gps.h) to the main window, the
// sounds and the recorder.
void InstallGpsHooks();
// Plugs the subsystems that exist into ShellSeams and gives them what they
// read of the shell (the recorder's and the map painter's hooks).
void InstallSubsystemSeams();

LRESULT CALLBACK MainWndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);
// WM_COMMAND: the command id in the low word of wParam; lParam kPickMarker
// opens a list for picking. An id nobody handles does nothing and gives 0.
LRESULT DispatchCommand(HWND window, WPARAM wParam, LPARAM lParam);

// The command 345 and 346 would post from screen, or 0 for none. following:
// a route is followed (recorder state 3).
int NextScreenCommand(int screen, bool following);
int PreviousScreenCommand(int screen, bool following);

// The nearest waypoint to (x, y) by great-circle distance at single
// precision; the first wins a tie. *index is 1-based, 0 (and *km 0) for no
// waypoints.
struct WAYPOINT;
void FindNearestWaypoint(const std::vector<WAYPOINT>& waypoints, double x, double y, int32_t* index,
                         double* km);

// A track as a simulation list ("Load from Track..."): one "$GPRMC" per
// point, status "V", speed 10 and course 0, the local day and month of
// start with the year "07", the time of day from start on in steps of 10
// seconds (wrapping at midnight), and the position as degrees and decimal
// minutes with hemisphere letters (a coordinate that is not finite as 0).
struct TRACK;
std::vector<std::string> TrackToSimulation(const TRACK& track, const SYSTEMTIME& start);

// Zoom keys of the map screens: F1 zoom in, F2 zoom out, with Shift or Ctrl
// one axis only (hot keys 331, 351, 352, 332, 353, 354). Off also leaves
// them; unless the Tracks screen shows, the track document is released.
void SetZoomHotKeys(HWND window, bool on);

// Plays one of the program's WAVE resources asynchronously.
void PlayProgramSound(const wchar_t* name);

// ---------------------------------------------------------------------------
// Seams: what later subsystems plug into the shell. Null members do nothing
// (a painter leaves the background, a list stays empty, a command does
// nothing and gives 0).

struct SHELL_SEAMS {
    // Start-up and shutdown.
    void (*rebuildWaypointList)();                  // the waypoint vector from the settings
    void (*scanOfflineMaps)(const wchar_t* folder); // the maps folder
    void (*registerAxWindowClass)();                // desktop: the browser host's class "AX"
    void (*startCellMonitor)();                     // pathvex-wm, after the HTML view
    void (*stopCellMonitor)();                      // pathvex-wm, after the message loop
    uint32_t (*currentCellId)();                    // pathvex-wm: the cell of the moment

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
    void (*leaveFullScreen)(HWND window);           // handheld: commands 201-230

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
    // Dialogs of later subsystems: 347 the calibrator, 1901-1908 the option
    // dialogs (app/options.h). 101, GPS setup, is the shell's own.
    void (*showSettingsDialog)(HWND window, int command);
    // Double-click on the speed digits: the speed-limit dialog, or with marks
    // (while recording) the speed-mark buttons, whose result (30-140, or 0)
    // is the mark.
    int (*speedLimitDialog)(HWND window, bool marks);
    LRESULT (*sirfCommand)(HWND window, int command);   // 400-500, not with the GPS driver
    void (*sendWaypointSentence)(GpsPort* port);        // 361, NMEA input only
    void (*toggleFullScreen)(HWND window);              // handheld: 329 and Enter
    // Double-click or Enter on a waypoint category or a waypoint with
    // children: the waypoint list shows its content.
    void (*openWaypointElement)(HWND list, XMLElement* element);
    // Reaching outside the program. InstallSubsystemSeams plugs in the real
    // ones (ShellExecuteExW "open", SetSystemTime); tests put their own.
    // `show` is the ShowWindow mode the opened program is asked for.
    bool (*openExternal)(HWND window, const wchar_t* target, int show);  // 195, 196, 901
    bool (*setSystemTime)(const SYSTEMTIME* utc);                // 104

    // Timers and the reader thread.
    void (*internetTrackingTick)(HWND window);      // timer 3 with "eit"
    bool (*turnArmed)();                            // timer 4: a turn of the route is due
    void (*recorderTick)(GpsPort* port, uint32_t mark);   // reader thread, once per batch
    void (*refreshStatistics)();                    // reader thread: a new maximum
};
extern SHELL_SEAMS ShellSeams;
