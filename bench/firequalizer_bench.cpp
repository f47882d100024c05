// The FIR equalizer on 16-bit stereo at 44100 Hz in decoding-loop buffers
// of 100 ms, in frames per second (real time is 44100), with one design per
// run measured apart; and the equalizer beside ffmpeg's firequalizer on a
// file, doing the same work (below).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "bench/paired_report.h"
#include "libkvo/src/firequalizer.h"
#include "tests/support/command_output.h"
#include "tests/support/temp_files.h"

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

// The equalizer beside ffmpeg's firequalizer filter (the `ffmpeg` program)
// on the same ten minutes of 16-bit stereo noise in a raw file, in paired
// rounds, ffmpeg's CPU counted as a child's (bench/paired_report.h). Both
// sides do the same work: set up and design the filter once, then read
// the file, turn the samples into floats, filter them by overlap-add with
// a 16384-point real transform (8191 taps; ffmpeg's delay of 4095.5
// samples gives it that length and transform, and fixed=on makes it take
// 8194 samples per transform as we take 8191), turn them back into
// 16-bit samples and write them to a file. The gains are the same steps,
// in dB per band. "ffmpeg_start" runs the same command on a tenth of a
// second of the noise: how much of ffmpeg's figure is its own start, which
// a second ratio leaves out.
constexpr int kEqualizerSeconds = 600;

std::string DecibelText(float gain)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.4f", 20.0 * std::log10(double(gain)));
    return text;
}

// ffmpeg's firequalizer with our band edges and gains and our filter
// length; the window (ffmpeg's Hann, our Kaiser) only changes the design.
std::string FfmpegFilter(const std::vector<float>& gains)
{
    std::string curve;
    const auto& edges = FirEqualizer::kDefaultBandEdges;
    for (size_t b = 0; b < std::size(edges); ++b) {
        char edge[32];
        std::snprintf(edge, sizeof edge, "%g", double(edges[b]));
        curve += "if(lt(f," + std::string(edge) + ")," + DecibelText(gains[b]) + ",";
    }
    curve += DecibelText(gains[std::size(edges)]) + std::string(std::size(edges), ')');
    const int taps = (1 << (FirEqualizer::kPlayerBits - 1)) - 1;
    char delay[32];
    std::snprintf(delay, sizeof delay, "%.8f", (taps / 2 + 0.5) / 44100.0);
    return "firequalizer=gain='" + curve + "':delay=" + delay + ":fixed=on";
}

bool RunFfmpeg(const std::string& filter, const std::string& in, const std::string& out)
{
    return testsupport::CommandOutput({"ffmpeg", "-nostdin", "-hide_banner", "-loglevel", "error", "-y", "-f",
                                       "s16le", "-ar", "44100", "-ac", "2", "-i", in, "-af", filter, "-f", "s16le",
                                       "-c:a", "pcm_s16le", out})
        .has_value();
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Our side: a fresh equalizer designed once, then the whole file read,
// filtered in the decoding loop's buffers and written.
bool EqualizeFile(const std::vector<float>& gains, const std::string& in, const std::string& out)
{
    FirEqualizer eq;
    if (!eq.Init(FirEqualizer::kPlayerBits) || !eq.MakeTable(gains, gains, 44100.0f))
        return false;
    eq.SetFilterOn(true);
    File source(std::fopen(in.c_str(), "rb")), target(std::fopen(out.c_str(), "wb"));
    if (!source || !target)
        return false;
    std::vector<int16_t> buffer(size_t(kBufferFrames) * 2);
    constexpr size_t kFrameBytes = 4;
    for (;;) {
        const size_t frames = std::fread(buffer.data(), kFrameBytes, kBufferFrames, source.get());
        if (frames == 0)
            break;
        if (eq.Process(buffer.data(), uint32_t(frames), 2, 16) != frames ||
            std::fwrite(buffer.data(), kFrameBytes, frames, target.get()) != frames)
            return false;
    }
    return std::ferror(source.get()) == 0 && std::fflush(target.get()) == 0;
}

void WriteNoise(const std::string& path, size_t frames)
{
    const std::vector<int16_t> noise = Noise(frames * 2);
    const auto* bytes = reinterpret_cast<const uint8_t*>(noise.data());
    testsupport::WriteFile(path, std::vector<uint8_t>(bytes, bytes + noise.size() * 2));
}

void BM_FirEqualizerBesideFfmpeg(benchmark::State& state)
{
    testsupport::TempDir dir;
    const std::string noise = dir.File("noise.raw"), blip = dir.File("blip.raw");
    WriteNoise(noise, size_t(kEqualizerSeconds) * 44100);
    WriteNoise(blip, 4410);
    const std::vector<float> gains = BandGains();
    const std::string filter = FfmpegFilter(gains);
    std::vector<testsupport::Side> sides = {
        {"fir_equalizer", [&] { return EqualizeFile(gains, noise, dir.File("ours.raw")); }}};
    if (testsupport::HaveTool("ffmpeg")) {
        sides.push_back({"ffmpeg_firequalizer", [&] { return RunFfmpeg(filter, noise, dir.File("ffmpeg.raw")); }});
        sides.push_back({"ffmpeg_start", [&] { return RunFfmpeg(filter, blip, dir.File("blip-out.raw")); }});
    } else {
        std::fprintf(stderr, "ffmpeg is not installed: no peer beside the equalizer\n");
    }
    const auto rounds = benchreport::RunAndReport(state, "fir equalizer", sides, {{0, 1}});
    if (!rounds.sides.empty() && rounds.sides[0].MedianCpu() > 0)
        state.counters["frames/s"] = kEqualizerSeconds * 44100.0 / rounds.sides[0].MedianCpu();
    if (rounds.error.empty() && rounds.sides.size() == 3) {
        // ffmpeg's start (loading its libraries, its design) is a large
        // share of its figure: the ratio without it, round by round.
        std::vector<double> ratios;
        const auto& ours = rounds.sides[0].cpuSeconds;
        const auto& whole = rounds.sides[1].cpuSeconds;
        const auto& start = rounds.sides[2].cpuSeconds;
        for (size_t i = 0; i < ours.size(); ++i)
            if (whole[i] > start[i])
                ratios.push_back(ours[i] / (whole[i] - start[i]));
        const double ratio = testsupport::Median(ratios);
        state.counters["fir_equalizer/ffmpeg_firequalizer_less_start"] = ratio;
        std::fprintf(stderr, "fir equalizer: fir_equalizer / (ffmpeg_firequalizer - ffmpeg_start) = %.3fx CPU\n",
                     ratio);
    }
}
BENCHMARK(BM_FirEqualizerBesideFfmpeg)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
