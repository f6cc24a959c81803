// Cost checks of the maps tests: the time of a piece of work at n and at
// k x n in the same run, compared with a generous ratio, never with a fixed
// limit. Of several runs the fastest counts: a busy machine only ever adds
// time, and the fastest run is the one it disturbed least.
#pragma once
#include <windows.h>

#include <algorithm>
#include <vector>

namespace mapstest {

// The fastest of runs timings of work, in milliseconds.
template <class Work>
double FastestMs(int runs, Work work)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        LARGE_INTEGER from, to;
        QueryPerformanceCounter(&from);
        work();
        QueryPerformanceCounter(&to);
        ms.push_back(static_cast<double>(to.QuadPart - from.QuadPart) * 1000.0 / frequency.QuadPart);
    }
    return *std::min_element(ms.begin(), ms.end());
}

}  // namespace mapstest
