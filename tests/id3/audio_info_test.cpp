#include <gtest/gtest.h>

#include <cstring>

#include "kvostudio/libskin/id3tagv2.h"
#include "tests/support/id3_builder.h"
#include "tests/support/mp3_maker.h"
#include "tests/support/temp_files.h"

using namespace testsupport;

namespace {

void PutBig32(std::vector<uint8_t>& v, size_t at, uint32_t x) {
    for (int i = 0; i < 4; ++i) v[at + i] = uint8_t(x >> (24 - 8 * i));
}

// A tag, some junk, then audioBytes of "audio" starting with the header
// word; a Xing header at xingAt (from the frame start) when given.
std::vector<uint8_t> FakeMp3(uint32_t header, size_t audioBytes, int xingAt = -1, int frames = -1) {
    auto bytes = Id3v2Builder(3).Text("TIT2", Id3Text::Latin1, "t").Padding(100).Build();
    const size_t junk = 37;   // bytes the scan steps over, none a valid header
    bytes.insert(bytes.end(), junk, 0x11);
    const size_t start = bytes.size();
    bytes.resize(start + audioBytes, 0);
    PutBig32(bytes, start, header);
    if (xingAt >= 0) {
        std::memcpy(bytes.data() + start + xingAt, "Xing", 4);
        bytes[start + xingAt + 7] = frames >= 0 ? 1 : 0;
        if (frames >= 0) PutBig32(bytes, start + xingAt + 8, uint32_t(frames));
    }
    return bytes;
}

struct Probe {
    TempDir dir;
    CId3tagv2 tag;
    void Read(const std::vector<uint8_t>& bytes) {
        const std::string path = dir.File("a.mp3");
        WriteFile(path, bytes);
        ASSERT_EQ(tag.Read(path.c_str()), 0);
    }
};

}  // namespace

TEST(Id3AudioInfo, BitRateAndLengthFromTheFirstFrameAndItsXingHeader) {
    // The audio byte count runs from the end of the tag, junk included.
    const uint32_t junk = 37;
    {
        SCOPED_TRACE("constant bit rate: MPEG-1 Layer III 128 kbit/s");
        Probe p;
        p.Read(FakeMp3(0xFFFB9000, 160000));
        EXPECT_EQ(p.tag.GetBitrateKbps(), 128u);
        EXPECT_EQ(p.tag.GetDurationSeconds(), (160000 + junk) * 8 / 1000 / 128);
    }
    {
        SCOPED_TRACE("Xing, MPEG-1 stereo: 400 frames of 417 bytes at 44.1 kHz");
        Probe p;
        p.Read(FakeMp3(0xFFFB9000, 400 * 417 - junk, 36, 400));
        EXPECT_EQ(p.tag.GetBitrateKbps(), 417u * 44100 / 144000);
        EXPECT_EQ(p.tag.GetDurationSeconds(), 400u * 417 * 8 / 1000 / (417u * 44100 / 144000));
    }
    {
        SCOPED_TRACE("Xing, MPEG-1 mono sits after 17 bytes of side information");
        Probe p;
        p.Read(FakeMp3(0xFFFB90C0, 100 * 209 - junk, 21, 100));
        EXPECT_EQ(p.tag.GetBitrateKbps(), 209u * 44100 / 144000);
    }
    {
        // A Layer III frame of MPEG-2 lasts 576 samples, half an MPEG-1 frame:
        // 208-byte frames at 22.05 kHz are 63 kbit/s, and 1000 of them 26 s.
        SCOPED_TRACE("Xing, MPEG-2 mono: half-length frames");
        Probe p;
        p.Read(FakeMp3(0xFFF380C0, 1000 * 208 - junk, 13, 1000));
        EXPECT_EQ(p.tag.GetBitrateKbps(), 63u);
        EXPECT_EQ(p.tag.GetDurationSeconds(), 26u);
    }
    for (int frames : {-1, 0}) {
        SCOPED_TRACE("a Xing header without a usable frame count gives no length");
        Probe p;
        p.Read(FakeMp3(0xFFFB9000, 20000, 36, frames));
        EXPECT_EQ(p.tag.GetBitrateKbps(), 0u);
        EXPECT_EQ(p.tag.GetDurationSeconds(), 0u);
    }
    {
        SCOPED_TRACE("reserved emphasis, bad bit rate index and free format are no frames");
        for (uint32_t header : {0xFFFB9002u, 0xFFFBF000u, 0xFFFB0000u, 0xFFFB9C00u}) {
            Probe p;
            p.Read(FakeMp3(header, 5000));
            EXPECT_EQ(p.tag.GetBitrateKbps(), 0u) << std::hex << header;
            EXPECT_EQ(p.tag.GetDurationSeconds(), 0u);
        }
    }
}

TEST(Id3AudioInfo, LengthOfEncodedFilesMatchesTheirAudio) {
    struct Case {
        const char* name;
        int rate;
        int channels;
        Mp3Options options;
        double seconds;
    };
    Mp3Options cbr;
    cbr.bitrateKbps = 128;
    Mp3Options vbr;
    vbr.vbr = true;
    Mp3Options lowRateVbr = vbr;
    Mp3Options lowRateMono;
    lowRateMono.bitrateKbps = 32;
    for (const Case& c : {Case{"CBR 128 kbit/s", 44100, 2, cbr, 7.0}, Case{"VBR with Xing", 44100, 2, vbr, 7.0},
                          Case{"VBR at 22.05 kHz", 22050, 2, lowRateVbr, 9.0},
                          Case{"CBR mono at 11.025 kHz", 11025, 1, lowRateMono, 6.0}}) {
        SCOPED_TRACE(c.name);
        const auto pcm = MakeNoise(c.rate, c.channels, c.seconds, 0.3);
        auto mp3 = MakeMp3(pcm, c.options);
        auto tagged = Id3v2Builder(4).Text("TIT2", Id3Text::Utf8, "tone").Build();
        tagged.insert(tagged.end(), mp3.begin(), mp3.end());
        Probe p;
        p.Read(tagged);
        EXPECT_NEAR(double(p.tag.GetDurationSeconds()), c.seconds, 1.0);
    }
}
