// Bringing a song's accompaniment to the take's layout: mono becomes both
// sides, and another sample rate becomes 44100 Hz with every sound where
// it was in time, at its level and pitch.

#include <gtest/gtest.h>

#include <cmath>

#include "platform/resample/resample.h"
#include "tests/support/pcm_maker.h"

using namespace platform::resample;
using testsupport::Pcm;

namespace {

// Silence, a sine burst from `at` for `length` seconds, silence.
Pcm Burst(int rate, int channels, double seconds, double at, double length, double frequency) {
    Pcm pcm = testsupport::MakeSilence(rate, channels, at);
    pcm = testsupport::Concat(pcm, testsupport::MakeTone(rate, channels, length, frequency, 0.5));
    return testsupport::Concat(pcm, testsupport::MakeSilence(rate, channels, seconds - at - length));
}

// The first frame whose sample in channel 0 reaches a tenth of full scale.
double FirstLoud(const std::vector<int16_t>& samples, int channels, int rate) {
    for (size_t i = 0; i < samples.size() / size_t(channels); ++i)
        if (std::abs(samples[i * size_t(channels)]) >= 3277) return double(i) / rate;
    return -1;
}

}  // namespace

TEST(Resample, MonoBecomesBothSidesSampleForSample) {
    const int16_t mono[] = {1, -2, 32767, -32768, 0};
    EXPECT_EQ(MonoToStereo(mono, 5), (std::vector<int16_t>{1, 1, -2, -2, 32767, 32767, -32768, -32768, 0, 0}));
    EXPECT_TRUE(MonoToStereo(mono, 0).empty());
}

TEST(Resample, TheFrameCountFollowsTheRatioRoundedToTheNearestFrame) {
    EXPECT_EQ(ConvertedFrames(48000, 48000, 44100), 44100u);
    EXPECT_EQ(ConvertedFrames(22050, 22050, 44100), 44100u);
    EXPECT_EQ(ConvertedFrames(1, 48000, 44100), 1u);      // 0.91875
    EXPECT_EQ(ConvertedFrames(3, 48000, 44100), 3u);      // 2.75625
    EXPECT_EQ(ConvertedFrames(10, 32000, 44100), 14u);    // 13.78125
    EXPECT_EQ(ConvertedFrames(0, 48000, 44100), 0u);
    EXPECT_EQ(ConvertedFrames(100, 0, 44100), 0u);
    // Hours of audio at 48000 Hz do not overflow the product.
    EXPECT_EQ(ConvertedFrames(size_t(48000) * 3600 * 10, 48000, 44100), size_t(44100) * 3600 * 10);
}

TEST(Resample, EqualRatesCopyTheSamplesUnchanged) {
    const Pcm pcm = Burst(44100, 2, 0.2, 0.05, 0.1, 440);
    std::vector<int16_t> out;
    std::string error;
    ASSERT_TRUE(Resample(pcm.samples.data(), pcm.Frames(), 2, 44100, 44100, out, error));
    EXPECT_EQ(out, pcm.samples);
}

TEST(Resample, OtherRatesKeepEverySoundsTimeLevelAndPitch) {
    struct Case {
        int rate;
        int channels;
    };
    for (const Case c : {Case{48000, 2}, Case{22050, 1}, Case{32000, 2}}) {
        SCOPED_TRACE(c.rate);
        const Pcm pcm = Burst(c.rate, c.channels, 1.5, 0.6, 0.4, 1000);
        std::vector<int16_t> out;
        std::string error;
        ASSERT_TRUE(Resample(pcm.samples.data(), pcm.Frames(), c.channels, c.rate, 44100, out, error)) << error;
        ASSERT_EQ(out.size(), ConvertedFrames(pcm.Frames(), c.rate, 44100) * size_t(c.channels));
        EXPECT_NEAR(FirstLoud(out, c.channels, 44100), FirstLoud(pcm.samples, c.channels, c.rate), 0.001);
        const double level =
            testsupport::ToneAmplitude(out, c.channels, 0, size_t(0.7 * 44100), 8820, 1000, 44100);
        EXPECT_NEAR(level, 0.5 * 32767, 0.01 * 32767);
        const double before = testsupport::ToneAmplitude(out, c.channels, 0, 0, size_t(0.55 * 44100), 1000, 44100);
        EXPECT_LT(before, 30) << "silence stays silent";
        const auto middle = testsupport::Channel(
            std::vector<int16_t>(out.begin() + std::ptrdiff_t(0.7 * 44100) * c.channels,
                                 out.begin() + std::ptrdiff_t(0.95 * 44100) * c.channels),
            c.channels, 0);
        EXPECT_NEAR(testsupport::EstimateFrequency(middle, 44100), 1000, 1);
    }
}

TEST(Resample, UnusableLayoutsFailWithAReason) {
    const int16_t samples[8] = {};
    std::vector<int16_t> out{1, 2};
    std::string error;
    EXPECT_FALSE(Resample(samples, 4, 2, 0, 44100, out, error));
    EXPECT_TRUE(out.empty());
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(Resample(samples, 4, 0, 48000, 44100, out, error));
    EXPECT_FALSE(Resample(samples, 4, 2, 100, 44100, out, error)) << "a ratio past what the converter takes";
    EXPECT_FALSE(error.empty());
}
