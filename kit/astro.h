// kit/astro.h - local time, sun and moon.
//
// Turns GPS UTC time into local time for the input thread, and gives the
// sun's and moon's ecliptic longitudes, the moon's phase and the day's
// sunrise and sunset for the sun, moon and statistics screens. Angles of the
// sun and moon are radians. Plain functions on plain records; nothing here
// holds a lock: TimeZoneBias is written once at start-up, before the reader
// thread exists.
#pragma once
#include <windows.h>

// Minutes; local time = UTC - bias. Computed once at start-up.
extern int TimeZoneBias;

// The clock that "now" means for DaysSince2000 and ComputeSunriseSunset: the
// local time of the machine unless a test sets its own (null restores it).
using LocalClockFn = void (*)(SYSTEMTIME* now);
void SetLocalClock(LocalClockFn clock);

struct MoonPhase {
    float percent;          // 0 to 100
    wchar_t name[202];      // "New Moon", "Full Moon", ...
    double moonLongitude;   // radians, -pi to pi
    double sunLongitude;    // radians, -pi to pi
};

struct SunTimes {
    WORD sunriseHour;
    WORD sunriseMinute;
    WORD sunsetHour;
    WORD sunsetMinute;
};

// Copies src and shifts hour and minute by TimeZoneBias; the date is kept.
SYSTEMTIME* ConvertUtcToLocalTime(SYSTEMTIME* dst, const SYSTEMTIME* src);
bool IsAngleOverDegrees(float angle, int n);
double DaysSince2000();
double WrapToPi(double angle);
double SunLongitude(double d);
double MoonLongitude(double d);
void ComputeMoonPhase(MoonPhase* phase, int dayOffset);
// Today's local sunrise and sunset, each wrapped into 0:00..23:59. False (and
// the record left at 0) when the sun neither rises nor sets that day at this
// latitude, or the position is not a number.
bool ComputeSunriseSunset(double x, double y, SunTimes* times);

// The fuller sun calculation below; nothing else in the program calls it.
struct HourMinute {
    WORD hour;
    WORD minute;
};

struct SunEvents {
    HourMinute dayLength;       // 0:00 in polar night, 24:00 under the midnight sun
    HourMinute transit;         // local time of the sun's highest point
    HourMinute sunrise;         // local clock times, wrapped into the day
    HourMinute sunset;
    HourMinute twilightStart;   // sun 6 degrees below the horizon, morning
    HourMinute twilightEnd;     // and evening
    float noonAltitude;         // degrees above the horizon at transit
};

bool IsLeapYear(int year);
// Radians per day at day number d.
double SunDailyMotion(double d);
// Days from 1 January 2000 12:00 UT; right for the years 1901 to 2099.
double DayNumberJ2000(int year, int month, int day, float hour);
// x modulo 2 pi, 0 to 2 pi.
double FloatModulo(double x);
// Half the time the sun's upper limb is above the horizon, and the same for
// the sun 6 degrees below it, in radians of hour angle: 0 when it stays
// below all day, pi when it stays above.
double SunriseHourAngle(double latitude, double declination);
double TwilightHourAngle(double latitude, double declination);
// The sun's longitude 0 to 2 pi; the mean longitude and mean anomaly (radians,
// 0 to 2 pi) go to the pointers that are not null.
double SunLongitudeMod2Pi(double d, double* meanLongitude, double* meanAnomaly);
// Whole hours and minutes of a time in hours, held to 0:00..24:00 (a value
// that is not a number gives 0:00).
void SplitHours(double hours, HourMinute* time);
// Today's sun for the given longitude x and latitude y (degrees), local time.
void ComputeSunTimes(double x, double y, SunEvents* events);
