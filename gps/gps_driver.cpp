// pathvex-wm's reader of the platform's GPS driver: the port object opens
// the driver instead of a serial port, and its reader thread turns each new
// position record into the live record in two steps, position and then
// satellites, handing each over with wParam 0.
//
// The driver fills its records itself and a failed read may leave one half
// written, so a record is used only when its read succeeded, and each value
// only when it is a number in the range its field can hold.
#include "gps/gps.h"

#if defined(PATHVEX_WM)
#include "gps/live_track.h"
#include "kit/outside.h"
#include "platform/handheld/cell_tower.h"
#include "platform/handheld/gps_api.h"

#include <cmath>
#include <cstring>

namespace {

// The platform's driver needs a moment after opening before it reports.
constexpr DWORD kDriverSettleMs = 1000;
constexpr DWORD kMaximumAgeMs = 5000;
// The satellites-changed flag is raised once per this many changed records.
constexpr unsigned kSatelliteRefreshRecords = 10;
// The sizes of the two steps as NMEA messages of the same kinds.
constexpr int32_t kPositionStepSize = 136;

// Beyond these no receiver reports (they stop at 18 km and 1000 knots);
// a value outside is garbage from the driver.
constexpr double kMaxAltitudeM = 100000.0;
constexpr double kMaxKnots = 10000.0;
constexpr double kMaxDop = 100.0;       // NMEA's field holds at most 99.9
constexpr DWORD kMaxPrn = 999;
constexpr DWORD kMaxElevation = 90;
constexpr DWORD kMaxAzimuth = 359;
constexpr DWORD kMaxSnr = 99;

bool Within(double value, double low, double high)
{
    return std::isfinite(value) && value >= low && value <= high;
}

bool ValidTimeOfDay(const SYSTEMTIME& t)
{
    return t.wHour < 24 && t.wMinute < 60 && t.wSecond < 60 && t.wMilliseconds < 1000;
}

// A count of list entries, held to the list's 12 slots.
int32_t SlotCount(DWORD count)
{
    return static_cast<int32_t>(count < kGpsDriverSlots ? count : kGpsDriverSlots);
}

float Dop(float value)
{
    return Within(value, 0.0, kMaxDop) ? value : 0.0f;
}

// A satellite value as single precision, or 0 when it is out of range.
float SatelliteValue(DWORD value, DWORD max)
{
    return value <= max ? static_cast<float>(value) : 0.0f;
}

bool Listed(const DWORD* list, int32_t count, DWORD prn)
{
    for (int32_t i = 0; i < count; ++i)
        if (list[i] == prn)
            return true;
    return false;
}

}  // namespace

bool GpsPort::OpenGpsDriver()
{
    if (!LoadGpsApiLibrary())
        return false;
    driverEvent_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (driverEvent_)
        driverDevice_ = CallGpsOpenDevice(driverEvent_, nullptr, nullptr, 0);
    if (!driverDevice_) {
        CloseGpsDriver();
        return false;
    }
    Sleep(kDriverSettleMs);
    if (!StartReader()) {
        CloseGpsDriver();
        return false;
    }
    GpsInputKind.store(kGpsInputDriver);
    OutsideSeams.playSound(L"OK");
    return true;
}

// The reader has ended (Close joins it first): nothing waits on the event or
// reads from the device any more when they go.
bool GpsPort::CloseGpsDriver()
{
    const bool wasOpen = driverDevice_ != nullptr;
    if (driverDevice_)
        CallGpsCloseDevice(driverDevice_);
    driverDevice_ = nullptr;
    if (driverEvent_)
        CloseHandle(driverEvent_);
    driverEvent_ = nullptr;
    FreeGpsApiLibrary();
    return wasOpen;
}

void GpsPort::RunDriverReader()
{
    GPS_DRIVER_POSITION previous{};
    GPS_DRIVER_POSITION record{};
    unsigned changed = 0;
    HANDLE waits[2] = {stopEvent_, driverEvent_};
    while (opened_.load() && !ReaderStopFlag.load()) {
        if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0 + 1)
            return;
        GPS_DRIVER_DEVICE state{};
        state.version = kGpsDriverVersion1;
        state.size = sizeof state;
        CallGpsGetDeviceState(&state);
        std::memset(&record, 0, sizeof record);
        record.version = kGpsDriverVersion1;
        record.size = sizeof record;
        if (CallGpsGetPosition(driverDevice_, &record, kMaximumAgeMs, 0) != ERROR_SUCCESS)
            continue;
        if (std::memcmp(&record, &previous, sizeof record) == 0)
            continue;
        previous = record;

        const uint32_t cellId = GetCurrentCellId();
        PendingEffects fx{};
        {
            LiveRecordGuard hold(this);
            ApplyDriverPosition(record, cellId, &fx);
        }
        RunEffects(fx);
        HandOver(0);

        {
            LiveRecordGuard hold(this);
            ApplyDriverSatellites(record);
        }
        if (++changed > kSatelliteRefreshRecords && (record.validFields & kGpsValidSatellitesInView)) {
            SatellitesChanged.store(true);
            changed = 0;
        }
        HandOver(0);
        RunBatchTick(this, 0);
    }
}

// Caller holds the lock. Goes through the NMEA apply step as a position
// report, so speeds, the trip's maximum and the time of day are kept
// exactly as for a receiver's sentence.
void GpsPort::ApplyDriverPosition(const GPS_DRIVER_POSITION& record, uint32_t cellId, PendingEffects* fx)
{
    NmeaMessage msg{};
    msg.kind = kNmeaRmc;
    msg.size = kPositionStepSize;
    GPS_CURRENT& v = msg.values;
    const DWORD valid = record.validFields;

    v.fix = record.fixQuality != 0 ? 1 : 0;
    msg.present |= kNmeaFix;
    const bool position = (valid & kGpsValidLatitude) && (valid & kGpsValidLongitude) &&
                          Within(record.latitude, -90.0, 90.0) && Within(record.longitude, -180.0, 180.0);
    if (position) {
        v.pos.y = record.latitude;
        v.pos.x = record.longitude;
        msg.present |= kNmeaLatitude | kNmeaLongitude;
    }
    const SYSTEMTIME& t = record.utcTime;
    if ((valid & kGpsValidUtcTime) && ValidTimeOfDay(t) && (t.wHour || t.wMinute || t.wSecond)) {
        v.utc = t;
        msg.present |= kNmeaTime;
    }
    if ((valid & kGpsValidSpeed) && Within(record.speed, 0.0, kMaxKnots)) {
        SetSpeedFromKnots(&v, record.speed);
        msg.present |= kNmeaSpeed;
    }
    if ((valid & kGpsValidHeading) && Within(record.heading, 0.0, 360.0)) {
        v.course = record.heading;
        msg.present |= kNmeaCourse;
    }
    if ((valid & kGpsValidMagneticVariation) && Within(record.magneticVariation, -180.0, 180.0)) {
        v.magVar = record.magneticVariation;
        msg.present |= kNmeaMagVar;
    }
    ApplyNmea(msg, fx);

    GPS_CURRENT& L = live_;
    if (position) {
        // The driver's altitude comes without a look at its valid bit; only
        // a number it could be replaces the last one.
        if (Within(record.altitudeSeaLevel, -kMaxAltitudeM, kMaxAltitudeM))
            L.pos.z = record.altitudeSeaLevel;
        L.pos.cellId = cellId;
    }
    L.cellId = cellId;
    L.lastReportType = kReportPosition;
}

// Caller holds the lock. The driver lists satellites by position: the first
// 12 table entries are its lists, all in view (PRN 0 where it left a slot
// empty), and the rest are cleared.
void GpsPort::ApplyDriverSatellites(const GPS_DRIVER_POSITION& record)
{
    GPS_CURRENT& L = live_;
    const int32_t used = SlotCount(record.satellitesUsed);
    L.satsUsed = used;
    L.satsInView = SlotCount(record.satellitesInView);
    L.pdop = Dop(record.pdop);
    L.hdop = Dop(record.hdop);
    L.vdop = Dop(record.vdop);
    std::memset(L.sats, 0, sizeof L.sats);
    for (size_t i = 0; i < kGpsDriverSlots; ++i) {
        GPS_SATELLITE& sat = L.sats[i];
        const DWORD prn = record.inViewPrns[i];
        sat.prn = prn <= kMaxPrn ? static_cast<int32_t>(prn) : 0;
        sat.elevation = SatelliteValue(record.inViewElevation[i], kMaxElevation);
        sat.azimuth = SatelliteValue(record.inViewAzimuth[i], kMaxAzimuth);
        sat.snr = SatelliteValue(record.inViewSnr[i], kMaxSnr);
        sat.inView = 1;
        sat.used = Listed(record.usedPrns, used, prn) ? 1 : 0;
    }
    L.lastReportType = kReportSatellites;
}

#else   // the other builds have no GPS driver

bool GpsPort::OpenGpsDriver()
{
    return false;
}

bool GpsPort::CloseGpsDriver()
{
    return false;
}

void GpsPort::RunDriverReader() {}

void GpsPort::ApplyDriverPosition(const GPS_DRIVER_POSITION&, uint32_t, PendingEffects*) {}

void GpsPort::ApplyDriverSatellites(const GPS_DRIVER_POSITION&) {}

#endif
