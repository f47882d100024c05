#pragma once
// The players' sample arithmetic as small pure functions: noise-shaped
// dither from the decoder's 28-bit fixed point to 16 bits, the two-stream
// mix, the gain curve, software gains, vocal cut and the reversal of a
// buffer. The decoding thread only calls these.

#include <cstddef>
#include <cstdint>

struct DitherState {
    int32_t e0 = 0;
    int32_t e1 = 0;
    int32_t e2 = 0;
    int32_t random = 0;
};

// Dithers one 28-bit sample; the result keeps its 28-bit scale with the low
// 13 bits clear (shift right by 13 for the 16-bit sample).
int32_t DitherSample(int32_t sample, DitherState& state);

// The two-stream mix of two dithered samples: 0.7 of each, stream 2 scaled
// by the mix level, clipped, as a 16-bit sample.
int16_t MixDithered(int32_t stream1, int32_t stream2, float mixLevel);

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
