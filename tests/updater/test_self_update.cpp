// The self-update end to end: a built desktop program, copied into a
// temporary folder, updates itself through command 197 from an update
// server on 127.0.0.1.
//
// The program's only address of the update server is one constant, held in
// the executable as a zero-padded block. This test rewrites that block in
// its copy so that it names the local server; nothing in the program reads
// an address from anywhere else, so the copy runs exactly the code that
// ships. PATHVEX_PROGRAM_DIR names the built programs' folder and
// PATHVEX_PROGRAMS the desktop ones of this tree.
#include <doctest.h>

#include "update_test_support.h"

#include "app/program_runner.h"

#include <string>
#include <vector>

using namespace updtest;
using programtest::Running;

namespace {

constexpr DWORD kStartMs = 30000;
constexpr DWORD kRunMs = 60000;
constexpr WPARAM kCheckForUpdates = 197;
constexpr wchar_t kSummaryCaption[] = L"Pathvex";

// A copy of the desktop program of this tree that asks server for its
// updates, with its settings, in a folder of its own.
struct Copy {
    programtest::PROGRAM program = programtest::ProgramsUnderTest().at(0);
    std::string name = program.name + ".exe";
    testsupport::TempDir dir;
    UpdateServer server;
    std::wstring exe = dir.WPath() + L"\\" + Widen(name);
    std::string shipped = ReadBytes(Widen(programtest::ProgramDir() + "\\" + name));

    explicit Copy(const std::string& settings)
    {
        REQUIRE(PointAtServer(&shipped, server.Url("")));
        REQUIRE(WriteBytes(exe, shipped));
        REQUIRE(WriteBytes(dir.WPath() + L"\\pathvex.xml", programtest::Settings(settings)));
    }
};

}  // namespace

TEST_CASE("command 197 replaces the running program with the newer one from the update server")
{
    Copy copy("upd=\"5\"");
    const std::string& name = copy.name;
    const std::wstring& exe = copy.exe;
    const std::string& shipped = copy.shipped;
    // A valid executable that differs: the same program with bytes after its image.
    const std::string newer = shipped + std::string("\0newer build\0\0\0\0", 16);
    copy.server.Serve("/tools/" + name, {newer});
    copy.server.Serve("/hash.php?file=./tools/" + name, {"[Hash]\r\n1=" + Lower(Sha1Of(newer)) + "\r\n"});

    // The two copies run one after the other: no wait for the instance lock.
    {
        Running run(copy.dir.Path(), copy.program, "", true);
        BoxAnswerer box(run.Pid(), kSummaryCaption, IDYES, "self_update_question.png");
        REQUIRE((run.WaitForMainWindow() && run.Command(kCheckForUpdates)));
        CHECK(box.Wait(kRunMs));
        CHECK(box.question);
        CHECK(box.text.find(L"Files updated: \t1/1") != std::wstring::npos);
        // Yes: the result 99 closes the program.
        CHECK(run.WaitForExit(kStartMs));
    }
    CHECK(ReadBytes(exe) == newer);
    CHECK(ReadBytes(exe + L".old") == shipped);
    CHECK_FALSE(Exists(exe + L".new"));
    CHECK_FALSE(Exists(copy.dir.WPath() + L"\\RUP.INI"));
    CHECK(copy.server.Requests() == std::vector<std::string>{"/hash.php?file=./tools/" + name + " Brisko Update",
                                                             "/tools/" + name + " Brisko Update"});

    // The new executable starts; its own command 197 removes the ".old" and
    // finds nothing newer.
    Running again(copy.dir.Path(), copy.program, "", true);
    BoxAnswerer box(again.Pid(), kSummaryCaption, IDOK, "self_update_current.png");
    REQUIRE((again.WaitForMainWindow() && again.Command(kCheckForUpdates)));
    CHECK(box.Wait(kRunMs));
    CHECK_FALSE(box.question);
    CHECK(box.text.find(L"No files need to be updated!") != std::wstring::npos);
    CHECK_FALSE(Exists(exe + L".old"));
    CHECK(WaitFor([&] { return !FindWindowExW(nullptr, nullptr, L"#32770", kSummaryCaption); }, kStartMs));
    CHECK_FALSE(again.Ended());
    CHECK(PostMessageW(again.MainWindow(), WM_CLOSE, 0, 0));
    CHECK(again.WaitForExit(kStartMs));
}

TEST_CASE("a check that could not be completed says so, and the next start asks again")
{
    Copy copy("upd=\"0\"");
    copy.server.Serve("/hash.php?file=./tools/" + copy.name, {"<html>500 Internal Server Error</html>", 500});
    Running run(copy.dir.Path(), copy.program, "", true);
    BoxAnswerer box(run.Pid(), kSummaryCaption, IDOK);
    REQUIRE(run.Answer(programtest::kUpdateQuestion, IDYES));
    CHECK(box.Wait(kRunMs));
    CHECK_FALSE(box.question);
    CHECK(box.text.find(L"There were errors in the update process.") != std::wstring::npos);
    CHECK(run.WaitForMainWindow());
    CHECK(run.Close());
    CHECK(ReadBytes(copy.exe) == copy.shipped);
    CHECK_FALSE(Exists(copy.exe + L".new"));
    CHECK_FALSE(Exists(copy.dir.WPath() + L"\\RUP.INI"));
    const std::string settings = ReadBytes(copy.dir.WPath() + L"\\pathvex.xml");
    CHECK(settings.find("upd=\"0\"") != std::string::npos);
}
