#include <doctest.h>

#include <cstring>

#include "driver/rm_access.h"
#include "platform/nv_protocol.h"
#include "rig.h"

using emulator::Request;
using namespace driver;

namespace {

// One connection that makes every kind of request, with what came back.
struct Session {
    std::uint32_t client = 0xEEEEEEEE;
    std::vector<std::uint32_t> statuses;
    std::uint32_t core = 0xEEEEEEEE, previous = 0xEEEEEEEE;
    std::uint32_t panel[6];
};

Session RunSession(platform::Platform& os)
{
    Session s;
    std::memset(s.panel, 0xEE, sizeof s.panel);
    char name[32] = {};
    s.statuses.push_back(RmAllocRoot(os, &s.client));
    s.statuses.push_back(RmAllocDevice(os, s.client, nv::kDeviceHandle, nv::kDeviceClass, name));
    s.statuses.push_back(RmConfigGet(os, s.client, nv::kDeviceHandle, nv::kItemCoreClock, &s.core));
    s.statuses.push_back(RmConfigSet(os, s.client, nv::kDeviceHandle, nv::kItemCoreClock, 300000000, &s.previous));
    s.statuses.push_back(RmConfigGetEx(os, s.client, nv::kDeviceHandle, nv::kItemFlatPanelInfo, s.panel, 20));
    s.statuses.push_back(RmFree(os, s.client, 0, s.client));
    return s;
}

}  // namespace

TEST_CASE("both families send the same blocks and get the same results")
{
    Rig nt(platform::kVerPlatformWin32Nt);
    Rig win9x(platform::kVerPlatformWin32Windows);
    Session a = RunSession(nt.adapter);
    Session b = RunSession(win9x.adapter);

    CHECK(a.statuses == std::vector<std::uint32_t>(6, 0));
    CHECK(b.statuses == a.statuses);
    CHECK(a.client != 0);
    CHECK(b.client == a.client);
    CHECK(a.core == 200000000);
    CHECK(b.core == a.core);
    CHECK(a.previous == 200000000);
    CHECK(b.previous == a.previous);
    CHECK(std::memcmp(a.panel, b.panel, sizeof a.panel) == 0);
    CHECK(a.panel[1] == 1280);
    CHECK(a.panel[5] == 0xEEEEEEEE);  // nothing past the 20 bytes

    // The fields as they reached the resource manager, request by request.
    const std::uint32_t c = a.client;
    const std::vector<std::vector<std::uint32_t>> sent = {
        {0, 0, 0},                                              // RmAllocRoot
        {c, nv::kDeviceHandle, 128, 1, 0},                      // RmAllocDevice
        {c, nv::kDeviceHandle, 253, 0, 0},                      // RmConfigGet
        {c, nv::kDeviceHandle, 253, 0, 300000000, 0},           // RmConfigSet
        {c, nv::kDeviceHandle, 106, 1, 20, 0},                  // RmConfigGetEx
        {c, 0, c, 0},                                           // RmFree
    };
    const std::uint32_t functions[] = {1, 6, 13, 14, 17, 0};
    REQUIRE(nt.adapter.Requests().size() == 6);
    REQUIRE(win9x.adapter.Requests().size() == 6);
    for (std::size_t i = 0; i < 6; ++i) {
        CAPTURE(i);
        CHECK(nt.adapter.Requests()[i].code == functions[i]);
        CHECK(nt.adapter.Requests()[i].fields == sent[i]);
        CHECK(win9x.adapter.Requests()[i].code == functions[i]);
        CHECK(win9x.adapter.Requests()[i].fields == sent[i]);
    }
    CHECK(nt.system.LiveDCs() == 0);  // every screen context released
}

TEST_CASE("any platform other than the 9x family uses escapes")
{
    for (std::uint32_t id : {0u, 2u, 3u, 7u}) {
        CAPTURE(id);
        Rig rig(id);
        std::uint32_t client = 0;
        // The fake system has no library, so only the escape path can answer.
        CHECK(RmAllocRoot(rig.adapter, &client) == 0);
        CHECK(client != 0);
    }
}

TEST_CASE("an escape that fails gives status 1, keeps outputs, and releases the context")
{
    Rig rig;
    std::uint32_t client = 0;
    char name[32] = {};
    REQUIRE(RmAllocRoot(rig.adapter, &client) == 0);
    REQUIRE(RmAllocDevice(rig.adapter, client, nv::kDeviceHandle, 128, name) == 0);

    // A fake system under no adapter answers no escape at all.
    std::uint32_t value = 0xDEADBEEF, previous = 0xDEADBEEF;
    CHECK(RmConfigGet(rig.system, client, nv::kDeviceHandle, 253, &value) == 1);
    CHECK(RmConfigSet(rig.system, client, nv::kDeviceHandle, 253, 1, &previous) == 1);
    CHECK(value == 0xDEADBEEF);
    CHECK(previous == 0xDEADBEEF);
    std::uint32_t fresh = 0xDEADBEEF;
    CHECK(RmAllocRoot(rig.system, &fresh) == 1);
    CHECK(fresh == 0);
    CHECK(rig.system.LiveDCs() == 0);

    // No screen context at all.
    rig.system.failCreateDC = true;
    CHECK(RmConfigGet(rig.adapter, client, nv::kDeviceHandle, 253, &value) == 1);
    CHECK(value == 0xDEADBEEF);
}

TEST_CASE("the resource manager's own refusal comes back as its status on both families")
{
    for (std::uint32_t id : {platform::kVerPlatformWin32Nt, platform::kVerPlatformWin32Windows}) {
        CAPTURE(id);
        Rig rig(id);
        std::uint32_t value = 0xDEADBEEF;
        CHECK(RmConfigGet(rig.adapter, 0x1111, nv::kDeviceHandle, 253, &value) == emulator::kRmBadClient);
        std::uint32_t client = 0;
        char name[32] = {};
        REQUIRE(RmAllocRoot(rig.adapter, &client) == 0);
        CHECK(RmConfigGet(rig.adapter, client, nv::kDeviceHandle, 253, &value) == emulator::kRmBadDevice);
        REQUIRE(RmAllocDevice(rig.adapter, client, nv::kDeviceHandle, 128, name) == 0);
        CHECK(RmConfigGet(rig.adapter, client, nv::kDeviceHandle, 9999, &value) == emulator::kRmBadItem);
        CHECK(RmFree(rig.adapter, client, 0, client) == 0);
        CHECK(RmFree(rig.adapter, client, 0, client) == emulator::kRmBadClient);
    }
}

TEST_CASE("the 9x family without the library cannot send")
{
    fake::FakeSystem system;
    system.platformId = platform::kVerPlatformWin32Windows;
    std::uint32_t client = 0xDEADBEEF;
    CHECK(RmAllocRoot(system, &client) == 1);
    CHECK(client == 0);
}

TEST_CASE("committing sends nothing to the board")
{
    Rig rig;
    RmCommitConfig(0, 0, 0);
    RmCommitConfig(0xFFFFFFFF, nv::kDeviceHandle, 1);
    CHECK(rig.adapter.Requests().empty());
}

TEST_CASE("the platform identifier is asked for at every request")
{
    Rig rig(platform::kVerPlatformWin32Windows);
    CHECK(GetPlatformId(rig.adapter) == platform::kVerPlatformWin32Windows);
    rig.system.platformId = platform::kVerPlatformWin32Nt;
    CHECK(GetPlatformId(rig.adapter) == platform::kVerPlatformWin32Nt);
}
