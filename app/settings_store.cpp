// Opening, migrating and saving the settings document.
#include "app/settings_store.h"

#include "kit/settings.h"
#include "tracks/tracks.h"

#include <cwchar>
#include <string>
#include <vector>

namespace {

constexpr char kPathvexPath[] = "cfg\\pathvex";
constexpr char kMarker[] = "floatconverted";
constexpr char kTracks[] = "tracks";
constexpr char kWaypoints[] = "waypoints";
constexpr wchar_t kNoticeCaption[] = L"Pathvex";
constexpr wchar_t kKeptAsideText[] =
    L"The settings file could not be read and was kept as \"%ls\". Pathvex starts with default settings.";
constexpr wchar_t kNotKeptText[] =
    L"The settings file \"%ls\" could not be read. Pathvex starts with default settings and leaves that file "
    L"as it is.";

// Old files stored coordinates as integer milliseconds of arc.
constexpr float kMilliArcSecondsPerDegree = 3600000.0f;

// The directory of the running executable, without its last backslash.
std::wstring ExecutableDirectory()
{
    wchar_t path[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return L".";
    wchar_t* slash = std::wcsrchr(path, L'\\');
    if (slash)
        *slash = L'\0';
    return path;
}

// The settings document from its file. A file that exists but does not
// parse (cut short by a crash, broken by a hand edit) is never used: its
// tree may lack the root or most of its settings, and saving that at
// shutdown would lose them for good. It is kept aside and the run starts
// from defaults.
std::unique_ptr<XMLDocument> LoadSettingsFile(const std::wstring& path)
{
    auto doc = std::make_unique<XMLDocument>(path.c_str(), 0);
    XmlKeepDamagedFileAside(doc.get(), path.c_str(),
                            {kDamagedSuffix, kKeptAsideText, kNotKeptText, kNoticeCaption, MessageBoxW});
    return doc;
}

// Rewrites "x" and "y" of every element below top that has "x", "y" and "z"
// from integer milliseconds of arc to degrees. The division is done in
// single precision on purpose: it gives the values older versions wrote
// after their own conversion (-122419420 becomes -34.005394).
void ConvertCoordinates(XMLElement* top)
{
    if (!top)
        return;
    std::vector<XMLElement*> all(size_t(top->CountDescendants(-1)) + 1, nullptr);
    const uint32_t count = top->CollectDescendants(all.data(), -1);
    for (uint32_t i = 0; i < count; ++i) {
        XMLElement* e = all[i];
        const int x = e->FindAttributeIndex("x");
        const int y = e->FindAttributeIndex("y");
        if (x < 0 || y < 0 || e->FindAttributeIndex("z") < 0)
            continue;
        for (const int a : {x, y}) {
            XMLAttribute* attribute = e->GetAttribute(uint32_t(a));
            const float degrees = static_cast<float>(attribute->GetIntValue()) / kMilliArcSecondsPerDegree;
            attribute->SetFloatValue(degrees);
        }
    }
}

// Whether the file at path now holds exactly what tree holds.
bool FileHolds(const wchar_t* path, const XMLElement* tree)
{
    XMLDocument written(path, 0);
    return written.GetParseStatus(nullptr) == XML_STATUS_OK && written.GetRoot() &&
           written.GetRoot()->Compare(tree) == 0;
}

// The second step: the tracks leave the settings document for the track
// document. The track document is written and read back before the
// settings lose them, so a failure anywhere leaves every track in at least
// one file; the step then runs again at the next start. Returns whether the
// step is done.
bool MoveTracksOut(XMLDocument* settings)
{
    XMLElement* root = settings->GetRoot();
    if (!root || !TrackDocumentPath[0])
        return false;

    XMLDocument tracks(TrackDocumentPath, 0);
    // A track file that does not parse is not ours to overwrite.
    if (tracks.GetParseStatus(nullptr) != XML_STATUS_OK || !tracks.GetRoot())
        return false;

    const int index = root->FindChildIndex(kTracks);
    if (index >= 0) {
        XMLElement* moved = root->GetChild(uint32_t(index));
        XMLElement* target = tracks.GetRoot()->FindElement(kTracks, 0, nullptr);
        if (!target) {
            tracks.GetRoot()->AppendChild(moved->DeepCopy(tracks.GetRoot()));
        } else {
            // The track list shows the first "tracks" only: a second one
            // would hide the moved tracks, so they join the existing one.
            for (uint32_t i = 0; i < moved->GetChildCount(); ++i)
                if (XMLElement* child = moved->GetChild(i))
                    target->AppendChild(child->DeepCopy(target));
        }
    }
    if (!tracks.Save(nullptr, 1, XML_SAVE_FILE) || !FileHolds(TrackDocumentPath, tracks.GetRoot()))
        return false;

    if (index >= 0)
        root->RemoveChild(uint32_t(index));
    settings->Compact();
    WriteSettingUInt(kPathvexPath, kMarker, kMarkerTracksMoved, nullptr, settings);
    // A failed save here is repaired by the save at shutdown.
    settings->Save(nullptr, 1, XML_SAVE_FILE);
    return true;
}

void ConvertOldCoordinates(XMLDocument* settings)
{
    XMLElement* root = settings->GetRoot();
    ConvertCoordinates(root->FindElement(kTracks, 1, nullptr));
    ConvertCoordinates(WaypointsElement);
    WriteSettingUInt(kPathvexPath, kMarker, kMarkerConverted, nullptr, settings);
    settings->Save(nullptr, 1, XML_SAVE_FILE);
}

}  // namespace

void OpenSettingsStore(const wchar_t* directory)
{
    SettingsDocument.reset();
    WaypointsElement = nullptr;
    OpenWaypointCategory = nullptr;

    const std::wstring dir = directory ? std::wstring(directory) : ExecutableDirectory();
    const std::wstring settingsPath = dir + L"\\" + kSettingsFileName;
    const std::wstring trackPath = dir + L"\\" + kTrackFileName;
    // A name that does not fit is left empty: the tracks then stay where
    // they are rather than go to a cut name.
    TrackDocumentPath[0] = L'\0';
    if (trackPath.size() < MAX_PATH)
        std::wcscpy(TrackDocumentPath, trackPath.c_str());

    SettingsDocument = LoadSettingsFile(settingsPath);
    XMLDocument* doc = SettingsDocument.get();
    doc->Compact();
    // Written indented with one blank per level (what the file held when
    // loaded; elements added later keep the tab).
    const XmlExportFormat format{1, 1, 0};
    doc->SetExportFormat(&format);
    WaypointsElement = doc->GetRoot()->FindElement(kWaypoints, 1, nullptr);

    switch (ReadSettingUInt(kPathvexPath, kMarker, kMarkerOldCoordinates, nullptr, doc)) {
    case kMarkerOldCoordinates:
        ConvertOldCoordinates(doc);
        break;
    case kMarkerConverted:
        MoveTracksOut(doc);
        break;
    default:
        break;
    }
}

int CloseSettingsStore()
{
    WaypointsElement = nullptr;
    OpenWaypointCategory = nullptr;
    if (!SettingsDocument)
        return 0;
    if (!SettingsDocument->CheckIntegrity()) {
        // A tree that fails the check cannot be walked to free it either.
        (void)SettingsDocument.release();
        return 0;
    }
    const int saved = SettingsDocument->Save(nullptr, 1, XML_SAVE_FILE);
    SettingsDocument.reset();
    return saved;
}
