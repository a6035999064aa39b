// The user as the driver core sees it: a question, a message, and the
// progress of a clock test while the board runs the trial clocks.  The
// system's seam (platform.h) shows nothing to anyone; everything the user
// sees or answers comes through here.  The window answers with its message
// boxes and progress dialog, the tests from a script.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace platform {

// Message box looks and answers, for an implementation that asks and tells
// with message boxes, and for the tests that record it so.
constexpr unsigned kMbOk = 0x00;
constexpr unsigned kMbYesNo = 0x04;
constexpr unsigned kMbIconStop = 0x10;
constexpr unsigned kMbIconQuestion = 0x20;
constexpr unsigned kMbIconInformation = 0x40;
constexpr int kIdOk = 1;
constexpr int kIdYes = 6;
constexpr int kIdNo = 7;

// What a clock test runs on the board, as the progress shown for it names it.
struct ClockTestRun {
    std::uint32_t client;
    int coreMHz;
    int memMHz;
    char deviceName[100];
    bool byDeviceName;
    int steps;  // the progress's steps: UserPrompts::kTestSteps, more for a longer run
};

// The driver's part of a clock test while its progress is shown.
class ClockTrial {
public:
    // Called each time the progress is shown or hidden: the board is to run
    // the trial clocks, and the display to take them.
    virtual void OnProgressShown() = 0;

protected:
    ~ClockTrial() = default;
};

class UserPrompts {
public:
    enum Icon { kInformation, kQuestion, kStop };
    // The test's progress: this many steps of this many milliseconds.
    static constexpr int kTestSteps = 20;
    static constexpr unsigned kTestStepMs = 200;

    virtual ~UserPrompts() = default;
    // A question with Yes and No, over the given window; true for Yes.
    virtual bool Ask(Window owner, const char* text, Icon icon) = 0;
    // A message with an OK button.
    virtual void Tell(Window owner, const char* text, Icon icon) = 0;
    // Shows the progress of a clock test for its steps, calling the trial
    // back as the progress is shown and hidden; returns when it has ended.
    virtual void ShowTestProgress(const ClockTestRun& run, ClockTrial& trial) = 0;
};

}  // namespace platform
