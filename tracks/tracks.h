// tracks/tracks.h - recorder, route and waypoint state shared across the program.
//
// Offers the records and program-wide values that the recorder, route
// following and the waypoint list keep, and that the panes, the map painter
// and the main window read: the recorder state, the one active track (a
// recording or a followed route) with the route position, the speed limits,
// the trip distance and time, and the waypoint vector. The code that fills
// them (recording, route following, the waypoint rebuild) lives beside these
// declarations.
//
// Threads: the reader thread writes ActiveTrack, RoutePosition and
// TrackDistance (the recorder tick and route following) and the UI thread
// reads them (painting, the stop, the commands). Both sides do so only while
// holding the live record's lock, LiveRecordGuard of the GpsPort (gps/gps.h):
// one lock for the live record and this state, so a painter that reads both
// sees one consistent moment and no lock order can be got wrong. Scalars that
// either thread reads without the lock are atomic. The waypoint vector and
// TrackTimeSeconds belong to the UI thread alone.
#pragma once
#include "gps/gps_record.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <type_traits>
#include <vector>

// RecorderState values.
inline constexpr int32_t kRecorderIdle = 0;
inline constexpr int32_t kRecorderRecording = 1;
inline constexpr int32_t kRecorderPaused = 2;
inline constexpr int32_t kRecorderFollowing = 3;   // a run track or a go-to target

// 0 idle, 1 recording, 2 paused, 3 following a route.
extern std::atomic<int32_t> RecorderState;

// One track in memory: a stored track read back, a recording, or a route.
struct TRACK {
    std::string name;              // UTF-8; empty while recording
    float angleThreshold;          // degrees; recording filter of ActiveTrack only
    float speedThreshold;          // km/h; recording filter of ActiveTrack only
    bool normalised;               // the stored track carries norm != 0
    std::vector<GPS_CURRENT> points;
};

// The one program-wide track: the stored fixes while recording, the route
// while following. Under LiveRecordGuard.
extern TRACK ActiveTrack;
// Index into ActiveTrack.points of the route point being approached. It may
// lie beyond the points (an empty route): readers check it. Under
// LiveRecordGuard.
extern uint32_t RoutePosition;

// Speed limits in whole km/h, 0 = off; not stored. The speed-limit dialog
// sets both, the marks of a followed route set the high one.
extern std::atomic<int32_t> LowSpeedLimit;
extern std::atomic<int32_t> HighSpeedLimit;
// "slw": sound "SPD" outside the limits and on new route marks.
extern std::atomic<bool> SpeedLimitWarning;

// Sum of the recording's stored legs, each in the distance unit current when
// it was added; 0 at each start. Under LiveRecordGuard.
extern double TrackDistance;
// Seconds counted by the main window's 5-second timer while the recorder
// state is not 0; 0 at each start. UI thread only.
extern uint64_t TrackTimeSeconds;

// One waypoint: the name (UTF-8, zero-terminated, at most 99 bytes of text)
// and a whole position (cell id 0), copied unchanged into go-to routes.
struct WAYPOINT {
    char name[100];
    GPS_POSITION pos;
};
static_assert(std::is_trivially_copyable_v<WAYPOINT>);

// The waypoint vector, rebuilt whole from the settings document after every
// change. GPS_CURRENT::nearestWaypoint is a 1-based index into it. UI thread
// only.
extern std::vector<WAYPOINT> Waypoints;
