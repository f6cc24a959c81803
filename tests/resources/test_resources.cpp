// The menus, sounds and icons linked into an executable load the way the
// program loads them, and carry the commands, texts and formats it relies on.
#include <doctest.h>
#include <windows.h>
#include <mmsystem.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>
#include <utility>
#include <vector>

#include "resources/resource.h"

namespace {

HINSTANCE Module() { return GetModuleHandleW(nullptr); }

class MenuHandle {
public:
    explicit MenuHandle(int id) : menu_(LoadMenuW(Module(), MAKEINTRESOURCEW(id))) {}
    ~MenuHandle() { if (menu_) DestroyMenu(menu_); }
    MenuHandle(const MenuHandle&) = delete;
    MenuHandle& operator=(const MenuHandle&) = delete;
    HMENU get() const { return menu_; }

private:
    HMENU menu_;
};

struct Item {
    UINT id;             // 0 for a popup
    std::wstring text;
};

std::wstring ItemText(HMENU menu, int pos)
{
    wchar_t buf[200] = {};
    GetMenuStringW(menu, pos, buf, 200, MF_BYPOSITION);
    return buf;
}

// Every command item below the menu, depth first; separators are left out.
void CollectCommands(HMENU menu, std::vector<Item>* out)
{
    const int count = GetMenuItemCount(menu);
    for (int pos = 0; pos < count; ++pos) {
        if (HMENU sub = GetSubMenu(menu, pos)) {
            CollectCommands(sub, out);
            continue;
        }
        if (GetMenuState(menu, pos, MF_BYPOSITION) & MF_SEPARATOR)
            continue;
        out->push_back({GetMenuItemID(menu, pos), ItemText(menu, pos)});
    }
}

std::vector<Item> Commands(HMENU menu)
{
    std::vector<Item> items;
    CollectCommands(menu, &items);
    return items;
}

bool HasCommand(const std::vector<Item>& items, UINT id, const wchar_t* text)
{
    for (const Item& i : items)
        if (i.id == id && i.text == text)
            return true;
    return false;
}

bool HasId(const std::vector<Item>& items, UINT id)
{
    for (const Item& i : items)
        if (i.id == id)
            return true;
    return false;
}

// The texts of the popups directly in the menu, in order.
std::vector<std::wstring> PopupNames(HMENU menu)
{
    std::vector<std::wstring> names;
    for (int pos = 0; pos < GetMenuItemCount(menu); ++pos)
        if (GetSubMenu(menu, pos))
            names.push_back(ItemText(menu, pos));
    return names;
}

HMENU FindPopup(HMENU menu, const wchar_t* name)
{
    for (int pos = 0; pos < GetMenuItemCount(menu); ++pos)
        if (GetSubMenu(menu, pos) && ItemText(menu, pos) == name)
            return GetSubMenu(menu, pos);
    return nullptr;
}

struct Expected {
    UINT id;
    const wchar_t* text;
};

void CheckHolds(const std::vector<Item>& items, const std::vector<Expected>& expected)
{
    for (const Expected& e : expected) {
        INFO("command ", e.id);
        CHECK(HasCommand(items, e.id, e.text));
    }
}

// The bytes of a named resource; empty when it is missing.
std::pair<const uint8_t*, DWORD> ResourceBytes(const wchar_t* name, const wchar_t* type)
{
    HRSRC found = FindResourceW(Module(), name, type);
    if (!found)
        return {nullptr, 0};
    HGLOBAL loaded = LoadResource(Module(), found);
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data)
        return {nullptr, 0};
    return {static_cast<const uint8_t*>(data), SizeofResource(Module(), found)};
}

uint32_t Le32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }
uint16_t Le16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }

struct WaveInfo {
    bool riff = false;            // RIFF size matches the resource, form "WAVE"
    uint16_t format = 0, channels = 0, bits = 0, blockAlign = 0;
    uint32_t rate = 0, byteRate = 0;
    const uint8_t* data = nullptr;
    uint32_t dataSize = 0;
};

// Walks the chunks of a RIFF/WAVE block without reading past its end.
WaveInfo ParseWave(const uint8_t* p, DWORD size)
{
    WaveInfo w;
    if (!p || size < 12 || std::memcmp(p, "RIFF", 4) != 0 || std::memcmp(p + 8, "WAVE", 4) != 0)
        return w;
    w.riff = Le32(p + 4) == size - 8;
    DWORD pos = 12;
    while (pos + 8 <= size) {
        const uint32_t len = Le32(p + pos + 4);
        const uint8_t* body = p + pos + 8;
        if (len > size - pos - 8)
            break;
        if (std::memcmp(p + pos, "fmt ", 4) == 0 && len >= 16) {
            w.format = Le16(body);
            w.channels = Le16(body + 2);
            w.rate = Le32(body + 4);
            w.byteRate = Le32(body + 8);
            w.blockAlign = Le16(body + 12);
            w.bits = Le16(body + 14);
        } else if (std::memcmp(p + pos, "data", 4) == 0) {
            w.data = body;
            w.dataSize = len;
        }
        pos += 8 + len + (len & 1);
    }
    return w;
}

constexpr const wchar_t* kSounds[] = {L"ERR2", L"OK", L"SPD", L"TURN"};
constexpr const wchar_t* kIcons[] = {L"ICON_1", L"ICON_RECORD", L"ICON_PLAY", L"ICON_PAUSE"};

#pragma pack(push, 2)
struct GroupIconEntry {
    BYTE width, height, colors, reserved;
    WORD planes, bitCount;
    DWORD bytes;
    WORD id;
};
#pragma pack(pop)

}  // namespace

TEST_CASE("the small menus offer what their screens need")
{
    SUBCASE("90, picking: OK and Back only") {
        MenuHandle m(IDR_MENU_PICK);
        REQUIRE(m.get());
        const auto items = Commands(m.get());
        CHECK(items.size() == 2);
        CheckHolds(items, {{IDM_PICK_OK, L"OK"}, {IDM_BACK, L"Back"}});
    }
    SUBCASE("91, measuring tool") {
        MenuHandle m(IDR_MENU_CALC);
        REQUIRE(m.get());
        CheckHolds(Commands(m.get()), {
            {IDM_CALC_OPTIONS, L"Precision and Axis..."}, {IDM_CALC_ENTER_POINT, L"Enter point..."},
            {IDM_CALC_POINT_FROM_GPS, L"Get point from GPS"}, {IDM_CALC_CLEAR, L"Clear all points"},
            {IDM_CALC_MEASURE, L"Measure!"}, {IDM_CALC_POINT_FROM_WPT, L"Get point from Waypoint..."},
            {IDM_BACK, L"Back"}});
    }
    SUBCASE("92: Back only") {
        MenuHandle m(IDR_MENU_BACK);
        REQUIRE(m.get());
        const auto items = Commands(m.get());
        CHECK(items.size() == 1);
        CHECK(HasCommand(items, IDM_BACK, L"Back"));
    }
    SUBCASE("93, waypoints") {
        MenuHandle m(IDR_MENU_WAYPOINTS);
        REQUIRE(m.get());
        CheckHolds(Commands(m.get()), {
            {IDM_WAYPOINT_EDIT, L"Edit..."}, {IDM_WAYPOINT_ADD, L"Add manually..."},
            {IDM_WAYPOINT_ADD_HERE, L"Add current position"}, {IDM_WAYPOINT_DELETE, L"Delete selected"},
            {IDM_WAYPOINT_GO, L"Go"}, {IDM_WAYPOINT_MOVE, L"Move to Category"},
            {IDM_WAYPOINT_ADD_CATEGORY, L"Add Category..."}, {IDM_WAYPOINT_GO_DISTANCE, L"Go at distance..."},
            {IDM_SHOWONMAP_PATHVEX, L"Pathvex"}, {IDM_SHOWONMAP_GMAP, L"Google"}, {IDM_SHOWONMAP_YMAP, L"Yahoo"},
            {IDM_EXTMAP_GOOGLE, L"Google"}, {IDM_EXTMAP_YAHOO, L"Yahoo"}, {IDM_EXTMAP_LIVE, L"Live"},
            {IDM_EXPORT_WAYPOINT_KML, L"To KML..."}, {IDM_EXPORT_WAYPOINT_LOC, L"To LOC..."},
            {IDM_EXPORT_ALL_WAYPOINTS_KML, L"ALL waypoints to KML"},
            {IDM_IMPORT_WAYPOINTS, L"From KML or LOC..."}, {IDM_BACK, L"Back"}});
        CHECK(PopupNames(m.get()) == std::vector<std::wstring>{L"Waypoint"});
    }
    SUBCASE("94, route planning: exists, offers no command of its range") {
        MenuHandle m(IDR_MENU_PLAN);
        REQUIRE(m.get());
        for (const Item& i : Commands(m.get()))
            CHECK_FALSE((i.id >= IDM_PLAN_FIRST && i.id <= IDM_PLAN_LAST));
    }
    SUBCASE("95, tracks") {
        MenuHandle m(IDR_MENU_TRACKS);
        REQUIRE(m.get());
        CheckHolds(Commands(m.get()), {
            {IDM_TRACKLIST_VIEW, L"View in map"}, {IDM_TRACKLIST_RUN, L"Run Straight"},
            {IDM_TRACKLIST_DELETE, L"Delete selected"}, {IDM_TRACKLIST_LENGTH, L"Calculate Length"},
            {IDM_TRACKLIST_RUN_REVERSED, L"Run Reversed"}, {IDM_TRACKLIST_RENAME, L"Rename track"},
            {IDM_TRACKLIST_ADD_CATEGORY, L"Add Category..."}, {IDM_TRACKLIST_NORMALIZE, L"Normalize"},
            {IDM_TRACKLIST_MOVE, L"Move to Category..."}, {IDM_EXPORT_TRACK_KML, L"To KML..."},
            {IDM_EXPORT_TRACK_LOC, L"To LOC..."}, {IDM_EXPORT_ALL_TRACKS_KML, L"ALL tracks to KML"},
            {IDM_IMPORT_TRACK, L"From KML or LOC..."}, {IDM_BACK, L"Back"}});
        CHECK(PopupNames(m.get()) == std::vector<std::wstring>{L"Track"});
    }
    SUBCASE("96, web map") {
        MenuHandle m(IDR_MENU_WEBMAP);
        REQUIRE(m.get());
        CheckHolds(Commands(m.get()), {
            {IDM_WEBMAP_ZOOM_IN, L"Zoom In"}, {IDM_WEBMAP_ZOOM_OUT, L"Zoom Out"}, {IDM_BACK, L"Back"}});
        CHECK(PopupNames(m.get()) == std::vector<std::wstring>{L"G/Y Map"});
    }
    SUBCASE("97, offline maps") {
        MenuHandle m(IDR_MENU_MAPS);
        REQUIRE(m.get());
        const auto items = Commands(m.get());
        CheckHolds(items, {{IDM_MAPLIST_VIEW, L"View"}, {IDM_MAPLIST_DELETE, L"Delete"}, {IDM_BACK, L"Back"}});
#if defined(PATHVEX_WM)
        CHECK_FALSE(HasId(items, IDM_MAPLIST_LOAD));
#else
        CHECK(HasCommand(items, IDM_MAPLIST_LOAD, L"Load in Map"));
#endif
    }
    SUBCASE("98 is not a menu") {
        MenuHandle m(98);
        CHECK(m.get() == nullptr);
    }
}

TEST_CASE("the main menu holds every command of the shell")
{
    MenuHandle m(IDR_MENU_MAIN);
    REQUIRE(m.get());
    const auto items = Commands(m.get());

    SUBCASE("screens, also under their GoTo names") {
        CheckHolds(items, {
            {IDM_SCREEN_GPS, L"GPS"}, {IDM_SCREEN_MAP, L"Map"}, {IDM_SCREEN_SATELLITE, L"Satellite"},
            {IDM_SCREEN_TRACKS, L"Tracks"}, {IDM_SCREEN_WAYPOINTS, L"Waypoints"}, {IDM_SCREEN_PATH, L"Path"},
            {IDM_SCREEN_COMPASS, L"Compass"}, {IDM_SCREEN_MAPS, L"Custom maps"}, {IDM_SCREEN_SUN, L"Sun info"},
            {IDM_SCREEN_MOON, L"Moon info"}, {IDM_SCREEN_STATISTICS, L"Statistics"}, {IDM_SCREEN_RAW, L"Raw log"},
            {IDM_SCREEN_CALC_1D, L"1D Distance Calculator"}, {IDM_SCREEN_CALC_2D, L"2D Area Calculator"},
            {IDM_SCREEN_CALC_3D, L"3D Volume Calculator"}, {IDM_SCREEN_TRACKS, L"Select Track"},
            {IDM_SCREEN_WAYPOINTS, L"Select Waypoint"},
            {IDM_SCREEN_WAYPOINTS, L"Distance from Waypoint..."}});
        // The web map is entered from the waypoint commands only.
        CHECK_FALSE(HasId(items, IDM_SCREEN_WEBMAP));
    }
    SUBCASE("GPS, program and update") {
        CheckHolds(items, {
            {IDM_GPS_SETUP, L"GPS Setup..."}, {IDM_GPS_CONNECT, L"GPS Connect"},
            {IDM_GPS_DISCONNECT, L"GPS Disconnect"}, {IDM_GPS_TIME_TO_SYSTEM, L"GPS Time to System"},
            {IDM_DISPLAY_OFF, L"Display off"}, {IDM_SUPPORT_FORUM, L"Support Forum"}, {IDM_DONATE, L"Donate!"},
            {IDM_CHECK_UPDATES, L"Check for updates..."}, {IDM_ABOUT, L"About..."}, {IDM_SHUTDOWN, L"Shutdown"}});
    }
    SUBCASE("view, map and rotation") {
        CheckHolds(items, {
            {IDM_SCHEME_DAY, L"Day"}, {IDM_SCHEME_NIGHT, L"Night"}, {IDM_SCHEME_CUSTOM, L"Custom"},
            {IDM_TOGGLE_FULLSCREEN, L"Toggle Full"}, {IDM_ZOOM_IN, L"Zoom in"}, {IDM_ZOOM_OUT, L"Zoom out"},
            {IDM_HZOOM_IN, L"HZoom in"}, {IDM_HZOOM_OUT, L"HZoom out"}, {IDM_VZOOM_IN, L"VZoom in"},
            {IDM_VZOOM_OUT, L"VZoom out"}, {IDM_MOVE_UP, L"Move up"}, {IDM_MOVE_RIGHT, L"Move right"},
            {IDM_MOVE_DOWN, L"Move down"}, {IDM_MOVE_LEFT, L"Move left"}, {IDM_CENTER_WAYPOINT, L"Center Waypoint"},
            {IDM_ROTATE_ENTER, L"Rotate..."}, {IDM_ROTATE_RIGHT, L"Right"}, {IDM_ROTATE_LEFT, L"Left"},
            {IDM_VIEW_CARTESIAN, L"Cartesian"}, {IDM_VIEW_POLAR, L"Polar"}, {IDM_POLAR_MORE_LINES, L"More Lines"},
            {IDM_POLAR_LESS_LINES, L"Less Lines"}, {IDM_DRAW_TRACK, L"Draw Track"}});
#if defined(PATHVEX_WM)
        CHECK_FALSE(HasId(items, IDM_CALIBRATOR));
#else
        CHECK(HasCommand(items, IDM_CALIBRATOR, L"Calibrator"));
#endif
    }
    SUBCASE("recording and go-to") {
        CheckHolds(items, {
            {IDM_TRACK_START, L"Start Recording"}, {IDM_TRACK_PAUSE, L"Pause/Resume"},
            {IDM_TRACK_END, L"End Recording"}, {IDM_TRACK_END, L"End Playing"},
            {IDM_TRACK_ENTER_XY, L"Enter XY..."}, {IDM_TRACK_RECALCULATE, L"Recalculate route"},
            {IDM_TRACK_FROM_HERE, L"Distance from Here..."}});
    }
    SUBCASE("debug, simulation and SiRF") {
        CheckHolds(items, {
            {IDM_SEND_GPWPL, L"Send Position as GPWPL"}, {IDM_GPS_LOG_ON, L"GPS Log on."},
            {IDM_GPS_LOG_OFF, L"GPS Log off."}, {IDM_SIM_TAPPING, L"Tapping"}, {IDM_SIM_TIMER, L"Timer"},
            {IDM_SIM_FROM_TRACK, L"Load from Track..."}, {IDM_SIM_EDIT, L"Edit existing..."},
            {IDM_LOG_CLEAR, L"Log clear"}, {IDM_SIRF_TO_BINARY, L"Switch to SIRF Binary"},
            {IDM_SIRF_TO_NMEA, L"Switch to NMEA..."}, {IDM_SIRF_DEBUG_ON, L"On"}, {IDM_SIRF_DEBUG_OFF, L"Off"},
            {IDM_SIRF_RATE_GGA, L"GGA"}, {IDM_SIRF_RATE_GLL, L"GLL"}, {IDM_SIRF_RATE_GSA, L"GSA"},
            {IDM_SIRF_RATE_GSV, L"GSV"}, {IDM_SIRF_RATE_RMC, L"RMC"}, {IDM_SIRF_RATE_VTG, L"VTG"},
            {IDM_SIRF_RESET_COLD, L"Cold"}, {IDM_SIRF_RESET_WARM, L"Warm"}, {IDM_SIRF_RESET_HOT, L"Hot"},
            {IDM_SIRF_RESET_FACTORY, L"Factory"}, {IDM_SIRF_WAAS_ON, L"On"}, {IDM_SIRF_WAAS_OFF, L"Off"}});
        // Every SIRF item lies in the range the shell hands to the SiRF handler.
        HMENU tools = FindPopup(m.get(), L"Tools");
        REQUIRE(tools);
        HMENU sirf = FindPopup(tools, L"SIRF");
        REQUIRE(sirf);
        for (const Item& i : Commands(sirf))
            CHECK((i.id >= IDM_SIRF_FIRST && i.id <= IDM_SIRF_LAST));
    }
    SUBCASE("options") {
        CheckHolds(items, {
            {IDM_OPTIONS_MAP, L"Map Options..."}, {IDM_OPTIONS_SPEED, L"Speed Options..."},
            {IDM_OPTIONS_PROGRAM, L"Pathvex Options..."}, {IDM_OPTIONS_RECORD, L"Record Options..."},
            {IDM_OPTIONS_DISTANCE, L"Distance Options..."}, {IDM_OPTIONS_TRACKING, L"Tracking Options..."},
            {IDM_OPTIONS_PLAY, L"Play Options..."}, {IDM_OPTIONS_COLORS, L"Custom Colors..."}});
    }
    SUBCASE("popups of the build") {
        HMENU tools = FindPopup(m.get(), L"Tools");
        REQUIRE(tools);
        CHECK(PopupNames(tools) == std::vector<std::wstring>{L"GPS", L"View", L"Map", L"Calculator",
                                                              L"Track Record", L"GoTo", L"Debug", L"SIRF",
                                                              L"Options"});
        const auto tops = PopupNames(m.get());
#if defined(PATHVEX_HANDHELD)
        CHECK(tops == std::vector<std::wstring>{L"Views", L"Tools"});
        CHECK_FALSE(HasId(items, IDM_HELP_INDEX));
        CHECK_FALSE(HasId(items, IDM_SIZE_240X320));
        // Without a Help popup the web and update commands sit in Tools.
        const auto toolItems = Commands(tools);
        CHECK(HasId(toolItems, IDM_CHECK_UPDATES));
        CHECK(HasId(toolItems, IDM_ABOUT));
#else
        CHECK(tops == std::vector<std::wstring>{L"Views", L"Tools", L"Screen", L"Help"});
        CheckHolds(items, {
            {IDM_HELP_INDEX, L"Index"}, {IDM_SIZE_240X320, L"240x320"}, {IDM_SIZE_320X240, L"320x240"},
            {IDM_SIZE_240X240, L"240x240"}, {IDM_SIZE_320X320, L"320x320"}, {IDM_SIZE_640X480, L"640x480"}});
#endif
    }
    SUBCASE("commands with no menu item stay out of it") {
        CHECK_FALSE(HasId(items, IDM_NEXT_SCREEN));
        CHECK_FALSE(HasId(items, IDM_PREV_SCREEN));
        CHECK_FALSE(HasId(items, IDM_CHOOSE_FONT));
        CHECK_FALSE(HasId(items, IDM_TRACK_REFRESH));
    }
}

TEST_CASE("the sounds are short mono 16-bit PCM WAVE resources")
{
    std::vector<std::pair<const uint8_t*, DWORD>> seen;
    for (const wchar_t* name : kSounds) {
        INFO("sound ", std::string(name, name + std::wcslen(name)));
        const auto [bytes, size] = ResourceBytes(name, L"WAVE");
        REQUIRE(bytes);
        const WaveInfo w = ParseWave(bytes, size);
        CHECK(w.riff);
        CHECK(w.format == WAVE_FORMAT_PCM);
        CHECK(w.channels == 1);
        CHECK(w.bits == 16);
        CHECK(w.rate == 22050);
        CHECK(w.blockAlign == 2);
        CHECK(w.byteRate == w.rate * 2);
        REQUIRE(w.data);
        REQUIRE(w.dataSize % 2 == 0);

        const size_t count = w.dataSize / 2;
        const double seconds = double(count) / w.rate;
        CHECK(seconds >= 0.1);
        CHECK(seconds <= 0.4);

        // Loud enough to hear, and silent at both ends: a tone that starts or
        // stops at full amplitude clicks.
        int peak = 0;
        for (size_t i = 0; i < count; ++i) {
            const int v = int16_t(Le16(w.data + 2 * i));
            peak = v < 0 ? (-v > peak ? -v : peak) : (v > peak ? v : peak);
        }
        CHECK(peak > 8000);
        CHECK(std::abs(int(int16_t(Le16(w.data)))) < 300);
        CHECK(std::abs(int(int16_t(Le16(w.data + 2 * (count - 1))))) < 300);

        for (const auto& [otherBytes, otherSize] : seen)
            CHECK_FALSE((otherSize == size && std::memcmp(otherBytes, bytes, size) == 0));
        seen.emplace_back(bytes, size);
    }
}

TEST_CASE("the icons hold a 32 and a 16 pixel image and load")
{
    for (const wchar_t* name : kIcons) {
        INFO("icon ", std::string(name, name + std::wcslen(name)));
        const auto [group, groupSize] = ResourceBytes(name, RT_GROUP_ICON);
        REQUIRE(group);
        REQUIRE(groupSize >= 6);
        const WORD count = Le16(group + 4);
        REQUIRE(groupSize >= 6 + count * sizeof(GroupIconEntry));
        CHECK(count == 2);

        std::vector<int> widths;
        for (WORD i = 0; i < count; ++i) {
            GroupIconEntry e;
            std::memcpy(&e, group + 6 + i * sizeof(GroupIconEntry), sizeof e);
            widths.push_back(e.width);
            CHECK(e.width == e.height);
            CHECK(e.bitCount == 32);

            // A drawn picture covers a fair share of its square.
            const auto [image, imageSize] = ResourceBytes(MAKEINTRESOURCEW(e.id), RT_ICON);
            REQUIRE(image);
            const size_t pixels = size_t(e.width) * e.width;
            REQUIRE(imageSize >= sizeof(BITMAPINFOHEADER) + pixels * 4);
            size_t opaque = 0;
            for (size_t p = 0; p < pixels; ++p)
                opaque += image[sizeof(BITMAPINFOHEADER) + p * 4 + 3] > 128;
            CHECK(opaque * 4 >= pixels);
        }
        CHECK(widths == std::vector<int>{32, 16});

        HICON shared = LoadIconW(Module(), name);
        CHECK(shared != nullptr);

        for (int size : {16, 32}) {
            HICON icon = static_cast<HICON>(LoadImageW(Module(), name, IMAGE_ICON, size, size, 0));
            REQUIRE(icon);
            ICONINFO info{};
            REQUIRE(GetIconInfo(icon, &info));
            BITMAP bm{};
            GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bm, &bm);
            CHECK(bm.bmWidth == size);
            if (info.hbmColor) DeleteObject(info.hbmColor);
            if (info.hbmMask) DeleteObject(info.hbmMask);
            DestroyIcon(icon);
        }
    }
}

TEST_CASE("every variant carries the option dialogs; pathvex-wm has no calibrator")
{
    for (const wchar_t* name :
         {L"DIALOG_SPDOPTIONS", L"DIALOG_DSTOPTIONS", L"DIALOG_PATHVEXOPTIONS", L"DIALOG_RECORDOPTIONS",
          L"DIALOG_PLAYOPTIONS", L"DIALOG_TRACKINGOPTIONS", L"DIALOG_COLOROPTIONS", L"DIALOG_SPEEDLIMIT",
          L"DIALOG_SPEEDLIMIT2", L"DIALOG_MAPOPTIONS"}) {
        CAPTURE(std::string(name, name + std::wcslen(name)));
        CHECK(ResourceBytes(name, RT_DIALOG).first != nullptr);
    }
#if defined(PATHVEX_WM)
    CHECK(ResourceBytes(L"DIALOG_GOOGLECALIBRATE", RT_DIALOG).first == nullptr);
#else
    CHECK(ResourceBytes(L"DIALOG_GOOGLECALIBRATE", RT_DIALOG).first != nullptr);
#endif
}

TEST_CASE("every variant carries the KML template of the track export")
{
    const auto [bytes, size] = ResourceBytes(L"PATHXML", L"DATA");
    REQUIRE(bytes);
    CHECK(size == 724);
    const std::string text(reinterpret_cast<const char*>(bytes), size);
    CHECK(text.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\r\n"
                     "<kml xmlns=\"http://earth.google.com/kml/2.1\">\r\n<Document>\r\n", 0) == 0);
    CHECK(text.find("\t\t\t<coordinates>\r\n\t\t\t</coordinates>\r\n") != std::string::npos);
}
