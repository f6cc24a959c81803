// maps/online_maps.h - online map images: the map under the Cartesian grid
// fetched for the current window from a map-image service.
//
// With "Use Dynamic Maps" ("lod") on, every viewport change, entering the Map
// screen and the GPS handling call FetchOnlineMapImage. It asks the service
// for a PNG of the window's centre, radius and size, takes the image address
// from the service's XML answer (kept as ".\r.xml"), downloads the image and
// makes it the current map image (maps/offline_maps.h), copied unscaled to
// the grid's corner. With "Save Dynamic Maps" ("sdm") the image is kept in
// the maps folder under a name that a later folder scan reads as its edges,
// else as ".\map.png". The image file is replaced only by an image that
// decoded: a failed fetch leaves every file as it was and no map image.
//
// The handheld builds decode the image as their offline maps do.
// UI thread only; blocks it for the two downloads. Nothing throws.
#pragma once
#include <windows.h>

#include <cstddef>

// Where the map images come from.
struct ONLINE_MAP_SERVICE {
    const char* address;   // scheme and host, without a trailing '/'
    const char* appId;     // sent as "appid"
};
// The service the program asks; the one place both values are kept.
inline constexpr ONLINE_MAP_SERVICE kOnlineMapService = {
    "http://local.yahooapis.com",
    "Pathvex0989DynamicMapsClient96ipbNClShVP4wY4f.mapimage.or9duMl7-",
};
// The service asked now: kOnlineMapService. Only tests point it elsewhere.
extern ONLINE_MAP_SERVICE OnlineMapService;

// An image address longer than this is not fetched.
inline constexpr size_t kMaxImageAddressBytes = 1000;

// Fetches the image for the main window's current view (see above). Does
// nothing while "lod" is off.
void FetchOnlineMapImage(HWND window);
