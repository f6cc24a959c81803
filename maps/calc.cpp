// The measuring tool's screens: the point list, the commands of menu 91,
// "Measure!", the painting and the "Precision and Axis..." dialogs.
#include "maps/calc.h"

#include "gps/gps.h"
#include "gps/live_track.h"
#include "kit/dialogs.h"
#include "kit/display.h"
#include "kit/screen_state.h"
#include "maps/painter.h"
#include "maps/viewport.h"
#include "resources/resource.h"
#if defined(PATHVEX_HANDHELD)
#include "platform/handheld/handheld.h"
#endif

#include <cmath>
#include <cstdio>
#include <iterator>

std::vector<GPS_POSITION> CalcPoints;
int CalcAxisMode = kCalcAxisXY;
int CalcPrecision = 0;

namespace {

constexpr wchar_t kNeedTwoPoints[] = L"Need at least 2 points for distance calculation!";
constexpr wchar_t kNeedThreePoints[] = L"Need at least 3 points for area calculation!";
constexpr wchar_t kLengthKm[] = L"Result: %f Km";
constexpr wchar_t kLengthMiles[] = L"Result: %f mi";
constexpr wchar_t kLengthNauticalMiles[] = L"Result: %f Nmi";
constexpr wchar_t kAreaResults[] = L"Results:\r\n%f degrees^2\r\n%f m^2";
constexpr wchar_t kInvalidFixQuestion[] = L"Warning: GPS position is not valid!\r\nContinue?";

// "%f" of the largest sum that finite points can give still fits.
constexpr size_t kResultTextSize = 1000;

bool OnAreaScreen()
{
    return CurrentScreen == kScreenCalcArea;
}

// The dialog's mode: 1 length, 2 area, 3 volume (and any other screen).
int ScreenMode(int screen)
{
    switch (screen) {
    case kScreenCalcLength: return 1;
    case kScreenCalcArea: return 2;
    default: return 3;
    }
}

bool Acceptable(double v, double limit)
{
    return std::isfinite(v) && std::fabs(v) <= limit;
}

// The coordinates outside the axis setting are 0; the volume screen keeps
// all three.
GPS_POSITION OnAxes(GPS_POSITION p)
{
    if (CurrentScreen == kScreenCalcVolume)
        return p;
    switch (CalcAxisMode) {
    case kCalcAxisXZ:
        p.y = 0.0;
        break;
    case kCalcAxisYZ:
        p.x = 0.0;
        break;
    default:
        p.z = 0.0;
        break;
    }
    return p;
}

void ShowLength(HWND window)
{
    const wchar_t* format = kLengthKm;
    if (DistanceUnit == 1)
        format = kLengthMiles;
    else if (DistanceUnit == 2)
        format = kLengthNauticalMiles;
    wchar_t text[kResultTextSize];
    std::swprintf(text, std::size(text), format, CalcLineLength(CalcPoints, DistanceUnit, CalcAxisMode));
    ProgramMessageBox(window, text, MB_OK);
}

void ShowArea(HWND window)
{
    const CALC_AREA area = CalcOutlineArea(CalcPoints, CalcAxisMode);
    wchar_t text[kResultTextSize];
    std::swprintf(text, std::size(text), kAreaResults, area.squareDegrees, area.squareMetres);
    ProgramMessageBox(window, text, MB_OK);
}

void CmdOptions(HWND window)
{
    if (ShowCalcOptionsDialog(window, ScreenMode(CurrentScreen)) == 1)
        RefreshWindow(window);
}

void CmdEnterPoint(HWND window)
{
    double x = 0.0, y = 0.0, z = 0.0;
    bool shown = false;
    if (CurrentScreen == kScreenCalcVolume) {
        shown = ShowXyzDialog(window, &x, &y, &z);
    } else {
        switch (CalcAxisMode) {
        case kCalcAxisXZ:
            shown = ShowXyzDialog(window, &x, nullptr, &z);
            break;
        case kCalcAxisYZ:
            shown = ShowXyzDialog(window, nullptr, &y, &z);
            break;
        default:
            shown = ShowXyzDialog(window, &x, &y, nullptr);
            break;
        }
    }
    if (!shown)
        return;
    AddCalcPoint(GPS_POSITION{x, y, z, 0});
    RefreshWindow(window);
}

void CmdPointFromGps(HWND window)
{
    const GPS_CURRENT live = GpsDevice.Snapshot();
    if (live.fix != 1 && !AskYesNo(window, kInvalidFixQuestion, true))
        return;
    AddCalcPoint(OnAxes(live.pos));
    RefreshWindow(window);
}

void CmdClear(HWND window)
{
    CalcPoints.clear();
    {
        LiveRecordGuard live(&GpsDevice);
        DrawnPath.clear();
    }
    RefreshWindow(window);
}

void CmdPointFromWaypoint(HWND window)
{
    SendMessageW(window, WM_COMMAND, IDM_SCREEN_WAYPOINTS, kPickMarker);
}

struct CALC_COMMAND {
    WORD id;
    void (*run)(HWND);
};

constexpr CALC_COMMAND kCalcCommands[] = {
    {IDM_CALC_OPTIONS, CmdOptions},
    {IDM_CALC_ENTER_POINT, CmdEnterPoint},
    {IDM_CALC_POINT_FROM_GPS, CmdPointFromGps},
    {IDM_CALC_CLEAR, CmdClear},
    {IDM_CALC_MEASURE, CalcMeasure},
    {IDM_CALC_POINT_FROM_WPT, CmdPointFromWaypoint},
};

constexpr int kPrecisionButtons[] = {IDC_CALC_PRECISION_LOW, IDC_CALC_PRECISION_MEDIUM, IDC_CALC_PRECISION_HIGH};

int AxisButton(int mode)
{
    switch (mode) {
    case kCalcAxisYZ: return IDC_CALC_AXIS_YZ;
    case kCalcAxisXZ: return IDC_CALC_AXIS_XZ;
    default: return IDC_CALC_AXIS_XY;
    }
}

void FillOptions(HWND dialog, int mode)
{
    const int precision = CalcPrecision >= 0 && CalcPrecision < 3 ? CalcPrecision : 0;
    CheckRadioButton(dialog, IDC_CALC_PRECISION_LOW, IDC_CALC_PRECISION_HIGH, kPrecisionButtons[precision]);
    if (mode == 1 || mode == 2)
        CheckRadioButton(dialog, IDC_CALC_AXIS_XY, IDC_CALC_AXIS_YZ, AxisButton(CalcAxisMode));
    else
        CheckDlgButton(dialog, IDC_CALC_AXIS_XY, BST_CHECKED);
}

void ApplyOptions(HWND dialog, int mode)
{
    for (int i = 0; i < 3; ++i)
        if (IsDlgButtonChecked(dialog, kPrecisionButtons[i]) == BST_CHECKED)
            CalcPrecision = i;
    if (mode != 1 && mode != 2) {
        CalcAxisMode = kCalcAxisXYZ;
        return;
    }
    CalcAxisMode = kCalcAxisXY;
    if (IsDlgButtonChecked(dialog, IDC_CALC_AXIS_XZ) == BST_CHECKED)
        CalcAxisMode = kCalcAxisXZ;
    else if (IsDlgButtonChecked(dialog, IDC_CALC_AXIS_YZ) == BST_CHECKED)
        CalcAxisMode = kCalcAxisYZ;
}

}  // namespace

void SetCalcAxisMode(int mode)
{
    CalcAxisMode = mode;
}

LRESULT CalcCommand(HWND window, WPARAM wParam)
{
    for (const CALC_COMMAND& c : kCalcCommands)
        if (c.id == LOWORD(wParam)) {
            c.run(window);
            break;
        }
    return 0;
}

void CalcMeasure(HWND window)
{
    switch (CurrentScreen) {
    case kScreenCalcLength:
        if (CalcPoints.size() < 2)
            ProgramMessageBox(window, kNeedTwoPoints, MB_OK);
        else
            ShowLength(window);
        break;
    case kScreenCalcArea:
        if (CalcPoints.size() < 3)
            ProgramMessageBox(window, kNeedThreePoints, MB_OK);
        else
            ShowArea(window);
        break;
    default:
        break;   // points in space: nothing is measured
    }
}

void DrawCalcView(HWND window, HDC dc)
{
    int type = kSeriesLine;
    if (CurrentScreen == kScreenCalcArea)
        type = kSeriesArea;
    else if (CurrentScreen == kScreenCalcVolume)
        type = kSeriesVolume;
    DrawMapView(window, dc, &CalcPoints, type, nullptr, nullptr);
}

bool AddCalcPoint(const GPS_POSITION& point)
{
    if (!Acceptable(point.x, kCalcCoordinateLimit) || !Acceptable(point.y, kCalcCoordinateLimit) ||
        !std::isfinite(point.z))
        return false;
    if (OnAreaScreen())
        AppendOutlinePoint(&CalcPoints, point);
    else
        CalcPoints.push_back(point);
    return true;
}

void FinishCalcPick(HWND window, int screen, const GPS_POSITION& picked)
{
    if (screen < kScreenCalcLength || screen > kScreenCalcVolume)
        return;
    AddCalcPoint(picked);
    FitViewToPoints(window, &CalcPoints);
}

INT_PTR ShowCalcOptionsDialog(HWND owner, int mode)
{
    const wchar_t* name = L"DIALOG_CALC3";
    if (mode == 1)
        name = L"DIALOG_CALC1";
    else if (mode == 2)
        name = L"DIALOG_CALC2";
    return DialogBoxParamW(GetModuleHandleW(nullptr), name, owner, CalcOptionsDlgProc, mode);
}

INT_PTR CALLBACK CalcOptionsDlgProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_INITDIALOG:
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
#if defined(PATHVEX_HANDHELD)
        InitHandheldDialog(dialog);
#endif
        FillOptions(dialog, static_cast<int>(lParam));
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            ApplyOptions(dialog, static_cast<int>(GetWindowLongPtrW(dialog, DWLP_USER)));
            EndDialog(dialog, 1);
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, 0);
            return TRUE;
        }
        break;
    default:
        break;
    }
    return FALSE;
}
