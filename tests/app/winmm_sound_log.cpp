// A stand-in for the system's winmm.dll, put beside a program under test:
// every sound the program plays is appended to "sounds.log" beside this
// DLL as "NAME<TAB>main window title" (the title tells which simulated
// sentence was delivered last). Wine here has no audio device, so the real
// PlaySoundW can neither be heard nor asked what it played; this fake stands
// for it. PlaySoundW is the one winmm function the programs import.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cwchar>

namespace {

HMODULE Self = nullptr;

// The program's main window (class "Pathvex CLASS") of this process.
HWND OwnMainWindow()
{
    HWND w = nullptr;
    while ((w = FindWindowExW(nullptr, w, L"Pathvex CLASS", nullptr)) != nullptr) {
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        if (pid == GetCurrentProcessId())
            return w;
    }
    return nullptr;
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        Self = instance;
    return TRUE;
}

extern "C" __declspec(dllexport) BOOL WINAPI PlaySoundW(LPCWSTR sound, HMODULE, DWORD)
{
    if (!sound || IS_INTRESOURCE(sound))
        return TRUE;
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(Self, path, MAX_PATH);
    wchar_t* slash = std::wcsrchr(path, L'\\');
    if (!slash || slash - path + 12 >= MAX_PATH)
        return FALSE;
    std::wcscpy(slash + 1, L"sounds.log");
    // The title as stored: no message to a window that may be busy (the
    // reader thread plays sounds too).
    wchar_t title[128] = {};
    if (HWND window = OwnMainWindow())
        InternalGetWindowText(window, title, 128);
    char line[400];
    const int length = wsprintfA(line, "%ls\t%ls\r\n", sound, title);
    HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return FALSE;
    DWORD written = 0;
    WriteFile(file, line, DWORD(length), &written, nullptr);
    CloseHandle(file);
    return TRUE;
}
