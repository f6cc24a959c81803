// The in-process updater tests' fixture: a temporary folder as the current
// one (the hash list lands there), an update server, and a job to fill.
#pragma once
#include "update_test_support.h"

#include "support/test_support.h"
#include "updater/updater.h"

#include <commctrl.h>

#include <cstring>
#include <string>
#include <vector>

namespace updtest {

inline constexpr DWORD kBoxMs = 30000;
inline constexpr wchar_t kTitle[] = L"Test Update";
inline Reply HashList(const std::string& one, const std::string& more = "")
{
    return Reply("[Hash]\r\n1=" + one + "\r\n" + more);
}

template <size_t N>
void Put(wchar_t (&field)[N], const std::wstring& text)
{
    wcsncpy(field, text.c_str(), N - 1);
}

class CurrentDir {
public:
    explicit CurrentDir(const std::wstring& dir)
    {
        GetCurrentDirectoryW(MAX_PATH, saved_);
        SetCurrentDirectoryW(dir.c_str());
    }
    ~CurrentDir() { SetCurrentDirectoryW(saved_); }

private:
    wchar_t saved_[MAX_PATH] = {};
};

struct Site {
    testsupport::TempDir dir;
    CurrentDir cd{dir.WPath()};
    UpdateServer server;
    std::vector<UpdateEntry> entries;
    UpdateJob job{};

    explicit Site(uint32_t mode = kUpdateModeHidden)
    {
        // The dialog's progress bars.
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS};
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
