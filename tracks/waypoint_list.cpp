// The waypoint list (screen 7) and its commands: edit, add, delete, move,
// categories, and "go to" routes to a waypoint.
//
// The list shows the children of the open category (or of "waypoints") by
// index; a command acts on a row only while it still shows that child.
#include "tracks/tracks.h"

#include "gps/geodesy.h"
#include "gps/gps.h"
#include "kit/dialogs.h"
#include "kit/display.h"
#include "kit/screen_state.h"
#include "kit/settings.h"
#include "resources/resource.h"
#include "tracks/tracks_internal.h"
#include "xml/utf8text.h"
#include "xml/xml.h"

#include <commctrl.h>

#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

using namespace tracksimpl;

namespace {

constexpr wchar_t kDeleteWaypointsQuestion[] = L"Delete selected categories/waypoints?";
constexpr wchar_t kPositionSimulated[] = L"Warning: GPS position is simulated!\r\nContinue?";
constexpr wchar_t kEditTitle[] = L"Name";
constexpr wchar_t kEditPrompt[] = L"Enter name:";
constexpr wchar_t kAddTitle[] = L"Add Waypoint";
constexpr int kColumns = 5;
constexpr int kNameColumn = 1;
constexpr int kDecimalCoordinates = 1;   // "xmv": the stored texts

double Coordinate(const XMLElement* element, const char* name)
{
    return std::strtod(AttributeText(element, name).c_str(), nullptr);
}

std::wstring CoordinateText(const XMLElement* element, const char* name, int axis)
{
    if (CoordinateMode == kDecimalCoordinates)
        return Utf8ToWide(AttributeText(element, name));
    wchar_t text[kCoordinateTextSize];
    FormatCoordinateDms(Coordinate(element, name), text, kCoordinateTextSize, axis, nullptr, nullptr, nullptr,
                        nullptr, nullptr);
    return text;
}

void AddRow(HWND list, uint32_t index, const XMLElement* child)
{
    std::wstring number = std::to_wstring(index + 1);
    LVITEMW lv{};
    lv.mask = LVIF_TEXT | LVIF_PARAM;
    lv.iItem = int(index);
    lv.pszText = number.data();
    lv.lParam = reinterpret_cast<LPARAM>(child);
    const int row = int(SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&lv)));
    if (row < 0 || !child)
        return;
    const std::wstring name = Utf8ToWide(AttributeText(child, "n"));
    if (IsElementNamed(child, kCategoryTag)) {
        SetRowText(list, row, kNameColumn, L"<" + name + L">");
        return;
    }
    SetRowText(list, row, kNameColumn, name);
    SetRowText(list, row, 2, CoordinateText(child, "x", 0));
    SetRowText(list, row, 3, CoordinateText(child, "y", 1));
    wchar_t z[64];
    std::swprintf(z, 64, L"%.2f", double(float(Coordinate(child, "z"))));
    SetRowText(list, row, 4, z);
}

// The name typed for a waypoint, as much as the record holds.
std::string WaypointName(const std::wstring& typed)
{
    const std::string name = WideToUtf8(typed);
    return name.substr(0, Utf8CutLength(name.c_str(), kWaypointNameSize - 1));
}

// "%f" of the double itself: a waypoint opened and confirmed unchanged
// stays where it was.
void SetCoordinate(XMLElement* element, const char* name, double value)
{
    SetAttributeText(element, name, FormatNumber("%f", value).c_str());
}

void CmdEdit(HWND window)
{
    WAYPOINT waypoint{};
    XMLElement* element = SelectedWaypoint(window, &waypoint, false);
    if (!element)
        return;
    std::wstring name = Utf8ToWide(waypoint.name);
    if (!EnterText(window, kEditTitle, kEditPrompt, &name))
        return;
    double x = waypoint.pos.x;
    double y = waypoint.pos.y;
    double z = waypoint.pos.z;
    if (!ShowXyzDialog(window, &x, &y, &z))
        return;
    SetAttributeText(element, "n", WaypointName(name).c_str());
    SetCoordinate(element, "x", x);
    SetCoordinate(element, "y", y);
    SetCoordinate(element, "z", z);
    WaypointsChanged(window);
}

void AddNamedWaypoint(HWND window, double x, double y, double z)
{
    std::wstring name;
    if (!EnterText(window, kAddTitle, kNamePrompt, &name))
        return;
    AddWaypointElement(window, x, y, z, WideToUtf8(name).c_str(), false);
}

void CmdAddManually(HWND window)
{
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
    if (!ShowXyzDialog(window, &x, &y, &z))
        return;
    AddNamedWaypoint(window, x, y, z);
}

void CmdAddCurrentPosition(HWND window)
{
    const GPS_CURRENT live = GpsDevice.Snapshot();
    if (live.fix != 1 && !AskYesNo(window, kPositionNotValid, true))
        return;
    if (SimulationRuns() && !AskYesNo(window, kPositionSimulated, true))
        return;
    AddNamedWaypoint(window, live.pos.x, live.pos.y, live.pos.z);
}

// The rows go directly; the list is not refilled.
void CmdDelete(HWND window)
{
    HWND list = CommandList(window);
    XMLElement* shown = ShownWaypointElement();
    const std::vector<int> rows = SelectedRows(list);
    if (rows.empty() || !shown || CurrentScreen != kScreenWaypoints)
        return;
    if (!AskYesNo(window, kDeleteWaypointsQuestion, true))
        return;
    DeleteRows(list, rows, shown);
    SaveSettingsDocument();
    RebuildWaypointList();
}

void GoTo(HWND window, bool atDistance)
{
    if (RecorderState.load() != kRecorderIdle)
        return;
    WAYPOINT waypoint{};
    if (!SelectedWaypoint(window, &waypoint, false))
        return;
    GPS_POSITION target = waypoint.pos;
    if (atDistance) {
        GeoPointF moved{};
        if (!AskDistanceAndBearing(window, GeoPointF{float(target.x), float(target.y)}, &moved))
            return;
        target.x = moved.x;
        target.y = moved.y;
    }
    if (!ShowPlayOptionsDialog(window))
        return;
    StartRouteToTarget(window, target, kGoToTimerMs, false);
}

void CmdGo(HWND window)
{
    GoTo(window, false);
}

void CmdGoAtDistance(HWND window)
{
    GoTo(window, true);
}

void CmdMove(HWND window)
{
    XMLElement* item = SelectedWaypoint(window, nullptr, true);
    XMLElement* shown = ShownWaypointElement();
    if (!item || !shown)
        return;
    XMLElement* up = OpenWaypointCategory ? OpenWaypointCategory->GetParent() : nullptr;
    if (MoveToChosenCategory(window, shown, item, up))
        WaypointsChanged(window);
}

void CmdAddCategory(HWND window)
{
    XMLElement* shown = ShownWaypointElement();
    if (!shown)
        return;
    std::wstring name;
    if (!EnterText(window, kAddCategoryTitle, kNamePrompt, &name))
        return;
    AppendCategoryElement(shown, WideToUtf8(name).c_str());
    WaypointsChanged(window);
}

void CmdWebMapFirst(HWND window)
{
    ShowSelectedOnWebMapPage(window, 1);
}

void CmdWebMapSecond(HWND window)
{
    ShowSelectedOnWebMapPage(window, 2);
}

constexpr COMMAND_ENTRY kWaypointCommands[] = {
    {IDM_WAYPOINT_EDIT, CmdEdit},
    {IDM_WAYPOINT_ADD, CmdAddManually},
    {IDM_WAYPOINT_ADD_HERE, CmdAddCurrentPosition},
    {IDM_WAYPOINT_DELETE, CmdDelete},
    {IDM_WAYPOINT_GO, CmdGo},
    {IDM_WAYPOINT_MOVE, CmdMove},
    {IDM_WAYPOINT_GMAP, CmdWebMapFirst},
    {IDM_WAYPOINT_YMAP, CmdWebMapSecond},
    {IDM_WAYPOINT_ADD_CATEGORY, CmdAddCategory},
    {IDM_WAYPOINT_GO_DISTANCE, CmdGoAtDistance},
};

}  // namespace

XMLElement* tracksimpl::SelectedWaypoint(HWND window, WAYPOINT* waypoint, bool categories)
{
    if (CurrentScreen != kScreenWaypoints)
        return nullptr;
    return GetListItemWaypoint(window, CommandList(window), -1, waypoint, categories);
}

void tracksimpl::WaypointsChanged(HWND window)
{
    SaveSettingsDocument();
    RebuildWaypointList();
    if (CurrentScreen == kScreenWaypoints)
        FillWaypointList(window, CommandList(window), nullptr);
}

void FillWaypointList(HWND, HWND list, XMLElement* element)
{
    if (list)
        SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    OpenWaypointCategory = element == WaypointsElement ? nullptr : element;
    XMLElement* shown = ShownWaypointElement();
    if (!list || !shown)
        return;
    const uint32_t count = shown->GetChildCount();
    for (uint32_t i = 0; i < count; ++i)
        AddRow(list, i, shown->GetChild(i));
    if (count)
        AutoSizeColumns(list, kColumns);
}

XMLElement* GetListItemWaypoint(HWND, HWND list, int item, WAYPOINT* waypoint, bool categories)
{
    const int row = item == -1 ? SelectedRow(list) : item;
    XMLElement* element = RowElement(list, row);
    if (!element || !RowShowsChild(list, row, ShownWaypointElement()))
        return nullptr;
    if (IsElementNamed(element, kCategoryTag))
        return categories ? element : nullptr;
    if (waypoint) {
        *waypoint = WAYPOINT{};
        SetWaypointName(waypoint, WideToUtf8(RowText(list, row, kNameColumn)).c_str());
        waypoint->pos.x = Coordinate(element, "x");
        waypoint->pos.y = Coordinate(element, "y");
        waypoint->pos.z = Coordinate(element, "z");
    }
    return element;
}

bool WaypointListBack(HWND list)
{
    if (!OpenWaypointCategory)
        return false;
    FillWaypointList(nullptr, list, OpenWaypointCategory->GetParent());
    return true;
}

bool TakePickedWaypoint(HWND list)
{
    WAYPOINT picked{};
    if (!GetListItemWaypoint(nullptr, list, -1, &picked, false))
        return false;
    PickedWaypoint = picked;
    return true;
}

LRESULT WaypointCommand(HWND window, WPARAM wParam)
{
    const WORD id = LOWORD(wParam);
    if (RunTableCommand(kWaypointCommands, window, id))
        return 0;
    if (id >= IDM_EXTMAP_FIRST && id <= IDM_EXTMAP_LAST)
        WaypointMapCommand(window, wParam);
    return 0;
}
