// The exports of waypoints and tracks, chosen from the list screens' menus
// in the running window, their files read back by GPSBabel.
#include "exchange_test_util.h"

#include "xml/xml_io.h"

#include <commctrl.h>

using namespace exchangetest;

namespace {

void Select(std::initializer_list<int> rows)
{
    ListView_SetItemState(MainListView, -1, 0, LVIS_SELECTED);
    for (int row : rows)
        ListView_SetItemState(MainListView, row, LVIS_SELECTED, LVIS_SELECTED);
}

// Names that files and peers must carry whole: markup characters and ones
// no file name may hold, Greek, Chinese.
const std::string kMarked = "Caf\xC3\xA9 \"A\" & <B> a/b\\c:d*e?f|g";
const std::string kGreek = "\xCE\x91\xCE\xB8\xCE\xAE\xCE\xBD\xCE\xB1";   // Athena
const std::string kChinese = "\xE5\x8C\x97\xE4\xBA\xAC";                  // Beijing
const std::string kHeader = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\r\n";

// Exports through the menu entry of command into the file named, answering
// its one Save As: the name that dialog proposed.
std::wstring ExportTo(ExchangeWindow& f, int command, const std::string& name)
{
    Answers a({SaveAs(f.File(name))});
    CHECK(f.Menu(command));
    return a.Shown(0);
}

struct WaypointList : ExchangeWindow {
    WaypointList()
    {
        AppendCategoryElement(WaypointsElement, "Cat");
        AddWaypointElement(nullptr, -0.5, 48.5, 100.0, kMarked.c_str(), true);
        AddWaypointElement(nullptr, 23.7275, 37.9838, 70.25, kGreek.c_str(), true);
        AddWaypointElement(nullptr, 116.397128, -39.916527, -4.5, kChinese.c_str(), true);
        RebuildWaypointList();
        Command(IDM_SCREEN_WAYPOINTS);
        REQUIRE(ListView_GetItemCount(MainListView) == 4);
    }
};

}  // namespace

TEST_CASE("waypoints leave as KML and LOC that GPSBabel reads")
{
    WaypointList f;
    SUBCASE("three selected to KML: three dialogs, three files, none opened") {
        Select({1, 2, 3});
        Answers a({SaveAs(f.File("1.kml")), SaveAs(f.File("2.kml")), SaveAs(f.File("3.kml"))});
        CHECK(f.Menu(IDM_EXPORT_WAYPOINT_KML));
        CHECK(a.Done() == 3);
        CHECK(a.Shown(0) == L"Caf\u00e9 _A_ & _B_ a_b_c_d_e_f_g.kml");
        CHECK(a.Shown(1) == L"\u0391\u03b8\u03ae\u03bd\u03b1.kml");
        CHECK(a.Shown(2) == L"\u5317\u4eac.kml");
        CHECK(OpenedFiles.empty());
        CHECK(Has(FileText(f.File("1.kml")),
                  kHeader + "<kml xmlns=\"http://earth.google.com/kml/2.1\">\r\n\t<Placemark>\r\n\t\t<name>\r\n"
                            "\t\t\tCaf\xC3\xA9 &quot;A&quot; &amp; &lt;B&gt; a/b\\c:d*e?f|g\r\n\t\t</name>\r\n"
                            "\t\t<description>\r\n\t\t\tWaypoint exported by Pathvex\r\n\t\t</description>\r\n"
                            "\t\t<Point>\r\n\t\t\t<coordinates>\r\n\t\t\t\t-0.500000,48.500000,100.000000\r\n"));
        const BABEL_POINT expected[] = {{-0.5, 48.5, 100.0, kMarked}, {23.7275, 37.9838, 70.25, kGreek},
                                        {116.397128, -39.916527, -4.5, kChinese}};
        for (int i = 0; i < 3; ++i) {
            const std::vector<BABEL_POINT> read = Read("kml", f.File(std::to_string(i + 1) + ".kml"));
            REQUIRE(read.size() == 1);
            CHECK(read[0].name == expected[i].name);
            CHECK(SamePrinted(read[0].lon, expected[i].lon));
            CHECK(SamePrinted(read[0].lat, expected[i].lat));
            CHECK(read[0].ele == doctest::Approx(expected[i].ele));
        }
    }
    SUBCASE("one selected to LOC is opened; its name stays one attribute") {
        Select({1});
        CHECK(ExportTo(f, IDM_EXPORT_WAYPOINT_LOC, "one.loc") == L"Caf\u00e9 _A_ & _B_ a_b_c_d_e_f_g.loc");
        CHECK(OpenedFiles == std::vector<std::wstring>{Wide(f.File("one.loc"))});
        CHECK(FileText(f.File("one.loc")) ==
              kHeader + "<loc version=\"1.0\" src=\"Pathvex\">\r\n\t<waypoint>\r\n"
                        "\t\t<name id=\"Caf\xC3\xA9 &quot;A&quot; &amp; &lt;B&gt; a/b\\c:d*e?f|g\"/>\r\n"
                        "\t\t<coord lat=\"48.500000\" lon=\"-0.500000\"/>\r\n\t\t<type>\r\n\t\t\tGeocache\r\n"
                        "\t\t</type>\r\n\t</waypoint>\r\n</loc>\r\n");
        const std::vector<BABEL_POINT> read = Read("geo", f.File("one.loc"));
        REQUIRE(read.size() == 1);
        CHECK(read[0].name == kMarked);
        CHECK(SamePrinted(read[0].lon, -0.5));
    }
    SUBCASE("a category ends the walk; Cancel ends the command") {
        Select({0, 1});
        Answers none({Press(kSaveCaption, IDCANCEL)});
        f.Command(IDM_EXPORT_WAYPOINT_KML);
        CHECK(none.Stop() == 0);
        Select({1, 2});
        Answers cancel({Press(kSaveCaption, IDCANCEL), SaveAs(f.File("never.kml"))});
        f.Command(IDM_EXPORT_WAYPOINT_KML);
        CHECK(cancel.Stop() == 1);
        CHECK_FALSE(Exists(f.File("never.kml")));
    }
    SUBCASE("all waypoints, those in categories too, at single precision") {
        OpenWaypointCategory = WaypointsElement->GetChild(0);
        AddWaypointElement(nullptr, 1.0000001, 2.5, 3.0, "Inside", true);
        CHECK(ExportTo(f, IDM_EXPORT_ALL_WAYPOINTS_KML, "all.kml").empty());
        CHECK(OpenedFiles.empty());
        const std::string all = FileText(f.File("all.kml"));
        CHECK(Has(all, kHeader + "<kml>\r\n\t<Document>\r\n\t\t<Placemark>\r\n\t\t\t<name>\r\n\t\t\t\tInside\r\n"));
        CHECK(Has(all, "\t\t\t\tPathvex Waypoint\r\n"));
        CHECK(Has(all, "\t\t\t\t\t23.7275009,37.9837990,70.250\r\n"));
        const std::vector<BABEL_POINT> read = Read("kml", f.File("all.kml"));
        REQUIRE(read.size() == 4);
        CHECK(read[0].name == "Inside");
        CHECK(read[1].name == kMarked);
        CHECK(read[3].name == kChinese);
        CHECK(SamePrinted(read[3].lat, double(-39.916527f)));
    }
    SUBCASE("a write that fails leaves the old file whole, no file beside it, and is told") {
        const std::string old = "<kml>the user's own file</kml>";
        REQUIRE(WriteWholeFile(f.File("keep.kml"), old));
        Select({2});
        Answers a({SaveAs(f.File("keep.kml")), Press(kReplaceCaption, IDYES),
                   Reply(L"The file could not be written:\r\n" + Wide(f.File("keep.kml")) +
                         L"\r\nA file of that name that was there before is unchanged.")});
        xmlimpl::FailFileWritesAfter(40);
        f.Command(IDM_EXPORT_WAYPOINT_KML);
        xmlimpl::FailFileWritesAfter(-1);
        CHECK(a.Done() == 3);
        CHECK(FileText(f.File("keep.kml")) == old);
        CHECK(OpenedFiles.empty());
        WIN32_FIND_DATAA found;
        CHECK(FindFirstFileA(f.File("*.tmp").c_str(), &found) == INVALID_HANDLE_VALUE);
    }
}

namespace {

// 1000 characters of Greek and Chinese letters and blanks.
std::string LongName()
{
    std::string name;
    for (int i = 0; i < 250; ++i)
        name += kGreek.substr(0, 2) + kChinese.substr(0, 3) + " x";
    return name;
}

// Tracks at list rows 0 to 4: a trip of three points, a category, a track
// without points, one of a long name with values too large to print in a
// hundred bytes.
struct TrackList : ExchangeWindow {
    TrackList()
    {
        REQUIRE(WriteWholeFile(File("pathvextrk.xml"),
                          kHeader + "<root><tracks><t n=\"Trip &quot;1&quot; " + kGreek + "\">"
                                    "<p x=\"23.727539\" y=\"37.983810\" z=\"70.000000\"/>"
                                    "<p x=\"23.728001\" y=\"37.984002\" z=\"71.500000\"/>"
                                    "<p x=\"23.730123\" y=\"37.985111\" z=\"72.250000\"/></t>"
                                    "<c n=\"Cat\"><t n=\"Inner\"><p x=\"1\" y=\"2\" z=\"3\"/></t></c><t n=\"Empty\"/>"
                                    "<t n=\"" + LongName() + "\"><p x=\"3e38\" y=\"-3e38\" z=\"1e300\"/></t>"
                                    "</tracks></root>"));
        Command(IDM_SCREEN_TRACKS);
        REQUIRE(ListView_GetItemCount(MainListView) == 4);
    }
};

}  // namespace

TEST_CASE("tracks leave as KML and LOC that GPSBabel reads")
{
    TrackList f;
    const double trip[3][3] = {{23.727539, 37.98381, 70.0}, {23.728001, 37.984002, 71.5}, {23.730123, 37.985111, 72.25}};
    SUBCASE("the selected track as KML from the template, opened") {
        Select({0});
        CHECK(ExportTo(f, IDM_EXPORT_TRACK_KML, "trip.kml") == L"Trip _1_ \u0391\u03b8\u03ae\u03bd\u03b1.kml");
        CHECK(OpenedFiles == std::vector<std::wstring>{Wide(f.File("trip.kml"))});
        const std::string kml = FileText(f.File("trip.kml"));
        CHECK(Has(kml, kHeader + "<kml xmlns=\"http://earth.google.com/kml/2.1\">\r\n\t<Document>\r\n\t\t<name>\r\n"
                                 "\t\t\tPaths\r\n\t\t</name>\r\n\t\t<description>\r\n\t\t\tTrip &quot;1&quot; " +
                           kGreek + "\r\n\t\t</description>\r\n\t\t<Style id=\"sn_ylw-pushpin\">\r\n"));
        CHECK(Has(kml, "\t\t\t\t<coordinates>\r\n\t\t\t\t\t23.727539,37.983810,70.000000\r\n"
                       "23.728001,37.984002,71.500000\r\n23.730123,37.985111,72.250000\r\n\r\n"));
        const std::vector<BABEL_POINT> read = Read("kml", f.File("trip.kml"));
        REQUIRE(read.size() == 3);
        for (int i = 0; i < 3; ++i) {
            CHECK(read[i].name == "Pathvex Track");
            CHECK(SamePrinted(read[i].lon, trip[i][0]));
            CHECK(SamePrinted(read[i].lat, trip[i][1]));
            CHECK(read[i].ele == doctest::Approx(trip[i][2]));
        }
    }
    SUBCASE("the selected track's points as LOC waypoints \"WP n\", not opened") {
        Select({0});
        CHECK(ExportTo(f, IDM_EXPORT_TRACK_LOC, "trip.loc") == L"Trip _1_ \u0391\u03b8\u03ae\u03bd\u03b1.loc");
        CHECK(OpenedFiles.empty());
        const std::vector<BABEL_POINT> read = Read("geo", f.File("trip.loc"));
        REQUIRE(read.size() == 3);
        for (int i = 0; i < 3; ++i) {
            CHECK(read[i].name == "WP " + std::to_string(i + 1));
            CHECK(SamePrinted(read[i].lon, trip[i][0]));
            CHECK(SamePrinted(read[i].lat, trip[i][1]));
        }
    }
    SUBCASE("a category and a track without points are refused") {
        for (int row : {1, 2})
            for (int command : {IDM_EXPORT_TRACK_KML, IDM_EXPORT_TRACK_LOC}) {
                Select({row});
                Answers none({Press(kSaveCaption, IDCANCEL)});
                f.Command(command);
                CHECK(none.Stop() == 0);
            }
    }
    SUBCASE("a name of 1000 characters: the proposal is cut, the file keeps it whole") {
        Select({3});
        CHECK(ExportTo(f, IDM_EXPORT_TRACK_KML, "long.kml").size() == 104);
        CHECK(Has(FileText(f.File("long.kml")), "\t\t\t" + LongName() + "\r\n"));
    }
    SUBCASE("every track as KML; values too large for a hundred bytes are printed whole") {
        CHECK(ExportTo(f, IDM_EXPORT_ALL_TRACKS_KML, "all.kml").empty());
        CHECK(OpenedFiles.empty());
        const std::string kml = FileText(f.File("all.kml"));
        CHECK(Has(kml, kHeader + "<kml>\r\n\t<Document>\r\n"));
        CHECK(Has(kml, "23.7275391,37.9838104,70.000 23.7280006,37.9840012,71.500 23.7301235,37.9851112,72.250 \r\n"));
        char huge[200];
        std::snprintf(huge, sizeof huge, "%.7f,%.7f,0.000 \r\n", double(3e38f), double(-3e38f));
        CHECK(Has(kml, huge));   // 1e300 is no single-precision number: written as 0
        CHECK(Has(kml, "\t\t\t<LineString>\r\n\t\t\t\t<coordinates/>\r\n"));
        const std::vector<BABEL_POINT> read = Read("kml", f.File("all.kml"));
        REQUIRE(read.size() >= 5);   // and a point GPSBabel makes up for the track without points
        CHECK(read[0].name == "Trip \"1\" " + kGreek);
        CHECK(SamePrinted(read[0].lon, double(23.727539f)));
        CHECK(read[3].name == "Inner");
        CHECK(read.back().name == LongName());
    }
}
