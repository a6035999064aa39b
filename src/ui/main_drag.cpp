// Moving the main window by dragging its body: an outline follows the mouse
// on the desktop, and the window lands where the last outline was.
#include "ui/marovex_dlg.h"

namespace {

constexpr int kFrame = 2;  // thickness of the outline

void FrameRect(HDC dc, const RECT& r)
{
    const int width = r.right - r.left, height = r.bottom - r.top;
    PatBlt(dc, r.left, r.top, width, kFrame, PATINVERT);
    PatBlt(dc, r.left, r.bottom - kFrame, width, kFrame, PATINVERT);
    PatBlt(dc, r.left, r.top + kFrame, kFrame, height - 2 * kFrame, PATINVERT);
    PatBlt(dc, r.right - kFrame, r.top + kFrame, kFrame, height - 2 * kFrame, PATINVERT);
}

}  // namespace

void CMarovexDlg::OnLButtonDown(POINT point)
{
    if (point.x < 0)
        return;
    ClientToScreen(m_hWnd, &point);
    m_rcDragLast = RECT{0, 0, 0, 0};
    m_ptDragOrigin = point;
    DrawDragOutline(point.x, point.y, 0);
    SetCapture(m_hWnd);
    UpdateWindow(m_hWnd);
    LockWindowUpdate(GetDesktopWindow());
    m_bDragging = true;
}

void CMarovexDlg::OnMouseMove(UINT flags, POINT point)
{
    ClientToScreen(m_hWnd, &point);
    if ((flags & MK_LBUTTON) && m_bDragging) {
        SetCursor(m_hCursorGrab);
        SetCapture(m_hWnd);
        const bool none = m_rcDragLast.left == 0 && m_rcDragLast.top == 0 && m_rcDragLast.right == 0
                          && m_rcDragLast.bottom == 0;
        DrawDragOutline(point.x, point.y, none ? 0 : 1);
    } else {
        SetCursor(m_hCursorHand);
    }
}

void CMarovexDlg::OnLButtonUp(POINT point)
{
    if (!m_bDragging)
        return;
    // The drag state lives in m_bDragging, so a release at the screen's
    // origin ends the drag like any other.
    m_bDragging = false;
    ClientToScreen(m_hWnd, &point);
    const RECT last = m_rcDragLast;
    DrawDragOutline(point.x, point.y, 2);
    MoveWindow(m_hWnd, last.left, last.top, last.right - last.left, last.bottom - last.top, TRUE);
    m_ptDragOrigin = POINT{0, 0};
    ReleaseCapture();
    LockWindowUpdate(nullptr);
    RepaintAfterDrag();
}

void CMarovexDlg::CancelDrag()
{
    if (!m_bDragging)
        return;
    m_bDragging = false;
    DrawDragOutline(m_ptDragOrigin.x, m_ptDragOrigin.y, 2);
    m_ptDragOrigin = POINT{0, 0};
    LockWindowUpdate(nullptr);
    if (GetCapture() == m_hWnd)
        ReleaseCapture();
    RepaintAfterDrag();
}

// The outline is drawn over the window itself as well; a paint that came
// between drawing and erasing it would leave its inverse behind, on the
// face or on the border.  The whole window, frame and controls, is painted
// again once the drag is over.
void CMarovexDlg::RepaintAfterDrag()
{
    RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

BOOL CMarovexDlg::DrawDragOutline(int x, int y, int mode)
{
    HWND desktop = GetDesktopWindow();
    RECT screen;
    GetWindowRect(desktop, &screen);
    HRGN region = CreateRectRgnIndirect(&screen);
    HDC dc = GetDCEx(desktop, region, DCX_LOCKWINDOWUPDATE | DCX_PARENTCLIP | DCX_CACHE);

    RECT r;
    GetWindowRect(m_hWnd, &r);
    OffsetRect(&r, x - m_ptDragOrigin.x, y - m_ptDragOrigin.y);

    PAINTSTRUCT ps;
    BeginPaint(m_hWnd, &ps);
    EndPaint(m_hWnd, &ps);

    static const WORD kHalftone[8] = {0x5555, 0xAAAA, 0x5555, 0xAAAA, 0x5555, 0xAAAA, 0x5555, 0xAAAA};
    HBITMAP pattern = CreateBitmap(8, 8, 1, 1, kHalftone);
    HBRUSH brush = CreatePatternBrush(pattern);
    HGDIOBJ previous = SelectObject(dc, brush);
    switch (static_cast<WORD>(mode)) {
    case 0:
        FrameRect(dc, r);
        break;
    case 1:
        FrameRect(dc, r);
        FrameRect(dc, m_rcDragLast);
        break;
    case 2:
        FrameRect(dc, m_rcDragLast);
        break;
    default:
        break;
    }
    SelectObject(dc, previous);
    DeleteObject(brush);
    DeleteObject(pattern);
    ReleaseDC(desktop, dc);
    DeleteObject(region);
    m_rcDragLast = r;
    return TRUE;
}
