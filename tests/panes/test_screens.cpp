// The satellite, compass, sun, moon and statistics screens: pixels at the
// places their geometry gives, garbled receiver values, GDI objects balanced
// around every paint, the trip figures and their hand-over between threads.
// PNGs of the screens are left in the test's working folder to look at.
#include <doctest.h>

#include "gps/gps.h"
#include "kit/draw.h"
#include "kit/screen_state.h"
#include "pane_test_util.h"
#include "support/dib_canvas.h"
#include "support/gdi_count.h"
#include "support/window_support.h"

#include <commctrl.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

using namespace panetest;
using testsupport::DibCanvas;
using testsupport::GdiObjectCount;

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr double kPi = 3.14159265358979323846;

COLORREF Role(ColorRole role) { return SchemeColor(role); }

// Fresh globals, the fonts, a record of our own to draw, and a valid live
// fix, which the text colour reads.
struct ScreenFixture {
    GPS_CURRENT gps{};

    ScreenFixture()
    {
        static const bool fonts = (CreateFontSet(), true);
        (void)fonts;
        ResetPaneGlobals();
        LiveRecordGuard(&GpsDevice)->fix = 1;
        std::memset(&gps, 0, sizeof gps);
        gps.fix = 1;
    }
    ~ScreenFixture()
    {
        ResetPaneGlobals();
        LiveRecordGuard(&GpsDevice)->fix = 0;
    }
    void See(int i, float elevation, float azimuth, float snr, bool used = true)
    {
        gps.sats[i] = {1, static_cast<uint8_t>(used), i, elevation, azimuth, snr};
    }
};

DibCanvas& Erased(DibCanvas& c)
{
    c.Fill(Role(ColorRole::Bk));
    return c;
}

// The letter drawn alone into box (moved by up to a pixel: turned boxes
// come out of float arithmetic) gives the same Info pixels in region.
bool ShowsLetter(const DibCanvas& c, const wchar_t* letter, const RECT& box, const RECT& region)
{
    auto pattern = [&](const DibCanvas& from) {
        std::vector<bool> p;
        for (int y = region.top; y < region.bottom; ++y)
            for (int x = region.left; x < region.right; ++x)
                p.push_back(from.Pixel(x, y) == Role(ColorRole::Info));
        return p;
    };
    for (int d = 0; d < 9; ++d) {
        DibCanvas ref(c.Width(), c.Height());
        SetBkMode(Erased(ref).Dc(), TRANSPARENT);
        SetTextColor(ref.Dc(), Role(ColorRole::Info));
        const HGDIOBJ old = SelectObject(ref.Dc(), FontSet.Bold);
        RECT moved = {box.left + d % 3 - 1, box.top + d / 3 - 1, box.right + d % 3 - 1, box.bottom + d / 3 - 1};
        DrawTextW(ref.Dc(), letter, 1, &moved, DT_CENTER);
        SelectObject(ref.Dc(), old);
        if (pattern(ref) == pattern(c))
            return true;
    }
    return false;
}

// The pixel r pixels from (x, y) in the direction a radians clockwise from
// straight up.
COLORREF PixelAlong(const DibCanvas& c, int x, int y, double r, double a)
{
    const long px = std::lround(x + r * std::sin(a));
    const long py = std::lround(y - r * std::cos(a));
    return c.Pixel(static_cast<int>(px), static_cast<int>(py));
}

// text drawn alone in the bold font in Info at the top left of box gives
// the same pixels in box: the screen wrote exactly that text there.
bool ShowsText(const DibCanvas& c, const wchar_t* text, RECT box)
{
    DibCanvas ref(c.Width(), c.Height());
    SetBkMode(Erased(ref).Dc(), TRANSPARENT);
    SetTextColor(ref.Dc(), Role(ColorRole::Info));
    const HGDIOBJ old = SelectObject(ref.Dc(), FontSet.Bold);
    RECT where = box;
    DrawTextW(ref.Dc(), text, -1, &where, 0);
    SelectObject(ref.Dc(), old);
    for (int y = box.top; y < box.bottom; ++y)
        for (int x = box.left; x < box.right; ++x)
            if (c.Pixel(x, y) != ref.Pixel(x, y))
                return false;
    return true;
}

}  // namespace

TEST_CASE("the satellite screen's bars and sky plot")
{
    ScreenFixture f;
    DibCanvas c(240, 300);
    REQUIRE(c.Valid());
    Erased(c);
    const int H = 300;

    SUBCASE("twelve satellites on 240 pixels: 20-pixel bars, SNR 100 is 50 high, SNR 0 still labelled") {
        CHECK(SatelliteBarWidth(240, 12) == 20);
        CHECK(SatelliteBarWidth(240, 0) == 0);
        for (int i = 1; i <= 12; ++i)
            f.See(i, 45, 30.0f * i, i == 12 ? 0.0f : 100.0f, i % 2 == 0);
        DrawSatelliteScreen(c.Dc(), c.Rect(), f.gps, kGpsInputNmea);
        c.SavePng("satellites_12.png");
        for (int k = 0; k < 11; ++k) {
            CAPTURE(k);
            const COLORREF fill = Role(k % 2 == 1 ? ColorRole::OK : ColorRole::LtGray);
            CHECK(c.Pixel(20 * k + 10, H - 30) == fill);   // above the label
            CHECK(c.Pixel(20 * k + 10, H - 46) == fill);
            CHECK(c.Pixel(20 * k + 10, H - 53) != fill);
        }
        // The last bar has no height, but its PRN "12" is drawn in its slot.
        CHECK(c.Count({220, H - 15, 240, H}, Role(ColorRole::Err)) > 5);
        CHECK(c.Pixel(230, H - 30) == Role(ColorRole::Bk));
    }
    SUBCASE("elevation 0 at the centre, 90 on the outer circle, azimuth 90 to the right") {
        const RECT sq = SkyPlotSquare(240, 300);
        CHECK(SameRect(sq, {0, 30, 240, 270}));
        POINT p{};
        REQUIRE(SkyPlotPoint(sq, 0, 123, &p));
        CHECK((p.x == 120 && p.y == 150));
        REQUIRE(SkyPlotPoint(sq, 90, 90, &p));
        CHECK((std::abs(p.x - 240) <= 1 && std::abs(p.y - 150) <= 1));

        f.See(7, 60, 90, 40, true);
        DrawSatelliteScreen(c.Dc(), c.Rect(), f.gps, kGpsInputNmea);
        CHECK(c.Pixel(120 + 80 - 6, 147) == Role(ColorRole::OK));   // the dot, right of the centre
        CHECK(c.Pixel(120 - 80 + 6, 147) == Role(ColorRole::Bk));
    }
    SUBCASE("garbled values: no undefined conversion, every dot somewhere sensible or nowhere") {
        const RECT sq = SkyPlotSquare(240, 300);
        POINT p{}, q{};
        CHECK_FALSE(SkyPlotPoint(sq, 2e13f, 10, &p));
        CHECK_FALSE(SkyPlotPoint(sq, kNaN, 10, &p));
        CHECK_FALSE(SkyPlotPoint(sq, 10, kNaN, &p));
        REQUIRE(SkyPlotPoint(sq, 30, 426, &p));
        REQUIRE(SkyPlotPoint(sq, 30, 66, &q));
        CHECK((p.x == q.x && p.y == q.y));
        CHECK(SatelliteBarHeight(-40) == 0);
        CHECK(SatelliteBarHeight(kNaN) == 0);
        CHECK(SatelliteBarHeight(1e30f) == 50);

        // All 45 entries in view with hostile values; only the first 35 show.
        for (int i = 0; i < kGpsSatelliteCount; ++i)
            f.gps.sats[i] = {1, static_cast<uint8_t>(i % 2), -i * 100000,
                             i % 3 ? 2e13f : kNaN, i % 4 ? 426.0f : -1e30f, i % 5 ? -7.0f : 1e38f};
        f.gps.satsInView = 1000000;
        DrawSatelliteScreen(c.Dc(), c.Rect(), f.gps, kGpsInputNmea);
        DrawSatelliteScreen(c.Dc(), c.Rect(), f.gps, kGpsInputDriver);
        f.gps.satsInView = -5;
        DrawSatelliteScreen(c.Dc(), c.Rect(), f.gps, kGpsInputDriver);
        c.SavePng("satellites_garbled.png");
        // 35 bars of 6 pixels: the 36th entry draws no bar beyond x = 210.
        CHECK(c.Count({211, H - 50, 240, H - 16}, Role(ColorRole::OK)) == 0);
    }
    SUBCASE("no satellite in view: the plot frame only") {
        DrawSatelliteScreen(c.Dc(), c.Rect(), f.gps, kGpsInputNmea);
        CHECK(c.Count({0, H - 49, 240, H}, Role(ColorRole::OK)) == 0);
        CHECK(c.Pixel(0, 150) == Role(ColorRole::Gray));   // the outer circle's left edge
        c.SavePng("satellites_none.png");
    }
}

TEST_CASE("the compass screen's two roses")
{
    ScreenFixture f;

    SUBCASE("320 x 240 is laid out side by side, roses of 160 x 160") {
        const COMPASS_LAYOUT wide = LayoutCompassScreen(320, 240);
        CHECK(SameRect(wide.trueRose, {0, 0, 160, 160}));
        CHECK(SameRect(wide.magneticRose, {160, 0, 320, 160}));
    }
    SUBCASE("the magnetic rose turns by the magnetic heading, course less an easterly variation") {
        CHECK(CompassRoseTurns(100, 10).magneticRose == -90.0f);   // magnetic heading 90
        CHECK(CompassRoseTurns(0, -15).magneticRose == -15.0f);    // magnetic heading 15
        const ROSE_TURNS garbled = CompassRoseTurns(1e300, std::nan(""));
        CHECK(std::fabs(garbled.trueRose) < 360.0f);
        CHECK(garbled.magneticRose == garbled.trueRose);
    }

    DibCanvas c(320, 240);
    REQUIRE(c.Valid());
    Erased(c);
    const COLORREF info = Role(ColorRole::Info);
    const COLORREF bk = Role(ColorRole::Bk);

    SUBCASE("course 90: the true rose's needle and \"N\" point to the left") {
        f.gps.course = 90;
        DrawCompassScreen(c.Dc(), c.Rect(), f.gps);
        c.SavePng("compass_course90.png");
        CHECK(c.Pixel(40, 80) == info);    // toward the tip
        CHECK(c.Pixel(110, 80) == bk);     // the needle's notch behind the centre
        // The letter box (72, 6)-(88, 22) turned a quarter left about (80, 80).
        // Regions clear of the rings and ticks at the rim.
        CHECK(ShowsLetter(c, L"N", {6, 72, 22, 88}, {8, 70, 24, 90}));
        CHECK(ShowsLetter(c, L"S", {138, 72, 154, 88}, {136, 74, 151, 90}));
        // No variation: both roses alike, pixel for pixel.
        int differ = 0;
        for (int y = 0; y < 160; ++y)
            for (int x = 0; x < 160; ++x)
                differ += c.Pixel(x, y) != c.Pixel(x + 160, y);
        CHECK(differ == 0);
    }
    SUBCASE("an easterly variation turns the magnetic needle to the right of true north") {
        f.gps.course = 0;
        f.gps.magVar = 30;   // magnetic north 30 degrees east of true: heading 330
        DrawCompassScreen(c.Dc(), c.Rect(), f.gps);
        c.SavePng("compass_variation30e.png");
        // Heading up at 330, the magnetic needle (north) points 30 degrees
        // right: 40 pixels out from (240, 80) that is (+20, -34.6).
        CHECK(c.Pixel(260, 46) == info);
        CHECK(c.Pixel(220, 46) == bk);
        CHECK(c.Pixel(80, 40) == info);   // the true rose points straight up
    }
}

TEST_CASE("the moon's disc")
{
    ScreenFixture f;

    SUBCASE("the disc's dark ellipse by percentage and direction") {
        MOON_DISC m = LayoutMoonDisc(240, 300, 50, 60);
        CHECK(SameRect(m.disc, {60, 60, 180, 180}));
        CHECK(SameRect(m.dark, {120, 60, 180, 180}));
        m = LayoutMoonDisc(240, 300, 0, 1);   // new, waxing: all dark
        CHECK(SameRect(m.dark, m.disc));
        m = LayoutMoonDisc(240, 300, 100, 100);   // full; equal counts as waning
        CHECK(m.dark.right == m.dark.left);
        m = LayoutMoonDisc(240, 300, 25, 20);   // waning: dark from the left
        CHECK(SameRect(m.dark, {60, 60, 150, 180}));
        m = LayoutMoonDisc(240, 200, 50, 60);   // short: moved down clear of the text
        CHECK(SameRect(m.disc, {70, 40, 170, 140}));
        m = LayoutMoonDisc(240, 300, kNaN, 500);
        CHECK(SameRect(m.dark, m.disc));
    }

    // The moon of 18 January 2024, a day after first quarter: waxing, over half lit.
    SetLocalClock([](SYSTEMTIME* now) { *now = SYSTEMTIME{2024, 1, 4, 18, 12, 0, 0, 0}; });
    SUBCASE("the moon screen lights the disc left of the dark ellipse") {
        DibCanvas c(240, 300);
        REQUIRE(c.Valid());
        Erased(c);
        MoonPhase today{}, tomorrow{};
        ComputeMoonPhase(&today, 0);
        ComputeMoonPhase(&tomorrow, 1);
        REQUIRE(tomorrow.percent > today.percent);
        const MOON_DISC m = LayoutMoonDisc(240, 300, today.percent, tomorrow.percent);
        DrawMoonScreen(c.Dc(), c.Rect(), f.gps);
        c.SavePng("moon.png");
        const int cy = (m.disc.top + m.disc.bottom) / 2;
        CHECK(c.Pixel((m.disc.left + m.dark.left) / 2, cy) == Role(ColorRole::OK));
        CHECK(c.Pixel((m.dark.left + m.dark.right) / 2, cy) == Role(ColorRole::Bk));
    }
    SetLocalClock(nullptr);
}

// 20 June 2024 at Greenwich, heading north-east. The screens count whole
// days: the sun and moon of 12:00 UT that day. The sun is then 89.650
// degrees along the ecliptic (solstice, 90 degrees, at 20:51 UT; 0.953
// degrees a day), the moon 250.55 degrees, or 109.45 west, 1.5 days before
// the full moon of 22 June 01:08 UT, 97.7 percent lit (USNO).
TEST_CASE("the sun and moon screens of a known day: the texts written and the sun's needle")
{
    ScreenFixture f;
    SetLocalClock([](SYSTEMTIME* now) { *now = SYSTEMTIME{2024, 6, 4, 20, 12, 0, 0, 0}; });
    NmeaMessage msg{};
    REQUIRE(GpsDevice.ParseNmea("$GPRMC,120000.000,A,5128.6740,N,00000.0900,W,10.0,45.0,200624,,*00", &msg, true));
    const HWND window = CreateWindowExW(0, L"STATIC", L"screens", WS_POPUP, 0, 0, 240, 320, nullptr, nullptr,
                                        GetModuleHandleW(nullptr), nullptr);
    REQUIRE(window);
    DibCanvas sun(240, 320), moon(240, 320);
    PaintSunPane(window, Erased(sun).Dc());
    PaintMoonPane(window, Erased(moon).Dc());
    DestroyWindow(window);
    sun.SavePng("sun_20240620.png");
    moon.SavePng("moon_20240620.png");

    CHECK(ShowsText(sun, L"Position: 89 38' 59.506''E", {2, 2, 240, 20}));
    CHECK(ShowsText(moon, L"Position: 109 26' 59.823''W", {2, 2, 240, 20}));
    CHECK(ShowsText(moon, L"Phase: Waxing and Gibbus [97.75%]", {2, 20, 240, 38}));

    // The left dial's needle points along the longitude, clockwise from up:
    // almost due east. The right dial's arrow points 45 degrees less, the
    // course's: north-east.
    const double east = 89.650 * kPi / 180;
    CHECK(PixelAlong(sun, 60, 260, 30, east) == Role(ColorRole::Info));
    CHECK(PixelAlong(sun, 60, 260, 30, 0.0) == Role(ColorRole::Bk));
    CHECK(PixelAlong(sun, 60, 260, 30, -east) == Role(ColorRole::Bk));
    const double northEast = (89.650 - 45.0) * kPi / 180;
    CHECK(PixelAlong(sun, 180, 260, 30, northEast) == Role(ColorRole::OK));
    CHECK(PixelAlong(sun, 180, 260, 30, northEast + kPi / 2) == Role(ColorRole::Bk));
    SetLocalClock(nullptr);
    *LiveRecordGuard(&GpsDevice).get() = GPS_CURRENT{};
}

TEST_CASE("every screen leaves the GDI objects and the DC as it found them, whatever the record holds")
{
    ScreenFixture f;
    DibCanvas c(240, 320);
    REQUIRE(c.Valid());
    const auto paintAll = [&] {
        DrawSatelliteScreen(c.Dc(), c.Rect(), f.gps, kGpsInputNmea);
        DrawCompassScreen(c.Dc(), c.Rect(), f.gps);
        DrawSunScreen(c.Dc(), c.Rect(), f.gps);
        DrawMoonScreen(c.Dc(), c.Rect(), f.gps);
    };
    for (int32_t state : {kRecorderIdle, kRecorderRecording, kRecorderPaused, kRecorderFollowing}) {
        RecorderState = state;   // each state's icon loads once and stays
        paintAll();
    }
    const HGDIOBJ pen = GetCurrentObject(c.Dc(), OBJ_PEN);
    const HGDIOBJ brush = GetCurrentObject(c.Dc(), OBJ_BRUSH);
    const HGDIOBJ font = GetCurrentObject(c.Dc(), OBJ_FONT);
    const unsigned count = GdiObjectCount();
    REQUIRE(count > 0);

    for (int i = 0; i < kGpsSatelliteCount; ++i)
        f.See(i, i % 2 ? kNaN : 89.0f, 1e38f, i * 3.0f, i % 3 == 0);
    f.gps.course = 1e300;
    f.gps.magVar = -std::numeric_limits<double>::infinity();
    for (int scheme : {0, 1, 2}) {
        ColorScheme = scheme;
        SolidCompass = scheme != 1;
        RecorderState = scheme == 2 ? kRecorderFollowing : kRecorderIdle;
        paintAll();
    }
    f.gps.course = std::nan("");
    paintAll();
    CHECK(GdiObjectCount() == count);
    CHECK(GetCurrentObject(c.Dc(), OBJ_PEN) == pen);
    CHECK(GetCurrentObject(c.Dc(), OBJ_BRUSH) == brush);
    CHECK(GetCurrentObject(c.Dc(), OBJ_FONT) == font);
}

TEST_CASE("the Paint and Redraw forms read the live record through the window")
{
    ScreenFixture f;
    const HWND window = CreateWindowExW(0, L"STATIC", L"screens", WS_POPUP, 0, 0, 240, 320, nullptr,
                                        nullptr, GetModuleHandleW(nullptr), nullptr);
    REQUIRE_MESSAGE(window != nullptr, "no window could be made (no display?)");
    LiveRecordGuard(&GpsDevice).get()->course = 33;
    // The window's DC comes from the system's cache, made on first use.
    RedrawSatellitePane(window);
    SatellitesChanged = true;
    const unsigned count = GdiObjectCount();
    RedrawSatellitePane(window);
    CHECK_FALSE(SatellitesChanged.load());
    RedrawCompassPane(window);
    RedrawSunPane(window);
    RedrawMoonPane(window);
    CHECK(LastPaintedRecord.course == 33);
    CHECK(GdiObjectCount() == count);
    DestroyWindow(window);
    LiveRecordGuard(&GpsDevice).get()->course = 0;
}

TEST_CASE("the statistics rows")
{
    TRIP_STATISTICS s{};
    wchar_t text[kPaneTextSize];
    auto row = [&](int r, int speedUnit = 0, int distanceUnit = 0) {
        FormatStatisticsValue(text, kPaneTextSize, r, s, speedUnit, distanceUnit);
        return std::wstring(text);
    };
    CHECK(std::wstring(StatisticsLabel(14)).empty());

    SUBCASE("times move in steps of five seconds") {
        s.upTimeSeconds = 55;
        CHECK(row(0) == L"00:00:55");
        s.upTimeSeconds = 60;
        CHECK(row(0) == L"00:01:00");
        s.trackTimeSeconds = 1ull << 40;   // beyond 32 bits: held, not wrapped
        CHECK(row(2) == L"1193046:28:15");
    }
    SUBCASE("the maxima and distances are kept in km/h and km and shown in the unit of the moment") {
        s.maxSpeedKmh = 100;
        CHECK(row(3) == L"100.00 Km/H");
        CHECK(row(3, 1) == L"54.00 Knots");
        CHECK(row(3, 2) == L"27.78 m/s");
        s.maxAltitudeMetres = 305;
        CHECK(row(4, 0, 2) == L"1000.40ft");
        s.totalKm = 1.852;
        s.trackKm = 1.609344;
        CHECK(row(5, 0, 2) == L"1.00 Nmi");
        CHECK(row(6, 0, 1) == L"1.00 Mi");
    }
    SUBCASE("sunrise and sunset, or --:-- in a polar day or night") {
        s.sunTimesKnown = true;
        s.sunriseHour = 5;
        s.sunriseMinute = 7;
        CHECK(row(7) == L"05:07");
        s.sunTimesKnown = false;
        CHECK(row(7) == L"--:--");
        CHECK(row(8) == L"--:--");
    }
}

TEST_CASE("the trip distance counts travelled legs the recorder would keep, in km")
{
    ResetTravelledDistance();
    RecordSpeedFilter = 5;
    RecordAngleFilter = 10;
    // One hundredth of a degree of longitude on the equator: 1.11195 km.
    constexpr double kStepKm = 6371.0 * 0.01 * 3.14159265358979323846 / 180.0;
    auto fix = [](double x, double y, double kmh, double course, int valid = 1) {
        {
            LiveRecordGuard live(&GpsDevice);
            live->fix = valid;
            live->pos.x = x;
            live->pos.y = y;
            live->kmh = kmh;
            live->course = course;
        }
        CountTravelledDistance(&GpsDevice);
        return TotalDistance;
    };
    CHECK(fix(0, 0, 0, 0) == 0.0);   // the first fix: where counting starts
    SUBCASE("standing still, the position wandering: nothing") {
        CHECK(fix(0.001, 0.001, 1, 120) == 0.0);
        CHECK(fix(-0.001, 0, 2, 300) == 0.0);
    }
    SUBCASE("moving and turning: each kept leg, whatever unit is shown") {
        DistanceUnit = 2;
        CHECK(fix(0.01, 0, 50, 20) == doctest::Approx(kStepKm).epsilon(1e-4));
        CHECK(fix(0.02, 0, 50, 25) == doctest::Approx(kStepKm).epsilon(1e-4));   // turned 5: not yet
        CHECK(fix(0.03, 0, 50, 60) == doctest::Approx(3 * kStepKm).epsilon(1e-4));
        DistanceUnit = 0;
    }
    SUBCASE("lost fixes and garbage count nothing; the next leg starts at the last good point") {
        CHECK(fix(5, 5, 50, 90, 0) == 0.0);
        CHECK(fix(std::nan(""), 0, 50, 120) == 0.0);
        CHECK(fix(1e300, 0, 50, 150) == 0.0);
        CHECK(fix(0.01, 0, 50, 180) == doctest::Approx(kStepKm).epsilon(1e-4));
    }
    ResetTravelledDistance();
    LiveRecordGuard live(&GpsDevice);
    live->fix = 0;
}

TEST_CASE("the statistics list: rebuilt with labels, refreshed in place")
{
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    const HWND parent = CreateWindowExW(0, L"STATIC", L"stats", WS_POPUP, 0, 0, 240, 320, nullptr, nullptr,
                                        GetModuleHandleW(nullptr), nullptr);
    REQUIRE_MESSAGE(parent != nullptr, "no window could be made (no display?)");
    const HWND list = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | LVS_REPORT, 0, 0, 240, 320, parent, nullptr,
                                      nullptr, nullptr);
    REQUIRE(list);
    LVCOLUMNW column{};
    column.mask = LVCF_WIDTH;
    column.cx = 70;
    ListView_InsertColumn(list, 0, &column);
    ListView_InsertColumn(list, 1, &column);
    auto cell = [&](int r, int col) { return testsupport::ListCell(list, r, col); };
    UpTimeSeconds = 125;
    RunTimeSeconds = 0;
    MaxAltitude = 305;

    FillStatisticsList(list, true);
    REQUIRE(ListView_GetItemCount(list) == kStatisticsRows);
    CHECK(cell(0, 0) == L"Up time");
    CHECK(cell(0, 1) == L"00:02:05");
    CHECK(cell(4, 0) == L"Max Alt");
    CHECK(cell(4, 1) == L"305.00m");
    ListView_SetItemState(list, 4, LVIS_SELECTED, LVIS_SELECTED);

    MaxAltitude = 1000;
    FillStatisticsList(list, false);
    CHECK(cell(4, 1) == L"1000.00m");
    CHECK(ListView_GetItemState(list, 4, LVIS_SELECTED) == LVIS_SELECTED);   // a refresh keeps it

    UpTimeSeconds = 0;
    MaxAltitude = 0;
    DestroyWindow(parent);
}
