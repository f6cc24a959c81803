// app/options.h - the option dialogs: the settings of "pathvex.xml" that
// the user changes (so far the record and play options).
//
// Each dialog is a modal dialog from a template of the program's resources,
// owned by the window given. OK copies the controls into the setting globals
// (app/settings.h and the owners it names), writes their keys into
// SettingsDocument in memory (the file is written at shutdown) and repaints
// the owner; Cancel changes nothing. The shell reaches them through its
// seams (InstallSubsystemSeams plugs them in): the commands of the option
// dialogs, and the recorder's and the route commands' TrackHooks.
//
// A number typed into a dialog is read as an unsigned decimal up to its
// first other character; text without a digit, a sign or a value beyond 32
// bits reads as 0 and then takes its row's replacement, so no typing stores
// a value the program would misread.
//
// UI thread only. Nothing throws; a template that cannot be loaded shows
// nothing and counts as Cancel.
#pragma once
#include <windows.h>

// The option dialogs' commands (1904 record, 1907 play): shows the
// command's dialog; other commands do nothing.
void ShowOptionDialog(HWND owner, int command);

// "DIALOG_RECORDOPTIONS" (Start Recording asks it first): true on OK.
bool ShowRecordOptionsDialog(HWND owner);
// "DIALOG_PLAYOPTIONS" (the run and go-to commands ask it before a route
// starts): true on OK.
bool ShowPlayOptionsDialog(HWND owner);

// Dialog procedures, one per template; each is opened with parameter 0.
INT_PTR CALLBACK RecordOptionsDlgProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK PlayOptionsDlgProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam);
