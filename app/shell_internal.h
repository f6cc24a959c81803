// app/shell_internal.h - what the shell's own sources share: the screen
// switch and the picking commands of the main window, for the command table.
#pragma once
#include <windows.h>

// Enters screen command - 200 (299: the raw log); kPickMarker in lParam
// opens a list to pick from. Ids without a screen do nothing.
LRESULT EnterScreen(HWND window, int command, LPARAM lParam);
// 998 "OK" and 999 "Back".
LRESULT PickOk(HWND window);
LRESULT GoBack(HWND window);

// Plugs tracks, waypoints and routes into ShellSeams, TrackHooks and the
// panes' turn search (app/track_seams.cpp).
void InstallTrackSeams();
