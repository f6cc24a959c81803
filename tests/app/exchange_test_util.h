// The KML and LOC exchange in the running main window: the system's file
// dialogs and the program's questions answered from a second thread.
#pragma once
#include "gpsbabel.h"
#include "option_test_util.h"

#include "resources/resource.h"

#include <cmath>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace exchangetest {

using namespace optiontest;
using namespace gpsbabel;

// The system's file dialogs as Wine titles them, and their file name box
// (the combo box of the explorer-style dialog, or the plain edit).
inline constexpr wchar_t kSaveCaption[] = L"Save As";
inline constexpr wchar_t kOpenCaption[] = L"Open";
// Wine asks before a save replaces a file in a box captioned "Error".
inline constexpr wchar_t kReplaceCaption[] = L"Error";
inline constexpr int kFileNameCombo = 0x47C;
inline constexpr int kFileNameEdit = 0x480;

// One dialog to answer: its caption (and a message box's text, or "" for
// any), what to do in it, the button to press.
struct STEP {
    std::wstring caption;
    std::wstring text;
    std::function<void(HWND)> act;
    int button;
};

// Answers the dialogs in order on a thread of its own while the window
// sits in them; keeps the text each one showed (a message box's text, a file
// dialog's proposed name).
class Answers {
public:
    explicit Answers(std::vector<STEP> steps) : steps_(std::move(steps)), thread_([this] { Run(); }) {}
    ~Answers()
    {
        stop_ = true;
        if (thread_.joinable())
            thread_.join();
    }
    Answers(const Answers&) = delete;
    Answers& operator=(const Answers&) = delete;
    // Stops waiting for the steps still to come; the steps answered.
    size_t Stop()
    {
        stop_ = true;
        return Done();
    }
    // The steps answered; waits for the answering thread to finish first.
    size_t Done()
    {
        if (thread_.joinable())
            thread_.join();
        return done_;
    }
    std::wstring Shown(size_t i)
    {
        Done();
        return i < shown_.size() ? shown_[i] : std::wstring();
    }

private:
    static std::wstring ShownText(HWND w)
    {
        if (GetDlgItem(w, kFileNameCombo))
            return ItemText(w, kFileNameCombo);
        if (GetDlgItem(w, kFileNameEdit))
            return ItemText(w, kFileNameEdit);
        return BoxText(w);
    }
    HWND Find(const STEP& step, HWND last) const
    {
        HWND w = nullptr;
        while ((w = FindWindowExW(nullptr, w, L"#32770", nullptr)) != nullptr) {
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
            shown_.push_back(ShownText(found));
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

// The file dialog answered with path (or cancelled).
inline STEP SaveAs(const std::string& path)
{
    return {kSaveCaption, L"",
            [path](HWND d) {
                SetDlgItemTextW(d, kFileNameCombo, Wide(path).c_str());
                SetDlgItemTextW(d, kFileNameEdit, Wide(path).c_str());
            },
            IDOK};
}
inline STEP OpenFile(const std::string& path)
{
    STEP s = SaveAs(path);
    s.caption = kOpenCaption;
    return s;
}
inline STEP ReplaceYes()
{
    return {kReplaceCaption, L"", nullptr, IDYES};
}
inline STEP CancelDialog(const wchar_t* caption)
{
    return {caption, L"", nullptr, IDCANCEL};
}
// A question or message of the program, captioned with its title.
inline STEP Reply(const std::wstring& text, int button = IDOK)
{
    return {kProgramTitle, text, nullptr, button};
}
// Chooses entries (by index) in a selection list.
inline STEP Choose(const wchar_t* caption, std::vector<int> rows)
{
    return {caption, L"",
            [rows](HWND d) {
                const bool several = GetWindowLongW(GetDlgItem(d, IDC_ENTRY_TEXT), GWL_STYLE) & LBS_MULTIPLESEL;
                for (int row : rows)
                    SendDlgItemMessageW(d, IDC_ENTRY_TEXT, several ? LB_SETSEL : LB_SETCURSEL,
                                        several ? TRUE : WPARAM(row), several ? LPARAM(row) : 0);
            },
            IDOK};
}

// The main window with its seams, "open" recorded instead of done.
inline std::vector<std::wstring> OpenedFiles;
inline bool RecordOpen(HWND, const wchar_t* target)
{
    OpenedFiles.push_back(target);
    return true;
}

struct ExchangeWindow : WindowFixture {
    ExchangeWindow()
    {
        RebuildWaypointList();
        ShellSeams.openExternal = RecordOpen;
        OpenedFiles.clear();
    }
    // The command from the menu bar of the screen shown: true when the
    // menu holds it (and it was sent).
    bool Menu(int id)
    {
        HMENU menu = GetMenu(window);
        if (!menu || GetMenuStringW(menu, UINT(id), nullptr, 0, MF_BYCOMMAND) <= 0)
            return false;
        Command(id);
        return true;
    }
    std::string File(const std::string& name) const { return dir.File(name); }
};

}  // namespace exchangetest
