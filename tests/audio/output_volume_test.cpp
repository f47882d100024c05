// The device volume as our own gain, and what SDL's open failures become.
#include <gtest/gtest.h>

#include <vector>

#include "platform/audio/audio_output.h"
#include "platform/audio/sdl_output.h"

namespace {

using namespace platform::audio;

OutputFormat Pcm(uint16_t channels, uint16_t bits, uint32_t rate = 44100)
{
    OutputFormat f;
    f.channels = channels;
    f.bitsPerSample = bits;
    f.sampleRate = rate;
    f.blockAlign = static_cast<uint16_t>(channels * bits / 8);
    f.avgBytesPerSec = rate * f.blockAlign;
    return f;
}

std::vector<uint8_t> Samples16(std::initializer_list<int16_t> values)
{
    std::vector<uint8_t> bytes;
    for (int16_t v : values) {
        bytes.push_back(static_cast<uint8_t>(v & 0xFF));
        bytes.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
    }
    return bytes;
}

TEST(OutputVolume, ScalesEachSideOfSixteenBitStereo)
{
    auto data = Samples16({32767, 32767, -32768, -32768, 1000, -1000});
    ApplyOutputVolume(data.data(), static_cast<uint32_t>(data.size()), Pcm(2, 16), 0x0000FFFF);
    EXPECT_EQ(data, Samples16({32767, 0, -32768, 0, 1000, 0}));

    data = Samples16({32767, 32767, -32768, -32768, 1000, -1000});
    ApplyOutputVolume(data.data(), static_cast<uint32_t>(data.size()), Pcm(2, 16), 0x80008000);
    // 0x8000 / 0xFFFF of each sample, truncated toward zero.
    EXPECT_EQ(data, Samples16({16383, 16383, -16384, -16384, 500, -500}));
}

TEST(OutputVolume, FullVolumeLeavesBytesAloneAndMonoFollowsTheLeftSide)
{
    auto data = Samples16({123, -456, 32767});
    const auto original = data;
    ApplyOutputVolume(data.data(), static_cast<uint32_t>(data.size()), Pcm(2, 16), 0xFFFFFFFF);
    EXPECT_EQ(data, original);
    ApplyOutputVolume(data.data(), static_cast<uint32_t>(data.size()), Pcm(1, 16), 0x0000FFFF);
    EXPECT_EQ(data, original);
    ApplyOutputVolume(data.data(), static_cast<uint32_t>(data.size()), Pcm(1, 16), 0xFFFF0000);
    EXPECT_EQ(data, Samples16({0, 0, 0}));

    std::vector<uint8_t> unsigned8 = {255, 0, 128, 200};
    ApplyOutputVolume(unsigned8.data(), 4, Pcm(2, 8), 0x00000000);
    EXPECT_EQ(unsigned8, std::vector<uint8_t>({128, 128, 128, 128}));
}

TEST(SdlOpenErrors, MapOntoTheDeviceResults)
{
    EXPECT_EQ(SdlOpenErrorToResult("Out of memory"), kOutputNoMemory);
    EXPECT_EQ(SdlOpenErrorToResult("Unsupported audio format"), kOutputBadFormat);
    EXPECT_EQ(SdlOpenErrorToResult("Device or resource busy"), kOutputAllocated);
    EXPECT_EQ(SdlOpenErrorToResult("Audio subsystem is not initialized"), kOutputNoDriver);
    EXPECT_EQ(SdlOpenErrorToResult("Couldn't connect to PulseAudio server"), kOutputNoDriver);
    EXPECT_EQ(SdlOpenErrorToResult(nullptr), kOutputNoDriver);
}

}  // namespace
