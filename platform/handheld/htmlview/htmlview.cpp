// "HTMLVIEW.DLL": the handheld builds' HTML view control, for machines that
// have none (the handheld shell's own library exists only on the devices).
//
// Its first export registers the window class "DISPLAYCLASS" for the
// caller's instance. The control is asked for a page by message 1144 with
// the address text in lParam. It cannot render pages: it keeps the address
// as its window text, counts the addresses it was given in its first extra
// window bytes, and paints the address on a plain page. Both records can be
// read from any process, so a program's page requests can be checked from
// outside (GetWindowTextW, GetWindowLongPtrW at 0).
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cwchar>

namespace {

constexpr wchar_t kClassName[] = L"DISPLAYCLASS";
constexpr UINT kNavigate = WM_USER + 120;
// Addresses longer than the platform's limit are refused whole: one cut
// short would be another address.
constexpr size_t kMaxAddress = 2048;
constexpr int kNavigationCount = 0;   // extra-bytes offset of the count
constexpr int kMargin = 4;

LRESULT Navigate(HWND window, const wchar_t* address)
{
    if (!address)
        return FALSE;
    const size_t length = wcsnlen(address, kMaxAddress + 1);
    if (length == 0 || length > kMaxAddress)
        return FALSE;
    // Counted before the text changes: a reader in another process that
    // sees the new address then sees its count too.
    SetWindowLongPtrW(window, kNavigationCount, GetWindowLongPtrW(window, kNavigationCount) + 1);
    DefWindowProcW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(address));
    InvalidateRect(window, nullptr, TRUE);
    return TRUE;
}

void Paint(HWND window)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    RECT page{};
    GetClientRect(window, &page);
    FillRect(dc, &page, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    wchar_t address[kMaxAddress + 1] = {};
    const int length = GetWindowTextW(window, address, static_cast<int>(kMaxAddress + 1));
    InflateRect(&page, -kMargin, -kMargin);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    HGDIOBJ previous = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    DrawTextW(dc, address, length, &page, DT_LEFT | DT_TOP | DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX);
    SelectObject(dc, previous);
    EndPaint(window, &ps);
}

LRESULT CALLBACK HtmlViewProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case kNavigate:
        return Navigate(window, reinterpret_cast<const wchar_t*>(lParam));
    case WM_PAINT:
        Paint(window);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_SETTEXT:
        // The text is the page shown: only a navigation changes it.
        return FALSE;
    }
    return DefWindowProcW(window, msg, wParam, lParam);
}

}  // namespace

// Ordinal 1. Registers "DISPLAYCLASS" for instance (once; a second call
// finds it registered). FALSE when the class cannot be registered.
extern "C" BOOL WINAPI InitHTMLControl(HINSTANCE instance)
{
    WNDCLASSW wc{};
    if (GetClassInfoW(instance, kClassName, &wc))
        return TRUE;
    wc = WNDCLASSW{};
    wc.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
    wc.lpfnWndProc = HtmlViewProc;
    wc.cbWndExtra = sizeof(LONG_PTR);
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.lpszClassName = kClassName;
    return RegisterClassW(&wc) != 0;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID)
{
    return TRUE;
}
