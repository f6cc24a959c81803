// The GpsHooks that connect GpsDevice to the main window, the sounds, the
// recorder and the cell of the moment: thin calls into the main window and
// the seams, read when they run, so seams installed later take effect.
#include "app/shell.h"

#include "gps/gps.h"
#include "gps/simulation.h"
#include "kit/display.h"
#include "kit/outside.h"
#include "kit/screen_state.h"
#include "platform/handheld/cell_tower.h"

namespace {

void HookPlaySound(const wchar_t* name)
{
    OutsideSeams.playSound(name);
}

void HookRepaint()
{
    if (HWND window = MainWindow)
        RefreshWindow(window);
}

void HookRefreshStatistics()
{
    if (ShellSeams.refreshStatistics)
        ShellSeams.refreshStatistics();
}

void HookHandOver(GpsPort* port, WPARAM data)
{
    if (HWND window = MainWindow)
        SendMessageW(window, WM_GPSDATA, data, reinterpret_cast<LPARAM>(port));
}

void HookRecorderTick(GpsPort* port, uint32_t mark)
{
    if (ShellSeams.recorderTick)
        ShellSeams.recorderTick(port, mark);
}

uint32_t HookCurrentCellId()
{
    return GetCurrentCellId();
}

void HookAutoAdvance(GpsPort* port)
{
    AutoAdvanceSimulation(port, MainWindow);
}

void HookSetTitle(const wchar_t* text)
{
    if (HWND window = MainWindow)
        SetWindowTextW(window, text);
}

}  // namespace

void InstallGpsHooks()
{
    GpsHooks hooks{};
    hooks.playSound = HookPlaySound;
    hooks.repaintMainWindow = HookRepaint;
    hooks.refreshStatistics = HookRefreshStatistics;
    hooks.handOver = HookHandOver;
    hooks.recorderTick = HookRecorderTick;
    hooks.currentCellId = HookCurrentCellId;
    hooks.autoAdvanceSimulation = HookAutoAdvance;
    hooks.setWindowTitle = HookSetTitle;
    GpsDevice.SetHooks(hooks);
}
