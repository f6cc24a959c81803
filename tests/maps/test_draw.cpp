// The shared drawing and angle functions: turning points, folding angles,
// text colours by fix, the recorder-state icon, all-pairs lines and the
// marker's back buffer, checked on the pixels of a DIB section.
#include <doctest.h>

#include "app/display.h"
#include "maps/draw.h"

#if __has_include("support/gdi_count.h")
#include "support/gdi_count.h"
#else
#include "app/gdi_count.h"
#endif

#include <cmath>
#include <cstdint>
#include <cstring>
#include <cwchar>
#include <vector>

using testsupport::GdiObjectCount;

namespace {

// A 32-bit top-down DIB section in a memory DC, filled white.
class Canvas {
public:
    Canvas(int width, int height) : width_(width), height_(height)
    {
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = width;
        bi.bmiHeader.biHeight = -height;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        bitmap_ = CreateDIBSection(dc_, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
        pixels_ = static_cast<uint32_t*>(bits);
        previous_ = SelectObject(dc_, bitmap_);
        Fill(RGB(255, 255, 255));
    }
    ~Canvas()
    {
        SelectObject(dc_, previous_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    HDC Dc() const { return dc_; }
    // As a COLORREF (0x00BBGGRR); the DIB holds 0x00RRGGBB.
    COLORREF At(int x, int y) const
    {
        GdiFlush();
        const uint32_t p = pixels_[y * width_ + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
    void Fill(COLORREF colour)
    {
        GdiFlush();
        const uint32_t p = (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
        for (int i = 0; i < width_ * height_; ++i)
            pixels_[i] = p;
    }
    void FillRect(const RECT& r, COLORREF colour)
    {
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                pixels_[y * width_ + x] =
                    (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
    }
    int Count(COLORREF colour) const
    {
        int n = 0;
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x)
                n += At(x, y) == colour;
        return n;
    }
    std::vector<uint32_t> Pixels() const
    {
        GdiFlush();
        return std::vector<uint32_t>(pixels_, pixels_ + width_ * height_);
    }
    int Width() const { return width_; }

private:
    int width_;
    int height_;
    HDC dc_ = CreateCompatibleDC(nullptr);
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    uint32_t* pixels_ = nullptr;
};

// The state the hooks report in the current test.
bool TestFix = false;
int TestRecorderState = 0;

class HookFixture {
public:
    HookFixture()
    {
        TestFix = false;
        TestRecorderState = 0;
        DrawStateHooks.fixValid = [] { return TestFix; };
        DrawStateHooks.recorderState = [] { return TestRecorderState; };
    }
    ~HookFixture()
    {
        DrawStateHooks = DRAW_STATE_HOOKS{};
        ColorScheme = 0;
    }
    HookFixture(const HookFixture&) = delete;
    HookFixture& operator=(const HookFixture&) = delete;
};

bool SameBits(float a, float b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

}  // namespace

TEST_CASE("RotatePointInRect turns clockwise on the screen about the centre")
{
    const RECT r = {0, 0, 100, 60};   // centre (50, 30)

    SUBCASE("an angle of exactly 0 returns the input bit for bit") {
        const FLOAT_POINT in = {-0.0f, 1.1f};
        const FLOAT_POINT out = RotatePointInRect(in, &r, 0.0f);
        CHECK(SameBits(out.x, in.x));
        CHECK(SameBits(out.y, in.y));
    }
    SUBCASE("a quarter turn moves the point above the centre to its right") {
        const FLOAT_POINT out = RotatePointInRect({50.0f, 10.0f}, &r, kPiF / 2);
        CHECK(out.x == doctest::Approx(70.0).epsilon(1e-5));
        CHECK(out.y == doctest::Approx(30.0).epsilon(1e-5));
    }
    SUBCASE("half a turn mirrors through the centre; a full turn comes back") {
        const FLOAT_POINT half = RotatePointInRect({60.0f, 35.0f}, &r, kPiF);
        CHECK(half.x == doctest::Approx(40.0).epsilon(1e-5));
        CHECK(half.y == doctest::Approx(25.0).epsilon(1e-5));
        const FLOAT_POINT full = RotatePointInRect({60.0f, 35.0f}, &r, kTwoPiF);
        CHECK(full.x == doctest::Approx(60.0).epsilon(1e-5));
        CHECK(full.y == doctest::Approx(35.0).epsilon(1e-5));
    }
    SUBCASE("the centre is halved in whole pixels") {
        const RECT odd = {10, 10, 15, 15};   // centre (12, 12), not 12.5
        const FLOAT_POINT out = RotatePointInRect({12.0f, 12.0f}, &odd, 1.0f);
        CHECK(out.x == doctest::Approx(12.0));
        CHECK(out.y == doctest::Approx(12.0));
    }
}

TEST_CASE("Folding angles takes one step only")
{
    struct Row {
        int in;
        int out;
    };
    const Row rows[] = {{-30, 330}, {725, 365}, {360, 0}, {359, 359},
                        {0, 0},     {-1, 359},  {-400, -40}};
    for (const Row& row : rows) {
        int angle = row.in;
        CHECK(WrapDegrees(&angle) == row.out);
        CHECK(angle == row.out);
    }
    CHECK(WrapDegrees(nullptr) == 0);

    float radians = -0.5f;
    WrapRadians(&radians);
    CHECK(radians == kTwoPiF - 0.5f);
    radians = kTwoPiF;
    WrapRadians(&radians);
    CHECK(radians == 0.0f);
    radians = 20.0f;
    WrapRadians(&radians);
    CHECK(radians == 20.0f - kTwoPiF);
    WrapRadians(nullptr);
}

TEST_CASE("Planar distance is in the points' own units")
{
    CHECK(PlanarDistance({1.0f, 2.0f}, {4.0f, 6.0f}) == 5.0f);
    CHECK(PlanarDistance({-3.0f, 0.0f}, {-3.0f, 0.0f}) == 0.0f);
}

TEST_CASE("NumberTextWidth writes four decimals and measures them")
{
    Canvas canvas(8, 8);
    wchar_t buffer[1000];

    const int width = NumberTextWidth(canvas.Dc(), buffer, 1000, 12.34567f);
    CHECK(std::wcscmp(buffer, L"12.3457") == 0);
    SIZE expected{};
    GetTextExtentPoint32W(canvas.Dc(), L"12.3457", 7, &expected);
    CHECK(width == expected.cx);
    CHECK(width > 0);

    SUBCASE("a short buffer gets a cut, terminated text") {
        wchar_t small[4];
        NumberTextWidth(canvas.Dc(), small, 4, -90.0f);
        CHECK(std::wcscmp(small, L"-90") == 0);
    }
    SUBCASE("the largest float fits") {
        NumberTextWidth(canvas.Dc(), buffer, 1000, 3.4e38f);
        CHECK(std::wcslen(buffer) == 44);
        CHECK(NumberTextWidth(canvas.Dc(), nullptr, 10, 1.0f) == 0);
    }
}

TEST_CASE("DrawAllPairLines joins every point to every later one")
{
    Canvas canvas(64, 64);
    // Count the lines as the path records them: one move per line.
    auto countLines = [&](const std::vector<POINT>& points) {
        BeginPath(canvas.Dc());
        DrawAllPairLines(canvas.Dc(), points.data(), static_cast<int>(points.size()));
        EndPath(canvas.Dc());
        const int n = GetPath(canvas.Dc(), nullptr, nullptr, 0);
        std::vector<POINT> at(n > 0 ? n : 1);
        std::vector<BYTE> types(n > 0 ? n : 1);
        GetPath(canvas.Dc(), at.data(), types.data(), n);
        AbortPath(canvas.Dc());
        int moves = 0;
        for (int i = 0; i < n; ++i)
            moves += (types[i] & ~PT_CLOSEFIGURE) == PT_MOVETO;
        return moves;
    };
    CHECK(countLines({{10, 10}, {50, 10}, {30, 50}}) == 3);
    CHECK(countLines({{10, 10}, {50, 10}, {50, 50}, {10, 50}}) == 6);
    CHECK(countLines({{10, 10}}) == 0);
    CHECK(countLines({}) == 0);

    SUBCASE("on the pixels: a square gets its sides and both diagonals") {
        const POINT square[] = {{10, 10}, {50, 10}, {50, 50}, {10, 50}};
        DrawAllPairLines(canvas.Dc(), square, 4);
        const COLORREF black = RGB(0, 0, 0);
        CHECK(canvas.At(30, 10) == black);   // sides
        CHECK(canvas.At(50, 30) == black);
        CHECK(canvas.At(30, 50) == black);
        CHECK(canvas.At(10, 30) == black);
        CHECK(canvas.At(30, 30) == black);   // where the diagonals cross
        CHECK(canvas.At(20, 40) == black);   // on the diagonal 50,10 - 10,50
        CHECK(canvas.At(40, 20) == black);
        CHECK(canvas.At(40, 30) != black);   // inside, off every line
    }
    SUBCASE("one point draws nothing") {
        const POINT one[] = {{20, 20}};
        DrawAllPairLines(canvas.Dc(), one, 1);
        DrawAllPairLines(canvas.Dc(), nullptr, 3);
        CHECK(canvas.Count(RGB(255, 255, 255)) == 64 * 64);
    }
}

TEST_CASE("SetSchemeTextColor follows the scheme and the fix")
{
    HookFixture hooks;
    Canvas canvas(8, 8);

    struct Row {
        int scheme;
        bool fix;
        COLORREF colour;
    };
    const Row rows[] = {
        {0, true, 0xFF0000},  {0, false, 0x0000FF},
        {1, true, 0xFFFF00},  {1, false, 0x80FFFF},
        {2, true, CustomColors[2]}, {2, false, CustomColors[3]},
    };
    for (const Row& row : rows) {
        ColorScheme = row.scheme;
        TestFix = row.fix;
        SetTextColor(canvas.Dc(), 0x123456);
        SetSchemeTextColor(canvas.Dc());
        CHECK(GetTextColor(canvas.Dc()) == row.colour);
    }

    SUBCASE("without the hook there is no fix") {
        ColorScheme = 0;
        DrawStateHooks.fixValid = nullptr;
        SetSchemeTextColor(canvas.Dc());
        CHECK(GetTextColor(canvas.Dc()) == 0x0000FF);
    }
    SUBCASE("text drawn after it has the colour on the pixels") {
        Canvas wide(120, 40);
        const HFONT font = CreateFontW(-24, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET,
                                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                       NONANTIALIASED_QUALITY, DEFAULT_PITCH, L"Tahoma");
        GdiSelectGuard selected(wide.Dc(), font);
        SetBkMode(wide.Dc(), TRANSPARENT);
        ColorScheme = 1;
        TestFix = true;
        SetSchemeTextColor(wide.Dc());
        TextOutW(wide.Dc(), 4, 4, L"MMMM", 4);
        CHECK(wide.Count(0xFFFF00) > 20);
        CHECK(wide.Count(0x80FFFF) == 0);
    }
}

TEST_CASE("DrawStateIcon shows the recorder state at the bottom left")
{
    HookFixture hooks;
    const RECT area = {0, 0, 64, 80};   // the icon goes to (0, 48)
    const wchar_t* const names[] = {nullptr, L"ICON_RECORD", L"ICON_PAUSE", L"ICON_PLAY"};

    SUBCASE("idle draws nothing, also without the hook") {
        Canvas canvas(64, 80);
        DrawStateIcon(canvas.Dc(), &area);
        DrawStateHooks.recorderState = nullptr;
        DrawStateIcon(canvas.Dc(), &area);
        CHECK(canvas.Count(RGB(255, 255, 255)) == 64 * 80);
    }
    SUBCASE("each state draws its own icon, and only in its square") {
        std::vector<std::vector<uint32_t>> seen;
        for (int state = 1; state <= 3; ++state) {
            TestRecorderState = state;
            Canvas canvas(64, 80);
            DrawStateIcon(canvas.Dc(), &area);

            Canvas reference(64, 80);
            const HICON icon = LoadIconW(GetModuleHandleW(nullptr), names[state]);
            CHECK(icon != nullptr);
            DrawIcon(reference.Dc(), 0, 48, icon);
            CHECK(canvas.Pixels() == reference.Pixels());

            int changed = 0;
            for (int y = 0; y < 80; ++y) {
                for (int x = 0; x < 64; ++x) {
                    const bool inSquare = x < 32 && y >= 48;
                    const bool white = canvas.At(x, y) == RGB(255, 255, 255);
                    if (!inSquare)
                        CHECK(white);
                    changed += !white;
                }
            }
            CHECK(changed > 50);
            seen.push_back(canvas.Pixels());
        }
        CHECK(seen[0] != seen[1]);
        CHECK(seen[1] != seen[2]);
        CHECK(seen[0] != seen[2]);
    }
    SUBCASE("drawing it again and again creates no GDI object") {
        Canvas canvas(64, 80);
        TestRecorderState = 1;
        DrawStateIcon(canvas.Dc(), &area);
        const unsigned before = GdiObjectCount();
        CHECK(before != 0);
        for (int i = 0; i < 50; ++i) {
            TestRecorderState = 1 + i % 3;
            DrawStateIcon(canvas.Dc(), &area);
        }
        CHECK(GdiObjectCount() == before);
    }
}

TEST_CASE("The back buffer puts the background under the marker back")
{
    ReleaseScreenBuffer();
    const unsigned start = GdiObjectCount();
    CHECK(start != 0);
    Canvas canvas(40, 40);
    const unsigned withCanvas = GdiObjectCount();

    SUBCASE("nothing to restore before the first save") {
        RestoreScreenRect(canvas.Dc());
        CHECK(canvas.Count(RGB(255, 255, 255)) == 40 * 40);
    }
    SUBCASE("save, paint the marker, restore") {
        const RECT background = {0, 0, 40, 40};
        canvas.FillRect(background, RGB(10, 20, 30));
        canvas.FillRect({14, 14, 18, 18}, RGB(200, 0, 0));   // something under it
        const RECT marker = {12, 12, 20, 20};
        SaveScreenRect(canvas.Dc(), &marker);
        CHECK(GdiObjectCount() == withCanvas + 2);   // its DC and its bitmap

        canvas.FillRect(marker, RGB(0, 0, 255));
        RestoreScreenRect(canvas.Dc());
        CHECK(canvas.At(12, 12) == RGB(10, 20, 30));
        CHECK(canvas.At(19, 19) == RGB(10, 20, 30));
        CHECK(canvas.At(15, 15) == RGB(200, 0, 0));
        CHECK(canvas.Count(RGB(0, 0, 255)) == 0);

        // The next save reuses the bitmap: a marker moving creates nothing.
        const RECT moved = {22, 22, 30, 30};
        SaveScreenRect(canvas.Dc(), &moved);
        canvas.FillRect(moved, RGB(0, 0, 255));
        RestoreScreenRect(canvas.Dc());
        CHECK(canvas.At(25, 25) == RGB(10, 20, 30));
        CHECK(GdiObjectCount() == withCanvas + 2);

        ReleaseScreenBuffer();
        CHECK(GdiObjectCount() == withCanvas);
    }
    SUBCASE("an empty rectangle saves nothing and makes nothing") {
        const RECT empty = {5, 5, 5, 9};
        SaveScreenRect(canvas.Dc(), &empty);
        RestoreScreenRect(canvas.Dc());
        CHECK(GdiObjectCount() == withCanvas);
        CHECK(canvas.Count(RGB(255, 255, 255)) == 40 * 40);
    }
    ReleaseScreenBuffer();
}
