// bench_tracks - the cost of the tracks code at sizes users reach.
//
//   bench_tracks normalise [points ...]   NormalizeTrack on a recorded-like track
//                                         (default 10000 100000 1000000)
//   bench_tracks exchange [points ...]    LOC and KML export and import of one
//                                         track (default 100000 1000000)
//   bench_tracks route [points [fixes]]   route following with a fix at every
//                                         third route point (default 1000000, all)
//   bench_tracks bigkml [megabytes]       one KML file of Point placemarks read
//                                         by the import (default 200)
//   bench_tracks                          all four with their defaults
//
// Each prints its figures, the ratio between consecutive sizes and whether
// the aims are met. Files go to a folder under the system's temporary folder,
// removed at the end. Run under Wine in the x64 tree.
#include "gps/gps.h"
#include "kit/outside.h"
#include "kit/settings.h"
#include "resources/resource.h"
#include "support/window_support.h"
#include "tracks/exchange_internal.h"
#include "tracks/tracks.h"
#include "tracks/tracks_internal.h"
#include "xml/xml.h"

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr double kMB = 1024.0 * 1024.0;
constexpr double kDegreesPerMetre = 1.0 / 111195.0;

double Now()
{
    LARGE_INTEGER f, t;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&t);
    return double(t.QuadPart) / double(f.QuadPart);
}

// The process's memory counters.
PROCESS_MEMORY_COUNTERS Memory()
{
    PROCESS_MEMORY_COUNTERS pmc{};
    pmc.cb = sizeof pmc;
    GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc);
    return pmc;
}

// A fixed pseudo-random sequence, so that every run sees the same track.
struct Random {
    uint64_t state = 0x9E3779B97F4A7C15ull;
    double Next()   // 0 to 1
    {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return double(state >> 11) / double(1ull << 53);
    }
};

// A walk as a receiver records it: legs of 5 to 20 m with a slowly turning
// heading, stops where fixes scatter within a few metres, and a cell id that
// changes now and then.
std::vector<GPS_CURRENT> RecordedTrack(size_t n)
{
    std::vector<GPS_CURRENT> points(n);
    Random r;
    double x = 8.5, y = 47.3, heading = 0.0;
    uint32_t cell = 1;
    size_t stopLeft = 0;
    for (size_t i = 0; i < n; ++i) {
        GPS_CURRENT& p = points[i];
        if (stopLeft == 0 && r.Next() < 0.002)
            stopLeft = 20 + size_t(r.Next() * 40);
        double step = 5.0 + 15.0 * r.Next();
        if (stopLeft > 0) {
            --stopLeft;
            step = 2.0 * r.Next();
        }
        heading += (r.Next() - 0.5) * 0.6;
        if (r.Next() < 0.01)
            heading += (r.Next() - 0.5) * 3.0;   // a corner
        if (r.Next() < 0.0005)
            ++cell;
        x += step * std::sin(heading) * kDegreesPerMetre / std::cos(y * 0.0174533);
        y += step * std::cos(heading) * kDegreesPerMetre;
        p.pos.x = x;
        p.pos.y = y;
        p.pos.z = 400.0 + 50.0 * std::sin(double(i) * 0.001);
        p.cellId = cell;
        p.course = std::fmod(heading * 57.29578 + 720.0, 360.0);
        p.fix = 1;
    }
    return points;
}

std::wstring TempFolder()
{
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    std::wstring dir = std::wstring(base) + L"bench_tracks_" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(dir.c_str(), nullptr);
    return dir;
}

void RemoveFolder(const std::wstring& dir)
{
    WIN32_FIND_DATAW found;
    HANDLE h = FindFirstFileW((dir + L"\\*").c_str(), &found);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                DeleteFileW((dir + L"\\" + found.cFileName).c_str());
        } while (FindNextFileW(h, &found));
        FindClose(h);
    }
    RemoveDirectoryW(dir.c_str());
}

long long FileSize(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA a{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &a))
        return -1;
    return (static_cast<long long>(a.nFileSizeHigh) << 32) | a.nFileSizeLow;
}

bool WriteText(const std::wstring& path, const std::string& text)
{
    FILE* f = _wfopen(path.c_str(), L"wb");
    if (!f)
        return false;
    const bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    return std::fclose(f) == 0 && ok;
}

void PrintRatio(const char* what, double small, size_t smallN, double large, size_t largeN, double limit)
{
    if (small <= 0.0)
        return;
    const double ratio = large / small;
    const double sizes = double(largeN) / double(smallN);
    std::printf("  %-28s %zu -> %zu points: time x%.1f for size x%.0f (aim: at most x%.0f) %s\n", what, smallN, largeN,
                ratio, sizes, limit, ratio <= limit ? "ok" : "NOT MET");
}

// ---------------------------------------------------------------------------

void BenchNormalise(const std::vector<size_t>& sizes)
{
    std::printf("normalise (\"ntm\" 15 m, \"angle\" 10 degrees)\n");
    NormalizationMetres = 15;
    RecordAngleFilter = 10;
    std::vector<double> seconds;
    for (size_t n : sizes) {
        TRACK track{};
        track.points = RecordedTrack(n);
        const double t0 = Now();
        NormalizeTrack(&track);
        const double t = Now() - t0;
        seconds.push_back(t);
        std::printf("  %8zu points -> %8zu kept: %9.3f s\n", n, track.points.size(), t);
    }
    for (size_t i = 1; i < sizes.size(); ++i)
        PrintRatio("normalise", seconds[i - 1], sizes[i - 1], seconds[i], sizes[i],
                   2.0 * double(sizes[i]) / double(sizes[i - 1]));
    for (size_t i = 0; i < sizes.size(); ++i)
        if (sizes[i] == 1000000)
            std::printf("  1M points in %.3f s (aim: under 2 s) %s\n", seconds[i], seconds[i] < 2.0 ? "ok" : "NOT MET");
}

// ---------------------------------------------------------------------------

// A track document holding one track "Bench" of the first n points of a
// recorded track, as the recorder writes them.
std::string TrackFile(size_t n)
{
    const std::vector<GPS_CURRENT> points = RecordedTrack(n);
    std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\r\n<root>\r\n\t<tracks>\r\n"
                       "\t\t<t n=\"Bench\">\r\n";
    text.reserve(n * 64 + 256);
    char line[160];
    for (const GPS_CURRENT& p : points) {
        std::snprintf(line, sizeof line, "\t\t\t<p x=\"%f\" y=\"%f\" z=\"%f\"/>\r\n", p.pos.x, p.pos.y, p.pos.z);
        text += line;
    }
    text += "\t\t</t>\r\n\t</tracks>\r\n</root>\r\n";
    return text;
}

const char kEmptyTrackFile[] = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\r\n<root>\r\n"
                               "\t<tracks/>\r\n</root>\r\n";

// The import's dialogs as a user who takes everything answers them: a
// list chooses every entry (the first when only one may be chosen), a
// question No, a message OK. From a thread of its own while the import waits
// in them; each costs up to 20 ms of the figures.
int AnswerEverything(HWND dialog)
{
    if (HWND list = GetDlgItem(dialog, IDC_ENTRY_TEXT)) {
        SendMessageW(list, LB_SETSEL, TRUE, -1);
        SendMessageW(list, LB_SETCURSEL, 0, 0);
        return IDOK;
    }
    return GetDlgItem(dialog, IDNO) ? IDNO : IDOK;
}

struct DialogsAnswered {
    testsupport::DialogAnswerer answerer{[](HWND) { return true; }, AnswerEverything, true};
};

// A settings document of its own with an empty "waypoints", saved to dir.
void OpenSettings(const std::wstring& dir)
{
    const std::wstring path = dir + L"\\pathvex.xml";
    WriteText(path, "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\r\n<root>\r\n"
                    "\t<waypoints/>\r\n</root>\r\n");
    SettingsDocument = std::make_unique<XMLDocument>(path.c_str(), 0);
    WaypointsElement = SettingsDocument->GetRoot()->FindElement("waypoints", 1, nullptr);
    OpenWaypointCategory = nullptr;
    Waypoints.clear();
}

struct EXCHANGE_ROW {
    const char* what;
    std::vector<double> seconds;
};

void BenchExchange(const std::vector<size_t>& sizes)
{
    std::printf("exchange (one track of n points; files in %%TEMP%%)\n");
    const std::wstring dir = TempFolder();
    const std::wstring trackPath = dir + L"\\pathvextrk.xml";
    std::wcsncpy(TrackDocumentPath, trackPath.c_str(), MAX_PATH - 1);
    DialogsAnswered answered;

    EXCHANGE_ROW rows[] = {{"export track KML (1302)", {}},  {"export track LOC (1312)", {}},
                           {"import KML as track (1331)", {}}, {"import LOC as track (1331)", {}},
                           {"import LOC as waypoints (1321)", {}}, {"export all waypoints KML (1317)", {}}};
    for (size_t n : sizes) {
        const std::wstring kml = dir + L"\\bench.kml";
        const std::wstring loc = dir + L"\\bench.loc";
        double t0;
        auto lap = [&](EXCHANGE_ROW& row) {
            const double t = Now() - t0;
            row.seconds.push_back(t);
            std::printf("  %-32s %8zu points: %9.3f s\n", row.what, n, t);
        };

        WriteText(trackPath, TrackFile(n));
        OpenTrackDocument();
        {
            t0 = Now();
            TRACK track{};
            ReadTrackPoints(0, &track, false);
            exchangeimpl::WriteTrackKml(nullptr, track, kml);
            lap(rows[0]);
        }
        {
            t0 = Now();
            TRACK track{};
            ReadTrackPoints(0, &track, false);
            exchangeimpl::WriteTrackLoc(nullptr, track, loc);
            lap(rows[1]);
        }
        FillTrackList(nullptr, nullptr, nullptr);

        WriteText(trackPath, kEmptyTrackFile);
        t0 = Now();
        exchangeimpl::ImportChosenFile(nullptr, kml, true);
        lap(rows[2]);
        FillTrackList(nullptr, nullptr, nullptr);

        WriteText(trackPath, kEmptyTrackFile);
        t0 = Now();
        exchangeimpl::ImportChosenFile(nullptr, loc, true);
        lap(rows[3]);
        FillTrackList(nullptr, nullptr, nullptr);

        OpenSettings(dir);
        t0 = Now();
        exchangeimpl::ImportChosenFile(nullptr, loc, false);
        lap(rows[4]);
        if (Waypoints.size() != n)
            std::printf("  (%zu waypoints imported, not %zu)\n", Waypoints.size(), n);

        t0 = Now();
        exchangeimpl::WriteAllWaypointsKml(nullptr, kml);
        lap(rows[5]);
        WaypointsElement = nullptr;
        Waypoints.clear();
        SettingsDocument.reset();
        std::printf("  (files: track %.1f MB, KML %.1f MB, LOC %.1f MB)\n", double(FileSize(trackPath)) / kMB,
                    double(FileSize(kml)) / kMB, double(FileSize(loc)) / kMB);
    }
    for (const EXCHANGE_ROW& row : rows) {
        for (size_t i = 1; i < row.seconds.size(); ++i)
            PrintRatio(row.what, row.seconds[i - 1], sizes[i - 1], row.seconds[i], sizes[i],
                       2.0 * double(sizes[i]) / double(sizes[i - 1]));
        for (size_t i = 0; i < row.seconds.size(); ++i)
            if (sizes[i] == 100000)
                std::printf("  %-32s 100k points in %.3f s (aim: under 2 s) %s\n", row.what, row.seconds[i],
                            row.seconds[i] < 2.0 ? "ok" : "NOT MET");
    }
    TrackDocumentPath[0] = L'\0';
    RemoveFolder(dir);
}

// ---------------------------------------------------------------------------

// A winding route with points 10 m apart, driven at 10 knots with a fix at
// every third point: each fix skips two points, so every step looks for the
// nearest point after its advance.
void BenchRoute(size_t n, size_t fixes)
{
    std::printf("route following (%zu route points, a fix at every third point)\n", n);
    if (n < 4) {
        std::printf("  a route needs at least 4 points\n");
        return;
    }
    // The route's records go to the route whole; the fixes read the positions
    // kept beside them (a second million 1088-byte records does not fit
    // beside the first in a 32-bit process).
    std::vector<GPS_CURRENT> points(n);
    std::vector<GPS_POSITION> route(n);
    Random r;
    double x = 8.5, y = 47.3, heading = 0.0;
    for (size_t i = 0; i < n; ++i) {
        heading += (r.Next() - 0.5) * 0.2;
        x += 10.0 * std::sin(heading) * kDegreesPerMetre / std::cos(y * 0.0174533);
        y += 10.0 * std::cos(heading) * kDegreesPerMetre;
        points[i].pos.x = route[i].x = x;
        points[i].pos.y = route[i].y = y;
    }
    const size_t maxFixes = (n - 1) / 3;
    if (fixes == 0 || fixes > maxFixes)
        fixes = maxFixes;
    OutsideSeams.playSound = [](const wchar_t*) {};   // no sound device to wait for
    tracksimpl::BeginRoute(nullptr, std::move(points), 0, {}, 0);

    std::vector<double> micros;
    micros.reserve(fixes);
    size_t wrong = 0;
    for (size_t k = 1; k <= fixes; ++k) {
        {
            LiveRecordGuard live(&GpsDevice);
            live->pos = route[3 * k];
            live->fix = 1;
            live->knots = 10.0;
            live->kmh = 18.52;
            live->ms = 5.144444;
            live->course = 0.0;
        }
        const double t0 = Now();
        FollowRoute(&GpsDevice);
        micros.push_back((Now() - t0) * 1e6);
        if (RoutePosition != 3 * k)
            ++wrong;
    }
    RecorderState = kRecorderIdle;
    std::vector<double> sorted = micros;
    std::sort(sorted.begin(), sorted.end());
    const double median = sorted[sorted.size() / 2];
    std::printf("  %zu fixes: median %.2f us, 90th percentile %.2f us, slowest %.2f us per fix\n", fixes, median,
                sorted[sorted.size() * 9 / 10], sorted.back());
    // The first and the last tenth: a search that scans the whole route
    // costs the same everywhere, one that starts from the position does not
    // grow along the route either.
    const size_t tenth = std::max<size_t>(1, micros.size() / 10);
    std::vector<double> head(micros.begin(), micros.begin() + std::ptrdiff_t(tenth));
    std::vector<double> tail(micros.end() - std::ptrdiff_t(tenth), micros.end());
    std::sort(head.begin(), head.end());
    std::sort(tail.begin(), tail.end());
    std::printf("  median of the first tenth %.2f us, of the last tenth %.2f us\n", head[head.size() / 2],
                tail[tail.size() / 2]);
    std::printf("  positions not at the fix's point: %zu\n", wrong);
    std::printf("  median under 50 us: %s\n", median < 50.0 ? "ok" : "NOT MET");
    ActiveTrack = TRACK{};
}

// ---------------------------------------------------------------------------

// A KML file of about megabytes MB: one Document of Point placemarks with
// names and descriptions, as exported waypoint collections look.
std::wstring BigKml(const std::wstring& dir, size_t megabytes, size_t* placemarks)
{
    const std::wstring path = dir + L"\\big.kml";
    FILE* f = _wfopen(path.c_str(), L"wb");
    if (!f)
        return std::wstring();
    std::fputs("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<kml xmlns=\"http://earth.google.com/kml/2.1\">\n"
               "<Document>\n",
               f);
    const size_t target = megabytes * 1000000;
    size_t written = 0;
    size_t count = 0;
    std::string chunk;
    char line[256];
    Random r;
    while (written < target) {
        chunk.clear();
        for (int i = 0; i < 10000 && written + chunk.size() < target; ++i, ++count) {
            const int length = std::snprintf(
                line, sizeof line,
                "<Placemark><name>WP %zu</name><Point><coordinates>%.7f,%.7f,%.1f</coordinates></Point>"
                "</Placemark>\n",
                count + 1, -180.0 + 360.0 * r.Next(), -80.0 + 160.0 * r.Next(), 1000.0 * r.Next());
            chunk.append(line, size_t(length));
        }
        std::fwrite(chunk.data(), 1, chunk.size(), f);
        written += chunk.size();
    }
    std::fputs("</Document>\n</kml>\n", f);
    std::fclose(f);
    *placemarks = count;
    return path;
}

void BenchBigKml(size_t megabytes)
{
    std::printf("a large KML file through the import (Point placemarks)\n");
    const std::wstring dir = TempFolder();
    size_t placemarks = 0;
    const std::wstring file = BigKml(dir, megabytes, &placemarks);
    const double size = double(FileSize(file));
    std::printf("  file: %.1f MB, %zu placemarks\n", size / kMB, placemarks);

    DialogsAnswered answered;   // the first "Collection"
    OpenSettings(dir);
    const PROCESS_MEMORY_COUNTERS before = Memory();
    const double t0 = Now();
    exchangeimpl::ImportChosenFile(nullptr, file, false);
    const double t = Now() - t0;
    const PROCESS_MEMORY_COUNTERS after = Memory();
    // Wine keeps no count of private bytes; the working set is what it has.
    const double peak = double(after.PeakWorkingSetSize) - double(before.WorkingSetSize);
    std::printf("  import: %.2f s (aim: under 60 s) %s\n", t, t < 60.0 ? "ok" : "NOT MET");
    std::printf("  peak working set above the start: %.1f MB = %.2f x the file (aim: under 3 x) %s\n", peak / kMB,
                peak / size, peak < 3.0 * size ? "ok" : "NOT MET");
    std::printf("  waypoints imported: %zu\n", Waypoints.size());
    WaypointsElement = nullptr;
    Waypoints.clear();
    SettingsDocument.reset();
    RemoveFolder(dir);
}

std::vector<size_t> Sizes(int argc, char** argv, std::vector<size_t> defaults)
{
    std::vector<size_t> sizes;
    for (int i = 2; i < argc; ++i)
        sizes.push_back(size_t(std::strtoull(argv[i], nullptr, 10)));
    return sizes.empty() ? defaults : sizes;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string what = argc > 1 ? argv[1] : "all";
    const bool all = what == "all";
    if (all || what == "normalise")
        BenchNormalise(Sizes(all ? 0 : argc, argv, {10000, 100000, 1000000}));
    if (all || what == "exchange")
        BenchExchange(Sizes(all ? 0 : argc, argv, {100000, 1000000}));
    if (all || what == "route") {
        const std::vector<size_t> args = Sizes(all ? 0 : argc, argv, {1000000, 0});
        BenchRoute(args[0], args.size() > 1 ? args[1] : 0);
    }
    if (all || what == "bigkml")
        BenchBigKml(Sizes(all ? 0 : argc, argv, {200})[0]);
    return 0;
}
