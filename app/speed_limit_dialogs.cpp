// The speed limits: the dialog that moves the low and high limit in steps of
// 5 km/h, and the buttons that mark a speed into the recording.
#include "app/options.h"

#include "kit/display.h"
#include "resources/resource.h"
#include "tracks/tracks.h"
#if defined(PATHVEX_HANDHELD)
#include "platform/handheld/handheld.h"
#endif

#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <cstdint>

namespace {

constexpr wchar_t kSpeedLimitTemplate[] = L"DIALOG_SPEEDLIMIT";
constexpr wchar_t kSpeedMarkTemplate[] = L"DIALOG_SPEEDLIMIT2";
constexpr int32_t kSpeedLimitStep = 5;

// The limit each control moves, and by how much.
struct LIMIT_STEP {
    int control;
    std::atomic<int32_t>* limit;
    int32_t step;
};

constexpr LIMIT_STEP kLimitButtons[] = {
    {IDC_SPEEDLIMIT_LOW_UP, &LowSpeedLimit, kSpeedLimitStep},
    {IDC_SPEEDLIMIT_LOW_DOWN, &LowSpeedLimit, -kSpeedLimitStep},
    {IDC_SPEEDLIMIT_HIGH_UP, &HighSpeedLimit, kSpeedLimitStep},
    {IDC_SPEEDLIMIT_HIGH_DOWN, &HighSpeedLimit, -kSpeedLimitStep},
};

void ShowLimits(HWND dialog)
{
    SetDlgItemInt(dialog, IDC_SPEEDLIMIT_LOW, static_cast<UINT>(LowSpeedLimit.load()), FALSE);
    SetDlgItemInt(dialog, IDC_SPEEDLIMIT_HIGH, static_cast<UINT>(HighSpeedLimit.load()), FALSE);
}

// The limits change at once (the speed box reads them while the dialog is
// open) and never go below 0.
void StepLimit(HWND dialog, std::atomic<int32_t>* limit, int32_t step)
{
    limit->store(std::max<int32_t>(0, limit->load() + step));
    ShowLimits(dialog);
}

void OnInitSpeedLimit(HWND dialog)
{
#if defined(PATHVEX_HANDHELD)
    InitHandheldDialog(dialog);
#endif
    if (FontSet.Plus14) {
        for (const int control : {IDC_SPEEDLIMIT_LOW, IDC_SPEEDLIMIT_HIGH})
            SendDlgItemMessageW(dialog, control, WM_SETFONT, reinterpret_cast<WPARAM>(FontSet.Plus14), FALSE);
    }
    ShowLimits(dialog);
}

bool OnSpeedLimitCommand(HWND dialog, int id)
{
    if (id == IDOK || id == IDCANCEL) {
        EndDialog(dialog, id);
        return true;
    }
    for (const LIMIT_STEP& b : kLimitButtons)
        if (b.control == id) {
            StepLimit(dialog, b.limit, b.step);
            return true;
        }
    return false;
}

// The up-downs have no buddy: their delta only says which way. A negative
// one raises the limit.
bool OnSpeedLimitNotify(HWND dialog, const NMHDR* header)
{
    if (!header || header->code != UDN_DELTAPOS)
        return false;
    std::atomic<int32_t>* limit = header->idFrom == IDC_SPEEDLIMIT_LOW_SPIN    ? &LowSpeedLimit
                                  : header->idFrom == IDC_SPEEDLIMIT_HIGH_SPIN ? &HighSpeedLimit
                                                                               : nullptr;
    if (!limit)
        return false;
    const int delta = reinterpret_cast<const NMUPDOWN*>(header)->iDelta;
    if (delta != 0)
        StepLimit(dialog, limit, delta < 0 ? kSpeedLimitStep : -kSpeedLimitStep);
    return true;
}

}  // namespace

INT_PTR CALLBACK SpeedLimitDlgProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_INITDIALOG:
        OnInitSpeedLimit(dialog);
        return TRUE;
    case WM_COMMAND:
        return OnSpeedLimitCommand(dialog, LOWORD(wParam));
    case WM_NOTIFY:
        return OnSpeedLimitNotify(dialog, reinterpret_cast<const NMHDR*>(lParam));
    }
    return FALSE;
}

INT_PTR CALLBACK SpeedMarkDlgProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM)
{
    switch (msg) {
    case WM_INITDIALOG:
#if defined(PATHVEX_HANDHELD)
        InitHandheldDialog(dialog);
#endif
        return TRUE;
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        if (id == IDCANCEL) {
            EndDialog(dialog, 0);
            return TRUE;
        }
        if (id >= IDC_SPEEDMARK_FIRST && id <= IDC_SPEEDMARK_LAST && id % IDC_SPEEDMARK_STEP == 0) {
            EndDialog(dialog, id);
            return TRUE;
        }
        break;
    }
    }
    return FALSE;
}

int ShowSpeedLimitDialog(HWND owner, bool marks)
{
    const HINSTANCE module = GetModuleHandleW(nullptr);
    if (marks) {
        const INT_PTR mark = DialogBoxParamW(module, kSpeedMarkTemplate, owner, SpeedMarkDlgProc, 0);
        return mark > 0 ? static_cast<int>(mark) : 0;
    }
    DialogBoxParamW(module, kSpeedLimitTemplate, owner, SpeedLimitDlgProc, 0);
    return 0;
}
