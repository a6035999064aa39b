#include "controls/four_state_button.h"

#include <windowsx.h>

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
}
