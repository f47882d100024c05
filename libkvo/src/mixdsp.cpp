#include "libkvo/src/mixdsp.h"

#include <algorithm>
#include <cmath>
#include <utility>

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
