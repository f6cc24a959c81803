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

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using namespace optiontest;

namespace {

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr wchar_t kMapCaption[] = L"Map Options";

using testsupport::Wide;

// The fixture's store with a maps folder of its own, no grid lines over the
// pictures.
struct MapsFixture : WindowFixture {
    std::string maps = dir.File("maps");
    MapsFixture()
    {
        mapstest::StartGdiplus();
        CreateDirectoryA(maps.c_str(), nullptr);
        SetFolder(maps);
        OfflineMaps.clear();
        MapGridEnabled = false;
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
        for (bool more = h != INVALID_HANDLE_VALUE; more; more = FindNextFileA(h, &found))
            names.push_back(found.cFileName);
        if (h != INVALID_HANDLE_VALUE)
            FindClose(h);
        return names;
    }
    bool ConfirmMapOptions()
    {
        DialogAnswerer a(kMapCaption, [](HWND) { return IDOK; });
        Command(IDM_OPTIONS_MAP);
        return a.Answered();
    }
    // Fills the calibrator and saves; the question gets answer, any other
    // message is kept in *told. True when the dialog ended.
    bool Calibrate(const std::wstring& x, const std::wstring& zoom, const std::wstring& image, int answer = IDYES,
                   std::wstring* told = nullptr)
    {
        std::wstring other;
        told = told ? told : &other;
        bool stillOpen = false;
        DialogAnswerer box(
            kProgramTitle,
            [&](HWND b) {
                if (BoxText(b) == L"Save converted map to your maps directory?")
                    return answer;
                *told = BoxText(b);
                return IDOK;
            },
            true);
        DialogAnswerer calibrator(L"Calibrator", [&](HWND d) {
            SetItem(d, IDC_CALIBRATE_X, x.c_str());
            SetItem(d, IDC_CALIBRATE_Y, L"37.9");
            SetItem(d, IDC_CALIBRATE_ZOOM, zoom.c_str());
            SetItem(d, IDC_CALIBRATE_IMAGE, image.c_str());
            SavePicture(d, "DIALOG_GOOGLECALIBRATE.png");
            SendMessageW(d, WM_COMMAND, IDOK, 0);
            stillOpen = IsWindowVisible(d) != FALSE;
            return stillOpen ? IDCANCEL : 0;
        });
        Command(IDM_CALIBRATOR);
        return calibrator.Answered() && !stillOpen;
    }
    // Loads row of the Maps list into the Map screen, as its menu does, and
    // tells whether the grid shows west in its west half and east in its
    // east half (near: JPEG shifts colours a little).
    bool PaintsHalves(int row, COLORREF west, COLORREF east, const std::string& picture)
    {
        Command(IDM_SCREEN_MAPS);
        LVITEMW state{};
        state.stateMask = state.state = LVIS_SELECTED;
        SendMessageW(MainListView, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&state));
        Command(IDM_MAPLIST_LOAD);
        Pump();   // the posted Map screen command
        CHECK(CurrentScreen == kScreenMap);
        const RECT client = Client();
        testsupport::DibCanvas canvas(window);
        CHECK(canvas.SavePng(picture));
        const auto share = [&](int left, int right, COLORREF c) {
            int n = 0, all = 0;
            for (int y = client.bottom / 2 - 20; y < client.bottom / 2 + 20; ++y)
                for (int x = left; x < right; ++x, ++all) {
                    const COLORREF p = canvas.Pixel(x, y);
                    n += std::abs(GetRValue(p) - GetRValue(c)) < 40 && std::abs(GetGValue(p) - GetGValue(c)) < 40 &&
                         std::abs(GetBValue(p) - GetBValue(c)) < 40;
                }
            return n * 10 > all * 8;
        };
        return share(25, client.right / 2 - 5, west) && share(client.right / 2 + 5, client.right - 25, east);
    }
};

}  // namespace

TEST_CASE("map options: exclusive sources, the folder rescanned on OK, a folder too long refused")
{
    MapsFixture f;
    REQUIRE(mapstest::WritePng(f.maps + "\\10_50_11_49.png", 8, 8, kRed, kBlue));

    SUBCASE("201 and 205 exclude each other; the last one checked wins") {
        CHECK(Answer(f, IDM_OPTIONS_MAP, kMapCaption, [](HWND d) {
            SendDlgItemMessageW(d, IDC_MAPOPT_OFFLINE, BM_CLICK, 0, 0);
            SendDlgItemMessageW(d, IDC_MAPOPT_DYNAMIC, BM_CLICK, 0, 0);
            CHECK_FALSE(Checked(d, IDC_MAPOPT_OFFLINE));
            SendDlgItemMessageW(d, IDC_MAPOPT_OFFLINE, BM_CLICK, 0, 0);
            CHECK_FALSE(Checked(d, IDC_MAPOPT_DYNAMIC));
            Check(d, IDC_MAPOPT_GRID, false);
        }));
        CHECK(OfflineMapsEnabled);
        CHECK_FALSE(OnlineMapsEnabled);
        CHECK(Contains(f.SavedFile(), "lod=\"0\" mfp=\"0\" mpc=\"0\" lof=\"1\" sdm=\"0\" mrp=\"0\" mug=\"0\" offlinemaps=\"" +
                                          f.maps + "\""));
    }
    SUBCASE("OK with the folder unchanged rescans it") {
        CHECK(f.ConfirmMapOptions());
        CHECK(OfflineMaps.size() == 1);
        REQUIRE(mapstest::WritePng(f.maps + "\\12_50_13_49.png", 8, 8, kRed, kBlue));
        CHECK(f.ConfirmMapOptions());
        CHECK(OfflineMaps.size() == 2);
    }
    SUBCASE("300 bytes are refused and the dialog stays; a missing folder or a file lists none") {
        std::wstring told;
        bool keptOpen = false;
        DialogAnswerer box(kProgramTitle, [&](HWND b) {
            told = BoxText(b);
            return IDOK;
        });
        CHECK(Answer(f, IDM_OPTIONS_MAP, kMapCaption, [&](HWND d) {
            SetItem(d, IDC_MAPOPT_FOLDER, std::wstring(300, L'a').c_str());
            SendMessageW(d, WM_COMMAND, IDOK, 0);
            keptOpen = IsWindowVisible(d) != FALSE;
            SetItem(d, IDC_MAPOPT_FOLDER, Wide(f.maps + "\\none").c_str());
        }));
        CHECK(keptOpen);
        CHECK(told.find(L"too long") != std::wstring::npos);
        CHECK(std::string(OfflineMapsFolder) == f.maps + "\\none");
        CHECK(OfflineMaps.empty());
        CHECK(Answer(f, IDM_OPTIONS_MAP, kMapCaption,
                     [&](HWND d) { SetItem(d, IDC_MAPOPT_FOLDER, Wide(f.maps + "\\10_50_11_49.png").c_str()); }));
        CHECK(OfflineMaps.empty());
    }
}

TEST_CASE("calibrated edges: the scale halves or doubles per zoom level; no map past a pole")
{
    MAP_EDGES e{};
    // Zoom 0: 66 / 2^13 pixels per km, so 66 pixels span 8192 km of the
    // equator, 8192 / 6371 radians.
    REQUIRE(CalibrateMapEdges(0, 0, 0, 66, 10, &e));
    CHECK(e.east - e.west == doctest::Approx(8192.0 / 6371.0 * 180.0 / 3.14159265).epsilon(0.001));
    REQUIRE(CalibrateMapEdges(0, 0, 12, 660, 330, &e));
    CHECK(CalcDistanceKm(e.west, 0, e.east, 0) == doctest::Approx(20.0).epsilon(0.002));
    CHECK_FALSE(CalibrateMapEdges(23.7, 89.9, 5, 660, 330, &e));
}

TEST_CASE("the calibrator: PNG, JPEG and BMP screenshots become maps that are listed and painted")
{
    MapsFixture f;
    const std::string png = f.dir.File("shot.png"), jpeg = f.dir.File("shot.jpg"), bmp = f.dir.File("shot.bmp");
    REQUIRE(mapstest::WritePng(png, 660, 330, kRed, kBlue));
    REQUIRE(mapstest::WriteEncoded(Wide(jpeg), 660, 330, kBlue, kRed, L"image/jpeg"));
    REQUIRE(mapstest::WriteEncoded(Wide(bmp), 64, 32, kRed, kBlue, L"image/bmp"));

    SUBCASE("zoom 13 and 660 x 330: 10 km by 5 km; after the rescan listed and painted on its edges") {
        CHECK(f.Calibrate(L"23.7", L"13", Wide(png)));
        const std::vector<std::string> saved = f.MapFiles();
        REQUIRE(saved.size() == 1);
        MAP_EDGES e{};
        std::sscanf(saved[0].c_str(), "%f_%f_%f_%f", &e.west, &e.north, &e.east, &e.south);
        CHECK(CalcDistanceKm(e.west, 37.9f, e.east, 37.9f) == doctest::Approx(10.0).epsilon(0.002));
        CHECK(CalcDistanceKm(23.7f, e.north, 23.7f, e.south) == doctest::Approx(5.0).epsilon(0.002));
        CHECK(OfflineMaps.empty());   // listed after the next scan
        CHECK(f.ConfirmMapOptions());
        REQUIRE(OfflineMaps.size() == 1);
        CHECK(OfflineMaps[0].width == 660);
        CHECK(f.PaintsHalves(0, kRed, kBlue, "calibrated_png_on_map.png"));
    }
    SUBCASE("a JPEG is saved under a .png name, listed and painted; a BMP is listed with its size") {
        CHECK(f.Calibrate(L"-3.5", L"14", Wide(jpeg)));
        CHECK(f.Calibrate(L"100", L"10", Wide(bmp)));
        CHECK(f.MapFiles().size() == 2);
        CHECK(f.ConfirmMapOptions());
        REQUIRE(OfflineMaps.size() == 2);
        const int jpegRow = OfflineMaps[0].width == 660 ? 0 : 1;
        CHECK(OfflineMaps[1 - jpegRow].height == 32);
        CHECK(f.PaintsHalves(jpegRow, kBlue, kRed, "calibrated_jpeg_on_map.png"));
    }
    SUBCASE("No saves nothing; an empty field keeps the dialog; what makes no map is told, nothing saved") {
        CHECK(f.Calibrate(L"23.7", L"13", Wide(png), IDNO));
        CHECK_FALSE(f.Calibrate(L"23.7", L"", Wide(png)));
        const std::string text = f.dir.File("notes.png");
        FILE* out = std::fopen(text.c_str(), "wb");
        REQUIRE(out);
        std::fputs("not an image", out);
        std::fclose(out);
        const std::wstring unreadable[] = {Wide(text), std::wstring(1000, L'x') + L".png",
                                           Wide(f.dir.File(std::string(1200, 'y') + ".png"))};
        for (const std::wstring& image : unreadable) {
            std::wstring told;
            CHECK_FALSE(f.Calibrate(L"23.7", L"13", image, IDYES, &told));
            CHECK(told.find(L"cannot be opened") != std::wstring::npos);
        }
        for (const auto& [x, zoom] : {std::pair{L"23.7", L"-5"}, {L"23.7", L"40"}, {L"23.7", L"4294967296"},
                                      {L"23.7", L"1e99"}, {L"1e99", L"13"}}) {
            CAPTURE(Narrow(zoom));
            std::wstring told;
            CHECK_FALSE(f.Calibrate(x, zoom, Wide(png), IDYES, &told));
            CHECK(told.find(L"no usable map") != std::wstring::npos);
        }
        CHECK(f.MapFiles().empty());
        // A maps folder that is gone: the failed copy is told.
        MapsFixture::SetFolder(f.maps + "\\gone");
        std::wstring told;
        CHECK(f.Calibrate(L"23.7", L"13", Wide(png), IDYES, &told));
        CHECK(told.find(L"could not be saved") != std::wstring::npos);
    }
}
