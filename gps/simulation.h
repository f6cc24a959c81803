// gps/simulation.h - the simulation feed: NMEA sentences instead of a port.
//
// With the "simu" setting the port object reads from SimulationList, one
// sentence per read, either when the user taps (tapping mode: the main
// window bumps SimulationTapCount and sets SimulationStepEvent) or every
// 100 ms (timer mode). The sentences then take the road of real input.
//
// Threads: the reader thread takes sentences; the UI thread replaces, edits
// and reads the list, taps and switches the mode. The list and its position
// are kept under a lock held only while one sentence is copied, so a list
// replaced while the reader delivers is never indexed half-changed, and the
// reader never holds it while it sends to the UI.
#pragma once
#include <windows.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class GpsPort;

inline constexpr int kSimulationTapping = 1;
inline constexpr int kSimulationTimer = 2;

// 1 tapping (command 378, the start), 2 timer (command 379).
extern std::atomic<int> SimulationMode;
// Taps so far: the main window adds one per tap; the reader's next sentence
// is the one at this index. Back to 0 when the list wraps.
extern std::atomic<uint32_t> SimulationTapCount;
// Auto-reset, unsignalled at start; set on each tap and at WM_CLOSE. Created
// before any code runs and closed when the program ends: never close it.
extern const HANDLE& SimulationStepEvent;

// The list of sentences (narrow text, one sentence each, no line ends) and
// the index of the next one to deliver.
class SimulationFeed {
public:
    SimulationFeed();
    ~SimulationFeed();
    SimulationFeed(const SimulationFeed&) = delete;
    SimulationFeed& operator=(const SimulationFeed&) = delete;

    // Installs a new list and starts it from its first sentence (position and
    // tap count 0): the start-up list, "-log" files, a track as RMC, the editor.
    void Replace(std::vector<std::string> sentences);
    // Replace with the built-in demonstration of 23 sentences.
    void LoadDemonstration();
    // Changes one sentence; false when index is not in the list.
    bool SetSentence(size_t index, const std::string& sentence);
    // One sentence; empty when index is not in the list.
    std::string Sentence(size_t index) const;
    std::vector<std::string> Sentences() const;   // a copy
    size_t Size() const;
    uint32_t Position() const;

    // Reader thread: copies the sentence at the position with CR LF and a
    // terminating zero into buffer (a sentence too long for it is cut), moves
    // the position on (timer: by one; tapping: to SimulationTapCount; both
    // back to 0 at or past the end) and returns the bytes without the zero.
    // 0 for an empty list or a buffer of fewer than 3 bytes.
    size_t TakeNext(char* buffer, size_t size);

private:
    mutable CRITICAL_SECTION lock_;
    std::vector<std::string> list_;
    uint32_t position_;
};

extern SimulationFeed SimulationList;

// The built-in demonstration: one GSV, one GSA and 21 RMC sentences.
extern const char* const kSimulationDemonstration[23];

// A tap: SimulationTapCount + 1 and the step event set. Returns the
// position the tap moves the feed to (the new tap count, or 0 past the end);
// the reader gets there only when it wakes, which may be well after the
// caller shows it.
uint32_t TapSimulation();
// "Sim index: %u/%u" with the position (or the given index) and the list's
// length.
void FormatSimulationIndex(wchar_t* text, size_t size);
void FormatSimulationIndex(wchar_t* text, size_t size, uint32_t index);

// The automatic advance: while the port simulates in tapping mode, Shift is
// held and the live speed is exactly 0 km/h, sends the main window a Space
// key press (synchronously), which counts as a tap.
void AutoAdvanceSimulation(GpsPort* port, HWND mainWindow);
