#pragma once
// The part of an output device that every backend shares: the queue of
// written buffers, the paused state, the position, and the notification
// thread that hands finished buffers back. A backend only decides when bytes
// are played (it calls Consume) and how the device is stopped. A backend
// whose sound is heard well after it takes the bytes (a sound server with a
// buffer of its own) hands them back itself, once they are heard.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "platform/audio/audio_output.h"
#include "platform/thread/message_thread.h"

namespace platform::audio {

class QueuedOutputDevice : public OutputDevice {
public:
    QueuedOutputDevice(int deviceId, const OutputFormat& format, OutputCallback callback);
    // A derived backend stops itself in its own destructor, so no Consume
    // runs by the time this one joins the notification thread.
    ~QueuedOutputDevice() override;

    int Write(const char* data, uint32_t bytes, uintptr_t cookie) override;
    int Pause() override;
    int Restart() override;
    int Reset() override;
    int Close() override;
    // Bytes taken since the open or the last Reset; a backend that knows
    // what has been heard says that instead.
    uint64_t PositionBytes() const override;
    const OutputFormat& Format() const override { return format_; }
    int DeviceId() const override { return deviceId_; }

protected:
    // Starts the notification thread and queues the Opened message.
    // handBackWhenHeard: buffers taken whole wait for HandBackHeard instead
    // of going back at once.
    bool StartNotifier(const std::string& threadName, bool handBackWhenHeard = false);
    // Copies up to maxBytes queued bytes, oldest first, to 'out' and hands
    // back every buffer played to its end (also empty ones). Nothing while
    // paused. Returns the bytes copied.
    uint32_t Consume(uint8_t* out, uint32_t maxBytes);
    // Hands back the buffers taken whole whose last byte lies within the
    // first heardBytes bytes taken since the open or the last Reset.
    void HandBackHeard(uint64_t heardBytes);
    // Hands back every buffer at once (the backend can play nothing more).
    void HandBackAll();
    bool Paused() const;
    // Waits until every message queued so far has been delivered (at once
    // when called on the notification thread).
    void WaitDelivered();

    // Called by Consume with the bytes it copied, before the buffers they
    // finished are handed back (under the device's lock).
    virtual void OnPlayed(const uint8_t* data, uint32_t bytes) { (void)data, (void)bytes; }
    // Called after a Write or Restart, outside the device's lock.
    virtual void OnQueueChanged() {}
    // Stops the backend for Close; after kOutputOk no Consume may follow.
    // Any other result leaves the device open.
    virtual int StopBackend() = 0;
    // Called once the device is paused, and on Restart before it plays
    // again; never beside each other or beside StopBackend. A backend that
    // would keep its sound card busy while paused lets go of it here and
    // takes it again on resume; a failed resume leaves the device paused.
    virtual void PauseBackend() {}
    virtual int ResumeBackend() { return kOutputOk; }
    // Reset runs `dropQueue` (which empties the queue and the position)
    // through this, so that a backend can drop what it holds of the
    // device's sound in the same step.
    virtual void ResetBackend(const std::function<void()>& dropQueue) { dropQueue(); }

private:
    struct Pending {
        const char* data;
        uint32_t bytes;
        uint32_t played;
        uintptr_t cookie;
        bool taken = false;   // every byte copied out
        uint64_t end = 0;     // the position after its last byte, once taken
    };
    void PostLocked(OutputMessage message, uintptr_t cookie);
    uint32_t ConsumeLocked(uint8_t* out, uint32_t maxBytes, bool& handedBack);
    void NotifierBody(MessageQueue& queue);
    bool OnNotifierThread() const { return notifierId_ == std::this_thread::get_id(); }

    const int deviceId_;
    const OutputFormat format_;
    const OutputCallback callback_;

    // Pause, Restart and Close, one at a time: the backend's own pause and
    // resume must never cross each other.
    std::mutex transport_;
    mutable std::mutex mutex_;
    std::condition_variable deliveredCv_;
    std::deque<Pending> pending_;
    bool paused_ = false;
    bool closing_ = false;
    bool closed_ = false;
    bool handBackWhenHeard_ = false;
    uint64_t position_ = 0;
    uint64_t posted_ = 0;
    std::atomic<uint64_t> delivered_{0};
    std::atomic<int> waiters_{0};  // threads in WaitDelivered
    std::atomic<std::thread::id> notifierId_{};

    // Last member: joined before the state it uses goes away.
    MessageThread notifier_;
};

}  // namespace platform::audio
