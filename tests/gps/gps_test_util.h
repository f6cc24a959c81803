// Shared by the GPS tests: a window that stands for the main window and
// records what the input path sends it, and text placed against an
// inaccessible page so that reading one byte past it crashes the test.
#pragma once
#include "gps/gps.h"
#include "support/window_support.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace gpstest {

// The window standing for the main window, shared with the other window tests.
using testsupport::PortWindow;

// What a port of NewPort sent to its window, and what was heard, since it
// was made.
struct SentRecord {
    std::vector<std::wstring> sounds;         // OutsideSeams.playSound
    int repaints = 0;                         // WM_PAINT
    int statistics = 0;                       // WM_STATISTICSREFRESH
    std::vector<std::wstring> lines;          // WM_GPSDATA, NMEA
    std::vector<std::vector<uint8_t>> frames; // WM_GPSDATA, SiRF: id + payload
    std::vector<int> reportTypes;             // live lastReportType at each WM_GPSDATA
    int spaces = 0;                           // WM_KEYDOWN VK_SPACE: the simulation's own tap
};

extern SentRecord Seen;
// Called with each message the window records, and with 0 for a sound.
extern std::function<void(UINT msg)> OnSent;

// Ends what NewPort began: the port, the recording and the recorded sounds.
struct PortEnd {
    void operator()(GpsPort* port) const;
};
using TestPort = std::unique_ptr<GpsPort, PortEnd>;

// A port handing over to a recording window, with Seen cleared, sounds
// recorded, and a recording begun as RecordEveryFix does.
TestPort NewPort();
// Begins a recording that keeps every valid fix of port, so that each
// recorder tick with a fix stores one point (Ticks()).
void RecordEveryFix(GpsPort* port);
// The points stored since the recording began: the recorder ticks that found
// a fix. Under port's lock, which its reader thread takes to store them.
size_t Ticks(GpsPort* port = &GpsDevice);

// Parses and applies one sentence; returns the message's kind.
int Apply(GpsPort* port, std::string_view sentence);

// Feeds text to assembly as one chunk.
void Feed(GpsPort* port, std::string_view chunk);

// A SiRF frame: start bytes, big-endian length, payload, checksum, end bytes.
std::string SirfFrameBytes(const std::string& payload);

// A SiRF payload being built: big-endian values at payload offsets.
class SirfPayload {
public:
    SirfPayload(uint8_t id, size_t length) : bytes_(length, '\0') { U8(0, id); }
    SirfPayload& U8(size_t at, uint8_t v) { bytes_.at(at) = static_cast<char>(v); return *this; }
    SirfPayload& U16(size_t at, uint16_t v) { U8(at, v >> 8); return U8(at + 1, v & 0xFF); }
    SirfPayload& S32(size_t at, int32_t v)
    {
        const uint32_t u = static_cast<uint32_t>(v);
        U16(at, static_cast<uint16_t>(u >> 16));
        return U16(at + 2, static_cast<uint16_t>(u & 0xFFFF));
    }
    const std::string& Bytes() const { return bytes_; }
    std::string Frame() const { return SirfFrameBytes(bytes_); }

private:
    std::string bytes_;
};

// A copy of text with an inaccessible page right behind its last byte (or,
// with guardBefore, right before its first byte).
class GuardedText {
public:
    explicit GuardedText(std::string_view text, bool guardBefore = false);
    ~GuardedText();
    GuardedText(const GuardedText&) = delete;
    GuardedText& operator=(const GuardedText&) = delete;
    std::string_view View() const { return {start_, size_}; }

private:
    void* base_ = nullptr;
    const char* start_ = nullptr;
    size_t size_ = 0;
};

// Sets TimeZoneBias for one scope.
class BiasScope {
public:
    explicit BiasScope(int minutes) : old_(TimeZoneBias) { TimeZoneBias = minutes; }
    ~BiasScope() { TimeZoneBias = old_; }

private:
    int old_;
};

}  // namespace gpstest
