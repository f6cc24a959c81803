// maps/painter.h - the map painter: the Map screen (4), the Path screen (13)
// and the measuring screens drawn from the viewport (maps/viewport.h).
//
// One paint draws, in this order: on the Path screen the point detail box
// (panes), the recorder-state icon, the Cartesian grid over the map image or
// the polar grid with its labels, the direction needle ("mpc"), a series of
// points (the waypoints, the drawn path of a recording or route, or the
// measuring points) with their markers and connecting lines, the live
// position, and the two scale bars. A quick repaint (QuickRepaint, set by
// the shell when the position moved inside the window) puts back the
// background under the last position marker and draws only the marker at its
// new place; the painter clears the flag at the end of every paint.
//
// Reads: the screen shown (CurrentScreen), the live record, RecorderState,
// ActiveTrack, RoutePosition and DrawnPath under LiveRecordGuard (held for
// the whole paint), the settings "mug", "mpc", "mrp", "vci", "drp", "pls", "dmv" and "lod", and the colour
// scheme and FontSet. UI thread only. Every pen and brush made here is
// selected back and deleted before a function returns. Nothing throws.
#pragma once
#include "gps/gps_record.h"

#include <windows.h>

#include <vector>

// Series types of DrawMapView.
inline constexpr int kSeriesWaypoints = 0;   // markers only
inline constexpr int kSeriesLine = 1;        // one polyline (by cell id with "vci")
inline constexpr int kSeriesArea = 2;        // every pair of points joined
inline constexpr int kSeriesVolume = 3;      // likewise
inline constexpr int kSeriesPath = 4;        // the Path screen's wide line and dots

// Paints one map screen into dc: the client area of window, or *rect when
// given (then without margin). points is the series (may be null); type a
// kSeries value, replaced by the drawn path's when it holds points. hitRects
// (may be null) gets one rectangle (pixel +-4, empty when not drawn) per
// point of the given series, in its order; none when the drawn path
// replaces it.
void DrawMapView(HWND window, HDC dc, const std::vector<GPS_POSITION>* points, int type,
                 std::vector<RECT>* hitRects, const RECT* rect);

// The Cartesian grid in the client area (or *rect) less the margin (2 on
// the Path screen, 0 for a given rect, else the viewport's), over the map
// image (not on the Path screen), with lines ("mug") and labels; stores the
// grid steps for the moves. Returns the inner rectangle the transforms use.
// In a quick repaint it only returns the rectangle.
RECT DrawCartesianGrid(HWND window, HDC dc, const RECT* rect);
// The polar grid in the largest square centred in the client area (or
// *rect): disc, rings, radial lines with bearing labels and the caption of
// the polar spans. Returns the square.
RECT DrawPolarGrid(HWND window, HDC dc, const RECT* rect);
// The current map image for a grid drawn in *rect: chosen and loaded first
// (LoadMapBitmap), then stretched into its projected rectangle, or copied
// unscaled to rect's corner when it has none; never outside *rect.
void DrawMapImage(HDC dc, const RECT* rect);
