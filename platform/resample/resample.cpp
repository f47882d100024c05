#include "platform/resample/resample.h"

#include <samplerate.h>

#include <algorithm>
#include <memory>

namespace platform::resample {

namespace {

// Frames converted per call: small enough that the float copies stay a
// few hundred kilobytes whatever the song's length.
constexpr size_t kChunkFrames = 16384;

struct StateDeleter {
    void operator()(SRC_STATE* state) const { src_delete(state); }
};

}  // namespace

std::vector<int16_t> MonoToStereo(const int16_t* mono, size_t frames)
{
    std::vector<int16_t> stereo(frames * 2);
    for (size_t i = 0; i < frames; ++i) {
        stereo[2 * i] = mono[i];
        stereo[2 * i + 1] = mono[i];
    }
    return stereo;
}

size_t ConvertedFrames(size_t frames, int fromRate, int toRate)
{
    if (fromRate <= 0 || toRate <= 0)
        return 0;
    const unsigned __int128 scaled = static_cast<unsigned __int128>(frames) * unsigned(toRate);
    return static_cast<size_t>((scaled + unsigned(fromRate) / 2) / unsigned(fromRate));
}

bool Resample(const int16_t* in, size_t frames, int channels, int fromRate, int toRate, std::vector<int16_t>& out,
              std::string& error)
{
    out.clear();
    error.clear();
    if (channels < 1 || channels > 8 || fromRate <= 0 || toRate <= 0) {
        error = "unusable audio layout: " + std::to_string(fromRate) + " Hz to " + std::to_string(toRate) +
                " Hz, " + std::to_string(channels) + " channel(s)";
        return false;
    }
    const size_t ch = size_t(channels);
    if (fromRate == toRate) {
        out.assign(in, in + frames * ch);
        return true;
    }
    const double ratio = double(toRate) / double(fromRate);
    if (!src_is_valid_ratio(ratio)) {
        error = "the rates " + std::to_string(fromRate) + " Hz and " + std::to_string(toRate) +
                " Hz are too far apart to convert";
        return false;
    }
    int code = 0;
    std::unique_ptr<SRC_STATE, StateDeleter> state(src_new(SRC_SINC_MEDIUM_QUALITY, channels, &code));
    if (!state) {
        error = src_strerror(code);
        return false;
    }

    const size_t wanted = ConvertedFrames(frames, fromRate, toRate);
    const size_t outChunk = size_t(double(kChunkFrames) * ratio) + 64;
    std::vector<float> inBuf(kChunkFrames * ch);
    std::vector<float> outBuf(outChunk * ch);
    std::vector<int16_t> shorts(outChunk * ch);
    out.reserve(wanted * ch);

    size_t used = 0;
    for (;;) {
        const size_t n = std::min(kChunkFrames, frames - used);
        src_short_to_float_array(in + used * ch, inBuf.data(), int(n * ch));
        SRC_DATA data{};
        data.data_in = inBuf.data();
        data.input_frames = long(n);
        data.data_out = outBuf.data();
        data.output_frames = long(outChunk);
        data.end_of_input = used + n >= frames ? 1 : 0;
        data.src_ratio = ratio;
        if (const int failed = src_process(state.get(), &data)) {
            out.clear();
            error = src_strerror(failed);
            return false;
        }
        used += size_t(data.input_frames_used);
        const size_t made = size_t(data.output_frames_gen);
        src_float_to_short_array(outBuf.data(), shorts.data(), int(made * ch));
        out.insert(out.end(), shorts.begin(), shorts.begin() + std::ptrdiff_t(made * ch));
        if (data.end_of_input && made == 0)
            break;
        if (out.size() >= wanted * ch && used >= frames)
            break;
    }
    // The converter may give a frame more or less at the end than the exact
    // ratio says; the timeline of the result is the ratio's.
    out.resize(wanted * ch, 0);
    return true;
}

}  // namespace platform::resample
