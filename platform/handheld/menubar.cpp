// The handheld menu bar: an owned pop-up window that shows one menu resource
// in its frame and passes its commands to the owner. Destroying the bar
// destroys its menu with it.
#include "platform/handheld/handheld.h"

#include <algorithm>

namespace {

constexpr wchar_t kMenuBarClass[] = L"PathvexMenuBar";
// The owner keeps its bar under this window property.
constexpr wchar_t kMenuBarProperty[] = L"PathvexMenuBar";

LRESULT CALLBACK MenuBarProc(HWND bar, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_COMMAND:
    case WM_INITMENUPOPUP:
        // The owner acts on the bar's menu as on a menu of its own.
        if (HWND owner = GetWindow(bar, GW_OWNER))
            return SendMessageW(owner, msg, wParam, lParam);
        return 0;
    case WM_MOUSEACTIVATE:
        // A tap on the bar must leave the keyboard with the main window.
        return MA_NOACTIVATE;
    }
    return DefWindowProcW(bar, msg, wParam, lParam);
}

bool RegisterMenuBarClass(HINSTANCE instance)
{
    WNDCLASSW wc{};
    if (GetClassInfoW(instance, kMenuBarClass, &wc))
        return true;
    wc.lpfnWndProc = MenuBarProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_MENU + 1);
    wc.lpszClassName = kMenuBarClass;
    return RegisterClassW(&wc) != 0;
}

// The bar's outer height: its menu line and its border.
int MenuBarWindowHeight()
{
    return GetSystemMetrics(SM_CYMENU) + 2 * GetSystemMetrics(SM_CYBORDER);
}

}  // namespace

HWND FindHandheldMenuBar(HWND owner)
{
    if (!owner)
        return nullptr;
    HWND bar = static_cast<HWND>(GetPropW(owner, kMenuBarProperty));
    return bar && IsWindow(bar) ? bar : nullptr;
}

void DestroyHandheldMenuBar(HWND owner)
{
    if (!owner)
        return;
    if (HWND bar = FindHandheldMenuBar(owner))
        DestroyWindow(bar);
    RemovePropW(owner, kMenuBarProperty);
}

HWND CreateHandheldMenuBar(HWND owner, int menuId)
{
    if (!owner)
        return nullptr;
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    RECT place{};
    if (HWND old = FindHandheldMenuBar(owner)) {
        GetWindowRect(old, &place);
    } else {
        RECT frame{};
        GetWindowRect(owner, &frame);
        place = frame;
        place.top = std::max(frame.top, frame.bottom - MenuBarWindowHeight());
    }
    DestroyHandheldMenuBar(owner);
    if (!RegisterMenuBarClass(instance))
        return nullptr;
    HMENU menu = LoadMenuW(instance, MAKEINTRESOURCEW(menuId));
    if (!menu)
        return nullptr;
    HWND bar = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kMenuBarClass, L"",
                               WS_POPUP | WS_BORDER, place.left, place.top, place.right - place.left,
                               place.bottom - place.top, owner, menu, instance, nullptr);
    if (!bar) {
        DestroyMenu(menu);
        return nullptr;
    }
    SetPropW(owner, kMenuBarProperty, bar);
    ShowWindow(bar, SW_SHOWNOACTIVATE);
    return bar;
}

int HandheldMenuBarHeight(HWND owner)
{
    HWND bar = FindHandheldMenuBar(owner);
    if (!bar)
        return 0;
    RECT r{};
    GetWindowRect(bar, &r);
    return r.bottom - r.top;
}

bool HandheldShellFullScreen(HWND window, DWORD flags)
{
    if (!window || !IsWindow(window))
        return false;
    const DWORD pairs[][2] = {
        {kShellShowTaskBar, kShellHideTaskBar},
        {kShellShowInputButton, kShellHideInputButton},
        {kShellShowStartIcon, kShellHideStartIcon},
    };
    for (const auto& p : pairs)
        if ((flags & p[0]) && (flags & p[1]))
            return false;
    // The device screen's task bar is the window's caption.
    const LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
    LONG_PTR wanted = style;
    if (flags & kShellHideTaskBar)
        wanted &= ~static_cast<LONG_PTR>(WS_CAPTION);
    if (flags & kShellShowTaskBar)
        wanted |= WS_CAPTION;
    if (wanted != style) {
        SetWindowLongPtrW(window, GWL_STYLE, wanted);
        SetWindowPos(window, nullptr, 0, 0, 0, 0,
                     SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    return true;
}

bool InitHandheldDialog(HWND dialog)
{
    HWND owner = dialog ? GetWindow(dialog, GW_OWNER) : nullptr;
    if (!owner)
        return false;
    RECT r{};
    GetWindowRect(owner, &r);
    return MoveWindow(dialog, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE) != 0;
}
