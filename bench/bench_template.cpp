// The template baseline: the main window's own dialog template, with its
// placeholder controls, shown at the window's place and size with no skin
// and no driver.  No start-up of the program can be quicker than this.
#include <windows.h>

#include "resource.h"

namespace {

INT_PTR CALLBACK Proc(HWND dialog, UINT message, WPARAM, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        SetWindowTextA(dialog, "Template Bench");
        MoveWindow(dialog, 0, 0, 540, 275, TRUE);
        return TRUE;
    case WM_CLOSE:
        EndDialog(dialog, 0);
        return TRUE;
    default:
        return FALSE;
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_MAROVEX), nullptr, Proc, 0);
    return 0;
}
