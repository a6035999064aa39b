#include <doctest.h>

#include <cstring>
#include <string>

#include "platform/nv_protocol.h"
#include "rig.h"

using emulator::Request;
using platform::kIdNo;
using platform::kIdYes;

namespace {

const std::string kModes = std::string(kNtAdapterKey) + "\\NVTweak\\DisplayModes";
const std::string kTVOut = std::string(kNtAdapterKey) + "\\NVTweak\\TVOut";

// An opened session on a board with all three outputs attached, showing
// the desktop on the given device.
struct SwitchRig : Rig {
    explicit SwitchRig(int device = nv::kOutputTV)
    {
        emulator::AdapterState state;
        state.flatPanelAttached = 1;
        state.outputDevice = static_cast<std::uint32_t>(device);
        if (device == nv::kOutputTV || device == nv::kOutputTVNtsc) {
            state.desktopWidth = 800;
            state.desktopHeight = 600;
            state.refreshRate = 60;
        }
        adapter.Reset(state);
        REQUIRE(driver.Open(kDisplayName));
        adapter.ClearRequests();
        g_bOutputSwitchDeclined = false;
    }

    // Runs the switch inside a connection, as the apply does after setting item 79.
    bool Switch(int device, std::initializer_list<int> answers)
    {
        system.messageBoxAnswers.assign(answers);
        driver.SetNewOutputDevice(device);
        char name[32] = {};
        REQUIRE(driver.RmAllocRoot(&driver.m_hClient) == 0);
        REQUIRE(driver.RmAllocDevice(driver.m_hClient, nv::kDeviceHandle, 128, name) == 0);
        std::uint32_t previous = 0;
        driver.RmConfigSet(driver.m_hClient, nv::kDeviceHandle, nv::kItemOutputDevice,
                           static_cast<std::uint32_t>(device), &previous);
        bool result = driver.SwitchOutputDevice();
        driver.RmFree(driver.m_hClient, 0, driver.m_hClient);
        return result;
    }

    std::vector<Request> Sent(Request::Kind kind, std::uint32_t code) const
    {
        std::vector<Request> found;
        for (const Request& r : adapter.Requests())
            if (r.kind == kind && r.code == code)
                found.push_back(r);
        return found;
    }
    std::vector<std::vector<std::uint32_t>> ModeChanges() const
    {
        std::vector<std::vector<std::uint32_t>> changes;
        for (const Request& r : Sent(Request::kDisplaySettings, 1))
            changes.push_back({r.fields[2], r.fields[3], r.fields[4], r.fields[5]});
        return changes;
    }
    std::vector<std::vector<std::uint32_t>> DeviceEscapes() const
    {
        std::vector<std::vector<std::uint32_t>> sent;
        for (const Request& r : Sent(Request::kDisplayEscape, nv::kEscOutputDevice))
            sent.push_back(r.fields);
        return sent;
    }
};

void PutRecord(fake::FakeSystem& system, const char* name, std::vector<std::uint32_t> record)
{
    system.PutValue(kModes, name, platform::kRegBinary, record.data(), record.size() * 4);
}

std::vector<std::uint32_t> Record(const fake::FakeSystem& system, const std::string& key, const char* name)
{
    const fake::RegValue* value = system.FindValue(key, name);
    if (!value)
        return {};
    std::vector<std::uint32_t> words(value->data.size() / 4);
    std::memcpy(words.data(), value->data.data(), words.size() * 4);
    return words;
}

}  // namespace

TEST_CASE("each device, kept: the driver told, the mode changed, the record stored")
{
    struct Case { int from, to; std::vector<std::uint32_t> mode; int format; } cases[] = {
        {nv::kOutputTV, nv::kOutputMonitor, {1024, 768, 32, 75}, 0},
        {nv::kOutputMonitor, nv::kOutputFlatPanel, {1024, 768, 32, 75}, 0},
        {nv::kOutputMonitor, nv::kOutputTVNtsc, {640, 480, 8, 60}, 0},
        {nv::kOutputMonitor, nv::kOutputTV, {640, 480, 8, 60}, 5},
    };
    for (const Case& c : cases) {
        CAPTURE(c.to);
        SwitchRig rig(c.from);
        if (c.to == nv::kOutputMonitor) {
            // Coming from the TV, the stored monitor mode is what comes back.
            PutRecord(rig.system, "Analog Monitor", {1024, 768, 32, 75});
        }
        CHECK(rig.Switch(c.to, {kIdYes, kIdYes}));
        CHECK(rig.driver.m_nOutputDevice == c.to);
        CHECK_FALSE(g_bOutputSwitchDeclined);
        CHECK(rig.adapter.State().outputDevice == static_cast<std::uint32_t>(c.to));
        CHECK(rig.ModeChanges() == std::vector<std::vector<std::uint32_t>>{c.mode});
        const auto asked = rig.Sent(Request::kDisplayEscape, nv::kEscSetOutputMode);  // the driver asked first
        REQUIRE_FALSE(asked.empty());
        CHECK(asked.front().fields
              == std::vector<std::uint32_t>{c.mode[0], c.mode[1], c.mode[2], static_cast<std::uint32_t>(c.to)});
        CHECK(rig.DeviceEscapes()
              == std::vector<std::vector<std::uint32_t>>{{0, static_cast<std::uint32_t>(c.to),
                                                          static_cast<std::uint32_t>(c.format)}});
        CHECK(rig.system.LiveDCs() == 1);  // the escapes' own contexts are deleted
        REQUIRE(rig.system.messageBoxes.size() == 2);
        CHECK(rig.system.messageBoxes[0].text == "Are you sure you wish to change output devices?");
        CHECK(rig.system.messageBoxes[1].text == "Would you like to keep these settings?");
        for (const fake::MessageBoxCall& box : rig.system.messageBoxes) {
            CHECK(box.caption == "Marovex");
            CHECK(box.type == (platform::kMbYesNo | platform::kMbIconQuestion));
            CHECK(box.owner == 0x1234);
        }
        CHECK(rig.system.sleeps == std::vector<std::uint32_t>{100});
        if (c.to == nv::kOutputMonitor)
            CHECK(Record(rig.system, kModes, "Analog Monitor") == c.mode);
        if (c.to == nv::kOutputFlatPanel)
            CHECK(Record(rig.system, kModes, "Digital Flat Panel") == c.mode);
        if (c.to == nv::kOutputTV || c.to == nv::kOutputTVNtsc)
            CHECK(Record(rig.system, kTVOut, "DynamicFmt").size() == 18);
    }
}

TEST_CASE("declining the first question leaves the display alone")
{
    for (int answer : {kIdNo, 0, platform::kIdOk}) {
        SwitchRig rig(nv::kOutputMonitor);
        CHECK(rig.Switch(nv::kOutputFlatPanel, {answer}));
        CHECK(g_bOutputSwitchDeclined);
        CHECK(rig.driver.m_nOutputDevice == nv::kOutputMonitor);
        CHECK(rig.adapter.State().outputDevice == nv::kOutputMonitor);  // item 79 set back
        CHECK(rig.ModeChanges().empty());
        CHECK(rig.DeviceEscapes().empty());
        CHECK(rig.system.messageBoxes.size() == 1);
    }
}

TEST_CASE("declining to keep puts the previous device and the desktop mode back")
{
    SwitchRig rig(nv::kOutputMonitor);
    rig.driver.m_nTVConnector = 2;
    CHECK(rig.Switch(nv::kOutputTV, {kIdYes, kIdNo}));
    CHECK(g_bOutputSwitchDeclined);
    CHECK(rig.driver.m_nOutputDevice == nv::kOutputMonitor);
    CHECK(rig.driver.m_nNewOutputDevice == nv::kOutputTV);
    CHECK(rig.adapter.State().outputDevice == nv::kOutputMonitor);
    CHECK(rig.adapter.State().tvConnector == 2);
    CHECK(rig.adapter.State().desktopWidth == 1024);
    CHECK(rig.ModeChanges()
          == std::vector<std::vector<std::uint32_t>>{{640, 480, 8, 60}, {1024, 768, 32, 75}});
    CHECK(rig.DeviceEscapes() == std::vector<std::vector<std::uint32_t>>{{0, 3, 5}, {0, 0, 0}});
    std::vector<std::uint32_t> devices;  // what the driver's item 79 was told, the old device last
    for (const Request& r : rig.adapter.Requests())
        if (r.code == nv::kFnRmConfigSet && r.item == nv::kItemOutputDevice)
            devices.push_back(r.fields.at(4));
    CHECK((!devices.empty() && devices.back() == nv::kOutputMonitor));
    CHECK(Record(rig.system, kTVOut, "DynamicFmt").empty());
    // Both mode changes as a 4.0 system reads them: a 148-byte record with
    // the four fields it gives, kept in the registry, on the verified display.
    for (const Request& r : rig.Sent(Request::kDisplaySettings, 1)) {
        CHECK(r.fields[0] == 148);
        CHECK(r.fields[1] == 0x5C0000);
        CHECK(r.flags == (platform::kCdsUpdateRegistry | platform::kCdsReset));
        CHECK(r.device == kDisplayName);
    }
}

TEST_CASE("a display library that cannot be loaded fails the switch with its own message")
{
    SwitchRig rig(nv::kOutputMonitor);
    DisplayLibraryGone os(rig.adapter, DisplayLibraryGone::kLibrary);
    CDisplayDriver d(os, rig.system, 0);
    REQUIRE(d.Open(kDisplayName));
    rig.system.messageBoxAnswers = {kIdYes};
    d.SetNewOutputDevice(nv::kOutputTV);
    REQUIRE(d.RmAllocRoot(&d.m_hClient) == 0);
    char name[32] = {};
    REQUIRE(d.RmAllocDevice(d.m_hClient, nv::kDeviceHandle, 128, name) == 0);
    CHECK_FALSE(d.SwitchOutputDevice());
    CHECK(d.GetLastErrorText() == "E: Unable to load USER32.DLL library.");
    CHECK(rig.adapter.State().outputDevice == nv::kOutputMonitor);  // the driver told the old device again
    d.RmFree(d.m_hClient, 0, d.m_hClient);
}

TEST_CASE("fallbacks when the driver refuses a mode")
{
    SUBCASE("monitor: 640 by 480 at the desktop's depth and rate") {
        SwitchRig rig(nv::kOutputTV);
        rig.driver.m_nModeWidth = 2048;
        rig.driver.m_nModeHeight = 1536;
        rig.driver.m_nModeBitsPerPel = 16;
        rig.driver.m_nModeRefresh = 60;
        CHECK(rig.Switch(nv::kOutputMonitor, {kIdYes, kIdYes}));
        CHECK(rig.ModeChanges() == std::vector<std::vector<std::uint32_t>>{{640, 480, 16, 60}});
        CHECK(Record(rig.system, kModes, "Analog Monitor") == std::vector<std::uint32_t>{640, 480, 16, 60});
        const auto asked = rig.Sent(Request::kDisplayEscape, nv::kEscSetOutputMode);
        REQUIRE(asked.size() == 2);
        CHECK(asked[0].fields == std::vector<std::uint32_t>{2048, 1536, 16, 0});
        CHECK(asked[1].fields == std::vector<std::uint32_t>{640, 480, 16, 0});
    }
    SUBCASE("flat panel: the panel's own size") {
        SwitchRig rig(nv::kOutputMonitor);
        PutRecord(rig.system, "Digital Flat Panel", {1600, 1200, 32, 60});
        CHECK(rig.Switch(nv::kOutputFlatPanel, {kIdYes, kIdYes}));
        CHECK(rig.ModeChanges() == std::vector<std::vector<std::uint32_t>>{{1280, 1024, 32, 60}});
    }
    SUBCASE("a monitor that takes no mode at all: false, nothing asked") {
        SwitchRig rig(nv::kOutputTV);
        emulator::AdapterState state = rig.adapter.State();
        state.monitorAttached = 0;
        rig.adapter.Reset(state);
        CHECK_FALSE(rig.Switch(nv::kOutputMonitor, {kIdYes, kIdYes}));
        CHECK(rig.system.messageBoxes.empty());
        CHECK(rig.DeviceEscapes().empty());
    }
    SUBCASE("a flat panel the driver tells nothing of: false") {
        SwitchRig rig(nv::kOutputMonitor);
        rig.adapter.FailWhen([](const Request& r) { return r.item == nv::kItemFlatPanelInfo; });
        CHECK_FALSE(rig.Switch(nv::kOutputFlatPanel, {kIdYes, kIdYes}));
        CHECK(rig.system.messageBoxes.empty());
    }
    SUBCASE("a TV with no stored format and no format from the driver: false") {
        SwitchRig rig(nv::kOutputMonitor);
        rig.adapter.FailWhen([](const Request& r) { return r.item == nv::kItemTVFormat; });
        CHECK_FALSE(rig.Switch(nv::kOutputTV, {kIdYes, kIdYes}));
        CHECK(rig.system.messageBoxes.empty());
    }
    SUBCASE("a code the window never gives: false") {
        SwitchRig rig(nv::kOutputMonitor);
        rig.driver.m_nNewOutputDevice = 1;
        CHECK_FALSE(rig.driver.SwitchOutputDevice());
    }
}

TEST_CASE("stored records are read back by the next switch")
{
    SwitchRig rig(nv::kOutputTV);
    PutRecord(rig.system, "Analog Monitor", {800, 600, 16, 85});
    CHECK(rig.Switch(nv::kOutputMonitor, {kIdYes, kIdYes}));
    CHECK(rig.ModeChanges() == std::vector<std::vector<std::uint32_t>>{{800, 600, 16, 85}});

    // A 72-byte TV block travels whole: its first integer is device 2's format.
    std::vector<std::uint32_t> block(18);
    for (std::size_t i = 0; i < block.size(); ++i)
        block[i] = 0xA0000000u + static_cast<std::uint32_t>(i);
    block[0] = 7;
    rig.system.PutValue(kTVOut, "DynamicFmt", platform::kRegBinary, block.data(), 72);
    rig.adapter.ClearRequests();
    CHECK(rig.Switch(nv::kOutputTVNtsc, {kIdYes, kIdYes}));
    CHECK(rig.DeviceEscapes() == std::vector<std::vector<std::uint32_t>>{{0, 2, 7}});
    CHECK(Record(rig.system, kTVOut, "DynamicFmt") == block);
    CHECK(rig.adapter.State().tvFormat == 7);

    // Back to the monitor: the kept record comes back.
    rig.adapter.ClearRequests();
    CHECK(rig.Switch(nv::kOutputMonitor, {kIdYes, kIdYes}));
    CHECK(rig.ModeChanges() == std::vector<std::vector<std::uint32_t>>{{800, 600, 16, 85}});
}

TEST_CASE("stored records of the wrong size")
{
    SUBCASE("a short mode record replaces only its first fields") {
        SwitchRig rig(nv::kOutputTV);
        rig.driver.m_nModeWidth = 1024;
        rig.driver.m_nModeHeight = 768;
        rig.driver.m_nModeBitsPerPel = 32;
        rig.driver.m_nModeRefresh = 75;
        PutRecord(rig.system, "Analog Monitor", {800, 600});
        CHECK(rig.Switch(nv::kOutputMonitor, {kIdYes, kIdYes}));
        CHECK(rig.ModeChanges() == std::vector<std::vector<std::uint32_t>>{{800, 600, 32, 75}});
    }
    SUBCASE("a long mode record is not used") {
        SwitchRig rig(nv::kOutputTV);
        rig.driver.m_nModeWidth = 1024;
        rig.driver.m_nModeHeight = 768;
        rig.driver.m_nModeBitsPerPel = 32;
        rig.driver.m_nModeRefresh = 75;
        PutRecord(rig.system, "Analog Monitor", {800, 600, 16, 85, 1});
        CHECK(rig.Switch(nv::kOutputMonitor, {kIdYes, kIdYes}));
        CHECK(rig.ModeChanges() == std::vector<std::vector<std::uint32_t>>{{1024, 768, 32, 75}});
    }
    SUBCASE("a short TV block replaces only its first bytes of the block kept") {
        SwitchRig rig(nv::kOutputMonitor);
        std::memset(rig.driver.m_TVFormatBlock, 0x33, sizeof rig.driver.m_TVFormatBlock);
        const std::uint32_t format = 7;
        rig.system.PutValue(kTVOut, "DynamicFmt", platform::kRegBinary, &format, sizeof format);
        CHECK(rig.Switch(nv::kOutputTV, {kIdYes, kIdYes}));
        const fake::RegValue* stored = rig.system.FindValue(kTVOut, "DynamicFmt");
        REQUIRE(stored);
        std::vector<unsigned char> expected(sizeof rig.driver.m_TVFormatBlock, 0x33);
        std::memcpy(expected.data(), &format, sizeof format);
        CHECK(stored->data == expected);
    }
    SUBCASE("a TV block that is too long falls back to the driver's format") {
        SwitchRig rig(nv::kOutputMonitor);
        std::vector<unsigned char> tooLong(100, 0x55);
        rig.system.PutValue(kTVOut, "DynamicFmt", platform::kRegBinary, tooLong.data(), tooLong.size());
        emulator::AdapterState state = rig.adapter.State();
        state.tvFormat = 9;
        rig.adapter.Reset(state);
        CHECK(rig.Switch(nv::kOutputTVNtsc, {kIdYes, kIdYes}));
        CHECK(rig.DeviceEscapes() == std::vector<std::vector<std::uint32_t>>{{0, 2, 9}});
    }
}

TEST_CASE("a mode change that fails tells the driver the previous device again")
{
    SwitchRig rig(nv::kOutputMonitor);
    rig.adapter.FailWhen([](const Request& r) { return r.kind == Request::kDisplaySettings; });
    CHECK_FALSE(rig.Switch(nv::kOutputTV, {kIdYes, kIdYes}));
    CHECK(rig.DeviceEscapes() == std::vector<std::vector<std::uint32_t>>{{0, 3, 5}, {0, 0, 0}});
    CHECK(rig.adapter.State().outputDevice == nv::kOutputMonitor);
    CHECK(rig.driver.m_nOutputDevice == nv::kOutputMonitor);
    CHECK(rig.system.messageBoxes.size() == 1);
}

TEST_CASE("through the apply: a failed switch sets item 79 back; a declined one still commits")
{
    SUBCASE("failed") {
        SwitchRig rig(nv::kOutputMonitor);
        rig.system.PutKey("Software\\Microsoft\\Windows\\CurrentVersion\\Run");
        rig.adapter.FailWhen([](const Request& r) { return r.kind == Request::kDisplaySettings; });
        rig.system.messageBoxAnswers = {kIdYes};
        rig.driver.SetNewOutputDevice(nv::kOutputFlatPanel);
        CHECK_FALSE(rig.driver.ApplySettings());
        CHECK(rig.driver.GetLastErrorText() == "E5.21: Unable to switch output devices.");
        CHECK(rig.adapter.State().outputDevice == nv::kOutputMonitor);
        CHECK(rig.driver.m_nNewOutputDevice == nv::kOutputFlatPanel);
    }
    SUBCASE("failed before the display was touched: the driver's device is the old one") {
        SwitchRig rig(nv::kOutputTV);
        rig.system.PutKey("Software\\Microsoft\\Windows\\CurrentVersion\\Run");
        emulator::AdapterState state = rig.adapter.State();
        state.monitorAttached = 0;  // no mode for the monitor: the switch ends before any escape
        rig.adapter.Reset(state);
        rig.driver.SetNewOutputDevice(nv::kOutputMonitor);
        CHECK_FALSE(rig.driver.ApplySettings());
        CHECK(rig.driver.GetLastErrorText() == "E5.21: Unable to switch output devices.");
        CHECK(rig.DeviceEscapes().empty());
        CHECK(rig.adapter.State().outputDevice == nv::kOutputTV);
    }
    SUBCASE("declined") {
        SwitchRig rig(nv::kOutputMonitor);
        rig.system.PutKey("Software\\Microsoft\\Windows\\CurrentVersion\\Run");
        rig.system.messageBoxAnswers = {kIdNo};
        rig.driver.SetNewOutputDevice(nv::kOutputFlatPanel);
        CHECK(rig.driver.ApplySettings());
        CHECK(g_bOutputSwitchDeclined);
        CHECK(rig.driver.m_nOutputDevice == nv::kOutputMonitor);
        CHECK(rig.driver.m_nNewOutputDevice == nv::kOutputFlatPanel);
    }
}
