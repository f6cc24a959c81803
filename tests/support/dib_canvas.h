// A 32-bit top-down DIB section selected into a memory DC: painting tests
// draw into it, read pixels back and save it as a PNG.
#pragma once
#include "png_writer.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

class DibCanvas {
public:
    DibCanvas(int width, int height) : width_(width), height_(height)
    {
        dc_ = CreateCompatibleDC(nullptr);
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = width;
        bi.bmiHeader.biHeight = -height;   // top-down
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        bi.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        bitmap_ = CreateDIBSection(dc_, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
        bits_ = static_cast<uint32_t*>(bits);
        previous_ = bitmap_ ? SelectObject(dc_, bitmap_) : nullptr;
    }
    // The window's client area as its DC holds it, at the client's size.
    explicit DibCanvas(HWND window) : DibCanvas(ClientRect(window).right, ClientRect(window).bottom)
    {
        TakeClient(window);
    }
    ~DibCanvas()
    {
        if (previous_)
            SelectObject(dc_, previous_);
        if (bitmap_)
            DeleteObject(bitmap_);
        if (dc_)
            DeleteDC(dc_);
    }
    DibCanvas(const DibCanvas&) = delete;
    DibCanvas& operator=(const DibCanvas&) = delete;

    bool Valid() const { return dc_ && bits_; }
    HDC Dc() const { return dc_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    RECT Rect() const { return {0, 0, width_, height_}; }

    // The pixel as a COLORREF (0x00BBGGRR); the DIB holds 0x00RRGGBB.
    // Outside the canvas: CLR_INVALID.
    COLORREF Pixel(int x, int y) const
    {
        if (!bits_ || x < 0 || y < 0 || x >= width_ || y >= height_)
            return CLR_INVALID;
        GdiFlush();
        const uint32_t v = bits_[static_cast<size_t>(y) * width_ + x] & 0xFFFFFF;
        return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
    }
    // Number of pixels of colour inside r (clipped to the canvas).
    int Count(const RECT& r, COLORREF colour) const
    {
        int n = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                if (Pixel(x, y) == colour)
                    ++n;
        return n;
    }
    int Count(COLORREF colour) const { return Count(Rect(), colour); }
    void Fill(const RECT& r, COLORREF colour)
    {
        const HBRUSH brush = CreateSolidBrush(colour);
        FillRect(dc_, &r, brush);
        DeleteObject(brush);
    }
    void Fill(COLORREF colour) { Fill(Rect(), colour); }
    // Every pixel as the DIB holds it, row by row.
    std::vector<uint32_t> Pixels() const
    {
        GdiFlush();
        return bits_ ? std::vector<uint32_t>(bits_, bits_ + static_cast<size_t>(width_) * height_)
                     : std::vector<uint32_t>();
    }
    // Copies the canvas's size from dc, from (left, top) on.
    void Take(HDC from, int left, int top) { BitBlt(dc_, 0, 0, width_, height_, from, left, top, SRCCOPY); }
    // The window's client area as its DC holds it.
    void TakeClient(HWND window) { TakeAndRelease(window, GetDC(window), 0, 0); }
    // The whole window, frame and caption too.
    void TakeWindow(HWND window) { TakeAndRelease(window, GetWindowDC(window), 0, 0); }
    // The display's pixels from (left, top) on.
    void TakeScreen(int left, int top) { TakeAndRelease(nullptr, GetDC(nullptr), left, top); }
    static RECT ClientRect(HWND window)
    {
        RECT r{};
        GetClientRect(window, &r);
        return r;
    }
    // Takes the display's pixels from (left, top) on, the canvas's size, until
    // two takes 150 ms apart agree (painted, and the display caught up);
    // false when they still differ after ms.
    bool CaptureScreen(int left, int top, DWORD ms)
    {
        return TakeUntilSteady([&] { TakeScreen(left, top); }, ms);
    }
    // The whole window, taken until two takes 150 ms apart agree; false when
    // they still differ after ms.
    bool CaptureWindow(HWND window, DWORD ms)
    {
        return TakeUntilSteady([&] { TakeWindow(window); }, ms);
    }
    bool SavePng(const std::string& path) const
    {
        GdiFlush();
        return bits_ && WritePng(path, width_, height_, bits_);
    }

private:
    // Copies from dc, one of window's, and gives it back.
    void TakeAndRelease(HWND window, HDC dc, int left, int top)
    {
        Take(dc, left, top);
        ReleaseDC(window, dc);
    }
    template <class Take>
    bool TakeUntilSteady(Take take, DWORD ms)
    {
        std::vector<uint32_t> last;
        for (const ULONGLONG until = GetTickCount64() + ms; GetTickCount64() <= until; Sleep(150)) {
            take();
            std::vector<uint32_t> now = Pixels();
            if (now == last)
                return true;
            last.swap(now);
        }
        return false;
    }

    int width_;
    int height_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    uint32_t* bits_ = nullptr;
};

// The window, frame and all, repainted and saved as a PNG for a person to
// look at.
inline bool SaveWindowPicture(HWND window, const std::string& path)
{
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    RECT r{};
    GetWindowRect(window, &r);
    DibCanvas canvas(r.right - r.left, r.bottom - r.top);
    // A dialog just shown may still be painting its controls: a picture
    // that never settles is saved as it last stood.
    canvas.CaptureWindow(window, 3000);
    return canvas.SavePng(path);
}

// The display where the window shows (another process's too), saved as a
// PNG for a person to look at.
inline bool SaveScreenUnder(HWND window, const std::string& path)
{
    RECT r{};
    GetWindowRect(window, &r);
    DibCanvas canvas(r.right - r.left, r.bottom - r.top);
    canvas.TakeScreen(r.left, r.top);
    return canvas.SavePng(path);
}

}  // namespace testsupport
