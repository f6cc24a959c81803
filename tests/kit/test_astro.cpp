// tests/kit/test_astro.cpp - local time, sun and moon.
//
// Almanac figures: moon phases and equinox/solstice instants are the
// published UTC times (NASA/GSFC phase and eclipse catalogues, USNO
// "Phases of the Moon"); sunrise and sunset are the published local times
// of USNO's "Sun and Moon Data for One Day" for 2024, rounded to the minute.
// All were checked against PyEphem 4.1 (horizon -0:34, upper limb).
#include <doctest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <string>

#include "kit/astro.h"

namespace {

constexpr double kPi = 3.1415927410125732;
constexpr double kMoonDay = 0.2299715092729924;

SYSTEMTIME gNow{};
void FixedClock(SYSTEMTIME* now) { *now = gNow; }

// Fixes "now" (local time) and the zone for one test; the machine's clock
// and a zero bias come back afterwards.
struct FixedTime {
    FixedTime(int year, int month, int day, int hour = 12, int bias = 0)
    {
        gNow = SYSTEMTIME{};
        gNow.wYear = static_cast<WORD>(year);
        gNow.wMonth = static_cast<WORD>(month);
        gNow.wDay = static_cast<WORD>(day);
        gNow.wHour = static_cast<WORD>(hour);
        SetLocalClock(FixedClock);
        TimeZoneBias = bias;
    }
    ~FixedTime()
    {
        SetLocalClock(nullptr);
        TimeZoneBias = 0;
    }
};

SYSTEMTIME Utc(int hour, int minute)
{
    SYSTEMTIME t{};
    t.wYear = 2024;
    t.wMonth = 6;
    t.wDay = 21;
    t.wHour = static_cast<WORD>(hour);
    t.wMinute = static_cast<WORD>(minute);
    t.wSecond = 42;
    t.wMilliseconds = 123;
    return t;
}

// Minutes between two clock times, the short way round midnight.
int ClockGap(int h1, int m1, int h2, int m2)
{
    int gap = std::abs((h1 * 60 + m1) - (h2 * 60 + m2)) % 1440;
    return gap > 720 ? 1440 - gap : gap;
}

std::string Name(const MoonPhase& p)
{
    std::string s;
    for (const wchar_t* c = p.name; *c; ++c)
        s += static_cast<char>(*c);
    return s;
}

double Elongation(const MoonPhase& p) { return WrapToPi(p.moonLongitude - p.sunLongitude); }

}  // namespace

TEST_CASE("UTC time becomes local time by the zone bias, the date untouched")
{
    SYSTEMTIME local{};
    SUBCASE("two hours east carries 23:30 past midnight without changing the date") {
        TimeZoneBias = -120;
        const SYSTEMTIME utc = Utc(23, 30);
        CHECK(ConvertUtcToLocalTime(&local, &utc) == &local);
        CHECK(local.wHour == 1);
        CHECK(local.wMinute == 30);
        CHECK(local.wDay == 21);
        CHECK(local.wSecond == 42);
        CHECK(local.wMilliseconds == 123);
    }
    SUBCASE("one hour west takes 00:10 back to 23:10") {
        TimeZoneBias = 60;
        const SYSTEMTIME utc = Utc(0, 10);
        ConvertUtcToLocalTime(&local, &utc);
        CHECK(local.wHour == 23);
        CHECK(local.wMinute == 10);
        CHECK(local.wDay == 21);
    }
    SUBCASE("a whole number of hours west lands on minute 0") {
        TimeZoneBias = 300;
        const SYSTEMTIME utc = Utc(3, 0);
        ConvertUtcToLocalTime(&local, &utc);
        CHECK(local.wHour == 22);
        CHECK(local.wMinute == 0);
    }
    SUBCASE("half-hour zone") {
        TimeZoneBias = -330;
        const SYSTEMTIME utc = Utc(20, 45);
        ConvertUtcToLocalTime(&local, &utc);
        CHECK(local.wHour == 2);
        CHECK(local.wMinute == 15);
    }
    SUBCASE("an absurd bias still ends at once on a clock hour") {
        TimeZoneBias = INT_MIN + 1;
        const SYSTEMTIME utc = Utc(12, 0);
        ConvertUtcToLocalTime(&local, &utc);
        CHECK(local.wHour < 24);
        CHECK(local.wMinute < 60);
    }
    TimeZoneBias = 0;
}

TEST_CASE("Angles")
{
    SUBCASE("WrapToPi keeps pi and turns -pi into pi") {
        CHECK(WrapToPi(kPi) == kPi);
        CHECK(WrapToPi(-kPi) == kPi);
        CHECK(WrapToPi(3 * kPi) == doctest::Approx(kPi));
        CHECK(WrapToPi(-1.5 * kPi) == doctest::Approx(kPi / 2));
    }
    SUBCASE("WrapToPi returns for angles it cannot step down") {
        CHECK(std::isnan(WrapToPi(INFINITY)));
        CHECK(std::isnan(WrapToPi(NAN)));
        const double big = WrapToPi(1.0e15);
        CHECK(big > -kPi);
        CHECK(big <= kPi);
    }
    SUBCASE("IsAngleOverDegrees measures the short way round") {
        CHECK(IsAngleOverDegrees(0.1f, 5));        // 5.73 degrees
        CHECK_FALSE(IsAngleOverDegrees(0.1f, 6));
        CHECK(IsAngleOverDegrees(6.2f, 4));        // 2 pi - 6.2 = 4.77 degrees
        CHECK_FALSE(IsAngleOverDegrees(6.2f, 5));
        CHECK(IsAngleOverDegrees(-3.0f, 171));     // 171.9 degrees
        CHECK_FALSE(IsAngleOverDegrees(-3.0f, 172));
    }
    SUBCASE("FloatModulo is never negative") {
        CHECK(FloatModulo(-0.5) == doctest::Approx(2 * kPi - 0.5));
        CHECK(FloatModulo(2 * kPi + 0.25) == doctest::Approx(0.25));
    }
}

TEST_CASE("Day counts")
{
    SUBCASE("1 January 2000 is day 0 all day") {
        FixedTime t(2000, 1, 1, 0);
        CHECK(DaysSince2000() == 0.0);
        gNow.wHour = 23;
        gNow.wMinute = 59;
        gNow.wSecond = 59;
        gNow.wMilliseconds = 999;
        CHECK(DaysSince2000() == 0.0);
    }
    SUBCASE("whole days either side of it") {
        FixedTime t(2000, 1, 2, 18);
        CHECK(DaysSince2000() == 1.0);
        gNow.wYear = 2001;
        gNow.wMonth = 1;
        gNow.wDay = 1;
        CHECK(DaysSince2000() == 366.0);   // 2000 is a leap year
        gNow.wYear = 1999;
        gNow.wMonth = 12;
        gNow.wDay = 31;
        CHECK(DaysSince2000() == -1.0);
    }
    SUBCASE("the local day count is the J2000 day number at noon") {
        FixedTime t(2026, 8, 12, 7);
        CHECK(DaysSince2000() == DayNumberJ2000(2026, 8, 12, 12.0f));
        CHECK(DayNumberJ2000(2000, 1, 1, 12.0f) == 0.0);
    }
    SUBCASE("leap years") {
        CHECK(IsLeapYear(2000));
        CHECK(IsLeapYear(2024));
        CHECK_FALSE(IsLeapYear(1900));
    }
}

TEST_CASE("Sun and moon longitudes at published instants")
{
    // The formulas' day 0 is 1 January 2000 12:00 UT.
    SUBCASE("the sun at the 2024 equinoxes and solstices (UTC)") {
        CHECK(std::fabs(SunLongitude(DayNumberJ2000(2024, 3, 20, 3.106f))) < 0.0005);
        CHECK(SunLongitude(DayNumberJ2000(2024, 6, 20, 20.851f)) == doctest::Approx(kPi / 2).epsilon(0.0005));
        CHECK(std::fabs(SunLongitude(DayNumberJ2000(2024, 9, 22, 12.726f))) == doctest::Approx(kPi).epsilon(0.0005));
        CHECK(SunLongitude(DayNumberJ2000(2024, 12, 21, 9.339f)) == doctest::Approx(-kPi / 2).epsilon(0.0005));
    }
    SUBCASE("the moon joins the sun at new moon and opposes it at full moon") {
        const double newMoon = DayNumberJ2000(2024, 4, 8, 18.347f);    // total solar eclipse
        CHECK(std::fabs(WrapToPi(MoonLongitude(newMoon) - SunLongitude(newMoon))) < 0.01);
        const double fullMoon = DayNumberJ2000(2025, 3, 14, 6.910f);   // total lunar eclipse
        CHECK(std::fabs(WrapToPi(MoonLongitude(fullMoon) - SunLongitude(fullMoon) + kPi)) < 0.01);
    }
    SUBCASE("the sun moves fastest at perihelion, slowest at aphelion") {
        // 61'10" and 57'12" of longitude a day (Astronomical Almanac).
        CHECK(SunDailyMotion(DayNumberJ2000(2024, 1, 3, 0.0f)) == doctest::Approx(0.017792).epsilon(0.002));
        CHECK(SunDailyMotion(DayNumberJ2000(2024, 7, 5, 0.0f)) == doctest::Approx(0.016639).epsilon(0.002));
    }
    SUBCASE("both forms of the sun's longitude agree") {
        double mean = -1, anomaly = -1;
        const double d = DayNumberJ2000(2025, 11, 5, 8.0f);
        const double sun = SunLongitudeMod2Pi(d, &mean, &anomaly);
        CHECK(sun >= 0.0);
        CHECK(sun < 2 * kPi);
        CHECK(std::fabs(WrapToPi(sun - SunLongitude(d))) < 0.0001);
        CHECK(std::fabs(WrapToPi(mean - (4.894950556357702 + 0.017202792872432867 * d))) < 0.0001);
        CHECK(std::fabs(WrapToPi(anomaly - (6.240040941715241 + 0.017201970822332303 * d))) < 0.0001);
    }
}

TEST_CASE("Moon phase on published phase dates")
{
    struct Row { int year, month, day; const char* name; };
    // New and full moons that were eclipses, and quarters, all UTC dates.
    const Row rows[] = {
        {2024, 4, 8, "New Moon"},   {2024, 10, 2, "New Moon"}, {2025, 3, 29, "New Moon"},
        {2025, 9, 21, "New Moon"},  {2026, 2, 17, "New Moon"}, {2026, 8, 12, "New Moon"},
        {2024, 3, 25, "Full Moon"}, {2024, 9, 18, "Full Moon"}, {2025, 3, 14, "Full Moon"},
        {2025, 9, 7, "Full Moon"},  {2026, 3, 3, "Full Moon"},  {2026, 8, 28, "Full Moon"},
        {2024, 1, 18, "1rst Quartet"}, {2025, 3, 6, "1rst Quartet"}, {2026, 8, 20, "1rst Quartet"},
        {2024, 3, 3, "Last Quartet"},  {2025, 2, 20, "Last Quartet"}, {2026, 1, 10, "Last Quartet"},
    };
    for (const Row& r : rows) {
        CAPTURE(r.year);
        CAPTURE(r.month);
        CAPTURE(r.day);
        FixedTime t(r.year, r.month, r.day);
        MoonPhase today{};
        ComputeMoonPhase(&today, 0);
        CHECK(Name(today) == r.name);
        if (std::strcmp(r.name, "New Moon") == 0)
            CHECK(today.percent < 1.0f);
        if (std::strcmp(r.name, "Full Moon") == 0)
            CHECK(today.percent == 100.0f);
        if (r.name[0] == '1' || r.name[0] == 'L')
            CHECK(today.percent == doctest::Approx(50.0).epsilon(0.1));

        // The same date asked for as tomorrow, a day earlier.
        gNow.wDay = static_cast<WORD>(r.day - 1);
        MoonPhase tomorrow{};
        if (r.day > 1) {
            ComputeMoonPhase(&tomorrow, 1);
            CHECK(Name(tomorrow) == r.name);
            CHECK(tomorrow.percent == today.percent);
        }
    }
}

TEST_CASE("Moon phase names follow one another through two years")
{
    const char* const cycle[] = {"New Moon", "Waxing Crescent", "1rst Quartet", "Waxing and Gibbus",
                                 "Full Moon", "Waning and Gibbus", "Last Quartet", "Waning Crescent"};
    const auto indexOf = [&](const std::string& n) {
        for (int i = 0; i < 8; ++i)
            if (n == cycle[i]) return i;
        return -1;
    };
    FixedTime t(2024, 1, 1);
    MoonPhase prev{};
    ComputeMoonPhase(&prev, 0);
    int quarters = 0;
    for (int day = 1; day < 731; ++day) {
        CAPTURE(day);
        MoonPhase p{};
        ComputeMoonPhase(&p, day);
        CHECK(p.percent >= 0.5f);
        CHECK(p.percent <= 100.0f);
        const int was = indexOf(Name(prev));
        const int now = indexOf(Name(p));
        CHECK(now >= 0);
        CHECK((now == was || now == (was + 1) % 8));
        if (was == 1 && now == 2) {
            // The name changes once the elongation comes within a day of
            // the moon's motion of a right angle, not before.
            ++quarters;
            CHECK(std::fabs(Elongation(p) - kPi / 2) < kMoonDay);
            CHECK(std::fabs(Elongation(prev) - kPi / 2) >= kMoonDay);
        }
        prev = p;
    }
    CHECK(quarters >= 24);
}

TEST_CASE("Sunrise and sunset against published times")
{
    struct Row {
        const char* place;
        double x, y;
        int month, day, bias;
        int riseH, riseM, setH, setM;
    };
    // Local clock times, 2024. The code truncates where the tables round,
    // and the NOAA series are good to about a minute: 2 minutes allowed.
    const Row rows[] = {
        {"London", -0.1278, 51.5074, 6, 21, -60, 4, 43, 21, 21},
        {"London", -0.1278, 51.5074, 12, 21, 0, 8, 4, 15, 54},
        {"London", -0.1278, 51.5074, 3, 20, 0, 6, 2, 18, 14},
        {"London", -0.1278, 51.5074, 9, 22, -60, 6, 47, 18, 58},
        {"New York", -74.0060, 40.7128, 6, 21, 240, 5, 25, 20, 31},
        {"New York", -74.0060, 40.7128, 12, 21, 300, 7, 17, 16, 32},
        {"Sydney", 151.2093, -33.8688, 6, 21, -600, 7, 0, 16, 54},
        {"Sydney", 151.2093, -33.8688, 12, 21, -660, 5, 41, 20, 6},
        // Sets four minutes after midnight: the minutes pass 1440.
        {"Reykjavik", -21.9426, 64.1466, 6, 21, 0, 2, 55, 0, 4},
        // A zone ten hours west puts the sunrise before its midnight.
        {"London, UTC-10", -0.1278, 51.5074, 6, 21, 600, 17, 43, 10, 21},
    };
    for (const Row& r : rows) {
        CAPTURE(r.place);
        CAPTURE(r.month);
        FixedTime t(2024, r.month, r.day, 12, r.bias);
        SunTimes s{};
        CHECK(ComputeSunriseSunset(r.x, r.y, &s));
        CHECK(s.sunriseHour < 24);
        CHECK(s.sunsetHour < 24);
        CHECK(s.sunriseMinute < 60);
        CHECK(s.sunsetMinute < 60);
        CHECK(ClockGap(s.sunriseHour, s.sunriseMinute, r.riseH, r.riseM) <= 2);
        CHECK(ClockGap(s.sunsetHour, s.sunsetMinute, r.setH, r.setM) <= 2);
    }
}

TEST_CASE("No sunrise or sunset when the sun stays up or down all day")
{
    const auto none = [](double x, double y) {
        SunTimes s;
        std::memset(&s, 0xFF, sizeof s);
        const bool rose = ComputeSunriseSunset(x, y, &s);
        CHECK(s.sunriseHour == 0);
        CHECK(s.sunriseMinute == 0);
        CHECK(s.sunsetHour == 0);
        CHECK(s.sunsetMinute == 0);
        return !rose;
    };
    SUBCASE("midnight sun at Tromso") {
        FixedTime t(2024, 6, 21, 12, -120);
        CHECK(none(18.9553, 69.6492));
        CHECK(none(0.0, 90.0));
        CHECK(none(0.0, -90.0));
    }
    SUBCASE("polar night at Tromso") {
        FixedTime t(2024, 12, 21, 12, -60);
        CHECK(none(18.9553, 69.6492));
    }
    SUBCASE("no position") {
        FixedTime t(2024, 6, 21);
        CHECK(none(0.0, NAN));
        CHECK(none(NAN, 51.5));
    }
}

TEST_CASE("Fuller sun calculation")
{
    const auto within = [](const HourMinute& got, int h, int m, int minutes) {
        return ClockGap(got.hour, got.minute, h, m) <= minutes;
    };
    SUBCASE("London at the June solstice") {
        FixedTime t(2024, 6, 21, 12, -60);
        SunEvents e{};
        ComputeSunTimes(-0.1278, 51.5074, &e);
        // Shifting the declination for refraction is cruder than the
        // NOAA hour angle: a few minutes.
        CHECK(within(e.sunrise, 4, 43, 4));
        CHECK(within(e.sunset, 21, 21, 4));
        CHECK(within(e.transit, 13, 2, 1));
        CHECK(within(e.dayLength, 16, 38, 8));
        // Civil dawn and dusk; the declination shift of 6 degrees is
        // coarser again at this latitude.
        CHECK(within(e.twilightStart, 3, 55, 8));
        CHECK(within(e.twilightEnd, 22, 9, 8));
        CHECK(e.noonAltitude == doctest::Approx(61.93).epsilon(0.002));
    }
    SUBCASE("Sydney at its winter solstice") {
        FixedTime t(2024, 6, 21, 12, -600);
        SunEvents e{};
        ComputeSunTimes(151.2093, -33.8688, &e);
        CHECK(within(e.sunrise, 7, 0, 4));
        CHECK(within(e.sunset, 16, 54, 4));
        CHECK(within(e.transit, 11, 57, 1));
        CHECK(e.noonAltitude == doctest::Approx(32.69).epsilon(0.002));
    }
    SUBCASE("Tromso: a whole day of sun, then none") {
        FixedTime t(2024, 6, 21, 12, -120);
        SunEvents e{};
        ComputeSunTimes(18.9553, 69.6492, &e);
        CHECK(e.dayLength.hour == 24);
        CHECK(e.dayLength.minute == 0);
        gNow.wMonth = 12;
        TimeZoneBias = -60;
        ComputeSunTimes(18.9553, 69.6492, &e);
        CHECK(e.dayLength.hour == 0);
        CHECK(e.dayLength.minute == 0);
        CHECK(e.noonAltitude < 0.0f);
        CHECK(e.sunrise.hour < 24);
    }
    SUBCASE("SplitHours holds odd input to the clock face") {
        HourMinute hm{};
        SplitHours(-1.0, &hm);
        CHECK(hm.hour == 0);
        SplitHours(NAN, &hm);
        CHECK(hm.hour == 0);
        CHECK(hm.minute == 0);
    }
}
