// tracks/exchange_internal.h - what the export and the import files of the
// KML and LOC exchange share: the file dialogs, the messages, and building
// and reading the elements of the exchanged documents.
#pragma once
#include <windows.h>

#include <string>

class XMLElement;
struct TRACK;

namespace exchangeimpl {

// The exchanged files as the system's dialogs offer them.
struct FILE_KIND {
    const wchar_t* filter;      // description and pattern, each ended by NUL
    const wchar_t* extension;   // appended when the user types none
};
inline constexpr FILE_KIND kKmlFiles = {L"KML files\0*.KML\0", L"kml"};
inline constexpr FILE_KIND kLocFiles = {L"LOC files\0*.LOC\0", L"loc"};
inline constexpr FILE_KIND kKmlOrLocFiles = {L"KML/LOC files\0*.KML;*.LOC\0", nullptr};

// The roots of the two kinds of file.
inline constexpr char kKmlRoot[] = "kml";
inline constexpr char kLocRoot[] = "loc";

// Characters of the dialogs' file name, with its end.
inline constexpr size_t kFileNameSize = 1000;

// The save dialog, proposing proposal; the chosen name, or "" on Cancel.
std::wstring AskSaveFile(HWND window, const FILE_KIND& kind, const std::wstring& proposal);
// The open dialog for KML and LOC files; the chosen name, or "" on Cancel.
std::wstring AskOpenFile(HWND window);

// A new last child of parent named name (stored escaped).
XMLElement* AppendElement(XMLElement* parent, const char* name);
// As AppendElement, holding text (stored escaped).
XMLElement* AppendTextElement(XMLElement* parent, const char* name, const std::string& text);
// The character data of element: its text nodes (unescaped) and CDATA
// sections in document order, joined by separator; "" for none (or a null
// element). The tree keeps each node's place among the child elements, not
// the order of text and CDATA between the same two children: there the
// text comes first.
std::string CharacterData(const XMLElement* element, const char* separator);

// The exports once their file is chosen, each written through the safe
// save; false, and the user told, when the file could not be written. The
// selected track as KML from the template "PATHXML", or its points as LOC
// waypoints "WP n"; every waypoint of the settings document; every track
// of the track file.
bool WriteTrackKml(HWND window, const TRACK& track, const std::wstring& path);
bool WriteTrackLoc(HWND window, const TRACK& track, const std::wstring& path);
bool WriteAllWaypointsKml(HWND window, const std::wstring& path);
bool WriteAllTracksKml(HWND window, const std::wstring& path);

// The import commands 1321 (waypoints preferred) and 1331 (a track preferred).
void ImportFile(HWND window, bool preferTrack);
// The same once the file is chosen: its points become one waypoint, the
// waypoints the user picks, or a track, after the questions asked.
void ImportChosenFile(HWND window, const std::wstring& file, bool preferTrack);

}  // namespace exchangeimpl
