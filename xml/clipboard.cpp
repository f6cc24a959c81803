// xml/clipboard.cpp - an element as XML text on the system clipboard, and
// back.
//
// The text is written into a string that grows with it, so no estimate of
// its size can fall short. Every clipboard call is checked: a block the
// clipboard did not take is still ours and is freed, and the clipboard is
// closed on every way out.
#include <windows.h>

#include <cstring>
#include <memory>
#include <string>

#include "xml/xml.h"

namespace {

// Holds the clipboard open for one scope.
class OpenedClipboard {
public:
    OpenedClipboard() : open_(OpenClipboard(nullptr) != FALSE) {}
    ~OpenedClipboard()
    {
        if (open_)
            CloseClipboard();
    }
    OpenedClipboard(const OpenedClipboard&) = delete;
    OpenedClipboard& operator=(const OpenedClipboard&) = delete;
    bool IsOpen() const { return open_; }

private:
    bool open_;
};

#if defined(PATHVEX_HANDHELD)
// The handhelds' clipboard takes local memory, used in place.
HANDLE AllocateText(const std::string& text)
{
    void* block = LocalAlloc(LPTR, text.size() + 10);
    if (block)
        std::memcpy(block, text.c_str(), text.size() + 1);
    return block;
}
void FreeText(HANDLE block)
{
    LocalFree(block);
}
#else
HANDLE AllocateText(const std::string& text)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, text.size() + 10);
    if (!block)
        return nullptr;
    void* p = GlobalLock(block);
    if (!p) {
        GlobalFree(block);
        return nullptr;
    }
    std::memcpy(p, text.c_str(), text.size() + 1);
    GlobalUnlock(block);
    return block;
}
void FreeText(HANDLE block)
{
    GlobalFree(block);
}
#endif

// The clipboard's CF_TEXT, read no further than its block reaches: the text
// comes from any program and need not be terminated.
bool ReadClipboardText(std::string* text)
{
    HANDLE data = GetClipboardData(CF_TEXT);
    if (!data)
        return false;
#if defined(PATHVEX_HANDHELD)
    const char* p = static_cast<const char*>(data);
    const size_t size = LocalSize(data);
#else
    const char* p = static_cast<const char*>(GlobalLock(data));
    const size_t size = GlobalSize(data);
#endif
    if (!p)
        return false;
    const void* end = std::memchr(p, 0, size);
    text->assign(p, end ? static_cast<const char*>(end) - p : size);
#if !defined(PATHVEX_HANDHELD)
    GlobalUnlock(data);
#endif
    return true;
}

}  // namespace

int XMLElement::CopyToClipboard()
{
    ReloadAllChildren();
    std::string text;
    if (!XmlWriteElementToText(this, 0, 1, 1, &text))
        return 0;

    OpenedClipboard clipboard;
    if (!clipboard.IsOpen() || !EmptyClipboard())
        return 0;
    HANDLE block = AllocateText(text);
    if (!block)
        return 0;
    if (!SetClipboardData(CF_TEXT, block)) {
        FreeText(block);   // the clipboard took nothing: the block is still ours
        return 0;
    }
    return 1;
}

XMLElement* XMLElement::PasteFromClipboard()
{
    std::string text;
    {
        OpenedClipboard clipboard;
        if (!clipboard.IsOpen() || !ReadClipboardText(&text))
            return nullptr;
    }
    // The text has no declaration: a repaired document (status 1) is fine.
    XMLDocument parsed;
    parsed.LoadFromText(text.c_str());
    if (parsed.GetParseStatus(nullptr) == XML_STATUS_NO_ELEMENT_END || !parsed.GetRoot())
        return nullptr;
    return parsed.GetRoot()->DeepCopy(nullptr);
}
