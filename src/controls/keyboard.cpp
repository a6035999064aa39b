#include "controls/keyboard.h"

#include "controls/accessible.h"
#include "framework/tooltip.h"

namespace {

bool g_keyboardUsed = false;

}  // namespace

LRESULT KeyboardDlgCode(HWND control, LPARAM message, bool arrows)
{
    const MSG* msg = reinterpret_cast<const MSG*>(message);
    if (msg && (msg->message == WM_KEYDOWN || msg->message == WM_SYSKEYDOWN) && !g_keyboardUsed) {
        g_keyboardUsed = true;
        InvalidateRect(control, nullptr, FALSE);
    }
    LRESULT code = DLGC_WANTTAB | (arrows ? DLGC_WANTARROWS : 0);
    if (msg && msg->message == WM_KEYDOWN && msg->wParam == VK_RETURN)
        code |= DLGC_WANTMESSAGE;
    return code;
}

void DrawFocusMark(HWND control, HDC dc, const RECT& face)
{
    if (!g_keyboardUsed || GetFocus() != control)
        return;
    RECT mark = face;
    InflateRect(&mark, -1, -1);
    // Black, every other dot inverted to white: it shows on every look.
    FrameRect(dc, &mark, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    DrawFocusRect(dc, &mark);
}

bool MoveFocusOnTab(HWND control, WPARAM key)
{
    if (key != VK_TAB)
        return false;
    const bool backwards = GetKeyState(VK_SHIFT) < 0;
    SendMessageA(GetParent(control), WM_MOVE_FOCUS, backwards ? 1 : 0, reinterpret_cast<LPARAM>(control));
    return true;
}

void OnFocusChanged(HWND control, CToolTipCtrl* toolTip, bool gained)
{
    InvalidateRect(control, nullptr, FALSE);
    if (gained)
        AnnounceEvent(EVENT_OBJECT_FOCUS, control);
    if (!toolTip)
        return;
    if (gained && g_keyboardUsed)
        toolTip->ShowForKeyboard(control, static_cast<UINT>(GetDlgCtrlID(control)));
    else if (!gained)
        toolTip->HideForKeyboard();
}
