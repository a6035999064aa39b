// What the end-to-end tests cannot do with the mouse alone, done from
// outside the program as another process would:
//   e2e_helper answer ID [SECONDS]  wait for one of the program's message
//                                   boxes, print its text, press button ID
//   e2e_helper tray MESSAGE         send the tray icon's callback with the
//                                   given mouse message (515 double-click,
//                                   516 right-button down)
// Exits with 0 on success, 1 when nothing was found in time.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

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

}  // namespace

int main(int argc, char** argv)
{
    if (argc >= 3 && std::strcmp(argv[1], "answer") == 0) {
        const int button = std::atoi(argv[2]);
        const int seconds = argc >= 4 ? std::atoi(argv[3]) : 10;
        for (int i = 0; i < seconds * 20; ++i, Sleep(50)) {
            HWND box = FindProgramWindow(true);
            if (!box || !GetDlgItem(box, button))
                continue;
            char text[1024] = {};
            GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
            std::printf("%s\n", text);
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
    std::fprintf(stderr, "usage: e2e_helper answer ID [SECONDS] | tray MESSAGE\n");
    return 2;
}
