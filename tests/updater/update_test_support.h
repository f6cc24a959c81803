// What the updater's tests share: an update server on 127.0.0.1, a hand
// that answers the summary box, file helpers, and a job to run.
#pragma once
#include <winsock2.h>
#include <windows.h>

#include "support/test_support.h"
#include "support/window_support.h"
#include "updater/updater.h"

#include <commctrl.h>

#include <atomic>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace updtest {

struct Reply {
    Reply(std::string b = "", int s = 200, size_t drop = std::string::npos, DWORD pause = 0)
        : body(std::move(b)), status(s), dropAfter(drop), pauseMs(pause)
    {
    }
    std::string body;
    int status;
    size_t dropAfter;     // end the connection after this many body bytes
    DWORD pauseMs;        // between 16 KB pieces of the body
    bool reset = true;    // end it with a reset (else closed in order)
};

// An HTTP/1.0 server on a port the system chooses: each connection gets the
// reply of its target (path and query), or a 404 page. It notes each
// request as "<target> <User-Agent>".
class UpdateServer {
public:
    UpdateServer();
    ~UpdateServer();
    UpdateServer(const UpdateServer&) = delete;
    UpdateServer& operator=(const UpdateServer&) = delete;

    void Serve(const std::string& target, Reply reply);
    std::wstring Url(const std::string& target) const;
    std::vector<std::string> Requests() const;

private:
    void Answer(SOCKET client);

    mutable std::mutex lock_;
    std::map<std::string, std::shared_ptr<const Reply>> replies_;
    std::vector<std::string> requests_;
    SOCKET listener_;
    unsigned short port_ = 0;
    std::thread thread_;
};

// A URL nobody answers: a port that was just free.
std::wstring DeadUrl();

// Answers the first message box of process pid captioned caption with
// button (0: its only button), noting its text and whether it asked Yes/No;
// with a picture name, the screen under it is saved as that PNG first.
class BoxAnswerer {
public:
    BoxAnswerer(DWORD pid, const std::wstring& caption, int button, const std::string& picture = "");
    ~BoxAnswerer();
    BoxAnswerer(const BoxAnswerer&) = delete;
    BoxAnswerer& operator=(const BoxAnswerer&) = delete;
    bool Wait(DWORD ms);   // true when a box was answered
    std::wstring text;
    bool question = false;

private:
    std::atomic<bool> done_{false}, stop_{false};
    std::thread thread_;
};

// Points a built program's copy (its bytes) at an update server: the
// program's only address of it is one constant, a zero-padded block of 64
// units, rewritten to site. False when the block is not found exactly once
// or lacks the room.
bool PointAtServer(std::string* exe, const std::wstring& site);

bool WriteBytes(const std::wstring& path, const std::string& bytes);
std::string ReadBytes(const std::wstring& path);   // empty when missing
bool Exists(const std::wstring& path);
std::string Sha1Of(const std::string& bytes);       // upper-case SHA-1 text
std::wstring Widen(const std::string& s);
std::string Lower(std::string s);

using testsupport::WaitFor;

inline constexpr DWORD kBoxMs = 30000;
inline constexpr wchar_t kTitle[] = L"Test Update";
inline Reply HashList(const std::string& one, const std::string& more = "")
{
    return Reply("[Hash]\r\n1=" + one + "\r\n" + more);
}

// Cut to the field; the rest stays as it was.
template <size_t N>
void Put(wchar_t (&field)[N], const std::wstring& text)
{
    wcsncpy(field, text.c_str(), N - 1);
}

// A temporary folder as the current one (the hash list lands there), an
// update server, and a job to fill.
struct Site {
    testsupport::TempDir dir;
    testsupport::CurrentDir cd{dir.Path()};
    UpdateServer server;
    std::vector<UpdateEntry> entries;
    UpdateJob job{};

    explicit Site(uint32_t mode = kUpdateModeHidden)
    {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS};   // the dialog's bars
        InitCommonControlsEx(&controls);
        job.size = sizeof job;
        job.version = kUpdateVersion;
        Put(job.title, kTitle);
        job.mode = mode;
        entries.reserve(16);
    }
    std::wstring Path(const std::wstring& name) const { return dir.WPath() + L"\\" + name; }
    UpdateEntry& Add(const std::wstring& name, const std::wstring& url, const std::wstring& hash, int32_t method,
                     int32_t flag = kUpdateFlagWhenChanged)
    {
        UpdateEntry& e = entries.emplace_back();
        std::memset(&e, 0, sizeof e);
        e.size = kUpdateEntrySize;
        Put(e.localPath, Path(name));
        Put(e.url, url);
        Put(e.hashSource, hash);
        Put(e.displayName, name);
        e.hashMethod = method;
        e.flag = flag;
        e.status = 77;
        return e;
    }
    // The usual self-update entry: "app.exe", its file and its hash list.
    UpdateEntry& AddApp()
    {
        return Add(L"app.exe", server.Url("/tools/app.exe"), server.Url("/hash.php?file=./tools/app.exe"),
                   kHashListSha1);
    }
    int Run()
    {
        job.entryCount = int32_t(entries.size());
        job.entries = entries.data();
        return RunUpdateJob(&job);
    }
};

inline const std::string kOld = "old build";
inline const std::string kNew = "new build, longer";

}  // namespace updtest
