#include "platform/thread/message_thread.h"

#include <chrono>
#include <system_error>

#include "platform/thread/thread_name.h"

namespace platform {

bool MessageQueue::Post(const ThreadMessage& msg, bool wake)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (quitting_)
            return false;
        messages_.push_back(msg);
    }
    if (wake)
        cv_.notify_one();
    return true;
}

void MessageQueue::Wake()
{
    cv_.notify_one();
}

bool MessageQueue::Get(ThreadMessage& msg)
{
    bool timedOut = false;
    return GetFor(msg, -1, timedOut);
}

bool MessageQueue::GetFor(ThreadMessage& msg, int timeoutMs, bool& timedOut)
{
    std::unique_lock<std::mutex> lock(mutex_);
    auto ready = [this] { return !messages_.empty() || quitting_; };
    timedOut = false;
    if (timeoutMs < 0) {
        cv_.wait(lock, ready);
    } else if (!cv_.wait_for(lock, std::chrono::milliseconds(timeoutMs), ready)) {
        timedOut = true;
        return false;
    }
    if (messages_.empty())
        return false;
    msg = messages_.front();
    messages_.pop_front();
    return true;
}

void MessageQueue::Quit()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        quitting_ = true;
    }
    cv_.notify_all();
}

void MessageQueue::Restart()
{
    std::lock_guard<std::mutex> lock(mutex_);
    quitting_ = false;
    messages_.clear();
}

MessageThread::~MessageThread()
{
    QuitAndJoin();
}

bool MessageThread::Start(const std::string& name, std::function<void(MessageQueue&)> body)
{
    if (thread_.joinable())
        return false;
    queue_.Restart();
    try {
        thread_ = std::thread([this, name, body = std::move(body)] {
            SetCurrentThreadName(name);
            body(queue_);
        });
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

bool MessageThread::Post(uint32_t message, uintptr_t wParam, uintptr_t lParam)
{
    if (!thread_.joinable())
        return false;
    return queue_.Post(ThreadMessage{message, wParam, lParam});
}

bool MessageThread::PostWithoutWake(uint32_t message, uintptr_t wParam, uintptr_t lParam)
{
    if (!thread_.joinable())
        return false;
    return queue_.Post(ThreadMessage{message, wParam, lParam}, false);
}

void MessageThread::QuitAndJoin()
{
    if (!thread_.joinable())
        return;
    queue_.Quit();
    if (thread_.get_id() == std::this_thread::get_id()) {
        // A thread cannot wait for itself; its owner's later join finishes it.
        return;
    }
    thread_.join();
}

}  // namespace platform
