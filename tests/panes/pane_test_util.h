// Shared by the pane tests: every global the panes read put back to its
// program-start value, so each test case starts from the same state.
#pragma once
#include "app/display.h"
#include "panes/panes.h"
#include "tracks/tracks.h"

#include <cstring>
#include <string>
#include <vector>

namespace panetest {

inline void ResetPaneGlobals()
{
    SpeedUnit = 0;
    DistanceUnit = 0;
    ColorScheme = 0;
    CoordinateMode = 0;
    SolidCompass = true;
    ShowCompassLetters = true;
    CompassX = 0;
    CompassY = 0;
    CompassZ = 15;
    PaneHooks = {};
    RecorderState = kRecorderIdle;
    ActiveTrack = TRACK{};
    RoutePosition = 0;
    LowSpeedLimit = 0;
    HighSpeedLimit = 0;
    SpeedLimitWarning = false;
    TrackDistance = 0.0;
    TrackTimeSeconds = 0;
    Waypoints.clear();
    RepaintAllPending = false;
    std::memset(&LastPaintedRecord, 0, sizeof LastPaintedRecord);
    CoordinateRect = SpeedValueRect = SpeedUnitRect = CompassRect = RECT{};
    RouteBoxAlternate = false;
}

inline GPS_CURRENT ZeroRecord()
{
    GPS_CURRENT g;
    std::memset(&g, 0, sizeof g);
    return g;
}

inline GPS_CURRENT PointAt(double x, double y)
{
    GPS_CURRENT g = ZeroRecord();
    g.pos.x = x;
    g.pos.y = y;
    return g;
}

inline WAYPOINT NamedWaypoint(const char* name, double x, double y)
{
    WAYPOINT w{};
    std::strncpy(w.name, name, sizeof w.name - 1);
    w.pos.x = x;
    w.pos.y = y;
    return w;
}

inline bool SameRect(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

inline std::string Describe(const RECT& r)
{
    return "(" + std::to_string(r.left) + ", " + std::to_string(r.top) + ", " +
           std::to_string(r.right) + ", " + std::to_string(r.bottom) + ")";
}

}  // namespace panetest
