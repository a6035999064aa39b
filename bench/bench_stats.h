// Timing and the figures a benchmark prints: median and spread of repeated
// samples, in milliseconds.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

inline double NowMs()
{
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

struct Figures {
    double median, low, high;
};

inline Figures Summarise(std::vector<double> samples)
{
    std::sort(samples.begin(), samples.end());
    if (samples.empty())
        return {0, 0, 0};
    return {samples[samples.size() / 2], samples.front(), samples.back()};
}

// One line: the program's figure beside the baseline's, and, when a target
// ratio is given, whether the medians meet it.
inline void Report(const char* what, const std::vector<double>& program, const std::vector<double>& baseline,
                   double target = 0)
{
    const Figures p = Summarise(program), b = Summarise(baseline);
    const double ratio = b.median > 0 ? p.median / b.median : 0.0;
    std::printf("%-44s %10.3f ms (%.3f-%.3f)   baseline %10.3f ms (%.3f-%.3f)   x%.2f", what, p.median, p.low,
                p.high, b.median, b.low, b.high, ratio);
    if (target > 0)
        std::printf("   target x%.1f: %s", target, ratio <= target ? "met" : "not met");
    std::printf("\n");
}
