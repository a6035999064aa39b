// The baseline program: a 540 by 275 popup painted with one BitBlt from a
// memory device context, and nothing else.
#include <windows.h>

namespace {

HDC g_memory;

LRESULT CALLBACK Proc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(wnd, &ps);
        BitBlt(dc, 0, 0, 540, 275, g_memory, 0, 0, SRCCOPY);
        EndPaint(wnd, &ps);
        return 0;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(wnd, message, wParam, lParam);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    HDC screen = GetDC(nullptr);
    g_memory = CreateCompatibleDC(screen);
    HBITMAP picture = CreateCompatibleBitmap(screen, 540, 275);
    ReleaseDC(nullptr, screen);
    SelectObject(g_memory, picture);
    PatBlt(g_memory, 0, 0, 540, 275, BLACKNESS);

    WNDCLASSA wc = {};
    wc.lpfnWndProc = Proc;
    wc.hInstance = instance;
    wc.lpszClassName = "BareBench";
    RegisterClassA(&wc);
    CreateWindowExA(WS_EX_APPWINDOW, "BareBench", "Bare", WS_POPUP | WS_VISIBLE | WS_BORDER, 0, 0, 540, 275,
                    nullptr, nullptr, instance, nullptr);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}
