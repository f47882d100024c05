#include "libkvo/src/eqlatency.h"

#include <gtest/gtest.h>

#include <vector>

#include "libkvo/src/firequalizer.h"
#include "tests/dsp/signals.h"

namespace {

// Plays 'in' through the gate in buffers of bufferFrames as the decoding
// loop does, then runs the tail out; returns everything written.
std::vector<int16_t> PlayThrough(FirEqualizer& eq, const std::vector<int16_t>& in, int channels,
                                 uint32_t bufferFrames)
{
    EqLatencyGate gate;
    eq.Clear();
    gate.Reset(eq.GetLatency());
    std::vector<int16_t> written;
    const size_t frames = in.size() / size_t(channels);
    std::vector<int16_t> buffer;
    for (size_t at = 0; at < frames; at += bufferFrames) {
        const uint32_t take = uint32_t(std::min<size_t>(bufferFrames, frames - at));
        buffer.assign(in.begin() + long(at * channels), in.begin() + long((at + take) * channels));
        const uint32_t ready = gate.Filter(eq, buffer.data(), take, channels);
        written.insert(written.end(), buffer.begin(), buffer.begin() + long(ready * channels));
    }
    std::vector<int16_t> tail(size_t(bufferFrames) * channels);
    int guard = 0;
    while (gate.TailPending() && ++guard < 100000) {
        const uint32_t got = gate.DrainTail(eq, tail.data(), bufferFrames, channels);
        written.insert(written.end(), tail.begin(), tail.begin() + long(got * channels));
    }
    EXPECT_FALSE(gate.TailPending());
    return written;
}

}  // namespace

TEST(EqLatencyGate, EveryFrameThatGoesInComesOutOnceInOrder)
{
    FirEqualizer eq;
    ASSERT_TRUE(eq.Init(FirEqualizer::kPlayerBits));
    eq.SetFilterOn(false);  // exact samples, so any lost or repeated frame shows
    // Longer than the delay, shorter than it, and exactly one buffer.
    for (size_t frames : {size_t(50000), size_t(100), size_t(4410), size_t(12286)}) {
        SCOPED_TRACE(frames);
        const std::vector<int16_t> in = dsptest::Noise(frames, 2, 30000, unsigned(frames));
        EXPECT_EQ(PlayThrough(eq, in, 2, 4410), in);
    }
}

TEST(EqLatencyGate, FilteringWithUnityGainsKeepsTheTimingOfTheSound)
{
    FirEqualizer eq;
    ASSERT_TRUE(eq.Init(FirEqualizer::kPlayerBits));
    ASSERT_TRUE(eq.MakeTable(std::vector<float>(10, 1.0f), std::vector<float>(10, 1.0f), 44100.0f));
    const std::vector<int16_t> in = dsptest::Noise(30000, 1, 20000, 5);
    const std::vector<int16_t> out = PlayThrough(eq, in, 1, 2205);
    ASSERT_EQ(out.size(), in.size());
    for (size_t i = 0; i < in.size(); ++i)
        ASSERT_LE(std::abs(int(out[i]) - int(in[i])), 1) << "frame " << i;
}

TEST(EqLatencyGate, NothingToRunOutBeforeAnyInput)
{
    FirEqualizer eq;
    ASSERT_TRUE(eq.Init(FirEqualizer::kPlayerBits));
    EqLatencyGate gate;
    gate.Reset(eq.GetLatency());
    EXPECT_FALSE(gate.TailPending());
    int16_t out[64] = {};
    EXPECT_EQ(gate.DrainTail(eq, out, 32, 2), 0u);
}
