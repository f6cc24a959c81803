// maps/offline_maps.h - the offline maps folder: calibrated map images, the
// choice of the one that best fits the view, and the current map image.
//
// A map is a PNG, JPEG or GIF file whose name carries its calibration, the
// four edges it shows read with "%f_%f_%f_%f" as west, north, east, south
// (for example "23.5_38.1_23.9_37.8.png"). ScanOfflineMaps lists a folder
// into OfflineMaps; at every paint of a grid LoadMapBitmap scores every map
// against the viewport (maps/viewport.h) and makes the winner the current
// map image, stretched into the rectangle where its edges land. The decoded
// bitmap is kept while the chosen file (path, size, write time) stays the
// same, so a paint decodes an image only when the choice or the file changes.
// The online image fetch replaces the image through SetMapImage.
//
// The desktop builds decode images with GDI+, which the program starts
// before the first scan (without it every image reads as 0 x 0 and nothing
// is drawn); pathvex-ppc with the handheld shell's image loader, pathvex-wm
// with the imaging object, whose image it keeps and lets draw itself
// (platform/handheld/handheld.h). UI thread only. Nothing throws: a folder
// or file that cannot be read gives fewer maps or no image, never an error.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <vector>

// Room for a map's full path; a folder and name that together need more are
// not listed.
inline constexpr size_t kMapPathSize = 300;

// One listed map, in folder order.
struct MAP_COLLECTION {
    wchar_t path[kMapPathSize];   // "%s\%s": folder, file name
    int width;                    // pixels; 0 when GDI+ cannot open the file
    int height;
    float west;                   // minimum longitude, degrees
    float north;                  // maximum latitude
    float east;                   // maximum longitude
    float south;                  // minimum latitude; 0.0 is never listed
};

// One candidate of a choice: an index into OfflineMaps and its score.
struct MAP_FOUND {
    int index;
    uint8_t flag;   // kept false; the choice does not read it
    int score;
};

// The maps folder's listing, rebuilt by ScanOfflineMaps.
extern std::vector<MAP_COLLECTION> OfflineMaps;

// A decoded map image: a GDI bitmap, or in pathvex-wm the imaging object's
// image. Owned by whoever holds it; DeleteMapBitmap frees it.
#if defined(PATHVEX_WM)
class ImagingImage;
using MapBitmap = ImagingImage*;
#else
using MapBitmap = HBITMAP;
#endif

// The one current map image, shared by the maps folder, the online fetch and
// the painter. projected: where the whole bitmap is stretched, in pixels;
// right and bottom 0 mean none (the bitmap's corner is copied unscaled; in
// pathvex-wm the image fills the grid).
struct MAP_IMAGE {
    MapBitmap bitmap;   // owned; null when there is nothing to draw
    RECT projected;
};
extern MAP_IMAGE MapImage;

// Rebuilds OfflineMaps from the files of folder (any length; null or a
// folder that cannot be listed gives none): names ending in ".JPG", ".GIF"
// or ".PNG" in any case, whose fourth value (south) is not exactly 0.0, and
// whose full path fits kMapPathSize. Directories are skipped.
void ScanOfflineMaps(const wchar_t* folder);

// Scores every candidate against the viewport's window drawn into *viewRect:
// -10 when the map does not cover the whole window, less the differences
// between its projected width and height and the rectangle's. Returns the
// OfflineMaps index of the highest score (the earlier on a tie) and makes
// its projected rectangle MapImage's; -1, and MapImage unchanged, for no
// candidates or a window without width or height.
int ChooseBestMap(const RECT* viewRect, std::vector<MAP_FOUND>* candidates);
// With online maps ("lod") on, nothing: the online image stays. Otherwise
// chooses the best map for *viewRect and makes its image the current one:
// decoded anew only when the choice or the file changed; no choice (or a
// file that cannot be decoded) leaves no bitmap.
void LoadMapBitmap(const RECT* viewRect);

// The width and height of an image file as the build's decoder reads them;
// false (and 0 x 0) when it cannot be opened.
bool ReadMapImageSize(const wchar_t* path, int* width, int* height);
// The image file decoded into a new map bitmap, null when it cannot be.
MapBitmap DecodeMapImageFile(const wchar_t* path);
// Frees a map bitmap; nothing for null.
void DeleteMapBitmap(MapBitmap bitmap);
// Makes bitmap (owned from now on; may be null) the current map image with
// the projected rectangle (null: none), deleting the previous one. For the
// online fetch, whose image belongs to no file of the folder.
void SetMapImage(MapBitmap bitmap, const RECT* projected);
// Deletes the current map bitmap (shutdown).
void ReleaseMapImage();

// The Maps list screen: deletes every row of listView and adds one per map
// in OfflineMaps order: "#" ("%u" from 1), "From" ("%f,%f" west, north),
// "To" ("%f,%f" east, south).
void FillMapList(HWND listView);
// The "Map" menu of the Maps screen on the selected row of the main list
// view: 1291 opens the image file with the shell, 1292 deletes it after
// asking, 1293 shows its area on the Map screen. Nothing without a selected
// row or for other ids; returns 0.
LRESULT MapListCommand(HWND window, WPARAM wParam);
