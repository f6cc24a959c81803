// Online map images in a handheld build: the service played by a server of
// the test's own on 127.0.0.1, the image loaded by the build's loader and
// drawn by its painter into the grid.
#include <doctest.h>

#include "support/dib_canvas.h"
#include "support/http_server.h"
#include "support/test_support.h"

#include "app/settings.h"
#include "maps/offline_maps.h"
#include "maps/online_maps.h"
#include "maps/painter.h"

#include <windows.h>

#include <string>
#include <vector>

TEST_CASE("the service's image is loaded and drawn over the grid")
{
    testsupport::TempDir dir;
    wchar_t here[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, here);
    // ".\r.xml", ".\map.png" and "\My Documents" are found from the current folder.
    REQUIRE(SetCurrentDirectoryW(dir.WPath().c_str()));

    // A window whose grid (its client less 20 on each side) is 160 x 120.
    HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 200, 160, nullptr, nullptr, nullptr, nullptr);
    REQUIRE(window);
    std::vector<uint32_t> pixels(160 * 120, 0x3070C0);
    for (int y = 0; y < 120; ++y)
        for (int x = 80; x < 160; ++x)
            pixels[y * 160 + x] = 0xE0A020;
    testsupport::HttpServer server;
    const std::string address = server.Url("");
    server.Answer("/MapsService/V1/mapImage",
                  {200, "<ResultSet><Result>" + server.Url("/map.png") + "</Result></ResultSet>"});
    server.Answer("/map.png", {200, testsupport::EncodePng(160, 120, pixels.data())});
    OnlineMapService = {address.c_str(), "test"};
    OnlineMapsEnabled = true;

    FetchOnlineMapImage(window);
    CHECK(server.RequestCount() == 2);
    REQUIRE(MapImage.bitmap);
#if defined(PATHVEX_PPC)
    CHECK(GetFileAttributesW(L"\\My Documents\\map.png") != INVALID_FILE_ATTRIBUTES);
#else
    CHECK(GetFileAttributesW(L".\\map.png") != INVALID_FILE_ATTRIBUTES);
#endif
    testsupport::DibCanvas canvas(200, 160);
    canvas.Fill(RGB(255, 255, 255));
    const RECT grid{20, 20, 180, 140};
    DrawMapImage(canvas.Dc(), &grid);
    CHECK(canvas.Count({20, 20, 100, 140}, RGB(0x30, 0x70, 0xC0)) == 80 * 120);
    CHECK(canvas.Count({100, 20, 180, 140}, RGB(0xE0, 0xA0, 0x20)) == 80 * 120);
    CHECK(canvas.Count(canvas.Rect(), RGB(255, 255, 255)) == 200 * 160 - 160 * 120);

    ReleaseMapImage();
    OnlineMapsEnabled = false;
    OnlineMapService = kOnlineMapService;
    DestroyWindow(window);
    DeleteFileW(L"\\My Documents\\map.png");
    SetCurrentDirectoryW(here);
}
