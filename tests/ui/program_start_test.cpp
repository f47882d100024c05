// The program's starts and ends on the display: a later start's relative
// path plays in the running copy, a file alone is opened, a missing file is
// told in a message while the program goes on; a switch without its file
// is told in the terminal and reaches no copy; SIGTERM and SIGINT close it
// as its close button does.
#include <signal.h>

#include "tests/support/id3_builder.h"
#include "tests/support/mp3_maker.h"
#include "tests/support/pcm_maker.h"
#include "running_program.h"
#include "ui_test_env.h"

TEST(TheProgramStarting, ALaterStartsRelativePathPlaysAndAMissingFileIsTold)
{
    KVO_REQUIRE_DISPLAY();
    uitest::RunningProgram program;
    ASSERT_TRUE(program.Start({})) << program.Said();
    const auto alone = program.Windows();

    // "kvostudio /play mine.mp3" from the folder that holds it: the first
    // copy, in another folder, plays that very file.
    const std::string music = program.Scratch("music");
    ASSERT_EQ(mkdir(music.c_str(), 0755), 0);
    auto tag = testsupport::Id3v2Builder(3).Text("TIT2", testsupport::Id3Text::Latin1, "Mine From Afar").Build();
    const auto tone = testsupport::MakeMp3(testsupport::MakeTone(44100, 2, 3.0, 440, 0.3));
    tag.insert(tag.end(), tone.begin(), tone.end());
    testsupport::WriteFile(music + "/mine.mp3", tag);
    testsupport::WriteFile(music + "/other.mp3", tone);
    EXPECT_TRUE(program.StartSecond({"/play", "mine.mp3"}, music)) << program.SecondSaid();
    EXPECT_TRUE(program.WaitUntil([&] { return program.Title().find("Mine From Afar") != std::string::npos; }, 10000))
        << program.Title();

    // A file alone, as a desktop launcher passes it, is opened.
    EXPECT_TRUE(program.StartSecond({"other.mp3"}, music)) << program.SecondSaid();
    EXPECT_TRUE(program.WaitForText("hand-off: open " + music + "/other.mp3", 10000)) << program.Said();

    // A file that is not there: a message, and the program goes on.
    EXPECT_TRUE(program.StartSecond({"/play", "gone.mp3"}, music)) << program.SecondSaid();
    const auto box = program.WaitForNewWindow(alone, 10000);
    ASSERT_TRUE(box.has_value());
    EXPECT_TRUE(program.Sync()) << program.Said();
    EXPECT_TRUE(program.Process().Running());
    EXPECT_FALSE(program.Process().Wait(0).has_value());
    ASSERT_TRUE(uitest::Xdo({"windowfocus", "--sync", std::to_string(*box)}));
    ASSERT_TRUE(uitest::Xdo({"key", "Return"}));
    EXPECT_TRUE(program.WaitUntil([&] { return program.Windows() == alone; }, 10000));
    EXPECT_FALSE(program.Process().Wait(500).has_value());

    program.Process().Terminate();
    EXPECT_EQ(program.Process().Wait(15000), 0);
}

TEST(TheProgramStarting, ASwitchWithoutItsFileShowsTheUsageAndHandsNothingOver)
{
    KVO_REQUIRE_DISPLAY();
    uitest::RunningProgram program;
    // As the first copy: the usage, and no window.
    ASSERT_TRUE(program.Launch({"/play"})) << program.Said();
    const auto ended = program.Process().Wait(15000);
    ASSERT_TRUE(ended.has_value()) << "it waits for nothing";
    EXPECT_NE(*ended, 0);
    EXPECT_NE(program.Said().find("usage: kvostudio"), std::string::npos) << program.Said();

    ASSERT_TRUE(program.Start({})) << program.Said();
    const auto alone = program.Windows();
    for (const char* option : {"/open", "/play"}) {
        SCOPED_TRACE(option);
        EXPECT_FALSE(program.StartSecond({option}));
        ASSERT_TRUE(program.SecondEnded().has_value());
        EXPECT_NE(*program.SecondEnded(), 0);
        EXPECT_NE(program.SecondSaid().find("usage: kvostudio"), std::string::npos) << program.SecondSaid();
    }
    // A start with a file after them is the first the running copy hears
    // of, and it shows nothing else.
    const std::string song = program.WriteSongs({"Later"}, 2.0).front();
    ASSERT_TRUE(program.Open(song)) << program.Said();
    const std::string& said = program.Said();
    EXPECT_EQ(said.find("hand-off:"), said.find("hand-off: open " + song)) << said;
    EXPECT_EQ(said.find("hand-off:", said.find("hand-off:") + 1), std::string::npos) << said;
    EXPECT_EQ(said.find("message box:"), std::string::npos) << said;
    EXPECT_EQ(program.Windows(), alone);
}

TEST(TheProgramStarting, SigtermAndSigintCloseItAsItsCloseButtonDoes)
{
    KVO_REQUIRE_DISPLAY();
    for (int signal : {SIGTERM, SIGINT}) {
        uitest::RunningProgram program;
        // Work files a recording leaves for the program to remove.
        const char* const work[] = {"TMPWAV", "MixCache", "Cache.mp3"};
        for (const char* name : work)
            testsupport::WriteFile(program.DataFile(name), {1, 2, 3});
        // Playing: the sound system is running, as it is for a user.
        ASSERT_TRUE(program.Launch({"/play", uitest::RunningProgram::Bin() + "demo.kvo"}));
        ASSERT_TRUE(program.WaitForMainWindow()) << program.Said();
        ASSERT_TRUE(program.WaitUntil([&] { return program.Title() != "KVO Studio"; }, 10000));
        ASSERT_TRUE(program.Sync());
        const auto settings = testsupport::ReadFile(program.DataFile("config.ini"));
        EXPECT_EQ(program.EndBySignal(signal), 0) << "signal " << signal << "\n" << program.Said();
        for (const char* name : work)
            EXPECT_FALSE(testsupport::FileExists(program.DataFile(name))) << name;
        EXPECT_FALSE(settings.empty());
        EXPECT_EQ(testsupport::ReadFile(program.DataFile("config.ini")), settings);
    }
}
