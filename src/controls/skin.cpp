#include "controls/skin.h"

#include <vector>

CDC g_dcSkin;
CBitmap g_bmpSkin;
CPalette g_palSkin;
CBitmap g_bmpBack;
CPalette g_palBack;

BOOL LoadSkinBitmap(UINT id, CBitmap* bitmap, CPalette* palette)
{
    HANDLE image = LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0,
                              LR_CREATEDIBSECTION);
    if (!image)
        return FALSE;
    // A bitmap still selected into a device context survives this and goes
    // on drawing there; the object only lets go of it.
    bitmap->DeleteObject();
    bitmap->Attach(image);
    if (!palette)
        return TRUE;

    DIBSECTION dib = {};
    GetObjectA(image, sizeof dib, &dib);
    const WORD bits = dib.dsBmih.biBitCount;
    DWORD colours = dib.dsBmih.biClrUsed ? dib.dsBmih.biClrUsed : (bits < 16 ? 1u << bits : 0x10000u);
    HDC screen = GetDC(nullptr);
    if (colours <= 256) {
        std::vector<RGBQUAD> table(colours);
        HDC memory = CreateCompatibleDC(screen);
        HGDIOBJ previous = SelectObject(memory, image);
        UINT read = GetDIBColorTable(memory, 0, colours, table.data());
        std::vector<unsigned char> storage(sizeof(LOGPALETTE) + colours * sizeof(PALETTEENTRY));
        auto* logical = reinterpret_cast<LOGPALETTE*>(storage.data());
        logical->palVersion = 0x300;
        logical->palNumEntries = static_cast<WORD>(colours);
        for (DWORD i = 0; i < colours; ++i) {
            RGBQUAD colour = i < read ? table[i] : RGBQUAD{};
            logical->palPalEntry[i] = PALETTEENTRY{colour.rgbRed, colour.rgbGreen, colour.rgbBlue, 0};
        }
        palette->DeleteObject();
        palette->Attach(CreatePalette(logical));
        SelectObject(memory, previous);
        DeleteDC(memory);
    } else {
        palette->DeleteObject();
        palette->Attach(CreateHalftonePalette(screen));
    }
    ReleaseDC(nullptr, screen);
    return TRUE;
}
