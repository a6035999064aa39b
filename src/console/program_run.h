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

#include "console/setting_words.h"
#include "platform/platform.h"
#include "platform/user_prompts.h"

class CDisplayDriver;

namespace console {

struct RunJournal {
    std::string owner;    // the owner mark of the marovexctl that waits
    std::string program;  // the program's command line
    // Each setting the run changed: its value before, and what the run wrote.
    std::map<std::string, std::pair<int, int>> settings;
};

bool WriteRunJournal(CDisplayDriver& driver, const RunJournal& journal);
// False when there is no journal (or it names no owner).
bool ReadRunJournal(CDisplayDriver& driver, RunJournal* journal);
void DeleteRunJournal(CDisplayDriver& driver);

// What putting a run's settings back came to, one sentence each.
struct PutBackReport {
    std::vector<std::string> left;    // changed by the user meanwhile: kept
    std::vector<std::string> failed;  // could not be put back
};
// On an open session: every setting of the journal that still holds what the
// run wrote goes back to its value before, the log-on entry untouched; the
// journal is deleted.  A busy settings lock leaves everything, journal
// included, and reports each setting as failed.
PutBackReport PutBack(CDisplayDriver& driver, const RunJournal& journal);

// The names of the settings a run holds, joined by commas.
std::string HeldSettings(const RunJournal& journal);

// Opens the driver session.  A run whose marovexctl was ended first is put
// back on it, the user told in one message, and the session opened again.
// False when the session cannot be opened.
bool OpenPuttingBackRun(platform::Platform& os, CDisplayDriver& driver, platform::UserPrompts& user,
                        const char* deviceName);

// The words of a command line from the given one on, exactly as typed; the
// first word is a program's name, the rest are split as the C runtime does.
std::string CommandLineFrom(const std::string& line, std::size_t word);

}  // namespace console
