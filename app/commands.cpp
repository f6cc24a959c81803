// The main window's command table: the shell's own commands, the screen
// switches, and the ranges that other subsystems handle.
#include "app/shell.h"

#include "app/display.h"
#include "app/settings.h"
#include "app/shell_internal.h"
#include "gps/simulation.h"
#include "resources/resource.h"
#include "tracks/tracks.h"

#include <cwchar>
#include <iterator>

namespace {

constexpr wchar_t kGpsOpeningFailed[] = L"GPS Opening failed";
constexpr wchar_t kUpdateProduct[] = L"Pathvex";
constexpr wchar_t kUpdateProductId[] = L"{6C2E8240-F660-48EF-B35A-9B864119D718}";
// The update run's result that asks the program to end.
constexpr int kUpdateRestart = 99;

LRESULT CmdGpsConnect(HWND window, WPARAM, LPARAM)
{
    char port[kGpsPortNameSize] = {};
    ReadSettingText(SettingId::GpsPort, port, sizeof port);
    wchar_t name[kGpsPortNameSize] = {};
    if (!MultiByteToWideChar(CP_UTF8, 0, port, -1, name, kGpsPortNameSize))
        name[0] = L'\0';
    GpsDevice.SetDevice(name, ReadSettingNumber(SettingId::GpsSpeed));
    const bool simulation = ReadSettingNumber(SettingId::GpsSimu) != 0;
    const bool gpsDriver = ReadSettingNumber(SettingId::GpsApi) != 0;
    if (!GpsDevice.Open(simulation, gpsDriver))
        MessageBoxW(window, kGpsOpeningFailed, kProgramTitle, MB_OK | MB_ICONERROR);
    return 0;
}

LRESULT CmdGpsDisconnect(HWND, WPARAM, LPARAM)
{
    GpsDevice.Close();
    return 0;
}

// The files an earlier update left beside the executable go first.
LRESULT CmdCheckUpdates(HWND window, WPARAM, LPARAM)
{
    wchar_t program[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameW(nullptr, program, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return 0;
    wchar_t name[MAX_PATH + 8];
    std::swprintf(name, std::size(name), L"%ls.old", program);
    DeleteFileW(name);
    std::swprintf(name, std::size(name), L"%ls.new", program);
    DeleteFileW(name);
    if (ShellSeams.runSelfUpdate && ShellSeams.runSelfUpdate(kUpdateProduct, kUpdateProductId) == kUpdateRestart)
        SendMessageW(window, WM_CLOSE, 0, 0);
    return 0;
}

LRESULT CmdShutdown(HWND window, WPARAM, LPARAM)
{
    SendMessageW(window, WM_CLOSE, 0, 0);
    return 0;
}

template <int Scheme>
LRESULT CmdColorScheme(HWND window, WPARAM, LPARAM)
{
    ColorScheme = Scheme;
    RefreshWindow(window);
    return 0;
}

LRESULT CmdNextScreen(HWND window, WPARAM, LPARAM)
{
    if (const int next = NextScreenCommand(CurrentScreen, RecorderState.load() == kRecorderFollowing))
        PostMessageW(window, WM_COMMAND, static_cast<WPARAM>(next), 0);
    return 0;
}

LRESULT CmdPreviousScreen(HWND window, WPARAM, LPARAM)
{
    if (const int previous = PreviousScreenCommand(CurrentScreen, RecorderState.load() == kRecorderFollowing))
        PostMessageW(window, WM_COMMAND, static_cast<WPARAM>(previous), 0);
    return 0;
}

template <bool On>
LRESULT CmdGpsLog(HWND, WPARAM, LPARAM)
{
    GpsDevice.Log()->SetEnabled(On);
    return 0;
}

template <int Mode>
LRESULT CmdSimulationMode(HWND, WPARAM, LPARAM)
{
    SimulationMode.store(Mode);
    return 0;
}

// "Load from Track...": the track list opens for picking; OK turns the
// chosen track into the simulation list.
LRESULT CmdSimulationFromTrack(HWND window, WPARAM, LPARAM)
{
    PickPurpose = IDM_SIM_FROM_TRACK;
    SendMessageW(window, WM_COMMAND, IDM_SCREEN_TRACKS, kPickMarker);
    return 0;
}

LRESULT CmdPickOk(HWND window, WPARAM, LPARAM)
{
    return PickOk(window);
}

LRESULT CmdBack(HWND window, WPARAM, LPARAM)
{
    return GoBack(window);
}

struct COMMAND {
    WORD id;
    LRESULT (*run)(HWND window, WPARAM wParam, LPARAM lParam);
};

constexpr COMMAND kCommands[] = {
    {IDM_GPS_CONNECT, CmdGpsConnect},
    {IDM_GPS_DISCONNECT, CmdGpsDisconnect},
    {IDM_CHECK_UPDATES, CmdCheckUpdates},
    {IDM_SHUTDOWN, CmdShutdown},
    {IDM_SCHEME_DAY, CmdColorScheme<0>},
    {IDM_SCHEME_NIGHT, CmdColorScheme<1>},
    {IDM_SCHEME_CUSTOM, CmdColorScheme<2>},
    {IDM_NEXT_SCREEN, CmdNextScreen},
    {IDM_PREV_SCREEN, CmdPreviousScreen},
    {IDM_GPS_LOG_ON, CmdGpsLog<true>},
    {IDM_GPS_LOG_OFF, CmdGpsLog<false>},
    {IDM_SIM_TAPPING, CmdSimulationMode<kSimulationTapping>},
    {IDM_SIM_TIMER, CmdSimulationMode<kSimulationTimer>},
    {IDM_SIM_FROM_TRACK, CmdSimulationFromTrack},
    {IDM_PICK_OK, CmdPickOk},
    {IDM_BACK, CmdBack},
};

// Ranges owned by other subsystems: the id goes on unchanged, also ids that
// nothing in the range acts on.
struct COMMAND_RANGE {
    WORD first;
    WORD last;
    LRESULT (*SHELL_SEAMS::*handler)(HWND, UINT, WPARAM);
};

constexpr COMMAND_RANGE kCommandRanges[] = {
    {IDM_CALC_FIRST, IDM_CALC_LAST, &SHELL_SEAMS::calcCommand},
    {IDM_TRACK_FIRST, IDM_TRACK_LAST, &SHELL_SEAMS::trackCommand},
    {IDM_WAYPOINT_FIRST, IDM_WAYPOINT_LAST, &SHELL_SEAMS::waypointCommand},
    {IDM_TRACKLIST_FIRST, IDM_TRACKLIST_LAST, &SHELL_SEAMS::trackCommand},
    {IDM_MAPLIST_FIRST, IDM_MAPLIST_LAST, &SHELL_SEAMS::mapListCommand},
    {IDM_EXCHANGE_FIRST, IDM_EXCHANGE_LAST, &SHELL_SEAMS::exchangeCommand},
    {IDM_SHOWONMAP_FIRST, IDM_SHOWONMAP_LAST, &SHELL_SEAMS::showItemOnMapCommand},
    {IDM_EXTMAP_FIRST, IDM_EXTMAP_LAST, &SHELL_SEAMS::showItemOnMapCommand},
};

constexpr bool CommandIdsAreUnique()
{
    for (size_t i = 0; i < std::size(kCommands); ++i) {
        for (size_t j = i + 1; j < std::size(kCommands); ++j)
            if (kCommands[i].id == kCommands[j].id)
                return false;
        if (kCommands[i].id > IDM_SCREEN_BASE && kCommands[i].id <= IDM_SCREEN_RAW)
            return false;
        for (const COMMAND_RANGE& r : kCommandRanges)
            if (kCommands[i].id >= r.first && kCommands[i].id <= r.last)
                return false;
    }
    return true;
}
static_assert(CommandIdsAreUnique(), "a command id is handled twice");

}  // namespace

LRESULT DispatchCommand(HWND window, WPARAM wParam, LPARAM lParam)
{
    const WORD id = LOWORD(wParam);
#if defined(PATHVEX_HANDHELD)
    if (id > IDM_SCREEN_BASE && id <= IDM_FULLSCREEN_LEAVE_LAST && ShellSeams.leaveFullScreen)
        ShellSeams.leaveFullScreen(window);
#endif
    for (const COMMAND& c : kCommands)
        if (c.id == id)
            return c.run(window, wParam, lParam);
    if (id > IDM_SCREEN_BASE && id <= IDM_SCREEN_RAW)
        return EnterScreen(window, id, lParam);
    for (const COMMAND_RANGE& r : kCommandRanges) {
        if (id < r.first || id > r.last)
            continue;
        const auto handler = ShellSeams.*r.handler;
        return handler ? handler(window, WM_COMMAND, wParam) : 0;
    }
    LRESULT result = 0;
    if (ShellSeams.otherCommand && ShellSeams.otherCommand(window, wParam, lParam, &result))
        return result;
    return 0;
}
