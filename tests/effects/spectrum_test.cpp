// Spectrum values of a player: read from the sound the device plays now.

#include <atomic>

#include "tests/effects/effects_fixture.h"

using namespace effectstest;

namespace {

struct Spectrum {
    explicit Spectrum(uint32_t n, uint32_t window = 3)
        : freq(n / 2 + 1, -7), leftDb(n / 2 + 1, -7), rightDb(n / 2 + 1, -7), leftPhase(n / 2 + 1, -7),
          rightPhase(n / 2 + 1, -7)
    {
        request.nFFTPoints = n;
        request.nFFTWindow = window;
        request.pnFreq = freq.data();
        request.pnLeftAmplitude = leftDb.data();
        request.pnRightAmplitude = rightDb.data();
        request.pnLeftPhase = leftPhase.data();
        request.pnRightPhase = rightPhase.data();
    }
    size_t Peak(const std::vector<int32_t>& db) const
    {
        return size_t(std::max_element(db.begin() + 1, db.end()) - db.begin());
    }
    FFT_STRUCT request{};
    std::vector<int32_t> freq, leftDb, rightDb, leftPhase, rightPhase;
};

bool AllZero(const std::vector<int32_t>& v)
{
    return std::all_of(v.begin(), v.end(), [](int32_t x) { return x == 0; });
}

}  // namespace

class SpectrumPlayer : public playertest::SimulatedDevice {};

TEST_F(SpectrumPlayer, APlayingToneLightsItsBinAndAStoppedPlayerGivesZeros)
{
    sim->SetStepped();
    // Bin 93 of 2048 points at 44100 Hz, and bin 200 on the right.
    const double leftHz = 93 * 44100.0 / 2048, rightHz = 200 * 44100.0 / 2048;
    const auto song = testsupport::MakeMp3(testsupport::MakePcm(
        44100, 2.0, {testsupport::Signal::Sine(leftHz, 0.5), testsupport::Signal::Sine(rightHz, 0.5)}));
    PlayerPtr player;
    ASSERT_EQ(player->OpenStream(1, 0, song.data(), song.size(), song.data(), song.size(), 500), 1)
        << player->GetError();

    Spectrum stopped(2048);
    ASSERT_EQ(player->GetFFTValues(&stopped.request), 1) << player->GetError();
    EXPECT_EQ(stopped.request.nHarmonicsNumber, 1025u);
    EXPECT_EQ(stopped.freq[0], 0);
    EXPECT_EQ(stopped.freq[1], 21);
    EXPECT_EQ(stopped.freq[1024], 22050);
    EXPECT_TRUE(AllZero(stopped.leftDb) && AllZero(stopped.rightDb));
    EXPECT_TRUE(AllZero(stopped.leftPhase) && AllZero(stopped.rightPhase));

    ASSERT_EQ(player->Play(), 1);
    ASSERT_TRUE(AdvanceUntilPlayed(*sim, 250));
    Spectrum playing(2048);
    ASSERT_EQ(player->GetFFTValues(&playing.request), 1);
    EXPECT_EQ(playing.Peak(playing.leftDb), 93u);
    EXPECT_EQ(playing.Peak(playing.rightDb), 200u);
    // 0.7 of two half-scale tones: about 0.7 x 32767 x 2048 / 4 / sqrt(2048) with the Hann window.
    EXPECT_NEAR(playing.leftDb[93], 20 * std::log10(0.7 * 32767 * 2048 / 4 / std::sqrt(2048.0)), 2);

    ASSERT_EQ(player->Pause(), 1);
    Spectrum paused(2048);
    ASSERT_EQ(player->GetFFTValues(&paused.request), 1);
    EXPECT_TRUE(AllZero(paused.leftDb) && AllZero(paused.rightPhase));
    EXPECT_EQ(paused.freq[1024], 22050);
    ASSERT_EQ(player->Stop(), 1);
}

TEST_F(SpectrumPlayer, UnsupportedSizesAreRefusedAndAMonoSongReadsTheSameOnBothSides)
{
    sim->SetStepped();
    const auto mono = testsupport::MakeMp3(testsupport::MakeTone(44100, 1, 2.0, 1000, 0.5));
    PlayerPtr player;
    ASSERT_EQ(player->OpenStream(1, 0, mono.data(), mono.size(), mono.data(), mono.size(), 500), 1)
        << player->GetError();
    Spectrum wrong(4096);
    EXPECT_EQ(player->GetFFTValues(&wrong.request), 0);
    EXPECT_STREQ(player->GetError(), "GetFFTValues->Invalid number of FFT points !");

    ASSERT_EQ(player->Play(), 1);
    ASSERT_TRUE(AdvanceUntilPlayed(*sim, 250));
    Spectrum both(256, 1);
    ASSERT_EQ(player->GetFFTValues(&both.request), 1);
    EXPECT_EQ(both.leftDb, both.rightDb);
    EXPECT_EQ(both.leftPhase, both.rightPhase);
    EXPECT_GT(*std::max_element(both.leftDb.begin(), both.leftDb.end()), 60);
    EXPECT_EQ(player->GetFFTValues(nullptr), 1);  // frees the state
    ASSERT_EQ(player->Stop(), 1);
}

// The main window reads the spectrum every 70 ms while the equalizer's
// design thread transforms new filters: both run on the one shared FFT.
TEST_F(SpectrumPlayer, ReadWhileTheEqualizerRedesignsGivesTheToneEveryTime)
{
    sim->SetStepped();
    const double hz = 93 * 44100.0 / 2048;
    const auto song = testsupport::MakeMp3(testsupport::MakeTone(44100, 2, 3.0, hz, 0.5));
    PlayerPtr player;
    ASSERT_EQ(player->OpenStream(1, 0, song.data(), song.size(), song.data(), song.size(), 500), 1)
        << player->GetError();
    ASSERT_EQ(player->EnableEQ(1, 1), 1);
    ASSERT_EQ(player->Play(), 1);
    ASSERT_TRUE(AdvanceUntilPlayed(*sim, 250));

    std::atomic<bool> done{false};
    std::thread designer([&] {
        for (int round = 0; !done && round < 200; ++round) {
            const int gains[10] = {round % 7 - 3, 0, 0, 0, 0, 0, 0, 0, 0, -(round % 5)};
            player->SetEqBands(1, 0, gains, 10);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    });
    for (int read = 0; read < 50; ++read) {
        Spectrum now(2048, 1);
        ASSERT_EQ(player->GetFFTValues(&now.request), 1) << player->GetError();
        EXPECT_EQ(now.Peak(now.leftDb), 93u) << "read " << read;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    done = true;
    designer.join();
    ASSERT_EQ(player->Stop(), 1);
}
