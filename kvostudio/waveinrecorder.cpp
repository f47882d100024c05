#include "kvostudio/waveinrecorder.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>

#include "kvostudio/mixer.h"

namespace {

// The format record as the file carries it, 18 bytes with a zero extension
// size.
void EncodeFormat(const platform::CaptureFormat& f, uint8_t out[18]) {
    const uint16_t blockAlign = uint16_t(f.BytesPerFrame());
    const uint32_t bytesPerSecond = f.sampleRate * blockAlign;
    const uint16_t u16s[] = {1, f.channels};
    std::memset(out, 0, 18);
    for (int i = 0; i < 2; ++i) {
        out[2 * i] = uint8_t(u16s[i]);
        out[2 * i + 1] = uint8_t(u16s[i] >> 8);
    }
    for (int i = 0; i < 4; ++i) {
        out[4 + i] = uint8_t(f.sampleRate >> (8 * i));
        out[8 + i] = uint8_t(bytesPerSecond >> (8 * i));
    }
    out[12] = uint8_t(blockAlign);
    out[13] = uint8_t(blockAlign >> 8);
    out[14] = uint8_t(f.bitsPerSample);
    out[15] = uint8_t(f.bitsPerSample >> 8);
}

// A take is judged only once it ran this long (an input takes a moment to
// start), and fails when less than this part of its time came as sound.
constexpr double kJudgedAfterSeconds = 1.0;
constexpr double kLeastSoundPart = 0.5;
// Less than this (a tenth of a second) is no voice to keep.
constexpr uint64_t kLeastKeptBytes = 17640;

bool HoldsSound(const uint8_t* bytes, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i)
        if (bytes[i] != 0) return true;
    return false;
}

std::string Seconds(double s) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", s);
    return text;
}

}  // namespace

WaveInRecorder::WaveInRecorder() {
    format_.sampleRate = 44100;
    format_.channels = 2;
    format_.bitsPerSample = 16;
    Clear();
}

WaveInRecorder::~WaveInRecorder() {
    // The device must not outlive the buffers it was lent.
    Stop();
}

void WaveInRecorder::Clear() {
    running_ = 0;
    path_.clear();
    bufferIndex_ = 0;
}

void WaveInRecorder::SetPath(const char* path) {
    // Kept whole: cutting a long path would send the take to another file.
    path_ = path ? path : "";
}

bool WaveInRecorder::OpenFile() {
    if (path_.empty() || !file_.Open(path_)) return false;
    uint8_t format[18];
    EncodeFormat(format_, format);
    const bool ok = file_.CreateRiff("WAVE") && file_.CreateChunk("fmt ", 14) && file_.Write(format, sizeof format) &&
                    file_.Ascend() && file_.CreateChunk("data", kBufferBytes);
    if (!ok) file_.Close();
    return ok;
}

void WaveInRecorder::CloseFile() {
    if (!file_.IsOpen()) return;
    bool fixed = file_.Ascend();    // "data"
    fixed = file_.Ascend() && fixed;   // "RIFF"
    if (!file_.Close() || !fixed) writeFailed_ = true;
}

bool WaveInRecorder::QueueBuffers() {
    for (bufferIndex_ = 0; bufferIndex_ < kBufferCount; ++bufferIndex_) {
        std::vector<uint8_t>& block = blocks_[bufferIndex_];
        try {
            block.assign(kBufferBytes, 0);
        } catch (const std::bad_alloc&) {
            return false;
        }
        platform::CaptureBuffer& buffer = buffers_[bufferIndex_];
        buffer = platform::CaptureBuffer{};
        buffer.data = block.data();
        buffer.length = kBufferBytes;
        if (device_->AddBuffer(&buffer) != platform::CaptureResult::Ok) return false;
        std::lock_guard<std::mutex> lock(lock_);
        ++lent_;
    }
    return true;
}

void WaveInRecorder::ReleaseBuffers() {
    for (bufferIndex_ = 0; bufferIndex_ < kBufferCount; ++bufferIndex_) {
        buffers_[bufferIndex_] = platform::CaptureBuffer{};
        blocks_[bufferIndex_].clear();
        blocks_[bufferIndex_].shrink_to_fit();
    }
}

void WaveInRecorder::CloseDevice() {
    if (!device_) return;
    const double ran = std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
    {
        std::lock_guard<std::mutex> lock(lock_);
        stopping_ = true;
    }
    // Stop returns the buffer being filled with what it holds; Reset the
    // empty ones. Each comes back through OnBufferFull, which writes it and,
    // now that we are stopping, keeps it.
    device_->Stop();
    device_->Reset();
    {
        std::unique_lock<std::mutex> lock(lock_);
        returned_.wait(lock, [this] { return lent_ == 0; });
    }
    device_->Close();
    const double bytesPerSecond = double(format_.sampleRate) * format_.BytesPerFrame();
    const double sound = double(delivered_ + device_->OverrunBytes()) / bytesPerSecond;
    if (running_) JudgeTake(ran, sound, bytesPerSecond);
    device_.reset();
    ReleaseBuffers();
}

// What is to be said of the take that just ended, if anything.
void WaveInRecorder::JudgeTake(double ran, double sound, double bytesPerSecond) {
    const std::string named = "The input device \"" + device_->Name() + "\"";
    if (gone_) {
        goneAtBytes_ = device_->GoneAtBytes();
        takeWarning_ = named + " went away " + Seconds(double(goneAtBytes_) / bytesPerSecond) +
                       " seconds into the recording; the take holds what it recorded until then.";
    } else if (device_->KeepsTime() && ran >= kJudgedAfterSeconds && sound < ran * kLeastSoundPart) {
        const std::string said = named + " gave only " + Seconds(sound) + " seconds of sound in the " + Seconds(ran) +
                                 " seconds the recording ran: it fell silent";
        // What it gave before it fell silent is the singer's: it is kept.
        if (delivered_ >= kLeastKeptBytes)
            takeWarning_ = said + " (is it connected, and is anything feeding it?). The take holds what it gave.";
        else
            silenceFailure_ = said + " or gave nothing at all (is it connected, and is anything feeding it?). "
                                     "Nothing was recorded.";
    }
    if (takeWarning_.empty() && silenceFailure_.empty() && delivered_ > 0 && !heardSound_)
        takeWarning_ = named + " gave only silence: nothing of the voice is in the take (is it muted?).";
}

int WaveInRecorder::Start() {
    if (running_) return 0;
    writeFailed_ = false;
    startFailure_.clear();
    silenceFailure_.clear();
    takeWarning_.clear();
    goneAtBytes_ = 0;
    delivered_ = 0;
    heardSound_ = false;
    gone_ = false;
    {
        std::lock_guard<std::mutex> lock(lock_);
        stopping_ = false;
        lent_ = 0;
    }
    errno = 0;
    if (!OpenFile()) {
        const int error = errno;
        startFailure_ = "The recording's work file " + path_ + " could not be written: " +
                        (error ? std::strerror(error) : "no path was given");
        return 0;
    }
    const std::string device = ChosenCaptureDevice();
    const platform::CaptureResult opened =
        ChosenCaptureFollowsPlayback()
            ? platform::OpenPlaybackCapture(device, format_, &WaveInRecorder::WaveInProc, this, device_)
            : platform::OpenCaptureDevice(device, format_, &WaveInRecorder::WaveInProc, this, device_);
    if (opened != platform::CaptureResult::Ok) {
        const platform::CaptureOpenFailure failure = platform::LastCaptureOpenFailure();
        startFailure_ = "The input device \"" + failure.device + "\" could not be opened: " + failure.reason;
        device_.reset();
        CloseFile();
        return 0;
    }
    if (!QueueBuffers()) {
        startFailure_ = "The input device could not take the recording's buffers.";
        CloseDevice();
        CloseFile();
        return 0;
    }
    if (const platform::CaptureResult started = device_->Start(); started != platform::CaptureResult::Ok) {
        startFailure_ = std::string("The input device could not start: ") + platform::CaptureResultText(started);
        CloseDevice();
        CloseFile();
        return 0;
    }
    started_ = std::chrono::steady_clock::now();
    running_ = 1;
    return 1;
}

int WaveInRecorder::Stop() {
    if (!running_) return 0;
    CloseDevice();
    CloseFile();
    Clear();
    return 1;
}

void WaveInRecorder::WaveInProc(void* instance, uint32_t notice, platform::CaptureBuffer* buffer) {
    auto* self = static_cast<WaveInRecorder*>(instance);
    if (notice == platform::kCaptureData && self && buffer) self->OnBufferFull(buffer);
    if (notice == platform::kCaptureGone && self) {
        self->gone_ = true;
        if (self->goneListener_) self->goneListener_();
    }
}

bool WaveInRecorder::CapturedBytesNow(uint64_t& bytes) const {
    return running_ && device_ && device_->CapturedBytesNow(bytes);
}

void WaveInRecorder::OnBufferFull(platform::CaptureBuffer* buffer) {
    // Only this thread writes while the capture runs; Stop touches the file
    // again only after every buffer is back.
    delivered_ += buffer->bytesRecorded;
    // Only 16-bit input is judged: 8-bit silence is not made of zeros.
    if (!heardSound_ && format_.bitsPerSample == 16 && HoldsSound(buffer->data, buffer->bytesRecorded))
        heardSound_ = true;
    if (buffer->bytesRecorded > 0 && !file_.Write(buffer->data, buffer->bytesRecorded)) writeFailed_ = true;
    std::lock_guard<std::mutex> lock(lock_);
    if (!stopping_ && device_->AddBuffer(buffer) == platform::CaptureResult::Ok) return;
    --lent_;
    returned_.notify_all();
}
