// The instrument screens in the running desktop program, on a real receiver
// recording: the program plays the recording through "-log" as its
// simulation, is held still after the recording's last satellite report,
// and is stepped through its screen cycle. Each screen is taken off the
// display into a PNG (left in the test's working folder to look at). The
// painted screens must show, pixel for pixel, what this test's own painters
// draw from the same sentences read by the same parser; the satellite
// screen shows one bar and one table entry per satellite of the recording's
// last GSV series.
//
// PATHVEX_PROGRAM_DIR names the folder of the built executables and
// PATHVEX_PROGRAM the desktop program of this build tree.
#include <doctest.h>

#include "app/display.h"
#include "gps/gps.h"
#include "maps/draw.h"
#include "panes/panes.h"
#include "support/dib_canvas.h"
#include "support/test_support.h"
#include "tracks/tracks.h"

#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <functional>
#include <set>
#include <string>
#include <vector>

using testsupport::DibCanvas;
using testsupport::TempDir;

namespace {

constexpr char kRecording[] = "bu353s4.log";   // NMEA with a fix and twelve satellites
constexpr wchar_t kMainClass[] = L"Pathvex CLASS";
constexpr DWORD kStartMs = 30000;
constexpr DWORD kLoopMs = 90000;   // a few turns of the recording at 100 ms a sentence
constexpr WPARAM kTapping = 378;
constexpr WPARAM kTimer = 379;
constexpr WPARAM kScreenGps = 201;
constexpr WPARAM kNextScreen = 345;
constexpr int kListView = 901;
constexpr DWORD kCycleEndMs = 3000;

bool WaitFor(const std::function<bool()>& done, DWORD ms)
{
    const ULONGLONG until = GetTickCount64() + ms;
    while (!done()) {
        if (GetTickCount64() > until)
            return false;
        Sleep(20);
    }
    return true;
}

std::string FromUnixPath(const char* p)
{
    std::string s = p ? p : "";
    if (!s.empty() && s[0] == '/') {
        for (char& c : s)
            if (c == '/')
                c = '\\';
        s = "Z:" + s;
    }
    return s;
}

std::wstring Widen(const std::string& s)
{
    return std::wstring(s.begin(), s.end());
}

// The recording's lines as the program's "-log" reads them.
std::vector<std::string> ReadLines(const std::string& path)
{
    std::string text;
    std::vector<std::string> lines;
    if (!testsupport::ReadFile(path, &text))
        return lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
            line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

// The satellites of the last GSV series: PRNs as the parser keeps them (a
// PRN above 34 ends its sentence's scan).
std::set<int> LastSkyOf(const std::vector<std::string>& lines, size_t* lastGsv)
{
    std::set<int> sky;
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string& l = lines[i];
        if (l.rfind("$GPGSV,", 0) != 0)
            continue;
        std::vector<std::string> f;
        size_t at = 0;
        for (size_t comma; (comma = l.find(',', at)) != std::string::npos; at = comma + 1)
            f.push_back(l.substr(at, comma - at));
        f.push_back(l.substr(at));
        if (f.size() > 2 && std::atoi(f[2].c_str()) == 1)
            sky.clear();
        for (size_t g = 4; g + 3 < f.size(); g += 4) {
            const int prn = std::atoi(f[g].c_str());
            if (prn > kNmeaMaxPrn)
                break;
            sky.insert(prn);
        }
        *lastGsv = i;
    }
    return sky;
}

// One run of the program in a folder of its own.
class Program {
public:
    Program(const std::string& dir, const std::string& name, const std::string& arguments)
    {
        const std::wstring exe = Widen(dir + "\\" + name + ".exe");
        std::wstring line = L"\"" + exe + L"\" " + Widen(arguments);
        STARTUPINFOW si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        if (CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, Widen(dir).c_str(),
                           &si, &pi)) {
            CloseHandle(pi.hThread);
            process_ = pi.hProcess;
            pid_ = pi.dwProcessId;
        }
    }
    ~Program()
    {
        if (HWND w = Window())
            PostMessageW(w, WM_CLOSE, 0, 0);
        if (process_ && WaitForSingleObject(process_, 15000) != WAIT_OBJECT_0)
            TerminateProcess(process_, 99);
        if (process_)
            CloseHandle(process_);
    }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    HWND Window() const
    {
        HWND w = nullptr;
        while ((w = FindWindowExW(nullptr, w, kMainClass, nullptr)) != nullptr) {
            DWORD pid = 0;
            GetWindowThreadProcessId(w, &pid);
            if (pid == pid_)
                return w;
        }
        return nullptr;
    }
    std::wstring Title() const
    {
        wchar_t text[128] = {};
        GetWindowTextW(Window(), text, 128);
        return text;
    }
    // A command, carried out when this returns.
    void Command(WPARAM id) const
    {
        DWORD_PTR r = 0;
        SendMessageTimeoutW(Window(), WM_COMMAND, id, 0, SMTO_NORMAL, 10000, &r);
    }

private:
    HANDLE process_ = nullptr;
    DWORD pid_ = 0;
};

bool ParseSimIndex(const std::wstring& title, unsigned* index)
{
    unsigned count = 0;
    return std::swscanf(title.c_str(), L"Sim index: %u/%u", index, &count) == 2;
}

// The window's client area as the display shows it, once two takes in a
// row agree (the program has painted and the display has caught up).
bool Capture(HWND window, DibCanvas* canvas)
{
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    std::vector<COLORREF> last;
    return WaitFor(
        [&] {
            const HDC screen = GetDC(nullptr);
            BitBlt(canvas->Dc(), 0, 0, canvas->Width(), canvas->Height(), screen, origin.x, origin.y, SRCCOPY);
            ReleaseDC(nullptr, screen);
            std::vector<COLORREF> now;
            for (int y = 0; y < canvas->Height(); y += 2)
                for (int x = 0; x < canvas->Width(); x += 2)
                    now.push_back(canvas->Pixel(x, y));
            const bool same = now == last;
            last = std::move(now);
            Sleep(150);
            return same;
        },
        kStartMs);
}

// Pixels in which two pictures of one size differ.
int Differences(const DibCanvas& a, const DibCanvas& b)
{
    int n = 0;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            if (a.Pixel(x, y) != b.Pixel(x, y))
                ++n;
    return n;
}

GPS_CURRENT* Reference = nullptr;

}  // namespace

TEST_CASE("the instrument screens of the running program show the recording")
{
    const std::string data = testsupport::TestDataDir();
    const char* programDir = std::getenv("PATHVEX_PROGRAM_DIR");
    const char* program = std::getenv("PATHVEX_PROGRAM");
    if (data.empty() || !programDir || !program) {
        MESSAGE("no shared recordings or no program to run; skipped");
        return;
    }
    const std::string recording = data + "\\receiver-logs\\" + kRecording;
    const std::vector<std::string> lines = ReadLines(recording);
    size_t lastGsv = 0;
    const std::set<int> sky = LastSkyOf(lines, &lastGsv);
    REQUIRE(sky.size() == 12);

    TempDir dir;
    REQUIRE(CopyFileA((FromUnixPath(programDir) + "\\" + program + ".exe").c_str(),
                      dir.File(std::string(program) + ".exe").c_str(), FALSE));
    FILE* f = std::fopen(dir.File("pathvex.xml").c_str(), "wb");
    REQUIRE(f);
    std::fputs("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\r\n<root>\r\n <waypoints/>\r\n"
               " <cfg>\r\n  <pathvex floatconverted=\"2\" upd=\"5\" agc=\"1\"/>\r\n  <gps simu=\"1\"/>\r\n"
               " </cfg>\r\n</root>\r\n",
               f);
    std::fclose(f);

    Program run(dir.Path(), program, "-log " + recording);
    REQUIRE(WaitFor([&] { return run.Window() != nullptr; }, kStartMs));
    // Out of the way of anything else on the display.
    SetWindowPos(run.Window(), HWND_TOPMOST, 300, 100, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);

    // Played until just after the last satellite series and its GSA, then
    // held: the sky stays as the series left it until the list wraps to its
    // next series.
    const unsigned firstHold = static_cast<unsigned>(lastGsv) + 4;
    run.Command(kTimer);
    unsigned index = 0;
    REQUIRE(WaitFor([&] { return ParseSimIndex(run.Title(), &index) && index >= firstHold; }, kLoopMs));
    run.Command(kTapping);
    std::wstring title;
    REQUIRE(WaitFor(
        [&] {
            const std::wstring before = run.Title();
            Sleep(400);
            title = run.Title();
            return title == before;
        },
        kStartMs));
    REQUIRE(ParseSimIndex(title, &index));
    CAPTURE(index);

    // The same sentences through this process's own parser.
    GpsPort port;
    Reference = port.LiveRecord();
    NmeaMessage msg{};
    for (const std::string& line : lines)
        port.ParseNmea(line, &msg, true);
    for (size_t i = 0; index < firstHold && i <= index; ++i)   // wrapped past the end
        port.ParseNmea(lines[i], &msg, true);
    int inView = 0;
    for (int i = 0; i < kShownSatellites; ++i)
        if (Reference->sats[i].inView) {
            ++inView;
            CHECK(sky.count(Reference->sats[i].prn) == 1);
        }
    CHECK(inView == static_cast<int>(sky.size()));

    CreateFontSet();
    DrawStateHooks = {[] { return Reference->fix == 1; }, [] { return 0; }};
    RECT client{};
    GetClientRect(run.Window(), &client);
    CHECK(SatelliteBarWidth(client.right, inView) == client.right / 12);

    // Each painted screen against this process's painting of the record, in
    // the day or the night scheme (the program chose by its start hour).
    struct Painted {
        const wchar_t* title;
        void (*draw)(HDC, const RECT&, const GPS_CURRENT&);
    };
    const Painted painted[] = {
        {L"Satellite", [](HDC dc, const RECT& r, const GPS_CURRENT& g) { DrawSatelliteScreen(dc, r, g, 0); }},
        {L"Compass", DrawCompassScreen},
        {L"Sun", DrawSunScreen},
        {L"Moon", DrawMoonScreen},
    };
    run.Command(kScreenGps);
    std::vector<std::wstring> seen;
    for (int step = 0; step < 12; ++step) {
        const std::wstring screen = run.Title();
        seen.push_back(screen);
        GetClientRect(run.Window(), &client);
        DibCanvas shot(client.right, client.bottom);
        REQUIRE(shot.Valid());
        CHECK(Capture(run.Window(), &shot));
        char name[64];
        std::snprintf(name, sizeof name, "program_%02d_%ls.png", step, screen.c_str());
        CHECK(shot.SavePng(name));
        for (const Painted& p : painted) {
            if (screen != p.title)
                continue;
            CAPTURE(std::string(screen.begin(), screen.end()));
            int best = client.right * client.bottom;
            for (int scheme : {0, 1}) {
                ColorScheme = scheme;
                DibCanvas ref(client.right, client.bottom);
                ref.Fill(SchemeColor(ColorRole::Bk));
                p.draw(ref.Dc(), ref.Rect(), *Reference);
                const int d = Differences(shot, ref);
                best = d < best ? d : best;
            }
            CHECK(best == 0);
        }
        if (screen == L"Statistics")
            CHECK(SendMessageW(GetDlgItem(run.Window(), kListView), LVM_GETITEMCOUNT, 0, 0) == kStatisticsRows);
        // The next screen comes by a command that the program posts itself;
        // the raw log ends the cycle, where the title stays.
        run.Command(kNextScreen);
        if (!WaitFor([&] { return run.Title() != screen; }, kCycleEndMs))
            break;
    }
    // From the GPS data screen, titled with the program's name.
    const std::vector<std::wstring> cycle = {L"Satellite", L"Map", L"Tracks", L"Waypoints", L"Compass",
                                             L"Sun", L"Moon", L"Statistics", L"Raw"};
    std::string shown;
    for (const std::wstring& t : seen)
        shown += std::string(t.begin(), t.end()) + ", ";
    CAPTURE(shown);
    CHECK(std::vector<std::wstring>(seen.begin() + (seen.empty() ? 0 : 1), seen.end()) == cycle);
    DrawStateHooks = {};
    DeleteFontSet();
}
