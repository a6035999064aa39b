// Which display modes each output of the emulated board accepts.
#pragma once

#include <cstdint>

#include "emulator/adapter_state.h"

namespace emulator {

// True when the device is attached and shows width x height at the colour
// depth and refresh rate (0 Hz: the device's own choice).
bool AcceptsMode(const AdapterState& state, std::uint32_t device, std::uint32_t width,
                 std::uint32_t height, std::uint32_t bitsPerPel, std::uint32_t refresh);

}  // namespace emulator
