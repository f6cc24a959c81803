// The scripts that drive the stand-in radio layer ("RIL.DLL") and GPS driver
// ("GPSAPI.dll"), and the logs in which they report what the program asked
// of them. Neither library exists on this machine, so the tests build their
// own with the platform's entry points; each stand-in reads its script from
// beside itself and appends to its log there, so a test puts both DLLs and
// the scripts into a folder of its own (beside pathvex-wm, or a folder named
// by SetDllDirectoryW for a test in-process).
#pragma once
#include "platform/handheld/gps_api.h"
#include "platform/handles.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

namespace standin {

// The radio layer's script: text, one command per line, played in order on
// the layer's own thread as lines are appended (a line counts once it ends
// with a line feed). Numbers are read as C's strtol reads them (0x... too),
// each below 2^31.
//   tower SIZE CELL           the answer to RIL_GetCellTowerInfo: a result
//                             record of SIZE bytes with CELL in word 5
//   result SIZE CELL          such a record as a result nobody asked for
//   notify CODE SIZE W0 W1 W2 a notification of SIZE bytes, its first words
// A request for the cell-tower record is answered once a tower line has
// been played. Records of any size are sent whole (word 5 only where the
// size holds it); SIZE 0 sends no data at all.
inline constexpr char kRilScript[] = "ril_script.txt";
// The layer's log, a line per call: "init INDEX CLASSES", "devspecific WORD
// SIZE", "cellinfo", "deinit"; "played N" after script line N (from 1) was
// played, its callback returned.
inline constexpr char kRilLog[] = "ril.log";

// The GPS driver's script: binary steps, appended whole. Each step is made
// the driver's current record in turn: the driver signals the program's
// new-location event and waits until the program has read it with
// GPSGetPosition before it takes the next step. Without a script file the
// device cannot be opened.
struct GPS_DRIVER_STEP {
    uint32_t result;     // what GPSGetPosition returns (the record is copied whatever it is)
    uint32_t forever;    // nonzero: signalled again every few ms until a next step exists
    GPS_DRIVER_POSITION record;
};
inline constexpr char kGpsScript[] = "gpsapi_script.bin";
// The driver's log, a line per call: "open", "get N" (N from 1: the step
// read), "close"; "misuse ..." for a call on a closed device, a record
// without version 1 and its size, or a close while a read is under way.
inline constexpr char kGpsLog[] = "gpsapi.log";

// For the stand-ins themselves: a file in the library's own folder, and a
// line (format with up to two numbers) appended to their log there.
inline std::string BesideModule(HMODULE module, const char* name)
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(module, path, MAX_PATH);
    const std::string s = path;
    return s.substr(0, s.find_last_of('\\') + 1) + name;
}
inline void LogBeside(HMODULE module, const char* log, const char* format, unsigned long a, unsigned long b)
{
    // One write per line: the layer's own thread and its caller's may log at
    // the same moment, and their lines must not mix.
    constexpr size_t kMost = 127;
    char line[kMost + 3];
    const int n = std::snprintf(line, kMost + 1, format, a, b);
    if (n < 0)
        return;
    const size_t length = std::min(size_t(n), kMost);
    std::memcpy(line + length, "\r\n", 2);
    const FileHandle f(CreateFileA(BesideModule(module, log).c_str(), FILE_APPEND_DATA,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                   nullptr));
    DWORD written = 0;
    if (f.Valid())
        WriteFile(f.Get(), line, static_cast<DWORD>(length + 2), &written, nullptr);
}

}  // namespace standin
