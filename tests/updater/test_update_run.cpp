// Update runs in-process against an update server on 127.0.0.1: the
// summary and result of each edge case of a self-update job, and the run
// going on when its dialog is closed or a quit arrives.
#include <doctest.h>

#include "update_fixture.h"

#include <commctrl.h>

#include <functional>

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

// Posts to the UI thread's windows from outside once when() holds.
class MidRun {
public:
    MidRun(std::function<bool()> when, std::function<void()> act) : when_(std::move(when)), act_(std::move(act))
    {
        thread_ = CreateThread(nullptr, 0, &MidRun::Run, this, 0, nullptr);
    }
    ~MidRun()
    {
        WaitForSingleObject(thread_, kBoxMs);
        CloseHandle(thread_);
    }
    MidRun(const MidRun&) = delete;
    MidRun& operator=(const MidRun&) = delete;
    bool acted = false;

private:
    static DWORD WINAPI Run(void* self)
    {
        auto* m = static_cast<MidRun*>(self);
        if (WaitFor(m->when_, kBoxMs)) {
            m->act_();
            m->acted = true;
        }
        return 0;
    }
    std::function<bool()> when_;
    std::function<void()> act_;
    HANDLE thread_;
};

}  // namespace

TEST_CASE("a self-update job against the update server: summary, result and files")
{
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    Site s(kUpdateModeDialog);
    REQUIRE(WriteBytes(s.Path(L"app.exe"), kOld));
    s.server.Serve("/tools/app.exe", {kNew});
    s.AddApp();
    const DWORD pid = GetCurrentProcessId();

    SUBCASE("up to date (the list in lower case): kept, 105 in an OK box, result 1") {
        s.server.Serve("/hash.php?file=./tools/app.exe", HashList(Lower(SystemSha1(kOld))));
        BoxAnswerer box(pid, kTitle, 0);
        CHECK(s.Run() == kUpdateNothingToAsk);
        CHECK(box.Wait(kBoxMs));
        CHECK_FALSE(box.Question());
        CHECK(box.Text() == Summary(1, 0, 0, 1, kNothing));
        CHECK(s.entries[0].status == kUpdateCurrent);
        CHECK(s.server.Targets() == std::vector<std::string>{"/hash.php?file=./tools/app.exe"});
        CHECK(s.server.Agents() == std::vector<std::string>{"Brisko Update"});
        CHECK_FALSE(Exists(s.Path(L"RUP.INI")));
        CHECK(UpdateDialog == nullptr);
    }
    SUBCASE("newer: verified, swapped through .new and .old; Yes to the question gives 99") {
        s.server.Serve("/hash.php?file=./tools/app.exe", HashList(SystemSha1(kNew)));
        BoxAnswerer box(pid, kTitle, IDYES);
        CHECK(s.Run() == kUpdateExitNow);
        CHECK(box.Wait(kBoxMs));
        CHECK(box.Question());
        CHECK(box.Text() == Summary(1, 1, 0, 0, kUpdated));
        CHECK(ReadBytes(s.Path(L"app.exe")) == kNew);
        CHECK(ReadBytes(s.Path(L"app.exe.old")) == kOld);
        CHECK_FALSE(Exists(s.Path(L"app.exe.new")));
        CHECK(s.server.Targets().back() == "/tools/app.exe");
    }
    SUBCASE("the hash list cannot be fetched: failed, 107, result 1") {
        Put(s.entries[0].hashSource, DeadUrl());
        BoxAnswerer box(pid, kTitle, 0);
        CHECK(s.Run() == kUpdateNothingToAsk);
        CHECK(box.Wait(kBoxMs));
        CHECK(box.Text() == Summary(1, 0, 1, 0, kErrors));
        CHECK(s.entries[0].status == kUpdateFailed);
        CHECK(ReadBytes(s.Path(L"app.exe")) == kOld);
    }
    SUBCASE("a job of no entries: all counts 0 and 105") {
        s.entries.clear();
        BoxAnswerer box(pid, kTitle, 0);
        CHECK(s.Run() == kUpdateNothingToAsk);
        CHECK(box.Wait(kBoxMs));
        CHECK(box.Text() == Summary(0, 0, 0, 0, kNothing));
    }
    SUBCASE("preset 1 answers Yes, even with nothing updated") {
        s.server.Serve("/hash.php?file=./tools/app.exe", HashList(SystemSha1(kOld)));
        s.job.mode = kUpdatePresetYes << 16 | kUpdateModeHidden;
        CHECK(s.Run() == kUpdateExitNow);
        CHECK(s.job.mode == kUpdateModeHidden);
    }
    SUBCASE("hidden (mode 1 runs as 2) with an update: no box, 98") {
        s.server.Serve("/hash.php?file=./tools/app.exe", HashList(SystemSha1(kNew)));
        s.job.mode = kUpdateModeBalloon;
        BoxAnswerer box(pid, kTitle, 0);
        CHECK(s.Run() == kUpdateKeepRunning);
        CHECK(s.job.mode == kUpdateModeHidden);
        CHECK(ReadBytes(s.Path(L"app.exe")) == kNew);
        CHECK_FALSE(box.Wait(500));
    }
    SUBCASE("what the server sends instead never replaces the file") {
        struct Case {
            const char* what;
            Reply list;
            Reply file;
            int32_t status;
        };
        const Case cases[] = {
            {"an error page for the file", HashList(SystemSha1(kNew)), {"<html>gone</html>", 404}, kUpdateMismatch},
            {"an empty body", HashList(SystemSha1(kNew)), {""}, kUpdateMismatch},
            {"a list without the key", HashList("", "2=" + SystemSha1(kNew)), {kNew}, kUpdateMismatch},
            {"a 500-character value", HashList(SystemSha1(kNew) + std::string(460, '0')), {kNew}, kUpdateMismatch},
            {"a list that is an error page", {"<html>no</html>", 404}, {kNew}, kUpdateMismatch},
            {"a connection dropped mid-file", HashList(SystemSha1(std::string(300000, 'n'))),
             {std::string(300000, 'n'), 200, 100000}, -1},
        };
        for (const Case& c : cases) {
            CAPTURE(c.what);
            s.server.Serve("/hash.php?file=./tools/app.exe", c.list);
            s.server.Serve("/tools/app.exe", c.file);
            s.job.mode = kUpdateModeHidden;
            CHECK(s.Run() == kUpdateNothingToAsk);
            // A broken connection fails the read or ends it short of the
            // length; either way the file stays.
            if (c.status >= 0)
                CHECK(s.entries[0].status == c.status);
            else
                CHECK((s.entries[0].status == kUpdateFailed || s.entries[0].status == kUpdateMismatch));
            CHECK(ReadBytes(s.Path(L"app.exe")) == kOld);
            CHECK(ReadBytes(s.Path(L"app.exe.new")).size() <= c.file.body.size());
            CHECK(Exists(s.Path(L"app.exe.new")) == !c.file.body.empty());
        }
    }
    SUBCASE("closing the dialog mid-run: the run still ends when the worker does") {
        s.server.Serve("/hash.php?file=./tools/app.exe", HashList(SystemSha1(std::string(400000, 's'))));
        s.server.Serve("/tools/app.exe", {std::string(400000, 's'), 200, std::string::npos, 50});
        s.job.mode = kUpdatePresetNo << 16 | kUpdateModeDialog;
        MidRun close([&] { return s.server.Targets().size() == 2 && UpdateDialog != nullptr; },
                     [&] { PostMessageW(UpdateDialog, WM_CLOSE, 0, 0); });
        CHECK(s.Run() == kUpdateKeepRunning);
        CHECK(close.acted);
        CHECK(s.entries[0].status == kUpdateUpdated);
        CHECK(UpdateDialog == nullptr);
    }
    SUBCASE("a quit mid-run waits for the worker and is posted again") {
        s.server.Serve("/hash.php?file=./tools/app.exe", HashList(SystemSha1(std::string(400000, 'q'))));
        s.server.Serve("/tools/app.exe", {std::string(400000, 'q'), 200, std::string::npos, 50});
        const DWORD ui = GetCurrentThreadId();
        MidRun quit([&] { return s.server.Targets().size() == 2; }, [&] { PostThreadMessageW(ui, WM_QUIT, 7, 0); });
        s.job.mode = kUpdateModeHidden;
        CHECK(s.Run() == kUpdateKeepRunning);
        CHECK(quit.acted);
        CHECK(s.entries[0].status == kUpdateUpdated);
        MSG msg{};
        CHECK(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
        CHECK(msg.wParam == 7);
    }
    SUBCASE("a local file that cannot be moved aside: failed, the file and .new stay") {
        s.server.Serve("/hash.php?file=./tools/app.exe", HashList(SystemSha1(kNew)));
        HANDLE held = CreateFileW(s.Path(L"app.exe").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  0, nullptr);
        s.job.mode = kUpdateModeHidden;
        CHECK(s.Run() == kUpdateNothingToAsk);
        CloseHandle(held);
        CHECK(s.entries[0].status == kUpdateFailed);
        CHECK(ReadBytes(s.Path(L"app.exe")) == kOld);
        CHECK(ReadBytes(s.Path(L"app.exe.new")) == kNew);
    }
}

