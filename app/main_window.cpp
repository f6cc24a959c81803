// The main window: its screens, GPS data from the reader thread, painting,
// timers, the tray icon and closing.
#include "app/shell.h"

#include "app/options.h"
#include "gps/geodesy.h"
#include "gps/simulation.h"
#include "kit/dialogs.h"
#include "kit/display.h"
#include "kit/outside.h"
#include "kit/settings.h"
#include "kit/utils.h"
#include "maps/calc.h"
#include "maps/offline_maps.h"
#include "maps/online_maps.h"
#include "maps/painter.h"
#include "maps/viewport.h"
#include "maps/web_map.h"
#include "panes/panes.h"
#include "panes/tracking.h"
#include "resources/resource.h"
#include "tracks/tracks.h"
#include "xml/utf8text.h"
#include "xml/xml.h"
#if defined(PATHVEX_HANDHELD)
#include "platform/handheld/handheld.h"
#endif

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <iterator>
#include <limits>

int SavedScreen = kScreenGps;
int PickPurpose = 0;
bool DisplayOff = false;
std::vector<RECT> WaypointLabelRects;
bool IgnoreNextMapClick = false;

namespace {

constexpr wchar_t kStopRecordingQuestion[] = L"Stop Recording/Playback?";
constexpr UINT kMainClassStyle = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_PARENTDC;   // 0x8B
constexpr int kMainWidth = 240;
constexpr int kMainHeight = 320;
constexpr DWORD kListViewExStyle = LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT;
constexpr size_t kRowTextSize = 2000;
constexpr DWORD kPathRepaintMs = 1000;
constexpr int kRawColumnMargin = 5;

// ---------------------------------------------------------------------------
// Screens.

enum class ScreenKind { Painted, List, WebMap };
enum class ZoomKeys { Off, On, Unchanged };

struct SCREEN {
    int id;
    const wchar_t* title;   // null: the program title
    ScreenKind kind;
    int menu;               // 0: the menu stays
    ZoomKeys zoom;
    // Painted screens: the whole screen on WM_PAINT, and what each unit of
    // GPS data (WM_GPSDATA) changes on it.
    void (*paint)(HWND window, HDC dc) = nullptr;
    void (*redraw)(HWND window, GpsPort* port) = nullptr;
    // List screens: Back while a category is open (true when it went up one
    // level). Their columns and rows are made in EnterListScreen.
    bool (*back)(HWND list) = nullptr;
};

// The rows' own painters and redraws, defined below.
void PaintGpsScreen(HWND window, HDC dc);
void PaintMapView(HWND window, HDC dc);
void RedrawGpsScreen(HWND window, GpsPort* port);
void RedrawSatellites(HWND window, GpsPort* port);
void FollowOnMap(HWND window, GpsPort* port);
void FollowOnPath(HWND window, GpsPort* port);

// A pane that redraws its own changes from the live record.
template <void (*Redraw)(HWND)>
void RedrawPane(HWND window, GpsPort*)
{
    Redraw(window);
}

using enum ScreenKind;
constexpr SCREEN kScreens[] = {
    {kScreenGps, nullptr, Painted, IDR_MENU_MAIN, ZoomKeys::Off, PaintGpsScreen, RedrawGpsScreen},   // panes/
    {kScreenMap, L"Map", Painted, 0, ZoomKeys::On, PaintMapView, FollowOnMap},                      // maps/
    {kScreenSatellite, L"Satellite", Painted, 0, ZoomKeys::Off, PaintSatellitePane, RedrawSatellites},
    {kScreenTracks, L"Tracks", List, IDR_MENU_TRACKS, ZoomKeys::Off, nullptr, nullptr,
     TrackListBack},   // tracks/
    {kScreenWaypoints, L"Waypoints", List, IDR_MENU_WAYPOINTS, ZoomKeys::Off, nullptr, nullptr,
     WaypointListBack},   // tracks/
    {kScreenWebMap, L"Google Map", WebMap, IDR_MENU_WEBMAP, ZoomKeys::Off},   // maps/web_map.h
    {kScreenStatistics, L"Statistics", List, 0, ZoomKeys::Unchanged},
    {kScreenMaps, L"Maps", List, IDR_MENU_MAPS, ZoomKeys::Off},   // maps/
    {kScreenSun, L"Sun", Painted, IDR_MENU_MAIN, ZoomKeys::Off, PaintSunPane, RedrawPane<RedrawSunPane>},
    {kScreenMoon, L"Moon", Painted, IDR_MENU_MAIN, ZoomKeys::Off, PaintMoonPane, RedrawPane<RedrawMoonPane>},
    {kScreenPathView, L"Path", Painted, 0, ZoomKeys::On, PaintMapView, FollowOnPath},
    {kScreenCompass, L"Compass", Painted, IDR_MENU_MAIN, ZoomKeys::Off, PaintCompassPane,
     RedrawPane<RedrawCompassPane>},
    {kScreenCalcLength, L"1D Calc", Painted, IDR_MENU_CALC, ZoomKeys::On, DrawCalcView},   // maps/calc.h
    {kScreenCalcArea, L"2D Calc", Painted, IDR_MENU_CALC, ZoomKeys::On, DrawCalcView},
    {kScreenCalcVolume, L"3D Calc", Painted, IDR_MENU_CALC, ZoomKeys::On, DrawCalcView},
    {kScreenRaw, L"Raw", List, 0, ZoomKeys::Unchanged},
};

const SCREEN* FindScreen(int id)
{
    for (const SCREEN& s : kScreens)
        if (s.id == id)
            return &s;
    return nullptr;
}

const wchar_t* ScreenTitle(const SCREEN& s)
{
    return s.title ? s.title : kProgramTitle;
}

// Next and previous screen: the commands in the order the arrow keys walk.
constexpr int kScreenCycleTable[] = {201, 205, 204, 206, 207, 214, 211, 212, 209, 299};

int CycleIndex(int screen)
{
    const int command = IDM_SCREEN_BASE + screen;
    for (size_t i = 0; i < std::size(kScreenCycleTable); ++i)
        if (kScreenCycleTable[i] == command)
            return static_cast<int>(i);
    return -1;
}

void SetZoomHotKeys(HWND window, bool on);   // beside its key table, below

void SetZoomKeys(HWND window, ZoomKeys zoom)
{
    if (zoom != ZoomKeys::Unchanged)
        SetZoomHotKeys(window, zoom == ZoomKeys::On);
}

void AddColumn(HWND list, int index, const wchar_t* text, int width)
{
    LVCOLUMNW column{};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = LVCFMT_LEFT;
    column.cx = width;
    column.pszText = const_cast<wchar_t*>(text);
    column.iSubItem = index;
    SendMessageW(list, LVM_INSERTCOLUMNW, index, reinterpret_cast<LPARAM>(&column));
}

void SendClientSize(HWND window)
{
    RECT client{};
    GetClientRect(window, &client);
    SendMessageW(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.right, client.bottom));
}

const wchar_t* DistanceColumnTitle()
{
    switch (DistanceUnit) {
    case 1:
        return L"Mi";
    case 2:
        return L"Nmi";
    default:
        return L"Km";
    }
}

void EnterPaintedScreen(HWND window, const SCREEN& s)
{
    SetWindowTextW(window, ScreenTitle(s));
    CurrentScreen = s.id;
    ShowWindow(MainListView, SW_HIDE);
    if (s.menu)
        SetViewMenu(window, s.menu, false);
    // After the menu: a handheld's new menu bar is what holds F1 and F2.
    SetZoomKeys(window, s.zoom);
    if (s.id == kScreenMap)
        FetchOnlineMapImage(window);
    if (s.id >= kScreenCalcFirst && s.id <= kScreenCalcLast)
        SetCalcAxisMode(s.id == kScreenCalcLast ? 6 : 3);
    RefreshWindow(window);
}

void EnterListScreen(HWND window, const SCREEN& s, bool picking)
{
    const int previous = CurrentScreen;
    SetWindowTextW(window, ScreenTitle(s));
    CurrentScreen = s.id;
    ShowWindow(MainListView, SW_SHOW);
    if (s.id == kScreenStatistics || s.id == kScreenMaps || s.id == kScreenRaw)
        SendMessageW(MainListView, LVM_DELETEALLITEMS, 0, 0);
    DeleteAllColumns(MainListView);
    switch (s.id) {
    case kScreenTracks:
    case kScreenWaypoints:
        // Both lists open at their top level. Picking returns to the screen
        // the pick was asked from.
        if (picking)
            SavedScreen = previous;
        SetZoomKeys(window, s.zoom);
        SetViewMenu(window, s.menu, picking);
        RefreshWindow(window);
        if (s.id == kScreenTracks) {
            AddColumn(MainListView, 0, L"#", 40);
            AddColumn(MainListView, 1, L"Name", 40);
            AddColumn(MainListView, 2, L"Pts", 40);
            AddColumn(MainListView, 3, DistanceColumnTitle(), 40);
            FillTrackList(nullptr, MainListView, nullptr);
        } else {
            const wchar_t* titles[] = {L"#", L"N", L"X", L"Y", L"Z"};
            for (int i = 0; i < 5; ++i)
                AddColumn(MainListView, i, titles[i], 40);
            FillWaypointList(nullptr, MainListView, nullptr);
            AutoSizeColumns(MainListView, 5);
        }
        break;
    case kScreenStatistics:
        AddColumn(MainListView, 0, L"Item", 70);
        AddColumn(MainListView, 1, L"Value", 70);
        FillStatisticsList(MainListView, true);
        SendClientSize(window);
        AutoSizeColumns(MainListView, 2);
        break;
    case kScreenMaps:
        SetZoomKeys(window, s.zoom);
        SetViewMenu(window, s.menu, picking);
        AddColumn(MainListView, 0, L"#", 70);
        AddColumn(MainListView, 1, L"From", 70);
        AddColumn(MainListView, 2, L"To", 70);
        FillMapList(MainListView);
        SendClientSize(window);
        AutoSizeColumns(MainListView, 3);
        break;
    case kScreenRaw:
        // Entering empties the raw log: it holds what arrived since.
        AddColumn(MainListView, 0, L"Raw", 70);
        SendClientSize(window);
        break;
    }
    SetFocus(MainListView);
}

void EnterWebMapScreen(HWND window, const SCREEN& s, bool picking)
{
    SetWindowTextW(window, ScreenTitle(s));
    CurrentScreen = s.id;
    SetZoomKeys(window, s.zoom);
    ShowWindow(MainListView, SW_HIDE);
    CreateWebMapWindow(window);
    RefreshWindow(window);
    SetViewMenu(window, s.menu, picking);
}

// Back to a screen after picking or Back: its title, its menu (the main
// menu, or the measuring tool's for screens 21 and up), no list.
void ReturnToScreen(HWND window, int screen)
{
    CurrentScreen = screen;
    const SCREEN* s = FindScreen(screen);
    SetWindowTextW(window, s ? ScreenTitle(*s) : kProgramTitle);
    SetViewMenu(window, screen >= kScreenCalcFirst ? IDR_MENU_CALC : IDR_MENU_MAIN, false);
    // The list left the zoom keys off: a map screen gets them back as
    // entering it gives them (after the menu, which holds them on a handheld).
    SetZoomKeys(window, s ? s->zoom : ZoomKeys::Off);
    ShowWindow(MainListView, SW_HIDE);
}

// ---------------------------------------------------------------------------
// Message handlers.

BOOL OnCreate(HWND window, LPCREATESTRUCT)
{
    MainWindow = window;
    // The reader hands its units to this window from now on.
    GpsDevice.SetWindow(window);
    SetViewMenu(window, IDR_MENU_MAIN, false);
    RECT client{};
    GetClientRect(window, &client);
    MainListView = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | WS_VSCROLL | WS_HSCROLL | LVS_REPORT, 0, 0,
                                   client.right, client.bottom, window,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_MAIN_LISTVIEW)),
                                   GetModuleHandleW(nullptr), nullptr);
    SendMessageW(MainListView, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, kListViewExStyle);
    return TRUE;
}

void OnSize(HWND window, UINT, int cx, int cy)
{
    if (MainListView)
        MoveWindow(MainListView, 0, 0, cx, cy, TRUE);
    ResizeWebMapWindow(window, cx, cy);
    if (CurrentScreen == kScreenRaw)
        SendMessageW(MainListView, LVM_SETCOLUMNWIDTH, 0, MAKELPARAM(cx - kRawColumnMargin, 0));
}

COLORREF BackgroundColour()
{
    return SchemeColor(ColorRole::Bk);
}

void FillBackground(HWND window)
{
    RECT client{};
    GetClientRect(window, &client);
    HDC dc = GetDC(window);
    HBRUSH brush = CreateSolidBrush(BackgroundColour());
    FillRect(dc, &client, brush);
    DeleteObject(brush);
    ReleaseDC(window, dc);
}

void PaintGpsScreen(HWND window, HDC dc)
{
    RECT client{};
    GetClientRect(window, &client);
    PaintPositionScreen(&GpsDevice, dc, client, kRepaintAll, Waypoints);
}

// The Map and Path screens with the waypoints' positions.
void PaintMapView(HWND window, HDC dc)
{
    // A quick repaint (each GPS report) moves only the position marker and
    // lays out no labels: the positions and label rectangles of the last
    // full paint still hold.
    static std::vector<GPS_POSITION> points;
    if (!QuickRepaint) {
        WaypointLabelRects.clear();
        points.clear();
        points.reserve(Waypoints.size());
        for (const WAYPOINT& w : Waypoints)
            points.push_back(w.pos);
    }
    DrawMapView(window, dc, &points, kSeriesWaypoints, &WaypointLabelRects, nullptr);
}

void OnPaint(HWND window)
{
    PAINTSTRUCT ps;
    BeginPaint(window, &ps);
    // The painters draw wherever the data changed, not only in the update
    // region: an unclipped DC of the window.
    HDC dc = GetDC(window);
    RECT client{};
    GetClientRect(window, &client);
    if (ps.fErase && !QuickRepaint) {
        HBRUSH brush = CreateSolidBrush(BackgroundColour());
        FillRect(dc, &client, brush);
        DeleteObject(brush);
    }
    if (const SCREEN* s = FindScreen(CurrentScreen); s && s->paint)
        s->paint(window, dc);
    ReleaseDC(window, dc);
    EndPaint(window, &ps);
}

LRESULT OnEraseBackground(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (QuickRepaint)
        return DefWindowProcW(window, msg, wParam, lParam);
    RepaintAllPending.store(true);
    FillBackground(window);
    return 0;
}

void ClearRawLog()
{
    SendMessageW(MainListView, LVM_DELETEALLITEMS, 0, 0);
}

// One row at the end of the raw log, scrolled into view.
void AppendRawRow(const wchar_t* text)
{
    const int count = static_cast<int>(SendMessageW(MainListView, LVM_GETITEMCOUNT, 0, 0));
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = count;
    item.pszText = const_cast<wchar_t*>(text);
    const int index = static_cast<int>(SendMessageW(MainListView, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    SendMessageW(MainListView, LVM_ENSUREVISIBLE, index, FALSE);
}

void LogRawInput(WPARAM input, const GPS_CURRENT* live)
{
    std::vector<wchar_t> row(kRowTextSize, L'\0');
    switch (GpsInputKind.load()) {
    case kGpsInputNmea:
        if (!input)
            return;
        // The reader's text lives only during this message: copy it, cut to
        // the row buffer.
        std::wcsncpy(row.data(), reinterpret_cast<const wchar_t*>(input), kRowTextSize - 1);
        break;
    case kGpsInputSirf: {
        if (!input)
            return;
        const auto* frame = reinterpret_cast<const SirfFrame*>(input);
        std::swprintf(row.data(), kRowTextSize, L"Sirf msg (%X) : %u bytes", static_cast<unsigned>(frame->payload[0]),
                      static_cast<unsigned>(frame->length));
        break;
    }
    default:
        std::swprintf(row.data(), kRowTextSize, L"API msg:%.3f,%.3f", live->pos.x, live->pos.y);
        break;
    }
    AppendRawRow(row.data());
}

bool RotationSuppressed()
{
    return DrawRecordedPath && RecorderState.load() == kRecorderRecording;
}

// The Map and Path screens follow the position: turned against the course,
// re-centred when it leaves the view, else a repaint (quick when the map
// does not turn).
void FollowPositionOnMap(HWND window, const GPS_CURRENT* live)
{
    const bool path = CurrentScreen == kScreenPathView;
    const GPS_POSITION position = live->pos;
    if (!RotationSuppressed()) {
        const int rotation = -static_cast<int>(live->course);
        if (path && PathCentredOnPosition) {
            MapViewport.rotation = rotation;
            CenterViewOn(window, &position, -1);
            return;
        }
        if (MapRotatesWithCourse || path)
            MapViewport.rotation = rotation;
    }
    const float x = static_cast<float>(position.x);
    const float y = static_cast<float>(position.y);
    if (x < MapViewport.minLongitude || x > MapViewport.maxLongitude || y < MapViewport.minLatitude ||
        y > MapViewport.maxLatitude) {
        if (MapFollowsPosition)
            CenterViewOn(window, &position, -1);
        return;
    }
    QuickRepaint = !(MapRotatesWithCourse || path);
    RefreshWindow(window);
}

void RedrawGpsScreen(HWND window, GpsPort* port)
{
    RedrawPositionScreen(window, port, Waypoints);
}

void RedrawSatellites(HWND window, GpsPort*)
{
    if (SatellitesChanged.load())
        RedrawSatellitePane(window);
}

void FollowOnMap(HWND window, GpsPort* port)
{
    FollowPositionOnMap(window, port->LiveRecord());
}

// The Path screen follows position reports only, at most once a second.
void FollowOnPath(HWND window, GpsPort* port)
{
    const GPS_CURRENT* live = port->LiveRecord();
    if (live->lastReportType != kReportPosition)
        return;
    static DWORD lastRepaintTick = 0;
    const DWORD now = GetTickCount();
    if (now - lastRepaintTick < kPathRepaintMs)
        return;
    lastRepaintTick = now;
    FollowPositionOnMap(window, live);
}

LRESULT OnGpsData(HWND window, WPARAM input, GpsPort* port)
{
    if (!port)
        return 0;
    // The reader waits in its send while this runs: the live record is ours
    // to read and to write the nearest waypoint into.
    GPS_CURRENT* live = port->LiveRecord();
    if (CurrentScreen == kScreenRaw)
        LogRawInput(input, live);
    if (live->fix == 1)
        FindNearestWaypoint(Waypoints, live->pos.x, live->pos.y, &live->nearestWaypoint, &live->nearestWaypointKm);
    if (const SCREEN* s = FindScreen(CurrentScreen); s && s->redraw)
        s->redraw(window, port);
    return 0;
}

void OnTimer(HWND window, UINT id)
{
    switch (id) {
    case TIMER_IDLE:
#if defined(PATHVEX_HANDHELD)
        if (KeepBacklightOn)
            SystemIdleTimerReset();
#endif
        break;
    case TIMER_COUNTERS:
        UpTimeSeconds += 5;
        if (GpsDevice.IsOpen())
            RunTimeSeconds += 5;
        if (RecorderState.load() != kRecorderIdle)
            TrackTimeSeconds += 5;
        if (CurrentScreen == kScreenStatistics)
            FillStatisticsList(MainListView, false);
        break;
    case TIMER_TRACKING:
        if (InternetTrackingEnabled)
            InternetTrackingTick(window, InternetTrackingUrl);
        break;
    case TIMER_ROUTE: {
        if (!TurnSoundEnabled || RecorderState.load() != kRecorderFollowing)
            break;
        bool moving = false;
        {
            LiveRecordGuard live(&GpsDevice);
            moving = live->kmh > 0 && live->fix == 1;
        }
        if (moving && TurnArmed.load())
            OutsideSeams.playSound(L"TURN");
        break;
    }
    }
}

LRESULT OnTrayIcon(HWND window, LPARAM mouse)
{
    if (mouse == WM_LBUTTONDOWN)
        SetForegroundWindow(window);
    return 0;
}

void OnHotKey(HWND window, int id, UINT, UINT)
{
    PostMessageW(window, WM_COMMAND, static_cast<WPARAM>(id), 0);
}

// ---------------------------------------------------------------------------
// Keys, list notifications and the mouse.

bool TappingSimulationRuns()
{
    return GpsDevice.IsOpen() && GpsDevice.IsSimulation() && SimulationMode.load() == kSimulationTapping;
}

// One tap: the reader delivers the next sentence; the title shows where the
// tap moves the simulation. The reader may not have woken yet, and nothing
// sets the title again before the next tap, so it shows the tapped position
// rather than the one the reader stands at now.
void StepSimulation(HWND window)
{
    const uint32_t index = TapSimulation();
    RefreshWindow(window);
    wchar_t text[64];
    FormatSimulationIndex(text, std::size(text), index);
    SetWindowTextW(window, text);
}

bool IsMapScreen(int screen)
{
    return screen == kScreenMap || screen == kScreenPathView ||
           (screen >= kScreenCalcFirst && screen <= kScreenCalcLast);
}

void PostCommand(HWND window, int id)
{
    PostMessageW(window, WM_COMMAND, static_cast<WPARAM>(id), 0);
}

// Arrows move the view; at the world's edge left and right change screen.
void MapScreenKey(HWND window, UINT key)
{
    const bool shift = GetKeyState(VK_SHIFT) < 0;
    switch (key) {
    case VK_RETURN:
        if (RecorderState.load() != kRecorderFollowing) {
            ResetView(window, false);
            RefreshWindow(window);
        }
        break;
    case VK_UP:
        if (!shift)
            SendMessageW(window, WM_COMMAND, IDM_MOVE_UP, 0);
        break;
    case VK_DOWN:
        if (!shift)
            SendMessageW(window, WM_COMMAND, IDM_MOVE_DOWN, 0);
        break;
    case VK_RIGHT:
        if (shift)
            PostCommand(window, IDM_ROTATE_RIGHT);
        else if (SendMessageW(window, WM_COMMAND, IDM_MOVE_RIGHT, 0) == 0)
            PostCommand(window, IDM_NEXT_SCREEN);
        break;
    case VK_LEFT:
        if (shift)
            PostCommand(window, IDM_ROTATE_LEFT);
        else if (SendMessageW(window, WM_COMMAND, IDM_MOVE_LEFT, 0) == 0)
            PostCommand(window, IDM_PREV_SCREEN);
        break;
    }
}

void ScreenKey(HWND window, UINT key)
{
    if (CurrentScreen == kScreenGps) {
        if (key == VK_RETURN && RecorderState.load() == kRecorderFollowing) {
            LiveRecordGuard live(&GpsDevice);
            RouteProgress.recalculate = true;
        }
    } else if (IsMapScreen(CurrentScreen)) {
        MapScreenKey(window, key);
        return;
    }
    if (key == VK_RIGHT)
        PostCommand(window, IDM_NEXT_SCREEN);
    else if (key == VK_LEFT)
        PostCommand(window, IDM_PREV_SCREEN);
}

void OnKeyDown(HWND window, UINT key)
{
    if (key == VK_RETURN) {
        if (DisplayOff) {
            DisplayOff = false;
#if defined(PATHVEX_HANDHELD)
            SetDisplayPower(kDisplayPowerOn);
#endif
        }
#if defined(PATHVEX_HANDHELD)
        ChangeFullScreen(window, kFullScreenToggle);
#endif
    } else if (key >= '1' && key <= '9') {
        PostCommand(window, static_cast<int>(key) + (IDM_SCREEN_GPS - '1'));
        // '2' has no screen of its own: it ends on the Path screen.
        if (key == '2')
            PostCommand(window, IDM_SCREEN_PATH);
    } else if (key == VK_ESCAPE && CurrentScreen == kScreenRaw) {
        ClearRawLog();
    } else if (key == VK_SPACE && TappingSimulationRuns()) {
        StepSimulation(window);
        return;
    }
    ScreenKey(window, key);
}

XMLElement* SelectedListElement()
{
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = ListViewNextItem(MainListView, -1, LVNI_SELECTED);
    if (item.iItem < 0 || !SendMessageW(MainListView, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)))
        return nullptr;
    return reinterpret_cast<XMLElement*>(item.lParam);
}

bool IsCategory(const XMLElement* element)
{
    char name[100] = {};
    const int length = element->GetName(nullptr, 0);
    if (length < 0 || length >= static_cast<int>(sizeof name))
        return false;
    element->GetName(name, 0);
    return std::strcmp(name, "c") == 0;
}

// Double-click or Enter on a list: OK while picking, else a category opens.
void OpenListItem(HWND window)
{
    if (PickingMode)
        SendMessageW(window, WM_COMMAND, IDM_PICK_OK, 0);
    if (CurrentScreen != kScreenWaypoints && CurrentScreen != kScreenTracks)
        return;
    XMLElement* element = SelectedListElement();
    if (!element)
        return;
    if (CurrentScreen == kScreenWaypoints) {
        if (element->GetChildCount() > 0 || IsCategory(element)) {
            FillWaypointList(nullptr, MainListView, element);
            SetFocus(MainListView);
        }
    } else if (IsCategory(element)) {
        FillTrackList(nullptr, MainListView, element);
        SetFocus(MainListView);
    }
}

LRESULT OnNotify(HWND window, const NMHDR* header)
{
    if (!header || header->hwndFrom != MainListView)
        return 0;
    if (header->code == LVN_KEYDOWN) {
        switch (reinterpret_cast<const NMLVKEYDOWN*>(header)->wVKey) {
        case VK_BACK:
            PostCommand(window, IDM_BACK);
            return 0;
        case VK_RIGHT:
            PostCommand(window, IDM_NEXT_SCREEN);
            return 0;
        case VK_LEFT:
            PostCommand(window, IDM_PREV_SCREEN);
            return 0;
        case VK_ESCAPE:
            // The list has the focus on the Raw screen: its Escape empties it.
            if (CurrentScreen == kScreenRaw)
                ClearRawLog();
            return 0;
        case VK_RETURN:
            break;
        default:
            return 0;
        }
    } else if (header->code != NM_DBLCLK) {
        return 0;
    }
    OpenListItem(window);
    return 0;
}

// The band at the bottom of the map that names a clicked waypoint.
constexpr int kWaypointStripHeight = 15;

void ShowWaypointStrip(HWND window, const WAYPOINT& waypoint)
{
    RECT strip{};
    GetClientRect(window, &strip);
    strip.top = strip.bottom - kWaypointStripHeight;
    COLORREF background = ColorTable[9];
    COLORREF text = ColorTable[0];
    if (ColorScheme == 1) {
        background = ColorTable[10];
        text = ColorTable[1];
    } else if (ColorScheme == 2) {
        background = CustomColors[1];
        text = CustomColors[2];
    }
    const std::wstring name = Utf8ToWide({waypoint.name, strnlen(waypoint.name, kWaypointNameSize)});
    wchar_t line[kWaypointNameSize + 100];
    std::swprintf(line, std::size(line), L"%ls: %.4f,%.4f", name.c_str(), waypoint.pos.x, waypoint.pos.y);
    HDC dc = GetDC(window);
    HBRUSH brush = CreateSolidBrush(background);
    FillRect(dc, &strip, brush);
    DeleteObject(brush);
    SetTextColor(dc, text);
    SetBkMode(dc, TRANSPARENT);
    TextOutW(dc, strip.left, strip.top, line, static_cast<int>(std::wcslen(line)));
    ReleaseDC(window, dc);
}

void OnLButtonDown(HWND window, BOOL, int x, int y, UINT)
{
    if (!IsMapScreen(CurrentScreen))
        return;
    if (CurrentScreen == kScreenMap && IgnoreNextMapClick) {
        IgnoreNextMapClick = false;
        return;
    }
    const size_t count = std::min(WaypointLabelRects.size(), Waypoints.size());
    for (size_t i = count; i-- > 0;) {
        if (PointInRect(POINT{x, y}, &WaypointLabelRects[i])) {
            ShowWaypointStrip(window, Waypoints[i]);
            return;
        }
    }
}

void SpeedValueDoubleClick(HWND window)
{
    if (RecorderState.load() == kRecorderRecording) {
        const int mark = ShowSpeedLimitDialog(window, true);
        if (mark > 0)
            RunBatchTick(&GpsDevice, static_cast<uint32_t>(mark));
    } else {
        ShowSpeedLimitDialog(window, false);
    }
}

void OnLButtonDoubleClick(HWND window, BOOL, int x, int y, UINT)
{
    const POINT pt{x, y};
    if (PointInRect(pt, &SpeedUnitRect)) {
        SpeedUnit = (SpeedUnit + 1) % 4;
        RefreshWindow(window);
    } else if (PointInRect(pt, &CoordinateRect)) {
        CoordinateMode = CoordinateMode == 0 ? 1 : 0;
        RefreshWindow(window);
    } else if (PointInRect(pt, &SpeedValueRect)) {
        SpeedValueDoubleClick(window);
    } else if (!PointInRect(pt, &CompassRect) && TappingSimulationRuns() &&
               (CurrentScreen == kScreenGps || CurrentScreen == kScreenMap || CurrentScreen == kScreenSatellite ||
                CurrentScreen == kScreenPathView)) {
        StepSimulation(window);
    }
}

// A right click on the GPS data screen edits the sentence the next tap
// delivers.
void OnRButtonDown(HWND window, BOOL, int, int, UINT)
{
    if (CurrentScreen != kScreenGps || !TappingSimulationRuns())
        return;
    size_t index = static_cast<size_t>(SimulationTapCount.load()) + 1;
    if (index >= SimulationList.Size())
        index = 0;
    const std::string sentence = SimulationList.Sentence(index);
    wchar_t text[kTextEntryBufferSize] = {};
    if (!sentence.empty())
        MultiByteToWideChar(CP_UTF8, 0, sentence.c_str(), -1, text, static_cast<int>(kTextEntryChars));
    if (!ShowTextEntryDialog(window, L"Simulation string", L"Enter new simulation:", text))
        return;
    char narrow[kTextEntryChars * 3 + 1] = {};
    WideCharToMultiByte(CP_UTF8, 0, text, -1, narrow, static_cast<int>(sizeof narrow) - 1, nullptr, nullptr);
    SimulationList.SetSentence(index, narrow);
}

void DestroyViewMenu(HWND window)
{
#if defined(PATHVEX_HANDHELD)
    DestroyHandheldMenuBar(window);
#endif
    if (HMENU menu = GetMenu(window)) {
        SetMenu(window, nullptr);
        DestroyMenu(menu);
    }
}

void OnClose(HWND window)
{
    // A paused recording still holds points that only ending it writes, so
    // it is asked about like a running one.
    const int32_t state = RecorderState.load();
    if (state == kRecorderRecording || state == kRecorderPaused || state == kRecorderFollowing) {
        if (!AskYesNo(window, kStopRecordingQuestion, true))
            return;
        SendMessageW(window, WM_COMMAND, IDM_TRACK_END, 0);
    }
    // The reader must be gone before the window and the globals it sends to
    // and writes: Shutdown sets the stop flag, wakes a tapping simulation
    // and waits for the thread, dispatching its last hand-overs meanwhile.
    GpsDevice.Shutdown();
    DestroyWebMapWindow();
    DestroyViewMenu(window);
    if (MainListView) {
        DestroyWindow(MainListView);
        MainListView = nullptr;
    }
    DestroyWindow(window);
}

void OnDestroy(HWND)
{
    GpsDevice.SetWindow(nullptr);
    MainWindow = nullptr;
    PostQuitMessage(0);
}

}  // namespace

// ---------------------------------------------------------------------------

int NextScreenCommand(int screen, bool following)
{
    if (following && screen == kScreenGps)
        return IDM_SCREEN_PATH;
    const int i = CycleIndex(screen);
    if (i < 0)
        return IDM_SCREEN_GPS;
    if (i + 1 < static_cast<int>(std::size(kScreenCycleTable)))
        return kScreenCycleTable[i + 1];
    return 0;
}

int PreviousScreenCommand(int screen, bool following)
{
    if (following && screen == kScreenPathView)
        return IDM_SCREEN_GPS;
    const int i = CycleIndex(screen);
    if (i > 0)
        return kScreenCycleTable[i - 1];
    return IDM_SCREEN_RAW;
}

void FindNearestWaypoint(const std::vector<WAYPOINT>& waypoints, double x, double y, int32_t* index, double* km)
{
    int32_t best = 0;
    double bestKm = 0;
    const float fx = static_cast<float>(x);
    const float fy = static_cast<float>(y);
    for (size_t i = 0; i < waypoints.size() && i < static_cast<size_t>(std::numeric_limits<int32_t>::max()); ++i) {
        const double d = CalcDistanceKm(fx, fy, static_cast<float>(waypoints[i].pos.x),
                                        static_cast<float>(waypoints[i].pos.y));
        // Strictly smaller: on a tie the earlier waypoint stays.
        if (best == 0 || d < bestKm) {
            best = static_cast<int32_t>(i + 1);
            bestKm = d;
        }
    }
    *index = best;
    *km = bestKm;
}

namespace {

// One coordinate as NMEA writes it: whole degrees (width digits) followed by
// the minutes to six decimals, and the hemisphere letter.
std::string NmeaCoordinate(double value, int width, char positive, char negative)
{
    if (!std::isfinite(value))
        value = 0;
    const char letter = value < 0 ? negative : positive;
    const double a = std::fabs(value);
    long long degrees = static_cast<long long>(a);
    // Rounded here, so printing cannot turn 59.9999999 into "60.000000".
    double minutes = std::round((a - static_cast<double>(degrees)) * 60.0 * 1e6) / 1e6;
    if (minutes >= 60.0) {
        degrees += 1;
        minutes -= 60.0;
    }
    char text[64];
    std::snprintf(text, sizeof text, "%0*lld%09.6f,%c", width, degrees, minutes, letter);
    return text;
}

constexpr unsigned kTrackSimulationStepSeconds = 10;

}  // namespace

std::vector<std::string> TrackToSimulation(const TRACK& track, const SYSTEMTIME& start)
{
    std::vector<std::string> lines;
    lines.reserve(track.points.size());
    unsigned seconds = (start.wHour % 24u) * 3600u + (start.wMinute % 60u) * 60u + start.wSecond % 60u;
    for (const GPS_CURRENT& p : track.points) {
        char line[200];
        std::snprintf(line, sizeof line, "$GPRMC,%02u%02u%02u.000,V,%s,%s,%.2f,%.2f,%02u%02u07,,*00",
                      seconds / 3600u, seconds / 60u % 60u, seconds % 60u,
                      NmeaCoordinate(p.pos.y, 2, 'N', 'S').c_str(), NmeaCoordinate(p.pos.x, 3, 'E', 'W').c_str(),
                      10.0, 0.0, static_cast<unsigned>(start.wDay % 100u), static_cast<unsigned>(start.wMonth % 100u));
        lines.push_back(line);
        seconds = (seconds + kTrackSimulationStepSeconds) % (24u * 3600u);
    }
    return lines;
}

namespace {

#if defined(PATHVEX_HANDHELD)
// The menu bar's key override: the mask and the state of the key, grabbed
// for the window or handed back to the bar.
constexpr LPARAM kMenuBarGrabKey = 0x30003;
constexpr LPARAM kMenuBarReleaseKey = 3;
#else
struct ZOOM_HOT_KEY {
    int id;
    UINT modifiers;
    UINT key;
};

constexpr ZOOM_HOT_KEY kZoomHotKeys[] = {
    {IDM_ZOOM_IN, 0, VK_F1},         {IDM_HZOOM_IN, MOD_SHIFT, VK_F1},  {IDM_HZOOM_OUT, MOD_CONTROL, VK_F1},
    {IDM_ZOOM_OUT, 0, VK_F2},        {IDM_VZOOM_IN, MOD_SHIFT, VK_F2},  {IDM_VZOOM_OUT, MOD_CONTROL, VK_F2},
};
#endif

// Zoom keys of the map screens: F1 zoom in, F2 zoom out, with Shift or Ctrl
// one axis only (hot keys 331, 351, 352, 332, 353, 354). Off also leaves
// them; unless the Tracks screen shows, the track document is released.
void SetZoomHotKeys(HWND window, bool on)
{
    // Leaving for any screen but the track list lets the track document go.
    if (CurrentScreen != kScreenTracks)
        FillTrackList(nullptr, nullptr, nullptr);
#if defined(PATHVEX_HANDHELD)
    // The handheld keeps F1 and F2 on its menu bar: grabbed while zooming.
    if (HWND bar = FindHandheldMenuBar(window)) {
        for (const UINT key : {VK_F1, VK_F2})
            SendMessageW(bar, WM_MENUBAR_OVERRIDEKEY, key, on ? kMenuBarGrabKey : kMenuBarReleaseKey);
    }
#else
    for (const ZOOM_HOT_KEY& k : kZoomHotKeys) {
        if (on)
            RegisterHotKey(window, k.id, k.modifiers, k.key);
        else
            UnregisterHotKey(window, k.id);
    }
#endif
}

}  // namespace

#if defined(PATHVEX_HANDHELD)
void ChangeFullScreen(HWND window, int mode)
{
    if (window && FullScreenState == kFullScreenFull && mode != kFullScreenFull)
        SetZoomHotKeys(window, false);
    SetFullScreenMode(window, mode);
}
#endif

// Screen commands 201-299 (kPickMarker in lParam opens a list to pick from).
LRESULT EnterScreen(HWND window, int command, LPARAM lParam)
{
    const SCREEN* s = FindScreen(command - IDM_SCREEN_BASE);
    if (!s)
        return 0;   // 202, 203, ...: no such screen
    const bool picking = lParam == kPickMarker;
    // The web map window covers the client area: whatever screen comes
    // next (by key, arrow or menu) would otherwise stay hidden under it.
    if (s->kind != ScreenKind::WebMap)
        DestroyWebMapWindow();
    switch (s->kind) {
    case ScreenKind::Painted:
        EnterPaintedScreen(window, *s);
        break;
    case ScreenKind::List:
        EnterListScreen(window, *s, picking);
        break;
    case ScreenKind::WebMap:
        EnterWebMapScreen(window, *s, picking);
        break;
    }
    return 0;
}

namespace {

// The track selected for "Load from Track...". False for no selection, a
// category (its entries would play as points at 0 N 0 E) and a track
// without points (nothing to play).
bool ReadPickedTrack(TRACK* track)
{
    const int selected = ListViewNextItem(MainListView, -1, LVNI_SELECTED);
    const XMLElement* element = SelectedListElement();
    if (selected < 0 || !element || IsCategory(element))
        return false;
    ReadTrackPoints(static_cast<uint32_t>(selected), track, false);
    return !track->points.empty();
}

}  // namespace

LRESULT PickOk(HWND window)
{
    DestroyWebMapWindow();
    if (!PickingMode)
        return 0;
    // The track to simulate is read while its list is still open.
    TRACK track{};
    // Nothing usable selected: the list stays open and the pick goes on (a
    // double-click on a category then opens it).
    if (PickPurpose == IDM_SIM_FROM_TRACK ? !ReadPickedTrack(&track)
                                          : !TakePickedWaypoint(MainListView))
        return 0;
    // The purpose ends with the pick: a later pick must not act on it.
    const int purpose = PickPurpose;
    PickPurpose = 0;
    ReturnToScreen(window, SavedScreen);
    if (purpose == IDM_SIM_FROM_TRACK) {
        SYSTEMTIME now{};
        GetLocalTime(&now);
        SimulationList.Replace(TrackToSimulation(track, now));
    } else if (purpose == IDM_CENTER_WAYPOINT) {
        CenterViewOn(window, &PickedWaypoint.pos, 0);
    } else {
        // A measuring screen adds the waypoint to its points.
        FinishCalcPick(window, SavedScreen, PickedWaypoint.pos);
    }
    RefreshWindow(window);
    return 0;
}

LRESULT GoBack(HWND window)
{
    DestroyWebMapWindow();
    if (PickingMode) {
        PickPurpose = 0;
        ReturnToScreen(window, SavedScreen);
    } else if (const SCREEN* s = FindScreen(CurrentScreen); s && s->back && s->back(MainListView)) {
        // A list with a category open went up one level.
        return 0;
    } else {
        ReturnToScreen(window, kScreenGps);
    }
    RefreshWindow(window);
    return 0;
}

LRESULT CALLBACK MainWndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
        HANDLE_MSG(window, WM_SIZE, OnSize);
        HANDLE_MSG(window, WM_PAINT, OnPaint);
        HANDLE_MSG(window, WM_TIMER, OnTimer);
        HANDLE_MSG(window, WM_HOTKEY, OnHotKey);
        HANDLE_MSG(window, WM_LBUTTONDOWN, OnLButtonDown);
        HANDLE_MSG(window, WM_LBUTTONDBLCLK, OnLButtonDoubleClick);
        HANDLE_MSG(window, WM_RBUTTONDOWN, OnRButtonDown);
        HANDLE_MSG(window, WM_CLOSE, OnClose);
        HANDLE_MSG(window, WM_DESTROY, OnDestroy);
    case WM_CREATE:
        // The window procedure's default handling of creation still runs.
        OnCreate(window, reinterpret_cast<LPCREATESTRUCT>(lParam));
        break;
    case WM_ERASEBKGND:
        return OnEraseBackground(window, msg, wParam, lParam);
    case WM_COMMAND:
        return DispatchCommand(window, wParam, lParam);
    case WM_ROUTEARRIVED:
        OnRouteArrived(window);
        // The screens repaint only what changed: the route's circle, boxes
        // and icon would stay until something erased them.
        RefreshWindow(window);
        return 0;
    case WM_GPSDATA:
        return OnGpsData(window, wParam, reinterpret_cast<GpsPort*>(lParam));
    case WM_STATISTICSREFRESH:
        // A new maximum from the reader: the list shows it at once.
        if (CurrentScreen == kScreenStatistics)
            FillStatisticsList(MainListView, false);
        return 0;
    case WM_TRAYICON:
        return OnTrayIcon(window, lParam);
    case WM_NOTIFY:
        return OnNotify(window, reinterpret_cast<const NMHDR*>(lParam));
    case WM_KEYDOWN:
        // The default handling still gets every key.
        OnKeyDown(window, static_cast<UINT>(wParam));
        break;
    }
    return DefWindowProcW(window, msg, wParam, lParam);
}

namespace {

// Registers the class "Pathvex CLASS" once; false when it cannot be made.
bool RegisterMainWindowClass(HINSTANCE instance)
{
    WNDCLASSW wc{};
    if (GetClassInfoW(instance, kMainWindowClass, &wc))
        return true;
    wc.style = kMainClassStyle;
    wc.lpfnWndProc = MainWndProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconW(instance, L"ICON_1");
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kMainWindowClass;
    return RegisterClassW(&wc) != 0;
}

}  // namespace

HWND CreateMainWindow(HINSTANCE instance)
{
    if (!RegisterMainWindowClass(instance))
        return nullptr;
    CurrentScreen = kScreenGps;
#if defined(PATHVEX_HANDHELD)
    // The device's work area: the window and, along its bottom, the menu bar.
    const RECT area = DeviceWorkArea();
    HWND window = CreateWindowExW(0, kMainWindowClass, kProgramTitle, WS_CLIPSIBLINGS | WS_CLIPCHILDREN, area.left,
                                  area.top, area.right - area.left, area.bottom - area.top, nullptr, nullptr,
                                  instance, nullptr);
    if (!window)
        return nullptr;
    // The window ends where the menu bar begins.
    RECT r{};
    GetWindowRect(window, &r);
    MoveWindow(window, r.left, r.top, r.right - r.left, r.bottom - r.top - HandheldMenuBarHeight(window), FALSE);
#else
    HWND window = CreateWindowExW(0, kMainWindowClass, kProgramTitle,
                                  WS_OVERLAPPEDWINDOW | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, CW_USEDEFAULT,
                                  CW_USEDEFAULT, kMainWidth, kMainHeight, nullptr, nullptr, instance, nullptr);
    if (!window)
        return nullptr;
#endif
    MainWindow = window;
    ShowWindow(window, SW_SHOWNORMAL);
    SetTimer(window, TIMER_IDLE, kTimerIdleMs, nullptr);
    SetTimer(window, TIMER_COUNTERS, kTimerCountersMs, nullptr);
    if (InternetTrackingSeconds) {
        // A hand-edited period must not wrap round to a short one.
        const UINT seconds = std::min<UINT>(InternetTrackingSeconds, USER_TIMER_MAXIMUM / 1000u);
        SetTimer(window, TIMER_TRACKING, seconds * 1000u, nullptr);
    }
    return window;
}
