// The main window with the measuring screens, driven as a user would:
// commands, and the program's dialogs and message boxes answered from a
// second thread. Shared by the measuring tool's window tests.
#pragma once
#include <doctest.h>

#include "app/window_fixture.h"

#include "app/settings_store.h"
#include "gps/simulation.h"
#include "kit/settings.h"
#include "maps/calc.h"
#include "maps/viewport.h"
#include "resources/resource.h"

#include <commctrl.h>

#include <cmath>
#include <cwchar>
#include <string>
#include <vector>

namespace calctest {

using Answerer = testsupport::DialogAnswerer;
using testsupport::Pump;
inline std::wstring Text(HWND window) { return testsupport::WindowText(window); }

struct Window : windowtest::MainWindowFixture {
    // The settings document holds the waypoints that the list offers.
    Window()
    {
        OpenSettingsStore(dir.WPath().c_str());
        CalcPoints.clear();
        CalcPrecision = 0;
        DistanceUnit = 0;
        Open();
    }
    ~Window()
    {
        Close();
        CloseSettingsStore();
        RebuildWaypointList();
        ResetView(nullptr, true);
        SimulationList.LoadDemonstration();
    }
    void Command(int id)
    {
        MainWindowFixture::Command(id);
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
        testsupport::DibCanvas canvas(window);
        CHECK(canvas.SavePng(name));
        return canvas.Count(canvas.Rect(), SchemeColor(ColorRole::OK));
    }
};

// A dialog as it shows, read back from the screen and saved as a PNG for a
// person to look at.
inline void DialogPicture(HWND dialog, const char* name)
{
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    CHECK(testsupport::SaveScreenUnder(dialog, name));
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
