// End-to-end tests of the real executables: each is copied into a fresh
// temporary folder (its settings live beside it) and started there, and the
// test reads and drives its main window from outside, as the user's desktop
// would: window titles, message boxes, posted commands and WM_CLOSE.
//
// PATHVEX_PROGRAM_DIR names the folder of the built executables and
// PATHVEX_PROGRAMS the ones this build tree makes (comma-separated).
#include <doctest.h>

#include "support/test_support.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <functional>
#include <string>
#include <vector>

using testsupport::ReadFile;
using testsupport::TempDir;

namespace {

constexpr wchar_t kMainClass[] = L"Pathvex CLASS";
constexpr wchar_t kUpdateQuestion[] = L"Check for Pathvex updates now?";
constexpr wchar_t kInstanceMutex[] = L"Local\\Pathvex.Instance";
constexpr DWORD kStartMs = 20000;   // a cold Wine start of a process takes seconds
constexpr DWORD kExitMs = 15000;
constexpr DWORD kOtherRunMs = 120000;
constexpr WPARAM kCommandSatellite = 205;
constexpr WPARAM kCommandRaw = 299;
constexpr WPARAM kCommandShutdown = 199;
constexpr WPARAM kCommandTimerSimulation = 379;

struct PROGRAM {
    std::string name;      // "pathvex-x64"
    std::wstring title;    // the main window's title at start
    bool desktop;          // the "-log" form exists
    bool handheld;
};

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

std::vector<PROGRAM> ProgramsUnderTest()
{
    std::vector<PROGRAM> out;
    const char* list = std::getenv("PATHVEX_PROGRAMS");
    std::string all = list ? list : "";
    size_t start = 0;
    while (start < all.size()) {
        size_t end = all.find(',', start);
        if (end == std::string::npos)
            end = all.size();
        const std::string name = all.substr(start, end - start);
        start = end + 1;
        if (name == "pathvex-x64")
            out.push_back({name, L"Pathvex 0.989 X64", true, false});
        else if (name == "pathvex-x86")
            out.push_back({name, L"Pathvex 0.989 X86", true, false});
        else if (name == "pathvex-ppc")
            out.push_back({name, L"Pathvex 0.989 PPC", false, true});
        else if (name == "pathvex-wm")
            out.push_back({name, L"Pathvex 0.9839 WM", false, true});
    }
    return out;
}

std::string ProgramDir()
{
    return FromUnixPath(std::getenv("PATHVEX_PROGRAM_DIR"));
}

bool WaitFor(const std::function<bool()>& done, DWORD ms)
{
    const ULONGLONG until = GetTickCount64() + ms;
    while (!done()) {
        if (GetTickCount64() > until)
            return false;
        Sleep(50);
    }
    return true;
}

bool WriteText(const std::string& path, const std::string& text)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    return std::fclose(f) == 0 && ok;
}

std::string Settings(const std::string& pathvexAttributes, const std::string& gpsAttributes = "")
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\r\n<root>\r\n <waypoints/>\r\n <cfg>\r\n"
           "  <pathvex floatconverted=\"2\" " + pathvexAttributes + "/>\r\n"
           "  <gps " + gpsAttributes + "/>\r\n </cfg>\r\n</root>\r\n";
}

// The folder's file names, sorted as the system lists them.
std::vector<std::string> ListFolder(const std::string& dir)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE)
        return names;
    do {
        const std::string n = fd.cFileName;
        if (n != "." && n != "..")
            names.push_back(n);
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    return names;
}

// Another run of these tests in the same Wine prefix may have a program
// running: a copy started now would only show that one and end. Wait until
// the instance lock is free (or give up and let the test report it).
void WaitForNoRunningProgram()
{
    WaitFor(
        [] {
            HANDLE m = OpenMutexW(SYNCHRONIZE, FALSE, kInstanceMutex);
            if (!m)
                return true;
            CloseHandle(m);
            return false;
        },
        kOtherRunMs);
}

// One started copy of a program; ended by force if a test leaves it running.
class Running {
public:
    // second: this copy is meant to find another one running. workDir: the
    // current folder it starts in (default: its own).
    Running(const std::string& dir, const PROGRAM& program, const std::string& arguments, bool second = false,
            const std::string& workDir = "")
        : program_(program)
    {
        if (!second)
            WaitForNoRunningProgram();
        const std::wstring exe = Widen(dir + "\\" + program.name + ".exe");
        std::wstring line = L"\"" + exe + L"\"";
        if (!arguments.empty())
            line += L" " + Widen(arguments);
        STARTUPINFOW si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        const std::wstring current = Widen(workDir.empty() ? dir : workDir);
        if (CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, current.c_str(), &si,
                           &pi)) {
            CloseHandle(pi.hThread);
            process_ = pi.hProcess;
            pid_ = pi.dwProcessId;
        }
    }
    ~Running()
    {
        if (process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
            TerminateProcess(process_, 99);
            WaitForSingleObject(process_, kExitMs);
        }
        if (process_)
            CloseHandle(process_);
    }
    Running(const Running&) = delete;
    Running& operator=(const Running&) = delete;

    bool Started() const { return process_ != nullptr; }

    // A visible or hidden top-level window of this process with the class
    // (and the exact caption, when given).
    HWND FindOwnWindow(const wchar_t* className, const wchar_t* caption) const
    {
        HWND w = nullptr;
        while ((w = FindWindowExW(nullptr, w, className, caption)) != nullptr) {
            DWORD pid = 0;
            GetWindowThreadProcessId(w, &pid);
            if (pid == pid_)
                return w;
        }
        return nullptr;
    }
    HWND MainWindow() const { return FindOwnWindow(kMainClass, nullptr); }
    HWND WaitForMainWindow() const
    {
        HWND found = nullptr;
        WaitFor([&] { return (found = MainWindow()) != nullptr || Ended(); }, kStartMs);
        return found;
    }
    std::wstring Title() const
    {
        wchar_t text[256] = {};
        if (HWND w = MainWindow())
            GetWindowTextW(w, text, 256);
        return text;
    }
    bool WaitForTitle(const std::function<bool(const std::wstring&)>& ok, DWORD ms = kStartMs) const
    {
        return WaitFor([&] { return ok(Title()); }, ms);
    }
    // Answers the message box with the program's caption whose text is
    // question, by its button id (IDYES, IDNO).
    bool Answer(const wchar_t* question, int button) const
    {
        HWND box = nullptr;
        const bool found = WaitFor(
            [&] {
                HWND w = nullptr;
                while ((w = FindWindowExW(nullptr, w, L"#32770", nullptr)) != nullptr) {
                    DWORD pid = 0;
                    GetWindowThreadProcessId(w, &pid);
                    if (pid != pid_)
                        continue;
                    wchar_t text[256] = {};
                    GetDlgItemTextW(w, 0xFFFF, text, 256);
                    if (std::wcscmp(text, question) == 0) {
                        box = w;
                        return true;
                    }
                }
                return false;
            },
            kStartMs);
        if (!found)
            return false;
        wchar_t caption[256] = {};
        GetWindowTextW(box, caption, 256);
        CHECK(std::wstring(caption) == program_.title);
        return PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0) != 0;
    }
    bool Command(WPARAM id) const { return PostMessageW(MainWindow(), WM_COMMAND, id, 0) != 0; }
    bool Ended() const { return !process_ || WaitForSingleObject(process_, 0) == WAIT_OBJECT_0; }
    // True when the process ended within the time with exit code 0.
    bool WaitForExit(DWORD ms = kExitMs) const
    {
        if (!process_ || WaitForSingleObject(process_, ms) != WAIT_OBJECT_0)
            return false;
        DWORD code = 1;
        GetExitCodeProcess(process_, &code);
        if (code != 0)
            MESSAGE("the program ended with exit code " << code);
        return code == 0;
    }
    bool Close() const
    {
        HWND w = MainWindow();
        return w && PostMessageW(w, WM_CLOSE, 0, 0) && WaitForExit();
    }

private:
    PROGRAM program_;
    HANDLE process_ = nullptr;
    DWORD pid_ = 0;
};

// A temporary folder holding a copy of the program (and, optionally, its
// settings file).
struct Install {
    TempDir dir;
    explicit Install(const PROGRAM& p, const std::string& settings = "")
    {
        const std::string from = ProgramDir() + "\\" + p.name + ".exe";
        const std::string to = dir.File(p.name + ".exe");
        REQUIRE_MESSAGE(CopyFileA(from.c_str(), to.c_str(), FALSE), "cannot copy ", from);
        if (!settings.empty())
            REQUIRE(WriteText(SettingsPath(), settings));
    }
    std::string SettingsPath() const { return dir.File("pathvex.xml"); }
    std::string ReadSettings() const
    {
        std::string text;
        ReadFile(SettingsPath(), &text);
        return text;
    }
};

bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// "Sim index: i/n" split into i and n; false for any other title.
bool ParseSimIndex(const std::wstring& title, unsigned* index, unsigned* count)
{
    return std::swscanf(title.c_str(), L"Sim index: %u/%u", index, count) == 2;
}

}  // namespace

TEST_CASE("each program starts, asks about updates once, and saves its settings when closed")
{
    const auto programs = ProgramsUnderTest();
    REQUIRE_FALSE(programs.empty());
    for (const PROGRAM& p : programs) {
        CAPTURE(p.name);
        Install install(p);
        if (p.handheld) {
            // The HTML view library is checked before use: one that cannot be
            // loaded leaves the web map off and the program running.
            REQUIRE(WriteText(install.dir.File("HTMLVIEW.DLL"), "not a library"));
        }
        // Started from another folder: the settings still go beside the
        // program.
        const std::string elsewhere = install.dir.File("elsewhere");
        REQUIRE(CreateDirectoryA(elsewhere.c_str(), nullptr));
        Running run(install.dir.Path(), p, "", false, elsewhere);
        REQUIRE(run.Started());
        HWND window = run.WaitForMainWindow();
        REQUIRE(window);
        CHECK(run.Title() == p.title);
        // A first start asks at once; the countdown is stored either way.
        CHECK(run.Answer(kUpdateQuestion, IDNO));
        CHECK(run.WaitForTitle([&](const std::wstring& t) { return t == p.title; }));
        RECT r{};
        GetWindowRect(window, &r);
        if (!p.handheld) {
            CHECK(r.right - r.left == 240);
            CHECK(r.bottom - r.top == 320);
        }
        CHECK(run.Close());
        const std::string saved = install.ReadSettings();
        CHECK(Contains(saved, "upd=\"20\""));
        CHECK(Contains(saved, "floatconverted=\"1\""));
        CHECK(Contains(saved, "<waypoints"));
        CHECK(ListFolder(elsewhere).empty());
    }
}

TEST_CASE("command ids on the command line reach the main window")
{
    for (const PROGRAM& p : ProgramsUnderTest()) {
        CAPTURE(p.name);
        Install install(p, Settings("upd=\"5\""));
        {
            Running run(install.dir.Path(), p, "205");
            REQUIRE(run.WaitForMainWindow());
            CHECK(run.WaitForTitle([](const std::wstring& t) { return t == L"Satellite"; }));
            // A later command goes through the same table.
            CHECK(run.Command(kCommandRaw));
            CHECK(run.WaitForTitle([](const std::wstring& t) { return t == L"Raw"; }));
            CHECK(run.Close());
        }
        CHECK(Contains(install.ReadSettings(), "upd=\"4\""));
        // The exit command ends the program at once; the settings are still
        // saved on the way out.
        Running run(install.dir.Path(), p, std::to_string(kCommandShutdown));
        CHECK(run.Started());
        CHECK(run.WaitForExit());
        CHECK(Contains(install.ReadSettings(), "upd=\"3\""));
    }
}

TEST_CASE("the built-in simulation reaches the window and closing stops it")
{
    for (const PROGRAM& p : ProgramsUnderTest()) {
        CAPTURE(p.name);
        Install install(p, Settings("upd=\"5\" agc=\"1\"", "simu=\"1\""));
        // Timer mode from the command line; auto-connect opens the simulation.
        Running run(install.dir.Path(), p, std::to_string(kCommandTimerSimulation));
        REQUIRE(run.WaitForMainWindow());
        unsigned first = 0, count = 0;
        REQUIRE(run.WaitForTitle([&](const std::wstring& t) { return ParseSimIndex(t, &first, &count); }));
        CHECK(count == 23);
        unsigned later = first;
        CHECK(run.WaitForTitle([&](const std::wstring& t) {
            unsigned n = 0;
            return ParseSimIndex(t, &later, &n) && later != first;
        }));
        // Closing while the reader runs: it is stopped and joined before the
        // window goes, so the process ends cleanly and saves.
        CHECK(run.Close());
        CHECK(Contains(install.ReadSettings(), "upd=\"4\""));
    }
}

TEST_CASE("-log loads a simulation file, and needs the file's name")
{
    for (const PROGRAM& p : ProgramsUnderTest()) {
        if (!p.desktop)
            continue;
        CAPTURE(p.name);
        Install install(p, Settings("upd=\"5\" agc=\"1\"", "simu=\"1\""));
        REQUIRE(WriteText(install.dir.File("trip.nmea"),
                          "$GPRMC,120000.000,A,4916.45,N,12311.12,W,10.0,0.0,230394,,*00\r\n"
                          "$GPRMC,120001.000,A,4916.46,N,12311.13,W,10.0,0.0,230394,,*00\r\n"
                          "\r\n"
                          "$GPRMC,120002.000,A,4916.47,N,12311.14,W,10.0,0.0,230394,,*00\r\n"
                          "$GPRMC,120003.000,A,4916.48,N,12311.15,W,10.0,0.0,230394,,*00\r\n"));
        {
            Running run(install.dir.Path(), p, "-log trip.nmea");
            REQUIRE(run.WaitForMainWindow());
            // "-log" sends command 0, which leaves the start screen alone.
            CHECK(run.Title() == p.title);
            CHECK(run.Command(kCommandTimerSimulation));
            unsigned index = 0, count = 0;
            CHECK(run.WaitForTitle([&](const std::wstring& t) { return ParseSimIndex(t, &index, &count); }));
            CHECK(count == 5);
            CHECK(run.Close());
        }
        // A file that cannot be read is named to the user, and the built-in
        // list plays; without a name nothing is loaded, and nothing said.
        for (const char* arguments : {"-log missing.nmea", "-log"}) {
            CAPTURE(arguments);
            Running run(install.dir.Path(), p, arguments);
            REQUIRE(run.WaitForMainWindow());
            if (std::string(arguments) != "-log") {
                CHECK(run.Answer(L"The file \"missing.nmea\" could not be read. The built-in demonstration runs "
                                 L"instead.",
                                 IDOK));
            }
            CHECK(run.Command(kCommandTimerSimulation));
            unsigned index = 0, count = 0;
            CHECK(run.WaitForTitle([&](const std::wstring& t) { return ParseSimIndex(t, &index, &count); }));
            CHECK(count == 23);
            CHECK(run.Close());
        }
    }
}

TEST_CASE("a second instance brings the first to the front and leaves the files alone")
{
    for (const PROGRAM& p : ProgramsUnderTest()) {
        CAPTURE(p.name);
        Install install(p, Settings("upd=\"5\""));
        Running first(install.dir.Path(), p, std::to_string(kCommandSatellite));
        HWND window = first.WaitForMainWindow();
        REQUIRE(window);
        // The title no longer is the program's: the second copy must still
        // find the first.
        REQUIRE(first.WaitForTitle([](const std::wstring& t) { return t == L"Satellite"; }));
        ShowWindow(window, SW_HIDE);
        REQUIRE(WaitFor([&] { return !IsWindowVisible(window); }, kExitMs));
        const std::string before = install.ReadSettings();
        const auto filesBefore = ListFolder(install.dir.Path());

        Running second(install.dir.Path(), p, std::to_string(kCommandShutdown), true);
        CHECK(second.WaitForExit());
        CHECK(WaitFor([&] { return IsWindowVisible(window) != FALSE; }, kExitMs));
        CHECK(GetForegroundWindow() == window);
        CHECK(install.ReadSettings() == before);
        CHECK(ListFolder(install.dir.Path()) == filesBefore);
        CHECK_FALSE(first.Ended());
        CHECK(first.Close());
        CHECK(Contains(install.ReadSettings(), "upd=\"4\""));
    }
}

TEST_CASE("a recording made in the running program ends in the track file")
{
    constexpr WPARAM kCommandStartRecording = 1202;
    constexpr WPARAM kCommandEndRecording = 1204;
    // Every position of the built-in simulation, as "%f" writes it.
    const std::vector<std::string> simulated = {
        "x=\"0.000000\" y=\"0.000000\"",      "x=\"-45.000000\" y=\"22.500000\"", "x=\"-90.000000\" y=\"45.000000\"",
        "x=\"-135.000000\" y=\"67.500000\"",  "x=\"-180.000000\" y=\"90.000000\"", "x=\"-90.000000\" y=\"90.000000\"",
        "x=\"0.000000\" y=\"90.000000\"",     "x=\"90.000000\" y=\"90.000000\"",   "x=\"180.000000\" y=\"90.000000\"",
        "x=\"180.000000\" y=\"45.000000\"",   "x=\"180.000000\" y=\"0.000000\"",   "x=\"180.000000\" y=\"-45.000000\"",
        "x=\"180.000000\" y=\"-90.000000\"",  "x=\"90.000000\" y=\"-90.000000\"",  "x=\"0.000000\" y=\"-90.000000\"",
        "x=\"-90.000000\" y=\"-90.000000\"",  "x=\"-180.000000\" y=\"-90.000000\"", "x=\"-135.000000\" y=\"-67.500000\"",
        "x=\"-90.000000\" y=\"-45.000000\"",  "x=\"-45.000000\" y=\"-22.500000\""};
    for (const PROGRAM& p : ProgramsUnderTest()) {
        CAPTURE(p.name);
        Install install(p, Settings("upd=\"5\" agc=\"1\"", "simu=\"1\""));
        const std::string trackFile = install.dir.File("pathvextrk.xml");
        auto readTracks = [&] {
            std::string text;
            ReadFile(trackFile, &text);
            return text;
        };
        // Records while the timer simulation steps through a dozen sentences.
        auto record = [](const Running& run) {
            unsigned seen = 0, last = ~0u;
            return WaitFor(
                [&] {
                    unsigned index = 0, count = 0;
                    if (ParseSimIndex(run.Title(), &index, &count) && index != last) {
                        last = index;
                        ++seen;
                    }
                    return seen >= 12;
                },
                kStartMs);
        };
        Running run(install.dir.Path(), p, std::to_string(kCommandTimerSimulation));
        REQUIRE(run.WaitForMainWindow());
        CHECK(run.Command(kCommandStartRecording));
        CHECK(record(run));
        CHECK(run.Command(kCommandEndRecording));
        REQUIRE(WaitFor([&] { return Contains(readTracks(), "</t>"); }, kExitMs));

        // One track of simulated fixes, each with its cell id ("rci" is on by
        // default) and neither speed nor time (both off by default).
        const std::string tracks = readTracks();
        CHECK(Contains(tracks, "<tracks>\r\n\t\t<t n=\"Track 1\">\r\n\t\t\t<p x="));
        size_t points = 0;
        for (size_t at = tracks.find("<p "); at != std::string::npos; at = tracks.find("<p ", at + 1)) {
            const std::string p = tracks.substr(at, tracks.find("/>", at) - at);
            CAPTURE(p);
            bool known = false;
            for (const std::string& s : simulated)
                known = known || p == "<p " + s + " z=\"0.000000\" c=\"0\"";
            CHECK(known);
            ++points;
        }
        CHECK(points >= 1);

        // Closing while recording asks first; Yes writes the second track.
        CHECK(run.Command(kCommandStartRecording));
        CHECK(record(run));
        PostMessageW(run.MainWindow(), WM_CLOSE, 0, 0);
        CHECK(run.Answer(L"Stop Recording/Playback?", IDYES));
        CHECK(run.WaitForExit());
        CHECK(Contains(readTracks(), "<t n=\"Track 2\">\r\n\t\t\t<p x="));
    }
}

TEST_CASE("the running program's simulation editor, digit keys and window sizes")
{
    for (const PROGRAM& p : ProgramsUnderTest()) {
        CAPTURE(p.name);
        Install install(p, Settings("upd=\"5\""));
        Running run(install.dir.Path(), p, "");
        REQUIRE(run.WaitForMainWindow());
        // The editor's template is in every build; it shows the built-in
        // simulation, and its close box ends it.
        CHECK(run.Command(389));
        HWND editor = nullptr;
        // Found only once shown: its text is filled before that.
        CHECK(WaitFor(
            [&] {
                editor = run.FindOwnWindow(L"#32770", L"Simulation data");
                return editor && IsWindowVisible(editor);
            },
            kStartMs));
        if (editor) {
            wchar_t text[64] = {};
            SendMessageW(GetDlgItem(editor, 101), WM_GETTEXT, 64, reinterpret_cast<LPARAM>(text));
            CHECK(std::wstring(text).rfind(L"$GP", 0) == 0);
            PostMessageW(editor, WM_CLOSE, 0, 0);
            CHECK(WaitFor([&] { return !IsWindow(editor); }, kExitMs));
        }
        // '2' has no screen of its own and ends on the Path screen.
        PostMessageW(run.MainWindow(), WM_KEYDOWN, '2', 0);
        CHECK(run.WaitForTitle([](const std::wstring& t) { return t == L"Path"; }));
        if (p.desktop) {
            CHECK(run.Command(805));
            CHECK(WaitFor(
                [&] {
                    RECT client{};
                    GetClientRect(run.MainWindow(), &client);
                    return client.right == 480 && client.bottom == 640;
                },
                kExitMs));
        }
        CHECK(run.Close());
    }
}
