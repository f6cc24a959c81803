// xml/element_copy.cpp - whole elements: lookup with creation, detaching,
// deep copies and merging one tree into another.
//
// Copies take names, values and texts in their stored form exactly as they
// stand: rebuilding a name through the start-tag reader would cut it at a
// blank, a quote or a '/', and unescaping and escaping again would rewrite
// numeric references, so the copy would no longer compare equal.
#include <memory>
#include <utility>
#include <vector>

#include "xml/xml.h"
#include "xml/xml_internal.h"

namespace {

// The topmost ancestor of an element (the element itself for a root).
const XMLElement* TopOf(const XMLElement* e)
{
    while (e->GetParent())
        e = e->GetParent();
    return e;
}

}  // namespace

XMLElement* XMLElement::FindElement(const char* name, int create, const char* tag)
{
    const int i = FindChildIndex(name);
    if (i >= 0)
        return children_[uint32_t(i)];
    if (!create)
        return nullptr;
    XMLElement* child = new XMLElement(this, tag, XML_KIND_TAG);
    if (!tag)
        child->SetName(name);   // named exactly, so the next lookup finds it
    AppendChild(child);
    return child;
}

uint32_t XMLElement::DetachChild(uint32_t index, XMLElement** out)
{
    if (out)
        *out = nullptr;
    if (index >= childCount_)
        return childCount_;
    if (!out)
        return RemoveChild(index);   // nobody would own it: removed as usual
    if (!children_[index] && !ReloadChild(index))
        return childCount_;   // its swap file stays where it can still be found
    XMLElement* child = children_[index];
    // A borrowed child leaves this element for good: its entry must not
    // keep it from being deleted should it come back as an owned child.
    for (int i = 0; rare_ && i < rare_->borrowedUsed; ++i) {
        XmlBorrowedChild& entry = rare_->borrowed[uint32_t(i)];
        if (entry.inUse && entry.element == child) {
            entry.inUse = 0;
            break;
        }
    }
    UnlinkSlot(index);
    *out = child;
    return childCount_;
}

XMLElement* XMLElement::DeepCopy(XMLElement* parent)
{
    // One element without its children, stored texts as they stand.
    auto copyOne = [](XMLElement* from, XMLElement* to_parent) {
        from->ReloadAllChildren();
        XMLElement* to = new XMLElement(to_parent, from->GetStoredName(), XML_KIND_NAME);
        to->kind_ = from->kind_;
        xmlimpl::StoredAttributes attributes(from);
        const char *name, *value;
        to->ReserveAttributes(from->attributeCount_);
        while (attributes.Next(&name, &value))
            if (name)
                to->AppendAttribute(new XMLAttribute(name, value, 1));
        for (uint32_t i = 0; i < from->textNodeCount_; ++i) {
            const XMLTextNode* t = from->textNodes_[i];
            to->AppendTextNode(new XMLTextNode(to, t->GetPosition(), t->GetStoredText(), 1), t->GetPosition());
        }
        for (uint32_t i = 0; i < from->GetCommentCount(); ++i) {
            const XMLCommentNode* c = from->GetComment(i);
            to->AppendComment(new XMLCommentNode(to, c->GetPosition(), c->GetText()), c->GetPosition());
        }
        for (uint32_t i = 0; i < from->GetCDataCount(); ++i) {
            const XMLCDataNode* d = from->GetCDataNode(i);
            to->AppendCData(new XMLCDataNode(to, d->GetPosition(), d->GetText()), d->GetPosition());
        }
        return to;
    };

    XMLElement* top = copyOne(this, parent);
    std::vector<std::pair<XMLElement*, XMLElement*>> work{{this, top}};
    while (!work.empty()) {
        const auto [from, to] = work.back();
        work.pop_back();
        for (uint32_t i = 0; i < from->childCount_; ++i) {
            XMLElement* child = from->children_[i];
            if (!child)
                continue;   // could not be reloaded
            XMLElement* copy = copyOne(child, to);
            to->AppendChild(copy);
            work.push_back({child, copy});
        }
    }
    return top;
}

int XMLElement::Merge(XMLElement* target, XMLElement* source, int overwrite)
{
    if (!target || !source || target == source)
        return 0;
    // Merging within one tree would add to the elements being read: work
    // from a snapshot of the source instead.
    std::unique_ptr<XMLElement> snapshot;
    if (TopOf(target) == TopOf(source)) {
        snapshot.reset(source->DeepCopy(nullptr));
        source = snapshot.get();
    }

    std::vector<std::pair<XMLElement*, XMLElement*>> work{{target, source}};
    while (!work.empty()) {
        const auto [to, from] = work.back();
        work.pop_back();
        xmlimpl::StoredAttributes attributes(from);
        const char *storedName, *storedValue;
        while (attributes.Next(&storedName, &storedValue)) {
            const std::string name = xmlimpl::Unescaped(storedName);
            const std::string value = xmlimpl::Unescaped(storedValue);
            const int at = to->FindAttributeIndex(name.c_str());
            if (at < 0)
                to->AppendAttribute(new XMLAttribute(name.c_str(), value.c_str(), 0));   // as Duplicate makes it
            else if (overwrite)
                to->Attributes()[at]->SetValue(value.c_str(), 0);
        }
        from->ReloadAllChildren();
        std::vector<std::pair<XMLElement*, XMLElement*>> children;
        for (uint32_t i = 0; i < from->childCount_; ++i) {
            XMLElement* child = from->children_[i];
            if (!child)
                continue;
            const std::string name = xmlimpl::Unescaped(child->GetStoredName());
            if (XMLElement* match = to->FindElement(name.c_str(), 0, nullptr))
                children.push_back({match, child});
            else
                to->AppendChild(child->DeepCopy(to));
        }
        // Merged in source order: later pairs go on the stack first.
        for (auto it = children.rbegin(); it != children.rend(); ++it)
            work.push_back(*it);
    }
    return 0;
}
