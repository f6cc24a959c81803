// platform/handheld/cell_tower.h - the cell-tower monitor of pathvex-wm.
//
// pathvex-wm records, with every position, the id of the mobile-network cell
// the handheld is registered in. It learns the id from the platform's radio
// interface layer "RIL.DLL", bound by name at run time: a device without a
// radio (or without one of the layer's entries) still runs, every call then
// fails with E_FAIL and the cell id stays 0. There is no polling: after one
// request at start-up, new ids come only from the layer's notifications.
//
// Threads: start, request and stop belong to the UI thread. The radio layer
// calls OnRilResult and OnRilNotify on a thread of its own; they only store
// CurrentCellId (an atomic value, read by the reader and UI threads at any
// moment) and count the store in CellIdStores. Nothing throws; a
// record or notification of a size other than the layer's is ignored.
#pragma once
#include <windows.h>

#include <atomic>
#include <cstdint>

// The radio layer's own handle; 0 while the monitor is stopped.
using RIL_HANDLE = HANDLE;
// The layer's callbacks: the answer to a command, and a notification.
using RIL_RESULT_CALLBACK = void(CALLBACK*)(DWORD code, HRESULT commandId, const void* data, DWORD size,
                                            DWORD parameter);
using RIL_NOTIFY_CALLBACK = void(CALLBACK*)(DWORD code, const void* data, DWORD size, DWORD parameter);

// What a call returns when the library or its entry is missing.
inline constexpr HRESULT kRilMissing = E_FAIL;

// The current cell, 0 until the radio layer reports one.
extern std::atomic<uint32_t> CurrentCellId;

// The cell ids stored so far: when the count has moved, the GPS data
// screen repaints every box next time (its redraw looks).
extern std::atomic<uint32_t> CellIdStores;

// Loads "RIL.DLL" once: true when it is loaded. FreeRilLibrary frees it
// and forgets it (nothing when it is not loaded).
bool LoadRilLibrary();
void FreeRilLibrary();

// The layer's entries, each loading the library first when needed; the
// layer's result, or kRilMissing without calling anything.
HRESULT CallRilInitialize(DWORD portIndex, RIL_RESULT_CALLBACK onResult, RIL_NOTIFY_CALLBACK onNotify,
                          DWORD notificationClasses, DWORD parameter, RIL_HANDLE* ril);
HRESULT CallRilDeinitialize(RIL_HANDLE ril);
HRESULT CallRilGetCellTowerInfo(RIL_HANDLE ril);
HRESULT CallRilDevSpecific(RIL_HANDLE ril, const BYTE* command, DWORD size);

// Initialises the layer with the monitor's callbacks and switches its
// device-specific cell reports on: 1 when that switch succeeded, else 0.
// A failing initialisation leaves the handle 0; the later calls pass it.
int StartCellTowerMonitor();
// The device-specific command 26 (on) or 27 (off): 1 on a success code.
int SwitchRilDevSpecific(bool on);
// Asks for the cell-tower record; it arrives later through OnRilResult.
HRESULT RequestCellTowerInfo();
// Deinitialises the layer (no callback runs after it), forgets the handle
// and frees the library.
void StopCellTowerMonitor();
uint32_t GetCurrentCellId();

// The radio layer's callbacks. A result of exactly the cell-tower record's
// size stores its cell id; notifications 0x20003 of 8 bytes and 0x40008 of
// 12 bytes store theirs. Anything else changes nothing.
void CALLBACK OnRilResult(DWORD code, HRESULT commandId, const void* data, DWORD size, DWORD parameter);
void CALLBACK OnRilNotify(DWORD code, const void* data, DWORD size, DWORD parameter);
