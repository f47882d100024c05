#include "kvostudio/takeplacement.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "kvostudio/recordingmix.h"

namespace recmix {

namespace {

// A change of the voice's place smaller than this is the readings'
// own wobble (the server reports its buffers in steps), not a stall of
// the song.
constexpr int64_t kSteadyFrames = 265;   // 6 ms
// How many readings from a moment on tell whether the place moved there.
constexpr size_t kAhead = 5;

int64_t Median(std::vector<int64_t> values)
{
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    return values[values.size() / 2];
}

// The mean of the middle half: steady against a stray reading, and it
// averages the steps of the server's reports where a median would take
// one of them.
int64_t MiddleMean(std::vector<int64_t> values)
{
    std::sort(values.begin(), values.end());
    const size_t from = values.size() / 4;
    const size_t to = values.size() - from;
    int64_t sum = 0;
    for (size_t i = from; i < to; ++i)
        sum += values[i];
    return sum / int64_t(to - from);
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
    std::vector<int64_t> places;   // each stretch's capture frame less song frame
    int64_t from = 0;
    int64_t lastK = 0;
    const auto close = [&] {
        if (!leads.empty()) {
            stretches.push_back({from, 0});
            places.push_back(MiddleMean(leads));
        }
        leads.clear();
    };
    for (size_t i = 0; i < counted.size(); ++i) {
        // A single reading wobbles by several milliseconds; the medians of
        // the few before and the few from here on tell whether the place
        // itself moved.
        if (leads.size() >= kAhead / 2 + 1 && i + kAhead / 2 < counted.size()) {
            std::vector<int64_t> ahead;
            for (size_t j = i; j < counted.size() && j < i + kAhead; ++j)
                ahead.push_back(counted[j].lead);
            const std::vector<int64_t> behind(leads.end() - int64_t(std::min(leads.size(), kAhead)), leads.end());
            const int64_t was = Median(behind);
            const int64_t now = Median(ahead);
            if (std::llabs(now - was) > kSteadyFrames) {
                // The readings still nearer the old place belong to it.
                for (; i < counted.size() && std::llabs(counted[i].lead - was) < std::llabs(counted[i].lead - now); ++i) {
                    leads.push_back(counted[i].lead);
                    lastK = counted[i].k;
                }
                if (i == counted.size())
                    break;
                close();
                // The stall came somewhere between the two moments.
                from = lastK + (counted[i].k - lastK) / 2;
            }
        }
        leads.push_back(counted[i].lead);
        lastK = counted[i].k;
    }
    close();
    // The capture cannot fall behind the song as heard: a song that stalls
    // only puts the voice later. Where the readings put it earlier again,
    // the earlier ones overstated it (the server changed its buffering),
    // and the later, lower place holds for them too.
    for (size_t i = places.size(); i-- > 1;)
        places[i - 1] = std::min(places[i - 1], places[i]);
    std::vector<VoiceStretch> placed;
    for (size_t i = 0; i < stretches.size(); ++i) {
        if (!placed.empty() && places[i] == places[i - 1])
            continue;
        placed.push_back({stretches[i].songFrom, places[i] + stretches[i].songFrom});
    }
    return placed;
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

int64_t SongFrameWhereCaptureEnds(const std::vector<VoiceStretch>& stretches, int64_t v)
{
    if (stretches.empty())
        return v;
    // Stretches only ever put the voice later: the last one that begins at
    // or before v holds it.
    size_t i = 0;
    while (i + 1 < stretches.size() && stretches[i + 1].voiceAt <= v)
        ++i;
    return std::max<int64_t>(0, stretches[i].songFrom + (v - stretches[i].voiceAt));
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
