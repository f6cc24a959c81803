// The offline maps folder: scanning, the best-fit choice and the current map
// image with its decoded-bitmap cache.
#include "maps/offline_maps.h"

#include "kit/settings.h"
#include "maps/viewport.h"
#include "platform/handles.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <cwctype>
#include <string>

std::vector<MAP_COLLECTION> OfflineMaps;
MAP_IMAGE MapImage = {};

namespace {

// A folder text is read no further than this: the longest path Windows
// accepts at all.
constexpr size_t kMaxFolderChars = 32767;

constexpr const wchar_t* kImageExtensions[] = {L".JPG", L".GIF", L".PNG"};
// The handheld builds ask the file system for each kind in turn (so their
// list holds the JPEG files first); the desktop lists everything once.
#if defined(PATHVEX_HANDHELD)
constexpr const wchar_t* kScanPatterns[] = {L"\\*.JPG", L"\\*.GIF", L"\\*.PNG"};
#else
constexpr const wchar_t* kScanPatterns[] = {L"\\*.*"};
#endif

// What identifies the file behind the decoded bitmap: while all of it is
// unchanged the bitmap is what decoding the file again would give.
struct FileStamp {
    ULONGLONG size;
    FILETIME written;
};

struct CachedFile {
    std::wstring path;   // empty: the bitmap comes from no map file
    FileStamp stamp;
};
CachedFile Cached;

bool HasImageExtension(const wchar_t* name)
{
    const size_t length = std::wcslen(name);
    for (const wchar_t* extension : kImageExtensions) {
        const size_t n = std::wcslen(extension);
        if (length < n)
            continue;
        const wchar_t* tail = name + length - n;
        bool same = true;
        for (size_t i = 0; i < n && same; ++i)
            same = std::towupper(tail[i]) == extension[i];
        if (same)
            return true;
    }
    return false;
}

// The four edges from the name read as 8-bit text; unread values stay 0.
void ParseEdges(const wchar_t* name, MAP_COLLECTION* entry)
{
    entry->west = entry->north = entry->east = entry->south = 0.0f;
    // A file name has at most MAX_PATH characters, each at most two bytes
    // in any ANSI code page.
    char narrow[MAX_PATH * 2 + 1] = {};
    if (!WideCharToMultiByte(CP_ACP, 0, name, -1, narrow, sizeof narrow - 1, nullptr, nullptr))
        return;
    std::sscanf(narrow, "%f_%f_%f_%f", &entry->west, &entry->north, &entry->east, &entry->south);
}

void AddMapFile(const std::wstring& folder, const wchar_t* name)
{
    if (!HasImageExtension(name))
        return;
    MAP_COLLECTION entry{};
    ParseEdges(name, &entry);
    // Also skips maps whose south edge is the equator: the name is all the
    // calibration there is, and 0.0 is what an unreadable name gives.
    if (entry.south == 0.0f)
        return;
    const size_t nameLength = std::wcslen(name);
    if (folder.size() + 1 + nameLength >= kMapPathSize)
        return;
    std::wmemcpy(entry.path, folder.data(), folder.size());
    entry.path[folder.size()] = L'\\';
    std::wmemcpy(entry.path + folder.size() + 1, name, nameLength);
    entry.path[folder.size() + 1 + nameLength] = L'\0';
    ReadMapImageSize(entry.path, &entry.width, &entry.height);
    OfflineMaps.push_back(entry);
}

// Degrees scaled to pixels and truncated as the transforms do, held inside
// the range every pixel is kept in.
long long ScaledPixels(double degrees, long long pixels, double span)
{
    return ClampPixel(degrees * static_cast<double>(pixels) / span);
}

int SaturateScore(long long score)
{
    return score < INT_MIN ? INT_MIN : static_cast<int>(score);
}

bool ReadFileStamp(const wchar_t* path, FileStamp* stamp)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path, GetFileExInfoStandard, &data))
        return false;
    stamp->size = (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    stamp->written = data.ftLastWriteTime;
    return true;
}

bool SameStamp(const FileStamp& a, const FileStamp& b)
{
    return a.size == b.size && CompareFileTime(&a.written, &b.written) == 0;
}

void DeleteBitmap()
{
    DeleteMapBitmap(MapImage.bitmap);
    MapImage.bitmap = nullptr;
    Cached.path.clear();
}

}  // namespace

void ScanOfflineMaps(const wchar_t* folder)
{
    OfflineMaps.clear();
    if (!folder)
        return;
    const std::wstring dir(folder, wcsnlen(folder, kMaxFolderChars));
    for (const wchar_t* pattern : kScanPatterns) {
        WIN32_FIND_DATAW found{};
        FindHandle find(FindFirstFileW((dir + pattern).c_str(), &found));
        if (!find.Valid())
            continue;
        do {
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                continue;
            // The system terminates cFileName; this guards a listing that did not.
            found.cFileName[MAX_PATH - 1] = L'\0';
            AddMapFile(dir, found.cFileName);
        } while (FindNextFileW(find.Get(), &found));
    }
}

int ChooseBestMap(const RECT* viewRect, std::vector<MAP_FOUND>* candidates)
{
    if (!viewRect || !candidates || candidates->empty())
        return -1;
    const MAP_VIEWPORT& v = MapViewport;
    // The span as the grid has it (rounded to float), as in the transforms.
    const double lonSpan = static_cast<float>(v.maxLongitude - v.minLongitude);
    const double latSpan = static_cast<float>(v.maxLatitude - v.minLatitude);
    if (!(lonSpan > 0.0) || !(latSpan > 0.0) || !std::isfinite(lonSpan) || !std::isfinite(latSpan))
        return -1;
    const long long width = static_cast<long long>(viewRect->right) - viewRect->left;
    const long long height = static_cast<long long>(viewRect->bottom) - viewRect->top;

    int best = -1;
    long long bestScore = 0;
    RECT bestRect{};
    for (MAP_FOUND& c : *candidates) {
        if (c.index < 0 || static_cast<size_t>(c.index) >= OfflineMaps.size())
            continue;
        const MAP_COLLECTION& m = OfflineMaps[c.index];
        long long score = 0;
        if (v.minLongitude < m.west || v.maxLatitude > m.north || v.maxLongitude > m.east ||
            v.minLatitude < m.south)
            score -= 10;
        const long long left = viewRect->left + ScaledPixels(m.west - v.minLongitude, width, lonSpan);
        const long long right = left + ScaledPixels(static_cast<double>(m.east) - m.west, width, lonSpan);
        const long long top = viewRect->bottom - ScaledPixels(m.north - v.minLatitude, height, latSpan);
        const long long bottom = top + ScaledPixels(static_cast<double>(m.north) - m.south, height, latSpan);
        score -= std::llabs((right - left) - width);
        score -= std::llabs((bottom - top) - height);
        c.score = SaturateScore(score);
        if (best != -1 && score <= bestScore)
            continue;
        best = c.index;
        bestScore = score;
        bestRect = {static_cast<LONG>(left), static_cast<LONG>(top), static_cast<LONG>(right),
                    static_cast<LONG>(bottom)};
    }
    if (best != -1)
        MapImage.projected = bestRect;
    return best;
}

void LoadMapBitmap(const RECT* viewRect)
{
    if (OnlineMapsEnabled)
        return;
    static std::vector<MAP_FOUND> candidates;
    candidates.clear();
    for (size_t i = 0; i < OfflineMaps.size(); ++i)
        candidates.push_back(MAP_FOUND{static_cast<int>(i), 0, 0});
    const int chosen = ChooseBestMap(viewRect, &candidates);
    if (chosen < 0) {
        DeleteBitmap();
        return;
    }
    const wchar_t* path = OfflineMaps[chosen].path;
    FileStamp stamp{};
    const bool stamped = ReadFileStamp(path, &stamp);
    if (MapImage.bitmap && stamped && Cached.path == path && SameStamp(Cached.stamp, stamp))
        return;
    DeleteBitmap();
    MapImage.bitmap = DecodeMapImageFile(path);
    if (MapImage.bitmap && stamped)
        Cached = CachedFile{path, stamp};
}

void SetMapImage(MapBitmap bitmap, const RECT* projected)
{
    DeleteBitmap();
    MapImage.bitmap = bitmap;
    MapImage.projected = projected ? *projected : RECT{};
}

void ReleaseMapImage()
{
    DeleteBitmap();
}
