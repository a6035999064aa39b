#include "console/commands.h"

#include <algorithm>
#include <cstdio>

#include "settings/clock_search.h"
#include "settings/program_run.h"
#include "settings/setting_words.h"
#include "version.h"
#include "driver/display_driver.h"
#include "driver/settings_lock.h"

namespace console {

// The settings by name, their files and a run's record are the shared room's.
using namespace settings;
namespace {

constexpr const char* kDisplayName = "\\\\.\\Display1";

const char* const kUsage =
    "usage: marovexctl COMMAND [ARGUMENTS]\n"
    "  status [--ini]            the adapter, every setting, the clocks and their range\n"
    "  set NAME=VALUE...         d3d-vsync=on|off  d3d-fsaa=off|2x|4x|9x\n"
    "                            gl-vsync=on|off   gl-fsaa=off|1.5x|2x-lod|2x\n"
    "                            overlay=standard|activated  startup=on|off\n"
    "  clocks CORE MEM [--yes]   test the clocks (MHz) on the board, then apply them\n"
    "  test CORE MEM [--yes]     test the clocks alone; nothing is applied\n"
    "  reset                     apply the board's baseline clocks\n"
    "  export FILE               write the current settings to a settings file\n"
    "  import FILE [--yes]       apply a settings file; new clocks are tested first\n"
    "  run [--until NAME.EXE] [--yes] FILE PROGRAM [ARGUMENTS...]\n"
    "                            the file's settings while PROGRAM runs, then the\n"
    "                            settings before it back; ends with PROGRAM's status.\n"
    "                            --until: after PROGRAM, wait while NAME.EXE runs\n"
    "  find [core|memory] [--yes] [--apply] [--again] [--confirm SECONDS]\n"
    "                            search for the highest clocks that pass, the\n"
    "                            memory clock first when neither is named, and\n"
    "                            confirm them by a longer run (30 s); a search\n"
    "                            that stopped goes on, --again starts a new one\n"
    "  --help | --version";

// The words of a command: its arguments, and whether --yes was among them.
struct Words {
    std::vector<std::string> arguments;
    bool yes = false;
};

// The words of find.
struct FindWords {
    SearchedClock clock = SearchedClock::kCore;
    bool both = true;  // no clock named
    bool yes = false, apply = false, again = false;
    int confirmSeconds = 30;
};

std::string MHz(int mhz) { return std::to_string(mhz) + " MHz"; }

// A search's lines, one for each trial: "memory 188 MHz ... passed".
class FindLines : public SearchObserver {
public:
    explicit FindLines(Host& host) : m_host(host) {}
    void Trying(SearchedClock clock, int mhz) override
    {
        m_host.PrintPart((clock == SearchedClock::kCore ? "core " : "memory ") + MHz(mhz) + " ...");
    }
    void Confirming(int coreMHz, int memMHz, int seconds) override
    {
        m_host.PrintPart("confirming " + MHz(coreMHz) + " core and " + MHz(memMHz) + " memory for "
                         + std::to_string(seconds) + " s ...");
    }
    void Judged(Verdict verdict) override
    {
        static const char* const kWords[] = {
            "passed",
            "failed",
            "passed before",
            "failed: at or above clocks that failed before",
            "did not finish: failed",
            "passed: the board makes it as the clock it runs",
            "not tested",
        };
        m_host.Print(std::string(" ") + kWords[verdict]);
    }
    bool StopRequested() override { return m_host.BreakCaught(); }

private:
    Host& m_host;
};

// One command on one driver session.
class Command {
public:
    Command(platform::Platform& os, Host& host) : m_os(os), m_host(host), m_driver(os, host, 0) {}

    int Usage(const std::string& why)
    {
        m_host.PrintError("marovexctl: " + why + " (marovexctl --help lists the commands)");
        return kBadInput;
    }

    // The session, with a run whose marovexctl was ended put back first.
    int Open()
    {
        if (OpenPuttingBackRun(m_os, m_driver, m_host, kDisplayName))
            return kDone;
        m_host.PrintError(m_driver.GetLastErrorText());
        return kNoSession;
    }

    int Status(bool ini);
    int Set(const SettingsChange& change);
    int Clocks(const SettingsChange& change, bool yes, bool apply);
    int Reset();
    int Export(const std::string& path);
    int Import(const std::string& path, bool yes);
    int Run(const std::string& path, const std::string& program, std::size_t programWord, bool yes,
            const std::string& until);
    int Find(const FindWords& words);

private:
    int FindEnded(const SearchResult& result, const SearchRecord& record, bool apply);
    int TestClocks(int core, int mem, bool yes);
    bool TestPassed(int status) const;
    int Apply();
    int Failed(int status)
    {
        m_host.PrintError(m_driver.GetLastErrorText());
        return m_driver.GetLastErrorText() == CDisplayDriver::kSettingsBusy ? kBusy : status;
    }

    int ReadFile(const std::string& path, SettingsChange* change);
    int NotAFile(const std::string& path)
    {
        m_host.PrintError("marovexctl: " + path + " names a device, not a settings file");
        return kBadInput;
    }
    int ClocksForRun(const SettingsChange& wanted, bool yes);
    int EndRun(const RunJournal& journal, int programStatus);

    platform::Platform& m_os;
    Host& m_host;
    CDisplayDriver m_driver;
};

std::string Pairs(const std::vector<driver::ClockPair>& pairs)
{
    std::string text;
    for (const driver::ClockPair& p : pairs)
        text += (text.empty() ? "" : ", ") + std::to_string(p.core) + "/" + std::to_string(p.mem) + " MHz";
    return text.empty() ? "none" : text;
}

// The clock a change names, or the one the board runs.
int ClockOf(const SettingsChange& change, const char* name, int current)
{
    return change.count(name) ? change.at(name) : current;
}

int Command::Status(bool ini)
{
    if (const int status = Open())
        return status;
    const CDisplayDriver& d = m_driver;
    const std::vector<std::string> settings = CurrentSettings(d);
    if (ini) {
        m_host.Print(std::string("[") + kSettingsSection + "]");
        for (const std::string& line : settings)
            m_host.Print(line);
        return kDone;
    }
    char device[8];
    std::snprintf(device, sizeof device, "0x%04X", d.m_wDeviceID);
    m_host.Print(std::string("adapter: device ") + device + ", " + d.m_szAdapterKey);
    for (const std::string& line : settings) {
        const std::size_t equals = line.find('=');
        const std::string name = line.substr(0, equals);
        const bool clock = name == kCoreClock || name == kMemClock;
        m_host.Print(name + ": " + line.substr(equals + 1) + (clock ? " MHz" : ""));
    }
    m_host.Print("baseline-clocks: " + MHz(d.GetDefaultCoreClock()) + " core, " + MHz(d.GetDefaultMemClock())
                 + " memory");
    m_host.Print("core-clock-range: " + std::to_string(d.GetMinCoreClock()) + "-" + MHz(d.GetMaxCoreClock()));
    m_host.Print("memory-clock-range: " + std::to_string(d.GetMinMemClock()) + "-" + MHz(d.GetMaxMemClock()));
    m_host.Print("failed-clocks: " + Pairs(m_driver.FailedClocks()));
    m_host.Print("passed-clocks: " + Pairs(m_driver.PassedClocks()));
    RunJournal run;
    if (ReadRunJournal(m_driver, &run) == RecordFound::kWhole) {
        const std::string held = HeldSettings(run);
        m_host.Print("run: " + run.program + " (holds " + (held.empty() ? "nothing" : held) + ")");
    }
    // Read only: the search that owns it may be writing it now.
    SearchRecord search;
    if (ReadSearchRecord(m_driver, &search) == RecordFound::kWhole)
        m_host.Print("search: " + DescribeSearch(search)
                     + (m_os.OwnerMarkExists(search.owner.c_str()) ? " (running)"
                                                                   : " (stopped; " + FindCommand(search) + " goes on)"));
    return kDone;
}

// An apply, and then what the driver really took: each difference is a
// warning.
int Command::Apply()
{
    if (!ApplySettings(m_driver))
        return Failed(kApplyFailed);
    const std::string notTaken = m_driver.ReadBackApplied();
    std::size_t start = 0;
    while (start < notTaken.size()) {
        const std::size_t end = notTaken.find('\n', start);
        m_host.PrintError("marovexctl: warning: " + notTaken.substr(start, end - start));
        start = end == std::string::npos ? notTaken.size() : end + 1;
    }
    return notTaken.empty() ? kDone : kNotTaken;
}

// Runs the clock test unless the board runs these clocks already; asks
// first unless yes.
int Command::TestClocks(int core, int mem, bool yes)
{
    m_driver.SetNewCoreClock(core);
    m_driver.SetNewMemClock(mem);
    if (core == m_driver.GetCoreClock() && mem == m_driver.GetMemClock())
        return kDone;
    const std::string question = "Test " + MHz(core) + " core and " + MHz(mem)
                                 + " memory on the video hardware? If the computer stops responding, restart "
                                   "it; the clocks before the test will be restored.";
    if (!yes && !m_host.Ask(0, question.c_str(), platform::UserPrompts::kQuestion))
        return kDeclined;
    const std::vector<driver::ClockPair> failed = m_driver.FailedClocks();
    const driver::ClockPair* before = driver::FailedAtOrBelow(failed, core, mem);
    if (!yes && before
        && !m_host.Ask(0, driver::FailedClocksQuestion(*before, core, mem).c_str(), platform::UserPrompts::kQuestion))
        return kDeclined;
    const bool passed = m_driver.TestClockSpeeds();
    if (passed)
        m_host.Print("passed");
    // The board refused the old clocks back: it may still run the tested ones.
    const std::string notRestored = m_driver.GetRestoreErrorText();
    if (!notRestored.empty())
        m_host.PrintError(notRestored + "  The board may still run the tested clock speeds.");
    if (passed)
        return notRestored.empty() ? kDone : kNotRestored;
    // A test that could not be recorded, found the settings busy, or that
    // the board did not run, tested nothing: that is no failure of the clocks.
    const std::string& error = m_driver.GetLastErrorText();
    if (error == CDisplayDriver::kSettingsBusy || error == CDisplayDriver::kClockJournalError
        || error == CDisplayDriver::kNothingTested)
        return Failed(kTestFailed);
    // A failed test says so by its status, whatever the restore did: the
    // line above says when the board may still run the tested clocks.
    m_host.PrintError("The new clock speeds failed testing.");
    return kTestFailed;
}

// Clocks the board runs already, or that passed their test: a passed test
// whose old clocks the board refused back is applied all the same, and the
// board then runs what the user chose.
bool Command::TestPassed(int status) const
{
    return status == kDone || m_driver.m_bClocksTested;
}

int Command::Clocks(const SettingsChange& change, bool yes, bool apply)
{
    if (const int status = Open())
        return status;
    std::string why;
    if (!ClocksInRange(change, m_driver, &why))
        return Usage(why);
    const int status = TestClocks(change.at(kCoreClock), change.at(kMemClock), yes);
    return apply && TestPassed(status) ? Apply() : status;
}

int Command::Set(const SettingsChange& change)
{
    if (const int status = Open())
        return status;
    Stage(change, m_driver);
    return Apply();
}

// The baseline clocks are the board's own: they need no test.
int Command::Reset()
{
    if (const int status = Open())
        return status;
    m_driver.SetNewCoreClock(m_driver.GetDefaultCoreClock());
    m_driver.SetNewMemClock(m_driver.GetDefaultMemClock());
    return Apply();
}

int Command::Export(const std::string& path)
{
    if (IsDeviceName(path))
        return NotAFile(path);
    if (const int status = Open())
        return status;
    std::string why;
    if (m_host.WriteSettingsFile(path, CurrentSettings(m_driver), &why))
        return kDone;
    m_host.PrintError("marovexctl: " + why);
    return kBadInput;
}

// Every line of a settings file, checked.
int Command::ReadFile(const std::string& path, SettingsChange* change)
{
    if (IsDeviceName(path))
        return NotAFile(path);
    std::vector<std::string> lines;
    std::string why;
    if (!m_host.ReadSettingsFile(path, &lines, &why)) {
        m_host.PrintError("marovexctl: " + why);
        return kBadInput;
    }
    for (const std::string& line : lines) {
        if (!ReadAssignment(line, true, change, &why)) {
            m_host.PrintError("marovexctl: " + path + ": " + why);
            return kBadInput;
        }
    }
    return kDone;
}

int Command::Import(const std::string& path, bool yes)
{
    SettingsChange change;
    std::string why;
    if (const int status = ReadFile(path, &change))
        return status;
    if (const int status = Open())
        return status;
    if (!ClocksInRange(change, m_driver, &why)) {
        m_host.PrintError("marovexctl: " + path + ": " + why);
        return kBadInput;
    }
    // A clock the file does not name stays as it is.
    const int core = ClockOf(change, kCoreClock, m_driver.GetCoreClock());
    const int mem = ClockOf(change, kMemClock, m_driver.GetMemClock());
    const int status = TestClocks(core, mem, yes);
    if (!TestPassed(status))
        return status;
    Stage(change, m_driver);
    return Apply();
}

// A run's clocks: a pair that passed a test on this board before needs none.
int Command::ClocksForRun(const SettingsChange& wanted, bool yes)
{
    const int core = ClockOf(wanted, kCoreClock, m_driver.GetCoreClock());
    const int mem = ClockOf(wanted, kMemClock, m_driver.GetMemClock());
    const std::vector<driver::ClockPair> passed = m_driver.PassedClocks();
    const driver::ClockPair pair = {static_cast<std::uint16_t>(core), static_cast<std::uint16_t>(mem)};
    if (std::find(passed.begin(), passed.end(), pair) != passed.end()) {
        m_driver.AcceptClocks(core, mem);
        return kDone;
    }
    const int status = TestClocks(core, mem, yes);
    return TestPassed(status) ? kDone : status;
}

int Command::Run(const std::string& path, const std::string& program, std::size_t programWord, bool yes,
                 const std::string& until)
{
    SettingsChange change;
    if (const int status = ReadFile(path, &change))
        return status;
    if (change.count("startup"))
        return Usage(path + ": a run never changes startup");
    std::string where;
    if (!m_host.FindProgram(program, &where)) {
        m_host.PrintError("marovexctl: cannot find " + program);
        return kBadInput;
    }
    if (const int status = Open())
        return status;
    // One run at a time: claimed before the question, held until the run's
    // record is gone.
    const RunClaim claim(m_os);
    RunJournal journal;
    if (!claim.Held() || ReadRunJournal(m_driver, &journal) != RecordFound::kNone) {
        m_host.PrintError("marovexctl: the settings are held for another program while it runs.  Please try "
                          "again when it has ended.");
        return kBusy;
    }
    std::string why;
    if (!ClocksInRange(change, m_driver, &why)) {
        m_host.PrintError("marovexctl: " + path + ": " + why);
        return kBadInput;
    }
    SettingsChange wanted;
    for (const auto& [name, value] : change)
        if (CurrentValue(m_driver, name) != value)
            wanted[name] = value;
    if (wanted.count(kCoreClock) || wanted.count(kMemClock))
        if (const int status = ClocksForRun(wanted, yes))
            return status;

    // What to put back is recorded before anything is applied.
    // The driver's own values, and the clocks as a pair when either changes.
    journal.owner = m_os.MakeOwnerMark();
    journal.program = m_host.CommandTail(programWord);
    for (const auto& [name, value] : wanted)
        journal.settings[name] = {DriverValue(m_driver, name), value};
    if (wanted.count(kCoreClock) || wanted.count(kMemClock))
        for (const char* clock : {kCoreClock, kMemClock})
            journal.settings[clock] = {DriverValue(m_driver, clock), ClockOf(wanted, clock, DriverValue(m_driver, clock))};
    if (journal.owner.empty() || !WriteRunJournal(m_driver, journal)) {
        DeleteRunJournal(m_driver);
        m_host.PrintError("marovexctl: the run could not be recorded in the registry; nothing was changed");
        return kApplyFailed;
    }
    Stage(wanted, m_driver);
    m_driver.m_bLeaveStartupEntry = true;
    const int applied = Apply();
    m_driver.m_bLeaveStartupEntry = false;
    if (applied == kBusy) {  // nothing was applied
        DeleteRunJournal(m_driver);
        return kBusy;
    }
    if (applied != kDone && applied != kNotTaken)
        return EndRun(journal, applied);
    // A setting the driver did not take was not changed by the run: it has
    // nothing to put back, and is no change of the user's later.
    if (applied == kNotTaken && !m_driver.Open(kDisplayName))
        return EndRun(journal, applied);
    for (auto held = journal.settings.begin(); held != journal.settings.end();) {
        if (DriverValue(m_driver, held->first) == held->second.second) {
            ++held;
            continue;
        }
        m_host.PrintError("marovexctl: the driver did not take " + held->first + "; it is left as it was");
        ForgetSetting(m_driver, held->first);
        held = journal.settings.erase(held);
    }

    // A program that does not start ran nothing: its settings go back and
    // the run ends as for a program that cannot be found.
    int programStatus = 0;
    if (!m_host.RunProgram(where, journal.program, &programStatus, &why)) {
        m_host.PrintError("marovexctl: " + why);
        return EndRun(journal, kBadInput);
    }
    // A launcher that has started the game and ended: the game holds the
    // settings until it ends too.
    if (!until.empty() && !m_host.WaitWhileRunning(until))
        m_host.PrintError("marovexctl: this system lists no processes; the settings are put back without waiting "
                          "for " + until);
    return EndRun(journal, programStatus);
}

// Puts the run's settings back on a fresh session; the program's status
// stands unless something could not be put back.
int Command::EndRun(const RunJournal& journal, int programStatus)
{
    if (!m_driver.Open(kDisplayName)) {
        m_host.PrintError("marovexctl: warning: the settings could not be put back: " + m_driver.GetLastErrorText());
        return kNotRestored;
    }
    const PutBackReport report = PutBack(m_driver, journal);
    for (const std::string& line : report.Lines(journal.program))
        m_host.PrintError("marovexctl: " + line);
    return report.failed.empty() ? programStatus : kNotRestored;
}

// The highest clocks that pass, one standard test at a time; a search that
// stopped goes on unless again.  One run or search at a time, and the
// settings held from the first trial to the last.
int Command::Find(const FindWords& words)
{
    if (const int status = Open())
        return status;
    const RunClaim claim(m_os);
    RunJournal run;
    if (!claim.Held() || ReadRunJournal(m_driver, &run) != RecordFound::kNone) {
        m_host.PrintError("marovexctl: the settings are held for another program while it runs, or another search "
                          "runs.  Please try again when it has ended.");
        return kBusy;
    }
    SearchRecord record = NewSearch(m_driver, words.clock, words.both);
    SearchRecord stopped;
    if (FindSearchRecord(m_driver, m_host, &stopped) == RecordFound::kWhole && !words.again) {
        if (stopped.both != words.both || (!words.both && stopped.clock != words.clock)) {
            m_host.PrintError("marovexctl: a search stopped at " + DescribeSearch(stopped) + "; \""
                              + FindCommand(stopped) + "\" goes on with it, \"" + FindCommand(record)
                              + " --again\" starts this one");
            return kBadInput;
        }
        record = stopped;
        m_host.Print("The search stopped at " + DescribeSearch(record) + "; it goes on from there.");
    }
    const int trials = MostTrials(record, m_driver);
    const int seconds = trials * platform::UserPrompts::kTestSteps
                            * static_cast<int>(platform::UserPrompts::kTestStepMs) / 1000
                        + kConfirmRuns * words.confirmSeconds;
    const std::string what = record.both ? "the highest memory clock, then the highest core clock, that pass"
                             : record.clock == SearchedClock::kCore ? "the highest core clock that passes"
                                                                     : "the highest memory clock that passes";
    const std::string question = "Search for " + what + " on the video hardware? At most " + std::to_string(trials)
                                 + " trials of 4 seconds and " + std::to_string(kConfirmRuns)
                                 + " confirming runs of " + std::to_string(words.confirmSeconds)
                                 + " seconds: up to " + std::to_string((seconds + 59) / 60)
                                 + " minutes.  If the computer stops responding, restart it and run \""
                                 + FindCommand(record) + "\" again; the search goes on where it stopped.";
    if (!words.yes && !m_host.Ask(0, question.c_str(), platform::UserPrompts::kQuestion))
        return kDeclined;
    const SettingsLock lock(m_os);
    if (!lock.Held()) {
        m_host.PrintError(CDisplayDriver::kSettingsBusy);
        return kBusy;
    }
    record.owner = m_os.MakeOwnerMark();
    FindLines lines(m_host);
    m_host.quietProgress = true;
    m_host.CatchBreaks(true);
    const SearchResult result = record.owner.empty() ? SearchResult{SearchResult::kNotRecorded}
                                                     : RunSearch(m_driver, record, words.confirmSeconds, lines);
    m_host.CatchBreaks(false);
    m_host.quietProgress = false;
    return FindEnded(result, record, words.apply);
}

int Command::FindEnded(const SearchResult& result, const SearchRecord& record, bool apply)
{
    const std::string goOn = "; \"" + FindCommand(record) + "\" goes on where it stopped";
    switch (result.end) {
    case SearchResult::kFound: {
        m_host.Print("found: " + MHz(result.core) + " core and " + MHz(result.mem) + " memory");
        const driver::ClockPair ran = m_driver.TrialRan();
        if (ran.core != 0 && (ran.core != result.core || ran.mem != result.mem))
            m_host.Print("the board makes them " + MHz(ran.core) + " core and " + MHz(ran.mem) + " memory");
        if (apply)
            return Apply();
        m_host.Print("apply them with: marovexctl clocks " + std::to_string(result.core) + " "
                     + std::to_string(result.mem));
        return kDone;
    }
    case SearchResult::kStopped:
        m_host.PrintError("marovexctl: the search was stopped" + goOn);
        return kDeclined;
    case SearchResult::kUnconfirmed:
        m_host.PrintError("No clock speeds passed the confirming run; the search found none to keep.");
        return kTestFailed;
    case SearchResult::kNotRecorded:
        m_host.PrintError("marovexctl: the search could not be recorded in the registry; nothing more was tried");
        return kApplyFailed;
    case SearchResult::kNotRestored:
        m_host.PrintError(m_driver.GetRestoreErrorText() + "  The board may still run the tested clock speeds.");
        return kNotRestored;
    case SearchResult::kNoVerdict:
        break;
    }
    const int status = Failed(kTestFailed);
    m_host.PrintError("marovexctl: the search ended there" + goOn);
    return status;
}

// Splits off --yes where the command takes it; any other word that begins
// with "-" is an option only status (--ini) takes.
bool ReadWords(const std::vector<std::string>& args, bool takesYes, Words* words, std::string* why)
{
    const bool takesIni = args[0] == "status";
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (takesYes && args[i] == "--yes") {
            words->yes = true;
        } else if (!args[i].empty() && args[i][0] == '-' && !(takesIni && args[i] == "--ini")) {
            *why = "unknown option \"" + args[i] + "\"";
            return false;
        } else {
            words->arguments.push_back(args[i]);
        }
    }
    return true;
}

}  // namespace

int RunCommand(platform::Platform& os, Host& host, const std::vector<std::string>& args)
{
    Command command(os, host);
    if (args.empty())
        return command.Usage("no command");
    const std::string& name = args[0];
    if (name == "--help" || name == "-h" || name == "/?") {
        host.Print(kUsage);
        return kDone;
    }
    if (name == "--version") {
        host.Print("marovexctl " MAROVEX_VERSION);
        return kDone;
    }

    // run [--until NAME] [--yes] FILE PROGRAM [ARGUMENTS...], the options in
    // either order: the words after PROGRAM are its own.
    if (name == "run") {
        std::size_t at = 1;
        bool yes = false;
        std::string until;
        for (; at != args.size(); ++at) {  // never past the end: --until's word is checked
            if (args[at] == "--yes") {
                yes = true;
            } else if (args[at] == "--until") {
                if (++at == args.size() || args[at].empty() || args[at][0] == '-')
                    return command.Usage("--until needs the NAME.EXE of the program to wait for");
                until = args[at];
            } else {
                break;
            }
        }
        if (args.size() < at + 2)
            return command.Usage("run needs a FILE and a PROGRAM");
        if (args[at].empty() || args[at][0] == '-')
            return command.Usage("\"" + args[at] + "\" is no settings FILE");
        return command.Run(args[at], args[at + 1], at + 2, yes, until);
    }

    if (name == "find") {
        FindWords find;
        bool named = false;
        for (std::size_t at = 1; at != args.size(); ++at) {
            const std::string& word = args[at];
            if (word == "--yes") {
                find.yes = true;
            } else if (word == "--apply") {
                find.apply = true;
            } else if (word == "--again") {
                find.again = true;
            } else if (word == "--confirm") {
                int seconds = 0;
                if (++at == args.size() || !ReadMHz(args[at], &seconds) || seconds < 1 || seconds > 3600)
                    return command.Usage("--confirm needs SECONDS from 1 to 3600");
                find.confirmSeconds = seconds;
            } else if (!named && (word == "core" || word == "memory")) {
                named = true;
                find.both = false;
                find.clock = word == "core" ? SearchedClock::kCore : SearchedClock::kMemory;
            } else {
                return command.Usage(word[0] == '-' ? "unknown option \"" + word + "\"" : "unexpected \"" + word + "\"");
            }
        }
        return command.Find(find);
    }

    const bool takesYes = name == "clocks" || name == "test" || name == "import";
    Words words;
    std::string why;
    if (!ReadWords(args, takesYes, &words, &why))
        return command.Usage(why);
    const std::vector<std::string>& a = words.arguments;
    // True when the command has exactly n arguments; else why says so.
    auto count = [&](std::size_t n, const char* what) {
        if (a.size() < n)
            why = name + " needs " + what;
        else if (a.size() > n)
            why = "unexpected \"" + a[n] + "\"";
        return a.size() == n;
    };

    if (name == "status") {
        if (a.size() > 1 || (a.size() == 1 && a[0] != "--ini"))
            return command.Usage("unexpected \"" + a.back() + "\"");
        return command.Status(a.size() == 1);
    }
    if (name == "set") {
        if (a.empty())
            return command.Usage("set needs NAME=VALUE pairs");
        SettingsChange change;
        for (const std::string& pair : a)
            if (!ReadAssignment(pair, false, &change, &why))
                return command.Usage(why);
        return command.Set(change);
    }
    if (name == "clocks" || name == "test") {
        if (!count(2, "CORE and MEM in MHz"))
            return command.Usage(why);
        SettingsChange change;
        if (!ReadMHz(a[0], &change[kCoreClock]))
            return command.Usage("\"" + a[0] + "\" is not a core clock in MHz");
        if (!ReadMHz(a[1], &change[kMemClock]))
            return command.Usage("\"" + a[1] + "\" is not a memory clock in MHz");
        return command.Clocks(change, words.yes, name == "clocks");
    }
    if (name == "reset")
        return count(0, "") ? command.Reset() : command.Usage(why);
    if ((name == "export" || name == "import") && count(1, "a FILE") && a[0].empty())
        return command.Usage(name + " needs a FILE, not an empty name");
    if (name == "export")
        return count(1, "a FILE") ? command.Export(a[0]) : command.Usage(why);
    if (name == "import")
        return count(1, "a FILE") ? command.Import(a[0], words.yes) : command.Usage(why);
    return command.Usage("unknown command \"" + name + "\"");
}

}  // namespace console
