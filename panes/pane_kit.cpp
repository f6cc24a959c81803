// The pane drawing kit: needle, direction arrow, compass rose, speed box,
// route and recording boxes and the Path view's point detail box.
#include "panes/panes.h"

#include "gps/live_track.h"
#include "kit/display.h"
#include "kit/draw.h"
#include "kit/outside.h"
#include "kit/settings.h"
#include "panes/pane_draw.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>

using panes_detail::FillSolid;
using panes_detail::FormatText;
using panes_detail::RotatePixel;
using panes_detail::SharedSelection;

RECT SpeedValueRect = {};
RECT SpeedUnitRect = {};
RECT CompassRect = {};
bool RouteBoxAlternate = false;

namespace {

constexpr float kDegToRadians = 0.017453292f;
// Between two texts side by side.
constexpr int kTextGap = 4;
// The map painter centres the grid's top labels on the plot's top edge:
// half a label's height above the plot stays free of other text.
constexpr int kGridLabelRoom = 10;

float AngleInRadians(float angle, int unit)
{
    switch (unit) {
    case kAngleDegrees: return angle * kDegToRadians;
    case kAngleDegreesCoarse: return angle * 3.1415f / 180.0f;
    default: return angle;
    }
}

RECT Inset(const RECT& r, int by)
{
    return {r.left + by, r.top + by, r.right - by, r.bottom - by};
}

bool IsFollowing()
{
    return RecorderState.load() == kRecorderFollowing;
}

// The rectangle that text takes when drawn at the top left of box.
RECT TextBlock(HDC dc, const wchar_t* text, const RECT& box)
{
    RECT r = box;
    DrawTextW(dc, text, -1, &r, DT_CALCRECT);
    return r;
}

// The height of two lines in font, as DrawTextW lays them out.
int TwoLineHeight(HDC dc, HFONT font)
{
    SharedSelection selected(dc, font);
    const RECT r = TextBlock(dc, L"0\r\n0", RECT{0, 0, 1000, 1000});
    return r.bottom - r.top;
}

// The first of fonts, largest first, in which text is at most width wide;
// the last when none is.
HFONT FittingFont(HDC dc, const wchar_t* text, int width, std::initializer_list<HFONT> fonts)
{
    HFONT chosen = nullptr;
    for (HFONT font : fonts) {
        chosen = font;
        SharedSelection selected(dc, font);
        SIZE extent{};
        GetTextExtentPoint32W(dc, text, static_cast<int>(std::wcslen(text)), &extent);
        if (extent.cx <= width)
            break;
    }
    return chosen;
}

}  // namespace

void panes_detail::DrawTurnArrow(HDC dc, const GPS_CURRENT* live, const RECT& circle)
{
    // The search may leave the angle alone when it finds nothing: start at 0.
    double angle = 0.0;
    double distance = 0.0;
    const bool found = live && FindNextTurn(live, &angle, &distance);
    DrawDirectionArrow(dc, circle, static_cast<float>(angle), SchemeColor(ColorRole::Gray),
                       found ? distance : 0.0, SchemeColor(ColorRole::Info));
}

void DrawNeedle(HDC dc, const RECT& rect, float angle, int angleUnit, COLORREF idle,
                COLORREF active, int shortening)
{
    const int w = rect.right - rect.left;
    const int h = rect.bottom - rect.top;
    const int c = shortening;
    const float a = AngleInRadians(angle, angleUnit);
    const POINT centre = RotatePixel(rect.left + w / 2, rect.top + h / 2, rect, a);
    const POINT points[5] = {
        centre,
        RotatePixel(rect.left + 3 * w / 8, rect.top + 7 * h / 8 - c, rect, a),
        RotatePixel(rect.left + w / 2, rect.top + h / 8 + c, rect, a),   // the tip
        RotatePixel(rect.left + 5 * w / 8, rect.top + 7 * h / 8 - c, rect, a),
        centre,
    };
    const COLORREF ink = RecorderState.load() == kRecorderIdle ? idle : active;
    GdiSelectGuard pen(dc, CreatePen(PS_SOLID, 2, ink));
    Polygon(dc, points, 5);
}

void DrawDirectionArrow(HDC dc, const RECT& rect, float angle, COLORREF fill, double distance,
                        COLORREF textColor)
{
    const int w = rect.right - rect.left;
    const int h = rect.bottom - rect.top;
    const int cx = rect.left + w / 2;
    const int q = (h / 2) / 4;
    const int t3 = rect.top + h / 3;
    const int tail = rect.bottom - q;
    const POINT points[8] = {
        RotatePixel(cx - 4, tail, rect, angle),
        RotatePixel(cx - 4, t3, rect, angle),
        RotatePixel(cx - 15, t3, rect, angle),
        RotatePixel(cx, rect.top + q, rect, angle),   // the tip
        RotatePixel(cx + 15, t3, rect, angle),
        RotatePixel(cx + 4, t3, rect, angle),
        RotatePixel(cx + 4, tail, rect, angle),
        RotatePixel(cx - 4, tail, rect, angle),
    };
    {
        GdiSelectGuard pen(dc, CreatePen(PS_SOLID, 2, fill));
        GdiSelectGuard brush(dc, CreateSolidBrush(fill));
        Polygon(dc, points, 8);
    }
    if (distance == 0.0)
        return;
    wchar_t text[kPaneTextSize];
    FormatDistance(text, kPaneTextSize, distance, DistanceUnit, nullptr);
    SetTextColor(dc, textColor);
    SetBkMode(dc, TRANSPARENT);
    SharedSelection font(dc, FontSet.Plus5);
    RECT box = rect;
    DrawTextW(dc, text, -1, &box, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

void DrawCompassRose(HDC dc, float course, const RECT& rect, bool grayed, float rotation)
{
    SetSchemeTextColor(dc);
    const COLORREF gray = SchemeColor(ColorRole::Gray);
    const COLORREF info = grayed ? gray : SchemeColor(ColorRole::Info);
    const COLORREF ok = grayed ? gray : SchemeColor(ColorRole::OK);
    const COLORREF bk = SchemeColor(ColorRole::Bk);
    const int32_t state = RecorderState.load();

    // Outer ring: its colour tells the recorder state at a glance.
    const COLORREF ring = state == kRecorderFollowing ? gray
        : state == kRecorderRecording                 ? ok
                                                      : info;
    {
        GdiSelectGuard pen(dc, CreatePen(PS_SOLID, 2, ring));
        {
            // Grayed, the ring is hollow so the plot behind it shows.
            GdiSelectGuard fill(dc, grayed ? nullptr : CreateSolidBrush(bk));
            SharedSelection hollow(dc, grayed ? GetStockObject(NULL_BRUSH) : nullptr);
            Ellipse(dc, rect.left, rect.top, rect.right, rect.bottom);
        }
        GdiSelectGuard inner(dc, CreateSolidBrush(bk));
        const RECT in = Inset(rect, 5);
        Ellipse(dc, in.left, in.top, in.right, in.bottom);
    }
    CompassRect = rect;

    const int cx = rect.left + (rect.right - rect.left) / 2;
    {
        GdiSelectGuard pen(dc, CreatePen(PS_SOLID, 2, info));
        for (int a = 0; a < 360; a += 45) {
            const float r = static_cast<float>(a) * kDegToRadians;
            const POINT outer = RotatePixel(cx, rect.top, rect, r);
            const POINT inner = RotatePixel(cx, rect.top + 5, rect, r);
            MoveToEx(dc, outer.x, outer.y, nullptr);
            LineTo(dc, inner.x, inner.y);
        }
    }

    bool letters = true;
    if (rotation == kRoseNoRotation) {
        letters = ShowCompassLetters;
        rotation = 0.0f;
    }
    if (letters) {
        SetTextColor(dc, info);
        SharedSelection font(dc, FontSet.Bold);
        static constexpr const wchar_t* kLetters[4] = {L"N", L"E", L"S", L"W"};
        for (int i = 0; i < 4; ++i) {
            const float r = (rotation + 90.0f * static_cast<float>(i)) * kDegToRadians;
            const float left = static_cast<float>(cx - 8);
            const float right = static_cast<float>(cx + 8);
            const float top = static_cast<float>(rect.top + 6);
            const float bottom = static_cast<float>(rect.top + 22);
            const FLOAT_POINT corners[4] = {
                RotatePointInRect({left, top}, &rect, r),
                RotatePointInRect({right, top}, &rect, r),
                RotatePointInRect({left, bottom}, &rect, r),
                RotatePointInRect({right, bottom}, &rect, r),
            };
            FLOAT_POINT lo = corners[0];
            FLOAT_POINT hi = corners[0];
            for (const FLOAT_POINT& p : corners) {
                lo = {p.x < lo.x ? p.x : lo.x, p.y < lo.y ? p.y : lo.y};
                hi = {p.x > hi.x ? p.x : hi.x, p.y > hi.y ? p.y : hi.y};
            }
            RECT box = {static_cast<LONG>(lo.x), static_cast<LONG>(lo.y), static_cast<LONG>(hi.x),
                        static_cast<LONG>(hi.y)};
            DrawTextW(dc, kLetters[i], 1, &box, DT_CENTER);
        }
    }

    const COLORREF needleFill = !SolidCompass ? bk : IsFollowing() ? ok : info;
    GdiSelectGuard brush(dc, CreateSolidBrush(needleFill));
    DrawNeedle(dc, rect, course, kAngleDegrees, info, ok, letters ? 8 : 0);
}

int DrawSpeedBox(HDC dc, const GPS_CURRENT& gps, RECT* rect, int screen)
{
    SetSchemeTextColor(dc);
    wchar_t value[64];
    FormatSpeedValue(value, 64, SpeedInUnit(gps, SpeedUnit));
    FillSolid(dc, *rect, SchemeColor(ColorRole::Bk));

    // The limits are km/h whatever unit the digits show.
    const bool outside = SpeedOutsideLimits(gps.kmh, LowSpeedLimit.load(), HighSpeedLimit.load());
    const COLORREF colour = SchemeColor(outside ? ColorRole::Err : ColorRole::Info);
    SetTextColor(dc, colour);

    SharedSelection font(dc, FontSet.Plus14);
    const int length = static_cast<int>(std::wcslen(value));
    RECT box = *rect;
    DrawTextW(dc, value, length, &box, 0);
    if (outside && SpeedLimitWarning.load())
        OutsideSeams.playSound(L"SPD");

    SIZE extent{};
    GetTextExtentPoint32W(dc, value, length, &extent);
    SpeedValueRect = *rect;
    SpeedValueRect.right = rect->left + extent.cx;
    rect->left += extent.cx + 4;

    font.Switch(FontSet.Base);
    const wchar_t* unit = SpeedUnitLabel(SpeedUnit);
    const int unitLength = static_cast<int>(std::wcslen(unit));
    SIZE label{};
    GetTextExtentPoint32W(dc, unit, unitLength, &label);
    RECT where = *rect;
    where.top = rect->bottom - label.cy - 2;
    if (screen == kScreenGps && IsFollowing()) {
        // The route box takes the room right of the digits.
        where.left = SpeedValueRect.left;
        where.right = SpeedValueRect.right;
        where.top = SpeedValueRect.bottom + 1;
        where.bottom = where.top + label.cy + 2;
    }
    SpeedUnitRect = where;
    SpeedUnitRect.right = where.left + label.cx;
    DrawTextW(dc, unit, unitLength, &where, 0);
    return SpeedUnitRect.right;
}

void DrawRouteInfoBox(HDC dc, const GPS_CURRENT& gps, const RECT& counter, const RECT& distance,
                      int screen)
{
    const std::vector<GPS_CURRENT>& route = ActiveTrack.points;
    const uint32_t i = RoutePosition;
    ROUTE_DISTANCES d{};
    if (!MeasureRoute(gps, ActiveTrack, i, DistanceUnit, &d))
        return;   // an empty route, or a position past its end: no box
    SetSchemeTextColor(dc);
    const COLORREF bk = SchemeColor(ColorRole::Bk);
    const bool path = screen == kScreenPathView;

    wchar_t text[kPaneTextSize];
    SharedSelection font(dc, FontSet.Bold);
    if (path) {
        RouteBoxAlternate = !RouteBoxAlternate;
    } else {
        FillSolid(dc, counter, bk);
        FormatText(text, kPaneTextSize, L"%u/%u", i + 1, static_cast<unsigned>(route.size()));
        RECT box = counter;
        DrawTextW(dc, text, -1, &box, 0);
    }

    FormatRouteInfo(text, kPaneTextSize, d, gps.ms, DistanceUnit, !(path && RouteBoxAlternate),
                    !(path && !RouteBoxAlternate));
    FillSolid(dc, distance, bk);
    const wchar_t* shown = text;
    if (path) {
        font.Switch(FontSet.Plus5);
        if (shown[0] == L'\r' && shown[1] == L'\n')
            shown += 2;
    }
    RECT box = distance;
    DrawTextW(dc, shown, -1, &box, 0);
}

void DrawDistanceTimeBox(HDC dc, const RECT& rect)
{
    SetSchemeTextColor(dc);
    wchar_t time[kDurationTextSize];
    const uint64_t seconds = TrackTimeSeconds;
    FormatDuration(time, kDurationTextSize,
                   seconds > UINT32_MAX ? UINT32_MAX : static_cast<unsigned>(seconds));
    wchar_t text[kPaneTextSize];
    FormatDistance(text, kPaneTextSize, KmToDistanceUnit(TrackDistance, DistanceUnit), DistanceUnit, time);
    FillSolid(dc, rect, SchemeColor(ColorRole::Bk));
    SharedSelection font(dc, FontSet.Plus5);
    RECT box = rect;
    DrawTextW(dc, text, -1, &box, 0);
}

RECT DrawPointDetailBox(HDC dc, const GPS_CURRENT* live, const RECT& box)
{
    const LONG L = box.left;
    const LONG T = box.top;
    const LONG R = box.right;
    const LONG B = box.bottom;
    RECT plot = {L + 5, T + 40, R - 5, B - 40};
    if (!live)
        return plot;
    const GPS_CURRENT& gps = *live;

    SetTextColor(dc, SchemeColor(ColorRole::Gray));
    SetBkMode(dc, TRANSPARENT);
#if defined(PATHVEX_WM)
    const uint32_t cellId = gps.cellId;   // the cell-tower monitor's current cell
#else
    const uint32_t cellId = 0;
#endif
    wchar_t text[kPaneTextSize];
    FormatPointDetail(text, kPaneTextSize, gps, CoordinateMode, cellId);
    const int cy = GetTextHeight(dc, text);
    RECT area = {L + 2, T + 1, R - 1, T + 1 + 4 * cy + 2};
    FillSolid(dc, area, SchemeColor(ColorRole::Bk));
    DrawTextW(dc, text, -1, &area, 0);
    const RECT lines = TextBlock(dc, text, area);

    RECT speed = {L + 1, B - 43, R, B - 1};
    const int e = DrawSpeedBox(dc, gps, &speed, kScreenPathView);

    const int32_t state = RecorderState.load();
    // The route or recording box takes the right half, but starts after the
    // longest detail line: its fill would wipe the end of that line.
    const RECT side = {std::max<LONG>(R / 2, lines.right + kTextGap), 2, R, 202};
    LONG sideBottom = area.bottom;
    if (state == kRecorderFollowing) {
        if (RoutePosition < ActiveTrack.points.size()) {
            FormatText(text, kPaneTextSize, L"%u/%u", RoutePosition + 1,
                       static_cast<unsigned>(ActiveTrack.points.size()));
            // Right of the speed box, ending at the window's edge: in the
            // largest font that fits, so neither the digits nor the edge
            // cut it.
            RECT counter = {e + 5, B - 43, R, B - 1};
            SharedSelection font(dc, FittingFont(dc, text, counter.right - counter.left,
                                                 {FontSet.Plus10, FontSet.Plus5, FontSet.Base}));
            DrawTextW(dc, text, -1, &counter, DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
        }
        DrawRouteInfoBox(dc, gps, RECT{}, side, kScreenPathView);
        sideBottom = side.top + TwoLineHeight(dc, FontSet.Plus5);
    } else if (state == kRecorderRecording) {
        DrawDistanceTimeBox(dc, side);
        sideBottom = side.top + TwoLineHeight(dc, FontSet.Plus5);
    }

    DrawCompassRose(dc, panes_detail::FoldDegrees(gps.course), RECT{L + 10, B - 130, L + 90, B - 40},
                    true, kRoseNoRotation);

    if (state == kRecorderFollowing) {
        const RECT circle = {R - 90, B - 130, R - 10, B - 40};
        {
            SharedSelection hollow(dc, GetStockObject(NULL_BRUSH));
            Ellipse(dc, circle.left, circle.top, circle.right, circle.bottom);
        }
        panes_detail::DrawTurnArrow(dc, live, circle);
    }
    // The plot starts below the texts above it, with room for the grid's
    // top labels, which sit on its top edge.
    plot.top = std::max<LONG>(plot.top, std::max(area.bottom, sideBottom) + kGridLabelRoom);
    return plot;
}
