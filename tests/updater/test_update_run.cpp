// Update runs in-process against an update server on 127.0.0.1: the
// summary box and result of each edge case of a self-update job.
#include <doctest.h>

#include "update_test_support.h"

using namespace updtest;

namespace {

constexpr wchar_t kNothing[] =
    L"No files need to be updated! Try again after a few days!\r\n\r\nThank you for using Brisko Update!";
constexpr wchar_t kUpdated[] =
    L"Files updated successfully!\r\n\r\nThank you for using Brisko Update!\r\n\r\n"
    L"Do you want to exit the application now so the updates can be applied?";
constexpr wchar_t kErrors[] =
    L"There were errors in the update process. Please try again later!\r\n\r\nThank you for using Brisko Update!";

std::wstring Summary(unsigned total, unsigned updated, unsigned failed, unsigned kept, const wchar_t* closing)
{
    const std::wstring t = std::to_wstring(total);
    return L"Total files: \t" + t + L"\r\nFiles updated: \t" + std::to_wstring(updated) + L"/" + t +
           L"\r\nFiles failed: \t" + std::to_wstring(failed) + L"/" + t + L"\r\nFiles kept: \t" +
           std::to_wstring(kept) + L"/" + t + L"\r\n\r\n" + closing;
}

}  // namespace

TEST_CASE("a self-update job against the update server: the summary box, result and files")
{
    Site s(kUpdateModeDialog);
    REQUIRE(WriteBytes(s.Path(L"app.exe"), kOld));
    s.server.Serve("/tools/app.exe", {kNew});
    s.AddApp();
    const DWORD pid = GetCurrentProcessId();

    SUBCASE("up to date (the list in lower case): kept, 105 in an OK box, result 1") {
        s.server.Serve("/hash.php?file=./tools/app.exe", HashList(Lower(Sha1Of(kOld))));
        BoxAnswerer box(pid, kTitle, 0);
        CHECK(s.Run() == kUpdateNothingToAsk);
        CHECK(box.Wait(kBoxMs));
        CHECK_FALSE(box.question);
        CHECK(box.text == Summary(1, 0, 0, 1, kNothing));
        CHECK(s.entries[0].status == kUpdateCurrent);
        CHECK(s.server.Requests() == std::vector<std::string>{"/hash.php?file=./tools/app.exe Brisko Update"});
        CHECK_FALSE(Exists(s.Path(L"RUP.INI")));
        CHECK(UpdateDialog == nullptr);
    }
    SUBCASE("newer: verified, swapped through .new and .old; Yes to the question gives 99") {
        s.server.Serve("/hash.php?file=./tools/app.exe", HashList(Sha1Of(kNew)));
        BoxAnswerer box(pid, kTitle, IDYES);
        CHECK(s.Run() == kUpdateExitNow);
        CHECK(box.Wait(kBoxMs));
        CHECK(box.question);
        CHECK(box.text == Summary(1, 1, 0, 0, kUpdated));
        CHECK(ReadBytes(s.Path(L"app.exe")) == kNew);
        CHECK(ReadBytes(s.Path(L"app.exe.old")) == kOld);
        CHECK_FALSE(Exists(s.Path(L"app.exe.new")));
        CHECK(s.server.Requests().back() == "/tools/app.exe Brisko Update");
    }
    SUBCASE("no hash list, an error page for it, a file failing its digest: failed, 107, nothing left behind") {
        struct Case {
            std::wstring source;
            Reply list;
            int32_t status;
        };
        const std::wstring list = s.server.Url("/hash.php?file=./tools/app.exe");
        const Case cases[] = {{DeadUrl(), {}, kUpdateFailed},
                              {list, {"<html>500 Internal Server Error</html>", 500}, kUpdateFailed},
                              {list, HashList(Sha1Of("another build")), kUpdateMismatch}};
        for (const Case& c : cases) {
            Put(s.entries[0].hashSource, c.source);
            s.server.Serve("/hash.php?file=./tools/app.exe", c.list);
            BoxAnswerer box(pid, kTitle, 0);
            CHECK(s.Run() == kUpdateNothingToAsk);
            CHECK(box.Wait(kBoxMs));
            CHECK(box.text == Summary(1, 0, 1, 0, kErrors));
            CHECK(s.entries[0].status == c.status);
            CHECK(ReadBytes(s.Path(L"app.exe")) == kOld);
            CHECK_FALSE(Exists(s.Path(L"app.exe.new")));
            CHECK_FALSE(Exists(s.Path(L"RUP.INI")));
        }
        // The error page ends the entry before the file is asked for.
        CHECK(s.server.Requests().size() == 3);
    }
    SUBCASE("one file updated and one failed: 107 in an OK box, no question to exit") {
        s.server.Serve("/hash.php?file=./tools/app.exe", HashList(Sha1Of(kNew)));
        REQUIRE(WriteBytes(s.Path(L"lib.dll"), kOld));
        s.Add(L"lib.dll", s.server.Url("/tools/lib.dll"), DeadUrl(), kHashListSha1);
        BoxAnswerer box(pid, kTitle, 0);
        CHECK(s.Run() == kUpdateNothingToAsk);
        CHECK(box.Wait(kBoxMs));
        CHECK_FALSE(box.question);
        CHECK(box.text == Summary(2, 1, 1, 0, kErrors));
        CHECK(s.entries[0].status == kUpdateUpdated);
        CHECK(s.entries[1].status == kUpdateFailed);
        CHECK(ReadBytes(s.Path(L"app.exe")) == kNew);
    }
    SUBCASE("a job of no entries: all counts 0 and 105, in Greek for \"GR\" in any case") {
        s.entries.clear();
        BoxAnswerer box(pid, kTitle, 0);
        CHECK(s.Run() == kUpdateNothingToAsk);
        CHECK(box.Wait(kBoxMs));
        CHECK(box.text == Summary(0, 0, 0, 0, kNothing));
        Put(s.job.language, L"gR");
        BoxAnswerer greek(pid, kTitle, 0);
        CHECK(s.Run() == kUpdateNothingToAsk);
        CHECK(greek.Wait(kBoxMs));
        CHECK(greek.text.rfind(L"Αρχεία: \t0\r\nΑνανεώθηκαν: \t0/0\r\n", 0) == 0);
        CHECK(std::wstring(s.job.language) == L"gR");
    }
}
