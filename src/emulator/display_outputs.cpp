#include "emulator/display_outputs.h"

#include "platform/nv_protocol.h"

namespace emulator {

bool AcceptsMode(const AdapterState& state, std::uint32_t device, std::uint32_t width,
                 std::uint32_t height, std::uint32_t bitsPerPel, std::uint32_t refresh)
{
    if (bitsPerPel != 8 && bitsPerPel != 16 && bitsPerPel != 32)
        return false;
    if (width < 640 || height < 480)
        return false;
    switch (device) {
    case nv::kOutputMonitor:
        return state.monitorAttached && width <= 1600 && height <= 1200
               && (refresh == 0 || (refresh >= 56 && refresh <= 100));
    case nv::kOutputTVNtsc:
    case nv::kOutputTV:
        // A TV shows the two standard sizes, at its own field rate.
        return state.tvAttached && ((width == 640 && height == 480) || (width == 800 && height == 600))
               && (refresh == 0 || refresh == 60);
    case nv::kOutputFlatPanel:
        return state.flatPanelAttached && width <= state.panelWidth && height <= state.panelHeight
               && (refresh == 0 || (refresh >= 56 && refresh <= 75));
    default:
        return false;
    }
}

}  // namespace emulator
