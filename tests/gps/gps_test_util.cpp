#include "gps_test_util.h"

#include <cstring>

namespace gpstest {

HookRecord Seen;
uint32_t CellId = 0;

namespace {

void RecordSound(const wchar_t* name) { Seen.sounds.push_back(name); }
void RecordRepaint() { ++Seen.repaints; }
void RecordStatistics() { ++Seen.statistics; }
void RecordTick(GpsPort*, uint32_t) { ++Seen.ticks; }
void RecordAdvance(GpsPort*) { ++Seen.advances; }
uint32_t ReportCellId() { return CellId; }

void RecordHandOver(GpsPort* port, WPARAM data)
{
    Seen.reportTypes.push_back(port->LiveRecord()->lastReportType);
    if (GpsInputKind.load() == kGpsInputSirf) {
        const auto* f = reinterpret_cast<const SirfFrame*>(data);
        Seen.frames.emplace_back(f->payload, f->payload + f->length);
        return;
    }
    Seen.lines.emplace_back(reinterpret_cast<const wchar_t*>(data));
}

}  // namespace

void InstallRecordingHooks(GpsPort* port)
{
    Seen = HookRecord{};
    CellId = 0;
    GpsHooks h{};
    h.playSound = RecordSound;
    h.repaintMainWindow = RecordRepaint;
    h.refreshStatistics = RecordStatistics;
    h.handOver = RecordHandOver;
    h.recorderTick = RecordTick;
    h.currentCellId = ReportCellId;
    h.autoAdvanceSimulation = RecordAdvance;
    port->SetHooks(h);
}

std::unique_ptr<GpsPort> NewPort()
{
    auto port = std::make_unique<GpsPort>();
    InstallRecordingHooks(port.get());
    return port;
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
