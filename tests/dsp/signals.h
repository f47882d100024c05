#pragma once
// Signals and measurements shared by this area's tests.

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "tests/support/pcm_maker.h"

namespace dsptest {

// Interleaved 16-bit noise, a different sequence on every channel.
inline std::vector<int16_t> Noise(size_t frames, int channels, int amplitude, unsigned seed)
{
    std::mt19937 gen(seed);
    std::uniform_int_distribution<int> dist(-amplitude, amplitude);
    std::vector<int16_t> out(frames * size_t(channels));
    for (int16_t& s : out)
        s = int16_t(dist(gen));
    return out;
}

// The same sine on every channel, amplitude in sample units.
inline std::vector<int16_t> Tone(size_t frames, int channels, double frequency, double rate, double amplitude,
                                 double phase = 0.0)
{
    std::vector<int16_t> out(frames * size_t(channels));
    for (size_t i = 0; i < frames; ++i) {
        const double v = std::round(amplitude * std::sin(2.0 * M_PI * frequency * double(i) / rate + phase));
        for (int c = 0; c < channels; ++c)
            out[i * size_t(channels) + size_t(c)] = int16_t(v);
    }
    return out;
}

using testsupport::ToneAmplitude;

}  // namespace dsptest
