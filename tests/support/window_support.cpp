#include "support/window_support.h"

#include <commctrl.h>

namespace testsupport {
namespace {

constexpr DWORD kAnswerMs = 20000;
constexpr wchar_t kPortWindowClass[] = L"PathvexTestPortWindow";

}  // namespace

PortWindow::PortWindow(bool visible, Handler onMessage, int width, int height)
    : onMessage_(std::move(onMessage)), hwnd_(nullptr)
{
    WNDCLASSW wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kPortWindowClass;
    RegisterClassW(&wc);   // fails harmlessly once registered
    if (!visible) {
        hwnd_ = CreateWindowExW(0, kPortWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, this);
        return;
    }
    hwnd_ = CreateWindowExW(WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW, kPortWindowClass, L"", WS_POPUP, 0, 0, width, height,
                            nullptr, nullptr, wc.hInstance, this);
    if (hwnd_) {
        ShowWindow(hwnd_, SW_SHOWNOACTIVATE);
        UpdateWindow(hwnd_);
    }
}

PortWindow::~PortWindow()
{
    DestroyWindow(hwnd_);
}

LRESULT CALLBACK PortWindow::Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    auto* self = reinterpret_cast<PortWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self && self->onMessage_)
        self->onMessage_(msg, wParam, lParam);
    if (msg == WM_PAINT) {
        PAINTSTRUCT ps;
        BeginPaint(hwnd, &ps);
        EndPaint(hwnd, &ps);
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

void Pump()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT)
            continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

bool PumpUntil(const std::function<bool()>& done, DWORD ms)
{
    const ULONGLONG until = GetTickCount64() + ms;
    while (!done()) {
        if (GetTickCount64() > until)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        Pump();
    }
    return true;
}

bool WaitFor(const std::function<bool()>& done, DWORD ms)
{
    const ULONGLONG until = GetTickCount64() + ms;
    while (!done()) {
        if (GetTickCount64() > until)
            return false;
        Sleep(20);
    }
    return true;
}

std::wstring WindowText(HWND window)
{
    wchar_t text[4096] = {};
    GetWindowTextW(window, text, 4096);
    return text;
}

std::wstring ItemText(HWND dialog, int id)
{
    return WindowText(GetDlgItem(dialog, id));
}

std::wstring BoxText(HWND box)
{
    return ItemText(box, 0xFFFF);
}

std::wstring ListCell(HWND list, int row, int column)
{
    wchar_t text[512] = {};
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = 512;
    SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return text;
}

HWND FindDialog(DWORD pid, const std::function<bool(HWND)>& match, HWND skip)
{
    HWND w = nullptr;
    while ((w = FindWindowExW(nullptr, w, L"#32770", nullptr)) != nullptr) {
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        if (owner == pid && w != skip && IsWindowVisible(w) && match(w))
            return w;
    }
    return nullptr;
}

DialogAnswerer::DialogAnswerer(const wchar_t* caption, std::function<int(HWND)> answer, bool repeat)
    : DialogAnswerer([text = std::wstring(caption)](HWND w) { return WindowText(w) == text; }, std::move(answer),
                     repeat)
{
}

DialogAnswerer::DialogAnswerer(Match match, std::function<int(HWND)> answer, bool repeat)
    : match_(std::move(match)), answer_(std::move(answer)), repeat_(repeat), thread_([this] { Run(); })
{
}

DialogAnswerer::~DialogAnswerer()
{
    stop_ = true;
    if (thread_.joinable())
        thread_.join();
}

bool DialogAnswerer::Answered()
{
    if (!repeat_ && thread_.joinable())
        thread_.join();
    return answered_;
}

DialogAnswerer::Match DialogAnswerer::BoxSaying(std::wstring text)
{
    return [text = std::move(text)](HWND w) { return BoxText(w) == text; };
}

void DialogAnswerer::Run()
{
    const ULONGLONG until = GetTickCount64() + kAnswerMs;
    HWND last = nullptr;
    while (!stop_ && (repeat_ || GetTickCount64() < until)) {
        if (last && !IsWindow(last))
            last = nullptr;
        if (HWND w = FindDialog(GetCurrentProcessId(), match_, last)) {
            const int button = answer_(w);
            // Answered before the button goes: the dialog's caller may look
            // at it as soon as the dialog ends.
            answered_ = true;
            if (button)
                PostMessageW(w, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
            if (!repeat_)
                return;
            last = w;
        }
        Sleep(20);
    }
}

}  // namespace testsupport
