// tracks/track_hooks.h - what the recorder, route following and the exports
// still ask of the shell: its window and screen, the record options, route
// following, and opening a written file.
#pragma once
#include <windows.h>

class GpsPort;

// Set at start-up; a null member does nothing (a null currentScreen counts as
// no list shown).

inline constexpr int kTrackListScreen = 6;      // the CurrentScreen value the recorder looks for

struct TRACK_HOOKS {
    HWND (*mainWindow)();                    // owner of timer 4 (route guidance)
    int (*currentScreen)();                  // 6 tracks, 7 waypoints
    // "DIALOG_RECORDOPTIONS" before a recording starts: false on Cancel. Null
    // starts with the stored filters.
    bool (*recordOptionsDialog)(HWND window);
    // One step of route following on the reader thread, called without the
    // lock while the recorder state is 3 and the fix is valid.
    void (*followRoute)(GpsPort* port);
    // Opens a written file with the system's "open" verb. Null opens nothing.
    bool (*openFile)(HWND window, const wchar_t* path);
};
extern TRACK_HOOKS TrackHooks;
