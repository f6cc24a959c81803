// The offline maps folder: which files are listed, which map a view
// chooses, where its pixels land, and when a decoded image is reused.
#include <doctest.h>

#include "app/settings.h"
#include "maps/offline_maps.h"
#include "maps/painter.h"
#include "map_files.h"
#include "support/dib_canvas.h"
#include "support/test_support.h"
#include "view_fixture.h"

#include <algorithm>
#include <string>

using mapstest::Image;
using mapstest::TwoColourImage;
using testsupport::DibCanvas;
using testsupport::TempDir;

namespace {

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kGreen = RGB(0, 255, 0);
constexpr COLORREF kYellow = RGB(255, 255, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);

// The Map screen's grid area on a 240 x 320 client.
constexpr RECT kInner = {20, 20, 220, 300};

MAP_COLLECTION Map(float west, float north, float east, float south)
{
    MAP_COLLECTION m{};
    m.west = west;
    m.north = north;
    m.east = east;
    m.south = south;
    return m;
}

std::vector<MAP_FOUND> AllCandidates()
{
    std::vector<MAP_FOUND> c;
    for (size_t i = 0; i < OfflineMaps.size(); ++i)
        c.push_back({static_cast<int>(i), 0, 0});
    return c;
}

std::wstring NameOf(const MAP_COLLECTION& m)
{
    const wchar_t* slash = std::wcsrchr(m.path, L'\\');
    return slash ? slash + 1 : m.path;
}

// Every test starts without maps or image and leaves none behind.
struct MapsState : mapstest::ViewFixture {
    MapsState()
    {
        mapstest::StartGdiplus();
        OfflineMaps.clear();
        ReleaseMapImage();
        MapImage.projected = RECT{};
        OnlineMapsEnabled = false;
    }
    ~MapsState()
    {
        OfflineMaps.clear();
        ReleaseMapImage();
    }
};

void SetWriteTime(const std::wstring& path, const FILETIME& time)
{
    HANDLE file = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    SetFileTime(file, nullptr, nullptr, &time);
    CloseHandle(file);
}

FILETIME WriteTime(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
    return data.ftLastWriteTime;
}

}  // namespace

TEST_CASE_FIXTURE(MapsState, "The maps folder lists calibrated PNG, JPEG and GIF images only")
{
    TempDir dir;
    const Image image = TwoColourImage(8, 6, kRed, kBlue);
    const std::wstring folder = dir.WPath();
    REQUIRE(mapstest::WritePngImage(dir.File("10_50_11_49.PnG"), image));
    REQUIRE(mapstest::WriteEncodedImage(folder + L"\\20.5_60_21_59.5.jpg", image, L"image/jpeg"));
    REQUIRE(mapstest::WriteEncodedImage(folder + L"\\-30_-40_-29_-41.GIF", image, L"image/gif"));
    // Not maps: no four values, south 0.0 (the equator too), another
    // extension, a folder, and an image name whose file does not decode.
    mapstest::WritePngImage(dir.File("a_b.png"), image);
    mapstest::WritePngImage(dir.File("1_2_3_0.png"), image);
    mapstest::WritePngImage(dir.File("1_2_3_4.jpeg"), image);
    mapstest::WritePngImage(dir.File("readme.txt"), image);
    CreateDirectoryW((folder + L"\\5_6_7_8.png").c_str(), nullptr);
    HANDLE junk = CreateFileW((folder + L"\\1_2_3_4.gif").c_str(), GENERIC_WRITE, 0, nullptr,
                              CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(junk, "not an image", 12, &written, nullptr);
    CloseHandle(junk);

    ScanOfflineMaps(folder.c_str());
    std::vector<MAP_COLLECTION> maps = OfflineMaps;
    std::sort(maps.begin(), maps.end(),
              [](const MAP_COLLECTION& a, const MAP_COLLECTION& b) { return NameOf(a) < NameOf(b); });
    REQUIRE(maps.size() == 4);
    CHECK(NameOf(maps[0]) == L"-30_-40_-29_-41.GIF");
    CHECK(maps[0].south == -41.0f);
    CHECK(NameOf(maps[1]) == L"10_50_11_49.PnG");
    CHECK(std::wstring(maps[1].path) == folder + L"\\10_50_11_49.PnG");
    CHECK(maps[1].west == 10.0f);
    CHECK(maps[1].north == 50.0f);
    CHECK(maps[1].east == 11.0f);
    CHECK(maps[1].south == 49.0f);
    CHECK(NameOf(maps[2]) == L"1_2_3_4.gif");
    CHECK(maps[2].width == 0);   // listed by its name, but GDI+ cannot open it
    CHECK(NameOf(maps[3]) == L"20.5_60_21_59.5.jpg");
    CHECK(maps[3].west == 20.5f);
    for (int i : {0, 1, 3}) {
        CHECK(maps[i].width == 8);
        CHECK(maps[i].height == 6);
    }

    SUBCASE("a path beyond the entry's 300 characters is skipped, its neighbour listed") {
        const std::wstring deep = folder + L"\\" + std::wstring(150, L'd');
        REQUIRE(CreateDirectoryW((L"\\\\?\\" + deep).c_str(), nullptr));
        const std::wstring longName = L"12_52_13_51_" + std::wstring(160, L'x') + L".png";
        REQUIRE(deep.size() + 1 + longName.size() >= kMapPathSize);
        CopyFileW((folder + L"\\10_50_11_49.PnG").c_str(), (L"\\\\?\\" + deep + L"\\" + longName).c_str(), FALSE);
        CopyFileW((folder + L"\\10_50_11_49.PnG").c_str(), (L"\\\\?\\" + deep + L"\\12_52_13_51.png").c_str(), FALSE);
        ScanOfflineMaps(deep.c_str());
        REQUIRE(OfflineMaps.size() == 1);
        CHECK(NameOf(OfflineMaps[0]) == L"12_52_13_51.png");
        DeleteFileW((L"\\\\?\\" + deep + L"\\" + longName).c_str());
        DeleteFileW((L"\\\\?\\" + deep + L"\\12_52_13_51.png").c_str());
        RemoveDirectoryW((L"\\\\?\\" + deep).c_str());
    }
    SUBCASE("no folder, a missing one or a 400-character one lists nothing") {
        ScanOfflineMaps(nullptr);
        CHECK(OfflineMaps.empty());
        ScanOfflineMaps((folder + L"\\missing").c_str());
        CHECK(OfflineMaps.empty());
        ScanOfflineMaps(std::wstring(400, L'm').c_str());
        CHECK(OfflineMaps.empty());
    }
}

TEST_CASE_FIXTURE(MapsState, "The map whose projection fits the view best is chosen")
{
    SetWindow(49, 10, 50, 11);   // south, west, north, east

    SUBCASE("a close fit beats a map that covers by a wide margin") {
        OfflineMaps = {Map(9, 51, 12, 48), Map(10, 50, 11, 49)};
        std::vector<MAP_FOUND> c = AllCandidates();
        CHECK(ChooseBestMap(&kInner, &c) == 1);
        CHECK(c[0].score == -(600 - 200) - (840 - 280));
        CHECK(c[1].score == 0);
        CHECK(EqualRect(&MapImage.projected, &kInner));
    }
    SUBCASE("equal scores keep the map found first; a strictly better one replaces it") {
        OfflineMaps = {Map(9.5f, 50.5f, 11.5f, 48.5f), Map(9.5f, 50.5f, 11.5f, 48.5f),
                       Map(9.75f, 50.25f, 11.25f, 48.75f)};
        std::vector<MAP_FOUND> c = AllCandidates();
        c.pop_back();
        CHECK(ChooseBestMap(&kInner, &c) == 0);
        c = AllCandidates();
        CHECK(ChooseBestMap(&kInner, &c) == 2);
        CHECK(MapImage.projected.left == 20 - 50);
        CHECK(MapImage.projected.top == 20 - 70);
    }
    SUBCASE("a small map inside the window scores -10 less its size difference") {
        OfflineMaps = {Map(10.25f, 49.75f, 10.75f, 49.25f)};
        std::vector<MAP_FOUND> c = AllCandidates();
        CHECK(ChooseBestMap(&kInner, &c) == 0);
        CHECK(c[0].score == -10 - 100 - 140);
        const RECT expected{70, 90, 170, 230};
        CHECK(EqualRect(&MapImage.projected, &expected));
    }
    SUBCASE("no candidates, or a window without width, choose nothing and keep the rectangle") {
        const RECT before{1, 2, 3, 4};
        MapImage.projected = before;
        std::vector<MAP_FOUND> none;
        CHECK(ChooseBestMap(&kInner, &none) == -1);
        OfflineMaps = {Map(10, 50, 11, 49)};
        std::vector<MAP_FOUND> c = AllCandidates();
        SetWindow(49, 10, 50, 10);
        CHECK(ChooseBestMap(&kInner, &c) == -1);
        CHECK(EqualRect(&MapImage.projected, &before));
    }
}

TEST_CASE_FIXTURE(MapsState, "The chosen image lands on its edges and is decoded again only when its file changes")
{
    TempDir dir;
    const std::string file = dir.File("10_50_11_49.png");
    const std::wstring wfile = mapstest::Widen(file);
    REQUIRE(mapstest::WritePngImage(file, TwoColourImage(40, 28, kRed, kBlue)));
    ScanOfflineMaps(dir.WPath().c_str());
    REQUIRE(OfflineMaps.size() == 1);
    SetWindow(49, 10, 50, 11);
    DibCanvas canvas(240, 320);
    canvas.Fill(kWhite);

    DrawMapImage(canvas.Dc(), &kInner);
    CHECK(canvas.Pixel(21, 21) == kRed);
    CHECK(canvas.Pixel(118, 299) == kRed);
    CHECK(canvas.Pixel(122, 21) == kBlue);
    CHECK(canvas.Pixel(219, 299) == kBlue);
    CHECK(canvas.Pixel(19, 19) == kWhite);
    CHECK(canvas.Pixel(220, 300) == kWhite);

    SUBCASE("a map larger than the view is stretched but drawn only inside the grid") {
        SetWindow(49.25, 10.25, 49.75, 10.75);
        canvas.Fill(kWhite);
        DrawMapImage(canvas.Dc(), &kInner);
        CHECK(canvas.Pixel(20, 160) == kRed);
        CHECK(canvas.Pixel(219, 160) == kBlue);
        CHECK(canvas.Pixel(19, 160) == kWhite);
        CHECK(canvas.Pixel(220, 160) == kWhite);
        CHECK(canvas.Pixel(120, 19) == kWhite);
    }
    SUBCASE("the same path, size and write time paint the kept bitmap; a new write time decodes") {
        const FILETIME first = WriteTime(wfile);
        REQUIRE(mapstest::WritePngImage(file, TwoColourImage(40, 28, kGreen, kYellow)));
        SetWriteTime(wfile, first);
        DrawMapImage(canvas.Dc(), &kInner);
        CHECK(canvas.Pixel(60, 160) == kRed);
        FILETIME later = first;
        later.dwHighDateTime += 1;
        SetWriteTime(wfile, later);
        DrawMapImage(canvas.Dc(), &kInner);
        CHECK(canvas.Pixel(60, 160) == kGreen);
        CHECK(canvas.Pixel(180, 160) == kYellow);
    }
    SUBCASE("a deleted file leaves no image; the rectangle stays") {
        REQUIRE(DeleteFileW(wfile.c_str()));
        canvas.Fill(kWhite);
        DrawMapImage(canvas.Dc(), &kInner);
        CHECK(MapImage.bitmap == nullptr);
        CHECK(canvas.Pixel(60, 160) == kWhite);
        CHECK(EqualRect(&MapImage.projected, &kInner));
    }
    SUBCASE("with online maps on, the online image is copied unscaled to the corner") {
        OnlineMapsEnabled = true;
        const HBITMAP online = CreateCompatibleBitmap(canvas.Dc(), 10, 10);
        {
            DibCanvas source(10, 10);
            source.Fill(kGreen);
            const HDC memory = CreateCompatibleDC(canvas.Dc());
            const HGDIOBJ old = SelectObject(memory, online);
            BitBlt(memory, 0, 0, 10, 10, source.Dc(), 0, 0, SRCCOPY);
            SelectObject(memory, old);
            DeleteDC(memory);
        }
        SetMapImage(online, nullptr);
        canvas.Fill(kWhite);
        DrawMapImage(canvas.Dc(), &kInner);
        CHECK(MapImage.bitmap == online);
        CHECK(canvas.Pixel(20, 20) == kGreen);
        CHECK(canvas.Pixel(29, 29) == kGreen);
        CHECK(canvas.Pixel(30, 30) == kWhite);
        OnlineMapsEnabled = false;
    }
}
