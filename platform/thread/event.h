#pragma once
// An event object as the players and the application use it: signalled or
// not, reset by hand (manual) or by the one waiter it releases (auto).

#include <condition_variable>
#include <mutex>

namespace platform {

constexpr int kWaitForever = -1;

class Event {
public:
    explicit Event(bool manualReset, bool initiallySet = false);
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    void Set();
    void Reset();
    // Waits until the event is set or timeoutMs passes (kWaitForever: no
    // limit). Returns true when the event was set. An auto-reset event is
    // reset by the wait that sees it set.
    bool Wait(int timeoutMs = kWaitForever);
    bool IsSet() const;

private:
    const bool manualReset_;
    bool set_;
    mutable std::mutex mutex_;
    std::condition_variable cv_;
};

}  // namespace platform
