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

// One line: the program's figure beside the baseline's.
inline void Report(const char* what, const std::vector<double>& program, const std::vector<double>& baseline)
{
    const Figures p = Summarise(program), b = Summarise(baseline);
    std::printf("%-44s %10.3f ms (%.3f-%.3f)   baseline %10.3f ms (%.3f-%.3f)   x%.1f\n", what, p.median, p.low,
                p.high, b.median, b.low, b.high, b.median > 0 ? p.median / b.median : 0.0);
}
