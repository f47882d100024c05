// The program itself on the display, playing and recording through a
// private sound server as a desktop does (a null sink as the speakers, a
// source that hears exactly what they play, pipe sources as microphones)
// while other work keeps half of the machine's cores busy: every take puts
// the voice where the song was heard, a song plays through without a gap,
// a pause holds what was not heard yet, and an input that goes away or
// gives only silence is named while the take is kept.
#include <algorithm>
#include <cmath>

#include "platform/audio/sdl_output.h"
#include "tests/support/busy_machine.h"
#include "tests/support/mp3_maker.h"
#include "tests/support/sound_server.h"
#include "tests/support/tone_bursts.h"
#include "tests/ui/running_program.h"
#include "ui_test_env.h"

using namespace testsupport;
using platform::Point;
using uitest::RunningProgram;

namespace {

constexpr double kRate = 44100;
constexpr double kVocalHz = 1500;
constexpr double kVoiceHz = 900;
constexpr Point kPlayPause{54, 131};
// The after-take window's "Record again": it closes the window.
constexpr Point kRecordAgain{311, 455};
// Heard: what the speakers' monitor recorded, 44100 Hz stereo.
using Heard = std::vector<int16_t>;

// Frames of exact silence at the end of what was heard so far.
size_t SilentTail(const Heard& heard)
{
    size_t frames = 0;
    while (frames < heard.size() / 2 && heard[heard.size() - 2 - 2 * frames] == 0 &&
           heard[heard.size() - 1 - 2 * frames] == 0)
        ++frames;
    return frames;
}

// The stretches of sound of what was heard, split where it was silent for
// at least `gapFrames`: [first, end) frame pairs.
std::vector<std::pair<size_t, size_t>> SoundStretches(const Heard& heard, size_t gapFrames)
{
    std::vector<std::pair<size_t, size_t>> stretches;
    const size_t frames = heard.size() / 2;
    size_t run = 0;
    for (size_t i = 0; i < frames; ++i) {
        const bool silent = heard[2 * i] == 0 && heard[2 * i + 1] == 0;
        if (silent) {
            ++run;
            continue;
        }
        if (stretches.empty() || run >= gapFrames)
            stretches.push_back({i, i + 1});
        else
            stretches.back().second = i + 1;
        run = 0;
    }
    return stretches;
}

// Where the left channel's stretch [from, from + length) of `heard` lies in
// `song` (left channel too), searched around `near`: the best match.
size_t FindInSong(const Heard& heard, size_t from, size_t length, const std::vector<int16_t>& song, size_t near,
                  size_t reach)
{
    size_t best = 0;
    double bestScore = -1;
    const size_t songFrames = song.size() / 2;
    const size_t first = near > reach ? near - reach : 0;
    for (size_t at = first; at < near + reach && at + length < songFrames; ++at) {
        double dot = 0, energy = 0;
        for (size_t i = 0; i < length; ++i) {
            const double s = song[2 * (at + i)];
            dot += s * heard[2 * (from + i)];
            energy += s * s;
        }
        const double score = energy > 0 ? dot / std::sqrt(energy) : 0;
        if (score > bestScore) {
            bestScore = score;
            best = at;
        }
    }
    return best;
}

std::string Times(const std::vector<double>& seconds)
{
    std::string text;
    for (double s : seconds)
        text += std::to_string(s).substr(0, 6) + " ";
    return text;
}

class SoundServerInTheProgram : public testing::Test {
protected:
    void SetUp() override
    {
        KVO_REQUIRE_DISPLAY();
        if (!platform::audio::SdlHasAudioDriver("pulseaudio"))
            GTEST_SKIP() << "this SDL has no 'pulseaudio' audio driver";
        if (!HaveTool("mpg123") || !HaveTool("parec"))
            GTEST_SKIP() << "mpg123 or parec missing";
        if (!server.Start({{"mic", "Pipe Microphone"}, {"zeros", "Zero Microphone"}}, "mic"))
            GTEST_SKIP() << server.Why();
        ASSERT_TRUE(server.AddEars("ears", "Ears"));
        ASSERT_TRUE(server.Pactl({"set-default-source", "ears"}));
        for (const std::string& entry : server.ClientEnv())
            program.AddEnv(entry);
        // The sound server, as the program finds it on a desktop.
        program.AddEnv("SDL_AUDIODRIVER=pulseaudio");
        // A new user's settings: the stored voice shift is its default.
        // The ears hear the speakers with no delay of their own.
        ASSERT_TRUE(busy.Running()) << "stress-ng could not be started";
    }

    std::string Song(const std::string& name, const Pcm& accompaniment, const Pcm& vocal)
    {
        const std::string path = program.Scratch(name);
        WriteFile(path, SongKvo(accompaniment, vocal, {name, "Singer", u"", "", {}}));
        return path;
    }
    bool SongPlays() { return !server.Pactl({"list", "short", "sink-inputs"}).value_or("").empty(); }

    // Waits until the take was mixed and the after-take window opened (a
    // message shown first is put away as a user does, after `said` of the
    // program's output); the take decoded, empty when there is none.
    std::vector<int16_t> Take(size_t said)
    {
        program.WaitUntil(
            [&] {
                return program.Said().find("message box:", said) != std::string::npos ||
                       program.FindWindow(RunningProgram::kAfterTake);
            },
            120000);
        if (!program.FindWindow(RunningProgram::kAfterTake)) {
            const auto message = program.WaitForNewWindow({}, 10000);
            if (!message || !RunningProgram::TypeInto(*message, {"Return"}))
                return {};
            program.WaitForWindow(RunningProgram::kAfterTake, 120000);
        }
        if (!program.FindWindow(RunningProgram::kAfterTake))
            return {};
        return DecodeWithMpg123(program.DataFile("Cache.mp3"));
    }
    // A message with the text came after `said` of the program's output.
    testing::AssertionResult ToldBeforeTheTake(size_t said, const std::string& text) const
    {
        const std::string after = program.Said().substr(said);
        const size_t box = after.find("message box:");
        if (box != std::string::npos && after.find(text, box) != std::string::npos)
            return testing::AssertionSuccess();
        return testing::AssertionFailure() << "no message saying " << text << " in: " << after;
    }
    bool CloseTake()
    {
        const auto dialog = program.FindWindow(RunningProgram::kAfterTake);
        return dialog && program.ClickIn(*dialog, kRecordAgain.x, kRecordAgain.y) &&
               program.WaitForNoWindow(RunningProgram::kAfterTake, 10000);
    }
    // Waits until the speakers have played `seconds` more of sound than
    // `from` frames.
    bool WaitForSound(PrivateSoundServer::Recording& heard, size_t from, double seconds)
    {
        return program.WaitUntil([&] { return SoundFrames(heard.Samples()) >= from + size_t(seconds * kRate); },
                                 60000);
    }

    PrivateSoundServer server;
    RunningProgram program;
    BusyMachine busy;
};

class ProgramTakesUnderServer : public SoundServerInTheProgram {};
class ProgramPlaybackUnderServer : public SoundServerInTheProgram,
                                   public testing::WithParamInterface<const char*> {};

}  // namespace

TEST_F(ProgramTakesUnderServer, EveryTakeOfASongPutsTheVoiceInOnePlace)
{
    // A quiet accompaniment, a vocal with one loud burst: the voice (the
    // ears hear the vocal) echoes it in the take.
    const Pcm vocal = BurstPcm(44100, 2, 6.0, 2.0, 0.3, kVocalHz, 0.4);
    const std::string song = Song("takes.kvo", MakeTone(44100, 2, 6.0, 300, 0.02), vocal);
    ASSERT_TRUE(program.Start({"/open", song})) << program.Said();
    // A take started with the row selected and REC, or by REC while the
    // song plays: where the echo lands in it (negative when it has none).
    const auto echo = [&](bool whilePlaying) {
        const Point row = RunningProgram::PlaylistRow(0);
        const bool started = whilePlaying ? program.ClickMain(kPlayPause.x, kPlayPause.y) &&
                                                program.WaitUntil([&] { return SongPlays(); }, 20000)
                                          : program.ClickMain(row.x, row.y) && program.Sync();
        const size_t said = program.Said().size();
        const std::vector<double> bursts =
            started && program.Record() ? BurstStarts(Take(said), 0) : std::vector<double>{};
        EXPECT_FALSE(bursts.empty()) << program.Said().substr(said);
        return bursts.empty() ? -1.0 : bursts.front();
    };
    std::vector<double> echoes;
    for (int take = 0; take < 8; ++take) {
        SCOPED_TRACE("take " + std::to_string(take));
        echoes.push_back(echo(take >= 6));
        ASSERT_GE(echoes.back(), 0.0);
        ASSERT_TRUE(CloseTake());
    }
    const auto [low, high] = std::minmax_element(echoes.begin(), echoes.end());
    std::printf("echo of the vocal burst in 8 takes: %s(s)\n", Times(echoes).c_str());
    EXPECT_LE(*high - *low, 0.020) << Times(echoes);
    // Where the song has it as the player plays it. The take's own MP3
    // names no encoder delay, so mpg123 gives all of it, voice and
    // accompaniment alike, that delay late.
    const double codecDelay = double(kCodecDelayFrames) / kRate;
    EXPECT_NEAR(*low, ReadBurstSong(MakeMp3(vocal)).bursts.front() + codecDelay, 0.020);

    // A shift the user sets moves the voice from there: 50 ms more than the
    // default reads the voice 50 ms later in the capture, so that the echo
    // comes 50 ms sooner in the take.
    program.WriteConfig("[RECORD]\nvoice-shift=-250.000000\n");
    const double shifted = echo(false);
    ASSERT_GE(shifted, 0.0);
    EXPECT_NEAR(shifted, (*low + *high) / 2 - 0.050, 0.015) << Times(echoes);
}

TEST_F(ProgramTakesUnderServer, ALongTakeKeepsTheVoiceInPlaceToItsEnd)
{
    constexpr double kSong = 30.0;
    const std::vector<double> at = {2.0, 10.0, 20.0, 28.0};
    const Pcm vocal = BurstTrain(kSong, at, 0.2, kVocalHz, 300);
    const std::string song = Song("long.kvo", MakeSilence(44100, 2, kSong), vocal);
    ASSERT_TRUE(program.Start({"/open", song})) << program.Said();
    const size_t said = program.Said().size();
    ASSERT_TRUE(program.Record());
    const auto take = Take(said);
    ASSERT_FALSE(take.empty()) << program.Said().substr(said);
    const std::vector<double> echoes = BurstStarts(take, 0);
    std::printf("echoes in a %.3f s take: %s(s)\n", double(take.size()) / 2 / kRate, Times(echoes).c_str());
    ASSERT_EQ(echoes.size(), at.size()) << Times(echoes);
    EXPECT_NEAR(echoes.back() - echoes.front(), at.back() - at.front(), 0.010);
    // As long as the song is as the player plays it (its MP3 frames).
    EXPECT_NEAR(double(take.size()) / 2 / kRate, ReadBurstSong(MakeMp3(vocal)).length, 0.050);
}

TEST_F(ProgramTakesUnderServer, AMicrophoneThatGoesAwayIsNamedAndWhatWasSungIsKept)
{
    program.WriteConfig("[GENERAL]\ninput_device=Pipe Microphone\n");
    server.Feed("mic", MakeTone(44100, 2, 1.0, kVoiceHz, 0.3).samples);
    const auto heard = server.Record(PrivateSoundServer::kSpeakersMonitor);
    ASSERT_TRUE(heard);
    const std::string song = Song("gone.kvo", MakeTone(44100, 2, 8.0, 300, 0.1), MakeSilence(44100, 2, 8.0));
    ASSERT_TRUE(program.Start({"/open", song})) << program.Said();
    const size_t said = program.Said().size();
    ASSERT_TRUE(program.Record());
    // Sung for two seconds of the song, then the microphone is unplugged.
    ASSERT_TRUE(WaitForSound(*heard, 0, 2.0));
    server.StopFeeding();
    ASSERT_TRUE(server.RemoveSource("mic"));
    ASSERT_TRUE(program.WaitForText("microphone: gone", 20000)) << program.Said().substr(said);
    const auto take = Take(said);
    ASSERT_FALSE(take.empty()) << program.Said().substr(said);
    EXPECT_TRUE(ToldBeforeTheTake(said, "\"Pipe Microphone\" went away"));
    const double seconds = double(take.size()) / 2 / kRate;
    EXPECT_GT(seconds, 1.8);
    EXPECT_LT(seconds, 6.0) << "the take ran on after the microphone went";
    EXPECT_GT(ToneLevel(take, 0, kVoiceHz, 0.5, 1.5), 100.0) << "what was sung is not in the take";
}

TEST_F(ProgramTakesUnderServer, AMicrophoneGivingOnlySilenceIsNamedAndTheTakeOffered)
{
    program.WriteConfig("[GENERAL]\ninput_device=Zero Microphone\n");
    server.Feed("zeros", MakeSilence(44100, 2, 1.0).samples);
    const std::string song = Song("zeros.kvo", MakeTone(44100, 2, 3.0, 300, 0.1), MakeSilence(44100, 2, 3.0));
    ASSERT_TRUE(program.Start({"/open", song})) << program.Said();
    const size_t said = program.Said().size();
    ASSERT_TRUE(program.Record());
    const auto take = Take(said);
    ASSERT_FALSE(take.empty()) << program.Said().substr(said);
    EXPECT_TRUE(ToldBeforeTheTake(said, "\"Zero Microphone\" gave only silence"));
    EXPECT_NEAR(double(take.size()) / 2 / kRate, 3.0, 0.1);
}

TEST_F(ProgramTakesUnderServer, ASongPlaysThroughWithoutAGap)
{
    constexpr double kSong = 20.0;
    const auto heard = server.Record(PrivateSoundServer::kSpeakersMonitor);
    ASSERT_TRUE(heard);
    const std::string song = Song("through.kvo", MakeTone(44100, 2, kSong, 300, 0.2), MakeSilence(44100, 2, kSong));
    program.WriteConfig("[GENERAL]\nrepeat=2\n");   // played once
    ASSERT_TRUE(program.Start({"/play", song})) << program.Said();
    ASSERT_TRUE(program.WaitUntil([&] { return SongPlays(); }, 20000));
    ASSERT_TRUE(program.WaitUntil([&] { return !SongPlays(); }, 120000)) << "the song did not end";
    const Heard samples = heard->Samples();
    const auto stretches = SoundStretches(samples, size_t(0.005 * kRate));
    ASSERT_FALSE(stretches.empty());
    std::string gaps;
    for (size_t i = 1; i < stretches.size(); ++i)
        gaps += std::to_string(double(stretches[i].first - stretches[i - 1].second) / kRate * 1000).substr(0, 5) +
                " ms at " + std::to_string(double(stretches[i].first) / kRate).substr(0, 6) + " s; ";
    EXPECT_EQ(stretches.size(), 1u) << "silent gaps of 5 ms or more: " << gaps;
    EXPECT_NEAR(double(stretches.back().second - stretches.front().first) / kRate, kSong, 0.1);
}

TEST_P(ProgramPlaybackUnderServer, APauseHoldsWhatWasNotHeardYet)
{
    const std::string kind = GetParam();
    constexpr double kSong = 16.0;
    const Pcm noise = MakeNoise(44100, 2, kSong, 0.25);
    // The song's sound as a decoder gives it, where the heard stretches are
    // looked for: the MP3 itself, or the container's accompaniment.
    const std::string reference = program.Scratch("reference.mp3");
    WriteFile(reference, MakeMp3(noise));
    const std::string song = kind == "kvo" ? Song("pause.kvo", noise, MakeSilence(44100, 2, kSong)) : reference;
    const std::vector<int16_t> played = DecodeWithMpg123(reference);
    ASSERT_FALSE(played.empty());

    const auto heard = server.Record(PrivateSoundServer::kSpeakersMonitor);
    ASSERT_TRUE(heard);
    ASSERT_TRUE(program.Start({"/play", song})) << program.Said();
    for (int pause = 0; pause < 6; ++pause) {
        SCOPED_TRACE("pause " + std::to_string(pause));
        ASSERT_TRUE(WaitForSound(*heard, SoundFrames(heard->Samples()), 1.0));
        ASSERT_TRUE(program.ClickMain(kPlayPause.x, kPlayPause.y));
        // The sound has stopped for a while.
        ASSERT_TRUE(program.WaitUntil([&] { return SilentTail(heard->Samples()) > size_t(0.3 * kRate); }, 20000));
        ASSERT_TRUE(program.ClickMain(kPlayPause.x, kPlayPause.y));
        ASSERT_TRUE(program.WaitUntil([&] { return SilentTail(heard->Samples()) == 0; }, 20000));
    }
    ASSERT_TRUE(WaitForSound(*heard, SoundFrames(heard->Samples()), 0.5));
    const Heard samples = heard->Samples();
    const auto stretches = SoundStretches(samples, size_t(0.1 * kRate));
    ASSERT_GE(stretches.size(), 7u);
    // Each stretch's last 30 ms and the next one's first, found in the song.
    const size_t window = size_t(0.03 * kRate);
    size_t songAt = FindInSong(samples, stretches[0].first, window, played, 0, size_t(0.5 * kRate));
    std::vector<double> errors;
    for (size_t i = 0; i + 1 < stretches.size() && i < 6; ++i) {
        const size_t length = stretches[i].second - stretches[i].first;
        const size_t before = FindInSong(samples, stretches[i].second - window, window, played,
                                         songAt + length - window, size_t(1.0 * kRate));
        const size_t after =
            FindInSong(samples, stretches[i + 1].first, window, played, before + window, size_t(1.0 * kRate));
        std::printf("stretch %zu: heard %zu..%zu, song from %zu; ends at song %zu, next begins at song %zu\n", i,
                    stretches[i].first, stretches[i].second, songAt, before + window, after);
        errors.push_back((double(after) - double(before + window)) / kRate * 1000);
        songAt = after;
    }
    std::string said;
    for (double e : errors)
        said += std::to_string(e).substr(0, 6) + " ";
    std::printf("%s: resumed this far from where the sound stopped: %s(ms)\n", kind.c_str(), said.c_str());
    for (double e : errors)
        EXPECT_LE(std::fabs(e), 26.0) << said;
}

INSTANTIATE_TEST_SUITE_P(Songs, ProgramPlaybackUnderServer, testing::Values("kvo", "mp3"));
