// The tray icon: adding and removing it, its mouse callback and menu,
// bringing the window back from the tray, and the end of the main window,
// which removes it.
#include <windows.h>
#include <shellapi.h>

#include "resource.h"
#include "ui/face_layout.h"
#include "ui/marovex_dlg.h"

namespace {

// The record with the 64-character tip, as every shell version takes it.
NOTIFYICONDATAA Record(HWND wnd, UINT id)
{
    NOTIFYICONDATAA data = {};
    data.cbSize = 88;
    data.hWnd = wnd;
    data.uID = id;
    return data;
}

// Shell_NotifyIconA, from the shell library loaded at first use: the
// program then starts without waiting for the shell library to load.
BOOL NotifyIcon(DWORD message, NOTIFYICONDATAA* data)
{
    using NotifyFn = BOOL(WINAPI*)(DWORD, NOTIFYICONDATAA*);
    static NotifyFn notify = [] {
        HMODULE shell = LoadLibraryA("SHELL32.DLL");
        return shell ? reinterpret_cast<NotifyFn>(reinterpret_cast<void*>(GetProcAddress(shell, "Shell_NotifyIconA")))
                     : nullptr;
    }();
    return notify ? notify(message, data) : FALSE;
}

}  // namespace

bool TrayAddIcon(HWND wnd, UINT id, HICON icon, const char* tip)
{
    NOTIFYICONDATAA data = Record(wnd, id);
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = WM_TRAY_NOTIFY;
    data.hIcon = icon;
    lstrcpynA(data.szTip, tip ? tip : "", 64);
    BOOL added = NotifyIcon(NIM_ADD, &data);
    // The shell keeps its own copy.  The window's icon is a shared resource
    // icon, which this leaves alone.
    if (icon)
        DestroyIcon(icon);
    return added != FALSE;
}

bool TrayRemoveIcon(HWND wnd, UINT id)
{
    NOTIFYICONDATAA data = Record(wnd, id);
    return NotifyIcon(NIM_DELETE, &data) != FALSE;
}

void CMarovexDlg::ReleaseTrayAndDriver()
{
    TrayRemoveIcon(m_hWnd, kTrayIconId);
    delete g_pDriver;
    g_pDriver = nullptr;
}

BOOL CMarovexDlg::DestroyWindow()
{
    ReleaseTrayAndDriver();
    return CDialog::DestroyWindow();
}

void CMarovexDlg::OnTrayNotify(WPARAM, LPARAM mouseMessage)
{
    switch (mouseMessage) {
    case WM_LBUTTONDBLCLK:
        // The menu's Open, held like it while an operation runs.
        OnCommand(ID_TRAY_OPEN, 0);
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
        MoveWindow(m_hWnd, 0, 0, face::kWidth, face::kHeight, FALSE);
        // Centred on the screen: the window has no owner.
        RECT work;
        GetWindowRect(GetDesktopWindow(), &work);
        MoveWindow(m_hWnd, (work.right - work.left - face::kWidth) / 2, (work.bottom - work.top - face::kHeight) / 2,
                   face::kWidth, face::kHeight, FALSE);
        g_bStartHidden = false;
        InvalidateRect(m_hWnd, nullptr, TRUE);
        SetForegroundWindow(m_hWnd);
        SetFocus(m_hWnd);
    }
    RefreshPage();
    ShowWindow(SW_SHOWNORMAL);
    UpdateWindow(m_hWnd);
}
