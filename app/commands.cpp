// The main window's command table: the shell's own commands, the screen
// switches, and the ranges that other subsystems handle.
#include "app/shell.h"

#include "app/options.h"
#include "app/receiver_setup.h"
#include "app/simulation_editor.h"
#include "gps/receiver_commands.h"
#include "gps/simulation.h"
#include "kit/dialogs.h"
#include "kit/display.h"
#include "kit/outside.h"
#include "kit/settings.h"
#include "maps/calc.h"
#include "maps/offline_maps.h"
#include "maps/viewport.h"
#include "resources/resource.h"
#include "tracks/tracks.h"
#include "updater/updater.h"
#include "xml/utf8text.h"
#include "xml/xml.h"
#if defined(PATHVEX_HANDHELD)
#include "platform/handheld/handheld.h"
#endif

#include <commctrl.h>

#include <cwchar>
#include <iterator>

namespace {

bool SetClock(const SYSTEMTIME* utc)
{
    return SetSystemTime(utc) != FALSE;
}

}  // namespace

SHELL_SEAMS ShellSeams{SetClock, RunSelfUpdate};

namespace {

constexpr wchar_t kGpsOpeningFailed[] = L"GPS Opening failed";
constexpr wchar_t kInvalidPositionQuestion[] = L"Warning: Invalid GPS Position! Continue?";
constexpr wchar_t kSirfWithDriver[] = L"SIRF commands cannot be used when GPSApi is in use !";
constexpr wchar_t kAboutNotice[] = L"A GPS companion for maps, tracks and waypoints.\r\nhttps://pathvex.org";
constexpr wchar_t kForumPage[] = L"https://pathvex.org/cgi-bin/download.cgi?file=gpsforum";
constexpr wchar_t kDonatePage[] = L"https://pathvex.org/cgi-bin/download.cgi?file=cdonate";
constexpr wchar_t kHelpFile[] = L"Pathvex.CHM";
constexpr wchar_t kUpdateProduct[] = L"Pathvex";
constexpr wchar_t kUpdateProductId[] = L"{6C2E8240-F660-48EF-B35A-9B864119D718}";

LRESULT CmdGpsConnect(HWND window, WPARAM, LPARAM)
{
    char port[kGpsPortNameSize] = {};
    ReadSettingText(SettingId::GpsPort, port, sizeof port);
    GpsDevice.SetDevice(Utf8ToWide(port).c_str(), ReadSettingNumber(SettingId::GpsSpeed));
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
    const int result = ShellSeams.runSelfUpdate(kUpdateProduct, kUpdateProductId);
    if (result == kUpdateExitNow)
        SendMessageW(window, WM_CLOSE, 0, 0);
    // A check that failed is no check: the next start asks again rather
    // than counting down as after a success.
    if (result == kUpdateIncomplete)
        WriteSettingNumber(SettingId::Upd, 0);
    return 0;
}

LRESULT CmdGpsSetup(HWND window, WPARAM, LPARAM)
{
    ShowGpsConfigDialog(window);
    return 0;
}

LRESULT CmdSettingsDialog(HWND window, WPARAM wParam, LPARAM)
{
    ShowOptionDialog(window, LOWORD(wParam));
    return 0;
}

// The clock takes the receiver's date and time of day; the year and the
// milliseconds stay the system's.
LRESULT CmdGpsTimeToSystem(HWND window, WPARAM, LPARAM)
{
    const GPS_CURRENT live = GpsDevice.Snapshot();
    if (live.fix != 1 && !AskYesNo(window, kInvalidPositionQuestion, false))
        return 0;
    SYSTEMTIME now{};
    GetSystemTime(&now);
    now.wMonth = live.utc.wMonth;
    now.wDay = live.utc.wDay;
    now.wHour = live.utc.wHour;
    now.wMinute = live.utc.wMinute;
    now.wSecond = live.utc.wSecond;
    ShellSeams.setSystemTime(&now);
    return 0;
}

LRESULT CmdDisplayOff(HWND, WPARAM, LPARAM)
{
    DisplayOff = true;
#if defined(PATHVEX_HANDHELD)
    SetDisplayPower(kDisplayPowerOff);
#endif
    return 0;
}

template <const wchar_t* Target>
LRESULT CmdOpenExternal(HWND window, WPARAM, LPARAM)
{
    OutsideSeams.openExternal(window, Target, SW_SHOWNORMAL);
    return 0;
}

LRESULT CmdAbout(HWND window, WPARAM, LPARAM)
{
    XmlLibraryVersion version{};
    XMLDocument::GetLibraryVersion(&version);
    wchar_t text[512];
#if defined(PATHVEX_WM)
    std::swprintf(text, std::size(text), L"%ls (%ls) + XML %u.%02u.\r\n\r\n%ls", kProgramTitle, L"PPC",
                  static_cast<unsigned>(version.major), static_cast<unsigned>(version.minor), kAboutNotice);
#else
    std::swprintf(text, std::size(text), L"%ls + XML 0x%u%02X.\r\n\r\n%ls", kProgramTitle,
                  static_cast<unsigned>(version.major), static_cast<unsigned>(version.minor), kAboutNotice);
#endif
    MessageBoxW(window, text, kProgramTitle, MB_OK);
    return 0;
}

LRESULT CmdToggleFullScreen(HWND window, WPARAM, LPARAM)
{
#if defined(PATHVEX_HANDHELD)
    ChangeFullScreen(window, kFullScreenToggle);
#else
    (void)window;
#endif
    return 0;
}

LRESULT CmdMapView(HWND window, WPARAM wParam, LPARAM)
{
    LRESULT result = 0;
    MapViewCommand(window, LOWORD(wParam), &result);
    return result;
}

// "Center Waypoint": the waypoint list opens for picking; OK centres on it.
LRESULT CmdCenterWaypoint(HWND window, WPARAM, LPARAM)
{
    PickPurpose = IDM_CENTER_WAYPOINT;
    SendMessageW(window, WM_COMMAND, IDM_SCREEN_WAYPOINTS, kPickMarker);
    return 0;
}

// The rotation is negative after course-up: shown and read signed, so what
// OK stores is what the user saw.
LRESULT CmdRotateEnter(HWND window, WPARAM, LPARAM)
{
    wchar_t text[kTextEntryBufferSize];
    std::swprintf(text, std::size(text), L"%d", MapViewport.rotation);
    if (ShowTextEntryDialog(window, L"Map Rotation", L"Rotation (deg):", text))
        SetRotationFromText(window, text);
    return 0;
}

LRESULT CmdDrawTrack(HWND, WPARAM, LPARAM)
{
    IgnoreNextMapClick = true;
    return 0;
}

LRESULT CmdSendWaypointSentence(HWND, WPARAM, LPARAM)
{
    if (GpsInputKind.load() == kGpsInputNmea)
        SendWaypointSentence(&GpsDevice);
    return 0;
}

LRESULT CmdChooseFont(HWND window, WPARAM, LPARAM)
{
    LOGFONTW font{};
    if (FontSet.Base)
        GetObjectW(FontSet.Base, sizeof font, &font);
    CHOOSEFONTW choose{};
    choose.lStructSize = sizeof choose;
    choose.hwndOwner = window;
    choose.lpLogFont = &font;
    choose.Flags = CF_BOTH | CF_INITTOLOGFONTSTRUCT;
    if (!ChooseFontW(&choose))
        return 0;
    WriteStoredFont(&font);
    DeleteFontSet();
    CreateFontSet();
    RefreshWindow(window);
    return 0;
}

LRESULT CmdEditSimulation(HWND window, WPARAM, LPARAM)
{
    ShowSimulationEditor(window);
    return 0;
}

LRESULT CmdLogClear(HWND, WPARAM, LPARAM)
{
    SendMessageW(MainListView, LVM_DELETEALLITEMS, 0, 0);
    return 0;
}

LRESULT CmdSirf(HWND window, WPARAM wParam)
{
    if (GpsInputKind.load() == kGpsInputDriver) {
        MessageBoxW(window, kSirfWithDriver, kProgramTitle, MB_OK);
        return 0;
    }
    return HandleSirfCommand(window, LOWORD(wParam));
}

// The client area takes the size; the window keeps its place.
template <int Width, int Height>
LRESULT CmdClientSize(HWND window, WPARAM, LPARAM)
{
    RECT r{};
    GetWindowRect(window, &r);
    r.right = r.left + Width;
    r.bottom = r.top + Height;
    AdjustWindowRect(&r, static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE)), TRUE);
    SetWindowPos(window, nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_SHOWWINDOW);
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
    {IDM_GPS_SETUP, CmdGpsSetup},
    {IDM_GPS_CONNECT, CmdGpsConnect},
    {IDM_GPS_DISCONNECT, CmdGpsDisconnect},
    {IDM_GPS_TIME_TO_SYSTEM, CmdGpsTimeToSystem},
    {IDM_DISPLAY_OFF, CmdDisplayOff},
    {IDM_SUPPORT_FORUM, CmdOpenExternal<kForumPage>},
    {IDM_DONATE, CmdOpenExternal<kDonatePage>},
    {IDM_CHECK_UPDATES, CmdCheckUpdates},
    {IDM_ABOUT, CmdAbout},
    {IDM_SHUTDOWN, CmdShutdown},
    {IDM_SCHEME_DAY, CmdColorScheme<0>},
    {IDM_SCHEME_NIGHT, CmdColorScheme<1>},
    {IDM_SCHEME_CUSTOM, CmdColorScheme<2>},
    {IDM_TOGGLE_FULLSCREEN, CmdToggleFullScreen},
    {IDM_ZOOM_IN, CmdMapView},
    {IDM_ZOOM_OUT, CmdMapView},
    {IDM_MOVE_UP, CmdMapView},
    {IDM_MOVE_RIGHT, CmdMapView},
    {IDM_MOVE_DOWN, CmdMapView},
    {IDM_MOVE_LEFT, CmdMapView},
    {IDM_CENTER_WAYPOINT, CmdCenterWaypoint},
    {IDM_ROTATE_ENTER, CmdRotateEnter},
    {IDM_ROTATE_RIGHT, CmdMapView},
    {IDM_ROTATE_LEFT, CmdMapView},
    {IDM_VIEW_CARTESIAN, CmdMapView},
    {IDM_VIEW_POLAR, CmdMapView},
    {IDM_POLAR_MORE_LINES, CmdMapView},
    {IDM_POLAR_LESS_LINES, CmdMapView},
    {IDM_NEXT_SCREEN, CmdNextScreen},
    {IDM_PREV_SCREEN, CmdPreviousScreen},
    {IDM_CALIBRATOR, CmdSettingsDialog},
    {IDM_HZOOM_IN, CmdMapView},
    {IDM_HZOOM_OUT, CmdMapView},
    {IDM_VZOOM_IN, CmdMapView},
    {IDM_VZOOM_OUT, CmdMapView},
    {IDM_DRAW_TRACK, CmdDrawTrack},
    {IDM_SEND_GPWPL, CmdSendWaypointSentence},
    {IDM_GPS_LOG_ON, CmdGpsLog<true>},
    {IDM_GPS_LOG_OFF, CmdGpsLog<false>},
    {IDM_SIM_TAPPING, CmdSimulationMode<kSimulationTapping>},
    {IDM_SIM_TIMER, CmdSimulationMode<kSimulationTimer>},
    {IDM_CHOOSE_FONT, CmdChooseFont},
    {IDM_SIM_FROM_TRACK, CmdSimulationFromTrack},
    {IDM_SIM_EDIT, CmdEditSimulation},
    {IDM_LOG_CLEAR, CmdLogClear},
    {IDM_SIZE_240X320, CmdClientSize<240, 320>},
    {IDM_SIZE_320X240, CmdClientSize<320, 240>},
    {IDM_SIZE_240X240, CmdClientSize<240, 240>},
    {IDM_SIZE_320X320, CmdClientSize<320, 320>},
    {IDM_SIZE_640X480, CmdClientSize<480, 640>},
    {IDM_HELP_INDEX, CmdOpenExternal<kHelpFile>},
    {IDM_PICK_OK, CmdPickOk},
    {IDM_BACK, CmdBack},
    {IDM_OPTIONS_MAP, CmdSettingsDialog},
    {IDM_OPTIONS_SPEED, CmdSettingsDialog},
    {IDM_OPTIONS_PROGRAM, CmdSettingsDialog},
    {IDM_OPTIONS_RECORD, CmdSettingsDialog},
    {IDM_OPTIONS_DISTANCE, CmdSettingsDialog},
    {IDM_OPTIONS_TRACKING, CmdSettingsDialog},
    {IDM_OPTIONS_PLAY, CmdSettingsDialog},
    {IDM_OPTIONS_COLORS, CmdSettingsDialog},
};

// Ranges that one handler serves, most of them owned by other subsystems: the
// id goes on unchanged, also ids that nothing in the range acts on.
struct COMMAND_RANGE {
    WORD first;
    WORD last;
    LRESULT (*handler)(HWND window, WPARAM wParam);
};

constexpr COMMAND_RANGE kCommandRanges[] = {
    {IDM_SIRF_FIRST, IDM_SIRF_LAST, CmdSirf},                              // app/receiver_setup.h
    {IDM_CALC_FIRST, IDM_CALC_LAST, CalcCommand},                          // maps/calc.h
    {IDM_TRACK_FIRST, IDM_TRACK_LAST, TrackCommand},                       // tracks/track_commands.h
    {IDM_WAYPOINT_FIRST, IDM_WAYPOINT_LAST, WaypointCommand},              // tracks/waypoints.h
    {IDM_TRACKLIST_FIRST, IDM_TRACKLIST_LAST, TrackCommand},               // tracks/track_commands.h
    {IDM_MAPLIST_FIRST, IDM_MAPLIST_LAST, MapListCommand},                 // maps/offline_maps.h
    {IDM_EXCHANGE_FIRST, IDM_EXCHANGE_LAST, ExchangeCommand},              // tracks/exchange.h
    {IDM_SHOWONMAP_FIRST, IDM_SHOWONMAP_LAST, WaypointMapCommand},         // tracks/waypoints.h
    {IDM_EXTMAP_FIRST, IDM_EXTMAP_LAST, WaypointMapCommand},               // tracks/waypoints.h
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
    if (id > IDM_SCREEN_BASE && id <= IDM_FULLSCREEN_LEAVE_LAST)
        ChangeFullScreen(window, kFullScreenNormal);
#endif
    for (const COMMAND& c : kCommands)
        if (c.id == id)
            return c.run(window, wParam, lParam);
    if (id > IDM_SCREEN_BASE && id <= IDM_SCREEN_RAW)
        return EnterScreen(window, id, lParam);
    for (const COMMAND_RANGE& r : kCommandRanges)
        if (id >= r.first && id <= r.last)
            return r.handler(window, wParam);
    return 0;
}
