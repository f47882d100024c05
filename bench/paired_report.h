// What every benchmark that sets our code beside a floor or a peer reports:
// the sides run in paired rounds (tests/support/paired_rounds.h) inside one
// benchmark, each side's median CPU time (threads and waited-for children)
// and wall time as counters, and each ratio it claims, named after the two
// sides, as a counter and as a line of its own. Run a benchmark pinned to
// one core (`taskset -c 2 bench/player_bench`) for figures a busy machine
// moves least; KVO_BENCH_ROUNDS sets the number of counted rounds.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/paired_rounds.h"

namespace benchreport {

// Fewer paired rounds than this leave a median that one disturbed round
// can move.
constexpr int kDefaultRounds = 9;

inline int Rounds(int fallback)
{
    const char* text = std::getenv("KVO_BENCH_ROUNDS");
    const int n = text ? std::atoi(text) : 0;
    return n > 0 ? n : fallback;
}

// A ratio to report: side 'ours' over side 'reference', by index.
struct Ratio {
    size_t ours;
    size_t reference;
};

// Runs the rounds as the benchmark's one iteration and reports them, the
// lines headed by 'title'.
inline testsupport::PairedRounds RunAndReport(benchmark::State& state, const char* title,
                                              const std::vector<testsupport::Side>& sides,
                                              const std::vector<Ratio>& ratios, int rounds = kDefaultRounds)
{
    testsupport::PairedRounds result;
    for (auto _ : state)
        result = testsupport::RunPairedRounds(sides, Rounds(rounds));
    if (!result.error.empty()) {
        state.SkipWithError(("failed: " + result.error).c_str());
        return result;
    }
    const size_t counted = result.sides.empty() ? 0 : result.sides[0].cpuSeconds.size();
    for (const auto& side : result.sides) {
        state.counters[side.name + "_cpu_ms"] = side.MedianCpu() * 1000.0;
        state.counters[side.name + "_wall_ms"] = side.MedianWall() * 1000.0;
    }
    for (const Ratio& r : ratios) {
        if (r.ours >= result.sides.size() || r.reference >= result.sides.size())
            continue;
        const auto& a = result.sides[r.ours];
        const auto& b = result.sides[r.reference];
        const double ratio = result.CpuRatio(r.ours, r.reference);
        state.counters[a.name + "/" + b.name] = ratio;
        std::fprintf(stderr, "%s: %s / %s = %.3fx CPU (median of %zu paired rounds; %.1f ms / %.1f ms)\n", title,
                    a.name.c_str(), b.name.c_str(), ratio, counted, a.MedianCpu() * 1000.0, b.MedianCpu() * 1000.0);
    }
    return result;
}

}  // namespace benchreport
