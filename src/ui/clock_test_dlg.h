// CClockTestDlg: the modal "Testing new settings" dialog.  While it is up
// the board runs the new clocks: the dialog calls the driver's trial back
// each time it is shown or hidden, and a 200 ms timer steps its progress bar
// and ends it after 20 steps, about four seconds.
#pragma once

#include "framework/dialog.h"
#include "platform/user_prompts.h"

class CClockTestDlg : public CDialog {
public:
    static constexpr UINT kTimerId = 612006;
    static constexpr UINT kPeriod = platform::UserPrompts::kTestStepMs;
    static constexpr int kSteps = platform::UserPrompts::kTestSteps;

    explicit CClockTestDlg(platform::ClockTrial& trial, CWnd* parent = nullptr);

protected:
    BOOL OnInitDialog() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    platform::ClockTrial& m_trial;
    // Shared by all runs: the timer made by the running dialog, and its steps.
    static UINT_PTR s_nTimer;
    static int s_nTicks;
};
