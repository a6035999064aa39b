// What the end-to-end tests cannot do with the mouse alone, done from
// outside the program as another process would:
//   e2e_helper answer ID [SECONDS]  wait for one of the program's message
//                                   boxes, print its icon and buttons on one
//                                   line ("stop: ok"), then its text, and
//                                   press button ID
//   e2e_helper box [SECONDS]        the same, pressing nothing
//   e2e_helper tooltip              print the screen rectangle of the
//                                   tooltip shown: left top right bottom
//   e2e_helper focus                print what a screen reader learns of the
//                                   control with the keyboard focus, through
//                                   its accessible object: "name|role|state|value"
//                                   (role and state as numbers)
//   e2e_helper tray MESSAGE         send the tray icon's callback with the
//                                   given mouse message (515 double-click,
//                                   516 right-button down)
// Exits with 0 on success, 1 when nothing was found in time.
#include <windows.h>
#include <oleacc.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

bool IsMainWindow(HWND wnd)
{
    // The main window is the program's dialog with the placeholder controls.
    return GetDlgItem(wnd, 1050) != nullptr;
}

HWND FindProgramWindow(bool messageBox)
{
    for (HWND w = FindWindowA("#32770", "Marovex"); w; w = FindWindowExA(nullptr, w, "#32770", "Marovex"))
        if (IsMainWindow(w) != messageBox && (!messageBox || IsWindowVisible(w)))
            return w;
    return nullptr;
}

// The pixels of a screen rectangle, or of an icon drawn on the given colour.
std::vector<COLORREF> Pixels(HDC source, int x, int y, int width, int height)
{
    std::vector<COLORREF> pixels;
    for (int row = 0; row < height; ++row)
        for (int column = 0; column < width; ++column)
            pixels.push_back(GetPixel(source, x + column, y + row));
    return pixels;
}

std::vector<COLORREF> IconPixels(HICON icon, int width, int height, COLORREF background)
{
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    HBRUSH brush = CreateSolidBrush(background);
    RECT all = {0, 0, width, height};
    FillRect(memory, &all, brush);
    DrawIconEx(memory, 0, 0, icon, width, height, 0, nullptr, DI_NORMAL);
    std::vector<COLORREF> pixels = Pixels(memory, 0, 0, width, height);
    SelectObject(memory, old);
    DeleteObject(brush);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

// The box's icon, by the system icon whose picture it shows on the screen.
const char* IconOf(HWND box)
{
    HWND picture = nullptr;
    for (HWND w = GetWindow(box, GW_CHILD); w && !picture; w = GetWindow(w, GW_HWNDNEXT))
        if ((GetWindowLongA(w, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
            picture = w;
    if (!picture)
        return "none";
    RECT r;
    GetWindowRect(picture, &r);
    const int width = r.right - r.left, height = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    const std::vector<COLORREF> shown = Pixels(screen, r.left, r.top, width, height);
    ReleaseDC(nullptr, screen);
    const struct { LPCSTR id; const char* name; } icons[] = {
        {IDI_HAND, "stop"}, {IDI_QUESTION, "question"}, {IDI_EXCLAMATION, "exclamation"},
        {IDI_ASTERISK, "information"},
    };
    for (const auto& icon : icons)
        if (IconPixels(LoadIconA(nullptr, icon.id), width, height, shown[0]) == shown)
            return icon.name;
    return "other";
}

// The box's buttons, in the order of their ids.
std::string ButtonsOf(HWND box)
{
    const struct { int id; const char* name; } buttons[] = {
        {IDOK, "ok"}, {IDCANCEL, "cancel"}, {IDYES, "yes"}, {IDNO, "no"},
    };
    std::string names;
    for (const auto& button : buttons)
        if (HWND w = GetDlgItem(box, button.id); w && IsWindowVisible(w))
            names += names.empty() ? button.name : std::string(" ") + button.name;
    return names;
}

std::string Narrow(BSTR text)
{
    if (!text)
        return std::string();
    char buffer[256] = {};
    WideCharToMultiByte(CP_ACP, 0, text, -1, buffer, sizeof buffer - 1, nullptr, nullptr);
    SysFreeString(text);
    return buffer;
}

std::string Describe(HWND control)
{
    IAccessible* object = nullptr;
    if (FAILED(AccessibleObjectFromWindow(control, OBJID_CLIENT, __uuidof(IAccessible),
                                          reinterpret_cast<void**>(&object))))
        return "(no accessible object)";
    VARIANT self;
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR name = nullptr, value = nullptr;
    VARIANT role, state;
    VariantInit(&role);
    VariantInit(&state);
    object->get_accName(self, &name);
    object->get_accValue(self, &value);
    object->get_accRole(self, &role);
    object->get_accState(self, &state);
    object->Release();
    char numbers[64];
    std::snprintf(numbers, sizeof numbers, "|0x%lx|0x%lx|", role.vt == VT_I4 ? role.lVal : -1L,
                  state.vt == VT_I4 ? state.lVal : -1L);
    return Narrow(name) + numbers + Narrow(value);
}

BOOL CALLBACK FindTooltip(HWND w, LPARAM found)
{
    char name[32] = {};
    GetClassNameA(w, name, sizeof name);
    if (lstrcmpiA(name, "tooltips_class32") == 0 && IsWindowVisible(w)) {
        *reinterpret_cast<HWND*>(found) = w;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

int main(int argc, char** argv)
{
    CoInitialize(nullptr);
    // "box" is "answer" that presses nothing: the test answers with a key.
    const bool press = argc >= 3 && std::strcmp(argv[1], "answer") == 0;
    if (press || (argc >= 2 && std::strcmp(argv[1], "box") == 0)) {
        const int button = press ? std::atoi(argv[2]) : IDOK;
        const int seconds = argc >= (press ? 4 : 3) ? std::atoi(argv[press ? 3 : 2]) : 10;
        for (int i = 0; i < seconds * 20; ++i, Sleep(50)) {
            HWND box = FindProgramWindow(true);
            if (!box || (press && !GetDlgItem(box, button)))
                continue;
            char text[1024] = {};
            GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
            // The icon is read from the screen: a box just shown may not
            // have painted it yet.
            std::string icon = IconOf(box);
            for (int wait = 0; wait < 20 && (icon == "other" || icon == "none"); ++wait, Sleep(100))
                icon = IconOf(box);
            std::printf("%s: %s\n%s\n", icon.c_str(), ButtonsOf(box).c_str(), text);
            if (press)
                SendMessageA(GetDlgItem(box, button), BM_CLICK, 0, 0);
            return 0;
        }
        std::fprintf(stderr, "no message box with button %d\n", button);
        return 1;
    }
    if (argc >= 3 && std::strcmp(argv[1], "tray") == 0) {
        HWND main = FindProgramWindow(false);
        if (!main)
            return 1;
        PostMessageA(main, 0x3E9, 128, std::atoi(argv[2]));
        return 0;
    }
    if (argc >= 2 && std::strcmp(argv[1], "tooltip") == 0) {
        HWND tip = nullptr;
        EnumWindows(FindTooltip, reinterpret_cast<LPARAM>(&tip));
        RECT r = {};
        if (!tip || !GetWindowRect(tip, &r))
            return 1;
        std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right, r.bottom);
        return 0;
    }
    if (argc >= 2 && std::strcmp(argv[1], "focus") == 0) {
        HWND main = FindProgramWindow(false);
        GUITHREADINFO info = {};
        info.cbSize = sizeof info;
        if (!main || !GetGUIThreadInfo(GetWindowThreadProcessId(main, nullptr), &info) || !info.hwndFocus)
            return 1;
        std::printf("%s\n", Describe(info.hwndFocus).c_str());
        return 0;
    }
    std::fprintf(stderr, "usage: e2e_helper answer ID [SECONDS] | box [SECONDS] | tray MESSAGE | tooltip | focus\n");
    return 2;
}
