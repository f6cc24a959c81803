// Small drawing and angle functions, and the marker's back buffer.
#include "kit/draw.h"

#include <cmath>
#include <cwchar>

namespace {

// The background under the last position marker: the quick repaint puts it
// back before drawing the marker at its new place.
struct BackBuffer {
    HDC dc;
    HBITMAP bitmap;
    HGDIOBJ previous;   // the memory DC's own bitmap, selected back on release
    RECT saved;
};
BackBuffer Buffer = {};

int RectWidth(const RECT& r)
{
    return r.right - r.left;
}

int RectHeight(const RECT& r)
{
    return r.bottom - r.top;
}

}  // namespace

FLOAT_POINT RotatePointInRect(FLOAT_POINT point, const RECT* rect, float angle)
{
    if (angle == 0.0f || !rect)
        return point;
    const float b = kTwoPiF - angle;
    // Halved in 64 bits: a rectangle spanning the whole int range must not
    // overflow before the halving.
    const long long cxWide = rect->left + (static_cast<long long>(rect->right) - rect->left) / 2;
    const long long cyWide = rect->top + (static_cast<long long>(rect->bottom) - rect->top) / 2;
    const float cx = static_cast<float>(cxWide);
    const float cy = static_cast<float>(cyWide);
    const float dx = point.x - cx;
    const float dy = point.y - cy;
    const float s = std::sin(b);
    const float c = std::cos(b);
    return {dy * s + dx * c + cx, dy * c - dx * s + cy};
}

int WrapDegrees(int* angle)
{
    if (!angle)
        return 0;
    if (*angle < 0)
        *angle += 360;
    else if (*angle >= 360)
        *angle -= 360;
    return *angle;
}

void WrapRadians(float* angle)
{
    if (!angle)
        return;
    if (*angle < 0.0f)
        *angle += kTwoPiF;
    else if (*angle >= kTwoPiF)
        *angle -= kTwoPiF;
}

float PlanarDistance(FLOAT_POINT a, FLOAT_POINT b)
{
    const float dx = a.x - b.x;
    const float dy = a.y - b.y;
    return std::sqrt(dx * dx + dy * dy);
}

float FloatMin(float a, float b)
{
    return a < b ? a : b;
}

float FloatMax(float a, float b)
{
    return a > b ? a : b;
}

int NumberTextWidth(HDC dc, wchar_t* buffer, size_t size, float value)
{
    if (!buffer || size == 0)
        return 0;
    // Formatted apart first: the largest float needs 45 characters, and a
    // short caller's buffer must still end up terminated.
    wchar_t text[64];
    const int n = std::swprintf(text, sizeof text / sizeof text[0], L"%.4f",
                                static_cast<double>(value));
    size_t length = n > 0 ? static_cast<size_t>(n) : 0;
    if (length >= size)
        length = size - 1;
    std::wmemcpy(buffer, text, length);
    buffer[length] = L'\0';

    SIZE extent{};
    if (!dc || !GetTextExtentPoint32W(dc, buffer, static_cast<int>(length), &extent))
        return 0;
    return extent.cx;
}

void DrawAllPairLines(HDC dc, const POINT* points, int count)
{
    if (!dc || !points)
        return;
    for (int i = 0; i < count; ++i) {
        for (int j = i + 1; j < count; ++j) {
            MoveToEx(dc, points[i].x, points[i].y, nullptr);
            LineTo(dc, points[j].x, points[j].y);
        }
    }
}

void SaveScreenRect(HDC dc, const RECT* rect)
{
    if (!dc || !rect)
        return;
    Buffer.saved = *rect;
    const int width = RectWidth(*rect);
    const int height = RectHeight(*rect);
    if (width <= 0 || height <= 0)
        return;
    if (!Buffer.dc) {
        Buffer.dc = CreateCompatibleDC(nullptr);
        if (!Buffer.dc)
            return;
    }
    if (!Buffer.bitmap) {
        // Compatible with the painted DC, not the memory DC: a memory DC
        // starts with a monochrome bitmap and would lose the colours.
        Buffer.bitmap = CreateCompatibleBitmap(dc, width, height);
        if (!Buffer.bitmap)
            return;
        Buffer.previous = SelectObject(Buffer.dc, Buffer.bitmap);
    }
    BitBlt(Buffer.dc, 0, 0, width, height, dc, rect->left, rect->top, SRCCOPY);
}

void RestoreScreenRect(HDC dc)
{
    if (!dc || !Buffer.dc || !Buffer.bitmap)
        return;
    const RECT& r = Buffer.saved;
    FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    BitBlt(dc, r.left, r.top, RectWidth(r), RectHeight(r), Buffer.dc, 0, 0, SRCCOPY);
}

void ReleaseScreenBuffer()
{
    if (Buffer.dc && Buffer.previous)
        SelectObject(Buffer.dc, Buffer.previous);
    if (Buffer.bitmap)
        DeleteObject(Buffer.bitmap);
    if (Buffer.dc)
        DeleteDC(Buffer.dc);
    Buffer = BackBuffer{};
}
