// CMarovexApp: start-up.  One copy runs at a time; the first command-line
// word "min" starts the window hidden in the tray; the main window then runs
// modally for the whole life of the process.
#include <windows.h>
#include <commctrl.h>

#include "platform/platform_choice.h"
#include "ui/marovex_dlg.h"
#include "ui/window_prompts.h"

class CMarovexApp {
public:
    BOOL InitInstance();
};

namespace {

CMarovexApp theApp;

// The system dialog class, by its atom.
constexpr ATOM kDialogClassAtom = 0x8002;
// No backslash: Windows 98 and NT 4 know no name spaces.
constexpr const char* kInstanceMutex = "Marovex single instance";

}  // namespace

BOOL CMarovexApp::InitInstance()
{
    // One instance: the start that creates the mutex runs; any other finds
    // it, however close together the starts, brings the running window
    // forward (a window hidden in the tray stays hidden) and leaves.  The
    // system closes the handle when the process ends.
    HANDLE instance = CreateMutexA(nullptr, FALSE, kInstanceMutex);
    const bool another = instance && GetLastError() == ERROR_ALREADY_EXISTS;
    HWND running = FindWindowA(reinterpret_cast<LPCSTR>(static_cast<ULONG_PTR>(kDialogClassAtom)), "Marovex");
    if (another || running) {
        if (running) {
            SetForegroundWindow(running);
            SetFocus(running);
        }
        return FALSE;
    }
    if (__argc > 1 && lstrcmpiA(__argv[1], "min") == 0)
        g_bStartHidden = true;
    InitCommonControls();

    WindowPrompts prompts;
    CMarovexDlg dialog(ChoosePlatform(), prompts);
    dialog.DoModal();
    return FALSE;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    theApp.InitInstance();
    return 0;
}
