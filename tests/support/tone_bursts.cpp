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

Pcm BurstTrain(double seconds, const std::vector<double>& at, double length, double frequency, double hum)
{
    Pcm pcm = MakeTone(kRate, 2, seconds, hum, 0.05);
    const Pcm burst = MakeTone(kRate, 2, length, frequency, 0.5);
    for (double start : at) {
        const size_t first = size_t(std::llround(start * kRate)) * 2;
        for (size_t i = 0; i < burst.samples.size() && first + i < pcm.samples.size(); ++i)
            pcm.samples[first + i] = int16_t(pcm.samples[first + i] + burst.samples[i]);
    }
    return pcm;
}

std::vector<double> BurstStarts(const std::vector<int16_t>& stereo, int channel)
{
    int peak = 0;
    for (size_t i = size_t(channel); i < stereo.size(); i += 2)
        peak = std::max(peak, std::abs(int(stereo[i])));
    std::vector<double> starts;
    if (peak < 1000)
        return starts;
    const size_t quiet = kRate / 20;
    size_t below = 0;    // frames in a row below a quarter of the peak
    bool armed = true;   // quiet long enough for a new burst
    for (size_t frame = 0; 2 * frame + size_t(channel) < stereo.size(); ++frame) {
        const int level = std::abs(int(stereo[2 * frame + size_t(channel)]));
        below = level < peak / 4 ? below + 1 : 0;
        armed = armed || below >= quiet;
        if (armed && level > peak / 2) {
            starts.push_back(double(frame) / kRate);
            armed = false;
        }
    }
    return starts;
}

namespace {

// The first frame louder than a fortieth of the loudest sample: the hum
// of a burst train.
size_t FirstSoundingFrame(const std::vector<int16_t>& stereo)
{
    int peak = 0;
    for (int16_t v : stereo)
        peak = std::max(peak, std::abs(int(v)));
    size_t first = 0;
    while (first < stereo.size() && std::abs(int(stereo[first])) <= peak / 40)
        ++first;
    return first / 2;
}

}  // namespace

BurstSong ReadBurstSong(const std::vector<uint8_t>& mp3)
{
    const DecodedMp3 decoded = DecodeMp3(mp3);
    BurstSong song{double(FirstSoundingFrame(decoded.samples)) / kRate, BurstStarts(decoded.samples),
                   double(decoded.SampleFrames()) / kRate};
    const std::string head(mp3.begin(), mp3.begin() + long(std::min<size_t>(mp3.size(), 200)));
    if (head.find("Info") != std::string::npos || head.find("Xing") != std::string::npos) {
        const double infoFrame = 1152.0 / kRate;
        song.sounds -= infoFrame;
        song.length -= infoFrame;
        for (double& start : song.bursts)
            start -= infoFrame;
    }
    return song;
}

double WhereItBegan(const std::vector<int16_t>& output, const BurstSong& song, double near)
{
    const double sounds = double(FirstSoundingFrame(output)) / kRate;
    const auto heard = BurstStarts(output);
    const auto burst =
        std::find_if(song.bursts.begin(), song.bursts.end(), [&](double t) { return t > near + 0.05; });
    if (heard.empty() || burst == song.bursts.end())
        return -1;
    return *burst - (heard.front() - sounds);
}

std::vector<int16_t> WithoutDeviceSilence(const std::vector<int16_t>& stereo)
{
    std::vector<int16_t> heard;
    const size_t frames = stereo.size() / 2;
    size_t frame = 0;
    while (frame < frames) {
        size_t end = frame;
        while (end < frames && stereo[2 * end] == 0 && stereo[2 * end + 1] == 0)
            ++end;
        if (end - frame < 64) {
            end = std::max(end, frame + 1);
            heard.insert(heard.end(), stereo.begin() + long(2 * frame), stereo.begin() + long(2 * end));
        }
        frame = end;
    }
    return heard;
}

std::vector<int16_t> Samples16(const std::vector<uint8_t>& bytes)
{
    std::vector<int16_t> samples(bytes.size() / 2);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = int16_t(uint16_t(bytes[2 * i] | bytes[2 * i + 1] << 8));
    return samples;
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
    // The vocal in the accompaniment's layout: the player plays both in step.
    return SongKvo(accompaniment, MakeSilence(accompaniment.sampleRate, accompaniment.channels, accompaniment.Seconds()),
                   tag);
}

std::vector<uint8_t> SongKvo(const Pcm& accompaniment, const Pcm& vocal, const KvoTagFields& tag)
{
    KvoContent content;
    content.tag = MakeKvoTag(tag);
    content.head = {1, 2, 3, 4};
    content.stream1 = MakeMp3(accompaniment);
    content.stream2 = MakeMp3(vocal);
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
    return Samples16(std::vector<uint8_t>(out->begin(), out->end()));
}

}  // namespace testsupport
