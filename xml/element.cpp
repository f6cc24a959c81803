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

bool EndsName(char c)
{
    return c == 0 || c == '\t' || c == ' ' || c == '"' || c == '/' || c == '>';
}

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

    // Work on a private copy: the caller's text may be a window into a
    // larger buffer that it changes later.
    const std::string tag = text ? text : "";
    if (kind == XML_KIND_NAME) {
        name_ = xmlimpl::CopyText(tag.c_str());
        return;
    }

    // Name: the text is already escaped, so it is kept as it stands.
    const char* p = tag.c_str();
    std::string name;
    for (; !EndsName(*p); ++p)
        if (*p != '<')
            name += *p;
    name_ = xmlimpl::CopyText(name.c_str());

    // Attributes: name="value", the name up to '=', the value between the
    // next two double quotes. Anything else ends the list.
    for (;;) {
        while (*p == ' ' || *p == '\t')
            ++p;
        if (*p == 0 || *p == '>' || *p == '/')
            return;
        const char* equals = std::strchr(p, '=');
        if (!equals)
            return;
        const char* open = std::strchr(equals + 1, '"');
        if (!open)
            return;
        const char* close = std::strchr(open + 1, '"');
        if (!close)
            return;
        const std::string attrName(p, size_t(equals - p));
        const std::string value(open + 1, size_t(close - open - 1));
        AppendAttribute(new XMLAttribute(attrName.c_str(), value.c_str(), 1));
        p = close + 1;
    }
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
