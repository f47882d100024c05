#include "libkvo/src/eqlatency.h"

#include <algorithm>
#include <cstring>

#include "libkvo/src/firequalizer.h"

void EqLatencyGate::Reset(uint32_t latencyFrames)
{
    latency_ = latencyFrames;
    toDrop_ = latencyFrames;
    held_ = 0;
    zerosFed_ = 0;
}

uint32_t EqLatencyGate::DropFront(int16_t* samples, uint32_t frames, int channels)
{
    const uint32_t dropped = std::min(toDrop_, frames);
    toDrop_ -= dropped;
    const uint32_t kept = frames - dropped;
    if (dropped > 0 && kept > 0)
        std::memmove(samples, samples + size_t(dropped) * channels, size_t(kept) * channels * sizeof(int16_t));
    return kept;
}

uint32_t EqLatencyGate::Filter(FirEqualizer& eq, int16_t* samples, uint32_t frames, int channels)
{
    if (frames == 0 || eq.Process(samples, frames, channels, 16) != frames)
        return 0;
    const uint32_t kept = DropFront(samples, frames, channels);
    held_ += frames - kept;
    return kept;
}

uint32_t EqLatencyGate::DrainTail(FirEqualizer& eq, int16_t* out, uint32_t capacityFrames, int channels)
{
    if (!TailPending() || capacityFrames == 0)
        return 0;
    const uint32_t chunk = std::min(capacityFrames, latency_ - zerosFed_);
    std::fill(out, out + size_t(chunk) * channels, int16_t(0));
    if (eq.Process(out, chunk, channels, 16) != chunk) {
        held_ = 0;  // the equalizer is gone: nothing more can come out
        return 0;
    }
    zerosFed_ += chunk;
    const uint32_t kept = DropFront(out, chunk, channels);
    held_ = held_ > kept ? held_ - kept : 0;
    return kept;
}
