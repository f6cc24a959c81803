// xml/pool.h - the memory a tree's records, texts and arrays live in.
//
// A large document is millions of small blocks: a recorded point is an
// element, its name, its attribute array and seven attribute records with
// their names and values. Through the system heap each is an allocation and
// a release of its own, and freeing a track of a million points took
// seconds. Here blocks are cut in turn from pages of kPoolPageBytes, and
// giving a block back only counts its page down; the page is reused once its
// last block is back. A block is never reused before that, so a block that
// lives long keeps its page: at most one page per such block.
//
// Any thread may allocate and release. A lock guards the page being cut and
// the pages waiting for reuse; releasing a block takes it only when that
// empties a page.
#pragma once
#include <cstddef>
#include <memory>

namespace xmlimpl {

inline constexpr std::size_t kPoolPageBytes = 32 * 1024;

// A block of at least bytes, aligned for 8-byte values; uninitialised.
// Never null: like new, it throws std::bad_alloc when the heap is out.
void* PoolAllocate(std::size_t bytes);
// Gives a block of PoolAllocate back; null does nothing.
void PoolRelease(void* block) noexcept;

struct PoolDeleter {
    void operator()(char* text) const noexcept { PoolRelease(text); }
};
// A text held in the pool.
using PoolText = std::unique_ptr<char[], PoolDeleter>;

// A pool copy of text (null copies ""), NUL-terminated.
PoolText PoolCopy(const char* text);
PoolText PoolCopy(const char* text, std::size_t length);

}  // namespace xmlimpl
