// The offline maps folder: which files are listed, which map a view
// chooses, where its pixels land, when a decoded image is reused, and the
// Maps list screen with its menu (but for "View", which starts a viewer).
#include <doctest.h>

#include "kit/program.h"
#include "kit/settings.h"
#include "maps/offline_maps.h"
#include "maps/painter.h"
#include "map_files.h"
#include "resources/resource.h"
#include "support/dib_canvas.h"
#include "support/test_support.h"
#include "support/window_support.h"
#include "view_fixture.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <string>

using testsupport::DibCanvas;
using testsupport::TempDir;

namespace {

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kGreen = RGB(0, 255, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);
// The Map screen's grid area on a 240 x 320 client.
constexpr RECT kInner = {20, 20, 220, 300};

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
        SetMapImage(nullptr, nullptr);
        OnlineMapsEnabled = false;
    }
    ~MapsState()
    {
        OfflineMaps.clear();
        ReleaseMapImage();
        OnlineMapsEnabled = false;
    }
    // Scores every listed map for kInner.
    int Choose(std::vector<MAP_FOUND>* c = nullptr)
    {
        std::vector<MAP_FOUND> all;
        for (size_t i = 0; i < OfflineMaps.size(); ++i)
            all.push_back({static_cast<int>(i), 0, 0});
        const int chosen = ChooseBestMap(&kInner, &all);
        if (c)
            *c = all;
        return chosen;
    }
};

MAP_COLLECTION Map(float west, float north, float east, float south)
{
    return MAP_COLLECTION{{}, 0, 0, west, north, east, south};
}

// The delete question as the message box showed it, and the answer to
// give: read and pressed from the answerer's thread while the command waits.
struct DeleteQuestion {
    int answer, count;
    bool yesNo;          // Yes and No are its only buttons
    int defaultButton;
    std::wstring caption, text;
} Asked;

int AnswerDelete(HWND box)
{
    const bool yesNo = GetDlgItem(box, IDYES) && GetDlgItem(box, IDNO) && !GetDlgItem(box, IDOK) &&
                       !GetDlgItem(box, IDCANCEL);
    // The default button is the one drawn as such.
    int defaultButton = 0;
    for (int button : {IDYES, IDNO})
        if ((GetWindowLongW(GetDlgItem(box, button), GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
            defaultButton = button;
    Asked = {Asked.answer, Asked.count + 1, yesNo, defaultButton, testsupport::WindowText(box),
             testsupport::BoxText(box)};
    return Asked.answer;
}

}  // namespace

TEST_CASE_FIXTURE(MapsState, "The maps folder lists calibrated PNG, JPEG and GIF images only")
{
    TempDir dir;
    const std::wstring folder = dir.WPath();
    REQUIRE(mapstest::WritePng(dir.File("10_50_11_49.PnG"), 8, 6, kRed, kBlue));
    REQUIRE(mapstest::WriteEncoded(folder + L"\\20.5_60_21_59.5.jpg", 8, 6, kRed, kBlue, L"image/jpeg"));
    REQUIRE(mapstest::WriteEncoded(folder + L"\\-30_-40_-29_-41.GIF", 8, 6, kRed, kBlue, L"image/gif"));
    // Not maps: no four values, south 0.0 (the equator too), another
    // extension, a folder; listed with no size: a name whose file does not decode.
    for (const char* name : {"a_b.png", "1_2_3_0.png", "1_2_3_4.jpeg", "readme.txt"})
        mapstest::WritePng(dir.File(name), 4, 4, kRed, kBlue);
    std::FILE* junk = std::fopen(dir.File("1_2_3_4.gif").c_str(), "wb");
    std::fputs("not an image", junk);
    std::fclose(junk);
    CreateDirectoryW((folder + L"\\5_6_7_8.png").c_str(), nullptr);

    ScanOfflineMaps(folder.c_str());
    std::vector<MAP_COLLECTION> maps = OfflineMaps;
    std::sort(maps.begin(), maps.end(), [](auto& a, auto& b) { return NameOf(a) < NameOf(b); });
    REQUIRE(maps.size() == 4);
    CHECK(NameOf(maps[0]) == L"-30_-40_-29_-41.GIF");
    CHECK(NameOf(maps[1]) == L"10_50_11_49.PnG");
    CHECK(NameOf(maps[2]) == L"1_2_3_4.gif");
    CHECK(NameOf(maps[3]) == L"20.5_60_21_59.5.jpg");
    CHECK(std::wstring(maps[1].path) == folder + L"\\10_50_11_49.PnG");
    CHECK((maps[1].west == 10 && maps[1].north == 50 && maps[1].east == 11 && maps[1].south == 49));
    CHECK((maps[3].west == 20.5f && maps[3].south == 59.5f && maps[0].south == -41));
    CHECK((maps[2].width == 0 && maps[2].height == 0));
    for (int i : {0, 1, 3})
        CHECK((maps[i].width == 8 && maps[i].height == 6));

    SUBCASE("a path beyond the entry's 300 characters is skipped, its neighbour listed") {
        const std::wstring deep = L"\\\\?\\" + folder + L"\\" + std::wstring(150, L'd');
        const std::wstring longName = L"\\12_52_13_51_" + std::wstring(160, L'x') + L".png";
        REQUIRE(CreateDirectoryW(deep.c_str(), nullptr));
        const std::wstring source = folder + L"\\10_50_11_49.PnG";
        REQUIRE(CopyFileW(source.c_str(), (deep + longName).c_str(), FALSE));
        REQUIRE(CopyFileW(source.c_str(), (deep + L"\\12_52_13_51.png").c_str(), FALSE));
        ScanOfflineMaps(deep.c_str() + 4);
        REQUIRE(OfflineMaps.size() == 1);
        CHECK(NameOf(OfflineMaps[0]) == L"12_52_13_51.png");
        DeleteFileW((deep + longName).c_str());
        DeleteFileW((deep + L"\\12_52_13_51.png").c_str());
        RemoveDirectoryW(deep.c_str());
    }
    SUBCASE("no folder, a missing one or a 400-character one lists nothing") {
        for (const wchar_t* f : {static_cast<const wchar_t*>(nullptr), L"Q:\\missing"}) {
            ScanOfflineMaps(f);
            CHECK(OfflineMaps.empty());
        }
        ScanOfflineMaps(std::wstring(400, L'm').c_str());
        CHECK(OfflineMaps.empty());
    }
}

TEST_CASE_FIXTURE(MapsState, "The map whose projection fits the view best is chosen")
{
    SetWindow(49, 10, 50, 11);   // south, west, north, east
    std::vector<MAP_FOUND> c;
    // Wider than the window by 2 and 1 degrees: 600 x 840 pixels for 200 x 280.
    OfflineMaps = {Map(9, 51, 12, 48), Map(9.5f, 50.5f, 11.5f, 48.5f), Map(9.5f, 50.5f, 11.5f, 48.5f)};
    CHECK(Choose(&c) == 1);   // equal scores keep the first
    CHECK(c[0].score == -400 - 560);
    CHECK(c[1].score == -200 - 280);
    const RECT wide{20 - 100, 20 - 140, 220 + 100, 300 + 140};
    CHECK(EqualRect(&MapImage.projected, &wide));

    OfflineMaps.push_back(Map(10, 50, 11, 49));   // an exact fit
    CHECK(Choose(&c) == 3);
    CHECK(c[3].score == 0);
    CHECK(EqualRect(&MapImage.projected, &kInner));

    // A small map inside the window: -10, less its size difference.
    OfflineMaps = {Map(10.25f, 49.75f, 10.75f, 49.25f)};
    CHECK(Choose(&c) == 0);
    CHECK(c[0].score == -10 - 100 - 140);
    const RECT small{70, 90, 170, 230};
    CHECK(EqualRect(&MapImage.projected, &small));

    // A window without width chooses nothing and keeps the rectangle.
    SetWindow(49, 10, 50, 10);
    CHECK(Choose() == -1);
    CHECK(EqualRect(&MapImage.projected, &small));
}

TEST_CASE_FIXTURE(MapsState, "The chosen image lands on its edges and is decoded again only when its file changes")
{
    TempDir dir;
    const std::string file = dir.File("10_50_11_49.png");
    const std::wstring wfile = dir.WPath() + L"\\10_50_11_49.png";
    REQUIRE(mapstest::WritePng(file, 40, 28, kRed, kBlue));
    ScanOfflineMaps(dir.WPath().c_str());
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
    }
    SUBCASE("the same path, size and write time paint the kept bitmap; a new write time decodes") {
        WIN32_FILE_ATTRIBUTE_DATA data{};
        GetFileAttributesExW(wfile.c_str(), GetFileExInfoStandard, &data);
        REQUIRE(mapstest::WritePng(file, 40, 28, kGreen, kGreen));
        auto setWritten = [&](FILETIME t) {
            HANDLE h = CreateFileW(wfile.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
            SetFileTime(h, nullptr, nullptr, &t);
            CloseHandle(h);
        };
        setWritten(data.ftLastWriteTime);
        DrawMapImage(canvas.Dc(), &kInner);
        CHECK(canvas.Pixel(60, 160) == kRed);
        ++data.ftLastWriteTime.dwHighDateTime;
        setWritten(data.ftLastWriteTime);
        DrawMapImage(canvas.Dc(), &kInner);
        CHECK(canvas.Pixel(60, 160) == kGreen);
    }
    SUBCASE("a deleted file leaves no image") {
        REQUIRE(DeleteFileW(wfile.c_str()));
        canvas.Fill(kWhite);
        DrawMapImage(canvas.Dc(), &kInner);
        CHECK(MapImage.bitmap == nullptr);
        CHECK(canvas.Pixel(60, 160) == kWhite);
    }
    SUBCASE("with online maps on, the online image stays and is copied unscaled to the corner") {
        OnlineMapsEnabled = true;
        SetMapImage(DecodeMapImageFile(wfile.c_str()), nullptr);
        canvas.Fill(kWhite);
        DrawMapImage(canvas.Dc(), &kInner);
        CHECK(canvas.Pixel(20, 20) == kRed);
        CHECK(canvas.Pixel(59, 47) == kBlue);
        CHECK(canvas.Pixel(60, 48) == kWhite);
    }
}

TEST_CASE_FIXTURE(MapsState, "The Maps list shows every map; its menu deletes after asking and loads")
{
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    HWND window = CreateWindowExW(0, L"STATIC", L"maps", WS_POPUP, 0, 0, 240, 320, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    HWND list = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | LVS_REPORT, 0, 0, 240, 320, window,
                                reinterpret_cast<HMENU>(IDC_MAIN_LISTVIEW), nullptr, nullptr);
    REQUIRE(list);
    LVCOLUMNW column{};
    column.mask = LVCF_WIDTH;
    column.cx = 70;
    for (int i = 0; i < 3; ++i)
        ListView_InsertColumn(list, i, &column);
    TempDir dir;
    mapstest::WritePng(dir.File("-1.5_2.25_3_-4.png"), 4, 4, kRed, kBlue);
    mapstest::WritePng(dir.File("10_50_11_49.png"), 4, 4, kRed, kBlue);
    ScanOfflineMaps(dir.WPath().c_str());
    std::sort(OfflineMaps.begin(), OfflineMaps.end(), [](auto& a, auto& b) { return NameOf(a) < NameOf(b); });
    FillMapList(list);
    FillMapList(list);   // refilling replaces the rows
    auto cell = [&](int row, int column) { return testsupport::ListCell(list, row, column); };
    REQUIRE(ListView_GetItemCount(list) == 2);
    CHECK(cell(0, 0) == L"1");
    CHECK(cell(0, 1) == L"-1.500000,2.250000");
    CHECK(cell(0, 2) == L"3.000000,-4.000000");
    CHECK(cell(1, 0) == L"2");
    CHECK(cell(1, 1) == L"10.000000,50.000000");

    Asked = {IDNO, 0, false, 0, L"", L""};
    testsupport::DialogAnswerer answerer(kProgramTitle, AnswerDelete, true);
    MapListCommand(window, IDM_MAPLIST_DELETE);   // no row selected
    CHECK(Asked.count == 0);
    ListView_SetItemState(list, 0, LVIS_SELECTED, LVIS_SELECTED);
    const std::wstring path = OfflineMaps[0].path;

    SUBCASE("Delete answered No keeps file and row; Yes removes both") {
        MapListCommand(window, IDM_MAPLIST_DELETE);
        CHECK(Asked.text == L"Are you sure you want to delete this map?");
        CHECK(Asked.caption == kProgramTitle);
        CHECK(Asked.yesNo);
        CHECK(Asked.defaultButton == IDNO);
        CHECK(GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES);
        CHECK(ListView_GetItemCount(list) == 2);
        Asked.answer = IDYES;
        MapListCommand(window, IDM_MAPLIST_DELETE);
        CHECK(GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES);
        REQUIRE(OfflineMaps.size() == 1);
        CHECK(NameOf(OfflineMaps[0]) == L"10_50_11_49.png");
        CHECK(ListView_GetItemCount(list) == 1);
        CHECK(cell(0, 0) == L"1");
    }
    SUBCASE("Load in Map shows the map's area on the Map screen") {
        MapListCommand(window, IDM_MAPLIST_LOAD);
        CHECK(Edges() == "-4 -1.5 2.25 3");
        MSG msg{};
        CHECK(PeekMessageW(&msg, window, WM_COMMAND, WM_COMMAND, PM_REMOVE));
        CHECK(msg.wParam == IDM_SCREEN_MAP);
    }
    DestroyWindow(window);
}
