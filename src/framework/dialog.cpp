#include "framework/dialog.h"

IMPLEMENT_DYNAMIC(CDialog, CWnd)

CDialog* CDialog::s_pOutermost = nullptr;

INT_PTR CDialog::DoModal()
{
    HWND owner = m_pParent ? m_pParent->m_hWnd : (s_pOutermost ? s_pOutermost->m_hWnd : nullptr);
    bool outermost = s_pOutermost == nullptr;
    if (outermost)
        s_pOutermost = this;
    INT_PTR result = ::DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(m_nTemplateId),
                                       owner, StaticDialogProc, reinterpret_cast<LPARAM>(this));
    if (outermost)
        s_pOutermost = nullptr;
    return result;
}

BOOL CDialog::OnCommand(WPARAM wParam, LPARAM)
{
    switch (LOWORD(wParam)) {
    case IDOK:
        OnOK();
        return TRUE;
    case IDCANCEL:
        OnCancel();
        return TRUE;
    default:
        return FALSE;
    }
}

LRESULT CDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND && OnCommand(wParam, lParam))
        return 0;
    return CWnd::WindowProc(message, wParam, lParam);
}

INT_PTR CALLBACK CDialog::StaticDialogProc(HWND wnd, UINT message, WPARAM, LPARAM lParam)
{
    // Only the first message is taken here; from then on the subclassed
    // window procedure delivers everything, and this procedure declines so
    // that the system's dialog procedure does the default processing.
    if (message != WM_INITDIALOG)
        return FALSE;
    auto* dialog = reinterpret_cast<CDialog*>(lParam);
    dialog->Bind(wnd);
    dialog->m_pfnSuper = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(StaticWndProc)));
    return dialog->OnInitDialog();
}
