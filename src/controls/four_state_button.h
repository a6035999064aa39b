// C4StateBitButton: a push button whose every look is a rectangle of its own
// size copied from the shared skin.  It tracks the mouse itself, holding the
// capture while the cursor is over it, and reports a click to its parent
// with WM_COMMAND / BN_CLICKED when the left button is released over it.
#pragma once

#include <string>

#include "framework/gdi.h"
#include "framework/tooltip.h"
#include "framework/wnd.h"

// A look whose corner is this is never drawn.
constexpr POINT kNoLook = {-100, 100};

class C4StateBitButton : public CWnd {
    DECLARE_DYNAMIC(C4StateBitButton)

public:
    enum : UINT { kHover = 1, kPressed = 2 };

    // Creates the control, or gives a live one new looks and registers its
    // tooltip again (its place and size stay).  FALSE only when the window
    // cannot be created.
    BOOL Create(UINT id, const RECT& rect, CDC* skinDC, CPalette* palette, POINT normal, POINT down,
                POINT hover, POINT hoverDown, CToolTipCtrl* toolTip, UINT toolTipId, CWnd* parent);
    // Shows or hides the control, and always enables it.
    void Show(int command);
    virtual LRESULT NotifyParent(UINT code);
    // The corner of the look the control shows now.
    POINT CurrentLook() const;

    BYTE m_bChecked = 0;
    CPalette* m_pPalette = nullptr;
    RECT m_rect = {};
    UINT m_nState = 0;
    CDC* m_pSkinDC = nullptr;
    POINT m_ptNormal = kNoLook;
    POINT m_ptDown = kNoLook;
    POINT m_ptHover = kNoLook;
    POINT m_ptHoverDown = kNoLook;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void OnLButtonDown();
    void OnMouseMove(POINT point);
    void OnPaint();
    void OnLButtonUp();
    BOOL OnSetCursor(HWND over);

    // The tooltip this control registered with, fed the control's mouse
    // messages: while the control holds the capture nothing else sees them.
    CToolTipCtrl* m_pToolTip = nullptr;
};
