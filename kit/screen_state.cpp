// What the main window shows, read by every subsystem.
#include "kit/screen_state.h"

HWND MainWindow = nullptr;
HWND MainListView = nullptr;
int CurrentScreen = kScreenGps;
bool QuickRepaint = false;
uint64_t UpTimeSeconds = 0;
uint64_t RunTimeSeconds = 0;
