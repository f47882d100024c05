#include "platform/capture/sim_capture.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <thread>

#include "platform/thread/thread_name.h"

namespace platform {

class SimCaptureDevice final : public CaptureDevice {
public:
    SimCaptureDevice(std::shared_ptr<SimCaptureBackend> backend, const CaptureFormat& format,
                     CaptureCallback callback, void* instance, std::string name)
        : CaptureDevice(format, callback, instance), backend_(std::move(backend)) {
        SetName(std::move(name));
        BeginNotices();
        feeder_ = std::thread([this] { FeedLoop(); });
    }

    ~SimCaptureDevice() override {
        Close();
        {
            std::lock_guard<std::mutex> lock(mutex_);
            quit_ = true;
        }
        wake_.notify_all();
        feeder_.join();
    }

private:
    bool BeginInput() override {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            running_ = true;
        }
        wake_.notify_all();
        return true;
    }

    void EndInput() override {
        // Deliver runs under mutex_, so holding it here means none is running.
        std::lock_guard<std::mutex> lock(mutex_);
        running_ = false;
    }

    void BeforeDataNotice(const CaptureBuffer& buffer) override { backend_->RunHook(buffer); }
    // Unpaced, the script comes as fast as the buffers take it.
    bool KeepsTime() const override { return backend_->Script().realTimeFactor > 0; }

    size_t NextChunk() {
        const auto& script = backend_->Script();
        size_t size = script.chunkSizes.empty() ? script.bytes.size()
                                                : script.chunkSizes[chunkIndex_++ % script.chunkSizes.size()];
        return std::max<size_t>(size, 1);
    }

    void FeedLoop() {
        SetCurrentThreadName("sim capture");
        const SimCaptureScript& script = backend_->Script();
        const double bytesPerSecond = double(Format().sampleRate) * Format().BytesPerFrame();
        std::vector<uint8_t> silence;
        std::unique_lock<std::mutex> lock(mutex_);
        size_t pending = 0;
        for (;;) {
            wake_.wait(lock, [this] { return quit_ || running_; });
            if (quit_) return;
            const bool inScript = offset_ < script.bytes.size();
            if (!inScript && !script.silenceAfterEnd) {
                wake_.wait_for(lock, std::chrono::milliseconds(5));
                continue;
            }
            if (pending == 0) pending = NextChunk();
            size_t n = inScript ? std::min(pending, script.bytes.size() - offset_) : pending;
            if (script.realTimeFactor <= 0 && QueuedSpace() < n) {
                // Wait for the owner to hand a buffer back; polled, since
                // queuing happens under the device's lock, not ours.
                wake_.wait_for(lock, std::chrono::milliseconds(1));
                continue;
            }
            if (inScript) {
                Deliver(script.bytes.data() + offset_, n);
                offset_ += n;
                backend_->NoteFed(offset_);
            } else {
                silence.assign(n, Format().bitsPerSample == 8 ? 0x80 : 0);
                Deliver(silence.data(), n);
            }
            pending = 0;
            if (script.realTimeFactor > 0) {
                const auto pause = std::chrono::duration<double>(double(n) / bytesPerSecond / script.realTimeFactor);
                wake_.wait_for(lock, pause, [this] { return quit_ || !running_; });
            }
        }
    }

    std::shared_ptr<SimCaptureBackend> backend_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool running_ = false;
    bool quit_ = false;
    size_t offset_ = 0;
    size_t chunkIndex_ = 0;
    std::thread feeder_;
};

SimCaptureBackend::SimCaptureBackend(SimCaptureScript script) : script_(std::move(script)) {}

std::vector<std::string> SimCaptureBackend::ListDevices() { return script_.deviceNames; }

CaptureResult SimCaptureBackend::Open(int deviceIndex, const CaptureFormat& format, CaptureCallback callback,
                                      void* instance, std::unique_ptr<CaptureDevice>& out) {
    if (script_.openResult != CaptureResult::Ok) {
        const size_t index = deviceIndex < 0 ? 0 : size_t(deviceIndex);
        SetCaptureOpenFailure(index < script_.deviceNames.size() ? script_.deviceNames[index] : "",
                              CaptureResultText(script_.openResult));
        return script_.openResult;
    }
    if (deviceIndex >= int(script_.deviceNames.size())) return CaptureResult::BadDevice;
    if (format.BytesPerFrame() == 0 || format.sampleRate == 0) return CaptureResult::BadFormat;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ++opens_;
        fedBytes_ = 0;
    }
    fed_.Reset();
    const size_t index = deviceIndex < 0 ? 0 : size_t(deviceIndex);
    out = std::make_unique<SimCaptureDevice>(shared_from_this(), format, callback, instance,
                                             index < script_.deviceNames.size() ? script_.deviceNames[index] : "");
    return CaptureResult::Ok;
}

bool SimCaptureBackend::WaitUntilFed(int timeoutMs) { return fed_.Wait(timeoutMs); }

void SimCaptureBackend::SetDataNoticeHook(std::function<void(const CaptureBuffer&)> hook) {
    std::lock_guard<std::mutex> lock(mutex_);
    hook_ = std::move(hook);
}

int SimCaptureBackend::OpenCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return opens_;
}

void SimCaptureBackend::NoteFed(size_t offset) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        fedBytes_ = offset;
    }
    if (offset == script_.bytes.size()) fed_.Set();
}

size_t SimCaptureBackend::FedBytes() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return fedBytes_;
}

void SimCaptureBackend::RunHook(const CaptureBuffer& buffer) {
    std::function<void(const CaptureBuffer&)> hook;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        hook = hook_;
    }
    if (hook) hook(buffer);
}

}  // namespace platform
