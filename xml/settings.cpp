// xml/settings.cpp - settings by path: typed attributes of the elements
// below a document's root, read with defaults and written with the missing
// elements created on the way.
//
// Values are taken whole, never through fixed buffers: a settings file can
// be edited by hand, and a value that does not fit the caller's buffer must
// give the default, not leave garbage behind for a port name or a folder.
#include <windows.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "xml/base64.h"
#include "xml/utf8text.h"
#include "xml/xml.h"
#include "xml/xml_internal.h"

namespace xmlimpl {

long long ReadSaturated(const char* text, long long lo, long long hi)
{
    const char* p = text;
    while (*p == ' ' || (*p >= '\t' && *p <= '\r'))
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-')
        negative = *p++ == '-';
    // Accumulated as a magnitude that stops growing past the range.
    const unsigned long long limit = negative ? 0ULL - static_cast<unsigned long long>(lo)
                                              : static_cast<unsigned long long>(hi);
    unsigned long long v = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        const unsigned digit = unsigned(*p - '0');
        v = v > (limit - digit) / 10 ? limit : v * 10 + digit;
    }
    if (negative)
        return v >= limit ? lo : -static_cast<long long>(v);
    return static_cast<long long>(v);
}

std::vector<char> DecodeBase64(const std::string& text)
{
    std::vector<char> bytes(text.size() / 4 * 3 + 4, 0);
    Base64Decoder<const char*, char*> decoder;
    char* out = decoder.process(bytes.data(), text.data(), text.data() + text.size());
    out = decoder.flush(out);
    bytes.resize(size_t(out - bytes.data()));
    return bytes;
}

}  // namespace xmlimpl

namespace {

// The document a settings call works on: the caller's, or one loaded from
// the file for the length of the call.
class SettingsTarget {
public:
    SettingsTarget(const char* file, XMLDocument* doc)
    {
        if (doc)
            doc_ = doc;
        else if (file && *file)
            doc_ = owned_ = new XMLDocument(file, XML_LOAD_FILE);
    }
    ~SettingsTarget() { delete owned_; }
    SettingsTarget(const SettingsTarget&) = delete;
    SettingsTarget& operator=(const SettingsTarget&) = delete;

    XMLDocument* Doc() const { return doc_; }
    XMLElement* Root() const { return doc_ ? doc_->GetRoot() : nullptr; }
    // A loaded file goes back through the document's safe save: written
    // beside the file and moved over it only when written whole. A file
    // that lost its declaration on loading, or whose parse failed, is not
    // written over.
    void Commit() const
    {
        if (owned_)
            owned_->Save(nullptr, 1, XML_SAVE_FILE);
    }

private:
    XMLDocument* doc_ = nullptr;
    XMLDocument* owned_ = nullptr;
};

// The unescaped value of the attribute at path; false when there is no root,
// or a step or the attribute is missing.
bool FindValue(XMLElement* root, const char* path, const char* attribute, std::string* value)
{
    if (!root || !attribute)
        return false;
    XMLElement* e = root->FindElementByPath(path);
    if (!e)
        return false;
    const char* stored = xmlimpl::FindStoredValue(e, attribute);
    if (!stored)
        return false;
    *value = xmlimpl::Unescaped(stored);
    return true;
}

// The stored value, or the default for a missing or empty one.
std::string ValueOrDefault(const char* path, const char* attribute, const std::string& defaultText,
                           const char* file, XMLDocument* doc)
{
    SettingsTarget target(file, doc);
    std::string value;
    if (FindValue(target.Root(), path, attribute, &value) && !value.empty())
        return value;
    return defaultText;
}

int Length(size_t n)
{
    return n > size_t(INT_MAX) ? INT_MAX : int(n);
}

// Copies as much of text as fits in size bytes with its NUL; returns the
// bytes copied. Null buffer or no room: nothing copied, the whole length.
int CopyBounded(const char* text, char* buffer, int size)
{
    const size_t n = std::strlen(text);
    if (!buffer || size <= 0)
        return Length(n);
    const size_t take = std::min(n, size_t(size) - 1);
    std::memcpy(buffer, text, take);
    buffer[take] = 0;
    return Length(take);
}

// Text in a code page as UTF-16.
std::wstring ToWide(const std::string& text, unsigned codePage)
{
    if (text.empty())
        return std::wstring();
    const int n = MultiByteToWideChar(codePage, 0, text.data(), Length(text.size()), nullptr, 0);
    if (n <= 0)
        return std::wstring();
    std::wstring wide(size_t(n), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), Length(text.size()), wide.data(), n);
    return wide;
}

// UTF-16 to a code page (characters it lacks become its default
// character); false when the conversion fails.
bool WideToCodePage(const wchar_t* text, size_t units, unsigned codePage, std::string* out)
{
    out->clear();
    if (units == 0)
        return true;
    const int n = WideCharToMultiByte(codePage, 0, text, Length(units), nullptr, 0, nullptr, nullptr);
    if (n <= 0)
        return false;
    out->assign(size_t(n), '\0');
    return WideCharToMultiByte(codePage, 0, text, Length(units), out->data(), n, nullptr, nullptr) == n;
}

// The longest leading part of a UTF-16 text whose conversion to the code
// page fits in room bytes, whole characters only.
std::string FittingPrefix(const std::wstring& wide, unsigned codePage, size_t room)
{
    std::string out;
    for (size_t i = 0; i < wide.size();) {
        const size_t n = IS_HIGH_SURROGATE(wide[i]) && i + 1 < wide.size() && IS_LOW_SURROGATE(wide[i + 1]) ? 2 : 1;
        std::string piece;
        if (!WideToCodePage(wide.data() + i, n, codePage, &piece) || out.size() + piece.size() > room)
            break;
        out += piece;
        i += n;
    }
    return out;
}

}  // namespace

// ---------------------------------------------------------------------------
// Attributes by path

int XMLDocument::GetAttributeByPath(const char* path, const char* attribute, char* buffer, int size)
{
    std::string value;
    if (!FindValue(root_, path, attribute, &value))
        return 0;
    if (buffer && size > 0 && value.size() < size_t(size))
        std::memcpy(buffer, value.c_str(), value.size() + 1);
    return Length(value.size());
}

int XMLDocument::SetAttributeByPath(const char* path, const char* attribute, const char* value)
{
    if (!root_)
        return 0;
    if (!attribute) {
        // Only an element that exists is removed: nothing is created for it.
        XMLElement* e = root_->FindElementByPath(path);
        if (!e || e == root_)
            return 0;
        XMLElement* parent = e->GetParent();
        const int i = parent ? parent->GetChildIndex(e) : -1;
        if (i >= 0)
            parent->RemoveChild(uint32_t(i));
        return 1;
    }

    XMLElement* e = root_;
    if (path && *path) {
        for (const char* step = path;;) {
            const char* end = std::strchr(step, '\\');
            const std::string name = end ? std::string(step, size_t(end - step)) : std::string(step);
            // Named exactly as the step, so that the next lookup finds it
            // whatever characters the step holds.
            e = e->FindElement(name.c_str(), 1, nullptr);
            if (!end)
                break;
            step = end + 1;
        }
    }
    const int i = e->FindAttributeIndex(attribute);
    if (!value) {
        if (i >= 0)
            e->RemoveAttribute(uint32_t(i));
        return 1;
    }
    if (i >= 0)
        e->GetAttribute(uint32_t(i))->SetValue(value, 0);
    else
        e->AddAttribute(attribute, value);
    return 1;
}

// ---------------------------------------------------------------------------
// Readers

int ReadSettingString(const char* path, const char* attribute, const char* defaultText, char* buffer, int size,
                      const char* file, XMLDocument* doc)
{
    if (!defaultText)
        defaultText = "";
    SettingsTarget target(file, doc);
    std::string value;
    if (FindValue(target.Root(), path, attribute, &value) && !value.empty()) {
        if (!buffer || size <= 0)
            return Length(value.size());
        if (value.size() < size_t(size)) {
            std::memcpy(buffer, value.c_str(), value.size() + 1);
            return Length(value.size());
        }
        // Too long for the caller: the default, not a cut value.
    }
    return CopyBounded(defaultText, buffer, size);
}

unsigned ReadSettingUInt(const char* path, const char* attribute, unsigned defaultValue, const char* file,
                         XMLDocument* doc)
{
    // The default takes the same road as a stored value.
    const std::string text = ValueOrDefault(path, attribute, std::to_string(defaultValue), file, doc);
    return unsigned(xmlimpl::ReadSaturated(text.c_str(), INT_MIN, INT_MAX));
}

uint64_t ReadSettingUInt64(const char* path, const char* attribute, uint64_t defaultValue, const char* file,
                           XMLDocument* doc)
{
    const std::string text = ValueOrDefault(path, attribute, std::to_string(defaultValue), file, doc);
    return uint64_t(xmlimpl::ReadSaturated(text.c_str(), LLONG_MIN, LLONG_MAX));
}

float ReadSettingFloat(const char* path, const char* attribute, float defaultValue, const char* file,
                       XMLDocument* doc)
{
    char printed[80];
    std::snprintf(printed, sizeof printed, "%f", double(defaultValue));
    const std::string text = ValueOrDefault(path, attribute, printed, file, doc);
    return float(std::strtod(text.c_str(), nullptr));
}

int ReadSettingBinary(const char* path, const char* attribute, const char* defaultText, void* buffer, int size,
                      const char* file, XMLDocument* doc)
{
    const std::string text = ValueOrDefault(path, attribute, defaultText ? defaultText : "", file, doc);
    if (text.empty())
        return 0;
    const std::vector<char> bytes = xmlimpl::DecodeBase64(text);
    const int decoded = Length(bytes.size());
    if (!buffer || size <= 0)
        return decoded;
    const int take = std::min(decoded, size);
    std::memcpy(buffer, bytes.data(), size_t(take));
    return take;
}

int ReadSettingStringInCodePage(const char* path, const char* attribute, const char* defaultText, char* buffer,
                                unsigned size, const char* file, XMLDocument* doc, unsigned codePage)
{
    const std::string def = defaultText ? defaultText : "";
    const std::string text = ValueOrDefault(path, attribute, def, file, doc);
    if (text == def)
        return Length(def.size());   // the caller's buffer holds its default already

    const std::wstring wide = Utf8ToWide(text);
    std::string converted;
    if (!WideToCodePage(wide.data(), wide.size(), codePage, &converted)) {
        if (buffer && size > 0)
            buffer[0] = 0;
        return 0;
    }
    if (!buffer || size == 0)
        return Length(converted.size() + 1);
    if (converted.size() < size) {
        std::memcpy(buffer, converted.c_str(), converted.size() + 1);
        return Length(converted.size() + 1);
    }
    // Too long: the default in that code page, cut at a whole character.
    const std::string cut = FittingPrefix(Utf8ToWide(def), codePage, size - 1);
    std::memcpy(buffer, cut.c_str(), cut.size() + 1);
    return Length(cut.size() + 1);
}

int ReadSettingAttributes(const char* path, char** names, char** values, const char* file)
{
    SettingsTarget target(file, nullptr);
    XMLElement* e = target.Root() ? target.Root()->FindElementByPath(path) : nullptr;
    if (!e)
        return 0;
    const uint32_t count = e->GetAttributeCount();
    for (uint32_t i = 0; i < count; ++i) {
        const XMLAttribute* a = e->GetAttribute(i);
        if (names)
            names[i] = xmlimpl::CopyText(xmlimpl::Unescaped(a->GetStoredName()).c_str()).release();
        if (values)
            values[i] = xmlimpl::CopyText(xmlimpl::Unescaped(a->GetStoredValue()).c_str()).release();
    }
    return int(count);
}

int ReadSettingChildNames(const char* path, char** names, const char* file)
{
    SettingsTarget target(file, nullptr);
    XMLElement* e = target.Root() ? target.Root()->FindElementByPath(path) : nullptr;
    if (!e)
        return 0;
    int count = 0;
    for (uint32_t i = 0; i < e->GetChildCount(); ++i) {
        const XMLElement* child = e->GetChild(i);
        if (!child)
            continue;
        if (names)
            names[count] = xmlimpl::CopyText(xmlimpl::Unescaped(child->GetStoredName()).c_str()).release();
        ++count;
    }
    return count;
}

// ---------------------------------------------------------------------------
// Writers

int WriteSettingString(const char* path, const char* attribute, const char* value, const char* file,
                       XMLDocument* doc)
{
    SettingsTarget target(file, doc);
    if (!target.Doc() || !target.Doc()->SetAttributeByPath(path, attribute, value))
        return 0;
    target.Commit();
    return 1;
}

int WriteSettingUInt(const char* path, const char* attribute, unsigned value, const char* file, XMLDocument* doc)
{
    return WriteSettingString(path, attribute, std::to_string(value).c_str(), file, doc);
}

int WriteSettingUInt64(const char* path, const char* attribute, uint64_t value, const char* file,
                       XMLDocument* doc)
{
    return WriteSettingString(path, attribute, std::to_string(value).c_str(), file, doc);
}

int WriteSettingFloat(const char* path, const char* attribute, float value, const char* file, XMLDocument* doc)
{
    char text[80];
    std::snprintf(text, sizeof text, "%f", double(value));
    return WriteSettingString(path, attribute, text, file, doc);
}

int WriteSettingBinary(const char* path, const char* attribute, const void* data, int length, const char* file,
                       XMLDocument* doc)
{
    if (!data || length < 0)
        length = 0;
    const size_t chars = (size_t(length) + 2) / 3 * 4;
    std::vector<char> text(chars + chars / 72 * 2 + 1, 0);
    const char* begin = static_cast<const char*>(data);
    Base64Encoder<const char*, char*> encoder;
    char* out = encoder.process(text.data(), begin, begin + length);
    out = encoder.flush(out);
    *out = 0;
    return WriteSettingString(path, attribute, text.data(), file, doc);
}

int WriteSettingWideString(const char* path, const char* attribute, const wchar_t* value, const char* file,
                           XMLDocument* doc)
{
    if (!value)
        return WriteSettingString(path, attribute, nullptr, file, doc);
    return WriteSettingString(path, attribute, WideToUtf8(value).c_str(), file, doc);
}

int WriteSettingWideStringToFile(const char* path, const char* attribute, const wchar_t* value, const char* file)
{
    return WriteSettingWideString(path, attribute, value, file, nullptr);
}

int WriteSettingAnsiString(const char* path, const char* attribute, const char* value, const char* file)
{
    if (!value)
        return WriteSettingString(path, attribute, nullptr, file, nullptr);
    const std::wstring wide = ToWide(value, CP_ACP);
    return WriteSettingString(path, attribute, WideToUtf8(wide).c_str(), file, nullptr);
}

int RenameSettingElement(const char* path, const char* newName, const char* file, XMLDocument* doc)
{
    SettingsTarget target(file, doc);
    XMLElement* e = target.Root() ? target.Root()->FindElementByPath(path) : nullptr;
    if (!e)
        return 0;
    e->SetName(newName);
    target.Commit();
    return 1;
}
