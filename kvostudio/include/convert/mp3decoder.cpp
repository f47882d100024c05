#include "kvostudio/include/convert/mp3decoder.h"

#include <mad.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "libkvo/src/id3reader.h"

namespace {

int16_t ToInt16(mad_fixed_t v)
{
    v += 1L << (MAD_F_FRACBITS - 16);  // round to nearest
    if (v >= MAD_F_ONE) v = MAD_F_ONE - 1;
    else if (v < -MAD_F_ONE) v = -MAD_F_ONE;
    return static_cast<int16_t>(v >> (MAD_F_FRACBITS + 1 - 16));
}

// libmad's errors from 0x0200 on are found in a frame's body, after its
// header decoded: the frame's place and length in the timeline are known.
bool IsBodyError(mad_error e) { return (e & 0xFF00) == 0x0200; }

// A Xing, Info or VBRI frame carries the stream's totals, not audio. It sits
// behind the side information, whose size depends on version and channels.
bool IsTagFrame(const mad_header& h, const unsigned char* frame, const unsigned char* end)
{
    const bool mpeg1 = !(h.flags & MAD_FLAG_LSF_EXT) && !(h.flags & MAD_FLAG_MPEG_2_5_EXT);
    const bool mono = h.mode == MAD_MODE_SINGLE_CHANNEL;
    const size_t side = mpeg1 ? (mono ? 17 : 32) : (mono ? 9 : 17);
    const size_t at = 4 + ((h.flags & MAD_FLAG_PROTECTION) ? 2 : 0) + side;
    auto has = [&](size_t offset, const char* id) {
        return frame + offset + 4 <= end && std::memcmp(frame + offset, id, 4) == 0;
    };
    return has(at, "Xing") || has(at, "Info") || has(36, "VBRI");
}

class Decoder {
public:
    Decoder(Mp3PcmFormat* format, Mp3DecodeStats* stats, const Mp3PcmSink& sink)
        : format_(format), stats_(stats), sink_(sink)
    {
    }

    bool Run(const unsigned char* data, size_t size)
    {
        mad_stream stream;
        mad_frame frame;
        mad_synth synth;
        mad_stream_init(&stream);
        mad_frame_init(&frame);
        mad_synth_init(&synth);
        mad_stream_buffer(&stream, data, size);
        const unsigned char* end = data + size;
        bool ok = true;
        bool first = true;
        while (ok) {
            const int result = mad_frame_decode(&frame, &stream);
            if (result != 0 && (stream.error == MAD_ERROR_BUFLEN || !MAD_RECOVERABLE(stream.error))) break;
            if (result != 0 && !IsBodyError(stream.error)) continue;  // no frame here: resynchronising
            if (first) {
                first = false;
                if (IsTagFrame(frame.header, stream.this_frame, end)) {
                    expectedNext_ = stream.next_frame;
                    continue;
                }
            }
            if (format_->channels == 0) {
                format_->sampleRate = static_cast<int>(frame.header.samplerate);
                format_->channels = MAD_NCHANNELS(&frame.header);
            }
            const size_t samples = 32 * MAD_NSBSAMPLES(&frame.header);
            ok = FillGap(stream.this_frame);
            if (!ok) break;
            if (result != 0) {
                ++stats_->silencedFrames;
                ok = Silence(samples);
            } else {
                mad_synth_frame(&synth, &frame);
                ok = Emit(synth.pcm);
            }
            lastFrameBytes_ = static_cast<size_t>(stream.next_frame - stream.this_frame);
            lastFrameSamples_ = samples;
            expectedNext_ = stream.next_frame;
        }
        mad_synth_finish(&synth);
        mad_frame_finish(&frame);
        mad_stream_finish(&stream);
        return ok && stats_->frames > 0;
    }

private:
    // Bytes skipped between the end of the last frame and this one: whole
    // frames whose headers were destroyed. They are put back as silence so
    // that everything after them stays in its place.
    bool FillGap(const unsigned char* at)
    {
        if (!expectedNext_ || at <= expectedNext_ || lastFrameBytes_ == 0) return true;
        const size_t gap = static_cast<size_t>(at - expectedNext_);
        const size_t missing = (gap + lastFrameBytes_ / 2) / lastFrameBytes_;
        for (size_t i = 0; i < missing; ++i) {
            ++stats_->filledFrames;
            if (!Silence(lastFrameSamples_)) return false;
        }
        return true;
    }

    bool Silence(size_t samples)
    {
        out_.assign(samples * format_->channels, 0);
        ++stats_->frames;
        return sink_(out_.data(), out_.size());
    }

    bool Emit(const mad_pcm& pcm)
    {
        const int outChannels = format_->channels;
        out_.resize(size_t(pcm.length) * outChannels);
        for (unsigned i = 0; i < pcm.length; ++i) {
            if (pcm.channels == outChannels) {
                for (int c = 0; c < outChannels; ++c) out_[size_t(i) * outChannels + c] = ToInt16(pcm.samples[c][i]);
            } else if (outChannels == 2) {  // a mono frame in a stereo stream
                const int16_t v = ToInt16(pcm.samples[0][i]);
                out_[size_t(i) * 2] = out_[size_t(i) * 2 + 1] = v;
            } else {  // a stereo frame in a mono stream
                out_[i] = ToInt16(pcm.samples[0][i] / 2 + pcm.samples[1][i] / 2);
            }
        }
        ++stats_->frames;
        return sink_(out_.data(), out_.size());
    }

    Mp3PcmFormat* format_;
    Mp3DecodeStats* stats_;
    const Mp3PcmSink& sink_;
    std::vector<int16_t> out_;
    const unsigned char* expectedNext_ = nullptr;
    size_t lastFrameBytes_ = 0;
    size_t lastFrameSamples_ = 0;
};

}  // namespace

bool DecodeMp3Stream(const uint8_t* data, size_t size, Mp3PcmFormat* format, Mp3DecodeStats* stats,
                     const Mp3PcmSink& sink)
{
    *format = Mp3PcmFormat{};
    *stats = Mp3DecodeStats{};
    const size_t skip = Id3v2TagBytes(data, size);
    // libmad reads a little past the last frame; it needs zeros there.
    std::vector<unsigned char> buffer(size - skip + MAD_BUFFER_GUARD, 0);
    if (size > skip) std::memcpy(buffer.data(), data + skip, size - skip);
    return Decoder(format, stats, sink).Run(buffer.data(), buffer.size());
}
