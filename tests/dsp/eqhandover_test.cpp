// The equalizer's hand-over between the design thread and the decoding
// thread, and the design thread itself.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "libkvo/src/eqdesignthread.h"
#include "libkvo/src/firequalizer.h"
#include "tests/dsp/signals.h"

namespace {

constexpr uint32_t kLatency = 12286;

double Gain(const std::vector<int16_t>& pcm, size_t first, size_t count)
{
    return dsptest::ToneAmplitude(pcm, 1, 0, first, count, 1000.0, 44100.0) / 4000.0;
}

}  // namespace

TEST(EqHandOver, DesignsRunningBesideProcessingNeverTearATable)
{
    FirEqualizer eq;
    ASSERT_TRUE(eq.Init(FirEqualizer::kPlayerBits));
    ASSERT_TRUE(eq.MakeTable(std::vector<float>(10, 1.0f), std::vector<float>(10, 1.0f), 44100.0f));

    std::atomic<bool> done{false};
    std::thread designer([&] {
        // Left and right always get the same gains in one design, so any
        // mix of two designs shows up as a difference between the sides.
        for (int i = 0; !done.load(); ++i) {
            const std::vector<float> gains(10, (i % 2) ? 0.5f : 1.5f);
            eq.MakeTable(gains, gains, 44100.0f);
        }
    });
    const std::vector<int16_t> in = dsptest::Noise(8191 * 24, 1, 8000, 11);
    std::vector<int16_t> stereo(in.size() * 2);
    for (size_t i = 0; i < in.size(); ++i)
        stereo[2 * i] = stereo[2 * i + 1] = in[i];
    for (size_t done_frames = 0; done_frames < in.size(); done_frames += 4410) {
        const uint32_t take = uint32_t(std::min<size_t>(4410, in.size() - done_frames));
        ASSERT_EQ(eq.Process(stereo.data() + done_frames * 2, take, 2, 16), take);
    }
    done = true;
    designer.join();
    for (size_t i = 0; i < in.size(); ++i)
        ASSERT_EQ(stereo[2 * i], stereo[2 * i + 1]) << "frame " << i;
}

TEST(EqDesignThread, DesignsOnRequestWithTheNewestSettings)
{
    FirEqualizer eq;
    ASSERT_TRUE(eq.Init(FirEqualizer::kPlayerBits));
    EqDesignThread thread(eq);

    std::mutex mutex;
    std::condition_variable cv;
    float setting = 1.0f;        // the player's gain, changed by the "user"
    float lastDesigned = 0.0f;   // gain of the last finished design
    float lastRead = 0.0f;
    int designs = 0;
    float designedRate = 0.0f;
    ASSERT_TRUE(thread.Start(
        [&](EqDesignRequest& request) {
            std::lock_guard<std::mutex> lock(mutex);
            lastRead = setting;
            request.leftGains.assign(10, setting);
            request.rightGains.assign(10, setting);
            request.sampleRate = 44100.0f;
            return true;
        },
        [&](float rate) {
            std::lock_guard<std::mutex> lock(mutex);
            lastDesigned = lastRead;
            designedRate = rate;
            ++designs;
            cv.notify_all();
        }));
    EXPECT_FALSE(thread.Start(nullptr, nullptr));  // already running

    for (int i = 1; i <= 40; ++i) {
        {
            std::lock_guard<std::mutex> lock(mutex);
            setting = 0.05f * float(i);
        }
        ASSERT_TRUE(thread.RequestDesign());
    }
    {
        std::unique_lock<std::mutex> lock(mutex);
        ASSERT_TRUE(cv.wait_for(lock, std::chrono::seconds(30), [&] { return lastDesigned == setting; }));
        EXPECT_GE(designs, 1);
        EXPECT_LE(designs, 40);
        EXPECT_EQ(designedRate, 44100.0f);
    }
    thread.Stop();
    EXPECT_FALSE(thread.Running());
    EXPECT_FALSE(thread.RequestDesign());

    // The decoding side takes up the newest design (gain 2.0).
    std::vector<int16_t> pcm = dsptest::Tone(kLatency + 2 * 8191, 1, 1000.0, 44100.0, 4000.0);
    ASSERT_EQ(eq.Process(pcm.data(), uint32_t(pcm.size()), 1, 16), pcm.size());
    EXPECT_NEAR(Gain(pcm, kLatency + 4000, 8191), 2.0, 0.05);
}

TEST(EqDesignThread, StopsPromptlyWithRequestsStillQueued)
{
    FirEqualizer eq;
    ASSERT_TRUE(eq.Init(FirEqualizer::kPlayerBits));
    {
        EqDesignThread thread(eq);
        ASSERT_TRUE(thread.Start(
            [](EqDesignRequest& request) {
                request.leftGains.assign(10, 1.0f);
                request.rightGains.assign(10, 1.0f);
                request.sampleRate = 44100.0f;
                return true;
            },
            nullptr));
        for (int i = 0; i < 100; ++i)
            thread.RequestDesign();
        // Leaving the scope ends and joins the thread.
    }
    // A stopped thread can be started again.
    EqDesignThread again(eq);
    std::atomic<int> designs{0};
    ASSERT_TRUE(again.Start(
        [](EqDesignRequest& request) {
            request.leftGains.assign(10, 1.0f);
            request.rightGains.assign(10, 1.0f);
            request.sampleRate = 48000.0f;
            return true;
        },
        [&](float) { ++designs; }));
    again.RequestDesign();
    for (int i = 0; i < 3000 && designs.load() == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(designs.load(), 1);
}
