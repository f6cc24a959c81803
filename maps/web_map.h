// maps/web_map.h - web map pages: screen 8 ("Google Map") shows a position
// on a web page inside the main window.
//
// The pages are the maker's two map proxy pages (Google and Yahoo), which
// take a centre, a zoom level and the page's size, and three public map
// pages (Google, Yahoo, Live) opened on a point. They are shown in one child
// window of the main window (id IDC_WEBMAP): on the desktop builds the "AX"
// host of the platform's WebBrowser control (maps/browser_host.h), on the
// handheld builds the HTML view control "DISPLAYCLASS" of "HTMLVIEW.DLL".
// The program only asks for the pages; loading them is the control's
// business, and a page that fails is not reported.
//
// Every address carries finite coordinates: a page for a centre that is not
// a number is not asked for. UI thread only. Nothing throws.
#pragma once
#include <windows.h>

#include "kit/site.h"

// Where the pages are: scheme and host.
struct WEB_MAP_SITES {
    const wchar_t* proxy;    // the maker's site, before "/gmap.php" and "/ymapstatic.php"
    const wchar_t* google;   // before "maps?ll=..."
    const wchar_t* yahoo;    // before "broadband/#mvt=m..."
    const wchar_t* live;     // before "default.aspx?v=2..."
};
// The proxy pages are on the maker's site, kept once for the updater and
// them; the public services' hosts are kept here only.
inline constexpr WEB_MAP_SITES kWebMapSites = {
    UpdateSite,
    L"http://maps.google.com/",
    L"http://maps.yahoo.com/",
    L"http://maps.live.com/",
};
// The sites asked now: kWebMapSites. Only tests point them elsewhere.
extern WEB_MAP_SITES WebMapSites;

// Providers of the page shown.
inline constexpr int kWebMapPublic = 0;
inline constexpr int kWebMapGoogle = 1;   // the Google proxy page
inline constexpr int kWebMapYahoo = 2;    // the Yahoo proxy page
// Public page types (ShowExternalMapPage; command id - 1700).
inline constexpr int kExternalGoogle = 1;
inline constexpr int kExternalYahoo = 2;
inline constexpr int kExternalLive = 3;

// The web map state, program-wide.
struct WEB_MAP_VIEW {
    HWND window;         // the web map window, or null
    int provider;        // of the page shown: kWebMapPublic, kWebMapGoogle, kWebMapYahoo
    double googleX;      // last centre and zoom of the Google proxy page
    double googleY;
    int googleZoom;      // starts at 15, never below 0
    double yahooX;       // last centre and zoom of the Yahoo proxy page
    double yahooY;
    int yahooZoom;       // starts at 1, never below 1
};
extern WEB_MAP_VIEW WebMapView;

// The web-browser control's class id, the "AX" window's text.
inline constexpr wchar_t kWebBrowserClassId[] = L"{8856F961-340A-11D0-A96B-00C04FD705A2}";

// When no web map window exists: creates it over main's client area and
// activates the control in place. No window when the control (or, on the
// handhelds, the HTML view library) is missing.
void CreateWebMapWindow(HWND main);
// Destroys the web map window and forgets it; nothing when there is none.
void DestroyWebMapWindow();
// The main window's WM_SIZE: the web map window takes the client area and a
// proxy page shown is asked for again at the new size.
void ResizeWebMapWindow(HWND main, int width, int height);
// Asks the control for url; nothing without a window or a control.
void NavigateWebMap(const wchar_t* url);

// The proxy pages. x and y 0 stand for this page's last centre, width and
// height -1 for the web map window's client size less 10 (not below 0).
// A centre that is not finite changes nothing; otherwise the page is asked
// for (when there is a window) and its zoom, centre and provider kept.
void ShowGmapPage(double x, double y, int zoom, int width, int height);
void ShowYmapStaticPage(double x, double y, int zoom, int width, int height);
// Public page type 1 to 3 on (x, y), creating the web map window of main
// when needed; the proxy pages' centres and zooms stay. Other types and
// centres that are not finite do nothing.
void ShowExternalMapPage(HWND main, double x, double y, int type);
// Proxy page provider 1 or 2 on (x, y) at zoom, after the screen was
// entered (the waypoint commands 1247 and 1248); other providers do nothing.
void ShowWebMapPage(HWND main, int provider, double x, double y, int zoom);

// The web map screen's "Zoom In" and "Zoom Out" (1402, 1403): the proxy page
// shown asked for again one zoom step further in (change 1) or out (-1).
void ZoomWebMapPage(int change);
