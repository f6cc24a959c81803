// GDI object counting for tests. Wine 8 does not implement GetGuiResources
// but keeps a handle table laid out like the Windows one: 65536 entries of
// 24 bytes (kernel object, owner, unique and type, user pointer); an entry
// is live while its type half is not 0. The 64-bit PEB points at it; a
// 32-bit Wine process does not, so the table is found by its contents:
// the region whose entry for a fresh pen carries that pen's unique value
// and type, and forgets the type once the pen is deleted.
#include "gdi_count.h"

#include <windows.h>

#include <cstdint>

namespace testsupport {
namespace {

struct HandleEntry {
    uint64_t object;
    uint32_t owner;
    uint32_t uniqueAndType;   // low half: unique, high half: type
    uint64_t user;
};
constexpr size_t kEntries = 0x10000;

bool EntryIs(const HandleEntry* table, HGDIOBJ h, bool live)
{
    const auto value = reinterpret_cast<uintptr_t>(h);
    const uint32_t v = table[value & 0xFFFF].uniqueAndType;
    return (v & 0xFFFF) == ((value >> 16) & 0xFFFF) && ((v >> 16) != 0) == live;
}

const HandleEntry* FindHandleTable()
{
    const HGDIOBJ pen = CreatePen(PS_SOLID, 1, 0);
    const HandleEntry* found = nullptr;
    MEMORY_BASIC_INFORMATION info{};
    const char* at = nullptr;
    while (!found && VirtualQuery(at, &info, sizeof info) == sizeof info) {
        const auto* table = static_cast<const HandleEntry*>(info.BaseAddress);
        if (info.State == MEM_COMMIT && (info.Protect & (PAGE_READWRITE | PAGE_READONLY)) &&
            !(info.Protect & PAGE_GUARD) &&
            info.RegionSize >= kEntries * sizeof(HandleEntry) && EntryIs(table, pen, true))
            found = table;
        const char* next = static_cast<const char*>(info.BaseAddress) + info.RegionSize;
        if (next <= at)
            break;
        at = next;
    }
    DeleteObject(pen);
    return found && EntryIs(found, pen, false) ? found : nullptr;
}

}  // namespace

unsigned GdiObjectCount()
{
    if (const DWORD n = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS))
        return n;
    static const HandleEntry* table = FindHandleTable();
    if (!table)
        return 0;
    unsigned live = 0;
    for (size_t i = 0; i < kEntries; ++i)
        if (table[i].uniqueAndType >> 16)
            ++live;
    return live;
}

}  // namespace testsupport
