// The simulation feed through the port object's reader: the demonstration,
// timer and tapping mode, wrapping, and lists that do not fit.
#include "port_harness.h"

#include <doctest.h>

#include <string>
#include <vector>

using namespace porttest;

namespace {

// Puts the feed and the global mode back for the next test.
struct SimulationScope {
    explicit SimulationScope(int mode)
    {
        SimulationList.LoadDemonstration();
        SimulationMode = mode;
        WaitForSingleObject(SimulationStepEvent, 0);   // no tap left over
    }
    ~SimulationScope()
    {
        SimulationMode = kSimulationTapping;
        SimulationList.LoadDemonstration();
    }
};

}  // namespace

TEST_CASE("The demonstration list: a GSV, a GSA and 21 RMC sentences")
{
    SimulationList.LoadDemonstration();
    const std::vector<std::string> list = SimulationList.Sentences();
    REQUIRE(list.size() == 23);
    CHECK(list[0] == "$GPGSV,2,1,08,01,40,083,46,02,17,308,41,12,07,344,39,14,22,228,45*75");
    CHECK(list[1] == "$GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1*39");
    for (size_t i = 2; i < list.size(); ++i)
        CHECK(list[i].rfind("$GPRMC,", 0) == 0);
    CHECK(list[22] == "$GPRMC,170000,A,0000.0000,N,0000.0000,E,001.1,000.0,010107,003.1,W*6A");
}

TEST_CASE("The simulation plays its list in timer and tapping mode and wraps")
{
    TestWindow window;
    auto port = NewPort(&window);

    SUBCASE("timer mode: 23 sentences, then again from the first") {
        SimulationScope scope(kSimulationTimer);
        REQUIRE(port->Open(true, false));
        CHECK(Sounds().empty());   // no port, no sound
        REQUIRE(PumpUntil([&] { return window.messages.size() >= 25; }, 10000));
        for (size_t i = 0; i < 23; ++i)
            CHECK(window.messages[i].line == kSimulationDemonstration[i]);
        CHECK(window.messages[23].line == kSimulationDemonstration[0]);
        REQUIRE(!window.titles.empty());
        CHECK(window.titles[0] == L"Sim index: 0/23");
        CHECK(window.titles[3] == L"Sim index: 3/23");
        // Sentence 4: 22.5 N 45 W at 22.4 knots.
        const GPS_CURRENT& g = window.messages[3].record;
        CHECK(g.pos.y == doctest::Approx(22.5));
        CHECK(g.pos.x == doctest::Approx(-45.0));
        CHECK(g.knots == doctest::Approx(22.4));
        CHECK_FALSE(port->Close());   // a simulation closes without a port
        CHECK(Sounds().empty());
    }
    SUBCASE("three taps before the reader wakes give one sentence and move to the fourth") {
        SimulationScope scope(kSimulationTapping);
        // Each tap tells where it moves the feed, though the reader sleeps.
        CHECK(TapSimulation() == 1);
        CHECK(TapSimulation() == 2);
        CHECK(TapSimulation() == 3);
        REQUIRE(port->Open(true, false));
        REQUIRE(PumpUntil([&] { return window.messages.size() == 1; }));
        PumpFor(300);
        CHECK(window.messages.size() == 1);
        CHECK(window.messages[0].line == kSimulationDemonstration[0]);
        CHECK(SimulationList.Position() == 3);
        TapSimulation();
        REQUIRE(PumpUntil([&] { return window.messages.size() == 2; }));
        CHECK(window.messages[1].line == kSimulationDemonstration[3]);
    }
    SUBCASE("a tap count past the end starts the list over") {
        SimulationScope scope(kSimulationTapping);
        SimulationList.Replace({"$GPRMC,1", "$GPRMC,2", "$GPRMC,3"});
        SimulationTapCount = 1000;
        SetEvent(SimulationStepEvent);
        REQUIRE(port->Open(true, false));
        REQUIRE(PumpUntil([&] { return window.messages.size() == 1; }));
        CHECK(SimulationList.Position() == 0);
        CHECK(SimulationTapCount.load() == 0);
        TapSimulation();
        REQUIRE(PumpUntil([&] { return window.messages.size() == 2; }));
        CHECK(window.messages[1].line == "$GPRMC,1");
        CHECK(TapSimulation() == 2);
        CHECK(TapSimulation() == 0);   // the end of the list: back to the start
    }
    SUBCASE("an empty list gives nothing; an overlong sentence is cut; a line without '$' is dropped") {
        SimulationScope scope(kSimulationTapping);
        SimulationList.Replace({});
        REQUIRE(port->Open(true, false));
        TapSimulation();
        PumpFor(300);
        CHECK(window.messages.empty());

        SimulationList.Replace({"GPRMC,no dollar", "$GPRMC," + std::string(20000, '7')});
        TapSimulation();
        PumpFor(300);
        CHECK(window.messages.empty());
        CHECK(SimulationList.Position() == 1);
        TapSimulation();
        REQUIRE(PumpUntil([&] { return window.messages.size() == 1; }));
        CHECK(window.messages[0].line.size() == GpsPort::kReadChunkSize - 3);
        CHECK(SimulationList.Position() == 0);
    }
    SUBCASE("a switch to timer mode is noticed by a reader waiting for a tap") {
        SimulationScope scope(kSimulationTapping);
        REQUIRE(port->Open(true, false));
        PumpFor(200);
        CHECK(window.messages.empty());
        SimulationMode = kSimulationTimer;
        CHECK(PumpUntil([&] { return window.messages.size() >= 3; }));
    }
    port->Close();
}
