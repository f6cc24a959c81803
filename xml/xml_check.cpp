// xml/xml_check.cpp - integrity checks: can every record, array and text of
// a tree be read? Start-up runs it on the settings document, whose save at
// shutdown depends on it, so a document whose parse failed must fail it.
#include <windows.h>

#include <vector>

#include "xml/xml.h"

namespace {

#if defined(PATHVEX_HANDHELD)
// The handhelds have no pointer probes: presence is all that is checked.
bool Readable(const void* p, size_t) { return p != nullptr; }
bool ReadableText(const char* p) { return p != nullptr; }
#else
bool Readable(const void* p, size_t size) { return p && !IsBadReadPtr(p, size); }
bool ReadableText(const char* p) { return p && !IsBadStringPtrA(p, UINT_PTR(-1)); }
#endif

bool OwnerOk(const XMLElement* owner)
{
    return !owner || Readable(owner, sizeof(XMLElement));
}

template <class Node>
bool NodeOk(const Node* node)
{
    return Readable(node, sizeof(Node)) && ReadableText(node->GetStoredText()) && OwnerOk(node->GetOwner());
}

template <class Node>
bool ArrayOk(Node* const* array, uint32_t count)
{
    if (count && !Readable(array, sizeof(Node*) * count))
        return false;
    for (uint32_t i = 0; i < count; ++i)
        if (!NodeOk(array[i]))
            return false;
    return true;
}

// One element without its children's own contents.
bool ElementOk(XMLElement* e)
{
    if (!OwnerOk(e->GetParent()) || !ReadableText(e->GetStoredName()))
        return false;
    if (!ArrayOk(e->GetComments(), e->GetCommentCount()) || !ArrayOk(e->GetTextNodes(), e->GetTextNodeCount()))
        return false;
    const uint32_t attributes = e->GetAttributeCount();
    if (attributes && !Readable(e->GetAttributes(), sizeof(XMLAttribute*) * attributes))
        return false;
    for (uint32_t i = 0; i < attributes; ++i) {
        const XMLAttribute* a = e->GetAttributes()[i];
        if (!Readable(a, sizeof(XMLAttribute)) || !ReadableText(a->GetStoredName()) ||
            !ReadableText(a->GetStoredValue()) || !OwnerOk(a->GetOwner()))
            return false;
    }
    const uint32_t children = e->GetChildCount();
    if (children && !Readable(e->GetChildren(), sizeof(XMLElement*) * children))
        return false;
    for (uint32_t i = 0; i < children; ++i)
        if (!Readable(e->GetChildren()[i], sizeof(XMLElement)))   // an unloaded child fails too
            return false;
    return true;
}

}  // namespace

bool XMLElement::CheckIntegrity() const
{
    std::vector<XMLElement*> work{const_cast<XMLElement*>(this)};
    while (!work.empty()) {
        XMLElement* e = work.back();
        work.pop_back();
        if (!ElementOk(e))
            return false;
        for (uint32_t i = 0; i < e->GetChildCount(); ++i)
            work.push_back(e->GetChildren()[i]);
    }
    return true;
}

bool XMLProlog::CheckIntegrity() const
{
    if (!ReadableText(GetDeclaration()))
        return false;
    return ArrayOk(comments_.Data(), commentCount_);
}

bool XMLDocument::CheckIntegrity() const
{
    if (status_ == XML_STATUS_NO_ELEMENT_END)
        return false;
    return prolog_ && root_ && Readable(prolog_, sizeof(XMLProlog)) && prolog_->CheckIntegrity() &&
           Readable(root_, sizeof(XMLElement)) && root_->CheckIntegrity();
}
