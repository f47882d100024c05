#include "libkvo/src/mixdsp.h"

#include <algorithm>
#include <cmath>
#include <utility>

int32_t DitherSample(int32_t sample, DitherState& d)
{
    // The arithmetic is done wide and then kept to 32 bits, as the decoder's
    // fixed point is; clipping keeps every stored value in range.
    const int64_t x = int64_t(sample) + d.e0 - d.e1 + d.e2;
    d.e2 = d.e1;
    d.e1 = d.e0 / 2;
    int64_t o = x + 4096;
    const uint32_t next = static_cast<uint32_t>(d.random) * 1664525u + 1013904223u;
    o += int64_t(next & 0x1FFF) - int64_t(static_cast<uint32_t>(d.random) & 0x1FFF);
    d.random = static_cast<int32_t>(next);
    o = std::clamp<int64_t>(o, -0x10000000LL, 0x0FFFFFFFLL);
    o &= ~int64_t(0x1FFF);
    d.e0 = static_cast<int32_t>(std::clamp<int64_t>(x - o, INT32_MIN, INT32_MAX));
    return static_cast<int32_t>(o);
}

int16_t MixDithered(int32_t stream1, int32_t stream2, float mixLevel)
{
    double m = std::trunc(0.7 * stream1 + 0.7 * stream2 * static_cast<double>(mixLevel));
    m = std::clamp(m, -268435456.0, 268427264.0);  // -0x10000000 .. 0x0FFFE000
    return static_cast<int16_t>(static_cast<int32_t>(m) >> 13);
}

double GainCurve(double level)
{
    if (level >= 100.0)
        return 1.0;
    return std::pow(10.0, level / 100.0) / 10.0 - 0.1;
}

void ApplyGains(int16_t* samples, size_t count, int channels, double left, double right)
{
    if (channels == 2) {
        for (size_t i = 0; i + 1 < count; i += 2) {
            samples[i] = static_cast<int16_t>(std::trunc(samples[i] * left));
            samples[i + 1] = static_cast<int16_t>(std::trunc(samples[i + 1] * right));
        }
    } else {
        for (size_t i = 0; i < count; ++i)
            samples[i] = static_cast<int16_t>(std::trunc(samples[i] * left));
    }
}

void VocalCutPairs(int16_t* samples, size_t count)
{
    for (size_t i = 0; i + 1 < count; i += 2) {
        const int32_t l = samples[i];
        const int32_t r = samples[i + 1];
        samples[i] = static_cast<int16_t>(static_cast<uint16_t>(l - r));
        samples[i + 1] = static_cast<int16_t>(static_cast<uint16_t>(r - l));
    }
}

void ReverseSamples(int16_t* samples, size_t bytes, int channels)
{
    if (bytes < 8)
        return;
    if (channels == 2) {
        size_t pairs = bytes / 4;
        for (size_t i = 0, j = pairs - 1; i < j; ++i, --j) {
            std::swap(samples[2 * i], samples[2 * j]);
            std::swap(samples[2 * i + 1], samples[2 * j + 1]);
        }
    } else {
        std::reverse(samples, samples + bytes / 2);
    }
}
