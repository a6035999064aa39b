#include "ui/clock_test_dlg.h"

#include <commctrl.h>

#include "driver/rm_access.h"
#include "platform/nv_protocol.h"
#include "resource.h"

UINT_PTR CClockTestDlg::s_nTimer = 0;
int CClockTestDlg::s_nTicks = 0;

CClockTestDlg::CClockTestDlg(platform::Platform& os, CWnd* parent)
    : CDialog(IDD_CLOCK_TEST, parent), m_os(os)
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

void CClockTestDlg::RunNewClocks()
{
    std::uint32_t previous = 0;
    const bool core = driver::RmConfigSet(m_os, m_run.client, nv::kDeviceHandle, nv::kItemCoreClock,
                                          static_cast<std::uint32_t>(m_run.coreMHz) * 1000000u, &previous) == 0;
    const bool mem = driver::RmConfigSet(m_os, m_run.client, nv::kDeviceHandle, nv::kItemMemClock,
                                         static_cast<std::uint32_t>(m_run.memMHz) * 1000000u, &previous) == 0;
    if (!core || !mem)
        return;
    platform::Module user32 = m_os.LoadLibraryA("USER32.DLL");
    if (!user32)
        return;
    if (m_run.byDeviceName) {
        if (platform::Procedure change = m_os.GetProcAddressA(user32, "ChangeDisplaySettingsExA"))
            m_os.CallChangeDisplaySettingsEx(change, m_run.deviceName, nullptr, platform::kCdsReset);
    } else if (platform::Procedure change = m_os.GetProcAddressA(user32, "ChangeDisplaySettingsA")) {
        m_os.CallChangeDisplaySettings(change, nullptr, platform::kCdsReset);
    }
    m_os.FreeLibrary(user32);
}

LRESULT CClockTestDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SHOWWINDOW: {
        LRESULT result = Default();
        RunNewClocks();
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

int ClockTestPlatform::RunClockTestDialog(const platform::ClockTestRun& run)
{
    CClockTestDlg dialog(inner());
    dialog.m_run = run;
    return static_cast<int>(dialog.DoModal());
}
