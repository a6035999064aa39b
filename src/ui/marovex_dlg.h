// CMarovexDlg: the program's one window, a captionless dialog whose whole
// face is drawn from the skin.  The template gives an invisible frame of
// placeholders; the window creates the skinned buttons and sliders on top
// of it and keeps the user's working copy of the settings in them.
#pragma once

#include <windows.h>

#include <initializer_list>

#include "controls/bitmap_menu.h"
#include "controls/bitmap_slide.h"
#include "controls/four_state_button.h"
#include "driver/display_driver.h"
#include "framework/dialog.h"
#include "framework/tooltip.h"
#include "platform/platform.h"
#include "platform/user_prompts.h"
#include "ui/window_prompts.h"

struct ReadOut;

// The one driver object, created by the window's initialisation and
// deleted when the window is destroyed.
extern CDisplayDriver* g_pDriver;
// The tray icon's menu (resource 102), loaded once.
extern HMENU g_hTrayMenu;
// Set at start and by the end of initialisation; cleared by the first paint,
// which then draws the panels and read-outs a second time.
extern bool g_bFirstPaint;
// The program was started with "min": the window stays hidden until it is
// first brought out of the tray.
extern bool g_bStartHidden;

constexpr UINT WM_TRAY_NOTIFY = 0x3E9;
// Posted when an operation has ended and a command held during it waits.
constexpr UINT WM_RUN_HELD_COMMANDS = WM_APP + 1;
constexpr UINT kTrayIconId = 128;
// The timer that adds the tray icon of a visible start after its first paint.
constexpr UINT_PTR kTrayIconTimer = 1;

bool TrayAddIcon(HWND wnd, UINT id, HICON icon, const char* tip);
bool TrayRemoveIcon(HWND wnd, UINT id);

// The clock read-outs' texts: whole MHz in decimal, at most four digits.
// Reading stops at the first character that is not a digit; an empty text
// reads as 0.
void WriteClockText(char (&text)[5], long mhz);
int ReadClockText(const char* text);

class CMarovexDlg : public CDialog {
public:
    // The driver objects this window creates talk to the system through os
    // and to the user through user.
    CMarovexDlg(platform::Platform& os, platform::UserPrompts& user, CWnd* parent = nullptr);

    BOOL DestroyWindow() override;

    // The skinned control of an id, or null.
    HWND StopWindow(UINT id);

    // Pages and the settings they show.
    void RefreshPage();
    bool LoadFromDriver();
    void ShowMainControls(BOOL show);

    // Commands.
    bool ApplyToDriver();
    void ChooseResolution();
    void ShowFromTray();

    // Painting.
    void DrawPanel(HWND dialog, UINT id, UINT bitmapId, BOOL aboutPage);
    void DrawCoreClock();
    void DrawMemClock();

    HICON m_hIcon;
    CBitmapMenu m_menuResolution;
    CToolTipCtrl m_wndToolTip;
    C4StateBitButton m_btnAbout, m_btnMain, m_btnClose, m_btnOK, m_btnCancel;
    C4StateBitButton m_btnD3DVSync, m_btnD3DFSAA2, m_btnD3DFSAA4, m_btnD3DFSAA9;
    C4StateBitButton m_btnGLVSync, m_btnGLFSAA15, m_btnGLFSAA2L, m_btnGLFSAA2;
    C4StateBitButton m_btnMonitor, m_btnTV, m_btnFlatPanel;
    C4StateBitButton m_btnApply, m_btnTest, m_btnReset;
    C4StateBitButton m_btnAGP1, m_btnAGP2, m_btnAGP4, m_btnFastWrites;
    C4StateBitButton m_btnOverlayStandard, m_btnOverlayActive;
    C4StateBitButton m_btnNTSC, m_btnPAL, m_btnComposite, m_btnSVHS;
    C4StateBitButton m_btnRescaling, m_btnDefaultScaling, m_btnResolution;
    CBitmapSlide m_sliderCore, m_sliderMemory;
    HCURSOR m_hCursorGrab = nullptr;
    HCURSOR m_hCursorHand = nullptr;
    // Each holds up to four digits and a terminator; the two are cleared
    // together as one block.
    char m_szCoreClock[5];
    char m_szMemClock[5];
    RECT m_rcBackground = {};
    POINT m_ptDragOrigin;
    RECT m_rcDragLast;
    bool m_bDragging;
    bool m_bAboutPage;

protected:
    BOOL OnInitDialog() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    // While an operation that runs a nested message loop is under way (the
    // clock test, an apply, any message box of the window), commands that
    // would open, reload or delete the driver are held: Exit and Open are
    // carried out once it has ended, through a posted message, so that the
    // driver is never deleted or reloaded under a running operation.
    class Busy {
    public:
        explicit Busy(CMarovexDlg& window) : m_window(window) { ++m_window.m_nBusy; }
        ~Busy();
        Busy(const Busy&) = delete;
        Busy& operator=(const Busy&) = delete;

    private:
        CMarovexDlg& m_window;
    };
    void HoldCommand(UINT id);
    void RunHeldCommands();
    void CancelDrag();
    void RepaintAfterDrag();
    // The keyboard: the controls' names and roles, Tab's move, and the
    // focus a page starts with.
    void NameControls();
    void MoveFocus(HWND from, bool backwards);
    void FocusFirstControl();
    bool HasKeyboardStopFocus();
    void OnClicked(UINT id);
    void OnTest();
    void OnReset();
    void OnResolution();
    void OnTrayNotify(WPARAM id, LPARAM mouseMessage);
    // Checks one button of a group, or none, and clears the others.  When a
    // click is behind it, the other buttons are repainted now (the clicked
    // one repaints itself); without one, nothing is repainted.
    static void CheckInGroup(C4StateBitButton* on, std::initializer_list<C4StateBitButton*> group,
                             const C4StateBitButton* clicked = nullptr);
    void OnPaint();
    void PaintFace();
    void OnSliderMoved(WPARAM clock, LPARAM id);
    void OnLButtonDown(POINT point);
    void OnMouseMove(UINT flags, POINT point);
    void OnLButtonUp(POINT point);
    BOOL DrawDragOutline(int x, int y, int mode);
    void DrawClockBackdrop(HWND dialog, UINT id, UINT bitmapId, BOOL aboutPage);
    void DrawDigit(HWND dialog, char digit, UINT id, UINT bitmapId, BOOL aboutPage, int offset);
    void DrawReadOut(const char* text, std::size_t size, const ReadOut& readOut);
    HDC KeptPicture(UINT bitmapId);
    // The window's questions and messages, through its user prompts; the
    // commands that arrive while a box is up are held.
    bool Ask(const char* text);
    void Tell(const char* text, platform::UserPrompts::Icon icon);
    void ReportError(const char* text) { Tell(text, platform::UserPrompts::kStop); }
    void AddTrayIcon();
    void ReleaseTrayAndDriver();

    platform::Platform& m_os;
    bool m_bRunSettled = false;  // a program run or a search left behind was looked for
    platform::UserPrompts& m_user;
    int m_nBusy = 0;
    bool m_bExitHeld = false;
    bool m_bOpenHeld = false;
    // The shell's broadcast after it restarts, when the icon must be added again.
    UINT m_nTaskbarCreated = 0;
    bool m_bTrayIconPending = false;  // to be added after the first paint
    // The pictures drawn at every paint and slider step, each loaded when
    // first drawn: the read-outs' digit strip and the bare face the panels
    // come from.  Each context, declared after its bitmap, is deleted
    // before it.
    CBitmap m_bmpDigits;
    CDC m_dcDigits;
    CBitmap m_bmpBare;
    CDC m_dcBare;
};
