#pragma once
// The libmad loop behind the MP3 to WAV conversion: whole frames in, 16-bit
// interleaved PCM out through a sink, with the timeline kept whole.

#include <cstddef>
#include <cstdint>
#include <functional>

struct Mp3PcmFormat {
    int sampleRate = 0;
    int channels = 0;
};

struct Mp3DecodeStats {
    size_t frames = 0;           // frames put out, silent ones included
    size_t silencedFrames = 0;   // frames that failed to decode
    size_t filledFrames = 0;     // frames lost to damaged bytes, filled in
};

// Called with each frame's samples (interleaved, count = frames x channels).
// Returning false stops the decode.
using Mp3PcmSink = std::function<bool(const int16_t* samples, size_t count)>;

// Decodes data (an MP3 stream; a leading ID3v2 tag and a Xing/Info frame
// are skipped). The format is that of the first frame; later frames with
// another channel count are mapped onto it. Returns false when no frame
// decodes or the sink stopped the decode; format is set on the first frame.
bool DecodeMp3Stream(const uint8_t* data, size_t size, Mp3PcmFormat* format, Mp3DecodeStats* stats,
                     const Mp3PcmSink& sink);

