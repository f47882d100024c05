#include "libkvo/src/ditherlanes.h"

#ifdef __SSE2__
#include <emmintrin.h>

namespace {

// Bounds under which every value of the dither fits 32 bits: inputs under
// 2^29, errors under 2^14 (an unclipped sample leaves an error of at most
// 12287, so once inside they stay inside until a clip).
constexpr int kInputBits = 30;     // signed: magnitude under 2^29
constexpr int kUnclippedBits = 29;  // q in [-2^28, 2^28)
constexpr int32_t kErrorLimit = 1 << 14;

bool Small(int32_t e)
{
    return e > -kErrorLimit && e < kErrorLimit;
}

// Each lane fits a signed integer of 'bits' bits: biased by half that
// range, as unsigned it has no bit at 'bits' or above.
bool AllWithin(__m128i v, int bits)
{
    const __m128i biased = _mm_add_epi32(v, _mm_set1_epi32(1 << (bits - 1)));
    const __m128i high = _mm_srli_epi32(biased, bits);
    return _mm_movemask_epi8(_mm_cmpeq_epi32(high, _mm_setzero_si128())) == 0xFFFF;
}

// Low 32 bits of a * b in each lane (SSE2 has only the even-lane product).
__m128i MulLow(__m128i a, __m128i b)
{
    const __m128i even = _mm_mul_epu32(a, b);
    const __m128i odd = _mm_mul_epu32(_mm_srli_epi64(a, 32), _mm_srli_epi64(b, 32));
    return _mm_unpacklo_epi32(_mm_shuffle_epi32(even, _MM_SHUFFLE(0, 0, 2, 0)),
                              _mm_shuffle_epi32(odd, _MM_SHUFFLE(0, 0, 2, 0)));
}

void Transpose(__m128i& r0, __m128i& r1, __m128i& r2, __m128i& r3)
{
    const __m128i t0 = _mm_unpacklo_epi32(r0, r1), t1 = _mm_unpacklo_epi32(r2, r3);
    const __m128i t2 = _mm_unpackhi_epi32(r0, r1), t3 = _mm_unpackhi_epi32(r2, r3);
    r0 = _mm_unpacklo_epi64(t0, t1);
    r1 = _mm_unpackhi_epi64(t0, t1);
    r2 = _mm_unpacklo_epi64(t2, t3);
    r3 = _mm_unpackhi_epi64(t2, t3);
}

}  // namespace

uint32_t DitherFourLanes(const int32_t* const in[4], int32_t* const out[4], DitherState* const state[4],
                         uint32_t count)
{
    for (int c = 0; c < 4; ++c)
        if (!Small(state[c]->e0) || !Small(state[c]->e1) || !Small(state[c]->e2))
            return 0;
    __m128i e0 = _mm_setr_epi32(state[0]->e0, state[1]->e0, state[2]->e0, state[3]->e0);
    __m128i e1 = _mm_setr_epi32(state[0]->e1, state[1]->e1, state[2]->e1, state[3]->e1);
    __m128i e2 = _mm_setr_epi32(state[0]->e2, state[1]->e2, state[2]->e2, state[3]->e2);
    __m128i random = _mm_setr_epi32(state[0]->random, state[1]->random, state[2]->random, state[3]->random);
    const __m128i multiplier = _mm_set1_epi32(1664525);
    const __m128i increment = _mm_set1_epi32(1013904223);
    const __m128i low13 = _mm_set1_epi32(0x1FFF);
    const __m128i rounding = _mm_set1_epi32(4096);

    // One sample time of the four channels; false, with nothing changed,
    // where a lane would clip.
    auto step = [&](__m128i s, __m128i& o) {
        const __m128i x = _mm_add_epi32(_mm_add_epi32(_mm_sub_epi32(s, e1), e2), e0);
        const __m128i next = _mm_add_epi32(MulLow(random, multiplier), increment);
        const __m128i offset =
            _mm_sub_epi32(_mm_add_epi32(rounding, _mm_and_si128(next, low13)), _mm_and_si128(random, low13));
        const __m128i q = _mm_add_epi32(x, offset);
        if (!AllWithin(q, kUnclippedBits))
            return false;
        e2 = e1;
        e1 = _mm_srai_epi32(_mm_add_epi32(e0, _mm_srli_epi32(e0, 31)), 1);
        e0 = _mm_sub_epi32(_mm_and_si128(q, low13), offset);
        random = next;
        o = _mm_andnot_si128(low13, q);
        return true;
    };

    uint32_t done = 0;
    while (done + 4 <= count) {
        // Four samples of each channel, turned so that each vector holds
        // one sample time of the four channels.
        __m128i s0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in[0] + done));
        __m128i s1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in[1] + done));
        __m128i s2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in[2] + done));
        __m128i s3 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in[3] + done));
        Transpose(s0, s1, s2, s3);
        if (!AllWithin(s0, kInputBits) || !AllWithin(s1, kInputBits) || !AllWithin(s2, kInputBits) ||
            !AllWithin(s3, kInputBits))
            break;
        __m128i o0 = _mm_setzero_si128(), o1 = o0, o2 = o0, o3 = o0;
        const int steps = !step(s0, o0) ? 0 : !step(s1, o1) ? 1 : !step(s2, o2) ? 2 : !step(s3, o3) ? 3 : 4;
        if (steps == 4) {
            Transpose(o0, o1, o2, o3);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out[0] + done), o0);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out[1] + done), o1);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out[2] + done), o2);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out[3] + done), o3);
            done += 4;
            continue;
        }
        // The sample times before the clip are kept; the rest is the
        // caller's, a sample at a time.
        const __m128i rows[3] = {o0, o1, o2};
        alignas(16) int32_t row[4];
        for (int t = 0; t < steps; ++t) {
            _mm_store_si128(reinterpret_cast<__m128i*>(row), rows[t]);
            for (int c = 0; c < 4; ++c)
                out[c][done + uint32_t(t)] = row[c];
        }
        done += uint32_t(steps);
        break;
    }

    alignas(16) int32_t lanes[4][4];
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes[0]), e0);
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes[1]), e1);
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes[2]), e2);
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes[3]), random);
    for (int c = 0; c < 4; ++c)
        *state[c] = DitherState{lanes[0][c], lanes[1][c], lanes[2][c], lanes[3][c]};
    return done;
}

uint32_t DitherTwoLanes(const int32_t* const in[2], int32_t* const out[2], DitherState* const state[2],
                        uint32_t count)
{
    for (int c = 0; c < 2; ++c)
        if (!Small(state[c]->e0) || !Small(state[c]->e1) || !Small(state[c]->e2))
            return 0;
    // The two channels sit in lanes 0 and 2, the low halves of the two
    // 64-bit lanes, where one unsigned multiply gives the generator's
    // product; lanes 1 and 3 carry values nobody reads.
    auto pair = [](int32_t a, int32_t b) { return _mm_setr_epi32(a, 0, b, 0); };
    __m128i e0 = pair(state[0]->e0, state[1]->e0);
    __m128i e1 = pair(state[0]->e1, state[1]->e1);
    __m128i e2 = pair(state[0]->e2, state[1]->e2);
    __m128i random = pair(state[0]->random, state[1]->random);
    const __m128i multiplier = _mm_set1_epi32(1664525);
    const __m128i increment = _mm_set1_epi32(1013904223);
    const __m128i low13 = _mm_set1_epi32(0x1FFF);
    const __m128i rounding = _mm_set1_epi32(4096);
    const __m128i lowHalves = _mm_set_epi32(0, -1, 0, -1);
    const __m128i unclippedBias = _mm_set1_epi32(1 << (kUnclippedBits - 1));
    const __m128i inputBias = _mm_set1_epi32(1 << (kInputBits - 1));
    __m128i maskedRandom = _mm_and_si128(random, low13);
    // One sample time of the two channels, unchecked: q biased by 2^28 is
    // gathered into 'reach', which stays under 2^29 while no lane clipped
    // (an OR of values under a power of two stays under it). The error
    // chain is added last, so each step waits on as little as it can.
    auto step = [&](__m128i s, __m128i& o, __m128i& reach) {
        const __m128i next = _mm_add_epi32(_mm_mul_epu32(random, multiplier), increment);
        const __m128i maskedNext = _mm_and_si128(next, low13);
        const __m128i offset = _mm_sub_epi32(_mm_add_epi32(rounding, maskedNext), maskedRandom);
        const __m128i q = _mm_add_epi32(_mm_sub_epi32(_mm_add_epi32(_mm_add_epi32(s, e2), offset), e1), e0);
        reach = _mm_or_si128(reach, _mm_add_epi32(q, unclippedBias));
        e2 = e1;
        e1 = _mm_srai_epi32(_mm_add_epi32(e0, _mm_srli_epi32(e0, 31)), 1);
        e0 = _mm_sub_epi32(_mm_and_si128(q, low13), offset);
        random = next;
        maskedRandom = maskedNext;
        o = _mm_andnot_si128(low13, q);
    };
    uint32_t done = 0;
    // The state at the start of each four sample times, in memory: the
    // registers are all taken.
    alignas(16) int32_t saved[4][4];
    while (done + 4 <= count) {
        _mm_store_si128(reinterpret_cast<__m128i*>(saved[0]), e0);
        _mm_store_si128(reinterpret_cast<__m128i*>(saved[1]), e1);
        _mm_store_si128(reinterpret_cast<__m128i*>(saved[2]), e2);
        _mm_store_si128(reinterpret_cast<__m128i*>(saved[3]), random);
        const __m128i l = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in[0] + done));
        const __m128i r = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in[1] + done));
        // l0 l1 r0 r1 holds sample times 0 (lanes 0, 2) and, shifted down,
        // 1; l2 l3 r2 r3 likewise times 2 and 3.
        const __m128i times01 = _mm_unpacklo_epi64(l, r);
        const __m128i times23 = _mm_unpackhi_epi64(l, r);
        // The biased inputs must stay under 2^30: halved, under 2^29 as q.
        const __m128i inputs =
            _mm_srli_epi32(_mm_or_si128(_mm_add_epi32(l, inputBias), _mm_add_epi32(r, inputBias)), 1);
        __m128i o0, o1, o2, o3, qreach = _mm_setzero_si128();
        step(times01, o0, qreach);
        step(_mm_srli_epi64(times01, 32), o1, qreach);
        step(times23, o2, qreach);
        step(_mm_srli_epi64(times23, 32), o3, qreach);
        const __m128i all = _mm_or_si128(inputs, _mm_and_si128(qreach, lowHalves));
        if (_mm_movemask_epi8(_mm_cmpeq_epi32(_mm_srli_epi32(all, kUnclippedBits), _mm_setzero_si128())) == 0xFFFF) {
            const __m128i out01 = _mm_or_si128(_mm_and_si128(o0, lowHalves), _mm_slli_epi64(o1, 32));
            const __m128i out23 = _mm_or_si128(_mm_and_si128(o2, lowHalves), _mm_slli_epi64(o3, 32));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out[0] + done), _mm_unpacklo_epi64(out01, out23));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out[1] + done), _mm_unpackhi_epi64(out01, out23));
            done += 4;
            continue;
        }
        // A clip or a wild input somewhere in these four: back to their
        // start; from there on the caller goes a sample at a time.
        e0 = _mm_load_si128(reinterpret_cast<const __m128i*>(saved[0]));
        e1 = _mm_load_si128(reinterpret_cast<const __m128i*>(saved[1]));
        e2 = _mm_load_si128(reinterpret_cast<const __m128i*>(saved[2]));
        random = _mm_load_si128(reinterpret_cast<const __m128i*>(saved[3]));
        break;
    }
    alignas(16) int32_t lanes[4][4];
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes[0]), e0);
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes[1]), e1);
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes[2]), e2);
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes[3]), random);
    for (int c = 0; c < 2; ++c)
        *state[c] = DitherState{lanes[0][2 * c], lanes[1][2 * c], lanes[2][2 * c], lanes[3][2 * c]};
    return done;
}

#else

uint32_t DitherFourLanes(const int32_t* const[4], int32_t* const[4], DitherState* const[4], uint32_t)
{
    return 0;
}

uint32_t DitherTwoLanes(const int32_t* const[2], int32_t* const[2], DitherState* const[2], uint32_t)
{
    return 0;
}

#endif
