// The click handlers of the main window: they change the buttons, the
// working copy of the settings, and run OK's apply and the clock test.
#include <string>

#include "controls/skin.h"
#include "settings/program_run.h"
#include "resource.h"
#include "ui/face_layout.h"
#include "ui/marovex_dlg.h"

void CMarovexDlg::CheckInGroup(C4StateBitButton* on, std::initializer_list<C4StateBitButton*> group,
                               const C4StateBitButton* clicked)
{
    for (C4StateBitButton* button : group) {
        button->m_bChecked = button == on ? 1 : 0;
        if (clicked && button != clicked && button->m_hWnd)
            button->Invalidate(TRUE);
    }
}

void CMarovexDlg::OnClicked(UINT id)
{
    const auto outputs = {&m_btnMonitor, &m_btnTV, &m_btnFlatPanel};
    const auto d3dFsaa = {&m_btnD3DFSAA2, &m_btnD3DFSAA4, &m_btnD3DFSAA9};
    const auto glFsaa = {&m_btnGLFSAA15, &m_btnGLFSAA2L, &m_btnGLFSAA2};
    const auto agp = {&m_btnAGP1, &m_btnAGP2, &m_btnAGP4};
    // A click selects its button within its group; in a group that allows
    // none, a click on the button that is on turns it off.
    auto select = [](C4StateBitButton& clicked, std::initializer_list<C4StateBitButton*> group) {
        CheckInGroup(&clicked, group, &clicked);
    };
    auto toggle = [](C4StateBitButton& clicked, std::initializer_list<C4StateBitButton*> group) {
        CheckInGroup(clicked.m_bChecked ? nullptr : &clicked, group, &clicked);
    };
    switch (id) {
    case IDC_ABOUT:
    case IDC_MAIN:
        if (m_bAboutPage != (id == IDC_ABOUT)) {
            m_bAboutPage = id == IDC_ABOUT;
            Invalidate(TRUE);
            RefreshPage();
            // The new face is painted now: a press that follows at once on
            // the disabled tab starts a drag, whose paint cycle would take
            // the pending repaint away and leave the face erased.
            ::UpdateWindow(m_hWnd);
            // The tab that had the focus went with the old page.
            FocusFirstControl();
        }
        break;
    case IDC_D3D_VSYNC: toggle(m_btnD3DVSync, {&m_btnD3DVSync}); break;
    case IDC_D3D_FSAA2: toggle(m_btnD3DFSAA2, d3dFsaa); break;
    case IDC_D3D_FSAA4: toggle(m_btnD3DFSAA4, d3dFsaa); break;
    case IDC_D3D_FSAA9: toggle(m_btnD3DFSAA9, d3dFsaa); break;
    case IDC_GL_VSYNC: toggle(m_btnGLVSync, {&m_btnGLVSync}); break;
    case IDC_GL_FSAA15: toggle(m_btnGLFSAA15, glFsaa); break;
    case IDC_GL_FSAA2L: toggle(m_btnGLFSAA2L, glFsaa); break;
    case IDC_GL_FSAA2: toggle(m_btnGLFSAA2, glFsaa); break;
    case IDC_MONITOR:
        if (!m_btnMonitor.m_bChecked && g_pDriver->HasMonitor()) {
            select(m_btnMonitor, outputs);
            DrawPanel(m_hWnd, IDC_TV_PLAIN_SURFACE, IDB_TV_PANEL_PLAIN, m_bAboutPage);
        }
        break;
    case IDC_TV:
        if (g_pDriver->HasTV() && !m_btnTV.m_bChecked) {
            select(m_btnTV, outputs);
            DrawPanel(m_hWnd, IDC_TV_PANEL_SURFACE, IDB_TV_PANEL, m_bAboutPage);
        }
        break;
    case IDC_FLAT_PANEL:
        if (!m_btnFlatPanel.m_bChecked && g_pDriver->HasFlatPanel())
            select(m_btnFlatPanel, outputs);
        break;
    case IDC_APPLY_AT_STARTUP:
        toggle(m_btnApply, {&m_btnApply});
        g_pDriver->SetNewApplyAtStartup(m_btnApply.m_bChecked != 0);
        break;
    case IDC_TEST: OnTest(); break;
    case IDC_RESET: OnReset(); break;
    case IDC_AGP1: select(m_btnAGP1, agp); break;
    case IDC_AGP2: select(m_btnAGP2, agp); break;
    case IDC_AGP4: select(m_btnAGP4, agp); break;
    case IDC_FAST_WRITES: toggle(m_btnFastWrites, {&m_btnFastWrites}); break;
    case IDC_OVERLAY_STANDARD: select(m_btnOverlayStandard, {&m_btnOverlayStandard, &m_btnOverlayActive}); break;
    case IDC_OVERLAY_ACTIVE: select(m_btnOverlayActive, {&m_btnOverlayStandard, &m_btnOverlayActive}); break;
    case IDC_NTSC: select(m_btnNTSC, {&m_btnNTSC, &m_btnPAL}); break;
    case IDC_PAL: select(m_btnPAL, {&m_btnNTSC, &m_btnPAL}); break;
    case IDC_COMPOSITE:
        select(m_btnComposite, {&m_btnComposite, &m_btnSVHS});
        g_pDriver->m_nTVFormat = 5;
        break;
    case IDC_SVHS:
        select(m_btnSVHS, {&m_btnComposite, &m_btnSVHS});
        g_pDriver->m_nTVFormat = 4;
        break;
    case IDC_RESCALING: select(m_btnRescaling, {&m_btnRescaling, &m_btnDefaultScaling}); break;
    case IDC_DEFAULT_SCALING: select(m_btnDefaultScaling, {&m_btnRescaling, &m_btnDefaultScaling}); break;
    case IDC_RESOLUTION: OnResolution(); break;
    default: break;
    }
}

bool CMarovexDlg::ApplyToDriver()
{
    CDisplayDriver& d = *g_pDriver;
    const int core = ReadClockText(m_szCoreClock);
    const int mem = ReadClockText(m_szMemClock);
    d.SetNewCoreClock(core);
    d.SetNewMemClock(mem);
    if (!d.ClocksMayBeApplied(core, mem)) {
        Tell("Before new clock speeds can be applied, they\nmust be tested on the video hardware.\n\n"
             "Please press the 'Test' button, to ensure\nthat the hardware can support the new speeds.",
             platform::UserPrompts::kInformation);
        return false;
    }
    d.SetNewD3DVSync(m_btnD3DVSync.m_bChecked != 0);
    d.SetNewOpenGLVSync(m_btnGLVSync.m_bChecked != 0);
    d.SetNewD3DFSAA(m_btnD3DFSAA2.m_bChecked ? 2 : m_btnD3DFSAA4.m_bChecked ? 4 : m_btnD3DFSAA9.m_bChecked ? 9 : 0);
    d.SetNewOpenGLFSAA(m_btnGLFSAA15.m_bChecked ? 0 : m_btnGLFSAA2L.m_bChecked ? 1 : m_btnGLFSAA2.m_bChecked ? 2 : -1);
    d.SetNewOverlayMode(m_btnOverlayStandard.m_bChecked ? 0 : 3);
    if (m_btnMonitor.m_bChecked)
        d.SetNewOutputDevice(0);
    else if (m_btnTV.m_bChecked)
        d.SetNewOutputDevice(m_btnNTSC.m_bChecked ? 2 : 3);
    else if (m_btnFlatPanel.m_bChecked)
        d.SetNewOutputDevice(4);
    d.SetTVConnector(m_btnComposite.m_bChecked ? 1 : m_btnSVHS.m_bChecked ? 2 : 0);

    if (settings::ApplySettings(d)) {
        // What the driver did not take as applied is told, not hidden.
        const std::string notTaken = d.ReadBackApplied();
        if (!notTaken.empty())
            Tell(notTaken.c_str(), platform::UserPrompts::kInformation);
        return true;
    }
    // Another program is changing the settings: nothing was done, and the
    // user may press OK again once it has finished.
    if (d.GetLastErrorText() == CDisplayDriver::kSettingsBusy) {
        Tell(CDisplayDriver::kSettingsBusy, platform::UserPrompts::kInformation);
        return false;
    }
    const std::string text = "Configuration Error\n\n" + d.GetLastErrorText() + ".";
    ReportError(text.c_str());
    RefreshPage();
    return false;
}

void CMarovexDlg::OnTest()
{
    const int core = ReadClockText(m_szCoreClock);
    const int mem = ReadClockText(m_szMemClock);
    CDisplayDriver& d = *g_pDriver;
    if (core == d.GetCoreClock() && mem == d.GetMemClock())
        return;
    if (!Ask("This operation will test the video hardware at the new clock speeds specified.\n\n"
             "If the computer does not respond within a few seconds, please reboot \nthe computer. "
             "The previous clock speeds will be restored automatically.\n\nWould you like to continue?"))
        return;
    const std::vector<driver::ClockPair> failed = d.FailedClocks();
    if (const driver::ClockPair* before = driver::FailedAtOrBelow(failed, core, mem))
        if (!Ask(driver::FailedClocksQuestion(*before, core, mem).c_str()))
            return;
    d.SetNewCoreClock(core);
    d.SetNewMemClock(mem);
    const bool passed = d.TestClockSpeeds();
    // The board refused the old clocks back: it may still run the tested ones.
    if (!d.GetRestoreErrorText().empty())
        ReportError(("Configuration Error\n\n" + d.GetRestoreErrorText()
                     + "  The board may still run the tested clock speeds.").c_str());
    if (passed)
        return;
    if (d.GetLastErrorText() == CDisplayDriver::kSettingsBusy) {
        Tell(CDisplayDriver::kSettingsBusy, platform::UserPrompts::kInformation);
        return;
    }
    // A test that could not be recorded, or that the board did not run,
    // tested nothing: that is no failure of the clocks.
    if (d.GetLastErrorText() == CDisplayDriver::kClockJournalError
        || d.GetLastErrorText() == CDisplayDriver::kNothingTested)
        ReportError(("Configuration Error\n\n" + d.GetLastErrorText()).c_str());
    else
        ReportError("The new clock speeds failed testing.");
}

void CMarovexDlg::OnReset()
{
    const CDisplayDriver& d = *g_pDriver;
    m_sliderCore.SetPos(d.GetMaxCoreClock() - d.GetDefaultCoreClock(), TRUE);
    m_sliderMemory.SetPos(d.GetMaxMemClock() - d.GetDefaultMemClock(), TRUE);
    WriteClockText(m_szCoreClock, d.GetDefaultCoreClock());
    WriteClockText(m_szMemClock, d.GetDefaultMemClock());
    DrawCoreClock();
    DrawMemClock();
}

void CMarovexDlg::OnResolution()
{
    if (!m_btnTV.m_bChecked)
        return;
    RECT r;
    GetWindowRect(m_hWnd, &r);
    m_menuResolution.TrackPopupMenu(TPM_RIGHTBUTTON, r.left + face::kResolutionPopup.x,
                                    r.top + face::kResolutionPopup.y, this);
    ChooseResolution();
}

void CMarovexDlg::ChooseResolution()
{
    // The menu's rows, top to bottom: the TV mode each selects.
    static const int kModes[CBitmapMenu::kRows] = {5, 2, 4, 1, 3, 0};
    int offset = 0;
    for (int row = 0; row < CBitmapMenu::kRows; ++row) {
        if (CBitmapMenu::kRowIds[row] == m_menuResolution.m_nLastItem) {
            g_pDriver->SetTVResolution(kModes[row]);
            offset = face::kResolutionLookStep * row;
        }
    }
    const POINT look = {face::kResolutionLook.x, face::kResolutionLook.y + offset};
    m_btnResolution.DestroyWindow();
    m_btnResolution.Create(IDC_RESOLUTION, face::kResolutionButton, &g_dcSkin, &g_palSkin, look, look, look,
                           look, &m_wndToolTip, IDS_RESOLUTION, this);
    m_btnResolution.Show(SW_SHOW);
    for (C4StateBitButton* button : {&m_btnNTSC, &m_btnPAL, &m_btnComposite, &m_btnSVHS})
        if (button->m_hWnd)
            button->Invalidate(TRUE);
}

