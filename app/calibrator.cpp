// "DIALOG_GOOGLECALIBRATE": a screenshot of a web map with a known centre
// and zoom level becomes a calibrated map of the maps folder.
#include "app/options.h"

#include "gps/geodesy.h"
#include "kit/dialogs.h"
#include "kit/program.h"
#include "kit/settings.h"
#include "maps/offline_maps.h"
#include "resources/resource.h"
#include "xml/utf8text.h"
#if defined(PATHVEX_HANDHELD)
#include "platform/handheld/handheld.h"
#endif

#include <commdlg.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cwchar>
#include <iterator>
#include <string>

namespace {

constexpr wchar_t kSaveQuestion[] = L"Save converted map to your maps directory?";
constexpr wchar_t kImageUnreadable[] = L"The image cannot be opened: nothing was saved.";
constexpr wchar_t kNoUsableMap[] = L"This image and zoom level give no usable map: nothing was saved.";
constexpr wchar_t kCopyFailed[] = L"The map could not be saved into the maps folder.";
constexpr wchar_t kImageFilter[] = L"Image files\0*.BMP;*.PNG;*.JPG\0";
// The copy keeps its source's bytes whatever their format: the maps folder
// decodes by content.
constexpr wchar_t kMapFileFormat[] = L"%ls\\%f_%f_%f_%f.png";

// Characters read from the number edits, and the image path as far as the
// browse fills it.
constexpr int kFieldChars = 100;
constexpr int kImagePathChars = 1000;

// 66 pixels per km at zoom 13, halved per level below, doubled above.
constexpr double kPixelsPerKmAtZoom13 = 66.0;
constexpr long kReferenceZoom = 13;
// Beyond these the power of two is 0 or infinite anyway.
constexpr long kZoomLimit = 2000;

constexpr double kPi = 3.14159265358979323846;
constexpr double kKmPerDegree = kPi * kEarthRadiusKm / 180.0;
constexpr double kQuarterCircumferenceKm = kPi * kEarthRadiusKm / 2.0;

constexpr int kFields[] = {IDC_CALIBRATE_X, IDC_CALIBRATE_Y, IDC_CALIBRATE_ZOOM, IDC_CALIBRATE_IMAGE};

std::wstring FieldText(HWND dialog, int control, int chars)
{
    std::wstring text(static_cast<size_t>(chars) + 1, L'\0');
    const int n = GetDlgItemTextW(dialog, control, text.data(), chars + 1);
    text.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return text;
}

void Tell(HWND dialog, const wchar_t* text)
{
    MessageBoxW(dialog, text, kProgramTitle, MB_OK | MB_ICONEXCLAMATION);
}

void Browse(HWND dialog)
{
    wchar_t path[kImagePathChars + 1] = {};
    OPENFILENAMEW open{};
    open.lStructSize = sizeof open;
    open.hwndOwner = dialog;
    open.lpstrFilter = kImageFilter;
    open.lpstrFile = path;
    open.nMaxFile = kImagePathChars;
    open.Flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
    if (GetOpenFileNameW(&open))
        SetDlgItemTextW(dialog, IDC_CALIBRATE_IMAGE, path);
}

// Save: nothing happens while a field is empty (the first empty one gets the
// focus). An image that cannot be read, or edges that make no map, are told
// and nothing is saved; the dialog stays for another try.
void Save(HWND dialog)
{
    for (const int field : kFields)
        if (GetWindowTextLengthW(GetDlgItem(dialog, field)) == 0) {
            SetFocus(GetDlgItem(dialog, field));
            return;
        }
    const double x = std::wcstod(FieldText(dialog, IDC_CALIBRATE_X, kFieldChars).c_str(), nullptr);
    const double y = std::wcstod(FieldText(dialog, IDC_CALIBRATE_Y, kFieldChars).c_str(), nullptr);
    const long zoom = std::wcstol(FieldText(dialog, IDC_CALIBRATE_ZOOM, kFieldChars).c_str(), nullptr, 10);
    // A longer text is no file the browse could have chosen.
    const std::wstring image = FieldText(dialog, IDC_CALIBRATE_IMAGE, kImagePathChars + 1);
    int width = 0, height = 0;
    if (image.size() > kImagePathChars || !ReadMapImageSize(image.c_str(), &width, &height) || width <= 0 ||
        height <= 0) {
        Tell(dialog, kImageUnreadable);
        return;
    }
    MAP_EDGES edges{};
    if (!CalibrateMapEdges(x, y, zoom, width, height, &edges)) {
        Tell(dialog, kNoUsableMap);
        return;
    }
    if (AskYesNo(dialog, kSaveQuestion, false)) {
        wchar_t target[kOfflineMapsFolderSize + 256] = {};
        std::swprintf(target, std::size(target), kMapFileFormat, SettingTextWide(OfflineMapsFolder).c_str(),
                      edges.west, edges.north, edges.east, edges.south);
        if (!CopyFileW(image.c_str(), target, FALSE))
            Tell(dialog, kCopyFailed);
    }
    EndDialog(dialog, IDOK);
}

}  // namespace

bool CalibrateMapEdges(double x, double y, long zoom, int width, int height, MAP_EDGES* edges)
{
    const long level = std::clamp(zoom, -kZoomLimit, kZoomLimit);
    const double scale = std::ldexp(kPixelsPerKmAtZoom13, static_cast<int>(level - kReferenceZoom));
    const double widthKm = width / scale;
    const double heightKm = height / scale;
    edges->west = static_cast<float>(OffsetEastWest(x, y, -widthKm / 2));
    edges->east = static_cast<float>(OffsetEastWest(x, y, widthKm / 2));
    // Positive km go south.
    edges->north = static_cast<float>(OffsetNorthSouth(x, y, -heightKm / 2));
    edges->south = static_cast<float>(OffsetNorthSouth(x, y, heightKm / 2));
    // Past a pole, or round more than half the globe, the offsets wrap and
    // the edges name another area; too small a map has no extent at all.
    const bool finite = std::isfinite(edges->west) && std::isfinite(edges->east) && std::isfinite(edges->north) &&
                        std::isfinite(edges->south);
    return finite && std::isfinite(widthKm) && std::isfinite(heightKm) && edges->west < edges->east &&
           edges->south < edges->north && widthKm / 2 < kQuarterCircumferenceKm &&
           heightKm / 2 < (90.0 - std::fabs(y)) * kKmPerDegree;
}

INT_PTR CALLBACK CalibratorDlgProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM)
{
    switch (msg) {
    case WM_INITDIALOG:
#if defined(PATHVEX_HANDHELD)
        InitHandheldDialog(dialog);
#endif
        for (const int field : {IDC_CALIBRATE_X, IDC_CALIBRATE_Y, IDC_CALIBRATE_ZOOM})
            SendDlgItemMessageW(dialog, field, EM_SETLIMITTEXT, kFieldChars, 0);
        SendDlgItemMessageW(dialog, IDC_CALIBRATE_IMAGE, EM_SETLIMITTEXT, kImagePathChars, 0);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_CALIBRATE_BROWSE:
            Browse(dialog);
            return TRUE;
        case IDOK:
            Save(dialog);
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        break;
    }
    return FALSE;
}
