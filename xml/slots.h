// xml/slots.h - the arrays an element keeps its parts in.
//
// An array has a capacity from the moment the element exists (the first
// capacity of its kind), but no storage until something is stored in it:
// most elements of a large document use one or two of their arrays, and
// storage for all of them would cost more than the elements themselves.
// Until then Data() gives a shared block of null entries that may be read,
// as far as the capacity reaches, but never written. Storage comes from the
// library's pool (xml/pool.h).
#pragma once
#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <new>
#include <type_traits>

#include "xml/pool.h"

template <class T>
class XmlSlots {
    static_assert(std::is_trivially_copyable_v<T>, "XmlSlots holds plain records only");

public:
    // The most an array may claim without storage: the largest first
    // capacity of any kind, and what compaction leaves.
    static constexpr uint32_t kMaxUnallocated = 20;

    explicit XmlSlots(uint32_t capacity) : capacity_(capacity) {}
    ~XmlSlots() { xmlimpl::PoolRelease(data_); }
    XmlSlots(const XmlSlots&) = delete;
    XmlSlots& operator=(const XmlSlots&) = delete;

    uint32_t Count() const { return capacity_; }   // the capacity, in entries
    bool Allocated() const { return data_ != nullptr; }
    T* Data() { return data_ ? data_ : None(); }   // never null
    const T* Data() const { return data_ ? data_ : None(); }
    // Only for an entry below the highest count the array has held.
    T& operator[](uint32_t i) { return data_[i]; }
    const T& operator[](uint32_t i) const { return data_[i]; }

    // Sets the capacity, keeping the leading entries of stored ones; the
    // same capacity changes nothing. Without storage it only notes it.
    void Resize(uint32_t count)
    {
        if (count == capacity_)
            return;
        if (data_) {
            T* fresh = Zeroed(count);
            std::copy(data_, data_ + std::min(capacity_, count), fresh);
            xmlimpl::PoolRelease(data_);
            data_ = fresh;
        }
        capacity_ = count;
    }

    // Gives the array zero-filled storage of its capacity, once.
    void Allocate()
    {
        if (!data_)
            data_ = Zeroed(capacity_);
    }

    // count zero-filled entries (at least one) from the pool, for Install.
    static T* Zeroed(uint32_t count)
    {
        // A count past what size_t can hold in bytes (a 32-bit build) is
        // memory that cannot be had, not a small block.
        if (std::size_t(count) > SIZE_MAX / sizeof(T))
            throw std::bad_alloc();
        const std::size_t bytes = sizeof(T) * (count ? count : 1);
        void* block = xmlimpl::PoolAllocate(bytes);
        std::memset(block, 0, bytes);
        return static_cast<T*>(block);
    }

    // Gives the array the storage (capacity entries, from Zeroed) unless it
    // has some already, atomically: false, storage untouched, when it had.
    bool Install(T* storage)
    {
        T* none = nullptr;
        return std::atomic_ref<T*>(data_).compare_exchange_strong(none, storage, std::memory_order_acq_rel,
                                                                   std::memory_order_acquire);
    }

    // The shared null entries (kMaxUnallocated of them), for reading only.
    static T* None()
    {
        static const T kNone[kMaxUnallocated] = {};
        return const_cast<T*>(kNone);
    }

private:
    T* data_ = nullptr;
    uint32_t capacity_;
};
