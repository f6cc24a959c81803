// The map viewport: zoom, move, rotate, centre and fit, the map view
// commands, and the degree-to-pixel transforms.
#include "maps/viewport.h"

#include "kit/display.h"
#include "kit/draw.h"
#include "maps/online_maps.h"
#include "resources/resource.h"

#include <climits>
#include <cmath>
#include <cwctype>
#include <iterator>

namespace {

constexpr double kWorldSouth = -90.0;
constexpr double kWorldNorth = 90.0;
constexpr double kWorldWest = -180.0;
constexpr double kWorldEast = 180.0;
constexpr int kFullLineCount = 12;
constexpr int kLineCountStep = 2;
constexpr int kMaxRings = 4;
constexpr float kMaxPolarLatitudeSpan = 90.0f;
constexpr float kMaxPolarLongitudeSpan = 180.0f;
// The polar grid draws 360 / step radial half-lines: six is the fewest.
constexpr int kMinRadialLines = 6;
constexpr int kRadialLinesStep = 6;

// The length of (180, 90): the corner of the world lands on the outer ring.
const double kPolarWorldRadius = std::sqrt(40500.0);

constexpr MAP_VIEWPORT kInitialViewport = {
    kWorldSouth, kWorldWest, kWorldNorth, kWorldEast,
    kFullLineCount, kFullLineCount,
    0,
    kMaxPolarLatitudeSpan, kMaxPolarLongitudeSpan,
    kMaxRings, 30,
    0,
    20,
    0.0f, 0.0f,
};

MAP_VIEWPORT& View()
{
    return MapViewport;
}

void Repaint(HWND window)
{
    if (window)
        RefreshWindow(window);
}

// A view change: the online image for the new window first, so the repaint
// already shows it.
void Refresh(HWND window)
{
    FetchOnlineMapImage(window);
    Repaint(window);
}

bool IsWholeWorld(const MAP_VIEWPORT& v)
{
    return v.minLatitude == kWorldSouth && v.maxLatitude == kWorldNorth &&
           v.minLongitude == kWorldWest && v.maxLongitude == kWorldEast;
}

// Both edges move a quarter span inward. The two roundings to float are
// part of the result: after many zooms the spans are not exact halves.
void HalveAxis(double* lo, double* hi)
{
    const float half = static_cast<float>((*hi - *lo) * 0.5);
    const float d = static_cast<float>(half * 0.5);
    *hi -= d;
    *lo += d;
}

// Both edges move half a span outward, then each is held inside the world.
void DoubleAxis(double* lo, double* hi, double worldLo, double worldHi)
{
    const float d = static_cast<float>((*hi - *lo) * 0.5);
    *lo -= d;
    *hi += d;
    if (*lo < worldLo)
        *lo = worldLo;
    if (*hi > worldHi)
        *hi = worldHi;
}

void ZoomInPolar(MAP_VIEWPORT& v, bool keepLatitude, bool keepLongitude)
{
    // The keep flags act crosswise on the polar spans.
    if (!keepLatitude)
        v.polarLongitudeSpan *= 0.5f;
    if (!keepLongitude)
        v.polarLatitudeSpan *= 0.5f;
    ClampPolarSpans();
    v.polarRingCount = v.polarRingCount == 1 ? kMaxRings : v.polarRingCount - 1;
    if (v.polarLatitudeSpan >= kMaxPolarLatitudeSpan &&
        v.polarLongitudeSpan >= kMaxPolarLongitudeSpan)
        v.polarRingCount = kMaxRings;
}

void ZoomInCartesian(MAP_VIEWPORT& v, bool keepLatitude, bool keepLongitude)
{
    if (!keepLatitude)
        HalveAxis(&v.minLatitude, &v.maxLatitude);
    if (!keepLongitude)
        HalveAxis(&v.minLongitude, &v.maxLongitude);
    // 12, 10, ..., 2, then round to 12 again.
    const bool wrap = v.latitudeLineCount == kLineCountStep ||
                      v.longitudeLineCount == kLineCountStep;
    v.latitudeLineCount -= kLineCountStep;
    v.longitudeLineCount -= kLineCountStep;
    if (wrap)
        v.latitudeLineCount = v.longitudeLineCount = kFullLineCount;
}

void ZoomOutPolar(MAP_VIEWPORT& v, bool keepLatitude, bool keepLongitude)
{
    if (!keepLongitude)
        v.polarLatitudeSpan *= 2.0f;
    if (!keepLatitude)
        v.polarLongitudeSpan *= 2.0f;
    ClampPolarSpans();
    v.polarRingCount = v.polarRingCount + 1 > kMaxRings ? 1 : v.polarRingCount + 1;
    if (v.polarLatitudeSpan == kMaxPolarLatitudeSpan &&
        v.polarLongitudeSpan == kMaxPolarLongitudeSpan)
        v.polarRingCount = kMaxRings;
}

void ZoomOutCartesian(MAP_VIEWPORT& v, bool keepLatitude, bool keepLongitude)
{
    if (!keepLatitude)
        DoubleAxis(&v.minLatitude, &v.maxLatitude, kWorldSouth, kWorldNorth);
    if (!keepLongitude)
        DoubleAxis(&v.minLongitude, &v.maxLongitude, kWorldWest, kWorldEast);
    // 12, 2, 4, ..., 12 again; the whole world always shows 12.
    v.latitudeLineCount += kLineCountStep;
    v.longitudeLineCount += kLineCountStep;
    if (v.latitudeLineCount > kFullLineCount || v.longitudeLineCount > kFullLineCount)
        v.latitudeLineCount = v.longitudeLineCount = kLineCountStep;
    if (IsWholeWorld(v))
        v.latitudeLineCount = v.longitudeLineCount = kFullLineCount;
}

void ResetState(MAP_VIEWPORT& v)
{
    v.rotation = 0;
    v.latitudeLineCount = v.longitudeLineCount = kFullLineCount;
    v.minLatitude = kWorldSouth;
    v.maxLatitude = kWorldNorth;
    v.minLongitude = kWorldWest;
    v.maxLongitude = kWorldEast;
    v.polarRingCount = kMaxRings;
    v.polarLatitudeSpan = kMaxPolarLatitudeSpan;
    v.polarLongitudeSpan = kMaxPolarLongitudeSpan;
}

// Polar moves change only the caption's spans and repaint without a fetch.
void MovePolar(HWND window, float latitudeDelta, float longitudeDelta)
{
    View().polarLatitudeSpan += latitudeDelta;
    View().polarLongitudeSpan += longitudeDelta;
    ClampPolarSpans();
    Repaint(window);
}

// Widens [*lo, *hi] about its centre to at least span.
void KeepMinimumSpan(double* lo, double* hi, double span)
{
    if (*hi - *lo >= span)
        return;
    const double centre = *lo + (*hi - *lo) * 0.5;
    *lo = centre - span * 0.5;
    *hi = centre + span * 0.5;
}

// Rotation sums in 64 bits: a typed rotation may sit near the int limits.
int FoldDegrees(long long degrees)
{
    if (degrees < 0)
        degrees += 360;
    else if (degrees >= 360)
        degrees -= 360;
    if (degrees > INT_MAX)
        return INT_MAX;
    if (degrees < INT_MIN)
        return INT_MIN;
    return static_cast<int>(degrees);
}

// pixels x offset / span, the span rounded to float as the grid has it; a
// span of 0 (or one that is not a number) puts every point in the middle.
double ScaleToPixels(int pixels, double offset, double span)
{
    const float s = static_cast<float>(span);
    if (s == 0.0f || !std::isfinite(s))
        return pixels * 0.5;
    return pixels * offset / s;
}

float DegreesToRadians(long long degrees)
{
    return static_cast<float>(degrees) * kPiF / 180.0f;
}

// Direction of (x, y) from the positive longitude axis toward positive
// latitude, in [0, 2 pi).
float PolarAngle(double x, double y)
{
    if (x > 0) {
        float a = static_cast<float>(std::atan(y / x));
        if (y < 0)
            a += kTwoPiF;
        return a;
    }
    if (x < 0)
        return static_cast<float>(std::atan(y / x)) + kPiF;
    return y > 0 ? kPiF / 2.0f : 4.712389f;
}

// Saturating atol: a typed number beyond the range of long stops at its
// limit instead of wrapping.
long ParseTypedLong(const wchar_t* text)
{
    if (!text)
        return 0;
    while (std::iswspace(*text))
        ++text;
    bool negative = false;
    if (*text == L'-' || *text == L'+')
        negative = *text++ == L'-';
    long long value = 0;
    for (; *text >= L'0' && *text <= L'9'; ++text) {
        value = value * 10 + (*text - L'0');
        if (value > static_cast<long long>(LONG_MAX) + 1)
            value = static_cast<long long>(LONG_MAX) + 1;
    }
    if (negative)
        return static_cast<long>(-value);
    return value > LONG_MAX ? LONG_MAX : static_cast<long>(value);
}

void MorePolarLines(HWND window)
{
    MAP_VIEWPORT& v = View();
    if (!v.polar || v.polarAngleStep <= 0)
        return;
    const int step = 360 / (360 / v.polarAngleStep + kRadialLinesStep);
    // One degree is the finest grid: below it the step would become 0 and
    // the polar grid divides by it.
    if (step < 1)
        return;
    v.polarAngleStep = step;
    Repaint(window);
}

void LessPolarLines(HWND window)
{
    MAP_VIEWPORT& v = View();
    if (!v.polar || v.polarAngleStep <= 0)
        return;
    const int lines = 360 / v.polarAngleStep;
    if (lines == kMinRadialLines || lines - kRadialLinesStep <= 0)
        return;
    v.polarAngleStep = 360 / (lines - kRadialLinesStep);
    Repaint(window);
}

void SetPolar(HWND window, uint8_t polar)
{
    View().polar = polar;
    Repaint(window);
}

struct ViewCommand {
    int id;
    LRESULT (*run)(HWND window);
};

constexpr ViewCommand kViewCommands[] = {
    {IDM_ZOOM_IN, [](HWND w) -> LRESULT { ZoomIn(w, false, false, false); return 0; }},
    {IDM_ZOOM_OUT, [](HWND w) -> LRESULT { ZoomOut(w, false, false, false); return 0; }},
    {IDM_HZOOM_IN, [](HWND w) -> LRESULT { ZoomIn(w, false, true, false); return 0; }},
    {IDM_HZOOM_OUT, [](HWND w) -> LRESULT { ZoomIn(w, false, false, true); return 0; }},
    {IDM_VZOOM_IN, [](HWND w) -> LRESULT { ZoomOut(w, false, true, false); return 0; }},
    {IDM_VZOOM_OUT, [](HWND w) -> LRESULT { ZoomOut(w, false, false, true); return 0; }},
    {IDM_MOVE_UP, [](HWND w) -> LRESULT { MoveViewUp(w); return 0; }},
    {IDM_MOVE_RIGHT, [](HWND w) -> LRESULT { return MoveViewRight(w) ? 1 : 0; }},
    {IDM_MOVE_DOWN, [](HWND w) -> LRESULT { MoveViewDown(w); return 0; }},
    {IDM_MOVE_LEFT, [](HWND w) -> LRESULT { return MoveViewLeft(w) ? 1 : 0; }},
    {IDM_ROTATE_RIGHT, [](HWND w) -> LRESULT { RotateView(w, MapViewport.polarAngleStep / 2); return 0; }},
    {IDM_ROTATE_LEFT, [](HWND w) -> LRESULT { RotateView(w, MapViewport.polarAngleStep / -2); return 0; }},
    {IDM_VIEW_CARTESIAN, [](HWND w) -> LRESULT { SetPolar(w, 0); return 0; }},
    {IDM_VIEW_POLAR, [](HWND w) -> LRESULT { SetPolar(w, 1); return 0; }},
    {IDM_POLAR_MORE_LINES, [](HWND w) -> LRESULT { MorePolarLines(w); return 0; }},
    {IDM_POLAR_LESS_LINES, [](HWND w) -> LRESULT { LessPolarLines(w); return 0; }},
};

constexpr bool CommandIdsUnique()
{
    for (size_t i = 0; i < std::size(kViewCommands); ++i)
        for (size_t j = i + 1; j < std::size(kViewCommands); ++j)
            if (kViewCommands[i].id == kViewCommands[j].id)
                return false;
    return true;
}
static_assert(CommandIdsUnique(), "a map view command id is listed twice");

}  // namespace

// Every float-to-int conversion of a transform goes through here: the
// coordinates may come from a malformed sentence or a collapsed window.
int ClampPixel(double value)
{
    if (std::isnan(value))
        return 0;
    if (value >= kPixelLimit)
        return kPixelLimit;
    if (value <= -kPixelLimit)
        return -kPixelLimit;
    return static_cast<int>(value);
}

MAP_VIEWPORT MapViewport = kInitialViewport;

void ClampPolarSpans()
{
    if (View().polarLongitudeSpan > kMaxPolarLongitudeSpan)
        View().polarLongitudeSpan = kMaxPolarLongitudeSpan;
    if (View().polarLatitudeSpan > kMaxPolarLatitudeSpan)
        View().polarLatitudeSpan = kMaxPolarLatitudeSpan;
}

void ZoomIn(HWND window, bool noRefresh, bool keepLatitude, bool keepLongitude)
{
    if (View().polar)
        ZoomInPolar(View(), keepLatitude, keepLongitude);
    else
        ZoomInCartesian(View(), keepLatitude, keepLongitude);
    if (!noRefresh)
        Refresh(window);
}

void ZoomOut(HWND window, bool noRefresh, bool keepLatitude, bool keepLongitude)
{
    if (View().polar)
        ZoomOutPolar(View(), keepLatitude, keepLongitude);
    else
        ZoomOutCartesian(View(), keepLatitude, keepLongitude);
    if (!noRefresh)
        Refresh(window);
}

void ResetView(HWND window, bool noRefresh)
{
    ResetState(View());
    if (!noRefresh)
        Refresh(window);
}

void MoveViewUp(HWND window)
{
    MAP_VIEWPORT& v = View();
    if (v.polar) {
        MovePolar(window, -1.0f, 0.0f);
        return;
    }
    if (!(v.maxLatitude + v.latitudeStep <= kWorldNorth))
        return;
    v.minLatitude += v.latitudeStep;
    v.maxLatitude += v.latitudeStep;
    Refresh(window);
}

void MoveViewDown(HWND window)
{
    MAP_VIEWPORT& v = View();
    if (v.polar) {
        MovePolar(window, 1.0f, 0.0f);
        return;
    }
    if (!(v.minLatitude - v.latitudeStep >= kWorldSouth))
        return;
    v.minLatitude -= v.latitudeStep;
    v.maxLatitude -= v.latitudeStep;
    Refresh(window);
}

bool MoveViewRight(HWND window)
{
    MAP_VIEWPORT& v = View();
    if (v.polar) {
        MovePolar(window, 0.0f, 2.0f);
        return true;
    }
    if (!(v.maxLongitude + v.longitudeStep <= kWorldEast))
        return false;
    v.minLongitude += v.longitudeStep;
    v.maxLongitude += v.longitudeStep;
    Refresh(window);
    return true;
}

bool MoveViewLeft(HWND window)
{
    MAP_VIEWPORT& v = View();
    if (v.polar) {
        MovePolar(window, 0.0f, -2.0f);
        return true;
    }
    if (!(v.minLongitude - v.longitudeStep >= kWorldWest))
        return false;
    v.minLongitude -= v.longitudeStep;
    v.maxLongitude -= v.longitudeStep;
    Refresh(window);
    return true;
}

void CenterViewOn(HWND window, const GPS_POSITION* point, int zoomSteps)
{
    // A position from a malformed sentence would turn the window into
    // infinities that no later zoom or move can undo.
    if (!point || !std::isfinite(static_cast<float>(point->x)) ||
        !std::isfinite(static_cast<float>(point->y)))
        return;
    MAP_VIEWPORT& v = View();
    if (zoomSteps != -1) {
        ResetState(v);
        for (int i = 0; i < zoomSteps; ++i)
            ZoomIn(window, true, false, false);
    }
    const double centreLongitude =
        static_cast<float>(static_cast<float>(v.maxLongitude - v.minLongitude) * 0.5) +
        v.minLongitude;
    const double centreLatitude =
        static_cast<float>(static_cast<float>(v.maxLatitude - v.minLatitude) * 0.5) +
        v.minLatitude;
    const double dx = static_cast<float>(point->x) - centreLongitude;
    const double dy = static_cast<float>(point->y) - centreLatitude;
    v.minLongitude += dx;
    v.maxLongitude += dx;
    v.minLatitude += dy;
    v.maxLatitude += dy;
    Refresh(window);
}

void FitViewToPoints(HWND window, const std::vector<GPS_POSITION>* points)
{
    if (!points)
        return;
    double minLatitude = 300.0, minLongitude = 300.0;
    double maxLatitude = -300.0, maxLongitude = -300.0;
    bool any = false;
    for (const GPS_POSITION& p : *points) {
        const float x = static_cast<float>(p.x);
        const float y = static_cast<float>(p.y);
        if (!std::isfinite(x) || !std::isfinite(y))
            continue;
        any = true;
        if (y < minLatitude)
            minLatitude = y;
        if (y > maxLatitude)
            maxLatitude = y;
        if (x < minLongitude)
            minLongitude = x;
        if (x > maxLongitude)
            maxLongitude = x;
    }
    if (!any)
        return;
    // One point, or all on one spot, would leave a window of no width that
    // every transform divides by.
    KeepMinimumSpan(&minLatitude, &maxLatitude, kMinimumFitSpan);
    KeepMinimumSpan(&minLongitude, &maxLongitude, kMinimumFitSpan);

    MAP_VIEWPORT& v = View();
    v.minLatitude = minLatitude;
    v.maxLatitude = maxLatitude;
    v.minLongitude = minLongitude;
    v.maxLongitude = maxLongitude;
    v.rotation = 0;
    FetchOnlineMapImage(window);
    ZoomOut(window, false, false, false);
}

void RotateView(HWND window, int degrees)
{
    View().rotation = FoldDegrees(static_cast<long long>(View().rotation) + degrees);
    Repaint(window);
}

void UpdateGridSteps(MAP_VIEWPORT* view)
{
    if (!view)
        return;
    view->latitudeStep = view->latitudeLineCount > 0
        ? static_cast<float>((view->maxLatitude - view->minLatitude) / view->latitudeLineCount)
        : 0.0f;
    view->longitudeStep = view->longitudeLineCount > 0
        ? static_cast<float>((view->maxLongitude - view->minLongitude) / view->longitudeLineCount)
        : 0.0f;
}

bool MapViewCommand(HWND window, int id, LRESULT* result)
{
    for (const ViewCommand& c : kViewCommands) {
        if (c.id != id)
            continue;
        const LRESULT r = c.run(window);
        if (result)
            *result = r;
        return true;
    }
    return false;
}

void SetRotationFromText(HWND window, const wchar_t* text)
{
    const long typed = ParseTypedLong(text);
    long long rotation = typed;
    if (rotation < 0)
        rotation += 360;
    else if (rotation > 359)
        rotation -= 360;
    View().rotation = static_cast<int>(rotation);
    Repaint(window);
}

POINT CartesianToPixel(const MAP_VIEWPORT* view, const MAP_FRAME* frame, double x, double y)
{
    if (!view || !frame)
        return POINT{0, 0};
    const RECT& inner = frame->inner;
    const RECT& client = frame->client;
    const double a = ScaleToPixels(inner.right - inner.left, x - view->minLongitude,
                                   view->maxLongitude - view->minLongitude);
    const double b = ScaleToPixels(inner.bottom - inner.top, y - view->minLatitude,
                                   view->maxLatitude - view->minLatitude) + inner.top;
    // North up: the max latitude lands on the inner top.
    POINT pixel{ClampPixel(a + inner.left),
                ClampPixel(static_cast<double>(client.top) + client.bottom - ClampPixel(b))};
    if (view->rotation == 0)
        return pixel;
    const FLOAT_POINT turned =
        RotatePointInRect({static_cast<float>(pixel.x), static_cast<float>(pixel.y)}, &client,
                          DegreesToRadians(view->rotation));
    return POINT{ClampPixel(turned.x), ClampPixel(turned.y)};
}

POINT PolarToPixel(const MAP_VIEWPORT* view, const MAP_FRAME* frame, double x, double y)
{
    if (!view || !frame)
        return POINT{0, 0};
    const RECT& client = frame->client;
    const double r = std::sqrt(x * x + y * y);
    const float a = PolarAngle(x, y);
    const int wholeDegrees = ClampPixel(a * 180.0f / kPiF);
    const int bearing = FoldDegrees(static_cast<long long>(view->rotation) + wholeDegrees);

    const int side = frame->inner.right - frame->inner.left;
    const int radius = ClampPixel((side / 2) * r / kPolarWorldRadius);
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;
    // Measured from straight down, turned, then mirrored through the client
    // rectangle: the bearing ends up clockwise from straight up.
    const FLOAT_POINT below{static_cast<float>(width / 2),
                            static_cast<float>(static_cast<double>(radius) + height / 2)};
    const FLOAT_POINT turned = RotatePointInRect(below, &client, DegreesToRadians(bearing));
    return POINT{ClampPixel(static_cast<double>(client.right) - ClampPixel(turned.x)),
                 ClampPixel(static_cast<double>(client.bottom) + client.top - ClampPixel(turned.y))};
}

bool ViewWindowContains(const MAP_VIEWPORT* view, double x, double y)
{
    return view && x >= view->minLongitude && x <= view->maxLongitude &&
           y >= view->minLatitude && y <= view->maxLatitude;
}

bool ProjectToPixel(const MAP_VIEWPORT* view, const MAP_FRAME* frame, double x, double y,
                    POINT* pixel)
{
    if (!view || !frame || !pixel)
        return false;
    *pixel = view->polar ? PolarToPixel(view, frame, x, y) : CartesianToPixel(view, frame, x, y);
    return ViewWindowContains(view, x, y) && PointInRect(*pixel, &frame->inner);
}
