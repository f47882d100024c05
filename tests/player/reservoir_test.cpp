// The decoder extension: a frame whose bit reservoir lies in frames that
// were never decoded gets it from the frames before it in the buffer.

#include <gtest/gtest.h>

#include <vector>

#include "libkvo/src/madextension.h"
#include "libkvo/src/streamdecoder.h"
#include "tests/support/mp3_maker.h"

namespace {

struct DecodedFrame {
    const uint8_t* start;
    std::vector<int32_t> left;
};

// Noise uses the reservoir in nearly every frame.
std::vector<uint8_t> NoiseMp3()
{
    testsupport::Mp3Options options;
    options.infoFrame = false;
    return testsupport::MakeMp3(testsupport::MakeNoise(44100, 2, 3.0, 0.3), options);
}

std::vector<DecodedFrame> DecodeAll(StreamDecoder& d, size_t maxFrames)
{
    std::vector<DecodedFrame> frames;
    while (frames.size() < maxFrames) {
        const auto r = d.DecodeFrame();
        if (r == StreamDecoder::Result::Recoverable)
            continue;
        if (r != StreamDecoder::Result::Ok)
            break;
        d.Synth();
        DecodedFrame f{d.ThisFrame(), {}};
        f.left.assign(d.Pcm().samples[0], d.Pcm().samples[0] + d.Pcm().length);
        frames.push_back(std::move(f));
    }
    return frames;
}

unsigned MainDataBegin(const uint8_t* frame)
{
    const uint8_t* side = frame + 4 + ((frame[1] & 1) ? 0 : 2);
    return (side[0] << 1) | (side[1] >> 7);
}

}  // namespace

TEST(Reservoir, AFrameInTheMiddleDecodesAtOnceAndTheNextFramesMatchAContinuousDecode)
{
    const auto mp3 = NoiseMp3();
    StreamDecoder continuous;
    continuous.SetBuffer(mp3.data(), mp3.size(), nullptr, true);
    const auto reference = DecodeAll(continuous, 100);
    ASSERT_GT(reference.size(), 60u);

    int withReservoir = 0;
    for (size_t k = 10; k < 60; k += 7) {
        if (MainDataBegin(reference[k].start) > 0)
            ++withReservoir;
        StreamDecoder jumped;
        jumped.SetBuffer(mp3.data(), mp3.size(), reference[k].start, true);
        const auto frames = DecodeAll(jumped, 4);
        ASSERT_EQ(frames.size(), 4u);
        // The first frame decoded is frame k itself, not a later one.
        EXPECT_EQ(frames[0].start, reference[k].start) << "frame " << k;
        for (size_t j = 1; j < frames.size(); ++j)
            EXPECT_EQ(frames[j].left, reference[k + j].left) << "frame " << k + j;
    }
    EXPECT_GT(withReservoir, 3);  // the test really exercised the rebuild
}

TEST(Reservoir, TheRebuiltReservoirSpansSeveralEarlierFrames)
{
    // At a low bit rate frames are short, so a reservoir of up to 511 bytes
    // reaches back over more than one frame.
    testsupport::Mp3Options options;
    options.infoFrame = false;
    options.bitrateKbps = 32;
    const auto mp3 = testsupport::MakeMp3(testsupport::MakeNoise(44100, 2, 3.0, 0.3), options);
    StreamDecoder continuous;
    continuous.SetBuffer(mp3.data(), mp3.size(), nullptr, true);
    const auto reference = DecodeAll(continuous, 100);
    int spanning = 0;
    for (size_t k = 5; k + 2 < reference.size(); ++k) {
        const long previousLength = reference[k].start - reference[k - 1].start;
        if (long(MainDataBegin(reference[k].start)) + 40 <= previousLength)
            continue;
        ++spanning;
        StreamDecoder jumped;
        jumped.SetBuffer(mp3.data(), mp3.size(), reference[k].start, true);
        const auto frames = DecodeAll(jumped, 2);
        ASSERT_EQ(frames.size(), 2u);
        EXPECT_EQ(frames[0].start, reference[k].start);
        EXPECT_EQ(frames[1].left, reference[k + 1].left);
    }
    EXPECT_GT(spanning, 0);
}

TEST(Reservoir, WithoutEarlierFramesInTheBufferTheFrameIsLost)
{
    const auto mp3 = NoiseMp3();
    StreamDecoder continuous;
    continuous.SetBuffer(mp3.data(), mp3.size(), nullptr, true);
    const auto reference = DecodeAll(continuous, 40);
    size_t k = 20;
    while (MainDataBegin(reference[k].start) == 0)
        ++k;
    const size_t offset = reference[k].start - mp3.data();
    StreamDecoder cut;
    cut.SetBuffer(mp3.data() + offset, mp3.size() - offset, nullptr, true);
    EXPECT_EQ(cut.DecodeFrame(), StreamDecoder::Result::Recoverable);
    EXPECT_EQ(cut.Error(), MAD_ERROR_BADDATAPTR);
}

TEST(Reservoir, BackwardSyncSearch)
{
    std::vector<uint8_t> noSync(64, 0x12);
    struct mad_stream s;
    mad_stream_init(&s);
    mad_stream_buffer(&s, noSync.data(), noSync.size());
    mad_bit_init(&s.ptr, noSync.data() + 60);
    EXPECT_EQ(mad_stream_sync_back(&s), -1);

    noSync[10] = 0xFF;
    noSync[11] = 0xFB;
    noSync[30] = 0xFF;
    noSync[31] = 0xE2;
    EXPECT_EQ(mad_stream_sync_back(&s), 0);
    EXPECT_EQ(mad_bit_nextbyte(&s.ptr), noSync.data() + 30);  // the nearest one wins
    mad_stream_finish(&s);
}
