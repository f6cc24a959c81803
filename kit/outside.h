// kit/outside.h - where the program reaches outside itself: another
// program, a page or a file opened by the system, and the sound device.
//
// Each pointer starts as the real thing; a test puts its own in place (and
// back) so that nothing leaves the test's process. UI thread, except that
// the reader thread plays the fix and route sounds.
#pragma once
#include <windows.h>

struct OUTSIDE_SEAMS {
    // ShellExecuteExW "open" of target (a page, a file or a program), asking
    // for the ShowWindow mode show: a test must not start another program.
    bool (*openExternal)(HWND window, const wchar_t* target, int show);
    // Plays one of the program's WAVE resources asynchronously: Wine here has
    // no sound device, so a test logs what would be heard.
    void (*playSound)(const wchar_t* name);
};
extern OUTSIDE_SEAMS OutsideSeams;
