#include "controls/four_state_button.h"

#include <windowsx.h>
#include <oleacc.h>

#include "controls/keyboard.h"
#include "controls/skinned_child.h"
#include "resource.h"

IMPLEMENT_DYNAMIC(C4StateBitButton, CWnd)

namespace {

bool IsNoLook(POINT p)
{
    return p.x == kNoLook.x && p.y == kNoLook.y;
}

}  // namespace

BOOL C4StateBitButton::Create(UINT id, const RECT& rect, CDC* skinDC, CPalette* palette, POINT normal,
                              POINT down, POINT hover, POINT hoverDown, CToolTipCtrl* toolTip,
                              UINT toolTipId, CWnd* parent)
{
    if (!CreateSkinnedChild(*this, "C4StateBitButton", id, rect, parent, toolTip, toolTipId, &m_rect))
        return FALSE;
    m_pToolTip = toolTip;
    m_pSkinDC = skinDC;
    m_pPalette = palette;
    m_ptNormal = normal;
    m_ptDown = down;
    m_ptHover = hover;
    m_ptHoverDown = hoverDown;
    return TRUE;
}

void C4StateBitButton::Show(int command)
{
    ShowWindow(command);
    EnableWindow(TRUE);
}

LRESULT C4StateBitButton::NotifyParent(UINT code)
{
    return ::SendMessageA(GetParentHwnd(), WM_COMMAND,
                          MAKEWPARAM(GetDlgCtrlID(m_hWnd), code), reinterpret_cast<LPARAM>(m_hWnd));
}

POINT C4StateBitButton::CurrentLook() const
{
    if (m_bChecked)
        return m_ptDown;
    switch (m_nState & (kHover | kPressed)) {
    case kPressed: return m_ptDown;
    case kHover: return m_ptHover;
    case kHover | kPressed: return m_ptHoverDown;
    default: return m_ptNormal;
    }
}

LRESULT C4StateBitButton::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_pToolTip)
        m_pToolTip->FollowTool(m_hWnd, message, wParam, lParam);

    switch (message) {
    case WM_LBUTTONDOWN:
        OnLButtonDown();
        return Default();
    case WM_MOUSEMOVE:
        OnMouseMove(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        return Default();
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_NCPAINT:
        return 0;  // no frame: the face is the whole window
    case WM_LBUTTONUP: {
        OnLButtonUp();
        return Default();
    }
    case WM_SETCURSOR:
        if (OnSetCursor(reinterpret_cast<HWND>(wParam)))
            return TRUE;
        return Default();
    case WM_GETDLGCODE:
        return KeyboardDlgCode(m_hWnd, lParam, false);
    case WM_KEYDOWN:
        return OnKeyDown(wParam, lParam) ? 0 : Default();
    case WM_KEYUP:
        return OnKeyUp(wParam) ? 0 : Default();
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        OnFocusChanged(message == WM_SETFOCUS);
        return Default();
    case WM_DEFAULT_ACTION:
        Click();
        return 0;
    case kWmGetObject:
        return AnswerGetObject(m_hWnd, wParam, lParam);
    default:
        return CWnd::WindowProc(message, wParam, lParam);
    }
}

void C4StateBitButton::OnLButtonDown()
{
    m_nState = (m_nState & ~kHover) | kPressed;
    Invalidate(FALSE);
}

void C4StateBitButton::OnMouseMove(POINT point)
{
    if (!PtInRect(&m_rect, point)) {
        ReleaseCapture();
        m_nState &= ~(kHover | kPressed);
        Invalidate(FALSE);
    }
}

void C4StateBitButton::OnLButtonUp()
{
    m_nState = (m_nState & ~kPressed) | kHover;
    Invalidate(FALSE);
    NotifyParent(BN_CLICKED);
}

// The click of a key or of assistive technology: the parent may destroy
// this window in answer, so nothing follows it.
void C4StateBitButton::Click()
{
    if (IsWindowEnabled(m_hWnd))
        NotifyParent(BN_CLICKED);
}

bool C4StateBitButton::OnKeyDown(WPARAM key, LPARAM flags)
{
    if (MoveFocusOnTab(m_hWnd, key))
        return true;
    if (key == VK_RETURN) {
        Click();
        return true;
    }
    // Space shows the pressed look while held, as the mouse button does.
    const bool repeat = (flags & 0x40000000) != 0;
    if (key == VK_SPACE && !repeat) {
        m_nState |= kPressed;
        Invalidate(FALSE);
        return true;
    }
    return key == VK_SPACE;
}

bool C4StateBitButton::OnKeyUp(WPARAM key)
{
    if (key != VK_SPACE || !(m_nState & kPressed))
        return false;
    m_nState &= ~kPressed;
    Invalidate(FALSE);
    Click();
    return true;
}

void C4StateBitButton::OnFocusChanged(bool gained)
{
    // A Space let go after the focus has left presses nothing.
    if (!gained && GetCapture() != m_hWnd)
        m_nState &= ~kPressed;
    ::OnFocusChanged(m_hWnd, m_pToolTip, gained);
}

long C4StateBitButton::AccState() const
{
    return (m_bChecked ? STATE_SYSTEM_CHECKED : 0) | ((m_nState & kPressed) ? STATE_SYSTEM_PRESSED : 0);
}

const char* C4StateBitButton::AccDefaultAction() const
{
    switch (m_nRole) {
    case ROLE_SYSTEM_CHECKBUTTON:
    case ROLE_SYSTEM_RADIOBUTTON: return m_bChecked ? "Uncheck" : "Check";
    case ROLE_SYSTEM_PAGETAB: return "Switch";
    default: return "Press";
    }
}

BOOL C4StateBitButton::OnSetCursor(HWND over)
{
    if (over != m_hWnd)
        return FALSE;
    SetCursor(LoadCursorA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDC_HAND_POINT)));
    m_nState |= kHover;
    SetCapture(m_hWnd);
    Invalidate(FALSE);
    return TRUE;
}

void C4StateBitButton::OnPaint()
{
    CPaintDC dc(m_hWnd);
    POINT look = CurrentLook();
    if (IsNoLook(look) || !m_pSkinDC)
        return;
    CPaletteScope palette(dc, m_pPalette);
    dc.BitBlt(0, 0, m_rect.right - m_rect.left, m_rect.bottom - m_rect.top, m_pSkinDC, look.x, look.y,
              SRCCOPY);
    DrawFocusMark(m_hWnd, dc.GetSafeHdc(), m_rect);
    // A change of state is told when it is shown.
    const long state = AccState();
    if (state != m_nAnnouncedState) {
        if (m_nAnnouncedState != -1)
            AnnounceEvent(EVENT_OBJECT_STATECHANGE, m_hWnd);
        m_nAnnouncedState = state;
    }
}
