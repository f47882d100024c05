// kvorecord end to end through SDL's disk driver: the song plays into a
// file, the microphone is read from a file, and the finished MP3 has the
// voice where the settings put it.

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <optional>

#include "kvostudio/folders.h"
#include "kvostudio/settings.h"
#include "platform/audio/sdl_output.h"
#include "tests/recording/recording_fixture.h"
#include "tests/support/child_process.h"
#include "tests/support/command_output.h"
#include "tests/support/kvo_writer.h"
#include "tests/support/mp3_maker.h"
#include "tests/support/temp_files.h"

using namespace rectest;

namespace {

class Kvorecord : public RecordingTest {
protected:
    void SetUp() override {
        if (!platform::audio::SdlHasAudioDriver("disk")) GTEST_SKIP() << "this SDL has no 'disk' audio driver";
        tool = GetProgramFolder() + "kvorecord";
        ASSERT_TRUE(testsupport::FileExists(tool)) << tool;
        data.Env().Set("SDL_AUDIODRIVER", "disk");
        data.Env().Set("SDL_DISKAUDIOFILE", data.File("speaker.raw"));
        data.Env().Set("SDL_DISKAUDIOFILEIN", data.File("microphone.raw"));
    }
    std::string tool;
};

}  // namespace

TEST_F(Kvorecord, RecordsASongWithTheVoiceAtTheStoredShift) {
    const std::string song = data.File("song.kvo");
    WriteSong(song, BurstPcm(2.0, 0.8, 0.4, 600));
    // Longer than the song: the capture runs until the song has ended.
    testsupport::WriteFile(data.File("microphone.raw"), PcmBytes(BurstPcm(3.0, 1.0, 0.4, 2500)));
    ASSERT_TRUE(WriteConfigInt(config::kGeneral, config::kBitrate, 1));
    SetConfig(config::kVoiceShift, -200);

    const std::string out = data.File("take.mp3");
    if (!testsupport::CommandOutput({tool, song, out})) {
        // Once more, for what it says on standard error.
        const auto said = testsupport::CommandOutput({"sh", "-c", "\"$0\" \"$1\" \"$2\" 2>&1; true", tool, song, out});
        FAIL() << "kvorecord failed: " << said.value_or("");
    }
    const auto pcm = DecodeWithMpg123(out);
    ASSERT_FALSE(pcm.empty());
    EXPECT_NEAR(ToneOnset(pcm, 0, 600), 0.8, 0.05);
    EXPECT_NEAR(ToneOnset(pcm, 1, 2500), 0.8, 0.05);
    EXPECT_NEAR(double(pcm.size()) / 2 / 44100, 1.8, 0.3) << "the take ends with the song, 200 ms shorter";
    const auto bitrate = testsupport::CommandOutput(
        {"ffprobe", "-v", "error", "-show_entries", "stream=bit_rate", "-of", "csv=p=0", out});
    if (bitrate) {
        EXPECT_EQ(*bitrate, "192000\n");
    }
    EXPECT_GT(std::filesystem::file_size(data.File("speaker.raw")), 44100u * 4) << "the song was played";
}

TEST_F(Kvorecord, TheTakeLastsAsLongAsTheLongerOfTheSongsStreams) {
    // The container pads the shorter stream's pieces with zero bytes.
    struct Case {
        const char* name;
        double accompaniment, vocal;
    };
    for (const Case& c : {Case{"short vocal", 3.0, 1.0}, Case{"short accompaniment", 1.0, 3.0}}) {
        SCOPED_TRACE(c.name);
        testsupport::KvoContent content;
        content.tag = testsupport::MakeKvoTag({"Song", "Singer", u"", "", {}});
        content.head = {1, 2, 3, 4};
        content.stream1 = testsupport::MakeMp3(BurstPcm(c.accompaniment, 0.2, c.accompaniment - 0.4, 600));
        content.stream2 = testsupport::MakeMp3(testsupport::MakeTone(kRate, 2, c.vocal, 1000, 0.3));
        content.pieceSize = 3000;
        const std::string song = data.File("song.kvo");
        testsupport::WriteFile(song, testsupport::WriteKvo(content));
        testsupport::WriteFile(data.File("microphone.raw"), PcmBytes(BurstPcm(4.0, 1.0, 0.4, 2500)));
        SetConfig(config::kVoiceShift, -200);

        const std::string out = data.File("take.mp3");
        ASSERT_TRUE(testsupport::CommandOutput({tool, song, out}));
        const auto pcm = DecodeWithMpg123(out);
        EXPECT_NEAR(double(pcm.size()) / 2 / kRate, 2.8, 0.3) << "the whole song, 200 ms shorter";
        // The disk driver writes whole device buffers, and its silence
        // until the song's end has been seen.
        const double played = double(std::filesystem::file_size(data.File("speaker.raw"))) / 4 / kRate;
        EXPECT_GT(played, 3.0 - 0.15) << "the whole song was played";
        EXPECT_LT(played, 3.0 + 0.6) << "and nothing after it";
    }
}

TEST_F(Kvorecord, AFailureIsAnExitCodeWithThePathAndTheReasonAndNoFile) {
    const std::string out = data.File("take.mp3");
    testsupport::WriteFile(data.File("damaged.kvo"), {'K', 'V', 'O', 'F', 'I', 'L', 1, 0, 9, 9, 9, 9});
    testsupport::WriteFile(data.File("empty.kvo"), {});
    struct Case {
        std::string song;
        const char* reason;
    };
    // A sound MP3 is no song to record over: the tool says what it takes.
    testsupport::WriteFile(data.File("tune.mp3"), testsupport::MakeMp3(testsupport::MakeTone(kRate, 2, 1.0, 440, 0.3)));
    for (const Case& c : {Case{data.File("missing.kvo"), "file not found"},
                          Case{data.File("damaged.kvo"), "damaged container"},
                          Case{data.File("empty.kvo"), "empty file"},
                          Case{data.File("tune.mp3"), "an MP3 file; kvorecord records over .kvo songs"}}) {
        testsupport::ChildProcess run;
        ASSERT_TRUE(run.Start({tool, c.song, out}));
        EXPECT_EQ(run.Wait(30000), 1);
        EXPECT_NE(run.Err().find("kvorecord: " + c.song + ": " + c.reason + "\n"), std::string::npos) << run.Err();
    }
    EXPECT_FALSE(testsupport::CommandOutput({tool}));
    EXPECT_FALSE(testsupport::FileExists(out));
}

TEST_F(Kvorecord, CtrlCOrKillDuringATakeLeavesTheOldFileOrNoneAndNoWorkFilesAndSaysWhich) {
    const std::string song = data.File("song.kvo");
    WriteSong(song, BurstPcm(30.0, 0.8, 0.4, 600));
    testsupport::WriteFile(data.File("microphone.raw"), PcmBytes(BurstPcm(30.0, 1.0, 0.4, 2500)));
    const std::string out = data.File("take.mp3");
    const std::vector<uint8_t> old = {'a', 'n', ' ', 'o', 'l', 'd', ' ', 't', 'a', 'k', 'e'};
    // Over an old take, then where there was none: the message says which.
    for (const int signal : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(signal);
        const bool hadOld = signal == SIGTERM;
        if (hadOld)
            testsupport::WriteFile(out, old);
        else
            std::filesystem::remove(out);
        testsupport::ChildProcess run;
        ASSERT_TRUE(run.Start({tool, song, out}));
        // Two seconds of the voice are on the disk.
        const std::string capture = Work(recfile::kCache);
        ASSERT_TRUE(run.WaitForOutput(
            [&](const std::string&, const std::string&) {
                std::error_code error;
                const auto size = std::filesystem::file_size(capture, error);
                return !error && size >= 2u * kRate * 4;
            },
            20000))
            << run.Err();
        const auto begin = std::chrono::steady_clock::now();
        run.Signal(signal);
        const auto code = run.Wait(2000);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
        ASSERT_TRUE(code.has_value()) << "still running after " << seconds << " s";
        std::printf("signal %d: kvorecord ended %.3f s after it\n", signal, seconds);
        EXPECT_GE(*code, 1) << "ended by the signal instead of ending on its own: " << run.Err();
        EXPECT_TRUE(run.WaitForOutputText("kvorecord: stopped", 5000)) << run.Err();
        if (hadOld) {
            EXPECT_EQ(testsupport::ReadFile(out), old);
            EXPECT_NE(run.Err().find(out + " was left as it was"), std::string::npos) << run.Err();
        } else {
            EXPECT_FALSE(testsupport::FileExists(out));
            EXPECT_NE(run.Err().find(out + " was not written"), std::string::npos) << run.Err();
            EXPECT_EQ(run.Err().find("left as it was"), std::string::npos) << run.Err();
        }
        for (const char* name : {recfile::kCache, recfile::kOriginKvo, recfile::kParseMp3, recfile::kTmpWav,
                                 recfile::kMixCache, recfile::kCacheMp3})
            EXPECT_FALSE(testsupport::FileExists(Work(name))) << name;
    }
}

namespace {

// Runs the shell script in a mount namespace of its own, where it may mount
// file systems that vanish with it; nothing when this user cannot.
std::optional<std::pair<int, std::string>> InPrivateMounts(const std::string& script,
                                                            const std::vector<std::string>& args) {
    if (geteuid() != 0 || !testsupport::HaveTool("unshare") ||
        !testsupport::CommandOutput({"unshare", "-m", "--propagation", "private", "true"}))
        return std::nullopt;
    std::vector<std::string> argv = {"/usr/bin/env", "unshare", "-m", "--propagation", "private", "sh", "-c",
                                     script, "sh"};
    argv.insert(argv.end(), args.begin(), args.end());
    testsupport::ChildProcess child;
    if (!child.Start(argv)) return std::nullopt;
    const auto code = child.Wait(60000);
    if (!code) return std::nullopt;
    child.CollectRest(10000);
    return std::make_pair(*code, child.Out() + child.Err());
}

}  // namespace

TEST_F(Kvorecord, ATargetThatCannotBeWrittenIsRefusedBeforeAnythingIsRecorded) {
    const std::string song = data.File("song.kvo");
    WriteSong(song, BurstPcm(4.0, 0.8, 0.4, 600));
    testsupport::WriteFile(data.File("microphone.raw"), PcmBytes(BurstPcm(1.0, 0.5, 0.2, 2500)));
    const auto songBytes = testsupport::ReadFile(song);
    std::filesystem::create_directory(data.File("a folder.mp3"));
    testsupport::TempDir readOnly;

    struct Case {
        std::string out;
        std::string said;
    };
    std::vector<Case> cases = {{data.File("missing/take.mp3"), "does not exist"},
                               {data.File("a folder.mp3"), "is a folder"},
                               {song, "is the song itself"}};
    if (geteuid() != 0) {
        chmod(readOnly.Path().c_str(), 0555);
        cases.push_back({readOnly.File("take.mp3"), "Permission denied"});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.out);
        testsupport::ChildProcess tool;
        const auto begin = std::chrono::steady_clock::now();
        ASSERT_TRUE(tool.Start({this->tool, song, c.out}));
        const auto code = tool.Wait(30000);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
        if (code) tool.CollectRest(10000);
        EXPECT_EQ(code, 1);
        EXPECT_NE(tool.Err().find(c.said), std::string::npos) << tool.Err();
        EXPECT_LT(seconds, 3.0) << "refused without playing the 4 s song";
        EXPECT_FALSE(testsupport::FileExists(data.File("speaker.raw"))) << "nothing was played";
        EXPECT_EQ(testsupport::ReadFile(song), songBytes);
    }
    chmod(readOnly.Path().c_str(), 0755);

    // As the superuser no permission stops a write: a read-only mount does.
    const auto mounted = InPrivateMounts("mount -t tmpfs -o ro,size=64k tmpfs \"$1\" && exec \"$2\" \"$3\" \"$1/take.mp3\"",
                                         {readOnly.Path(), this->tool, song});
    if (geteuid() == 0) {
        ASSERT_TRUE(mounted.has_value()) << "no private mount namespace";
        EXPECT_EQ(mounted->first, 1);
        EXPECT_NE(mounted->second.find("Read-only file system"), std::string::npos) << mounted->second;
        EXPECT_FALSE(testsupport::FileExists(data.File("speaker.raw")));
    }
}

TEST_F(Kvorecord, ATakeThatDoesNotFitLeavesTheOldFileWholeAndKeepsTheTake) {
    const std::string song = data.File("song.kvo");
    WriteSong(song, BurstPcm(2.0, 0.8, 0.4, 600));
    testsupport::WriteFile(data.File("microphone.raw"), PcmBytes(BurstPcm(3.0, 1.0, 0.4, 2500)));
    const std::string old = data.File("old take.mp3");
    std::vector<uint8_t> oldBytes(20000);
    for (size_t i = 0; i < oldBytes.size(); ++i) oldBytes[i] = uint8_t(i * 7);
    testsupport::WriteFile(old, oldBytes);

    // A small file system holding the old take, with room for little else.
    testsupport::TempDir small;
    const std::string script =
        "mount -t tmpfs -o size=64k tmpfs \"$1\" || exit 99\n"
        "cp \"$2\" \"$1/take.mp3\"\n"
        "head -c 36000 /dev/zero > \"$1/filler\"\n"
        "\"$3\" \"$4\" \"$1/take.mp3\"; rc=$?\n"
        "cmp -s \"$2\" \"$1/take.mp3\" && echo OLD-FILE-WHOLE\n"
        "ls -A \"$1\" | tr '\\n' ' '; echo\n"
        "exit $rc\n";
    const auto ran = InPrivateMounts(script, {small.Path(), old, tool, song});
    if (!ran) GTEST_SKIP() << "no private mount namespace for a small file system";
    ASSERT_NE(ran->first, 99) << ran->second;
    EXPECT_EQ(ran->first, 1) << ran->second;
    EXPECT_NE(ran->second.find("OLD-FILE-WHOLE"), std::string::npos) << ran->second;
    EXPECT_NE(ran->second.find("No space left on device"), std::string::npos) << ran->second;
    EXPECT_NE(ran->second.find("filler take.mp3 \n"), std::string::npos) << "no new file left beside it: " << ran->second;
    EXPECT_GT(std::filesystem::file_size(Work(recfile::kCacheMp3)), 0u) << "the take is kept";
    // Only the take the message names: the voice and the mix went with the
    // rest of the work.
    for (const char* name :
         {recfile::kCache, recfile::kOriginKvo, recfile::kParseMp3, recfile::kTmpWav, recfile::kMixCache})
        EXPECT_FALSE(testsupport::FileExists(Work(name))) << name;
}

TEST_F(Kvorecord, AFileSizeLimitIsAMessageNotASilentEnd) {
    const std::string song = data.File("song.kvo");
    WriteSong(song, BurstPcm(2.0, 0.8, 0.4, 600));
    testsupport::WriteFile(data.File("microphone.raw"), PcmBytes(BurstPcm(3.0, 1.0, 0.4, 2500)));
    if (!testsupport::HaveTool("prlimit")) GTEST_SKIP() << "prlimit missing";
    // The capture outgrows the limit first: its write fails and says so.
    testsupport::ChildProcess limited;
    ASSERT_TRUE(limited.Start({"/usr/bin/env", "prlimit", "--fsize=100000", tool, song, data.File("take.mp3")}));
    const auto code = limited.Wait(60000);
    if (code) limited.CollectRest(10000);
    EXPECT_EQ(code, 1) << limited.Err();
    EXPECT_NE(limited.Err().find("kvorecord: "), std::string::npos) << limited.Err();
}

TEST_F(Kvorecord, MonoAndOtherRateSongsAreMixedWithTheirBurstsInPlace) {
    testsupport::WriteFile(data.File("microphone.raw"), PcmBytes(BurstPcm(3.0, 1.0, 0.4, 2500)));
    SetConfig(config::kVoiceShift, -200);
    struct Case {
        int rate;
        int channels;
    };
    std::optional<std::pair<double, double>> stereo;
    for (const Case c : {Case{44100, 2}, Case{44100, 1}, Case{48000, 2}}) {
        SCOPED_TRACE(testing::Message() << c.rate << " Hz, " << c.channels << " channel(s)");
        testsupport::Pcm pcm = testsupport::MakeSilence(c.rate, c.channels, 0.8);
        pcm = testsupport::Concat(pcm, testsupport::MakeTone(c.rate, c.channels, 0.4, 600, 0.4));
        pcm = testsupport::Concat(pcm, testsupport::MakeSilence(c.rate, c.channels, 0.8));
        const std::string song = data.File("song.kvo");
        WriteSong(song, pcm);
        const std::string out = data.File("take.mp3");
        testsupport::ChildProcess run;
        ASSERT_TRUE(run.Start({tool, song, out}));
        const auto code = run.Wait(60000);
        ASSERT_EQ(code, 0) << run.Err();
        const auto decoded = DecodeWithMpg123(out);
        ASSERT_FALSE(decoded.empty());
        const std::pair<double, double> at{ToneOnset(decoded, 1, 600), ToneOnset(decoded, 0, 2500)};
        if (!stereo) {
            stereo = at;
            continue;
        }
        EXPECT_NEAR(at.first, stereo->first, 0.01);
        EXPECT_NEAR(at.second, stereo->second, 0.01);
    }
}
