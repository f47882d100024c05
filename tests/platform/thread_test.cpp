// Events and threads with message queues, as the players and workers use
// them.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "platform/thread/event.h"
#include "platform/thread/message_thread.h"

using namespace std::chrono_literals;

TEST(Event, AnAutoResetEventReleasesOneWaitAndResetsItself)
{
    platform::Event e(false);
    EXPECT_FALSE(e.Wait(10));
    e.Set();
    EXPECT_TRUE(e.Wait(0));
    EXPECT_FALSE(e.IsSet());
    EXPECT_FALSE(e.Wait(10));
}

TEST(Event, AManualResetEventStaysSetUntilReset)
{
    platform::Event e(true, true);
    EXPECT_TRUE(e.Wait(0));
    EXPECT_TRUE(e.Wait(0));
    e.Reset();
    EXPECT_FALSE(e.Wait(10));
}

TEST(Event, ASetFromAnotherThreadWakesAnUnlimitedWait)
{
    platform::Event e(false);
    std::thread setter([&] {
        std::this_thread::sleep_for(20ms);
        e.Set();
    });
    EXPECT_TRUE(e.Wait());
    setter.join();
}

TEST(MessageThread, MessagesArriveInOrderAndQuitEndsTheThreadAfterThem)
{
    platform::MessageThread thread;
    std::vector<uint32_t> seen;
    std::thread::id runner;
    ASSERT_TRUE(thread.Start("Test", [&](platform::MessageQueue& queue) {
        runner = std::this_thread::get_id();
        platform::ThreadMessage m;
        while (queue.Get(m))
            seen.push_back(m.message);
    }));
    EXPECT_FALSE(thread.Start("Again", [](platform::MessageQueue&) {}));  // one thread at a time
    for (uint32_t i = 1; i <= 100; ++i)
        ASSERT_TRUE(thread.Post(i));
    thread.QuitAndJoin();
    EXPECT_FALSE(thread.Running());
    EXPECT_FALSE(thread.Post(101));  // nothing runs: refused, not lost silently
    ASSERT_EQ(seen.size(), 100u);
    for (uint32_t i = 0; i < 100; ++i)
        EXPECT_EQ(seen[i], i + 1);
    EXPECT_NE(runner, std::this_thread::get_id());
}

TEST(MessageThread, AThreadCanBeStartedAgainAfterItEnded)
{
    platform::MessageThread thread;
    std::atomic<int> got{0};
    for (int round = 0; round < 3; ++round) {
        ASSERT_TRUE(thread.Start("Round", [&](platform::MessageQueue& queue) {
            platform::ThreadMessage m;
            while (queue.Get(m))
                got += int(m.wParam);
        }));
        thread.Post(1, 5);
        thread.QuitAndJoin();
    }
    EXPECT_EQ(got.load(), 15);
}

TEST(MessageQueue, ATimedGetTellsATimeOutFromAQuit)
{
    platform::MessageQueue queue;
    platform::ThreadMessage m;
    bool timedOut = false;
    EXPECT_FALSE(queue.GetFor(m, 10, timedOut));
    EXPECT_TRUE(timedOut);
    queue.Quit();
    EXPECT_FALSE(queue.GetFor(m, 10, timedOut));
    EXPECT_FALSE(timedOut);
    EXPECT_FALSE(queue.Post({1, 0, 0}));
}
