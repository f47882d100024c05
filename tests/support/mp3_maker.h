// MP3 test data made at test time with libmp3lame, and a plain libmad
// decoder for tests that compare what a conversion produced with the audio
// the stream really holds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "tests/support/pcm_maker.h"
#include "tests/support/temp_files.h"

namespace testsupport {

struct Mp3Options {
    int bitrateKbps = 128;     // CBR bit rate; for VBR the minimum is left to lame
    bool vbr = false;
    int vbrQuality = 4;        // 0 best .. 9 smallest
    bool infoFrame = true;     // the Xing (VBR) / Info (CBR) frame in front of the audio
    bool crc = false;          // CRC-protected frames
    bool jointStereo = true;   // ignored for mono input
    int outputRate = 0;        // 0: the input's rate (44100, 48000, 22050, 11025 ...)
    int quality = 5;           // lame's algorithm quality, 0 best .. 9 fastest
    bool freeFormat = false;   // frames say "free format": their bit rate (any, not only
                               // the table's) is known only from the distance between them
};

// Sample frames by which a decoder's output trails what was encoded when
// the stream carries no header naming the encoder's delay: lame's 576 in
// front and the decoder's own 529.
constexpr long kCodecDelayFrames = 576 + 529;

// Encodes the PCM (mono or stereo). Throws std::runtime_error when lame
// refuses the settings, e.g. a bit rate the output rate does not allow.
std::vector<uint8_t> MakeMp3(const Pcm& pcm, const Mp3Options& options = {});

struct DecodedMp3 {
    int sampleRate = 0;             // of the first decoded frame
    int channels = 0;               // of the first decoded frame
    std::vector<int16_t> samples;   // interleaved, rounded and clipped
    size_t frames = 0;              // frames decoded (an Info frame counts, it decodes as silence)
    size_t errors = 0;              // recoverable decode errors met
    std::vector<unsigned> bitrates; // kbit/s of every decoded frame
    bool allCrcProtected = true;    // every decoded frame had its protection bit set

    size_t SampleFrames() const { return channels > 0 ? samples.size() / channels : 0; }
};

// The Xing/Info header that MakeMp3 writes with infoFrame, changed in place
// so that it lies: its frame count, or every entry of its table of contents.
// Throws std::invalid_argument when the first frame carries no such header
// (or it lacks the field).
void SetVbrHeaderFrames(std::vector<uint8_t>& mp3, uint32_t frames);
void FillVbrHeaderToc(std::vector<uint8_t>& mp3, uint8_t entry);

// Silent MPEG-1 Layer I frames (44100 Hz stereo, 384 kbit/s, no band
// allocated): lame writes Layer III only, and a file whose frames change
// layer part way is made of these and lame's.
std::vector<uint8_t> MakeSilentLayerOneFrames(size_t count);

// Decodes with libmad, frame by frame; a leading ID3v2 tag or other junk
// is skipped the way libmad resynchronises.
DecodedMp3 DecodeMp3(const std::vector<uint8_t>& mp3);

}  // namespace testsupport
