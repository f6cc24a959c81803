// The Maps list screen: one row per offline map, and its "Map" menu.
#include "maps/offline_maps.h"

#include "kit/dialogs.h"
#include "kit/utils.h"
#include "maps/viewport.h"
#include "resources/resource.h"

#include <commctrl.h>
#include <shellapi.h>

#include <cwchar>
#include <iterator>

namespace {

constexpr wchar_t kDeleteQuestion[] = L"Are you sure you want to delete this map?";

// Room for "%f,%f" of any two floats (each at most 47 characters).
constexpr size_t kCornerTextSize = 128;
#if defined(PATHVEX_WM)
constexpr wchar_t kCornerFormat[] = L"%.3f,%.3f";
#else
constexpr wchar_t kCornerFormat[] = L"%f,%f";
#endif

void SetCellText(HWND list, int row, int column, const wchar_t* text)
{
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = const_cast<wchar_t*>(text);
    SendMessageW(list, LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
}

// The row selected in the main list view as an index into OfflineMaps (the
// rows are in collection order); -1 for none.
int SelectedMap(HWND window)
{
    const HWND list = GetDlgItem(window, IDC_MAIN_LISTVIEW);
    if (!list)
        return -1;
    const int row = ListViewNextItem(list, -1, LVNI_SELECTED);
    if (row < 0 || static_cast<size_t>(row) >= OfflineMaps.size())
        return -1;
    return static_cast<int>(row);
}

void ViewMap(HWND window, int index)
{
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.hwnd = window;
    info.lpVerb = L"open";
    info.lpFile = OfflineMaps[index].path;
    info.nShow = SW_SHOWMAXIMIZED;
    ShellExecuteExW(&info);
}

void DeleteMap(HWND window, int index)
{
    if (!AskYesNo(window, kDeleteQuestion, true))
        return;
    // A file that stays (locked, read-only) keeps its row: the list shows
    // what the folder holds.
    if (!DeleteFileW(OfflineMaps[index].path))
        return;
    OfflineMaps.erase(OfflineMaps.begin() + index);
    FillMapList(GetDlgItem(window, IDC_MAIN_LISTVIEW));
}

void LoadMapInView(HWND window, int index)
{
    const MAP_COLLECTION& m = OfflineMaps[index];
    MapViewport.minLongitude = m.west;
    MapViewport.maxLongitude = m.east;
    MapViewport.minLatitude = m.south;
    MapViewport.maxLatitude = m.north;
    PostMessageW(window, WM_COMMAND, IDM_SCREEN_MAP, 0);
}

struct MapListEntry {
    int id;
    void (*run)(HWND window, int index);
};

constexpr MapListEntry kMapListCommands[] = {
    {IDM_MAPLIST_VIEW, ViewMap},
    {IDM_MAPLIST_DELETE, DeleteMap},
    {IDM_MAPLIST_LOAD, LoadMapInView},
};

}  // namespace

void FillMapList(HWND listView)
{
    if (!listView)
        return;
    SendMessageW(listView, LVM_DELETEALLITEMS, 0, 0);
    wchar_t text[kCornerTextSize];
    for (size_t i = 0; i < OfflineMaps.size(); ++i) {
        const MAP_COLLECTION& m = OfflineMaps[i];
        std::swprintf(text, std::size(text), L"%u", static_cast<unsigned>(i + 1));
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = static_cast<int>(i);
        item.pszText = text;
        const int row = static_cast<int>(
            SendMessageW(listView, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
        if (row < 0)
            continue;
        std::swprintf(text, std::size(text), kCornerFormat, static_cast<double>(m.west),
                      static_cast<double>(m.north));
        SetCellText(listView, row, 1, text);
        std::swprintf(text, std::size(text), kCornerFormat, static_cast<double>(m.east),
                      static_cast<double>(m.south));
        SetCellText(listView, row, 2, text);
    }
}

LRESULT MapListCommand(HWND window, WPARAM wParam)
{
    const int id = LOWORD(wParam);
    for (const MapListEntry& c : kMapListCommands) {
        if (c.id != id)
            continue;
        const int index = SelectedMap(window);
        if (index >= 0)
            c.run(window, index);
        return 0;
    }
    return 0;
}
