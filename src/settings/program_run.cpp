#include "settings/program_run.h"

#include <cstring>
#include <vector>

#include "driver/display_driver.h"
#include "driver/registry_layout.h"

namespace settings {
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

Value ReadNumber(CDisplayDriver& driver, const std::string& value, int* number)
{
    return ReadRecordNumber(driver, layout::kRunJournalKey, value.c_str(), number);
}

}  // namespace

// Into an empty key; the settings first, the owner last: a record without
// its owner was cut short before anything was applied.
bool WriteRunJournal(CDisplayDriver& driver, const RunJournal& journal)
{
    DeleteRunJournal(driver);
    bool ok = WriteText(driver, kProgram, journal.program);
    for (const auto& [name, values] : journal.settings) {
        ok = ok && driver.WriteDword(layout::kRunJournalKey, Before(name).c_str(), static_cast<std::uint32_t>(values.first));
        ok = ok && driver.WriteDword(layout::kRunJournalKey, Written(name).c_str(), static_cast<std::uint32_t>(values.second));
    }
    return ok && WriteText(driver, kOwner, journal.owner);
}

// Value by value, as the clock test's journal is read: each setting's two
// values present together, each a REG_DWORD the setting can hold in the
// driver (the clocks within the sliders' range), the texts REG_SZ, and the
// owner there.  Anything else is junk.
RecordFound ReadRunJournal(CDisplayDriver& driver, RunJournal* journal)
{
    journal->settings.clear();
    bool present = false, junk = false;
    for (const std::string& name : SettingNames()) {
        int before = 0, written = 0;
        const Value b = ReadNumber(driver, Before(name), &before);
        const Value w = ReadNumber(driver, Written(name), &written);
        present = present || b != Value::kMissing || w != Value::kMissing;
        if (b == Value::kMissing && w == Value::kMissing)
            continue;
        if (b != Value::kRead || w != Value::kRead || !HoldsDriverValue(driver, name, before)
            || !HoldsDriverValue(driver, name, written))
            junk = true;
        else
            journal->settings[name] = {before, written};
    }
    const Value owner = ReadRecordText(driver, layout::kRunJournalKey, kOwner, &journal->owner);
    const Value program = ReadRecordText(driver, layout::kRunJournalKey, kProgram, &journal->program);
    const bool hasOwner = owner == Value::kRead && !journal->owner.empty();
    const bool hasProgram = program == Value::kRead;
    present = present || owner != Value::kMissing || program != Value::kMissing;
    if (!present)
        return RecordFound::kNone;
    return junk || !hasOwner || !hasProgram ? RecordFound::kJunk : RecordFound::kWhole;
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

void ForgetSetting(CDisplayDriver& driver, const std::string& name)
{
    driver.DeleteValue(layout::kRunJournalKey, Before(name).c_str());
    driver.DeleteValue(layout::kRunJournalKey, Written(name).c_str());
}

// The clocks go back as a pair: both, when the board still runs the pair the
// run applied; neither, when the user changed either meanwhile.
PutBackReport PutBack(CDisplayDriver& driver, const RunJournal& journal)
{
    PutBackReport report;
    SettingsChange change;
    bool clocksChanged = false;
    for (const char* clock : {kCoreClock, kMemClock}) {
        const auto held = journal.settings.find(clock);
        clocksChanged = clocksChanged || (held != journal.settings.end() && DriverValue(driver, clock) != held->second.second);
    }
    for (const auto& [name, values] : journal.settings) {
        const bool clock = name == kCoreClock || name == kMemClock;
        const int now = DriverValue(driver, name);
        if (now != values.second || (clock && clocksChanged))
            report.left.push_back(name);
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
    // What the driver's keys hold now, not what the apply believes it wrote.
    const std::string applyError = driver.GetLastErrorText();
    if (!busy)
        driver.ReadSettings();
    for (const auto& [name, value] : change) {
        if (busy || DriverValue(driver, name) != value)
            report.failed.push_back(name + " could not be put back" + (applyError == "None" ? "." : ": " + applyError));
        else
            report.putBack.push_back(name);
    }
    if (!busy)
        DeleteRunJournal(driver);
    return report;
}

std::vector<std::string> PutBackReport::Lines(const std::string& program) const
{
    std::vector<std::string> lines;
    for (const std::string& name : left)
        lines.push_back(name + " was changed while " + program + " ran; it is left as it is.");
    lines.insert(lines.end(), failed.begin(), failed.end());
    return lines;
}

bool ApplySettings(CDisplayDriver& driver)
{
    RunJournal run;
    if (ReadRunJournal(driver, &run) == RecordFound::kWhole) {
        const auto core = run.settings.find(kCoreClock), mem = run.settings.find(kMemClock);
        // The run's clocks are the game's: the log-on record keeps those
        // from before the run, unless other clocks are applied now.
        if (core != run.settings.end() && mem != run.settings.end() && driver.m_nNewCoreClock == core->second.second
            && driver.m_nNewMemClock == mem->second.second) {
            driver.m_nLogOnCoreClock = core->second.first;
            driver.m_nLogOnMemClock = mem->second.first;
        }
    }
    const bool applied = driver.ApplySettings();
    driver.m_nLogOnCoreClock = driver.m_nLogOnMemClock = 0;
    return applied;
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
    const RecordFound found = ReadRunJournal(driver, &journal);
    if (found == RecordFound::kNone || (found == RecordFound::kWhole && os.OwnerMarkExists(journal.owner.c_str())))
        return true;
    if (found == RecordFound::kJunk) {
        DeleteRunJournal(driver);
        user.Tell(driver.m_hWndOwner, kDamagedRecord, platform::UserPrompts::kInformation);
        return true;
    }
    const PutBackReport report = PutBack(driver, journal);
    std::string text = "The settings for " + journal.program + " were not put back when it ended.";
    if (!report.putBack.empty()) {
        std::string names;
        for (const std::string& name : report.putBack)
            names += (names.empty() ? "" : ", ") + name;
        text += " They were put back now: " + names + ".";
    }
    for (const std::string& line : report.Lines(journal.program))
        text += "\n" + line;
    user.Tell(driver.m_hWndOwner, text.c_str(), platform::UserPrompts::kInformation);
    return driver.Open(deviceName);
}

}  // namespace settings
