// Xing/Info headers that lie about the stream behind them: the length and
// the seeks come from the stream itself, and nothing in the arithmetic
// leaves the range of its types.

#include <cstring>
#include <limits>

#include "libkvo/src/framescan.h"
#include "tests/player/player_fixture.h"

using namespace playertest;

namespace {

constexpr double kSeconds = 4.0;

class LyingVbrHeader : public SimulatedDevice {
protected:
    // Opens the song as both streams; false (with the player's text) when it
    // does not open.
    ::testing::AssertionResult Open(PlayerPtr& player, const std::vector<uint8_t>& mp3)
    {
        if (player->OpenStream(1, 0, mp3.data(), mp3.size(), mp3.data(), mp3.size(), 500) != 1)
            return ::testing::AssertionFailure() << player->GetError();
        player->SetMixLevel(0.0f);
        return ::testing::AssertionSuccess();
    }
    double LengthSeconds(CDuoPlayer* p)
    {
        MP3_TIME length{};
        p->GetSongLengthHMS(&length);
        return length.ms / 1000.0;
    }
    // Seconds of sound from the current position to the end.
    double PlayToEnd(CDuoPlayer* p) { return double(playertest::PlayToEnd(p, *sim).size()) / 4 / 44100; }
    double SecondsFrom(CDuoPlayer* p, double at)
    {
        MP3_TIME target{};
        target.ms = uint32_t(at * 1000);
        EXPECT_EQ(p->Seek(TIME_FORMAT_MS, &target, SONG_BEGIN), 1);
        return PlayToEnd(p);
    }
};

std::vector<uint8_t> Song(bool vbr)
{
    testsupport::Mp3Options options;
    options.vbr = vbr;
    return testsupport::MakeMp3(testsupport::MakeNoise(44100, 2, kSeconds, 0.3), options);
}

}  // namespace

TEST_F(LyingVbrHeader, ACountTheStreamCannotHoldGivesWayToTheStreamsOwnLength)
{
    struct Case {
        const char* name;
        bool vbr;
        uint32_t frames;
    };
    const auto cbr = Song(false);
    const auto decoded = testsupport::DecodeMp3(cbr);
    const uint32_t trueFrames = uint32_t(decoded.frames - 1);  // the header frame is silence
    for (const Case& c : {Case{"constant rate, 0xFFFFFFFF frames", false, 0xFFFFFFFFu},
                          Case{"constant rate, 1 frame", false, 1u},
                          Case{"constant rate, twice the frames", false, 2 * trueFrames},
                          Case{"variable rate, 0xFFFFFFFF frames", true, 0xFFFFFFFFu},
                          Case{"variable rate, 1 frame", true, 1u}}) {
        SCOPED_TRACE(c.name);
        auto mp3 = Song(c.vbr);
        testsupport::SetVbrHeaderFrames(mp3, c.frames);
        PlayerPtr player;
        ASSERT_TRUE(Open(player, mp3));
        EXPECT_NEAR(LengthSeconds(player.p), kSeconds, c.vbr ? 0.5 : 0.06);
        // The seek goes by the bytes: half-way in, half the song is left.
        EXPECT_NEAR(SecondsFrom(player.p, kSeconds / 2), kSeconds / 2, c.vbr ? 0.5 : 0.1);
    }
}

TEST_F(LyingVbrHeader, ATrueCountIsKept)
{
    for (bool vbr : {false, true}) {
        const auto mp3 = Song(vbr);
        const auto decoded = testsupport::DecodeMp3(mp3);
        PlayerPtr player;
        ASSERT_TRUE(Open(player, mp3));
        MP3_TIME length{};
        player->GetSongLengthHMS(&length);
        EXPECT_EQ(length.frames, decoded.frames - 1) << "vbr " << vbr;
    }
}

TEST_F(LyingVbrHeader, ATableOfContentsOfOneValueSeeksByTheBytes)
{
    // All 0xFF would put every time at the very end of the stream: a play
    // from the start would end at once, over and over.
    for (bool vbr : {false, true}) {
        SCOPED_TRACE(vbr ? "variable rate" : "constant rate");
        auto mp3 = Song(vbr);
        testsupport::FillVbrHeaderToc(mp3, 0xFF);
        PlayerPtr player;
        ASSERT_TRUE(Open(player, mp3));
        EXPECT_NEAR(SecondsFrom(player.p, 0.2), kSeconds - 0.2, 0.3);
        EXPECT_NEAR(SecondsFrom(player.p, kSeconds / 2), kSeconds / 2, 0.5);
    }
}

TEST(VbrHeaderArithmetic, StaysInRangeForAnyCountAndSize)
{
    // One frame said to hold 20 MB: the average bit rate is far beyond what
    // 32 bits hold, and is held at their top instead of wrapping (or worse).
    StreamLength len = LengthFromFrames(1, 20000000, 44100, 1152);
    EXPECT_EQ(len.averageBitrate, std::numeric_limits<uint32_t>::max());
    EXPECT_EQ(len.lengthMs, 26u);
    len = LengthFromFrames(0xFFFFFFFFu, 20000000, 44100, 1152);
    EXPECT_EQ(len.lengthMs, std::numeric_limits<uint32_t>::max());
    EXPECT_EQ(len.samples, std::numeric_limits<uint32_t>::max());
    EXPECT_EQ(len.averageBitrate, 1u);
}
