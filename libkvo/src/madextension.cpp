#include "libkvo/src/madextension.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "libkvo/src/mpegheader.h"

namespace {

constexpr long kReservoirWindow = MAD_BUFFER_MDLEN;  // 2567

bool FillHeader(const MpegHeader& parsed, struct mad_header* h)
{
    std::memset(h, 0, sizeof *h);
    h->layer = static_cast<enum mad_layer>(parsed.layer);
    h->mode = static_cast<enum mad_mode>(parsed.mode);
    h->mode_extension = parsed.modeExtension;
    h->emphasis = static_cast<enum mad_emphasis>(parsed.emphasis);
    h->bitrate = parsed.bitrate;
    h->samplerate = parsed.sampleRate;
    if (parsed.crc)
        h->flags |= MAD_FLAG_PROTECTION;
    if (parsed.padding)
        h->flags |= MAD_FLAG_PADDING;
    if (parsed.copyright)
        h->flags |= MAD_FLAG_COPYRIGHT;
    if (parsed.original)
        h->flags |= MAD_FLAG_ORIGINAL;
    if (parsed.Lsf())
        h->flags |= MAD_FLAG_LSF_EXT;
    if (parsed.version == 25)
        h->flags |= MAD_FLAG_MPEG_2_5_EXT;
    const unsigned slots = parsed.layer == 1 ? 12 : ((parsed.layer == 3 && parsed.Lsf()) ? 18 : 36);
    mad_timer_set(&h->duration, 0, 32 * slots, parsed.sampleRate);
    return true;
}

int Fail(struct mad_stream* stream, enum mad_error error)
{
    stream->error = error;
    stream->sync = 0;
    return -1;
}

}  // namespace

int mad_stream_sync_back(struct mad_stream* stream)
{
    const unsigned char* start = stream->buffer;
    for (const unsigned char* p = mad_bit_nextbyte(&stream->ptr); p >= start; --p) {
        if (p + 1 < stream->bufend && IsSyncWord(p)) {
            mad_bit_init(&stream->ptr, p);
            return 0;
        }
        if (p == start)
            break;
    }
    return -1;
}

int mad_header_decode_back(BackHeader* out, struct mad_stream* stream)
{
    const unsigned char* p = stream->buffer;
    if (!(p < stream->this_frame))
        return Fail(stream, MAD_ERROR_BUFPTR);

    const unsigned char* r = stream->this_frame - 1;
    for (;;) {
        if (stream->sync) {
            if (r < p) {
                stream->next_frame = p;
                return Fail(stream, MAD_ERROR_BUFLEN);
            }
            if (!IsSyncWord(r)) {
                stream->this_frame = r > p ? r - 1 : p;
                return Fail(stream, MAD_ERROR_LOSTSYNC);
            }
        } else {
            mad_bit_init(&stream->ptr, r);
            if (r < p || mad_stream_sync_back(stream) == -1) {
                if (r < p)
                    stream->this_frame = p;
                return Fail(stream, MAD_ERROR_BUFLEN);
            }
            r = mad_bit_nextbyte(&stream->ptr);
        }

        stream->this_frame = r;
        MpegHeader parsed;
        if (!ParseMpegHeader(r, parsed))
            return Fail(stream, MAD_ERROR_LOSTSYNC);
        FillHeader(parsed, &out->header);

        uint32_t bitrate = parsed.bitrate;
        if (bitrate == 0) {
            // Free format: only a rate the forward decoder already measured.
            if (stream->freerate == 0 || (parsed.layer == 3 && stream->freerate > 640000))
                return Fail(stream, MAD_ERROR_LOSTSYNC);
            bitrate = static_cast<uint32_t>(stream->freerate);
            out->header.bitrate = bitrate;
            out->header.flags |= MAD_FLAG_FREEFORMAT;
        }
        const uint32_t length = parsed.FrameLength(bitrate);
        out->length = length;

        if (r + length > stream->next_frame)
            return Fail(stream, MAD_ERROR_LOSTSYNC);
        if (stream->next_frame - r > kReservoirWindow)
            return Fail(stream, MAD_ERROR_BUFLEN);
        if (stream->sync || r + length == stream->next_frame) {
            stream->sync = 1;
            out->header.flags |= MAD_FLAG_INCOMPLETE;
            return 0;
        }
        if (p < stream->this_frame) {
            --stream->this_frame;
            r = stream->this_frame;
            continue;
        }
        return Fail(stream, MAD_ERROR_LOSTSYNC);
    }
}

bool mad_rebuild_reservoir(struct mad_stream* stream, const struct mad_header* header)
{
    if (header->layer != MAD_LAYER_III)
        return true;
    const unsigned char* frame = stream->this_frame;
    MpegHeader current;
    if (!ParseMpegHeader(frame, current))
        return true;
    const unsigned char* sideInfo = frame + 4 + (current.crc ? 2 : 0);
    if (sideInfo + 2 > stream->bufend)
        return true;
    const unsigned mainDataBegin = current.Lsf() ? sideInfo[0] : ((sideInfo[0] << 1) | (sideInfo[1] >> 7));
    if (mainDataBegin == 0 || mainDataBegin <= stream->md_len)
        return true;

    if (!stream->main_data) {
        // The decoder frees this buffer with free() when the stream ends.
        stream->main_data = static_cast<unsigned char(*)[MAD_BUFFER_MDLEN]>(std::malloc(MAD_BUFFER_MDLEN));
        if (!stream->main_data)
            return false;
    }

    stream->md_len = 0;
    unsigned remaining = mainDataBegin;
    unsigned gathered = 0;

    struct mad_stream walk = *stream;  // shares the buffer, owns nothing
    walk.this_frame = frame;
    walk.next_frame = frame;
    mad_bit_init(&walk.ptr, frame);
    BackHeader found;

    while (remaining > 0) {
        int result;
        while ((result = mad_header_decode_back(&found, &walk)) == -1 && MAD_RECOVERABLE(walk.error)) {
        }
        if (result == -1) {
            gathered = 0;
            break;
        }
        MpegHeader earlier;
        ParseMpegHeader(walk.this_frame, earlier);
        if (earlier.layer != current.layer || earlier.sampleRate != current.sampleRate ||
            earlier.mode != current.mode)
            continue;  // the next search must find a frame ending at the same place

        const long frameLength = walk.next_frame - walk.this_frame;
        const long overhead = 4 + static_cast<long>(earlier.SideInfoLength()) + (earlier.crc ? 2 : 0);
        if (frameLength < overhead) {
            gathered = 0;
            break;
        }
        const unsigned take = static_cast<unsigned>(std::min<long>(frameLength - overhead, remaining));
        std::memcpy(*stream->main_data + (mainDataBegin - gathered - take), walk.next_frame - take, take);
        remaining -= take;
        gathered += take;
        walk.next_frame = walk.this_frame;
    }

    stream->md_len = gathered;
    return gathered == mainDataBegin;
}

void mad_discontinuity(struct mad_stream* stream, struct mad_frame* frame, struct mad_synth* synth)
{
    stream->md_len = 0;
    stream->sync = 0;
    if (frame)
        mad_frame_mute(frame);
    if (synth)
        mad_synth_mute(synth);
}
