// tracks/tracks.h - tracks, waypoints and the recorder.
//
// Offers the records and program-wide values that the recorder, route
// following and the waypoint list keep, and that the panes, the map painter
// and the main window read: the recorder state, the one active track (a
// recording or a followed route) with the route position, the drawn path,
// the speed limits, the trip distance and time, and the waypoint vector.
// Beside them: the waypoints stored in the settings document and the vector
// rebuilt from them with their list and commands, the track document
// "pathvextrk.xml" with its track list and commands, the recorder (start,
// the tick after every batch of receiver input, stop, and the recording
// commands), normalisation, route following with its turn search, and the
// KML and LOC exchange.
//
// Threads: the reader thread writes ActiveTrack, DrawnPath, RoutePosition,
// RouteProgress, TrackDistance and, at arrival, RecorderState (the recorder
// tick and route following) and the UI thread reads them (painting, the
// turn search, the stop, the commands). Both sides do so only while holding
// the live record's lock, LiveRecordGuard of GpsDevice (gps/gps.h): one lock
// for the live record and this state, so a painter that reads both sees one
// consistent moment and no lock order can be got wrong. A route is replaced
// only under that lock, with the recorder state set to 3 last, so neither
// side reads a position beyond it, and only by the route commands' start,
// which installs with it the index that spares route following a scan of
// the whole route under the lock. Route following reads the settings from
// RouteOptions, a copy the UI thread renews under the lock; it never touches
// the main window's timers (arrival posts WM_ROUTEARRIVED). Scalars that
// either thread reads without the lock are atomic. Everything else here
// (the waypoints, the track document, the settings that only the UI reads)
// belongs to the UI thread alone.
//
// Names typed by the user or read from files are stored through the XML
// library's escaping setters, so any character survives a save and reload.
// Nothing here throws; failures are return values, and the one failure the
// user must know of (a damaged track file) is told through TrackMessageBox.
#pragma once
#include "gps/gps_record.h"

#include <windows.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

class GpsPort;
class XMLDocument;
class XMLElement;

// ---------------------------------------------------------------------------
// Recorder and route state

// RecorderState values.
inline constexpr int32_t kRecorderIdle = 0;
inline constexpr int32_t kRecorderRecording = 1;
inline constexpr int32_t kRecorderPaused = 2;
inline constexpr int32_t kRecorderFollowing = 3;   // a run track or a go-to target

// 0 idle, 1 recording, 2 paused, 3 following a route. Changed by the UI
// thread under LiveRecordGuard (route arrival: the reader thread, likewise),
// so a tick never sees a state that does not match ActiveTrack.
extern std::atomic<int32_t> RecorderState;

// One track in memory: a stored track read back, a recording, or a route.
struct TRACK {
    std::string name;              // UTF-8; empty while recording
    float angleThreshold;          // degrees; recording filter of ActiveTrack only
    float speedThreshold;          // km/h; recording filter of ActiveTrack only
    bool normalised;               // the stored track carries norm != 0
    std::vector<GPS_CURRENT> points;
};

// The one program-wide track: the stored fixes while recording, the route
// while following. Under LiveRecordGuard.
extern TRACK ActiveTrack;
// Index into ActiveTrack.points of the route point being approached. It may
// lie beyond the points (an empty route): readers check it. Under
// LiveRecordGuard.
extern uint32_t RoutePosition;

// Route following's memory between fixes; a recording's start resets it.
// Under LiveRecordGuard.
struct ROUTE_PROGRESS {
    bool recalculate;          // the next step advances unconditionally
    int32_t advanceCounter;    // km/h summed while leaving the current point
    double currentKm;          // remembered distance to the current route point
    double nextKm;             // remembered distance to the point after it
};
extern ROUTE_PROGRESS RouteProgress;

// The points the map painter draws as a path: the stored positions of a
// recording (with "drp" on), or a route's points. Under LiveRecordGuard.
extern std::vector<GPS_POSITION> DrawnPath;

// Speed limits in whole km/h, 0 = off; not stored. The speed-limit dialog
// sets both, the marks of a followed route set the high one.
extern std::atomic<int32_t> LowSpeedLimit;
extern std::atomic<int32_t> HighSpeedLimit;
// "slw": sound "SPD" outside the limits and on new route marks.
extern std::atomic<bool> SpeedLimitWarning;

// Sum of the recording's stored legs in km (shown converted to the distance
// unit of the moment); 0 at each start. Under LiveRecordGuard.
extern double TrackDistance;
// Seconds counted by the main window's 5-second timer while the recorder
// state is not 0; 0 at each start. UI thread only.
extern uint64_t TrackTimeSeconds;

// ---------------------------------------------------------------------------
// Recording settings (stored keys; the settings code fills them at start-up
// and the record options dialog changes them). The two the reader thread
// reads in every tick are atomic.

extern std::atomic<bool> RecordCellIds;      // "rci": cell changes force a point, "c" written
extern std::atomic<bool> DrawRecordedPath;   // "drp": the recording fills DrawnPath
extern bool RecordSpeed;                     // "rsc": "spd" written with each point
extern bool RecordTime;                      // "rtc": "time" written with each point
extern unsigned RecordAngleFilter;           // "cfg\track" "angle": degrees
extern unsigned RecordSpeedFilter;           // "cfg\track" "speed": km/h

// The recorder's filters for a leg from a kept point (whose course was
// lastCourse, degrees) to fix: at least speedThreshold km/h, and a course
// turned by more than angleThreshold degrees the short way round. The trip
// distance of the statistics counts its legs by the same rule.
bool PassesLegFilters(const GPS_CURRENT& fix, double lastCourse, double speedThreshold,
                      double angleThreshold);

// Route following and normalisation settings, kept like the recording ones.
// UI thread only: route following on the reader thread works from
// RouteOptions, a copy taken under LiveRecordGuard.
extern bool TurnSoundEnabled;                // "swt": "TURN" on timer 4
extern unsigned TurnAngle;                   // "swa": degrees
extern unsigned TurnWarnDistance;            // "muw": look-ahead in small units (m, in, ft)
extern unsigned TurnWarnSeconds;             // "msw": look-ahead in seconds
extern unsigned NormalizationMetres;         // "ntm": cluster size of normalisation
extern unsigned RecalculateSeconds;          // "rws": limit of the advance counter
extern unsigned WaypointReachedMetres;       // "wrm"
extern unsigned WaypointReachedSeconds;      // "wrs"

// ---------------------------------------------------------------------------
// What the recorder and the stores ask of the shell. Set at start-up; a null
// member does nothing (a null currentScreen counts as no list shown).

inline constexpr int kTrackListScreen = 6;      // CurrentScreen values the stores look for
inline constexpr int kWaypointListScreen = 7;

struct TRACK_HOOKS {
    HWND (*mainWindow)();                    // owner of timer 4 (route guidance)
    int (*currentScreen)();                  // 6 tracks, 7 waypoints
    int (*saveSettingsDocument)();           // "pathvex.xml" to its own file; 1 written
    void (*refillWaypointList)(HWND window); // screen 7 shown from its top level
    // "DIALOG_RECORDOPTIONS" before a recording starts: false on Cancel. Null
    // starts with the stored filters.
    bool (*recordOptionsDialog)(HWND window);
    // "DIALOG_PLAYOPTIONS" before a route starts (the run and go-to
    // commands): false on Cancel. Null starts with the stored options.
    bool (*playOptionsDialog)(HWND window);
    // One step of route following on the reader thread, called without the
    // lock while the recorder state is 3 and the fix is valid.
    void (*followRoute)(GpsPort* port);

    // The shell's shared dialogs (kit/dialogs.h); null counts as Cancel.
    // text is a buffer of kTrackTextSize characters: the preset and, on OK,
    // the typed text.
    bool (*textEntryDialog)(HWND owner, const wchar_t* title, const wchar_t* prompt, wchar_t* text);
    // Edits for the coordinates given (null hides one); true on OK.
    bool (*xyzDialog)(HWND owner, double* x, double* y, double* z);
    // One entry chosen (single) or several; one flag per entry on OK.
    bool (*selectDialog)(HWND owner, const wchar_t* title, const wchar_t* prompt,
                         const std::vector<std::wstring>& entries, std::vector<bool>* selected, bool single);
    // A Yes/No question captioned with the program's title, No as the
    // default button when noDefault; true on Yes. Null answers No.
    bool (*askYesNo)(HWND owner, const wchar_t* text, bool noDefault);
    // "mfp" (the map follows the position) on for this run, not saved.
    void (*followPositionOnMap)();
    // "xmv": 1 shows the waypoint list's coordinates as stored, else in
    // degrees, minutes and seconds. Null: degrees, minutes and seconds.
    int (*coordinateFormat)();
    // The web map page of provider 1 or 2 centred on (x, y) at zoom, after
    // the online map screen was entered. Null: the screen alone.
    void (*showWebMapPage)(HWND window, int provider, double x, double y, int zoom);
    // The web map page commands (1701-1799: a public page of the selected
    // waypoint) for ids that reach the waypoint commands. Null: nothing.
    LRESULT (*webMapPageCommand)(HWND window, UINT msg, WPARAM wParam);
    // A message box captioned with the program's title; its result (IDOK,
    // IDYES, IDNO, IDCANCEL). Null answers IDCANCEL and shows nothing.
    int (*messageBox)(HWND owner, const wchar_t* text, UINT type);
    // Opens a written file with the system's "open" verb. Null opens nothing.
    bool (*openFile)(HWND window, const wchar_t* path);
};
extern TRACK_HOOKS TrackHooks;

// Characters of a text handed to TrackHooks.textEntryDialog, with its end.
inline constexpr size_t kTrackTextSize = 1001;

// ---------------------------------------------------------------------------
// Waypoints (the settings document's element "waypoints")

inline constexpr size_t kWaypointNameSize = 100;

// One waypoint: the name (UTF-8, zero-terminated, at most 99 bytes of text)
// and a whole position (cell id 0), copied unchanged into go-to routes.
struct WAYPOINT {
    char name[kWaypointNameSize];
    GPS_POSITION pos;
};
static_assert(std::is_trivially_copyable_v<WAYPOINT>);

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
// TrackHooks.webMapPageCommand. Always 0.
LRESULT WaypointCommand(HWND window, UINT msg, WPARAM wParam);

// The waypoint the last pick from the waypoint list took (centring the map,
// the measuring tool). UI thread only.
extern WAYPOINT PickedWaypoint;
// OK while picking: the selected waypoint of list into PickedWaypoint;
// false when no waypoint is selected (the list stays open).
bool TakePickedWaypoint(HWND list);

// ---------------------------------------------------------------------------
// The track document "pathvextrk.xml"

// Full name of "pathvextrk.xml" beside the settings file; formed when the
// settings are opened. Empty: the track document is not bound to a file.
extern wchar_t TrackDocumentPath[MAX_PATH];
// The open track document, or null while it is released.
extern std::unique_ptr<XMLDocument> TrackDocument;
// The element the track list shows and new tracks go into: "tracks" or a
// category below it; null while the document is released.
extern XMLElement* CurrentTrackElement;
// Tells the user about a damaged track file. Tests replace it so nothing
// blocks; the default is MessageBoxW.
extern int (WINAPI* TrackMessageBox)(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type);
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

// ---------------------------------------------------------------------------
// The recorder

// Starts a recording from state 0 (else nothing): counters, filters from
// RecordAngleFilter and RecordSpeedFilter, the drawn path (with "drp") and
// the points emptied, route progress reset, state 1.
void StartRecording();
// The recorder tick (GpsHooks::recorderTick): with a valid fix, one step of
// route following in state 3, or in state 1 the live record kept as a track
// point when the filters let it pass. mark is a speed-limit mark (the speed
// box on the UI thread) or 0 (the reader thread after each batch); a mark
// skips the course filter. Fixes with a non-finite position are never kept.
void RunRecorderTick(GpsPort* port, uint32_t mark);
// Ends a recording, a pause or a followed route: state 0, timer 4 stopped.
// A recording with points becomes a new track "Track <n + 1>" in
// CurrentTrackElement, saved at once; a route or an idle recorder writes
// nothing. The points stay in ActiveTrack.
void StopRecording();

// The track commands for WM_COMMAND: recording (1201-1204), routes to a
// typed target (1205-1207) and the track list's (1251-1260): view, run
// straight or reversed, delete, length, rename, categories, normalise,
// move. A command that works on a track refuses a category and a track
// without points; every command ends silently when its selection, the
// recorder state or a dialog does not allow it. The list is the window's
// child IDC_MAIN_LISTVIEW. Other messages and ids do nothing. Always 0.
LRESULT TrackCommand(HWND window, UINT msg, WPARAM wParam);

// ---------------------------------------------------------------------------
// Normalisation and route following

// Thins track->points in place: interior points of tight clusters of one
// cell ("ntm" metres), then interior points of nearly straight runs
// (RecordAngleFilter degrees). The first and the last point stay; fewer
// than three points are left as they are. Examined points (and their
// neighbours) get course 0. UI thread, never on ActiveTrack while a route
// is followed.
void NormalizeTrack(TRACK* track);

// What route following reads of the settings, with the stored values'
// replacements applied: "wrm" <= 0 is 15, "wrs" <= 0 is 10, "swa" <= 0 is
// 30, "muw" < 10 is 300, "msw" <= 0 or >= 1000 is 10 (values read as
// signed 32-bit numbers).
struct ROUTE_OPTIONS {
    uint32_t reachedMetres;        // "wrm"
    uint32_t reachedSeconds;       // "wrs"
    uint32_t recalculateSeconds;   // "rws"
    uint32_t turnAngle;            // "swa", degrees
    uint32_t turnWarnUnits;        // "muw"
    uint32_t turnWarnSeconds;      // "msw"
};
// The settings now, as above. UI thread.
ROUTE_OPTIONS CurrentRouteOptions();
// The copy route following works from. Under LiveRecordGuard; the UI
// thread renews it when a route starts and at every search for a turn.
extern ROUTE_OPTIONS RouteOptions;

// Set when a turn warning was raised; cleared when a search finds no turn.
// Timer 4 sounds "TURN" while it is set.
extern std::atomic<bool> TurnArmed;

// One step of route following (TrackHooks.followRoute), reader thread,
// after a batch with a valid fix in recorder state 3: a new speed-limit
// mark of the approached point sounds "SPD" (with "slw"); at the last point
// arrival (within "wrm" metres, or "wrs" seconds at a known speed) sets
// state 0, sounds "OK" and posts WM_ROUTEARRIVED to the main window; before
// it the route position advances past the points left behind. Standing
// still (speed 0) never advances. Takes LiveRecordGuard itself; sounds go
// through the port's hooks after it is released.
void FollowRoute(GpsPort* port);
// The next turn ahead of live on the followed route: true with the turn's
// angle relative to the course (radians, 0 to 2 pi) and the distance to
// the start of its leg (distance unit). A turn is a leg more than "swa"
// degrees off the course within "muw" small units or "msw" seconds. The
// first turn found arms TurnArmed and posts WM_TIMER 4 to the main window;
// none clears it (angle: the direction of the approached point, distance
// 0). UI thread; takes LiveRecordGuard (it nests).
bool FindNextTurn(const GPS_CURRENT* live, double* angle, double* distance);
// The index of the route point nearest to at, the first of equal ones; 0
// for an empty route.
uint32_t NearestRoutePoint(const std::vector<GPS_CURRENT>& route, const GPS_CURRENT& at);
// WM_ROUTEARRIVED on the UI thread: stops timer 4 unless a new route is
// followed by now.
void OnRouteArrived(HWND window);

// ---------------------------------------------------------------------------
// KML 2.1 and LOC exchange

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
LRESULT ExchangeCommand(HWND window, UINT msg, WPARAM wParam);
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
