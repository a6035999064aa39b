#include <doctest.h>

#include <cstring>

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
    CHECK((0x011010DEu >> 16) >= 0x100);

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
