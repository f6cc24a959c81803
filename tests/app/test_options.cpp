// The option dialogs in the running window: opened by their commands,
// changed, confirmed or cancelled, and read back from the settings document
// in memory and from pathvex.xml after the store is saved.
#include "option_test_util.h"

#include "app/option_binding.h"
#include "app/options.h"
#include "resources/resource.h"
#include "xml/xml.h"

#include <commctrl.h>

#include <string>
#include <utility>
#include <vector>

using namespace optiontest;

namespace {

constexpr wchar_t kRecordCaption[] = L"Record Options";

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
TEST_CASE("bad numbers in every numeric field of the record and play options")
{
    WindowFixture f;
    struct Dialog {
        int command;
        const wchar_t* name;
    };
    for (const Dialog& d : {Dialog{IDM_OPTIONS_RECORD, L"DIALOG_RECORDOPTIONS"},
                            Dialog{IDM_OPTIONS_PLAY, L"DIALOG_PLAYOPTIONS"}}) {
        const auto bindings = OptionBindings(d.name);
        REQUIRE_FALSE(bindings.empty());
        const auto typeEverywhere = [&](const wchar_t* text) {
            std::vector<unsigned> stored;
            CHECK(Answer(f, d.command, kRecordCaption, [&](HWND dialog) {
                for (const OPTION_BINDING& b : bindings)
                    if (b.kind == BoundKind::Number || b.kind == BoundKind::ComboText)
                        SetItem(dialog, b.control, text);
            }));
            for (const OPTION_BINDING& b : bindings)
                stored.push_back(ReadSettingNumber(b.setting));
            return stored;
        };
        CHECK(Answer(f, d.command, kRecordCaption, [&](HWND dialog) {
            std::wstring name(d.name);
            CHECK(SavePicture(dialog, std::string(name.begin(), name.end()) + ".png"));
        }));
        const std::vector<unsigned> zero = typeEverywhere(L"0");
        const std::vector<unsigned> one = typeEverywhere(L"1");
        for (const wchar_t* bad : {L"abc", L"-5", L"4294967296", L"", L" -0"}) {
            CAPTURE(std::string(bad, bad + std::wcslen(bad)));
            CHECK(typeEverywhere(bad) == zero);
        }
        CHECK(typeEverywhere(L"1e99") == one);
    }
    const std::string file = f.SavedFile();
    XMLDocument reread(file.c_str(), XML_LOAD_TEXT);
    CHECK(reread.GetParseStatus(nullptr) == XML_STATUS_OK);
}
