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
// 13 bits clear (shift right by 13 for the 16-bit sample). Inline: it runs
// for every sample of every stream.
inline int32_t DitherSample(int32_t sample, DitherState& d)
{
    // Wide arithmetic, then kept to 32 bits as the decoder's fixed point is;
    // clipping keeps every stored value in range.
    const int64_t x = int64_t(sample) + d.e0 - d.e1 + d.e2;
    d.e2 = d.e1;
    d.e1 = d.e0 / 2;
    int64_t o = x + 4096;
    const uint32_t next = static_cast<uint32_t>(d.random) * 1664525u + 1013904223u;
    o += int64_t(next & 0x1FFF) - int64_t(static_cast<uint32_t>(d.random) & 0x1FFF);
    d.random = static_cast<int32_t>(next);
    o = o < -0x10000000LL ? -0x10000000LL : (o > 0x0FFFFFFFLL ? 0x0FFFFFFFLL : o);
    o &= ~int64_t(0x1FFF);
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
