// Update jobs in-process: hidden self-update runs and what can go wrong in
// them (the server's answers, the dialog closed, a quit, a file held open),
// every hash method, flag and the backups, the per-job hash list, the
// callback's mode, job files in both layouts, the swap, and the download
// with its progress.
#include <doctest.h>

#include "update_test_support.h"

#include "resources/resource.h"
#include "support/dib_canvas.h"

#include <atomic>
#include <thread>

using namespace updtest;

TEST_CASE("a self-update job: hidden runs, what the server sends instead, the dialog closed, a quit")
{
    Site s;
    REQUIRE(WriteBytes(s.Path(L"app.exe"), kOld));
    s.server.Serve("/tools/app.exe", {kNew});
    s.AddApp();

    SUBCASE("preset 1 answers Yes, even with nothing updated") {
        s.server.Serve("/hash.php?file=./tools/app.exe", HashList(Sha1Of(kOld)));
        s.job.mode = kUpdatePresetYes << 16 | kUpdateModeHidden;
        CHECK(s.Run() == kUpdateExitNow);
        CHECK(s.job.mode == kUpdateModeHidden);
    }
    SUBCASE("hidden (mode 1 runs as 2) with an update: no box, 98") {
        s.server.Serve("/hash.php?file=./tools/app.exe", HashList(Sha1Of(kNew)));
        s.job.mode = kUpdateModeBalloon;
        Put(s.job.language, L"fr");
        CHECK(s.Run() == kUpdateKeepRunning);
        CHECK(s.job.mode == kUpdateModeHidden);
        CHECK(std::wstring(s.job.language) == L"EN");
        CHECK(ReadBytes(s.Path(L"app.exe")) == kNew);
    }
    SUBCASE("what the server sends instead never replaces the file, and leaves no .new") {
        struct Case {
            const char* what;
            Reply list;
            Reply file;
            int32_t status;
        };
        const Case cases[] = {
            {"an error page for the file", HashList(Sha1Of(kNew)), {"<html>gone</html>", 404}, kUpdateFailed},
            {"an HTTP 500 for the file", HashList(Sha1Of(kNew)), {"<html>broken</html>", 500}, kUpdateFailed},
            {"an empty body", HashList(Sha1Of(kNew)), {""}, kUpdateMismatch},
            {"another file", HashList(Sha1Of(kNew)), {kNew + "!"}, kUpdateMismatch},
            {"a list without the key", HashList("", "2=" + Sha1Of(kNew)), {kNew}, kUpdateFailed},
            {"a 500-character value", HashList(Sha1Of(kNew) + std::string(460, '0')), {kNew}, kUpdateMismatch},
            {"a list that is an error page", {"<html>no</html>", 404}, {kNew}, kUpdateFailed},
            {"a list that is a page", {"<html>[Hash] 1=" + Sha1Of(kNew) + "</html>"}, {kNew}, kUpdateFailed},
            {"a connection dropped mid-file", HashList(Sha1Of(std::string(300000, 'n'))),
             {std::string(300000, 'n'), 200, 100000}, -1},
        };
        for (const Case& c : cases) {
            CAPTURE(c.what);
            s.server.Serve("/hash.php?file=./tools/app.exe", c.list);
            s.server.Serve("/tools/app.exe", c.file);
            CHECK(s.Run() == kUpdateNothingToAsk);
            // A broken connection fails the read or ends it short of the
            // length; either way the file stays.
            if (c.status >= 0)
                CHECK(s.entries[0].status == c.status);
            else
                CHECK((s.entries[0].status == kUpdateFailed || s.entries[0].status == kUpdateMismatch));
            CHECK(ReadBytes(s.Path(L"app.exe")) == kOld);
            CHECK_FALSE(Exists(s.Path(L"app.exe.new")));
            CHECK_FALSE(Exists(s.Path(L"RUP.INI")));
        }
    }
    SUBCASE("closing the dialog mid-run: the run still ends when the worker does") {
        s.server.Serve("/hash.php?file=./tools/app.exe", HashList(Sha1Of(std::string(400000, 's'))));
        s.server.Serve("/tools/app.exe", {std::string(400000, 's'), 200, std::string::npos, 50});
        s.job.mode = kUpdatePresetNo << 16 | kUpdateModeDialog;
        bool closed = false;
        std::thread closer([&] {
            closed = WaitFor([&] { return s.server.Requests().size() == 2 && UpdateDialog; }, kBoxMs) &&
                     PostMessageW(UpdateDialog, WM_CLOSE, 0, 0);
        });
        CHECK(s.Run() == kUpdateKeepRunning);
        closer.join();
        CHECK(closed);
        CHECK(s.entries[0].status == kUpdateUpdated);
        CHECK(UpdateDialog == nullptr);
    }
    SUBCASE("a quit mid-run waits for the worker and is posted again") {
        s.server.Serve("/hash.php?file=./tools/app.exe", HashList(Sha1Of(std::string(400000, 'q'))));
        s.server.Serve("/tools/app.exe", {std::string(400000, 'q'), 200, std::string::npos, 50});
        const DWORD ui = GetCurrentThreadId();
        bool quit = false;
        std::thread quitter([&] {
            quit = WaitFor([&] { return s.server.Requests().size() == 2; }, kBoxMs) &&
                   PostThreadMessageW(ui, WM_QUIT, 7, 0);
        });
        CHECK(s.Run() == kUpdateKeepRunning);
        quitter.join();
        CHECK(quit);
        CHECK(s.entries[0].status == kUpdateUpdated);
        MSG msg{};
        CHECK(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
        CHECK(msg.wParam == 7);
    }
    SUBCASE("a local file that cannot be moved aside: failed, the file stays, .new and .old go") {
        s.server.Serve("/hash.php?file=./tools/app.exe", HashList(Sha1Of(kNew)));
        HANDLE held = CreateFileW(s.Path(L"app.exe").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  0, nullptr);
        CHECK(s.Run() == kUpdateNothingToAsk);
        CloseHandle(held);
        CHECK(s.entries[0].status == kUpdateFailed);
        CHECK(ReadBytes(s.Path(L"app.exe")) == kOld);
        CHECK_FALSE(Exists(s.Path(L"app.exe.new")));
        CHECK_FALSE(Exists(s.Path(L"app.exe.old")));
    }
}

TEST_CASE("the swap puts the old file back when the new one cannot take its place")
{
    testsupport::TempDir dir;
    const std::wstring local = dir.WPath() + L"\\p.exe", fresh = local + L".new", old = local + L".old";
    REQUIRE(WriteBytes(local, kOld));
    REQUIRE(WriteBytes(fresh, kNew));
    REQUIRE(WriteBytes(old, "older"));
    SUBCASE("the new file is held open") {
        HANDLE held = CreateFileW(fresh.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        CHECK_FALSE(SwapInNewFile(local.c_str(), fresh.c_str(), old.c_str()));
        CloseHandle(held);
        CHECK(ReadBytes(local) == kOld);
        CHECK(ReadBytes(fresh) == kNew);
    }
    SUBCASE("a file that nobody holds is replaced in one step: its name is never missing") {
        std::atomic<bool> stop{false};
        std::atomic<int> missing{0};
        std::thread watcher([&] {
            while (!stop)
                missing += Exists(local) ? 0 : 1;
        });
        bool swapped = true;
        for (int i = 0; i < 300 && swapped; ++i) {
            swapped = WriteBytes(fresh, i % 2 ? kNew : kOld) && SwapInNewFile(local.c_str(), fresh.c_str(), old.c_str());
        }
        stop = true;
        watcher.join();
        CHECK(swapped);
        CHECK(missing == 0);
        CHECK(ReadBytes(local) == kNew);
        CHECK(ReadBytes(old) == kOld);
        CHECK_FALSE(Exists(fresh));
    }
    SUBCASE("no local file yet: the new one is installed") {
        DeleteFileW(local.c_str());
        CHECK(SwapInNewFile(local.c_str(), fresh.c_str(), old.c_str()));
        CHECK(ReadBytes(local) == kNew);
        CHECK_FALSE(Exists(old));
    }
}

TEST_CASE("entries by hash method, flag and name, with backups")
{
    Site s;
    s.server.Serve("/new", {kNew});
    s.server.Serve("/old", {kOld});
    REQUIRE(WriteBytes(s.Path(L"reference.bin"), kNew));
    const std::wstring ref = s.Path(L"reference.bin");
    const std::wstring newUrl = s.server.Url("/new");
    std::vector<int32_t> expected;
    auto add = [&](const wchar_t* name, const std::wstring& url, const std::wstring& hash, int32_t method,
                   int32_t flag, int32_t status) {
        WriteBytes(s.Path(name), kOld);
        s.Add(name, url, hash, method, flag);
        expected.push_back(status);
    };
    add(L"BRU.DLL", newUrl, L"", kHashLiteralSha1, 0, kUpdateCurrent);
    add(L"skipped.bin", newUrl, L"", kHashLiteralSha1, kUpdateFlagSkip, kUpdateSkipped);
    add(L"literal.bin", newUrl, Widen(Lower(Sha1Of(kOld))), kHashLiteralSha1, 0, kUpdateCurrent);
    add(L"crc.bin", newUrl, std::to_wstring(Crc32(kNew.data(), kNew.size())), kHashLiteralCrc32, 0, kUpdateUpdated);
    add(L"of-file.bin", newUrl, ref, kHashOfFileSha1, 0, kUpdateUpdated);
    add(L"of-file-crc.bin", s.server.Url("/old"), ref, kHashOfFileCrc32, 0, kUpdateMismatch);
    add(L"always.bin", s.server.Url("/old"), Widen(Sha1Of(kOld)), kHashLiteralSha1, 2, kUpdateUpdated);
    add(L"unknown.bin", newUrl, L"", 9, 0, kUpdateMismatch);
    add(L"overlong.bin", newUrl, Widen(Sha1Of(kNew)) + std::wstring(960, L'0'), kHashLiteralSha1, 0,
        kUpdateMismatch);
    add(L"declined.bin", newUrl, L"", kHashLiteralSha1, 0, kUpdateDeclined);
    static std::vector<std::wstring> asked;
    asked.clear();
    s.job.callback = [](void* record) {
        const auto* e = static_cast<const UpdateEntry*>(record);
        asked.push_back(e->displayName);
        return std::wstring(e->displayName) == L"declined.bin" ? 0 : 1;
    };
    s.job.keepBackups = 1;
    Put(s.job.backupFolder, s.Path(L"backups"));
    CreateDirectoryW(s.Path(L"backups").c_str(), nullptr);

    // Three downloads did not verify: no question to exit.
    CHECK(s.Run() == kUpdateNothingToAsk);
    CHECK_FALSE(Exists(s.Path(L"of-file-crc.bin.new")));
    for (size_t i = 0; i < expected.size(); ++i) {
        CAPTURE(s.entries[i].displayName);
        CHECK(s.entries[i].status == expected[i]);
    }
    CHECK(asked == std::vector<std::wstring>{L"crc.bin", L"of-file.bin", L"of-file-crc.bin", L"always.bin",
                                            L"unknown.bin", L"overlong.bin", L"declined.bin"});
    CHECK(ReadBytes(s.Path(L"crc.bin")) == kNew);
    // The replaced files sit in one dated folder below the backup folder.
    WIN32_FIND_DATAW found{};
    HANDLE h = FindFirstFileW(s.Path(L"backups\\*-*-*-*-*").c_str(), &found);
    REQUIRE(h != INVALID_HANDLE_VALUE);
    FindClose(h);
    CHECK(ReadBytes(s.Path(L"backups\\") + found.cFileName + L"\\crc.bin.old") == kOld);
    CHECK_FALSE(Exists(s.Path(L"crc.bin.old")));
}

TEST_CASE("method 8 fetches one hash list per job and keys it by position")
{
    Site s;
    const std::string a = "file A", b = "file B";
    s.server.Serve("/a", {a});
    s.server.Serve("/b", {b});
    s.server.Serve("/list", HashList(Sha1Of(a), "2=" + Sha1Of(b) + "\r\n"));
    const std::wstring list = s.server.Url("/list");
    SUBCASE("each entry reads its own key; the list stays; a key it lacks fails its entry") {
        s.Add(L"a.bin", s.server.Url("/a"), list, kHashListPerEntry);
        s.Add(L"b.bin", s.server.Url("/b"), list, kHashListPerEntry);
        s.Add(L"c.bin", s.server.Url("/a"), list, kHashListPerEntry);
        CHECK(s.Run() == kUpdateNothingToAsk);
        CHECK(s.entries[0].status == kUpdateUpdated);
        CHECK(s.entries[1].status == kUpdateUpdated);
        CHECK(s.entries[2].status == kUpdateFailed);
        CHECK(ReadBytes(s.Path(L"b.bin")) == b);
        CHECK(Exists(s.Path(L"RUP.INI")));
        CHECK(s.server.Requests().size() == 3);
    }
    SUBCASE("a first entry that ends early fetches no list; the later ones fail, whatever RUP.INI holds") {
        REQUIRE(WriteBytes(s.Path(L"RUP.INI"), "[Hash]\r\n2=" + Sha1Of(b) + "\r\n"));
        s.Add(L"a.bin", s.server.Url("/a"), list, kHashListPerEntry, kUpdateFlagSkip);
        s.Add(L"b.bin", s.server.Url("/b"), list, kHashListPerEntry);
        CHECK(s.Run() == kUpdateNothingToAsk);
        CHECK(s.entries[0].status == kUpdateSkipped);
        CHECK(s.entries[1].status == kUpdateFailed);
        CHECK_FALSE(Exists(s.Path(L"b.bin")));
        CHECK(s.server.Requests().empty());
    }
    SUBCASE("a list that cannot be fetched fails every entry and leaves no RUP.INI") {
        REQUIRE(WriteBytes(s.Path(L"RUP.INI"), "[Hash]\r\n2=" + Sha1Of(b) + "\r\n"));
        s.server.Serve("/list", {"<html>gone</html>", 404});
        s.Add(L"a.bin", s.server.Url("/a"), list, kHashListPerEntry);
        s.Add(L"b.bin", s.server.Url("/b"), list, kHashListPerEntry);
        CHECK(s.Run() == kUpdateNothingToAsk);
        CHECK(s.entries[0].status == kUpdateFailed);
        CHECK(s.entries[1].status == kUpdateFailed);
        CHECK_FALSE(Exists(s.Path(L"RUP.INI")));
        CHECK(s.server.Requests().size() == 1);
    }
}

TEST_CASE("mode 3 reports to the callback: the start, each entry to download, the end")
{
    Site s(kUpdateModeCallback);
    WriteBytes(s.Path(L"app.exe"), kOld);
    s.server.Serve("/tools/app.exe", {kNew});
    s.server.Serve("/hash.php?file=./tools/app.exe", HashList(Sha1Of(kNew)));
    s.AddApp();
    s.Add(L"same.bin", s.server.Url("/tools/app.exe"), Widen(Sha1Of(kOld)), kHashLiteralSha1);
    WriteBytes(s.Path(L"same.bin"), kOld);
    static std::vector<std::string> seen;
    static int answerStart;
    seen.clear();
    s.job.callback = [](void* record) {
        const auto* event = static_cast<const UpdateEvent*>(record);
        if (event->size == int32_t(sizeof(UpdateEvent))) {
            seen.push_back("event " + std::to_string(event->kind) + " " + std::to_string(event->status));
            // A second run while this one goes on does nothing.
            UpdateJob nested{};
            nested.size = sizeof nested;
            nested.mode = kUpdatePresetYes << 16 | kUpdateModeHidden;
            if (RunUpdateJob(&nested) != kUpdateNothingToAsk)
                seen.push_back("nested run");
            return event->kind == kUpdateEventBefore ? answerStart : 1;
        }
        seen.push_back("entry");
        return 1;
    };
    SUBCASE("a run") {
        answerStart = 1;
        CHECK(s.Run() == kUpdateNothingToAsk);
        CHECK(seen == std::vector<std::string>{"event 1 0", "entry", "event 2 0"});
        CHECK(s.entries[0].status == kUpdateUpdated);
        CHECK(s.entries[1].status == kUpdateCurrent);
    }
    SUBCASE("a refused start runs nothing") {
        answerStart = 0;
        CHECK(s.Run() == kUpdateNothingToAsk);
        CHECK(seen == std::vector<std::string>{"event 1 0", "event 2 2"});
        CHECK(s.entries[0].status == 77);
        CHECK(s.server.Requests().empty());
    }
}

namespace {

// A job file written byte by byte at the offsets of one layout.
struct JOB_LAYOUT {
    size_t head, mode, callback;
};
constexpr JOB_LAYOUT kX64{2480, 448, 456}, kX86{2456, 440, 444};
#if defined(_WIN64)
constexpr JOB_LAYOUT kOwnLayout = kX64, kOtherLayout = kX86;
#else
constexpr JOB_LAYOUT kOwnLayout = kX86, kOtherLayout = kX64;
#endif

void Put32(std::string* b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        (*b)[at + i] = char(v >> (8 * i));
}

void PutText(std::string* b, size_t at, const std::wstring& text)
{
    for (size_t i = 0; i < text.size(); ++i) {
        (*b)[at + 2 * i] = char(text[i] & 0xFF);
        (*b)[at + 2 * i + 1] = char(text[i] >> 8);
    }
}

struct ENTRY_TEXT {
    std::wstring local, url, hash;
    int32_t method;
};

std::string JobFile(const JOB_LAYOUT& layout, int32_t count, uint32_t mode, const std::vector<ENTRY_TEXT>& entries)
{
    std::string b(layout.head, '\0');
    Put32(&b, 0, uint32_t(layout.head));
    Put32(&b, 4, kUpdateVersion);
    PutText(&b, 12, std::wstring(100, L'T'));   // no terminator
    PutText(&b, 412, L"EN");
    Put32(&b, 432, uint32_t(count));
    Put32(&b, layout.mode, mode);
    Put32(&b, layout.callback, 0x41414141);      // a callback from a file is never called
    for (const ENTRY_TEXT& e : entries) {
        std::string image(kUpdateEntrySize, '\0');
        Put32(&image, 0, kUpdateEntrySize);
        Put32(&image, 4, kUpdateVersion);
        PutText(&image, 12, e.local);
        PutText(&image, 2012, e.url);
        PutText(&image, 8012, e.hash);
        PutText(&image, 10012, L"file");
        Put32(&image, 12016, uint32_t(e.method));
        b += image;
    }
    return b;
}

}  // namespace

TEST_CASE("job files: this build's layout runs, anything else is refused")
{
    Site s;
    WriteBytes(s.Path(L"app.exe"), kOld);
    s.server.Serve("/tools/app.exe", {kNew});
    s.server.Serve("/hash.php?file=./tools/app.exe", HashList(Sha1Of(kNew)));
    // The second path fills its whole field, without a terminator.
    const std::vector<ENTRY_TEXT> entries = {
        {s.Path(L"app.exe"), s.server.Url("/tools/app.exe"), s.server.Url("/hash.php?file=./tools/app.exe"),
         kHashListSha1},
        {std::wstring(1000, L'A'), s.server.Url("/tools/app.exe"), L"x", kHashLiteralSha1}};
    const std::string path = s.dir.File("job.bin");
    auto run = [&](const std::string& bytes) {
        REQUIRE(WriteBytes(Widen(path), bytes));
        return RunUpdateJobFile(path.c_str());
    };
    SUBCASE("one entry swapped in, one whose path cannot be written; the file's callback never called") {
        CHECK(run(JobFile(kOwnLayout, 2, kUpdateModeCallback, entries)) == kUpdateNothingToAsk);
        CHECK(ReadBytes(s.Path(L"app.exe")) == kNew);
    }
    SUBCASE("hidden with an update and no preset: 98") {
        CHECK(run(JobFile(kOwnLayout, 1, kUpdateModeHidden, entries)) == kUpdateKeepRunning);
    }
    SUBCASE("refused") {
        const std::string good = JobFile(kOwnLayout, 2, kUpdateModeHidden, entries);
        CHECK(run(JobFile(kOtherLayout, 1, kUpdateModeHidden, entries)) == kUpdateWrongSize);
        std::string newer = good;
        Put32(&newer, 4, kUpdateVersion + 1);
        CHECK(run(newer) == kUpdateWrongVersion);
        CHECK(run("") == kUpdateNotRun);
        CHECK(run(good.substr(0, 10)) == kUpdateNotRun);
        CHECK(run(good.substr(0, good.size() - 1)) == kUpdateNotRun);
        for (uint32_t count : {0x7FFFFFFFu, 0xFFFFFFFFu, 3u}) {
            std::string bad = good;
            Put32(&bad, 432, count);
            CHECK(run(bad) == kUpdateNotRun);
        }
        CHECK(RunUpdateJobFile(s.dir.File("none.bin").c_str()) == kUpdateNotRun);
        CHECK(ReadBytes(s.Path(L"app.exe")) == kOld);
    }
}

TEST_CASE("wrong size or version ends a run before any window")
{
    UpdateJob job{};
    job.size = sizeof job + 1;
    CHECK(RunUpdateJob(&job) == kUpdateWrongSize);
    job.size = sizeof job;
    job.version = kUpdateVersion + 1;
    CHECK(RunUpdateJob(&job) == kUpdateWrongVersion);
    CHECK(UpdateDialog == nullptr);
}

TEST_CASE("the download: progress beyond 42 MB, a long name, the dialog")
{
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    testsupport::TempDir dir;
    UpdateServer server;
    HWND dialog = CreateUpdateDialog();
    REQUIRE(dialog);
    const std::wstring target = dir.WPath() + L"\\got.bin";
    auto text = [&] {
        wchar_t t[1100] = {};
        GetDlgItemTextW(dialog, IDC_UPDATE_TEXT, t, 1100);
        return std::wstring(t);
    };
    SUBCASE("100 MB: the percentage is right at the end") {
        std::string big(100u << 20, '\0');
        for (size_t i = 0; i < big.size(); i += 4096)
            big[i] = char(i >> 12);
        const std::string sha1 = Sha1Of(big);
        server.Serve("/big", {std::move(big)});
        CHECK(DownloadWithProgress(dialog, L"Big", target.c_str(), server.Url("/big").c_str(), true));
        CHECK(text() == L"Downloading: Big 102400/102400 KB...100%");
        char sha[kSha1TextSize] = {};
        Sha1FileHex(target.c_str(), sha, sizeof sha);
        CHECK(std::string(sha) == sha1);
    }
    SUBCASE("a 999-character name is cut by the text, not beyond it") {
        server.Serve("/small", {"tiny"});
        CHECK(DownloadWithProgress(dialog, std::wstring(999, L'n').c_str(), target.c_str(),
                                   server.Url("/small").c_str(), true));
        CHECK(text().size() == 1023);
    }
    SUBCASE("the dialog halfway through a file, as the user sees it") {
        Reply half(std::string(2u << 20, 'h'), 200, 1u << 20);
        half.reset = false;
        server.Serve("/half", half);
        SetWindowTextW(dialog, L"Pathvex");
        SendDlgItemMessageW(dialog, IDC_UPDATE_OVERALL_PROGRESS, PBM_SETRANGE32, 0, 2);
        SendDlgItemMessageW(dialog, IDC_UPDATE_OVERALL_PROGRESS, PBM_SETPOS, 1, 0);
        DownloadWithProgress(dialog, L"Program Executable", target.c_str(), server.Url("/half").c_str(), true);
        CHECK(text() == L"Downloading: Program Executable 1024/2048 KB...50%");
        ShowWindow(dialog, SW_SHOW);
        testsupport::PumpUntil([] { return false; }, 300);
        CHECK(testsupport::SaveWindowPicture(dialog, "update_dialog.png"));
        // The progress text of the self-update's name takes two lines: both
        // must fit in the text's box.
        HWND label = GetDlgItem(dialog, IDC_UPDATE_TEXT);
        RECT box{};
        GetClientRect(label, &box);
        RECT need = box;
        HDC labelDc = GetDC(label);
        HGDIOBJ font = SelectObject(labelDc, reinterpret_cast<HGDIOBJ>(SendMessageW(label, WM_GETFONT, 0, 0)));
        DrawTextW(labelDc, text().c_str(), -1, &need, DT_CALCRECT | DT_WORDBREAK);
        SelectObject(labelDc, font);
        ReleaseDC(label, labelDc);
        CHECK(need.bottom > 0);
        CHECK(need.bottom <= box.bottom);
    }
    DestroyWindow(dialog);
}
