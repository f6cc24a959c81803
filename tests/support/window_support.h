// What the window tests share: waiting with and without the message loop,
// a window that stands for the main window, reading window and dialog texts,
// and a hand on a second thread that answers the dialogs and message boxes
// of this process while the test's thread sits in them.
#pragma once
#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <utility>

namespace testsupport {

// Dispatches the messages waiting for this thread. A WM_QUIT is dropped:
// it is a destroyed window's, and the test thread goes on.
void Pump();
// Dispatches messages until done() or ms have passed; false on time-out.
bool PumpUntil(const std::function<bool()>& done, DWORD ms = 10000);
// Polls done() every 20 ms without dispatching; false on time-out.
bool WaitFor(const std::function<bool()>& done, DWORD ms);

// A window of this thread standing for the main window: every message it
// gets goes to onMessage first. A repaint reaches only a window that shows,
// so a visible one is a popup of width x height on the display (shown
// without taking the focus; it validates what it is asked to paint); else
// it is message-only and the size is ignored.
class PortWindow {
public:
    using Handler = std::function<void(UINT msg, WPARAM wParam, LPARAM lParam)>;
    PortWindow(bool visible, Handler onMessage, int width = 16, int height = 16);
    ~PortWindow();
    PortWindow(const PortWindow&) = delete;
    PortWindow& operator=(const PortWindow&) = delete;
    HWND Handle() const { return hwnd_; }

private:
    static LRESULT CALLBACK Proc(HWND, UINT, WPARAM, LPARAM);
    Handler onMessage_;
    HWND hwnd_;
};

// The window's text (a dialog's caption), up to 4095 characters.
std::wstring WindowText(HWND window);
// The text of the dialog's control id.
std::wstring ItemText(HWND dialog, int id);
// The text of a message box (its static 0xFFFF).
std::wstring BoxText(HWND box);

// The text of a list view's cell (up to 511 characters).
std::wstring ListCell(HWND list, int row, int column);

// The first visible dialog (#32770) of the process pid other than skip that
// match accepts; null when none shows.
HWND FindDialog(DWORD pid, const std::function<bool(HWND)>& match, HWND skip = nullptr);

// Waits on its own thread for the first visible dialog of this process that
// match accepts (by default: the one with the caption), lets answer work on
// it and then presses the button answer returns (0: answer ended the dialog
// itself). With repeat every such dialog is answered until the answerer goes.
class DialogAnswerer {
public:
    using Match = std::function<bool(HWND)>;
    DialogAnswerer(const wchar_t* caption, std::function<int(HWND)> answer, bool repeat = false);
    DialogAnswerer(Match match, std::function<int(HWND)> answer, bool repeat = false);
    ~DialogAnswerer();
    DialogAnswerer(const DialogAnswerer&) = delete;
    DialogAnswerer& operator=(const DialogAnswerer&) = delete;
    // Waits until a single answer is complete: the dialog may end (and the
    // command that showed it return) while answer is still running.
    bool Answered();
    // A message box of this process whose text is text.
    static Match BoxSaying(std::wstring text);

private:
    void Run();
    Match match_;
    std::function<int(HWND)> answer_;
    bool repeat_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> answered_{false};
    std::thread thread_;
};

// Presses button on the first message box of this process that shows text.
class BoxAnswerer : public DialogAnswerer {
public:
    BoxAnswerer(std::wstring text, int button)
        : DialogAnswerer(BoxSaying(std::move(text)), [button](HWND) { return button; })
    {
    }
};

}  // namespace testsupport
