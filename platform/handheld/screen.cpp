// The device screen and the full-screen switch of the handheld builds.
#include "platform/handheld/handheld.h"

#include <algorithm>

int FullScreenState = kFullScreenNormal;
RECT SavedMenuBarRect = {};

namespace {

// Shell flags of the two modes: everything the shell shows hidden, or shown.
constexpr DWORD kHideAll = kShellHideTaskBar | kShellHideInputButton | kShellHideStartIcon;   // 42
constexpr DWORD kShowAll = kShellShowTaskBar | kShellShowInputButton | kShellShowStartIcon;   // 21

void EnterFullScreen(HWND window)
{
    HandheldShellFullScreen(window, kHideAll);
    FullScreenState = kFullScreenFull;
    const RECT screen = DeviceScreenRect();
    MoveWindow(window, screen.left, screen.top, screen.right - screen.left, screen.bottom - screen.top, TRUE);
    SavedMenuBarRect = RECT{};
    if (HWND bar = FindHandheldMenuBar(window)) {
        GetWindowRect(bar, &SavedMenuBarRect);
        SetWindowPos(bar, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void LeaveFullScreen(HWND window)
{
    HandheldShellFullScreen(window, kShowAll);
    FullScreenState = kFullScreenNormal;
    RECT area = DeviceWorkArea();
    const RECT& bar = SavedMenuBarRect;
    area.bottom -= bar.bottom - bar.top;
    MoveWindow(window, area.left, area.top, area.right - area.left, area.bottom - area.top, TRUE);
    // The bar in place now may be a newer one than the bar that was shrunk:
    // a screen changed while full hands its bar the shrunk one's place.
    if (HWND current = FindHandheldMenuBar(window))
        SetWindowPos(current, nullptr, bar.left, bar.top, bar.right - bar.left, bar.bottom - bar.top,
                     SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

}  // namespace

RECT DeviceScreenRect()
{
    const int left = std::max(0, (GetSystemMetrics(SM_CXSCREEN) - kDeviceScreenWidth) / 2);
    const int top = std::max(0, (GetSystemMetrics(SM_CYSCREEN) - kDeviceScreenHeight) / 2);
    return RECT{left, top, left + kDeviceScreenWidth, top + kDeviceScreenHeight};
}

RECT DeviceWorkArea()
{
    // The task bar is the top window's caption, so nothing is taken off.
    return DeviceScreenRect();
}

void SetFullScreenMode(HWND window, int mode)
{
    if (!window || mode < kFullScreenToggle || mode > kFullScreenFull)
        return;
    if ((mode == kFullScreenFull && FullScreenState == kFullScreenFull) ||
        (mode == kFullScreenNormal && FullScreenState == kFullScreenNormal))
        return;
    const bool full = mode == kFullScreenFull || (mode == kFullScreenToggle && FullScreenState == kFullScreenNormal);
    if (full)
        EnterFullScreen(window);
    else
        LeaveFullScreen(window);
}
