// The sun and moon screens: where each body stands on the ecliptic, as text,
// as a needle and as an arrow relative to the course; the moon's screen adds
// its phase and a drawing of the lit disc.
#include "panes/panes.h"

#include "gps/gps.h"
#include "gps/live_track.h"
#include "kit/astro.h"
#include "kit/display.h"
#include "kit/draw.h"
#include "panes/pane_draw.h"
#include "platform/handles.h"

#include <cmath>

using panes_detail::FillSolid;
using panes_detail::FormatText;
using panes_detail::SharedSelection;

namespace {

constexpr wchar_t kPositionFormat[] = L"Position: %ls";
constexpr wchar_t kPhaseFormat[] = L"Phase: %ls [%.2f%%]";
constexpr double kRadiansToDegrees = 180.0 / 3.14159265358979323846;
constexpr int kRuleY = 40;       // the line under the text
constexpr int kDialInset = 5;

enum class Body { Sun, Moon };

// Both phases are worked out on every paint: tomorrow's tells waxing from
// waning.
struct PHASES {
    MoonPhase today;
    MoonPhase tomorrow;
};

PHASES ComputePhases()
{
    PHASES p{};
    ComputeMoonPhase(&p.today, 0);
    ComputeMoonPhase(&p.tomorrow, 1);
    return p;
}

// "Position: d m' s.ttt''L" of a longitude in radians, in Info over a
// cleared strip.
void DrawPositionLine(HDC dc, int W, double longitude)
{
    wchar_t dms[kCoordinateTextSize];
    FormatCoordinateDms(longitude * kRadiansToDegrees, dms, kCoordinateTextSize, 0, nullptr, nullptr,
                        nullptr, nullptr, nullptr);
    wchar_t text[kPaneTextSize];
    FormatText(text, kPaneTextSize, kPositionFormat, dms);
    RECT box = {2, 2, W, 20};
    FillSolid(dc, box, SchemeColor(ColorRole::Bk));
    SetTextColor(dc, SchemeColor(ColorRole::Info));
    DrawTextW(dc, text, -1, &box, 0);
}

void DrawRule(HDC dc, int W)
{
    GdiSelectGuard pen(dc, CreatePen(PS_SOLID, 1, SchemeColor(ColorRole::Info)));
    MoveToEx(dc, 2, kRuleY, nullptr);
    LineTo(dc, W - 2, kRuleY);
}

// The needle dial at the left and the arrow dial at the right, in the lower
// half of the window.
void DrawDials(HDC dc, int W, int H, double longitude, double course)
{
    const int d = (H / 2 < W / 2) ? H / 2 : W / 2;
    const RECT left = {0, H - d, d, H};
    const RECT right = {W - d, H - d, W, H};
    const COLORREF info = SchemeColor(ColorRole::Info);
    const COLORREF ok = SchemeColor(ColorRole::OK);
    const COLORREF bk = SchemeColor(ColorRole::Bk);
    GdiSelectGuard pen(dc, CreatePen(PS_SOLID, 2, SchemeColor(ColorRole::Gray)));
    GdiSelectGuard face(dc, CreateSolidBrush(bk));

    Ellipse(dc, left.left, left.top, left.right, left.bottom);
    Ellipse(dc, left.left + kDialInset, left.top + kDialInset, left.right - kDialInset,
            left.bottom - kDialInset);
    {
        const COLORREF fill = !SolidCompass                                  ? bk
            : RecorderState.load() == kRecorderFollowing ? ok
                                                         : info;
        GdiSelectGuard needle(dc, CreateSolidBrush(fill));
        DrawNeedle(dc, left, static_cast<float>(longitude), kAngleRadians, info, ok, 0);
    }

    Ellipse(dc, right.left, right.top, right.right, right.bottom);
    const float arrow = static_cast<float>(longitude) - panes_detail::FoldDegrees(course) * kDegToRad;
    DrawDirectionArrow(dc, right, arrow, ok, 0.0, SchemeColor(ColorRole::Err));
}

void DrawMoonPhaseDisc(HDC dc, int W, int H, const PHASES& p)
{
    const MOON_DISC m = LayoutMoonDisc(W, H, p.today.percent, p.tomorrow.percent);
    const RECT& r = m.disc;
    {
        GdiSelectGuard pen(dc, CreatePen(PS_SOLID, 2, SchemeColor(ColorRole::Bk)));
        GdiSelectGuard lit(dc, CreateSolidBrush(SchemeColor(ColorRole::OK)));
        Ellipse(dc, r.left, r.top, r.right, r.bottom);
    }
    {
        const GdiObject dark(CreateEllipticRgn(m.dark.left, m.dark.top, m.dark.right, m.dark.bottom));
        const GdiObject shade(CreateSolidBrush(SchemeColor(ColorRole::Bk)));
        if (dark.Valid() && shade.Valid())
            FillRgn(dc, static_cast<HRGN>(dark.Get()), static_cast<HBRUSH>(shade.Get()));
    }
    GdiSelectGuard outline(dc, CreatePen(PS_SOLID, 2, SchemeColor(ColorRole::Gray)));
    SharedSelection hollow(dc, GetStockObject(NULL_BRUSH));
    Ellipse(dc, r.left, r.top, r.right, r.bottom);
}

void DrawBodyScreen(HDC dc, const RECT& client, const GPS_CURRENT& gps, Body body)
{
    const int W = client.right - client.left;
    const int H = client.bottom - client.top;
    SetBkMode(dc, TRANSPARENT);
    SetSchemeTextColor(dc);
    SharedSelection font(dc, FontSet.Bold);
    const PHASES p = ComputePhases();

    if (body == Body::Sun) {
        DrawPositionLine(dc, W, p.today.sunLongitude);
        DrawRule(dc, W);
        DrawDials(dc, W, H, p.today.sunLongitude, gps.course);
        return;
    }
    DrawPositionLine(dc, W, p.today.moonLongitude);
    wchar_t text[kPaneTextSize];
    FormatText(text, kPaneTextSize, kPhaseFormat, p.today.name, static_cast<double>(p.today.percent));
    RECT phase = {2, 20, W, 38};
    FillSolid(dc, phase, SchemeColor(ColorRole::Bk));
    DrawTextW(dc, text, -1, &phase, 0);
    DrawRule(dc, W);
    DrawMoonPhaseDisc(dc, W, H, p);
    DrawDials(dc, W, H, p.today.moonLongitude, gps.course);
}

void PaintBody(HWND window, HDC dc, Body body)
{
    RECT client{};
    GetClientRect(window, &client);
    LastPaintedRecord = GpsDevice.Snapshot();
    DrawBodyScreen(dc, client, LastPaintedRecord, body);
}

void RedrawBody(HWND window, Body body)
{
    if (const HDC dc = GetDC(window)) {
        PaintBody(window, dc, body);
        ReleaseDC(window, dc);
    }
}

}  // namespace

MOON_DISC LayoutMoonDisc(int W, int H, float percentToday, float percentTomorrow)
{
    const int d = (H / 2 < W / 2) ? H / 2 : W / 2;
    const int L = (W - d) / 2;
    const int R = W - L;
    int T = H - 2 * d;
    int B = H - d;
    if (T < kRuleY) {
        // Clear of the text above the rule.
        const int down = ((kRuleY - T - 1) / 2) * 2 + 2;
        T += down;
        B += down;
    }
    float p = std::isfinite(percentToday) ? percentToday : 0.0f;
    p = p < 0.0f ? 0.0f : p > 100.0f ? 100.0f : p;
    const float c = static_cast<float>(R - L) * p / 100.0f;
    MOON_DISC m{{L, T, R, B}, {}};
    if (percentTomorrow > percentToday)
        m.dark = {static_cast<LONG>(static_cast<float>(L) + c), T, R, B};
    else
        m.dark = {L, T, static_cast<LONG>(static_cast<float>(R) - c), B};
    return m;
}

void DrawSunScreen(HDC dc, const RECT& client, const GPS_CURRENT& gps)
{
    DrawBodyScreen(dc, client, gps, Body::Sun);
}

void DrawMoonScreen(HDC dc, const RECT& client, const GPS_CURRENT& gps)
{
    DrawBodyScreen(dc, client, gps, Body::Moon);
}

void PaintSunPane(HWND window, HDC dc)
{
    PaintBody(window, dc, Body::Sun);
}

void PaintMoonPane(HWND window, HDC dc)
{
    PaintBody(window, dc, Body::Moon);
}

void RedrawSunPane(HWND window)
{
    RedrawBody(window, Body::Sun);
}

void RedrawMoonPane(HWND window)
{
    RedrawBody(window, Body::Moon);
}
