// pathvex-wm end to end with the stand-in radio layer and GPS driver beside
// it: a recorded drive fed through the driver shows on the raw log and the
// GPS data screen, and the track recorded meanwhile carries the cells the
// radio reported; without the libraries the program runs and a driver
// connect fails as the user is told.
#include "stand_in_folder.h"

#include "app/program_runner.h"
#include "platform/handles.h"
#include "support/dib_canvas.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

using namespace programtest;
using standin::Folder;
using standin::GPS_DRIVER_STEP;
using standin::kGpsLog;
using standin::kRilLog;
using standin::Libraries;
using testsupport::JsonNumber;
using testsupport::JsonString;

namespace {

constexpr WPARAM kCommandSirfBinary = 401;
constexpr wchar_t kOpeningFailed[] = L"GPS Opening failed";
constexpr wchar_t kSirfRefused[] = L"SIRF commands cannot be used when GPSApi is in use !";
constexpr double kKnotsPerMs = 1.0 / 0.5144444;

// The drive: the reference decoder's fixes of a recorded receiver log as the
// driver's records; records equal to the one before are left out (the
// driver would not report them anew).
std::vector<GPS_DRIVER_STEP> RecordedDrive(const std::string& path)
{
    std::string text;
    std::vector<GPS_DRIVER_STEP> steps;
    if (!ReadFile(path, &text))
        return steps;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        const std::string line = text.substr(start, end - start);
        const double lat = JsonNumber(line, "lat"), lon = JsonNumber(line, "lon");
        if (line.find("\"class\":\"TPV\"") == std::string::npos || std::isnan(lat) || std::isnan(lon))
            continue;
        GPS_DRIVER_STEP step = standin::PositionStep(lat, lon);
        GPS_DRIVER_POSITION& r = step.record;
        r.validFields &= ~(kGpsValidMagneticVariation | kGpsValidSatellitesInView);
        if (const double alt = JsonNumber(line, "alt"); !std::isnan(alt))
            r.altitudeSeaLevel = float(alt);
        if (const double speed = JsonNumber(line, "speed"); !std::isnan(speed))
            r.speed = float(speed * kKnotsPerMs);
        if (const double track = JsonNumber(line, "track"); !std::isnan(track))
            r.heading = float(track);
        // "2014-12-31T03:07:19.000Z": the time of day only.
        const std::string time = JsonString(line, "time");
        unsigned h = 0, m = 0, sec = 0;
        if (time.size() > 11 && std::sscanf(time.c_str() + 11, "%2u:%2u:%2u", &h, &m, &sec) > 0)
            r.utcTime = {0, 0, 0, 0, WORD(h), WORD(m), WORD(sec), 0};
        if (steps.empty() || std::memcmp(&steps.back().record, &r, sizeof r) != 0)
            steps.push_back(step);
    }
    return steps;
}

// The raw log's rows, read across the process boundary: the list view's
// text request needs its buffer inside the program.
std::vector<std::wstring> ListRows(HWND list)
{
    std::vector<std::wstring> rows;
    DWORD pid = 0;
    GetWindowThreadProcessId(list, &pid);
    const KernelHandle owner(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid));
    const HANDLE process = owner.Get();
    if (!process)
        return rows;
    constexpr int kChars = 256;
    const SIZE_T bytes = sizeof(LVITEMW) + kChars * sizeof(wchar_t);
    auto* remote = static_cast<char*>(VirtualAllocEx(process, nullptr, bytes, MEM_COMMIT, PAGE_READWRITE));
    const int count = remote ? int(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)) : 0;
    for (int i = 0; i < count; ++i) {
        LVITEMW item{};
        item.pszText = reinterpret_cast<wchar_t*>(remote + sizeof item);
        item.cchTextMax = kChars;
        wchar_t text[kChars] = {};
        if (!WriteProcessMemory(process, remote, &item, sizeof item, nullptr) ||
            SendMessageW(list, LVM_GETITEMTEXTW, WPARAM(i), reinterpret_cast<LPARAM>(remote)) < 0 ||
            !ReadProcessMemory(process, remote + sizeof item, text, sizeof text, nullptr))
            break;
        text[kChars - 1] = L'\0';
        rows.push_back(text);
    }
    if (remote)
        VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    return rows;
}

// The window as the screen shows it once its painting has settled, kept as
// a picture (for a person to look at) and returned as its pixels.
std::vector<uint32_t> Picture(HWND window, const std::string& name)
{
    RECT r{};
    GetClientRect(window, &r);
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    testsupport::DibCanvas canvas(r.right, r.bottom);
    canvas.CaptureScreen(origin.x, origin.y, kStartMs);
    canvas.SavePng(name);
    return canvas.Pixels();
}

// The pixels of the rows from top to bottom (exclusive) of a picture width wide.
std::vector<uint32_t> Band(const std::vector<uint32_t>& pixels, int width, int top, int bottom)
{
    if (pixels.size() < size_t(bottom) * size_t(width))
        return {};
    return std::vector<uint32_t>(pixels.begin() + top * width, pixels.begin() + bottom * width);
}

// The GPS data screen is painted: its instruments below the text rows make
// several colours where a window not painted yet shows its background.
bool Painted(const std::vector<uint32_t>& pixels, const RECT& client)
{
    std::vector<uint32_t> colours = Band(pixels, client.right, client.bottom / 4, client.bottom * 3 / 4);
    std::sort(colours.begin(), colours.end());
    return std::unique(colours.begin(), colours.end()) - colours.begin() >= 3;
}

std::wstring ApiRow(const GPS_DRIVER_STEP& s)
{
    wchar_t row[64];
    std::swprintf(row, 64, L"API msg:%.3f,%.3f", s.record.longitude, s.record.latitude);
    return row;
}

std::string Coordinates(double x, double y)
{
    char text[96];
    std::snprintf(text, sizeof text, "x=\"%f\" y=\"%f\"", x, y);
    return text;
}

}  // namespace

TEST_CASE("a drive through the GPS driver shows on the screens and is recorded with the radio's cells")
{
    const std::string data = testsupport::TestDataDir();
    if (data.empty()) {
        MESSAGE("the shared receiver logs are absent: the recorded drive is skipped");
        return;
    }
    const std::vector<GPS_DRIVER_STEP> drive = RecordedDrive(data + "\\receiver-logs\\trimble-lassen_iq.log.chk");
    REQUIRE(drive.size() >= 20);
    const PROGRAM p = ProgramsUnderTest().at(0);
    Install install(p, Settings("upd=\"5\"", "gapi=\"1\""));
    Folder stand(Libraries::Whole, install.dir.Path());
    stand.Radio("tower 140 1001");

    Running run(install.dir.Path(), p, "");
    HWND window = run.WaitForMainWindow();
    REQUIRE(window);
    // The radio is asked once at start and tells the first cell.
    CHECK(stand.WaitPlayed(1));
    CHECK(stand.Has(kRilLog, "init 1 0xff0000"));
    CHECK(stand.Has(kRilLog, "devspecific 26 4"));
    CHECK(stand.Count(kRilLog, "cellinfo") == 1);
    // The GPS data screen before any position: the top rows hold its text.
    RECT client{};
    GetClientRect(window, &client);
    std::vector<uint32_t> idle;
    CHECK(WaitFor([&] { return Painted(idle = Picture(window, "wm_driver_gps_before.png"), client); }, kStartMs));

    // Recording starts on the Path screen; the raw log is shown after it.
    CHECK(run.Command(kCommandStartRecording));
    CHECK(run.Press(L"Record Options", IDOK));
    CHECK(run.WaitForTitle([](const std::wstring& t) { return t == L"Path"; }));
    CHECK(run.Command(kCommandRaw));
    REQUIRE(run.WaitForTitle([](const std::wstring& t) { return t == L"Raw"; }));
    HWND list = GetDlgItem(run.MainWindow(), kListId);
    REQUIRE(list);
    CHECK(run.Command(kCommandConnect));

    // A third of the drive in each cell; every record brings two rows (its
    // position and its satellites) before the radio moves on.
    const size_t third = drive.size() / 3;
    const size_t ends[] = {third, 2 * third, drive.size()};
    const char* cells[] = {"notify 0x20003 8 0 1002", "notify 0x40008 12 0 0 1003"};
    size_t sent = 0;
    for (size_t phase = 0; phase < 3; ++phase) {
        for (; sent < ends[phase]; ++sent)
            stand.Drive(drive[sent]);
        CHECK(WaitFor([&] { return ListRows(list).size() >= 2 * sent; }, kStartMs));
        if (phase < 2) {
            stand.Radio(cells[phase]);
            CHECK(stand.WaitPlayed(phase + 2));
        }
    }
    const std::vector<std::wstring> rows = ListRows(list);
    REQUIRE(rows.size() == 2 * drive.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        CAPTURE(i);
        CHECK(rows[i] == ApiRow(drive[i / 2]));
    }

    // While the driver is the input, the receiver's commands are refused.
    CHECK(run.Command(kCommandSirfBinary));
    CHECK(run.Answer(kSirfRefused, IDOK));

    CHECK(run.Command(kCommandEndRecording));
    const std::string trackFile = install.dir.File("pathvextrk.xml");
    REQUIRE(WaitFor([&] { return Contains(testsupport::FileText(trackFile), "</t>"); }, kExitMs));
    CHECK(run.Command(kCommandGps));
    CHECK(run.WaitForTitle([&](const std::wstring& t) { return t == p.title; }));
    // The title changes before the raw log goes: a picture taken meanwhile
    // would show the log, not the position.
    CHECK(WaitFor([&] { return !IsWindowVisible(list); }, kStartMs));
    std::vector<uint32_t> shown;
    CHECK(WaitFor([&] { return Painted(shown = Picture(window, "wm_driver_gps_after.png"), client); }, kStartMs));
    CHECK(Band(shown, client.right, 0, 40) != Band(idle, client.right, 0, 40));
    CHECK(run.Close());
    CHECK(stand.Has(kRilLog, "deinit"));
    CHECK(stand.Has(kGpsLog, "close"));
    CHECK(stand.Count(kGpsLog, "misuse") == 0);

    // Every point is a position of the drive with the cell of its moment:
    // the cells in the order the radio told them, each cell change a point.
    const std::string tracks = testsupport::FileText(trackFile);
    std::vector<std::string> seenCells;
    for (const std::string& point : TrackPoints(tracks)) {
        CAPTURE(point);
        bool known = false;
        for (const GPS_DRIVER_STEP& s : drive)
            known = known || Contains(point, Coordinates(s.record.longitude, s.record.latitude));
        CHECK(known);
        const size_t c = point.find(" c=\"");
        REQUIRE(c != std::string::npos);
        const std::string cell = point.substr(c + 4, point.find('"', c + 4) - c - 4);
        if (seenCells.empty() || seenCells.back() != cell)
            seenCells.push_back(cell);
    }
    CHECK(seenCells == std::vector<std::string>{"1001", "1002", "1003"});
}

TEST_CASE("without the libraries, or with one lacking an entry, pathvex-wm runs and the driver cannot connect")
{
    const PROGRAM p = ProgramsUnderTest().at(0);
    for (Libraries which : {Libraries::None, Libraries::Partial}) {
        CAPTURE(int(which));
        Install install(p, Settings("upd=\"5\"", "gapi=\"1\""));
        Folder stand(which, install.dir.Path());
        stand.Radio("tower 140 55");
        Running run(install.dir.Path(), p, "");
        REQUIRE(run.WaitForMainWindow());
        CHECK(run.Command(kCommandConnect));
        CHECK(run.Answer(kOpeningFailed, IDOK));
        CHECK(run.WaitForTitle([&](const std::wstring& t) { return t == p.title; }));
        CHECK(run.Close());
        if (which == Libraries::Partial) {
            // The radio without its device-specific entry still tells the cell.
            CHECK(stand.Has(kRilLog, "played 1"));
            CHECK_FALSE(stand.Has(kGpsLog, "open"));
        }
    }
}
