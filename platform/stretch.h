// platform/stretch.h - stretching only the visible part of a bitmap.
//
// A map zoomed far in asks for a bitmap stretched many times the screen's
// size; scaling it whole costs time and memory for pixels nobody sees. The
// helper here scales only the source pixels behind the visible part.
// Header-only; GDI calls only, safe on any thread that owns the DCs.
#pragma once
#include <windows.h>

#include <algorithm>
#include <cmath>

// Stretches the bitmap selected into memory (width x height pixels) so that
// the whole of it would fill `to` on dc, drawing only the part behind clip.
// That part is widened to whole source pixels, so its edge may reach a
// little beyond clip: a caller that must not spill clips dc itself. False
// when nothing was drawn (an empty bitmap or target, nothing inside clip).
inline bool StretchVisiblePart(HDC dc, HDC memory, int width, int height, const RECT& to, const RECT& clip)
{
    RECT visible{};
    if (width <= 0 || height <= 0 || !IntersectRect(&visible, &to, &clip))
        return false;
    const double scaleX = width / (static_cast<double>(to.right) - to.left);
    const double scaleY = height / (static_cast<double>(to.bottom) - to.top);
    const int sx0 = std::max(0, static_cast<int>(std::floor((visible.left - to.left) * scaleX)));
    const int sy0 = std::max(0, static_cast<int>(std::floor((visible.top - to.top) * scaleY)));
    const int sx1 = std::min(width, static_cast<int>(std::ceil((visible.right - to.left) * scaleX)));
    const int sy1 = std::min(height, static_cast<int>(std::ceil((visible.bottom - to.top) * scaleY)));
    if (sx1 <= sx0 || sy1 <= sy0)
        return false;
    const int dx0 = to.left + static_cast<int>(std::lround(sx0 / scaleX));
    const int dy0 = to.top + static_cast<int>(std::lround(sy0 / scaleY));
    const int dx1 = to.left + static_cast<int>(std::lround(sx1 / scaleX));
    const int dy1 = to.top + static_cast<int>(std::lround(sy1 / scaleY));
    const int mode = SetStretchBltMode(dc, COLORONCOLOR);
    const BOOL drawn = StretchBlt(dc, dx0, dy0, dx1 - dx0, dy1 - dy0, memory, sx0, sy0, sx1 - sx0, sy1 - sy0, SRCCOPY);
    if (mode)
        SetStretchBltMode(dc, mode);
    return drawn != FALSE;
}
