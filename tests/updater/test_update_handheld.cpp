// The handheld builds' update run: their hash list is XML, read by a reader
// that their platform layer plugs in. Without one the entry fails and no
// file is downloaded; with one it is asked for key "1" of ".\RUP.INI", and
// the swap (moves that do not replace) goes through.
#include <doctest.h>

#include "update_test_support.h"

using namespace updtest;

TEST_CASE("the handheld hash list goes through the reader plugged into the updater")
{
    Site s;
    REQUIRE(WriteBytes(s.Path(L"app.exe"), kOld));
    REQUIRE(WriteBytes(s.Path(L"app.exe.old"), "an older one"));
    s.server.Serve("/tools/app.exe", {kNew});
    s.server.Serve("/hash.php?file=./tools/app.exe", {"<h><n1>" + Sha1Of(kNew) + "</n1></h>"});
    s.AddApp();
    SUBCASE("no reader: failed, nothing downloaded") {
        const bool none = UpdaterHooks.readHashList == nullptr;
        CHECK(none);
        CHECK(s.Run() == kUpdateNothingToAsk);
        CHECK(s.entries[0].status == kUpdateFailed);
        CHECK(s.server.Requests().size() == 1);
    }
    SUBCASE("a reader") {
        static std::wstring asked;
        UpdaterHooks.readHashList = [](const wchar_t* section, const wchar_t* key, const wchar_t*, wchar_t* out,
                                       DWORD size, const wchar_t* file) {
            asked = std::wstring(section) + L"|" + key + L"|" + file + L"|" + std::to_wstring(size);
            Put(*reinterpret_cast<wchar_t(*)[kHashTextSize]>(out), Widen(Sha1Of(kNew)));
        };
        CHECK(s.Run() == kUpdateKeepRunning);
        UpdaterHooks.readHashList = nullptr;
        CHECK(asked == L"Hash|1|.\\RUP.INI|100");
        CHECK(ReadBytes(s.Path(L"app.exe")) == kNew);
        CHECK(ReadBytes(s.Path(L"app.exe.old")) == kOld);
    }
}
