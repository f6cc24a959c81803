// tracks/track_document.h - the track document "pathvextrk.xml": opening
// it (a damaged file kept aside), the track list (screen 6) with its
// categories, and reading and appending tracks and points. UI thread only.
#pragma once
#include "gps/gps_record.h"

#include <windows.h>

#include <cstdint>
#include <memory>

class XMLDocument;
class XMLElement;
struct TRACK;

// Full name of "pathvextrk.xml" beside the settings file; formed when the
// settings are opened. Empty: the track document is not bound to a file.
extern wchar_t TrackDocumentPath[MAX_PATH];
// The open track document, or null while it is released.
extern std::unique_ptr<XMLDocument> TrackDocument;
// The element the track list shows and new tracks go into: "tracks" or a
// category below it; null while the document is released.
extern XMLElement* CurrentTrackElement;
// Appended to the track file's name when a damaged file is kept aside.
inline constexpr wchar_t kDamagedTrackSuffix[] = L".bad";

// FillTrackList's mode "save": every bit set.
inline const HWND kTrackListSave = reinterpret_cast<HWND>(~static_cast<uintptr_t>(0));

// The track document and its list, by the arguments given:
// - mode kTrackListSave: saves the open document to its file; nothing else.
// - all three null: releases the document.
// - element is the document's root: releases it, then as below.
// - otherwise: empties list (when given); opens the document when it is
//   released (CurrentTrackElement becomes "tracks", element is ignored),
//   else CurrentTrackElement becomes element or "tracks"; then, with a list,
//   lists CurrentTrackElement's children: "#", the name ("<name>" for a
//   category), the child count; the length column stays empty.
// A file that does not parse is renamed to "pathvextrk.xml.bad" (".bad2" ...
// when taken) and reported once; the document then starts empty. When it
// cannot be renamed it is never written over (the document is bound to no
// file and saves do nothing).
void FillTrackList(HWND mode, HWND list, XMLElement* element);
// Opens the track document when it is released; keeps CurrentTrackElement
// otherwise. True when a document is open afterwards.
bool OpenTrackDocument();
// Back on the track list: shows the parent of a category below "tracks"
// (true), else releases the document (false: the caller leaves the screen).
bool TrackListBack(HWND list);

// Appends the points of child index of CurrentTrackElement (first to last,
// or last to first when reversed) to track->points, each a zeroed record
// with x, y, z, mark "s" and cell id "c" (into both cell ids); sets the name
// from "n" and normalised from "norm" != 0. Missing attributes read as 0 or
// "" and are not added to the document. Opens the document when needed;
// an index past the children changes nothing.
void ReadTrackPoints(uint32_t index, TRACK* track, bool reversed);

// Fields of a stored point beside x, y, z (and "s", written whenever the
// mark is not 0), in their file order s, c, spd, time.
inline constexpr unsigned kPointCellId = 1;   // "c": "%u" of the point's cell id
inline constexpr unsigned kPointSpeed = 2;    // "spd": "%.2f" in SpeedUnit
inline constexpr unsigned kPointTime = 4;     // "time": the local "%02u:%02u:%02u"
// Appends a track "t" named name (any text) to parent; null for a null parent.
XMLElement* AppendTrackElement(XMLElement* parent, const char* name);
// Appends one "p" for point to track. Coordinates are printed "%f" at any
// magnitude; a coordinate that is not finite is written as 0.
XMLElement* AppendTrackPoint(XMLElement* track, const GPS_CURRENT& point, unsigned fields);
