#pragma once
// A scripted microphone for tests: every device it opens feeds the same
// chosen bytes, cut into chunks of chosen sizes, into the queued buffers.

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/capture/capture_device.h"
#include "platform/thread/event.h"

namespace platform {

struct SimCaptureScript {
    std::vector<uint8_t> bytes;
    // Chunk sizes, used in turn and repeated; empty means one chunk of all.
    std::vector<size_t> chunkSizes;
    // 0: each chunk waits until the queued buffers have room for it, so
    // nothing is lost and the run is deterministic. Above 0: chunks come at
    // that multiple of real time whether or not a buffer is queued, like a
    // sound card (bytes without a buffer are lost).
    double realTimeFactor = 0;
    // After the bytes: feed silence (true) or nothing (false).
    bool silenceAfterEnd = false;
    std::vector<std::string> deviceNames = {"Scripted microphone"};
    // Anything but Ok makes every open fail with it.
    CaptureResult openResult = CaptureResult::Ok;
};

class SimCaptureBackend final : public CaptureBackend, public std::enable_shared_from_this<SimCaptureBackend> {
public:
    explicit SimCaptureBackend(SimCaptureScript script);

    std::vector<std::string> ListDevices() override;
    CaptureResult Open(int deviceIndex, const CaptureFormat& format, CaptureCallback callback, void* instance,
                       std::unique_ptr<CaptureDevice>& out) override;

    const SimCaptureScript& Script() const { return script_; }
    // Set once the latest device has fed every scripted byte into buffers.
    bool WaitUntilFed(int timeoutMs);
    // Runs on the device's notice thread before each data notice.
    void SetDataNoticeHook(std::function<void(const CaptureBuffer&)> hook);
    int OpenCount() const;
    // Scripted bytes the latest device has handed to the input so far.
    size_t FedBytes() const;

private:
    friend class SimCaptureDevice;
    void NoteFed(size_t offset);
    void RunHook(const CaptureBuffer& buffer);

    const SimCaptureScript script_;
    Event fed_{true};
    mutable std::mutex mutex_;
    std::function<void(const CaptureBuffer&)> hook_;
    int opens_ = 0;
    size_t fedBytes_ = 0;
};

}  // namespace platform
