// Opening streams of every kind the songs come in: rates, constant and
// variable bit rates with their VBR headers, tags around the audio.

#include <cmath>
#include <cstring>

#include "tests/player/player_fixture.h"

using namespace playertest;

namespace {

struct Format {
    int rate;
    bool vbr;
    bool infoFrame;
};

// The true length of a stream: its audio frames (a VBR header frame decodes
// as silence and is not counted).
double TrueLengthMs(const std::vector<uint8_t>& mp3, bool headerFrame)
{
    const auto decoded = testsupport::DecodeMp3(mp3);
    const size_t frames = decoded.frames - (headerFrame ? 1 : 0);
    const int spf = decoded.sampleRate >= 32000 ? 1152 : 576;
    return double(frames) * spf * 1000.0 / decoded.sampleRate;
}

// A VBRI header frame as some encoders write it: a silent frame with the
// header 32 bytes after the frame header.
std::vector<uint8_t> VbriFrame(uint32_t frames, uint32_t bytes)
{
    // MPEG-1 layer III, 128 kbit/s, 44100 Hz, no padding, joint stereo: 417 bytes.
    std::vector<uint8_t> f(417, 0);
    f[0] = 0xFF;
    f[1] = 0xFB;
    f[2] = 0x90;
    f[3] = 0x64;
    uint8_t* v = f.data() + 36;
    auto be16 = [](uint8_t* p, uint32_t x) { p[0] = uint8_t(x >> 8); p[1] = uint8_t(x); };
    auto be32 = [](uint8_t* p, uint32_t x) { p[0] = uint8_t(x >> 24); p[1] = uint8_t(x >> 16); p[2] = uint8_t(x >> 8); p[3] = uint8_t(x); };
    std::memcpy(v, "VBRI", 4);
    be16(v + 4, 1);        // version
    be16(v + 6, 0);        // delay
    be16(v + 8, 75);       // quality
    be32(v + 10, bytes);
    be32(v + 14, frames);
    const uint32_t entries = 10;
    be16(v + 18, entries);
    be16(v + 20, 1);       // scale
    be16(v + 22, 2);       // bytes per entry
    be16(v + 24, (frames + entries - 1) / entries);  // frames per entry
    for (uint32_t i = 0; i < entries; ++i)
        be16(v + 26 + 2 * i, bytes / entries);
    return f;
}

class PlayerOpen : public SimulatedDevice {};

}  // namespace

TEST_F(PlayerOpen, RatesAndBitRateModesOpenWithTheirTrueLength)
{
    const Format formats[] = {
        {44100, false, true}, {44100, false, false}, {48000, false, true},
        {22050, false, true}, {44100, true, true},   {48000, true, true},
        {22050, true, true},  {11025, false, true},
    };
    for (const Format& f : formats) {
        testsupport::Mp3Options options;
        options.vbr = f.vbr;
        options.infoFrame = f.infoFrame;
        options.bitrateKbps = f.rate < 32000 ? 64 : 128;
        const auto mp3 = testsupport::MakeMp3(testsupport::MakeNoise(f.rate, 2, 3.0, 0.2), options);
        PlayerPtr player;
        ASSERT_EQ(player->OpenStream(1, 0, mp3.data(), mp3.size(), mp3.data(), mp3.size(), 500), 1)
            << f.rate << " vbr " << f.vbr << ": " << player->GetError();
        MP3_TIME length;
        player->GetSongLengthHMS(&length);
        const double frameMs = (f.rate >= 32000 ? 1152.0 : 576.0) * 1000 / f.rate;
        // Without a VBR header a variable stream's length is estimated from
        // its first frames; with one, or at a constant rate, it is exact.
        const double tolerance = (f.vbr && !f.infoFrame) ? 0.1 * TrueLengthMs(mp3, false) : frameMs;
        EXPECT_NEAR(double(length.ms), TrueLengthMs(mp3, f.infoFrame), tolerance) << f.rate << " vbr " << f.vbr;
        MP3_STREAM_INFO info;
        ASSERT_EQ(player->GetMp3Info(&info), 1);
        EXPECT_EQ(info.nSampleRate, uint32_t(f.rate));
        EXPECT_EQ(info.nLayer, 4);
        EXPECT_EQ(info.nMPEGVersion, f.rate >= 32000 ? 1 : (f.rate >= 16000 ? 2 : 4));
    }
}

TEST_F(PlayerOpen, AVbriHeaderGivesTheFrameCount)
{
    testsupport::Mp3Options options;
    options.vbr = true;
    options.infoFrame = false;
    const auto audio = testsupport::MakeMp3(testsupport::MakeNoise(44100, 2, 3.0, 0.2), options);
    const auto decoded = testsupport::DecodeMp3(audio);
    auto mp3 = VbriFrame(uint32_t(decoded.frames), uint32_t(audio.size()));
    mp3.insert(mp3.end(), audio.begin(), audio.end());
    PlayerPtr player;
    ASSERT_EQ(player->OpenStream(1, 0, mp3.data(), mp3.size(), mp3.data(), mp3.size(), 500), 1)
        << player->GetError();
    MP3_TIME length;
    player->GetSongLengthHMS(&length);
    EXPECT_NEAR(double(length.ms), double(decoded.frames) * 1152 * 1000 / 44100, 26.2);
    EXPECT_EQ(length.frames, decoded.frames);
}

TEST_F(PlayerOpen, TagsAroundTheAudioAreSkipped)
{
    const auto audio = ToneMp3(440, 1.0);
    // An ID3v2 tag of 100 bytes of frames in front, an ID3v1 tag behind.
    std::vector<uint8_t> mp3 = {'I', 'D', '3', 3, 0, 0, 0, 0, 0, 100};
    mp3.resize(110, 0);
    mp3.insert(mp3.end(), audio.begin(), audio.end());
    std::vector<uint8_t> v1(128, ' ');
    std::memcpy(v1.data(), "TAG", 3);
    mp3.insert(mp3.end(), v1.begin(), v1.end());

    PlayerPtr plain, tagged;
    ASSERT_EQ(plain->OpenStream(1, 0, audio.data(), audio.size(), audio.data(), audio.size(), 500), 1);
    ASSERT_EQ(tagged->OpenStream(1, 0, mp3.data(), mp3.size(), mp3.data(), mp3.size(), 500), 1)
        << tagged->GetError();
    MP3_TIME a, b;
    plain->GetSongLengthHMS(&a);
    tagged->GetSongLengthHMS(&b);
    EXPECT_EQ(a.ms, b.ms);
    EXPECT_EQ(a.bytes, b.bytes);
}

TEST_F(PlayerOpen, AStreamThatChangesLayerPlaysTheLayerHoldingMostOfItsTimeForItsLength)
{
    // 0.87 s of Layer I frames, then five seconds of a Layer III tone; and
    // the other way round, the Layer I frames behind the tone.
    const auto tone = ToneMp3(440, 5.0, 0.3);
    const auto layerOne = testsupport::MakeSilentLayerOneFrames(100);
    std::vector<uint8_t> before = layerOne;
    before.insert(before.end(), tone.begin(), tone.end());
    std::vector<uint8_t> behind = tone;
    behind.insert(behind.end(), layerOne.begin(), layerOne.end());
    const double toneMs = TrueLengthMs(tone, true);
    for (const auto* mixed : {&before, &behind}) {
        SCOPED_TRACE(mixed == &before ? "Layer I first" : "Layer I behind");
        PlayerPtr player;
        ASSERT_EQ(player->OpenStream(1, 0, mixed->data(), mixed->size(), mixed->data(), mixed->size(), 500), 1)
            << player->GetError();
        MP3_TIME length;
        player->GetSongLengthHMS(&length);
        EXPECT_NEAR(double(length.ms), toneMs, 30.0);
        const std::vector<uint8_t> played = PlayToEnd(player.p, *sim);
        const double seconds = double(played.size()) / 4 / 44100;
        EXPECT_GT(seconds, toneMs / 1000 - 0.05);
        EXPECT_LT(seconds, toneMs / 1000 + 0.3);
        // The tone sounds all along: its middle second is loud.
        const auto* samples = reinterpret_cast<const int16_t*>(played.data());
        const size_t middle = played.size() / 4;
        double energy = 0;
        for (size_t k = 0; k < 44100 && middle + k < played.size() / 2; ++k)
            energy += double(samples[middle + k]) * samples[middle + k];
        EXPECT_GT(std::sqrt(energy / 44100), 3000.0);
    }
}

TEST_F(PlayerOpen, BufferLengthRules)
{
    const auto mp3 = ToneMp3(440, 1.0);
    PlayerPtr player;
    EXPECT_EQ(player->OpenStream(1, 0, mp3.data(), mp3.size(), mp3.data(), mp3.size(), 199), 0);
    EXPECT_STREQ(player->GetError(), "_Open->Buffer can't be smaller than 200 ms");
    EXPECT_EQ(player->OpenStream(1, 0, mp3.data(), mp3.size(), mp3.data(), mp3.size(), 200), 1);

    // Without a device the sound reaches only the PCM callback.
    RecordingCallback cb;
    cb.answerFor = [](uint32_t) { return 0; };
    ASSERT_EQ(player->OpenStream(1, 0, mp3.data(), mp3.size(), mp3.data(), mp3.size(), 0), 1);
    ASSERT_EQ(player->SetCallbackFunc(&cb, MP3_MSG_WAVE_BUFFER_SYNC | MP3_MSG_STOP), 1);
    ASSERT_EQ(player->Play(), 1);
    ASSERT_TRUE(cb.WaitFor(MP3_MSG_STOP));
    EXPECT_GT(cb.Count(MP3_MSG_WAVE_BUFFER_SYNC), 5u);
    EXPECT_EQ(sim->OpensSucceeded(), 0);
}

TEST_F(PlayerOpen, TheOneStreamOpensOfTheTwoStreamPlayerAreRefused)
{
    testsupport::TempDir dir;
    const std::string path = dir.File("a.mp3");
    testsupport::WriteFile(path, ToneMp3(440, 1.0));
    PlayerPtr player;
    EXPECT_EQ(player->OpenMp3File(path.c_str(), 500, 0, 0), 0);
    EXPECT_STREQ(player->GetError(), "_OpenMp3->Invalid stream!");
    EXPECT_EQ(player->OpenMp3File(path.c_str(), 500, 1u << 30, 0), 0);
    EXPECT_STREQ(player->GetError(), "OpenMp3FileEx->Seek value out of range !");
    EXPECT_EQ(player->OpenMp3File(path.c_str(), 500, 0, 1u << 30), 0);
    EXPECT_STREQ(player->GetError(), "OpenMp3FileEx->Size value out of range !");
}
