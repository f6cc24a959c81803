// xml/autobuffer.h - a zero-filled heap array that knows its element count.
//
// The program's scratch buffer for text and file contents, and the growable
// block behind an element's borrowed-children list. It owns its array, frees
// it when it goes and cannot be copied: an owner that must hand the buffer to
// a callee passes Data() as a plain pointer.
#pragma once
#include <algorithm>
#include <cstdint>
#include <type_traits>

template <class T>
class AutoBuffer {
    static_assert(std::is_trivially_copyable_v<T>, "AutoBuffer holds plain records only");

public:
    // Allocates count zero-filled elements; a count of 0 allocates one.
    explicit AutoBuffer(uint32_t count) : count_(count ? count : 1), data_(new T[count_]()) {}
    ~AutoBuffer() { delete[] data_; }
    AutoBuffer(const AutoBuffer&) = delete;
    AutoBuffer& operator=(const AutoBuffer&) = delete;

    // Replaces the array by one of count zero-filled elements that starts with
    // the old leading elements; the same count changes nothing, 0 is allowed.
    // Pointers into the old array become invalid.
    void Resize(uint32_t count)
    {
        if (count == count_)
            return;
        T* fresh = new T[count]();
        std::copy(data_, data_ + std::min(count_, count), fresh);
        delete[] data_;
        data_ = fresh;
        count_ = count;
    }

    T* Data() { return data_; }                      // never null
    const T* Data() const { return data_; }
    uint32_t Count() const { return count_; }        // elements, not bytes
    T& operator[](uint32_t i) { return data_[i]; }   // no bounds check
    const T& operator[](uint32_t i) const { return data_[i]; }

private:
    uint32_t count_;
    T* data_;
};
