// CWnd: a C++ object bound to a window.  The binding is made once, when the
// window is created (or, for a dialog, at WM_INITDIALOG); from then on every
// message reaches the object's WindowProc, whose switch is the class's
// message map.  The object does not own its window: it only forgets it when
// the window is destroyed.
#pragma once

#include <windows.h>

#include "framework/runtime_class.h"

class CMenu;

class CWnd : public CObject {
    DECLARE_DYNAMIC(CWnd)

public:
    CWnd() = default;
    ~CWnd() override;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    // The object bound to a window, or null.
    static CWnd* FromHandlePermanent(HWND wnd);

    HWND GetSafeHwnd() const { return m_hWnd; }
    operator HWND() const { return m_hWnd; }

    // Creates a window of a class whose procedure is StaticWndProc, bound
    // to this object from its first message on.
    BOOL CreateEx(DWORD exStyle, const char* className, const char* text, DWORD style, int x, int y,
                  int width, int height, HWND parent, UINT id);
    // Creates a child window of the framework's own window class: it takes
    // double-clicks, redraws on resize, has the arrow cursor and no
    // background brush.
    BOOL CreateChild(const char* text, DWORD style, const RECT& rect, CWnd* parent, UINT id);

    virtual BOOL DestroyWindow();
    BOOL ShowWindow(int command) { return ::ShowWindow(m_hWnd, command); }
    BOOL EnableWindow(BOOL enable) { return ::EnableWindow(m_hWnd, enable); }
    void Invalidate(BOOL erase = TRUE) { ::InvalidateRect(m_hWnd, nullptr, erase); }
    void GetClientRect(RECT* rect) const { ::GetClientRect(m_hWnd, rect); }
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
    {
        return ::SendMessageA(m_hWnd, message, wParam, lParam);
    }
    HWND GetParentHwnd() const { return ::GetParent(m_hWnd); }

    HWND m_hWnd = nullptr;

protected:
    // The message map.  Overrides handle their messages and pass the rest to
    // their base class; CWnd routes owner-drawn menu items to the menu being
    // tracked and leaves everything else to Default.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // The default processing of the message being handled.
    LRESULT Default();

public:
    static LRESULT CALLBACK StaticWndProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam);

protected:
    void Bind(HWND wnd);
    void Unbind();

    // The procedure that Default passes messages to.
    WNDPROC m_pfnSuper = ::DefWindowProcA;

private:
    struct Message {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };
    Message m_current = {};
};
