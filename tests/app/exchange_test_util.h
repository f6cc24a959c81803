// The KML and LOC exchange in the running main window: the system's file
// dialogs and the program's questions answered from a second thread.
#pragma once
#include "gpsbabel.h"
#include "option_test_util.h"

#include "resources/resource.h"

#include <string>
#include <vector>

namespace exchangetest {

using namespace optiontest;
using namespace gpsbabel;

// Wine's file dialogs and its question before a save replaces a file.
inline constexpr wchar_t kSaveCaption[] = L"Save As";
inline constexpr wchar_t kOpenCaption[] = L"Open";
inline constexpr wchar_t kReplaceCaption[] = L"Error";

// A file dialog answered with path.
inline STEP FileStep(const wchar_t* caption, const std::string& path)
{
    return {caption, L"",
            [path](HWND d) {
                for (int box : Answers::kFileNameBoxes)
                    SetDlgItemTextW(d, box, Wide(path).c_str());
            },
            IDOK};
}
inline STEP SaveAs(const std::string& path) { return FileStep(kSaveCaption, path); }
inline STEP OpenFile(const std::string& path) { return FileStep(kOpenCaption, path); }
// The lines a selection list offers.
inline std::vector<std::wstring> ListLines(HWND dialog)
{
    std::vector<std::wstring> lines;
    wchar_t line[128];
    for (int i = 0; i < SendDlgItemMessageW(dialog, IDC_ENTRY_TEXT, LB_GETCOUNT, 0, 0); ++i)
        if (SendDlgItemMessageW(dialog, IDC_ENTRY_TEXT, LB_GETTEXTLEN, i, 0) < 128 &&
            SendDlgItemMessageW(dialog, IDC_ENTRY_TEXT, LB_GETTEXT, i, LPARAM(line)) >= 0)
            lines.push_back(line);
    return lines;
}

// The main window with its seams; "open" recorded instead of done.
inline std::vector<std::wstring> OpenedFiles;
inline bool RecordOpen(HWND, const wchar_t* target, int show)
{
    // Written files are shown maximised; anything else is a fault.
    OpenedFiles.push_back(show == SW_SHOWMAXIMIZED ? target : L"not maximised");
    return true;
}

struct ExchangeWindow : WindowFixture {
    ExchangeWindow()
    {
        // Wine's file dialogs start in the folder last visited, or else in
        // the current one: both are to be the test's own, small folder, not
        // one deleted since or the build folder, whose programs the dialog
        // takes many seconds to list.
        RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ComDlg32");
        RebuildWaypointList();
        OutsideSeams.openExternal = RecordOpen;
        OpenedFiles.clear();
    }
    testsupport::CurrentDir here{dir.Path()};
    // A picture for a person to look at, kept in the folder the test
    // started in.
    void Picture(HWND w, const std::string& name) const { SavePicture(w, here.Before() + "\\" + name); }
    // The command from the menu bar of the screen shown: false when the
    // menu does not hold it (then it is not sent).
    bool Menu(int id)
    {
        if (GetMenuStringW(GetMenu(window), UINT(id), nullptr, 0, MF_BYCOMMAND) <= 0)
            return false;
        Command(id);
        return true;
    }
    std::string File(const std::string& name) const { return dir.File(name); }
};

inline bool Has(const std::string& text, const std::string& part) { return Contains(text, part); }

}  // namespace exchangetest
