// platform/handheld/gps_api.h - the platform's GPS driver, bound by name.
//
// pathvex-wm can take positions from the platform's GPS Intermediate Driver
// ("GPSAPI.dll") instead of a serial port. The library is bound at run time
// rather than at load time, so that the program still starts, and reports a
// failed connect, where the driver is missing. The records below are the
// driver's version-1 layouts as the platform publishes them (field names
// our own); the driver fills them, so every value in them is untrusted.
//
// Threads: load and free belong to the UI thread and happen only while no
// reader uses the driver; the reader thread calls the position and state
// entries in between. Nothing throws; a missing library or entry makes the
// call fail by its return value.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>

inline constexpr DWORD kGpsDriverVersion1 = 1;
inline constexpr size_t kGpsDriverSlots = 12;   // satellites in each list

// Bits of GPS_DRIVER_POSITION::validFields that the reader looks at.
inline constexpr DWORD kGpsValidUtcTime = 0x1;
inline constexpr DWORD kGpsValidLatitude = 0x2;
inline constexpr DWORD kGpsValidLongitude = 0x4;
inline constexpr DWORD kGpsValidSpeed = 0x8;
inline constexpr DWORD kGpsValidHeading = 0x10;
inline constexpr DWORD kGpsValidMagneticVariation = 0x20;
inline constexpr DWORD kGpsValidSatellitesInView = 0x2000;

// The driver's latest position, version 1: 344 bytes.
struct GPS_DRIVER_POSITION {
    DWORD version;
    DWORD size;
    DWORD validFields;               // kGpsValid* bits
    DWORD flags;
    SYSTEMTIME utcTime;
    double latitude;                 // degrees
    double longitude;
    float speed;                     // knots
    float heading;                   // degrees from true north
    double magneticVariation;        // degrees
    float altitudeSeaLevel;          // metres
    float altitudeEllipsoid;
    DWORD fixQuality;                // 0 no fix, 1 GPS, 2 differential
    DWORD fixType;
    DWORD selectionType;
    float pdop;
    float hdop;
    float vdop;
    DWORD satellitesUsed;
    DWORD usedPrns[kGpsDriverSlots];
    DWORD satellitesInView;
    DWORD inViewPrns[kGpsDriverSlots];
    DWORD inViewElevation[kGpsDriverSlots];
    DWORD inViewAzimuth[kGpsDriverSlots];
    DWORD inViewSnr[kGpsDriverSlots];
};
static_assert(sizeof(GPS_DRIVER_POSITION) == 344, "the driver's version-1 position record");
static_assert(offsetof(GPS_DRIVER_POSITION, latitude) == 32);
static_assert(offsetof(GPS_DRIVER_POSITION, magneticVariation) == 56);
static_assert(offsetof(GPS_DRIVER_POSITION, fixQuality) == 72);
static_assert(offsetof(GPS_DRIVER_POSITION, satellitesUsed) == 96);
static_assert(offsetof(GPS_DRIVER_POSITION, satellitesInView) == 148);

// The driver's device state, version 1: 216 bytes.
struct GPS_DRIVER_DEVICE {
    DWORD version;
    DWORD size;
    DWORD serviceState;
    DWORD deviceState;
    FILETIME lastDataReceived;
    wchar_t driverPrefix[16];
    wchar_t multiplexPrefix[16];
    wchar_t friendlyName[64];
};
static_assert(sizeof(GPS_DRIVER_DEVICE) == 216, "the driver's version-1 device state");

// Loads "GPSAPI.dll" once: true when it is loaded with the entries a reader
// cannot do without (open, close, position). A library that lacks one of
// them is freed again and counts as missing. The device-state entry is
// optional.
bool LoadGpsApiLibrary();
// Frees the library (nothing when it is not loaded).
void FreeGpsApiLibrary();

// The driver's entries. Opening gives the device handle, null on failure;
// the driver signals newLocation whenever it has a new position. The others
// return ERROR_SUCCESS or the driver's error; ERROR_PROC_NOT_FOUND when the
// library is not loaded. A record is passed with its version and size set.
HANDLE CallGpsOpenDevice(HANDLE newLocation, HANDLE deviceStateChange, const wchar_t* deviceName, DWORD flags);
DWORD CallGpsCloseDevice(HANDLE device);
DWORD CallGpsGetPosition(HANDLE device, GPS_DRIVER_POSITION* record, DWORD maximumAgeMs, DWORD flags);
DWORD CallGpsGetDeviceState(GPS_DRIVER_DEVICE* state);
