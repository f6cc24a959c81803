// The compass screen: two heading-up roses, one to true north and one to
// magnetic north, each with its label.
#include "panes/panes.h"

#include "gps/gps.h"
#include "kit/display.h"
#include "kit/draw.h"
#include "panes/pane_draw.h"

using panes_detail::FoldDegrees;
using panes_detail::SharedSelection;

namespace {

constexpr wchar_t kTrueLabel[] = L"True";
constexpr wchar_t kMagneticLabel[] = L"Magnetic";
constexpr int kLabelHeight = 20;

}  // namespace

COMPASS_LAYOUT LayoutCompassScreen(int W, int H)
{
    COMPASS_LAYOUT l{};
    if (H < W) {
        const int e = W / 2;
        l.trueRose = {0, 0, e, e};
        l.magneticRose = {W - e, 0, W, e};
        l.trueLabel = {0, e + 2, e, H};
        l.magneticLabel = {e, e + 2, W, H};
        return l;
    }
    const int e = H / 2;
    l.trueRose = {0, 0, e, e};
    l.magneticRose = {W - e, e, W, H};
    l.trueLabel = {e + 1, H / 4, W, H / 4 + kLabelHeight};
    l.magneticLabel = {1, e + (H - e) / 2, W - e - 1, H};
    return l;
}

ROSE_TURNS CompassRoseTurns(double course, double variation)
{
    // Heading up, the rose turns against the heading. The magnetic heading
    // is the course less an easterly variation, so its rose turns by
    // -(course - variation).
    const float t = -FoldDegrees(course);
    return {t, t + FoldDegrees(variation)};
}

void DrawCompassScreen(HDC dc, const RECT& client, const GPS_CURRENT& gps)
{
    const int W = client.right - client.left;
    const int H = client.bottom - client.top;
    SetBkMode(dc, TRANSPARENT);
    SetSchemeTextColor(dc);
    const RECT whole = {0, 0, W, H};
    DrawStateIcon(dc, &whole);
    SharedSelection font(dc, FontSet.Bold);

    const COMPASS_LAYOUT l = LayoutCompassScreen(W, H);
    const ROSE_TURNS turn = CompassRoseTurns(gps.course, gps.magVar);
    DrawCompassRose(dc, turn.trueRose, l.trueRose, false, turn.trueRose);
    DrawCompassRose(dc, turn.magneticRose, l.magneticRose, false, turn.magneticRose);

    SetTextColor(dc, SchemeColor(ColorRole::Info));
    RECT box = l.trueLabel;
    DrawTextW(dc, kTrueLabel, -1, &box, DT_CENTER | DT_VCENTER);
    box = l.magneticLabel;
    DrawTextW(dc, kMagneticLabel, -1, &box, DT_CENTER | DT_VCENTER);
}

void PaintCompassPane(HWND window, HDC dc)
{
    RECT client{};
    GetClientRect(window, &client);
    DrawCompassScreen(dc, client, GpsDevice.Snapshot());
}

void RedrawCompassPane(HWND window)
{
    if (const HDC dc = GetDC(window)) {
        PaintCompassPane(window, dc);
        ReleaseDC(window, dc);
    }
}
