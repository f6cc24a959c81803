// The measuring tool's area screen with many points: the time to add one
// point to a clean outline of 1,000, 10,000 and 30,000 points (a ring, so
// nothing is removed), and "Measure!" on it. Adding one point at 10,000
// points should take under 20 ms; the time should grow with the points,
// not with their square. Prints the figures and the ratios between sizes.
#include "kit/screen_state.h"
#include "maps/calc.h"

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kAdded = 9;   // points added one by one; the median is reported

double Ms(const LARGE_INTEGER& from, const LARGE_INTEGER& to)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) * 1000.0 / frequency.QuadPart;
}

struct FIGURES {
    double firstAdd;    // the first addition after the list was set whole
    double medianAdd;   // each later one
    double measure;     // "Measure!" on the clean list
    size_t kept;
};

FIGURES Run(size_t n)
{
    // A ring of radius 1 degree round (8, 47), in angular order.
    std::vector<GPS_POSITION> ring;
    const size_t total = n + 1 + kAdded;
    for (size_t i = 0; i < total; ++i) {
        const double a = 2 * kPi * static_cast<double>(i) / static_cast<double>(total);
        ring.push_back({8.0 + std::cos(a), 47.0 + std::sin(a), 0.0, 0});
    }
    CalcPoints.assign(ring.begin(), ring.begin() + static_cast<std::ptrdiff_t>(n));
    FIGURES f{};
    LARGE_INTEGER t0, t1;
    QueryPerformanceCounter(&t0);
    AddCalcPoint(ring[n]);
    QueryPerformanceCounter(&t1);
    f.firstAdd = Ms(t0, t1);
    std::vector<double> adds;
    for (size_t i = n + 1; i < total; ++i) {
        QueryPerformanceCounter(&t0);
        AddCalcPoint(ring[i]);
        QueryPerformanceCounter(&t1);
        adds.push_back(Ms(t0, t1));
    }
    std::sort(adds.begin(), adds.end());
    f.medianAdd = adds[adds.size() / 2];
    QueryPerformanceCounter(&t0);
    const CALC_AREA area = CalcOutlineArea(CalcPoints, kCalcAxisXY);
    QueryPerformanceCounter(&t1);
    f.measure = Ms(t0, t1);
    f.kept = CalcPoints.size();
    if (!(area.squareDegrees > 0.0))
        std::printf("  (no area measured)\n");
    return f;
}

}  // namespace

// Sizes may be given on the command line (the slow quadratic form is best
// measured at 1,000 and 10,000 only).
int main(int argc, char** argv)
{
    CurrentScreen = kScreenCalcArea;
    std::vector<size_t> sizes = {1000, 10000, 30000};
    if (argc > 1)
        sizes.clear();
    for (int i = 1; i < argc; ++i)
        sizes.push_back(std::strtoul(argv[i], nullptr, 10));
    double previous = 0.0;
    for (size_t n : sizes) {
        const FIGURES f = Run(n);
        std::printf("%6zu points: first addition %9.2f ms, each later addition %8.3f ms (median of %d), "
                    "Measure! %9.2f ms; %zu of %zu points kept",
                    n, f.firstAdd, f.medianAdd, kAdded, f.measure, f.kept, n + 1 + kAdded);
        if (previous > 0.0)
            std::printf("; addition %.1fx the previous size's", f.medianAdd / previous);
        std::printf("\n");
        previous = f.medianAdd;
    }
    CalcPoints.clear();
    return 0;
}
