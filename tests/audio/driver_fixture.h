#pragma once
// What the wave-out driver's tests share: a callback that records every
// message with the thread it came on, and a simulated device in place of
// the sound card for the length of a test.
#include <gtest/gtest.h>

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "libkvo/src/waveoutdriver.h"
#include "platform/audio/audio_output.h"
#include "platform/audio/sim_output.h"

namespace audiotest {

struct Message {
    uint32_t message;
    uint32_t index;
    uint32_t bytes;
    bool freeMarkSet;   // the buffer's free mark, as the callback saw it
    std::thread::id thread;
};

class MessageLog {
public:
    static void Callback(WaveOutDriver* driver, uint32_t message, void* instance, uint32_t index,
                         uint32_t bytes)
    {
        auto* log = static_cast<MessageLog*>(instance);
        const bool freeMark = message == WOM_DONE && driver->IsBufferFree(index);
        {
            std::lock_guard<std::mutex> lock(log->mutex_);
            log->messages_.push_back(Message{message, index, bytes, freeMark, std::this_thread::get_id()});
        }
        log->cv_.notify_all();
    }

    std::vector<Message> Messages() const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return messages_;
    }
    std::vector<uint32_t> DoneIndexes() const
    {
        std::vector<uint32_t> indexes;
        for (const Message& m : Messages()) {
            if (m.message == WOM_DONE)
                indexes.push_back(m.index);
        }
        return indexes;
    }
    // Waits (at most 10 s, so a fault fails instead of hanging) for 'count'
    // WOM_DONE messages in all.
    bool WaitForDone(size_t count)
    {
        std::unique_lock<std::mutex> lock(mutex_);
        return cv_.wait_for(lock, std::chrono::seconds(10), [&] {
            size_t done = 0;
            for (const Message& m : messages_)
                done += m.message == WOM_DONE;
            return done >= count;
        });
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable cv_;
    std::vector<Message> messages_;
};

class SimulatedDeviceTest : public ::testing::Test {
protected:
    void SetUp() override { platform::audio::UseSimulatedOutput(sim_); }
    void TearDown() override { platform::audio::UseDefaultOutput(); }

    // Fills buffer 'index' with 'bytes' bytes of a pattern made from 'seed'
    // and returns them.
    static std::vector<uint8_t> Fill(WaveOutDriver& driver, uint32_t index, uint32_t bytes, int seed)
    {
        std::vector<uint8_t> data(bytes);
        for (uint32_t i = 0; i < bytes; ++i)
            data[i] = static_cast<uint8_t>(i * 13 + seed * 101 + 1);
        std::copy(data.begin(), data.end(), driver.GetBufferData(index));
        driver.SetBufferBytes(index, bytes);
        return data;
    }

    std::shared_ptr<platform::audio::SimulatedOutput> sim_ =
        std::make_shared<platform::audio::SimulatedOutput>();
    MessageLog log_;
};

}  // namespace audiotest
