// The measuring screens in the running main window: entered from the menu
// commands, the three "Precision and Axis..." dialogs, points typed into the
// coordinate dialog, and a picture of each screen with its points.
#include "calc_window.h"
#include "timing.h"

#include <algorithm>
#include <array>
#include <random>

namespace {

// What "Precision and Axis..." showed: the axis and precision buttons checked
// when it opened, and how many axis buttons it has.
using Shown = std::array<int, 3>;

// Opens the dialog of the screen shown, checks axis and precision (0: leaves
// them) and presses button; picture: a file to save it in, or null.
Shown Options(const wchar_t* caption, int axis, int precision, int button, const char* picture = nullptr)
{
    Shown shown{};
    Answerer a(caption, [&](HWND d) {
        if (picture)
            DialogPicture(d, picture);
        for (int id = IDC_CALC_AXIS_XY; id <= IDC_CALC_AXIS_YZ; ++id) {
            shown[2] += GetDlgItem(d, id) != nullptr;
            if (IsDlgButtonChecked(d, id) == BST_CHECKED)
                shown[0] = id;
        }
        for (int id = IDC_CALC_PRECISION_LOW; id <= IDC_CALC_PRECISION_HIGH; ++id)
            if (IsDlgButtonChecked(d, id) == BST_CHECKED)
                shown[1] = id;
        if (axis)
            CheckRadioButton(d, IDC_CALC_AXIS_XY, IDC_CALC_AXIS_YZ, axis);
        if (precision)
            CheckRadioButton(d, IDC_CALC_PRECISION_LOW, IDC_CALC_PRECISION_HIGH, precision);
        return button;
    });
    SendMessageW(MainWindow, WM_COMMAND, IDM_CALC_OPTIONS, 0);
    CHECK(a.Answered());
    return shown;
}

}  // namespace

TEST_CASE("the measuring screens: menus, axes and their dialogs")
{
    Window w;
    SUBCASE("221 and 222 set the axis to X-Y, 223 to X-Y-Z; the menu is the calculator's") {
        w.Command(IDM_SCREEN_CALC_3D);
        CHECK(Text(w.window) == L"3D Calc");
        CHECK(CalcAxisMode == kCalcAxisXYZ);
        CHECK(GetMenuState(GetMenu(w.window), IDM_CALC_MEASURE, MF_BYCOMMAND) != static_cast<UINT>(-1));
        w.Command(IDM_SCREEN_CALC_2D);
        CHECK(Text(w.window) == L"2D Calc");
        CHECK(CalcAxisMode == kCalcAxisXY);
        w.Command(IDM_SCREEN_CALC_1D);
        CHECK(Text(w.window) == L"1D Calc");
        CHECK(CalcAxisMode == kCalcAxisXY);
    }
    SUBCASE("each screen opens its own dialog; OK keeps the choice, Cancel does not") {
        w.Command(IDM_SCREEN_CALC_1D);
        CHECK(Options(L"1D Length calculator", IDC_CALC_AXIS_YZ, IDC_CALC_PRECISION_HIGH, IDOK) ==
              Shown{IDC_CALC_AXIS_XY, IDC_CALC_PRECISION_LOW, 3});
        CHECK(CalcAxisMode == kCalcAxisYZ);
        CHECK(CalcPrecision == 2);
        w.Command(IDM_SCREEN_CALC_2D);
        CalcAxisMode = kCalcAxisXZ;
        CHECK(Options(L"2D Area calculator", IDC_CALC_AXIS_XY, IDC_CALC_PRECISION_LOW, IDCANCEL,
                      "calc_dialog_2d.png") == Shown{IDC_CALC_AXIS_XZ, IDC_CALC_PRECISION_HIGH, 3});
        CHECK(CalcAxisMode == kCalcAxisXZ);
        CHECK(CalcPrecision == 2);
        w.Command(IDM_SCREEN_CALC_3D);
        CalcAxisMode = kCalcAxisXY;
        CHECK(Options(L"3D Volume calculator", 0, 0, IDOK, "calc_dialog_3d.png") ==
              Shown{IDC_CALC_AXIS_XY, IDC_CALC_PRECISION_HIGH, 1});
        CHECK(CalcAxisMode == kCalcAxisXYZ);
    }
    SUBCASE("Enter point: the axis' coordinates, all three on the volume screen; bad text") {
        w.Command(IDM_SCREEN_CALC_1D);
        // Text that is no number reads as 0.
        CHECK(w.Enter(L"north", L"x") == L"XY-");
        CalcAxisMode = kCalcAxisXZ;
        CHECK(w.Enter(L"3", nullptr, L"4") == L"X-Z");
        CalcAxisMode = kCalcAxisYZ;
        CHECK(w.Enter(nullptr, L"5", L"6") == L"-YZ");
        w.Command(IDM_SCREEN_CALC_3D);
        CHECK(w.Enter(L"7", L"8", L"9") == L"XYZ");
        // Not finite, or far beyond any coordinate: not taken.
        w.Enter(L"NaN", L"1", L"1");
        w.Enter(L"1e308", L"1", L"1");
        REQUIRE(CalcPoints.size() == 4);
        CHECK(Near(CalcPoints[0], 0, 0, 0));
        CHECK(Near(CalcPoints[1], 3, 0, 4));
        CHECK(Near(CalcPoints[2], 0, 5, 6));
        CHECK(Near(CalcPoints[3], 7, 8, 9));
    }
}

TEST_CASE("the three screens paint their points")
{
    Window w;
    for (const auto& p : {GPS_POSITION{10.0, 50.0, 0, 0}, GPS_POSITION{10.4, 50.1, 0, 0},
                          GPS_POSITION{10.5, 50.5, 0, 0}, GPS_POSITION{10.1, 50.4, 0, 0}})
        CalcPoints.push_back(p);
    FitViewToPoints(nullptr, &CalcPoints);
    int line = 0, area = 0;
    w.Command(IDM_SCREEN_CALC_1D);
    line = w.Picture("calc_21.png");
    w.Command(IDM_SCREEN_CALC_2D);
    area = w.Picture("calc_22.png");
    w.Command(IDM_SCREEN_CALC_3D);
    CHECK(w.Picture("calc_23.png") == area);
    // Three sides drawn as a line; six when every pair is joined.
    CHECK(line > 100);
    CHECK(area > line);

    // Every pair joined would be n^2 / 2 lines: the painter joins a sample
    // of them, so ten times the points take about as long.
    SUBCASE("ten thousand points paint about as fast as a thousand") {
        std::mt19937 random(23);
        std::uniform_real_distribution<double> coordinate(10.0, 10.5);
        const auto paintMs = [&](int n, const char* name) {
            CalcPoints.clear();
            for (int i = 0; i < n; ++i)
                CalcPoints.push_back(GPS_POSITION{coordinate(random), coordinate(random) + 40.0, 0, 0});
            return mapstest::FastestMs(1, [&] { w.Picture(name); });
        };
        const double few = paintMs(1000, "calc_23_some.png");
        const double many = paintMs(10000, "calc_23_many.png");
        CHECK(many < 8 * std::max(few, 1.0));
        CalcPoints.clear();
    }
}
