#pragma once
// What the effects tests share beyond the player tests' fixture: playing a
// song to its end, waiting for the equalizer's design, and measuring a
// tone in the recorded output.

#include <chrono>
#include <cmath>
#include <thread>

#include "tests/player/player_fixture.h"
#include "tests/support/pcm_maker.h"

namespace effectstest {

using playertest::PlayerPtr;
using playertest::RecordingCallback;

using playertest::PlayToEnd;

// Stepped clock: plays until 'ms' of 44100 Hz stereo have come out, so
// that the device has taken buffers the decoding thread filled.
inline bool AdvanceUntilPlayed(platform::audio::SimulatedOutput& sim, uint32_t ms)
{
    const size_t bytes = size_t(ms) * 44100 / 1000 * 4;
    for (int step = 0; step < 2000; ++step) {
        if (sim.RecordedSize() >= bytes)
            return true;
        sim.Advance(5);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}

// Waits until the FIR equalizer reports ready (its design is in).
inline bool WaitForEqReady(CDuoPlayer* p, bool ready = true, int timeoutMs = 20000)
{
    for (int waited = 0; waited < timeoutMs; waited += 5) {
        MP3_STATUS status{};
        p->GetStatus(&status);
        if ((status.fExternalEQ != 0) == ready)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

inline std::vector<int16_t> Samples(const std::vector<uint8_t>& bytes)
{
    std::vector<int16_t> out(bytes.size() / 2);
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = int16_t(uint16_t(bytes[2 * i] | (bytes[2 * i + 1] << 8)));
    return out;
}

using testsupport::MiddleToneAmplitude;

// The largest difference between two recordings of equal length.
inline int MaxDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b)
{
    const auto x = Samples(a), y = Samples(b);
    int worst = 0;
    for (size_t i = 0; i < std::min(x.size(), y.size()); ++i)
        worst = std::max(worst, std::abs(int(x[i]) - int(y[i])));
    return worst;
}

}  // namespace effectstest
