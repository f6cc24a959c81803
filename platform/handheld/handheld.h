// platform/handheld/handheld.h - the handheld builds' platform layer.
//
// The handheld builds (pathvex-ppc, pathvex-wm) ask for a few services of the
// handheld shell and power manager that no desktop system offers: a menu bar
// window below the main window, built from a menu resource; the shell's
// full-screen switch; dialogs sized to the screen; a power requirement that
// keeps the backlight on; the reset of the system idle timer; the display's
// power state; and the HTML view control's library, bound by name. This
// layer gives those calls their meaning on the machine the program runs on,
// so the handheld code paths start and run there unchanged.
//
// Everything here belongs to the UI thread. Nothing throws; failures are
// return values, and a missing library or device leaves its feature off.
#pragma once
#include <windows.h>

// ---------------------------------------------------------------------------
// Menu bar: a window of its own, owned by the main window, showing one menu
// resource of the program. Its menu commands reach the owner as WM_COMMAND,
// as if the owner's own menu had sent them.

// Destroys owner's bar and creates one from menu resource menuId of the
// program's module. The first bar lies along the bottom of the owner's
// window rectangle; a later one takes the place of the bar it replaces.
// Null when the menu or the window cannot be made (owner then has no bar).
HWND CreateHandheldMenuBar(HWND owner, int menuId);
// The owner's bar, or null.
HWND FindHandheldMenuBar(HWND owner);
// Destroys the owner's bar and its menu; nothing when there is none.
void DestroyHandheldMenuBar(HWND owner);
// The height of the owner's bar in pixels; 0 when there is none.
int HandheldMenuBarHeight(HWND owner);

// ---------------------------------------------------------------------------
// Full screen.

// Flags of the shell's full-screen call: show or hide the task bar, the
// input-panel button and the start icon.
inline constexpr DWORD kShellShowTaskBar = 1;
inline constexpr DWORD kShellHideTaskBar = 2;
inline constexpr DWORD kShellShowInputButton = 4;
inline constexpr DWORD kShellHideInputButton = 8;
inline constexpr DWORD kShellShowStartIcon = 16;
inline constexpr DWORD kShellHideStartIcon = 32;
// The shell's full-screen switch for window. A desktop has no handheld task
// bar, input-panel button or start icon to hide: the call only checks its
// arguments. False for no window or contradicting flags.
bool HandheldShellFullScreen(HWND window, DWORD flags);

// Sizes a dialog as the handheld shell does its full-screen dialogs: over
// the main window (its owner), above the owner's menu bar. False when the
// dialog has no owner.
bool InitHandheldDialog(HWND dialog);

// ---------------------------------------------------------------------------
// Power.

// Device power states of a power requirement.
inline constexpr int kDevicePowerFullOn = 0;   // D0
// Power requirement flag: the device is given by name.
inline constexpr ULONG kPowerNameDevice = 1;

// Asks that device stay in deviceState while the requirement is held. On a
// desktop the backlight "BKL1:" at full power means the display stays on.
// Returns the requirement's handle, or null for an unknown device or state.
HANDLE SetPowerRequirement(const wchar_t* device, int deviceState, ULONG flags, void* system,
                           ULONG reserved);
// Ends a requirement; ERROR_SUCCESS, or ERROR_INVALID_HANDLE for a handle
// that no SetPowerRequirement gave (or one already released).
DWORD ReleasePowerRequirement(HANDLE requirement);
// The number of requirements held now.
int HeldPowerRequirements();
// Restarts the system's idle count, so the display neither dims nor sleeps.
void SystemIdleTimerReset();

// The backlight requirement of the running program: on holds one (once, a
// second call changes nothing), off releases it (nothing when none is held).
void HoldBacklightOn(bool on);
// The display escape of power management: state 4 off, 1 on. Devices that
// do not know the escape ignore it.
inline constexpr int kDisplayPowerOn = 1;
inline constexpr int kDisplayPowerOff = 4;
void SetDisplayPower(int state);

// ---------------------------------------------------------------------------
// The HTML view control: its library "HTMLVIEW.DLL" registers the window
// class "DISPLAYCLASS" when its first export is called with the instance.

// Loads and initialises the library once; later calls report the first
// outcome. False (and the library released) when it is missing, lacks the
// export or its initialisation fails: the web map is then unavailable.
bool LoadHtmlViewLibrary(HINSTANCE instance);
// Whether LoadHtmlViewLibrary succeeded.
bool HtmlViewAvailable();
