// tracks/track_hooks.h - what the recorder and the track and waypoint
// commands ask of the shell: its window and screen, its dialogs, the
// settings save, the web map pages and opening a written file.
#pragma once
#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

class GpsPort;

// Set at start-up; a null member does nothing (a null currentScreen counts as
// no list shown).

inline constexpr int kTrackListScreen = 6;      // CurrentScreen values the stores look for
inline constexpr int kWaypointListScreen = 7;

struct TRACK_HOOKS {
    HWND (*mainWindow)();                    // owner of timer 4 (route guidance)
    int (*currentScreen)();                  // 6 tracks, 7 waypoints
    int (*saveSettingsDocument)();           // "pathvex.xml" to its own file; 1 written
    void (*refillWaypointList)(HWND window); // screen 7 shown from its top level
    // "DIALOG_RECORDOPTIONS" before a recording starts: false on Cancel. Null
    // starts with the stored filters.
    bool (*recordOptionsDialog)(HWND window);
    // "DIALOG_PLAYOPTIONS" before a route starts (the run and go-to
    // commands): false on Cancel. Null starts with the stored options.
    bool (*playOptionsDialog)(HWND window);
    // One step of route following on the reader thread, called without the
    // lock while the recorder state is 3 and the fix is valid.
    void (*followRoute)(GpsPort* port);

    // The shell's shared dialogs (kit/dialogs.h); null counts as Cancel.
    // text is a buffer of kTrackTextSize characters: the preset and, on OK,
    // the typed text.
    bool (*textEntryDialog)(HWND owner, const wchar_t* title, const wchar_t* prompt, wchar_t* text);
    // Edits for the coordinates given (null hides one); true on OK.
    bool (*xyzDialog)(HWND owner, double* x, double* y, double* z);
    // One entry chosen (single) or several; one flag per entry on OK.
    bool (*selectDialog)(HWND owner, const wchar_t* title, const wchar_t* prompt,
                         const std::vector<std::wstring>& entries, std::vector<bool>* selected, bool single);
    // A Yes/No question captioned with the program's title, No as the
    // default button when noDefault; true on Yes. Null answers No.
    bool (*askYesNo)(HWND owner, const wchar_t* text, bool noDefault);
    // "mfp" (the map follows the position) on for this run, not saved.
    void (*followPositionOnMap)();
    // "xmv": 1 shows the waypoint list's coordinates as stored, else in
    // degrees, minutes and seconds. Null: degrees, minutes and seconds.
    int (*coordinateFormat)();
    // The web map page of provider 1 or 2 centred on (x, y) at zoom, after
    // the online map screen was entered. Null: the screen alone.
    void (*showWebMapPage)(HWND window, int provider, double x, double y, int zoom);
    // The web map page commands (1701-1799: a public page of the selected
    // waypoint) for ids that reach the waypoint commands. Null: nothing.
    LRESULT (*webMapPageCommand)(HWND window, UINT msg, WPARAM wParam);
    // A message box captioned with the program's title; its result (IDOK,
    // IDYES, IDNO, IDCANCEL). Null answers IDCANCEL and shows nothing.
    int (*messageBox)(HWND owner, const wchar_t* text, UINT type);
    // Opens a written file with the system's "open" verb. Null opens nothing.
    bool (*openFile)(HWND window, const wchar_t* path);
};
extern TRACK_HOOKS TrackHooks;

// Characters of a text handed to TrackHooks.textEntryDialog, with its end.
inline constexpr size_t kTrackTextSize = 1001;
