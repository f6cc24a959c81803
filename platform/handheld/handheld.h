// platform/handheld/handheld.h - the handheld builds' platform layer.
//
// The handheld builds (pathvex-ppc, pathvex-wm) ask for a few services of the
// handheld shell and power manager that no desktop system offers: a menu bar
// window below the main window, built from a menu resource; the shell's
// full-screen switch; dialogs sized to the screen; a power requirement that
// keeps the backlight on; the reset of the system idle timer; the display's
// power state; the HTML view control's library, bound by name; the device's
// screen of 240 x 320 pixels; the shell's image loader and the imaging
// object; and the updater's hash list read from XML. This layer gives those
// calls their meaning on the machine the program runs on, so the handheld
// code paths start and run there unchanged.
//
// Everything here belongs to the UI thread. Nothing throws; failures are
// return values, and a missing library or device leaves its feature off.
#pragma once
#include <windows.h>

#include <memory>

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
// The device screen. A handheld program fills its device's screen; here that
// screen is a region of 240 x 320 pixels centred on the primary display
// (where the system also centres its message boxes). Its task bar, which
// shows the title of the program's top window, is that window's caption: the
// work area is the whole device screen, and the menu bar takes its bottom
// strip.

inline constexpr int kDeviceScreenWidth = 240;
inline constexpr int kDeviceScreenHeight = 320;
// The device screen in the display's coordinates.
RECT DeviceScreenRect();
// The device's work area (SPI_GETWORKAREA on the device): where the top
// window and its menu bar go.
RECT DeviceWorkArea();

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
// The shell's full-screen switch for window. Hiding the task bar takes the
// window's caption away (the device screen's task bar, see above); showing
// it gives the caption back. There is no input-panel button or start icon to
// hide. False for no window or contradicting flags.
bool HandheldShellFullScreen(HWND window, DWORD flags);

// Full-screen state of the main window: 1 normal (at start), 2 full.
inline constexpr int kFullScreenToggle = 0;
inline constexpr int kFullScreenNormal = 1;
inline constexpr int kFullScreenFull = 2;
extern int FullScreenState;
// The menu bar's screen rectangle taken when full screen was entered.
extern RECT SavedMenuBarRect;
// Mode 0 toggles, 1 asks for normal, 2 for full; asking for the state the
// window is in does nothing. Full: task bar and the rest hidden, the window
// over the whole device screen, its menu bar shrunk to 0 x 0 where it was.
// Normal: the window over the work area above the bar, and the bar back as
// it was (the caller hands the soft keys back to the bar first).
void SetFullScreenMode(HWND window, int mode);

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
// do not know the escape ignore it; the state asked for is kept in the
// device state below either way.
inline constexpr int kDisplayPowerOn = 1;
inline constexpr int kDisplayPowerOff = 4;
void SetDisplayPower(int state);

// What the device's power manager and display know of one program. On the
// device they are system services that other programs can ask; here each
// program keeps its own in a block of shared memory named after its process
// id, which another process (a test) opens to read.
struct HANDHELD_DEVICE_STATE {
    LONG heldRequirements;   // power requirements held now
    LONG displayPower;       // the last state SetDisplayPower asked for; 0 none yet
};
// Opens the device state of process processId for reading: null when that
// process has none (yet). The caller closes the handle; while it is open the
// state stays readable, also after the process ended.
HANDLE OpenHandheldDeviceState(DWORD processId);
// Reads an opened state; false for a handle that is not one.
bool ReadHandheldDeviceState(HANDLE state, HANDHELD_DEVICE_STATE* out);

// ---------------------------------------------------------------------------
// The HTML view control: its library "HTMLVIEW.DLL" registers the window
// class "DISPLAYCLASS" when its first export is called with the instance.

// Loads and initialises the library once; later calls report the first
// outcome. False (and the library released) when it is missing, lacks the
// export or its initialisation fails: the web map is then unavailable.
bool LoadHtmlViewLibrary(HINSTANCE instance);
// Whether LoadHtmlViewLibrary succeeded.
bool HtmlViewAvailable();

// ---------------------------------------------------------------------------
// Images. Both loaders decode PNG, JPEG and GIF files (and whatever else the
// system's codecs read) into 32-bit pixels with the alpha multiplied in, so
// that a transparent pixel shows black, as the desktop's decoder leaves it.

// pathvex-ppc: the shell's image loader. A new bitmap (a 32-bit DIB section
// the caller deletes), or null when the file cannot be read or decoded.
HBITMAP HandheldShellLoadImage(const wchar_t* file);

// pathvex-wm: the imaging object. Its factory makes an image from a file and
// a bitmap from an image; the image draws itself, the bitmap reports its
// size. Images and bitmaps do not change once made.
struct IMAGING_PIXELS;   // the decoded pixels an image and its bitmaps share
class ImagingBitmap {
public:
    explicit ImagingBitmap(std::shared_ptr<const IMAGING_PIXELS> pixels);
    SIZE GetSize() const;

private:
    std::shared_ptr<const IMAGING_PIXELS> pixels_;
};
class ImagingImage {
public:
    explicit ImagingImage(std::shared_ptr<const IMAGING_PIXELS> pixels);
    SIZE GetSize() const;
    // The whole image stretched into destination (logical units of dc).
    // Only the part inside the context's clip box is scaled, so a
    // destination far larger than the screen costs no more than the screen.
    // False when nothing was drawn.
    bool Draw(HDC dc, const RECT& destination) const;

private:
    friend class ImagingFactory;
    std::shared_ptr<const IMAGING_PIXELS> pixels_;
};
class ImagingFactory {
public:
    // Null when the file cannot be read or decoded.
    std::unique_ptr<ImagingImage> CreateImageFromFile(const wchar_t* file) const;
    std::unique_ptr<ImagingBitmap> CreateBitmapFromImage(const ImagingImage& image) const;
};

// ---------------------------------------------------------------------------
// The updater's hash list. The handheld system has no INI-file functions:
// the list arrives as XML, a root whose children "n1", "n2", ... hold the
// hash texts of keys "1", "2", ...

// Stands in for the INI read (same arguments): the text of child "n" + key
// of the root of the XML file, unescaped, into out (at most size - 1 units
// and a terminator); defaultText when the file cannot be read whole, the
// child is missing, has no text, or the key is too long or names no child
// (a backslash). section is not used. Nothing for a null out or size 0.
void ReadXmlProfileString(const wchar_t* section, const wchar_t* key, const wchar_t* defaultText, wchar_t* out,
                          DWORD size, const wchar_t* file);
// DeleteFileW of a UTF-8 path; its result.
BOOL DeleteFileUtf8(const char* path);
