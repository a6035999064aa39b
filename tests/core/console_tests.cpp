// The console program's commands on the emulated adapter: what they print,
// their exit status, and what they leave in the registry and on the board.
#include <doctest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "console/command_line.h"
#include "console/commands.h"
#include "settings/program_run.h"
#include "driver/display_driver.h"
#include "driver/read_back.h"
#include "driver/registry_layout.h"
#include "emulator/emulated_adapter.h"
#include "fake_console.h"
#include "console_rig.h"
#include "fake_system.h"
#include "rig.h"

using namespace console;
using namespace settings;

namespace {

constexpr const char* kNtKey = "SYSTEM\\CurrentControlSet\\Services\\nv4\\Device0";
const std::string kHardware = std::string(kNtKey) + "\\NVTweak\\Hardware";
const std::string kQuestion =
    "Test 220 MHz core and 166 MHz memory on the video hardware? If the computer stops responding, restart it; "
    "the clocks before the test will be restored.";

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

std::string Lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace

TEST_CASE("status names the adapter, every setting, the clocks and their range; --ini is the file")
{
    ConsoleRig rig;
    CHECK(rig.Run({"--help"}) == kDone);
    CHECK(rig.console.out.rfind("usage: marovexctl COMMAND", 0) == 0);
    rig.Clear();
    CHECK(rig.Status()
          == "adapter: device 0x0110, SYSTEM\\CurrentControlSet\\Services\\nv4\\Device0\n"
             "d3d-vsync: on\nd3d-fsaa: 4x\ngl-vsync: on\ngl-fsaa: off\noverlay: standard\nstartup: off\n"
             "core-clock: 200 MHz\nmemory-clock: 166 MHz\n"
             "baseline-clocks: 200 MHz core, 166 MHz memory\n"
             "core-clock-range: 175-250 MHz\nmemory-clock-range: 145-210 MHz\nfailed-clocks: none\n"
             "passed-clocks: none\n");
    CHECK(rig.Ini()
          == "[Marovex]\nd3d-vsync=on\nd3d-fsaa=4x\ngl-vsync=on\ngl-fsaa=off\noverlay=standard\nstartup=off\n"
             "core-clock=200\nmemory-clock=166\n");
    CHECK(rig.console.err.empty());
}

TEST_CASE("set changes what it names and nothing else")
{
    ConsoleRig rig;
    CHECK(rig.Run({"set", "d3d-vsync=off", "gl-fsaa=2x-lod", "overlay=activated"}) == kDone);
    CHECK(rig.Ini()
          == "[Marovex]\nd3d-vsync=off\nd3d-fsaa=4x\ngl-vsync=on\ngl-fsaa=2x-lod\noverlay=activated\nstartup=off\n"
             "core-clock=200\nmemory-clock=166\n");

    SUBCASE("startup=on writes the log-on entry and record the window writes")
    {
        CHECK(rig.Run({"set", "startup=on"}) == kDone);
        const char* const run = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
        const fake::RegValue* entry = rig.system.FindValue(run, "NvInitialize");
        REQUIRE(entry);
        CHECK(std::string(reinterpret_cast<const char*>(entry->data.data())) == "RUNDLL32.EXE NVQTWK.DLL,NvXTInit");
        CHECK(rig.system.Dword(kHardware, "Marge") == 1);
        std::uint16_t core = 0, mem = 0;
        driver::UnscrambleClocks(rig.system.Dword(kHardware, "Krusty"), 0x0110, rig.system.Dword(kHardware, "Homer"), &core, &mem);
        CHECK(core == 200);
        CHECK(mem == 166);
        CHECK(rig.Run({"set", "startup=off"}) == kDone);
        CHECK_FALSE(rig.system.FindValue(run, "NvInitialize"));
    }
}

TEST_CASE("bad words and files are refused with status 1, the bad word named, nothing written")
{
    ConsoleRig rig;
    rig.console.files["unknown.ini"] = "[Marovex]\nd3d-vsync=on\ncolour=blue\n";
    rig.console.files["malformed.ini"] = "[Marovex]\nd3d-vsync\n";
    rig.console.files["fast.ini"] = "[Marovex]\r\ncore-clock=300\r\n";
    rig.console.files["words.ini"] = "[Marovex]\nmemory-clock=fast\n";
    // Lines the profile functions would never show: all is refused.
    rig.console.files["before.ini"] = "d3d-vsync=off\n[Marovex]\ngl-vsync=off\n";
    rig.console.files["zero.ini"] = std::string("[Marovex]\nd3d-vsync=off\0\ngl-vsync=off\n", 37);
    rig.console.files["two.ini"] = "[Marovex]\nd3d-vsync=off\n[Other]\ngl-vsync=off\n";
    rig.console.files["none.ini"] = "; nothing\n";
    const struct {
        std::vector<std::string> words;
        const char* named;
    } cases[] = {
        {{}, "no command"},
        {{"frob"}, "\"frob\""},
        {{"set"}, "NAME=VALUE"},
        {{"set", "d3d-vsync=on", "foo=1"}, "\"foo\""},
        {{"set", "d3d-vsync=maybe"}, "\"maybe\" is not a value of d3d-vsync (on|off)"},
        {{"set", "gl-fsaa"}, "\"gl-fsaa\""},
        {{"set", "core-clock=200"}, "\"core-clock\""},
        {{"set", "d3d-vsync=on", "d3d-vsync=off"}, "twice"},
        {{"set", "d3d-vsync=off", "--yes"}, "\"--yes\""},
        {{"clocks", "abc", "166"}, "\"abc\""},
        {{"clocks", "211"}, "CORE and MEM"},
        {{"clocks", "211", "-5", "--yes"}, "\"-5\""},
        {{"clocks", "211", "166", "7"}, "\"7\""},
        {{"clocks", "300", "166", "--yes"}, "core-clock 300 MHz is outside 175-250 MHz"},
        {{"test", "211", "140", "--yes"}, "memory-clock 140 MHz is outside 145-210 MHz"},
        {{"test", "99999999", "166"}, "\"99999999\""},
        {{"status", "now"}, "\"now\""},
        {{"reset", "now"}, "\"now\""},
        {{"export"}, "FILE"},
        {{"import", "missing.ini"}, "missing.ini"},
        {{"import", "unknown.ini", "--yes"}, "\"colour\""},
        {{"import", "malformed.ini"}, "\"d3d-vsync\" is not NAME=VALUE"},
        {{"import", "fast.ini", "--yes"}, "core-clock 300 MHz"},
        {{"import", "words.ini", "--yes"}, "\"fast\" is not a clock in MHz for memory-clock"},
        {{"import", "before.ini", "--yes"}, "before.ini: line 1 comes before [Marovex]"},
        {{"import", "zero.ini", "--yes"}, "zero.ini: line 2 holds a NUL byte"},
        {{"import", "two.ini", "--yes"}, "two.ini: line 3: a settings file holds one section"},
        {{"import", "none.ini", "--yes"}, "holds one section, [Marovex]"},
        {{"export", ""}, "empty name"},
        {{"export", "AUX"}, "AUX names a device, not a settings file"},
        {{"export", "C:\\out\\lpt1.ini"}, "names a device"},
        {{"import", "nul.ini", "--yes"}, "nul.ini names a device"},
        {{"import", ""}, "empty name"},
        {{"export", "--ini"}, "unknown option \"--ini\""},
        {{"export", "saved.ini", "-f"}, "unknown option \"-f\""},
        {{"set", "--ini"}, "unknown option \"--ini\""},
        {{"run", "", "RACER.EXE"}, "\"\" is no settings FILE"},
        {{"run", "--yes"}, "run needs a FILE and a PROGRAM"},
    };
    const auto before = rig.system.Values();
    for (const auto& c : cases) {
        const std::string named = c.named;
        CAPTURE(named);
        rig.Clear();
        CHECK(rig.Run(c.words) == kBadInput);
        CHECK(Has(rig.console.err, c.named));
        CHECK(std::count(rig.console.err.begin(), rig.console.err.end(), '\n') == 1);
        CHECK(rig.console.questions.empty());
        CHECK(rig.console.testRuns.empty());
    }
    CHECK(rig.system.Values() == before);
    CHECK(rig.console.files.count("--ini") == 0);
    CHECK(rig.console.files.count("") == 0);
}

TEST_CASE("clocks are tested on the board before they are applied")
{
    ConsoleRig rig;
    CHECK(rig.Run({"clocks", "211", "166", "--yes"}) == kDone);
    CHECK(rig.console.testRuns.size() == 1);
    CHECK(rig.console.out == "passed\n");
    CHECK(rig.CoreMHz() == 211);

    SUBCASE("beyond the board's limit the test fails, the old clocks are back, nothing is applied")
    {
        CHECK(rig.Run({"clocks", "240", "166", "--yes"}) == kTestFailed);
        CHECK(rig.console.err == "The new clock speeds failed testing.\n");
        CHECK(rig.CoreMHz() == 211);
        CHECK(Has(rig.Ini(), "core-clock=211"));
    }
    SUBCASE("answered No, nothing is tested or changed")
    {
        const auto before = rig.system.Values();
        rig.console.answers = {false};
        CHECK(rig.Run({"clocks", "220", "166"}) == kDeclined);
        CHECK(rig.console.questions == std::vector<std::string>{kQuestion});
        CHECK(rig.console.testRuns.size() == 1);
        CHECK(rig.system.Values() == before);
    }
    SUBCASE("test alone applies nothing; the same clocks need no test")
    {
        rig.console.answers = {true};
        CHECK(rig.Run({"test", "220", "166"}) == kDone);
        CHECK(rig.console.testRuns.size() == 2);
        CHECK(rig.CoreMHz() == 211);
        CHECK(rig.Run({"clocks", "211", "166"}) == kDone);
        CHECK(rig.console.testRuns.size() == 2);
    }
    SUBCASE("reset applies the baseline without a test")
    {
        CHECK(rig.Run({"reset"}) == kDone);
        CHECK(rig.CoreMHz() == 200);
        CHECK(rig.console.testRuns.size() == 1);
    }
    SUBCASE("a memory clock alone is tested and applied")
    {
        CHECK(rig.Run({"clocks", "211", "180", "--yes"}) == kDone);
        CHECK(rig.adapter.State().memClockHz == 180000000);
        CHECK(rig.CoreMHz() == 211);
        CHECK(Has(rig.Status(), "\npassed-clocks: 211/166 MHz, 211/180 MHz\n"));
        CHECK(rig.Run({"reset"}) == kDone);  // both clocks back to the baseline
        CHECK(rig.adapter.State().memClockHz == 166000000);
        CHECK(rig.CoreMHz() == 200);
    }
    SUBCASE("a board that does not take the clocks tested nothing: no failure is told")
    {
        emulator::AdapterState board = rig.adapter.State();
        board.ignoreClockSets = 1;
        rig.adapter.Reset(board);
        rig.Clear();
        CHECK(rig.Run({"clocks", "220", "166", "--yes"}) == kTestFailed);
        CHECK(rig.console.err == std::string(CDisplayDriver::kNothingTested) + "\n");
        CHECK_FALSE(Has(rig.Status(), "220/166"));
    }
}

TEST_CASE("an exported file, imported, restores every setting; its new clocks are tested first")
{
    ConsoleRig rig;
    const std::string original = rig.Ini();
    CHECK(rig.Run({"export", "saved.ini"}) == kDone);
    CHECK(rig.Run({"set", "d3d-vsync=off", "d3d-fsaa=9x", "gl-vsync=off", "gl-fsaa=1.5x", "overlay=activated",
                   "startup=on"})
          == kDone);
    CHECK(rig.Run({"clocks", "215", "170", "--yes"}) == kDone);
    const std::string changed = rig.Ini();

    rig.console.answers = {false};
    CHECK(rig.Run({"import", "saved.ini"}) == kDeclined);
    CHECK(rig.Ini() == changed);

    CHECK(rig.Run({"import", "saved.ini", "--yes"}) == kDone);
    CHECK(rig.Ini() == original);
    CHECK(rig.console.testRuns.size() == 2);
    CHECK(rig.CoreMHz() == 200);

    SUBCASE("a file without clocks leaves them as they are")
    {
        rig.console.files["vsync.ini"] = "; made by hand\n\n[marovex]\n  d3d-vsync = off \n";
        CHECK(rig.Run({"import", "vsync.ini"}) == kDone);
        CHECK(rig.console.testRuns.size() == 2);
        CHECK(Has(rig.Ini(), "d3d-vsync=off"));
    }
}

TEST_CASE("while another program changes the settings nothing is changed here, and its test is left alone")
{
    ConsoleRig rig;
    rig.system.lockedElsewhere = true;
    // The other program's test is running: its journal is written and its
    // trial clocks are on the board.
    rig.system.PutDword(layout::kClockJournalKey, "OldCore", 200);
    rig.system.PutDword(layout::kClockJournalKey, "OldMem", 166);
    rig.system.PutDword(layout::kClockJournalKey, "TrialCore", 230);
    rig.system.PutDword(layout::kClockJournalKey, "TrialMem", 166);
    emulator::AdapterState board = rig.adapter.State();
    board.coreClockHz = 230000000;
    REQUIRE(emulator::SaveState(rig.system, board));
    emulator::EmulatedAdapter adapter(rig.system);
    fake::FakeConsole console;
    console.files["saved.ini"] = "[Marovex]\nd3d-vsync=off\ncore-clock=211\n";
    const auto before = rig.system.Values();

    CHECK(RunCommand(adapter, console, {"status"}) == kDone);
    CHECK(Has(console.out, "core-clock: 200 MHz"));
    for (std::vector<std::string> words : {std::vector<std::string>{"set", "d3d-vsync=off"},
                                           {"clocks", "211", "166", "--yes"}, {"import", "saved.ini", "--yes"}}) {
        console.err.clear();
        CHECK(RunCommand(adapter, console, words) == kBusy);
        CHECK(console.err == std::string(CDisplayDriver::kSettingsBusy) + "\n");
    }
    CHECK(rig.system.Values() == before);
    CHECK(adapter.State().coreClockHz == 230000000);
}

TEST_CASE("without a display driver the session cannot be opened")
{
    fake::FakeSystem system;
    fake::FakeConsole console;
    CHECK(RunCommand(system, console, {"status"}) == kNoSession);
    CHECK(console.err
          == "E2.1: Video driver verification failed.  Please ensure that compatible video drivers are installed.\n");
}

TEST_CASE("what the board does not take is a warning and status 7; failed clocks are listed and asked about")
{
    ConsoleRig rig;
    emulator::AdapterState board = rig.adapter.State();
    board.clockStepHz = 2000000;
    rig.adapter.Reset(board);
    CHECK(rig.Run({"clocks", "211", "166", "--yes"}) == kNotTaken);
    CHECK(rig.console.err
          == "marovexctl: warning: The driver runs the core clock at 210 MHz, not at the 211 MHz that was applied.\n");
    CHECK(rig.Run({"clocks", "240", "166", "--yes"}) == kTestFailed);
    CHECK(Has(rig.Ini(), "core-clock=210\n"));
    CHECK(Has(rig.Status(), "\nfailed-clocks: 240/166 MHz\n"));

    rig.console.answers = {true, false};
    CHECK(rig.Run({"test", "245", "170"}) == kDeclined);
    CHECK(rig.console.questions.size() == 2);
    CHECK(rig.console.questions.back() == driver::FailedClocksQuestion({240, 166}, 245, 170));
    CHECK(rig.console.testRuns.size() == 2);
    rig.console.questions.clear();
    CHECK(rig.Run({"test", "220", "170"}) == kDeclined);  // below the failed pair: one question
    CHECK(rig.console.questions.size() == 1);
}

TEST_CASE("a board that refuses the old clocks back: a pass ends with 8, a failure with 4, and clocks asks applied them")
{
    ConsoleRig rig;
    emulator::AdapterState board = rig.adapter.State();
    board.refuseClockSetsFrom = 6;  // the trial's and the progress's core and memory sets take
    rig.adapter.Reset(board);
    const std::string refused = "E6.7: Unable to reset the video core clock speed.  "
                                "The board may still run the tested clock speeds.\n";
    CHECK(rig.Run({"test", "220", "166", "--yes"}) == kNotRestored);
    CHECK(rig.console.out == "passed\n");
    CHECK(rig.console.err == refused);
    CHECK(rig.CoreMHz() == 220);
    rig.Clear();
    CHECK(rig.Run({"clocks", "240", "166", "--yes"}) == kTestFailed);  // failed, whatever the restore did
    CHECK(rig.console.err == "The clock test of 220 MHz core and 166 MHz memory could not put the clock speeds "
                             "before it back. The clock speeds before it, 200 MHz and 166 MHz, were restored.\n"
                             + refused + "The new clock speeds failed testing.\n");

    // The user applies the tested pair: the board runs it, and the journal
    // ends with nothing put back and nothing listed as failed but 240/166.
    rig.Clear();
    CHECK(rig.Run({"clocks", "220", "166", "--yes"}) == kDone);
    CHECK(rig.console.err == "The clock test of 240 MHz core and 166 MHz memory did not finish. The clock speeds "
                             "before it, 200 MHz and 166 MHz, were restored.\n" + refused);
    CHECK(rig.CoreMHz() == 220);
    const std::string status = rig.Status();
    CHECK(rig.console.err.empty());
    CHECK(Has(status, "core-clock: 220 MHz"));
    CHECK(Has(status, "failed-clocks: 240/166 MHz\n"));
    CHECK(rig.system.FindValue(layout::kClockJournalKey, "OldCore") == nullptr);
}

TEST_CASE("run: the file's settings while the program runs, everything put back after, its status passed on")
{
    ConsoleRig rig;
    rig.console.files["racer.ini"] = "[Marovex]\nd3d-vsync=off\ngl-fsaa=2x\ncore-clock=211\nmemory-clock=166\n";
    rig.console.programs = {"RACER.EXE"};
    rig.console.commandLine = "RACER.EXE -width 1024 \"two words\"";
    CHECK(rig.Run({"set", "startup=on"}) == kDone);
    const std::string settingsBefore = rig.Ini();
    const std::uint32_t startupRecord = rig.system.Dword(kHardware, "Krusty");
    rig.Clear();
    std::string seen;
    rig.system.registryCalls.clear();
    rig.console.program = [&] {
        CHECK(LogOnWrite(rig.system.registryCalls).empty());  // the run's apply leaves the log-on entry alone
        seen = rig.Ini();
        CHECK(Has(rig.Status(), "run: RACER.EXE -width 1024 \"two words\" (holds core-clock, d3d-vsync, gl-fsaa, memory-clock)"));
        return 3;
    };
    CHECK(rig.Run({"run", "--yes", "racer.ini", "RACER.EXE", "-width", "1024", "two words"}) == 3);
    CHECK(seen == "[Marovex]\nd3d-vsync=off\nd3d-fsaa=4x\ngl-vsync=on\ngl-fsaa=2x\noverlay=standard\nstartup=on\n"
                  "core-clock=211\nmemory-clock=166\n");
    CHECK(rig.console.started == std::vector<std::string>{"C:\\GAMES|RACER.EXE -width 1024 \"two words\""});
    CHECK(rig.console.testRuns.size() == 1);
    // Back as before, the log-on clocks never touched; the tested pair is
    // remembered as passed.
    CHECK(rig.console.err.empty());
    CHECK(rig.Ini() == settingsBefore);
    CHECK(rig.system.Dword(kHardware, "Krusty") == startupRecord);
    CHECK(rig.CoreMHz() == 200);
    const std::string status = rig.Status();
    CHECK(Has(status, "\npassed-clocks: 211/166 MHz\n"));
    CHECK_FALSE(Has(status, "\nrun:"));

    SUBCASE("a pair that passed before is not tested again")
    {
        rig.console.program = [] { return 0; };
        CHECK(rig.Run({"run", "racer.ini", "RACER.EXE"}) == kDone);
        CHECK(rig.console.testRuns.size() == 1);
        CHECK(rig.console.questions.empty());
    }
    SUBCASE("a setting the user changes meanwhile is kept and named")
    {
        rig.console.program = [&] {
            CHECK(rig.Run({"set", "d3d-vsync=on"}) == kDone);
            return 0;
        };
        CHECK(rig.Run({"run", "racer.ini", "RACER.EXE"}) == kDone);
        CHECK(rig.console.err == "marovexctl: d3d-vsync was changed while RACER.EXE -width 1024 \"two words\" ran; "
                                 "it is left as it is.\n");
        CHECK(Has(rig.Ini(), "d3d-vsync=on\n"));
        CHECK(Has(rig.Ini(), "gl-fsaa=off\n"));
    }
    SUBCASE("a second run while one waits, or a missing program: nothing starts, nothing changes")
    {
        rig.console.program = [&] {
            const auto during = rig.system.Values();
            CHECK(rig.Run({"run", "racer.ini", "RACER.EXE"}) == kBusy);
            CHECK(rig.Run({"run", "racer.ini", "MISSING.EXE"}) == kBadInput);
            CHECK(rig.system.Values() == during);
            return 0;
        };
        CHECK(rig.Run({"run", "racer.ini", "RACER.EXE"}) == kDone);
        CHECK(rig.console.started.size() == 2);
    }
}

TEST_CASE("run: refused files and failed tests start nothing and change nothing")
{
    ConsoleRig rig;
    rig.console.files["startup.ini"] = "[Marovex]\nstartup=on\n";
    rig.console.files["fast.ini"] = "[Marovex]\ncore-clock=245\n";
    rig.console.programs = {"RACER.EXE"};
    rig.console.program = [] { return 0; };
    const auto before = rig.system.Values();
    CHECK(rig.Run({"run", "startup.ini", "RACER.EXE"}) == kBadInput);
    CHECK(rig.Run({"run", "fast.ini"}) == kBadInput);
    CHECK(rig.Run({"run", "fast.ini", "RACER.EXE"}) == kDeclined);
    CHECK(rig.Run({"run", "--yes", "fast.ini", "RACER.EXE"}) == kTestFailed);
    // A record that cannot be written whole is removed, and nothing runs.
    rig.console.files["vsync.ini"] = "[Marovex]\nd3d-vsync=off\n";
    rig.system.failRegistryWhen = [](const fake::RegCall& c) { return c.op == fake::RegCall::kSet && c.value == "Owner"; };
    CHECK(rig.Run({"run", "vsync.ini", "RACER.EXE"}) == kApplyFailed);
    rig.system.failRegistryWhen = nullptr;
    CHECK(rig.system.FindValue(layout::kRunJournalKey, "Program") == nullptr);
    rig.system.lockedElsewhere = true;  // the window applies meanwhile: the record goes, nothing runs
    CHECK(rig.Run({"run", "vsync.ini", "RACER.EXE"}) == kBusy);
    rig.system.lockedElsewhere = false;
    CHECK(rig.console.started.empty());
    auto after = rig.system.Values();
    after.erase(Lower(layout::kClockJournalKey) + "\\failed clocks");
    CHECK(after == before);
}

TEST_CASE("an ended run is put back by the next start; a run whose owner lives is left alone")
{
    ConsoleRig rig;
    rig.console.files["vsync.ini"] = "[Marovex]\nd3d-vsync=off\noverlay=activated\n";
    rig.console.programs = {"RACER.EXE"};
    rig.console.commandLine = "RACER.EXE";
    // The machine as marovexctl leaves it when it is ended while the game runs.
    fake::FakeSystem ended;
    rig.console.program = [&] {
        fake::FakeConsole other;
        CHECK(RunCommand(rig.adapter, other, {"set", "overlay=standard"}) == kDone);  // the owner lives
        CHECK(other.err.empty());
        ended = rig.system;
        ended.ownerMarks.clear();
        return 0;
    };
    CHECK(rig.Run({"run", "vsync.ini", "RACER.EXE"}) == kDone);
    CHECK(ended.Dword(std::string(kNtKey) + "\\Direct3D", "VSYNCENABLE") == 0);  // still the run's

    emulator::EmulatedAdapter adapter(ended);
    fake::FakeConsole next;
    CHECK(RunCommand(adapter, next, {"status", "--ini"}) == kDone);
    CHECK(next.err == "The settings for RACER.EXE were not put back when it ended. They were put back now: "
                      "d3d-vsync.\noverlay was changed while RACER.EXE ran; it is left as it is.\n");
    CHECK(next.out == "[Marovex]\nd3d-vsync=on\nd3d-fsaa=4x\ngl-vsync=on\ngl-fsaa=off\noverlay=standard\nstartup=off\n"
                      "core-clock=200\nmemory-clock=166\n");
    CHECK(ended.FindValue(layout::kRunJournalKey, "Owner") == nullptr);
}

TEST_CASE("a program's command line is taken as typed, from the word asked for")
{
    CHECK(CommandLineFrom("marovexctl run racer.ini RACER.EXE -width 1024", 3) == "RACER.EXE -width 1024");
    CHECK(CommandLineFrom("\"C:\\My Tools\\marovexctl.exe\"  run --yes \"my file.ini\" \"C:\\GAMES\\RACER.EXE\" "
                          "\"a b\"  c\\\"d",
                          4)
          == "\"C:\\GAMES\\RACER.EXE\" \"a b\"  c\\\"d");
    CHECK(CommandLineFrom("x run a\\\"b\" c\" GAME.EXE", 3) == "GAME.EXE");
    CHECK(CommandLineFrom("x run", 3).empty());
    CHECK(CommandLineFrom("marovexctl", 1).empty());
    CHECK(CommandLineFrom("  x run a GAME.EXE -f", 3) == "GAME.EXE -f");  // blanks before the program's name
}

TEST_CASE("run: one at a time from before its question, the driver's own values back, a setting not taken told so")
{
    ConsoleRig rig;
    rig.console.files["fast.ini"] = "[Marovex]\ncore-clock=220\noverlay=activated\nd3d-vsync=off\n";
    rig.console.programs = {"RACER.EXE"};
    rig.console.commandLine = "RACER.EXE";
    rig.console.program = [&] {
        CHECK(rig.system.runClaims == 1);  // held while the game runs
        return 0;
    };
    SUBCASE("another run holds the claim: status 6 before any question, nothing changed")
    {
        rig.system.runClaimedElsewhere = true;
        const auto before = rig.system.Values();
        CHECK(rig.Run({"run", "fast.ini", "RACER.EXE"}) == kBusy);
        CHECK(rig.console.questions.empty());
        CHECK(rig.console.started.empty());
        CHECK(rig.system.Values() == before);
    }
    SUBCASE("overlay mode 1 before the run comes back as 1")
    {
        rig.system.PutDword(std::string(kNtKey) + "\\DirectDraw", "VideoBusMasterMode", 1);
        CHECK(rig.Run({"run", "--yes", "fast.ini", "RACER.EXE"}) == kDone);
        CHECK(rig.system.Dword(std::string(kNtKey) + "\\DirectDraw", "VideoBusMasterMode") == 1);
    }
    SUBCASE("a setting the driver does not take is told as that, not later as the user's change")
    {
        emulator::AdapterState board = rig.adapter.State();
        board.refuseSettingWrites = 1;
        rig.adapter.Reset(board);
        rig.console.program = [&] {  // the record no longer holds what was not taken
            fake::FakeConsole other;
            CHECK(RunCommand(rig.adapter, other, {"status"}) == kDone);
            CHECK(Has(other.out, "(holds core-clock, memory-clock)\n"));
            return 0;
        };
        CHECK(rig.Run({"run", "--yes", "fast.ini", "RACER.EXE"}) == kDone);
        CHECK(Has(rig.console.err, "marovexctl: the driver did not take d3d-vsync; it is left as it was\n"));
        CHECK(Has(rig.console.err, "marovexctl: the driver did not take overlay; it is left as it was\n"));
        CHECK_FALSE(Has(rig.console.err, "changed while"));
    }
    CHECK(rig.system.runClaims == 0);
}

TEST_CASE("run: a program that does not start puts everything back; --until holds the settings for the game")
{
    ConsoleRig rig;
    rig.console.files["vsync.ini"] = "[Marovex]\nd3d-vsync=off\noverlay=activated\n";
    rig.console.programs = {"LAUNCH.EXE"};
    rig.console.commandLine = "LAUNCH.EXE -fast";
    const std::string before = rig.Ini();
    const std::string during = "[Marovex]\nd3d-vsync=off\nd3d-fsaa=4x\ngl-vsync=on\ngl-fsaa=off\noverlay=activated\n"
                               "startup=off\ncore-clock=200\nmemory-clock=166\n";
    rig.console.program = [] { return 4; };
    std::vector<std::string> seen;  // the settings at each wait
    rig.console.whileWaiting = [&] { seen.push_back(rig.Ini()); };
    auto ended = [&](int status, std::vector<std::string> waited) {
        CHECK(rig.console.waitedFor == waited);
        CHECK(seen == std::vector<std::string>(rig.console.listsProcesses ? waited.size() : 0, during));
        const std::string said = rig.console.err;
        CHECK(rig.Ini() == before);
        CHECK_FALSE(Has(rig.Status(), "\nrun:"));
        rig.console.err = said;
        return status;
    };

    SUBCASE("a program found but not started: status 1, the reason told, its settings back, no wait")
    {
        rig.console.program = nullptr;
        CHECK(ended(rig.Run({"run", "--until", "GAME.EXE", "vsync.ini", "LAUNCH.EXE"}), {}) == kBadInput);
        CHECK(rig.console.err == "marovexctl: cannot start C:\\GAMES\\LAUNCH.EXE\n");
    }
    SUBCASE("--until NAME before or after --yes: the settings are put back after the wait")
    {
        CHECK(ended(rig.Run({"run", "--until", "GAME.EXE", "--yes", "vsync.ini", "LAUNCH.EXE", "-fast"}),
                    {"GAME.EXE"})
              == 4);
        CHECK(ended(rig.Run({"run", "--yes", "--until", "GAME.EXE", "vsync.ini", "LAUNCH.EXE"}),
                    {"GAME.EXE", "GAME.EXE"})
              == 4);
        CHECK(rig.console.started.size() == 2);
        CHECK(rig.console.err.empty());
    }
    SUBCASE("a system that lists no processes: no wait, told in one line")
    {
        rig.console.listsProcesses = false;
        CHECK(ended(rig.Run({"run", "--until", "GAME.EXE", "vsync.ini", "LAUNCH.EXE"}), {"GAME.EXE"}) == 4);
        CHECK(rig.console.err == "marovexctl: this system lists no processes; the settings are put back without "
                                 "waiting for GAME.EXE\n");
    }
    SUBCASE("--until without a NAME: status 1, nothing started")
    {
        for (const std::vector<std::string>& words :
             {std::vector<std::string>{"run", "--until"}, {"run", "--until", "--yes", "vsync.ini", "LAUNCH.EXE"},
              {"run", "--until", "", "vsync.ini", "LAUNCH.EXE"}, {"run", "--yes", "--until", "vsync.ini"}}) {
            CAPTURE(words.size());
            CHECK(ended(rig.Run(words), {}) == kBadInput);
        }
        CHECK(rig.console.started.empty());
    }
}
