// The framework layer and the program's resources under Wine.
#include <doctest.h>
#include <windows.h>
#include <commctrl.h>

#include <map>
#include <string>
#include <vector>

#include "controls/four_state_button.h"
#include "framework/dialog.h"
#include "framework/tooltip.h"
#include "resource.h"
#include "window_fixture.h"

namespace {

INT_PTR CALLBACK DeclineEverything(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

// The clock-test dialog's template, ended from its own initialisation by
// the command that the OK button would send.
class EndsAtOnce : public CDialog {
public:
    EndsAtOnce() : CDialog(IDD_CLOCK_TEST) {}
    std::vector<UINT> seen;
    HWND ownerDuringRun = nullptr;
    BOOL ownerEnabledDuringRun = TRUE;
    std::string caption;

protected:
    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        char text[64] = {};
        GetWindowTextA(m_hWnd, text, sizeof text);
        caption = text;
        ownerDuringRun = GetWindow(m_hWnd, GW_OWNER);
        ownerEnabledDuringRun = ownerDuringRun ? IsWindowEnabled(ownerDuringRun) : TRUE;
        PostMessageA(m_hWnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        return TRUE;
    }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_COMMAND)
            seen.push_back(LOWORD(wParam));
        return CDialog::WindowProc(message, wParam, lParam);
    }
};

// An outer dialog that runs the inner one, which must come out owned by it.
class Outer : public CDialog {
public:
    Outer() : CDialog(IDD_CLOCK_TEST) {}
    EndsAtOnce inner;
    INT_PTR innerResult = 0;

protected:
    BOOL OnInitDialog() override
    {
        innerResult = inner.DoModal();
        EndDialog(IDCANCEL);
        return TRUE;
    }
};

}  // namespace

TEST_CASE("a modal dialog: initialisation, commands through the object, OK ends it")
{
    EndsAtOnce dialog;
    CHECK(dialog.DoModal() == IDOK);
    CHECK(dialog.caption == "Testing new settings");
    CHECK(dialog.seen == std::vector<UINT>{IDOK});
    CHECK(dialog.m_hWnd == nullptr);  // forgotten when the window went
}

TEST_CASE("a dialog run without a parent is owned, and disabled for, by the running one")
{
    Outer outer;
    CHECK(outer.DoModal() == IDCANCEL);
    CHECK(outer.innerResult == IDOK);
    CHECK(outer.inner.ownerDuringRun != nullptr);
    CHECK_FALSE(outer.inner.ownerEnabledDuringRun);
}

TEST_CASE("the main template holds its 49 placeholder controls")
{
    HWND dialog = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_MAROVEX), nullptr,
                                     DeclineEverything, 0);
    REQUIRE(dialog != nullptr);
    std::map<int, std::pair<std::string, LONG>> controls;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char name[64] = {};
        GetClassNameA(child, name, sizeof name);
        controls[GetDlgCtrlID(child)] = {name, GetWindowLongA(child, GWL_STYLE)};
    }
    CHECK(controls.size() == 49);
    int buttons = 0, statics = 0, trackbars = 0;
    for (const auto& control : controls) {
        CAPTURE(control.first);
        const std::string& kind = control.second.first;
        const LONG style = control.second.second;
        if (kind == "Button") {
            ++buttons;
            CHECK((style & WS_VISIBLE) == 0);
        } else if (kind == "Static") {
            ++statics;
            CHECK((style & WS_VISIBLE) != 0);
            CHECK((style & SS_TYPEMASK) == SS_BITMAP);
        } else if (kind == "msctls_trackbar32") {
            ++trackbars;
            CHECK((style & WS_VISIBLE) == 0);
        }
    }
    CHECK(buttons == 34);
    CHECK(statics == 13);
    CHECK(trackbars == 2);
    char caption[32] = {};
    GetDlgItemTextA(dialog, IDC_RESCALING, caption, sizeof caption);
    CHECK(std::string(caption) == "Rescalling");
    DestroyWindow(dialog);
}

TEST_CASE("the tray menu, icon and cursors are there")
{
    HMENU menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_TRAY_MENU));
    REQUIRE(menu != nullptr);
    HMENU popup = GetSubMenu(menu, 0);
    REQUIRE(popup != nullptr);
    CHECK(GetMenuItemID(popup, 0) == ID_TRAY_OPEN);
    CHECK(GetMenuItemID(popup, 1) == ID_TRAY_EXIT);
    char text[16] = {};
    GetMenuStringA(popup, 1, text, sizeof text, MF_BYPOSITION);
    CHECK(std::string(text) == "&Exit");
    DestroyMenu(menu);

    CHECK(LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_MAROVEX)) != nullptr);
    for (int id : {IDC_HAND_OPEN, IDC_HAND_CLOSED, IDC_HAND_POINT}) {
        CAPTURE(id);
        HCURSOR cursor = LoadCursorA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id));
        REQUIRE(cursor != nullptr);
        ICONINFO info = {};
        REQUIRE(GetIconInfo(cursor, &info));
        if (id == IDC_HAND_OPEN) {
            CHECK(info.xHotspot == 14);
            CHECK(info.yHotspot == 8);
        }
        if (id == IDC_HAND_CLOSED) {
            CHECK(info.xHotspot == 15);
            CHECK(info.yHotspot == 15);
        }
        DeleteObject(info.hbmMask);
        DeleteObject(info.hbmColor);
    }
}

TEST_CASE("skinned controls register their tooltip text with the shared tooltip control")
{
    LoadTestSkin();
    TestParent parent;
    CToolTipCtrl tip;
    REQUIRE(tip.Create(&parent, TTS_ALWAYSTIP | TTS_NOPREFIX));
    C4StateBitButton button;
    REQUIRE(button.Create(IDC_TEST, RECT{358, 105, 398, 118}, &g_dcSkin, &g_palSkin, POINT{358, 105},
                          POINT{358, 380}, POINT{358, 105}, POINT{358, 380}, &tip, IDS_TEST, &parent));
    CHECK(tip.SendMessage(TTM_GETTOOLCOUNT) == 1);
    char text[80] = {};
    TOOLINFOA info = {};
    info.cbSize = TTTOOLINFOA_V1_SIZE;
    info.hwnd = button.m_hWnd;
    info.uId = IDC_TEST;
    info.lpszText = text;
    tip.SendMessage(TTM_GETTEXTA, 0, reinterpret_cast<LPARAM>(&info));
    CHECK(std::string(text) == "Test settings");

    // Registered again in place of the first, and gone with the window.
    REQUIRE(button.Create(IDC_TEST, RECT{358, 105, 398, 118}, &g_dcSkin, &g_palSkin, POINT{358, 105},
                          POINT{358, 380}, POINT{358, 105}, POINT{358, 380}, &tip, IDS_TEST, &parent));
    CHECK(tip.SendMessage(TTM_GETTOOLCOUNT) == 1);
    button.DestroyWindow();
    CHECK(tip.SendMessage(TTM_GETTOOLCOUNT) == 0);
    tip.DestroyWindow();
}
