// The option dialogs of the Tools/Options menu and the commands that open
// them.
#include "app/options.h"

#include "kit/display.h"
#include "kit/option_binding.h"
#include "panes/panes.h"
#include "resources/resource.h"
#include "tracks/track_commands.h"
#include "tracks/waypoints.h"
#include "xml/utf8text.h"

#include <commdlg.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <iterator>
#include <string>

namespace {

using I = SettingId;
using K = BoundKind;

constexpr wchar_t kSpeedOptionsTemplate[] = L"DIALOG_SPDOPTIONS";
constexpr wchar_t kDistanceOptionsTemplate[] = L"DIALOG_DSTOPTIONS";
constexpr wchar_t kProgramOptionsTemplate[] = L"DIALOG_PATHVEXOPTIONS";
constexpr wchar_t kTrackingOptionsTemplate[] = L"DIALOG_TRACKINGOPTIONS";
constexpr wchar_t kColorOptionsTemplate[] = L"DIALOG_COLOROPTIONS";
constexpr wchar_t kMapOptionsTemplate[] = L"DIALOG_MAPOPTIONS";
#if !defined(PATHVEX_WM)
constexpr wchar_t kCalibratorTemplate[] = L"DIALOG_GOOGLECALIBRATE";
#endif

// ---------------------------------------------------------------------------
// "DIALOG_SPDOPTIONS", "DIALOG_DSTOPTIONS", "DIALOG_PATHVEXOPTIONS"

// In SpeedUnit and DistanceUnit order; the speed units as the panes label
// them.
const wchar_t* const kSpeedUnits[] = {SpeedUnitLabel(0), SpeedUnitLabel(1), SpeedUnitLabel(2), SpeedUnitLabel(3)};
constexpr const wchar_t* kDistanceUnits[] = {L"m / Km", L"Statute Miles/Inches", L"Nautical Miles/Feet"};

constexpr OPTION_BINDING kSpeedOptions[] = {
    {IDC_SPDOPT_WARN, K::Check, I::Slw, nullptr},
    {IDC_SPDOPT_UNIT, K::ComboIndex, I::Smv, nullptr, kSpeedUnits},
};
constexpr OPTION_DIALOG kSpeedOptionsDialog{kSpeedOptions, nullptr, nullptr, nullptr, nullptr};

constexpr OPTION_BINDING kDistanceOptions[] = {
    {IDC_DSTOPT_UNIT, K::ComboIndex, I::Dmv, nullptr, kDistanceUnits},
};
constexpr OPTION_DIALOG kDistanceOptionsDialog{kDistanceOptions, nullptr, nullptr, nullptr, nullptr};

constexpr OPTION_BINDING kProgramOptions[] = {
    {IDC_PRGOPT_AUTOCONNECT, K::Check, I::Agc, nullptr},
    {IDC_PRGOPT_SOLID_COMPASS, K::Check, I::Ics, nullptr},
    {IDC_PRGOPT_COMPASS_LETTERS, K::Check, I::Scl, nullptr},
    {IDC_PRGOPT_DECIMAL_XY, K::Check, I::Xmv, nullptr},
    {IDC_PRGOPT_BACKLIGHT, K::Check, I::Kbo, nullptr},
};
constexpr OPTION_DIALOG kProgramOptionsDialog{kProgramOptions, nullptr, nullptr, nullptr, nullptr};

// ---------------------------------------------------------------------------
// "DIALOG_TRACKINGOPTIONS"

// Characters of the address template the edit takes; its UTF-8 form is cut
// to the same number of bytes, at a character's start.
constexpr int kTrackingUrlChars = kInternetTrackingUrlSize - 1;

constexpr OPTION_BINDING kTrackingOptions[] = {
    {IDC_TRKOPT_ENABLE, K::Check, I::Eit, nullptr},
    {IDC_TRKOPT_INTERVAL, K::Number, I::Its, nullptr},
};

// An empty template leaves the example the dialog's template shows.
void FillTrackingOptions(HWND dialog)
{
    SendDlgItemMessageW(dialog, IDC_TRKOPT_URL, EM_SETLIMITTEXT, kTrackingUrlChars, 0);
    if (!InternetTrackingUrl[0])
        return;
    const std::wstring url = SettingTextWide(InternetTrackingUrl);
    if (!url.empty())
        SetDlgItemTextW(dialog, IDC_TRKOPT_URL, url.c_str());
}

// The template, then timer 3 of the owner anew: stopped at once for 0, else
// restarted with the new period (kept within what SetTimer takes).
void ApplyTrackingOptions(HWND dialog)
{
    wchar_t url[kTrackingUrlChars + 1] = {};
    GetDlgItemTextW(dialog, IDC_TRKOPT_URL, url, static_cast<int>(std::size(url)));
    const std::string utf8 = WideToUtf8(url);
    // A cut inside a character would store text that is not UTF-8.
    const size_t length = Utf8CutLength(utf8.c_str(), kTrackingUrlChars);
    std::memset(InternetTrackingUrl, 0, sizeof InternetTrackingUrl);
    std::memcpy(InternetTrackingUrl, utf8.data(), length);
    WriteSettingGlobal(I::Itu);

    HWND owner = GetWindow(dialog, GW_OWNER);
    if (!owner)
        return;
    KillTimer(owner, TIMER_TRACKING);
    if (InternetTrackingSeconds) {
        const UINT seconds = std::min<UINT>(InternetTrackingSeconds, USER_TIMER_MAXIMUM / 1000u);
        SetTimer(owner, TIMER_TRACKING, seconds * 1000u, nullptr);
    }
}

constexpr OPTION_DIALOG kTrackingOptionsDialog{kTrackingOptions, FillTrackingOptions, nullptr,
                                               ApplyTrackingOptions, nullptr};

// ---------------------------------------------------------------------------
// "DIALOG_COLOROPTIONS": edit n shows a colour, the button n + 100 chooses it.

constexpr int kColorPickOffset = IDC_COLOROPT_PICK_FIRST - IDC_COLOROPT_EDIT_FIRST;

constexpr OPTION_BINDING kColorOptions[] = {
    {IDC_COLOROPT_EDIT_FIRST + 0, K::Number, I::C1, nullptr},
    {IDC_COLOROPT_EDIT_FIRST + 1, K::Number, I::C2, nullptr},
    {IDC_COLOROPT_EDIT_FIRST + 2, K::Number, I::C3, nullptr},
    {IDC_COLOROPT_EDIT_FIRST + 3, K::Number, I::C4, nullptr},
    {IDC_COLOROPT_EDIT_FIRST + 4, K::Number, I::C5, nullptr},
    {IDC_COLOROPT_EDIT_FIRST + 5, K::Number, I::C6, nullptr},
};

// The system's colour chooser, opened on the number in the edit; what it
// returns goes back into the edit.
bool ChooseEditColor(HWND dialog, WPARAM wParam)
{
    const int button = LOWORD(wParam);
    if (button < IDC_COLOROPT_PICK_FIRST || button > IDC_COLOROPT_PICK_LAST)
        return false;
    const int edit = button - kColorPickOffset;
    COLORREF custom[16] = {};   // a fresh table of black each time
    CHOOSECOLORW choose{};
    choose.lStructSize = sizeof choose;
    choose.hwndOwner = dialog;
    choose.rgbResult = ReadControlNumber(dialog, edit) & 0xFFFFFF;
    choose.lpCustColors = custom;
    choose.Flags = CC_RGBINIT | CC_FULLOPEN | CC_ANYCOLOR;
    if (ChooseColorW(&choose))
        SetDlgItemInt(dialog, edit, choose.rgbResult, FALSE);
    return true;
}

constexpr OPTION_DIALOG kColorOptionsDialog{kColorOptions, nullptr, nullptr, nullptr, ChooseEditColor};

// ---------------------------------------------------------------------------
// The commands.

struct OPTION_COMMAND {
    int command;
    const wchar_t* templateName;
    DLGPROC procedure;
    std::span<const OPTION_BINDING> bindings;
};

// The record and play dialogs are tracks' own (tracks/track_options.cpp).
const OPTION_COMMAND kOptionCommands[] = {
    {IDM_OPTIONS_MAP, kMapOptionsTemplate, MapOptionsDlgProc, {}},
    {IDM_OPTIONS_SPEED, kSpeedOptionsTemplate, BoundDialogProc<kSpeedOptionsDialog>, kSpeedOptions},
    {IDM_OPTIONS_PROGRAM, kProgramOptionsTemplate, BoundDialogProc<kProgramOptionsDialog>, kProgramOptions},
    {IDM_OPTIONS_RECORD, kRecordOptionsTemplate, BoundDialogProc<RecordOptionsDialog>, RecordOptionsDialog.bindings},
    {IDM_OPTIONS_DISTANCE, kDistanceOptionsTemplate, BoundDialogProc<kDistanceOptionsDialog>, kDistanceOptions},
    {IDM_OPTIONS_TRACKING, kTrackingOptionsTemplate, BoundDialogProc<kTrackingOptionsDialog>, kTrackingOptions},
    {IDM_OPTIONS_PLAY, kPlayOptionsTemplate, BoundDialogProc<PlayOptionsDialog>, PlayOptionsDialog.bindings},
    {IDM_OPTIONS_COLORS, kColorOptionsTemplate, BoundDialogProc<kColorOptionsDialog>, kColorOptions},
#if !defined(PATHVEX_WM)
    {IDM_CALIBRATOR, kCalibratorTemplate, CalibratorDlgProc, {}},
#endif
};

INT_PTR ShowTemplate(HWND owner, const wchar_t* templateName, DLGPROC procedure)
{
    return DialogBoxParamW(GetModuleHandleW(nullptr), templateName, owner, procedure, 0);
}

}  // namespace

void ShowOptionDialog(HWND owner, int command)
{
    for (const OPTION_COMMAND& c : kOptionCommands)
        if (c.command == command) {
            ShowTemplate(owner, c.templateName, c.procedure);
            return;
        }
}

std::span<const OPTION_BINDING> OptionBindings(const wchar_t* templateName)
{
    if (templateName && std::wcscmp(templateName, kMapOptionsTemplate) == 0)
        return MapOptionBindings();
    for (const OPTION_COMMAND& c : kOptionCommands)
        if (templateName && std::wcscmp(c.templateName, templateName) == 0)
            return c.bindings;
    return {};
}
