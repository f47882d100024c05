// The program's starts and ends on the display: a later start's relative
// path plays in the running copy, a file alone is opened, a missing file is
// told in a message while the program goes on; SIGTERM and SIGINT close it
// as its close button does.
#include <signal.h>

#include <algorithm>

#include "platform/window/ui_loop.h"
#include "program_env.h"
#include "tests/support/id3_builder.h"
#include "tests/support/mp3_maker.h"
#include "tests/support/pcm_maker.h"
#include "ui_test_env.h"

using namespace platform;

namespace {

std::optional<uitest::ProgramWindow> WaitForMainWindow(const testsupport::ChildProcess& program)
{
    std::optional<uitest::ProgramWindow> window;
    RunLoopUntil([&] { return (window = uitest::FindMainWindow(program.Pid())).has_value(); }, 15000);
    return window;
}

}  // namespace

TEST(TheProgramStarting, ALaterStartsRelativePathPlaysAndAMissingFileIsTold)
{
    KVO_REQUIRE_DISPLAY();
    uitest::ProgramFolders run;
    const auto env = run.Env();
    testsupport::ChildProcess first;
    ASSERT_TRUE(first.Start({run.Program()}, env));
    const auto window = WaitForMainWindow(first);
    ASSERT_TRUE(window) << first.Err();
    uitest::Settle(300);
    const auto alone = uitest::VisibleWindows(first.Pid());

    // "kvostudio /play mine.mp3" from the folder that holds it: the first
    // copy, in another folder, plays that very file.
    const std::string music = run.data.File("music");
    ASSERT_EQ(mkdir(music.c_str(), 0755), 0);
    auto tag = testsupport::Id3v2Builder(3).Text("TIT2", testsupport::Id3Text::Latin1, "Mine From Afar").Build();
    const auto tone = testsupport::MakeMp3(testsupport::MakeTone(44100, 2, 3.0, 440, 0.3));
    tag.insert(tag.end(), tone.begin(), tone.end());
    testsupport::WriteFile(music + "/mine.mp3", tag);
    testsupport::WriteFile(music + "/other.mp3", tone);
    testsupport::ChildProcess second;
    ASSERT_TRUE(second.Start({run.Program(), "/play", "mine.mp3"}, env, music));
    EXPECT_EQ(second.Wait(10000), 0) << second.Err();
    EXPECT_TRUE(RunLoopUntil(
        [&] { return uitest::WindowName(window->id).find("Mine From Afar") != std::string::npos; }, 10000))
        << uitest::WindowName(window->id);

    // A file alone, as a desktop launcher passes it, is opened.
    testsupport::ChildProcess bare;
    ASSERT_TRUE(bare.Start({run.Program(), "other.mp3"}, env, music));
    EXPECT_EQ(bare.Wait(10000), 0) << bare.Err();
    EXPECT_TRUE(first.WaitForOutputText("hand-off: open " + music + "/other.mp3", 10000)) << first.Err();

    // A file that is not there: a message, and the program goes on.
    testsupport::ChildProcess missing;
    ASSERT_TRUE(missing.Start({run.Program(), "/play", "gone.mp3"}, env, music));
    EXPECT_EQ(missing.Wait(10000), 0) << missing.Err();
    unsigned long box = 0;
    ASSERT_TRUE(RunLoopUntil(
        [&] {
            for (unsigned long id : uitest::VisibleWindows(first.Pid()))
                if (std::find(alone.begin(), alone.end(), id) == alone.end())
                    box = id;
            return box != 0;
        },
        10000));
    uitest::Settle(300);
    EXPECT_TRUE(first.Running());
    EXPECT_FALSE(first.Wait(0).has_value());
    ASSERT_TRUE(uitest::Xdo({"windowfocus", "--sync", std::to_string(box)}));
    ASSERT_TRUE(uitest::Xdo({"key", "Return"}));
    EXPECT_TRUE(RunLoopUntil([&] { return uitest::VisibleWindows(first.Pid()) == alone; }, 10000));
    EXPECT_FALSE(first.Wait(500).has_value());

    first.Terminate();
    EXPECT_EQ(first.Wait(15000), 0);
}

TEST(TheProgramStarting, SigtermAndSigintCloseItAsItsCloseButtonDoes)
{
    KVO_REQUIRE_DISPLAY();
    for (int signal : {SIGTERM, SIGINT}) {
        uitest::ProgramFolders run;
        // Work files a recording leaves for the program to remove.
        const char* const work[] = {"TMPWAV", "MixCache", "Cache.mp3"};
        for (const char* name : work)
            testsupport::WriteFile(run.data.File(name), {1, 2, 3});
        testsupport::ChildProcess program;
        // Playing: the sound system is running, as it is for a user.
        ASSERT_TRUE(program.Start({run.Program(), "/play", GetProgramFolder() + "demo.kvo"}, run.Env()));
        const auto window = WaitForMainWindow(program);
        ASSERT_TRUE(window) << program.Err();
        ASSERT_TRUE(RunLoopUntil([&] { return uitest::WindowName(window->id) != "KVO Studio"; }, 10000));
        uitest::Settle(300);
        const auto settings = testsupport::ReadFile(run.data.File("config.ini"));
        program.Signal(signal);
        EXPECT_EQ(program.Wait(2000), 0) << "signal " << signal << "\n" << program.Err();
        for (const char* name : work)
            EXPECT_FALSE(testsupport::FileExists(run.data.File(name))) << name;
        EXPECT_FALSE(settings.empty());
        EXPECT_EQ(testsupport::ReadFile(run.data.File("config.ini")), settings);
    }
}
