#include "controls/bitmap_slide.h"

#include <windowsx.h>

#include "controls/keyboard.h"
#include "controls/skinned_child.h"
#include "resource.h"

IMPLEMENT_DYNAMIC(CBitmapSlide, CWnd)

BOOL CBitmapSlide::Create(UINT id, const RECT& rect, int thumbWidth, int thumbHeight, CDC* skinDC,
                          CPalette* palette, POINT thumbNormal, POINT thumbHover, POINT thumbDown,
                          POINT trackNormal, POINT trackHover, CToolTipCtrl* toolTip, UINT toolTipId,
                          CWnd* parent, BOOL vertical)
{
    m_nID = id;
    if (!CreateSkinnedChild(*this, "CBitmapSlide", id, rect, parent, toolTip, toolTipId, &m_rect))
        return FALSE;
    m_pToolTip = toolTip;
    m_pSkinDC = skinDC;
    m_pPalette = palette;
    m_ptThumbNormal = thumbNormal;
    m_ptThumbHover = thumbHover;
    m_ptThumbDown = thumbDown;
    m_ptTrackNormal = trackNormal;
    m_ptTrackHover = trackHover;
    m_bVertical = vertical ? 1 : 0;

    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    m_rectThumb = RECT{width / 2 - thumbWidth / 2, height - thumbHeight - 1, width / 2 + thumbWidth / 2,
                       height - 1};
    if (m_bVertical) {
        m_nPixelMin = thumbHeight / 2 + 1;
        m_nPixelMax = m_rect.bottom - thumbHeight / 2 - 1;
    } else {
        m_nPixelMin = thumbWidth / 2 + 1;
        m_nPixelMax = m_rect.right - thumbWidth / 2 - 1;
    }
    ComputeMapping();
    return TRUE;
}

void CBitmapSlide::ComputeMapping()
{
    // An empty range or a track no longer than the thumb has nowhere to go:
    // the thumb stays at the lowest position's pixel and every point maps to
    // the lowest position.
    if (m_nMin == m_nMax || m_nPixelMax <= m_nPixelMin) {
        if (m_nPixelMax < m_nPixelMin)
            m_nPixelMax = m_nPixelMin;
        m_dScale = 0;
        m_dOffset = static_cast<double>(m_nPixelMax);
        return;
    }
    m_dScale = static_cast<double>(static_cast<unsigned>(m_nPixelMax - m_nPixelMin))
               / static_cast<double>(m_nMin - m_nMax);
    m_dOffset = static_cast<double>(static_cast<unsigned>(m_nPixelMax)) - m_nMin * m_dScale;
}

int CBitmapSlide::ValueFromPoint(POINT point) const
{
    if (m_dScale == 0)
        return m_nMin;
    const double axis = m_bVertical ? point.y : point.x;
    double value = (axis - m_dOffset) / m_dScale;
    // Clamp in double first, so a far-off point never overflows the cast.
    if (value < m_nMin)
        return m_nMin;
    if (value > m_nMax)
        return m_nMax;
    int v = static_cast<int>(value);
    if (v < m_nMin)
        v = m_nMin;
    if (v > m_nMax)
        v = m_nMax;
    return v;
}

int CBitmapSlide::PixelFromValue(int value) const
{
    return static_cast<int>(value * m_dScale + m_dOffset);
}

void CBitmapSlide::MoveThumbAndReport(POINT point)
{
    int axis = m_bVertical ? point.y : point.x;
    if (m_dScale == 0)
        axis = m_nPixelMax;  // nowhere to go: the lowest position's pixel
    if (axis <= m_nPixelMin)
        axis = m_nPixelMin;
    if (axis >= m_nPixelMax)
        axis = m_nPixelMax;
    PlaceThumbAndReport(axis, ValueFromPoint(point));
}

// Centres the thumb on a pixel of the axis and tells the parent the clock
// of a position (a vertical slider tells nothing).
void CBitmapSlide::PlaceThumbAndReport(int axis, int position)
{
    if (m_bVertical) {
        const int extent = m_rectThumb.bottom - m_rectThumb.top;
        m_rectThumb.top = axis - extent / 2;
        m_rectThumb.bottom = m_rectThumb.top + extent;
    } else {
        const int extent = m_rectThumb.right - m_rectThumb.left;
        m_rectThumb.left = axis - extent / 2;
        m_rectThumb.right = m_rectThumb.left + extent;
        ::SendMessageA(GetParentHwnd(), WM_SLIDER_MOVED, static_cast<WPARAM>(m_nBase - position), m_nID);
    }
}

void CBitmapSlide::SetRange(int lowest, int highest, BOOL redraw)
{
    m_nMin = lowest;
    m_nMax = highest;
    ComputeMapping();
    SetPos(m_nPos, redraw);
}

void CBitmapSlide::SetPos(int position, BOOL redraw)
{
    if (position < m_nMin)
        position = m_nMin;
    if (position > m_nMax)
        position = m_nMax;
    m_nPos = position;
    const int pixel = PixelFromValue(position);
    POINT point = m_bVertical ? POINT{m_rect.right / 2, pixel} : POINT{pixel, m_rect.bottom / 2};
    MoveThumbAndReport(point);
    if (redraw)
        Invalidate(FALSE);
}

void CBitmapSlide::StepTo(int position)
{
    if (position < m_nMin)
        position = m_nMin;
    if (position > m_nMax)
        position = m_nMax;
    m_nPos = position;
    PlaceThumbAndReport(PixelFromValue(position), position);
    NotifyParent();
    Invalidate(FALSE);
    AnnounceEvent(EVENT_OBJECT_VALUECHANGE, m_hWnd);
}

// Left and Down lower the clock, Right and Up raise it: positions run the
// other way.
bool CBitmapSlide::OnKeyDown(WPARAM key)
{
    if (MoveFocusOnTab(m_hWnd, key))
        return true;
    switch (key) {
    case VK_LEFT:
    case VK_DOWN: StepTo(m_nPos + 1); return true;
    case VK_RIGHT:
    case VK_UP: StepTo(m_nPos - 1); return true;
    case VK_NEXT: StepTo(m_nPos + 10); return true;
    case VK_PRIOR: StepTo(m_nPos - 10); return true;
    case VK_HOME: StepTo(m_nMax); return true;
    case VK_END: StepTo(m_nMin); return true;
    default: return false;
    }
}

LRESULT CBitmapSlide::NotifyParent()
{
    return ::SendMessageA(GetParentHwnd(), WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, m_nPos),
                          reinterpret_cast<LPARAM>(m_hWnd));
}

void CBitmapSlide::Cancel()
{
    ReleaseCapture();
    m_nState &= ~(kHover | kDragging);
    Invalidate(FALSE);
}

LRESULT CBitmapSlide::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_pToolTip)
        m_pToolTip->FollowTool(m_hWnd, message, wParam, lParam);

    const POINT point = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    switch (message) {
    case WM_LBUTTONDOWN:
        m_nState |= kDragging;
        MoveThumbAndReport(point);
        m_nPos = ValueFromPoint(point);
        NotifyParent();
        Invalidate(FALSE);
        return Default();
    case WM_MOUSEMOVE:
        if (!PtInRect(&m_rect, point) && !(wParam & MK_LBUTTON))
            Cancel();
        if ((wParam & MK_LBUTTON) && (m_nState & kDragging)) {
            MoveThumbAndReport(point);
            m_nPos = ValueFromPoint(point);
            NotifyParent();
            Invalidate(FALSE);
        }
        return Default();
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_NCPAINT:
        return 0;  // no frame: the track is the whole window
    case WM_LBUTTONUP:
        m_nState &= ~kDragging;
        if (!PtInRect(&m_rect, point)) {
            ReleaseCapture();
            m_nState &= ~kHover;
        }
        Invalidate(FALSE);
        return Default();
    case WM_CAPTURECHANGED:
        if (reinterpret_cast<HWND>(lParam) != m_hWnd) {
            // Only forget the capture: it is already gone.
            m_nState &= ~(kHover | kDragging);
            Invalidate(FALSE);
        }
        return Default();
    case WM_CANCELMODE: {
        LRESULT result = Default();
        Cancel();
        return result;
    }
    case WM_GETDLGCODE:
        return KeyboardDlgCode(m_hWnd, lParam, true);
    case WM_KEYDOWN:
        return OnKeyDown(wParam) ? 0 : Default();
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        OnFocusChanged(m_hWnd, m_pToolTip, message == WM_SETFOCUS);
        return Default();
    case kWmGetObject:
        return AnswerGetObject(m_hWnd, wParam, lParam);
    case WM_SETCURSOR:
        if (reinterpret_cast<HWND>(wParam) == m_hWnd) {
            SetCursor(LoadCursorA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDC_HAND_POINT)));
            SetCapture(m_hWnd);
            m_nState |= kHover;
            Invalidate(FALSE);
        }
        return TRUE;
    default:
        return CWnd::WindowProc(message, wParam, lParam);
    }
}

void CBitmapSlide::OnPaint()
{
    CPaintDC dc(m_hWnd);
    if (!m_pSkinDC)
        return;
    CPaletteScope palette(dc, m_pPalette);
    const POINT track = (m_nState & kHover) ? m_ptTrackHover : m_ptTrackNormal;
    dc.BitBlt(0, 0, m_rect.right, m_rect.bottom, m_pSkinDC, track.x, track.y, SRCCOPY);
    if (GetWindowLongA(m_hWnd, GWL_STYLE) & WS_DISABLED)
        return;
    const POINT thumb = (m_nState & kDragging) ? m_ptThumbDown
                        : (m_nState & kHover)  ? m_ptThumbHover
                                               : m_ptThumbNormal;
    dc.BitBlt(m_rectThumb.left, m_rectThumb.top, m_rectThumb.right - m_rectThumb.left,
              m_rectThumb.bottom - m_rectThumb.top, m_pSkinDC, thumb.x, thumb.y, SRCCOPY);
    DrawFocusMark(m_hWnd, dc.GetSafeHdc(), m_rect);
}
