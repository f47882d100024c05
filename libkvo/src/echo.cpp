#include "libkvo/src/echo.h"

#include <algorithm>
#include <cmath>
#include <mutex>
#include <new>

namespace {

EchoTaps Same(std::initializer_list<double> left)
{
    EchoTaps t;
    std::copy(left.begin(), left.end(), t.left);
    std::copy(left.begin(), left.end(), t.right);
    return t;
}

EchoTaps Sides(std::initializer_list<double> left, std::initializer_list<double> right)
{
    EchoTaps t;
    std::copy(left.begin(), left.end(), t.left);
    std::copy(right.begin(), right.end(), t.right);
    return t;
}

// The presets as shipped; zeros in the middle written out so that every
// position is plain to see.
EchoTaps g_modes[kEchoModes] = {
    Same({0.5, 0.2, 0.1}),
    Same({0.2, 0.3, 0.2, 0.1, 0.05}),
    Same({0.5, 0.3, 0.1, 0.3, 0.2, 0.1, 0.2, 0.1, 0.3, 0.2, 0.1, 0.1, 0.05, 0.03, 0.2, 0.1, 0.05, 0.1, 0.02, 0.01}),
    Sides({0.5, 0.3, 0.2, 0.1, 0.05, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0.2, 0.15, 0.1, 0.07, 0.05},
          {0, 0, 0.5, 0.3, 0.2, 0.1, 0.05, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0.2, 0.15, 0.02}),
    Sides({0.5, 0.3, 0.2, 0.1, 0.05, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0.2, 0.15, 0.1, 0.07, 0.05},
          {0.5, 0.1, 0, 0, 0, 0, 0, 0, 0, 0.5, 0.2, 0.1, 0, 0, 0, 0, 0, 0.3, 0.2, 0.04}),
    Same({0.5, 0.2, 0.1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0.3, 0.2, 0.1}),
    Same({0.3, 0.1, 0.2, 0.05, 0.1, 0.05, 0.05, 0.025, 0.1, 0.05, 0.1, 0.05, 0.1, 0.01, 0.05, 0.01, 0.1, 0.01, 0.1,
          0.01}),
    Sides({0.5, 0.4, 0.2, 0.1, 0.025, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0.3, 0.2, 0.1, 0.05, 0.01},
          {0, 0, 0, 0.5, 0.2, 0.1, 0.05, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0.3, 0.2, 0.05, 0.01}),
    Same({0.5, 0.3, 0.2, 0.1, 0.05, 0.025, 0.017, 0.005, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0.1, 0.05, 0.025}),
    Same({0.5, 0.2, 0.1, 0.3, 0.2, 0.1, 0.2, 0.1, 0.05, 0.1, 0.05, 0.025, 0.1, 0.05, 0.05, 0.025, 0.1, 0.05, 0.025,
          0.01}),
};
// Players on different threads read and change the one table.
std::mutex g_modesMutex;

int16_t Clip16(double v)
{
    if (v >= 32767.0)
        return 32767;
    if (v <= -32768.0)
        return -32768;
    return static_cast<int16_t>(v);  // toward zero
}

}  // namespace

EchoTaps GetEchoMode(int mode)
{
    if (mode < 0 || mode >= kEchoModes)
        return EchoTaps{};
    std::lock_guard<std::mutex> lock(g_modesMutex);
    return g_modes[mode];
}

bool SetEchoMode(int mode, const EchoTaps& taps)
{
    if (mode < 0 || mode >= kEchoModes)
        return false;
    std::lock_guard<std::mutex> lock(g_modesMutex);
    g_modes[mode] = taps;
    return true;
}

int EchoDelayIndex(int delayMs)
{
    return std::clamp(delayMs, 0, kEchoMaxDelayMs) * kEchoTaps / kEchoMaxDelayMs;
}

bool EchoProcessor::Allocate(size_t slotSamples)
{
    Free();
    try {
        slots_.assign(slotSamples * kEchoSlots, 0);
    } catch (const std::bad_alloc&) {
        Free();
        return false;
    }
    slotSamples_ = slotSamples;
    return true;
}

void EchoProcessor::Free()
{
    std::vector<int16_t>().swap(slots_);
    slotSamples_ = 0;
    head_ = 0;
}

void EchoProcessor::SetTaps(const double* left, const double* right)
{
    std::copy(left, left + kEchoTaps, left_);
    std::copy(right, right + kEchoTaps, right_);
}

void EchoProcessor::SetGains(int inputDb, int echoDb, int outputDb)
{
    dry_ = std::pow(10.0, (double(inputDb) + outputDb) / 20.0);
    wet_ = std::pow(10.0, (double(echoDb) + outputDb) / 20.0);
}

void EchoProcessor::SetDelayIndex(int index)
{
    delayIndex_ = std::clamp(index, 0, kEchoSlots - kEchoTaps);
}

void EchoProcessor::Clear()
{
    std::fill(slots_.begin(), slots_.end(), int16_t(0));
}

void EchoProcessor::Process(int16_t* samples, size_t pairs)
{
    const size_t count = pairs * 2;
    if (slots_.empty() || count > slotSamples_ || count == 0)
        return;
    // The oldest slot becomes the newest.
    head_ = (head_ + kEchoSlots - 1) % kEchoSlots;
    int16_t* now = Slot(0);
    for (size_t i = 0; i < count; ++i)
        now[i] = static_cast<int16_t>(samples[i] / 2);
    // A shorter half than the one before must not echo what lay behind it.
    std::fill(now + count, now + slotSamples_, int16_t(0));

    const int16_t* taps[kEchoTaps];
    for (int j = 0; j < kEchoTaps; ++j)
        taps[j] = Slot(j + delayIndex_);
    for (size_t i = 0; i < pairs; ++i) {
        double sl = 0.0, sr = 0.0;
        for (int j = 0; j < kEchoTaps; ++j) {
            if (left_[j] != 0.0)
                sl += left_[j] * taps[j][2 * i];
            if (right_[j] != 0.0)
                sr += right_[j] * taps[j][2 * i + 1];
        }
        samples[2 * i] = Clip16(now[2 * i] * dry_ + wet_ * sl);
        samples[2 * i + 1] = Clip16(wet_ * sr + now[2 * i + 1] * dry_);
    }
}
