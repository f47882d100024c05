#pragma once
// What a player works out about a stream when it opens it, as plain
// functions over the bytes: tags to skip, the VBR header, the walk over its
// frames, the song length and the plan of wave buffers.

#include <cstdint>

#include "libkvo/src/mpegheader.h"

// Rounds a x b / c to the nearest integer, halves away from zero; -1 when
// c is 0 (the platform's MulDiv).
int32_t MulDiv(int64_t a, int64_t b, int64_t c);

struct TagSkip {
    uint32_t start = 0;  // offset of the audio after a skipped ID3v2 tag
    uint32_t size = 0;   // bytes of audio from start, a trailing ID3v1 tag cut off
    bool id3v1 = false;
    bool id3v2 = false;
};

// A 128-byte "TAG" at the end is cut off; an ID3v2 tag at the start is
// skipped only when a frame sync follows it directly.
TagSkip SkipTags(const uint8_t* data, uint32_t size);

struct VbrHeader {
    bool found = false;       // a frame count and a table of contents were found
    bool constantRate = false;  // an "Info" header: the encoder wrote one bit rate throughout
    uint32_t frames = 0;
    uint32_t bytes = 0;
    uint8_t toc[100] = {};
};

// Looks for a Xing/Info header at the start of the frame's audio data and
// for a VBRI header 32 bytes after the frame header. 'available' is the
// number of bytes readable from 'frame'.
VbrHeader ReadVbrHeader(const uint8_t* frame, uint32_t available, const MpegHeader& header);

// Every frame of a stream as the decoder meets them. Bytes that are not
// frames of the stream (garbage, the zero padding of a shorter stream) are
// passed over until frames follow one another again, as the decoder
// regains its sync; they add nothing to the length.
struct FrameWalk {
    uint32_t frames = 0;
    uint64_t bytes = 0;  // of the frames counted
    bool vbr = false;    // a frame's bit rate differed from the first one's
    // Frames of the stream's version, rate and channels but of another
    // layer (a file whose layer changes part way), by layer: they are
    // passed over whole and not counted. Their samples, and where the first
    // of them begins.
    struct OtherLayer {
        uint64_t samples = 0;
        uint64_t firstAt = 0;
    };
    OtherLayer otherLayers[4];  // by layer, 1 to 3

    // The layer of the frames that hold most of the stream's time: the
    // stream's own (its first frame's) unless another holds more.
    int MainLayer(const MpegHeader& stream) const;
};

// Walks 'data' to its end. Only frames of the version, layer, sample rate
// and channel count of 'stream' (the stream's first frame) count; a
// free-format frame's size is measured by the distance to the next frame.
FrameWalk WalkFrames(const uint8_t* data, uint32_t size, const MpegHeader& stream);

struct StreamLength {
    uint32_t frames = 0;
    uint32_t samples = 0;
    uint32_t lengthMs = 0;
    uint32_t averageFrameBytes = 0;
    uint32_t averageBitrate = 0;  // bits per second
};

// Whether a found header's frame count describes the frames walked behind
// it (within a few percent). A count that does not (and its table of
// contents with it) is not to be trusted.
bool VbrHeaderFitsStream(const VbrHeader& vbr, const FrameWalk& walk);

// 'bytes' of audio in 'frames' frames.
StreamLength LengthFromFrames(uint32_t frames, uint64_t bytes, uint32_t rate, uint32_t samplesPerFrame);

struct WaveBufferPlan {
    bool noDevice = false;        // buffer ms 0: the sound goes only to the PCM callback
    uint32_t framesPerBuffer = 0;
    uint32_t bufferLengthMs = 0;  // of one buffer
    uint32_t bufferCount = 0;
};

// False for 1 to 199 ms.
bool PlanWaveBuffers(uint32_t bufferMs, uint32_t rate, uint32_t samplesPerFrame, WaveBufferPlan& plan);
