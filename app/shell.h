// app/shell.h - the application shell: start-up and shutdown, the main
// window with its screens, and command dispatch.
//
// RunApplication is the whole program: it prepares the process, makes sure
// one instance runs, opens the settings, creates the 240 x 320 main window
// with its timers and tray icon, acts on the command line, runs the message
// loop and, when the window is gone, saves the settings and releases what it
// holds (app/startup.h). MainWndProc shows one screen at a time (painted,
// list or web map), takes every GPS sentence or frame from the reader
// thread (WM_GPSDATA) and decides what to repaint, runs the periodic
// timers, answers the tray icon, and asks before closing while a track is
// recorded, paused or followed (app/main_window.h). DispatchCommand carries
// out the commands of the menus, keys and command line (app/commands.h).
//
// Threads: everything here runs on the UI thread; the reader thread reaches
// the main window only by the messages GpsDevice sends it (gps/gps.h).
// Nothing throws; failures are return values or message boxes with the
// program's fixed texts.
#pragma once
#include "app/commands.h"
#include "app/main_window.h"
#include "app/startup.h"
#include "gps/gps.h"
#include "kit/program.h"
#include "kit/screen_state.h"
