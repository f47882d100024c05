// kvoplay end to end through SDL's disk driver: what it plays lands in a
// file, and a file it cannot play is named with the reason and exit code 1.

#include <filesystem>

#include <gtest/gtest.h>

#include "kvostudio/folders.h"
#include "platform/audio/sdl_output.h"
#include "tests/support/child_process.h"
#include "tests/support/kvo_writer.h"
#include "tests/support/mp3_maker.h"
#include "tests/support/temp_files.h"

namespace {

class Kvoplay : public ::testing::Test {
protected:
    void SetUp() override
    {
        tool = GetProgramFolder() + "kvoplay";
        ASSERT_TRUE(testsupport::FileExists(tool)) << tool;
    }
    // Runs kvoplay on the song; its exit code, or -100 when it did not end.
    int Run(const std::string& song, testsupport::ChildProcess& run)
    {
        if (!run.Start({tool, song}, {"SDL_AUDIODRIVER=disk", "SDL_DISKAUDIOFILE=" + Speaker()}))
            return -100;
        return run.Wait(60000).value_or(-100);
    }
    std::string Speaker() const { return dir.File("speaker.raw"); }
    double SecondsPlayed(int rate) const
    {
        return double(std::filesystem::file_size(Speaker())) / 4 / rate;
    }

    std::string tool;
    testsupport::TempDir dir;
};

}  // namespace

// Under the address sanitizer the leak checker runs at every exit: a clean
// exit code means nothing was reported.
TEST_F(Kvoplay, PlaysShortSongsAndUnevenContainersToTheirEnd)
{
    if (!platform::audio::SdlHasAudioDriver("disk"))
        GTEST_SKIP() << "this SDL has no 'disk' audio driver";
    testsupport::Mp3Options options;
    const std::string shortSong = dir.File("short.mp3");
    testsupport::WriteFile(shortSong, testsupport::MakeMp3(testsupport::MakeTone(44100, 2, 0.8, 440, 0.3), options));
    testsupport::ChildProcess run;
    ASSERT_EQ(Run(shortSong, run), 0) << run.Err();
    // The disk driver writes whole device buffers.
    EXPECT_NEAR(SecondsPlayed(44100), 0.8, 0.15);

    testsupport::KvoContent content;
    content.tag = testsupport::MakeKvoTag({"Song", "Singer", u"", "", {}});
    content.head = {1, 2, 3, 4};
    content.stream1 = testsupport::MakeMp3(testsupport::MakeTone(44100, 2, 3.0, 440, 0.3));
    content.stream2 = testsupport::MakeMp3(testsupport::MakeTone(44100, 2, 1.0, 1000, 0.3));
    content.pieceSize = 3000;
    const std::string song = dir.File("uneven.kvo");
    testsupport::WriteFile(song, testsupport::WriteKvo(content));
    testsupport::ChildProcess again;
    ASSERT_EQ(Run(song, again), 0) << again.Err();
    EXPECT_NEAR(SecondsPlayed(44100), 3.0, 0.15);
}

TEST_F(Kvoplay, AFileThatChangesLayerPlaysItsMainPartAndShowsItsLength)
{
    if (!platform::audio::SdlHasAudioDriver("disk"))
        GTEST_SKIP() << "this SDL has no 'disk' audio driver";
    // Layer I frames for 0.87 s, then five seconds of Layer III.
    std::vector<uint8_t> mixed = testsupport::MakeSilentLayerOneFrames(100);
    const auto tone = testsupport::MakeMp3(testsupport::MakeTone(44100, 2, 5.0, 440, 0.3));
    mixed.insert(mixed.end(), tone.begin(), tone.end());
    const std::string song = dir.File("mixed.mp3");
    testsupport::WriteFile(song, mixed);
    testsupport::ChildProcess run;
    ASSERT_EQ(Run(song, run), 0) << run.Err();
    EXPECT_NEAR(SecondsPlayed(44100), 5.0, 0.2);
    EXPECT_NE(run.Out().find("/ 00:05"), std::string::npos) << run.Out();
}

TEST_F(Kvoplay, NamesAFileItCannotPlayWithTheReason)
{
    testsupport::WriteFile(dir.File("zero.mp3"), {});
    const std::string text = "Just words.\n";
    testsupport::WriteFile(dir.File("text.mp3"), std::vector<uint8_t>(text.begin(), text.end()));
    testsupport::WriteFile(dir.File("damaged.kvo"), {'K', 'V', 'O', 'F', 'I', 'L', 1, 0, 9, 9, 9, 9});
    testsupport::KvoContent empty;
    empty.tag = testsupport::MakeKvoTag({"Song", "Singer", u"", "", {}});
    testsupport::WriteFile(dir.File("no audio.kvo"), testsupport::WriteKvo(empty));
    testsupport::WriteFile(dir.File("notes.txt"), {1, 2, 3});
    struct Case {
        const char* name;
        const char* reason;
    };
    for (const Case& c : {Case{"missing.kvo", "file not found"}, Case{"zero.mp3", "empty file"},
                          Case{"text.mp3", "not an MP3 file"}, Case{"damaged.kvo", "damaged container"},
                          Case{"no audio.kvo", "the container holds no audio"},
                          Case{"notes.txt", "not a .kvo or .mp3 file"}}) {
        testsupport::ChildProcess run;
        EXPECT_EQ(Run(dir.File(c.name), run), 1) << c.name;
        EXPECT_EQ(run.Err(), "kvoplay: " + dir.File(c.name) + ": " + c.reason + "\n");
    }
}
