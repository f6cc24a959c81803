// kit/dialogs.h - the small modal dialogs many commands share: a one-line
// text entry, an editor for up to three coordinates, a list to choose one
// or several entries from, and the program's Yes/No question and message.
//
// The templates ("AT_DIALOG_EN", "DIALOG_XYZ", "ATL_DIALOG_EN",
// "ATL1_DIALOG_EN") are resources of the executable. Every dialog is modal
// and runs on the UI thread; nothing throws.
#pragma once
#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

// Characters the text entry hands back at most; its buffer holds one more.
inline constexpr size_t kTextEntryChars = 1000;
inline constexpr size_t kTextEntryBufferSize = kTextEntryChars + 1;

// Title on the window, prompt above the edit, text (a buffer of
// kTextEntryBufferSize) the initial text and, on OK, the result. True on OK.
bool ShowTextEntryDialog(HWND owner, const wchar_t* title, const wchar_t* prompt, wchar_t* text);

// One edit per coordinate given (null hides its label and edit), shown as
// "%.7f". On OK the edits are read back through the pointers and the result
// is true; Cancel changes nothing.
bool ShowXyzDialog(HWND owner, double* x, double* y, double* z);

// The entries in a list box, one or several selectable. On OK *selected gets
// one flag per entry, in order; false on Cancel.
bool ShowSelectDialog(HWND owner, const wchar_t* title, const wchar_t* prompt,
                      const std::vector<std::wstring>& entries, std::vector<bool>* selected, bool single);

// The whole text of a window or control; empty when it has none.
std::wstring WholeWindowText(HWND window);

// A Yes/No question captioned with the program's title, No the default
// button when noDefault; true on Yes.
bool AskYesNo(HWND owner, const wchar_t* text, bool noDefault);
// A message box captioned with the program's title; its result (IDOK, IDYES,
// IDNO, IDCANCEL).
int ProgramMessageBox(HWND owner, const wchar_t* text, UINT type);
