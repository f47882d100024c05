#pragma once
// The 4-byte MPEG audio frame header, read without the decoder: the frame
// scans and the backward walk of the Layer III reservoir need the layer,
// rate, mode and length of frames they do not decode.

#include <cstdint>

struct MpegHeader {
    int version = 0;          // 1 MPEG-1, 2 MPEG-2, 25 MPEG-2.5
    int layer = 0;            // 1, 2 or 3
    bool crc = false;         // a 16-bit CRC follows the header
    uint32_t bitrate = 0;     // bits per second; 0 = free format
    uint32_t sampleRate = 0;  // Hz
    bool padding = false;
    int mode = 0;             // 0 stereo, 1 joint stereo, 2 dual channel, 3 single channel
    int modeExtension = 0;
    bool copyright = false;
    bool original = false;
    int emphasis = 0;         // 0 none, 1 50/15 us, 2 reserved, 3 CCITT J.17

    bool Lsf() const { return version != 1; }
    int Channels() const { return mode == 3 ? 1 : 2; }
    uint32_t SamplesPerFrame() const { return layer == 1 ? 384 : (layer == 3 && Lsf() ? 576 : 1152); }
    // Bytes of the frame, header included, for a given bitrate (0 when the
    // bitrate is not known).
    uint32_t FrameLength(uint32_t bitrateBps) const;
    uint32_t FrameLength() const { return FrameLength(bitrate); }
    // Bytes of Layer III side information, CRC not included.
    uint32_t SideInfoLength() const;
};

// True when p[0], p[1] begin a frame sync (0xFF, then 0xE0 or more).
inline bool IsSyncWord(const uint8_t* p)
{
    return p[0] == 0xFF && p[1] >= 0xE0;
}

// Reads the four bytes at p. False for anything that is not a valid header
// (no sync, reserved version, layer, rate or bitrate index).
bool ParseMpegHeader(const uint8_t* p, MpegHeader& header);
