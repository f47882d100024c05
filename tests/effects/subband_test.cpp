// Channel mix and subband equalizer: the arithmetic on a frame's subband
// samples, and what a listener hears through a player.

#include "libkvo/src/subband.h"

#include <cstring>
#include <limits>

#include "tests/effects/effects_fixture.h"

using namespace effectstest;

namespace {

struct mad_frame FrameOf(enum mad_layer layer, enum mad_mode mode, mad_fixed_t left, mad_fixed_t right)
{
    struct mad_frame frame;
    mad_frame_init(&frame);
    frame.header.layer = layer;
    frame.header.mode = mode;
    for (int s = 0; s < 36; ++s) {
        for (int k = 0; k < 32; ++k) {
            frame.sbsample[0][s][k] = left;
            frame.sbsample[1][s][k] = right;
        }
    }
    return frame;
}

}  // namespace

TEST(SubbandGains, GainsAreCappedAndBandsCoverTheSubbandsInTheirOrder)
{
    EXPECT_EQ(PercentToGain428(50), 0x08000000);
    EXPECT_EQ(PercentToGain428(100000), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(DbToGain428(40), std::numeric_limits<int32_t>::max());  // at most 7.99999999627471
    int perBand[kSubbandEqBands] = {};
    for (int k = 0; k < kSubbands; ++k)
        ++perBand[SubbandBand(k)];
    EXPECT_EQ(std::vector<int>(perBand, perBand + kSubbandEqBands),
              (std::vector<int>{1, 1, 1, 1, 1, 3, 6, 5, 5, 8}));
}

TEST(SubbandArithmetic, MixTakesEachStreamsShareOfBothSidesInItsTimeSlots)
{
    const mad_fixed_t one = 0x10000000;
    auto frame = FrameOf(MAD_LAYER_I, MAD_MODE_STEREO, one / 2, one / 4);
    MixSubbandChannels(frame, PercentToGain428(100), PercentToGain428(50));
    const mad_fixed_t mixed = one / 2 + one / 8;
    EXPECT_EQ(frame.sbsample[0][0][0], mixed);
    EXPECT_EQ(frame.sbsample[1][11][31], mixed);
    EXPECT_EQ(frame.sbsample[0][12][0], one / 2);  // layer I has 12 slots

    auto mono = FrameOf(MAD_LAYER_III, MAD_MODE_SINGLE_CHANNEL, one / 2, one / 4);
    MixSubbandChannels(mono, 0, 0);
    EXPECT_EQ(mono.sbsample[0][35][0], one / 2);

    // Samples far beyond full scale clip instead of wrapping around.
    auto loud = FrameOf(MAD_LAYER_III, MAD_MODE_JOINT_STEREO, std::numeric_limits<int32_t>::max(),
                        std::numeric_limits<int32_t>::max());
    MixSubbandChannels(loud, std::numeric_limits<int32_t>::max(), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(loud.sbsample[0][35][0], std::numeric_limits<int32_t>::max());
    mad_frame_finish(&frame);
    mad_frame_finish(&mono);
    mad_frame_finish(&loud);
}

class SubbandPlayer : public playertest::SimulatedDevice {};

TEST_F(SubbandPlayer, ChannelMixAndEqualizerAreHeardInTheOutput)
{
    // 440 Hz on the left, 1000 Hz on the right; both lie in subband 0 or 1
    // (689 Hz each) of the 10-band equalizer's first two bands.
    const auto pcm = testsupport::MakePcm(44100, 1.5, {testsupport::Signal::Sine(440, 0.5),
                                                       testsupport::Signal::Sine(1000, 0.5)});
    testsupport::Mp3Options options;
    options.jointStereo = false;
    const auto song = testsupport::MakeMp3(pcm, options);
    const auto silence = testsupport::MakeMp3(testsupport::MakeSilence(44100, 2, 1.5));
    PlayerPtr player;
    ASSERT_EQ(player->OpenStream(1, 0, song.data(), song.size(), silence.data(), silence.size(), 500), 1)
        << player->GetError();
    const auto plain = PlayToEnd(player.p, *sim);

    ASSERT_EQ(player->MixChannels(1, 100, 0), 1);
    const auto mixed = PlayToEnd(player.p, *sim);
    EXPECT_NEAR(MiddleToneAmplitude(mixed, 1, 440), MiddleToneAmplitude(plain, 0, 440), 0.02 * 32768);
    EXPECT_LT(MiddleToneAmplitude(mixed, 1, 1000), 0.01 * MiddleToneAmplitude(plain, 1, 1000));
    MP3_STATUS status{};
    player->GetStatus(&status);
    EXPECT_EQ(status.fChannelMix, 1);
    ASSERT_EQ(player->MixChannels(0, 100, 100), 1);

    // -20 dB on band 1 (subband 0, up to 689 Hz): the 440 Hz tone drops to
    // a tenth, the 1000 Hz tone in band 2 stays.
    const int gains[kSubbandEqBands] = {-20, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    ASSERT_EQ(player->SetEqBands(0, 0, gains, kSubbandEqBands), 1);
    ASSERT_EQ(player->EnableEQ(1, 0), 1);
    const auto equalized = PlayToEnd(player.p, *sim);
    EXPECT_NEAR(MiddleToneAmplitude(equalized, 0, 440) / MiddleToneAmplitude(plain, 0, 440), 0.1, 0.02);
    EXPECT_NEAR(MiddleToneAmplitude(equalized, 1, 1000) / MiddleToneAmplitude(plain, 1, 1000), 1.0, 0.05);
    player->GetStatus(&status);
    EXPECT_EQ(status.fInternalEQ, 1);
}
