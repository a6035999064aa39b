// Benchmarks of the real program as a process, driven from outside like a
// user would: start-up to the first paint (and to the tray icon with "min"),
// and its memory, GDI objects and handles before and after long use, each
// beside the bare program measured the same way.
//
//   bench_process MAROVEX.EXE BARE.EXE [RUNS [startup|memory]]
#undef _WIN32_WINNT
#define _WIN32_WINNT 0x0501
#include <windows.h>
#include <psapi.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_stats.h"

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

struct Usage {
    double privateKb, workingSetKb;
    DWORD gdiObjects, userObjects, handles;
};

Usage Measure(HANDLE process)
{
    Usage u = {};
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof counters;
    if (GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters)) {
        u.privateKb = counters.PrivateUsage / 1024.0;
        u.workingSetKb = counters.WorkingSetSize / 1024.0;
    }
    u.gdiObjects = GetGuiResources(process, GR_GDIOBJECTS);
    u.userObjects = GetGuiResources(process, GR_USEROBJECTS);
    using HandleCount = BOOL(WINAPI*)(HANDLE, PDWORD);
    if (auto count = reinterpret_cast<HandleCount>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetProcessHandleCount"))))
        count(process, &u.handles);
    return u;
}

void PrintUsage(const char* when, const Usage& u)
{
    std::printf("  %-34s private %8.0f KB  working set %8.0f KB  GDI objects %4lu  USER objects %4lu  handles %4lu\n",
                when, u.privateKb, u.workingSetKb, u.gdiObjects, u.userObjects, u.handles);
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
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_process MAROVEX.EXE BARE.EXE [RUNS]\n");
        return 2;
    }
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    const std::string program = argv[1], bare = argv[2];
    const int runs = argc > 3 ? std::atoi(argv[3]) : 15;
    const std::string only = argc > 4 ? argv[4] : "";

    std::vector<double> normal, hidden, baseline;
    for (int i = 0; i < runs && only != "memory"; ++i) {
        normal.push_back(TimeStart(program, "", [] { return Painted(FindMarovex()); }));
        hidden.push_back(TimeStart(program, "min", [] { return TrayIconShown(FindMarovex()); }));
        baseline.push_back(TimeStart(bare, "", [] { return Painted(FindWindowA("BareBench", nullptr)); }));
    }
    if (only != "memory") {
        Report("start-up to the first paint", normal, baseline);
        Report("start-up with \"min\" to the tray icon", hidden, baseline);
    }
    if (only == "startup")
        return 0;

    Process bareProcess;
    bareProcess.Start(bare, "");
    WaitFor([] { return Painted(FindWindowA("BareBench", nullptr)); }, 20000);
    Sleep(500);
    const Usage bareUsage = Measure(bareProcess.info.hProcess);

    Process p;
    p.Start(program, "");
    WaitFor([] { return Painted(FindMarovex()); }, 20000);
    HWND wnd = FindMarovex();
    // A short round first, so that the caches the system fills on first use
    // count as the start and the long run shows only growth.
    LongUse(wnd, 100, 1);
    Sleep(500);
    const Usage before = Measure(p.info.hProcess);
    const double started = NowMs();
    LongUse(wnd, 1000, 10);
    Sleep(500);
    const Usage after = Measure(p.info.hProcess);
    std::printf("memory in the tray (long use took %.0f s):\n", (NowMs() - started) / 1000.0);
    PrintUsage("bare program", bareUsage);
    PrintUsage("marovex after a short round", before);
    PrintUsage("marovex after long use", after);
    std::printf("  growth: private %+.0f KB, working set %+.0f KB, GDI objects %+ld, USER objects %+ld, handles %+ld\n",
                after.privateKb - before.privateKb, after.workingSetKb - before.workingSetKb,
                static_cast<long>(after.gdiObjects) - static_cast<long>(before.gdiObjects),
                static_cast<long>(after.userObjects) - static_cast<long>(before.userObjects),
                static_cast<long>(after.handles) - static_cast<long>(before.handles));
    p.Stop();
    bareProcess.Stop();
    return 0;
}
