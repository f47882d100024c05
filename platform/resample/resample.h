#pragma once
// PCM layout conversion: interleaved signed 16-bit samples brought to
// another sample rate or from one channel to two. Pure functions over
// caller buffers; nothing is kept between calls and they may run on any
// thread. The recording engine is their client: it mixes the voice against
// a song's accompaniment sample by sample at 44100 Hz stereo, whatever the
// song was encoded at.
//
// The rate converter is libsamplerate's band-limited sinc interpolator;
// its output is aligned with its input (no filter delay is added), so a
// sound at time t of the input sits at time t of the output. Failures are
// returned with the converter's own text.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform::resample {

// Each sample of the single channel becomes the left and the right sample.
std::vector<int16_t> MonoToStereo(const int16_t* mono, size_t frames);

// The frames `frames` input frames at fromRate make at toRate:
// frames x toRate / fromRate rounded to the nearest whole frame. 0 when
// either rate is not positive.
size_t ConvertedFrames(size_t frames, int fromRate, int toRate);

// Converts `frames` frames of `channels` interleaved channels from fromRate
// to toRate into out, which then holds exactly ConvertedFrames(...) frames.
// Equal rates copy the input unchanged. False, with out empty and error
// set, when a rate or the channel count is not usable or the converter
// fails.
bool Resample(const int16_t* in, size_t frames, int channels, int fromRate, int toRate, std::vector<int16_t>& out,
              std::string& error);

}  // namespace platform::resample
