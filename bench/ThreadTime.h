#pragma once

// Timing in the calling thread's processor time, so that a ratio to a floor measured in the same process holds on
// a machine others are busy on.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <ctime>
#include <vector>

namespace benchtime {

inline double threadSeconds()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

// The median processor time in seconds of a few runs of work, whose result is kept from the optimiser.
template <class Work> double medianSeconds(const Work& work)
{
    std::vector<double> runs;
    for (int run = 0; run < 15; ++run) {
        const double start = threadSeconds();
        benchmark::DoNotOptimize(work());
        runs.push_back(threadSeconds() - start);
    }
    std::nth_element(runs.begin(), runs.begin() + runs.size() / 2, runs.end());
    return runs[runs.size() / 2];
}

} // namespace benchtime
