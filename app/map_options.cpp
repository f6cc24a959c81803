// "DIALOG_MAPOPTIONS": the map switches and the maps folder, rescanned on OK.
#include "app/options.h"

#include "kit/program.h"
#include "maps/offline_maps.h"
#include "resources/resource.h"
#include "xml/utf8text.h"

#include <cstring>
#include <iterator>
#include <string>

namespace {

using I = SettingId;
using K = BoundKind;

// What the edit takes; the setting holds fewer bytes (kOfflineMapsFolderSize
// - 1 of UTF-8), and a longer folder is refused rather than cut to another.
constexpr int kFolderChars = 400;
constexpr wchar_t kFolderTooLong[] = L"The maps folder name is too long: at most 299 bytes.";

constexpr OPTION_BINDING kMapOptions[] = {
    {IDC_MAPOPT_DYNAMIC, K::Check, I::Lod, nullptr},
    {IDC_MAPOPT_FOLLOW, K::Check, I::Mfp, nullptr},
    {IDC_MAPOPT_COMPASS, K::Check, I::Mpc, nullptr},
    {IDC_MAPOPT_OFFLINE, K::Check, I::Lof, nullptr},
    {IDC_MAPOPT_SAVE_DYNAMIC, K::Check, I::Sdm, nullptr},
    {IDC_MAPOPT_ROTATE, K::Check, I::Mrp, nullptr},
    {IDC_MAPOPT_GRID, K::Check, I::Mug, nullptr},
};

// The folder as typed, as UTF-8; false when it does not fit the setting. An
// empty text is the default folder, which is what the setting reads back
// as at the next start.
bool FolderText(HWND dialog, std::string* folder)
{
    wchar_t typed[kFolderChars + 2] = {};
    const int length = GetDlgItemTextW(dialog, IDC_MAPOPT_FOLDER, typed, static_cast<int>(std::size(typed)));
    if (length > kFolderChars)
        return false;
    if (length == 0) {
        *folder = GetSettingKey(I::OfflineMaps).defaultText;
        return true;
    }
    const std::string utf8 = WideToUtf8(typed);
    if (utf8.empty() || utf8.size() >= size_t(kOfflineMapsFolderSize))   // the setting keeps a terminator
        return false;
    *folder = utf8;
    return true;
}

void FillMapOptions(HWND dialog)
{
    SendDlgItemMessageW(dialog, IDC_MAPOPT_FOLDER, EM_SETLIMITTEXT, kFolderChars, 0);
    SetDlgItemTextW(dialog, IDC_MAPOPT_FOLDER, SettingTextWide(OfflineMapsFolder).c_str());
}

bool AcceptMapOptions(HWND dialog)
{
    std::string folder;
    if (FolderText(dialog, &folder))
        return true;
    MessageBoxW(dialog, kFolderTooLong, kProgramTitle, MB_OK | MB_ICONEXCLAMATION);
    SetFocus(GetDlgItem(dialog, IDC_MAPOPT_FOLDER));
    return false;
}

// Rescanned also when the folder is unchanged: its files may have changed.
void ApplyMapOptions(HWND dialog)
{
    std::string folder;
    if (!FolderText(dialog, &folder))
        return;
    std::memset(OfflineMapsFolder, 0, sizeof OfflineMapsFolder);
    std::memcpy(OfflineMapsFolder, folder.data(), folder.size());
    ScanOfflineMaps(SettingTextWide(OfflineMapsFolder).c_str());
    WriteSettingGlobal(I::OfflineMaps);
}

// Online images and the maps folder exclude each other: checking one clears
// the other.
bool OnMapOptionsCommand(HWND dialog, WPARAM wParam)
{
    const int id = LOWORD(wParam);
    if (HIWORD(wParam) != BN_CLICKED || (id != IDC_MAPOPT_DYNAMIC && id != IDC_MAPOPT_OFFLINE))
        return false;
    if (IsDlgButtonChecked(dialog, id) == BST_CHECKED)
        CheckDlgButton(dialog, id == IDC_MAPOPT_DYNAMIC ? IDC_MAPOPT_OFFLINE : IDC_MAPOPT_DYNAMIC, BST_UNCHECKED);
    return true;
}

constexpr OPTION_DIALOG kMapOptionsDialog{kMapOptions, FillMapOptions, AcceptMapOptions, ApplyMapOptions,
                                          OnMapOptionsCommand};

}  // namespace

INT_PTR CALLBACK MapOptionsDlgProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM)
{
    return RunBoundDialog(dialog, msg, wParam, kMapOptionsDialog);
}

std::span<const OPTION_BINDING> MapOptionBindings()
{
    return kMapOptions;
}
