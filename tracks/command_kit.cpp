// What the track and the waypoint commands share: the list rows they work
// on, their dialogs and questions, and the start of a route.
#include "tracks/tracks.h"

#include "gps/geodesy.h"
#include "gps/gps.h"
#include "kit/dialogs.h"
#include "kit/display.h"
#include "kit/screen_state.h"
#include "kit/settings.h"
#include "kit/utils.h"
#include "maps/viewport.h"
#include "resources/resource.h"
#include "tracks/tracks_internal.h"
#include "xml/utf8text.h"
#include "xml/xml.h"

#include <commctrl.h>

#include <cmath>
#include <cwchar>
#include <utility>

namespace {

constexpr wchar_t kDistanceTitle[] = L"Distance go...";
constexpr wchar_t kDistancePromptKm[] = L"Enter distance (Km)";
constexpr wchar_t kDistancePromptMiles[] = L"Enter distance (mi)";
constexpr wchar_t kDistancePromptNautical[] = L"Enter distance (Nmi)";
constexpr wchar_t kBearingPrompt[] = L"Enter bearing in degrees:";
constexpr wchar_t kBearingPreset[] = L"0.0";

// A typed number as the C run-time reads it ("abc" is 0), at single
// precision as the distance dialogs keep it.
float TypedNumber(const std::wstring& text)
{
    return float(std::wcstod(text.c_str(), nullptr));
}

}  // namespace

namespace tracksimpl {

HWND CommandList(HWND window)
{
    return window ? GetDlgItem(window, IDC_MAIN_LISTVIEW) : nullptr;
}

int SelectedRow(HWND list)
{
    if (!list)
        return -1;
    return ListViewNextItem(list, -1, LVNI_SELECTED);
}

std::vector<int> SelectedRows(HWND list)
{
    std::vector<int> rows;
    if (!list)
        return rows;
    for (int row = -1; (row = ListViewNextItem(list, row, LVNI_SELECTED)) >= 0;)
        rows.push_back(row);
    return rows;
}

XMLElement* RowElement(HWND list, int row)
{
    if (!list || row < 0)
        return nullptr;
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    if (!SendMessageW(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)))
        return nullptr;
    return reinterpret_cast<XMLElement*>(item.lParam);
}

// Only pointers are compared: a row of a released document is never read.
bool RowShowsChild(HWND list, int row, const XMLElement* parent)
{
    if (!parent || row < 0)
        return false;
    const XMLElement* child = parent->GetChild(uint32_t(row));
    return child && RowElement(list, row) == child;
}

// From the last row to the first, so the indices still to come stay valid.
void DeleteRows(HWND list, const std::vector<int>& rows, XMLElement* parent)
{
    for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
        if (!RowShowsChild(list, *it, parent))
            continue;
        SendMessageW(list, LVM_DELETEITEM, WPARAM(*it), 0);
        parent->RemoveChild(uint32_t(*it));
    }
}

XMLElement* SelectedTrackChild(HWND list, int* row)
{
    *row = SelectedRow(list);
    if (CurrentScreen != kScreenTracks || !RowShowsChild(list, *row, CurrentTrackElement))
        return nullptr;
    return CurrentTrackElement->GetChild(uint32_t(*row));
}

XMLElement* SelectedTrack(HWND list, int* row)
{
    XMLElement* child = SelectedTrackChild(list, row);
    if (!child || IsElementNamed(child, kCategoryTag) || child->GetChildCount() == 0)
        return nullptr;
    return child;
}

bool RunTableCommand(std::span<const COMMAND_ENTRY> table, HWND window, WORD id)
{
    for (const COMMAND_ENTRY& c : table)
        if (c.id == id) {
            c.run(window);
            return true;
        }
    return false;
}

void SetRowText(HWND list, int row, int column, const std::wstring& text)
{
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = const_cast<wchar_t*>(text.c_str());
    SendMessageW(list, LVM_SETITEMTEXTW, WPARAM(row), reinterpret_cast<LPARAM>(&item));
}

std::wstring RowText(HWND list, int row, int column)
{
    // A name may be long; the buffer grows until the text fits.
    for (size_t size = 256; size <= 65536; size *= 4) {
        std::wstring text(size, L'\0');
        LVITEMW item{};
        item.iSubItem = column;
        item.pszText = text.data();
        item.cchTextMax = int(size);
        const size_t length = size_t(SendMessageW(list, LVM_GETITEMTEXTW, WPARAM(row), reinterpret_cast<LPARAM>(&item)));
        if (length + 1 < size) {
            text.resize(length);
            return text;
        }
    }
    return std::wstring();
}

bool EnterText(HWND owner, const wchar_t* title, const wchar_t* prompt, std::wstring* text)
{
    if (!text)
        return false;
    wchar_t buffer[kTextEntryBufferSize] = {};
    std::wcsncpy(buffer, text->c_str(), kTextEntryBufferSize - 1);
    if (!ShowTextEntryDialog(owner, title, prompt, buffer))
        return false;
    buffer[kTextEntryBufferSize - 1] = L'\0';
    *text = buffer;
    return true;
}

bool ChooseOne(HWND owner, const wchar_t* title, const wchar_t* prompt, const std::vector<std::wstring>& entries,
               size_t* chosen)
{
    std::vector<bool> selected;
    if (!ShowSelectDialog(owner, title, prompt, entries, &selected, true))
        return false;
    for (size_t i = 0; i < selected.size() && i < entries.size(); ++i)
        if (selected[i]) {
            *chosen = i;
            return true;
        }
    return false;
}

bool MoveToChosenCategory(HWND owner, XMLElement* shown, XMLElement* item, XMLElement* up)
{
    std::vector<std::wstring> choices;
    std::vector<XMLElement*> targets;
    for (uint32_t i = 0; i < shown->GetChildCount(); ++i) {
        XMLElement* child = shown->GetChild(i);
        if (!IsElementNamed(child, kCategoryTag))
            continue;
        choices.push_back(Utf8ToWide(AttributeText(child, "n")));
        targets.push_back(child);
    }
    if (up) {
        choices.push_back(kParentCategory);
        targets.push_back(up);
    }
    size_t chosen = 0;
    if (choices.empty() || !ChooseOne(owner, kSelectCategoryTitle, kSelectCategoryPrompt, choices, &chosen))
        return false;
    // A category moved into itself would leave the tree.
    XMLElement* target = targets[chosen];
    const int index = shown->GetChildIndex(item);
    if (target == item || index < 0)
        return false;
    XMLElement* moved = nullptr;
    shown->DetachChild(uint32_t(index), &moved);
    if (!moved)
        return false;
    target->AppendChild(moved);
    return true;
}

bool AskDistanceAndBearing(HWND owner, GeoPointF start, GeoPointF* target)
{
    const wchar_t* prompt = DistanceUnit == 0 ? kDistancePromptKm
                            : DistanceUnit == 1 ? kDistancePromptMiles
                                                : kDistancePromptNautical;
    std::wstring distanceText;
    if (!EnterText(owner, kDistanceTitle, prompt, &distanceText))
        return false;
    std::wstring bearingText = kBearingPreset;
    if (!EnterText(owner, kDistanceTitle, kBearingPrompt, &bearingText))
        return false;
    double km = TypedNumber(distanceText);
    if (DistanceUnit == 1)
        km *= kKmPerStatuteMile;
    else if (DistanceUnit == 2)
        km *= kKnotsToKmh;   // km per nautical mile
    const float bearing = TypedNumber(bearingText);
    // "1e39" or "nan" would give a target nobody can reach or draw.
    if (!std::isfinite(km) || !std::isfinite(float(km)) || !std::isfinite(bearing))
        return false;
    *target = CalcDestinationPoint(start, bearing, float(km));
    return std::isfinite(target->x) && std::isfinite(target->y);
}

bool SimulationRuns()
{
    return GpsDevice.IsOpen() && GpsDevice.IsSimulation();
}

void BeginRoute(HWND window, std::vector<GPS_CURRENT> points, uint32_t position, std::vector<GPS_POSITION> drawn,
                UINT periodMs)
{
    // The pass over the whole route is made before the reader thread has to
    // wait for it; the moved vector keeps the points the index was made for.
    ROUTE_INDEX index = IndexRoute(points);
    {
        LiveRecordGuard hold(&GpsDevice);
        ActiveTrack.points = std::move(points);
        RouteIndex = std::move(index);
        RoutePosition = position < ActiveTrack.points.size() ? position : 0;
        RouteProgress.currentKm = 0.0;
        RouteProgress.nextKm = 0.0;
        RouteProgress.advanceCounter = 0;
        RouteOptions = CurrentRouteOptions();
        DrawnPath = std::move(drawn);
        RecorderState.store(kRecorderFollowing);
    }
    if (window)
        SetTimer(window, TIMER_ROUTE, periodMs, nullptr);
    // The map follows the route for this run; the key is not written.
    MapFollowsPosition = true;
}

void StartRouteToTarget(HWND window, const GPS_POSITION& target, UINT periodMs, bool releaseTracks)
{
    GPS_CURRENT point{};
    point.pos = target;
    const GPS_POSITION here = GpsDevice.Snapshot().pos;
    std::vector<GPS_POSITION> drawn = {here, target};
    BeginRoute(window, {point}, 0, drawn, periodMs);
    FitViewToPoints(window, &drawn);
    if (window)
        RefreshWindow(window);
    if (releaseTracks)
        FillTrackList(nullptr, nullptr, nullptr);
    if (window)
        SendMessageW(window, WM_COMMAND, IDM_SCREEN_PATH, 0);
}

}  // namespace tracksimpl
