// Ctrl+C and kill while the program has something open over its main
// window (a dialog, the after-take window, a message box, the desktop's
// file chooser, the record options, a take being recorded): it ends within
// two seconds as its close button would end it, asks nothing more, leaves
// none of its work files and keeps its settings.
#include <signal.h>

#include <chrono>
#include <cstdio>
#include <functional>

#include "tests/support/tone_bursts.h"
#include "running_program.h"
#include "ui_test_env.h"

using uitest::RunningProgram;

namespace {

const char* const kWorkFiles[] = {"Cache", "OriginKVO", "PARSEMP3", "TMPWAV", "MixCache", "Cache.mp3"};

struct Situation {
    const char* name;
    RunningProgram::Sound sound;
    // Brings the program there; false when it could not.
    std::function<bool(RunningProgram&)> reach;
};

bool OpenSong(RunningProgram& program, double seconds)
{
    const auto song = program.WriteSongs({"Song"}, seconds);
    return program.Start({"/open", song[0]});
}

// A window other than those `seen`, with that title when one is given.
bool NewWindow(RunningProgram& program, const std::vector<unsigned long>& seen,
               const std::optional<std::string>& title = std::nullopt)
{
    return program.WaitForNewWindow(seen, 10000, title).has_value();
}

std::vector<std::string> Lines(const std::vector<uint8_t>& text)
{
    std::vector<std::string> lines(1);
    for (const uint8_t c : text) {
        if (c == '\n')
            lines.emplace_back();
        else
            lines.back() += static_cast<char>(c);
    }
    return lines;
}

std::vector<Situation> Situations()
{
    std::vector<Situation> all = {
        {"Preferences", RunningProgram::Sound::Dummy,
         [](RunningProgram& p) {
             return p.Start({}) && p.ChooseFromMenu(2, 1) && NewWindow(p, {}, "Preferences");
         }},
        {"the record options", RunningProgram::Sound::Disk,
         [](RunningProgram& p) {
             return OpenSong(p, 5) && p.ClickMain(151, 135) &&
                    p.WaitForWindow(RunningProgram::kRecordOptions, 10000).has_value();
         }},
        {"a take being recorded", RunningProgram::Sound::Disk,
         [](RunningProgram& p) {
             p.SetMicrophone(testsupport::PcmBytes(testsupport::BurstPcm(44100, 2, 30.0, 0.5, 0.4, 2500)));
             if (!OpenSong(p, 30) || !p.Record())
                 return false;
             // Voice is on its way to the disk.
             return p.WaitUntil([&] { return testsupport::FileExists(p.DataFile("Cache")); }, 10000);
         }},
        {"the after-take window", RunningProgram::Sound::Disk,
         [](RunningProgram& p) {
             p.SetMicrophone(testsupport::PcmBytes(testsupport::BurstPcm(44100, 2, 3.0, 0.5, 0.4, 2500)));
             return OpenSong(p, 1.5) && p.Record() &&
                    p.WaitForWindow(RunningProgram::kAfterTake, 60000).has_value() &&
                    testsupport::FileExists(p.DataFile("Cache.mp3"));
         }},
        {"the start-up message box", RunningProgram::Sound::Dummy,
         [](RunningProgram& p) {
             return p.Launch({"/play", p.Scratch("not there.mp3")}) && NewWindow(p, {}, "KVO Studio");
         }},
    };
#if !defined(__SANITIZE_THREAD__)
    // (GTK's chooser hands folder reads over through GLib's own locks, which
    // the thread sanitizer cannot see into.)
    all.push_back({"the file chooser", RunningProgram::Sound::Dummy, [](RunningProgram& p) {
                       if (!p.Start({}))
                           return false;
                       const auto seen = p.Windows();
                       return p.ChooseFromMenu(0, 0) && NewWindow(p, seen);
                   }});
#endif
    return all;
}

}  // namespace

TEST(TheProgramOnASignal, EndsAtOnceWhateverIsOpenAndLeavesNoWorkFiles)
{
    KVO_REQUIRE_DISPLAY();
    for (const Situation& situation : Situations()) {
        for (const int signal : {SIGTERM, SIGINT}) {
            SCOPED_TRACE(testing::Message() << situation.name << ", signal " << signal);
            RunningProgram program(situation.sound);
            ASSERT_TRUE(situation.reach(program)) << program.Said();
            ASSERT_TRUE(program.Sync());
            const auto settings = testsupport::ReadFile(program.DataFile("config.ini"));
            ASSERT_FALSE(settings.empty());

            const auto signalled = std::chrono::steady_clock::now();
            EXPECT_EQ(program.EndBySignal(signal), 0) << program.Said();
            const auto took = std::chrono::steady_clock::now() - signalled;
            std::printf("%s, signal %d: ended %lld ms after the signal\n", situation.name, signal,
                        static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(took).count()));
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
            EXPECT_LT(took, std::chrono::seconds(2));
#endif
            for (const char* name : kWorkFiles)
                EXPECT_FALSE(testsupport::FileExists(program.DataFile(name))) << name;
            // Every setting stays; the after-take window, as its close
            // button does, adds the values it shows.
            const auto after = testsupport::ReadFile(program.DataFile("config.ini"));
            const std::string now(after.begin(), after.end());
            for (const std::string& line : Lines(settings))
                EXPECT_NE(now.find(line), std::string::npos) << line << " is gone from\n" << now;
            // Nothing more was asked or told on the way out.
            EXPECT_EQ(program.Said().find("message box: Recording has been canceled."), std::string::npos);
            // A program that did not end is put away before the next one.
            if (!program.Process().Wait(0))
                program.End();
        }
    }
}
