#include "platform/timer/periodic_timer.h"

#include <chrono>

#include "platform/thread/thread_name.h"

namespace platform {

PeriodicTimer::~PeriodicTimer()
{
    Stop();
}

bool PeriodicTimer::Start(unsigned periodMs, std::function<bool()> tick)
{
    Stop();
    if (periodMs == 0)
        periodMs = 1;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = false;
        ticking_ = true;
        tick_ = std::move(tick);
    }
    try {
        thread_ = std::thread(&PeriodicTimer::Run, this, periodMs);
    } catch (const std::system_error&) {
        std::lock_guard<std::mutex> lock(mutex_);
        ticking_ = false;
        return false;
    }
    return true;
}

bool PeriodicTimer::Stop()
{
    if (!thread_.joinable())
        return false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
    std::lock_guard<std::mutex> lock(mutex_);
    ticking_ = false;
    return true;
}

bool PeriodicTimer::IsTicking() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return ticking_;
}

void PeriodicTimer::Run(unsigned periodMs)
{
    SetCurrentThreadName("PeriodicTimer");
    using Clock = std::chrono::steady_clock;
    const auto period = std::chrono::milliseconds(periodMs);
    auto next = Clock::now() + period;
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        if (wake_.wait_until(lock, next, [this] { return stop_; }))
            break;
        lock.unlock();
        const bool again = tick_();
        lock.lock();
        if (!again || stop_)
            break;
        next += period;
        // After a long stall, tick once and go on from now rather than
        // firing every missed tick in a burst.
        const auto now = Clock::now();
        if (next < now)
            next = now;
    }
    ticking_ = false;
}

}  // namespace platform
