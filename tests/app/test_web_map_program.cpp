// Web map pages in the running programs: a waypoint shown on the Google
// proxy page, zoomed, left with Back, and on the Live public page.
//
// The desktop programs show the pages in the platform's WebBrowser control,
// which loads them: each program is started with an HTTP proxy of the
// test's own on 127.0.0.1, so every page request ends there and is read
// from its request line, and nothing leaves the machine. The handheld
// programs find the stand-in "HTMLVIEW.DLL" beside them; its control keeps
// the last address as its window text and counts the addresses it got.
// PATHVEX_PROGRAM_DIR names the built programs' folder, PATHVEX_PROGRAMS the
// program of this entry.
#include "program_runner.h"

#include "support/dib_canvas.h"
#include "support/http_server.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>

using namespace programtest;

namespace {

constexpr int kWebMapId = 878;
constexpr WPARAM kCommandGoogle = 1401;
constexpr WPARAM kCommandZoomIn = 1402;
constexpr WPARAM kCommandLive = 1703;
constexpr WPARAM kCommandWebMap = 208;
// The GPS data screen's background, day and night.
constexpr COLORREF kDayBackground = 0xE9E9E9;
constexpr COLORREF kNightBackground = 0x333333;
constexpr char kWaypoint[] = "  <w n=\"Harbour\" x=\"23.5\" y=\"38.25\" z=\"0\"/>\r\n";
constexpr char kGooglePage[] = "http://pathvex.org/gmap.php?x=23.500000&y=38.250000&z=%d&w=%ld&h=%ld";
constexpr char kLivePage[] =
    "http://maps.live.com/default.aspx?v=2&cp=38.250000~23.500000&style=r&lvl=15&sp=Point.38.250000_23.500000_city___";

// The web map child of the running program, once it shows.
HWND WaitForWebMap(const Running& run)
{
    HWND map = nullptr;
    WaitFor([&] { return (map = GetDlgItem(run.MainWindow(), kWebMapId)) && IsWindowVisible(map); }, kStartMs);
    return map;
}

bool SelectFirstWaypoint(const Running& run)
{
    if (!run.Command(kCommandWaypoints) || !run.WaitForTitle([](const std::wstring& t) { return t == L"Waypoints"; }))
        return false;
    HWND list = GetDlgItem(run.MainWindow(), kListId);
    PostMessageW(list, WM_KEYDOWN, VK_HOME, 0);
    return WaitFor([&] { return SendMessageW(list, LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED) == 0; }, kStartMs);
}

std::string WindowText(HWND map)
{
    wchar_t text[2100] = {};
    GetWindowTextW(map, text, 2100);
    return std::string(text, text + std::wcslen(text));
}

// True once address is the page shown (handheld) or asked of the proxy,
// which hears it with the default port named.
bool ShowsPage(const testsupport::HttpServer& proxy, bool handheld, HWND map, std::string address)
{
    if (handheld)
        return WaitFor([&] { return WindowText(map) == address; }, kStartMs);
    address.insert(address.find('/', std::strlen("http://")), ":80");
    const std::string line = "GET " + address + " HTTP/1.1";
    return WaitFor(
        [&] {
            for (const auto& r : proxy.Requests())
                if (r.line == line)
                    return true;
            return false;
        },
        kStartMs);
}

// The main window's client area as the display shows it, once it has settled.
bool CaptureClient(HWND window, testsupport::DibCanvas* shot)
{
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    return shot->CaptureScreen(origin.x, origin.y, kStartMs);
}

std::string GooglePage(HWND map, int zoom)
{
    RECT r{};
    GetClientRect(map, &r);
    char text[300];
    std::snprintf(text, sizeof text, kGooglePage, zoom, r.right - 10, r.bottom - 10);
    return text;
}

}  // namespace

TEST_CASE("a waypoint on the web map pages of the running program")
{
    for (const PROGRAM& p : ProgramsUnderTest()) {
        CAPTURE(p.name);
        Install install(p, Settings("upd=\"5\"", "", kWaypoint));
        testsupport::HttpServer proxy;
        if (p.handheld) {
            const std::string library = ProgramDir() + "\\htmlview.dll";
            REQUIRE(CopyFileA(library.c_str(), install.dir.File("HTMLVIEW.DLL").c_str(), FALSE));
        } else {
            // Inherited by the program: its page requests go to the proxy.
            REQUIRE(SetEnvironmentVariableA("http_proxy", proxy.Url("").c_str()));
        }
        Running run(install.dir.Path(), p, "");
        SetEnvironmentVariableA("http_proxy", nullptr);
        REQUIRE(run.WaitForMainWindow());

        REQUIRE(SelectFirstWaypoint(run));
        CHECK(run.Command(kCommandGoogle));
        CHECK(run.WaitForTitle([](const std::wstring& t) { return t == L"Google Map"; }));
        HWND map = WaitForWebMap(run);
        REQUIRE(map);
        wchar_t className[64] = {};
        GetClassNameW(map, className, 64);
        CHECK(std::wstring(className) == (p.handheld ? L"DISPLAYCLASS" : L"AX"));
        RECT client{}, mapClient{};
        GetClientRect(run.MainWindow(), &client);
        GetClientRect(map, &mapClient);
        CHECK(EqualRect(&client, &mapClient));
        CHECK(ShowsPage(proxy, p.handheld, map, GooglePage(map, 15)));
        CHECK(run.Command(kCommandZoomIn));
        CHECK(ShowsPage(proxy, p.handheld, map, GooglePage(map, 16)));
        if (p.handheld)
            CHECK(GetWindowLongPtrW(map, 0) == 2);   // the pages the HTML view took

        CHECK(run.Command(kCommandBack));
        CHECK(run.WaitForTitle([&](const std::wstring& t) { return t == p.title; }));
        CHECK(WaitFor([&] { return !IsWindow(map); }, kStartMs));

        REQUIRE(SelectFirstWaypoint(run));
        CHECK(run.Command(kCommandLive));
        map = WaitForWebMap(run);
        REQUIRE(map);
        CHECK(ShowsPage(proxy, p.handheld, map, kLivePage));
        CHECK(run.Close());
    }
}

// The web map window covers the client area: every way off screen 8 must
// take it away, or it stays over the screens that follow.
TEST_CASE("leaving the web map screen by a key or a screen command takes the web map away")
{
    for (const PROGRAM& p : ProgramsUnderTest()) {
        CAPTURE(p.name);
        Install install(p, Settings("upd=\"5\"", "", kWaypoint));
        if (p.handheld) {
            const std::string library = ProgramDir() + "\\htmlview.dll";
            REQUIRE(CopyFileA(library.c_str(), install.dir.File("HTMLVIEW.DLL").c_str(), FALSE));
        }
        Running run(install.dir.Path(), p, "");
        REQUIRE(run.WaitForMainWindow());
        HWND main = run.MainWindow();
        SetWindowPos(main, HWND_TOPMOST, 300, 100, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
        RECT client{};
        GetClientRect(main, &client);
        const POINT middle = {client.right / 2, client.bottom / 2};

        CHECK(run.Command(kCommandWebMap));
        HWND map = WaitForWebMap(run);
        REQUIRE(map);
        // Key '1' shows the GPS data screen, painted in the scheme's background.
        PostMessageW(main, WM_KEYDOWN, '1', 0);
        CHECK(run.WaitForTitle([&](const std::wstring& t) { return t == p.title; }));
        CHECK(WaitFor([&] { return !IsWindow(map) || !IsWindowVisible(map); }, kStartMs));
        CHECK(ChildWindowFromPointEx(main, middle, CWP_SKIPINVISIBLE) == main);
        testsupport::DibCanvas shot(client.right, client.bottom);
        REQUIRE(shot.Valid());
        CHECK(CaptureClient(main, &shot));
        CHECK(shot.SavePng("webmap_left_by_key_" + p.name + ".png"));
        const int background = std::max(shot.Count(kDayBackground), shot.Count(kNightBackground));
        CHECK(background > client.right * client.bottom / 2);

        // A screen command to the Waypoints list: the list shows, not the map.
        CHECK(run.Command(kCommandWebMap));
        map = WaitForWebMap(run);
        REQUIRE(map);
        CHECK(run.Command(kCommandWaypoints));
        CHECK(run.WaitForTitle([](const std::wstring& t) { return t == L"Waypoints"; }));
        CHECK(WaitFor([&] { return !IsWindow(map) || !IsWindowVisible(map); }, kStartMs));
        HWND list = GetDlgItem(main, kListId);
        CHECK(WaitFor([&] { return ChildWindowFromPointEx(main, middle, CWP_SKIPINVISIBLE) == list; }, kStartMs));
        CHECK(CaptureClient(main, &shot));
        CHECK(shot.SavePng("webmap_left_by_command_" + p.name + ".png"));
        CHECK(run.Close());
    }
}
