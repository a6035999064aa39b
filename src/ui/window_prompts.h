// The user as the window meets them: message boxes captioned "Marovex" over
// the window, and the "Testing new settings" dialog for a clock test.
#pragma once

#include "platform/user_prompts.h"

// The window's title and the caption of every box it shows.
constexpr const char* kProgramCaption = "Marovex";

class WindowPrompts : public platform::UserPrompts {
public:
    bool Ask(platform::Window owner, const char* text, Icon icon) override;
    void Tell(platform::Window owner, const char* text, Icon icon) override;
    void ShowTestProgress(const platform::ClockTestRun& run, platform::ClockTrial& trial) override;
};
