// The serial port and the reader thread.
//
// One reader per port object, started by Open and ended by Close before the
// port's handles go: the reader waits on its read and on a stop event at
// once, so Close never has to close a handle under a pending read. Closing
// waits for the reader while dispatching the messages that the reader sends
// to this thread's windows; otherwise a reader inside its synchronous
// hand-over and a UI thread waiting for it would wait for each other.
#include "gps/gps.h"

#include "gps/simulation.h"
#include "kit/outside.h"

#include <cstring>
#include <cwchar>

std::atomic<bool> ReaderStopFlag{false};

namespace {

constexpr DWORD kReadIntervalMs = 250;   // a burst ends after this much quiet
constexpr DWORD kRetryDelayMs = 250;     // after a failed or empty read
constexpr DWORD kSimulationStepMs = 100;
constexpr DWORD kWriteWaitMs = 1000;
#if defined(PATHVEX_HANDHELD)
// Without overlapped I/O nothing wakes a blocking read; a total time-out
// lets the reader look at its stop event this often.
constexpr DWORD kReadSliceMs = 500;
#endif
constexpr wchar_t kDevicePrefix[] = L"\\\\.\\";
constexpr size_t kDevicePrefixLength = 4;
constexpr wchar_t kLineSettings[] = L"baud=%u parity=n data=8 stop=1";

#if defined(PATHVEX_HANDHELD)
// The handhelds have no overlapped I/O: reads and writes block.
constexpr DWORD kOpenFlags = 0;
#else
constexpr DWORD kOpenFlags = FILE_FLAG_OVERLAPPED;
#endif

void CloseAndClear(HANDLE* h, HANDLE empty)
{
    if (*h != empty && *h != nullptr && *h != INVALID_HANDLE_VALUE)
        CloseHandle(*h);
    *h = empty;
}

// Waits for the thread to end, dispatching the messages other threads send
// to this one meanwhile.
void WaitForThread(HANDLE thread)
{
    for (;;) {
        const DWORD r = MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_SENDMESSAGE);
        if (r == WAIT_OBJECT_0 + 1) {
            MSG msg;
            PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
            continue;
        }
        if (r != WAIT_OBJECT_0)
            WaitForSingleObject(thread, INFINITE);
        return;
    }
}

}  // namespace

GpsPort::GpsPort(const wchar_t* portName, uint32_t baud) : GpsPort()
{
    SetDevice(portName, baud);
}

GpsPort::~GpsPort()
{
    Close();
    CloseAndClear(&stopEvent_, nullptr);
    DeleteCriticalSection(&lock_);
}

void GpsPort::SetDevice(const wchar_t* portName, uint32_t baud)
{
    std::memset(device_, 0, sizeof device_);
    std::wcscpy(device_, kDevicePrefix);
    if (portName)
        std::wcsncpy(device_ + kDevicePrefixLength, portName, kDevicePathSize - kDevicePrefixLength - 1);
    device_[kDevicePathSize - 1] = 0;
    baud_ = baud;
}

bool GpsPort::Open(bool simulation, bool gpsDriver)
{
    // Code on the reader thread (a sound, a window it sends to) cannot wait
    // for its own thread to end, and a message handled while Close waits
    // must not start a reader.
    if (closing_ || (reader_ && GetCurrentThreadId() == readerId_))
        return false;
    Close();
    if (ReaderStopFlag.load())
        return false;
    simulation_ = simulation;
#if defined(PATHVEX_WM)
    gpsDriver_ = gpsDriver && !simulation;
#else
    (void)gpsDriver;
    gpsDriver_ = false;   // only pathvex-wm has the platform's GPS driver
#endif
    if (simulation_)
        return StartReader();
    if (gpsDriver_)
        return OpenGpsDriver();
    if (!OpenPort())
        return false;
    if (StartReader())
        return true;
    ReleasePort();
    return false;
}

bool GpsPort::Close()
{
    // While Close waits for the reader it dispatches the reader's messages;
    // a handler among them that closes again leaves the rest to this call.
    if (closing_)
        return false;
    closing_ = true;
    StopReader();
    closing_ = false;
    if (CloseGpsDriver()) {
        OutsideSeams.playSound(L"ERR2");
        return true;
    }
    if (port_ == INVALID_HANDLE_VALUE)
        return false;
    ReleasePort();
    OutsideSeams.playSound(L"ERR2");
    return true;
}

bool GpsPort::IsReaderRunning() const
{
    return reader_ && WaitForSingleObject(reader_, 0) == WAIT_TIMEOUT;
}

void GpsPort::Shutdown()
{
    ReaderStopFlag.store(true);
    SetEvent(SimulationStepEvent);
    Close();
}

bool GpsPort::OpenPort()
{
    port_ = CreateFileW(device_, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, kOpenFlags, nullptr);
    if (port_ == INVALID_HANDLE_VALUE)
        return false;
    OutsideSeams.playSound(L"OK");
    if (ConfigurePort())
        return true;
    // Nothing of a half-opened port may outlive the failure: a later Open
    // would otherwise overwrite the handles and leak them.
    ReleasePort();
    return false;
}

bool GpsPort::ConfigurePort()
{
#if !defined(PATHVEX_HANDHELD)
    readIo_.hEvent = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    writeIo_.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!readIo_.hEvent || !writeIo_.hEvent)
        return false;
#endif
    if (!SetCommMask(port_, EV_RXCHAR))
        return false;
    COMMTIMEOUTS timeouts{};
    GetCommTimeouts(port_, &timeouts);
    timeouts.ReadIntervalTimeout = kReadIntervalMs;
    timeouts.ReadTotalTimeoutMultiplier = 0;
#if defined(PATHVEX_HANDHELD)
    timeouts.ReadTotalTimeoutConstant = kReadSliceMs;
#else
    timeouts.ReadTotalTimeoutConstant = 0;
#endif
    timeouts.WriteTotalTimeoutMultiplier = 0;
    timeouts.WriteTotalTimeoutConstant = 0;
    if (!SetCommTimeouts(port_, &timeouts))
        return false;
#if !defined(PATHVEX_HANDHELD)
    // The line settings go on top of the port's current state, so only speed
    // and framing change. The text carries no port name: the system refuses
    // one that is not "COMn" (a Bluetooth or USB receiver's port), and the
    // settings are the same for any port. Where the port still refuses them
    // it keeps its previous line settings and is read as it is.
    wchar_t settings[80];
    std::swprintf(settings, sizeof settings / sizeof settings[0], kLineSettings, static_cast<unsigned>(baud_));
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (GetCommState(port_, &dcb) && BuildCommDCBW(settings, &dcb))
        SetCommState(port_, &dcb);
#endif
    return true;
}

void GpsPort::ReleasePort()
{
    CloseAndClear(&port_, INVALID_HANDLE_VALUE);
    CloseAndClear(&readIo_.hEvent, nullptr);
    CloseAndClear(&writeIo_.hEvent, nullptr);
    std::memset(&readIo_, 0, sizeof readIo_);
    std::memset(&writeIo_, 0, sizeof writeIo_);
}

bool GpsPort::StartReader()
{
    ResetEvent(stopEvent_);
    opened_.store(true);
    reader_ = CreateThread(nullptr, 0, GpsReaderThread, this, 0, &readerId_);
    if (!reader_) {
        opened_.store(false);
        readerId_ = 0;
        return false;
    }
    SetThreadPriority(reader_, THREAD_PRIORITY_IDLE);
    return true;
}

void GpsPort::StopReader()
{
    opened_.store(false);
    if (!reader_)
        return;
    SetEvent(stopEvent_);
    if (GetCurrentThreadId() == readerId_) {
        // Close from code running on the reader itself: it ends on its own
        // once that code returns and it sees the stop event.
        CloseAndClear(&reader_, nullptr);
        readerId_ = 0;
        return;
    }
    // Called from a WM_GPSDATA handler, the reader is waiting for this very
    // message: release it first, or both would wait for ever.
    if (InSendMessage())
        ReplyMessage(0);
    WaitForThread(reader_);
    CloseAndClear(&reader_, nullptr);
    readerId_ = 0;
}

DWORD WINAPI GpsPort::GpsReaderThread(void* self)
{
    static_cast<GpsPort*>(self)->RunReader();
    return 0;
}

bool GpsPort::StopRequested() const
{
    return ReaderStopFlag.load() || WaitForSingleObject(stopEvent_, 0) != WAIT_TIMEOUT;
}

void GpsPort::RunReader()
{
    if (gpsDriver_) {
        RunDriverReader();
        return;
    }
    while (!StopRequested()) {
        DWORD count = 0;
        const ReadResult r = Read(readBuffer_, sizeof readBuffer_, &count);
        if (r == ReadResult::kStopped)
            break;
        if (r == ReadResult::kData) {
            AssembleInput(readBuffer_, count);
            continue;
        }
#if defined(PATHVEX_HANDHELD)
        if (r == ReadResult::kFailed)
            break;   // a port gone, or closed under the read
#endif
        // A port that fails at once (unplugged, its far end gone) must not
        // turn the loop into a spin.
        if (r == ReadResult::kFailed)
            WaitForSingleObject(stopEvent_, kRetryDelayMs);
    }
}

GpsPort::ReadResult GpsPort::Read(char* buffer, size_t size, DWORD* count)
{
    *count = 0;
    if (!opened_.load())
        return ReadResult::kStopped;
    if (simulation_)
        return ReadSimulation(buffer, size, count);
    return ReadPort(buffer, size, count);
}

GpsPort::ReadResult GpsPort::ReadPort(char* buffer, size_t size, DWORD* count)
{
    const DWORD want = static_cast<DWORD>(size);
#if defined(PATHVEX_HANDHELD)
    if (!ReadFile(port_, buffer, want, count, nullptr))
        return ReadResult::kFailed;
    if (*count)
        return ReadResult::kData;
    // A quiet slice. A port whose far end has gone reads empty as well, but
    // no longer answers for its state.
    DWORD errors = 0;
    return ClearCommError(port_, &errors, nullptr) ? ReadResult::kNothing : ReadResult::kFailed;
#else
    if (ReadFile(port_, buffer, want, count, &readIo_))
        return *count ? ReadResult::kData : ReadResult::kFailed;
    if (GetLastError() != ERROR_IO_PENDING)
        return ReadResult::kFailed;
    HANDLE waits[2] = {stopEvent_, readIo_.hEvent};
    if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0 + 1) {
        // The read must be over before its buffer and event may go.
        CancelIoEx(port_, &readIo_);
        GetOverlappedResult(port_, &readIo_, count, TRUE);
        *count = 0;
        return ReadResult::kStopped;
    }
    if (!GetOverlappedResult(port_, &readIo_, count, FALSE))
        return ReadResult::kFailed;
    // With an interval time-out and no total time-out a read ends only after
    // a byte came; an empty one means the port is in trouble.
    return *count ? ReadResult::kData : ReadResult::kFailed;
#endif
}

GpsPort::ReadResult GpsPort::ReadSimulation(char* buffer, size_t size, DWORD* count)
{
    if (SimulationMode.load() == kSimulationTimer) {
        if (WaitForSingleObject(stopEvent_, kSimulationStepMs) != WAIT_TIMEOUT)
            return ReadResult::kStopped;
        if (HWND window = Window()) {
            wchar_t title[64];
            FormatSimulationIndex(title, sizeof title / sizeof title[0]);
            SetWindowTextW(window, title);
        }
    } else {
        // Waits for a tap, but looks again at the mode now and then: a
        // switch to timer mode brings no tap.
        HANDLE waits[2] = {stopEvent_, SimulationStepEvent};
        const DWORD r = WaitForMultipleObjects(2, waits, FALSE, kSimulationStepMs);
        if (r == WAIT_TIMEOUT)
            return ReadResult::kNothing;
        if (r != WAIT_OBJECT_0 + 1)
            return ReadResult::kStopped;
    }
    if (!opened_.load() || ReaderStopFlag.load())
        return ReadResult::kStopped;
    *count = static_cast<DWORD>(SimulationList.TakeNext(buffer, size));
    return *count ? ReadResult::kData : ReadResult::kNothing;
}

bool GpsPort::Write(const void* bytes, size_t count)
{
    if (port_ == INVALID_HANDLE_VALUE || !bytes || count > MAXDWORD)
        return false;
    if (count == 0)
        return true;
    const DWORD want = static_cast<DWORD>(count);
    DWORD written = 0;
#if defined(PATHVEX_HANDHELD)
    if (!WriteFile(port_, bytes, want, &written, nullptr))
        return false;
#else
    if (!WriteFile(port_, bytes, want, &written, &writeIo_)) {
        if (GetLastError() != ERROR_IO_PENDING)
            return false;
        // A receiver that takes nothing (flow control, no far end) must not
        // hold the UI thread: give up after a while.
        if (WaitForSingleObject(writeIo_.hEvent, kWriteWaitMs) != WAIT_OBJECT_0)
            CancelIoEx(port_, &writeIo_);
        if (!GetOverlappedResult(port_, &writeIo_, &written, TRUE))
            return false;
    }
#endif
    return written == want;
}

