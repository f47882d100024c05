// Software volume and fades on the played samples.

#include <cmath>
#include <cstring>

#include "libkvo/src/mixdsp.h"
#include "tests/player/player_fixture.h"

using namespace playertest;

namespace {

// Peak of each 1152-sample frame of the left channel.
std::vector<int> FramePeaks(const std::vector<uint8_t>& bytes)
{
    const auto* s = reinterpret_cast<const int16_t*>(bytes.data());
    const size_t frames = bytes.size() / 4 / 1152;
    std::vector<int> peaks(frames, 0);
    for (size_t f = 0; f < frames; ++f)
        for (size_t i = 0; i < 1152; ++i)
            peaks[f] = std::max(peaks[f], std::abs(int(s[2 * (f * 1152 + i)])));
    return peaks;
}

class PlayerVolume : public SimulatedDevice {
protected:
    void SetUp() override
    {
        SimulatedDevice::SetUp();
        mp3 = ToneMp3(440, 3.0, 0.5);
        ASSERT_EQ(player->OpenStream(1, 0, mp3.data(), mp3.size(), mp3.data(), mp3.size(), 500), 1);
        player->SetMixLevel(0.0f);
    }
    std::vector<uint8_t> PlayToEnd()
    {
        EXPECT_EQ(player->SetCallbackFunc(&events, MP3_MSG_ALL & ~MP3_MSG_WAVE_BUFFER_SYNC), 1);
        EXPECT_EQ(player->Play(), 1) << player->GetError();
        EXPECT_TRUE(events.WaitFor(MP3_MSG_STOP));
        return sim->Recorded();
    }

    std::vector<uint8_t> mp3;
    PlayerPtr player;
    RecordingCallback events;
};

}  // namespace

TEST(GainCurve, ValuesOfTheCurve)
{
    EXPECT_EQ(GainCurve(0), 0.0);
    EXPECT_NEAR(GainCurve(50), 0.2162, 1e-4);
    EXPECT_NEAR(GainCurve(99), 0.8772, 1e-4);
    EXPECT_EQ(GainCurve(100), 1.0);
}

TEST_F(PlayerVolume, SoftwareVolumeScalesTheSamplesByTheCurve)
{
    ASSERT_EQ(player->SetVolumeMode(VOLUME_MODE_SOFTWARE), 1);
    ASSERT_EQ(player->SetVolume(50, 150), 1);  // the right side is clamped to 100
    uint32_t l, r;
    ASSERT_EQ(player->GetVolume(&l, &r), 1);
    EXPECT_EQ(l, 50u);
    EXPECT_EQ(r, 100u);
    const auto out = PlayToEnd();
    const auto* s = reinterpret_cast<const int16_t*>(out.data());
    double left = 0, right = 0;
    for (size_t i = 0; i < out.size() / 4; ++i) {
        left = std::max(left, std::abs(double(s[2 * i])));
        right = std::max(right, std::abs(double(s[2 * i + 1])));
    }
    EXPECT_NEAR(left / right, GainCurve(50), 0.01);
    EXPECT_EQ(player->GetVolume(nullptr, &r), 0);
    EXPECT_STREQ(player->GetError(), "GetVolume->Invalid parameters !");
}

TEST_F(PlayerVolume, DeviceVolumeIsTheDevicesNotTheStoredPercents)
{
    ASSERT_EQ(player->SetPlayerVolume(30, 30), 1);
    ASSERT_EQ(player->SetWaveOutVolume(60, 40), 1);
    uint32_t l, r;
    ASSERT_EQ(player->GetVolume(&l, &r), 1);  // device mode
    EXPECT_EQ(l, 60u);
    EXPECT_EQ(r, 40u);
    ASSERT_EQ(player->GetPlayerVolume(&l, &r), 1);
    EXPECT_EQ(l, 30u);
    player->SetWaveOutVolume(100, 100);
}

TEST_F(PlayerVolume, AFadeDownOfOneSecondTakes38FramesAndSendsItsEvents)
{
    MP3_TIME t{};
    t.ms = 1000;
    ASSERT_EQ(player->FadeVolume(FADE_DOWN, TIME_FORMAT_MS, &t), 1);
    const auto peaks = FramePeaks(PlayToEnd());
    // Gains are applied per buffer of four frames; the level is 0 once
    // MulDiv(1000, 44100, 1152000) = 38 frames have passed.
    ASSERT_GT(peaks.size(), 50u);
    EXPECT_GT(peaks[4], peaks[20]);
    EXPECT_GT(peaks[28], 0);
    for (size_t f = 44; f < peaks.size(); ++f)
        ASSERT_EQ(peaks[f], 0) << "frame " << f;
    std::vector<uint32_t> fadeEvents;
    for (const Event& e : events.Events())
        if (e.kind == MP3_MSG_ENTER_FADE_OUT || e.kind == MP3_MSG_EXIT_FADE_OUT)
            fadeEvents.push_back(e.kind);
    EXPECT_EQ(fadeEvents, (std::vector<uint32_t>{MP3_MSG_ENTER_FADE_OUT, MP3_MSG_EXIT_FADE_OUT}));
}

TEST_F(PlayerVolume, AFadeOfZeroIsImmediate)
{
    MP3_TIME t{};
    ASSERT_EQ(player->FadeVolume(FADE_DOWN, TIME_FORMAT_MS, &t), 1);
    const auto peaks = FramePeaks(PlayToEnd());
    for (int p : peaks)
        ASSERT_EQ(p, 0);
}

TEST_F(PlayerVolume, AFullFadeUpStartsFromSilence)
{
    MP3_TIME t{};
    t.ms = 500;
    ASSERT_EQ(player->FadeVolumeFull(FADE_UP, TIME_FORMAT_MS, &t), 1);
    const auto peaks = FramePeaks(PlayToEnd());
    EXPECT_LT(peaks[1], peaks[12]);
    EXPECT_GT(peaks[40], 0.3 * 32767);
    EXPECT_EQ(events.Count(MP3_MSG_EXIT_FADE_IN), 1u);
}

TEST_F(PlayerVolume, CancellingAFadeKeepsTheLevelAndStillSendsTheExit)
{
    events.answerFor = [](uint32_t kind) { return kind == MP3_MSG_ENTER_FADE_OUT_SYNC ? 1 : 0; };
    MP3_TIME t{};
    t.ms = 1000;
    ASSERT_EQ(player->FadeVolume(FADE_DOWN, TIME_FORMAT_MS, &t), 1);
    const auto peaks = FramePeaks(PlayToEnd());
    EXPECT_GT(peaks[60], 0.3 * 32767);
    EXPECT_EQ(events.Count(MP3_MSG_EXIT_FADE_OUT), 1u);
}

TEST_F(PlayerVolume, FadeRefusals)
{
    MP3_TIME t{};
    EXPECT_EQ(player->FadeVolume(FADE_DOWN, TIME_FORMAT_MS, nullptr), 0);
    EXPECT_STREQ(player->GetError(), "FadeVolume->MP3_TIME *pTime can't be 0");
    EXPECT_EQ(player->FadeVolume(3, TIME_FORMAT_MS, &t), 0);
    EXPECT_STREQ(player->GetError(), "FadeVolume->Invalid fMode !");
}
