// The option dialogs in the running window: opened by their commands,
// changed, confirmed or cancelled, and read back from the settings document
// in memory and from pathvex.xml after the store is saved.
#include "option_test_util.h"

#include "app/option_binding.h"
#include "app/options.h"
#include "panes/panes.h"
#include "resources/resource.h"
#include "xml/xml.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

using namespace optiontest;

namespace {

constexpr wchar_t kRecordCaption[] = L"Record Options";

// The dialogs of Tools/Options that only bind settings, with their captions.
struct BOUND_DIALOG {
    int command;
    const wchar_t* name;
    const wchar_t* caption;
};
constexpr BOUND_DIALOG kBoundDialogs[] = {
    {IDM_OPTIONS_MAP, L"DIALOG_MAPOPTIONS", L"Map Options"},
    {IDM_OPTIONS_SPEED, L"DIALOG_SPDOPTIONS", L"Speed Options"},
    {IDM_OPTIONS_PROGRAM, L"DIALOG_PATHVEXOPTIONS", L"Pathvex Options"},
    {IDM_OPTIONS_RECORD, L"DIALOG_RECORDOPTIONS", kRecordCaption},
    {IDM_OPTIONS_DISTANCE, L"DIALOG_DSTOPTIONS", L"Distance Options"},
    {IDM_OPTIONS_TRACKING, L"DIALOG_TRACKINGOPTIONS", L"Tracking Options"},
    {IDM_OPTIONS_PLAY, L"DIALOG_PLAYOPTIONS", kRecordCaption},
    {IDM_OPTIONS_COLORS, L"DIALOG_COLOROPTIONS", L"Custom Colors"},
};

std::string Narrow(const std::wstring& w)
{
    return std::string(w.begin(), w.end());
}

// Every key's global and stored value, to see that nothing moved.
std::vector<unsigned> AllSettings()
{
    std::vector<unsigned> all;
    for (const SETTING_KEY& key : SettingKeys()) {
        all.push_back(SettingGlobalNumber(key.id));
        all.push_back(ReadSettingNumber(key.id));
    }
    char text[kInternetTrackingUrlSize] = {};
    ReadSettingText(SettingId::Itu, text, sizeof text);
    all.push_back(static_cast<unsigned>(std::string(text).size()));
    return all;
}

bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// Opens the dialog of command, lets fill change it and presses button.
bool Answer(WindowFixture& f, int command, const wchar_t* caption, const std::function<void(HWND)>& fill,
            int button = IDOK)
{
    DialogAnswerer a(caption, [&](HWND d) {
        fill(d);
        return button;
    });
    f.Command(command);
    return a.Answered();
}

}  // namespace

TEST_CASE("record options: Start Recording asks first; OK replaces what the filters cannot use")
{
    WindowFixture f;

    SUBCASE("Cancel before a recording starts nothing") {
        CHECK(Answer(f, IDM_TRACK_START, kRecordCaption, [](HWND) {}, IDCANCEL));
        CHECK(RecorderState.load() == kRecorderIdle);
    }
    SUBCASE("a speed of 0 stores 5 and the recording filters with it") {
        std::wstring shownSpeed;
        int listed = 0;
        CHECK(Answer(f, IDM_TRACK_START, kRecordCaption, [&](HWND d) {
            shownSpeed = ItemText(d, IDC_RECOPT_MIN_SPEED);
            listed = static_cast<int>(SendDlgItemMessageW(d, IDC_RECOPT_MIN_SPEED, CB_GETCOUNT, 0, 0));
            SetItem(d, IDC_RECOPT_MIN_SPEED, L"0");
            SetItem(d, IDC_RECOPT_MIN_ANGLE, L"14");
        }));
        CHECK(shownSpeed == L"5");
        CHECK(listed == 10);
        CHECK(RecorderState.load() == kRecorderRecording);
        CHECK(ActiveTrack.speedThreshold == 5.0f);
        CHECK(ActiveTrack.angleThreshold == 14.0f);
        CHECK(ReadSettingNumber(SettingId::TrackSpeed) == 5);
        f.Command(IDM_TRACK_END);
    }
    SUBCASE("the rows' edges, the check boxes, and the file after a normal close") {
        CHECK(Answer(f, IDM_OPTIONS_RECORD, kRecordCaption, [](HWND d) {
            SetItem(d, IDC_RECOPT_MIN_SPEED, L"7");
            SetItem(d, IDC_RECOPT_MIN_ANGLE, L"0");
            SetItem(d, IDC_RECOPT_NORMALIZE, L"100");
            Check(d, IDC_RECOPT_CELLID, false);
            Check(d, IDC_RECOPT_SPEED, true);
        }));
        CHECK(RecordSpeedFilter == 7);
        CHECK(RecordAngleFilter == 10);
        CHECK(NormalizationMetres == 100);
        CHECK_FALSE(RecordCellIds.load());
        CHECK(RecordSpeed);
        CHECK(Answer(f, IDM_OPTIONS_RECORD, kRecordCaption,
                     [](HWND d) { SetItem(d, IDC_RECOPT_NORMALIZE, L"101"); }));
        CHECK(ReadSettingNumber(SettingId::Ntm) == 15);
        const std::string file = f.SavedFile();
        CHECK(Contains(file, "<track speed=\"7\" angle=\"10\"/>"));
        CHECK(Contains(file, "ntm=\"15\" rci=\"0\" drp=\"1\" rsc=\"1\" rtc=\"0\""));
    }
}

TEST_CASE("play options: each row's replacement at its edge, the key order, Cancel")
{
    WindowFixture f;
    const auto set = [](std::vector<std::pair<int, const wchar_t*>> typed) {
        return [typed](HWND d) {
            for (const auto& [id, text] : typed)
                SetItem(d, id, text);
        };
    };

    SUBCASE("just beyond each limit takes the replacement") {
        CHECK(Answer(f, IDM_OPTIONS_PLAY, kRecordCaption,
                     set({{IDC_PLAYOPT_RECALC_SECS, L"31"}, {IDC_PLAYOPT_REACH_METERS, L"0"},
                          {IDC_PLAYOPT_REACH_SECS, L"0"}, {IDC_PLAYOPT_TURN_ANGLE, L"0"},
                          {IDC_PLAYOPT_WARN_UNITS, L"9"}, {IDC_PLAYOPT_WARN_SECS, L"1000"},
                          {IDC_PLAYOPT_PATH_SIZE, L"31"}})));
        CHECK(RecalculateSeconds == 5);
        CHECK(WaypointReachedMetres == 15);
        CHECK(WaypointReachedSeconds == 10);
        CHECK(TurnAngle == 30);
        CHECK(TurnWarnDistance == 300);
        CHECK(TurnWarnSeconds == 10);
        CHECK(PathSize == 5);
        // Written in the dialog's order, after the marker the store wrote.
        const std::string file = f.SavedFile();
        CHECK(Contains(file, "rws=\"5\" wrm=\"15\" wrs=\"10\" cpc=\"1\" swt=\"1\" swa=\"30\" vci=\"1\" muw=\"300\" "
                             "msw=\"10\" pls=\"5\""));
    }
    SUBCASE("at each limit the typed value stays; the up-down's 1000 is read as 1000") {
        CHECK(Answer(f, IDM_OPTIONS_PLAY, kRecordCaption, [](HWND d) {
            SetItem(d, IDC_PLAYOPT_RECALC_SECS, L"30");
            SetItem(d, IDC_PLAYOPT_WARN_SECS, L"999");
            SetItem(d, IDC_PLAYOPT_PATH_SIZE, L"30");
            SetItem(d, IDC_PLAYOPT_TURN_ANGLE, L"1");
            SendDlgItemMessageW(d, IDC_PLAYOPT_WARN_UNITS_SPIN, UDM_SETPOS32, 0, 1000);
            Check(d, IDC_PLAYOPT_CENTER, false);
            Check(d, IDC_PLAYOPT_CELLID_MAP, false);
        }));
        CHECK(RecalculateSeconds == 30);
        CHECK(TurnWarnSeconds == 999);
        CHECK(PathSize == 30);
        CHECK(TurnAngle == 1);
        CHECK(TurnWarnDistance == 1000);
        CHECK_FALSE(PathCentredOnPosition);
        CHECK_FALSE(ShowCellIdsOnMap);
        CHECK(TurnSoundEnabled);
        CHECK(ReadSettingNumber(SettingId::Muw) == 1000);
    }
    SUBCASE("Cancel changes neither globals nor document; the route commands' call says which") {
        DialogAnswerer a(kRecordCaption, [](HWND d) {
            SetItem(d, IDC_PLAYOPT_RECALC_SECS, L"20");
            Check(d, IDC_PLAYOPT_TURN_SOUND, false);
            return IDCANCEL;
        });
        CHECK_FALSE(ShowPlayOptionsDialog(f.window));
        CHECK(RecalculateSeconds == 3);
        CHECK(TurnSoundEnabled);
        char stored[16] = {};
        ReadSettingString("cfg\\pathvex", "rws", "none", stored, sizeof stored, nullptr, SettingsDocument.get());
        CHECK(std::string(stored) == "none");
        DialogAnswerer ok(kRecordCaption, [](HWND) { return IDOK; });
        CHECK(ShowPlayOptionsDialog(f.window));
        CHECK(ReadSettingNumber(SettingId::Rws) == 3);
    }
}

// Whatever is typed, a number field stores what typing 0 (or, for "1e99",
// 1) would: the rows' replacements see the number the user can mean.
TEST_CASE("bad numbers in every numeric field; Cancel in every dialog changes nothing")
{
    WindowFixture f;
    for (const BOUND_DIALOG& d : kBoundDialogs) {
        CAPTURE(Narrow(d.name));
        const auto bindings = OptionBindings(d.name);
        REQUIRE_FALSE(bindings.empty());
        // A picture of each, for a person to look at.
        CHECK(Answer(f, d.command, d.caption,
                     [&](HWND dialog) { CHECK(SavePicture(dialog, Narrow(d.name) + ".png")); }));

        const std::vector<unsigned> before = AllSettings();
        CHECK(Answer(
            f, d.command, d.caption,
            [&](HWND dialog) {
                for (const OPTION_BINDING& b : bindings) {
                    if (b.kind == BoundKind::Check)
                        Check(dialog, b.control, !Checked(dialog, b.control));
                    else if (b.kind == BoundKind::ComboIndex)
                        SendDlgItemMessageW(dialog, b.control, CB_SETCURSEL, 1, 0);
                    else
                        SetItem(dialog, b.control, L"7");
                }
                if (d.command == IDM_OPTIONS_TRACKING)
                    SetItem(dialog, IDC_TRKOPT_URL, L"http://cancelled/");
            },
            IDCANCEL));
        CHECK(AllSettings() == before);

        const auto typeEverywhere = [&](const wchar_t* text) {
            std::vector<unsigned> stored;
            CHECK(Answer(f, d.command, d.caption, [&](HWND dialog) {
                for (const OPTION_BINDING& b : bindings)
                    if (b.kind == BoundKind::Number || b.kind == BoundKind::ComboText)
                        SetItem(dialog, b.control, text);
            }));
            for (const OPTION_BINDING& b : bindings)
                stored.push_back(ReadSettingNumber(b.setting));
            return stored;
        };
        const bool numbers = std::any_of(bindings.begin(), bindings.end(), [](const OPTION_BINDING& b) {
            return b.kind == BoundKind::Number || b.kind == BoundKind::ComboText;
        });
        if (!numbers)
            continue;
        const std::vector<unsigned> zero = typeEverywhere(L"0");
        const std::vector<unsigned> one = typeEverywhere(L"1");
        for (const wchar_t* bad : {L"abc", L"-5", L"4294967296", L"", L" -0"}) {
            CAPTURE(Narrow(bad));
            CHECK(typeEverywhere(bad) == zero);
        }
        CHECK(typeEverywhere(L"1e99") == one);
    }
    // Still a document the program reads back.
    const std::string file = f.SavedFile();
    XMLDocument reread(file.c_str(), XML_LOAD_TEXT);
    CHECK(reread.GetParseStatus(nullptr) == XML_STATUS_OK);
}

TEST_CASE("speed, distance and program options: lists, boxes and the key order")
{
    WindowFixture f;
    std::vector<std::wstring> units;
    CHECK(Answer(f, IDM_OPTIONS_SPEED, L"Speed Options", [&](HWND d) {
        for (int i = 0; i < 4; ++i) {
            wchar_t text[32] = {};
            SendDlgItemMessageW(d, IDC_SPDOPT_UNIT, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
            units.push_back(text);
        }
        SendDlgItemMessageW(d, IDC_SPDOPT_UNIT, CB_SETCURSEL, 3, 0);
        Check(d, IDC_SPDOPT_WARN, true);
    }));
    CHECK(units == std::vector<std::wstring>{L"Km/H", L"Knots", L"m/s", L"MpH"});
    CHECK(SpeedUnit == 3);
    CHECK(SpeedLimitWarning.load());
    int shown = -1;
    CHECK(Answer(f, IDM_OPTIONS_DISTANCE, L"Distance Options", [&](HWND d) {
        shown = static_cast<int>(SendDlgItemMessageW(d, IDC_DSTOPT_UNIT, CB_GETCURSEL, 0, 0));
        SendDlgItemMessageW(d, IDC_DSTOPT_UNIT, CB_SETCURSEL, 2, 0);
    }));
    CHECK(shown == 0);
    CHECK(DistanceUnit == 2);
    CHECK(Answer(f, IDM_OPTIONS_PROGRAM, L"Pathvex Options", [](HWND d) {
        for (int id = IDC_PRGOPT_AUTOCONNECT; id <= IDC_PRGOPT_BACKLIGHT; ++id)
            Check(d, id, !Checked(d, id));
    }));
    CHECK(AutoConnect);
    CHECK_FALSE(SolidCompass);
    CHECK_FALSE(ShowCompassLetters);
    CHECK(CoordinateMode == 1);
    CHECK_FALSE(KeepBacklightOn);
    const std::string file = f.SavedFile();
    CHECK(Contains(file, "slw=\"1\" smv=\"3\" dmv=\"2\" agc=\"1\" ics=\"0\" scl=\"0\" xmv=\"1\" kbo=\"0\""));
}

namespace {

int TrackingTicks = 0;
ULONGLONG FirstTickAt = 0;
void CountTrackingTick(HWND)
{
    if (TrackingTicks++ == 0)
        FirstTickAt = GetTickCount64();
}

bool PumpFor(DWORD ms, const std::function<bool()>& done)
{
    const ULONGLONG until = GetTickCount64() + ms;
    while (GetTickCount64() < until) {
        if (done())
            return true;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        Pump();
    }
    return done();
}

}  // namespace

TEST_CASE("tracking options: the address template, cut at a character, and timer 3 anew")
{
    WindowFixture f;
    ShellSeams.internetTrackingTick = CountTrackingTick;
    TrackingTicks = 0;

    SUBCASE("an empty template shows the example; a cut never splits a character") {
        std::wstring example;
        // 198 ASCII characters and an e-acute: 200 bytes of UTF-8, cut to 198.
        const std::wstring cut = L"http://h/" + std::wstring(189, L'a') + L"\u00e9";
        CHECK(Answer(f, IDM_OPTIONS_TRACKING, L"Tracking Options", [&](HWND d) {
            example = ItemText(d, IDC_TRKOPT_URL);
            SetItem(d, IDC_TRKOPT_URL, cut.c_str());
        }));
        CHECK(example.find(L"/gps.php?x=%1&y=%2&z=%3") != std::wstring::npos);
        CHECK(std::string(InternetTrackingUrl) == "http://h/" + std::string(189, 'a'));
        // 199 bytes fit whole and come back whole.
        const std::wstring longest = L"http://h/?x=%1" + std::wstring(185, L'b');
        std::wstring shown;
        CHECK(Answer(f, IDM_OPTIONS_TRACKING, L"Tracking Options",
                     [&](HWND d) { SetItem(d, IDC_TRKOPT_URL, longest.c_str()); }));
        CHECK(Answer(f, IDM_OPTIONS_TRACKING, L"Tracking Options", [&](HWND d) {
            shown = ItemText(d, IDC_TRKOPT_URL);
            SetItem(d, IDC_TRKOPT_URL, L"http://h/\u00e9?x=%1");
        }));
        CHECK(shown == longest);
        CHECK(std::string(InternetTrackingUrl) == "http://h/\xc3\xa9?x=%1");
        const std::string file = f.SavedFile();
        CHECK(Contains(file, "itu=\"http://h/\xc3\xa9?x=%1\""));
    }
    SUBCASE("1 second reports after a second, 30 waits, 0 stops at once") {
        ULONGLONG confirmed = 0;
        CHECK(Answer(f, IDM_OPTIONS_TRACKING, L"Tracking Options", [&](HWND d) {
            Check(d, IDC_TRKOPT_ENABLE, true);
            SetItem(d, IDC_TRKOPT_INTERVAL, L"1");
            confirmed = GetTickCount64();
        }));
        CHECK(InternetTrackingEnabled);
        CHECK(PumpFor(5000, [] { return TrackingTicks > 0; }));
        CHECK(FirstTickAt >= confirmed + 900);
        const auto period = [&](const wchar_t* seconds) {
            CHECK(Answer(f, IDM_OPTIONS_TRACKING, L"Tracking Options",
                         [&](HWND d) { SetItem(d, IDC_TRKOPT_INTERVAL, seconds); }));
            TrackingTicks = 0;
        };
        period(L"30");
        CHECK_FALSE(PumpFor(1200, [] { return TrackingTicks > 0; }));
        CHECK(KillTimer(f.window, TIMER_TRACKING));
        period(L"1");
        period(L"0");
        CHECK_FALSE(PumpFor(1200, [] { return TrackingTicks > 0; }));
        CHECK(InternetTrackingSeconds == 0);
        CHECK_FALSE(KillTimer(f.window, TIMER_TRACKING));
    }
}

TEST_CASE("custom colours: the system's chooser starts from the edit and fills it")
{
    WindowFixture f;
    std::wstring red, blue;
    {
        // The chooser's own red, green and blue edits.
        constexpr int kChooserRed = 706, kChooserGreen = 707, kChooserBlue = 708;
        DialogAnswerer chooser(L"Color", [&](HWND d) {
            red = ItemText(d, kChooserRed);
            blue = ItemText(d, kChooserBlue);
            SetItem(d, kChooserRed, L"18");
            SetItem(d, kChooserGreen, L"52");
            SetItem(d, kChooserBlue, L"86");
            return IDOK;
        });
        CHECK(Answer(f, IDM_OPTIONS_COLORS, L"Custom Colors", [&](HWND d) {
            SendMessageW(d, WM_COMMAND, MAKEWPARAM(IDC_COLOROPT_PICK_FIRST + 2, BN_CLICKED), 0);
            SetItem(d, IDC_COLOROPT_EDIT_FIRST, L"4294967295");   // no colour: c1 stays
            SetItem(d, IDC_COLOROPT_EDIT_FIRST + 5, L"16777215");
        }));
        CHECK(chooser.Answered());
    }
    CHECK(red == L"0");   // c3 starts as pure blue
    CHECK(blue == L"255");
    CHECK(CustomColors[2] == RGB(18, 52, 86));
    CHECK(CustomColors[0] == 0);
    CHECK(CustomColors[5] == 0xFFFFFF);
    const std::string file = f.SavedFile();
    CHECK(Contains(file, "c1=\"0\" c2=\"15329769\" c3=\"5649426\""));
    CHECK(Contains(file, "c6=\"16777215\""));
}

TEST_CASE("speed limits by double-click: steps of 5, never below 0, and the marks while recording")
{
    WindowFixture f;
    UpdateWindow(f.window);
    const RECT speed = SpeedValueRect;
    REQUIRE(speed.right > speed.left);
    const LPARAM at = MAKELPARAM(speed.left + 1, speed.top + 1);
    LowSpeedLimit.store(0);
    HighSpeedLimit.store(0);

    SUBCASE("Down at 0 keeps 0; Up, the up-down's steps, and Cancel keeps what changed") {
        std::wstring lowShown;
        DialogAnswerer a(L"Speed Limits", [&](HWND d) {
            SendMessageW(d, WM_COMMAND, IDC_SPEEDLIMIT_LOW_DOWN, 0);
            CHECK(ItemText(d, IDC_SPEEDLIMIT_LOW) == L"0");
            SendMessageW(d, WM_COMMAND, IDC_SPEEDLIMIT_LOW_UP, 0);
            SendMessageW(d, WM_COMMAND, IDC_SPEEDLIMIT_LOW_UP, 0);
            SendMessageW(d, WM_COMMAND, IDC_SPEEDLIMIT_HIGH_UP, 0);
            SendMessageW(d, WM_COMMAND, IDC_SPEEDLIMIT_HIGH_DOWN, 0);
            SendMessageW(d, WM_COMMAND, IDC_SPEEDLIMIT_HIGH_DOWN, 0);
            // A click on the upper arrow of the low up-down.
            HWND spin = GetDlgItem(d, IDC_SPEEDLIMIT_LOW_SPIN);
            RECT r{};
            GetClientRect(spin, &r);
            SendMessageW(spin, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(r.right / 2, r.bottom / 4));
            SendMessageW(spin, WM_LBUTTONUP, 0, MAKELPARAM(r.right / 2, r.bottom / 4));
            lowShown = ItemText(d, IDC_SPEEDLIMIT_LOW);
            CHECK(SavePicture(d, "DIALOG_SPEEDLIMIT.png"));
            return IDCANCEL;
        });
        SendMessageW(f.window, WM_LBUTTONDBLCLK, 0, at);
        CHECK(a.Answered());
        CHECK(LowSpeedLimit.load() == 15);
        CHECK(HighSpeedLimit.load() == 0);
        CHECK(lowShown == L"15");
    }
    SUBCASE("while recording a speed button marks a point; CLOSE marks none") {
        {
            LiveRecordGuard live(&GpsDevice);
            live->fix = 1;
            live->pos.x = 10;
            live->pos.y = 50;
        }
        StartRecording();
        DialogAnswerer a(L"SL Waypoint", [](HWND d) {
            CHECK(SavePicture(d, "DIALOG_SPEEDLIMIT2.png"));
            return 70;
        });
        SendMessageW(f.window, WM_LBUTTONDBLCLK, 0, at);
        CHECK(a.Answered());
        {
            LiveRecordGuard live(&GpsDevice);
            REQUIRE(ActiveTrack.points.size() == 1);
            CHECK(ActiveTrack.points[0].mark == 70);
        }
        DialogAnswerer close(L"SL Waypoint", [](HWND) { return IDCANCEL; });
        SendMessageW(f.window, WM_LBUTTONDBLCLK, 0, at);
        CHECK(close.Answered());
        CHECK(ActiveTrack.points.size() == 1);
        StopRecording();
        LiveRecordGuard(&GpsDevice)->fix = 0;
    }
}
