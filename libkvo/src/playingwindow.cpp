#include "libkvo/src/playingwindow.h"

#include <algorithm>
#include <cstring>

uint32_t CopyPlayingFrames(std::span<const WaveRingBuffer> ring, uint32_t playingIndex,
                           uint32_t devicePosition, uint32_t playedBytes, uint32_t blockAlign,
                           int16_t* out, uint32_t maxFrames)
{
    if (ring.empty() || out == nullptr || maxFrames == 0 || (blockAlign != 2 && blockAlign != 4))
        return 0;
    size_t index = playingIndex % ring.size();
    // A device position behind the finished buffers' bytes (the done
    // callback counted before the position moved) means the start of the
    // buffer now playing.
    uint32_t offset = devicePosition - playedBytes;
    if (offset >= 0x80000000u)
        offset = 0;
    offset -= offset % blockAlign;

    size_t visited = 0;
    // The position may already be past the buffer whose return has not
    // been reported yet: walk on to the buffer that holds it.
    while (visited < ring.size() && ring[index].queued) {
        const uint32_t usable = ring[index].bytes - ring[index].bytes % blockAlign;
        if (offset < usable)
            break;
        offset -= usable;
        index = (index + 1) % ring.size();
        ++visited;
    }

    uint32_t copied = 0;
    uint8_t* dst = reinterpret_cast<uint8_t*>(out);
    while (visited < ring.size() && copied < maxFrames) {
        const WaveRingBuffer& buffer = ring[index];
        if (!buffer.queued || buffer.data == nullptr)
            break;
        const uint32_t usable = buffer.bytes - buffer.bytes % blockAlign;
        if (offset < usable) {
            const uint32_t frames = std::min((usable - offset) / blockAlign, maxFrames - copied);
            std::memcpy(dst + size_t(copied) * blockAlign, buffer.data + offset, size_t(frames) * blockAlign);
            copied += frames;
        }
        offset = 0;
        index = (index + 1) % ring.size();
        ++visited;
    }
    return copied;
}
