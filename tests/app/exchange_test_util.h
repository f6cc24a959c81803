// The KML and LOC exchange in the running main window: the system's file
// dialogs and the program's questions answered from a second thread.
#pragma once
#include "gpsbabel.h"
#include "option_test_util.h"

#include "resources/resource.h"

#include <string>
#include <utility>
#include <vector>

namespace exchangetest {

using namespace optiontest;
using namespace gpsbabel;

// Wine's file dialogs, its question before a save replaces a file, and the
// file name box (the explorer-style combo box, or the plain edit).
inline constexpr wchar_t kSaveCaption[] = L"Save As";
inline constexpr wchar_t kOpenCaption[] = L"Open";
inline constexpr wchar_t kReplaceCaption[] = L"Error";
inline constexpr int kFileNameBoxes[] = {0x47C, 0x480};

// One dialog to answer: its caption (and a message box's text, "" for any),
// what to do in it, the button to press.
struct STEP {
    std::wstring caption;
    std::wstring text;
    std::function<void(HWND)> act;
    int button;
};

// Answers the dialogs in order on a thread of its own while the window sits
// in them, keeping what each showed (a box's text, a proposed file name).
class Answers {
public:
    explicit Answers(std::vector<STEP> steps) : steps_(std::move(steps)), thread_([this] { Run(); }) {}
    ~Answers() { Stop(); }
    Answers(const Answers&) = delete;
    Answers& operator=(const Answers&) = delete;
    // The steps answered, once all are (or their time is up).
    size_t Done()
    {
        if (thread_.joinable())
            thread_.join();
        return done_;
    }
    // The steps answered, without waiting for those still to come.
    size_t Stop()
    {
        stop_ = true;
        return Done();
    }
    std::wstring Shown(size_t i) { return Done() > i ? shown_[i] : std::wstring(); }

private:
    HWND Find(const STEP& step, HWND last) const
    {
        for (HWND w = nullptr; (w = FindWindowExW(nullptr, w, L"#32770", nullptr)) != nullptr;) {
            DWORD pid = 0;
            GetWindowThreadProcessId(w, &pid);
            if (w != last && pid == GetCurrentProcessId() && IsWindowVisible(w) && Text(w) == step.caption &&
                (step.text.empty() || BoxText(w) == step.text))
                return w;
        }
        return nullptr;
    }
    void Run()
    {
        HWND last = nullptr;
        for (const STEP& step : steps_) {
            HWND found = nullptr;
            for (ULONGLONG until = GetTickCount64() + 30000; !stop_ && !found && GetTickCount64() < until; Sleep(20))
                found = Find(step, last);
            if (!found)
                return;
            shown_.push_back(GetDlgItem(found, kFileNameBoxes[0]) ? ItemText(found, kFileNameBoxes[0]) : BoxText(found));
            if (step.act)
                step.act(found);
            ++done_;
            PostMessageW(found, WM_COMMAND, MAKEWPARAM(step.button, BN_CLICKED), 0);
            last = found;
        }
    }
    std::vector<STEP> steps_;
    std::atomic<bool> stop_{false};
    std::atomic<size_t> done_{0};
    std::vector<std::wstring> shown_;
    std::thread thread_;
};

// A file dialog answered with path.
inline STEP FileStep(const wchar_t* caption, const std::string& path)
{
    return {caption, L"",
            [path](HWND d) {
                for (int box : kFileNameBoxes)
                    SetDlgItemTextW(d, box, Wide(path).c_str());
            },
            IDOK};
}
inline STEP SaveAs(const std::string& path) { return FileStep(kSaveCaption, path); }
inline STEP OpenFile(const std::string& path) { return FileStep(kOpenCaption, path); }
inline STEP Press(const wchar_t* caption, int button) { return {caption, L"", nullptr, button}; }
// A question or message of the program, captioned with its title.
inline STEP Reply(const std::wstring& text, int button = IDOK) { return {kProgramTitle, text, nullptr, button}; }

// The lines a selection list offers.
inline std::vector<std::wstring> ListLines(HWND dialog)
{
    std::vector<std::wstring> lines;
    wchar_t line[128];
    for (int i = 0; i < SendDlgItemMessageW(dialog, IDC_ENTRY_TEXT, LB_GETCOUNT, 0, 0); ++i)
        if (SendDlgItemMessageW(dialog, IDC_ENTRY_TEXT, LB_GETTEXTLEN, i, 0) < 128 &&
            SendDlgItemMessageW(dialog, IDC_ENTRY_TEXT, LB_GETTEXT, i, LPARAM(line)) >= 0)
            lines.push_back(line);
    return lines;
}

// The main window with its seams; "open" recorded instead of done.
inline std::vector<std::wstring> OpenedFiles;
inline bool RecordOpen(HWND, const wchar_t* target, int show)
{
    // Written files are shown maximised; anything else is a fault.
    OpenedFiles.push_back(show == SW_SHOWMAXIMIZED ? target : L"not maximised");
    return true;
}

struct ExchangeWindow : WindowFixture {
    ExchangeWindow()
    {
        // Wine's file dialogs start in the folder last visited, or else in
        // the current one: both are to be the test's own, small folder, not
        // one deleted since or the build folder, whose programs the dialog
        // takes many seconds to list.
        RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ComDlg32");
        GetCurrentDirectoryW(MAX_PATH, startFolder);
        SetCurrentDirectoryW(dir.WPath().c_str());
        RebuildWaypointList();
        ShellSeams.openExternal = RecordOpen;
        OpenedFiles.clear();
    }
    ~ExchangeWindow() { SetCurrentDirectoryW(startFolder); }
    // A picture for a person to look at, kept in the folder the test
    // started in.
    void Picture(HWND w, const std::string& name) const
    {
        SavePicture(w, Narrow(startFolder) + "\\" + name);
    }
    wchar_t startFolder[MAX_PATH] = L"";
    // The command from the menu bar of the screen shown: false when the
    // menu does not hold it (then it is not sent).
    bool Menu(int id)
    {
        if (GetMenuStringW(GetMenu(window), UINT(id), nullptr, 0, MF_BYCOMMAND) <= 0)
            return false;
        Command(id);
        return true;
    }
    std::string File(const std::string& name) const { return dir.File(name); }
};

inline bool Has(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

}  // namespace exchangetest
