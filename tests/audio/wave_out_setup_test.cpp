// Setting the wave-out driver up: buffers, opening the device and what each
// failure says, volume, and the calls it refuses.
#include <gtest/gtest.h>

#include "tests/audio/driver_fixture.h"

namespace {

using audiotest::MessageLog;
using audiotest::SimulatedDeviceTest;

class WaveOutSetup : public SimulatedDeviceTest {};

TEST_F(WaveOutSetup, InitializeSizesTheBuffersOnceUntilUninitialized)
{
    WaveOutDriver driver;
    ASSERT_EQ(driver.Initialize(WAVE_FORMAT_PCM, 2, 44100, 16, 4, 250), 1);
    EXPECT_EQ(driver.GetBufferSize(), 44100u);
    EXPECT_EQ(driver.GetBufferCount(), 4u);
    EXPECT_EQ(driver.GetFormat().nAvgBytesPerSec, 176400u);
    EXPECT_EQ(driver.GetFormat().nBlockAlign, 4u);
    for (uint32_t i = 0; i < 4; ++i) {
        ASSERT_NE(driver.GetBufferData(i), nullptr);
        EXPECT_EQ(driver.GetBufferData(i)[44099], 0);
    }
    EXPECT_EQ(driver.GetBufferData(4), nullptr);

    EXPECT_EQ(driver.Initialize(WAVE_FORMAT_PCM, 2, 48000, 16, 4, 250), 0);
    EXPECT_STREQ(driver.GetError(), "WaveOutDriver::Initialize->Already initialized. Uninitialize first.");
    EXPECT_EQ(driver.GetBufferSize(), 44100u);

    EXPECT_EQ(driver.Uninitialize(), 1);
    EXPECT_EQ(driver.Uninitialize(), 1);
    EXPECT_EQ(driver.GetBufferCount(), 0u);
    ASSERT_EQ(driver.Initialize(WAVE_FORMAT_PCM, 2, 48000, 16, 5, 96), 1);
    EXPECT_EQ(driver.GetBufferSize(), 18432u);
}

TEST_F(WaveOutSetup, ImpossibleBufferPlansFailAndLeaveTheDriverUninitialized)
{
    WaveOutDriver driver;
    EXPECT_EQ(driver.Initialize(WAVE_FORMAT_PCM, 2, 44100, 16, 0, 250), 0);
    EXPECT_STREQ(driver.GetError(), "WaveOut::Initialize->Can't allocate memory for WAVEHDR structure");
    EXPECT_EQ(driver.Initialize(WAVE_FORMAT_PCM, 2, 44100, 16, 2, 0xFFFFFFFF), 0);
    EXPECT_STREQ(driver.GetError(), "WaveOut::Initialize->Can't allocate memory for output data buffer");
    EXPECT_EQ(driver.GetBufferCount(), 0u);
    EXPECT_EQ(driver.Initialize(WAVE_FORMAT_PCM, 2, 44100, 16, 2, 250), 1);
}

TEST_F(WaveOutSetup, EveryOpenFailureKeepsItsOwnMessage)
{
    const std::pair<int, const char*> cases[] = {
        {MMSYSERR_ALLOCATED, "WaveOutDriver::OpenAudioOutput->Specified resource is already allocated"},
        {MMSYSERR_BADDEVICEID, "WaveOutDriver::OpenAudioOutput->Specified device identifier is out of range"},
        {MMSYSERR_NODRIVER, "WaveOutDriver::OpenAudioOutput->No device driver is present"},
        {MMSYSERR_NOMEM, "WaveOutDriver::OpenAudioOutput->Unable to allocate or lock memory"},
        {WAVERR_BADFORMAT,
         "WaveOutDriver::OpenAudioOutput->Attempted to open with an unsupported waveform-audio format"},
        {WAVERR_SYNC,
         "WaveOutDriver::OpenAudioOutput->The device is synchronous but waveOutOpen was called without "
         "using the WAVE_ALLOWSYNC flag"},
        {MMSYSERR_ERROR, "WaveOutDriver::OpenAudioOutput->Unknown error"},
        {99, "WaveOutDriver::OpenAudioOutput->Unknown error"},
    };
    WaveOutDriver driver;
    ASSERT_EQ(driver.Initialize(WAVE_FORMAT_PCM, 2, 44100, 16, 2, 100), 1);
    for (const auto& [code, text] : cases) {
        sim_->FailNextOpen(code);
        EXPECT_EQ(driver.OpenAudioOutput(WAVE_MAPPER, &MessageLog::Callback, &log_, CALLBACK_FUNCTION), 0);
        EXPECT_STREQ(driver.GetError(), text);
        EXPECT_FALSE(driver.IsOpen());
    }
    EXPECT_EQ(sim_->OpensSucceeded(), 0);
    EXPECT_TRUE(log_.Messages().empty());
    EXPECT_EQ(driver.OpenAudioOutput(WAVE_MAPPER, &MessageLog::Callback, &log_, CALLBACK_FUNCTION), 1);
    EXPECT_EQ(driver.Close(), 1);
}

TEST_F(WaveOutSetup, DeviceIndexesFormatsAndMissingDevicesAreRefusedWithTheirMessages)
{
    sim_->SetDevices({"Front speakers", "Headphones"});
    EXPECT_EQ(platform::audio::OutputDeviceCount(), 2);
    platform::audio::OutputDeviceCaps caps;
    ASSERT_TRUE(platform::audio::GetOutputDeviceCaps(1, &caps));
    EXPECT_EQ(caps.name, "Headphones");
    EXPECT_FALSE(platform::audio::GetOutputDeviceCaps(2, &caps));

    WaveOutDriver driver;
    ASSERT_EQ(driver.Initialize(WAVE_FORMAT_PCM, 2, 44100, 16, 2, 100), 1);
    EXPECT_EQ(driver.OpenAudioOutput(2, nullptr, nullptr, CALLBACK_FUNCTION), 0);
    EXPECT_STREQ(driver.GetError(), "WaveOutDriver::OpenAudioOutput->Specified device identifier is out of range");
    EXPECT_EQ(driver.OpenAudioOutput(-2, nullptr, nullptr, CALLBACK_FUNCTION), 0);
    EXPECT_STREQ(driver.GetError(), "WaveOutDriver::OpenAudioOutput->Specified device identifier is out of range");
    ASSERT_EQ(driver.OpenAudioOutput(1, nullptr, nullptr, CALLBACK_FUNCTION), 1);
    // A second open would lose the first device.
    EXPECT_EQ(driver.OpenAudioOutput(0, nullptr, nullptr, CALLBACK_FUNCTION), 0);
    EXPECT_STREQ(driver.GetError(), "WaveOutDriver::OpenAudioOutput->Specified resource is already allocated");
    EXPECT_EQ(sim_->OpenDevices(), 1);
    EXPECT_EQ(driver.Close(), 1);

    WaveOutDriver odd;
    ASSERT_EQ(odd.Initialize(WAVE_FORMAT_PCM, 2, 44100, 24, 2, 100), 1);
    EXPECT_EQ(odd.OpenAudioOutput(WAVE_MAPPER, nullptr, nullptr, CALLBACK_FUNCTION), 0);
    EXPECT_STREQ(odd.GetError(),
                 "WaveOutDriver::OpenAudioOutput->Attempted to open with an unsupported waveform-audio format");

    sim_->SetDevices({});
    EXPECT_EQ(platform::audio::OutputDeviceCount(), 0);
    EXPECT_EQ(driver.OpenAudioOutput(WAVE_MAPPER, nullptr, nullptr, CALLBACK_FUNCTION), 0);
    EXPECT_STREQ(driver.GetError(), "WaveOutDriver::OpenAudioOutput->No device driver is present");
}

TEST_F(WaveOutSetup, VolumeWithoutADeviceActsOnTheDefaultDevice)
{
    sim_->SetDevices({"One", "Two"});
    WaveOutDriver driver;
    EXPECT_EQ(driver.SetVolume(0x1234, 0xFEDC), MMSYSERR_NOERROR);
    WaveOutDriver other;
    uint16_t left = 0, right = 0;
    EXPECT_EQ(other.GetVolume(&left, &right), MMSYSERR_NOERROR);
    EXPECT_EQ(left, 0x1234);
    EXPECT_EQ(right, 0xFEDC);

    // An open device has a volume of its own.
    ASSERT_EQ(driver.Initialize(WAVE_FORMAT_PCM, 2, 44100, 16, 2, 100), 1);
    ASSERT_EQ(driver.OpenAudioOutput(1, nullptr, nullptr, CALLBACK_FUNCTION), 1);
    EXPECT_EQ(driver.SetVolume(0x8000, 0x4000), MMSYSERR_NOERROR);
    EXPECT_EQ(driver.GetVolume(&left, &right), MMSYSERR_NOERROR);
    EXPECT_EQ(left, 0x8000);
    EXPECT_EQ(right, 0x4000);
    EXPECT_EQ(other.GetVolume(&left, &right), MMSYSERR_NOERROR);
    EXPECT_EQ(left, 0x1234);
    EXPECT_EQ(driver.Close(), 1);

    EXPECT_EQ(platform::audio::SetOutputVolume(5, 0), platform::audio::kOutputBadDeviceId);
    platform::audio::SetOutputVolume(1, 0xFFFFFFFF);
    other.SetVolume(0xFFFF, 0xFFFF);
}

TEST_F(WaveOutSetup, BuffersAreNeitherQueuedTwiceNorReachedOutOfRange)
{
    sim_->SetStepped();
    WaveOutDriver driver;
    ASSERT_EQ(driver.Initialize(WAVE_FORMAT_PCM, 2, 1000, 16, 2, 100), 1);
    EXPECT_EQ(driver.PlayBuffer(0), 0);        // no device yet
    EXPECT_EQ(driver.UnprepareBuffer(0), 0);
    ASSERT_EQ(driver.OpenAudioOutput(WAVE_MAPPER, &MessageLog::Callback, &log_, CALLBACK_FUNCTION), 1);

    driver.SetBufferBytes(0, 100000);
    EXPECT_EQ(driver.GetBufferBytes(0), 400u);
    ASSERT_EQ(driver.PlayBuffer(0), 1);
    EXPECT_FALSE(driver.IsBufferFree(0));
    EXPECT_EQ(driver.PlayBuffer(0), 0);
    EXPECT_STREQ(driver.GetError(), "WaveOutDriver::PlayBuffer->Can't write data");
    EXPECT_EQ(driver.UnprepareBuffer(0), 0);
    EXPECT_EQ(driver.PlayBuffer(2), 0);
    EXPECT_EQ(driver.UnprepareBuffer(2), 0);
    EXPECT_FALSE(driver.IsBufferFree(2));
    EXPECT_EQ(driver.GetBufferBytes(2), 0u);

    sim_->Advance(100);
    EXPECT_EQ(log_.DoneIndexes(), std::vector<uint32_t>({0}));
    EXPECT_EQ(sim_->RecordedSize(), 400u);
    EXPECT_EQ(driver.UnprepareBuffer(0), 1);

    // Uninitializing under an open device takes its buffers back first.
    ASSERT_EQ(driver.PlayBuffer(1), 1);
    EXPECT_EQ(driver.Uninitialize(), 1);
    EXPECT_EQ(log_.DoneIndexes(), std::vector<uint32_t>({0, 1}));
    sim_->Advance(1000);
    EXPECT_EQ(sim_->RecordedSize(), 400u);
    EXPECT_EQ(driver.Close(), 1);
}

}  // namespace
