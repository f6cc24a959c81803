// The platform's GPS driver library, bound by name.
#include "platform/handheld/gps_api.h"

#include "platform/handles.h"

namespace {

constexpr wchar_t kGpsApiLibrary[] = L"GPSAPI.dll";

using OpenDeviceFn = HANDLE(WINAPI*)(HANDLE, HANDLE, const wchar_t*, DWORD);
using CloseDeviceFn = DWORD(WINAPI*)(HANDLE);
using GetPositionFn = DWORD(WINAPI*)(HANDLE, GPS_DRIVER_POSITION*, DWORD, DWORD);
using GetDeviceStateFn = DWORD(WINAPI*)(GPS_DRIVER_DEVICE*);

struct GPS_API {
    HMODULE module;
    OpenDeviceFn openDevice;
    CloseDeviceFn closeDevice;
    GetPositionFn getPosition;
    GetDeviceStateFn getDeviceState;
};
GPS_API GpsApi{};

}  // namespace

bool LoadGpsApiLibrary()
{
    if (GpsApi.module)
        return true;
    HMODULE module = LoadLibraryW(kGpsApiLibrary);
    if (!module)
        return false;
    GPS_API api{module, LibraryEntry<OpenDeviceFn>(module, "GPSOpenDevice"),
                LibraryEntry<CloseDeviceFn>(module, "GPSCloseDevice"),
                LibraryEntry<GetPositionFn>(module, "GPSGetPosition"),
                LibraryEntry<GetDeviceStateFn>(module, "GPSGetDeviceState")};
    if (!api.openDevice || !api.closeDevice || !api.getPosition) {
        FreeLibrary(module);
        return false;
    }
    GpsApi = api;
    return true;
}

void FreeGpsApiLibrary()
{
    if (GpsApi.module)
        FreeLibrary(GpsApi.module);
    GpsApi = GPS_API{};
}

HANDLE CallGpsOpenDevice(HANDLE newLocation, HANDLE deviceStateChange, const wchar_t* deviceName, DWORD flags)
{
    return GpsApi.openDevice ? GpsApi.openDevice(newLocation, deviceStateChange, deviceName, flags) : nullptr;
}

DWORD CallGpsCloseDevice(HANDLE device)
{
    return GpsApi.closeDevice ? GpsApi.closeDevice(device) : ERROR_PROC_NOT_FOUND;
}

DWORD CallGpsGetPosition(HANDLE device, GPS_DRIVER_POSITION* record, DWORD maximumAgeMs, DWORD flags)
{
    return GpsApi.getPosition ? GpsApi.getPosition(device, record, maximumAgeMs, flags) : ERROR_PROC_NOT_FOUND;
}

DWORD CallGpsGetDeviceState(GPS_DRIVER_DEVICE* state)
{
    return GpsApi.getDeviceState ? GpsApi.getDeviceState(state) : ERROR_PROC_NOT_FOUND;
}
