// Online map images in the running main window. A server of the test's own
// on 127.0.0.1 plays the map-image service: it answers the service request
// with an XML document naming a PNG on the same server, and serves the PNG.
// The test looks at the requests, the files and the painted Map screen.
#include <doctest.h>

#include "support/dib_canvas.h"
#include "support/http_server.h"
#include "support/test_support.h"

#include "app/display.h"
#include "app/settings.h"
#include "app/shell.h"
#include "maps/offline_maps.h"
#include "maps/online_maps.h"
#include "maps/viewport.h"
#include "resources/resource.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

using testsupport::HttpReply;
using testsupport::HttpServer;
using testsupport::TempDir;

namespace {

constexpr char kServicePath[] = "/MapsService/V1/mapImage";
constexpr int kImageWidth = 120;
constexpr int kImageHeight = 90;
constexpr COLORREF kImageColour = RGB(200, 40, 160);

void Pump()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// A plain image in one colour that nothing else on the Map screen uses.
std::string ImagePng()
{
    const uint32_t rgb = (GetRValue(kImageColour) << 16) | (GetGValue(kImageColour) << 8) | GetBValue(kImageColour);
    const std::vector<uint32_t> pixels(static_cast<size_t>(kImageWidth) * kImageHeight, rgb);
    return testsupport::EncodePng(kImageWidth, kImageHeight, pixels.data());
}

std::vector<std::string> Listing(const std::string& folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE)
        return names;
    do {
        const std::string n = fd.cFileName;
        if (n != "." && n != "..")
            names.push_back(n);
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    return names;
}

std::string Contents(const std::string& path)
{
    std::string text;
    return testsupport::ReadFile(path, &text) ? text : "<missing>";
}

struct Fixture {
    TempDir dir;
    HttpServer server;
    std::string address;
    std::string maps;
    wchar_t previousDirectory[MAX_PATH] = {};
    std::string outputFolder;
    HWND window = nullptr;

    Fixture()
    {
        REQUIRE(server.Port() != 0);
        GetCurrentDirectoryW(MAX_PATH, previousDirectory);
        char current[MAX_PATH] = {};
        GetCurrentDirectoryA(MAX_PATH, current);
        outputFolder = current;
        // ".\r.xml" and ".\map.png" are relative to the working folder.
        REQUIRE(SetCurrentDirectoryA(dir.Path().c_str()));
        maps = dir.File("maps");
        REQUIRE(CreateDirectoryA(maps.c_str(), nullptr));
        std::snprintf(OfflineMapsFolder, sizeof OfflineMapsFolder, "%s", maps.c_str());
        address = server.Url("");
        OnlineMapService = {address.c_str(), "test-app-id"};
        AnswerWith(Answer(server.Url("/img/map.png")));
        server.Answer("/img/map.png", {200, ImagePng()});
        OnlineMapsEnabled = true;
        SaveOnlineMaps = false;
        ShellSeams = SHELL_SEAMS{};
        InstallSubsystemSeams();
        // As the start-up connects the viewport to the shell's seam.
        MapViewHooks.fetchOnlineImage = [](HWND w) { ShellSeams.fetchOnlineMapImage(w); };
        CreateFontSet();
        window = CreateMainWindow(GetModuleHandleW(nullptr));
        REQUIRE(window);
    }
    ~Fixture()
    {
        if (IsWindow(window))
            SendMessageW(window, WM_CLOSE, 0, 0);
        Pump();
        OnlineMapsEnabled = false;
        SaveOnlineMaps = false;
        OnlineMapService = kOnlineMapService;
        MapViewHooks.fetchOnlineImage = nullptr;
        ReleaseMapImage();
        ResetView(nullptr, true);
        DeleteFontSet();
        SetCurrentDirectoryW(previousDirectory);
    }
    static std::string Answer(const std::string& image)
    {
        return "<?xml version=\"1.0\"?>\r\n<ResultSet><Result>" + image + "</Result></ResultSet>\r\n";
    }
    void AnswerWith(const std::string& body, int status = 200) { server.Answer(kServicePath, {status, body}); }
    void Command(int id)
    {
        SendMessageW(window, WM_COMMAND, static_cast<WPARAM>(id), 0);
        Pump();
    }
    SIZE Client() const
    {
        RECT r{};
        GetClientRect(window, &r);
        return {r.right, r.bottom};
    }
    // The window as painted, read back from its DC.
    void Capture(testsupport::DibCanvas* canvas)
    {
        UpdateWindow(window);
        Pump();
        HDC dc = GetDC(window);
        BitBlt(canvas->Dc(), 0, 0, canvas->Width(), canvas->Height(), dc, 0, 0, SRCCOPY);
        ReleaseDC(window, dc);
    }
};

// "image_width=W&image_height=H" of a service request line.
bool RequestedSize(const std::string& line, unsigned* width, unsigned* height)
{
    const size_t at = line.find("&image_width=");
    return at != std::string::npos &&
           std::sscanf(line.c_str() + at, "&image_width=%u&image_height=%u", width, height) == 2;
}

}  // namespace

TEST_CASE("the Map screen shows the service's image for its window")
{
    Fixture f;
    f.Command(IDM_SCREEN_MAP);
    const auto seen = f.server.Requests();
    REQUIRE(seen.size() == 2);
    const std::string& request = seen[0].line;
    CHECK(request.rfind("GET /MapsService/V1/mapImage?appid=test-app-id&image_type=png&longitude=0.000000"
                        "&latitude=0.000000&radius=",
                        0) == 0);
    // The whole world: from the centre to the west edge is half the equator,
    // pi x 6371 km, and the radius half of that in statute miles.
    double radius = 0;
    CHECK(std::sscanf(request.c_str() + request.find("&radius=") + 8, "%lf", &radius) == 1);
    CHECK(radius == doctest::Approx(3.14159265 * 6371 / 1.609344 / 2).epsilon(0.0001));
    unsigned width = 0, height = 0;
    CHECK(RequestedSize(request, &width, &height));
    CHECK(width == static_cast<unsigned>(f.Client().cx - 40));
    CHECK(height == static_cast<unsigned>(f.Client().cy - 40));
    CHECK(seen[1].line == "GET /img/map.png HTTP/1.1");

    // Kept as ".\map.png", placed unscaled at the grid's corner.
    CHECK(Contents(f.dir.File("map.png")) == ImagePng());
    CHECK(Listing(f.dir.Path()) == std::vector<std::string>{"map.png", "maps", "r.xml"});
    REQUIRE(MapImage.bitmap);
    CHECK((MapImage.projected.right == 0 && MapImage.projected.bottom == 0));
    testsupport::DibCanvas canvas(f.Client().cx, f.Client().cy);
    f.Capture(&canvas);
    // Beside the test, not in the working folder that goes with the fixture.
    CHECK(canvas.SavePng(f.outputFolder + "\\online_map_screen.png"));
    const RECT image{20, 20, 20 + kImageWidth, 20 + kImageHeight};
    // Grid lines and labels cross the image; most of it shows.
    CHECK(canvas.Count(image, kImageColour) > kImageWidth * kImageHeight * 3 / 4);
    const RECT below{20, 20 + kImageHeight + 2, 20 + kImageWidth, f.Client().cy - 20};
    CHECK(canvas.Count(below, kImageColour) == 0);
}

TEST_CASE("which views ask for images, and of what size")
{
    Fixture f;
    SUBCASE("with \"lod\" off, view changes make no request and no file") {
        OnlineMapsEnabled = false;
        f.Command(IDM_SCREEN_MAP);
        f.Command(IDM_ZOOM_IN);
        f.Command(IDM_MOVE_UP);
        CHECK(f.server.RequestCount() == 0);
        CHECK(Listing(f.dir.Path()) == std::vector<std::string>{"maps"});
    }
    SUBCASE("every zoom on the Map screen asks again; the Path screen asks 4 pixels smaller") {
        f.Command(IDM_SCREEN_MAP);
        f.Command(IDM_ZOOM_IN);
        CHECK(f.server.RequestCount() == 4);
        f.Command(IDM_SCREEN_PATH);
        f.Command(IDM_ZOOM_OUT);
        const auto seen = f.server.Requests();
        REQUIRE(seen.size() == 6);
        unsigned width = 0, height = 0;
        CHECK(RequestedSize(seen[4].line, &width, &height));
        CHECK(width == static_cast<unsigned>(f.Client().cx - 4));
        CHECK(height == static_cast<unsigned>(f.Client().cy - 4));
    }
}

TEST_CASE("with \"sdm\" the image is kept as a map, and a failed fetch keeps it")
{
    Fixture f;
    SaveOnlineMaps = true;
    f.Command(IDM_SCREEN_MAP);
    const std::string stored = "-180.000000_90.000000_180.000000_-90.000000.png";
    REQUIRE(Listing(f.maps) == std::vector<std::string>{stored});
    CHECK(Listing(f.dir.Path()) == std::vector<std::string>{"maps", "r.xml"});
    const std::wstring folder(f.maps.begin(), f.maps.end());
    ScanOfflineMaps(folder.c_str());
    REQUIRE(OfflineMaps.size() == 1);
    CHECK(OfflineMaps[0].width == kImageWidth);
    CHECK(OfflineMaps[0].south == -90.0f);
    CHECK(OfflineMaps[0].east == 180.0f);

    // Each bad answer of the service or the image server in turn: the map
    // in the folder stays as it was, no half file appears, no image shows.
    const std::string tooLong = "http://127.0.0.1/" + std::string(kMaxImageAddressBytes, 'a') + ".png";
    struct BAD {
        const char* what;
        std::string serviceAnswer;
        int serviceStatus;
        HttpReply image;
        size_t requests;   // what the fetch asks for
    };
    const std::vector<BAD> cases = {
        {"the image is missing", f.Answer(f.server.Url("/img/map.png")), 200, {404, "<html>gone</html>"}, 2},
        {"the image is no image", f.Answer(f.server.Url("/img/map.png")), 200, {200, "not a PNG at all"}, 2},
        {"the image is cut off", f.Answer(f.server.Url("/img/map.png")), 200,
         {200, ImagePng(), testsupport::ReplyShape::CutOff}, 2},
        {"the service fails", "<html>error</html>", 500, {200, ImagePng()}, 1},
        {"the answer has no children", "<?xml version=\"1.0\"?>\r\n<ResultSet/>\r\n", 200, {200, ImagePng()}, 1},
        {"the answer is not XML", "\x89PNG binary junk <<<", 200, {200, ImagePng()}, 1},
        {"the address is no web address", f.Answer("file:///C:/windows/win.ini"), 200, {200, ImagePng()}, 1},
        {"the address is too long", f.Answer(tooLong), 200, {200, ImagePng()}, 1},
    };
    for (const BAD& c : cases) {
        CAPTURE(c.what);
        f.AnswerWith(c.serviceAnswer, c.serviceStatus);
        f.server.Answer("/img/map.png", c.image);
        const size_t before = f.server.RequestCount();
        const std::string answer = Contents(f.dir.File("r.xml"));
        f.Command(IDM_SCREEN_MAP);
        CHECK(f.server.RequestCount() - before == c.requests);
        // An error answer is not kept as the service's answer.
        if (c.serviceStatus != 200)
            CHECK(Contents(f.dir.File("r.xml")) == answer);
        CHECK(Contents(f.maps + "\\" + stored) == ImagePng());
        CHECK(Listing(f.maps) == std::vector<std::string>{stored});
        CHECK(Listing(f.dir.Path()) == std::vector<std::string>{"maps", "r.xml"});
        CHECK(MapImage.bitmap == nullptr);
    }
    SUBCASE("no server at all") {
        std::string closed;
        {
            HttpServer gone;
            closed = gone.Url("");
        }
        OnlineMapService = {closed.c_str(), "test-app-id"};
        f.Command(IDM_SCREEN_MAP);
        CHECK(Listing(f.maps) == std::vector<std::string>{stored});
        CHECK(MapImage.bitmap == nullptr);
    }
}
