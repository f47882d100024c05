#include "libkvo/src/realfft.h"

#include <cmath>
#include <utility>

// The real transform of n points runs as a complex transform of m = n/2
// points over the even/odd sample pairs, followed by the split that turns
// the half-length spectrum into the real one (and its reverse before the
// inverse). The complex transform is an iterative radix-2 one over
// bit-reversed input.
//
// Float table layout: [0, n/4) holds (cos, sin) pairs of 2 pi j / m for
// j < m/4, the quarter turn the complex stages need; [n/4, n/2) holds
// cos(2 pi k / n) for k < n/4, the split's twiddles (their sines are the
// same table read backwards).

namespace {

constexpr double kTwoPi = 6.283185307179586476925286766559;

void BuildTables(int n, int* ip, float* w)
{
    const int m = n / 2;
    for (int j = 0; j < m / 4; ++j) {
        const double angle = kTwoPi * j / m;
        w[2 * j] = float(std::cos(angle));
        w[2 * j + 1] = float(std::sin(angle));
    }
    float* split = w + n / 4;
    for (int k = 0; k < n / 4; ++k)
        split[k] = float(std::cos(kTwoPi * k / n));
    ip[0] = n;
    ip[1] = n;
}

void BitReverse(float* z, int m)
{
    int j = 0;
    for (int i = 0; i < m - 1; ++i) {
        if (i < j) {
            std::swap(z[2 * i], z[2 * j]);
            std::swap(z[2 * i + 1], z[2 * j + 1]);
        }
        int k = m >> 1;
        while (k <= j) {
            j -= k;
            k >>= 1;
        }
        j += k;
    }
}

// a, b = a + w b, a - w b for the complex pair at a and b and twiddle w.
inline void Butterfly(float* a, float* b, float wr, float wi)
{
    const float tr = wr * b[0] - wi * b[1];
    const float ti = wr * b[1] + wi * b[0];
    b[0] = a[0] - tr;
    b[1] = a[1] - ti;
    a[0] += tr;
    a[1] += ti;
}

// Complex transform of m points with kernel exp(sign * 2 pi i j k / m),
// unscaled. quarter: the (cos, sin) pairs of the first quarter turn.
void ComplexFft(float* z, int m, float sign, const float* quarter)
{
    if (m < 2)
        return;
    BitReverse(z, m);

    for (int i = 0; i < m; i += 2) {
        const float ar = z[2 * i], ai = z[2 * i + 1];
        const float br = z[2 * i + 2], bi = z[2 * i + 3];
        z[2 * i] = ar + br;
        z[2 * i + 1] = ai + bi;
        z[2 * i + 2] = ar - br;
        z[2 * i + 3] = ai - bi;
    }
    if (m >= 4) {
        for (int i = 0; i < m; i += 4) {
            float* p = z + 2 * i;
            // Twiddle 1 for the first pair, sign * i for the second.
            const float t0r = p[4], t0i = p[5];
            const float t1r = -sign * p[7], t1i = sign * p[6];
            const float x0r = p[0], x0i = p[1], x1r = p[2], x1i = p[3];
            p[0] = x0r + t0r;
            p[1] = x0i + t0i;
            p[4] = x0r - t0r;
            p[5] = x0i - t0i;
            p[2] = x1r + t1r;
            p[3] = x1i + t1i;
            p[6] = x1r - t1r;
            p[7] = x1i - t1i;
        }
    }

    for (int len = 8; len <= m; len <<= 1) {
        const int half = len / 2;
        const int step = m / len;
        const int quarterK = half / 2;  // k below this: twiddle in the table's quarter turn
        for (int base = 0; base < m; base += len) {
            float* a = z + 2 * base;
            float* b = a + 2 * half;
            for (int k = 0; k < quarterK; ++k) {
                const float wr = quarter[2 * k * step];
                const float wi = sign * quarter[2 * k * step + 1];
                Butterfly(a + 2 * k, b + 2 * k, wr, wi);
            }
            // A quarter turn further: the twiddle times sign * i.
            for (int k = quarterK; k < half; ++k) {
                const int q = (k - quarterK) * step;
                const float wr = -quarter[2 * q + 1];
                const float wi = sign * quarter[2 * q];
                Butterfly(a + 2 * k, b + 2 * k, wr, wi);
            }
        }
    }
}

void SplitForward(float* a, int n, const float* c)
{
    const int m = n / 2;
    const float z0r = a[0], z0i = a[1];
    a[0] = z0r + z0i;
    a[1] = z0r - z0i;
    for (int k = 1; k < m / 2; ++k) {
        const int mk = m - k;
        const float zr = a[2 * k], zi = a[2 * k + 1];
        const float yr = a[2 * mk], yi = a[2 * mk + 1];
        const float er = 0.5f * (zr + yr), ei = 0.5f * (zi - yi);
        const float orr = 0.5f * (zi + yi), oi = 0.5f * (yr - zr);
        const float wr = c[k], wi = c[n / 4 - k];
        const float br = wr * orr - wi * oi, bi = wr * oi + wi * orr;
        a[2 * k] = er + br;
        a[2 * k + 1] = ei + bi;
        a[2 * mk] = er - br;
        a[2 * mk + 1] = bi - ei;
    }
    // Bin m/2 of the complex spectrum is already bin n/4 of the real one.
}

void SplitInverse(float* a, int n, const float* c)
{
    const int m = n / 2;
    const float x0 = a[0], xm = a[1];
    a[0] = 0.5f * (x0 + xm);
    a[1] = 0.5f * (x0 - xm);
    for (int k = 1; k < m / 2; ++k) {
        const int mk = m - k;
        const float xr = a[2 * k], xi = a[2 * k + 1];
        const float yr = a[2 * mk], yi = a[2 * mk + 1];
        // E = (X_k + conj X_{m-k}) / 2, D = (X_k - conj X_{m-k}) / 2,
        // O = conj(W) D, Z_k = E + i O, Z_{m-k} = conj E + i conj O.
        const float er = 0.5f * (xr + yr), ei = 0.5f * (xi - yi);
        const float dr = 0.5f * (xr - yr), di = 0.5f * (xi + yi);
        const float wr = c[k], wi = c[n / 4 - k];
        const float orr = wr * dr + wi * di, oi = wr * di - wi * dr;
        a[2 * k] = er - oi;
        a[2 * k + 1] = ei + orr;
        a[2 * mk] = er + oi;
        a[2 * mk + 1] = orr - ei;
    }
}

}  // namespace

bool IsRealFftSize(int n)
{
    return n >= 2 && (n & (n - 1)) == 0;
}

size_t RealFftIntTableSize(int n)
{
    if (n < 2)
        return 2;
    return size_t(std::sqrt(double(n / 2))) + 2;
}

size_t RealFftFloatTableSize(int n)
{
    return n < 2 ? 0 : size_t(n / 2);
}

void RealFft(int n, int direction, float* data, int* ip, float* w)
{
    if (!IsRealFftSize(n) || data == nullptr || ip == nullptr || w == nullptr)
        return;
    if (ip[0] != n || ip[1] != n)
        BuildTables(n, ip, w);
    const int m = n / 2;
    const float* quarter = w;
    const float* split = w + n / 4;
    if (direction >= 0) {
        ComplexFft(data, m, 1.0f, quarter);
        SplitForward(data, n, split);
    } else {
        SplitInverse(data, n, split);
        ComplexFft(data, m, -1.0f, quarter);
    }
}

void RealFftTables::Resize(int n)
{
    if (n <= 0) {
        Free();
        return;
    }
    if (ip_.size() < RealFftIntTableSize(n))
        ip_.resize(RealFftIntTableSize(n), 0);
    const size_t wantW = RealFftFloatTableSize(n) > 0 ? RealFftFloatTableSize(n) : 1;
    if (w_.size() < wantW)
        w_.resize(wantW, 0.0f);
    if (n != n_)
        ip_[0] = 0;
    n_ = n;
}

void RealFftTables::Free()
{
    ip_.clear();
    ip_.shrink_to_fit();
    w_.clear();
    w_.shrink_to_fit();
    n_ = 0;
}
