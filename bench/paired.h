#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <vector>

// Both sides of a ratio measured in one process, round by round, the side
// that goes first alternating, so that both meet the same machine. Each side
// returns the seconds it measured (its untimed preparation left out).
// Reported as counters: ratio (the median of the rounds' ratios), ratio_min,
// ratio_max, ours_ms and theirs_ms (medians).

namespace qinghe::bench {

using Stopwatch = std::chrono::steady_clock;

inline double secondsSince(Stopwatch::time_point start) {
    return std::chrono::duration<double>(Stopwatch::now() - start).count();
}

// Times `work`; its result tells whether it did what it should.
template <typename Work>
double timed(Work&& work, bool* complete = nullptr) {
    const auto start = Stopwatch::now();
    const bool done = work();
    const double seconds = secondsSince(start);
    if (complete && !done) *complete = false;
    return seconds;
}

inline double median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

inline void pairedRounds(benchmark::State& state, const std::function<double()>& ours,
                         const std::function<double()>& theirs) {
    std::vector<double> ourTimes, theirTimes, ratios;
    int round = 0;
    for (auto _ : state) {
        double a = 0, b = 0;
        if (round++ % 2 == 0) {
            a = ours();
            b = theirs();
        } else {
            b = theirs();
            a = ours();
        }
        if (a < 0 || b <= 0) {
            state.SkipWithError("a side came short");
            return;
        }
        ourTimes.push_back(a);
        theirTimes.push_back(b);
        ratios.push_back(a / b);
        state.SetIterationTime(a);
    }
    if (ratios.empty()) return;
    state.counters["ratio"] = median(ratios);
    state.counters["ratio_min"] = *std::min_element(ratios.begin(), ratios.end());
    state.counters["ratio_max"] = *std::max_element(ratios.begin(), ratios.end());
    state.counters["ours_ms"] = median(ourTimes) * 1000;
    state.counters["theirs_ms"] = median(theirTimes) * 1000;
}

}  // namespace qinghe::bench
