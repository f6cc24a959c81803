// The update run: the self-update job, the runner with its dialog, tray
// icon and summary, job files, and the updater's texts.
#include "updater/updater.h"

#include "kit/utils.h"
#include "platform/handles.h"
#include "resources/resource.h"

#include <shellapi.h>

#include <algorithm>
#include <cwchar>
#include <iterator>
#include <new>
#include <string>
#include <string_view>

std::atomic<HWND> UpdateDialog{nullptr};

namespace {

constexpr wchar_t kDialogTemplate[] = L"DIALOG_UPDATE";
constexpr wchar_t kIconName[] = L"ICON_1";
constexpr wchar_t kToolsPath[] = L"/tools/";
#if defined(PATHVEX_HANDHELD)
constexpr wchar_t kHashListPath[] = L"/hash.php?type=xml&file=./tools/";
#else
constexpr wchar_t kHashListPath[] = L"/hash.php?file=./tools/";
#endif
constexpr wchar_t kProgramEntryName[] = L"Program Executable";
constexpr wchar_t kLanguageGreek[] = L"GR";
constexpr wchar_t kLanguageEnglish[] = L"EN";
constexpr wchar_t kUser32[] = L"USER32.DLL";
constexpr char kMessageBoxTimeoutName[] = "MessageBoxTimeoutW";
constexpr int kMessageBoxTimedOut = 32000;
constexpr DWORD kSummaryTimeoutMs = 20000;
constexpr DWORD kNoTimeout = DWORD(-1);
constexpr LPARAM kBalloonClicked = WM_USER + 5;   // 1029
constexpr uint32_t kPresetShift = 16;
// wsprintfW writes at most 1024 units and the terminator.
constexpr size_t kWsprintfUnits = 1025;
constexpr uint32_t kDisplayModeMask = 0xFFFF;
constexpr int32_t kRefusedStart = 2;
// The Greek texts sit 500 above their English counterparts.
constexpr int kGreekOffset = 500;

// Text ids.
constexpr int kTextSummary = 104;
constexpr int kTextNothingToDo = 105;
constexpr int kTextUpdated = 106;
constexpr int kTextErrors = 107;

struct UPDATE_TEXT {
    int32_t id;
    wchar_t text[300];
};

// wsprintfW reads %s as wide text: these formats stay as they are shown.
const UPDATE_TEXT kUpdateTexts[] = {
    {101, L"Brisko Update"},
    {102, L"Checking for updates..."},
    {103, L"Update process completed!"},
#if defined(PATHVEX_HANDHELD)
    {104, L"Total files: \t(%u-(%u/%u) (%u/%u) (%u/%u)\r\n\r\n%s"},
    {105, L"No files need to be updated!"},
    {106, L"Files updated successfully!\r\nDo you want to exit the application now so the updates can be applied?"},
    {107, L"There were errors in the update process. Please try again later!\r\n"},
#else
    {104, L"Total files: \t%u\r\nFiles updated: \t%u/%u\r\nFiles failed: \t%u/%u\r\nFiles kept: \t%u/%u\r\n\r\n%s"},
    {105, L"No files need to be updated! Try again after a few days!\r\n\r\nThank you for using Brisko Update!"},
    {106, L"Files updated successfully!\r\n\r\nThank you for using Brisko Update!"
          L"\r\n\r\nDo you want to exit the application now so the updates can be applied?"},
    {107, L"There were errors in the update process. Please try again later!\r\n\r\n"
          L"Thank you for using Brisko Update!"},
#endif
    {601, L"Brisko Update"},
    {602, L"Έλεγχος για updates..."},
    {603, L"Η διαδικασία ολοκληρώθηκε!"},
    {604, L"Αρχεία: \t%u\r\nΑνανεώθηκαν: \t%u/%u\r\nΑπέτυχαν: \t%u/%u\r\nΧωρίς αλλαγή: \t%u/%u\r\n\r\n%s"},
    {605, L"Δεν χρειάστηκε να αναβαθμιστούν αρχεία! Δοκιμάστε πάλι μετά από μερικές μέρες!\r\n\r\n"
          L"Ευχαριστούμε που χρησιμοποιήσατε το Brisko Update!"},
    {606, L"Τα αρχεία αναβαθμίστηκαν!\r\n\r\nΕυχαριστούμε που χρησιμοποιήσατε το Brisko Update!"
          L"\r\n\r\nΘέλετε να τερματίσετε το πρόγραμμα για να πραγματοποιηθεί η ενημέρωση?"},
    {607, L"Υπήρξαν λάθη στην διαδικασία αναβάθμισης! Παρακαλώ δοκιμάστε αργότερα!\r\n\r\n"
          L"Ευχαριστούμε που χρησιμοποιήσατε το Brisko Update!"},
};

template <size_t N>
void CopyField(wchar_t (&field)[N], std::wstring_view text)
{
    const size_t n = std::min(text.size(), N - 1);
    std::wmemcpy(field, text.data(), n);
    field[n] = L'\0';
}

template <size_t N>
void TerminateField(wchar_t (&field)[N])
{
    field[N - 1] = L'\0';
}

// Whatever a job file or a caller left in the texts, each ends inside its
// field.
void TerminateTexts(UpdateJob* job)
{
    TerminateField(job->title);
    TerminateField(job->programId);
    TerminateField(job->language);
    TerminateField(job->backupFolder);
    for (int32_t i = 0; i < job->entryCount; ++i) {
        UpdateEntry& e = job->entries[i];
        TerminateField(e.localPath);
        TerminateField(e.url);
        TerminateField(e.hashSource);
        TerminateField(e.displayName);
    }
}

// Loaded on the first run and kept for the program's lifetime.
HICON UpdateIcon()
{
    static const HICON icon = [] {
        HICON own = LoadIconW(GetModuleHandleW(nullptr), kIconName);
        return own ? own : LoadIconW(nullptr, IDI_INFORMATION);
    }();
    return icon;
}

NOTIFYICONDATAW TrayIconData(HWND dialog)
{
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = dialog;
    data.uID = TRAY_ID_UPDATE;
    data.uFlags = NIF_ICON | NIF_MESSAGE;
    data.uCallbackMessage = WM_UPDATETRAY;
    data.hIcon = UpdateIcon();
    return data;
}

void RunWorker(UpdateJob* job, bool pump)
{
    KernelHandle worker(CreateThread(nullptr, 0, UpdateWorkerThread, job, 0, nullptr));
    if (!worker.Valid()) {
        for (int32_t i = 0; i < job->entryCount; ++i)
            job->entries[i].status = kUpdateFailed;
        return;
    }
    if (pump)
        PumpMessagesUntilEnded(worker.Get());
    else
        WaitForSingleObject(worker.Get(), INFINITE);
}

std::atomic<bool> RunInProgress{false};

struct RunGuard {
    ~RunGuard() { RunInProgress = false; }
};

struct COUNTS {
    unsigned updated = 0;
    unsigned failed = 0;
    unsigned kept = 0;
};

// A download that did not verify is a failed update, not a file kept: the
// summary must not say that nothing needed updating.
bool Failed(int32_t status)
{
    return status == kUpdateFailed || status == kUpdateMismatch;
}

COUNTS CountStatuses(const UpdateJob& job)
{
    COUNTS c;
    for (int32_t i = 0; i < job.entryCount; ++i) {
        const int32_t status = job.entries[i].status;
        if (status == kUpdateUpdated)
            ++c.updated;
        else if (Failed(status))
            ++c.failed;
        else
            ++c.kept;
    }
    return c;
}

int ClosingTextId(const COUNTS& c)
{
    if (c.updated > 0 && c.failed == 0)
        return kTextUpdated;
    return c.failed > 0 ? kTextErrors : kTextNothingToDo;
}

std::wstring SummaryText(const UpdateJob& job, const COUNTS& c, bool greek)
{
    const int offset = greek ? kGreekOffset : 0;
    const auto format = GetUpdateText(kTextSummary + offset);
    const auto closing = GetUpdateText(ClosingTextId(c) + offset);
    const unsigned total = unsigned(job.entryCount);
    wchar_t text[kWsprintfUnits] = {};
    wsprintfW(text, format.get(), total, c.updated, total, c.failed, total, c.kept, total, closing.get());
    return text;
}

// The summary's answer: Yes (exit now) or No.
bool AskToExit(const UpdateJob& job, uint32_t preset, bool question, const std::wstring& summary)
{
    if (job.mode != kUpdateModeDialog && job.mode != kUpdateModeHidden)
        return false;
    if (preset == kUpdatePresetYes)
        return true;
    if (preset == kUpdatePresetNo || job.mode == kUpdateModeHidden)
        return false;
    const UINT type = question ? MB_YESNO | MB_ICONQUESTION : MB_OK | MB_ICONINFORMATION;
    return MessageBoxWithTimeout(UpdateDialog, summary.c_str(), job.title, type, kSummaryTimeoutMs,
                                 question ? IDYES : IDOK) == IDYES;
}

int CallWithEvent(const UpdateJob& job, int32_t kind, int32_t status)
{
    UpdateEvent event{};
    event.size = sizeof event;
    event.kind = kind;
    event.status = status;
    return job.callback(&event);
}

// The job of a job file into job, its entries into entries (room for one
// when it has none); false when the file cannot be opened or does not hold
// what its head says. A head of another layout or version is read without
// entries, for RunUpdateJob to refuse.
bool ReadJobFile(const char* path, UpdateJob* job, std::unique_ptr<UpdateEntry[]>* entries)
{
    FileHandle file(CreateFileA(path ? path : "", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER length{};
    if (!file.Valid() || !GetFileSizeEx(file.Get(), &length))
        return false;
    DWORD got = 0;
    if (!ReadFile(file.Get(), job, sizeof(UpdateJob), &got, nullptr) || got != sizeof(UpdateJob))
        return false;
    // Raw values from the file: nothing in it may be called or pointed at.
    job->callback = nullptr;
    job->callbackData = 0;
    job->entries = nullptr;
    if (job->size != int32_t(sizeof(UpdateJob)) || job->version > kUpdateVersion) {
        job->entryCount = 0;
        return true;
    }
    const int64_t room = (length.QuadPart - int64_t(sizeof(UpdateJob))) / kUpdateEntrySize;
    if (job->entryCount < 0 || job->entryCount > room)
        return false;
    const size_t count = size_t(job->entryCount);
    entries->reset(new (std::nothrow) UpdateEntry[std::max<size_t>(count, 1)]());
    if (!*entries)
        return false;
    for (size_t i = 0; i < count; ++i) {
        if (!ReadFile(file.Get(), &(*entries)[i], sizeof(UpdateEntry), &got, nullptr) || got != sizeof(UpdateEntry))
            return false;
    }
    job->entries = entries->get();
    return true;
}

}  // namespace

std::unique_ptr<wchar_t[]> GetUpdateText(int id)
{
    std::unique_ptr<wchar_t[]> text(new wchar_t[kUpdateTextBufferSize]());
    for (const UPDATE_TEXT& t : kUpdateTexts) {
        if (t.id == id) {
            std::wcsncpy(text.get(), t.text, std::size(t.text));
            break;
        }
    }
    return text;
}

int MessageBoxWithTimeout(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type, DWORD ms,
                          int defaultResult)
{
    using MessageBoxTimeoutFn = int(WINAPI*)(HWND, const wchar_t*, const wchar_t*, UINT, WORD, DWORD);
    // The program links USER32 itself: it is loaded for the process's life.
    const auto timed = LibraryEntry<MessageBoxTimeoutFn>(GetModuleHandleW(kUser32), kMessageBoxTimeoutName);
    if (!timed || ms == kNoTimeout)
        return MessageBoxW(owner, text, caption, type);
    const int result = timed(owner, text, caption, type, 0, ms);
    return result == kMessageBoxTimedOut ? defaultResult : result;
}

HWND CreateUpdateDialog()
{
    return CreateDialogParamW(GetModuleHandleW(nullptr), kDialogTemplate, nullptr, UpdateDlgProc, 0);
}

INT_PTR CALLBACK UpdateDlgProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_INITDIALOG:
        return TRUE;
    case WM_COMMAND:
        // Enter and Escape do not end a run.
        return LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL;
    case WM_CLOSE:
        DestroyWindow(dialog);
        return TRUE;
    case WM_DESTROY: {
        // The worker stops reporting to a dialog that is gone.
        HWND current = dialog;
        UpdateDialog.compare_exchange_strong(current, nullptr);
        return FALSE;
    }
    case WM_UPDATETRAY:
        if (lParam == WM_LBUTTONDOWN || lParam == kBalloonClicked)
            ShowWindow(dialog, SW_SHOW);
        return TRUE;
    }
    return FALSE;
}

int RunUpdateJob(UpdateJob* job)
{
    if (!job || job->size != int32_t(sizeof(UpdateJob)))
        return kUpdateWrongSize;
    UpdateIcon();
    if (job->version > kUpdateVersion)
        return kUpdateWrongVersion;
    // The runner serves the main window while it waits, so command 197 can
    // arrive again during a run: one run at a time, a second does nothing.
    if (RunInProgress.exchange(true))
        return kUpdateNothingToAsk;
    const RunGuard running;
    if (job->entryCount < 0 || !job->entries)
        job->entryCount = 0;
    TerminateTexts(job);
    const bool greek = CompareStringOrdinal(job->language, -1, kLanguageGreek, -1, TRUE) == CSTR_EQUAL;
    if (!greek)
        CopyField(job->language, kLanguageEnglish);

    HWND dialog = CreateUpdateDialog();
    if (dialog)
        SetWindowTextW(dialog, job->title);
    UpdateDialog = dialog;
    const uint32_t preset = job->mode >> kPresetShift;
    job->mode &= kDisplayModeMask;
    if (!dialog || job->mode == kUpdateModeBalloon)
        job->mode = kUpdateModeHidden;

    // A hidden run's dialog is never shown, rather than shown and hidden.
    if (dialog && job->mode != kUpdateModeHidden)
        ShowWindow(dialog, SW_SHOW);
    NOTIFYICONDATAW tray = TrayIconData(dialog);
    if (job->mode == kUpdateModeDialog)
        Shell_NotifyIconW(NIM_ADD, &tray);
    const bool callbackMode = job->mode == kUpdateModeCallback && job->callback;
    int32_t endStatus = 0;
    if (callbackMode && CallWithEvent(*job, kUpdateEventBefore, 0) == 0)
        endStatus = kRefusedStart;
    if (endStatus == 0)
        RunWorker(job, dialog != nullptr);

    const COUNTS counts = CountStatuses(*job);
    const bool question = counts.updated > 0 && counts.failed == 0;
    const std::wstring summary = SummaryText(*job, counts, greek);
    const bool exitNow = AskToExit(*job, preset, question, summary);

    if (HWND open = UpdateDialog.exchange(nullptr))
        DestroyWindow(open);
    if (callbackMode)
        CallWithEvent(*job, kUpdateEventAfter, endStatus);
    Shell_NotifyIconW(NIM_DELETE, &tray);
    if (exitNow)
        return kUpdateExitNow;
    return !question || job->mode == kUpdateModeCallback ? kUpdateNothingToAsk : kUpdateKeepRunning;
}

int RunSelfUpdate(const wchar_t* title, const wchar_t* programId)
{
    const auto job = std::make_unique<UpdateJob>();
    const auto entry = std::make_unique<UpdateEntry>();
    const DWORD n = GetModuleFileNameW(nullptr, entry->localPath, DWORD(std::size(entry->localPath)));
    if (n == 0 || n >= std::size(entry->localPath))
        return kUpdateNotRun;
    wchar_t* slash = std::wcsrchr(entry->localPath, L'\\');
    if (!slash)
        return kUpdateNotRun;
    wchar_t* name = slash + 1;
    CharLowerBuffW(name, DWORD(std::wcslen(name)));

    job->size = sizeof(UpdateJob);
    job->version = kUpdateVersion;
    CopyField(job->title, title ? title : L"");
    CopyField(job->programId, programId ? programId : L"");
    CopyField(job->language, kLanguageEnglish);
    job->entryCount = 1;
    job->entries = entry.get();
    job->mode = kUpdateModeDialog;

    const std::wstring site(UpdateSite, wcsnlen(UpdateSite, kUpdateSiteSize));
    entry->size = kUpdateEntrySize;
    entry->version = kUpdateVersion;
    CopyField(entry->url, site + kToolsPath + name);
    CopyField(entry->hashSource, site + kHashListPath + name);
    CopyField(entry->displayName, kProgramEntryName);
    entry->hashMethod = kHashListSha1;
    entry->flag = kUpdateFlagWhenChanged;
    const int result = RunUpdateJob(job.get());
    return result == kUpdateNothingToAsk && Failed(entry->status) ? kUpdateIncomplete : result;
}

int RunUpdateJobFile(const char* path)
{
    const auto job = std::make_unique<UpdateJob>();
    std::unique_ptr<UpdateEntry[]> entries;
    if (!ReadJobFile(path, job.get(), &entries))
        return kUpdateNotRun;
    return RunUpdateJob(job.get());
}
