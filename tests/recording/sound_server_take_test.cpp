// kvorecord under a real sound server (a private PulseAudio with a null
// sink as the speakers and a pipe source as the microphone), with no SDL
// driver forced: the take ends with the song and holds the microphone.

#include <chrono>
#include <cmath>

#include "kvostudio/folders.h"
#include "tests/recording/recording_fixture.h"
#include "tests/support/child_process.h"
#include "tests/support/sound_server.h"

using namespace rectest;

namespace {

constexpr double kSongSeconds = 6.0;
constexpr double kVoiceHz = 1500;

class KvorecordUnderServer : public RecordingTest {
protected:
    void SetUp() override {
        if (!server.Start({{"mic", "Pipe Microphone"}})) GTEST_SKIP() << server.Why();
        data.Env().Clear("SDL_AUDIODRIVER");
        tool = GetProgramFolder() + "kvorecord";
    }

    // Runs kvorecord on a song of kSongSeconds; the seconds it took, or a
    // failure with what it said.
    double Record(const std::string& out) {
        const std::string song = data.File("song.kvo");
        WriteSong(song, BurstPcm(kSongSeconds, 1.0, 2.0, 600));
        testsupport::ChildProcess child;
        const auto begin = std::chrono::steady_clock::now();
        EXPECT_TRUE(child.Start({tool, song, out}, server.ClientEnv()));
        // Far past any ending a working take has; a hang shows as the limit.
        const auto code = child.Wait(60000);
        const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
        EXPECT_EQ(code.value_or(-100), 0) << child.Err();
        return took;
    }

    testsupport::PrivateSoundServer server;
    std::string tool;
};

}  // namespace

TEST_F(KvorecordUnderServer, TheTakeEndsWithTheSongAndHoldsTheMicrophone) {
    server.Feed("mic", testsupport::MakeTone(kRate, 2, 1.0, kVoiceHz, 0.3).samples);
    const std::string out = data.File("take.mp3");
    // The start, the warm-up of the input and the encoding come on top of
    // the song; five seconds past its end is the most a take may take.
    EXPECT_LT(Record(out), kSongSeconds + 5.0);
    const auto pcm = DecodeWithMpg123(out);
    ASSERT_FALSE(pcm.empty());
    // The capture opens before the song starts and closes once its last
    // sound has left the speakers: a little longer than the song, never
    // running on past it.
    EXPECT_LT(double(pcm.size()) / 2 / kRate, kSongSeconds + 3.0);
    EXPECT_GT(ToneLevel(pcm, 1, kVoiceHz, 2.0, 4.0), 10 * ToneLevel(pcm, 1, 4000, 2.0, 4.0)) << "the voice is there";
}

TEST_F(KvorecordUnderServer, AMicrophoneThatFallsSilentDoesNotHoldUpTheEnd) {
    // Two seconds of voice, then the source delivers nothing at all, as a
    // pipe whose writer stopped or an unplugged headset does.
    server.Feed("mic", testsupport::MakeTone(kRate, 2, 2.0, kVoiceHz, 0.3).samples, false);
    const std::string out = data.File("take.mp3");
    EXPECT_LT(Record(out), kSongSeconds + 5.0);
    const auto pcm = DecodeWithMpg123(out);
    ASSERT_FALSE(pcm.empty());
    EXPECT_GE(ToneOnset(pcm, 1, kVoiceHz), 0.0);
}
