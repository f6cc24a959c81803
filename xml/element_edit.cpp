// xml/element_edit.cpp - finding, adding, moving and removing the parts of
// an element.
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "xml/xml.h"
#include "xml/xml_internal.h"

namespace {

using xmlimpl::kAttributeStep;
using xmlimpl::kCDataStep;
using xmlimpl::kChildStep;
using xmlimpl::kCommentStep;
using xmlimpl::kTextNodeStep;
constexpr uint32_t kBorrowedStep = 5;
constexpr char kSwapFileSuffix[] = ".xmltmp";

// Deletes every entry from the last to the first.
template <class T>
void DeleteAll(XmlSlots<T*>& array, uint32_t& count)
{
    while (count > 0) {
        --count;
        delete array[count];
        array[count] = nullptr;
    }
}

template <class T>
uint32_t RemoveAt(XmlSlots<T*>& array, uint32_t& count, uint32_t index)
{
    if (index >= count)
        return count;
    delete xmlimpl::TakeOut(array, count, index);
    return count;
}

template <class T>
int IndexOf(const XmlSlots<T*>& array, uint32_t count, const T* item)
{
    if (!item)
        return -1;
    for (uint32_t i = 0; i < count; ++i)
        if (array[i] == item)
            return int(i);
    return -1;
}

template <class Node>
uint32_t AppendNode(XMLElement* owner, XmlSlots<Node*>& array, uint32_t& count, uint32_t step,
                    Node* node, int position)
{
    if (!node)
        return count;
    xmlimpl::Reserve(array, count, 1, step);
    node->SetOwner(owner);
    node->SetPosition(position);
    array[count++] = node;
    return count;
}

}  // namespace

// ---------------------------------------------------------------------------
// Children

int XMLElement::GetChildIndex(const XMLElement* child) const
{
    return IndexOf(children_, childCount_, child);
}

XMLElement* XMLElement::FindChildPointer(const XMLElement* child) const
{
    const int i = GetChildIndex(child);
    return i < 0 ? nullptr : children_[uint32_t(i)];
}

int XMLElement::FindChildIndex(const char* name) const
{
    for (uint32_t i = 0; i < childCount_; ++i) {
        const XMLElement* child = children_[i];
        if (child && xmlimpl::UnescapedEquals(child->GetStoredName(), name))
            return int(i);
    }
    return -1;
}

XMLElement* XMLElement::FindElementByPath(const char* path)
{
    if (!path || !*path)
        return this;
    XMLElement* at = this;
    for (const char* step = path;;) {
        const char* end = std::strchr(step, '\\');
        const std::string name = end ? std::string(step, size_t(end - step)) : std::string(step);
        const int i = at->FindChildIndex(name.c_str());
        if (i < 0)
            return nullptr;
        at = at->children_[uint32_t(i)];
        if (!end)
            return at;
        step = end + 1;
    }
}

int XMLElement::GetDepth() const
{
    int depth = 0;
    for (const XMLElement* e = parent_; e; e = e->parent_)
        ++depth;
    return depth;
}

int XMLElement::GetFullName(char* buffer, int raw) const
{
    if (!parent_)
        return 0;
    // Names from this element up to (not including) the root, then joined
    // top-down.
    std::vector<const char*> names;
    for (const XMLElement* e = this; e->parent_; e = e->parent_)
        names.push_back(e->GetStoredName());
    std::string joined;
    for (auto it = names.rbegin(); it != names.rend(); ++it) {
        if (it != names.rbegin())
            joined += '\\';
        joined += *it;
    }
    if (!buffer)
        return int(joined.size());
    return xmlimpl::CopyOut(joined.c_str(), buffer, raw);
}

int XMLElement::GetIndexPath(char* buffer) const
{
    std::vector<int> indices;
    for (const XMLElement* e = this; e->parent_; e = e->parent_)
        indices.push_back(e->parent_->GetChildIndex(e));
    std::string path;
    for (auto it = indices.rbegin(); it != indices.rend(); ++it)
        path += std::to_string(*it) + "-";
    if (!buffer) {
        // Callers allocate this much; three digits and a hyphen per level,
        // unless an index is larger.
        const int usual = GetDepth() * 4 + 10;
        const int needed = int(path.size()) + 1;
        return needed > usual ? needed : usual;
    }
    std::memcpy(buffer, path.c_str(), path.size() + 1);
    return int(path.size());
}

std::string XMLElement::GetSwapFileName(uint32_t n) const
{
    std::vector<char> buffer(size_t(GetIndexPath(nullptr)), 0);
    std::string path(buffer.data(), size_t(GetIndexPath(buffer.data())));
    if (!path.empty() && path.back() == '-')
        path.pop_back();
    if (!path.empty())
        path += '-';
    return path + std::to_string(n) + kSwapFileSuffix;
}

int XMLElement::DeleteSwapFile(uint32_t index) const
{
    const std::string name = GetSwapFileName(index);
#if defined(PATHVEX_HANDHELD)
    // The handheld file system takes wide names only; swap names are plain
    // digits, so the system code page converts them faithfully.
    wchar_t wide[MAX_PATH] = {};
    if (!MultiByteToWideChar(CP_ACP, 0, name.c_str(), -1, wide, MAX_PATH))
        return 0;
    return DeleteFileW(wide) ? 1 : 0;
#else
    return DeleteFileA(name.c_str()) ? 1 : 0;
#endif
}

uint32_t XMLElement::ReserveChildren(uint32_t n)
{
    return xmlimpl::Reserve(children_, childCount_, n, kChildStep);
}

uint32_t XMLElement::PlaceChild(uint32_t index, XMLElement* child)
{
    ReserveChildren(1);
    if (index >= childCount_) {
        children_[childCount_++] = child;
        return childCount_;
    }
    for (uint32_t i = childCount_; i > index; --i)
        children_[i] = children_[i - 1];
    children_[index] = child;
    ++childCount_;
    return index;
}

uint32_t XMLElement::AppendChild(XMLElement* child)
{
    return InsertChild(childCount_, child);
}

uint32_t XMLElement::InsertChild(uint32_t index, XMLElement* child)
{
    if (!child)
        return childCount_;
    child->parent_ = this;
    return PlaceChild(index, child);
}

uint32_t XMLElement::AddBorrowedChild(XMLElement* child, uint32_t index)
{
    if (!child)
        return childCount_;
    RareParts& rare = Rare();
    if (uint32_t(rare.borrowedUsed) >= rare.borrowed.Count())
        rare.borrowed.Resize(rare.borrowed.Count() + kBorrowedStep);
    rare.borrowed.Allocate();
    rare.borrowed[uint32_t(rare.borrowedUsed++)] = XmlBorrowedChild{1, child};
    return PlaceChild(index, child);
}

uint32_t XMLElement::MoveChild(uint32_t from, uint32_t to)
{
    if (from >= childCount_ || to >= childCount_)
        return childCount_;
    // Within one parent the child keeps its parent pointer: a borrowed
    // child must not be claimed, an unloaded slot has no object to update.
    XMLElement* child = xmlimpl::TakeOut(children_, childCount_, from);
    return PlaceChild(to, child);
}

void XMLElement::UnlinkSlot(uint32_t index)
{
    xmlimpl::TakeOut(children_, childCount_, index);
}

uint32_t XMLElement::RemoveChild(uint32_t index)
{
    if (index >= childCount_)
        return childCount_;
    XMLElement* child = children_[index];
    if (!child) {
        DeleteSwapFile(index);
    } else {
        bool borrowed = false;
        for (int i = 0; rare_ && i < rare_->borrowedUsed; ++i) {
            XmlBorrowedChild& entry = rare_->borrowed[uint32_t(i)];
            if (entry.inUse && entry.element == child) {
                entry.inUse = 0;
                borrowed = true;
                break;
            }
        }
        if (!borrowed)
            delete child;
    }
    UnlinkSlot(index);
    return childCount_;
}

void XMLElement::RemoveAllChildren()
{
    while (childCount_ > 0)
        RemoveChild(childCount_ - 1);
}

int XMLElement::RemoveBorrowedChildren()
{
    if (!rare_)
        return 0;
    int removed = 0;
    for (int e = 0; e < rare_->borrowedUsed; ++e) {
        XmlBorrowedChild& entry = rare_->borrowed[uint32_t(e)];
        if (!entry.inUse)
            continue;
        // Unlinked directly: the element may sit in several slots and none
        // of them owns it.
        for (uint32_t i = childCount_; i-- > 0;)
            if (children_[i] == entry.element) {
                UnlinkSlot(i);
                ++removed;
            }
        entry.inUse = 0;
    }
    for (int e = 0; e < rare_->borrowedUsed; ++e)
        rare_->borrowed[uint32_t(e)] = XmlBorrowedChild{0, nullptr};
    rare_->borrowedUsed = 0;
    return removed;
}

// ---------------------------------------------------------------------------
// Attributes

int XMLElement::FindAttributeIndex(const char* name) const
{
    xmlimpl::StoredAttributes attributes(this);
    const char* stored;
    const char* value;
    for (int i = 0; attributes.Next(&stored, &value); ++i)
        if (stored && xmlimpl::UnescapedEquals(stored, name))
            return i;
    return -1;
}

XMLAttribute* XMLElement::FindAttribute(const char* name, int create, const char* defaultValue)
{
    const int i = FindAttributeIndex(name);
    if (i >= 0)
        return Attributes()[i];
    if (!create)
        return nullptr;
    XMLAttribute* a = new XMLAttribute(name, defaultValue, 0);
    AppendAttribute(a);
    return a;
}

int XMLElement::GetAttributeIndex(const XMLAttribute* attribute) const
{
    // Without records no attribute pointer can be one of ours.
    if (packed_.load(std::memory_order_acquire))
        return -1;
    return IndexOf(attributes_, attributeCount_, attribute);
}

XMLAttribute* XMLElement::FindAttributePointer(const XMLAttribute* attribute) const
{
    const int i = GetAttributeIndex(attribute);
    return i < 0 ? nullptr : attributes_[uint32_t(i)];
}

uint32_t XMLElement::ReserveAttributes(uint32_t n)
{
    Attributes();
    return xmlimpl::Reserve(attributes_, attributeCount_, n, kAttributeStep);
}

uint32_t XMLElement::AppendAttribute(XMLAttribute* attribute)
{
    if (!attribute)
        return attributeCount_;
    ReserveAttributes(1);
    attribute->SetOwner(this);
    attributes_[attributeCount_++] = attribute;
    return attributeCount_;
}

uint32_t XMLElement::AddAttribute(const char* name, const char* value)
{
    return AppendAttribute(new XMLAttribute(name, value, 0));
}

uint32_t XMLElement::AddBinaryAttribute(const char* name, const void* bytes, int count)
{
    XMLAttribute* a = new XMLAttribute(name, nullptr, 0);
    a->SetBinaryValue(bytes, count);
    return AppendAttribute(a);
}

uint32_t XMLElement::RemoveAttribute(uint32_t index)
{
    if (index < attributeCount_)
        Attributes();
    return RemoveAt(attributes_, attributeCount_, index);
}

uint32_t XMLElement::DetachAttribute(uint32_t index, XMLAttribute** out)
{
    if (out)
        *out = nullptr;
    if (index >= attributeCount_)
        return attributeCount_;
    Attributes();
    XMLAttribute* a = xmlimpl::TakeOut(attributes_, attributeCount_, index);
    if (out)
        *out = a;
    else
        delete a;
    return attributeCount_;
}

void XMLElement::RemoveAllAttributes()
{
    if (packed_.load(std::memory_order_acquire)) {
        packed_.store(nullptr, std::memory_order_release);   // the text stays in the block, unused
        attributeCount_ = 0;
        return;
    }
    DeleteAll(attributes_, attributeCount_);
}

// ---------------------------------------------------------------------------
// Text nodes, comments, CDATA

uint32_t XMLElement::ReserveTextNodes(uint32_t n)
{
    return xmlimpl::Reserve(textNodes_, textNodeCount_, n, kTextNodeStep);
}

uint32_t XMLElement::AppendTextNode(XMLTextNode* node, int position)
{
    return AppendNode(this, textNodes_, textNodeCount_, kTextNodeStep, node, position);
}

uint32_t XMLElement::AddTextNode(const char* text, int position)
{
    return AppendTextNode(new XMLTextNode(this, position, text, 0), position);
}

uint32_t XMLElement::RemoveTextNode(uint32_t index)
{
    return RemoveAt(textNodes_, textNodeCount_, index);
}

void XMLElement::RemoveAllTextNodes()
{
    DeleteAll(textNodes_, textNodeCount_);
}

uint32_t XMLElement::ReserveComments(uint32_t n)
{
    if (!rare_ && n == 0)
        return GetCommentCapacity();
    RareParts& rare = Rare();
    return xmlimpl::Reserve(rare.comments, rare.commentCount, n, kCommentStep);
}

uint32_t XMLElement::AppendComment(XMLCommentNode* node, int position)
{
    if (!node)
        return GetCommentCount();
    RareParts& rare = Rare();
    return AppendNode(this, rare.comments, rare.commentCount, kCommentStep, node, position);
}

uint32_t XMLElement::AddComment(const char* text, int position)
{
    return AppendComment(new XMLCommentNode(this, position, text), position);
}

uint32_t XMLElement::RemoveComment(uint32_t index)
{
    if (!rare_)
        return 0;
    return RemoveAt(rare_->comments, rare_->commentCount, index);
}

void XMLElement::RemoveAllComments()
{
    if (rare_)
        DeleteAll(rare_->comments, rare_->commentCount);
}

uint32_t XMLElement::ReserveCData(uint32_t n)
{
    if (!rare_ && n == 0)
        return GetCDataCapacity();
    RareParts& rare = Rare();
    return xmlimpl::Reserve(rare.cdata, rare.cdataCount, n, kCDataStep);
}

uint32_t XMLElement::AppendCData(XMLCDataNode* node, int position)
{
    if (!node)
        return GetCDataCount();
    RareParts& rare = Rare();
    return AppendNode(this, rare.cdata, rare.cdataCount, kCDataStep, node, position);
}

uint32_t XMLElement::AddCData(const char* text, int position)
{
    return AppendCData(new XMLCDataNode(this, position, text), position);
}

uint32_t XMLElement::RemoveCData(uint32_t index)
{
    if (!rare_)
        return 0;
    return RemoveAt(rare_->cdata, rare_->cdataCount, index);
}

void XMLElement::RemoveAllCData()
{
    if (rare_)
        DeleteAll(rare_->cdata, rare_->cdataCount);
}
