// The imports of KML and LOC files through the list screens' menus in the
// running window: files GPSBabel wrote from known points, a track exported
// and read back, and files that are damaged or hostile.
#include "exchange_test_util.h"

#include <commctrl.h>

#include <atomic>
#include <thread>

using namespace exchangetest;
using testsupport::CountOf;

namespace {

constexpr wchar_t kManyPoints[] = L"This file has many points.Do you want to create a track instead?";
constexpr wchar_t kOnePoint[] = L"This file has only 1 point.Do you want to create a waypoint instead?";
constexpr wchar_t kNothing[] = L"No waypoint or track could be read from this file.";
const std::string kAlpha = "Alpha & \"B\" \xCE\x91\xCE\xB8\xCE\xAE\xCE\xBD\xCE\xB1";

struct Importing : ExchangeWindow {
    // GPSBabel's file (format "kml", "geo", ...) of the points, given as
    // "latitude,longitude,name,altitude" rows.
    std::string Written(const std::string& file, const std::string& format, const std::vector<std::string>& rows,
                        const std::string& filters = "")
    {
        std::string csv = "Latitude,Longitude,Name,Altitude\n";
        for (const std::string& row : rows)
            csv += row + "\n";
        REQUIRE(WriteWholeFile(File(file + ".csv"), csv));
        REQUIRE_FALSE(GpsBabel("-i unicsv", File(file + ".csv"), format, File(file), filters).empty());
        return File(file);
    }
    // Runs command with its dialogs answered by steps: how many were answered.
    size_t Answered(int command, std::vector<STEP> steps)
    {
        Answers a(std::move(steps));
        Command(command);
        return a.Done();
    }
    std::string Tracks() const { return FileText(dir.File("pathvextrk.xml")); }
    std::string Settings() const { return FileText(dir.File("pathvex.xml")); }
};

BOOL CALLBACK NoteDialog(HWND w, LPARAM found)
{
    wchar_t name[16] = {};
    GetClassNameW(w, name, 16);
    *reinterpret_cast<bool*>(found) |= std::wstring(name) == L"#32770";
    return TRUE;
}

// Whether a dialog of the window's thread exists (shown or not yet).
bool DialogOpen(HWND window)
{
    bool found = false;
    EnumThreadWindows(GetWindowThreadProcessId(window, nullptr), NoteDialog, reinterpret_cast<LPARAM>(&found));
    return found;
}

const std::string kAlphaRow = "48.5,-0.5,\"Alpha & \"\"B\"\" \xCE\x91\xCE\xB8\xCE\xAE\xCE\xBD\xCE\xB1\",100";
const std::string kBetaRow = "-33.25,151.125,Beta,0";

}  // namespace

TEST_CASE("files GPSBabel wrote come in as waypoints and tracks")
{
    Importing f;
    SUBCASE("one KML point through 1321: a waypoint named by its placemark, without a question") {
        const std::string kml = f.Written("one.kml", "kml", {kAlphaRow});
        f.Command(IDM_SCREEN_WAYPOINTS);
        Answers a({OpenFile(kml), Reply(L"1 waypoint imported.")});
        CHECK(f.Menu(IDM_IMPORT_WAYPOINTS));
        CHECK(a.Done() == 2);
        REQUIRE(Waypoints.size() == 1);
        CHECK(std::string(Waypoints[0].name) == kAlpha);
        CHECK(Waypoints[0].pos.x == -0.5);
        CHECK(Waypoints[0].pos.z == 100.0);
        CHECK(ListView_GetItemCount(MainListView) == 1);
        CHECK(Has(f.Settings(), "<w n=\"Alpha &amp; &quot;B&quot; \xCE\x91"));
    }
    SUBCASE("one point through 1331 asks; No makes a track of one point") {
        const std::string kml = f.Written("one.kml", "kml", {kAlphaRow});
        CHECK(f.Answered(IDM_IMPORT_TRACK,
                         {OpenFile(kml), Reply(kOnePoint, IDNO), Reply(L"1 track imported (1 points).")}) == 3);
        CHECK(Waypoints.empty());
        CHECK(CountOf(f.Tracks(), "<p ") == 1);
    }
    SUBCASE("two LOC waypoints through 1331: one track named after the first, its name escaped") {
        const std::string loc = f.Written("two.loc", "geo", {kAlphaRow, kBetaRow});
        f.Command(IDM_SCREEN_TRACKS);
        Answers a({OpenFile(loc), Reply(L"1 track imported (2 points).")});
        CHECK(f.Menu(IDM_IMPORT_TRACK));
        CHECK(a.Done() == 2);
        CHECK(Has(f.Tracks(), "<t n=\"Alpha &amp; &quot;B&quot; \xCE\x91\xCE\xB8\xCE\xAE\xCE\xBD\xCE\xB1\">\r\n"
                              "\t\t\t<p x=\"-0.500000\" y=\"48.500000\" z=\"0.000000\"/>\r\n"
                              "\t\t\t<p x=\"151.125000\" y=\"-33.250000\" z=\"0.000000\"/>\r\n"));
        CHECK(ListView_GetItemCount(MainListView) == 1);
    }
    SUBCASE("a KML file with two Placemarks asks which Collection, though each holds one point") {
        const std::string kml = f.Written("two.kml", "kml", {kAlphaRow, kBetaRow});
        std::vector<std::wstring> offered;
        CHECK(f.Answered(IDM_IMPORT_WAYPOINTS,
                         {OpenFile(kml),
                          {L"Select Placemarks", L"",
                           [&](HWND d) {
                               offered = ListLines(d);
                               SendDlgItemMessageW(d, IDC_ENTRY_TEXT, LB_SETCURSEL, 1, 0);
                           },
                           IDOK},
                          Reply(L"1 waypoint imported.")}) == 3);
        CHECK(offered == std::vector<std::wstring>{L"Collection 1", L"Collection 2"});
        REQUIRE(Waypoints.size() == 1);
        CHECK(std::string(Waypoints[0].name) == "Beta");
    }
    SUBCASE("a path of 200 tuples on lines of their own through 1321: many points; No offers them numbered") {
        std::vector<std::string> rows;
        for (int i = 0; i < 200; ++i)
            rows.push_back(std::to_string(45.0 + i * 0.001) + "," + std::to_string(10.0 + i * 0.002) + ",P," +
                           std::to_string(100 + i));
        const std::string kml = f.Written("path.kml", "kml,points=0", rows, "-x transform,trk=wpt,del");
        REQUIRE(Has(FileText(kml), "\n10.002000,45.001000,101.00\n"));   // GPSBabel's tuples, one a line
        std::vector<std::wstring> offered;
        CHECK(f.Answered(IDM_IMPORT_WAYPOINTS,
                         {OpenFile(kml), Reply(kManyPoints, IDNO),
                          {L"Select Waypoints", L"",
                           [&](HWND d) {
                               offered = ListLines(d);
                               for (int i : {0, 99, 199})
                                   SendDlgItemMessageW(d, IDC_ENTRY_TEXT, LB_SETSEL, TRUE, i);
                               f.Picture(d, "exchange_select_waypoints.png");
                           },
                           IDOK},
                          Reply(L"3 waypoints imported.")}) == 4);
        REQUIRE(offered.size() == 200);
        CHECK(offered[0] == L"#1 : 10.000000,45.000000,100.000000");
        CHECK(offered[199] == L"#200 : 10.398000,45.199001,299.000000");   // read at single precision
        REQUIRE(Waypoints.size() == 3);
        CHECK(std::string(Waypoints[0].name) == "W #1");
        CHECK(std::string(Waypoints[2].name) == "W #200");
        CHECK(Has(f.Settings(), "<w n=\"W #100\" x=\"10.198000\" y=\"45.098999\" z=\"199.000000\"/>"));
    }
    SUBCASE("a track exported as KML and imported again through 1331 keeps its point count") {
        std::string file = "<?xml version=\"1.0\"?><root><tracks><t n=\"Walk\">";
        for (int i = 0; i < 57; ++i)
            file += "<p x=\"" + std::to_string(8.5 + i * 0.0001) + "\" y=\"47.25\" z=\"400\"/>";
        REQUIRE(WriteWholeFile(f.File("pathvextrk.xml"), file + "</t></tracks></root>"));
        f.Command(IDM_SCREEN_TRACKS);
        ListView_SetItemState(MainListView, 0, LVIS_SELECTED, LVIS_SELECTED);
        Answers out({SaveAs(f.File("walk.kml"))});
        f.Command(IDM_EXPORT_TRACK_KML);
        Answers in({OpenFile(f.File("walk.kml")), Reply(L"1 track imported (57 points).")});
        f.Command(IDM_IMPORT_TRACK);
        CHECK(out.Done() + in.Done() == 3);
        CHECK(ListView_GetItemCount(MainListView) == 2);
        CHECK(CountOf(f.Tracks(), "<p ") == 114);
        f.Picture(f.window, "exchange_imported_track.png");
    }
}

TEST_CASE("names and coordinates in CDATA, or around a comment, are read whole")
{
    Importing f;
    const std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><kml xmlns=\"http://earth.google.com/kml/2.1\">";
    SUBCASE("a cache's name and place in CDATA: a waypoint of that name there") {
        REQUIRE(WriteWholeFile(f.File("cache.kml"),
                               xml + "<Document><Placemark>\n<name>\n  <![CDATA[GC1A2B3 Caf\xC3\xA9 & \"Bar\" <Cache>]]>\n"
                                     "</name><Point><coordinates><![CDATA[8.5,47.25,400]]></coordinates></Point>"
                                     "</Placemark></Document></kml>"));
        Answers a({OpenFile(f.File("cache.kml")), Reply(L"")});
        f.Command(IDM_IMPORT_WAYPOINTS);
        CHECK(a.Shown(1) == L"1 waypoint imported.");
        CHECK(Waypoints.size() == 1);
        for (const WAYPOINT& w : Waypoints) {
            CHECK(std::string(w.name) == "GC1A2B3 Caf\xC3\xA9 & \"Bar\" <Cache>");
            CHECK(w.pos.x == 8.5);
            CHECK(w.pos.z == 400.0);
        }
    }
    SUBCASE("a path named in CDATA whose tuples a comment splits: a track of every tuple under that name") {
        REQUIRE(WriteWholeFile(f.File("walk.kml"),
                               xml + "<Placemark><name><![CDATA[Round & about]]></name><LineString><coordinates>"
                                     "1,2,0 <!-- two more --> 3,4,0 5,6,0</coordinates></LineString></Placemark></kml>"));
        Answers a({OpenFile(f.File("walk.kml")), Reply(L"")});
        f.Command(IDM_IMPORT_TRACK);
        CHECK(a.Shown(1) == L"1 track imported (3 points).");
        CHECK(Has(f.Tracks(), "<t n=\"Round &amp; about\">"));
    }
}

TEST_CASE("damaged and hostile files import nothing and change nothing")
{
    Importing f;
    AddWaypointElement(nullptr, 1.0, 2.0, 3.0, "Kept", false);
    const std::string before = f.Settings();
    REQUIRE(Has(before, "Kept"));
    auto unchanged = [&] {
        CHECK(f.Settings() == before);
        CHECK(Waypoints.size() == 1);
        CHECK(WaypointsElement->GetChildCount() == 1);
    };
    const std::string xml = "<?xml version=\"1.0\"?>";

    SUBCASE("files with no point to read are told and change nothing") {
        std::string deep = xml + "<kml>";
        for (int i = 0; i < 100000; ++i)
            deep += "<Placemark>";
        const std::pair<const char*, std::string> files[] = {
            {"text.kml", "these are not the points you are looking for"},
            {"empty.kml", ""},
            {"deep.kml", deep + "<Point><coordinates>1,2</coordinates></Point>"},
            // No entity is expanded: the declarations read as tags that never end.
            {"entities.kml", xml + "<!DOCTYPE kml [<!ENTITY a \"aaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;\">]><kml>"
                                   "<Placemark><name>&b;</name><Point><coordinates>1,2</coordinates></Point>"
                                   "</Placemark></kml>"},
            {"other.kml", xml + "<gpx><Placemark><Point><coordinates>1,2</coordinates></Point></Placemark></gpx>"},
            {"nopoint.kml", xml + "<kml><Placemark><name>a</name><Point/></Placemark></kml>"},
            {"noline.kml", xml + "<kml><Placemark><LineString/></Placemark></kml>"},
            {"bad.kml", xml + "<kml><Placemark><Point><coordinates>1e999,1</coordinates></Point></Placemark></kml>"},
            {"bad.loc", xml + "<loc><waypoint><name id=\"x\"/></waypoint><waypoint><coord lat=\"1\"/></waypoint>"
                              "<waypoint><coord lat=\"nan\" lon=\"1\"/></waypoint><x/></loc>"},
        };
        for (const auto& [name, text] : files) {
            CAPTURE(name);
            REQUIRE(WriteWholeFile(f.File(name), text));
            CHECK(f.Answered(IDM_IMPORT_WAYPOINTS, {OpenFile(f.File(name)), Reply(kNothing)}) == 2);
            unchanged();
        }
    }
    SUBCASE("Cancel in the open dialog, a choice or a question changes nothing") {
        const std::string two = f.File("two.kml");
        REQUIRE(WriteWholeFile(two, xml + "<kml><Placemark><LineString><coordinates>1,2 3,4</coordinates></LineString>"
                                     "</Placemark><Placemark/></kml>"));
        const STEP first = {L"Select Placemarks", L"",
                            [](HWND d) { SendDlgItemMessageW(d, IDC_ENTRY_TEXT, LB_SETCURSEL, 0, 0); }, IDOK};
        const std::vector<std::vector<STEP>> cancels = {
            {Press(kOpenCaption, IDCANCEL)},
            {OpenFile(two), Press(L"Select Placemarks", IDCANCEL)},
            {OpenFile(two), first, Reply(kManyPoints, IDCANCEL)},
            {OpenFile(two), first, Reply(kManyPoints, IDNO), Press(L"Select Waypoints", IDCANCEL)},
        };
        for (const std::vector<STEP>& steps : cancels) {
            CHECK(f.Answered(IDM_IMPORT_WAYPOINTS, steps) == steps.size());
            unchanged();
        }
        CHECK_FALSE(Exists(f.File("pathvextrk.xml")));
    }
    SUBCASE("a 100 MB path of two tuples asks about its two points; Cancel changes nothing") {
        FILE* big = std::fopen(f.File("big.kml").c_str(), "wb");
        REQUIRE(big);
        std::fputs("<?xml version=\"1.0\"?><kml><Placemark><LineString><coordinates>1,1,0", big);
        const std::string blanks = std::string(1 << 20, ' ').replace(0, 4, " \t\r\n");
        for (int i = 0; i < 100; ++i)
            std::fwrite(blanks.data(), 1, blanks.size(), big);
        std::fputs("2,2,0</coordinates></LineString></Placemark></kml>", big);
        REQUIRE(std::fclose(big) == 0);
        // While the file is read the window takes no input, as under a
        // dialog, yet no dialog is open: a message sent to it then comes
        // back before the import is over.
        std::atomic<bool> importing{true};
        std::atomic<bool> answered{false};
        std::thread watcher([&] {
            testsupport::WaitFor([&] { return !importing || (!IsWindowEnabled(f.window) && !DialogOpen(f.window)); }, 60000);
            if (importing) {
                SendMessageW(f.window, WM_NULL, 0, 0);
                answered = importing.load();
            }
        });
        CHECK(f.Answered(IDM_IMPORT_WAYPOINTS, {OpenFile(f.File("big.kml")), Reply(kManyPoints, IDCANCEL)}) == 2);
        importing = false;
        watcher.join();
        CHECK(answered);
        CHECK(IsWindowEnabled(f.window));
        unchanged();
        DeleteFileA(f.File("big.kml").c_str());
    }
    SUBCASE("values out of range are skipped and the rest imported; a UTF-16 file reads") {
        REQUIRE(WriteWholeFile(f.File("mixed.kml"),
                          xml + "<kml><Placemark><name>Mixed</name><LineString><coordinates>1e999,1,0\t nan,2,0\r\n"
                                "-0,-0\n180.0000001,3,0 10,-20,30,40 181,0 0,90.0001 5</coordinates></LineString>"
                                "</Placemark></kml>"));
        CHECK(f.Answered(IDM_IMPORT_TRACK,
                         {OpenFile(f.File("mixed.kml")), Reply(L"1 track imported (2 points).")}) == 2);
        CHECK(Has(f.Tracks(), "<t n=\"Mixed\">\r\n\t\t\t<p x=\"-0.000000\" y=\"-0.000000\" z=\"0.000000\"/>\r\n"
                              "\t\t\t<p x=\"10.000000\" y=\"-20.000000\" z=\"30.000000\"/>\r\n\t\t</t>"));

        const std::wstring utf16 = L"\xFEFF<?xml version=\"1.0\" encoding=\"UTF-16\"?><loc><waypoint>"
                                   L"<name id=\"\u0391\u03b8\u03ae\u03bd\u03b1 \u5317\u4eac\"/>"
                                   L"<coord lat=\"37.5\" lon=\"23.75\"/></waypoint></loc>";
        REQUIRE(WriteWholeFile(f.File("wide.loc"), std::string(reinterpret_cast<const char*>(utf16.data()), utf16.size() * 2)));
        CHECK(f.Answered(IDM_IMPORT_WAYPOINTS, {OpenFile(f.File("wide.loc")), Reply(L"1 waypoint imported.")}) == 2);
        REQUIRE(Waypoints.size() == 2);
        CHECK(std::string(Waypoints[1].name) == "\xCE\x91\xCE\xB8\xCE\xAE\xCE\xBD\xCE\xB1 \xE5\x8C\x97\xE4\xBA\xAC");
    }
}
