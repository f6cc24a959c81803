// The running main window driven as a user would: command ids, keys and
// clicks, the shared dialogs answered from a second thread, and a picture
// of every screen of the screen cycle.
#include <doctest.h>

#include "window_fixture.h"

#include "app/settings_store.h"
#include "app/shell.h"
#include "app/simulation_editor.h"
#include "gps/gps.h"
#include "gps/simulation.h"
#include "kit/dialogs.h"
#include "kit/display.h"
#include "kit/outside.h"
#include "kit/settings.h"
#include "maps/viewport.h"
#include "panes/panes.h"
#include "resources/resource.h"
#include "tracks/tracks.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

using testsupport::ItemText;
using testsupport::TypeKey;
using testsupport::WindowText;
using windowtest::DialogAnswerer;
using windowtest::Pump;
using windowtest::PumpUntil;

namespace {

std::vector<std::wstring> OpenedTargets;
SYSTEMTIME ClockSet{};
int UpdateResult = 0;

bool RecordOpen(HWND, const wchar_t* target, int)
{
    OpenedTargets.push_back(target);
    return true;
}
bool RecordClock(const SYSTEMTIME* utc)
{
    ClockSet = *utc;
    return true;
}
int RunUpdate(const wchar_t*, const wchar_t*) { return UpdateResult; }

struct Fixture : windowtest::MainWindowFixture {
    Fixture()
    {
        const std::string tracks = dir.File("pathvextrk.xml");
        const std::wstring wide(tracks.begin(), tracks.end());
        wcsncpy(TrackDocumentPath, wide.c_str(), MAX_PATH - 1);
        // Nothing leaves the program from a test.
        OutsideSeams.openExternal = RecordOpen;
        ShellSeams.setSystemTime = RecordClock;
        ShellSeams.runSelfUpdate = RunUpdate;
        OpenedTargets.clear();
        MapViewport.rotation = 0;
        Open();
    }
    ~Fixture()
    {
        Close();
        GpsInputKind.store(kGpsInputNmea);
        FillTrackList(nullptr, nullptr, nullptr);
        TrackDocumentPath[0] = L'\0';
        ResetView(nullptr, true);
        MapViewport.polar = 0;
        MapViewport.polarAngleStep = 30;
    }
};

// A client point in none of the GPS data screen's hit rectangles.
POINT OutsideKnownRects(HWND window)
{
    UpdateWindow(window);
    RECT client{};
    GetClientRect(window, &client);
    for (int y = client.bottom - 1; y >= 0; y -= 3)
        for (int x = 0; x < client.right; x += 3) {
            const POINT p{x, y};
            if (!PointInRect(p, &SpeedUnitRect) && !PointInRect(p, &SpeedValueRect) &&
                !PointInRect(p, &CoordinateRect) && !PointInRect(p, &CompassRect))
                return p;
        }
    return {0, 0};
}

}  // namespace

TEST_CASE("text entry, coordinates and list selection")
{
    SUBCASE("text entry: title without a prompt; OK with an empty edit gives an empty text") {
        wchar_t text[kTextEntryBufferSize] = L"start";
        std::wstring shown;
        DialogAnswerer a(L"Title only", [&](HWND d) {
            shown = ItemText(d, IDC_ENTRY_TEXT);
            SetDlgItemTextW(d, IDC_ENTRY_TEXT, L"");
            return IDOK;
        });
        CHECK(ShowTextEntryDialog(nullptr, L"Title only", L"", text));
        CHECK(shown == L"start");
        CHECK(text[0] == L'\0');
    }
    SUBCASE("coordinates: only y shows; Cancel leaves the value, OK reads it") {
        double y = 48.5;
        bool xVisible = true, yVisible = false;
        std::wstring shown;
        {
            DialogAnswerer a(L"XYZ", [&](HWND d) {
                xVisible = IsWindowVisible(GetDlgItem(d, IDC_XYZ_X_LABEL));
                yVisible = IsWindowVisible(GetDlgItem(d, IDC_XYZ_Y_LABEL));
                shown = ItemText(d, IDC_XYZ_Y);
                SetDlgItemTextW(d, IDC_XYZ_Y, L"1");
                return IDCANCEL;
            });
            CHECK_FALSE(ShowXyzDialog(nullptr, nullptr, &y, nullptr));
        }
        CHECK_FALSE(xVisible);
        CHECK(yVisible);
        CHECK(shown == L"48.5000000");
        CHECK(y == 48.5);
        DialogAnswerer a(L"XYZ", [&](HWND d) {
            SetDlgItemTextW(d, IDC_XYZ_Y, L"-12.25");
            return IDOK;
        });
        CHECK(ShowXyzDialog(nullptr, nullptr, &y, nullptr));
        CHECK(y == -12.25);
    }
    SUBCASE("selection: one or several flags, in the entries' order") {
        const std::vector<std::wstring> entries{L"alpha", L"beta", L"gamma"};
        std::vector<bool> flags;
        {
            DialogAnswerer a(L"Pick one", [&](HWND d) {
                SendDlgItemMessageW(d, IDC_ENTRY_TEXT, LB_SETCURSEL, 1, 0);
                return IDOK;
            });
            CHECK(ShowSelectDialog(nullptr, L"Pick one", L"Which?", entries, &flags, true));
        }
        CHECK(flags == std::vector<bool>{false, true, false});
        DialogAnswerer a(L"Pick some", [&](HWND d) {
            SendDlgItemMessageW(d, IDC_ENTRY_TEXT, LB_SETSEL, TRUE, 0);
            SendDlgItemMessageW(d, IDC_ENTRY_TEXT, LB_SETSEL, TRUE, 2);
            return IDOK;
        });
        CHECK(ShowSelectDialog(nullptr, L"Pick some", L"Which?", entries, &flags, false));
        CHECK(flags == std::vector<bool>{true, false, true});
    }
}

TEST_CASE("the simulation editor keeps every line whole")
{
    SUBCASE("text and back: each entry gains its line end, and a lone line feed follows") {
        const std::wstring text = SimulationEditorText({"S", "T"});
        CHECK(text == L"S\r\nT\r\n");
        CHECK(SimulationFromEditorText(text) == std::vector<std::string>{"S\r\n", "T\r\n", "\n"});
        CHECK(SimulationFromEditorText(L"A\nB") == std::vector<std::string>{"A\n", "B\n"});
    }
    SUBCASE("command 389: a list of long lines, longer than 10000 characters, survives") {
        Fixture f;
        const std::string line = "$GPRMC," + std::string(300, '7') + "*00";
        SimulationList.Replace(std::vector<std::string>(50, line));
        size_t shownLength = 0;
        DialogAnswerer a(L"Simulation data", [&](HWND d) {
            shownLength = static_cast<size_t>(GetWindowTextLengthW(GetDlgItem(d, IDC_SIMDATA_TEXT)));
            PostMessageW(d, WM_CLOSE, 0, 0);
            return 0;
        });
        f.Command(IDM_SIM_EDIT);
        CHECK(a.Answered());
        CHECK(shownLength == 50 * (line.size() + 2));
        REQUIRE(SimulationList.Size() == 51);
        CHECK(SimulationList.Sentence(49) == line + "\r\n");
        CHECK(SimulationList.Sentence(50) == "\n");
        SimulationList.LoadDemonstration();
    }
}

TEST_CASE("the command table: map view, rotation, sizes and the seams")
{
    Fixture f;

    // The rotation after course-up is negative: shown signed, kept signed.
    SUBCASE("Rotate... shows the signed rotation and folds what is typed once") {
        MapViewport.rotation = -30;
        std::wstring shown;
        {
            DialogAnswerer a(L"Map Rotation", [&](HWND d) {
                shown = ItemText(d, IDC_ENTRY_TEXT);
                return IDOK;
            });
            f.Command(IDM_ROTATE_ENTER);
        }
        CHECK(shown == L"-30");
        CHECK(MapViewport.rotation == 330);
        for (const auto& [typed, stored] : {std::pair{L"-10", 350}, {L"400", 40}, {L"800", 440}, {L"north", 0}}) {
            CAPTURE(stored);
            const std::wstring text = typed;
            DialogAnswerer a(L"Map Rotation", [&](HWND d) {
                SetDlgItemTextW(d, IDC_ENTRY_TEXT, text.c_str());
                return IDOK;
            });
            f.Command(IDM_ROTATE_ENTER);
            CHECK(MapViewport.rotation == stored);
        }
    }
    SUBCASE("polar lines: more from 30 down to 1, less from 30 once") {
        f.Command(IDM_VIEW_POLAR);
        CHECK(MapViewport.polar == 1);
        std::vector<int> steps;
        for (int i = 0; i < 12; ++i) {
            f.Command(IDM_POLAR_MORE_LINES);
            steps.push_back(MapViewport.polarAngleStep);
        }
        CHECK(steps == std::vector<int>{20, 15, 12, 10, 8, 7, 6, 5, 4, 3, 2, 1});
        f.Command(IDM_POLAR_MORE_LINES);
        CHECK(MapViewport.polarAngleStep >= 1);
        MapViewport.polarAngleStep = 30;
        f.Command(IDM_POLAR_LESS_LINES);
        CHECK(MapViewport.polarAngleStep == 60);
        f.Command(IDM_POLAR_LESS_LINES);
        CHECK(MapViewport.polarAngleStep == 60);
        f.Command(IDM_VIEW_CARTESIAN);
        CHECK(MapViewport.polar == 0);
    }
    SUBCASE("window sizes set the client area; 640x480 stands upright") {
        RECT client{};
        f.Command(IDM_SIZE_640X480);
        GetClientRect(f.window, &client);
        CHECK(client.right == 480);
        CHECK(client.bottom == 640);
        f.Command(IDM_SIZE_320X240);
        GetClientRect(f.window, &client);
        CHECK(client.right == 320);
        CHECK(client.bottom == 240);
    }
    SUBCASE("GPS Time to System: month, day and time from the fix, the year from the clock") {
        {
            LiveRecordGuard live(&GpsDevice);
            live->fix = 1;
            live->utc = SYSTEMTIME{1999, 7, 0, 14, 9, 8, 7, 0};
        }
        SYSTEMTIME before{};
        GetSystemTime(&before);
        ClockSet = {};
        f.Command(IDM_GPS_TIME_TO_SYSTEM);
        CHECK(ClockSet.wYear == before.wYear);
        CHECK(ClockSet.wMonth == 7);
        CHECK(ClockSet.wDay == 14);
        CHECK(ClockSet.wHour == 9);
        CHECK(ClockSet.wMinute == 8);
        CHECK(ClockSet.wSecond == 7);
        // Without a fix it asks, and No leaves the clock alone.
        LiveRecordGuard(&GpsDevice)->fix = 0;
        ClockSet = {};
        DialogAnswerer no(kProgramTitle, [](HWND) { return IDNO; });
        f.Command(IDM_GPS_TIME_TO_SYSTEM);
        CHECK(no.Answered());
        CHECK(ClockSet.wYear == 0);
    }
    SUBCASE("web pages and help go outside; the dialogs of other parts show") {
        f.Command(IDM_SUPPORT_FORUM);
        f.Command(IDM_DONATE);
        f.Command(IDM_HELP_INDEX);
        REQUIRE(OpenedTargets.size() == 3);
        CHECK(OpenedTargets[0].find(L"/cgi-bin/download.cgi?file=gpsforum") != std::wstring::npos);
        CHECK(OpenedTargets[1].find(L"/cgi-bin/download.cgi?file=cdonate") != std::wstring::npos);
        CHECK(OpenedTargets[2] == L"Pathvex.CHM");
        const std::vector<std::wstring> captions = {L"Calibrator", L"Map Options", L"Custom Colors",
                                                    L"Rate selection"};
        std::vector<std::wstring> shown;
        DialogAnswerer cancel([&](HWND d) { return std::count(captions.begin(), captions.end(), WindowText(d)) > 0; },
                              [&](HWND d) {
                                  shown.push_back(WindowText(d));
                                  return IDCANCEL;
                              },
                              true);
        for (int id : {IDM_CALIBRATOR, IDM_OPTIONS_MAP, IDM_OPTIONS_COLORS, IDM_SIRF_RATE_GGA})
            f.Command(id);
        CHECK(shown == captions);
        // With the GPS driver SiRF commands are refused with a message.
        GpsInputKind.store(kGpsInputDriver);
        DialogAnswerer box(kProgramTitle, [](HWND) { return IDOK; });
        f.Command(IDM_SIRF_RATE_GGA);
        CHECK(box.Answered());
        CHECK(shown.size() == 4);
    }
    SUBCASE("an update that asks for a restart closes the window; any other result keeps it") {
        UpdateResult = 1;
        f.Command(IDM_CHECK_UPDATES);
        CHECK(IsWindow(f.window));
        UpdateResult = 99;
        f.Command(IDM_CHECK_UPDATES);
        CHECK_FALSE(IsWindow(f.window));
        UpdateResult = 0;
    }
    SUBCASE("the font chosen is stored in the settings document") {
        OpenSettingsStore(f.dir.WPath().c_str());
        LOGFONTW stored{};
        CHECK_FALSE(ReadStoredFont(&stored));
        DialogAnswerer a(L"Font", [](HWND) { return IDOK; });
        f.Command(IDM_CHOOSE_FONT);
        CHECK(a.Answered());
        CHECK(ReadStoredFont(&stored));
        CHECK(stored.lfFaceName[0] != L'\0');
        CHECK(FontSet.Base);
        CloseSettingsStore();
    }
    SUBCASE("the pick purpose ends with the pick") {
        f.Command(IDM_CENTER_WAYPOINT);
        CHECK(CurrentScreen == kScreenWaypoints);
        CHECK(PickPurpose == IDM_CENTER_WAYPOINT);
        f.Command(IDM_BACK);
        CHECK(PickPurpose == 0);
        CHECK(CurrentScreen == kScreenGps);
        // Loading from a track with no track selected is refused.
        f.Command(IDM_SIM_FROM_TRACK);
        f.Command(IDM_PICK_OK);
        CHECK(CurrentScreen == kScreenTracks);
        CHECK(PickingMode);
        f.Command(IDM_BACK);
        CHECK(PickPurpose == 0);
        CHECK_FALSE(PickingMode);
    }
}

TEST_CASE("keys and clicks")
{
    Fixture f;

    SUBCASE("digits: '2' ends on the Path screen, '3' does nothing") {
        f.Key('2');
        CHECK(CurrentScreen == kScreenPathView);
        f.Key('3');
        CHECK(CurrentScreen == kScreenPathView);
        f.Key('1');
        CHECK(CurrentScreen == kScreenGps);
    }
    SUBCASE("Right on the Map screen moves east to the world's edge, then the next screen") {
        f.Command(IDM_SCREEN_MAP);
        f.Command(IDM_ZOOM_IN);
        UpdateGridSteps(&MapViewport);
        const double west = MapViewport.minLongitude;
        f.Key(VK_RIGHT);
        CHECK(CurrentScreen == kScreenMap);
        CHECK(MapViewport.minLongitude > west);
        for (int i = 0; i < 40 && CurrentScreen == kScreenMap; ++i)
            f.Key(VK_RIGHT);
        CHECK(MapViewport.maxLongitude == doctest::Approx(180.0));
        CHECK(CurrentScreen == kScreenTracks);
    }
    SUBCASE("a click on a waypoint label names it while positions arrive, except the click Draw Track uses up") {
        const std::vector<WAYPOINT> saved = Waypoints;
        WAYPOINT home{};
        std::strcpy(home.name, "Home");
        home.pos.x = 10.5;
        home.pos.y = 50.25;
        Waypoints = {home};
        f.Command(IDM_SCREEN_MAP);
        // Checks, not REQUIREs, here and below: a REQUIRE would skip the
        // subcases after this one.
        CHECK(WaypointLabelRects.size() == 1);
        const RECT label = WaypointLabelRects.empty() ? RECT{} : WaypointLabelRects[0];
        // A receiver inside the view: each position repaints only its marker.
        std::vector<std::string> walk;
        for (int i = 0; i < 50; ++i) {
            char rmc[100];
            std::snprintf(rmc, sizeof rmc, "$GPRMC,1200%02d.000,A,5015.%03d,N,01036.000,E,1.0,0.0,230394,,*00", i,
                          i * 10);
            walk.push_back(rmc);
        }
        SimulationList.Replace(walk);
        SimulationMode.store(kSimulationTimer);
        CHECK(GpsDevice.Open(true, false));
        const auto positions = [&](uint32_t n) {
            const uint32_t from = SimulationList.Position();
            return PumpUntil([&] { return (SimulationList.Position() + 50 - from) % 50 >= n; });
        };
        CHECK(positions(3));
        RECT client{};
        GetClientRect(f.window, &client);
        const RECT strip{0, client.bottom - 15, client.right, client.bottom};
        const auto stripText = [&] { return testsupport::DibCanvas(f.window).Count(strip, ColorTable[0]); };
        const auto click = [&](int x, int y) {
            PostMessageW(f.window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
            Pump();
            return stripText();
        };
        const int before = stripText();
        f.Command(IDM_DRAW_TRACK);
        CHECK(click(label.right, label.bottom) == before);   // the corner counts, but is used up
        CHECK(positions(2));
        CHECK(click(label.right + 1, label.bottom) == before);   // beside it: nothing
        CHECK(click(label.right, label.bottom) > before + 20);
        GpsDevice.Close();
        SimulationMode.store(kSimulationTapping);
        SimulationList.LoadDemonstration();
        Waypoints = saved;
    }
    SUBCASE("F1 and F2 zoom the map again after Center Waypoint and Back") {
        f.Command(IDM_SCREEN_MAP);
        f.Command(IDM_CENTER_WAYPOINT);
        CHECK(CurrentScreen == kScreenWaypoints);
        f.Command(IDM_BACK);
        CHECK(CurrentScreen == kScreenMap);
        const auto span = [] { return MapViewport.maxLongitude - MapViewport.minLongitude; };
        const double world = span();
        SetForegroundWindow(f.window);
        TypeKey(VK_F1);
        CHECK(PumpUntil([&] { return span() < world; }));
        TypeKey(VK_F2);
        CHECK(PumpUntil([&] { return span() == doctest::Approx(world); }));
    }
    SUBCASE("entering a painted screen or a colour scheme repaints at once") {
        RECT client{};
        GetClientRect(f.window, &client);
        const auto count = [&](COLORREF colour) { return testsupport::DibCanvas(f.window).Count(client, colour); };
        const COLORREF smear = RGB(255, 0, 255);
        const auto smearWindow = [&] {
            HDC dc = GetDC(f.window);
            HBRUSH brush = CreateSolidBrush(smear);
            FillRect(dc, &client, brush);
            DeleteObject(brush);
            ReleaseDC(f.window, dc);
        };
        for (const int command : {IDM_SCREEN_MAP, IDM_SCREEN_SATELLITE, IDM_SCREEN_COMPASS, IDM_SCREEN_SUN,
                                  IDM_SCREEN_MOON, IDM_SCREEN_PATH, IDM_SCREEN_CALC_1D, IDM_SCREEN_GPS}) {
            CAPTURE(command);
            smearWindow();
            f.Command(command);
            Pump();
            CHECK(count(smear) == 0);
        }
        const int area = client.right * client.bottom;
        f.Command(IDM_SCHEME_NIGHT);
        CHECK(ColorScheme == 1);
        CHECK(count(ColorTable[10]) > area / 2);
        f.Command(IDM_SCHEME_DAY);
        CHECK(ColorScheme == 0);
        CHECK(count(ColorTable[9]) > area / 2);
    }
    SUBCASE("double-clicks on the speed unit cycle it; on the coordinates toggle the mode") {
        UpdateWindow(f.window);
        RECT unit = SpeedUnitRect;
        REQUIRE(unit.right > unit.left);
        const int first = SpeedUnit;
        std::vector<int> units;
        for (int i = 0; i < 4; ++i) {
            unit = SpeedUnitRect;
            SendMessageW(f.window, WM_LBUTTONDBLCLK, 0, MAKELPARAM(unit.left, unit.top));
            units.push_back(SpeedUnit);
        }
        CHECK(units == std::vector<int>{(first + 1) % 4, (first + 2) % 4, (first + 3) % 4, first});
        const int mode = CoordinateMode;
        SendMessageW(f.window, WM_LBUTTONDBLCLK, 0, MAKELPARAM(CoordinateRect.left, CoordinateRect.top));
        CHECK(CoordinateMode == 1 - mode);
        CoordinateMode = mode;
        RefreshWindow(f.window);
    }
    SUBCASE("Space and a double-click step a tapping simulation; without one they do nothing") {
        const std::wstring title = WindowText(f.window);
        f.Key(VK_SPACE);
        CHECK(WindowText(f.window) == title);
        CHECK(SimulationTapCount.load() == 0);
        SimulationList.LoadDemonstration();
        SimulationMode.store(kSimulationTapping);
        REQUIRE(GpsDevice.Open(true, false));
        f.Key(VK_SPACE);
        CHECK(SimulationTapCount.load() == 1);
        CHECK(WindowText(f.window).rfind(L"Sim index: ", 0) == 0);
        // A double-click away from the known rectangles is a tap on the GPS
        // data screen, not on a list.
        const POINT away = OutsideKnownRects(f.window);
        SendMessageW(f.window, WM_LBUTTONDBLCLK, 0, MAKELPARAM(away.x, away.y));
        CHECK(SimulationTapCount.load() == 2);
        f.Command(IDM_SCREEN_STATISTICS);
        SendMessageW(f.window, WM_LBUTTONDBLCLK, 0, MAKELPARAM(away.x, away.y));
        CHECK(SimulationTapCount.load() == 2);
        f.Command(IDM_SCREEN_GPS);
        // A right click edits the sentence the next tap delivers.
        DialogAnswerer a(L"Simulation string", [&](HWND d) {
            SetDlgItemTextW(d, IDC_ENTRY_TEXT, L"$GPTXT,edited*00");
            return IDOK;
        });
        const uint32_t next = SimulationTapCount.load() + 1;
        SendMessageW(f.window, WM_RBUTTONDOWN, 0, MAKELPARAM(5, 5));
        CHECK(a.Answered());
        CHECK(SimulationList.Sentence(next) == "$GPTXT,edited*00");
        GpsDevice.Close();
        SimulationList.LoadDemonstration();
    }
}

// Every screen of the cycle, as the window shows it, for a person to look at.
TEST_CASE("the screen cycle leaves a picture of each screen")
{
    Fixture f;
    f.Command(IDM_SCREEN_GPS);
    std::vector<int> seen;
    SetForegroundWindow(f.window);
    for (int i = 0; i < 12; ++i) {
        UpdateWindow(f.window);
        Pump();
        // The screens paint through the window's own DC: read it back.
        testsupport::DibCanvas canvas(f.window);
        REQUIRE(canvas.Valid());
        char name[64];
        std::snprintf(name, sizeof name, "screen_%02d_%d.png", i, CurrentScreen);
        CHECK(canvas.SavePng(name));
        seen.push_back(CurrentScreen);
        const int before = CurrentScreen;
        f.Command(IDM_NEXT_SCREEN);
        Pump();
        if (CurrentScreen == before)
            break;
    }
    CHECK(seen == std::vector<int>{kScreenGps, kScreenSatellite, kScreenMap, kScreenTracks, kScreenWaypoints,
                                   kScreenCompass, kScreenSun, kScreenMoon, kScreenStatistics, kScreenRaw});
}
