// The GPS configuration dialog and the SIRF menu.
#include "app/receiver_setup.h"

#include "app/shell.h"
#include "gps/receiver_commands.h"
#include "kit/dialogs.h"
#include "kit/display.h"
#include "kit/settings.h"
#include "resources/resource.h"
#include "xml/utf8text.h"
#if defined(PATHVEX_HANDHELD)
#include "platform/handheld/handheld.h"
#endif

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <initializer_list>
#include <iterator>
#include <string>

namespace {

constexpr wchar_t kGpsConfigTemplate[] = L"DIALOG_GPSCFG";
constexpr wchar_t kBackToNmeaTemplate[] = L"DIALOG_BACKNMEA";
// The platform's GPS driver exists in pathvex-wm alone; every other build
// refuses its box.
#if defined(PATHVEX_WM)
constexpr bool kHasGpsDriver = true;
#else
constexpr bool kHasGpsDriver = false;
#endif
constexpr wchar_t kGpsApiOnlyOnHandheld[] = L"GPS Api is only supported in WM5+";
constexpr wchar_t kRateTitle[] = L"Rate selection";
constexpr wchar_t kRatePrompt[] = L"Enter rate:";
constexpr wchar_t kPortFormat[] = L"COM%u";
constexpr unsigned kPortCount = 20;
constexpr const wchar_t* kBaudRates[] = {L"1200", L"2400", L"4800", L"9600", L"19200", L"38400"};
// Characters of the port and speed texts that are read at all.
constexpr int kComboTextChars = 100;
// The rate commands (411-416) and the three after them, which ask for a
// rate but send nothing.
constexpr int kLastRateEntryCommand = 419;

constexpr int kBackToNmeaRateEdits[] = {IDC_BACKNMEA_GGA, IDC_BACKNMEA_GLL, IDC_BACKNMEA_GSA, IDC_BACKNMEA_GSV,
                                        IDC_BACKNMEA_RMC, IDC_BACKNMEA_VTG, IDC_BACKNMEA_MSS};

// A modal dialog of the program's templates; -1 when it cannot be shown.
INT_PTR RunDialog(HWND owner, const wchar_t* name, DLGPROC proc, LPARAM param)
{
    return DialogBoxParamW(GetModuleHandleW(nullptr), name, owner, proc, param);
}

void PrepareDialog(HWND dialog)
{
#if defined(PATHVEX_HANDHELD)
    InitHandheldDialog(dialog);
#else
    (void)dialog;
#endif
}

bool IsChecked(HWND dialog, int id)
{
    return IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

void EnableControls(HWND dialog, std::initializer_list<int> ids, bool on)
{
    for (int id : ids)
        EnableWindow(GetDlgItem(dialog, id), on);
}

// ---------------------------------------------------------------------------
// "DIALOG_GPSCFG"

void FillGpsConfig(HWND dialog)
{
    PrepareDialog(dialog);
    HWND port = GetDlgItem(dialog, IDC_GPSCFG_PORT);
    for (unsigned i = 1; i <= kPortCount; ++i) {
        wchar_t name[8];
        std::swprintf(name, std::size(name), kPortFormat, i);
        SendMessageW(port, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
    }
    // What the connect opens is what can be typed here.
    SendMessageW(port, CB_LIMITTEXT, kGpsPortNameSize - 1, 0);
    char stored[kGpsPortNameSize] = {};
    ReadSettingText(SettingId::GpsPort, stored, sizeof stored);
    SetWindowTextW(port, Utf8ToWide(stored).c_str());

    HWND baud = GetDlgItem(dialog, IDC_GPSCFG_BAUD);
    for (const wchar_t* rate : kBaudRates)
        SendMessageW(baud, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(rate));
    SendMessageW(baud, CB_LIMITTEXT, kComboTextChars, 0);
    wchar_t speed[16];
    std::swprintf(speed, std::size(speed), L"%u", ReadSettingNumber(SettingId::GpsSpeed));
    SetWindowTextW(baud, speed);

    const bool simulation = ReadSettingNumber(SettingId::GpsSimu) != 0;
    // Without the driver a stored choice of it (a file from pathvex-wm)
    // means nothing: the box shows unchecked and the port stays usable.
    const bool gpsDriver = kHasGpsDriver && ReadSettingNumber(SettingId::GpsApi) != 0;
    CheckDlgButton(dialog, IDC_GPSCFG_SIMULATION, simulation ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, IDC_GPSCFG_GPSAPI, gpsDriver ? BST_CHECKED : BST_UNCHECKED);
    // Both set (a hand-edited file): the simulation wins, as it does at the
    // connect, and its box stays usable.
    if (simulation)
        EnableControls(dialog, {IDC_GPSCFG_PORT, IDC_GPSCFG_BAUD, IDC_GPSCFG_GPSAPI}, false);
    else if (gpsDriver)
        EnableControls(dialog, {IDC_GPSCFG_PORT, IDC_GPSCFG_BAUD, IDC_GPSCFG_SIMULATION}, false);
}

// Typing is limited in characters; a name of characters beyond ASCII can
// still be too long in UTF-8. Its tail goes at once, so that the text seen
// is the text stored and opened.
void KeepPortNameStorable(HWND dialog)
{
    HWND port = GetDlgItem(dialog, IDC_GPSCFG_PORT);
    wchar_t text[kComboTextChars + 1] = {};
    GetWindowTextW(port, text, kComboTextChars + 1);
    char stored[kGpsPortNameSize];
    size_t used = 0;
    PortNameForSetting(text, stored, sizeof stored, &used);
    if (text[used] == L'\0')
        return;
    text[used] = L'\0';
    SetWindowTextW(port, text);
    SendMessageW(port, CB_SETEDITSEL, 0, MAKELPARAM(used, used));
}

void ApplyGpsConfig(HWND dialog)
{
    wchar_t text[kComboTextChars + 1] = {};
    GetDlgItemTextW(dialog, IDC_GPSCFG_PORT, text, kComboTextChars + 1);
    char port[kGpsPortNameSize];
    PortNameForSetting(text, port, sizeof port);
    WriteSettingText(SettingId::GpsPort, port);

    // The speed goes in as typed; one that is not a number reads back as 0
    // at the connect, which then fails.
    std::memset(text, 0, sizeof text);
    GetDlgItemTextW(dialog, IDC_GPSCFG_BAUD, text, kComboTextChars + 1);
    const std::string speed = WideToUtf8(text);
    const SETTING_KEY& key = GetSettingKey(SettingId::GpsSpeed);
    if (SettingsDocument)
        WriteSettingString(key.path, key.attribute, speed.c_str(), nullptr, SettingsDocument.get());

    WriteSettingNumber(SettingId::GpsSimu, IsChecked(dialog, IDC_GPSCFG_SIMULATION) ? 1 : 0);
    WriteSettingNumber(SettingId::GpsApi, IsChecked(dialog, IDC_GPSCFG_GPSAPI) ? 1 : 0);
}

void OnGpsApiClicked(HWND dialog)
{
    if (!kHasGpsDriver) {
        MessageBoxW(dialog, kGpsApiOnlyOnHandheld, kProgramTitle, MB_OK);
        CheckDlgButton(dialog, IDC_GPSCFG_GPSAPI, BST_UNCHECKED);
        return;
    }
    EnableControls(dialog, {IDC_GPSCFG_PORT, IDC_GPSCFG_BAUD, IDC_GPSCFG_SIMULATION},
                   !IsChecked(dialog, IDC_GPSCFG_GPSAPI));
}

bool OnGpsConfigCommand(HWND dialog, WPARAM wParam)
{
    const int id = LOWORD(wParam);
    const int code = HIWORD(wParam);
    switch (id) {
    case IDOK:
        ApplyGpsConfig(dialog);
        EndDialog(dialog, IDOK);
        return true;
    case IDCANCEL:
        EndDialog(dialog, IDCANCEL);
        return true;
    case IDC_GPSCFG_SIMULATION:
        if (code == BN_CLICKED)
            EnableControls(dialog, {IDC_GPSCFG_PORT, IDC_GPSCFG_BAUD, IDC_GPSCFG_GPSAPI},
                           !IsChecked(dialog, IDC_GPSCFG_SIMULATION));
        return true;
    case IDC_GPSCFG_GPSAPI:
        if (code == BN_CLICKED)
            OnGpsApiClicked(dialog);
        return true;
    case IDC_GPSCFG_PORT:
        if (code == CBN_EDITCHANGE)
            KeepPortNameStorable(dialog);
        return true;
    }
    return false;
}

// ---------------------------------------------------------------------------
// "DIALOG_BACKNMEA": the edits start with their template's texts.

// An edit's text as an unsigned 32-bit number: digits between blanks, else 0
// (letters, a sign, an overflow). Read here rather than by GetDlgItemInt,
// which takes "-1" for 4294967295 on some systems and for nothing on others.
uint32_t ReadUnsignedField(HWND dialog, int id)
{
    wchar_t text[kComboTextChars + 1] = {};
    GetDlgItemTextW(dialog, id, text, kComboTextChars + 1);
    const wchar_t* c = text;
    while (*c == L' ')
        ++c;
    uint64_t value = 0;
    const wchar_t* digits = c;
    for (; *c >= L'0' && *c <= L'9'; ++c) {
        value = value * 10 + static_cast<uint64_t>(*c - L'0');
        if (value > UINT32_MAX)
            return 0;
    }
    while (*c == L' ')
        ++c;
    return c == digits || *c ? 0 : static_cast<uint32_t>(value);
}

INT_PTR CALLBACK BackToNmeaDlgProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_INITDIALOG:
        PrepareDialog(dialog);
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            auto* params = reinterpret_cast<SIRF_NMEA_PARAMS*>(GetWindowLongPtrW(dialog, DWLP_USER));
            // A rate keeps its low 8 bits.
            for (size_t i = 0; i < std::size(kBackToNmeaRateEdits); ++i)
                params->rates[i] = static_cast<uint8_t>(ReadUnsignedField(dialog, kBackToNmeaRateEdits[i]) & 0xFF);
            params->baud = ReadUnsignedField(dialog, IDC_BACKNMEA_BAUD);
            EndDialog(dialog, IDOK);
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

// ---------------------------------------------------------------------------
// The SIRF menu.

// "Switch to NMEA..." means something only once SiRF binary has come in.
void SwitchReceiverToNmea(HWND window)
{
    if (GpsInputKind.load() == kGpsInputNmea)
        return;
    SIRF_NMEA_PARAMS params = kSirfNmeaDefaults;
    if (RunDialog(window, kBackToNmeaTemplate, BackToNmeaDlgProc, reinterpret_cast<LPARAM>(&params)) == IDCANCEL)
        return;
    SendSirfSwitchToNmea(&GpsDevice, &params);
}

// The rate as typed, read as atol reads it but saturated.
void AskAndSetRate(HWND window, int message)
{
    wchar_t text[kTextEntryBufferSize] = {};
    if (!ShowTextEntryDialog(window, kRateTitle, kRatePrompt, text) || message < 0)
        return;
    char narrow[kTextEntryBufferSize] = {};
    for (size_t i = 0; i < kTextEntryChars && text[i]; ++i)
        narrow[i] = text[i] < 0x80 ? static_cast<char>(text[i]) : '?';
    char sentence[64];
    if (FormatSirfRateSentence(message, ParseCommandNumber(narrow), sentence, sizeof sentence))
        SendNmeaSentence(&GpsDevice, sentence);
}

bool RepaintsAfter(int command)
{
    return command == IDM_SIRF_TO_BINARY || command == IDM_SIRF_TO_NMEA || command == IDM_SIRF_DEBUG_ON ||
           command == IDM_SIRF_DEBUG_OFF || SirfRateMessage(command) >= 0;
}

}  // namespace

INT_PTR CALLBACK GpsConfigDlgProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM)
{
    switch (msg) {
    case WM_INITDIALOG:
        FillGpsConfig(dialog);
        return TRUE;
    case WM_COMMAND:
        return OnGpsConfigCommand(dialog, wParam) ? TRUE : FALSE;
    }
    return FALSE;
}

INT_PTR ShowGpsConfigDialog(HWND window)
{
    const INT_PTR result = RunDialog(window, kGpsConfigTemplate, GpsConfigDlgProc, 0);
    if (result == IDOK && window)
        RefreshWindow(window);
    return result;
}

size_t PortNameForSetting(const wchar_t* text, char* out, size_t size, size_t* wideUsed)
{
    size_t used = 0, bytes = 0;
    if (out && size)
        out[0] = '\0';
    while (text && out && size && text[used]) {
        // One character: a surrogate pair goes whole or not at all.
        const size_t units = IS_HIGH_SURROGATE(text[used]) && IS_LOW_SURROGATE(text[used + 1]) ? 2 : 1;
        char piece[8];
        const int n = WideCharToMultiByte(CP_UTF8, 0, text + used, static_cast<int>(units), piece, sizeof piece,
                                          nullptr, nullptr);
        if (n <= 0 || bytes + static_cast<size_t>(n) > size - 1)
            break;
        std::memcpy(out + bytes, piece, static_cast<size_t>(n));
        bytes += static_cast<size_t>(n);
        out[bytes] = '\0';
        used += units;
    }
    if (wideUsed)
        *wideUsed = used;
    return bytes;
}

LRESULT HandleSirfCommand(HWND window, int command)
{
    if (const char* sentence = SirfCommandSentence(command)) {
        // Already in SiRF binary, the receiver would take the sentence for noise.
        if (command != IDM_SIRF_TO_BINARY || GpsInputKind.load() != kGpsInputSirf)
            SendNmeaSentence(&GpsDevice, sentence);
    } else if (command == IDM_SIRF_TO_NMEA) {
        SwitchReceiverToNmea(window);
    } else if (command >= IDM_SIRF_RATE_GGA && command <= kLastRateEntryCommand) {
        AskAndSetRate(window, SirfRateMessage(command));
    }
    if (RepaintsAfter(command) && window)
        RefreshWindow(window);
    return 0;
}

