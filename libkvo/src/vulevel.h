#pragma once
// The VU levels of the sound at the device: the mean absolute sample of a
// window of half a buffer around the device's position, on a 0..100 scale
// of 33 per decade with 100 at 3 dB below full scale.

#include <cstdint>

// Maps a mean absolute sample to the 0..100 scale: 33 points per factor
// of ten, 100 reached at 23169 (3 dB under full scale) and capped there,
// truncated toward zero; means under 21.61 read as 0.
uint32_t VuLevel(double meanAbsolute);

// Levels of the 16-bit stereo buffer 'bytes' long that the device plays,
// 'offset' bytes into it: the window is half the buffer from the offset,
// moved back to end 4 bytes before the buffer's end when it would pass it.
void VuLevels(const int16_t* samples, uint32_t bytes, uint32_t offset, uint32_t& left, uint32_t& right);
