// app/main_window.h - the main window: one screen at a time (painted, list
// or web map), the GPS data from the reader thread, painting, timers, the
// tray icon, picking from a list and closing.
#pragma once
#include "gps/gps_record.h"
#include "kit/screen_state.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

struct TRACK;

// The screen ids, MainWindow, MainListView, CurrentScreen, QuickRepaint and
// the timer's counters are in kit/screen_state.h.
extern int SavedScreen;          // where picking returns to
extern int PickPurpose;          // 337 centre the map, 388 simulate a track, else none
extern bool DisplayOff;          // command 105; Enter clears it
// Waypoint label rectangles of the last map paint, for the click hit test.
extern std::vector<RECT> WaypointLabelRects;
// Command 355 ("Draw Track"): the next left click on the Map screen is used up.
extern bool IgnoreNextMapClick;

// Creates the main window (desktop: 240 x 320 at the default place; the
// handheld builds: the device's work area above the menu bar), shows
// it and starts its timers. Sets MainWindow; null on failure.
HWND CreateMainWindow(HINSTANCE instance);

LRESULT CALLBACK MainWndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);

// The command 345 and 346 would post from screen, or 0 for none. following:
// a route is followed (recorder state 3).
int NextScreenCommand(int screen, bool following);
int PreviousScreenCommand(int screen, bool following);

// The nearest waypoint to (x, y) by great-circle distance at single
// precision; the first wins a tie. *index is 1-based, 0 (and *km 0) for no
// waypoints.
void FindNearestWaypoint(const std::vector<WAYPOINT>& waypoints, double x, double y, int32_t* index,
                         double* km);

// A track as a simulation list ("Load from Track..."): one "$GPRMC" per
// point, status "V", speed 10 and course 0, the local day and month of
// start with the year "07", the time of day from start on in steps of 10
// seconds (wrapping at midnight), and the position as degrees and decimal
// minutes with hemisphere letters (a coordinate that is not finite as 0).
std::vector<std::string> TrackToSimulation(const TRACK& track, const SYSTEMTIME& start);

#if defined(PATHVEX_HANDHELD)
// The handheld's full screen: mode 0 toggles (command 329 and Enter), 1
// shows the window normal (the screen commands). Leaving full screen hands
// F1 and F2 back to the menu bar first.
void ChangeFullScreen(HWND window, int mode);
#endif

// Enters screen command - 200 (299: the raw log); kPickMarker in lParam
// opens a list to pick from. Ids without a screen do nothing.
LRESULT EnterScreen(HWND window, int command, LPARAM lParam);
// 998 "OK" and 999 "Back".
LRESULT PickOk(HWND window);
LRESULT GoBack(HWND window);
