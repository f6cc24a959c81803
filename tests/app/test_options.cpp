// The option dialogs in the running window: opened by their commands,
// changed, confirmed or cancelled, and read back from the settings document
// in memory and from pathvex.xml after the store is saved.
#include "option_test_util.h"

#include "support/http_server.h"

#include "kit/option_binding.h"
#include "app/options.h"
#include "panes/panes.h"
#include "resources/resource.h"
#include "xml/xml.h"

#include <commctrl.h>

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

}  // namespace

// What typing into a row keeps, in its global and its key.
struct EDGE {
    int command;
    int control;
    const wchar_t* typed;
    SettingId key;
    unsigned kept;
};

TEST_CASE("each row's replacement at its edge; Start Recording and the route commands ask first")
{
    WindowFixture f;
    constexpr int R = IDM_OPTIONS_RECORD, P = IDM_OPTIONS_PLAY;
    using I = SettingId;
    const std::vector<EDGE> beyond = {
        {R, IDC_RECOPT_MIN_SPEED, L"0", I::TrackSpeed, 5},
        {R, IDC_RECOPT_MIN_ANGLE, L"0", I::TrackAngle, 10},
        {R, IDC_RECOPT_NORMALIZE, L"101", I::Ntm, 15},
        {P, IDC_PLAYOPT_RECALC_SECS, L"31", I::Rws, 5},
        {P, IDC_PLAYOPT_REACH_METERS, L"0", I::Wrm, 15},
        {P, IDC_PLAYOPT_REACH_SECS, L"0", I::Wrs, 10},
        {P, IDC_PLAYOPT_TURN_ANGLE, L"0", I::Swa, 30},
        {P, IDC_PLAYOPT_WARN_UNITS, L"9", I::Muw, 300},
        {P, IDC_PLAYOPT_WARN_SECS, L"1000", I::Msw, 10},
        {P, IDC_PLAYOPT_PATH_SIZE, L"31", I::Pls, 5},
    };
    const std::vector<EDGE> at = {
        {R, IDC_RECOPT_MIN_SPEED, L"7", I::TrackSpeed, 7},
        {R, IDC_RECOPT_MIN_ANGLE, L"1", I::TrackAngle, 1},
        {R, IDC_RECOPT_NORMALIZE, L"100", I::Ntm, 100},
        {P, IDC_PLAYOPT_RECALC_SECS, L"30", I::Rws, 30},
        {P, IDC_PLAYOPT_WARN_UNITS, L"10", I::Muw, 10},
        {P, IDC_PLAYOPT_WARN_SECS, L"999", I::Msw, 999},
        {P, IDC_PLAYOPT_PATH_SIZE, L"30", I::Pls, 30},
    };
    for (const auto* edges : {&beyond, &at}) {
        for (const int command : {R, P}) {
            CHECK(Answer(f, command, kRecordCaption, [&](HWND d) {
                for (const EDGE& e : *edges)
                    if (e.command == command)
                        SetItem(d, e.control, e.typed);
            }));
        }
        for (const EDGE& e : *edges) {
            CAPTURE(e.control);
            CHECK(SettingGlobalNumber(e.key) == e.kept);
            CHECK(ReadSettingNumber(e.key) == e.kept);
        }
    }
    SUBCASE("the up-down's 1000 is read as 1000; the play keys are written in their order") {
        CHECK(Answer(f, P, kRecordCaption, [](HWND d) {
            SendDlgItemMessageW(d, IDC_PLAYOPT_WARN_UNITS_SPIN, UDM_SETPOS32, 0, 1000);
            Check(d, IDC_PLAYOPT_CENTER, false);
        }));
        CHECK(TurnWarnDistance == 1000);
        CHECK_FALSE(PathCentredOnPosition);
        CHECK(Contains(f.SavedFile(), "rws=\"30\" wrm=\"15\" wrs=\"10\" cpc=\"0\" swt=\"1\" swa=\"30\" vci=\"1\" "
                                      "muw=\"1000\" msw=\"999\" pls=\"30\""));
    }
    SUBCASE("Start Recording: Cancel records nothing; a speed of 0 (after 7) records with 5") {
        CHECK(Answer(f, IDM_TRACK_START, kRecordCaption, [](HWND) {}, IDCANCEL));
        CHECK(RecorderState.load() == kRecorderIdle);
        CHECK(Answer(f, IDM_TRACK_START, kRecordCaption, [](HWND d) { SetItem(d, IDC_RECOPT_MIN_SPEED, L"0"); }));
        CHECK(RecorderState.load() == kRecorderRecording);
        CHECK(ActiveTrack.speedThreshold == 5.0f);
        CHECK(ReadSettingNumber(SettingId::TrackSpeed) == 5);
        f.Command(IDM_TRACK_END);
    }
    SUBCASE("the route commands' call: false on Cancel, true on OK") {
        DialogAnswerer no(kRecordCaption, [](HWND) { return IDCANCEL; });
        CHECK_FALSE(ShowPlayOptionsDialog(f.window));
        DialogAnswerer yes(kRecordCaption, [](HWND) { return IDOK; });
        CHECK(ShowPlayOptionsDialog(f.window));
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

        bool numbers = false;
        const auto typeEverywhere = [&](const wchar_t* text) {
            std::vector<unsigned> stored;
            CHECK(Answer(f, d.command, d.caption, [&](HWND dialog) {
                for (const OPTION_BINDING& b : bindings)
                    if (b.kind == BoundKind::Number || b.kind == BoundKind::ComboText) {
                        SetItem(dialog, b.control, text);
                        numbers = true;
                    }
            }));
            for (const OPTION_BINDING& b : bindings)
                stored.push_back(ReadSettingNumber(b.setting));
            return stored;
        };
        const std::vector<unsigned> zero = typeEverywhere(L"0");
        if (!numbers)
            continue;
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
    CHECK(Answer(f, IDM_OPTIONS_SPEED, L"Speed Options", [&](HWND d) {
        CHECK(SendDlgItemMessageW(d, IDC_SPDOPT_UNIT, CB_GETCOUNT, 0, 0) == 4);
        SendDlgItemMessageW(d, IDC_SPDOPT_UNIT, CB_SETCURSEL, 3, 0);
        Check(d, IDC_SPDOPT_WARN, true);
    }));
    CHECK(Answer(f, IDM_OPTIONS_DISTANCE, L"Distance Options",
                 [&](HWND d) { SendDlgItemMessageW(d, IDC_DSTOPT_UNIT, CB_SETCURSEL, 2, 0); }));
    CHECK(Answer(f, IDM_OPTIONS_PROGRAM, L"Pathvex Options", [](HWND d) {
        for (int id = IDC_PRGOPT_AUTOCONNECT; id <= IDC_PRGOPT_BACKLIGHT; ++id)
            Check(d, id, !Checked(d, id));
    }));
    CHECK(SpeedUnit == 3);
    CHECK(DistanceUnit == 2);
    CHECK(CoordinateMode == 1);
    CHECK(Contains(f.SavedFile(), "slw=\"1\" smv=\"3\" dmv=\"2\" agc=\"1\" ics=\"0\" scl=\"0\" xmv=\"1\" kbo=\"0\""));
}

TEST_CASE("tracking options: the address template, cut at a character, and timer 3 anew")
{
    WindowFixture f;
    // Each tick of timer 3 reports the fix to the test's own server.
    testsupport::HttpServer server;
    const std::wstring report = testsupport::Wide(server.Url("/report?x=%1"));
    LiveRecordGuard(&GpsDevice)->fix = 1;
    size_t reportsBefore = 0;
    const auto tracking = [&](const std::function<void(HWND)>& fill) {
        CHECK(Answer(f, IDM_OPTIONS_TRACKING, L"Tracking Options", fill));
        reportsBefore = server.RequestCount();
    };
    const auto reported = [&] { return server.RequestCount() > reportsBefore; };

    SUBCASE("the example shows while none is stored; 199 bytes come back whole; a cut splits no character") {
        std::wstring example, shown;
        const std::wstring longest = L"http://h/?x=%1" + std::wstring(185, L'b');
        tracking([&](HWND d) {
            example = ItemText(d, IDC_TRKOPT_URL);
            SetItem(d, IDC_TRKOPT_URL, longest.c_str());
        });
        // 198 ASCII characters and an e-acute: 200 bytes of UTF-8, cut to 198.
        tracking([&](HWND d) {
            shown = ItemText(d, IDC_TRKOPT_URL);
            SetItem(d, IDC_TRKOPT_URL, (L"http://h/" + std::wstring(189, L'a') + L"\u00e9").c_str());
        });
        CHECK(example.find(L"/gps.php?x=%1&y=%2&z=%3") != std::wstring::npos);
        CHECK(shown == longest);
        CHECK(Contains(f.SavedFile(), "itu=\"http://h/" + std::string(189, 'a') + "\""));
    }
    SUBCASE("1 second reports after a second, 30 waits, 0 stops at once") {
        ULONGLONG confirmed = 0;
        tracking([&](HWND d) {
            Check(d, IDC_TRKOPT_ENABLE, true);
            SetItem(d, IDC_TRKOPT_URL, report.c_str());
            SetItem(d, IDC_TRKOPT_INTERVAL, L"1");
            confirmed = GetTickCount64();
        });
        CHECK(PumpUntil(reported));
        CHECK((reported() && server.Requests()[reportsBefore].tick >= confirmed + 900));
        tracking([](HWND d) { SetItem(d, IDC_TRKOPT_INTERVAL, L"30"); });
        CHECK_FALSE(PumpUntil(reported, 1200));
        CHECK(KillTimer(f.window, TIMER_TRACKING));
        tracking([](HWND d) { SetItem(d, IDC_TRKOPT_INTERVAL, L"1"); });
        tracking([](HWND d) { SetItem(d, IDC_TRKOPT_INTERVAL, L"0"); });
        CHECK_FALSE(PumpUntil(reported, 1200));
        CHECK_FALSE(KillTimer(f.window, TIMER_TRACKING));
    }
    LiveRecordGuard(&GpsDevice)->fix = 0;
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
