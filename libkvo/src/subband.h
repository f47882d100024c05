#pragma once
// Effects on a decoded frame's subband samples, run before synthesis: the
// channel mix (both sides become a·L + b·R) and the 10-band subband
// equalizer. Gains are 4.28 fixed point (0x10000000 is 1.0). The sample
// and gain are each cut to about 16 bits before the product, so the result
// keeps the decoder's 28-bit fraction; products beyond the 32-bit range
// are clipped instead of wrapping.

#include <mad.h>

#include <cstdint>

constexpr int32_t kUnityGain428 = 0x10000000;
constexpr int kSubbandEqBands = 10;
constexpr int kSubbands = 32;

// percent / 100 as a 4.28 gain, rounded; at most the largest 4.28 value.
int32_t PercentToGain428(uint32_t percent);

// 10^(db / 20), at most 7.99999999627471, as a 4.28 gain.
int32_t DbToGain428(double db);

// The equalizer band (0..9) that covers a subband (0..31).
int SubbandBand(int subband);

// How many samples per subband a frame holds: 12 in Layer I, 36 in the
// other layers, except a Layer III frame at the half sample rates (MPEG-2
// and 2.5), which holds 18.
int SubbandSlots(const struct mad_header& header);

// Both channels of a two-channel frame become a·L + b·R; a single-channel
// frame is left as it is.
void MixSubbandChannels(struct mad_frame& frame, int32_t a, int32_t b);

// Every subband sample times its subband's gain.
void EqualizeSubbands(struct mad_frame& frame, const int32_t gains[kSubbands]);
