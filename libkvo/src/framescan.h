#pragma once
// What a player works out about a stream when it opens it, as plain
// functions over the bytes: tags to skip, the VBR header, the frame scan,
// the song length and the plan of wave buffers.

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

struct FrameScan {
    uint32_t frames = 0;
    uint64_t bytes = 0;
    bool vbr = false;  // a frame's bitrate differed from the first one's
};

// Reads at most maxFrames frame headers from 'data' on.
FrameScan ScanFrames(const uint8_t* data, uint32_t size, uint32_t maxFrames);

struct StreamLength {
    uint32_t frames = 0;
    uint32_t samples = 0;
    uint32_t lengthMs = 0;
    uint32_t averageFrameBytes = 0;
    uint32_t averageBitrate = 0;  // bits per second
};

// Whether a found header's frame count can describe the audio behind it
// (dataBytes from the first frame after the header frame, 'first' that
// frame's header, 'scan' a scan from there). False when the average frame it
// implies is shorter or longer than any frame of that layer and rate can be,
// or when an "Info" header of a constant-rate stream disagrees with the
// scanned frames by more than a few percent. Such a count (and its table of
// contents with it) is not to be trusted: the length then comes from the
// stream itself.
bool VbrHeaderFitsStream(const VbrHeader& vbr, uint32_t dataBytes, const MpegHeader& first, const FrameScan& scan);

// dataBytes: the stream's audio bytes from its first frame on.
StreamLength LengthFromVbrHeader(const VbrHeader& vbr, uint32_t dataBytes, uint32_t rate, uint32_t samplesPerFrame);
StreamLength LengthFromScan(const FrameScan& scan, uint32_t dataBytes, uint32_t bitrate, uint32_t rate,
                            uint32_t samplesPerFrame);

struct WaveBufferPlan {
    bool noDevice = false;        // buffer ms 0: the sound goes only to the PCM callback
    uint32_t framesPerBuffer = 0;
    uint32_t bufferLengthMs = 0;  // of one buffer
    uint32_t bufferCount = 0;
};

// False for 1 to 199 ms.
bool PlanWaveBuffers(uint32_t bufferMs, uint32_t rate, uint32_t samplesPerFrame, WaveBufferPlan& plan);
