#include "framework/tooltip.h"

#include <windowsx.h>

IMPLEMENT_DYNAMIC(CToolTipCtrl, CWnd)

namespace {

// The tool that carries the text shown for the keyboard focus.
constexpr UINT kKeyboardTool = 0xFFFF;

}  // namespace

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

void CToolTipCtrl::ShowForKeyboard(HWND tool, UINT id)
{
    if (!m_hWnd)
        return;
    char text[80] = {};
    TOOLINFOA info = {};
    info.cbSize = TTTOOLINFOA_V1_SIZE;
    info.hwnd = tool;
    info.uId = id;
    info.lpszText = text;
    SendMessage(TTM_GETTEXTA, 0, reinterpret_cast<LPARAM>(&info));
    HideForKeyboard();
    if (!text[0])
        return;
    const HWND owner = ::GetParent(tool);
    AddTool(owner, kKeyboardTool, RECT{}, text, TTF_TRACK | TTF_ABSOLUTE);
    RECT place;
    ::GetWindowRect(tool, &place);
    SendMessage(TTM_TRACKPOSITION, 0, MAKELPARAM(place.left, place.bottom + 2));
    TOOLINFOA track = {};
    track.cbSize = TTTOOLINFOA_V1_SIZE;
    track.hwnd = owner;
    track.uId = kKeyboardTool;
    SendMessage(TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&track));
    m_hKeyboardOwner = owner;
}

void CToolTipCtrl::HideForKeyboard()
{
    if (!m_hWnd || !m_hKeyboardOwner)
        return;
    TOOLINFOA track = {};
    track.cbSize = TTTOOLINFOA_V1_SIZE;
    track.hwnd = m_hKeyboardOwner;
    track.uId = kKeyboardTool;
    SendMessage(TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&track));
    DelTool(m_hKeyboardOwner, kKeyboardTool);
    m_hKeyboardOwner = nullptr;
}
