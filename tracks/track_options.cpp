// The option dialogs of recording and route following, bound to the
// settings table.
#include "tracks/track_commands.h"

#include "resources/resource.h"

#include <commctrl.h>

namespace {

using I = SettingId;
using K = BoundKind;

// ---------------------------------------------------------------------------
// "DIALOG_RECORDOPTIONS"

constexpr const wchar_t* kFilterSteps[] = {L"2", L"4", L"6", L"8", L"10", L"12", L"14", L"16", L"18", L"20"};

constexpr OPTION_BINDING kRecordOptions[] = {
    {IDC_RECOPT_MIN_SPEED, K::ComboText, I::TrackSpeed, ZeroBecomes<5>, kFilterSteps},
    {IDC_RECOPT_MIN_ANGLE, K::ComboText, I::TrackAngle, ZeroBecomes<10>, kFilterSteps},
    {IDC_RECOPT_NORMALIZE, K::Number, I::Ntm, AboveBecomes<100, 15>},
    {IDC_RECOPT_CELLID, K::Check, I::Rci, nullptr},
    {IDC_RECOPT_DRAW_PATH, K::Check, I::Drp, nullptr},
    {IDC_RECOPT_SPEED, K::Check, I::Rsc, nullptr},
    {IDC_RECOPT_TIME, K::Check, I::Rtc, nullptr},
};
// ---------------------------------------------------------------------------
// "DIALOG_PLAYOPTIONS"

constexpr const wchar_t* kTurnAngles[] = {L"10", L"20", L"30", L"45", L"60", L"90"};
// The turn warning's look-ahead on its up-down control.
constexpr int kTurnWarnUnitsMax = 1000;

unsigned TurnWarnSecondsRule(unsigned typed)
{
    return typed == 0 || typed >= 1000 ? 10 : typed;
}

// In the order the keys are written.
constexpr OPTION_BINDING kPlayOptions[] = {
    {IDC_PLAYOPT_RECALC_SECS, K::Number, I::Rws, AboveBecomes<30, 5>},
    {IDC_PLAYOPT_REACH_METERS, K::Number, I::Wrm, ZeroBecomes<15>},
    {IDC_PLAYOPT_REACH_SECS, K::Number, I::Wrs, ZeroBecomes<10>},
    {IDC_PLAYOPT_CENTER, K::Check, I::Cpc, nullptr},
    {IDC_PLAYOPT_TURN_SOUND, K::Check, I::Swt, nullptr},
    {IDC_PLAYOPT_TURN_ANGLE, K::ComboText, I::Swa, ZeroBecomes<30>, kTurnAngles},
    {IDC_PLAYOPT_CELLID_MAP, K::Check, I::Vci, nullptr},
    {IDC_PLAYOPT_WARN_UNITS, K::Number, I::Muw, BelowBecomes<10, 300>},
    {IDC_PLAYOPT_WARN_SECS, K::Number, I::Msw, TurnWarnSecondsRule},
    {IDC_PLAYOPT_PATH_SIZE, K::Number, I::Pls, AboveBecomes<30, 5>},
};

void FillPlayOptions(HWND dialog)
{
    SendDlgItemMessageW(dialog, IDC_PLAYOPT_WARN_UNITS_SPIN, UDM_SETRANGE32, 0, kTurnWarnUnitsMax);
}

bool ShowTemplate(HWND owner, const wchar_t* templateName, DLGPROC procedure)
{
    return DialogBoxParamW(GetModuleHandleW(nullptr), templateName, owner, procedure, 0) == IDOK;
}

}  // namespace

// Constant-initialised, so the Options menu's table may read them while
// it is being built.
constexpr OPTION_DIALOG RecordOptionsDialog{kRecordOptions, nullptr, nullptr, nullptr, nullptr};
constexpr OPTION_DIALOG PlayOptionsDialog{kPlayOptions, FillPlayOptions, nullptr, nullptr, nullptr};

bool ShowRecordOptionsDialog(HWND owner)
{
    return ShowTemplate(owner, kRecordOptionsTemplate, BoundDialogProc<RecordOptionsDialog>);
}

bool ShowPlayOptionsDialog(HWND owner)
{
    return ShowTemplate(owner, kPlayOptionsTemplate, BoundDialogProc<PlayOptionsDialog>);
}
