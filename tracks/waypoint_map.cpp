// The selected waypoint on the map screens: "View in Map" on the Map screen
// or a proxy web map page, "View in External Map" on a public page, and the
// waypoint list's own web map commands.
#include "tracks/waypoints.h"

#include "kit/screen_state.h"
#include "maps/viewport.h"
#include "maps/web_map.h"
#include "resources/resource.h"
#include "tracks/tracks_internal.h"

namespace {

// "Pathvex" in "View in Map" centres the Map screen this many zoom steps in.
constexpr int kMapZoomSteps = 10;
// The waypoint list's web map pages open at street level.
constexpr int kWebMapZoom = 15;

void EnterWebMapScreen(HWND window)
{
    SendMessageW(window, WM_COMMAND, IDM_SCREEN_WEBMAP, 0);
}

}  // namespace

void tracksimpl::ShowSelectedOnWebMapPage(HWND window, int provider)
{
    WAYPOINT waypoint{};
    if (!SelectedWaypoint(window, &waypoint, false))
        return;
    EnterWebMapScreen(window);
    ShowWebMapPage(window, provider, waypoint.pos.x, waypoint.pos.y, kWebMapZoom);
}

LRESULT WaypointMapCommand(HWND window, WPARAM wParam)
{
    const int id = LOWORD(wParam);
    if (id == IDM_WEBMAP_ZOOM_IN || id == IDM_WEBMAP_ZOOM_OUT) {
        ZoomWebMapPage(id == IDM_WEBMAP_ZOOM_IN ? 1 : -1);
        return 0;
    }
    const bool external = id >= IDM_EXTMAP_GOOGLE && id <= IDM_EXTMAP_LIVE;
    if (!external && id != IDM_SHOWONMAP_PATHVEX && id != IDM_SHOWONMAP_GMAP && id != IDM_SHOWONMAP_YMAP)
        return 0;
    // The list goes out of sight with the next screen: read it first.
    WAYPOINT waypoint{};
    if (!tracksimpl::SelectedWaypoint(window, &waypoint, false))
        return 0;
    if (id == IDM_SHOWONMAP_PATHVEX) {
        SendMessageW(window, WM_COMMAND, IDM_SCREEN_MAP, 0);
        CenterViewOn(window, &waypoint.pos, kMapZoomSteps);
        return 0;
    }
    EnterWebMapScreen(window);
    if (id == IDM_SHOWONMAP_GMAP)
        ShowGmapPage(waypoint.pos.x, waypoint.pos.y, WebMapView.googleZoom, -1, -1);
    else if (id == IDM_SHOWONMAP_YMAP)
        ShowYmapStaticPage(waypoint.pos.x, waypoint.pos.y, WebMapView.yahooZoom, -1, -1);
    else
        ShowExternalMapPage(window, waypoint.pos.x, waypoint.pos.y, id - (IDM_EXTMAP_FIRST - 1));
    return 0;
}
