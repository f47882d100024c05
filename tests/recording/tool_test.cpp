// kvorecord end to end through SDL's disk driver: the song plays into a
// file, the microphone is read from a file, and the finished MP3 has the
// voice where the settings put it.

#include <filesystem>

#include "kvostudio/folders.h"
#include "kvostudio/settings.h"
#include "platform/audio/sdl_output.h"
#include "tests/recording/recording_fixture.h"
#include "tests/support/command_output.h"
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

TEST_F(Kvorecord, AFailureIsAnExitCodeAndNoFile) {
    const std::string out = data.File("take.mp3");
    EXPECT_FALSE(testsupport::CommandOutput({tool, data.File("missing.kvo"), out}));
    EXPECT_FALSE(testsupport::CommandOutput({tool}));
    EXPECT_FALSE(testsupport::FileExists(out));
}
