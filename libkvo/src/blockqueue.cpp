#include "libkvo/src/blockqueue.h"

#include <cstring>
#include <new>

void BlockQueue::Empty()
{
    std::lock_guard<std::mutex> lock(mutex_);
    nodes_.clear();
    queuedBytes_ = 0;
    unreadBytes_ = 0;
    current_ = nullptr;
    currentRemaining_ = 0;
}

int BlockQueue::Push(const char* block, uint32_t size)
{
    // A null block would only fail later, inside a read on the decoding thread.
    if (!block && size)
        return 0;
    std::lock_guard<std::mutex> lock(mutex_);
    if (size > UINT32_MAX - unreadBytes_ || size > UINT32_MAX - queuedBytes_)
        return 0;
    try {
        nodes_.push_back(Node{block, size});
    } catch (const std::bad_alloc&) {
        return 0;
    }
    queuedBytes_ += size;
    unreadBytes_ += size;
    return 1;
}

// Removes the oldest node without touching the unread count: a read has
// already taken its bytes off.
void BlockQueue::PopOldestLocked()
{
    queuedBytes_ -= nodes_.front().size;
    nodes_.pop_front();
}

int BlockQueue::PopFront(const char** block, uint32_t* size)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (nodes_.empty())
        return 0;
    const Node& front = nodes_.front();
    if (block)
        *block = front.block;
    if (size)
        *size = front.size;
    // The bytes of a removed block will never be read, so they leave the
    // load; and a read must not go on inside a block that is no longer ours.
    if (current_) {
        unreadBytes_ -= currentRemaining_;
        current_ = nullptr;
        currentRemaining_ = 0;
    } else {
        unreadBytes_ -= front.size;
    }
    PopOldestLocked();
    return 1;
}

int BlockQueue::PeekFront(const char** block, uint32_t* size) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (nodes_.empty())
        return 0;
    if (block)
        *block = nodes_.front().block;
    if (size)
        *size = nodes_.front().size;
    return 1;
}

bool BlockQueue::Read(char* dest, uint32_t wanted, uint32_t* delivered, uint32_t* usedUp)
{
    if (!dest || !delivered || !usedUp)
        return false;
    std::lock_guard<std::mutex> lock(mutex_);
    *delivered = 0;
    *usedUp = 0;
    uint32_t n = wanted;

    if (currentRemaining_ > 0) {
        if (currentRemaining_ >= n) {
            memcpy(dest, current_, n);
            current_ += n;
            currentRemaining_ -= n;
            unreadBytes_ -= n;
            *delivered = n;
            if (currentRemaining_ == 0) {
                current_ = nullptr;
                PopOldestLocked();
                ++*usedUp;
            }
            return true;
        }
        memcpy(dest, current_, currentRemaining_);
        unreadBytes_ -= currentRemaining_;
        *delivered = currentRemaining_;
        n -= currentRemaining_;
        current_ = nullptr;
        currentRemaining_ = 0;
        PopOldestLocked();
        ++*usedUp;
    }

    while (!nodes_.empty()) {
        const Node& front = nodes_.front();
        char* out = dest + *delivered;
        if (front.size >= n) {
            if (n)
                memcpy(out, front.block, n);
            unreadBytes_ -= n;
            *delivered += n;
            if (front.size == n) {
                PopOldestLocked();
                ++*usedUp;
            } else {
                current_ = front.block + n;
                currentRemaining_ = front.size - n;
            }
            return true;
        }
        if (front.size)
            memcpy(out, front.block, front.size);
        unreadBytes_ -= front.size;
        *delivered += front.size;
        n -= front.size;
        PopOldestLocked();
        ++*usedUp;
    }
    return *delivered > 0;
}

bool BlockQueue::Contains(const void* block) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    for (const Node& node : nodes_) {
        if (node.block == block)
            return true;
    }
    return false;
}

uint32_t BlockQueue::GetCount() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return static_cast<uint32_t>(nodes_.size());
}

uint32_t BlockQueue::GetQueuedBytes() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return queuedBytes_;
}

uint32_t BlockQueue::GetUnreadBytes() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return unreadBytes_;
}
