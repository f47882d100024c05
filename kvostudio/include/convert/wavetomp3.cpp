#include "kvostudio/include/convert/wavetomp3.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "kvostudio/folders.h"
#include "kvostudio/include/convert/wavedata.h"
#include "platform/lame_enc/lame_enc.h"
#include "platform/module/module.h"

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// The stream is closed on every way out once it was opened.
struct StreamGuard {
    BeCloseStreamFn close = nullptr;
    BeStreamHandle handle = nullptr;
    ~StreamGuard()
    {
        if (handle && close) close(handle);
    }
};

class NullObserver : public Mp3EncodeObserver {
    void SetProgressTotal(int64_t) override {}
    void SetProgressDone(int64_t) override {}
    void ReportProgress() override {}
    void ShowError(const char*) override {}
};

}  // namespace

const char* LameModulePath(char* out, unsigned outSize)
{
    if (!out || outSize == 0) return out;
    std::string path;
    const char* env = std::getenv(kLameModuleEnv);
    if (env && *env) {
        path = env;
    } else {
        const std::string folder = GetProgramFolder();
        if (!folder.empty()) path = folder + kLameModuleFileName;
    }
    if (path.size() >= outSize) path.clear();
    std::memcpy(out, path.c_str(), path.size() + 1);
    return out;
}

int EncodeMp3(const char* source, const char* target, int bitrate, Mp3EncodeObserver* observer)
{
    NullObserver quiet;
    Mp3EncodeObserver& obs = observer ? *observer : quiet;

    char modulePath[4096];
    platform::Module module;
    if (!module.Load(LameModulePath(modulePath, sizeof modulePath))) {
        obs.ShowError(kLameLoadErrorText);
        return 0;
    }
    auto init = reinterpret_cast<BeInitStreamFn>(module.Symbol(kBeInitStreamName));
    auto encode = reinterpret_cast<BeEncodeChunkFn>(module.Symbol(kBeEncodeChunkName));
    auto deinit = reinterpret_cast<BeDeinitStreamFn>(module.Symbol(kBeDeinitStreamName));
    auto close = reinterpret_cast<BeCloseStreamFn>(module.Symbol(kBeCloseStreamName));
    if (!init || !encode || !deinit || !close) {
        obs.ShowError(kLameFuncErrorText);
        return 0;
    }

    // Both files are opened before either is checked: callers rely on an
    // empty target after every attempt, a failed one included.
    File in(source ? std::fopen(source, "rb") : nullptr);
    File out(target ? std::fopen(target, "wb") : nullptr);
    if (!in || !out) {
        obs.ShowError(kLameOpenErrorText);
        return 0;
    }

    // Only the samples go to the encoder: header bytes taken as samples
    // would shift a capture's channels by one value and start with a click.
    const int64_t fileSize = OpenFileSize(in.get());
    if (fileSize < 0) return 0;
    WaveDataSpan span;
    uint64_t begin = 0, size = static_cast<uint64_t>(fileSize);
    switch (FindWaveData(in.get(), static_cast<uint64_t>(fileSize), &span)) {
    case WaveDataResult::Found:
        begin = span.offset;
        size = span.size;
        break;
    case WaveDataResult::NotRiff:
        break;
    case WaveDataResult::Malformed:
        return 0;
    }
    if (fseeko(in.get(), static_cast<off_t>(begin), SEEK_SET) != 0) return 0;

    BeConfig config{};
    config.kind = kBeConfigMp3;
    config.mp3.sampleRate = 44100;
    config.mp3.mode = kBeModeStereo;
    config.mp3.bitrate = static_cast<uint16_t>(bitrate);
    config.mp3.privateFlag = 0;
    config.mp3.crc = 1;
    config.mp3.copyright = 0;
    config.mp3.original = 0;
    uint32_t samplesPerChunk = 0, outputBytes = 0;
    StreamGuard stream{close, nullptr};
    if (bitrate <= 0 || bitrate > 0xFFFF || init(&config, &samplesPerChunk, &outputBytes, &stream.handle) != kBeOk ||
        !stream.handle || samplesPerChunk == 0 || outputBytes == 0)
        return 0;

    std::vector<int16_t> input;
    std::vector<uint8_t> output;
    try {
        input.resize(samplesPerChunk);
        output.resize(outputBytes);
    } catch (const std::bad_alloc&) {
        return 0;
    }

    const uint64_t chunkBytes = uint64_t(samplesPerChunk) * 2;
    obs.SetProgressTotal(static_cast<int64_t>(size));
    uint64_t done = 0;
    for (;;) {
        obs.ReportProgress();
        if (done < size) {
            const uint64_t n = done + chunkBytes < size ? chunkBytes : size - done;
            if (std::fread(input.data(), 1, n, in.get()) != n) return 0;
            uint32_t written = 0;
            if (encode(stream.handle, static_cast<uint32_t>(n / 2), input.data(), output.data(), &written) != kBeOk ||
                written > outputBytes)
                return 0;
            if (written && std::fwrite(output.data(), 1, written, out.get()) != written) return 0;
            done += n;
            obs.SetProgressDone(static_cast<int64_t>(done));
        } else {
            uint32_t written = 0;
            if (deinit(stream.handle, output.data(), &written) != kBeOk || written > outputBytes) return 0;
            if (written && std::fwrite(output.data(), 1, written, out.get()) != written) return 0;
            obs.ReportProgress();
            break;
        }
    }
    // Data still in the stdio buffer could fail to reach the disk.
    std::FILE* raw = out.release();
    return std::fclose(raw) == 0 ? 1 : 0;
}
