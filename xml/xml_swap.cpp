// xml/xml_swap.cpp - swap files: a child with its subtree written out to a
// file in the current folder and freed, and brought back on demand.
//
// A file's name comes from the child's place (GetSwapFileName), so moving
// children around an unloaded one loses track of its file: the slot then
// stays empty. A child is freed only after its file was written whole.
#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>

#include "xml/xml.h"
#include "xml/xml_io.h"

namespace {

bool FileExists(const std::string& name)
{
    FILE* f = std::fopen(name.c_str(), "rb");
    if (!f)
        return false;
    std::fclose(f);
    return true;
}

}  // namespace

int XMLElement::UnloadChild(uint32_t index)
{
    if (index >= childCount_)
        return 0;
    XMLElement* child = children_[index];
    if (!child)
        return 1;
    // A borrowed child belongs to someone else: freeing it is not ours.
    if (child->GetParent() != this)
        return 0;
    child->ReloadAllChildren();
    const std::string name = GetSwapFileName(index);
    if (FileExists(name))
        return 0;   // the name is taken by another file
    FILE* file = std::fopen(name.c_str(), "wb");
    if (!file)
        return 0;
    bool ok = XmlWriteElement(file, child, 0, 1, 1, XML_SAVE_FILE) != 0;
    ok = std::fclose(file) == 0 && ok;
    if (!ok) {
        DeleteSwapFile(index);
        return 0;
    }
    delete child;
    children_[index] = nullptr;
    return 1;
}

int XMLElement::ReloadChild(uint32_t index)
{
    if (index >= childCount_)
        return 0;
    if (children_[index])
        return 1;
    const std::string name = GetSwapFileName(index);
    std::unique_ptr<char[]> text;
    if (xmlimpl::ReadFileText(name.c_str(), nullptr, nullptr, &text) != xmlimpl::FileText::Read)
        return 0;
    // The file holds one element without declaration; a document only
    // collects the parse status.
    XMLDocument status;
    XMLElement* child = XmlParse(nullptr, text.get(), &status);
    if (!child || status.GetParseStatus(nullptr) == XML_STATUS_NO_ELEMENT_END) {
        delete child;
        return 0;   // the file stays for another try
    }
    child->SetParent(this);
    children_[index] = child;
    DeleteSwapFile(index);
    return 1;
}

int XMLElement::ReloadAllChildren()
{
    for (uint32_t i = 0; i < childCount_; ++i)
        if (!children_[i])
            ReloadChild(i);
    return 0;
}
