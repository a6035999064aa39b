#include "driver/clock_math.h"

#include <algorithm>

namespace driver {
namespace {

std::uint16_t CoreMask(std::uint32_t salt)
{
    return static_cast<std::uint16_t>((((salt & 0xFFFFu) ^ 0x1D69u) << 1) & 0xFFFFu);
}

std::uint16_t MemMask(std::uint32_t salt)
{
    return static_cast<std::uint16_t>(((salt >> 1) & 0xFFFFu) ^ 0x5A3Cu);
}

}  // namespace

bool RunsClock(std::uint32_t boardHz, std::uint32_t clockHz, std::uint32_t otherHz)
{
    auto apart = [boardHz](std::uint32_t hz) { return std::max(hz, boardHz) - std::min(hz, boardHz); };
    return clockHz == otherHz || apart(clockHz) < apart(otherHz);
}

int HzToMHz(std::uint32_t hz)
{
    return static_cast<int>((static_cast<std::uint64_t>(hz) + 500000u) / 1000000u);
}

std::uint32_t ScrambleClocks(std::uint16_t coreMHz, std::uint16_t memMHz, std::uint16_t deviceId,
                             std::uint32_t salt)
{
    std::uint32_t upper = static_cast<std::uint16_t>(memMHz ^ deviceId ^ MemMask(salt));
    std::uint32_t lower = static_cast<std::uint16_t>(coreMHz ^ deviceId ^ CoreMask(salt));
    return (upper << 16) | lower;
}

void UnscrambleClocks(std::uint32_t record, std::uint16_t deviceId, std::uint32_t salt,
                      std::uint16_t* coreMHz, std::uint16_t* memMHz)
{
    *coreMHz = static_cast<std::uint16_t>((record & 0xFFFFu) ^ deviceId ^ CoreMask(salt));
    *memMHz = static_cast<std::uint16_t>((record >> 16) ^ deviceId ^ MemMask(salt));
}

std::uint16_t UpperClockBound(std::uint16_t baseline)
{
    int bound = static_cast<int>(baseline * 1.25);
    while (bound % 5 != 0)
        ++bound;
    return static_cast<std::uint16_t>(bound);
}

std::uint16_t LowerClockBound(std::uint16_t baseline)
{
    const float factor = 0.9f;  // 0.89999997615814208984375
    int bound = static_cast<int>(static_cast<double>(factor) * baseline);
    while (bound % 5 != 0)
        --bound;
    return static_cast<std::uint16_t>(bound);
}

}  // namespace driver
