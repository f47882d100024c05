// The real FFT at the equalizer's size (16384) and the main window's
// spectrum size (2048), forward and inverse, beside FFTW's single-precision
// real transforms at the same sizes where FFTW is installed: each side runs
// a batch of transforms in turn, round by round (bench/paired_report.h),
// so a change of load falls on both; prints the ratio to FFTW.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <vector>

#include "bench/paired_report.h"
#include "libkvo/src/realfft.h"

#ifdef KVO_BENCH_HAVE_FFTW
#include <fftw3.h>
#endif

namespace {

// About the same work for every size: a batch is this many samples.
constexpr int kSamplesPerBatch = 1 << 22;

std::vector<float> Block(int n)
{
    std::mt19937 gen(1);
    std::uniform_real_distribution<float> dist(-1.0f, 1.0f);
    std::vector<float> a(static_cast<size_t>(n));
    for (float& x : a)
        x = dist(gen);
    return a;
}

#ifdef KVO_BENCH_HAVE_FFTW
// FFTW planned once for a size and direction, fed the same data.
class Fftw {
public:
    Fftw(int n, bool forward, const std::vector<float>& source)
        : n_(n), forward_(forward), source_(source), in_(fftwf_alloc_real(size_t(n))),
          spectrum_(fftwf_alloc_complex(size_t(n / 2 + 1)))
    {
        // FFTW as it plans by default: every candidate measured, none of
        // what our own planning (bounded in time) learnt kept.
        fftwf_forget_wisdom();
        fftwf_set_timelimit(FFTW_NO_TIMELIMIT);
        plan_ = forward ? fftwf_plan_dft_r2c_1d(n, in_, spectrum_, FFTW_MEASURE)
                        : fftwf_plan_dft_c2r_1d(n, spectrum_, in_, FFTW_MEASURE);
    }
    ~Fftw()
    {
        fftwf_destroy_plan(plan_);
        fftwf_free(spectrum_);
        fftwf_free(in_);
    }
    void Run()
    {
        if (forward_) {
            std::copy(source_.begin(), source_.end(), in_);
        } else {
            for (int k = 0; k <= n_ / 2; ++k) {
                spectrum_[k][0] = source_[size_t(k)];
                spectrum_[k][1] = source_[size_t(n_ - 1 - k)];
            }
        }
        fftwf_execute(plan_);
        benchmark::DoNotOptimize(in_);
        benchmark::DoNotOptimize(spectrum_);
    }

private:
    int n_;
    bool forward_;
    const std::vector<float>& source_;
    float* in_;
    fftwf_complex* spectrum_;
    fftwf_plan plan_;
};
#endif

void BM_RealFftBesideFftw(benchmark::State& state)
{
    const int n = int(state.range(0));
    const int direction = int(state.range(1));
    const int batch = kSamplesPerBatch / n;
    const std::vector<float> source = Block(n);
    std::vector<float> data = source;
    RealFftTables tables(n);
    // Timed as the players run it once its measured plans serve.
    RealFftWaitUntilMeasured(n);
    std::vector<testsupport::Side> sides = {{"realfft", [&] {
                                                 for (int i = 0; i < batch; ++i) {
                                                     data = source;
                                                     RealFft(n, direction, data.data(), tables.Ip(), tables.W());
                                                     benchmark::DoNotOptimize(data.data());
                                                 }
                                                 return true;
                                             }}};
#ifdef KVO_BENCH_HAVE_FFTW
    Fftw fftw(n, direction >= 0, source);
    sides.push_back({"fftw", [&] {
                         for (int i = 0; i < batch; ++i)
                             fftw.Run();
                         return true;
                     }});
#endif
    const std::string title = "fft n=" + std::to_string(n) + (direction >= 0 ? " forward" : " inverse");
    const auto rounds = benchreport::RunAndReport(state, title.c_str(), sides, {{0, 1}}, 15);
    if (!rounds.sides.empty() && rounds.sides[0].MedianCpu() > 0)
        state.counters["transforms/s"] = batch / rounds.sides[0].MedianCpu();
}
BENCHMARK(BM_RealFftBesideFftw)
    ->ArgNames({"n", "dir"})
    ->Args({2048, 1})
    ->Args({16384, 1})
    ->Args({2048, -1})
    ->Args({16384, -1})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
