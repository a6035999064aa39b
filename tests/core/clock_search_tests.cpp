// The search for the highest clocks that pass (marovexctl find) on the
// emulated board: the limits it finds, the trials it makes and never
// repeats, the ledgers it uses and feeds, its confirming run, and its record,
// which lets a search go on after it was stopped or the machine hung, and
// which is dropped when it is junk.
#include <doctest.h>

#include <algorithm>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "console_rig.h"
#include "rig.h"
#include "platform/nv_protocol.h"
#include "settings/clock_search.h"

using namespace console;
using namespace settings;

namespace {

using Pair = std::pair<int, int>;

// The board's limits, and with hangs, a board that hangs beyond them.
void SetBoard(emulator::EmulatedAdapter& adapter, int coreLimit, int memLimit, bool hangs = false)
{
    emulator::AdapterState state = adapter.State();
    state.stableCoreMHz = static_cast<std::uint32_t>(coreLimit);
    state.stableMemMHz = static_cast<std::uint32_t>(memLimit);
    state.hangAboveLimit = hangs;
    adapter.Reset(state);
}

// The standard trials of a console, in order, and its confirming runs.
std::vector<Pair> Trials(const fake::FakeConsole& console, bool confirming = false)
{
    std::vector<Pair> pairs;
    for (const platform::ClockTestRun& run : console.testRuns)
        if ((run.steps != platform::UserPrompts::kTestSteps) == confirming)
            pairs.emplace_back(run.coreMHz, run.memMHz);
    return pairs;
}

bool NoneTwice(const std::vector<Pair>& pairs)
{
    return std::set<Pair>(pairs.begin(), pairs.end()).size() == pairs.size();
}

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

std::string Found(int core, int mem)
{
    return "found: " + std::to_string(core) + " MHz core and " + std::to_string(mem) + " MHz memory\n";
}

SearchRecord ReadRecord(CDisplayDriver& driver, RecordFound expected = RecordFound::kWhole)
{
    SearchRecord record;
    CHECK(ReadSearchRecord(driver, &record) == expected);
    return record;
}

// The record of a search of the core clock, with the memory at 166 MHz,
// left by a marovexctl that no longer runs; read back on a session of the
// rig's machine.
SearchRecord CoreSearch(int highestPass, int lowestFailure, int trying, int confirm = 0)
{
    SearchRecord record;
    record.owner = "Marovex run 99";
    record.other = 166;
    record.highestPass = highestPass;
    record.lowestFailure = lowestFailure;
    record.step = 32;
    record.trying = trying;
    record.confirm = confirm;
    return record;
}
void PutRecord(ConsoleRig& rig, const SearchRecord& record)
{
    CDisplayDriver driver(rig.adapter, rig.console, 0);
    REQUIRE(driver.Open(kDisplayName));
    REQUIRE(WriteSearchRecord(driver, record));
}
SearchRecord RecordOf(ConsoleRig& rig)
{
    CDisplayDriver driver(rig.adapter, rig.console, 0);
    REQUIRE(driver.Open(kDisplayName));
    return ReadRecord(driver);
}

}  // namespace

TEST_CASE("a search of one clock finds the board's limit wherever it lies, trying no pair twice")
{
    // From the clock the board runs (200 core, 166 memory) to the slider's
    // maximum (250, 210): a range of 50 MHz needs at most 12 trials.
    for (const bool core : {true, false}) {
        const int current = core ? 200 : 166, top = core ? 250 : 210;
        for (int limit = current; limit <= top; ++limit) {
            CAPTURE(core);
            CAPTURE(limit);
            ConsoleRig rig;
            SetBoard(rig.adapter, core ? limit : 235, core ? 195 : limit);
            REQUIRE(rig.Run({"find", core ? "core" : "memory", "--yes"}) == kDone);
            CHECK(Has(rig.console.out, core ? Found(limit, 166) : Found(200, limit)));
            const std::vector<Pair> trials = Trials(rig.console);
            CHECK(NoneTwice(trials));
            CHECK(trials.size() <= 12);
            CHECK(std::all_of(trials.begin(), trials.end(),
                              [&](const Pair& p) { return (core ? p.second : p.first) == (core ? 166 : 200); }));
            // The pair found is confirmed by the long run, unless the board runs it.
            CHECK(Trials(rig.console, true).size() == (limit == current ? 0u : 1u));
            CHECK(rig.CoreMHz() == 200);  // nothing applied
            CHECK_FALSE(rig.system.FindValue(layout::kSearchRecordKey, "Owner"));
        }
    }
}

TEST_CASE("both clocks: the memory clock first, then the core at the memory clock found; --apply applies them")
{
    ConsoleRig rig;
    SetBoard(rig.adapter, 235, 195);
    REQUIRE(rig.Run({"find", "--yes", "--apply"}) == kDone);
    CHECK(Has(rig.console.out, Found(235, 195)));
    const std::vector<Pair> trials = Trials(rig.console);
    CHECK(NoneTwice(trials));
    const auto firstCore = std::find_if(trials.begin(), trials.end(), [](const Pair& p) { return p.first != 200; });
    CHECK(std::all_of(trials.begin(), firstCore, [](const Pair& p) { return p.first == 200; }));
    CHECK(std::all_of(firstCore, trials.end(), [](const Pair& p) { return p.second == 195; }));
    CHECK(Trials(rig.console, true) == std::vector<Pair>{{235, 195}});
    CHECK(rig.console.out.find("memory 196 MHz ... failed\n") < rig.console.out.find("core 236 MHz ... failed\n"));
    // The search's own lines stand for the progress; the board makes the
    // pair as asked.
    CHECK(rig.console.quietRuns == std::vector<bool>(trials.size() + 1, true));
    CHECK_FALSE(Has(rig.console.out, "the board makes them"));
    // Applied without a further test, and the board runs it.
    CHECK(rig.console.testRuns.size() == trials.size() + 1);
    CHECK(rig.adapter.State().coreClockHz == 235000000u);
    CHECK(rig.adapter.State().memClockHz == 195000000u);
    // Every trial went into its ledger.
    CHECK(Has(rig.Status(), "failed-clocks: 200/197 MHz, 200/196 MHz, 250/195 MHz, 240/195 MHz, 237/195 MHz, "
                            "236/195 MHz\n"));
}

TEST_CASE("on a board whose clock generator has a 7 MHz step, the search finds the highest clock it makes")
{
    ConsoleRig rig;
    emulator::AdapterState state = rig.adapter.State();
    state.clockStepHz = 7000000;
    state.coreClockHz = 196000000;
    state.memClockHz = 161000000;
    rig.adapter.Reset(state);
    SetBoard(rig.adapter, 235, 195);
    REQUIRE(rig.Run({"find", "core", "--yes"}) == kDone);
    // 237 MHz is made as 231, the highest step within the limit; 238 is made as 238.
    CHECK(Has(rig.console.out, Found(237, 161) + "the board makes them 231 MHz core and 161 MHz memory\n"));
    CHECK(Has(rig.console.out, "core 238 MHz ... failed\n"));
    CHECK(Has(rig.console.out, "core 197 MHz ... passed: the board makes it as the clock it runs\n"));
    CHECK(NoneTwice(Trials(rig.console)));
}

TEST_CASE("the ledgers: a pair at or above one that failed is not tried, one that passed is not tried again")
{
    ConsoleRig rig;
    SetBoard(rig.adapter, 235, 195);
    {
        CDisplayDriver driver(rig.adapter, rig.system, 0);
        REQUIRE(driver.Open(kDisplayName));
        driver.RememberFailedClocks(220, 160);
        driver.RememberPassedClocks(207, 166);
        driver.RememberPassedClocks(215, 166);
    }
    REQUIRE(rig.Run({"find", "core", "--yes"}) == kDone);
    CHECK(Has(rig.console.out, Found(219, 166)));
    CHECK(Has(rig.console.out, "core 207 MHz ... passed before\ncore 215 MHz ... passed before\n"));
    CHECK(Has(rig.console.out, "core 231 MHz ... failed: at or above clocks that failed before\n"));
    for (const Pair& p : Trials(rig.console)) {
        CHECK(p.first < 220);
        CHECK(p.first != 207);
        CHECK(p.first != 215);
    }
}

TEST_CASE("the question names the trials and the time at most; No tries nothing and records nothing")
{
    ConsoleRig rig;
    CHECK(rig.Run({"find", "--confirm", "60"}) == kDeclined);
    REQUIRE(rig.console.questions.size() == 1);
    CHECK(rig.console.questions[0]
          == "Search for the highest memory clock, then the highest core clock, that pass on the video hardware? At "
             "most 21 trials of 4 seconds and 3 confirming runs of 60 seconds: up to 5 minutes.  If the computer "
             "stops responding, restart it and run \"marovexctl find\" again; the search goes on where it stopped.");
    CHECK(rig.console.testRuns.empty());
    CHECK_FALSE(rig.system.HasKey(layout::kSearchRecordKey));
    CHECK(rig.Run({"find", "memory"}) == kDeclined);
    CHECK(Has(rig.console.questions.back(), "At most 10 trials of 4 seconds and 3 confirming runs of 30 seconds: up "
                                            "to 3 minutes."));
    CHECK(rig.Run({"find", "core"}) == kDeclined);
    CHECK(Has(rig.console.questions.back(), "At most 11 trials"));
    for (const std::vector<std::string>& words : {std::vector<std::string>{"find", "core", "memory"},
                                                  {"find", "--confirm"}, {"find", "--confirm", "0"},
                                                  {"find", "--later"}}) {
        rig.Clear();
        CHECK(rig.Run(words) == kBadInput);
        CHECK(rig.console.testRuns.empty());
    }
}

TEST_CASE("Ctrl+C between trials stops the search with its record; the next find goes on where it stopped")
{
    ConsoleRig rig;
    SetBoard(rig.adapter, 235, 195);
    rig.console.breakAfterTests = 6;
    CHECK(rig.Run({"find", "core", "--yes"}) == kDeclined);
    CHECK(Has(rig.console.err, "the search was stopped; \"marovexctl find core\" goes on where it stopped"));
    const std::vector<Pair> before = Trials(rig.console);
    CHECK(before.size() == 6);
    CHECK(Has(rig.Status(), "(running)\n"));  // while its marovexctl lives
    rig.system.ownerMarks.clear();
    CHECK(Has(rig.Status(), "search: the core clock, with the memory at 166 MHz: passed at 231 MHz, failed at 250 MHz"
                            " (stopped; marovexctl find core goes on)\n"));

    rig.Clear();
    CHECK(rig.Run({"find", "memory", "--yes"}) == kBadInput);  // not the search that stopped
    fake::FakeConsole next;
    CHECK(RunCommand(rig.adapter, next, {"find", "core", "--yes"}) == kDone);
    CHECK(Has(next.out, "The search stopped at the core clock, with the memory at 166 MHz: passed at 231 MHz, failed "
                        "at 250 MHz; it goes on from there.\n"));
    CHECK(Has(next.out, Found(235, 166)));
    std::vector<Pair> all = before;
    for (const Pair& p : Trials(next))
        all.push_back(p);
    CHECK(NoneTwice(all));
    // --again starts anew from the clock the board runs, where every
    // candidate is in a ledger now: only the confirming run runs.
    fake::FakeConsole again;
    CHECK(RunCommand(rig.adapter, again, {"find", "core", "--yes", "--again"}) == kDone);
    CHECK(Has(again.out, "core 201 MHz ... passed before\n"));
    CHECK(Has(again.out, Found(235, 166)));
    CHECK(Trials(again).empty());
    CHECK(Trials(again, true) == std::vector<Pair>{{235, 166}});
    // --again leaves a search that stopped for a new one.
    fake::FakeConsole stopped;
    stopped.breakAfterTests = 1;
    CHECK(RunCommand(rig.adapter, stopped, {"find", "memory", "--yes"}) == kDeclined);
    fake::FakeConsole anew;
    CHECK(RunCommand(rig.adapter, anew, {"find", "memory", "--yes", "--again"}) == kDone);
    CHECK(anew.out.rfind("memory 167 MHz ... passed before\n", 0) == 0);
    // The next command's test shows its progress again.
    CHECK(RunCommand(rig.adapter, again, {"test", "211", "166", "--yes"}) == kDone);
    CHECK(again.quietRuns == std::vector<bool>{true, false});
}

TEST_CASE("a confirming run that fails confirms the next lower clock, at most three times")
{
    for (const int longRunLimit : {233, 231}) {
        CAPTURE(longRunLimit);
        ConsoleRig rig;
        SetBoard(rig.adapter, 235, 195);
        // A board that survives the short trials up to 235 MHz, the long run only up to longRunLimit.
        rig.console.duringTest = [&] {
            if (rig.console.testRuns.back().steps > platform::UserPrompts::kTestSteps)
                SetBoard(rig.adapter, longRunLimit, 195);
        };
        const int status = rig.Run({"find", "core", "--yes", "--confirm", "10"});
        const std::vector<Pair> confirms = Trials(rig.console, true);
        CHECK(rig.console.testRuns.back().steps == 50);
        CHECK(Has(rig.console.out, "core 236 MHz ... failed\nconfirming 235 MHz core and 166 MHz memory for 10 s ... "
                                   "failed\nconfirming 234 MHz core and 166 MHz memory for 10 s ... failed\n"));
        if (longRunLimit == 233) {
            CHECK(status == kDone);
            CHECK(confirms == std::vector<Pair>{{235, 166}, {234, 166}, {233, 166}});
            CHECK(Has(rig.console.out, Found(233, 166)));
        } else {
            CHECK(status == kTestFailed);
            CHECK(confirms == std::vector<Pair>{{235, 166}, {234, 166}, {233, 166}});
            CHECK(rig.console.err == "No clock speeds passed the confirming run; the search found none to keep.\n");
            CHECK_FALSE(rig.system.FindValue(layout::kSearchRecordKey, "Owner"));
        }
    }
}

TEST_CASE("a search that stopped in a trial counts it as failed, and one that stopped confirming confirms lower")
{
    ConsoleRig rig;
    SetBoard(rig.adapter, 235, 195);
    // Stopped while 236 MHz was on trial, with no journal or ledger of it left.
    PutRecord(rig, CoreSearch(231, 250, 236));
    rig.console.answers = {true};
    CHECK(rig.Run({"find", "core"}) == kDone);
    CHECK(Has(rig.console.questions.at(0), "At most 3 trials"));  // between 231 and 236 MHz
    CHECK(rig.console.out.rfind("The search stopped at the core clock, with the memory at 166 MHz: passed at 231 MHz, "
                                "failed at 250 MHz, 236 MHz on trial; it goes on from there.\n"
                                "core 236 MHz ... did not finish: failed\ncore 233 MHz ... passed\n", 0)
          == 0);
    CHECK(Has(rig.console.out, Found(235, 166)));
    for (const Pair& p : Trials(rig.console))
        CHECK(p.first != 236);

    // Stopped in its first confirming run: the next lower clock is confirmed.
    rig.Clear();
    PutRecord(rig, CoreSearch(235, 236, 235, 1));
    CHECK(rig.Run({"find", "core", "--yes"}) == kDone);
    CHECK(Has(rig.console.out, "confirming 235 MHz core and 166 MHz memory for 30 s ... did not finish: failed\n"
                               "confirming 234 MHz core and 166 MHz memory for 30 s ... passed\n" + Found(234, 166)));
    // Stopped in its last: nothing is left to confirm, and the record goes.
    rig.Clear();
    const std::size_t runs = rig.console.testRuns.size();
    PutRecord(rig, CoreSearch(233, 236, 233, 3));
    CHECK(rig.Run({"find", "core", "--yes"}) == kTestFailed);
    CHECK(rig.console.testRuns.size() == runs);
    CHECK_FALSE(rig.system.FindValue(layout::kSearchRecordKey, "Owner"));
}

TEST_CASE("a search ends where a test tests nothing or its record cannot be written, its record as it was")
{
    SUBCASE("the board cannot tell its clocks while it runs a trial")
    {
        ConsoleRig rig;
        rig.adapter.FailWhen([&](const emulator::Request& r) {
            return r.item == nv::kItemCoreClock && r.code == nv::kFnRmConfigGet
                   && rig.adapter.State().coreClockHz != 200000000u;
        });
        CHECK(rig.Run({"find", "core", "--yes"}) == kTestFailed);
        CHECK(rig.console.out == "core 201 MHz ... not tested\n");
        CHECK(rig.console.err == std::string(CDisplayDriver::kNothingTested) + "\nmarovexctl: the search ended there; "
                                 "\"marovexctl find core\" goes on where it stopped\n");
        CHECK(RecordOf(rig).trying == 0);
    }
    SUBCASE("the board ignores the confirming run's clocks")
    {
        ConsoleRig rig;
        PutRecord(rig, CoreSearch(235, 236, 0, 1));
        emulator::AdapterState state = rig.adapter.State();
        state.ignoreClockSets = 1;
        rig.adapter.Reset(state);
        CHECK(rig.Run({"find", "core", "--yes"}) == kTestFailed);
        const SearchRecord record = RecordOf(rig);
        CHECK(record.highestPass == 235);
        CHECK(record.confirm == 1);
    }
    SUBCASE("the record cannot be written")
    {
        ConsoleRig rig;
        rig.system.failRegistryWhen = [](const fake::RegCall& call) {
            return call.op == fake::RegCall::kSet && call.key == layout::kSearchRecordKey;
        };
        CHECK(rig.Run({"find", "core", "--yes"}) == kApplyFailed);
        CHECK(rig.console.out == "core 201 MHz ... not tested\n");
        CHECK(rig.console.testRuns.empty());
    }
}

#ifndef _WIN32  // a hang unwinds the core as an exception: only the native tree has unwinding tables
TEST_CASE("a board that hangs at every failing trial: restarted after each hang, the search ends with the same pair")
{
    fake::FakeSystem system;
    system.PutKey(layout::kRunKey);
    std::vector<Pair> all;
    int hangs = 0, status = -1;
    fake::FakeConsole last;
    for (int start = 0; start < 20 && status < 0; ++start) {
        // Each start is a new process on the same machine; the board comes
        // back from the hang running what it ran.
        emulator::EmulatedAdapter adapter(system);
        if (start == 0)
            SetBoard(adapter, 235, 195, true);
        emulator::AdapterState state = adapter.State();
        state.hung = 0;
        adapter.Reset(state);
        fake::FakeConsole console;
        try {
            status = RunCommand(adapter, console, {"find", "--yes"});
        } catch (const fake::FakeSystem::MachineHung&) {
            ++hangs;
            CHECK(adapter.State().hung == 1);
            system.ownerMarks.clear();
            CHECK(system.settingsLocks == 0);
        }
        for (const Pair& p : Trials(console))
            all.push_back(p);
        last = console;
        if (start > 0 && status < 0)
            CHECK(Has(console.err, "did not finish"));  // the clock test's journal put the clocks back
    }
    CHECK(status == kDone);
    CHECK(Has(last.out, Found(235, 195)));
    CHECK(NoneTwice(all));
    CHECK(hangs == 6);  // memory 197, 196; core 250, 240, 237, 236
    CHECK(Has(last.out, "core 236 MHz ... did not finish: failed\n"));
}
#endif

TEST_CASE("a search record of every kind of junk is removed unused, told in one line")
{
    struct Damage {
        const char* value;
        std::uint32_t type;
        std::vector<unsigned char> data;  // none: the value is deleted
    };
    auto dword = [](std::uint32_t n) {
        return std::vector<unsigned char>{static_cast<unsigned char>(n), static_cast<unsigned char>(n >> 8), 0, 0};
    };
    const std::vector<Damage> damages = {
        {"Clock", platform::kRegDword, dword(2)},
        {"Both", platform::kRegDword, dword(2)},
        {"Other", platform::kRegDword, dword(144)},         // below the memory slider
        {"Highest Pass", platform::kRegDword, dword(251)},  // above the core slider
        {"Lowest Failure", platform::kRegDword, dword(231)},
        {"Lowest Failure", platform::kRegDword, dword(251)},
        {"Step", platform::kRegDword, dword(0)},
        {"Trying", platform::kRegDword, dword(250)},  // not below the lowest failure
        {"Trying", platform::kRegDword, dword(231)},  // not above the highest pass
        {"Confirm", platform::kRegDword, dword(4)},
        {"Confirm", platform::kRegDword, dword(1)},  // confirming, yet another clock on trial
        {"Step", platform::kRegBinary, dword(1)},
        {"Step", platform::kRegDword, {1, 0, 0, 0, 0, 0, 0, 0}},
        {"Other", platform::kRegSz, {'1', '6', '6', 0}},
        {"Step", 0, {}},
        {"Owner", 0, {}},
        {"Owner", platform::kRegSz, {0}},
        {"Owner", platform::kRegSz, {'M'}},  // no terminating NUL
        {"Owner", platform::kRegDword, dword(1)},
    };
    for (const Damage& damage : damages) {
        CAPTURE(damage.value);
        CAPTURE(damage.data.size());
        OpenedRig rig;
        SearchRecord record;
        record.owner = "Marovex run 9";
        record.other = 166;
        record.highestPass = 231;
        record.lowestFailure = 250;
        record.step = 32;
        record.trying = 240;
        REQUIRE(WriteSearchRecord(rig.driver, record));
        CHECK(ReadRecord(rig.driver).trying == 240);
        if (damage.data.empty()) {
            rig.driver.DeleteValue(layout::kSearchRecordKey, damage.value);
        } else {
            rig.system.PutValue(layout::kSearchRecordKey, damage.value, damage.type, damage.data.data(),
                                damage.data.size());
        }
        SearchRecord found;
        CHECK(FindSearchRecord(rig.driver, rig.system, &found) == RecordFound::kJunk);
        REQUIRE(rig.system.messageBoxes.size() == 1);
        CHECK(rig.system.messageBoxes[0].text == kDamagedSearch);
        ReadRecord(rig.driver, RecordFound::kNone);
    }
}

TEST_CASE("the window's start tells a search that stopped, with how to go on; not one that runs")
{
    OpenedRig rig;
    TellStoppedSearch(rig.system, rig.driver, rig.system);
    CHECK(rig.system.messageBoxes.empty());
    SearchRecord record = NewSearch(rig.driver, SearchedClock::kMemory, true);
    record.owner = rig.system.MakeOwnerMark();
    record.trying = 188;
    REQUIRE(WriteSearchRecord(rig.driver, record));
    rig.system.runClaimedElsewhere = true;  // its marovexctl still searches
    TellStoppedSearch(rig.system, rig.driver, rig.system);
    CHECK(rig.system.messageBoxes.empty());
    rig.system.runClaimedElsewhere = false;
    TellStoppedSearch(rig.system, rig.driver, rig.system);
    REQUIRE(rig.system.messageBoxes.size() == 1);
    CHECK(rig.system.messageBoxes[0].text
          == "A search for the highest clock speeds stopped at the memory clock, with the core at 200 MHz: passed at "
             "166 MHz, 188 MHz on trial.\n\nRun \"marovexctl find\" to go on where it stopped, or \"marovexctl find "
             "--again\" to start a new search.");
    CHECK(ReadRecord(rig.driver).trying == 188);  // told, and kept for the search
}
