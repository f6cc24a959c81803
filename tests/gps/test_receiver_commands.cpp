// What the program sends to the receiver, beyond what the end-to-end test
// (tests/app/test_receiver.cpp) reads off the wire. Expected checksums were
// worked out by hand, not with the function under test.
#include "gps/receiver_commands.h"

#include <doctest.h>

#include <limits>
#include <string>
#include <utility>
#include <vector>

namespace {

std::string Waypoint(double latitude, double longitude)
{
    char out[128];
    return FormatWaypointSentence(latitude, longitude, out, sizeof out) ? out : "";
}

}  // namespace

TEST_CASE("Checksums of sentences and frames")
{
    SUBCASE("an NMEA checksum covers the text after '$' up to the first '*'") {
        CHECK(CalcNmeaChecksum("$PSRF105,1") == 0x3E);
        CHECK(CalcNmeaChecksum("$PSRF105,1*00*FF") == 0x3E);
        CHECK(CalcNmeaChecksum("xA") == 'A');
        CHECK(CalcNmeaChecksum("$") == 0);
        CHECK(CalcNmeaChecksum(nullptr) == 0);
    }
    SUBCASE("a frame whose payload sums to 0x8123 carries 0x01 0x23") {
        std::vector<uint8_t> payload(0x81, 0xFF);   // 0x81 * 0xFF = 0x807F
        payload.push_back(0xA4);                    // + 0xA4 = 0x8123
        uint8_t frame[kSirfFrameBufferSize];
        const size_t n = BuildSirfFrame(payload.data(), payload.size(), frame);
        REQUIRE(n == payload.size() + 8);
        CHECK(std::vector<uint8_t>(frame, frame + 4) == std::vector<uint8_t>{0xA0, 0xA2, 0x00, 0x82});
        CHECK(std::vector<uint8_t>(frame + n - 4, frame + n) == std::vector<uint8_t>{0x01, 0x23, 0xB0, 0xB3});
        // The 1000-byte buffer takes 992 payload bytes at most.
        payload.assign(kSirfMaxCommandPayload + 1, 1);
        CHECK(BuildSirfFrame(payload.data(), kSirfMaxCommandPayload, frame) == kSirfFrameBufferSize);
        CHECK(BuildSirfFrame(payload.data(), payload.size(), frame) == 0);
    }
    SUBCASE("message 129 without parameters: the receiver's defaults") {
        uint8_t p[kSirfSwitchToNmeaLength];
        BuildSirfSwitchToNmea(nullptr, p);
        CHECK(std::vector<uint8_t>(p, p + kSirfSwitchToNmeaLength) ==
              std::vector<uint8_t>{0x81, 2, 1, 1, 0, 1, 1, 1, 5, 1, 1, 1, 0, 1, 0, 1, 0, 0, 0, 1, 0, 0, 0x25, 0x80});
    }
}

TEST_CASE("The fixed sentences of the SiRF menu, byte for byte")
{
    // Written out from the receiver's command set, not from the program's
    // table: each checksum was worked out by hand over the text between '$'
    // and '*'.
    const std::pair<int, const char*> sentences[] = {
        {401, "$PSRF100,0,9600,8,1,0*0C\r\n"},
        {404, "$PSRF105,1*3E\r\n"},
        {405, "$PSRF105,0*3F\r\n"},
        {421, "$PSRF101,0,0,0,000,0,0,12,6*12\r\n"},
        {422, "$PSRF101,0,0,0,000,0,0,12,2*16\r\n"},
        {423, "$PSRF101,0,0,0,000,0,0,12,1*15\r\n"},
        {424, "$PSRF101,0,0,0,000,0,0,12,8*1C\r\n"},
        {428, "$PSRF151,01*0F\r\n"},
        {429, "$PSRF151,00*0E\r\n"},
    };
    for (const auto& [command, expected] : sentences) {
        CAPTURE(command);
        const char* sentence = SirfCommandSentence(command);
        CHECK((sentence ? std::string(sentence) : "") == expected);
    }
    // The dialog, the rates and the ids between send no fixed sentence.
    for (int command : {400, 402, 403, 411, 416, 417, 425, 430})
        CHECK(SirfCommandSentence(command) == nullptr);
}

TEST_CASE("The waypoint sentence of a position")
{
    CHECK(Waypoint(-33.5, 151.25) == "$GPWPL,3330.000,S,15115.000,E,CUR*10\r\n");
    // Minutes that round to 60 carry into the degrees.
    CHECK(Waypoint(49.999999, 0.0) == "$GPWPL,5000.000,N,00000.000,E,CUR*0A\r\n");
    // Values no receiver gives stay inside the buffer.
    for (double v : {std::numeric_limits<double>::quiet_NaN(), 1e300, -std::numeric_limits<double>::infinity()})
        CHECK(Waypoint(v, v).rfind("$GPWPL,", 0) == 0);
    char small[30];
    CHECK(FormatWaypointSentence(49.0, 8.0, small, sizeof small) == 0);
    CHECK(small[0] == '\0');
}
