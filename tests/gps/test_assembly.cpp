// Stream assembly, hand-over, the NMEA log, and the live record's lock.
#include "gps_test_util.h"

#include "gps/simulation.h"
#include "platform/handheld/cell_tower.h"

#include "support/test_support.h"

#include <doctest.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <iterator>
#include <random>
#include <string>
#include <thread>

using namespace gpstest;

namespace {

const std::string kGga = "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47";
const std::string kRmc = "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A";
const std::string kGsa = "$GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1*39";

using testsupport::Wide;

std::string Frame(const std::string& payload)
{
    return SirfFrameBytes(payload);
}

}  // namespace

TEST_CASE("NMEA lines are assembled across chunks")
{
    auto port = NewPort();
    SUBCASE("a whole GGA and the first five characters of an RMC") {
        Feed(port.get(), kGga + "\r\n" + kRmc.substr(0, 5));
        CHECK(Seen.lines == std::vector<std::wstring>{Wide(kGga)});
        CHECK(port->CarryOverLength() == 5);
        CHECK(Ticks() == 1);
        // The next chunk does not begin with '$', but the kept half comes
        // first, so the joined text does.
        Feed(port.get(), kRmc.substr(5) + "\r\n");
        CHECK(Seen.lines == std::vector<std::wstring>{Wide(kGga), Wide(kRmc)});
        CHECK(port->CarryOverLength() == 0);
        CHECK(port->LiveRecord()->lastReportType == kReportPosition);
        CHECK(Ticks() == 2);
    }
    SUBCASE("a chunk that begins mid-sentence is dropped whole") {
        Feed(port.get(), kGga.substr(10) + "\r\n" + kRmc + "\r\n");
        CHECK(Seen.lines.empty());
        CHECK(Ticks() == 0);
        CHECK(port->LiveRecord()->fix == 0);
    }
    SUBCASE("a cut between CR and LF") {
        Feed(port.get(), kGga + "\r");
        CHECK(Seen.lines.empty());
        Feed(port.get(), "\n" + kRmc + "\r\n");
        CHECK(Seen.lines == std::vector<std::wstring>{Wide(kGga), Wide(kRmc)});
    }
    SUBCASE("lines ended by LF alone are read one by one") {
        Feed(port.get(), kGga + "\n" + kRmc + "\n");
        CHECK(Seen.lines == std::vector<std::wstring>{Wide(kGga), Wide(kRmc)});
        CHECK(Seen.reportTypes == std::vector<int>{kReportGga, kReportPosition});
    }
    SUBCASE("each line sets the report type and the cell id before its hand-over") {
        CurrentCellId.store(77);
        Feed(port.get(), kGga + "\r\n" + kGsa + "\r\n$GNRMC,1,A*00\r\n" + kRmc + "\r\n");
        CurrentCellId.store(0);
        CHECK(Seen.reportTypes == std::vector<int>{kReportGga, kReportSatellites, kReportOther, kReportPosition});
        CHECK(port->LiveRecord()->cellId == 77);
        CHECK(Ticks() == 1);   // one batch
        CHECK(GpsInputKind == kGpsInputNmea);
    }
    SUBCASE("the hand-over text is the line decoded as UTF-8") {
        Feed(port.get(), "$GPTXT,01,01,02,Caf\xC3\xA9*00\r\n");
        REQUIRE(Seen.lines.size() == 1);
        CHECK(Seen.lines[0] == L"$GPTXT,01,01,02,Caf\u00E9*00");
    }
}

namespace {

// Shift held down as a user holds it, for the time of a scope.
struct ShiftHeld {
    ShiftHeld() { Press(0); }
    ~ShiftHeld() { Press(KEYEVENTF_KEYUP); }
    static void Press(DWORD flags)
    {
        INPUT key{};
        key.type = INPUT_KEYBOARD;
        key.ki.wVk = VK_SHIFT;
        key.ki.dwFlags = flags;
        SendInput(1, &key, sizeof key);
    }
};

}  // namespace

TEST_CASE("A tapped simulation taps on by itself after each chunk while Shift is held at a standstill")
{
    SimulationList.Replace({});   // the port's own reader delivers nothing
    SimulationMode = kSimulationTapping;
    auto port = NewPort();
    REQUIRE(port->Open(true, false));
    {
        ShiftHeld shift;
        SUBCASE("a batch of lines") {
            Feed(port.get(), kGga + "\r\n" + kGsa + "\r\n" + kGga.substr(0, 9));
            CHECK(Seen.spaces == 1);
        }
        SUBCASE("a chunk that begins mid-sentence, dropped whole") {
            Feed(port.get(), kGga.substr(10) + "\r\n");
            CHECK(Seen.spaces == 1);
        }
        SUBCASE("SiRF frames alone") {
            Feed(port.get(), Frame(std::string("\x29\x01", 2)) + Frame(std::string("\x04\x00", 2)));
            CHECK(Seen.spaces == 0);
        }
    }
    SUBCASE("Shift up: never") {
        Feed(port.get(), kGga + "\r\n");
        CHECK(Seen.spaces == 0);
    }
    port->Close();
    SimulationList.LoadDemonstration();
}

TEST_CASE("A stray zero byte ends only its line, wherever the reads fall")
{
    // Receivers and their logs carry stray zero bytes: at a line start,
    // inside a sentence, between CR and LF, and as part of a binary tail
    // after a sentence's checksum.
    const std::string z(1, '\0');
    const std::string stream = kGga + "\r\n" + z + kRmc + "\r\n" + kGsa.substr(0, 12) + z + kGsa.substr(12) + "\r\n"
        + kGga + "\r" + z + "\n" + kRmc + z + "\x81\x02\xFE\r\n" + kGsa + "\r\n" + z + z + kRmc + "\r\n";
    const std::vector<std::wstring> expected = {Wide(kGga), Wide(kRmc), Wide(kGsa.substr(0, 12)), Wide(kGsa.substr(12)),
        Wide(kGga), Wide(kRmc), L"\uFFFD\u0002\uFFFD", Wide(kGsa), Wide(kRmc)};
    auto port = NewPort();
    Feed(port.get(), stream);
    CHECK(Seen.lines == expected);
    CHECK(port->CarryOverLength() == 0);

    auto cutAt = [&](const std::vector<size_t>& cuts) {
        auto cutPort = NewPort();
        size_t from = 0;
        for (size_t to : cuts) {
            Feed(cutPort.get(), stream.substr(from, to - from));
            from = to;
        }
        Feed(cutPort.get(), stream.substr(from));
        return Seen.lines;
    };
    for (size_t cut = 1; cut < stream.size(); ++cut) {
        CAPTURE(cut);
        CHECK(cutAt({cut}) == expected);
    }
    std::mt19937 rng(33);
    for (int run = 0; run < 200; ++run) {
        std::vector<size_t> cuts;
        for (size_t at = 1 + rng() % 40; at < stream.size(); at += 1 + rng() % 40)
            cuts.push_back(at);
        CAPTURE(run);
        CHECK(cutAt(cuts) == expected);
    }
}

TEST_CASE("SplitLines breaks at CR, LF and zero bytes and leaves out empty lines")
{
    std::vector<std::string_view> lines;
    SplitLines("$A\r\n$B\r\n", &lines);
    CHECK(lines == std::vector<std::string_view>{"$A", "$B"});
    SplitLines("$A\r\n\r\n$B\r\n", &lines);   // a blank line ends nothing
    CHECK(lines == std::vector<std::string_view>{"$A", "$B"});
    SplitLines("$A\r", &lines);               // CR at the very end
    CHECK(lines == std::vector<std::string_view>{"$A"});
    SplitLines("$A\n$B\r$C", &lines);
    CHECK(lines == std::vector<std::string_view>{"$A", "$B", "$C"});
    SplitLines(std::string_view("$A\0\0$B", 6), &lines);
    CHECK(lines == std::vector<std::string_view>{"$A", "$B"});
}

TEST_CASE("SiRF frames are handed on one at a time")
{
    auto port = NewPort();
    const std::string f41 = Frame(std::string("\x29\x01\x02", 3));
    const std::string f4 = Frame(std::string("\x04\x00\x07", 3));
    // A fix from before, so that every recorder tick keeps a point.
    port->LiveRecord()->fix = 1;
    SUBCASE("two frames in one chunk, in order, within the same call") {
        Feed(port.get(), f41 + f4);
        REQUIRE(Seen.frames.size() == 2);
        CHECK(Seen.frames[0][0] == 0x29);
        CHECK(Seen.frames[1][0] == 0x04);
        CHECK(Seen.frames[1].size() == 3);
        CHECK(Ticks() == 2);
        CHECK(GpsInputKind == kGpsInputSirf);
        CHECK(port->CarryOverLength() == 0);
    }
    SUBCASE("a frame followed by NMEA text") {
        Feed(port.get(), f41 + kGga + "\r\n");
        CHECK(Seen.frames.size() == 1);
        CHECK(Seen.lines == std::vector<std::wstring>{Wide(kGga)});
        CHECK(GpsInputKind == kGpsInputNmea);
    }
    SUBCASE("a frame split across chunks, also inside its header") {
        const std::string both = f41 + f4;
        for (size_t cut = 1; cut < both.size(); ++cut) {
            CAPTURE(cut);
            Seen.frames.clear();
            Feed(port.get(), both.substr(0, cut));
            Feed(port.get(), both.substr(cut));
            CHECK(Seen.frames.size() == 2);
            CHECK(port->CarryOverLength() == 0);
        }
    }
    SUBCASE("a frame with an empty payload is neither handed on nor ticked") {
        Feed(port.get(), Frame(""));
        CHECK(Seen.frames.empty());
        CHECK(Ticks() == 0);
    }
    SUBCASE("a frame longer than the record holds is dropped with its chunk") {
        std::string big = Frame(std::string(1025, '\x07'));
        Feed(port.get(), big.substr(0, 600));
        CHECK(port->CarryOverLength() == 0);
        Feed(port.get(), big);
        CHECK(Seen.frames.empty());
        Feed(port.get(), f41);
        CHECK(Seen.frames.size() == 1);
    }
    SUBCASE("the largest frame that fits is handed on whole") {
        Feed(port.get(), Frame(std::string(1024, '\x07')));
        REQUIRE(Seen.frames.size() == 1);
        CHECK(Seen.frames[0].size() == 1024);
    }
    SUBCASE("a thousand frames in one chunk, then half a sentence") {
        std::string chunk;
        for (int i = 0; i < 1000; ++i)
            chunk += Frame(std::string(1, static_cast<char>(i & 0x7F)));
        chunk += kGga.substr(0, 40);
        Feed(port.get(), chunk);
        CHECK(Seen.frames.size() == 1000);
        CHECK(Seen.frames[999][0] == (999 & 0x7F));
        CHECK(port->CarryOverLength() == 40);
        Feed(port.get(), kGga.substr(40) + "\r\n");
        CHECK(Seen.lines == std::vector<std::wstring>{Wide(kGga)});
    }
}

TEST_CASE("The carry-over never outgrows its buffer")
{
    auto port = NewPort();
    SUBCASE("6000 bytes without a line feed are let go") {
        Feed(port.get(), "$" + std::string(5999, 'A'));
        CHECK(port->CarryOverLength() == 0);   // no sentence start among the newest bytes
        Feed(port.get(), kGga + "\r\n");
        CHECK(Seen.lines == std::vector<std::wstring>{Wide(kGga)});
    }
    SUBCASE("a runaway line keeps the newest sentence start") {
        Feed(port.get(), "$" + std::string(5999, 'A') + kGga.substr(0, 20));
        CHECK(port->CarryOverLength() == 20);
        Feed(port.get(), kGga.substr(20) + "\r\n");
        CHECK(Seen.lines == std::vector<std::wstring>{Wide(kGga)});
        CHECK(port->LiveRecord()->fix == 1);
    }
    SUBCASE("chunk after chunk without a line feed") {
        Feed(port.get(), "$GPGSV");
        for (int i = 0; i < 20; ++i) {
            Feed(port.get(), std::string(3000, ','));
            CHECK(port->CarryOverLength() <= GpsPort::kCarryOverSize);
        }
        CHECK(Seen.lines.empty());
    }
    SUBCASE("a chunk larger than the reader's buffer") {
        std::string text;
        while (text.size() < 3 * GpsPort::kReadChunkSize)
            text += kGga + "\r\n";
        Feed(port.get(), text);
        CHECK(Seen.lines.size() == text.size() / (kGga.size() + 2));
        CHECK(port->CarryOverLength() == 0);
    }
}

TEST_CASE("The NMEA log writes one entry per batch")
{
    testsupport::TempDir dir;
    const std::wstring path = dir.WPath() + L"\\gps.log";
    const std::string file = dir.File("gps.log");
    auto port = NewPort();
    NmeaLog* log = port->Log();
    log->SetPath(path.c_str());
    log->SetClock([](SYSTEMTIME* now) {
        *now = SYSTEMTIME{};
        now->wHour = 9;
        now->wMinute = 8;
        now->wSecond = 7;
    });
    std::string content;

    SUBCASE("off at start: nothing is written") {
        Feed(port.get(), kGga + "\r\n");
        CHECK_FALSE(testsupport::ReadFile(file, &content));
    }
    SUBCASE("a batch of two sentences is one entry ending in an empty line") {
        log->SetEnabled(true);
        Feed(port.get(), kGga + "\r\n" + kRmc + "\r\n");
        CHECK(log->IsOpen());
        CHECK(testsupport::ReadFile(file, &content));
        CHECK(content == "[09:08:07] " + kGga + "\r\n" + kRmc + "\r\n\r\n");
        SUBCASE("switched off, the next batch closes it and is not logged") {
            log->SetEnabled(false);
            Feed(port.get(), kGsa + "\r\n");
            CHECK_FALSE(log->IsOpen());
            CHECK(testsupport::ReadFile(file, &content));
            CHECK(content == "[09:08:07] " + kGga + "\r\n" + kRmc + "\r\n\r\n");
            CHECK(Seen.lines.size() == 3);
        }
    }
    SUBCASE("a stray zero byte is logged with the sentences after it") {
        log->SetEnabled(true);
        const std::string batch = kGga + "\r\n" + std::string(1, '\0') + kRmc + "\r\n";
        Feed(port.get(), batch);
        CHECK(testsupport::ReadFile(file, &content));
        CHECK(content == "[09:08:07] " + batch + "\r\n");
    }
    SUBCASE("a SiRF frame is written up to its first zero byte") {
        log->SetEnabled(true);
        Feed(port.get(), Frame(std::string("\x29\x01", 2)));
        CHECK(testsupport::ReadFile(file, &content));
        CHECK(content == "[09:08:07] \xA0\xA2\r\n");
    }
    SUBCASE("a log that cannot be opened loses the entry, not the input") {
        NmeaLog* other = port->Log();
        other->Close();
        const std::wstring bad = dir.WPath() + L"\\missing\\gps.log";
        other->SetPath(bad.c_str());
        other->SetEnabled(true);
        Feed(port.get(), kGga + "\r\n");
        CHECK_FALSE(other->IsOpen());
        CHECK(Seen.lines.size() == 1);
        CHECK(port->LiveRecord()->fix == 1);
    }
}

namespace {

// Tries the UI thread's guard from another thread: false when it cannot get
// it within two seconds, i.e. when the caller holds the lock.
GpsPort* LockProbePort = nullptr;
std::atomic<int> LockProbeFailures{0};
std::atomic<int> LockProbes{0};

void ProbeLock()
{
    ++LockProbes;
    HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread t([done] {
        LiveRecordGuard guard(LockProbePort);
        SetEvent(done);
    });
    if (WaitForSingleObject(done, 2000) != WAIT_OBJECT_0)
        ++LockProbeFailures;
    t.join();
    CloseHandle(done);
}

}  // namespace

TEST_CASE("Nothing is sent or heard while the live record is locked")
{
    // The hand-over is a synchronous send to the UI thread; if the reader
    // held the lock there, a UI thread waiting for the guard would deadlock.
    auto port = NewPort();
    LockProbePort = port.get();
    LockProbeFailures = 0;
    LockProbes = 0;
    std::map<UINT, int> probed;   // by message; 0 for a sound
    OnSent = [&](UINT msg) {
        ++probed[msg];
        ProbeLock();
    };
    MaxAltitude = 0;
    Feed(port.get(), kGga + "\r\n" + kRmc + "\r\n");       // sound, repaint, statistics
    Feed(port.get(), Frame(std::string("\x29\x01", 2)));
    NmeaMessage msg;
    port->ParseNmea("$GPGGA,123520,,,,,0,00,,,M,,M,,*66", &msg, true);
    CHECK(probed[0] == 2);   // "OK", then "ERR2"
    CHECK(probed[WM_PAINT] == 2);
    CHECK(probed[WM_STATISTICSREFRESH] >= 1);
    CHECK(probed[WM_GPSDATA] == 3);
    CHECK(LockProbes == 2 + 2 + probed[WM_STATISTICSREFRESH] + 3);
    CHECK(LockProbeFailures == 0);
}

TEST_CASE("The UI thread's reads never see half a unit")
{
    // The reader applies RMC sentences whose latitude equals the longitude
    // and whose speeds change every time; the UI side reads under the guard
    // and by snapshot and must always see one sentence's values together.
    auto port = std::make_unique<GpsPort>();
    std::atomic<bool> stop{false};
    std::thread reader([&] {
        char line[128];
        for (int i = 0; i < 20000 && !stop; ++i) {
            const int deg = i % 80;
            std::snprintf(line, sizeof line, "$GPRMC,120000,A,%02d30.000,N,0%02d30.000,E,%d.0,,,,*00\r\n",
                          deg, deg, i % 500);
            port->AssembleInput(line, std::strlen(line));
        }
        stop = true;
    });
    int torn = 0;
    int reads = 0;
    do {
        GPS_CURRENT copy;
        if (reads % 2) {
            LiveRecordGuard g(port.get());
            copy = *g;
        } else {
            copy = port->Snapshot();
        }
        ++reads;
        if (copy.pos.x != copy.pos.y || copy.kmh != static_cast<float>(static_cast<float>(copy.knots) * 1.852f))
            ++torn;
    } while (!stop);
    reader.join();
    CHECK(reads > 0);
    CHECK(torn == 0);
}

namespace {

HANDLE AboutToApply = nullptr;   // the writer begins the unit
HANDLE HandedOver = nullptr;     // the unit is applied

}  // namespace

TEST_CASE("The reader's writes wait for the UI thread's guard")
{
    // Deterministic where the test above depends on timing: the guard is held
    // here while another thread feeds one unit; the record must not change
    // until the guard goes. ParseNmea with apply writes the same record by
    // the same rule.
    auto port = std::make_unique<GpsPort>();
    AboutToApply = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    HandedOver = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    SirfPayload geodetic(41, 91);
    geodetic.S32(23, 100000000).S32(27, 200000000);
    // Each unit as a reader thread writes it, with word of its start and end.
    auto unit = [&](const std::function<void()>& write) {
        return [&, write] {
            SetEvent(AboutToApply);
            write();
            SetEvent(HandedOver);
        };
    };
    auto feed = [&](const std::string& bytes) { port->AssembleInput(bytes.data(), bytes.size()); };
    const std::function<void()> units[] = {
        unit([&] { feed(kRmc + "\r\n"); }),
        unit([&] { feed(geodetic.Frame()); }),
        unit([&] {
            NmeaMessage msg;
            port->ParseNmea(kGga, &msg, true);
        }),
    };
    for (size_t i = 0; i < std::size(units); ++i) {
        CAPTURE(i);
        ResetEvent(HandedOver);   // the last unit's
        const GPS_CURRENT before = *port->LiveRecord();
        std::thread reader;
        {
            LiveRecordGuard hold(port.get());
            reader = std::thread(units[i]);
            CHECK(WaitForSingleObject(AboutToApply, 10000) == WAIT_OBJECT_0);
            // A writer that took no lock is done within this time.
            CHECK(WaitForSingleObject(HandedOver, 500) == WAIT_TIMEOUT);
            CHECK(std::memcmp(&before, hold.get(), sizeof before) == 0);
        }
        reader.join();
        CHECK(std::memcmp(&before, port->LiveRecord(), sizeof before) != 0);
    }
    CloseHandle(AboutToApply);
    CloseHandle(HandedOver);
}
