#pragma once
// What the player tests share: a simulated sound device installed for the
// test, songs made of tones, and a callback that records what it is told.

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "libkvo/src/duoplayer.h"
#include "platform/audio/audio_output.h"
#include "platform/audio/sim_output.h"
#include "tests/support/mp3_maker.h"

namespace playertest {

// Owns a player and releases it.
struct PlayerPtr {
    CDuoPlayer* p = CreateDuoPlayer();
    ~PlayerPtr()
    {
        if (p)
            p->Release();
    }
    CDuoPlayer* operator->() const { return p; }
};

class SimulatedDevice : public ::testing::Test {
protected:
    void SetUp() override
    {
        sim = std::make_shared<platform::audio::SimulatedOutput>();
        platform::audio::UseSimulatedOutput(sim);
    }
    void TearDown() override { platform::audio::UseDefaultOutput(); }

    std::shared_ptr<platform::audio::SimulatedOutput> sim;
};

// A stereo tone of 'seconds' encoded as MP3.
inline std::vector<uint8_t> ToneMp3(double frequency, double seconds, double amplitude = 0.5, int rate = 44100,
                                    testsupport::Mp3Options options = {})
{
    return testsupport::MakeMp3(testsupport::MakeTone(rate, 2, seconds, frequency, amplitude), options);
}

struct Event {
    uint32_t kind;
    uintptr_t wParam;
    uintptr_t lParam;
    std::thread::id thread;
};

// Records every event with the thread it arrived on; answers through a
// function the test may set.
class RecordingCallback : public MP3CallBack {
public:
    int OnPlayerMessage(uint32_t kind, uintptr_t wParam, uintptr_t lParam) override
    {
        int answer = 0;
        if (answerFor)
            answer = answerFor(kind);
        std::lock_guard<std::mutex> lock(mutex_);
        events_.push_back({kind, wParam, lParam, std::this_thread::get_id()});
        cv_.notify_all();
        return answer;
    }

    std::vector<Event> Events() const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return events_;
    }
    size_t Count(uint32_t kind) const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        size_t n = 0;
        for (const Event& e : events_)
            n += e.kind == kind;
        return n;
    }
    bool WaitFor(uint32_t kind, size_t count = 1, int timeoutMs = 10000) const
    {
        std::unique_lock<std::mutex> lock(mutex_);
        return cv_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
            size_t n = 0;
            for (const Event& e : events_)
                n += e.kind == kind;
            return n >= count;
        });
    }

    std::function<int(uint32_t)> answerFor;

private:
    mutable std::mutex mutex_;
    mutable std::condition_variable cv_;
    std::vector<Event> events_;
};

// Plays from where the player stands to the natural end; returns what the
// device played meanwhile.
inline std::vector<uint8_t> PlayToEnd(CDuoPlayer* p, platform::audio::SimulatedOutput& sim, int timeoutMs = 60000)
{
    sim.ClearRecorded();
    RecordingCallback cb;
    EXPECT_EQ(p->SetCallbackFunc(&cb, MP3_MSG_STOP), 1);
    EXPECT_EQ(p->Play(), 1) << p->GetError();
    EXPECT_TRUE(cb.WaitFor(MP3_MSG_STOP, 1, timeoutMs));
    p->SetCallbackFunc(nullptr, 0);
    return sim.Recorded();
}

}  // namespace playertest
