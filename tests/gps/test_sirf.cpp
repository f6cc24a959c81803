// SiRF binary messages 41, 2 and 13 into the live record.
#include "gps_test_util.h"

#include <doctest.h>

#include <cstring>

using namespace gpstest;

namespace {

// Geodetic navigation data: -33.5 degrees south, -70.25 west, 123.45 m,
// 10 m/s on course 315.5, 2007-01-01 12:34:56.789 UTC. The time-of-week
// field carries LF, CR, XON and XOFF bytes, as real frames do.
SirfPayload Geodetic(uint16_t navValid)
{
    SirfPayload p(41, 91);
    p.U16(1, navValid).U8(7, 0x0A).U8(8, 0x0D).U8(9, 0x11).U8(10, 0x13);
    p.U16(11, 2007).U8(13, 1).U8(14, 1).U8(15, 12).U8(16, 34).U16(17, 56789);
    p.S32(23, -335000000).S32(27, -702500000).S32(35, 12345);
    p.U16(40, 1000).U16(42, 31550).U8(89, 12);
    return p;
}

// The visible list: PRN, azimuth, elevation per satellite.
SirfPayload Visible(std::initializer_list<int> prns, size_t length = 0)
{
    SirfPayload p(13, length ? length : 2 + 5 * prns.size());
    p.U8(1, static_cast<uint8_t>(prns.size()));
    size_t i = 0;
    for (int prn : prns) {
        p.U8(2 + 5 * i, static_cast<uint8_t>(prn)).U16(3 + 5 * i, static_cast<uint16_t>(100 + i));
        p.U16(5 + 5 * i, static_cast<uint16_t>(10 + i));
        ++i;
    }
    return p;
}

SirfFrame ToFrame(const SirfPayload& p)
{
    SirfFrame f{};
    f.start = 0xA0A2;
    f.length = static_cast<uint16_t>(p.Bytes().size());
    std::memcpy(f.payload, p.Bytes().data(), p.Bytes().size());
    return f;
}

}  // namespace

TEST_CASE("Geodetic navigation data fills fix, time, position and speeds")
{
    auto port = NewPort();
    GPS_CURRENT* g = port->LiveRecord();
    BiasScope bias(-60);   // local time one hour ahead of UTC

    SUBCASE("a valid fix in the southern and western hemispheres") {
        const SirfFrame f = ToFrame(Geodetic(0));
        DecodeSirfMessage(port.get(), &f, 77);
        CHECK(g->fix == 1);
        CHECK(g->pos.y == doctest::Approx(-33.5));
        CHECK(g->pos.x == doctest::Approx(-70.25));
        CHECK(g->pos.z == doctest::Approx(123.45));
        CHECK(g->utc.wYear == 2007);
        CHECK(g->utc.wMonth == 1);
        CHECK(g->utc.wDay == 1);
        CHECK(g->utc.wHour == 12);
        CHECK(g->utc.wMinute == 34);
        CHECK(g->utc.wSecond == 56);
        CHECK(g->utc.wMilliseconds == 789);
        // The local time is whole, date included.
        CHECK(g->local.wYear == 2007);
        CHECK(g->local.wDay == 1);
        CHECK(g->local.wHour == 13);
        CHECK(g->local.wMinute == 34);
        // m/s to knots with the single-precision factor, then km/h and mph.
        CHECK(g->ms == doctest::Approx(10.0));
        CHECK(g->knots == doctest::Approx(10.0 / 0.5144444));
        CHECK(g->kmh == doctest::Approx(10.0 / 0.5144444 * 1.852));
        CHECK(g->mph == doctest::Approx(10.0 / 0.5144444 * 1.852 / 1.609344));
        CHECK(g->course == doctest::Approx(315.5));
        CHECK(g->hdop == doctest::Approx(2.4));   // fifths
        CHECK(g->lastReportType == kReportPosition);
        CHECK(g->cellId == 77);
        CHECK(g->pos.cellId == 77);
    }
    SUBCASE("a navigation-valid word other than 0 clears the fix but keeps the values") {
        g->fix = 1;
        const SirfFrame f = ToFrame(Geodetic(0x0004));
        DecodeSirfMessage(port.get(), &f);
        CHECK(g->fix == 0);
        CHECK(g->pos.y == doctest::Approx(-33.5));
        CHECK(g->utc.wSecond == 56);
        CHECK(g->kmh > 0);
    }
    SUBCASE("zeros before the first fix: no fix, and the position stays") {
        const SirfFrame good = ToFrame(Geodetic(0));
        DecodeSirfMessage(port.get(), &good);
        // As a SiRF-II receiver sends it before its first fix: 91 bytes, all
        // 0 after the id, the navigation-valid word included.
        const SirfFrame zeros = ToFrame(SirfPayload(41, 91));
        DecodeSirfMessage(port.get(), &zeros);
        CHECK(g->fix == 0);
        CHECK(g->pos.y == doctest::Approx(-33.5));
        CHECK(g->pos.x == doctest::Approx(-70.25));
        CHECK(g->pos.z == doctest::Approx(123.45));
        CHECK(g->kmh == 0);
        CHECK(g->lastReportType == kReportPosition);
    }
    SUBCASE("a message cut short changes nothing") {
        const GPS_CURRENT before = *g;
        SirfFrame f = ToFrame(Geodetic(0));
        f.length = 60;   // the position fits, the HDOP does not
        DecodeSirfMessage(port.get(), &f);
        CHECK(std::memcmp(&before, g, sizeof before) == 0);
    }
}

TEST_CASE("The visible list and the measured data fill the satellite table by position")
{
    auto port = NewPort();
    GPS_CURRENT* g = port->LiveRecord();
    for (int i = 0; i < kGpsSatelliteCount; ++i) {
        g->sats[i].prn = 90 + i;
        g->sats[i].snr = 33.0f;
        g->sats[i].inView = 1;
        g->sats[i].used = 1;
    }

    SUBCASE("three satellites write entries 0 to 2; entry 3 keeps its values") {
        const SirfFrame f = ToFrame(Visible({5, 17, 30}));
        DecodeSirfMessage(port.get(), &f);
        CHECK(g->satsInView == 3);
        CHECK(g->sats[0].prn == 5);
        CHECK(g->sats[1].prn == 17);
        CHECK(g->sats[2].prn == 30);
        CHECK(g->sats[2].azimuth == 102.0f);
        CHECK(g->sats[2].elevation == 12.0f);
        CHECK(g->sats[2].snr == 33.0f);   // SNR and in-view flags untouched
        CHECK(g->sats[2].inView == 1);
        CHECK(g->sats[3].prn == 93);
    }
    SUBCASE("four used satellites mark only their entries among those in view") {
        SirfFrame f = ToFrame(Visible({2, 4, 6, 8, 10, 12}));
        DecodeSirfMessage(port.get(), &f);
        g->sats[10].prn = 4;   // beyond the list: never marked
        g->sats[10].used = 0;
        SirfPayload m(2, 41);
        m.U16(13, static_cast<uint16_t>(-8)).U16(15, 16).U16(17, 4).U8(19, 0x04).U8(21, 0x12).U8(28, 4);
        // The channels: 4, 12, 9 (not in view), 2; then 6 and 8, past the count.
        m.U8(29, 4).U8(30, 12).U8(31, 9).U8(32, 2).U8(33, 6).U8(34, 8);
        f = ToFrame(m);
        DecodeSirfMessage(port.get(), &f);
        CHECK(g->satsUsed == 4);
        CHECK(g->sats[0].used == 1);   // 2
        CHECK(g->sats[1].used == 1);   // 4
        CHECK(g->sats[2].used == 0);   // 6
        CHECK(g->sats[3].used == 0);   // 8
        CHECK(g->sats[4].used == 0);   // 10
        CHECK(g->sats[5].used == 1);   // 12
        CHECK(g->sats[10].used == 0);
        CHECK(g->velocityX == -1.0f);
        CHECK(g->velocityY == 2.0f);
        CHECK(g->velocityZ == 0.5f);
        CHECK(g->sirfMode1 == 0x04);
        CHECK(g->sirfMode2 == 0x12);
    }
    SUBCASE("counts beyond the table, the channel list or the payload are bounded") {
        // 200 announced, 11 present.
        SirfFrame f = ToFrame(Visible({}, 2 + 5 * 11 + 3));
        f.payload[1] = 200;
        for (int i = 0; i < 11; ++i)
            f.payload[2 + 5 * i] = static_cast<uint8_t>(i + 1);
        DecodeSirfMessage(port.get(), &f);
        CHECK(g->satsInView == 11);
        CHECK(g->sats[10].prn == 11);
        CHECK(g->sats[11].prn == 101);

        // 255 announced with room for 60: the table holds 45.
        f = ToFrame(Visible({}, 2 + 5 * 60));
        f.payload[1] = 255;
        for (int i = 0; i < 60; ++i)
            f.payload[2 + 5 * i] = static_cast<uint8_t>(i + 1);
        DecodeSirfMessage(port.get(), &f);
        CHECK(g->satsInView == kGpsSatelliteCount);
        CHECK(g->sats[kGpsSatelliteCount - 1].prn == kGpsSatelliteCount);

        // 100 satellites used in a message whose channel list is cut off:
        // the bytes after its end are not channels.
        g->satsInView = 255;
        SirfPayload m(2, 29);
        m.U8(28, 100);
        f = ToFrame(m);
        for (int i = 0; i < 12; ++i)
            f.payload[29 + i] = static_cast<uint8_t>(i + 1);
        DecodeSirfMessage(port.get(), &f);
        CHECK(g->satsUsed == 100);
        for (int i = 0; i < kGpsSatelliteCount; ++i)
            CHECK(g->sats[i].used == 0);
    }
}

TEST_CASE("A message of another id changes nothing but is handed over")
{
    auto port = NewPort();
    Apply(port.get(), "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A");
    const GPS_CURRENT before = *port->LiveRecord();
    SirfPayload p(4, 188);
    p.U8(1, 0x0A).U8(2, 0x0D).U8(3, 0x11).U8(4, 0x13);
    Feed(port.get(), p.Frame());
    CHECK(std::memcmp(&before, port->LiveRecord(), sizeof before) == 0);
    REQUIRE(Seen.frames.size() == 1);
    CHECK(Seen.frames[0].size() == 188);
    CHECK(Seen.frames[0][0] == 4);
    CHECK(Ticks() == 1);
}
