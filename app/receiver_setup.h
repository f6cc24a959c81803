// app/receiver_setup.h - the receiver's set-up from the menus: the GPS
// configuration dialog (command 101) and the SIRF menu (commands 400-500).
//
// The dialog "DIALOG_GPSCFG" writes the four keys of "cfg\gps" into the
// settings document; the port itself opens only with command 102, which
// reads them again. The SIRF menu sends its commands through
// gps/receiver_commands.h, asking first for a rate ("AT_DIALOG_EN") or for
// the rates and speed of "DIALOG_BACKNMEA". UI thread only; nothing throws
// and no failed write is reported.
#pragma once
#include <windows.h>

#include <cstddef>

// The dialog procedure of "DIALOG_GPSCFG" (parameter 0): OK writes the keys
// and ends with 1, Cancel ends with 2.
INT_PTR CALLBACK GpsConfigDlgProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam);
// Command 101: the dialog, modal, owned by window; the main window is
// repainted after OK. The dialog's result (1 OK, 2 Cancel, -1 not shown).
INT_PTR ShowGpsConfigDialog(HWND window);

// The port name as stored: the whole characters of text whose UTF-8 fits
// into size - 1 bytes (the connect reads no more), into out, terminated.
// Returns the bytes written; *wideUsed (optional) gets the UTF-16 units of
// text they came from.
size_t PortNameForSetting(const wchar_t* text, char* out, size_t size, size_t* wideUsed = nullptr);

// Commands 400-500 (the shell refuses them itself while the GPS driver is
// the input). Always 0.
LRESULT HandleSirfCommand(HWND window, int command);

