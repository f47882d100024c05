// Where a take's voice meets its song, from moments as the sound server
// reports them: readings that wobble by a few milliseconds, a song heard
// only some time after the capture began, a song that stalled while the
// capture ran on, and readings that overstated the capture for a while.
// The mixes use counting signals: the voice's left channel holds its own
// frame index, the accompaniment's right channel its own.

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "kvostudio/takeplacement.h"

using namespace recmix;

namespace {

constexpr int64_t kMs = 44;   // frames in a millisecond, near enough

// Moments every 70 ms of a song heard from `songStart` frames into the
// take's song, with the capture `lead` frames ahead of it, each reading
// off by up to `wobble` frames either way.
std::vector<TakeMoment> Steady(int64_t fromK, int64_t toK, int64_t lead, int64_t wobble, int64_t songStart = 0)
{
    std::vector<TakeMoment> moments;
    int step = 0;
    for (int64_t k = fromK; k < toK; k += 70 * kMs, ++step) {
        const int64_t off = wobble == 0 ? 0 : (step * 7919) % (2 * wobble + 1) - wobble;
        moments.push_back({songStart + k, k + lead + off});
    }
    return moments;
}

void Append(std::vector<TakeMoment>& to, const std::vector<TakeMoment>& more)
{
    to.insert(to.end(), more.begin(), more.end());
}

int16_t Left(const std::vector<uint8_t>& b, int64_t frame) { return int16_t(uint16_t(b[size_t(frame) * 4] | b[size_t(frame) * 4 + 1] << 8)); }
int16_t Right(const std::vector<uint8_t>& b, int64_t frame)
{
    return int16_t(uint16_t(b[size_t(frame) * 4 + 2] | b[size_t(frame) * 4 + 3] << 8));
}

std::vector<uint8_t> Counting(int64_t frames, int channel, int64_t base = 1)
{
    std::vector<uint8_t> bytes(size_t(frames) * 4, 0);
    for (int64_t f = 0; f < frames; ++f) {
        const uint16_t v = uint16_t((f + base) & 0x7FFF);
        bytes[size_t(f) * 4 + 2 * size_t(channel)] = uint8_t(v);
        bytes[size_t(f) * 4 + 2 * size_t(channel) + 1] = uint8_t(v >> 8);
    }
    return bytes;
}

}  // namespace

TEST(TakePlacement, ASteadySongGivesOnePlaceAveragedOverTheWobble)
{
    // Before the song is first heard, it stands at its start while the
    // capture runs: those moments say nothing of the place.
    std::vector<TakeMoment> moments;
    for (int64_t c = 0; c < 400 * kMs; c += 70 * kMs)
        moments.push_back({0, c});
    Append(moments, Steady(3 * kMs, 10000 * kMs, 900, 200));
    const auto stretches = PlaceVoice(moments, 0);
    ASSERT_EQ(stretches.size(), 1u);
    EXPECT_EQ(stretches[0].songFrom, 0);
    EXPECT_NEAR(double(stretches[0].voiceAt), 900.0, 40.0);
    // A take that started later in the song counts from there.
    const auto later = PlaceVoice(Steady(3 * kMs, 3000 * kMs, 500, 0, 44100), 44100);
    ASSERT_EQ(later.size(), 1u);
    EXPECT_EQ(later[0].voiceAt, 500);
    EXPECT_EQ(VoiceFrameAt(later, 1000), 1500);
    EXPECT_TRUE(PlaceVoice({}, 0).empty());
}

TEST(TakePlacement, AStallPutsTheVoiceLaterFromWhereTheSongStoodStill)
{
    // Heard steadily to 5 s, then the song stood still for 80 ms while the
    // capture ran on.
    std::vector<TakeMoment> moments = Steady(3 * kMs, 5000 * kMs, 1000, 150);
    Append(moments, Steady(5000 * kMs, 12000 * kMs, 1000 + 80 * kMs, 150));
    const auto stretches = PlaceVoice(moments, 0);
    ASSERT_EQ(stretches.size(), 2u);
    EXPECT_NEAR(double(stretches[1].songFrom), 5000.0 * kMs, 70.0 * kMs);
    EXPECT_NEAR(double(VoiceFrameAt(stretches, 2000 * kMs) - 2000 * kMs), 1000.0, 40.0);
    EXPECT_NEAR(double(VoiceFrameAt(stretches, 9000 * kMs) - 9000 * kMs), 1000.0 + 80 * kMs, 40.0);
    // One stray reading is no stall.
    std::vector<TakeMoment> stray = Steady(3 * kMs, 8000 * kMs, 1000, 0);
    stray[40].captureFrame += 60 * kMs;
    EXPECT_EQ(PlaceVoice(stray, 0).size(), 1u);
}

TEST(TakePlacement, ReadingsThatOverstatedTheCaptureGiveWayToLaterOnes)
{
    // The first two seconds' readings put the capture 300 ms further on
    // than the rest do: the capture cannot have fallen back, so the later
    // place holds from the start.
    std::vector<TakeMoment> moments = Steady(3 * kMs, 2000 * kMs, 1000 + 300 * kMs, 100);
    Append(moments, Steady(2000 * kMs, 9000 * kMs, 1000, 100));
    const auto stretches = PlaceVoice(moments, 0);
    ASSERT_EQ(stretches.size(), 1u);
    EXPECT_NEAR(double(stretches[0].voiceAt), 1000.0, 40.0);
}

TEST(TakePlacement, TheMixLastsAsLongAsTheSongWithTheVoiceWhereItWasHeard)
{
    const int64_t frames = 3000;
    const std::vector<uint8_t> voice = Counting(1000, 0);          // runs out early
    const std::vector<uint8_t> accompaniment = Counting(5000, 1);
    // From song frame 0 capture frame 10 meets it; from 500 on, 30 (the
    // song stood still for 20 frames there).
    const std::vector<VoiceStretch> stretches = {{0, 10}, {500, 530}};
    const auto out = MixPlaced(voice.data(), voice.size(), accompaniment.data(), accompaniment.size(), stretches,
                               100, -5, frames, 0.0f);
    ASSERT_EQ(out.size(), size_t(frames) * 4);
    // The voice 5 frames late (a shift of -5): song frame k takes capture
    // frame place(k) + 5; counting from 1.
    EXPECT_EQ(Left(out, 0), 10 + 5 + 1);
    EXPECT_EQ(Left(out, 499), 10 + 499 + 5 + 1);
    EXPECT_EQ(Left(out, 500), 530 + 5 + 1);
    EXPECT_EQ(Left(out, 964), 1000);
    EXPECT_EQ(Left(out, 965), 0) << "past the voice's end the song goes on alone";
    for (int64_t k : {0, 499, 500, 2999})
        EXPECT_EQ(Right(out, k), 100 + k + 1) << k;
    // Saturated sums, and a song that ends before the take is silence.
    std::vector<uint8_t> loud(8, 0x7F);
    const auto sum = MixPlaced(loud.data(), loud.size(), loud.data(), loud.size(), {{0, 0}}, 0, 0, 3, 0.0f);
    EXPECT_EQ(Left(sum, 0), 32767);
    EXPECT_EQ(Left(sum, 2), 0);
}

TEST(TakePlacement, ACaptureThatEndedEndsTheTakeWhereItsVoiceRanOut)
{
    // Capture frame 10 met song frame 0; from song frame 500, 530 did.
    const std::vector<VoiceStretch> stretches = {{0, 10}, {500, 530}};
    EXPECT_EQ(SongFrameWhereCaptureEnds(stretches, 310), 300);
    EXPECT_EQ(SongFrameWhereCaptureEnds(stretches, 1530), 1500);
    EXPECT_EQ(SongFrameWhereCaptureEnds(stretches, 5), 0) << "before the song was heard";
    EXPECT_EQ(SongFrameWhereCaptureEnds({}, 42), 42);
}

TEST(TakePlacement, TheCardsMixIsCutFromWhereTheSongWasFirstHeard)
{
    const std::vector<uint8_t> capture = Counting(2000, 0, 0);
    const auto cut = CutPlaced(capture.data(), capture.size(), {{0, 300}, {700, 1020}}, 1000);
    // 300 .. 1020 + 300, stall and all.
    ASSERT_EQ(cut.size(), size_t(1320 - 300) * 4);
    EXPECT_EQ(Left(cut, 0), 300);
    const auto past = CutPlaced(capture.data(), capture.size(), {{0, 1500}}, 1000);
    EXPECT_EQ(past.size(), size_t(500) * 4) << "cut where the capture ends";
}
