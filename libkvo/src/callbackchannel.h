#pragma once
// The thread on which a player reports its events to the caller. The
// decoding thread never runs the caller's code: it posts each event here.
// An asynchronous kind (below 0x10000) is posted and forgotten; a
// synchronous kind waits until the callback has answered and returns the
// answer. A synchronous post to a thread that is gone or quitting answers
// 0 at once instead of waiting forever.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>

#include "platform/thread/message_thread.h"

class CallbackChannel {
public:
    using Handler = std::function<int(uint32_t kind, uintptr_t wParam, uintptr_t lParam)>;

    CallbackChannel() = default;
    ~CallbackChannel();
    CallbackChannel(const CallbackChannel&) = delete;
    CallbackChannel& operator=(const CallbackChannel&) = delete;

    // Ends any running callback thread, then starts one that calls handler,
    // and takes the kind mask. False when the thread cannot be started.
    bool Start(Handler handler, uint32_t mask);
    // Clears the mask and ends the thread (waiting for a running callback).
    void End();

    uint32_t Mask() const { return mask_.load(); }
    // Posts one kind: asynchronous kinds return 0 at once, synchronous kinds
    // return the callback's answer.
    int Post(uint32_t kind, uintptr_t wParam, uintptr_t lParam);
    // Posts the synchronous kind of an event when the mask holds it (its
    // answer is the result), then the asynchronous kind when the mask holds
    // it.
    int Send(uint32_t asyncKind, uintptr_t wParam, uintptr_t lParam);

private:
    static constexpr uint32_t kFirstMessage = 0x400;
    static constexpr uint32_t kFirstSyncMessage = 0x41FF;

    void Run(platform::MessageQueue& queue, const Handler& handler);
    void Answer(int answer);

    // Locks, outer first. syncMutex_ is held through one whole synchronous
    // post, so such posts wait their turn; while holding it the poster takes
    // replyMutex_ and lifeMutex_ one after the other, never both at once.
    // End holds lifeMutex_ while it joins the thread, and the thread takes
    // replyMutex_ to answer and to release a waiting poster as it quits:
    // so nothing may take lifeMutex_ while holding replyMutex_. A post under
    // lifeMutex_ takes thread_'s queue lock inside it, which takes nothing
    // further. No lock is held while the handler runs.

    // Guards thread_ against a start, an end and a post at the same time.
    std::mutex lifeMutex_;
    platform::MessageThread thread_;
    std::atomic<uint32_t> mask_{0};

    std::mutex syncMutex_;  // one synchronous post at a time
    // Guards the reply below, handed from the thread to the waiting poster.
    std::mutex replyMutex_;
    std::condition_variable replyCv_;
    bool syncPending_ = false;
    bool replied_ = false;
    int reply_ = 0;
};
