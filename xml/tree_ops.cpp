// xml/tree_ops.cpp - records and trees as values: copies and assignments,
// equality, sorting, compaction and the memory estimate.
//
// Comparisons look at stored (escaped) texts byte for byte; positions and
// owners take no part. Tree walks keep their own stacks.
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "xml/xml.h"
#include "xml/xml_internal.h"

namespace {

constexpr uint32_t kPrologFirstComments = 5;
constexpr size_t kSlotBytes = 4;   // what the estimate counts per array slot

bool SameText(const char* a, const char* b)
{
    return std::strcmp(a ? a : "", b ? b : "") == 0;
}

// Both arrays of nodes hold equal texts in the same order.
template <class Node>
bool SameNodes(const XMLElement* a, const XMLElement* b, uint32_t count, Node* (XMLElement::*at)(uint32_t) const)
{
    for (uint32_t i = 0; i < count; ++i)
        if ((a->*at)(i)->Compare((b->*at)(i)) != 0)
            return false;
    return true;
}

// One element against another without their children's contents.
bool SameElement(const XMLElement* a, const XMLElement* b)
{
    if (!SameText(a->GetStoredName(), b->GetStoredName()))
        return false;
    if (a->GetAttributeCount() != b->GetAttributeCount())
        return false;
    xmlimpl::StoredAttributes as(a);
    xmlimpl::StoredAttributes bs(b);
    const char *an, *av, *bn, *bv;
    while (as.Next(&an, &av) && bs.Next(&bn, &bv))
        if (!an || !bn || !SameText(an, bn) || !SameText(av, bv))
            return false;
    if (a->GetCommentCount() != b->GetCommentCount() ||
        !SameNodes(a, b, a->GetCommentCount(), &XMLElement::GetComment))
        return false;
    if (a->GetCDataCount() != b->GetCDataCount() || !SameNodes(a, b, a->GetCDataCount(), &XMLElement::GetCDataNode))
        return false;
    if (a->GetTextNodeCount() != b->GetTextNodeCount() ||
        !SameNodes(a, b, a->GetTextNodeCount(), &XMLElement::GetTextNode))
        return false;
    return a->GetChildCount() == b->GetChildCount();
}

// Case-insensitive comparison of ASCII letters, byte order otherwise.
int CompareNoCase(const std::string& a, const std::string& b)
{
    const size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z')
            x = static_cast<unsigned char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = static_cast<unsigned char>(y - 'A' + 'a');
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

template <class Node>
size_t NodesUsage(const XMLElement* e, uint32_t count, Node* (XMLElement::*at)(uint32_t) const)
{
    size_t bytes = 0;
    for (uint32_t i = 0; i < count; ++i)
        if (const Node* n = (e->*at)(i))
            bytes += n->GetMemoryUsage();
    return bytes;
}

}  // namespace

// ---------------------------------------------------------------------------
// Attributes and nodes

XMLAttribute* XMLAttribute::Assign(const XMLAttribute* other)
{
    if (!other || other == this)
        return this;
    name_ = xmlimpl::PoolCopy(other->GetStoredName());
    value_ = xmlimpl::PoolCopy(other->GetStoredValue());
    owner_ = other->owner_;
    return this;
}

XMLAttribute* XMLAttribute::Duplicate() const
{
    const std::string name = xmlimpl::Unescaped(GetStoredName());
    const std::string value = xmlimpl::Unescaped(GetStoredValue());
    return new XMLAttribute(name.c_str(), value.c_str(), 0);
}

int XMLAttribute::Compare(const XMLAttribute* other) const
{
    if (!other)
        return 1;
    return SameText(GetStoredName(), other->GetStoredName()) && SameText(GetStoredValue(), other->GetStoredValue())
               ? 0
               : 1;
}

size_t XMLAttribute::GetMemoryUsage() const
{
    return sizeof(XMLAttribute) + std::strlen(GetStoredName()) + std::strlen(GetStoredValue());
}

int XMLNodeBase::Compare(const XMLNodeBase* other) const
{
    if (!other)
        return 1;
    return SameText(GetStoredText(), other->GetStoredText()) ? 0 : 1;
}

size_t XMLNodeBase::GetMemoryUsage() const
{
    return sizeof(XMLNodeBase) + std::strlen(GetStoredText());
}

void XMLNodeBase::AssignNode(const XMLNodeBase* other)
{
    if (!other || other == this)
        return;
    owner_ = other->owner_;
    position_ = other->position_;
    StoreText(other->GetStoredText(), 0);
}

XMLTextNode* XMLTextNode::Assign(const XMLTextNode* other)
{
    AssignNode(other);
    return this;
}

XMLTextNode* XMLTextNode::Duplicate() const
{
    const std::string text = xmlimpl::Unescaped(GetStoredText());
    return new XMLTextNode(owner_, position_, text.c_str(), 0);
}

XMLCommentNode* XMLCommentNode::Assign(const XMLCommentNode* other)
{
    AssignNode(other);
    return this;
}

XMLCommentNode* XMLCommentNode::Duplicate() const
{
    return new XMLCommentNode(owner_, position_, GetText());
}

XMLCDataNode* XMLCDataNode::Assign(const XMLCDataNode* other)
{
    AssignNode(other);
    return this;
}

XMLCDataNode* XMLCDataNode::Duplicate() const
{
    return new XMLCDataNode(owner_, position_, GetText());
}

// ---------------------------------------------------------------------------
// Prolog

XMLProlog* XMLProlog::Assign(const XMLProlog* other)
{
    if (!other || other == this)
        return this;
    declaration_ = xmlimpl::CopyText(other->GetDeclaration());
    RemoveAllComments();
    comments_.Resize(kPrologFirstComments);
    for (uint32_t i = 0; i < other->GetCommentCount(); ++i) {
        const XMLCommentNode* c = other->GetComment(i);
        if (c)
            AppendComment(new XMLCommentNode(nullptr, c->GetPosition(), c->GetText()), c->GetPosition());
    }
    return this;
}

XMLProlog* XMLProlog::Duplicate() const
{
    XMLProlog* copy = new XMLProlog(nullptr);
    return copy->Assign(this);
}

int XMLProlog::Compare(const XMLProlog* other) const
{
    if (!other)
        return 1;
    if (!SameText(GetDeclaration(), other->GetDeclaration()) || commentCount_ != other->commentCount_)
        return 1;
    for (uint32_t i = 0; i < commentCount_; ++i)
        if (comments_[i]->Compare(other->comments_[i]) != 0)
            return 1;
    return 0;
}

void XMLProlog::Compact()
{
    comments_.Resize(commentCount_ ? commentCount_ : 1);
}

size_t XMLProlog::GetMemoryUsage() const
{
    size_t bytes = sizeof(XMLProlog) + std::strlen(GetDeclaration()) + kSlotBytes * comments_.Count();
    for (uint32_t i = 0; i < commentCount_; ++i)
        bytes += comments_[i]->GetMemoryUsage();
    return bytes;
}

// ---------------------------------------------------------------------------
// Elements

int XMLElement::Compare(const XMLElement* other) const
{
    if (!other)
        return 1;
    std::vector<std::pair<const XMLElement*, const XMLElement*>> work{{this, other}};
    while (!work.empty()) {
        const auto [a, b] = work.back();
        work.pop_back();
        if (!SameElement(a, b))
            return 1;
        for (uint32_t i = 0; i < a->childCount_; ++i) {
            const XMLElement* x = a->children_[i];
            const XMLElement* y = b->children_[i];
            if (x && y)   // a pair with an unloaded child counts as equal
                work.push_back({x, y});
        }
    }
    return 0;
}

int CompareChildNames(const void* a, const void* b)
{
    const XMLElement* x = *static_cast<XMLElement* const*>(a);
    const XMLElement* y = *static_cast<XMLElement* const*>(b);
    return CompareNoCase(xmlimpl::Unescaped(x ? x->GetStoredName() : ""),
                         xmlimpl::Unescaped(y ? y->GetStoredName() : ""));
}

int CompareAttributeNames(const void* a, const void* b)
{
    const XMLAttribute* x = *static_cast<XMLAttribute* const*>(a);
    const XMLAttribute* y = *static_cast<XMLAttribute* const*>(b);
    return CompareNoCase(xmlimpl::Unescaped(x ? x->GetStoredName() : ""),
                         xmlimpl::Unescaped(y ? y->GetStoredName() : ""));
}

void XMLElement::SortChildren(int (*compare)(const void*, const void*))
{
    // A swap file is named by its slot: an unloaded child that moved would
    // never be found again.
    ReloadAllChildren();
    if (childCount_ > 1)
        std::qsort(children_.Data(), childCount_, sizeof(XMLElement*), compare ? compare : CompareChildNames);
}

void XMLElement::SortAttributes(int (*compare)(const void*, const void*))
{
    if (attributeCount_ > 1)
        std::qsort(Attributes(), attributeCount_, sizeof(XMLAttribute*),
                   compare ? compare : CompareAttributeNames);
}

void XMLElement::Compact()
{
    std::vector<XMLElement*> work{this};
    while (!work.empty()) {
        XMLElement* e = work.back();
        work.pop_back();
        if (e->rare_)
            e->rare_->comments.Resize(e->rare_->commentCount ? e->rare_->commentCount : 1);
        else
            e->commentsCompacted_ = true;
        e->attributes_.Resize(e->attributeCount_ ? e->attributeCount_ : 1);
        e->children_.Resize(e->childCount_ ? e->childCount_ : 1);
        for (uint32_t i = 0; i < e->childCount_; ++i)
            if (XMLElement* child = e->children_[i])
                work.push_back(child);
    }
}

size_t XMLElement::GetMemoryUsage() const
{
    size_t bytes = 0;
    std::vector<const XMLElement*> work{this};
    while (!work.empty()) {
        const XMLElement* e = work.back();
        work.pop_back();
        bytes += sizeof(XMLElement) + std::strlen(e->GetStoredName());
        bytes += kSlotBytes * (size_t(e->children_.Count()) + e->attributes_.Count() + e->GetCommentCapacity() +
                               e->textNodes_.Count() + e->GetCDataCapacity());
        xmlimpl::StoredAttributes attributes(e);
        const char *name, *value;
        while (attributes.Next(&name, &value))   // what the records hold, built or not
            if (name)
                bytes += sizeof(XMLAttribute) + std::strlen(name) + std::strlen(value);
        bytes += NodesUsage(e, e->GetCommentCount(), &XMLElement::GetComment);
        bytes += NodesUsage(e, e->textNodeCount_, &XMLElement::GetTextNode);
        bytes += NodesUsage(e, e->GetCDataCount(), &XMLElement::GetCDataNode);
        for (uint32_t i = 0; i < e->childCount_; ++i)
            if (const XMLElement* child = e->children_[i])
                work.push_back(child);
    }
    return bytes;
}

// ---------------------------------------------------------------------------
// Documents

int XMLDocument::Compare(const XMLDocument* other) const
{
    if (!other)
        return 1;
    if (!root_ || !other->root_) {
        if (root_ || other->root_)
            return 1;
    } else if (root_->Compare(other->root_) != 0) {
        return 1;
    }
    if (!prolog_ || !other->prolog_)
        return prolog_ || other->prolog_ ? 1 : 0;
    return prolog_->Compare(other->prolog_);
}

void XMLDocument::Compact()
{
    if (root_)
        root_->Compact();
    if (prolog_)
        prolog_->Compact();
}

size_t XMLDocument::GetMemoryUsage() const
{
    return (root_ ? root_->GetMemoryUsage() : 0) + (prolog_ ? prolog_->GetMemoryUsage() : 0);
}
