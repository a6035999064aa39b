#include "console/win32_console.h"

#include "console/command_line.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

namespace console {
namespace {

BOOL WINAPI HoldBreak(DWORD event)
{
    return event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT;
}

}  // namespace

// Unbuffered, as the runtime leaves them for a console or NUL, the streams
// are written a byte at a time, each byte a call to the system.  Buffered,
// a line costs one call; every line is flushed as it is printed, so nothing
// waits behind a clock test or the program that a run starts.
Win32Console::Win32Console()
{
    std::setvbuf(stdout, nullptr, _IOFBF, BUFSIZ);
    std::setvbuf(stderr, nullptr, _IOFBF, BUFSIZ);
}

void Win32Console::Print(const std::string& line)
{
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

void Win32Console::PrintError(const std::string& line)
{
    std::fflush(stdout);
    std::fputs((line + "\n").c_str(), stderr);
    std::fflush(stderr);
}

std::string Win32Console::CommandTail(std::size_t skip)
{
    return CommandLineFrom(GetCommandLineA(), skip);
}

bool Win32Console::FindProgram(const std::string& program, std::string* path)
{
    char found[MAX_PATH];
    char* name = nullptr;
    const DWORD length = SearchPathA(nullptr, program.c_str(), ".exe", sizeof found, found, &name);
    if (length == 0 || length >= sizeof found)
        return false;
    *path = found;
    return true;
}

bool Win32Console::RunProgram(const std::string& path, const std::string& commandLine, int* exitStatus,
                              std::string* why)
{
    const std::string folder = path.substr(0, path.find_last_of("\\/") + 1);
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(path.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &startup, &process)) {
        *why = "cannot start " + path + " (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    // The user's Ctrl+C reaches the program; this wait goes on until it ends.
    SetConsoleCtrlHandler(HoldBreak, TRUE);
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD status = 0;
    GetExitCodeProcess(process.hProcess, &status);
    SetConsoleCtrlHandler(HoldBreak, FALSE);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    *exitStatus = static_cast<int>(status);
    return true;
}

bool Win32Console::Ask(platform::Window, const char* text, Icon)
{
    std::fputs(text, stdout);
    std::fputs(" [y/N] ", stdout);
    std::fflush(stdout);
    char answer[80];
    const bool answered = std::fgets(answer, sizeof answer, stdin) != nullptr;
    // A console echoes the user's Enter; a file or pipe does not.
    DWORD mode = 0;
    if (!answered || !GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode))
        std::fputs("\n", stdout);
    std::fflush(stdout);
    return answered && (answer[0] == 'y' || answer[0] == 'Y');
}

void Win32Console::Tell(platform::Window, const char* text, Icon)
{
    PrintError(text);
}

void Win32Console::ShowTestProgress(const platform::ClockTestRun& run, platform::ClockTrial& trial)
{
    SetConsoleCtrlHandler(HoldBreak, TRUE);
    std::printf("testing %d MHz core and %d MHz memory ", run.coreMHz, run.memMHz);
    std::fflush(stdout);
    trial.OnProgressShown();
    for (int step = 0; step < kTestSteps; ++step) {
        Sleep(kTestStepMs);
        std::fputc('.', stdout);
        std::fflush(stdout);
    }
    trial.OnProgressShown();
    std::fputc('\n', stdout);
    std::fflush(stdout);
    SetConsoleCtrlHandler(HoldBreak, FALSE);
}

}  // namespace console
