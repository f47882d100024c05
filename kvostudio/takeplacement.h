#pragma once
// Where a take's voice meets its song, from what the sound server says of
// both: at moments through the take, how far the song had been heard and
// how far the capture had come at that same instant. While the song plays
// on, the two advance together and the capture frame that meets a song
// frame stays the same distance ahead; a song that stalled (the sound
// server ran dry on a busy machine) stood still while the capture ran on,
// and from there on the voice meets the song that much later. Frames are
// 44100 Hz stereo sample frames.

#include <cstdint>
#include <vector>

namespace recmix {

// One instant of a take: the song frame the listener heard and the capture
// frame the input took in.
struct TakeMoment {
    int64_t songFrame = 0;
    int64_t captureFrame = 0;
};

// From song frame songFrom on (counted from the take's start), capture
// frame voiceAt meets it, and both go on together until the next stretch.
struct VoiceStretch {
    int64_t songFrom = 0;
    int64_t voiceAt = 0;
};

// The stretches of a take that started at song frame startFrame, from its
// moments in the order they were taken. Only moments inside a stretch of
// sound count (the song moved before and after them): before the song is
// first heard and while it stands still, the capture runs on alone. A
// lone moment that strays is passed over. Empty when no moment counts.
std::vector<VoiceStretch> PlaceVoice(const std::vector<TakeMoment>& moments, int64_t startFrame);

// The capture frame that meets song frame k of the take, before the
// user's shift.
int64_t VoiceFrameAt(const std::vector<VoiceStretch>& stretches, int64_t k);
// The first song frame of the take that capture frame v no longer reaches:
// where a capture that ended at v ends the take.
int64_t SongFrameWhereCaptureEnds(const std::vector<VoiceStretch>& stretches, int64_t v);

// The take as the singer heard it: `frames` frames from the take's start,
// each the accompaniment's frame startFrame + k (scaled by accGainDb) with
// the voice frame that met it, moved by shiftFrames (negative: the voice
// reached the input that much late), added with 16-bit saturation. Voice
// or accompaniment missing at a frame is silence there.
std::vector<uint8_t> MixPlaced(const uint8_t* voice, uint64_t voiceBytes, const uint8_t* accompaniment,
                               uint64_t accBytes, const std::vector<VoiceStretch>& stretches, int64_t startFrame,
                               int64_t shiftFrames, int64_t frames, float accGainDb);

// A capture of what was heard (the sound card's own mix), from where the
// take's song was first heard for `frames` frames of the song, as bytes of
// the capture (less where it ran out).
std::vector<uint8_t> CutPlaced(const uint8_t* capture, uint64_t captureBytes,
                               const std::vector<VoiceStretch>& stretches, int64_t frames);

}  // namespace recmix
