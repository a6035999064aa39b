// The driver core on the emulated adapter on the fake system: the usual
// arrangement of a core test.
#pragma once

#include "driver/display_driver.h"
#include "emulator/emulated_adapter.h"
#include "fake_system.h"

struct Rig {
    explicit Rig(std::uint32_t platformId = platform::kVerPlatformWin32Nt)
    {
        system.platformId = platformId;
        adapter.KeepRequests(true);
    }

    fake::FakeSystem system;
    emulator::EmulatedAdapter adapter{system};
    CDisplayDriver driver{adapter, 0x1234};
};

// The adapter keys the emulated adapter reports on each family.
constexpr const char* kNtAdapterKey = "SYSTEM\\CurrentControlSet\\Services\\nv4\\Device0";
constexpr const char* k9xAdapterKey = "System\\CurrentControlSet\\Services\\Class\\Display\\0000";
constexpr const char* kDisplayName = "\\\\.\\Display1";
