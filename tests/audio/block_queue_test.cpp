// The queues behind pushed streams: what a read delivers and reports, what
// stays queued, who owns the memory, and push and read on two threads.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <numeric>
#include <thread>
#include <vector>

#include "libkvo/src/blockqueue.h"
#include "libkvo/src/copyqueue.h"

namespace {

std::vector<char> Pattern(size_t size, int seed)
{
    std::vector<char> block(size);
    for (size_t i = 0; i < size; ++i)
        block[i] = static_cast<char>((i * 7 + seed * 31) & 0xFF);
    return block;
}

TEST(BlockQueue, ReadAcrossBlocksStopsInsideTheLastOne)
{
    const auto a = Pattern(300, 1), b = Pattern(300, 2), c = Pattern(600, 3);
    BlockQueue queue;
    ASSERT_EQ(queue.Push(a.data(), 300), 1);
    ASSERT_EQ(queue.Push(b.data(), 300), 1);
    ASSERT_EQ(queue.Push(c.data(), 600), 1);
    EXPECT_EQ(queue.GetUnreadBytes(), 1200u);

    std::vector<char> out(1000);
    uint32_t delivered = 0, usedUp = 0;
    ASSERT_TRUE(queue.Read(out.data(), 1000, &delivered, &usedUp));
    EXPECT_EQ(delivered, 1000u);
    EXPECT_EQ(usedUp, 2u);
    EXPECT_EQ(memcmp(out.data(), a.data(), 300), 0);
    EXPECT_EQ(memcmp(out.data() + 300, b.data(), 300), 0);
    EXPECT_EQ(memcmp(out.data() + 600, c.data(), 400), 0);
    EXPECT_EQ(queue.GetUnreadBytes(), 200u);
    EXPECT_EQ(queue.GetCount(), 1u);
    EXPECT_FALSE(queue.Contains(a.data()));
    EXPECT_TRUE(queue.Contains(c.data()));

    // The next read goes on inside the third block and uses it up.
    ASSERT_TRUE(queue.Read(out.data(), 500, &delivered, &usedUp));
    EXPECT_EQ(delivered, 200u);
    EXPECT_EQ(usedUp, 1u);
    EXPECT_EQ(memcmp(out.data(), c.data() + 400, 200), 0);
    EXPECT_FALSE(queue.Contains(c.data()));
    EXPECT_EQ(queue.GetUnreadBytes(), 0u);

    EXPECT_FALSE(queue.Read(out.data(), 10, &delivered, &usedUp));
    EXPECT_EQ(delivered, 0u);
}

TEST(BlockQueue, RefusesNullArgumentsAndNullBlocksWithBytes)
{
    BlockQueue queue;
    char byte = 0;
    uint32_t delivered = 9, usedUp = 9;
    EXPECT_FALSE(queue.Read(&byte, 1, &delivered, &usedUp));
    EXPECT_EQ(delivered, 0u);
    EXPECT_EQ(queue.Push(nullptr, 100), 0);
    EXPECT_EQ(queue.Push(nullptr, 0), 1);   // an empty block is harmless
    EXPECT_FALSE(queue.Read(nullptr, 1, &delivered, &usedUp));
    EXPECT_FALSE(queue.Read(&byte, 1, nullptr, &usedUp));
}

TEST(BlockQueue, EmptyingForgetsBlocksWithoutFreeingThem)
{
    auto a = Pattern(50, 1);
    BlockQueue queue;
    queue.Push(a.data(), 50);
    queue.Empty();
    EXPECT_EQ(queue.GetCount(), 0u);
    EXPECT_EQ(queue.GetUnreadBytes(), 0u);
    EXPECT_FALSE(queue.Contains(a.data()));
    a[0] = 1;   // still ours (ASan would catch a free)
}

TEST(CopyQueue, ReadAcrossCopiesStopsInsideTheLastOne)
{
    auto a = Pattern(300, 1), b = Pattern(300, 2), c = Pattern(600, 3);
    const auto expected = [&] {
        std::vector<char> all(a);
        all.insert(all.end(), b.begin(), b.end());
        all.insert(all.end(), c.begin(), c.end());
        return all;
    }();
    CopyQueue queue;
    EXPECT_EQ(queue.Push(a.data(), 300), 300u);
    EXPECT_EQ(queue.Push(b.data(), 300), 300u);
    EXPECT_EQ(queue.Push(c.data(), 600), 600u);
    // The caller may reuse its blocks at once.
    std::fill(a.begin(), a.end(), 0);
    std::fill(c.begin(), c.end(), 0);

    std::vector<char> out(1200);
    uint32_t usedUp = 0;
    EXPECT_EQ(queue.Read(out.data(), 1000, &usedUp), 1000u);
    EXPECT_EQ(usedUp, 2u);
    EXPECT_TRUE(queue.Contains(c.data()));
    EXPECT_FALSE(queue.Contains(b.data()));
    EXPECT_EQ(queue.GetUnreadBytes(), 200u);
    EXPECT_EQ(queue.Read(out.data() + 1000, 1000, &usedUp), 200u);
    EXPECT_EQ(usedUp, 1u);
    EXPECT_EQ(out, expected);
    EXPECT_EQ(queue.Read(out.data(), 10, &usedUp), 0u);
}

TEST(CopyQueue, RefusesEmptyPushesAndShowsWhereTheOldestCopyStands)
{
    CopyQueue queue;
    const auto a = Pattern(100, 1), b = Pattern(50, 2);
    EXPECT_EQ(queue.Push(nullptr, 10), 0u);
    EXPECT_EQ(queue.Push(a.data(), 0), 0u);
    EXPECT_EQ(queue.GetCount(), 0u);

    queue.Push(a.data(), 100);
    queue.Push(b.data(), 50);
    std::vector<char> out(100);
    uint32_t usedUp = 0;
    EXPECT_EQ(queue.Read(out.data(), 30, &usedUp), 30u);

    const char* data = nullptr;
    uint32_t left = 0;
    ASSERT_EQ(queue.PeekFront(&data, &left), 1);
    EXPECT_EQ(left, 70u);
    EXPECT_EQ(memcmp(data, a.data() + 30, 70), 0);
    EXPECT_EQ(queue.PeekFront(&data, nullptr), 0);
    EXPECT_EQ(queue.GetUnreadBytes(), 120u);
    queue.Empty();
    EXPECT_EQ(queue.GetUnreadBytes(), 0u);
    EXPECT_EQ(queue.PeekFront(&data, &left), 0);
}

// One thread pushes numbered blocks while another reads odd-sized pieces
// and a third watches the load; the bytes read must be the bytes pushed.
template <typename Queue, typename ReadFn>
void PushAndReadOnTwoThreads(Queue& queue, ReadFn read)
{
    std::vector<std::vector<char>> blocks;
    std::vector<char> expected;
    for (int i = 0; i < 400; ++i) {
        blocks.push_back(Pattern(1 + (i * 37) % 500, i));
        expected.insert(expected.end(), blocks.back().begin(), blocks.back().end());
    }
    std::atomic<bool> done{false};
    std::thread producer([&] {
        for (const auto& block : blocks) {
            while (!queue.Push(block.data(), static_cast<uint32_t>(block.size())))
                std::this_thread::yield();
        }
    });
    std::thread watcher([&] {
        while (!done) {
            (void)queue.GetUnreadBytes();
            (void)queue.Contains(blocks[0].data());
            std::this_thread::yield();
        }
    });
    std::vector<char> got;
    std::vector<char> piece(333);
    uint32_t usedUpTotal = 0;
    while (got.size() < expected.size()) {
        uint32_t usedUp = 0;
        const uint32_t n = read(piece.data(), 1 + got.size() % 333, &usedUp);
        got.insert(got.end(), piece.begin(), piece.begin() + n);
        usedUpTotal += usedUp;
        if (n == 0)
            std::this_thread::yield();
    }
    producer.join();
    done = true;
    watcher.join();
    EXPECT_EQ(got, expected);
    EXPECT_EQ(usedUpTotal, blocks.size());
    EXPECT_EQ(queue.GetUnreadBytes(), 0u);
    EXPECT_EQ(queue.GetCount(), 0u);
}

TEST(QueueThreads, BlockQueuePushAndReadOnTwoThreads)
{
    BlockQueue queue;
    PushAndReadOnTwoThreads(queue, [&](char* dest, uint32_t wanted, uint32_t* usedUp) {
        uint32_t delivered = 0;
        return queue.Read(dest, wanted, &delivered, usedUp) ? delivered : 0u;
    });
}

TEST(QueueThreads, CopyQueuePushAndReadOnTwoThreads)
{
    CopyQueue queue;
    PushAndReadOnTwoThreads(queue, [&](char* dest, uint32_t wanted, uint32_t* usedUp) {
        return queue.Read(dest, wanted, usedUp);
    });
}

}  // namespace
