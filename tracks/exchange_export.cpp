// The KML and LOC exports: one file per selected waypoint, every waypoint,
// the selected track (KML from the template "PATHXML", or LOC), every
// track; the file dialogs and messages the imports share; and the table of
// the exchange commands.
//
// Each file is built as a new document and written through the library's
// safe save: the chosen file is replaced only once the new one is whole, so
// an export that fails leaves the user's old file, and says so.
#include "tracks/tracks.h"

#include "kit/dialogs.h"
#include "kit/outside.h"
#include "kit/screen_state.h"
#include "kit/utils.h"
#include "resources/resource.h"
#include "tracks/exchange_internal.h"
#include "tracks/tracks_internal.h"
#include "xml/utf8text.h"
#include "xml/xml.h"

#include <commdlg.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

using namespace tracksimpl;
using namespace exchangeimpl;

namespace {

constexpr char kKmlNamespace[] = "http://earth.google.com/kml/2.1";
constexpr char kWaypointExported[] = "Waypoint exported by Pathvex";
constexpr char kAllWaypointsDescription[] = "Pathvex Waypoint";
constexpr char kAllTracksDescription[] = "Pathvex Track";
constexpr char kOnePointFormat[] = "%f,%f,%f";
constexpr char kAllWaypointsFormat[] = "%.7f,%.7f,%.3f";
constexpr char kAllTracksFormat[] = "%.7f,%.7f,%.3f ";
constexpr char kTrackPointFormat[] = "%f,%f,%f\r\n";
constexpr char kLocVersion[] = "1.0";
constexpr char kLocSource[] = "Pathvex";
constexpr char kLocType[] = "Geocache";
constexpr char kLocPointName[] = "WP %u";
constexpr char kWaypointTag[] = "w";
constexpr char kTrackTag[] = "t";
constexpr char kTracksTag[] = "tracks";
constexpr char kCoordinatesPath[] = "Document\\Placemark\\LineString\\coordinates";
constexpr char kDescriptionPath[] = "Document\\description";
constexpr wchar_t kTemplateName[] = L"PATHXML";
constexpr wchar_t kTemplateType[] = L"DATA";
constexpr size_t kTemplateBufferSize = 10000;
constexpr wchar_t kKmlProposal[] = L"%s.kml";
constexpr wchar_t kLocProposal[] = L"%s.loc";
constexpr wchar_t kExportFailed[] =
    L"The file could not be written:\r\n%s\r\nA file of that name that was there before is unchanged.";
// What a file name cannot hold; each becomes '_' in a proposed name.
constexpr wchar_t kNotInFileNames[] = L"\\/:*?\"<>|";
// Characters of a proposed name before its extension: the folder's path
// and the name together must stay within MAX_PATH, which the system's
// dialogs and file calls still hold to.
constexpr size_t kMaxProposedStem = 100;

std::wstring Substitute(const wchar_t* format, const std::wstring& text)
{
    std::wstring result = format;
    const size_t at = result.find(L"%s");
    if (at != std::wstring::npos)
        result.replace(at, 2, text);
    return result;
}

// "%s.kml" of a name: cut (never inside a surrogate pair) and without the
// characters a file name cannot hold.
std::wstring Proposal(const wchar_t* format, const std::string& name)
{
    std::wstring stem = Utf8ToWide(name);
    if (stem.size() > kMaxProposedStem) {
        size_t cut = kMaxProposedStem;
        if (IS_LOW_SURROGATE(stem[cut]))
            --cut;
        stem.resize(cut);
    }
    for (wchar_t& c : stem)
        if (c < L' ' || std::wcschr(kNotInFileNames, c))
            c = L'_';
    return Substitute(format, stem);
}

// An attribute read at single precision, without adding it when missing.
float SingleValue(const XMLElement* element, const char* name)
{
    return float(AttributeNumber(element, name));
}

// A new document holding an empty root; saved with the default declaration.
std::unique_ptr<XMLDocument> NewDocument(const char* root)
{
    auto doc = std::make_unique<XMLDocument>();
    doc->LoadFromText(nullptr);
    doc->SetRoot(new XMLElement(nullptr, root, XML_KIND_NAME));
    return doc;
}

bool WriteDocument(HWND window, XMLDocument* doc, const std::wstring& path)
{
    doc->SetWideName(true);
    if (doc->Save(path.c_str(), 1, XML_SAVE_FILE))
        return true;
    ProgramMessageBox(window, Substitute(kExportFailed, path).c_str(), MB_OK);
    return false;
}

// Written exports open maximised.
void OpenWritten(HWND window, const std::wstring& path)
{
    OutsideSeams.openExternal(window, path.c_str(), SW_SHOWMAXIMIZED);
}

// A "Placemark" with its name and description, and its geometry (a
// "Point" or a "LineString") holding coordinates.
void AppendPlacemark(XMLElement* parent, const std::string& name, const char* description, const char* geometry,
                     const std::string& coordinates)
{
    XMLElement* placemark = AppendElement(parent, "Placemark");
    AppendTextElement(placemark, "name", name);
    AppendTextElement(placemark, "description", description);
    AppendTextElement(AppendElement(placemark, geometry), "coordinates", coordinates);
}

std::unique_ptr<XMLDocument> OneWaypointKml(const WAYPOINT& waypoint)
{
    auto doc = NewDocument(kKmlRoot);
    doc->GetRoot()->AddAttribute("xmlns", kKmlNamespace);
    AppendPlacemark(doc->GetRoot(), waypoint.name, kWaypointExported, "Point",
                    FormatNumber(kOnePointFormat, waypoint.pos.x, waypoint.pos.y, waypoint.pos.z));
    return doc;
}

// One "waypoint" of a LOC file; the name goes through the library's
// escaping, so quotes and ampersands stay inside the attribute.
void AppendLocWaypoint(XMLElement* loc, const std::string& name, double x, double y)
{
    XMLElement* waypoint = AppendElement(loc, "waypoint");
    AppendElement(waypoint, "name")->AddAttribute("id", name.c_str());
    XMLElement* coord = AppendElement(waypoint, "coord");
    coord->AddAttribute("lat", FormatNumber("%f", y).c_str());
    coord->AddAttribute("lon", FormatNumber("%f", x).c_str());
    AppendTextElement(waypoint, "type", kLocType);
}

std::unique_ptr<XMLDocument> NewLoc()
{
    auto doc = NewDocument(kLocRoot);
    doc->GetRoot()->AddAttribute("version", kLocVersion);
    doc->GetRoot()->AddAttribute("src", kLocSource);
    return doc;
}

std::unique_ptr<XMLDocument> OneWaypointLoc(const WAYPOINT& waypoint)
{
    auto doc = NewLoc();
    AppendLocWaypoint(doc->GetRoot(), waypoint.name, waypoint.pos.x, waypoint.pos.y);
    return doc;
}

// One file per selected waypoint, in list order; a category ends the walk
// and Cancel the whole command. Only a lone file written is opened.
void ExportSelectedWaypoints(HWND window, const FILE_KIND& kind, const wchar_t* proposal,
                             std::unique_ptr<XMLDocument> (*build)(const WAYPOINT&))
{
    if (CurrentScreen != kScreenWaypoints)
        return;
    HWND list = CommandList(window);
    std::wstring written;
    unsigned count = 0;
    for (int row : SelectedRows(list)) {
        WAYPOINT waypoint{};
        if (!GetListItemWaypoint(window, list, row, &waypoint, false))
            break;
        const std::wstring path = AskSaveFile(window, kind, Proposal(proposal, waypoint.name));
        if (path.empty())
            return;
        if (!WriteDocument(window, build(waypoint).get(), path))
            continue;
        written = path;
        ++count;
    }
    if (count == 1)
        OpenWritten(window, written);
}

void CmdExportWaypointKml(HWND window)
{
    ExportSelectedWaypoints(window, kKmlFiles, kKmlProposal, OneWaypointKml);
}

void CmdExportWaypointLoc(HWND window)
{
    ExportSelectedWaypoints(window, kLocFiles, kLocProposal, OneWaypointLoc);
}

// The selected track of the track list, read forward, and the file the
// user chose for it; "" for no track or Cancel.
std::wstring AskTrackFile(HWND window, const FILE_KIND& kind, const wchar_t* proposal, TRACK* track)
{
    int row = -1;
    if (!SelectedTrack(CommandList(window), &row))
        return std::wstring();
    ReadTrackPoints(uint32_t(row), track, false);
    if (track->points.empty())
        return std::wstring();
    return AskSaveFile(window, kind, Proposal(proposal, track->name));
}

// The template as a document; without the resource, an empty one.
std::unique_ptr<XMLDocument> TemplateDocument()
{
    std::vector<char> text(kTemplateBufferSize, '\0');
    if (!ExtractResource(text.data(), text.size() - 1, kTemplateName, GetModuleHandleW(nullptr), true,
                         kTemplateType))
        text[0] = '\0';
    auto doc = std::make_unique<XMLDocument>();
    doc->LoadFromText(text.data());
    return doc;
}

void SetFirstText(XMLElement* element, const std::string& text)
{
    if (!element)
        return;
    if (XMLTextNode* node = element->GetTextNode(0))
        node->SetText(text.c_str(), 0);
    else
        element->AddTextNode(text.c_str(), 0);
}

void CmdExportTrackKml(HWND window)
{
    TRACK track{};
    const std::wstring path = AskTrackFile(window, kKmlFiles, kKmlProposal, &track);
    if (!path.empty() && WriteTrackKml(window, track, path))
        OpenWritten(window, path);
}

void CmdExportTrackLoc(HWND window)
{
    TRACK track{};
    const std::wstring path = AskTrackFile(window, kLocFiles, kLocProposal, &track);
    if (!path.empty())
        WriteTrackLoc(window, track, path);
}

void CmdExportAllWaypoints(HWND window)
{
    const std::wstring path = AskSaveFile(window, kKmlFiles, L"");
    if (!path.empty())
        WriteAllWaypointsKml(window, path);
}

void CmdExportAllTracks(HWND window)
{
    const std::wstring path = AskSaveFile(window, kKmlFiles, L"");
    if (!path.empty())
        WriteAllTracksKml(window, path);
}

void CmdImportWaypoints(HWND window)
{
    ImportFile(window, false);
}

void CmdImportTrack(HWND window)
{
    ImportFile(window, true);
}

constexpr COMMAND_ENTRY kExchangeCommands[] = {
    {IDM_EXPORT_WAYPOINT_KML, CmdExportWaypointKml},
    {IDM_EXPORT_TRACK_KML, CmdExportTrackKml},
    {IDM_EXPORT_WAYPOINT_LOC, CmdExportWaypointLoc},
    {IDM_EXPORT_TRACK_LOC, CmdExportTrackLoc},
    {IDM_EXPORT_ALL_WAYPOINTS_KML, CmdExportAllWaypoints},
    {IDM_EXPORT_ALL_TRACKS_KML, CmdExportAllTracks},
    {IDM_IMPORT_WAYPOINTS, CmdImportWaypoints},
    {IDM_IMPORT_TRACK, CmdImportTrack},
};

}  // namespace

namespace exchangeimpl {

bool WriteTrackKml(HWND window, const TRACK& track, const std::wstring& path)
{
    std::unique_ptr<XMLDocument> doc = TemplateDocument();
    XMLElement* root = doc->GetRoot();
    XMLElement* coordinates = root ? root->FindElementByPath(kCoordinatesPath) : nullptr;
    if (!coordinates) {
        ProgramMessageBox(window, Substitute(kExportFailed, path).c_str(), MB_OK);
        return false;
    }
    std::string text;
    for (const GPS_CURRENT& point : track.points)
        text += FormatNumber(kTrackPointFormat, point.pos.x, point.pos.y, point.pos.z);
    coordinates->AddTextNode(text.c_str(), 0);
    SetFirstText(root->FindElementByPath(kDescriptionPath), track.name);
    return WriteDocument(window, doc.get(), path);
}

bool WriteTrackLoc(HWND window, const TRACK& track, const std::wstring& path)
{
    auto doc = NewLoc();
    doc->GetRoot()->ReserveChildren(uint32_t(track.points.size()));
    char name[32];
    for (size_t i = 0; i < track.points.size(); ++i) {
        std::snprintf(name, sizeof name, kLocPointName, unsigned(i + 1));
        AppendLocWaypoint(doc->GetRoot(), name, track.points[i].pos.x, track.points[i].pos.y);
    }
    return WriteDocument(window, doc.get(), path);
}

bool WriteAllWaypointsKml(HWND window, const std::wstring& path)
{
    auto doc = NewDocument(kKmlRoot);
    XMLElement* document = AppendElement(doc->GetRoot(), "Document");
    const std::vector<XMLElement*> waypoints = DescendantsNamed(WaypointsElement, kWaypointTag);
    document->ReserveChildren(uint32_t(waypoints.size()));
    for (XMLElement* w : waypoints)
        AppendPlacemark(document, AttributeText(w, "n"), kAllWaypointsDescription, "Point",
                        FormatNumber(kAllWaypointsFormat, SingleValue(w, "x"), SingleValue(w, "y"),
                                     SingleValue(w, "z")));
    return WriteDocument(window, doc.get(), path);
}

// From a private copy of the track file that is let go unsaved: the list's
// own document (and its current element) stay as they are.
bool WriteAllTracksKml(HWND window, const std::wstring& path)
{
    XMLDocument stored;
    if (TrackDocumentPath[0])
        stored.Load(TrackDocumentPath, XML_LOAD_WIDE_FILE);
    else
        stored.LoadFromText(nullptr);
    XMLElement* root = stored.GetRoot();
    XMLElement* tracks = root ? root->FindElement(kTracksTag, 1, nullptr) : nullptr;

    auto doc = NewDocument(kKmlRoot);
    XMLElement* document = AppendElement(doc->GetRoot(), "Document");
    const std::vector<XMLElement*> all = DescendantsNamed(tracks, kTrackTag);
    document->ReserveChildren(uint32_t(all.size()));
    for (XMLElement* t : all) {
        std::string text;
        for (uint32_t i = 0; i < t->GetChildCount(); ++i)
            if (const XMLElement* p = t->GetChild(i))
                text += FormatNumber(kAllTracksFormat, SingleValue(p, "x"), SingleValue(p, "y"), SingleValue(p, "z"));
        AppendPlacemark(document, AttributeText(t, "n"), kAllTracksDescription, "LineString", text);
    }
    return WriteDocument(window, doc.get(), path);
}

namespace {

// The system's save (with the overwrite question) or open dialog over kind,
// starting from proposal; the chosen name, or "" on Cancel.
std::wstring AskFile(HWND window, const FILE_KIND& kind, const std::wstring& proposal, bool save)
{
    std::vector<wchar_t> file(kFileNameSize, L'\0');
    proposal.copy(file.data(), std::min(proposal.size(), kFileNameSize - 1));
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = window;
    dialog.lpstrFilter = kind.filter;
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = DWORD(kFileNameSize);
    dialog.lpstrDefExt = kind.extension;
    dialog.Flags = OFN_HIDEREADONLY | OFN_EXPLORER |
                   (save ? OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST : OFN_FILEMUSTEXIST);
    if (!(save ? GetSaveFileNameW(&dialog) : GetOpenFileNameW(&dialog)))
        return std::wstring();
    file.back() = L'\0';
    return file.data();
}

}  // namespace

std::wstring AskSaveFile(HWND window, const FILE_KIND& kind, const std::wstring& proposal)
{
    return AskFile(window, kind, proposal, true);
}

std::wstring AskOpenFile(HWND window)
{
    return AskFile(window, kKmlOrLocFiles, std::wstring(), false);
}

XMLElement* AppendElement(XMLElement* parent, const char* name)
{
    auto* element = new XMLElement(parent, name, XML_KIND_NAME);
    parent->AppendChild(element);
    return element;
}

// An empty text makes no text node, so the element is written "<name/>".
XMLElement* AppendTextElement(XMLElement* parent, const char* name, const std::string& text)
{
    XMLElement* element = AppendElement(parent, name);
    if (!text.empty())
        element->AddTextNode(text.c_str(), 0);
    return element;
}

std::string CharacterData(const XMLElement* element, const char* separator)
{
    std::vector<std::string> pieces;
    const uint32_t texts = element ? element->GetTextNodeCount() : 0;
    const uint32_t sections = element ? element->GetCDataCount() : 0;
    for (uint32_t t = 0, c = 0; t < texts || c < sections;) {
        const XMLTextNode* node = element->GetTextNode(t);   // null past the last
        const XMLCDataNode* section = element->GetCDataNode(c);
        if (node && (!section || node->GetPosition() <= section->GetPosition())) {
            std::string text(size_t(node->GetText(nullptr, 0)) + 10, '\0');
            text.resize(size_t(node->GetText(text.data(), 0)));
            pieces.push_back(std::move(text));
            ++t;
        } else if (section) {
            pieces.emplace_back(section->GetText());
            ++c;
        } else {
            break;
        }
    }
    if (pieces.size() == 1)
        return std::move(pieces.front());   // a long coordinates text is not copied again
    std::string data;
    for (size_t i = 0; i < pieces.size(); ++i) {
        if (i)
            data += separator;
        data += pieces[i];
    }
    return data;
}

}  // namespace exchangeimpl

LRESULT ExchangeCommand(HWND window, WPARAM wParam)
{
    RunTableCommand(kExchangeCommands, window, LOWORD(wParam));
    return 0;
}
