// CMarovexDlg: its message map and command routing, then its construction
// and initialisation: the skin, the skinned controls, the tray icon and the
// driver object.  The handlers live beside their subjects: clicks in
// main_commands.cpp, pages in main_page.cpp, painting in main_paint.cpp,
// dragging in main_drag.cpp, the tray in tray_icon.cpp.
#include "ui/marovex_dlg.h"

#include <commctrl.h>
#include <windowsx.h>

#include <memory>

#include "controls/keyboard.h"
#include "controls/skin.h"
#include "resource.h"
#include "ui/face_layout.h"

CDisplayDriver* g_pDriver = nullptr;
HMENU g_hTrayMenu = nullptr;
bool g_bFirstPaint = true;
bool g_bStartHidden = false;

namespace {

// The six resolution choices, in menu order, with the text kept as each
// owner-drawn item's data.
const struct {
    UINT id;
    const char* text;
} kResolutionItems[] = {
    {ID_RESOLUTION_800_600_32, "1"}, {ID_RESOLUTION_640_480_32, "2"}, {ID_RESOLUTION_800_600_16, "3"},
    {ID_RESOLUTION_640_480_16, "4"}, {ID_RESOLUTION_800_600_8, "5"},  {ID_RESOLUTION_640_480_8, "6"},
};

}  // namespace

LRESULT CMarovexDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    const POINT point = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    if (message == m_nTaskbarCreated && m_nTaskbarCreated != 0) {
        // The shell restarted and forgot the icon.
        TrayAddIcon(m_hWnd, kTrayIconId, m_hIcon, kProgramCaption);
        return 0;
    }
    switch (message) {
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_QUERYDRAGICON:
        return reinterpret_cast<LRESULT>(m_hIcon);
    case WM_MOUSEMOVE:
        OnMouseMove(static_cast<UINT>(wParam), point);
        return Default();
    case WM_LBUTTONDOWN:
        OnLButtonDown(point);
        return Default();
    case WM_LBUTTONUP:
        OnLButtonUp(point);
        return Default();
    case WM_TRAY_NOTIFY:
        OnTrayNotify(wParam, lParam);
        return 0;
    case WM_RUN_HELD_COMMANDS:
        RunHeldCommands();
        return 0;
    case WM_CAPTURECHANGED:
        // Another window took the mouse: a drag ends as if released, but
        // the window stays where it is.
        if (reinterpret_cast<HWND>(lParam) != m_hWnd)
            CancelDrag();
        return Default();
    case WM_CANCELMODE:
        CancelDrag();
        return Default();
    case WM_TIMER:
        if (wParam != kTrayIconTimer)
            return CDialog::WindowProc(message, wParam, lParam);
        ::KillTimer(m_hWnd, kTrayIconTimer);
        if (m_bTrayIconPending)
            AddTrayIcon();
        return 0;
    case WM_SLIDER_MOVED:
        OnSliderMoved(wParam, lParam);
        return 0;
    case WM_MOVE_FOCUS:
        MoveFocus(reinterpret_cast<HWND>(lParam), wParam != 0);
        return 0;
    case WM_ACTIVATE:
    case WM_SETFOCUS: {
        // The dialog manager gives the focus back to the control that had
        // it; when it has none saved it picks a placeholder of the template.
        // The focused control's tooltip is not left over another window.
        const bool active = message == WM_SETFOCUS || LOWORD(wParam) != WA_INACTIVE;
        if (!active)
            m_wndToolTip.HideForKeyboard();
        const LRESULT result = CDialog::WindowProc(message, wParam, lParam);
        if (active && !HasKeyboardStopFocus())
            FocusFirstControl();
        return result;
    }
    case WM_SHOWWINDOW:
        if (!wParam)
            m_wndToolTip.HideForKeyboard();
        return CDialog::WindowProc(message, wParam, lParam);
    case WM_DESTROY:
        // However the window ends (the modal run also ends it without the
        // DestroyWindow override), it leaves no tray icon and no driver.
        ReleaseTrayAndDriver();
        return CDialog::WindowProc(message, wParam, lParam);
    default:
        return CDialog::WindowProc(message, wParam, lParam);
    }
}

CMarovexDlg::Busy::~Busy()
{
    if (--m_window.m_nBusy == 0 && (m_window.m_bExitHeld || m_window.m_bOpenHeld))
        ::PostMessageA(m_window.m_hWnd, WM_RUN_HELD_COMMANDS, 0, 0);
}

void CMarovexDlg::HoldCommand(UINT id)
{
    // The window is disabled while an operation runs, so only the tray
    // menu's commands reach it; anything else is dropped.
    if (id == IDC_CLOSE || id == ID_TRAY_EXIT)
        m_bExitHeld = true;
    else if (id == ID_TRAY_OPEN)
        m_bOpenHeld = true;
}

void CMarovexDlg::RunHeldCommands()
{
    if (m_nBusy > 0)
        return;  // the end of the running operation posts again
    if (m_bExitHeld) {
        m_bExitHeld = m_bOpenHeld = false;
        DestroyWindow();
    } else if (m_bOpenHeld) {
        m_bOpenHeld = false;
        Busy busy(*this);
        ShowFromTray();
    }
}

BOOL CMarovexDlg::OnCommand(WPARAM wParam, LPARAM lParam)
{
    const UINT id = LOWORD(wParam);
    if (m_nBusy > 0) {
        HoldCommand(id);
        return TRUE;
    }
    Busy busy(*this);
    switch (id) {
    case IDC_OK_BUTTON:
        if (ApplyToDriver()) {
            if (!g_bOutputSwitchDeclined) {
                ShowWindow(SW_HIDE);
                UpdateWindow(m_hWnd);
            } else {
                LoadFromDriver();
                for (C4StateBitButton* button : {&m_btnMonitor, &m_btnTV, &m_btnFlatPanel})
                    if (button->m_hWnd)
                        button->Invalidate(TRUE);
            }
        }
        return TRUE;
    case IDC_CANCEL_BUTTON:
        LoadFromDriver();
        ShowWindow(SW_HIDE);
        UpdateWindow(m_hWnd);
        return TRUE;
    case IDC_CLOSE:
    case ID_TRAY_EXIT:
        DestroyWindow();
        return TRUE;
    case ID_TRAY_OPEN:
        ShowFromTray();
        return TRUE;
    default:
        break;
    }
    if ((id >= IDC_ABOUT && id <= IDC_OVERLAY_ACTIVE && id != IDC_OK_BUTTON) || id == IDC_NTSC
        || id == IDC_PAL || (id >= IDC_COMPOSITE && id <= IDC_RESOLUTION)) {
        OnClicked(id);
        return TRUE;
    }
    return CDialog::OnCommand(wParam, lParam);
}

CMarovexDlg::CMarovexDlg(platform::Platform& os, platform::UserPrompts& user, CWnd* parent)
    : CDialog(IDD_MAROVEX, parent), m_os(os), m_user(user)
{
    m_hIcon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_MAROVEX));
    m_bDragging = false;
    m_bAboutPage = false;
    g_bOutputSwitchDeclined = false;
    m_ptDragOrigin = POINT{0, 0};
    m_rcDragLast = RECT{0, 0, 0, 0};
    m_szCoreClock[0] = '\0';
    m_szMemClock[0] = '\0';
}

bool CMarovexDlg::Ask(const char* text)
{
    Busy busy(*this);
    return m_user.Ask(reinterpret_cast<platform::Window>(m_hWnd), text, platform::UserPrompts::kQuestion);
}

void CMarovexDlg::Tell(const char* text, platform::UserPrompts::Icon icon)
{
    Busy busy(*this);
    m_user.Tell(reinterpret_cast<platform::Window>(m_hWnd), text, icon);
}

void CMarovexDlg::AddTrayIcon()
{
    m_bTrayIconPending = false;
    if (!TrayAddIcon(m_hWnd, kTrayIconId, m_hIcon, kProgramCaption)) {
        ReportError("Initialize Error\n\nCould not initialize the task bar icon.");
        // Without an icon a hidden window could never be brought back: a
        // start with "min" goes on as a visible one.
        g_bStartHidden = false;
    }
}

BOOL CMarovexDlg::OnInitDialog()
{
    Busy busy(*this);
    CDialog::OnInitDialog();
    ::MoveWindow(m_hWnd, 0, 0, face::kWidth, face::kHeight, TRUE);
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
    m_rcBackground = face::kBackground;
    ::SetWindowTextA(m_hWnd, kProgramCaption);
    SendMessage(WM_SETICON, ICON_BIG,
                reinterpret_cast<LPARAM>(LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_MAROVEX))));
    ::SetWindowLongA(m_hWnd, GWL_STYLE, ::GetWindowLongA(m_hWnd, GWL_STYLE) | WS_SYSMENU);

    m_nTaskbarCreated = RegisterWindowMessageA("TaskbarCreated");
    // Adding the icon waits on the shell; a window that shows itself adds it
    // once its face is painted, so that the start is not held up.
    if (g_bStartHidden)
        AddTrayIcon();
    else
        m_bTrayIconPending = true;

    m_hCursorGrab = LoadCursorA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDC_HAND_CLOSED));
    m_hCursorHand = LoadCursorA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDC_HAND_OPEN));
    SetCursor(m_hCursorHand);
    g_hTrayMenu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_TRAY_MENU));

    m_wndToolTip.Create(this, TTS_ALWAYSTIP | TTS_NOPREFIX);
    m_wndToolTip.Activate(TRUE);

    // The first copy of the skin stays selected in the skin context, where
    // every control draws from; the second is the window face's own.
    if (!LoadSkinBitmap(IDB_SKIN, &g_bmpSkin, &g_palSkin))
        ReportError("Graphics Error\n\nCould not create the background graphic.");
    auto paint = std::make_unique<CPaintDC>(m_hWnd);
    g_dcSkin.CreateCompatibleDC(paint.get());
    g_dcSkin.SelectObject(g_bmpSkin.GetSafeHandle());
    if (!LoadSkinBitmap(IDB_SKIN, &g_bmpSkin, &g_palSkin))
        ReportError("Graphics Error\n\nCould not recreate the background graphic.");
    if (!LoadSkinBitmap(IDB_ABOUT, &g_bmpBack, &g_palBack))
        ReportError("Graphics Error\n\nCould not create the about graphic.");

    for (const face::ButtonPlace& b : face::kButtons)
        (this->*b.member).Create(b.id, b.rect, &g_dcSkin, &g_palSkin, b.normal, b.down, b.hover,
                                 b.hoverDown, &m_wndToolTip, b.toolTip, this);
    // Each track's look is the face's own place.
    const POINT thumb = face::kThumbLook;
    const POINT coreTrack = {face::kCoreSlider.left, face::kCoreSlider.top};
    const POINT memoryTrack = {face::kMemorySlider.left, face::kMemorySlider.top};
    m_sliderCore.Create(IDC_CORE_SLIDER, face::kCoreSlider, face::kThumbWidth, face::kThumbHeight, &g_dcSkin,
                        &g_palSkin, thumb, thumb, thumb, coreTrack, coreTrack, &m_wndToolTip, IDS_CORE_SPEED,
                        this, FALSE);
    m_sliderMemory.Create(IDC_MEMORY_SLIDER, face::kMemorySlider, face::kThumbWidth, face::kThumbHeight,
                          &g_dcSkin, &g_palSkin, thumb, thumb, thumb, memoryTrack, memoryTrack, &m_wndToolTip,
                          IDS_MEMORY_SPEED, this, FALSE);

    g_pDriver = new CDisplayDriver(m_os, m_user, reinterpret_cast<platform::Window>(m_hWnd));
    RefreshPage();

    if (m_menuResolution.Attach(::CreatePopupMenu()))
        for (const auto& item : kResolutionItems)
            m_menuResolution.AppendMenu(MF_OWNERDRAW, item.id, item.text);

    g_bFirstPaint = true;
    if (g_bStartHidden) {
        ::MoveWindow(m_hWnd, 0, 0, 0, 0, TRUE);
        ::SetWindowLongA(m_hWnd, GWL_EXSTYLE, WS_EX_TOOLWINDOW);
    }
    FocusFirstControl();
    return FALSE;  // the focus is set
}
