// The hooks through which the recorder and route following (the reader
// thread's side of tracks) and the exports still reach the shell: its window
// and screen, the record options, route following, and opening a written
// file. They go when those callers call the code directly.
#include "app/shell.h"

#include "tracks/tracks.h"

namespace {

HWND ShellMainWindow()
{
    return MainWindow;
}

int ShellCurrentScreen()
{
    return CurrentScreen;
}

// Written exports open maximised. Through the shell's seam at the time of the call, so that whoever owns
// "open" then (the program, or a test) gets it.
bool OpenWrittenFile(HWND window, const wchar_t* path)
{
    return ShellSeams.openExternal && ShellSeams.openExternal(window, path, SW_SHOWMAXIMIZED);
}

}  // namespace

void InstallTrackSeams()
{
    TrackHooks.mainWindow = ShellMainWindow;
    TrackHooks.currentScreen = ShellCurrentScreen;
    TrackHooks.recordOptionsDialog = ShowRecordOptionsDialog;
    TrackHooks.followRoute = FollowRoute;
    TrackHooks.openFile = OpenWrittenFile;
}

// Nothing is left to install; the call goes with the start-up's next change.
void InstallDrawingHooks()
{
}
