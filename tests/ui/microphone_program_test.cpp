// The microphone in the program itself, on the display, against a private
// sound server (a null sink as the speakers, pipe sources as microphones,
// one of them fed by nobody): the user's source keeps the volume and mute
// the user gave it unless the slider or the mute button changes them, the
// controls show what the desktop changes, a source that gives nothing
// makes no take, a chosen source that is gone gives way to the default one,
// and stereo mixing records the output the program plays to.
#include <cmath>
#include <cstdlib>

#include "platform/audio/sdl_output.h"
#include "tests/support/sound_server.h"
#include "tests/support/tone_bursts.h"
#include "tests/ui/running_program.h"
#include "ui_test_env.h"

using namespace testsupport;
using platform::Point;
using uitest::RunningProgram;

namespace {

constexpr double kVoiceHz = 1500;
constexpr double kSongHz = 600;

// The microphone's slider (57 pixels, a 12-pixel thumb travelling 45) and
// mute button in the main window.
constexpr int kMicSliderLeft = 262;
constexpr int kMicSliderY = 155;
constexpr Point kMicMute{253, 155};
// How soon a change on the desktop is to show.
constexpr int kShownWithinMs = uitest::kSanitizedBuild ? 5000 : 1000;
// The menu bar's Play menu.
constexpr int kStopEntry = 2;
constexpr int kNextEntry = 3;

struct SourceLevel {
    int percent = -1;
    bool muted = false;
    bool operator==(const SourceLevel&) const = default;
};

std::ostream& operator<<(std::ostream& out, const SourceLevel& s)
{
    return out << s.percent << "%" << (s.muted ? " muted" : " on");
}

class MicrophoneInTheProgramUnderServer : public testing::Test {
protected:
    void SetUp() override
    {
        KVO_REQUIRE_DISPLAY();
        if (!platform::audio::SdlHasAudioDriver("pulseaudio"))
            GTEST_SKIP() << "this SDL has no 'pulseaudio' audio driver";
        if (!HaveTool("mpg123"))
            GTEST_SKIP() << "mpg123 missing";
        if (!server.Start({{"mic", "Pipe Microphone"}, {"silent", "Silent Microphone"}}, "mic"))
            GTEST_SKIP() << server.Why();
        for (const std::string& entry : server.ClientEnv())
            program.AddEnv(entry);
        program.AddEnv("SDL_AUDIODRIVER=pulseaudio");
        server.Feed("mic", MakeTone(44100, 2, 1.0, kVoiceHz, 0.3).samples);
    }

    void Pactl(const std::vector<std::string>& args) { ASSERT_TRUE(server.Pactl(args)) << args[0]; }

    SourceLevel Source(const std::string& name = "mic")
    {
        SourceLevel level;
        const std::string volume = server.Pactl({"get-source-volume", name}).value_or("");
        const size_t percent = volume.find('%');
        if (percent != std::string::npos) {
            size_t start = volume.find_last_of(' ', percent) + 1;
            level.percent = std::atoi(volume.substr(start, percent - start).c_str());
        }
        level.muted = server.Pactl({"get-source-mute", name}).value_or("").find("yes") != std::string::npos;
        return level;
    }
    bool WaitForSource(const SourceLevel& wanted, int timeoutMs = 5000)
    {
        return program.WaitUntil([&] { return Source() == wanted; }, timeoutMs);
    }

    // What the slider and the mute button show now, as the program tells it.
    std::string Shown() const
    {
        const std::string& said = program.Said();
        const size_t at = said.rfind("microphone: ");
        return at == std::string::npos ? "" : said.substr(at, said.find('\n', at) - at);
    }
    bool WaitShown(const std::string& text, int timeoutMs)
    {
        return program.WaitUntil([&] { return Shown() == text; }, timeoutMs);
    }

    std::string Song(const std::string& title, double seconds)
    {
        const std::string path = program.Scratch(title + ".kvo");
        WriteFile(path, SongKvo(BurstPcm(44100, 2, seconds, 0.5, seconds - 1.0, kSongHz, 0.2),
                                {title, "Singer", u"", "", {}}));
        return path;
    }
    bool Next(const std::string& title)
    {
        return program.ChooseFromMenu(1, kNextEntry) &&
               program.WaitUntil([&] { return program.Title() == "Singer - " + title; }, 5000);
    }
    // Waits while the speakers play that many seconds of the song's sound
    // (a song may start well after REC on a busy machine, and a take lasts
    // only as far as its song was heard).
    bool SingOverTheSong(double seconds)
    {
        const auto heard = server.Record(PrivateSoundServer::kSpeakersMonitor);
        return heard && program.WaitUntil([&] { return SoundFrames(heard->Samples()) >= size_t(seconds * 44100); },
                                          60000);
    }
    // The microphone slider's thumb dragged by that many pixels from where
    // a level puts it.
    bool DragMicrophone(int fromPercent, int pixels)
    {
        const int thumbMiddle = kMicSliderLeft + fromPercent * 45 / 100 + 6;
        return program.DragMain({thumbMiddle, kMicSliderY}, {thumbMiddle + pixels, kMicSliderY});
    }

    // Waits until the take was mixed (the after-take window opens) or the
    // program said why not, after `said` of its output; a message shown
    // before the take is offered is put away as a user does. The take
    // decoded, empty when there is none.
    std::vector<int16_t> Take(size_t said)
    {
        program.WaitUntil(
            [&] {
                return program.Said().find("message box:", said) != std::string::npos ||
                       program.FindWindow(RunningProgram::kAfterTake);
            },
            60000);
        if (!program.FindWindow(RunningProgram::kAfterTake) &&
            program.Said().find("message box:", said) != std::string::npos &&
            program.Said().find("The take holds", said) == std::string::npos &&
            program.Said().find("gave only silence", said) == std::string::npos)
            return {};
        if (!program.FindWindow(RunningProgram::kAfterTake)) {
            const auto message = program.WaitForNewWindow({}, 10000);
            if (!message || !RunningProgram::TypeInto(*message, {"Return"}) ||
                !program.WaitForWindow(RunningProgram::kAfterTake, 60000))
                return {};
        }
        return DecodeWithMpg123(program.DataFile("Cache.mp3"));
    }
    // "Record again" closes the after-take window.
    bool CloseTake()
    {
        const auto dialog = program.FindWindow(RunningProgram::kAfterTake);
        return dialog && program.ClickIn(*dialog, 311, 455) &&
               program.WaitForNoWindow(RunningProgram::kAfterTake, 10000);
    }

    PrivateSoundServer server;
    RunningProgram program;
};

double Db(double ratio)
{
    return 20 * std::log10(ratio);
}

}  // namespace

TEST_F(MicrophoneInTheProgramUnderServer, TheUsersMutedMicrophoneStaysAsTheUserLeftIt)
{
    Pactl({"set-source-volume", "mic", "45%"});
    Pactl({"set-source-mute", "mic", "1"});
    const SourceLevel users{45, true};
    ASSERT_EQ(Source(), users);
    const std::vector<std::string> songs = {Song("One", 8), Song("Two", 8), Song("Three", 8)};

    ASSERT_TRUE(program.Start({"/play", songs[0]})) << program.Said();
    EXPECT_TRUE(WaitShown("microphone: 45%, muted", 5000)) << Shown();
    EXPECT_EQ(Source(), users) << "at the start";
    ASSERT_TRUE(program.Open(songs[1]));
    ASSERT_TRUE(program.Open(songs[2]));
    for (const char* title : {"Two", "Three"}) {
        ASSERT_TRUE(Next(title)) << program.Title();
        program.ListenFor(500);
        EXPECT_EQ(Source(), users) << "playing " << title;
    }

    const size_t said = program.Said().size();
    ASSERT_TRUE(program.Record());
    program.ListenFor(1500);
    EXPECT_EQ(Source(), users) << "while recording";
    ASSERT_TRUE(program.Done());
    EXPECT_FALSE(Take(said).empty()) << program.Said().substr(said);
    // The take of a muted microphone is offered, once the user was told.
    EXPECT_NE(program.Said().find("\"Pipe Microphone\" gave only silence", said), std::string::npos)
        << program.Said().substr(said);
    EXPECT_EQ(Source(), users) << "after the take";
    ASSERT_TRUE(CloseTake());
    EXPECT_EQ(program.Close(), 0);
    EXPECT_EQ(Source(), users) << "after the program ended";
}

TEST_F(MicrophoneInTheProgramUnderServer, OnlyTheSliderAndTheMuteButtonSetTheMicrophone)
{
    const std::vector<std::string> songs = {Song("One", 8), Song("Two", 8), Song("Three", 8)};
    ASSERT_TRUE(program.Start({"/play", songs[0]})) << program.Said();
    ASSERT_TRUE(program.Open(songs[1]));
    ASSERT_TRUE(program.Open(songs[2]));
    ASSERT_TRUE(WaitShown("microphone: 100%, on", 5000)) << Shown();

    // A take at the full level, for comparison.
    size_t said = program.Said().size();
    ASSERT_TRUE(program.Record());
    ASSERT_TRUE(SingOverTheSong(2.5));
    ASSERT_TRUE(program.Done());
    const std::vector<int16_t> full = Take(said);
    ASSERT_FALSE(full.empty()) << program.Said().substr(said);
    ASSERT_TRUE(CloseTake());
    const double fullVoice = ToneLevel(full, 0, kVoiceHz, 0.5, 2.0);
    ASSERT_GT(fullVoice, 100.0);

    // The slider down to 0: the next song leaves it there.
    ASSERT_TRUE(DragMicrophone(100, -60));
    EXPECT_TRUE(WaitForSource({0, false})) << Source();
    ASSERT_TRUE(Next("Two"));
    program.ListenFor(500);
    EXPECT_EQ(Source(), (SourceLevel{0, false})) << "the next song put a level back";

    // Muted with the button: the next song leaves it muted.
    ASSERT_TRUE(program.ClickMain(kMicMute.x, kMicMute.y));
    EXPECT_TRUE(WaitForSource({0, true})) << Source();
    ASSERT_TRUE(Next("Three"));
    program.ListenFor(500);
    EXPECT_EQ(Source(), (SourceLevel{0, true})) << "the next song unmuted it";
    ASSERT_TRUE(program.ClickMain(kMicMute.x, kMicMute.y));
    EXPECT_TRUE(WaitForSource({0, false})) << Source();

    // Half way (the thumb 23 of its 45 pixels on: 51 %), then Stop and REC:
    // the take has the voice at that level, which the server's cubic
    // curve makes about 18 dB down.
    ASSERT_TRUE(DragMicrophone(0, 23));
    EXPECT_TRUE(WaitForSource({51, false})) << Source();
    ASSERT_TRUE(program.ChooseFromMenu(1, kStopEntry));
    ASSERT_TRUE(program.Sync());
    said = program.Said().size();
    ASSERT_TRUE(program.Record());
    ASSERT_TRUE(SingOverTheSong(2.5));
    ASSERT_TRUE(program.Done());
    const std::vector<int16_t> half = Take(said);
    ASSERT_FALSE(half.empty()) << program.Said().substr(said);
    EXPECT_EQ(Source(), (SourceLevel{51, false})) << "REC put a level back";
    EXPECT_NEAR(Db(ToneLevel(half, 0, kVoiceHz, 0.5, 2.0) / fullVoice), -18.0, 2.0);
}

TEST_F(MicrophoneInTheProgramUnderServer, TheControlsShowWhatTheDesktopChanged)
{
    const std::vector<std::string> songs = {Song("One", 60), Song("Two", 60)};
    ASSERT_TRUE(program.Start({"/play", songs[0]})) << program.Said();
    ASSERT_TRUE(WaitShown("microphone: 100%, on", 5000)) << Shown();

    // While the window is shown.
    Pactl({"set-source-volume", "mic", "30%"});
    EXPECT_TRUE(WaitShown("microphone: 30%, on", kShownWithinMs)) << Shown();
    Pactl({"set-source-mute", "mic", "1"});
    EXPECT_TRUE(WaitShown("microphone: 30%, muted", kShownWithinMs)) << Shown();

    // While it is minimised (taken off the screen), then shown again.
    const auto main = program.MainWindow();
    ASSERT_TRUE(main);
    ASSERT_TRUE(uitest::Xdo({"windowunmap", "--sync", std::to_string(main->id)}));
    Pactl({"set-source-volume", "mic", "60%"});
    Pactl({"set-source-mute", "mic", "0"});
    program.ListenFor(300);
    ASSERT_TRUE(uitest::Xdo({"windowmap", "--sync", std::to_string(main->id)}));
    EXPECT_TRUE(WaitShown("microphone: 60%, on", kShownWithinMs)) << Shown();

    // Minimised with its own button, then a second start hands it a song.
    ASSERT_TRUE(program.ClickMain(305, 12));
    Pactl({"set-source-volume", "mic", "20%"});
    ASSERT_TRUE(program.Open(songs[1]));
    EXPECT_TRUE(WaitShown("microphone: 20%, on", kShownWithinMs)) << Shown();
}

TEST_F(MicrophoneInTheProgramUnderServer, ASourceThatGivesNothingMakesNoTake)
{
    program.WriteConfig("[GENERAL]\ninput_device=Silent Microphone\n");
    ASSERT_TRUE(program.Start({"/open", Song("One", 4)})) << program.Said();
    const size_t said = program.Said().size();
    ASSERT_TRUE(program.Record());
    program.WaitUntil(
        [&] {
            return program.Said().find("message box:", said) != std::string::npos ||
                   program.FindWindow(RunningProgram::kAfterTake);
        },
        60000);
    EXPECT_FALSE(program.FindWindow(RunningProgram::kAfterTake)) << "an empty take was offered for saving";
    const std::string after = program.Said().substr(said);
    const size_t box = after.find("message box:");
    ASSERT_NE(box, std::string::npos) << after;
    EXPECT_NE(after.find("Silent Microphone", box), std::string::npos) << after;
    // Put away as a user does; nothing comes after it.
    const auto message = program.WaitForNewWindow({}, 10000);
    ASSERT_TRUE(message);
    ASSERT_TRUE(RunningProgram::TypeInto(*message, {"Return"}));
    EXPECT_TRUE(program.WaitForWindowGone(*message, 10000));
    program.ListenFor(500);
    EXPECT_FALSE(program.FindWindow(RunningProgram::kAfterTake));
}

TEST_F(MicrophoneInTheProgramUnderServer, AChosenSourceThatIsGoneGivesWayToTheDefaultOneAndTheUserIsToldOnce)
{
    const std::string gone = "USB Headset Unplugged Since";
    program.WriteConfig("[GENERAL]\ninput_device=" + gone + "\n");
    ASSERT_TRUE(program.Start({"/open", Song("One", 4)})) << program.Said();
    size_t said = program.Said().size();
    ASSERT_TRUE(program.Record());
    // Before the take: which source records in the gone one's place.
    ASSERT_TRUE(program.WaitForText("message box: The input device \"" + gone + "\"", 10000))
        << program.Said().substr(said);
    EXPECT_NE(program.Said().find("\"Pipe Microphone\"", said), std::string::npos) << program.Said().substr(said);
    const auto box = program.WaitForNewWindow({}, 10000, std::string("KVO Studio"));
    ASSERT_TRUE(box.has_value());
    ASSERT_TRUE(program.Sync());
    said = program.Said().size();
    ASSERT_TRUE(RunningProgram::TypeInto(*box, {"Return"}));
    const std::vector<int16_t> take = Take(said);
    ASSERT_FALSE(take.empty()) << program.Said().substr(said);
    EXPECT_GT(ToneLevel(take, 0, kVoiceHz, 0.5, 2.5), 100.0) << "the default source's voice is not in the take";
    ASSERT_TRUE(CloseTake());

    // The next take: nothing more to say.
    said = program.Said().size();
    ASSERT_TRUE(program.Record());
    EXPECT_FALSE(Take(said).empty()) << program.Said().substr(said);
    EXPECT_EQ(program.Said().find("message box:", said), std::string::npos) << program.Said().substr(said);
}

TEST_F(MicrophoneInTheProgramUnderServer, StereoMixingRecordsTheOutputTheProgramPlaysTo)
{
    // Headphones beside the default speakers; the program's sound goes to
    // them.
    Pactl({"load-module", "module-null-sink", "sink_name=headphones", "rate=44100", "channels=2",
           "sink_properties=device.description=Headphones"});
    program.AddEnv("PULSE_SINK=headphones");
    program.WriteConfig("[GENERAL]\nmixing=1\n");
    ASSERT_TRUE(program.Start({"/open", Song("One", 4)})) << program.Said();
    const size_t said = program.Said().size();
    ASSERT_TRUE(program.Record());
    const std::vector<int16_t> take = Take(said);
    ASSERT_FALSE(take.empty()) << program.Said().substr(said);
    EXPECT_GT(ToneLevel(take, 0, kSongHz, 0, double(take.size()) / 2 / 44100), 100.0)
        << "the take is of the default speakers, where nothing played";
}
