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

    // A program run: the program's command line as it was typed after the
    // first `skip` words of this program's own (quoting kept); where the
    // system finds the program (false when it does not); and the program
    // started in its own folder and waited for, Ctrl+C and Ctrl+Break held
    // meanwhile (false, with why, when it did not start).
    virtual std::string CommandTail(std::size_t skip) = 0;
    virtual bool FindProgram(const std::string& program, std::string* path) = 0;
    virtual bool RunProgram(const std::string& path, const std::string& commandLine, int* exitStatus,
                            std::string* why) = 0;
};

}  // namespace console
