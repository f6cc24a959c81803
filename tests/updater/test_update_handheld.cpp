// The handheld builds' update run: their hash list is XML (they have no
// INI-file functions). Key "1" of ".\RUP.INI" is its child "n1": with it the
// swap (moves that do not replace) goes through; a list in INI form holds no
// hash for them, and the entry fails with nothing downloaded.
#include <doctest.h>

#include "update_test_support.h"

using namespace updtest;

TEST_CASE("the handheld hash list is read as XML")
{
    Site s;
    REQUIRE(WriteBytes(s.Path(L"app.exe"), kOld));
    REQUIRE(WriteBytes(s.Path(L"app.exe.old"), "an older one"));
    s.server.Serve("/tools/app.exe", {kNew});
    s.AddApp();
    SUBCASE("a list in INI form: failed, nothing downloaded") {
        s.server.Serve("/hash.php?file=./tools/app.exe", {"[Hash]\r\n1=" + Sha1Of(kNew) + "\r\n"});
        CHECK(s.Run() == kUpdateNothingToAsk);
        CHECK(s.entries[0].status == kUpdateFailed);
        CHECK(s.server.Requests().size() == 1);
        CHECK(ReadBytes(s.Path(L"app.exe")) == kOld);
    }
    SUBCASE("the XML list") {
        s.server.Serve("/hash.php?file=./tools/app.exe", {"<h><n1>" + Sha1Of(kNew) + "</n1></h>"});
        CHECK(s.Run() == kUpdateKeepRunning);
        CHECK(ReadBytes(s.Path(L"app.exe")) == kNew);
        CHECK(ReadBytes(s.Path(L"app.exe.old")) == kOld);
    }
}
