// The skinned controls in real windows under Wine: what they draw, read back
// from the screen, and how they answer mouse messages.
#include <doctest.h>
#include <windows.h>

#include <cstring>
#include <string>

#include "controls/bitmap_menu.h"
#include "controls/bitmap_slide.h"
#include "controls/four_state_button.h"
#include "controls/res_string.h"
#include "controls/skin.h"
#include "resource.h"
#include "window_fixture.h"

namespace {

// The Apply at startup button of the main window: normal look on the face,
// down look 276 rows below.
const RECT kApplyRect = {273, 104, 348, 117};
const POINT kApplyNormal = {273, 104};
const POINT kApplyDown = {273, 380};
constexpr int kApplyWidth = 75, kApplyHeight = 13;

void Send(HWND wnd, UINT message, WPARAM wParam, int x, int y)
{
    SendMessageA(wnd, message, wParam, MAKELPARAM(x, y));
}

void Hover(HWND wnd)
{
    SendMessageA(wnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(wnd), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
}

struct ButtonRig {
    ButtonRig()
    {
        LoadTestSkin();
        REQUIRE(button.Create(IDC_APPLY_AT_STARTUP, kApplyRect, &g_dcSkin, &g_palSkin, kApplyNormal,
                              kApplyDown, kApplyNormal, kApplyDown, nullptr, IDS_APPLY_AT_STARTUP, &parent));
    }
    std::vector<DWORD> Shown() { return WindowPixels(button.m_hWnd, 0, 0, kApplyWidth, kApplyHeight); }

    TestParent parent;
    C4StateBitButton button;
};

}  // namespace

TEST_CASE("string-table texts: found, missing, and cut at 1023 bytes")
{
    std::string text = "stale";
    LoadResString(&text, IDS_APPLY_AT_STARTUP);
    CHECK(text == "Apply at startup");
    LoadResString(&text, IDS_GL_FSAA2L);
    CHECK(text == "OpenGL FSAA 2x (LOD Bias)");
    LoadResString(&text, 499);
    CHECK(text.empty());
    LoadResString(&text, 500);
    CHECK(text.size() == 1023);
    CHECK(text.compare(0, 10, "0123456789") == 0);

    char buffer[8];
    std::memset(buffer, '#', sizeof buffer);
    CHECK(LoadStringForLanguage(GetModuleHandleA(nullptr), 500, 1033, buffer, 8) == buffer);
    CHECK(std::string(buffer) == "0123456");
    CHECK(LoadStringForLanguage(GetModuleHandleA(nullptr), IDS_ABOUT, 1031, buffer, 8) == nullptr);
}

TEST_CASE("the skin loader: palette from the colour table, halftone above 8 bits")
{
    CBitmap bitmap;
    CPalette palette;
    REQUIRE(LoadSkinBitmap(IDB_SKIN, &bitmap, &palette));
    DIBSECTION dib = {};
    REQUIRE(GetObjectA(bitmap.GetSafeHandle(), sizeof dib, &dib) == sizeof dib);
    CHECK(dib.dsBm.bmWidth == 539);
    CHECK(dib.dsBm.bmHeight == 586);
    CHECK(dib.dsBmih.biBitCount == 8);

    PALETTEENTRY entries[256];
    REQUIRE(GetPaletteEntries(palette, 0, 256, entries) == 256);
    HDC memory = CreateCompatibleDC(nullptr);
    HGDIOBJ previous = SelectObject(memory, bitmap.GetSafeHandle());
    RGBQUAD table[256];
    REQUIRE(GetDIBColorTable(memory, 0, 256, table) == 256);
    SelectObject(memory, previous);
    DeleteDC(memory);
    int same = 0;
    for (int i = 0; i < 256; ++i)
        same += entries[i].peRed == table[i].rgbRed && entries[i].peGreen == table[i].rgbGreen
                && entries[i].peBlue == table[i].rgbBlue && entries[i].peFlags == 0;
    CHECK(same == 256);

    CBitmap trueColour;
    CPalette halftone;
    REQUIRE(LoadSkinBitmap(900, &trueColour, &halftone));
    CHECK(halftone.GetSafeHandle() != nullptr);
    CHECK(GetPaletteEntries(halftone, 0, 0, nullptr) > 16);

    // No palette object: the bitmap alone.
    CBitmap alone;
    CHECK(LoadSkinBitmap(IDB_ABOUT, &alone, nullptr));
    CHECK(alone.GetSafeHandle() != nullptr);

    // A missing resource changes nothing.
    HGDIOBJ before = bitmap.GetSafeHandle();
    HGDIOBJ paletteBefore = palette.GetSafeHandle();
    CHECK_FALSE(LoadSkinBitmap(4242, &bitmap, &palette));
    CHECK(bitmap.GetSafeHandle() == before);
    CHECK(palette.GetSafeHandle() == paletteBefore);
}

TEST_CASE("a second load while the first bitmap is selected keeps it drawing there")
{
    CBitmap bitmap;
    REQUIRE(LoadSkinBitmap(IDB_SKIN, &bitmap, nullptr));
    HDC memory = CreateCompatibleDC(nullptr);
    HGDIOBJ first = bitmap.GetSafeHandle();
    HGDIOBJ previous = SelectObject(memory, first);
    std::vector<DWORD> before = Pixels(memory, 273, 104, 20, 10);
    REQUIRE(LoadSkinBitmap(IDB_SKIN, &bitmap, nullptr));
    CHECK(bitmap.GetSafeHandle() != first);
    CHECK(GetCurrentObject(memory, OBJ_BITMAP) == first);
    CHECK(Pixels(memory, 273, 104, 20, 10) == before);
    SelectObject(memory, previous);
    DeleteObject(first);
    DeleteDC(memory);
}

TEST_CASE("the button paints the skin rectangle of each look")
{
    ButtonRig rig;
    CHECK(rig.button.IsKindOf(RUNTIME_CLASS(CWnd)));
    CHECK(std::string(rig.button.GetRuntimeClass()->m_lpszClassName) == "C4StateBitButton");
    const auto normal = SkinPixels(kApplyNormal, kApplyWidth, kApplyHeight);
    const auto down = SkinPixels(kApplyDown, kApplyWidth, kApplyHeight);
    REQUIRE(normal != down);
    CHECK(rig.Shown() == normal);

    rig.button.m_bChecked = 1;
    rig.button.Invalidate(FALSE);
    CHECK(rig.Shown() == down);
    Hover(rig.button.m_hWnd);
    CHECK(rig.Shown() == down);
    Send(rig.button.m_hWnd, WM_LBUTTONUP, 0, 5, 5);
    CHECK(rig.parent.Clicks(IDC_APPLY_AT_STARTUP) == 1);  // a checked button still clicks

    rig.button.m_bChecked = 0;
    ReleaseCapture();
    rig.button.m_nState = 0;
    rig.button.Invalidate(FALSE);
    CHECK(rig.Shown() == normal);
}

TEST_CASE("the button follows the mouse: hover, press, leave, release")
{
    ButtonRig rig;
    HWND wnd = rig.button.m_hWnd;
    const auto down = SkinPixels(kApplyDown, kApplyWidth, kApplyHeight);

    SUBCASE("press, drag out and release outside: no click") {
        Hover(wnd);
        CHECK(GetCapture() == wnd);
        CHECK(rig.button.m_nState == C4StateBitButton::kHover);
        Send(wnd, WM_LBUTTONDOWN, MK_LBUTTON, 0, 0);  // the top-left pixel is a point like any other
        CHECK(rig.button.m_nState == C4StateBitButton::kPressed);
        CHECK(rig.Shown() == down);
        Send(wnd, WM_MOUSEMOVE, MK_LBUTTON, 200, 5);
        CHECK(rig.button.m_nState == 0);
        CHECK(GetCapture() == nullptr);
        CHECK(rig.parent.Clicks(IDC_APPLY_AT_STARTUP) == 0);
    }
    SUBCASE("press outside, move on and release: one click") {
        Hover(wnd);
        Send(wnd, WM_LBUTTONUP, 0, 0, 0);
        CHECK(rig.parent.Clicks(IDC_APPLY_AT_STARTUP) == 1);
        CHECK(rig.button.m_nState == C4StateBitButton::kHover);
        const Received& click = rig.parent.received.back();
        CHECK(click.lParam == reinterpret_cast<LPARAM>(wnd));
    }
    SUBCASE("a double-click reports two clicks") {
        Hover(wnd);
        Send(wnd, WM_LBUTTONDOWN, MK_LBUTTON, 5, 5);
        Send(wnd, WM_LBUTTONUP, 0, 5, 5);
        Send(wnd, WM_LBUTTONDBLCLK, MK_LBUTTON, 5, 5);
        Send(wnd, WM_LBUTTONUP, 0, 5, 5);
        CHECK(rig.parent.Clicks(IDC_APPLY_AT_STARTUP) == 2);
        ReleaseCapture();
    }
}

TEST_CASE("Create on a live button keeps its place and size but takes the new looks")
{
    ButtonRig rig;
    const RECT elsewhere = {0, 0, 10, 10};
    REQUIRE(rig.button.Create(IDC_APPLY_AT_STARTUP, elsewhere, &g_dcSkin, &g_palSkin, kApplyDown,
                              kApplyNormal, kApplyDown, kApplyNormal, nullptr, IDS_APPLY_AT_STARTUP,
                              &rig.parent));
    RECT placed;
    GetWindowRect(rig.button.m_hWnd, &placed);
    MapWindowPoints(nullptr, rig.parent.m_hWnd, reinterpret_cast<POINT*>(&placed), 2);
    CHECK(placed.left == kApplyRect.left);
    CHECK(placed.top == kApplyRect.top);
    CHECK(placed.right == kApplyRect.right);
    rig.button.Invalidate(FALSE);
    CHECK(rig.Shown() == SkinPixels(kApplyDown, kApplyWidth, kApplyHeight));
}

namespace {

struct SliderRig {
    SliderRig()
    {
        LoadTestSkin();
        REQUIRE(slider.Create(IDC_CORE_SLIDER, RECT{251, 52, 481, 68}, 5, 16, &g_dcSkin, &g_palSkin,
                              POINT{530, 297}, POINT{530, 297}, POINT{530, 297}, POINT{251, 52},
                              POINT{251, 52}, nullptr, IDS_CORE_SPEED, &parent, FALSE));
        slider.m_nBase = 250;
    }
    std::vector<WPARAM> Reports() const
    {
        std::vector<WPARAM> values;
        for (const Received& r : parent.received)
            if (r.message == WM_USER + 1)
                values.push_back(r.wParam);
        return values;
    }

    TestParent parent;
    CBitmapSlide slider;
};

}  // namespace

TEST_CASE("the slider maps positions to pixels and reports them")
{
    SliderRig rig;
    CBitmapSlide& s = rig.slider;
    CHECK(s.m_nPixelMin == 3);
    CHECK(s.m_nPixelMax == 227);
    CHECK(s.m_rectThumb.top == -1);
    CHECK(s.m_rectThumb.bottom == 15);
    s.SetRange(0, 42, TRUE);
    rig.parent.received.clear();
    s.SetPos(10, TRUE);
    CHECK((s.m_rectThumb.left + s.m_rectThumb.right) / 2 == 173);
    CHECK(rig.Reports() == std::vector<WPARAM>{240});  // m_nBase - 10
    CHECK(s.m_nPos == 10);

    s.SetPos(99, TRUE);
    CHECK(s.m_nPos == 42);
    CHECK(s.m_rectThumb.left == 3 - 2);
    s.SetPos(-5, TRUE);
    CHECK(s.m_nPos == 0);
    CHECK(s.m_rectThumb.left == 227 - 2);

    // Clicks beyond either end.
    rig.parent.received.clear();
    Send(s.m_hWnd, WM_LBUTTONDOWN, MK_LBUTTON, -40, 8);
    CHECK(s.m_nPos == 42);
    CHECK((s.m_nState & CBitmapSlide::kDragging) != 0);
    Send(s.m_hWnd, WM_MOUSEMOVE, MK_LBUTTON, 400, 8);
    CHECK(s.m_nPos == 0);
    Send(s.m_hWnd, WM_LBUTTONUP, 0, 400, 8);
    CHECK((s.m_nState & CBitmapSlide::kDragging) == 0);
    int scrolls = 0;
    for (const Received& r : rig.parent.received)
        scrolls += r.message == WM_VSCROLL && LOWORD(r.wParam) == SB_THUMBTRACK;
    CHECK(scrolls == 2);
    CHECK(rig.Reports() == std::vector<WPARAM>{250 - 42, 250 - 0});
}

TEST_CASE("the slider draws its thumb only while enabled, and drops its state when the capture goes")
{
    SliderRig rig;
    CBitmapSlide& s = rig.slider;
    s.SetRange(0, 75, TRUE);
    s.SetPos(30, TRUE);
    const RECT t = s.m_rectThumb;
    const auto track = SkinPixels(POINT{251 + t.left, 52}, t.right - t.left, 14);
    const auto thumb = SkinPixels(POINT{530, 297 + 1}, t.right - t.left, 14);
    CHECK(WindowPixels(s.m_hWnd, t.left, 0, t.right - t.left, 14) == thumb);
    s.EnableWindow(FALSE);
    s.Invalidate(FALSE);
    CHECK(WindowPixels(s.m_hWnd, t.left, 0, t.right - t.left, 14) == track);
    s.EnableWindow(TRUE);
    s.Invalidate(FALSE);
    CHECK(WindowPixels(s.m_hWnd, t.left, 0, t.right - t.left, 14) == thumb);

    Hover(s.m_hWnd);
    Send(s.m_hWnd, WM_LBUTTONDOWN, MK_LBUTTON, 100, 8);
    CHECK(s.m_nState == (CBitmapSlide::kHover | CBitmapSlide::kDragging));
    SetCapture(rig.parent.m_hWnd);  // another window takes the capture
    CHECK(s.m_nState == 0);
    CHECK(GetCapture() == rig.parent.m_hWnd);
    ReleaseCapture();
}

TEST_CASE("an empty range or a short track never divides by zero")
{
    SliderRig rig;
    rig.slider.SetRange(7, 7, TRUE);
    rig.slider.SetPos(9, TRUE);
    CHECK(rig.slider.m_nPos == 7);
    Send(rig.slider.m_hWnd, WM_LBUTTONDOWN, MK_LBUTTON, 50, 8);
    CHECK(rig.slider.m_nPos == 7);
    CHECK((rig.slider.m_rectThumb.left + rig.slider.m_rectThumb.right) / 2 == rig.slider.m_nPixelMax);

    CBitmapSlide tiny;
    REQUIRE(tiny.Create(2000, RECT{0, 0, 4, 16}, 5, 16, &g_dcSkin, &g_palSkin, POINT{530, 297},
                        POINT{530, 297}, POINT{530, 297}, POINT{0, 0}, POINT{0, 0}, nullptr, 0,
                        &rig.parent, FALSE));
    tiny.SetRange(0, 10, TRUE);
    tiny.SetPos(5, TRUE);
    CHECK(tiny.m_nPos == 5);
    Send(tiny.m_hWnd, WM_LBUTTONDOWN, MK_LBUTTON, 2, 8);
    CHECK(tiny.m_nPos == 0);
    Send(tiny.m_hWnd, WM_LBUTTONUP, 0, 2, 8);
}

TEST_CASE("the resolution menu draws all rows, highlights one, and remembers it")
{
    CBitmapMenu menu;
    CHECK(menu.IsKindOf(RUNTIME_CLASS(CMenu)));
    CHECK(menu.GetRuntimeClass() == RUNTIME_CLASS(CMenu));
    MEASUREITEMSTRUCT measure = {};
    menu.MeasureItem(&measure);
    CHECK(measure.itemWidth == 80);
    CHECK(measure.itemHeight == 15);

    HDC screen = GetDC(nullptr);
    HDC target = CreateCompatibleDC(screen);
    HBITMAP surface = CreateCompatibleBitmap(screen, 92, 90);
    ReleaseDC(nullptr, screen);
    HGDIOBJ previous = SelectObject(target, surface);

    auto face = [&](int id, int height) {
        HDC memory = CreateCompatibleDC(target);
        HBITMAP bitmap = LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id));
        HGDIOBJ old = SelectObject(memory, bitmap);
        auto pixels = Pixels(memory, 0, 0, 92, height);
        SelectObject(memory, old);
        DeleteObject(bitmap);
        DeleteDC(memory);
        return pixels;
    };
    DRAWITEMSTRUCT item = {};
    item.CtlType = ODT_MENU;
    item.hDC = target;
    item.itemID = ID_RESOLUTION_800_600_16;  // row 2
    item.itemAction = ODA_DRAWENTIRE;
    menu.DrawItem(&item);
    for (int row = 0; row < 6; ++row)
        CHECK(Pixels(target, 0, 15 * row, 92, 15) == face(IDB_RESOLUTION_FIRST + row, 15));
    CHECK(menu.m_nLastItem == 0);

    item.itemAction = ODA_SELECT;
    item.itemState = ODS_SELECTED;
    menu.DrawItem(&item);
    CHECK(menu.m_nLastItem == ID_RESOLUTION_800_600_16);
    CHECK(Pixels(target, 0, 30, 92, 15) == face(IDB_RESOLUTION_LIT_FIRST + 2, 15));
    CHECK(Pixels(target, 0, 0, 92, 15) == face(IDB_RESOLUTION_FIRST, 15));
    CHECK(face(IDB_RESOLUTION_LIT_FIRST + 2, 15) != face(IDB_RESOLUTION_FIRST + 2, 15));

    // Losing the highlight draws nothing; the row stays lit and remembered.
    item.itemState = 0;
    menu.DrawItem(&item);
    CHECK(Pixels(target, 0, 30, 92, 15) == face(IDB_RESOLUTION_LIT_FIRST + 2, 15));
    CHECK(menu.m_nLastItem == ID_RESOLUTION_800_600_16);

    SelectObject(target, previous);
    DeleteObject(surface);
    DeleteDC(target);
}

TEST_CASE("the skin decodes to the same pixels through the system's loader and the program's own")
{
    HBITMAP loaded = static_cast<HBITMAP>(
        LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_SKIN), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    HBITMAP decoded = DecodeBitmapResource(IDB_SKIN);
    REQUIRE(loaded != nullptr);
    REQUIRE(decoded != nullptr);
    DIBSECTION a = {}, b = {};
    REQUIRE(GetObjectA(loaded, sizeof a, &a) == sizeof a);
    REQUIRE(GetObjectA(decoded, sizeof b, &b) == sizeof b);
    CHECK(b.dsBm.bmWidth == 539);
    CHECK(b.dsBm.bmHeight == 586);
    CHECK(b.dsBmih.biBitCount == 8);
    CHECK(b.dsBmih.biCompression == BI_RGB);
    CHECK(std::memcmp(a.dsBm.bmBits, b.dsBm.bmBits, a.dsBm.bmWidthBytes * a.dsBm.bmHeight) == 0);
    CHECK(DecodeBitmapResource(900) == nullptr);  // a true-colour picture is not the skin's kind
    DeleteObject(loaded);
    DeleteObject(decoded);
}
