// The main window's message map and its command override.
#include <windowsx.h>

#include "resource.h"
#include "ui/marovex_dlg.h"

LRESULT CMarovexDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    const POINT point = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
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
    case WM_SLIDER_MOVED:
        OnSliderMoved(wParam, lParam);
        return 0;
    case WM_DESTROY:
        // However the window ends, it leaves no tray icon and no driver.
        TrayRemoveIcon(m_hWnd, kTrayIconId);
        delete g_pDriver;
        g_pDriver = nullptr;
        return CDialog::WindowProc(message, wParam, lParam);
    default:
        return CDialog::WindowProc(message, wParam, lParam);
    }
}

BOOL CMarovexDlg::OnCommand(WPARAM wParam, LPARAM lParam)
{
    switch (LOWORD(wParam)) {
    case IDC_CLOSE:
    case ID_TRAY_EXIT:
        DestroyWindow();
        return TRUE;
    default:
        return CDialog::OnCommand(wParam, lParam);
    }
}
