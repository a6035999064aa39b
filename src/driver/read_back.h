// What the board and the registry hold after an apply, set beside what was
// applied, and the clocks that failed a test, as the program remembers them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace driver {

// The sentence telling the user that the board runs a clock other than the
// one applied ("core", "memory"), or nothing when the two are less than half
// a MHz apart.
std::string ClockDifference(const char* which, std::uint32_t runsHz, int appliedMHz);

// A pair of clocks in MHz.
struct ClockPair {
    std::uint16_t core;
    std::uint16_t mem;
    bool operator==(const ClockPair& other) const { return core == other.core && mem == other.mem; }
};
constexpr std::size_t kMaxFailedClocks = 16;

// The remembered pairs, oldest first, from the stored value's bytes: four
// per pair, core then memory, little-endian.  A value of another type or a
// size that is not whole pairs reads as no pairs.
std::vector<ClockPair> DecodeFailedClocks(std::uint32_t type, const std::vector<unsigned char>& bytes);
std::vector<unsigned char> EncodeFailedClocks(const std::vector<ClockPair>& pairs);
// Adds a pair as the newest (a pair already there moves), dropping the
// oldest beyond the limit.
void AddFailedClocks(std::vector<ClockPair>* pairs, ClockPair pair);
// The first remembered pair that the clocks reach or pass in both, or null.
const ClockPair* FailedAtOrBelow(const std::vector<ClockPair>& pairs, int coreMHz, int memMHz);
// The question asked before a test of such clocks.
std::string FailedClocksQuestion(const ClockPair& failed, int coreMHz, int memMHz);

}  // namespace driver
