// pathvex-wm's GPS-driver reader: a port object opened on the stand-in
// driver, whose script of position records the tests write step by step.
#include "stand_in_folder.h"

#include "gps/gps_test_util.h"

#include "gps/gps.h"
#include "gps/live_track.h"
#include "kit/outside.h"
#include "platform/handheld/cell_tower.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using namespace standin;

namespace {

// What the port handed over, copied while the reader waited for the hand-over.
std::mutex SeenLock;
std::vector<GPS_CURRENT> Seen;
std::vector<WPARAM> SeenData;
std::vector<std::wstring> Sounds;

void HandOver(GpsPort* port, WPARAM data)
{
    std::lock_guard<std::mutex> hold(SeenLock);
    Seen.push_back(*port->LiveRecord());
    SeenData.push_back(data);
}

void Play(const wchar_t* name)
{
    std::lock_guard<std::mutex> hold(SeenLock);
    Sounds.push_back(name);
}

// The main window on a thread of its own: the reader's hand-overs are
// copied there while the reader waits, whatever the test's thread does.
class MainWindowThread {
public:
    MainWindowThread()
        : thread_([this] {
              gpstest::PortWindow window(false, [](UINT msg, WPARAM data, LPARAM sender) {
                  if (msg == WM_GPSDATA)
                      HandOver(reinterpret_cast<GpsPort*>(sender), data);
              });
              threadId_ = GetCurrentThreadId();
              window_.store(window.Handle());
              MSG msg;
              while (GetMessageW(&msg, nullptr, 0, 0) > 0)
                  DispatchMessageW(&msg);
          })
    {
        WaitFor([&] { return window_.load() != nullptr; });
    }
    ~MainWindowThread()
    {
        PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
        thread_.join();
    }
    HWND Handle() const { return window_.load(); }

private:
    std::atomic<HWND> window_{nullptr};
    DWORD threadId_ = 0;
    std::thread thread_;
};

size_t SeenCount()
{
    std::lock_guard<std::mutex> hold(SeenLock);
    return Seen.size();
}

GPS_CURRENT SeenAt(size_t i)
{
    std::lock_guard<std::mutex> hold(SeenLock);
    return Seen.at(i);
}

// A port handing over to the main window's thread, its sounds recorded,
// cell 31337 the cell of the moment, and a recording of every fix
// (gpstest::RecordEveryFix); the driver looked for in the folder.
struct DriverPort {
    MainWindowThread window;
    GpsPort port;
    const OUTSIDE_SEAMS outside = OutsideSeams;
    explicit DriverPort(const Folder& folder)
    {
        SetDllDirectoryW(folder.WPath().c_str());
        {
            std::lock_guard<std::mutex> hold(SeenLock);
            Seen.clear();
            SeenData.clear();
            Sounds.clear();
        }
        port.SetWindow(window.Handle());
        OutsideSeams.playSound = Play;
        CurrentCellId.store(31337);
        gpstest::RecordEveryFix(&port);
        GpsInputKind.store(kGpsInputNmea);
    }
    ~DriverPort()
    {
        port.Close();
        SetDllDirectoryW(nullptr);
        OutsideSeams = outside;
        CurrentCellId.store(0);
        RecorderState.store(kRecorderIdle);
        ActiveTrack = TRACK{};
    }
    bool WaitSeen(size_t n) const { return WaitFor([&] { return SeenCount() >= n; }); }
};

GPS_DRIVER_STEP FullStep()
{
    GPS_DRIVER_STEP s = PositionStep(48.137154, 11.576124);
    GPS_DRIVER_POSITION& r = s.record;
    r.utcTime = {2024, 5, 0, 17, 12, 34, 56, 789};
    r.speed = 10.0f;
    r.heading = 271.5f;
    r.magneticVariation = -2.25;
    r.altitudeSeaLevel = 519.5f;
    r.pdop = 1.8f;
    r.hdop = 0.9f;
    r.vdop = 1.5f;
    // Five of seven satellites in view are used; the slots beyond are empty.
    r.satellitesUsed = 5;
    const DWORD used[] = {3, 7, 19, 11, 8};
    std::copy(std::begin(used), std::end(used), r.usedPrns);
    r.satellitesInView = 7;
    const DWORD prns[] = {3, 7, 8, 11, 13, 16, 19};
    for (size_t i = 0; i < std::size(prns); ++i) {
        r.inViewPrns[i] = prns[i];
        r.inViewElevation[i] = DWORD(10 + i);
        r.inViewAzimuth[i] = DWORD(100 + i);
        r.inViewSnr[i] = DWORD(30 + i);
    }
    return s;
}

}  // namespace

TEST_CASE("the GPS driver's records reach the live record in a position and a satellite step")
{
    Folder driver(Libraries::Whole);
    driver.Drive(FullStep());
    DriverPort d(driver);
    MaxSpeed = 0.0;
    REQUIRE(d.port.Open(false, true));
    CHECK(GpsInputKind.load() == kGpsInputDriver);
    REQUIRE(d.WaitSeen(2));
    CHECK(WaitFor([&] { return gpstest::Ticks(&d.port) == 1; }));

    const GPS_CURRENT position = SeenAt(0);
    CHECK(position.lastReportType == kReportPosition);
    CHECK(position.fix == 1);
    CHECK(position.pos.y == 48.137154);
    CHECK(position.pos.x == 11.576124);
    CHECK(position.pos.z == 519.5);
    CHECK(position.pos.cellId == 31337);
    CHECK(position.cellId == 31337);
    // The speeds at single precision, as the NMEA parser forms them.
    CHECK(position.knots == 10.0);
    CHECK(position.ms == double(10.0f * 0.5144444f));
    CHECK(position.kmh == double(10.0f * 1.852f));
    CHECK(position.mph == double(10.0f * 1.852f / 1.609344f));
    CHECK(MaxSpeed == position.kmh);
    CHECK(position.course == 271.5);
    CHECK(position.magVar == -2.25);
    CHECK(position.utc.wHour == 12);
    CHECK(position.utc.wMinute == 34);
    CHECK(position.utc.wSecond == 56);
    CHECK(position.utc.wMilliseconds == 789);
    CHECK(position.utc.wYear == 0);   // the time of day only, no date
    CHECK(position.local.wSecond == 56);

    const GPS_CURRENT sky = SeenAt(1);
    CHECK(sky.lastReportType == kReportSatellites);
    CHECK(sky.satsUsed == 5);
    CHECK(sky.satsInView == 7);
    CHECK(sky.pdop == 1.8f);
    CHECK(sky.hdop == 0.9f);
    CHECK(sky.vdop == 1.5f);
    const int used[12] = {1, 1, 1, 1, 0, 0, 1, 0, 0, 0, 0, 0};
    for (int i = 0; i < kGpsSatelliteCount; ++i) {
        CAPTURE(i);
        const GPS_SATELLITE& s = sky.sats[i];
        if (i >= 12) {
            CHECK((s.inView == 0 && s.used == 0 && s.prn == 0 && s.snr == 0.0f));
            continue;
        }
        // Fewer than 12 in view still fill 12 entries, PRN 0 where empty.
        CHECK(s.inView == 1);
        CHECK(s.used == used[i]);
        CHECK(s.prn == (i < 7 ? int(FullStep().record.inViewPrns[i]) : 0));
        CHECK(s.elevation == (i < 7 ? float(10 + i) : 0.0f));
        CHECK(s.snr == (i < 7 ? float(30 + i) : 0.0f));
    }
    {
        std::lock_guard<std::mutex> hold(SeenLock);
        CHECK(SeenData == std::vector<WPARAM>{0, 0});
        CHECK(Sounds == std::vector<std::wstring>{L"OK"});
    }

    CHECK(d.port.Close());
    CHECK_FALSE(d.port.IsReaderRunning());
    CHECK(driver.Has(kGpsLog, "open"));
    CHECK(driver.Has(kGpsLog, "get 1"));
    CHECK(driver.Has(kGpsLog, "close"));
    CHECK(driver.Count(kGpsLog, "misuse") == 0);
    std::lock_guard<std::mutex> hold(SeenLock);
    CHECK(Sounds.back() == L"ERR2");
}

TEST_CASE("records that repeat, fail or carry garbage change nothing they should not")
{
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    constexpr float kHuge = std::numeric_limits<float>::max();
    Folder driver(Libraries::Whole);
    DriverPort d(driver);
    const GPS_DRIVER_STEP first = FullStep();
    driver.Drive(first);
    REQUIRE(d.port.Open(false, true));
    REQUIRE(d.WaitSeen(2));
    size_t handed = 2;

    SUBCASE("a repeated record sends nothing")
    {
        driver.Drive(first);
        driver.Drive(first);
        CHECK(WaitFor([&] { return driver.Has(kGpsLog, "get 3"); }));
    }
    SUBCASE("a failed read is skipped, half-written record and all")
    {
        GPS_DRIVER_STEP torn = PositionStep(-33.0, 151.0);
        torn.result = ERROR_TIMEOUT;
        driver.Drive(torn);
        CHECK(WaitFor([&] { return driver.Has(kGpsLog, "get 2"); }));
    }
    SUBCASE("a record with the speed bit clear leaves the four speeds")
    {
        GPS_DRIVER_STEP slow = FullStep();
        slow.record.validFields &= ~kGpsValidSpeed;
        slow.record.speed = 99.0f;
        slow.record.latitude = 48.2;
        driver.Drive(slow);
        REQUIRE(d.WaitSeen(4));
        handed = 4;
        const GPS_CURRENT now = SeenAt(2);
        CHECK(now.pos.y == 48.2);
        CHECK(now.knots == 10.0);
        CHECK(now.kmh == double(10.0f * 1.852f));
    }
    SUBCASE("every bit valid with values no receiver sends")
    {
        GPS_DRIVER_STEP bad = PositionStep(kNaN, 1e300);
        GPS_DRIVER_POSITION& r = bad.record;
        r.validFields = 0xFFFFFFFF;
        r.fixQuality = 0xFFFFFFFF;
        r.utcTime = {0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF};
        r.speed = std::numeric_limits<float>::infinity();
        r.heading = kHuge;
        r.magneticVariation = kNaN;
        r.altitudeSeaLevel = kHuge;
        r.pdop = float(kNaN);
        r.hdop = -1.0f;
        r.vdop = kHuge;
        r.satellitesUsed = 0xFFFFFFFF;
        r.satellitesInView = 13;
        for (size_t i = 0; i < kGpsDriverSlots; ++i) {
            r.usedPrns[i] = 0xFFFFFFFF;
            r.inViewPrns[i] = 0xFFFFFFFF;
            r.inViewElevation[i] = 91;
            r.inViewAzimuth[i] = 0xFFFFFFFF;
            r.inViewSnr[i] = 100;
        }
        driver.Drive(bad);
        REQUIRE(d.WaitSeen(4));
        handed = 4;
        const GPS_CURRENT was = SeenAt(1);
        const GPS_CURRENT now = SeenAt(3);
        CHECK(now.fix == 1);
        CHECK(now.pos.x == was.pos.x);
        CHECK(now.pos.y == was.pos.y);
        CHECK(now.pos.z == was.pos.z);
        CHECK(now.knots == was.knots);
        CHECK(now.course == was.course);
        CHECK(now.magVar == was.magVar);
        CHECK(now.utc.wHour == was.utc.wHour);
        CHECK(now.satsUsed == 12);
        CHECK(now.satsInView == 12);
        CHECK((now.pdop == 0.0f && now.hdop == 0.0f && now.vdop == 0.0f));
        for (int i = 0; i < 12; ++i) {
            CAPTURE(i);
            const GPS_SATELLITE& s = now.sats[i];
            CHECK((s.prn == 0 && s.elevation == 0.0f && s.azimuth == 0.0f && s.snr == 0.0f));
            CHECK(s.inView == 1);
        }
    }
    // Whatever came, a fresh record still goes through, and nothing else
    // was handed over before it.
    driver.Drive(PositionStep(1.5, 2.5));
    REQUIRE(d.WaitSeen(handed + 2));
    CHECK(SeenAt(handed).pos.x == 2.5);
    CHECK(SeenCount() == handed + 2);
    CHECK(d.port.Close());
    CHECK(driver.Count(kGpsLog, "misuse") == 0);
}

TEST_CASE("the reader ends at Close, whether it waits for a position or reads the same one for ever")
{
    Folder driver(Libraries::Whole);
    DriverPort d(driver);

    SUBCASE("a driver that never reports")
    {
        REQUIRE(testsupport::WriteWholeFile(driver.File(kGpsScript), ""));
        REQUIRE(d.port.Open(false, true));
        CHECK(d.port.IsReaderRunning());
    }
    SUBCASE("a driver that returns the same record for ever")
    {
        GPS_DRIVER_STEP again = FullStep();
        again.forever = 1;
        driver.Drive(again);
        REQUIRE(d.port.Open(false, true));
        CHECK(WaitFor([&] { return driver.Count(kGpsLog, "get 1") >= 20; }));
        CHECK(SeenCount() == 2);
        CHECK(gpstest::Ticks(&d.port) == 1);
    }
    CHECK(d.port.Close());
    CHECK_FALSE(d.port.IsReaderRunning());
    CHECK_FALSE(d.port.IsOpen());
    CHECK(driver.Has(kGpsLog, "close"));
    CHECK(driver.Count(kGpsLog, "misuse") == 0);
    // The driver is closed only once, and nothing is left to close.
    CHECK_FALSE(d.port.Close());
    CHECK(driver.Count(kGpsLog, "close") == 1);
}

TEST_CASE("a driver that cannot be opened fails the open, and starts no reader")
{
    SUBCASE("no driver library")
    {
        Folder none(Libraries::None);
        DriverPort d(none);
        CHECK_FALSE(d.port.Open(false, true));
        CHECK_FALSE(d.port.IsReaderRunning());
    }
    SUBCASE("a library without the position entry is not used at all")
    {
        Folder partial(Libraries::Partial);
        partial.Drive(FullStep());
        DriverPort d(partial);
        CHECK_FALSE(d.port.Open(false, true));
        CHECK_FALSE(d.port.IsReaderRunning());
        CHECK_FALSE(partial.Has(kGpsLog, "open"));
    }
    SUBCASE("a device the driver refuses")
    {
        Folder driver(Libraries::Whole);   // no script: no device
        DriverPort d(driver);
        CHECK_FALSE(d.port.Open(false, true));
        CHECK(driver.Has(kGpsLog, "open"));
        CHECK_FALSE(d.port.IsReaderRunning());
        CHECK_FALSE(d.port.Close());
        std::lock_guard<std::mutex> hold(SeenLock);
        CHECK(Sounds.empty());
    }
    CHECK(GpsInputKind.load() == kGpsInputNmea);
}
