// Online map images in the running main window. A server of the test's own
// on 127.0.0.1 plays the map-image service: it answers the service request
// with an XML document naming a PNG on the same server, and serves the PNG.
#include <doctest.h>

#include "support/http_server.h"

#include "app/window_fixture.h"
#include "kit/settings.h"
#include "maps/offline_maps.h"
#include "maps/online_maps.h"
#include "maps/viewport.h"
#include "resources/resource.h"

#include <cstdio>
#include <string>
#include <vector>

using testsupport::FileText;
using testsupport::FolderNames;
using testsupport::HttpReply;
using testsupport::HttpServer;

namespace {

using Names = std::vector<std::string>;
constexpr char kServicePath[] = "/MapsService/V1/mapImage";
constexpr int kImageWidth = 120;
constexpr int kImageHeight = 90;
constexpr COLORREF kImageColour = RGB(200, 40, 160);   // nothing else on the Map screen

std::string ImagePng()
{
    const std::vector<uint32_t> pixels(kImageWidth * kImageHeight, 0xC828A0);   // kImageColour as 0xRRGGBB
    return testsupport::EncodePng(kImageWidth, kImageHeight, pixels.data());
}

std::string Answer(const std::string& image)
{
    return "<?xml version=\"1.0\"?>\r\n<ResultSet><Result>" + image + "</Result></ResultSet>\r\n";
}

struct Fixture : windowtest::MainWindowFixture {
    HttpServer server;
    std::string address = server.Url("");
    std::string maps = dir.File("maps");
    std::string here;   // where the test was started: the PNG goes there

    Fixture()
    {
        REQUIRE(server.Port() != 0);
        char current[MAX_PATH] = {};
        GetCurrentDirectoryA(MAX_PATH, current);
        here = current;
        // ".\r.xml" and ".\map.png" are relative to the working folder.
        REQUIRE(SetCurrentDirectoryA(dir.Path().c_str()));
        REQUIRE(CreateDirectoryA(maps.c_str(), nullptr));
        std::snprintf(OfflineMapsFolder, sizeof OfflineMapsFolder, "%s", maps.c_str());
        OnlineMapService = {address.c_str(), "test-app-id"};
        server.Answer(kServicePath, {200, Answer(server.Url("/img/map.png"))});
        server.Answer("/img/map.png", {200, ImagePng()});
        OnlineMapsEnabled = true;
        Open();
    }
    ~Fixture()
    {
        Close();
        OnlineMapsEnabled = SaveOnlineMaps = false;
        OnlineMapService = kOnlineMapService;
        ReleaseMapImage();
        ResetView(nullptr, true);
        SetCurrentDirectoryA(here.c_str());
    }
    SIZE Client() const
    {
        const RECT r = MainWindowFixture::Client();
        return {r.right, r.bottom};
    }
};

// "image_width=W&image_height=H" of a service request line.
SIZE RequestedSize(const std::string& line)
{
    unsigned width = 0, height = 0;
    const size_t at = line.find("&image_width=");
    if (at != std::string::npos)
        std::sscanf(line.c_str() + at, "&image_width=%u&image_height=%u", &width, &height);
    return {static_cast<LONG>(width), static_cast<LONG>(height)};
}

}  // namespace

TEST_CASE_FIXTURE(Fixture, "the Map screen shows the service's image for its window")
{
    Command(IDM_SCREEN_MAP);
    const auto seen = server.Requests();
    REQUIRE(seen.size() == 2);
    const std::string& request = seen[0].line;
    CHECK(request.rfind("GET /MapsService/V1/mapImage?appid=test-app-id&image_type=png&longitude=0.000000"
                        "&latitude=0.000000&radius=", 0) == 0);
    // The whole world: from the centre to the west edge is half the equator,
    // pi x 6371 km; the radius is half of that in statute miles.
    double radius = 0;
    CHECK(std::sscanf(request.c_str() + request.find("&radius=") + 8, "%lf", &radius) == 1);
    CHECK(radius == doctest::Approx(3.14159265 * 6371 / 1.609344 / 2).epsilon(0.0001));
    CHECK(RequestedSize(request).cx == Client().cx - 40);
    CHECK(RequestedSize(request).cy == Client().cy - 40);
    CHECK(seen[1].line == "GET /img/map.png HTTP/1.1");
    CHECK(FileText(dir.File("map.png")) == ImagePng());
    CHECK(FolderNames(dir.Path()) == Names{"map.png", "maps", "r.xml"});

    // Unscaled at the grid's corner, under its lines.
    REQUIRE(MapImage.bitmap);
    CHECK((MapImage.projected.right == 0 && MapImage.projected.bottom == 0));
    UpdateWindow(window);
    testsupport::DibCanvas canvas(window);
    CHECK(canvas.SavePng(here + "\\online_map_screen.png"));
    CHECK(canvas.Count({20, 20, 20 + kImageWidth, 20 + kImageHeight}, kImageColour) >
          kImageWidth * kImageHeight * 3 / 4);
    CHECK(canvas.Count({20, 20 + kImageHeight + 2, 20 + kImageWidth, Client().cy}, kImageColour) == 0);
}

TEST_CASE_FIXTURE(Fixture, "which views ask for images, and of what size")
{
    SUBCASE("with \"lod\" off, view changes make no request and no file") {
        OnlineMapsEnabled = false;
        Command(IDM_SCREEN_MAP);
        Command(IDM_ZOOM_IN);
        CHECK(server.RequestCount() == 0);
        CHECK(FolderNames(dir.Path()) == Names{"maps"});
    }
    SUBCASE("each zoom asks again; on the Path screen 4 pixels smaller than the window") {
        Command(IDM_SCREEN_MAP);
        Command(IDM_ZOOM_IN);
        CHECK(server.RequestCount() == 4);
        Command(IDM_SCREEN_PATH);
        Command(IDM_ZOOM_OUT);
        REQUIRE(server.RequestCount() == 6);
        const SIZE asked = RequestedSize(server.Requests()[4].line);
        CHECK((asked.cx == Client().cx - 4 && asked.cy == Client().cy - 4));
    }
}

TEST_CASE_FIXTURE(Fixture, "with \"sdm\" the image is kept as a map, and a failed fetch keeps it")
{
    SaveOnlineMaps = true;
    Command(IDM_SCREEN_MAP);
    const std::string stored = "-180.000000_90.000000_180.000000_-90.000000.png";
    REQUIRE(FolderNames(maps) == Names{stored});
    const std::wstring folder(maps.begin(), maps.end());
    ScanOfflineMaps(folder.c_str());
    REQUIRE(OfflineMaps.size() == 1);
    CHECK((OfflineMaps[0].width == kImageWidth && OfflineMaps[0].south == -90.0f && OfflineMaps[0].east == 180.0f));

    // Each bad answer in turn: the stored map stays, no half file appears,
    // no image shows, and an error answer is not kept as the service's.
    const std::string image = server.Url("/img/map.png");
    struct BAD {
        const char* what;
        HttpReply service;
        HttpReply picture;
        size_t requests;
    };
    const std::vector<BAD> cases = {
        {"the image is missing", {200, Answer(image)}, {404, "<html>gone</html>"}, 2},
        {"the image is no image", {200, Answer(image)}, {200, "not a PNG at all"}, 2},
        {"the image is cut off", {200, Answer(image)}, {200, ImagePng(), testsupport::ReplyShape::CutOff}, 2},
        {"the service fails", {500, "<html>error</html>"}, {}, 1},
        {"the answer has no children", {200, "<?xml version=\"1.0\"?>\r\n<ResultSet/>\r\n"}, {}, 1},
        {"the answer is not XML", {200, "\x89PNG binary junk <<<"}, {}, 1},
        {"the address is no web address", {200, Answer("file:///C:/windows/win.ini")}, {}, 1},
        {"the address is too long", {200, Answer(image + std::string(kMaxImageAddressBytes, 'a'))}, {}, 1},
    };
    for (const BAD& c : cases) {
        CAPTURE(c.what);
        server.Answer(kServicePath, c.service);
        server.Answer("/img/map.png", c.picture);
        const size_t before = server.RequestCount();
        const std::string answer = FileText(dir.File("r.xml"));
        Command(IDM_SCREEN_MAP);
        CHECK(server.RequestCount() - before == c.requests);
        CHECK(FileText(maps + "\\" + stored) == ImagePng());
        CHECK(FolderNames(maps) == Names{stored});
        CHECK(FolderNames(dir.Path()) == Names{"maps", "r.xml"});
        CHECK(MapImage.bitmap == nullptr);
        if (c.service.status != 200)
            CHECK(FileText(dir.File("r.xml")) == answer);
    }
    std::string closed;
    {
        HttpServer gone;
        closed = gone.Url("");
    }
    OnlineMapService = {closed.c_str(), "test-app-id"};
    Command(IDM_SCREEN_MAP);
    CHECK(FolderNames(maps) == Names{stored});
    CHECK(MapImage.bitmap == nullptr);
}
