#include "Paired.h"

#include <algorithm>
#include <chrono>
#include <vector>

namespace k4::bench {

namespace {

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

void run(const std::function<void()>& step)
{
    if (step)
        step();
}

}  // namespace

double seconds(const std::function<void()>& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void run_paired(benchmark::State& state, const Paired& paired)
{
    run(paired.before_floor);
    paired.floor();
    run(paired.after_floor);
    run(paired.before_program);
    paired.program();
    run(paired.after_program);

    std::vector<double> program_times, floor_times, ratios;
    bool floor_first = true;
    for (auto _ : state) {
        double program_time = 0;
        double floor_time = 0;
        auto floor_side = [&] {
            run(paired.before_floor);
            floor_time = seconds(paired.floor);
            run(paired.after_floor);
        };
        if (floor_first)
            floor_side();
        run(paired.before_program);
        program_time = seconds(paired.program);
        run(paired.after_program);
        if (!floor_first)
            floor_side();
        floor_first = !floor_first;
        state.SetIterationTime(program_time);
        program_times.push_back(program_time);
        floor_times.push_back(floor_time);
        if (floor_time > 0)
            ratios.push_back(program_time / floor_time);
    }
    const double program_median = median(program_times);
    const double floor_median = median(floor_times);
    state.counters["program_ms"] = program_median * 1e3;
    state.counters["floor_ms"] = floor_median * 1e3;
    // The ratio of each pair, taken moments apart, and their median: a pair
    // caught by a burst of load elsewhere moves the median by one place at most.
    state.counters["ratio"] = median(ratios);
}

}  // namespace k4::bench
