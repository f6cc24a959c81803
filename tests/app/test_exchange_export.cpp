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
