// The program under the leak checker, playing song after song: whatever it
// may keep for the life of the process, nothing it leaves behind grows
// with the number of songs played.
#include <sstream>
#include <string>

#include "running_program.h"
#include "ui_test_env.h"

#if defined(__SANITIZE_ADDRESS__)
#define KVO_LEAK_CHECKER 1
#endif

using namespace platform;

TEST(TheProgramUnderTheLeakChecker, SongAfterSongLeavesNothingBehindPerSong)
{
#ifndef KVO_LEAK_CHECKER
    GTEST_SKIP() << "needs the leak checker (address sanitizer build)";
#else
    KVO_REQUIRE_DISPLAY();
    uitest::RunningProgram program;
    const std::vector<std::string> songs = program.WriteSongs({"Tune A", "Tune B"}, 0.4);
    ASSERT_TRUE(program.Start({"/play", songs[0]})) << program.Said();
    ASSERT_TRUE(program.Open(songs[1])) << program.SecondSaid() << program.Said();

    // The list repeats: every new title is the next song playing.
    constexpr int kSongs = 20;
    int plays = 0;
    std::string last;
    const bool played = program.WaitUntil(
        [&] {
            const std::string title = program.Title();
            if (title.rfind("Singer - Tune ", 0) == 0 && title != last) {
                ++plays;
                last = title;
            }
            return plays >= kSongs;
        },
        120000);
    ASSERT_TRUE(played) << plays << " songs played";

    const std::optional<int> code = program.Close(60000);
    ASSERT_TRUE(code.has_value());
    const std::string& report = program.Said();
    // "Direct leak of 88 byte(s) in 20 object(s) allocated from:"
    std::istringstream lines(report);
    std::string line;
    while (std::getline(lines, line)) {
        const size_t in = line.find(" leak of ");
        const size_t objects = line.find(" object(s)");
        if (in == std::string::npos || objects == std::string::npos)
            continue;
        const size_t count = line.rfind(' ', objects - 1);
        EXPECT_LT(std::stoi(line.substr(count + 1, objects - count - 1)), plays)
            << "a leak as many times as songs played: " << line;
    }
    EXPECT_EQ(*code, 0) << report;
#endif
}
