// Waypoints: the "w" and "c" elements below "waypoints" in the settings
// document, and the flat vector rebuilt from them.
#include "tracks/tracks.h"

#include "tracks/tracks_internal.h"
#include "xml/xml.h"

#include <cstring>
#include <vector>

namespace {

constexpr char kCategory[] = "c";
constexpr char kWaypoint[] = "w";

// As much of a waypoint's name as fits the record.
std::string CutName(const char* name)
{
    if (!name)
        return std::string();
    return std::string(name, Utf8CutLength(name, kWaypointNameSize - 1));
}

double CoordinateOf(XMLElement* element, const char* name)
{
    const XMLAttribute* attribute = element->FindAttribute(name, 1, nullptr);
    return attribute ? attribute->GetFloatValue() : 0.0;
}

}  // namespace

size_t Utf8CutLength(const char* text, size_t maxBytes)
{
    if (!text)
        return 0;
    const size_t length = strnlen(text, maxBytes + 1);
    if (length <= maxBytes)
        return length;
    // Step back over continuation bytes (10xxxxxx) to the lead byte of the
    // sequence that the cut would split, and cut before it.
    size_t cut = maxBytes;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut;
    return cut;
}

void SetWaypointName(WAYPOINT* waypoint, const char* name)
{
    const size_t length = Utf8CutLength(name, kWaypointNameSize - 1);
    if (length)
        std::memcpy(waypoint->name, name, length);
    waypoint->name[length] = '\0';
}

void RebuildWaypointList()
{
    Waypoints.clear();
    if (!WaypointsElement)
        return;
    std::vector<XMLElement*> all(size_t(WaypointsElement->CountDescendants(-1)) + 1, nullptr);
    const uint32_t count = WaypointsElement->CollectDescendants(all.data(), -1);
    Waypoints.reserve(count);
    for (uint32_t i = 0; i < count; ++i) {
        XMLElement* element = all[i];
        // Every element that is not a category counts as a waypoint,
        // whatever its name: files edited by hand keep their points.
        if (tracksimpl::IsElementNamed(element, kCategory))
            continue;
        WAYPOINT w{};
        // The lookups add a missing attribute empty, as older versions did;
        // it reads back as 0 or as the empty name.
        const XMLAttribute* name = element->FindAttribute("n", 1, nullptr);
        std::vector<char> text(size_t(name ? name->GetValue(nullptr, 0) : 0) + 10, '\0');
        if (name)
            name->GetValue(text.data(), 0);
        SetWaypointName(&w, text.data());
        w.pos.x = CoordinateOf(element, "x");
        w.pos.y = CoordinateOf(element, "y");
        w.pos.z = CoordinateOf(element, "z");
        Waypoints.push_back(w);
    }
}

XMLElement* AppendCategoryElement(XMLElement* parent, const char* name)
{
    return tracksimpl::AppendNamedElement(parent, kCategory, name);
}

namespace tracksimpl {

XMLElement* ShownWaypointElement()
{
    return OpenWaypointCategory ? OpenWaypointCategory : WaypointsElement;
}

}  // namespace tracksimpl

void AddWaypointElement(HWND window, double x, double y, double z, const char* name, bool defer)
{
    XMLElement* parent = tracksimpl::ShownWaypointElement();
    if (!parent)
        return;
    // Attributes go through the escaping setter: a name with '"', '&', '<'
    // or '>' (typed, or from an imported file) stays one attribute.
    auto* waypoint = new XMLElement(parent, kWaypoint, XML_KIND_NAME);
    waypoint->AddAttribute("n", CutName(name).c_str());
    waypoint->AddAttribute("x", tracksimpl::FormatNumber("%f", x).c_str());
    waypoint->AddAttribute("y", tracksimpl::FormatNumber("%f", y).c_str());
    waypoint->AddAttribute("z", tracksimpl::FormatNumber("%f", z).c_str());
    parent->AppendChild(waypoint);
    if (!defer)
        tracksimpl::WaypointsChanged(window);
}
