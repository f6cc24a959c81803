// The updater's hash list as XML, read in place of the INI file that the
// handheld system cannot read, and the small UTF-8 file deletion.
#include "platform/handheld/handheld.h"

#include "xml/utf8text.h"
#include "xml/xml.h"

#include <cstring>
#include <cwchar>
#include <memory>

namespace {

// The element name is built in a buffer of this many bytes: "n", the key as
// 8-bit text, and the terminator.
constexpr int kElementNameBytes = 1000;
constexpr char kElementPrefix = 'n';

void CopyBounded(wchar_t* out, DWORD size, const wchar_t* text)
{
    const size_t length = text ? std::wcslen(text) : 0;
    const size_t n = length < size - 1 ? length : size - 1;
    if (n)
        std::wmemcpy(out, text, n);
    out[n] = L'\0';
}

// "n" followed by the key in the system's 8-bit code page; false when the
// key does not fit the buffer or would name a deeper element than a child.
bool ElementName(const wchar_t* key, char (&name)[kElementNameBytes])
{
    if (!key || std::wcschr(key, L'\\'))
        return false;
    name[0] = kElementPrefix;
    if (!*key) {
        name[1] = '\0';
        return true;
    }
    const int room = kElementNameBytes - 2;
    const int n = WideCharToMultiByte(CP_ACP, 0, key, -1, name + 1, room + 1, nullptr, nullptr);
    return n > 0 && std::memchr(name + 1, '\\', static_cast<size_t>(n)) == nullptr;
}

// The first text of element key's child of the root, unescaped; false when
// there is none.
bool ReadHashText(const wchar_t* key, const wchar_t* file, std::unique_ptr<char[]>* text)
{
    char name[kElementNameBytes] = {};
    if (!file || !ElementName(key, name))
        return false;
    XMLDocument list(file, 0);
    // A cut or broken list is not read at all: none of its hashes counts.
    if (list.GetParseStatus(nullptr) >= XML_STATUS_NO_ELEMENT_END)
        return false;
    XMLElement* root = list.GetRoot();
    XMLElement* element = root ? root->FindElementByPath(name) : nullptr;
    const XMLTextNode* node = element ? element->GetTextNode(0) : nullptr;
    if (!node)
        return false;
    // The stored (escaped) length; unescaping never makes a text longer.
    const int stored = node->GetText(nullptr, 0);
    if (stored < 0)
        return false;
    *text = std::make_unique<char[]>(static_cast<size_t>(stored) + 1);
    const int length = node->GetText(text->get(), 0);
    (*text)[length >= 0 && length <= stored ? length : 0] = '\0';
    return true;
}

}  // namespace

void ReadXmlProfileString(const wchar_t*, const wchar_t* key, const wchar_t* defaultText, wchar_t* out,
                          DWORD size, const wchar_t* file)
{
    if (!out || size == 0)
        return;
    std::unique_ptr<char[]> text;
    if (!ReadHashText(key, file, &text)) {
        CopyBounded(out, size, defaultText);
        return;
    }
    const Utf8Text wide(text.get());
    CopyBounded(out, size, wide.Wide());
}

BOOL DeleteFileUtf8(const char* path)
{
    const Utf8Text wide(path);
    return DeleteFileW(wide.Wide());
}
