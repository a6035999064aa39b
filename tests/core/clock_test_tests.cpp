#include <doctest.h>

#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <vector>
#include <string>

#include "driver/registry_layout.h"
#include "platform/nv_protocol.h"
#include "rig.h"

using emulator::Request;

namespace {

const std::string kJournal = layout::kClockJournalKey;
const char* const kJournalValues[] = {"OldCore", "OldMem", "TrialCore", "TrialMem"};

// The journal's values as stored, 0 for each that is missing.
std::vector<std::uint32_t> Journal(const fake::FakeSystem& system)
{
    std::vector<std::uint32_t> values;
    for (const char* name : kJournalValues)
        values.push_back(system.Dword(kJournal, name));
    return values;
}
const std::vector<std::uint32_t> kNoJournal = {0, 0, 0, 0};

// Stores a journal's values as a test or apply leaves them, 0 for each left out.
void PutJournal(fake::FakeSystem& system, const std::vector<std::uint32_t>& values)
{
    for (std::size_t i = 0; i < 4; ++i)
        if (values[i])
            system.PutDword(kJournal, kJournalValues[i], values[i]);
}

struct TestRig : OpenedRig {
    std::uint32_t CoreHz() const { return adapter.State().coreClockHz; }
    std::uint32_t MemHz() const { return adapter.State().memClockHz; }
    bool BoardAtFactoryClocks() const { return CoreHz() == 200000000 && MemHz() == 166000000; }
    // The display-settings calls made, as "flags device".
    std::vector<std::string> DisplayCalls() const
    {
        std::vector<std::string> calls;
        for (const Request& r : adapter.Requests())
            if (r.kind == Request::kDisplaySettings)
                calls.push_back(std::to_string(r.flags) + " " + r.device + (r.fields.empty() ? "" : " mode"));
        return calls;
    }
};

// Fails every restore of a clock, that is, every set after the first of its item.
std::function<bool(const Request&)> RefuseRestores()
{
    auto sets = std::make_shared<std::map<std::uint32_t, int>>();
    return [sets](const Request& r) { return r.code == nv::kFnRmConfigSet && ++(*sets)[r.item] > 1; };
}

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
    CHECK(resets == 4);  // the test's two and one each time the progress shows or hides
}

TEST_CASE("clocks beyond what the board survives fail the test")
{
    TestRig rig;
    StageTestedClocks(rig.driver, 245, 166);
    CHECK_FALSE(rig.driver.TestClockSpeeds());
    CHECK_FALSE(rig.driver.m_bClocksTested);
    CHECK(rig.CoreHz() == 200000000);
    // The memory clock was written only as the board ran it.
    for (const Request& r : rig.adapter.Requests())
        if (r.code == nv::kFnRmConfigSet && r.item == nv::kItemMemClock)
            CHECK(r.fields[4] == 166000000u);
    CHECK(rig.MemHz() == 166000000);
    // The board is sound again afterwards: a test within its limits passes.
    rig.driver.SetNewCoreClock(220);
    CHECK(rig.driver.TestClockSpeeds());
}

TEST_CASE("each failing request of a test: its message, the connection freed, the old clocks back")
{
    // alloc, device, 2 reads, 2 sets, reset, the progress's 2 sets and reset
    // when shown and when hidden, the trial's 2 reads, 2 restores, 2 reads,
    // free, reset
    constexpr std::size_t kRequests = 21;
    constexpr std::size_t kTrialRead = 13, kFree = 19;
    // Reading the clocks before, the trial while shown, a restore asked
    // again and the reading after it leave no message; a trial that cannot
    // be read back tested nothing; otherwise only the final reset decides.
    auto expected = [](std::size_t failing) -> std::string {
        const char* messages[6] = {
            "E6.1: Invalid video driver allocation.", "E6.2: Invalid video driver device ID.", "None", "None",
            "E6.3: Unable to set the video core clock speed.", "E6.4: Unable to set the video memory clock speed.",
        };
        if (failing == kTrialRead || failing == kTrialRead + 1)
            return CDisplayDriver::kNothingTested;
        return failing < 6 ? messages[failing] : "None";
    };
    const std::size_t total = FailEachRequest<TestRig>(
        [](TestRig& rig) {
            rig.driver.SetNewCoreClock(230);
            rig.driver.SetNewMemClock(180);
            return rig.driver.TestClockSpeeds();
        },
        [&](TestRig& rig, std::size_t failing, const Request&, bool passed) {
            CHECK(passed == (failing > 1 && failing != kTrialRead && failing != kTrialRead + 1 && failing + 1 < kRequests));
            CHECK(rig.driver.GetLastErrorText() == expected(failing));
            CHECK(rig.driver.GetRestoreErrorText().empty());
            CHECK(rig.adapter.OpenClients() <= (failing == kFree ? 1u : 0u));
            CHECK(rig.BoardAtFactoryClocks());
        });
    CHECK(total == kRequests);
}

TEST_CASE("a board that refuses the old clocks back: the verdict stands, the refusal is told, the journal stays")
{
    for (const bool passes : {true, false}) {
        CAPTURE(passes);
        TestRig rig;
        emulator::AdapterState board;
        board.refuseClockSetsFrom = 6;  // the trial's and the progress's five core and memory sets take
        rig.adapter.Reset(board);
        rig.driver.SetNewCoreClock(passes ? 230 : 245);
        CHECK(rig.driver.TestClockSpeeds() == passes);
        CHECK(rig.driver.GetRestoreErrorText() == "E6.7: Unable to reset the video core clock speed.");
        CHECK(rig.CoreHz() == (passes ? 230000000u : 245000000u));
        CHECK(rig.MemHz() == 166000000);
        CHECK(Journal(rig.system) == std::vector<std::uint32_t>{200, 166, passes ? 230u : 245u, 166});
        CHECK((rig.system.FindValue(kJournal, "TestPassed") != nullptr) == passes);
        CHECK(rig.adapter.OpenClients() == 0);
        int coreSets = 0;
        for (const Request& r : rig.adapter.Requests())
            coreSets += r.code == nv::kFnRmConfigSet && r.item == nv::kItemCoreClock;
        CHECK(coreSets == 6);  // the trial, the progress twice, three restores
    }
}

TEST_CASE("after a refused restore, an apply of the tested pair or of the clocks before ends the journal")
{
    for (const int core : {230, 200}) {
        CAPTURE(core);
        TestRig rig;
        emulator::AdapterState board;
        board.refuseClockSetsFrom = 6;
        rig.adapter.Reset(board);
        rig.driver.SetNewCoreClock(230);
        REQUIRE(rig.driver.TestClockSpeeds());
        REQUIRE(!rig.driver.GetRestoreErrorText().empty());
        rig.driver.SetNewCoreClock(core);  // OK as tested, or Reset and OK
        CHECK(rig.driver.ApplySettings());
        CHECK(rig.CoreHz() == static_cast<std::uint32_t>(core) * 1000000u);
        CHECK(Journal(rig.system) == kNoJournal);
        CHECK(rig.system.FindValue(kJournal, "TestPassed") == nullptr);
        CHECK(rig.driver.GetRestoreErrorText().empty());
        // The next start finds nothing to put back, and no failed pair.
        Rig next;
        next.system = rig.system;
        REQUIRE(CDisplayDriver(next.adapter, next.system, 0).Open(kDisplayName));
        CHECK(next.system.messageBoxes.empty());
        CHECK(CDisplayDriver(next.adapter, next.system, 0).FailedClocks().empty());
    }
}

TEST_CASE("a test that cannot begin tests nothing, and a refused restore is not told after a later good one")
{
    TestRig rig;
    rig.system.lockedElsewhere = true;
    rig.driver.SetNewCoreClock(230);
    CHECK_FALSE(rig.driver.TestClockSpeeds());
    CHECK(rig.driver.GetLastErrorText() == CDisplayDriver::kSettingsBusy);
    CHECK(rig.BoardAtFactoryClocks());
    rig.system.lockedElsewhere = false;

    rig.adapter.FailWhen(RefuseRestores());
    REQUIRE(rig.driver.TestClockSpeeds());  // passed; 200 refused back, the journal stands
    REQUIRE_FALSE(rig.driver.GetRestoreErrorText().empty());
    rig.adapter.FailWhen([](const Request& r) { return r.code == nv::kFnRmConfigSet; });
    rig.driver.SetNewCoreClock(220);
    CHECK_FALSE(rig.driver.TestClockSpeeds());  // the standing journal cannot be settled first
    CHECK(rig.driver.GetLastErrorText() == CDisplayDriver::kNothingTested);
    CHECK(rig.CoreHz() == 230000000);
    CHECK(rig.adapter.OpenClients() == 0);
    rig.adapter.FailWhen(nullptr);
    CHECK(rig.driver.TestClockSpeeds());
    CHECK(rig.driver.GetRestoreErrorText().empty());
    CHECK(rig.BoardAtFactoryClocks());
}

TEST_CASE("a pair that settling another program's test puts back on the board needs no test")
{
    TestRig rig;  // the window, opened at 200/166
    CDisplayDriver other(rig.adapter, rig.system, 0);  // marovexctl clocks 220 166, then a test of 245 killed
    REQUIRE(other.Open(kDisplayName));
    StageTestedClocks(other, 220, 166);
    REQUIRE(other.ApplySettings());
    PutJournal(rig.system, {220, 166, 245, 166});
    emulator::AdapterState board = rig.adapter.State();
    board.coreClockHz = 245000000;
    rig.adapter.Reset(board);
    rig.driver.SetNewCoreClock(220);
    CHECK(rig.driver.TestClockSpeeds());  // the settle put 220 back: nothing left to test
    CHECK(rig.system.clockTestRuns.empty());
    CHECK(rig.CoreHz() == 220000000);
    CHECK(Journal(rig.system) == kNoJournal);
    CHECK(rig.adapter.OpenClients() == 0);
}

TEST_CASE("only the pair that passed the last test may be applied, besides the current clocks")
{
    TestRig rig;
    rig.driver.SetNewCoreClock(230);
    REQUIRE(rig.driver.TestClockSpeeds());
    CHECK(rig.driver.ClocksMayBeApplied(230, 166));
    CHECK(rig.driver.ClocksMayBeApplied(200, 166));
    CHECK_FALSE(rig.driver.ClocksMayBeApplied(250, 166));
    CHECK_FALSE(rig.driver.ClocksMayBeApplied(230, 167));
    rig.driver.SetNewCoreClock(250);  // moved after the test
    CHECK(rig.driver.ApplySettings());
    CHECK(rig.CoreHz() == 200000000);
    CHECK(rig.driver.GetCoreClock() == 200);
    // A pass lets one apply take its clocks, and no later one.
    rig.driver.SetNewCoreClock(230);
    REQUIRE(rig.driver.TestClockSpeeds());
    REQUIRE(rig.driver.ApplySettings());
    CHECK(rig.CoreHz() == 230000000);
    rig.driver.SetNewCoreClock(200);  // the baseline, no test needed
    REQUIRE(rig.driver.ApplySettings());
    rig.driver.SetNewCoreClock(230);
    CHECK(rig.driver.ApplySettings());
    CHECK(rig.CoreHz() == 200000000);
}

TEST_CASE("a test leaves the clock it does not test as the board ran it, to the hertz")
{
    struct Case {
        const char* what;
        std::uint32_t stepHz, coreHz, memHz;
        int testCore, testMem;
    } cases[] = {
        // The board makes 166 MHz memory as 165 MHz.
        {"a core test on a board with a 1.5 MHz step", 1500000, 199500000, 166000000, 212, 165},
        {"a memory test with the core at 166.666666 MHz", 0, 166666666, 166000000, 167, 180},
        {"a core test with the memory at 166.333333 MHz", 0, 200000000, 166333333, 220, 166},
    };
    for (const Case& c : cases) {
        CAPTURE(c.what);
        Rig rig;
        rig.system.PutKey(layout::kRunKey);
        emulator::AdapterState board;
        board.clockStepHz = c.stepHz;
        board.coreClockHz = c.coreHz;
        board.memClockHz = c.memHz;
        rig.adapter.Reset(board);
        REQUIRE(rig.driver.Open(kDisplayName));
        const emulator::AdapterState before = rig.adapter.State();
        rig.driver.SetNewCoreClock(c.testCore);
        rig.driver.SetNewMemClock(c.testMem);
        CHECK(rig.driver.TestClockSpeeds());
        CHECK(rig.adapter.State().coreClockHz == before.coreClockHz - before.coreClockHz % (c.stepHz ? c.stepHz : 1));
        CHECK(rig.adapter.State().memClockHz == before.memClockHz - before.memClockHz % (c.stepHz ? c.stepHz : 1));
    }
}

TEST_CASE("the journal is written before the trial clocks go on and deleted once the old ones are back")
{
    TestRig rig;
    rig.driver.SetNewCoreClock(230);
    rig.driver.SetNewMemClock(180);
    std::vector<std::uint32_t> atFirstSet, during;
    rig.adapter.FailWhen([&](const Request& r) {
        if (r.code == nv::kFnRmConfigSet && atFirstSet.empty())
            atFirstSet = Journal(rig.system);
        return false;
    });
    rig.system.duringClockTest = [&](const platform::ClockTestRun&) { during = Journal(rig.system); };
    CHECK(rig.driver.TestClockSpeeds());
    CHECK(atFirstSet == std::vector<std::uint32_t>{200, 166, 230, 180});
    CHECK(during == std::vector<std::uint32_t>{200, 166, 230, 180});
    CHECK(Journal(rig.system) == kNoJournal);
    // Both resets of a test: no mode, CDS_RESET, the verified display.
    CHECK(rig.DisplayCalls() == std::vector<std::string>(4, "1073741824 \\\\.\\Display1"));
}

TEST_CASE("a journal that cannot be written ends the test before any clock is set")
{
    TestRig rig;
    rig.driver.SetNewCoreClock(230);
    int writes = 0;
    for (int failing : {1, 2, 3}) {
        CAPTURE(failing);
        writes = 0;
        rig.system.failRegistryWhen = [&](const fake::RegCall& c) {
            return c.op == fake::RegCall::kSet && c.key.find("Clock Test") != std::string::npos && ++writes == failing;
        };
        CHECK_FALSE(rig.driver.TestClockSpeeds());
        CHECK(rig.driver.GetLastErrorText() == CDisplayDriver::kClockJournalError);
        CHECK(rig.driver.GetLastErrorText() == "E6.10: Unable to record the clock test in the registry.");
        for (const Request& r : rig.adapter.Requests())
            CHECK(r.code != nv::kFnRmConfigSet);
        CHECK(rig.system.clockTestRuns.empty());
        CHECK(rig.adapter.OpenClients() == 0);
        CHECK(Journal(rig.system) == kNoJournal);  // what was written is taken away again
    }
}

TEST_CASE("the clocks put back are those recorded before the trial, not a reading taken during it")
{
    TestRig rig;
    rig.driver.SetNewCoreClock(230);
    rig.system.duringClockTest = [&](const platform::ClockTestRun&) {
        REQUIRE(rig.driver.Open(kDisplayName));
        // The board runs the trial clock now, which is never taken for its own.
        CHECK(rig.adapter.State().coreClockHz == 230000000);
        CHECK(rig.driver.GetCoreClock() == 200);
    };
    CHECK(rig.driver.TestClockSpeeds());
    CHECK(rig.BoardAtFactoryClocks());
}

TEST_CASE("a restore the board refuses keeps the journal for the next start")
{
    TestRig rig;
    rig.driver.SetNewCoreClock(230);
    rig.driver.SetNewMemClock(180);
    rig.adapter.FailWhen(RefuseRestores());
    rig.driver.TestClockSpeeds();
    CHECK(rig.driver.GetLastErrorText() == "E6.8: Unable to reset the video memory clock speed.");
    CHECK(Journal(rig.system) == std::vector<std::uint32_t>{200, 166, 230, 180});
    CHECK(rig.adapter.OpenClients() == 0);
}

TEST_CASE("a display library or function that goes missing: the step's message, the old clocks back")
{
    struct Case {
        DisplayLibraryGone::What what;
        int fromLoad;
        const char* message;
        std::size_t dialogs;
    } cases[] = {
        {DisplayLibraryGone::kLibrary, 1, "E6.5: Unable to load USER32.DLL library.", 0},
        {DisplayLibraryGone::kFunction, 1, "E5.6: Unable to change display setting.", 0},
        {DisplayLibraryGone::kLibrary, 2, "E6.9: Unable to load USER32.DLL library.", 1},
        {DisplayLibraryGone::kFunction, 2, "E5.10: Unable to change display setting.", 1},
    };
    for (const Case& c : cases) {
        for (bool refuseRestores : {false, true}) {
            CAPTURE(c.message);
            CAPTURE(refuseRestores);
            TestRig rig;
            DisplayLibraryGone os(rig.adapter, c.what, c.fromLoad);
            CDisplayDriver d(os, rig.system, 0);
            REQUIRE(d.Open(kDisplayName));
            StageTestedClocks(d, 230, 180);
            if (refuseRestores)
                rig.adapter.FailWhen(RefuseRestores());
            CHECK_FALSE(d.TestClockSpeeds());
            CHECK(d.GetLastErrorText() == c.message);
            CHECK(rig.system.clockTestRuns.size() == c.dialogs);
            CHECK(rig.adapter.OpenClients() == 0);
            CHECK(rig.BoardAtFactoryClocks() != refuseRestores);
            CHECK((Journal(rig.system) == kNoJournal) != refuseRestores);
            CHECK(d.m_bClocksTested);  // a test that did not reach its end leaves the flag
        }
    }
}

TEST_CASE("a journal left behind is settled when the session is first opened")
{
    struct Case {
        const char* what;
        std::uint32_t boardCoreMHz, boardMemMHz;
        std::vector<std::uint32_t> journal;
        bool refuseSets;
        const char* box;  // nullptr: none
        std::uint32_t coreAfter;
        std::vector<std::uint32_t> journalAfter;
        int currentCore;  // while the journal stands, the clock before the test
    } cases[] = {
        {"killed during the trial", 250, 166, {200, 166, 250, 166}, false,
         "The clock test of 250 MHz core and 166 MHz memory did not finish. "
         "The clock speeds before it, 200 MHz and 166 MHz, were restored.",
         200, kNoJournal, 200},
        {"the machine restarted", 200, 166, {200, 166, 250, 166}, false,
         "The clock test of 250 MHz core and 166 MHz memory did not finish. "
         "The board runs other clock speeds now, 200 MHz and 166 MHz; they were left as they are.",
         200, kNoJournal, 200},
        {"the board refuses the old clocks", 250, 166, {200, 166, 250, 166}, true,
         "The clock test of 250 MHz core and 166 MHz memory did not finish. "
         "The clock speeds before it, 200 MHz and 166 MHz, could not be restored; please restart the computer.",
         250, {200, 166, 250, 166}, 200},
        {"a journal written only in part", 250, 166, {200, 166, 0, 0}, false,
         "A damaged record of a clock test was found and removed; no clock speed was changed.", 250, kNoJournal, 250},
        {"no journal", 250, 166, kNoJournal, false, nullptr, 250, kNoJournal, 250},
    };
    for (const Case& c : cases) {
        CAPTURE(c.what);
        Rig rig;
        REQUIRE(CDisplayDriver(rig.adapter, rig.system, 0).Open(kDisplayName));  // the baseline
        emulator::AdapterState state;
        state.coreClockHz = c.boardCoreMHz * 1000000u;
        state.memClockHz = c.boardMemMHz * 1000000u;
        rig.adapter.Reset(state);
        PutJournal(rig.system, c.journal);
        if (c.refuseSets)
            rig.adapter.FailWhen([](const Request& r) { return r.code == nv::kFnRmConfigSet; });
        REQUIRE(rig.driver.Open(kDisplayName));
        if (c.box) {
            REQUIRE(rig.system.messageBoxes.size() == 1);
            const fake::MessageBoxCall& box = rig.system.messageBoxes[0];
            CHECK(box.text == c.box);
            CHECK(box.caption == "Marovex");
            CHECK(box.type == (platform::kMbOk | platform::kMbIconInformation));
            CHECK(box.owner == 0x1234);
        } else {
            CHECK(rig.system.messageBoxes.empty());
        }
        CHECK(rig.adapter.State().coreClockHz == c.coreAfter * 1000000u);
        CHECK(rig.driver.GetCoreClock() == c.currentCore);  // read after settling
        CHECK(Journal(rig.system) == c.journalAfter);
        CHECK(rig.adapter.OpenClients() == 0);
        CHECK(rig.system.OpenKeys() == 0);
        bool displayReset = false;  // the display takes clocks put back
        for (const Request& r : rig.adapter.Requests())
            displayReset = displayReset || r.kind == Request::kDisplaySettings;
        CHECK(displayReset == (c.coreAfter != c.boardCoreMHz));
        // Told once: a later Open of the same session says nothing more.
        rig.adapter.FailWhen(nullptr);
        REQUIRE(rig.driver.Open(kDisplayName));
        CHECK(rig.system.messageBoxes.size() == (c.box ? 1u : 0u));
    }
}

TEST_CASE("while the progress is shown the board runs the trial clocks; the display takes them only if both took")
{
    struct Case {
        const char* what;
        std::uint32_t refusedItem;  // 0: none
        bool reset;
    } cases[] = {
        {"both clocks set", 0, true},
        {"the core clock refused", nv::kItemCoreClock, false},
        {"the memory clock refused", nv::kItemMemClock, false},
    };
    for (const Case& c : cases) {
        CAPTURE(c.what);
        TestRig rig;
        rig.driver.SetNewCoreClock(230);
        rig.driver.SetNewMemClock(180);
        std::vector<Request> shown;
        rig.system.whileShown = [&](platform::ClockTrial& trial) {
            rig.adapter.ClearRequests();
            rig.adapter.FailWhen([&](const Request& r) { return r.code == nv::kFnRmConfigSet && r.item == c.refusedItem; });
            trial.OnProgressShown();
            rig.adapter.FailWhen(nullptr);
            shown = rig.adapter.Requests();
        };
        rig.driver.TestClockSpeeds();
        REQUIRE(shown.size() == (c.reset ? 3u : 2u));
        CHECK((shown[0].item == nv::kItemCoreClock && shown[0].fields[4] == 230000000u));
        CHECK((shown[1].item == nv::kItemMemClock && shown[1].fields[4] == 180000000u));  // even after a refusal
        if (c.reset) {
            CHECK(shown[2].kind == Request::kDisplaySettings);
            CHECK(shown[2].flags == platform::kCdsReset);
            CHECK(shown[2].device == kDisplayName);
        }
        CHECK(rig.BoardAtFactoryClocks());  // put back afterwards all the same
    }
}

TEST_CASE("a damaged journal is removed and told in one line; no clock is set and no pair remembered")
{
    const std::uint32_t kMax = 0xFFFFFFFFu;
    const std::vector<std::uint32_t> journals[] = {
        {4000, 166, 250, 166}, {4294, 4294, 250, 166}, {200, 166, 0, 0}, {200, 166, kMax, 166}, {200, 166, 250, 300},
    };
    std::vector<std::function<void(fake::FakeSystem&)>> damage;
    for (const auto& values : journals)
        damage.push_back([values](fake::FakeSystem& system) {
            for (std::size_t i = 0; i < 4; ++i)
                system.PutDword(kJournal, kJournalValues[i], values[i]);
        });
    for (const std::uint32_t type : {platform::kRegSz, platform::kRegBinary})
        damage.push_back([type](fake::FakeSystem& system) {
            for (std::size_t i = 1; i < 4; ++i)
                system.PutDword(kJournal, kJournalValues[i], i == 2 ? 250 : 166);
            // "2" as text, or 200 (in range) as the bytes of another type
            system.PutValue(kJournal, "OldCore", type, type == platform::kRegSz ? "2\0\0" : "\xC8\0\0", 4);
        });
    for (std::size_t i = 0; i < damage.size(); ++i) {
        CAPTURE(i);
        Rig rig;
        REQUIRE(CDisplayDriver(rig.adapter, rig.system, 0).Open(kDisplayName));  // the baseline
        emulator::AdapterState board;
        board.coreClockHz = 250000000;
        rig.adapter.Reset(board);
        damage[i](rig.system);
        REQUIRE(rig.driver.Open(kDisplayName));
        REQUIRE(rig.system.messageBoxes.size() == 1);
        CHECK(rig.system.messageBoxes[0].text
              == "A damaged record of a clock test was found and removed; no clock speed was changed.");
        CHECK(rig.adapter.State().coreClockHz == 250000000);
        CHECK(rig.adapter.State().memClockHz == 166000000);
        CHECK(Journal(rig.system) == kNoJournal);
        CHECK(rig.system.FindValue(kJournal, "OldCore") == nullptr);
        CHECK(rig.driver.FailedClocks().empty());
    }
}

namespace {

// A test of core clock `core` on a board that refuses the clocks before it
// back: the journal stays, and the board runs the trial clock.
bool TestWithRestoreRefused(TestRig& rig, int core)
{
    emulator::AdapterState board = rig.adapter.State();
    board.refuseClockSetsFrom = 6;  // the trial's and the progress's five core and memory sets take
    rig.adapter.Reset(board);
    rig.driver.SetNewCoreClock(core);
    const bool passed = rig.driver.TestClockSpeeds();
    board.refuseClockSetsFrom = 0;
    emulator::AdapterState now = rig.adapter.State();
    now.refuseClockSetsFrom = 0;
    rig.adapter.Reset(now);
    REQUIRE(!rig.driver.GetRestoreErrorText().empty());
    return passed;
}

}  // namespace

TEST_CASE("after a failed test whose clocks stayed on the board, OK puts back what the page shows or the baseline")
{
    TestRig rig;
    int okCore = 200;
    SUBCASE("the page read again shows the clocks before the test, never the failed ones")
    {
        REQUIRE_FALSE(TestWithRestoreRefused(rig, 245));
        REQUIRE(rig.driver.Open(kDisplayName));  // About and Main, or Cancel and Open
        CHECK(rig.driver.GetCoreClock() == 200);
        CHECK_FALSE(rig.driver.ClocksMayBeApplied(245, 166));
    }
    SUBCASE("Reset: the baseline needs no test, whatever the board ran before")
    {
        StageTestedClocks(rig.driver, 210, 166);
        REQUIRE(rig.driver.ApplySettings());
        REQUIRE_FALSE(TestWithRestoreRefused(rig, 240));
        okCore = rig.driver.GetDefaultCoreClock();
    }
    CHECK(rig.driver.ClocksMayBeApplied(okCore, 166));
    rig.driver.SetNewCoreClock(okCore);
    CHECK(rig.driver.ApplySettings());
    CHECK(rig.BoardAtFactoryClocks());
    CHECK(Journal(rig.system) == kNoJournal);
}

TEST_CASE("a settle whose core restore is refused is no restore, even when the board then cannot tell its clocks")
{
    Rig rig;
    REQUIRE(CDisplayDriver(rig.adapter, rig.system, 0).Open(kDisplayName));  // the baseline
    PutJournal(rig.system, {200, 166, 250, 180});
    emulator::AdapterState board = rig.adapter.State();
    board.coreClockHz = 250000000;
    board.memClockHz = 180000000;
    rig.adapter.Reset(board);
    auto clockReads = std::make_shared<int>(0);  // the session's two, the settle's two, then none
    rig.adapter.FailWhen([clockReads](const Request& r) {
        const bool clock = r.item == nv::kItemCoreClock || r.item == nv::kItemMemClock;
        return (r.code == nv::kFnRmConfigSet && r.item == nv::kItemCoreClock)
               || (r.code == nv::kFnRmConfigGet && clock && ++*clockReads > 4);
    });
    REQUIRE(rig.driver.Open(kDisplayName));
    REQUIRE(rig.system.messageBoxes.size() == 1);
    CHECK(rig.system.messageBoxes[0].text.find("could not be restored") != std::string::npos);
    CHECK(Journal(rig.system) == std::vector<std::uint32_t>{200, 166, 250, 180});
}

TEST_CASE("a journal whose marks are not 1 is a failed test's: its trial pair is listed as failed")
{
    Rig rig;
    REQUIRE(CDisplayDriver(rig.adapter, rig.system, 0).Open(kDisplayName));
    PutJournal(rig.system, {200, 166, 240, 166});
    rig.system.PutDword(kJournal, layout::kJournalApplying, 0);
    rig.system.PutDword(kJournal, layout::kJournalTestPassed, 0);
    REQUIRE(rig.driver.Open(kDisplayName));
    CHECK(rig.driver.FailedClocks() == std::vector<driver::ClockPair>{{240, 166}});
}

TEST_CASE("a journal is written whole and alone: nothing of the last one stays beside it")
{
    TestRig rig;
    REQUIRE(TestWithRestoreRefused(rig, 230));
    REQUIRE(rig.system.Dword(kJournal, "TestPassed") == 1);
    // The next test first settles what stood, then journals its own trial:
    // killed during it, its pair is no test that passed.
    int trial = 225;
    rig.system.duringClockTest = [&](const platform::ClockTestRun&) {
        CHECK(Journal(rig.system) == std::vector<std::uint32_t>{200, 166, std::uint32_t(trial), 166});
        CHECK(rig.system.FindValue(kJournal, "TestPassed") == nullptr);
    };
    rig.driver.SetNewCoreClock(trial);
    CHECK(rig.driver.TestClockSpeeds());
    // A lone "TestPassed" (a delete cut short) is no part of a new journal.
    rig.system.PutDword(kJournal, "TestPassed", 1);
    rig.driver.SetNewCoreClock(trial = 220);
    CHECK(rig.driver.TestClockSpeeds());
}

TEST_CASE("a trial the board did not run is no test: not passed, not failed, nothing listed")
{
    for (const bool ignoring : {true, false}) {
        CAPTURE(ignoring);
        TestRig rig;
        emulator::AdapterState board;
        board.ignoreClockSets = ignoring ? 1 : 0;
        rig.adapter.Reset(board);
        if (!ignoring)  // the trial's own core requests refused, the progress's too
            rig.adapter.FailWhen([](const Request& r) {
                return r.code == nv::kFnRmConfigSet && r.item == nv::kItemCoreClock && r.fields[4] == 244000000u;
            });
        rig.driver.SetNewCoreClock(244);
        CHECK_FALSE(rig.driver.TestClockSpeeds());
        CHECK(rig.driver.GetLastErrorText() == CDisplayDriver::kNothingTested);
        CHECK_FALSE(rig.driver.ClocksMayBeApplied(244, 166));
        CHECK(rig.driver.PassedClocks().empty());
        CHECK(rig.driver.FailedClocks().empty());
        CHECK(Journal(rig.system) == kNoJournal);
        CHECK(rig.BoardAtFactoryClocks());
    }
}

TEST_CASE("a board that makes the trial clock on its own step: killed during the trial, the next start puts it back")
{
    Rig rig;
    emulator::AdapterState board;
    board.clockStepHz = 7000000;
    rig.adapter.Reset(board);
    REQUIRE(rig.driver.Open(kDisplayName));
    REQUIRE(rig.driver.GetCoreClock() == 196);
    rig.driver.SetNewCoreClock(211);
    struct Killed {};
    rig.system.duringClockTest = [&](const platform::ClockTestRun&) {
        CHECK(rig.adapter.State().coreClockHz == 210000000);
        throw Killed();
    };
    CHECK_THROWS_AS(rig.driver.TestClockSpeeds(), Killed);
    rig.system.settingsLocks = 0;
    Rig next;
    next.system = rig.system;
    REQUIRE(CDisplayDriver(next.adapter, next.system, 0).Open(kDisplayName));
    CHECK(next.adapter.State().coreClockHz == 196000000);
    CHECK(Journal(next.system) == kNoJournal);
    REQUIRE(next.system.messageBoxes.size() == 1);
    CHECK(next.system.messageBoxes[0].text
          == "The clock test of 211 MHz core and 161 MHz memory did not finish. "
             "The clock speeds before it, 196 MHz and 161 MHz, were restored.");
}
