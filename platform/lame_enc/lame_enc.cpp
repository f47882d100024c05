// The encoder module over libmp3lame. Every setting the caller relies on is
// set explicitly: left to itself lame picks a lower output rate for low bit
// rates, joint stereo, the original bit and a VBR tag frame.
#include "platform/lame_enc/lame_enc.h"

#include <lame/lame.h>

#include <new>

struct BeStream {
    lame_global_flags* lame = nullptr;
    bool haveCarry = false;  // one value of an odd-count chunk, waiting for its partner
    int16_t carry = 0;
    uint32_t outputBytes = 0;
};

namespace {

// Samples per channel in one chunk: a whole number of frames, large enough
// that the call overhead vanishes beside the encoding.
constexpr uint32_t kFramesPerChunk = 1152 * 4;
constexpr uint32_t kChannels = 2;

// lame's own rule for a buffer that can never overflow.
constexpr uint32_t OutputBytesFor(uint32_t frames) { return frames + frames / 4 + 7200; }

int EncodeFrames(BeStream* s, const int16_t* interleaved, uint32_t frames, uint8_t* out, uint32_t room)
{
    if (frames == 0) return 0;
    return lame_encode_buffer_interleaved(s->lame, const_cast<short*>(interleaved), static_cast<int>(frames), out,
                                          static_cast<int>(room));
}

}  // namespace

#define BE_EXPORT extern "C" __attribute__((visibility("default")))

BE_EXPORT uint32_t beInitStream(const BeConfig* config, uint32_t* samplesPerChunk, uint32_t* outputBytes,
                                BeStreamHandle* stream)
{
    if (!config || !samplesPerChunk || !outputBytes || !stream) return kBeErrInvalidParameters;
    *stream = nullptr;
    if (config->kind != kBeConfigMp3 || config->mp3.mode != kBeModeStereo) return kBeErrInvalidFormat;
    const BeMp3Settings& m = config->mp3;

    BeStream* s = new (std::nothrow) BeStream;
    if (!s) return kBeErrNoMemory;
    s->lame = lame_init();
    if (!s->lame) {
        delete s;
        return kBeErrNoMemory;
    }
    lame_global_flags* g = s->lame;
    lame_set_num_channels(g, kChannels);
    lame_set_in_samplerate(g, static_cast<int>(m.sampleRate));
    lame_set_out_samplerate(g, static_cast<int>(m.sampleRate));
    lame_set_mode(g, STEREO);
    lame_set_VBR(g, vbr_off);
    lame_set_brate(g, m.bitrate);
    lame_set_error_protection(g, m.crc ? 1 : 0);
    lame_set_extension(g, m.privateFlag ? 1 : 0);
    lame_set_copyright(g, m.copyright ? 1 : 0);
    lame_set_original(g, m.original ? 1 : 0);
    lame_set_bWriteVbrTag(g, 0);
    lame_set_write_id3tag_automatic(g, 0);
    // lame rounds a rate or bit rate it cannot do to one it can; the caller
    // asked for exactly these, so anything else is an error.
    if (lame_init_params(g) < 0 || lame_get_out_samplerate(g) != static_cast<int>(m.sampleRate) ||
        lame_get_brate(g) != m.bitrate) {
        lame_close(g);
        delete s;
        return kBeErrInvalidParameters;
    }
    s->outputBytes = OutputBytesFor(kFramesPerChunk + 1);
    *samplesPerChunk = kFramesPerChunk * kChannels;
    *outputBytes = s->outputBytes;
    *stream = s;
    return kBeOk;
}

BE_EXPORT uint32_t beEncodeChunk(BeStreamHandle s, uint32_t count, const int16_t* samples, uint8_t* output,
                                 uint32_t* written)
{
    if (!s || !s->lame || !output || !written || (count && !samples)) return kBeErrBadStream;
    *written = 0;
    if (count > kFramesPerChunk * kChannels) return kBeErrInvalidParameters;
    uint32_t done = 0;
    if (s->haveCarry && count > 0) {
        const int16_t pair[2] = {s->carry, samples[0]};
        int n = EncodeFrames(s, pair, 1, output, s->outputBytes);
        if (n < 0) return kBeErrEncoder;
        done = static_cast<uint32_t>(n);
        s->haveCarry = false;
        ++samples;
        --count;
    }
    const uint32_t frames = count / kChannels;
    int n = EncodeFrames(s, samples, frames, output + done, s->outputBytes - done);
    if (n < 0) return kBeErrEncoder;
    done += static_cast<uint32_t>(n);
    if (count % kChannels) {
        s->carry = samples[count - 1];
        s->haveCarry = true;
    }
    *written = done;
    return kBeOk;
}

BE_EXPORT uint32_t beDeinitStream(BeStreamHandle s, uint8_t* output, uint32_t* written)
{
    if (!s || !s->lame || !output || !written) return kBeErrBadStream;
    *written = 0;
    // A lone value at the very end is half a sample frame: nothing to play.
    s->haveCarry = false;
    int n = lame_encode_flush(s->lame, output, static_cast<int>(s->outputBytes));
    if (n < 0) return kBeErrEncoder;
    *written = static_cast<uint32_t>(n);
    return kBeOk;
}

BE_EXPORT uint32_t beCloseStream(BeStreamHandle s)
{
    if (!s) return kBeErrBadStream;
    if (s->lame) lame_close(s->lame);
    delete s;
    return kBeOk;
}
