// The exports of waypoints and tracks, chosen from the list screens' menus
// in the running window, their files read back by GPSBabel.
#include "exchange_test_util.h"

#include "xml/xml.h"
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

bool Has(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// Names that files and peers must carry whole: markup characters, Greek,
// Chinese, characters no file name may hold.
const std::string kQuoted = "Caf\xC3\xA9 \"A\" & <B>";
const std::string kGreek = "\xCE\x91\xCE\xB8\xCE\xAE\xCE\xBD\xCE\xB1";       // Athena
const std::string kChinese = "\xE5\x8C\x97\xE4\xBA\xAC";                      // Beijing
const std::string kSlashes = "a/b\\c:d*e?f|g";

struct WaypointList : ExchangeWindow {
    WaypointList()
    {
        AppendCategoryElement(WaypointsElement, "Cat");
        AddWaypointElement(nullptr, -0.5, 48.5, 100.0, kQuoted.c_str(), true);
        AddWaypointElement(nullptr, 23.7275, 37.9838, 70.25, kGreek.c_str(), true);
        AddWaypointElement(nullptr, 116.397128, 39.916527, 44.5, kChinese.c_str(), true);
        AddWaypointElement(nullptr, -179.999999, -89.5, -12.0, kSlashes.c_str(), true);
        RebuildWaypointList();
        Command(IDM_SCREEN_WAYPOINTS);
        REQUIRE(ListView_GetItemCount(MainListView) == 5);
    }
};

// What GPSBabel reads of a KML or LOC file written by the program.
std::vector<CSV_POINT> Read(const std::string& format, const std::string& file, const std::string& out,
                            bool tracks = false)
{
    return ReadCsv(GpsBabel((tracks ? "-t -i " : "-i ") + format, file, "unicsv", out));
}

}  // namespace

TEST_CASE("waypoints leave as KML and LOC that GPSBabel reads")
{
    WaypointList f;
    const std::string out = f.File("babel.csv");

    SUBCASE("three selected to KML: three dialogs, three files, none opened") {
        Select({1, 2, 3});
        Answers a({SaveAs(f.File("one.kml")), SaveAs(f.File("two.kml")), SaveAs(f.File("three.kml"))});
        CHECK(f.Menu(IDM_EXPORT_WAYPOINT_KML));
        CHECK(a.Done() == 3);
        CHECK(a.Shown(0) == L"Caf\u00e9 _A_ & _B_.kml");
        CHECK(a.Shown(1) == L"\u0391\u03b8\u03ae\u03bd\u03b1.kml");
        CHECK(a.Shown(2) == L"\u5317\u4eac.kml");
        CHECK(OpenedFiles.empty());
        const std::string one = FileText(f.File("one.kml"));
        CHECK(one.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\r\n"
                        "<kml xmlns=\"http://earth.google.com/kml/2.1\">\r\n\t<Placemark>\r\n\t\t<name>\r\n",
                        0) == 0);
        CHECK(Has(one, "\t\t\tCaf\xC3\xA9 &quot;A&quot; &amp; &lt;B&gt;\r\n"));
        CHECK(Has(one, "\t\t\tWaypoint exported by Pathvex\r\n"));
        CHECK(Has(one, "\t\t\t\t-0.500000,48.500000,100.000000\r\n"));
        const struct {
            const char* file;
            std::string name;
            double lon, lat, alt;
        } expected[] = {{"one.kml", kQuoted, -0.5, 48.5, 100.0},
                        {"two.kml", kGreek, 23.7275, 37.9838, 70.25},
                        {"three.kml", kChinese, 116.397128, 39.916527, 44.5}};
        for (const auto& e : expected) {
            const std::vector<CSV_POINT> read = Read("kml", f.File(e.file), out);
            REQUIRE(read.size() == 1);
            CHECK(Trimmed(read[0].name) == e.name);
            CHECK(SamePrinted(read[0].lon, e.lon));
            CHECK(SamePrinted(read[0].lat, e.lat));
            CHECK(read[0].alt == doctest::Approx(e.alt).epsilon(0.001));
        }
    }
    SUBCASE("one selected to LOC is opened; the proposal has no character a file name cannot hold") {
        Select({4});
        Answers a({SaveAs(f.File("far.loc"))});
        CHECK(f.Menu(IDM_EXPORT_WAYPOINT_LOC));
        CHECK(a.Shown(0) == L"a_b_c_d_e_f_g.loc");
        REQUIRE(OpenedFiles.size() == 1);
        CHECK(OpenedFiles[0] == Wide(f.File("far.loc")));
        const std::string loc = FileText(f.File("far.loc"));
        CHECK(Has(loc, "<loc version=\"1.0\" src=\"Pathvex\">\r\n\t<waypoint>\r\n\t\t<name id=\"a/b\\c:d*e?f|g\"/>\r\n"
                       "\t\t<coord lat=\"-89.500000\" lon=\"-179.999999\"/>\r\n\t\t<type>\r\n\t\t\tGeocache\r\n"));
        const std::vector<CSV_POINT> read = Read("geo", f.File("far.loc"), out);
        REQUIRE(read.size() == 1);
        CHECK(read[0].name == kSlashes);
        CHECK(SamePrinted(read[0].lon, -179.999999));
        CHECK(SamePrinted(read[0].lat, -89.5));
    }
    SUBCASE("a name with quotes and ampersands stays one attribute of the LOC") {
        Select({1});
        Answers a({SaveAs(f.File("q.loc"))});
        f.Command(IDM_EXPORT_WAYPOINT_LOC);
        CHECK(Has(FileText(f.File("q.loc")), "<name id=\"Caf\xC3\xA9 &quot;A&quot; &amp; &lt;B&gt;\"/>"));
        const std::vector<CSV_POINT> read = Read("geo", f.File("q.loc"), out);
        REQUIRE(read.size() == 1);
        CHECK(read[0].name == kQuoted);
    }
    SUBCASE("a category ends the walk; Cancel ends the command") {
        Select({0, 1});
        Answers none({CancelDialog(kSaveCaption)});
        f.Command(IDM_EXPORT_WAYPOINT_KML);
        CHECK(none.Stop() == 0);
        Select({1, 2});
        Answers cancel({CancelDialog(kSaveCaption), SaveAs(f.File("never.kml"))});
        f.Command(IDM_EXPORT_WAYPOINT_KML);
        CHECK(cancel.Stop() == 1);
        CHECK_FALSE(Exists(f.File("never.kml")));
        CHECK(OpenedFiles.empty());
    }
    SUBCASE("all waypoints, categories included, to one KML") {
        OpenWaypointCategory = WaypointsElement->GetChild(0);
        AddWaypointElement(nullptr, 1.0000001, 2.5, 3.0, "Inside", true);
        OpenWaypointCategory = nullptr;
        Answers a({SaveAs(f.File("all.kml"))});
        CHECK(f.Menu(IDM_EXPORT_ALL_WAYPOINTS_KML));
        CHECK(a.Shown(0).empty());
        CHECK(OpenedFiles.empty());
        const std::string all = FileText(f.File("all.kml"));
        CHECK(all.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\r\n<kml>\r\n\t<Document>\r\n", 0) ==
              0);
        CHECK(Has(all, "\t\t\t\tPathvex Waypoint\r\n"));
        // Read at single precision, printed with seven decimals.
        CHECK(Has(all, "\t\t\t\t\t-0.5000000,48.5000000,100.000\r\n"));
        const std::vector<CSV_POINT> read = Read("kml", f.File("all.kml"), out);
        REQUIRE(read.size() == 5);
        CHECK(Trimmed(read[0].name) == "Inside");
        CHECK(SamePrinted(read[0].lon, double(1.0000001f)));
        CHECK(Trimmed(read[1].name) == kQuoted);
        CHECK(Trimmed(read[2].name) == kGreek);
        CHECK(SamePrinted(read[2].lat, double(37.9838f)));
        CHECK(Trimmed(read[3].name) == kChinese);
        CHECK(SamePrinted(read[3].lon, double(116.397128f)));
        CHECK(Trimmed(read[4].name) == kSlashes);
    }
    SUBCASE("a write that fails leaves the old file whole and is told") {
        const std::string old = "<?xml version=\"1.0\"?><kml>the user's own file</kml>";
        REQUIRE(WriteFile(f.File("keep.kml"), old));
        Select({2});
        Answers a({SaveAs(f.File("keep.kml")), ReplaceYes(),
                   Reply(L"The file could not be written:\r\n" + Wide(f.File("keep.kml")) +
                         L"\r\nA file of that name that was there before is unchanged.")});
        xmlimpl::FailFileWritesAfter(40);
        f.Command(IDM_EXPORT_WAYPOINT_KML);
        xmlimpl::FailFileWritesAfter(-1);
        CHECK(a.Done() == 3);
        CHECK(FileText(f.File("keep.kml")) == old);
        CHECK(OpenedFiles.empty());
        WIN32_FIND_DATAA found;
        HANDLE h = FindFirstFileA(f.File("*.tmp").c_str(), &found);
        CHECK(h == INVALID_HANDLE_VALUE);   // no temporary file left beside it
        if (h != INVALID_HANDLE_VALUE)
            FindClose(h);
    }
}

namespace {

const std::string kTrip = "Trip \"1\" " + kGreek + " " + kChinese;
// 1000 characters: Greek and Chinese letters and blanks.
std::string LongName()
{
    std::string name;
    for (int i = 0; i < 250; ++i)
        name += kGreek.substr(0, 2) + kChinese.substr(0, 3) + " " + (i % 2 ? "a" : "b");
    return name;
}

// Tracks at list rows 0 to 4: a trip of three points, a category, a track
// without points, a track of a long name, one with values too large to print
// in a hundred bytes.
std::string TrackFile()
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\r\n<root>\r\n<tracks>\r\n"
           "<t n=\"Trip &quot;1&quot; " + kGreek + " " + kChinese + "\">"
           "<p x=\"23.727539\" y=\"37.983810\" z=\"70.000000\"/><p x=\"23.728001\" y=\"37.984002\" z=\"71.500000\"/>"
           "<p x=\"23.730123\" y=\"37.985111\" z=\"72.250000\"/></t>\r\n"
           "<c n=\"Cat\"><t n=\"Inner\"><p x=\"1\" y=\"2\" z=\"3\"/></t></c>\r\n"
           "<t n=\"Empty\"/>\r\n"
           "<t n=\"" + LongName() + "\"><p x=\"116.397128\" y=\"39.916527\" z=\"44\"/><p x=\"116.4\" y=\"39.9\" z=\"45\"/></t>\r\n"
           "<t n=\"Huge\"><p x=\"3e38\" y=\"-3e38\" z=\"1e300\"/></t>\r\n"
           "</tracks>\r\n</root>\r\n";
}

struct TrackList : ExchangeWindow {
    TrackList()
    {
        REQUIRE(WriteFile(File("pathvextrk.xml"), TrackFile()));
        Command(IDM_SCREEN_TRACKS);
        REQUIRE(ListView_GetItemCount(MainListView) == 5);
    }
};

// The names of the tracks GPSBabel read, from its GPX.
std::vector<std::string> GpxTrackNames(const std::string& gpx)
{
    std::vector<std::string> names;
    for (size_t at = gpx.find("<trk>"); at != std::string::npos; at = gpx.find("<trk>", at + 1)) {
        const size_t open = gpx.find("<name>", at);
        const size_t close = gpx.find("</name>", open);
        if (open != std::string::npos && close != std::string::npos)
            names.push_back(Trimmed(gpx.substr(open + 6, close - open - 6)));
    }
    return names;
}

std::string Unescaped(std::string s)
{
    for (const auto& [from, to] : {std::pair<std::string, std::string>{"&quot;", "\""}, {"&lt;", "<"}, {"&gt;", ">"},
                                   {"&apos;", "'"}, {"&amp;", "&"}})
        for (size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size()))
            s.replace(at, from.size(), to);
    return s;
}

}  // namespace

TEST_CASE("tracks leave as KML and LOC that GPSBabel reads")
{
    TrackList f;
    const std::string out = f.File("babel.csv");
    const double trip[3][3] = {{23.727539, 37.98381, 70.0}, {23.728001, 37.984002, 71.5}, {23.730123, 37.985111, 72.25}};

    SUBCASE("the selected track as KML from the template, opened") {
        Select({0});
        Answers a({SaveAs(f.File("trip.kml"))});
        CHECK(f.Menu(IDM_EXPORT_TRACK_KML));
        CHECK(a.Shown(0) == L"Trip _1_ \u0391\u03b8\u03ae\u03bd\u03b1 \u5317\u4eac.kml");
        REQUIRE(OpenedFiles.size() == 1);
        CHECK(OpenedFiles[0] == Wide(f.File("trip.kml")));
        const std::string kml = FileText(f.File("trip.kml"));
        CHECK(kml.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\r\n"
                        "<kml xmlns=\"http://earth.google.com/kml/2.1\">\r\n\t<Document>\r\n\t\t<name>\r\n\t\t\tPaths\r\n",
                        0) == 0);
        CHECK(Has(kml, "\t\t<description>\r\n\t\t\tTrip &quot;1&quot; " + kGreek + " " + kChinese + "\r\n"));
        CHECK(Has(kml, "<Style id=\"sn_ylw-pushpin\">"));
        CHECK(Has(kml, "\t\t\t\t<coordinates>\r\n\t\t\t\t\t23.727539,37.983810,70.000000\r\n"
                       "23.728001,37.984002,71.500000\r\n23.730123,37.985111,72.250000\r\n\r\n"));
        const std::vector<CSV_POINT> read = Read("kml", f.File("trip.kml"), out, true);
        REQUIRE(read.size() == 3);
        for (int i = 0; i < 3; ++i) {
            CHECK(SamePrinted(read[i].lon, trip[i][0]));
            CHECK(SamePrinted(read[i].lat, trip[i][1]));
            CHECK(read[i].alt == doctest::Approx(trip[i][2]).epsilon(0.001));
        }
        CHECK(GpxTrackNames(GpsBabel("-i kml", f.File("trip.kml"), "gpx", f.File("trip.gpx"))) ==
              std::vector<std::string>{"Pathvex Track"});
    }
    SUBCASE("the selected track's points as LOC waypoints \"WP n\", not opened") {
        Select({0});
        Answers a({SaveAs(f.File("trip.loc"))});
        CHECK(f.Menu(IDM_EXPORT_TRACK_LOC));
        CHECK(a.Shown(0) == L"Trip _1_ \u0391\u03b8\u03ae\u03bd\u03b1 \u5317\u4eac.loc");
        CHECK(OpenedFiles.empty());
        const std::vector<CSV_POINT> read = Read("geo", f.File("trip.loc"), out);
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
                Answers none({CancelDialog(kSaveCaption)});
                f.Command(command);
                CHECK(none.Stop() == 0);
            }
    }
    SUBCASE("a name of 1000 characters: the proposal is cut, the file keeps it whole") {
        Select({3});
        Answers a({SaveAs(f.File("long.kml"))});
        f.Command(IDM_EXPORT_TRACK_KML);
        CHECK(a.Shown(0).size() == 204);
        CHECK(a.Shown(0).substr(200) == L".kml");
        CHECK(Has(FileText(f.File("long.kml")), "\t\t\t" + LongName() + "\r\n"));
        CHECK(Read("kml", f.File("long.kml"), out, true).size() == 2);
    }
    SUBCASE("every track as KML; values too large for a hundred bytes each are printed whole") {
        Answers a({SaveAs(f.File("all.kml"))});
        CHECK(f.Menu(IDM_EXPORT_ALL_TRACKS_KML));
        CHECK(a.Shown(0).empty());
        CHECK(OpenedFiles.empty());
        const std::string kml = FileText(f.File("all.kml"));
        CHECK(kml.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\r\n<kml>\r\n\t<Document>\r\n", 0) ==
              0);
        CHECK(Has(kml, "23.7275391,37.9838104,70.000 23.7280006,37.9840012,71.500 23.7301235,37.9851112,72.250 \r\n"));
        char huge[400];
        std::snprintf(huge, sizeof huge, "%.7f,%.7f,%.3f ", double(3e38f), double(-3e38f), 0.0);
        CHECK(Has(kml, huge));   // 1e300 is no single-precision number: written as 0
        CHECK(Has(kml, "\t\t\t<LineString>\r\n\t\t\t\t<coordinates/>\r\n"));
        std::vector<std::string> names = GpxTrackNames(GpsBabel("-i kml", f.File("all.kml"), "gpx", f.File("all.gpx")));
        for (std::string& name : names)
            name = Unescaped(name);
        CHECK(names == std::vector<std::string>{kTrip, "Inner", "Empty", LongName(), "Huge"});
        const std::vector<CSV_POINT> read = Read("kml", f.File("all.kml"), out, true);
        REQUIRE(read.size() >= 4);
        CHECK(SamePrinted(read[0].lon, double(23.727539f)));
        CHECK(SamePrinted(read[3].lat, 2.0));   // "Inner", in its category
    }
}
