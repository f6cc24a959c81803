// The settings store: first starts in a fresh, an old-format and a damaged
// folder (files compared with golden files), the track move's failure
// paths, and every key of the table read, written and read back.
#include "app/settings_store.h"

#include "kit/display.h"
#include "kit/settings.h"
#include "support/test_support.h"
#include "support/window_support.h"

#include <doctest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <type_traits>
#include <variant>
#include <vector>

namespace {

using testsupport::TempDir;

const auto Slurp = testsupport::FileBytes;

void Put(const std::string& path, const std::string& bytes)
{
    REQUIRE(testsupport::WriteWholeFile(path, bytes));
}

std::string DataFile(const std::string& name)
{
    return testsupport::SourceDir() + "\\tests\\app\\data\\" + name;
}

// The file must equal the golden file byte for byte. With
// PATHVEX_UPDATE_GOLDEN set the golden file is rewritten instead (review
// the diff before committing it).
void CheckGolden(const std::string& path, const std::string& golden)
{
    const std::string actual = Slurp(path);
    if (std::getenv("PATHVEX_UPDATE_GOLDEN")) {
        Put(DataFile(golden), actual);
        return;
    }
    INFO("golden file ", golden);
    CHECK(actual == Slurp(DataFile(golden)));
}

// The texts of the notices about a damaged file, each a message box
// answered with OK.
std::vector<std::wstring> Notices;

int RecordNotice(HWND box)
{
    Notices.push_back(testsupport::BoxText(box));
    return IDOK;
}

// One program folder; Start and Stop are what start-up and shutdown do with
// the store.
struct Folder {
    TempDir dir;
    testsupport::DialogAnswerer notices{L"Pathvex", RecordNotice, true};
    Folder() { Notices.clear(); }
    ~Folder() { CloseSettingsStore(); }
    std::string File(const char* name) const { return dir.File(name); }
    void Start() { OpenSettingsStore(dir.WPath().c_str()); }
    void Stop() { CloseSettingsStore(); }
    void Run()
    {
        Start();
        Stop();
    }
};

}  // namespace

TEST_CASE("a fresh folder reaches the moved tracks in two starts")
{
    Folder f;
    f.Run();
    CheckGolden(f.File("pathvex.xml"), "fresh-1.xml");
    CHECK(Slurp(f.File("pathvextrk.xml")).empty());

    f.Run();
    CheckGolden(f.File("pathvex.xml"), "fresh-2.xml");
    CheckGolden(f.File("pathvextrk.xml"), "fresh-2-trk.xml");

    // The marker is 2 now: later starts change neither file.
    f.Run();
    CheckGolden(f.File("pathvex.xml"), "fresh-2.xml");
    CheckGolden(f.File("pathvextrk.xml"), "fresh-2-trk.xml");
    CHECK(Notices.empty());
}

TEST_CASE("an old folder: coordinates converted, then its tracks join the existing track file")
{
    Folder f;
    Put(f.File("pathvex.xml"), Slurp(DataFile("old.xml")));
    Put(f.File("pathvextrk.xml"), Slurp(DataFile("old-trk.xml")));

    f.Run();
    CheckGolden(f.File("pathvex.xml"), "old-1.xml");
    // Single precision, as older versions converted (double would give 138.888889).
    CHECK(Slurp(f.File("pathvex.xml")).find("<p x=\"-34.005394\" y=\"24.000000\"") != std::string::npos);
    CHECK(Slurp(f.File("pathvex.xml")).find("<p x=\"138.888885\"") != std::string::npos);
    CheckGolden(f.File("pathvextrk.xml"), "old-trk.xml");

    f.Run();
    CheckGolden(f.File("pathvex.xml"), "old-2.xml");
    // One "tracks": the kept track first, the moved one after it.
    CheckGolden(f.File("pathvextrk.xml"), "old-2-trk.xml");
    CHECK(Notices.empty());
}

TEST_CASE("a track move that cannot write the track file keeps every track")
{
    Folder f;
    Put(f.File("pathvex.xml"), Slurp(DataFile("old-1.xml")));   // converted, tracks inside
    const std::string trackBytes = Slurp(DataFile("old-trk.xml"));

    SUBCASE("the track file cannot be replaced")
    {
        Put(f.File("pathvextrk.xml"), trackBytes);
        // Readable, but not to be replaced while this handle is open.
        HANDLE lock = CreateFileA(f.File("pathvextrk.xml").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
        REQUIRE(lock != INVALID_HANDLE_VALUE);
        f.Run();
        CloseHandle(lock);
        CHECK(Slurp(f.File("pathvextrk.xml")) == trackBytes);
        CHECK(Slurp(f.File("pathvex.xml")) == Slurp(DataFile("old-1.xml")));

        // Once the file can be replaced the next start moves them.
        f.Run();
        CheckGolden(f.File("pathvextrk.xml"), "old-2-trk.xml");
        CheckGolden(f.File("pathvex.xml"), "old-2.xml");
    }
    SUBCASE("the track file does not parse")
    {
        const std::string cut = trackBytes.substr(0, trackBytes.size() / 2);
        Put(f.File("pathvextrk.xml"), cut);
        f.Run();
        CHECK(Slurp(f.File("pathvextrk.xml")) == cut);
        CHECK(Slurp(f.File("pathvex.xml")) == Slurp(DataFile("old-1.xml")));
    }
}

TEST_CASE("a settings file that does not parse is kept aside, once")
{
    Folder f;
    const std::string old = Slurp(DataFile("old.xml"));
    std::string damaged;
    SUBCASE("cut short") { damaged = old.substr(0, old.size() * 2 / 3); }
    SUBCASE("cut inside the declaration") { damaged = old.substr(0, 20); }
    SUBCASE("no declaration") { damaged = "<root><cfg><pathvex smv=\"2\"/></cfg></root>"; }
    Put(f.File("pathvex.xml"), damaged);

    f.Start();
    CHECK(Notices.size() == 1);
    CHECK(Notices.at(0).find(L"pathvex.xml.bad\"") != std::wstring::npos);
    CHECK(Slurp(f.File("pathvex.xml.bad")) == damaged);
    CHECK(ReadSettingNumber(SettingId::Smv) == 0);   // defaults
    f.Stop();
    CheckGolden(f.File("pathvex.xml"), "fresh-1.xml");

    f.Run();
    CHECK(Notices.size() == 1);
    CHECK(Slurp(f.File("pathvex.xml.bad")) == damaged);

    // A second damaged file does not replace the first one kept.
    Put(f.File("pathvex.xml"), "<root>");
    f.Run();
    CHECK(Notices.size() == 2);
    CHECK(Slurp(f.File("pathvex.xml.bad")) == damaged);
    CHECK(Slurp(f.File("pathvex.xml.bad2")) == "<root>");
}

TEST_CASE("a damaged settings file that cannot be moved is never written over")
{
    Folder f;
    const std::string damaged = "<?xml version=\"1.0\"?>\r\n<root><cfg>";
    Put(f.File("pathvex.xml"), damaged);
    // Open for reading without delete sharing: readable, not movable.
    HANDLE lock = CreateFileA(f.File("pathvex.xml").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    REQUIRE(lock != INVALID_HANDLE_VALUE);
    f.Start();
    CHECK(Notices.size() == 1);
    CHECK(ReadSettingNumber(SettingId::Mug) == 1);
    CHECK(WriteSettingNumber(SettingId::Smv, 3) == 1);   // works in memory
    f.Stop();
    CloseHandle(lock);
    CHECK(Slurp(f.File("pathvex.xml")) == damaged);
    CHECK(Slurp(f.File("pathvex.xml.bad")).empty());
}

// The defaults as the program documents them: "attribute=default" in table
// order (path in front where the attribute alone is ambiguous).
constexpr const char* kDocumentedDefaults[] = {
    "offlinemaps=.\\maps", "lod=0", "mfp=0", "slw=0", "smv=0", "dmv=0", "mpc=0", "mrp=0", "mug=1",
    "lof=0", "sdm=0", "agc=0", "ics=1", "scl=1", "kbo=1", "xmv=0", "eit=0", "its=0", "cpc=1", "swt=1",
    "swa=45", "muw=300", "msw=10", "itu=", "ntm=15", "rci=1", "rsc=0", "rtc=0", "drp=1", "vci=1",
    "rws=3", "wrm=15", "wrs=10", "pls=5", "cfg\\track angle=10", "cfg\\track speed=5", "CompassZ=15",
    "CompassX=0", "CompassY=0", "c1=0", "c2=15329769", "c3=16711680", "c4=255", "c5=9868950",
    "c6=12500670", "upd=0", "floatconverted=0", "cfg\\gps port=", "cfg\\gps speed=9600",
    "cfg\\gps simu=0", "cfg\\gps gapi=0", "cfg\\fonts f=", "cfg\\fonts mu=1",
};

namespace {

std::string Describe(const SETTING_KEY& key, const std::string& value)
{
    const bool qualified = std::strcmp(key.path, "cfg\\pathvex") != 0 && std::strcmp(key.path, "cfg\\cc") != 0;
    return (qualified ? std::string(key.path) + " " : std::string()) + key.attribute + "=" + value;
}

std::string DefaultText(const SETTING_KEY& key)
{
    if (key.kind == SettingKind::Text)
        return key.defaultText;
    if (key.kind == SettingKind::Binary)
        return "";
    return std::to_string(key.defaultNumber);
}

template <class... F>
struct Overloaded : F... {
    using F::operator()...;
};
template <class... F>
Overloaded(F...) -> Overloaded<F...>;

// A key's global as text, and set from text ("" for a key without one).
std::string GlobalText(const SETTING_KEY& key)
{
    return std::visit(Overloaded{[](std::monostate) { return std::string(); },
                                 [](char* text) { return std::string(text); },
                                 [](bool* b) { return std::string(*b ? "1" : "0"); },
                                 [](std::atomic<bool>* b) { return std::string(b->load() ? "1" : "0"); },
                                 [](auto* n) { return std::to_string(*n); }},
                      key.target);
}

void SetGlobal(const SETTING_KEY& key, const std::string& v)
{
    std::visit(Overloaded{[](std::monostate) {}, [&](char* text) { std::strcpy(text, v.c_str()); },
                          [&](bool* b) { *b = v != "0"; }, [&](std::atomic<bool>* b) { b->store(v != "0"); },
                          [&](auto* n) { *n = static_cast<std::remove_pointer_t<decltype(n)>>(std::stoll(v)); }},
               key.target);
}

// Sets every global to a value that is no default, so a read that leaves a
// global alone shows.
void Scramble()
{
    for (const SETTING_KEY& key : SettingKeys()) {
        if (key.kind == SettingKind::Flag)
            SetGlobal(key, key.defaultNumber ? "0" : "1");
        else
            SetGlobal(key, key.kind == SettingKind::Text ? "scrambled" : "777");
    }
}

// A value for row i that differs from its default and from every other row.
std::string WrittenValue(const SETTING_KEY& key, size_t i)
{
    if (key.kind == SettingKind::Flag)
        return key.defaultNumber ? "0" : "1";
    if (key.kind == SettingKind::Text)
        return "v" + std::to_string(i) + " <&>";
    if (key.maxValue != UINT32_MAX)
        return std::to_string(key.maxValue);   // the units and modes: every default is 0
    return std::to_string(1000 + i);
}

// The font rows are the font set's, checked on their own.
bool ThroughTheTable(const SETTING_KEY& key)
{
    return key.kind != SettingKind::Binary && key.kind != SettingKind::Float;
}

// The key's value in the open document, read through the table.
std::string Stored(const SETTING_KEY& key)
{
    char text[400] = {};
    if (key.kind != SettingKind::Text)
        return std::to_string(ReadSettingNumber(key.id));
    ReadSettingText(key.id, text, sizeof text);
    return text;
}

// Writes v the way the option dialogs do: into the global, then the key
// from it; keys without a global directly.
int Write(const SETTING_KEY& key, const std::string& v)
{
    if (!std::holds_alternative<std::monostate>(key.target)) {
        SetGlobal(key, v);
        return WriteSettingGlobal(key.id);
    }
    if (key.kind == SettingKind::Text)
        return WriteSettingText(key.id, v.c_str());
    return WriteSettingNumber(key.id, unsigned(std::stoul(v)));
}

}  // namespace

TEST_CASE("every key through the table: defaults, written values, long values")
{
    Folder f;
    f.Start();
    const auto keys = SettingKeys();

    SUBCASE("the table holds the documented keys and defaults")
    {
        REQUIRE(keys.size() == std::size(kDocumentedDefaults));
        for (size_t i = 0; i < keys.size(); ++i)
            CHECK(Describe(keys[i], DefaultText(keys[i])) == kDocumentedDefaults[i]);
    }
    SUBCASE("a fresh document gives every default, to the globals too")
    {
        Scramble();
        ReadSettingsIntoGlobals();
        for (const SETTING_KEY& key : keys) {
            INFO(std::string(key.attribute));
            // The marker has been moved on by the first start already.
            if (ThroughTheTable(key) && key.id != SettingId::FloatConverted)
                CHECK(Stored(key) == DefaultText(key));
            if (!std::holds_alternative<std::monostate>(key.target))
                CHECK(GlobalText(key) == DefaultText(key));
        }
        LOGFONTW font{};
        float factor = 0;
        CHECK_FALSE(ReadStoredFont(&font));
        CHECK((ReadFontSizeFactor(&factor) && factor == 1.0f));
    }
    SUBCASE("values written from the globals come back after a restart")
    {
        for (size_t i = 0; i < keys.size(); ++i)
            if (ThroughTheTable(keys[i]))
                CHECK(Write(keys[i], WrittenValue(keys[i], i)) == 1);
        LOGFONTW font{};
        font.lfHeight = -17;
        std::wcscpy(font.lfFaceName, L"Tahoma");
        CHECK(WriteStoredFont(&font) == 1);
        WriteSettingString("cfg\\fonts", "mu", "1.500000", nullptr, SettingsDocument.get());
        f.Stop();

        f.Start();
        Scramble();
        ReadSettingsIntoGlobals();
        for (size_t i = 0; i < keys.size(); ++i) {
            INFO(std::string(keys[i].attribute));
            if (ThroughTheTable(keys[i]))
                CHECK(Stored(keys[i]) == WrittenValue(keys[i], i));
            if (!std::holds_alternative<std::monostate>(keys[i].target))
                CHECK(GlobalText(keys[i]) == WrittenValue(keys[i], i));
        }
        LOGFONTW back{};
        float factor = 0;
        CHECK((ReadStoredFont(&back) && std::memcmp(&back, &font, sizeof font) == 0));
        CHECK((ReadFontSizeFactor(&factor) && factor == 1.5f));
    }
    SUBCASE("values too long for their buffers give the default, never a cut or stale text")
    {
        for (const SettingId id : {SettingId::OfflineMaps, SettingId::Itu, SettingId::GpsPort}) {
            const SETTING_KEY& key = GetSettingKey(id);
            INFO(std::string(key.attribute));
            const std::string longest(size_t(key.textSize - 1), 'a');
            std::vector<char> buffer(size_t(key.textSize), '\xCC');

            WriteSettingText(id, longest.c_str());
            CHECK(ReadSettingText(id, buffer.data(), key.textSize) == key.textSize - 1);
            CHECK(std::string(buffer.data()) == longest);

            WriteSettingText(id, (longest + "b").c_str());
            std::fill(buffer.begin(), buffer.end(), '\xCC');
            ReadSettingText(id, buffer.data(), key.textSize);
            CHECK(std::string(buffer.data()) == key.defaultText);
            if (auto global = std::get_if<char*>(&key.target)) {
                Scramble();
                ReadSettingsIntoGlobals();
                CHECK(std::string(*global) == key.defaultText);
            }
        }
    }
    SUBCASE("flags, units out of range, negative offsets")
    {
        WriteSettingString("cfg\\pathvex", "lod", "7", nullptr, SettingsDocument.get());
        WriteSettingString("cfg\\pathvex", "ics", "0", nullptr, SettingsDocument.get());
        WriteSettingString("cfg\\pathvex", "smv", "4", nullptr, SettingsDocument.get());
        WriteSettingString("cfg\\pathvex", "dmv", "2", nullptr, SettingsDocument.get());
        ReadSettingsIntoGlobals();
        CHECK(OnlineMapsEnabled);
        CHECK_FALSE(SolidCompass);
        CHECK(SpeedUnit == 0);
        CHECK(DistanceUnit == 2);
        CompassX = -5;   // an offset: negative values come back as they were
        WriteSettingGlobal(SettingId::CompassX);
        ReadSettingsIntoGlobals();
        CHECK(CompassX == -5);
        char stored[8] = {};
        WriteSettingGlobal(SettingId::Lod);
        SettingsDocument->GetAttributeByPath("cfg\\pathvex", "lod", stored, sizeof stored);
        CHECK(std::string(stored) == "1");
    }
}
