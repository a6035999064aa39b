// The driver core on the emulated adapter on the fake system: the usual
// arrangement of a core test.
#pragma once

#include <doctest.h>

#include <cstring>

#include "driver/display_driver.h"
#include "driver/registry_layout.h"
#include "emulator/emulated_adapter.h"
#include "platform/platform_decorator.h"
#include "fake_system.h"

struct Rig {
    explicit Rig(std::uint32_t platformId = platform::kVerPlatformWin32Nt)
    {
        system.platformId = platformId;
        adapter.KeepRequests(true);
    }

    fake::FakeSystem system;
    emulator::EmulatedAdapter adapter{system};
    CDisplayDriver driver{adapter, system, 0x1234};
};

// A session opened on a machine with the keys every installation has (the
// log-on entries' and the AGP switches'), with nothing recorded yet.
struct OpenedRig : Rig {
    explicit OpenedRig(std::uint32_t family = platform::kVerPlatformWin32Nt) : Rig(family)
    {
        system.PutKey("Software\\Microsoft\\Windows\\CurrentVersion\\Run");
        system.PutKey("SOFTWARE\\NVIDIA Corporation\\Global\\System");
        REQUIRE(driver.Open("\\\\.\\Display1"));
        adapter.ClearRequests();
        system.registryCalls.clear();
        g_bOutputSwitchDeclined = false;
    }
    // Registry writes, deletes and key creations since opening.
    std::size_t Writes() const
    {
        std::size_t n = 0;
        for (const fake::RegCall& call : system.registryCalls)
            n += call.op == fake::RegCall::kSet || call.op == fake::RegCall::kDelete
                 || call.op == fake::RegCall::kCreate;
        return n;
    }
};

// The fail-the-Nth-request sweep: `run` (true when it succeeds) on a fresh
// rig whose board takes every request, counting the requests it makes; then,
// for each of them, `run` on a fresh rig whose board fails that one request
// alone, and `check(rig, n, failedRequest, runResult)`.  Returns the count.
template <typename RigType, typename Run, typename Check>
std::size_t FailEachRequest(Run run, Check check)
{
    std::size_t total = 0;
    {
        RigType rig;
        REQUIRE(run(rig));
        total = rig.adapter.Requests().size();
    }
    for (std::size_t failing = 0; failing < total; ++failing) {
        CAPTURE(failing);
        RigType rig;
        std::size_t seen = 0;
        emulator::Request failed(emulator::Request::kResourceManager, 0);
        rig.adapter.FailWhen([&](const emulator::Request& r) {
            if (seen++ != failing)
                return false;
            failed = r;
            return true;
        });
        const bool result = run(rig);
        REQUIRE(seen > failing);  // the request to fail was made
        check(rig, failing, failed, result);
    }
    return total;
}

// Pending clocks that may be applied, as after a passed test of them.
inline void StageTestedClocks(CDisplayDriver& driver, int coreMHz, int memMHz)
{
    driver.SetNewCoreClock(coreMHz);
    driver.SetNewMemClock(memMHz);
    driver.AcceptClocks(coreMHz, memMHz);
}

// The first write or delete among calls that touches the log-on entry or its
// clock record, as "key\\value"; empty when none does.
inline std::string LogOnWrite(const std::vector<fake::RegCall>& calls)
{
    for (const fake::RegCall& call : calls)
        if ((call.op == fake::RegCall::kSet || call.op == fake::RegCall::kDelete)
            && (call.key == layout::kRunKey || call.key.find("\\Hardware") != std::string::npos))
            return call.key + "\\" + call.value;
    return std::string();
}

// The adapter keys the emulated adapter reports on each family.
constexpr const char* kNtAdapterKey = "SYSTEM\\CurrentControlSet\\Services\\nv4\\Device0";
constexpr const char* k9xAdapterKey = "System\\CurrentControlSet\\Services\\Class\\Display\\0000";
constexpr const char* kDisplayName = "\\\\.\\Display1";

// The system's display library going missing: from the given load of
// "USER32.DLL" on (counting from 1) it cannot be loaded, or it lacks the
// display-settings functions.
struct DisplayLibraryGone : platform::PlatformDecorator {
    enum What { kLibrary, kFunction };
    DisplayLibraryGone(platform::Platform& inner, What what_, int fromLoad_ = 1)
        : PlatformDecorator(inner), what(what_), fromLoad(fromLoad_)
    {
    }
    platform::Module LoadLibraryA(const char* name) override
    {
        if (std::strcmp(name, "USER32.DLL") == 0 && ++loads >= fromLoad && what == kLibrary)
            return 0;
        const platform::Module module = PlatformDecorator::LoadLibraryA(name);
        held += module != 0;
        return module;
    }
    bool FreeLibrary(platform::Module module) override
    {
        held -= module != 0;
        return PlatformDecorator::FreeLibrary(module);
    }
    platform::Procedure GetProcAddressA(platform::Module module, const char* name) override
    {
        if (what == kFunction && loads >= fromLoad && std::strncmp(name, "ChangeDisplaySettings", 21) == 0)
            return 0;
        return PlatformDecorator::GetProcAddressA(module, name);
    }
    What what;
    int fromLoad;
    int loads = 0;
    int held = 0;  // libraries loaded and not freed
};
