#pragma once
// What the tag reader needs to know about the audio behind a tag: the
// first MPEG frame header, a Xing header's frame count, and from them the
// bit rate and the play length.

#include <cstdint>

namespace mpeg {

// The header word (the frame's first four bytes, big-endian) passes the
// checks of a usable frame: sync, no reserved version, layer, bit rate or
// sample rate index, no reserved emphasis.
bool IsValidHeader(uint32_t header);
// Table bit rate in kbit/s; 0 for an invalid header.
uint32_t TableBitrateKbps(uint32_t header);
// Sample rate in Hz; 0 for an invalid header.
uint32_t SampleRate(uint32_t header);
// Bytes from the frame start to where a Xing header sits (after the side
// information).
uint32_t XingOffset(uint32_t header);

struct AudioInfo {
    uint32_t header = 0;        // first valid frame header; 0 when none was found
    uint32_t audioBytes = 0;    // file bytes from the audio start to the end
    uint32_t vbr = 0;           // a Xing header was found
    int32_t vbrFrames = 0;      // its frame count; -1 when it gives none
};

// kbit/s: from the Xing frame count when there is one, else the table.
// 0 when nothing usable is known (a count that puts the rate outside the
// layer's table is not usable).
uint32_t BitrateKbps(const AudioInfo& info);
// Whole seconds; 0 when the bit rate is unknown.
uint32_t DurationSeconds(const AudioInfo& info);

}  // namespace mpeg
