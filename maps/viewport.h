// maps/viewport.h - the map viewport: the one view state of the Map, Path
// and measuring screens, and its degree-to-pixel transforms.
//
// MapViewport says which rectangle of longitude and latitude is shown, how
// many grid lines divide it, whether it is drawn Cartesian or polar and how
// far it is turned. It starts as the whole world and lives for the whole run;
// it is not stored. Every view operation changes it and then refreshes the
// window given: the online image fetch first (maps/online_maps.h, nothing
// while "lod" is off), then a repaint; a few repaint only. A null window
// refreshes nothing, so the arithmetic runs without one. UI thread only.
// Nothing throws.
#pragma once
#include "gps/gps_record.h"

#include <windows.h>

#include <cstdint>
#include <vector>

struct MAP_VIEWPORT {
    double minLatitude;        // south edge of the Cartesian window, degrees
    double minLongitude;       // west edge
    double maxLatitude;        // north edge
    double maxLongitude;       // east edge
    int latitudeLineCount;     // equal bands south to north (lines = count + 1)
    int longitudeLineCount;    // equal bands west to east
    uint8_t polar;             // 0 Cartesian, 1 polar
    float polarLatitudeSpan;   // polar caption only; at most 90, may go below 0
    float polarLongitudeSpan;  // polar caption only; at most 180
    int polarRingCount;        // 1..4 rings of the polar grid
    int polarAngleStep;        // degrees between radial lines; kept at least 1
    int rotation;              // degrees, normally 0..359; clockwise on screen
    int margin;                // pixels free around the Cartesian grid (Map screen)
    float latitudeStep;        // one Move up/down; set by each Cartesian grid paint
    float longitudeStep;       // one Move left/right; likewise
};

// The program's view state. Starts as the whole world, Cartesian, 12 x 12
// lines, rotation 0, margin 20, polar spans 90 and 180, 4 rings, step 30,
// steps 0 (moves then change nothing until the first grid paint).
extern MAP_VIEWPORT MapViewport;

// Halve (in) or double (out) the shown spans about the centre and step the
// line counts (in: 12, 10, ..., 2, 12; out: 12, 2, 4, ..., and 12 at the
// whole world). keepLatitude / keepLongitude hold that axis still; in polar
// form they act on the polar spans, crosswise. Out clamps to the world.
void ZoomIn(HWND window, bool noRefresh, bool keepLatitude, bool keepLongitude);
void ZoomOut(HWND window, bool noRefresh, bool keepLatitude, bool keepLongitude);
// The whole world, rotation 0, 12 x 12 lines, 4 rings, polar spans 90 and
// 180; the polar flag stays.
void ResetView(HWND window, bool noRefresh);
// One step (the grid's latitude or longitude step) inside the world; a step
// that would leave it changes nothing. In polar form the polar spans change
// instead (repaint only). Right and Left return false at the world's edge
// (the caller then changes screen), true otherwise.
void MoveViewUp(HWND window);
void MoveViewDown(HWND window);
bool MoveViewRight(HWND window);
bool MoveViewLeft(HWND window);
// Centres the window on point (x longitude, y latitude). zoomSteps -1 keeps
// the spans; otherwise the view is reset and zoomed in that many times.
void CenterViewOn(HWND window, const GPS_POSITION* point, int zoomSteps);
// Fits the window to the points (doubled about their extent, clamped to the
// world), rotation 0. Nothing for no points. Non-finite coordinates are
// skipped; a span below kMinimumFitSpan is widened to it about its centre,
// so one point (or many equal ones) still gives a window to divide by.
void FitViewToPoints(HWND window, const std::vector<GPS_POSITION>* points);
inline constexpr double kMinimumFitSpan = 0.001;   // degrees, about 110 m
// rotation += degrees, folded into 0..359 by one step; repaint only.
void RotateView(HWND window, int degrees);
// Polar longitude span at most 180, polar latitude span at most 90.
void ClampPolarSpans();

// The grid steps as a Cartesian grid paint stores them: span / line count
// (0 for a count that is not positive).
void UpdateGridSteps(MAP_VIEWPORT* view);

// The commands of "Tools/Map": 331-336 (zoom, move), 339-344 (rotate, form,
// polar lines) and 351-354 (one-axis zooms). Returns true when id is one of
// them and stores the command's result in *result (1 or 0 for the moves
// right and left, else 0). 338 ("Rotate...") needs the text-entry dialog
// and goes through SetRotationFromText.
bool MapViewCommand(HWND window, int id, LRESULT* result);
// The rotation typed into "Rotate...": read as atol does (not a number: 0),
// below 0 + 360, above 359 - 360, one step only (800 gives 440); repaint.
void SetRotationFromText(HWND window, const wchar_t* text);

// Where one paint draws: the client rectangle (or the rectangle the painter
// was given) and the inner rectangle that the grid painter returned (the
// client less the margin; the centred square in polar form).
struct MAP_FRAME {
    RECT client;
    RECT inner;
};

// Pixels are clamped to +-kPixelLimit, so any input (huge, infinite or NaN
// degrees, a collapsed window) gives a defined pixel well inside GDI's range.
inline constexpr int kPixelLimit = 1 << 26;
// A transform's value as a pixel: truncated, held within +-kPixelLimit, 0
// for NaN.
int ClampPixel(double value);

// The Cartesian transform, north up, turned by the rotation about the client
// centre. A window of zero span maps that axis to the middle of inner.
POINT CartesianToPixel(const MAP_VIEWPORT* view, const MAP_FRAME* frame, double x, double y);
// The polar transform: distance sqrt(x^2 + y^2) degrees from the client
// centre, (180, 90) on the outer ring; the positive longitude axis is
// straight up at rotation 0, angles run clockwise on screen.
POINT PolarToPixel(const MAP_VIEWPORT* view, const MAP_FRAME* frame, double x, double y);
// x within min..max longitude and y within min..max latitude, edges included.
bool ViewWindowContains(const MAP_VIEWPORT* view, double x, double y);
// The pixel of (x, y) in the view's form; true when the point is drawn: in
// the Cartesian window (both forms) and its pixel inside inner, edges
// included. *pixel is written either way.
bool ProjectToPixel(const MAP_VIEWPORT* view, const MAP_FRAME* frame, double x, double y,
                    POINT* pixel);
