// updater/updater.h - the updater: brings the program's files up to date
// from the maker's site.
//
// An update job lists files. For each, a worker thread obtains the expected
// hash (literal, from a file, or from the server's hash list), hashes the
// local file, downloads a newer copy when the two differ, verifies it and
// swaps it in through "<file>.new" and "<file>.old". A swap that cannot be
// completed puts the old file back; a ".new" that is not swapped in is
// removed. The server's hash list is INI in the desktop builds and XML in
// the handheld ones, which have no INI-file functions (platform/handheld).
// The run shows a modeless progress dialog and a tray icon, and ends with a
// summary box that asks whether to exit so the new files take effect.
//
// Threads: RunUpdateJob runs on the UI thread and serves its messages (the
// main window keeps painting) until the worker thread has ended; the worker
// reports to the dialog's controls with SendMessageW and writes each entry's
// status. One run at a time. The job records are also the image of a job
// file, so their layout is fixed (checked below). Nothing throws; results
// and statuses are values.
#pragma once
#include <windows.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "kit/site.h"
#include "updater/digest.h"

// ---------------------------------------------------------------------------
// Records.

inline constexpr uint32_t kUpdateVersion = 100;
inline constexpr int32_t kUpdateEntrySize = 12032;
inline constexpr size_t kHashTextSize = 100;   // expected and local hash texts, with the terminator

// The job's callback: an UpdateEntry before each download (0: leave this
// file alone) and, in mode 3, an UpdateEvent before and after the run.
using UpdateCallback = int (*)(void* record);

// How the expected hash is obtained, and which text the files hash to.
enum HashMethod : int32_t {
    kHashLiteralSha1 = 0,     // the hash source is the SHA-1 text
    kHashListSha1 = 1,        // hash list at the hash-source URL, key "1"
    kHashOfFileSha1 = 2,      // the SHA-1 text of the file the hash source names
    kHashLiteralCrc32 = 3,
    kHashListCrc32 = 4,
    kHashOfFileCrc32 = 5,
    kHashListPerEntry = 8,    // one hash list per job, key = 1-based position; SHA-1
};   // any other value: empty expected hash, CRC-32 text

// Written by the worker into each entry. The summary counts 1 and 5 as
// failed, 2 to 4 as kept.
enum UpdateStatus : int32_t {
    kUpdateUpdated = 0,      // swapped in
    kUpdateFailed = 1,       // hash list or file not fetched (an HTTP error answer counts as
                             // not fetched), no hash for the entry in its list, or not swapped in
    kUpdateCurrent = 2,      // up to date, or the updater's own library
    kUpdateSkipped = 3,      // the entry's flag said so
    kUpdateDeclined = 4,     // the callback said so
    kUpdateMismatch = 5,     // the download did not verify
};

// Entry flag: 1 skip, 0 only when the hashes differ, else always.
inline constexpr int32_t kUpdateFlagSkip = 1;
inline constexpr int32_t kUpdateFlagWhenChanged = 0;

struct UpdateEntry {
    int32_t size;                  // kUpdateEntrySize (not checked)
    uint32_t version;              // kUpdateVersion (not checked)
    int32_t reserved;
    wchar_t localPath[1000];
    wchar_t url[3000];
    wchar_t hashSource[1000];
    wchar_t displayName[1000];
    int32_t keepStaleNewFile;      // 0: an existing ".new" is deleted first
    int32_t hashMethod;            // HashMethod
    int32_t flag;
    int32_t reserved2;
    int32_t status;                // UpdateStatus
};

// Display modes, the low 16 bits of UpdateJob::mode; the high 16 bits are a
// preset answer to the summary.
inline constexpr uint32_t kUpdateModeDialog = 0;     // dialog and tray icon
inline constexpr uint32_t kUpdateModeBalloon = 1;    // run as kUpdateModeHidden
inline constexpr uint32_t kUpdateModeHidden = 2;
inline constexpr uint32_t kUpdateModeCallback = 3;   // UpdateEvents to the callback, no box
inline constexpr uint32_t kUpdatePresetYes = 1;
inline constexpr uint32_t kUpdatePresetNo = 2;

struct UpdateJob {
    int32_t size;                  // sizeof(UpdateJob) of this build
    uint32_t version;              // at most kUpdateVersion
    int32_t reserved;
    wchar_t title[100];            // the dialog's and the summary's caption
    wchar_t programId[100];        // kept, not used
    wchar_t language[10];          // "GR" (any case) shows the Greek texts; else made "EN"
    int32_t entryCount;
    UpdateEntry* entries;
    uint32_t mode;
    UpdateCallback callback;       // or null
    intptr_t callbackData;         // not used
    int32_t keepBackups;           // replaced files go to a dated folder below backupFolder
    wchar_t backupFolder[1000];
};

// Mode 3: kind 1 before the run, 2 after it; status 2 when the callback
// refused the start, else 0.
struct UpdateEvent {
    int32_t size;                  // 28
    int32_t kind;
    int32_t status;
    uint8_t reserved[16];
};
inline constexpr int32_t kUpdateEventBefore = 1;
inline constexpr int32_t kUpdateEventAfter = 2;

static_assert(sizeof(UpdateEntry) == kUpdateEntrySize);
static_assert(offsetof(UpdateEntry, url) == 2012 && offsetof(UpdateEntry, hashSource) == 8012 &&
              offsetof(UpdateEntry, displayName) == 10012 && offsetof(UpdateEntry, keepStaleNewFile) == 12012 &&
              offsetof(UpdateEntry, status) == 12028);
static_assert(sizeof(UpdateEvent) == 28);
#if defined(_WIN64)
static_assert(sizeof(UpdateJob) == 2480 && offsetof(UpdateJob, entries) == 440 && offsetof(UpdateJob, mode) == 448 &&
              offsetof(UpdateJob, callback) == 456 && offsetof(UpdateJob, keepBackups) == 472 &&
              offsetof(UpdateJob, backupFolder) == 476);
#else
static_assert(sizeof(UpdateJob) == 2456 && offsetof(UpdateJob, entries) == 436 && offsetof(UpdateJob, mode) == 440 &&
              offsetof(UpdateJob, callback) == 444 && offsetof(UpdateJob, keepBackups) == 452 &&
              offsetof(UpdateJob, backupFolder) == 456);
#endif

// ---------------------------------------------------------------------------
// Runs.

// Results of a run.
inline constexpr int kUpdateNotRun = 0;        // no backslash in the path, or no job file
inline constexpr int kUpdateNothingToAsk = 1;  // information box, mode 3, or nothing updated
inline constexpr int kUpdateWrongSize = 2;
inline constexpr int kUpdateWrongVersion = 3;
inline constexpr int kUpdateKeepRunning = 98;  // updated, and the answer was No
inline constexpr int kUpdateExitNow = 99;      // the answer was Yes: the caller should exit
// RunSelfUpdate only: the check could not be completed (its summary said so).
inline constexpr int kUpdateIncomplete = 4;

// Updates the running executable from UpdateSite (kit/site.h): file
// "/tools/<name>", hash list "/hash.php?file=./tools/<name>" (handheld
// builds ask for the XML form), <name> the executable's lower-cased file
// name. RunUpdateJob's result, kUpdateIncomplete in place of
// kUpdateNothingToAsk when the file failed, or kUpdateNotRun when the
// executable's path cannot be used.
int RunSelfUpdate(const wchar_t* title, const wchar_t* programId);
// Runs the job: writes every entry's status and returns a result above. The
// job is changed in place (language, mode; every text field is terminated
// at its last unit; a negative count counts as 0). A run asked for while
// another goes on does nothing and gives kUpdateNothingToAsk.
int RunUpdateJob(UpdateJob* job);
// The job in a file: the head in this build's layout, then entryCount
// entries. kUpdateNotRun when the file cannot be opened, is shorter than a
// head, or cannot hold its count of entries. The file's callback is never
// called.
int RunUpdateJobFile(const char* path);

// The worker's thread entry (param: the UpdateJob) and its download:
// url into target (deleted first, appended chunk by chunk); with
// showProgress the dialog's text and file bar follow. False when the
// session, the address, a read or a write fails (what arrived stays), or
// the server answers with an HTTP status other than 2xx (nothing is stored).
DWORD WINAPI UpdateWorkerThread(void* param);
bool DownloadWithProgress(HWND dialog, const wchar_t* name, const wchar_t* target, const wchar_t* url,
                          bool showProgress);

// Puts fresh in the place of local and keeps the replaced file as old (an
// earlier old is deleted). A missing local file is simply installed. Where
// local may be replaced it is, in one rename, after a copy became old; a
// running program (and any file on the handhelds) is renamed aside first,
// so its name is missing between two renames. False when local cannot be
// moved aside, or fresh cannot take its place; then local is back as it
// was and fresh stays.
bool SwapInNewFile(const wchar_t* local, const wchar_t* fresh, const wchar_t* old);

// MessageBoxTimeoutW when USER32.DLL has it (and ms is not -1), with
// defaultResult for a time-out; else a plain MessageBoxW.
int MessageBoxWithTimeout(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type, DWORD ms,
                          int defaultResult);

// The dialog "DIALOG_UPDATE", modeless, without owner, not shown; null when
// it cannot be made.
HWND CreateUpdateDialog();
INT_PTR CALLBACK UpdateDlgProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam);
// A new 1000-unit buffer with the updater's text id (empty for an id the
// table lacks).
std::unique_ptr<wchar_t[]> GetUpdateText(int id);
inline constexpr size_t kUpdateTextBufferSize = 1000;

// The progress dialog of the run (null between runs, and once it is closed);
// the worker reads it.
extern std::atomic<HWND> UpdateDialog;
