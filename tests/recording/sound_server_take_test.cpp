// kvorecord under a real sound server (a private PulseAudio with a null
// sink as the speakers and pipe sources as microphones), with no SDL
// driver forced: the take ends with the song and holds the microphone, a
// microphone that gives nothing makes no take, and stereo mixing records
// the output the song plays to.

#include <chrono>
#include <csignal>
#include <cmath>
#include <filesystem>
#include <functional>
#include <thread>

#include "kvostudio/folders.h"
#include "kvostudio/settings.h"
#include "tests/recording/recording_fixture.h"
#include "tests/support/child_process.h"
#include "tests/support/sound_server.h"

using namespace rectest;

namespace {

constexpr double kSongSeconds = 6.0;
constexpr double kVoiceHz = 1500;
constexpr double kOtherVoiceHz = 900;
constexpr double kShortSongSeconds = 4.0;

class KvorecordUnderServer : public RecordingTest {
protected:
    void SetUp() override {
        // The default source is the other microphone: a take from the
        // chosen one must not pick it up.
        if (!server.Start({{"mic", "Pipe Microphone"}, {"other", "Other Microphone"}, {"silent", "Silent Microphone"}},
                          microphoneIsDefault ? "mic" : "other"))
            GTEST_SKIP() << server.Why();
        data.Env().Clear("SDL_AUDIODRIVER");
        tool = GetProgramFolder() + "kvorecord";
    }

    // True while a program plays to the server's speakers.
    bool SongPlays() { return !server.Pactl({"list", "short", "sink-inputs"}).value_or("").empty(); }

    // Runs kvorecord on the song; the seconds from the start of its sound
    // on the speakers to the tool's end, or a failure with what it said
    // when it did not exit with `exitCode`. What it said is kept in `said`.
    // `onPlaying` runs once the song plays (the capture runs by then).
    double Record(const std::string& out, const testsupport::Pcm& accompaniment = BurstPcm(kSongSeconds, 1.0, 2.0, 600),
                  int exitCode = 0, const std::function<void()>& onPlaying = {}) {
        using Clock = std::chrono::steady_clock;
        const std::string song = data.File("song.kvo");
        WriteSong(song, accompaniment);
        testsupport::ChildProcess child;
        std::vector<std::string> env = server.ClientEnv();
        env.insert(env.end(), extraEnv.begin(), extraEnv.end());
        EXPECT_TRUE(child.Start({tool, song, out}, env));
        auto playing = Clock::now();
        for (int i = 0; i < 400 && child.Running() && !SongPlays(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
            playing = Clock::now();
        }
        if (onPlaying) onPlaying();
        // Far past any ending a working take has; a hang shows as the limit.
        const auto code = child.Wait(60000);
        said = child.Err();
        EXPECT_EQ(code.value_or(-100), exitCode) << said;
        return std::chrono::duration<double>(Clock::now() - playing).count();
    }

    testsupport::PrivateSoundServer server;
    std::string tool;
    std::vector<std::string> extraEnv;
    std::string said;
    bool microphoneIsDefault = true;
};

class ChosenDeviceUnderServer : public KvorecordUnderServer {
protected:
    void SetUp() override {
        microphoneIsDefault = false;
        KvorecordUnderServer::SetUp();
    }
};

}  // namespace

TEST_F(KvorecordUnderServer, TheTakeEndsWithTheSongAndHoldsTheMicrophone) {
    server.Feed("mic", testsupport::MakeTone(kRate, 2, 1.0, kVoiceHz, 0.3).samples);
    const std::string out = data.File("take.mp3");
    // Within five seconds of the song's end the take is written.
    EXPECT_LT(Record(out), kSongSeconds + 5.0);
    const auto pcm = DecodeWithMpg123(out);
    ASSERT_FALSE(pcm.empty());
    // The capture opens before the song starts and closes once its last
    // sound has left the speakers: a little longer than the song, never
    // running on past it.
    EXPECT_LT(double(pcm.size()) / 2 / kRate, kSongSeconds + 3.0);
    EXPECT_GT(ToneLevel(pcm, 1, kVoiceHz, 2.0, 4.0), 10 * ToneLevel(pcm, 1, 4000, 2.0, 4.0)) << "the voice is there";
}

TEST_F(KvorecordUnderServer, AMicrophoneThatFallsSilentIsNamedAndWhatItGaveIsKept) {
    // Two seconds of voice, then the source delivers nothing at all, as a
    // pipe whose writer stopped does: the end is not held up, the device is
    // named, and what was sung is kept.
    const std::string out = data.File("take.mp3");
    EXPECT_LT(Record(out, BurstPcm(kSongSeconds, 1.0, 2.0, 600), 0,
                     [&] { server.Feed("mic", testsupport::MakeTone(kRate, 2, 2.0, kVoiceHz, 0.3).samples, false); }),
              kSongSeconds + 5.0);
    EXPECT_NE(said.find("\"Pipe Microphone\" gave only"), std::string::npos) << said;
    EXPECT_NE(said.find("The take holds what it gave"), std::string::npos) << said;
    const auto pcm = DecodeWithMpg123(out);
    ASSERT_FALSE(pcm.empty());
    EXPECT_GT(ToneLevel(pcm, 1, kVoiceHz, 0.5, 1.5), 100.0) << "what was sung is not in the take";
    std::filesystem::remove(out);

    // A source nobody ever fed, as the chosen device: nothing was recorded.
    ASSERT_TRUE(WriteConfigString(config::kGeneral, config::kInputDevice, "Silent Microphone"));
    Record(out, BurstPcm(kShortSongSeconds, 1.0, 1.0, 600), 1);
    EXPECT_NE(said.find("\"Silent Microphone\" gave only 0.0 seconds"), std::string::npos) << said;
    EXPECT_EQ(said.find("successfully"), std::string::npos) << said;
    EXPECT_FALSE(std::filesystem::exists(out));
}

TEST_F(ChosenDeviceUnderServer, TheTakeComesFromTheChosenSourceNotTheDefaultOne) {
    server.Feed("mic", testsupport::MakeTone(kRate, 2, 1.0, kVoiceHz, 0.3).samples);
    server.Feed("other", testsupport::MakeTone(kRate, 2, 1.0, kOtherVoiceHz, 0.3).samples);
    // As the preferences store it; the sound card's mix keeps the capture
    // as it is.
    ASSERT_TRUE(WriteConfigString(config::kGeneral, config::kInputDevice, "Pipe Microphone"));
    ASSERT_TRUE(WriteConfigInt(config::kGeneral, config::kMixing, 1));
    const std::string out = data.File("take.mp3");
    Record(out, BurstPcm(kShortSongSeconds, 1.0, 1.0, 600));
    const auto pcm = DecodeWithMpg123(out);
    ASSERT_FALSE(pcm.empty());
    const double chosen = ToneLevel(pcm, 0, kVoiceHz, 1.0, 3.0);
    EXPECT_GT(chosen, 100.0);
    EXPECT_LT(ToneLevel(pcm, 0, kOtherVoiceHz, 1.0, 3.0), chosen / 100) << "the default source reached the take";
}

TEST_F(ChosenDeviceUnderServer, StereoMixingRecordsTheSongThatPlaysLeftAndRightKept) {
    server.Feed("other", testsupport::MakeTone(kRate, 2, 1.0, kOtherVoiceHz, 0.3).samples);
    // Nothing stored: stereo mixing records the monitor of the speakers
    // the song plays to.
    ASSERT_TRUE(WriteConfigInt(config::kGeneral, config::kMixing, 1));
    testsupport::Pcm song = BurstPcm(kShortSongSeconds, 1.0, 2.0, 600);
    const testsupport::Pcm right = BurstPcm(kShortSongSeconds, 1.0, 2.0, 800);
    for (size_t i = 1; i < song.samples.size(); i += 2) song.samples[i] = right.samples[i];
    const std::string out = data.File("take.mp3");
    Record(out, song);
    const auto pcm = DecodeWithMpg123(out);
    ASSERT_FALSE(pcm.empty());
    // In place: the burst starts a second into the song, and the take
    // starts where the song was first heard, however late that was.
    const double left = ToneOnset(pcm, 0, 600);
    EXPECT_NEAR(left, 1.0, 0.06);
    EXPECT_NEAR(ToneOnset(pcm, 1, 800), left, 0.05);
    EXPECT_LT(ToneLevel(pcm, 0, 800, left + 0.2, left + 1.8), ToneLevel(pcm, 0, 600, left + 0.2, left + 1.8) / 10)
        << "the right side leaked into the left";
    // A stretch the sound server had to fill on a busy machine clicks across
    // every frequency; the microphone's tone would stand out of that.
    const double around = ToneLevel(pcm, 0, 1100, 1.0, 3.0);
    EXPECT_LT(ToneLevel(pcm, 0, kOtherVoiceHz, 1.0, 3.0),
              ToneLevel(pcm, 0, 600, left + 0.2, left + 1.8) / 100 + 2 * around)
        << "the microphone reached a take of what plays";
}

TEST_F(ChosenDeviceUnderServer, StereoMixingRecordsTheOutputTheSongPlaysToNotTheDefaultOne) {
    ASSERT_TRUE(server.Pactl({"load-module", "module-null-sink", "sink_name=headphones", "rate=44100", "channels=2",
                              "sink_properties=device.description=Headphones"}));
    extraEnv = {"PULSE_SINK=headphones"};
    ASSERT_TRUE(WriteConfigInt(config::kGeneral, config::kMixing, 1));
    const std::string out = data.File("take.mp3");
    Record(out, BurstPcm(kShortSongSeconds, 1.0, 2.0, 600));
    const auto pcm = DecodeWithMpg123(out);
    ASSERT_FALSE(pcm.empty());
    EXPECT_GT(ToneLevel(pcm, 0, 600, 0, double(pcm.size()) / 2 / kRate), 100.0)
        << "the take is of the default speakers, where nothing played";
}

TEST_F(KvorecordUnderServer, ATakeEndsWhenAskedTo) {
    server.Feed("mic", testsupport::MakeTone(kRate, 2, 1.0, kVoiceHz, 0.3).samples);
    const std::string song = data.File("song.kvo");
    WriteSong(song, BurstPcm(kSongSeconds, 1.0, 2.0, 600));
    testsupport::ChildProcess child;
    ASSERT_TRUE(child.Start({tool, song, data.File("take.mp3")}, server.ClientEnv()));
    // Once the song plays, the sound system is running.
    for (int i = 0; i < 200 && !SongPlays(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(25));
    ASSERT_TRUE(SongPlays());
    child.Terminate();
    // The tool takes SIGTERM itself (the sound server's library does not):
    // it drops the take and says so.
    EXPECT_EQ(child.Wait(5000).value_or(0), 1) << child.Err();
    EXPECT_NE(child.Err().find("kvorecord: stopped"), std::string::npos) << child.Err();
}
