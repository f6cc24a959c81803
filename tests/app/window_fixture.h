// The program's main window in the test's own process, over the program's
// globals: the base of the fixtures that drive it as a user would.
#pragma once
#include <doctest.h>

#include "support/dib_canvas.h"
#include "support/test_support.h"
#include "support/window_support.h"

#include "app/shell.h"
#include "gps/gps.h"
#include "kit/display.h"
#include "kit/outside.h"
#include "tracks/tracks.h"

#include <windows.h>

namespace windowtest {

using testsupport::DialogAnswerer;
using testsupport::Pump;
using testsupport::PumpUntil;

// A fixture sets up the globals it needs, then calls Open(). Close() (also
// done when the fixture goes) closes the window as the user would and stops
// the receiver; a fixture with more to restore calls it first.
class MainWindowFixture {
public:
    testsupport::TempDir dir;
    HWND window = nullptr;

    MainWindowFixture() = default;
    // The reach outside the program as it was before the test put its own.
    ~MainWindowFixture()
    {
        Close();
        OutsideSeams = outside_;
        ShellSeams = shell_;
    }
    MainWindowFixture(const MainWindowFixture&) = delete;
    MainWindowFixture& operator=(const MainWindowFixture&) = delete;

    void Open()
    {
        RecorderState.store(kRecorderIdle);
        ReaderStopFlag.store(false);
        CreateFontSet();
        open_ = true;
        window = CreateMainWindow(GetModuleHandleW(nullptr));
        REQUIRE(window);
    }
    void Close()
    {
        if (!open_)
            return;
        open_ = false;
        // Idle first: closing while a track records would ask.
        RecorderState.store(kRecorderIdle);
        if (IsWindow(window))
            SendMessageW(window, WM_CLOSE, 0, 0);
        Pump();
        GpsDevice.Shutdown();
        ReaderStopFlag.store(false);
        RecorderState.store(kRecorderIdle);
        DeleteFontSet();
    }
    LRESULT Command(int id) { return SendMessageW(window, WM_COMMAND, static_cast<WPARAM>(id), 0); }
    void Key(UINT key)
    {
        SendMessageW(window, WM_KEYDOWN, key, 0);
        Pump();
    }
    RECT Client() const { return testsupport::DibCanvas::ClientRect(window); }

private:
    bool open_ = false;
    const OUTSIDE_SEAMS outside_ = OutsideSeams;
    const SHELL_SEAMS shell_ = ShellSeams;
};

}  // namespace windowtest
