// The table of stored keys, the globals it fills, and the reads and writes
// of single keys that start-up, the option dialogs and the font set share.
#include "kit/settings.h"

#include "kit/display.h"

#include <cstring>
#include <string>
#include <variant>

std::unique_ptr<XMLDocument> SettingsDocument;

char OfflineMapsFolder[kOfflineMapsFolderSize] = ".\\maps";
bool OnlineMapsEnabled = false;
bool MapFollowsPosition = false;
bool CompassOnMap = false;
bool MapRotatesWithCourse = false;
bool MapGridEnabled = true;
bool OfflineMapsEnabled = false;
bool SaveOnlineMaps = false;
bool AutoConnect = false;
bool KeepBacklightOn = true;
bool InternetTrackingEnabled = false;
unsigned InternetTrackingSeconds = 0;
bool PathCentredOnPosition = true;
char InternetTrackingUrl[kInternetTrackingUrlSize] = "";
bool ShowCellIdsOnMap = true;
unsigned PathSize = 5;

int CoordinateMode = 0;
bool SolidCompass = true;
bool ShowCompassLetters = true;
int CompassX = 0;
int CompassY = 0;
int CompassZ = 15;

std::atomic<bool> RecordCellIds{true};
std::atomic<bool> DrawRecordedPath{true};
bool RecordSpeed = false;
bool RecordTime = false;
unsigned RecordAngleFilter = 10;
unsigned RecordSpeedFilter = 5;
bool TurnSoundEnabled = true;
unsigned TurnAngle = 45;
unsigned TurnWarnDistance = 300;
unsigned TurnWarnSeconds = 10;
unsigned NormalizationMetres = 15;
unsigned RecalculateSeconds = 3;
unsigned WaypointReachedMetres = 15;
unsigned WaypointReachedSeconds = 10;
std::atomic<bool> SpeedLimitWarning{false};

namespace {

using K = SettingKind;
using I = SettingId;

constexpr char kPathvex[] = "cfg\\pathvex";
constexpr char kTrack[] = "cfg\\track";
constexpr char kColors[] = "cfg\\cc";
constexpr char kGps[] = "cfg\\gps";
constexpr char kFonts[] = "cfg\\fonts";

// A colour is 0x00BBGGRR: a higher byte would make GDI read it as a palette
// index or as no colour.
constexpr uint32_t kMaxColor = 0xFFFFFF;

// The stored font is a whole LOGFONTW; a shorter block is not one.
constexpr int kFontRecordSize = 92;
static_assert(sizeof(LOGFONTW) == kFontRecordSize);

constexpr SETTING_KEY Flag(I id, const char* path, const char* name, uint32_t def, SettingTarget target)
{
    return {id, path, name, K::Flag, def, nullptr, 0, target};
}
constexpr SETTING_KEY Number(I id, const char* path, const char* name, uint32_t def, SettingTarget target,
                             uint32_t max = UINT32_MAX)
{
    return {id, path, name, K::Number, def, nullptr, 0, target, max};
}
constexpr SETTING_KEY Text(I id, const char* path, const char* name, const char* def, int size,
                           SettingTarget target)
{
    return {id, path, name, K::Text, 0, def, size, target};
}

// Every stored key; start-up reads them in this order. The defaults are
// the values the program has without a settings file.
constexpr SETTING_KEY kKeys[] = {
    Text(I::OfflineMaps, kPathvex, "offlinemaps", ".\\maps", kOfflineMapsFolderSize, OfflineMapsFolder),
    Flag(I::Lod, kPathvex, "lod", 0, &OnlineMapsEnabled),
    Flag(I::Mfp, kPathvex, "mfp", 0, &MapFollowsPosition),
    Flag(I::Slw, kPathvex, "slw", 0, &SpeedLimitWarning),
    Number(I::Smv, kPathvex, "smv", 0, &SpeedUnit, 3),
    Number(I::Dmv, kPathvex, "dmv", 0, &DistanceUnit, 2),
    Flag(I::Mpc, kPathvex, "mpc", 0, &CompassOnMap),
    Flag(I::Mrp, kPathvex, "mrp", 0, &MapRotatesWithCourse),
    Flag(I::Mug, kPathvex, "mug", 1, &MapGridEnabled),
    Flag(I::Lof, kPathvex, "lof", 0, &OfflineMapsEnabled),
    Flag(I::Sdm, kPathvex, "sdm", 0, &SaveOnlineMaps),
    Flag(I::Agc, kPathvex, "agc", 0, &AutoConnect),
    Flag(I::Ics, kPathvex, "ics", 1, &SolidCompass),
    Flag(I::Scl, kPathvex, "scl", 1, &ShowCompassLetters),
    Flag(I::Kbo, kPathvex, "kbo", 1, &KeepBacklightOn),
    Number(I::Xmv, kPathvex, "xmv", 0, &CoordinateMode, 1),
    Flag(I::Eit, kPathvex, "eit", 0, &InternetTrackingEnabled),
    Number(I::Its, kPathvex, "its", 0, &InternetTrackingSeconds),
    Flag(I::Cpc, kPathvex, "cpc", 1, &PathCentredOnPosition),
    Flag(I::Swt, kPathvex, "swt", 1, &TurnSoundEnabled),
    Number(I::Swa, kPathvex, "swa", 45, &TurnAngle),
    Number(I::Muw, kPathvex, "muw", 300, &TurnWarnDistance),
    Number(I::Msw, kPathvex, "msw", 10, &TurnWarnSeconds),
    Text(I::Itu, kPathvex, "itu", "", kInternetTrackingUrlSize, InternetTrackingUrl),
    Number(I::Ntm, kPathvex, "ntm", 15, &NormalizationMetres),
    Flag(I::Rci, kPathvex, "rci", 1, &RecordCellIds),
    Flag(I::Rsc, kPathvex, "rsc", 0, &RecordSpeed),
    Flag(I::Rtc, kPathvex, "rtc", 0, &RecordTime),
    Flag(I::Drp, kPathvex, "drp", 1, &DrawRecordedPath),
    Flag(I::Vci, kPathvex, "vci", 1, &ShowCellIdsOnMap),
    Number(I::Rws, kPathvex, "rws", 3, &RecalculateSeconds),
    Number(I::Wrm, kPathvex, "wrm", 15, &WaypointReachedMetres),
    Number(I::Wrs, kPathvex, "wrs", 10, &WaypointReachedSeconds),
    Number(I::Pls, kPathvex, "pls", 5, &PathSize),
    Number(I::TrackAngle, kTrack, "angle", 10, &RecordAngleFilter),
    Number(I::TrackSpeed, kTrack, "speed", 5, &RecordSpeedFilter),
    Number(I::CompassZ, kPathvex, "CompassZ", 15, &CompassZ),
    Number(I::CompassX, kPathvex, "CompassX", 0, &CompassX),
    Number(I::CompassY, kPathvex, "CompassY", 0, &CompassY),
    // The custom scheme starts as the day scheme, with a black Info colour.
    Number(I::C1, kColors, "c1", 0, &CustomColors[0], kMaxColor),
    Number(I::C2, kColors, "c2", ColorTable[9], &CustomColors[1], kMaxColor),
    Number(I::C3, kColors, "c3", ColorTable[0], &CustomColors[2], kMaxColor),
    Number(I::C4, kColors, "c4", ColorTable[2], &CustomColors[3], kMaxColor),
    Number(I::C5, kColors, "c5", ColorTable[5], &CustomColors[4], kMaxColor),
    Number(I::C6, kColors, "c6", ColorTable[7], &CustomColors[5], kMaxColor),
    Number(I::Upd, kPathvex, "upd", 0, {}),
    Number(I::FloatConverted, kPathvex, "floatconverted", kMarkerOldCoordinates, {}),
    Text(I::GpsPort, kGps, "port", "", kGpsPortNameSize, {}),
    Number(I::GpsSpeed, kGps, "speed", 9600, {}),
    Flag(I::GpsSimu, kGps, "simu", 0, {}),
    Flag(I::GpsApi, kGps, "gapi", 0, {}),
    {I::Font, kFonts, "f", K::Binary, 0, nullptr, kFontRecordSize, {}, UINT32_MAX},
    {I::FontFactor, kFonts, "mu", K::Float, 1, nullptr, 0, {}, UINT32_MAX},
};

constexpr bool InIdOrder()
{
    for (size_t i = 0; i < std::size(kKeys); ++i)
        if (static_cast<size_t>(kKeys[i].id) != i)
            return false;
    return std::size(kKeys) == static_cast<size_t>(SettingId::Count);
}
static_assert(InIdOrder(), "one row per SettingId, in id order");

// The open document, or an empty one standing in for it, so a read without
// a store gives the defaults by the same road.
XMLDocument* DocumentForReading(XMLDocument* fallback)
{
    if (SettingsDocument)
        return SettingsDocument.get();
    fallback->LoadFromText(nullptr);
    return fallback;
}

unsigned ReadNumber(const SETTING_KEY& key)
{
    XMLDocument empty;
    const unsigned v = ReadSettingUInt(key.path, key.attribute, key.defaultNumber, nullptr, DocumentForReading(&empty));
    if (key.kind == K::Flag)
        return v != 0 ? 1u : 0u;
    // A unit or mode out of its range would index past the tables that name
    // them.
    return v <= key.maxValue ? v : key.defaultNumber;
}

// Copies the stored text, or the default, into buffer (size bytes): a value
// that does not fit gives the default, so the buffer is always a whole text.
int ReadText(const SETTING_KEY& key, char* buffer, int size)
{
    if (!buffer || size <= 0)
        return 0;
    std::memset(buffer, 0, static_cast<size_t>(size));
    XMLDocument empty;
    const int n = ReadSettingString(key.path, key.attribute, key.defaultText, buffer, size, nullptr,
                                    DocumentForReading(&empty));
    buffer[size - 1] = '\0';
    return n < size ? n : size - 1;
}

template <class... F>
struct Overloaded : F... {
    using F::operator()...;
};
template <class... F>
Overloaded(F...) -> Overloaded<F...>;

// Puts a number read from the document into a global; flags were made 0
// or 1 already.
void Store(const SettingTarget& target, unsigned v)
{
    std::visit(Overloaded{[](std::monostate) {}, [](char*) {}, [&](bool* b) { *b = v != 0; },
                          [&](std::atomic<bool>* b) { b->store(v != 0); },
                          [&](int* i) { *i = static_cast<int>(v); }, [&](unsigned* u) { *u = v; },
                          [&](COLORREF* c) { *c = v; }},
               target);
}

// A numeric global as the document stores it. Signed globals (the compass
// offsets) keep their sign: "%u" of a negative one would read back
// saturated.
std::string NumberText(const SettingTarget& target)
{
    return std::visit(Overloaded{[](std::monostate) { return std::string(); },
                                 [](char*) { return std::string(); },
                                 [](bool* b) { return std::string(*b ? "1" : "0"); },
                                 [](std::atomic<bool>* b) { return std::string(b->load() ? "1" : "0"); },
                                 [](auto* n) { return std::to_string(*n); }},
                      target);
}

}  // namespace

std::span<const SETTING_KEY> SettingKeys()
{
    return kKeys;
}

const SETTING_KEY& GetSettingKey(SettingId id)
{
    const size_t i = static_cast<size_t>(id);
    return kKeys[i < std::size(kKeys) ? i : 0];
}

void ReadSettingsIntoGlobals()
{
    for (const SETTING_KEY& key : kKeys) {
        if (std::holds_alternative<std::monostate>(key.target))
            continue;
        if (key.kind == K::Text) {
            if (auto text = std::get_if<char*>(&key.target))
                ReadText(key, *text, key.textSize);
            continue;
        }
        Store(key.target, ReadNumber(key));
    }
}

int WriteSettingGlobal(SettingId id)
{
    const SETTING_KEY& key = GetSettingKey(id);
    if (key.kind == K::Text) {
        auto text = std::get_if<char*>(&key.target);
        if (!text)
            return 0;
        // Never past the global's own buffer, terminated or not.
        const std::string value(*text, strnlen(*text, static_cast<size_t>(key.textSize)));
        return WriteSettingText(id, value.c_str());
    }
    const std::string value = NumberText(key.target);
    if (value.empty() || !SettingsDocument)
        return 0;
    return WriteSettingString(key.path, key.attribute, value.c_str(), nullptr, SettingsDocument.get());
}

unsigned SettingGlobalNumber(SettingId id)
{
    const SETTING_KEY& key = GetSettingKey(id);
    return std::visit(Overloaded{[&](std::monostate) { return key.defaultNumber; },
                                 [&](char*) { return key.defaultNumber; },
                                 [](bool* b) { return *b ? 1u : 0u; },
                                 [](std::atomic<bool>* b) { return b->load() ? 1u : 0u; },
                                 [](auto* n) { return static_cast<unsigned>(*n); }},
                      key.target);
}

void SetSettingGlobalNumber(SettingId id, unsigned value)
{
    const SETTING_KEY& key = GetSettingKey(id);
    Store(key.target, key.kind == K::Flag ? (value != 0 ? 1u : 0u) : value);
}

unsigned ReadSettingNumber(SettingId id)
{
    const SETTING_KEY& key = GetSettingKey(id);
    if (key.kind != K::Flag && key.kind != K::Number)
        return key.defaultNumber;
    return ReadNumber(key);
}

int WriteSettingNumber(SettingId id, unsigned value)
{
    const SETTING_KEY& key = GetSettingKey(id);
    if (!SettingsDocument || (key.kind != K::Flag && key.kind != K::Number))
        return 0;
    if (key.kind == K::Flag)
        value = value != 0 ? 1 : 0;
    return WriteSettingUInt(key.path, key.attribute, value, nullptr, SettingsDocument.get());
}

int ReadSettingText(SettingId id, char* buffer, int size)
{
    const SETTING_KEY& key = GetSettingKey(id);
    if (key.kind != K::Text) {
        if (buffer && size > 0)
            buffer[0] = '\0';
        return 0;
    }
    return ReadText(key, buffer, size);
}

int WriteSettingText(SettingId id, const char* value)
{
    const SETTING_KEY& key = GetSettingKey(id);
    if (!SettingsDocument || key.kind != K::Text || !value)
        return 0;
    return WriteSettingString(key.path, key.attribute, value, nullptr, SettingsDocument.get());
}

bool ReadStoredFont(LOGFONTW* font)
{
    if (!SettingsDocument || !font)
        return false;
    const SETTING_KEY& key = GetSettingKey(SettingId::Font);
    LOGFONTW stored{};
    if (ReadSettingBinary(key.path, key.attribute, "", &stored, sizeof stored, nullptr, SettingsDocument.get()) !=
        key.textSize)
        return false;
    *font = stored;
    return true;
}

int WriteStoredFont(const LOGFONTW* font)
{
    if (!SettingsDocument || !font)
        return 0;
    const SETTING_KEY& key = GetSettingKey(SettingId::Font);
    return WriteSettingBinary(key.path, key.attribute, font, sizeof *font, nullptr, SettingsDocument.get());
}

bool ReadFontSizeFactor(float* factor)
{
    if (!SettingsDocument || !factor)
        return false;
    const SETTING_KEY& key = GetSettingKey(SettingId::FontFactor);
    *factor = ReadSettingFloat(key.path, key.attribute, static_cast<float>(key.defaultNumber), nullptr,
                               SettingsDocument.get());
    return true;
}

int SaveSettingsDocument()
{
    if (!SettingsDocument || !SettingsDocument->CheckIntegrity())
        return 0;
    return SettingsDocument->Save(nullptr, 1, XML_SAVE_FILE);
}
