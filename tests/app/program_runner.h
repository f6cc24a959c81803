// The real executables started from a test, as the user's desktop would:
// each copied into a fresh temporary folder (its settings live beside it),
// its main window found, read and driven from outside by window titles,
// message boxes, posted commands and WM_CLOSE.
//
// PATHVEX_PROGRAM_DIR names the folder of the built executables and
// PATHVEX_PROGRAMS the ones this build tree makes (comma-separated).
#pragma once
#include <doctest.h>

#include "support/test_support.h"
#include "support/window_support.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <functional>
#include <string>
#include <vector>

namespace programtest {

using testsupport::Contains;
using testsupport::FolderNames;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WaitFor;
using testsupport::WriteWholeFile;

inline constexpr wchar_t kMainClass[] = L"Pathvex CLASS";
inline constexpr wchar_t kUpdateQuestion[] = L"Check for Pathvex updates now?";
inline constexpr wchar_t kInstanceMutex[] = L"Local\\Pathvex.Instance";
// A cold Wine start of a process takes seconds, and far more when the
// machine is busy with many tests side by side; the waits end as soon as it is up.
inline constexpr DWORD kStartMs = 45000;
inline constexpr DWORD kExitMs = 15000;
inline constexpr DWORD kOtherRunMs = 120000;
inline constexpr WPARAM kCommandConnect = 102;
inline constexpr WPARAM kCommandGps = 201;
inline constexpr WPARAM kCommandSatellite = 205;
inline constexpr WPARAM kCommandTracks = 206;
inline constexpr WPARAM kCommandWaypoints = 207;
inline constexpr WPARAM kCommandBack = 999;
inline constexpr WPARAM kCommandStartRecording = 1202;
inline constexpr WPARAM kCommandEndRecording = 1204;
inline constexpr int kListId = 901;   // the main window's list view
inline constexpr WPARAM kCommandRaw = 299;
inline constexpr WPARAM kCommandShutdown = 199;
inline constexpr WPARAM kCommandTimerSimulation = 379;

struct PROGRAM {
    std::string name;      // "pathvex-x64"
    std::wstring title;    // the main window's title at start
    bool desktop;          // the "-log" form exists
    bool handheld;
};

inline std::string FromUnixPath(const char* p) { return testsupport::WinePath(p ? p : ""); }

inline std::wstring Widen(const std::string& s) { return testsupport::Wide(s); }

inline std::vector<PROGRAM> ProgramsUnderTest()
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

inline std::string ProgramDir()
{
    return testsupport::EnvPath("PATHVEX_PROGRAM_DIR");
}

// A settings document; waypoints holds the waypoints element's lines.
inline std::string Settings(const std::string& pathvexAttributes, const std::string& gpsAttributes = "",
                            const std::string& waypoints = "")
{
    const std::string list =
        waypoints.empty() ? " <waypoints/>\r\n" : " <waypoints>\r\n" + waypoints + " </waypoints>\r\n";
    return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\r\n<root>\r\n" + list +
           " <cfg>\r\n  <pathvex floatconverted=\"2\" " + pathvexAttributes + "/>\r\n"
           "  <gps " + gpsAttributes + "/>\r\n </cfg>\r\n</root>\r\n";
}

// Another run of these tests in the same Wine prefix may have a program
// running: a copy started now would only show that one and end. Wait until
// the instance lock is free (or give up and let the test report it).
inline void WaitForNoRunningProgram()
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
    // Presses button in the dialog with the caption once it shows.
    bool Press(const wchar_t* caption, int button) const
    {
        HWND dialog = nullptr;
        if (!WaitFor([&] { return (dialog = FindOwnWindow(L"#32770", caption)) && IsWindowVisible(dialog); },
                     kStartMs))
            return false;
        return PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0) != 0;
    }
    bool Command(WPARAM id) const { return PostMessageW(MainWindow(), WM_COMMAND, id, 0) != 0; }
    // The command carried out when this returns (one it posts on comes later).
    bool Send(WPARAM id) const
    {
        DWORD_PTR r = 0;
        return SendMessageTimeoutW(MainWindow(), WM_COMMAND, id, 0, SMTO_NORMAL, 10000, &r) != 0;
    }
    DWORD Pid() const { return pid_; }
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
            REQUIRE(WriteWholeFile(SettingsPath(), settings));
    }
    std::string SettingsPath() const { return dir.File("pathvex.xml"); }
    std::string ReadSettings() const { return testsupport::FileBytes(SettingsPath()); }
};

// The track points of a track document, each "<p ..." without its "/>".
inline std::vector<std::string> TrackPoints(const std::string& tracks)
{
    std::vector<std::string> points;
    for (size_t at = tracks.find("<p "); at != std::string::npos; at = tracks.find("<p ", at + 1))
        points.push_back(tracks.substr(at, tracks.find("/>", at) - at));
    return points;
}

// "Sim index: i/n" split into i and n; false for any other title.
inline bool ParseSimIndex(const std::wstring& title, unsigned* index, unsigned* count)
{
    return std::swscanf(title.c_str(), L"Sim index: %u/%u", index, count) == 2;
}

}  // namespace programtest
