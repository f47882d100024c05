#include "libkvo/src/firdesign.h"

#include <cmath>
#include <vector>

namespace firdesign {

namespace {

constexpr double kPi = 3.14159265358979323846;

// Ideal low-pass with cut-off f: 2f/fs sinc(2 pi f n / fs).
double LowPass(int n, double f, double fs)
{
    if (n == 0)
        return 2.0 * f / fs;
    const double x = 2.0 * kPi * f * n / fs;
    return 2.0 * f / fs * std::sin(x) / x;
}

}  // namespace

double KaiserBeta(double a)
{
    if (a <= 21.0)
        return 0.0;
    if (a <= 50.0)
        return 0.5842 * std::pow(a - 21.0, 0.4) + 0.07886 * (a - 21.0);
    return 0.1102 * (a - 8.7);
}

double BesselI0(double x)
{
    double sum = 1.0;
    double term = 1.0;  // (x/2)^m / m!
    for (int m = 1; m <= 15; ++m) {
        term *= (x / 2.0) / m;
        sum += term * term;
    }
    return sum;
}

double KaiserWindow(int n, int length, double beta, double i0OfBeta)
{
    const double span = double(length - 1);
    double r = 1.0 - 4.0 * double(n) * double(n) / (span * span);
    if (r < 0.0)
        r = 0.0;
    return BesselI0(beta * std::sqrt(r)) / i0OfBeta;
}

void DesignTaps(std::span<const float> edges, std::span<const float> gains, double fs, int length,
                float* taps)
{
    const size_t k = edges.size();
    // upper[i]: the top of band i; the last band runs to the sample rate.
    std::vector<double> upper(k + 1);
    for (size_t i = 0; i < k; ++i)
        upper[i] = edges[i];
    upper[k] = fs;

    // The band where the walk stops takes everything above the band below
    // it; found once, it is the same for every tap.
    size_t stop = 1;
    while (stop < k && upper[stop] < fs / 2.0)
        ++stop;

    const double beta = KaiserBeta(kStopbandAttenuationDb);
    const double i0OfBeta = BesselI0(beta);
    const int half = length / 2;
    for (int i = 0; i < length; ++i) {
        const int n = i - half;
        double h = gains[0] * LowPass(n, upper[0], fs);
        for (size_t b = 1; b < stop; ++b)
            h += (LowPass(n, upper[b], fs) - LowPass(n, upper[b - 1], fs)) * gains[b];
        const double impulse = n == 0 ? 1.0 : 0.0;
        h += (impulse - LowPass(n, upper[stop - 1], fs)) * gains[stop];
        taps[i] = float(h * KaiserWindow(n, length, beta, i0OfBeta));
    }
}

}  // namespace firdesign
