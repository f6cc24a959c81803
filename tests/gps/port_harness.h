// What the port tests stand on: a real "main window" that records every
// WM_GPSDATA and title the port gives it, the sounds it plays, the far end
// of the serial pair, and counts of the process's threads and handles.
#pragma once
#include "gps/gps.h"
#include "gps/gps_test_util.h"
#include "gps/simulation.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace porttest {

// One WM_GPSDATA as the window saw it.
struct Received {
    int kind;                   // GpsInputKind during the call
    std::string line;           // NMEA: the line, narrowed
    std::vector<uint8_t> frame; // SiRF: id and payload
    GPS_CURRENT record;         // the live record during the call
};

// A message-only window on the calling thread, recording message 1126 and
// the titles it is given. Runs the optional action inside the handler.
class TestWindow {
public:
    TestWindow();

    HWND Handle() const { return window_.Handle(); }
    std::vector<Received> messages;
    std::vector<std::wstring> titles;
    std::function<void(const Received&)> onGpsData;

private:
    void Take(UINT msg, WPARAM wParam, LPARAM lParam);
    gpstest::PortWindow window_;
};

// Sounds asked for, from either thread.
std::vector<std::wstring> Sounds();

// A port that hands every unit to window, as to the main window, its
// sounds recorded.
std::unique_ptr<GpsPort> NewPort(TestWindow* window, const wchar_t* com = nullptr, uint32_t baud = 4800);

// Dispatches this thread's messages until done() or ms have passed.
bool PumpUntil(const std::function<bool()>& done, DWORD ms = 5000);
void PumpFor(DWORD ms);

int ThreadCount();
int HandleCount();

// The port of the serial pair ("COM11") and the program's COM name as wide text.
std::wstring ComName();
// The same port under a name that is not "COMn" ("BTGPS11").
std::wstring AliasName();

// The far end of the serial pair: what the receiver would send and read.
class FarEnd {
public:
    FarEnd();
    ~FarEnd();
    FarEnd(const FarEnd&) = delete;
    FarEnd& operator=(const FarEnd&) = delete;
    bool IsOpen() const { return h_ != INVALID_HANDLE_VALUE; }
    bool Send(const std::string& bytes);
    // What arrives within ms, at most size bytes.
    std::string Receive(size_t size, DWORD ms);

private:
    HANDLE h_;
};

// Asks the harness script to end the pair ("cut") or start a new one
// ("renew"); true once it has.
bool ControlPair(const char* what);

// The payload bytes of a SiRF binary recording (header lines dropped).
std::string RecordingBytes(const std::string& log);

}  // namespace porttest
