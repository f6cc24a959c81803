// Closes a running Pathvex the way its user does: WM_CLOSE to the main
// window, then waits for the process to end. The run script uses it, since
// an X client can only destroy Wine's windows, not ask them to close.
//
// Usage: pathvex_close_program [seconds]. Exit code 0 when the program
// ended, 1 when no program window was found, 2 when it did not end in time.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    const DWORD seconds = argc > 1 ? static_cast<DWORD>(std::strtoul(argv[1], nullptr, 10)) : 10;
    HWND window = FindWindowW(L"Pathvex CLASS", nullptr);
    if (!window) {
        std::fprintf(stderr, "close: no Pathvex window\n");
        return 1;
    }
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
    PostMessageW(window, WM_CLOSE, 0, 0);
    if (!process)
        return 0;
    const DWORD r = WaitForSingleObject(process, seconds * 1000);
    CloseHandle(process);
    if (r != WAIT_OBJECT_0) {
        std::fprintf(stderr, "close: the program did not end within %lu s\n", static_cast<unsigned long>(seconds));
        return 2;
    }
    return 0;
}
