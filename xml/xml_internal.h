// xml/xml_internal.h - helpers shared by the library's own sources; not part
// of the interface.
#pragma once
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "xml/autobuffer.h"
#include "xml/slots.h"
#include "xml/xml.h"

namespace xmlimpl {

// A zero-filled copy of text (null copies ""), with `extra` spare bytes.
inline std::unique_ptr<char[]> CopyText(const char* text, size_t extra = 10)
{
    const size_t n = text ? std::strlen(text) : 0;
    std::unique_ptr<char[]> copy(new char[n + extra + 1]());
    if (n)
        std::memcpy(copy.get(), text, n);
    return copy;
}

// The escaped form of text, in the pool.
PoolText EscapedCopy(const char* text);

// The unescaped form of stored text.
std::string Unescaped(const char* stored);

// Whether the unescaped form of stored equals text (null text is "").
bool UnescapedEquals(const char* stored, const char* text);

// Reads a decimal integer the way atol does (leading white space, optional
// sign, digits up to the first other byte), saturated to [lo, hi].
long long ReadSaturated(const char* text, long long lo, long long hi);

// The bytes Base64 text decodes to (characters outside the alphabet are
// skipped, a partial last group dropped).
std::vector<char> DecodeBase64(const std::string& text);

// Copies stored (raw) or its unescaped form into buffer; returns the length
// copied. Null buffer: the stored length.
int CopyOut(const char* stored, char* buffer, int raw);

template <class T>
inline void GiveStorage(AutoBuffer<T>&)
{
}

template <class T>
inline void GiveStorage(XmlSlots<T>& array)
{
    array.Allocate();
}

// Growth steps of an element's arrays.
inline constexpr uint32_t kChildStep = 20;
inline constexpr uint32_t kAttributeStep = 20;
inline constexpr uint32_t kCommentStep = 10;
inline constexpr uint32_t kTextNodeStep = 4;
inline constexpr uint32_t kCDataStep = 10;

// The capacity that leaves n free slots beyond count: the same one when it
// does already, else the larger of the whole steps that make room and twice
// the capacity. Doubling keeps appending one entry at a time amortised
// constant; the steps decide the first growth and a large reservation.
inline uint32_t GrownCapacity(uint32_t capacity, uint32_t count, uint32_t n, uint32_t step)
{
    if (capacity - count >= n)
        return capacity;
    const uint64_t need = uint64_t(count) + n;
    const uint64_t steps = (need - capacity + step - 1) / step;
    const uint64_t grown = std::max<uint64_t>(capacity + steps * step, uint64_t(capacity) * 2);
    return uint32_t(std::min<uint64_t>(grown, UINT32_MAX));
}

// Grows a pointer array (GrownCapacity) until it has n free slots beyond
// count, in one resize; returns the free slots. Asking for a slot gives
// the array its storage: that is when it is first allocated.
template <class Array>
uint32_t Reserve(Array& array, uint32_t count, uint32_t n, uint32_t step)
{
    array.Resize(GrownCapacity(array.Count(), count, n, step));
    if (n > 0)
        GiveStorage(array);
    return array.Count() - count;
}

// Removes entry index of a pointer array (later ones move down, the last
// slot is cleared); returns the removed pointer.
template <class Array>
auto TakeOut(Array& array, uint32_t& count, uint32_t index)
{
    auto item = array[index];
    for (uint32_t i = index + 1; i < count; ++i)
        array[i - 1] = array[i];
    array[--count] = nullptr;
    return item;
}

inline bool StartsWith(const char* p, const char* end, const char* literal)
{
    const size_t n = std::strlen(literal);
    return size_t(end - p) >= n && std::memcmp(p, literal, n) == 0;
}

// The first occurrence of the literal in [p, end), or null.
inline const char* FindLiteral(const char* p, const char* end, const char* literal)
{
    const size_t n = std::strlen(literal);
    while (size_t(end - p) >= n) {
        const char* hit = static_cast<const char*>(std::memchr(p, literal[0], size_t(end - p)));
        if (!hit || size_t(end - hit) < n)
            return nullptr;
        if (std::memcmp(hit, literal, n) == 0)
            return hit;
        p = hit + 1;
    }
    return nullptr;
}

// Markup that runs to its own closing mark whatever it holds ('>', tags,
// quotes): CDATA, a comment, a processing instruction.
struct Section {
    const char* open;
    const char* close;
    bool cdata;
};

// The section that starts at p (text up to end), or null.
inline const Section* SectionAt(const char* p, const char* end)
{
    static constexpr Section kSections[] = {
        {"<![CDATA[", "]]>", true},
        {"<!--", "-->", false},
        {"<?", "?>", false},
    };
    for (const Section& s : kSections)
        if (StartsWith(p, end, s.open))
            return &s;
    return nullptr;
}

// Where the section starting at p closes: the last byte of its closing
// mark, looked for only after the opening mark ("<!-->" does not close
// itself). Null when the text ends first.
inline const char* SectionEnd(const Section& s, const char* p, const char* end)
{
    const char* close = FindLiteral(p + std::strlen(s.open), end, s.close);
    return close ? close + std::strlen(s.close) - 1 : nullptr;
}

// The name of a start tag: its bytes run from begin to end, where the
// first NUL, tab, blank, '"', '/' or '>' stands; the '<' bytes among them
// are not part of it. length counts the bytes that are.
struct TagName {
    const char* begin;
    const char* end;
    size_t length;
};

// The name at the start of the tag text [p, end) (the text holds no NUL).
inline TagName ScanTagName(const char* p, const char* end)
{
    TagName name{p, p, 0};
    for (; name.end < end; ++name.end) {
        const char c = *name.end;
        if (c == 0 || c == '\t' || c == ' ' || c == '"' || c == '/' || c == '>')
            break;
        if (c != '<')
            ++name.length;
    }
    return name;
}

// Whether a start tag whose name has these bytes reads back as an element
// of exactly that name: not empty, not the start of a comment, processing
// instruction, CDATA or declaration ('!', '?'), and without a byte that ends
// a name or begins a tag (tab, blank, '"', '/', '>', '<').
inline bool IsTagName(const char* begin, const char* end)
{
    if (begin == end || *begin == '!' || *begin == '?')
        return false;
    for (const char* p = begin; p < end; ++p)
        if (*p == 0 || *p == '\t' || *p == ' ' || *p == '"' || *p == '/' || *p == '>' || *p == '<')
            return false;
    return true;
}

// Writes the name's bytes without its '<' bytes and a NUL; returns the
// position after the NUL.
inline char* CopyTagName(const TagName& name, char* out)
{
    for (const char* p = name.begin; p < name.end; ++p)
        if (*p != '<')
            *out++ = *p;
    *out++ = 0;
    return out;
}

// Calls f(name, nameEnd, value, valueEnd) for each attribute name="value"
// of the tag text from p (where the name ended) to end. The name runs up
// to the '=' less trailing blanks, the value between the next two double
// quotes; blanks and tabs stand between attributes, and anything else ends
// the list: '>', '/', the end, a missing '=' or a missing quote. Every
// search stays below end.
template <class F>
void ScanTagAttributes(const char* p, const char* end, F&& f)
{
    for (;;) {
        while (p < end && (*p == ' ' || *p == '\t'))
            ++p;
        if (p == end || *p == 0 || *p == '>' || *p == '/')
            return;
        const char* equals = static_cast<const char*>(std::memchr(p, '=', size_t(end - p)));
        if (!equals)
            return;
        const char* open = static_cast<const char*>(std::memchr(equals + 1, '"', size_t(end - (equals + 1))));
        if (!open)
            return;
        const char* close = static_cast<const char*>(std::memchr(open + 1, '"', size_t(end - (open + 1))));
        if (!close)
            return;
        const char* nameEnd = equals;
        while (nameEnd > p && nameEnd[-1] == ' ')
            --nameEnd;
        f(p, nameEnd, open + 1, close);
        p = close + 1;
    }
}

// The stored names and values of an element's attributes in order, read
// from its records or, while it has none, from its packed text; reading
// never builds records, so a writer or a comparison of a large tree costs
// no memory.
class StoredAttributes {
public:
    explicit StoredAttributes(const XMLElement* e)
        : element_(e), packed_(e->packed_.load(std::memory_order_acquire)), count_(e->attributeCount_)
    {
    }

    // The next attribute's stored name and value (both null for an empty
    // record slot); false after the last.
    bool Next(const char** name, const char** value)
    {
        if (index_ >= count_)
            return false;
        ++index_;
        if (packed_) {
            *name = packed_;
            *value = packed_ + std::strlen(packed_) + 1;
            packed_ = *value + std::strlen(*value) + 1;
            return true;
        }
        const XMLAttribute* a = element_->attributes_[index_ - 1];
        *name = a ? a->GetStoredName() : nullptr;
        *value = a ? a->GetStoredValue() : nullptr;
        return true;
    }

private:
    const XMLElement* element_;
    const char* packed_;
    uint32_t count_;
    uint32_t index_ = 0;
};

// The stored value of the first attribute of that unescaped name, or null;
// builds no records.
inline const char* FindStoredValue(const XMLElement* e, const char* name)
{
    StoredAttributes attributes(e);
    const char *stored, *value;
    while (attributes.Next(&stored, &value))
        if (stored && UnescapedEquals(stored, name))
            return value;
    return nullptr;
}

}  // namespace xmlimpl
