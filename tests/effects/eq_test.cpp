// The equalizers' controls, and the FIR equalizer in a playing player: the
// filter's delay never reaches the listener and nothing is lost or doubled
// when it is switched on or off.

#include <atomic>

#include "libkvo/src/firequalizer.h"
#include "tests/effects/effects_fixture.h"
#include "tests/support/wait_until.h"

using namespace effectstest;

TEST(EqControls, BandCountsAndGainsReadBackInDecibelsAndMillidecibels)
{
    PlayerPtr player;
    int gains[10] = {-99}, edges[11], preamp = 0;
    EXPECT_EQ(player->GetEqBands(0, nullptr, gains), 10);
    EXPECT_EQ(gains[0], -99);  // a null preamp only counts
    EXPECT_EQ(player->GetEqBands(1, nullptr, gains), 10);
    ASSERT_EQ(player->GetEqBandFrequencies(edges), 11);
    EXPECT_EQ(std::vector<int>(edges, edges + 11),
              (std::vector<int>{0, 115, 240, 455, 800, 2000, 4500, 9000, 13000, 15000, 96000}));

    const int set[10] = {1, 2, 3, 4, 5, -6, -7, -8, -9, -10};
    ASSERT_EQ(player->SetEqBands(1, 3, set, 10), 1);
    ASSERT_EQ(player->GetEqBandsRaw(1, &preamp, gains), 10);
    EXPECT_EQ(preamp, 3000);
    EXPECT_EQ(gains[9], -10000);

    const int raw[10] = {2500, -1500};
    ASSERT_EQ(player->SetEqBandsRaw(0, 1500, raw, 10), 1);
    ASSERT_EQ(player->GetEqBands(0, &preamp, gains), 10);
    EXPECT_EQ(preamp, 1);
    EXPECT_EQ(gains[0], 2);
    EXPECT_EQ(gains[1], -1);
    EXPECT_EQ(player->SetEqBands(0, 0, raw, 9), 0);  // the subband equalizer has ten bands
    EXPECT_STREQ(player->GetError(), "SetEqBands->Invalid parameters !");
}

class EqPlayer : public playertest::SimulatedDevice {
protected:
    void OpenSong(CDuoPlayer* p, double seconds = 2.0)
    {
        song_ = testsupport::MakeMp3(testsupport::MakePcm(
            44100, seconds, {testsupport::Signal::Sine(1000, 0.4), testsupport::Signal::Sine(300, 0.4)}));
        ASSERT_EQ(p->OpenStream(1, 0, song_.data(), song_.size(), song_.data(), song_.size(), 500), 1)
            << p->GetError();
    }
    std::vector<uint8_t> song_;
};

TEST_F(EqPlayer, CreateEqBandsStopsPlaybackEvenWhenItRefuses)
{
    sim->SetStepped();
    PlayerPtr player;
    OpenSong(player.p);
    ASSERT_EQ(player->Play(), 1);
    const int one[1] = {1000};
    EXPECT_EQ(player->CreateEqBands(one, 1), 0);
    EXPECT_STREQ(player->GetError(), "CreateEqBands->Invalid parameters !");
    MP3_STATUS status{};
    player->GetStatus(&status);
    EXPECT_EQ(status.fStop, 1);

    const int three[3] = {0, 1000, 5000};
    ASSERT_EQ(player->CreateEqBands(three, 3), 1);
    int edges[3] = {}, gains[2] = {7, 7}, preamp = 7;
    EXPECT_EQ(player->GetEqBandFrequencies(edges), 3);
    EXPECT_EQ(edges[2], 5000);
    EXPECT_EQ(player->GetEqBands(1, &preamp, gains), 2);
    EXPECT_EQ(preamp, 0);
    EXPECT_EQ(gains[1], 0);
    const int nothingInside[2] = {0, 96000};
    EXPECT_EQ(player->CreateEqBands(nothingInside, 2), 0);
    EXPECT_EQ(player->GetEqBandFrequencies(nullptr), 3);  // the bands before stay
}

TEST_F(EqPlayer, AtUnityTheOutputIsTheSongUnchangedAndOfTheSameLength)
{
    PlayerPtr player;
    OpenSong(player.p);
    const auto plain = PlayToEnd(player.p, *sim);
    ASSERT_EQ(player->EnableEQ(1, 1), 1);
    ASSERT_TRUE(WaitForEqReady(player.p));
    const auto equalized = PlayToEnd(player.p, *sim);
    ASSERT_EQ(equalized.size(), plain.size());
    EXPECT_LE(MaxDifference(equalized, plain), 2);
}

TEST_F(EqPlayer, SwitchingOnAndOffWhilePlayingLosesAndRepeatsNothing)
{
    PlayerPtr player;
    OpenSong(player.p, 4.0);
    const auto plain = PlayToEnd(player.p, *sim);

    sim->SetRealTime(4.0);
    sim->ClearRecorded();
    RecordingCallback cb;
    ASSERT_EQ(player->SetCallbackFunc(&cb, MP3_MSG_STOP), 1);
    ASSERT_EQ(player->Play(), 1);
    // A switch every quarter of a second of the song, however fast the
    // machine plays it, until the song ends.
    constexpr size_t kQuarterSecond = 44100 * 4 / 4;
    for (int i = 0; i < 8 && cb.Count(MP3_MSG_STOP) == 0; ++i) {
        const size_t next = sim->RecordedSize() + kQuarterSecond;
        ASSERT_TRUE(testsupport::WaitUntil(
            [&] { return sim->RecordedSize() >= next || cb.Count(MP3_MSG_STOP) > 0; }, 20000));
        ASSERT_EQ(player->EnableEQ(i % 2 == 0, 1), 1);
        // Changes from the caller's thread while the decoding thread runs.
        const int gains[10] = {};
        player->SetEqBands(1, 0, gains, 10);
        uint32_t l, r;
        player->GetVUData(&l, &r);
    }
    ASSERT_TRUE(cb.WaitFor(MP3_MSG_STOP, 1, 60000));
    player->SetCallbackFunc(nullptr, 0);
    const auto toggled = sim->Recorded();
    ASSERT_EQ(toggled.size(), plain.size());
    EXPECT_LE(MaxDifference(toggled, plain), 2);
}

TEST_F(EqPlayer, BandGainsShapeTheSoundAndAnEqualizerSwitchedOnBeforeTheOpenWorks)
{
    PlayerPtr player;
    ASSERT_EQ(player->EnableEQ(1, 1), 1);
    OpenSong(player.p);
    ASSERT_TRUE(WaitForEqReady(player.p));
    const auto plain = PlayToEnd(player.p, *sim);

    // Band 5 runs from 800 to 2000 Hz: the 1000 Hz tone drops to a tenth,
    // the 300 Hz tone in band 3 stays. Set while the equalizer is off, the
    // gains are in the design made when it is switched on.
    ASSERT_EQ(player->EnableEQ(0, 1), 1);
    const int gains[10] = {0, 0, 0, 0, -20, 0, 0, 0, 0, 0};
    ASSERT_EQ(player->SetEqBands(1, 0, gains, 10), 1);
    ASSERT_EQ(player->EnableEQ(1, 1), 1);
    ASSERT_TRUE(WaitForEqReady(player.p));
    const auto shaped = PlayToEnd(player.p, *sim);
    ASSERT_EQ(shaped.size(), plain.size());
    EXPECT_NEAR(MiddleToneAmplitude(shaped, 0, 1000) / MiddleToneAmplitude(plain, 0, 1000), 0.1, 0.01);
    EXPECT_NEAR(MiddleToneAmplitude(shaped, 1, 300) / MiddleToneAmplitude(plain, 1, 300), 1.0, 0.01);

    ASSERT_EQ(player->EnableEQ(0, 1), 1);
    MP3_STATUS status{};
    player->GetStatus(&status);
    EXPECT_EQ(status.fExternalEQ, 0);
}

TEST(EqHandOver, ADesignArrivingBeforeTheLastWasTakenNeverLeavesTheFilterWithout)
{
    FirEqualizer eq;
    ASSERT_TRUE(eq.Init(FirEqualizer::kPlayerBits));
    const std::vector<float> unity(10, 1.0f);
    ASSERT_TRUE(eq.MakeTable(unity, unity, 44100.0f));  // offered, not yet taken
    std::atomic<bool> stop{false}, designing{false};
    std::thread designer([&] {
        while (!stop.load()) {
            designing = true;
            eq.MakeTable(unity, unity, 44100.0f);
        }
    });
    while (!designing.load())
        std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::microseconds(300));  // inside the next design
    std::vector<int16_t> tone(size_t(8191) * 4 * 2);
    for (size_t i = 0; i < tone.size() / 2; ++i)
        tone[2 * i] = tone[2 * i + 1] = int16_t(8000 * std::sin(0.05 * double(i)));
    std::vector<int16_t> out = tone;
    for (size_t at = 0; at < out.size() / 2; at += 2000) {
        const uint32_t take = uint32_t(std::min<size_t>(2000, out.size() / 2 - at));
        ASSERT_EQ(eq.Process(out.data() + at * 2, take, 2, 16), take);
    }
    stop = true;
    designer.join();
    const size_t latency = eq.GetLatency();
    int worst = 0;
    for (size_t i = latency * 2; i < out.size(); ++i)
        worst = std::max(worst, std::abs(int(out[i]) - int(tone[i - latency * 2])));
    EXPECT_LE(worst, 1);
}
