#include "tests/support/mp3_maker.h"

#include <lame/lame.h>
#include <mad.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>

namespace testsupport {
namespace {

struct LameCloser {
    void operator()(lame_global_flags* gf) const { lame_close(gf); }
};

int16_t MadToInt16(mad_fixed_t v)
{
    // Round to 16 bits and clip.
    v += 1L << (MAD_F_FRACBITS - 16);
    if (v >= MAD_F_ONE) v = MAD_F_ONE - 1;
    else if (v < -MAD_F_ONE) v = -MAD_F_ONE;
    return static_cast<int16_t>(v >> (MAD_F_FRACBITS + 1 - 16));
}

// The offset of the "Xing" or "Info" tag in the first frame and its flags.
size_t VbrHeaderAt(const std::vector<uint8_t>& mp3, uint32_t& flags)
{
    for (size_t at = 4; at + 8 <= mp3.size() && at < 64; ++at) {
        if (std::memcmp(&mp3[at], "Xing", 4) == 0 || std::memcmp(&mp3[at], "Info", 4) == 0) {
            flags = uint32_t(mp3[at + 4]) << 24 | uint32_t(mp3[at + 5]) << 16 | uint32_t(mp3[at + 6]) << 8 | mp3[at + 7];
            return at;
        }
    }
    throw std::invalid_argument("no Xing/Info header in the first frame");
}

}  // namespace

void SetVbrHeaderFrames(std::vector<uint8_t>& mp3, uint32_t frames)
{
    uint32_t flags = 0;
    const size_t at = VbrHeaderAt(mp3, flags);
    if (!(flags & 1)) throw std::invalid_argument("the VBR header has no frame count");
    for (int i = 0; i < 4; ++i) mp3.at(at + 8 + i) = uint8_t(frames >> (24 - 8 * i));
}

void FillVbrHeaderToc(std::vector<uint8_t>& mp3, uint8_t entry)
{
    uint32_t flags = 0;
    const size_t at = VbrHeaderAt(mp3, flags);
    if (!(flags & 4)) throw std::invalid_argument("the VBR header has no table of contents");
    const size_t toc = at + 8 + ((flags & 1) ? 4 : 0) + ((flags & 2) ? 4 : 0);
    if (toc + 100 > mp3.size()) throw std::invalid_argument("the table of contents is cut short");
    std::fill(mp3.begin() + toc, mp3.begin() + toc + 100, entry);
}

std::vector<uint8_t> MakeMp3(const Pcm& pcm, const Mp3Options& o)
{
    if (pcm.channels != 1 && pcm.channels != 2) throw std::invalid_argument("MakeMp3: 1 or 2 channels");
    std::unique_ptr<lame_global_flags, LameCloser> gf(lame_init());
    if (!gf) throw std::runtime_error("MakeMp3: lame_init failed");
    lame_global_flags* g = gf.get();
    lame_set_in_samplerate(g, pcm.sampleRate);
    lame_set_out_samplerate(g, o.outputRate ? o.outputRate : pcm.sampleRate);
    lame_set_num_channels(g, pcm.channels);
    lame_set_mode(g, pcm.channels == 1 ? MONO : (o.jointStereo ? JOINT_STEREO : STEREO));
    lame_set_quality(g, o.quality);
    lame_set_error_protection(g, o.crc ? 1 : 0);
    lame_set_bWriteVbrTag(g, o.infoFrame ? 1 : 0);
    lame_set_write_id3tag_automatic(g, 0);
    if (o.vbr) {
        lame_set_VBR(g, vbr_default);
        lame_set_VBR_quality(g, static_cast<float>(o.vbrQuality));
    } else {
        lame_set_VBR(g, vbr_off);
        lame_set_brate(g, o.bitrateKbps);
        lame_set_free_format(g, o.freeFormat ? 1 : 0);
    }
    if (lame_init_params(g) < 0) throw std::runtime_error("MakeMp3: lame refused the settings");
    // lame quietly picks the nearest rate it can do; a test that asked for
    // another one would then check the wrong thing.
    if (!o.vbr && lame_get_brate(g) != o.bitrateKbps)
        throw std::runtime_error("MakeMp3: bit rate not available at this sample rate");
    if (lame_get_out_samplerate(g) != (o.outputRate ? o.outputRate : pcm.sampleRate))
        throw std::runtime_error("MakeMp3: output sample rate not available");

    const size_t frames = pcm.Frames();
    std::vector<uint8_t> out;
    std::vector<unsigned char> buf(frames * 5 / 4 + 7200 + 16384);
    const size_t step = 4096;
    for (size_t done = 0; done < frames; done += step) {
        const int n = static_cast<int>(std::min(step, frames - done));
        int got;
        if (pcm.channels == 2) {
            got = lame_encode_buffer_interleaved(g, const_cast<short*>(&pcm.samples[done * 2]), n,
                                                 buf.data(), static_cast<int>(buf.size()));
        } else {
            got = lame_encode_buffer(g, &pcm.samples[done], &pcm.samples[done], n, buf.data(),
                                     static_cast<int>(buf.size()));
        }
        if (got < 0) throw std::runtime_error("MakeMp3: encode failed " + std::to_string(got));
        out.insert(out.end(), buf.begin(), buf.begin() + got);
    }
    int got = lame_encode_flush(g, buf.data(), static_cast<int>(buf.size()));
    if (got < 0) throw std::runtime_error("MakeMp3: flush failed");
    out.insert(out.end(), buf.begin(), buf.begin() + got);

    if (o.infoFrame) {
        // lame leaves room for the Info frame at the start; fill it in now
        // that the totals are known.
        std::vector<unsigned char> tag(4096);
        size_t n = lame_get_lametag_frame(g, tag.data(), tag.size());
        if (n > 0 && n <= out.size()) std::memcpy(out.data(), tag.data(), n);
    }
    return out;
}

DecodedMp3 DecodeMp3(const std::vector<uint8_t>& mp3)
{
    DecodedMp3 d;
    std::vector<unsigned char> input(mp3.begin(), mp3.end());
    input.resize(mp3.size() + MAD_BUFFER_GUARD, 0);

    mad_stream stream;
    mad_frame frame;
    mad_synth synth;
    mad_stream_init(&stream);
    mad_frame_init(&frame);
    mad_synth_init(&synth);
    mad_stream_buffer(&stream, input.data(), input.size());
    for (;;) {
        if (mad_frame_decode(&frame, &stream) != 0) {
            if (stream.error == MAD_ERROR_BUFLEN) break;
            if (MAD_RECOVERABLE(stream.error)) {
                // libmad reports a lost sync for the leading tag too; count
                // only real frame damage.
                if (stream.error != MAD_ERROR_LOSTSYNC) ++d.errors;
                continue;
            }
            break;
        }
        // The guard bytes are zeros; a "frame" decoded past the real end
        // cannot happen since zeros never sync, so every frame here is real.
        if (d.frames == 0) {
            d.sampleRate = static_cast<int>(frame.header.samplerate);
            d.channels = MAD_NCHANNELS(&frame.header);
        }
        ++d.frames;
        d.bitrates.push_back(frame.header.bitrate / 1000);
        if (!(frame.header.flags & MAD_FLAG_PROTECTION)) d.allCrcProtected = false;
        mad_synth_frame(&synth, &frame);
        const mad_pcm& p = synth.pcm;
        for (unsigned i = 0; i < p.length; ++i) {
            for (int c = 0; c < d.channels; ++c) {
                int src = std::min<int>(c, p.channels - 1);
                d.samples.push_back(MadToInt16(p.samples[src][i]));
            }
        }
    }
    mad_synth_finish(&synth);
    mad_frame_finish(&frame);
    mad_stream_finish(&stream);
    return d;
}

std::vector<uint8_t> MakeSilentLayerOneFrames(size_t count)
{
    // 12 x 384000 / 44100 slots of 4 bytes: 416 bytes a frame. After the
    // header, 4 bits of allocation per band and channel, all zero.
    std::vector<uint8_t> frame(416, 0);
    frame[0] = 0xFF;
    frame[1] = 0xFF;  // MPEG-1, Layer I, no CRC
    frame[2] = 0xC0;  // 384 kbit/s, 44100 Hz, no padding
    frame[3] = 0x00;  // stereo
    std::vector<uint8_t> out;
    for (size_t i = 0; i < count; ++i)
        out.insert(out.end(), frame.begin(), frame.end());
    return out;
}

}  // namespace testsupport
