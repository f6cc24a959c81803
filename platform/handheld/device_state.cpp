// The device state of this process in shared memory named after its process
// id: written here, read by anyone who opens it by that id.
#include "platform/handheld/device_state.h"

#include "platform/handheld/handheld.h"

#include <cstdio>

namespace {

constexpr wchar_t kStateNameFormat[] = L"Local\\Pathvex.HandheldDevice.%lu";

void StateName(DWORD processId, wchar_t (&name)[64])
{
    std::swprintf(name, 64, kStateNameFormat, static_cast<unsigned long>(processId));
}

// The view of this process's own state, made on first use and kept for the
// process's life (the system closes it at exit).
HANDHELD_DEVICE_STATE* OwnState()
{
    static HANDHELD_DEVICE_STATE* state = [] {
        wchar_t name[64];
        StateName(GetCurrentProcessId(), name);
        HANDLE mapping = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                            sizeof(HANDHELD_DEVICE_STATE), name);
        if (!mapping)
            return static_cast<HANDHELD_DEVICE_STATE*>(nullptr);
        // The handle stays open for the process's life: the name goes with
        // the last handle, even while a view is mapped.
        return static_cast<HANDHELD_DEVICE_STATE*>(
            MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof(HANDHELD_DEVICE_STATE)));
    }();
    return state;
}

}  // namespace

void PublishHeldRequirements(int count)
{
    if (HANDHELD_DEVICE_STATE* s = OwnState())
        InterlockedExchange(&s->heldRequirements, count);
}

void PublishDisplayPower(int state)
{
    if (HANDHELD_DEVICE_STATE* s = OwnState())
        InterlockedExchange(&s->displayPower, state);
}

HANDLE OpenHandheldDeviceState(DWORD processId)
{
    wchar_t name[64];
    StateName(processId, name);
    return OpenFileMappingW(FILE_MAP_READ, FALSE, name);
}

bool ReadHandheldDeviceState(HANDLE state, HANDHELD_DEVICE_STATE* out)
{
    if (!state || !out)
        return false;
    const void* view = MapViewOfFile(state, FILE_MAP_READ, 0, 0, sizeof(HANDHELD_DEVICE_STATE));
    if (!view)
        return false;
    const auto* shared = static_cast<const volatile HANDHELD_DEVICE_STATE*>(view);
    out->heldRequirements = shared->heldRequirements;
    out->displayPower = shared->displayPower;
    UnmapViewOfFile(view);
    return true;
}
