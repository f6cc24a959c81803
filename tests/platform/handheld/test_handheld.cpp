// The handheld platform layer on the machine the program runs on: the menu
// bar window and its commands, the program's dialogs as full-screen dialogs,
// the backlight requirement, and the HTML view library's absence.
#include <doctest.h>

#include "platform/handheld/handheld.h"
#include "resources/resource.h"

#include <windows.h>

#include <string>
#include <vector>

namespace {

std::vector<WPARAM> OwnerCommands;

LRESULT CALLBACK OwnerProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_COMMAND) {
        OwnerCommands.push_back(wParam);
        return 0;
    }
    return DefWindowProcW(window, msg, wParam, lParam);
}

HWND CreateOwner()
{
    WNDCLASSW wc{};
    wc.lpfnWndProc = OwnerProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"HandheldTestOwner";
    RegisterClassW(&wc);
    return CreateWindowExW(0, wc.lpszClassName, L"owner", WS_OVERLAPPED, 10, 10, 240, 320, nullptr, nullptr,
                           wc.hInstance, nullptr);
}

INT_PTR CALLBACK FullScreenDialogProc(HWND dialog, UINT msg, WPARAM, LPARAM)
{
    if (msg == WM_INITDIALOG)
        InitHandheldDialog(dialog);
    return FALSE;
}

// The controls of dialog that reach outside its client area, by id.
std::vector<int> ClippedControls(HWND dialog)
{
    RECT client{};
    GetClientRect(dialog, &client);
    MapWindowPoints(dialog, nullptr, reinterpret_cast<POINT*>(&client), 2);
    std::vector<int> clipped;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT r{};
        GetWindowRect(child, &r);
        if (r.left < client.left || r.top < client.top || r.right > client.right || r.bottom > client.bottom)
            clipped.push_back(GetDlgCtrlID(child));
    }
    return clipped;
}

}  // namespace

TEST_CASE("the menu bar is a window of its own that passes its commands on")
{
    HWND owner = CreateOwner();
    REQUIRE(owner);
    OwnerCommands.clear();
    CHECK_FALSE(FindHandheldMenuBar(owner));
    CHECK(HandheldMenuBarHeight(owner) == 0);

    HWND bar = CreateHandheldMenuBar(owner, IDR_MENU_MAIN);
    REQUIRE(bar);
    CHECK(FindHandheldMenuBar(owner) == bar);
    CHECK(GetWindow(bar, GW_OWNER) == owner);
    CHECK(GetMenu(bar) != nullptr);
    RECT frame{}, place{};
    GetWindowRect(owner, &frame);
    GetWindowRect(bar, &place);
    // The first bar lies along the owner's bottom edge.
    CHECK(place.bottom == frame.bottom);
    CHECK(place.left == frame.left);
    CHECK(place.right == frame.right);
    const int height = HandheldMenuBarHeight(owner);
    CHECK(height == place.bottom - place.top);
    CHECK(height > 0);

    SendMessageW(bar, WM_COMMAND, IDM_SCREEN_SATELLITE, 0);
    CHECK(OwnerCommands == std::vector<WPARAM>{IDM_SCREEN_SATELLITE});

    // The owner moves up out of the bar's way; a new bar takes the old one's
    // place and the old one is gone.
    MoveWindow(owner, frame.left, frame.top, frame.right - frame.left, frame.bottom - frame.top - height, FALSE);
    HWND next = CreateHandheldMenuBar(owner, IDR_MENU_PICK);
    REQUIRE(next);
    CHECK_FALSE(IsWindow(bar));
    RECT again{};
    GetWindowRect(next, &again);
    CHECK(EqualRect(&again, &place));

    // A menu that does not exist leaves the owner without a bar.
    CHECK_FALSE(CreateHandheldMenuBar(owner, 12345));
    CHECK_FALSE(IsWindow(next));
    CHECK(HandheldMenuBarHeight(owner) == 0);

    CHECK(CreateHandheldMenuBar(owner, IDR_MENU_BACK));
    DestroyHandheldMenuBar(owner);
    CHECK_FALSE(FindHandheldMenuBar(owner));
    DestroyWindow(owner);
}

TEST_CASE("the backlight requirement is held once and released once")
{
    CHECK(HeldPowerRequirements() == 0);
    HoldBacklightOn(true);
    HoldBacklightOn(true);
    CHECK(HeldPowerRequirements() == 1);
    HoldBacklightOn(false);
    CHECK(HeldPowerRequirements() == 0);
    HoldBacklightOn(false);
    CHECK(HeldPowerRequirements() == 0);

    CHECK_FALSE(SetPowerRequirement(L"BKL1:", 7, kPowerNameDevice, nullptr, 0));
    CHECK_FALSE(SetPowerRequirement(L"BKL1:", kDevicePowerFullOn, 0, nullptr, 0));
    HANDLE h = SetPowerRequirement(L"BKL1:", kDevicePowerFullOn, kPowerNameDevice, nullptr, 0);
    REQUIRE(h);
    CHECK(ReleasePowerRequirement(h) == ERROR_SUCCESS);
    CHECK(ReleasePowerRequirement(h) == ERROR_INVALID_HANDLE);
    CHECK(ReleasePowerRequirement(nullptr) == ERROR_INVALID_HANDLE);
}

TEST_CASE("a missing HTML view library leaves the web map off")
{
    CHECK_FALSE(LoadHtmlViewLibrary(GetModuleHandleW(nullptr)));
    CHECK_FALSE(HtmlViewAvailable());
    CHECK_FALSE(LoadHtmlViewLibrary(GetModuleHandleW(nullptr)));
}

TEST_CASE("every dialog fits the device screen above the menu bar")
{
    // The main window's place: the device screen less the menu bar.
    HWND owner = CreateOwner();
    REQUIRE(owner);
    const RECT screen = DeviceScreenRect();
    MoveWindow(owner, screen.left, screen.top, screen.right - screen.left, screen.bottom - screen.top, FALSE);
    REQUIRE(CreateHandheldMenuBar(owner, IDR_MENU_MAIN));
    MoveWindow(owner, screen.left, screen.top, screen.right - screen.left,
               screen.bottom - screen.top - HandheldMenuBarHeight(owner), FALSE);
    for (const char* name :
         {"AT_DIALOG_EN", "DIALOG_XYZ", "ATL_DIALOG_EN", "ATL1_DIALOG_EN", "DIALOG_SIMDATA", "DIALOG_GPSCFG",
          "DIALOG_BACKNMEA", "DIALOG_CALC1", "DIALOG_CALC2", "DIALOG_CALC3", "DIALOG_RECORDOPTIONS",
          "DIALOG_PLAYOPTIONS", "DIALOG_SPDOPTIONS", "DIALOG_DSTOPTIONS", "DIALOG_PATHVEXOPTIONS",
          "DIALOG_TRACKINGOPTIONS", "DIALOG_COLOROPTIONS", "DIALOG_SPEEDLIMIT", "DIALOG_SPEEDLIMIT2",
          "DIALOG_MAPOPTIONS", "DIALOG_GOOGLECALIBRATE"}) {
        const std::string templateName = name;
        CAPTURE(templateName);
        HWND dialog = CreateDialogParamA(GetModuleHandleW(nullptr), name, owner, FullScreenDialogProc, 0);
        REQUIRE_MESSAGE(dialog, "no template");
        RECT shown{}, place{};
        GetWindowRect(dialog, &shown);
        GetWindowRect(owner, &place);
        CHECK(EqualRect(&shown, &place));
        CHECK_MESSAGE(ClippedControls(dialog).empty(), "a control of the dialog reaches past its edge");
        DestroyWindow(dialog);
    }
    DestroyHandheldMenuBar(owner);
    DestroyWindow(owner);
}
