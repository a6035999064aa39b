// The console program's commands, on the driver core: each reads its
// words, checks all of them before anything is changed, then opens a
// driver session and does its work through the same steps as the window.
#pragma once

#include <string>
#include <vector>

#include "console/console_host.h"
#include "platform/platform.h"

namespace console {

enum ExitStatus {
    kDone = 0,
    kBadInput = 1,     // usage, or a bad settings file
    kNoSession = 2,    // the driver session could not be opened
    kApplyFailed = 3,
    kTestFailed = 4,
    kDeclined = 5,     // the user answered No
    kBusy = 6,         // another program is changing the settings
    kNotTaken = 7,     // applied, but the driver does not have all of it
    kNotRestored = 8,  // the board refused the clocks from before a test back
};

// Runs the command in args (the words after the program's name).
int RunCommand(platform::Platform& os, Host& host, const std::vector<std::string>& args);

}  // namespace console
