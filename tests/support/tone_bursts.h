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

// A 44100 Hz stereo song of `seconds`: a quiet hum of `hum` Hz throughout
// (every stretch of the song sounds, so the sound device's own silence
// stands apart from it) and a loud burst of `frequency` Hz, `length` long,
// starting at each of `at`.
Pcm BurstTrain(double seconds, const std::vector<double>& at, double length, double frequency = 1500,
               double hum = 300);

// Where the bursts of a burst train start in 44100 Hz stereo samples, in
// seconds: where the channel first rises above half its loudest after at
// least 50 ms below a quarter of it.
std::vector<double> BurstStarts(const std::vector<int16_t>& stereo, int channel = 0);

// A burst train MP3 in the players' time (an Info frame in front is no
// song time to them): where it first sounds (behind the encoder's delay),
// where its bursts start and how long it lasts.
struct BurstSong {
    double sounds = 0;
    std::vector<double> bursts;
    double length = 0;
};
BurstSong ReadBurstSong(const std::vector<uint8_t>& mp3);

// Where in the song the first sound of an output lies that plays it from
// some place on (the song's own first sound when it plays from the
// start): its first burst, timed from that first sound (the song's hum),
// against the song's first burst after `near`, the place where it is
// meant to begin (more than 50 ms before that burst). -1 when no burst is
// heard.
double WhereItBegan(const std::vector<int16_t>& output, const BurstSong& song, double near);

// The stereo samples less the sound device's own silence (runs of exact
// zeros of 64 frames or more), as the song was heard.
std::vector<int16_t> WithoutDeviceSilence(const std::vector<int16_t>& stereo);

// 16-bit little-endian bytes (what SDL's disk driver writes) as samples.
std::vector<int16_t> Samples16(const std::vector<uint8_t>& bytes);

// The samples as 16-bit little-endian bytes (what SDL's disk driver reads
// as a microphone).
std::vector<uint8_t> PcmBytes(const Pcm& pcm);

// A container whose accompaniment is the PCM encoded as MP3 (at its own
// rate and channel count) and whose vocal is silence of the same layout.
std::vector<uint8_t> SongKvo(const Pcm& accompaniment, const KvoTagFields& tag);
// The same with a vocal stream of its own (in the accompaniment's layout
// and length).
std::vector<uint8_t> SongKvo(const Pcm& accompaniment, const Pcm& vocal, const KvoTagFields& tag);

// Where the tone of `frequency` first reaches a quarter of its strongest
// level in the channel of the 44100 Hz stereo samples, in seconds (10 ms
// steps); -1 when it never sounds.
double ToneOnset(const std::vector<int16_t>& stereo, int channel, double frequency);
// The tone's level (RMS of the Goertzel output per 10 ms) over the stretch.
double ToneLevel(const std::vector<int16_t>& stereo, int channel, double frequency, double from, double to);

// The MP3 file decoded by mpg123 (stereo 44100 Hz); empty when it fails.
std::vector<int16_t> DecodeWithMpg123(const std::string& mp3Path);

}  // namespace testsupport
