// The satellite screen: a signal bar per satellite in view along the bottom
// and a sky plot of where each one stands, from the live satellite table.
#include "panes/panes.h"

#include "gps/gps.h"
#include "kit/display.h"
#include "kit/draw.h"
#include "panes/pane_draw.h"
#include "platform/handles.h"

#include <cmath>

using panes_detail::FormatText;
using panes_detail::RotatePixel;
using panes_detail::SharedSelection;

namespace {

constexpr int kBarZone = 50;        // pixels above the bottom edge for an SNR of 100
constexpr int kLabelHeight = 15;    // the PRN under each bar
constexpr int kPlotRingInset = 50;  // the inner circle of the sky plot
constexpr int kDotRadius = 8;
// DrawEdge: a sunken outer border around a raised-and-sunken inner one.
constexpr UINT kBarEdge = BDR_SUNKENOUTER | BDR_RAISEDINNER | BDR_SUNKENINNER;

// Entries the bars and the plot look at: the first 35, or under the GPS
// driver only as many as it reports in view (its table is a list).
int ScannedEntries(const GPS_CURRENT& gps, int protocol)
{
    if (protocol != kGpsInputDriver)
        return kShownSatellites;
    const int n = gps.satsInView;
    return n < 0 ? 0 : n > kShownSatellites ? kShownSatellites : n;
}

int CountInView(const GPS_CURRENT& gps)
{
    int k = 0;
    for (int i = 0; i < kShownSatellites; ++i)
        if (gps.sats[i].inView)
            ++k;
    return k;
}

void DrawBars(HDC dc, int W, int H, const GPS_CURRENT& gps, int scanned, int u)
{
    const COLORREF ok = SchemeColor(ColorRole::OK);
    const COLORREF err = SchemeColor(ColorRole::Err);
    const COLORREF ltGray = SchemeColor(ColorRole::LtGray);
    {
        GdiSelectGuard pen(dc, CreatePen(PS_SOLID, 0, SchemeColor(ColorRole::Gray)));
        MoveToEx(dc, 0, H - kBarZone, nullptr);
        LineTo(dc, W, H - kBarZone);
    }
    SharedSelection font(dc, FontSet.Base);
    int x = 0;
    for (int i = 0; i < scanned; ++i) {
        const GPS_SATELLITE& s = gps.sats[i];
        if (!s.inView)
            continue;
        RECT bar = {x, H - SatelliteBarHeight(s.snr), x + u, H};
        panes_detail::FillSolid(dc, bar, s.used ? ok : ltGray);
        DrawEdge(dc, &bar, kBarEdge, BF_RECT);
        SetTextColor(dc, s.used ? err : ok);
        wchar_t prn[16];
        FormatText(prn, 16, L"%02u", static_cast<unsigned>(s.prn));
        RECT label = {x, H - kLabelHeight, x + u, H};
        DrawTextW(dc, prn, -1, &label, DT_CENTER);
        x += u;
    }
}

void DrawSkyFrame(HDC dc, const RECT& sq)
{
    GdiSelectGuard pen(dc, CreatePen(PS_SOLID, 1, SchemeColor(ColorRole::Gray)));
    SharedSelection hollow(dc, GetStockObject(NULL_BRUSH));
    Ellipse(dc, sq.left, sq.top, sq.right, sq.bottom);
    Ellipse(dc, sq.left + kPlotRingInset, sq.top + kPlotRingInset, sq.right - kPlotRingInset,
            sq.bottom - kPlotRingInset);
    const int midY = (sq.top + sq.bottom) / 2;
    const int midX = (sq.left + sq.right) / 2;
    MoveToEx(dc, sq.left, midY, nullptr);
    LineTo(dc, sq.right, midY);
    MoveToEx(dc, midX, sq.top, nullptr);
    LineTo(dc, midX, sq.bottom);
}

void DrawSkyDots(HDC dc, const RECT& sq, const GPS_CURRENT& gps, int scanned)
{
    SharedSelection font(dc, FontSet.Minus1);
    for (int j = 0; j < scanned; ++j) {
        const GPS_SATELLITE& s = gps.sats[j];
        POINT c{};
        if (!s.inView || !SkyPlotPoint(sq, s.elevation, s.azimuth, &c))
            continue;
        const COLORREF fill = SchemeColor(s.used ? ColorRole::OK : ColorRole::Gray);
        SetTextColor(dc, SchemeColor(s.used ? ColorRole::Err : ColorRole::Info));
        GdiSelectGuard brush(dc, CreateSolidBrush(fill));
        GdiSelectGuard pen(dc, CreatePen(PS_SOLID, 0, fill));
        RECT dot = {c.x - kDotRadius, c.y - kDotRadius, c.x + kDotRadius, c.y + kDotRadius};
        Ellipse(dc, dot.left, dot.top, dot.right, dot.bottom);
        wchar_t number[16];
        FormatText(number, 16, L"%u", static_cast<unsigned>(j));
        // Single line, so that the number sits in the middle of its dot.
        DrawTextW(dc, number, -1, &dot, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
}

}  // namespace

int SatelliteBarWidth(int width, int inView)
{
    return inView > 0 ? width / inView : 0;
}

int SatelliteBarHeight(float snr)
{
    if (!(snr > 0.0f))   // also a NaN
        return 0;
    const float held = snr < 100.0f ? snr : 100.0f;
    return static_cast<int>(held * kBarZone / 100.0f);
}

RECT SkyPlotSquare(int width, int height)
{
    const int s = height < width ? height : width;
    const int mx = (width - s) / 2;
    const int my = (height - s) / 2;
    return {mx, my, width - mx, height - my};
}

bool SkyPlotPoint(const RECT& square, float elevation, float azimuth, POINT* at)
{
    if (!std::isfinite(elevation) || !std::isfinite(azimuth) || std::fabs(elevation) > 90.0f)
        return false;
    const float el = elevation < 0.0f ? 0.0f : elevation;
    float az = std::fmod(azimuth, 360.0f);
    if (az < 0.0f)
        az += 360.0f;
    const int F = (square.right - square.left) / 2;
    const int x = square.left + F;
    const int y = square.top + (square.bottom - square.top) / 2 -
                  static_cast<int>(static_cast<float>(F) * el / 90.0f);
    *at = RotatePixel(x, y, square, az * kDegToRad);
    return true;
}

void DrawSatelliteScreen(HDC dc, const RECT& client, const GPS_CURRENT& gps, int protocol)
{
    const int W = client.right - client.left;
    const int H = client.bottom - client.top;
    SetBkMode(dc, TRANSPARENT);
    SetSchemeTextColor(dc);
    SharedSelection font(dc, FontSet.Base);
    const RECT whole = {0, 0, W, H};
    DrawStateIcon(dc, &whole);

    const int scanned = ScannedEntries(gps, protocol);
    DrawBars(dc, W, H, gps, scanned, SatelliteBarWidth(W, CountInView(gps)));
    const RECT square = SkyPlotSquare(W, H);
    DrawSkyFrame(dc, square);
    DrawSkyDots(dc, square, gps, scanned);
}

void PaintSatellitePane(HWND window, HDC dc)
{
    RECT client{};
    GetClientRect(window, &client);
    DrawSatelliteScreen(dc, client, GpsDevice.Snapshot(), GpsInputKind.load());
    SatellitesChanged.store(false);
}

void RedrawSatellitePane(HWND window)
{
    RECT client{};
    GetClientRect(window, &client);
    const HDC screen = GetDC(window);
    if (!screen)
        return;
    // Painted into a bitmap of the window's size and copied in one go: the
    // bars and dots of the last paint vanish without a flicker.
    {
        const BitmapHandle bitmap(CreateCompatibleBitmap(screen, client.right, client.bottom));
        const MemoryDc memory(screen, bitmap.Get());
        if (bitmap.Valid() && memory.Get()) {
            panes_detail::FillSolid(memory.Get(), client, SchemeColor(ColorRole::Bk));
            PaintSatellitePane(window, memory.Get());
            BitBlt(screen, 0, 0, client.right, client.bottom, memory.Get(), 0, 0, SRCCOPY);
        } else {
            PaintSatellitePane(window, screen);
        }
    }
    ReleaseDC(window, screen);
}
