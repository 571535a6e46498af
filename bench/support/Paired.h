#pragma once
// A measurement of the program's work beside its floor, taken in the same run:
// each iteration times both, alternating which goes first, so that a machine
// that slows down or speeds up during the run affects both alike. The
// benchmark's time is the program's; counters give the medians of both
// (program_ms, floor_ms) and the median of the pairs' ratios (ratio).

#include <benchmark/benchmark.h>
#include <functional>

namespace k4::bench {

struct Paired {
    std::function<void()> program;         // timed
    std::function<void()> floor;           // timed
    std::function<void()> after_program;   // untimed clean-up, may be empty
    std::function<void()> after_floor;     // untimed clean-up, may be empty
    std::function<void()> before_program;  // untimed preparation, may be empty
    std::function<void()> before_floor;    // untimed preparation, may be empty
};

// Register the benchmark with UseManualTime(). One untimed run of each side
// comes first (caches, first-use costs).
void run_paired(benchmark::State& state, const Paired& paired);

// Seconds taken by `work`.
double seconds(const std::function<void()>& work);

}  // namespace k4::bench
