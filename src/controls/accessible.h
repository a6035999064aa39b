// What the skinned controls tell assistive technology: each answers
// WM_GETOBJECT for its client area with an accessible object (role, name,
// state, value, default action) and announces focus, state and value
// changes.  oleacc.dll and NotifyWinEvent are looked up at run time: on a
// system without them the controls answer nothing and announce nothing.
#pragma once

#include <windows.h>

#include <string>

// Posted to a control when assistive technology asks for its default action.
constexpr UINT WM_DEFAULT_ACTION = WM_USER + 3;
// WM_GETOBJECT, which the headers for Windows 98 and NT 4 do not name.
constexpr UINT kWmGetObject = 0x003D;

// The facts a control gives about itself; the object adds the focus, the
// window's visibility and availability, and takes the name from the window
// text.
class AccessibleFacts {
public:
    virtual long AccRole() const = 0;   // a ROLE_SYSTEM_ value
    virtual long AccState() const = 0;  // STATE_SYSTEM_CHECKED, _PRESSED, or 0
    virtual std::string AccValue() const { return std::string(); }
    virtual const char* AccDefaultAction() const = 0;

protected:
    ~AccessibleFacts() = default;
};

// The answer to WM_GETOBJECT: an object for the client area, else 0.
LRESULT AnswerGetObject(HWND control, WPARAM flags, LPARAM objectId);
// Tells assistive technology of an event (an EVENT_OBJECT_ value) on a
// control's client area.
void AnnounceEvent(DWORD event, HWND control);
