// The echo: its ring and taps on buffers of known samples, and its
// controls on a player.

#include "libkvo/src/echo.h"

#include "tests/effects/effects_fixture.h"

using namespace effectstest;

namespace {

// One half-buffer of 'pairs' stereo pairs of a constant left and right.
std::vector<int16_t> Half(size_t pairs, int16_t left, int16_t right)
{
    std::vector<int16_t> h(pairs * 2);
    for (size_t i = 0; i < pairs; ++i) {
        h[2 * i] = left;
        h[2 * i + 1] = right;
    }
    return h;
}

EchoProcessor ModeZero(int delayMs, size_t slotSamples)
{
    EchoProcessor echo;
    EXPECT_TRUE(echo.Allocate(slotSamples));
    const EchoTaps taps = GetEchoMode(0);
    echo.SetTaps(taps.left, taps.right);
    echo.SetGains(0, 0, 0);
    echo.SetDelayIndex(EchoDelayIndex(delayMs));
    return echo;
}

}  // namespace

TEST(Echo, AConstantInputBuildsUpToHalfPlusItsThreeEchoes)
{
    EchoProcessor echo = ModeZero(0, 66);
    // Taps 0.5, 0.2, 0.1 read this half and the two before it.
    const int16_t expectedLeft[] = {750, 850, 900, 900, 900};
    for (int pass = 0; pass < 5; ++pass) {
        auto h = Half(32, 1000, -2000);
        echo.Process(h.data(), 32);
        for (size_t i = 0; i < 32; ++i) {
            ASSERT_EQ(h[2 * i], expectedLeft[pass]) << "pass " << pass;
            ASSERT_EQ(h[2 * i + 1], -2 * expectedLeft[pass]) << "pass " << pass;
        }
    }
}

TEST(Echo, TheDelayMovesTheEchoesByWholeHalfBuffers)
{
    EchoProcessor echo = ModeZero(1500, 8);  // clamped to 1000 ms: 20 halves
    std::vector<int> heard;
    for (int pass = 0; pass < 30; ++pass) {
        auto h = Half(4, pass == 0 ? 1000 : 0, 0);
        echo.Process(h.data(), 4);
        heard.push_back(h[0]);
    }
    for (int pass = 0; pass < 30; ++pass) {
        const int expected = pass == 0 ? 500 : pass == 20 ? 250 : pass == 21 ? 100 : pass == 22 ? 50 : 0;
        EXPECT_EQ(heard[size_t(pass)], expected) << "pass " << pass;
    }
}

TEST(EchoControls, ModeAndDelayAreClampedAndReadBack)
{
    PlayerPtr player;
    EXPECT_EQ(player->SetSfxParam(1, 12, 1500, -3, -6, 2), 1);
    int mode = -1, delay = -1, in = 0, echo = 0, out = 0;
    ASSERT_EQ(player->GetSfxParam(&mode, &delay, &in, &echo, &out), 1);
    EXPECT_EQ(mode, 9);
    EXPECT_EQ(delay, 1000);
    EXPECT_EQ(in, -3);
    EXPECT_EQ(echo, -6);
    EXPECT_EQ(out, 2);
    MP3_STATUS status{};
    player->GetStatus(&status);
    EXPECT_EQ(status.fEcho, 1);
    EXPECT_EQ(status.nSfxMode, 9);

    EXPECT_EQ(player->SetSfxParam(0, -4, -10, 0, 0, 0), 1);
    player->GetStatus(&status);
    EXPECT_EQ(status.fEcho, 0);
    EXPECT_EQ(status.nSfxMode, 0);
    EXPECT_EQ(player->GetSfxParam(&mode, nullptr, &in, &echo, &out), 0);
    EXPECT_STREQ(player->GetError(), "GetSfxParam->Invalid parameters !");
}

TEST(EchoControls, ModeDataIsSharedByAllPlayersAndReadsBackInPercent)
{
    int original[2][kEchoTaps], left[kEchoTaps], right[kEchoTaps], gotLeft[kEchoTaps], gotRight[kEchoTaps];
    PlayerPtr first, second;
    ASSERT_EQ(first->GetSfxModeData(3, original[0], original[1]), kEchoTaps);
    EXPECT_EQ(original[0][16], 15);  // 0.15 reads back as 15, not 14
    for (int j = 0; j < kEchoTaps; ++j) {
        left[j] = 57 - j;
        right[j] = j;
    }
    ASSERT_EQ(first->SetSfxModeData(3, left, right, kEchoTaps), 1);
    EXPECT_EQ(second->GetSfxModeData(3, gotLeft, gotRight), kEchoTaps);
    EXPECT_EQ(std::vector<int>(gotLeft, gotLeft + kEchoTaps), std::vector<int>(left, left + kEchoTaps));
    EXPECT_EQ(std::vector<int>(gotRight, gotRight + kEchoTaps), std::vector<int>(right, right + kEchoTaps));
    ASSERT_EQ(first->SetSfxModeData(3, original[0], original[1], kEchoTaps), 1);

    EXPECT_EQ(first->SetSfxModeData(3, left, right, 19), 0);
    EXPECT_STREQ(first->GetError(), "SetSfxModeData->Invalid parameters !");
    EXPECT_EQ(first->SetSfxModeData(10, left, right, kEchoTaps), 0);
}
