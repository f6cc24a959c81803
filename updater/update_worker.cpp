// The worker thread of an update run: for each entry the expected hash, the
// local hash, the download, its check and the swap; and the updater's own
// HTTP download with progress.
#include "updater/updater.h"

#include "platform/handles.h"
#include "resources/resource.h"
#if defined(PATHVEX_HANDHELD)
#include "platform/handheld/handheld.h"
#endif

#include <commctrl.h>
#include <wininet.h>

#include <cstdio>
#include <cwchar>
#include <iterator>
#include <string>

namespace {

constexpr wchar_t kAgent[] = L"Brisko Update";
constexpr wchar_t kHashListFile[] = L".\\RUP.INI";
constexpr wchar_t kHashSection[] = L"Hash";
constexpr wchar_t kFirstKey[] = L"1";
constexpr wchar_t kKeyFormat[] = L"%u";
constexpr wchar_t kNewSuffix[] = L".new";
constexpr wchar_t kOldSuffix[] = L".old";
constexpr wchar_t kBackupFolderFormat[] = L"%ls\\%u-%u-%u-%u-%u";
// wsprintfW reads %s as wide text; it writes at most 1024 units.
constexpr wchar_t kProgressFormat[] = L"Downloading: %s %u/%u KB...%u%%";
constexpr size_t kWsprintfUnits = 1025;
// The updater's own library is never replaced by the updater.
constexpr wchar_t kUpdaterLibraryUpper[] = L"BRU.DLL";
constexpr wchar_t kUpdaterLibraryLower[] = L"bru.dll";
constexpr DWORD kReadChunkBytes = 10000;
constexpr int kFullBar = 100;
// Replace an existing target and return only when the move is on disk.
constexpr DWORD kMoveFlags = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;

void SendToControl(HWND dialog, int control, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (dialog)
        SendDlgItemMessageW(dialog, control, msg, wParam, lParam);
}

void SetBar(HWND dialog, int control, unsigned position)
{
    SendToControl(dialog, control, PBM_SETPOS, position, 0);
}

// The Content-Length header as a number; -1 when there is none (or it is
// not a number).
int64_t ContentLength(HINTERNET request)
{
    wchar_t text[32] = {};
    DWORD size = sizeof text;
    if (!HttpQueryInfoW(request, HTTP_QUERY_CONTENT_LENGTH, text, &size, nullptr))
        return -1;
    int64_t value = 0;
    const wchar_t* p = text;
    if (*p < L'0' || *p > L'9')
        return -1;
    for (; *p >= L'0' && *p <= L'9'; ++p) {
        if (value > (INT64_MAX - 9) / 10)
            return INT64_MAX;
        value = value * 10 + (*p - L'0');
    }
    return value;
}

// An HTTP answer other than 2xx is an error page, not the file asked for.
// Answers of other schemes have no status.
bool IsErrorAnswer(HINTERNET request)
{
    DWORD status = 0;
    DWORD size = sizeof status;
    if (!HttpQueryInfoW(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr))
        return false;
    return status < 200 || status > 299;
}

// Opened, written and closed per chunk: what arrived is on disk whatever
// happens to the connection later.
bool AppendToFile(const wchar_t* path, const void* bytes, DWORD count)
{
    FileHandle file(
        CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid())
        return false;
    DWORD written = 0;
    return WriteFile(file.Get(), bytes, count, &written, nullptr) && written == count;
}

// 64-bit arithmetic: received x 100 overflows 32 bits from 42 MB on.
void ShowProgress(HWND dialog, const wchar_t* name, uint64_t received, uint64_t length)
{
    const unsigned percent = unsigned(received * 100 / length);
    wchar_t text[kWsprintfUnits] = {};
    wsprintfW(text, kProgressFormat, name, unsigned(received / 1024), unsigned(length / 1024), percent);
    SendToControl(dialog, IDC_UPDATE_TEXT, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
    SetBar(dialog, IDC_UPDATE_FILE_PROGRESS, percent);
}

// writeThrough: return only once the move is on disk.
bool MoveReplacing(const wchar_t* from, const wchar_t* to, bool writeThrough = true)
{
#if defined(PATHVEX_HANDHELD)
    // The handheld file system moves without replacing; the swap deletes
    // the target first.
    (void)writeThrough;
    return MoveFileW(from, to) != FALSE;
#else
    return MoveFileExW(from, to, writeThrough ? kMoveFlags : MOVEFILE_REPLACE_EXISTING) != FALSE;
#endif
}

bool FileExists(const wchar_t* path)
{
    return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
}

bool SameHashText(const wchar_t* a, const wchar_t* b)
{
    return CompareStringOrdinal(a, -1, b, -1, TRUE) == CSTR_EQUAL;
}

// Copies text into a hash text, cut to fit: an overlong text then simply
// matches nothing.
void SetHashText(wchar_t (&out)[kHashTextSize], const wchar_t* text)
{
    std::wcsncpy(out, text, kHashTextSize - 1);
    out[kHashTextSize - 1] = L'\0';
}

void Sha1Text(const wchar_t* path, wchar_t (&out)[kHashTextSize])
{
    char text[kSha1TextSize] = {};
    Sha1FileHex(path, text, sizeof text);
    for (size_t i = 0; i < kSha1TextSize; ++i)
        out[i] = static_cast<unsigned char>(text[i]);
}

void Crc32Text(const wchar_t* path, wchar_t (&out)[kHashTextSize])
{
    std::swprintf(out, kHashTextSize, L"%u", unsigned(Crc32OfFile(path)));
}

bool HashesAsSha1(int32_t method)
{
    return method == kHashLiteralSha1 || method == kHashListSha1 || method == kHashOfFileSha1 ||
           method == kHashListPerEntry;
}

void FileHashText(int32_t method, const wchar_t* path, wchar_t (&out)[kHashTextSize])
{
    if (HashesAsSha1(method))
        Sha1Text(path, out);
    else
        Crc32Text(path, out);
}

// The hash list's value for key into out; false when the list cannot be
// read or lacks the key.
bool ReadHashList(const wchar_t* key, wchar_t (&out)[kHashTextSize])
{
#if defined(PATHVEX_HANDHELD)
    // The handheld system has no INI-file functions: its list comes as XML.
    ReadXmlProfileString(kHashSection, key, L"", out, kHashTextSize, kHashListFile);
#else
    ReadProfileString(kHashSection, key, L"", out, kHashTextSize, kHashListFile);
#endif
    out[kHashTextSize - 1] = L'\0';
    return out[0] != L'\0';
}

// What the worker keeps from one entry to the next: whether the job's one
// hash list (method 8) arrived in this run. A ".\RUP.INI" left by an
// earlier run is not this job's list.
struct RUN_STATE {
    bool perEntryListFetched = false;
};

// A hash list for entry into ".\RUP.INI"; a failed fetch leaves no list
// behind for a later entry or run to take.
bool FetchHashList(const UpdateEntry& entry)
{
    if (DownloadWithProgress(nullptr, entry.displayName, kHashListFile, entry.hashSource, false))
        return true;
    DeleteFileW(kHashListFile);
    return false;
}

// The expected hash of entry (position index); false when its hash list
// cannot be fetched or read, or holds no hash for it.
bool ExpectedHash(UpdateEntry* entry, unsigned index, RUN_STATE* run, wchar_t (&out)[kHashTextSize])
{
    const int32_t method = entry->hashMethod;
    switch (method) {
    case kHashListSha1:
    case kHashListCrc32: {
        const bool read = FetchHashList(*entry) && ReadHashList(kFirstKey, out);
        DeleteFileW(kHashListFile);
        return read;
    }
    case kHashListPerEntry: {
        // Fetched at the first entry, it serves the job's later entries.
        if (index == 0)
            run->perEntryListFetched = FetchHashList(*entry);
        wchar_t key[16] = {};
        std::swprintf(key, std::size(key), kKeyFormat, index + 1);
        return run->perEntryListFetched && ReadHashList(key, out);
    }
    case kHashOfFileSha1:
        Sha1Text(entry->hashSource, out);
        return true;
    case kHashOfFileCrc32:
        Crc32Text(entry->hashSource, out);
        return true;
    case kHashLiteralSha1:
    case kHashLiteralCrc32:
        SetHashText(out, entry->hashSource);
        return true;
    default:
        out[0] = L'\0';
        return true;
    }
}

// Moves old into the backup folder under its own name.
void KeepBackup(const std::wstring& folder, const std::wstring& old)
{
    CreateDirectoryW(folder.c_str(), nullptr);
    const size_t slash = old.rfind(L'\\');
    const std::wstring name = slash == std::wstring::npos ? old : old.substr(slash + 1);
    MoveFileExW(old.c_str(), (folder + L"\\" + name).c_str(), kMoveFlags);
}

// Downloads entry into fresh, checks it against expected and swaps it in.
int DownloadAndSwap(UpdateEntry* entry, const std::wstring& fresh, const wchar_t (&expected)[kHashTextSize])
{
    if (!DownloadWithProgress(UpdateDialog, entry->displayName, fresh.c_str(), entry->url, true))
        return kUpdateFailed;
    wchar_t arrived[kHashTextSize] = {};
    FileHashText(entry->hashMethod, fresh.c_str(), arrived);
    if (!SameHashText(arrived, expected))
        return kUpdateMismatch;
    const std::wstring old = std::wstring(entry->localPath) + kOldSuffix;
    return SwapInNewFile(entry->localPath, fresh.c_str(), old.c_str()) ? kUpdateUpdated : kUpdateFailed;
}

int UpdateOneEntry(const UpdateJob& job, UpdateEntry* entry, unsigned index, RUN_STATE* run,
                   const std::wstring& backupFolder)
{
    SetBar(UpdateDialog, IDC_UPDATE_FILE_PROGRESS, kFullBar);
    wchar_t expected[kHashTextSize] = {};
    wchar_t local[kHashTextSize] = {};
    if (std::wcsstr(entry->localPath, kUpdaterLibraryUpper) || std::wcsstr(entry->localPath, kUpdaterLibraryLower))
        return kUpdateCurrent;
    SetBar(UpdateDialog, IDC_UPDATE_OVERALL_PROGRESS, index);
    if (entry->flag == kUpdateFlagSkip)
        return kUpdateSkipped;
    if (!ExpectedHash(entry, index, run, expected))
        return kUpdateFailed;
    FileHashText(entry->hashMethod, entry->localPath, local);
    if (SameHashText(local, expected) && entry->flag == kUpdateFlagWhenChanged)
        return kUpdateCurrent;
    if (job.callback && job.callback(entry) == 0)
        return kUpdateDeclined;

    const std::wstring fresh = std::wstring(entry->localPath) + kNewSuffix;
    if (!entry->keepStaleNewFile)
        DeleteFileW(fresh.c_str());
    const int status = DownloadAndSwap(entry, fresh, expected);
    // Nothing installs a ".new" later: one that was not swapped in (cut
    // short, an error page, failing its check) goes now.
    if (status != kUpdateUpdated)
        DeleteFileW(fresh.c_str());
    else if (job.keepBackups)
        KeepBackup(backupFolder, std::wstring(entry->localPath) + kOldSuffix);
    return status;
}

}  // namespace

bool SwapInNewFile(const wchar_t* local, const wchar_t* fresh, const wchar_t* old)
{
    DeleteFileW(old);
#if !defined(PATHVEX_HANDHELD)
    // A file that may be replaced takes the new one in a single rename, once
    // a copy of it is the old file: its name never goes missing.
    if (CopyFileW(local, old, FALSE) && MoveReplacing(fresh, local))
        return true;
#endif
    // A running program can be renamed but not replaced (nor, on the
    // handhelds, can any file): it moves aside and the new file follows at
    // once, the first rename not waiting for the disk. Between the two no
    // file has the name.
    const bool movedAside = MoveReplacing(local, old, false);
    if (!movedAside && FileExists(local)) {
        DeleteFileW(old);
        return false;
    }
    if (MoveReplacing(fresh, local))
        return true;
    if (movedAside)
        MoveReplacing(old, local);
    return false;
}

bool DownloadWithProgress(HWND dialog, const wchar_t* name, const wchar_t* target, const wchar_t* url,
                          bool showProgress)
{
    NetHandle session(InternetOpenW(kAgent, INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
    if (!session.Get())
        return false;
    BOOL decoding = TRUE;
    InternetSetOptionW(session.Get(), INTERNET_OPTION_HTTP_DECODING, &decoding, sizeof decoding);
    NetHandle request(InternetOpenUrlW(session.Get(), url, nullptr, 0, INTERNET_FLAG_NO_CACHE_WRITE, 0));
    if (!request.Get())
        return false;
    const int64_t length = ContentLength(request.Get());
    DeleteFileW(target);
    if (IsErrorAnswer(request.Get()))
        return false;

    std::unique_ptr<char[]> chunk(new char[kReadChunkBytes]);
    uint64_t received = 0;
    for (;;) {
        DWORD got = 0;
        if (!InternetReadFile(request.Get(), chunk.get(), kReadChunkBytes, &got)) {
            // A body the decoder does not understand may still read raw.
            if (!decoding)
                return false;
            decoding = FALSE;
            InternetSetOptionW(request.Get(), INTERNET_OPTION_HTTP_DECODING, &decoding, sizeof decoding);
            continue;
        }
        if (got == 0)
            break;
        received += got;
        if (showProgress && length > 0)
            ShowProgress(dialog, name, received, uint64_t(length));
        if (!AppendToFile(target, chunk.get(), got))
            return false;
    }
    SetBar(dialog, IDC_UPDATE_FILE_PROGRESS, kFullBar);
    return true;
}

DWORD WINAPI UpdateWorkerThread(void* param)
{
    auto* shared = static_cast<UpdateJob*>(param);
    // The head is the worker's own; the entries stay shared with the runner,
    // which reads their status only after this thread has ended.
    const auto job = std::make_unique<UpdateJob>(*shared);
    const unsigned count = job->entries && job->entryCount > 0 ? unsigned(job->entryCount) : 0;

    SYSTEMTIME now{};
    GetLocalTime(&now);
    std::wstring backupFolder(job->backupFolder, wcsnlen(job->backupFolder, std::size(job->backupFolder)));
    if (!job->keepBackups)
        backupFolder.clear();
    wchar_t stamp[sizeof(UpdateJob::backupFolder) / sizeof(wchar_t) + 40] = {};
    std::swprintf(stamp, std::size(stamp), kBackupFolderFormat, backupFolder.c_str(), now.wMonth, now.wDay, now.wYear,
                  now.wHour, now.wMinute);
    backupFolder = stamp;

    SendToControl(UpdateDialog, IDC_UPDATE_OVERALL_PROGRESS, PBM_SETRANGE32, 0, count);
    RUN_STATE run;
    for (unsigned i = 0; i < count; ++i) {
        UpdateEntry* entry = &job->entries[i];
        entry->status = UpdateOneEntry(*job, entry, i, &run, backupFolder);
    }
    SetBar(UpdateDialog, IDC_UPDATE_OVERALL_PROGRESS, count);
    if (HWND dialog = UpdateDialog)
        PostMessageW(dialog, WM_UPDATEDONE, 0, 0);
    return 0;
}
