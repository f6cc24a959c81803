#include "gps_test_util.h"

#include "gps/live_track.h"
#include "kit/outside.h"

#include <cstring>

namespace gpstest {

SentRecord Seen;
std::function<void(UINT msg)> OnSent;

namespace {

// The program's own sounds, put back when a port of NewPort goes.
const OUTSIDE_SEAMS kRealOutside = OutsideSeams;

void RecordSound(const wchar_t* name)
{
    Seen.sounds.push_back(name);
    if (OnSent)
        OnSent(0);
}

void Record(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_GPSDATA: {
        auto* port = reinterpret_cast<GpsPort*>(lParam);
        Seen.reportTypes.push_back(port->LiveRecord()->lastReportType);
        if (GpsInputKind.load() == kGpsInputSirf) {
            const auto* f = reinterpret_cast<const SirfFrame*>(wParam);
            Seen.frames.emplace_back(f->payload, f->payload + f->length);
        } else {
            Seen.lines.emplace_back(reinterpret_cast<const wchar_t*>(wParam));
        }
        break;
    }
    case WM_STATISTICSREFRESH:
        ++Seen.statistics;
        break;
    case WM_PAINT:
        ++Seen.repaints;
        break;
    case WM_KEYDOWN:
        if (wParam != VK_SPACE)
            return;
        ++Seen.spaces;
        break;
    default:
        return;
    }
    if (OnSent)
        OnSent(msg);
}

// The one recording window of the test, made on first use.
HWND RecordingWindow()
{
    static PortWindow window(true, Record);
    return window.Handle();
}

}  // namespace

void PortEnd::operator()(GpsPort* port) const
{
    delete port;
    {
        LiveRecordGuard hold(&GpsDevice);
        RecorderState.store(kRecorderIdle);
        ActiveTrack = TRACK{};
        DrawnPath.clear();
    }
    OutsideSeams = kRealOutside;
    OnSent = nullptr;
}

TestPort NewPort()
{
    const HWND window = RecordingWindow();
    Seen = SentRecord{};
    OutsideSeams.playSound = RecordSound;
    TestPort port(new GpsPort());
    port->SetWindow(window);
    RecordEveryFix(port.get());
    return port;
}

void RecordEveryFix(GpsPort* port)
{
    RecorderState.store(kRecorderIdle);
    StartRecording();
    LiveRecordGuard hold(port);
    // No filter holds a fix back.
    ActiveTrack.speedThreshold = -1.0f;
    ActiveTrack.angleThreshold = -1.0f;
}

size_t Ticks(GpsPort* port)
{
    LiveRecordGuard hold(port);
    return ActiveTrack.points.size();
}

int Apply(GpsPort* port, std::string_view sentence)
{
    NmeaMessage msg;
    port->ParseNmea(sentence, &msg, true);
    return msg.kind;
}

void Feed(GpsPort* port, std::string_view chunk)
{
    port->AssembleInput(chunk.data(), chunk.size());
}

std::string SirfFrameBytes(const std::string& payload)
{
    std::string f = "\xA0\xA2";
    f += static_cast<char>(payload.size() >> 8);
    f += static_cast<char>(payload.size() & 0xFF);
    f += payload;
    const uint16_t sum = CalcSirfChecksum(reinterpret_cast<const uint8_t*>(payload.data()), payload.size());
    f += static_cast<char>(sum >> 8);
    f += static_cast<char>(sum & 0xFF);
    f += "\xB0\xB3";
    return f;
}

GuardedText::GuardedText(std::string_view text, bool guardBefore)
{
    SYSTEM_INFO si;
    GetSystemInfo(&si);
    const size_t page = si.dwPageSize;
    const size_t pages = (text.size() + page - 1) / page + 1;
    base_ = VirtualAlloc(nullptr, pages * page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (!base_)
        return;
    char* guard = static_cast<char*>(base_) + (guardBefore ? 0 : (pages - 1) * page);
    DWORD old;
    VirtualProtect(guard, page, PAGE_NOACCESS, &old);
    char* start = guardBefore ? guard + page : guard - text.size();
    std::memcpy(start, text.data(), text.size());
    start_ = start;
    size_ = text.size();
}

GuardedText::~GuardedText()
{
    if (base_)
        VirtualFree(base_, 0, MEM_RELEASE);
}

}  // namespace gpstest
