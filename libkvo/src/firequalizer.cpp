#include "libkvo/src/firequalizer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "libkvo/src/firdesign.h"

namespace {

// The dither noise is uniform in [-0.5, 0.5], drawn from the classic 15-bit
// linear congruential generator (seed 1) so every run dithers alike and no
// other user of the C library's generator is disturbed.
void FillDitherTable(std::vector<float>& table)
{
    uint32_t state = 1;
    for (float& value : table) {
        state = state * 214013u + 2531011u;
        const int r = int((state >> 16) & 0x7FFF);
        value = float(r) / 32767.0f - 0.5f;
    }
}

int32_t ReadSample(const uint8_t* p, int bits)
{
    switch (bits) {
    case 8:
        return int32_t(p[0]) - 128;
    case 16:
        return int16_t(uint16_t(p[0] | (p[1] << 8)));
    default: {
        const uint32_t u = uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16);
        return int32_t(u << 8) >> 8;
    }
    }
}

void WriteSample(uint8_t* p, int bits, int32_t v)
{
    switch (bits) {
    case 8:
        p[0] = uint8_t(v + 128);
        break;
    case 16:
        p[0] = uint8_t(v & 0xFF);
        p[1] = uint8_t((v >> 8) & 0xFF);
        break;
    default:
        p[0] = uint8_t(v & 0xFF);
        p[1] = uint8_t((v >> 8) & 0xFF);
        p[2] = uint8_t((v >> 16) & 0xFF);
        break;
    }
}

float ClampRound(float t, float minValue, float maxValue)
{
    if (!(t >= minValue))  // also catches NaN
        t = std::isnan(t) ? 0.0f : minValue;
    if (t > maxValue)
        t = maxValue;
    return t >= 0.0f ? std::floor(t + 0.5f) : std::ceil(t - 0.5f);
}

bool AllFinite(std::span<const float> values)
{
    return std::all_of(values.begin(), values.end(), [](float v) { return std::isfinite(v); });
}

}  // namespace

bool FirEqualizer::SetBandEdges(std::span<const float> edges)
{
    for (float e : edges) {
        if (!std::isfinite(e) || e <= 0.0f)
            return false;
    }
    requestedEdges_.assign(edges.begin(), edges.end());
    return true;
}

bool FirEqualizer::Init(int bits)
{
    std::lock_guard<std::mutex> design(designMutex_);
    FreeAll();
    if (bits < 3 || bits > 20)
        return false;

    if (requestedEdges_.empty())
        edges_.assign(std::begin(kDefaultBandEdges), std::end(kDefaultBandEdges));
    else
        edges_ = requestedEdges_;
    bits_ = bits;
    fftSize_ = 1u << bits;
    blockLength_ = (1u << (bits - 1)) - 1;

    for (auto& set : response_) {
        for (auto& table : set)
            table.assign(fftSize_, 0.0f);
    }
    design_.assign(fftSize_, 0.0f);
    block_.assign(fftSize_, 0.0f);
    input_.assign(size_t(blockLength_) * 2, 0);
    accumulator_.assign(size_t(fftSize_) * 2, 0.0f);
    ditherTable_.resize(65536);
    FillDitherTable(ditherTable_);
    processFft_.Resize(int(fftSize_));
    designFft_.Resize(int(fftSize_));
    {
        std::lock_guard<std::mutex> tables(tableMutex_);
        active_ = 0;
        pending_ = -1;
    }
    activeForProcess_ = 0;
    bufferedFrames_ = 0;
    ditherIndex_ = 0;
    ditherError_ = 0.0f;
    initialised_ = true;
    return true;
}

void FirEqualizer::Quit()
{
    std::lock_guard<std::mutex> design(designMutex_);
    FreeAll();
}

void FirEqualizer::FreeAll()
{
    initialised_ = false;
    for (auto& set : response_) {
        for (auto& table : set)
            std::vector<float>().swap(table);
    }
    std::vector<float>().swap(design_);
    std::vector<float>().swap(block_);
    std::vector<int32_t>().swap(input_);
    std::vector<float>().swap(accumulator_);
    std::vector<float>().swap(ditherTable_);
    std::vector<float>().swap(edges_);
    processFft_.Free();
    designFft_.Free();
    blockLength_ = 0;
    fftSize_ = 0;
    bits_ = 0;
    bufferedFrames_ = 0;
}

void FirEqualizer::Clear()
{
    bufferedFrames_ = 0;
    std::fill(accumulator_.begin(), accumulator_.end(), 0.0f);
}

bool FirEqualizer::MakeTable(std::span<const float> leftGains, std::span<const float> rightGains,
                             float sampleRate)
{
    std::lock_guard<std::mutex> design(designMutex_);
    if (!initialised_ || !(sampleRate > 0.0f) || !std::isfinite(sampleRate))
        return false;
    const size_t bands = edges_.size() + 1;
    if (leftGains.size() < bands || rightGains.size() < bands)
        return false;
    leftGains = leftGains.first(bands);
    rightGains = rightGains.first(bands);
    if (!AllFinite(leftGains) || !AllFinite(rightGains))
        return false;

    // Both channels are designed aside first. Withdrawing an offer not yet
    // taken while the set is rewritten would leave processing on an older
    // set for a while, or on an empty one right after Init: the offer is
    // replaced whole instead, under the lock that processing takes to
    // switch, so it never sees half a set and always has a whole one.
    std::vector<float> designed(size_t(fftSize_) * 2);
    const std::span<const float> gains[2] = {leftGains, rightGains};
    for (int channel = 0; channel < 2; ++channel) {
        firdesign::DesignTaps(edges_, gains[channel], sampleRate, int(blockLength_), design_.data());
        std::fill(design_.begin() + blockLength_, design_.end(), 0.0f);
        designFft_.Forward(design_.data());
        std::copy(design_.begin(), design_.end(), designed.begin() + long(channel) * fftSize_);
    }
    {
        std::lock_guard<std::mutex> tables(tableMutex_);
        const int target = 1 - active_;
        for (int channel = 0; channel < 2; ++channel)
            std::copy_n(designed.begin() + long(channel) * fftSize_, fftSize_, response_[target][channel].begin());
        pending_ = target;
    }
    return true;
}

void FirEqualizer::TakeOfferedTables()
{
    std::lock_guard<std::mutex> tables(tableMutex_);
    if (pending_ >= 0) {
        active_ = pending_;
        pending_ = -1;
    }
    activeForProcess_ = active_;
}

float FirEqualizer::DitherOut(float s, float minValue, float maxValue)
{
    const float h = s - ditherError_;
    const float t = h + ditherTable_[ditherIndex_ & 0xFFFF];
    ditherIndex_ = (ditherIndex_ + 1) & 0xFFFF;
    const float rounded = ClampRound(t, minValue, maxValue);
    ditherError_ = rounded - h;
    return rounded;
}

uint32_t FirEqualizer::Process(void* buffer, uint32_t frames, int channels, int bitsPerSample)
{
    if (!initialised_ || (channels != 1 && channels != 2))
        return 0;
    if (bitsPerSample != 8 && bitsPerSample != 16 && bitsPerSample != 24)
        return 0;
    if (buffer == nullptr && frames > 0)
        return 0;
    TakeOfferedTables();

    const float minValue = -float(1 << (bitsPerSample - 1));
    const float maxValue = float((1 << (bitsPerSample - 1)) - 1);
    const bool dither = ditherOn_ && bitsPerSample != 24;
    const size_t bytesPerSample = size_t(bitsPerSample / 8);
    uint8_t* p = static_cast<uint8_t*>(buffer);
    uint32_t remaining = frames;
    while (remaining > 0) {
        const uint32_t take = std::min(remaining, blockLength_ - bufferedFrames_);
        for (uint32_t f = 0; f < take; ++f) {
            const size_t frame = bufferedFrames_ + f;
            for (int c = 0; c < channels; ++c) {
                const size_t index = frame * 2 + size_t(c);
                input_[index] = ReadSample(p, bitsPerSample);
                const float s = accumulator_[index];
                const float out = dither ? DitherOut(s, minValue, maxValue) : ClampRound(s, minValue, maxValue);
                WriteSample(p, bitsPerSample, int32_t(out));
                p += bytesPerSample;
            }
        }
        bufferedFrames_ += take;
        remaining -= take;
        if (bufferedFrames_ == blockLength_) {
            std::copy(accumulator_.begin() + size_t(blockLength_) * 2, accumulator_.end(), accumulator_.begin());
            FilterBlock(channels);
            bufferedFrames_ = 0;
        }
    }
    return frames;
}

void FirEqualizer::FilterBlock(int channels)
{
    const size_t n = fftSize_;
    const size_t l = blockLength_;
    const float scale = 2.0f / float(n);
    for (int c = 0; c < channels; ++c) {
        float* block = block_.data();
        if (filterOn_) {
            for (size_t j = 0; j < l; ++j)
                block[j] = float(input_[j * 2 + size_t(c)]);
            std::fill(block + l, block + n, 0.0f);
            processFft_.Forward(block);
            const float* h = response_[activeForProcess_][c].data();
            block[0] *= h[0];
            block[1] *= h[1];
            for (size_t k = 2; k < n; k += 2) {
                const float a = block[k], b = block[k + 1];
                block[k] = a * h[k] - b * h[k + 1];
                block[k + 1] = a * h[k + 1] + b * h[k];
            }
            processFft_.Inverse(block);
        } else {
            // The same delay as the filter's, pre-scaled against the 2/N
            // below so that the samples come out unchanged.
            const float gain = float(n / 2);
            std::fill(block, block + n, 0.0f);
            for (size_t j = 0; j < l; ++j)
                block[j + l / 2] = gain * float(input_[j * 2 + size_t(c)]);
        }
        float* acc = accumulator_.data() + c;
        for (size_t j = 0; j < l; ++j)
            acc[j * 2] += block[j] * scale;
        for (size_t j = l; j < n; ++j)
            acc[j * 2] = block[j] * scale;
    }
}
