// The device screen, the full-screen switch with a real window and menu bar,
// and the device state another process reads.
#include <doctest.h>

#include "platform/handheld/handheld.h"
#include "resources/resource.h"

#include <windows.h>

#include <vector>

namespace {

bool Same(const RECT& a, const RECT& b)
{
    return EqualRect(&a, &b) != FALSE;
}

RECT WindowRect(HWND w)
{
    RECT r{};
    GetWindowRect(w, &r);
    return r;
}

std::vector<bool> ZoomKeyCalls;

// A top window laid out as the program's: over the work area, above its bar.
struct DEVICE_WINDOW {
    HWND window = nullptr;
    DEVICE_WINDOW()
    {
        WNDCLASSW wc{};
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"FullScreenTestWindow";
        RegisterClassW(&wc);
        const RECT a = DeviceWorkArea();
        window = CreateWindowExW(0, wc.lpszClassName, L"device", WS_CLIPSIBLINGS, a.left, a.top, a.right - a.left,
                                 a.bottom - a.top, nullptr, nullptr, wc.hInstance, nullptr);
        REQUIRE(CreateHandheldMenuBar(window, IDR_MENU_MAIN));
        MoveWindow(window, a.left, a.top, a.right - a.left, a.bottom - a.top - HandheldMenuBarHeight(window), FALSE);
        ShowWindow(window, SW_SHOWNOACTIVATE);
        FullScreenState = kFullScreenNormal;
        ZoomKeyCalls.clear();
        FullScreenHooks.setZoomHotKeys = [](HWND, bool on) { ZoomKeyCalls.push_back(on); };
    }
    ~DEVICE_WINDOW()
    {
        FullScreenHooks = {};
        DestroyHandheldMenuBar(window);
        DestroyWindow(window);
    }
    HWND Bar() const { return FindHandheldMenuBar(window); }
};

}  // namespace

TEST_CASE("full screen covers the device screen, and normal mode puts window and bar back")
{
    const RECT screen = DeviceScreenRect();
    CHECK(screen.right - screen.left == 240);
    CHECK(screen.bottom - screen.top == 320);
    DEVICE_WINDOW d;
    const RECT window = WindowRect(d.window), bar = WindowRect(d.Bar());
    CHECK(bar.bottom == screen.bottom);
    CHECK(window.bottom == bar.top);
    const LONG_PTR style = GetWindowLongPtrW(d.window, GWL_STYLE);
    CHECK((style & WS_CAPTION) == WS_CAPTION);

    SUBCASE("normal mode asked while normal changes nothing") {
        SetFullScreenMode(d.window, kFullScreenNormal);
        CHECK(Same(WindowRect(d.window), window));
        CHECK(GetWindowLongPtrW(d.window, GWL_STYLE) == style);
        CHECK(ZoomKeyCalls.empty());
    }
    SUBCASE("toggling twice restores the window and the bar") {
        SetFullScreenMode(d.window, kFullScreenToggle);
        CHECK(FullScreenState == kFullScreenFull);
        CHECK(Same(WindowRect(d.window), screen));
        RECT client{};
        GetClientRect(d.window, &client);
        CHECK((client.right == 240 && client.bottom == 320));   // the caption (the task bar) is gone
        CHECK(Same(SavedMenuBarRect, bar));
        CHECK(Same(WindowRect(d.Bar()), RECT{bar.left, bar.top, bar.left, bar.top}));
        SetFullScreenMode(d.window, kFullScreenFull);   // full while full: nothing
        CHECK(Same(WindowRect(d.window), screen));

        SetFullScreenMode(d.window, kFullScreenToggle);
        CHECK(FullScreenState == kFullScreenNormal);
        CHECK(Same(WindowRect(d.window), window));
        CHECK(Same(WindowRect(d.Bar()), bar));
        CHECK(GetWindowLongPtrW(d.window, GWL_STYLE) == style);
        CHECK(ZoomKeyCalls == std::vector<bool>{false});
    }
    SUBCASE("a bar made while full comes back where the shrunk one was") {
        SetFullScreenMode(d.window, kFullScreenFull);
        HWND newer = CreateHandheldMenuBar(d.window, IDR_MENU_PICK);
        REQUIRE(newer);
        SetFullScreenMode(d.window, kFullScreenNormal);
        CHECK(Same(WindowRect(newer), bar));
        CHECK(IsWindowVisible(newer));
    }
}

TEST_CASE("another process reads the held requirements and the display power")
{
    CHECK_FALSE(OpenHandheldDeviceState(0xFFFFFFF0u));
    HoldBacklightOn(true);
    SetDisplayPower(kDisplayPowerOff);
    HANDLE state = OpenHandheldDeviceState(GetCurrentProcessId());
    REQUIRE(state);
    HANDHELD_DEVICE_STATE seen{};
    CHECK(ReadHandheldDeviceState(state, &seen));
    CHECK((seen.heldRequirements == 1 && seen.displayPower == kDisplayPowerOff));
    HoldBacklightOn(false);
    SetDisplayPower(kDisplayPowerOn);
    CHECK(ReadHandheldDeviceState(state, &seen));
    CHECK((seen.heldRequirements == 0 && seen.displayPower == kDisplayPowerOn));
    CloseHandle(state);
    CHECK_FALSE(ReadHandheldDeviceState(nullptr, &seen));
}
