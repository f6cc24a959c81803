// The map options and the calibrator in the running window: the folder
// rescanned on OK, a calibrated screenshot listed by the scan and painted
// on the Map screen where its edges say, and every input they refuse.
#include "option_test_util.h"

#include "app/options.h"
#include "gps/geodesy.h"
#include "maps/map_files.h"
#include "maps/offline_maps.h"
#include "maps/viewport.h"
#include "resources/resource.h"

#include <commctrl.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using namespace optiontest;

namespace {

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr wchar_t kMapCaption[] = L"Map Options";
constexpr wchar_t kCalibratorCaption[] = L"Calibrator";

std::wstring Wide(const std::string& s)
{
    return std::wstring(s.begin(), s.end());
}

// The maps folder of the fixture's store, created, scanned and set.
struct MapsFixture : WindowFixture {
    std::string maps = dir.File("maps");
    MapsFixture()
    {
        mapstest::StartGdiplus();
        CreateDirectoryA(maps.c_str(), nullptr);
        SetFolder(maps);
        OfflineMaps.clear();
        MapGridEnabled = false;   // the pictures' colours, not the grid's lines
    }
    ~MapsFixture()
    {
        OfflineMaps.clear();
        ReleaseMapImage();
        ResetView(nullptr, true);
    }
    static void SetFolder(const std::string& folder)
    {
        std::snprintf(OfflineMapsFolder, sizeof OfflineMapsFolder, "%s", folder.c_str());
    }
    std::vector<std::string> MapFiles() const
    {
        std::vector<std::string> names;
        WIN32_FIND_DATAA found{};
        HANDLE h = FindFirstFileA((maps + "\\*.png").c_str(), &found);
        if (h == INVALID_HANDLE_VALUE)
            return names;
        do
            names.push_back(found.cFileName);
        while (FindNextFileA(h, &found));
        FindClose(h);
        return names;
    }
    // OK on the map options as they are.
    bool ConfirmMapOptions()
    {
        DialogAnswerer a(kMapCaption, [](HWND) { return IDOK; });
        Command(IDM_OPTIONS_MAP);
        return a.Answered();
    }
    // The calibrator filled in and saved; the question answered with answer.
    // box gets the text of any other message.
    bool Calibrate(const std::wstring& x, const std::wstring& y, const std::wstring& zoom, const std::wstring& image,
                   int answer = IDYES, std::wstring* box = nullptr)
    {
        std::wstring other;
        if (!box)
            box = &other;
        bool stillOpen = false;
        DialogAnswerer question(
            kProgramTitle,
            [&](HWND b) {
                const std::wstring text = BoxText(b);
                if (text == L"Save converted map to your maps directory?")
                    return answer;
                *box = text;
                return IDOK;
            },
            true);
        DialogAnswerer calibrator(kCalibratorCaption, [&](HWND d) {
            SetItem(d, IDC_CALIBRATE_X, x.c_str());
            SetItem(d, IDC_CALIBRATE_Y, y.c_str());
            SetItem(d, IDC_CALIBRATE_ZOOM, zoom.c_str());
            SetItem(d, IDC_CALIBRATE_IMAGE, image.c_str());
            SavePicture(d, "DIALOG_GOOGLECALIBRATE.png");
            SendMessageW(d, WM_COMMAND, IDOK, 0);
            stillOpen = IsWindow(d) && IsWindowVisible(d);
            return stillOpen ? IDCANCEL : 0;
        });
        Command(IDM_CALIBRATOR);
        return calibrator.Answered() && !stillOpen;
    }
    // Row of the Maps list, loaded into the Map screen and painted.
    testsupport::DibCanvas* ShowOnMap(int row, testsupport::DibCanvas* canvas)
    {
        Command(IDM_SCREEN_MAPS);
        LVITEMW state{};
        state.stateMask = LVIS_SELECTED;
        state.state = LVIS_SELECTED;
        SendMessageW(MainListView, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&state));
        Command(IDM_MAPLIST_LOAD);
        Pump();   // the posted Map screen command
        UpdateWindow(window);
        HDC dc = GetDC(window);
        BitBlt(canvas->Dc(), 0, 0, canvas->Width(), canvas->Height(), dc, 0, 0, SRCCOPY);
        ReleaseDC(window, dc);
        return canvas;
    }
};

// Edges from a calibrated file name "west_north_east_south.png".
MAP_EDGES EdgesOf(const std::string& name)
{
    MAP_EDGES e{};
    std::sscanf(name.c_str(), "%f_%f_%f_%f", &e.west, &e.north, &e.east, &e.south);
    return e;
}

// Pixels of r that are mostly colour c (JPEG shifts colours a little).
int CountNear(const testsupport::DibCanvas& canvas, const RECT& r, COLORREF c)
{
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x) {
            const COLORREF p = canvas.Pixel(x, y);
            if (std::abs(GetRValue(p) - GetRValue(c)) < 40 && std::abs(GetGValue(p) - GetGValue(c)) < 40 &&
                std::abs(GetBValue(p) - GetBValue(c)) < 40)
                ++n;
        }
    return n;
}

}  // namespace

TEST_CASE("map options: exclusive sources, the folder rescanned on OK, a folder too long refused")
{
    MapsFixture f;
    REQUIRE(mapstest::WritePng(f.maps + "\\10_50_11_49.png", 8, 8, kRed, kBlue));

    SUBCASE("201 and 205 exclude each other; the last one checked wins") {
        DialogAnswerer a(kMapCaption, [](HWND d) {
            SendDlgItemMessageW(d, IDC_MAPOPT_OFFLINE, BM_CLICK, 0, 0);
            SendDlgItemMessageW(d, IDC_MAPOPT_DYNAMIC, BM_CLICK, 0, 0);
            CHECK_FALSE(Checked(d, IDC_MAPOPT_OFFLINE));
            SendDlgItemMessageW(d, IDC_MAPOPT_OFFLINE, BM_CLICK, 0, 0);
            CHECK_FALSE(Checked(d, IDC_MAPOPT_DYNAMIC));
            Check(d, IDC_MAPOPT_GRID, false);
            return IDOK;
        });
        f.Command(IDM_OPTIONS_MAP);
        CHECK(a.Answered());
        CHECK(OfflineMapsEnabled);
        CHECK_FALSE(OnlineMapsEnabled);
        CHECK_FALSE(MapGridEnabled);
        const std::string file = f.SavedFile();
        CHECK(file.find("lod=\"0\" mfp=\"0\" mpc=\"0\" lof=\"1\" sdm=\"0\" mrp=\"0\" mug=\"0\" offlinemaps=\"" + f.maps +
                        "\"") != std::string::npos);
    }
    SUBCASE("OK with the folder unchanged rescans it") {
        CHECK(f.ConfirmMapOptions());
        CHECK(OfflineMaps.size() == 1);
        REQUIRE(mapstest::WritePng(f.maps + "\\12_50_13_49.png", 8, 8, kRed, kBlue));
        CHECK(f.ConfirmMapOptions());
        CHECK(OfflineMaps.size() == 2);
    }
    SUBCASE("a folder of 300 bytes is refused with the dialog kept open; a missing folder or a file lists none") {
        std::wstring told;
        bool keptOpen = false;
        DialogAnswerer box(kProgramTitle, [&](HWND b) {
            told = BoxText(b);
            return IDOK;
        });
        DialogAnswerer a(kMapCaption, [&](HWND d) {
            SetItem(d, IDC_MAPOPT_FOLDER, std::wstring(300, L'a').c_str());
            SendMessageW(d, WM_COMMAND, IDOK, 0);
            keptOpen = IsWindowVisible(d) != FALSE;
            SetItem(d, IDC_MAPOPT_FOLDER, Wide(f.maps + "\\none").c_str());
            return IDOK;
        });
        f.Command(IDM_OPTIONS_MAP);
        CHECK(a.Answered());
        CHECK(keptOpen);
        CHECK(told.find(L"too long") != std::wstring::npos);
        CHECK(std::string(OfflineMapsFolder) == f.maps + "\\none");
        CHECK(OfflineMaps.empty());
        DialogAnswerer file(kMapCaption, [&](HWND d) {
            SetItem(d, IDC_MAPOPT_FOLDER, Wide(f.maps + "\\10_50_11_49.png").c_str());
            return IDOK;
        });
        f.Command(IDM_OPTIONS_MAP);
        CHECK(file.Answered());
        CHECK(OfflineMaps.empty());
    }
}

TEST_CASE("calibrated edges: 66 pixels per km at zoom 13, halved or doubled per level")
{
    MAP_EDGES e{};
    REQUIRE(CalibrateMapEdges(23.7, 37.9, 13, 660, 330, &e));
    CHECK(CalcDistanceKm(e.west, 37.9f, e.east, 37.9f) == doctest::Approx(10.0).epsilon(0.002));
    CHECK(CalcDistanceKm(23.7f, e.north, 23.7f, e.south) == doctest::Approx(5.0).epsilon(0.002));
    CHECK((e.west + e.east) / 2 == doctest::Approx(23.7).epsilon(1e-5));
    // Zoom 0: 66 / 2^13 pixels per km, so 66 pixels span 8192 km of the
    // equator, 8192 / 6371 radians.
    REQUIRE(CalibrateMapEdges(0, 0, 0, 66, 10, &e));
    CHECK(e.east - e.west == doctest::Approx(8192.0 / 6371.0 * 180.0 / 3.14159265).epsilon(0.001));
    CHECK(CalibrateMapEdges(0, 0, 12, 660, 330, &e));
    CHECK(CalcDistanceKm(e.west, 0, e.east, 0) == doctest::Approx(20.0).epsilon(0.002));
    // Round the globe, past a pole, or without extent: no map.
    CHECK_FALSE(CalibrateMapEdges(23.7, 37.9, -5, 660, 330, &e));
    CHECK_FALSE(CalibrateMapEdges(23.7, 37.9, 40, 660, 330, &e));
    CHECK_FALSE(CalibrateMapEdges(23.7, 89.9, 5, 660, 330, &e));
    CHECK_FALSE(CalibrateMapEdges(1e99, 37.9, 13, 660, 330, &e));
    CHECK_FALSE(CalibrateMapEdges(23.7, 37.9, LONG_MIN, 660, 330, &e));
}

TEST_CASE("the calibrator: PNG, JPEG and BMP screenshots become maps that are listed and painted")
{
    MapsFixture f;
    const std::string png = f.dir.File("shot.png");
    const std::string jpeg = f.dir.File("shot.jpg");
    const std::string bmp = f.dir.File("shot.bmp");
    REQUIRE(mapstest::WritePng(png, 660, 330, kRed, kBlue));
    REQUIRE(mapstest::WriteEncoded(Wide(jpeg), 660, 330, kBlue, kRed, L"image/jpeg"));
    REQUIRE(mapstest::WriteEncoded(Wide(bmp), 64, 32, kRed, kBlue, L"image/bmp"));

    SUBCASE("zoom 13 and 660 x 330: 10 km by 5 km; after the rescan it is listed and painted on its edges") {
        CHECK(f.Calibrate(L"23.7", L"37.9", L"13", Wide(png)));
        const std::vector<std::string> saved = f.MapFiles();
        REQUIRE(saved.size() == 1);
        const MAP_EDGES e = EdgesOf(saved[0]);
        CHECK(CalcDistanceKm(e.west, 37.9f, e.east, 37.9f) == doctest::Approx(10.0).epsilon(0.002));
        CHECK(CalcDistanceKm(23.7f, e.north, 23.7f, e.south) == doctest::Approx(5.0).epsilon(0.002));
        CHECK(OfflineMaps.empty());   // listed after the next scan
        CHECK(f.ConfirmMapOptions());
        REQUIRE(OfflineMaps.size() == 1);
        CHECK(OfflineMaps[0].width == 660);
        CHECK(OfflineMaps[0].height == 330);

        // The Map screen shows the map's area: red in its west half, blue in
        // its east half, within the grid's margin.
        RECT client{};
        GetClientRect(f.window, &client);
        testsupport::DibCanvas canvas(client.right, client.bottom);
        f.ShowOnMap(0, &canvas);
        CHECK(CurrentScreen == kScreenMap);
        CHECK(canvas.SavePng("calibrated_png_on_map.png"));
        const int midX = client.right / 2, midY = client.bottom / 2;
        const RECT west{25, midY - 20, midX - 5, midY + 20};
        const RECT east{midX + 5, midY - 20, client.right - 25, midY + 20};
        const int area = (west.right - west.left) * (west.bottom - west.top);
        CHECK(canvas.Count(west, kRed) > area * 8 / 10);
        CHECK(canvas.Count(east, kBlue) > area * 8 / 10);
    }
    SUBCASE("a JPEG is saved under a .png name, listed and painted; a BMP is listed with its size") {
        CHECK(f.Calibrate(L"-3.5", L"-12.25", L"14", Wide(jpeg)));
        CHECK(f.Calibrate(L"100", L"60", L"10", Wide(bmp)));
        CHECK(f.MapFiles().size() == 2);
        CHECK(f.ConfirmMapOptions());
        REQUIRE(OfflineMaps.size() == 2);
        int jpegRow = OfflineMaps[0].width == 660 ? 0 : 1;
        CHECK(OfflineMaps[1 - jpegRow].width == 64);
        CHECK(OfflineMaps[1 - jpegRow].height == 32);
        RECT client{};
        GetClientRect(f.window, &client);
        testsupport::DibCanvas canvas(client.right, client.bottom);
        f.ShowOnMap(jpegRow, &canvas);
        CHECK(canvas.SavePng("calibrated_jpeg_on_map.png"));
        const int midX = client.right / 2, midY = client.bottom / 2;
        const RECT west{25, midY - 20, midX - 5, midY + 20};
        const RECT east{midX + 5, midY - 20, client.right - 25, midY + 20};
        const int area = (west.right - west.left) * (west.bottom - west.top);
        CHECK(CountNear(canvas, west, kBlue) > area * 8 / 10);
        CHECK(CountNear(canvas, east, kRed) > area * 8 / 10);
    }
    SUBCASE("No saves nothing; an empty field keeps the dialog; bad images and zooms are told, nothing saved") {
        CHECK(f.Calibrate(L"23.7", L"37.9", L"13", Wide(png), IDNO));
        CHECK(f.MapFiles().empty());
        CHECK_FALSE(f.Calibrate(L"23.7", L"37.9", L"", Wide(png)));
        const std::string text = f.dir.File("notes.png");
        FILE* out = std::fopen(text.c_str(), "wb");
        REQUIRE(out);
        std::fputs("not an image", out);
        std::fclose(out);
        struct BAD {
            std::wstring x, zoom, image;
            const wchar_t* told;
        };
        const std::vector<BAD> bad = {
            {L"23.7", L"13", Wide(text), L"cannot be opened"},
            {L"23.7", L"13", std::wstring(1000, L'x') + L".png", L"cannot be opened"},
            {L"23.7", L"13", Wide(f.dir.File(std::string(1200, 'y') + ".png")), L"cannot be opened"},
            {L"23.7", L"-5", Wide(png), L"no usable map"},
            {L"23.7", L"40", Wide(png), L"no usable map"},
            {L"23.7", L"4294967296", Wide(png), L"no usable map"},
            {L"23.7", L"1e99", Wide(png), L"no usable map"},
            {L"1e99", L"13", Wide(png), L"no usable map"},
        };
        for (const BAD& b : bad) {
            CAPTURE(std::string(b.zoom.begin(), b.zoom.end()));
            std::wstring told;
            CHECK_FALSE(f.Calibrate(b.x, L"37.9", b.zoom, b.image, IDYES, &told));
            CHECK(told.find(b.told) != std::wstring::npos);
        }
        CHECK(f.MapFiles().empty());
        // A maps folder that is gone: the failed copy is told.
        MapsFixture::SetFolder(f.maps + "\\gone");
        std::wstring told;
        CHECK(f.Calibrate(L"23.7", L"37.9", L"13", Wide(png), IDYES, &told));
        CHECK(told.find(L"could not be saved") != std::wstring::npos);
    }
}
