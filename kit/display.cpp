// Units, colour schemes, the font set and the small drawing helpers.
#include "kit/display.h"

#include "kit/settings.h"
#if defined(PATHVEX_HANDHELD)
#include "platform/handheld/handheld.h"
#endif

#include <commctrl.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <initializer_list>

int SpeedUnit = 0;
int DistanceUnit = 0;
int ColorScheme = 0;
COLORREF CustomColors[6] = {0x000000,      ColorTable[9], ColorTable[0],
                            ColorTable[2], ColorTable[5], ColorTable[7]};
FONT_SET FontSet = {};
bool PickingMode = false;

namespace {

static_assert(sizeof(LOGFONTW) == 92, "the stored font record is a 92-byte LOGFONTW");

constexpr int kPickingMenu = 90;

// Info is not in the table: day labels are amber, night ones white.
constexpr COLORREF kDayInfo = 0x07BACC;

// Per scheme, the colours of the roles Info, Bk, OK, Err, Gray, LtGray.
constexpr COLORREF kDayRoles[6] = {kDayInfo,      ColorTable[9], ColorTable[0],
                                   ColorTable[2], ColorTable[5], ColorTable[7]};
constexpr COLORREF kNightRoles[6] = {ColorTable[4], ColorTable[10], ColorTable[1],
                                     ColorTable[3], ColorTable[6],  ColorTable[8]};

// A factor times a step, truncated toward zero. The factor comes from the
// settings file, so products beyond any sensible font size saturate rather
// than overflow the conversion.
int ScaledStep(float factor, int step)
{
    const float product = factor * static_cast<float>(step);
    constexpr float kLimit = 1000.0f;
    if (product >= kLimit)
        return static_cast<int>(kLimit);
    if (product <= -kLimit)
        return -static_cast<int>(kLimit);
    return static_cast<int>(product);
}

bool IsAllZero(const LOGFONTW& font)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(&font);
    for (size_t i = 0; i < sizeof font; ++i)
        if (bytes[i] != 0)
            return false;
    return true;
}

// The stored record if one differs from the stock font and is not blank,
// else the stock font itself.
HFONT CreateBaseFont()
{
    const HFONT stock = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    LOGFONTW stockFont{};
    GetObjectW(stock, sizeof stockFont, &stockFont);

    LOGFONTW stored = stockFont;
    if (!ReadStoredFont(&stored))
        return stock;
    if (std::memcmp(&stored, &stockFont, sizeof stored) == 0 || IsAllZero(stored))
        return stock;
    // A record from the file need not end its face name.
    stored.lfFaceName[LF_FACESIZE - 1] = L'\0';
    const HFONT base = CreateFontIndirectW(&stored);
    return base ? base : stock;
}

float StoredSizeFactor()
{
    float factor = 1.0f;
    if (!ReadFontSizeFactor(&factor))
        return 1.0f;
    if (factor == 0.0f || !std::isfinite(factor))
        return 1.0f;
    return factor;
}

void DeleteFontHandle(HFONT* font)
{
    if (*font && *font != static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)))
        DeleteObject(*font);
    *font = nullptr;
}

// Copies text into buffer, cut to fit and always terminated.
void CopyBounded(wchar_t* buffer, size_t size, const wchar_t* text)
{
    if (!buffer || size == 0)
        return;
    size_t n = std::wcslen(text);
    if (n >= size)
        n = size - 1;
    std::wmemcpy(buffer, text, n);
    buffer[n] = L'\0';
}

}  // namespace

COLORREF SchemeColor(int scheme, ColorRole role)
{
    const int i = static_cast<int>(role);
    if (scheme == 2)
        return CustomColors[i];
    if (scheme == 1)
        return kNightRoles[i];
    return kDayRoles[i];
}

HFONT CreateFontSet()
{
    DeleteFontSet();
    FONT_SET& f = FontSet;
    f.Base = CreateBaseFont();
    const float m = StoredSizeFactor();
    f.Plus5 = CreateScaledFont(f.Base, ScaledStep(m, 5));
    f.Plus10 = CreateScaledFont(f.Base, ScaledStep(m, 10));
    f.Plus14 = CreateScaledFont(f.Base, ScaledStep(m, 14));
    f.Minus1 = CreateScaledFont(f.Base, ScaledStep(m, -1));
    f.Minus2 = CreateScaledFont(f.Base, ScaledStep(m, -2));
    f.Minus3 = CreateScaledFont(f.Base, ScaledStep(m, -3));
    f.Bold = CreateBoldFont(f.Base);
    return f.Bold;
}

void DeleteFontSet()
{
    FONT_SET& f = FontSet;
    for (HFONT* font : {&f.Base, &f.Plus5, &f.Plus10, &f.Plus14, &f.Minus1, &f.Minus2,
                        &f.Minus3, &f.Bold})
        DeleteFontHandle(font);
}

HFONT CreateScaledFont(HFONT font, int step)
{
    LOGFONTW lf{};
    if (!font || GetObjectW(font, sizeof lf, &lf) != sizeof lf)
        return nullptr;
    if (lf.lfWidth != 0)
        lf.lfWidth += 5 * step;
    // A negative height is in character units: growing means more negative.
    lf.lfHeight += lf.lfHeight > 0 ? 2 * step : -2 * step;
    return CreateFontIndirectW(&lf);
}

HFONT CreateBoldFont(HFONT font)
{
    LOGFONTW lf{};
    if (!font || GetObjectW(font, sizeof lf, &lf) != sizeof lf)
        return nullptr;
    lf.lfWeight = FW_BOLD;
    return CreateFontIndirectW(&lf);
}

int GetTextHeight(HDC dc, const wchar_t* text)
{
    if (!text)
        return 0;
    SIZE extent{};
    const int length = static_cast<int>(std::wcslen(text));
#if defined(PATHVEX_HANDHELD)
    GetTextExtentExPointW(dc, text, length, 0, nullptr, nullptr, &extent);
#else
    GetTextExtentPoint32W(dc, text, length, &extent);
#endif
    return extent.cy;
}

void FormatDuration(wchar_t* buffer, size_t size, unsigned seconds)
{
    wchar_t text[kDurationTextSize];
    if (seconds < 60)
        swprintf(text, kDurationTextSize, L"00:00:%02u", seconds);
    else if (seconds < 3600)
        swprintf(text, kDurationTextSize, L"00:%02u:%02u", seconds / 60, seconds % 60);
    else
        swprintf(text, kDurationTextSize, L"%02u:%02u:%02u", seconds / 3600,
                 seconds / 60 % 60, seconds % 60);
    CopyBounded(buffer, size, text);
}

void FormatCoordinateDms(double value, wchar_t* buffer, size_t size, int axis,
                         int* degrees, int* minutes, int* seconds,
                         int* thousandths, wchar_t* letter)
{
    // Positions can come from a corrupt file or sentence: keep the integer
    // conversions defined whatever the value.
    double a = std::fabs(value);
    if (!(a < 2147483647.0))
        a = std::isnan(a) ? 0.0 : 2147483647.0;
    const int d = static_cast<int>(a);
    const float m = static_cast<float>(a - d) * 60.0f;
    const int mi = static_cast<int>(m);
    const float s = (m - static_cast<float>(mi)) * 60.0f;
    const int se = static_cast<int>(s);
    const int th = static_cast<int>((s - static_cast<float>(se)) * 1000.0f);

    wchar_t c = L' ';
    if (axis == 0)
        c = value < 0 ? L'W' : L'E';
    else if (axis == 1)
        c = value < 0 ? L'S' : L'N';

    wchar_t text[kCoordinateTextSize];
    swprintf(text, kCoordinateTextSize, L"%u %u' %u.%03u''%lc", static_cast<unsigned>(d),
             static_cast<unsigned>(mi), static_cast<unsigned>(se), static_cast<unsigned>(th),
             static_cast<wint_t>(c));
    CopyBounded(buffer, size, text);
    if (degrees)
        *degrees = d;
    if (minutes)
        *minutes = mi;
    if (seconds)
        *seconds = se;
    if (thousandths)
        *thousandths = th;
    if (letter)
        *letter = c;
}

void RefreshWindow(HWND window)
{
    InvalidateRect(window, nullptr, TRUE);
    UpdateWindow(window);
}

void SetViewMenu(HWND window, int menuId, bool picking)
{
    const int id = picking ? kPickingMenu : menuId;
    PickingMode = picking;
#if defined(PATHVEX_HANDHELD)
    // The handheld shell shows menus in a bar of their own below the window.
    CreateHandheldMenuBar(window, id);
#else
    // The new menu goes in before the old one is destroyed, so the window
    // never holds a dead menu handle.
    const HMENU old = GetMenu(window);
    SetMenu(window, LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id)));
    if (old)
        DestroyMenu(old);
#endif
}

void DeleteAllColumns(HWND listView)
{
    LVCOLUMNW column{};
    column.mask = LVCF_WIDTH;
    while (SendMessageW(listView, LVM_GETCOLUMNW, 0, reinterpret_cast<LPARAM>(&column)))
        if (!SendMessageW(listView, LVM_DELETECOLUMN, 0, 0))
            break;
}

void AutoSizeColumns(HWND listView, int count)
{
    // Fitting an empty list would shrink every column to nothing and hide
    // its header; it keeps the widths it was created with instead.
    if (SendMessageW(listView, LVM_GETITEMCOUNT, 0, 0) == 0)
        return;
    ShowWindow(listView, SW_HIDE);
    for (int i = 0; i < count; ++i)
        SendMessageW(listView, LVM_SETCOLUMNWIDTH, i, MAKELPARAM(LVSCW_AUTOSIZE, 0));
    ShowWindow(listView, SW_SHOW);
}

bool PointInRect(POINT pt, const RECT* rect)
{
    return rect && pt.x >= rect->left && pt.x <= rect->right && pt.y >= rect->top &&
           pt.y <= rect->bottom;
}

int BlitBitmap(HDC dc, HBITMAP bitmap, int x, int y, int width, int height,
               bool stretch, const RECT* dest)
{
    const HDC memory = CreateCompatibleDC(dc);
    if (!memory) {
        DeleteObject(bitmap);
        return 2;
    }
    if (width == -1 || height == -1) {
        BITMAP info{};
        GetObjectW(bitmap, sizeof info, &info);
        if (width == -1)
            width = info.bmWidth;
        if (height == -1)
            height = info.bmHeight;
    }
    const HGDIOBJ previous = SelectObject(memory, bitmap);
    if (stretch) {
        if (dest)
            StretchBlt(dc, dest->left, dest->top, dest->right - dest->left,
                       dest->bottom - dest->top, memory, x, y, width - x, height - y, SRCCOPY);
    } else {
        BitBlt(dc, x, y, width, height, memory, 0, 0, SRCCOPY);
    }
    if (previous)
        SelectObject(memory, previous);
    DeleteDC(memory);
    return 0;
}
