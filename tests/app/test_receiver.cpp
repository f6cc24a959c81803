// End to end: a real program set up through its GPS configuration dialog,
// connected to a serial pair, and every command of its SIRF menu read back,
// byte for byte, at the receiver's end of the pair.
//
// PATHVEX_PROGRAMS names the executable (in PATHVEX_PROGRAM_DIR); the serial
// pair comes from serial_pair.sh (PATHVEX_GPS_COM, PATHVEX_GPS_PAIR).
#include <doctest.h>

#include "../gps/port_harness.h"
#include "program_runner.h"
#include "support/dib_canvas.h"

#include "gps/receiver_commands.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

using porttest::FarEnd;
using programtest::Contains;
using programtest::Install;
using programtest::PROGRAM;
using programtest::ProgramsUnderTest;
using programtest::Running;

namespace {

constexpr DWORD kWaitMs = 8000;
constexpr wchar_t kGpsConfig[] = L"GPS Configuration";
constexpr wchar_t kRateSelection[] = L"Rate selection";
constexpr wchar_t kNmeaRates[] = L"NMEA Rates";
// Controls of the templates.
constexpr int kPort = 101, kBaud = 102, kSimulation = 201, kGpsApi = 202, kEntryText = 102;

bool WaitFor(const std::function<bool()>& done, DWORD ms = kWaitMs) { return testsupport::WaitFor(done, ms); }

std::wstring Text(HWND w)
{
    wchar_t text[256] = {};
    SendMessageTimeoutW(w, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text), SMTO_BLOCK, 5000, nullptr);
    return text;
}

std::wstring ItemText(HWND dialog, int id) { return Text(GetDlgItem(dialog, id)); }
bool Checked(HWND dialog, int id) { return SendDlgItemMessageW(dialog, id, BM_GETCHECK, 0, 0) == BST_CHECKED; }
bool Enabled(HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE; }
void Click(HWND dialog, int id) { PostMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }
void Press(HWND dialog, int button) { PostMessageW(dialog, WM_COMMAND, button, 0); }
void SetText(HWND dialog, int id, const wchar_t* text)
{
    SendDlgItemMessageW(dialog, id, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

// Keys typed into the port combo's edit, one character at a time, each
// taken before the next. Posted keys could still wait in the queue once the
// text looked right, and land after the test has moved on.
void Type(HWND dialog, const std::wstring& keys)
{
    HWND edit = FindWindowExW(GetDlgItem(dialog, kPort), nullptr, L"Edit", nullptr);
    for (wchar_t c : keys)
        SendMessageTimeoutW(edit, WM_CHAR, c, 1, SMTO_BLOCK, kWaitMs, nullptr);
}

// The dialog as the screen shows it once its painting has settled, for a
// person to look at.
bool Picture(HWND dialog, const std::string& name)
{
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    RECT r{};
    GetWindowRect(dialog, &r);
    testsupport::DibCanvas canvas(r.right - r.left, r.bottom - r.top);
    return canvas.CaptureScreen(r.left, r.top, kWaitMs) && canvas.SavePng(name);
}

std::string WithChecksum(const std::string& text)
{
    char tail[8];
    std::snprintf(tail, sizeof tail, "*%02X\r\n", CalcNmeaChecksum(text.c_str()));
    return text + tail;
}

// A copy of the program in a fresh folder (no update question, nothing of
// the GPS set up), started there.
class Program {
public:
    Program()
    {
        REQUIRE(run_.Started());
        REQUIRE(run_.WaitForMainWindow());
    }

    // Only pathvex-wm has the platform's GPS driver.
    bool GpsDriver() const { return program_.name == "pathvex-wm"; }
    const std::string& Name() const { return program_.name; }
    const std::wstring& Title() const { return program_.title; }
    HWND Main() const { return run_.MainWindow(); }
    void Command(WPARAM id) const { run_.Command(id); }
    // A visible dialog of this process.
    HWND WaitDialog(const wchar_t* caption, DWORD ms = kWaitMs) const
    {
        HWND found = nullptr;
        WaitFor([&] { return (found = run_.FindOwnWindow(L"#32770", caption)) && IsWindowVisible(found); }, ms);
        return found;
    }
    bool Gone(HWND dialog) const { return WaitFor([&] { return !IsWindow(dialog); }); }
    // Still running and answering its messages.
    bool Alive() const
    {
        DWORD_PTR r = 0;
        return !run_.Ended() && SendMessageTimeoutW(Main(), WM_NULL, 0, 0, SMTO_BLOCK, 5000, &r) != 0;
    }
    bool Close() const { return run_.Close(); }
    std::string Settings() const { return install_.ReadSettings(); }

private:
    PROGRAM program_ = ProgramsUnderTest().at(0);
    Install install_{program_, programtest::Settings("upd=\"5\"")};
    Running run_{install_.dir.Path(), program_, ""};
};

// What one command puts on the wire, exactly.
std::string After(FarEnd& remote, const Program& p, WPARAM command, size_t expected)
{
    p.Command(command);
    return remote.Receive(expected, kWaitMs);
}

// The commands put nothing on the wire: a marker sent after them is the
// next thing there.
bool Nothing(FarEnd& remote, const Program& p, const std::function<void()>& commands)
{
    commands();
    const std::string marker = SirfCommandSentence(404);
    return After(remote, p, 404, marker.size()) == marker;
}

// Fills in the text entry with text and presses OK (or Cancel).
void AnswerRate(const Program& p, const wchar_t* text, int button = IDOK)
{
    HWND entry = p.WaitDialog(kRateSelection);
    REQUIRE(entry);
    SetText(entry, kEntryText, text);
    Press(entry, button);
    CHECK(p.Gone(entry));
}

}  // namespace

TEST_CASE("the GPS configuration dialog keeps what the connect opens")
{
    Program p;
    p.Command(101);
    HWND d = p.WaitDialog(kGpsConfig);
    REQUIRE(d);
    CHECK(ItemText(d, kPort) == L"");
    CHECK(ItemText(d, kBaud) == L"9600");
    CHECK(SendDlgItemMessageW(d, kPort, CB_GETCOUNT, 0, 0) == 20);
    CHECK(SendDlgItemMessageW(d, kBaud, CB_GETCOUNT, 0, 0) == 6);
    CHECK_FALSE(Checked(d, kSimulation));
    CHECK_FALSE(Checked(d, kGpsApi));
    CHECK(Picture(d, p.Name() + "_gps_config.png"));

    // Simulation switches the port, the speed and the GPS driver off and on.
    Click(d, kSimulation);
    CHECK(WaitFor([&] { return !Enabled(d, kPort) && !Enabled(d, kBaud) && !Enabled(d, kGpsApi); }));
    Click(d, kSimulation);
    CHECK(WaitFor([&] { return Enabled(d, kPort) && Enabled(d, kBaud) && Enabled(d, kGpsApi); }));

    // The GPS driver: a choice of its own in pathvex-wm, refused elsewhere.
    Click(d, kGpsApi);
    if (!p.GpsDriver()) {
        HWND box = p.WaitDialog(p.Title().c_str());
        REQUIRE(box);
        CHECK(ItemText(box, 0xFFFF) == L"GPS Api is only supported in WM5+");
        Press(box, IDOK);
        CHECK(p.Gone(box));
        CHECK_FALSE(Checked(d, kGpsApi));
    } else {
        CHECK(WaitFor([&] { return Checked(d, kGpsApi) && !Enabled(d, kPort) && !Enabled(d, kSimulation); }));
        Click(d, kGpsApi);
        CHECK(WaitFor([&] { return !Checked(d, kGpsApi) && Enabled(d, kPort) && Enabled(d, kSimulation); }));
    }

    // Names are cut where the connect cuts them (9 bytes of UTF-8) while
    // they are typed: what shows is what opens.
    Type(d, L"COM1234567890");
    CHECK(WaitFor([&] { return ItemText(d, kPort) == L"COM123456"; }));
    SetText(d, kPort, L"");
    Type(d, L"COM\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9");
    CHECK(WaitFor([&] { return ItemText(d, kPort) == L"COM\u00e9\u00e9\u00e9"; }));
    Press(d, IDOK);
    CHECK(p.Gone(d));

    // The stored name comes back; a speed that is no number is stored as
    // typed (and shows as the 0 the connect reads).
    p.Command(101);
    d = p.WaitDialog(kGpsConfig);
    REQUIRE(d);
    CHECK(ItemText(d, kPort) == L"COM\u00e9\u00e9\u00e9");
    SetText(d, kPort, L"COM7");
    SetText(d, kBaud, L"fast");
    const int mode = p.GpsDriver() ? kGpsApi : kSimulation;
    const int other = p.GpsDriver() ? kSimulation : kGpsApi;
    Click(d, mode);
    CHECK(WaitFor([&] { return Checked(d, mode); }));
    Press(d, IDOK);
    CHECK(p.Gone(d));

    // Reopened with a mode chosen: the port, the speed and the other mode
    // are off.
    p.Command(101);
    d = p.WaitDialog(kGpsConfig);
    REQUIRE(d);
    CHECK(ItemText(d, kBaud) == L"0");
    CHECK_FALSE(Enabled(d, kPort));
    CHECK_FALSE(Enabled(d, kBaud));
    CHECK_FALSE(Enabled(d, other));
    CHECK(Enabled(d, mode));
    Press(d, IDCANCEL);
    CHECK(p.Gone(d));
    // With no port open the receiver's commands write nothing, and harm nothing.
    for (WPARAM id : {401, 404, 421, 361})
        p.Command(id);
    CHECK(p.Alive());
    REQUIRE(p.Close());
    const std::string saved = p.Settings();
    CHECK(Contains(saved, "port=\"COM7\""));
    CHECK(Contains(saved, "speed=\"fast\""));
    CHECK(Contains(saved, p.GpsDriver() ? "gapi=\"1\"" : "simu=\"1\""));
}

TEST_CASE("every SIRF and NMEA command reaches the receiver byte for byte")
{
    const std::wstring com = porttest::ComName();
    REQUIRE_MESSAGE(!com.empty(), "run through serial_pair.sh");
    Program p;
    // The user's way: the dialog, the port and 4800 baud, OK, connect.
    p.Command(101);
    HWND d = p.WaitDialog(kGpsConfig);
    REQUIRE(d);
    SetText(d, kPort, com.c_str());
    const LPARAM speed = reinterpret_cast<LPARAM>(L"4800");
    CHECK(SendDlgItemMessageW(d, kBaud, CB_SELECTSTRING, static_cast<WPARAM>(-1), speed) == 2);
    Press(d, IDOK);
    REQUIRE(p.Gone(d));
    p.Command(102);
    FarEnd remote;
    REQUIRE(remote.IsOpen());
    // "Switch to NMEA..." before any input does nothing.
    CHECK(Nothing(remote, p, [&] { p.Command(402); }));

    // The live position goes back as a waypoint once the program has it. A
    // read of the port ends only after a quarter second of quiet, so the
    // sentence is sent once and then asked for.
    const std::string waypoint = WithChecksum("$GPWPL,4916.450,N,12311.120,W,CUR");
    REQUIRE(remote.Send("$GPRMC,120000.000,A,4916.45,N,12311.12,W,10.0,0.0,230394,,*00\r\n"));
    std::string sent;
    for (int i = 0; i < 20 && sent != waypoint; ++i) {
        Sleep(300);
        sent = After(remote, p, 361, waypoint.size());
    }
    CHECK(sent == waypoint);

    // The fixed sentences, each with the checksum of its text.
    for (WPARAM id : {401, 404, 405, 421, 422, 423, 424, 428, 429}) {
        CAPTURE(id);
        const std::string expected = SirfCommandSentence(static_cast<int>(id));
        const std::string got = After(remote, p, id, expected.size());
        CHECK(got == expected);
        CHECK(got == WithChecksum(got.substr(0, got.find('*'))));
    }

    // Rates as typed, with their checksum; Cancel sends nothing, nor do the
    // ids after the six rates.
    const std::pair<const wchar_t*, const char*> typed[] = {
        {L"5", "5"}, {L"abc", "0"}, {L"-3", "-3"}, {L"300", "300"}, {L"99999999999", "2147483647"}, {L" 1", "1"}};
    for (int m = 0; m < 6; ++m) {
        p.Command(411 + m);
        AnswerRate(p, typed[m].first);
        const std::string expected = WithChecksum("$PSRF103,0" + std::to_string(m) + ",00," + typed[m].second + ",00");
        CHECK(remote.Receive(expected.size(), kWaitMs) == expected);
    }
    CHECK(Nothing(remote, p, [&] {
        p.Command(411);
        AnswerRate(p, L"7", IDCANCEL);
        p.Command(417);
        AnswerRate(p, L"7");
    }));

    // SiRF binary comes in: "Switch to NMEA..." asks for the rates and
    // sends message 129 with them.
    d = nullptr;
    for (int i = 0; i < 10 && !d; ++i) {
        REQUIRE(remote.Send(std::string("\xA0\xA2\x00\x02\x0D\x00\x00\x0D\xB0\xB3", 10)));
        Sleep(300);
        p.Command(402);
        d = p.WaitDialog(kNmeaRates, 1500);
    }
    REQUIRE(d);
    const wchar_t* initial[] = {L"10", L"0", L"10", L"10", L"1", L"0", L"0", L"9600"};
    for (int i = 0; i < 8; ++i)
        CHECK(ItemText(d, 101 + i) == initial[i]);
    CHECK(Picture(d, p.Name() + "_nmea_rates.png"));
    Press(d, IDOK);
    // Payload sum 0x014F, worked out by hand.
    const std::string frame("\xA0\xA2\x00\x18\x81\x02\x0A\x01\x00\x01\x0A\x01\x0A\x01\x01\x01\x00\x01\x00\x01"
                            "\x00\x00\x00\x01\x00\x00\x25\x80\x01\x4F\xB0\xB3",
                            32);
    CHECK(remote.Receive(frame.size(), kWaitMs) == frame);

    // Letters, a sign and numbers too wide for their bytes.
    p.Command(402);
    d = p.WaitDialog(kNmeaRates);
    REQUIRE(d);
    SetText(d, 101, L"x");
    SetText(d, 102, L"300");
    SetText(d, 103, L"-1");
    SetText(d, 108, L"70000");
    Press(d, IDOK);
    const std::string bad = remote.Receive(frame.size(), kWaitMs);
    REQUIRE(bad.size() == frame.size());
    CHECK(bad.substr(6, 5) == std::string("\x00\x01\x2C\x01\x00", 5));
    CHECK(bad.substr(26, 2) == "\x11\x70");
    const uint16_t sum = CalcSirfChecksum(reinterpret_cast<const uint8_t*>(bad.data() + 4), 24);
    CHECK(bad.substr(28, 2) == std::string{static_cast<char>(sum >> 8), static_cast<char>(sum & 0xFF)});

    // Cancel sends nothing; in SiRF binary neither "Switch to SIRF Binary"
    // nor the waypoint sentence is sent.
    CHECK(Nothing(remote, p, [&] {
        p.Command(402);
        HWND again = p.WaitDialog(kNmeaRates);
        REQUIRE(again);
        Press(again, IDCANCEL);
        CHECK(p.Gone(again));
        p.Command(401);
        p.Command(361);
    }));

    // The port goes away under the program, then a new one opens by the
    // same name; in simulation nothing is written.
    REQUIRE(porttest::ControlPair("cut"));
    for (WPARAM id : {404, 421, 411})
        p.Command(id);
    AnswerRate(p, L"3");
    CHECK(p.Alive());
    REQUIRE(porttest::ControlPair("renew"));
    p.Command(103);
    p.Command(102);
    FarEnd renewed;
    const std::string on = SirfCommandSentence(404);
    CHECK(After(renewed, p, 404, on.size()) == on);

    p.Command(101);
    d = p.WaitDialog(kGpsConfig);
    REQUIRE(d);
    Click(d, kSimulation);
    CHECK(WaitFor([&] { return Checked(d, kSimulation); }));
    Press(d, IDOK);
    CHECK(p.Gone(d));
    p.Command(102);
    for (WPARAM id : {404, 421, 429})
        p.Command(id);
    CHECK(renewed.Receive(1, 700).empty());
    CHECK(p.Alive());
    REQUIRE(p.Close());
    const std::string saved = p.Settings();
    CHECK(Contains(saved, "port=\"" + std::string(com.begin(), com.end()) + "\""));
    CHECK(Contains(saved, "speed=\"4800\""));
}
