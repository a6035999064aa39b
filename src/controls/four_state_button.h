// C4StateBitButton: a push button whose every look is a rectangle of its own
// size copied from the shared skin.  It tracks the mouse itself, holding the
// capture while the cursor is over it, and reports a click to its parent
// with WM_COMMAND / BN_CLICKED when the left button is released over it.
// From the keyboard, Space (on release) and Enter press it the same way,
// and Tab asks the parent for the next control.  Its window text is its
// name for assistive technology.
#pragma once

#include <string>

#include "controls/accessible.h"
#include "framework/gdi.h"
#include "framework/tooltip.h"
#include "framework/wnd.h"

// A look whose corner is this is never drawn.
constexpr POINT kNoLook = {-100, 100};

class C4StateBitButton : public CWnd, public AccessibleFacts {
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

    // AccessibleFacts: the role is the button's as its group behaves.
    long AccRole() const override { return m_nRole; }
    long AccState() const override;
    const char* AccDefaultAction() const override;

    BYTE m_bChecked = 0;
    long m_nRole = 0x2B;  // ROLE_SYSTEM_PUSHBUTTON
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
    bool OnKeyDown(WPARAM key, LPARAM flags);
    bool OnKeyUp(WPARAM key);
    void OnFocusChanged(bool gained);
    void Click();

    // The state last announced to assistive technology.
    long m_nAnnouncedState = -1;

    // The tooltip this control registered with, fed the control's mouse
    // messages: while the control holds the capture nothing else sees them.
    CToolTipCtrl* m_pToolTip = nullptr;
};
