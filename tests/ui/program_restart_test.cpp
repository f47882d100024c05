// The program on the display, heard through SDL's disk driver: a song
// played again after Stop, after Pause, after a seek while paused and
// after a double click on its row starts where it should, a .kvo as an
// MP3; a .kvo paused just before its end plays its tail whole when played
// on, and the next song starts once.
#include <optional>
#include <string>
#include <vector>

#include "platform/audio/sdl_output.h"
#include "tests/support/mp3_maker.h"
#include "tests/support/tone_bursts.h"
#include "tests/ui/running_program.h"
#include "tests/ui/speaker.h"
#include "ui_test_env.h"

using namespace testsupport;
using platform::Point;
using uitest::RunningProgram;
using uitest::Speaker;

namespace {

constexpr Point kPlayPause{54, 131};
constexpr Point kStop{81, 131};
// One MP3 frame: a seek lands on a frame.
constexpr double kFrame = 1152.0 / 44100;
// A song that goes on plays on to the sample.
constexpr double kSample = 0.002;

// A burst at every whole second and a half.
std::vector<double> Halves(int seconds)
{
    std::vector<double> at;
    for (int k = 0; k < seconds; ++k)
        at.push_back(0.5 + k);
    return at;
}

class SongsInTheProgram : public testing::Test {
protected:
    void SetUp() override
    {
        KVO_REQUIRE_DISPLAY();
        if (!platform::audio::SdlHasAudioDriver("disk"))
            GTEST_SKIP() << "this SDL has no 'disk' audio driver";
    }

    // The song as a container or a plain MP3 file, as it sounds in `heard`.
    std::string Write(const std::string& name, const Pcm& pcm, BurstSong& heard)
    {
        const std::string path = program.Scratch(name);
        const auto mp3 = MakeMp3(pcm);
        heard = ReadBurstSong(mp3);
        const bool container = name.ends_with(".kvo");
        WriteFile(path, container ? SongKvo(pcm, {name.substr(0, name.size() - 4), "Singer", u"", "", {}}) : mp3);
        return path;
    }
    bool Click(Point at) { return program.ClickMain(at.x, at.y); }
    // Pauses, and waits until the song no longer sounds.
    bool Pause()
    {
        return Click(kPlayPause) && speaker.WaitForSilence();
    }
    // Seconds of the song heard so far from the file the device writes.
    double HeardSeconds() const { return double(WithoutDeviceSilence(speaker.Samples()).size()) / 2 / 44100; }
    // The song heard from its start: what the file `held` got, and what a
    // device opened since wrote, less the device's own silence.
    std::vector<int16_t> Heard(const Speaker::Held& held) const
    {
        auto heard = WithoutDeviceSilence(held.Samples());
        const auto more = WithoutDeviceSilence(speaker.Samples());
        heard.insert(heard.end(), more.begin(), more.end());
        return heard;
    }

    RunningProgram program{RunningProgram::Sound::Disk};
    Speaker speaker{program};
};

class SongsStartAgainInTheProgram : public SongsInTheProgram, public testing::WithParamInterface<const char*> {};

}  // namespace

TEST_P(SongsStartAgainInTheProgram, WhereTheUserAsked)
{
    BurstSong heardSong;
    const std::string song = Write(std::string("bursts.") + GetParam(), BurstTrain(12.0, Halves(12), 0.08), heardSong);
    const std::vector<double>& bursts = heardSong.bursts;
    ASSERT_EQ(bursts.size(), 12u);
    ASSERT_TRUE(program.Launch({"/play", song}));
    ASSERT_TRUE(program.WaitForMainWindow()) << program.Said();

    // Stop, then Play: from the song's first sample.
    ASSERT_TRUE(speaker.WaitFor(1.2));
    ASSERT_TRUE(Click(kStop));
    speaker.Forget();
    ASSERT_TRUE(Click(kPlayPause));
    ASSERT_TRUE(speaker.WaitFor(2.3));
    const auto restarted = speaker.Samples();
    EXPECT_NEAR(WhereItBegan(restarted, heardSong, 0), heardSong.sounds, kFrame) << "Stop, then Play";
    // At the music's level from the first burst on: one burst a second.
    const double second = ToneLevel(restarted, 0, 1500, 1.0, 2.0);
    EXPECT_NEAR(ToneLevel(restarted, 0, 1500, 0.0, 1.0), second, second / 10) << "Stop, then Play";

    // Pause, then Play: on from the sample where it paused.
    ASSERT_TRUE(Pause());
    {
        const Speaker::Held held = speaker.Hold();
        const size_t pausedAt = WithoutDeviceSilence(held.Samples()).size();
        speaker.Forget();
        ASSERT_TRUE(Click(kPlayPause));
        std::vector<int16_t> heard;
        ASSERT_TRUE(program.WaitUntil(
            [&] {
                heard = Heard(held);
                return heard.size() >= pausedAt + 2 * 44100 * 2;
            },
            20000));
        const auto heardBursts = BurstStarts(heard);
        ASSERT_GE(heardBursts.size(), 4u);
        for (size_t i = 1; i < heardBursts.size(); ++i)
            EXPECT_NEAR(heardBursts[i] - heardBursts[0], bursts[i] - bursts[0], kSample) << "Pause, then Play: " << i;
    }

    // A seek while paused, then Play: from the place chosen, 0:08.
    ASSERT_TRUE(Pause());
    const size_t said = program.Said().size();
    ASSERT_TRUE(program.ClickMain(220, 100));
    // The bar tells its new position on the debug output.
    ASSERT_TRUE(program.Process().WaitForOutput(
        [&](const std::string&, const std::string& err) { return err.find("\n8\n", said - 1) != std::string::npos; },
        5000))
        << program.Said().substr(said);
    speaker.Forget();
    ASSERT_TRUE(Click(kPlayPause));
    ASSERT_TRUE(speaker.WaitFor(1.2));
    EXPECT_NEAR(WhereItBegan(speaker.Samples(), heardSong, 8.0), 8.0, kFrame) << "a seek while paused, then Play";

    // A double click on the playing row: from the song's first sample.
    speaker.Forget();
    const Point row = RunningProgram::PlaylistRow(0);
    ASSERT_TRUE(program.ClickMain(row.x, row.y, 2));
    ASSERT_TRUE(speaker.WaitFor(1.2));
    EXPECT_NEAR(WhereItBegan(speaker.Samples(), heardSong, 0), heardSong.sounds, kFrame) << "a double click on the playing row";
}

INSTANTIATE_TEST_SUITE_P(ContainerAndMp3, SongsStartAgainInTheProgram, testing::Values("kvo", "mp3"));

TEST_F(SongsInTheProgram, ASongPausedJustBeforeItsEndPlaysItsTailAndTheNextStartsOnce)
{
    BurstSong heardSong;
    BurstSong nextSong;
    const std::string song = Write("tail.kvo", BurstTrain(4.0, {0.5, 1.5, 2.5, 3.9}, 0.08), heardSong);
    const std::string next = Write("next.mp3", BurstTrain(6.0, Halves(6), 0.08), nextSong);
    const std::vector<double>& bursts = heardSong.bursts;
    ASSERT_EQ(bursts.size(), 4u);
    ASSERT_TRUE(program.Launch({"/play", song}));
    ASSERT_TRUE(program.WaitForMainWindow()) << program.Said();
    ASSERT_TRUE(program.Open(next)) << program.SecondSaid();

    // How far the song goes on while a click reaches the program: paused
    // once early on.
    ASSERT_TRUE(program.WaitUntil([&] { return HeardSeconds() >= 1.0; }, 20000));
    ASSERT_TRUE(Pause());
    const double late = HeardSeconds() - 1.0;
    ASSERT_TRUE(Click(kPlayPause));

    // Paused some 0.3 s before the end, before the last burst. How late a
    // click comes varies: when it came too late, the song plays again from
    // its start and the pause is aimed earlier.
    std::optional<Speaker::Held> paused;
    for (double aim = 0.3; aim < 1.6 && !paused; aim += 0.4) {
        ASSERT_TRUE(program.WaitUntil([&] { return HeardSeconds() >= heardSong.length - aim - late; }, 20000));
        ASSERT_TRUE(Pause());
        Speaker::Held now = speaker.Hold();
        if (BurstStarts(WithoutDeviceSilence(now.Samples())).size() == 3) {
            paused.emplace(std::move(now));
            break;
        }
        ASSERT_TRUE(Click(kStop));
        speaker.Forget();
        const Point row = RunningProgram::PlaylistRow(0);
        ASSERT_TRUE(program.ClickMain(row.x, row.y, 2));
        ASSERT_TRUE(program.WaitUntil([&] { return program.Title() == "Singer - tail"; }, 10000));
    }
    ASSERT_TRUE(paused) << "no pause came before the last burst";
    const Speaker::Held& held = *paused;
    speaker.Forget();
    program.ListenFor(3000);

    // Played on: the tail, then the next song, from its start.
    ASSERT_TRUE(Click(kPlayPause));
    ASSERT_TRUE(program.WaitUntil([&] { return program.Title() == "next.mp3"; }, 10000)) << program.Title();
    const auto whole = WithoutDeviceSilence(held.Samples());
    const auto heard = BurstStarts(whole);
    ASSERT_EQ(heard.size(), 4u) << "the tail's burst";
    EXPECT_NEAR(heard[3] - heard[0], bursts[3] - bursts[0], kSample);
    EXPECT_NEAR(double(whole.size()) / 2 / 44100 - heard[3], heardSong.length - bursts[3], kFrame) << "the end";
    ASSERT_TRUE(speaker.WaitFor(0.3));
    const Speaker::Held nextHeld = speaker.Hold();
    speaker.Forget();
    ASSERT_TRUE(program.WaitUntil([&] { return nextHeld.Samples().size() >= 3 * 44100 * 2; }, 10000));
    const auto nextSamples = nextHeld.Samples();
    EXPECT_NEAR(WhereItBegan(nextSamples, nextSong, 0), nextSong.sounds, kFrame);
    // Once: no device opened since.
    EXPECT_EQ(speaker.Seconds(), 0);
    EXPECT_EQ(program.Title(), "next.mp3");
}
