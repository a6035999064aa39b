// CToolTipCtrl: the common tooltip control.  Tools are registered with the
// structure size of the first common-controls version, which every system
// from Windows 95 on accepts.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "framework/wnd.h"

class CToolTipCtrl : public CWnd {
    DECLARE_DYNAMIC(CToolTipCtrl)

public:
    BOOL Create(CWnd* parent, DWORD style);
    void Activate(BOOL active) { SendMessage(TTM_ACTIVATE, active, 0); }
    BOOL AddTool(HWND tool, UINT id, const RECT& rect, const char* text, UINT flags = 0);
    void DelTool(HWND tool, UINT id);
    // Registers a tool in place of any earlier registration of it.
    void SetTool(HWND tool, UINT id, const RECT& rect, const char* text)
    {
        DelTool(tool, id);
        AddTool(tool, id, rect, text);
    }
    // Shows a tool's text below it, for a control that has the keyboard
    // focus, until HideForKeyboard; common controls older than 4.70 show
    // nothing.
    void ShowForKeyboard(HWND tool, UINT id);
    void HideForKeyboard();
    // Hands the tooltip a mouse message of one of its tools.
    void RelayEvent(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam);
    // For a control that holds the mouse capture: passes on its mouse
    // messages, and removes its tool when its window goes.
    void FollowTool(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (!m_hWnd)
            return;
        if (message == WM_MOUSEMOVE || message == WM_LBUTTONDOWN || message == WM_LBUTTONUP)
            RelayEvent(wnd, message, wParam, lParam);
        else if (message == WM_DESTROY)
            DelTool(wnd, static_cast<UINT>(GetDlgCtrlID(wnd)));
    }

private:
    HWND m_hKeyboardOwner = nullptr;  // while a keyboard text is shown
};
