// The hardware state of the emulated adapter, and where it is kept between
// runs: a key of its own under HKEY_LOCAL_MACHINE.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace emulator {

// A GeForce2 MX with a monitor and a TV attached, at its factory clocks.
struct AdapterState {
    std::uint32_t pciId = 0x011010DE;  // device 0x0110, vendor 0x10DE
    std::uint32_t coreClockHz = 200000000;
    std::uint32_t memClockHz = 166000000;
    // The fastest clocks at which the board still survives a display reset.
    std::uint32_t stableCoreMHz = 235;
    std::uint32_t stableMemMHz = 195;
    std::uint32_t fastWrites = 0;
    std::uint32_t outputDevice = 0;
    std::uint32_t tvConnector = 1;
    std::uint32_t tvFormat = 0;
    std::uint32_t desktopWidth = 1024;
    std::uint32_t desktopHeight = 768;
    std::uint32_t desktopBitsPerPel = 32;
    std::uint32_t refreshRate = 75;
    std::uint32_t monitorAttached = 1;
    std::uint32_t tvAttached = 1;
    std::uint32_t flatPanelAttached = 0;
    std::uint32_t panelWidth = 1280;
    std::uint32_t panelHeight = 1024;
    // The clock generator's step: a clock request is rounded down to a
    // multiple of it (0: exact).  With ignoreClockSets 1 clock requests
    // answer success and change nothing.
    std::uint32_t clockStepHz = 0;
    std::uint32_t ignoreClockSets = 0;
    // With 1, the driver's registry keys keep their values: a write under
    // the adapter key answers success and stores nothing, as when another
    // program writes the settings back at once.
    std::uint32_t refuseSettingWrites = 0;
    // With N, every clock request of a resource-manager client from its Nth
    // on is refused, as by a board that will not take clocks back after a
    // trial (0: none is).
    std::uint32_t refuseClockSetsFrom = 0;
    // 1 from a display reset at clocks beyond the stable ones until the next
    // reset at clocks the board survives, which recovers it but still fails.
    std::uint32_t faulted = 0;
    // With 1, a display reset at clocks beyond the stable ones never returns,
    // as a machine that hangs; it sets hung to 1 first, for the tests that
    // then end the process as a restart would.
    std::uint32_t hangAboveLimit = 0;
    std::uint32_t hung = 0;
};

constexpr const char* kStateKey = "SOFTWARE\\Marovex\\Emulated Adapter";

// Reads the stored state; values that are missing keep their defaults.
// whole, when given, tells whether every value was stored.
AdapterState LoadState(platform::Platform& os, bool* whole = nullptr);
// One stored value, or its default when it is missing.
std::uint32_t LoadValue(platform::Platform& os, std::uint32_t AdapterState::*member);
// Stores the whole state, or with `stored` (the state as it was read) only
// the values that differ from it, so that values another process changed
// since stay as it left them.  False when the key cannot be written.
bool SaveState(platform::Platform& os, const AdapterState& state, const AdapterState* stored = nullptr);

}  // namespace emulator
