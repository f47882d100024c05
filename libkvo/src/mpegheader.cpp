#include "libkvo/src/mpegheader.h"

namespace {

// kbit/s by [MPEG-1 ? 0 : 1][layer - 1][index]
const uint16_t kBitrates[2][3][15] = {
    {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
     {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}},
    {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}},
};

const uint32_t kRates[3] = {44100, 48000, 32000};

}  // namespace

bool ParseMpegHeader(const uint8_t* p, MpegHeader& h)
{
    if (!IsSyncWord(p))
        return false;
    const int versionBits = (p[1] >> 3) & 3;
    const int layerBits = (p[1] >> 1) & 3;
    const int bitrateIndex = p[2] >> 4;
    const int rateIndex = (p[2] >> 2) & 3;
    if (versionBits == 1 || layerBits == 0 || bitrateIndex == 15 || rateIndex == 3)
        return false;
    // MPEG-2.5 has the second sync bit clear; a plain sync word has it set.
    if (versionBits == 0 && (p[1] & 0x10))
        return false;

    h.version = versionBits == 3 ? 1 : (versionBits == 2 ? 2 : 25);
    h.layer = 4 - layerBits;
    h.crc = (p[1] & 1) == 0;
    h.bitrate = 1000u * kBitrates[h.version == 1 ? 0 : 1][h.layer - 1][bitrateIndex];
    h.sampleRate = kRates[rateIndex] >> (h.version == 1 ? 0 : (h.version == 2 ? 1 : 2));
    h.padding = (p[2] >> 1) & 1;
    h.mode = p[3] >> 6;
    h.modeExtension = (p[3] >> 4) & 3;
    h.copyright = (p[3] >> 3) & 1;
    h.original = (p[3] >> 2) & 1;
    h.emphasis = p[3] & 3;
    return true;
}

uint32_t MpegHeader::FrameLength(uint32_t bitrateBps) const
{
    if (bitrateBps == 0 || sampleRate == 0)
        return 0;
    const uint32_t pad = padding ? 1 : 0;
    if (layer == 1)
        return (12 * bitrateBps / sampleRate + pad) * 4;
    const uint32_t slots = (layer == 3 && Lsf()) ? 72 : 144;
    return slots * bitrateBps / sampleRate + pad;
}

uint32_t MpegHeader::SideInfoLength() const
{
    if (Lsf())
        return Channels() == 1 ? 9 : 17;
    return Channels() == 1 ? 17 : 32;
}
