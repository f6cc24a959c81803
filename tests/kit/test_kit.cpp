// Display conventions and small utilities of the shell.
#include <doctest.h>

#include "kit/display.h"
#include "kit/settings.h"
#include "kit/utils.h"
#include "support/dib_canvas.h"
#include "support/gdi_count.h"
#include "support/test_support.h"
#include "support/window_support.h"

#include <commctrl.h>

#include <cmath>
#include <optional>
#include <cstring>
#include <string>

using testsupport::DibCanvas;
using testsupport::GdiObjectCount;

namespace {

LOGFONTW FontOf(HFONT font)
{
    LOGFONTW lf{};
    GetObjectW(font, sizeof lf, &lf);
    return lf;
}

LOGFONTW StockFont()
{
    return FontOf(static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)));
}

// The font set reads "cfg\fonts" "f" and "mu" from the open settings
// document: each test stores them in a document of its own.
void StoreFont(const LOGFONTW& font)
{
    REQUIRE(WriteStoredFont(&font) == 1);
}

void StoreFactor(const char* factor)
{
    REQUIRE(WriteSettingString("cfg\\fonts", "mu", factor, nullptr, SettingsDocument.get()) == 1);
}

HWND CreateTestWindow()
{
    return CreateWindowExW(0, L"STATIC", L"kit", WS_OVERLAPPEDWINDOW, 0, 0, 240, 320,
                           nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
}

std::wstring MenuItemText(HMENU menu, UINT position)
{
    wchar_t text[64] = L"";
    GetMenuStringW(menu, position, text, 64, MF_BYPOSITION);
    return text;
}

// Shows the box for error, if any, and answers it; the box's text, or
// nothing when no box showed.
std::optional<std::wstring> LastErrorBoxText(DWORD error)
{
    std::optional<std::wstring> text;
    {
        testsupport::DialogAnswerer answerer([](HWND) { return true; }, [&](HWND box) {
            text = testsupport::BoxText(box);
            return IDOK;
        });
        SetLastError(error);
        ShowLastErrorBox();
    }
    return text;
}

}  // namespace

TEST_CASE("the GDI object count works here")
{
    // Every leak check below relies on it: make sure it counts.
    const unsigned before = GdiObjectCount();
    CHECK(before > 0);
    HPEN pen = CreatePen(PS_SOLID, 1, 0);
    CHECK(GdiObjectCount() == before + 1);
    DeleteObject(pen);
    CHECK(GdiObjectCount() == before);
}

TEST_CASE("colour roles by scheme")
{
    const COLORREF saved[6] = {CustomColors[0], CustomColors[1], CustomColors[2],
                               CustomColors[3], CustomColors[4], CustomColors[5]};

    SUBCASE("day and night take their table entries") {
        CHECK(SchemeColor(0, ColorRole::OK) == 0xFF0000);
        CHECK(SchemeColor(0, ColorRole::Err) == 0x0000FF);
        CHECK(SchemeColor(0, ColorRole::Bk) == 0xE9E9E9);
        CHECK(SchemeColor(1, ColorRole::OK) == 0xFFFF00);
        CHECK(SchemeColor(1, ColorRole::Err) == 0x80FFFF);
        CHECK(SchemeColor(1, ColorRole::Gray) == 0x646464);
        CHECK(SchemeColor(1, ColorRole::LtGray) == 0x828282);
        CHECK(SchemeColor(1, ColorRole::Bk) == 0x333333);
        CHECK(SchemeColor(1, ColorRole::Info) == 0xFFFFFF);
    }
    SUBCASE("custom defaults match the day colours, c1 black") {
        CHECK(SchemeColor(2, ColorRole::Info) == 0x000000);
        for (ColorRole r : {ColorRole::Bk, ColorRole::OK, ColorRole::Err, ColorRole::Gray,
                            ColorRole::LtGray})
            CHECK(SchemeColor(2, r) == SchemeColor(0, r));
    }
    SUBCASE("scheme 2 with c2 = 0 paints a black background") {
        CustomColors[1] = 0;
        ColorScheme = 2;
        DibCanvas canvas(8, 8);
        canvas.Fill(RGB(255, 255, 255));
        canvas.Fill(SchemeColor(ColorRole::Bk));
        CHECK(canvas.Pixel(3, 3) == 0x000000);
    }
    SUBCASE("a scheme out of range is day") {
        CHECK(SchemeColor(7, ColorRole::Bk) == 0xE9E9E9);
        CHECK(SchemeColor(-1, ColorRole::OK) == 0xFF0000);
    }
    ColorScheme = 0;
    std::memcpy(CustomColors, saved, sizeof saved);
}

TEST_CASE("GdiSelectGuard hands the DC back and deletes its object")
{
    DibCanvas canvas(4, 4);
    const HGDIOBJ ownPen = GetCurrentObject(canvas.Dc(), OBJ_PEN);
    const unsigned before = GdiObjectCount();

    SUBCASE("guards unwind in reverse, leaving the DC's own objects") {
        HPEN pen = CreatePen(PS_SOLID, 2, 0x00FF00);
        {
            GdiSelectGuard a(canvas.Dc(), pen);
            GdiSelectGuard b(canvas.Dc(), CreatePen(PS_SOLID, 1, 0));
            CHECK(GetCurrentObject(canvas.Dc(), OBJ_PEN) != ownPen);
        }
        CHECK(GetCurrentObject(canvas.Dc(), OBJ_PEN) == ownPen);
        CHECK(GetObjectType(pen) == 0);
        CHECK(GdiObjectCount() == before);
    }
    SUBCASE("Release early, then again at scope end") {
        GdiSelectGuard g(canvas.Dc(), CreateSolidBrush(0x123456));
        g.Release();
        CHECK(GdiObjectCount() == before);
        g.Release();
        CHECK(GdiObjectCount() == before);
    }
    SUBCASE("without a DC the object is still deleted") {
        HBRUSH brush = CreateSolidBrush(0);
        { GdiSelectGuard g(nullptr, brush); }
        CHECK(GetObjectType(brush) == 0);
        CHECK(GdiObjectCount() == before);
    }
    SUBCASE("a null object changes nothing") {
        { GdiSelectGuard g(canvas.Dc(), nullptr); }
        CHECK(GetCurrentObject(canvas.Dc(), OBJ_PEN) == ownPen);
        CHECK(GdiObjectCount() == before);
    }
}

TEST_CASE("the font set follows the stored font and the size factor")
{
    const HFONT stock = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    const LOGFONTW stockLf = StockFont();
    SettingsDocument = std::make_unique<XMLDocument>();
    SettingsDocument->LoadFromText(nullptr);
    const unsigned before = GdiObjectCount();

    SUBCASE("no settings open: stock base and factor 1") {
        SettingsDocument.reset();
        const HFONT bold = CreateFontSet();
        CHECK(FontSet.Base == stock);
        CHECK(bold == FontSet.Bold);
        CHECK(FontOf(bold).lfWeight == FW_BOLD);
        CHECK(FontOf(FontSet.Plus14).lfHeight == stockLf.lfHeight - 28);
    }
    SUBCASE("a record equal to the stock font keeps the stock font") {
        StoreFont(stockLf);
        CreateFontSet();
        CHECK(FontSet.Base == stock);
    }
    SUBCASE("an all-zero record keeps the stock font") {
        StoreFont(LOGFONTW{});
        CreateFontSet();
        CHECK(FontSet.Base == stock);
    }
    SUBCASE("a stored record with a positive height and a width") {
        LOGFONTW stored = stockLf;
        stored.lfHeight = 20;
        stored.lfWidth = 10;
        StoreFont(stored);
        CreateFontSet();
        CHECK(FontSet.Base != stock);
        CHECK(FontOf(FontSet.Base).lfHeight == 20);
        CHECK(FontOf(FontSet.Plus5).lfHeight == 30);
        CHECK(FontOf(FontSet.Plus5).lfWidth == 35);
        CHECK(FontOf(FontSet.Minus3).lfHeight == 14);
        CHECK(FontOf(FontSet.Minus3).lfWidth == -5);
        CHECK(FontOf(FontSet.Bold).lfHeight == 20);
        CHECK(FontOf(FontSet.Bold).lfWeight == FW_BOLD);
    }
    SUBCASE("a face name without its terminator is cut, not overrun") {
        LOGFONTW stored = stockLf;
        stored.lfHeight = 17;
        for (wchar_t& c : stored.lfFaceName)
            c = L'A';
        StoreFont(stored);
        CreateFontSet();
        CHECK(FontSet.Base != stock);
        CHECK(FontOf(FontSet.Base).lfFaceName[LF_FACESIZE - 1] == L'\0');
    }

    // Negative stock height: a step s moves the height by -2 s.
    const auto step = [&](HFONT f) { return (stockLf.lfHeight - FontOf(f).lfHeight) / 2; };
    SUBCASE("mu 0 behaves as 1") {
        StoreFactor("0.000000");
        CreateFontSet();
        CHECK(step(FontSet.Plus5) == 5);
        CHECK(step(FontSet.Plus10) == 10);
        CHECK(step(FontSet.Plus14) == 14);
        CHECK(step(FontSet.Minus1) == -1);
        CHECK(step(FontSet.Minus2) == -2);
        CHECK(step(FontSet.Minus3) == -3);
    }
    SUBCASE("mu 0.5 gives steps 2, 5, 7, 0, -1, -1") {
        StoreFactor("0.500000");
        CreateFontSet();
        CHECK(step(FontSet.Plus5) == 2);
        CHECK(step(FontSet.Plus10) == 5);
        CHECK(step(FontSet.Plus14) == 7);
        CHECK(step(FontSet.Minus1) == 0);
        CHECK(step(FontSet.Minus2) == -1);
        CHECK(step(FontSet.Minus3) == -1);
    }
    SUBCASE("a hostile factor saturates, a NaN counts as 1") {
        StoreFactor("1e30");
        CreateFontSet();
        CHECK(step(FontSet.Plus14) == 1000);
        CHECK(step(FontSet.Minus3) == -1000);
        StoreFactor("nan");
        CreateFontSet();
        CHECK(step(FontSet.Plus5) == 5);
    }
    SUBCASE("building twice without deleting leaks nothing") {
        LOGFONTW stored = stockLf;
        stored.lfHeight = 19;
        StoreFont(stored);
        CreateFontSet();
        const unsigned once = GdiObjectCount();
        CreateFontSet();
        CHECK(GdiObjectCount() == once);
    }

    DeleteFontSet();
    CHECK(FontSet.Base == nullptr);
    CHECK(FontSet.Bold == nullptr);
    CHECK(GdiObjectCount() == before);
    CHECK(GetObjectType(stock) == OBJ_FONT);
    SettingsDocument.reset();
}

TEST_CASE("scaled and bold fonts")
{
    LOGFONTW lf = StockFont();
    lf.lfHeight = 0;
    HFONT zero = CreateFontIndirectW(&lf);
    HFONT scaled = CreateScaledFont(zero, 3);
    CHECK(FontOf(scaled).lfHeight == -6);   // 0 grows like a negative height
    DeleteObject(scaled);
    CHECK(CreateScaledFont(nullptr, 3) == nullptr);
    CHECK(CreateBoldFont(nullptr) == nullptr);
    DeleteObject(zero);
}

TEST_CASE("FormatDuration")
{
    wchar_t text[kDurationTextSize];
    SUBCASE("the three forms") {
        FormatDuration(text, kDurationTextSize, 0);
        CHECK(std::wstring(text) == L"00:00:00");
        FormatDuration(text, kDurationTextSize, 59);
        CHECK(std::wstring(text) == L"00:00:59");
        FormatDuration(text, kDurationTextSize, 60);
        CHECK(std::wstring(text) == L"00:01:00");
        FormatDuration(text, kDurationTextSize, 3599);
        CHECK(std::wstring(text) == L"00:59:59");
        FormatDuration(text, kDurationTextSize, 3600);
        CHECK(std::wstring(text) == L"01:00:00");
        FormatDuration(text, kDurationTextSize, 360000);
        CHECK(std::wstring(text) == L"100:00:00");
    }
    SUBCASE("the longest text fits the documented size") {
        FormatDuration(text, kDurationTextSize, 4294967295u);
        CHECK(std::wstring(text) == L"1193046:28:15");
    }
    SUBCASE("a short buffer gets a cut, terminated text and nothing past it") {
        wchar_t small[6];
        std::wmemset(small, L'#', 6);
        FormatDuration(small, 5, 3600);
        CHECK(std::wstring(small) == L"01:0");
        CHECK(small[5] == L'#');
        FormatDuration(small, 0, 3600);   // no room at all: untouched
        CHECK(small[0] == L'0');
    }
}

TEST_CASE("FormatCoordinateDms")
{
    wchar_t text[kCoordinateTextSize];
    int d = -1, m = -1, s = -1, t = -1;
    wchar_t letter = 0;

    SUBCASE("-0.5 on the longitude axis is west") {
        FormatCoordinateDms(-0.5, text, kCoordinateTextSize, 0, &d, &m, &s, &t, &letter);
        CHECK(std::wstring(text) == L"0 30' 0.000''W");
        CHECK(d == 0);
        CHECK(m == 30);
        CHECK(letter == L'W');
    }
    SUBCASE("23.5 on the latitude axis is north") {
        FormatCoordinateDms(23.5, text, kCoordinateTextSize, 1, nullptr, nullptr, nullptr,
                            nullptr, nullptr);
        CHECK(std::wstring(text) == L"23 30' 0.000''N");
    }
    SUBCASE("seconds and thousandths") {
        // 2 + 65/128 degrees: 30.46875 minutes, 28.125 seconds, all exact in float.
        FormatCoordinateDms(-2.5078125, text, kCoordinateTextSize, 1, &d, &m, &s, &t, &letter);
        CHECK(std::wstring(text) == L"2 30' 28.125''S");
        CHECK(s == 28);
        CHECK(t == 125);
    }
    SUBCASE("any other axis has a blank letter") {
        FormatCoordinateDms(-0.5, text, kCoordinateTextSize, 2, nullptr, nullptr, nullptr,
                            nullptr, &letter);
        CHECK(std::wstring(text) == L"0 30' 0.000'' ");
        CHECK(letter == L' ');
    }
    SUBCASE("values from a corrupt source stay inside the buffer") {
        for (double v : {1e300, -1e300, HUGE_VAL, std::nan("")}) {
            FormatCoordinateDms(v, text, kCoordinateTextSize, 0, &d, nullptr, nullptr, nullptr,
                                nullptr);
            CHECK(std::wcslen(text) < kCoordinateTextSize);
            CHECK(d >= 0);
        }
        wchar_t small[4];
        FormatCoordinateDms(123.25, small, 4, 0, nullptr, nullptr, nullptr, nullptr, nullptr);
        CHECK(std::wstring(small) == L"123");
    }
}

TEST_CASE("PointInRect includes the edges")
{
    const RECT r{10, 20, 30, 40};
    CHECK(PointInRect({10, 20}, &r));
    CHECK(PointInRect({30, 40}, &r));
    CHECK_FALSE(PointInRect({31, 40}, &r));
    CHECK_FALSE(PointInRect({10, 19}, &r));
    CHECK_FALSE(PointInRect({15, 25}, nullptr));
}

TEST_CASE("BlitBitmap")
{
    // A 4 x 4 source: white with a red pixel at (1, 1).
    DibCanvas source(4, 4);
    source.Fill(RGB(255, 255, 255));
    SetPixel(source.Dc(), 1, 1, RGB(255, 0, 0));
    HBITMAP bitmap = CreateCompatibleBitmap(source.Dc(), 4, 4);
    {
        HDC copy = CreateCompatibleDC(source.Dc());
        HGDIOBJ old = SelectObject(copy, bitmap);
        BitBlt(copy, 0, 0, 4, 4, source.Dc(), 0, 0, SRCCOPY);
        SelectObject(copy, old);
        DeleteDC(copy);
    }
    DibCanvas target(8, 8);
    target.Fill(RGB(0, 0, 0));
    const unsigned before = GdiObjectCount();

    SUBCASE("plain copy at x, y in the bitmap's own size") {
        CHECK(BlitBitmap(target.Dc(), bitmap, 2, 3, -1, -1, false, nullptr) == 0);
        CHECK(target.Pixel(3, 4) == RGB(255, 0, 0));
        CHECK(target.Pixel(5, 6) == RGB(255, 255, 255));
        CHECK(target.Pixel(6, 7) == RGB(0, 0, 0));
    }
    SUBCASE("stretched: source (1, 1)-(2, 2) fills the destination") {
        const RECT dest{0, 0, 8, 8};
        CHECK(BlitBitmap(target.Dc(), bitmap, 1, 1, 2, 2, true, &dest) == 0);
        CHECK(target.Pixel(0, 0) == RGB(255, 0, 0));
        CHECK(target.Pixel(7, 7) == RGB(255, 0, 0));
    }
    CHECK(GdiObjectCount() == before);   // the memory DC went away
    CHECK(GetObjectType(bitmap) == OBJ_BITMAP);
    DeleteObject(bitmap);
}

TEST_CASE("SetViewMenu swaps menus and sets the picking flag")
{
    HWND window = CreateTestWindow();
    REQUIRE(window);

    SetViewMenu(window, 99, false);
    const HMENU first = GetMenu(window);
    CHECK(first);
    CHECK(GetMenuItemID(first, 0) == 100);
    CHECK_FALSE(PickingMode);

    SetViewMenu(window, 99, true);
    const HMENU picking = GetMenu(window);
    CHECK(PickingMode);
    CHECK(GetMenuItemID(picking, 0) == 998);
    CHECK(MenuItemText(picking, 1) == L"Back");
    CHECK_FALSE(IsMenu(first));

    SetViewMenu(window, 99, false);
    CHECK_FALSE(PickingMode);
    CHECK(GetMenuItemID(GetMenu(window), 0) == 100);
    CHECK_FALSE(IsMenu(picking));
    DestroyWindow(window);
    PickingMode = false;
}

TEST_CASE("list view columns")
{
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    HWND window = CreateTestWindow();
    HWND list = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | LVS_REPORT, 0, 0,
                                240, 300, window, nullptr, GetModuleHandleW(nullptr), nullptr);
    REQUIRE(list);
    wchar_t names[5][2] = {L"#", L"N", L"X", L"Y", L"Z"};
    for (int i = 0; i < 5; ++i) {
        LVCOLUMNW c{};
        c.mask = LVCF_TEXT | LVCF_WIDTH;
        c.cx = 10;
        c.pszText = names[i];
        ListView_InsertColumn(list, i, &c);
    }
    wchar_t wide[] = L"a rather long waypoint name";
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.pszText = wide;
    ListView_InsertItem(list, &item);

    SUBCASE("AutoSizeColumns widens to the contents and shows the list again") {
        AutoSizeColumns(list, 2);
        CHECK(ListView_GetColumnWidth(list, 0) > 10);
        CHECK(ListView_GetColumnWidth(list, 2) == 10);
        CHECK((GetWindowLongW(list, GWL_STYLE) & WS_VISIBLE) != 0);
        ListView_DeleteAllItems(list);
        ListView_SetColumnWidth(list, 1, 40);
        AutoSizeColumns(list, 2);   // nothing to fit: the headers stay readable
        CHECK(ListView_GetColumnWidth(list, 1) == 40);
    }
    SUBCASE("ListViewNextItem walks the selection and ends on a list that is gone") {
        ListView_InsertItem(list, &item);
        ListView_InsertItem(list, &item);
        ListView_SetItemState(list, 0, LVIS_SELECTED, LVIS_SELECTED);
        ListView_SetItemState(list, 2, LVIS_SELECTED, LVIS_SELECTED);
        CHECK(ListViewNextItem(list, -1, LVNI_SELECTED) == 0);
        CHECK(ListViewNextItem(list, 0, LVNI_SELECTED | 0x10000) == 2);   // high bits go unsent
        CHECK(ListViewNextItem(list, 2, LVNI_SELECTED) == -1);
        DestroyWindow(list);
        CHECK(ListViewNextItem(list, -1, LVNI_SELECTED) == -1);
    }
    SUBCASE("DeleteAllColumns leaves none") {
        DeleteAllColumns(list);
        CHECK(Header_GetItemCount(ListView_GetHeader(list)) == 0);
        DeleteAllColumns(list);   // nothing left to delete
        CHECK(Header_GetItemCount(ListView_GetHeader(list)) == 0);
    }
    DestroyWindow(window);
}

TEST_CASE("WildcardMatch and MatchFileMask")
{
    SUBCASE("a lone star matches everything, the empty text too") {
        CHECK(WildcardMatch("", "*", true) == 1);
        CHECK(WildcardMatch("anything.png", "*", true) == 1);
        CHECK(MatchFileMask("", "*", true));
    }
    SUBCASE("a?c with and without case") {
        CHECK(WildcardMatch("abc", "a?c", false) == 1);
        CHECK(WildcardMatch("ABC", "a?c", false) == 1);
        CHECK(WildcardMatch("abc", "a?c", true) == 1);
        CHECK(WildcardMatch("ABC", "a?c", true) == 0);
        CHECK(WildcardMatch("ab", "a?c", false) == -1);
    }
    SUBCASE("extension masks") {
        CHECK(WildcardMatch("map.jpg", "*.JPG", false) == 1);
        CHECK(WildcardMatch("map.jpeg", "*.JPG", false) == -1);
        CHECK(WildcardMatch("map.png", "*.JPG", false) == -1);
        CHECK(MatchFileMask("map.jpg", "*.JPG", false));
        CHECK_FALSE(MatchFileMask("map.jpeg", "*.JPG", false));
        // Whatever follows a star is matched without case.
        CHECK(WildcardMatch("map.jpg", "*.JPG", true) == 1);
    }
    SUBCASE("text longer or shorter than the pattern") {
        CHECK(WildcardMatch("abcd", "abc", false) == 0);
        CHECK(WildcardMatch("", "a", false) == -1);
        CHECK(WildcardMatch("", "", false) == 1);
        CHECK(WildcardMatch("x", "", false) == 0);
        CHECK(WildcardMatch("abc", "a*", false) == 1);
        CHECK(WildcardMatch("a.b.c", "*.c", false) == 1);
    }
    SUBCASE("bytes above 127 compare as themselves") {
        CHECK(WildcardMatch("\xE4", "\xC4", false) == 0);
        CHECK(WildcardMatch("\xE4z", "\xE4Z", false) == 1);
        CHECK(CaseFoldTable['a'] == 'A');
        CHECK(CaseFoldTable['{'] == '{');
        CHECK(CaseFoldTable[0xE4] == 0xE4);
    }
}

TEST_CASE("ExtractResource")
{
    testsupport::TempDir dir;
    const HMODULE self = GetModuleHandleW(nullptr);

    SUBCASE("into memory, type DATA by default") {
        char buffer[16] = {};
        CHECK(ExtractResource(buffer, sizeof buffer, L"SAMPLE", self, true, nullptr));
        CHECK(std::string(buffer, 10) == "0123456789");
        CHECK(buffer[10] == 0);
    }
    SUBCASE("a named type") {
        char buffer[8] = {};
        CHECK(ExtractResource(buffer, sizeof buffer, L"SAMPLE", self, true, L"BLOB"));
        CHECK(std::string(buffer) == "xyz");
    }
    SUBCASE("a buffer too small is refused untouched") {
        char buffer[9];
        std::memset(buffer, '#', sizeof buffer);
        CHECK_FALSE(ExtractResource(buffer, sizeof buffer, L"SAMPLE", self, true, nullptr));
        CHECK(buffer[0] == '#');
    }
    SUBCASE("into a file") {
        const std::string path = dir.File("sample.bin");
        CHECK(ExtractResource(const_cast<char*>(path.c_str()), 0, L"SAMPLE", self, false, nullptr));
        std::string bytes;
        CHECK(testsupport::ReadFile(path, &bytes));
        CHECK(bytes == "0123456789");
    }
    SUBCASE("a missing resource gives false and makes no file") {
        const std::string path = dir.File("missing.bin");
        CHECK_FALSE(
            ExtractResource(const_cast<char*>(path.c_str()), 0, L"NOSUCH", self, false, nullptr));
        CHECK(GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES);
    }
    SUBCASE("a file that cannot be opened") {
        const std::string path = dir.File("no\\such\\folder\\x.bin");
        CHECK_FALSE(
            ExtractResource(const_cast<char*>(path.c_str()), 0, L"SAMPLE", self, false, nullptr));
    }
}

TEST_CASE("ShowLastErrorBox")
{
    SUBCASE("no error, no box") {
        CHECK_FALSE(LastErrorBoxText(0));
    }
    SUBCASE("an error shows the system's text") {
        wchar_t expected[1000] = L"";
        FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                       ERROR_FILE_NOT_FOUND, 1024, expected, 1000, nullptr);
        const std::optional<std::wstring> text = LastErrorBoxText(ERROR_FILE_NOT_FOUND);
        CHECK(text);
        std::wstring first(expected);
        first = first.substr(0, first.find_first_of(L"\r\n"));
        CHECK_FALSE(first.empty());
        CHECK(text.value_or(L"").find(first) != std::wstring::npos);
    }
}
