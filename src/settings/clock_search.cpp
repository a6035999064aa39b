#include "settings/clock_search.h"

#include <algorithm>

#include "driver/display_driver.h"
#include "driver/read_back.h"

namespace settings {
namespace {

using Verdict = SearchObserver::Verdict;

bool IsCore(SearchedClock clock) { return clock == SearchedClock::kCore; }
int CurrentOf(const CDisplayDriver& d, SearchedClock c) { return IsCore(c) ? d.GetCoreClock() : d.GetMemClock(); }
int MaxOf(const CDisplayDriver& d, SearchedClock c) { return IsCore(c) ? d.GetMaxCoreClock() : d.GetMaxMemClock(); }
int MinOf(const CDisplayDriver& d, SearchedClock c) { return IsCore(c) ? d.GetMinCoreClock() : d.GetMinMemClock(); }
SearchedClock OtherOf(SearchedClock c) { return IsCore(c) ? SearchedClock::kMemory : SearchedClock::kCore; }

// The pair tried when the searched clock is at mhz.
driver::ClockPair PairAt(const SearchRecord& r, int mhz)
{
    const auto searched = static_cast<std::uint16_t>(mhz), other = static_cast<std::uint16_t>(r.other);
    return IsCore(r.clock) ? driver::ClockPair{searched, other} : driver::ClockPair{other, searched};
}

// The most trials a search from r needs, over every limit the board may
// have between the highest pass and the lowest failure.
int WorstCase(const SearchRecord& r, int maxMHz)
{
    const int top = r.lowestFailure != 0 ? r.lowestFailure - 1 : maxMHz;
    int worst = 0;
    for (int limit = r.highestPass; limit <= top; ++limit) {
        SearchRecord s = r;
        int trials = 0;
        for (int c = NextCandidate(s, maxMHz); c != 0; c = NextCandidate(s, maxMHz), ++trials)
            Judge(&s, c, c <= limit);
        worst = std::max(worst, trials);
    }
    return worst;
}

// One standard clock test of the pair.  A test the board did not run because
// its clock generator makes the pair as the clocks it runs passed: the board
// runs them.
Verdict Test(CDisplayDriver& d, const driver::ClockPair& pair, int steps)
{
    d.SetNewCoreClock(pair.core);
    d.SetNewMemClock(pair.mem);
    if (d.TestClockSpeeds(steps))
        return Verdict::kPassed;
    if (d.TestFailed())
        return Verdict::kFailed;
    const bool boardAnswered = d.TrialRan().core != 0;
    return d.GetLastErrorText() == CDisplayDriver::kNothingTested && boardAnswered ? Verdict::kBoardsOwn
                                                                                    : Verdict::kNoVerdict;
}

// A candidate's verdict from the ledgers, or from its trial.
Verdict TryCandidate(CDisplayDriver& d, const driver::ClockPair& pair)
{
    if (driver::FailedAtOrBelow(d.FailedClocks(), pair.core, pair.mem))
        return Verdict::kFailedBefore;
    const std::vector<driver::ClockPair> passed = d.PassedClocks();
    if (std::find(passed.begin(), passed.end(), pair) != passed.end())
        return Verdict::kPassedBefore;
    return Test(d, pair, platform::UserPrompts::kTestSteps);
}

// After a confirming run of the pair asked that failed: the next lower
// clock the board makes (below the one it ran, where its generator rounds)
// of the clock searched, and of the other too when both were searched.
void Lower(const CDisplayDriver& d, SearchRecord& r, const driver::ClockPair& asked, const driver::ClockPair& ran)
{
    const bool core = IsCore(r.clock);
    const int searched = std::min(core ? asked.core : asked.mem, core ? ran.core : ran.mem);
    const int other = std::min(core ? asked.mem : asked.core, core ? ran.mem : ran.core);
    r.highestPass = std::max(searched - 1, MinOf(d, r.clock));
    if (r.both)
        r.other = std::max(other - 1, MinOf(d, OtherOf(r.clock)));
    ++r.confirm;
}

// The memory clock found: the core clock next, with the memory at the one
// found, from the core clock the memory was searched with (that pair passed).
void NextPhase(SearchRecord& r)
{
    if (r.clock == SearchedClock::kMemory && r.both) {
        const int core = r.other;
        r.clock = SearchedClock::kCore;
        r.other = r.highestPass;
        r.highestPass = core;
        r.lowestFailure = 0;
        r.step = 1;
    } else {
        r.confirm = 1;
    }
}

}  // namespace

SearchRecord NewSearch(const CDisplayDriver& driver, SearchedClock clock, bool both)
{
    SearchRecord r;
    r.both = both;
    r.clock = both ? SearchedClock::kMemory : clock;
    r.highestPass = CurrentOf(driver, r.clock);
    r.other = CurrentOf(driver, OtherOf(r.clock));
    return r;
}

int NextCandidate(const SearchRecord& r, int maxMHz)
{
    if (r.lowestFailure == 0)
        return r.highestPass >= maxMHz ? 0 : std::min(r.highestPass + r.step, maxMHz);
    return r.lowestFailure - r.highestPass <= 1 ? 0 : r.highestPass + (r.lowestFailure - r.highestPass) / 2;
}

// A pass while rising doubles the step (one at the maximum ends the rise).
void Judge(SearchRecord* r, int candidate, bool passed)
{
    if (!passed) {
        r->lowestFailure = candidate;
        return;
    }
    if (r->lowestFailure == 0)
        r->step *= 2;
    r->highestPass = candidate;
}

int MostTrials(const SearchRecord& record, const CDisplayDriver& driver)
{
    if (record.confirm != 0)
        return 0;
    SearchRecord r = record;
    if (r.trying != 0)
        Judge(&r, r.trying, false);
    int trials = WorstCase(r, MaxOf(driver, r.clock));
    if (r.clock == SearchedClock::kMemory && r.both) {
        r.highestPass = r.lowestFailure = 0;  // any memory clock will do
        NextPhase(r);
        trials += WorstCase(r, driver.GetMaxCoreClock());
    }
    return trials;
}

SearchResult RunSearch(CDisplayDriver& d, SearchRecord& r, int confirmSeconds, SearchObserver& observer)
{
    const int confirmSteps = confirmSeconds * 1000 / static_cast<int>(platform::UserPrompts::kTestStepMs);
    // A trial that never ended (the machine hung, or the search was ended
    // in it) failed; the clock test's journal has put the clocks back.
    if (r.trying != 0) {
        const driver::ClockPair pair = PairAt(r, r.trying);
        if (r.confirm == 0)
            observer.Trying(r.clock, r.trying);
        else
            observer.Confirming(pair.core, pair.mem, confirmSeconds);
        observer.Judged(Verdict::kUnfinished);
        if (r.confirm == kConfirmRuns) {
            DeleteSearchRecord(d);
            return {SearchResult::kUnconfirmed};
        }
        if (r.confirm == 0)
            Judge(&r, r.trying, false);
        else
            Lower(d, r, pair, pair);
        r.trying = 0;
        if (!WriteSearchRecord(d, r))
            return {SearchResult::kNotRecorded};
    }
    for (;;) {
        if (observer.StopRequested())
            return {SearchResult::kStopped};
        const int candidate = r.confirm != 0 ? r.highestPass : NextCandidate(r, MaxOf(d, r.clock));
        if (candidate == 0) {
            NextPhase(r);
            if (!WriteSearchRecord(d, r))
                return {SearchResult::kNotRecorded};
            continue;
        }
        const driver::ClockPair pair = PairAt(r, candidate);
        if (r.confirm == 0)
            observer.Trying(r.clock, candidate);
        else
            observer.Confirming(pair.core, pair.mem, confirmSeconds);
        r.trying = candidate;
        if (!WriteSearchRecord(d, r)) {
            observer.Judged(Verdict::kNoVerdict);
            return {SearchResult::kNotRecorded};
        }
        const Verdict verdict = r.confirm == 0 ? TryCandidate(d, pair) : Test(d, pair, confirmSteps);
        observer.Judged(verdict);
        r.trying = 0;
        const bool passed = verdict == Verdict::kPassed || verdict == Verdict::kPassedBefore
                            || (verdict == Verdict::kBoardsOwn && r.confirm == 0);
        const bool failed = verdict == Verdict::kFailed || verdict == Verdict::kFailedBefore;
        const bool restored = d.GetRestoreErrorText().empty();
        if (r.confirm == 0 && (passed || failed)) {
            Judge(&r, candidate, passed);
        } else if (r.confirm != 0 && passed && restored) {
            DeleteSearchRecord(d);
            return {SearchResult::kFound, pair.core, pair.mem};
        } else if (r.confirm != 0 && failed) {
            if (r.confirm == kConfirmRuns) {
                DeleteSearchRecord(d);
                return {SearchResult::kUnconfirmed};
            }
            Lower(d, r, pair, d.TrialRan());
        }
        if (!WriteSearchRecord(d, r))
            return {SearchResult::kNotRecorded};
        if (!restored)
            return {SearchResult::kNotRestored};
        if (!passed && !failed)
            return {SearchResult::kNoVerdict};
    }
}

}  // namespace settings
