// panes/panes.h - the GPS data screen and the pane drawing kit.
//
// Offers the GPS data screen (PaintPositionScreen, RedrawPositionScreen and
// the repaint mask that picks the boxes to redraw) and the graphic pieces the
// instrument screens and the Path view are built from: a needle, a direction
// arrow with a distance label, a compass rose, the speed box with its
// speed-limit warning, the route boxes and the point detail box. The text
// formats and the layout rules are plain functions too, so they can be
// checked without a device context.
//
// Threads: UI thread only. The painters read the live record and the route
// state of gps/live_track.h, which the reader thread writes under the live
// record's lock: the screen functions hold LiveRecordGuard for the whole
// paint, and a caller of a kit function holds it around the call (the kit
// takes the record to show as an argument).
//
// GDI: every pen and brush made here is selected back and deleted before the
// function returns; the FontSet's fonts are selected and put back, never
// deleted. Nothing throws; a null device context draws nothing visible.
#pragma once
#include "gps/geodesy.h"
#include "gps/gps_record.h"
#include "kit/screen_state.h"
#include "kit/settings.h"

#include <windows.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

class GpsPort;
struct TRACK;

// ---------------------------------------------------------------------------
// Program-wide state of the panes.

// What the GPS data screen (and the sun and moon screens) showed last: a copy
// of the live record taken at the start of every paint.
extern GPS_CURRENT LastPaintedRecord;
// Set when the main window erased the background (and, in pathvex-wm, when
// the cell-tower monitor stores a cell id): the next redraw paints every box.
extern std::atomic<bool> RepaintAllPending;

// Hit rectangles for the main window's double clicks, in client coordinates.
extern RECT CoordinateRect;   // the X, Y and Z boxes
extern RECT SpeedValueRect;   // the speed digits
extern RECT SpeedUnitRect;    // the speed unit label
extern RECT CompassRect;      // the last compass rose drawn
// Flipped by every route box on the Path view, which shows the distance to
// the next point and the distance to the end in turn.
extern bool RouteBoxAlternate;

// ---------------------------------------------------------------------------
// GPS data screen (screen 1).

// Repaint mask bits; kRepaintAll paints everything, the separator included.
inline constexpr int32_t kRepaintX = 1;
inline constexpr int32_t kRepaintY = 2;
inline constexpr int32_t kRepaintZ = 4;
inline constexpr int32_t kRepaintSpeed = 8;
inline constexpr int32_t kRepaintCourse = 16;      // also the turn arrow while following
inline constexpr int32_t kRepaintSatellites = 32;
inline constexpr int32_t kRepaintTime = 64;
inline constexpr int32_t kRepaintWaypoint = 128;
inline constexpr int32_t kRepaintAll = -1;

// The boxes whose values differ between the live record and the last painted
// one (exact comparisons; a NaN differs). A coordinate of exactly 0 never
// sets its bit; speed and course count only with a valid fix.
int32_t PositionChangeMask(const GPS_CURRENT& live, const GPS_CURRENT& last);
// The mask RedrawPositionScreen paints with: everything after an erase
// (repaintAllPending) or when the fix was just gained, else the changes.
int32_t PositionRepaintMask(const GPS_CURRENT& live, const GPS_CURRENT& last,
                            bool repaintAllPending);

// Paints the boxes of mask into dc over the client rectangle (laid out from
// (0, 0) with its width and height); the main window passes kRepaintAll on
// WM_PAINT. Copies the live record of port into LastPaintedRecord first; the
// nearest waypoint's name is taken from waypoints (the record's 1-based
// index). Nothing happens without a port.
void PaintPositionScreen(GpsPort* port, HDC dc, const RECT& client, int32_t mask,
                         const std::vector<WAYPOINT>& waypoints);
// On WM_GPSDATA while screen 1 shows: works out the mask against the last
// paint, clears RepaintAllPending and paints through the window's DC. In
// pathvex-wm a cell id stored since the last call repaints every box.
void RedrawPositionScreen(HWND window, GpsPort* port, const std::vector<WAYPOINT>& waypoints);

// Where a double click on screen 1 landed, by the rectangles in the order the
// main window acts on them (edges count as inside).
enum class PositionHit { None, SpeedUnit, Coordinate, SpeedValue, Compass };
PositionHit HitTestPositionScreen(POINT pt);

// The fixed part of the screen's layout for a client area of width x height,
// with l the bold font's height and h14 the +14 font's height (pixels).
struct POSITION_LAYOUT {
    RECT x, satellites, y, course, z, time;   // the six text boxes
    RECT coordinates;                         // CoordinateRect
    int separatorY;                           // from x = 2 to width - 2
    RECT speed;                               // given to DrawSpeedBox
    RECT waypoint;                            // the nearest-waypoint line
    RECT routeCounter;                        // "i/n" while following
};
POSITION_LAYOUT LayoutPositionScreen(int width, int height, int l, int h14);

// The compass rose and, while a route is followed and its position lies on
// the route, the turn circle (empty otherwise).
struct ROSE_LAYOUT {
    RECT rose;
    RECT turnCircle;
    bool following;
};
// speedBottom: bottom of the speed box; speedValue: SpeedValueRect.
// recorderState and routeOnTrack (the route position is a point of the
// route) choose between the two layouts.
ROSE_LAYOUT LayoutPositionRose(int width, int height, int speedBottom, const RECT& speedValue,
                               int32_t recorderState, bool routeOnTrack);

// ---------------------------------------------------------------------------
// Text of the panes. Every formatter writes at most size - 1 characters and
// always terminates; a longer text is cut.

inline constexpr size_t kPaneTextSize = 1000;   // the panes' text buffers

// The box texts of the GPS data screen.
enum class PositionBox { X, Satellites, Y, Course, Z, Time };
void FormatPositionBox(wchar_t* buffer, size_t size, PositionBox box, const GPS_CURRENT& gps,
                       int coordinateMode, int distanceUnit);
// "%.2f Km %s" of the record's nearest waypoint; false (and an empty text)
// when its index is 0 or lies beyond the waypoint vector.
bool FormatNearestWaypoint(wchar_t* buffer, size_t size, const GPS_CURRENT& gps,
                           const std::vector<WAYPOINT>& waypoints);

// The live speed in unit 0 km/h, 1 knots, 2 m/s, 3 mph (others: km/h).
double SpeedInUnit(const GPS_CURRENT& gps, int unit);
// "Km/H", "Knots", "m/s", "MpH" (others: "Km/H").
const wchar_t* SpeedUnitLabel(int unit);
// "%.1f" from 100 on, "%.2f" from 10 on, else "%.3f".
void FormatSpeedValue(wchar_t* buffer, size_t size, double speed);
// True when a limit is set and the km/h speed lies outside it.
bool SpeedOutsideLimits(double kmh, int32_t low, int32_t high);

// A distance in the unit: "%um" below 1 km, "%.2fKm"; "%ui" below 0.5 mi,
// "%.2fmi"; "%uf" below 0.5 Nmi, "%.2fNmi". With a second line, "\r\n%s" of
// it follows. Whole numbers are truncated.
void FormatDistance(wchar_t* buffer, size_t size, double distance, int unit,
                    const wchar_t* secondLine);
// "%02u:%02u:%02u" of the seconds to cover km at ms metres per second, or
// an empty text when the speed is 0.
void FormatTimeToGo(wchar_t* buffer, size_t size, double km, double ms);

// Distances from the live position along a route from point index on.
struct ROUTE_DISTANCES {
    double nextKm;     // to the route point at index
    double next;       // the same in the distance unit
    double endKm;      // to the last point, through every point between
    double end;        // the same, each leg converted as it is added
};
// False, and nothing measured, when index is not a point of the route.
bool MeasureRoute(const GPS_CURRENT& live, const TRACK& route, uint32_t index, int unit,
                  ROUTE_DISTANCES* out);
// The route box text: distance and time to the next point, then (after
// CR LF) to the end; either part may be left out.
void FormatRouteInfo(wchar_t* buffer, size_t size, const ROUTE_DISTANCES& d, double ms, int unit,
                     bool showNext, bool showEnd);
// The Path view's point detail text: "X: ..\r\nY: ..\r\nZ: %.2f\r\nC: %u".
void FormatPointDetail(wchar_t* buffer, size_t size, const GPS_CURRENT& gps, int coordinateMode,
                       uint32_t cellId);

// ---------------------------------------------------------------------------
// Drawing kit. Angles on the screen turn clockwise from straight up, about
// the rectangle's centre. Colours are COLORREF values.

// dc's text colour: the scheme's OK colour while GpsDevice's live fix is
// valid, else its Err colour (day 0xFF0000 / 0x0000FF, night 0xFFFF00 /
// 0x80FFFF, custom c3 / c4). Takes the live record's lock for the look.
void SetSchemeTextColor(HDC dc);
// The recorder-state icon at (0, rect->bottom - 32): "ICON_RECORD" while
// recording, "ICON_PAUSE" while paused, "ICON_PLAY" while a route is
// followed (RecorderState), nothing when idle. The icons are the program's
// own resources.
void DrawStateIcon(HDC dc, const RECT* rect);

// Needle angle units.
inline constexpr int kAngleDegrees = 0;
inline constexpr int kAngleDegreesCoarse = 1;   // degrees by 3.1415 / 180
inline constexpr int kAngleRadians = 2;

// "No rotation" for DrawCompassRose: letters only with "scl", N at the top.
inline constexpr float kRoseNoRotation = 1000.0f;

// A needle in rect, filled with the brush the caller selected; the pen is
// idle while the recorder is idle, else active. shortening moves the tip and
// the tail toward each other by that many pixels.
void DrawNeedle(HDC dc, const RECT& rect, float angle, int angleUnit, COLORREF idle,
                COLORREF active, int shortening);
// An arrow in rect turned by angle (radians), filled with fill; a label of
// distance (current distance unit) over it unless distance is exactly 0.
void DrawDirectionArrow(HDC dc, const RECT& rect, float angle, COLORREF fill, double distance,
                        COLORREF textColor);
// A compass rose in rect with a needle at course (degrees); rotation turns
// the letters (kRoseNoRotation: upright, and only with "scl"); grayed draws
// it hollow in grey. Sets CompassRect.
void DrawCompassRose(HDC dc, float course, const RECT& rect, bool grayed, float rotation);
// The speed in the speed unit with its label, in rect; rect's left moves
// past the digits. Err colour (and "SPD" with "slw") outside the speed
// limits. Sets SpeedValueRect and SpeedUnitRect; returns the label's right
// edge. screen: where it is drawn (kScreenGps puts the label under the
// digits while a route is followed).
int DrawSpeedBox(HDC dc, const GPS_CURRENT& gps, RECT* rect, int screen);
// While a route is followed: "i/n" in counter and the distances and times
// to the next point and to the end in distance. On the Path view
// (kScreenPathView) no counter, and one of the two distances per paint. Nothing
// when the route position is not a point of the route.
void DrawRouteInfoBox(HDC dc, const GPS_CURRENT& gps, const RECT& counter, const RECT& distance,
                      int screen);
// While recording: the track distance over the track time.
void DrawDistanceTimeBox(HDC dc, const RECT& rect);
// The Path view's frame around the plot: point text, speed box, route or
// recording box, a grey rose and, while following, the turn arrow. live is
// the live record. Returns the plot rectangle: box inset by 5 left and right
// and by 40 at top and bottom (and nothing is drawn without a live record).
RECT DrawPointDetailBox(HDC dc, const GPS_CURRENT* live, const RECT& box);

// ---------------------------------------------------------------------------
// The satellite, compass, sun and moon screens (5, 14, 11, 12). The Paint
// forms draw everything over the window's client rectangle into dc (WM_PAINT
// after the erase); the Redraw forms paint through the window's own DC on
// WM_GPSDATA. Each reads the live record of GpsDevice once, under its lock,
// and paints from that copy. Receiver values may be garbage (checksums are
// not verified): every angle, elevation and SNR is brought into its range,
// or the item left out, before it becomes a pixel.

void PaintSatellitePane(HWND window, HDC dc);
// Paints off screen and copies the result: bars and dots move, and nothing
// else erases where they were. Clears SatellitesChanged like every paint.
void RedrawSatellitePane(HWND window);
void PaintCompassPane(HWND window, HDC dc);
void RedrawCompassPane(HWND window);
// Both copy the live record into LastPaintedRecord first.
void PaintSunPane(HWND window, HDC dc);
void PaintMoonPane(HWND window, HDC dc);
void RedrawSunPane(HWND window);
void RedrawMoonPane(HWND window);

// The same screens from a given record into a client rectangle (0, 0, W, H).
// protocol: GpsInputKind of the record (kGpsInputDriver scans only as many
// table entries as the record has satellites in view).
void DrawSatelliteScreen(HDC dc, const RECT& client, const GPS_CURRENT& gps, int protocol);
void DrawCompassScreen(HDC dc, const RECT& client, const GPS_CURRENT& gps);
void DrawSunScreen(HDC dc, const RECT& client, const GPS_CURRENT& gps);
void DrawMoonScreen(HDC dc, const RECT& client, const GPS_CURRENT& gps);

// The satellite screen's geometry. The first 35 table entries are shown.
inline constexpr int kShownSatellites = 35;
// W / k: the width of each of k signal bars; 0 when k is not above 0.
int SatelliteBarWidth(int width, int inView);
// Bar height for an SNR: trunc(SNR x 50 / 100), the SNR held to 0..100 (a
// value that is not a number counts as 0).
int SatelliteBarHeight(float snr);
// The sky plot: the largest square centred in the client rectangle.
RECT SkyPlotSquare(int width, int height);
// A satellite's dot centre in the plot: elevation 0 at the centre, 90 on
// the outer circle, turned clockwise by the azimuth (0 up, 90 right). False
// for no dot: an elevation or azimuth that is not a number, or an elevation
// beyond +-90 degrees. Elevations below 0 sit at the centre; azimuths wrap.
bool SkyPlotPoint(const RECT& square, float elevation, float azimuth, POINT* at);

// The compass screen: two roses and their labels, side by side when the
// window is wider than high, else stacked.
struct COMPASS_LAYOUT {
    RECT trueRose;
    RECT magneticRose;
    RECT trueLabel;
    RECT magneticLabel;
};
COMPASS_LAYOUT LayoutCompassScreen(int width, int height);
// The roses' turn in degrees (needle and letters together), heading up: the
// true rose by -course; the magnetic one by -(course - variation), the
// variation positive east as the live record keeps it. Values that are
// not numbers count as 0; both results lie within +-720.
struct ROSE_TURNS {
    float trueRose;
    float magneticRose;
};
ROSE_TURNS CompassRoseTurns(double course, double variation);

// The moon's disc: the lit disc's box and the dark ellipse laid over it.
// Waxing (tomorrow's percentage above today's) darkens from the left edge
// + c, else up to the right edge - c, c = width x percent / 100.
struct MOON_DISC {
    RECT disc;
    RECT dark;
};
MOON_DISC LayoutMoonDisc(int width, int height, float percentToday, float percentTomorrow);

// ---------------------------------------------------------------------------
// Statistics screen (screen 9): a list of fourteen rows of trip figures.
//
// The trip maxima (gps/nmea.h) and the distances are kept in one unit each,
// km/h and km, whatever the unit shown, and converted when shown.

inline constexpr int kStatisticsRows = 14;

// Everything the fourteen rows show, gathered at one moment.
struct TRIP_STATISTICS {
    uint64_t upTimeSeconds;
    uint64_t runTimeSeconds;
    uint64_t trackTimeSeconds;
    double maxSpeedKmh;
    double maxAltitudeMetres;
    double totalKm;
    double trackKm;
    bool sunTimesKnown;   // false in a polar day or night
    WORD sunriseHour, sunriseMinute, sunsetHour, sunsetMinute;
    float moonPercent;
    float pdop, hdop, vdop;
    double magneticVariation;
};
// Row's label ("Up time" ... "Magnetic Variation"); "" beyond the rows.
const wchar_t* StatisticsLabel(int row);
// Row's value text in the speed and distance units given.
void FormatStatisticsValue(wchar_t* buffer, size_t size, int row, const TRIP_STATISTICS& s,
                           int speedUnit, int distanceUnit);

// The figures of the moment: the live record and the trip values read under
// the live record's lock, the main window's counters (kit/screen_state.h),
// sun and moon worked out for the live position after the lock is let go.
TRIP_STATISTICS GatherStatistics();
// With rebuild, deletes the list's rows and inserts the fourteen labels;
// always sets the value column of all fourteen. UI thread (a new maximum on
// the reader thread reaches the main window as WM_STATISTICSREFRESH); no
// lock is held while the list's messages are sent.
void FillStatisticsList(HWND list, bool rebuild);
