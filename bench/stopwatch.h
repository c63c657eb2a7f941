#pragma once

#include <chrono>
#include <cstdio>

// Wall-clock time since construction, on a clock that never jumps.
class Stopwatch {
public:
    Stopwatch() : start_(Clock::now()) {}

    double Seconds() const { return std::chrono::duration<double>(Clock::now() - start_).count(); }

private:
    using Clock = std::chrono::steady_clock;
    Clock::time_point start_;
};

// One figure of a benchmark's output: "name seconds".
inline void PrintFigure(const char* name, double seconds) {
    std::printf("%s %.3f\n", name, seconds);
    std::fflush(stdout);
}
