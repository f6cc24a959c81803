// The shared drawing and angle functions: turning points, folding angles,
// all-pairs lines and the marker's back buffer, checked on the pixels of a
// DIB section.
#include <doctest.h>

#include "kit/draw.h"
#include "support/dib_canvas.h"
#include "support/gdi_count.h"

#include <cstring>
#include <cwchar>
#include <vector>

using testsupport::GdiObjectCount;

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);

// A canvas filled white.
struct Canvas : testsupport::DibCanvas {
    Canvas(int width, int height) : DibCanvas(width, height) { Fill(kWhite); }
};

}  // namespace

TEST_CASE("RotatePointInRect turns clockwise on the screen about the centre")
{
    const RECT r = {0, 0, 100, 60};   // centre (50, 30)

    // Exactly 0 returns the input bit for bit, sign of zero included.
    const FLOAT_POINT in = {-0.0f, 1.1f};
    const FLOAT_POINT same = RotatePointInRect(in, &r, 0.0f);
    CHECK(std::memcmp(&same, &in, sizeof in) == 0);

    const FLOAT_POINT quarter = RotatePointInRect({50.0f, 10.0f}, &r, kPiF / 2);
    CHECK(quarter.x == doctest::Approx(70.0).epsilon(1e-5));   // above -> right
    CHECK(quarter.y == doctest::Approx(30.0).epsilon(1e-5));
    const FLOAT_POINT half = RotatePointInRect({60.0f, 35.0f}, &r, kPiF);
    CHECK(half.x == doctest::Approx(40.0).epsilon(1e-5));
    CHECK(half.y == doctest::Approx(25.0).epsilon(1e-5));

    // The centre is halved in whole pixels: (12, 12), not (12.5, 12.5).
    const RECT odd = {10, 10, 15, 15};
    const FLOAT_POINT centre = RotatePointInRect({12.0f, 12.0f}, &odd, 1.0f);
    CHECK(centre.x == doctest::Approx(12.0));
    CHECK(centre.y == doctest::Approx(12.0));
}

TEST_CASE("Folding angles takes one step only")
{
    const int rows[][2] = {{-30, 330}, {725, 365}, {360, 0}, {359, 359}, {-1, 359}, {-400, -40}};
    for (const auto& row : rows) {
        int angle = row[0];
        CHECK(WrapDegrees(&angle) == row[1]);
        CHECK(angle == row[1]);
    }
    float radians = -0.5f;
    WrapRadians(&radians);
    CHECK(radians == kTwoPiF - 0.5f);
    radians = 20.0f;
    WrapRadians(&radians);
    CHECK(radians == 20.0f - kTwoPiF);
    CHECK(PlanarDistance({1.0f, 2.0f}, {4.0f, 6.0f}) == 5.0f);
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

    wchar_t small[4];
    NumberTextWidth(canvas.Dc(), small, 4, -90.0f);
    CHECK(std::wcscmp(small, L"-90") == 0);   // cut and terminated
    NumberTextWidth(canvas.Dc(), buffer, 1000, 3.4e38f);
    CHECK(std::wcslen(buffer) == 44);
}

TEST_CASE("DrawAllPairLines joins every point to every later one")
{
    Canvas canvas(64, 64);
    // The path records one move per line.
    auto countLines = [&](std::vector<POINT> points) {
        BeginPath(canvas.Dc());
        DrawAllPairLines(canvas.Dc(), points.data(), static_cast<int>(points.size()));
        EndPath(canvas.Dc());
        const int n = GetPath(canvas.Dc(), nullptr, nullptr, 0);
        std::vector<POINT> at(n + 1);
        std::vector<BYTE> types(n + 1);
        GetPath(canvas.Dc(), at.data(), types.data(), n);
        AbortPath(canvas.Dc());
        int moves = 0;
        for (int i = 0; i < n; ++i)
            moves += types[i] == PT_MOVETO;
        return moves;
    };
    CHECK(countLines({{10, 10}, {50, 10}, {30, 50}}) == 3);
    CHECK(countLines({{10, 10}, {50, 10}, {50, 50}, {10, 50}}) == 6);
    CHECK(countLines({{10, 10}}) == 0);
    CHECK(canvas.Count(kWhite) == 64 * 64);

    // On the pixels: a square gets its four sides and both diagonals.
    const POINT square[] = {{10, 10}, {50, 10}, {50, 50}, {10, 50}};
    DrawAllPairLines(canvas.Dc(), square, 4);
    const POINT inked[] = {{30, 10}, {50, 30}, {30, 50}, {10, 30}, {30, 30}, {20, 40}, {40, 20}};
    for (POINT p : inked)
        CHECK(canvas.Pixel(p.x, p.y) == RGB(0, 0, 0));
    CHECK(canvas.Pixel(40, 30) == kWhite);
}

TEST_CASE("The back buffer puts the background under the marker back")
{
    ReleaseScreenBuffer();
    Canvas canvas(40, 40);
    const unsigned start = GdiObjectCount();
    CHECK(start != 0);

    RestoreScreenRect(canvas.Dc());   // nothing saved yet
    const RECT empty = {5, 5, 5, 9};
    SaveScreenRect(canvas.Dc(), &empty);
    RestoreScreenRect(canvas.Dc());
    CHECK(canvas.Count(kWhite) == 40 * 40);
    CHECK(GdiObjectCount() == start);

    canvas.Fill({0, 0, 40, 40}, RGB(10, 20, 30));
    canvas.Fill({14, 14, 18, 18}, RGB(200, 0, 0));
    const RECT marker = {12, 12, 20, 20};
    SaveScreenRect(canvas.Dc(), &marker);
    CHECK(GdiObjectCount() == start + 2);   // its DC and its bitmap
    canvas.Fill(marker, RGB(0, 0, 255));
    RestoreScreenRect(canvas.Dc());
    CHECK(canvas.Pixel(12, 12) == RGB(10, 20, 30));
    CHECK(canvas.Pixel(19, 19) == RGB(10, 20, 30));
    CHECK(canvas.Pixel(15, 15) == RGB(200, 0, 0));
    CHECK(canvas.Count(RGB(0, 0, 255)) == 0);

    // A moving marker reuses the bitmap.
    const RECT moved = {22, 22, 30, 30};
    SaveScreenRect(canvas.Dc(), &moved);
    canvas.Fill(moved, RGB(0, 0, 255));
    RestoreScreenRect(canvas.Dc());
    CHECK(canvas.Pixel(25, 25) == RGB(10, 20, 30));
    CHECK(GdiObjectCount() == start + 2);

    ReleaseScreenBuffer();
    CHECK(GdiObjectCount() == start);
}
