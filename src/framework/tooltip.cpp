#include "framework/tooltip.h"

#include <windowsx.h>

IMPLEMENT_DYNAMIC(CToolTipCtrl, CWnd)

BOOL CToolTipCtrl::Create(CWnd* parent, DWORD style)
{
    InitCommonControls();
    HWND wnd = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | style,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                               parent ? parent->m_hWnd : nullptr, nullptr, GetModuleHandleA(nullptr),
                               nullptr);
    if (!wnd)
        return FALSE;
    Bind(wnd);
    m_pfnSuper = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(StaticWndProc)));
    return TRUE;
}

BOOL CToolTipCtrl::AddTool(HWND tool, UINT id, const RECT& rect, const char* text, UINT flags)
{
    TOOLINFOA info = {};
    info.cbSize = TTTOOLINFOA_V1_SIZE;
    info.uFlags = flags;
    info.hwnd = tool;
    info.uId = id;
    info.rect = rect;
    info.hinst = nullptr;
    info.lpszText = const_cast<char*>(text);
    return static_cast<BOOL>(SendMessage(TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info)));
}

void CToolTipCtrl::DelTool(HWND tool, UINT id)
{
    TOOLINFOA info = {};
    info.cbSize = TTTOOLINFOA_V1_SIZE;
    info.hwnd = tool;
    info.uId = id;
    SendMessage(TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&info));
}

void CToolTipCtrl::RelayEvent(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    MSG msg = {};
    msg.hwnd = wnd;
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    DWORD pos = GetMessagePos();
    msg.pt.x = GET_X_LPARAM(pos);
    msg.pt.y = GET_Y_LPARAM(pos);
    msg.time = static_cast<DWORD>(GetMessageTime());
    SendMessage(TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&msg));
}
