// Whole takes through the scripted microphone: the voice and the song meet
// where the shift puts them, a re-mix moves the voice without touching the
// capture or the decoded song, stereo mixing encodes the capture alone, and
// the progress window is driven to 100 and hidden before the result.

#include <algorithm>
#include <thread>

#include "kvostudio/include/convert/waveparse.h"
#include "kvostudio/messages.h"
#include "kvostudio/recordingmix.h"
#include "kvostudio/settings.h"
#include "tests/recording/recording_fixture.h"
#include "tests/support/temp_files.h"

using namespace rectest;
using testsupport::FileExists;
using testsupport::ReadFile;

namespace {

constexpr double kSongBurst = 0.8, kVoiceBurst = 1.0;
constexpr double kSongTone = 600, kVoiceTone = 2500;

class Takes : public RecordingTest {
protected:
    void SetUp() override {
        song = data.File("song.kvo");
        WriteSong(song, BurstPcm(2.0, kSongBurst, 0.4, kSongTone));
        InstallMicrophone(PcmBytes(BurstPcm(2.0, kVoiceBurst, 0.4, kVoiceTone)));
    }

    // Both onsets in the finished recording.
    std::pair<double, double> Onsets() {
        const auto pcm = DecodeWithMpg123(Work(recfile::kCacheMp3));
        EXPECT_FALSE(pcm.empty()) << "mpg123 could not decode Cache.mp3";
        return {ToneOnset(pcm, 0, kSongTone), ToneOnset(pcm, 0, kVoiceTone)};
    }

    // The events of one run, from its "show" on.
    void ExpectProgressThenHideThenResult(unsigned code, bool mixed = true) {
        const auto events = owner.Events();
        const auto show = std::find(events.rbegin(), events.rend(), "show");
        ASSERT_NE(show, events.rend());
        const std::vector<std::string> run(show.base() - 1, events.end());
        ASSERT_GE(run.size(), 3u);
        EXPECT_EQ(run[run.size() - 2], "hide");
        EXPECT_EQ(run.back(), "command " + std::to_string(code) + " 0");
        if (code == ID_CMD_RECORDING_DONE) {
            if (mixed) {
                EXPECT_EQ(run[1], "target 50/600");
            }
            EXPECT_EQ(run[run.size() - 3], "target 100/0") << "the bar ends full";
        }
    }

    std::string song;
};

}  // namespace

TEST_F(Takes, AtTheDefaultShiftTheVoiceMeetsTheSongAndARemixMovesIt) {
    CRecordingImpl engine;
    engine.SetFinishPause(std::chrono::milliseconds(0));
    ASSERT_EQ(RecordWhole(engine, song), ID_CMD_RECORDING_DONE) << engine.GetFailureText();
    EXPECT_TRUE(engine.GetFailureText().empty());
    // The song's burst comes a little later: its MP3 was encoded once more,
    // and the lead-in of that encoding is part of the song's timeline.
    auto [songAt, voiceAt] = Onsets();
    EXPECT_NEAR(songAt, kSongBurst, 0.06);
    EXPECT_NEAR(voiceAt, kVoiceBurst - 0.2, 0.04);
    EXPECT_NEAR(songAt, voiceAt, 0.05) << "both bursts start together";
    ExpectProgressThenHideThenResult(ID_CMD_RECORDING_DONE);
    EXPECT_EQ(owner.Events()[0], std::string("caption ") + LoadStringTableEntry(105));
    EXPECT_FALSE(FileExists(Work(recfile::kOriginKvo)));
    EXPECT_FALSE(FileExists(Work(recfile::kParseMp3)));

    // The finished mix is a plain WAV whose RIFF size fits its data.
    const auto mix = ReadFile(Work(recfile::kMixCache));
    ASSERT_GE(mix.size(), 44u);
    auto u32 = [&](size_t at) { return uint32_t(mix[at] | mix[at + 1] << 8 | mix[at + 2] << 16 | mix[at + 3] << 24); };
    EXPECT_EQ(u32(40), mix.size() - 44);
    EXPECT_EQ(u32(4), 36 + u32(40));
    EXPECT_EQ(u32(40), uint32_t(2 * 176400 - 35280));

    const auto capture = ReadFile(Work(recfile::kCache));
    const auto decoded = ReadFile(Work(recfile::kTmpWav));
    SetConfig(config::kVoiceShift, 0);
    ASSERT_EQ(engine.Remix(), 1);
    ASSERT_EQ(owner.WaitForCommand(1), ID_CMD_RECORDING_DONE) << engine.GetFailureText();
    std::tie(songAt, voiceAt) = Onsets();
    EXPECT_NEAR(songAt, kSongBurst, 0.06);
    EXPECT_NEAR(voiceAt, kVoiceBurst, 0.04);
    EXPECT_EQ(ReadFile(Work(recfile::kCache)), capture) << "the capture is kept as it was";
    EXPECT_EQ(ReadFile(Work(recfile::kTmpWav)), decoded) << "the decoded song is reused unscaled";
    ExpectProgressThenHideThenResult(ID_CMD_RECORDING_DONE);
    EXPECT_EQ(microphone->OpenCount(), 2) << "one warm-up, one take; a re-mix captures nothing";
}

TEST_F(Takes, ARemixPlacesEveryFrameByTheStoredStartShiftAndGains) {
    CRecordingImpl engine;
    engine.SetFinishPause(std::chrono::milliseconds(0));
    ASSERT_EQ(RecordWhole(engine, song), ID_CMD_RECORDING_DONE) << engine.GetFailureText();

    // A counting voice and accompaniment in place of the take and the song.
    const int64_t voiceFrames = 3 * 44100, accFrames = 6 * 44100;
    testsupport::Pcm voice{44100, 2, {}}, acc{44100, 2, {}};
    for (int64_t f = 0; f < voiceFrames; ++f) voice.samples.insert(voice.samples.end(), {int16_t(f & 0x7FFF), 0});
    for (int64_t f = 0; f < accFrames; ++f) acc.samples.insert(acc.samples.end(), {0, int16_t(f & 0x7FFF)});
    testsupport::WriteFile(Work(recfile::kCache), testsupport::WavBytes(voice));
    testsupport::WriteFile(Work(recfile::kTmpWav), testsupport::WavBytes(acc));

    struct Case {
        float startSeconds, shiftMs, voiceDb, accDb;
        int64_t firstOut, delta;
    };
    for (const Case& c : {Case{1, -200, 0, 0, 0, 44100 - 8820}, Case{0, 10, -6, 6, 0, 441}}) {
        SCOPED_TRACE(testing::Message() << c.startSeconds << " s, " << c.shiftMs << " ms");
        engine.SetStartOffset(c.startSeconds);
        SetConfig(config::kVoiceShift, c.shiftMs);
        SetConfig(config::kVoiceDb, c.voiceDb);
        SetConfig(config::kAccomDb, c.accDb);
        const size_t before = owner.CommandCount();
        ASSERT_EQ(engine.Remix(), 1);
        ASSERT_EQ(owner.WaitForCommand(before), ID_CMD_RECORDING_DONE) << engine.GetFailureText();

        CWaveParse mix;
        ASSERT_EQ(mix.Load(Work(recfile::kMixCache).c_str()), 1);
        ASSERT_EQ(mix.header.dataSize, uint32_t((voiceFrames - c.firstOut) * 4));
        const auto& d = mix.data;
        int wrong = 0;
        for (int64_t k = 0; k < voiceFrames - c.firstOut && wrong < 5; ++k) {
            const int64_t v = c.firstOut + k;
            const int16_t left = int16_t(d[4 * k] | d[4 * k + 1] << 8);
            const int16_t right = int16_t(d[4 * k + 2] | d[4 * k + 3] << 8);
            const int16_t wantLeft = recmix::ApplyGainToSample(int16_t(v & 0x7FFF), c.voiceDb);
            const int16_t wantRight = recmix::ApplyGainToSample(int16_t((v + c.delta) & 0x7FFF), c.accDb);
            if (left != wantLeft || right != wantRight) {
                ++wrong;
                ADD_FAILURE() << "output frame " << k << ": " << left << "/" << right << ", expected " << wantLeft
                              << "/" << wantRight;
            }
        }
    }
}

TEST_F(Takes, ATakeItsSongEndedEndsWithTheSongAfterTheVoicesShift) {
    CRecordingImpl engine;
    engine.SetFinishPause(std::chrono::milliseconds(0));
    ASSERT_EQ(RecordWhole(engine, song), ID_CMD_RECORDING_DONE) << engine.GetFailureText();
    EXPECT_EQ(engine.CaptureTailMs(), 200 + 500) << "the voice comes back 200 ms late; the capture may lag";
    auto mixBytes = [&] {
        CWaveParse mix;
        return mix.Load(Work(recfile::kMixCache).c_str()) ? mix.data.size() : size_t(0);
    };
    EXPECT_EQ(mixBytes(), size_t(2 * 176400 - 35280)) << "no song end: as long as the capture allows";

    // The song ended at 1.5 s: the mix ends there, re-mixes too.
    engine.SetSongEnd(1.5f);
    ASSERT_EQ(engine.Remix(), 1);
    ASSERT_EQ(owner.WaitForCommand(1), ID_CMD_RECORDING_DONE) << engine.GetFailureText();
    EXPECT_EQ(mixBytes(), size_t(3 * 88200));
    SetConfig(config::kVoiceShift, 100);
    EXPECT_EQ(engine.CaptureTailMs(), 700) << "until the next take reads the shift";
    ASSERT_EQ(engine.Remix(), 1);
    ASSERT_EQ(owner.WaitForCommand(2), ID_CMD_RECORDING_DONE) << engine.GetFailureText();
    EXPECT_EQ(mixBytes(), size_t(3 * 88200 - 17640)) << "from 100 ms into the song to its end";

    // A new take knows no song end; a voice ahead of the song needs no
    // run-on for its shift, and the card's own mix none at all.
    ASSERT_EQ(RecordWhole(engine, song), ID_CMD_RECORDING_DONE) << engine.GetFailureText();
    EXPECT_GT(mixBytes(), size_t(3 * 88200));
    EXPECT_EQ(engine.CaptureTailMs(), 500);
    SetConfig(config::kVoiceShift, -200);
    ASSERT_EQ(RecordWhole(engine, song, 1), ID_CMD_RECORDING_DONE) << engine.GetFailureText();
    EXPECT_EQ(engine.CaptureTailMs(), 0);
}

TEST_F(Takes, StereoMixingEncodesTheCaptureAloneWithItsChannelsInPlace) {
    InstallMicrophone(PcmBytes(testsupport::MakePcm(
        44100, 2.0, {testsupport::Signal::Sine(kSongTone, 0.4), testsupport::Signal::Sine(kVoiceTone, 0.4)})));
    CRecordingImpl engine;
    engine.SetFinishPause(std::chrono::milliseconds(0));
    ASSERT_EQ(RecordWhole(engine, song, 1), ID_CMD_RECORDING_DONE) << engine.GetFailureText();
    for (const char* name : {recfile::kOriginKvo, recfile::kTmpWav, recfile::kMixCache})
        EXPECT_FALSE(FileExists(Work(name))) << name;
    const auto pcm = DecodeWithMpg123(Work(recfile::kCacheMp3));
    ASSERT_FALSE(pcm.empty());
    EXPECT_GT(ToneLevel(pcm, 0, kSongTone, 0.2, 1.8), 20 * ToneLevel(pcm, 0, kVoiceTone, 0.2, 1.8));
    EXPECT_GT(ToneLevel(pcm, 1, kVoiceTone, 0.2, 1.8), 20 * ToneLevel(pcm, 1, kSongTone, 0.2, 1.8));
    ExpectProgressThenHideThenResult(ID_CMD_RECORDING_DONE, false);
    EXPECT_EQ(microphone->OpenCount(), 2) << "the first take opens the device twice";

    ASSERT_EQ(RecordWhole(engine, song, 1), ID_CMD_RECORDING_DONE);
    EXPECT_EQ(microphone->OpenCount(), 3) << "the warm-up runs once per engine";
    EXPECT_EQ(owner.log->windowsCreated, 2) << "each take after a reset has a window of its own";
}

TEST_F(Takes, ANewStartOrRemixWaitsForTheWorkerAndTheDestructorJoinsIt) {
    {
        CRecordingImpl engine;   // with the pause that lets the bar finish
        EXPECT_EQ(engine.StopRecording(), 0) << "nothing to stop";
        EXPECT_EQ(engine.Remix(), 0) << "nothing recorded yet";
        engine.SetSongPath(song.c_str());
        ASSERT_EQ(engine.StartRecording(&owner, 128, 1), 1);
        EXPECT_EQ(engine.StartRecording(&owner, 128, 1), 0) << "already recording";
        EXPECT_EQ(engine.Remix(), 0) << "a re-mix while capturing";
        ASSERT_TRUE(microphone->WaitUntilFed(30000));
        ASSERT_EQ(engine.StopRecording(), 1);
        EXPECT_TRUE(engine.IsEncoding());
        EXPECT_EQ(engine.StartRecording(&owner, 128, 1), 0);
        EXPECT_EQ(engine.Remix(), 0);
        EXPECT_EQ(engine.IsRecording(), 0);
    }
    // The destructor returned only after the worker posted.
    std::lock_guard<std::mutex> lock(owner.log->mutex);
    ASSERT_EQ(owner.log->commands.size(), 1u);
    EXPECT_EQ(owner.log->commands[0], ID_CMD_RECORDING_DONE);
    EXPECT_EQ(owner.log->windowsDestroyed, 1);
    for (const char* name : {recfile::kCache, recfile::kCacheMp3, recfile::kOriginKvo, recfile::kTmpWav})
        EXPECT_FALSE(FileExists(Work(name))) << name;
}

TEST_F(Takes, AMonoSongOrOneAtAnotherRateMixesWithItsBurstWhereTheStereoSongPutsIt) {
    CRecordingImpl engine;
    engine.SetFinishPause(std::chrono::milliseconds(0));
    SetConfig(config::kVoiceShift, 0);
    ASSERT_EQ(RecordWhole(engine, song), ID_CMD_RECORDING_DONE) << engine.GetFailureText();
    const auto [songAt, voiceAt] = Onsets();
    ASSERT_GT(songAt, 0);

    struct Case {
        int rate;
        int channels;
    };
    for (const Case c : {Case{44100, 1}, Case{48000, 2}, Case{48000, 1}}) {
        SCOPED_TRACE(testing::Message() << c.rate << " Hz, " << c.channels << " channel(s)");
        testsupport::Pcm pcm = testsupport::MakeSilence(c.rate, c.channels, kSongBurst);
        pcm = testsupport::Concat(pcm, testsupport::MakeTone(c.rate, c.channels, 0.4, kSongTone, 0.4));
        pcm = testsupport::Concat(pcm, testsupport::MakeSilence(c.rate, c.channels, 2.0 - kSongBurst - 0.4));
        const std::string other = data.File("other.kvo");
        WriteSong(other, pcm);
        const size_t before = owner.CommandCount();
        ASSERT_EQ(RecordWhole(engine, other), ID_CMD_RECORDING_DONE) << engine.GetFailureText();
        ASSERT_EQ(owner.CommandCount(), before + 1);
        const auto decoded = DecodeWithMpg123(Work(recfile::kCacheMp3));
        ASSERT_FALSE(decoded.empty());
        // Both sides carry the song, and the voice is where it was.
        EXPECT_NEAR(ToneOnset(decoded, 0, kSongTone), songAt, 0.01);
        EXPECT_NEAR(ToneOnset(decoded, 1, kSongTone), songAt, 0.01);
        EXPECT_NEAR(ToneOnset(decoded, 0, kVoiceTone), voiceAt, 0.01);
        EXPECT_GT(ToneLevel(decoded, 1, kSongTone, songAt + 0.1, songAt + 0.3),
                  0.7 * ToneLevel(decoded, 0, kSongTone, songAt + 0.1, songAt + 0.3));
    }
}
