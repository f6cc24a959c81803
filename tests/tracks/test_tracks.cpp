// Tracks and waypoints: the recorder's filters at their edges, what a stop
// writes (and when it writes nothing), names with every special character
// through save and reload, damaged and extreme input, the track list, and a
// recording of the built-in simulation fed through the port's input path.
#include "tracks/tracks.h"

#include "app/settings_store.h"
#include "gps/gps.h"
#include "gps/simulation.h"
#include "kit/display.h"
#include "kit/screen_state.h"
#include "kit/settings.h"
#include "platform/handheld/cell_tower.h"
#include "resources/resource.h"
#include "support/test_support.h"
#include "support/window_support.h"
#include "xml/xml.h"

#include <doctest.h>

#include <commctrl.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

const auto Slurp = testsupport::FileBytes;

const auto Has = testsupport::Contains;

std::vector<std::wstring> Notices;
int RecordNotice(HWND box)
{
    Notices.push_back(testsupport::BoxText(box));
    return IDOK;
}

// A program folder with its settings store open and the recorder idle,
// filters at their defaults (5 km/h, 10 degrees), cell ids not recorded.
struct Folder {
    testsupport::TempDir dir;
    testsupport::DialogAnswerer notices{L"Pathvex", RecordNotice, true};
    Folder()
    {
        Notices.clear();
        OpenSettingsStore(dir.WPath().c_str());
        CurrentScreen = kScreenGps;
        CurrentCellId = 0;
        *GpsDevice.LiveRecord() = GPS_CURRENT{};
        RecorderState = kRecorderIdle;
        ActiveTrack = TRACK{};
        DrawnPath.clear();
        RecordCellIds = RecordSpeed = RecordTime = false;
        DrawRecordedPath = true;
        RecordAngleFilter = 10;
        RecordSpeedFilter = 5;
        DistanceUnit = SpeedUnit = 0;
    }
    ~Folder()
    {
        FillTrackList(nullptr, nullptr, nullptr);
        CloseSettingsStore();
        CurrentScreen = kScreenGps;
        CurrentCellId = 0;
    }
    std::string TrackFile() const { return Slurp(dir.File("pathvextrk.xml")); }
};

// One fix through the recorder as the reader thread's tick gives it.
void Tick(double x, double y, double kmh, double course, uint32_t mark = 0, int fix = 1)
{
    GPS_CURRENT* live = GpsDevice.LiveRecord();
    live->fix = fix;
    live->pos.x = x;
    live->pos.y = y;
    live->kmh = kmh;
    live->course = course;
    RunRecorderTick(&GpsDevice, mark);
}

size_t Stored()
{
    return ActiveTrack.points.size();
}

}  // namespace

TEST_CASE("the recorder's filters at their thresholds")
{
    Folder f;
    StartRecording();
    Tick(0, 0, 0, 100);   // the first fix after a start: kept whatever its speed
    CHECK(Stored() == 1);

    SUBCASE("speed: 4.9 km/h is dropped, exactly 5 goes on to the course filter") {
        Tick(1, 2, 4.9, 200);
        CHECK(Stored() == 1);
        Tick(1, 3, 5.0, 200);
        CHECK(Stored() == 2);
    }
    SUBCASE("course: a turn of exactly the threshold is dropped; a slow curve is caught") {
        Tick(1, 2, 50, 110);
        CHECK(Stored() == 1);
        Tick(1, 3, 50, 110.5);
        CHECK(Stored() == 2);
        Tick(1, 4, 50, 116);   // measured from the last stored course
        Tick(1, 5, 50, 121);
        CHECK(Stored() == 3);
    }
    SUBCASE("crossing north: 359 to 1 is a turn of 2 degrees") {
        Tick(1, 2, 50, 359);
        Tick(1, 3, 50, 1);
        CHECK(Stored() == 2);
        Tick(1, 4, 50, 10);   // 11 degrees from 359
        CHECK(Stored() == 3);
    }
    SUBCASE("a mark keeps a fix on the same course, but not a slow one") {
        Tick(1, 2, 50, 100, 70);
        CHECK(ActiveTrack.points.back().mark == 70);
        Tick(1, 3, 4, 100, 70);
        CHECK(Stored() == 2);
    }
    SUBCASE("no valid fix, or a position that is not a number, is never kept") {
        Tick(1, 2, 50, 200, 0, 0);
        Tick(1, 2, 50, 200, 0, 2);
        Tick(std::nan(""), 2, 50, 200);
        Tick(1, HUGE_VAL, 50, 200);
        CHECK(Stored() == 1);
        CHECK(DrawnPath.size() == 1);
    }
    SUBCASE("with \"rci\", the first fix in a new cell is kept whatever it does") {
        RecordCellIds = true;
        CurrentCellId = 7;
        Tick(1, 2, 0, 100);
        CHECK(Stored() == 2);
        CHECK(DrawnPath.back().cellId == 7);
        Tick(1, 3, 0, 100);
        RecordCellIds = false;
        CurrentCellId = 8;
        Tick(1, 4, 0, 100);
        CHECK(Stored() == 2);
    }
    SUBCASE("paused: nothing kept; resumed: filtered against the last stored point") {
        TrackCommand(nullptr, IDM_TRACK_PAUSE);
        CHECK(RecorderState == kRecorderPaused);
        Tick(5, 5, 50, 300);
        TrackCommand(nullptr, IDM_TRACK_PAUSE);
        CHECK(RecorderState == kRecorderRecording);
        Tick(5, 6, 50, 105);
        CHECK(Stored() == 1);
    }
    SUBCASE("legs add up in km whatever the distance unit") {
        DistanceUnit = 1;
        // 1.609344 km along the equator: 1.609344 / 6371 radians of longitude.
        Tick(1.609344 / 6371.0 * 180.0 / 3.14159265358979323846, 0, 50, 200);
        CHECK(TrackDistance == doctest::Approx(1.609344).epsilon(1e-4));
    }
}

TEST_CASE("what a stop writes, and when it writes nothing")
{
    Folder f;
    SUBCASE("a recording becomes \"Track 1\" with its points in the file's formats") {
        RecordCellIds = RecordSpeed = RecordTime = true;
        SpeedUnit = 1;
        StartRecording();
        GPS_CURRENT* live = GpsDevice.LiveRecord();
        live->pos.z = 10;
        live->knots = 19.4384;
        live->local.wHour = 7;
        live->local.wMinute = 5;
        live->local.wSecond = 9;
        CurrentCellId = 42;
        Tick(1.5, -2.25, 36, 90);
        live->pos.z = 0;
        Tick(1.5, -2.5, 36, 180, 50);
        TrackCommand(nullptr, IDM_TRACK_END);
        CHECK(RecorderState == kRecorderIdle);
        CHECK(Stored() == 2);               // the points stay
        CHECK(TrackDocument == nullptr);    // released: the track list is not shown
        const std::string written = f.TrackFile();
        CHECK(written ==
              "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\r\n<root>\r\n\t<tracks>\r\n"
              "\t\t<t n=\"Track 1\">\r\n"
              "\t\t\t<p x=\"1.500000\" y=\"-2.250000\" z=\"10.000000\" c=\"42\" spd=\"19.44\" time=\"07:05:09\"/>\r\n"
              "\t\t\t<p x=\"1.500000\" y=\"-2.500000\" z=\"0.000000\" s=\"50\" c=\"42\" spd=\"19.44\" time=\"07:05:09\"/>\r\n"
              "\t\t</t>\r\n\t</tracks>\r\n</root>\r\n");

        // Idle, the end writes nothing more, and a pause does not start
        // recording onto the old points.
        TrackCommand(nullptr, IDM_TRACK_END);
        TrackCommand(nullptr, IDM_TRACK_PAUSE);
        CHECK(RecorderState == kRecorderIdle);
        Tick(3, 3, 50, 0);
        CHECK(f.TrackFile() == written);
        CHECK(Stored() == 2);
    }
    SUBCASE("ending while following a route, or without a point, writes nothing") {
        ActiveTrack.points.resize(3);
        RecorderState = kRecorderFollowing;
        StopRecording();
        CHECK(RecorderState == kRecorderIdle);
        StartRecording();
        Tick(1, 1, 50, 0, 0, 0);
        StopRecording();
        CHECK(f.TrackFile().empty());
    }
    SUBCASE("with the track list open on a category, the track goes into it") {
        CurrentScreen = kScreenTracks;
        REQUIRE(OpenTrackDocument());
        XMLElement* walks = AppendCategoryElement(CurrentTrackElement, "Walks");
        AppendTrackElement(walks, "Old");
        FillTrackList(nullptr, nullptr, walks);
        StartRecording();
        Tick(1, 1, 0, 0);
        StopRecording();
        CHECK(TrackDocument != nullptr);   // kept open for the list
        CHECK(Has(f.TrackFile(), "\t\t<c n=\"Walks\">\r\n\t\t\t<t n=\"Old\"/>\r\n\t\t\t<t n=\"Track 2\">"));
    }
}

TEST_CASE("names with every special character survive save and reload")
{
    const char* const kName = "Tom's \"best\" <spot> & more &amp; \xE2\x82\xAC";
    Folder f;
    SUBCASE("waypoints and their categories in the settings document") {
        OpenWaypointCategory = AppendCategoryElement(WaypointsElement, kName);
        AddWaypointElement(nullptr, 8.5, 47.25, 400, kName, false);
        OpenWaypointCategory = nullptr;
        AddWaypointElement(nullptr, 1, 2, 3, "Plain", false);
        // A plain name is written as the formatted start tag always was.
        CHECK(Has(Slurp(f.dir.File("pathvex.xml")), "<w n=\"Plain\" x=\"1.000000\" y=\"2.000000\" z=\"3.000000\"/>"));

        CloseSettingsStore();   // shutdown saves; the next start reads it back
        OpenSettingsStore(f.dir.WPath().c_str());
        RebuildWaypointList();
        REQUIRE(Waypoints.size() == 2);
        CHECK(std::string(Waypoints[0].name) == kName);
        CHECK(Waypoints[0].pos.y == 47.25);
        const XMLAttribute* category = WaypointsElement->GetChild(0)->GetAttribute(0);
        std::vector<char> text(size_t(category->GetValue(nullptr, 0)) + 10);
        category->GetValue(text.data(), 0);
        CHECK(std::string(text.data()) == kName);
    }
    SUBCASE("tracks and track categories in the track document") {
        REQUIRE(OpenTrackDocument());
        XMLElement* category = AppendCategoryElement(CurrentTrackElement, kName);
        AppendTrackPoint(AppendTrackElement(category, kName), GPS_CURRENT{}, 0);
        FillTrackList(kTrackListSave, nullptr, nullptr);
        FillTrackList(nullptr, nullptr, nullptr);

        REQUIRE(OpenTrackDocument());
        FillTrackList(nullptr, nullptr, CurrentTrackElement->GetChild(0));
        TRACK read{};
        ReadTrackPoints(0, &read, false);
        CHECK(read.name == kName);
        CHECK(read.points.size() == 1);
        CHECK(Notices.empty());
    }
    SUBCASE("a waypoint's name is cut to 99 bytes of whole UTF-8 characters") {
        std::string euros;   // 1000 three-byte characters: 33 of them fit
        for (int i = 0; i < 1000; ++i)
            euros += "\xE2\x82\xAC";
        AddWaypointElement(nullptr, 0, 0, 0, euros.c_str(), false);
        CHECK(std::string(Waypoints.at(0).name) == euros.substr(0, 99));
        WAYPOINT w{};
        SetWaypointName(&w, (std::string(98, 'a') + "\xC3\xA9").c_str());   // 100 bytes
        CHECK(std::string(w.name) == std::string(98, 'a'));
    }
}

TEST_CASE("the waypoint vector follows the stored elements")
{
    Folder f;
    XMLElement* deep = WaypointsElement;
    for (int i = 0; i < 3; ++i)
        deep = AppendCategoryElement(deep, "c");
    deep->AddChildFromTag("<w n=\"Deep\" x=\"1.5\" y=\"2\"/>");
    WaypointsElement->AddChildFromTag("<v n=\"Odd\" x=\"3\" y=\"4\" z=\"5\"/>");
    WaypointsElement->AddChildFromTag("<c n=\"Not a point\" x=\"9\" y=\"9\" z=\"9\"/>");
    RebuildWaypointList();
    REQUIRE(Waypoints.size() == 2);
    CHECK(std::string(Waypoints[0].name) == "Deep");
    CHECK(Waypoints[0].pos.z == 0.0);   // no "z"
    CHECK(std::string(Waypoints[1].name) == "Odd");

    // Into the open category; a deferred add waits for the caller.
    OpenWaypointCategory = deep;
    AddWaypointElement(nullptr, 7, 8, 9, "Later", true);
    CHECK(Waypoints.size() == 2);
    CHECK(deep->GetChildCount() == 2);
    CHECK_FALSE(Has(Slurp(f.dir.File("pathvex.xml")), "Later"));
    AddWaypointElement(nullptr, 7, 8, 9, "Now", false);
    CHECK(Waypoints.size() == 4);
    CHECK(Has(Slurp(f.dir.File("pathvex.xml")), "Later"));
}

TEST_CASE("a damaged track file is kept aside; huge numbers are written whole")
{
    Folder f;
    SUBCASE("a file cut short by a crash is kept as .bad and reported once") {
        const std::string damaged =
            "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\r\n<root>\r\n\t<tracks>\r\n\t\t<t n=\"A\">";
        FILE* file = std::fopen(f.dir.File("pathvextrk.xml").c_str(), "wb");
        REQUIRE(file);
        std::fputs(damaged.c_str(), file);
        std::fclose(file);
        StartRecording();
        Tick(1, 1, 0, 0);
        StopRecording();
        CHECK(Notices.size() == 1);
        CHECK(Slurp(f.dir.File("pathvextrk.xml.bad")) == damaged);
        CHECK(Has(f.TrackFile(), "<t n=\"Track 1\">"));
    }
    SUBCASE("coordinates of any size fit; one that is not a number is written as 0") {
        REQUIRE(OpenTrackDocument());
        GPS_CURRENT p{};
        p.pos.x = 1e300;
        p.pos.y = -1e300;
        p.pos.z = std::nan("");
        p.kmh = HUGE_VAL;
        AppendTrackPoint(AppendTrackElement(CurrentTrackElement, "Far"), p, kPointSpeed);
        FillTrackList(kTrackListSave, nullptr, nullptr);
        FillTrackList(nullptr, nullptr, nullptr);
        TRACK read{};
        ReadTrackPoints(0, &read, false);
        REQUIRE(read.points.size() == 1);
        CHECK(read.points[0].pos.x == doctest::Approx(1e300));
        CHECK(read.points[0].pos.y == doctest::Approx(-1e300));
        CHECK(read.points[0].pos.z == 0.0);
        CHECK(Has(f.TrackFile(), "spd=\"0.00\""));
    }
}

TEST_CASE("the track list: a row per child, categories in angle brackets, Back")
{
    Folder f;
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    HWND parent = CreateWindowExW(0, L"STATIC", L"tracks", WS_OVERLAPPEDWINDOW, 0, 0, 240, 320, nullptr,
                                  nullptr, nullptr, nullptr);
    HWND list = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | LVS_REPORT, 0, 0, 240, 320, parent, nullptr,
                                nullptr, nullptr);
    REQUIRE(list);
    for (int i = 0; i < 4; ++i) {
        LVCOLUMNW c{};
        c.mask = LVCF_WIDTH;
        c.cx = 40;
        SendMessageW(list, LVM_INSERTCOLUMNW, WPARAM(i), reinterpret_cast<LPARAM>(&c));
    }
    const auto rows = [&] { return SendMessageW(list, LVM_GETITEMCOUNT, 0, 0); };
    const auto text = [&](int item, int column) { return testsupport::ListCell(list, item, column); };

    FillTrackList(nullptr, list, nullptr);   // no file yet: an empty list
    CHECK(rows() == 0);
    XMLElement* walks = AppendCategoryElement(CurrentTrackElement, "Wege \xC3\xBC");
    AppendTrackElement(walks, "A");
    AppendTrackElement(walks, "B");
    AppendTrackPoint(AppendTrackElement(CurrentTrackElement, "Solo"), GPS_CURRENT{}, 0);

    FillTrackList(nullptr, list, nullptr);
    REQUIRE(rows() == 2);
    CHECK(text(0, 0) == L"1");
    CHECK(text(0, 1) == L"<Wege \u00FC>");
    CHECK(text(0, 2) == L"2");
    CHECK(text(1, 1) == L"Solo");
    CHECK(text(1, 2) == L"1");
    CHECK(text(1, 3).empty());

    FillTrackList(nullptr, list, walks);
    CHECK(TrackListBack(list));          // up to "tracks"
    CHECK(rows() == 2);
    CHECK_FALSE(TrackListBack(list));    // from "tracks": leave, released
    CHECK(TrackDocument == nullptr);
    DestroyWindow(parent);
}

TEST_CASE("a recording of the built-in simulation ends as a track of the fixes fed")
{
    Folder f;
    SimulationList.LoadDemonstration();
    SimulationMode = kSimulationTimer;   // each take moves on by one
    // What each RMC sentence of the list says, read by a port of its own.
    std::vector<GPS_POSITION> fed;
    for (const std::string& sentence : SimulationList.Sentences()) {
        GpsPort reader;
        NmeaMessage msg{};
        if (reader.ParseNmea(sentence, &msg, true) && sentence.rfind("$GPRMC", 0) == 0)
            fed.push_back(reader.LiveRecord()->pos);
    }
    REQUIRE(fed.size() == 21);

    StartRecording();
    std::vector<size_t> expected;
    SUBCASE("filters wide open: every fix") {
        LiveRecordGuard hold(&GpsDevice);
        ActiveTrack.speedThreshold = 0;
        ActiveTrack.angleThreshold = -1;
        for (size_t i = 0; i < fed.size(); ++i)
            expected.push_back(i);
    }
    SUBCASE("default filters: the first fix and every turn of more than 10 degrees") {
        // Courses 315 (x4), 90 (x4), 180 (x4), 270 (x4), 0, 45 (x3), then 0
        // at 1.1 knots, below 5 km/h.
        expected = {0, 4, 8, 12, 16, 17};
    }
    // The reader's road: each sentence taken as the reader thread takes it,
    // assembled, parsed, then one recorder tick.
    char buffer[GpsPort::kReadChunkSize];
    for (size_t i = 0; i < SimulationList.Size(); ++i)
        GpsDevice.AssembleInput(buffer, SimulationList.TakeNext(buffer, sizeof buffer));
    StopRecording();

    TRACK read{}, reversed{};
    ReadTrackPoints(0, &read, false);
    ReadTrackPoints(0, &reversed, true);
    CHECK(read.name == "Track 1");
    REQUIRE(read.points.size() == expected.size());
    for (size_t k = 0; k < expected.size(); ++k) {
        CAPTURE(k);
        CHECK(read.points[k].pos.x == doctest::Approx(fed[expected[k]].x).epsilon(1e-9));
        CHECK(read.points[k].pos.y == doctest::Approx(fed[expected[k]].y).epsilon(1e-9));
        CHECK(reversed.points[expected.size() - 1 - k].pos.y == read.points[k].pos.y);
    }
}
