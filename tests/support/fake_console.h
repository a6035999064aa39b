// The console program's host, answering from a script: what is printed is
// kept, questions are answered from the front of `answers` (No when it has
// run out), and settings files live in memory.
#pragma once

#include <deque>
#include <functional>
#include <map>
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
    std::function<void()> duringTest;
    std::map<std::string, std::vector<std::string>> files;  // a file's section lines

    void Print(const std::string& line) override { out += line + "\n"; }
    void PrintError(const std::string& line) override { err += line + "\n"; }
    bool ReadSettingsFile(const std::string& path, std::vector<std::string>* lines, std::string* why) override
    {
        const auto found = files.find(path);
        if (found == files.end()) {
            *why = "cannot read " + path;
            return false;
        }
        *lines = found->second;
        return true;
    }
    bool WriteSettingsFile(const std::string& path, const std::vector<std::string>& lines, std::string*) override
    {
        files[path] = lines;
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
        trial.OnProgressShown();
        if (duringTest)
            duringTest();
        trial.OnProgressShown();
    }
};

}  // namespace fake
