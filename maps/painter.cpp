// The map painter: grids, map image, needle, series, position and scale bars
// of the Map, Path and measuring screens.
#include "maps/painter.h"

#include "gps/geodesy.h"
#include "gps/gps.h"
#include "gps/live_track.h"
#include "kit/display.h"
#include "kit/draw.h"
#include "kit/screen_state.h"
#include "kit/settings.h"
#include "maps/offline_maps.h"
#include "maps/viewport.h"
#include "panes/pane_draw.h"
#include "panes/panes.h"
#include "platform/handles.h"
#include "platform/stretch.h"
#if defined(PATHVEX_WM)
#include "platform/handheld/handheld.h"
#endif

#include <algorithm>
#include <climits>
#include <cmath>
#include <cwchar>
#include <iterator>

namespace {

constexpr int kPathMargin = 2;
constexpr int kMarkerHalf = 4;           // markers and hit rectangles: pixel +-4
constexpr int kPositionRingHalf = 11;    // the Path screen's ring: the square grown by 7
constexpr int kPathDotHalf = 2;
constexpr int kLabelHalfHeight = 10;
constexpr int kLongitudeLabelShift = 10;  // a longitude label starts left of its line
constexpr int kLabelStripHeight = 15;     // longitude labels without a margin above the grid
constexpr int kTurnedLabelHalf = 20;     // labels of a turned grid: 40 x 40 boxes
constexpr int kRadialLabelHalfWidth = 14;
constexpr int kRadialLabelHalfHeight = 8;
constexpr int kHorizontalBarHeight = 30;
constexpr int kVerticalBarHeight = 70;
// With this many drawn-path points only the position keeps its marker.
constexpr size_t kMarkedPathPoints = 3;
// "pls" comes from the settings file: a width beyond this draws nothing
// useful and may fail to make a pen.
constexpr unsigned kMaxPathWidth = 64;
constexpr size_t kTextSize = 1000;

struct PaintState {
    int screen;
    bool path;    // the Path screen
    bool quick;   // only the position marker moves
};

PaintState CurrentPaint()
{
    PaintState s{};
    s.screen = CurrentScreen;
    s.path = s.screen == kScreenPathView;
    s.quick = QuickRepaint;
    return s;
}

// Selects one of the FontSet's fonts (owned there, never deleted here) and
// puts the previous one back.
class FontSelection {
public:
    FontSelection(HDC dc, HFONT font) : dc_(dc), previous_(font ? SelectObject(dc, font) : nullptr) {}
    ~FontSelection()
    {
        if (previous_)
            SelectObject(dc_, previous_);
    }
    FontSelection(const FontSelection&) = delete;
    FontSelection& operator=(const FontSelection&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// Selects a stock object and puts the previous one back.
class StockSelection {
public:
    StockSelection(HDC dc, int stock) : dc_(dc), previous_(SelectObject(dc, GetStockObject(stock))) {}
    ~StockSelection()
    {
        if (previous_)
            SelectObject(dc_, previous_);
    }
    StockSelection(const StockSelection&) = delete;
    StockSelection& operator=(const StockSelection&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// Remembers the DC's pen and brush and selects them back when it goes.
class PenBrushRestore {
public:
    explicit PenBrushRestore(HDC dc)
        : dc_(dc), pen_(GetCurrentObject(dc, OBJ_PEN)), brush_(GetCurrentObject(dc, OBJ_BRUSH)) {}
    ~PenBrushRestore()
    {
        SelectObject(dc_, pen_);
        SelectObject(dc_, brush_);
    }
    PenBrushRestore(const PenBrushRestore&) = delete;
    PenBrushRestore& operator=(const PenBrushRestore&) = delete;

private:
    HDC dc_;
    HGDIOBJ pen_;
    HGDIOBJ brush_;
};

HFONT LabelFont()
{
    return FontSet.Minus2;
}

RECT AreaOf(HWND window, const RECT* rect)
{
    if (rect)
        return *rect;
    RECT client{};
    if (window)
        GetClientRect(window, &client);
    return client;
}

RECT Inset(const RECT& r, int d)
{
    return RECT{r.left + d, r.top + d, r.right - d, r.bottom - d};
}

RECT Around(POINT p, int half)
{
    return RECT{p.x - half, p.y - half, p.x + half, p.y + half};
}

float RotationRadians()
{
    return static_cast<float>(MapViewport.rotation) * kPiF / 180.0f;
}

// Rounded, not truncated: the two ends of a line turned by 90 degrees come
// out as 2.99997 and 3.00003, and truncating them would put a jog in it.
int ToPixel(float v)
{
    if (std::isnan(v))
        return 0;
    return static_cast<int>(std::lround(std::clamp(v, -static_cast<float>(kPixelLimit),
                                                   static_cast<float>(kPixelLimit))));
}

POINT Turn(int x, int y, const RECT& about, float radians)
{
    const FLOAT_POINT p = RotatePointInRect({static_cast<float>(x), static_cast<float>(y)}, &about,
                                            radians);
    return POINT{ToPixel(p.x), ToPixel(p.y)};
}

int FoldDegrees(int degrees)
{
    return WrapDegrees(&degrees);
}

COLORREF ValueColour(float value)
{
    if (value < 0.0f)
        return SchemeColor(ColorRole::Err);
    if (value > 0.0f)
        return SchemeColor(ColorRole::OK);
    return SchemeColor(ColorRole::Info);
}

void DrawCentredText(HDC dc, const wchar_t* text, RECT box)
{
    DrawTextW(dc, text, -1, &box, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOCLIP);
}

// ---------------------------------------------------------------------------
// Map image

#if !defined(PATHVEX_WM)
// Stretches the part of the bitmap that lands inside clip: a map zoomed far
// in is never scaled whole, and nothing spills out of the grid.
void StretchIntoClip(HDC dc, HDC memory, int width, int height, const RECT& to, const RECT& clip)
{
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, clip.left, clip.top, clip.right, clip.bottom);
    StretchVisiblePart(dc, memory, width, height, to, clip);
    RestoreDC(dc, saved);
}
#endif

// ---------------------------------------------------------------------------
// Grids

RECT CartesianGrid(HDC dc, const RECT& area, int margin, const PaintState& state)
{
    const RECT inner = Inset(area, margin);
    GdiSelectGuard pen(dc, CreatePen(PS_SOLID, 0, SchemeColor(ColorRole::Gray)));
    if (state.quick)
        return inner;
    if (!state.path)
        DrawMapImage(dc, &inner);

    MAP_VIEWPORT& v = MapViewport;
    UpdateGridSteps(&v);
    const float radians = RotationRadians();
    const bool turned = v.rotation != 0;
    FontSelection font(dc, LabelFont());
    SetBkMode(dc, TRANSPARENT);
    wchar_t text[64];
    const int width = inner.right - inner.left;
    const int height = inner.bottom - inner.top;

    const int rows = v.latitudeLineCount;
    float latitude = static_cast<float>(v.maxLatitude);
    for (int i = 0; rows > 0 && i <= rows; ++i, latitude -= v.latitudeStep) {
        const int y = static_cast<int>(static_cast<float>(height) / rows * i + inner.top);
        const POINT from = Turn(inner.left, y, area, radians);
        const POINT to = Turn(inner.right, y, area, radians);
        MoveToEx(dc, from.x, from.y, nullptr);
        if (MapGridEnabled)
            LineTo(dc, to.x, to.y);
        if (i != 0 && i != rows && i != rows / 2)
            continue;
        const int textWidth = NumberTextWidth(dc, text, std::size(text), latitude);
        SetTextColor(dc, ValueColour(latitude));
        const RECT box = turned ? Around(from, kTurnedLabelHalf)
                                : RECT{area.left, y - kLabelHalfHeight, area.left + textWidth + 1,
                                       y + kLabelHalfHeight};
        DrawCentredText(dc, text, box);
    }

    const int columns = v.longitudeLineCount;
    float longitude = static_cast<float>(v.minLongitude);
    for (int i = 0; columns > 0 && i <= columns; ++i, longitude += v.longitudeStep) {
        const int x = static_cast<int>(static_cast<float>(width) / columns * i + inner.left);
        const POINT from = Turn(x, inner.top, area, radians);
        const POINT to = Turn(x, inner.bottom, area, radians);
        MoveToEx(dc, from.x, from.y, nullptr);
        if (MapGridEnabled)
            LineTo(dc, to.x, to.y);
        if (i != 0 && i != columns && i != columns / 2)
            continue;
        const int textWidth = NumberTextWidth(dc, text, std::size(text), longitude);
        SetTextColor(dc, ValueColour(longitude));
        RECT box{};
        if (turned) {
            box = Around(from, kTurnedLabelHalf);
        } else {
            // The last label would run past the area's right edge: it ends there.
            const int left = std::min(x - kLongitudeLabelShift, static_cast<int>(area.right) - textWidth - 1);
            box.left = std::max(left, static_cast<int>(area.left));
            box.right = box.left + textWidth + 1;
            box.top = area.top;
            box.bottom = margin > 0 ? inner.top : area.top + kLabelStripHeight;
        }
        DrawCentredText(dc, text, box);
    }
    return inner;
}

RECT PolarGrid(HDC dc, const RECT& client, const PaintState& state)
{
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;
    const int side = std::min(width, height);
    RECT square{client.left + (width - side) / 2, client.top + (height - side) / 2, 0, 0};
    square.right = square.left + side;
    square.bottom = square.top + side;
    if (state.quick)
        return square;

    DrawMapImage(dc, &square);
    const MAP_VIEWPORT& v = MapViewport;
    {
        GdiSelectGuard pen(dc, CreatePen(PS_SOLID, 0, SchemeColor(ColorRole::Gray)));
        // On the Path screen the boxes around the plot stay visible through
        // the disc: no fill there.
        StockSelection hollow(dc, NULL_BRUSH);
        GdiSelectGuard fill(dc, state.path ? nullptr : CreateSolidBrush(SchemeColor(ColorRole::Bk)));
        Ellipse(dc, square.left, square.top, square.right, square.bottom);
        const int rings = std::max(1, v.polarRingCount);
        for (int k = 0; k < rings; ++k) {
            const RECT ring = Inset(square, k * ((side / 2) / rings));
            Ellipse(dc, ring.left, ring.top, ring.right, ring.bottom);
        }
    }

    FontSelection font(dc, LabelFont());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, SchemeColor(ColorRole::Gray));
    GdiSelectGuard pen(dc, CreatePen(PS_SOLID, 0, SchemeColor(ColorRole::Gray)));
    const int step = v.polarAngleStep;
    const int cx = square.left + side / 2;
    wchar_t text[64];
    for (int k = 0; step > 0 && k < 180 / step; ++k) {
        const int bearing = FoldDegrees(k * step + v.rotation);
        const float radians = static_cast<float>(bearing) * kPiF / 180.0f;
        const POINT top = Turn(cx, square.top, square, radians);
        const POINT bottom = Turn(cx, square.bottom, square, radians);
        if (MapGridEnabled) {
            MoveToEx(dc, top.x, top.y, nullptr);
            LineTo(dc, bottom.x, bottom.y);
        }
        std::swprintf(text, std::size(text), L"%u", static_cast<unsigned>(k * step));
        DrawCentredText(dc, text, RECT{top.x - kRadialLabelHalfWidth, top.y - kRadialLabelHalfHeight,
                                       top.x + kRadialLabelHalfWidth, top.y + kRadialLabelHalfHeight});
        std::swprintf(text, std::size(text), L"%u", static_cast<unsigned>(FoldDegrees(k * step + 180)));
        DrawCentredText(dc, text,
                        RECT{bottom.x - kRadialLabelHalfWidth, bottom.y - kRadialLabelHalfHeight,
                             bottom.x + kRadialLabelHalfWidth, bottom.y + kRadialLabelHalfHeight});
    }

    SetTextColor(dc, SchemeColor(ColorRole::Info));
    std::swprintf(text, std::size(text), L"r = {%.4f,%.4f}", static_cast<double>(v.polarLatitudeSpan),
                  static_cast<double>(v.polarLongitudeSpan));
    DrawCentredText(dc, text, RECT{square.left, client.top, square.left + square.right, square.top + 10});
    return square;
}

int GridMargin(const PaintState& state, bool rectGiven)
{
    if (state.path)
        return kPathMargin;
    return rectGiven ? 0 : MapViewport.margin;
}

// ---------------------------------------------------------------------------
// Needle, series, scale bars

void DrawDirectionNeedle(HDC dc, const RECT& area, const GPS_CURRENT& live)
{
    // A filled needle the size of the view would hide the map under it.
    StockSelection hollow(dc, NULL_BRUSH);
    const auto& route = ActiveTrack.points;
    if (RecorderState.load() == kRecorderFollowing && RoutePosition < route.size()) {
        // The screen direction wants the bearing from north, not from the
        // course that BearingTo measures against.
        GPS_CURRENT from = live;
        from.course = 0.0;
        const float angle = from.BearingTo(&route[RoutePosition]) +
                            static_cast<float>(MapViewport.rotation) * kDegToRad;
        DrawNeedle(dc, area, angle, kAngleRadians, SchemeColor(ColorRole::OK),
                   SchemeColor(ColorRole::Info), 0);
        return;
    }
    const COLORREF gray = SchemeColor(ColorRole::Gray);
    // A garbled course (1e300) must fold before it narrows to a float.
    DrawNeedle(dc, area, FoldDegrees(MapViewport.rotation + live.course), kAngleDegrees, gray, gray, 0);
}

struct KeptPoint {
    POINT pixel;
    uint32_t cellId;
    size_t index;   // in the series; the series' size for the live position
};

void Square(HDC dc, POINT p)
{
    Rectangle(dc, p.x - kMarkerHalf, p.y - kMarkerHalf, p.x + kMarkerHalf, p.y + kMarkerHalf);
}

void Circle(HDC dc, POINT p, int half)
{
    Ellipse(dc, p.x - half, p.y - half, p.x + half, p.y + half);
}

// One polyline through kept[first..last], repeated pixels left out: a line
// of no length draws nothing, and a long track has thousands of them.
void DrawRun(HDC dc, const std::vector<KeptPoint>& kept, size_t first, size_t last,
             std::vector<POINT>* buffer)
{
    buffer->clear();
    for (size_t i = first; i <= last; ++i) {
        const POINT p = kept[i].pixel;
        if (!buffer->empty() && buffer->back().x == p.x && buffer->back().y == p.y)
            continue;
        buffer->push_back(p);
    }
    if (buffer->size() >= 2)
        Polyline(dc, buffer->data(), static_cast<int>(buffer->size()));
}

// The polyline, cut into runs of one cell id each when byCell: every run
// shares its last point with the next, colours alternate OK, Info, OK, ...
void DrawLines(HDC dc, const std::vector<KeptPoint>& kept, int width, bool byCell)
{
    if (kept.size() < 2)
        return;
    static std::vector<POINT> buffer;
    const COLORREF colours[] = {SchemeColor(ColorRole::OK), SchemeColor(ColorRole::Info)};
    size_t first = 0;
    int colour = 0;
    for (size_t i = 1; byCell && i < kept.size(); ++i) {
        if (kept[i].cellId == kept[i - 1].cellId)
            continue;
        GdiSelectGuard pen(dc, CreatePen(PS_SOLID, width, colours[colour]));
        DrawRun(dc, kept, first, i - 1, &buffer);
        first = i - 1;
        colour ^= 1;
    }
    GdiSelectGuard pen(dc, CreatePen(PS_SOLID, width, colours[colour]));
    DrawRun(dc, kept, first, kept.size() - 1, &buffer);
}

void DrawPathDots(HDC dc, const std::vector<KeptPoint>& kept)
{
    const COLORREF ok = SchemeColor(ColorRole::OK);
    const COLORREF err = SchemeColor(ColorRole::Err);
    const GdiObject pens[] = {GdiObject(CreatePen(PS_SOLID, 0, err)), GdiObject(CreatePen(PS_SOLID, 0, ok))};
    const GdiObject brushes[] = {GdiObject(CreateSolidBrush(err)), GdiObject(CreateSolidBrush(ok))};
    // Declared after the objects: puts the DC's own pen and brush back before
    // they are deleted.
    PenBrushRestore restore(dc);
    const uint32_t routePoint = RoutePosition;
    int lastColour = -1;
    POINT last{INT_MIN, INT_MIN};
    for (const KeptPoint& k : kept) {
        const int colour = k.index == routePoint ? 1 : 0;
        // The same dot on the same pixel again changes nothing: a long track
        // puts many points on one pixel.
        if (k.pixel.x == last.x && k.pixel.y == last.y && colour == lastColour)
            continue;
        if (colour != lastColour) {
            SelectObject(dc, pens[colour].Get());
            SelectObject(dc, brushes[colour].Get());
        }
        Circle(dc, k.pixel, kPathDotHalf);
        last = k.pixel;
        lastColour = colour;
    }
}

void RingPosition(HDC dc, POINT p)
{
    const COLORREF err = SchemeColor(ColorRole::Err);
    {
        GdiSelectGuard pen(dc, CreatePen(PS_SOLID, 0, SchemeColor(ColorRole::Gray)));
        GdiSelectGuard brush(dc, CreateSolidBrush(err));
        Square(dc, p);
    }
    GdiSelectGuard pen(dc, CreatePen(PS_SOLID, 0, err));
    StockSelection hollow(dc, NULL_BRUSH);
    Circle(dc, p, kPositionRingHalf);
}

// The pixels that the all-pairs lines join: each pixel once (a line drawn
// twice changes nothing), and beyond kMaxJoinedPixels an even sample of
// them. Every pair of n pixels is n^2 / 2 lines: ten thousand measuring
// points would keep a paint busy for minutes, and long before that the
// lines fill the outline anyway.
constexpr size_t kMaxJoinedPixels = 1000;

std::vector<POINT> JoinedPixels(const std::vector<KeptPoint>& kept)
{
    std::vector<POINT> pixels;
    pixels.reserve(kept.size());
    for (const KeptPoint& k : kept)
        pixels.push_back(k.pixel);
    const auto before = [](POINT a, POINT b) { return a.x != b.x ? a.x < b.x : a.y < b.y; };
    const auto same = [](POINT a, POINT b) { return a.x == b.x && a.y == b.y; };
    std::sort(pixels.begin(), pixels.end(), before);
    pixels.erase(std::unique(pixels.begin(), pixels.end(), same), pixels.end());
    if (pixels.size() <= kMaxJoinedPixels)
        return pixels;
    std::vector<POINT> sample;
    sample.reserve(kMaxJoinedPixels);
    for (size_t i = 0; i < kMaxJoinedPixels; ++i)
        sample.push_back(pixels[i * pixels.size() / kMaxJoinedPixels]);
    return sample;
}

struct SeriesPaint {
    const std::vector<GPS_POSITION>* series;
    int type;
    std::vector<RECT>* hitRects;   // only for the series the caller gave
    bool withPosition;             // screens 4 and 13
    bool quick;
};

void DrawSeries(HDC dc, const MAP_FRAME& frame, const SeriesPaint& s, const GPS_CURRENT& live)
{
    static std::vector<KeptPoint> kept;
    kept.clear();
    const bool markPoints = DrawnPath.size() < kMarkedPathPoints;
    GdiSelectGuard pen(dc, CreatePen(PS_SOLID, 0, SchemeColor(ColorRole::Gray)));

    if (s.quick) {
        RestoreScreenRect(dc);
    } else {
        GdiSelectGuard brush(dc, CreateSolidBrush(SchemeColor(ColorRole::OK)));
        const std::vector<GPS_POSITION>& points = *s.series;
        for (size_t i = 0; i < points.size(); ++i) {
            POINT pixel{};
            const bool shown = ProjectToPixel(&MapViewport, &frame, points[i].x, points[i].y, &pixel);
            if (s.hitRects)
                s.hitRects->push_back(shown ? Around(pixel, kMarkerHalf) : RECT{});
            if (!shown)
                continue;
            kept.push_back({pixel, points[i].cellId, i});
            if (markPoints)
                Circle(dc, pixel, kMarkerHalf);
        }
    }

    POINT position{};
    const bool positionShown =
        s.withPosition && ProjectToPixel(&MapViewport, &frame, live.pos.x, live.pos.y, &position);
    if (positionShown) {
        const RECT under = Around(position, kMarkerHalf);
        SaveScreenRect(dc, &under);
        GdiSelectGuard brush(dc, CreateSolidBrush(SchemeColor(ColorRole::Err)));
        Square(dc, position);
        kept.push_back({position, live.pos.cellId, s.series->size()});
    }
    if (s.quick)
        return;

    // A pixel at or above-left of the corner at the end of the series is not
    // joined (the line would run to the window's corner).
    while (!kept.empty() && kept.back().pixel.x <= 0 && kept.back().pixel.y <= 0)
        kept.pop_back();
    const bool byCell = ShowCellIdsOnMap && !DrawnPath.empty();
    switch (s.type) {
    case kSeriesLine:
        DrawLines(dc, kept, 0, byCell);
        break;
    case kSeriesArea:
    case kSeriesVolume: {
        GdiSelectGuard okPen(dc, CreatePen(PS_SOLID, 0, SchemeColor(ColorRole::OK)));
        const std::vector<POINT> pixels = JoinedPixels(kept);
        DrawAllPairLines(dc, pixels.data(), static_cast<int>(pixels.size()));
        break;
    }
    case kSeriesPath:
        DrawLines(dc, kept, static_cast<int>(std::min(PathSize, kMaxPathWidth)), byCell);
        if (positionShown)
            RingPosition(dc, position);
        DrawPathDots(dc, kept);
        break;
    default:
        break;
    }
}

double KmInUnit(double km, const wchar_t** unit)
{
    switch (DistanceUnit) {
    case 1:
        *unit = L"mi";
        return km / 1.609344;
    case 2:
        *unit = L"Nmi";
        return km / 1.852;
    case 0:
        *unit = L"Km";
        return km;
    default:
        *unit = L"Km";
        return 0.0;
    }
}

void DrawScaleBars(HDC dc, const RECT& inner)
{
    const MAP_VIEWPORT& v = MapViewport;
    const float centre = static_cast<float>(v.minLatitude + (v.maxLatitude - v.minLatitude) * 0.5);
    const wchar_t* unit = L"Km";
    const double across = KmInUnit(CalcDistanceKm(static_cast<float>(v.maxLongitude), centre,
                                                  static_cast<float>(v.minLongitude), centre),
                                   &unit);
    const double upward = KmInUnit(
        CalcDistanceKm(static_cast<float>(v.minLongitude), static_cast<float>(v.minLatitude),
                       static_cast<float>(v.minLongitude), static_cast<float>(v.maxLatitude)),
        &unit);

    FontSelection font(dc, FontSet.Minus1);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, SchemeColor(ColorRole::Info));
    wchar_t text[kTextSize];
    std::swprintf(text, kTextSize, L"<- %.3f %ls ->", across, unit);
    RECT strip{inner.left, inner.bottom - kHorizontalBarHeight, inner.right, inner.bottom};
    DrawTextW(dc, text, -1, &strip, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOCLIP);
    std::swprintf(text, kTextSize, L"   -|-\r\n%.3f %ls\r\n   -|-", upward, unit);
    RECT column{inner.left, inner.bottom - kVerticalBarHeight, inner.right, inner.bottom};
    DrawTextW(dc, text, -1, &column, DT_LEFT | DT_NOCLIP);
}

}  // namespace

RECT DrawCartesianGrid(HWND window, HDC dc, const RECT* rect)
{
    const PaintState state = CurrentPaint();
    const RECT area = AreaOf(window, rect);
    if (!dc)
        return Inset(area, GridMargin(state, rect != nullptr));
    return CartesianGrid(dc, area, GridMargin(state, rect != nullptr), state);
}

RECT DrawPolarGrid(HWND window, HDC dc, const RECT* rect)
{
    const RECT client = AreaOf(window, rect);
    if (!dc)
        return client;
    return PolarGrid(dc, client, CurrentPaint());
}

void DrawMapImage(HDC dc, const RECT* rect)
{
    if (!dc || !rect)
        return;
    LoadMapBitmap(rect);
    if (!MapImage.bitmap)
        return;
#if defined(PATHVEX_WM)
    // The imaging object's image draws itself: stretched into its projected
    // rectangle, kept inside the grid as on the desktop, or without one over
    // the whole grid.
    const RECT& target = MapImage.projected.right != 0 || MapImage.projected.bottom != 0 ? MapImage.projected : *rect;
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, rect->left, rect->top, rect->right, rect->bottom);
    MapImage.bitmap->Draw(dc, target);
    RestoreDC(dc, saved);
#else
    BITMAP info{};
    if (!GetObjectW(MapImage.bitmap, sizeof info, &info))
        return;
    MemoryDc memory(dc, MapImage.bitmap);
    if (!memory.Get())
        return;
    const RECT& projected = MapImage.projected;
    if (projected.right != 0 || projected.bottom != 0) {
        StretchIntoClip(dc, memory.Get(), info.bmWidth, info.bmHeight, projected, *rect);
        return;
    }
    // An image without projection (the online one) starts at the corner; a
    // smaller image leaves the rest of the rectangle as it was.
    const int width = std::min<long>(rect->right - rect->left, info.bmWidth);
    const int height = std::min<long>(rect->bottom - rect->top, info.bmHeight);
    BitBlt(dc, rect->left, rect->top, width, height, memory.Get(), 0, 0, SRCCOPY);
#endif
}

void DrawMapView(HWND window, HDC dc, const std::vector<GPS_POSITION>* points, int type,
                 std::vector<RECT>* hitRects, const RECT* rect)
{
    const PaintState state = CurrentPaint();
    if (dc) {
        // One consistent moment of the live record and the route and path
        // that the reader thread writes.
        LiveRecordGuard live(&GpsDevice);
        RECT area = AreaOf(window, rect);
        SetBkMode(dc, TRANSPARENT);
        if (state.path)
            area = DrawPointDetailBox(dc, live.get(), area);
        DrawStateIcon(dc, &area);

        MAP_FRAME frame{};
        if (MapViewport.polar) {
            frame.client = AreaOf(window, rect);
            frame.inner = PolarGrid(dc, frame.client, state);
        } else {
            frame.client = area;
            frame.inner = CartesianGrid(dc, area, GridMargin(state, rect != nullptr), state);
        }
        if (CompassOnMap && !MapRotatesWithCourse && !state.quick && !state.path)
            DrawDirectionNeedle(dc, area, *live);

        SeriesPaint s{points, type, hitRects, state.screen == kScreenMap || state.path, state.quick};
        if (!DrawnPath.empty()) {
            s.series = &DrawnPath;
            s.type = kSeriesLine;
        }
        if (state.path && !DrawnPath.empty())
            s.type = kSeriesPath;
        if (state.path && DrawRecordedPath && RecorderState.load() == kRecorderRecording) {
            s.series = &DrawnPath;
            s.type = kSeriesPath;
        }
        // Rectangles for the click hit test belong to the caller's points
        // (the waypoints) only.
        if (s.series != points)
            s.hitRects = nullptr;
        if (s.series && !s.series->empty())
            DrawSeries(dc, frame, s, *live);

        if (!MapViewport.polar && !state.quick)
            DrawScaleBars(dc, frame.inner);
        if (state.path)
            SetSchemeTextColor(dc);
    }
    QuickRepaint = false;
}

