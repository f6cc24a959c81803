// gps/receiver_commands.h - what the program sends to the receiver.
//
// Offers the "$PSRF" sentences of the SiRF menu, the SiRF binary frame
// writer with message 129 (back to NMEA), and the "$GPWPL" sentence that
// hands the live position to the receiver as a waypoint, with the NMEA
// checksum they carry. Everything goes out through GpsPort::Write on the UI
// thread; nothing waits for or reads an answer. A send on a closed port (or
// in simulation) writes nothing and gives false; callers do not report it.
#pragma once
#include "gps/gps.h"

#include <cstddef>
#include <cstdint>

// The exclusive-or of every character after the first (the '$') up to the
// first '*' or the end of the text; 0 for a null or empty text.
uint8_t CalcNmeaChecksum(const char* text);

// Writes text up to its terminator as it stands.
bool SendNmeaSentence(GpsPort* port, const char* sentence);

// The fixed sentence of a SiRF menu command (401, 404, 405, 421-424, 428,
// 429), CR LF included; null for every other id.
const char* SirfCommandSentence(int command);
// The NMEA message whose rate commands 411-416 set (0 GGA ... 5 VTG); -1
// for every other id.
int SirfRateMessage(int command);
// "$PSRF103,%02d,00,%i,00" with its checksum and CR LF into out (size
// bytes, terminated). The rate is the number as typed; the length written,
// or 0 when out is too small.
size_t FormatSirfRateSentence(int message, long rate, char* out, size_t size);

// A SiRF frame is built in a buffer of this size: start, big-endian length,
// payload, 15-bit sum, end. A longer payload is not sent.
inline constexpr size_t kSirfFrameBufferSize = 1000;
inline constexpr size_t kSirfMaxCommandPayload = kSirfFrameBufferSize - 8;
// The frame of payload into frame (kSirfFrameBufferSize bytes); its length,
// or 0 for an empty or too long payload (frame then untouched).
size_t BuildSirfFrame(const uint8_t* payload, size_t length, uint8_t* frame);
bool SendSirfFrame(GpsPort* port, const uint8_t* payload, size_t length);

// What "Switch to NMEA..." asks of the receiver: the rates of GGA, GLL, GSA,
// GSV, RMC, VTG and MSS in that order, and the line speed, of which the
// message carries the low 16 bits.
struct SIRF_NMEA_PARAMS {
    uint8_t rates[7];
    uint32_t baud;
};
// The receiver's own defaults, sent when no parameters are given.
inline constexpr SIRF_NMEA_PARAMS kSirfNmeaDefaults = {{1, 0, 1, 5, 1, 0, 0}, 9600};
inline constexpr size_t kSirfSwitchToNmeaLength = 24;
// Message 129's payload; null params gives kSirfNmeaDefaults.
void BuildSirfSwitchToNmea(const SIRF_NMEA_PARAMS* params, uint8_t payload[kSirfSwitchToNmeaLength]);
bool SendSirfSwitchToNmea(GpsPort* port, const SIRF_NMEA_PARAMS* params);

// "$GPWPL,ddmm.mmm,N,dddmm.mmm,E,CUR*hh\r\n" of a position in degrees,
// into out (size bytes, terminated); the length, or 0 when it does not fit.
size_t FormatWaypointSentence(double latitude, double longitude, char* out, size_t size);
// Command 361: the live position as a waypoint sentence.
bool SendWaypointSentence(GpsPort* port);
