#include "alloc_count.h"

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<long long> g_blocks{0};
std::atomic<long long> g_bytes{0};
std::atomic<long long> g_peakBytes{0};

void* Allocate(std::size_t n)
{
    void* p = std::malloc(n ? n : 1);
    if (!p)
        return nullptr;
    ++g_blocks;
    const long long now = g_bytes += static_cast<long long>(_msize(p));
    long long peak = g_peakBytes.load();
    while (now > peak && !g_peakBytes.compare_exchange_weak(peak, now)) {
    }
    return p;
}

void Release(void* p)
{
    if (!p)
        return;
    --g_blocks;
    g_bytes -= static_cast<long long>(_msize(p));
    std::free(p);
}

}  // namespace

void* operator new(std::size_t n)
{
    if (void* p = Allocate(n))
        return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t n)
{
    if (void* p = Allocate(n))
        return p;
    throw std::bad_alloc();
}
void* operator new(std::size_t n, const std::nothrow_t&) noexcept { return Allocate(n); }
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept { return Allocate(n); }
void operator delete(void* p) noexcept { Release(p); }
void operator delete[](void* p) noexcept { Release(p); }
void operator delete(void* p, std::size_t) noexcept { Release(p); }
void operator delete[](void* p, std::size_t) noexcept { Release(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { Release(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { Release(p); }

namespace testsupport {

long long LiveBlocks() { return g_blocks.load(); }
long long LiveBytes() { return g_bytes.load(); }
long long PeakBytes() { return g_peakBytes.load(); }
void ResetPeakBytes() { g_peakBytes = g_bytes.load(); }

}  // namespace testsupport
