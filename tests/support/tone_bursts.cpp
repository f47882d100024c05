#include "tests/support/tone_bursts.h"

#include <algorithm>
#include <cmath>

#include "tests/support/command_output.h"
#include "tests/support/mp3_maker.h"

namespace testsupport {

namespace {

constexpr int kRate = 44100;

// Goertzel power of the frequency over each 10 ms of one channel.
std::vector<double> TonePowers(const std::vector<int16_t>& stereo, int channel, double frequency)
{
    const size_t window = kRate / 100;
    const size_t frames = stereo.size() / 2;
    const double coeff = 2 * std::cos(2 * M_PI * frequency / kRate);
    std::vector<double> powers;
    for (size_t start = 0; start + window <= frames; start += window) {
        double s1 = 0, s2 = 0;
        for (size_t i = 0; i < window; ++i) {
            const double s = stereo[2 * (start + i) + size_t(channel)] + coeff * s1 - s2;
            s2 = s1;
            s1 = s;
        }
        powers.push_back(s1 * s1 + s2 * s2 - coeff * s1 * s2);
    }
    return powers;
}

}  // namespace

Pcm BurstPcm(int sampleRate, int channels, double seconds, double at, double length, double frequency,
             double amplitude)
{
    Pcm pcm = MakeSilence(sampleRate, channels, at);
    pcm = Concat(pcm, MakeTone(sampleRate, channels, length, frequency, amplitude));
    return Concat(pcm, MakeSilence(sampleRate, channels, seconds - at - length));
}

std::vector<uint8_t> PcmBytes(const Pcm& pcm)
{
    std::vector<uint8_t> bytes(pcm.samples.size() * 2);
    for (size_t i = 0; i < pcm.samples.size(); ++i) {
        const uint16_t v = uint16_t(pcm.samples[i]);
        bytes[2 * i] = uint8_t(v);
        bytes[2 * i + 1] = uint8_t(v >> 8);
    }
    return bytes;
}

std::vector<uint8_t> SongKvo(const Pcm& accompaniment, const KvoTagFields& tag)
{
    KvoContent content;
    content.tag = MakeKvoTag(tag);
    content.head = {1, 2, 3, 4};
    content.stream1 = MakeMp3(accompaniment);
    // The vocal in the accompaniment's layout: the player plays both in step.
    content.stream2 = MakeMp3(MakeSilence(accompaniment.sampleRate, accompaniment.channels, accompaniment.Seconds()));
    content.pieceSize = 4000;
    return WriteKvo(content);
}

double ToneOnset(const std::vector<int16_t>& stereo, int channel, double frequency)
{
    const auto powers = TonePowers(stereo, channel, frequency);
    double peak = 0;
    for (double p : powers)
        peak = std::max(peak, p);
    if (peak <= 1e6)
        return -1;
    for (size_t i = 0; i < powers.size(); ++i)
        if (powers[i] >= peak / 16)  // a quarter of the amplitude
            return double(i) / 100;
    return -1;
}

double ToneLevel(const std::vector<int16_t>& stereo, int channel, double frequency, double from, double to)
{
    const auto powers = TonePowers(stereo, channel, frequency);
    double sum = 0;
    int n = 0;
    for (size_t i = size_t(from * 100); i < powers.size() && double(i) / 100 < to; ++i, ++n)
        sum += powers[i];
    return n ? std::sqrt(sum / n) : 0;
}

std::vector<int16_t> DecodeWithMpg123(const std::string& mp3Path)
{
    const auto out = CommandOutput({"mpg123", "-q", "-s", "-r", "44100", "--stereo", mp3Path});
    if (!out)
        return {};
    std::vector<int16_t> samples(out->size() / 2);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = int16_t(uint16_t(uint8_t((*out)[2 * i]) | uint8_t((*out)[2 * i + 1]) << 8));
    return samples;
}

}  // namespace testsupport
