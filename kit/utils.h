// kit/utils.h - Small services of the shell: wildcard matching of names,
// copying a resource into memory or a file, the list view's next item,
// serving messages while a worker runs, and the last-error box.
//
// Nothing throws: failures are return values.
#pragma once
#include <windows.h>
#include <array>
#include <cstddef>

// Entry b is the upper-case form of byte b in the C locale ('a'-'z' become
// 'A'-'Z', every other byte stays itself). Built at compile time, so it is
// ready before any match and safe from any thread.
extern const std::array<unsigned char, 256> CaseFoldTable;

// Matches text against a pattern of "*" (any run) and "?" (any one
// character). 1 match, 0 mismatch, -1 the text ran out before the pattern.
// Without exact, letters compare through CaseFoldTable; the rest after a
// "*" always does.
int WildcardMatch(const char* text, const char* pattern, bool exact);
// True when mask is exactly "*", else when WildcardMatch gives 1.
bool MatchFileMask(const char* text, const char* mask, bool exact);

// Copies resource name of the given type (null: "DATA") from module either
// into target, a buffer of capacity bytes (toMemory), or into the file whose
// narrow name target is (capacity unused). False when the resource is
// missing, cannot be loaded or locked, is larger than capacity, or the file
// cannot be opened or written; no file is made for a missing resource.
bool ExtractResource(void* target, size_t capacity, const wchar_t* name, HMODULE module,
                     bool toMemory, const wchar_t* type);

// The list view's next item after start (-1: from the top) with the flags
// (LVNI_*; only their low 16 bits go with the query): its index, or -1 for
// none. A list that no longer exists answers 0 to every query; that is -1
// here too, so a loop over the selection cannot run for ever.
int ListViewNextItem(HWND list, int start, UINT flags);

// Serves the calling thread's messages (its dialogs and every other window
// of the thread) until worker, a thread handle, has ended. A WM_QUIT that
// arrives meanwhile is held back and posted again once it has.
void PumpMessagesUntilEnded(HANDLE worker);

// Shows the system's text for GetLastError in an information box without
// owner or caption; does nothing when the last error is 0.
void ShowLastErrorBox();
