// gps/gps.h - GPS receiver input.
//
// Offers the one GpsPort: the live GPS_CURRENT record as its first member,
// the serial port (in pathvex-wm also the platform's GPS driver, whose
// records the reader applies as a position and a satellite report) with its
// reader thread, stream assembly of NMEA lines and SiRF frames from raw
// receiver bytes, the NMEA parser and the SiRF decoder applied to the live
// record, and the NMEA log. The simulation feed is in
// gps/simulation.h, the geodesy and unit functions in gps/geodesy.h, the
// records in gps/gps_record.h, the sentence parsing itself in gps/nmea.h,
// what is sent to the receiver in gps/receiver_commands.h, and the live
// track the reader's batches move on (the recorder, route following, the
// trip distance) in gps/live_track.h.
//
// Threads: Open, Close, Shutdown and Write belong to the UI thread. Open
// starts exactly one reader thread per port object; Close and Shutdown end
// it and wait for it, dispatching the messages it sends meanwhile, before
// they release the port. The reader alone calls AssembleInput and
// HandleInput. Each unit of input (one NMEA line, one SiRF frame) is
// applied to the live record under the port's lock; the lock is released
// before anything is sent, so the hand-over to the port's window (a
// synchronous WM_GPSDATA), the sounds, the repaint and the statistics
// refresh never wait on a lock that the UI thread may be holding. After each
// batch the reader runs the live track's tick (gps/live_track.h), which
// takes the lock itself. The UI thread's reads between hand-overs
// (painting, timers, commands) go through LiveRecordGuard or
// GpsPort::Snapshot.
//
// What belongs to the main window goes to the port's window (SetWindow):
// WM_GPSDATA, the title, the repaint, WM_STATISTICSREFRESH, route arrival
// and the simulation's Space key; without a window nothing is sent. Sounds go
// through OutsideSeams (kit/outside.h). Nothing here throws: failures are
// return values, and bad receiver bytes are dropped, never trusted.
#pragma once
#include "gps/geodesy.h"
#include "gps/gps_record.h"
#include "gps/nmea.h"
#include "kit/astro.h"
#include "resources/resource.h"

#include <windows.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string_view>
#include <vector>

class GpsPort;
struct GPS_DRIVER_POSITION;   // platform/handheld/gps_api.h

// WM_GPSDATA (resources/resource.h) goes from the reader thread to the
// port's window once per unit, after the unit was applied. wParam: the NMEA
// line as zero-terminated UTF-16 (no CR LF) or the SirfFrame, valid only
// during the call. lParam: the GpsPort. WM_STATISTICSREFRESH (no
// parameters) follows a unit that brought a new speed or altitude maximum.

// The kind of the latest input (GpsInputKind).
inline constexpr int kGpsInputNmea = 0;
inline constexpr int kGpsInputSirf = 1;
inline constexpr int kGpsInputDriver = 2;   // pathvex-wm's GPS driver
// Set by input assembly on the reader thread; read by the raw log screen and
// the SiRF command menu on the UI thread.
extern std::atomic<int> GpsInputKind;

// One SiRF binary frame as the decoder and the main window receive it.
struct SirfFrame {
    static constexpr size_t kMaxPayload = 1024;
    uint16_t start;        // 0xA0A2, the first two bytes big-endian
    uint16_t length;       // payload length, big-endian on the wire
    uint8_t payload[kMaxPayload];   // byte 0 is the message id; the rest zero
    uint16_t checksum;     // as sent; not verified
    uint16_t end;          // 0xB0B3 as sent; not verified
};

// Applies one frame to the live record: geodetic navigation data (41),
// measured navigation data (2) and the visible list (13); any other id
// changes nothing. Reads stay inside the frame's payload length. cellId goes
// into the record with a geodetic message. Called by HandleInput with the
// live record's lock held: it must neither send messages nor play sounds.
void DecodeSirfMessage(GpsPort* port, const SirfFrame* frame, uint32_t cellId = 0);

// A big-endian value as SiRF sends it, turned into this machine's order.
inline uint16_t SwapBytes16(uint16_t v)
{
    return static_cast<uint16_t>((v >> 8) | (v << 8));
}
inline uint32_t SwapBytes32(uint32_t v)
{
    return (v >> 24) | ((v >> 8) & 0xFF00u) | ((v << 8) & 0xFF0000u) | (v << 24);
}

// The 15-bit sum of a SiRF payload: what an outgoing frame carries.
uint16_t CalcSirfChecksum(const uint8_t* payload, size_t length);

// Set to true at the main window's WM_CLOSE (GpsPort::Shutdown does it);
// every reader ends when it sees it, and no port opens any more.
extern std::atomic<bool> ReaderStopFlag;

// The NMEA log: one entry per batch, "[%02u:%02u:%02u] %s\r\n" with the local
// time of writing. Off at start. Written only on the reader thread; switched
// on and off from the UI thread, which takes effect with the next batch.
class NmeaLog {
public:
    NmeaLog();
    ~NmeaLog();
    NmeaLog(const NmeaLog&) = delete;
    NmeaLog& operator=(const NmeaLog&) = delete;

    void SetEnabled(bool on);               // commands 371 (on) and 372 (off)
    bool Enabled() const;
    // Default ".\gps.log". Only while the log is closed; cut to MAX_PATH.
    void SetPath(const wchar_t* path);
    // The clock of the time stamps, which a test fixes; null restores the
    // machine's local time.
    void SetClock(LocalClockFn clock);
    bool IsOpen() const;
    // Logs length bytes of one batch (opening the file when needed) or,
    // when the log is off, closes the file. A file that cannot be opened
    // loses this batch; the next batch tries again.
    void Write(const char* data, size_t length);
    void Close();

private:
    std::atomic<bool> enabled_;
    FILE* file_;
    LocalClockFn clock_;
    wchar_t path_[MAX_PATH];
};

class GpsPort {
public:
    static constexpr size_t kCarryOverSize = 5001;
    static constexpr size_t kReadChunkSize = 10000;   // the reader's buffer
    static constexpr size_t kDevicePathSize = 20;     // with the terminator

    GpsPort();    // every field 0, port closed, logging off
    // Also sets the device as SetDevice does.
    GpsPort(const wchar_t* portName, uint32_t baud);
    ~GpsPort();   // Close(): the reader ends before the object goes
    GpsPort(const GpsPort&) = delete;
    GpsPort& operator=(const GpsPort&) = delete;

    // The port to open: device path "\\.\%s" with the name (such as "COM3"),
    // cut to kDevicePathSize characters with the terminator, and the line
    // speed. Takes effect with the next Open.
    void SetDevice(const wchar_t* portName, uint32_t baud);
    const wchar_t* DevicePath() const { return device_; }
    uint32_t BaudRate() const { return baud_; }

    // Opens the port (or, with simulation, no port at all) and starts the
    // one reader thread. A reader or port of an earlier Open is ended first.
    // False when the port cannot be opened or set up (or ReaderStopFlag is
    // set); everything taken so far is released again and no reader runs.
    // The GPS-driver flag is only honoured by pathvex-wm.
    bool Open(bool simulation, bool gpsDriver);
    // Ends the reader and closes the port: true (and "ERR2") when a port was
    // open, false in simulation or when closed already. Safe at any moment,
    // also from inside a WM_GPSDATA handler.
    bool Close();
    // For the main window's WM_CLOSE: sets ReaderStopFlag, wakes a simulation
    // waiting for a tap, ends the reader and closes the port. No port opens
    // after it.
    void Shutdown();
    // The opened flag: a reader is meant to read.
    bool IsOpen() const { return opened_.load(); }
    bool IsSimulation() const { return simulation_; }
    // The reader thread exists and has not ended (a handheld reader ends by
    // itself when its port fails).
    bool IsReaderRunning() const;

    // Writes bytes to the receiver and waits (at most about a second) until
    // they are out; the caller may free them at once. False with no port
    // open (closed, or in simulation) or when the write fails.
    bool Write(const void* bytes, size_t count);

    // The live record without the lock: for the reader thread, and for the
    // UI thread only while it handles WM_GPSDATA (the reader then waits).
    GPS_CURRENT* LiveRecord() { return &live_; }
    // A whole copy taken under the lock; safe on any thread.
    GPS_CURRENT Snapshot() const;

    // The window the reader hands each unit to, whose title the timer-mode
    // simulation sets, which repaints with a fix sound and refreshes the
    // statistics on a new maximum, and which gets the simulation's automatic
    // Space key. Null (at start): none of that is sent. Any thread.
    void SetWindow(HWND window) { window_.store(window); }
    HWND Window() const { return window_.load(); }
    NmeaLog* Log() { return &log_; }

    // Reader thread: one chunk of receiver bytes. Complete NMEA lines (up to
    // the last line feed) and whole SiRF frames go to HandleInput; what is
    // incomplete waits in the carry-over (at most kCarryOverSize bytes).
    // Line ends and zero bytes before a unit are passed over; a chunk that
    // then begins with neither '$' nor 0xA0 0xA2 is dropped. Returns 0.
    int AssembleInput(const char* bytes, size_t count);
    // Reader thread: one batch (NMEA text of whole lines, or one SiRF frame
    // by GpsInputKind): logs it, applies each unit, hands each over, then
    // runs the live track's tick once (RunBatchTick). Nothing for a null or
    // empty batch.
    void HandleInput(const char* data, size_t length);
    // Reads one sentence into msg; with apply, also into the live record
    // (under the lock) with its sounds and statistics. False for sentences
    // this program does not read (msg->kind 0, nothing changed).
    bool ParseNmea(std::string_view sentence, NmeaMessage* msg, bool apply);
    size_t CarryOverLength() const { return carryLength_; }

private:
    friend class LiveRecordGuard;

    // What applying a unit asks for once the lock is released.
    struct PendingEffects {
        const wchar_t* sound;   // "OK" or "ERR2", then a repaint
        bool statistics;        // a new maximum
    };

    // What one read of the reader loop brought.
    enum class ReadResult { kData, kNothing, kFailed, kStopped };

    void AssemblePiece(const char* bytes, size_t count);
    void KeepTail(const unsigned char* bytes, size_t count);
    void HandleNmeaBatch(std::string_view text);
    void HandleSirfFrame(const unsigned char* bytes, size_t length);
    void ApplyNmea(const NmeaMessage& msg, PendingEffects* fx);
    void RunEffects(const PendingEffects& fx);
    void HandOver(WPARAM data);
    void AutoAdvanceSimulation();

    bool OpenPort();
    // pathvex-wm's GPS driver (gps/gps_driver.cpp); the other builds have
    // none: opening fails, closing finds nothing to close.
    bool OpenGpsDriver();
    bool CloseGpsDriver();
    void RunDriverReader();
    void ApplyDriverPosition(const GPS_DRIVER_POSITION& record, uint32_t cellId, PendingEffects* fx);
    void ApplyDriverSatellites(const GPS_DRIVER_POSITION& record);
    bool ConfigurePort();
    void ReleasePort();
    bool StartReader();
    void StopReader();
    static DWORD WINAPI GpsReaderThread(void* self);
    void RunReader();
    bool StopRequested() const;
    ReadResult Read(char* buffer, size_t size, DWORD* count);
    ReadResult ReadPort(char* buffer, size_t size, DWORD* count);
    ReadResult ReadSimulation(char* buffer, size_t size, DWORD* count);

    // The live record must stay the first member: a GpsPort* is passed as
    // lParam and read as the record (checked in gps_port.cpp).
    GPS_CURRENT live_;
    wchar_t device_[kDevicePathSize];
    uint32_t baud_;
    HANDLE port_;          // INVALID_HANDLE_VALUE when closed
    // The GPS driver's device (null when not open) and the event it signals
    // with each new position. Kept apart from port_: nothing may ever
    // write to the driver as to a port.
    HANDLE driverDevice_;
    HANDLE driverEvent_;
    OVERLAPPED readIo_;    // the reader's pending read, auto-reset event
    OVERLAPPED writeIo_;   // Write's own, so a write never disturbs the read
    bool simulation_;
    bool gpsDriver_;
    std::atomic<bool> opened_;
    bool closing_;         // Close is waiting for the reader (UI thread)
    HANDLE stopEvent_;     // manual reset: set while the reader must end
    HANDLE reader_;        // the reader thread; null when none runs
    DWORD readerId_;
    unsigned char carry_[kCarryOverSize];
    size_t carryLength_;
    mutable CRITICAL_SECTION lock_;
    std::atomic<HWND> window_;
    NmeaLog log_;
    // Reader-thread scratch: one read, the carry-over joined with a chunk,
    // and one line widened for the hand-over.
    char readBuffer_[kReadChunkSize];
    unsigned char work_[kCarryOverSize + kReadChunkSize + 1];
    wchar_t wide_[kCarryOverSize + kReadChunkSize + 1];
};

// The program's one GPS device object. Its live record is what every screen
// shows; WM_GPSDATA carries its address as lParam.
extern GpsPort GpsDevice;

// The UI thread's hold on the live record (and the trip maxima) between
// hand-overs. Holding it blocks the reader only between two units: the reader
// never holds the lock while it sends to the UI. Nests on one thread; keep it
// short and never send to another thread's window while holding it.
class LiveRecordGuard {
public:
    explicit LiveRecordGuard(GpsPort* port);
    ~LiveRecordGuard();
    LiveRecordGuard(const LiveRecordGuard&) = delete;
    LiveRecordGuard& operator=(const LiveRecordGuard&) = delete;

    GPS_CURRENT* get() const { return &port_->live_; }
    GPS_CURRENT* operator->() const { return get(); }
    GPS_CURRENT& operator*() const { return *get(); }

private:
    GpsPort* port_;
};

// The NMEA batch as lines: CR, LF and a zero byte each end a line, and empty
// lines are left out, so a stray zero costs only the line it is in.
void SplitLines(std::string_view text, std::vector<std::string_view>* lines);
