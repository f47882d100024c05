// Songs and voices made of silence with one tone burst, and where such a
// burst sounds in a recording: the recording tests and the display tests of
// the program find the accompaniment's and the voice's bursts in a take.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/kvo_writer.h"
#include "tests/support/pcm_maker.h"

namespace testsupport {

// Silence with a sine of `frequency` from `at` for `length` seconds, the
// whole `seconds` long.
Pcm BurstPcm(int sampleRate, int channels, double seconds, double at, double length, double frequency,
             double amplitude = 0.4);

// The samples as 16-bit little-endian bytes (what SDL's disk driver reads
// as a microphone).
std::vector<uint8_t> PcmBytes(const Pcm& pcm);

// A container whose accompaniment is the PCM encoded as MP3 (at its own
// rate and channel count) and whose vocal is silence of the same layout.
std::vector<uint8_t> SongKvo(const Pcm& accompaniment, const KvoTagFields& tag);

// Where the tone of `frequency` first reaches a quarter of its strongest
// level in the channel of the 44100 Hz stereo samples, in seconds (10 ms
// steps); -1 when it never sounds.
double ToneOnset(const std::vector<int16_t>& stereo, int channel, double frequency);
// The tone's level (RMS of the Goertzel output per 10 ms) over the stretch.
double ToneLevel(const std::vector<int16_t>& stereo, int channel, double frequency, double from, double to);

// The MP3 file decoded by mpg123 (stereo 44100 Hz); empty when it fails.
std::vector<int16_t> DecodeWithMpg123(const std::string& mp3Path);

}  // namespace testsupport
