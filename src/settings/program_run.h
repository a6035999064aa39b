// Settings for one program while it runs (marovexctl run): the journal that
// says what to put back, kept in the registry under the program's own key
// before anything is applied, and the rule by which it is put back, by the
// run itself when the program ends or, should the run be ended first, by
// the next start of either program.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "settings/record_values.h"
#include "settings/setting_words.h"
#include "platform/platform.h"
#include "platform/scoped_claim.h"
#include "platform/user_prompts.h"

class CDisplayDriver;

namespace settings {

struct RunJournal {
    std::string owner;    // the owner mark of the marovexctl that waits
    std::string program;  // the program's command line
    // Each setting the run changed: the driver's value before, and what the
    // run wrote; both clocks when it changed either.
    std::map<std::string, std::pair<int, int>> settings;
};

// Written into an empty key, the owner last.
bool WriteRunJournal(CDisplayDriver& driver, const RunJournal& journal);
RecordFound ReadRunJournal(CDisplayDriver& driver, RunJournal* journal);
void DeleteRunJournal(CDisplayDriver& driver);
constexpr const char* kDamagedRecord =
    "A damaged record of a program run was found and removed; no setting was changed.";

// A setting the run's apply did not change leaves its record.
void ForgetSetting(CDisplayDriver& driver, const std::string& name);

// The claim of the one program run there may be at a time: held from
// before a run's question until its record is deleted; the system lets it
// go when the process ends.
using RunClaim = platform::ScopedClaim<&platform::Platform::TryClaimRun, &platform::Platform::ReleaseRun>;

// What putting a run's settings back came to.
struct PutBackReport {
    std::vector<std::string> putBack;  // the names put back
    std::vector<std::string> left;     // changed by the user meanwhile: kept
    std::vector<std::string> failed;   // a sentence each: could not be put back
    // The settings left and those that failed, a line each, once each.
    std::vector<std::string> Lines(const std::string& program) const;
};
// On an open session: every setting of the record that still holds what the
// run wrote goes back to its value before, the log-on entry untouched; the
// clocks go back as a pair, and are both left when either was changed.  The
// record is deleted.  A busy settings lock leaves everything, record
// included, and reports each setting as failed.
PutBackReport PutBack(CDisplayDriver& driver, const RunJournal& journal);

// Applies the pending settings.  While a run holds the clocks, the log-on
// record gets the clocks from before the run, not the game's, unless other
// clocks are applied now: a run never changes what is applied at log-on.
bool ApplySettings(CDisplayDriver& driver);

// The names of the settings a run holds, joined by commas.
std::string HeldSettings(const RunJournal& journal);

// Opens the driver session.  A run whose marovexctl was ended first is put
// back on it, the user told in one message, and the session opened again; a
// damaged record is removed unused, told in one line.  False when the
// session cannot be opened.
bool OpenPuttingBackRun(platform::Platform& os, CDisplayDriver& driver, platform::UserPrompts& user,
                        const char* deviceName);

}  // namespace settings
