// The program-wide recorder, route and waypoint state: idle, empty and zero
// until a recording, a route or the waypoint rebuild fills it.
#include "tracks/tracks.h"

std::atomic<int32_t> RecorderState{kRecorderIdle};
TRACK ActiveTrack{};
uint32_t RoutePosition = 0;
std::atomic<int32_t> LowSpeedLimit{0};
std::atomic<int32_t> HighSpeedLimit{0};
std::atomic<bool> SpeedLimitWarning{false};
double TrackDistance = 0.0;
uint64_t TrackTimeSeconds = 0;
std::vector<WAYPOINT> Waypoints;
