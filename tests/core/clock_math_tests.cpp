#include <doctest.h>

#include "driver/clock_math.h"

using namespace driver;

TEST_CASE("hertz become whole megahertz, halves rounded up")
{
    struct { std::uint32_t hz; int mhz; } cases[] = {
        {142500000, 143}, {142499999, 142}, {0, 0}, {499999, 0}, {500000, 1},
        {200000000, 200}, {0xFFFFFFFFu, 4295},
    };
    for (auto c : cases) {
        CAPTURE(c.hz);
        CHECK(HzToMHz(c.hz) == c.mhz);
    }
}

TEST_CASE("slider bounds around the baseline")
{
    struct { std::uint16_t baseline, upper, lower; } cases[] = {
        {166, 210, 145}, {143, 180, 125}, {200, 250, 175},
        {100, 125, 85},  // 0.9 * 100 in single precision is just under 90
        {183, 230, 160}, {0, 0, 0},
    };
    for (auto c : cases) {
        CAPTURE(c.baseline);
        CHECK(UpperClockBound(c.baseline) == c.upper);
        CHECK(LowerClockBound(c.baseline) == c.lower);
    }
}

TEST_CASE("the clock record has the stored layout")
{
    // Worked by hand from the layout: salt 0x12345678, device 0x0110.
    //   core mask ((0x5678 ^ 0x1D69) << 1) & 0xFFFF = 0x9622
    //   mem mask  (0x12345678 >> 1) & 0xFFFF = 0x2B3C, ^ 0x5A3C = 0x7100
    std::uint32_t record = ScrambleClocks(200, 166, 0x0110, 0x12345678);
    CHECK(record == (((166u ^ 0x0110u ^ 0x7100u) << 16) | (200u ^ 0x0110u ^ 0x9622u)));
}

TEST_CASE("unscrambling gives back the clocks for any salt and device")
{
    const std::uint32_t salts[] = {0, 1, 0xFFFFFFFFu, 0x80000000u, 0x0001FFFFu, 0x1D69u, 0xDEADBEEFu};
    const std::uint16_t devices[] = {0, 0x0110, 0x0200, 0xFFFF};
    for (std::uint32_t salt : salts) {
        for (std::uint16_t device : devices) {
            CAPTURE(salt);
            CAPTURE(device);
            std::uint16_t core = 0xEEEE, mem = 0xEEEE;
            UnscrambleClocks(ScrambleClocks(275, 65535, device, salt), device, salt, &core, &mem);
            CHECK(core == 275);
            CHECK(mem == 65535);
        }
    }
}

TEST_CASE("a board halfway between two clocks is taken to run neither")
{
    // Neither the trial counts as run, nor the trial clocks as left.
    CHECK_FALSE(RunsClock(205000000, 210000000, 200000000));
    CHECK_FALSE(RunsClock(205000000, 200000000, 210000000));
    CHECK(RunsClock(205000001, 210000000, 200000000));
}
