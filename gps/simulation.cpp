// The simulation feed: the list, its position, the two modes and the taps.
#include "gps/simulation.h"

#include "gps/gps.h"

#include <cstring>
#include <cwchar>
#include <iterator>

std::atomic<int> SimulationMode{kSimulationTapping};
std::atomic<uint32_t> SimulationTapCount{0};

namespace {

class StepEventOwner {
public:
    StepEventOwner() : event_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}
    ~StepEventOwner()
    {
        if (event_)
            CloseHandle(event_);
    }
    StepEventOwner(const StepEventOwner&) = delete;
    StepEventOwner& operator=(const StepEventOwner&) = delete;
    HANDLE event_;
};

StepEventOwner StepEvent;

class FeedLock {
public:
    explicit FeedLock(CRITICAL_SECTION* cs) : cs_(cs) { EnterCriticalSection(cs_); }
    ~FeedLock() { LeaveCriticalSection(cs_); }
    FeedLock(const FeedLock&) = delete;
    FeedLock& operator=(const FeedLock&) = delete;

private:
    CRITICAL_SECTION* cs_;
};

}  // namespace

// Bound to the holder's member at compile time, so it is valid in every
// translation unit's initialisation; the event itself exists once the
// holder above has been constructed.
const HANDLE& SimulationStepEvent = StepEvent.event_;

// The checksums are placeholders: the parser does not verify them.
const char* const kSimulationDemonstration[23] = {
    "$GPGSV,2,1,08,01,40,083,46,02,17,308,41,12,07,344,39,14,22,228,45*75",
    "$GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1*39",
    "$GPRMC,120000,A,0000.0000,N,0000.0000,E,022.4,315.0,010107,003.1,W*6A",
    "$GPRMC,120001,A,2230.0000,N,4500.0000,W,022.4,315.0,010107,003.1,W*6A",
    "$GPRMC,120002,A,4500.0000,N,9000.0000,W,023.4,315.0,010107,003.1,W*6A",
    "$GPRMC,120003,A,6730.0000,N,13500.000,W,024.4,315.0,010107,003.1,W*6A",
    "$GPRMC,130000,A,9000.0000,N,18000.000,W,055.1,090.0,010107,003.1,W*6A",
    "$GPRMC,130001,A,9000.0000,N,9000.0000,W,055.1,090.0,010107,003.1,W*6A",
    "$GPRMC,130002,A,9000.0000,N,0000.0000,E,080.4,090.0,010107,003.1,W*6A",
    "$GPRMC,130003,A,9000.0000,N,9000.0000,E,124.4,090.0,010107,003.1,W*6A",
    "$GPRMC,140000,A,9000.0000,N,18000.000,E,155.1,180.0,010107,003.1,W*6A",
    "$GPRMC,140001,A,4500.0000,N,18000.000,E,155.1,180.0,010107,003.1,W*6A",
    "$GPRMC,140002,A,0000.0000,N,18000.000,E,180.4,180.0,010107,003.1,W*6A",
    "$GPRMC,140003,A,4500.0000,S,18000.000,E,224.4,180.0,010107,003.1,W*6A",
    "$GPRMC,150000,A,9000.0000,S,18000.000,E,255.1,270.0,010107,003.1,W*6A",
    "$GPRMC,150001,A,9000.0000,S,9000.0000,E,255.1,270.0,010107,003.1,W*6A",
    "$GPRMC,150002,A,9000.0000,S,0000.0000,E,280.4,270.0,010107,003.1,W*6A",
    "$GPRMC,150003,A,9000.0000,S,9000.0000,W,324.4,270.0,010107,003.1,W*6A",
    "$GPRMC,160000,A,9000.0000,S,18000.000,W,355.1,000.0,010107,003.1,W*6A",
    "$GPRMC,160001,A,6730.0000,S,13500.000,W,255.1,045.0,010107,003.1,W*6A",
    "$GPRMC,160002,A,4500.0000,S,9000.0000,W,155.4,045.0,010107,003.1,W*6A",
    "$GPRMC,160003,A,2230.0000,S,4500.0000,W,055.4,045.0,010107,003.1,W*6A",
    "$GPRMC,170000,A,0000.0000,N,0000.0000,E,001.1,000.0,010107,003.1,W*6A",
};

SimulationFeed SimulationList;

SimulationFeed::SimulationFeed() : position_(0)
{
    InitializeCriticalSection(&lock_);
}

SimulationFeed::~SimulationFeed()
{
    DeleteCriticalSection(&lock_);
}

void SimulationFeed::Replace(std::vector<std::string> sentences)
{
    FeedLock hold(&lock_);
    list_.swap(sentences);
    position_ = 0;
    SimulationTapCount.store(0);
}

void SimulationFeed::LoadDemonstration()
{
    Replace(std::vector<std::string>(std::begin(kSimulationDemonstration), std::end(kSimulationDemonstration)));
}

bool SimulationFeed::SetSentence(size_t index, const std::string& sentence)
{
    FeedLock hold(&lock_);
    if (index >= list_.size())
        return false;
    list_[index] = sentence;
    return true;
}

std::string SimulationFeed::Sentence(size_t index) const
{
    FeedLock hold(&lock_);
    return index < list_.size() ? list_[index] : std::string();
}

std::vector<std::string> SimulationFeed::Sentences() const
{
    FeedLock hold(&lock_);
    return list_;
}

size_t SimulationFeed::Size() const
{
    FeedLock hold(&lock_);
    return list_.size();
}

uint32_t SimulationFeed::Position() const
{
    FeedLock hold(&lock_);
    return position_;
}

size_t SimulationFeed::TakeNext(char* buffer, size_t size)
{
    FeedLock hold(&lock_);
    if (list_.empty() || !buffer || size < 3)
        return 0;
    // A new, shorter list may have been installed without a reset.
    if (position_ >= list_.size())
        position_ = 0;
    const std::string& s = list_[position_];
    const size_t n = s.size() < size - 3 ? s.size() : size - 3;
    std::memcpy(buffer, s.data(), n);
    buffer[n] = '\r';
    buffer[n + 1] = '\n';
    buffer[n + 2] = 0;

    // Taps that came before the reader woke skip sentences; a tap count
    // beyond the end (the list shrank, or taps outran it) starts over.
    const uint32_t next = SimulationMode.load() == kSimulationTimer ? position_ + 1 : SimulationTapCount.load();
    if (next >= list_.size()) {
        position_ = 0;
        SimulationTapCount.store(0);
    } else {
        position_ = next;
    }
    return n + 2;
}

uint32_t TapSimulation()
{
    const uint32_t taps = SimulationTapCount.fetch_add(1) + 1;
    SetEvent(SimulationStepEvent);
    return taps < SimulationList.Size() ? taps : 0;
}

void FormatSimulationIndex(wchar_t* text, size_t size)
{
    FormatSimulationIndex(text, size, SimulationList.Position());
}

void FormatSimulationIndex(wchar_t* text, size_t size, uint32_t index)
{
    if (!text || size == 0)
        return;
    std::swprintf(text, size, L"Sim index: %u/%u", static_cast<unsigned>(index),
                  static_cast<unsigned>(SimulationList.Size()));
}

void AutoAdvanceSimulation(GpsPort* port, HWND mainWindow)
{
    if (!port || !port->IsSimulation() || SimulationMode.load() != kSimulationTapping)
        return;
    // The reader thread reads no keyboard input of its own, so its
    // GetKeyState never sees Shift go down; the asynchronous state is the
    // key as the user holds it.
    if (GetAsyncKeyState(VK_SHIFT) >= 0)
        return;
    if (port->LiveRecord()->kmh != 0.0)
        return;
    SendMessageW(mainWindow, WM_KEYDOWN, VK_SPACE, 0);
}
