// tracks/exchange.h - KML 2.1 and LOC exchange: waypoints and tracks
// exported to files and imported from them. UI thread only.
#pragma once
#include "gps/gps_record.h"

#include <windows.h>

#include <vector>

// The exchange commands 1301-1399 for WM_COMMAND: one KML or LOC file per
// selected waypoint, every waypoint as KML, the selected track as KML (from
// the template "PATHXML") or LOC, every track as KML, and the imports of a
// KML or LOC file as waypoints or as a track. Files are chosen in the
// system's save and open dialogs; exports go through the XML library's safe
// save, so a file that cannot be written leaves the old one as it was, and
// the user is told. A track export refuses a category and a track without
// points. An import reads its file on a thread of its own while the window
// serves its messages without taking input. Other ids and messages do
// nothing. Always 0. UI thread.
LRESULT ExchangeCommand(HWND window, WPARAM wParam);
// Appends the points of a KML file: its one Placemark, or the one the user
// picks among several ("Select Placemarks"), as the Point or the tuples of
// the LineString (split at any run of whitespace), each named by the
// Placemark's name (cut to 99 bytes); names and coordinates are the
// elements' text and CDATA together. A file that does not parse, a root
// other than "kml", a missing "coordinates" give nothing; tuples without
// longitude and latitude, or with a value that is not finite or outside
// -180..180 / -90..90, are skipped. False when the user cancelled the choice.
bool ImportKmlLoc(HWND window, const wchar_t* file, std::vector<WAYPOINT>* points);
// Appends the waypoints of a LOC file (root "loc"): the name from the "id"
// of each entry's "name" ("" without one), x and y from "lon" and "lat" of
// its "coord", z 0. Entries without "coord", or with a position refused as
// above, are skipped. window is not used.
void ReadLocFile(HWND window, const wchar_t* file, std::vector<WAYPOINT>* points);
