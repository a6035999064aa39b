// The console as the console program's commands meet it: the user seam
// (questions, messages, a clock test's progress), standard output and
// error, and settings files (settings/settings_file.h).  The program
// implements it on the real console and the profile functions
// (win32_console.h); the tests from a script.
#pragma once

#include <string>
#include <vector>

#include "settings/settings_file.h"
#include "platform/user_prompts.h"

namespace console {

class Host : public platform::UserPrompts, public settings::SettingsFiles {
public:
    // One line to standard output, or to standard error.
    virtual void Print(const std::string& line) = 0;
    virtual void PrintError(const std::string& line) = 0;
    // The start of a line to standard output, shown at once; the rest
    // follows with Print.
    virtual void PrintPart(const std::string& text) = 0;

    // A search: Ctrl+C and Ctrl+Break are held while CatchBreaks(true)
    // holds, and BreakCaught tells, between trials, whether one was pressed
    // since (during a trial too: the trial goes on to its end).  While
    // quietProgress is set, a clock test's progress prints nothing, the
    // search printing a line of its own for each trial.
    virtual void CatchBreaks(bool on) = 0;
    virtual bool BreakCaught() = 0;
    bool quietProgress = false;

    // A program run: the program's command line as it was typed after the
    // first `skip` words of this program's own (quoting kept); the program's
    // full path, found as typed from the current folder first and then where
    // the system searches (false when it is in neither); and the program
    // started by that path in its own folder and waited for, Ctrl+C and
    // Ctrl+Break held meanwhile (false, with why, when it did not start).
    // A batch file runs through the command interpreter that COMSPEC names.
    virtual std::string CommandTail(std::size_t skip) = 0;
    virtual bool FindProgram(const std::string& program, std::string* path) = 0;
    virtual bool RunProgram(const std::string& path, const std::string& commandLine, int* exitStatus,
                            std::string* why) = 0;
    // Waits, polling once a second, while a process whose image is named
    // `image` (letter case aside) runs, Ctrl+C and Ctrl+Break held meanwhile;
    // for a game whose launcher ends as soon as it has started it.  False at
    // once when the system gives no list of its processes.
    virtual bool WaitWhileRunning(const std::string& image) = 0;
};

}  // namespace console
