#include "tests/support/pcm_maker.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>

namespace testsupport {
namespace {

int16_t ToSample(double v)
{
    double s = std::round(v * 32767.0);
    return static_cast<int16_t>(std::clamp(s, -32768.0, 32767.0));
}

// A small xorshift generator: the same seed gives the same noise on every
// machine, unlike the standard distributions.
struct Noise {
    uint32_t state;
    double Next()
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return double(state) / 2147483648.0 - 1.0;
    }
};

void PutLe(std::vector<uint8_t>& out, uint32_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void PutTag(std::vector<uint8_t>& out, const char* id)
{
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(id[i]));
}

}  // namespace

Pcm MakePcm(int sampleRate, double seconds, const std::vector<Signal>& perChannel)
{
    if (sampleRate <= 0 || perChannel.empty() || seconds < 0)
        throw std::invalid_argument("MakePcm: bad rate, channels or length");
    Pcm pcm;
    pcm.sampleRate = sampleRate;
    pcm.channels = static_cast<int>(perChannel.size());
    const size_t frames = static_cast<size_t>(std::llround(seconds * sampleRate));
    pcm.samples.resize(frames * pcm.channels);
    for (int c = 0; c < pcm.channels; ++c) {
        const Signal& sig = perChannel[c];
        Noise noise{sig.seed ? sig.seed : 1};
        const double step = 2.0 * std::numbers::pi * sig.frequency / sampleRate;
        for (size_t i = 0; i < frames; ++i) {
            double v = 0.0;
            if (sig.kind == Signal::Kind::Sine) v = sig.amplitude * std::sin(step * double(i));
            else if (sig.kind == Signal::Kind::Noise) v = sig.amplitude * noise.Next();
            pcm.samples[i * pcm.channels + c] = ToSample(v);
        }
    }
    return pcm;
}

Pcm MakeTone(int sampleRate, int channels, double seconds, double frequency, double amplitude)
{
    return MakePcm(sampleRate, seconds, std::vector<Signal>(channels, Signal::Sine(frequency, amplitude)));
}

Pcm MakeNoise(int sampleRate, int channels, double seconds, double amplitude, uint32_t seed)
{
    std::vector<Signal> sigs;
    for (int c = 0; c < channels; ++c) sigs.push_back(Signal::Noise(amplitude, seed + 7919u * c));
    return MakePcm(sampleRate, seconds, sigs);
}

Pcm MakeSilence(int sampleRate, int channels, double seconds)
{
    return MakePcm(sampleRate, seconds, std::vector<Signal>(channels, Signal::Silence()));
}

Pcm Concat(const Pcm& a, const Pcm& b)
{
    if (a.sampleRate != b.sampleRate || a.channels != b.channels)
        throw std::invalid_argument("Concat: rates or channel counts differ");
    Pcm out = a;
    out.samples.insert(out.samples.end(), b.samples.begin(), b.samples.end());
    return out;
}

std::vector<double> Channel(const std::vector<int16_t>& interleaved, int channels, int channel)
{
    std::vector<double> out;
    if (channels <= 0 || channel < 0 || channel >= channels) return out;
    out.reserve(interleaved.size() / channels);
    for (size_t i = channel; i < interleaved.size(); i += channels) out.push_back(interleaved[i]);
    return out;
}

double EstimateFrequency(const std::vector<double>& x, int sampleRate)
{
    // Rising zero crossings, located to a fraction of a sample.
    double first = -1, last = -1;
    size_t count = 0;
    for (size_t i = 1; i < x.size(); ++i) {
        if (x[i - 1] < 0.0 && x[i] >= 0.0) {
            double t = double(i - 1) + (-x[i - 1]) / (x[i] - x[i - 1]);
            if (first < 0) first = t;
            last = t;
            ++count;
        }
    }
    if (count < 2) return 0.0;
    return double(count - 1) * sampleRate / (last - first);
}

double RmsDb(const std::vector<double>& x)
{
    if (x.empty()) return -200.0;
    double sum = 0.0;
    for (double v : x) sum += v * v;
    double rms = std::sqrt(sum / double(x.size())) / 32768.0;
    return 20.0 * std::log10(std::max(rms, 1e-10));
}

std::vector<uint8_t> WavBytes(const Pcm& pcm)
{
    const uint32_t dataSize = static_cast<uint32_t>(pcm.samples.size() * 2);
    const uint32_t blockAlign = static_cast<uint32_t>(pcm.channels * 2);
    std::vector<uint8_t> out;
    out.reserve(44 + dataSize);
    PutTag(out, "RIFF");
    PutLe(out, 36 + dataSize, 4);
    PutTag(out, "WAVE");
    PutTag(out, "fmt ");
    PutLe(out, 16, 4);
    PutLe(out, 1, 2);
    PutLe(out, pcm.channels, 2);
    PutLe(out, pcm.sampleRate, 4);
    PutLe(out, pcm.sampleRate * blockAlign, 4);
    PutLe(out, blockAlign, 2);
    PutLe(out, 16, 2);
    PutTag(out, "data");
    PutLe(out, dataSize, 4);
    for (int16_t s : pcm.samples) PutLe(out, static_cast<uint16_t>(s), 2);
    return out;
}

double ToneAmplitude(const std::vector<int16_t>& interleaved, int channels, int channel, size_t first,
                     size_t count, double frequency, double rate)
{
    if (count == 0)
        return 0.0;
    double ss = 0, sc = 0;
    for (size_t i = first; i < first + count; ++i) {
        const double x = interleaved[i * size_t(channels) + size_t(channel)];
        const double angle = 2.0 * std::numbers::pi * frequency * double(i) / rate;
        ss += x * std::sin(angle);
        sc += x * std::cos(angle);
    }
    return 2.0 * std::hypot(ss, sc) / double(count);
}

double MiddleToneAmplitude(const std::vector<uint8_t>& stereoBytes, int channel, double frequency, int rate)
{
    std::vector<int16_t> samples(stereoBytes.size() / 2);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = int16_t(uint16_t(stereoBytes[2 * i] | (stereoBytes[2 * i + 1] << 8)));
    const size_t frames = samples.size() / 2;
    const size_t from = frames / 5, to = frames - frames / 5;
    return ToneAmplitude(samples, 2, channel, from, to - from, frequency, rate);
}

}  // namespace testsupport
