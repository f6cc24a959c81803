// The handheld image loaders on real PNG, JPEG and GIF files.
#include <doctest.h>

#include "maps/map_files.h"
#include "platform/handheld/handheld.h"
#include "support/dib_canvas.h"
#include "support/test_support.h"

#include <windows.h>

#include <cstdlib>
#include <string>

using testsupport::DibCanvas;
using testsupport::TempDir;

namespace {

constexpr COLORREF kLeft = RGB(220, 30, 30);
constexpr COLORREF kRight = RGB(30, 30, 220);
constexpr COLORREF kPaper = RGB(255, 255, 255);

// JPEG shifts colours a little and blurs the edge between the halves.
bool Near(COLORREF a, COLORREF b)
{
    return std::abs(GetRValue(a) - GetRValue(b)) < 24 && std::abs(GetGValue(a) - GetGValue(b)) < 24 &&
           std::abs(GetBValue(a) - GetBValue(b)) < 24;
}

// 40 x 20 pixels, the left half kLeft, the right half kRight, in the format
// of the extension.
std::string TwoColourFile(const TempDir& dir, const std::string& extension)
{
    const std::string path = dir.File("map." + extension);
    const std::wstring wide(path.begin(), path.end());
    if (extension == "png")
        REQUIRE(mapstest::WritePng(path, 40, 20, kLeft, kRight));
    else
        REQUIRE(mapstest::WriteEncoded(wide, 40, 20, kLeft, kRight,
                                       extension == "jpg" ? L"image/jpeg" : L"image/gif"));
    return path;
}

std::wstring Wide(const std::string& s)
{
    return std::wstring(s.begin(), s.end());
}

}  // namespace

TEST_CASE("the shell's loader and the imaging object decode PNG, JPEG and GIF")
{
    TempDir dir;
    for (const char* extension : {"png", "jpg", "gif"}) {
        CAPTURE(extension);
        const std::wstring file = Wide(TwoColourFile(dir, extension));

        HBITMAP bitmap = HandheldShellLoadImage(file.c_str());
        REQUIRE(bitmap);
        DIBSECTION dib{};
        REQUIRE(GetObjectW(bitmap, sizeof dib, &dib) == sizeof dib);
        CHECK((dib.dsBm.bmWidth == 40 && dib.dsBm.bmHeight == 20 && dib.dsBm.bmBitsPixel == 32));
        const auto* pixels = static_cast<const uint32_t*>(dib.dsBm.bmBits);
        auto colour = [&](int x, int y) {
            const uint32_t v = pixels[y * 40 + x];
            return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
        };
        CHECK(Near(colour(2, 10), kLeft));
        CHECK(Near(colour(37, 10), kRight));
        DeleteObject(bitmap);

        const ImagingFactory factory;
        const auto image = factory.CreateImageFromFile(file.c_str());
        REQUIRE(image);
        CHECK((image->GetSize().cx == 40 && image->GetSize().cy == 20));
        const auto made = factory.CreateBitmapFromImage(*image);
        CHECK((made->GetSize().cx == 40 && made->GetSize().cy == 20));
        DibCanvas canvas(100, 60);
        canvas.Fill(kPaper);
        CHECK(image->Draw(canvas.Dc(), RECT{10, 10, 90, 50}));   // twice the size
        CHECK(Near(canvas.Pixel(12, 30), kLeft));
        CHECK(Near(canvas.Pixel(87, 30), kRight));
        CHECK(canvas.Pixel(9, 30) == kPaper);
        CHECK(canvas.Pixel(90, 30) == kPaper);
        CHECK(canvas.Pixel(50, 50) == kPaper);
    }
}

TEST_CASE("files that are no images give no image")
{
    TempDir dir;
    std::string png;
    REQUIRE(testsupport::ReadFile(TwoColourFile(dir, "png"), &png));
    REQUIRE(testsupport::WriteWholeFile(dir.File("cut.png"), png.substr(0, png.size() / 2)));
    REQUIRE(testsupport::WriteWholeFile(dir.File("text.png"), "not a picture"));
    const ImagingFactory factory;
    for (const std::string name : {"cut.png", "text.png", "missing.png", ""}) {
        CAPTURE(name);
        const std::wstring file = name.empty() ? L"" : Wide(dir.File(name));
        CHECK_FALSE(HandheldShellLoadImage(file.c_str()));
        CHECK_FALSE(factory.CreateImageFromFile(file.c_str()));
    }
    CHECK_FALSE(HandheldShellLoadImage(nullptr));
}

TEST_CASE("an image drawn into a huge rectangle scales only the part that shows")
{
    TempDir dir;
    const auto image = ImagingFactory().CreateImageFromFile(Wide(TwoColourFile(dir, "png")).c_str());
    REQUIRE(image);
    DibCanvas canvas(100, 40);
    canvas.Fill(kPaper);
    const ULONGLONG start = GetTickCount64();
    // The halves meet at x = 50, two million pixels from either edge.
    CHECK(image->Draw(canvas.Dc(), RECT{-1999950, -10, 2000050, 50}));
    CHECK(GetTickCount64() - start < 2000);
    CHECK(canvas.Pixel(45, 20) == kLeft);
    CHECK(canvas.Pixel(55, 20) == kRight);
    CHECK(canvas.Count(canvas.Rect(), kPaper) == 0);
}
