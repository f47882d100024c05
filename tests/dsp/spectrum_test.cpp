#include "libkvo/src/spectrum.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "tests/dsp/signals.h"

namespace {

// A request with every array, sized for n points.
struct Request {
    explicit Request(uint32_t n, uint32_t window = FFT_WINDOW_RECTANGULAR)
        : freq(n / 2 + 1, -7), leftAmp(n / 2 + 1, -7), rightAmp(n / 2 + 1, -7), leftPhase(n / 2 + 1, -7),
          rightPhase(n / 2 + 1, -7)
    {
        record.nFFTPoints = n;
        record.nFFTWindow = window;
        record.pnFreq = freq.data();
        record.pnLeftAmplitude = leftAmp.data();
        record.pnRightAmplitude = rightAmp.data();
        record.pnLeftPhase = leftPhase.data();
        record.pnRightPhase = rightPhase.data();
    }
    FFT_STRUCT record{};
    std::vector<int32_t> freq, leftAmp, rightAmp, leftPhase, rightPhase;
};

SpectrumInput Playing(const std::vector<int16_t>& pcm, int channels, uint32_t rate = 44100)
{
    SpectrumInput in;
    in.playing = true;
    in.sampleRate = rate;
    in.channels = channels;
    in.samples = pcm.data();
    in.frames = uint32_t(pcm.size() / size_t(channels));
    return in;
}

}  // namespace

TEST(Spectrum, AcceptsTheNineSizesOnly)
{
    SpectrumState state;
    std::string error;
    const std::vector<int16_t> pcm(2 * 16384, 0);
    for (uint32_t n : {32u, 64u, 128u, 256u, 512u, 1024u, 2048u, 8192u, 16384u}) {
        Request r(n);
        EXPECT_EQ(state.GetFFTValues(&r.record, Playing(pcm, 2), error), 1) << n;
        EXPECT_EQ(r.record.nHarmonicsNumber, n / 2 + 1);
        EXPECT_EQ(state.Size(), n);
    }
    for (uint32_t n : {4096u, 0u, 100u, 32768u}) {
        Request r(256);
        r.record.nFFTPoints = n;
        error.clear();
        EXPECT_EQ(state.GetFFTValues(&r.record, Playing(pcm, 2), error), 0) << n;
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(error.rfind("GetFFTValues->", 0), 0u);
        EXPECT_EQ(state.Size(), 0u);  // the previous state is gone
    }
    Request r(256);
    EXPECT_EQ(state.GetFFTValues(&r.record, Playing(pcm, 2), error), 1);
    EXPECT_EQ(state.GetFFTValues(nullptr, Playing(pcm, 2), error), 1);
    EXPECT_EQ(state.Size(), 0u);
}

TEST(Spectrum, FullScaleSineAtABinCentreGivesThePredictedLevel)
{
    SpectrumState state;
    std::string error;
    for (uint32_t n : {32u, 256u, 2048u, 16384u}) {
        SCOPED_TRACE(n);
        const uint32_t bin = n / 8;
        const double frequency = 44100.0 * bin / n;
        // Left: the sine; right: silence, to show the sides stay apart.
        std::vector<int16_t> pcm = dsptest::Tone(n, 2, frequency, 44100.0, 32767.0);
        for (size_t i = 1; i < pcm.size(); i += 2)
            pcm[i] = 0;
        Request r(n);
        ASSERT_EQ(state.GetFFTValues(&r.record, Playing(pcm, 2), error), 1);
        const int expected = int(20.0 * std::log10(32767.0 * std::sqrt(double(n)) / 2.0 + 1.0));
        EXPECT_NEAR(r.leftAmp[bin], expected, 1);
        EXPECT_LE(r.leftAmp[bin + 2], expected - 40);  // a clean line, not a smear
        EXPECT_NEAR(std::abs(r.leftPhase[bin]), 90, 1);  // a sine: all imaginary
        for (uint32_t k = 0; k <= n / 2; ++k) {
            ASSERT_EQ(r.rightAmp[k], 0) << k;
            ASSERT_EQ(r.rightPhase[k], 0) << k;
        }
    }
}

TEST(Spectrum, PhasesOfACosineAndTheEndBinsAreZero)
{
    SpectrumState state;
    std::string error;
    const uint32_t n = 1024, bin = 100;
    std::vector<int16_t> pcm = dsptest::Tone(n, 1, 44100.0 * bin / n, 44100.0, 20000.0, M_PI / 2);
    for (int16_t& s : pcm)
        s = int16_t(s + 3000);  // a DC part puts something into bin 0
    Request r(n);
    ASSERT_EQ(state.GetFFTValues(&r.record, Playing(pcm, 1), error), 1);
    EXPECT_EQ(r.leftPhase[bin], 0);
    EXPECT_EQ(r.leftPhase[0], 0);
    EXPECT_EQ(r.leftPhase[n / 2], 0);
    EXPECT_GT(r.leftAmp[0], 0);
}

TEST(Spectrum, SilenceGivesZeroDecibelsEverywhere)
{
    SpectrumState state;
    std::string error;
    const std::vector<int16_t> pcm(2 * 2048, 0);
    for (uint32_t window : {1u, 3u, 14u}) {
        Request r(2048, window);
        ASSERT_EQ(state.GetFFTValues(&r.record, Playing(pcm, 2), error), 1);
        for (uint32_t k = 0; k <= 1024; ++k) {
            ASSERT_EQ(r.leftAmp[k], 0) << k;
            ASSERT_EQ(r.rightAmp[k], 0) << k;
            ASSERT_EQ(r.leftPhase[k], 0) << k;
        }
    }
}

TEST(Spectrum, AStoppedPlayerGivesZerosWithTheFrequenciesFilled)
{
    SpectrumState state;
    std::string error;
    Request r(2048);
    SpectrumInput stopped;
    stopped.sampleRate = 44100;
    ASSERT_EQ(state.GetFFTValues(&r.record, stopped, error), 1);
    EXPECT_EQ(r.record.nHarmonicsNumber, 1025u);
    EXPECT_EQ(r.freq[0], 0);
    EXPECT_EQ(r.freq[1], 21);      // 44100 / 2048 = 21.53
    EXPECT_EQ(r.freq[100], 2153);
    EXPECT_EQ(r.freq[1024], 22050);
    for (const auto* values : {&r.leftAmp, &r.rightAmp, &r.leftPhase, &r.rightPhase}) {
        for (int32_t v : *values)
            ASSERT_EQ(v, 0);
    }
}

TEST(Spectrum, TheWindowFollowsEveryCallAlsoAcrossASizeChange)
{
    SpectrumState state;
    std::string error;
    // A constant signal: bin 0 is the window's sum times the level.
    const std::vector<int16_t> pcm(2 * 1024, 1000);
    auto bin0 = [&](uint32_t n, uint32_t window) {
        Request r(n, window);
        EXPECT_EQ(state.GetFFTValues(&r.record, Playing(pcm, 2), error), 1);
        return r.leftAmp[0];
    };
    auto predicted = [](uint32_t n, double windowSum) {
        return int(20.0 * std::log10(1000.0 * windowSum / std::sqrt(double(n)) + 1.0));
    };
    EXPECT_EQ(bin0(256, FFT_WINDOW_RECTANGULAR), predicted(256, 256.0));
    EXPECT_EQ(bin0(256, FFT_WINDOW_HANN), predicted(256, 255.0 / 2.0));
    EXPECT_EQ(bin0(512, FFT_WINDOW_HANN), predicted(512, 511.0 / 2.0));
    EXPECT_EQ(bin0(512, 99), predicted(512, 512.0));  // unknown codes are rectangular
    EXPECT_EQ(bin0(1024, FFT_WINDOW_BLACKMAN), predicted(1024, 0.42 * 1023.0));
}

TEST(Spectrum, MonoOutputGivesEqualSidesAndMissingAudioCountsAsSilence)
{
    SpectrumState state;
    std::string error;
    const std::vector<int16_t> mono = dsptest::Noise(512, 1, 10000, 2);
    Request r(512, FFT_WINDOW_HAMMING);
    ASSERT_EQ(state.GetFFTValues(&r.record, Playing(mono, 1), error), 1);
    EXPECT_EQ(r.leftAmp, r.rightAmp);
    EXPECT_EQ(r.leftPhase, r.rightPhase);

    // Half a block of constant audio: bin 0 sees half the sum.
    const std::vector<int16_t> half(2 * 128, 1000);
    Request h(256);
    ASSERT_EQ(state.GetFFTValues(&h.record, Playing(half, 2), error), 1);
    EXPECT_EQ(h.leftAmp[0], int(20.0 * std::log10(1000.0 * 128 / 16.0 + 1.0)));

    // Arrays left out are skipped.
    Request partial(256);
    partial.record.pnFreq = nullptr;
    partial.record.pnRightAmplitude = nullptr;
    partial.record.pnLeftPhase = nullptr;
    ASSERT_EQ(state.GetFFTValues(&partial.record, Playing(half, 2), error), 1);
    EXPECT_EQ(partial.freq[1], -7);
    EXPECT_EQ(partial.rightAmp[1], -7);
    EXPECT_EQ(partial.leftAmp[0], h.leftAmp[0]);
}
