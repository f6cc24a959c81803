// SiRF binary messages into the live record.
//
// Values inside a payload are big-endian; offsets count from the message id
// at 0. A message may arrive shorter than the protocol says (a receiver of
// another firmware, line noise that still framed): every read is checked
// against the payload length, and list counts are bounded by the table.
#include "gps/gps.h"

#include <cstring>

namespace {

// The payload with its length: reads beyond the length give no value.
class Payload {
public:
    explicit Payload(const SirfFrame* f)
        : bytes_(f->payload), length_(f->length < SirfFrame::kMaxPayload ? f->length : SirfFrame::kMaxPayload) {}

    bool Has(size_t offset, size_t count) const { return offset + count <= length_; }
    size_t Length() const { return length_; }
    uint8_t U8(size_t i) const { return bytes_[i]; }
    uint16_t U16(size_t i) const { return SwapBytes16(AsStored<uint16_t>(i)); }
    int16_t S16(size_t i) const { return static_cast<int16_t>(U16(i)); }
    int32_t S32(size_t i) const { return static_cast<int32_t>(SwapBytes32(AsStored<uint32_t>(i))); }
    // Bytes as they lie in the frame, read in this machine's order.
    template <typename T>
    T AsStored(size_t i) const
    {
        T v;
        std::memcpy(&v, bytes_ + i, sizeof v);
        return v;
    }

private:
    const uint8_t* bytes_;
    size_t length_;
};

constexpr size_t kGeodeticLength = 90;     // through the HDOP byte at 89
constexpr size_t kMeasuredFixedLength = 29; // through the satellite count at 28
constexpr size_t kMeasuredChannels = 12;
constexpr size_t kVisibleEntrySize = 5;

// Message 41, geodetic navigation data: fix, UTC, position, speed, course.
void ApplyGeodetic(GPS_CURRENT* g, const Payload& p, uint32_t cellId)
{
    if (!p.Has(0, kGeodeticLength))
        return;
    // Before its first fix a receiver may send this message filled with
    // zeros, the navigation-valid word included: that is no fix at 0 N 0 E,
    // and the last known position stays. The satellite count at byte 88 is
    // no help here: some firmware leaves it 0 with a good fix.
    const int32_t latitude = p.S32(23);
    const int32_t longitude = p.S32(27);
    const bool hasPosition = latitude != 0 || longitude != 0;
    g->fix = p.U16(1) == 0 && hasPosition ? 1 : 0;

    g->utc.wYear = p.U16(11);
    g->utc.wMonth = p.U8(13);
    g->utc.wDay = p.U8(14);
    g->utc.wHour = p.U8(15);
    g->utc.wMinute = p.U8(16);
    const uint16_t ms = p.U16(17);
    g->utc.wSecond = static_cast<WORD>(ms / 1000);
    g->utc.wMilliseconds = static_cast<WORD>(ms % 1000);
    ConvertUtcToLocalTime(&g->local, &g->utc);

    // Single precision on purpose, as for NMEA input: the same position
    // reads the same whichever protocol brought it.
    if (hasPosition) {
        g->pos.y = static_cast<float>(latitude) / 10000000.0f;
        g->pos.x = static_cast<float>(longitude) / 10000000.0f;
        g->pos.z = static_cast<float>(p.S32(35)) / 100.0f;
    }
    g->pos.cellId = cellId;

    const float ms100 = static_cast<float>(p.U16(40)) / 100.0f;
    const float knots = ms100 / kKnotsToMs;
    const float kmh = knots * kKnotsToKmh;
    g->ms = ms100;
    g->knots = knots;
    g->kmh = kmh;
    g->mph = kmh / kKmPerStatuteMile;
    g->course = static_cast<float>(p.U16(42)) / 100.0f;
    // Receivers leave this word 0; it is kept as it lies in the frame.
    g->magVar = p.AsStored<int16_t>(44);
    // The protocol's HDOP: the byte counts fifths.
    g->hdop = static_cast<float>(p.U8(89)) / 5.0f;

    g->cellId = cellId;
    g->lastReportType = kReportPosition;
}

// Message 2, measured navigation data: velocity, modes, the satellites used.
void ApplyMeasured(GPS_CURRENT* g, const Payload& p, uint32_t)
{
    if (!p.Has(0, kMeasuredFixedLength))
        return;
    g->velocityX = p.S16(13) * 0.125f;
    g->velocityY = p.S16(15) * 0.125f;
    g->velocityZ = p.S16(17) * 0.125f;
    g->sirfMode1 = p.U8(19);
    g->sirfMode2 = p.U8(21);
    const int8_t used = static_cast<int8_t>(p.U8(28));
    g->satsUsed = used;

    // The used flags belong to the entries of the last visible list.
    int inView = g->satsInView;
    if (inView < 0)
        inView = 0;
    if (inView > kGpsSatelliteCount)
        inView = kGpsSatelliteCount;
    for (int i = 0; i < inView; ++i)
        g->sats[i].used = 0;

    size_t channels = used > 0 ? static_cast<size_t>(used) : 0;
    if (channels > kMeasuredChannels)
        channels = kMeasuredChannels;
    if (channels > p.Length() - kMeasuredFixedLength)
        channels = p.Length() - kMeasuredFixedLength;
    for (size_t c = 0; c < channels; ++c) {
        const int prn = p.U8(kMeasuredFixedLength + c);
        for (int i = 0; i < inView; ++i)
            if (g->sats[i].prn == prn)
                g->sats[i].used = 1;
    }
}

// Message 13, the visible list: entries by position, not by PRN.
void ApplyVisible(GPS_CURRENT* g, const Payload& p, uint32_t)
{
    if (!p.Has(0, 2))
        return;
    size_t n = p.U8(1);
    if (n > static_cast<size_t>(kGpsSatelliteCount))
        n = kGpsSatelliteCount;
    const size_t fit = (p.Length() - 2) / kVisibleEntrySize;
    if (n > fit)
        n = fit;
    // The count is what the table now holds, so that readers walking the
    // first satsInView entries find only entries of this list.
    g->satsInView = static_cast<int32_t>(n);
    for (size_t i = 0; i < n; ++i) {
        const size_t at = 2 + kVisibleEntrySize * i;
        g->sats[i].prn = p.U8(at);
        g->sats[i].azimuth = p.U16(at + 1);
        g->sats[i].elevation = p.U16(at + 3);
    }
}

struct SirfMessageEntry {
    uint8_t id;
    void (*apply)(GPS_CURRENT*, const Payload&, uint32_t cellId);
};

constexpr SirfMessageEntry kSirfMessages[] = {
    {41, ApplyGeodetic},
    {2, ApplyMeasured},
    {13, ApplyVisible},
};

}  // namespace

void DecodeSirfMessage(GpsPort* port, const SirfFrame* frame, uint32_t cellId)
{
    if (!port || !frame || frame->length == 0)
        return;
    const Payload payload(frame);
    for (const SirfMessageEntry& m : kSirfMessages) {
        if (m.id != payload.U8(0))
            continue;
        m.apply(port->LiveRecord(), payload, cellId);
        return;
    }
}

uint16_t CalcSirfChecksum(const uint8_t* payload, size_t length)
{
    unsigned sum = 0;
    for (size_t i = 0; payload && i < length; ++i)
        sum += payload[i];
    return static_cast<uint16_t>(sum & 0x7FFF);
}
