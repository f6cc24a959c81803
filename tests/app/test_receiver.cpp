// End to end: a real program set up through its GPS configuration dialog,
// connected to a serial pair, and every command of its SIRF menu read back,
// byte for byte, at the receiver's end of the pair.
//
// PATHVEX_PROGRAM names the executable (in PATHVEX_PROGRAM_DIR). The serial
// pair comes from serial_pair.sh (PATHVEX_GPS_COM, PATHVEX_GPS_PAIR); a
// program run without one gets the dialog's part only.
#include <doctest.h>

#include "../gps/port_harness.h"
#include "support/test_support.h"

#include "gps/receiver_commands.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

using porttest::ControlPair;
using porttest::FarEnd;
using testsupport::TempDir;

namespace {

constexpr DWORD kStartMs = 20000;   // a cold Wine start of a process takes seconds
constexpr DWORD kWaitMs = 8000;
constexpr DWORD kQuietMs = 700;     // nothing arriving within this is nothing sent
constexpr wchar_t kMainClass[] = L"Pathvex CLASS";
constexpr wchar_t kGpsConfig[] = L"GPS Configuration";
constexpr wchar_t kRateSelection[] = L"Rate selection";
constexpr wchar_t kNmeaRates[] = L"NMEA Rates";
constexpr wchar_t kGpsApiMessage[] = L"GPS Api is only supported in WM5+";
// Controls of the dialogs, as the templates number them.
constexpr int kPort = 101, kBaud = 102, kSimulation = 201, kGpsApi = 202, kEntryText = 102;

std::string Env(const char* name)
{
    const char* v = std::getenv(name);
    return v ? v : "";
}

std::wstring Widen(const std::string& s)
{
    return std::wstring(s.begin(), s.end());
}

bool WaitFor(const std::function<bool()>& done, DWORD ms = kWaitMs)
{
    const ULONGLONG until = GetTickCount64() + ms;
    while (!done()) {
        if (GetTickCount64() > until)
            return false;
        Sleep(30);
    }
    return true;
}

std::wstring Text(HWND w)
{
    wchar_t text[256] = {};
    SendMessageTimeoutW(w, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text), SMTO_BLOCK, 5000, nullptr);
    return text;
}

bool Checked(HWND dialog, int id)
{
    return SendMessageW(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

bool Enabled(HWND dialog, int id)
{
    return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE;
}

void Click(HWND dialog, int id)
{
    PostMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

void SetText(HWND dialog, int id, const wchar_t* text)
{
    SendMessageW(GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

// Keys typed into the port combo's edit, one character at a time.
void Type(HWND dialog, const std::wstring& keys)
{
    HWND edit = FindWindowExW(GetDlgItem(dialog, kPort), nullptr, L"Edit", nullptr);
    for (wchar_t c : keys)
        PostMessageW(edit, WM_CHAR, c, 1);
}

std::string WithChecksum(const std::string& text)
{
    char tail[8];
    std::snprintf(tail, sizeof tail, "*%02X\r\n", CalcNmeaChecksum(text.c_str()));
    return text + tail;
}

// A copy of the program in a fresh folder, started there.
class Program {
public:
    Program()
    {
        name_ = Env("PATHVEX_PROGRAM");
        std::string dir = Env("PATHVEX_PROGRAM_DIR");
        for (char& c : dir)
            c = c == '/' ? '\\' : c;
        const std::string exe = folder_.File(name_ + ".exe");
        REQUIRE(CopyFileA(("Z:" + dir + "\\" + name_ + ".exe").c_str(), exe.c_str(), FALSE));
        // No update question; nothing of the GPS set up yet.
        const std::string settings =
            "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\r\n<root>\r\n <waypoints/>\r\n"
            " <cfg>\r\n  <pathvex floatconverted=\"2\" upd=\"5\"/>\r\n </cfg>\r\n</root>\r\n";
        FILE* f = std::fopen(folder_.File("pathvex.xml").c_str(), "wb");
        REQUIRE(f);
        std::fwrite(settings.data(), 1, settings.size(), f);
        std::fclose(f);
        std::wstring line = L"\"" + Widen(exe) + L"\"";
        STARTUPINFOW si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        REQUIRE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder_.WPath().c_str(),
                               &si, &pi));
        CloseHandle(pi.hThread);
        process_ = pi.hProcess;
        pid_ = pi.dwProcessId;
        REQUIRE(WaitFor([&] { return Main() != nullptr; }, kStartMs));
    }
    ~Program()
    {
        if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
            TerminateProcess(process_, 99);
            WaitForSingleObject(process_, kWaitMs);
        }
        CloseHandle(process_);
    }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    bool Desktop() const { return name_ == "pathvex-x64" || name_ == "pathvex-x86"; }
    bool Wm() const { return name_ == "pathvex-wm"; }
    std::wstring Title() const
    {
        return Wm() ? L"Pathvex 0.9839 WM"
                    : name_ == "pathvex-ppc" ? L"Pathvex 0.989 PPC"
                                             : name_ == "pathvex-x86" ? L"Pathvex 0.989 X86" : L"Pathvex 0.989 X64";
    }
    // A visible top-level window of this process.
    HWND Find(const wchar_t* className, const wchar_t* caption) const
    {
        HWND w = nullptr;
        while ((w = FindWindowExW(nullptr, w, className, caption)) != nullptr) {
            DWORD pid = 0;
            GetWindowThreadProcessId(w, &pid);
            if (pid == pid_ && IsWindowVisible(w))
                return w;
        }
        return nullptr;
    }
    HWND Main() const { return Find(kMainClass, nullptr); }
    void Command(WPARAM id) const { PostMessageW(Main(), WM_COMMAND, id, 0); }
    HWND WaitDialog(const wchar_t* caption, DWORD ms = kWaitMs) const
    {
        HWND found = nullptr;
        WaitFor([&] { return (found = Find(L"#32770", caption)) != nullptr; }, ms);
        return found;
    }
    bool Gone(HWND dialog) const
    {
        return WaitFor([&] { return !IsWindow(dialog); });
    }
    // Still answering its messages.
    bool Alive() const
    {
        DWORD_PTR r = 0;
        return WaitForSingleObject(process_, 0) == WAIT_TIMEOUT &&
               SendMessageTimeoutW(Main(), WM_NULL, 0, 0, SMTO_BLOCK, 5000, &r) != 0;
    }
    bool Close() const
    {
        PostMessageW(Main(), WM_CLOSE, 0, 0);
        return WaitForSingleObject(process_, kStartMs) == WAIT_OBJECT_0;
    }
    std::string Settings() const
    {
        std::string text;
        testsupport::ReadFile(folder_.File("pathvex.xml"), &text);
        return text;
    }

private:
    TempDir folder_;
    std::string name_;
    HANDLE process_ = nullptr;
    DWORD pid_ = 0;
};

bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// The receiver's end: what one command puts on the wire.
struct Wire {
    FarEnd remote;
    const Program& program;

    // The command's bytes, exactly, and nothing before them.
    std::string After(WPARAM command, size_t expected)
    {
        program.Command(command);
        return remote.Receive(expected, kWaitMs);
    }
    // Nothing arrives for the command; a marker sent after it is the next
    // thing on the wire.
    bool Nothing(const std::function<void()>& command)
    {
        command();
        const std::string marker = SirfCommandSentence(404);
        return After(404, marker.size()) == marker;
    }
};

// Fills in the text entry with text and presses OK (or Cancel).
void AnswerRate(const Program& p, const wchar_t* text, int button = IDOK)
{
    HWND entry = p.WaitDialog(kRateSelection);
    REQUIRE(entry);
    SetText(entry, kEntryText, text);
    PostMessageW(entry, WM_COMMAND, button, 0);
    CHECK(p.Gone(entry));
}

// A SiRF frame from the receiver until the program takes its input for SiRF
// binary: then "Switch to NMEA..." opens its dialog.
HWND SwitchDialogAfterSirfInput(Wire& wire)
{
    const std::string visibleList("\xA0\xA2\x00\x02\x0D\x00\x00\x0D\xB0\xB3", 10);
    for (int i = 0; i < 10; ++i) {
        REQUIRE(wire.remote.Send(visibleList));
        Sleep(300);
        wire.program.Command(402);
        if (HWND d = wire.program.WaitDialog(kNmeaRates, 1500))
            return d;
    }
    return nullptr;
}

}  // namespace

TEST_CASE("the GPS configuration dialog keeps what the connect opens")
{
    Program p;
    p.Command(101);
    HWND d = p.WaitDialog(kGpsConfig);
    REQUIRE(d);
    CHECK(Text(GetDlgItem(d, kPort)) == L"");
    CHECK(Text(GetDlgItem(d, kBaud)) == L"9600");
    CHECK(SendDlgItemMessageW(d, kPort, CB_GETCOUNT, 0, 0) == 20);
    CHECK(SendDlgItemMessageW(d, kBaud, CB_GETCOUNT, 0, 0) == 6);
    CHECK_FALSE(Checked(d, kSimulation));
    CHECK_FALSE(Checked(d, kGpsApi));

    // Simulation switches the port, the speed and the GPS driver off and on.
    Click(d, kSimulation);
    CHECK(WaitFor([&] { return !Enabled(d, kPort) && !Enabled(d, kBaud) && !Enabled(d, kGpsApi); }));
    Click(d, kSimulation);
    CHECK(WaitFor([&] { return Enabled(d, kPort) && Enabled(d, kBaud) && Enabled(d, kGpsApi); }));

    // The GPS driver: refused on the desktop, a choice of its own on the
    // handhelds.
    Click(d, kGpsApi);
    if (p.Desktop()) {
        HWND box = p.WaitDialog(p.Title().c_str());
        REQUIRE(box);
        CHECK(Text(GetDlgItem(box, 0xFFFF)) == kGpsApiMessage);
        PostMessageW(box, WM_COMMAND, IDOK, 0);
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
    CHECK(WaitFor([&] { return Text(GetDlgItem(d, kPort)) == L"COM123456"; }));
    SetText(d, kPort, L"");
    Type(d, L"COM\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9");
    CHECK(WaitFor([&] { return Text(GetDlgItem(d, kPort)) == L"COM\u00e9\u00e9\u00e9"; }));
    PostMessageW(d, WM_COMMAND, IDOK, 0);
    CHECK(p.Gone(d));

    // The stored values come back; a speed that is no number is kept as typed.
    p.Command(101);
    d = p.WaitDialog(kGpsConfig);
    REQUIRE(d);
    CHECK(Text(GetDlgItem(d, kPort)) == L"COM\u00e9\u00e9\u00e9");
    SetText(d, kPort, L"COM7");
    SetText(d, kBaud, L"fast");
    if (!p.Desktop())
        Click(d, kGpsApi);
    else
        Click(d, kSimulation);
    WaitFor([&] { return Checked(d, p.Desktop() ? kSimulation : kGpsApi); });
    PostMessageW(d, WM_COMMAND, IDOK, 0);
    CHECK(p.Gone(d));

    // Reopened with a mode chosen, the port and speed are off.
    p.Command(101);
    d = p.WaitDialog(kGpsConfig);
    REQUIRE(d);
    CHECK_FALSE(Enabled(d, kPort));
    CHECK_FALSE(Enabled(d, kBaud));
    CHECK(Enabled(d, p.Desktop() ? kSimulation : kGpsApi));
    CHECK_FALSE(Enabled(d, p.Desktop() ? kGpsApi : kSimulation));
    PostMessageW(d, WM_COMMAND, IDCANCEL, 0);
    CHECK(p.Gone(d));
    REQUIRE(p.Close());
    const std::string saved = p.Settings();
    CHECK(Contains(saved, "port=\"COM7\""));
    CHECK(Contains(saved, "speed=\"fast\""));
    CHECK(Contains(saved, p.Desktop() ? "simu=\"1\"" : "gapi=\"1\""));
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
    CHECK(SendDlgItemMessageW(d, kBaud, CB_SELECTSTRING, static_cast<WPARAM>(-1),
                              reinterpret_cast<LPARAM>(L"4800")) == 2);
    PostMessageW(d, WM_COMMAND, IDOK, 0);
    REQUIRE(p.Gone(d));
    p.Command(102);

    Wire wire{FarEnd(), p};
    REQUIRE(wire.remote.IsOpen());
    // "Switch to NMEA..." before any input does nothing.
    CHECK(wire.Nothing([&] { p.Command(402); }));

    // The live position goes back as a waypoint once the program has it. A
    // read of the port ends only after a quarter second of quiet, so the
    // sentence is sent once and then asked for.
    const std::string waypoint = WithChecksum("$GPWPL,4916.450,N,12311.120,W,CUR");
    REQUIRE(wire.remote.Send("$GPRMC,120000.000,A,4916.45,N,12311.12,W,10.0,0.0,230394,,*00\r\n"));
    std::string sent;
    for (int i = 0; i < 20 && sent != waypoint; ++i) {
        Sleep(300);
        sent = wire.After(361, waypoint.size());
    }
    CHECK(sent == waypoint);


    // The fixed sentences, each with the checksum of its text.
    for (WPARAM id : {401, 404, 405, 421, 422, 423, 424, 428, 429}) {
        CAPTURE(id);
        const std::string expected = SirfCommandSentence(static_cast<int>(id));
        const std::string got = wire.After(id, expected.size());
        CHECK(got == expected);
        CHECK(got == WithChecksum(got.substr(0, got.find('*'))));
    }

    // Rates as typed, with their checksum; Cancel sends nothing.
    const std::vector<std::pair<const wchar_t*, std::string>> typed = {
        {L"5", "5"}, {L"abc", "0"}, {L"-3", "-3"}, {L"300", "300"}, {L"99999999999", "2147483647"}, {L" 1", "1"}};
    for (size_t m = 0; m < typed.size(); ++m) {
        CAPTURE(m);
        p.Command(411 + m);
        AnswerRate(p, typed[m].first);
        const std::string expected =
            WithChecksum("$PSRF103,0" + std::to_string(m) + ",00," + typed[m].second + ",00");
        CHECK(wire.remote.Receive(expected.size(), kWaitMs) == expected);
    }
    CHECK(wire.Nothing([&] {
        p.Command(411);
        AnswerRate(p, L"7", IDCANCEL);
        p.Command(417);   // asks, but sends nothing
        AnswerRate(p, L"7");
    }));

    // After SiRF input: message 129 with the dialog's values.
    d = SwitchDialogAfterSirfInput(wire);
    REQUIRE(d);
    const std::vector<std::pair<int, std::wstring>> initial = {{101, L"10"}, {102, L"0"}, {103, L"10"}, {104, L"10"},
                                                               {105, L"1"},  {106, L"0"}, {107, L"0"}, {108, L"9600"}};
    for (const auto& [id, text] : initial)
        CHECK(Text(GetDlgItem(d, id)) == text);
    PostMessageW(d, WM_COMMAND, IDOK, 0);
    const std::string frame("\xA0\xA2\x00\x18\x81\x02\x0A\x01\x00\x01\x0A\x01\x0A\x01\x01\x01\x00\x01\x00\x01"
                            "\x00\x00\x00\x01\x00\x00\x25\x80\x01\x4F\xB0\xB3",
                            32);
    CHECK(wire.remote.Receive(frame.size(), kWaitMs) == frame);

    // Letters, a sign and numbers too wide for their bytes.
    p.Command(402);
    d = p.WaitDialog(kNmeaRates);
    REQUIRE(d);
    SetText(d, 101, L"x");
    SetText(d, 102, L"300");
    SetText(d, 103, L"-1");
    SetText(d, 108, L"70000");
    PostMessageW(d, WM_COMMAND, IDOK, 0);
    const std::string bad = wire.remote.Receive(frame.size(), kWaitMs);
    REQUIRE(bad.size() == frame.size());
    CHECK(bad[6] == 0);
    CHECK(bad[8] == 44);
    CHECK(bad[10] == 0);
    CHECK(bad.substr(26, 2) == "\x11\x70");
    const uint16_t sum = CalcSirfChecksum(reinterpret_cast<const uint8_t*>(bad.data() + 4), 24);
    CHECK(static_cast<uint8_t>(bad[28]) == sum >> 8);
    CHECK(static_cast<uint8_t>(bad[29]) == (sum & 0xFF));

    // Cancel sends nothing; in SiRF binary neither "Switch to SIRF
    // Binary" nor the waypoint sentence is sent.
    CHECK(wire.Nothing([&] {
        p.Command(402);
        HWND again = p.WaitDialog(kNmeaRates);
        REQUIRE(again);
        PostMessageW(again, WM_COMMAND, IDCANCEL, 0);
        CHECK(p.Gone(again));
        p.Command(401);
        p.Command(361);
    }));

    // A port that goes away mid-run, a new one, then simulation.
    REQUIRE(ControlPair("cut"));
    for (WPARAM id : {404, 421, 361, 411})
        p.Command(id);
    AnswerRate(p, L"3");
    CHECK(p.Alive());
    REQUIRE(ControlPair("renew"));
    p.Command(103);
    p.Command(102);
    Wire again{FarEnd(), p};
    const std::string on = SirfCommandSentence(404);
    CHECK(again.After(404, on.size()) == on);

    p.Command(101);
    d = p.WaitDialog(kGpsConfig);
    REQUIRE(d);
    Click(d, kSimulation);
    CHECK(WaitFor([&] { return Checked(d, kSimulation); }));
    PostMessageW(d, WM_COMMAND, IDOK, 0);
    CHECK(p.Gone(d));
    p.Command(102);
    for (WPARAM id : {404, 421, 429, 361})
        p.Command(id);
    CHECK(again.remote.Receive(1, kQuietMs).empty());
    CHECK(p.Alive());
    REQUIRE(p.Close());
    const std::string saved = p.Settings();
    CHECK(Contains(saved, "port=\"" + std::string(com.begin(), com.end()) + "\""));
    CHECK(Contains(saved, "speed=\"4800\""));
}
