// Commands to the receiver: SiRF's NMEA sentences and binary frames, and the
// position handed back as a waypoint sentence.
//
// The fixed sentences carry the checksums the receiver checks; a sentence
// built at run time gets its checksum from CalcNmeaChecksum, since a SiRF
// receiver drops any input sentence whose checksum is missing or wrong.
#include "gps/receiver_commands.h"

#include "kit/display.h"

#include <cstdio>
#include <cstring>
#include <iterator>

namespace {

constexpr uint8_t kSirfStart[2] = {0xA0, 0xA2};
constexpr uint8_t kSirfEnd[2] = {0xB0, 0xB3};
constexpr uint8_t kSwitchToNmeaId = 0x81;   // message 129
constexpr uint8_t kSwitchToNmeaMode = 0x02;

constexpr char kRateFormat[] = "$PSRF103,%02d,00,%i,00";
constexpr char kWaypointFormat[] = "$GPWPL,%02d%s,%c,%03d%s,%c,CUR";
constexpr char kChecksumFormat[] = "*%02X\r\n";
constexpr char kFullMinutes[] = "60.000";

struct SIRF_SENTENCE {
    int command;
    const char* sentence;
};

constexpr SIRF_SENTENCE kSirfSentences[] = {
    {401, "$PSRF100,0,9600,8,1,0*0C\r\n"},          // to SiRF binary at 9600 baud
    {404, "$PSRF105,1*3E\r\n"},                     // debug messages on
    {405, "$PSRF105,0*3F\r\n"},                     // and off
    {421, "$PSRF101,0,0,0,000,0,0,12,6*12\r\n"},    // cold reset
    {422, "$PSRF101,0,0,0,000,0,0,12,2*16\r\n"},    // warm
    {423, "$PSRF101,0,0,0,000,0,0,12,1*15\r\n"},    // hot
    {424, "$PSRF101,0,0,0,000,0,0,12,8*1C\r\n"},    // factory
    {428, "$PSRF151,01*0F\r\n"},                    // WAAS on
    {429, "$PSRF151,00*0E\r\n"},                    // and off
};

constexpr int kFirstRateCommand = 411;
constexpr int kLastRateCommand = 416;

// Appends "*hh\r\n" of the text in out[0..length); the whole length, or 0
// when it does not fit.
size_t AppendChecksum(char* out, size_t length, size_t size)
{
    const int n = std::snprintf(out + length, size - length, kChecksumFormat, CalcNmeaChecksum(out));
    if (n < 0 || static_cast<size_t>(n) >= size - length) {
        out[0] = '\0';
        return 0;
    }
    return length + static_cast<size_t>(n);
}

// The text, terminated, of a printf that fits into out; otherwise 0.
template <typename... Args>
size_t PrintBounded(char* out, size_t size, const char* format, Args... args)
{
    if (!out || size == 0)
        return 0;
    const int n = std::snprintf(out, size, format, args...);
    if (n < 0 || static_cast<size_t>(n) >= size) {
        out[0] = '\0';
        return 0;
    }
    return static_cast<size_t>(n);
}

// Degrees and minutes of |value| as the coordinate display splits them; the
// minutes as "mm.mmm". Minutes that round up to a full 60 carry into the
// degrees: "4960.000" would be no position at all.
void SplitForSentence(double value, int axis, int* degrees, char minutes[16], char* letter)
{
    int mi = 0, se = 0, th = 0;
    wchar_t l = L' ';
    FormatCoordinateDms(value, nullptr, 0, axis, degrees, &mi, &se, &th, &l);
    const float m = static_cast<float>(mi * 60000 + se * 1000 + th) / 60000.0f;
    std::snprintf(minutes, 16, "%06.3f", static_cast<double>(m));
    if (std::strcmp(minutes, kFullMinutes) == 0) {
        std::snprintf(minutes, 16, "%06.3f", 0.0);
        if (*degrees < INT32_MAX)
            ++*degrees;
    }
    *letter = static_cast<char>(l);
}

}  // namespace

uint8_t CalcNmeaChecksum(const char* text)
{
    uint8_t sum = 0;
    if (!text || !*text)
        return 0;
    for (const char* c = text + 1; *c && *c != '*'; ++c)
        sum ^= static_cast<uint8_t>(*c);
    return sum;
}

bool SendNmeaSentence(GpsPort* port, const char* sentence)
{
    return port && sentence && port->Write(sentence, std::strlen(sentence));
}

const char* SirfCommandSentence(int command)
{
    for (const SIRF_SENTENCE& s : kSirfSentences)
        if (s.command == command)
            return s.sentence;
    return nullptr;
}

int SirfRateMessage(int command)
{
    if (command < kFirstRateCommand || command > kLastRateCommand)
        return -1;
    return command - kFirstRateCommand;
}

size_t FormatSirfRateSentence(int message, long rate, char* out, size_t size)
{
    const size_t n = PrintBounded(out, size, kRateFormat, message, static_cast<int>(rate));
    return n ? AppendChecksum(out, n, size) : 0;
}

size_t BuildSirfFrame(const uint8_t* payload, size_t length, uint8_t* frame)
{
    if (!payload || !frame || length == 0 || length > kSirfMaxCommandPayload)
        return 0;
    const uint16_t sum = CalcSirfChecksum(payload, length);
    uint8_t* p = frame;
    *p++ = kSirfStart[0];
    *p++ = kSirfStart[1];
    *p++ = static_cast<uint8_t>(length >> 8);
    *p++ = static_cast<uint8_t>(length & 0xFF);
    std::memcpy(p, payload, length);
    p += length;
    *p++ = static_cast<uint8_t>(sum >> 8);
    *p++ = static_cast<uint8_t>(sum & 0xFF);
    *p++ = kSirfEnd[0];
    *p++ = kSirfEnd[1];
    return static_cast<size_t>(p - frame);
}

bool SendSirfFrame(GpsPort* port, const uint8_t* payload, size_t length)
{
    uint8_t frame[kSirfFrameBufferSize];
    const size_t n = BuildSirfFrame(payload, length, frame);
    return port && n && port->Write(frame, n);
}

void BuildSirfSwitchToNmea(const SIRF_NMEA_PARAMS* params, uint8_t payload[kSirfSwitchToNmeaLength])
{
    const SIRF_NMEA_PARAMS& p = params ? *params : kSirfNmeaDefaults;
    std::memset(payload, 0, kSirfSwitchToNmeaLength);
    payload[0] = kSwitchToNmeaId;
    payload[1] = kSwitchToNmeaMode;
    // Each rate is followed by its checksum flag: every sentence with one.
    for (size_t i = 0; i < std::size(p.rates); ++i) {
        payload[2 + 2 * i] = p.rates[i];
        payload[3 + 2 * i] = 1;
    }
    payload[19] = 1;
    payload[22] = static_cast<uint8_t>((p.baud >> 8) & 0xFF);
    payload[23] = static_cast<uint8_t>(p.baud & 0xFF);
}

bool SendSirfSwitchToNmea(GpsPort* port, const SIRF_NMEA_PARAMS* params)
{
    uint8_t payload[kSirfSwitchToNmeaLength];
    BuildSirfSwitchToNmea(params, payload);
    return SendSirfFrame(port, payload, sizeof payload);
}

size_t FormatWaypointSentence(double latitude, double longitude, char* out, size_t size)
{
    int latDegrees = 0, lonDegrees = 0;
    char latMinutes[16], lonMinutes[16];
    char north = 'N', east = 'E';
    SplitForSentence(latitude, 1, &latDegrees, latMinutes, &north);
    SplitForSentence(longitude, 0, &lonDegrees, lonMinutes, &east);
    const size_t n =
        PrintBounded(out, size, kWaypointFormat, latDegrees, latMinutes, north, lonDegrees, lonMinutes, east);
    return n ? AppendChecksum(out, n, size) : 0;
}

bool SendWaypointSentence(GpsPort* port)
{
    if (!port)
        return false;
    const GPS_CURRENT live = port->Snapshot();
    char sentence[128];
    if (!FormatWaypointSentence(live.pos.y, live.pos.x, sentence, sizeof sentence))
        return false;
    return SendNmeaSentence(port, sentence);
}
