// The track, route and waypoint commands in the running main window, their
// dialogs and questions answered from a second thread, the documents they
// save read back from disk.
#include "option_test_util.h"

#include "gps/geodesy.h"
#include "kit/dialogs.h"
#include "maps/viewport.h"
#include "panes/panes.h"
#include "resources/resource.h"
#include "xml/xml.h"

#include <commctrl.h>

#include <string>
#include <utility>
#include <vector>

using namespace optiontest;

namespace {

STEP Type(const wchar_t* caption, std::wstring text, int button = IDOK)
{
    return {caption, L"", [text](HWND d) { SetDlgItemTextW(d, IDC_ENTRY_TEXT, text.c_str()); }, button};
}
// Chooses the entry with the text in a category list.
STEP Choose(const std::wstring& entry)
{
    return {L"Select Category", L"",
            [entry](HWND d) {
                const LRESULT i = SendDlgItemMessageW(d, IDC_ENTRY_TEXT, LB_FINDSTRINGEXACT, WPARAM(-1),
                                                      reinterpret_cast<LPARAM>(entry.c_str()));
                SendDlgItemMessageW(d, IDC_ENTRY_TEXT, LB_SETCURSEL, WPARAM(i), 0);
            },
            IDOK};
}

constexpr wchar_t kPlayOptions[] = L"Record Options";

const auto FileText = testsupport::FileBytes;
using testsupport::WriteWholeFile;
constexpr auto Has = Contains;

void Select(std::initializer_list<int> rows)
{
    ListView_SetItemState(MainListView, -1, 0, LVIS_SELECTED);
    for (int row : rows)
        ListView_SetItemState(MainListView, row, LVIS_SELECTED, LVIS_SELECTED);
}

std::wstring Cell(int row, int column) { return testsupport::ListCell(MainListView, row, column); }

int Rows()
{
    return ListView_GetItemCount(MainListView);
}

void SetLive(double x, double y, int fix)
{
    LiveRecordGuard live(&GpsDevice);
    *live = GPS_CURRENT{};
    live->pos = {x, y, 0.0, 0};
    live->fix = fix;
}

// Tracks at list positions 1 to 5: a corner recorded with speed and time,
// a category holding one track, a track without points, one of a single
// point, one of two.
constexpr char kTracks[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\r\n<root>\r\n<tracks>\r\n"
    "<t n=\"A\"><p x=\"10.000000\" y=\"0.000000\" z=\"0.000000\" spd=\"5.00\" time=\"10:00:00\"/>"
    "<p x=\"10.000000\" y=\"0.010000\" z=\"0.000000\" spd=\"5.00\" time=\"10:00:10\"/>"
    "<p x=\"10.010000\" y=\"0.010000\" z=\"0.000000\" spd=\"5.00\" time=\"10:00:20\"/></t>\r\n"
    "<c n=\"Cat\"><t n=\"Inner\"><p x=\"1\" y=\"1\" z=\"0\"/><p x=\"1.5\" y=\"1\" z=\"0\"/></t></c>\r\n"
    "<t n=\"Empty\"/>\r\n"
    "<t n=\"B\"><p x=\"5\" y=\"5\" z=\"0\"/></t>\r\n"
    "<t n=\"C\"><p x=\"6\" y=\"6\" z=\"0\"/><p x=\"6\" y=\"6.1\" z=\"0\"/></t>\r\n"
    "</tracks>\r\n</root>\r\n";

struct TrackList : WindowFixture {
    std::string file = dir.File("pathvextrk.xml");
    TrackList()
    {
        SetLive(0.0, 0.0, 0);
        REQUIRE(WriteWholeFile(file, kTracks));
        Command(IDM_SCREEN_TRACKS);
        REQUIRE(Rows() == 5);
    }
    std::string Saved() const { return FileText(file); }
};

}  // namespace

TEST_CASE("the track list's commands")
{
    TrackList f;
    SUBCASE("deleting rows 2 and 5 removes index 4, then 1") {
        Select({1, 4});
        Answers a({Reply(L"Delete selected tracks/categories?", IDYES)});
        f.Command(IDM_TRACKLIST_DELETE);
        CHECK(a.Done() == 1);
        const std::string saved = f.Saved();
        CHECK(Has(saved, "n=\"A\""));
        CHECK(Has(saved, "n=\"Empty\""));
        CHECK(Has(saved, "n=\"B\""));
        CHECK_FALSE(Has(saved, "Inner"));
        CHECK_FALSE(Has(saved, "n=\"C\""));
        CHECK(Rows() == 3);
    }
    SUBCASE("rename: any text is stored escaped; OK unchanged still saves and shows the top level") {
        Select({0});
        const std::wstring name = L"Q\"&<\u00e9>'" + std::wstring(990, L'x');
        Answers a({Type(L"Track name", name)});
        f.Command(IDM_TRACKLIST_RENAME);
        CHECK(Has(f.Saved(), "n=\"Q&quot;&amp;&lt;\xC3\xA9&gt;&apos;xxx"));
        CHECK(Cell(0, 1) == name.substr(0, 511));
        FillTrackList(nullptr, MainListView, CurrentTrackElement->GetChild(1));   // into "Cat"
        DeleteFileA(f.file.c_str());
        Select({0});
        Answers b({Press(L"Track name")});
        f.Command(IDM_TRACKLIST_RENAME);
        CHECK(Has(f.Saved(), "n=\"Inner\""));
        CHECK(Rows() == 5);
    }
    SUBCASE("a file changed on disk while the list shows: the list's document is saved, whole") {
        REQUIRE(WriteWholeFile(f.file, "<?xml version=\"1.0\"?><root><tracks><t n=\"other"));
        Select({3});
        Answers a({Type(L"Track name", L"B2")});
        f.Command(IDM_TRACKLIST_RENAME);
        const std::wstring path(f.file.begin(), f.file.end());
        XMLDocument doc;
        doc.Load(path.c_str(), XML_LOAD_WIDE_FILE);
        CHECK(doc.GetParseStatus(nullptr) == XML_STATUS_OK);
        const std::string saved = f.Saved();
        for (const char* name : {"n=\"A\"", "n=\"Inner\"", "n=\"Empty\"", "n=\"B2\"", "n=\"C\""})
            CHECK(Has(saved, name));
    }
    SUBCASE("move into a category, up again with \"..\", and never into itself") {
        Select({0});
        Answers a({Choose(L"Cat")});
        f.Command(IDM_TRACKLIST_MOVE);
        CHECK(Has(f.Saved(), "<c n=\"Cat\">\r\n\t\t\t<t n=\"Inner\">"));
        CHECK(Has(f.Saved(), "\t\t\t<t n=\"A\">"));
        REQUIRE(Rows() == 4);
        FillTrackList(nullptr, MainListView, CurrentTrackElement->GetChild(0));
        Select({0});
        Answers b({Choose(L"..")});
        f.Command(IDM_TRACKLIST_MOVE);
        CHECK(Has(f.Saved(), "\t\t<t n=\"Inner\">"));
        const std::string before = f.Saved();
        Select({0});
        Answers c({Choose(L"Cat")});
        f.Command(IDM_TRACKLIST_MOVE);
        CHECK(c.Done() == 1);
        CHECK(f.Saved() == before);
    }
    SUBCASE("Calculate Length: the legs summed; a category and an empty track are refused") {
        for (int row : {0, 1, 2, 3}) {
            Select({row});
            f.Command(IDM_TRACKLIST_LENGTH);
        }
        CHECK(Cell(0, 3) == L"2.22 Km");   // two legs of 0.01 degree at the equator
        CHECK(Cell(1, 3).empty());
        CHECK(Cell(2, 3).empty());
        CHECK(Cell(3, 3) == L"0.00 Km");
        DistanceUnit = 2;
        Select({0});
        f.Command(IDM_TRACKLIST_LENGTH);
        CHECK(Cell(0, 3) == L"1.20 Nmi");
        DistanceUnit = 0;
    }
    SUBCASE("Normalize drops speed and time and marks the track; categories and empty tracks are refused") {
        for (int row : {1, 2}) {
            Select({row});
            f.Command(IDM_TRACKLIST_NORMALIZE);
        }
        Select({0});
        f.Command(IDM_TRACKLIST_NORMALIZE);
        const std::string saved = f.Saved();
        CHECK(Has(saved, "<t n=\"A\" norm=\"1\">\r\n\t\t\t<p x=\"10.000000\" y=\"0.000000\" z=\"0.000000\" c=\"0\"/>"));
        CHECK_FALSE(Has(saved, "spd="));
        CHECK(Has(saved, "<p x=\"1\" y=\"1\" z=\"0\"/>"));   // "Inner" untouched
        CHECK(Has(saved, "<t n=\"Empty\"/>"));
        Select({0});
        Answers a({Reply(L"Track is already normalized.\r\nRetry normalization?", IDNO)});
        f.Command(IDM_TRACKLIST_NORMALIZE);
        CHECK(a.Done() == 1);
        CHECK(f.Saved() == saved);
    }
    SUBCASE("Run: a category or an empty track does not start; Run Reversed without a fix starts at the end") {
        for (int row : {1, 2}) {
            Select({row});
            f.Command(IDM_TRACKLIST_RUN);
        }
        CHECK(RecorderState == kRecorderIdle);
        Select({0});
        Answers a({Press(kPlayOptions), Reply(L"Normalize track before playback?", IDNO)});
        f.Command(IDM_TRACKLIST_RUN_REVERSED);
        CHECK(a.Done() == 2);
        CHECK(RecorderState == kRecorderFollowing);
        CHECK(CurrentScreen == kScreenPathView);
        CHECK(RoutePosition == 0);
        REQUIRE(ActiveTrack.points.size() == 3);
        CHECK(ActiveTrack.points[0].pos.x == 10.01);
        CHECK(DrawnPath.size() == 3);
        CHECK(TrackDocument == nullptr);
        SavePicture(f.window, "route_run_reversed.png");
        f.Command(IDM_TRACK_END);
        CHECK(RecorderState == kRecorderIdle);
    }
    SUBCASE("View in map draws the track on the map screen") {
        Select({4});
        f.Command(IDM_TRACKLIST_VIEW);
        CHECK(CurrentScreen == kScreenMap);
        CHECK(DrawnPath.size() == 2);
    }
}

TEST_CASE("routes to a typed target")
{
    WindowFixture f;
    SetLive(10.0, 0.0, 0);
    SUBCASE("Enter XY: a route of one point, drawn from here") {
        Answers a({{L"XYZ", L"",
                    [](HWND d) {
                        SetDlgItemTextW(d, IDC_XYZ_X, L"11");
                        SetDlgItemTextW(d, IDC_XYZ_Y, L"48");
                    },
                    IDOK},
                   Press(kPlayOptions)});
        f.Command(IDM_TRACK_ENTER_XY);
        CHECK(a.Done() == 2);
        CHECK(RecorderState == kRecorderFollowing);
        REQUIRE(ActiveTrack.points.size() == 1);
        CHECK(ActiveTrack.points[0].pos.x == 11.0);
        CHECK(ActiveTrack.points[0].pos.y == 48.0);
        CHECK(DrawnPath.size() == 2);
        CHECK(CurrentScreen == kScreenPathView);
        f.Command(IDM_TRACK_END);
    }
    SUBCASE("arrival repaints the GPS data screen without the route's parts") {
        Answers a({{L"XYZ", L"", [](HWND d) { SetDlgItemTextW(d, IDC_XYZ_X, L"10.001"); }, IDOK},
                   Press(kPlayOptions)});
        f.Command(IDM_TRACK_ENTER_XY);
        CHECK(a.Done() == 2);
        REQUIRE(RecorderState == kRecorderFollowing);
        SetLive(10.0, 0.0, 1);
        f.Command(IDM_SCREEN_GPS);
        SetForegroundWindow(f.window);
        Pump();
        const RECT client = f.Client();
        const RECT circle =
            LayoutPositionRose(client.right, client.bottom, 0, SpeedValueRect, kRecorderFollowing, true).turnCircle;
        const COLORREF gray = SchemeColor(ColorRole::Gray);
        CHECK(testsupport::DibCanvas(f.window).Count(circle, gray) > 50);

        // At the target: "OK", and the window hears of the arrival.
        SetLive(10.001, 0.0, 1);
        FollowRoute(&GpsDevice);
        CHECK(RecorderState == kRecorderIdle);
        Pump();
        testsupport::DibCanvas arrived(f.window);
        CHECK(arrived.SavePng("route_arrived_gps_screen.png"));
        CHECK(arrived.Count(circle, gray) == 0);
        // What a full paint of the idle screen shows, pixel for pixel.
        RefreshWindow(f.window);
        CHECK(testsupport::DibCanvas(f.window).Pixels() == arrived.Pixels());
    }
    SUBCASE("Distance from Here in nautical miles: 1 at 90 degrees is 1.852 km east") {
        DistanceUnit = 2;
        Answers a({Reply(L"Warning: GPS position is not valid!\r\nContinue?", IDYES),
                   Type(L"Distance go...", L"1"), Type(L"Distance go...", L"90"), Press(kPlayOptions)});
        f.Command(IDM_TRACK_FROM_HERE);
        DistanceUnit = 0;
        CHECK(a.Done() == 4);
        REQUIRE(ActiveTrack.points.size() == 1);
        const GPS_POSITION& t = ActiveTrack.points[0].pos;
        CHECK(CalcDistanceKm(10.0f, 0.0f, float(t.x), float(t.y)) == doctest::Approx(1.852).epsilon(0.001));
        CHECK(t.y == doctest::Approx(0.0).epsilon(1e-6));
        f.Command(IDM_TRACK_END);
    }
    SUBCASE("distances that are no number start nothing") {
        for (const wchar_t* bad : {L"nan", L"1e39", L"inf"}) {
            Answers a({Reply(L"Warning: GPS position is not valid!\r\nContinue?", IDYES),
                       Type(L"Distance go...", bad), Press(L"Distance go...")});
            f.Command(IDM_TRACK_FROM_HERE);
            CHECK(a.Done() == 3);
            CHECK(RecorderState == kRecorderIdle);
        }
    }
}

TEST_CASE("the waypoint list and its commands")
{
    WindowFixture f;
    XMLElement* category = AppendCategoryElement(WaypointsElement, "Cat");
    AddWaypointElement(nullptr, -0.5, 48.5, 100.0, "West", true);
    OpenWaypointCategory = category;
    AddWaypointElement(nullptr, 123.456789, 48.654321, 1.5, "Inside", true);
    OpenWaypointCategory = nullptr;
    RebuildWaypointList();
    f.Command(IDM_SCREEN_WAYPOINTS);
    REQUIRE(Rows() == 2);
    auto saved = [&] { return FileText(f.dir.File("pathvex.xml")); };

    SUBCASE("columns in degrees, minutes and seconds, or as stored") {
        CHECK(Cell(0, 1) == L"<Cat>");
        CHECK(Cell(1, 1) == L"West");
        CHECK(Cell(1, 2) == L"0 30' 0.000''W");
        CHECK(Cell(1, 3) == L"48 30' 0.000''N");
        CHECK(Cell(1, 4) == L"100.00");
        SavePicture(f.window, "waypoint_list.png");
        CoordinateMode = 1;
        f.Command(IDM_SCREEN_WAYPOINTS);
        CHECK(Cell(1, 2) == L"-0.500000");
        CoordinateMode = 0;
    }
    SUBCASE("Edit confirmed unchanged keeps every digit of the position") {
        FillWaypointList(nullptr, MainListView, category);
        Select({0});
        Answers a({Press(L"Name"), Press(L"XYZ")});
        f.Command(IDM_WAYPOINT_EDIT);
        CHECK(a.Done() == 2);
        CHECK(Has(saved(), "n=\"Inside\" x=\"123.456789\" y=\"48.654321\" z=\"1.500000\""));
        CHECK(Rows() == 2);   // the top level again
    }
    SUBCASE("Add current position asks about the fix; the name is cut to 99 bytes and stored escaped") {
        Answers no({Reply(L"Warning: GPS position is not valid!\r\nContinue?", IDNO)});
        f.Command(IDM_WAYPOINT_ADD_HERE);
        CHECK(no.Done() == 1);
        CHECK(Waypoints.size() == 2);
        SetLive(7.25, 50.5, 0);
        const std::wstring name = L"\"&\u00e9" + std::wstring(997, L'\u00e9');
        Answers a({Reply(L"Warning: GPS position is not valid!\r\nContinue?", IDYES), Type(L"Add Waypoint", name)});
        f.Command(IDM_WAYPOINT_ADD_HERE);
        CHECK(a.Done() == 2);
        REQUIRE(Waypoints.size() == 3);
        std::string stored;
        for (const WAYPOINT& w : Waypoints)
            if (w.pos.x == 7.25)
                stored = w.name;
        CHECK(stored.size() == 98);   // '"', '&' and 48 two-byte letters: a letter is never split
        CHECK(Has(saved(), "<w n=\"&quot;&amp;\xC3\xA9\xC3\xA9"));
        CHECK(Has(saved(), "x=\"7.250000\" y=\"50.500000\""));
        CHECK(Rows() == 3);
    }
    SUBCASE("delete everything; the last waypoint of a category leaves the category") {
        FillWaypointList(nullptr, MainListView, category);
        Select({0});
        Answers a({Reply(L"Delete selected categories/waypoints?", IDYES)});
        f.Command(IDM_WAYPOINT_DELETE);
        CHECK(Rows() == 0);
        CHECK(Has(saved(), "<c n=\"Cat\"/>"));
        f.Command(IDM_BACK);
        Select({0, 1});
        Answers b({Reply(L"Delete selected categories/waypoints?", IDYES)});
        f.Command(IDM_WAYPOINT_DELETE);
        CHECK(Rows() == 0);
        CHECK(Waypoints.empty());
        CHECK_FALSE(Has(saved(), "Cat"));
    }
    SUBCASE("move a waypoint into a category; a category never into itself") {
        Select({1});
        Answers a({Choose(L"Cat")});
        f.Command(IDM_WAYPOINT_MOVE);
        CHECK(Rows() == 1);
        CHECK(Has(saved(), "<w n=\"West\""));
        CHECK(category->GetChildCount() == 2);
        Select({0});
        Answers b({Choose(L"Cat")});
        f.Command(IDM_WAYPOINT_MOVE);
        CHECK(b.Done() == 1);
        CHECK(WaypointsElement->GetChildCount() == 1);
    }
    SUBCASE("Center Waypoint: a category is no pick; a waypoint centres the map on it") {
        f.Command(IDM_CENTER_WAYPOINT);
        REQUIRE(PickingMode);
        Select({0});
        f.Command(IDM_PICK_OK);
        CHECK(PickingMode);
        Select({1});
        f.Command(IDM_PICK_OK);
        CHECK_FALSE(PickingMode);
        CHECK((MapViewport.minLongitude + MapViewport.maxLongitude) / 2 == doctest::Approx(-0.5));
        CHECK((MapViewport.minLatitude + MapViewport.maxLatitude) / 2 == doctest::Approx(48.5));
    }
    SUBCASE("Go and Go at distance route to the waypoint; not while recording") {
        Select({1});
        RecorderState = kRecorderRecording;
        f.Command(IDM_WAYPOINT_GO);
        CHECK(RecorderState == kRecorderRecording);
        RecorderState = kRecorderIdle;
        Answers a({Press(kPlayOptions)});
        f.Command(IDM_WAYPOINT_GO);
        CHECK(RecorderState == kRecorderFollowing);
        REQUIRE(ActiveTrack.points.size() == 1);
        CHECK(ActiveTrack.points[0].pos.z == 100.0);
        CHECK(CurrentScreen == kScreenPathView);
        f.Command(IDM_TRACK_END);
        f.Command(IDM_SCREEN_WAYPOINTS);
        Select({1});
        Answers b({Type(L"Distance go...", L"1"), Type(L"Distance go...", L"0"), Press(kPlayOptions)});
        f.Command(IDM_WAYPOINT_GO_DISTANCE);
        REQUIRE(ActiveTrack.points.size() == 1);
        const GPS_POSITION& t = ActiveTrack.points[0].pos;
        CHECK(t.x == doctest::Approx(-0.5));
        CHECK(CalcDistanceKm(-0.5f, 48.5f, float(t.x), float(t.y)) == doctest::Approx(1.0).epsilon(0.001));
        CHECK(t.y > 48.5);
        CHECK(t.z == 100.0);
        f.Command(IDM_TRACK_END);
    }
}
