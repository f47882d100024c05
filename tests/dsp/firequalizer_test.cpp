#include "libkvo/src/firequalizer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "tests/dsp/signals.h"

namespace {

constexpr uint32_t kLatency = 12286;

std::vector<float> Gains(float value, int bands = 10)
{
    return std::vector<float>(size_t(bands), value);
}

// Runs 16-bit PCM through the equalizer in chunks of the given sizes
// (cycled), as the decoding loop hands it buffers.
void ProcessInChunks(FirEqualizer& eq, std::vector<int16_t>& pcm, int channels, const std::vector<uint32_t>& chunks)
{
    const size_t frames = pcm.size() / size_t(channels);
    size_t done = 0;
    for (size_t i = 0; done < frames; ++i) {
        const uint32_t take = uint32_t(std::min<size_t>(chunks[i % chunks.size()], frames - done));
        ASSERT_EQ(eq.Process(pcm.data() + done * size_t(channels), take, channels, 16), take);
        done += take;
    }
}

// Largest difference between out[i + delay] and in[i] over the frames both cover.
int MaxDelayedDifference(const std::vector<int16_t>& in, const std::vector<int16_t>& out, int channels, size_t delay)
{
    int worst = 0;
    for (size_t i = delay * size_t(channels); i < out.size(); ++i)
        worst = std::max(worst, std::abs(int(out[i]) - int(in[i - delay * size_t(channels)])));
    return worst;
}

double Db(double ratio)
{
    return 20.0 * std::log10(ratio);
}

class FirEqualizerTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(eq.Init(FirEqualizer::kPlayerBits)); }
    FirEqualizer eq;
};

}  // namespace

TEST_F(FirEqualizerTest, UnityGainsGiveTheInputDelayedByTheLatency)
{
    EXPECT_EQ(eq.GetLatency(), kLatency);
    ASSERT_TRUE(eq.MakeTable(Gains(1.0f), Gains(1.0f), 44100.0f));
    const std::vector<int16_t> in = dsptest::Noise(3 * 8191 + 5000, 2, 20000, 1);
    std::vector<int16_t> out = in;
    // Uneven chunks: calls that end inside a block must keep their frames.
    ProcessInChunks(eq, out, 2, {4410, 1, 8191, 3000, 17});
    for (size_t i = 0; i < kLatency * 2; ++i)
        ASSERT_EQ(out[i], 0) << "sample " << i;
    EXPECT_LE(MaxDelayedDifference(in, out, 2, kLatency), 1);
}

TEST_F(FirEqualizerTest, FilterOffPassesEverySampleSizeUnchangedWithTheSameDelay)
{
    eq.SetFilterOn(false);
    // No design at all: the unfiltered path must not depend on one.
    for (int bits : {8, 16, 24}) {
        SCOPED_TRACE(bits);
        eq.Clear();
        const int bytes = bits / 8;
        const size_t frames = 2 * 8191 + kLatency;
        std::vector<int32_t> values(frames * 2);
        std::mt19937 gen{unsigned(bits)};
        const int32_t top = (1 << (bits - 1)) - 1;
        std::uniform_int_distribution<int32_t> dist(-top - 1, top);
        for (int32_t& v : values)
            v = dist(gen);
        std::vector<uint8_t> buffer(values.size() * size_t(bytes));
        for (size_t i = 0; i < values.size(); ++i) {
            const uint32_t u = uint32_t(bits == 8 ? values[i] + 128 : values[i]);
            std::memcpy(&buffer[i * size_t(bytes)], &u, size_t(bytes));  // little-endian host
        }
        ASSERT_EQ(eq.Process(buffer.data(), uint32_t(frames), 2, bits), frames);
        for (size_t i = kLatency * 2; i < values.size(); ++i) {
            uint32_t u = 0;
            std::memcpy(&u, &buffer[i * size_t(bytes)], size_t(bytes));
            int32_t v = bits == 8 ? int32_t(u) - 128 : int32_t(u << (32 - bits)) >> (32 - bits);
            ASSERT_EQ(v, values[i - kLatency * 2]) << "sample " << i;
        }
    }
}

TEST_F(FirEqualizerTest, TonesAtBandCentresComeOutAtTheirBandGains)
{
    const double rate = 44100.0;
    // Alternating +6 dB and -6 dB, the hardest neighbours for the bands;
    // the right side gets the opposite pattern.
    std::vector<float> left(10), right(10);
    for (size_t b = 0; b < left.size(); ++b) {
        left[b] = (b % 2) ? 0.5f : 2.0f;
        right[b] = (b % 2) ? 2.0f : 0.5f;
    }
    ASSERT_TRUE(eq.MakeTable(left, right, float(rate)));
    const double centres[10] = {57, 166, 330, 603, 1265, 3000, 6364, 10817, 13964, 18200};
    for (size_t b = 0; b < 10; ++b) {
        SCOPED_TRACE(centres[b]);
        eq.Clear();
        std::vector<int16_t> pcm = dsptest::Tone(kLatency + 3 * 8191, 2, centres[b], rate, 8000.0);
        ProcessInChunks(eq, pcm, 2, {4410});
        const size_t steady = kLatency + 8191;
        for (int c = 0; c < 2; ++c) {
            const double amplitude = dsptest::ToneAmplitude(pcm, 2, c, steady, 2 * 8191, centres[b], rate);
            EXPECT_NEAR(Db(amplitude / 8000.0), Db((c == 0 ? left : right)[b]), 1.0) << "channel " << c;
        }
    }
}

TEST_F(FirEqualizerTest, BandsAboveHalfTheRateMergeIntoTheBandThatReachesIt)
{
    // At 22050 Hz the band 9000-13000 Hz reaches past 11025 Hz: it takes
    // everything up to the Nyquist frequency, and the gains of the bands
    // from 13000 Hz up no longer matter.
    const double rate = 22050.0;
    std::vector<float> gains = Gains(1.0f);
    gains[7] = 2.0f;
    gains[8] = gains[9] = 0.25f;
    ASSERT_TRUE(eq.MakeTable(gains, gains, float(rate)));
    std::vector<int16_t> pcm = dsptest::Tone(kLatency + 3 * 8191, 1, 10500.0, rate, 8000.0);
    ProcessInChunks(eq, pcm, 1, {2205});
    const double amplitude = dsptest::ToneAmplitude(pcm, 1, 0, kLatency + 8191, 2 * 8191, 10500.0, rate);
    EXPECT_NEAR(Db(amplitude / 8000.0), Db(2.0), 1.0);
}

TEST_F(FirEqualizerTest, LoudOutputClampsInsteadOfWrapping)
{
    ASSERT_TRUE(eq.MakeTable(Gains(8.0f), Gains(8.0f), 44100.0f));
    const std::vector<int16_t> in = dsptest::Tone(kLatency + 2 * 8191, 1, 1000.0, 44100.0, 30000.0);
    std::vector<int16_t> out = in;
    ProcessInChunks(eq, out, 1, {4410});
    int highest = 0, lowest = 0;
    for (size_t i = kLatency; i < out.size(); ++i) {
        const int x = in[i - kLatency], y = out[i];
        // A wrapped sample would come out with the opposite sign.
        if (std::abs(x) > 2000) {
            ASSERT_TRUE((x > 0) == (y > 0)) << "frame " << i << ": " << x << " -> " << y;
        }
        highest = std::max(highest, y);
        lowest = std::min(lowest, y);
    }
    EXPECT_EQ(highest, 32767);
    EXPECT_EQ(lowest, -32768);
}

TEST_F(FirEqualizerTest, RefusedFormatsLeaveTheBufferUntouched)
{
    std::vector<int16_t> pcm = dsptest::Noise(1000, 2, 1000, 3);
    const std::vector<int16_t> before = pcm;
    EXPECT_EQ(eq.Process(pcm.data(), 500, 2, 12), 0u);
    EXPECT_EQ(eq.Process(pcm.data(), 500, 2, 32), 0u);
    EXPECT_EQ(eq.Process(pcm.data(), 100, 3, 16), 0u);
    EXPECT_EQ(eq.Process(pcm.data(), 100, 0, 16), 0u);
    EXPECT_EQ(pcm, before);

    FirEqualizer uninitialised;
    EXPECT_EQ(uninitialised.Process(pcm.data(), 100, 2, 16), 0u);
    EXPECT_EQ(pcm, before);
}

TEST_F(FirEqualizerTest, ADesignWithBadParametersKeepsTheLastGoodOne)
{
    ASSERT_TRUE(eq.MakeTable(Gains(1.0f), Gains(1.0f), 44100.0f));
    EXPECT_FALSE(eq.MakeTable(Gains(4.0f), Gains(4.0f), 0.0f));
    EXPECT_FALSE(eq.MakeTable(Gains(4.0f, 9), Gains(4.0f), 44100.0f));  // one gain short
    std::vector<float> bad = Gains(4.0f);
    bad[3] = std::nanf("");
    EXPECT_FALSE(eq.MakeTable(bad, Gains(4.0f), 44100.0f));
    const std::vector<int16_t> in = dsptest::Noise(kLatency + 8191, 1, 10000, 4);
    std::vector<int16_t> out = in;
    ProcessInChunks(eq, out, 1, {4410});
    EXPECT_LE(MaxDelayedDifference(in, out, 1, kLatency), 1);
}

TEST_F(FirEqualizerTest, TheNewestOfSeveralDesignsIsTheOneTakenUp)
{
    ASSERT_TRUE(eq.MakeTable(Gains(1.0f), Gains(1.0f), 44100.0f));
    std::vector<int16_t> warmup = dsptest::Tone(8191, 1, 1000.0, 44100.0, 4000.0);
    ProcessInChunks(eq, warmup, 1, {4410});
    // Two designs before the next call: the first must not win, and the
    // second must not be lost by overwriting the set the first offered.
    ASSERT_TRUE(eq.MakeTable(Gains(0.5f), Gains(0.5f), 44100.0f));
    ASSERT_TRUE(eq.MakeTable(Gains(3.0f), Gains(3.0f), 44100.0f));
    eq.Clear();
    std::vector<int16_t> pcm = dsptest::Tone(kLatency + 2 * 8191, 1, 1000.0, 44100.0, 4000.0);
    ProcessInChunks(eq, pcm, 1, {4410});
    EXPECT_NEAR(Db(dsptest::ToneAmplitude(pcm, 1, 0, kLatency + 4000, 8191, 1000.0, 44100.0) / 4000.0), Db(3.0),
                0.2);
}

TEST_F(FirEqualizerTest, RequestedBandEdgesTakeEffectAtTheNextInit)
{
    ASSERT_TRUE(eq.SetBandEdges(std::vector<float>{1000.0f}));
    EXPECT_EQ(eq.BandCount(), 10);  // still the defaults until Init
    ASSERT_TRUE(eq.Init(FirEqualizer::kPlayerBits));
    EXPECT_EQ(eq.BandCount(), 2);
    ASSERT_TRUE(eq.MakeTable(std::vector<float>{0.5f, 2.0f}, std::vector<float>{0.5f, 2.0f}, 44100.0f));
    for (double f : {300.0, 4000.0}) {
        eq.Clear();
        std::vector<int16_t> pcm = dsptest::Tone(kLatency + 2 * 8191, 1, f, 44100.0, 4000.0);
        ProcessInChunks(eq, pcm, 1, {4410});
        const double gain = dsptest::ToneAmplitude(pcm, 1, 0, kLatency + 4000, 8191, f, 44100.0) / 4000.0;
        EXPECT_NEAR(Db(gain), Db(f < 1000.0 ? 0.5 : 2.0), 0.5) << f;
    }
}
