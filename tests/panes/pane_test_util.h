// Shared by the pane tests: every global the panes read put back to its
// program-start value, and small record builders.
#pragma once
#include "kit/display.h"
#include "panes/panes.h"
#include "tracks/tracks.h"

#include <cstring>

namespace panetest {

inline void ResetPaneGlobals()
{
    SpeedUnit = DistanceUnit = ColorScheme = CoordinateMode = 0;
    SolidCompass = ShowCompassLetters = true;
    CompassX = CompassY = 0;
    CompassZ = 15;
    RecorderState = kRecorderIdle;
    ActiveTrack = TRACK{};
    RoutePosition = 0;
    LowSpeedLimit = HighSpeedLimit = 0;
    SpeedLimitWarning = false;
    TrackDistance = 0.0;
    TrackTimeSeconds = 0;
    RepaintAllPending = false;
    std::memset(&LastPaintedRecord, 0, sizeof LastPaintedRecord);
    CoordinateRect = SpeedValueRect = SpeedUnitRect = CompassRect = RECT{};
    RouteBoxAlternate = false;
}

inline GPS_CURRENT PointAt(double x, double y)
{
    GPS_CURRENT g;
    std::memset(&g, 0, sizeof g);
    g.pos.x = x;
    g.pos.y = y;
    return g;
}

inline WAYPOINT NamedWaypoint(const char* name)
{
    WAYPOINT w{};
    std::strncpy(w.name, name, sizeof w.name - 1);
    return w;
}

inline bool SameRect(const RECT& a, const RECT& b)
{
    return EqualRect(&a, &b) != 0;
}

}  // namespace panetest
