// panes/pane_hooks.h - what the panes and the statistics ask of other
// subsystems (the sounds, the shell's counters, screen and list), filled at
// start-up.
#pragma once
#include "gps/gps_record.h"

#include <windows.h>

#include <cstdint>

// What the panes ask of other subsystems; a null member has its default.
struct PANE_HOOKS {
    // Plays a WAVE resource of the program asynchronously. Null: PlaySoundW
    // from the program's module.
    void (*playSound)(const wchar_t* name);
};
extern PANE_HOOKS PaneHooks;

// What the statistics read of the shell; the shell installs them. Called on
// the UI thread only. Null members read as 0 (and no list).
struct STATISTICS_HOOKS {
    uint64_t (*upTimeSeconds)();
    uint64_t (*runTimeSeconds)();
    int (*currentScreen)();
    HWND (*listView)();
};
extern STATISTICS_HOOKS StatisticsHooks;
