// The FIR equalizer on 16-bit stereo at 44100 Hz in decoding-loop buffers
// of 100 ms, in frames per second (real time is 44100), with one design per
// run measured apart. Where FFTW is installed, the same overlap-add
// convolution built on FFTW's real transforms runs beside it as the
// reference for the transform cost.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "libkvo/src/firequalizer.h"

#ifdef KVO_BENCH_HAVE_FFTW
#include <fftw3.h>
#endif

namespace {

constexpr uint32_t kBufferFrames = 4410;

std::vector<int16_t> Noise(size_t samples)
{
    std::mt19937 gen(1);
    std::uniform_int_distribution<int> dist(-12000, 12000);
    std::vector<int16_t> out(samples);
    for (int16_t& s : out)
        s = int16_t(dist(gen));
    return out;
}

std::vector<float> BandGains()
{
    std::vector<float> gains(10);
    for (size_t b = 0; b < gains.size(); ++b)
        gains[b] = std::pow(10.0f, float(int(b % 5) - 2) * 3.0f / 20.0f);
    return gains;
}

void BM_FirEqualizerProcess(benchmark::State& state)
{
    FirEqualizer eq;
    eq.Init(FirEqualizer::kPlayerBits);
    eq.SetFilterOn(state.range(0) != 0);
    const std::vector<float> gains = BandGains();
    eq.MakeTable(gains, gains, 44100.0f);
    const std::vector<int16_t> source = Noise(size_t(kBufferFrames) * 2 * 20);
    std::vector<int16_t> buffer = source;
    size_t at = 0;
    for (auto _ : state) {
        eq.Process(buffer.data() + at, kBufferFrames, 2, 16);
        at = (at + kBufferFrames * 2) % source.size();
        benchmark::DoNotOptimize(buffer.data());
    }
    state.counters["frames/s"] =
        benchmark::Counter(double(state.iterations()) * kBufferFrames, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_FirEqualizerProcess)->ArgName("filter")->Arg(1)->Arg(0);

void BM_FirEqualizerDesign(benchmark::State& state)
{
    FirEqualizer eq;
    eq.Init(FirEqualizer::kPlayerBits);
    std::vector<float> gains = BandGains();
    for (auto _ : state) {
        gains[0] = gains[0] == 1.0f ? 2.0f : 1.0f;
        eq.MakeTable(gains, gains, 44100.0f);
    }
    state.counters["designs/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_FirEqualizerDesign)->Unit(benchmark::kMillisecond);

#ifdef KVO_BENCH_HAVE_FFTW
// Overlap-add with FFTW at the same block (8191) and transform (16384)
// sizes, stereo, with a flat response: the transform cost the equalizer
// would have on FFTW.
void BM_FftwOverlapAddReference(benchmark::State& state)
{
    const int n = 16384, l = 8191;
    float* block = fftwf_alloc_real(n);
    fftwf_complex* spectrum = fftwf_alloc_complex(n / 2 + 1);
    fftwf_plan forward = fftwf_plan_dft_r2c_1d(n, block, spectrum, FFTW_MEASURE);
    fftwf_plan inverse = fftwf_plan_dft_c2r_1d(n, spectrum, block, FFTW_MEASURE);
    std::vector<float> response(size_t(n / 2 + 1) * 2, 1.0f / float(n));
    std::vector<float> accumulator(size_t(n) * 2, 0.0f);
    const std::vector<int16_t> source = Noise(size_t(l) * 2 * 4);
    size_t at = 0;
    int64_t frames = 0;
    for (auto _ : state) {
        for (int c = 0; c < 2; ++c) {
            for (int j = 0; j < l; ++j)
                block[j] = source[at + size_t(j) * 2 + size_t(c)];
            std::fill(block + l, block + n, 0.0f);
            fftwf_execute(forward);
            for (int k = 0; k <= n / 2; ++k) {
                const float a = spectrum[k][0], b = spectrum[k][1];
                const float hr = response[size_t(2 * k)], hi = response[size_t(2 * k + 1)];
                spectrum[k][0] = a * hr - b * hi;
                spectrum[k][1] = a * hi + b * hr;
            }
            fftwf_execute(inverse);
            for (int j = 0; j < n; ++j)
                accumulator[size_t(j) * 2 + size_t(c)] += block[j];
        }
        at = (at + size_t(l) * 2) % (source.size() - size_t(l) * 2);
        frames += l;
        benchmark::DoNotOptimize(accumulator.data());
    }
    state.counters["frames/s"] = benchmark::Counter(double(frames), benchmark::Counter::kIsRate);
    fftwf_destroy_plan(inverse);
    fftwf_destroy_plan(forward);
    fftwf_free(spectrum);
    fftwf_free(block);
}
BENCHMARK(BM_FftwOverlapAddReference);
#endif

}  // namespace

BENCHMARK_MAIN();
