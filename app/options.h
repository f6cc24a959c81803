// app/options.h - the option dialogs: every setting of "pathvex.xml" that
// the user changes, the speed limits, the map options and the calibrator.
//
// Each dialog is a modal dialog from a template of the program's resources,
// owned by the window given. OK copies the controls into the setting globals
// (kit/settings.h), writes their keys into SettingsDocument in memory (the
// file is written at shutdown) and repaints the owner; Cancel changes
// nothing. The commands 347 and 1901-1908 and the double-click on the speed
// value open them; the record and play options are tracks' own
// (tracks/track_commands.h), listed here for the Options menu.
//
// A number typed into a dialog is read as an unsigned decimal up to its
// first other character; text without a digit, a sign or a value beyond 32
// bits reads as 0 and then takes its row's replacement, so no typing stores
// a value the program would misread. A colour above 0xFFFFFF keeps the old
// colour.
//
// UI thread only. Nothing throws; a template that cannot be loaded shows
// nothing and counts as Cancel.
#pragma once
#include "kit/option_binding.h"

#include <windows.h>

#include <span>

// Commands 347 (calibrator; not in pathvex-wm) and 1901-1908 (the option
// dialogs): shows the command's dialog; other commands do nothing.
void ShowOptionDialog(HWND owner, int command);

// The binding tables of the dialogs, by template name; empty for a name
// without one.
std::span<const OPTION_BINDING> OptionBindings(const wchar_t* templateName);
// "DIALOG_MAPOPTIONS"'s table (its folder edit is its own).
std::span<const OPTION_BINDING> MapOptionBindings();

// The double-click on the speed value: "DIALOG_SPEEDLIMIT" (the low and high
// limits change at once; 0), or with marks "DIALOG_SPEEDLIMIT2", whose
// result is the speed pressed (30-140 km/h) or 0.
int ShowSpeedLimitDialog(HWND owner, bool marks);

// The edges of a calibrated map, degrees.
struct MAP_EDGES {
    float west, north, east, south;
};
// The edges of a web-map screenshot of width x height pixels centred on
// (x, y) at zoom (66 pixels per km at 13, halved per level below, doubled
// above). False when they make no map: not finite, without extent, past a
// pole or round half the globe.
bool CalibrateMapEdges(double x, double y, long zoom, int width, int height, MAP_EDGES* edges);

// Dialog procedures, one per template; each is opened with parameter 0.
INT_PTR CALLBACK SpeedLimitDlgProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK SpeedMarkDlgProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK MapOptionsDlgProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK CalibratorDlgProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam);
