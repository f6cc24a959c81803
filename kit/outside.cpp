// The real reach outside the program, which OutsideSeams holds at start.
#include "kit/outside.h"

#include <mmsystem.h>
#include <shellapi.h>

namespace {

bool OpenExternal(HWND window, const wchar_t* target, int show)
{
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.hwnd = window;
    info.lpVerb = L"open";
    info.lpFile = target;
    info.nShow = show;
    return ShellExecuteExW(&info) != FALSE;
}

void PlayProgramSound(const wchar_t* name)
{
    PlaySoundW(name, GetModuleHandleW(nullptr), SND_RESOURCE | SND_ASYNC | SND_NODEFAULT);
}

}  // namespace

OUTSIDE_SEAMS OutsideSeams{OpenExternal, PlayProgramSound};
