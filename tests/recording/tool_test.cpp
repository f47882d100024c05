// kvorecord end to end through SDL's disk driver: the song plays into a
// file, the microphone is read from a file, and the finished MP3 has the
// voice where the settings put it.

#include <filesystem>

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
        // The disk driver writes whole device buffers.
        EXPECT_NEAR(double(std::filesystem::file_size(data.File("speaker.raw"))) / 4 / kRate, 3.0, 0.15)
            << "the whole song was played";
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
    for (const Case& c : {Case{data.File("missing.kvo"), "file not found"},
                          Case{data.File("damaged.kvo"), "damaged container"},
                          Case{data.File("empty.kvo"), "empty file"}}) {
        testsupport::ChildProcess run;
        ASSERT_TRUE(run.Start({tool, c.song, out}));
        EXPECT_EQ(run.Wait(30000), 1);
        EXPECT_NE(run.Err().find("kvorecord: " + c.song + ": " + c.reason + "\n"), std::string::npos) << run.Err();
    }
    EXPECT_FALSE(testsupport::CommandOutput({tool}));
    EXPECT_FALSE(testsupport::FileExists(out));
}
