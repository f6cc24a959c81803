// kit/settings.h - the stored settings of "pathvex.xml": the open
// document, the one table of every stored key, the program-wide globals the
// keys fill, and reads and writes of single keys by id.
//
// Every subsystem reads its settings here; start-up fills the globals from
// the table (ReadSettingsIntoGlobals) after the shell opened the document
// (app/settings_store.h, which also carries old documents forward), and the
// option dialogs write them back through the table. Each row names its
// path, attribute, kind, default and the global it fills.
//
// UI thread only, except the atomic globals that the reader thread reads.
// Nothing throws; failures are return values.
#pragma once
#include <windows.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>
#include <string>
#include <variant>

#include "xml/utf8text.h"
#include "xml/xml.h"

// ---------------------------------------------------------------------------
// The documents

inline constexpr wchar_t kSettingsFileName[] = L"pathvex.xml";
inline constexpr wchar_t kTrackFileName[] = L"pathvextrk.xml";
// Appended to the settings file's name when a damaged file is kept aside.
inline constexpr wchar_t kDamagedSuffix[] = L".bad";

// The open settings document; null before the shell opens it and after it
// closes it. Every settings call of the program works on it.
extern std::unique_ptr<XMLDocument> SettingsDocument;

// Values of "cfg\pathvex" "floatconverted": how far the one-time migration
// of an old document has come.
inline constexpr unsigned kMarkerOldCoordinates = 0;   // or missing
inline constexpr unsigned kMarkerConverted = 1;        // tracks still inside
inline constexpr unsigned kMarkerTracksMoved = 2;

// Writes SettingsDocument to its own file now (a waypoint was added), when
// it passes the integrity check. 1 written; 0 without an open document.
int SaveSettingsDocument();

// ---------------------------------------------------------------------------
// The keys

// One id per stored key, in the order of the table (which is the order the
// start-up reads them).
enum class SettingId : uint8_t {
    OfflineMaps, Lod, Mfp, Slw, Smv, Dmv, Mpc, Mrp, Mug, Lof, Sdm, Agc, Ics, Scl, Kbo, Xmv,
    Eit, Its, Cpc, Swt, Swa, Muw, Msw, Itu, Ntm, Rci, Rsc, Rtc, Drp, Vci, Rws, Wrm, Wrs, Pls,
    TrackAngle, TrackSpeed, CompassZ, CompassX, CompassY, C1, C2, C3, C4, C5, C6,
    Upd, FloatConverted, GpsPort, GpsSpeed, GpsSimu, GpsApi, Font, FontFactor,
    Count
};

enum class SettingKind : uint8_t {
    Flag,     // "%u" 0 or 1; read back true when not 0
    Number,   // "%u"
    Text,     // UTF-8 text of at most textSize - 1 bytes
    Binary,   // Base64 bytes (the stored LOGFONTW)
    Float,    // "%f"
};

// Where a key's value lives while the program runs. monostate: the key is
// read where it is used (the update countdown, the marker, the GPS port
// keys at connect, the font when the font set is made).
using SettingTarget =
    std::variant<std::monostate, bool*, std::atomic<bool>*, int*, unsigned*, COLORREF*, char*>;

struct SETTING_KEY {
    SettingId id;
    const char* path;          // "cfg\\pathvex"
    const char* attribute;     // "lod"
    SettingKind kind;
    uint32_t defaultNumber;    // Flag, Number; Float: the default in whole units (1 for "mu")
    const char* defaultText;   // Text; Binary: null (the stock font's record)
    int textSize;              // Text: the global's buffer bytes; Binary: the record's bytes
    SettingTarget target;
    uint32_t maxValue = UINT32_MAX;   // Number: a larger stored value reads as the default
};

// The whole table, in id order.
std::span<const SETTING_KEY> SettingKeys();
const SETTING_KEY& GetSettingKey(SettingId id);

// Reads every key that has a global into it, in table order, with the
// table's defaults (flags become 0 or 1). Without an open store every global
// takes its default.
void ReadSettingsIntoGlobals();
// Writes the global's current value of key id into SettingsDocument (in
// memory). 0 for a key without a global or without an open store.
int WriteSettingGlobal(SettingId id);
// The numeric global of key id (a flag as 0 or 1), or the key's default
// when it has none.
unsigned SettingGlobalNumber(SettingId id);
// Sets the numeric global of key id (a flag to value != 0); nothing for a
// key without one. The document is not touched.
void SetSettingGlobalNumber(SettingId id, unsigned value);

// Single keys by id on SettingsDocument, with the table's default (also for
// a number above the key's maxValue). A number read of a text key, or the
// reverse, gives the default / writes nothing.
unsigned ReadSettingNumber(SettingId id);
int WriteSettingNumber(SettingId id, unsigned value);
// The value, or the default when it is missing, empty or longer than
// size - 1 bytes: the buffer always ends up terminated. Returns its length.
int ReadSettingText(SettingId id, char* buffer, int size);
int WriteSettingText(SettingId id, const char* value);
// "cfg\fonts" "f": the stored font record (92 bytes). False when none is
// stored or it is not a whole record; *font is then unchanged.
bool ReadStoredFont(LOGFONTW* font);
int WriteStoredFont(const LOGFONTW* font);
// "cfg\fonts" "mu": the font size factor. False without an open document.
bool ReadFontSizeFactor(float* factor);

// ---------------------------------------------------------------------------
// The globals the table fills, by subject; each holds its default until
// start-up reads the document. SpeedUnit, DistanceUnit and CustomColors,
// display conventions, are kit/display.h's.

inline constexpr int kOfflineMapsFolderSize = 300;
inline constexpr int kInternetTrackingUrlSize = 200;
inline constexpr int kGpsPortNameSize = 10;

// Maps and the map view.
extern char OfflineMapsFolder[kOfflineMapsFolderSize];   // "offlinemaps", UTF-8
extern bool OnlineMapsEnabled;            // "lod"
extern bool MapFollowsPosition;           // "mfp"
extern bool CompassOnMap;                 // "mpc"
extern bool MapRotatesWithCourse;         // "mrp"
extern bool MapGridEnabled;               // "mug"
extern bool OfflineMapsEnabled;           // "lof"
extern bool SaveOnlineMaps;               // "sdm"
extern bool PathCentredOnPosition;        // "cpc"
extern bool ShowCellIdsOnMap;             // "vci"
extern unsigned PathSize;                 // "pls"

// The shell and position reporting.
extern bool AutoConnect;                  // "agc"
extern bool KeepBacklightOn;              // "kbo"
extern bool InternetTrackingEnabled;      // "eit"
extern unsigned InternetTrackingSeconds;  // "its": period of timer 3, 0 none
extern char InternetTrackingUrl[kInternetTrackingUrlSize];   // "itu", UTF-8

// The panes: the coordinate format and the compass rose's look and place.
extern int CoordinateMode;         // "xmv": 0 degrees-minutes-seconds, 1 decimal
extern bool SolidCompass;          // "ics": filled needles; default on
extern bool ShowCompassLetters;    // "scl": N, E, S, W on the rose; default on
extern int CompassX;               // offset of the GPS data screen's rose
extern int CompassY;
extern int CompassZ;               // pixels taken off the rose's size; default 15

// Recording. The two flags the reader thread reads in every tick are
// atomic; the two filters it reads through std::atomic_ref.
extern std::atomic<bool> RecordCellIds;      // "rci": cell changes force a point, "c" written
extern std::atomic<bool> DrawRecordedPath;   // "drp": the recording fills DrawnPath
extern bool RecordSpeed;                     // "rsc": "spd" written with each point
extern bool RecordTime;                      // "rtc": "time" written with each point
extern unsigned RecordAngleFilter;           // "cfg\track" "angle": degrees
extern unsigned RecordSpeedFilter;           // "cfg\track" "speed": km/h

// Route following and normalisation. UI thread only: route following on
// the reader thread works from RouteOptions (gps/live_track.h), a copy
// taken under LiveRecordGuard.
extern bool TurnSoundEnabled;                // "swt": "TURN" on timer 4
extern unsigned TurnAngle;                   // "swa": degrees
extern unsigned TurnWarnDistance;            // "muw": look-ahead in small units (m, in, ft)
extern unsigned TurnWarnSeconds;             // "msw": look-ahead in seconds
extern unsigned NormalizationMetres;         // "ntm": cluster size of normalisation
extern unsigned RecalculateSeconds;          // "rws": limit of the advance counter
extern unsigned WaypointReachedMetres;       // "wrm"
extern unsigned WaypointReachedSeconds;      // "wrs"

// "slw": sound "SPD" outside the limits and on new route marks.
extern std::atomic<bool> SpeedLimitWarning;

// A UTF-8 text global above as UTF-16: its bytes up to the first NUL, and
// never past the array, whatever was copied into it.
template <size_t N>
std::wstring SettingTextWide(const char (&text)[N])
{
    return Utf8ToWide({text, strnlen(text, N)});
}
