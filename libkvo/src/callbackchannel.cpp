#include "libkvo/src/callbackchannel.h"

CallbackChannel::~CallbackChannel()
{
    End();
}

bool CallbackChannel::Start(Handler handler, uint32_t mask)
{
    End();
    std::lock_guard<std::mutex> lock(lifeMutex_);
    bool started = thread_.Start("PlayerCallback", [this, handler = std::move(handler)](platform::MessageQueue& queue) {
        Run(queue, handler);
    });
    if (started)
        mask_.store(mask);
    return started;
}

void CallbackChannel::End()
{
    mask_.store(0);
    std::lock_guard<std::mutex> lock(lifeMutex_);
    thread_.QuitAndJoin();
}

int CallbackChannel::Post(uint32_t kind, uintptr_t wParam, uintptr_t lParam)
{
    if (kind < 0x10000) {
        std::lock_guard<std::mutex> lock(lifeMutex_);
        thread_.Post(kFirstMessage + kind, wParam, lParam);
        return 0;
    }

    std::lock_guard<std::mutex> serial(syncMutex_);
    {
        std::lock_guard<std::mutex> lock(replyMutex_);
        syncPending_ = true;
        replied_ = false;
    }
    bool posted;
    {
        std::lock_guard<std::mutex> lock(lifeMutex_);
        posted = thread_.Post(kFirstSyncMessage + (kind >> 16), wParam, lParam);
    }
    std::unique_lock<std::mutex> lock(replyMutex_);
    if (posted)
        replyCv_.wait(lock, [this] { return replied_; });
    syncPending_ = false;
    return posted ? reply_ : 0;
}

int CallbackChannel::Send(uint32_t asyncKind, uintptr_t wParam, uintptr_t lParam)
{
    const uint32_t syncKind = asyncKind << 16;
    int answer = 0;
    if (Mask() & syncKind)
        answer = Post(syncKind, wParam, lParam);
    if (Mask() & asyncKind)
        Post(asyncKind, wParam, lParam);
    return answer;
}

void CallbackChannel::Run(platform::MessageQueue& queue, const Handler& handler)
{
    platform::ThreadMessage msg;
    while (queue.Get(msg)) {
        const uint32_t a = msg.message - kFirstMessage;
        if (a <= 0x3DFF) {
            handler(a, msg.wParam, msg.lParam);
        } else {
            Answer(handler((a - 0x3DFF) << 16, msg.wParam, msg.lParam));
        }
    }
    // A synchronous poster may still wait for a message this thread will
    // never take: let it go with 0.
    std::lock_guard<std::mutex> lock(replyMutex_);
    if (syncPending_ && !replied_) {
        reply_ = 0;
        replied_ = true;
        replyCv_.notify_all();
    }
}

void CallbackChannel::Answer(int answer)
{
    std::lock_guard<std::mutex> lock(replyMutex_);
    reply_ = answer;
    replied_ = true;
    replyCv_.notify_all();
}
