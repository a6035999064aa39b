#include "console/program_run.h"

#include <cstring>

#include "driver/display_driver.h"
#include "driver/registry_layout.h"

namespace console {
namespace {

constexpr const char* kOwner = "Owner";
constexpr const char* kProgram = "Program";

std::string Before(const std::string& name) { return name + " before"; }
std::string Written(const std::string& name) { return name + " run"; }

bool WriteText(CDisplayDriver& driver, const char* value, const std::string& text)
{
    return driver.WriteString(layout::kRunJournalKey, value, text.c_str(),
                              static_cast<std::uint32_t>(text.size() + 1));
}

std::string ReadText(CDisplayDriver& driver, const char* value)
{
    char text[1024] = {};
    if (!driver.ReadString(layout::kRunJournalKey, value, text, sizeof text - 1))
        return std::string();
    return text;
}

}  // namespace

// The settings first, the owner last: a journal without its owner was cut
// short before anything was applied.
bool WriteRunJournal(CDisplayDriver& driver, const RunJournal& journal)
{
    bool ok = WriteText(driver, kProgram, journal.program);
    for (const auto& [name, values] : journal.settings) {
        ok = ok && driver.WriteDword(layout::kRunJournalKey, Before(name).c_str(), static_cast<std::uint32_t>(values.first));
        ok = ok && driver.WriteDword(layout::kRunJournalKey, Written(name).c_str(), static_cast<std::uint32_t>(values.second));
    }
    return ok && WriteText(driver, kOwner, journal.owner);
}

bool ReadRunJournal(CDisplayDriver& driver, RunJournal* journal)
{
    journal->owner = ReadText(driver, kOwner);
    if (journal->owner.empty())
        return false;
    journal->program = ReadText(driver, kProgram);
    journal->settings.clear();
    for (const std::string& name : SettingNames()) {
        std::uint32_t before = 0, written = 0;
        if (driver.ReadDword(layout::kRunJournalKey, Before(name).c_str(), &before)
            && driver.ReadDword(layout::kRunJournalKey, Written(name).c_str(), &written))
            journal->settings[name] = {static_cast<int>(before), static_cast<int>(written)};
    }
    return true;
}

void DeleteRunJournal(CDisplayDriver& driver)
{
    driver.DeleteValue(layout::kRunJournalKey, kOwner);
    for (const std::string& name : SettingNames()) {
        driver.DeleteValue(layout::kRunJournalKey, Before(name).c_str());
        driver.DeleteValue(layout::kRunJournalKey, Written(name).c_str());
    }
    driver.DeleteValue(layout::kRunJournalKey, kProgram);
}

PutBackReport PutBack(CDisplayDriver& driver, const RunJournal& journal)
{
    PutBackReport report;
    SettingsChange change;
    for (const auto& [name, values] : journal.settings) {
        const int now = CurrentValue(driver, name);
        if (now != values.second)
            report.left.push_back(name + " was changed while " + journal.program + " ran; it is left as it is.");
        else if (now != values.first)
            change[name] = values.first;
    }
    Stage(change, driver);
    // The clocks from before the run ran on the board before: no test.
    if (change.count(kCoreClock) || change.count(kMemClock))
        driver.AcceptClocks(driver.m_nNewCoreClock, driver.m_nNewMemClock);
    driver.m_bLeaveStartupEntry = true;
    const bool applied = driver.ApplySettings();
    driver.m_bLeaveStartupEntry = false;
    const bool busy = !applied && driver.GetLastErrorText() == CDisplayDriver::kSettingsBusy;
    for (const auto& [name, value] : change)
        if (busy || CurrentValue(driver, name) != value)
            report.failed.push_back(name + " could not be put back: " + driver.GetLastErrorText());
    if (!busy)
        DeleteRunJournal(driver);
    return report;
}

std::string HeldSettings(const RunJournal& journal)
{
    std::string text;
    for (const auto& setting : journal.settings)
        text += (text.empty() ? "" : ", ") + setting.first;
    return text;
}

bool OpenPuttingBackRun(platform::Platform& os, CDisplayDriver& driver, platform::UserPrompts& user,
                        const char* deviceName)
{
    if (!driver.Open(deviceName))
        return false;
    RunJournal journal;
    if (!ReadRunJournal(driver, &journal) || os.OwnerMarkExists(journal.owner.c_str()))
        return true;
    const PutBackReport report = PutBack(driver, journal);
    std::string text = "The settings for " + journal.program + " were not put back when it ended. ";
    text += report.failed.empty() ? "They were put back now: " + HeldSettings(journal) + "."
                                  : "Some could not be put back now.";
    for (const std::string& line : report.left)
        text += "\n" + line;
    for (const std::string& line : report.failed)
        text += "\n" + line;
    user.Tell(driver.m_hWndOwner, text.c_str(), platform::UserPrompts::kInformation);
    return driver.Open(deviceName);
}

std::string CommandLineFrom(const std::string& line, std::size_t word)
{
    std::size_t at = 0;
    auto blanks = [&] {
        while (at < line.size() && (line[at] == ' ' || line[at] == '\t'))
            ++at;
    };
    blanks();
    for (std::size_t skipped = 0; skipped < word && at < line.size(); ++skipped) {
        if (skipped == 0) {
            // A program's name: up to the closing quote, or to a blank.
            if (line[at] == '"') {
                const std::size_t close = line.find('"', at + 1);
                at = close == std::string::npos ? line.size() : close + 1;
            }
            while (at < line.size() && line[at] != ' ' && line[at] != '\t')
                ++at;
        } else {
            bool quoted = false;
            std::size_t backslashes = 0;
            for (; at < line.size(); ++at) {
                const char c = line[at];
                if (!quoted && (c == ' ' || c == '\t'))
                    break;
                if (c == '"' && backslashes % 2 == 0)
                    quoted = !quoted;
                backslashes = c == '\\' ? backslashes + 1 : 0;
            }
        }
        blanks();
    }
    return line.substr(at);
}

}  // namespace console
