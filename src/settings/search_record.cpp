#include "settings/search_record.h"

#include <iterator>

#include "driver/display_driver.h"
#include "driver/registry_layout.h"
#include "settings/program_run.h"

namespace settings {
namespace {

constexpr const char* kOwner = "Owner";
constexpr const char* kNumbers[] = {"Clock", "Both", "Other", "Highest Pass", "Lowest Failure",
                                    "Step", "Trying", "Confirm"};

int* Numbers(SearchRecord& r, int* clock, int* both, std::size_t i)
{
    int* const fields[] = {clock, both, &r.other, &r.highestPass, &r.lowestFailure, &r.step, &r.trying, &r.confirm};
    return fields[i];
}

bool Within(int mhz, int low, int high) { return mhz >= low && mhz <= high; }

// Whether the values can be a search's on this board: each clock within
// its slider's range, the lowest failure above the highest pass, the clock
// on trial between them (or, while confirming, the pass itself).
bool Holds(const CDisplayDriver& d, const SearchRecord& r)
{
    const bool core = r.clock == SearchedClock::kCore;
    const int low = core ? d.GetMinCoreClock() : d.GetMinMemClock();
    const int high = core ? d.GetMaxCoreClock() : d.GetMaxMemClock();
    const bool other = core ? Within(r.other, d.GetMinMemClock(), d.GetMaxMemClock())
                            : Within(r.other, d.GetMinCoreClock(), d.GetMaxCoreClock());
    const bool failure = r.lowestFailure == 0 || Within(r.lowestFailure, r.highestPass + 1, high);
    const bool trying = r.trying == 0
                        || (r.confirm == 0 ? Within(r.trying, r.highestPass + 1, high)
                                                 && (r.lowestFailure == 0 || r.trying < r.lowestFailure)
                                           : r.trying == r.highestPass);
    return d.GetDefaultCoreClock() != 0 && other && Within(r.highestPass, low, high) && failure
           && Within(r.step, 1, 2 * high) && trying && Within(r.confirm, 0, kConfirmRuns);
}

}  // namespace

bool WriteSearchRecord(CDisplayDriver& driver, const SearchRecord& record)
{
    SearchRecord r = record;
    int clock = r.clock == SearchedClock::kMemory, both = r.both;
    bool ok = true;
    for (std::size_t i = 0; i != std::size(kNumbers); ++i)
        ok = ok && driver.WriteDword(layout::kSearchRecordKey, kNumbers[i],
                                     static_cast<std::uint32_t>(*Numbers(r, &clock, &both, i)));
    return ok && driver.WriteString(layout::kSearchRecordKey, kOwner, r.owner.c_str(),
                                    static_cast<std::uint32_t>(r.owner.size() + 1));
}

RecordFound ReadSearchRecord(CDisplayDriver& driver, SearchRecord* record)
{
    SearchRecord r;
    int clock = -1, both = -1;
    bool present = false, whole = true;
    for (std::size_t i = 0; i != std::size(kNumbers); ++i) {
        const Value read = ReadRecordNumber(driver, layout::kSearchRecordKey, kNumbers[i], Numbers(r, &clock, &both, i));
        present = present || read != Value::kMissing;
        whole = whole && read == Value::kRead;
    }
    const Value owner = ReadRecordText(driver, layout::kSearchRecordKey, kOwner, &r.owner);
    if (!present && owner == Value::kMissing)
        return RecordFound::kNone;
    r.clock = clock == 1 ? SearchedClock::kMemory : SearchedClock::kCore;
    r.both = both == 1;
    if (!whole || owner != Value::kRead || r.owner.empty() || !Within(clock, 0, 1) || !Within(both, 0, 1)
        || !Holds(driver, r))
        return RecordFound::kJunk;
    *record = r;
    return RecordFound::kWhole;
}

void DeleteSearchRecord(CDisplayDriver& driver)
{
    driver.DeleteValue(layout::kSearchRecordKey, kOwner);
    for (const char* value : kNumbers)
        driver.DeleteValue(layout::kSearchRecordKey, value);
}

RecordFound FindSearchRecord(CDisplayDriver& driver, platform::UserPrompts& user, SearchRecord* record)
{
    const RecordFound found = ReadSearchRecord(driver, record);
    if (found == RecordFound::kJunk) {
        DeleteSearchRecord(driver);
        user.Tell(driver.m_hWndOwner, kDamagedSearch, platform::UserPrompts::kInformation);
    }
    return found;
}

std::string DescribeSearch(const SearchRecord& r)
{
    const bool core = r.clock == SearchedClock::kCore;
    const auto mhz = [](int clock) { return std::to_string(clock) + " MHz"; };
    std::string text = std::string(core ? "the core clock, with the memory at " : "the memory clock, with the core at ")
                       + mhz(r.other) + ": ";
    if (r.confirm != 0)
        return text + "confirming " + mhz(r.highestPass) + " (run " + std::to_string(r.confirm) + " of "
               + std::to_string(kConfirmRuns) + ")";
    text += "passed at " + mhz(r.highestPass);
    if (r.lowestFailure != 0)
        text += ", failed at " + mhz(r.lowestFailure);
    if (r.trying != 0)
        text += ", " + mhz(r.trying) + " on trial";
    return text;
}

std::string FindCommand(const SearchRecord& r)
{
    if (r.both)
        return "marovexctl find";
    return r.clock == SearchedClock::kCore ? "marovexctl find core" : "marovexctl find memory";
}

// Only while no search or run holds the claim: the record of one that runs
// is its own, and may be half rewritten.
void TellStoppedSearch(platform::Platform& os, CDisplayDriver& driver, platform::UserPrompts& user)
{
    const RunClaim claim(os);
    SearchRecord record;
    if (!claim.Held() || FindSearchRecord(driver, user, &record) != RecordFound::kWhole)
        return;
    const std::string text = "A search for the highest clock speeds stopped at " + DescribeSearch(record)
                             + ".\n\nRun \"" + FindCommand(record) + "\" to go on where it stopped, or \""
                             + FindCommand(record) + " --again\" to start a new search.";
    user.Tell(driver.m_hWndOwner, text.c_str(), platform::UserPrompts::kInformation);
}

}  // namespace settings
