// The cell-tower monitor over the radio interface layer, bound by name.
#include "platform/handheld/cell_tower.h"

#include "platform/handles.h"

#include <cstring>

std::atomic<uint32_t> CurrentCellId{0};
std::atomic<uint32_t> CellIdStores{0};

namespace {

constexpr wchar_t kRilLibrary[] = L"RIL.DLL";
constexpr char kRilInitialize[] = "RIL_Initialize";
constexpr char kRilDeinitialize[] = "RIL_Deinitialize";
constexpr char kRilGetCellTowerInfo[] = "RIL_GetCellTowerInfo";
constexpr char kRilDevSpecific[] = "RIL_DevSpecific";

constexpr DWORD kRilPortIndex = 1;
constexpr DWORD kRilAllNotifications = 0xFF0000;
constexpr DWORD kDevSpecificCellReportsOn = 26;
constexpr DWORD kDevSpecificCellReportsOff = 27;

// The layer's cell-tower record: known by its size alone; its sixth 32-bit
// word is the cell id.
constexpr DWORD kCellTowerRecordSize = 140;
constexpr size_t kCellTowerCellWord = 5;
// Notifications that carry a cell id, with their exact sizes and the word
// that holds it.
struct CELL_NOTIFICATION {
    DWORD code;
    DWORD size;
    size_t cellWord;
};
constexpr CELL_NOTIFICATION kCellNotifications[] = {
    {0x20003, 8, 1},
    {0x40008, 12, 2},
};

using InitializeFn = HRESULT(WINAPI*)(DWORD, RIL_RESULT_CALLBACK, RIL_NOTIFY_CALLBACK, DWORD, DWORD, RIL_HANDLE*);
using HandleFn = HRESULT(WINAPI*)(RIL_HANDLE);
using DevSpecificFn = HRESULT(WINAPI*)(RIL_HANDLE, const BYTE*, DWORD);

HMODULE RilModule = nullptr;
RIL_HANDLE RilHandle = nullptr;

// The entry of the library, loading it first; null when either is missing.
template <typename Fn>
Fn RilEntry(const char* name)
{
    return LoadRilLibrary() ? LibraryEntry<Fn>(RilModule, name) : nullptr;
}

// The word at index of the layer's data, read without assuming alignment.
uint32_t DataWord(const void* data, size_t index)
{
    uint32_t word = 0;
    std::memcpy(&word, static_cast<const unsigned char*>(data) + index * sizeof word, sizeof word);
    return word;
}

void StoreCellId(uint32_t cellId)
{
    CurrentCellId.store(cellId);
    CellIdStores.fetch_add(1);
}

}  // namespace

bool LoadRilLibrary()
{
    if (!RilModule)
        RilModule = LoadLibraryW(kRilLibrary);
    return RilModule != nullptr;
}

void FreeRilLibrary()
{
    if (RilModule)
        FreeLibrary(RilModule);
    RilModule = nullptr;
}

HRESULT CallRilInitialize(DWORD portIndex, RIL_RESULT_CALLBACK onResult, RIL_NOTIFY_CALLBACK onNotify,
                          DWORD notificationClasses, DWORD parameter, RIL_HANDLE* ril)
{
    const auto fn = RilEntry<InitializeFn>(kRilInitialize);
    return fn ? fn(portIndex, onResult, onNotify, notificationClasses, parameter, ril) : kRilMissing;
}

HRESULT CallRilDeinitialize(RIL_HANDLE ril)
{
    const auto fn = RilEntry<HandleFn>(kRilDeinitialize);
    return fn ? fn(ril) : kRilMissing;
}

HRESULT CallRilGetCellTowerInfo(RIL_HANDLE ril)
{
    const auto fn = RilEntry<HandleFn>(kRilGetCellTowerInfo);
    return fn ? fn(ril) : kRilMissing;
}

HRESULT CallRilDevSpecific(RIL_HANDLE ril, const BYTE* command, DWORD size)
{
    const auto fn = RilEntry<DevSpecificFn>(kRilDevSpecific);
    return fn ? fn(ril, command, size) : kRilMissing;
}

int StartCellTowerMonitor()
{
    // The layer writes the handle only when it succeeds: a failure must not
    // leave whatever it wrote there for the later calls.
    RIL_HANDLE ril = nullptr;
    if (SUCCEEDED(CallRilInitialize(kRilPortIndex, OnRilResult, OnRilNotify, kRilAllNotifications, 0, &ril)))
        RilHandle = ril;
    return SwitchRilDevSpecific(true);
}

int SwitchRilDevSpecific(bool on)
{
    const DWORD command = on ? kDevSpecificCellReportsOn : kDevSpecificCellReportsOff;
    BYTE buffer[sizeof command];
    std::memcpy(buffer, &command, sizeof command);
    return SUCCEEDED(CallRilDevSpecific(RilHandle, buffer, sizeof buffer)) ? 1 : 0;
}

HRESULT RequestCellTowerInfo()
{
    return CallRilGetCellTowerInfo(RilHandle);
}

void StopCellTowerMonitor()
{
    CallRilDeinitialize(RilHandle);
    RilHandle = nullptr;
    FreeRilLibrary();
}

uint32_t GetCurrentCellId()
{
    return CurrentCellId.load();
}

void CALLBACK OnRilResult(DWORD, HRESULT, const void* data, DWORD size, DWORD)
{
    if (data && size == kCellTowerRecordSize)
        StoreCellId(DataWord(data, kCellTowerCellWord));
}

void CALLBACK OnRilNotify(DWORD code, const void* data, DWORD size, DWORD)
{
    if (!data)
        return;
    for (const CELL_NOTIFICATION& n : kCellNotifications)
        if (code == n.code && size == n.size)
            StoreCellId(DataWord(data, n.cellWord));
}
