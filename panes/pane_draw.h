// panes/pane_draw.h - drawing helpers private to the panes: turned pixels,
// fills, font selection, the turn arrow and bounded text formatting. The
// shared angle functions (RotatePointInRect) are those of kit/draw.h.
#pragma once
#include <windows.h>

#include <cstddef>

struct GPS_CURRENT;

namespace panes_detail {

// (x, y) turned clockwise on the screen by angle radians about the centre
// of r (RotatePointInRect), truncated back to a whole pixel; far-off
// results are clamped rather than converted out of range.
POINT RotatePixel(int x, int y, const RECT& r, float angle);

// Degrees folded below one turn (fmod 360), so that any angle a receiver
// sends, 1e300 included, narrows to a float; not a number gives 0.
float FoldDegrees(double degrees);

// Fills r with a solid brush of colour, made and deleted here.
void FillSolid(HDC dc, const RECT& r, COLORREF colour);
// |logical height| of a font; 0 for a null font.
int FontHeight(HFONT font);

// The turn arrow of a followed route in the circle: toward the next turn
// (FindNextTurn, which arms the turn warning) with its distance, or, with
// none ahead, toward the route's next point and without a label.
void DrawTurnArrow(HDC dc, const GPS_CURRENT* live, const RECT& circle);

// printf into buffer, cut to size - 1 characters and always terminated.
void FormatText(wchar_t* buffer, size_t size, const wchar_t* format, ...);

// Selects an object that someone else owns (a FontSet font, a stock brush)
// and puts the DC's previous object back when it goes; never deletes.
class SharedSelection {
public:
    SharedSelection(HDC dc, HGDIOBJ object)
        : dc_(dc), previous_(dc && object ? SelectObject(dc, object) : nullptr) {}
    ~SharedSelection() { Restore(); }
    SharedSelection(const SharedSelection&) = delete;
    SharedSelection& operator=(const SharedSelection&) = delete;
    // Selects another shared object of the same kind; the one to restore
    // stays the first one replaced.
    void Switch(HGDIOBJ object)
    {
        if (!dc_ || !object)
            return;
        const HGDIOBJ old = SelectObject(dc_, object);
        if (!previous_)
            previous_ = old;
    }
    void Restore()
    {
        if (dc_ && previous_)
            SelectObject(dc_, previous_);
        previous_ = nullptr;
    }

private:
    HDC dc_;
    HGDIOBJ previous_;
};

}  // namespace panes_detail
