// kit/display.h - Display conventions shared by every screen.
//
// Offers the user's speed and distance units, the colour scheme over the
// built-in ColorTable with its six roles, the FontSet derived from the one
// stored font, the GdiSelectGuard that hands GDI objects back, and small
// text, menu, list-view and blit helpers. Everything here belongs to the UI
// thread. Nothing throws: failures are return values or null handles.
#pragma once
#include <windows.h>
#include <cstddef>

// 0 km/h ("Km/H"), 1 knots ("Knots"), 2 m/s ("m/s"), 3 mph ("MpH").
extern int SpeedUnit;
// 0 metres and kilometres, 1 statute miles with inches, 2 nautical miles with feet.
extern int DistanceUnit;
// 0 day, 1 night, 2 custom; not stored, chosen at start-up and by command.
extern int ColorScheme;

// The built-in colours (0x00BBGGRR); day and night entries come in pairs.
inline constexpr COLORREF ColorTable[11] = {
    0xFF0000,  // 0 day text with a fix
    0xFFFF00,  // 1 night text with a fix
    0x0000FF,  // 2 day text without a fix
    0x80FFFF,  // 3 night text without a fix
    0xFFFFFF,  // 4 white
    0x969696,  // 5 day grey
    0x646464,  // 6 night grey
    0xBEBEBE,  // 7 day light grey
    0x828282,  // 8 night light grey
    0xE9E9E9,  // 9 day background
    0x333333,  // 10 night background
};

// The custom scheme's "cfg\cc" colours "c1" to "c6", in role order Info, Bk,
// OK, Err, Gray, LtGray. Hold the defaults until the settings code reads them.
extern COLORREF CustomColors[6];

enum class ColorRole { Info, Bk, OK, Err, Gray, LtGray };

// The role's colour in the given scheme; a scheme other than 1 or 2 is day.
COLORREF SchemeColor(int scheme, ColorRole role);
// The role's colour in the current ColorScheme.
inline COLORREF SchemeColor(ColorRole role) { return SchemeColor(ColorScheme, role); }

// The shell's eight fonts. Base may be the stock DEFAULT_GUI_FONT; the
// others are always created. All null before CreateFontSet.
struct FONT_SET {
    HFONT Base, Plus5, Plus10, Plus14, Minus1, Minus2, Minus3, Bold;
};
extern FONT_SET FontSet;

// Builds FontSet (deleting a set already built) from the stored font and
// size factor (kit/settings.h; the stock font and 1 when none is stored or
// no settings are open); returns its Bold font.
HFONT CreateFontSet();
// Deletes the eight fonts (the stock font is left alone) and nulls them.
void DeleteFontSet();
// A new font grown by step: width by 5 x step when set, height by 2 x step
// away from zero. Null when font is not a font.
HFONT CreateScaledFont(HFONT font, int step);
// A new font like font with weight 700. Null when font is not a font.
HFONT CreateBoldFont(HFONT font);

// The height of the text's extent in dc's font; 0 for a null text.
int GetTextHeight(HDC dc, const wchar_t* text);

// Room for any FormatDuration text ("1193046:28:15" at most) and any
// FormatCoordinateDms text. Smaller buffers get a cut, terminated text.
inline constexpr size_t kDurationTextSize = 16;
inline constexpr size_t kCoordinateTextSize = 32;

// "00:00:ss", "00:mm:ss" or "hh:mm:ss"; hours run past 24.
void FormatDuration(wchar_t* buffer, size_t size, unsigned seconds);
// "d m' s.ttt''L" of |value| with the letter by axis (0: E/W, 1: N/S,
// other: blank). The split is single precision; out pointers may be null.
void FormatCoordinateDms(double value, wchar_t* buffer, size_t size, int axis,
                         int* degrees, int* minutes, int* seconds,
                         int* thousandths, wchar_t* letter);

// Invalidates the whole client area with erase and paints at once.
void RefreshWindow(HWND window);

// Set while a list screen is open to pick an item (menu 90 shown).
extern bool PickingMode;
// Replaces window's menu by menu resource menuId of the program, or by
// menu 90 when picking (the handheld builds: its menu bar); PickingMode :=
// picking.
void SetViewMenu(HWND window, int menuId, bool picking);

// Deletes every column of the list view.
void DeleteAllColumns(HWND listView);
// Sizes the first count columns to their contents, hidden meanwhile.
void AutoSizeColumns(HWND listView, int count);

// True when pt lies in rect, edges included (unlike PtInRect); false for null.
bool PointInRect(POINT pt, const RECT* rect);

// Copies bitmap onto dc through a memory DC; width or height -1 is the
// bitmap's own. Stretched: source (x, y)-(width, height) into *dest; else
// width x height from the bitmap's origin to (x, y). Returns 0, or 2 when
// no memory DC can be made, and then the bitmap is deleted.
int BlitBitmap(HDC dc, HBITMAP bitmap, int x, int y, int width, int height,
               bool stretch, const RECT* dest);

// Selects an owned GDI object into a DC (which may be null) and, when it
// goes, selects the previous object back and deletes its own.
class GdiSelectGuard {
public:
    GdiSelectGuard(HDC dc, HGDIOBJ owned)
        : owned_(owned), previous_(dc && owned ? SelectObject(dc, owned) : nullptr), dc_(dc) {}
    ~GdiSelectGuard() { Release(); }
    GdiSelectGuard(const GdiSelectGuard&) = delete;
    GdiSelectGuard& operator=(const GdiSelectGuard&) = delete;

    // Selecting back comes first: DeleteObject fails on an object still
    // selected into a DC, and the object would leak. Safe to call twice.
    void Release()
    {
        if (dc_ && previous_)
            SelectObject(dc_, previous_);
        if (owned_)
            DeleteObject(owned_);
        owned_ = previous_ = nullptr;
        dc_ = nullptr;
    }

private:
    HGDIOBJ owned_;
    HGDIOBJ previous_;
    HDC dc_;
};
