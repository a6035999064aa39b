// The window of a skinned control: created unless it exists already, and
// registered with the tooltip under its string-table text.
#pragma once

#include <string>

#include "controls/res_string.h"
#include "framework/tooltip.h"
#include "framework/wnd.h"

inline BOOL CreateSkinnedChild(CWnd& control, const char* name, UINT id, const RECT& rect, CWnd* parent,
                               CToolTipCtrl* toolTip, UINT toolTipId, RECT* client)
{
    std::string text;
    LoadResString(&text, toolTipId);
    if (!control.m_hWnd && !control.CreateChild(name, WS_CHILD | WS_VISIBLE, rect, parent, id))
        return FALSE;
    control.GetClientRect(client);
    if (toolTip && toolTip->m_hWnd)
        toolTip->SetTool(control.m_hWnd, id, *client, text.c_str());
    return TRUE;
}
