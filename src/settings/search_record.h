// The record of a search for the highest clocks (marovexctl find), kept in
// the registry beside the clock test's journal and written before every
// trial, so that a machine that hangs in a trial comes back to a search
// that goes on where it stopped.  It is read as every record of the
// program is read: value by value, each of its type and within what it can
// hold, its owner named; anything else is junk, removed unused.
#pragma once

#include <string>

#include "platform/platform.h"
#include "platform/user_prompts.h"
#include "settings/record_values.h"

class CDisplayDriver;

namespace settings {

enum class SearchedClock { kCore, kMemory };

struct SearchRecord {
    std::string owner;  // the owner mark of the marovexctl that searches
    SearchedClock clock = SearchedClock::kCore;  // the clock searched now
    bool both = false;  // the memory clock first, then the core at the memory clock found
    int other = 0;      // the other clock, in MHz, while this one is searched
    int highestPass = 0;
    int lowestFailure = 0;  // 0 while no candidate failed
    int step = 1;           // the rising step, doubled after each pass
    int trying = 0;         // the clock on trial; 0 between trials
    int confirm = 0;        // 0 while searching, then the confirming run, 1 to 3
};
constexpr int kConfirmRuns = 3;

// Written over the values there, the owner last: a record without its
// owner was cut short before its first trial.
bool WriteSearchRecord(CDisplayDriver& driver, const SearchRecord& record);
RecordFound ReadSearchRecord(CDisplayDriver& driver, SearchRecord* record);
void DeleteSearchRecord(CDisplayDriver& driver);
constexpr const char* kDamagedSearch =
    "A damaged record of a clock search was found and removed; no clock speed was changed.";
// The record on an open session; junk is removed and told in one line.
RecordFound FindSearchRecord(CDisplayDriver& driver, platform::UserPrompts& user, SearchRecord* record);

// Where a search stands, in words ("the core clock, with the memory at 195
// MHz: passed at 231 MHz, failed at 250 MHz"), and the command that goes on
// with it.
std::string DescribeSearch(const SearchRecord& record);
std::string FindCommand(const SearchRecord& record);
// At the window's start: a search that stopped is told, with how to go on
// (one whose marovexctl runs holds the claim of runs and searches).
void TellStoppedSearch(platform::Platform& os, CDisplayDriver& driver, platform::UserPrompts& user);

}  // namespace settings
