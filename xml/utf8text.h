// xml/utf8text.h - one text held at once as UTF-8, UTF-16 and BSTR.
//
// The XML library keeps UTF-8, Win32 wide calls want UTF-16 and COM wants a
// BSTR: a caller that has the text in one form builds a Utf8Text and hands
// each interface the form it wants. All three forms are made once, at
// construction, so the accessors are plain reads. Meant for short texts
// (names, paths, messages). Neither copyable nor assignable.
//
// Beside it, the plain string conversions every library uses.
#pragma once
#include <windows.h>
#include <oleauto.h>

#include <string>
#include <string_view>

// UTF-8 to UTF-16 and back, the whole text (embedded NULs included). Invalid
// sequences come out as U+FFFD; a conversion that fails, or a text beyond
// what the Win32 call takes (2 GB), gives the empty string.
std::wstring Utf8ToWide(std::string_view utf8);
std::string WideToUtf8(std::wstring_view wide);

class Utf8Text {
public:
    explicit Utf8Text(const char* utf8);        // null or "" gives the empty holder
    explicit Utf8Text(const wchar_t* utf16);    // null or L"" gives the empty holder
    ~Utf8Text();
    Utf8Text(const Utf8Text&) = delete;
    Utf8Text& operator=(const Utf8Text&) = delete;

    const char* Utf8Buffer() const { return utf8_; }                // null when empty
    const char* Utf8() const { return utf8_ ? utf8_ : &emptyNarrow_; }   // never null
    const wchar_t* WideBuffer() const { return wide_; }             // null when empty
    const wchar_t* Wide() const { return wide_ ? wide_ : &emptyWide_; }  // never null
    BSTR Bstr() const { return bstr_; }                             // null when empty
    // Length of the source in its own units: bytes for a UTF-8 source, UTF-16
    // units for a wide one; 0 for the empty holder.
    int Length() const { return length_; }

private:
    char emptyNarrow_ = 0;
    wchar_t emptyWide_ = 0;
    char* utf8_ = nullptr;
    wchar_t* wide_ = nullptr;
    BSTR bstr_ = nullptr;
    int length_ = 0;
};
