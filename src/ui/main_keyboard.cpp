// The main window from the keyboard: every visible skinned control in
// reading order (face::kTabOrder), Tab and Shift+Tab between them, the
// focus a page starts with, and the names and roles the controls give
// assistive technology.
#include "resource.h"
#include "ui/face_layout.h"
#include "ui/marovex_dlg.h"

namespace {

// A control shown on its page (the window itself may still be hidden) and
// not disabled.
bool TakesFocus(HWND control)
{
    return control && (GetWindowLongA(control, GWL_STYLE) & WS_VISIBLE) && IsWindowEnabled(control);
}

}  // namespace

// The skinned control of an id: the template's hidden placeholders have the
// same ids, so the controls are found by their members, not GetDlgItem.
HWND CMarovexDlg::StopWindow(UINT id)
{
    if (id == IDC_CORE_SLIDER)
        return m_sliderCore.m_hWnd;
    if (id == IDC_MEMORY_SLIDER)
        return m_sliderMemory.m_hWnd;
    for (const face::ButtonPlace& b : face::kButtons)
        if (b.id == id)
            return (this->*b.member).m_hWnd;
    return nullptr;
}

// The page tabs are made anew at every page switch: their names are set
// again after each.
void CMarovexDlg::NameControls()
{
    for (const face::KeyboardStop& stop : face::kTabOrder) {
        HWND control = StopWindow(stop.id);
        if (!control)
            continue;
        SetWindowTextA(control, stop.name);
        if (auto* button = dynamic_cast<C4StateBitButton*>(CWnd::FromHandlePermanent(control)))
            button->m_nRole = static_cast<long>(stop.role);
    }
}

void CMarovexDlg::MoveFocus(HWND from, bool backwards)
{
    const int count = static_cast<int>(sizeof face::kTabOrder / sizeof face::kTabOrder[0]);
    int at = 0;
    while (at < count && StopWindow(face::kTabOrder[at].id) != from)
        ++at;
    for (int step = 1; step <= count; ++step) {
        const int next = ((backwards ? at - step : at + step) % count + count) % count;
        HWND control = StopWindow(face::kTabOrder[next].id);
        if (TakesFocus(control)) {
            SetFocus(control);
            return;
        }
    }
}

// The first control of the page's own, or, on a page with none, the first
// of the tabs that takes the focus.
void CMarovexDlg::FocusFirstControl()
{
    const int count = static_cast<int>(sizeof face::kTabOrder / sizeof face::kTabOrder[0]);
    for (int pass = 0; pass < 2; ++pass) {
        for (int i = pass == 0 ? face::kFirstPageStop : 0; i < count; ++i) {
            HWND control = StopWindow(face::kTabOrder[i].id);
            if (TakesFocus(control)) {
                SetFocus(control);
                return;
            }
        }
    }
}

bool CMarovexDlg::HasKeyboardStopFocus()
{
    HWND focus = GetFocus();
    if (!TakesFocus(focus))
        return false;
    for (const face::KeyboardStop& stop : face::kTabOrder)
        if (StopWindow(stop.id) == focus)
            return true;
    return false;
}
