#include "ui/window_prompts.h"

#include <windows.h>

#include "ui/clock_test_dlg.h"

namespace {

UINT IconStyle(platform::UserPrompts::Icon icon)
{
    switch (icon) {
    case platform::UserPrompts::kInformation: return MB_ICONINFORMATION;
    case platform::UserPrompts::kQuestion: return MB_ICONQUESTION;
    default: return MB_ICONHAND;
    }
}

}  // namespace

bool WindowPrompts::Ask(platform::Window owner, const char* text, Icon icon)
{
    return ::MessageBoxA(reinterpret_cast<HWND>(owner), text, kProgramCaption, MB_YESNO | IconStyle(icon)) == IDYES;
}

void WindowPrompts::Tell(platform::Window owner, const char* text, Icon icon)
{
    ::MessageBoxA(reinterpret_cast<HWND>(owner), text, kProgramCaption, MB_OK | IconStyle(icon));
}

void WindowPrompts::ShowTestProgress(const platform::ClockTestRun&, platform::ClockTrial& trial)
{
    CClockTestDlg dialog(trial);
    dialog.DoModal();
}
