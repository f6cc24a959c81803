// The main window with the measuring screens, driven as a user would:
// commands, and the program's dialogs and message boxes answered from a
// second thread. Shared by the measuring tool's window tests.
#pragma once
#include <doctest.h>

#include "support/dib_canvas.h"
#include "support/test_support.h"

#include "app/display.h"
#include "app/settings.h"
#include "app/shell.h"
#include "gps/gps.h"
#include "gps/simulation.h"
#include "maps/calc.h"
#include "maps/viewport.h"
#include "resources/resource.h"
#include "tracks/tracks.h"

#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <cmath>
#include <cwchar>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace calctest {

inline void Pump()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT)
            continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

inline std::wstring Text(HWND window)
{
    wchar_t text[1024] = {};
    GetWindowTextW(window, text, 1024);
    return text;
}

// Waits on its own thread for the first visible dialog of this process with
// the caption, lets answer look at it and set it up, then presses the button
// answer returns. The message boxes' text is their static 0xFFFF.
class Answerer {
public:
    Answerer(const wchar_t* caption, std::function<int(HWND)> answer)
        : caption_(caption), answer_(std::move(answer)), thread_([this] { Run(); }) {}
    ~Answerer()
    {
        stop_ = true;
        thread_.join();
    }
    bool Answered() const { return answered_; }

private:
    void Run()
    {
        const ULONGLONG until = GetTickCount64() + 20000;
        while (!stop_ && GetTickCount64() < until) {
            HWND w = nullptr;
            while ((w = FindWindowExW(nullptr, w, L"#32770", nullptr)) != nullptr) {
                DWORD pid = 0;
                GetWindowThreadProcessId(w, &pid);
                if (pid != GetCurrentProcessId() || !IsWindowVisible(w) || Text(w) != caption_)
                    continue;
                PostMessageW(w, WM_COMMAND, MAKEWPARAM(answer_(w), BN_CLICKED), 0);
                answered_ = true;
                return;
            }
            Sleep(20);
        }
    }
    std::wstring caption_;
    std::function<int(HWND)> answer_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> answered_{false};
    std::thread thread_;
};

struct Window {
    // The settings document holds the waypoints that the list offers.
    testsupport::TempDir dir;
    HWND window = nullptr;
    Window()
    {
        OpenSettingsStore(dir.WPath().c_str());
        ShellSeams = SHELL_SEAMS{};
        InstallSubsystemSeams();
        CalcPoints.clear();
        CalcPrecision = 0;
        DistanceUnit = 0;
        ReaderStopFlag.store(false);
        CreateFontSet();
        InstallGpsHooks();
        window = CreateMainWindow(GetModuleHandleW(nullptr));
        REQUIRE(window);
    }
    ~Window()
    {
        if (IsWindow(window))
            SendMessageW(window, WM_CLOSE, 0, 0);
        Pump();
        GpsDevice.Shutdown();
        ReaderStopFlag.store(false);
        CloseSettingsStore();
        RebuildWaypointList();
        DeleteFontSet();
        ResetView(nullptr, true);
        SimulationList.LoadDemonstration();
    }
    void Command(int id)
    {
        SendMessageW(window, WM_COMMAND, static_cast<WPARAM>(id), 0);
        Pump();
    }
    // "Get point from Waypoint...": a new waypoint at (x, y) is picked from
    // the waypoint list, as the user selects its row and presses "OK".
    void PickWaypoint(double x, double y)
    {
        AddWaypointElement(nullptr, x, y, 0.0, "Picked", true);
        RebuildWaypointList();
        Command(IDM_CALC_POINT_FROM_WPT);
        CHECK(CurrentScreen == kScreenWaypoints);
        CHECK(PickingMode);
        const int last = static_cast<int>(SendMessageW(MainListView, LVM_GETITEMCOUNT, 0, 0)) - 1;
        LVITEMW item{};
        item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        item.state = item.stateMask;
        SendMessageW(MainListView, LVM_SETITEMSTATE, static_cast<WPARAM>(last), reinterpret_cast<LPARAM>(&item));
        Command(IDM_PICK_OK);
    }
    // Types one point into "Enter point..." (null: leaves that edit alone);
    // which of the edits showed, as "XY-".
    std::wstring Enter(const wchar_t* x, const wchar_t* y, const wchar_t* z = nullptr)
    {
        std::wstring shown;
        Answerer a(L"XYZ", [&](HWND d) {
            const int edits[3] = {IDC_XYZ_X, IDC_XYZ_Y, IDC_XYZ_Z};
            const wchar_t* texts[3] = {x, y, z};
            for (int i = 0; i < 3; ++i) {
                shown.push_back(IsWindowVisible(GetDlgItem(d, edits[i])) ? L"XYZ"[i] : L'-');
                if (texts[i])
                    SetDlgItemTextW(d, edits[i], texts[i]);
            }
            return IDOK;
        });
        Command(IDM_CALC_ENTER_POINT);
        CHECK(a.Answered());
        return shown;
    }
    // "Measure!": the message box's text, answered with OK ("" when none).
    std::wstring Measure()
    {
        std::wstring text;
        Answerer a(kProgramTitle, [&](HWND box) {
            text = Text(GetDlgItem(box, 0xFFFF));
            return IDOK;
        });
        Command(IDM_CALC_MEASURE);
        return text;
    }
    // The window's client area as painted, saved as a PNG for a person to
    // look at; the number of pixels in the line colour.
    int Picture(const char* name)
    {
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        RECT client{};
        GetClientRect(window, &client);
        testsupport::DibCanvas canvas(client.right, client.bottom);
        HDC dc = GetDC(window);
        BitBlt(canvas.Dc(), 0, 0, client.right, client.bottom, dc, 0, 0, SRCCOPY);
        ReleaseDC(window, dc);
        CHECK(canvas.SavePng(name));
        return canvas.Count(canvas.Rect(), SchemeColor(ColorRole::OK));
    }
};

// A dialog as it shows, read back from the screen and saved as a PNG for a
// person to look at.
inline void DialogPicture(HWND dialog, const char* name)
{
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    RECT r{};
    GetWindowRect(dialog, &r);
    testsupport::DibCanvas canvas(r.right - r.left, r.bottom - r.top);
    HDC screen = GetDC(nullptr);
    BitBlt(canvas.Dc(), 0, 0, r.right - r.left, r.bottom - r.top, screen, r.left, r.top, SRCCOPY);
    ReleaseDC(nullptr, screen);
    CHECK(canvas.SavePng(name));
}

inline bool Near(const GPS_POSITION& p, double x, double y, double z)
{
    return std::fabs(p.x - x) < 1e-9 && std::fabs(p.y - y) < 1e-9 && std::fabs(p.z - z) < 1e-9;
}

inline double Number(const std::wstring& text, const wchar_t* after)
{
    const size_t at = text.find(after);
    return at == std::wstring::npos ? -1.0 : std::wcstod(text.c_str() + at + std::wcslen(after), nullptr);
}

}  // namespace calctest

using namespace calctest;
