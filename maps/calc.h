// maps/calc.h - the measuring tool: screens 21 "1D Distance Calculator"
// (length of the line through the points), 22 "2D Area Calculator" (area of
// their outline) and 23 "3D Volume Calculator" (points in space, nothing
// measured).
//
// Offers the one measuring point list with its axis and precision settings,
// the screens' commands 1101-1109 (CalcCommand), their painting
// (DrawCalcView, through the map painter), the "Precision and Axis..."
// dialogs, and the geometry behind "Measure!": the length of the line, the
// removal of points that lie inside the outline of the others, and the area
// as a triangle fan from the first point.
//
// The screen shown (CurrentScreen) decides what the commands and the
// painting do. Points enter from the coordinate dialog, the receiver and the
// waypoint list. A point whose coordinates are not finite, or lie beyond
// kCalcCoordinateLimit, is not taken: single-precision sides of such points
// turn every sum into infinity or NaN. On the area screen a point that lies
// on another one, or inside the outline of the others, is removed as it is
// added, so the outline stays a plain ring.
//
// UI thread only. Message boxes have the program's title as caption; nothing
// throws.
#pragma once
#include "gps/gps_record.h"

#include <windows.h>

#include <cstddef>
#include <vector>

// Axis modes: which coordinates the points carry (the others are 0).
inline constexpr int kCalcAxisXY = 3;
inline constexpr int kCalcAxisXZ = 4;
inline constexpr int kCalcAxisYZ = 5;
inline constexpr int kCalcAxisXYZ = 6;

// Degrees beyond which a typed or received coordinate is refused.
inline constexpr double kCalcCoordinateLimit = 1e6;

// The measuring points, in entry order; kept for the whole run.
extern std::vector<GPS_POSITION> CalcPoints;
// kCalcAxis...; 3 at start, set by commands 221-223 and the dialog.
extern int CalcAxisMode;
// 0 "Low", 1 "Medium", 2 "High": chosen in the dialog, used by nothing.
extern int CalcPrecision;

// Commands 221-223 call it: 3 (X-Y) for the length and area screens, 6
// (X-Y-Z) for the volume screen.
void SetCalcAxisMode(int mode);

// WM_COMMAND 1101-1109 of the measuring screens' menu (91); ids without an
// action and other messages do nothing. Always 0.
LRESULT CalcCommand(HWND window, WPARAM wParam);
// "Measure!": the length (screen 21) or area (screen 22) in a message box,
// or the message that there are too few points; nothing on screen 23.
void CalcMeasure(HWND window);
// Paints screen 21, 22 or 23: the map view with the measuring points as a
// line (21) or with every pair joined (22, 23).
void DrawCalcView(HWND window, HDC dc);

// Appends point to CalcPoints when it is finite and within the limit (true),
// and on the area screen removes the points that lie inside. Not repainted.
bool AddCalcPoint(const GPS_POSITION& point);
// OK on a waypoint picked for a measuring screen (21-23, else nothing): the
// picked waypoint's position is added as by AddCalcPoint and the view fitted
// to the measuring points.
void FinishCalcPick(HWND window, int screen, const GPS_POSITION& picked);

// "DIALOG_CALC1" (mode 1), "DIALOG_CALC2" (2) or "DIALOG_CALC3" (any other
// mode) over owner. OK sets CalcPrecision and CalcAxisMode and gives 1,
// Cancel changes nothing and gives 0.
INT_PTR ShowCalcOptionsDialog(HWND owner, int mode);
INT_PTR CALLBACK CalcOptionsDlgProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam);

// ---------------------------------------------------------------------------
// The geometry. Lengths and areas narrow the points to single precision
// (x, y) first and keep the sums in double; the enclosure test works in
// double throughout, and two points lie on one place when their single-
// precision x and y are equal.

// The length of the line through points in distance unit (0 km, 1 statute
// mi, 2 nmi; any other unit gives 0), or 0 for an axis mode other than X-Y.
double CalcLineLength(const std::vector<GPS_POSITION>& points, int unit, int axisMode);

// Removes points that count as inside the outline of the others, while more
// than keep points remain: first every point that lies on an earlier one,
// then, again and again from the first point on, the first point whose
// vertex angles to the others' outline sum to at least 6.283 radians. Point
// 0 is measured against the open line from point 1 to the last. Ends after
// at most one removal per point. The sums are kept for the list left, so
// that AppendOutlinePoint and CalcOutlineArea start from them.
void RemoveInteriorCalcPoints(std::vector<GPS_POSITION>* points, size_t keep = 3);
// Appends point and removes inside points as RemoveInteriorCalcPoints does.
// On the list that the last removal left (or the last append) only the sums
// that the new closing sides change are corrected: O(n) plus O(n) for each
// point removed; any other list is cleared whole.
void AppendOutlinePoint(std::vector<GPS_POSITION>* points, const GPS_POSITION& point, size_t keep = 3);

// The triangle fan from point 0: the sum of 0.5 x w[j] x w[j + 1] x
// sin(angle at point 0 between j and j + 1), with w the planar distance from
// point 0 in degrees (squared degrees), or the great-circle distance in km
// when inKm (square kilometres). 0 for fewer than 3 points.
double CalcFanArea(const std::vector<GPS_POSITION>& points, bool inKm);

// "Measure!" on the area screen: points cleared of inside points (down to
// 2) give the fan areas; axis modes X-Z and Y-Z give 0. Points that the last
// removal or append left clean are measured as they are, without a copy.
struct CALC_AREA {
    double squareDegrees;
    double squareMetres;
};
CALC_AREA CalcOutlineArea(const std::vector<GPS_POSITION>& points, int axisMode);
