// CClockTestDlg: the modal "Testing new settings" dialog.  While it is up
// the board runs the new clocks; a 200 ms timer steps its progress bar and
// ends it after 20 steps, about four seconds.
#pragma once

#include "framework/dialog.h"
#include "platform/platform_decorator.h"

class CClockTestDlg : public CDialog {
public:
    static constexpr UINT kTimerId = 612006;
    static constexpr UINT kPeriod = 200;
    static constexpr int kSteps = 20;

    CClockTestDlg(platform::Platform& os, CWnd* parent = nullptr);

    platform::ClockTestRun m_run = {};

protected:
    BOOL OnInitDialog() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void RunNewClocks();

    platform::Platform& m_os;
    // Shared by all runs: the timer made by the running dialog, and its steps.
    static UINT_PTR s_nTimer;
    static int s_nTicks;
};

// The platform the main window hands its driver: the modal clock-test
// dialog runs here, its requests going to the system below.
class ClockTestPlatform : public platform::PlatformDecorator {
public:
    using PlatformDecorator::PlatformDecorator;
    int RunClockTestDialog(const platform::ClockTestRun& run) override;
};
