// CDialog: a dialog from a template, run modally.  The object is bound at
// WM_INITDIALOG and the dialog window subclassed, so every later message
// reaches WindowProc and Default hands it to the system's dialog procedure.
#pragma once

#include "framework/wnd.h"

class CDialog : public CWnd {
    DECLARE_DYNAMIC(CDialog)

public:
    explicit CDialog(UINT templateId, CWnd* parent = nullptr)
        : m_nTemplateId(templateId), m_pParent(parent)
    {
    }

    // Runs the dialog; returns what EndDialog was given, or -1 when the
    // dialog could not be made.  Without a parent the outermost running
    // dialog owns it, and is disabled while it runs.
    virtual INT_PTR DoModal();
    BOOL EndDialog(int result) { return ::EndDialog(m_hWnd, result); }

protected:
    virtual BOOL OnInitDialog() { return TRUE; }
    // WM_COMMAND: OK (1) and Cancel (2) end the dialog; true when handled.
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    static INT_PTR CALLBACK StaticDialogProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam);

    UINT m_nTemplateId;
    CWnd* m_pParent;
    static CDialog* s_pOutermost;
};
