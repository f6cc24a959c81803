// tracks/tracks_internal.h - helpers shared by the files of the tracks library.
#pragma once
#include "gps/geodesy.h"
#include "gps/gps_record.h"

#include <windows.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

class XMLElement;

namespace tracksimpl {

// Doubles printed with format ("%f", "%.2f", "%f,%f,%f"), sized to fit:
// 1e300 keeps all of its digits. A value that is not finite is written as
// 0, so the file holds a number that every reader takes back.
template <class... Values>
std::string FormatNumber(const char* format, Values... values)
{
    const auto finite = [](double v) { return std::isfinite(v) ? v : 0.0; };
    const int length = std::snprintf(nullptr, 0, format, finite(double(values))...);
    if (length <= 0)
        return "0";
    std::string text(static_cast<size_t>(length) + 1, '\0');
    std::snprintf(text.data(), text.size(), format, finite(double(values))...);
    text.resize(static_cast<size_t>(length));
    return text;
}

// The unescaped value of attribute name, or "" when it is missing. The
// element's attributes are not changed.
std::string AttributeText(const XMLElement* element, const char* name);
// The value of attribute name as a number, 0 when it is missing. The
// element's attributes are not changed.
double AttributeNumber(const XMLElement* element, const char* name);

// A new element tag with attribute "n" = name (null is ""), appended as the
// last child of parent; null without a parent. Track and category elements.
XMLElement* AppendNamedElement(XMLElement* parent, const char* tag, const char* name);

// The descendants of element (at any depth) named name, as the library's
// query "? == \"name\"" finds them: without regard to ASCII case, each
// after its own descendants. None for a null element.
std::vector<XMLElement*> DescendantsNamed(XMLElement* element, const char* name);
// Whether element's unescaped name is name; false for null.
bool IsElementNamed(const XMLElement* element, const char* name);
// Sets attribute name (added when missing) to value, escaped.
void SetAttributeText(XMLElement* element, const char* name, const char* value);

// ---------------------------------------------------------------------------
// What the track and waypoint commands share (command_kit.cpp; the
// waypoints' refresh in waypoint_list.cpp).

inline constexpr char kCategoryTag[] = "c";
inline constexpr wchar_t kPositionNotValid[] = L"Warning: GPS position is not valid!\r\nContinue?";
inline constexpr wchar_t kAddCategoryTitle[] = L"Add Category";
inline constexpr wchar_t kNamePrompt[] = L"Name: ";
inline constexpr wchar_t kSelectCategoryTitle[] = L"Select Category";
inline constexpr wchar_t kSelectCategoryPrompt[] = L"Choose the category to move:";
inline constexpr wchar_t kParentCategory[] = L"..";
// Timer 4's period while a route is followed: a run track and the typed
// targets, and the waypoint go-to routes.
inline constexpr UINT kRouteTimerMs = 7000;
inline constexpr UINT kGoToTimerMs = 3000;

// The list view of the list screens: the window's child IDC_MAIN_LISTVIEW.
HWND CommandList(HWND window);
// The first selected row, or -1.
int SelectedRow(HWND list);
// Every selected row, in list order.
std::vector<int> SelectedRows(HWND list);
// The element a row carries as item data, or null.
XMLElement* RowElement(HWND list, int row);
// Whether row of list shows child row of parent: a list filled from
// another element, or from a document since released, shows nothing of it.
bool RowShowsChild(HWND list, int row, const XMLElement* parent);
// Removes rows (in list order) from list and their children from parent;
// a row that no longer shows its child of parent is left alone.
void DeleteRows(HWND list, const std::vector<int>& rows, XMLElement* parent);
// The selected row's element while the track list shows it (*row its
// row), else null.
XMLElement* SelectedTrackChild(HWND list, int* row);
// As SelectedTrackChild, but a category is no track, and a track without
// points has no leg to run, measure, thin or export: both give null.
XMLElement* SelectedTrack(HWND list, int* row);
void SetRowText(HWND list, int row, int column, const std::wstring& text);
std::wstring RowText(HWND list, int row, int column);

// The selected row's waypoint (or, with categories, category) while the
// waypoint list shows it; null otherwise.
XMLElement* SelectedWaypoint(HWND window, WAYPOINT* waypoint, bool categories);
// The proxy web map page of provider 1 or 2 on the selected waypoint, after
// the web map screen was entered (waypoint_map.cpp).
void ShowSelectedOnWebMapPage(HWND window, int provider);

// The element the waypoint list shows, where new waypoints and waypoint
// categories go: the open category, or WaypointsElement; null while no
// settings are open.
XMLElement* ShownWaypointElement();
// After a change to the stored waypoints: the settings document saved, the
// vector rebuilt and the waypoint list, when it shows, refilled from its
// top level.
void WaypointsChanged(HWND window);

// The shared dialogs (kit/dialogs.h) as the commands use them; each false
// when it is not confirmed. text: the preset and, on OK, the typed text (at
// most 1000 characters).
bool EnterText(HWND owner, const wchar_t* title, const wchar_t* prompt, std::wstring* text);
// The first chosen entry's index.
bool ChooseOne(HWND owner, const wchar_t* title, const wchar_t* prompt, const std::vector<std::wstring>& entries,
               size_t* chosen);
// "Select Category": the categories among the children of shown, and
// ".." for up when up is given; item (a child of shown) becomes the last
// child of the chosen one. False when nothing was moved (Cancel, no
// category, or item chosen as its own target).
bool MoveToChosenCategory(HWND owner, XMLElement* shown, XMLElement* item, XMLElement* up);
// "Distance go...": a distance in the distance unit and a bearing in
// degrees, and the point they lead to from start. False on Cancel and for
// input that leads to no point (not finite).
bool AskDistanceAndBearing(HWND owner, GeoPointF start, GeoPointF* target);

// Whether the GPS port runs the simulation.
bool SimulationRuns();
// The route's points, position, drawn path and route options set under
// LiveRecordGuard, the recorder state 3 last, so the reader's first step
// sees a whole route; timer 4 started with periodMs and "mfp" on.
void BeginRoute(HWND window, std::vector<GPS_CURRENT> points, uint32_t position, std::vector<GPS_POSITION> drawn,
                UINT periodMs);
// A route of one point at target, drawn from the live position to it;
// the view fitted to both, the track document released when asked, and
// the path screen shown.
void StartRouteToTarget(HWND window, const GPS_POSITION& target, UINT periodMs, bool releaseTracks);

// One row of a command table: a menu id and what it runs.
struct COMMAND_ENTRY {
    WORD id;
    void (*run)(HWND window);
};
// Runs the row of table that holds id; false when none does.
bool RunTableCommand(std::span<const COMMAND_ENTRY> table, HWND window, WORD id);

// The route and track list commands (1205-1207, 1251-1260) of TrackCommand;
// false for other ids.
bool RunRouteCommand(HWND window, WORD id);

}  // namespace tracksimpl
