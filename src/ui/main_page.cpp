// The two pages of the main window and the settings the Main page shows:
// reading the driver into the buttons and sliders, and showing or hiding
// the controls of the Main page.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "settings/program_run.h"
#include "settings/search_record.h"
#include "controls/skin.h"
#include "resource.h"
#include "ui/face_layout.h"
#include "ui/marovex_dlg.h"

void WriteClockText(char (&text)[5], long mhz)
{
    std::snprintf(text, sizeof text, "%ld", mhz);
}

int ReadClockText(const char* text)
{
    return std::atoi(text);
}

void CMarovexDlg::RefreshPage()
{
    // The tab of the page shown is the lit one: its normal look is the row
    // 275 pixels down, its pressed look the face's own.
    const LONG aboutLit = m_bAboutPage ? face::kLitRow : 0;
    const LONG mainLit = m_bAboutPage ? 0 : face::kLitRow;
    const LONG about = face::kAboutTab.left, main = face::kMainTab.left;
    m_btnAbout.DestroyWindow();
    m_btnMain.DestroyWindow();
    m_btnAbout.Create(IDC_ABOUT, face::kAboutTab, &g_dcSkin, &g_palSkin, POINT{about, aboutLit},
                      POINT{about, face::kLitRow - aboutLit}, POINT{about, aboutLit},
                      POINT{about, face::kLitRow - aboutLit}, &m_wndToolTip, IDS_ABOUT, this);
    m_btnMain.Create(IDC_MAIN, face::kMainTab, &g_dcSkin, &g_palSkin, POINT{main, mainLit},
                     POINT{main, face::kLitRow - mainLit}, POINT{main, mainLit},
                     POINT{main, face::kLitRow - mainLit}, &m_wndToolTip, IDS_MAIN, this);
    C4StateBitButton& shown = m_bAboutPage ? m_btnAbout : m_btnMain;
    C4StateBitButton& other = m_bAboutPage ? m_btnMain : m_btnAbout;
    shown.ShowWindow(SW_SHOW);
    shown.EnableWindow(FALSE);
    other.Show(SW_SHOW);

    if (m_bAboutPage)
        ShowMainControls(FALSE);
    else
        ShowMainControls(LoadFromDriver() ? TRUE : FALSE);
    NameControls();
}

bool CMarovexDlg::LoadFromDriver()
{
    // At the first session, a program run whose marovexctl was ended is
    // put back, and the driver read again.
    const char* const display = "\\\\.\\Display1";
    const bool opened = m_bRunSettled ? g_pDriver->Open(display)
                                      : settings::OpenPuttingBackRun(m_os, *g_pDriver, m_user, display);
    // And a search for the highest clocks that stopped is told, once.
    if (opened && !m_bRunSettled)
        settings::TellStoppedSearch(m_os, *g_pDriver, m_user);
    m_bRunSettled = m_bRunSettled || opened;
    if (!opened) {
        std::string text = "Configuration Error\n\n" + g_pDriver->GetLastErrorText();
        ReportError(text.c_str());
        return false;
    }
    const CDisplayDriver& d = *g_pDriver;
    m_btnD3DVSync.m_bChecked = d.GetD3DVSync() ? 1 : 0;
    m_btnGLVSync.m_bChecked = d.GetOpenGLVSync() ? 1 : 0;
    const int d3dFsaa = d.GetD3DFSAA();
    CheckInGroup(d3dFsaa == 2 ? &m_btnD3DFSAA2 : d3dFsaa == 4 ? &m_btnD3DFSAA4 : d3dFsaa == 9 ? &m_btnD3DFSAA9 : nullptr,
           {&m_btnD3DFSAA2, &m_btnD3DFSAA4, &m_btnD3DFSAA9});
    m_btnApply.m_bChecked = d.GetApplyAtStartup() ? 1 : 0;
    const int glFsaa = d.GetOpenGLFSAA();
    CheckInGroup(glFsaa == 0 ? &m_btnGLFSAA15 : glFsaa == 1 ? &m_btnGLFSAA2L : glFsaa == 2 ? &m_btnGLFSAA2 : nullptr,
           {&m_btnGLFSAA15, &m_btnGLFSAA2L, &m_btnGLFSAA2});
    const int overlay = d.GetOverlayMode();
    CheckInGroup(overlay >= 0 && overlay <= 2 ? &m_btnOverlayStandard : overlay == 3 ? &m_btnOverlayActive : nullptr,
           {&m_btnOverlayStandard, &m_btnOverlayActive});

    std::memset(m_szCoreClock, 0, sizeof m_szCoreClock);
    std::memset(m_szMemClock, 0, sizeof m_szMemClock);
    WriteClockText(m_szCoreClock, d.GetCoreClock());
    WriteClockText(m_szMemClock, d.GetMemClock());

    // Position 0 is the highest clock; the slider reports m_nBase - position,
    // which is the clock in MHz.
    const int coreMax = d.GetMaxCoreClock(), coreMin = d.GetMinCoreClock();
    m_sliderCore.m_nBase = coreMax;
    m_sliderCore.SetRange(0, coreMax - coreMin, TRUE);
    m_sliderCore.SetPos(coreMax - d.GetCoreClock(), TRUE);
    const int memMax = d.GetMaxMemClock(), memMin = d.GetMinMemClock();
    m_sliderMemory.m_nBase = memMax;
    m_sliderMemory.SetRange(0, memMax - memMin, TRUE);
    m_sliderMemory.SetPos(memMax - d.GetMemClock(), TRUE);
    return true;
}

void CMarovexDlg::ShowMainControls(BOOL show)
{
    const int command = show ? SW_SHOW : SW_HIDE;
    for (C4StateBitButton* button :
         {&m_btnOK, &m_btnCancel, &m_btnD3DVSync, &m_btnD3DFSAA2, &m_btnD3DFSAA4, &m_btnD3DFSAA9,
          &m_btnGLVSync, &m_btnGLFSAA15, &m_btnGLFSAA2L, &m_btnGLFSAA2, &m_btnApply, &m_btnTest,
          &m_btnReset, &m_btnOverlayStandard, &m_btnOverlayActive})
        if (button->m_hWnd)
            button->Show(command);
    for (CBitmapSlide* slider : {&m_sliderCore, &m_sliderMemory}) {
        if (!slider->m_hWnd)
            continue;
        slider->ShowWindow(command);
        slider->EnableWindow(show);
    }
    for (CWnd* control : std::initializer_list<CWnd*>{
             &m_btnD3DVSync, &m_btnD3DFSAA2, &m_btnD3DFSAA4, &m_btnD3DFSAA9, &m_btnGLVSync, &m_btnGLFSAA15,
             &m_btnGLFSAA2L, &m_btnGLFSAA2, &m_btnApply, &m_btnTest, &m_btnReset, &m_btnOverlayStandard,
             &m_btnOverlayActive, &m_sliderCore, &m_sliderMemory})
        if (control->m_hWnd)
            control->Invalidate(TRUE);
}
