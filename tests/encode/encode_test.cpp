// A WAV encoded through the encoder module must come out as the MP3 the
// recording is published as: 44100 Hz stereo at the chosen bit rate, CRC-
// protected, the same length, and sounding like what went in.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "kvostudio/include/convert/wavetomp3.h"
#include "tests/encode/encode_helpers.h"
#include "tests/support/mp3_maker.h"

using namespace testsupport;
using namespace encodetest;

namespace {

// Left and right carry different tones, so that swapped or shifted
// channels show.
Pcm TwoTones(double seconds) { return MakePcm(44100, seconds, {Signal::Sine(440.0, 0.5), Signal::Sine(1000.0, 0.25)}); }

void ExpectTones(const DecodedMp3& d)
{
    ASSERT_EQ(d.channels, 2);
    ASSERT_GT(d.SampleFrames(), 44100u * 2);
    const double levelLeft = 20 * std::log10(0.5 / std::sqrt(2.0));
    const double levelRight = 20 * std::log10(0.25 / std::sqrt(2.0));
    for (int c = 0; c < 2; ++c) {
        auto x = Channel(d.samples, 2, c);
        std::vector<double> mid(x.begin() + 22050, x.begin() + 22050 + 44100);
        EXPECT_NEAR(EstimateFrequency(mid, 44100), c == 0 ? 440.0 : 1000.0, 0.5) << "channel " << c;
        EXPECT_NEAR(RmsDb(mid), c == 0 ? levelLeft : levelRight, 1.0) << "channel " << c;
    }
}

class EncodeTest : public testing::Test {
protected:
    void SetUp() override { unsetenv(kLameModuleEnv); }
    TempDir dir;
};

}  // namespace

TEST_F(EncodeTest, EveryBitRateGivesPublishableStereoMp3)
{
    const Pcm in = TwoTones(3.0);
    WriteFile(dir.File("in.wav"), WavBytes(in));
    const bool haveProbe = !RunCommand("command -v ffprobe").empty();
    for (int kbps : {64, 128, 192}) {
        SCOPED_TRACE(kbps);
        const std::string out = dir.File("out" + std::to_string(kbps) + ".mp3");
        ASSERT_EQ(EncodeMp3(dir.File("in.wav").c_str(), out.c_str(), kbps, nullptr), 1);
        const auto mp3 = ReadFile(out);

        const auto frames = WalkFrames(mp3);
        ASSERT_FALSE(frames.empty());
        for (const FrameHeader& h : frames) {
            ASSERT_EQ(h.sampleRate, 44100);
            ASSERT_EQ(h.bitrateKbps, kbps);
            ASSERT_EQ(h.mode, 0);  // plain stereo, not joint
            ASSERT_TRUE(h.crc);
            ASSERT_FALSE(h.privateBit || h.copyright || h.original);
        }

        if (haveProbe) {
            const std::string probe = RunCommand("ffprobe -v error -select_streams a:0 -show_entries "
                                                 "stream=codec_name,sample_rate,channels,bit_rate -of default=nw=1 '" +
                                                 out + "'");
            EXPECT_NE(probe.find("codec_name=mp3"), std::string::npos) << probe;
            EXPECT_NE(probe.find("sample_rate=44100"), std::string::npos) << probe;
            EXPECT_NE(probe.find("channels=2"), std::string::npos) << probe;
            EXPECT_NE(probe.find("bit_rate=" + std::to_string(kbps * 1000)), std::string::npos) << probe;
        }

        const DecodedMp3 d = DecodeMp3(mp3);
        EXPECT_EQ(d.errors, 0u);
        EXPECT_EQ(d.frames, frames.size());
        const long extra = long(d.SampleFrames()) - kCodecDelayFrames - long(in.Frames());
        EXPECT_LE(std::labs(extra), 1152) << "decoded " << d.SampleFrames() << " for " << in.Frames();
        ExpectTones(d);
    }
}

TEST_F(EncodeTest, OnlyTheSamplesOfACaptureAreEncoded)
{
    // A capture as the recorder writes it: an 18-byte fmt chunk, so the
    // samples start at byte 46. Taken as samples, those 46 header bytes
    // would move every later value by one channel and start with a click.
    const Pcm in = TwoTones(2.0);
    auto wav = WavBytes(in);
    wav[16] = 18;
    wav.insert(wav.begin() + 36, {0, 0});
    wav[4] += 2;
    WriteFile(dir.File("capture.wav"), wav);
    ASSERT_EQ(EncodeMp3(dir.File("capture.wav").c_str(), dir.File("capture.mp3").c_str(), 128, nullptr), 1);
    const DecodedMp3 d = DecodeMp3(ReadFile(dir.File("capture.mp3")));
    ExpectTones(d);
    // Header bytes read as samples are loud ("RIFF" alone is 18770, 17993):
    // nothing before the tone's onset may come near that.
    auto left = Channel(d.samples, 2, 0);
    for (long i = 0; i < kCodecDelayFrames - 64; ++i) ASSERT_LT(std::fabs(left[i]), 1000.0) << i;
}

TEST_F(EncodeTest, EmptyAndHeaderlessSources)
{
    RecordingObserver obs;
    WriteFile(dir.File("empty.wav"), WavBytes(Pcm{}));
    ASSERT_EQ(EncodeMp3(dir.File("empty.wav").c_str(), dir.File("empty.mp3").c_str(), 128, &obs), 1);
    EXPECT_EQ(obs.total, 0);
    EXPECT_TRUE(obs.done.empty());
    EXPECT_TRUE(obs.errors.empty());

    // Raw samples without any header are encoded whole.
    const Pcm in = TwoTones(2.0);
    auto raw = WavBytes(in);
    raw.erase(raw.begin(), raw.begin() + 44);
    WriteFile(dir.File("raw.pcm"), raw);
    ASSERT_EQ(EncodeMp3(dir.File("raw.pcm").c_str(), dir.File("raw.mp3").c_str(), 128, nullptr), 1);
    ExpectTones(DecodeMp3(ReadFile(dir.File("raw.mp3"))));
}

TEST_F(EncodeTest, ProgressCountsTheSampleBytes)
{
    const Pcm in = TwoTones(1.3);
    auto wav = WavBytes(in);
    wav.push_back(0x11);  // an odd trailing byte outside the samples' whole frames
    wav[40] += 1;
    WriteFile(dir.File("in.wav"), wav);
    RecordingObserver obs;
    ASSERT_EQ(EncodeMp3(dir.File("in.wav").c_str(), dir.File("out.mp3").c_str(), 192, &obs), 1);
    const int64_t dataBytes = int64_t(in.samples.size()) * 2 + 1;
    EXPECT_EQ(obs.total, dataBytes);
    ASSERT_FALSE(obs.done.empty());
    EXPECT_EQ(obs.done.back(), dataBytes);
    EXPECT_TRUE(std::is_sorted(obs.done.begin(), obs.done.end()));
    // A report at the top of every pass, one for the flush pass, one at 100 %.
    EXPECT_EQ(obs.reports, int(obs.done.size()) + 2);
}

TEST_F(EncodeTest, ABitRateTheEncoderCannotDoFailsQuietly)
{
    WriteFile(dir.File("in.wav"), WavBytes(TwoTones(0.2)));
    RecordingObserver obs;
    EXPECT_EQ(EncodeMp3(dir.File("in.wav").c_str(), dir.File("out.mp3").c_str(), 100, &obs), 0);
    EXPECT_EQ(EncodeMp3(dir.File("in.wav").c_str(), dir.File("out.mp3").c_str(), 0, &obs), 0);
    EXPECT_TRUE(obs.errors.empty());
}
