// The routines behind every bound option dialog: fill the controls from the
// globals, apply them on OK, end the dialog.
#include "kit/option_binding.h"

#include "kit/display.h"
#if defined(PATHVEX_HANDHELD)
#include "platform/handheld/handheld.h"
#endif

#include <cstdint>
#include <iterator>

namespace {

// Characters of a number's control that are read; more digits than this
// are beyond 32 bits anyway.
constexpr int kNumberChars = 64;

void FillBinding(HWND dialog, const OPTION_BINDING& b)
{
    const unsigned value = SettingGlobalNumber(b.setting);
    HWND control = GetDlgItem(dialog, b.control);
    switch (b.kind) {
    case BoundKind::Check:
        CheckDlgButton(dialog, b.control, value ? BST_CHECKED : BST_UNCHECKED);
        break;
    case BoundKind::ComboText:
        for (const wchar_t* item : b.items)
            SendMessageW(control, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
        SetDlgItemInt(dialog, b.control, value, FALSE);
        break;
    case BoundKind::ComboIndex:
        for (const wchar_t* item : b.items)
            SendMessageW(control, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
        SendMessageW(control, CB_SETCURSEL, value, 0);
        break;
    case BoundKind::Number:
        SetDlgItemInt(dialog, b.control, value, FALSE);
        break;
    }
}

// The value the control holds now; previous when it holds none (a list
// without a selection).
unsigned ControlValue(HWND dialog, const OPTION_BINDING& b, unsigned previous)
{
    switch (b.kind) {
    case BoundKind::Check:
        return IsDlgButtonChecked(dialog, b.control) == BST_CHECKED ? 1u : 0u;
    case BoundKind::ComboIndex: {
        const LRESULT selected = SendDlgItemMessageW(dialog, b.control, CB_GETCURSEL, 0, 0);
        return selected >= 0 ? static_cast<unsigned>(selected) : previous;
    }
    case BoundKind::Number:
    case BoundKind::ComboText:
        return ReadControlNumber(dialog, b.control);
    }
    return previous;
}

void ApplyBinding(HWND dialog, const OPTION_BINDING& b)
{
    const unsigned previous = SettingGlobalNumber(b.setting);
    unsigned value = ControlValue(dialog, b, previous);
    if (b.replace)
        value = b.replace(value);
    // A number the key cannot hold (a unit past its table, a colour above
    // 24 bits) would be misread wherever it is used: the old value stays.
    if (value > GetSettingKey(b.setting).maxValue)
        value = previous;
    SetSettingGlobalNumber(b.setting, value);
    WriteSettingGlobal(b.setting);
}

void Accept(HWND dialog, const OPTION_DIALOG& d)
{
    if (d.accept && !d.accept(dialog))
        return;
    for (const OPTION_BINDING& b : d.bindings)
        ApplyBinding(dialog, b);
    if (d.apply)
        d.apply(dialog);
    if (HWND owner = GetWindow(dialog, GW_OWNER))
        RefreshWindow(owner);
    EndDialog(dialog, IDOK);
}

}  // namespace

unsigned ParseOptionNumber(const wchar_t* text)
{
    if (!text)
        return 0;
    while (*text == L' ' || *text == L'\t')
        ++text;
    uint64_t value = 0;
    for (; *text >= L'0' && *text <= L'9'; ++text) {
        value = value * 10 + static_cast<unsigned>(*text - L'0');
        if (value > UINT32_MAX)
            return 0;
    }
    return static_cast<unsigned>(value);
}

unsigned ReadControlNumber(HWND dialog, int control)
{
    wchar_t text[kNumberChars + 1] = {};
    GetDlgItemTextW(dialog, control, text, static_cast<int>(std::size(text)));
    return ParseOptionNumber(text);
}

INT_PTR RunBoundDialog(HWND dialog, UINT msg, WPARAM wParam, const OPTION_DIALOG& d)
{
    switch (msg) {
    case WM_INITDIALOG:
#if defined(PATHVEX_HANDHELD)
        InitHandheldDialog(dialog);
#endif
        for (const OPTION_BINDING& b : d.bindings)
            FillBinding(dialog, b);
        if (d.fill)
            d.fill(dialog);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            Accept(dialog, d);
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        default:
            return d.command && d.command(dialog, wParam);
        }
    }
    return FALSE;
}
