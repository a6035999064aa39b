// Benchmarks inside the program's own window on the emulated adapter:
// painting both pages, a step and a drag of the core slider, and applying
// settings, each beside plain GDI or registry work of the same extent.
#include <windows.h>

#include <cstdio>
#include <functional>
#include <vector>

#include "bench_stats.h"
#include "controls/skin.h"
#include "emulator/emulated_adapter.h"
#include "platform/win32/win32_platform.h"
#include "resource.h"
#include "ui/window_prompts.h"
#include "ui/marovex_dlg.h"

namespace {

CMarovexDlg* g_dialog;
int g_rounds = 200;

template <typename Work>
std::vector<double> Sample(int count, Work work)
{
    std::vector<double> samples;
    for (int i = 0; i < count; ++i) {
        const double start = NowMs();
        work(i);
        GdiFlush();
        samples.push_back(NowMs() - start);
    }
    return samples;
}

// Copies of the given sizes from the skin into a window, as plain BitBlts.
std::vector<double> PlainCopies(HWND wnd, const std::vector<SIZE>& sizes, int count, int repeat = 1)
{
    HDC dc = GetDC(wnd);
    auto samples = Sample(count, [&](int) {
        for (int r = 0; r < repeat; ++r)
            for (const SIZE& s : sizes)
                BitBlt(dc, 0, 0, s.cx, s.cy, g_dcSkin.GetSafeHdc(), 0, 0, SRCCOPY);
    });
    ReleaseDC(wnd, dc);
    return samples;
}

void Click(CMarovexDlg& d, UINT id)
{
    SendMessageA(d.m_hWnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
}

void RunBenchmarks(CMarovexDlg& d)
{
    HWND wnd = d.m_hWnd;
    const int n = g_rounds;

    auto paint = [&](int) {
        InvalidateRect(wnd, nullptr, TRUE);
        UpdateWindow(wnd);
    };
    auto main = Sample(n, paint);
    Click(d, IDC_ABOUT);
    auto about = Sample(n, paint);
    Click(d, IDC_MAIN);
    auto screen = PlainCopies(wnd, {SIZE{540, 275}}, n);
    Report("full paint, Main page", main, screen);
    Report("full paint, About page", about, screen);

    // A slider step: the mouse message, the position message, the text,
    // the backdrop and the digits, and the thumb repainted.
    HWND slider = d.m_sliderCore.m_hWnd;
    SendMessageA(slider, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 8));
    int x = 20;
    auto step = Sample(n, [&](int) {
        x = x >= 200 ? 20 : x + 1;
        SendMessageA(slider, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x, 8));
        UpdateWindow(slider);
    });
    SendMessageA(slider, WM_LBUTTONUP, 0, MAKELPARAM(x, 8));
    // The same areas as plain copies: track and thumb, backdrop, three digits
    // (mask and glyph each).
    const std::vector<SIZE> stepAreas = {{230, 16}, {4, 16}, {31, 18}, {9, 12}, {9, 12}, {9, 12},
                                         {9, 12},   {9, 12}, {9, 12}};
    Report("one slider step", step, PlainCopies(wnd, stepAreas, n));
    auto drag = Sample(20, [&](int) {
        SendMessageA(slider, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 8));
        for (int i = 0; i < 100; ++i) {
            SendMessageA(slider, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(20 + 2 * (i % 100), 8));
            UpdateWindow(slider);
        }
        SendMessageA(slider, WM_LBUTTONUP, 0, MAKELPARAM(220, 8));
    });
    Report("a drag of 100 slider steps", drag, PlainCopies(wnd, stepAreas, 20, 100));

    // What one load of a bitmap resource costs: the panels load the bare face
    // at every paint, and the read-outs once loaded the digit strip for every
    // digit (the skin picture is loaded at start-up only).
    HINSTANCE instance = GetModuleHandleA(nullptr);
    auto load = [&](UINT id) {
        return Sample(n, [&](int) { DeleteObject(LoadBitmapA(instance, MAKEINTRESOURCEA(id))); });
    };
    const auto copy = PlainCopies(wnd, {SIZE{31, 18}}, n);
    Report("loading the skin picture (159)", load(IDB_SKIN), copy);
    Report("loading the digit strip (158)", load(IDB_DIGITS), copy);
    Report("loading the bare face (163)", load(IDB_MAIN_BARE), copy);

    // Applying: every setting changed, and nothing changed.
    CDisplayDriver& driver = *g_pDriver;
    driver.Open("\\\\.\\Display1");
    auto changeEverything = [&](int i) {
        const bool on = i % 2 == 0;
        driver.SetNewOpenGLVSync(on);
        driver.SetNewD3DVSync(!on);
        driver.SetNewOpenGLFSAA(on ? 2 : -1);
        driver.SetNewD3DFSAA(on ? 9 : 2);
        driver.m_bNewOpenGLZBuffer = on;
        driver.m_bNewD3DZBuffer = on;
        driver.SetNewOverlayMode(on ? 3 : 0);
        driver.m_nNewAGPRate = on ? 4 : 2;
        driver.m_bNewFastWrites = on;
        driver.SetNewApplyAtStartup(on);
    };
    auto all = Sample(n, [&](int i) {
        changeEverything(i);
        driver.ApplySettings();
    });
    auto none = Sample(n, [&](int) { driver.ApplySettings(); });
    // The writes an apply of everything makes: 14 values, written directly.
    auto direct = Sample(n, [&](int i) {
        for (int w = 0; w < 14; ++w) {
            HKEY key;
            DWORD value = static_cast<DWORD>(i + w);
            RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Marovex\\Bench", 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                            &key, nullptr);
            RegSetValueExA(key, "Value", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4);
            RegCloseKey(key);
        }
    });
    Report("apply, every setting changed", all, direct);
    Report("apply, nothing changed", none, direct);
}

void CALLBACK Tick(HWND, UINT, UINT_PTR timer, DWORD)
{
    if (!g_dialog || !g_dialog->m_hWnd || !IsWindowVisible(g_dialog->m_hWnd))
        return;
    KillTimer(nullptr, timer);
    RunBenchmarks(*g_dialog);
    g_dialog->DestroyWindow();
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc > 1)
        g_rounds = std::atoi(argv[1]);
    platform::Win32Platform system;
    emulator::EmulatedAdapter adapter(system);
    adapter.Reset(emulator::AdapterState());
    WindowPrompts prompts;
    CMarovexDlg dialog(adapter, prompts);
    g_dialog = &dialog;
    SetTimer(nullptr, 0, 50, Tick);
    dialog.DoModal();
    return 0;
}
