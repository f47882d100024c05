// Playing through the wave-out driver on a simulated device: ring order,
// buffers handed back, reset, close and the position.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/thread/event.h"
#include "tests/audio/driver_fixture.h"

namespace {

using audiotest::MessageLog;
using audiotest::SimulatedDeviceTest;

class WaveOutPlayback : public SimulatedDeviceTest {};

// The decoding thread's loop in small: fill the ring buffer by buffer, wait
// for each buffer to be free again before refilling it.
struct FreeWaiter {
    platform::Event bufferFree{false};
    static void Callback(WaveOutDriver* driver, uint32_t message, void* instance, uint32_t index,
                         uint32_t bytes)
    {
        auto* self = static_cast<FreeWaiter*>(instance);
        MessageLog::Callback(driver, message, self->log, index, bytes);
        if (message == WOM_DONE)
            self->bufferFree.Set();
    }
    MessageLog* log = nullptr;
};

TEST_F(WaveOutPlayback, PlaysTheRingInOrderAndHandsEachBufferBackOnceOnADeviceThread)
{
    WaveOutDriver driver;
    ASSERT_EQ(driver.Initialize(WAVE_FORMAT_PCM, 2, 44100, 16, 3, 20), 1);
    FreeWaiter waiter;
    waiter.log = &log_;
    ASSERT_EQ(driver.OpenAudioOutput(WAVE_MAPPER, &FreeWaiter::Callback, &waiter, CALLBACK_FUNCTION), 1);
    for (uint32_t i = 0; i < driver.GetBufferCount(); ++i) {
        driver.MarkBufferFree(i);
        EXPECT_EQ(driver.UnprepareBuffer(i), 1);
    }

    std::vector<uint8_t> written;
    constexpr int kWrites = 20;
    uint32_t index = 0;
    for (int n = 0; n < kWrites; ++n) {
        while (!driver.IsBufferFree(index))
            ASSERT_TRUE(waiter.bufferFree.Wait(10000));
        driver.UnprepareBuffer(index);
        // Buffers of different lengths, as the end of a song gives.
        const auto data = Fill(driver, index, 400 + 4 * n, n);
        written.insert(written.end(), data.begin(), data.end());
        ASSERT_EQ(driver.PlayBuffer(index), 1);
        index = (index + 1) % driver.GetBufferCount();
    }
    ASSERT_TRUE(log_.WaitForDone(kWrites));
    ASSERT_EQ(driver.Close(), 1);

    EXPECT_EQ(sim_->Recorded(), written);
    const auto messages = log_.Messages();
    ASSERT_EQ(messages.size(), kWrites + 2u);
    EXPECT_EQ(messages.front().message, WOM_OPEN);
    EXPECT_EQ(messages.back().message, WOM_CLOSE);
    for (int n = 0; n < kWrites; ++n) {
        const auto& m = messages[n + 1];
        EXPECT_EQ(m.message, WOM_DONE);
        EXPECT_EQ(m.index, static_cast<uint32_t>(n % 3));
        EXPECT_EQ(m.bytes, 400u + 4 * n);
        EXPECT_TRUE(m.freeMarkSet);
    }
    for (const auto& m : messages)
        EXPECT_NE(m.thread, std::this_thread::get_id());
}

TEST_F(WaveOutPlayback, ResetHandsBackEveryQueuedBufferBeforeItReturns)
{
    sim_->SetStepped();
    WaveOutDriver driver;
    ASSERT_EQ(driver.Initialize(WAVE_FORMAT_PCM, 2, 1000, 16, 4, 100), 1);   // 400 bytes each
    ASSERT_EQ(driver.OpenAudioOutput(WAVE_MAPPER, &MessageLog::Callback, &log_, CALLBACK_FUNCTION), 1);
    std::vector<uint8_t> first;
    for (uint32_t i = 0; i < 4; ++i) {
        const auto data = Fill(driver, i, 400, static_cast<int>(i));
        if (i == 0)
            first = data;
        ASSERT_EQ(driver.PlayBuffer(i), 1);
    }
    sim_->Advance(150);   // the first buffer and half of the second
    EXPECT_EQ(log_.DoneIndexes(), std::vector<uint32_t>({0}));
    EXPECT_EQ(driver.GetPosition(3), 600u);
    EXPECT_FALSE(driver.IsBufferFree(1));

    ASSERT_EQ(driver.Reset(), 1);
    EXPECT_EQ(log_.DoneIndexes(), std::vector<uint32_t>({0, 1, 2, 3}));
    for (uint32_t i = 0; i < 4; ++i) {
        EXPECT_TRUE(driver.IsBufferFree(i));
        EXPECT_EQ(driver.UnprepareBuffer(i), 1);
    }
    EXPECT_EQ(driver.GetPosition(3), 0u);
    EXPECT_EQ(sim_->RecordedSize(), 600u);
    sim_->Advance(1000);   // nothing left to play
    EXPECT_EQ(sim_->RecordedSize(), 600u);
    EXPECT_EQ(driver.Close(), 1);
}

TEST_F(WaveOutPlayback, CloseWithBuffersQueuedReturnsThemAndReleasesTheDevice)
{
    sim_->SetStepped();
    WaveOutDriver driver;
    ASSERT_EQ(driver.Initialize(WAVE_FORMAT_PCM, 2, 1000, 16, 3, 100), 1);
    ASSERT_EQ(driver.OpenAudioOutput(WAVE_MAPPER, &MessageLog::Callback, &log_, CALLBACK_FUNCTION), 1);
    for (uint32_t i = 0; i < 3; ++i) {
        Fill(driver, i, 400, static_cast<int>(i));
        ASSERT_EQ(driver.PlayBuffer(i), 1);
    }
    EXPECT_EQ(driver.Close(), 1);
    EXPECT_FALSE(driver.IsOpen());
    EXPECT_EQ(sim_->OpenDevices(), 0);
    EXPECT_EQ(log_.DoneIndexes(), std::vector<uint32_t>({0, 1, 2}));
    EXPECT_EQ(log_.Messages().back().message, WOM_CLOSE);
    // Nothing is left to call back, and closing again is refused.
    const size_t messages = log_.Messages().size();
    EXPECT_EQ(driver.Close(), 0);
    EXPECT_EQ(driver.PlayBuffer(0), 0);
    EXPECT_EQ(log_.Messages().size(), messages);
}

TEST_F(WaveOutPlayback, AFailedCloseKeepsTheDeviceAndNamesTheReason)
{
    const std::pair<int, const char*> cases[] = {
        {MMSYSERR_NODRIVER, "WaveOutDriver::Close->No device driver is present"},
        {MMSYSERR_INVALHANDLE, "WaveOutDriver::Close->Specified device handle is invalid"},
        {MMSYSERR_NOMEM, "WaveOutDriver::Close->Unable to allocate or lock memory"},
        {WAVERR_STILLPLAYING, "WaveOutDriver::Close->There are still buffers in the queue"},
        {MMSYSERR_ERROR, "WaveOutDriver::Close->Unknown error"},
    };
    WaveOutDriver driver;
    ASSERT_EQ(driver.Initialize(WAVE_FORMAT_PCM, 2, 8000, 16, 2, 100), 1);
    ASSERT_EQ(driver.OpenAudioOutput(WAVE_MAPPER, &MessageLog::Callback, &log_, CALLBACK_FUNCTION), 1);
    for (const auto& [code, text] : cases) {
        sim_->FailNextClose(code);
        EXPECT_EQ(driver.Close(), 0);
        EXPECT_STREQ(driver.GetError(), text);
        EXPECT_TRUE(driver.IsOpen());
    }
    // The device still plays.
    const auto data = Fill(driver, 0, 320, 5);
    ASSERT_EQ(driver.PlayBuffer(0), 1);
    ASSERT_TRUE(log_.WaitForDone(1));
    EXPECT_EQ(sim_->Recorded(), data);
    EXPECT_EQ(driver.Close(), 1);
    EXPECT_EQ(sim_->OpenDevices(), 0);
}

TEST_F(WaveOutPlayback, DestroyingADriverWhoseCloseFailsStillReleasesTheDevice)
{
    sim_->SetStepped();
    {
        WaveOutDriver driver;
        ASSERT_EQ(driver.Initialize(WAVE_FORMAT_PCM, 2, 8000, 16, 2, 100), 1);
        ASSERT_EQ(driver.OpenAudioOutput(WAVE_MAPPER, &MessageLog::Callback, &log_, CALLBACK_FUNCTION), 1);
        Fill(driver, 0, 3200, 1);
        ASSERT_EQ(driver.PlayBuffer(0), 1);
        sim_->FailNextClose(MMSYSERR_NOMEM);
    }
    EXPECT_EQ(sim_->OpenDevices(), 0);
    sim_->Advance(1000);   // no device left to read the freed buffer
    EXPECT_EQ(sim_->RecordedSize(), 0u);
}

TEST_F(WaveOutPlayback, PositionFollowsTheBytesPlayedAndStandsStillWhilePaused)
{
    sim_->SetStepped();
    WaveOutDriver driver;
    EXPECT_EQ(driver.GetPosition(0), 0u);   // no device
    ASSERT_EQ(driver.Initialize(WAVE_FORMAT_PCM, 2, 44100, 16, 2, 1000), 1);
    ASSERT_EQ(driver.OpenAudioOutput(WAVE_MAPPER, nullptr, nullptr, CALLBACK_FUNCTION), 1);
    Fill(driver, 0, driver.GetBufferSize(), 1);
    Fill(driver, 1, driver.GetBufferSize(), 2);
    ASSERT_EQ(driver.PlayBuffer(0), 1);
    ASSERT_EQ(driver.PlayBuffer(1), 1);

    sim_->Advance(500);
    EXPECT_EQ(driver.GetPosition(0), 22050u);
    EXPECT_EQ(driver.GetPosition(1), 500u);
    EXPECT_EQ(driver.GetPosition(2), 0u);
    EXPECT_EQ(driver.GetPosition(3), 88200u);
    EXPECT_EQ(driver.GetPosition(4), 0u);

    ASSERT_EQ(driver.Pause(), 1);
    sim_->Advance(700);
    EXPECT_EQ(driver.GetPosition(1), 500u);
    ASSERT_EQ(driver.Restart(), 1);
    sim_->Advance(1000);
    EXPECT_EQ(driver.GetPosition(1), 1500u);
    EXPECT_EQ(driver.GetPosition(2), 1u);
    sim_->Advance(5000);   // runs dry after 2 s of sound
    EXPECT_EQ(driver.GetPosition(0), 88200u);
    EXPECT_EQ(driver.GetPosition(1), 2000u);
    EXPECT_EQ(driver.Close(), 1);
    EXPECT_EQ(driver.GetPosition(3), 0u);
}

TEST_F(WaveOutPlayback, ARealTimeClockPlaysEverythingWritten)
{
    sim_->SetRealTime(50.0);
    WaveOutDriver driver;
    ASSERT_EQ(driver.Initialize(WAVE_FORMAT_PCM, 1, 8000, 8, 2, 500), 1);
    ASSERT_EQ(driver.OpenAudioOutput(WAVE_MAPPER, &MessageLog::Callback, &log_, CALLBACK_FUNCTION), 1);
    auto all = Fill(driver, 0, 4000, 1);
    const auto second = Fill(driver, 1, 4000, 2);
    all.insert(all.end(), second.begin(), second.end());
    ASSERT_EQ(driver.PlayBuffer(0), 1);
    ASSERT_EQ(driver.PlayBuffer(1), 1);
    ASSERT_TRUE(log_.WaitForDone(2));
    EXPECT_EQ(sim_->Recorded(), all);
    EXPECT_EQ(driver.GetPosition(1), 1000u);
    EXPECT_EQ(driver.Close(), 1);
}

// A player's Stop runs on the caller's thread while its decoding thread
// waits for a free buffer: pause and reset must wake the writer, which then
// closes the device itself.
TEST_F(WaveOutPlayback, StopFromAnotherThreadWakesTheWriterWhoCloses)
{
    sim_->SetStepped();   // nothing plays: the writer runs out of free buffers
    WaveOutDriver driver;
    ASSERT_EQ(driver.Initialize(WAVE_FORMAT_PCM, 2, 8000, 16, 3, 50), 1);
    FreeWaiter waiter;
    waiter.log = &log_;
    std::atomic<bool> playing{true};
    std::atomic<int> writes{0};
    platform::Event writerBlocked{true};
    std::thread writer([&] {
        ASSERT_EQ(driver.OpenAudioOutput(WAVE_MAPPER, &FreeWaiter::Callback, &waiter, CALLBACK_FUNCTION), 1);
        for (uint32_t i = 0; i < driver.GetBufferCount(); ++i)
            driver.MarkBufferFree(i);
        uint32_t index = 0;
        while (playing) {
            while (!driver.IsBufferFree(index) && playing) {
                writerBlocked.Set();
                waiter.bufferFree.Wait(10000);
            }
            if (!playing)
                break;
            driver.UnprepareBuffer(index);
            Fill(driver, index, driver.GetBufferSize(), writes);
            if (driver.PlayBuffer(index))
                ++writes;
            index = (index + 1) % driver.GetBufferCount();
        }
        EXPECT_EQ(driver.Close(), 1);
    });
    ASSERT_TRUE(writerBlocked.Wait(10000));
    EXPECT_EQ(driver.Pause(), 1);
    playing = false;
    EXPECT_EQ(driver.Reset(), 1);
    waiter.bufferFree.Set();
    writer.join();

    EXPECT_FALSE(driver.IsOpen());
    EXPECT_EQ(writes, 3);
    EXPECT_EQ(log_.DoneIndexes(), std::vector<uint32_t>({0, 1, 2}));
    EXPECT_EQ(sim_->RecordedSize(), 0u);
}

}  // namespace
