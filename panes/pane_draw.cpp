// Drawing helpers private to the panes, and the fix colour and
// recorder-state icon that panes.h offers.
#include "panes/pane_draw.h"

#include "gps/gps.h"
#include "gps/live_track.h"
#include "kit/display.h"
#include "kit/draw.h"
#include "panes/panes.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>

namespace {

struct StateIcon {
    int state;
    const wchar_t* name;
};
constexpr StateIcon kStateIcons[] = {
    {kRecorderRecording, L"ICON_RECORD"},
    {kRecorderPaused, L"ICON_PAUSE"},
    {kRecorderFollowing, L"ICON_PLAY"},
};

}  // namespace

void SetSchemeTextColor(HDC dc)
{
    if (!dc)
        return;
    const bool fix = LiveRecordGuard(&GpsDevice)->fix == 1;
    SetTextColor(dc, SchemeColor(fix ? ColorRole::OK : ColorRole::Err));
}

void DrawStateIcon(HDC dc, const RECT* rect)
{
    if (!dc || !rect)
        return;
    const int state = RecorderState.load();
    for (const StateIcon& entry : kStateIcons) {
        if (entry.state != state)
            continue;
        // A shared icon: the system keeps one per module and name, so
        // loading it at every paint creates nothing to release.
        const HICON icon = LoadIconW(GetModuleHandleW(nullptr), entry.name);
        if (icon)
            DrawIcon(dc, 0, rect->bottom - 32, icon);
        return;
    }
}

namespace panes_detail {

POINT RotatePixel(int x, int y, const RECT& r, float angle)
{
    const FLOAT_POINT p =
        RotatePointInRect({static_cast<float>(x), static_cast<float>(y)}, &r, angle);
    // Far off the screen a float no longer fits a LONG; such points are
    // invisible anyway, so clamp rather than convert out of range.
    constexpr float kLimit = 1.0e8f;
    const float px = std::isfinite(p.x) ? std::fmax(-kLimit, std::fmin(kLimit, p.x)) : 0.0f;
    const float py = std::isfinite(p.y) ? std::fmax(-kLimit, std::fmin(kLimit, p.y)) : 0.0f;
    return {static_cast<LONG>(px), static_cast<LONG>(py)};
}

float FoldDegrees(double degrees)
{
    return std::isfinite(degrees) ? static_cast<float>(std::fmod(degrees, 360.0)) : 0.0f;
}

void FillSolid(HDC dc, const RECT& r, COLORREF colour)
{
    const HBRUSH brush = CreateSolidBrush(colour);
    if (!brush)
        return;
    FillRect(dc, &r, brush);
    DeleteObject(brush);
}

int FontHeight(HFONT font)
{
    LOGFONTW lf{};
    if (!font || GetObjectW(font, sizeof lf, &lf) != sizeof lf)
        return 0;
    return lf.lfHeight < 0 ? -lf.lfHeight : lf.lfHeight;
}

void FormatText(wchar_t* buffer, size_t size, const wchar_t* format, ...)
{
    if (!buffer || size == 0)
        return;
    va_list args;
    va_start(args, format);
    // _vsnwprintf leaves the text unterminated when it fills the count.
    _vsnwprintf(buffer, size - 1, format, args);
    va_end(args);
    buffer[size - 1] = L'\0';
}

}  // namespace panes_detail
