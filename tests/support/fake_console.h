// The console program's host, answering from a script: what is printed is
// kept, questions are answered from the front of `answers` (No when it has
// run out), and settings files are bytes in memory, read and written by the
// rules of the real console.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "console/console_host.h"

namespace fake {

class FakeConsole : public console::Host {
public:
    std::string out, err;
    std::deque<bool> answers;
    std::vector<std::string> questions;
    std::vector<platform::ClockTestRun> testRuns;
    std::vector<bool> quietRuns;  // whether each test's progress was quiet
    std::function<void()> duringTest;
    std::map<std::string, std::string> files;  // each file's bytes

    void Print(const std::string& line) override { out += line + "\n"; }
    void PrintError(const std::string& line) override { err += line + "\n"; }
    void PrintPart(const std::string& text) override { out += text; }
    // A Ctrl+C pressed between trials: breakAfterTests trials from the
    // start of the catch (-1: none is pressed).
    int breakAfterTests = -1;
    bool catching = false;
    void CatchBreaks(bool on) override { catching = on; }
    bool BreakCaught() override
    {
        return catching && breakAfterTests >= 0 && static_cast<int>(testRuns.size()) >= breakAfterTests;
    }
    // The bytes are checked as the real console checks them; the section's
    // lines are then taken as the profile functions give them: trimmed,
    // without blank lines and comments.
    bool ReadSettingsFile(const std::string& path, std::vector<std::string>* lines, std::string* why) override
    {
        const auto found = files.find(path);
        if (found == files.end()) {
            *why = "cannot read " + path;
            return false;
        }
        if (!settings::CheckSettingsText(found->second, why)) {
            *why = path + ": " + *why;
            return false;
        }
        std::istringstream text(found->second);
        bool inSection = false;
        for (std::string line; std::getline(text, line);) {
            const std::size_t first = line.find_first_not_of(" \t\r");
            if (first == std::string::npos || line[first] == ';')
                continue;
            line = line.substr(first, line.find_last_not_of(" \t\r") - first + 1);
            if (inSection)
                lines->push_back(line);
            inSection = true;  // the check put the section's line first
        }
        return true;
    }
    // An empty name is no file, as for the real console.
    bool WriteSettingsFile(const std::string& path, const std::vector<std::string>& lines, std::string* why) override
    {
        if (path.empty()) {
            *why = "cannot make a full path of \"\"";
            return false;
        }
        std::string& bytes = files[path] = std::string("[") + settings::kSettingsSection + "]\r\n";
        for (const std::string& line : lines)
            bytes += line + "\r\n";
        return true;
    }
    // A program run: the programs the system finds, the command line as typed,
    // and what the program does while it runs (its exit status).
    std::set<std::string> programs;
    std::string commandLine;
    std::function<int()> program;
    std::vector<std::string> started;  // "folder|command line" of each start
    std::string CommandTail(std::size_t) override { return commandLine; }
    bool FindProgram(const std::string& name, std::string* path) override
    {
        *path = "C:\\GAMES\\" + name;
        return programs.count(name) != 0;
    }
    bool RunProgram(const std::string& path, const std::string& line, int* exitStatus, std::string* why) override
    {
        if (!program) {
            *why = "cannot start " + path;
            return false;
        }
        started.push_back(path.substr(0, path.rfind('\\')) + "|" + line);
        *exitStatus = program();
        return true;
    }

    // The images waited for; what happens during the wait; false for a
    // system that lists no processes.
    std::vector<std::string> waitedFor;
    std::function<void()> whileWaiting;
    bool listsProcesses = true;
    bool WaitWhileRunning(const std::string& image) override
    {
        waitedFor.push_back(image);
        if (!listsProcesses)
            return false;
        if (whileWaiting)
            whileWaiting();
        return true;
    }

    bool Ask(platform::Window, const char* text, Icon) override
    {
        questions.push_back(text);
        const bool yes = !answers.empty() && answers.front();
        if (!answers.empty())
            answers.pop_front();
        return yes;
    }
    void Tell(platform::Window, const char* text, Icon) override { PrintError(text); }
    // As the console does: the trial is called back as the progress starts
    // and as it ends.
    void ShowTestProgress(const platform::ClockTestRun& run, platform::ClockTrial& trial) override
    {
        testRuns.push_back(run);
        quietRuns.push_back(quietProgress);
        trial.OnProgressShown();
        if (duringTest)
            duringTest();
        trial.OnProgressShown();
    }
};

}  // namespace fake
