// The main window in a real modal run under Wine, on the emulated adapter
// and Wine's registry: what it shows, read back as pixels, and how it
// answers the mouse.  Checks run from a timer inside the modal run.
#include <doctest.h>
#include <windows.h>
#include <oleacc.h>
#include <shellapi.h>
#include <shlwapi.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "driver/rm_access.h"
#include "emulator/emulated_adapter.h"
#include "platform/nv_protocol.h"
#include "platform/win32/win32_platform.h"
#include "resource.h"
#include "ui/clock_test_dlg.h"
#include "ui/face_layout.h"
#include "ui/marovex_dlg.h"
#include "ui/window_prompts.h"
#include "window_fixture.h"

namespace {

const char* const kAdapterKey = "SYSTEM\\CurrentControlSet\\Services\\nv4\\Device0";

std::function<void(CMarovexDlg&)> g_check;
CMarovexDlg* g_dialog = nullptr;
std::vector<std::string> g_boxes;  // texts of the message boxes answered

// Answers every message box of this thread with its first button, and runs
// the check once the window is up.
void CALLBACK Tick(HWND, UINT, UINT_PTR timer, DWORD)
{
    for (HWND box = FindWindowA("#32770", "Marovex"); box; box = FindWindowExA(nullptr, box, "#32770", "Marovex")) {
        if (g_dialog && box == g_dialog->m_hWnd)
            continue;
        char text[512] = {};
        GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
        g_boxes.push_back(text);
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        return;
    }
    if (g_dialog && g_dialog->m_hWnd && IsWindowVisible(g_dialog->m_hWnd) && g_check) {
        KillTimer(nullptr, timer);
        auto check = std::move(g_check);
        g_check = nullptr;
        check(*g_dialog);
        g_dialog->DestroyWindow();
    }
}

void PutDword(const std::string& key, const char* name, DWORD value)
{
    HKEY hKey;
    REQUIRE(RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &hKey,
                            nullptr) == ERROR_SUCCESS);
    RegSetValueExA(hKey, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4);
    RegCloseKey(hKey);
}

// Runs the window on a platform until check has run; the registry's driver
// keys and the board start afresh.
void RunWindow(platform::Platform& os, std::function<void(CMarovexDlg&)> check)
{
    g_boxes.clear();
    WindowPrompts prompts;
    CMarovexDlg dialog(os, prompts);
    g_dialog = &dialog;
    g_check = std::move(check);
    UINT_PTR timer = SetTimer(nullptr, 0, 30, Tick);
    dialog.DoModal();
    KillTimer(nullptr, timer);
    g_dialog = nullptr;
    CHECK_FALSE(g_check);  // the check ran
}

struct Board {
    Board()
    {
        SHDeleteKeyA(HKEY_LOCAL_MACHINE, kAdapterKey);
        adapter.Reset(emulator::AdapterState());
    }
    ~Board() { SHDeleteKeyA(HKEY_LOCAL_MACHINE, kAdapterKey); }
    platform::Win32Platform system;
    emulator::EmulatedAdapter adapter{system};
};

bool Visible(const CWnd& control)
{
    return control.m_hWnd && IsWindowVisible(control.m_hWnd);
}

// What one read-out place must show: the backdrop, or a digit laid over it
// where the digit's mask is black.  The places stand 8 pixels apart, so a
// digit's ninth column is its right neighbour's first: 8 columns are compared.
std::vector<DWORD> ExpectedPlace(int x, int y, char digit)
{
    std::vector<DWORD> backdrop = SkinPixels(POINT{x, y}, 8, 12);
    if (digit == 0)
        return backdrop;
    HDC memory = CreateCompatibleDC(nullptr);
    HBITMAP strip = static_cast<HBITMAP>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_DIGITS),
                                                    IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    HGDIOBJ previous = SelectObject(memory, strip);
    const int row = 3 + 12 * (digit - '0');
    std::vector<DWORD> glyph = Pixels(memory, 2, row, 8, 12);
    std::vector<DWORD> mask = Pixels(memory, 12, row, 8, 12);
    SelectObject(memory, previous);
    DeleteObject(strip);
    DeleteDC(memory);
    for (std::size_t i = 0; i < backdrop.size(); ++i)
        backdrop[i] = (backdrop[i] & mask[i]) | glyph[i];
    return backdrop;
}

BOOL CALLBACK CountUnpainted(HWND child, LPARAM count)
{
    *reinterpret_cast<int*>(count) += GetUpdateRect(child, nullptr, FALSE) ? 1 : 0;
    return TRUE;
}

std::vector<DWORD> ShownPlace(CMarovexDlg& dialog, int x, int y)
{
    HDC dc = GetDC(dialog.m_hWnd);  // client coordinates, as the places are given
    std::vector<DWORD> shown = Pixels(dc, x, y, 8, 12);
    ReleaseDC(dialog.m_hWnd, dc);
    return shown;
}

}  // namespace

TEST_CASE("started normally: at the corner, 540 by 275, the Main page with its 18 buttons and 2 sliders")
{
    Board board;
    RunWindow(board.adapter, [](CMarovexDlg& d) {
        RECT r;
        GetWindowRect(d.m_hWnd, &r);
        CHECK(r.left == 0);
        CHECK(r.top == 0);
        CHECK(r.right - r.left == 540);
        CHECK(r.bottom - r.top == 275);
        char title[32] = {};
        GetWindowTextA(d.m_hWnd, title, sizeof title);
        CHECK(std::string(title) == "Marovex");
        CHECK((GetWindowLongA(d.m_hWnd, GWL_STYLE) & WS_SYSMENU) != 0);

        int visibleChildren = 0;
        for (HWND c = GetWindow(d.m_hWnd, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
            char name[64] = {};
            GetClassNameA(c, name, sizeof name);
            if (IsWindowVisible(c) && std::string(name) != "Static")
                ++visibleChildren;
        }
        CHECK(visibleChildren == 20);
        CHECK_FALSE(Visible(d.m_btnMonitor));
        CHECK_FALSE(Visible(d.m_btnResolution));
        CHECK_FALSE(IsWindowEnabled(d.m_btnMain.m_hWnd));  // the shown page's tab
        CHECK(IsWindowEnabled(d.m_btnAbout.m_hWnd));

        // The emulated board's defaults: Direct3D 4x and both vertical syncs on.
        CHECK(d.m_btnD3DVSync.m_bChecked == 1);
        CHECK(d.m_btnD3DFSAA4.m_bChecked == 1);
        CHECK(d.m_btnGLVSync.m_bChecked == 1);
        CHECK(d.m_btnOverlayStandard.m_bChecked == 1);
        CHECK(std::string(d.m_szCoreClock) == "200");
        CHECK(std::string(d.m_szMemClock) == "166");
        CHECK(d.m_sliderCore.m_nBase == 250);
        CHECK(d.m_sliderCore.m_nPos == 50);
        CHECK(d.m_sliderMemory.m_nPos == 210 - 166);
    });
    CHECK(g_boxes.empty());
    CHECK(g_pDriver == nullptr);
}

TEST_CASE("the buttons and sliders show what the registry and the board hold")
{
    Board board;
    const std::string key = kAdapterKey;
    PutDword(key + "\\Direct3D", "ANTIALIASQUALITY", 5);
    PutDword(key + "\\Direct3D", "VSYNCENABLE", 0);
    PutDword(key + "\\OpenGL", "EnableFSAA", 1);
    PutDword(key + "\\OpenGL", "FSAAQuality", 1);
    PutDword(key + "\\DirectDraw", "VideoBusMasterMode", 3);
    emulator::AdapterState state;
    state.coreClockHz = 95000000;
    state.memClockHz = 95000000;
    board.adapter.Reset(state);
    // The baseline was recorded at 95 MHz too, so the sliders' bounds hold them.
    RunWindow(board.adapter, [](CMarovexDlg& d) {
        CHECK(d.m_btnD3DFSAA9.m_bChecked == 1);
        CHECK(d.m_btnD3DFSAA4.m_bChecked == 0);
        CHECK(d.m_btnD3DVSync.m_bChecked == 0);
        CHECK(d.m_btnGLFSAA2L.m_bChecked == 1);
        CHECK(d.m_btnOverlayActive.m_bChecked == 1);
        CHECK(d.m_btnOverlayStandard.m_bChecked == 0);
        CHECK(std::string(d.m_szCoreClock) == "95");

        // A two-digit core clock stands in the hundreds and tens places, a
        // two-digit memory clock in the tens and units places.
        InvalidateRect(d.m_hWnd, nullptr, TRUE);
        UpdateWindow(d.m_hWnd);
        CHECK(ShownPlace(d, 493, 49) == ExpectedPlace(493, 49, '9'));
        CHECK(ShownPlace(d, 501, 49) == ExpectedPlace(501, 49, '5'));
        CHECK(ShownPlace(d, 509, 49) == ExpectedPlace(509, 49, 0));
        CHECK(ShownPlace(d, 493, 80) == ExpectedPlace(493, 80, 0));
        CHECK(ShownPlace(d, 501, 80) == ExpectedPlace(501, 80, '9'));
        CHECK(ShownPlace(d, 509, 80) == ExpectedPlace(509, 80, '5'));
    });
}

TEST_CASE("read-outs of three, one and four digits, following the slider")
{
    Board board;
    RunWindow(board.adapter, [](CMarovexDlg& d) {
        d.m_sliderCore.SetPos(d.m_sliderCore.m_nBase - 237, TRUE);
        CHECK(std::string(d.m_szCoreClock) == "237");
        CHECK(ShownPlace(d, 493, 49) == ExpectedPlace(493, 49, '2'));
        CHECK(ShownPlace(d, 501, 49) == ExpectedPlace(501, 49, '3'));
        CHECK(ShownPlace(d, 509, 49) == ExpectedPlace(509, 49, '7'));
        for (const char* text : {"7", "1234"}) {
            std::strcpy(d.m_szMemClock, text);
            d.DrawMemClock();
            for (int x : {493, 501, 509})
                CHECK(ShownPlace(d, x, 80) == ExpectedPlace(x, 80, 0));
        }
        // Back from the About page, each read-out is drawn again where it stands.
        for (const int page : {IDC_ABOUT, IDC_MAIN}) {
            d.SendMessage(WM_COMMAND, MAKEWPARAM(page, BN_CLICKED), 0);
            UpdateWindow(d.m_hWnd);
        }
        REQUIRE(std::string(d.m_szMemClock) == "166");
        for (int i = 0; i < 3; ++i)
            CHECK(ShownPlace(d, 493 + 8 * i, 80) == ExpectedPlace(493 + 8 * i, 80, "166"[i]));
    });
}

TEST_CASE("the About page shows only the tabs and the close button")
{
    Board board;
    RunWindow(board.adapter, [](CMarovexDlg& d) {
        d.m_bAboutPage = true;
        InvalidateRect(d.m_hWnd, nullptr, TRUE);
        d.RefreshPage();
        UpdateWindow(d.m_hWnd);
        CHECK_FALSE(Visible(d.m_btnOK));
        CHECK_FALSE(Visible(d.m_sliderCore));
        CHECK_FALSE(Visible(d.m_btnD3DVSync));
        CHECK(Visible(d.m_btnAbout));
        CHECK(Visible(d.m_btnMain));
        CHECK(Visible(d.m_btnClose));
        CHECK_FALSE(IsWindowEnabled(d.m_btnAbout.m_hWnd));
        // The read-out area shows the About picture, not digits.
        HDC memory = CreateCompatibleDC(nullptr);
        HGDIOBJ previous = SelectObject(memory, g_bmpBack.GetSafeHandle());
        std::vector<DWORD> about = Pixels(memory, 493, 49, 8, 12);
        SelectObject(memory, previous);
        DeleteDC(memory);
        CHECK(ShownPlace(d, 493, 49) == about);
    });
}

TEST_CASE("without a driver: the configuration error, and only the tabs and close button")
{
    platform::Win32Platform system;  // Wine has no display driver of this kind
    RunWindow(system, [](CMarovexDlg& d) {
        CHECK_FALSE(Visible(d.m_btnOK));
        CHECK_FALSE(Visible(d.m_sliderMemory));
        CHECK(Visible(d.m_btnAbout));
        CHECK(Visible(d.m_btnClose));
    });
    REQUIRE(g_boxes.size() == 1);
    CHECK(g_boxes[0]
          == "Configuration Error\n\nE2.1: Video driver verification failed.  Please ensure that compatible video drivers are installed.");
}

TEST_CASE("dragging the body moves the window to the last outline; a click leaves it")
{
    Board board;
    RunWindow(board.adapter, [](CMarovexDlg& d) {
        HWND w = d.m_hWnd;
        SendMessageA(w, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 230));
        CHECK(d.m_bDragging);
        CHECK(GetCapture() == w);
        SendMessageA(w, WM_LBUTTONUP, 0, MAKELPARAM(100, 230));
        RECT r;
        GetWindowRect(w, &r);
        CHECK(r.left == 0);
        CHECK(r.top == 0);
        CHECK(GetCapture() != w);

        SendMessageA(w, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 230));
        SendMessageA(w, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(130, 240));
        SendMessageA(w, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(150, 260));
        SendMessageA(w, WM_LBUTTONUP, 0, MAKELPARAM(151, 261));  // not where the last outline was
        GetWindowRect(w, &r);
        CHECK(r.left == 50);
        CHECK(r.top == 30);
        CHECK(r.right - r.left == 540);

        // A release at the screen's origin still ends the drag.
        SendMessageA(w, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 230));
        SendMessageA(w, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(90, 220));
        POINT origin = {0, 0};
        ScreenToClient(w, &origin);
        SendMessageA(w, WM_LBUTTONUP, 0, MAKELPARAM(origin.x, origin.y));
        CHECK_FALSE(d.m_bDragging);
        CHECK(GetCapture() != w);
        GetWindowRect(w, &r);
        CHECK(r.left == 40);
        CHECK(r.top == 20);
    });
}

TEST_CASE("a drag that loses the mouse ends as a release would, leaving the window where it was")
{
    Board board;
    RunWindow(board.adapter, [](CMarovexDlg& d) {
        HWND w = d.m_hWnd;
        HDC screen = GetDC(nullptr);
        // The outline's right edge, beside the window, lies on the desktop.
        const std::vector<DWORD> desktop = Pixels(screen, 560, 40, 12, 200);
        for (UINT loss : {WM_CAPTURECHANGED, WM_CANCELMODE}) {
            CAPTURE(loss);
            SendMessageA(w, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 230));
            SendMessageA(w, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(130, 240));
            REQUIRE(d.m_bDragging);
            CHECK(Pixels(screen, 560, 40, 12, 200) != desktop);  // the outline is drawn
            if (loss == WM_CAPTURECHANGED) {
                TestParent other;  // another window takes the mouse
                SetCapture(other.m_hWnd);
                ReleaseCapture();
            } else {
                SendMessageA(w, WM_CANCELMODE, 0, 0);
            }
            CHECK_FALSE(d.m_bDragging);
            CHECK(GetCapture() != w);
            CHECK(Pixels(screen, 560, 40, 12, 200) == desktop);  // and taken away
            // The desktop is no longer locked: another lock succeeds.
            CHECK(LockWindowUpdate(GetDesktopWindow()));
            LockWindowUpdate(nullptr);
            RECT r;
            GetWindowRect(w, &r);
            CHECK(r.left == 0);
            CHECK(r.top == 0);
            // A release that follows moves nothing.
            SendMessageA(w, WM_LBUTTONUP, 0, MAKELPARAM(150, 260));
            GetWindowRect(w, &r);
            CHECK(r.left == 0);
        }
        ReleaseDC(nullptr, screen);
    });
}

namespace {

void Click(CMarovexDlg& d, UINT id)
{
    SendMessageA(d.m_hWnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
}

}  // namespace

TEST_CASE("toggle groups allow none, select groups keep one")
{
    Board board;
    RunWindow(board.adapter, [](CMarovexDlg& d) {
        REQUIRE(d.m_btnD3DFSAA4.m_bChecked == 1);
        Click(d, IDC_D3D_FSAA2);
        CHECK(d.m_btnD3DFSAA2.m_bChecked == 1);
        CHECK(d.m_btnD3DFSAA4.m_bChecked == 0);
        Click(d, IDC_D3D_FSAA2);
        CHECK(d.m_btnD3DFSAA2.m_bChecked == 0);
        CHECK(d.m_btnD3DFSAA9.m_bChecked == 0);
        REQUIRE(d.m_btnOverlayStandard.m_bChecked == 1);
        Click(d, IDC_OVERLAY_STANDARD);
        CHECK(d.m_btnOverlayStandard.m_bChecked == 1);
        Click(d, IDC_OVERLAY_ACTIVE);
        CHECK(d.m_btnOverlayStandard.m_bChecked == 0);
        CHECK(d.m_btnOverlayActive.m_bChecked == 1);
        Click(d, IDC_APPLY_AT_STARTUP);
        CHECK(g_pDriver->m_bNewApplyAtStartup);
        Click(d, IDC_SVHS);
        CHECK(g_pDriver->m_nTVFormat == 4);
    });
}

TEST_CASE("OK stores the buttons as the driver's settings and hides the window; Cancel reloads")
{
    Board board;
    RunWindow(board.adapter, [](CMarovexDlg& d) {
        Click(d, IDC_D3D_FSAA9);
        Click(d, IDC_GL_FSAA2);
        Click(d, IDC_GL_VSYNC);
        Click(d, IDC_OVERLAY_ACTIVE);
        Click(d, IDC_OK_BUTTON);
        CHECK_FALSE(IsWindowVisible(d.m_hWnd));
        CHECK(g_pDriver->m_nD3DFSAA == 9);
        CHECK(g_pDriver->m_nOpenGLFSAA == 2);
        CHECK_FALSE(g_pDriver->m_bOpenGLVSync);
        CHECK(g_pDriver->m_nOverlayMode == 3);

        d.ShowFromTray();
        Click(d, IDC_D3D_VSYNC);
        CHECK(d.m_btnD3DVSync.m_bChecked == 0);
        Click(d, IDC_CANCEL_BUTTON);
        CHECK_FALSE(IsWindowVisible(d.m_hWnd));
        CHECK(d.m_btnD3DVSync.m_bChecked == 1);
        CHECK(g_pDriver->m_bD3DVSync);
    });
}

TEST_CASE("an overlay mode above 3 shows neither button and is stored as activated")
{
    Board board;
    PutDword(std::string(kAdapterKey) + "\\DirectDraw", "VideoBusMasterMode", 2);
    PutDword(std::string(kAdapterKey) + "\\OpenGL", "EnableFSAA", 1);
    PutDword(std::string(kAdapterKey) + "\\OpenGL", "FSAAQuality", 7);
    RunWindow(board.adapter, [](CMarovexDlg& d) {
        CHECK(d.m_btnOverlayStandard.m_bChecked == 1);
        CHECK(d.m_btnGLFSAA15.m_bChecked + d.m_btnGLFSAA2L.m_bChecked + d.m_btnGLFSAA2.m_bChecked == 0);
        d.m_btnOverlayStandard.m_bChecked = 0;  // as a mode above 3 would leave them
        Click(d, IDC_OK_BUTTON);
        CHECK(g_pDriver->m_nOverlayMode == 3);
        CHECK(g_pDriver->m_nOpenGLFSAA == -1);
    });
}

TEST_CASE("the page tabs swap their looks, and the resolution choice shows its picture")
{
    Board board;
    RunWindow(board.adapter, [](CMarovexDlg& d) {
        CHECK(d.m_btnMain.m_ptNormal.y == 275);
        CHECK(d.m_btnAbout.m_ptNormal.y == 0);
        Click(d, IDC_ABOUT);
        CHECK(d.m_bAboutPage);
        CHECK(d.m_btnMain.m_ptNormal.y == 0);
        CHECK(d.m_btnAbout.m_ptNormal.y == 275);
        Click(d, IDC_MAIN);
        CHECK_FALSE(d.m_bAboutPage);
        CHECK(Visible(d.m_btnOK));

        d.m_menuResolution.m_nLastItem = ID_RESOLUTION_800_600_16;
        d.ChooseResolution();
        CHECK(g_pDriver->m_nTVWidth == 800);
        CHECK(g_pDriver->m_nTVBitsPerPel == 16);
        CHECK(Visible(d.m_btnResolution));
        CHECK(d.m_btnResolution.m_ptNormal.x == 1);
        CHECK(d.m_btnResolution.m_ptNormal.y == 477 + 32);
    });
}

namespace {

HWND s_seen;

// Escape and the close command, sent as soon as the progress dialog is up.
void CALLBACK AskToEndEarly(HWND, UINT, UINT_PTR, DWORD)
{
    HWND box = FindWindowA("#32770", "Testing new settings");
    if (box && box != s_seen) {
        s_seen = box;
        PostMessageA(box, WM_COMMAND, IDCANCEL, 0);
        PostMessageA(box, WM_CLOSE, 0, 0);
    }
}

// Twenty-one timer messages, sent as soon as the progress dialog is shown,
// run it to its end at once.
void CALLBACK RunToEnd(HWND, UINT, UINT_PTR, DWORD)
{
    HWND box = FindWindowA("#32770", "Testing new settings");
    if (box && IsWindowVisible(box) && box != s_seen) {
        s_seen = box;
        for (int tick = 0; tick <= CClockTestDlg::kSteps; ++tick)
            SendMessageA(box, WM_TIMER, 0, 0);
    }
}

}  // namespace

// A trial that counts how often the progress dialog called it back.
struct CountingTrial : platform::ClockTrial {
    int shown = 0;
    void OnProgressShown() override { ++shown; }
};

TEST_CASE("the progress dialog calls the trial back when it is shown")
{
    CountingTrial trial;
    CClockTestDlg dialog(trial);
    s_seen = nullptr;
    UINT_PTR timer = SetTimer(nullptr, 0, 20, RunToEnd);
    CHECK(dialog.DoModal() == IDOK);
    KillTimer(nullptr, timer);
    CHECK(trial.shown >= 1);  // Wine hides an ended dialog without a show-window message
}

TEST_CASE("the progress dialog runs its 20 steps, whatever asks it to end early")
{
    for (int run = 0; run < 2; ++run) {
        CountingTrial trial;
        CClockTestDlg dialog(trial);
        s_seen = nullptr;
        UINT_PTR early = SetTimer(nullptr, 0, 100, AskToEndEarly);
        const DWORD started = GetTickCount();
        CHECK(dialog.DoModal() == IDOK);
        const DWORD took = GetTickCount() - started;
        KillTimer(nullptr, early);
        CAPTURE(took);
        CHECK(s_seen != nullptr);
        CHECK(took >= 4000);
    }
}

TEST_CASE("a visible start adds its tray icon once the window and its controls have painted; it comes back when "
          "the shell announces a restart")
{
    Board board;
    RunWindow(board.adapter, [](CMarovexDlg& d) {
        NOTIFYICONDATAA probe = {};
        probe.cbSize = 88;
        probe.hWnd = d.m_hWnd;
        probe.uID = kTrayIconId;
        probe.uFlags = NIF_TIP;
        lstrcpyA(probe.szTip, "Marovex");
        for (DWORD until = GetTickCount() + 3000; !Shell_NotifyIconA(NIM_MODIFY, &probe) && GetTickCount() < until;) {
            MSG msg;
            if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageA(&msg);
            else
                Sleep(5);
        }
        REQUIRE(Shell_NotifyIconA(NIM_MODIFY, &probe));
        int unpainted = GetUpdateRect(d.m_hWnd, nullptr, FALSE) ? 1 : 0;
        EnumChildWindows(d.m_hWnd, CountUnpainted, reinterpret_cast<LPARAM>(&unpainted));
        CHECK(unpainted == 0);
        REQUIRE(TrayRemoveIcon(d.m_hWnd, kTrayIconId));  // the shell forgot it
        CHECK_FALSE(Shell_NotifyIconA(NIM_MODIFY, &probe));
        SendMessageA(d.m_hWnd, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
        CHECK(Shell_NotifyIconA(NIM_MODIFY, &probe));
    });
}

namespace {

// What assistive technology learns of a control through its accessible
// object, as a screen reader asks for it.
struct Accessible {
    std::string name, value, action;
    long role = -1, state = -1;
};

std::string Narrow(BSTR text)
{
    std::string narrow;
    for (UINT i = 0; text && i < SysStringLen(text); ++i)
        narrow += static_cast<char>(text[i]);
    SysFreeString(text);
    return narrow;
}

Accessible AskAccessible(HWND control)
{
    Accessible facts;
    IAccessible* object = nullptr;
    REQUIRE(SUCCEEDED(AccessibleObjectFromWindow(control, OBJID_CLIENT, __uuidof(IAccessible),
                                                 reinterpret_cast<void**>(&object))));
    VARIANT self, role, state;
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR name = nullptr, value = nullptr, action = nullptr;
    object->get_accName(self, &name);
    object->get_accValue(self, &value);
    object->get_accDefaultAction(self, &action);
    if (object->get_accRole(self, &role) == S_OK && role.vt == VT_I4)
        facts.role = role.lVal;
    if (object->get_accState(self, &state) == S_OK && state.vt == VT_I4)
        facts.state = state.lVal;
    object->Release();
    facts.name = Narrow(name);
    facts.value = Narrow(value);
    facts.action = Narrow(action);
    return facts;
}

// Lets posted messages (a default action) run inside the modal run.
void Pump()
{
    MSG msg;
    for (int i = 0; i < 20; ++i, Sleep(5))
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
}

}  // namespace

TEST_CASE("each control tells assistive technology its name, role, state and value, and they follow changes")
{
    Board board;
    CoInitialize(nullptr);  // as every client of accessible objects does
    RunWindow(board.adapter, [](CMarovexDlg& d) {
        // What a screen reader says of each control of the Main page.
        const struct {
            CWnd* control;
            const char* name;
            long role;
        } spoken[] = {
            {&d.m_btnMain, "Main", ROLE_SYSTEM_PAGETAB},
            {&d.m_btnAbout, "About", ROLE_SYSTEM_PAGETAB},
            {&d.m_btnD3DVSync, "Direct3D V-Sync", ROLE_SYSTEM_CHECKBUTTON},
            {&d.m_btnD3DFSAA2, "Direct3D FSAA 2x", ROLE_SYSTEM_RADIOBUTTON},
            {&d.m_btnD3DFSAA4, "Direct3D FSAA 4x", ROLE_SYSTEM_RADIOBUTTON},
            {&d.m_btnD3DFSAA9, "Direct3D FSAA 9x", ROLE_SYSTEM_RADIOBUTTON},
            {&d.m_btnGLVSync, "OpenGL V-Sync", ROLE_SYSTEM_CHECKBUTTON},
            {&d.m_btnGLFSAA15, "OpenGL FSAA 1.5x", ROLE_SYSTEM_RADIOBUTTON},
            {&d.m_btnGLFSAA2L, "OpenGL FSAA 2x LOD", ROLE_SYSTEM_RADIOBUTTON},
            {&d.m_btnGLFSAA2, "OpenGL FSAA 2x", ROLE_SYSTEM_RADIOBUTTON},
            {&d.m_sliderCore, "Core clock", ROLE_SYSTEM_SLIDER},
            {&d.m_sliderMemory, "Memory clock", ROLE_SYSTEM_SLIDER},
            {&d.m_btnApply, "Apply at startup", ROLE_SYSTEM_CHECKBUTTON},
            {&d.m_btnTest, "Test", ROLE_SYSTEM_PUSHBUTTON},
            {&d.m_btnReset, "Reset", ROLE_SYSTEM_PUSHBUTTON},
            {&d.m_btnOverlayStandard, "Overlay Standard", ROLE_SYSTEM_RADIOBUTTON},
            {&d.m_btnOverlayActive, "Overlay Activated", ROLE_SYSTEM_RADIOBUTTON},
            {&d.m_btnOK, "OK", ROLE_SYSTEM_PUSHBUTTON},
            {&d.m_btnCancel, "Cancel", ROLE_SYSTEM_PUSHBUTTON},
            {&d.m_btnClose, "Close", ROLE_SYSTEM_PUSHBUTTON},
        };
        for (const auto& c : spoken) {
            CAPTURE(c.name);
            const Accessible a = AskAccessible(c.control->m_hWnd);
            CHECK(a.name == c.name);
            CHECK(a.role == c.role);
            const auto* button = dynamic_cast<C4StateBitButton*>(c.control);
            CHECK(((a.state & STATE_SYSTEM_CHECKED) != 0) == (button && button->m_bChecked));
            // The Main page's own tab is shown but cannot be pressed.
            CHECK(((a.state & STATE_SYSTEM_UNAVAILABLE) != 0) == (c.control == &d.m_btnMain));
            CHECK((a.state & STATE_SYSTEM_INVISIBLE) == 0);
        }
        CHECK(AskAccessible(d.m_sliderCore.m_hWnd).value == "200 MHz");
        CHECK(AskAccessible(d.m_sliderMemory.m_hWnd).value == "166 MHz");
        CHECK(AskAccessible(d.m_btnD3DVSync.m_hWnd).action == "Uncheck");
        CHECK(AskAccessible(d.m_btnTest.m_hWnd).action == "Press");

        // The focus, a default action and a slider's move, as the object tells them.
        SetFocus(d.m_btnD3DVSync.m_hWnd);
        CHECK((AskAccessible(d.m_btnD3DVSync.m_hWnd).state & STATE_SYSTEM_FOCUSED) != 0);
        IAccessible* object = nullptr;
        REQUIRE(SUCCEEDED(AccessibleObjectFromWindow(d.m_btnD3DFSAA9.m_hWnd, OBJID_CLIENT, __uuidof(IAccessible),
                                                     reinterpret_cast<void**>(&object))));
        VARIANT self;
        self.vt = VT_I4;
        self.lVal = CHILDID_SELF;
        CHECK(object->accDoDefaultAction(self) == S_OK);
        object->Release();
        Pump();
        CHECK(d.m_btnD3DFSAA9.m_bChecked == 1);
        CHECK((AskAccessible(d.m_btnD3DFSAA9.m_hWnd).state & STATE_SYSTEM_CHECKED) != 0);
        CHECK((AskAccessible(d.m_btnD3DFSAA4.m_hWnd).state & STATE_SYSTEM_CHECKED) == 0);
        SendMessageA(d.m_sliderCore.m_hWnd, WM_KEYDOWN, VK_RIGHT, 0);
        CHECK(AskAccessible(d.m_sliderCore.m_hWnd).value == "201 MHz");
        CHECK(std::string(d.m_szCoreClock) == "201");

        // On the About page the Main page's controls are hidden.
        Click(d, IDC_ABOUT);
        CHECK((AskAccessible(d.m_btnTest.m_hWnd).state & STATE_SYSTEM_INVISIBLE) != 0);
        CHECK((AskAccessible(d.m_btnMain.m_hWnd).state & STATE_SYSTEM_UNAVAILABLE) == 0);
    });
    CoUninitialize();
}
