// Construction and initialisation of the main window: its skin, its
// skinned controls, its tray icon, and the driver object.
#include "ui/marovex_dlg.h"

#include <commctrl.h>

#include <memory>

#include "controls/skin.h"
#include "resource.h"

CDisplayDriver* g_pDriver = nullptr;
HMENU g_hTrayMenu = nullptr;
bool g_bFirstPaint = true;
bool g_bStartHidden = false;

namespace {

constexpr const char* kCaption = "Marovex";

struct ButtonPlace {
    C4StateBitButton CMarovexDlg::*member;
    UINT id;
    RECT rect;
    POINT normal, down, hover, hoverDown;
    UINT toolTip;
};

// The 18 buttons the window creates, in order: place on the face, the skin
// corners of their normal, down, hover and hover-down looks, and tooltip.
const ButtonPlace kButtons[] = {
    {&CMarovexDlg::m_btnAbout, IDC_ABOUT, {387, 0, 507, 21}, {387, 0}, {387, 275}, {387, 0}, {387, 275}, IDS_ABOUT},
    {&CMarovexDlg::m_btnMain, IDC_MAIN, {254, 0, 374, 21}, {254, 275}, {254, 0}, {254, 275}, {254, 0}, IDS_MAIN},
    {&CMarovexDlg::m_btnClose, IDC_CLOSE, {520, 4, 536, 19}, {520, 4}, {520, 279}, {520, 4}, {520, 279}, IDS_CLOSE},
    {&CMarovexDlg::m_btnOK, IDC_OK_BUTTON, {487, 222, 526, 234}, {487, 222}, {487, 497}, {487, 222}, {487, 497}, IDS_OKAY},
    {&CMarovexDlg::m_btnCancel, IDC_CANCEL_BUTTON, {487, 245, 526, 257}, {487, 245}, {487, 520}, {487, 245}, {487, 520}, IDS_CANCEL},
    {&CMarovexDlg::m_btnD3DVSync, IDC_D3D_VSYNC, {67, 117, 113, 131}, {67, 117}, {67, 393}, {67, 117}, {67, 393}, IDS_D3D_VSYNC},
    {&CMarovexDlg::m_btnD3DFSAA2, IDC_D3D_FSAA2, {67, 152, 93, 166}, {67, 152}, {67, 428}, {67, 152}, {67, 428}, IDS_D3D_FSAA2},
    {&CMarovexDlg::m_btnD3DFSAA4, IDC_D3D_FSAA4, {67, 166, 93, 180}, {67, 166}, {67, 442}, {67, 166}, {67, 442}, IDS_D3D_FSAA4},
    {&CMarovexDlg::m_btnD3DFSAA9, IDC_D3D_FSAA9, {67, 180, 93, 194}, {67, 180}, {67, 456}, {67, 180}, {67, 456}, IDS_D3D_FSAA9},
    {&CMarovexDlg::m_btnGLVSync, IDC_GL_VSYNC, {141, 117, 187, 131}, {141, 117}, {141, 393}, {141, 117}, {141, 393}, IDS_GL_VSYNC},
    {&CMarovexDlg::m_btnGLFSAA15, IDC_GL_FSAA15, {141, 152, 216, 166}, {141, 152}, {141, 428}, {141, 152}, {141, 428}, IDS_GL_FSAA15},
    {&CMarovexDlg::m_btnGLFSAA2L, IDC_GL_FSAA2L, {141, 166, 216, 180}, {141, 166}, {141, 442}, {141, 166}, {141, 442}, IDS_GL_FSAA2L},
    {&CMarovexDlg::m_btnGLFSAA2, IDC_GL_FSAA2, {141, 180, 216, 194}, {141, 180}, {141, 456}, {141, 180}, {141, 456}, IDS_GL_FSAA2},
    {&CMarovexDlg::m_btnApply, IDC_APPLY_AT_STARTUP, {273, 104, 348, 117}, {273, 104}, {273, 380}, {273, 104}, {273, 380}, IDS_APPLY_AT_STARTUP},
    {&CMarovexDlg::m_btnTest, IDC_TEST, {358, 105, 398, 118}, {358, 105}, {358, 380}, {358, 105}, {358, 380}, IDS_TEST},
    {&CMarovexDlg::m_btnReset, IDC_RESET, {408, 105, 448, 118}, {408, 105}, {408, 380}, {408, 105}, {408, 380}, IDS_RESET},
    {&CMarovexDlg::m_btnOverlayStandard, IDC_OVERLAY_STANDARD, {302, 177, 355, 190}, {302, 177}, {302, 453}, {302, 177}, {302, 453}, IDS_OVERLAY_STANDARD},
    {&CMarovexDlg::m_btnOverlayActive, IDC_OVERLAY_ACTIVE, {355, 177, 408, 190}, {355, 177}, {355, 453}, {355, 177}, {355, 453}, IDS_OVERLAY_ACTIVE},
};

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

void CMarovexDlg::ReportError(const char* text)
{
    Busy busy(*this);
    ::MessageBoxA(m_hWnd, text, kCaption, MB_OK | MB_ICONHAND);
}

void CMarovexDlg::AddTrayIcon()
{
    m_bTrayIconPending = false;
    if (!TrayAddIcon(m_hWnd, kTrayIconId, m_hIcon, kCaption)) {
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
    ::MoveWindow(m_hWnd, 0, 0, 540, 275, TRUE);
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
    m_rcBackground = RECT{0, 0, 550, 275};
    ::SetWindowTextA(m_hWnd, kCaption);
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

    for (const ButtonPlace& b : kButtons)
        (this->*b.member).Create(b.id, b.rect, &g_dcSkin, &g_palSkin, b.normal, b.down, b.hover,
                                 b.hoverDown, &m_wndToolTip, b.toolTip, this);
    const POINT thumb = {530, 297};
    m_sliderCore.Create(IDC_CORE_SLIDER, RECT{251, 52, 481, 68}, 5, 16, &g_dcSkin, &g_palSkin, thumb,
                        thumb, thumb, POINT{251, 52}, POINT{251, 52}, &m_wndToolTip, IDS_CORE_SPEED,
                        this, FALSE);
    m_sliderMemory.Create(IDC_MEMORY_SLIDER, RECT{251, 82, 481, 98}, 5, 16, &g_dcSkin, &g_palSkin, thumb,
                          thumb, thumb, POINT{251, 82}, POINT{251, 82}, &m_wndToolTip, IDS_MEMORY_SPEED,
                          this, FALSE);

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
    return TRUE;
}
