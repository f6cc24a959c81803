// The exchange in each real program, driven from outside as a user would:
// the waypoint screen's export and import commands, the system's file
// dialogs and the program's message answered in its windows, the exported
// file read by GPSBabel and the imported waypoint found in the settings the
// program saves when it closes.
#include "gpsbabel.h"
#include "program_runner.h"

using namespace gpsbabel;
using namespace programtest;

namespace {

constexpr WPARAM kExportAllWaypoints = 1317;
constexpr WPARAM kImportWaypoints = 1321;
constexpr int kFileNameCombo = 0x47C;
constexpr int kFileNameEdit = 0x480;
// One waypoint whose name needs escaping.
constexpr char kWaypoint[] =
    "  <w n=\"Home &amp; &quot;Away&quot;\" x=\"7.500000\" y=\"47.250000\" z=\"300.000000\"/>\r\n";

// The program's file dialog with the caption answered with path.
bool AnswerFileDialog(const Running& r, const wchar_t* caption, const std::string& path)
{
    HWND dialog = nullptr;
    if (!WaitFor([&] { return (dialog = r.FindOwnWindow(L"#32770", caption)) && IsWindowVisible(dialog); }, kStartMs))
        return false;
    SetDlgItemTextW(dialog, kFileNameCombo, Wide(path).c_str());
    SetDlgItemTextW(dialog, kFileNameEdit, Wide(path).c_str());
    return PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0) != 0;
}

}  // namespace

TEST_CASE("each program exports its waypoints for GPSBabel and imports GPSBabel's")
{
    for (const PROGRAM& p : ProgramsUnderTest()) {
        CAPTURE(p.name);
        Install install(p, Settings("upd=\"5\"", "", kWaypoint));
        const std::string exported = install.dir.File("all.kml");
        const std::string csv = install.dir.File("point.csv");
        const std::string imported = install.dir.File("point.kml");
        REQUIRE(WriteWholeFile(csv, "Latitude,Longitude,Name,Altitude\n-33.25,151.125,Harbour,12\n"));
        REQUIRE_FALSE(GpsBabel("-i unicsv", csv, "kml", imported).empty());

        Running r(install.dir.Path(), p, "");
        REQUIRE(r.WaitForMainWindow());
        r.Command(kCommandWaypoints);
        r.Command(kExportAllWaypoints);
        CHECK(AnswerFileDialog(r, L"Save As", exported));
        CHECK(WaitFor([&] { return Exists(exported); }, kStartMs));
        r.Command(kImportWaypoints);
        CHECK(AnswerFileDialog(r, L"Open", imported));
        CHECK(r.Answer(L"1 waypoint imported.", IDOK));
        CHECK(r.Close());

        const std::vector<BABEL_POINT> read = Read("kml", exported);
        REQUIRE(read.size() == 1);
        CHECK(read[0].name == "Home & \"Away\"");
        CHECK(SamePrinted(read[0].lon, 7.5));
        CHECK(SamePrinted(read[0].lat, 47.25));
        CHECK(Contains(install.ReadSettings(), "<w n=\"Harbour\" x=\"151.125000\" y=\"-33.250000\" z=\"12.000000\"/>"));
    }
}
