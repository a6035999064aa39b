#include "framework/menu.h"

#include "framework/wnd.h"

IMPLEMENT_DYNAMIC(CMenu, CObject)

CMenu* CMenu::s_pTracked = nullptr;

BOOL CMenu::TrackPopupMenu(UINT flags, int x, int y, CWnd* owner)
{
    CMenu* outer = s_pTracked;
    s_pTracked = this;
    BOOL result = ::TrackPopupMenu(m_hMenu, flags, x, y, 0, owner ? owner->m_hWnd : nullptr, nullptr);
    s_pTracked = outer;
    return result;
}
