// Web map pages on screen 8.
#include "maps/web_map.h"

#include "resources/resource.h"

#if !defined(PATHVEX_HANDHELD)
#include "maps/browser_host.h"

#include <exdisp.h>
#include <oleauto.h>
#endif

#include <algorithm>
#include <cmath>
#include <cwchar>

WEB_MAP_SITES WebMapSites = kWebMapSites;
WEB_MAP_VIEW WebMapView = {nullptr, kWebMapPublic, 0.0, 0.0, 15, 0.0, 0.0, 1};

namespace {

constexpr wchar_t kGmapPage[] = L"%ls/gmap.php?x=%f&y=%f&z=%i&w=%u&h=%u";
constexpr wchar_t kYmapStaticPage[] = L"%ls/ymapstatic.php?y=%f&x=%f&z=%i&w=%u&h=%u";
// The public pages take the latitude first, twice.
constexpr wchar_t kGooglePage[] = L"%lsmaps?ll=%f,%f&spn=0.1,0.1&q=%f,%f";
constexpr wchar_t kYahooPage[] = L"%lsbroadband/#mvt=m&lat=%f&lon=%f&mag=6&q1=%f,%f";
constexpr wchar_t kLivePage[] = L"%lsdefault.aspx?v=2&cp=%f~%f&style=r&lvl=15&sp=Point.%f_%f_city___";
// Room for an address: four coordinates of up to 317 digits each as "%f"
// writes them, and the host. A longer one is not asked for.
constexpr size_t kAddressSize = 2048;
// The proxy pages are asked for a little smaller than the window.
constexpr int kPageMargin = 10;
constexpr int kMinGoogleZoom = 0;
constexpr int kMinYahooZoom = 1;

#if defined(PATHVEX_HANDHELD)
constexpr wchar_t kHtmlViewClass[] = L"DISPLAYCLASS";
#endif

// A size of -1 (or below): the web map window's client size less the margin.
unsigned PageSize(int requested, bool width)
{
    if (requested >= 0)
        return static_cast<unsigned>(requested);
    RECT client{};
    if (WebMapView.window)
        GetClientRect(WebMapView.window, &client);
    const int extent = width ? client.right - client.left : client.bottom - client.top;
    return static_cast<unsigned>(std::max(0, extent - kPageMargin));
}

template <typename... Values>
void NavigateFormatted(const wchar_t* format, Values... values)
{
    wchar_t address[kAddressSize];
    const int length = std::swprintf(address, kAddressSize, format, values...);
    if (length > 0 && static_cast<size_t>(length) < kAddressSize)
        NavigateWebMap(address);
}

bool Finite(double x, double y)
{
    return std::isfinite(x) && std::isfinite(y);
}

}  // namespace

void CreateWebMapWindow(HWND main)
{
    if (WebMapView.window || !main)
        return;
    RECT client{};
    GetClientRect(main, &client);
    const HMENU id = reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_WEBMAP));
#if defined(PATHVEX_HANDHELD)
    // A window with a parent and an id must be a child here: without
    // WS_CHILD the id would be read as a menu and the creation fail.
    WebMapView.window = CreateWindowExW(0, kHtmlViewClass, nullptr, WS_CHILD | WS_VISIBLE, 0, 0, client.right,
                                        client.bottom, main, id, GetModuleHandleW(nullptr), nullptr);
#else
    WebMapView.window = CreateWindowExW(0, L"AX", kWebBrowserClassId, WS_CHILD | WS_VISIBLE, 0, 0, client.right,
                                        client.bottom, main, id, GetModuleHandleW(nullptr), nullptr);
    if (WebMapView.window)
        SendMessageW(WebMapView.window, WM_AXACTIVATE, 1, 0);
#endif
}

void DestroyWebMapWindow()
{
    if (!WebMapView.window)
        return;
    DestroyWindow(WebMapView.window);
    WebMapView.window = nullptr;
}

void ResizeWebMapWindow(HWND, int width, int height)
{
    if (!WebMapView.window)
        return;
    MoveWindow(WebMapView.window, 0, 0, std::max(0, width), std::max(0, height), TRUE);
    if (WebMapView.provider == kWebMapGoogle)
        ShowGmapPage(0, 0, WebMapView.googleZoom, -1, -1);
    else if (WebMapView.provider == kWebMapYahoo)
        ShowYmapStaticPage(0, 0, WebMapView.yahooZoom, -1, -1);
}

void NavigateWebMap(const wchar_t* url)
{
    if (!WebMapView.window || !url)
        return;
#if defined(PATHVEX_HANDHELD)
    SendMessageW(WebMapView.window, WM_HTMLVIEW_NAVIGATE, 0, reinterpret_cast<LPARAM>(url));
#else
    IWebBrowser2* browser = nullptr;
    if (FAILED(static_cast<HRESULT>(SendMessageW(WebMapView.window, WM_AXQUERYINTERFACE,
                                                 reinterpret_cast<WPARAM>(&IID_IWebBrowser2),
                                                 reinterpret_cast<LPARAM>(&browser)))) ||
        !browser)
        return;
    BSTR address = SysAllocString(url);
    if (address) {
        VARIANT none;
        VariantInit(&none);
        browser->Navigate(address, &none, &none, &none, &none);
        SysFreeString(address);
    }
    browser->Release();
#endif
}

void ShowGmapPage(double x, double y, int zoom, int width, int height)
{
    x = x == 0 ? WebMapView.googleX : x;
    y = y == 0 ? WebMapView.googleY : y;
    if (!Finite(x, y))
        return;
    NavigateFormatted(kGmapPage, WebMapSites.proxy, x, y, zoom, PageSize(width, true), PageSize(height, false));
    WebMapView.googleZoom = zoom;
    WebMapView.googleX = x;
    WebMapView.googleY = y;
    WebMapView.provider = kWebMapGoogle;
}

void ShowYmapStaticPage(double x, double y, int zoom, int width, int height)
{
    x = x == 0 ? WebMapView.yahooX : x;
    y = y == 0 ? WebMapView.yahooY : y;
    if (!Finite(x, y))
        return;
    // The page names the longitude "y" and the latitude "x".
    NavigateFormatted(kYmapStaticPage, WebMapSites.proxy, x, y, zoom, PageSize(width, true),
                      PageSize(height, false));
    WebMapView.yahooZoom = zoom;
    WebMapView.yahooX = x;
    WebMapView.yahooY = y;
    WebMapView.provider = kWebMapYahoo;
}

void ShowExternalMapPage(HWND main, double x, double y, int type)
{
    if (type < kExternalGoogle || type > kExternalLive || !Finite(x, y))
        return;
    CreateWebMapWindow(main);
    WebMapView.provider = kWebMapPublic;
    if (type == kExternalGoogle)
        NavigateFormatted(kGooglePage, WebMapSites.google, y, x, y, x);
    else if (type == kExternalYahoo)
        NavigateFormatted(kYahooPage, WebMapSites.yahoo, y, x, y, x);
    else
        NavigateFormatted(kLivePage, WebMapSites.live, y, x, y, x);
}

void ShowWebMapPage(HWND, int provider, double x, double y, int zoom)
{
    if (provider == kWebMapGoogle)
        ShowGmapPage(x, y, zoom, -1, -1);
    else if (provider == kWebMapYahoo)
        ShowYmapStaticPage(x, y, zoom, -1, -1);
}

void ZoomWebMapPage(int change)
{
    if (WebMapView.provider == kWebMapGoogle)
        ShowGmapPage(0, 0, std::max(kMinGoogleZoom, WebMapView.googleZoom + change), -1, -1);
    else if (WebMapView.provider == kWebMapYahoo)
        // The Yahoo page counts its zoom the other way round.
        ShowYmapStaticPage(0, 0, std::max(kMinYahooZoom, WebMapView.yahooZoom - change), -1, -1);
}
