// Read-back after an apply and the clocks remembered as failed: the
// comparison, the stored list, and both on the emulated board.
#include <doctest.h>

#include <cstring>
#include <string>

#include "driver/read_back.h"
#include "driver/registry_layout.h"
#include "rig.h"

using driver::ClockPair;

namespace {

std::vector<unsigned char> Bytes(std::initializer_list<int> values)
{
    std::vector<unsigned char> bytes;
    for (int v : values)
        bytes.push_back(static_cast<unsigned char>(v));
    return bytes;
}

std::string Pairs(const std::vector<ClockPair>& pairs)
{
    std::string text;
    for (const ClockPair& p : pairs)
        text += std::to_string(p.core) + "/" + std::to_string(p.mem) + " ";
    return text;
}

// Opens a session, applies the new core clock as tested, and returns what
// the read-back tells.
std::string ApplyCore(CDisplayDriver& driver, int mhz)
{
    REQUIRE(driver.Open(kDisplayName));
    StageTestedClocks(driver, mhz, driver.GetMemClock());
    REQUIRE(driver.ApplySettings());
    return driver.ReadBackApplied();
}

}  // namespace

TEST_CASE("a clock is told when it is half a MHz or more from the one applied")
{
    CHECK(driver::ClockDifference("core", 211000000, 211).empty());
    CHECK(driver::ClockDifference("core", 210500001, 211).empty());
    CHECK(driver::ClockDifference("core", 211499999, 211).empty());
    CHECK(driver::ClockDifference("core", 210500000, 211)
          == "The driver runs the core clock at 210.5 MHz, not at the 211 MHz that was applied.");
    CHECK(driver::ClockDifference("memory", 167500000, 167)
          == "The driver runs the memory clock at 167.5 MHz, not at the 167 MHz that was applied.");
    CHECK(driver::ClockDifference("core", 210000000, 211)
          == "The driver runs the core clock at 210 MHz, not at the 211 MHz that was applied.");
}

TEST_CASE("the failed clocks: newest last, at most 16, a pair once, a damaged value empty")
{
    std::vector<ClockPair> pairs;
    for (int i = 0; i < 17; ++i)
        driver::AddFailedClocks(&pairs, {static_cast<std::uint16_t>(230 + i), 166});
    CHECK(pairs.size() == 16);
    CHECK(pairs.front().core == 231);
    CHECK(pairs.back().core == 246);
    driver::AddFailedClocks(&pairs, {231, 166});
    CHECK(pairs.size() == 16);
    CHECK(pairs.front().core == 232);
    CHECK(pairs.back().core == 231);
    CHECK(Pairs(driver::DecodeFailedClocks(platform::kRegBinary, driver::EncodeFailedClocks(pairs))) == Pairs(pairs));

    CHECK(Pairs(driver::DecodeFailedClocks(platform::kRegBinary, Bytes({0xE6, 0, 0xA6, 0}))) == "230/166 ");
    CHECK(driver::DecodeFailedClocks(platform::kRegDword, Bytes({0xE6, 0, 0xA6, 0})).empty());
    CHECK(driver::DecodeFailedClocks(platform::kRegBinary, Bytes({0xE6, 0, 0xA6})).empty());
    CHECK(driver::DecodeFailedClocks(platform::kRegBinary, std::vector<unsigned char>(68)).empty());

    const std::vector<ClockPair> failed = {{240, 180}, {230, 170}};
    CHECK(driver::FailedAtOrBelow(failed, 230, 170)->core == 230);
    CHECK(driver::FailedAtOrBelow(failed, 250, 185)->core == 240);
    CHECK_FALSE(driver::FailedAtOrBelow(failed, 250, 169));
    CHECK_FALSE(driver::FailedAtOrBelow(failed, 229, 200));
}

TEST_CASE("a failed test and a test found unfinished are remembered")
{
    Rig rig;
    REQUIRE(rig.driver.Open(kDisplayName));
    rig.driver.SetNewCoreClock(245);
    CHECK_FALSE(rig.driver.TestClockSpeeds());
    rig.driver.SetNewCoreClock(220);
    CHECK(rig.driver.TestClockSpeeds());
    CHECK(Pairs(rig.driver.FailedClocks()) == "245/166 ");

    for (const char* name : {"OldCore", "OldMem", "TrialCore", "TrialMem"})
        rig.system.PutDword(layout::kClockJournalKey, name, std::strcmp(name, "TrialCore") == 0 ? 238 : 166);
    rig.system.PutDword(layout::kClockJournalKey, "OldCore", 200);
    CDisplayDriver next(rig.adapter, rig.system, 0);
    REQUIRE(next.Open(kDisplayName));
    CHECK(Pairs(next.FailedClocks()) == "245/166 238/166 ");

    rig.system.PutDword(layout::kClockJournalKey, layout::kFailedClocks, 7);
    CHECK(next.FailedClocks().empty());
}

TEST_CASE("a pair that passed and later failed is no longer listed as passed")
{
    Rig rig;
    REQUIRE(rig.driver.Open(kDisplayName));
    rig.driver.SetNewCoreClock(230);
    REQUIRE(rig.driver.TestClockSpeeds());
    CHECK(Pairs(rig.driver.PassedClocks()) == "230/166 ");
    emulator::AdapterState board = rig.adapter.State();
    board.stableCoreMHz = 225;  // the board has grown weaker since
    rig.adapter.Reset(board);
    CHECK_FALSE(rig.driver.TestClockSpeeds());
    CHECK(rig.driver.PassedClocks().empty());
    CHECK(Pairs(rig.driver.FailedClocks()) == "230/166 ");
}

TEST_CASE("read-back: an exact board tells nothing, a rounding or ignoring one tells each clock")
{
    OpenedRig rig;
    CHECK(ApplyCore(rig.driver, 211).empty());
    CHECK(rig.adapter.OpenClients() == 0);  // the read's own connection is freed

    emulator::AdapterState board;
    board.clockStepHz = 2000000;
    rig.adapter.Reset(board);
    CDisplayDriver stepped(rig.adapter, rig.system, 0);
    CHECK(ApplyCore(stepped, 211) == "The driver runs the core clock at 210 MHz, not at the 211 MHz that was applied.");
    REQUIRE(stepped.ApplySettings());  // nothing to apply: no clock to read back
    CHECK(stepped.ReadBackApplied().empty());

    board.clockStepHz = 0;
    board.ignoreClockSets = 1;
    rig.adapter.Reset(board);
    CDisplayDriver ignoring(rig.adapter, rig.system, 0);
    REQUIRE(ignoring.Open(kDisplayName));
    StageTestedClocks(ignoring, 215, 170);
    REQUIRE(ignoring.ApplySettings());
    CHECK(ignoring.ReadBackApplied()
          == "The driver runs the core clock at 200 MHz, not at the 215 MHz that was applied.\n"
             "The driver runs the memory clock at 166 MHz, not at the 170 MHz that was applied.");
}

TEST_CASE("read-back: registry values not kept as written are named")
{
    OpenedRig rig;
    emulator::AdapterState board;
    board.refuseSettingWrites = 1;
    rig.adapter.Reset(board);
    CDisplayDriver& d = rig.driver;
    REQUIRE(d.Open(kDisplayName));
    REQUIRE(d.GetD3DVSync());
    d.SetNewD3DVSync(false);
    REQUIRE(d.ApplySettings());
    CHECK(d.ReadBackApplied() == "The registry value Direct3D\\VSYNCENABLE does not hold what was applied.");
    CHECK(rig.system.OpenKeys() == 0);
    // Values the driver's keys keep as written, and an apply with nothing
    // to change, tell nothing.
    board.refuseSettingWrites = 0;
    rig.adapter.Reset(board);
    d.SetNewOpenGLVSync(!d.GetOpenGLVSync());
    REQUIRE(d.ApplySettings());
    CHECK(d.ReadBackApplied().empty());
    // The same bytes kept as another type are not what was applied.
    const std::string openGL = std::string(kNtAdapterKey) + "\\OpenGL";
    const fake::RegValue* held = rig.system.FindValue(openGL, "DefaultSwapInterval");
    REQUIRE(held);
    const std::vector<unsigned char> bytes = held->data;
    rig.system.PutValue(openGL, "DefaultSwapInterval", platform::kRegBinary, bytes.data(), bytes.size());
    CHECK(d.ReadBackApplied() == "The registry value OpenGL\\DefaultSwapInterval does not hold what was applied.");
    std::uint32_t applied = 0;
    std::memcpy(&applied, bytes.data(), 4);
    rig.system.PutDword(openGL, "DefaultSwapInterval", applied + 5);  // changed by another program since
    CHECK(d.ReadBackApplied() == "The registry value OpenGL\\DefaultSwapInterval holds " + std::to_string(applied + 5)
                                     + ", not the " + std::to_string(applied) + " that was applied.");
    CHECK(d.ApplySettings());
    CHECK(d.ReadBackApplied().empty());
}
