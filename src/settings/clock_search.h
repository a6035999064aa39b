// The search for the highest clocks that pass (marovexctl find): one clock
// at a time, from the clock the board runs up to the slider's maximum, in
// whole MHz.  Each candidate is one standard clock test; rising steps double
// until a candidate fails or the maximum passes, then the gap between the
// highest pass and the lowest failure is halved until they are 1 MHz apart.
// The ledgers of pairs that passed and failed are used and fed, the record
// is written before every trial, and the highest pass is confirmed by a
// longer run before it is the result.
#pragma once

#include <string>

#include "settings/search_record.h"

class CDisplayDriver;

namespace settings {

// A new search of one clock, or of both (the memory clock first, with the
// core clock the board runs; then the core clock, with the memory clock
// found), from the clocks the board runs.
SearchRecord NewSearch(const CDisplayDriver& driver, SearchedClock clock, bool both);

// The next candidate of the clock searched, or 0 when the highest pass is
// found; and the record after a candidate's verdict.
int NextCandidate(const SearchRecord& record, int maxMHz);
void Judge(SearchRecord* record, int candidate, bool passed);
// The most trials the search can still need, whatever the board's limits
// (the confirming runs not counted).
int MostTrials(const SearchRecord& record, const CDisplayDriver& driver);

// What the front end is told of a running search, and asked between trials.
class SearchObserver {
public:
    enum Verdict {
        kPassed,
        kFailed,
        kPassedBefore,   // the pair passed a test before: no trial
        kFailedBefore,   // at or above a pair that failed before: no trial
        kUnfinished,     // the trial of a search that stopped did not end: failed
        kBoardsOwn,      // the board makes it as the clock it runs: passed
        kNoVerdict,      // the test tested nothing; the search ends
    };
    virtual void Trying(SearchedClock clock, int mhz) = 0;
    virtual void Confirming(int coreMHz, int memMHz, int seconds) = 0;
    virtual void Judged(Verdict verdict) = 0;
    virtual bool StopRequested() = 0;

protected:
    ~SearchObserver() = default;
};

struct SearchResult {
    enum End {
        kFound,        // core and mem passed the confirming run
        kStopped,      // stopped between trials; the record stays
        kUnconfirmed,  // no confirming run passed; the record is gone
        kNoVerdict,    // a test tested nothing (the driver's message says why); the record stays
        kNotRecorded,  // the record could not be written; nothing more was tried
        kNotRestored,  // the board refused the clocks from before a trial back
    };
    End end;
    int core = 0, mem = 0;
};

// Goes on with the search of the record (a new one, or one that stopped)
// on an open session whose settings lock the caller holds, until its end;
// the confirming run takes confirmSeconds.  Every test is the standard one.
SearchResult RunSearch(CDisplayDriver& driver, SearchRecord& record, int confirmSeconds, SearchObserver& observer);

}  // namespace settings
