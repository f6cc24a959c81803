// kit/draw.h - small drawing and angle functions shared by the plot views
// and the instrument panes.
//
// Offers turning a point about the centre of a rectangle, folding angles,
// planar distance, all-pairs lines, and the one-rectangle back buffer that
// lets the map redraw only its position marker. Everything here belongs to
// the UI thread. The only state is the back buffer. Nothing throws.
#pragma once
#include <windows.h>

#include <cstddef>

// A point in floating pixels (or degrees, for PlanarDistance).
struct FLOAT_POINT {
    float x;
    float y;
};

inline constexpr float kPiF = 3.1415927f;
inline constexpr float kTwoPiF = 6.2831855f;

// point turned about the centre of *rect (integer halving) by angle radians,
// clockwise on the screen (y downward). An angle of exactly 0 returns point
// bit for bit. The result is not clamped: convert it with care.
FLOAT_POINT RotatePointInRect(FLOAT_POINT point, const RECT* rect, float angle);
// Below 0 adds 360, at least 360 subtracts 360: one step only (725 gives
// 365). Writes *angle and returns it.
int WrapDegrees(int* angle);
// The same with 2 pi (6.2831855) for radians.
void WrapRadians(float* angle);
// sqrt(dx^2 + dy^2) in the points' own units (no geodesy).
float PlanarDistance(FLOAT_POINT a, FLOAT_POINT b);
float FloatMin(float a, float b);
float FloatMax(float a, float b);

// Writes value as "%.4f" into buffer (size characters, cut and terminated)
// and returns the text's width in dc's font; 0 for a null buffer or size 0.
int NumberTextWidth(HDC dc, wchar_t* buffer, size_t size, float value);
// A line from every point to every later point, in index order, with dc's
// pen: 3 points make 3 lines, 4 make 6, 1 makes none.
void DrawAllPairLines(HDC dc, const POINT* points, int count);

// Copies *rect's pixels from dc into the back buffer at (0, 0) and remembers
// the rectangle. The buffer's bitmap takes the size of the first rectangle
// saved and keeps it; larger rectangles later are cut to it.
void SaveScreenRect(HDC dc, const RECT* rect);
// Fills the remembered rectangle white and copies the saved pixels back over
// it. Nothing before the first save.
void RestoreScreenRect(HDC dc);
// Deletes the back buffer's DC and bitmap (shutdown); the next save makes
// them again.
void ReleaseScreenBuffer();
