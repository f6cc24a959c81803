// Start-up and shutdown: RunApplication, the single instance, the colour
// scheme and time-zone offset, the command line and simulation files.
// The socket header must come before any other that includes windows.h.
#include <winsock2.h>

#include "app/shell.h"

#include "app/settings_store.h"
#include "gps/simulation.h"
#include "kit/astro.h"
#include "kit/dialogs.h"
#include "kit/display.h"
#include "kit/draw.h"
#include "kit/settings.h"
#include "maps/offline_maps.h"
#include "resources/resource.h"
#include "tracks/waypoints.h"
#include "xml/utf8text.h"
#if defined(PATHVEX_HANDHELD)
#include "platform/handheld/handheld.h"
#if defined(PATHVEX_WM)
#include "platform/handheld/cell_tower.h"
#endif
#else
#include "maps/browser_host.h"

#include <gdiplus.h>
#include <ole2.h>
#endif

#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <iterator>
#include <memory>
#include <string>

namespace {

// Full path of the executable's folder, no trailing backslash.
wchar_t ProgramDirectory[MAX_PATH] = {};

constexpr DWORD kCommonControlClasses = 0x1FF;
constexpr WORD kSocketVersion = 0x0202;
constexpr wchar_t kUpdateQuestion[] = L"Check for Pathvex updates now?";
constexpr unsigned kUpdateCountdown = 20;
constexpr wchar_t kRootSimulationFile[] = L"\\gps.log";
#if defined(PATHVEX_DESKTOP)
// Said when "-log" names a file that cannot be read, so that nobody takes
// the demonstration for the recording.
constexpr wchar_t kLogFileUnreadable[] =
    L"The file \"%ls\" could not be read. The built-in demonstration runs instead.";
#endif
// How long a second copy waits for the first one's window to appear: the
// first may be between taking the instance and creating its window.
constexpr DWORD kFindFirstWindowMs = 5000;
constexpr DWORD kFindFirstWindowStepMs = 50;

// ---------------------------------------------------------------------------

void FindProgramDirectory()
{
    wchar_t path[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    path[n < MAX_PATH ? n : MAX_PATH - 1] = L'\0';
    if (wchar_t* slash = std::wcsrchr(path, L'\\'))
        *slash = L'\0';
    std::wcsncpy(ProgramDirectory, path, MAX_PATH - 1);
}

// One instance runs. The first takes the named mutex for its whole run; a
// later one finds it taken, shows the first window (found by its class,
// since its title changes with the screen and the simulation) and ends
// without touching any file. True when this process is the one to run.
bool TakeSingleInstance(HANDLE* mutex)
{
    *mutex = CreateMutexW(nullptr, FALSE, kInstanceMutexName);
    if (*mutex && GetLastError() != ERROR_ALREADY_EXISTS)
        return true;
    // No mutex at all: the window of a running copy is the only sign left.
    if (!*mutex && !FindWindowW(kMainWindowClass, nullptr))
        return true;
    for (DWORD waited = 0; waited <= kFindFirstWindowMs; waited += kFindFirstWindowStepMs) {
        if (HWND first = FindWindowW(kMainWindowClass, nullptr)) {
            ShowWindow(first, SW_SHOW);
            SetForegroundWindow(first);
            break;
        }
        Sleep(kFindFirstWindowStepMs);
    }
    if (*mutex)
        CloseHandle(*mutex);
    *mutex = nullptr;
    return false;
}

void ChooseColorScheme()
{
    SYSTEMTIME now{};
    GetLocalTime(&now);
    if (SchemeForLocalHour(now.wHour) == 1)
        ColorScheme = 1;
}

void ComputeLocalTimeZone()
{
    TIME_ZONE_INFORMATION zone{};
    GetTimeZoneInformation(&zone);
    SYSTEMTIME now{};
    GetLocalTime(&now);
    TimeZoneBias = ComputeTimeZoneBias(zone, now);
}

// The process's arguments as the system splits them; freed with LocalFree.
struct ARGUMENTS {
    wchar_t** argv = nullptr;
    int argc = 0;
    ARGUMENTS() { argv = CommandLineToArgvW(GetCommandLineW(), &argc); }
    ~ARGUMENTS()
    {
        if (argv)
            LocalFree(argv);
    }
    ARGUMENTS(const ARGUMENTS&) = delete;
    ARGUMENTS& operator=(const ARGUMENTS&) = delete;
    const wchar_t* operator[](int i) const { return argv && i >= 0 && i < argc ? argv[i] : nullptr; }
};

#if defined(PATHVEX_DESKTOP)
constexpr wchar_t kAppManagerKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\CEAPPMGR.EXE";
constexpr DWORD kAppManagerValueBytes = 1000;
constexpr size_t kAppManagerLineSize = 1000;

// "-as1" and "-as2": the device application manager with the installer
// description of one handheld build. True when the program is to end here.
bool StartApplicationManager(const wchar_t* option)
{
    wchar_t value[kAppManagerValueBytes / sizeof(wchar_t) + 1] = {};
    DWORD bytes = kAppManagerValueBytes;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kAppManagerKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
    DWORD type = 0;
    const LONG r = RegQueryValueExW(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value), &bytes);
    RegCloseKey(key);
    if (r != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ))
        return false;
    value[std::size(value) - 1] = L'\0';
    if (!value[0])
        return false;
    const wchar_t* description = option[3] == L'1' ? L"Pathvex-AS-WM2003.INI" : L"Pathvex-AS-WM5.INI";
    wchar_t line[kAppManagerLineSize] = {};
    std::swprintf(line, kAppManagerLineSize, L"\"%ls\" \"%ls\\%ls\"", value, ProgramDirectory, description);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (CreateProcessW(nullptr, line, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    return true;
}
#endif

// One start less until the update question; at 0 it is asked and the count
// starts again. A program ended by its command line has no window to ask
// over: the question then waits for the next start.
void CountDownToUpdateQuestion()
{
    const unsigned left = ReadSettingNumber(SettingId::Upd);
    if (left >= 1) {
        WriteSettingNumber(SettingId::Upd, left - 1);
        return;
    }
    if (!MainWindow)
        return;
    WriteSettingNumber(SettingId::Upd, kUpdateCountdown);
    if (AskYesNo(MainWindow, kUpdateQuestion, false))
        SendMessageW(MainWindow, WM_COMMAND, IDM_CHECK_UPDATES, 0);
}

void ReadMapsFolder()
{
    const std::wstring wide = SettingTextWide(OfflineMapsFolder);
    ScanOfflineMaps(wide.c_str());
}

// The tray icon of the main window; kept for its removal.
NOTIFYICONDATAW TrayIconData{};

void AddTrayIcon(HINSTANCE instance)
{
    TrayIconData = NOTIFYICONDATAW{};
    TrayIconData.cbSize = sizeof TrayIconData;
    TrayIconData.hWnd = MainWindow;
    TrayIconData.uID = TRAY_ID_MAIN;
    TrayIconData.uFlags = NIF_MESSAGE | NIF_ICON;
    TrayIconData.uCallbackMessage = WM_TRAYICON;
    TrayIconData.hIcon = LoadIconW(instance, L"ICON_1");
    Shell_NotifyIconW(NIM_ADD, &TrayIconData);
}

void RunMessageLoop()
{
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

}  // namespace

// ---------------------------------------------------------------------------

int SchemeForLocalHour(int hour)
{
    return hour > 19 || hour < 6 ? 1 : 0;
}

namespace {

bool IsLeap(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month)
{
    constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 31;
    return month == 2 && IsLeap(year) ? 29 : kDays[month - 1];
}

// 0 Sunday .. 6 Saturday, for the Gregorian calendar.
int DayOfWeek(int year, int month, int day)
{
    constexpr int kOffsets[12] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    if (month < 3)
        year -= 1;
    return (year + year / 4 - year / 100 + year / 400 + kOffsets[(month - 1) % 12] + day) % 7;
}

}  // namespace

int ZoneChangeDay(const SYSTEMTIME& change, int year)
{
    if (change.wYear != 0)
        return change.wDay;
    const int month = change.wMonth < 1 || change.wMonth > 12 ? 1 : change.wMonth;
    const int last = DaysInMonth(year, month);
    const int first = 1 + (static_cast<int>(change.wDayOfWeek % 7) - DayOfWeek(year, month, 1) + 7) % 7;
    const int occurrence = change.wDay < 1 ? 1 : (change.wDay > 5 ? 5 : change.wDay);
    int day = first + 7 * (occurrence - 1);
    while (day > last)   // 5 means the last such day
        day -= 7;
    return day;
}

int ComputeTimeZoneBias(const TIME_ZONE_INFORMATION& zone, const SYSTEMTIME& localNow)
{
    const int standard = zone.Bias + zone.StandardBias;
    const int daylight = zone.Bias + zone.DaylightBias;
    const int daylightMonth = zone.DaylightDate.wMonth;
    const int standardMonth = zone.StandardDate.wMonth;
    if (daylightMonth == 0 && standardMonth == 0)
        return standard;
    const int month = localNow.wMonth;
    const int day = localNow.wDay;
    if (month > daylightMonth && month < standardMonth)
        return daylight;
    if (month == daylightMonth && day > ZoneChangeDay(zone.DaylightDate, localNow.wYear))
        return daylight;
    if (month == standardMonth && day < ZoneChangeDay(zone.StandardDate, localNow.wYear))
        return daylight;
    return standard;
}

long ParseCommandNumber(const char* text)
{
    if (!text)
        return 0;
    while (*text == ' ' || (*text >= '\t' && *text <= '\r'))
        ++text;
    bool negative = false;
    if (*text == '+' || *text == '-')
        negative = *text++ == '-';
    long long value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        value = value * 10 + (*text - '0');
        if (value > static_cast<long long>(LONG_MAX) + 1)
            value = static_cast<long long>(LONG_MAX) + 1;
    }
    if (negative)
        return static_cast<long>(-value);
    return value > LONG_MAX ? LONG_MAX : static_cast<long>(value);
}

bool ReadSimulationFile(const wchar_t* path, std::vector<std::string>* lines)
{
    if (!path || !*path || !lines)
        return false;
    std::unique_ptr<FILE, int (*)(FILE*)> file(_wfopen(path, L"rb"), std::fclose);
    if (!file)
        return false;
    lines->clear();
    std::string line;
    bool pending = false;   // bytes read since the last entry
    auto finish = [&] {
        while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
            line.pop_back();
        // A zero byte ends the text: the entry is handed on as C text.
        line.resize(std::strlen(line.c_str()));
        lines->push_back(line);
        line.clear();
        pending = false;
    };
    int c;
    while (lines->size() < kMaxSimulationLines && (c = std::fgetc(file.get())) != EOF) {
        line.push_back(static_cast<char>(c));
        pending = true;
        if (c == '\n') {
            finish();
            continue;
        }
        // A longer line goes on in the next entry; CR LF right after the
        // cut still belongs to this one.
        if (line.size() >= kSimulationLineBytes) {
            const int next = std::fgetc(file.get());
            if (next == '\r' || next == '\n') {
                line.push_back(static_cast<char>(next));
                if (next == '\r') {
                    const int after = std::fgetc(file.get());
                    if (after == '\n')
                        line.push_back('\n');
                    else if (after != EOF)
                        std::ungetc(after, file.get());
                }
            } else if (next != EOF) {
                std::ungetc(next, file.get());
            }
            finish();
        }
    }
    if (pending && lines->size() < kMaxSimulationLines)
        finish();
    return true;
}

bool LoadSimulationFile(const wchar_t* path)
{
    std::vector<std::string> lines;
    if (!ReadSimulationFile(path, &lines))
        return false;
    SimulationList.Replace(std::move(lines));
    return true;
}

#if defined(PATHVEX_DESKTOP)
namespace {

void TellUnreadableLogFile(const wchar_t* path)
{
    std::vector<wchar_t> text(std::wcslen(path) + std::size(kLogFileUnreadable), L'\0');
    std::swprintf(text.data(), text.size(), kLogFileUnreadable, path);
    MessageBoxW(MainWindow, text.data(), kProgramTitle, MB_OK | MB_ICONWARNING);
}

}  // namespace
#endif

int RunApplication(HINSTANCE instance, const char* commandLine)
{
    INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), kCommonControlClasses};
    InitCommonControlsEx(&controls);
    WSADATA sockets{};
    WSAStartup(kSocketVersion, &sockets);
    FindProgramDirectory();

    HANDLE instanceMutex = nullptr;
    if (!TakeSingleInstance(&instanceMutex))
        return 0;

    ChooseColorScheme();
    ComputeLocalTimeZone();

#if defined(PATHVEX_HANDHELD)
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    // Without the HTML view the web map stays empty; the rest runs.
    LoadHtmlViewLibrary(instance);
#if defined(PATHVEX_WM)
    // The radio layer is asked once for the cell of the moment; later cells
    // come from its notifications.
    StartCellTowerMonitor();
    RequestCellTowerInfo();
#endif
#else
    OleInitialize(nullptr);
    RegisterAxWindowClass();
    ULONG_PTR gdiplusToken = 0;
    Gdiplus::GdiplusStartupInput gdiplusInput;
    Gdiplus::GdiplusStartup(&gdiplusToken, &gdiplusInput, nullptr);
#endif

    // Saves killed halfway leave temporary files beside the settings and
    // track documents; this copy holds the instance lock, so no save of
    // another copy is writing there.
    XmlRemoveStaleSaveFiles(ProgramDirectory);
    OpenSettingsStore(ProgramDirectory);
    RebuildWaypointList();
    ReadSettingsIntoGlobals();
    ReadMapsFolder();

    SimulationTapCount.store(0);
    SimulationMode.store(kSimulationTapping);
    CreateFontSet();
    SimulationList.LoadDemonstration();

    CreateMainWindow(instance);
#if defined(PATHVEX_HANDHELD)
    HoldBacklightOn(true);
#endif

    const ARGUMENTS args;
    if (commandLine && *commandLine)
        SendMessageW(MainWindow, WM_COMMAND, static_cast<WPARAM>(ParseCommandNumber(commandLine)), 0);
#if defined(PATHVEX_DESKTOP)
    if (args.argc > 1 && (std::wcsncmp(args[1], L"-as1", 4) == 0 || std::wcsncmp(args[1], L"-as2", 4) == 0) &&
        StartApplicationManager(args[1]))
        return 0;
    // "-log" needs the file's name after it; alone it loads nothing.
    const wchar_t* unreadableLog = nullptr;
    if (args.argc > 2 && std::wcscmp(args[1], L"-log") == 0 && args[2] && *args[2] &&
        !LoadSimulationFile(args[2]))
        unreadableLog = args[2];
    // "\gps.log" replaces what "-log" loaded; only without it does the
    // demonstration run.
    if (!LoadSimulationFile(kRootSimulationFile) && unreadableLog)
        TellUnreadableLogFile(unreadableLog);
#elif !defined(PATHVEX_WM)
    LoadSimulationFile(kRootSimulationFile);
#endif

    CountDownToUpdateQuestion();
    // A command line that ended the program (199) leaves no window to
    // connect: straight to the loop, which ends at once.
    if (MainWindow) {
        if (AutoConnect)
            SendMessageW(MainWindow, WM_COMMAND, IDM_GPS_CONNECT, 0);
        AddTrayIcon(instance);
    }
    RunMessageLoop();

    // The reader ends before anything it uses goes (WM_CLOSE did this
    // already; a loop ended otherwise gets it here).
    GpsDevice.Shutdown();
#if defined(PATHVEX_HANDHELD)
    HoldBacklightOn(false);
    if (DisplayOff)
        SetDisplayPower(kDisplayPowerOn);
#if defined(PATHVEX_WM)
    StopCellTowerMonitor();
#endif
#endif
    DeleteFontSet();
    ReleaseScreenBuffer();
    ReleaseMapImage();
#if defined(PATHVEX_HANDHELD)
    CoUninitialize();
#else
    OleUninitialize();
    Gdiplus::GdiplusShutdown(gdiplusToken);
#endif
    CloseSettingsStore();
    if (TrayIconData.cbSize)
        Shell_NotifyIconW(NIM_DELETE, &TrayIconData);
    if (instanceMutex)
        CloseHandle(instanceMutex);
    return 0;
}
