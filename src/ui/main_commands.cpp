// The main window's message map, its command override and the click
// handlers that change the buttons, the working copy of the settings.
#include <windowsx.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "controls/skin.h"
#include "resource.h"
#include "ui/marovex_dlg.h"

namespace {

constexpr const char* kCaption = "Marovex";

}  // namespace

LRESULT CMarovexDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    const POINT point = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    if (message == m_nTaskbarCreated && m_nTaskbarCreated != 0) {
        // The shell restarted and forgot the icon.
        TrayAddIcon(m_hWnd, kTrayIconId, m_hIcon, kCaption);
        return 0;
    }
    switch (message) {
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_QUERYDRAGICON:
        return reinterpret_cast<LRESULT>(m_hIcon);
    case WM_MOUSEMOVE:
        OnMouseMove(static_cast<UINT>(wParam), point);
        return Default();
    case WM_LBUTTONDOWN:
        OnLButtonDown(point);
        return Default();
    case WM_LBUTTONUP:
        OnLButtonUp(point);
        return Default();
    case WM_TRAY_NOTIFY:
        OnTrayNotify(wParam, lParam);
        return 0;
    case WM_RUN_HELD_COMMANDS:
        RunHeldCommands();
        return 0;
    case WM_CAPTURECHANGED:
        // Another window took the mouse: a drag ends as if released, but
        // the window stays where it is.
        if (reinterpret_cast<HWND>(lParam) != m_hWnd)
            CancelDrag();
        return Default();
    case WM_CANCELMODE:
        CancelDrag();
        return Default();
    case WM_TIMER:
        if (wParam != kTrayIconTimer)
            return CDialog::WindowProc(message, wParam, lParam);
        ::KillTimer(m_hWnd, kTrayIconTimer);
        if (m_bTrayIconPending)
            AddTrayIcon();
        return 0;
    case WM_SLIDER_MOVED:
        OnSliderMoved(wParam, lParam);
        return 0;
    case WM_DESTROY:
        // However the window ends (the modal run also ends it without the
        // DestroyWindow override), it leaves no tray icon and no driver.
        ReleaseTrayAndDriver();
        return CDialog::WindowProc(message, wParam, lParam);
    default:
        return CDialog::WindowProc(message, wParam, lParam);
    }
}

CMarovexDlg::Busy::~Busy()
{
    if (--m_window.m_nBusy == 0 && (m_window.m_bExitHeld || m_window.m_bOpenHeld))
        ::PostMessageA(m_window.m_hWnd, WM_RUN_HELD_COMMANDS, 0, 0);
}

void CMarovexDlg::HoldCommand(UINT id)
{
    // The window is disabled while an operation runs, so only the tray
    // menu's commands reach it; anything else is dropped.
    if (id == IDC_CLOSE || id == ID_TRAY_EXIT)
        m_bExitHeld = true;
    else if (id == ID_TRAY_OPEN)
        m_bOpenHeld = true;
}

void CMarovexDlg::RunHeldCommands()
{
    if (m_nBusy > 0)
        return;  // the end of the running operation posts again
    if (m_bExitHeld) {
        m_bExitHeld = m_bOpenHeld = false;
        DestroyWindow();
    } else if (m_bOpenHeld) {
        m_bOpenHeld = false;
        Busy busy(*this);
        ShowFromTray();
    }
}

BOOL CMarovexDlg::OnCommand(WPARAM wParam, LPARAM lParam)
{
    const UINT id = LOWORD(wParam);
    if (m_nBusy > 0) {
        HoldCommand(id);
        return TRUE;
    }
    Busy busy(*this);
    switch (id) {
    case IDC_OK_BUTTON:
        if (ApplyToDriver()) {
            if (!g_bOutputSwitchDeclined) {
                ShowWindow(SW_HIDE);
                UpdateWindow(m_hWnd);
            } else {
                LoadFromDriver();
                for (C4StateBitButton* button : {&m_btnMonitor, &m_btnTV, &m_btnFlatPanel})
                    if (button->m_hWnd)
                        button->Invalidate(TRUE);
            }
        }
        return TRUE;
    case IDC_CANCEL_BUTTON:
        LoadFromDriver();
        ShowWindow(SW_HIDE);
        UpdateWindow(m_hWnd);
        return TRUE;
    case IDC_CLOSE:
    case ID_TRAY_EXIT:
        DestroyWindow();
        return TRUE;
    case ID_TRAY_OPEN:
        ShowFromTray();
        return TRUE;
    default:
        break;
    }
    if ((id >= IDC_ABOUT && id <= IDC_OVERLAY_ACTIVE && id != IDC_OK_BUTTON) || id == IDC_NTSC
        || id == IDC_PAL || (id >= IDC_COMPOSITE && id <= IDC_RESOLUTION)) {
        OnClicked(id);
        return TRUE;
    }
    return CDialog::OnCommand(wParam, lParam);
}

void CMarovexDlg::Toggle(C4StateBitButton& clicked, std::initializer_list<C4StateBitButton*> others)
{
    clicked.m_bChecked = clicked.m_bChecked ? 0 : 1;
    for (C4StateBitButton* other : others) {
        other->m_bChecked = 0;
        if (other->m_hWnd)
            other->Invalidate(TRUE);
    }
}

void CMarovexDlg::SelectIn(C4StateBitButton& clicked, std::initializer_list<C4StateBitButton*> group)
{
    for (C4StateBitButton* button : group) {
        if (button == &clicked)
            continue;
        button->m_bChecked = 0;
        if (button->m_hWnd)
            button->Invalidate(TRUE);
    }
    clicked.m_bChecked = 1;
}

void CMarovexDlg::OnClicked(UINT id)
{
    const auto outputs = {&m_btnMonitor, &m_btnTV, &m_btnFlatPanel};
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
        }
        break;
    case IDC_D3D_VSYNC: Toggle(m_btnD3DVSync, {}); break;
    case IDC_D3D_FSAA2: Toggle(m_btnD3DFSAA2, {&m_btnD3DFSAA4, &m_btnD3DFSAA9}); break;
    case IDC_D3D_FSAA4: Toggle(m_btnD3DFSAA4, {&m_btnD3DFSAA2, &m_btnD3DFSAA9}); break;
    case IDC_D3D_FSAA9: Toggle(m_btnD3DFSAA9, {&m_btnD3DFSAA2, &m_btnD3DFSAA4}); break;
    case IDC_GL_VSYNC: Toggle(m_btnGLVSync, {}); break;
    case IDC_GL_FSAA15: Toggle(m_btnGLFSAA15, {&m_btnGLFSAA2L, &m_btnGLFSAA2}); break;
    case IDC_GL_FSAA2L: Toggle(m_btnGLFSAA2L, {&m_btnGLFSAA15, &m_btnGLFSAA2}); break;
    case IDC_GL_FSAA2: Toggle(m_btnGLFSAA2, {&m_btnGLFSAA15, &m_btnGLFSAA2L}); break;
    case IDC_MONITOR:
        if (!m_btnMonitor.m_bChecked && g_pDriver->HasMonitor()) {
            SelectIn(m_btnMonitor, outputs);
            DrawPanel(m_hWnd, IDC_TV_PLAIN_SURFACE, IDB_TV_PANEL_PLAIN, m_bAboutPage);
        }
        break;
    case IDC_TV:
        if (g_pDriver->HasTV() && !m_btnTV.m_bChecked) {
            SelectIn(m_btnTV, outputs);
            DrawPanel(m_hWnd, IDC_TV_PANEL_SURFACE, IDB_TV_PANEL, m_bAboutPage);
        }
        break;
    case IDC_FLAT_PANEL:
        if (!m_btnFlatPanel.m_bChecked && g_pDriver->HasFlatPanel())
            SelectIn(m_btnFlatPanel, outputs);
        break;
    case IDC_APPLY_AT_STARTUP:
        Toggle(m_btnApply, {});
        g_pDriver->SetNewApplyAtStartup(m_btnApply.m_bChecked != 0);
        break;
    case IDC_TEST: OnTest(); break;
    case IDC_RESET: OnReset(); break;
    case IDC_AGP1: SelectIn(m_btnAGP1, {&m_btnAGP1, &m_btnAGP2, &m_btnAGP4}); break;
    case IDC_AGP2: SelectIn(m_btnAGP2, {&m_btnAGP1, &m_btnAGP2, &m_btnAGP4}); break;
    case IDC_AGP4: SelectIn(m_btnAGP4, {&m_btnAGP1, &m_btnAGP2, &m_btnAGP4}); break;
    case IDC_FAST_WRITES: Toggle(m_btnFastWrites, {}); break;
    case IDC_OVERLAY_STANDARD: SelectIn(m_btnOverlayStandard, {&m_btnOverlayStandard, &m_btnOverlayActive}); break;
    case IDC_OVERLAY_ACTIVE: SelectIn(m_btnOverlayActive, {&m_btnOverlayStandard, &m_btnOverlayActive}); break;
    case IDC_NTSC: SelectIn(m_btnNTSC, {&m_btnNTSC, &m_btnPAL}); break;
    case IDC_PAL: SelectIn(m_btnPAL, {&m_btnNTSC, &m_btnPAL}); break;
    case IDC_COMPOSITE:
        SelectIn(m_btnComposite, {&m_btnComposite, &m_btnSVHS});
        g_pDriver->m_nTVFormat = 5;
        break;
    case IDC_SVHS:
        SelectIn(m_btnSVHS, {&m_btnComposite, &m_btnSVHS});
        g_pDriver->m_nTVFormat = 4;
        break;
    case IDC_RESCALING: SelectIn(m_btnRescaling, {&m_btnRescaling, &m_btnDefaultScaling}); break;
    case IDC_DEFAULT_SCALING: SelectIn(m_btnDefaultScaling, {&m_btnRescaling, &m_btnDefaultScaling}); break;
    case IDC_RESOLUTION: OnResolution(); break;
    default: break;
    }
}

bool CMarovexDlg::ApplyToDriver()
{
    CDisplayDriver& d = *g_pDriver;
    const int core = std::atoi(m_szCoreClock);
    const int mem = std::atoi(m_szMemClock);
    d.SetNewCoreClock(core);
    d.SetNewMemClock(mem);
    if ((core != d.GetCoreClock() || mem != d.GetMemClock()) && !d.m_bClocksTested) {
        ::MessageBoxA(m_hWnd,
                      "Before new clock speeds can be applied, they\nmust be tested on the video hardware.\n\n"
                      "Please press the 'Test' button, to ensure\nthat the hardware can support the new speeds.",
                      kCaption, MB_OK | MB_ICONINFORMATION);
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

    if (d.ApplySettings()) {
        d.m_bClocksTested = false;
        return true;
    }
    const std::string text = "Configuration Error\n\n" + d.GetLastErrorText() + ".";
    ::MessageBoxA(m_hWnd, text.c_str(), kCaption, MB_OK | MB_ICONHAND);
    RefreshPage();
    if (g_pDriver)
        g_pDriver->m_bClocksTested = false;
    return false;
}

void CMarovexDlg::OnTest()
{
    const int core = std::atoi(m_szCoreClock);
    const int mem = std::atoi(m_szMemClock);
    CDisplayDriver& d = *g_pDriver;
    if (core == d.GetCoreClock() && mem == d.GetMemClock())
        return;
    if (::MessageBoxA(m_hWnd,
                      "This operation will test the video hardware at the new clock speeds specified.\n\n"
                      "If the computer does not respond within a few seconds, please reboot \nthe computer. "
                      "The previous clock speeds will be restored automatically.\n\nWould you like to continue?",
                      kCaption, MB_YESNO | MB_ICONQUESTION)
        != IDYES)
        return;
    d.SetNewCoreClock(core);
    d.SetNewMemClock(mem);
    if (d.TestClockSpeeds())
        return;
    // A test that could not be recorded never ran: that is no failure of the clocks.
    if (d.GetLastErrorText() == CDisplayDriver::kClockJournalError)
        ReportError(("Configuration Error\n\n" + d.GetLastErrorText()).c_str());
    else
        ::MessageBoxA(m_hWnd, "The new clock speeds failed testing.", kCaption, MB_OK | MB_ICONHAND);
}

void CMarovexDlg::OnReset()
{
    const CDisplayDriver& d = *g_pDriver;
    m_sliderCore.SetPos(d.GetMaxCoreClock() - d.GetDefaultCoreClock(), TRUE);
    m_sliderMemory.SetPos(d.GetMaxMemClock() - d.GetDefaultMemClock(), TRUE);
    std::snprintf(m_szCoreClock, sizeof m_szCoreClock, "%d", d.GetDefaultCoreClock());
    std::snprintf(m_szMemClock, sizeof m_szMemClock, "%d", d.GetDefaultMemClock());
    DrawCoreClock();
    DrawMemClock();
}

void CMarovexDlg::OnResolution()
{
    if (!m_btnTV.m_bChecked)
        return;
    RECT r;
    GetWindowRect(m_hWnd, &r);
    m_menuResolution.TrackPopupMenu(TPM_RIGHTBUTTON, r.left + 357, r.top + 249, this);
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
            offset = 16 * row;
        }
    }
    const POINT look = {1, 477 + offset};
    m_btnResolution.DestroyWindow();
    m_btnResolution.Create(IDC_RESOLUTION, RECT{358, 234, 458, 244}, &g_dcSkin, &g_palSkin, look, look, look,
                           look, &m_wndToolTip, IDS_RESOLUTION, this);
    m_btnResolution.Show(SW_SHOW);
    for (C4StateBitButton* button : {&m_btnNTSC, &m_btnPAL, &m_btnComposite, &m_btnSVHS})
        if (button->m_hWnd)
            button->Invalidate(TRUE);
}

void CMarovexDlg::OnTrayNotify(WPARAM, LPARAM mouseMessage)
{
    switch (mouseMessage) {
    case WM_LBUTTONDBLCLK:
        if (m_nBusy > 0) {
            m_bOpenHeld = true;
        } else {
            Busy busy(*this);
            ShowFromTray();
        }
        break;
    case WM_RBUTTONDOWN: {
        POINT cursor;
        GetCursorPos(&cursor);
        TrackPopupMenuEx(GetSubMenu(g_hTrayMenu, 0), TPM_RIGHTBUTTON, cursor.x, cursor.y, m_hWnd, nullptr);
        break;
    }
    default:
        break;
    }
}

void CMarovexDlg::ShowFromTray()
{
    if (g_bStartHidden) {
        SetWindowLongA(m_hWnd, GWL_EXSTYLE, WS_EX_APPWINDOW);
        MoveWindow(m_hWnd, 0, 0, 540, 275, FALSE);
        // Centred on the screen: the window has no owner.
        RECT work;
        GetWindowRect(GetDesktopWindow(), &work);
        MoveWindow(m_hWnd, (work.right - work.left - 540) / 2, (work.bottom - work.top - 275) / 2, 540, 275,
                   FALSE);
        g_bStartHidden = false;
        InvalidateRect(m_hWnd, nullptr, TRUE);
        SetForegroundWindow(m_hWnd);
        SetFocus(m_hWnd);
    }
    RefreshPage();
    ShowWindow(SW_SHOWNORMAL);
    UpdateWindow(m_hWnd);
}
