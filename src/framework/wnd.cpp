#include "framework/wnd.h"

#include <map>

#include "framework/menu.h"

const CRuntimeClass CObject::classCObject = {"CObject", nullptr};
IMPLEMENT_DYNAMIC(CWnd, CObject)

namespace {

constexpr const char* kChildClass = "MarovexControl";

std::map<HWND, CWnd*>& WindowMap()
{
    static std::map<HWND, CWnd*> map;
    return map;
}

// Passed through CreateWindowEx, so the object is bound at WM_NCCREATE,
// before the window gets any message it might handle.
struct CreateParams {
    CWnd* wnd;
};

}  // namespace

CWnd::~CWnd()
{
    Unbind();
}

CWnd* CWnd::FromHandlePermanent(HWND wnd)
{
    auto found = WindowMap().find(wnd);
    return found == WindowMap().end() ? nullptr : found->second;
}

void CWnd::Bind(HWND wnd)
{
    m_hWnd = wnd;
    WindowMap()[wnd] = this;
}

void CWnd::Unbind()
{
    if (m_hWnd) {
        auto found = WindowMap().find(m_hWnd);
        if (found != WindowMap().end() && found->second == this)
            WindowMap().erase(found);
        m_hWnd = nullptr;
    }
}

BOOL CWnd::CreateChild(const char* text, DWORD style, const RECT& rect, CWnd* parent, UINT id)
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA existing;
    if (!GetClassInfoA(instance, kChildClass, &existing)) {
        WNDCLASSA wc = {};
        wc.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
        wc.lpfnWndProc = StaticWndProc;
        wc.hInstance = instance;
        wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
        wc.lpszClassName = kChildClass;
        if (!RegisterClassA(&wc))
            return FALSE;
    }
    return CreateEx(0, kChildClass, text, style, rect.left, rect.top, rect.right - rect.left,
                    rect.bottom - rect.top, parent ? parent->m_hWnd : nullptr, id);
}

BOOL CWnd::CreateEx(DWORD exStyle, const char* className, const char* text, DWORD style, int x, int y,
                    int width, int height, HWND parent, UINT id)
{
    CreateParams params = {this};
    HWND wnd = CreateWindowExA(exStyle, className, text, style, x, y, width, height, parent,
                               reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                               GetModuleHandleA(nullptr), &params);
    return wnd != nullptr;
}

BOOL CWnd::DestroyWindow()
{
    if (!m_hWnd)
        return FALSE;
    return ::DestroyWindow(m_hWnd);
}

LRESULT CWnd::WindowProc(UINT message, WPARAM, LPARAM lParam)
{
    CMenu* tracked = CMenu::TrackedMenu();
    if (message == WM_MEASUREITEM && tracked) {
        auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        if (item->CtlType == ODT_MENU) {
            tracked->MeasureItem(item);
            return TRUE;
        }
    }
    if (message == WM_DRAWITEM && tracked) {
        auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
        if (item->CtlType == ODT_MENU) {
            tracked->DrawItem(item);
            return TRUE;
        }
    }
    return Default();
}

LRESULT CWnd::Default()
{
    return ::CallWindowProcA(m_pfnSuper, m_hWnd, m_current.message, m_current.wParam,
                             m_current.lParam);
}

LRESULT CALLBACK CWnd::StaticWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        if (auto* params = static_cast<CreateParams*>(create->lpCreateParams))
            params->wnd->Bind(hwnd);
    }
    CWnd* wnd = FromHandlePermanent(hwnd);
    if (!wnd)
        return ::DefWindowProcA(hwnd, message, wParam, lParam);

    Message outer = wnd->m_current;
    wnd->m_current = Message{message, wParam, lParam};
    LRESULT result = wnd->WindowProc(message, wParam, lParam);
    wnd->m_current = outer;
    if (message == WM_NCDESTROY)
        wnd->Unbind();
    return result;
}
