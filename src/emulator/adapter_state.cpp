#include "emulator/adapter_state.h"

#include <cstddef>

namespace emulator {
namespace {

struct Field {
    const char* name;
    std::uint32_t AdapterState::*member;
};

const Field kFields[] = {
    {"PciId", &AdapterState::pciId},
    {"CoreClockHz", &AdapterState::coreClockHz},
    {"MemClockHz", &AdapterState::memClockHz},
    {"StableCoreMHz", &AdapterState::stableCoreMHz},
    {"StableMemMHz", &AdapterState::stableMemMHz},
    {"FastWrites", &AdapterState::fastWrites},
    {"OutputDevice", &AdapterState::outputDevice},
    {"TVConnector", &AdapterState::tvConnector},
    {"TVFormat", &AdapterState::tvFormat},
    {"DesktopWidth", &AdapterState::desktopWidth},
    {"DesktopHeight", &AdapterState::desktopHeight},
    {"DesktopBitsPerPel", &AdapterState::desktopBitsPerPel},
    {"RefreshRate", &AdapterState::refreshRate},
    {"MonitorAttached", &AdapterState::monitorAttached},
    {"TVAttached", &AdapterState::tvAttached},
    {"FlatPanelAttached", &AdapterState::flatPanelAttached},
    {"PanelWidth", &AdapterState::panelWidth},
    {"PanelHeight", &AdapterState::panelHeight},
    {"ClockStepHz", &AdapterState::clockStepHz},
    {"IgnoreClockSets", &AdapterState::ignoreClockSets},
    {"RefuseSettingWrites", &AdapterState::refuseSettingWrites},
    {"RefuseClockSetsFrom", &AdapterState::refuseClockSetsFrom},
};

}  // namespace

AdapterState LoadState(platform::Platform& os, bool* whole)
{
    AdapterState state;
    if (whole)
        *whole = false;
    platform::RegKey key = 0;
    if (os.RegOpenKeyExA(platform::kHKeyLocalMachine, kStateKey, 0, platform::kKeyQueryValue, &key)
        != platform::kErrorSuccess)
        return state;
    std::size_t read = 0;
    for (const Field& field : kFields) {
        std::uint32_t value = 0, type = 0, size = sizeof value;
        if (os.RegQueryValueExA(key, field.name, &type, &value, &size) == platform::kErrorSuccess
            && type == platform::kRegDword && size == sizeof value) {
            state.*field.member = value;
            ++read;
        }
    }
    if (whole)
        *whole = read == sizeof kFields / sizeof kFields[0];
    os.RegCloseKey(key);
    return state;
}

bool SaveState(platform::Platform& os, const AdapterState& state)
{
    platform::RegKey key = 0;
    std::uint32_t disposition = 0;
    if (os.RegCreateKeyExA(platform::kHKeyLocalMachine, kStateKey, platform::kRegOptionNonVolatile,
                           platform::kKeySetValue, &key, &disposition)
        != platform::kErrorSuccess)
        return false;
    bool ok = true;
    for (const Field& field : kFields) {
        std::uint32_t value = state.*field.member;
        ok = os.RegSetValueExA(key, field.name, platform::kRegDword, &value, sizeof value)
                 == platform::kErrorSuccess
             && ok;
    }
    os.RegCloseKey(key);
    return ok;
}

}  // namespace emulator
