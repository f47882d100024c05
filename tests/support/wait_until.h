#pragma once
// Waiting for a state in a test that has no event to wait on: 'done' is
// asked every few milliseconds until it answers true or timeoutMs have
// passed. The bound is there so that a fault fails the test instead of
// hanging it; make it generous, the wait ends as soon as the state is there.

#include <chrono>
#include <functional>
#include <thread>

namespace testsupport {

inline bool WaitUntil(const std::function<bool()>& done, int timeoutMs, int pollMs = 2)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() >= end)
            return done();
        std::this_thread::sleep_for(std::chrono::milliseconds(pollMs));
    }
    return true;
}

}  // namespace testsupport
