// The cell-tower monitor against the stand-in radio layer, which calls back
// on a thread of its own as the platform's does.
#include "stand_in_folder.h"

#include "platform/handheld/cell_tower.h"

#include <atomic>
#include <iterator>

using namespace standin;

namespace {

// The stand-ins in a folder of their own, the radio's script begun with
// first (if any); the folder is the one the library is looked for in, for
// the monitor's run.
struct Monitor {
    Folder radio;
    explicit Monitor(Libraries libraries, const char* first = nullptr) : radio(libraries)
    {
        if (first)
            radio.Radio(first);
        SetDllDirectoryW(radio.WPath().c_str());
        CurrentCellId.store(0);
        CellIdStores.store(0);
    }
    ~Monitor()
    {
        StopCellTowerMonitor();
        SetDllDirectoryW(nullptr);
    }
};

}  // namespace

TEST_CASE("the cell-tower monitor over the radio layer")
{
    SUBCASE("without RIL.DLL every call fails and the cell stays 0")
    {
        Monitor monitor(Libraries::None);
        CHECK(StartCellTowerMonitor() == 0);
        CHECK(RequestCellTowerInfo() == kRilMissing);
        CHECK_FALSE(LoadRilLibrary());
        CHECK(GetCurrentCellId() == 0);
    }

    SUBCASE("the start asks once for the cell; notifications of the right size bring the next ones")
    {
        Monitor monitor(Libraries::Whole, "tower 140 4711");
        const Folder& radio = monitor.radio;
        CHECK(StartCellTowerMonitor() == 1);
        CHECK(SUCCEEDED(RequestCellTowerInfo()));
        CHECK(WaitFor([] { return GetCurrentCellId() == 4711; }));
        CHECK(CellIdStores.load() == 1);
        CHECK(radio.Has(kRilLog, "init 1 0xff0000"));
        CHECK(radio.Has(kRilLog, "devspecific 26 4"));
        CHECK(radio.Count(kRilLog, "cellinfo") == 1);

        radio.Radio("notify 0x20003 8 0 1002");
        CHECK(radio.WaitPlayed(2));
        CHECK(GetCurrentCellId() == 1002);
        radio.Radio("notify 0x40008 12 0 0 1003");
        CHECK(radio.WaitPlayed(3));
        CHECK(GetCurrentCellId() == 1003);

        // Records and notifications of any other size or code change
        // nothing, and ask for no repaint.
        const char* ignored[] = {
            "notify 0x20003 12 0 9001 9001", "notify 0x20003 4 9001",   "notify 0x20003 0 0 9001",
            "notify 0x40008 8 0 9001",       "notify 0x40008 16 0 0 9001", "notify 0x20004 8 0 9001",
            "result 0 9001",                 "result 139 9001",           "result 141 9001",
            "result 65536 9001",
        };
        for (const char* line : ignored)
            radio.Radio(line);
        CHECK(radio.WaitPlayed(3 + std::size(ignored)));
        CHECK(GetCurrentCellId() == 1003);
        CHECK(CellIdStores.load() == 3);
        // A cell-tower record nobody asked for still counts.
        radio.Radio("result 140 1004");
        CHECK(radio.WaitPlayed(4 + std::size(ignored)));
        CHECK(GetCurrentCellId() == 1004);

        StopCellTowerMonitor();
        CHECK(radio.Has(kRilLog, "deinit"));
        // Stopped: the layer calls back no more.
        const size_t played = radio.Count(kRilLog, "played");
        radio.Radio("notify 0x20003 8 0 1005");
        Sleep(200);
        CHECK(radio.Count(kRilLog, "played") == played);
        CHECK(GetCurrentCellId() == 1004);
    }

    SUBCASE("a layer without the device-specific entry still reports its cell")
    {
        Monitor monitor(Libraries::Partial, "tower 140 77");
        CHECK(StartCellTowerMonitor() == 0);
        CHECK(SwitchRilDevSpecific(false) == 0);
        CHECK(SUCCEEDED(RequestCellTowerInfo()));
        CHECK(WaitFor([] { return GetCurrentCellId() == 77; }));
    }
}
