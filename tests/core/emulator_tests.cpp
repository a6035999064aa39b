#include <doctest.h>

#include <cstring>
#include <string>

#include "driver/rm_access.h"
#include "platform/nv_protocol.h"
#include "rig.h"

using namespace driver;
using emulator::AdapterState;
using emulator::EmulatedAdapter;

namespace {

std::uint32_t Connect(platform::Platform& os)
{
    std::uint32_t client = 0;
    char name[32] = {};
    REQUIRE(RmAllocRoot(os, &client) == 0);
    REQUIRE(RmAllocDevice(os, client, nv::kDeviceHandle, nv::kDeviceClass, name) == 0);
    return client;
}

// One program's adapter, with a resource-manager client of its own.  Two of
// them on one fake system are two programs driving the one board.
struct Process {
    explicit Process(platform::Platform& system) : adapter(system), client(Connect(adapter)) {}
    std::uint32_t Set(std::uint32_t item, std::uint32_t value)
    {
        std::uint32_t previous = 0;
        return RmConfigSet(adapter, client, nv::kDeviceHandle, item, value, &previous);
    }
    std::uint32_t Get(std::uint32_t item)
    {
        std::uint32_t value = 0xDEADBEEF;
        CHECK(RmConfigGet(adapter, client, nv::kDeviceHandle, item, &value) == 0);
        return value;
    }
    long Reset()
    {
        platform::Module user32 = adapter.LoadLibraryA("USER32.DLL");
        return adapter.CallChangeDisplaySettings(adapter.GetProcAddressA(user32, "ChangeDisplaySettingsA"), nullptr,
                                                 platform::kCdsReset);
    }
    EmulatedAdapter adapter;
    std::uint32_t client;
};

}  // namespace

TEST_CASE("the board reports a GeForce-class device with realistic values")
{
    Rig rig;
    std::uint32_t client = Connect(rig.adapter);
    struct { std::uint32_t item, value; } items[] = {
        {13, 0x011010DE}, {47, 0}, {50, 1024}, {51, 768}, {52, 32}, {79, 0},
        {90, 1}, {134, 0}, {251, 166000000}, {253, 200000000},
    };
    for (auto i : items) {
        CAPTURE(i.item);
        std::uint32_t value = 0xDEADBEEF;
        CHECK(RmConfigGet(rig.adapter, client, nv::kDeviceHandle, i.item, &value) == 0);
        CHECK(value == i.value);
    }

    std::uint32_t tv[4] = {0, 0, 0, 0xEEEEEEEE}, monitor = 0;
    CHECK(RmConfigGetEx(rig.adapter, client, nv::kDeviceHandle, 104, tv, 12) == 0);
    CHECK(tv[2] == 1);
    CHECK(tv[3] == 0xEEEEEEEE);
    CHECK(RmConfigGetEx(rig.adapter, client, nv::kDeviceHandle, 108, &monitor, 4) == 0);
    CHECK(monitor == 1);
    std::uint32_t small[2] = {0xEEEEEEEE, 0xEEEEEEEE};
    CHECK(RmConfigGetEx(rig.adapter, client, nv::kDeviceHandle, 106, small, 8) == emulator::kRmBufferTooSmall);
    CHECK(small[0] == 0xEEEEEEEE);
}

TEST_CASE("handles are checked: clients, devices, classes and frees")
{
    Rig rig;
    std::uint32_t client = 0;
    char name[32] = {};
    REQUIRE(RmAllocRoot(rig.adapter, &client) == 0);
    CHECK(RmAllocDevice(rig.adapter, client + 1, nv::kDeviceHandle, 128, name) == emulator::kRmBadClient);
    CHECK(RmAllocDevice(rig.adapter, client, nv::kDeviceHandle, 64, name) == emulator::kRmBadClass);
    CHECK(RmAllocDevice(rig.adapter, client, nv::kDeviceHandle, 128, name) == 0);
    CHECK(RmAllocDevice(rig.adapter, client, nv::kDeviceHandle, 128, name) == emulator::kRmBadDevice);
    std::uint32_t value = 0;
    CHECK(RmConfigGet(rig.adapter, client, 0xBAAD0001, 13, &value) == emulator::kRmBadDevice);
    CHECK(RmFree(rig.adapter, client, client, nv::kDeviceHandle) == 0);
    CHECK(RmConfigGet(rig.adapter, client, nv::kDeviceHandle, 13, &value) == emulator::kRmBadDevice);
    CHECK(RmFree(rig.adapter, client, 0, client) == 0);
    CHECK(rig.adapter.OpenClients() == 0);
}

TEST_CASE("what is set survives a restart of the adapter, through the registry")
{
    fake::FakeSystem system;
    {
        EmulatedAdapter adapter(system);
        std::uint32_t client = Connect(adapter);
        std::uint32_t previous = 0;
        CHECK(RmConfigSet(adapter, client, nv::kDeviceHandle, nv::kItemCoreClock, 215000000, &previous) == 0);
        CHECK(previous == 200000000);
        CHECK(RmConfigSet(adapter, client, nv::kDeviceHandle, nv::kItemFastWrites, 1, &previous) == 0);
        CHECK(RmConfigSet(adapter, client, nv::kDeviceHandle, nv::kItemFastWrites, 5, &previous)
              == emulator::kRmBadValue);
        CHECK(RmConfigSet(adapter, client, nv::kDeviceHandle, nv::kItemPciId, 0, &previous) == emulator::kRmBadItem);
    }
    EmulatedAdapter restarted(system);
    CHECK(restarted.State().coreClockHz == 215000000);
    CHECK(restarted.State().fastWrites == 1);
    CHECK(restarted.State().pciId == 0x011010DE);
    CHECK(system.FindValue(emulator::kStateKey, "CoreClockHz") != nullptr);
}

TEST_CASE("a test can start the board from a chosen state and make requests fail")
{
    Rig rig;
    AdapterState state;
    state.pciId = 0x00A010DE;
    state.flatPanelAttached = 1;
    state.refreshRate = 60;
    rig.adapter.Reset(state);
    emulator::EmulatedAdapter other(rig.system);
    CHECK(other.State().pciId == 0x00A010DE);

    REQUIRE(rig.driver.Open(kDisplayName));
    CHECK(rig.driver.m_wDeviceID == 0x00A0);
    CHECK(rig.driver.HasFlatPanel());
    CHECK(rig.driver.m_nModeRefresh == 60);

    rig.adapter.FailWhen([](const emulator::Request& r) { return r.code == nv::kEscVerify; });
    CHECK_FALSE(rig.driver.Open(kDisplayName));
}

TEST_CASE("display escapes never write past the caller's buffer")
{
    Rig rig;
    platform::DeviceContext dc = rig.adapter.CreateDCA(nullptr, kDisplayName);
    unsigned char small[6];
    std::memset(small, 0xEE, sizeof small);
    CHECK(rig.adapter.ExtEscape(dc, nv::kEscIdentify, 0, nullptr, 6, small) == 0);
    CHECK(rig.adapter.ExtEscape(dc, nv::kEscAdapterKey, 0, nullptr, 6, small) == 0);
    CHECK(small[0] == 0xEE);
    CHECK(rig.adapter.ExtEscape(dc, 0x1234, 0, nullptr, 6, small) == 0);
    CHECK(rig.adapter.ExtEscape(0, nv::kEscVerify, 0, nullptr, 6, small) == 0);
    // A resource-manager escape with a block of the wrong size is refused.
    nv::RmAllocRootBlock block = {};
    CHECK(rig.adapter.ExtEscape(dc, nv::kEscRmAllocRoot, 4, &block, 4, &block) == 0);
    rig.adapter.DeleteDC(dc);
}

TEST_CASE("the library stands in for nvarch32.dll, by ordinal only")
{
    Rig rig(platform::kVerPlatformWin32Windows);
    platform::Module library = rig.adapter.LoadLibraryA("NVARCH32.DLL");
    REQUIRE(library != 0);
    CHECK(rig.adapter.GetProcAddressOrdinal(library, 9) != 0);
    CHECK(rig.adapter.GetProcAddressOrdinal(library, 8) == 0);
    CHECK(rig.adapter.GetProcAddressA(library, "RmEntry") == 0);
    CHECK(rig.adapter.FreeLibrary(library));
}

TEST_CASE("display-settings calls are taken as a 4.0 system takes them, malformed ones refused")
{
    using platform::DisplayMode;
    const DisplayMode good = {148, 0x5C0000, 32, 1024, 768, 75};
    struct Case {
        const char* what;
        bool byName;
        const char* device;
        bool withMode;
        DisplayMode mode;
        std::uint32_t flags;
        long result;
    } cases[] = {
        {"a reset by name", true, "\\\\.\\DISPLAY1", false, {}, platform::kCdsReset, platform::kDispChangeSuccessful},
        {"a reset of the default display", true, nullptr, false, {}, platform::kCdsReset, platform::kDispChangeSuccessful},
        {"a plain reset", false, nullptr, false, {}, platform::kCdsReset, platform::kDispChangeSuccessful},
        {"a mode change", true, "\\\\.\\Display1", true, good, platform::kCdsUpdateRegistry | platform::kCdsReset,
         platform::kDispChangeSuccessful},
        {"the old 124-byte record", false, nullptr, true, {124, 0x5C0000, 32, 1024, 768, 75}, platform::kCdsReset,
         platform::kDispChangeSuccessful},
        {"the default refresh rate", false, nullptr, true, {148, 0x5C0000, 32, 1024, 768, 0},
         platform::kCdsUpdateRegistry | platform::kCdsReset, platform::kDispChangeSuccessful},
        {"another display", true, "\\\\.\\Display2", false, {}, platform::kCdsReset, platform::kDispChangeBadParam},
        {"a reset with other flags", false, nullptr, false, {}, platform::kCdsUpdateRegistry | platform::kCdsReset,
         platform::kDispChangeBadFlags},
        {"a reset without CDS_RESET", false, nullptr, false, {}, 0, platform::kDispChangeBadFlags},
        {"an unknown flag", false, nullptr, true, good, platform::kCdsReset | 0x100, platform::kDispChangeBadFlags},
        {"a record of 156 bytes", false, nullptr, true, {156, 0x5C0000, 32, 1024, 768, 75}, platform::kCdsReset,
         platform::kDispChangeBadParam},
        {"a width without its flag", false, nullptr, true, {148, 0x540000, 32, 1024, 768, 75}, platform::kCdsReset,
         platform::kDispChangeBadParam},
        {"a field flagged that is not given", false, nullptr, true, {148, 0x5C0020, 32, 1024, 768, 75},
         platform::kCdsReset, platform::kDispChangeBadParam},
        {"a width flagged as 0", false, nullptr, true, {148, 0x5C0000, 32, 0, 768, 75}, platform::kCdsReset,
         platform::kDispChangeBadParam},
    };
    for (const Case& c : cases) {
        CAPTURE(c.what);
        Rig rig;
        platform::Module user32 = rig.adapter.LoadLibraryA("USER32.DLL");
        const DisplayMode* mode = c.withMode ? &c.mode : nullptr;
        const long result =
            c.byName ? rig.adapter.CallChangeDisplaySettingsEx(
                           rig.adapter.GetProcAddressA(user32, "ChangeDisplaySettingsExA"), c.device, mode, c.flags)
                     : rig.adapter.CallChangeDisplaySettings(
                           rig.adapter.GetProcAddressA(user32, "ChangeDisplaySettingsA"), mode, c.flags);
        CHECK(result == c.result);
        REQUIRE(rig.adapter.Requests().size() == 1);
        const emulator::Request& logged = rig.adapter.Requests()[0];
        CHECK(logged.flags == c.flags);
        CHECK(logged.device == (c.device ? c.device : ""));
        CHECK(logged.fields.size() == (c.withMode ? 6u : 0u));
        if (c.withMode)
            CHECK(logged.fields[0] == c.mode.dmSize);
    }
}

TEST_CASE("two programs drive one board: each request sees what the other set, and writes only what it changed")
{
    fake::FakeSystem system;
    Process a(system), b(system);
    system.registryCalls.clear();
    CHECK(b.Set(nv::kItemMemClock, 180000000) == 0);
    CHECK(a.Set(nv::kItemCoreClock, 210000000) == 0);
    CHECK(a.Set(nv::kItemFastWrites, 0) == 0);  // as it was: nothing to write
    std::string written;
    for (const fake::RegCall& call : system.registryCalls)
        written += call.op == fake::RegCall::kSet ? call.value + " " : "";
    CHECK(written == "MemClockHz CoreClockHz ");
    CHECK(b.Get(nv::kItemCoreClock) == 210000000);
    CHECK(a.adapter.State().memClockHz == 180000000);

    platform::DeviceContext dc = b.adapter.CreateDCA(nullptr, kDisplayName);
    const std::uint32_t toTV[3] = {0, nv::kOutputTV, 2};
    std::uint32_t reply = 0;
    CHECK(b.adapter.ExtEscape(dc, nv::kEscOutputDevice, sizeof toTV, toTV, 4, &reply) == 1);
    b.adapter.DeleteDC(dc);
    CHECK(a.Get(nv::kItemOutputDevice) == nv::kOutputTV);

    // A fault is the board's: whichever program resets next sees it, once.
    CHECK(a.Set(nv::kItemCoreClock, 240000000) == 0);
    CHECK(a.Reset() == platform::kDispChangeFailed);
    CHECK(b.Set(nv::kItemCoreClock, 200000000) == 0);
    CHECK(b.Reset() == platform::kDispChangeFailed);
    CHECK(a.Reset() == platform::kDispChangeSuccessful);
}

TEST_CASE("a switch written to the board's key is obeyed at the next request of an adapter made before it")
{
    // Each switch, then the same requests: a core clock of 211 MHz, read
    // back, and a display reset.
    struct Case { const char* name; std::uint32_t value, setStatus, coreHz; long reset; } cases[] = {
        {"IgnoreClockSets", 1, 0, 200000000, platform::kDispChangeSuccessful},
        {"ClockStepHz", 2000000, 0, 210000000, platform::kDispChangeSuccessful},
        {"RefuseClockSetsFrom", 1, emulator::kRmBadValue, 200000000, platform::kDispChangeSuccessful},
        {"StableCoreMHz", 205, 0, 211000000, platform::kDispChangeFailed},
    };
    for (const Case& c : cases) {
        INFO(std::string(c.name));
        fake::FakeSystem system;
        Process p(system);
        system.PutDword(emulator::kStateKey, c.name, c.value);
        CHECK(p.Set(nv::kItemCoreClock, 211000000) == c.setStatus);
        CHECK(p.Get(nv::kItemCoreClock) == c.coreHz);
        CHECK(p.Reset() == c.reset);
        CHECK(system.Dword(emulator::kStateKey, c.name) == c.value);
    }

    fake::FakeSystem system;
    EmulatedAdapter adapter(system);
    system.PutDword(emulator::kStateKey, "RefuseSettingWrites", 1);
    platform::RegKey key = 0;
    std::uint32_t disposition = 0, one = 1;
    REQUIRE(adapter.RegCreateKeyExA(platform::kHKeyLocalMachine, kNtAdapterKey, 0, platform::kKeySetValue, &key,
                                    &disposition) == platform::kErrorSuccess);
    CHECK(adapter.RegSetValueExA(key, "Value", platform::kRegDword, &one, 4) == platform::kErrorSuccess);
    adapter.RegCloseKey(key);
    CHECK(system.FindValue(kNtAdapterKey, "Value") == nullptr);
}

TEST_CASE("the board's stored state: a value of another type is not taken, a write that fails is told")
{
    fake::FakeSystem system;
    REQUIRE(emulator::SaveState(system, AdapterState()));
    system.PutValue(emulator::kStateKey, "CoreClockHz", platform::kRegBinary, "\x40\x78\x7D\x01", 4);  // 25 MHz as bytes
    bool whole = true;
    CHECK(emulator::LoadState(system, &whole).coreClockHz == AdapterState().coreClockHz);
    CHECK_FALSE(whole);
    system.failRegistryWhen = [](const fake::RegCall& call) { return call.op == fake::RegCall::kSet && call.value == "MemClockHz"; };
    CHECK_FALSE(emulator::SaveState(system, AdapterState()));
}
