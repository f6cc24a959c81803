// xml/element.cpp - elements: construction, names, start tags and the
// element-extent scanner.
#include <cstring>
#include <string>

#include "xml/xml.h"
#include "xml/xml_internal.h"

namespace {

// First capacities of an element's arrays; the growth steps are in
// element_edit.cpp.
constexpr uint32_t kFirstChildren = 20;
constexpr uint32_t kFirstAttributes = 20;
constexpr uint32_t kFirstComments = 10;
constexpr uint32_t kFirstTextNodes = 4;
constexpr uint32_t kFirstCData = 10;
constexpr uint32_t kFirstBorrowed = 1;

// Whether text at p starts with the literal.
bool StartsWith(const char* p, const char* literal)
{
    return std::strncmp(p, literal, std::strlen(literal)) == 0;
}

}  // namespace

XMLElement::XMLElement(XMLElement* parent, const char* text, int kind)
    : name_(xmlimpl::CopyText("")),
      kind_(kind),
      parent_(parent),
      children_(kFirstChildren),
      attributes_(kFirstAttributes),
      comments_(kFirstComments),
      textNodes_(kFirstTextNodes),
      cdata_(kFirstCData),
      borrowed_(kFirstBorrowed)
{
    ParseStartTag(text, kind);
}

XMLElement::~XMLElement()
{
    RemoveAllAttributes();
    RemoveAllChildren();
    RemoveAllComments();
    RemoveAllTextNodes();
    RemoveAllCData();
}

int XMLElement::SetName(const char* name)
{
    name_ = xmlimpl::EscapedCopy(name);
    return int(std::strlen(name_.get()));
}

int XMLElement::GetName(char* buffer, int raw) const
{
    return xmlimpl::CopyOut(name_.get(), buffer, raw);
}

void XMLElement::ParseStartTag(const char* text, int kind)
{
    RemoveAllAttributes();
    RemoveAllChildren();
    RemoveAllComments();
    kind_ = kind;
    if (!text)
        text = "";
    if (kind == XML_KIND_NAME) {
        name_ = xmlimpl::CopyText(text);
        return;
    }
    const char* end = text + std::strlen(text);

    // The text may be this element's own name: the new name replaces the
    // old one only after the last read of the text.
    const xmlimpl::TagName name = xmlimpl::ScanTagName(text, end);
    std::unique_ptr<char[]> stored(new char[name.length + 10]());
    xmlimpl::CopyTagName(name, stored.get());

    // Counted first, so that a tag with many attributes grows the array
    // once, to the capacity adding them one by one would give.
    uint32_t count = 0;
    xmlimpl::ScanTagAttributes(name.end, end, [&](const char*, const char*, const char*, const char*) { ++count; });
    ReserveAttributes(count);
    xmlimpl::ScanTagAttributes(name.end, end, [&](const char* n, const char* nEnd, const char* v, const char* vEnd) {
        AppendAttribute(new XMLAttribute(std::string(n, nEnd).c_str(), std::string(v, vEnd).c_str(), 1));
    });
    name_ = std::move(stored);
}

uint32_t XMLElement::AddChildFromTag(const char* text)
{
    return AppendChild(new XMLElement(this, text, XML_KIND_TAG));
}

// Counts nested tags from the first '<' on. A tag ends at its first '>'
// (the parser cuts start tags there too); it closes itself when the byte
// before that '>' is '/'. Judging by that byte alone keeps a '/' inside an
// attribute value, quoted either way or not at all, from ending anything.
// Comments ("<!--") and processing instructions ("<?") end at their first
// '>', CDATA sections at their first "]]>". Every scan stops at the
// terminator and reports "not found".
const char* FindElementEnd(const char* text)
{
    if (!text)
        return nullptr;
    int depth = 0;
    const char* p = text;
    for (;;) {
        const char* lt = std::strchr(p, '<');
        if (!lt)
            return nullptr;

        if (lt[1] == '/') {
            const char* gt = std::strchr(lt + 2, '>');
            if (!gt || depth == 0)
                return nullptr;   // unterminated, or an end tag with nothing open
            p = gt + 1;
            if (depth == 1)
                return p;
            --depth;
            continue;
        }

        if (StartsWith(lt, "<![CDATA[")) {
            const char* close = std::strstr(lt + 9, "]]>");
            if (!close)
                return nullptr;
            p = close + 3;
            if (depth == 0)
                return p;
            continue;
        }

        const bool comment = StartsWith(lt, "<!--") || lt[1] == '?';
        const char* gt = std::strchr(lt + 1, '>');
        if (!gt)
            return nullptr;
        p = gt + 1;
        if (comment) {
            if (depth == 0)
                return p;
            continue;
        }
        if (gt[-1] == '/') {
            if (depth == 0)
                return gt;   // a lone self-closed element ends at its '>'
            continue;
        }
        ++depth;
    }
}
