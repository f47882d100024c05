#include "platform/audio/queued_output.h"

#include <cstring>

namespace platform::audio {

QueuedOutputDevice::QueuedOutputDevice(int deviceId, const OutputFormat& format,
                                       OutputCallback callback)
    : deviceId_(deviceId), format_(format), callback_(std::move(callback))
{
}

QueuedOutputDevice::~QueuedOutputDevice()
{
    notifier_.QuitAndJoin();
}

bool QueuedOutputDevice::StartNotifier(const std::string& threadName, bool handBackWhenHeard)
{
    handBackWhenHeard_ = handBackWhenHeard;
    if (!notifier_.Start(threadName, [this](MessageQueue& queue) { NotifierBody(queue); }))
        return false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        PostLocked(OutputMessage::Opened, 0);
    }
    notifier_.Wake();
    return true;
}

void QueuedOutputDevice::NotifierBody(MessageQueue& queue)
{
    notifierId_ = std::this_thread::get_id();
    ThreadMessage msg;
    while (queue.Get(msg)) {
        if (callback_)
            callback_(static_cast<OutputMessage>(msg.message), msg.wParam);
        // The device's lock only when someone waits: a played buffer must
        // not cost the writer a thread switch on a lock it holds.
        ++delivered_;
        if (waiters_.load() > 0) {
            std::lock_guard<std::mutex> lock(mutex_);
            deliveredCv_.notify_all();
        }
    }
}

void QueuedOutputDevice::PostLocked(OutputMessage message, uintptr_t cookie)
{
    // Queued in order under the device's lock; the caller wakes the thread
    // once it has let go of the lock.
    if (notifier_.PostWithoutWake(static_cast<uint32_t>(message), cookie))
        ++posted_;
}

void QueuedOutputDevice::WaitDelivered()
{
    if (OnNotifierThread())
        return;
    std::unique_lock<std::mutex> lock(mutex_);
    const uint64_t target = posted_;
    ++waiters_;
    deliveredCv_.wait(lock, [&] { return delivered_.load() >= target; });
    --waiters_;
}

int QueuedOutputDevice::Write(const char* data, uint32_t bytes, uintptr_t cookie)
{
    if (!data && bytes)
        return kOutputError;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (closed_ || closing_)
            return kOutputInvalidHandle;
        pending_.push_back(Pending{data, bytes, 0, cookie});
    }
    OnQueueChanged();
    return kOutputOk;
}

int QueuedOutputDevice::Pause()
{
    std::lock_guard<std::mutex> transport(transport_);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (closed_)
            return kOutputInvalidHandle;
        paused_ = true;
    }
    PauseBackend();
    return kOutputOk;
}

int QueuedOutputDevice::Restart()
{
    {
        std::lock_guard<std::mutex> transport(transport_);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (closed_)
                return kOutputInvalidHandle;
            paused_ = false;
        }
        const int result = ResumeBackend();
        if (result != kOutputOk) {
            std::lock_guard<std::mutex> lock(mutex_);
            paused_ = true;
            return result;
        }
    }
    OnQueueChanged();
    return kOutputOk;
}

bool QueuedOutputDevice::Paused() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return paused_;
}

int QueuedOutputDevice::Reset()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (closed_)
            return kOutputInvalidHandle;
    }
    ResetBackend([this] {
        std::lock_guard<std::mutex> lock(mutex_);
        for (const Pending& p : pending_)
            PostLocked(OutputMessage::Done, p.cookie);
        pending_.clear();
        position_ = 0;
    });
    notifier_.Wake();
    WaitDelivered();
    return kOutputOk;
}

int QueuedOutputDevice::Close()
{
    // The notification thread cannot wait for itself to end.
    if (OnNotifierThread())
        return kOutputError;
    {
        std::lock_guard<std::mutex> transport(transport_);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (closed_ || closing_)
                return kOutputInvalidHandle;
            if (!pending_.empty())
                return kOutputStillPlaying;
            closing_ = true;
        }
        const int result = StopBackend();
        std::lock_guard<std::mutex> lock(mutex_);
        closing_ = false;
        if (result != kOutputOk)
            return result;
        closed_ = true;
        PostLocked(OutputMessage::Closed, 0);
    }
    notifier_.Wake();
    // Messages queued before the quit, Closed last, are delivered first.
    notifier_.QuitAndJoin();
    return kOutputOk;
}

uint32_t QueuedOutputDevice::Consume(uint8_t* out, uint32_t maxBytes)
{
    bool handedBack = false;
    const uint32_t copied = ConsumeLocked(out, maxBytes, handedBack);
    if (handedBack)
        notifier_.Wake();
    return copied;
}

uint32_t QueuedOutputDevice::ConsumeLocked(uint8_t* out, uint32_t maxBytes, bool& handedBack)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (paused_ || closed_)
        return 0;
    uint32_t copied = 0;
    size_t finished = 0;
    for (Pending& p : pending_) {
        uint32_t left = p.bytes - p.played;
        if (left > 0 && copied < maxBytes) {
            const uint32_t n = left < maxBytes - copied ? left : maxBytes - copied;
            memcpy(out + copied, p.data + p.played, n);
            p.played += n;
            copied += n;
            left -= n;
        }
        if (left > 0)
            break;
        if (!p.taken) {
            p.taken = true;
            p.end = position_ + copied;
        }
        ++finished;
    }
    position_ += copied;
    // The bytes are out before their owner hears that they are.
    if (copied > 0)
        OnPlayed(out, copied);
    if (handBackWhenHeard_) {
        handedBack = false;
        return copied;
    }
    handedBack = finished > 0;
    for (; finished > 0; --finished) {
        PostLocked(OutputMessage::Done, pending_.front().cookie);
        pending_.pop_front();
    }
    return copied;
}

void QueuedOutputDevice::HandBackHeard(uint64_t heardBytes)
{
    bool handedBack = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        while (!pending_.empty()) {
            const Pending& p = pending_.front();
            if (!p.taken || p.end > heardBytes)
                break;
            PostLocked(OutputMessage::Done, p.cookie);
            pending_.pop_front();
            handedBack = true;
        }
    }
    if (handedBack)
        notifier_.Wake();
}

void QueuedOutputDevice::HandBackAll()
{
    bool handedBack = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (const Pending& p : pending_)
            PostLocked(OutputMessage::Done, p.cookie);
        handedBack = !pending_.empty();
        pending_.clear();
    }
    if (handedBack)
        notifier_.Wake();
}

uint64_t QueuedOutputDevice::PositionBytes() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return position_;
}

}  // namespace platform::audio
