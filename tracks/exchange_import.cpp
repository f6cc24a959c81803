// The KML and LOC imports: the points of a file, and what the user makes of
// them (one waypoint, chosen waypoints, or a track).
//
// The files come from anywhere. A document that does not parse, or whose
// root is not what it should be, gives no points; every element is looked
// for before it is read, and a point is taken only with a longitude and a
// latitude that are finite and on the globe. Nothing is stored until the
// user has answered every question, so a cancelled import changes nothing.
//
// A file of a few hundred megabytes takes a while to read, and a LOC
// file's tree as long again to let go: both run on a thread of their own
// while the window goes on painting and taking the receiver's messages,
// and the questions are asked on the window's thread between them. Storing
// the points goes into the window's own documents, so it stays on the
// window's thread, under a wait cursor.
#include "tracks/tracks.h"

#include "kit/dialogs.h"
#include "kit/screen_state.h"
#include "kit/utils.h"
#include "platform/handles.h"
#include "tracks/exchange_internal.h"
#include "tracks/kml_scan.h"
#include "tracks/tracks_internal.h"
#include "xml/xml.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <functional>
#include <memory>
#include <new>
#include <string>
#include <vector>

using namespace tracksimpl;
using namespace exchangeimpl;

namespace {

constexpr char kPlacemark[] = "Placemark";
constexpr wchar_t kCollectionEntry[] = L"Collection %u";
constexpr wchar_t kSelectPlacemarksTitle[] = L"Select Placemarks";
constexpr wchar_t kSelectPlacemarksPrompt[] = L"Choose the placemark to import:";
constexpr wchar_t kManyPointsQuestion[] = L"This file has many points.Do you want to create a track instead?";
constexpr wchar_t kOnePointQuestion[] = L"This file has only 1 point.Do you want to create a waypoint instead?";
constexpr wchar_t kOneWaypointImported[] = L"1 waypoint imported.";
constexpr wchar_t kTrackImported[] = L"1 track imported (%u points).";
constexpr wchar_t kWaypointEntry[] = L"#%u : %f,%f,%f";
constexpr wchar_t kSelectWaypointsTitle[] = L"Select Waypoints";
constexpr wchar_t kSelectWaypointsPrompt[] = L"Choose the waypoints to import:";
constexpr char kImportedWaypointName[] = "W #%u";
constexpr wchar_t kWaypointsImported[] = L"%u waypoints imported.";
constexpr wchar_t kNothingImported[] = L"No waypoint or track could be read from this file.";
// A Point's coordinates are read from this much of their text.
constexpr size_t kPointTextBytes = 99;

// A KML or LOC file read once. Of a KML file only the text is kept and
// where its placemarks stand in it: the tree of a file of millions of
// placemarks would be ten times its size, and one placemark is read.
struct SOURCE {
    std::unique_ptr<char[]> text;          // KML: the file's text
    std::vector<TEXT_SPAN> placemarks;     // KML: where each placemark stands in text
    std::unique_ptr<XMLDocument> doc;      // LOC: the document
    bool kml = false;
    bool loc = false;
};

// The file read once: a text that does not parse (a start tag without its
// end, nesting too deep) or whose root is neither "kml" nor "loc" is
// neither.
SOURCE ReadSource(const wchar_t* file)
{
    SOURCE source;
    source.text = XmlReadFileText(file);
    if (!source.text)
        return source;
    ELEMENT_SCAN scan = ScanElements(source.text.get(), kPlacemark);
    source.kml = scan.parsed && scan.root == kKmlRoot;
    if (source.kml) {
        source.placemarks = std::move(scan.matches);
        return source;
    }
    if (scan.parsed && scan.root == kLocRoot) {
        source.doc = std::make_unique<XMLDocument>();
        source.doc->LoadFromText(source.text.get());
        source.loc = source.doc->GetParseStatus(nullptr) < XML_STATUS_NO_ELEMENT_END &&
                     IsElementNamed(source.doc->GetRoot(), kLocRoot);
    }
    source.text.reset();
    return source;
}

// The tree of the placemark chosen, as the whole document would hold it.
std::unique_ptr<XMLElement> PlacemarkTree(SOURCE& source, size_t chosen)
{
    return ParseSpan(source.text.get(), source.placemarks[chosen]);
}

// Runs work, catching the one failure a file can cause in it: running out
// of memory on a file too large for this build. False then.
bool Completed(const std::function<void()>& work)
{
    try {
        work();
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

struct WORK {
    const std::function<void()>* work;
    bool completed;
};

DWORD WINAPI RunWork(void* context)
{
    auto* w = static_cast<WORK*>(context);
    w->completed = Completed(*w->work);
    return 0;
}

// Runs work on a thread of its own while this one goes on serving the
// window: it paints, and the receiver's messages get through. The window
// takes no input meanwhile, as under a dialog, so no command starts before
// the work is done. Without a window (or a thread) the work runs here.
// False when the work ran out of memory.
bool OffTheWindowThread(HWND window, const std::function<void()>& work)
{
    WORK w{&work, false};
    KernelHandle worker(window ? CreateThread(nullptr, 0, RunWork, &w, 0, nullptr) : nullptr);
    if (!worker.Valid())
        return Completed(work);
    const bool wasEnabled = !EnableWindow(window, FALSE);
    PumpMessagesUntilEnded(worker.Get());
    WaitForSingleObject(worker.Get(), INFINITE);
    if (wasEnabled)
        EnableWindow(window, TRUE);
    return w.completed;
}

XMLElement* Child(XMLElement* element, const char* name)
{
    return element ? element->FindElement(name, 0, nullptr) : nullptr;
}

// One number of a file, read as "%f" reads it into a float (the value
// kept) and as a double (to judge its range: 180.0000001 is off the globe,
// though as a float it is 180).
struct NUMBER {
    double exact;
    float value;
};

// A number as the C run-time reads a decimal, blanks before it skipped;
// false when there is none. *end is just past it.
bool ReadNumber(const char* text, const char** end, NUMBER* number)
{
    char* stop = nullptr;
    number->exact = std::strtod(text, &stop);
    if (stop == text)
        return false;
    // Parsed as a float in its own right: a float narrowed from the double
    // would round twice.
    number->value = std::strtof(text, nullptr);
    *end = stop;
    return true;
}

// A position taken only when every value is finite (the altitude also at
// the single precision it is kept in) and it lies on the globe.
bool MakePoint(const NUMBER& x, const NUMBER& y, const NUMBER& z, const std::string& name, WAYPOINT* point)
{
    if (!(x.exact >= -180.0 && x.exact <= 180.0 && y.exact >= -90.0 && y.exact <= 90.0) || !std::isfinite(z.value))
        return false;
    *point = WAYPOINT{};
    SetWaypointName(point, name.c_str());
    point->pos.x = x.value;
    point->pos.y = y.value;
    point->pos.z = z.value;
    return true;
}

// "lon,lat[,alt]" as "%f,%f,%f" reads it: blanks before each number
// skipped, commas between them, reading ends at the first one missing (the
// altitude is then 0). A tuple without longitude and latitude gives no
// point.
bool ReadTuple(const char* text, const std::string& name, WAYPOINT* point)
{
    NUMBER v[3] = {};
    int count = 0;
    for (const char* p = text; count < 3; ++count) {
        if (count > 0) {
            if (*p != ',')
                break;
            ++p;
        }
        if (!ReadNumber(p, &p, &v[count]))
            break;
    }
    return count >= 2 && MakePoint(v[0], v[1], v[2], name, point);
}

bool IsXmlBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// KML separates the tuples of a coordinates text by any run of whitespace.
void AppendTuples(const std::string& text, const std::string& name, std::vector<WAYPOINT>* points)
{
    std::string tuple;
    for (size_t at = 0; at < text.size();) {
        while (at < text.size() && IsXmlBlank(text[at]))
            ++at;
        const size_t start = at;
        while (at < text.size() && !IsXmlBlank(text[at]))
            ++at;
        if (at == start)
            break;
        tuple.assign(text, start, at - start);
        WAYPOINT point;
        if (ReadTuple(tuple.c_str(), name, &point))
            points->push_back(point);
    }
}

std::wstring Printed(const wchar_t* format, unsigned n)
{
    wchar_t text[64];
    std::swprintf(text, 64, format, n);
    return text;
}

void ImportOneWaypoint(HWND window, const WAYPOINT& point)
{
    AddWaypointElement(window, point.pos.x, point.pos.y, point.pos.z, point.name, false);
    ProgramMessageBox(window, kOneWaypointImported, MB_OK);
}

// The wait cursor while the window's thread stores what was imported: the
// documents are its own, so a million points keep it busy for seconds.
class WaitCursor {
public:
    WaitCursor() : previous_(SetCursor(LoadCursorW(nullptr, IDC_WAIT))) {}
    ~WaitCursor() { SetCursor(previous_); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    HCURSOR previous_;
};

// A new track named after the first point, in the track list's current
// element; the document is let go again unless the track list shows it.
void ImportTrack(HWND window, const std::vector<WAYPOINT>& points)
{
    {
        WaitCursor busy;
        if (!OpenTrackDocument())
            return;
        XMLElement* track = AppendTrackElement(CurrentTrackElement, points.front().name);
        track->ReserveChildren(uint32_t(points.size()));
        for (const WAYPOINT& p : points) {
            GPS_CURRENT point{};
            point.pos = p.pos;
            AppendTrackPoint(track, point, 0);
        }
        FillTrackList(kTrackListSave, nullptr, nullptr);
        if (CurrentScreen == kScreenTracks)
            FillTrackList(nullptr, CommandList(window), nullptr);
        else
            FillTrackList(nullptr, nullptr, nullptr);
    }
    ProgramMessageBox(window, Printed(kTrackImported, unsigned(points.size())).c_str(), MB_OK);
}

// The points offered by number and position; the chosen ones are named by
// their numbers, not by the file's names.
void ImportChosenWaypoints(HWND window, const std::vector<WAYPOINT>& points)
{
    std::vector<std::wstring> entries;
    entries.reserve(points.size());
    wchar_t line[256];
    for (size_t j = 0; j < points.size(); ++j) {
        std::swprintf(line, 256, kWaypointEntry, unsigned(j + 1), points[j].pos.x, points[j].pos.y, points[j].pos.z);
        entries.push_back(line);
    }
    std::vector<bool> chosen;
    if (!ShowSelectDialog(window, kSelectWaypointsTitle, kSelectWaypointsPrompt, entries, &chosen, false))
        return;
    unsigned added = 0;
    {
        WaitCursor busy;
        char name[32];
        if (XMLElement* parent = ShownWaypointElement())
            parent->ReserveChildren(uint32_t(std::count(chosen.begin(), chosen.end(), true)));
        for (size_t j = 0; j < chosen.size() && j < points.size(); ++j) {
            if (!chosen[j])
                continue;
            std::snprintf(name, sizeof name, kImportedWaypointName, unsigned(j + 1));
            AddWaypointElement(window, points[j].pos.x, points[j].pos.y, points[j].pos.z, name, true);
            ++added;
        }
        WaypointsChanged(window);
    }
    ProgramMessageBox(window, Printed(kWaypointsImported, added).c_str(), MB_OK);
}

// The placemark to read: the one there is, or the one the user picks
// among several ("Collection n"). False on Cancel.
bool ChoosePlacemark(HWND window, size_t placemarks, size_t* chosen)
{
    *chosen = 0;
    if (placemarks < 2)
        return true;
    std::vector<std::wstring> entries;
    entries.reserve(placemarks);
    for (size_t i = 0; i < placemarks; ++i)
        entries.push_back(Printed(kCollectionEntry, unsigned(i + 1)));
    return ChooseOne(window, kSelectPlacemarksTitle, kSelectPlacemarksPrompt, entries, chosen);
}

// The placemark's Point, or the tuples of its LineString (also inside a
// GeometryCollection), each named by the placemark's name.
void ReadPlacemark(XMLElement* placemark, std::vector<WAYPOINT>* points)
{
    const std::string name = CharacterData(Child(placemark, "name"), "");
    if (XMLElement* point = Child(placemark, "Point")) {
        const std::string text = CharacterData(Child(point, "coordinates"), " ").substr(0, kPointTextBytes);
        WAYPOINT w;
        if (ReadTuple(text.c_str(), name, &w))
            points->push_back(w);
        return;
    }
    XMLElement* line = Child(placemark, "LineString");
    if (!line)
        line = Child(Child(placemark, "GeometryCollection"), "LineString");
    AppendTuples(CharacterData(Child(line, "coordinates"), " "), name, points);
}

// Every entry of a LOC file's root with a place, whatever the entry's name.
void ReadLocEntries(XMLElement* root, std::vector<WAYPOINT>* points)
{
    for (uint32_t i = 0; i < root->GetChildCount(); ++i) {
        XMLElement* coord = Child(root->GetChild(i), "coord");
        if (!coord)
            continue;
        const std::string lon = AttributeText(coord, "lon");
        const std::string lat = AttributeText(coord, "lat");
        const char* end = nullptr;
        NUMBER x{}, y{};
        if (!ReadNumber(lon.c_str(), &end, &x) || !ReadNumber(lat.c_str(), &end, &y))
            continue;
        XMLElement* name = Child(root->GetChild(i), "name");
        WAYPOINT point;
        if (MakePoint(x, y, NUMBER{}, name ? AttributeText(name, "id") : std::string(), &point))
            points->push_back(point);
    }
}

}  // namespace

bool ImportKmlLoc(HWND window, const wchar_t* file, std::vector<WAYPOINT>* points)
{
    SOURCE source = ReadSource(file);
    size_t chosen = 0;
    if (!source.kml || !points || source.placemarks.empty())
        return true;
    if (!ChoosePlacemark(window, source.placemarks.size(), &chosen))
        return false;
    ReadPlacemark(PlacemarkTree(source, chosen).get(), points);
    return true;
}

void ReadLocFile(HWND, const wchar_t* file, std::vector<WAYPOINT>* points)
{
    const SOURCE source = ReadSource(file);
    if (source.loc && points)
        ReadLocEntries(source.doc->GetRoot(), points);
}

namespace exchangeimpl {

void ImportFile(HWND window, bool preferTrack)
{
    const std::wstring file = AskOpenFile(window);
    if (!file.empty())
        ImportChosenFile(window, file, preferTrack);
}

void ImportChosenFile(HWND window, const std::wstring& file, bool preferTrack)
{
    // The points as ImportKmlLoc and then ReadLocFile give them, from one
    // reading of the file.
    SOURCE source;
    // Out of memory leaves the source empty: nothing read.
    OffTheWindowThread(window, [&] { source = ReadSource(file.c_str()); });
    size_t chosen = 0;
    const bool confirmed = !source.kml || source.placemarks.empty() ||
                           ChoosePlacemark(window, source.placemarks.size(), &chosen);
    std::vector<WAYPOINT> points;
    const bool read = OffTheWindowThread(window, [&] {
        if (confirmed && source.kml && !source.placemarks.empty())
            ReadPlacemark(PlacemarkTree(source, chosen).get(), &points);
        else if (confirmed && source.loc)
            ReadLocEntries(source.doc->GetRoot(), &points);
        source = SOURCE{};
    });
    if (!confirmed)
        return;
    if (!read)
        points.clear();
    if (points.empty()) {
        ProgramMessageBox(window, kNothingImported, MB_OK);
        return;
    }
    bool asTrack = preferTrack;
    if (points.size() > 1 && !preferTrack) {
        const int answer = ProgramMessageBox(window, kManyPointsQuestion, MB_YESNOCANCEL);
        if (answer != IDYES && answer != IDNO)
            return;
        asTrack = answer == IDYES;
    } else if (points.size() == 1 && preferTrack) {
        const int answer = ProgramMessageBox(window, kOnePointQuestion, MB_YESNOCANCEL);
        if (answer != IDYES && answer != IDNO)
            return;
        asTrack = answer == IDNO;
    }
    if (asTrack)
        ImportTrack(window, points);
    else if (points.size() == 1)
        ImportOneWaypoint(window, points.front());
    else
        ImportChosenWaypoints(window, points);
}

}  // namespace exchangeimpl
