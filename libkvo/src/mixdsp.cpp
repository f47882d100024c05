#include "libkvo/src/mixdsp.h"

#include "libkvo/src/ditherlanes.h"

#include <algorithm>
#include <cmath>
#include <utility>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

// One channel on its way to the mix: the first 'length' samples of 'in' are
// the channel's, the rest is silence.
struct DitherJob {
    const int32_t* in = nullptr;
    uint32_t length = 0;
    DitherState* state = nullptr;
    int32_t* out = nullptr;
};

// Two channels at a time, from sample 'from' on: their chains overlap, and
// both states still fit in registers (four would not).
template <int N>
void DitherLockstep(const DitherJob* jobs, uint32_t from, uint32_t count)
{
    static_assert(N == 1 || N == 2);
    DitherState state[N];
    const int32_t* in[N];
    int32_t* out[N];
    for (int c = 0; c < N; ++c) {
        state[c] = *jobs[c].state;
        in[c] = jobs[c].in;
        out[c] = jobs[c].out;
    }
    for (uint32_t t = from; t < count; ++t) {
#pragma GCC unroll 2
        for (int c = 0; c < N; ++c)
            out[c][t] = DitherSample(in[c][t], state[c]);
    }
    for (int c = 0; c < N; ++c)
        *jobs[c].state = state[c];
}

// Whole frames of up to four channels: in vector lanes as far as they go,
// the rest a sample at a time. One stream (one or two channels) takes two
// lanes, two streams four.
void DitherWhole(const DitherJob* jobs, int jobCount, uint32_t count)
{
    static const int32_t silence[kMaxFrameSamples] = {};
    int32_t spareOut[kMaxFrameSamples];
    DitherState spareState[4];
    const int32_t* in[4];
    int32_t* out[4];
    DitherState* state[4];
    for (int c = 0; c < 4; ++c) {
        in[c] = c < jobCount ? jobs[c].in : silence;
        out[c] = c < jobCount ? jobs[c].out : spareOut;
        state[c] = c < jobCount ? jobs[c].state : &spareState[c];
    }
    const uint32_t done =
        jobCount <= 2 ? DitherTwoLanes(in, out, state, count) : DitherFourLanes(in, out, state, count);
    int c = 0;
    for (; c + 1 < jobCount; c += 2)
        DitherLockstep<2>(jobs + c, done, count);
    if (c < jobCount)
        DitherLockstep<1>(jobs + c, done, count);
}

void DitherOne(const DitherJob& job, uint32_t count)
{
    DitherState state = *job.state;
    const uint32_t whole = std::min(job.length, count);
    for (uint32_t t = 0; t < whole; ++t)
        job.out[t] = DitherSample(job.in[t], state);
    for (uint32_t t = whole; t < count; ++t)
        job.out[t] = DitherSample(0, state);
    *job.state = state;
}

void DitherChannels(const DitherJob* jobs, int jobCount, uint32_t count)
{
    const bool whole = std::all_of(jobs, jobs + jobCount, [&](const DitherJob& j) { return j.length >= count; });
    if (whole && jobCount <= 4)
        return DitherWhole(jobs, jobCount, count);
    for (int c = 0; c < jobCount; ++c)
        DitherOne(jobs[c], count);
}

// MixDithered two samples at a time. The clip is a max and a min, which for
// the finite values here choose exactly as its comparisons do, and the
// conversion truncates toward zero as the cast does.
void MixBlock(const int32_t* left1, const int32_t* right1, const int32_t* left2, const int32_t* right2,
              uint32_t count, float mixLevel, int16_t* __restrict out)
{
    uint32_t t = 0;
#ifdef __SSE2__
    const __m128d seven = _mm_set1_pd(0.7);
    const __m128d level = _mm_set1_pd(static_cast<double>(mixLevel));
    const __m128d low = _mm_set1_pd(-268435456.0);
    const __m128d high = _mm_set1_pd(268427264.0);
    auto mix = [&](const int32_t* a, const int32_t* b) {
        const __m128d x = _mm_cvtepi32_pd(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(a)));
        const __m128d y = _mm_cvtepi32_pd(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(b)));
        __m128d m = _mm_add_pd(_mm_mul_pd(seven, x), _mm_mul_pd(_mm_mul_pd(seven, y), level));
        m = _mm_min_pd(_mm_max_pd(m, low), high);
        return _mm_srai_epi32(_mm_cvttpd_epi32(m), 13);  // two results in the low half
    };
    for (; t + 2 <= count; t += 2) {
        const __m128i l = mix(left1 + t, left2 + t);
        const __m128i r = mix(right1 + t, right2 + t);
        // l0 r0 l1 r1, narrowed to 16 bits (each already in range).
        const __m128i pairs = _mm_unpacklo_epi32(l, r);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + 2 * t), _mm_packs_epi32(pairs, pairs));
    }
#endif
    for (; t < count; ++t) {
        out[2 * t] = MixDithered(left1[t], left2[t], mixLevel);
        out[2 * t + 1] = MixDithered(right1[t], right2[t], mixLevel);
    }
}

void SoloBlock(const int32_t* left, const int32_t* right, uint32_t count, int16_t* __restrict out)
{
    uint32_t t = 0;
#ifdef __SSE2__
    // Four sample times at once; the shifted values are within 16 bits, so
    // the saturating pack changes none of them.
    for (; t + 4 <= count; t += 4) {
        const __m128i l = _mm_srai_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(left + t)), 13);
        const __m128i r = _mm_srai_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(right + t)), 13);
        const __m128i pairs = _mm_packs_epi32(_mm_unpacklo_epi32(l, r), _mm_unpackhi_epi32(l, r));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * t), pairs);
    }
#endif
    for (; t < count; ++t) {
        out[2 * t] = SoloDithered(left[t]);
        out[2 * t + 1] = SoloDithered(right[t]);
    }
}

}  // namespace

void DitherAndMixFrame(const DecodedFrame* streams, int streamCount, uint32_t count, DitherState (*states)[2],
                       float mixLevel, DitherScratch& scratch, int16_t* out)
{
    count = std::min(count, kMaxFrameSamples);
    streamCount = std::clamp(streamCount, 1, 2);
    DitherJob jobs[4];
    int jobCount = 0;
    const int32_t* left[2];
    const int32_t* right[2];
    for (int i = 0; i < streamCount; ++i) {
        const DecodedFrame& f = streams[i];
        const uint32_t length = std::min(f.length, kMaxFrameSamples);
        int32_t* dl = scratch.channel[i][0];
        int32_t* dr = scratch.channel[i][1];
        jobs[jobCount++] = {f.left, length, &states[i][0], dl};
        left[i] = right[i] = dl;
        if (f.right == nullptr)
            continue;
        right[i] = dr;
        if (length >= count) {
            jobs[jobCount++] = {f.right, length, &states[i][1], dr};
        } else {
            // The right side up to the frame's end; past it, the silence
            // dithered with the left state is heard on both sides.
            const DitherJob shortRight{f.right, length, &states[i][1], dr};
            DitherChannels(&shortRight, 1, length);
        }
    }
    DitherChannels(jobs, jobCount, count);
    for (int i = 0; i < streamCount; ++i) {
        const uint32_t length = std::min(streams[i].length, kMaxFrameSamples);
        if (streams[i].right != nullptr && length < count)
            std::copy(scratch.channel[i][0] + length, scratch.channel[i][0] + count, scratch.channel[i][1] + length);
    }
    if (streamCount == 2)
        MixBlock(left[0], right[0], left[1], right[1], count, mixLevel, out);
    else
        SoloBlock(left[0], right[0], count, out);
}

double GainCurve(double level)
{
    if (level >= 100.0)
        return 1.0;
    return std::pow(10.0, level / 100.0) / 10.0 - 0.1;
}

void ApplyGains(int16_t* samples, size_t count, int channels, double left, double right)
{
    if (channels == 2) {
        for (size_t i = 0; i + 1 < count; i += 2) {
            samples[i] = static_cast<int16_t>(std::trunc(samples[i] * left));
            samples[i + 1] = static_cast<int16_t>(std::trunc(samples[i + 1] * right));
        }
    } else {
        for (size_t i = 0; i < count; ++i)
            samples[i] = static_cast<int16_t>(std::trunc(samples[i] * left));
    }
}

void VocalCutPairs(int16_t* samples, size_t count)
{
    for (size_t i = 0; i + 1 < count; i += 2) {
        const int32_t l = samples[i];
        const int32_t r = samples[i + 1];
        samples[i] = static_cast<int16_t>(static_cast<uint16_t>(l - r));
        samples[i + 1] = static_cast<int16_t>(static_cast<uint16_t>(r - l));
    }
}

void ReverseSamples(int16_t* samples, size_t bytes, int channels)
{
    if (bytes < 8)
        return;
    if (channels == 2) {
        size_t pairs = bytes / 4;
        for (size_t i = 0, j = pairs - 1; i < j; ++i, --j) {
            std::swap(samples[2 * i], samples[2 * j]);
            std::swap(samples[2 * i + 1], samples[2 * j + 1]);
        }
    } else {
        std::reverse(samples, samples + bytes / 2);
    }
}
