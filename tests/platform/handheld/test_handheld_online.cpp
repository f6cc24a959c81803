// Online map images in a handheld build: the service played by a server of
// the test's own on 127.0.0.1, the image loaded by the build's loader and
// drawn by its painter over the grid.
#include <doctest.h>

#include "support/dib_canvas.h"
#include "support/http_server.h"
#include "support/test_support.h"

#include "kit/settings.h"
#include "maps/offline_maps.h"
#include "maps/online_maps.h"
#include "maps/painter.h"

#include <vector>

TEST_CASE("the service's image is loaded and drawn over the grid")
{
    testsupport::TempDir dir;
    wchar_t here[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, here);
    // ".\r.xml", ".\map.png" and "\My Documents" are found from the current folder.
    REQUIRE(SetCurrentDirectoryW(dir.WPath().c_str()));
    // The grid, the client less 20 on each side, is 160 x 120: the image's size.
    HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 200, 160, nullptr, nullptr, nullptr, nullptr);
    std::vector<uint32_t> pixels(160 * 120);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = i % 160 < 80 ? 0x3070C0 : 0xE0A020;
    testsupport::HttpServer server;
    const std::string address = server.Url("");
    server.Answer("/MapsService/V1/mapImage", {200, "<R><Result>" + server.Url("/map.png") + "</Result></R>"});
    server.Answer("/map.png", {200, testsupport::EncodePng(160, 120, pixels.data())});
    OnlineMapService = {address.c_str(), "test"};
    OnlineMapsEnabled = true;

    FetchOnlineMapImage(window);
    CHECK(server.RequestCount() == 2);
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

    ReleaseMapImage();
    OnlineMapsEnabled = false;
    OnlineMapService = kOnlineMapService;
    DestroyWindow(window);
    SetCurrentDirectoryW(here);
}
