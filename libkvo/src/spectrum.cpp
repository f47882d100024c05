#include "libkvo/src/spectrum.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDegreesPerRadian = 57.29577951308232;

int32_t Decibels(double magnitude, double scale)
{
    return int32_t(20.0 * std::log10(magnitude / scale + 1.0));
}

// Degrees of the one-argument arc tangent of im/re, -90 to 90. Where the
// ratio has no value (both parts 0) the phase is 0; a zero real part gives
// the limit, +-90.
int32_t PhaseDegrees(float re, float im)
{
    if (re == 0.0f) {
        if (im == 0.0f)
            return 0;
        return im > 0.0f ? 90 : -90;
    }
    return int32_t(std::atan(double(im) / double(re)) * kDegreesPerRadian);
}

}  // namespace

bool IsSpectrumSize(uint32_t n)
{
    switch (n) {
    case 32: case 64: case 128: case 256: case 512: case 1024: case 2048: case 8192: case 16384:
        return true;
    default:
        return false;
    }
}

void MakeFftWindow(uint32_t code, uint32_t n, float* window)
{
    const double big = double(n) - 1.0;  // N of the window formulas
    const double len = double(n);
    for (uint32_t k = 0; k < n; ++k) {
        const double i = double(k);
        const double x = big > 0.0 ? 2.0 * kPi * i / big : 0.0;
        double w;
        switch (code) {
        case FFT_WINDOW_HAMMING:
            w = 0.53836 - 0.46164 * std::cos(x);
            break;
        case FFT_WINDOW_HANN:
            w = 0.5 * (1.0 - std::cos(x));
            break;
        case FFT_WINDOW_SINE:
            w = std::sin(x / 2.0);
            break;
        case FFT_WINDOW_LANCZOS: {
            const double t = big > 0.0 ? 2.0 * i / big - 1.0 : 0.0;
            w = t == 0.0 ? 1.0 : std::sin(kPi * t) / (kPi * t);
            break;
        }
        case FFT_WINDOW_BARTLETT:
            w = big > 0.0 ? (big / 2.0 - std::abs(i - big / 2.0)) * 2.0 / big : 1.0;
            break;
        case FFT_WINDOW_TRIANGULAR:
            w = (len / 2.0 - std::abs(i - big / 2.0)) * 2.0 / len;
            break;
        case FFT_WINDOW_GAUSS: {
            const double t = big > 0.0 ? (i - big / 2.0) / (0.3 * big / 2.0) : 0.0;
            w = std::exp(-0.5 * t * t);
            break;
        }
        case FFT_WINDOW_BARTLETT_HANN:
            w = 0.62 - 0.48 * std::abs((big > 0.0 ? i / big : 0.0) - 0.5) - 0.38 * std::cos(x);
            break;
        case FFT_WINDOW_BLACKMAN:
            w = 0.42 - 0.5 * std::cos(x) + 0.08 * std::cos(2.0 * x);
            break;
        case FFT_WINDOW_NUTTALL:
            w = 0.355768 - 0.487396 * std::cos(x) + 0.144232 * std::cos(2.0 * x) - 0.012604 * std::cos(3.0 * x);
            break;
        case FFT_WINDOW_BLACKMAN_HARRIS:
            w = 0.35875 - 0.48829 * std::cos(x) + 0.14128 * std::cos(2.0 * x) - 0.01168 * std::cos(3.0 * x);
            break;
        case FFT_WINDOW_BLACKMAN_NUTTALL:
            w = 0.3635819 - 0.4891755 * std::cos(x) + 0.1365995 * std::cos(2.0 * x) -
                0.0106411 * std::cos(3.0 * x);
            break;
        case FFT_WINDOW_FLAT_TOP:
            w = 1.0 - 1.93 * std::cos(x) + 1.29 * std::cos(2.0 * x) - 0.388 * std::cos(3.0 * x) +
                0.032 * std::cos(4.0 * x);
            break;
        default:
            w = 1.0;
            break;
        }
        window[k] = float(w);
    }
}

void SpectrumState::FreeLocked()
{
    std::vector<float>().swap(input_);
    std::vector<float>().swap(window_);
    fft_.Free();
    size_ = 0;
    windowBuilt_ = false;
}

uint32_t SpectrumState::Size() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return size_;
}

void SpectrumState::FillInput(const SpectrumInput& input, int channel)
{
    const uint32_t n = size_;
    const uint32_t frames = input.samples != nullptr ? std::min(input.frames, n) : 0;
    const int stride = input.channels == 1 ? 1 : 2;
    const int offset = input.channels == 1 ? 0 : channel;
    for (uint32_t i = 0; i < frames; ++i)
        input_[i] = float(input.samples[size_t(i) * stride + offset]) * window_[i];
    std::fill(input_.begin() + frames, input_.end(), 0.0f);
}

void SpectrumState::Answer(const SpectrumInput& input, int channel, int32_t* amplitudes, int32_t* phases)
{
    if (amplitudes == nullptr && phases == nullptr)
        return;
    const uint32_t n = size_;
    FillInput(input, channel);
    fft_.Forward(input_.data());
    const float* d = input_.data();
    if (amplitudes != nullptr) {
        const double scale = std::sqrt(double(n));
        amplitudes[0] = Decibels(std::abs(d[0]), scale);
        amplitudes[n / 2] = Decibels(std::abs(d[1]), scale);
        for (uint32_t k = 1; k < n / 2; ++k)
            amplitudes[k] = Decibels(std::hypot(double(d[2 * k]), double(d[2 * k + 1])), scale);
    }
    if (phases != nullptr) {
        phases[0] = 0;
        phases[n / 2] = 0;
        for (uint32_t k = 1; k < n / 2; ++k)
            phases[k] = PhaseDegrees(d[2 * k], d[2 * k + 1]);
    }
}

int SpectrumState::GetFFTValues(FFT_STRUCT* request, const SpectrumInput& input, std::string& error)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (request == nullptr) {
        FreeLocked();
        return 1;
    }
    const uint32_t n = request->nFFTPoints;
    if (size_ == 0 || n != size_) {
        FreeLocked();
        if (!IsSpectrumSize(n)) {
            error = "GetFFTValues->Invalid number of FFT points !";
            return 0;
        }
        try {
            input_.assign(n, 0.0f);
            window_.assign(n, 0.0f);
            fft_.Resize(int(n));
        } catch (const std::bad_alloc&) {
            FreeLocked();
            error = "GetFFTValues->Memory allocation error !";
            return 0;
        }
        size_ = n;
    }
    const uint32_t count = n / 2 + 1;
    request->nHarmonicsNumber = count;

    if (request->pnFreq != nullptr) {
        const float d = float(input.sampleRate) / float(n);
        request->pnFreq[0] = 0;
        for (uint32_t i = 1; i < count; ++i)
            request->pnFreq[i] = int32_t(d + d * float(i - 1));
    }
    if (!windowBuilt_ || windowCode_ != request->nFFTWindow) {
        MakeFftWindow(request->nFFTWindow, n, window_.data());
        windowCode_ = request->nFFTWindow;
        windowBuilt_ = true;
    }

    int32_t* const outputs[4] = {request->pnLeftAmplitude, request->pnLeftPhase, request->pnRightAmplitude,
                                 request->pnRightPhase};
    if (!input.playing) {
        for (int32_t* out : outputs) {
            if (out != nullptr)
                std::fill(out, out + count, 0);
        }
        return 1;
    }
    Answer(input, 0, request->pnLeftAmplitude, request->pnLeftPhase);
    Answer(input, 1, request->pnRightAmplitude, request->pnRightPhase);
    return 1;
}
