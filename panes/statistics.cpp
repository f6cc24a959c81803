// The statistics screen: the trip figures in a two-column list.
#include "panes/panes.h"

#include "gps/gps.h"
#include "gps/live_track.h"
#include "kit/astro.h"
#include "kit/display.h"
#include "kit/screen_state.h"
#include "panes/pane_draw.h"

#include <commctrl.h>

#include <climits>

using panes_detail::FormatText;

namespace {

constexpr wchar_t kNoSunTime[] = L"--:--";
constexpr double kMetresToInches = 39.37;
constexpr double kMetresToFeet = 3.28;
constexpr double kKmhPerMs = 3.6;

// ---------------------------------------------------------------------------
// Rows.

void Duration(wchar_t* b, size_t n, uint64_t seconds)
{
    FormatDuration(b, n, seconds > UINT_MAX ? UINT_MAX : static_cast<unsigned>(seconds));
}

void UpTime(wchar_t* b, size_t n, const TRIP_STATISTICS& s, int, int)
{
    Duration(b, n, s.upTimeSeconds);
}

void RunTime(wchar_t* b, size_t n, const TRIP_STATISTICS& s, int, int)
{
    Duration(b, n, s.runTimeSeconds);
}

void TrackTime(wchar_t* b, size_t n, const TRIP_STATISTICS& s, int, int)
{
    Duration(b, n, s.trackTimeSeconds);
}

void MaxSpeedRow(wchar_t* b, size_t n, const TRIP_STATISTICS& s, int speedUnit, int)
{
    const double kmh = s.maxSpeedKmh;
    double speed = kmh;
    switch (speedUnit) {
    case 1: speed = kmh / kKnotsToKmh; break;
    case 2: speed = kmh / kKmhPerMs; break;
    case 3: speed = kmh / kKmPerStatuteMile; break;
    }
    FormatText(b, n, L"%.2f %ls", speed, SpeedUnitLabel(speedUnit));
}

void MaxAltitudeRow(wchar_t* b, size_t n, const TRIP_STATISTICS& s, int, int distanceUnit)
{
    const double m = s.maxAltitudeMetres;
    switch (distanceUnit) {
    case 1: FormatText(b, n, L"%.2fi", m * kMetresToInches); return;
    case 2: FormatText(b, n, L"%.2fft", m * kMetresToFeet); return;
    default: FormatText(b, n, L"%.2fm", m); return;
    }
}

void DistanceText(wchar_t* b, size_t n, double km, int unit)
{
    static constexpr const wchar_t* kForms[3] = {L"%.2f Km", L"%.2f Mi", L"%.2f Nmi"};
    FormatText(b, n, kForms[unit >= 0 && unit < 3 ? unit : 0], KmToDistanceUnit(km, unit));
}

void TotalDistanceRow(wchar_t* b, size_t n, const TRIP_STATISTICS& s, int, int distanceUnit)
{
    DistanceText(b, n, s.totalKm, distanceUnit);
}

void TrackDistanceRow(wchar_t* b, size_t n, const TRIP_STATISTICS& s, int, int distanceUnit)
{
    DistanceText(b, n, s.trackKm, distanceUnit);
}

// A polar day or night has no sunrise or sunset.
void SunTime(wchar_t* b, size_t n, bool known, WORD hour, WORD minute)
{
    if (!known) {
        FormatText(b, n, L"%ls", kNoSunTime);
        return;
    }
    FormatText(b, n, L"%02u:%02u", static_cast<unsigned>(hour), static_cast<unsigned>(minute));
}

void SunriseRow(wchar_t* b, size_t n, const TRIP_STATISTICS& s, int, int)
{
    SunTime(b, n, s.sunTimesKnown, s.sunriseHour, s.sunriseMinute);
}

void SunsetRow(wchar_t* b, size_t n, const TRIP_STATISTICS& s, int, int)
{
    SunTime(b, n, s.sunTimesKnown, s.sunsetHour, s.sunsetMinute);
}

void MoonRow(wchar_t* b, size_t n, const TRIP_STATISTICS& s, int, int)
{
    FormatText(b, n, L"%.2f%%", static_cast<double>(s.moonPercent));
}

void PdopRow(wchar_t* b, size_t n, const TRIP_STATISTICS& s, int, int)
{
    FormatText(b, n, L"%.2f", static_cast<double>(s.pdop));
}

void HdopRow(wchar_t* b, size_t n, const TRIP_STATISTICS& s, int, int)
{
    FormatText(b, n, L"%.2f", static_cast<double>(s.hdop));
}

void VdopRow(wchar_t* b, size_t n, const TRIP_STATISTICS& s, int, int)
{
    FormatText(b, n, L"%.2f", static_cast<double>(s.vdop));
}

void VariationRow(wchar_t* b, size_t n, const TRIP_STATISTICS& s, int, int)
{
    FormatText(b, n, L"%.2f", s.magneticVariation);
}

struct StatisticsRow {
    const wchar_t* label;
    void (*format)(wchar_t* buffer, size_t size, const TRIP_STATISTICS& s, int speedUnit,
                   int distanceUnit);
};

constexpr StatisticsRow kRows[kStatisticsRows] = {
    {L"Up time", UpTime},
    {L"Run time", RunTime},
    {L"Track time", TrackTime},
    {L"Max Speed", MaxSpeedRow},
    {L"Max Alt", MaxAltitudeRow},
    {L"Total Distance", TotalDistanceRow},
    {L"Track Distance", TrackDistanceRow},
    {L"Sunrise", SunriseRow},
    {L"Sunset", SunsetRow},
    {L"Moon", MoonRow},
    {L"Total Precision", PdopRow},
    {L"Horz Precision", HdopRow},
    {L"Vertical Precision", VdopRow},
    {L"Magnetic Variation", VariationRow},
};

// ---------------------------------------------------------------------------
// The list.

void InsertLabel(HWND list, int row)
{
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.pszText = const_cast<wchar_t*>(kRows[row].label);
    SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

void SetValue(HWND list, int row, wchar_t* text)
{
    LVITEMW item{};
    item.iSubItem = 1;
    item.pszText = text;
    SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

}  // namespace

// ---------------------------------------------------------------------------

const wchar_t* StatisticsLabel(int row)
{
    return row >= 0 && row < kStatisticsRows ? kRows[row].label : L"";
}

void FormatStatisticsValue(wchar_t* buffer, size_t size, int row, const TRIP_STATISTICS& s,
                           int speedUnit, int distanceUnit)
{
    if (!buffer || size == 0)
        return;
    buffer[0] = L'\0';
    if (row >= 0 && row < kStatisticsRows)
        kRows[row].format(buffer, size, s, speedUnit, distanceUnit);
}

TRIP_STATISTICS GatherStatistics()
{
    TRIP_STATISTICS s{};
    double x = 0.0;
    double y = 0.0;
    {
        LiveRecordGuard live(&GpsDevice);
        s.maxSpeedKmh = MaxSpeed;
        s.maxAltitudeMetres = MaxAltitude;
        s.totalKm = TotalDistance;
        s.trackKm = TrackDistance;
        s.pdop = live->pdop;
        s.hdop = live->hdop;
        s.vdop = live->vdop;
        s.magneticVariation = live->magVar;
        x = live->pos.x;
        y = live->pos.y;
    }
    s.upTimeSeconds = UpTimeSeconds;
    s.runTimeSeconds = RunTimeSeconds;
    s.trackTimeSeconds = TrackTimeSeconds;
    // Worked out also without a fix, from whatever position the record holds.
    SunTimes sun{};
    s.sunTimesKnown = ComputeSunriseSunset(x, y, &sun);
    s.sunriseHour = sun.sunriseHour;
    s.sunriseMinute = sun.sunriseMinute;
    s.sunsetHour = sun.sunsetHour;
    s.sunsetMinute = sun.sunsetMinute;
    MoonPhase moon{};
    ComputeMoonPhase(&moon, 0);
    s.moonPercent = moon.percent;
    return s;
}

void FillStatisticsList(HWND list, bool rebuild)
{
    if (!list)
        return;
    const TRIP_STATISTICS s = GatherStatistics();
    if (rebuild) {
        SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
        for (int row = 0; row < kStatisticsRows; ++row)
            InsertLabel(list, row);
    }
    wchar_t text[kPaneTextSize];
    for (int row = 0; row < kStatisticsRows; ++row) {
        FormatStatisticsValue(text, kPaneTextSize, row, s, SpeedUnit, DistanceUnit);
        SetValue(list, row, text);
    }
}
