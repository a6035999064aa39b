#include <doctest.h>

#include <cstring>
#include <string>

#include "platform/nv_protocol.h"
#include "rig.h"

using emulator::Request;

namespace {

struct TestRig : Rig {
    TestRig()
    {
        REQUIRE(driver.Open(kDisplayName));
        adapter.ClearRequests();
    }
    std::uint32_t CoreHz() const { return adapter.State().coreClockHz; }
    std::uint32_t MemHz() const { return adapter.State().memClockHz; }
};

}  // namespace

TEST_CASE("nothing to test: true, no request, the flag untouched")
{
    TestRig rig;
    CHECK(rig.driver.TestClockSpeeds());
    CHECK(rig.adapter.Requests().empty());
    CHECK_FALSE(rig.driver.m_bClocksTested);
    CHECK(rig.system.clockTestRuns.empty());
}

TEST_CASE("a passed test runs the new clocks during the dialog and puts the old ones back")
{
    TestRig rig;
    rig.driver.SetNewCoreClock(230);
    rig.driver.SetNewMemClock(180);
    std::uint32_t coreDuring = 0, memDuring = 0;
    rig.system.duringClockTest = [&](const platform::ClockTestRun& run) {
        coreDuring = rig.CoreHz();
        memDuring = rig.MemHz();
        CHECK(run.coreMHz == 230);
        CHECK(run.memMHz == 180);
        CHECK(run.client == rig.driver.m_hClient);
        CHECK(run.byDeviceName);
        CHECK(std::string(run.deviceName) == kDisplayName);
    };
    CHECK(rig.driver.TestClockSpeeds());
    CHECK(rig.driver.m_bClocksTested);
    CHECK(coreDuring == 230000000);
    CHECK(memDuring == 180000000);
    CHECK(rig.CoreHz() == 200000000);
    CHECK(rig.MemHz() == 166000000);
    CHECK(rig.driver.GetCoreClock() == 200);
    CHECK(rig.driver.m_nNewCoreClock == 230);
    CHECK(rig.adapter.OpenClients() == 0);
    int resets = 0;
    for (const Request& r : rig.adapter.Requests())
        resets += r.kind == Request::kDisplaySettings && r.code == 0;
    CHECK(resets == 2);
}

TEST_CASE("clocks beyond what the board survives fail the test")
{
    TestRig rig;
    rig.driver.m_bClocksTested = true;
    rig.driver.SetNewCoreClock(245);
    CHECK_FALSE(rig.driver.TestClockSpeeds());
    CHECK_FALSE(rig.driver.m_bClocksTested);
    CHECK(rig.CoreHz() == 200000000);
    // Only the changed clock was touched.
    for (const Request& r : rig.adapter.Requests())
        CHECK(r.item != nv::kItemMemClock);
    // The board is sound again afterwards: a test within its limits passes.
    rig.driver.SetNewCoreClock(220);
    CHECK(rig.driver.TestClockSpeeds());
}

TEST_CASE("each failing request of a test: its message, the connection freed, the old clocks back")
{
    std::size_t total = 0;
    {
        TestRig rig;
        rig.driver.SetNewCoreClock(230);
        rig.driver.SetNewMemClock(180);
        REQUIRE(rig.driver.TestClockSpeeds());
        total = rig.adapter.Requests().size();
    }
    REQUIRE(total == 9);  // alloc, device, 2 sets, reset, 2 restores, free, reset
    // A refused restore is asked again, so it leaves no message.
    const char* expected[9] = {
        "E6.1: Invalid video driver allocation.", "E6.2: Invalid video driver device ID.",
        "E6.3: Unable to set the video core clock speed.", "E6.4: Unable to set the video memory clock speed.",
        nullptr, nullptr, nullptr, nullptr, nullptr,
    };
    const bool passes[9] = {false, false, true, true, true, true, true, true, false};
    for (std::size_t failing = 0; failing < total; ++failing) {
        CAPTURE(failing);
        TestRig rig;
        rig.driver.SetNewCoreClock(230);
        rig.driver.SetNewMemClock(180);
        std::size_t seen = 0;
        rig.adapter.FailWhen([&](const Request&) { return seen++ == failing; });
        CHECK(rig.driver.TestClockSpeeds() == passes[failing]);
        CHECK(rig.driver.GetLastErrorText() == (expected[failing] ? expected[failing] : "None"));
        CHECK(rig.adapter.OpenClients() <= (failing == 7 ? 1u : 0u));
        CHECK(rig.CoreHz() == 200000000);
        CHECK(rig.MemHz() == 166000000);
    }
}

TEST_CASE("a board that refuses every restore: the message, and the test still ends")
{
    TestRig rig;
    rig.driver.SetNewCoreClock(230);
    int sets = 0;
    rig.adapter.FailWhen([&](const Request& r) {
        return r.code == nv::kFnRmConfigSet && r.item == nv::kItemCoreClock && ++sets > 1;
    });
    rig.driver.TestClockSpeeds();
    CHECK(rig.driver.GetLastErrorText() == "E6.7: Unable to reset the video core clock speed.");
    CHECK(sets == 4);  // the trial, then three restores
    CHECK(rig.adapter.OpenClients() == 0);
}
