// The track document "pathvextrk.xml": opening (with damaged files kept
// aside), saving, releasing, the track list, and tracks read and written.
#include "tracks/tracks.h"

#include "kit/display.h"
#include "tracks/tracks_internal.h"
#include "xml/utf8text.h"
#include "xml/xml.h"

#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>

namespace {

constexpr char kTracks[] = "tracks";
constexpr char kCategory[] = "c";
constexpr char kTrack[] = "t";
constexpr char kPoint[] = "p";
constexpr wchar_t kNoticeCaption[] = L"Pathvex";
constexpr wchar_t kKeptAsideText[] =
    L"The track file could not be read and was kept as \"%ls\". New tracks go to a new track file.";
constexpr wchar_t kNotKeptText[] =
    L"The track file \"%ls\" could not be read. It is left as it is, and tracks are not saved until it is "
    L"repaired or removed.";

// The track document from its file. A file cut short by a crash during a
// save parses into a partial tree; saving that over the file would lose
// every track it no longer shows. Such a file is kept aside and the
// document starts empty, told to the user once.
std::unique_ptr<XMLDocument> LoadTrackFile()
{
    auto doc = std::make_unique<XMLDocument>();
    if (!TrackDocumentPath[0]) {
        doc->LoadFromText(nullptr);
        return doc;
    }
    doc->Load(TrackDocumentPath, XML_LOAD_WIDE_FILE);
    XmlKeepDamagedFileAside(doc.get(), TrackDocumentPath,
                            {kDamagedTrackSuffix, kKeptAsideText, kNotKeptText, kNoticeCaption, MessageBoxW});
    return doc;
}

void ReleaseTrackDocument()
{
    CurrentTrackElement = nullptr;
    TrackDocument.reset();
}

XMLElement* TracksElement()
{
    XMLElement* root = TrackDocument ? TrackDocument->GetRoot() : nullptr;
    return root ? root->FindElement(kTracks, 1, nullptr) : nullptr;
}

void SetItemText(HWND list, int item, int column, const std::wstring& text)
{
    LVITEMW lv{};
    lv.iSubItem = column;
    lv.pszText = const_cast<wchar_t*>(text.c_str());
    SendMessageW(list, LVM_SETITEMTEXTW, WPARAM(item), reinterpret_cast<LPARAM>(&lv));
}

// One row per child of the current element, so that a row's index is its
// child's index (the track commands rely on that).
void FillRows(HWND list)
{
    const uint32_t count = CurrentTrackElement->GetChildCount();
    if (count)
        ShowWindow(list, SW_HIDE);
    for (uint32_t i = 0; i < count; ++i) {
        XMLElement* child = CurrentTrackElement->GetChild(i);
        std::wstring number = std::to_wstring(i + 1);
        LVITEMW lv{};
        lv.mask = LVIF_TEXT | LVIF_PARAM;
        lv.iItem = int(i);
        lv.pszText = number.data();
        lv.lParam = reinterpret_cast<LPARAM>(child);
        const int item = int(SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&lv)));
        if (item < 0 || !child)
            continue;
        const std::wstring name = Utf8ToWide(tracksimpl::AttributeText(child, "n"));
        SetItemText(list, item, 1, tracksimpl::IsElementNamed(child, kCategory) ? L"<" + name + L">" : name);
        SetItemText(list, item, 2, std::to_wstring(child->GetChildCount()));
    }
    if (count)
        AutoSizeColumns(list, 4);
    ShowWindow(list, SW_SHOW);
}

const XMLAttribute* FindExisting(const XMLElement* element, const char* name)
{
    const int index = element->FindAttributeIndex(name);
    return index < 0 ? nullptr : element->GetAttribute(uint32_t(index));
}

// A "%u" value read back; larger numbers saturate, negative ones wrap as the
// C run-time's text-to-long and a cast would.
uint32_t ReadUInt32(const XMLElement* element, const char* name)
{
    const std::string text = tracksimpl::AttributeText(element, name);
    long long value = std::strtoll(text.c_str(), nullptr, 10);
    if (value > static_cast<long long>(UINT32_MAX))
        value = UINT32_MAX;
    if (value < static_cast<long long>(INT32_MIN))
        value = INT32_MIN;
    return static_cast<uint32_t>(value);
}

double SpeedInUnit(const GPS_CURRENT& point)
{
    switch (SpeedUnit) {
    case 1: return point.knots;
    case 2: return point.ms;
    case 3: return point.mph;
    default: return point.kmh;
    }
}

}  // namespace

bool OpenTrackDocument()
{
    if (TrackDocument)
        return true;
    TrackDocument = LoadTrackFile();
    CurrentTrackElement = TracksElement();
    if (!CurrentTrackElement)
        ReleaseTrackDocument();
    return CurrentTrackElement != nullptr;
}

void FillTrackList(HWND mode, HWND list, XMLElement* element)
{
    if (mode == kTrackListSave) {
        if (TrackDocument)
            TrackDocument->Save(nullptr, 1, XML_SAVE_FILE);
        return;
    }
    if (!mode && !list && !element) {
        ReleaseTrackDocument();
        return;
    }
    if (element && !element->GetParent()) {
        ReleaseTrackDocument();   // element went with it
        element = nullptr;
    }
    if (list)
        SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    if (TrackDocument)
        CurrentTrackElement = element ? element : TracksElement();
    else if (!OpenTrackDocument())
        return;
    if (list && CurrentTrackElement)
        FillRows(list);
}

bool TrackListBack(HWND list)
{
    XMLElement* parent = CurrentTrackElement ? CurrentTrackElement->GetParent() : nullptr;
    if (TrackDocument && parent && parent->GetDepth() > 0) {
        FillTrackList(nullptr, list, parent);
        return true;
    }
    ReleaseTrackDocument();
    return false;
}

void ReadTrackPoints(uint32_t index, TRACK* track, bool reversed)
{
    if (!track || !OpenTrackDocument())
        return;
    const XMLElement* stored = CurrentTrackElement->GetChild(index);
    if (!stored)
        return;
    const uint32_t count = stored->GetChildCount();
    track->points.reserve(track->points.size() + count);
    for (uint32_t k = 0; k < count; ++k) {
        const XMLElement* p = stored->GetChild(reversed ? count - 1 - k : k);
        if (!p)
            continue;
        GPS_CURRENT point{};
        point.pos.x = tracksimpl::AttributeNumber(p, "x");
        point.pos.y = tracksimpl::AttributeNumber(p, "y");
        point.pos.z = tracksimpl::AttributeNumber(p, "z");
        point.mark = ReadUInt32(p, "s");
        point.cellId = ReadUInt32(p, "c");
        point.pos.cellId = point.cellId;
        track->points.push_back(point);
    }
    track->name = tracksimpl::AttributeText(stored, "n");
    const XMLAttribute* norm = FindExisting(stored, "norm");
    track->normalised = norm && norm->GetIntValue() != 0;
}

XMLElement* AppendTrackElement(XMLElement* parent, const char* name)
{
    return tracksimpl::AppendNamedElement(parent, kTrack, name);
}

XMLElement* AppendTrackPoint(XMLElement* track, const GPS_CURRENT& point, unsigned fields)
{
    if (!track)
        return nullptr;
    auto* p = new XMLElement(track, kPoint, XML_KIND_NAME);
    p->AddAttribute("x", tracksimpl::FormatNumber("%f", point.pos.x).c_str());
    p->AddAttribute("y", tracksimpl::FormatNumber("%f", point.pos.y).c_str());
    p->AddAttribute("z", tracksimpl::FormatNumber("%f", point.pos.z).c_str());
    if (point.mark)
        p->AddAttribute("s", std::to_string(point.mark).c_str());
    if (fields & kPointCellId)
        p->AddAttribute("c", std::to_string(point.cellId).c_str());
    if (fields & kPointSpeed)
        p->AddAttribute("spd", tracksimpl::FormatNumber("%.2f", SpeedInUnit(point)).c_str());
    if (fields & kPointTime) {
        char time[24];   // room for three whole WORDs
        std::snprintf(time, sizeof time, "%02u:%02u:%02u", unsigned(point.local.wHour),
                      unsigned(point.local.wMinute), unsigned(point.local.wSecond));
        p->AddAttribute("time", time);
    }
    track->AppendChild(p);
    return p;
}
