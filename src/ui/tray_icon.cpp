// The tray icon, and the end of the main window, which removes it.
#include <windows.h>
#include <shellapi.h>

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
