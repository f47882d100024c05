#pragma once
// The recording's mix arithmetic, kept apart from the engine's threads and
// files: byte offsets from times, where voice and accompaniment meet, the
// 16-bit gain and the saturated sum, and the progress percentage.
//
// Audio is 44100 Hz, 16-bit little-endian stereo: one sample frame is 4
// bytes, so every offset below is a multiple of 4.

#include <cstddef>
#include <cstdint>

namespace recmix {

inline constexpr int64_t kFrameBytes = 4;
inline constexpr double kSampleRate = 44100.0;

// 4 x trunc(seconds x 44100): the byte offset of a song position.
int64_t OffsetBytes(float seconds);

// 4 x trunc(ms x 44100 / 1000), truncated toward zero. Taken from the
// milliseconds as stored: going through seconds in single precision makes
// some whole-millisecond shifts one frame short (10 ms among them).
int64_t ShiftBytes(float milliseconds);

// Where the voice capture meets the accompaniment, for a capture that began
// at accompaniment byte startBytes and a voice moved by shiftBytes.
struct MixPlan {
    uint32_t voiceStart = 0;    // first voice byte that is mixed
    uint64_t accStart = 0;      // accompaniment byte that meets it
    uint32_t mixBytes = 0;      // bytes mixed from there on (whole samples)
    uint32_t outputStart = 0;   // first voice byte of the finished mix
    uint32_t outputBytes = 0;   // bytes of the finished mix
};

// With T = start + shift:
//  T >= 0: voice byte j meets accompaniment byte T + j from the voice's
//          start; when the accompaniment ends first and the shift is
//          positive, the last `shift` bytes of the voice are left out.
//  T < 0:  the first |shift| voice bytes are left out; voice byte j meets
//          accompaniment byte start + j - |shift|.
// Mixing goes on while both bytes lie inside their data. The output never
// runs past the voice's data and is empty when nothing is left of it.
// A negative start counts as 0.
MixPlan PlanMix(int64_t startBytes, int64_t shiftBytes, uint32_t voiceBytes, uint32_t accBytes);

// The plan cut so that the finished mix ends at accompaniment byte
// endBytes; unchanged when it ends there already, or when that byte lies
// at or before the mix's first.
MixPlan EndMixAt(MixPlan plan, int64_t endBytes);

// The single-precision factor 10^(dB/20) that ApplyGainToSample uses.
float GainFactor(float gainDb);
// sample x factor in single precision, truncated toward zero, clamped to
// the 16-bit range.
int16_t ScaleSample(int16_t sample, float factor);
// ScaleSample(sample, GainFactor(gainDb)): 0 dB leaves every sample as it is.
int16_t ApplyGainToSample(int16_t sample, float gainDb);

// Scales `bytes` bytes of little-endian 16-bit samples from in to out (the
// two may be the same buffer); an odd last byte is copied unchanged.
void ApplyGainToBuffer(const uint8_t* in, uint8_t* out, size_t bytes, float gainDb);

// The voice sample at `voice` becomes voice + accompaniment, clamped to the
// 16-bit range (both little-endian signed 16-bit).
void MixSample(uint8_t* voice, const uint8_t* accompaniment);

// Mixes the plan's stretch: the accompaniment is scaled by accGainDb
// (computed as ApplyGainToSample does) and added to the voice in place.
// The caller's buffers must hold what the plan was made for.
void MixInto(uint8_t* voice, const uint8_t* accompaniment, const MixPlan& plan, float accGainDb);

// The RIFF size of a plain 44-byte-header WAV file with that much data.
inline uint32_t PlainRiffSize(uint32_t dataBytes) { return 36u + dataBytes; }

// done x 100 / total rounded to the nearest integer (halves away from
// zero), without overflow for any file size; 0 when total is 0.
int ProgressPercent(int64_t done, int64_t total);

}  // namespace recmix
