// gps/live_track.h - the live track: the recorder's and route following's
// state beside the live record, and the steps the reader thread takes on it.
//
// Offers the recorder state, the one active track (a recording or a
// followed route) with the route position and progress, the drawn path, the
// speed limits, the track's distance and time, the copy of the route options,
// the turn flag, the trip distance, and what the reader thread runs after
// each batch (RunBatchTick: the trip distance, the recorder tick and route
// following), with the turn search. The recording and route commands that
// start and stop them are tracks/ (tracks/track_commands.h).
//
// Threads: the reader thread writes ActiveTrack, DrawnPath, RoutePosition,
// RouteProgress, TrackDistance and, at arrival, RecorderState (the recorder
// tick and route following) and the UI thread reads them (painting, the
// turn search, the stop, the commands). Both sides do so only while holding
// the live record's lock, LiveRecordGuard of GpsDevice (gps/gps.h): one lock
// for the live record and this state, so a painter that reads both sees one
// consistent moment and no lock order can be got wrong. The reader's steps
// lock the port they run for, which in the program is always GpsDevice; a
// test's own port runs them only while nothing else touches this state. A
// route is replaced only under that lock, with the recorder state set to 3
// last, so neither side reads a position beyond it, and only by the route
// commands' start, which installs with it the index that spares route
// following a scan of the whole route under the lock. Route following reads the settings from
// RouteOptions, a copy the UI thread renews under the lock; it never touches
// the main window's timers (arrival posts WM_ROUTEARRIVED). Scalars that
// either thread reads without the lock are atomic.
#pragma once
#include "gps/gps_record.h"

#include <windows.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class GpsPort;

// ---------------------------------------------------------------------------
// Recorder and route state

// RecorderState values.
inline constexpr int32_t kRecorderIdle = 0;
inline constexpr int32_t kRecorderRecording = 1;
inline constexpr int32_t kRecorderPaused = 2;
inline constexpr int32_t kRecorderFollowing = 3;   // a run track or a go-to target

// 0 idle, 1 recording, 2 paused, 3 following a route. Changed by the UI
// thread under LiveRecordGuard (route arrival: the reader thread, likewise),
// so a tick never sees a state that does not match ActiveTrack.
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

// Route following's memory between fixes; a recording's start resets it.
// Under LiveRecordGuard.
struct ROUTE_PROGRESS {
    bool recalculate;          // the next step advances unconditionally
    int32_t advanceCounter;    // km/h summed while leaving the current point
    double currentKm;          // remembered distance to the current route point
    double nextKm;             // remembered distance to the point after it
};
extern ROUTE_PROGRESS RouteProgress;

// The points the map painter draws as a path: the stored positions of a
// recording (with "drp" on), or a route's points. Under LiveRecordGuard.
extern std::vector<GPS_POSITION> DrawnPath;

// Speed limits in whole km/h, 0 = off; not stored. The speed-limit dialog
// sets both, the marks of a followed route set the high one.
extern std::atomic<int32_t> LowSpeedLimit;
extern std::atomic<int32_t> HighSpeedLimit;

// Sum of the recording's stored legs in km (shown converted to the distance
// unit of the moment); 0 at each start. Under LiveRecordGuard.
extern double TrackDistance;
// Seconds counted by the main window's 5-second timer while the recorder
// state is not 0; 0 at each start. UI thread only.
extern uint64_t TrackTimeSeconds;

// ---------------------------------------------------------------------------
// The recorder tick, route following and the trip distance

// The recorder's filters for a leg from a kept point (whose course was
// lastCourse, degrees) to fix: at least speedThreshold km/h, and a course
// turned by more than angleThreshold degrees the short way round. The trip
// distance of the statistics counts its legs by the same rule.
bool PassesLegFilters(const GPS_CURRENT& fix, double lastCourse, double speedThreshold,
                      double angleThreshold);

// Starts a recording from state 0 (else nothing): counters, filters from
// RecordAngleFilter and RecordSpeedFilter, the drawn path (with "drp") and
// the points emptied, route progress reset, state 1.
void StartRecording();
// The recorder tick: with a valid fix, one step of route following in state
// 3, or in state 1 the live record kept as a track point (with the cell of
// the moment) when the filters let it pass. mark is a speed-limit mark (the
// speed box on the UI thread) or 0 (the reader thread after each batch); a
// mark skips the course filter. Fixes with a non-finite position are never
// kept.
void RunRecorderTick(GpsPort* port, uint32_t mark);
// What follows each batch of receiver input (the reader thread, mark 0) and
// a speed-limit mark (the UI thread): the trip distance counts the fix, then
// the recorder tick runs.
void RunBatchTick(GpsPort* port, uint32_t mark);

// What route following reads of the settings, with the stored values'
// replacements applied: "wrm" <= 0 is 15, "wrs" <= 0 is 10, "swa" <= 0 is
// 30, "muw" < 10 is 300, "msw" <= 0 or >= 1000 is 10 (values read as
// signed 32-bit numbers).
struct ROUTE_OPTIONS {
    uint32_t reachedMetres;        // "wrm"
    uint32_t reachedSeconds;       // "wrs"
    uint32_t recalculateSeconds;   // "rws"
    uint32_t turnAngle;            // "swa", degrees
    uint32_t turnWarnUnits;        // "muw"
    uint32_t turnWarnSeconds;      // "msw"
};
// The settings now, as above. UI thread.
ROUTE_OPTIONS CurrentRouteOptions();
// The copy route following works from. Under LiveRecordGuard; the UI
// thread renews it when a route starts and at every search for a turn.
extern ROUTE_OPTIONS RouteOptions;

// Set when a turn warning was raised; cleared when a search finds no turn.
// Timer 4 sounds "TURN" while it is set.
extern std::atomic<bool> TurnArmed;

// One step of route following (the recorder tick), reader thread, after a
// batch with a valid fix in recorder state 3: a new speed-limit mark of the
// approached point sounds "SPD" (with "slw"); at the last point arrival
// (within "wrm" metres, or "wrs" seconds at a known speed) sets state 0,
// sounds "OK" and posts WM_ROUTEARRIVED to the port's window; before it the
// route position advances past the points left behind. Standing still
// (speed 0) never advances. Takes LiveRecordGuard itself; sounds are played after it
// is released.
void FollowRoute(GpsPort* port);
// The next turn ahead of live on the followed route: true with the turn's
// angle relative to the course (radians, 0 to 2 pi) and the distance to
// the start of its leg (distance unit). A turn is a leg more than "swa"
// degrees off the course within "muw" small units or "msw" seconds. The
// first turn found arms TurnArmed and posts WM_TIMER 4 to the main window;
// none clears it (angle: the direction of the approached point, distance
// 0). UI thread; takes LiveRecordGuard (it nests).
bool FindNextTurn(const GPS_CURRENT* live, double* angle, double* distance);
// The index of the route point nearest to at, the first of equal ones; 0
// for an empty route.
uint32_t NearestRoutePoint(const std::vector<GPS_CURRENT>& route, const GPS_CURRENT& at);

// What the search for the nearest point of a followed route keeps
// (gps/route_index.cpp): the points' grid cells on the unit sphere and the
// way along the route from its first point to each point. Made for one
// route vector and installed with it; a search on any other vector, or on a
// route with a position that is no number or near a pole, goes over the
// whole route.
struct ROUTE_INDEX {
    const GPS_CURRENT* route = nullptr;   // the points it was made for
    size_t size = 0;
    std::vector<double> alongKm;          // empty: no index
    double cell = 0.0;                    // a cell's edge on the unit sphere
    std::vector<uint64_t> cellKeys;       // the points' cells, sorted
    std::vector<uint32_t> cellPoints;     // the point of each entry of cellKeys
};
// The index of route: made without a lock, before the route is installed.
ROUTE_INDEX IndexRoute(const std::vector<GPS_CURRENT>& route);
// The index of ActiveTrack.points while a route is followed, installed with
// the route by the route commands. Under LiveRecordGuard.
extern ROUTE_INDEX RouteIndex;
// NearestRoutePoint(route, at), found from route point start outwards: the
// cells around the fix first, then along the route past every stretch too
// short to come nearer than the nearest point found, so a fix near a route
// costs a few dozen distances, not one per route point.
uint32_t NearestRoutePointFrom(const std::vector<GPS_CURRENT>& route, const ROUTE_INDEX& index,
                               const GPS_CURRENT& at, uint32_t start);
// WM_ROUTEARRIVED on the UI thread: stops timer 4 unless a new route is
// followed by now.
void OnRouteArrived(HWND window);

// Distance travelled between successive valid fixes since the program
// started, km, counted with the recorder's speed and course filters so that
// a receiver standing still adds nothing. Under the live record's lock.
extern double TotalDistance;

// One batch's step of TotalDistance (the reader thread, after each batch;
// takes the live record's lock itself). Invalid or non-finite fixes count
// nothing and leave the last counted point where it was.
void CountTravelledDistance(GpsPort* port);
// Forgets the last counted point (tests; a new run of the program starts so).
void ResetTravelledDistance();
