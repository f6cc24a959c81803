// kit/option_binding.h - option dialogs as tables: each control bound to a
// row of the settings table (kit/settings.h), with the rule that replaces
// what was typed. One routine fills the controls from the globals and one
// applies them on OK, so a dialog procedure is a table and a few hooks.
// Shared by the option dialogs of every subsystem and their tests.
#pragma once
#include "kit/settings.h"

#include <windows.h>

#include <cstdint>
#include <span>

enum class BoundKind : uint8_t {
    Check,        // a check box: checked is 1
    Number,       // an edit showing the number
    ComboText,    // a combo with a list of numbers; its text is the number
    ComboIndex,   // a drop-down list; the selection is the number
};

struct OPTION_BINDING {
    int control;                          // control id of the template
    BoundKind kind;
    SettingId setting;                    // path, attribute and global
    unsigned (*replace)(unsigned typed);  // OK: what is kept for typed; null keeps it
    std::span<const wchar_t* const> items = {};   // ComboText, ComboIndex: the list
};

// What a dialog adds to its table. Null members do nothing.
struct OPTION_DIALOG {
    std::span<const OPTION_BINDING> bindings;   // applied and written in this order
    void (*fill)(HWND dialog);                  // after the bound controls are filled
    bool (*accept)(HWND dialog);                // OK, before anything changes: false keeps it open
    void (*apply)(HWND dialog);                 // OK, after the bound keys are written
    bool (*command)(HWND dialog, WPARAM wParam);   // a command other than OK and Cancel
};

// The whole dialog procedure of a bound dialog: WM_INITDIALOG fills, OK
// applies, writes, repaints the owner and ends with 1, Cancel ends with 2.
INT_PTR RunBoundDialog(HWND dialog, UINT msg, WPARAM wParam, const OPTION_DIALOG& d);
// The same as a dialog procedure (opened with parameter 0) for the table D.
template <const OPTION_DIALOG& D>
INT_PTR CALLBACK BoundDialogProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM)
{
    return RunBoundDialog(dialog, msg, wParam, D);
}

// The number in a control's text: leading blanks skipped, then decimal
// digits up to the first other character. No digit, or a value beyond 32
// bits, gives 0.
unsigned ReadControlNumber(HWND dialog, int control);
unsigned ParseOptionNumber(const wchar_t* text);

// Replacement rules of the table rows.
template <unsigned Value>
unsigned ZeroBecomes(unsigned typed)
{
    return typed == 0 ? Value : typed;
}
template <unsigned Limit, unsigned Value>
unsigned AboveBecomes(unsigned typed)
{
    return typed > Limit ? Value : typed;
}
template <unsigned Limit, unsigned Value>
unsigned BelowBecomes(unsigned typed)
{
    return typed < Limit ? Value : typed;
}
