// kit/astro.cpp - local time, sun and moon.
#include "kit/astro.h"

#include <cmath>
#include <cstdint>

int TimeZoneBias = 0;

namespace {

// The program has always worked with single-precision pi; the published
// sunrise and phase results depend on it, so it stays.
constexpr double kPi = 3.1415927410125732;
constexpr double kTwoPi = 6.2831854820251465;
constexpr double kRad = kPi / 180.0;

constexpr double kMoonDailyMotion = 0.2299715092729924;
constexpr double kZenithSunrise = 1.5853348970413208;   // 90.833 degrees
constexpr double kFractionalYearStep = 0.017214206800068896;  // 2 pi / 365 in float

void MachineClock(SYSTEMTIME* now) { GetLocalTime(now); }

LocalClockFn gClock = MachineClock;

SYSTEMTIME Now()
{
    SYSTEMTIME now{};
    gClock(&now);
    return now;
}

// Rounding can carry a sine product just past 1; acos and asin would then
// give NaN for what is really the end of their range.
double ClampUnit(double v)
{
    if (v > 1.0) return 1.0;
    if (v < -1.0) return -1.0;
    return v;
}

int DayOfYear(const SYSTEMTIME& t)
{
    static constexpr int kDaysBefore[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
    const int month = (t.wMonth >= 1 && t.wMonth <= 12) ? t.wMonth : 1;
    int day = kDaysBefore[month - 1] + t.wDay;
    if (month > 2 && IsLeapYear(t.wYear))
        ++day;
    return day;
}

// A sunrise before local midnight or a sunset after it belongs to the clock
// face all the same: the far west of a time zone in summer sets after 24:00.
void StoreClockMinutes(double minutes, WORD* hour, WORD* minute)
{
    double m = std::fmod(minutes, 1440.0);
    if (m < 0.0)
        m += 1440.0;
    const int whole = static_cast<int>(m);
    *hour = static_cast<WORD>(whole / 60);
    *minute = static_cast<WORD>(whole % 60);
}

void StepHourBack(WORD* hour) { *hour = static_cast<WORD>((*hour >= 1 && *hour <= 25) ? *hour - 1 : 23); }

void StepHourForward(WORD* hour) { *hour = static_cast<WORD>(*hour >= 23 ? 0 : *hour + 1); }

// After two steps any hour is in 0..23, and from there 24 steps go round once:
// an absurd bias costs no more than a day's worth of steps.
long long BoundSteps(long long steps) { return steps > 48 ? 48 + (steps - 48) % 24 : steps; }

double HourAngle(double latitude, double declination, double degreesBelow)
{
    double k = degreesBelow * kRad;
    if (latitude < 0.0)
        k = -k;
    double p = std::tan(latitude) * std::tan(declination + k);
    // Above the horizon all day. asin(1) is the double-precision right angle,
    // which with our single-precision pi would leave the day a hair short of
    // 24:00.
    if (p > 0.99999)
        return kPi;
    return std::asin(ClampUnit(p)) + kPi / 2.0;
}

double WrapHours(double hours)
{
    const double h = std::fmod(hours, 24.0);
    return h < 0.0 ? h + 24.0 : h;
}

void CopyName(wchar_t* dst, size_t room, const wchar_t* src)
{
    size_t i = 0;
    for (; i + 1 < room && src[i]; ++i)
        dst[i] = src[i];
    dst[i] = 0;
}

}  // namespace

void SetLocalClock(LocalClockFn clock) { gClock = clock ? clock : MachineClock; }

SYSTEMTIME* ConvertUtcToLocalTime(SYSTEMTIME* dst, const SYSTEMTIME* src)
{
    *dst = *src;
    const long long m = static_cast<long long>(src->wMinute) - TimeZoneBias;
    if (m < 0) {
        const long long k = -m - 1;
        for (long long i = BoundSteps(k / 60 + 1); i > 0; --i)
            StepHourBack(&dst->wHour);
        dst->wMinute = static_cast<WORD>(59 - k % 60);
    } else if (m < 60) {
        dst->wMinute = static_cast<WORD>(m);
    } else {
        for (long long i = BoundSteps(m / 60); i > 0; --i)
            StepHourForward(&dst->wHour);
        dst->wMinute = static_cast<WORD>(m % 60);
    }
    return dst;
}

bool IsAngleOverDegrees(float angle, int n)
{
    float a = std::fabs(angle);
    if (a > static_cast<float>(kPi))
        a = static_cast<float>(kTwoPi) - a;
    return n * 0.017453292 < a;
}

double DaysSince2000()
{
    const SYSTEMTIME now = Now();
    SYSTEMTIME today{};
    today.wYear = now.wYear;
    today.wMonth = now.wMonth;
    today.wDay = now.wDay;
    SYSTEMTIME epoch{};
    epoch.wYear = 2000;
    epoch.wMonth = 1;
    epoch.wDay = 1;
    FILETIME a, b;
    if (!SystemTimeToFileTime(&today, &a) || !SystemTimeToFileTime(&epoch, &b))
        return 0.0;
    const auto ticks = [](const FILETIME& f) {
        return static_cast<int64_t>((static_cast<uint64_t>(f.dwHighDateTime) << 32) | f.dwLowDateTime);
    };
    const int64_t seconds = (ticks(a) - ticks(b)) / 10000000;
    const auto minutes = static_cast<int64_t>(static_cast<float>(seconds) / 60.0f);
    const auto hours = static_cast<int64_t>(static_cast<float>(minutes) / 60.0f);
    return static_cast<float>(hours) / 24.0f;
}

double WrapToPi(double angle)
{
    if (!std::isfinite(angle))
        return std::nan("");
    // Subtracting 2 pi from a huge angle changes nothing and would loop for
    // ever; bring it near the range first, and keep the plain steps for the
    // angles the sun and moon give, whose rounding the results rely on.
    if (std::fabs(angle) > 1.0e6)
        angle = std::remainder(angle, kTwoPi);
    if (angle > kPi) {
        while (angle > kPi)
            angle -= kTwoPi;
        return angle;
    }
    while (angle <= -kPi)
        angle += kTwoPi;
    return angle;
}

double SunLongitude(double d)
{
    const double L = WrapToPi(4.894950556357702 + 0.017202792872432867 * d);
    const double g = WrapToPi(6.240040941715241 + 0.017201970822332303 * d);
    return WrapToPi(L + 0.033423056105772654 * std::sin(g) + 0.00034906586011250815 * std::sin(2 * g));
}

double MoonLongitude(double d)
{
    return WrapToPi(3.810402928988139 + 0.2299715092729924 * d
                    + 0.10978121300538382 * std::sin(2.3544492264588675 + 0.22802714171108798 * d)
                    - 0.02216568211714427 * std::sin(4.523893547058106 - 0.19751029422947353 * d)
                    + 0.01151917338371277 * std::sin(4.113741161425908 + 0.4255374359405615 * d)
                    + 0.0036651915311813354 * std::sin(4.710643782218297 + 0.45605428342217597 * d)
                    - 0.0033161256710688277 * std::sin(6.239552249511084 + 0.017201970364795604 * d)
                    - 0.001919862230618795 * std::sin(3.256784474849701 + 0.4617914591779074 * d));
}

void ComputeMoonPhase(MoonPhase* phase, int dayOffset)
{
    const double d = DaysSince2000() + dayOffset;
    phase->sunLongitude = SunLongitude(d);
    phase->moonLongitude = MoonLongitude(d);
    const double e = WrapToPi(phase->moonLongitude - phase->sunLongitude);

    float percent = static_cast<float>((1.0 - std::cos(e)) * 50.0 + 0.5);
    if (percent > 100.0f)
        percent = 100.0f;
    phase->percent = percent;

    // A named phase lasts while the elongation is within one day's motion of
    // the moon from its exact value; first match wins.
    const double t = kMoonDailyMotion;
    const wchar_t* name = L"Waning and Gibbus";
    if (std::fabs(e) < t)
        name = L"New Moon";
    else if (std::fabs(WrapToPi(e + kPi)) < t)
        name = L"Full Moon";
    else if (std::fabs(e - kPi / 2) < t)
        name = L"1rst Quartet";
    else if (std::fabs(e + kPi / 2) < t)
        name = L"Last Quartet";
    else if (e > kPi / 2)
        name = L"Waxing and Gibbus";
    else if (e > 0)
        name = L"Waxing Crescent";
    else if (e > -kPi / 2)
        name = L"Waning Crescent";
    CopyName(phase->name, sizeof phase->name / sizeof phase->name[0], name);
}

bool ComputeSunriseSunset(double x, double y, SunTimes* times)
{
    *times = SunTimes{};
    const SYSTEMTIME now = Now();
    const double g = kFractionalYearStep * ((now.wHour - 12) / 24.0 + DayOfYear(now) - 1);
    const double eqtime = 229.17999267578125
        * (0.000075 + 0.001868 * std::cos(g) - 0.032077 * std::sin(g)
           - 0.014615 * std::cos(2 * g) - 0.040849 * std::sin(2 * g));
    const double decl = 0.006918 - 0.399912 * std::cos(g) + 0.070257 * std::sin(g)
        - 0.006758 * std::cos(2 * g) + 0.000907 * std::sin(2 * g)
        - 0.002697 * std::cos(3 * g) + 0.00148 * std::sin(3 * g);

    const double lat = y * kPi / 180.0;
    const double cosHa = std::cos(kZenithSunrise) / (std::cos(decl) * std::cos(lat))
        - std::tan(decl) * std::tan(lat);
    // Beyond 1 the sun stays below the horizon all day, below -1 above it.
    if (!(cosHa >= -1.0 && cosHa <= 1.0))
        return false;
    const double H = std::acos(ClampUnit(cosHa)) * 180.0 / kPi;

    const double rise = std::trunc(720 - 4 * (x + H) - eqtime) - TimeZoneBias;
    const double set = std::trunc(720 - 4 * (x - H) - eqtime) - TimeZoneBias;
    if (!std::isfinite(rise) || !std::isfinite(set))
        return false;
    StoreClockMinutes(rise, &times->sunriseHour, &times->sunriseMinute);
    StoreClockMinutes(set, &times->sunsetHour, &times->sunsetMinute);
    return true;
}

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

double SunDailyMotion(double d)
{
    const double g = WrapToPi(6.240040941715241 + 0.017201970822332303 * d);
    return 0.017202792872432867 + 0.0005749424359246767 * std::cos(g)
        + 0.00001200924148145539 * std::cos(2 * g);
}

double DayNumberJ2000(int year, int month, int day, float hour)
{
    const long days = 367L * year + day + 275L * month / 9 - 7L * (year + (month + 9) / 12) / 4;
    return days - 730531.5 + hour / 24.0;
}

double FloatModulo(double x)
{
    const double m = std::fmod(x, kTwoPi);
    return m < 0.0 ? m + kTwoPi : m;
}

// 0.53 degrees is the sun's diameter; the upper limb shows when the centre is
// a half diameter plus the horizon's refraction below it.
double SunriseHourAngle(double latitude, double declination)
{
    return HourAngle(latitude, declination, 0.53 * 0.5 + 0.5666667);
}

double TwilightHourAngle(double latitude, double declination) { return HourAngle(latitude, declination, 6.0); }

double SunLongitudeMod2Pi(double d, double* meanLongitude, double* meanAnomaly)
{
    const double L = FloatModulo(280.461 * kRad + 0.9856474 * kRad * d);
    const double g = FloatModulo(357.528 * kRad + 0.9856003 * kRad * d);
    if (meanLongitude)
        *meanLongitude = L;
    if (meanAnomaly)
        *meanAnomaly = g;
    return FloatModulo(L + 1.915 * kRad * std::sin(g) + 0.02 * kRad * std::sin(2 * g));
}

void SplitHours(double hours, HourMinute* time)
{
    if (!(hours > 0.0))
        hours = 0.0;
    if (hours > 24.0)
        hours = 24.0;
    const double whole = std::floor(hours);
    time->hour = static_cast<WORD>(whole);
    time->minute = static_cast<WORD>((hours - whole) * 60.0);
}

void ComputeSunTimes(double x, double y, SunEvents* events)
{
    *events = SunEvents{};
    if (!std::isfinite(x) || !std::isfinite(y))
        return;
    const SYSTEMTIME now = Now();
    // The sun at local noon, in universal time.
    const double d = DayNumberJ2000(now.wYear, now.wMonth, now.wDay, 12.0f + TimeZoneBias / 60.0f);
    double L = 0.0;
    const double lambda = SunLongitudeMod2Pi(d, &L, nullptr);
    const double obliquity = (23.439 - 0.0000004 * d) * kRad;
    const double alpha = std::atan2(std::cos(obliquity) * std::sin(lambda), std::cos(lambda));
    const double delta = std::asin(ClampUnit(std::sin(obliquity) * std::sin(lambda)));
    // Equation of time: how far the true sun runs ahead of the mean sun, hours.
    const double equation = WrapToPi(L - alpha) * 12.0 / kPi;

    const double lat = y * kRad;
    const double ha = SunriseHourAngle(lat, delta) * 12.0 / kPi;
    const double hb = TwilightHourAngle(lat, delta) * 12.0 / kPi;
    const double transit = 12.0 - equation - x / 15.0 - TimeZoneBias / 60.0;

    SplitHours(2.0 * ha, &events->dayLength);
    SplitHours(WrapHours(transit), &events->transit);
    SplitHours(WrapHours(transit - ha), &events->sunrise);
    SplitHours(WrapHours(transit + ha), &events->sunset);
    SplitHours(WrapHours(transit - hb), &events->twilightStart);
    SplitHours(WrapHours(transit + hb), &events->twilightEnd);
    events->noonAltitude = static_cast<float>(90.0 - std::fabs(y - delta / kRad));
}
