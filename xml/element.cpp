// xml/element.cpp - elements: construction, names, start tags and the
// element-extent scanner.
#include <cstring>
#include <memory>
#include <string>

#include "xml/xml.h"
#include "xml/xml_internal.h"

namespace {

// First capacities of an element's arrays; the growth steps are in
// xml_internal.h.
// (Comments, CDATA and the borrowed list: XMLElement::RareParts.)
constexpr uint32_t kFirstChildren = 20;
constexpr uint32_t kFirstAttributes = 20;
constexpr uint32_t kFirstTextNodes = 4;
constexpr char kNoName[] = "";

}  // namespace

XMLElement::XMLElement(XMLElement* parent, Room)
    : name_(const_cast<char*>(kNoName)),
      parent_(parent),
      children_(kFirstChildren),
      attributes_(kFirstAttributes),
      textNodes_(kFirstTextNodes)
{
}

XMLElement::RareParts& XMLElement::Rare()
{
    if (!rare_) {
        rare_ = std::make_unique<RareParts>();
        if (commentsCompacted_)
            rare_->comments.Resize(1);
    }
    return *rare_;
}

XMLElement::XMLElement(XMLElement* parent, const char* text, int kind) : XMLElement(parent, Room{0})
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
    if (nameOwned_)
        xmlimpl::PoolRelease(name_);
}

void XMLElement::AdoptName(xmlimpl::PoolText name)
{
    if (nameOwned_)
        xmlimpl::PoolRelease(name_);
    name_ = name.release();
    nameOwned_ = true;
}

int XMLElement::SetName(const char* name)
{
    AdoptName(xmlimpl::EscapedCopy(name));
    return int(std::strlen(name_));
}

int XMLElement::GetName(char* buffer, int raw) const
{
    return xmlimpl::CopyOut(name_, buffer, raw);
}

XMLAttribute** XMLElement::Attributes() const
{
    if (packed_.load(std::memory_order_acquire))
        BuildAttributeRecords();
    return attributes_.Data();
}

void XMLElement::BuildAttributeRecords() const
{
    const char* packed = packed_.load(std::memory_order_acquire);
    if (!packed)
        return;
    XMLElement* self = const_cast<XMLElement*>(this);
    const uint32_t capacity = attributes_.Count();   // never below the count
    XMLAttribute** records = XmlSlots<XMLAttribute*>::Zeroed(capacity);
    for (uint32_t i = 0; i < attributeCount_; ++i) {
        const char* name = packed;
        const char* value = name + std::strlen(name) + 1;
        packed = value + std::strlen(value) + 1;
        records[i] = new XMLAttribute(name, value, 1);
        records[i]->SetOwner(self);
    }
    if (attributes_.Install(records)) {
        packed_.store(nullptr, std::memory_order_release);
        return;
    }
    // Another reader built them first.
    for (uint32_t i = 0; i < attributeCount_; ++i)
        delete records[i];
    xmlimpl::PoolRelease(records);
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
        AdoptName(xmlimpl::PoolCopy(text));
        return;
    }
    const char* end = text + std::strlen(text);

    // The text may be this element's own name: the new name replaces the
    // old one only after the last read of the text.
    const xmlimpl::TagName name = xmlimpl::ScanTagName(text, end);
    xmlimpl::PoolText stored(static_cast<char*>(xmlimpl::PoolAllocate(name.length + 1)));
    xmlimpl::CopyTagName(name, stored.get());

    // Counted first, so that a tag with many attributes grows the array
    // once, to the capacity adding them one by one would give.
    uint32_t count = 0;
    xmlimpl::ScanTagAttributes(name.end, end, [&](const char*, const char*, const char*, const char*) { ++count; });
    ReserveAttributes(count);
    xmlimpl::ScanTagAttributes(name.end, end, [&](const char* n, const char* nEnd, const char* v, const char* vEnd) {
        AppendAttribute(new XMLAttribute(std::string(n, nEnd).c_str(), std::string(v, vEnd).c_str(), 1));
    });
    AdoptName(std::move(stored));
}

XMLElement* xmlimpl::NewElementFromTag(XMLElement* parent, const char* from, const char* to)
{
    // Sized first, then copied: name, NUL, and each attribute's name, NUL,
    // value, NUL, all in the element's own block.
    const TagName name = ScanTagName(from, to);
    uint32_t count = 0;
    size_t bytes = name.length + 1;
    ScanTagAttributes(name.end, to, [&](const char* n, const char* nEnd, const char* v, const char* vEnd) {
        ++count;
        bytes += size_t(nEnd - n) + size_t(vEnd - v) + 2;
    });

    XMLElement* e = new (XMLElement::Room{bytes}) XMLElement(parent, XMLElement::Room{bytes});
    char* w = reinterpret_cast<char*>(e + 1);
    e->name_ = w;
    w = CopyTagName(name, w);
    if (count == 0)
        return e;
    e->packed_.store(w, std::memory_order_relaxed);
    ScanTagAttributes(name.end, to, [&](const char* n, const char* nEnd, const char* v, const char* vEnd) {
        std::memcpy(w, n, size_t(nEnd - n));
        w += nEnd - n;
        *w++ = 0;
        std::memcpy(w, v, size_t(vEnd - v));
        w += vEnd - v;
        *w++ = 0;
    });
    e->attributeCount_ = count;
    e->attributes_.Resize(GrownCapacity(e->attributes_.Count(), 0, count, kAttributeStep));
    return e;
}

uint32_t XMLElement::AddChildFromTag(const char* text)
{
    return AppendChild(new XMLElement(this, text, XML_KIND_TAG));
}

// Counts nested tags from the first '<' on, cut as the parser cuts them
// (XmlNextTag): a tag ends at its first '>' and closes itself when the byte
// before that '>' is '/', so a '/' inside an attribute value, quoted either
// way or not at all, ends nothing; CDATA sections, comments and processing
// instructions end at their own closing marks, whatever they hold. Markup
// cut short by the terminator means "not found".
const char* FindElementEnd(const char* text)
{
    if (!text)
        return nullptr;
    const char* end = text + std::strlen(text);
    int depth = 0;
    for (const char* p = text;;) {
        const XmlTag tag = XmlNextTag(p, end);
        if (tag.kind == XML_TAG_NONE)
            return nullptr;
        p = tag.gt + 1;
        switch (tag.kind) {
        case XML_TAG_END:
            if (depth == 0)
                return nullptr;   // an end tag with nothing open
            if (--depth == 0)
                return p;
            break;
        case XML_TAG_START:
            ++depth;
            break;
        case XML_TAG_EMPTY:
            if (depth == 0)
                return tag.gt;   // a lone self-closed element ends at its '>'
            break;
        default:
            if (depth == 0)
                return p;   // a lone comment or CDATA section
            break;
        }
    }
}
