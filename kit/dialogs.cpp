// The shared modal dialogs: text entry, coordinates and list selection, and
// the program's Yes/No question and message box.
#include "kit/dialogs.h"

#include "kit/program.h"
#include "resources/resource.h"
#if defined(PATHVEX_HANDHELD)
#include "platform/handheld/handheld.h"
#endif

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <iterator>
#include <utility>
#include <vector>

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
        // A list of many entries (every placemark of a large file) is filled
        // unseen, with its room taken once: painted after each line, it took
        // minutes.
        HWND list = GetDlgItem(dialog, IDC_ENTRY_TEXT);
        size_t bytes = 0;
        for (const std::wstring& e : *r->entries)
            bytes += (e.size() + 1) * sizeof(wchar_t);
        SendMessageW(list, WM_SETREDRAW, FALSE, 0);
        SendMessageW(list, LB_INITSTORAGE, r->entries->size(), LPARAM(bytes));
        for (const std::wstring& e : *r->entries)
            SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(e.c_str()));
        SendMessageW(list, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(list, nullptr, TRUE);
        return TRUE;
    }
    case WM_COMMAND:
        if (EndOnOkOrCancel(dialog, wParam, [&] {
                auto* r = Request<SELECT_REQUEST>(dialog);
                r->selected.assign(r->entries->size(), false);
                // The chosen entries in one call: asked line by line, a list
                // of many entries took seconds.
                HWND list = GetDlgItem(dialog, IDC_ENTRY_TEXT);
                // A single-choice list has no selection count.
                std::vector<int> chosen;
                const LRESULT count = SendMessageW(list, LB_GETSELCOUNT, 0, 0);
                if (count == LB_ERR) {
                    chosen.push_back(int(SendMessageW(list, LB_GETCURSEL, 0, 0)));
                } else if (count > 0) {
                    chosen.resize(size_t(count));
                    const LRESULT got = SendMessageW(list, LB_GETSELITEMS, chosen.size(),
                                                     reinterpret_cast<LPARAM>(chosen.data()));
                    chosen.resize(got > 0 ? size_t(got) : 0);
                }
                for (int i : chosen)
                    if (i >= 0 && size_t(i) < r->selected.size())
                        r->selected[size_t(i)] = true;
            }))
            return TRUE;
        break;
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

std::wstring WholeWindowText(HWND window)
{
    const int length = GetWindowTextLengthW(window);
    if (length <= 0)
        return {};
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const int got = GetWindowTextW(window, text.data(), length + 1);
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return text;
}

bool AskYesNo(HWND owner, const wchar_t* text, bool noDefault)
{
    const UINT type = MB_YESNO | (noDefault ? MB_DEFBUTTON2 : 0);
    return MessageBoxW(owner, text, kProgramTitle, type) == IDYES;
}

int ProgramMessageBox(HWND owner, const wchar_t* text, UINT type)
{
    return MessageBoxW(owner, text, kProgramTitle, type);
}
