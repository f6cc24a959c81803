// The KML and LOC exchange in the running main window: the system's file
// dialogs and the program's questions answered from a second thread, and
// GPSBabel (the Linux program, started from Wine) reading what was written
// and writing what is imported.
#pragma once
#include "option_test_util.h"

#include "resources/resource.h"

#include <cmath>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace exchangetest {

using namespace optiontest;

// The system's file dialogs as Wine titles them, and their file name box
// (the combo box of the explorer-style dialog, or the plain edit).
inline constexpr wchar_t kSaveCaption[] = L"Save As";
inline constexpr wchar_t kOpenCaption[] = L"Open";
// Wine asks before a save replaces a file in a box captioned "Error".
inline constexpr wchar_t kReplaceCaption[] = L"Error";
inline constexpr int kFileNameCombo = 0x47C;
inline constexpr int kFileNameEdit = 0x480;

// One dialog to answer: its caption (and a message box's text, or "" for
// any), what to do in it, the button to press.
struct STEP {
    std::wstring caption;
    std::wstring text;
    std::function<void(HWND)> act;
    int button;
};

// Answers the dialogs in order on a thread of its own while the window
// sits in them; keeps the text each one showed (a message box's text, a file
// dialog's proposed name).
class Answers {
public:
    explicit Answers(std::vector<STEP> steps) : steps_(std::move(steps)), thread_([this] { Run(); }) {}
    ~Answers()
    {
        stop_ = true;
        if (thread_.joinable())
            thread_.join();
    }
    Answers(const Answers&) = delete;
    Answers& operator=(const Answers&) = delete;
    // Stops waiting for the steps still to come; the steps answered.
    size_t Stop()
    {
        stop_ = true;
        return Done();
    }
    // The steps answered; waits for the answering thread to finish first.
    size_t Done()
    {
        if (thread_.joinable())
            thread_.join();
        return done_;
    }
    std::wstring Shown(size_t i)
    {
        Done();
        return i < shown_.size() ? shown_[i] : std::wstring();
    }

private:
    static std::wstring ShownText(HWND w)
    {
        if (GetDlgItem(w, kFileNameCombo))
            return ItemText(w, kFileNameCombo);
        if (GetDlgItem(w, kFileNameEdit))
            return ItemText(w, kFileNameEdit);
        return BoxText(w);
    }
    HWND Find(const STEP& step, HWND last) const
    {
        HWND w = nullptr;
        while ((w = FindWindowExW(nullptr, w, L"#32770", nullptr)) != nullptr) {
            DWORD pid = 0;
            GetWindowThreadProcessId(w, &pid);
            if (w != last && pid == GetCurrentProcessId() && IsWindowVisible(w) && Text(w) == step.caption &&
                (step.text.empty() || BoxText(w) == step.text))
                return w;
        }
        return nullptr;
    }
    void Run()
    {
        HWND last = nullptr;
        for (const STEP& step : steps_) {
            HWND found = nullptr;
            for (ULONGLONG until = GetTickCount64() + 30000; !stop_ && !found && GetTickCount64() < until; Sleep(20))
                found = Find(step, last);
            if (!found)
                return;
            shown_.push_back(ShownText(found));
            if (step.act)
                step.act(found);
            ++done_;
            PostMessageW(found, WM_COMMAND, MAKEWPARAM(step.button, BN_CLICKED), 0);
            last = found;
        }
    }
    std::vector<STEP> steps_;
    std::atomic<bool> stop_{false};
    std::atomic<size_t> done_{0};
    std::vector<std::wstring> shown_;
    std::thread thread_;
};

inline std::wstring Wide(const std::string& s)
{
    return std::wstring(s.begin(), s.end());
}

// The file dialog answered with path (or cancelled).
inline STEP SaveAs(const std::string& path)
{
    return {kSaveCaption, L"",
            [path](HWND d) {
                SetDlgItemTextW(d, kFileNameCombo, Wide(path).c_str());
                SetDlgItemTextW(d, kFileNameEdit, Wide(path).c_str());
            },
            IDOK};
}
inline STEP OpenFile(const std::string& path)
{
    STEP s = SaveAs(path);
    s.caption = kOpenCaption;
    return s;
}
inline STEP ReplaceYes()
{
    return {kReplaceCaption, L"", nullptr, IDYES};
}
inline STEP CancelDialog(const wchar_t* caption)
{
    return {caption, L"", nullptr, IDCANCEL};
}
// A question or message of the program, captioned with its title.
inline STEP Reply(const std::wstring& text, int button = IDOK)
{
    return {kProgramTitle, text, nullptr, button};
}
// Chooses entries (by index) in a selection list.
inline STEP Choose(const wchar_t* caption, std::vector<int> rows)
{
    return {caption, L"",
            [rows](HWND d) {
                const bool several = GetWindowLongW(GetDlgItem(d, IDC_ENTRY_TEXT), GWL_STYLE) & LBS_MULTIPLESEL;
                for (int row : rows)
                    SendDlgItemMessageW(d, IDC_ENTRY_TEXT, several ? LB_SETSEL : LB_SETCURSEL,
                                        several ? TRUE : WPARAM(row), several ? LPARAM(row) : 0);
            },
            IDOK};
}

// The main window with its seams, "open" recorded instead of done.
inline std::vector<std::wstring> OpenedFiles;
inline bool RecordOpen(HWND, const wchar_t* target)
{
    OpenedFiles.push_back(target);
    return true;
}

struct ExchangeWindow : WindowFixture {
    ExchangeWindow()
    {
        RebuildWaypointList();
        ShellSeams.openExternal = RecordOpen;
        OpenedFiles.clear();
    }
    // The command from the menu bar of the screen shown: true when the
    // menu holds it (and it was sent).
    bool Menu(int id)
    {
        HMENU menu = GetMenu(window);
        if (!menu || GetMenuStringW(menu, UINT(id), nullptr, 0, MF_BYCOMMAND) <= 0)
            return false;
        Command(id);
        return true;
    }
    std::string File(const std::string& name) const { return dir.File(name); }
};

inline std::string FileText(const std::string& path)
{
    std::string text;
    testsupport::ReadFile(path, &text);
    return text;
}

inline bool WriteFile(const std::string& path, const std::string& text)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    return std::fclose(f) == 0 && ok;
}

inline bool Exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// ---------------------------------------------------------------------------
// GPSBabel

// The Linux path of a file of ours, as GPSBabel needs it.
inline std::string UnixPath(const std::string& path)
{
    using ToUnix = char*(CDECL*)(const wchar_t*);
    // Through void(*)(): a cast from FARPROC straight to another type warns.
    auto toUnix = reinterpret_cast<ToUnix>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    char* unix = toUnix ? toUnix(Wide(path).c_str()) : nullptr;
    const std::string result = unix ? unix : "";
    if (unix)
        HeapFree(GetProcessHeap(), 0, unix);
    return result;
}

// Runs GPSBabel with options ("-i kml", more before it) on in, then its
// filters ("-x ..."), writing outFormat to out; the text it wrote, or ""
// when it wrote nothing. Wine
// starts a Linux program but cannot wait for it: a script of the test's
// own runs it and then leaves a mark that it is done.
inline std::string GpsBabel(const std::string& options, const std::string& in, const std::string& outFormat,
                            const std::string& out, const std::string& filters = "")
{
    const char* program = std::getenv("PATHVEX_GPSBABEL");
    REQUIRE_MESSAGE((program && *program == '/'), "GPSBabel is missing: run scripts/setup.sh");
    const std::string done = out + ".done";
    const std::string script = out + ".sh";
    DeleteFileA(out.c_str());
    DeleteFileA(done.c_str());
    REQUIRE(WriteFile(script, "\"" + std::string(program) + "\" " + options + " -f \"" + UnixPath(in) + "\" " + filters + " -o " +
                                  outFormat + " -F \"" + UnixPath(out) + "\"\ntouch \"" + UnixPath(done) + "\"\n"));
    std::wstring line = L"sh \"" + Wide(UnixPath(script)) + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    REQUIRE(CreateProcessW(L"Z:\\bin\\sh", line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    if (pi.hThread)
        CloseHandle(pi.hThread);
    if (pi.hProcess)
        CloseHandle(pi.hProcess);
    const ULONGLONG until = GetTickCount64() + 60000;
    while (!Exists(done) && GetTickCount64() < until)
        Sleep(20);
    CHECK(Exists(done));
    return FileText(out);
}

// One row of GPSBabel's "unicsv" output.
struct CSV_POINT {
    double lat = 0.0;
    double lon = 0.0;
    double alt = 0.0;
    std::string name;
};

// "unicsv" text: a header naming the columns, then one row per point;
// quoted fields may hold commas, doubled quotes and line breaks.
inline std::vector<CSV_POINT> ReadCsv(const std::string& text)
{
    std::vector<std::vector<std::string>> rows(1);
    std::string field;
    bool quoted = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"')
                field += text[++i];
            else if (c == '"')
                quoted = false;
            else
                field += c;
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            rows.back().push_back(field);
            field.clear();
        } else if (c == '\n') {
            rows.back().push_back(field);
            field.clear();
            rows.emplace_back();
        } else if (c != '\r') {
            field += c;
        }
    }
    std::vector<CSV_POINT> points;
    const std::vector<std::string>& header = rows.front();
    for (size_t r = 1; r < rows.size(); ++r) {
        if (rows[r].size() < header.size())
            continue;
        CSV_POINT p;
        for (size_t c = 0; c < header.size(); ++c) {
            if (header[c] == "Latitude")
                p.lat = std::atof(rows[r][c].c_str());
            else if (header[c] == "Longitude")
                p.lon = std::atof(rows[r][c].c_str());
            else if (header[c] == "Altitude")
                p.alt = std::atof(rows[r][c].c_str());
            else if (header[c] == "Name")
                p.name = rows[r][c];
        }
        points.push_back(p);
    }
    return points;
}

// GPSBabel keeps the line breaks and indentation that stand around a text
// of the program's layout ("<name>", CR LF, tabs, the text, ...).
inline std::string Trimmed(const std::string& s)
{
    const size_t a = s.find_first_not_of(" \t\r\n,");
    const size_t b = s.find_last_not_of(" \t\r\n,");
    return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

// GPSBabel prints six decimals: a value written with more agrees to half
// its last digit.
inline bool SamePrinted(double read, double written)
{
    return std::fabs(read - written) <= 0.5e-6 + 1e-9;
}

}  // namespace exchangetest
