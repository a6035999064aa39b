// The keyboard as the skinned controls meet it: which keys a control takes
// from the dialog, the focus mark, and the move of the focus to the next
// control, which the parent decides.
#pragma once

#include <windows.h>

// Sent to the parent by a control that has the focus when Tab is pressed:
// wParam is 1 for Shift+Tab, lParam the control.
constexpr UINT WM_MOVE_FOCUS = WM_USER + 2;

// The answer to WM_GETDLGCODE: Tab, Enter and, for a slider, the arrows go
// to the control; Escape stays the dialog's.  A key down marks the keyboard
// as used, from when on the focus mark shows, as the system's keyboard cues.
LRESULT KeyboardDlgCode(HWND control, LPARAM message, bool arrows);

// Draws the focus mark inside a control's face when it has the focus and
// the keyboard has been used.
void DrawFocusMark(HWND control, HDC dc, const RECT& face);

// Handles Tab and Shift+Tab for a control; false for any other key.
bool MoveFocusOnTab(HWND control, WPARAM key);

class CToolTipCtrl;
// A control gained or lost the focus: its mark is redrawn, the focus is
// announced, and its tooltip shows while the keyboard is in use.
void OnFocusChanged(HWND control, CToolTipCtrl* toolTip, bool gained);
