// Shared by the GPS tests: hooks that record what the input path asks of
// the rest of the program, and text placed against an inaccessible page so
// that reading one byte past it crashes the test.
#pragma once
#include "gps/gps.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace gpstest {

// What the hooks saw since InstallRecordingHooks.
struct HookRecord {
    std::vector<std::wstring> sounds;
    int repaints = 0;
    int statistics = 0;
    std::vector<std::wstring> lines;          // NMEA hand-overs
    std::vector<std::vector<uint8_t>> frames; // SiRF hand-overs: id + payload
    std::vector<int> reportTypes;             // live lastReportType at each hand-over
    int ticks = 0;
    int advances = 0;
};

extern HookRecord Seen;
// The cell id the hook reports.
extern uint32_t CellId;

// Clears Seen and installs hooks that record into it.
void InstallRecordingHooks(GpsPort* port);

std::unique_ptr<GpsPort> NewPort();

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
