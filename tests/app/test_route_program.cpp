// A stored track followed as a route in the real desktop program: a drive
// generated as NMEA sentences ("-log"), delivered by the timer simulation,
// with a stand-in winmm.dll that logs every sound the program plays
// together with the simulation index of that moment.
//
// PATHVEX_SOUND_LOG_DLL names the stand-in (tests/app/winmm_sound_log.cpp).
#include "program_runner.h"

#include "support/dib_canvas.h"

#include <windows.h>
#include <commctrl.h>

#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

using namespace programtest;

namespace {

constexpr WPARAM kCommandRunStraight = 1253;
constexpr DWORD kDriveMs = 90000;   // 274 sentences at 100 ms, on a loaded machine

// The drive, near the equator so that degrees of longitude and latitude
// measure alike (the turn search works on bearings in degrees): five legs
// north, a right-angle turn, five legs east, a bend of 40 degrees to the
// right, three legs south-east. Route points are a leg apart; the drive
// steps a twentieth of a leg (10 m) per sentence.
constexpr double kStartX = 10.0;
constexpr double kStartY = 0.5;
constexpr double kLeg = 0.0018;   // degrees, about 200 m
constexpr int kStepsPerLeg = 20;
constexpr double kKnots = 10.0;
constexpr double kPi = 3.14159265358979;
constexpr unsigned kMarkedPoint = 3;
constexpr unsigned kSpeedMark = 50;
// Sentence 0 stands 30 m before the first point, so the first point lies
// ahead (one already passed would be a turn back); three sentences lead to
// it, and leg i ends with sentence 3 + 20 (i + 1).
constexpr unsigned kApproachSteps = 3;
constexpr unsigned kCornerSentence = kApproachSteps + 5 * kStepsPerLeg;
constexpr unsigned kMarkSentence = kApproachSteps + kMarkedPoint * kStepsPerLeg;
constexpr unsigned kLastPointSentence = kApproachSteps + 13 * kStepsPerLeg;
constexpr unsigned kStandingAtEnd = 10;

struct POINT2 {
    double x;
    double y;
};

struct LEG {
    double course;   // degrees
    int count;
};

std::vector<POINT2> RoutePoints()
{
    const LEG legs[] = {{0.0, 5}, {90.0, 5}, {130.0, 3}};
    std::vector<POINT2> points = {{kStartX, kStartY}};
    for (const LEG& leg : legs) {
        const double a = leg.course * kPi / 180.0;
        for (int i = 0; i < leg.count; ++i) {
            const POINT2 last = points.back();
            points.push_back({last.x + kLeg * std::sin(a), last.y + kLeg * std::cos(a)});
        }
    }
    return points;
}

// "$GPRMC" at p with speed and course; checksums are not read.
std::string Rmc(unsigned second, POINT2 p, double knots, double course)
{
    const int latDegrees = int(p.y);
    const int lonDegrees = int(p.x);
    char line[160];
    std::snprintf(line, sizeof line, "$GPRMC,%02u%02u%02u.000,A,%02d%09.6f,N,%03d%09.6f,E,%.1f,%.1f,010106,,*00",
                  second / 3600 % 24, second / 60 % 60, second % 60, latDegrees, (p.y - latDegrees) * 60.0,
                  lonDegrees, (p.x - lonDegrees) * 60.0, knots, course);
    return line;
}

double CourseOf(POINT2 from, POINT2 to)
{
    double c = std::atan2(to.x - from.x, to.y - from.y) * 180.0 / kPi;
    return c < 0 ? c + 360.0 : c;
}

std::string DriveFile(const std::vector<POINT2>& route)
{
    const double step = kLeg / kStepsPerLeg;
    const POINT2 start = route.front();
    std::string text = Rmc(0, {start.x, start.y - kApproachSteps * step}, 0.0, 0.0) + "\r\n";
    unsigned second = 1;
    for (unsigned i = kApproachSteps; i-- > 0;)
        text += Rmc(second++, {start.x, start.y - i * step}, kKnots, 0.0) + "\r\n";
    for (size_t i = 0; i + 1 < route.size(); ++i) {
        const double course = CourseOf(route[i], route[i + 1]);
        for (int s = 1; s <= kStepsPerLeg; ++s) {
            const double f = double(s) / kStepsPerLeg;
            const POINT2 p = {route[i].x + (route[i + 1].x - route[i].x) * f,
                              route[i].y + (route[i + 1].y - route[i].y) * f};
            text += Rmc(second++, p, kKnots, course) + "\r\n";
        }
    }
    for (unsigned i = 0; i < kStandingAtEnd; ++i)
        text += Rmc(second++, route.back(), 0.0, 0.0) + "\r\n";
    return text;
}

std::string TrackFile(const std::vector<POINT2>& route)
{
    std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\r\n<root>\r\n\t<tracks>\r\n"
                       "\t\t<t n=\"Drive\">\r\n";
    for (size_t i = 0; i < route.size(); ++i) {
        char p[160];
        std::snprintf(p, sizeof p, "\t\t\t<p x=\"%f\" y=\"%f\" z=\"0.000000\"%s />\r\n", route[i].x, route[i].y,
                      i == kMarkedPoint ? " s=\"50\"" : "");
        text += p;
    }
    return text + "\t\t</t>\r\n\t</tracks>\r\n</root>\r\n";
}

// Makes Wine load the winmm.dll beside program instead of its own, for
// that program only (the prefix is this test's own).
bool UseNativeWinmm(const std::string& program)
{
    const std::wstring path = L"Software\\Wine\\AppDefaults\\" + Widen(program) + L".exe\\DllOverrides";
    const wchar_t order[] = L"native,builtin";
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr))
        return false;
    const LONG set = RegSetValueExW(key, L"winmm", 0, REG_SZ, reinterpret_cast<const BYTE*>(order), sizeof order);
    RegCloseKey(key);
    return set == ERROR_SUCCESS;
}

struct SOUND {
    std::string name;
    unsigned index;   // the simulation index the title showed
};

std::vector<SOUND> ReadSounds(const std::string& path)
{
    std::string text;
    ReadFile(path, &text);
    std::vector<SOUND> sounds;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        const size_t tab = line.find('\t');
        if (tab == std::string::npos)
            continue;
        unsigned index = 0, count = 0;
        std::sscanf(line.c_str() + tab + 1, "Sim index: %u/%u", &index, &count);
        sounds.push_back({line.substr(0, tab), index});
    }
    return sounds;
}

size_t CountOf(const std::vector<SOUND>& sounds, const std::string& name)
{
    size_t n = 0;
    for (const SOUND& s : sounds)
        n += s.name == name;
    return n;
}

// The window as the screen shows it, for a person to look at.
void SavePicture(HWND window, const std::string& name)
{
    testsupport::SaveScreenUnder(window, name);
}

}  // namespace

TEST_CASE("a stored track run as a route warns at the speed mark and before the turn, and arrives")
{
    const char* dll = std::getenv("PATHVEX_SOUND_LOG_DLL");
    REQUIRE(dll);
    const std::vector<POINT2> route = RoutePoints();
    REQUIRE(route.size() == 14);
    for (const PROGRAM& p : ProgramsUnderTest()) {
        if (!p.desktop)
            continue;
        CAPTURE(p.name);
        Install install(p, Settings("upd=\"5\" agc=\"1\" slw=\"1\" swt=\"1\" swa=\"45\"", "simu=\"1\""));
        REQUIRE(WriteWholeFile(install.dir.File("drive.nmea"), DriveFile(route)));
        REQUIRE(WriteWholeFile(install.dir.File("pathvextrk.xml"), TrackFile(route)));
        REQUIRE(CopyFileA(FromUnixPath(dll).c_str(), install.dir.File("winmm.dll").c_str(), FALSE));
        REQUIRE(UseNativeWinmm(p.name));
        const std::string soundLog = install.dir.File("sounds.log");

        Running run(install.dir.Path(), p, "-log drive.nmea");
        HWND window = run.WaitForMainWindow();
        REQUIRE(window);
        // One tap delivers the sentence at the start (the port opens with
        // "agc" right after the window shows, so tap until it does).
        REQUIRE(WaitFor(
            [&] {
                PostMessageW(run.MainWindow(), WM_KEYDOWN, VK_SPACE, 0);
                Sleep(200);
                return run.Title().rfind(L"Sim index: ", 0) == 0;
            },
            kStartMs));
        CHECK(run.Command(kCommandTracks));
        REQUIRE(run.WaitForTitle([](const std::wstring& t) { return t == L"Tracks"; }));
        HWND list = GetDlgItem(run.MainWindow(), kListId);
        REQUIRE(list);
        PostMessageW(list, WM_KEYDOWN, VK_HOME, 0);
        REQUIRE(WaitFor([&] { return SendMessageW(list, LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED) == 0; },
                        kStartMs));

        CHECK(run.Command(kCommandRunStraight));
        CHECK(run.Press(L"Record Options", IDOK));
        // Normalising would thin the straight legs and their marked point.
        CHECK(run.Answer(L"Normalize track before playback?", IDNO));
        REQUIRE(run.WaitForTitle([](const std::wstring& t) { return t == L"Path"; }));
        CHECK(run.Command(kCommandTimerSimulation));

        bool pictured = false;
        CHECK(WaitFor(
            [&] {
                const std::vector<SOUND> sounds = ReadSounds(soundLog);
                if (!pictured && CountOf(sounds, "TURN")) {
                    SavePicture(run.MainWindow(), "route_" + p.name + "_turn.png");
                    pictured = true;
                }
                return CountOf(sounds, "OK") > 0;
            },
            kDriveMs));
        const std::vector<SOUND> sounds = ReadSounds(soundLog);
        std::string heard;
        for (const SOUND& s : sounds)
            heard += s.name + "@" + std::to_string(s.index) + " ";
        INFO("sounds: ", heard);

        // "SPD" once, when the marked point became the one approached (the
        // leg before it).
        CHECK(CountOf(sounds, "SPD") == 1);
        // "TURN" before the right angle; never for the 40-degree bend, whose
        // look-ahead starts 15 legs on.
        CHECK(CountOf(sounds, "TURN") >= 1);
        // "OK" once, near the last point.
        CHECK(CountOf(sounds, "OK") == 1);
        size_t order = 0;
        for (const SOUND& s : sounds) {
            CAPTURE(s.name);
            CAPTURE(s.index);
            if (s.name == "SPD") {
                CHECK(s.index >= kMarkSentence - 2 * kStepsPerLeg);
                CHECK(s.index < kMarkSentence);
                CHECK(order == 0);
                order = 1;
            } else if (s.name == "TURN") {
                CHECK(s.index >= kCornerSentence - 2 * kStepsPerLeg);
                CHECK(s.index <= kCornerSentence + kStepsPerLeg / 2);
                CHECK(order >= 1);
                order = 2;
            } else if (s.name == "OK") {
                CHECK(s.index >= kLastPointSentence - kStepsPerLeg / 2);
                CHECK(order == 2);
                order = 3;
            }
        }
        CHECK(order == 3);

        // Arrival left the recorder idle: closing asks nothing, and the
        // route wrote no track.
        CHECK(run.Close());
        std::string tracks;
        ReadFile(install.dir.File("pathvextrk.xml"), &tracks);
        CHECK(Contains(tracks, "<t n=\"Drive\">"));
        CHECK_FALSE(Contains(tracks, "Track "));
    }
}
