#pragma once
// The one real-to-complex FFT of the players: the FIR equalizer's fast
// convolution and the spectrum values both run on it. Single precision,
// in place, n a power of two up to 2^30.
//
// Packing of the forward transform (direction >= 0) of a[0..n-1]:
//   data[0] = R[0], data[1] = R[n/2],
//   data[2k] = R[k], data[2k+1] = I[k] for 0 < k < n/2, where
//   R[k] = sum_j a[j] cos(2 pi j k / n) and I[k] = sum_j a[j] sin(2 pi j k / n).
// The inverse (direction < 0) takes the same packing back to n samples
// scaled by n/2: callers multiply by 2/n.
//
// Computed by FFTW, with plans per size kept for the life of the process;
// any number of threads may transform at once. The first transform of a
// size does not wait for FFTW to measure its fastest plans: those are
// found in the background and take over once found.
//
// Work tables: an integer table of RealFftIntTableSize(n) entries and a
// float table of RealFftFloatTableSize(n) entries, kept by the caller
// between calls. The transform no longer reads them; ip[0] and ip[1] are
// set to the size last transformed, as callers that watch them expect.

#include <cstddef>
#include <vector>

// n must be a power of two, at least 2; other sizes leave data untouched.
void RealFft(int n, int direction, float* data, int* ip, float* w);

// Waits until the measured plans for size n serve (asking for them when
// no transform of that size was made yet): for timing the steady state.
void RealFftWaitUntilMeasured(int n);

bool IsRealFftSize(int n);
size_t RealFftIntTableSize(int n);    // floor(sqrt(n/2)) + 2
size_t RealFftFloatTableSize(int n);  // n/2

// Work tables for one size, owned together, for callers that need no more
// than that.
class RealFftTables {
public:
    explicit RealFftTables(int n = 0) { Resize(n); }
    // Grows (never shrinks) the tables for n and marks them for rebuilding
    // when the size changes.
    void Resize(int n);
    void Free();
    int* Ip() { return ip_.data(); }
    float* W() { return w_.data(); }
    int Size() const { return n_; }

    void Forward(float* data) { RealFft(n_, 1, data, Ip(), W()); }
    void Inverse(float* data) { RealFft(n_, -1, data, Ip(), W()); }

private:
    int n_ = 0;
    std::vector<int> ip_;
    std::vector<float> w_;
};
