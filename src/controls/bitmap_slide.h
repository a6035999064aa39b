// CBitmapSlide: a slider drawn from the shared skin, a track and a thumb.
// A click anywhere on the track jumps the thumb there; a drag moves it; the
// parent hears every move of the thumb as WM_USER+1 with m_nBase minus the
// position.  Positions run the other way from pixels: the lowest position
// sits at the right (or bottom) end.  With the focus, the arrow keys move
// it one step, Page Up and Page Down ten, Home and End to the ends, each
// move reported as a drag to that position is.
#pragma once

#include <string>

#include "controls/accessible.h"
#include "framework/gdi.h"
#include "framework/tooltip.h"
#include "framework/wnd.h"

constexpr UINT WM_SLIDER_MOVED = WM_USER + 1;

class CBitmapSlide : public CWnd, public AccessibleFacts {
    DECLARE_DYNAMIC(CBitmapSlide)

public:
    enum : UINT { kHover = 1, kDragging = 2 };

    BOOL Create(UINT id, const RECT& rect, int thumbWidth, int thumbHeight, CDC* skinDC,
                CPalette* palette, POINT thumbNormal, POINT thumbHover, POINT thumbDown,
                POINT trackNormal, POINT trackHover, CToolTipCtrl* toolTip, UINT toolTipId,
                CWnd* parent, BOOL vertical);
    void SetRange(int lowest, int highest, BOOL redraw);
    void SetPos(int position, BOOL redraw);
    virtual LRESULT NotifyParent();

    // The position at a point, and the thumb centre's axis coordinate for a
    // position.
    int ValueFromPoint(POINT point) const;
    int PixelFromValue(int value) const;
    // Moves the thumb to a position and reports it, as a drag there does.
    void StepTo(int position);

    // AccessibleFacts: a slider whose value is what the parent is told, in MHz.
    long AccRole() const override { return 0x33; }  // ROLE_SYSTEM_SLIDER
    long AccState() const override { return 0; }
    std::string AccValue() const override { return std::to_string(m_nBase - m_nPos) + " MHz"; }
    const char* AccDefaultAction() const override { return nullptr; }

    int m_nBase = 0;
    UINT m_nID = 0;
    RECT m_rect = {};
    UINT m_nState = 0;
    double m_dOffset = 0;
    double m_dScale = 0;
    CPalette* m_pPalette = nullptr;
    int m_nPos = 0;
    int m_nMin = 0;
    int m_nMax = 100;
    int m_nPixelMin = 0;
    int m_nPixelMax = 0;
    RECT m_rectThumb = {};
    CDC* m_pSkinDC = nullptr;
    POINT m_ptThumbNormal = {};
    POINT m_ptThumbHover = {};
    POINT m_ptThumbDown = {};
    POINT m_ptTrackNormal = {};
    POINT m_ptTrackHover = {};
    BYTE m_bVertical = 0;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void ComputeMapping();
    // Moves the thumb to a point and tells the parent the clock it stands for.
    void MoveThumbAndReport(POINT point);
    void PlaceThumbAndReport(int axis, int position);
    void Cancel();
    void OnPaint();
    bool OnKeyDown(WPARAM key);

    CToolTipCtrl* m_pToolTip = nullptr;
};
