// A visible top-level window for control tests: it records the commands
// and slider messages it receives, and its pixels can be read back.
#pragma once

#include <windows.h>

#include <vector>

#include "controls/skin.h"
#include "framework/wnd.h"

struct Received {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

class TestParent : public CWnd {
public:
    TestParent()
    {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = StaticWndProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "MarovexTestParent";
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
        RegisterClassA(&wc);
        CreateEx(0, "MarovexTestParent", "Test parent", WS_POPUP | WS_VISIBLE, 20, 20, 540, 275, nullptr, 0);
    }
    ~TestParent() override { DestroyWindow(); }

    std::vector<Received> received;
    int Clicks(UINT id) const
    {
        int n = 0;
        for (const Received& r : received)
            n += r.message == WM_COMMAND && LOWORD(r.wParam) == id && HIWORD(r.wParam) == BN_CLICKED;
        return n;
    }

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_COMMAND || message == WM_USER + 1 || message == WM_VSCROLL)
            received.push_back(Received{message, wParam, lParam});
        return CWnd::WindowProc(message, wParam, lParam);
    }
};

// The skin as the main window prepares it: bitmap 159 selected into a
// memory device context for the life of the test program.
inline void LoadTestSkin()
{
    if (g_dcSkin.GetSafeHdc())
        return;
    LoadSkinBitmap(159, &g_bmpSkin, &g_palSkin);
    HDC screen = GetDC(nullptr);
    g_dcSkin.Attach(CreateCompatibleDC(screen));
    ReleaseDC(nullptr, screen);
    g_dcSkin.SelectObject(g_bmpSkin.GetSafeHandle());
    LoadSkinBitmap(159, &g_bmpSkin, &g_palSkin);
}

// The pixels of a rectangle of a device context, as 32-bit colours.
inline std::vector<DWORD> Pixels(HDC source, int x, int y, int width, int height)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC memory = CreateCompatibleDC(source);
    HGDIOBJ previous = SelectObject(memory, dib);
    BitBlt(memory, 0, 0, width, height, source, x, y, SRCCOPY);
    GdiFlush();
    std::vector<DWORD> pixels(static_cast<const DWORD*>(bits), static_cast<const DWORD*>(bits) + width * height);
    SelectObject(memory, previous);
    DeleteDC(memory);
    DeleteObject(dib);
    for (DWORD& p : pixels)
        p &= 0x00FFFFFF;
    return pixels;
}

// What a window shows now, after painting what is pending.
inline std::vector<DWORD> WindowPixels(HWND wnd, int x, int y, int width, int height)
{
    UpdateWindow(wnd);
    HDC dc = GetDC(wnd);
    std::vector<DWORD> pixels = Pixels(dc, x, y, width, height);
    ReleaseDC(wnd, dc);
    return pixels;
}

inline std::vector<DWORD> SkinPixels(POINT corner, int width, int height)
{
    return Pixels(g_dcSkin.GetSafeHdc(), corner.x, corner.y, width, height);
}
