#include "platform/capture/capture_device.h"

#include <algorithm>
#include <cstring>

#include "platform/thread/thread_name.h"

namespace platform {

const char* CaptureResultText(CaptureResult result) {
    switch (result) {
    case CaptureResult::Ok: return "no error";
    case CaptureResult::NoDriver: return "no audio capture driver is available";
    case CaptureResult::BadDevice: return "no capture device has that index";
    case CaptureResult::BadFormat: return "the device cannot capture in that format";
    case CaptureResult::OpenFailed: return "the capture device did not open";
    case CaptureResult::NotOpen: return "the capture device is not open";
    case CaptureResult::InvalidBuffer: return "the buffer has no memory";
    }
    return "unknown capture error";
}

CaptureDevice::CaptureDevice(const CaptureFormat& format, CaptureCallback callback, void* instance)
    : format_(format), callback_(callback), instance_(instance) {}

CaptureDevice::~CaptureDevice() {
    // Backends close in their own destructor, while their input still
    // exists; this only makes sure no thread outlives the object.
    {
        std::lock_guard<std::mutex> lock(mutex_);
        closing_ = true;
    }
    wake_.notify_all();
    if (notices_.joinable()) notices_.join();
}

void CaptureDevice::BeginNotices() {
    notices_ = std::thread([this] { NoticeLoop(); });
}

void CaptureDevice::NoticeLoop() {
    SetCurrentThreadName("capture notice");
    if (callback_) callback_(instance_, kCaptureOpened, nullptr);
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return closing_ || !done_.empty() || (gone_ && !goneNoticed_); });
        if (!done_.empty()) {
            CaptureBuffer* buffer = done_.front();
            done_.pop_front();
            lock.unlock();
            BeforeDataNotice(*buffer);
            if (callback_) callback_(instance_, kCaptureData, buffer);
            lock.lock();
            continue;
        }
        if (gone_ && !goneNoticed_) {
            goneNoticed_ = true;
            lock.unlock();
            if (callback_) callback_(instance_, kCaptureGone, nullptr);
            lock.lock();
            continue;
        }
        break;  // closing, and every notice delivered
    }
    lock.unlock();
    if (callback_) callback_(instance_, kCaptureClosed, nullptr);
}

CaptureResult CaptureDevice::AddBuffer(CaptureBuffer* buffer) {
    if (!buffer || !buffer->data || buffer->length == 0) return CaptureResult::InvalidBuffer;
    std::lock_guard<std::mutex> lock(mutex_);
    if (closing_ || closed_) return CaptureResult::NotOpen;
    buffer->bytesRecorded = 0;
    queued_.push_back(buffer);
    return CaptureResult::Ok;
}

CaptureResult CaptureDevice::Start() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (closing_ || closed_) return CaptureResult::NotOpen;
    }
    return BeginInput() ? CaptureResult::Ok : CaptureResult::OpenFailed;
}

void CaptureDevice::HandBackLocked(CaptureBuffer* buffer) {
    done_.push_back(buffer);
    wake_.notify_all();
}

CaptureResult CaptureDevice::Stop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (closed_) return CaptureResult::NotOpen;
    }
    EndInput();
    std::lock_guard<std::mutex> lock(mutex_);
    if (!queued_.empty() && queued_.front()->bytesRecorded > 0) {
        HandBackLocked(queued_.front());
        queued_.pop_front();
    }
    return CaptureResult::Ok;
}

CaptureResult CaptureDevice::Reset() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (closed_) return CaptureResult::NotOpen;
    }
    EndInput();
    std::lock_guard<std::mutex> lock(mutex_);
    while (!queued_.empty()) {
        HandBackLocked(queued_.front());
        queued_.pop_front();
    }
    return CaptureResult::Ok;
}

CaptureResult CaptureDevice::Close() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (closed_) return CaptureResult::NotOpen;
    }
    Reset();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        closing_ = true;
    }
    wake_.notify_all();
    if (notices_.joinable()) notices_.join();
    std::lock_guard<std::mutex> lock(mutex_);
    closed_ = true;
    return CaptureResult::Ok;
}

void CaptureDevice::Deliver(const uint8_t* bytes, size_t count) {
    std::lock_guard<std::mutex> lock(mutex_);
    while (count > 0) {
        if (queued_.empty()) {
            overrun_ += count;
            return;
        }
        CaptureBuffer* buffer = queued_.front();
        const size_t n = std::min<size_t>(count, buffer->length - buffer->bytesRecorded);
        std::memcpy(buffer->data + buffer->bytesRecorded, bytes, n);
        buffer->bytesRecorded += uint32_t(n);
        given_ += n;
        bytes += n;
        count -= n;
        if (buffer->bytesRecorded == buffer->length) {
            queued_.pop_front();
            HandBackLocked(buffer);
        }
    }
}

size_t CaptureDevice::QueuedSpace() const {
    std::lock_guard<std::mutex> lock(mutex_);
    size_t space = 0;
    for (const CaptureBuffer* buffer : queued_) space += buffer->length - buffer->bytesRecorded;
    return space;
}

void CaptureDevice::ReportGone() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (gone_) return;
        gone_ = true;
        goneAt_ = given_;
    }
    wake_.notify_all();
}

bool CaptureDevice::Gone() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return gone_;
}

uint64_t CaptureDevice::GoneAtBytes() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return goneAt_;
}

uint64_t CaptureDevice::OverrunBytes() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return overrun_;
}

}  // namespace platform
