// Milliseconds from the performance counter, with its full resolution: the
// one clock of the benchmarks and the end-to-end helper programs.
#pragma once

#include <windows.h>

namespace testclock {

inline double Now() {
    static const LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

}  // namespace testclock
