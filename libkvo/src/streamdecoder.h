#pragma once
// One stream's decoder state (stream, frame, synthesis) with the reservoir
// rebuild run before every frame decode.

#include <mad.h>

#include <cstddef>
#include <cstdint>

class StreamDecoder {
public:
    enum class Result {
        Ok,
        Recoverable,  // this frame is lost; go on with the next one
        NeedData,     // the buffer ends before the next whole frame
        Fatal,
    };

    StreamDecoder();
    ~StreamDecoder();
    StreamDecoder(const StreamDecoder&) = delete;
    StreamDecoder& operator=(const StreamDecoder&) = delete;

    // Decodes from 'data'; the bytes before 'position' stay visible to the
    // reservoir walk. Marks a discontinuity when 'jump' is set.
    void SetBuffer(const uint8_t* data, size_t size, const uint8_t* position, bool jump);
    // A jump: the held reservoir and the filter state are stale.
    void Discontinuity();

    Result DecodeFrame();
    void Synth();

    const struct mad_header& Header() const { return frame_.header; }
    struct mad_frame& Frame() { return frame_; }
    const struct mad_pcm& Pcm() const { return synth_.pcm; }
    // Start of the frame just decoded and of the one after it.
    const uint8_t* ThisFrame() const { return stream_.this_frame; }
    const uint8_t* NextFrame() const { return stream_.next_frame; }
    int Error() const { return stream_.error; }
    struct mad_stream& Stream() { return stream_; }

private:
    Result Classify() const;

    struct mad_stream stream_;
    struct mad_frame frame_;
    struct mad_synth synth_;
};
