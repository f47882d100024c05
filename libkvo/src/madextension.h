#pragma once
// Our extension of the Layer III decoder: a frame whose bit reservoir lies
// in earlier frames that were never decoded (the first frame after a seek,
// a loop jump or a reverse block) gets its reservoir gathered by walking
// back through the frames before it in the buffer, instead of failing.
// The gathered bytes go into the stream's main_data buffer before the
// decoder runs, exactly as if those frames had been decoded.

#include <mad.h>

#include <cstdint>

// The header found by a backward decode, with the frame's length in bytes.
struct BackHeader {
    struct mad_header header;
    uint32_t length = 0;
};

// Rewinds the stream's bit pointer to the closest sync word at or behind
// its current place. Returns 0, or -1 if the buffer holds no sync word
// before that place.
int mad_stream_sync_back(struct mad_stream* stream);

// Decodes the header of the frame just before next_frame (the one whose
// last byte precedes it), scanning backwards from this_frame. Returns 0, or -1 with
// stream->error set (recoverable errors mean: call again).
int mad_header_decode_back(BackHeader* header, struct mad_stream* stream);

// Call after mad_header_decode has read a frame's header and before
// mad_frame_decode: when the frame is Layer III and its main_data_begin
// reaches further back than the bytes the stream holds, the reservoir is
// rebuilt from the earlier frames in the buffer. Returns true when the
// stream now holds the whole reservoir (or needed nothing).
bool mad_rebuild_reservoir(struct mad_stream* stream, const struct mad_header* header);

// A jump in the stream: the reservoir held is not the one the next frame
// refers to, and the overlap and filter state belong to other audio.
void mad_discontinuity(struct mad_stream* stream, struct mad_frame* frame, struct mad_synth* synth);
