#include "kvostudio/libskin/mpegaudioinfo.h"

namespace mpeg {

namespace {

// kbit/s by [low sampling frequency][layer 1..3 as 0..2][index].
constexpr uint16_t kBitrates[2][3][16] = {
    {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},
     {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0}},
    {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0}},
};

// Hz by version id (0 MPEG-2.5, 2 MPEG-2, 3 MPEG-1) and index.
constexpr uint32_t kRates[4][3] = {{11025, 12000, 8000}, {0, 0, 0}, {22050, 24000, 16000}, {44100, 48000, 32000}};

uint32_t VersionId(uint32_t h) { return (h >> 19) & 3; }
uint32_t LayerNumber(uint32_t h) { return 4 - ((h >> 17) & 3); }   // bits 3, 2, 1 are layers I, II, III
bool Mono(uint32_t h) { return ((h >> 6) & 3) == 3; }

uint32_t SamplesPerFrame(uint32_t h) {
    const uint32_t layer = LayerNumber(h);
    if (layer == 1) return 384;
    if (layer == 3 && VersionId(h) != 3) return 576;
    return 1152;
}

}  // namespace

bool IsValidHeader(uint32_t h) {
    return (h >> 21) == 0x7FF && VersionId(h) != 1 && ((h >> 17) & 3) != 0 && ((h >> 12) & 15) != 0 &&
           ((h >> 12) & 15) != 15 && ((h >> 10) & 3) != 3 && (h & 3) != 2;
}

uint32_t TableBitrateKbps(uint32_t h) {
    if (!IsValidHeader(h)) return 0;
    return kBitrates[VersionId(h) == 3 ? 0 : 1][LayerNumber(h) - 1][(h >> 12) & 15];
}

uint32_t SampleRate(uint32_t h) {
    if (!IsValidHeader(h)) return 0;
    return kRates[VersionId(h)][(h >> 10) & 3];
}

uint32_t XingOffset(uint32_t h) {
    if (VersionId(h) == 3) return 4 + (Mono(h) ? 17 : 32);
    return 4 + (Mono(h) ? 9 : 17);
}

uint32_t BitrateKbps(const AudioInfo& info) {
    if (!IsValidHeader(info.header)) return 0;
    if (!info.vbr) return TableBitrateKbps(info.header);
    if (info.vbrFrames <= 0) return 0;
    const uint64_t bytesPerFrame = info.audioBytes / uint32_t(info.vbrFrames);
    // Bytes per frame times 8 over the samples a frame lasts: Layer I and
    // the half-length Layer III frames of MPEG-2 and 2.5 count too.
    const uint64_t kbps = bytesPerFrame * 8 * SampleRate(info.header) / (uint64_t(SamplesPerFrame(info.header)) * 1000);
    // A count that makes the average rate one no frame of this layer can
    // have does not describe the audio: it is no usable count.
    const uint16_t* table = kBitrates[VersionId(info.header) == 3 ? 0 : 1][LayerNumber(info.header) - 1];
    if (kbps * 20 < uint64_t(table[1]) * 19 || kbps * 20 > uint64_t(table[14]) * 21) return 0;
    return uint32_t(kbps);
}

uint32_t DurationSeconds(const AudioInfo& info) {
    const uint32_t kbps = BitrateKbps(info);
    if (kbps == 0) return 0;
    return uint32_t(uint64_t(info.audioBytes) * 8 / 1000 / kbps);
}

}  // namespace mpeg
