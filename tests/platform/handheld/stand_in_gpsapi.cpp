// A stand-in for the platform's GPS driver library "GPSAPI.dll", which does
// not exist on this machine: its four entries over the version-1 records.
// The positions come from the script of steps beside it, one step per read
// (stand_in_scripts.h); each step is announced through the program's
// new-location event from a thread of the driver's own. What the program
// did, and any misuse (a read on a closed device, a close during a read, a
// record without its version and size), goes to the log beside it.
// Built with STAND_IN_WITHOUT_ENTRY it lacks GPSGetPosition.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "stand_in_scripts.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

using standin::GPS_DRIVER_STEP;

constexpr DWORD kPollMs = 10;
HANDLE const kDevice = reinterpret_cast<HANDLE>(0x475053);

HMODULE Self = nullptr;
HANDLE NewLocation = nullptr;
HANDLE Driver = nullptr;
HANDLE StopDriver = nullptr;
HANDLE StepRead = nullptr;          // set by GPSGetPosition
CRITICAL_SECTION Lock;              // the current step
GPS_DRIVER_STEP Current{};
unsigned CurrentIndex = 0;          // 1-based; 0 before the first step
volatile LONG Open = 0;
volatile LONG Reading = 0;

std::string Beside(const char* name)
{
    return standin::BesideModule(Self, name);
}

void Log(const char* format, unsigned long a = 0)
{
    standin::LogBeside(Self, standin::kGpsLog, format, a, 0);
}

// Step index (from 0) of the script, when it has been written whole.
bool ReadStep(unsigned index, GPS_DRIVER_STEP* step)
{
    FILE* f = std::fopen(Beside(standin::kGpsScript).c_str(), "rb");
    if (!f)
        return false;
    const bool ok = std::fseek(f, long(index * sizeof *step), SEEK_SET) == 0 &&
                    std::fread(step, sizeof *step, 1, f) == 1;
    std::fclose(f);
    return ok;
}

// Announces each step and waits until it was read before the next; a step
// marked forever is announced again and again while no next step exists.
DWORD WINAPI Announcer(void*)
{
    unsigned next = 0;
    bool again = false;
    while (WaitForSingleObject(StopDriver, kPollMs) == WAIT_TIMEOUT) {
        GPS_DRIVER_STEP step;
        if (ReadStep(next, &step)) {
            EnterCriticalSection(&Lock);
            Current = step;
            CurrentIndex = ++next;
            LeaveCriticalSection(&Lock);
            again = step.forever != 0;
        } else if (!again) {
            continue;
        }
        ResetEvent(StepRead);
        SetEvent(NewLocation);
        HANDLE waits[2] = {StopDriver, StepRead};
        if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0 + 1)
            break;
    }
    return 0;
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        Self = instance;
        InitializeCriticalSection(&Lock);
    }
    return TRUE;
}

extern "C" __declspec(dllexport) HANDLE WINAPI GPSOpenDevice(HANDLE newLocation, HANDLE, const wchar_t*, DWORD)
{
    Log("open");
    FILE* f = std::fopen(Beside(standin::kGpsScript).c_str(), "rb");
    if (!f || !newLocation || Open) {
        if (f)
            std::fclose(f);
        return nullptr;
    }
    std::fclose(f);
    NewLocation = newLocation;
    CurrentIndex = 0;
    Current = GPS_DRIVER_STEP{};
    StopDriver = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    StepRead = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    InterlockedExchange(&Open, 1);
    Driver = CreateThread(nullptr, 0, Announcer, nullptr, 0, nullptr);
    return kDevice;
}

extern "C" __declspec(dllexport) DWORD WINAPI GPSCloseDevice(HANDLE device)
{
    Log("close");
    if (device != kDevice || !InterlockedExchange(&Open, 0))
        return ERROR_INVALID_HANDLE;
    if (Reading)
        Log("misuse: close during a read");
    SetEvent(StopDriver);
    WaitForSingleObject(Driver, INFINITE);
    CloseHandle(Driver);
    CloseHandle(StopDriver);
    CloseHandle(StepRead);
    Driver = StopDriver = StepRead = nullptr;
    NewLocation = nullptr;
    return ERROR_SUCCESS;
}

#if !defined(STAND_IN_WITHOUT_ENTRY)
extern "C" __declspec(dllexport) DWORD WINAPI GPSGetPosition(HANDLE device, GPS_DRIVER_POSITION* record, DWORD, DWORD)
{
    InterlockedIncrement(&Reading);
    DWORD result = ERROR_SUCCESS;
    if (device != kDevice || !Open) {
        Log("misuse: read on a closed device");
        result = ERROR_INVALID_HANDLE;
    } else if (!record || record->version != kGpsDriverVersion1 || record->size != sizeof *record) {
        Log("misuse: record without version 1 and its size");
        result = ERROR_INVALID_PARAMETER;
    } else {
        EnterCriticalSection(&Lock);
        *record = Current.record;
        result = Current.result;
        const unsigned index = CurrentIndex;
        LeaveCriticalSection(&Lock);
        Log("get %lu", index);
        SetEvent(StepRead);
    }
    InterlockedDecrement(&Reading);
    return result;
}
#endif

extern "C" __declspec(dllexport) DWORD WINAPI GPSGetDeviceState(GPS_DRIVER_DEVICE* state)
{
    if (!state || state->version != kGpsDriverVersion1 || state->size != sizeof *state) {
        Log("misuse: device state without version 1 and its size");
        return ERROR_INVALID_PARAMETER;
    }
    state->deviceState = Open ? 1 : 0;
    return ERROR_SUCCESS;
}
