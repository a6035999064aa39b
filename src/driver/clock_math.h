// Clock arithmetic: hertz to megahertz, the scrambled clock record kept in
// the registry, and the slider bounds around a baseline clock.
#pragma once

#include <cstdint>

namespace driver {

// Whole MHz, halves rounded up (the value is never negative).
int HzToMHz(std::uint32_t hz);
// Hertz of a clock in MHz; the clock setters keep it within 32 bits.
inline std::uint32_t MHzToHz(int mhz)
{
    return static_cast<std::uint32_t>(mhz) * 1000000u;
}

// Whether a board that runs boardHz runs a clock rather than another: a
// clock generator may round a clock to its own step, so the board's clock
// counts as the one it lies nearer.  Two clocks that are the same always
// count.
bool RunsClock(std::uint32_t boardHz, std::uint32_t clockHz, std::uint32_t otherHz);

std::uint32_t ScrambleClocks(std::uint16_t coreMHz, std::uint16_t memMHz, std::uint16_t deviceId,
                             std::uint32_t salt);
void UnscrambleClocks(std::uint32_t record, std::uint16_t deviceId, std::uint32_t salt,
                      std::uint16_t* coreMHz, std::uint16_t* memMHz);

// 125 % of the baseline, rounded up to a multiple of 5.
std::uint16_t UpperClockBound(std::uint16_t baseline);
// 90 % of the baseline (the factor in single precision), rounded down to a
// multiple of 5.
std::uint16_t LowerClockBound(std::uint16_t baseline);

}  // namespace driver
