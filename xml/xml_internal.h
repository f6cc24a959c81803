// xml/xml_internal.h - helpers shared by the library's own sources; not part
// of the interface.
#pragma once
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "xml/autobuffer.h"
#include "xml/slots.h"

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

// The escaped form of text in a zero-filled block of escaped length + 10.
std::unique_ptr<char[]> EscapedCopy(const char* text);

// The unescaped form of stored text.
std::string Unescaped(const char* stored);

// Whether the unescaped form of stored equals text (null text is "").
bool UnescapedEquals(const char* stored, const char* text);

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

// Grows a pointer array by whole steps until it has n free slots beyond
// count; returns the free slots. Asking for a slot gives the array its
// storage: that is when it is first allocated.
template <class Array>
uint32_t Reserve(Array& array, uint32_t count, uint32_t n, uint32_t step)
{
    const uint32_t capacity = array.Count();
    if (capacity - count < n) {
        // Whole steps, as many as it takes, in one resize.
        const uint64_t need = uint64_t(count) + n;
        const uint64_t steps = (need - capacity + step - 1) / step;
        array.Resize(uint32_t(capacity + steps * step));
    }
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

}  // namespace xmlimpl
