#include "libkvo/src/vulevel.h"

#include <algorithm>
#include <cmath>

uint32_t VuLevel(double meanAbsolute)
{
    if (!(meanAbsolute >= 21.61))
        return 0;
    const double level = std::log10(meanAbsolute / 23169.0) * 33.0 + 100.0;
    if (level <= 0.0)
        return 0;
    return std::min<uint32_t>(100, uint32_t(level));
}

void VuLevels(const int16_t* samples, uint32_t bytes, uint32_t offset, uint32_t& left, uint32_t& right)
{
    left = right = 0;
    const uint32_t window = bytes / 2;
    const uint32_t pairs = window / 4;
    if (samples == nullptr || pairs == 0)
        return;
    uint32_t start = offset;
    if (uint64_t(start) + window > bytes)
        start = bytes >= window + 4 ? bytes - window - 4 : 0;
    start -= start % 4;
    const int16_t* p = samples + start / 2;
    uint64_t sumLeft = 0, sumRight = 0;
    for (uint32_t i = 0; i < pairs; ++i) {
        sumLeft += uint32_t(std::abs(int32_t(p[2 * i])));
        sumRight += uint32_t(std::abs(int32_t(p[2 * i + 1])));
    }
    left = VuLevel(double(sumLeft) / pairs);
    right = VuLevel(double(sumRight) / pairs);
}
