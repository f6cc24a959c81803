// gps/nmea.h - NMEA 0183 sentences into GPS_CURRENT values.
//
// Four sentences are understood, by their first six characters exactly:
// "$GPGGA", "$GPRMC", "$GPGSA", "$GPGSV"; every other talker or sentence is
// kind 0 and changes nothing. Checksums are not verified. Each value is taken
// only when the sentence reaches its field. A field that holds no number
// reads as 0 (a receiver without a fix sends empty speed, course and
// dilution fields, and it is not moving as far as anyone knows), except the
// position: latitude, longitude and altitude are taken only from a field
// that holds one, so a lost fix leaves the last known position in place.
// Every field access is bounded: a sentence cut short by line noise yields
// fewer values, never a read past its end. GpsPort::ParseNmea (gps/gps.h)
// applies a parsed message to the live record; the functions here touch no
// shared state.
#pragma once
#include "gps/gps_record.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string_view>

// Sentence kinds, also the live record's last report type.
inline constexpr int32_t kNmeaOther = 0;
inline constexpr int32_t kNmeaRmc = 1;
inline constexpr int32_t kNmeaGga = 2;
inline constexpr int32_t kNmeaSatellites = 4;   // GSA and GSV

// Which values a sentence carried (NmeaMessage::present).
enum NmeaValue : uint32_t {
    kNmeaFix = 1u << 0,
    kNmeaLatitude = 1u << 1,
    kNmeaLongitude = 1u << 2,
    kNmeaTime = 1u << 3,         // UTC and local time of day
    kNmeaDate = 1u << 4,
    kNmeaSatsUsed = 1u << 5,
    kNmeaAltitude = 1u << 6,
    kNmeaSpeed = 1u << 7,        // all four speeds
    kNmeaCourse = 1u << 8,
    kNmeaMagVar = 1u << 9,
    kNmeaPdop = 1u << 10,
    kNmeaHdop = 1u << 11,
    kNmeaVdop = 1u << 12,
    kNmeaUsedFlags = 1u << 13,   // GSA: sats[prn].used set for the PRNs listed
    kNmeaSkyStart = 1u << 14,    // GSV message 1: in-view flags 0..34 cleared
    kNmeaSkyEntries = 1u << 15,  // GSV: sats[prn] with inView set replace entries
    kNmeaSatsInView = 1u << 16,
};

// One parsed sentence. Zeroed at the start of every parse; values holds only
// what the sentence carried, in the live record's fields of the same names.
struct NmeaMessage {
    int32_t kind;       // kNmea*
    int32_t size;       // declared size of the kind's values: 136 RMC, 1040 GGA, 928 GSA/GSV
    uint32_t present;   // NmeaValue bits
    GPS_CURRENT values;
};

// A sentence cut at its commas. Field i is "" when the sentence has fewer
// fields; past kMaxFields the last field keeps the rest of the text.
struct NmeaFields {
    static constexpr size_t kMaxFields = 64;
    std::string_view field[kMaxFields];
    size_t count = 0;

    std::string_view operator[](size_t i) const { return i < count ? field[i] : std::string_view{}; }
};

// Field 0 is the sentence name; the last field keeps the asterisk and checksum.
NmeaFields SplitNmeaFields(std::string_view sentence);

// "4916.45" (ddmm.mm) or "12311.12" (dddmm.mm) in degrees, formed in single
// precision; *milliArcSeconds (when not null) gets whole milliseconds of arc.
// Without a '.' both are 0. A '.' at index 0 or 1 reads minutes from the
// start of the text and 0 degrees.
double ParseNmeaCoordinate(std::string_view text, int32_t* milliArcSeconds);

// Reads one sentence into msg (zeroed first). False for anything but the four
// known sentences (msg->kind 0).
bool ParseNmeaSentence(std::string_view sentence, NmeaMessage* msg);

// Numbers as the C library reads decimal text (leading blanks, a sign, then
// digits up to the first other character, so "59.9" is 59 and "1.5*33" is
// 1.5), but bounded to the view. Both return false, leaving *value 0, when
// the text holds no number. An integer beyond 32 bits and a floating value
// that is not finite count as no number: a 20-digit field is noise.
bool NmeaToLong(std::string_view text, int32_t* value);
bool NmeaToDouble(std::string_view text, double* value);

// Trip maxima, kept by the parser when it applies a message to the live
// record (under the live record's lock) and shown by the statistics screen.
extern double MaxSpeed;      // km/h, whatever speed unit is shown
extern double MaxAltitude;   // whole metres
// Set by every applied GSA; the satellite screen clears it when it redraws.
extern std::atomic<bool> SatellitesChanged;
