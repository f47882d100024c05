#include "kvostudio/recordingmix.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace recmix {

namespace {

int16_t ReadSample(const uint8_t* p) { return int16_t(uint16_t(p[0] | (p[1] << 8))); }

void WriteSample(uint8_t* p, int32_t value) {
    const uint16_t v = uint16_t(int16_t(value));
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}

int32_t Clamp16(int64_t v) { return int32_t(std::clamp<int64_t>(v, -32768, 32767)); }

uint32_t WholeSamples(int64_t bytes) { return bytes <= 0 ? 0u : uint32_t(bytes & ~int64_t(1)); }

}  // namespace

int64_t OffsetBytes(float seconds) {
    const double frames = std::trunc(double(seconds) * kSampleRate);
    return kFrameBytes * int64_t(frames);
}

int64_t ShiftBytes(float milliseconds) {
    // A whole number of milliseconds times 44100 is exact in double, and
    // the one rounding of the division cannot reach the next integer.
    const double frames = std::trunc(double(milliseconds) * kSampleRate / 1000.0);
    return kFrameBytes * int64_t(frames);
}

MixPlan PlanMix(int64_t startBytes, int64_t shiftBytes, uint32_t voiceBytes, uint32_t accBytes) {
    const int64_t start = std::max<int64_t>(startBytes, 0);
    const int64_t t = start + shiftBytes;
    const int64_t va = voiceBytes;
    const int64_t aa = accBytes;
    MixPlan plan;
    if (t >= 0) {
        plan.voiceStart = 0;
        plan.accStart = uint64_t(t);
        plan.mixBytes = WholeSamples(std::min(va, aa - t));
        plan.outputStart = 0;
        int64_t out = va;
        if (aa < t + va && shiftBytes > 0) out = std::max<int64_t>(va - shiftBytes, 0);
        plan.outputBytes = uint32_t(out);
    } else {
        const int64_t s = -shiftBytes;   // t < 0 with start >= 0 means shift < 0
        if (va <= s) return plan;        // nothing of the voice is left
        plan.voiceStart = uint32_t(s);
        plan.accStart = uint64_t(start);
        plan.mixBytes = WholeSamples(std::min(va - s, aa - start));
        plan.outputStart = uint32_t(s);
        plan.outputBytes = uint32_t(va - s);
    }
    return plan;
}

MixPlan EndMixAt(MixPlan plan, int64_t endBytes) {
    // The finished mix's byte k meets accompaniment byte accStart + k.
    const int64_t first = int64_t(plan.accStart);
    if (endBytes <= first || endBytes - first >= int64_t(plan.outputBytes)) return plan;
    plan.outputBytes = uint32_t(endBytes - first);
    plan.mixBytes = std::min(plan.mixBytes, plan.outputBytes);
    return plan;
}

float GainFactor(float gainDb) {
    const float x = gainDb / 20.0f;
    return std::pow(10.0f, x);
}

int16_t ScaleSample(int16_t sample, float factor) {
    const float y = float(sample) * factor;
    if (!(y < 32767.0f)) return std::isnan(y) ? 0 : 32767;
    if (!(y > -32768.0f)) return -32768;
    return int16_t(std::trunc(y));
}

int16_t ApplyGainToSample(int16_t sample, float gainDb) { return ScaleSample(sample, GainFactor(gainDb)); }

void ApplyGainToBuffer(const uint8_t* in, uint8_t* out, size_t bytes, float gainDb) {
    const float factor = GainFactor(gainDb);
    if (factor == 1.0f) {
        if (in != out) std::memmove(out, in, bytes);
        return;
    }
    size_t i = 0;
    for (; i + 1 < bytes; i += 2) WriteSample(out + i, ScaleSample(ReadSample(in + i), factor));
    if (i < bytes) out[i] = in[i];
}

void MixSample(uint8_t* voice, const uint8_t* accompaniment) {
    WriteSample(voice, Clamp16(int32_t(ReadSample(voice)) + ReadSample(accompaniment)));
}

void MixInto(uint8_t* voice, const uint8_t* accompaniment, const MixPlan& plan, float accGainDb) {
    if (plan.mixBytes < 2) return;   // the start may lie past either buffer then
    uint8_t* v = voice + plan.voiceStart;
    const uint8_t* a = accompaniment + plan.accStart;
    const float factor = GainFactor(accGainDb);
    if (factor == 1.0f) {
        for (uint32_t j = 0; j + 1 < plan.mixBytes; j += 2) MixSample(v + j, a + j);
        return;
    }
    for (uint32_t j = 0; j + 1 < plan.mixBytes; j += 2)
        WriteSample(v + j, Clamp16(int32_t(ReadSample(v + j)) + ScaleSample(ReadSample(a + j), factor)));
}

int ProgressPercent(int64_t done, int64_t total) {
    if (total == 0) return 0;
    // In 128 bits no file size overflows done x 100; halves round away
    // from zero.
    const __int128 num = __int128(done) * 100;
    const __int128 den = total;
    const bool negative = (num < 0) != (den < 0);
    const __int128 an = num < 0 ? -num : num;
    const __int128 ad = den < 0 ? -den : den;
    const __int128 q = (2 * an + ad) / (2 * ad);
    return int(negative ? -q : q);
}

}  // namespace recmix
