// The GpsHooks that connect GpsDevice to the main window, the sounds, the
// recorder with the trip distance, the statistics refresh and the cell of
// the moment.
#include "app/shell.h"

#include "gps/gps.h"
#include "gps/live_track.h"
#include "gps/simulation.h"
#include "kit/display.h"
#include "kit/outside.h"
#include "kit/screen_state.h"
#include "panes/panes.h"
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
    RefreshStatisticsList();
}

void HookHandOver(GpsPort* port, WPARAM data)
{
    if (HWND window = MainWindow)
        SendMessageW(window, WM_GPSDATA, data, reinterpret_cast<LPARAM>(port));
}

// The trip distance counts each batch's fix before the recorder sees it.
void HookRecorderTick(GpsPort* port, uint32_t mark)
{
    CountTravelledDistance(port);
    RunRecorderTick(port, mark);
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
    StatisticsHooks = {[] { return UpTimeSeconds; }, [] { return RunTimeSeconds; }, [] { return CurrentScreen; },
                       [] { return MainListView; }};
    InstallStatisticsRefresh();
}
