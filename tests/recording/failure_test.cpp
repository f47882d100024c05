// A take that cannot become a recording says so: a song that is missing or
// broken, a capture that cannot start or cannot be written, every encoder
// failure with the encoder's own message, and an error inside the worker.
// None of them passes for a success or leaves the progress window shown.

#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <filesystem>
#include <thread>

#include "kvostudio/folders.h"
#include "kvostudio/include/convert/wavetomp3.h"
#include "tests/recording/recording_fixture.h"
#include "tests/support/kvo_writer.h"
#include "tests/support/mp3_maker.h"
#include "tests/support/temp_files.h"

using namespace rectest;
using testsupport::FileExists;

namespace {

bool StartsWith(const std::string& text, const std::string& head) { return text.rfind(head, 0) == 0; }

class Failures : public RecordingTest {
protected:
    void SetUp() override {
        InstallMicrophone(PcmBytes(BurstPcm(1.0, 0.3, 0.3, 1000)));
        engine.SetFinishPause(std::chrono::milliseconds(0));
    }

    // The run ended with 33771 after the window was hidden, without a
    // finished recording.
    void ExpectFailedRun(const std::optional<unsigned>& code) {
        ASSERT_EQ(code, ID_CMD_RECORDING_FAILED);
        const auto events = owner.Events();
        ASSERT_GE(events.size(), 2u);
        EXPECT_EQ(events[events.size() - 2], "hide");
    }

    CRecordingImpl engine;
};

}  // namespace

TEST_F(Failures, ASongThatCannotBeMixedIsRefusedBeforeTheMicrophoneOpens) {
    const std::string notAContainer = data.File("plain.kvo");
    testsupport::WriteFile(notAContainer, std::vector<uint8_t>(5000, 0x41));
    testsupport::KvoContent content;
    content.tag = testsupport::MakeKvoTag({"Song", "Artist", u"", "", {}});
    content.head = {1, 2, 3, 4};
    content.stream1.assign(20000, 0x00);   // no MPEG frame anywhere
    content.stream2.assign(20000, 0x00);
    const std::string noAudio = data.File("silent.kvo");
    testsupport::WriteFile(noAudio, testsupport::WriteKvo(content));
    struct Case {
        std::string song;
        const char* text;
    };
    const Case cases[] = {{data.File("no such song.kvo"), rectext::kSongUnreadable},
                          {notAContainer, rectext::kSongUnreadable},
                          {noAudio, rectext::kAccompanimentUndecodable},
                          {"", rectext::kSongUnreadable}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.song);
        engine.SetSongPath(c.song.c_str());
        EXPECT_EQ(engine.StartRecording(&owner, 128, 0), 0);
        EXPECT_EQ(engine.IsRecording(), 0);
        EXPECT_TRUE(StartsWith(engine.GetFailureText(), c.text)) << engine.GetFailureText();
        EXPECT_EQ(microphone->OpenCount(), 1) << "only the warm-up opened the microphone";
        for (const char* name : {recfile::kCache, recfile::kOriginKvo, recfile::kParseMp3, recfile::kTmpWav})
            EXPECT_FALSE(FileExists(Work(name))) << name;
    }
    EXPECT_EQ(engine.Remix(), 0) << "no take to mix again";
    EXPECT_EQ(owner.CommandCount(), 0u);
}

TEST_F(Failures, ACaptureThatCannotOpenNamesTheDeviceOrTheFileAndLeavesNoWorkFile) {
    platform::SimCaptureScript broken;
    broken.openResult = platform::CaptureResult::OpenFailed;
    broken.deviceNames = {"USB headset"};
    platform::InstallCaptureBackend(std::make_shared<platform::SimCaptureBackend>(broken));
    const std::string song = data.File("song.kvo");
    WriteSong(song, BurstPcm(1.0, 0.3, 0.3, 600));
    engine.SetSongPath(song.c_str());
    EXPECT_EQ(engine.StartRecording(&owner, 128, 0), 0);
    EXPECT_EQ(engine.IsRecording(), 0);
    EXPECT_EQ(engine.StopRecording(), 0);
    const std::string text = engine.GetFailureText();
    EXPECT_TRUE(StartsWith(text, rectext::kNoCapture)) << text;
    EXPECT_NE(text.find("input device \"USB headset\""), std::string::npos) << text;
    EXPECT_NE(text.find(platform::CaptureResultText(platform::CaptureResult::OpenFailed)), std::string::npos)
        << text;
    EXPECT_EQ(owner.CommandCount(), 0u);
    for (const auto& entry : std::filesystem::directory_iterator(data.Path())) {
        const std::string name = entry.path().filename().string();
        EXPECT_TRUE(name == "config.ini" || name == "song.kvo") << name << " was left in the data folder";
    }

    // A work file that cannot be made is told apart from the device.
    InstallMicrophone(PcmBytes(BurstPcm(1.0, 0.3, 0.3, 1000)));
    std::filesystem::create_directory(Work(recfile::kCache));
    EXPECT_EQ(engine.StartRecording(&owner, 128, 1), 0);
    EXPECT_NE(engine.GetFailureText().find("work file " + Work(recfile::kCache)), std::string::npos)
        << engine.GetFailureText();
    std::filesystem::remove(Work(recfile::kCache));
}

TEST_F(Failures, ACaptureThatRunsOutOfDiskFailsAtTheStop) {
    ASSERT_EQ(RecordWhole(engine, "", 1), ID_CMD_RECORDING_DONE) << engine.GetFailureText();
    InstallMicrophone(PcmBytes(BurstPcm(3.0, 0.3, 0.3, 1000)));
    // The header and the first second fit; the second second does not.
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 300000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    engine.SetSongPath("");
    const int started = engine.StartRecording(&owner, 128, 1);
    bool fed = started && microphone->WaitUntilFed(30000);
    // The notice thread writes after the feed: wait until it met the limit.
    for (int i = 0; fed && i < 3000; ++i) {
        std::error_code error;
        if (std::filesystem::file_size(Work(recfile::kCache), error) >= small.rlim_cur) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, previousHandler);
    ASSERT_EQ(started, 1);
    ASSERT_TRUE(fed);
    ASSERT_EQ(engine.StopRecording(), 1);
    ExpectFailedRun(owner.WaitForCommand(1));
    EXPECT_EQ(engine.GetFailureText(), rectext::kCaptureIncomplete);
    EXPECT_FALSE(FileExists(Work(recfile::kCacheMp3)));
}

TEST_F(Failures, EveryEncoderFailureFailsWithTheEncodersMessage) {
    const std::string bin = GetProgramFolder();
    struct Case {
        std::string module;   // empty: the real one
        bool targetIsFolder;
        const char* text;
    };
    const Case cases[] = {
        {bin + "no_such_lame_enc.so", false, kLameLoadErrorText},
        {bin + "fake_lame_no_close.so", false, kLameFuncErrorText},
        {bin + "fake_lame_init_fails.so", false, rectext::kEncodeFailed},
        {bin + "fake_lame_encode_fails.so", false, rectext::kEncodeFailed},
        {"", true, kLameOpenErrorText},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.module);
        ScopedEnv env;
        if (!c.module.empty()) env.Set(kLameModuleEnv, c.module);
        if (c.targetIsFolder) {
            std::filesystem::create_directory(Work(recfile::kCacheMp3));
            testsupport::WriteFile(Work(recfile::kCacheMp3) + "/keep", {1});
        }
        ExpectFailedRun(RecordWhole(engine, "", 1));
        EXPECT_EQ(engine.GetFailureText(), c.text);
        std::filesystem::remove_all(Work(recfile::kCacheMp3));
    }
    // And the next take, with the encoder back, succeeds.
    ASSERT_EQ(RecordWhole(engine, "", 1), ID_CMD_RECORDING_DONE);
    EXPECT_TRUE(engine.GetFailureText().empty());
}

TEST_F(Failures, AnErrorInsideTheWorkerHidesTheWindowAndFails) {
    owner.log->throwOnTarget = true;
    ExpectFailedRun(RecordWhole(engine, "", 1));
    EXPECT_TRUE(StartsWith(engine.GetFailureText(), rectext::kInternal)) << engine.GetFailureText();
    owner.log->throwOnTarget = false;
    ASSERT_EQ(RecordWhole(engine, "", 1), ID_CMD_RECORDING_DONE) << "the engine is usable again";
}
