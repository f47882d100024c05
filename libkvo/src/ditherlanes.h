#pragma once
// The dither of four (or two) channels at once, one channel in each lane of
// an SSE2 vector: the players' hottest loop after the decoder itself. While no
// sample is near full scale and no error is large, the dither's arithmetic
// fits 32 bits exactly, so the lanes give what DitherSample gives. At the
// first sample where that is no longer sure (a clip, an input beyond
// 2^29, or errors left large by an earlier clip) it stops and says where,
// and the caller goes on one sample at a time with DitherSample.

#include <cstdint>

#include "libkvo/src/mixdsp.h"

// Dithers in[c][0..done) into out[c][0..done) for the four channels c,
// updating state[c], and returns 'done' (at most 'count'; 0 where vectors
// are not available). Unused lanes may be given a silent input and a state
// and output of their own.
uint32_t DitherFourLanes(const int32_t* const in[4], int32_t* const out[4], DitherState* const state[4],
                         uint32_t count);
// The same for two channels (one stereo stream), at about half the cost of
// four lanes with two of them idle.
uint32_t DitherTwoLanes(const int32_t* const in[2], int32_t* const out[2], DitherState* const state[2],
                        uint32_t count);
