#include "controls/skin.h"

#include <cstring>
#include <vector>

CDC g_dcSkin;
CBitmap g_bmpSkin;
CPalette g_palSkin;
CBitmap g_bmpBack;
CPalette g_palBack;

HBITMAP DecodeBitmapResource(UINT id)
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(instance, MAKEINTRESOURCEA(id), reinterpret_cast<LPCSTR>(RT_BITMAP));
    HGLOBAL loaded = found ? LoadResource(instance, found) : nullptr;
    const auto* stored = loaded ? static_cast<const BITMAPINFO*>(LockResource(loaded)) : nullptr;
    if (!stored || stored->bmiHeader.biSize < sizeof(BITMAPINFOHEADER) || stored->bmiHeader.biBitCount > 8)
        return nullptr;
    const BITMAPINFOHEADER& header = stored->bmiHeader;
    const DWORD colours = header.biClrUsed ? header.biClrUsed : (1u << header.biBitCount);
    if (colours > 256)
        return nullptr;
    // The same picture, uncompressed, as the section's own description.
    std::vector<unsigned char> info(sizeof(BITMAPINFOHEADER) + colours * sizeof(RGBQUAD));
    std::memcpy(info.data(), stored, info.size());
    auto* plain = reinterpret_cast<BITMAPINFO*>(info.data());
    plain->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    plain->bmiHeader.biCompression = BI_RGB;
    plain->bmiHeader.biSizeImage = 0;
    const auto* bits = reinterpret_cast<const unsigned char*>(stored) + header.biSize + colours * sizeof(RGBQUAD);

    HDC screen = GetDC(nullptr);
    void* pixels = nullptr;
    HBITMAP section = CreateDIBSection(screen, plain, DIB_RGB_COLORS, &pixels, nullptr, 0);
    if (section && !SetDIBits(screen, section, 0, static_cast<UINT>(header.biHeight), bits, stored, DIB_RGB_COLORS)) {
        DeleteObject(section);
        section = nullptr;
    }
    ReleaseDC(nullptr, screen);
    return section;
}

BOOL LoadSkinBitmap(UINT id, CBitmap* bitmap, CPalette* palette)
{
    HANDLE image = LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0,
                              LR_CREATEDIBSECTION);
    // Systems whose loader makes no section of a run-length encoded bitmap:
    // the same section, decoded here.
    if (!image)
        image = DecodeBitmapResource(id);
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
