// The GPS configuration dialog in-process, in the variant this program is
// built as: only pathvex-wm has the platform's GPS driver, so every other
// build refuses "Use GPS Api (WM5+)", also when a settings file asks for it.
#include <doctest.h>

#include "support/test_support.h"
#include "support/window_support.h"

#include "app/receiver_setup.h"
#include "app/settings_store.h"
#include "app/shell.h"
#include "kit/settings.h"
#include "resources/resource.h"

#include <windows.h>

#include <string>

namespace {

bool Checked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }
bool Enabled(HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE; }

// A settings file that chose the GPS driver (as pathvex-wm writes it).
constexpr char kDriverChosen[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\r\n<root>\r\n <cfg>\r\n"
    "  <pathvex floatconverted=\"2\" upd=\"5\"/>\r\n  <gps port=\"COM3\" gapi=\"1\"/>\r\n </cfg>\r\n</root>\r\n";

}  // namespace

TEST_CASE("the GPS driver box: a choice of its own in pathvex-wm, refused in every other build")
{
    testsupport::TempDir dir;
    REQUIRE(testsupport::WriteWholeFile(dir.File("pathvex.xml"), kDriverChosen));
    OpenSettingsStore(dir.WPath().c_str());
    HWND d = CreateDialogParamW(GetModuleHandleW(nullptr), L"DIALOG_GPSCFG", nullptr, GpsConfigDlgProc, 0);
    REQUIRE(d);
    ShowWindow(d, SW_SHOW);
#if defined(PATHVEX_WM)
    CHECK(Checked(d, IDC_GPSCFG_GPSAPI));
    CHECK_FALSE(Enabled(d, IDC_GPSCFG_PORT));
    CHECK_FALSE(Enabled(d, IDC_GPSCFG_SIMULATION));
#else
    // The stored choice means nothing here: the port stays usable.
    CHECK_FALSE(Checked(d, IDC_GPSCFG_GPSAPI));
    CHECK(Enabled(d, IDC_GPSCFG_PORT));
    CHECK(Enabled(d, IDC_GPSCFG_BAUD));
    testsupport::BoxAnswerer refusal(L"GPS Api is only supported in WM5+", IDOK);
    SendDlgItemMessageW(d, IDC_GPSCFG_GPSAPI, BM_CLICK, 0, 0);
    CHECK(refusal.Answered());
    CHECK_FALSE(Checked(d, IDC_GPSCFG_GPSAPI));
    CHECK(Enabled(d, IDC_GPSCFG_PORT));
    CHECK(Enabled(d, IDC_GPSCFG_SIMULATION));
    SendMessageW(d, WM_COMMAND, IDOK, 0);
    CHECK(ReadSettingNumber(SettingId::GpsApi) == 0);
    CHECK(ReadSettingNumber(SettingId::GpsSimu) == 0);
#endif
    DestroyWindow(d);
    CloseSettingsStore();
}
