// Web map pages in the main window, in-process: screen 8, "View in Map" on
// the waypoint list, zoom, resizing and bad centres.
//
// The desktop build shows the pages in the platform's WebBrowser control;
// every site is pointed at a server of the test's own on 127.0.0.1, and the
// addresses are read from the control's BeforeNavigate2 events, which the
// host's site passes to a notify window. The same source built for the
// handheld variant shows them in the stand-in HTML view ("HTMLVIEW.DLL" from
// the programs' folder, PATHVEX_PROGRAM_DIR), which keeps the last address
// as its text and counts the addresses it was given.
#include <doctest.h>

#include "app/option_test_util.h"
#include "support/test_support.h"

#include "maps/viewport.h"
#include "maps/web_map.h"
#include "resources/resource.h"
#include "tracks/tracks.h"
#include "xml/xml.h"
#if defined(PATHVEX_HANDHELD)
#include "platform/handheld/handheld.h"
#else
#include "maps/browser_host.h"
#include "support/http_server.h"

#include <exdisp.h>
#include <exdispid.h>
#endif

#include <commctrl.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

// Addresses shown as text when a check fails.
template <>
struct doctest::StringMaker<std::wstring> {
    static String convert(const std::wstring& text) { return String(std::string(text.begin(), text.end()).c_str()); }
};

using optiontest::Pump;
using optiontest::WindowFixture;

namespace {

constexpr wchar_t kWaypointsTitle[] = L"Waypoints";
constexpr DWORD kPageWaitMs = 20000;
#if defined(PATHVEX_HANDHELD)
constexpr char kPictureName[] = "web_map_handheld.png";
#else
constexpr char kPictureName[] = "web_map.png";
#endif

std::wstring PublicSite(int command)
{
    const int type = command - (IDM_EXTMAP_FIRST - 1);
    return type == kExternalGoogle ? WebMapSites.google : type == kExternalYahoo ? WebMapSites.yahoo : WebMapSites.live;
}

#if defined(PATHVEX_HANDHELD)
// The library from the programs' folder (a Unix path, seen through Z:).
bool LoadHtmlView()
{
    const std::string folder = testsupport::EnvPath("PATHVEX_PROGRAM_DIR");
    REQUIRE(!folder.empty());
    SetDllDirectoryA(folder.c_str());
    return LoadHtmlViewLibrary(GetModuleHandleW(nullptr));
}

// The HTML view answers at once; its count is the window's own.
struct Recorder {
    Recorder() { CHECK(LoadHtmlView()); }
    std::wstring Last() const { return optiontest::Text(WebMapView.window); }
    int Count()
    {
        if (WebMapView.window != window_)
            seen_ = 0;
        window_ = WebMapView.window;
        return window_ ? int(GetWindowLongPtrW(window_, 0)) : 0;
    }
    bool WaitFor(int) { return true; }
    int seen_ = 0;

private:
    HWND window_ = nullptr;
};
#else
constexpr UINT kNotifyMessage = WM_APP + 3;
std::vector<std::wstring> Addresses;   // of every BeforeNavigate2 seen
HWND Listener = nullptr;
HWND Watched = nullptr;

LRESULT CALLBACK ListenerProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg != kNotifyMessage)
        return DefWindowProcW(window, msg, wParam, lParam);
    const auto* call = reinterpret_cast<const AX_INVOKE_RECORD*>(lParam);
    const VARIANT* url = call->params && call->params->cArgs == 7 ? &call->params->rgvarg[5] : nullptr;
    if (call->dispid == DISPID_BEFORENAVIGATE2 && url && url->vt == (VT_BYREF | VT_VARIANT) &&
        url->pvarVal->vt == VT_BSTR)
        Addresses.push_back(url->pvarVal->bstrVal);
    return 0;
}

// The control's events reach Addresses from the web map window's creation
// on: the control announces each address before Navigate returns, so they
// are watched as soon as the new window has activated its control, before
// anything is navigated.
LRESULT CALLBACK WatchNewWebMap(int code, WPARAM wParam, LPARAM lParam)
{
    const auto* sent = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    if (code == HC_ACTION && sent->message == WM_AXACTIVATE && sent->hwnd != Watched &&
        sent->hwnd == WebMapView.window) {
        Watched = sent->hwnd;
        SendMessageW(Watched, WM_AXSETNOTIFYWINDOW, reinterpret_cast<WPARAM>(Listener), kNotifyMessage);
        AX_SINK_RECORD record{DIID_DWebBrowserEvents2, nullptr, E_FAIL, nullptr, nullptr, 0};
        CHECK(SendMessageW(Watched, WM_AXCONNECTSINK, reinterpret_cast<WPARAM>(&DIID_DWebBrowserEvents2),
                           reinterpret_cast<LPARAM>(&record)) == S_OK);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// The control announces the first address of a window before Navigate
// returns and every later one from its message queue, in order.
struct Recorder {
    testsupport::HttpServer server;
    std::wstring sites[2];
    int seen_ = 0;
    HHOOK watch_ = nullptr;
    Recorder()
    {
        OleInitialize(nullptr);
        REQUIRE(RegisterAxWindowClass());
        WNDCLASSW wc{};
        wc.lpfnWndProc = ListenerProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"PageListener";
        RegisterClassW(&wc);
        Listener = CreateWindowW(L"PageListener", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        const std::string site = server.Url("");
        sites[0].assign(site.begin(), site.end());
        sites[1] = sites[0] + L"/";
        WebMapSites = {sites[0].c_str(), sites[1].c_str(), sites[1].c_str(), sites[1].c_str()};
        Addresses.clear();
        Watched = nullptr;
        watch_ = SetWindowsHookExW(WH_CALLWNDPROCRET, WatchNewWebMap, nullptr, GetCurrentThreadId());
        REQUIRE(watch_);
    }
    ~Recorder()
    {
        UnhookWindowsHookEx(watch_);
        WebMapSites = kWebMapSites;
        DestroyWindow(Listener);
        OleUninitialize();
    }
    std::wstring Last() const { return Addresses.empty() ? L"" : Addresses.back(); }
    int Count() const { return int(Addresses.size()); }
    bool WaitFor(int count)
    {
        const ULONGLONG until = GetTickCount64() + kPageWaitMs;
        while (Count() < count && GetTickCount64() < until) {
            Pump();
            Sleep(10);
        }
        return Count() >= count;
    }
};
#endif

// The pages asked for since the last look.
struct Pages : Recorder {
    // The next address asked for, or "<none>" when none came.
    std::wstring Next()
    {
        WaitFor(seen_ + 1);
        const int count = Count();
        if (count <= seen_)
            return L"<none>";
        seen_ = count;
        return Last();
    }
    // True when nothing more was asked for.
    bool Quiet()
    {
        Pump();
        Sleep(50);
        Pump();
        return Count() == seen_;
    }
};

// The main window with three waypoints on the waypoint list: one at sea,
// one south-west, and one whose longitude reads as no number.
struct WebMapFixture {
    Pages pages;
    WindowFixture f;
    WebMapFixture()
    {
        WebMapView = {nullptr, kWebMapPublic, 0.0, 0.0, 15, 0.0, 0.0, 1};
        AddWaypointElement(nullptr, 23.5, 38.25, 0.0, "Harbour", true);
        AddWaypointElement(nullptr, -70.125, -33.5, 0.0, "South", true);
        auto* broken = new XMLElement(WaypointsElement, "w", XML_KIND_NAME);
        broken->AddAttribute("n", "Broken");
        broken->AddAttribute("x", "nan");
        broken->AddAttribute("y", "1e999");
        WaypointsElement->AppendChild(broken);
        RebuildWaypointList();
        ShowList(0);
    }
    ~WebMapFixture() { DestroyWebMapWindow(); }
    LRESULT Command(int id) { return f.Command(id); }
    // The waypoint list with row selected (-1: none).
    void ShowList(int row)
    {
        Command(IDM_SCREEN_WAYPOINTS);
        LVITEMW item{};
        item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageW(MainListView, LVM_SETITEMSTATE, WPARAM(-1), reinterpret_cast<LPARAM>(&item));
        item.state = LVIS_SELECTED | LVIS_FOCUSED;
        if (row >= 0)
            SendMessageW(MainListView, LVM_SETITEMSTATE, WPARAM(row), reinterpret_cast<LPARAM>(&item));
    }
    std::wstring Title() const { return optiontest::Text(f.window); }
    // A proxy page as asked for: at the web map window's client size less 10,
    // or at width x height.
    static std::wstring Page(const wchar_t* page, double a, double b, int zoom, int width = -1, int height = -1)
    {
        RECT r{};
        GetClientRect(WebMapView.window, &r);
        wchar_t text[512];
        std::swprintf(text, 512, (std::wstring(WebMapSites.proxy) + page).c_str(), a, b, zoom,
                      width < 0 ? std::max(0L, r.right - 10) : width, height < 0 ? std::max(0L, r.bottom - 10) : height);
        return text;
    }
    std::wstring Gmap(double x, double y, int zoom) const
    {
        return Page(L"/gmap.php?x=%f&y=%f&z=%i&w=%u&h=%u", x, y, zoom);
    }
    std::wstring Ymap(double x, double y, int zoom) const
    {
        return Page(L"/ymapstatic.php?y=%f&x=%f&z=%i&w=%u&h=%u", x, y, zoom);
    }
    void ResizeMain(int width, int height)
    {
        SetWindowPos(f.window, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);
        Pump();
    }
};

}  // namespace

TEST_CASE("View in Map on the selected waypoint: the proxy pages, their zoom and size, and Back")
{
    WebMapFixture w;

    SUBCASE("Google: the page over the client area less 10, zoom in, zoom out not below 0, resized, Back") {
        w.Command(IDM_SHOWONMAP_GMAP);
        CHECK(w.Title() == L"Google Map");
        CHECK(CurrentScreen == kScreenWebMap);
        REQUIRE(WebMapView.window);
        CHECK(GetParent(WebMapView.window) == w.f.window);
        CHECK(GetDlgCtrlID(WebMapView.window) == IDC_WEBMAP);
        CHECK(IsWindowVisible(WebMapView.window));
        RECT client{}, map{};
        GetClientRect(w.f.window, &client);
        GetClientRect(WebMapView.window, &map);
        CHECK(EqualRect(&client, &map));
        CHECK(w.pages.Next() == w.Gmap(23.5, 38.25, 15));
        CHECK(w.pages.Quiet());
        optiontest::SavePicture(w.f.window, kPictureName);
        CHECK(WebMapView.provider == kWebMapGoogle);

        w.Command(IDM_WEBMAP_ZOOM_IN);
        CHECK(w.pages.Next() == w.Gmap(23.5, 38.25, 16));
        WebMapView.googleZoom = 1;
        w.Command(IDM_WEBMAP_ZOOM_OUT);
        CHECK(w.pages.Next() == w.Gmap(23.5, 38.25, 0));
        w.Command(IDM_WEBMAP_ZOOM_OUT);
        CHECK(w.pages.Next() == w.Gmap(23.5, 38.25, 0));
        CHECK(WebMapView.googleZoom == 0);

        w.ResizeMain(300, 400);
        GetClientRect(w.f.window, &client);
        CHECK(w.pages.Next() ==
              w.Page(L"/gmap.php?x=%f&y=%f&z=%i&w=%u&h=%u", 23.5, 38.25, 0, client.right - 10, client.bottom - 10));
        ResizeWebMapWindow(w.f.window, 0, 0);
        CHECK(w.pages.Next() == w.Page(L"/gmap.php?x=%f&y=%f&z=%i&w=%u&h=%u", 23.5, 38.25, 0, 0, 0));

        HWND map8 = WebMapView.window;
        w.Command(IDM_BACK);
        CHECK_FALSE(IsWindow(map8));
        CHECK_FALSE(WebMapView.window);
        CHECK(CurrentScreen == kScreenGps);
        // Without the window a resize asks for nothing and creates nothing.
        w.ResizeMain(240, 320);
        CHECK_FALSE(WebMapView.window);
    }
    SUBCASE("Yahoo: the longitude as y and the latitude as x; Zoom In stops at 1, Zoom Out goes up") {
        w.ShowList(1);
        w.Command(IDM_SHOWONMAP_YMAP);
        REQUIRE(WebMapView.window);
        CHECK(w.pages.Next() == w.Ymap(-70.125, -33.5, 1));
        w.Command(IDM_WEBMAP_ZOOM_IN);
        CHECK(w.pages.Next() == w.Ymap(-70.125, -33.5, 1));
        w.Command(IDM_WEBMAP_ZOOM_OUT);
        CHECK(w.pages.Next() == w.Ymap(-70.125, -33.5, 2));
        w.ResizeMain(260, 300);
        CHECK(w.pages.Next() == w.Ymap(-70.125, -33.5, 2));
        w.Command(IDM_PICK_OK);   // OK on the web map leaves it too
        CHECK_FALSE(WebMapView.window);
    }
    SUBCASE("the waypoint commands show the proxy pages at zoom 15") {
        w.Command(IDM_WAYPOINT_GMAP);
        CHECK(w.pages.Next() == w.Gmap(23.5, 38.25, 15));
        w.ShowList(1);
        w.Command(IDM_WAYPOINT_YMAP);
        CHECK(w.pages.Next() == w.Ymap(-70.125, -33.5, 15));
        CHECK(WebMapView.yahooZoom == 15);
    }
    SUBCASE("Pathvex: the Map screen centred on the waypoint") {
        w.Command(IDM_SHOWONMAP_PATHVEX);
        CHECK(w.Title() == L"Map");
        CHECK_FALSE(WebMapView.window);
        CHECK((MapViewport.minLongitude + MapViewport.maxLongitude) / 2 == doctest::Approx(23.5));
        CHECK((MapViewport.minLatitude + MapViewport.maxLatitude) / 2 == doctest::Approx(38.25));
    }
    SUBCASE("with no waypoint selected, or a category, nothing happens") {
        w.ShowList(-1);
        for (int id : {IDM_SHOWONMAP_PATHVEX, IDM_SHOWONMAP_GMAP, IDM_SHOWONMAP_YMAP, IDM_EXTMAP_GOOGLE})
            w.Command(id);
        CHECK(w.Title() == kWaypointsTitle);
        CHECK_FALSE(WebMapView.window);
        // Zoom with no proxy page shown asks for nothing either.
        w.Command(IDM_SCREEN_WEBMAP);
        REQUIRE(WebMapView.window);
        w.Command(IDM_WEBMAP_ZOOM_IN);
        CHECK(w.pages.Quiet());
        CHECK(w.pages.Count() == 0);
    }
}

TEST_CASE("View in External Map: the public pages, latitude first, leave the proxy pages' centres and zooms")
{
    WebMapFixture w;
    w.Command(IDM_SHOWONMAP_GMAP);
    w.Command(IDM_WEBMAP_ZOOM_IN);
    w.pages.Next();
    const WEB_MAP_VIEW proxy = WebMapView;
    w.ShowList(1);
    const struct {
        int id;
        const wchar_t* page;
    } kPages[] = {
        {IDM_EXTMAP_GOOGLE, L"maps?ll=%f,%f&spn=0.1,0.1&q=%f,%f"},
        {IDM_EXTMAP_YAHOO, L"broadband/#mvt=m&lat=%f&lon=%f&mag=6&q1=%f,%f"},
        {IDM_EXTMAP_LIVE, L"default.aspx?v=2&cp=%f~%f&style=r&lvl=15&sp=Point.%f_%f_city___"},
    };
    for (const auto& p : kPages) {
        CAPTURE(p.id);
        w.ShowList(1);
        w.Command(p.id);
        CHECK(w.Title() == L"Google Map");
        wchar_t expected[512];
        std::swprintf(expected, 512, (PublicSite(p.id) + p.page).c_str(), -33.5, -70.125, -33.5, -70.125);
        CHECK(w.pages.Next() == expected);
        CHECK(WebMapView.provider == kWebMapPublic);
        CHECK(WebMapView.googleX == proxy.googleX);
        CHECK(WebMapView.googleY == proxy.googleY);
        CHECK(WebMapView.googleZoom == 16);
        CHECK(WebMapView.yahooZoom == proxy.yahooZoom);
        // A public page is not asked for again at a new size, nor zoomed.
        w.ResizeMain(250, 330);
        w.Command(IDM_WEBMAP_ZOOM_IN);
        CHECK(w.pages.Quiet());
    }
    // Given to the waypoint commands, the same id shows the same page.
    w.ShowList(1);
    WaypointCommand(w.f.window, IDM_EXTMAP_GOOGLE);
    CHECK(w.Title() == L"Google Map");
    wchar_t google[512];
    std::swprintf(google, 512, (PublicSite(IDM_EXTMAP_GOOGLE) + kPages[0].page).c_str(), -33.5, -70.125, -33.5,
                  -70.125);
    CHECK(w.pages.Next() == google);
    w.ShowList(1);
    w.Command(IDM_EXTMAP_FIRST + 3);   // no fourth public page
    CHECK(w.Title() == kWaypointsTitle);
    CHECK(w.pages.Quiet());
}

TEST_CASE("centres that are no number ask for no page; no remembered centre asks for 0; 1000 pages in a row")
{
    WebMapFixture w;
    w.ShowList(2);
    w.Command(IDM_SHOWONMAP_GMAP);
    REQUIRE(WebMapView.window);
    CHECK(w.pages.Quiet());
    CHECK(WebMapView.provider == kWebMapPublic);
    w.ShowList(2);
    w.Command(IDM_EXTMAP_LIVE);
    CHECK(w.pages.Quiet());
    for (double bad : {NAN, INFINITY, -INFINITY}) {
        ShowGmapPage(bad, 1.0, 3, -1, -1);
        ShowYmapStaticPage(1.0, bad, 3, -1, -1);
        ShowExternalMapPage(w.f.window, bad, 1.0, kExternalGoogle);
    }
    CHECK(w.pages.Quiet());
    CHECK(WebMapView.googleZoom == 15);
    CHECK(WebMapView.yahooZoom == 1);

#if defined(PATHVEX_HANDHELD)
    // The HTML view takes no address that is missing, empty or longer than
    // 2048 characters, and its text changes only by a navigation.
    const std::wstring overlong(2049, L'a');
    for (const wchar_t* bad : {static_cast<const wchar_t*>(nullptr), L"", overlong.c_str()})
        CHECK(SendMessageW(WebMapView.window, WM_HTMLVIEW_NAVIGATE, 0, reinterpret_cast<LPARAM>(bad)) == FALSE);
    SetWindowTextW(WebMapView.window, L"elsewhere");
    CHECK(w.pages.Quiet());
    CHECK(w.pages.Last().empty());
#endif
    // A reload with no remembered centre: 0.000000, 0.000000.
    ShowGmapPage(0, 0, 15, -1, -1);
    CHECK(w.pages.Next() == w.Gmap(0, 0, 15));
    // The longest finite centre still makes one whole address.
    ShowGmapPage(-1.7e308, 1.7e308, 15, 100, 100);
    CHECK(w.pages.Next().size() > 600);
    CHECK(WebMapView.googleX == -1.7e308);

    // The program's own "app:" addresses, which the host's site cancels:
    // 1000 pages that load nothing.
    const WEB_MAP_SITES sites = WebMapSites;
    WebMapSites.proxy = L"app:";
    const int before = w.pages.Count();
    for (int i = 1; i <= 1000; ++i)
        ShowGmapPage(i * 0.001, 45.0, 12, -1, -1);
    CHECK(w.pages.WaitFor(before + 1000));
    CHECK(w.pages.Last() == w.Gmap(1.0, 45.0, 12));
    WebMapSites = sites;
}
