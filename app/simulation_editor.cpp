// The simulation editor: the whole simulation list as text in one edit.
#include "app/simulation_editor.h"

#include "gps/simulation.h"
#include "kit/dialogs.h"
#include "resources/resource.h"
#include "xml/utf8text.h"
#if defined(PATHVEX_HANDHELD)
#include "platform/handheld/handheld.h"
#endif

#include <string_view>
#include <utility>

namespace {

// The whole text is read and every line kept whole: a list of any length
// survives a round trip through the editor.
INT_PTR CALLBACK SimDataDlgProc(HWND dialog, UINT msg, WPARAM, LPARAM)
{
    switch (msg) {
    case WM_INITDIALOG: {
#if defined(PATHVEX_HANDHELD)
        InitHandheldDialog(dialog);
#endif
        HWND edit = GetDlgItem(dialog, IDC_SIMDATA_TEXT);
        SendMessageW(edit, EM_SETLIMITTEXT, 0, 0);   // 0: as much as the control takes
        const std::wstring text = SimulationEditorText(SimulationList.Sentences());
        SendMessageW(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
        return TRUE;
    }
    case WM_CLOSE:
        SimulationList.Replace(SimulationFromEditorText(WholeWindowText(GetDlgItem(dialog, IDC_SIMDATA_TEXT))));
        EndDialog(dialog, 0);
        return TRUE;
    }
    return FALSE;
}

}  // namespace

void ShowSimulationEditor(HWND owner)
{
    DialogBoxParamW(GetModuleHandleW(nullptr), L"DIALOG_SIMDATA", owner, SimDataDlgProc, 0);
}

std::wstring SimulationEditorText(const std::vector<std::string>& sentences)
{
    std::wstring text;
    for (const std::string& s : sentences) {
        text += Utf8ToWide(s);
        text += L"\r\n";
    }
    return text;
}

std::vector<std::string> SimulationFromEditorText(const std::wstring& text)
{
    std::vector<std::string> list;
    size_t start = 0;
    for (;;) {
        const size_t end = text.find(L'\n', start);
        const size_t length = (end == std::wstring::npos ? text.size() : end) - start;
        std::string entry = WideToUtf8(std::wstring_view(text).substr(start, length));
        entry += '\n';
        list.push_back(std::move(entry));
        if (end == std::wstring::npos)
            break;
        start = end + 1;
    }
    return list;
}
