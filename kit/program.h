// kit/program.h - the identity of the build: the title every window and
// box of the program carries, the main window's class and the name of the
// lock the running instance holds.
#pragma once
#include <windows.h>

#if defined(PATHVEX_WM)
inline constexpr wchar_t kProgramTitle[] = L"Pathvex 0.9839 WM";
#elif defined(PATHVEX_PPC)
inline constexpr wchar_t kProgramTitle[] = L"Pathvex 0.989 PPC";
#elif defined(PATHVEX_X86)
inline constexpr wchar_t kProgramTitle[] = L"Pathvex 0.989 X86";
#else
inline constexpr wchar_t kProgramTitle[] = L"Pathvex 0.989 X64";
#endif
inline constexpr wchar_t kMainWindowClass[] = L"Pathvex CLASS";
// Held by the running instance for its whole run, whatever the build: a
// second copy finds it even while the first window's title changes.
inline constexpr wchar_t kInstanceMutexName[] = L"Local\\Pathvex.Instance";
