// Drawing helpers private to the panes.
#include "panes/pane_draw.h"

#include "app/display.h"
#include "panes/panes.h"
#include "tracks/tracks.h"

#include <mmsystem.h>

#include <cmath>
#include <cstdarg>
#include <cstdio>

namespace panes_detail {

PointF RotatePointInRect(PointF p, const RECT& r, float angle)
{
    if (angle == 0.0f)
        return p;
    // Turning clockwise on a y-down screen is turning by the full circle
    // less the angle in the usual sense.
    const float b = 6.2831855f - angle;
    const float cx = static_cast<float>(r.left + (r.right - r.left) / 2);
    const float cy = static_cast<float>(r.top + (r.bottom - r.top) / 2);
    const float dx = p.x - cx;
    const float dy = p.y - cy;
    const float s = std::sin(b);
    const float c = std::cos(b);
    return {dy * s + dx * c + cx, dy * c - dx * s + cy};
}

POINT RotatePixel(int x, int y, const RECT& r, float angle)
{
    const PointF p = RotatePointInRect({static_cast<float>(x), static_cast<float>(y)}, r, angle);
    // Far off the screen a float no longer fits a LONG; such points are
    // invisible anyway, so clamp rather than convert out of range.
    constexpr float kLimit = 1.0e8f;
    const float px = std::isfinite(p.x) ? std::fmax(-kLimit, std::fmin(kLimit, p.x)) : 0.0f;
    const float py = std::isfinite(p.y) ? std::fmax(-kLimit, std::fmin(kLimit, p.y)) : 0.0f;
    return {static_cast<LONG>(px), static_cast<LONG>(py)};
}

void SetSchemeTextColor(HDC dc, int fix)
{
    SetTextColor(dc, SchemeColor(fix == 1 ? ColorRole::OK : ColorRole::Err));
}

void DrawStateIcon(HDC dc, const RECT& rect)
{
    const wchar_t* name = nullptr;
    switch (RecorderState.load()) {
    case kRecorderFollowing: name = L"ICON_PLAY"; break;
    case kRecorderRecording: name = L"ICON_RECORD"; break;
    case kRecorderPaused: name = L"ICON_PAUSE"; break;
    default: return;
    }
    // LoadIconW hands out a shared icon: it is not ours to destroy.
    if (const HICON icon = LoadIconW(GetModuleHandleW(nullptr), name))
        DrawIcon(dc, 0, rect.bottom - 32, icon);
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

void PlayPaneSound(const wchar_t* name)
{
    if (PaneHooks.playSound) {
        PaneHooks.playSound(name);
        return;
    }
    PlaySoundW(name, GetModuleHandleW(nullptr), SND_RESOURCE | SND_ASYNC);
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
