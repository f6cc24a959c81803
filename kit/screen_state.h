// kit/screen_state.h - what the main window shows: its handle, the list
// view of the list screens, the screen on show and the seconds its timer 2
// counts.
//
// Only the main window (app/) writes these, on the UI thread; every other
// subsystem reads them there. Tests set them to stand in for the window.
#pragma once
#include <windows.h>

#include <cstdint>

// Screens (CurrentScreen); screen n is entered by command 200 + n, the raw
// log by 299.
inline constexpr int kScreenGps = 1;
inline constexpr int kScreenMap = 4;
inline constexpr int kScreenSatellite = 5;
inline constexpr int kScreenTracks = 6;
inline constexpr int kScreenWaypoints = 7;
inline constexpr int kScreenWebMap = 8;
inline constexpr int kScreenStatistics = 9;
inline constexpr int kScreenMaps = 10;
inline constexpr int kScreenSun = 11;
inline constexpr int kScreenMoon = 12;
inline constexpr int kScreenPathView = 13;
inline constexpr int kScreenCompass = 14;
// The measuring tool: length, area and volume.
inline constexpr int kScreenCalcLength = 21;
inline constexpr int kScreenCalcArea = 22;
inline constexpr int kScreenCalcVolume = 23;
inline constexpr int kScreenCalcFirst = kScreenCalcLength;
inline constexpr int kScreenCalcLast = kScreenCalcVolume;
inline constexpr int kScreenRaw = 99;

extern HWND MainWindow;
extern HWND MainListView;        // the list view of every list screen (id 901)
extern int CurrentScreen;        // 1 at start
extern bool QuickRepaint;        // the next map repaint keeps the background
// Seconds counted by timer 2: always, and while the port is open.
extern uint64_t UpTimeSeconds;
extern uint64_t RunTimeSeconds;
