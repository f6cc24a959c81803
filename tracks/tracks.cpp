// The program-wide waypoint and track document state, empty until the
// waypoint rebuild or the track list fills it.
#include "tracks/tracks.h"

#include "tracks/tracks_internal.h"
#include "xml/xml.h"

#include <cstring>
#include <string>
#include <vector>

std::vector<WAYPOINT> Waypoints;
WAYPOINT PickedWaypoint{};
XMLElement* WaypointsElement = nullptr;
XMLElement* OpenWaypointCategory = nullptr;

wchar_t TrackDocumentPath[MAX_PATH] = L"";
std::unique_ptr<XMLDocument> TrackDocument;
XMLElement* CurrentTrackElement = nullptr;

namespace tracksimpl {

namespace {

// The attribute without adding it when it is missing (FindAttribute would).
const XMLAttribute* ExistingAttribute(const XMLElement* element, const char* name)
{
    const int index = element->FindAttributeIndex(name);
    return index < 0 ? nullptr : element->GetAttribute(uint32_t(index));
}

}  // namespace

std::string AttributeText(const XMLElement* element, const char* name)
{
    const XMLAttribute* attribute = ExistingAttribute(element, name);
    if (!attribute)
        return std::string();
    std::vector<char> buffer(size_t(attribute->GetValue(nullptr, 0)) + 10, '\0');
    attribute->GetValue(buffer.data(), 0);
    return std::string(buffer.data());
}

double AttributeNumber(const XMLElement* element, const char* name)
{
    const XMLAttribute* attribute = ExistingAttribute(element, name);
    return attribute ? attribute->GetFloatValue() : 0.0;
}

XMLElement* AppendNamedElement(XMLElement* parent, const char* tag, const char* name)
{
    if (!parent)
        return nullptr;
    auto* element = new XMLElement(parent, tag, XML_KIND_NAME);
    element->AddAttribute("n", name ? name : "");
    parent->AppendChild(element);
    return element;
}

std::vector<XMLElement*> DescendantsNamed(XMLElement* element, const char* name)
{
    if (!element)
        return {};
    // One array, filtered where it stands: a query would hold a second one
    // of every descendant.
    std::vector<XMLElement*> found(size_t(element->CountDescendants(-1)) + 1, nullptr);
    found.resize(size_t(element->CollectDescendants(found.data(), -1)));
    std::string unescaped;
    std::erase_if(found, [&](const XMLElement* e) {
        unescaped.assign(size_t(e->GetName(nullptr, 0)) + 10, '\0');
        unescaped.resize(size_t(e->GetName(unescaped.data(), 0)));
        return XmlWildcardMatch(unescaped.c_str(), name, 0) != 1;
    });
    return found;
}

bool IsElementNamed(const XMLElement* element, const char* name)
{
    if (!element)
        return false;
    std::vector<char> buffer(size_t(element->GetName(nullptr, 0)) + 10, '\0');
    element->GetName(buffer.data(), 0);
    return std::strcmp(buffer.data(), name) == 0;
}

void SetAttributeText(XMLElement* element, const char* name, const char* value)
{
    if (XMLAttribute* attribute = element ? element->FindAttribute(name, 1, "") : nullptr)
        attribute->SetValue(value, 0);
}

}  // namespace tracksimpl
