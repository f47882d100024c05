// The mix arithmetic on counting signals: the voice's left channel holds
// its own frame index and the accompaniment's right channel its own, so
// each output frame shows which voice frame met which accompaniment frame.

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "kvostudio/recordingmix.h"

using namespace recmix;

namespace {

constexpr int64_t kMs = 441;   // frames in 10 ms

int16_t Count(int64_t frame) { return int16_t(frame & 0x7FFF); }

// Frames of stereo 16-bit audio whose `channel` counts the frame index.
std::vector<uint8_t> Counting(int64_t frames, int channel) {
    std::vector<uint8_t> bytes(size_t(frames) * 4, 0);
    for (int64_t f = 0; f < frames; ++f) {
        const uint16_t v = uint16_t(Count(f));
        bytes[size_t(f) * 4 + 2 * size_t(channel)] = uint8_t(v);
        bytes[size_t(f) * 4 + 2 * size_t(channel) + 1] = uint8_t(v >> 8);
    }
    return bytes;
}

int16_t At(const std::vector<uint8_t>& b, size_t byte) { return int16_t(uint16_t(b[byte] | b[byte + 1] << 8)); }

// What a case expects, in frames: the output is voice frames
// [firstOut, firstOut + outFrames); voice frame v meets accompaniment frame
// v + delta for v in [mixFrom, mixTo), and stays unmixed elsewhere.
struct Expect {
    int64_t firstOut, outFrames, delta, mixFrom, mixTo;
};

// endFrames: where the song ended the take (EndMixAt), if it did.
void CheckMix(int64_t startFrames, int64_t shiftBytes, int64_t voiceFrames, int64_t accFrames, const Expect& e,
              int64_t endFrames = -1) {
    auto voice = Counting(voiceFrames, 0);
    const auto acc = Counting(accFrames, 1);
    MixPlan plan = PlanMix(startFrames * 4, shiftBytes, uint32_t(voice.size()), uint32_t(acc.size()));
    if (endFrames >= 0) plan = EndMixAt(plan, endFrames * 4);
    MixInto(voice.data(), acc.data(), plan, 0.0f);
    ASSERT_EQ(plan.outputStart, e.firstOut * 4);
    ASSERT_EQ(plan.outputBytes, e.outFrames * 4);
    int wrong = 0;
    for (int64_t v = e.firstOut; v < e.firstOut + e.outFrames && wrong < 5; ++v) {
        const size_t at = size_t(v) * 4;
        const bool mixed = v >= e.mixFrom && v < e.mixTo;
        const int16_t right = mixed ? Count(v + e.delta) : 0;
        if (At(voice, at) != Count(v) || At(voice, at + 2) != right) {
            ADD_FAILURE() << "output frame " << v - e.firstOut << ": voice frame " << At(voice, at)
                          << " met accompaniment " << At(voice, at + 2) << ", expected " << Count(v) << " and "
                          << right;
            ++wrong;
        }
    }
}

}  // namespace

TEST(MixOffsets, EveryWholeMillisecondShiftIsExactInFrames) {
    for (int ms = -5000; ms <= 5000; ++ms)
        ASSERT_EQ(ShiftBytes(float(ms)), 4 * (int64_t(ms) * 44100 / 1000)) << ms << " ms";
    EXPECT_EQ(ShiftBytes(10.0f), 441 * 4);
    EXPECT_EQ(ShiftBytes(-200.0f), -35280);
    EXPECT_EQ(OffsetBytes(10.0f), 1764000);
    EXPECT_EQ(OffsetBytes(0.0f), 0);
}

TEST(MixPlacement, EachVoiceFrameMeetsTheAccompanimentFrameTheShiftNames) {
    const int64_t sec = 44100, s = 8820;   // 200 ms
    struct Case {
        const char* what;
        int64_t start, shiftBytes, voice, acc;
        Expect expect;
        int64_t end = -1;   // where the song ended the take, if it did
    };
    const Case cases[] = {
        {"start 0, -200 ms: the first 200 ms go", 0, ShiftBytes(-200), 3 * sec, 5 * sec, {s, 3 * sec - s, -s, s, 3 * sec}},
        {"start 10 s, -200 ms: the whole voice stays", 10 * sec, ShiftBytes(-200), 3 * sec, 15 * sec,
         {0, 3 * sec, 10 * sec - s, 0, 3 * sec}},
        {"shift 0: frame for frame", 0, 0, 3 * sec, 5 * sec, {0, 3 * sec, 0, 0, 3 * sec}},
        {"shift 0, the song ends first: the rest stays unmixed", 0, 0, 3 * sec, 2 * sec, {0, 3 * sec, 0, 0, 2 * sec}},
        {"+100 ms, the song ends first: the voice's last 100 ms go", 0, 4410 * 4, 3 * sec, 2 * sec,
         {0, 3 * sec - 4410, 4410, 0, 2 * sec - 4410}},
        {"+100 ms, a long song: the whole voice stays", 0, 4410 * 4, 3 * sec, 4 * sec, {0, 3 * sec, 4410, 0, 3 * sec}},
        {"+10 ms is 441 frames", 0, ShiftBytes(10), sec, 2 * sec, {0, sec, kMs, 0, sec}},
        {"-10 ms is 441 frames", 0, ShiftBytes(-10), sec, 2 * sec, {kMs, sec - kMs, -kMs, kMs, sec}},
        {"start 1 s, -10 ms", sec, ShiftBytes(-10), sec, 3 * sec, {0, sec, sec - kMs, 0, sec}},
        // Captured from 100 ms with the voice 200 ms late: the first 200 ms
        // of the voice go, and voice frame v meets the song's v - 100 ms.
        {"start inside the shift", 4410, ShiftBytes(-200), 2 * sec, 3 * sec, {s, 2 * sec - s, -4410, s, 2 * sec}},
        // The song ended the take: the voice was captured on past its end.
        {"ended by the song", 0, ShiftBytes(-200), 3 * sec, 2 * sec, {s, 2 * sec, -s, s, 2 * sec + s}, 2 * sec},
        {"from 1 s, ended by the song", sec, ShiftBytes(-200), 3 * sec, 3 * sec,
         {0, 3 * sec / 2 + s, sec - s, 0, 3 * sec / 2 + s}, 5 * sec / 2},
        {"a capture that stops before the song's end is kept whole", 0, ShiftBytes(-200), 3 * sec, 4 * sec,
         {s, 3 * sec - s, -s, s, 3 * sec}, 4 * sec},
        {"an end before the mix's start changes nothing", sec, ShiftBytes(-200), 3 * sec, 5 * sec,
         {0, 3 * sec, sec - s, 0, 3 * sec}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CheckMix(c.start, c.shiftBytes, c.voice, c.acc, c.expect, c.end);
    }
}

TEST(MixPlacement, AVoiceNoLongerThanTheShiftGivesAnEmptyMix) {
    for (int64_t frames : {int64_t(0), int64_t(100), int64_t(8820)}) {
        SCOPED_TRACE(frames);
        CheckMix(0, ShiftBytes(-200), frames, 5 * 44100, {0, 0, 0, 0, 0});
        // Past the song with a positive shift: nothing left, never a
        // negative size.
        CheckMix(0, ShiftBytes(200), frames, 0, {0, 0, 0, 0, 0});
    }
}

TEST(MixGain, ZeroDbIsTheIdentityForEverySample) {
    for (int v = -32768; v <= 32767; ++v) ASSERT_EQ(ApplyGainToSample(int16_t(v), 0.0f), v);
}

TEST(MixGain, SixDbDownHalvesTowardZeroAndTwentyUpClamps) {
    EXPECT_EQ(ApplyGainToSample(1000, -6.0f), 501);
    EXPECT_EQ(ApplyGainToSample(-1000, -6.0f), -501);
    EXPECT_EQ(ApplyGainToSample(1000, 6.0f), 1995);
    EXPECT_EQ(ApplyGainToSample(5000, 20.0f), 32767);
    EXPECT_EQ(ApplyGainToSample(-5000, 20.0f), -32768);
    EXPECT_EQ(ApplyGainToSample(3000, 20.0f), 30000);

    // The buffer form scales every sample alike, in place too, and leaves an
    // odd last byte alone.
    std::vector<uint8_t> bytes = {0xE8, 0x03, 0x18, 0xFC, 0x88, 0x13, 0x7F};   // 1000, -1000, 5000, odd byte
    std::vector<uint8_t> out(bytes.size());
    ApplyGainToBuffer(bytes.data(), out.data(), bytes.size(), -6.0f);
    EXPECT_EQ(At(out, 0), 501);
    EXPECT_EQ(At(out, 2), -501);
    EXPECT_EQ(At(out, 4), ApplyGainToSample(5000, -6.0f));
    EXPECT_EQ(out[6], 0x7F);
    ApplyGainToBuffer(bytes.data(), bytes.data(), bytes.size(), -6.0f);
    EXPECT_EQ(bytes, out);
}

TEST(MixSum, SumsSaturateBothWays) {
    auto sum = [](int16_t v, int16_t a) {
        uint8_t vb[2] = {uint8_t(uint16_t(v)), uint8_t(uint16_t(v) >> 8)};
        const uint8_t ab[2] = {uint8_t(uint16_t(a)), uint8_t(uint16_t(a) >> 8)};
        MixSample(vb, ab);
        return int16_t(uint16_t(vb[0] | vb[1] << 8));
    };
    EXPECT_EQ(sum(30000, 10000), 32767);
    EXPECT_EQ(sum(-30000, -10000), -32768);
    EXPECT_EQ(sum(32767, 32767), 32767);
    EXPECT_EQ(sum(-32768, -1), -32768);
    EXPECT_EQ(sum(100, -300), -200);
    EXPECT_EQ(sum(-32768, 32767), -1);
}

TEST(MixSum, TheAccompanimentsGainAppliesBeforeTheSum) {
    std::vector<uint8_t> voice = {0x10, 0x27, 0, 0};   // 10000, 0
    const std::vector<uint8_t> acc = {0xE8, 0x03, 0x88, 0x13};   // 1000, 5000
    MixPlan plan;
    plan.mixBytes = 4;
    MixInto(voice.data(), acc.data(), plan, -6.0f);
    EXPECT_EQ(At(voice, 0), 10501);
    EXPECT_EQ(At(voice, 2), ApplyGainToSample(5000, -6.0f));
    MixInto(voice.data(), acc.data(), plan, 20.0f);
    EXPECT_EQ(At(voice, 0), 20501);
    EXPECT_EQ(At(voice, 2), 32767);
}

TEST(MixProgress, PercentRoundsAndDoesNotOverflowForLargeFiles) {
    const int64_t total = 42LL * 1024 * 1024;
    EXPECT_EQ(ProgressPercent(total, total), 100);
    EXPECT_EQ(ProgressPercent(total / 2, total), 50);
    EXPECT_EQ(ProgressPercent(total - 4608, total), 100);
    EXPECT_EQ(ProgressPercent(total / 3, total), 33);
    EXPECT_EQ(ProgressPercent(2 * total / 3, total), 67);
    EXPECT_EQ(ProgressPercent(1, 200), 1);   // a half rounds up
    EXPECT_EQ(ProgressPercent(0, total), 0);
    EXPECT_EQ(ProgressPercent(5, 0), 0);
    EXPECT_EQ(ProgressPercent(3'000'000'000LL, 3'000'000'000LL), 100);
}
