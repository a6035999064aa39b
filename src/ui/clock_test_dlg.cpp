#include "ui/clock_test_dlg.h"

#include <commctrl.h>

#include "resource.h"

UINT_PTR CClockTestDlg::s_nTimer = 0;
int CClockTestDlg::s_nTicks = 0;

CClockTestDlg::CClockTestDlg(platform::ClockTrial& trial, CWnd* parent)
    : CDialog(IDD_CLOCK_TEST, parent), m_trial(trial)
{
}

BOOL CClockTestDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    s_nTimer = SetTimer(m_hWnd, kTimerId, kPeriod, nullptr);
    SendDlgItemMessageA(m_hWnd, IDC_CLOCK_TEST_PROGRESS, PBM_SETSTEP, 5, 0);
    return TRUE;
}

BOOL CClockTestDlg::OnCommand(WPARAM, LPARAM)
{
    // The run always lasts its 20 steps: Enter, Escape and the close command
    // do not end it.
    return TRUE;
}

LRESULT CClockTestDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SHOWWINDOW: {
        LRESULT result = Default();
        m_trial.OnProgressShown();
        return result;
    }
    case WM_TIMER:
        if (s_nTicks == kSteps) {
            KillTimer(m_hWnd, s_nTimer);
            EndDialog(IDOK);
            s_nTicks = 0;
        } else {
            SendDlgItemMessageA(m_hWnd, IDC_CLOCK_TEST_PROGRESS, PBM_STEPIT, 0, 0);
            ++s_nTicks;
        }
        return Default();
    case WM_DESTROY:
        // However the run ends, the next one starts from the first step.
        KillTimer(m_hWnd, s_nTimer);
        s_nTicks = 0;
        return CDialog::WindowProc(message, wParam, lParam);
    default:
        return CDialog::WindowProc(message, wParam, lParam);
    }
}
