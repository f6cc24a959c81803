// app/settings.h - the settings document "pathvex.xml", its keys and its
// one-time migration.
//
// Offers the open SettingsDocument (from OpenSettingsStore at start-up to
// CloseSettingsStore at shutdown), the one table of every stored key (path,
// attribute, kind, default, the global it fills), the setting globals that no
// other subsystem owns, and reads and writes of single keys by id for the
// option dialogs. Opening also carries old documents forward: coordinates in
// integer milliseconds of arc become degrees, then the tracks move out into
// "pathvextrk.xml". A settings file that does not parse is kept aside as
// "pathvex.xml.bad" and the run starts from defaults.
//
// UI thread only. Nothing throws; failures are return values.
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

// The open settings document; null before OpenSettingsStore and after
// CloseSettingsStore. Every settings call of the program works on it.
extern std::unique_ptr<XMLDocument> SettingsDocument;
// OpenSettingsStore also sets TrackDocumentPath (the full name of
// "pathvextrk.xml" beside the settings file) and WaypointsElement (the
// element "waypoints", borrowed from the tree), which tracks/tracks.h owns.

// Values of "cfg\pathvex" "floatconverted".
inline constexpr unsigned kMarkerOldCoordinates = 0;   // or missing
inline constexpr unsigned kMarkerConverted = 1;        // tracks still inside
inline constexpr unsigned kMarkerTracksMoved = 2;

// Shows the one notice about a damaged settings file. Tests replace it so
// nothing blocks; the default is MessageBoxW.
extern int (WINAPI* SettingsMessageBox)(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type);

// Opens "pathvex.xml" in directory (null: the executable's own directory),
// creating it in memory when missing, forms TrackDocumentPath, ensures
// "waypoints", and runs exactly one migration step (which may save the
// settings and the track document). A file that does not parse is renamed
// to "pathvex.xml.bad" (or ".bad2" ... when taken), reported once through
// SettingsMessageBox, and replaced by defaults; when it cannot be renamed
// the run uses defaults and never writes over it. Replaces an open store.
void OpenSettingsStore(const wchar_t* directory = nullptr);
// Shutdown: saves SettingsDocument to its own file when it passes the
// integrity check, then frees it. A document that fails the check is
// neither saved nor freed (its tree cannot be walked safely). 1 saved.
int CloseSettingsStore();

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
// keys at connect, the font through FontSettingsHooks).
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
// table's defaults (flags become 0 or 1), and installs FontSettingsHooks.
// Without an open store every global takes its default.
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

// ---------------------------------------------------------------------------
// Setting globals that no other subsystem owns yet. The others the table
// fills: SpeedUnit, DistanceUnit, CustomColors (kit/display.h);
// CoordinateMode, SolidCompass, ShowCompassLetters, CompassX/Y/Z
// (panes/panes.h); SpeedLimitWarning, the recording keys "rci", "rsc",
// "rtc", "drp", "cfg\track" "angle" and "speed", and the route keys "swt",
// "swa", "muw", "msw", "ntm", "rws", "wrm", "wrs" (tracks/tracks.h).

inline constexpr int kOfflineMapsFolderSize = 300;
inline constexpr int kInternetTrackingUrlSize = 200;
inline constexpr int kGpsPortNameSize = 10;

extern char OfflineMapsFolder[kOfflineMapsFolderSize];   // "offlinemaps", UTF-8
extern bool OnlineMapsEnabled;            // "lod"
extern bool MapFollowsPosition;           // "mfp"
extern bool CompassOnMap;                 // "mpc"
extern bool MapRotatesWithCourse;         // "mrp"
extern bool MapGridEnabled;               // "mug"
extern bool OfflineMapsEnabled;           // "lof"
extern bool SaveOnlineMaps;               // "sdm"
extern bool AutoConnect;                  // "agc"
extern bool KeepBacklightOn;              // "kbo"
extern bool InternetTrackingEnabled;      // "eit"
extern unsigned InternetTrackingSeconds;  // "its": period of timer 3, 0 none
extern bool PathCentredOnPosition;        // "cpc"
extern char InternetTrackingUrl[kInternetTrackingUrlSize];   // "itu", UTF-8
extern bool ShowCellIdsOnMap;             // "vci"
extern unsigned PathSize;                 // "pls"

// A UTF-8 text global above as UTF-16: its bytes up to the first NUL, and
// never past the array, whatever was copied into it.
template <size_t N>
std::wstring SettingTextWide(const char (&text)[N])
{
    return Utf8ToWide({text, strnlen(text, N)});
}
