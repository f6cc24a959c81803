// xml/utf8text.cpp - the UTF-8 / UTF-16 / BSTR text holder.
#include "xml/utf8text.h"

#include <climits>
#include <cstring>
#include <cwchar>

namespace {

// The holder's own terminated copies of a conversion (empty when it failed).
wchar_t* NewCopy(const std::wstring& text)
{
    wchar_t* copy = new wchar_t[text.size() + 1]();
    std::wmemcpy(copy, text.data(), text.size());
    return copy;
}

char* NewCopy(const std::string& text)
{
    char* copy = new char[text.size() + 1]();
    std::memcpy(copy, text.data(), text.size());
    return copy;
}

}  // namespace

std::wstring Utf8ToWide(std::string_view utf8)
{
    if (utf8.empty() || utf8.size() > size_t(INT_MAX))
        return {};
    const int length = int(utf8.size());
    const int units = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, nullptr, 0);
    if (units <= 0)
        return {};
    std::wstring wide(size_t(units), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, wide.data(), units);
    return wide;
}

std::string WideToUtf8(std::wstring_view wide)
{
    if (wide.empty() || wide.size() > size_t(INT_MAX))
        return {};
    const int length = int(wide.size());
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0)
        return {};
    std::string utf8(size_t(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, utf8.data(), bytes, nullptr, nullptr);
    return utf8;
}

Utf8Text::Utf8Text(const char* utf8)
{
    if (!utf8 || !*utf8)
        return;
    const size_t length = std::strlen(utf8);
    length_ = int(length);
    utf8_ = new char[length + 10]();
    std::memcpy(utf8_, utf8, length + 1);
    wide_ = NewCopy(Utf8ToWide(utf8_));
    bstr_ = SysAllocString(wide_);
}

Utf8Text::Utf8Text(const wchar_t* utf16)
{
    if (!utf16 || !*utf16)
        return;
    const size_t length = std::wcslen(utf16);
    length_ = int(length);
    wide_ = new wchar_t[length + 10]();
    std::memcpy(wide_, utf16, (length + 1) * sizeof(wchar_t));
    utf8_ = NewCopy(WideToUtf8(wide_));
    bstr_ = SysAllocString(wide_);
}

Utf8Text::~Utf8Text()
{
    delete[] utf8_;
    delete[] wide_;
    if (bstr_)
        SysFreeString(bstr_);
}
