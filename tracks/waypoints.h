// tracks/waypoints.h - the waypoints: the vector rebuilt from the settings
// document's element "waypoints", the waypoint list (screen 7) with its
// categories and commands, and picking a waypoint. UI thread only.
#pragma once
#include "gps/gps_record.h"

#include <windows.h>

#include <cstddef>
#include <vector>

class XMLElement;

// The waypoint vector, rebuilt whole from the settings document after every
// change. GPS_CURRENT::nearestWaypoint is a 1-based index into it. UI thread
// only.
extern std::vector<WAYPOINT> Waypoints;
// The element "waypoints" under the settings document's root (borrowed from
// the tree); set when the settings are opened, null while none are.
extern XMLElement* WaypointsElement;
// The category the waypoint list shows; null stands for WaypointsElement.
// New waypoints and categories go into it.
extern XMLElement* OpenWaypointCategory;

// The length of text cut to at most maxBytes bytes without splitting a UTF-8
// sequence (a cut never leaves a lead byte without its continuation bytes).
size_t Utf8CutLength(const char* text, size_t maxBytes);
// The name into a WAYPOINT's name field: cut as Utf8CutLength(name, 99) and
// terminated; null gives "".
void SetWaypointName(WAYPOINT* waypoint, const char* name);

// Replaces Waypoints with every element below WaypointsElement, at any
// depth, that is not a category "c", in document order. Missing or
// non-numeric coordinates read as 0. Empty without a WaypointsElement.
void RebuildWaypointList();
// Appends a "w" (name cut to 99 bytes, "%f" coordinates) to the open
// category or WaypointsElement. Unless defer: saves the settings document,
// rebuilds the vector and refills the waypoint list when screen 7 shows.
// Nothing without a WaypointsElement. window is only passed to the refill.
void AddWaypointElement(HWND window, double x, double y, double z, const char* name, bool defer);
// Appends a category "c" named name (any text) to parent; the new element,
// or null for a null parent. Serves the waypoint and the track categories.
XMLElement* AppendCategoryElement(XMLElement* parent, const char* name);

// The waypoint list (screen 7): one row per child of the shown element, so
// a row's index is its child's index and its item data the child. A
// category fills "#" and "<name>"; a waypoint also X and Y in the
// coordinate format and Z as "%.2f". UI thread only.
//
// Empties list and shows element: null or WaypointsElement show the top
// level and close the open category, any other element becomes the open
// category. window is not used.
void FillWaypointList(HWND window, HWND list, XMLElement* element);
// The element of row item (-1: the first selected row) of the waypoint
// list, or null when there is none or the row does not show the open
// category's child of that index. A waypoint fills *waypoint (when given)
// from the Name column and its x, y, z, cell id 0; a category is returned
// only with categories set and leaves *waypoint alone. window is not used.
XMLElement* GetListItemWaypoint(HWND window, HWND list, int item, WAYPOINT* waypoint, bool categories);
// Back on the waypoint list: shows the parent of the open category (true);
// false when the top level shows (the caller leaves the screen).
bool WaypointListBack(HWND list);
// The waypoint commands 1240-1250 for WM_COMMAND: edit, add, delete, move,
// categories, and "go to" routes. Every one ends silently when its
// selection, the recorder state or a dialog does not allow it. The list is
// the window's child IDC_MAIN_LISTVIEW. Ids 1701-1799 go on to
// WaypointMapCommand. Always 0.
LRESULT WaypointCommand(HWND window, WPARAM wParam);
// The selected waypoint of the waypoint list on a map: "View in Map" (1400
// the Map screen, 1401 and 1411 a proxy web map page) and "View in External
// Map" (1701-1703, a public page), each after its screen was entered; the
// web map screen's "Zoom In" and "Zoom Out" (1402, 1403) go on to
// WebMapZoomCommand (maps/web_map.h). Nothing without a selected waypoint
// on the waypoint list. Always 0.
LRESULT WaypointMapCommand(HWND window, WPARAM wParam);

// The waypoint the last pick from the waypoint list took (centring the map,
// the measuring tool). UI thread only.
extern WAYPOINT PickedWaypoint;
// OK while picking: the selected waypoint of list into PickedWaypoint;
// false when no waypoint is selected (the list stays open).
bool TakePickedWaypoint(HWND list);
