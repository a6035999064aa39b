// The 9x family's resource-manager path, for real: Wine reports Windows 98,
// and the requests go through ordinal 9 of the nvarch32.dll beside this
// program.
#include <doctest.h>
#include <windows.h>

#include <cstring>

#include "driver/rm_access.h"
#include "emulator/resource_manager.h"
#include "platform/nv_protocol.h"
#include "platform/win32/win32_platform.h"

using namespace driver;

namespace {

struct StubLibrary {
    // Held for the whole test, so the stub's memory of the last call lasts
    // while the layer loads and frees the library at every request.
    StubLibrary() : module(LoadLibraryA("nvarch32.dll")) {}
    ~StubLibrary() { FreeLibrary(module); }

    DWORD LastCall(void* block, DWORD size)
    {
        using LastCallFn = DWORD (*)(void*, DWORD);
        void* address = reinterpret_cast<void*>(GetProcAddress(module, "StubLastCall"));
        REQUIRE(address != nullptr);
        return reinterpret_cast<LastCallFn>(address)(block, size);
    }

    HMODULE module;
};

}  // namespace

TEST_CASE("Wine reports the Windows 9x family to this program")
{
    platform::Win32Platform os;
    REQUIRE(GetPlatformId(os) == VER_PLATFORM_WIN32_WINDOWS);
}

TEST_CASE("the entry is found by ordinal 9 and by no name")
{
    StubLibrary stub;
    REQUIRE(stub.module);
    auto lookUp = [&](const char* name) { return reinterpret_cast<void*>(GetProcAddress(stub.module, name)); };
    CHECK(lookUp(MAKEINTRESOURCEA(9)) != nullptr);
    CHECK(lookUp("RmEntry") == nullptr);
    CHECK(lookUp("RmEntry@8") == nullptr);
}

TEST_CASE("blocks travel to the library and come back as the layer says")
{
    platform::Win32Platform os;
    StubLibrary stub;
    REQUIRE(stub.module);

    std::uint32_t client = 0;
    REQUIRE(RmAllocRoot(os, &client) == 0);
    CHECK(client != 0);
    nv::RmAllocRootBlock root;
    CHECK(stub.LastCall(&root, sizeof root) == nv::kFnRmAllocRoot);
    CHECK(root.client == 0);
    CHECK(root.objectClass == 0);
    CHECK(root.status == 0);

    char name[32] = {};
    REQUIRE(RmAllocDevice(os, client, nv::kDeviceHandle, nv::kDeviceClass, name) == 0);
    nv::RmAllocDeviceBlock device;
    CHECK(stub.LastCall(&device, sizeof device) == nv::kFnRmAllocDevice);
    CHECK(device.client == client);
    CHECK(device.device == 0xBAAD0000u);
    CHECK(device.deviceClass == 128);
    CHECK(device.name == reinterpret_cast<nv::Address>(name));

    std::uint32_t value = 0xDEADBEEF;
    REQUIRE(RmConfigGet(os, client, nv::kDeviceHandle, nv::kItemCoreClock, &value) == 0);
    CHECK(value == 200000000);
    nv::RmConfigGetBlock get;
    CHECK(stub.LastCall(&get, sizeof get) == nv::kFnRmConfigGet);
    CHECK(get.item == 253);
    CHECK(get.value == 0);

    std::uint32_t previous = 0xDEADBEEF;
    REQUIRE(RmConfigSet(os, client, nv::kDeviceHandle, nv::kItemCoreClock, 300000000, &previous) == 0);
    CHECK(previous == 200000000);
    nv::RmConfigSetBlock set;
    CHECK(stub.LastCall(&set, sizeof set) == nv::kFnRmConfigSet);
    CHECK(set.item == 253);
    CHECK(set.value == 300000000);
    CHECK(set.previous == 0);

    std::uint32_t panel[6];
    std::memset(panel, 0xEE, sizeof panel);
    REQUIRE(RmConfigGetEx(os, client, nv::kDeviceHandle, nv::kItemFlatPanelInfo, panel, 20) == 0);
    CHECK(panel[1] == 1280);
    CHECK(panel[2] == 1024);
    CHECK(panel[5] == 0xEEEEEEEEu);
    nv::RmConfigGetExBlock getEx;
    CHECK(stub.LastCall(&getEx, sizeof getEx) == nv::kFnRmConfigGetEx);
    CHECK(getEx.reply == reinterpret_cast<nv::Address>(panel));
    CHECK(getEx.replySize == 20);

    // A refusal still copies the outputs back: the status says what happened.
    value = 0xDEADBEEF;
    CHECK(RmConfigGet(os, client, nv::kDeviceHandle, 9999, &value) == emulator::kRmBadItem);
    CHECK(value == 0);

    REQUIRE(RmFree(os, client, 0, client) == 0);
    nv::RmFreeBlock freed;
    CHECK(stub.LastCall(&freed, sizeof freed) == nv::kFnRmFree);
    CHECK(freed.client == client);
    CHECK(freed.parent == 0);
    CHECK(freed.object == client);
    CHECK(RmFree(os, client, 0, client) == emulator::kRmBadClient);
}
