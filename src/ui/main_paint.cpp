// Painting of the main window: the page picture, the two panels that blank
// parts of the Main face, and the clock read-outs drawn with bitmap digits
// into their placeholder controls.
#include <cstring>

#include "controls/skin.h"
#include "resource.h"
#include "ui/face_layout.h"
#include "ui/marovex_dlg.h"

namespace {

using face::Place;

// The glyph row of a digit in the digit strip, plus one.
int DigitRow(char digit)
{
    return 4 + 12 * (digit - '0');
}

// Whether a placeholder stands at a place, in its dialog's client area.
bool StandsAt(HWND item, const Place& place)
{
    RECT r;
    GetWindowRect(item, &r);
    MapWindowPoints(nullptr, GetParent(item), reinterpret_cast<POINT*>(&r), 2);
    return r.left == place.x && r.top == place.y && r.right - r.left == place.width
           && r.bottom - r.top == place.height;
}

// Draws into a placeholder through its own device context, after moving it
// to its place (repainting) when a place is given.  A placeholder already
// there is not moved again: every slider step draws its read-out.
template <typename Draw>
void DrawInto(HWND dialog, UINT id, const Place* place, Draw draw)
{
    HWND item = GetDlgItem(dialog, id);
    if (!item)
        return;
    if (place && !StandsAt(item, *place))
        MoveWindow(item, place->x, place->y, place->width, place->height, TRUE);
    HDC target = GetDC(item);
    draw(target);
    ReleaseDC(item, target);
}

// Draws into a placeholder with one bitmap resource selected into a memory
// context, loaded for this drawing and freed after it.
template <typename Draw>
void DrawWithBitmap(HWND dialog, UINT id, UINT bitmapId, const Place* place, Draw draw)
{
    DrawInto(dialog, id, place, [&](HDC target) {
        HDC memory = CreateCompatibleDC(target);
        HBITMAP bitmap = LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(bitmapId));
        HGDIOBJ previous = SelectObject(memory, bitmap);
        if (bitmap)
            draw(target, memory);
        SelectObject(memory, previous);
        DeleteObject(bitmap);
        DeleteDC(memory);
    });
}

}  // namespace

void CMarovexDlg::DrawPanel(HWND dialog, UINT id, UINT bitmapId, BOOL aboutPage)
{
    if (aboutPage)
        return;
    Place place;
    POINT source = {0, 0};
    const Place* moveTo = &place;
    int width = 316, height = 50;
    switch (id) {
    case IDC_OUTPUT_PANEL:
    case IDC_AGP_PANEL:
        place = id == IDC_OUTPUT_PANEL ? face::kOutputPanel : face::kAGPPanel;
        source = POINT{place.x, place.y};
        width = place.width;
        height = place.height;
        break;
    case IDC_TV_PANEL_SURFACE:
    case IDC_TV_PLAIN_SURFACE:
        place = face::kTVPanel;
        break;
    default:
        moveTo = nullptr;
        break;
    }
    auto draw = [&](HDC target, HDC memory) {
        BitBlt(target, 0, 0, width, height, memory, source.x, source.y, SRCCOPY);
    };
    if (HDC bare = KeptPicture(bitmapId)) {
        DrawInto(dialog, id, moveTo, [&](HDC target) { draw(target, bare); });
        return;
    }
    DrawWithBitmap(dialog, id, bitmapId, moveTo, draw);
}

void CMarovexDlg::DrawClockBackdrop(HWND dialog, UINT id, UINT bitmapId, BOOL aboutPage)
{
    if (aboutPage)
        return;
    const Place place = id == IDC_CORE_BACKDROP ? face::kCoreBackdrop : face::kMemoryBackdrop;
    // The backdrop is the skin's own: copied from the skin context, which
    // holds that picture already, it costs no load of the whole picture at
    // every slider step.  Without a skin context it is loaded as the panels are.
    if (bitmapId == IDB_SKIN && g_dcSkin.GetSafeHdc()) {
        DrawInto(dialog, id, &place, [&](HDC target) {
            BitBlt(target, 0, 0, place.width, place.height, g_dcSkin.GetSafeHdc(), place.x, place.y, SRCCOPY);
        });
        return;
    }
    DrawWithBitmap(dialog, id, bitmapId, &place, [&](HDC target, HDC memory) {
        BitBlt(target, 0, 0, place.width, place.height, memory, place.x, place.y, SRCCOPY);
    });
}

// The kept context of the digit strip or the bare face, loaded at its first
// use; null for any other picture, which is loaded for each drawing.
HDC CMarovexDlg::KeptPicture(UINT bitmapId)
{
    if (bitmapId != IDB_DIGITS && bitmapId != IDB_MAIN_BARE)
        return nullptr;
    CBitmap& bitmap = bitmapId == IDB_DIGITS ? m_bmpDigits : m_bmpBare;
    CDC& dc = bitmapId == IDB_DIGITS ? m_dcDigits : m_dcBare;
    // A section, as the skin is: it keeps drawing right after the colour
    // depth of the display changes.
    if (!dc.GetSafeHdc() && LoadSkinBitmap(bitmapId, &bitmap, nullptr) && dc.CreateCompatibleDC(nullptr))
        dc.SelectObject(bitmap.GetSafeHandle());
    return dc.GetSafeHdc();
}

void CMarovexDlg::DrawDigit(HWND dialog, char digit, UINT id, UINT bitmapId, BOOL aboutPage, int offset)
{
    if (aboutPage)
        return;
    Place place = {face::kUnitsX - offset, 0, face::kDigitWidth, face::kDigitHeight};
    const Place* moveTo = &place;
    if (id == IDC_CORE_UNITS || id == IDC_CORE_TENS || id == IDC_CORE_HUNDREDS)
        place.y = face::kCoreDigitsY;
    else if (id == IDC_MEMORY_UNITS || id == IDC_MEMORY_TENS || id == IDC_MEMORY_HUNDREDS)
        place.y = face::kMemoryDigitsY;
    else
        moveTo = nullptr;
    const int row = DigitRow(digit) - 1;
    auto draw = [&](HDC target, HDC strip) {
        BitBlt(target, 0, 0, 9, 12, strip, 12, row, SRCAND);
        BitBlt(target, 0, 0, 9, 12, strip, 2, row, SRCPAINT);
    };
    // Loading the strip took most of a slider step, three times over: the
    // window keeps it from the first read-out on.
    if (HDC strip = KeptPicture(bitmapId)) {
        DrawInto(dialog, id, moveTo, [&](HDC target) { draw(target, strip); });
        return;
    }
    DrawWithBitmap(dialog, id, bitmapId, moveTo, draw);
}

// One read-out: its backdrop placeholder, its three digit places, and how
// far left a two-digit value stands (the core read-out one place further).
struct ReadOut {
    UINT backdrop;
    UINT units, tens, hundreds;
    int twoDigitShift;
};

void CMarovexDlg::DrawReadOut(const char* text, std::size_t size, const ReadOut& r)
{
    // A hidden window is painted whole when it shows: drawing into it now
    // would only delay its start.
    if (!IsWindowVisible(m_hWnd))
        return;
    DrawClockBackdrop(m_hWnd, r.backdrop, IDB_SKIN, m_bAboutPage);
    switch (strnlen(text, size)) {
    case 3:
        DrawDigit(m_hWnd, text[2], r.units, IDB_DIGITS, m_bAboutPage, 0);
        DrawDigit(m_hWnd, text[1], r.tens, IDB_DIGITS, m_bAboutPage, 8);
        DrawDigit(m_hWnd, text[0], r.hundreds, IDB_DIGITS, m_bAboutPage, 16);
        break;
    case 2:
        DrawDigit(m_hWnd, text[1], r.units, IDB_DIGITS, m_bAboutPage, r.twoDigitShift);
        DrawDigit(m_hWnd, text[0], r.tens, IDB_DIGITS, m_bAboutPage, r.twoDigitShift + 8);
        break;
    default:
        break;  // one digit, or four: the backdrop alone
    }
}

void CMarovexDlg::DrawCoreClock()
{
    static const ReadOut kCore = {IDC_CORE_BACKDROP, IDC_CORE_UNITS, IDC_CORE_TENS, IDC_CORE_HUNDREDS, 8};
    DrawReadOut(m_szCoreClock, sizeof m_szCoreClock, kCore);
}

void CMarovexDlg::DrawMemClock()
{
    static const ReadOut kMemory = {IDC_MEMORY_BACKDROP, IDC_MEMORY_UNITS, IDC_MEMORY_TENS, IDC_MEMORY_HUNDREDS, 0};
    DrawReadOut(m_szMemClock, sizeof m_szMemClock, kMemory);
}

void CMarovexDlg::PaintFace()
{
    CPaintDC dc(m_hWnd);
    CBitmap& picture = m_bAboutPage ? g_bmpBack : g_bmpSkin;
    CPalette& palette = m_bAboutPage ? g_palBack : g_palSkin;
    if (picture.GetSafeHandle()) {
        CPaletteScope scope(dc, &palette);
        CDC memory;
        memory.CreateCompatibleDC(&dc);
        HGDIOBJ previous = memory.SelectObject(picture.GetSafeHandle());
        dc.BitBlt(0, 0, m_rcBackground.right - m_rcBackground.left,
                  m_rcBackground.bottom - m_rcBackground.top, &memory, m_rcBackground.left,
                  m_rcBackground.top, SRCCOPY);
        memory.SelectObject(previous);
    }
    DrawPanel(m_hWnd, IDC_OUTPUT_PANEL, IDB_MAIN_BARE, m_bAboutPage);
    DrawPanel(m_hWnd, IDC_AGP_PANEL, IDB_MAIN_BARE, m_bAboutPage);
    DrawCoreClock();
    DrawMemClock();
}

void CMarovexDlg::OnPaint()
{
    PaintFace();
    if (g_bFirstPaint) {
        g_bFirstPaint = false;
        PaintFace();
    }
    // The icon is added once the controls have painted too: a timer's message
    // comes only when no window is left to paint.
    if (m_bTrayIconPending)
        ::SetTimer(m_hWnd, kTrayIconTimer, 0, nullptr);
}

void CMarovexDlg::OnSliderMoved(WPARAM clock, LPARAM id)
{
    if (id == IDC_CORE_SLIDER) {
        WriteClockText(m_szCoreClock, static_cast<long>(clock));
        DrawCoreClock();
    } else {
        WriteClockText(m_szMemClock, static_cast<long>(clock));
        DrawMemClock();
    }
}
