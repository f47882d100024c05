#pragma once
// The players' sample arithmetic as small pure functions: noise-shaped
// dither from the decoder's 28-bit fixed point to 16 bits, the two-stream
// mix, the gain curve, software gains, vocal cut and the reversal of a
// buffer. The decoding thread only calls these.

#include <cstddef>
#include <cstdint>
#include <climits>

struct DitherState {
    int32_t e0 = 0;
    int32_t e1 = 0;
    int32_t e2 = 0;
    int32_t random = 0;
};

// Dithers one 28-bit sample; the result keeps its 28-bit scale with the low
// 13 bits clear (shift right by 13 for the 16-bit sample). The error
// feedback is e0 - e1 + e2 with e1 half of the error before last, the noise
// the difference of two successive draws of a linear congruential
// generator, and the result is rounded (offset 4096) and clipped to the
// 28-bit range. Inline: it runs for every sample of every stream.
inline int32_t DitherSample(int32_t sample, DitherState& d)
{
    // Wide arithmetic, then kept to 32 bits as the decoder's fixed point is;
    // clipping keeps every stored value in range.
    const int64_t x = int64_t(sample) + d.e0 - d.e1 + d.e2;
    d.e2 = d.e1;
    d.e1 = d.e0 / 2;
    const uint32_t next = static_cast<uint32_t>(d.random) * 1664525u + 1013904223u;
    const int64_t offset = 4096 + int64_t(next & 0x1FFF) - int64_t(static_cast<uint32_t>(d.random) & 0x1FFF);
    d.random = static_cast<int32_t>(next);
    const int64_t q = x + offset;
    if (q >= -0x10000000LL && q <= 0x0FFFFFFFLL) [[likely]] {
        // Unclipped, the error x - (q with 13 bits cleared) is what the
        // clearing took, less the offset: the next sample then waits on
        // three operations instead of a chain of clips.
        d.e0 = static_cast<int32_t>((q & 0x1FFF) - offset);
        return static_cast<int32_t>(q & ~int64_t(0x1FFF));
    }
    const int64_t o = q < 0 ? -0x10000000LL : 0x0FFFE000LL;
    const int64_t e = x - o;
    d.e0 = static_cast<int32_t>(e < INT32_MIN ? INT32_MIN : (e > INT32_MAX ? INT32_MAX : e));
    return static_cast<int32_t>(o);
}

// The two-stream mix of two dithered samples: 0.7 of each, stream 2 scaled
// by the mix level, clipped, as a 16-bit sample.
inline int16_t MixDithered(int32_t stream1, int32_t stream2, float mixLevel)
{
    double m = 0.7 * stream1 + 0.7 * stream2 * static_cast<double>(mixLevel);
    // -0x10000000 .. 0x0FFFE000; clipping before the truncation toward zero
    // gives the same result as after it, the bounds being whole numbers.
    m = m < -268435456.0 ? -268435456.0 : (m > 268427264.0 ? 268427264.0 : m);
    return static_cast<int16_t>(static_cast<int32_t>(m) >> 13);
}

// One dithered sample of a single stream as a 16-bit sample.
inline int16_t SoloDithered(int32_t dithered)
{
    return static_cast<int16_t>(dithered >> 13);
}

// One stream's decoded frame: one or two channels of 'length' samples.
struct DecodedFrame {
    const int32_t* left = nullptr;
    const int32_t* right = nullptr;  // null for a mono stream
    uint32_t length = 0;
};

constexpr uint32_t kMaxFrameSamples = 1152;

// Room for one dithered frame of every channel of two streams.
struct DitherScratch {
    int32_t channel[2][2][kMaxFrameSamples];
};

// Dithers one frame of one or two streams (each with its left and right
// dither state) and writes 'count' (at most kMaxFrameSamples) interleaved
// 16-bit stereo samples: the two-stream mix at 'mixLevel', or the single
// stream. Exactly what DitherSample, MixDithered and SoloDithered give one
// sample at a time: a mono stream is dithered once, with its left state,
// and heard on both sides; so is the silence after the last sample of a
// stream whose frame is shorter than 'count'. Channels of whole frames are
// dithered in lockstep, so that their independent error chains overlap in
// the processor, and the mix runs over whole blocks.
void DitherAndMixFrame(const DecodedFrame* streams, int streamCount, uint32_t count, DitherState (*states)[2],
                       float mixLevel, DitherScratch& scratch, int16_t* out);

// The loudness curve of a percent or level 0..100: 0 at 0, exactly 1 at 100.
double GainCurve(double level);

// Multiplies each 16-bit sample by its side's gain, truncating toward zero
// (a mono buffer takes the left gain).
void ApplyGains(int16_t* samples, size_t count, int channels, double left, double right);

// Centre cancellation: each stereo pair (L, R) becomes (L - R, R - L) with
// 16-bit wrap.
void VocalCutPairs(int16_t* samples, size_t count);

// Plays a buffer backwards: reverses the order of the samples (mono) or of
// the left/right pairs (stereo). Buffers under 8 bytes stay as they are.
void ReverseSamples(int16_t* samples, size_t bytes, int channels);
