#include "kvostudio/takeplacement.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "kvostudio/recordingmix.h"

namespace recmix {

namespace {

// A change of the voice's place smaller than this is the readings'
// own wobble, not a stall of the song.
constexpr int64_t kSteadyFrames = 220;   // 5 ms

int64_t Median(std::vector<int64_t> values)
{
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    return values[values.size() / 2];
}

}  // namespace

std::vector<VoiceStretch> PlaceVoice(const std::vector<TakeMoment>& moments, int64_t startFrame)
{
    // The moments inside sound: the song moved since the one before and
    // moves on until the one after.
    struct Counted {
        int64_t k;
        int64_t lead;   // capture frame less song frame
    };
    std::vector<Counted> counted;
    for (size_t i = 1; i + 1 < moments.size(); ++i) {
        const int64_t k = moments[i].songFrame - startFrame;
        if (moments[i - 1].songFrame < moments[i].songFrame && moments[i].songFrame < moments[i + 1].songFrame &&
            k >= 0)
            counted.push_back({k, moments[i].captureFrame - k});
    }
    std::vector<VoiceStretch> stretches;
    std::vector<int64_t> leads;
    int64_t from = 0;
    int64_t lastK = 0;
    const auto close = [&] {
        if (!leads.empty())
            stretches.push_back({from, Median(leads) + from});
        leads.clear();
    };
    for (size_t i = 0; i < counted.size(); ++i) {
        const Counted& c = counted[i];
        if (!leads.empty() && std::llabs(c.lead - Median(leads)) > kSteadyFrames) {
            // A new place only when the next moment keeps to it too.
            const bool kept = i + 1 < counted.size() && std::llabs(counted[i + 1].lead - c.lead) <= kSteadyFrames;
            if (!kept)
                continue;
            close();
            // The stall came somewhere between the two moments.
            from = lastK + (c.k - lastK) / 2;
        }
        leads.push_back(c.lead);
        lastK = c.k;
    }
    close();
    return stretches;
}

int64_t VoiceFrameAt(const std::vector<VoiceStretch>& stretches, int64_t k)
{
    if (stretches.empty())
        return k;
    size_t i = 0;
    while (i + 1 < stretches.size() && stretches[i + 1].songFrom <= k)
        ++i;
    return stretches[i].voiceAt + (k - stretches[i].songFrom);
}

std::vector<uint8_t> MixPlaced(const uint8_t* voice, uint64_t voiceBytes, const uint8_t* accompaniment,
                               uint64_t accBytes, const std::vector<VoiceStretch>& stretches, int64_t startFrame,
                               int64_t shiftFrames, int64_t frames, float accGainDb)
{
    std::vector<uint8_t> out(size_t(std::max<int64_t>(frames, 0)) * kFrameBytes, 0);
    const int64_t voiceFrames = int64_t(voiceBytes / kFrameBytes);
    const int64_t accFrames = int64_t(accBytes / kFrameBytes);
    const float factor = GainFactor(accGainDb);
    for (int64_t k = 0; k < frames;) {
        // One stretch at a time: within it voice and song go on together.
        size_t s = 0;
        while (s + 1 < stretches.size() && stretches[s + 1].songFrom <= k)
            ++s;
        const int64_t end = s + 1 < stretches.size() ? std::min(frames, stretches[s + 1].songFrom) : frames;
        const int64_t v0 = VoiceFrameAt(stretches, k) - shiftFrames;
        for (int64_t j = k; j < end; ++j) {
            uint8_t* o = out.data() + j * kFrameBytes;
            const int64_t v = v0 + (j - k);
            if (v >= 0 && v < voiceFrames)
                std::memcpy(o, voice + v * kFrameBytes, kFrameBytes);
            const int64_t a = startFrame + j;
            if (a >= 0 && a < accFrames) {
                const uint8_t* in = accompaniment + a * kFrameBytes;
                for (int c = 0; c < kFrameBytes; c += 2) {
                    const int16_t sample = int16_t(uint16_t(in[c] | (in[c + 1] << 8)));
                    const int16_t scaled = factor == 1.0f ? sample : ScaleSample(sample, factor);
                    const uint8_t bytes[2] = {uint8_t(uint16_t(scaled)), uint8_t(uint16_t(scaled) >> 8)};
                    MixSample(o + c, bytes);
                }
            }
        }
        k = end;
    }
    return out;
}

std::vector<uint8_t> CutPlaced(const uint8_t* capture, uint64_t captureBytes,
                               const std::vector<VoiceStretch>& stretches, int64_t frames)
{
    const int64_t captureFrames = int64_t(captureBytes / kFrameBytes);
    const int64_t first = std::clamp<int64_t>(VoiceFrameAt(stretches, 0), 0, captureFrames);
    const int64_t last = std::clamp<int64_t>(VoiceFrameAt(stretches, frames), first, captureFrames);
    return std::vector<uint8_t>(capture + first * kFrameBytes, capture + last * kFrameBytes);
}

}  // namespace recmix
