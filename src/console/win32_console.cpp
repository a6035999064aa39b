#include "console/win32_console.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

namespace console {
namespace {

// A settings file is a few hundred bytes; anything much larger is not one.
constexpr long kLargestSettingsFile = 16 * 1024;

// The profile functions look for a bare name in the Windows directory: a
// path is made full against the current directory first.
std::string FullPath(const std::string& path)
{
    char full[MAX_PATH];
    char* name = nullptr;
    const DWORD length = GetFullPathNameA(path.c_str(), sizeof full, full, &name);
    return length > 0 && length < sizeof full ? std::string(full) : path;
}

BOOL WINAPI HoldBreak(DWORD event)
{
    return event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT;
}

}  // namespace

void Win32Console::Print(const std::string& line)
{
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

void Win32Console::PrintError(const std::string& line)
{
    std::fflush(stdout);
    std::fputs((line + "\n").c_str(), stderr);
}

bool Win32Console::ReadSettingsFile(const std::string& path, std::vector<std::string>* lines, std::string* why)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        *why = "cannot read " + path;
        return false;
    }
    std::fseek(file, 0, SEEK_END);
    const long size = std::ftell(file);
    std::fclose(file);
    if (size < 0 || size > kLargestSettingsFile) {
        *why = path + " is too large for a settings file";
        return false;
    }
    const std::string full = FullPath(path);
    char names[1024] = {};
    GetPrivateProfileSectionNamesA(names, sizeof names, full.c_str());
    if (lstrcmpiA(names, kSettingsSection) != 0 || names[std::strlen(names) + 1] != '\0') {
        *why = path + " is not a settings file: it must hold one section, [" + kSettingsSection + "]";
        return false;
    }
    static char section[32 * 1024];
    GetPrivateProfileSectionA(kSettingsSection, section, sizeof section, full.c_str());
    for (const char* entry = section; *entry; entry += std::strlen(entry) + 1)
        if (*entry != ';')
            lines->push_back(entry);
    return true;
}

bool Win32Console::WriteSettingsFile(const std::string& path, const std::vector<std::string>& lines,
                                     std::string* why)
{
    std::string section;
    for (const std::string& line : lines)
        section += line + '\0';
    section += '\0';
    const std::string full = FullPath(path);
    DeleteFileA(full.c_str());
    const bool written = WritePrivateProfileSectionA(kSettingsSection, section.c_str(), full.c_str());
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, full.c_str());  // out of the system's cache
    if (!written)
        *why = "cannot write " + path;
    return written;
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
    SetConsoleCtrlHandler(HoldBreak, FALSE);
}

}  // namespace console
