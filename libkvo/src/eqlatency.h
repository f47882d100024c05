#pragma once
// Keeps the FIR equalizer's delay out of what a player writes to the
// device: after the equalizer is cleared, the first GetLatency() frames that
// come out of it are the silence it started with and are dropped; when the
// equalizer is switched off or playing ends, the frames still held inside
// it are run out by feeding it silence. In between, every frame that went
// in comes out exactly once, in order.
//
// Runs on the decoding thread with the equalizer it wraps.

#include <cstdint>

class FirEqualizer;

class EqLatencyGate {
public:
    // Call right after FirEqualizer::Clear (new stream, new play, equalizer
    // switched on, new band edges), with its GetLatency().
    void Reset(uint32_t latencyFrames);

    // Filters 16-bit frames in place and removes the delay still to drop
    // from their front. Returns the frames now at the start of 'samples' to
    // write; 0 means the whole buffer was delay: write nothing and refill.
    // Returns 0 as well when the equalizer refuses the buffer (it is then
    // left as it was and nothing is counted).
    uint32_t Filter(FirEqualizer& eq, int16_t* samples, uint32_t frames, int channels);

    // True while frames that went in have not come out.
    bool TailPending() const { return held_ > 0 && zerosFed_ < latency_; }

    // Runs out up to capacityFrames frames of the held tail into 'out'.
    // Returns the frames written (it may be 0 while the delay in front of a
    // short tail is still being dropped); call while TailPending().
    uint32_t DrainTail(FirEqualizer& eq, int16_t* out, uint32_t capacityFrames, int channels);

private:
    uint32_t DropFront(int16_t* samples, uint32_t frames, int channels);

    uint32_t latency_ = 0;
    uint32_t toDrop_ = 0;    // output frames still to drop
    uint64_t held_ = 0;      // frames taken in and not yet out
    uint32_t zerosFed_ = 0;  // silence fed to run out the tail
};
