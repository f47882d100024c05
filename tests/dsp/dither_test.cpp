// Dither and mix over whole frames: what the decoding thread writes must be,
// sample for sample, what the one-sample functions give, whatever the mix
// of stereo, mono and shorter frames, and across frames (the dither's state
// carries on).

#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "libkvo/src/mixdsp.h"

namespace {

struct Channel {
    std::vector<int32_t> samples;
    uint32_t length = 0;
};

// Stretches of quiet, of loud (clipping now and then), and of samples near
// the ends of the 32-bit range, as a damaged stream can give.
std::vector<int32_t> Decoded(std::mt19937& gen, uint32_t n)
{
    std::uniform_int_distribution<int32_t> quiet(-0x01000000, 0x01000000);
    std::uniform_int_distribution<int32_t> loud(-0x14000000, 0x14000000);
    std::uniform_int_distribution<int32_t> wild(INT32_MIN, INT32_MAX);
    std::vector<int32_t> v(1152);
    for (uint32_t i = 0; i < n; ++i) {
        const uint32_t stretch = (i / 200) % 4;
        v[i] = stretch == 3 ? loud(gen) : (stretch == 2 && i % 50 == 0 ? wild(gen) : quiet(gen));
    }
    return v;
}

// One stream's channels a sample at a time, as the mix hears them.
void Reference(const Channel& l, const Channel* r, uint32_t count, DitherState& sl, DitherState& sr,
               std::vector<int32_t>& outL, std::vector<int32_t>& outR)
{
    outL.assign(count, 0);
    outR.assign(count, 0);
    for (uint32_t t = 0; t < count; ++t) {
        if (t >= l.length) {
            outL[t] = outR[t] = DitherSample(0, sl);
        } else if (r) {
            outL[t] = DitherSample(l.samples[t], sl);
            outR[t] = DitherSample(r->samples[t], sr);
        } else {
            outL[t] = outR[t] = DitherSample(l.samples[t], sl);
        }
    }
}

}  // namespace

TEST(DitherAndMix, WholeFramesMatchTheOneSampleFunctionsForEveryShapeOfInput)
{
    std::mt19937 gen(7);
    struct Shape {
        bool stereo1, stereo2;
        uint32_t length2;  // stream 2's frame, of the 1152 samples written
    };
    // The last shape repeats the first: the states carried over the frames
    // before must still agree.
    const Shape shapes[] = {{true, true, 1152}, {true, false, 1152}, {false, false, 1152}, {true, true, 600},
                            {false, true, 0},   {true, true, 1152},  {true, true, 1152},   {true, false, 1152}};
    DitherState refState[2][2], mixState[2][2], soloState[2][2];
    DitherScratch scratch;
    const uint32_t count = 1152;
    for (const Shape& shape : shapes) {
        SCOPED_TRACE(testing::Message() << "stereo " << shape.stereo1 << shape.stereo2 << " length " << shape.length2);
        const Channel l1{Decoded(gen, count), count}, r1{Decoded(gen, count), count};
        const Channel l2{Decoded(gen, shape.length2), shape.length2}, r2{Decoded(gen, shape.length2), shape.length2};
        const float mix = 0.8f;

        std::vector<int32_t> refL1, refR1, refL2, refR2;
        Reference(l1, shape.stereo1 ? &r1 : nullptr, count, refState[0][0], refState[0][1], refL1, refR1);
        Reference(l2, shape.stereo2 ? &r2 : nullptr, count, refState[1][0], refState[1][1], refL2, refR2);
        std::vector<int16_t> expected(2 * count), expectedSolo(2 * count);
        for (uint32_t t = 0; t < count; ++t) {
            expected[2 * t] = MixDithered(refL1[t], refL2[t], mix);
            expected[2 * t + 1] = MixDithered(refR1[t], refR2[t], mix);
            expectedSolo[2 * t] = SoloDithered(refL1[t]);
            expectedSolo[2 * t + 1] = SoloDithered(refR1[t]);
        }

        const DecodedFrame frames[2] = {
            {l1.samples.data(), shape.stereo1 ? r1.samples.data() : nullptr, l1.length},
            {l2.samples.data(), shape.stereo2 ? r2.samples.data() : nullptr, l2.length}};
        std::vector<int16_t> mixed(2 * count), solo(2 * count);
        DitherAndMixFrame(frames, 2, count, mixState, mix, scratch, mixed.data());
        DitherAndMixFrame(frames, 1, count, soloState, mix, scratch, solo.data());
        ASSERT_EQ(mixed, expected);
        ASSERT_EQ(solo, expectedSolo);
    }
}

// The one-stream path runs its own two-lane dither: over many frames of
// one stereo or mono stream, with a clip and a wild sample landing at every
// place of a four-sample block, it must still give what the one-sample
// functions give, and hand its state on from frame to frame.
TEST(DitherAndMix, OneStreamFramesMatchTheOneSampleFunctionsThroughClipsAnywhere)
{
    std::mt19937 gen(11);
    std::uniform_int_distribution<int32_t> quiet(-0x00800000, 0x00800000);
    const uint32_t count = 1152;
    for (const bool stereo : {true, false}) {
        SCOPED_TRACE(stereo ? "stereo" : "mono");
        DitherState refState[2][2], soloState[2][2];
        DitherScratch scratch;
        for (uint32_t frame = 0; frame < 24; ++frame) {
            Channel l{std::vector<int32_t>(count), count}, r{std::vector<int32_t>(count), count};
            for (uint32_t t = 0; t < count; ++t) {
                l.samples[t] = quiet(gen);
                r.samples[t] = quiet(gen);
            }
            // A full-scale sample (a clip) in one channel at block place
            // frame % 4, a wild one later in the other at the next place,
            // and in the last frames a stretch of clips.
            const uint32_t at = 100 + frame % 4;
            (frame % 2 ? r : l).samples[at] = 0x0FFFFF00;
            (frame % 2 ? l : r).samples[at + 401] = frame % 3 ? INT32_MIN : INT32_MAX;
            if (frame >= 20)
                for (uint32_t t = 700; t < 760; ++t)
                    l.samples[t] = -0x12000000;

            std::vector<int32_t> refL, refR;
            Reference(l, stereo ? &r : nullptr, count, refState[0][0], refState[0][1], refL, refR);
            std::vector<int16_t> expected(2 * count);
            for (uint32_t t = 0; t < count; ++t) {
                expected[2 * t] = SoloDithered(refL[t]);
                expected[2 * t + 1] = SoloDithered(refR[t]);
            }
            const DecodedFrame one{l.samples.data(), stereo ? r.samples.data() : nullptr, count};
            std::vector<int16_t> solo(2 * count);
            DitherAndMixFrame(&one, 1, count, soloState, 1.0f, scratch, solo.data());
            ASSERT_EQ(solo, expected) << "frame " << frame;
        }
    }
}
