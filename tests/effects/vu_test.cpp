// VU levels: the scale, the window inside the buffer at the device, and
// the levels of a playing player.

#include "libkvo/src/vulevel.h"

#include "tests/effects/effects_fixture.h"

using namespace effectstest;

TEST(VuScale, TheWindowIsHalfTheBufferFromThePositionOrItsLastPart)
{
    // 100 pairs: the first 50 full scale on the left only, the rest silent.
    std::vector<int16_t> buffer(200, 0);
    for (int i = 0; i < 50; ++i)
        buffer[size_t(2 * i)] = i % 2 ? 32767 : -32768;
    uint32_t left = 7, right = 7;
    VuLevels(buffer.data(), 400, 0, left, right);
    EXPECT_EQ(left, 100u);
    EXPECT_EQ(right, 0u);
    // From byte 300 the window would pass the end: it takes pairs 49..98,
    // one loud pair of 50.
    VuLevels(buffer.data(), 400, 300, left, right);
    EXPECT_EQ(left, VuLevel(32767.0 / 50));
    VuLevels(buffer.data(), 400, 200, left, right);  // pairs 50..99
    EXPECT_EQ(left, 0u);
}

class VuPlayer : public playertest::SimulatedDevice {
protected:
    // Both streams near full scale: the mix saturates.
    static std::vector<uint8_t> LoudSong()
    {
        testsupport::Pcm pcm = testsupport::MakeTone(44100, 2, 1.5, 441, 1.0);
        for (auto& s : pcm.samples)
            s = s >= 0 ? 30000 : -30000;
        return testsupport::MakeMp3(pcm);
    }
};

TEST_F(VuPlayer, FullScaleGives100SilenceGives0AndNothingBeforeTheFirstBufferEnds)
{
    sim->SetStepped();
    const auto loud = LoudSong();
    PlayerPtr player;
    uint32_t left = 7, right = 7;
    EXPECT_EQ(player->GetVUData(&left, &right), 1);  // nothing open
    EXPECT_EQ(left + right, 0u);
    ASSERT_EQ(player->OpenStream(1, 0, loud.data(), loud.size(), loud.data(), loud.size(), 500), 1)
        << player->GetError();
    ASSERT_EQ(player->Play(), 1);
    EXPECT_EQ(player->GetVUData(&left, &right), 1);
    EXPECT_EQ(left + right, 0u);
    ASSERT_TRUE(AdvanceUntilPlayed(*sim, 300));
    EXPECT_EQ(player->GetVUData(&left, &right), 1);
    EXPECT_EQ(left, 100u);
    EXPECT_EQ(right, 100u);
    ASSERT_EQ(player->Stop(), 1);
    EXPECT_EQ(player->GetVUData(&left, &right), 1);
    EXPECT_EQ(left + right, 0u);

    const auto silence = testsupport::MakeMp3(testsupport::MakeSilence(44100, 2, 1.5));
    ASSERT_EQ(player->OpenStream(1, 0, silence.data(), silence.size(), silence.data(), silence.size(), 500), 1);
    sim->ClearRecorded();
    ASSERT_EQ(player->Play(), 1);
    ASSERT_TRUE(AdvanceUntilPlayed(*sim, 300));
    left = right = 7;
    EXPECT_EQ(player->GetVUData(&left, &right), 1);
    EXPECT_EQ(left, 0u);
    EXPECT_EQ(right, 0u);
    EXPECT_EQ(player->GetVUData(nullptr, &right), 0);
    EXPECT_STREQ(player->GetError(), "GetVUData->Invalid parameters !");
}
