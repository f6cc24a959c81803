// Wildcard matching, resource extraction and the last-error box.
#include "kit/utils.h"

#include <commctrl.h>

#include <cstdio>
#include <cstring>

namespace {

constexpr std::array<unsigned char, 256> MakeCaseFoldTable()
{
    std::array<unsigned char, 256> table{};
    for (int b = 0; b < 256; ++b)
        table[b] = static_cast<unsigned char>(b >= 'a' && b <= 'z' ? b - 'a' + 'A' : b);
    return table;
}

unsigned char Fold(char c)
{
    return CaseFoldTable[static_cast<unsigned char>(c)];
}

constexpr DWORD kDefaultLanguage = 1024;   // neutral language, default sublanguage
constexpr DWORD kErrorTextSize = 1000;

}  // namespace

constinit const std::array<unsigned char, 256> CaseFoldTable = MakeCaseFoldTable();

int WildcardMatch(const char* text, const char* pattern, bool exact)
{
    for (;; ++text, ++pattern) {
        if (*pattern == '\0')
            return *text == '\0' ? 1 : 0;
        if (*pattern == '*')
            break;
        if (*text == '\0')
            return -1;
        if (*pattern == '?')
            continue;
        const bool same = exact ? *text == *pattern : Fold(*text) == Fold(*pattern);
        if (!same)
            return 0;
    }
    const char* rest = pattern + 1;
    if (*rest == '\0')
        return 1;
    for (; *text != '\0'; ++text) {
        // -1 means the remaining text is already too short for the rest of
        // the pattern: no later start can do better, so stop here.
        const int r = WildcardMatch(text, rest, false);
        if (r != 0)
            return r;
    }
    return -1;
}

bool MatchFileMask(const char* text, const char* mask, bool exact)
{
    if (mask[0] == '*' && mask[1] == '\0')
        return true;
    return WildcardMatch(text, mask, exact) == 1;
}

bool ExtractResource(void* target, size_t capacity, const wchar_t* name, HMODULE module,
                     bool toMemory, const wchar_t* type)
{
    if (!target)
        return false;
    const HRSRC info = FindResourceW(module, name, type ? type : L"DATA");
    if (!info)
        return false;
    const HGLOBAL loaded = LoadResource(module, info);
    if (!loaded)
        return false;
    const DWORD size = SizeofResource(module, info);
    const void* bytes = LockResource(loaded);
    bool done = false;
    if (bytes && toMemory && size <= capacity) {
        std::memcpy(target, bytes, size);
        done = true;
    } else if (bytes && !toMemory) {
        if (FILE* out = std::fopen(static_cast<const char*>(target), "wb")) {
            done = std::fwrite(bytes, 1, size, out) == size;
            done = std::fclose(out) == 0 && done;
        }
    }
    FreeResource(loaded);
    return done;
}

void ShowLastErrorBox()
{
    const DWORD error = GetLastError();
    if (error == 0)
        return;
    wchar_t text[kErrorTextSize] = L"";
    FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
                   kDefaultLanguage, text, kErrorTextSize, nullptr);
    MessageBoxW(nullptr, text, nullptr, MB_ICONINFORMATION);
}

int ListViewNextItem(HWND list, int start, UINT flags)
{
    const int next = static_cast<int>(
        SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(start), MAKELPARAM(LOWORD(flags), 0)));
    if (next == 0 && !IsWindow(list))
        return -1;
    return next;
}

void PumpMessagesUntilEnded(HANDLE worker)
{
    bool quit = false;
    WPARAM quitCode = 0;
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                quit = true;
                quitCode = msg.wParam;
                continue;
            }
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        const DWORD woke = MsgWaitForMultipleObjectsEx(1, &worker, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (woke == WAIT_OBJECT_0 || woke == WAIT_FAILED)
            break;
    }
    if (quit)
        PostQuitMessage(int(quitCode));
}
