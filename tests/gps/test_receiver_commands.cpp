// What the program sends to the receiver: sentences, checksums and frames.
// Expected checksums were worked out by hand (and with a one-line XOR over
// the text), not with the function under test.
#include "gps_test_util.h"

#include "gps/receiver_commands.h"

#include <doctest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace {

std::string Rate(int message, long rate)
{
    char out[64];
    return FormatSirfRateSentence(message, rate, out, sizeof out) ? out : "";
}

std::string Waypoint(double latitude, double longitude)
{
    char out[128];
    return FormatWaypointSentence(latitude, longitude, out, sizeof out) ? out : "";
}

std::vector<uint8_t> SwitchPayload(const SIRF_NMEA_PARAMS* params)
{
    std::vector<uint8_t> p(kSirfSwitchToNmeaLength);
    BuildSirfSwitchToNmea(params, p.data());
    return p;
}

}  // namespace

TEST_CASE("Every sentence to the receiver carries the checksum of its text")
{
    SUBCASE("the fixed commands of the SiRF menu") {
        int found = 0;
        for (int id = 400; id <= 500; ++id) {
            const char* s = SirfCommandSentence(id);
            if (!s)
                continue;
            CAPTURE(s);
            ++found;
            const std::string text = s;
            const size_t star = text.find('*');
            REQUIRE(star != std::string::npos);
            CHECK(text.substr(star + 3) == "\r\n");
            unsigned sent = 0;
            CHECK(std::sscanf(text.c_str() + star + 1, "%2X", &sent) == 1);
            CHECK(sent == CalcNmeaChecksum(s));
        }
        CHECK(found == 9);
        CHECK(std::string(SirfCommandSentence(401)) == "$PSRF100,0,9600,8,1,0*0C\r\n");
        CHECK(SirfCommandSentence(402) == nullptr);
        CHECK(SirfCommandSentence(411) == nullptr);
    }
    SUBCASE("the checksum covers the text after '$' up to the first '*'") {
        CHECK(CalcNmeaChecksum("$PSRF105,1") == 0x3E);
        CHECK(CalcNmeaChecksum("$PSRF105,1*00*FF") == 0x3E);
        CHECK(CalcNmeaChecksum("xA") == 'A');   // the first character is never counted
        CHECK(CalcNmeaChecksum("$") == 0);
        CHECK(CalcNmeaChecksum("") == 0);
        CHECK(CalcNmeaChecksum(nullptr) == 0);
    }
    SUBCASE("rates go out as typed, with a checksum the receiver accepts") {
        CHECK(SirfRateMessage(411) == 0);
        CHECK(SirfRateMessage(416) == 5);
        CHECK(SirfRateMessage(417) == -1);
        CHECK(Rate(0, 5) == "$PSRF103,00,00,5,00*10\r\n");
        CHECK(Rate(5, -5) == "$PSRF103,05,00,-5,00*38\r\n");
        CHECK(Rate(2, 2147483647L) == "$PSRF103,02,00,2147483647,00*2D\r\n");
        char small[20];
        CHECK(FormatSirfRateSentence(0, 5, small, sizeof small) == 0);
        CHECK(small[0] == '\0');
    }
}

TEST_CASE("SiRF frames and the switch back to NMEA")
{
    uint8_t frame[kSirfFrameBufferSize];
    SUBCASE("a payload summing to 0x8123 is framed with the sum 0x0123") {
        std::vector<uint8_t> payload(0x81, 0xFF);   // 0x81 * 0xFF = 0x807F
        payload.push_back(0xA4);                    // + 0xA4 = 0x8123
        const size_t n = BuildSirfFrame(payload.data(), payload.size(), frame);
        REQUIRE(n == payload.size() + 8);
        CHECK(std::vector<uint8_t>(frame, frame + 4) == std::vector<uint8_t>{0xA0, 0xA2, 0x00, 0x82});
        CHECK(std::memcmp(frame + 4, payload.data(), payload.size()) == 0);
        CHECK(std::vector<uint8_t>(frame + n - 4, frame + n) == std::vector<uint8_t>{0x01, 0x23, 0xB0, 0xB3});
    }
    SUBCASE("a payload fills the 1000-byte buffer at most") {
        std::vector<uint8_t> payload(kSirfMaxCommandPayload + 1, 1);
        CHECK(BuildSirfFrame(payload.data(), kSirfMaxCommandPayload, frame) == kSirfFrameBufferSize);
        CHECK(BuildSirfFrame(payload.data(), payload.size(), frame) == 0);
        CHECK(BuildSirfFrame(payload.data(), 0, frame) == 0);
    }
    SUBCASE("message 129: the dialog's first values, the defaults, and values too wide") {
        const SIRF_NMEA_PARAMS dialog{{10, 0, 10, 10, 1, 0, 0}, 9600};
        CHECK(SwitchPayload(&dialog) == std::vector<uint8_t>{0x81, 0x02, 10, 1, 0, 1, 10, 1, 10, 1, 1, 1, 0, 1, 0, 1,
                                                             0, 0, 0, 1, 0, 0, 0x25, 0x80});
        const auto defaults = SwitchPayload(nullptr);
        CHECK(std::vector<uint8_t>{defaults[2], defaults[4], defaults[6], defaults[8], defaults[10], defaults[12],
                                   defaults[14]} == std::vector<uint8_t>{1, 0, 1, 5, 1, 0, 0});
        CHECK(defaults[22] == 0x25);
        CHECK(defaults[23] == 0x80);
        // The message has two bytes for the speed: 115200 keeps its low 16 bits.
        const SIRF_NMEA_PARAMS wide{{1, 0, 1, 5, 1, 0, 0}, 115200};
        const auto p = SwitchPayload(&wide);
        CHECK(p[22] == 0xC2);
        CHECK(p[23] == 0x00);
    }
}

TEST_CASE("The waypoint sentence of the live position")
{
    SUBCASE("hemispheres by sign, degrees and minutes with three decimals") {
        CHECK(Waypoint(49.274167, -123.185333) == "$GPWPL,4916.450,N,12311.120,W,CUR*15\r\n");
        CHECK(Waypoint(-33.5, 151.25) == "$GPWPL,3330.000,S,15115.000,E,CUR*10\r\n");
    }
    SUBCASE("minutes that round to 60 carry into the degrees") {
        CHECK(Waypoint(49.999999, 0.0) == "$GPWPL,5000.000,N,00000.000,E,CUR*0A\r\n");
    }
    SUBCASE("a position no receiver gives stays inside the buffer") {
        const double nan = std::numeric_limits<double>::quiet_NaN();
        for (double v : {nan, 1e300, -1e300, std::numeric_limits<double>::infinity()}) {
            const std::string s = Waypoint(v, v);
            CAPTURE(s);
            CHECK(s.size() < 128);
            CHECK(s.rfind("$GPWPL,", 0) == 0);
        }
        char small[30];
        CHECK(FormatWaypointSentence(49.0, 8.0, small, sizeof small) == 0);
        CHECK(small[0] == '\0');
    }
}

TEST_CASE("Nothing is written with no port open or in simulation")
{
    auto port = gpstest::NewPort();
    const uint8_t payload[1] = {0x84};
    CHECK_FALSE(SendNmeaSentence(port.get(), SirfCommandSentence(404)));
    CHECK_FALSE(SendSirfFrame(port.get(), payload, 1));
    CHECK_FALSE(SendSirfSwitchToNmea(port.get(), nullptr));
    CHECK_FALSE(SendWaypointSentence(port.get()));
    REQUIRE(port->Open(true, false));
    CHECK_FALSE(SendWaypointSentence(port.get()));
    CHECK_FALSE(SendSirfSwitchToNmea(port.get(), nullptr));
    port->Close();
    CHECK_FALSE(SendWaypointSentence(nullptr));
}
