// Benchmark of the console program: `marovexctl status`, start to exit,
// with its output going nowhere, beside a bare console program started the
// same way.
//
//   bench_console MAROVEXCTL.EXE BARE_CONSOLE.EXE [RUNS]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_stats.h"

namespace {

// Milliseconds from CreateProcess to the end of the process; negative when
// it could not be started.
double RunToExit(const std::string& exe, const char* args, HANDLE nowhere)
{
    std::string line = "\"" + exe + "\" " + args;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nowhere;
    startup.hStdOutput = nowhere;
    startup.hStdError = nowhere;
    PROCESS_INFORMATION info = {};
    const double start = NowMs();
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info))
        return -1;
    WaitForSingleObject(info.hProcess, INFINITE);
    const double elapsed = NowMs() - start;
    CloseHandle(info.hProcess);
    CloseHandle(info.hThread);
    return elapsed;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_console MAROVEXCTL.EXE BARE_CONSOLE.EXE [RUNS]\n");
        return 1;
    }
    const int runs = argc > 3 ? std::atoi(argv[3]) : 15;
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE nowhere = CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                 OPEN_EXISTING, 0, nullptr);
    // Where status's time goes: --version opens no driver session, and the
    // bare program with "dc" makes only the display's device context that
    // every session needs.
    std::vector<double> status, version, bare, bareDC;
    for (int run = 0; run < runs; ++run) {
        const double s = RunToExit(argv[1], "status", nowhere);
        const double v = RunToExit(argv[1], "--version", nowhere);
        const double b = RunToExit(argv[2], "", nowhere);
        const double d = RunToExit(argv[2], "dc", nowhere);
        if (s < 0 || v < 0 || b < 0 || d < 0) {
            std::fprintf(stderr, "bench_console: a program did not start\n");
            return 1;
        }
        status.push_back(s);
        version.push_back(v);
        bare.push_back(b);
        bareDC.push_back(d);
    }
    Report("marovexctl status, start to exit", status, bare, 1.5);
    Report("marovexctl --version (no session)", version, bare);
    Report("a bare program making the display's DC", bareDC, bare);
    Report("marovexctl status against that", status, bareDC);
    CloseHandle(nowhere);
    return 0;
}
