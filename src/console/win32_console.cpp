#include "console/win32_console.h"

#include "console/command_line.h"

#include <windows.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace console {
namespace {

// Set by a Ctrl+C or Ctrl+Break that was held; a search reads it between
// its trials, so that one pressed during a trial ends the search after it.
volatile LONG g_breakCaught = 0;

BOOL WINAPI HoldBreak(DWORD event)
{
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT)
        return FALSE;
    InterlockedExchange(const_cast<LONG*>(&g_breakCaught), 1);
    return TRUE;
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

void Win32Console::PrintPart(const std::string& text)
{
    std::fputs(text.c_str(), stdout);
    std::fflush(stdout);
}

void Win32Console::CatchBreaks(bool on)
{
    g_breakCaught = 0;
    SetConsoleCtrlHandler(HoldBreak, on ? TRUE : FALSE);
}

bool Win32Console::BreakCaught()
{
    return g_breakCaught != 0;
}

std::string Win32Console::CommandTail(std::size_t skip)
{
    return CommandLineFrom(GetCommandLineA(), skip);
}

namespace {

// SearchPathA and GetFullPathNameA write into `buffer` and answer the
// length written, or the size they need: a path of any length is taken.
template <typename Call>
bool PathFrom(Call call, std::string* path)
{
    std::vector<char> buffer(MAX_PATH);
    DWORD length = call(buffer);
    if (length >= buffer.size()) {
        buffer.resize(length + 1);
        length = call(buffer);
    }
    if (length == 0 || length >= buffer.size())
        return false;
    path->assign(buffer.data(), length);
    return true;
}

// A name's full path when the file is there, ".exe" added to a name without
// an extension; folder null for the places the system searches.  Given a
// full path, SearchPath looks there only.
bool Search(const char* folder, const std::string& name, std::string* path)
{
    return PathFrom(
        [&](std::vector<char>& b) {
            return SearchPathA(folder, name.c_str(), ".exe", static_cast<DWORD>(b.size()), b.data(), nullptr);
        },
        path);
}

}  // namespace

// The program as typed from the current folder (a folder in its name taken
// from there too), then where the system searches.
bool Win32Console::FindProgram(const std::string& program, std::string* path)
{
    if (program.empty())
        return false;
    std::string typed;
    if (PathFrom(
            [&](std::vector<char>& b) {
                return GetFullPathNameA(program.c_str(), static_cast<DWORD>(b.size()), b.data(), nullptr);
            },
            &typed)
        && Search(nullptr, typed, path))
        return true;
    return Search(nullptr, program, path);
}

namespace {

bool EndsWith(const std::string& text, const char* end)
{
    const std::size_t n = std::strlen(end);
    return text.size() >= n && lstrcmpiA(text.c_str() + text.size() - n, end) == 0;
}

const char* BaseName(const char* path)
{
    const char* name = path;
    for (const char* at = path; *at; ++at)
        if (*at == '\\')
            name = at + 1;
    return name;
}

// What CreateProcess starts for a program found at `path` with the command
// line typed for it: the program itself, or for a batch file the command
// interpreter, to which the batch file is named by its full path.  NT's
// cmd.exe takes the first and the last quote off what follows /c, so there
// the whole is quoted once more; COMMAND.COM takes it as it stands.
bool StartLine(const std::string& path, const std::string& commandLine, std::string* program, std::string* line,
               std::string* why)
{
    if (!EndsWith(path, ".bat") && !EndsWith(path, ".cmd")) {
        *program = path;
        *line = commandLine;
        return true;
    }
    const char* comspec = std::getenv("COMSPEC");
    if (!comspec || !*comspec) {
        *why = "cannot start " + path + ": COMSPEC names no command interpreter";
        return false;
    }
    const std::string arguments = CommandLineFrom(commandLine, 1);
    std::string batch = "\"" + path + "\"" + (arguments.empty() ? "" : " " + arguments);
    if (lstrcmpiA(BaseName(comspec), "cmd.exe") == 0)
        batch = "\"" + batch + "\"";
    *program = comspec;
    *line = "\"" + *program + "\" /c " + batch;
    return true;
}

}  // namespace

bool Win32Console::RunProgram(const std::string& path, const std::string& commandLine, int* exitStatus,
                              std::string* why)
{
    std::string program, commands;
    if (!StartLine(path, commandLine, &program, &commands, why))
        return false;
    const std::string folder = path.substr(0, path.find_last_of("\\/") + 1);
    std::vector<char> line(commands.begin(), commands.end());
    line.push_back('\0');
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
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

namespace {

// The running processes' image names, through Toolhelp where KERNEL32 has
// it (the 9x family, 2000 and later), else through PSAPI (NT 4).  Each is
// looked up when the list is made, so that the program loads on a system
// that has neither.
class ProcessList {
public:
    ProcessList()
    {
        HMODULE kernel = GetModuleHandleA("KERNEL32.DLL");
        Find(kernel, "CreateToolhelp32Snapshot", &m_snapshot);
        Find(kernel, "Process32First", &m_first);
        Find(kernel, "Process32Next", &m_next);
        if (m_snapshot && m_first && m_next)
            return;
        m_snapshot = nullptr;
        Find(kernel, "OpenProcess", &m_openProcess);
        m_psapi = LoadLibraryA("PSAPI.DLL");
        Find(m_psapi, "EnumProcesses", &m_enumProcesses);
        Find(m_psapi, "EnumProcessModules", &m_enumModules);
        Find(m_psapi, "GetModuleBaseNameA", &m_baseName);
    }
    ~ProcessList()
    {
        if (m_psapi)
            FreeLibrary(m_psapi);
    }
    ProcessList(const ProcessList&) = delete;
    ProcessList& operator=(const ProcessList&) = delete;

    bool Lists() const { return m_snapshot || (m_openProcess && m_enumProcesses && m_enumModules && m_baseName); }

    // Whether another process than this one runs an image of that name.  On
    // the 9x family Toolhelp gives each image's full path.
    bool Runs(const std::string& image) const
    {
        return m_snapshot ? RunsByToolhelp(image.c_str()) : RunsByPsapi(image.c_str());
    }

private:
    using Snapshot = HANDLE(WINAPI*)(DWORD, DWORD);
    using Walk = BOOL(WINAPI*)(HANDLE, PROCESSENTRY32*);
    using OpenProcessFn = HANDLE(WINAPI*)(DWORD, BOOL, DWORD);
    using EnumProcessesFn = BOOL(WINAPI*)(DWORD*, DWORD, DWORD*);
    using EnumModulesFn = BOOL(WINAPI*)(HANDLE, HMODULE*, DWORD, DWORD*);
    using BaseNameFn = DWORD(WINAPI*)(HANDLE, HMODULE, char*, DWORD);

    template <typename Fn>
    static void Find(HMODULE module, const char* name, Fn* fn)
    {
        *fn = module ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
    }

    bool RunsByToolhelp(const char* image) const
    {
        HANDLE snapshot = m_snapshot(TH32CS_SNAPPROCESS, 0);
        if (snapshot == INVALID_HANDLE_VALUE)
            return false;
        PROCESSENTRY32 entry = {};
        entry.dwSize = sizeof entry;
        bool runs = false;
        for (BOOL more = m_first(snapshot, &entry); more && !runs; more = m_next(snapshot, &entry))
            runs = entry.th32ProcessID != GetCurrentProcessId() && lstrcmpiA(BaseName(entry.szExeFile), image) == 0;
        CloseHandle(snapshot);
        return runs;
    }

    bool RunsByPsapi(const char* image) const
    {
        std::vector<DWORD> ids(1024);
        DWORD bytes = 0;
        if (!m_enumProcesses(ids.data(), static_cast<DWORD>(ids.size() * sizeof(DWORD)), &bytes))
            return false;
        ids.resize(bytes / sizeof(DWORD));
        for (const DWORD id : ids) {
            if (id == GetCurrentProcessId())
                continue;
            HANDLE process = m_openProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, id);
            if (!process)
                continue;  // the system's own processes, or one that has ended
            HMODULE module = nullptr;
            DWORD needed = 0;
            char name[MAX_PATH] = {};
            const bool named = m_enumModules(process, &module, sizeof module, &needed)
                               && m_baseName(process, module, name, sizeof name) != 0;
            CloseHandle(process);
            if (named && lstrcmpiA(name, image) == 0)
                return true;
        }
        return false;
    }

    Snapshot m_snapshot = nullptr;
    Walk m_first = nullptr, m_next = nullptr;
    HMODULE m_psapi = nullptr;
    OpenProcessFn m_openProcess = nullptr;
    EnumProcessesFn m_enumProcesses = nullptr;
    EnumModulesFn m_enumModules = nullptr;
    BaseNameFn m_baseName = nullptr;
};

}  // namespace

bool Win32Console::WaitWhileRunning(const std::string& image)
{
    const ProcessList processes;
    if (!processes.Lists())
        return false;
    SetConsoleCtrlHandler(HoldBreak, TRUE);
    while (processes.Runs(image))
        Sleep(1000);
    SetConsoleCtrlHandler(HoldBreak, FALSE);
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

// Twenty dots however long the run, one as each twentieth of it ends.
void Win32Console::ShowTestProgress(const platform::ClockTestRun& run, platform::ClockTrial& trial)
{
    SetConsoleCtrlHandler(HoldBreak, TRUE);
    if (!quietProgress) {
        std::printf("testing %d MHz core and %d MHz memory ", run.coreMHz, run.memMHz);
        std::fflush(stdout);
    }
    trial.OnProgressShown();
    for (int step = 1; step <= run.steps; ++step) {
        Sleep(kTestStepMs);
        if (!quietProgress && step * kTestSteps / run.steps != (step - 1) * kTestSteps / run.steps)
            PrintPart(".");
    }
    trial.OnProgressShown();
    if (!quietProgress)
        PrintPart("\n");
    SetConsoleCtrlHandler(HoldBreak, FALSE);
}

}  // namespace console
