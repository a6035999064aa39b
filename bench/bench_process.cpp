// Benchmarks of the real program as a process, driven from outside like a
// user would: start-up until the window shows its finished face, read back
// from the screen (and to the tray icon with "min"), and its memory, GDI
// objects, handles and windows before and after long use, each beside the
// bare program measured the same way.  Start-up is also set beside the
// window's own dialog template shown with no skin and no driver.
//
//   bench_process MAROVEX.EXE BARE.EXE TEMPLATE.EXE [RUNS [startup|memory]]
#undef _WIN32_WINNT
#define _WIN32_WINNT 0x0501
#include <windows.h>
#include <psapi.h>
#include <shellapi.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_stats.h"
#include "process_usage.h"

namespace {

struct Process {
    PROCESS_INFORMATION info = {};
    bool Start(const std::string& exe, const char* args)
    {
        std::string line = "\"" + exe + "\" " + args;
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        return CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info);
    }
    void Stop()
    {
        TerminateProcess(info.hProcess, 0);
        WaitForSingleObject(info.hProcess, 10000);
        CloseHandle(info.hProcess);
        CloseHandle(info.hThread);
    }
};

HWND FindMarovex()
{
    return FindWindowA(reinterpret_cast<LPCSTR>(static_cast<ULONG_PTR>(0x8002)), "Marovex");
}

bool Painted(HWND wnd)
{
    return wnd && IsWindowVisible(wnd) && !GetUpdateRect(wnd, nullptr, FALSE);
}

// A hash of what a window shows on the screen, read back from the screen;
// 0 while there is no visible window.
std::uint64_t ShownFace(HWND wnd)
{
    RECT r;
    if (!wnd || !IsWindowVisible(wnd) || !GetWindowRect(wnd, &r))
        return 0;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = r.right - r.left;
    info.bmiHeader.biHeight = r.bottom - r.top;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP picture = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(memory, picture);
    BitBlt(memory, 0, 0, info.bmiHeader.biWidth, info.bmiHeader.biHeight, screen, r.left, r.top, SRCCOPY);
    GdiFlush();
    std::uint64_t hash = 14695981039346656037ull;  // FNV-1a
    const auto* byte = static_cast<const unsigned char*>(bits);
    for (long i = 0, n = 4L * info.bmiHeader.biWidth * info.bmiHeader.biHeight; bits && i < n; ++i)
        hash = (hash ^ byte[i]) * 1099511628211ull;
    SelectObject(memory, previous);
    DeleteObject(picture);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return hash | 1;
}

bool TrayIconShown(HWND wnd)
{
    NOTIFYICONDATAA probe = {};
    probe.cbSize = 88;
    probe.hWnd = wnd;
    probe.uID = 128;
    probe.uFlags = NIF_TIP;
    lstrcpyA(probe.szTip, "Marovex");
    return wnd && Shell_NotifyIconA(NIM_MODIFY, &probe);
}

// Milliseconds from the start of the process to the moment ready() holds.
template <typename Ready>
double TimeStart(const std::string& exe, const char* args, Ready ready)
{
    Process p;
    const double started = NowMs();
    if (!p.Start(exe, args))
        return -1;
    double took = -1;
    while (NowMs() - started < 20000) {
        if (ready()) {
            took = NowMs() - started;
            break;
        }
        Sleep(0);
    }
    p.Stop();
    Sleep(200);
    return took;
}

// Milliseconds from the start of the process until its window first shows
// the face it settles on: the window's pixels are read back from the screen
// until they have stayed the same for a while, and the first reading of that
// settled face is the end of the first completed paint.
template <typename Find>
double TimeToSettledFace(const std::string& exe, Find find)
{
    constexpr double kSettledMs = 700;
    Process p;
    const double started = NowMs();
    if (!p.Start(exe, ""))
        return -1;
    std::vector<std::pair<double, std::uint64_t>> changes;  // when the face changed, and to what
    while (NowMs() - started < 20000) {
        const std::uint64_t face = ShownFace(find());
        const double now = NowMs() - started;
        if (changes.empty() || changes.back().second != face)
            changes.push_back({now, face});
        else if (face && now - changes.back().first > kSettledMs)
            break;
        Sleep(1);
    }
    p.Stop();
    Sleep(200);
    for (const auto& change : changes)
        if (change.second && change.second == changes.back().second)
            return change.first;
    return -1;
}

void PrintUsage(const char* when, const Usage& u)
{
    std::printf("  %-30s private %6.0f KB  working set %6.0f KB  GDI objects %4ld  handles %4ld  windows %3ld\n",
                when, u.privateKb, u.workingSetKb, u.gdiObjects, u.handles, u.windows);
}

template <typename Condition>
bool WaitFor(Condition condition, int ms)
{
    for (double end = NowMs() + ms; NowMs() < end; Sleep(5))
        if (condition())
            return true;
    return false;
}

void Command(HWND wnd, UINT id)
{
    SendMessageA(wnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
}

void DragSlider(HWND wnd, int to)
{
    // The skinned core slider, not the template's hidden trackbar of the same id.
    HWND slider = nullptr;
    for (HWND c = FindWindowExA(wnd, nullptr, "MarovexControl", "CBitmapSlide"); c && !slider;
         c = FindWindowExA(wnd, c, "MarovexControl", "CBitmapSlide"))
        if (GetDlgCtrlID(c) == 1046)
            slider = c;
    SendMessageA(slider, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(77, 8));
    SendMessageA(slider, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(to, 8));
    SendMessageA(slider, WM_LBUTTONUP, 0, MAKELPARAM(to, 8));
}

// A thousand of each kind of use, and ten clock tests, through the
// program's own messages; the window ends hidden in the tray.
void LongUse(HWND wnd, int rounds, int clockTests)
{
    for (int i = 0; i < rounds; ++i) {
        Command(wnd, 1012);  // About
        Command(wnd, 1013);  // Main
    }
    for (int i = 0; i < rounds; ++i) {
        DragSlider(wnd, 120);
        DragSlider(wnd, 77);  // back to the current clock
    }
    for (int i = 0; i < rounds; ++i) {
        Command(wnd, 1015);  // Direct3D V-Sync
        Command(wnd, 1014);  // OK: applied, hidden
        SendMessageA(wnd, 0x3E9, 128, WM_LBUTTONDBLCLK);
    }
    for (int i = 0; i < rounds; ++i) {
        PostMessageA(wnd, 0x3E9, 128, WM_RBUTTONDOWN);
        WaitFor([] { HWND m = FindWindowA("#32768", nullptr); return m && IsWindowVisible(m); }, 2000);
        PostMessageA(wnd, WM_KEYDOWN, VK_ESCAPE, 0);
        WaitFor([] { HWND m = FindWindowA("#32768", nullptr); return !m || !IsWindowVisible(m); }, 2000);
    }
    for (int i = 0; i < clockTests; ++i) {
        DragSlider(wnd, 120);
        PostMessageA(wnd, WM_COMMAND, MAKEWPARAM(1027, BN_CLICKED), 0);
        HWND box = nullptr;
        WaitFor([&] {
            for (HWND w = FindWindowA("#32770", "Marovex"); w; w = FindWindowExA(nullptr, w, "#32770", "Marovex"))
                if (w != wnd && IsWindowVisible(w) && GetDlgItem(w, IDYES))
                    box = w;
            return box != nullptr;
        }, 5000);
        if (box)
            SendMessageA(GetDlgItem(box, IDYES), BM_CLICK, 0, 0);
        WaitFor([] { return FindWindowA("#32770", "Testing new settings") != nullptr; }, 5000);
        WaitFor([] { return FindWindowA("#32770", "Testing new settings") == nullptr; }, 10000);
        Command(wnd, 1000);  // Cancel: reloaded, hidden
        SendMessageA(wnd, 0x3E9, 128, WM_LBUTTONDBLCLK);
    }
    Command(wnd, 1000);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: bench_process MAROVEX.EXE BARE.EXE TEMPLATE.EXE [RUNS [startup|memory]]\n");
        return 2;
    }
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    const std::string program = argv[1], bare = argv[2], dialogTemplate = argv[3];
    const int runs = argc > 4 ? std::atoi(argv[4]) : 15;
    const std::string only = argc > 5 ? argv[5] : "";

    std::vector<double> normal, hidden, baseline, templateOnly;
    for (int i = 0; i < runs && only != "memory"; ++i) {
        normal.push_back(TimeToSettledFace(program, FindMarovex));
        hidden.push_back(TimeStart(program, "min", [] { return TrayIconShown(FindMarovex()); }));
        baseline.push_back(TimeToSettledFace(bare, [] { return FindWindowA("BareBench", nullptr); }));
        templateOnly.push_back(
            TimeToSettledFace(dialogTemplate, [] { return FindWindowA("#32770", "Template Bench"); }));
    }
    if (only != "memory") {
        Report("start-up to the finished face", normal, baseline);
        Report("start-up with \"min\" to the tray icon", hidden, baseline);
        Report("start-up against the bare dialog template", normal, templateOnly, 1.3);
    }
    if (only == "startup")
        return 0;

    Process bareProcess;
    bareProcess.Start(bare, "");
    WaitFor([] { return Painted(FindWindowA("BareBench", nullptr)); }, 20000);
    Sleep(500);
    const Usage bareUsage = Measure(bareProcess.info.hProcess, bareProcess.info.dwProcessId);

    Process p;
    p.Start(program, "");
    WaitFor([] { return Painted(FindMarovex()); }, 20000);
    HWND wnd = FindMarovex();
    // A short round first, so that the caches the system fills on first use
    // count as the start and the long run shows only growth.
    LongUse(wnd, 100, 3);
    Sleep(500);
    const Usage before = Measure(p.info.hProcess, p.info.dwProcessId);
    const double started = NowMs();
    LongUse(wnd, 1000, 10);
    Sleep(500);
    const Usage after = Measure(p.info.hProcess, p.info.dwProcessId);
    std::printf("memory in the tray (long use took %.0f s):\n", (NowMs() - started) / 1000.0);
    PrintUsage("bare program", bareUsage);
    PrintUsage("marovex after a short round", before);
    PrintUsage("marovex after long use", after);
    std::printf("  growth: private %+.0f KB, working set %+.0f KB, GDI objects %+ld, handles %+ld, windows %+ld\n",
                after.privateKb - before.privateKb, after.workingSetKb - before.workingSetKb,
                after.gdiObjects - before.gdiObjects, after.handles - before.handles, after.windows - before.windows);
    std::printf("  private memory over the bare program's: %+.0f KB\n", after.privateKb - bareUsage.privateKb);
    p.Stop();
    bareProcess.Stop();
    return 0;
}
