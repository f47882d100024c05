#pragma once
// Which samples the sound device is playing now: the player's ring of
// output buffers, the device's byte position and the bytes of the buffers
// it has finished tell where in the ring the device is; the samples from
// there onward, through the following buffers still queued in ring order,
// are what the spectrum transforms.
//
// The player calls this under the lock its decoding thread takes before it
// refills a buffer the device has returned, so that the copy is one
// consistent snapshot.

#include <cstdint>
#include <span>

// One output buffer of the ring, as the player sees it.
struct WaveRingBuffer {
    const uint8_t* data = nullptr;
    uint32_t bytes = 0;   // bytes written to the device
    bool queued = false;  // written and not yet returned as played
};

// Copies up to maxFrames interleaved 16-bit frames of blockAlign bytes each
// (2 for mono, 4 for stereo) into 'out', starting at the frame the device
// plays now. playingIndex is the buffer after the last one the device
// returned; devicePosition and playedBytes are the device's byte position
// and the sum of the bytes of the buffers it returned (both counters may
// wrap at 2^32). Returns the frames copied: fewer than maxFrames (even 0)
// when the queued audio holds fewer.
uint32_t CopyPlayingFrames(std::span<const WaveRingBuffer> ring, uint32_t playingIndex,
                           uint32_t devicePosition, uint32_t playedBytes, uint32_t blockAlign,
                           int16_t* out, uint32_t maxFrames);
