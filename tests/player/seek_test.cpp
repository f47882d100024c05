// Seek, loop and reverse play, checked against a continuous decode.

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "tests/player/player_fixture.h"

using namespace playertest;

namespace {

std::vector<int16_t> Samples(const std::vector<uint8_t>& bytes)
{
    std::vector<int16_t> s(bytes.size() / 2);
    if (!s.empty())
        std::memcpy(s.data(), bytes.data(), s.size() * 2);
    return s;
}

// Largest difference between a and b[offset..] over 'count' samples.
int MaxDiff(const std::vector<int16_t>& a, size_t aFrom, const std::vector<int16_t>& b, size_t bFrom, size_t count)
{
    int worst = 0;
    for (size_t i = 0; i < count && aFrom + i < a.size() && bFrom + i < b.size(); ++i)
        worst = std::max(worst, std::abs(int(a[aFrom + i]) - int(b[bFrom + i])));
    return worst;
}

class PlayerSeek : public SimulatedDevice {
protected:
    std::vector<int16_t> PlayToEnd(CDuoPlayer* p) { return Samples(playertest::PlayToEnd(p, *sim)); }
    static constexpr int kDitherSlack = 8;  // the dither restarts at every play
};

}  // namespace

TEST_F(PlayerSeek, OutputAfterASeekMatchesAContinuousDecodeWithinOneFrame)
{
    for (bool vbr : {false, true}) {
        testsupport::Mp3Options options;
        options.vbr = vbr;
        const auto mp3 = testsupport::MakeMp3(testsupport::MakeNoise(44100, 2, 6.0, 0.3), options);
        PlayerPtr player;
        ASSERT_EQ(player->OpenStream(1, 0, mp3.data(), mp3.size(), mp3.data(), mp3.size(), 500), 1);
        player->SetMixLevel(0.0f);
        const auto whole = PlayToEnd(player.p);

        for (uint32_t t : {250u, 1000u, 2345u, 3999u, 5100u}) {
            MP3_TIME target{};
            target.ms = t;
            ASSERT_EQ(player->Seek(TIME_FORMAT_MS, &target, SONG_BEGIN), 1);
            MP3_TIME pos;
            player->GetPosition(&pos);
            EXPECT_EQ(pos.ms, t);
            const auto after = PlayToEnd(player.p);
            ASSERT_GT(after.size(), 2u * 1152 * 4);
            // Find the frame of the continuous decode the seek landed on: the
            // first frame's second half must match already (it decoded, its
            // reservoir rebuilt), every later frame fully.
            const size_t expected = size_t(t) * 44100 / 1000;
            size_t best = 0;
            int bestDiff = 1 << 30;
            for (size_t f = expected / 1152 > 3 ? expected / 1152 - 3 : 0; f <= expected / 1152 + 3; ++f) {
                const int d = MaxDiff(after, 2 * 1152, whole, 2 * (f * 1152 + 1152), 2 * 4 * 1152);
                if (d < bestDiff) {
                    bestDiff = d;
                    best = f;
                }
            }
            EXPECT_LE(bestDiff, kDitherSlack) << "vbr " << vbr << " t " << t;
            EXPECT_LE(std::llabs(static_cast<long long>(best * 1152) - static_cast<long long>(expected)), 1152 + 576)
                << "vbr " << vbr << " t " << t;
            // The first frame after the seek starts from muted filters, so
            // only its last samples equal the continuous decode; had it been
            // lost, they would not.
            EXPECT_LE(MaxDiff(after, 2 * 1100, whole, 2 * (best * 1152 + 1100), 2 * 50), kDitherSlack)
                << "the first frame after the seek was lost; vbr " << vbr << " t " << t;
            EXPECT_EQ(after.size() / 2, whole.size() / 2 - best * 1152);
        }
    }
}

TEST_F(PlayerSeek, SeekMethodsAndTheirEnds)
{
    const auto mp3 = ToneMp3(440, 3.0);
    PlayerPtr player;
    ASSERT_EQ(player->OpenStream(1, 0, mp3.data(), mp3.size(), mp3.data(), mp3.size(), 500), 1);
    MP3_TIME length, t{}, pos;
    player->GetSongLengthHMS(&length);

    t.sec = 1;
    ASSERT_EQ(player->Seek(TIME_FORMAT_SEC, &t, SONG_END), 1);
    player->GetPosition(&pos);
    EXPECT_EQ(pos.ms, length.ms - 1000);

    t.ms = 500;
    ASSERT_EQ(player->Seek(TIME_FORMAT_MS, &t, SONG_CURRENT_BACKWARD), 1);
    player->GetPosition(&pos);
    EXPECT_EQ(pos.ms, length.ms - 1500);

    t.ms = 100000;  // beyond the length from the end: the start
    ASSERT_EQ(player->Seek(TIME_FORMAT_MS, &t, SONG_END), 1);
    player->GetPosition(&pos);
    EXPECT_EQ(pos.ms, 0u);

    t.sec = 0;  // zero from the end: the next play ends at once
    ASSERT_EQ(player->Seek(TIME_FORMAT_SEC, &t, SONG_END), 1);
    EXPECT_TRUE(PlayToEnd(player.p).empty());

    t.hms = {0, 0, 1, 500};
    ASSERT_EQ(player->Seek(TIME_FORMAT_HMS, &t, SONG_BEGIN), 1);
    player->GetPosition(&pos);
    EXPECT_EQ(pos.ms, 1500u);
    EXPECT_EQ(pos.hms.second, 1u);
    EXPECT_EQ(pos.hms.millisecond, 500u);

    t.bytes = 24000;
    ASSERT_EQ(player->Seek(TIME_FORMAT_BYTES, &t, SONG_BEGIN), 1);
    player->GetPosition(&pos);
    EXPECT_NEAR(double(pos.ms), 24000.0 * 8 / 128, 30.0);

    EXPECT_EQ(player->Seek(TIME_FORMAT_MS, nullptr, SONG_BEGIN), 0);
    EXPECT_STREQ(player->GetError(), "Seek->MP3_TIME *pTime can't be 0 !");
    EXPECT_EQ(player->Seek(0, &t, SONG_BEGIN), 0);
    EXPECT_STREQ(player->GetError(), "Seek->Invalid time format !");
}

TEST_F(PlayerSeek, SeekWhilePlayingLeavesThePlayerStopped)
{
    sim->SetStepped();
    const auto mp3 = ToneMp3(440, 3.0);
    PlayerPtr player;
    ASSERT_EQ(player->OpenStream(1, 0, mp3.data(), mp3.size(), mp3.data(), mp3.size(), 500), 1);
    ASSERT_EQ(player->Play(), 1);
    MP3_TIME t{};
    t.ms = 1000;
    ASSERT_EQ(player->Seek(TIME_FORMAT_MS, &t, SONG_BEGIN), 1);
    MP3_STATUS status;
    player->GetStatus(&status);
    EXPECT_EQ(status.fStop, 1);
}

TEST_F(PlayerSeek, ManagedStreamsRefuseSeekLoopAndReverse)
{
    const auto mp3 = ToneMp3(440, 1.0);
    PlayerPtr player;
    ASSERT_EQ(player->OpenStream(1, 1, mp3.data(), mp3.size(), mp3.data(), mp3.size(), 500), 1);
    MP3_TIME a{}, b{};
    b.ms = 100;
    EXPECT_EQ(player->Seek(TIME_FORMAT_MS, &a, SONG_BEGIN), 0);
    EXPECT_STREQ(player->GetError(), "Seek->This is managed stream. Can't seek !");
    EXPECT_EQ(player->PlayLoop(TIME_FORMAT_MS, &a, TIME_FORMAT_MS, &b, 2), 0);
    EXPECT_STREQ(player->GetError(), "PlayLoop->This is dynamic stream. Can't play in loop !");
    EXPECT_EQ(player->ReverseMode(1), 0);
    EXPECT_STREQ(player->GetError(), "ReverseMode->This is managed stream. Can't use reverse mode !");
}

TEST_F(PlayerSeek, ALoopPlaysItsPassesAndSendsItsEventsInOrder)
{
    const auto mp3 = ToneMp3(440, 3.0);
    PlayerPtr player;
    ASSERT_EQ(player->OpenStream(1, 0, mp3.data(), mp3.size(), mp3.data(), mp3.size(), 500), 1);
    RecordingCallback cb;
    ASSERT_EQ(player->SetCallbackFunc(&cb, MP3_MSG_ENTER_LOOP | MP3_MSG_EXIT_LOOP | MP3_MSG_STOP), 1);
    MP3_TIME a{}, b{};
    a.ms = 500;
    b.ms = 1000;
    ASSERT_EQ(player->PlayLoop(TIME_FORMAT_MS, &a, TIME_FORMAT_MS, &b, 3), 1) << player->GetError();
    ASSERT_TRUE(cb.WaitFor(MP3_MSG_STOP));
    std::vector<uint32_t> kinds;
    for (const Event& e : cb.Events())
        kinds.push_back(e.kind);
    EXPECT_EQ(kinds, (std::vector<uint32_t>{MP3_MSG_ENTER_LOOP, MP3_MSG_EXIT_LOOP, MP3_MSG_STOP}));
    // Each pass is MulDiv(500, 44100, 1152000) = 19 frames; a stopped
    // player ends with the loop.
    EXPECT_EQ(sim->Recorded().size(), 3u * 19 * 1152 * 4);

    MP3_TIME late{};
    late.ms = 100;
    EXPECT_EQ(player->PlayLoop(TIME_FORMAT_MS, &a, TIME_FORMAT_MS, &late, 1), 0);
    EXPECT_STREQ(player->GetError(), "PlayLoop->Loop end time is smaller than loop start time !");
    EXPECT_EQ(player->PlayLoop(TIME_FORMAT_BYTES, &a, TIME_FORMAT_MS, &b, 1), 0);
    EXPECT_STREQ(player->GetError(), "PlayLoop->TIME_FORMAT_BYTES not supported !");
    EXPECT_EQ(player->PlayLoop(TIME_FORMAT_MS, nullptr, TIME_FORMAT_MS, &b, 1), 0);
    EXPECT_STREQ(player->GetError(), "PlayLoop->Invalid time format !");
}

TEST_F(PlayerSeek, ReversePlayOutputsTheSongBackwardsWithPairsKept)
{
    // Left and right carry different tones, so a pair torn apart would show.
    const auto pcm = testsupport::MakePcm(44100, 2.0, {testsupport::Signal::Sine(440, 0.4),
                                                       testsupport::Signal::Sine(660, 0.4)});
    const auto mp3 = testsupport::MakeMp3(pcm);
    PlayerPtr player;
    ASSERT_EQ(player->OpenStream(1, 0, mp3.data(), mp3.size(), mp3.data(), mp3.size(), 500), 1);
    player->SetMixLevel(0.0f);
    const auto forward = PlayToEnd(player.p);

    MP3_TIME end{};
    end.ms = 1000000;
    ASSERT_EQ(player->Seek(TIME_FORMAT_MS, &end, SONG_BEGIN), 1);
    ASSERT_EQ(player->ReverseMode(1), 1);
    MP3_STATUS status;
    player->GetStatus(&status);
    EXPECT_EQ(status.fReverse, 1);
    const auto backward = PlayToEnd(player.p);
    ASSERT_EQ(backward.size(), forward.size());
    // Sample pair i of the reversed play is pair n-1-i of the forward play.
    const size_t pairs = forward.size() / 2;
    int worst = 0;
    for (size_t i = 2 * 1152; i + 2 * 1152 < pairs; ++i) {
        worst = std::max(worst, std::abs(backward[2 * i] - forward[2 * (pairs - 1 - i)]));
        worst = std::max(worst, std::abs(backward[2 * i + 1] - forward[2 * (pairs - 1 - i) + 1]));
    }
    EXPECT_LE(worst, 64);
    MP3_TIME a{}, b{};
    b.ms = 100;
    EXPECT_EQ(player->PlayLoop(TIME_FORMAT_MS, &a, TIME_FORMAT_MS, &b, 1), 0);
    EXPECT_STREQ(player->GetError(), "PlayLoop->Stream is in reverse mode. Can't play loop !");
}

TEST_F(PlayerSeek, ALoopThatCannotOpenTheDeviceFails)
{
    const auto mp3 = ToneMp3(440, 1.0);
    PlayerPtr player;
    ASSERT_EQ(player->OpenStream(1, 0, mp3.data(), mp3.size(), mp3.data(), mp3.size(), 500), 1);
    sim->FailNextOpen(platform::audio::kOutputNoDriver);
    MP3_TIME a{}, b{};
    b.ms = 500;
    EXPECT_EQ(player->PlayLoop(TIME_FORMAT_MS, &a, TIME_FORMAT_MS, &b, 2), 0);
    EXPECT_STREQ(player->GetError(), "_ThreadFunc->Can't open wave output: WAVE_MAPPER");
    MP3_STATUS status;
    player->GetStatus(&status);
    EXPECT_EQ(status.fStop, 1);
    EXPECT_EQ(status.fLoop, 0);
}
