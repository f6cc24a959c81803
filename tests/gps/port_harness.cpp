#include "port_harness.h"

#include "kit/outside.h"
#include "support/test_support.h"
#include "support/window_support.h"

#include <tlhelp32.h>

#include <cstdlib>
#include <cstring>
#include <mutex>

namespace porttest {

namespace {

std::mutex SoundLock;
std::vector<std::wstring> SoundsSeen;

void RecordSound(const wchar_t* name)
{
    std::lock_guard<std::mutex> hold(SoundLock);
    SoundsSeen.push_back(name);
}

std::string Narrow(const wchar_t* w)
{
    std::string s;
    for (; *w; ++w)
        s += static_cast<char>(*w < 0x80 ? *w : '?');
    return s;
}

std::string EnvText(const char* name)
{
    const char* v = std::getenv(name);
    return v ? v : "";
}

std::wstring Widen(const std::string& s) { return testsupport::Wide(s); }

}  // namespace

TestWindow::TestWindow() : window_(false, [this](UINT msg, WPARAM wParam, LPARAM lParam) { Take(msg, wParam, lParam); })
{
}

void TestWindow::Take(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_GPSDATA) {
        Received r{};
        r.kind = GpsInputKind.load();
        // lParam is the port, and the port is its live record.
        std::memcpy(&r.record, reinterpret_cast<const GPS_CURRENT*>(lParam), sizeof r.record);
        if (r.kind == kGpsInputSirf) {
            const auto* f = reinterpret_cast<const SirfFrame*>(wParam);
            r.frame.assign(f->payload, f->payload + f->length);
        } else {
            r.line = Narrow(reinterpret_cast<const wchar_t*>(wParam));
        }
        messages.push_back(r);
        if (onGpsData)
            onGpsData(messages.back());
    }
    if (msg == WM_SETTEXT && lParam)
        titles.push_back(reinterpret_cast<const wchar_t*>(lParam));
}

std::vector<std::wstring> Sounds()
{
    std::lock_guard<std::mutex> hold(SoundLock);
    return SoundsSeen;
}

std::unique_ptr<GpsPort> NewPort(TestWindow* window, const wchar_t* com, uint32_t baud)
{
    {
        std::lock_guard<std::mutex> hold(SoundLock);
        SoundsSeen.clear();
    }
    // The sounds of a real port would go to a sound device the tests lack.
    OutsideSeams.playSound = RecordSound;
    const std::wstring name = com ? std::wstring(com) : ComName();
    auto port = std::make_unique<GpsPort>(name.c_str(), baud);
    port->SetWindow(window->Handle());
    return port;
}

// What is waiting is dispatched first, even when done() holds already.
bool PumpUntil(const std::function<bool()>& done, DWORD ms)
{
    testsupport::Pump();
    return testsupport::PumpUntil(done, ms);
}

void PumpFor(DWORD ms)
{
    PumpUntil([] { return false; }, ms);
}

int ThreadCount()
{
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snap == INVALID_HANDLE_VALUE)
        return -1;
    THREADENTRY32 te{};
    te.dwSize = sizeof te;
    int n = 0;
    const DWORD me = GetCurrentProcessId();
    for (BOOL ok = Thread32First(snap, &te); ok; ok = Thread32Next(snap, &te))
        if (te.th32OwnerProcessID == me)
            ++n;
    CloseHandle(snap);
    return n;
}

int HandleCount()
{
    // Every handle value of this process that the system knows.
    // GetProcessHandleCount answers 0 under Wine, and the system-wide handle
    // list cannot be used either: building it while other test processes of
    // the prefix start and end crashes the Wine server, and every program
    // connected to it with it.
    // New handles take the lowest free value, so the values in use end
    // well before a long run of free ones.
    constexpr int kFreeRunAtEnd = 1024;
    int n = 0;
    int free = 0;
    for (ULONG_PTR value = 4; free < kFreeRunAtEnd; value += 4) {
        DWORD flags = 0;
        if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) {
            ++n;
            free = 0;
        } else {
            ++free;
        }
    }
    return n;
}

std::wstring ComName()
{
    return Widen(EnvText("PATHVEX_GPS_COM"));
}

std::wstring AliasName()
{
    return Widen(EnvText("PATHVEX_GPS_ALIAS"));
}

FarEnd::FarEnd()
{
    const std::wstring path = Widen(EnvText("PATHVEX_GPS_PAIR"));
    h_ = path.empty() ? INVALID_HANDLE_VALUE
                      : CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, 0, nullptr);
}

FarEnd::~FarEnd()
{
    if (h_ != INVALID_HANDLE_VALUE)
        CloseHandle(h_);
}

bool FarEnd::Send(const std::string& bytes)
{
    DWORD written = 0;
    return h_ != INVALID_HANDLE_VALUE &&
           WriteFile(h_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

std::string FarEnd::Receive(size_t size, DWORD ms)
{
    std::string out;
    if (h_ == INVALID_HANDLE_VALUE)
        return out;
    const ULONGLONG until = GetTickCount64() + ms;
    while (out.size() < size) {
        const ULONGLONG now = GetTickCount64();
        if (now >= until)
            break;
        // Returns as soon as anything came, or when the time is up.
        COMMTIMEOUTS t{};
        t.ReadIntervalTimeout = MAXDWORD;
        t.ReadTotalTimeoutMultiplier = MAXDWORD;
        t.ReadTotalTimeoutConstant = static_cast<DWORD>(until - now);
        SetCommTimeouts(h_, &t);
        char buf[512];
        DWORD n = 0;
        const DWORD want = static_cast<DWORD>(size - out.size() < sizeof buf ? size - out.size() : sizeof buf);
        if (!ReadFile(h_, buf, want, &n, nullptr))
            break;
        out.append(buf, n);
    }
    return out;
}

bool ControlPair(const char* what)
{
    const std::string dir = EnvText("PATHVEX_GPS_CTL");
    if (dir.empty())
        return false;
    const std::string file = dir + "\\" + what;
    HANDLE h = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(h);
    const ULONGLONG until = GetTickCount64() + 10000;
    while (GetFileAttributesA(file.c_str()) != INVALID_FILE_ATTRIBUTES) {
        if (GetTickCount64() >= until)
            return false;
        Sleep(20);
    }
    return true;
}

std::string RecordingBytes(const std::string& log)
{
    size_t pos = 0;
    while (pos < log.size() && log[pos] == '#') {
        const size_t lf = log.find('\n', pos);
        if (lf == std::string::npos)
            return {};
        pos = lf + 1;
    }
    return log.substr(pos);
}

}  // namespace porttest
