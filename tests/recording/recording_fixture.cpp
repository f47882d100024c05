#include "tests/recording/recording_fixture.h"

#include <cmath>

#include "kvostudio/settings.h"
#include "tests/support/command_output.h"
#include "tests/support/kvo_writer.h"
#include "tests/support/mp3_maker.h"
#include "tests/support/temp_files.h"

namespace rectest {

using testsupport::Pcm;

Pcm BurstPcm(double seconds, double at, double length, double frequency, double amplitude) {
    Pcm pcm = testsupport::MakeSilence(kRate, 2, at);
    pcm = testsupport::Concat(pcm, testsupport::MakeTone(kRate, 2, length, frequency, amplitude));
    return testsupport::Concat(pcm, testsupport::MakeSilence(kRate, 2, seconds - at - length));
}

std::vector<uint8_t> PcmBytes(const Pcm& pcm) {
    std::vector<uint8_t> bytes(pcm.samples.size() * 2);
    for (size_t i = 0; i < pcm.samples.size(); ++i) {
        const uint16_t v = uint16_t(pcm.samples[i]);
        bytes[2 * i] = uint8_t(v);
        bytes[2 * i + 1] = uint8_t(v >> 8);
    }
    return bytes;
}

void WriteSong(const std::string& path, const Pcm& accompaniment) {
    testsupport::KvoContent content;
    content.tag = testsupport::MakeKvoTag({"Song", "Artist", u"", "", {}});
    content.head = {1, 2, 3, 4};
    content.stream1 = testsupport::MakeMp3(accompaniment);
    // The vocal in the accompaniment's layout: the player plays both in step.
    content.stream2 = testsupport::MakeMp3(
        testsupport::MakeSilence(accompaniment.sampleRate, accompaniment.channels, accompaniment.Seconds()));
    content.pieceSize = 4000;
    testsupport::WriteFile(path, testsupport::WriteKvo(content));
}

namespace {

// Goertzel power of the frequency over each 10 ms of one channel.
std::vector<double> TonePowers(const std::vector<int16_t>& stereo, int channel, double frequency) {
    const size_t window = kRate / 100;
    const size_t frames = stereo.size() / 2;
    const double coeff = 2 * std::cos(2 * M_PI * frequency / kRate);
    std::vector<double> powers;
    for (size_t start = 0; start + window <= frames; start += window) {
        double s1 = 0, s2 = 0;
        for (size_t i = 0; i < window; ++i) {
            const double s = stereo[2 * (start + i) + size_t(channel)] + coeff * s1 - s2;
            s2 = s1;
            s1 = s;
        }
        powers.push_back(s1 * s1 + s2 * s2 - coeff * s1 * s2);
    }
    return powers;
}

}  // namespace

double ToneOnset(const std::vector<int16_t>& stereo, int channel, double frequency) {
    const auto powers = TonePowers(stereo, channel, frequency);
    double peak = 0;
    for (double p : powers) peak = std::max(peak, p);
    if (peak <= 1e6) return -1;
    for (size_t i = 0; i < powers.size(); ++i)
        if (powers[i] >= peak / 16) return double(i) / 100;   // a quarter of the amplitude
    return -1;
}

double ToneLevel(const std::vector<int16_t>& stereo, int channel, double frequency, double from, double to) {
    const auto powers = TonePowers(stereo, channel, frequency);
    double sum = 0;
    int n = 0;
    for (size_t i = size_t(from * 100); i < powers.size() && double(i) / 100 < to; ++i, ++n) sum += powers[i];
    return n ? std::sqrt(sum / n) : 0;
}

std::vector<int16_t> DecodeWithMpg123(const std::string& mp3Path) {
    const auto out = testsupport::CommandOutput({"mpg123", "-q", "-s", "-r", "44100", "--stereo", mp3Path});
    if (!out) return {};
    std::vector<int16_t> samples(out->size() / 2);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = int16_t(uint16_t(uint8_t((*out)[2 * i]) | uint8_t((*out)[2 * i + 1]) << 8));
    return samples;
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
