// The clock promise against every sequence of actions: a seeded random walk
// drives the window's and the console's clock steps (a search for the
// highest clocks among them), boards that step or ignore clocks, restores
// the board refuses and processes killed at any request, and after every
// step checks what the board runs, the ledgers and the log-on record against
// a small reference model of what may be on the board.  A failing sequence
// is shrunk and printed shortest first.
#include <doctest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "console/commands.h"
#include "settings/program_run.h"
#include "driver/display_driver.h"
#include "driver/registry_layout.h"
#include "emulator/emulated_adapter.h"
#include "fake_console.h"
#include "fake_system.h"
#include "platform/nv_protocol.h"

namespace {

struct Killed {};

using Pair = std::pair<int, int>;

enum class Kind {
    kMove,           // the window's sliders to a pair
    kTest,           // the window's Test
    kOK,             // the window's OK
    kReset,          // the window's Reset
    kReload,         // About and Main, or Cancel and Open from the tray
    kStartup,        // the window's Apply at startup, clicked
    kCtlClocks,      // marovexctl clocks CORE MEM --yes
    kCtlTest,        // marovexctl test CORE MEM --yes
    kCtlReset,       // marovexctl reset
    kCtlSet,         // marovexctl set gl-vsync=off
    kCtlRun,         // marovexctl run --yes game.ini GAME.EXE: the pair and vertical sync off while it runs
    kIgnoreClocks,   // the board takes clock requests and changes nothing, or again takes them
    kCtlFind,        // marovexctl find [core|memory] --yes --apply --confirm 1, by the pair's core clock
};

struct Action {
    Kind kind;
    Pair pair;
    int killAt = 0;              // the process dies at its Nth request (0: lives)
    bool refuseRestore = false;  // the board refuses the clocks before a test back
    bool killedInGame = false;   // a run's marovexctl dies while its game runs
};

std::string Describe(const Action& a)
{
    static const char* const names[] = {"move sliders", "Test", "OK", "Reset", "reload page", "Apply at startup",
                                        "marovexctl clocks", "marovexctl test", "marovexctl reset",
                                        "marovexctl set gl-vsync=off", "marovexctl run", "board ignores clocks (toggle)",
                                        "marovexctl find"};
    std::string text = names[static_cast<int>(a.kind)];
    if (a.kind == Kind::kMove || a.kind == Kind::kCtlClocks || a.kind == Kind::kCtlTest || a.kind == Kind::kCtlRun)
        text += " " + std::to_string(a.pair.first) + "/" + std::to_string(a.pair.second);
    if (a.kind == Kind::kCtlFind)
        text += a.pair.first % 3 == 0 ? " core" : a.pair.first % 3 == 1 ? " memory" : "";
    if (a.refuseRestore)
        text += ", restore refused";
    if (a.killAt)
        text += ", killed at request " + std::to_string(a.killAt);
    if (a.killedInGame)
        text += ", killed while the game runs";
    return text;
}

constexpr std::uint32_t kStableCore = 235, kStableMem = 195;

// One walk: the machine (registry and board), the window's process, and the
// reference model's view of which pairs may be on the board.
class Walk {
public:
    explicit Walk(std::uint32_t stepHz) : m_stepHz(stepHz)
    {
        m_system.PutKey(layout::kRunKey);
        m_system.PutKey(layout::kGlobalSystemKey);
        emulator::AdapterState state;
        state.clockStepHz = stepHz;
        state.stableCoreMHz = kStableCore;
        state.stableMemMHz = kStableMem;
        emulator::EmulatedAdapter(m_system).Reset(state);
        StartWindow();
        m_allowed.insert(Made({m_window->driver.GetDefaultCoreClock(), m_window->driver.GetDefaultMemClock()}));
        m_allowed.insert(Board());
    }

    // Carries out one action; false with why when the promise was broken.
    bool Step(const Action& a, std::string* why)
    {
        m_okRefusedBaseline = m_okAcceptedForbidden = false;
        try {
            Do(a);
        } catch (const Killed&) {
            EndKilled();
        }
        m_system.failRegistryWhen = nullptr;
        return Check(why);
    }

private:
    struct Process {
        explicit Process(fake::FakeSystem& system, platform::UserPrompts& user)
            : adapter(system), driver(adapter, user, 0)
        {
        }
        emulator::EmulatedAdapter adapter;
        CDisplayDriver driver;
        Pair sliders;
    };

    // A clock as the board makes it, in hertz.
    std::uint32_t MadeHz(int mhz) const
    {
        const std::uint32_t hz = driver::MHzToHz(mhz);
        return m_stepHz ? hz - hz % m_stepHz : hz;
    }
    Pair Made(Pair p) const { return {driver::HzToMHz(MadeHz(p.first)), driver::HzToMHz(MadeHz(p.second))}; }
    Pair Board() const
    {
        const std::string key = emulator::kStateKey;
        auto onStep = [&](std::uint32_t hz) { return m_stepHz ? hz - hz % m_stepHz : hz; };
        return {driver::HzToMHz(onStep(m_system.Dword(key, "CoreClockHz"))),
                driver::HzToMHz(onStep(m_system.Dword(key, "MemClockHz")))};
    }
    bool Stable(Pair p) const
    {
        return MadeHz(p.first) <= kStableCore * 1000000u && MadeHz(p.second) <= kStableMem * 1000000u;
    }
    bool Allowed(Pair p) const { return m_allowed.count(Made(p)) != 0; }

    // The window's first session puts back a run whose marovexctl was ended.
    void StartWindow()
    {
        m_window.reset();
        m_window = std::make_unique<Process>(m_system, m_system);
        Reload(true);
    }
    void Reload(bool first = false)
    {
        CDisplayDriver& d = m_window->driver;
        m_opened = first ? settings::OpenPuttingBackRun(m_system, d, m_system, "\\\\.\\Display1")
                         : d.Open("\\\\.\\Display1");
        m_window->sliders = {d.GetCoreClock(), d.GetMemClock()};
        m_startup = d.GetApplyAtStartup();
    }

    // The process dies at its Nth board request or registry write; with a
    // restore refused, the board refuses every clock request from the
    // trial's progress on.
    void Arm(emulator::EmulatedAdapter& adapter, const Action& a)
    {
        auto count = std::make_shared<int>(0);
        auto refusing = std::make_shared<bool>(false);
        m_refusing = a.refuseRestore ? refusing : nullptr;
        const int killAt = a.killAt;
        adapter.FailWhen([count, refusing, killAt](const emulator::Request& r) -> bool {
            if (killAt && ++*count == killAt)
                throw Killed();
            return *refusing && r.code == nv::kFnRmConfigSet
                   && (r.item == nv::kItemCoreClock || r.item == nv::kItemMemClock);
        });
        if (killAt)
            m_system.failRegistryWhen = [count, killAt](const fake::RegCall& call) -> bool {
                // The board's own state is the hardware's, not a write of the program.
                const bool write = call.op == fake::RegCall::kSet || call.op == fake::RegCall::kDelete;
                if (write && call.key.find("Emulated Adapter") == std::string::npos && ++*count == killAt)
                    throw Killed();
                return false;
            };
    }
    void Disarm(emulator::EmulatedAdapter& adapter)
    {
        adapter.FailWhen(nullptr);
        m_system.failRegistryWhen = nullptr;
    }

    // During a test's progress: the board runs the trial as it makes it.
    void WatchTrial(int core, int mem)
    {
        m_trialSeen = Board() == Made({core, mem});
        m_trial = {core, mem};
        if (m_refusing)
            *m_refusing = true;
    }
    void EndTest()
    {
        if (m_trialSeen && Stable(m_trial))
            m_passed.insert(m_trial), m_allowed.insert(Made(m_trial));
        m_trialSeen = false;
        m_refusing.reset();
    }

    void Do(const Action& a)
    {
        CDisplayDriver& d = m_window->driver;
        switch (a.kind) {
        case Kind::kMove:  // within the sliders' range
            m_window->sliders = {std::clamp<int>(a.pair.first, d.GetMinCoreClock(), d.GetMaxCoreClock()),
                                 std::clamp<int>(a.pair.second, d.GetMinMemClock(), d.GetMaxMemClock())};
            break;
        case Kind::kReset: m_window->sliders = {d.GetDefaultCoreClock(), d.GetDefaultMemClock()}; break;
        case Kind::kReload: Reload(); break;
        case Kind::kStartup:
            m_startup = !m_startup;
            d.SetNewApplyAtStartup(m_startup);
            break;
        case Kind::kTest: {
            if (!m_opened || m_window->sliders == Pair(d.GetCoreClock(), d.GetMemClock()))
                break;
            Arm(m_window->adapter, a);
            m_system.duringClockTest = [this](const platform::ClockTestRun& run) { WatchTrial(run.coreMHz, run.memMHz); };
            d.SetNewCoreClock(m_window->sliders.first);
            d.SetNewMemClock(m_window->sliders.second);
            d.TestClockSpeeds();
            Disarm(m_window->adapter);
            EndTest();
            break;
        }
        case Kind::kOK: {
            if (!m_opened)
                break;
            Arm(m_window->adapter, a);
            d.SetNewCoreClock(m_window->sliders.first);
            d.SetNewMemClock(m_window->sliders.second);
            const bool accepted = d.ClocksMayBeApplied(m_window->sliders.first, m_window->sliders.second);
            m_okRefusedBaseline = !accepted && m_window->sliders == Pair(d.GetDefaultCoreClock(), d.GetDefaultMemClock());
            m_okAcceptedForbidden = accepted && !Allowed(m_window->sliders);
            if (accepted)
                settings::ApplySettings(d);
            Disarm(m_window->adapter);
            break;
        }
        case Kind::kIgnoreClocks:
            m_system.PutDword(emulator::kStateKey, "IgnoreClockSets", m_system.Dword(emulator::kStateKey, "IgnoreClockSets") ^ 1);
            break;
        default: Console(a); break;
        }
    }

    void Console(const Action& a)
    {
        fake::FakeConsole console;
        emulator::EmulatedAdapter adapter(m_system);
        std::vector<std::string> args;
        const std::string core = std::to_string(a.pair.first), mem = std::to_string(a.pair.second);
        switch (a.kind) {
        case Kind::kCtlClocks: args = {"clocks", core, mem, "--yes"}; break;
        case Kind::kCtlTest: args = {"test", core, mem, "--yes"}; break;
        case Kind::kCtlReset: args = {"reset"}; break;
        case Kind::kCtlRun: args = {"run", "--yes", "game.ini", "GAME.EXE"}; break;
        case Kind::kCtlFind:
            args = {"find", "--yes", "--apply", "--confirm", "1"};
            if (a.pair.first % 3 != 2)
                args.push_back(a.pair.first % 3 == 0 ? "core" : "memory");
            break;
        default: args = {"set", "gl-vsync=off"}; break;
        }
        console.files["game.ini"] = "[Marovex]\ncore-clock=" + core + "\nmemory-clock=" + mem + "\nd3d-vsync=off\n";
        console.programs = {"GAME.EXE"};
        console.program = [&a, this] {
            EndTest();  // any test of the run ended before its game
            if (a.killedInGame)
                throw Killed();
            return 0;
        };
        console.duringTest = [&] {
            EndTest();  // a search's trial before this one
            WatchTrial(console.testRuns.back().coreMHz, console.testRuns.back().memMHz);
        };
        Arm(adapter, a);
        m_consoleRunning = true;
        console::RunCommand(adapter, console, args);
        m_consoleRunning = false;
        Disarm(adapter);
        EndTest();
    }

    // A killed process holds nothing; a killed window is started again.
    void EndKilled()
    {
        m_system.failRegistryWhen = nullptr;
        m_system.settingsLocks = 0;
        m_trialSeen = false;
        m_refusing.reset();
        if (m_consoleRunning) {
            m_consoleRunning = false;
            m_system.ownerMarks.clear();  // the window makes none
            m_system.runClaims = 0;
            return;
        }
        StartWindow();
    }

    std::string PairText(Pair p) const { return std::to_string(p.first) + "/" + std::to_string(p.second); }

    bool Check(std::string* why)
    {
        const Pair board = Board();
        const std::string journal = layout::kClockJournalKey;
        const bool journalStands = m_system.FindValue(journal, "OldCore") && m_system.FindValue(journal, "OldMem")
                                   && m_system.FindValue(journal, "TrialCore") && m_system.FindValue(journal, "TrialMem");
        const Pair old = {int(m_system.Dword(journal, "OldCore")), int(m_system.Dword(journal, "OldMem"))};
        const Pair trial = {int(m_system.Dword(journal, "TrialCore")), int(m_system.Dword(journal, "TrialMem"))};
        // Each clock at the one before the test or on trial: the next start
        // puts the pair before it back.
        const Pair madeOld = Made(old), madeTrial = Made(trial);
        const bool journalCovers = journalStands && Allowed(old)
                                   && (board.first == madeOld.first || board.first == madeTrial.first)
                                   && (board.second == madeOld.second || board.second == madeTrial.second);
        if (!Allowed(board) && !journalCovers) {
            *why = "the board runs " + PairText(board) + ", which never passed a test, and no journal puts an allowed pair back";
            return false;
        }
        if (journalStands && m_system.Dword(journal, "TestPassed") == 1 && !m_passed.count(trial)) {
            *why = "the journal of a trial of " + PairText(trial) + " says it passed, but it never ran a whole trial";
            return false;
        }
        CDisplayDriver& d = m_window->driver;
        for (const driver::ClockPair& p : d.PassedClocks()) {
            if (!m_passed.count({p.core, p.mem})) {
                *why = "\"Passed Clocks\" lists " + PairText({p.core, p.mem}) + ", which the board never ran for a whole trial";
                return false;
            }
        }
        const std::string hardware = std::string(kAdapterKey) + "\\NVTweak\\Hardware";
        if (m_system.FindValue(layout::kRunKey, layout::kStartupValue) && m_system.FindValue(hardware, "Krusty")) {
            std::uint16_t core = 0, mem = 0;
            driver::UnscrambleClocks(m_system.Dword(hardware, "Krusty"), 0x0110, m_system.Dword(hardware, "Homer"),
                                     &core, &mem);
            if (!Allowed({core, mem})) {
                *why = "the log-on record holds " + PairText({core, mem}) + ", which never passed a test";
                return false;
            }
        }
        if (m_okAcceptedForbidden) {
            *why = "OK took " + PairText(m_window->sliders) + ", which never passed a test";
            return false;
        }
        if (m_okRefusedBaseline) {
            *why = "OK refused the board's own baseline clocks";
            return false;
        }
        return true;
    }

    static constexpr const char* kAdapterKey = "SYSTEM\\CurrentControlSet\\Services\\nv4\\Device0";

    std::uint32_t m_stepHz;
    fake::FakeSystem m_system;
    std::unique_ptr<Process> m_window;
    bool m_opened = false, m_startup = false, m_consoleRunning = false;
    bool m_okRefusedBaseline = false, m_okAcceptedForbidden = false;
    bool m_trialSeen = false;
    Pair m_trial;
    std::shared_ptr<bool> m_refusing;
    std::set<Pair> m_allowed;  // as the board makes them
    std::set<Pair> m_passed;   // as asked for
};

// The first violation of a sequence, or "" when the promise held throughout.
std::string Violation(std::uint32_t stepHz, const std::vector<Action>& actions, std::size_t* at = nullptr)
{
    Walk walk(stepHz);
    std::string why;
    for (std::size_t i = 0; i < actions.size(); ++i) {
        if (!walk.Step(actions[i], &why)) {
            if (at)
                *at = i;
            return why;
        }
    }
    return std::string();
}

// Drops actions while the sequence still fails, until none can go.
std::vector<Action> Shrink(std::uint32_t stepHz, std::vector<Action> actions)
{
    std::size_t at = 0;
    Violation(stepHz, actions, &at);
    actions.resize(at + 1);
    for (bool shorter = true; shorter;) {
        shorter = false;
        for (std::size_t i = 0; i < actions.size(); ++i) {
            std::vector<Action> fewer = actions;
            fewer.erase(fewer.begin() + static_cast<long>(i));
            if (!Violation(stepHz, fewer).empty()) {
                actions = fewer;
                shorter = true;
                break;
            }
        }
    }
    return actions;
}

Action RandomAction(std::mt19937& random)
{
    auto pick = [&](std::initializer_list<int> values) {
        return *(values.begin() + std::uniform_int_distribution<int>(0, int(values.size()) - 1)(random));
    };
    Action a{static_cast<Kind>(std::uniform_int_distribution<int>(0, 12)(random)), {}};
    a.pair = {pick({180, 200, 211, 220, 235, 236, 245, 250}), pick({145, 166, 170, 180, 195, 196, 210})};
    if (a.kind == Kind::kTest || a.kind == Kind::kCtlClocks || a.kind == Kind::kCtlTest || a.kind == Kind::kCtlFind)
        a.refuseRestore = std::uniform_int_distribution<int>(0, 3)(random) == 0;
    if (a.kind != Kind::kMove && a.kind != Kind::kReset && a.kind != Kind::kStartup
        && a.kind != Kind::kIgnoreClocks && std::uniform_int_distribution<int>(0, 4)(random) == 0)
        a.killAt = std::uniform_int_distribution<int>(1, 30)(random);
    a.killedInGame = a.kind == Kind::kCtlRun && std::uniform_int_distribution<int>(0, 2)(random) == 0;
    return a;
}

}  // namespace

TEST_CASE("the board runs only clocks that passed a test, whatever the sequence of actions")
{
    std::mt19937 random(20261210);
    const int walks = 3000;
    for (int n = 0; n < walks; ++n) {
        const std::uint32_t stepHz = std::uniform_int_distribution<int>(0, 2)(random) == 0 ? 7000000u : 0u;
        std::vector<Action> actions;
        const int length = std::uniform_int_distribution<int>(1, 14)(random);
        for (int i = 0; i < length; ++i)
            actions.push_back(RandomAction(random));
        if (Violation(stepHz, actions).empty())
            continue;
        const std::vector<Action> shortest = Shrink(stepHz, actions);
        std::string text = "walk " + std::to_string(n) + (stepHz ? ", a board with a 7 MHz clock step" : "") + ":\n";
        for (std::size_t i = 0; i < shortest.size(); ++i)
            text += "  " + std::to_string(i + 1) + ". " + Describe(shortest[i]) + "\n";
        text += "  then: " + Violation(stepHz, shortest);
        FAIL(text);
    }
}
