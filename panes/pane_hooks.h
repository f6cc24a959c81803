// panes/pane_hooks.h - what the panes ask of other subsystems (the turn
// search, the sounds), filled at start-up.
#pragma once
#include "gps/gps_record.h"

#include <windows.h>

#include <cstdint>

// What the panes ask of other subsystems; a null member has its default.
struct PANE_HOOKS {
    // The next turn of the followed route (route following): true with the
    // turn's angle (radians, relative to the course) and the distance to it
    // (distance unit). False when none lies ahead; the angle may then be
    // changed. Null: never a turn.
    bool (*findNextTurn)(GPS_CURRENT* live, double* angle, double* distance);
    // Plays a WAVE resource of the program asynchronously. Null: PlaySoundW
    // from the program's module.
    void (*playSound)(const wchar_t* name);
};
extern PANE_HOOKS PaneHooks;
