#include "libkvo/src/streamdecoder.h"

#include "libkvo/src/madextension.h"

StreamDecoder::StreamDecoder()
{
    mad_stream_init(&stream_);
    mad_frame_init(&frame_);
    mad_synth_init(&synth_);
}

StreamDecoder::~StreamDecoder()
{
    mad_synth_finish(&synth_);
    mad_frame_finish(&frame_);
    mad_stream_finish(&stream_);
}

void StreamDecoder::SetBuffer(const uint8_t* data, size_t size, const uint8_t* position, bool jump)
{
    mad_stream_buffer(&stream_, data, size);
    if (position && position != data) {
        stream_.this_frame = position;
        stream_.next_frame = position;
        mad_bit_init(&stream_.ptr, position);
        stream_.sync = 0;
    }
    if (jump)
        Discontinuity();
}

void StreamDecoder::Discontinuity()
{
    mad_discontinuity(&stream_, &frame_, &synth_);
}

StreamDecoder::Result StreamDecoder::Classify() const
{
    if (stream_.error == MAD_ERROR_BUFLEN || stream_.error == MAD_ERROR_BUFPTR)
        return Result::NeedData;
    return MAD_RECOVERABLE(stream_.error) ? Result::Recoverable : Result::Fatal;
}

StreamDecoder::Result StreamDecoder::DecodeFrame()
{
    if (mad_header_decode(&frame_.header, &stream_) == -1)
        return Classify();
    mad_rebuild_reservoir(&stream_, &frame_.header);
    if (mad_frame_decode(&frame_, &stream_) == -1)
        return Classify();
    return Result::Ok;
}

void StreamDecoder::Synth()
{
    mad_synth_frame(&synth_, &frame_);
}
