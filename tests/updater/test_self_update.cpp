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

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

using namespace updtest;

namespace {

constexpr DWORD kStartMs = 30000;
constexpr DWORD kRunMs = 60000;
constexpr WPARAM kCheckForUpdates = 197;
constexpr wchar_t kSummaryCaption[] = L"Pathvex";
constexpr char kSettings[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\r\n<root>\r\n <cfg>\r\n"
    "  <pathvex floatconverted=\"2\" upd=\"5\"/>\r\n </cfg>\r\n</root>\r\n";

class Program {
public:
    Program(const std::wstring& exe, const std::wstring& dir)
    {
        STARTUPINFOW si{};
        si.cb = sizeof si;
        std::wstring line = L"\"" + exe + L"\"";
        if (CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &si, &pi_))
            CloseHandle(pi_.hThread);
    }
    ~Program()
    {
        if (pi_.hProcess && WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT) {
            TerminateProcess(pi_.hProcess, 1);
            WaitForSingleObject(pi_.hProcess, kStartMs);
        }
        if (pi_.hProcess)
            CloseHandle(pi_.hProcess);
    }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    DWORD Pid() const { return pi_.dwProcessId; }
    HWND MainWindow() const
    {
        HWND w = nullptr;
        while ((w = FindWindowExW(nullptr, w, L"Pathvex CLASS", nullptr)) != nullptr) {
            DWORD pid = 0;
            GetWindowThreadProcessId(w, &pid);
            if (pid == pi_.dwProcessId)
                return w;
        }
        return nullptr;
    }
    bool Command(WPARAM id) const
    {
        HWND w = nullptr;
        return WaitFor([&] { return (w = MainWindow()) != nullptr; }, kStartMs) &&
               PostMessageW(w, WM_COMMAND, id, 0);
    }
    bool Running() const { return pi_.hProcess && WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT; }
    // Ended within ms with exit code 0.
    bool Exited(DWORD ms) const
    {
        DWORD code = 1;
        return pi_.hProcess && WaitForSingleObject(pi_.hProcess, ms) == WAIT_OBJECT_0 &&
               GetExitCodeProcess(pi_.hProcess, &code) && code == 0;
    }

private:
    PROCESS_INFORMATION pi_{};
};

}  // namespace

TEST_CASE("command 197 replaces the running program with the newer one from the update server")
{
    const std::string list = std::getenv("PATHVEX_PROGRAMS") ? std::getenv("PATHVEX_PROGRAMS") : "";
    REQUIRE_FALSE(list.empty());
    const std::string name = list + ".exe";
    testsupport::TempDir dir;
    UpdateServer server;
    const std::wstring exe = dir.WPath() + L"\\" + Widen(name);
    std::wstring built = L"Z:" + Widen(std::getenv("PATHVEX_PROGRAM_DIR")) + L"/" + Widen(name);
    std::replace(built.begin(), built.end(), L'/', L'\\');
    std::string shipped = ReadBytes(built);
    REQUIRE(PointAtServer(&shipped, server.Url("")));
    REQUIRE(WriteBytes(exe, shipped));
    REQUIRE(WriteBytes(dir.WPath() + L"\\pathvex.xml", kSettings));
    // A valid executable that differs: the same program with bytes after its image.
    const std::string newer = shipped + std::string("\0newer build\0\0\0\0", 16);
    server.Serve("/tools/" + name, {newer});
    server.Serve("/hash.php?file=./tools/" + name, {"[Hash]\r\n1=" + Lower(Sha1Of(newer)) + "\r\n"});

    {
        Program run(exe, dir.WPath());
        BoxAnswerer box(run.Pid(), kSummaryCaption, IDYES, "self_update_question.png");
        REQUIRE(run.Command(kCheckForUpdates));
        CHECK(box.Wait(kRunMs));
        CHECK(box.question);
        CHECK(box.text.find(L"Files updated: \t1/1") != std::wstring::npos);
        // Yes: the result 99 closes the program.
        CHECK(run.Exited(kStartMs));
    }
    CHECK(ReadBytes(exe) == newer);
    CHECK(ReadBytes(exe + L".old") == shipped);
    CHECK_FALSE(Exists(exe + L".new"));
    CHECK_FALSE(Exists(dir.WPath() + L"\\RUP.INI"));
    CHECK(server.Requests() == std::vector<std::string>{"/hash.php?file=./tools/" + name + " Brisko Update",
                                                        "/tools/" + name + " Brisko Update"});

    // The new executable starts; its own command 197 removes the ".old" and
    // finds nothing newer.
    Program again(exe, dir.WPath());
    BoxAnswerer box(again.Pid(), kSummaryCaption, IDOK, "self_update_current.png");
    REQUIRE(again.Command(kCheckForUpdates));
    CHECK(box.Wait(kRunMs));
    CHECK_FALSE(box.question);
    CHECK(box.text.find(L"No files need to be updated!") != std::wstring::npos);
    CHECK_FALSE(Exists(exe + L".old"));
    CHECK(WaitFor([&] { return !FindWindowExW(nullptr, nullptr, L"#32770", kSummaryCaption); }, kStartMs));
    CHECK(again.Running());
    CHECK(PostMessageW(again.MainWindow(), WM_CLOSE, 0, 0));
    CHECK(again.Exited(kStartMs));
}
