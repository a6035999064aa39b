// What both programs share above the driver core: settings files' names,
// and a program run's record: written whole, read value by value, put back
// by its rules, and the log-on clocks it leaves alone.
#include <doctest.h>

#include <string>

#include "driver/registry_layout.h"
#include "rig.h"
#include "settings/program_run.h"
#include "settings/settings_file.h"

using namespace settings;

namespace {

const std::string kRecord = layout::kRunJournalKey;
const std::string kHardware = std::string(kNtAdapterKey) + "\\NVTweak\\Hardware";

// A record of a game that ran with faster clocks and without Direct3D
// vertical sync, whose marovexctl was ended ("Marovex run 9" lives no more).
RunJournal GameRecord()
{
    RunJournal record;
    record.owner = "Marovex run 9";
    record.program = "RACER.EXE";
    record.settings = {{kCoreClock, {200, 211}}, {kMemClock, {166, 166}}, {"d3d-vsync", {1, 0}}};
    return record;
}

// The board and driver as the game's run left them; the run's apply leaves
// the log-on entry alone.
void RunGame(OpenedRig& rig, const RunJournal& record)
{
    REQUIRE(WriteRunJournal(rig.driver, record));
    StageTestedClocks(rig.driver, record.settings.at(kCoreClock).second, record.settings.at(kMemClock).second);
    rig.driver.SetNewD3DVSync(false);
    rig.driver.m_bLeaveStartupEntry = true;
    REQUIRE(rig.driver.ApplySettings());
    rig.driver.m_bLeaveStartupEntry = false;
}

// Both values of a setting in the record.
void Both(fake::FakeSystem& system, const std::string& name, std::uint32_t before, std::uint32_t run)
{
    system.PutDword(kRecord, name + " before", before);
    system.PutDword(kRecord, name + " run", run);
}

bool Opens(OpenedRig& rig) { return OpenPuttingBackRun(rig.system, rig.driver, rig.system, kDisplayName); }

}  // namespace

TEST_CASE("a name the system opens as a device is no settings file, with an extension or a folder")
{
    for (const char* device : {"AUX", "con", "Prn.ini", "nul.txt", "COM1", "c:\\out\\lpt9.ini", "a/com5", "D:aux", "aux .ini"})
        CHECK_MESSAGE(IsDeviceName(device), device);
    for (const char* file : {"auxiliary.ini", "com10", "lpt0.ini", "con\\saved.ini", "console", "my.aux"})
        CHECK_MESSAGE(!IsDeviceName(file), file);
}

TEST_CASE("a run record with any junk value, or without its owner, is removed unused and told in one line")
{
    const struct {
        const char* what;
        void (*damage)(fake::FakeSystem&);
    } cases[] = {
        {"a clock outside the sliders' range", [](fake::FakeSystem& s) { s.PutDword(kRecord, "core-clock before", 300); }},
        {"an overlay mode the driver has not", [](fake::FakeSystem& s) { Both(s, "overlay", 0, 12345); }},
        {"an OpenGL FSAA quality", [](fake::FakeSystem& s) { Both(s, "gl-fsaa", 99, 0); }},
        {"a Direct3D FSAA level", [](fake::FakeSystem& s) { Both(s, "d3d-fsaa", 0, 7); }},
        {"a value of another type", [](fake::FakeSystem& s) { s.PutString(kRecord, "d3d-vsync before", "1"); }},
        {"four bytes of another type", [](fake::FakeSystem& s) {
             const std::uint32_t one = 1;
             s.PutValue(kRecord, "d3d-vsync before", platform::kRegBinary, &one, sizeof one);
         }},
        {"half a setting", [](fake::FakeSystem& s) { s.PutDword(kRecord, "gl-vsync before", 1); }},
        {"the log-on entry", [](fake::FakeSystem& s) {
             s.PutDword(kRecord, "startup before", 1);
             s.PutDword(kRecord, "startup run", 0);
         }},
        {"no owner", [](fake::FakeSystem& s) { s.PutDword(kRecord, "Owner", 9); }},
        {"an empty owner", [](fake::FakeSystem& s) { s.PutValue(kRecord, "Owner", platform::kRegSz, "", 1); }},
        {"a program that is no text", [](fake::FakeSystem& s) { s.PutDword(kRecord, "Program", 1); }},
        {"a program text without its end", [](fake::FakeSystem& s) {
             s.PutValue(kRecord, "Program", platform::kRegSz, "RACER.EXE", 9);
         }},
        {"a memory clock above the range", [](fake::FakeSystem& s) { Both(s, kMemClock, 166, 300); }},
    };
    for (const auto& c : cases) {
        CAPTURE(std::string(c.what));
        OpenedRig rig;
        RunGame(rig, GameRecord());
        c.damage(rig.system);
        const auto driverBefore = rig.adapter.State();
        const std::uint32_t vsync = rig.system.Dword(std::string(kNtAdapterKey) + "\\Direct3D", "VSYNCENABLE");
        REQUIRE(Opens(rig));
        REQUIRE(rig.system.messageBoxes.size() == 1);
        CHECK(rig.system.messageBoxes[0].text == kDamagedRecord);
        CHECK(rig.adapter.State().coreClockHz == driverBefore.coreClockHz);
        CHECK(rig.system.Dword(std::string(kNtAdapterKey) + "\\Direct3D", "VSYNCENABLE") == vsync);
        RunJournal read;
        CHECK(ReadRunJournal(rig.driver, &read) == RecordFound::kNone);
    }
    // The ends of the sliders' range are clocks a record may hold.
    {
        OpenedRig rig;
        RunGame(rig, GameRecord());
        Both(rig.system, kCoreClock, 175, 250);
        Both(rig.system, kMemClock, 145, 210);
        RunJournal read;
        CHECK(ReadRunJournal(rig.driver, &read) == RecordFound::kWhole);
    }
    // A lone value of a record, of whatever kind, is a record's junk too.
    for (const char* lone : {"Program", "Owner", "gl-vsync before", "gl-vsync run"}) {
        CAPTURE(std::string(lone));
        OpenedRig rig;
        rig.system.PutDword(kRecord, lone, 1);
        RunJournal read;
        CHECK(ReadRunJournal(rig.driver, &read) == RecordFound::kJunk);
    }
}

TEST_CASE("a record is written into an empty key, and the driver's own values come back")
{
    OpenedRig rig;
    // Left over from a record cut short: never merged into the next.
    rig.system.PutDword(kRecord, "d3d-vsync before", 1);
    rig.system.PutDword(kRecord, "d3d-vsync run", 0);
    RunJournal record;
    record.owner = "Marovex run 9";
    record.program = "\"C:\\GAMES\\" + std::string(1500, 'x') + ".EXE\" -fast";  // longer than any buffer of old
    record.settings = {{"overlay", {1, 3}}};
    rig.driver.SetNewOverlayMode(1);  // a mode that shows as Standard
    REQUIRE(rig.driver.ApplySettings());
    REQUIRE(WriteRunJournal(rig.driver, record));
    rig.driver.SetNewOverlayMode(3);
    REQUIRE(rig.driver.ApplySettings());
    RunJournal read;
    read.settings = {{"gl-fsaa", {0, 1}}};  // what the reader held before is not the record's
    REQUIRE(ReadRunJournal(rig.driver, &read) == RecordFound::kWhole);
    CHECK(read.program == record.program);
    CHECK(read.settings == record.settings);
    CHECK(rig.system.OpenKeys() == 0);
    const PutBackReport report = PutBack(rig.driver, read);
    CHECK(report.putBack == std::vector<std::string>{"overlay"});
    CHECK(rig.driver.GetOverlayMode() == 1);
    CHECK(rig.system.Dword(std::string(kNtAdapterKey) + "\\DirectDraw", "VideoBusMasterMode") == 1);
}

TEST_CASE("the clocks go back as a pair, or both stay when the user changed either during the game")
{
    for (const bool userChanged : {false, true}) {
        CAPTURE(userChanged);
        OpenedRig rig;
        RunGame(rig, GameRecord());
        if (userChanged) {  // marovexctl clocks 211 180 during the game
            StageTestedClocks(rig.driver, 211, 180);
            REQUIRE(rig.driver.ApplySettings());
        }
        RunJournal read;
        REQUIRE(ReadRunJournal(rig.driver, &read) == RecordFound::kWhole);
        const PutBackReport report = PutBack(rig.driver, read);
        CHECK(rig.adapter.State().coreClockHz == (userChanged ? 211000000u : 200000000u));
        CHECK(rig.adapter.State().memClockHz == (userChanged ? 180000000u : 166000000u));
        CHECK(report.left == (userChanged ? std::vector<std::string>{kCoreClock, kMemClock} : std::vector<std::string>{}));
        CHECK(report.putBack == (userChanged ? std::vector<std::string>{"d3d-vsync"}
                                             : std::vector<std::string>{kCoreClock, "d3d-vsync"}));
        CHECK(report.Lines("RACER.EXE").size() == report.left.size());
    }
}

TEST_CASE("clocks from before a run that are not the board's baseline go back without a test")
{
    OpenedRig rig;
    StageTestedClocks(rig.driver, 220, 166);  // the user's own, tested and applied before the game
    REQUIRE(rig.driver.ApplySettings());
    RunJournal record = GameRecord();
    record.settings[kCoreClock] = {220, 230};
    RunGame(rig, record);
    RunJournal read;
    REQUIRE(ReadRunJournal(rig.driver, &read) == RecordFound::kWhole);
    const PutBackReport report = PutBack(rig.driver, read);
    CHECK(rig.adapter.State().coreClockHz == 220000000u);
    CHECK(report.putBack == std::vector<std::string>{kCoreClock, "d3d-vsync"});
}

TEST_CASE("an apply while a run holds the clocks leaves the log-on record the clocks from before the run")
{
    OpenedRig rig;
    RunJournal record = GameRecord();
    RunGame(rig, record);
    auto logOn = [&] {
        std::uint16_t core = 0, mem = 0;
        driver::UnscrambleClocks(rig.system.Dword(kHardware, "Krusty"), 0x0110, rig.system.Dword(kHardware, "Homer"),
                                 &core, &mem);
        return std::to_string(core) + "/" + std::to_string(mem);
    };
    // Apply at startup turned on during the game: the game's clocks stay off it.
    rig.driver.SetNewApplyAtStartup(true);
    REQUIRE(settings::ApplySettings(rig.driver));
    CHECK(rig.system.FindValue(layout::kRunKey, layout::kStartupValue) != nullptr);
    CHECK(logOn() == "200/166");
    // The user's own clocks, applied during the game, are the user's, even
    // with one of them the game's.
    StageTestedClocks(rig.driver, 211, 170);
    REQUIRE(settings::ApplySettings(rig.driver));
    CHECK(logOn() == "211/170");
}

TEST_CASE("a put-back that finds the settings busy keeps the record for the next, which puts everything back")
{
    OpenedRig rig;
    RunGame(rig, GameRecord());
    RunJournal read;
    REQUIRE(ReadRunJournal(rig.driver, &read) == RecordFound::kWhole);
    rig.system.lockedElsewhere = true;
    PutBackReport report = PutBack(rig.driver, read);
    CHECK(report.putBack.empty());
    CHECK(report.failed.size() == 2);
    CHECK(report.Lines("RACER.EXE") == report.failed);
    CHECK(ReadRunJournal(rig.driver, &read) == RecordFound::kWhole);
    rig.system.lockedElsewhere = false;
    report = PutBack(rig.driver, read);
    CHECK(report.putBack == std::vector<std::string>{kCoreClock, "d3d-vsync"});
    CHECK(report.failed.empty());
    CHECK(ReadRunJournal(rig.driver, &read) == RecordFound::kNone);
    CHECK(rig.adapter.State().coreClockHz == 200000000u);
    // The put-back left the log-on entry to the applies after it.
    rig.driver.SetNewApplyAtStartup(true);
    REQUIRE(rig.driver.ApplySettings());
    CHECK(rig.system.FindValue(layout::kRunKey, layout::kStartupValue) != nullptr);
}

TEST_CASE("the driver's overlay modes 1 and 2 show as standard")
{
    OpenedRig rig;
    for (const int mode : {0, 1, 2, 3}) {
        rig.driver.m_nOverlayMode = mode;
        CHECK(CurrentValue(rig.driver, "overlay") == (mode == 3 ? 3 : 0));
        CHECK(DriverValue(rig.driver, "overlay") == mode);
    }
}

TEST_CASE("a setting the driver does not take back is told as not put back, with the apply's message")
{
    OpenedRig rig;
    rig.driver.SetNewApplyAtStartup(true);
    REQUIRE(rig.driver.ApplySettings());
    RunGame(rig, GameRecord());
    emulator::AdapterState board = rig.adapter.State();
    board.refuseSettingWrites = 1;  // the driver's keys keep what they hold
    rig.adapter.Reset(board);
    RunJournal read;
    REQUIRE(ReadRunJournal(rig.driver, &read) == RecordFound::kWhole);
    REQUIRE(rig.driver.Open(kDisplayName));
    rig.system.registryCalls.clear();
    const PutBackReport report = PutBack(rig.driver, read);
    CHECK(report.putBack == std::vector<std::string>{kCoreClock});
    CHECK(report.failed == std::vector<std::string>{"d3d-vsync could not be put back."});
    // Nor is the log-on entry or its record touched by a put-back.
    CHECK(LogOnWrite(rig.system.registryCalls).empty());
}

TEST_CASE("a line that only opens or only closes a bracket is no section: the key's own check names it")
{
    std::string why;
    CHECK(CheckSettingsText("[Marovex]\n[label\nlabel]\n", &why));
    CHECK_FALSE(CheckSettingsText("[label\n[Marovex]\n", &why));
    CHECK(why == "line 1 comes before [Marovex]");
    CHECK_FALSE(CheckSettingsText("[Marovex]\n[marovex]\n", &why));  // a second section, even of the same name
    CHECK(why == "line 2: a settings file holds one section, [Marovex]");
    CHECK_FALSE(CheckSettingsText("[Other]\n", &why));
    CHECK(why == "line 1: a settings file holds one section, [Marovex]");
    CHECK_FALSE(CheckSettingsText("[]\n[Marovex]\n", &why));  // an empty name is a section, not Marovex
    CHECK(why == "line 1: a settings file holds one section, [Marovex]");
}
