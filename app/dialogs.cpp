// The shared modal dialogs: text entry, coordinates, list selection and the
// simulation editor.
#include "app/dialogs.h"

#include "gps/simulation.h"
#include "resources/resource.h"
#include "xml/utf8text.h"
#if defined(PATHVEX_HANDHELD)
#include "platform/handheld/handheld.h"
#endif

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <iterator>
#include <string_view>
#include <utility>

namespace {

// Characters of one coordinate edit that are read.
constexpr int kXyzFieldChars = 100;

struct TEXT_ENTRY_REQUEST {
    const wchar_t* title;
    const wchar_t* prompt;
    wchar_t* text;   // kTextEntryBufferSize
};

struct XYZ_REQUEST {
    unsigned mask;   // bit 0 x, bit 1 y, bit 2 z
    double value[3];
};

struct SELECT_REQUEST {
    const wchar_t* title;
    const wchar_t* prompt;
    const std::vector<std::wstring>* entries;
    std::vector<bool> selected;
};

HINSTANCE ProgramModule()
{
    return GetModuleHandleW(nullptr);
}

template <typename T>
T* Request(HWND dialog)
{
    return reinterpret_cast<T*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

template <typename T>
T* KeepRequest(HWND dialog, LPARAM lParam)
{
    SetWindowLongPtrW(dialog, DWLP_USER, lParam);
#if defined(PATHVEX_HANDHELD)
    InitHandheldDialog(dialog);
#endif
    return reinterpret_cast<T*>(lParam);
}

std::wstring WindowText(HWND window)
{
    const int length = GetWindowTextLengthW(window);
    if (length <= 0)
        return {};
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const int got = GetWindowTextW(window, text.data(), length + 1);
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return text;
}

// OK reads the controls back into the request, then OK and Cancel end the
// dialog with their own id; any other command is left to the dialog.
template <typename ReadBack>
bool EndOnOkOrCancel(HWND dialog, WPARAM wParam, ReadBack readBack)
{
    const int id = LOWORD(wParam);
    if (id != IDOK && id != IDCANCEL)
        return false;
    if (id == IDOK)
        readBack();
    EndDialog(dialog, id);
    return true;
}

INT_PTR CALLBACK TextEntryDlgProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_INITDIALOG: {
        const auto* r = KeepRequest<TEXT_ENTRY_REQUEST>(dialog, lParam);
        SetWindowTextW(dialog, r->title);
        SetDlgItemTextW(dialog, IDC_ENTRY_PROMPT, r->prompt);
        SendDlgItemMessageW(dialog, IDC_ENTRY_TEXT, EM_SETLIMITTEXT, kTextEntryChars, 0);
        SetDlgItemTextW(dialog, IDC_ENTRY_TEXT, r->text);
        return TRUE;
    }
    case WM_COMMAND:
        if (EndOnOkOrCancel(dialog, wParam, [&] {
                auto* r = Request<TEXT_ENTRY_REQUEST>(dialog);
                GetDlgItemTextW(dialog, IDC_ENTRY_TEXT, r->text, static_cast<int>(kTextEntryBufferSize));
            }))
            return TRUE;
        break;
    }
    return FALSE;
}

constexpr int kXyzEdits[3] = {IDC_XYZ_X, IDC_XYZ_Y, IDC_XYZ_Z};
constexpr int kXyzLabels[3] = {IDC_XYZ_X_LABEL, IDC_XYZ_Y_LABEL, IDC_XYZ_Z_LABEL};

INT_PTR CALLBACK XyzDlgProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_INITDIALOG: {
        const auto* r = KeepRequest<XYZ_REQUEST>(dialog, lParam);
        for (int i = 0; i < 3; ++i) {
            if (r->mask & (1u << i)) {
                wchar_t text[64];
                std::swprintf(text, std::size(text), L"%.7f", r->value[i]);
                SetDlgItemTextW(dialog, kXyzEdits[i], text);
            } else {
                ShowWindow(GetDlgItem(dialog, kXyzLabels[i]), SW_HIDE);
                ShowWindow(GetDlgItem(dialog, kXyzEdits[i]), SW_HIDE);
            }
        }
        return TRUE;
    }
    case WM_COMMAND:
        if (EndOnOkOrCancel(dialog, wParam, [&] {
                auto* r = Request<XYZ_REQUEST>(dialog);
                for (int i = 0; i < 3; ++i) {
                    if (!(r->mask & (1u << i)))
                        continue;
                    wchar_t text[kXyzFieldChars + 1] = {};
                    GetDlgItemTextW(dialog, kXyzEdits[i], text, kXyzFieldChars + 1);
                    r->value[i] = std::wcstod(text, nullptr);
                }
            }))
            return TRUE;
        break;
    }
    return FALSE;
}

INT_PTR CALLBACK SelectListDlgProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_INITDIALOG: {
        const auto* r = KeepRequest<SELECT_REQUEST>(dialog, lParam);
        SetWindowTextW(dialog, r->title);
        SetDlgItemTextW(dialog, IDC_ENTRY_PROMPT, r->prompt);
        for (const std::wstring& e : *r->entries)
            SendDlgItemMessageW(dialog, IDC_ENTRY_TEXT, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(e.c_str()));
        return TRUE;
    }
    case WM_COMMAND:
        if (EndOnOkOrCancel(dialog, wParam, [&] {
                auto* r = Request<SELECT_REQUEST>(dialog);
                r->selected.clear();
                for (size_t i = 0; i < r->entries->size(); ++i)
                    r->selected.push_back(SendDlgItemMessageW(dialog, IDC_ENTRY_TEXT, LB_GETSEL, i, 0) > 0);
            }))
            return TRUE;
        break;
    }
    return FALSE;
}

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
        SimulationList.Replace(SimulationFromEditorText(WindowText(GetDlgItem(dialog, IDC_SIMDATA_TEXT))));
        EndDialog(dialog, 0);
        return TRUE;
    }
    return FALSE;
}

}  // namespace

bool ShowTextEntryDialog(HWND owner, const wchar_t* title, const wchar_t* prompt, wchar_t* text)
{
    TEXT_ENTRY_REQUEST r{title ? title : L"", prompt ? prompt : L"", text};
    return DialogBoxParamW(ProgramModule(), L"AT_DIALOG_EN", owner, TextEntryDlgProc, reinterpret_cast<LPARAM>(&r)) ==
           IDOK;
}

bool ShowXyzDialog(HWND owner, double* x, double* y, double* z)
{
    double* const target[3] = {x, y, z};
    XYZ_REQUEST r{};
    for (int i = 0; i < 3; ++i) {
        if (target[i]) {
            r.mask |= 1u << i;
            r.value[i] = *target[i];
        }
    }
    if (DialogBoxParamW(ProgramModule(), L"DIALOG_XYZ", owner, XyzDlgProc, reinterpret_cast<LPARAM>(&r)) != IDOK)
        return false;
    for (int i = 0; i < 3; ++i)
        if (target[i])
            *target[i] = r.value[i];
    return true;
}

bool ShowSelectDialog(HWND owner, const wchar_t* title, const wchar_t* prompt,
                      const std::vector<std::wstring>& entries, std::vector<bool>* selected, bool single)
{
    SELECT_REQUEST r{title ? title : L"", prompt ? prompt : L"", &entries, {}};
    if (DialogBoxParamW(ProgramModule(), single ? L"ATL1_DIALOG_EN" : L"ATL_DIALOG_EN", owner, SelectListDlgProc,
                        reinterpret_cast<LPARAM>(&r)) != IDOK)
        return false;
    if (selected)
        *selected = std::move(r.selected);
    return true;
}

void ShowSimulationEditor(HWND owner)
{
    DialogBoxParamW(ProgramModule(), L"DIALOG_SIMDATA", owner, SimDataDlgProc, 0);
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
