// The NMEA parser and its apply step: what each sentence writes into the
// live record, and what it must leave alone.
#include "gps_test_util.h"

#include "kit/display.h"

#include <doctest.h>

#include <cstring>
#include <string>

using namespace gpstest;

namespace {

// Restores a unit global after a test changed it.
class UnitScope {
public:
    explicit UnitScope(int* unit, int value) : unit_(unit), old_(*unit) { *unit = value; }
    ~UnitScope() { *unit_ = old_; }

private:
    int* unit_;
    int old_;
};

bool SameRecord(const GPS_CURRENT& a, const GPS_CURRENT& b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

constexpr char kGga[] = "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47";
constexpr char kRmc[] = "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A";
constexpr char kGsa[] = "$GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1*39";
constexpr char kGsv1[] = "$GPGSV,2,1,08,01,40,083,46,02,17,308,41,12,07,344,39,14,22,228,45*75";

}  // namespace

TEST_CASE("ParseNmeaCoordinate reads ddmm.mm and dddmm.mm")
{
    int32_t mas = -1;
    SUBCASE("latitude: 49 degrees 16.45 minutes") {
        CHECK(ParseNmeaCoordinate("4916.45", &mas) == doctest::Approx(49.274167).epsilon(1e-7));
        // 49 * 3600000 + 16.45 * 60000, formed in single precision.
        CHECK(mas == doctest::Approx(177387000).epsilon(1e-7));
    }
    SUBCASE("longitude: 123 degrees 11.12 minutes") {
        CHECK(ParseNmeaCoordinate("12311.12", &mas) == doctest::Approx(123.185333).epsilon(1e-7));
    }
    SUBCASE("no point gives 0") {
        CHECK(ParseNmeaCoordinate("4916", &mas) == 0.0);
        CHECK(mas == 0);
        CHECK(ParseNmeaCoordinate("", nullptr) == 0.0);
    }
    SUBCASE("a point at index 0 or 1 reads nothing before the text") {
        // The text starts right after an inaccessible page: looking two
        // characters before the point would crash.
        GuardedText dot0(".5", true);
        CHECK(ParseNmeaCoordinate(dot0.View(), &mas) == doctest::Approx(0.5 / 60));
        GuardedText dot1("5.5", true);
        CHECK(ParseNmeaCoordinate(dot1.View(), &mas) == doctest::Approx(5.5 / 60));
        GuardedText dot1Long("7.25,N", true);
        CHECK(ParseNmeaCoordinate(dot1Long.View(), nullptr) == doctest::Approx(7.25 / 60));
    }
    SUBCASE("twenty digits saturate the arc milliseconds") {
        CHECK(ParseNmeaCoordinate("12345678901234567890.5", &mas) > 180.0);
        CHECK(mas == 2147483647);
    }
}

TEST_CASE("Numbers read as the C library reads them, bounded and checked")
{
    int32_t n = -1;
    double d = -1;
    CHECK(NmeaToLong("59.9", &n));
    CHECK(n == 59);
    CHECK(NmeaToLong(" -12", &n));
    CHECK(n == -12);
    CHECK_FALSE(NmeaToLong("", &n));
    CHECK(n == 0);
    CHECK_FALSE(NmeaToLong("*47", &n));
    CHECK(NmeaToLong("2147483647", &n));
    CHECK(n == 2147483647);
    CHECK(NmeaToLong("-2147483648", &n));
    CHECK(n == -2147483647 - 1);
    CHECK_FALSE(NmeaToLong("2147483648", &n));
    CHECK_FALSE(NmeaToLong("12345678901234567890", &n));
    CHECK(NmeaToDouble("1.5*33", &d));
    CHECK(d == 1.5);
    CHECK(NmeaToDouble("+022.4", &d));
    CHECK(d == doctest::Approx(22.4));
    CHECK(NmeaToDouble(".5", &d));
    CHECK(d == 0.5);
    CHECK_FALSE(NmeaToDouble("inf", &d));
    CHECK_FALSE(NmeaToDouble("1e999", &d));
    CHECK_FALSE(NmeaToDouble("", &d));
    // A view is not zero-terminated: digits after its end are not read.
    CHECK(NmeaToLong(std::string_view("123456", 2), &n));
    CHECK(n == 12);
}

TEST_CASE("GGA sounds the fix only between 0 and 1")
{
    struct Row {
        const char* name;
        int fixes[3];
        int count;
        std::vector<std::wstring> sounds;
        int finalFix;
    };
    const Row rows[] = {
        {"0 to 1 plays OK", {1}, 1, {L"OK"}, 1},
        {"1 to 0 plays ERR2", {1, 0}, 2, {L"OK", L"ERR2"}, 0},
        {"1 to 2 stores 2 quietly", {1, 2}, 2, {L"OK"}, 2},
        {"2 to 0 is quiet", {2, 0}, 2, {}, 0},
        {"0 to 0 is quiet", {0, 0}, 2, {}, 0},
    };
    for (const Row& row : rows) {
        CAPTURE(row.name);
        auto port = NewPort();
        for (int i = 0; i < row.count; ++i) {
            std::string s = "$GPGGA,123519,4807.038,N,01131.000,E," + std::to_string(row.fixes[i])
                            + ",08,0.9,545.4,M,46.9,M,,*47";
            Apply(port.get(), s);
        }
        CHECK(Seen.sounds == row.sounds);
        CHECK(Seen.repaints == static_cast<int>(row.sounds.size()));
        CHECK(port->LiveRecord()->fix == row.finalFix);
    }
    SUBCASE("RMC changes the fix without a sound") {
        auto port = NewPort();
        Apply(port.get(), kRmc);
        CHECK(port->LiveRecord()->fix == 1);
        Apply(port.get(), "$GPRMC,123520,V,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A");
        CHECK(port->LiveRecord()->fix == 0);
        CHECK(Seen.sounds.empty());
    }
}

TEST_CASE("GGA writes fix, position, time, satellites used and whole-metre altitude")
{
    auto port = NewPort();
    MaxAltitude = 0;
    CHECK(Apply(port.get(), kGga) == kNmeaGga);
    const GPS_CURRENT& L = *port->LiveRecord();
    CHECK(L.fix == 1);
    CHECK(L.pos.y == doctest::Approx(48.1173).epsilon(1e-6));
    CHECK(L.pos.x == doctest::Approx(11.516667).epsilon(1e-6));
    CHECK(L.pos.z == 545.0);   // decimals dropped
    CHECK(L.satsUsed == 8);
    CHECK(L.utc.wHour == 12);
    CHECK(L.utc.wMinute == 35);
    CHECK(L.utc.wSecond == 19);
    CHECK(MaxAltitude == 545.0);
    CHECK(Seen.statistics == 1);

    SUBCASE("south and west become negative") {
        Apply(port.get(), "$GPGGA,123520,3747.0873,S,17518.8938,W,1,08,1.1,59.9,M,23.7,M,,0000*7D");
        CHECK(L.pos.y == doctest::Approx(-37.784788).epsilon(1e-6));
        CHECK(L.pos.x == doctest::Approx(-175.314897).epsilon(1e-6));
    }
    SUBCASE("a lower altitude keeps the maximum and refreshes nothing") {
        Apply(port.get(), "$GPGGA,123520,4807.038,N,01131.000,E,1,08,0.9,-12.5,M,46.9,M,,*47");
        CHECK(L.pos.z == -12.0);
        CHECK(MaxAltitude == 545.0);
        CHECK(Seen.statistics == 1);
    }
    SUBCASE("a receiver that loses its fix: the position stays, everything else reads 0") {
        Apply(port.get(), kRmc);   // moving at 22.4 knots on course 84.4
        Apply(port.get(), kGsa);
        // What receivers send without a fix: empty fields throughout.
        Apply(port.get(), "$GPGGA,,,,,,0,00,99.99,,,,,,*48");
        CHECK(L.fix == 0);
        CHECK(Seen.sounds == std::vector<std::wstring>{L"OK", L"ERR2"});
        CHECK(L.satsUsed == 0);
        Apply(port.get(), "$GPRMC,,V,,,,,,,,,,N*53");
        CHECK(L.knots == 0);
        CHECK(L.kmh == 0);
        CHECK(L.mph == 0);
        CHECK(L.course == 0);
        CHECK(L.magVar == 0);
        Apply(port.get(), "$GPGSA,A,1,,,,,,,,,,,,,,,,*32");
        CHECK(L.pdop == 0);
        CHECK(L.hdop == 0);
        CHECK(L.vdop == 0);
        CHECK(L.pos.y == doctest::Approx(48.1173).epsilon(1e-6));
        CHECK(L.pos.x == doctest::Approx(11.516667).epsilon(1e-6));
        CHECK(L.pos.z == 545.0);
        CHECK(L.utc.wSecond == 19);   // an empty time leaves the time
        // An empty fix field is fix 0 as well, and sounds the loss.
        Apply(port.get(), kGga);
        Apply(port.get(), "$GPGGA,123521,,,,,,,,,M,,M,,*66");
        CHECK(L.fix == 0);
        CHECK(Seen.sounds.size() == 4);
        CHECK(Seen.sounds.back() == L"ERR2");
    }
    SUBCASE("twenty-digit fields: no position from them, and numbers that read 0") {
        Apply(port.get(), "$GPGGA,123520,12345678901234567890.123,N,12345678901234567890,E,"
                          "12345678901234567890,12345678901234567890,0.9,12345678901234567890,M,,M,,*47");
        CHECK(L.fix == 0);
        CHECK(L.pos.y == doctest::Approx(48.1173).epsilon(1e-6));
        CHECK(L.pos.x == doctest::Approx(11.516667).epsilon(1e-6));
        CHECK(L.satsUsed == 0);
        CHECK(L.pos.z == 545.0);
        CHECK(MaxAltitude == 545.0);
    }
    SUBCASE("coordinates beyond the poles or the antimeridian are refused") {
        Apply(port.get(), "$GPGGA,123520,9100.000,N,18100.000,E,1,08,0.9,545.4,M,46.9,M,,*47");
        CHECK(L.pos.y == doctest::Approx(48.1173).epsilon(1e-6));
        CHECK(L.pos.x == doctest::Approx(11.516667).epsilon(1e-6));
        Apply(port.get(), "$GPGGA,123520,9000.000,N,18000.000,W,1,08,0.9,545.4,M,46.9,M,,*47");
        CHECK(L.pos.y == 90.0);
        CHECK(L.pos.x == -180.0);
    }
}

TEST_CASE("Time of day")
{
    auto port = NewPort();
    const GPS_CURRENT& L = *port->LiveRecord();
    Apply(port.get(), "$GPGGA,123519.500,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47");
    CHECK(L.utc.wMilliseconds == 500);

    SUBCASE("000000.000 leaves the stored time, in GGA and RMC") {
        Apply(port.get(), "$GPGGA,000000.000,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47");
        Apply(port.get(), "$GPRMC,000000.000,A,4807.038,N,01131.000,E,022.4,084.4,230394,,*6A");
        CHECK(L.utc.wHour == 12);
        CHECK(L.utc.wMinute == 35);
        CHECK(L.utc.wSecond == 19);
        CHECK(L.utc.wMilliseconds == 500);
    }
    SUBCASE("a time without a fraction sets the milliseconds to 0") {
        Apply(port.get(), "$GPRMC,123520,A,4807.038,N,01131.000,E,022.4,084.4,230394,,*6A");
        CHECK(L.utc.wSecond == 20);
        CHECK(L.utc.wMilliseconds == 0);
        CHECK(L.local.wMilliseconds == 0);
    }
    SUBCASE("the fraction's digits are a whole number of milliseconds") {
        Apply(port.get(), "$GPRMC,123520.50,A,,,,,,,,,*6A");
        CHECK(L.utc.wMilliseconds == 50);
        Apply(port.get(), "$GPRMC,123521.1234,A,,,,,,,,,*6A");
        CHECK(L.utc.wMilliseconds == 123);
    }
    SUBCASE("a leap second is second 60") {
        BiasScope bias(-60);
        Apply(port.get(), "$GPRMC,235960.00,A,4807.038,N,01131.000,E,022.4,084.4,311216,,*6A");
        CHECK(L.utc.wHour == 23);
        CHECK(L.utc.wMinute == 59);
        CHECK(L.utc.wSecond == 60);
        CHECK(L.local.wSecond == 60);   // local 00:59:60
    }
    SUBCASE("what is no time of day is not stored") {
        Apply(port.get(), "$GPRMC,235961,A,,,,,,,,,*6A");
        Apply(port.get(), "$GPRMC,256100,A,,,,,,,,,*6A");
        Apply(port.get(), "$GPRMC,12x519,A,,,,,,,,,*6A");
        CHECK(L.utc.wHour == 12);
        CHECK(L.utc.wMinute == 35);
        CHECK(L.utc.wSecond == 19);
    }
}

TEST_CASE("Local time follows the time-zone bias; its date is not written")
{
    auto port = NewPort();
    const GPS_CURRENT& L = *port->LiveRecord();
    SUBCASE("east of Greenwich, 90 minutes ahead") {
        BiasScope bias(-90);
        Apply(port.get(), "$GPGGA,123519.250,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47");
        CHECK(L.local.wHour == 14);
        CHECK(L.local.wMinute == 5);
        CHECK(L.local.wSecond == 19);
        CHECK(L.local.wMilliseconds == 250);
    }
    SUBCASE("west, 5 hours behind, across midnight") {
        BiasScope bias(300);
        Apply(port.get(), kRmc);   // also carries a date
        Apply(port.get(), "$GPRMC,021000,A,4807.038,N,01131.000,E,022.4,084.4,,,*6A");
        CHECK(L.local.wHour == 21);
        CHECK(L.local.wMinute == 10);
        CHECK(L.local.wDay == 0);
        CHECK(L.utc.wDay == 23);
    }
}

TEST_CASE("RMC date")
{
    auto port = NewPort();
    const GPS_CURRENT& L = *port->LiveRecord();
    Apply(port.get(), kRmc);
    CHECK(L.utc.wDay == 23);
    CHECK(L.utc.wMonth == 3);
    CHECK(L.utc.wYear == 2094);
    SUBCASE("a date of zeros stores nothing") {
        Apply(port.get(), "$GPRMC,123520,A,4807.038,N,01131.000,E,022.4,084.4,000000,003.1,W*6A");
        CHECK(L.utc.wDay == 23);
        CHECK(L.utc.wYear == 2094);
    }
    SUBCASE("what is no date stores nothing") {
        Apply(port.get(), "$GPRMC,123520,A,4807.038,N,01131.000,E,022.4,084.4,321394,003.1,W*6A");
        CHECK(L.utc.wDay == 23);
        CHECK(L.utc.wMonth == 3);
    }
}

TEST_CASE("RMC speeds, course and magnetic variation")
{
    auto port = NewPort();
    const GPS_CURRENT& L = *port->LiveRecord();
    SUBCASE("10 knots fills all four speeds") {
        Apply(port.get(), "$GPRMC,120000.000,A,4916.45,N,12311.12,W,10.0,0.0,230394,,*00");
        CHECK(L.knots == 10.0);
        CHECK(L.ms == doctest::Approx(5.144444).epsilon(1e-7));
        CHECK(L.kmh == doctest::Approx(18.52).epsilon(1e-7));
        CHECK(L.mph == doctest::Approx(11.50779).epsilon(1e-6));
        CHECK(L.pos.x == doctest::Approx(-123.185333).epsilon(1e-7));
    }
    SUBCASE("the trip maximum is kept in km/h whatever unit is shown") {
        UnitScope unit(&SpeedUnit, 1);   // knots
        MaxSpeed = 0;
        Apply(port.get(), "$GPRMC,120000,A,,,,,10.0,,,,*00");
        CHECK(MaxSpeed == doctest::Approx(18.52).epsilon(1e-7));
        CHECK(Seen.statistics == 1);
        Apply(port.get(), "$GPRMC,120001,A,,,,,5.0,,,,*00");
        CHECK(Seen.statistics == 1);
        CHECK(L.knots == 5.0);
        // 11 knots is 20.372 km/h: a new maximum after a change to m/s too,
        // where 5.66 m/s would never have passed a maximum of 18.52.
        SpeedUnit = 2;
        Apply(port.get(), "$GPRMC,120002,A,,,,,11.0,,,,*00");
        CHECK(MaxSpeed == doctest::Approx(20.372).epsilon(1e-6));
        CHECK(Seen.statistics == 2);
    }
    SUBCASE("course and variation, west negative") {
        Apply(port.get(), kRmc);
        CHECK(L.course == doctest::Approx(84.4));
        CHECK(L.magVar == doctest::Approx(-3.1));
        Apply(port.get(), "$GPRMC,123520,A,4807.038,N,01131.000,E,022.4,084.4,230394,020.3,E*6A");
        CHECK(L.magVar == doctest::Approx(20.3));
        // Empty fields read 0; a sentence that ends early leaves the rest.
        Apply(port.get(), "$GPRMC,123521,A,4807.038,N,01131.000,E,022.4,,230394,,,A*6A");
        CHECK(L.magVar == 0);
        CHECK(L.course == 0);
        Apply(port.get(), kRmc);
        Apply(port.get(), "$GPRMC,123522,A,4807.038,N,01131.000,E,022.4");
        CHECK(L.course == doctest::Approx(84.4));
        CHECK(L.magVar == doctest::Approx(-3.1));
    }
}

TEST_CASE("GSA marks used satellites and stores the dilutions")
{
    auto port = NewPort();
    GPS_CURRENT& L = *port->LiveRecord();
    L.sats[7].used = 1;
    SatellitesChanged = false;
    CHECK(Apply(port.get(), kGsa) == kNmeaSatellites);
    for (int prn : {4, 5, 9, 12, 24})
        CHECK(L.sats[prn].used == 1);
    CHECK(L.sats[7].used == 1);   // not cleared by a GSA that omits it
    CHECK(L.sats[6].used == 0);
    CHECK(L.pdop == doctest::Approx(2.5f));
    CHECK(L.hdop == doctest::Approx(1.3f));
    CHECK(L.vdop == doctest::Approx(2.1f));
    CHECK(SatellitesChanged);

    SUBCASE("PRN 40 and negative PRNs mark nothing, PRN 34 is marked") {
        GPS_CURRENT before = L;
        Apply(port.get(), "$GPGSA,A,3,40,-3,34,,,,,,,,,,2.5,1.3,2.1*39");
        before.sats[34].used = 1;
        CHECK(SameRecord(before, L));
    }
    SUBCASE("twenty satellites: only the twelve fields of the list count") {
        Apply(port.get(), "$GPGSA,A,3,13,14,15,16,17,18,19,20,21,22,23,25,26,27,28,29,30,31,32,33,1.0,1.0,1.0*00");
        for (int prn = 13; prn <= 25; ++prn)   // 24 from the first GSA
            CHECK(L.sats[prn].used == 1);
        for (int prn = 26; prn <= 33; ++prn)
            CHECK(L.sats[prn].used == 0);
        for (int i = 35; i < kGpsSatelliteCount; ++i)
            CHECK(L.sats[i].used == 0);
    }
    SUBCASE("a GSA cut short keeps the dilutions it does not carry") {
        Apply(port.get(), "$GPGSA,A,3,04,05,,09,12,,,24,,,,,1.5");
        CHECK(L.pdop == doctest::Approx(1.5f));
        CHECK(L.hdop == doctest::Approx(1.3f));
    }
}

TEST_CASE("GSV lists the sky by PRN")
{
    auto port = NewPort();
    GPS_CURRENT& L = *port->LiveRecord();
    Apply(port.get(), kGsa);            // 4, 5, 9, 12, 24 used
    L.sats[30].inView = 1;              // seen in an earlier sky
    Apply(port.get(), kGsv1);
    CHECK(L.satsInView == 8);
    CHECK(L.sats[30].inView == 0);      // message 1 starts a new sky
    const GPS_SATELLITE& s12 = L.sats[12];
    CHECK(s12.inView == 1);
    CHECK(s12.prn == 12);
    CHECK(s12.elevation == 7.0f);
    CHECK(s12.azimuth == 344.0f);
    CHECK(s12.snr == 39.0f);
    CHECK(s12.used == 0);               // the whole entry is replaced
    CHECK(L.sats[14].snr == 45.0f);     // the last value, before the checksum
    CHECK(L.sats[4].used == 1);         // not listed: untouched
    CHECK(L.sats[1].inView == 1);

    SUBCASE("message 2 adds to the sky without clearing it") {
        Apply(port.get(), "$GPGSV,2,2,08,15,10,100,20,16,11,101,,,,,,*7F");
        CHECK(L.sats[1].inView == 1);
        CHECK(L.sats[15].inView == 1);
        CHECK(L.sats[16].inView == 1);
        CHECK(L.sats[16].snr == 0.0f);  // not tracked
    }
    SUBCASE("a PRN above 34 in the first group stores no group but the count") {
        GPS_CURRENT before = L;
        Apply(port.get(), "$GPGSV,3,3,11,35,40,083,46,02,17,308,41*75");
        CHECK(L.satsInView == 11);
        before.satsInView = 11;
        CHECK(SameRecord(before, L));
    }
    SUBCASE("a PRN above 34 later ends the scan there") {
        Apply(port.get(), "$GPGSV,3,2,11,03,40,083,46,48,17,308,41,05,10,10,10*75");
        CHECK(L.sats[3].inView == 1);
        CHECK(L.sats[5].inView == 0);
        CHECK(L.sats[5].used == 1);   // still GSA's
    }
    SUBCASE("a sentence of over 100 characters with six groups") {
        const char* longGsv =
            "$GPGSV,1,1,24,20,40,083,46,21,17,308,41,22,07,344,39,23,22,228,45,"
            "25,10,100,30,26,11,101,31*7A";
        CHECK(std::strlen(longGsv) > 90);
        Apply(port.get(), longGsv);
        for (int prn : {20, 21, 22, 23, 25, 26})
            CHECK(L.sats[prn].inView == 1);
        CHECK(L.sats[26].snr == 31.0f);
        CHECK(L.satsInView == 24);
    }
    SUBCASE("NMEA never writes entries 35 to 44") {
        for (int i = 35; i < kGpsSatelliteCount; ++i)
            CHECK(L.sats[i].prn == 0);
    }
}

TEST_CASE("Sentences this program does not read change nothing")
{
    auto port = NewPort();
    Apply(port.get(), kGga);
    const GPS_CURRENT before = *port->LiveRecord();
    for (const char* s : {"$GNRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A",
                          "$GPGLL,4916.45,N,12311.12,W,225444,A",
                          "$GPgga,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47",
                          "$GPGG", "", "$"}) {
        CAPTURE(s);
        NmeaMessage msg;
        CHECK_FALSE(port->ParseNmea(s, &msg, true));
        CHECK(msg.kind == 0);
        CHECK(SameRecord(before, *port->LiveRecord()));
    }
}

TEST_CASE("Without apply only the message is filled")
{
    auto port = NewPort();
    NmeaMessage msg;
    CHECK(port->ParseNmea(kRmc, &msg, false));
    CHECK(msg.kind == kNmeaRmc);
    CHECK(msg.size == 136);
    CHECK((msg.present & (kNmeaLatitude | kNmeaLongitude | kNmeaSpeed)) != 0);
    CHECK(msg.values.pos.y == doctest::Approx(48.1173).epsilon(1e-6));
    CHECK(msg.values.kmh == doctest::Approx(22.4 * 1.852).epsilon(1e-6));
    GPS_CURRENT zero;
    std::memset(&zero, 0, sizeof zero);
    CHECK(SameRecord(zero, *port->LiveRecord()));
    CHECK(port->ParseNmea(kGsv1, &msg, false));
    CHECK(msg.size == 928);
}

TEST_CASE("Every truncation of a sentence stays inside it")
{
    // Each prefix sits right before an inaccessible page. A position is only
    // taken from whole fields, so it is either the old one or the full one.
    const char* sentences[] = {kGga, kRmc, kGsa, kGsv1};
    for (const char* full : sentences) {
        auto reference = NewPort();
        Apply(reference.get(), full);
        const GPS_CURRENT& want = *reference->LiveRecord();
        const std::string_view text(full);
        for (size_t n = 0; n <= text.size(); ++n) {
            CAPTURE(text.substr(0, n));
            auto port = NewPort();
            GPS_CURRENT& L = *port->LiveRecord();
            L.pos.x = -1;
            L.pos.y = -2;
            L.pos.z = -3;
            GuardedText cut(text.substr(0, n));
            NmeaMessage msg;
            port->ParseNmea(cut.View(), &msg, true);
            CHECK((L.pos.x == -1 || L.pos.x == want.pos.x));
            CHECK((L.pos.y == -2 || L.pos.y == want.pos.y));
        }
    }
}
