// app/commands.h - command dispatch: the ids of the menus, keys and command
// line to the shell's own commands and, by range, to the handlers of the
// other subsystems (the table in app/commands.cpp names each).
#pragma once
#include <windows.h>

// WM_COMMAND: the command id in the low word of wParam; lParam kPickMarker
// opens a list for picking. An id nobody handles does nothing and gives 0.
LRESULT DispatchCommand(HWND window, WPARAM wParam, LPARAM lParam);

// ---------------------------------------------------------------------------
// What the commands reach outside the program: each starts as the real call,
// and a test puts its own in place.
struct SHELL_SEAMS {
    // Command 104: sets the machine's clock (SetSystemTime), which a test must
    // never do for real.
    bool (*setSystemTime)(const SYSTEMTIME* utc);
    // Command 197, after the old update files are deleted: the update run
    // (RunSelfUpdate) goes to the maker's site and replaces the running
    // program; a test gives its result instead (99 closes the program).
    int (*runSelfUpdate)(const wchar_t* product, const wchar_t* productId);
};
extern SHELL_SEAMS ShellSeams;
