#pragma once
// Window-method design of the graphic equalizer's linear-phase FIR filter:
// a sum of ideal low-pass responses, one per band step, under a Kaiser
// window. Pure arithmetic, no state; the equalizer calls it from its design
// thread.

#include <span>

namespace firdesign {

// Stop-band attenuation the equalizer designs for.
inline constexpr double kStopbandAttenuationDb = 96.0;

// Kaiser's beta for a stop-band attenuation in dB.
double KaiserBeta(double attenuationDb);

// Modified Bessel function of the first kind, order 0 (15-term series).
double BesselI0(double x);

// Tap n (from -(length/2) to length/2) of the Kaiser window of odd length.
double KaiserWindow(int n, int length, double beta, double i0OfBeta);

// Writes 'length' taps (odd length): tap i is the desired response at
// n = i - length/2 times the window. 'edges' are the band edges in Hz;
// 'gains' holds one linear gain per band (edges.size() + 1 of them). Bands
// at or above half the sample rate merge into one that runs up to the
// Nyquist frequency. Needs at least one edge.
void DesignTaps(std::span<const float> edges, std::span<const float> gains, double sampleRate,
                int length, float* taps);

}  // namespace firdesign
