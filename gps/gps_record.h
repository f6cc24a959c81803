// gps/gps_record.h - the live GPS record and its position part.
//
// GPS_CURRENT holds everything known about the receiver's latest report. The
// live instance is the first member of the GpsPort (gps/gps.h), written on the
// reader thread; a recorded or followed track is a vector of whole copies of
// it, so it must stay a plain, trivially copyable record. Coordinates are
// signed decimal degrees (hemisphere letters are applied as signs on the way
// in), altitude is metres. A report that lacks a value leaves the old one.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <type_traits>

// A point: longitude x, latitude y, altitude z and the mobile-network cell id
// in which it was taken (0 where no cell-tower monitor exists).
struct GPS_POSITION {
    double x;          // longitude, degrees, negative west of Greenwich
    double y;          // latitude, degrees, negative south of the equator
    double z;          // altitude, metres above mean sea level
    uint32_t cellId;
};

// One entry of the satellite table.
struct GPS_SATELLITE {
    uint8_t inView;    // listed in the latest GSV group that named it
    uint8_t used;      // named in GSA's list (NMEA) or SiRF message 2's channels
    int32_t prn;
    float elevation;   // degrees
    float azimuth;     // degrees
    float snr;         // as the receiver sends it
};

inline constexpr int kGpsSatelliteCount = 45;
// NMEA input stores satellites by PRN, and only these PRNs.
inline constexpr int kNmeaMaxPrn = 34;

// Type of the last report (GPS_CURRENT::lastReportType).
inline constexpr int32_t kReportOther = 0;      // any other NMEA sentence
inline constexpr int32_t kReportPosition = 1;   // RMC, SiRF geodetic, GPS driver
inline constexpr int32_t kReportGga = 2;
inline constexpr int32_t kReportSatellites = 4; // GSA, GSV, driver satellites

struct GPS_CURRENT {
    // GGA: the fix-quality number as sent; RMC: 1 for status "A", else 0.
    // Readers take exactly 1 as a valid fix.
    int32_t fix;
    GPS_POSITION pos;          // z from GGA only
    SYSTEMTIME utc;            // the day of week is never set
    SYSTEMTIME local;          // NMEA writes only its time of day
    double knots;              // the four speeds are always written together
    double ms;
    double kmh;
    double mph;
    uint32_t mark;             // speed-limit mark of a stored track point
    int32_t satsUsed;
    int32_t satsInView;
    float pdop;
    float hdop;
    float vdop;
    GPS_SATELLITE sats[kGpsSatelliteCount];
    double course;             // degrees from true north
    double magVar;             // degrees, negative west
    int32_t nearestWaypoint;   // 1-based; 0 when there is none
    double nearestWaypointKm;
    int32_t lastReportType;    // kReport*
    uint32_t cellId;           // 0 with every NMEA sentence (wm: the current cell)
    float velocityX;           // earth-centred earth-fixed, m/s (SiRF message 2)
    float velocityY;
    float velocityZ;
    uint8_t sirfMode1;         // SiRF message 2's mode bytes, as sent
    uint8_t sirfMode2;

    // Direction from this position to other's on the plane of degrees,
    // relative to this record's course: radians in [0, 2 pi). Identical
    // positions give 0.
    float BearingTo(const GPS_CURRENT* other) const;
};

inline constexpr size_t kWaypointNameSize = 100;

// One waypoint: the name (UTF-8, zero-terminated, at most 99 bytes of text)
// and a whole position (cell id 0), copied unchanged into go-to routes. The
// waypoint vector is the tracks' (tracks/waypoints.h).
struct WAYPOINT {
    char name[kWaypointNameSize];
    GPS_POSITION pos;
};

// Tracks copy whole records around with memcpy-like semantics and the record
// starts zeroed; nothing in it may need a constructor or destructor.
static_assert(std::is_trivially_copyable_v<GPS_POSITION>);
static_assert(std::is_trivially_copyable_v<GPS_CURRENT>);
static_assert(std::is_standard_layout_v<GPS_CURRENT>);
static_assert(std::is_trivially_copyable_v<WAYPOINT>);
