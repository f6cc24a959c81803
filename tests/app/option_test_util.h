// The main window over a settings store of its own, and dialogs answered
// from a second thread while the window sits in them: the option dialogs'
// tests drive them as a user would, through their commands.
#pragma once
#include <doctest.h>

#include "support/dib_canvas.h"
#include "support/test_support.h"

#include "app/display.h"
#include "app/settings.h"
#include "app/shell.h"
#include "gps/gps.h"
#include "tracks/tracks.h"

#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

namespace optiontest {

inline void Pump()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

inline std::wstring ItemText(HWND dialog, int id)
{
    wchar_t text[2048] = {};
    GetWindowTextW(id ? GetDlgItem(dialog, id) : dialog, text, 2048);
    return text;
}
inline std::wstring Text(HWND window) { return ItemText(window, 0); }
// The text of a message box (its static 0xFFFF).
inline std::wstring BoxText(HWND box) { return ItemText(box, 0xFFFF); }
inline void SetItem(HWND dialog, int id, const wchar_t* text) { SetDlgItemTextW(dialog, id, text); }
inline bool Checked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }
inline void Check(HWND dialog, int id, bool on) { CheckDlgButton(dialog, id, on ? BST_CHECKED : BST_UNCHECKED); }
inline bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }
inline std::string Narrow(const std::wstring& w) { return std::string(w.begin(), w.end()); }

// Waits on its own thread for the first visible dialog of this process with
// the caption, lets answer work on it and then presses the button answer
// returns (0: answer ended the dialog itself). With repeat every such dialog
// is answered until the answerer goes.
class DialogAnswerer {
public:
    DialogAnswerer(const wchar_t* caption, std::function<int(HWND)> answer, bool repeat = false)
        : caption_(caption), answer_(std::move(answer)), repeat_(repeat), thread_([this] { Run(); })
    {
    }
    ~DialogAnswerer()
    {
        stop_ = true;
        if (thread_.joinable())
            thread_.join();
    }
    DialogAnswerer(const DialogAnswerer&) = delete;
    DialogAnswerer& operator=(const DialogAnswerer&) = delete;
    // Waits until a single answer is complete: the dialog may end (and the
    // command that showed it return) while answer is still running.
    bool Answered()
    {
        if (!repeat_ && thread_.joinable())
            thread_.join();
        return answered_;
    }

private:
    HWND Find(HWND last) const
    {
        HWND w = nullptr;
        while ((w = FindWindowExW(nullptr, w, L"#32770", nullptr)) != nullptr) {
            DWORD pid = 0;
            GetWindowThreadProcessId(w, &pid);
            if (pid == GetCurrentProcessId() && w != last && IsWindowVisible(w) && ItemText(w, 0) == caption_)
                return w;
        }
        return nullptr;
    }
    void Run()
    {
        const ULONGLONG until = GetTickCount64() + 15000;
        HWND last = nullptr;
        while (!stop_ && (repeat_ || GetTickCount64() < until)) {
            if (last && !IsWindow(last))
                last = nullptr;
            if (HWND w = Find(last)) {
                if (const int button = answer_(w))
                    PostMessageW(w, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
                answered_ = true;
                if (!repeat_)
                    return;
                last = w;
            }
            Sleep(20);
        }
    }
    std::wstring caption_;
    std::function<int(HWND)> answer_;
    bool repeat_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> answered_{false};
    std::thread thread_;
};

// A picture of the dialog as it shows, for a person to look at.
inline bool SavePicture(HWND dialog, const std::string& name)
{
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    RECT r{};
    GetWindowRect(dialog, &r);
    testsupport::DibCanvas canvas(r.right - r.left, r.bottom - r.top);
    HDC dc = GetWindowDC(dialog);
    BitBlt(canvas.Dc(), 0, 0, canvas.Width(), canvas.Height(), dc, 0, 0, SRCCOPY);
    ReleaseDC(dialog, dc);
    return canvas.SavePng(name);
}

// The running main window over a settings store in a fresh folder, with
// every seam the program installs. The globals start from their defaults and
// get them back at the end.
struct WindowFixture {
    testsupport::TempDir dir;
    HWND window = nullptr;
    WindowFixture()
    {
        OpenSettingsStore(dir.WPath().c_str());
        ReadSettingsIntoGlobals();
        ShellSeams = SHELL_SEAMS{};
        InstallSubsystemSeams();
        RecorderState.store(kRecorderIdle);
        CreateFontSet();
        InstallGpsHooks();
        window = CreateMainWindow(GetModuleHandleW(nullptr));
        REQUIRE(window);
    }
    ~WindowFixture()
    {
        if (IsWindow(window))
            SendMessageW(window, WM_CLOSE, 0, 0);
        Pump();
        GpsDevice.Shutdown();
        ReaderStopFlag.store(false);
        FillTrackList(nullptr, nullptr, nullptr);
        CloseSettingsStore();
        ReadSettingsIntoGlobals();
        DeleteFontSet();
    }
    LRESULT Command(int id) { return SendMessageW(window, WM_COMMAND, static_cast<WPARAM>(id), 0); }
    // Saves the store as shutdown does (closing it) and gives the file.
    std::string SavedFile()
    {
        CloseSettingsStore();
        std::string text;
        testsupport::ReadFile(dir.File("pathvex.xml"), &text);
        return text;
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
