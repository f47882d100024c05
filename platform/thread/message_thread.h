#pragma once
// A thread that owns a message queue, the way the players' callback and
// equalizer threads and the application's workers are built: others post
// messages to it, it takes them one by one until it is told to quit, and its
// owner joins it. Nothing is ever killed: quitting is cooperative.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace platform {

struct ThreadMessage {
    uint32_t message = 0;
    uintptr_t wParam = 0;
    uintptr_t lParam = 0;
};

class MessageQueue {
public:
    // Appends a message. Fails once the queue has been told to quit. With
    // wake false the taker is not woken yet: a poster that holds a lock of
    // its own calls Wake once it has let go of it, so that the woken thread
    // does not at once block on that lock (two needless thread switches).
    bool Post(const ThreadMessage& msg, bool wake = true);
    void Wake();
    // Blocks until a message arrives. Returns false when the queue has been
    // told to quit; messages posted before the quit are delivered first.
    bool Get(ThreadMessage& msg);
    // Like Get, but gives up after timeoutMs; 'timedOut' tells the two apart.
    bool GetFor(ThreadMessage& msg, int timeoutMs, bool& timedOut);
    void Quit();
    // Empties the queue and lets it take posts again (for a new thread).
    void Restart();

private:
    mutable std::mutex mutex_;
    std::condition_variable cv_;
    std::deque<ThreadMessage> messages_;
    bool quitting_ = false;
};

class MessageThread {
public:
    MessageThread() = default;
    ~MessageThread();
    MessageThread(const MessageThread&) = delete;
    MessageThread& operator=(const MessageThread&) = delete;

    // Starts the thread running body(queue). The body should return once
    // queue.Get() answers false. Returns false when a thread already runs or
    // the thread cannot be created.
    bool Start(const std::string& name, std::function<void(MessageQueue&)> body);
    // Posts to the running thread; false when none runs or it is quitting.
    bool Post(uint32_t message, uintptr_t wParam = 0, uintptr_t lParam = 0);
    // The same without waking the thread; Wake follows (MessageQueue::Post).
    bool PostWithoutWake(uint32_t message, uintptr_t wParam = 0, uintptr_t lParam = 0);
    void Wake() { queue_.Wake(); }
    // Tells the thread to quit and waits for it to end.
    void QuitAndJoin();
    bool Running() const { return thread_.joinable(); }

private:
    MessageQueue queue_;
    std::thread thread_;
};

}  // namespace platform
