// Cost checks of the maps tests: the time of a piece of work at n and at
// k x n in the same run, compared with a generous ratio (a busy machine
// slows both alike), never with a fixed limit.
#pragma once
#include <windows.h>

#include <algorithm>
#include <vector>

namespace mapstest {

// The median of runs timings of work, in milliseconds.
template <class Work>
double MedianMs(int runs, Work work)
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
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

}  // namespace mapstest
