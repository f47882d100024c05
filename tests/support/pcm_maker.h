// Test PCM: tones, noise, silence and their concatenations as interleaved
// signed 16-bit samples, plus the measurements tests make on decoded audio
// (tone frequency, level) and the bytes of a plain WAV file around them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace testsupport {

struct Pcm {
    int sampleRate = 44100;
    int channels = 2;
    std::vector<int16_t> samples;  // interleaved by channel

    size_t Frames() const { return channels > 0 ? samples.size() / channels : 0; }
    double Seconds() const { return sampleRate > 0 ? double(Frames()) / sampleRate : 0.0; }
};

// What one channel carries. Amplitude is a fraction of full scale (0..1).
struct Signal {
    enum class Kind { Silence, Sine, Noise };
    Kind kind = Kind::Silence;
    double frequency = 0.0;
    double amplitude = 0.0;
    uint32_t seed = 1;  // noise only: same seed, same samples

    static Signal Sine(double frequency, double amplitude) { return {Kind::Sine, frequency, amplitude, 1}; }
    static Signal Noise(double amplitude, uint32_t seed = 1) { return {Kind::Noise, 0.0, amplitude, seed}; }
    static Signal Silence() { return {}; }
};

// One signal per channel (the vector's size is the channel count).
Pcm MakePcm(int sampleRate, double seconds, const std::vector<Signal>& perChannel);

// The same sine on every channel.
Pcm MakeTone(int sampleRate, int channels, double seconds, double frequency, double amplitude);
Pcm MakeNoise(int sampleRate, int channels, double seconds, double amplitude, uint32_t seed = 1);
Pcm MakeSilence(int sampleRate, int channels, double seconds);

// a followed by b; both must have the same rate and channel count.
Pcm Concat(const Pcm& a, const Pcm& b);

// One channel of interleaved samples, as doubles.
std::vector<double> Channel(const std::vector<int16_t>& interleaved, int channels, int channel);

// Frequency of the dominant tone, from zero crossings interpolated between
// samples; accurate to well under 1 Hz over a second of a clean tone.
double EstimateFrequency(const std::vector<double>& samples, int sampleRate);

// RMS level in dB relative to a full-scale square wave (a full-scale sine
// is about -3.01 dB). Silence gives a very low number, never -inf.
double RmsDb(const std::vector<double>& samples);

// Amplitude of the component at 'frequency' in one channel of interleaved
// samples, over 'count' frames from 'first' (least squares against sine
// and cosine); 0 for an empty stretch.
double ToneAmplitude(const std::vector<int16_t>& interleaved, int channels, int channel, size_t first,
                     size_t count, double frequency, double rate);

// The same for one channel of 16-bit little-endian stereo bytes, over the
// middle three fifths: past a decoder's start-up and before its tail.
double MiddleToneAmplitude(const std::vector<uint8_t>& stereoBytes, int channel, double frequency,
                           int rate = 44100);

// A canonical 44-byte-header PCM WAV file of the samples.
std::vector<uint8_t> WavBytes(const Pcm& pcm);

}  // namespace testsupport
