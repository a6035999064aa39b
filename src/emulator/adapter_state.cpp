#include "emulator/adapter_state.h"

#include <algorithm>
#include <cstddef>
#include <iterator>

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
    {"Faulted", &AdapterState::faulted},
    {"HangAboveLimit", &AdapterState::hangAboveLimit},
    {"Hung", &AdapterState::hung},
};

// Reads the fields from `first` to `last` into state; returns how many
// were stored.
std::size_t Load(platform::Platform& os, const Field* first, const Field* last, AdapterState& state)
{
    platform::RegKey key = 0;
    if (os.RegOpenKeyExA(platform::kHKeyLocalMachine, kStateKey, 0, platform::kKeyQueryValue, &key)
        != platform::kErrorSuccess)
        return 0;
    std::size_t read = 0;
    for (const Field* field = first; field != last; ++field) {
        std::uint32_t value = 0, type = 0, size = sizeof value;
        if (os.RegQueryValueExA(key, field->name, &type, &value, &size) == platform::kErrorSuccess
            && type == platform::kRegDword && size == sizeof value) {
            state.*field->member = value;
            ++read;
        }
    }
    os.RegCloseKey(key);
    return read;
}

}  // namespace

AdapterState LoadState(platform::Platform& os, bool* whole)
{
    AdapterState state;
    const std::size_t read = Load(os, std::begin(kFields), std::end(kFields), state);
    if (whole)
        *whole = read == std::size(kFields);
    return state;
}

std::uint32_t LoadValue(platform::Platform& os, std::uint32_t AdapterState::*member)
{
    AdapterState state;
    for (const Field& field : kFields)
        if (field.member == member)
            Load(os, &field, &field + 1, state);
    return state.*member;
}

bool SaveState(platform::Platform& os, const AdapterState& state, const AdapterState* stored)
{
    auto changed = [&](const Field& field) { return !stored || stored->*field.member != state.*field.member; };
    if (std::none_of(std::begin(kFields), std::end(kFields), changed))
        return true;
    platform::RegKey key = 0;
    std::uint32_t disposition = 0;
    if (os.RegCreateKeyExA(platform::kHKeyLocalMachine, kStateKey, platform::kRegOptionNonVolatile,
                           platform::kKeySetValue, &key, &disposition)
        != platform::kErrorSuccess)
        return false;
    bool ok = true;
    for (const Field& field : kFields) {
        std::uint32_t value = state.*field.member;
        ok = (!changed(field)
              || os.RegSetValueExA(key, field.name, platform::kRegDword, &value, sizeof value)
                     == platform::kErrorSuccess)
             && ok;
    }
    os.RegCloseKey(key);
    return ok;
}

}  // namespace emulator
