// The instrument screens in the running desktop program, on a real receiver
// recording played through "-log" as its simulation. The program is held
// just after the recording's last satellite series and stepped through its
// screen cycle; each screen is taken off the display into a PNG (left in
// the test's working folder to look at). The painted screens must show,
// pixel for pixel, what this test's painters draw from the same sentences
// read by the same parser.
//
// PATHVEX_PROGRAM_DIR names the folder of the built executables and
// PATHVEX_PROGRAMS the desktop program of this build tree.
#include <doctest.h>

#include "app/program_runner.h"
#include "support/dib_canvas.h"

#include "app/shell.h"
#include "kit/display.h"
#include "kit/draw.h"
#include "panes/panes.h"

#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cwchar>
#include <iterator>
#include <string>
#include <vector>

using namespace programtest;
using testsupport::DibCanvas;

namespace {

// bu353s4.log, lines 87 to 89 (list entries 86 to 88): the last GSV series
// names twelve satellites, all with PRNs the parser keeps.
constexpr char kRecording[] = "\\receiver-logs\\bu353s4.log";
constexpr int kLastSky[] = {17, 28, 6, 1, 30, 20, 26, 13, 8, 2, 3, 24};
constexpr unsigned kLastGsv = 88;
constexpr unsigned kHoldFrom = kLastGsv + 4;   // its GSA is in too
constexpr DWORD kSettleMs = 30000;
constexpr DWORD kLoopMs = 90000;   // a few turns of the recording at 100 ms a sentence
constexpr DWORD kCycleEndMs = 3000;

// The client area as the display shows it.
bool Capture(HWND window, DibCanvas* canvas)
{
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    return canvas->CaptureScreen(origin.x, origin.y, kSettleMs);
}

int Differences(const DibCanvas& a, const DibCanvas& b)
{
    int n = 0;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            n += a.Pixel(x, y) != b.Pixel(x, y);
    return n;
}

GPS_CURRENT* Reference = nullptr;

struct PAINTED {
    const wchar_t* title;
    void (*draw)(HDC, const RECT&, const GPS_CURRENT&);
};
const PAINTED kPainted[] = {
    {L"Satellite", [](HDC dc, const RECT& r, const GPS_CURRENT& g) { DrawSatelliteScreen(dc, r, g, 0); }},
    {L"Compass", DrawCompassScreen},
    {L"Sun", DrawSunScreen},
    {L"Moon", DrawMoonScreen},
};

}  // namespace

TEST_CASE("the instrument screens of the running program show the recording")
{
    const std::string data = testsupport::TestDataDir();
    const std::vector<PROGRAM> programs = ProgramsUnderTest();
    if (data.empty() || programs.empty()) {
        MESSAGE("no shared recordings or no program to run; skipped");
        return;
    }
    Install install(programs[0], Settings("upd=\"5\" agc=\"1\"", "simu=\"1\""));
    Running run(install.dir.Path(), programs[0], "-log " + data + kRecording);
    REQUIRE(run.WaitForMainWindow());
    SetWindowPos(run.MainWindow(), HWND_TOPMOST, 300, 100, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);

    // Played in timer mode, then held in tapping mode (where no tap comes)
    // before the list wraps round to its first series.
    run.Send(IDM_SIM_TIMER);
    unsigned index = 0, count = 0;
    REQUIRE(WaitFor([&] { return ParseSimIndex(run.Title(), &index, &count) && index >= kHoldFrom; }, kLoopMs));
    run.Send(IDM_SIM_TAPPING);
    std::wstring title;
    REQUIRE(WaitFor(
        [&] {
            const std::wstring before = run.Title();
            Sleep(400);
            return (title = run.Title()) == before;
        },
        kSettleMs));
    REQUIRE(ParseSimIndex(title, &index, &count));
    CAPTURE(index);

    // The sentences delivered up to there, through this process's parser.
    std::vector<std::string> lines;
    REQUIRE(ReadSimulationFile(Widen(data + kRecording).c_str(), &lines));
    REQUIRE(kLastGsv + 1 < lines.size());
    GpsPort port;
    Reference = port.LiveRecord();
    NmeaMessage msg{};
    for (const std::string& line : lines)
        port.ParseNmea(line, &msg, true);
    for (size_t i = 0; index < kHoldFrom && i <= index; ++i)   // wrapped past the end
        port.ParseNmea(lines[i], &msg, true);
    std::vector<int> inView;
    for (int i = 0; i < kShownSatellites; ++i)
        if (Reference->sats[i].inView)
            inView.push_back(Reference->sats[i].prn);
    CHECK(inView.size() == std::size(kLastSky));
    for (int prn : kLastSky)
        CHECK(Reference->sats[prn].inView == 1);

    CreateFontSet();
    // The text colour reads the fix of the program's own port.
    *LiveRecordGuard(&GpsDevice) = *Reference;
    run.Send(IDM_SCREEN_GPS);   // titled again (the simulation had the title)
    std::vector<std::wstring> seen;
    for (int step = 0; step < 12; ++step) {
        const std::wstring screen = run.Title();
        // The GPS data screen bears the program's own title.
        seen.push_back(screen.rfind(L"Pathvex ", 0) == 0 ? L"GPS" : screen);
        RECT client{};
        GetClientRect(run.MainWindow(), &client);
        DibCanvas shot(client.right, client.bottom);
        REQUIRE(shot.Valid());
        CHECK(Capture(run.MainWindow(), &shot));
        char name[64];
        std::snprintf(name, sizeof name, "program_%02d_%ls.png", step, seen.back().c_str());
        CHECK(shot.SavePng(name));
        for (const PAINTED& p : kPainted) {
            if (screen != p.title)
                continue;
            // In the day or the night scheme: the program chose by its start hour.
            int fewest = client.right * client.bottom;
            for (int scheme : {0, 1}) {
                ColorScheme = scheme;
                DibCanvas ref(client.right, client.bottom);
                ref.Fill(SchemeColor(ColorRole::Bk));
                p.draw(ref.Dc(), ref.Rect(), *Reference);
                const int d = Differences(shot, ref);
                fewest = d < fewest ? d : fewest;
            }
            CHECK_MESSAGE(fewest == 0, std::string(screen.begin(), screen.end()));
        }
        if (screen == L"Statistics")
            CHECK(SendDlgItemMessageW(run.MainWindow(), IDC_MAIN_LISTVIEW, LVM_GETITEMCOUNT, 0, 0) == kStatisticsRows);
        // The next screen comes by a command the program posts itself; the
        // raw log ends the cycle and keeps its title.
        run.Send(IDM_NEXT_SCREEN);
        if (!WaitFor([&] { return run.Title() != screen; }, kCycleEndMs))
            break;
    }
    const std::vector<std::wstring> cycle = {L"GPS", L"Satellite", L"Map", L"Tracks", L"Waypoints",
                                             L"Compass", L"Sun", L"Moon", L"Statistics", L"Raw"};
    CHECK(seen == cycle);
    *LiveRecordGuard(&GpsDevice) = GPS_CURRENT{};
    DeleteFontSet();
}
