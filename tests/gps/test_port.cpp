// The port object against a real serial port whose far end the test holds
// (serial_pair.sh): what a receiver sends reaches the live record and the
// main window, what the program writes reaches the receiver, and opening,
// closing and shutting down never leave a reader, a handle or a deadlock.
#include "gps_test_util.h"
#include "port_harness.h"

#include "support/test_support.h"

#include <doctest.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

using namespace porttest;
using gpstest::SirfPayload;

namespace {

const std::string kGga = "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47";
const std::string kRmc = "$GPRMC,123519,A,4916.45,N,12311.12,W,10.0,84.4,230394,003.1,W*6A";

// Geodetic data at 33.5 S 70.25 W, 10 m/s; the time-of-week field carries
// the bytes a text-minded serial path would mangle: NUL, LF, CR, XON, XOFF.
std::string GeodeticFrame()
{
    SirfPayload p(41, 91);
    p.U8(7, 0x00).U8(8, 0x0A).U8(9, 0x0D).U8(10, 0x11).U8(6, 0x13);
    p.U16(11, 2007).U8(13, 1).U8(14, 2).U8(15, 3).U8(16, 4).U16(17, 5006);
    p.S32(23, -335000000).S32(27, -702500000).S32(35, 1000).U16(40, 1000).U16(42, 9000);
    return p.Frame();
}

std::string VisibleFrame()
{
    SirfPayload p(13, 2 + 5 * 3);
    p.U8(1, 3).U8(2, 0x11).U8(7, 0x13).U8(12, 0x0A).U16(3, 45);
    return p.Frame();
}

std::string MeasuredFrame()
{
    SirfPayload p(2, 41);
    p.U8(28, 2).U8(29, 0x13).U8(30, 0x0A);
    return p.Frame();
}

int Count(const TestWindow& w, int kind)
{
    int n = 0;
    for (const Received& r : w.messages)
        n += r.kind == kind;
    return n;
}

double FileTimeMs(const FILETIME& f)
{
    return static_cast<double>((static_cast<ULONGLONG>(f.dwHighDateTime) << 32) | f.dwLowDateTime) / 10000.0;
}

// The process's CPU time in milliseconds.
double CpuMs()
{
    FILETIME create, exit, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &create, &exit, &kernel, &user);
    return FileTimeMs(kernel) + FileTimeMs(user);
}

// The CPU time that one thread at the reader's priority gets by spinning
// for ms milliseconds: what a reader that spins would cost on this machine
// under its present load.
double SpinningThreadCpuMs(DWORD ms)
{
    std::atomic<bool> stop{false};
    double used = 0;
    std::thread spinner([&] {
        SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_IDLE);
        while (!stop.load(std::memory_order_relaxed)) {
        }
        FILETIME create, exit, kernel, user;
        GetThreadTimes(GetCurrentThread(), &create, &exit, &kernel, &user);
        used = FileTimeMs(kernel) + FileTimeMs(user);
    });
    PumpFor(ms);
    stop = true;
    spinner.join();
    return used;
}

// The line speed of the COM port as a second handle on it reads it: the
// system does not refuse a second open of the same port.
DWORD LineSpeed()
{
    const std::wstring path = L"\\\\.\\" + ComName();
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return 0;
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    const BOOL ok = GetCommState(h, &dcb);
    CloseHandle(h);
    return ok ? dcb.BaudRate : 0;
}

}  // namespace

TEST_CASE("A receiver on a serial port reaches the live record and the main window")
{
    REQUIRE_MESSAGE(!ComName().empty(), "run through serial_pair.sh");
    TestWindow window;
    FarEnd remote;
    REQUIRE(remote.IsOpen());
    const int threads = ThreadCount();
    auto port = NewPort(&window, nullptr, 4800);
    REQUIRE(port->Open(false, false));
    CHECK(port->IsOpen());
    CHECK(ThreadCount() == threads + 1);
    CHECK(Sounds() == std::vector<std::wstring>{L"OK"});
#if defined(PATHVEX_HANDHELD)
    CHECK(LineSpeed() == 38400);   // the handhelds leave the line as it is
#else
    // Built from the port's name, the line settings take.
    CHECK(LineSpeed() == 4800);
#endif

    SUBCASE("an NMEA burst, line by line") {
        REQUIRE(remote.Send(kGga + "\r\n" + kRmc + "\r\n"));
        REQUIRE(PumpUntil([&] { return window.messages.size() >= 2; }));
        CHECK(window.messages[0].line == kGga);
        CHECK(window.messages[1].line == kRmc);
        const GPS_CURRENT& gga = window.messages[0].record;
        CHECK(gga.lastReportType == kReportGga);
        CHECK(gga.fix == 1);
        CHECK(gga.satsUsed == 8);
        CHECK(gga.pos.y == doctest::Approx(48.1173).epsilon(1e-6));
        CHECK(gga.pos.z == 545.0);
        const GPS_CURRENT& rmc = window.messages[1].record;
        CHECK(rmc.lastReportType == kReportPosition);
        CHECK(rmc.pos.y == doctest::Approx(49.274167).epsilon(1e-6));
        CHECK(rmc.pos.x == doctest::Approx(-123.185333).epsilon(1e-6));
        CHECK(rmc.kmh == doctest::Approx(18.52));
        CHECK(rmc.utc.wYear == 2094);   // two-digit years are taken as 20xx
        CHECK(port->Snapshot().pos.x == rmc.pos.x);
        CHECK(Sounds() == std::vector<std::wstring>{L"OK", L"OK"});   // the fix came with GGA
    }
    SUBCASE("SiRF frames with line-control bytes inside, then NMEA in the same write") {
        REQUIRE(remote.Send(VisibleFrame() + MeasuredFrame() + GeodeticFrame() + kRmc + "\r\n"));
        REQUIRE(PumpUntil([&] { return window.messages.size() >= 4; }));
        REQUIRE(Count(window, kGpsInputSirf) == 3);
        CHECK(window.messages[0].frame.size() == 17);
        CHECK(window.messages[1].frame[0] == 2);
        CHECK(window.messages[2].frame.size() == 91);
        const GPS_CURRENT& g = window.messages[2].record;
        CHECK(g.fix == 1);
        CHECK(g.pos.y == doctest::Approx(-33.5));
        CHECK(g.pos.x == doctest::Approx(-70.25));
        CHECK(g.pos.z == doctest::Approx(10.0));
        CHECK(g.ms == doctest::Approx(10.0));
        CHECK(g.course == doctest::Approx(90.0));
        CHECK(g.utc.wDay == 2);
        CHECK(g.utc.wSecond == 5);
        CHECK(g.utc.wMilliseconds == 6);
        CHECK(g.satsInView == 3);
        CHECK(g.sats[0].prn == 0x11);
        CHECK(g.sats[0].azimuth == 45.0f);
        CHECK(g.sats[1].prn == 0x13);
        CHECK(g.sats[1].used == 1);
        CHECK(g.sats[2].used == 1);
        CHECK(g.sats[0].used == 0);
        CHECK(window.messages[3].kind == kGpsInputNmea);
        CHECK(window.messages[3].line == kRmc);
    }
    SUBCASE("what the program writes reaches the receiver while a read is pending") {
        const std::string command = "$PSRF100,0,9600,8,1,0*0C\r\n";
        PumpFor(100);   // the reader is inside its read now
        CHECK(port->Write(command.data(), command.size()));
        CHECK(remote.Receive(command.size(), 3000) == command);
        // The pending read was not disturbed.
        REQUIRE(remote.Send(kRmc + "\r\n"));
        CHECK(PumpUntil([&] { return window.messages.size() == 1; }));
    }

    CHECK(port->Close());
    CHECK_FALSE(port->IsOpen());
    CHECK_FALSE(port->IsReaderRunning());
    CHECK(ThreadCount() == threads);
    CHECK(Sounds().back() == L"ERR2");
    CHECK_FALSE(port->Write("x", 1));
    CHECK_FALSE(port->Close());
}

TEST_CASE("A recorded SiRF receiver decodes to its independent reading")
{
    const std::string data = testsupport::TestDataDir();
    std::string log, check;
    if (data.empty() || !testsupport::ReadFile(data + "\\receiver-logs\\bu303-stillfix.log", &log) ||
        !testsupport::ReadFile(data + "\\receiver-logs\\bu303-stillfix.log.chk", &check)) {
        MESSAGE("shared SiRF recording absent: not replayed");
        return;
    }
    // The independent reading's position reports, in order.
    struct Tpv {
        double lat, lon, alt, speed;
    };
    std::vector<Tpv> expected;
    for (size_t at = check.find("\"class\":\"TPV\""); at != std::string::npos;
         at = check.find("\"class\":\"TPV\"", at + 1)) {
        const std::string tpv = check.substr(at, check.find('\n', at) - at);
        using testsupport::JsonNumber;
        expected.push_back({JsonNumber(tpv, "lat"), JsonNumber(tpv, "lon"), JsonNumber(tpv, "altMSL"),
                            JsonNumber(tpv, "speed")});
    }
    REQUIRE(expected.size() > 5);

    TestWindow window;
    FarEnd remote;
    auto port = NewPort(&window, nullptr, 9600);
    REQUIRE(port->Open(false, false));
    const std::string bytes = RecordingBytes(log);
    // In pieces of a serial driver's size, cutting frames anywhere.
    for (size_t at = 0; at < bytes.size(); at += 300) {
        REQUIRE(remote.Send(bytes.substr(at, 300)));
        PumpFor(20);
    }
    std::vector<const Received*> geodetic;
    PumpUntil([&] {
        geodetic.clear();
        for (const Received& r : window.messages)
            if (!r.frame.empty() && r.frame[0] == 41)
                geodetic.push_back(&r);
        return geodetic.size() >= expected.size();
    });
    REQUIRE(geodetic.size() == expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        const GPS_CURRENT& g = geodetic[i]->record;
        CAPTURE(i);
        // The two read different messages of the same fix (the receiver's
        // geodetic report here, its earth-centred one there): metres apart.
        CHECK(std::fabs(g.pos.y - expected[i].lat) < 5e-5);
        CHECK(std::fabs(g.pos.x - expected[i].lon) < 5e-5);
        CHECK(std::fabs(g.pos.z - expected[i].alt) < 8.0);
        CHECK(std::fabs(g.ms - expected[i].speed) < 0.2);
        // Its geodetic data counts no satellites in the solution (byte 88
        // is 0) with a good fix: the fix rests on the word and the position.
        CHECK(g.fix == 1);
    }
    // The sky at the last report (the first measured data came before the
    // first visible list, so only later ones mark satellites used): eight
    // in view, five used.
    const GPS_CURRENT& first = geodetic.back()->record;
    CHECK(first.satsInView == 8);
    CHECK(first.satsUsed == 5);
    int used = 0;
    for (int i = 0; i < first.satsInView; ++i) {
        used += first.sats[i].used;
        if (first.sats[i].prn == 27) {
            CHECK(first.sats[i].elevation == 71.0f);   // 71.5 there, whole degrees here
            CHECK(first.sats[i].azimuth == 77.0f);     // 76.5 there
            CHECK(first.sats[i].used == 1);
        }
    }
    CHECK(used == 5);
    CHECK(port->Close());
}

TEST_CASE("Open and Close in any order leave one reader at most and no handle behind")
{
    TestWindow window;
    auto port = NewPort(&window);
    // The first round may set up things the process keeps.
    REQUIRE(port->Open(false, false));
    port->Close();
    REQUIRE(port->Open(true, false));
    port->Close();
    const int threads = ThreadCount();
    const int handles = HandleCount();
    REQUIRE(handles > 0);

    SUBCASE("any sequence of opens and closes, port and simulation") {
        SimulationMode = kSimulationTapping;
        unsigned seed = 7;
        for (int i = 0; i < 120; ++i) {
            seed = seed * 1103515245u + 12345u;
            switch ((seed >> 16) % 4) {
            case 0: CHECK(port->Open(false, false)); break;
            case 1: CHECK(port->Open(true, false)); break;
            case 2:
            case 3: port->Close(); break;
            }
            CHECK(ThreadCount() == threads + (port->IsReaderRunning() ? 1 : 0));
        }
        port->Close();
    }
    SUBCASE("a port that is not there") {
        auto missing = NewPort(&window, L"COM199");
        CHECK_FALSE(missing->Open(false, false));
        CHECK_FALSE(missing->IsReaderRunning());
        CHECK(Sounds().empty());
    }
    SUBCASE("a device that opens but is no serial port is let go again") {
        auto nul = NewPort(&window, L"NUL");
        for (int i = 0; i < 20; ++i)
            CHECK_FALSE(nul->Open(false, false));
        // It did open each time: the open sound came before the set-up failed.
        CHECK(Sounds() == std::vector<std::wstring>(20, L"OK"));
        CHECK_FALSE(nul->IsReaderRunning());
        CHECK_FALSE(nul->Close());
        // The real port opens after the failures as before.
        CHECK(port->Open(false, false));
        CHECK(port->Close());
    }
    SUBCASE("a port whose name is not COMn opens with its line settings") {
        // As a Bluetooth or USB receiver's port may be called.
        const std::wstring alias = AliasName();
        REQUIRE_FALSE(alias.empty());
        FarEnd remote;
        auto named = NewPort(&window, alias.c_str(), 9600);
        REQUIRE(named->Open(false, false));
#if !defined(PATHVEX_HANDHELD)
        CHECK(LineSpeed() == 9600);
#endif
        REQUIRE(remote.Send(kRmc + "\r\n"));
        CHECK(PumpUntil([&] { return window.messages.size() == 1; }));
        CHECK(named->Close());
    }
    SUBCASE("a name too long for the device path is cut") {
        GpsPort p(L"COM1234567890123456789", 4800);
        CHECK(std::wstring(p.DevicePath()) == L"\\\\.\\COM123456789012");
    }
    CHECK(ThreadCount() == threads);
    CHECK(HandleCount() == handles);
}

TEST_CASE("Closing and shutting down never deadlock with a reader inside its hand-over")
{
    TestWindow window;
    FarEnd remote;
    const int threads = ThreadCount();
    auto port = NewPort(&window);

    SUBCASE("Close from inside the WM_GPSDATA handler") {
        bool closed = false;
        window.onGpsData = [&](const Received&) {
            if (!closed)
                closed = port->Close();
        };
        REQUIRE(port->Open(false, false));
        REQUIRE(remote.Send(kGga + "\r\n" + kRmc + "\r\n" + kGga + "\r\n"));
        CHECK(PumpUntil([&] { return closed; }));
        CHECK_FALSE(port->IsReaderRunning());
        // Nothing comes after the port was closed.
        const size_t seen = window.messages.size();
        REQUIRE(remote.Send(kRmc + "\r\n"));
        PumpFor(400);
        CHECK(window.messages.size() == seen);
    }
    SUBCASE("Shutdown while the reader waits for a slow window") {
        window.onGpsData = [](const Received&) { Sleep(150); };
        SimulationList.LoadDemonstration();
        SimulationMode = kSimulationTimer;
        REQUIRE(port->Open(true, false));
        REQUIRE(PumpUntil([&] { return window.messages.size() >= 2; }));
        port->Shutdown();
        CHECK(ReaderStopFlag.load());
        CHECK_FALSE(port->IsReaderRunning());
        // No port opens once the program is closing.
        CHECK_FALSE(port->Open(true, false));
        ReaderStopFlag = false;
        SimulationMode = kSimulationTapping;
    }
    SUBCASE("Shutdown while a simulation waits for a tap") {
        SimulationList.LoadDemonstration();
        WaitForSingleObject(SimulationStepEvent, 0);   // no tap left over
        SimulationMode = kSimulationTapping;
        REQUIRE(port->Open(true, false));
        PumpFor(200);
        port->Shutdown();
        CHECK_FALSE(port->IsReaderRunning());
        CHECK(window.messages.empty());
        ReaderStopFlag = false;
    }
    SUBCASE("destroying the port object ends its reader") {
        REQUIRE(port->Open(false, false));
        REQUIRE(remote.Send(kRmc + "\r\n"));
        PumpUntil([&] { return !window.messages.empty(); });
        port.reset();
    }
    CHECK(ThreadCount() == threads);
}

TEST_CASE("Bad input and a vanishing port leave the reader running or ended cleanly")
{
    TestWindow window;
    const int threads = ThreadCount();
    auto port = NewPort(&window);
    REQUIRE(port->Open(false, false));
    FarEnd remote;
    // Separate writes must reach the reader as separate reads.
    auto send = [&](const std::string& bytes) {
        REQUIRE(remote.Send(bytes));
        PumpFor(400);
    };

    // Nothing that could start a unit: the chunk is dropped whole.
    std::string garbage;
    unsigned seed = 3;
    for (int i = 0; i < 3000; ++i) {
        seed = seed * 1103515245u + 12345u;
        const char c = static_cast<char>(seed >> 16);
        garbage += c == '$' || c == '\xA0' ? 'x' : c;
    }
    send(garbage);
    send(std::string("\xA0\xA2\xFF\xFF", 4) + garbage);   // announces 65535 bytes
    // A sentence that shares a read with the noise goes with it; the next
    // one, in a read of its own, gets through.
    bool through = false;
    for (int i = 0; i < 5 && !through; ++i) {
        REQUIRE(remote.Send(kRmc + "\r\n"));
        through = PumpUntil([&] { return Count(window, kGpsInputNmea) > 0; }, 2000);
    }
    CHECK(through);
    CHECK(port->IsReaderRunning());

    // A frame cut by the serial driver at a few places, header included.
    const std::string frame = GeodeticFrame();
    int frames = 0;
    for (size_t cut : {size_t{1}, size_t{2}, size_t{3}, size_t{5}, size_t{50}, frame.size() - 1}) {
        send(frame.substr(0, cut));
        CHECK(Count(window, kGpsInputSirf) == frames);
        REQUIRE(remote.Send(frame.substr(cut)));
        ++frames;
        CHECK(PumpUntil([&] { return Count(window, kGpsInputSirf) == frames; }));
    }

    // The far end goes away under a pending read.
    REQUIRE(ControlPair("cut"));
    PumpFor(800);
    const double cpu = CpuMs();
    PumpFor(1000);
    const double retrying = CpuMs() - cpu;
    const double spinning = SpinningThreadCpuMs(1000);
    CAPTURE(retrying);
    CAPTURE(spinning);
    CHECK(retrying * 6 < spinning);   // retrying, not spinning
    CHECK(port->Close());
    CHECK(ThreadCount() == threads);

    // A new pair behind the same name opens and reads as before.
    REQUIRE(ControlPair("renew"));
    FarEnd again;
    REQUIRE(port->Open(false, false));
    REQUIRE(again.Send(kGga + "\r\n"));
    CHECK(PumpUntil([&] { return Count(window, kGpsInputNmea) == 2; }));
    CHECK(port->Close());
}
