#include "libkvo/src/blockqueue.h"

#include <cstring>
#include <new>

void BlockQueue::Empty()
{
    std::lock_guard<std::mutex> lock(mutex_);
    nodes_.clear();
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
    if (size > UINT32_MAX - unreadBytes_)
        return 0;
    try {
        nodes_.push_back(Node{block, size});
    } catch (const std::bad_alloc&) {
        return 0;
    }
    unreadBytes_ += size;
    return 1;
}

// Removes the oldest node without touching the unread count: a read has
// already taken its bytes off.
void BlockQueue::PopOldestLocked()
{
    nodes_.pop_front();
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

uint32_t BlockQueue::GetUnreadBytes() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return unreadBytes_;
}
