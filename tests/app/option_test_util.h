// The main window over a settings store of its own, and dialogs answered
// from a second thread while the window sits in them: the option dialogs'
// tests drive them as a user would, through their commands.
#pragma once
#include <doctest.h>

#include "window_fixture.h"

#include "app/settings_store.h"
#include "kit/settings.h"

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace optiontest {

using testsupport::BoxText;
using testsupport::DialogAnswerer;
using testsupport::ItemText;
using testsupport::Pump;
using testsupport::PumpUntil;
inline std::wstring Text(HWND window) { return testsupport::WindowText(window); }
inline void SetItem(HWND dialog, int id, const wchar_t* text) { SetDlgItemTextW(dialog, id, text); }
inline bool Checked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }
inline void Check(HWND dialog, int id, bool on) { CheckDlgButton(dialog, id, on ? BST_CHECKED : BST_UNCHECKED); }
using testsupport::Contains;
inline std::string Narrow(const std::wstring& w) { return std::string(w.begin(), w.end()); }

// One dialog to answer in a sequence: its caption (and a message box's
// text, "" for any), what to do in it, the button to press.
struct STEP {
    std::wstring caption;
    std::wstring text;
    std::function<void(HWND)> act;
    int button;
};

// Answers the dialogs in order on a thread of its own while the window sits
// in them, keeping what each showed: the file name a file dialog proposes
// (its explorer-style combo box or plain edit), or else a box's text.
class Answers {
public:
    static constexpr int kFileNameBoxes[] = {0x47C, 0x480};
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
        return testsupport::FindDialog(GetCurrentProcessId(), [&](HWND w) {
            return Text(w) == step.caption && (step.text.empty() || BoxText(w) == step.text);
        }, last);
    }
    void Run()
    {
        HWND last = nullptr;
        for (size_t i = 0; i < steps_.size(); ++i) {
            HWND found = nullptr;
            testsupport::WaitFor([&] { return stop_ || (found = Find(steps_[i], last)) != nullptr; }, 30000);
            if (!found)
                return;
            const int box = kFileNameBoxes[0];
            shown_.push_back(GetDlgItem(found, box) ? ItemText(found, box) : BoxText(found));
            if (steps_[i].act)
                steps_[i].act(found);
            // Counted before the press: the command may return at once.
            ++done_;
            PostMessageW(found, WM_COMMAND, MAKEWPARAM(steps_[i].button, BN_CLICKED), 0);
            // Gone before the next step looks, unless the next dialog shows
            // over it (a file dialog's question about replacing a file).
            const STEP* next = i + 1 < steps_.size() ? &steps_[i + 1] : nullptr;
            testsupport::WaitFor([&] { return stop_ || !IsWindow(found) || (next && Find(*next, found)); }, 5000);
            last = found;
        }
    }
    std::vector<STEP> steps_;
    std::atomic<bool> stop_{false};
    std::atomic<size_t> done_{0};
    std::vector<std::wstring> shown_;
    std::thread thread_;
};
inline STEP Press(const wchar_t* caption, int button = IDOK) { return {caption, L"", nullptr, button}; }
// A question or message of the program, captioned with its title.
inline STEP Reply(const std::wstring& text, int button = IDOK) { return {kProgramTitle, text, nullptr, button}; }

// A picture of the dialog as it shows, for a person to look at.
inline bool SavePicture(HWND dialog, const std::string& name) { return testsupport::SaveWindowPicture(dialog, name); }

// The running main window over a settings store in a fresh folder. The
// globals start from their defaults and get them back at the end.
struct WindowFixture : windowtest::MainWindowFixture {
    WindowFixture()
    {
        OpenSettingsStore(dir.WPath().c_str());
        ReadSettingsIntoGlobals();
        Open();
    }
    ~WindowFixture()
    {
        Close();
        FillTrackList(nullptr, nullptr, nullptr);
        CloseSettingsStore();
        ReadSettingsIntoGlobals();
    }
    // Saves the store as shutdown does (closing it) and gives the file.
    std::string SavedFile()
    {
        CloseSettingsStore();
        return testsupport::FileBytes(dir.File("pathvex.xml"));
    }
};

// Opens the dialog of command, lets fill change it and presses button.
inline bool Answer(WindowFixture& f, int command, const wchar_t* caption, const std::function<void(HWND)>& fill,
                   int button = IDOK)
{
    DialogAnswerer a(caption, [&](HWND d) {
        fill(d);
        return button;
    });
    f.Command(command);
    return a.Answered();
}

}  // namespace optiontest
