// End-to-end tests of the real executables: each is copied into a fresh
// temporary folder (its settings live beside it) and started there, and the
// test reads and drives its main window from outside, as the user's desktop
// would: window titles, message boxes, posted commands and WM_CLOSE.
//
// PATHVEX_PROGRAM_DIR names the folder of the built executables and
// PATHVEX_PROGRAMS the ones this build tree makes (comma-separated).
#include "program_runner.h"

#include "support/http_server.h"
#include "support/test_support.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <functional>
#include <string>
#include <vector>

using namespace programtest;

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
            REQUIRE(WriteWholeFile(install.dir.File("HTMLVIEW.DLL"), "not a library"));
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
        CHECK(FolderNames(elsewhere).empty());
    }
}

TEST_CASE("a settings file holding a nameless element is kept aside whole, and later starts use defaults")
{
    // Read as an element, "< />" was saved as "</>": at the next start the
    // settings after it had left "cfg" and the file was migrated again.
    const std::string damaged =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\r\n<root>\r\n <waypoints>\r\n"
        "  <w n=\"Home\" x=\"8.500000\" y=\"47.300000\" z=\"400.000000\"/>\r\n </waypoints>\r\n <cfg>\r\n"
        "  < />\r\n  <pathvex floatconverted=\"2\" upd=\"5\"/>\r\n  <gps port=\"COM7\" speed=\"4800\"/>\r\n"
        " </cfg>\r\n</root>\r\n";
    for (const PROGRAM& p : ProgramsUnderTest()) {
        CAPTURE(p.name);
        Install install(p, damaged);
        for (int start = 1; start <= 2; ++start) {
            CAPTURE(start);
            Running run(install.dir.Path(), p, "");
            if (start == 1)
                CHECK(run.Press(L"Pathvex", IDOK));   // told once where the file went
            REQUIRE(run.WaitForMainWindow());
            if (start == 1)
                CHECK(run.Answer(kUpdateQuestion, IDNO));
            CHECK(run.Close());
        }
        std::string kept;
        CHECK(ReadFile(install.dir.File("pathvex.xml.bad"), &kept));
        CHECK(kept == damaged);
        const std::string saved = install.ReadSettings();
        CHECK(Contains(saved, "floatconverted=\"2\""));
        CHECK(Contains(saved, "upd=\"19\""));
        CHECK_FALSE(Contains(saved, "COM7"));
        CHECK(FolderNames(install.dir.Path()) ==
              std::vector<std::string>{p.name + ".exe", "pathvex.xml", "pathvex.xml.bad", "pathvextrk.xml"});
    }
}

TEST_CASE("a start removes the temporary files of saves killed halfway, and only those")
{
    // What a killed save leaves: the start of a document under a name the
    // save makes, written an hour before this start.
    auto leave = [](const std::string& path, const std::string& bytes) {
        REQUIRE(WriteWholeFile(path, bytes));
        HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        REQUIRE(file != INVALID_HANDLE_VALUE);
        FILETIME now{};
        GetSystemTimeAsFileTime(&now);
        ULARGE_INTEGER t{{now.dwLowDateTime, now.dwHighDateTime}};
        t.QuadPart -= 3600ull * 10000000ull;
        const FILETIME hourAgo{t.LowPart, t.HighPart};
        CHECK(SetFileTime(file, nullptr, nullptr, &hourAgo));
        CloseHandle(file);
    };
    const std::string tracks =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\r\n<root>\r\n\t<tracks>\r\n"
        "\t\t<t n=\"Track 1\">\r\n\t\t\t<p x=\"8.500000\" y=\"47.300000\" z=\"400.000000\"/>\r\n\t\t</t>\r\n"
        "\t</tracks>\r\n</root>\r\n";
    for (const PROGRAM& p : ProgramsUnderTest()) {
        CAPTURE(p.name);
        Install install(p, Settings("upd=\"5\""));
        const std::string settings = install.ReadSettings();
        REQUIRE(WriteWholeFile(install.dir.File("pathvextrk.xml"), tracks));
        for (const char* stale : {"pvx1A2B.tmp", "pvxff.tmp", "PVX7.TMP"})
            leave(install.dir.File(stale), tracks.substr(0, 80));
        for (const char* other : {"pvx.tmp", "pvx12345.tmp", "pvxzz.tmp", "pvx1.tmp.bak", "other.tmp", "pvx3c.tmp"})
            leave(install.dir.File(other), "x");
        // A save of another copy still writing: its file is open.
        HANDLE writing = CreateFileA(install.dir.File("pvx3c.tmp").c_str(), GENERIC_WRITE,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        REQUIRE(writing != INVALID_HANDLE_VALUE);

        Running run(install.dir.Path(), p, "");
        REQUIRE(run.WaitForMainWindow());
        CHECK(FolderNames(install.dir.Path()) ==
              std::vector<std::string>{"other.tmp", p.name + ".exe", "pathvex.xml", "pathvextrk.xml", "pvx.tmp",
                                       "pvx1.tmp.bak", "pvx12345.tmp", "pvx3c.tmp", "pvxzz.tmp"});
        CHECK(install.ReadSettings() == settings);
        CHECK(testsupport::FileBytes(install.dir.File("pathvextrk.xml")) == tracks);
        CloseHandle(writing);
        CHECK(run.Close());
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
        REQUIRE(WriteWholeFile(install.dir.File("trip.nmea"),
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
        const auto filesBefore = FolderNames(install.dir.Path());

        Running second(install.dir.Path(), p, std::to_string(kCommandShutdown), true);
        CHECK(second.WaitForExit());
        CHECK(WaitFor([&] { return IsWindowVisible(window) != FALSE; }, kExitMs));
        CHECK(GetForegroundWindow() == window);
        CHECK(install.ReadSettings() == before);
        CHECK(FolderNames(install.dir.Path()) == filesBefore);
        CHECK_FALSE(first.Ended());
        CHECK(first.Close());
        CHECK(Contains(install.ReadSettings(), "upd=\"4\""));
    }
}

TEST_CASE("a recording made in the running program ends in the track file")
{
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
        CHECK(run.Press(L"Record Options", IDOK));
        CHECK(record(run));
        CHECK(run.Command(kCommandEndRecording));
        REQUIRE(WaitFor([&] { return Contains(readTracks(), "</t>"); }, kExitMs));

        // One track of simulated fixes, each with its cell id ("rci" is on by
        // default) and neither speed nor time (both off by default).
        const std::string tracks = readTracks();
        CHECK(Contains(tracks, "<tracks>\r\n\t\t<t n=\"Track 1\">\r\n\t\t\t<p x="));
        const std::vector<std::string> points = TrackPoints(tracks);
        for (const std::string& p : points) {
            CAPTURE(p);
            bool known = false;
            for (const std::string& s : simulated)
                known = known || p == "<p " + s + " z=\"0.000000\" c=\"0\"";
            CHECK(known);
        }
        CHECK(points.size() >= 1);

        // Closing while recording asks first; Yes writes the second track.
        CHECK(run.Command(kCommandStartRecording));
        CHECK(run.Press(L"Record Options", IDOK));
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

// Skipped in the entries above and run by an entry of its own per program
// (tests/app/CMakeLists.txt): each dialog it closes costs seconds here.
TEST_CASE("the measuring tool measures points typed and received in the running program" * doctest::skip())
{
    constexpr WPARAM kCommandLength = 221, kCommandArea = 222, kCommandEnterPoint = 1102,
                     kCommandPointFromGps = 1103, kCommandClear = 1104, kCommandMeasure = 1105;
    for (const PROGRAM& p : ProgramsUnderTest()) {
        CAPTURE(p.name);
        Install install(p, Settings("upd=\"5\" agc=\"1\"", "simu=\"1\""));
        Running run(install.dir.Path(), p, std::to_string(kCommandArea));
        REQUIRE(run.WaitForMainWindow());
        REQUIRE(run.WaitForTitle([](const std::wstring& t) { return t == L"2D Calc"; }));
        // A visible dialog or message box of the program by its caption.
        auto shown = [&](const wchar_t* caption) {
            HWND found = nullptr;
            WaitFor(
                [&] {
                    found = run.FindOwnWindow(L"#32770", caption);
                    return found && IsWindowVisible(found);
                },
                kStartMs);
            return found;
        };
        auto enter = [&](const wchar_t* x, const wchar_t* y) {
            CHECK(run.Command(kCommandEnterPoint));
            HWND d = shown(L"XYZ");
            REQUIRE(d);
            SetDlgItemTextW(d, 101, x);
            SetDlgItemTextW(d, 102, y);
            PostMessageW(d, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            CHECK(WaitFor([&] { return !IsWindow(d); }, kExitMs));
        };
        auto measure = [&] {
            CHECK(run.Command(kCommandMeasure));
            HWND box = shown(p.title.c_str());
            wchar_t text[256] = {};
            if (box) {
                GetDlgItemTextW(box, 0xFFFF, text, 256);
                PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
                CHECK(WaitFor([&] { return !IsWindow(box); }, kExitMs));
            }
            return std::wstring(text);
        };
        enter(L"0", L"0");
        enter(L"1", L"0");
        enter(L"0", L"1");
        CHECK(measure().rfind(L"Results:\r\n0.500000 degrees^2\r\n", 0) == 0);

        // One typed point and one from the running simulation make a line.
        CHECK(run.Command(kCommandClear));
        CHECK(run.Command(kCommandLength));
        REQUIRE(run.WaitForTitle([](const std::wstring& t) { return t == L"1D Calc"; }));
        enter(L"0", L"0");
        CHECK(run.Command(kCommandTimerSimulation));
        // Past the satellite sentences: every position after them is a fix.
        CHECK(run.WaitForTitle([](const std::wstring& t) {
            unsigned index = 0, count = 0;
            return ParseSimIndex(t, &index, &count) && index >= 4;
        }));
        CHECK(run.Command(kCommandPointFromGps));
        const std::wstring length = measure();
        CAPTURE(length);
        double km = -1.0;
        CHECK(std::swscanf(length.c_str(), L"Result: %lf Km", &km) == 1);
        CHECK(km >= 0.0);
        CHECK(km < 20016.0);   // half the earth's circumference
        CHECK(run.Close());
    }
}

TEST_CASE("position reports reach the tracking address once a second, and only with a fix")
{
    for (const PROGRAM& p : ProgramsUnderTest()) {
        CAPTURE(p.name);
        testsupport::HttpServer server;
        REQUIRE(server.Port() != 0);
        // "&" is "&amp;" inside the settings file's attribute.
        const std::string itu = server.Url("/report?lon=%1&amp;lat=%2&amp;alt=%3&amp;again=%1");
        Install install(p, Settings("upd=\"5\" agc=\"1\" eit=\"1\" its=\"1\" itu=\"" + itu + "\"", "simu=\"1\""));
        // The desktop programs load a fix at 0 deg 30' W, then lose it;
        // the handheld ones tap through the built-in list to its first fix.
        std::string arguments;
        std::string expected = "GET /report?lon=0.000000&lat=0.000000&alt=0.000000&again=%1 HTTP/1.1";
        int tapsToFix = 3;   // GSV, GSA, then the first RMC
        if (p.desktop) {
            REQUIRE(WriteWholeFile(install.dir.File("fix.nmea"),
                              "$GPGGA,120000.000,4930.0000,N,00030.0000,W,1,05,1.2,545.0,M,,,,*00\r\n"
                              "$GPGGA,120001.000,4930.0000,N,00030.0000,W,0,00,,,M,,,,*00\r\n"
                              "$GPGGA,120002.000,4930.0000,N,00030.0000,W,0,00,,,M,,,,*00\r\n"));
            arguments = "-log fix.nmea";
            expected = "GET /report?lon=-0.500000&lat=49.500000&alt=545.000000&again=%1 HTTP/1.1";
            tapsToFix = 1;
        }
        Running run(install.dir.Path(), p, arguments);
        REQUIRE(run.WaitForMainWindow());
        auto tap = [&](unsigned index) {
            PostMessageW(run.MainWindow(), WM_KEYDOWN, VK_SPACE, 0);
            unsigned shown = 0, count = 0;
            return run.WaitForTitle(
                [&](const std::wstring& t) { return ParseSimIndex(t, &shown, &count) && shown == index; });
        };
        // Connected, but nothing delivered yet: no fix, no report.
        Sleep(2500);
        CHECK(server.RequestCount() == 0);
        for (int i = 1; i <= tapsToFix; ++i)
            CHECK(tap(static_cast<unsigned>(i)));
        REQUIRE(server.WaitForRequests(4, kStartMs));
        const auto seen = server.Requests();
        for (size_t i = 0; i < seen.size(); ++i) {
            CHECK(seen[i].line == expected);
            if (i > 0)
                CHECK(seen[i].tick - seen[i - 1].tick >= 500);
        }
        if (p.desktop) {
            // The fix is lost: the reports stop, the timer goes on. The tap
            // is taken when the reader wakes, and a report may be on its way:
            // wait for a quiet spell of more than two report periods.
            CHECK(tap(2));
            size_t sent = server.RequestCount();
            ULONGLONG since = GetTickCount64();
            CHECK(WaitFor(
                [&] {
                    if (server.RequestCount() != sent) {
                        sent = server.RequestCount();
                        since = GetTickCount64();
                    }
                    return GetTickCount64() - since >= 2500;
                },
                kStartMs));
        }
        CHECK(run.Close());
    }
}

TEST_CASE("an option dialog of the running program: what OK chose is in pathvex.xml after closing")
{
    constexpr WPARAM kCommandDistanceOptions = 1905;
    for (const PROGRAM& p : ProgramsUnderTest()) {
        CAPTURE(p.name);
        Install install(p, Settings("upd=\"5\""));
        Running run(install.dir.Path(), p, "");
        REQUIRE(run.WaitForMainWindow());
        CHECK(run.Command(kCommandDistanceOptions));
        HWND dialog = nullptr;
        // Filled once shown.
        CHECK(WaitFor(
            [&] {
                dialog = run.FindOwnWindow(L"#32770", L"Distance Options");
                return dialog && IsWindowVisible(dialog);
            },
            kStartMs));
        if (dialog)
            SendDlgItemMessageW(dialog, 101, CB_SETCURSEL, 2, 0);
        CHECK(run.Press(L"Distance Options", IDOK));
        CHECK(WaitFor([&] { return !IsWindow(dialog); }, kExitMs));
        CHECK(run.Close());
        CHECK(Contains(install.ReadSettings(), "dmv=\"2\""));
    }
}
