// A fresh map viewport for each test, with hooks that log what a view change
// asked for: 'F' the online image fetch, 'P' a repaint.
#pragma once
#include "maps/viewport.h"

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
    std::string Log() const { return HookLog(); }
    void ClearLog() { HookLog().clear(); }
    void SetWindow(double south, double west, double north, double east)
    {
        MapViewport.minLatitude = south;
        MapViewport.minLongitude = west;
        MapViewport.maxLatitude = north;
        MapViewport.maxLongitude = east;
    }
};

}  // namespace mapstest
