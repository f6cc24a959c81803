// The handheld image loaders on real PNG, JPEG and GIF files.
#include <doctest.h>

#include "maps/map_files.h"
#include "platform/handheld/handheld.h"
#include "support/dib_canvas.h"
#include "support/test_support.h"

#include <algorithm>
#include <cstdlib>
#include <string>

using testsupport::DibCanvas;
using testsupport::TempDir;

namespace {

constexpr COLORREF kLeft = RGB(220, 30, 30);
constexpr COLORREF kRight = RGB(30, 30, 220);
constexpr COLORREF kPaper = RGB(255, 255, 255);

// JPEG shifts colours a little.
bool Near(COLORREF a, COLORREF b)
{
    return std::abs(GetRValue(a) - GetRValue(b)) < 24 && std::abs(GetGValue(a) - GetGValue(b)) < 24 &&
           std::abs(GetBValue(a) - GetBValue(b)) < 24;
}

// 40 x 20 pixels, the left half kLeft, the right half kRight.
std::wstring TwoColourFile(const TempDir& dir, const std::string& extension)
{
    const std::string path = dir.File("map." + extension);
    const std::wstring wide = testsupport::Wide(path);
    if (extension == "png")
        REQUIRE(mapstest::WritePng(path, 40, 20, kLeft, kRight));
    else
        REQUIRE(mapstest::WriteEncoded(wide, 40, 20, kLeft, kRight, extension == "jpg" ? L"image/jpeg" : L"image/gif"));
    return wide;
}

// Seconds of the fastest of five draws.
template <typename Image>
double FastestDraw(Image& image, HDC dc, const RECT& to)
{
    LARGE_INTEGER frequency, a, b;
    QueryPerformanceFrequency(&frequency);
    double best = 1e9;
    for (int i = 0; i < 5; ++i) {
        QueryPerformanceCounter(&a);
        image.Draw(dc, to);
        QueryPerformanceCounter(&b);
        best = std::min(best, double(b.QuadPart - a.QuadPart) / double(frequency.QuadPart));
    }
    return best;
}

}  // namespace

// The pixels themselves are compared with the desktop's decoder in the
// running programs (test_handheld_programs.cpp).
TEST_CASE("the shell's loader and the imaging object read PNG, JPEG and GIF")
{
    TempDir dir;
    for (const char* extension : {"png", "jpg", "gif"}) {
        CAPTURE(extension);
        const std::wstring file = TwoColourFile(dir, extension);
        HBITMAP bitmap = HandheldShellLoadImage(file.c_str());
        BITMAP info{};
        CHECK(GetObjectW(bitmap, sizeof info, &info));
        CHECK((info.bmWidth == 40 && info.bmHeight == 20 && info.bmBitsPixel == 32));
        DeleteObject(bitmap);

        const ImagingFactory factory;
        const auto image = factory.CreateImageFromFile(file.c_str());
        REQUIRE(image);
        CHECK((image->GetSize().cx == 40 && image->GetSize().cy == 20));
        const SIZE made = factory.CreateBitmapFromImage(*image)->GetSize();
        CHECK((made.cx == 40 && made.cy == 20));
        DibCanvas canvas(100, 60);
        canvas.Fill(kPaper);
        CHECK(image->Draw(canvas.Dc(), RECT{10, 20, 90, 60}));   // twice the size, nothing outside
        CHECK((Near(canvas.Pixel(12, 40), kLeft) && Near(canvas.Pixel(87, 40), kRight)));
        CHECK(canvas.Count(canvas.Rect(), kPaper) == 100 * 60 - 80 * 40);
    }
}

TEST_CASE("files that are no images give no image")
{
    TempDir dir;
    std::string png;
    TwoColourFile(dir, "png");
    REQUIRE(testsupport::ReadFile(dir.File("map.png"), &png));
    REQUIRE(testsupport::WriteWholeFile(dir.File("cut.png"), png.substr(0, png.size() / 2)));
    REQUIRE(testsupport::WriteWholeFile(dir.File("text.png"), "not a picture"));
    for (const std::string name : {"cut.png", "text.png", "missing.png"}) {
        CAPTURE(name);
        const std::wstring file = testsupport::Wide(dir.File(name));
        CHECK_FALSE(HandheldShellLoadImage(file.c_str()));
        CHECK_FALSE(ImagingFactory().CreateImageFromFile(file.c_str()));
    }
    CHECK_FALSE(HandheldShellLoadImage(nullptr));
}

TEST_CASE("an image drawn into a huge rectangle scales only the part that shows")
{
    TempDir dir;
    const auto image = ImagingFactory().CreateImageFromFile(TwoColourFile(dir, "png").c_str());
    REQUIRE(image);
    DibCanvas canvas(100, 40);
    // The halves meet at x = 50, two million pixels from either edge. The
    // draw costs about what the same visible part costs in a rectangle of
    // its own size (the fastest of a few runs each, so that a busy machine
    // does not decide).
    const RECT huge{-1999950, -10, 2000050, 50}, plain{-50, -10, 150, 50};
    const double hugeTime = FastestDraw(*image, canvas.Dc(), huge);
    CHECK(hugeTime < 100 * FastestDraw(*image, canvas.Dc(), plain) + 0.005);
    CHECK(image->Draw(canvas.Dc(), huge));
    CHECK(canvas.Count({0, 0, 50, 40}, kLeft) == 50 * 40);
    CHECK(canvas.Count({50, 0, 100, 40}, kRight) == 50 * 40);
}
