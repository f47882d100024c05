#include "libkvo/src/playingwindow.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

// A ring of stereo buffers of 'frames' frames each; the left sample of each
// frame holds the frame's number across the ring, the right its negative.
struct Ring {
    Ring(size_t count, uint32_t frames) : storage(count), views(count)
    {
        int16_t next = 0;
        for (size_t b = 0; b < count; ++b) {
            storage[b].resize(size_t(frames) * 2);
            for (uint32_t f = 0; f < frames; ++f, ++next) {
                storage[b][2 * f] = next;
                storage[b][2 * f + 1] = int16_t(-next);
            }
            views[b].data = reinterpret_cast<const uint8_t*>(storage[b].data());
            views[b].bytes = frames * 4;
            views[b].queued = true;
        }
    }
    std::vector<std::vector<int16_t>> storage;
    std::vector<WaveRingBuffer> views;
};

}  // namespace

TEST(PlayingWindow, StartsAtTheDevicePositionAndReadsOnInRingOrder)
{
    Ring ring(4, 100);
    std::vector<int16_t> out(2 * 1000, 0);
    // Buffers 0 and 1 done (800 bytes), the device 10 frames into buffer 2;
    // buffers 3, then 0 and 1 again (refilled and queued) follow.
    const uint32_t got = CopyPlayingFrames(ring.views, 2, 800 + 40, 800, 4, out.data(), 250);
    ASSERT_EQ(got, 250u);
    EXPECT_EQ(out[0], 210);
    EXPECT_EQ(out[1], -210);
    EXPECT_EQ(out[2 * 89], 299);
    EXPECT_EQ(out[2 * 90], 300);  // buffer 3
    EXPECT_EQ(out[2 * 190], 0);   // wrapped to buffer 0
    EXPECT_EQ(out[2 * 249], 59);
}

TEST(PlayingWindow, StopsAtTheFirstBufferNotQueuedAndNeverReadsOneTwice)
{
    Ring ring(4, 100);
    std::vector<int16_t> out(2 * 1000, 0);
    ring.views[0].queued = false;
    EXPECT_EQ(CopyPlayingFrames(ring.views, 2, 40, 0, 4, out.data(), 1000), 190u);

    ring.views[0].queued = true;
    // All queued: from frame 10 of buffer 2 once round the ring to buffer 1's end.
    EXPECT_EQ(CopyPlayingFrames(ring.views, 2, 40, 0, 4, out.data(), 1000), 390u);
    EXPECT_EQ(out[2 * 389], 199);

    ring.views[2].queued = false;  // the device has returned everything
    EXPECT_EQ(CopyPlayingFrames(ring.views, 2, 40, 0, 4, out.data(), 1000), 0u);
}

TEST(PlayingWindow, DevicePositionOutsideTheReportedBuffer)
{
    Ring ring(3, 100);
    std::vector<int16_t> out(2 * 300, 0);
    // Past the end of buffer 1 before its return was reported: 20 frames
    // into buffer 2.
    ASSERT_EQ(CopyPlayingFrames(ring.views, 1, 400 + 480, 400, 4, out.data(), 10), 10u);
    EXPECT_EQ(out[0], 220);
    // Behind the bytes already reported: the start of the buffer.
    ASSERT_EQ(CopyPlayingFrames(ring.views, 1, 390, 400, 4, out.data(), 10), 10u);
    EXPECT_EQ(out[0], 100);
    // Counters that wrapped at 2^32 still give the offset between them.
    ASSERT_EQ(CopyPlayingFrames(ring.views, 1, 0x10u, 0xFFFFFFF0u, 4, out.data(), 10), 10u);
    EXPECT_EQ(out[0], 108);
    // A position inside a frame counts from that frame.
    ASSERT_EQ(CopyPlayingFrames(ring.views, 1, 400 + 6, 400, 4, out.data(), 10), 10u);
    EXPECT_EQ(out[0], 101);
}

TEST(PlayingWindow, MonoBuffersAndPartlyFilledBuffers)
{
    std::vector<int16_t> a = {1, 2, 3, 4}, b = {5, 6, 7};
    std::vector<WaveRingBuffer> ring = {
        {reinterpret_cast<const uint8_t*>(a.data()), 8, true},
        {reinterpret_cast<const uint8_t*>(b.data()), 5, true},  // a half sample at the end is left out
    };
    std::vector<int16_t> out(10, -1);
    ASSERT_EQ(CopyPlayingFrames(ring, 0, 2, 0, 2, out.data(), 10), 5u);
    EXPECT_EQ(std::vector<int16_t>(out.begin(), out.begin() + 6), (std::vector<int16_t>{2, 3, 4, 5, 6, -1}));
    EXPECT_EQ(CopyPlayingFrames(ring, 0, 0, 0, 3, out.data(), 10), 0u);  // no such frame size
    EXPECT_EQ(CopyPlayingFrames({}, 0, 0, 0, 4, out.data(), 10), 0u);
}
