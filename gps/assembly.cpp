// Stream assembly: raw receiver chunks into NMEA batches and SiRF frames.
//
// The serial driver cuts the stream wherever its interval time-out fell, so a
// chunk may end inside a sentence or a frame; that part waits in the
// carry-over for the next chunk. Synchronisation relies on a chunk beginning
// where the receiver starts a burst: a chunk that begins with anything but
// '$' or the SiRF start bytes (after any line ends and stray zero bytes) is
// dropped whole. Whatever arrives, nothing is kept beyond the carry-over's
// size and no frame beyond SirfFrame's payload.
#include "gps/gps.h"

#include "gps/live_track.h"
#include "platform/handheld/cell_tower.h"

#include <cstring>

namespace {

constexpr unsigned char kSirfStart1 = 0xA0;
constexpr unsigned char kSirfStart2 = 0xA2;
constexpr size_t kSirfOverhead = 8;   // start, length, checksum, end

uint16_t BigEndian16(const unsigned char* p)
{
    return static_cast<uint16_t>((p[0] << 8) | p[1]);
}

// CR, LF and a stray zero byte each end a line. The batch itself ends at a
// line feed wherever the reads fell, so only a rule that breaks lines at LF
// too gives the same lines however the stream was cut; an empty line (a CR
// LF pair, a blank line, a zero at a line start) ends nothing.
bool IsLineBreak(unsigned char c)
{
    return c == '\r' || c == '\n' || c == '\0';
}

// The next line of an NMEA batch at *pos, or false at the end of the text.
bool NextLine(std::string_view text, size_t* pos, std::string_view* line)
{
    size_t start = *pos;
    while (start < text.size() && IsLineBreak(static_cast<unsigned char>(text[start])))
        ++start;
    if (start >= text.size()) {
        *pos = text.size();
        return false;
    }
    size_t end = start;
    while (end < text.size() && !IsLineBreak(static_cast<unsigned char>(text[end])))
        ++end;
    *line = text.substr(start, end - start);
    *pos = end;
    return true;
}

}  // namespace

void SplitLines(std::string_view text, std::vector<std::string_view>* lines)
{
    lines->clear();
    size_t pos = 0;
    std::string_view line;
    while (NextLine(text, &pos, &line))
        lines->push_back(line);
}

int GpsPort::AssembleInput(const char* bytes, size_t count)
{
    if (!bytes)
        return 0;
    // The reader hands at most one buffer of kReadChunkSize; larger input is
    // taken in such pieces so the working buffer has a fixed size.
    while (count > 0) {
        const size_t piece = count < kReadChunkSize ? count : kReadChunkSize;
        AssemblePiece(bytes, piece);
        bytes += piece;
        count -= piece;
    }
    return 0;
}

void GpsPort::AssemblePiece(const char* bytes, size_t count)
{
    std::memcpy(work_, carry_, carryLength_);
    std::memcpy(work_ + carryLength_, bytes, count);
    const size_t n = carryLength_ + count;
    work_[n] = 0;
    carryLength_ = 0;

    // One pass over the joined bytes: SiRF frames one after another, then at
    // most one NMEA batch, which takes everything up to its last line feed.
    // Line ends and stray zero bytes before a unit end empty lines; they
    // are passed over, so a read that begins with them is not taken for one
    // that begins inside a sentence.
    size_t pos = 0;
    while (pos < n) {
        while (pos < n && IsLineBreak(work_[pos]))
            ++pos;
        if (pos == n) {
            AutoAdvanceSimulation();   // nothing but line ends: dropped
            return;
        }
        unsigned char* b = work_ + pos;
        const size_t rest = n - pos;

        if (b[0] == '$') {
            GpsInputKind.store(kGpsInputNmea, std::memory_order_relaxed);
            const std::string_view text(reinterpret_cast<const char*>(b), rest);
            const size_t lf = text.rfind('\n');
            size_t used = 0;
            if (lf != std::string_view::npos) {
                used = lf + 1;
                HandleInput(reinterpret_cast<const char*>(b), used);
            }
            KeepTail(b + used, rest - used);
            AutoAdvanceSimulation();
            return;
        }

        // A chunk can end right after a frame's first byte; the frame's
        // second byte then arrives as the first of the next chunk.
        if (rest == 1 && b[0] == kSirfStart1) {
            KeepTail(b, 1);
            return;
        }

        if (rest >= 2 && b[0] == kSirfStart1 && b[1] == kSirfStart2) {
            GpsInputKind.store(kGpsInputSirf, std::memory_order_relaxed);
            if (rest < 4) {
                KeepTail(b, rest);   // the length has not arrived yet
                return;
            }
            const size_t payload = BigEndian16(b + 2);
            // A frame that SirfFrame cannot hold is taken for noise, like any
            // other unrecognised start; waiting for its bytes could also
            // outgrow the carry-over.
            if (payload > SirfFrame::kMaxPayload)
                return;
            const size_t frame = payload + kSirfOverhead;
            if (rest < frame) {
                KeepTail(b, rest);
                return;
            }
            HandleInput(reinterpret_cast<const char*>(b), frame);
            pos += frame;
            continue;
        }

        AutoAdvanceSimulation();   // dropped whole
        return;
    }
}

// Keeps the bytes for the next chunk. More than the carry-over holds means a
// runaway line (noise, or a receiver gone binary); of those bytes only the
// newest part that starts a sentence is worth keeping, since a carry-over
// that begins elsewhere would make the next chunk be dropped as well.
void GpsPort::KeepTail(const unsigned char* bytes, size_t count)
{
    if (count > kCarryOverSize) {
        const unsigned char* newest = bytes + (count - kCarryOverSize);
        const void* dollar = nullptr;
        for (size_t i = kCarryOverSize; i-- > 0;) {
            if (newest[i] == '$') {
                dollar = newest + i;
                break;
            }
        }
        if (!dollar) {
            carryLength_ = 0;
            return;
        }
        count = static_cast<size_t>(bytes + count - static_cast<const unsigned char*>(dollar));
        bytes = static_cast<const unsigned char*>(dollar);
    }
    // bytes may lie inside work_, never inside carry_: memmove is not needed.
    std::memcpy(carry_, bytes, count);
    carryLength_ = count;
}

void GpsPort::HandleInput(const char* data, size_t length)
{
    if (!data || length == 0)
        return;
    if (GpsInputKind.load(std::memory_order_relaxed) == kGpsInputSirf) {
        // A text log holds a frame only up to its first zero byte.
        const void* zero = std::memchr(data, 0, length);
        log_.Write(data, zero ? static_cast<size_t>(static_cast<const char*>(zero) - data) : length);
        HandleSirfFrame(reinterpret_cast<const unsigned char*>(data), length);
        return;
    }
    // NMEA text is logged as it came, stray zero bytes and all: a zero ends
    // only the line it is in, here and when the log is loaded as a
    // simulation.
    log_.Write(data, length);
    HandleNmeaBatch(std::string_view(data, length));
    RunBatchTick(this, 0);
}

void GpsPort::HandleNmeaBatch(std::string_view text)
{
    const uint32_t cellId = GetCurrentCellId();
    size_t pos = 0;
    std::string_view line;
    while (NextLine(text, &pos, &line)) {
        NmeaMessage msg;
        const bool known = ParseNmeaSentence(line, &msg);
        PendingEffects fx{};
        {
            LiveRecordGuard hold(this);
            if (known)
                ApplyNmea(msg, &fx);
            live_.lastReportType = msg.kind;
            live_.cellId = cellId;
        }
        // Outside the lock: the window belongs to the UI thread, which may be
        // waiting for the lock to paint.
        RunEffects(fx);
        if (!Window())
            continue;
        const size_t cap = sizeof wide_ / sizeof wide_[0] - 1;
        const size_t take = line.size() < cap ? line.size() : cap;
        int wide = take == 0 ? 0
            : MultiByteToWideChar(CP_UTF8, 0, line.data(), static_cast<int>(take),
                                  wide_, static_cast<int>(cap));
        if (wide < 0)
            wide = 0;
        wide_[wide] = 0;
        HandOver(reinterpret_cast<WPARAM>(wide_));
    }
}

void GpsPort::HandleSirfFrame(const unsigned char* bytes, size_t length)
{
    if (length < kSirfOverhead)
        return;
    SirfFrame frame{};
    frame.start = BigEndian16(bytes);
    frame.length = BigEndian16(bytes + 2);
    // Nothing to decode or hand on; such a batch gets no recorder tick.
    if (frame.length == 0)
        return;
    if (frame.length > SirfFrame::kMaxPayload || length < frame.length + kSirfOverhead)
        return;
    std::memcpy(frame.payload, bytes + 4, frame.length);
    frame.checksum = BigEndian16(bytes + 4 + frame.length);
    frame.end = BigEndian16(bytes + 6 + frame.length);
    const uint32_t cellId = GetCurrentCellId();
    {
        LiveRecordGuard hold(this);
        DecodeSirfMessage(this, &frame, cellId);
    }
    HandOver(reinterpret_cast<WPARAM>(&frame));
    RunBatchTick(this, 0);
}
