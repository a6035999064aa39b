// CMenu: a menu handle attached to an object.  While a menu is tracked
// through TrackPopupMenu, its owner window routes the drawing and measuring
// of owner-drawn items to the object's DrawItem and MeasureItem.
#pragma once

#include <windows.h>

#include "framework/runtime_class.h"

class CWnd;

class CMenu : public CObject {
    DECLARE_DYNAMIC(CMenu)

public:
    CMenu() = default;
    ~CMenu() override { DestroyMenu(); }
    CMenu(const CMenu&) = delete;
    CMenu& operator=(const CMenu&) = delete;

    HMENU GetSafeHmenu() const { return m_hMenu; }
    BOOL Attach(HMENU menu)
    {
        if (m_hMenu || !menu)
            return FALSE;
        m_hMenu = menu;
        return TRUE;
    }
    HMENU Detach()
    {
        HMENU menu = m_hMenu;
        m_hMenu = nullptr;
        return menu;
    }
    BOOL CreatePopupMenu() { return Attach(::CreatePopupMenu()); }
    BOOL LoadMenu(UINT id) { return Attach(::LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id))); }
    BOOL DestroyMenu()
    {
        if (!m_hMenu)
            return FALSE;
        return ::DestroyMenu(Detach());
    }
    BOOL AppendMenu(UINT flags, UINT_PTR id, const char* item)
    {
        return ::AppendMenuA(m_hMenu, flags, id, item);
    }
    // Shows the menu as a popup and returns when it closes.
    BOOL TrackPopupMenu(UINT flags, int x, int y, CWnd* owner);

    virtual void DrawItem(DRAWITEMSTRUCT*) {}
    virtual void MeasureItem(MEASUREITEMSTRUCT*) {}

    // The menu being tracked, whose owner-drawn items the owner routes here.
    static CMenu* TrackedMenu() { return s_pTracked; }

protected:
    HMENU m_hMenu = nullptr;

private:
    static CMenu* s_pTracked;
};
