// xml/pool.cpp - blocks cut from pages, pages kept in chunks.
//
// Pages come from chunks of kChunkBytes: a release per page would go
// through the heap's free lists, whose cost grows with the heap (under Wine
// freeing the pages of a million-point track took longer than the rest of
// it together), while a chunk is large enough to be mapped and unmapped on
// its own. A page whose blocks are all given back returns to its chunk for
// reuse; a chunk whose pages have all returned goes back to the heap.
#include "xml/pool.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <new>

namespace xmlimpl {
namespace {

struct Chunk;

// Precedes every block: the page it was cut from, or null for a block that
// was too large for a page and came from the heap on its own.
struct alignas(8) BlockHead {
    struct Page* page;
};

// The start of every page. live counts the blocks not yet given back, plus
// kCutting while the page is being cut: a page that is still handing out
// blocks cannot reach zero, whatever is released meanwhile.
struct alignas(8) Page {
    std::atomic<std::intptr_t> live;
    Chunk* chunk;
    Page* nextFree;   // while it waits in its chunk
};

// The start of every chunk, followed by its pages. A chunk with free pages
// stands in the list of such chunks.
struct alignas(8) Chunk {
    Page* freePages;
    std::uint32_t usedPages;   // handed out and not yet returned
    bool listed;
    Chunk* prev;
    Chunk* next;
};

constexpr std::size_t kAlign = 8;
constexpr std::intptr_t kCutting = std::intptr_t(1) << 30;
// Larger blocks come from the heap on their own: a page should hold many.
constexpr std::size_t kLargestPooled = kPoolPageBytes / 8;
constexpr std::size_t kPagesPerChunk = 32;
constexpr std::size_t kChunkBytes = sizeof(Chunk) + kPagesPerChunk * kPoolPageBytes;

// Everything below is guarded by the lock. Constant-initialised, so the
// pool works before and after every other static object.
struct Cursor {
    Page* page;
    char* next;
    char* end;
    std::intptr_t cut;   // blocks cut from the page so far
};
constinit Cursor g_cursor{nullptr, nullptr, nullptr, 0};
constinit Chunk* g_chunksWithRoom = nullptr;
constinit std::atomic_flag g_lock = ATOMIC_FLAG_INIT;

class PoolLock {
public:
    PoolLock()
    {
        while (g_lock.test_and_set(std::memory_order_acquire))
            SwitchToThread();
    }
    ~PoolLock() { g_lock.clear(std::memory_order_release); }
    PoolLock(const PoolLock&) = delete;
    PoolLock& operator=(const PoolLock&) = delete;
};

void Link(Chunk* chunk)
{
    chunk->prev = nullptr;
    chunk->next = g_chunksWithRoom;
    if (g_chunksWithRoom)
        g_chunksWithRoom->prev = chunk;
    g_chunksWithRoom = chunk;
    chunk->listed = true;
}

void Unlink(Chunk* chunk)
{
    if (chunk->prev)
        chunk->prev->next = chunk->next;
    else
        g_chunksWithRoom = chunk->next;
    if (chunk->next)
        chunk->next->prev = chunk->prev;
    chunk->listed = false;
}

// A page to cut, from a chunk that has one or from a new chunk.
Page* TakePage()
{
    Chunk* chunk = g_chunksWithRoom;
    if (!chunk) {
        void* block = ::operator new(kChunkBytes);
        chunk = new (block) Chunk{nullptr, 0, false, nullptr, nullptr};
        char* pages = reinterpret_cast<char*>(chunk + 1);
        for (std::size_t i = kPagesPerChunk; i-- > 0;) {
            Page* page = new (pages + i * kPoolPageBytes) Page{};
            page->chunk = chunk;
            page->nextFree = chunk->freePages;
            chunk->freePages = page;
        }
        Link(chunk);
    }
    Page* page = chunk->freePages;
    chunk->freePages = page->nextFree;
    ++chunk->usedPages;
    if (!chunk->freePages)
        Unlink(chunk);
    page->live.store(kCutting, std::memory_order_relaxed);
    return page;
}

// A page whose blocks have all been given back goes back to its chunk, and
// a chunk with no page in use goes back to the heap.
void ReturnPage(Page* page)
{
    Chunk* chunk = page->chunk;
    page->nextFree = chunk->freePages;
    chunk->freePages = page;
    if (--chunk->usedPages == 0) {
        if (chunk->listed)
            Unlink(chunk);
        chunk->~Chunk();
        ::operator delete(chunk);
        return;
    }
    if (!chunk->listed)
        Link(chunk);
}

// Stops cutting the current page: from now on its live count is the number
// of its blocks still out, and the last of them returns it.
void RetireCurrent()
{
    if (Page* page = g_cursor.page) {
        const std::intptr_t count = kCutting - g_cursor.cut;
        if (page->live.fetch_sub(count, std::memory_order_acq_rel) == count)
            ReturnPage(page);
    }
    g_cursor = Cursor{nullptr, nullptr, nullptr, 0};
}

}  // namespace

void* PoolAllocate(std::size_t bytes)
{
    if (bytes > SIZE_MAX - sizeof(BlockHead) - kAlign)
        throw std::bad_alloc();
    const std::size_t need = sizeof(BlockHead) + (bytes + kAlign - 1) / kAlign * kAlign;
    if (bytes > kLargestPooled) {
        auto* head = static_cast<BlockHead*>(::operator new(need));
        head->page = nullptr;
        return head + 1;
    }
    PoolLock lock;
    if (std::size_t(g_cursor.end - g_cursor.next) < need) {
        RetireCurrent();
        Page* page = TakePage();
        g_cursor = Cursor{page, reinterpret_cast<char*>(page + 1), reinterpret_cast<char*>(page) + kPoolPageBytes, 0};
    }
    auto* head = reinterpret_cast<BlockHead*>(g_cursor.next);
    g_cursor.next += need;
    ++g_cursor.cut;
    head->page = g_cursor.page;
    return head + 1;
}

void PoolRelease(void* block) noexcept
{
    if (!block)
        return;
    BlockHead* head = static_cast<BlockHead*>(block) - 1;
    Page* page = head->page;
    if (!page) {
        ::operator delete(head);
        return;
    }
    if (page->live.fetch_sub(1, std::memory_order_acq_rel) != 1)
        return;
    PoolLock lock;
    ReturnPage(page);
}

PoolText PoolCopy(const char* text, std::size_t length)
{
    PoolText copy(static_cast<char*>(PoolAllocate(length + 1)));
    if (length)
        std::memcpy(copy.get(), text, length);
    copy[length] = 0;
    return copy;
}

PoolText PoolCopy(const char* text)
{
    return PoolCopy(text ? text : "", text ? std::strlen(text) : 0);
}

}  // namespace xmlimpl
