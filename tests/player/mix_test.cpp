// A two-stream song played through the simulated device: the output is the
// mix of both streams at the vocal level set.

#include <cmath>

#include "tests/player/player_fixture.h"
#include "tests/support/pcm_maker.h"

using namespace playertest;
using testsupport::MiddleToneAmplitude;

namespace {

class PlayerMix : public SimulatedDevice {
protected:
    std::vector<uint8_t> PlayToEnd(CDuoPlayer* p) { return playertest::PlayToEnd(p, *sim); }
};

}  // namespace

TEST_F(PlayerMix, TheVocalFollowsTheMixLevelAndTheAccompanimentDoesNot)
{
    const auto accompaniment = ToneMp3(440, 1.5, 0.5);
    const auto vocal = ToneMp3(1000, 1.5, 0.5);
    double accompanimentAt[3], vocalAt[3];
    const float levels[3] = {0.0f, 0.5f, 1.0f};
    for (int k = 0; k < 3; ++k) {
        sim->ClearRecorded();
        PlayerPtr player;
        ASSERT_EQ(player->OpenStream(1, 0, accompaniment.data(), accompaniment.size(), vocal.data(), vocal.size(),
                                     500),
                  1)
            << player->GetError();
        player->SetMixLevel(levels[k]);
        const auto out = PlayToEnd(player.p);
        ASSERT_GT(out.size(), 44100u * 4);
        accompanimentAt[k] = MiddleToneAmplitude(out, 0, 440);
        vocalAt[k] = MiddleToneAmplitude(out, 1, 1000);
    }
    // 0.7 of a half-scale tone.
    EXPECT_NEAR(accompanimentAt[0], 0.35 * 32768, 0.03 * 32768);
    EXPECT_NEAR(accompanimentAt[1], accompanimentAt[0], 0.01 * 32768);
    EXPECT_NEAR(accompanimentAt[2], accompanimentAt[0], 0.01 * 32768);
    EXPECT_LT(vocalAt[0], 0.002 * 32768);  // absent at 0
    EXPECT_NEAR(vocalAt[1], 0.175 * 32768, 0.02 * 32768);
    EXPECT_NEAR(vocalAt[2], 0.35 * 32768, 0.03 * 32768);
}

TEST_F(PlayerMix, TheWholeSongIsPlayedAndItsLengthIsKnown)
{
    const auto a = ToneMp3(440, 2.0);
    const auto b = ToneMp3(660, 2.0);
    PlayerPtr player;
    ASSERT_EQ(player->OpenStream(1, 0, a.data(), a.size(), b.data(), b.size(), 500), 1) << player->GetError();
    // The stream's true length: its audio frames (the Info frame in front
    // decodes as silence and is not part of the song).
    const auto decoded = testsupport::DecodeMp3(a);
    const double trueMs = double(decoded.frames - 1) * 1152 * 1000 / 44100;
    MP3_TIME length;
    ASSERT_EQ(player->GetSongLengthHMS(&length), 1);
    EXPECT_NEAR(double(length.ms), trueMs, 26.2);  // within one frame
    const auto out = PlayToEnd(player.p);
    EXPECT_NEAR(double(out.size()) / 4, double(decoded.frames - 1) * 1152, 1152);
}

TEST_F(PlayerMix, AMonoStreamIsHeardOnBothSides)
{
    auto mono = testsupport::MakeMp3(testsupport::MakeTone(44100, 1, 1.0, 500, 0.5));
    PlayerPtr player;
    ASSERT_EQ(player->OpenStream(1, 0, mono.data(), mono.size(), mono.data(), mono.size(), 500), 1)
        << player->GetError();
    player->SetMixLevel(0.0f);
    const auto out = PlayToEnd(player.p);
    ASSERT_GT(out.size(), 44100u * 2);
    EXPECT_NEAR(MiddleToneAmplitude(out, 0, 500), 0.35 * 32768, 0.03 * 32768);
    EXPECT_NEAR(MiddleToneAmplitude(out, 1, 500), MiddleToneAmplitude(out, 0, 500), 1.0);
}

TEST_F(PlayerMix, StreamsOfDifferentRatesAreRefused)
{
    const auto a = ToneMp3(440, 1.0, 0.5, 44100);
    const auto b = ToneMp3(440, 1.0, 0.5, 48000);
    PlayerPtr player;
    EXPECT_EQ(player->OpenStream(1, 0, a.data(), a.size(), b.data(), b.size(), 500), 0);
    EXPECT_STREQ(player->GetError(), "_OpenMp3->The streams differ in sample rate or frame length !");
    EXPECT_EQ(player->Play(), 0);
}

TEST_F(PlayerMix, PausedPlayerReportsPausedAndResumes)
{
    sim->SetStepped();
    const auto a = ToneMp3(440, 1.0);
    PlayerPtr player;
    ASSERT_EQ(player->OpenStream(1, 0, a.data(), a.size(), a.data(), a.size(), 500), 1) << player->GetError();
    ASSERT_EQ(player->Play(), 1);
    EXPECT_EQ(player->Play(), 0);  // already playing
    ASSERT_EQ(player->Pause(), 1);
    MP3_STATUS status;
    player->GetStatus(&status);
    EXPECT_EQ(status.fPause, 1);
    EXPECT_EQ(status.fPlay, 0);
    EXPECT_EQ(status.fStop, 0);
    ASSERT_EQ(player->Play(), 1);  // play while paused resumes
    player->GetStatus(&status);
    EXPECT_EQ(status.fPlay, 1);
    EXPECT_EQ(player->Stop(), 1);
    player->GetStatus(&status);
    EXPECT_EQ(status.fStop, 1);
}
