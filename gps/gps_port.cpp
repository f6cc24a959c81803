// The port object: its initial state, the live record's lock, the parser's apply step with the
// sounds and trip maxima it causes, and what it sends to its window.
#include "gps/gps.h"

#include "gps/simulation.h"
#include "kit/display.h"
#include "kit/outside.h"

#include <cstddef>
#include <cstring>
#include <type_traits>

std::atomic<int> GpsInputKind{kGpsInputNmea};

namespace {

class CriticalSectionLock {
public:
    explicit CriticalSectionLock(CRITICAL_SECTION* cs) : cs_(cs) { EnterCriticalSection(cs_); }
    ~CriticalSectionLock() { LeaveCriticalSection(cs_); }
    CriticalSectionLock(const CriticalSectionLock&) = delete;
    CriticalSectionLock& operator=(const CriticalSectionLock&) = delete;

private:
    CRITICAL_SECTION* cs_;
};

}  // namespace

GpsPort::GpsPort()
{
    static_assert(std::is_standard_layout_v<GpsPort>);
    static_assert(offsetof(GpsPort, live_) == 0, "a GpsPort* must be a GPS_CURRENT*");
    std::memset(&live_, 0, sizeof live_);
    std::memset(device_, 0, sizeof device_);
    baud_ = 0;
    port_ = INVALID_HANDLE_VALUE;
    driverDevice_ = nullptr;
    driverEvent_ = nullptr;
    std::memset(&readIo_, 0, sizeof readIo_);
    std::memset(&writeIo_, 0, sizeof writeIo_);
    simulation_ = false;
    gpsDriver_ = false;
    opened_.store(false);
    closing_ = false;
    stopEvent_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    reader_ = nullptr;
    readerId_ = 0;
    std::memset(carry_, 0, sizeof carry_);
    carryLength_ = 0;
    window_.store(nullptr);
    InitializeCriticalSection(&lock_);
}

GPS_CURRENT GpsPort::Snapshot() const
{
    CriticalSectionLock hold(&lock_);
    return live_;
}

void GpsPort::HandOver(WPARAM data)
{
    if (HWND window = Window())
        SendMessageW(window, WM_GPSDATA, data, reinterpret_cast<LPARAM>(this));
}

void GpsPort::AutoAdvanceSimulation()
{
    if (HWND window = Window())
        ::AutoAdvanceSimulation(this, window);
}

bool GpsPort::ParseNmea(std::string_view sentence, NmeaMessage* msg, bool apply)
{
    if (!ParseNmeaSentence(sentence, msg))
        return false;
    if (!apply)
        return true;
    PendingEffects fx{};
    {
        CriticalSectionLock hold(&lock_);
        ApplyNmea(*msg, &fx);
    }
    RunEffects(fx);
    return true;
}

// Caller holds the lock. Writes exactly the values the sentence carried.
void GpsPort::ApplyNmea(const NmeaMessage& msg, PendingEffects* fx)
{
    const GPS_CURRENT& v = msg.values;
    GPS_CURRENT& L = live_;
    const uint32_t p = msg.present;

    if (p & kNmeaFix) {
        // Only GGA's fix quality sounds; RMC's status changes the fix quietly.
        if (msg.kind == kNmeaGga) {
            if (L.fix == 1 && v.fix == 0)
                fx->sound = L"ERR2";
            else if (L.fix == 0 && v.fix == 1)
                fx->sound = L"OK";
        }
        L.fix = v.fix;
    }
    if (p & kNmeaLatitude)
        L.pos.y = v.pos.y;
    if (p & kNmeaLongitude)
        L.pos.x = v.pos.x;
    if (p & kNmeaTime) {
        L.utc.wHour = v.utc.wHour;
        L.utc.wMinute = v.utc.wMinute;
        L.utc.wSecond = v.utc.wSecond;
        L.utc.wMilliseconds = v.utc.wMilliseconds;
        // The local date is left alone: NMEA time never carries a day change.
        SYSTEMTIME local;
        ConvertUtcToLocalTime(&local, &L.utc);
        L.local.wHour = local.wHour;
        L.local.wMinute = local.wMinute;
        L.local.wSecond = local.wSecond;
        L.local.wMilliseconds = local.wMilliseconds;
    }
    if (p & kNmeaDate) {
        L.utc.wDay = v.utc.wDay;
        L.utc.wMonth = v.utc.wMonth;
        L.utc.wYear = v.utc.wYear;
    }
    if (p & kNmeaSatsUsed)
        L.satsUsed = v.satsUsed;
    if (p & kNmeaAltitude) {
        if (v.pos.z > MaxAltitude) {
            MaxAltitude = v.pos.z;
            fx->statistics = true;
        }
        L.pos.z = v.pos.z;
    }
    if (p & kNmeaSpeed) {
        // Kept in km/h whatever unit is shown: a change of unit must not
        // compare speeds of two units.
        if (v.kmh > MaxSpeed) {
            MaxSpeed = v.kmh;
            fx->statistics = true;
        }
        L.knots = v.knots;
        L.ms = v.ms;
        L.kmh = v.kmh;
        L.mph = v.mph;
    }
    if (p & kNmeaCourse)
        L.course = v.course;
    if (p & kNmeaMagVar)
        L.magVar = v.magVar;
    if (p & kNmeaPdop)
        L.pdop = v.pdop;
    if (p & kNmeaHdop)
        L.hdop = v.hdop;
    if (p & kNmeaVdop)
        L.vdop = v.vdop;
    if (p & kNmeaUsedFlags) {
        // Flags of satellites not listed stay as they are.
        for (int i = 0; i <= kNmeaMaxPrn; ++i)
            if (v.sats[i].used)
                L.sats[i].used = 1;
        SatellitesChanged.store(true, std::memory_order_relaxed);
    }
    if (p & kNmeaSkyStart)
        for (int i = 0; i <= kNmeaMaxPrn; ++i)
            L.sats[i].inView = 0;
    if (p & kNmeaSkyEntries) {
        // The whole entry is replaced, so a used flag set by GSA is cleared
        // until the next GSA names the satellite again.
        for (int i = 0; i <= kNmeaMaxPrn; ++i)
            if (v.sats[i].inView)
                L.sats[i] = v.sats[i];
    }
    if (p & kNmeaSatsInView)
        L.satsInView = v.satsInView;
}

void GpsPort::RunEffects(const PendingEffects& fx)
{
    const HWND window = Window();
    if (fx.sound) {
        OutsideSeams.playSound(fx.sound);
        if (window)
            RefreshWindow(window);
    }
    if (fx.statistics && window)
        SendMessageW(window, WM_STATISTICSREFRESH, 0, 0);
}

LiveRecordGuard::LiveRecordGuard(GpsPort* port) : port_(port)
{
    EnterCriticalSection(&port_->lock_);
}

LiveRecordGuard::~LiveRecordGuard()
{
    LeaveCriticalSection(&port_->lock_);
}
