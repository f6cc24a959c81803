// tracks/track_commands.h - the track commands: recording and its stop,
// routes to a typed target, the track list's commands, and normalisation.
// UI thread only.
#pragma once
#include "kit/option_binding.h"

#include <windows.h>

#include <span>

struct TRACK;

// Ends a recording, a pause or a followed route: state 0, timer 4 stopped.
// A recording with points becomes a new track "Track <n + 1>" in
// CurrentTrackElement, saved at once; a route or an idle recorder writes
// nothing. The points stay in ActiveTrack.
void StopRecording();

// The track commands for WM_COMMAND: recording (1201-1204), routes to a
// typed target (1205-1207) and the track list's (1251-1260): view, run
// straight or reversed, delete, length, rename, categories, normalise,
// move. A command that works on a track refuses a category and a track
// without points; every command ends silently when its selection, the
// recorder state or a dialog does not allow it. The list is the window's
// child IDC_MAIN_LISTVIEW. Other messages and ids do nothing. Always 0.
LRESULT TrackCommand(HWND window, WPARAM wParam);

// Thins track->points in place: interior points of tight clusters of one
// cell ("ntm" metres), then interior points of nearly straight runs
// (RecordAngleFilter degrees). The first and the last point stay; fewer
// than three points are left as they are. Examined points (and their
// neighbours) get course 0. UI thread, never on ActiveTrack while a route
// is followed.
void NormalizeTrack(TRACK* track);

// The two option dialogs of recording and route following. Each is a modal
// dialog from its template, owned by window, bound to the settings table
// (kit/option_binding.h): OK copies the controls into the globals, writes
// their keys into SettingsDocument in memory and repaints the owner.
inline constexpr wchar_t kRecordOptionsTemplate[] = L"DIALOG_RECORDOPTIONS";
inline constexpr wchar_t kPlayOptionsTemplate[] = L"DIALOG_PLAYOPTIONS";
// Start Recording asks it first: true on OK.
bool ShowRecordOptionsDialog(HWND owner);
// The run and go-to commands ask it before a route starts: true on OK.
bool ShowPlayOptionsDialog(HWND owner);
// Their tables, keys in the order they are written; the Options menu opens
// them with BoundDialogProc.
extern const OPTION_DIALOG RecordOptionsDialog;
extern const OPTION_DIALOG PlayOptionsDialog;
