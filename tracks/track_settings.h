// tracks/track_settings.h - the stored settings of recording, route
// following and normalisation, which the settings code fills at start-up
// and the option dialogs change.
#pragma once
#include <atomic>

// Recording. The two the reader thread reads in every tick are atomic.
extern std::atomic<bool> RecordCellIds;      // "rci": cell changes force a point, "c" written
extern std::atomic<bool> DrawRecordedPath;   // "drp": the recording fills DrawnPath
extern bool RecordSpeed;                     // "rsc": "spd" written with each point
extern bool RecordTime;                      // "rtc": "time" written with each point
extern unsigned RecordAngleFilter;           // "cfg\track" "angle": degrees
extern unsigned RecordSpeedFilter;           // "cfg\track" "speed": km/h

// Route following and normalisation. UI thread only: route following on the reader thread works from
// RouteOptions, a copy taken under LiveRecordGuard.
extern bool TurnSoundEnabled;                // "swt": "TURN" on timer 4
extern unsigned TurnAngle;                   // "swa": degrees
extern unsigned TurnWarnDistance;            // "muw": look-ahead in small units (m, in, ft)
extern unsigned TurnWarnSeconds;             // "msw": look-ahead in seconds
extern unsigned NormalizationMetres;         // "ntm": cluster size of normalisation
extern unsigned RecalculateSeconds;          // "rws": limit of the advance counter
extern unsigned WaypointReachedMetres;       // "wrm"
extern unsigned WaypointReachedSeconds;      // "wrs"

// "slw": sound "SPD" outside the limits and on new route marks.
extern std::atomic<bool> SpeedLimitWarning;
