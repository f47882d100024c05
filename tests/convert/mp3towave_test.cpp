// The accompaniment decoded to WAV must be the whole stream on the song's
// timeline: the same samples a reference decoder gives, at the stream's own
// rate and layout, and no shorter when a frame is damaged.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>

#include "kvostudio/include/convert/mp3towave.h"
#include "kvostudio/include/convert/wavedata.h"
#include "tests/support/kvo_writer.h"
#include "tests/support/mp3_maker.h"

using namespace testsupport;

namespace {

struct Wav {
    uint16_t channels = 0;
    uint32_t rate = 0;
    std::vector<int16_t> samples;
};

uint32_t Le32(const std::vector<uint8_t>& b, size_t at)
{
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}

// Reads any PCM WAV (mpg123's included) through its chunks.
Wav ReadWav(const std::string& path)
{
    Wav w;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        ADD_FAILURE() << "no file " << path;
        return w;
    }
    WaveDataSpan span;
    const int64_t size = OpenFileSize(f);
    EXPECT_EQ(FindWaveData(f, static_cast<uint64_t>(size), &span), WaveDataResult::Found) << path;
    w.channels = span.channels;
    w.rate = span.sampleRate;
    w.samples.resize(span.size / 2);
    fseeko(f, static_cast<off_t>(span.offset), SEEK_SET);
    EXPECT_EQ(std::fread(w.samples.data(), 2, w.samples.size(), f), w.samples.size());
    std::fclose(f);
    return w;
}

// The header the program writes: 44 bytes, fmt size 16, sizes that agree.
void ExpectPlainHeader(const std::string& path, uint16_t channels, uint32_t rate)
{
    const auto b = ReadFile(path);
    ASSERT_GE(b.size(), 44u);
    EXPECT_EQ(std::memcmp(b.data(), "RIFF", 4), 0);
    EXPECT_EQ(Le32(b, 4), b.size() - 8);
    EXPECT_EQ(std::memcmp(b.data() + 8, "WAVEfmt ", 8), 0);
    EXPECT_EQ(Le32(b, 16), 16u);
    EXPECT_EQ(b[20] | b[21] << 8, 1);
    EXPECT_EQ(b[22] | b[23] << 8, channels);
    EXPECT_EQ(Le32(b, 24), rate);
    EXPECT_EQ(Le32(b, 28), rate * channels * 2);
    EXPECT_EQ(b[32] | b[33] << 8, channels * 2);
    EXPECT_EQ(b[34] | b[35] << 8, 16);
    EXPECT_EQ(std::memcmp(b.data() + 36, "data", 4), 0);
    EXPECT_EQ(Le32(b, 40), b.size() - 44);
}

int Shell(const std::string& command) { return std::system(command.c_str()); }

class Mp3ToWaveTest : public testing::Test {
protected:
    int Convert(const std::string& mp3, const std::string& wav = "out.wav")
    {
        return converter.Convert(dir.File(mp3).c_str(), dir.File(wav).c_str());
    }
    TempDir dir;
    mp3toWave converter;
};

}  // namespace

TEST_F(Mp3ToWaveTest, SameSamplesAsMpg123OnALameFile)
{
    if (Shell("command -v lame >/dev/null && command -v mpg123 >/dev/null") != 0) GTEST_SKIP() << "lame or mpg123 missing";
    const Pcm in = Concat(MakeNoise(44100, 2, 1.0, 0.2), MakePcm(44100, 2.0, {Signal::Sine(440, 0.5), Signal::Sine(660, 0.3)}));
    WriteFile(dir.File("in.wav"), WavBytes(in));
    ASSERT_EQ(Shell("lame --quiet -b 128 '" + dir.File("in.wav") + "' '" + dir.File("song.mp3") + "'"), 0);
    ASSERT_EQ(Shell("mpg123 -q --no-gapless -w '" + dir.File("ref.wav") + "' '" + dir.File("song.mp3") + "'"), 0);

    ASSERT_EQ(Convert("song.mp3"), 0);
    ExpectPlainHeader(dir.File("out.wav"), 2, 44100);
    const Wav ours = ReadWav(dir.File("out.wav"));
    const Wav ref = ReadWav(dir.File("ref.wav"));
    ASSERT_EQ(ref.channels, 2);
    const long diff = long(ours.samples.size() / 2) - long(ref.samples.size() / 2);
    EXPECT_LE(std::labs(diff), 1152);
    const size_t common = std::min(ours.samples.size(), ref.samples.size());
    int worst = 0;
    size_t worstAt = 0;
    for (size_t i = 0; i < common; ++i) {
        const int d = std::abs(int(ours.samples[i]) - int(ref.samples[i]));
        if (d > worst) worst = d, worstAt = i;
    }
    EXPECT_LE(worst, 1) << "at value " << worstAt;
}

TEST_F(Mp3ToWaveTest, MonoAndLowRateStreamsKeepTheirFormat)
{
    struct Case { int rate; int channels; int kbps; };
    for (const Case c : {Case{44100, 1, 96}, Case{22050, 2, 64}, Case{22050, 1, 32}}) {
        SCOPED_TRACE(testing::Message() << c.rate << " Hz " << c.channels << " ch");
        const Pcm in = MakeTone(c.rate, c.channels, 2.0, 500.0, 0.5);
        Mp3Options o;
        o.bitrateKbps = c.kbps;
        const auto mp3 = MakeMp3(in, o);
        WriteFile(dir.File("s.mp3"), mp3);
        ASSERT_EQ(Convert("s.mp3"), 0);
        ExpectPlainHeader(dir.File("out.wav"), uint16_t(c.channels), uint32_t(c.rate));
        const Wav w = ReadWav(dir.File("out.wav"));
        // The Info frame is not audio; everything else is, sample for sample.
        // (lame leaves it out where a frame is too small to hold it.)
        const std::string head(mp3.begin(), mp3.begin() + 64);
        const bool info = head.find("Info") != std::string::npos;
        const DecodedMp3 ref = DecodeMp3(mp3);
        const size_t skip = info ? (c.rate >= 32000 ? 1152 : 576) * c.channels : 0;
        ASSERT_EQ(w.samples.size() + skip, ref.samples.size());
        EXPECT_TRUE(std::equal(w.samples.begin(), w.samples.end(), ref.samples.begin() + skip));
        auto x = Channel(w.samples, c.channels, 0);
        EXPECT_NEAR(EstimateFrequency({x.begin() + c.rate / 2, x.begin() + c.rate}, c.rate), 500.0, 1.0);
    }
}

TEST_F(Mp3ToWaveTest, DamagedFramesKeepTheTimeline)
{
    Mp3Options o;
    o.crc = true;
    o.infoFrame = false;
    const Pcm in = MakeTone(44100, 2, 3.0, 440.0, 0.5);
    const auto mp3 = MakeMp3(in, o);
    const size_t frameBytes = 144 * 128000 / 44100;  // 417 or 418 with padding
    WriteFile(dir.File("good.mp3"), mp3);
    ASSERT_EQ(Convert("good.mp3", "good.wav"), 0);
    const size_t goodLength = ReadWav(dir.File("good.wav")).samples.size();

    // Side information broken under its CRC, in the middle of the stream.
    auto crc = mp3;
    const size_t middle = crc.size() / 2;
    size_t at = middle;
    while (!(crc[at] == 0xFF && (crc[at + 1] & 0xFE) == 0xFA)) ++at;
    crc[at + 8] ^= 0x5A;
    crc[at + 9] ^= 0xA5;
    WriteFile(dir.File("crc.mp3"), crc);
    ASSERT_EQ(Convert("crc.mp3", "crc.wav"), 0);
    EXPECT_EQ(ReadWav(dir.File("crc.wav")).samples.size(), goodLength);

    // A frame header wiped out, and then two whole frames overwritten.
    for (size_t wipe : {size_t(4), 2 * frameBytes + 4}) {
        SCOPED_TRACE(wipe);
        auto lost = mp3;
        std::memset(&lost[at], 0, wipe);
        WriteFile(dir.File("lost.mp3"), lost);
        ASSERT_EQ(Convert("lost.mp3", "lost.wav"), 0);
        const Wav w = ReadWav(dir.File("lost.wav"));
        EXPECT_EQ(w.samples.size(), goodLength);
        // The tail is still the tone, in place.
        auto x = Channel(w.samples, 2, 0);
        const auto ref = Channel(ReadWav(dir.File("good.wav")).samples, 2, 0);
        EXPECT_EQ(std::vector<double>(x.end() - 2000, x.end()), std::vector<double>(ref.end() - 2000, ref.end()));
    }
}

TEST_F(Mp3ToWaveTest, LeadingTagOfASplitAccompanimentIsSkipped)
{
    const Pcm in = MakeTone(44100, 2, 1.0, 440.0, 0.5);
    Mp3Options o;
    o.infoFrame = false;
    const auto mp3 = MakeMp3(in, o);
    KvoTagFields t;
    t.title = "Title";
    t.lyrics = u"lyrics that hold \xFF\xFB bytes like a frame sync";
    auto tagged = MakeKvoTag(t);
    tagged.insert(tagged.end(), mp3.begin(), mp3.end());
    WriteFile(dir.File("plain.mp3"), mp3);
    WriteFile(dir.File("tagged.mp3"), tagged);
    ASSERT_EQ(Convert("plain.mp3", "plain.wav"), 0);
    ASSERT_EQ(Convert("tagged.mp3", "tagged.wav"), 0);
    EXPECT_EQ(ReadFile(dir.File("plain.wav")), ReadFile(dir.File("tagged.wav")));
}

TEST_F(Mp3ToWaveTest, FailuresLeaveNoWav)
{
    WriteFile(dir.File("out.wav"), {1, 2, 3});
    EXPECT_EQ(Convert("missing.mp3"), mp3toWave::kNoInput);
    EXPECT_EQ(converter.LastError(), "File not Found - " + dir.File("missing.mp3"));
    EXPECT_FALSE(FileExists(dir.File("out.wav")));

    WriteFile(dir.File("junk.mp3"), std::vector<uint8_t>(5000, 0x42));
    EXPECT_EQ(Convert("junk.mp3"), mp3toWave::kNoAudio);
    EXPECT_FALSE(FileExists(dir.File("out.wav")));
    WriteFile(dir.File("empty.mp3"), {});
    EXPECT_EQ(Convert("empty.mp3"), mp3toWave::kNoAudio);

    WriteFile(dir.File("ok.mp3"), MakeMp3(MakeTone(44100, 2, 0.3, 440.0, 0.5)));
    EXPECT_EQ(converter.Convert(dir.File("ok.mp3").c_str(), dir.File("no/folder/out.wav").c_str()),
              mp3toWave::kWriteFailed);
    // A second conversion on the same object starts afresh.
    EXPECT_EQ(Convert("ok.mp3"), 0);
    EXPECT_TRUE(converter.LastError().empty());
}
