// "Measure!" in the running main window: points typed into the coordinate
// dialog, taken from the simulated receiver and picked from the waypoint
// list, and the results read from the message boxes.
#include "calc_window.h"

TEST_CASE("measuring in the running window")
{
    Window w;
    w.Command(IDM_SCREEN_CALC_2D);
    CHECK(w.Measure() == L"Need at least 3 points for area calculation!");
    w.Enter(L"0", L"0");
    w.Enter(L"1", L"0");
    w.Enter(L"0", L"1");
    // A fourth point inside the triangle goes again at once.
    w.Enter(L"0.2", L"0.2");
    CHECK(CalcPoints.size() == 3);
    const std::wstring area = w.Measure();
    CHECK(area.rfind(L"Results:\r\n0.500000 degrees^2\r\n", 0) == 0);
    // Great-circle sides of one degree from point 0 at a right angle.
    CHECK(Number(area, L"degrees^2\r\n") == doctest::Approx(0.5 * 111.19492664 * 111.19492664 * 1e6).epsilon(1e-4));
    const std::vector<GPS_POSITION> triangle = CalcPoints;

    // The same points on the length screen are a line.
    w.Command(IDM_SCREEN_CALC_1D);
    const std::wstring km = w.Measure();
    CHECK(km.rfind(L"Result: ", 0) == 0);
    CHECK(km.size() > 3);
    CHECK(km.find(L" Km") == km.size() - 3);
    CHECK(Number(km, L"Result: ") == doctest::Approx(111.1949 + 157.2526).epsilon(1e-4));
    DistanceUnit = 3;
    CHECK(w.Measure() == L"Result: 0.000000 Km");
    DistanceUnit = 0;
    CalcAxisMode = kCalcAxisXZ;
    CHECK(w.Measure() == L"Result: 0.000000 Km");
    CalcAxisMode = kCalcAxisXY;

    // A point from the receiver: asked about without a fix, taken with one.
    w.Command(IDM_CALC_CLEAR);
    CHECK(CalcPoints.empty());
    bool asked = false;
    {
        Answerer a(kProgramTitle, [&](HWND box) {
            asked = testsupport::BoxText(box) == L"Warning: GPS position is not valid!\r\nContinue?";
            return IDNO;
        });
        w.Command(IDM_CALC_POINT_FROM_GPS);
    }
    CHECK(asked);
    CHECK(CalcPoints.empty());
    SimulationList.Replace({"$GPRMC,120000.000,A,0130.000,N,00130.000,E,10.0,0.0,230394,,*00"});
    SimulationMode.store(kSimulationTapping);
    REQUIRE(GpsDevice.Open(true, false));
    SendMessageW(w.window, WM_KEYDOWN, VK_SPACE, 0);
    REQUIRE(testsupport::PumpUntil([] { return GpsDevice.Snapshot().fix == 1; }, 20000));
    w.Command(IDM_CALC_POINT_FROM_GPS);
    GpsDevice.Close();
    REQUIRE(CalcPoints.size() == 1);
    CHECK(Near(CalcPoints[0], 1.5, 1.5, 0));
    CHECK(w.Measure() == L"Need at least 2 points for distance calculation!");

    // A waypoint picked from the list is added, and the view fitted to the
    // points; one picked inside the outline goes again at once.
    w.Command(IDM_SCREEN_CALC_2D);
    CalcPoints = triangle;
    w.PickWaypoint(0.8, 0.9);
    CHECK(CurrentScreen == kScreenCalcArea);
    REQUIRE(CalcPoints.size() == 4);
    CHECK(Near(CalcPoints[3], 0.8, 0.9, 0));
    CHECK(MapViewport.minLongitude < 0.0);
    CHECK(MapViewport.maxLongitude > 1.0);
    CHECK(MapViewport.maxLatitude - MapViewport.minLatitude < 5.0);
    w.PickWaypoint(0.3, 0.3);
    CHECK(CalcPoints.size() == 4);

    // Clear all points empties the list and the drawn path.
    {
        LiveRecordGuard live(&GpsDevice);
        DrawnPath.push_back(GPS_POSITION{1, 1, 0, 0});
    }
    w.Command(IDM_CALC_CLEAR);
    CHECK(CalcPoints.empty());
    LiveRecordGuard live(&GpsDevice);
    CHECK(DrawnPath.empty());
}

