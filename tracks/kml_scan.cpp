// Finding elements of a document's text by its markup alone: one pass,
// memory for the open elements and the spans found, none for a tree.
#include "tracks/kml_scan.h"

#include "xml/xml.h"

#include <cstring>

namespace exchangeimpl {

namespace {

constexpr size_t kNoSpan = size_t(-1);

// The name a start tag's stored bytes read back as (XMLElement::GetName
// unescaped), up to any NUL, as callers that compare C strings see it.
void ReadName(const XmlTag& tag, std::string* stored, std::string* name)
{
    stored->assign(tag.name, size_t(tag.nameEnd - tag.name));
    if (stored->find('&') == std::string::npos) {
        name->assign(*stored);
        return;
    }
    name->assign(stored->size() + 10, '\0');
    XmlUnescapeText(stored->c_str(), name->data());
    name->resize(std::strlen(name->c_str()));
}

}  // namespace

ELEMENT_SCAN ScanElements(const char* text, const char* name)
{
    ELEMENT_SCAN scan;
    const char* end = text + std::strlen(text);
    // Per open element: where it begins when it is sought, else kNoSpan.
    std::vector<size_t> open;
    std::vector<TEXT_SPAN> found;   // below the open top-level element
    std::string topName;
    bool haveRoot = false;
    std::string stored, tagName;
    for (const char* p = text;;) {
        const XmlTag tag = XmlNextTag(p, end);
        if (tag.kind == XML_TAG_NONE)
            break;
        p = tag.gt + 1;
        const size_t begin = size_t(tag.lt - text);
        const size_t past = size_t(p - text);

        if (tag.kind == XML_TAG_END) {
            if (open.empty())
                continue;   // closes nothing
            const size_t start = open.back();
            open.pop_back();
            if (!open.empty()) {
                if (start != kNoSpan)
                    found.push_back({start, past});
                continue;
            }
            // The last top-level element with content is the root.
            scan.root = topName;
            scan.matches = std::move(found);
            found.clear();
            haveRoot = true;
            continue;
        }
        if (tag.kind != XML_TAG_START && tag.kind != XML_TAG_EMPTY)
            continue;   // comments and CDATA
        if (!tag.named || open.size() >= size_t(kXmlMaxDepth))
            return ELEMENT_SCAN{};
        ReadName(tag, &stored, &tagName);
        if (open.empty()) {
            if (tag.kind == XML_TAG_START) {
                topName = tagName;
                found.clear();
                open.push_back(kNoSpan);
            } else if (!haveRoot) {
                scan.root = tagName;   // the first empty one, unless one with content follows
                haveRoot = true;
            }
            continue;
        }
        const bool sought = XmlWildcardMatch(tagName.c_str(), name, 0) == 1;
        if (tag.kind == XML_TAG_START)
            open.push_back(sought ? begin : kNoSpan);
        else if (sought)
            found.push_back({begin, past});
    }
    if (!open.empty())
        return ELEMENT_SCAN{};
    scan.parsed = true;
    return scan;
}

std::unique_ptr<XMLElement> ParseSpan(char* text, const TEXT_SPAN& span)
{
    const char kept = text[span.end];
    text[span.end] = 0;
    std::unique_ptr<XMLElement> element(XmlParse(nullptr, text + span.begin, nullptr));
    text[span.end] = kept;
    return element;
}

}  // namespace exchangeimpl
