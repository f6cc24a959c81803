// A fresh map viewport for each test; and one with a window of its own that
// logs what each view change asked for: 'F' the online image fetch, 'P' a
// repaint.
#pragma once
#include <doctest.h>

#include "kit/settings.h"
#include "maps/offline_maps.h"
#include "maps/online_maps.h"
#include "maps/viewport.h"
#include "support/http_server.h"
#include "support/window_support.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace mapstest {

// What the program starts with. MapViewport is constant-initialised, so this
// copy is taken before any test can change it.
inline const MAP_VIEWPORT kStartViewport = MapViewport;

class ViewFixture {
public:
    ViewFixture() { MapViewport = kStartViewport; }
    ~ViewFixture() { MapViewport = kStartViewport; }
    ViewFixture(const ViewFixture&) = delete;
    ViewFixture& operator=(const ViewFixture&) = delete;

    MAP_VIEWPORT& View() { return MapViewport; }
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

// The view changes on a shown window of the main window's size, with online
// maps on. The map-image service is a server of the test's own that answers
// every request with 404, so a fetch is one request and changes nothing
// else; a repaint is one WM_PAINT. Both are logged in the order they came:
// the requests that arrived before a paint are logged before it.
class LoggedViewFixture : public ViewFixture {
public:
    LoggedViewFixture()
    {
        REQUIRE(server_.Port() != 0);
        REQUIRE(window_.Handle());
        OnlineMapService = {address_.c_str(), "view-test"};
        OnlineMapsEnabled = true;
        Log();
    }
    ~LoggedViewFixture()
    {
        OnlineMapsEnabled = false;
        OnlineMapService = kOnlineMapService;
        ReleaseMapImage();
    }
    HWND Window() const { return window_.Handle(); }
    // Takes the log and starts a new one.
    std::string Log()
    {
        TakeFetches();
        std::string log;
        log.swap(log_);
        return log;
    }

private:
    void TakeFetches()
    {
        const size_t requests = server_.RequestCount();
        log_.append(requests - logged_, 'F');
        logged_ = requests;
    }
    void LogPaint(UINT msg)
    {
        if (msg != WM_PAINT)
            return;
        TakeFetches();
        log_ += 'P';
    }

    testsupport::HttpServer server_;
    std::string address_ = server_.Url("");
    std::string log_;
    size_t logged_ = 0;
    // The main window's size: a fetch needs a client area wider and taller
    // than the view's margins. Made last, as it logs its first paint.
    testsupport::PortWindow window_{true, [this](UINT msg, WPARAM, LPARAM) { LogPaint(msg); }, 240, 320};
};

}  // namespace mapstest
