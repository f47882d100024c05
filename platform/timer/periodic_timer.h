#pragma once
// A periodic timer with its own thread: the tick function runs every
// period (measured from the start, so a slow tick does not make the timer
// drift) until Stop, or until a tick answers false, which ends the timer
// from inside. The owner joins the thread: Stop (or the destructor) waits
// for a running tick to finish. Stop must not be called from a tick.

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace platform {

class PeriodicTimer {
public:
    PeriodicTimer() = default;
    ~PeriodicTimer();
    PeriodicTimer(const PeriodicTimer&) = delete;
    PeriodicTimer& operator=(const PeriodicTimer&) = delete;

    // Starts ticking every periodMs (at least 1). A timer still running is
    // stopped first. Returns false when the thread cannot be started.
    bool Start(unsigned periodMs, std::function<bool()> tick);
    // Ends the ticks and joins the thread; returns whether a thread was
    // there to join (running, or ended by its own tick).
    bool Stop();
    // Ticking now (false once a tick ended it or after Stop).
    bool IsTicking() const;

private:
    void Run(unsigned periodMs);

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    bool stop_ = false;
    bool ticking_ = false;
    std::function<bool()> tick_;
    std::thread thread_;
};

}  // namespace platform
