// The FIR equalizer on 16-bit stereo at 44100 Hz in decoding-loop buffers
// of 100 ms, in frames per second (real time is 44100), with one design per
// run measured apart. Where FFTW is installed, the same overlap-add
// convolution built on FFTW's real transforms runs beside it as the
// reference for the transform cost, on the same number of frames, in
// paired rounds (bench/paired_report.h); the ratio to it is printed.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "bench/paired_report.h"

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

// About 2.6 s of sound on either side: 26 buffers of the equalizer, 14
// blocks of FFTW's overlap-add (114660 and 114674 frames).
constexpr int kEqualizerBuffers = 26;
constexpr int kReferenceBlocks = 14;

#ifdef KVO_BENCH_HAVE_FFTW
// Overlap-add with FFTW at the same block (8191) and transform (16384)
// sizes, stereo, with a flat response: the transform cost the equalizer
// would have on FFTW.
class FftwOverlapAdd {
public:
    static constexpr int kN = 16384, kL = 8191;
    FftwOverlapAdd()
        : block_(fftwf_alloc_real(kN)), spectrum_(fftwf_alloc_complex(kN / 2 + 1)),
          forward_(fftwf_plan_dft_r2c_1d(kN, block_, spectrum_, FFTW_MEASURE)),
          inverse_(fftwf_plan_dft_c2r_1d(kN, spectrum_, block_, FFTW_MEASURE)),
          response_(size_t(kN / 2 + 1) * 2, 1.0f / float(kN)), accumulator_(size_t(kN) * 2, 0.0f),
          source_(Noise(size_t(kL) * 2 * 4))
    {
    }
    ~FftwOverlapAdd()
    {
        fftwf_destroy_plan(inverse_);
        fftwf_destroy_plan(forward_);
        fftwf_free(spectrum_);
        fftwf_free(block_);
    }
    void Block()
    {
        for (int c = 0; c < 2; ++c) {
            for (int j = 0; j < kL; ++j)
                block_[j] = source_[at_ + size_t(j) * 2 + size_t(c)];
            std::fill(block_ + kL, block_ + kN, 0.0f);
            fftwf_execute(forward_);
            for (int k = 0; k <= kN / 2; ++k) {
                const float a = spectrum_[k][0], b = spectrum_[k][1];
                const float hr = response_[size_t(2 * k)], hi = response_[size_t(2 * k + 1)];
                spectrum_[k][0] = a * hr - b * hi;
                spectrum_[k][1] = a * hi + b * hr;
            }
            fftwf_execute(inverse_);
            for (int j = 0; j < kN; ++j)
                accumulator_[size_t(j) * 2 + size_t(c)] += block_[j];
        }
        at_ = (at_ + size_t(kL) * 2) % (source_.size() - size_t(kL) * 2);
        benchmark::DoNotOptimize(accumulator_.data());
    }

private:
    float* block_;
    fftwf_complex* spectrum_;
    fftwf_plan forward_, inverse_;
    std::vector<float> response_, accumulator_;
    std::vector<int16_t> source_;
    size_t at_ = 0;
};
#endif

void BM_FirEqualizerBesideFftw(benchmark::State& state)
{
    FirEqualizer eq;
    eq.Init(FirEqualizer::kPlayerBits);
    eq.SetFilterOn(true);
    const std::vector<float> gains = BandGains();
    eq.MakeTable(gains, gains, 44100.0f);
    const std::vector<int16_t> source = Noise(size_t(kBufferFrames) * 2 * 20);
    std::vector<int16_t> buffer = source;
    size_t at = 0;
    std::vector<testsupport::Side> sides = {{"fir_equalizer", [&] {
                                                 for (int i = 0; i < kEqualizerBuffers; ++i) {
                                                     eq.Process(buffer.data() + at, kBufferFrames, 2, 16);
                                                     at = (at + kBufferFrames * 2) % source.size();
                                                 }
                                                 benchmark::DoNotOptimize(buffer.data());
                                                 return true;
                                             }}};
#ifdef KVO_BENCH_HAVE_FFTW
    FftwOverlapAdd reference;
    sides.push_back({"fftw_overlap_add", [&] {
                         for (int i = 0; i < kReferenceBlocks; ++i)
                             reference.Block();
                         return true;
                     }});
#endif
    const auto rounds = benchreport::RunAndReport(state, "fir equalizer", sides, {{0, 1}}, 31);
    if (!rounds.sides.empty() && rounds.sides[0].MedianCpu() > 0)
        state.counters["frames/s"] = kEqualizerBuffers * double(kBufferFrames) / rounds.sides[0].MedianCpu();
}
BENCHMARK(BM_FirEqualizerBesideFftw)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
