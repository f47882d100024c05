// Shuffle orders for play lists of growing length; the fitted complexity
// should come out as O(N).
#include <benchmark/benchmark.h>

#include <memory>

#include "kvostudio/helpers.h"

static void BM_MakeShuffleOrder(benchmark::State& state)
{
    const int count = static_cast<int>(state.range(0));
    for (auto _ : state) {
        std::unique_ptr<int[]> order(MakeShuffleOrder(count));
        benchmark::DoNotOptimize(order.get());
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_MakeShuffleOrder)->RangeMultiplier(4)->Range(16, 1 << 18)->Complexity(benchmark::oN);

BENCHMARK_MAIN();
