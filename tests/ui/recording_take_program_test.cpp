// Takes recorded in the program itself, on the display, with SDL's disk
// driver as the sound card and a scripted microphone: the song recorded is
// the song chosen, nothing moves it while the take runs, songs of any
// layout are mixed with the voice where it was sung, and every take of a
// song is alike, whatever played before it.
#include "platform/audio/sdl_output.h"
#include "tests/support/mp3_maker.h"
#include "tests/support/tone_bursts.h"
#include "tests/ui/running_program.h"
#include "tests/ui/speaker.h"
#include "ui_test_env.h"

using namespace testsupport;
using platform::Point;
using uitest::RunningProgram;

namespace {

constexpr double kSongTone = 600;
constexpr double kVoiceTone = 2500;

// The capture opens just before the song starts and closes once the
// program has seen the song end, some 0.1 to 0.2 s late in all; the voice
// laid 150 ms ahead of the music takes that back off the take, so a take
// lasts as long as its song.
constexpr double kVoiceShift = -0.15;
constexpr char kConfig[] = "[RECORD]\nvoice-shift=-150.000000\n";

// The after-take window's "Record again": it closes the window.
constexpr Point kRecordAgain{311, 455};

class RecordingTakesInTheProgram : public testing::Test {
protected:
    void SetUp() override
    {
        KVO_REQUIRE_DISPLAY();
        if (!platform::audio::SdlHasAudioDriver("disk"))
            GTEST_SKIP() << "this SDL has no 'disk' audio driver";
        if (!HaveTool("mpg123"))
            GTEST_SKIP() << "mpg123 missing";
        program.WriteConfig(kConfig);
    }

    std::string Song(const std::string& name, const Pcm& accompaniment, const std::string& title)
    {
        const std::string path = program.Scratch(name);
        WriteFile(path, SongKvo(accompaniment, {title, "Singer", u"", "", {}}));
        return path;
    }
    std::string Tune(const std::string& name, double seconds, double frequency)
    {
        const std::string path = program.Scratch(name);
        WriteFile(path, MakeMp3(MakeTone(44100, 2, seconds, frequency, 0.3)));
        return path;
    }
    // Starts the program on the first file and hands it the others.
    bool Open(const std::vector<std::string>& files)
    {
        if (!program.Start({"/open", files[0]})) {
            ADD_FAILURE() << "the program did not start: " << program.Said();
            return false;
        }
        for (size_t i = 1; i < files.size(); ++i)
            if (!program.StartSecond({"/open", files[i]}))
                return false;
        return program.WaitForText("hand-off: open " + files.back(), 10000);
    }
    bool Select(int row)
    {
        const Point at = RunningProgram::PlaylistRow(row);
        return program.ClickMain(at.x, at.y) && program.Sync();
    }

    // Waits for the take to be mixed (the after-take window opens) and
    // decodes it; empty, with a failure, when the program said why not
    // after `said` of its output.
    std::vector<int16_t> Take(size_t said)
    {
        program.Process().WaitForOutput(
            [&](const std::string&, const std::string& err) {
                return err.find("message box:", said) != std::string::npos ||
                       program.FindWindow(RunningProgram::kAfterTake);
            },
            60000);
        if (!program.FindWindow(RunningProgram::kAfterTake)) {
            ADD_FAILURE() << "no take: " << program.Said().substr(said);
            return {};
        }
        return DecodeWithMpg123(program.DataFolder() + "Cache.mp3");
    }
    bool CloseTake()
    {
        const auto dialog = program.FindWindow(RunningProgram::kAfterTake);
        return dialog && program.ClickIn(*dialog, kRecordAgain.x, kRecordAgain.y) &&
               program.WaitForNoWindow(RunningProgram::kAfterTake, 10000);
    }

    RunningProgram program{RunningProgram::Sound::Disk};
};

double Seconds(const std::vector<int16_t>& stereo)
{
    return double(stereo.size()) / 2 / 44100;
}

}  // namespace

TEST_F(RecordingTakesInTheProgram, TheSelectedSongIsRecordedOverWhileATunePlays)
{
    const std::string tune = Tune("tune.mp3", 8, 1000);
    const std::string song = Song("song.kvo", BurstPcm(44100, 2, 3.0, 1.0, 0.4, kSongTone), "Chosen");
    program.SetMicrophone(PcmBytes(BurstPcm(44100, 2, 5.0, 1.5, 0.4, kVoiceTone)));
    ASSERT_TRUE(Open({tune, song, Tune("after.mp3", 2, 1500)}));
    ASSERT_TRUE(program.ChooseFromMenu(1, 0));  // Play
    ASSERT_TRUE(program.Process().WaitForOutput(
        [&](const std::string&, const std::string&) { return program.Title() == "tune.mp3"; }, 5000));
    ASSERT_TRUE(program.Sync());

    // One click selects the song; Record records it, from its start.
    ASSERT_TRUE(Select(1));
    const size_t said = program.Said().size();
    ASSERT_TRUE(program.Record());
    // The list stays on it while the take runs and after it.
    std::string moved;
    program.WaitUntil(
        [&] {
            const std::string title = program.Title();
            if (title != "Singer - Chosen" && moved.empty())
                moved = title;
            return program.FindWindow(RunningProgram::kAfterTake).has_value();
        },
        60000);
    ASSERT_TRUE(program.Sync());
    EXPECT_EQ(program.Title(), "Singer - Chosen");
    EXPECT_EQ(moved, "") << "the list moved on while the take ran";
    const auto take = Take(said);
    ASSERT_FALSE(take.empty());
    EXPECT_EQ(program.Title(), "Singer - Chosen");

    EXPECT_NEAR(Seconds(take), 3.0, 0.1);
    for (int channel : {0, 1}) {
        SCOPED_TRACE(channel);
        const double music = ToneOnset(take, channel, kSongTone);
        EXPECT_NEAR(music, 1.0, 0.1);
        EXPECT_NEAR(ToneOnset(take, channel, kVoiceTone) - music, 0.5 + kVoiceShift, 0.05);
        // The tune that played before is not in it.
        EXPECT_LT(ToneLevel(take, channel, 1000, 0, Seconds(take)), ToneLevel(take, channel, kSongTone, 1.0, 1.4) / 20);
    }
}

TEST_F(RecordingTakesInTheProgram, NothingMovesTheSongUnderATake)
{
    // Long enough for every command below to come while the take runs, on
    // a machine busy with other work too.
    constexpr double kSong = 20.0;
    const std::string song = Song("song.kvo", BurstPcm(44100, 2, kSong, kSong - 1.5, 0.4, kSongTone), "Sung");
    const std::string other = Tune("other.mp3", 2, 1500);
    program.SetMicrophone(PcmBytes(BurstPcm(44100, 2, kSong + 2.0, kSong - 1.0, 0.4, kVoiceTone)));
    ASSERT_TRUE(Open({song, Tune("after.mp3", 2, 1500)}));
    const size_t said = program.Said().size();
    ASSERT_TRUE(program.Record());
    ASSERT_TRUE(program.Sync());
    ASSERT_EQ(program.Title(), "Singer - Sung");

    // The menu bar's Stop, Play, Pause, Play, Next and Previous.
    for (int entry : {2, 0, 1, 0, 3, 4}) {
        ASSERT_TRUE(program.ChooseFromMenu(1, entry)) << entry;
        ASSERT_TRUE(program.Sync());
        EXPECT_EQ(program.Title(), "Singer - Sung") << entry;
    }
    // In the playlist: a double click and the context menu's Play on the
    // next row, Delete of the playing row.
    const Point next = RunningProgram::PlaylistRow(1);
    ASSERT_TRUE(program.ClickMain(next.x, next.y, 2));
    ASSERT_TRUE(program.ClickMain(next.x, next.y, 1, 3));
    ASSERT_TRUE(program.Sync());  // the context menu is open
    ASSERT_TRUE(program.ClickMain(next.x + 40, next.y + 13));  // the menu's first entry, "Play"
    const Point playing = RunningProgram::PlaylistRow(0);
    ASSERT_TRUE(program.ClickMain(playing.x, playing.y));
    ASSERT_TRUE(uitest::Xdo({"key", "Delete"}));
    // The position bar dragged on, and a song handed over by a second start.
    ASSERT_TRUE(program.DragMain({25, 100}, {250, 100}));
    EXPECT_TRUE(program.StartSecond({"/play", other}));
    ASSERT_TRUE(program.Sync());
    EXPECT_EQ(program.Title(), "Singer - Sung");
    ASSERT_FALSE(program.FindWindow(RunningProgram::kAfterTake)) << "the take ended before the song";

    // The take lasts as long as the song, with the voice where it was sung.
    const auto take = Take(said);
    ASSERT_FALSE(take.empty());
    EXPECT_NEAR(Seconds(take), kSong, 0.1);
    const double music = ToneOnset(take, 0, kSongTone);
    EXPECT_NEAR(music, kSong - 1.5, 0.1);
    EXPECT_NEAR(ToneOnset(take, 0, kVoiceTone) - music, 0.5 + kVoiceShift, 0.05);

    // Once the take is done, the same menu moves the list again, over both
    // of its rows.
    ASSERT_TRUE(CloseTake());
    for (const char* title : {"after.mp3", "Singer - Sung"}) {
        ASSERT_TRUE(program.ChooseFromMenu(1, 3));  // Next
        EXPECT_TRUE(program.Process().WaitForOutput(
            [&](const std::string&, const std::string&) { return program.Title() == title; }, 5000))
            << program.Title();
    }
}

TEST_F(RecordingTakesInTheProgram, MonoAndOtherRateSongsAreMixedWithTheVoiceInPlace)
{
    struct Layout {
        int rate;
        int channels;
    };
    const Layout layouts[] = {{44100, 2}, {44100, 1}, {48000, 2}};
    std::vector<std::string> songs;
    for (const Layout& l : layouts) {
        const std::string name = std::to_string(l.rate) + "-" + std::to_string(l.channels);
        songs.push_back(Song(name + ".kvo", BurstPcm(l.rate, l.channels, 2.0, 0.8, 0.4, kSongTone), name));
    }
    ASSERT_TRUE(Open(songs));

    // Where the 44100 Hz stereo song's take has its bursts.
    std::optional<std::pair<double, double>> stereo;
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(songs[i]);
        ASSERT_TRUE(Select(i));
        // Each take is sung from the start of the microphone's file.
        program.SetMicrophone(PcmBytes(BurstPcm(44100, 2, 3.0, 1.2, 0.4, kVoiceTone)));
        const size_t said = program.Said().size();
        ASSERT_TRUE(program.Record());
        const auto take = Take(said);
        ASSERT_FALSE(take.empty());
        EXPECT_NEAR(Seconds(take), 2.0, 0.1);
        const std::pair<double, double> at{ToneOnset(take, 1, kSongTone), ToneOnset(take, 0, kVoiceTone)};
        EXPECT_NEAR(at.first, 0.8, 0.1);
        EXPECT_NEAR(at.second - at.first, 0.4 + kVoiceShift, 0.05);
        if (!stereo)
            stereo = at;
        EXPECT_NEAR(at.first, stereo->first, 0.01);
        EXPECT_NEAR(at.second, stereo->second, 0.01);
        ASSERT_TRUE(CloseTake());
        ASSERT_TRUE(program.Sync());
    }
}

TEST_F(RecordingTakesInTheProgram, EveryTakeIsInStepWhateverPlayedBefore)
{
    // A hum, so that the song's start is heard, a burst early and one just
    // before the end.
    const Pcm music = BurstTrain(4.0, {1.0, 3.85}, 0.1, kSongTone);
    const BurstSong heardSong = ReadBurstSong(MakeMp3(music));
    const std::string song = Song("takes.kvo", music, "Takes");
    const auto voice = PcmBytes(BurstPcm(44100, 2, 6.0, 1.5, 0.4, kVoiceTone));
    ASSERT_TRUE(program.Start({"/open", song})) << program.Said();
    uitest::Speaker speaker(program);
    constexpr Point kPlayPause{54, 131};
    constexpr Point kStop{81, 131};

    struct Measured {
        double length = 0;
        double offset = 0;   // from the song's burst to the voice's
    };
    std::optional<Measured> first;
    auto record = [&](const std::string& how) {
        SCOPED_TRACE(how);
        program.SetMicrophone(voice);
        speaker.Forget();
        const size_t said = program.Said().size();
        ASSERT_TRUE(program.Record());
        const auto take = Take(said);
        ASSERT_FALSE(take.empty());
        // The song started at its first sample, where the engine was told.
        EXPECT_NEAR(WhereItBegan(speaker.Samples(), heardSong, 0), heardSong.sounds, 1152.0 / 44100);
        const double music = ToneOnset(take, 0, kSongTone);
        const Measured now{Seconds(take), ToneOnset(take, 0, kVoiceTone) - music};
        EXPECT_NEAR(music, 1.0, 0.1);
        // Its end is in the take.
        EXPECT_GT(ToneLevel(take, 0, kSongTone, 3.85, 3.95), ToneLevel(take, 0, kSongTone, 1.0, 1.1) / 2);
        if (!first)
            first = now;
        EXPECT_NEAR(now.length, first->length, 0.05);
        EXPECT_NEAR(now.offset, first->offset, 0.01);
        ASSERT_TRUE(CloseTake());
    };

    for (int i = 1; i <= 5; ++i)
        record("record again, take " + std::to_string(i));
    ASSERT_TRUE(first);
    EXPECT_NEAR(first->length, 4.0, 0.1);
    EXPECT_NEAR(first->offset, 0.5 + kVoiceShift, 0.05);

    // Listened to for a while, then stopped.
    speaker.Forget();
    ASSERT_TRUE(program.ClickMain(kPlayPause.x, kPlayPause.y));
    ASSERT_TRUE(speaker.WaitFor(1.5));
    ASSERT_TRUE(program.ClickMain(kStop.x, kStop.y));
    record("after listening and Stop");

    // Recorded while it plays.
    speaker.Forget();
    ASSERT_TRUE(program.ClickMain(kPlayPause.x, kPlayPause.y));
    ASSERT_TRUE(speaker.WaitFor(1.5));
    record("while the song plays");
}
