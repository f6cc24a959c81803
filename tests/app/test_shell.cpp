// The shell in-process: the start-up arithmetic (time zone, scheme, command
// number, simulation files), the screen cycle and the nearest waypoint, and
// the main window itself: the raw log, closing while a track is recorded or
// paused, and closing while the reader thread runs.
#include <doctest.h>

#include "window_fixture.h"

#include "app/shell.h"
#include "gps/gps.h"
#include "gps/simulation.h"
#include "kit/display.h"
#include "kit/utils.h"
#include "resources/resource.h"
#include "tracks/tracks.h"

#include <windows.h>
#include <commctrl.h>

#include <climits>
#include <cmath>
#include <limits>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

using testsupport::BoxAnswerer;
using testsupport::Pump;
using testsupport::PumpUntil;
using testsupport::TempDir;
using testsupport::WriteWholeFile;

namespace {

// The reader thread's part: its sends reach the test's window only while the
// test pumps.
DWORD WINAPI ReadLine(void* line)
{
    GpsDevice.AssembleInput(static_cast<const char*>(line), std::strlen(static_cast<const char*>(line)));
    return 0;
}

SYSTEMTIME Date(int year, int month, int day)
{
    SYSTEMTIME t{};
    t.wYear = static_cast<WORD>(year);
    t.wMonth = static_cast<WORD>(month);
    t.wDay = static_cast<WORD>(day);
    t.wHour = 12;
    return t;
}

// A yearly rule: the occurrence-th weekday (0 Sunday) of month, 5 the last.
SYSTEMTIME Rule(int month, int occurrence, int weekday)
{
    SYSTEMTIME t{};
    t.wMonth = static_cast<WORD>(month);
    t.wDay = static_cast<WORD>(occurrence);
    t.wDayOfWeek = static_cast<WORD>(weekday);
    t.wHour = 2;
    return t;
}

TIME_ZONE_INFORMATION Zone(int bias, int daylightBias, SYSTEMTIME daylight, SYSTEMTIME standard)
{
    TIME_ZONE_INFORMATION z{};
    z.Bias = bias;
    z.StandardBias = 0;
    z.DaylightBias = daylightBias;
    z.DaylightDate = daylight;
    z.StandardDate = standard;
    return z;
}

std::vector<std::string> ReadLines(const std::string& path)
{
    std::vector<std::string> lines;
    const std::wstring wide(path.begin(), path.end());
    CHECK(ReadSimulationFile(wide.c_str(), &lines));
    return lines;
}

WAYPOINT Waypoint(const char* name, double x, double y)
{
    WAYPOINT w{};
    std::strncpy(w.name, name, sizeof w.name - 1);
    w.pos.x = x;
    w.pos.y = y;
    return w;
}

// A main window of this process.
struct ShellWindow : windowtest::MainWindowFixture {
    ShellWindow()
    {
        Open();
    }
    int RawRows() const { return static_cast<int>(SendMessageW(MainListView, LVM_GETITEMCOUNT, 0, 0)); }
    std::wstring Title() const { return testsupport::WindowText(window); }
};

}  // namespace

TEST_CASE("local time zone bias and colour scheme at start-up")
{
    // Central Europe: daylight from the last Sunday of March to the last
    // Sunday of October; in 2024 those are 31 March and 27 October.
    const auto europe = Zone(-60, -60, Rule(3, 5, 0), Rule(10, 5, 0));
    CHECK(ZoneChangeDay(europe.DaylightDate, 2024) == 31);
    CHECK(ZoneChangeDay(europe.StandardDate, 2024) == 27);
    CHECK(ComputeTimeZoneBias(europe, Date(2024, 3, 30)) == -60);
    CHECK(ComputeTimeZoneBias(europe, Date(2024, 3, 31)) == -60);    // the change day itself
    CHECK(ComputeTimeZoneBias(europe, Date(2024, 4, 1)) == -120);
    CHECK(ComputeTimeZoneBias(europe, Date(2024, 7, 15)) == -120);
    CHECK(ComputeTimeZoneBias(europe, Date(2024, 10, 26)) == -120);
    CHECK(ComputeTimeZoneBias(europe, Date(2024, 10, 27)) == -60);
    CHECK(ComputeTimeZoneBias(europe, Date(2024, 12, 1)) == -60);

    // United States Eastern: second Sunday of March (10 March 2024), first
    // Sunday of November (3 November 2024).
    const auto eastern = Zone(300, -60, Rule(3, 2, 0), Rule(11, 1, 0));
    CHECK(ZoneChangeDay(eastern.DaylightDate, 2024) == 10);
    CHECK(ZoneChangeDay(eastern.StandardDate, 2024) == 3);
    CHECK(ComputeTimeZoneBias(eastern, Date(2024, 3, 11)) == 240);
    CHECK(ComputeTimeZoneBias(eastern, Date(2024, 11, 2)) == 240);
    CHECK(ComputeTimeZoneBias(eastern, Date(2024, 11, 3)) == 300);

    // The last Thursday of February in a leap year is the 29th.
    CHECK(ZoneChangeDay(Rule(2, 5, 4), 2024) == 29);
    CHECK(ZoneChangeDay(Rule(2, 5, 4), 2023) == 23);

    // A zone without daylight time: the standard bias all year.
    auto tokyo = Zone(-540, 0, SYSTEMTIME{}, SYSTEMTIME{});
    tokyo.StandardBias = 0;
    for (int month = 1; month <= 12; ++month)
        CHECK(ComputeTimeZoneBias(tokyo, Date(2024, month, 15)) == -540);

    // A zone whose daylight time starts late in the year: only its two
    // change months count as daylight (Sydney, first Sunday of October to
    // first Sunday of April).
    const auto sydney = Zone(-600, -60, Rule(10, 1, 0), Rule(4, 1, 0));
    CHECK(ComputeTimeZoneBias(sydney, Date(2024, 10, 20)) == -660);
    CHECK(ComputeTimeZoneBias(sydney, Date(2024, 4, 1)) == -660);
    CHECK(ComputeTimeZoneBias(sydney, Date(2024, 1, 15)) == -600);

    // An absolute change date names its day directly.
    SYSTEMTIME fixed = Rule(3, 17, 0);
    fixed.wYear = 2024;
    CHECK(ZoneChangeDay(fixed, 2024) == 17);

    // Night from 20:00 to 05:59.
    CHECK(SchemeForLocalHour(20) == 1);
    CHECK(SchemeForLocalHour(5) == 1);
    CHECK(SchemeForLocalHour(6) == 0);
    CHECK(SchemeForLocalHour(19) == 0);
}

TEST_CASE("the command line's number and simulation files")
{
    CHECK(ParseCommandNumber("206") == 206);
    CHECK(ParseCommandNumber("-log file.nmea") == 0);
    CHECK(ParseCommandNumber("  42abc") == 42);
    CHECK(ParseCommandNumber("") == 0);
    CHECK(ParseCommandNumber("99999999999999999999") == LONG_MAX);
    CHECK(ParseCommandNumber("-99999999999999999999") == LONG_MIN);

    TempDir dir;
    SUBCASE("CR LF ends are removed; an empty line is an empty entry; no end on the last line") {
        REQUIRE(WriteWholeFile(dir.File("a.nmea"), "$GPGSA,1\r\n\r\n$GPRMC,2\n$GPGGA,3\r\r\n$GPGSV,4"));
        const auto lines = ReadLines(dir.File("a.nmea"));
        CHECK(lines == std::vector<std::string>{"$GPGSA,1", "", "$GPRMC,2", "$GPGGA,3", "$GPGSV,4"});
    }
    SUBCASE("a line longer than 999 bytes is cut into several entries") {
        const std::string longLine(2500, 'x');
        const std::string exact(999, 'y');
        REQUIRE(WriteWholeFile(dir.File("b.nmea"), longLine + "\r\n" + exact + "\r\n$GPRMC\r\n"));
        const auto lines = ReadLines(dir.File("b.nmea"));
        REQUIRE(lines.size() == 5);
        CHECK(lines[0] == std::string(999, 'x'));
        CHECK(lines[1] == std::string(999, 'x'));
        CHECK(lines[2] == std::string(502, 'x'));
        CHECK(lines[3] == exact);   // exactly 999 bytes: no empty piece after it
        CHECK(lines[4] == "$GPRMC");
    }
    SUBCASE("a zero byte ends its entry's text") {
        REQUIRE(WriteWholeFile(dir.File("c.nmea"), std::string("$GP\0junk\r\nnext\r\n", 16)));
        CHECK(ReadLines(dir.File("c.nmea")) == std::vector<std::string>{"$GP", "next"});
    }
    SUBCASE("a file that cannot be opened leaves the list alone") {
        SimulationList.LoadDemonstration();
        const std::wstring missing = dir.WPath() + L"\\missing.nmea";
        CHECK_FALSE(LoadSimulationFile(missing.c_str()));
        CHECK_FALSE(LoadSimulationFile(nullptr));
        CHECK(SimulationList.Size() == 23);
    }
}

TEST_CASE("next and previous screen, nearest waypoint")
{
    CHECK(NextScreenCommand(kScreenGps, false) == 205);
    CHECK(NextScreenCommand(kScreenRaw, false) == 0);          // the last: nothing
    CHECK(NextScreenCommand(kScreenPathView, false) == 201);   // not in the cycle
    CHECK(NextScreenCommand(kScreenGps, true) == 213);         // following a route
    CHECK(PreviousScreenCommand(kScreenGps, false) == 299);
    CHECK(PreviousScreenCommand(kScreenSatellite, false) == 201);
    CHECK(PreviousScreenCommand(kScreenPathView, false) == 299);
    CHECK(PreviousScreenCommand(kScreenPathView, true) == 201);

    int32_t index = -1;
    double km = -1;
    FindNearestWaypoint({}, 10, 50, &index, &km);
    CHECK(index == 0);
    CHECK(km == 0);
    // Two at the same distance: the first wins.
    const std::vector<WAYPOINT> pair = {Waypoint("far", 20, 50), Waypoint("one", 10.5, 50), Waypoint("two", 10.5, 50)};
    FindNearestWaypoint(pair, 10, 50, &index, &km);
    CHECK(index == 2);
    CHECK(km > 30);
    CHECK(km < 40);
    const std::vector<WAYPOINT> here = {Waypoint("near", 10.001, 50), Waypoint("here", 10, 50)};
    FindNearestWaypoint(here, 10, 50, &index, &km);
    CHECK(index == 2);
    CHECK(km == 0);
}

TEST_CASE("a track becomes a simulation that reads back as its points")
{
    TRACK track{};
    const double points[][2] = {{-123.185312, 49.274161}, {151.2093, -33.8688}, {0, 0}, {7.999999999, 0.5}};
    for (const auto& xy : points) {
        GPS_CURRENT p{};
        p.pos.x = xy[0];
        p.pos.y = xy[1];
        track.points.push_back(p);
    }
    GPS_CURRENT bad{};
    bad.pos.x = std::numeric_limits<double>::quiet_NaN();
    bad.pos.y = std::numeric_limits<double>::infinity();
    track.points.push_back(bad);

    SYSTEMTIME start{};
    start.wYear = 2024;
    start.wMonth = 12;
    start.wDay = 9;
    start.wHour = 23;
    start.wMinute = 59;
    start.wSecond = 45;
    const auto lines = TrackToSimulation(track, start);
    REQUIRE(lines.size() == 5);
    CHECK(lines[0] == "$GPRMC,235945.000,V,4916.449660,N,12311.118720,W,10.00,0.00,091207,,*00");
    // Ten seconds a point, on past midnight.
    CHECK(lines[1].compare(0, 18, "$GPRMC,235955.000,") == 0);
    CHECK(lines[2].compare(0, 18, "$GPRMC,000005.000,") == 0);
    // Minutes that would print as 60 carry into the degrees.
    CHECK(lines[3].find(",0030.000000,N,00800.000000,E,") != std::string::npos);
    CHECK(lines[4].find(",0000.000000,N,00000.000000,E,") != std::string::npos);

    GpsPort port;
    for (size_t i = 0; i < 4; ++i) {
        CAPTURE(lines[i]);
        NmeaMessage msg{};
        CHECK(port.ParseNmea(lines[i], &msg, true));
        // The parser reads at single precision: a few metres at most.
        CHECK(std::fabs(port.LiveRecord()->pos.x - points[i][0]) < 2e-5);
        CHECK(std::fabs(port.LiveRecord()->pos.y - points[i][1]) < 2e-5);
        CHECK(port.LiveRecord()->fix == 0);
        CHECK(port.LiveRecord()->kmh == doctest::Approx(18.52));
    }
}

TEST_CASE("the main window: raw log, closing while recording, paused or reading")
{
    ShellWindow f;

    SUBCASE("every sentence on the raw screen adds a row; entering it again empties it") {
        SendMessageW(f.window, WM_COMMAND, IDM_SCREEN_RAW, 0);
        CHECK(f.Title() == L"Raw");
        CHECK(IsWindowVisible(MainListView));
        const wchar_t line[] = L"$GPGGA,120000.000,4916.45,N,12311.12,W,1,05,1.5,10.0,M,,,,*00";
        SendMessageW(f.window, WM_GPSDATA, reinterpret_cast<WPARAM>(line), reinterpret_cast<LPARAM>(&GpsDevice));
        SendMessageW(f.window, WM_GPSDATA, reinterpret_cast<WPARAM>(line), reinterpret_cast<LPARAM>(&GpsDevice));
        CHECK(f.RawRows() == 2);
        CHECK(testsupport::ListCell(MainListView, 1, 0) == line);
        // Escape typed into the list, which has the focus, empties it.
        SetForegroundWindow(f.window);
        CHECK(GetFocus() == MainListView);
        testsupport::TypeKey(VK_ESCAPE);
        CHECK(PumpUntil([&] { return f.RawRows() == 0; }, 5000));
        SendMessageW(f.window, WM_GPSDATA, reinterpret_cast<WPARAM>(line), reinterpret_cast<LPARAM>(&GpsDevice));
        SendMessageW(f.window, WM_COMMAND, IDM_SCREEN_GPS, 0);
        CHECK_FALSE(IsWindowVisible(MainListView));
        SendMessageW(f.window, WM_COMMAND, IDM_SCREEN_RAW, 0);
        CHECK(f.RawRows() == 0);
        // Back from a list goes to the GPS data screen.
        SendMessageW(f.window, WM_COMMAND, IDM_BACK, 0);
        CHECK(CurrentScreen == kScreenGps);
        CHECK(f.Title() == kProgramTitle);
    }

    SUBCASE("a new maximum from the reader thread refreshes the statistics list while it shows") {
        // The reader's sends reach this thread's window only while it pumps.
        const auto read = [](double altitude) {
            char line[128];
            std::snprintf(line, sizeof line, "$GPGGA,120000,4807.038,N,01131.000,E,1,08,0.9,%.1f,M,,M,,*00\r\n",
                          altitude);
            const HANDLE reader = CreateThread(nullptr, 0, ReadLine, line, 0, nullptr);
            REQUIRE(reader);
            PumpMessagesUntilEnded(reader);
            CloseHandle(reader);
        };
        MaxAltitude = 0;
        SendMessageW(f.window, WM_COMMAND, IDM_SCREEN_STATISTICS, 0);
        CHECK(testsupport::ListCell(MainListView, 4, 1) == L"0.00m");
        read(1000.0);
        CHECK(testsupport::ListCell(MainListView, 4, 1) == L"1000.00m");
        // Another screen shows: the list is left alone.
        SendMessageW(f.window, WM_COMMAND, IDM_SCREEN_GPS, 0);
        read(2000.0);
        CHECK(MaxAltitude == 2000.0);
        CHECK(testsupport::ListCell(MainListView, 4, 1) == L"1000.00m");
        MaxAltitude = 0;
        *GpsDevice.LiveRecord() = GPS_CURRENT{};
        ResetTravelledDistance();
    }

    SUBCASE("a track picked from the list becomes the simulation") {
        TempDir dir;
        const std::string file = dir.File("pathvextrk.xml");
        REQUIRE(WriteWholeFile(file, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<root>\r\n<tracks>\r\n"
                                 "<t n=\"Empty\"/>\r\n<t n=\"Trip\">\r\n"
                                 "<p x=\"10.5\" y=\"50.25\" z=\"100\"/>\r\n<p x=\"10.6\" y=\"50.3\" z=\"101\"/>\r\n"
                                 "<p x=\"10.7\" y=\"50.35\" z=\"102\"/>\r\n</t>\r\n"
                                 "<c n=\"Old\">\r\n<t n=\"A\"/>\r\n<t n=\"B\"/>\r\n</c>\r\n</tracks>\r\n</root>\r\n"));
        const std::wstring wide(file.begin(), file.end());
        wcsncpy(TrackDocumentPath, wide.c_str(), MAX_PATH - 1);
        SimulationList.LoadDemonstration();

        SendMessageW(f.window, WM_COMMAND, IDM_SIM_FROM_TRACK, 0);
        CHECK(CurrentScreen == kScreenTracks);
        CHECK(PickingMode);
        CHECK(SavedScreen == kScreenGps);
        REQUIRE(f.RawRows() == 3);
        const auto select = [](int item) {   // -1: none
            LVITEMW state{};
            state.stateMask = LVIS_SELECTED;
            SendMessageW(MainListView, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&state));
            state.state = LVIS_SELECTED;
            if (item >= 0)
                SendMessageW(MainListView, LVM_SETITEMSTATE, item, reinterpret_cast<LPARAM>(&state));
        };
        // OK without a track chosen, on the track without points and on the
        // category (whose tracks would play as points at 0, 0) is refused:
        // the pick goes on.
        for (const int item : {-1, 0, 2}) {
            CAPTURE(item);
            select(item);
            SendMessageW(f.window, WM_COMMAND, IDM_PICK_OK, 0);
            CHECK(CurrentScreen == kScreenTracks);
            CHECK(PickingMode);
            CHECK(PickPurpose == IDM_SIM_FROM_TRACK);
            CHECK(SimulationList.Size() == 23);
        }
        select(1);
        SendMessageW(f.window, WM_COMMAND, IDM_PICK_OK, 0);
        CHECK(SimulationList.Size() == 3);
        CHECK(PickPurpose == 0);
        CHECK(SimulationList.Sentence(2).find(",5021.000000,N,01042.000000,E,") != std::string::npos);
        CHECK(CurrentScreen == kScreenGps);
        CHECK_FALSE(PickingMode);
        CHECK_FALSE(IsWindowVisible(MainListView));
        CHECK(f.Title() == kProgramTitle);
        FillTrackList(nullptr, nullptr, nullptr);
        TrackDocumentPath[0] = L'\0';
        SimulationList.LoadDemonstration();
    }

    SUBCASE("idle: closes without a question") {
        SendMessageW(f.window, WM_CLOSE, 0, 0);
        CHECK_FALSE(IsWindow(f.window));
    }

    // A paused recording holds points that only ending it writes: it is
    // asked about like a running one.
    SUBCASE("recording, paused or following: No keeps everything") {
        for (const int32_t state : {kRecorderRecording, kRecorderPaused, kRecorderFollowing}) {
            CAPTURE(state);
            RecorderState.store(state);
            BoxAnswerer no(L"Stop Recording/Playback?", IDNO);
            SendMessageW(f.window, WM_CLOSE, 0, 0);
            CHECK(no.Answered());
            CHECK(IsWindow(f.window));
            CHECK(RecorderState.load() == state);
        }
    }
    SUBCASE("paused: Yes ends the recording, which writes it, then closes") {
        TempDir dir;
        const std::string file = dir.File("pathvextrk.xml");
        const std::wstring wide(file.begin(), file.end());
        wcsncpy(TrackDocumentPath, wide.c_str(), MAX_PATH - 1);
        StartRecording();
        {
            LiveRecordGuard hold(&GpsDevice);
            ActiveTrack.points.assign(2, GPS_CURRENT{});
            RecorderState.store(kRecorderPaused);
        }
        BoxAnswerer yes(L"Stop Recording/Playback?", IDYES);
        SendMessageW(f.window, WM_CLOSE, 0, 0);
        CHECK(yes.Answered());
        CHECK(RecorderState.load() == kRecorderIdle);
        CHECK(testsupport::Contains(testsupport::FileBytes(file), "<t n=\"Track 1\">"));
        CHECK_FALSE(IsWindow(f.window));
        TrackDocumentPath[0] = L'\0';
    }

    SUBCASE("closing while the simulation runs ends the reader before the window goes") {
        SimulationList.LoadDemonstration();
        SimulationMode.store(kSimulationTimer);
        REQUIRE(GpsDevice.Open(true, false));
        CHECK(PumpUntil([&] { return std::wcsncmp(f.Title().c_str(), L"Sim index: ", 11) == 0; }, 10000));
        SendMessageW(f.window, WM_CLOSE, 0, 0);
        CHECK_FALSE(GpsDevice.IsReaderRunning());
        CHECK_FALSE(GpsDevice.IsOpen());
        CHECK(ReaderStopFlag.load());
        CHECK_FALSE(IsWindow(f.window));
        // Nothing opens a port once the program is closing.
        CHECK_FALSE(GpsDevice.Open(true, false));
        SimulationMode.store(kSimulationTapping);
    }
}
