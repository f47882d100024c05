#include "libkvo/src/subband.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kMaxGain428 = 7.99999999627471;

// ((s + 2048) >> 12): the sample with 16 of its 28 fraction bits left.
int64_t SampleHigh(mad_fixed_t s)
{
    return (int64_t(s) + 2048) >> 12;
}

// ((g + 0x8000) >> 16): the gain with 12 fraction bits left.
int64_t GainHigh(int32_t g)
{
    return (int64_t(g) + 0x8000) >> 16;
}

mad_fixed_t Clip32(int64_t v)
{
    return static_cast<mad_fixed_t>(
        std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

}  // namespace

int32_t PercentToGain428(uint32_t percent)
{
    const double g = std::floor(double(percent) / 100.0 * double(kUnityGain428) + 0.5);
    return g >= double(std::numeric_limits<int32_t>::max()) ? std::numeric_limits<int32_t>::max() : int32_t(g);
}

int32_t DbToGain428(double db)
{
    const double gain = std::min(std::pow(10.0, db / 20.0), kMaxGain428);
    const double fixed = gain * double(kUnityGain428) + 0.5;
    return fixed >= double(std::numeric_limits<int32_t>::max()) ? std::numeric_limits<int32_t>::max()
                                                                : int32_t(fixed);
}

int SubbandBand(int subband)
{
    // Bands 1 to 5 take one subband each, then 3, 6, 5, 5 and the last 8.
    static const int kBandOf[kSubbands] = {0, 1, 2, 3, 4, 5, 5, 5, 6, 6, 6, 6, 6, 6, 7, 7,
                                           7, 7, 7, 8, 8, 8, 8, 8, 9, 9, 9, 9, 9, 9, 9, 9};
    return kBandOf[std::clamp(subband, 0, kSubbands - 1)];
}

int SubbandSlots(const struct mad_header& header)
{
    if (header.layer == MAD_LAYER_I)
        return 12;
    if (header.layer == MAD_LAYER_III && (header.flags & MAD_FLAG_LSF_EXT))
        return 18;
    return 36;
}

void MixSubbandChannels(struct mad_frame& frame, int32_t a, int32_t b)
{
    if (frame.header.mode == MAD_MODE_SINGLE_CHANNEL)
        return;
    const int slots = SubbandSlots(frame.header);
    const int64_t ga = GainHigh(a), gb = GainHigh(b);
    for (int s = 0; s < slots; ++s) {
        mad_fixed_t* left = frame.sbsample[0][s];
        mad_fixed_t* right = frame.sbsample[1][s];
        for (int k = 0; k < kSubbands; ++k) {
            const mad_fixed_t c = Clip32(SampleHigh(left[k]) * ga + SampleHigh(right[k]) * gb);
            left[k] = right[k] = c;
        }
    }
}

void EqualizeSubbands(struct mad_frame& frame, const int32_t gains[kSubbands])
{
    const int slots = SubbandSlots(frame.header);
    const int channels = frame.header.mode == MAD_MODE_SINGLE_CHANNEL ? 1 : 2;
    int64_t g[kSubbands];
    for (int k = 0; k < kSubbands; ++k)
        g[k] = GainHigh(gains[k]);
    for (int ch = 0; ch < channels; ++ch) {
        for (int s = 0; s < slots; ++s) {
            mad_fixed_t* row = frame.sbsample[ch][s];
            for (int k = 0; k < kSubbands; ++k)
                row[k] = Clip32(SampleHigh(row[k]) * g[k]);
        }
    }
}
