// A stand-in for the platform's radio interface layer "RIL.DLL", which does
// not exist on this machine: its four entries, with the result and
// notification callbacks called on a thread of the layer's own, as the
// real layer does. What it reports comes from the script beside it, what
// the program asked of it goes to the log beside it (stand_in_scripts.h).
// Built with STAND_IN_WITHOUT_ENTRY it lacks RIL_DevSpecific.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "stand_in_scripts.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

using ResultFn = void(CALLBACK*)(DWORD, HRESULT, const void*, DWORD, DWORD);
using NotifyFn = void(CALLBACK*)(DWORD, const void*, DWORD, DWORD);

constexpr DWORD kPollMs = 20;
constexpr size_t kCellWord = 5;
constexpr DWORD kMaxDataSize = 1u << 20;

HMODULE Self = nullptr;
HANDLE RadioThread = nullptr;
HANDLE StopRadio = nullptr;
ResultFn OnResult = nullptr;
NotifyFn OnNotify = nullptr;
DWORD Parameter = 0;
// The request for the cell-tower record, answered on the radio thread.
volatile LONG CellInfoRequested = 0;
HANDLE const kRilHandle = reinterpret_cast<HANDLE>(0x52494C);

std::string Beside(const char* name)
{
    return standin::BesideModule(Self, name);
}

void Log(const char* format, unsigned long a = 0, unsigned long b = 0)
{
    standin::LogBeside(Self, standin::kRilLog, format, a, b);
}

// The script's complete lines.
std::vector<std::string> ScriptLines()
{
    std::vector<std::string> lines;
    FILE* f = std::fopen(Beside(standin::kRilScript).c_str(), "rb");
    if (!f)
        return lines;
    std::string text;
    char buffer[512];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        text.append(buffer, n);
    std::fclose(f);
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

// A block of size bytes holding the given words at their places (as far as
// it reaches).
std::vector<unsigned char> Data(DWORD size, const std::vector<std::pair<size_t, DWORD>>& words)
{
    std::vector<unsigned char> data(size);
    for (const auto& [index, value] : words)
        if ((index + 1) * sizeof value <= size)
            std::memcpy(data.data() + index * sizeof value, &value, sizeof value);
    return data;
}

struct TOWER {
    bool known = false;
    DWORD size = 0;
    DWORD cell = 0;
};

void SendResult(DWORD size, DWORD cell)
{
    const std::vector<unsigned char> data = Data(size, {{kCellWord, cell}});
    OnResult(0, 1, size ? data.data() : nullptr, size, Parameter);
}

// Plays one line; false for a line it cannot read (numbers below 2^31).
bool Play(const std::string& line, TOWER* tower)
{
    char word[16] = {};
    long v[5] = {};
    if (std::sscanf(line.c_str(), "%15s %li %li %li %li %li", word, &v[0], &v[1], &v[2], &v[3], &v[4]) < 3)
        return false;
    const std::string kind = word;
    if (kind == "tower" || kind == "result") {
        if (v[0] < 0 || DWORD(v[0]) > kMaxDataSize)
            return false;
        if (kind == "tower")
            *tower = {true, DWORD(v[0]), DWORD(v[1])};
        else
            SendResult(DWORD(v[0]), DWORD(v[1]));
        return true;
    }
    if (kind == "notify" && v[1] >= 0 && DWORD(v[1]) <= kMaxDataSize) {
        const std::vector<unsigned char> data = Data(DWORD(v[1]), {{0, DWORD(v[2])}, {1, DWORD(v[3])}, {2, DWORD(v[4])}});
        OnNotify(DWORD(v[0]), v[1] ? data.data() : nullptr, DWORD(v[1]), Parameter);
        return true;
    }
    return false;
}

DWORD WINAPI Radio(void*)
{
    size_t played = 0;
    TOWER tower;
    while (WaitForSingleObject(StopRadio, kPollMs) == WAIT_TIMEOUT) {
        const std::vector<std::string> lines = ScriptLines();
        for (; played < lines.size(); ++played) {
            Play(lines[played], &tower);
            Log("played %lu", static_cast<unsigned long>(played + 1));
        }
        if (tower.known && InterlockedExchange(&CellInfoRequested, 0))
            SendResult(tower.size, tower.cell);
    }
    return 0;
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        Self = instance;
    return TRUE;
}

extern "C" __declspec(dllexport) HRESULT WINAPI RIL_Initialize(DWORD index, ResultFn onResult, NotifyFn onNotify,
                                                               DWORD classes, DWORD parameter, HANDLE* ril)
{
    Log("init %lu 0x%lx", index, classes);
    if (!onResult || !onNotify || !ril || RadioThread)
        return E_INVALIDARG;
    OnResult = onResult;
    OnNotify = onNotify;
    Parameter = parameter;
    StopRadio = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    RadioThread = CreateThread(nullptr, 0, Radio, nullptr, 0, nullptr);
    *ril = kRilHandle;
    return S_OK;
}

extern "C" __declspec(dllexport) HRESULT WINAPI RIL_Deinitialize(HANDLE ril)
{
    Log("deinit");
    if (ril != kRilHandle || !RadioThread)
        return E_INVALIDARG;
    // No callback runs once this returns.
    SetEvent(StopRadio);
    WaitForSingleObject(RadioThread, INFINITE);
    CloseHandle(RadioThread);
    CloseHandle(StopRadio);
    RadioThread = StopRadio = nullptr;
    return S_OK;
}

extern "C" __declspec(dllexport) HRESULT WINAPI RIL_GetCellTowerInfo(HANDLE ril)
{
    Log("cellinfo");
    if (ril != kRilHandle)
        return E_INVALIDARG;
    InterlockedExchange(&CellInfoRequested, 1);
    return 1;   // the command's id; the record follows through the result callback
}

#if !defined(STAND_IN_WITHOUT_ENTRY)
extern "C" __declspec(dllexport) HRESULT WINAPI RIL_DevSpecific(HANDLE ril, const BYTE* command, DWORD size)
{
    DWORD word = 0;
    if (command && size >= sizeof word)
        std::memcpy(&word, command, sizeof word);
    Log("devspecific %lu %lu", word, size);
    return ril == kRilHandle && command ? S_OK : E_INVALIDARG;
}
#endif
