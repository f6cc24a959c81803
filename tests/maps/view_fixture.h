// A fresh map viewport for each test, with hooks that log what a view change
// asked for: 'F' the online image fetch, 'P' a repaint.
#pragma once
#include "maps/viewport.h"

#include <cstdio>
#include <string>

namespace mapstest {

// What the program starts with. MapViewport is constant-initialised, so this
// copy is taken before any test can change it.
inline const MAP_VIEWPORT kStartViewport = MapViewport;

inline std::string& HookLog()
{
    static std::string log;
    return log;
}

class ViewFixture {
public:
    ViewFixture()
    {
        MapViewport = kStartViewport;
        HookLog().clear();
        MapViewHooks.fetchOnlineImage = [](HWND) { HookLog() += 'F'; };
        MapViewHooks.repaint = [](HWND) { HookLog() += 'P'; };
    }
    ~ViewFixture()
    {
        MapViewport = kStartViewport;
        MapViewHooks = MAP_VIEW_HOOKS{};
    }
    ViewFixture(const ViewFixture&) = delete;
    ViewFixture& operator=(const ViewFixture&) = delete;

    MAP_VIEWPORT& View() { return MapViewport; }
    // Takes the log and starts a new one.
    std::string Log()
    {
        std::string log;
        log.swap(HookLog());
        return log;
    }
    // "south west north east", as %g: readable in a failed CHECK.
    std::string Edges() const
    {
        char text[128];
        std::snprintf(text, sizeof text, "%g %g %g %g", MapViewport.minLatitude,
                      MapViewport.minLongitude, MapViewport.maxLatitude, MapViewport.maxLongitude);
        return text;
    }
    void SetWindow(double south, double west, double north, double east)
    {
        MapViewport.minLatitude = south;
        MapViewport.minLongitude = west;
        MapViewport.maxLatitude = north;
        MapViewport.maxLongitude = east;
    }
};

}  // namespace mapstest
