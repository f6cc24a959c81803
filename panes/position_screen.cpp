// The GPS data screen: text boxes for position, satellites, course and time,
// the speed box, the compass rose, the nearest waypoint and, while a route is
// followed, the turn arrow and the route boxes. Only the boxes whose values
// changed are repainted.
#include "panes/panes.h"

#include "gps/gps.h"
#include "gps/live_track.h"
#include "kit/display.h"
#include "kit/draw.h"
#include "panes/pane_draw.h"
#if defined(PATHVEX_WM)
#include "platform/handheld/cell_tower.h"
#endif

#include <cwchar>

using panes_detail::FillSolid;
using panes_detail::FontHeight;
using panes_detail::FormatText;
using panes_detail::SharedSelection;

GPS_CURRENT LastPaintedRecord = {};
std::atomic<bool> RepaintAllPending{false};
RECT CoordinateRect = {};

namespace {

#if defined(PATHVEX_WM)
// CellIdStores when the GPS data screen last saw it.
uint32_t CellIdStoresSeen = 0;
#endif

// The six text boxes: the mask bit that repaints each, its text and where
// it sits.
struct TextBoxRow {
    int32_t bit;
    PositionBox box;
    RECT POSITION_LAYOUT::*rect;
};
constexpr TextBoxRow kTextBoxes[] = {
    {kRepaintX, PositionBox::X, &POSITION_LAYOUT::x},
    {kRepaintSatellites, PositionBox::Satellites, &POSITION_LAYOUT::satellites},
    {kRepaintY, PositionBox::Y, &POSITION_LAYOUT::y},
    {kRepaintCourse, PositionBox::Course, &POSITION_LAYOUT::course},
    {kRepaintZ, PositionBox::Z, &POSITION_LAYOUT::z},
    {kRepaintTime, PositionBox::Time, &POSITION_LAYOUT::time},
};

#if defined(PATHVEX_WM)
// The current cell beside the altitude: the reader puts the cell-tower
// monitor's id into the record with every sentence. The box stops where the
// time box begins: its fill would otherwise wipe the clock whenever only
// the altitude is repainted.
void DrawCellIdBox(HDC dc, const RECT& zBox, const RECT& timeBox, const wchar_t* zText,
                   uint32_t cellId)
{
    SIZE extent{};
    GetTextExtentPoint32W(dc, zText, static_cast<int>(std::wcslen(zText)), &extent);
    RECT box = {zBox.left + extent.cx + 17, zBox.top, zBox.left + extent.cx + 117, zBox.bottom};
    if (box.right > timeBox.left)
        box.right = timeBox.left;
    FillSolid(dc, box, SchemeColor(ColorRole::Bk));
    wchar_t text[32];
    FormatText(text, 32, L"C:%u", cellId);
    DrawTextW(dc, text, -1, &box, 0);
}
#endif

bool HitsRect(POINT pt, const RECT& r)
{
    // A rectangle not yet painted is empty and must not catch clicks at (0, 0).
    return !IsRectEmpty(&r) && PointInRect(pt, &r);
}

}  // namespace

void PaintPositionScreen(GpsPort* port, HDC dc, const RECT& client, int32_t mask,
                         const std::vector<WAYPOINT>& waypoints)
{
    if (!port)
        return;
    // Held for the whole paint: the reader may not change the record or the
    // route between one box and the next.
    LiveRecordGuard live(port);
    LastPaintedRecord = *live;
    const GPS_CURRENT& gps = LastPaintedRecord;
    const int W = client.right - client.left;
    const int H = client.bottom - client.top;
    const COLORREF bk = SchemeColor(ColorRole::Bk);
    const COLORREF info = SchemeColor(ColorRole::Info);

    SetBkMode(dc, TRANSPARENT);
    SetSchemeTextColor(dc);
    SharedSelection font(dc, FontSet.Bold);
    const int l = FontHeight(FontSet.Bold);
    const POSITION_LAYOUT layout = LayoutPositionScreen(W, H, l, FontHeight(FontSet.Plus14));

    const RECT whole = {0, 0, W, H};
    DrawStateIcon(dc, &whole);

    wchar_t text[kPaneTextSize];
    for (const TextBoxRow& row : kTextBoxes) {
        if (!(mask & row.bit))
            continue;
        RECT box = layout.*row.rect;
        FillSolid(dc, box, bk);
        FormatPositionBox(text, kPaneTextSize, row.box, gps, CoordinateMode, DistanceUnit);
        DrawTextW(dc, text, -1, &box, 0);
#if defined(PATHVEX_WM)
        if (row.box == PositionBox::Z)
            DrawCellIdBox(dc, layout.z, layout.time, text, gps.cellId);
#endif
        font.Switch(FontSet.Bold);
    }
    CoordinateRect = layout.coordinates;

    GdiSelectGuard pen(dc, CreatePen(PS_SOLID, 1, info));
    if (mask == kRepaintAll) {
        MoveToEx(dc, 2, layout.separatorY, nullptr);
        LineTo(dc, W - 2, layout.separatorY);
    }
    SetTextColor(dc, info);

    RECT speed = layout.speed;
    if (mask & kRepaintSpeed)
        DrawSpeedBox(dc, gps, &speed, kScreenGps);

    GdiSelectGuard brush(dc, CreateSolidBrush(bk));
    const int32_t state = RecorderState.load();
    const ROSE_LAYOUT rose =
        LayoutPositionRose(W, H, layout.speed.bottom, SpeedValueRect, state,
                           RoutePosition < ActiveTrack.points.size());
    if (mask & kRepaintCourse) {
        DrawCompassRose(dc, panes_detail::FoldDegrees(gps.course), rose.rose, false,
                        kRoseNoRotation);
        if (rose.following) {
            GdiSelectGuard ring(dc, CreatePen(PS_SOLID, 2, SchemeColor(ColorRole::Gray)));
            GdiSelectGuard fill(dc, CreateSolidBrush(bk));
            const RECT& c = rose.turnCircle;
            Ellipse(dc, c.left, c.top, c.right, c.bottom);
            Ellipse(dc, c.left + 2, c.top + 2, c.right - 2, c.bottom - 2);
            panes_detail::DrawTurnArrow(dc, live.get(), c);
        }
    }

    if ((mask & kRepaintWaypoint) && gps.fix == 1) {
        RECT line = layout.waypoint;
        FillSolid(dc, line, bk);
        // The boxes above may have left their own colour behind.
        SetTextColor(dc, info);
        if (FormatNearestWaypoint(text, kPaneTextSize, gps, waypoints)) {
            SharedSelection small(dc, FontSet.Minus2);
            DrawTextW(dc, text, -1, &line, 0);
        }
    }

    if (state == kRecorderFollowing) {
        const RECT& v = SpeedValueRect;
        const RECT distance = {v.right + 5, v.top, v.right + 105, rose.rose.top - 2};
        DrawRouteInfoBox(dc, gps, layout.routeCounter, distance, kScreenGps);
    }
}

void RedrawPositionScreen(HWND window, GpsPort* port, const std::vector<WAYPOINT>& waypoints)
{
#if defined(PATHVEX_WM)
    // A new cell repaints every box, as the cell's id shows with them.
    if (const uint32_t stores = CellIdStores.load(); stores != CellIdStoresSeen) {
        CellIdStoresSeen = stores;
        RepaintAllPending.store(true);
    }
#endif
    if (!port)
        return;
    int32_t mask = 0;
    {
        LiveRecordGuard live(port);
        mask = PositionRepaintMask(*live, LastPaintedRecord, RepaintAllPending.exchange(false));
    }
    const HDC dc = GetDC(window);
    if (!dc)
        return;
    RECT client{};
    GetClientRect(window, &client);
    PaintPositionScreen(port, dc, client, mask, waypoints);
    ReleaseDC(window, dc);
}

PositionHit HitTestPositionScreen(POINT pt)
{
    if (HitsRect(pt, SpeedUnitRect))
        return PositionHit::SpeedUnit;
    if (HitsRect(pt, CoordinateRect))
        return PositionHit::Coordinate;
    if (HitsRect(pt, SpeedValueRect))
        return PositionHit::SpeedValue;
    if (HitsRect(pt, CompassRect))
        return PositionHit::Compass;
    return PositionHit::None;
}
