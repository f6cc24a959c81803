// Power requirements, the idle timer, display power and the HTML view
// library of the handheld builds.
#include "platform/handheld/handheld.h"

#include "platform/handheld/device_state.h"
#include "platform/handles.h"

#include <algorithm>
#include <vector>

namespace {

constexpr int kDevicePowerLowest = 4;   // D4, off
constexpr wchar_t kBacklightDevice[] = L"BKL1:";
// The display escape of power management and its input record.
constexpr int kSetPowerManagement = 6147;
struct DISPLAY_POWER_RECORD {
    DWORD length;
    DWORD version;
    DWORD state;
};

// Each requirement is a handle of its own, so a stale or foreign handle is
// told apart from a held one.
std::vector<HANDLE>& Requirements()
{
    static std::vector<HANDLE> held;
    return held;
}

// While anything is held the display must stay on; the desktop's own
// request for that belongs to the UI thread, which owns the requirements.
void ApplyDisplayRequest()
{
    PublishHeldRequirements(static_cast<int>(Requirements().size()));
    SetThreadExecutionState(Requirements().empty() ? ES_CONTINUOUS
                                                   : ES_CONTINUOUS | ES_DISPLAY_REQUIRED | ES_SYSTEM_REQUIRED);
}

HANDLE BacklightRequirement = nullptr;

enum class LibraryState { Untried, Loaded, Failed };
LibraryState HtmlViewState = LibraryState::Untried;

}  // namespace

HANDLE SetPowerRequirement(const wchar_t* device, int deviceState, ULONG flags, void* system, ULONG reserved)
{
    (void)system;
    (void)reserved;
    if (!device || !*device || !(flags & kPowerNameDevice))
        return nullptr;
    if (deviceState < kDevicePowerFullOn || deviceState > kDevicePowerLowest)
        return nullptr;
    HANDLE token = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!token)
        return nullptr;
    Requirements().push_back(token);
    ApplyDisplayRequest();
    return token;
}

DWORD ReleasePowerRequirement(HANDLE requirement)
{
    auto& held = Requirements();
    const auto it = std::find(held.begin(), held.end(), requirement);
    if (!requirement || it == held.end())
        return ERROR_INVALID_HANDLE;
    CloseHandle(*it);
    held.erase(it);
    ApplyDisplayRequest();
    return ERROR_SUCCESS;
}

int HeldPowerRequirements()
{
    return static_cast<int>(Requirements().size());
}

void SystemIdleTimerReset()
{
    // Without ES_CONTINUOUS this restarts the idle count once.
    SetThreadExecutionState(ES_DISPLAY_REQUIRED | ES_SYSTEM_REQUIRED);
}

void HoldBacklightOn(bool on)
{
    if (on && !BacklightRequirement) {
        BacklightRequirement = SetPowerRequirement(kBacklightDevice, kDevicePowerFullOn, kPowerNameDevice,
                                                   nullptr, 0);
        return;
    }
    if (!on && BacklightRequirement) {
        ReleasePowerRequirement(BacklightRequirement);
        BacklightRequirement = nullptr;
    }
}

void SetDisplayPower(int state)
{
    HDC screen = GetDC(nullptr);
    if (!screen)
        return;
    DISPLAY_POWER_RECORD record{sizeof(DISPLAY_POWER_RECORD), 1, static_cast<DWORD>(state)};
    ExtEscape(screen, kSetPowerManagement, sizeof record, reinterpret_cast<LPCSTR>(&record), 0, nullptr);
    ReleaseDC(nullptr, screen);
    PublishDisplayPower(state);
}

bool LoadHtmlViewLibrary(HINSTANCE instance)
{
    if (HtmlViewState != LibraryState::Untried)
        return HtmlViewState == LibraryState::Loaded;
    HtmlViewState = LibraryState::Failed;
    HMODULE library = LoadLibraryW(L"HTMLVIEW.DLL");
    if (!library)
        return false;
    // The library's first export registers the control's window class.
    using InitFn = BOOL(WINAPI*)(HINSTANCE);
    const auto init = LibraryEntry<InitFn>(library, MAKEINTRESOURCEA(1));
    if (!init || !init(instance)) {
        FreeLibrary(library);
        return false;
    }
    // Kept for the whole run: the control's windows live in it.
    HtmlViewState = LibraryState::Loaded;
    return true;
}

bool HtmlViewAvailable()
{
    return HtmlViewState == LibraryState::Loaded;
}
