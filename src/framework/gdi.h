// Thin owners of GDI objects and device contexts.  An object deletes what
// it holds when it is destroyed, unless it was detached first.
#pragma once

#include <windows.h>

#include "framework/runtime_class.h"

class CGdiObject : public CObject {
public:
    CGdiObject() = default;
    ~CGdiObject() override { DeleteObject(); }
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;

    HGDIOBJ GetSafeHandle() const { return m_hObject; }
    void Attach(HGDIOBJ object) { m_hObject = object; }
    HGDIOBJ Detach()
    {
        HGDIOBJ object = m_hObject;
        m_hObject = nullptr;
        return object;
    }
    // Lets go of the object, deleting it; a bitmap still selected into a
    // device context cannot be deleted and stays alive there.
    BOOL DeleteObject()
    {
        if (!m_hObject)
            return FALSE;
        return ::DeleteObject(Detach());
    }

protected:
    HGDIOBJ m_hObject = nullptr;
};

class CBitmap : public CGdiObject {
public:
    operator HBITMAP() const { return static_cast<HBITMAP>(m_hObject); }
    BOOL LoadBitmap(UINT id)
    {
        DeleteObject();
        Attach(::LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id)));
        return m_hObject != nullptr;
    }
};

class CPalette : public CGdiObject {
public:
    operator HPALETTE() const { return static_cast<HPALETTE>(m_hObject); }
};

class CDC : public CObject {
public:
    CDC() = default;
    ~CDC() override { DeleteDC(); }
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;

    HDC GetSafeHdc() const { return m_hDC; }
    operator HDC() const { return m_hDC; }
    void Attach(HDC dc) { m_hDC = dc; }
    HDC Detach()
    {
        HDC dc = m_hDC;
        m_hDC = nullptr;
        return dc;
    }
    BOOL CreateCompatibleDC(CDC* dc)
    {
        m_hDC = ::CreateCompatibleDC(dc ? dc->m_hDC : nullptr);
        return m_hDC != nullptr;
    }
    BOOL DeleteDC()
    {
        if (!m_hDC)
            return FALSE;
        return ::DeleteDC(Detach());
    }

    HGDIOBJ SelectObject(HGDIOBJ object) { return ::SelectObject(m_hDC, object); }
    HPALETTE SelectPalette(HPALETTE palette, BOOL forceBackground)
    {
        return ::SelectPalette(m_hDC, palette, forceBackground);
    }
    UINT RealizePalette() { return ::RealizePalette(m_hDC); }
    int GetDeviceCaps(int index) const { return ::GetDeviceCaps(m_hDC, index); }
    BOOL BitBlt(int x, int y, int width, int height, CDC* source, int xSource, int ySource,
                DWORD rop)
    {
        return ::BitBlt(m_hDC, x, y, width, height, source ? source->m_hDC : nullptr, xSource,
                        ySource, rop);
    }

protected:
    HDC m_hDC = nullptr;
};

// The device context of one WM_PAINT: BeginPaint on construction, EndPaint
// on destruction.
class CPaintDC : public CDC {
public:
    explicit CPaintDC(HWND wnd) : m_hWnd(wnd) { Attach(::BeginPaint(wnd, &m_ps)); }
    ~CPaintDC() override
    {
        ::EndPaint(m_hWnd, &m_ps);
        Detach();
    }

    PAINTSTRUCT m_ps;

private:
    HWND m_hWnd;
};

// Selects a palette as foreground and realises it when the device uses
// palettes and a palette is given; selects the previous one back as
// background when it goes out of scope.
class CPaletteScope {
public:
    CPaletteScope(CDC& dc, const CPalette* palette) : m_dc(dc)
    {
        if (palette && palette->GetSafeHandle() && (dc.GetDeviceCaps(RASTERCAPS) & RC_PALETTE)) {
            m_previous = dc.SelectPalette(*palette, FALSE);
            dc.RealizePalette();
            m_selected = true;
        }
    }
    ~CPaletteScope()
    {
        if (m_selected)
            m_dc.SelectPalette(m_previous, TRUE);
    }
    CPaletteScope(const CPaletteScope&) = delete;
    CPaletteScope& operator=(const CPaletteScope&) = delete;

private:
    CDC& m_dc;
    HPALETTE m_previous = nullptr;
    bool m_selected = false;
};
