// The real FFT at the equalizer's size (16384) and the main window's
// spectrum size (2048), forward and inverse, with FFTW's single-precision
// real transforms at the same sizes as the reference where it is installed.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "libkvo/src/realfft.h"

#ifdef KVO_BENCH_HAVE_FFTW
#include <fftw3.h>
#endif

namespace {

std::vector<float> Block(int n)
{
    std::mt19937 gen(1);
    std::uniform_real_distribution<float> dist(-1.0f, 1.0f);
    std::vector<float> a(static_cast<size_t>(n));
    for (float& x : a)
        x = dist(gen);
    return a;
}

void SetCounters(benchmark::State& state, int n)
{
    state.SetItemsProcessed(state.iterations() * n);
    state.counters["transforms/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_RealFft(benchmark::State& state)
{
    const int n = int(state.range(0));
    const int direction = int(state.range(1));
    const std::vector<float> source = Block(n);
    std::vector<float> data = source;
    RealFftTables tables(n);
    tables.Forward(data.data());  // tables built outside the timing
    for (auto _ : state) {
        data = source;
        RealFft(n, direction, data.data(), tables.Ip(), tables.W());
        benchmark::DoNotOptimize(data.data());
    }
    SetCounters(state, n);
}
BENCHMARK(BM_RealFft)->ArgNames({"n", "dir"})->Args({2048, 1})->Args({16384, 1})->Args({2048, -1})->Args({16384, -1});

#ifdef KVO_BENCH_HAVE_FFTW
void BM_FftwReference(benchmark::State& state)
{
    const int n = int(state.range(0));
    const bool forward = state.range(1) >= 0;
    const std::vector<float> source = Block(n);
    float* in = fftwf_alloc_real(size_t(n));
    fftwf_complex* spectrum = fftwf_alloc_complex(size_t(n / 2 + 1));
    fftwf_plan plan = forward ? fftwf_plan_dft_r2c_1d(n, in, spectrum, FFTW_MEASURE)
                              : fftwf_plan_dft_c2r_1d(n, spectrum, in, FFTW_MEASURE);
    for (auto _ : state) {
        if (forward) {
            std::copy(source.begin(), source.end(), in);
        } else {
            for (int k = 0; k <= n / 2; ++k) {
                spectrum[k][0] = source[size_t(k)];
                spectrum[k][1] = source[size_t(n - 1 - k)];
            }
        }
        fftwf_execute(plan);
        benchmark::DoNotOptimize(in);
        benchmark::DoNotOptimize(spectrum);
    }
    SetCounters(state, n);
    fftwf_destroy_plan(plan);
    fftwf_free(spectrum);
    fftwf_free(in);
}
BENCHMARK(BM_FftwReference)->ArgNames({"n", "dir"})->Args({2048, 1})->Args({16384, 1})->Args({2048, -1})->Args({16384, -1});
#endif

}  // namespace

BENCHMARK_MAIN();
