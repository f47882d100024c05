#include "tests/recording/recording_fixture.h"

#include "kvostudio/settings.h"
#include "tests/support/temp_files.h"

namespace rectest {

using testsupport::Pcm;

Pcm BurstPcm(double seconds, double at, double length, double frequency, double amplitude) {
    return testsupport::BurstPcm(kRate, 2, seconds, at, length, frequency, amplitude);
}

void WriteSong(const std::string& path, const Pcm& accompaniment) {
    testsupport::WriteFile(path, testsupport::SongKvo(accompaniment, {"Song", "Artist", u"", "", {}}));
}

std::shared_ptr<platform::SimCaptureBackend> RecordingTest::InstallMicrophone(std::vector<uint8_t> bytes) {
    platform::SimCaptureScript script;
    script.bytes = std::move(bytes);
    script.chunkSizes = {17640};
    microphone = std::make_shared<platform::SimCaptureBackend>(script);
    platform::InstallCaptureBackend(microphone);
    return microphone;
}

void RecordingTest::SetConfig(const char* key, float value) {
    ASSERT_TRUE(WriteConfigFloat(config::kRecord, key, value));
}

std::optional<unsigned> RecordingTest::RecordWhole(CRecordingImpl& engine, const std::string& song, int mixingType,
                                                   int bitrate) {
    const size_t before = owner.CommandCount();
    engine.SetSongPath(song.c_str());
    if (engine.StartRecording(&owner, bitrate, mixingType) != 1) {
        ADD_FAILURE() << "the capture did not start: " << engine.GetFailureText();
        return std::nullopt;
    }
    engine.SetStartOffset(0);
    EXPECT_TRUE(microphone->WaitUntilFed(30000));
    engine.SetStopPosition(2);
    EXPECT_EQ(engine.StopRecording(), 1);
    return owner.WaitForCommand(before);
}

}  // namespace rectest
