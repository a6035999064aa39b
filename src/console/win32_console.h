// The console host on a real console: standard input and output, and
// settings files through the profile functions.
#pragma once

#include "console/console_host.h"
#include "settings/win32_settings_files.h"

namespace console {

class Win32Console : public Host {
public:
    // Standard output and error buffered, each line flushed whole.
    Win32Console();

    void Print(const std::string& line) override;
    void PrintError(const std::string& line) override;
    void PrintPart(const std::string& text) override;
    void CatchBreaks(bool on) override;
    bool BreakCaught() override;
    bool ReadSettingsFile(const std::string& path, std::vector<std::string>* lines, std::string* why) override
    {
        return m_files.ReadSettingsFile(path, lines, why);
    }
    bool WriteSettingsFile(const std::string& path, const std::vector<std::string>& lines,
                           std::string* why) override
    {
        return m_files.WriteSettingsFile(path, lines, why);
    }

    std::string CommandTail(std::size_t skip) override;
    bool FindProgram(const std::string& program, std::string* path) override;
    bool RunProgram(const std::string& path, const std::string& commandLine, int* exitStatus,
                    std::string* why) override;
    bool WaitWhileRunning(const std::string& image) override;

    // The question on standard output, the answer a line of standard input:
    // Yes only for a line starting with y; no input at all is No.
    bool Ask(platform::Window owner, const char* text, Icon icon) override;
    void Tell(platform::Window owner, const char* text, Icon icon) override;
    // A dot for each step of the test.  Ctrl+C and Ctrl+Break are swallowed
    // while the trial clocks run, so that the test ends and puts the clocks
    // before it back.
    void ShowTestProgress(const platform::ClockTestRun& run, platform::ClockTrial& trial) override;

private:
    settings::Win32SettingsFiles m_files;
};

}  // namespace console
