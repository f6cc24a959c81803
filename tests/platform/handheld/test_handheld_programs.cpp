// The handheld services in the running programs: full screen in the device
// screen, the backlight requirement and display power read through the
// layer's device state, the same map folder painting the same picture in
// pathvex-x86, pathvex-ppc and pathvex-wm, and pathvex-ppc updating itself
// with its hash list read from XML. Pictures of the screens are left as PNGs
// in the test's working folder.
//
// PATHVEX_PROGRAM_DIR names the built programs' folder; PATHVEX_PROGRAMS the
// handheld program a full-screen entry drives.
#include <doctest.h>

// The update support brings the socket header, which must come first.
#include "updater/update_test_support.h"

#include "app/program_runner.h"
#include "maps/map_files.h"
#include "platform/handles.h"
#include "platform/handheld/handheld.h"
#include "support/dib_canvas.h"

#include <cstdlib>
#include <string>
#include <vector>

using namespace programtest;
using testsupport::DibCanvas;

namespace {

constexpr WPARAM kDisplayOff = 105, kCheckForUpdates = 197, kScreenMap = 204, kScreenSatellite = 205,
                 kSchemeDay = 321, kToggleFull = 329, kCalibrator = 347, kMapOptions = 1901;
constexpr wchar_t kMenuBarClass[] = L"PathvexMenuBar";

RECT WindowRect(HWND w)
{
    RECT r{};
    GetWindowRect(w, &r);
    return r;
}

bool Same(const RECT& a, const RECT& b)
{
    return EqualRect(&a, &b) != FALSE;
}

bool WaitForRect(HWND w, const RECT& wanted)
{
    return WaitFor([&] { return Same(WindowRect(w), wanted); }, kStartMs);
}

HWND MenuBarOf(HWND window)
{
    HWND bar = nullptr;
    while ((bar = FindWindowExW(nullptr, bar, kMenuBarClass, nullptr)) != nullptr)
        if (GetWindow(bar, GW_OWNER) == window)
            return bar;
    return nullptr;
}

// The device screen as the display shows it, saved as name.
bool CaptureDevice(const std::string& name)
{
    DibCanvas shot(kDeviceScreenWidth, kDeviceScreenHeight);
    const RECT r = DeviceScreenRect();
    return shot.CaptureScreen(r.left, r.top, kStartMs) && shot.SavePng(name);
}

HANDHELD_DEVICE_STATE DeviceState(HANDLE state)
{
    HANDHELD_DEVICE_STATE s{};
    ReadHandheldDeviceState(state, &s);
    return s;
}

DWORD ProcessOf(HWND w)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    return pid;
}

}  // namespace

TEST_CASE("full screen, the backlight and display power in the running handheld program")
{
    for (const PROGRAM& p : ProgramsUnderTest()) {
        CAPTURE(p.name);
        Install install(p, Settings("upd=\"5\""));
        Running run(install.dir.Path(), p, "");
        HWND window = run.WaitForMainWindow();
        REQUIRE(window);
        HANDLE opened = nullptr;
        REQUIRE(WaitFor([&] { return (opened = OpenHandheldDeviceState(ProcessOf(window))) != nullptr; }, kStartMs));
        const KernelHandle guard(opened);
        const HANDLE state = guard.Get();
        CHECK(WaitFor([&] { return DeviceState(state).heldRequirements == 1; }, kStartMs));

        // Normal: the window over the device's work area, the bar below it.
        const RECT screen = DeviceScreenRect();
        HWND bar = MenuBarOf(window);
        REQUIRE(bar);
        const RECT normal = WindowRect(window), barPlace = WindowRect(bar);
        CHECK(Same(RECT{normal.left, normal.top, barPlace.right, barPlace.bottom}, screen));
        CHECK(normal.bottom == barPlace.top);
        CHECK(CaptureDevice(p.name + "_gps_screen.png"));
        // A view command asks for normal mode: while normal, nothing moves.
        const LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
        CHECK(run.Command(kScreenSatellite));
        CHECK(run.WaitForTitle([](const std::wstring& t) { return t == L"Satellite"; }));
        CHECK((Same(WindowRect(window), normal) && GetWindowLongPtrW(window, GWL_STYLE) == style));

        // Command 329 and Return toggle; a view command while full returns
        // to normal first.
        CHECK(run.Command(kToggleFull));
        CHECK(WaitForRect(window, screen));
        CHECK(WaitForRect(bar, RECT{barPlace.left, barPlace.top, barPlace.left, barPlace.top}));
        RECT client{};
        GetClientRect(window, &client);
        CHECK((client.right == kDeviceScreenWidth && client.bottom == kDeviceScreenHeight));
        CHECK(CaptureDevice(p.name + "_full_screen.png"));
        PostMessageW(window, WM_KEYDOWN, VK_RETURN, 0);
        CHECK(WaitForRect(window, normal));
        CHECK(WaitForRect(bar, barPlace));
        CHECK(run.Command(kToggleFull));
        CHECK(WaitForRect(window, screen));
        CHECK(run.Command(kScreenMap));
        CHECK(WaitForRect(window, normal));
        CHECK(run.WaitForTitle([](const std::wstring& t) { return t == L"Map"; }));
        CHECK(Same(WindowRect(MenuBarOf(window)), barPlace));
        CHECK(GetWindowLongPtrW(window, GWL_STYLE) == style);

        // A dialog covers the program's window on the device screen.
        CHECK(run.Command(kMapOptions));
        HWND dialog = nullptr;
        CHECK(WaitFor([&] { return (dialog = run.FindOwnWindow(L"#32770", L"Map Options")) && IsWindowVisible(dialog); },
                      kStartMs));
        CHECK(Same(WindowRect(dialog), normal));
        CHECK(CaptureDevice(p.name + "_dialog.png"));
        CHECK(run.Press(L"Map Options", IDCANCEL));
        CHECK(WaitFor([&] { return !IsWindow(dialog); }, kExitMs));

        // pathvex-ppc's calibrator reads the image's size through the shell's
        // loader, and saves the map.
        if (p.name == "pathvex-ppc") {
            REQUIRE(CreateDirectoryA(install.dir.File("maps").c_str(), nullptr));
            REQUIRE(mapstest::WritePng(install.dir.File("photo.png"), 64, 32, RGB(0, 0, 0), RGB(255, 0, 0)));
            CHECK(run.Command(kCalibrator));
            CHECK(WaitFor([&] { return (dialog = run.FindOwnWindow(L"#32770", L"Calibrator")) && IsWindowVisible(dialog); },
                          kStartMs));
            const std::wstring image = Widen(install.dir.File("photo.png"));
            for (const auto& [field, text] : {std::pair{101, L"23.7"}, {102, L"37.9"}, {103, L"13"}, {104, image.c_str()}})
                SetDlgItemTextW(dialog, field, text);
            PostMessageW(dialog, WM_COMMAND, IDOK, 0);
            CHECK(run.Answer(L"Save converted map to your maps directory?", IDYES));
            CHECK(WaitFor([&] { return FolderNames(install.dir.File("maps")).size() == 1; }, kStartMs));
        }

        // Display off by command 105, on by Return; off again, and the end of
        // the program (by another input) switches it on.
        CHECK(run.Command(kDisplayOff));
        CHECK(WaitFor([&] { return DeviceState(state).displayPower == kDisplayPowerOff; }, kStartMs));
        PostMessageW(window, WM_KEYDOWN, VK_RETURN, 0);
        CHECK(WaitFor([&] { return DeviceState(state).displayPower == kDisplayPowerOn; }, kStartMs));
        CHECK(run.Command(kDisplayOff));
        CHECK(WaitFor([&] { return DeviceState(state).displayPower == kDisplayPowerOff; }, kStartMs));
        CHECK(run.Close());
        const HANDHELD_DEVICE_STATE last = DeviceState(state);
        CHECK(last.heldRequirements == 0);
        CHECK(last.displayPower == kDisplayPowerOn);
    }
}

namespace {

constexpr int kMapClientWidth = 220;
constexpr int kMapClientHeight = 250;

// Sizes window so that its client area is the map client size, at the
// device screen's corner (the desktop's menu may take another line).
bool SizeClient(HWND window)
{
    const RECT at = DeviceScreenRect();
    for (int attempt = 0; attempt < 3; ++attempt) {
        RECT outer = WindowRect(window), client{};
        GetClientRect(window, &client);
        if (client.right == kMapClientWidth && client.bottom == kMapClientHeight && outer.left == at.left)
            return true;
        SetWindowPos(window, HWND_TOP, at.left, at.top, kMapClientWidth + (outer.right - outer.left) - client.right,
                     kMapClientHeight + (outer.bottom - outer.top) - client.bottom, 0);
    }
    return false;
}

// The desktop program beside the handheld ones in this tree.
constexpr const char* kDesktopProgram = sizeof(void*) == 8 ? "pathvex-x64" : "pathvex-x86";

// The Map screen of program name in the day scheme over a maps folder that
// holds one world map (a multiple of 4 wide, as the GIF encoder wants).
void PaintMap(const std::string& name, const std::string& extension, DibCanvas* shot)
{
    const bool desktop = name == kDesktopProgram;
    const PROGRAM program{name, L"", desktop, !desktop};
    Install install(program, Settings("upd=\"5\""));
    REQUIRE(CreateDirectoryA(install.dir.File("maps").c_str(), nullptr));
    const std::string map = install.dir.File("maps\\-180_90_180_-90." + extension);
    const COLORREF left = RGB(230, 200, 40), right = RGB(20, 90, 160);
    if (extension == "png")
        REQUIRE(mapstest::WritePng(map, 360, 180, left, right));
    else
        REQUIRE(mapstest::WriteEncoded(Widen(map), 360, 180, left, right,
                                       extension == "jpg" ? L"image/jpeg" : L"image/gif"));
    Running run(install.dir.Path(), program, "");
    HWND window = run.WaitForMainWindow();
    REQUIRE(window);
    CHECK(run.Command(kSchemeDay));
    CHECK(run.Command(kScreenMap));
    CHECK(run.WaitForTitle([](const std::wstring& t) { return t == L"Map"; }));
    REQUIRE(SizeClient(window));
    InvalidateRect(window, nullptr, TRUE);
    POINT at{0, 0};
    ClientToScreen(window, &at);
    CHECK(shot->CaptureScreen(at.x, at.y, kStartMs));
    CHECK(shot->SavePng(name + "_map_" + extension + ".png"));
    CHECK(run.Close());
}

// Pixels whose colours differ by more than a rounding step.
int Differences(const DibCanvas& a, const DibCanvas& b)
{
    int n = 0;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x) {
            const COLORREF p = a.Pixel(x, y), q = b.Pixel(x, y);
            for (int shift : {0, 8, 16})
                if (std::abs(int(p >> shift & 0xFF) - int(q >> shift & 0xFF)) > 2) {
                    ++n;
                    break;
                }
        }
    return n;
}

}  // namespace

TEST_CASE("the same maps folder paints the same map in the desktop program, pathvex-ppc and pathvex-wm")
{
    for (const char* extension : {"png", "jpg", "gif"}) {
        CAPTURE(extension);
        DibCanvas desktop(kMapClientWidth, kMapClientHeight);
        PaintMap(kDesktopProgram, extension, &desktop);
        // The map shows: the grid's inner area holds none of the background.
        CHECK(desktop.Count({20, 20, kMapClientWidth - 20, kMapClientHeight - 20}, RGB(0xE9, 0xE9, 0xE9)) == 0);
        for (const char* handheld : {"pathvex-ppc", "pathvex-wm"}) {
            CAPTURE(handheld);
            DibCanvas shot(kMapClientWidth, kMapClientHeight);
            PaintMap(handheld, extension, &shot);
            CHECK(Differences(desktop, shot) <= kMapClientWidth * kMapClientHeight / 500);
        }
    }
}

TEST_CASE("pathvex-ppc updates itself with its hash list read from XML")
{
    using updtest::ReadBytes;
    using updtest::Sha1Of;
    using updtest::WriteBytes;
    const std::string name = "pathvex-ppc.exe";
    testsupport::TempDir dir;
    updtest::UpdateServer server;
    std::string shipped = ReadBytes(Widen(ProgramDir() + "\\" + name));
    REQUIRE(updtest::PointAtServer(&shipped, server.Url("")));
    const std::wstring exe = dir.WPath() + L"\\" + Widen(name);
    REQUIRE(WriteBytes(exe, shipped));
    REQUIRE(WriteBytes(dir.WPath() + L"\\pathvex.xml", Settings("upd=\"5\"")));
    const std::string newer = shipped + std::string("\0newer build\0\0\0\0", 16);
    server.Serve("/tools/" + name, {newer});
    server.Serve("/hash.php?type=xml&file=./tools/" + name,
                 {"<?xml version=\"1.0\"?>\r\n<hash>\r\n<n1>" + Sha1Of(newer) + "</n1>\r\n</hash>\r\n"});

    PROGRAM ppc{"pathvex-ppc", L"Pathvex 0.989 PPC", false, true};
    Running run(dir.Path(), ppc, "");
    REQUIRE(run.WaitForMainWindow());
    updtest::BoxAnswerer box(ProcessOf(run.MainWindow()), L"Pathvex", IDYES, "handheld_update_question.png");
    CHECK(run.Command(kCheckForUpdates));
    CHECK(box.Wait(kStartMs * 3));
    CHECK(box.question);
    CHECK(box.text.find(L"Files updated successfully!") != std::wstring::npos);
    CHECK(run.WaitForExit(kStartMs));
    CHECK(ReadBytes(exe) == newer);
    CHECK(ReadBytes(exe + L".old") == shipped);
    CHECK(server.Requests() == std::vector<std::string>{"/hash.php?type=xml&file=./tools/" + name + " Brisko Update",
                                                        "/tools/" + name + " Brisko Update"});
}
